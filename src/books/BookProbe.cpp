#include "books/BookProbe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "base/ByteReader.h"
#include "books/BookFormat.h"
#include "books/StoreRewrite.h"
#include "store/FileError.h"

namespace corvalin {
namespace {

constexpr int kProbeClusterShift = 16;
constexpr int kProbeClusters = 2;

}  // namespace

FileToOpen CheckFileToOpen(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileToOpen::Missing : FileToOpen::Unreadable;
    if (S_ISDIR(info.st_mode)) return FileToOpen::Folder;
    if (!S_ISREG(info.st_mode)) return FileToOpen::Unreadable;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return FileToOpen::Unreadable;
    std::array<uint8_t, kBookSignatureSize> head{};
    const ssize_t got = ::read(fd, head.data(), head.size());
    ::close(fd);
    if (got < 0) return FileToOpen::Unreadable;
    if (got == 0) return FileToOpen::Empty;
    ByteReader reader(head.data(), size_t(got));
    const std::string_view signature = reader.TakeChars(kBookSignatureSize);
    return signature == std::string_view(kBookSignature, kBookSignatureSize) ? FileToOpen::Book
                                                                             : FileToOpen::Document;
}

BookProbe ProbeBook(const std::filesystem::path& path) {
    RecoverStoreRewrite(path);
    BookProbe probe;
    const int handle = OpenFileHandle(path, FileMode::Read);
    if (handle < 0) {
        probe.check = NotABook("file", std::strerror(errno));
        return probe;
    }
    VEMFile file;
    file.Open(handle, kProbeClusterShift, kProbeClusters);
    try {
        if (file.Length() < kBookHeaderSize) {
            probe.check = NotABook("header", "the file is shorter than a book's header");
            return probe;
        }
        const BookHeader header = ReadBookHeader(file);
        probe.check = CheckBook(file, header);
        if (probe.check.Ok()) probe.textSpan = int64_t(header.textEnd) - header.textStart;
    } catch (const FileError& error) {
        probe.check = DamagedBook("file", error.what());
    }
    return probe;
}

}  // namespace corvalin
