#include "base/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace corvalin {

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      byteLength_(std::exchange(other.byteLength_, 0)),
      open_(std::exchange(other.open_, false)),
      error_(std::move(other.error_)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        Close();
        data_ = std::exchange(other.data_, nullptr);
        byteLength_ = std::exchange(other.byteLength_, 0);
        open_ = std::exchange(other.open_, false);
        error_ = std::move(other.error_);
    }
    return *this;
}

MappedFile::~MappedFile() { Close(); }

bool MappedFile::Open(const std::filesystem::path& path) {
    Close();
    error_.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error_ = std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error_ = S_ISDIR(info.st_mode) ? "is a folder" : "is not a regular file";
        ::close(fd);
        return false;
    }
    byteLength_ = static_cast<size_t>(info.st_size);
    if (byteLength_ > 0) {
        void* mapped = ::mmap(nullptr, byteLength_, PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapped == MAP_FAILED) {
            error_ = std::strerror(errno);
            byteLength_ = 0;
            ::close(fd);
            return false;
        }
        data_ = static_cast<const uint8_t*>(mapped);
    }
    ::close(fd);
    open_ = true;
    return true;
}

void MappedFile::Close() {
    if (data_) ::munmap(const_cast<uint8_t*>(data_), byteLength_);
    data_ = nullptr;
    byteLength_ = 0;
    open_ = false;
}

}  // namespace corvalin
