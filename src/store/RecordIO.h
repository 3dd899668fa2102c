#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvalin {

// Byte sinks and sources for the record store's encoding. A writer appends `count` bytes.
// A reader fills `destination` with the next `count` bytes; with a null destination it reads
// nothing and only checks that `count` more bytes are available. Both report failure by
// throwing FileError.
struct RecordWriter {
    void (*write)(void* context, const uint8_t* bytes, uint32_t count);
    void* context;
};

struct RecordReader {
    void (*read)(void* context, uint8_t* destination, uint32_t count);
    void* context;
};

// Encodes into a growing string; used for in-memory stores (tests, settings, fuzzing).
class StringRecordWriter {
public:
    RecordWriter writer() { return {&Append, this}; }
    const std::string& bytes() const { return bytes_; }

private:
    static void Append(void* context, const uint8_t* bytes, uint32_t count);
    std::string bytes_;
};

// Decodes from a borrowed byte range; running past its end throws FileError.
class MemoryRecordReader {
public:
    MemoryRecordReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    RecordReader reader() { return {&Take, this}; }
    size_t position() const { return position_; }

private:
    static void Take(void* context, uint8_t* destination, uint32_t count);
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

}  // namespace corvalin
