#include "store/DurableFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "store/VEMFile.h"
#include "store/FileError.h"

namespace corvalin {
namespace {

// One cluster as large as a typical write, so the bytes go out in few system calls.
constexpr int kWriteClusterShift = 16;
constexpr int kWriteClusters = 1;

}  // namespace

std::string SystemError(const std::string& action, const std::filesystem::path& path, int error) {
    return action + " " + path.string() + ": " + std::strerror(error);
}

bool SyncHandle(int handle) {
    int result;
    do {
        result = ::fsync(handle);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

void SyncFolder(const std::filesystem::path& folder) {
    const int handle = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0) return;
    SyncHandle(handle);
    ::close(handle);
}

std::string WriteFileReplacing(const std::filesystem::path& path, const std::string& bytes,
                               const char* partialSuffix) {
    std::filesystem::path partial = path;
    partial += partialSuffix;
    const int handle = OpenFileHandle(partial, FileMode::Create);
    if (handle < 0) return SystemError("cannot create", partial, errno);
    // VEMFile owns and closes `handle`; the duplicate outlives it for the sync.
    const int syncHandle = ::fcntl(handle, F_DUPFD_CLOEXEC, 0);
    auto discard = [&](const std::string& message) {
        if (syncHandle >= 0) ::close(syncHandle);
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return message;
    };
    if (syncHandle < 0) {
        ::close(handle);
        return discard(SystemError("cannot write", partial, errno));
    }
    try {
        VEMFile file;
        file.Open(handle, kWriteClusterShift, kWriteClusters);
        file.Write(bytes.data(), int64_t(bytes.size()), 0);
        file.Close();
    } catch (const FileError& error) {
        return discard(std::string("cannot write ") + partial.string() + ": " + error.what());
    }
    if (!SyncHandle(syncHandle)) return discard(SystemError("cannot sync", partial, errno));
    ::close(syncHandle);
    if (::rename(partial.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return SystemError("cannot replace", path, error);
    }
    SyncFolder(path.parent_path());
    return {};
}

}  // namespace corvalin
