#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace corvalin {

// The one way untrusted bytes are read: a view over bytes with a position. Every read checks
// what is left first (comparing lengths, never forming a pointer past the end); a read that
// does not fit returns zero or an empty span, leaves the position where it was and clears
// `Ok()` for good, so a decoder can read a whole header and test once at the end.
// The reader owns nothing: the bytes must outlive it.
class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    ByteReader(const void* data, size_t byteLength)
        : bytes_(static_cast<const uint8_t*>(data), data ? byteLength : 0) {}

    bool Ok() const { return ok_; }
    // Marks the input as bad from the decoder's side (a field out of its range).
    void Fail() { ok_ = false; }

    size_t Position() const { return position_; }
    size_t Size() const { return bytes_.size(); }
    size_t Remaining() const { return bytes_.size() - position_; }
    bool AtEnd() const { return position_ == bytes_.size(); }
    bool CanRead(size_t byteLength) const { return byteLength <= Remaining(); }

    // Moves to `position` (at most the size); a position past the end fails.
    bool Seek(size_t position);
    bool Skip(size_t byteLength);

    uint8_t U8();
    uint16_t U16LE();
    uint32_t U32LE();
    uint64_t U64LE();
    uint16_t U16BE();
    uint32_t U32BE();
    int32_t I32LE() { return static_cast<int32_t>(U32LE()); }
    int32_t I32BE() { return static_cast<int32_t>(U32BE()); }

    // The next byte without moving; -1 at the end (not a failure).
    int Peek() const { return AtEnd() ? -1 : bytes_[position_]; }
    // The next `byteLength` bytes, or an empty span and a failure when fewer are left.
    std::span<const uint8_t> Take(size_t byteLength);
    // Like Take, as characters (names, signatures).
    std::string_view TakeChars(size_t byteLength);
    // A reader over the next `byteLength` bytes, which this one passes over; an empty, failed
    // reader when fewer are left.
    ByteReader Sub(size_t byteLength);
    // What is left, without moving.
    std::span<const uint8_t> Rest() const { return bytes_.subspan(position_); }
    std::span<const uint8_t> Bytes() const { return bytes_; }

private:
    template <typename T, bool kBigEndian>
    T ReadNumber();

    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
    bool ok_ = true;
};

// Little-endian values in a fixed-size buffer that is known to hold them (the caller checked
// the size), for writers and for records whose length was already taken through a reader.
inline uint16_t LoadU16LE(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t LoadU32LE(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline void StoreU16LE(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}
inline void StoreU32LE(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace corvalin
