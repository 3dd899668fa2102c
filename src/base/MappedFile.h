#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace corvalin {

// A whole file mapped read-only, for decoders that read it through a ByteReader. Mapping a
// file another program shortens while it is mapped can fault; the importers map only files
// the reader chose and nobody else writes.
class MappedFile {
public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    ~MappedFile();

    // False with `Error()` set when the file cannot be opened, is not a regular file, or
    // cannot be mapped. An empty file maps to an empty span.
    bool Open(const std::filesystem::path& path);
    void Close();

    bool IsOpen() const { return open_; }
    std::span<const uint8_t> Bytes() const { return {data_, byteLength_}; }
    const std::string& Error() const { return error_; }

private:
    const uint8_t* data_ = nullptr;
    size_t byteLength_ = 0;
    bool open_ = false;
    std::string error_;
};

}  // namespace corvalin
