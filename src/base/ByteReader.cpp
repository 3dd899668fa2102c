#include "base/ByteReader.h"

namespace corvalin {

bool ByteReader::Seek(size_t position) {
    if (position > bytes_.size()) {
        ok_ = false;
        return false;
    }
    position_ = position;
    return true;
}

bool ByteReader::Skip(size_t byteLength) {
    if (!CanRead(byteLength)) {
        ok_ = false;
        return false;
    }
    position_ += byteLength;
    return true;
}

template <typename T, bool kBigEndian>
T ByteReader::ReadNumber() {
    if (!CanRead(sizeof(T))) {
        ok_ = false;
        return 0;
    }
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) {
        const T byte = bytes_[position_ + (kBigEndian ? i : sizeof(T) - 1 - i)];
        value = static_cast<T>(value << 8 | byte);
    }
    position_ += sizeof(T);
    return value;
}

uint8_t ByteReader::U8() { return ReadNumber<uint8_t, false>(); }
uint16_t ByteReader::U16LE() { return ReadNumber<uint16_t, false>(); }
uint32_t ByteReader::U32LE() { return ReadNumber<uint32_t, false>(); }
uint64_t ByteReader::U64LE() { return ReadNumber<uint64_t, false>(); }
uint16_t ByteReader::U16BE() { return ReadNumber<uint16_t, true>(); }
uint32_t ByteReader::U32BE() { return ReadNumber<uint32_t, true>(); }

std::span<const uint8_t> ByteReader::Take(size_t byteLength) {
    if (!CanRead(byteLength)) {
        ok_ = false;
        return {};
    }
    const std::span<const uint8_t> taken = bytes_.subspan(position_, byteLength);
    position_ += byteLength;
    return taken;
}

std::string_view ByteReader::TakeChars(size_t byteLength) {
    const std::span<const uint8_t> taken = Take(byteLength);
    return {reinterpret_cast<const char*>(taken.data()), taken.size()};
}

ByteReader ByteReader::Sub(size_t byteLength) {
    if (!CanRead(byteLength)) {
        ok_ = false;
        ByteReader failed;
        failed.ok_ = false;
        return failed;
    }
    return ByteReader(Take(byteLength));
}

}  // namespace corvalin
