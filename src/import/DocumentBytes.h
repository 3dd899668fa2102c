#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace corvalin {

// The bytes of a whole document, either held in memory or mapped read-only from its file.
// Mapping spares a copy of a large text and the zeroing of a buffer it would be read into.
class DocumentBytes {
public:
    DocumentBytes() = default;
    DocumentBytes(std::vector<uint8_t> bytes) : owned_(std::move(bytes)) {}  // NOLINT: implicit on purpose
    ~DocumentBytes();
    DocumentBytes(DocumentBytes&& other) noexcept;
    DocumentBytes& operator=(DocumentBytes&& other) noexcept;
    DocumentBytes(const DocumentBytes&) = delete;
    DocumentBytes& operator=(const DocumentBytes&) = delete;

    // Throws FileError when the file cannot be opened or read.
    static DocumentBytes FromFile(const std::filesystem::path& path);

    const uint8_t* data() const { return mapped_ ? mapped_ : owned_.data(); }
    size_t size() const { return mapped_ ? mappedSize_ : owned_.size(); }

private:
    void Release();
    std::vector<uint8_t> owned_;
    const uint8_t* mapped_ = nullptr;
    size_t mappedSize_ = 0;
};

}  // namespace corvalin
