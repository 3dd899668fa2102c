#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <random>

#include "books/BookText.h"
#include "import/UnicodeSources.h"

namespace corvalin::test {

std::vector<std::string> FileNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

CommandRun RunCommand(const std::string& command) {
    CommandRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TempDir::TempDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("corvalin-test-" + std::to_string(random()) + "-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) { return ReadWholeFile(path); }

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::filesystem::path BuildBookFromUtf8(const TempDir& dir, const std::string& text, bool everyLineParagraph,
                                        const std::string& name) {
    auto source = MakeUnicodeSource(std::vector<uint8_t>(text.begin(), text.end()), UnicodeForm::Utf8);
    const std::filesystem::path bookPath = dir / name;
    BuildBookOptions options;
    options.everyLineParagraph = everyLineParagraph;
    BuildBook(*source, bookPath, int64_t(text.size()), u"source.txt", options);
    return bookPath;
}

OpenedBook::OpenedBook(const std::filesystem::path& bookPath) : path(bookPath) {
    file.Open(OpenFileHandle(bookPath, FileMode::ReadWrite), 20, 5);
    header = ReadBookHeader(file);
    if (CheckBookStructure(header, file.Length()) == VerdictKind::Ok) {
        paragraphs = ReadParagraphTable(file, header);
        lines = ReadLineTable(file, header);
    }
}

std::string OpenedBook::Items(int64_t start, int64_t end) {
    std::string out;
    TextItem item;
    while (NextTextItem(file, start, end, item)) {
        switch (item.kind) {
            case TextItem::Kind::Word:
                out += Utf16ToUtf8(item.word) + " ";
                break;
            case TextItem::Kind::Space:
                out += "<" + std::to_string(item.columns) + "> ";
                break;
            case TextItem::Kind::LineEnd:
                out += "| ";
                break;
        }
    }
    if (!out.empty()) out.pop_back();
    return out;
}

FileSizeLimit::FileSizeLimit(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &lowered);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
}

}  // namespace corvalin::test
