#include "import/DocumentBytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "import/UnicodeSources.h"
#include "store/FileError.h"

namespace corvalin {

DocumentBytes::~DocumentBytes() { Release(); }

DocumentBytes::DocumentBytes(DocumentBytes&& other) noexcept
    : owned_(std::move(other.owned_)), mapped_(other.mapped_), mappedSize_(other.mappedSize_) {
    other.mapped_ = nullptr;
    other.mappedSize_ = 0;
}

DocumentBytes& DocumentBytes::operator=(DocumentBytes&& other) noexcept {
    if (this != &other) {
        Release();
        owned_ = std::move(other.owned_);
        mapped_ = other.mapped_;
        mappedSize_ = other.mappedSize_;
        other.mapped_ = nullptr;
        other.mappedSize_ = 0;
    }
    return *this;
}

void DocumentBytes::Release() {
    if (mapped_) munmap(const_cast<uint8_t*>(mapped_), mappedSize_);
    mapped_ = nullptr;
    mappedSize_ = 0;
}

DocumentBytes DocumentBytes::FromFile(const std::filesystem::path& path) {
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle < 0) throw FileError("cannot open " + path.string());
    struct stat status {};
    DocumentBytes bytes;
    if (fstat(handle, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(handle);
        throw FileError(path.string() + " is a folder, not a file");
    }
    if (S_ISREG(status.st_mode) && status.st_size > 0) {
        void* map = mmap(nullptr, size_t(status.st_size), PROT_READ, MAP_PRIVATE, handle, 0);
        if (map != MAP_FAILED) {
            bytes.mapped_ = static_cast<const uint8_t*>(map);
            bytes.mappedSize_ = size_t(status.st_size);
        }
    }
    ::close(handle);
    // Empty files, pipes and file systems that cannot map are read the plain way.
    if (!bytes.mapped_) bytes.owned_ = ReadWholeFile(path);
    return bytes;
}

}  // namespace corvalin
