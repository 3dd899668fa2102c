#include "import/WordDocument.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/Utf.h"

namespace corvalin {
namespace {

constexpr auto kWaitStep = std::chrono::milliseconds(10);

std::filesystem::path FindOnPath(const char* name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty()) continue;
        const std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

// A file URL for LibreOffice's -env option: every byte but the unreserved ones and '/' escaped,
// so that a program folder with spaces or non-ASCII names still makes a valid URL.
std::string FileUrl(const std::filesystem::path& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : path.string()) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url += char(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

Verdict Failure(std::string message) {
    return Verdict::Bad(VerdictKind::Damaged, "Word document", std::move(message));
}

bool ReadWholeFile(const std::filesystem::path& path, uint64_t maxBytes, std::string& bytes) {
    std::error_code error;
    const uint64_t size = std::filesystem::file_size(path, error);
    if (error || size > maxBytes) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(size_t(size), '\0');
    in.read(bytes.data(), std::streamsize(size));
    return in.gcount() == std::streamsize(size);
}

// The text as the encoding dialog reads a Word document's: UTF-16LE behind a byte-order mark.
bool WriteUtf16LeText(const std::filesystem::path& path, std::string_view utf8) {
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
    const std::string bytes = Utf16LeWithMark(Utf8ToUtf16(utf8));
    const int handle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (handle < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(handle, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        done += size_t(written);
    }
    const bool closed = ::close(handle) == 0;
    if (done == bytes.size() && closed) return true;
    ::unlink(path.c_str());
    return false;
}

}  // namespace

FoundWordProcessor FindWordProcessor() {
    for (const char* name : {"soffice", "libreoffice"})
        if (std::filesystem::path program = FindOnPath(name); !program.empty())
            return {WordProcessor::LibreOffice, program};
    if (std::filesystem::path program = FindOnPath("catdoc"); !program.empty())
        return {WordProcessor::Catdoc, program};
    return {};
}

VEMDocConverter::VEMDocConverter(std::filesystem::path workFolder, FoundWordProcessor processor)
    : workFolder_(std::move(workFolder)), processor_(std::move(processor)) {}

VEMDocConverter::~VEMDocConverter() { ReleaseWordProcessor(); }

std::filesystem::path VEMDocConverter::PrivateFolder() {
    if (privateFolder_.empty()) {
        std::error_code error;
        std::filesystem::create_directories(workFolder_, error);
        std::string pattern = (std::filesystem::absolute(workFolder_, error) / "word-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) privateFolder_ = pattern;
    }
    return privateFolder_;
}

std::optional<int> VEMDocConverter::Run(const std::vector<std::string>& arguments,
                                        const std::filesystem::path& stdoutPath, std::string& why) {
    // Everything the child needs is made before the fork: between fork and exec only calls
    // that are safe in a copy of a threaded program run.
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int output = stdoutPath.empty()
                           ? ::open("/dev/null", O_WRONLY | O_CLOEXEC)
                           : ::open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (output < 0 || input < 0) {
        why = "cannot create " + stdoutPath.string() + ": " + std::strerror(errno);
        if (output >= 0) ::close(output);
        if (input >= 0) ::close(input);
        return std::nullopt;
    }
    const rlimit fileLimit{rlim_t(maxOutputBytes), rlim_t(maxOutputBytes)};
    const pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        ::setrlimit(RLIMIT_FSIZE, &fileLimit);
        ::signal(SIGXFSZ, SIG_DFL);
        ::dup2(input, STDIN_FILENO);
        ::dup2(output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        if (!stdoutPath.empty()) {
            const int quiet = ::open("/dev/null", O_WRONLY);
            if (quiet >= 0) ::dup2(quiet, STDERR_FILENO);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(output);
    ::close(input);
    if (child < 0) {
        why = std::string("cannot start ") + arguments[0] + ": " + std::strerror(errno);
        return std::nullopt;
    }
    running_ = child;
    // The child's own group, so that a word processor's helpers go with it.
    ::setpgid(child, child);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (done < 0 && errno != EINTR) {
            why = std::string("lost ") + arguments[0] + ": " + std::strerror(errno);
            running_ = -1;
            return std::nullopt;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(-child, SIGKILL);
            ::kill(child, SIGKILL);
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            running_ = -1;
            why = arguments[0] + " did not finish in " +
                  std::to_string(std::chrono::duration_cast<std::chrono::seconds>(timeout).count()) + " s";
            return std::nullopt;
        }
        std::this_thread::sleep_for(kWaitStep);
    }
    running_ = -1;
    if (WIFSIGNALED(status)) {
        why = arguments[0] + (WTERMSIG(status) == SIGXFSZ
                                  ? " wrote more text than a book may hold"
                                  : " ended on signal " + std::to_string(WTERMSIG(status)));
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}

Verdict VEMDocConverter::ConvertWordDocument(const std::filesystem::path& document,
                                             const std::filesystem::path& textPath) {
    if (processor_.kind == WordProcessor::None)
        return Verdict::Bad(VerdictKind::Unsupported, "word processor",
                            "no word processor is installed (LibreOffice or catdoc)");
    const std::filesystem::path folder = PrivateFolder();
    if (folder.empty()) return Failure("cannot create a work folder in " + workFolder_.string());
    std::error_code error;
    // An absolute path cannot be taken for an option, whatever the document is called.
    const std::filesystem::path source = std::filesystem::absolute(document, error);
    const std::filesystem::path outFolder = folder / "out";
    std::filesystem::remove_all(outFolder, error);
    std::filesystem::create_directories(outFolder, error);

    std::string why;
    std::filesystem::path converted;
    std::optional<int> status;
    if (processor_.kind == WordProcessor::LibreOffice) {
        const std::string profile = FileUrl(folder / "profile");
        status = Run({processor_.program.string(), "-env:UserInstallation=" + profile, "--headless",
                      "--invisible", "--norestore", "--nolockcheck", "--convert-to",
                      "txt:Text (encoded):UTF8", "--outdir", outFolder.string(), source.string()},
                     {}, why);
        converted = outFolder / (source.stem().string() + ".txt");
    } else {
        converted = outFolder / "text.txt";
        status = Run({processor_.program.string(), "-w", "-d", "utf-8", source.string()}, converted, why);
    }
    std::string text;
    const bool read = status && *status == 0 && ReadWholeFile(converted, maxOutputBytes, text);
    std::filesystem::remove_all(outFolder, error);
    // catdoc keeps nothing between documents; LibreOffice's profile is kept for the batch.
    if (processor_.kind != WordProcessor::LibreOffice) {
        std::filesystem::remove_all(privateFolder_, error);
        privateFolder_.clear();
    }
    if (!status) return Failure(why);
    if (*status != 0)
        return Failure(processor_.program.filename().string() + " cannot read the document (exit status " +
                       std::to_string(*status) + ")");
    if (!read) return Failure(processor_.program.filename().string() + " wrote no text");
    if (!WriteUtf16LeText(textPath, text)) return Failure("cannot write " + textPath.string());
    return Verdict::Good();
}

void VEMDocConverter::ReleaseWordProcessor() {
    if (running_ > 0) {
        ::kill(-running_, SIGKILL);
        ::kill(running_, SIGKILL);
        int status = 0;
        while (::waitpid(running_, &status, 0) < 0 && errno == EINTR) {
        }
        running_ = -1;
    }
    if (!privateFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(privateFolder_, ignored);
        privateFolder_.clear();
    }
}

}  // namespace corvalin
