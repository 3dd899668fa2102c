#include "archive/LzhDecoder.h"

#include <algorithm>
#include <array>
#include <vector>

namespace corvalin {
namespace {

// Common part of the level 0, 1 and 2 headers, offsets from the header's first byte:
//
//   0   size (level 0/1: bytes after the first two; level 2: 16-bit size of the whole header)
//   1   checksum (level 0/1: low byte of the sum of the header bytes after the first two)
//   2   method, 5 characters ("-lh4-")
//   7   compressed size, 32 bits (level 1: extended headers included)
//   11  original size, 32 bits
//   15  time stamp, 32 bits
//   19  attribute
//   20  header level
//   level 0/1: 21 name length L, 22 name, 22+L CRC-16 of the data
//              level 1 then: OS id, and in the last two bytes the size of the first extended header
//   level 2:   21 CRC-16 of the data, 23 OS id, 24 size of the first extended header
constexpr size_t kMethodOffset = 2;
constexpr size_t kMethodLength = 5;
constexpr size_t kLevelOffset = 20;
constexpr size_t kLevel01NameLengthOffset = 21;
constexpr size_t kLevel2HeaderBytes = 26;
// An archiver writes a handful of extended headers; a chain longer than this is damage.
constexpr int kMaxExtendedHeaders = 1024;

Verdict Bad(VerdictKind kind, const char* field, const std::string& what) {
    return Verdict::Bad(kind, field, "LZH " + what);
}

std::optional<LzhMemberData> ParseLevel01(std::span<const uint8_t> file, uint64_t at) {
    ByteReader reader(file);
    if (!reader.Seek(at)) return std::nullopt;
    const uint8_t headerBytes = reader.U8();
    const uint8_t checksum = reader.U8();
    ByteReader header = reader.Sub(headerBytes);
    if (!reader.Ok() || headerBytes < kLevel01NameLengthOffset) return std::nullopt;
    unsigned sum = 0;
    for (uint8_t b : header.Bytes()) sum += b;
    if ((sum & 0xFF) != checksum) return std::nullopt;

    LzhMemberData data;
    data.method = std::string(header.TakeChars(kMethodLength));
    const uint32_t packed = header.U32LE();
    data.originalSize = header.U32LE();
    header.Skip(5);  // time stamp, attribute
    data.headerLevel = header.U8();
    const uint8_t nameLength = header.U8();
    header.Skip(nameLength);
    data.crc16 = header.U16LE();
    if (!header.Ok() || data.headerLevel > 1) return std::nullopt;
    if (data.headerLevel == 0) {
        data.dataOffset = reader.Position();
        data.compressedSize = packed;
        return data;
    }
    // Level 1: the extended headers sit between this header and the data and are counted in
    // the compressed size.
    if (headerBytes < 2) return std::nullopt;
    uint16_t extendedBytes = LoadU16LE(header.Bytes().data() + headerBytes - 2);
    uint64_t extendedTotal = 0;
    for (int count = 0; extendedBytes != 0; ++count) {
        if (count == kMaxExtendedHeaders || extendedBytes < 3) return std::nullopt;
        const std::span<const uint8_t> extended = reader.Take(extendedBytes);
        if (!reader.Ok()) return std::nullopt;
        extendedTotal += extendedBytes;
        extendedBytes = LoadU16LE(extended.data() + extended.size() - 2);
    }
    if (extendedTotal > packed) return std::nullopt;
    data.dataOffset = reader.Position();
    data.compressedSize = packed - extendedTotal;
    return data;
}

std::optional<LzhMemberData> ParseLevel2(std::span<const uint8_t> file, uint64_t at) {
    ByteReader reader(file);
    if (!reader.Seek(at)) return std::nullopt;
    const uint16_t totalBytes = reader.U16LE();
    if (totalBytes < kLevel2HeaderBytes) return std::nullopt;
    if (!reader.Seek(at)) return std::nullopt;
    ByteReader header = reader.Sub(totalBytes);
    if (!reader.Ok()) return std::nullopt;
    header.Skip(kMethodOffset);
    LzhMemberData data;
    data.method = std::string(header.TakeChars(kMethodLength));
    data.compressedSize = header.U32LE();
    data.originalSize = header.U32LE();
    header.Skip(5);
    data.headerLevel = header.U8();
    data.crc16 = header.U16LE();
    header.Skip(1);  // OS id
    // The extended headers must chain inside the header's declared size.
    uint16_t extendedBytes = header.U16LE();
    for (int count = 0; extendedBytes != 0 && header.Ok(); ++count) {
        if (count == kMaxExtendedHeaders || extendedBytes < 3) return std::nullopt;
        const std::span<const uint8_t> extended = header.Take(extendedBytes);
        if (!header.Ok()) return std::nullopt;
        extendedBytes = LoadU16LE(extended.data() + extended.size() - 2);
    }
    if (!header.Ok() || data.headerLevel != 2) return std::nullopt;
    data.dataOffset = at + totalBytes;
    return data;
}

// Bits are read from the most significant end of each byte. Past the end of the data the
// reader supplies zero bits, as a decoder peeks ahead of what it uses; whether more bits were
// used than exist is checked once the member is decoded.
class BitInput {
public:
    explicit BitInput(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    uint32_t Peek(int count) {
        while (available_ < count) {
            const uint32_t next = position_ < bytes_.size() ? bytes_[position_] : 0;
            ++position_;
            buffer_ = buffer_ << 8 | next;
            available_ += 8;
        }
        return (buffer_ >> (available_ - count)) & ((uint32_t{1} << count) - 1);
    }
    void Drop(int count) {
        available_ -= count;
        used_ += uint64_t(count);
    }
    uint32_t Get(int count) {
        if (count == 0) return 0;
        const uint32_t value = Peek(count);
        Drop(count);
        return value;
    }
    bool Overrun() const { return used_ > uint64_t(bytes_.size()) * 8; }

private:
    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
    uint64_t buffer_ = 0;
    int available_ = 0;
    uint64_t used_ = 0;
};

// A canonical Huffman code given by its code lengths: shorter codes first, within a length in
// symbol order. A set of one symbol is sent as that symbol with no bits at all.
class HuffmanCode {
public:
    static constexpr int kMaxBits = 16;

    bool Build(std::span<const uint8_t> lengths) {
        single_ = -1;
        counts_.fill(0);
        for (uint8_t length : lengths) {
            if (length > kMaxBits) return false;
            ++counts_[length];
        }
        counts_[0] = 0;
        // An over-subscribed set has no code at all; an incomplete one fails where it is used.
        int32_t left = 1;
        for (int bits = 1; bits <= kMaxBits; ++bits) {
            left = left * 2 - counts_[bits];
            if (left < 0) return false;
        }
        std::array<uint16_t, kMaxBits + 2> offsets{};
        for (int bits = 1; bits <= kMaxBits; ++bits) offsets[bits + 1] = offsets[bits] + counts_[bits];
        symbols_.assign(lengths.size(), 0);
        for (size_t symbol = 0; symbol < lengths.size(); ++symbol)
            if (lengths[symbol] != 0) symbols_[offsets[lengths[symbol]]++] = uint16_t(symbol);
        return true;
    }
    void SetSingle(uint16_t symbol) { single_ = symbol; }

    // The next symbol, or -1 when the bits are no code of this set.
    int Decode(BitInput& bits) const {
        if (single_ >= 0) return single_;
        int32_t code = 0, first = 0, index = 0;
        for (int length = 1; length <= kMaxBits; ++length) {
            code |= int32_t(bits.Get(1));
            const int32_t count = counts_[length];
            if (code - first < count) return symbols_[size_t(index + code - first)];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }

private:
    std::array<uint16_t, kMaxBits + 1> counts_{};
    std::vector<uint16_t> symbols_;
    int single_ = -1;
};

// Alphabets of the static-Huffman methods: literals and match lengths (256 + 256 - 3 + 1),
// the code-length code, and the match positions (one per bit of the largest distance).
constexpr int kThreshold = 3;
constexpr int kCharCodes = 256 + 256 - kThreshold + 1;  // 510
constexpr int kCharCountBits = 9;
constexpr int kLengthCodes = 16 + 3;  // 19
constexpr int kLengthCountBits = 5;
constexpr size_t kOutputChunk = 64 * 1024;

class StaticDecoder {
public:
    StaticDecoder(std::span<const uint8_t> compressed, int dictionaryBits)
        : bits_(compressed),
          windowMask_((size_t{1} << dictionaryBits) - 1),
          positionCodes_(dictionaryBits <= 13 ? 14 : dictionaryBits + 1),
          positionCountBits_(dictionaryBits <= 13 ? 4 : 5),
          // Data that reaches back before the start reads spaces, as the archivers' own
          // decoders set up their window.
          window_(size_t{1} << dictionaryBits, ' ') {}

    Verdict Run(uint64_t outputByteLength, const std::function<bool(std::span<const uint8_t>)>& sink) {
        out_.reserve(kOutputChunk);
        uint64_t produced = 0;
        uint32_t blockLeft = 0;
        while (produced < outputByteLength) {
            if (blockLeft == 0) {
                // A block of 0 symbols stands for 65536.
                blockLeft = bits_.Get(16);
                if (blockLeft == 0) blockLeft = 65536;
                if (Verdict v = ReadTables(); !v) return v;
            }
            --blockLeft;
            const int symbol = charCode_.Decode(bits_);
            if (symbol < 0) return Bad(VerdictKind::Damaged, "literal code", "member data: bad literal code");
            if (symbol < 256) {
                Put(uint8_t(symbol));
                ++produced;
            } else {
                const int position = positionCode_.Decode(bits_);
                if (position < 0)
                    return Bad(VerdictKind::Damaged, "position code", "member data: bad position code");
                const uint32_t back =
                    position == 0 ? 0 : (uint32_t{1} << (position - 1)) + bits_.Get(position - 1);
                if (back > windowMask_)
                    return Bad(VerdictKind::Damaged, "position code",
                               "member data: match reaches past the window");
                const uint64_t length =
                    std::min<uint64_t>(uint64_t(symbol - 256 + kThreshold), outputByteLength - produced);
                size_t from = (written_ - back - 1) & windowMask_;
                for (uint64_t i = 0; i < length; ++i) {
                    Put(window_[from]);
                    from = (from + 1) & windowMask_;
                }
                produced += length;
            }
            if (bits_.Overrun()) return Bad(VerdictKind::Truncated, "member data", "member data cut short");
            if (out_.size() >= kOutputChunk && !Flush(sink))
                return Bad(VerdictKind::Damaged, "output", "member output refused");
        }
        if (!Flush(sink)) return Bad(VerdictKind::Damaged, "output", "member output refused");
        return Verdict::Good();
    }

private:
    void Put(uint8_t byte) {
        window_[written_ & windowMask_] = byte;
        ++written_;
        out_.push_back(byte);
    }
    bool Flush(const std::function<bool(std::span<const uint8_t>)>& sink) {
        const bool ok = out_.empty() || sink(out_);
        out_.clear();
        return ok;
    }

    // Lengths of a small code (the code-length code or the position code). Lengths up to 6 take
    // 3 bits; 7 and more are 7 followed by one 1 bit per step above 7 and a closing 0. After the
    // symbol `zeroRunAfter` a 2-bit count of further zero lengths may follow.
    Verdict ReadSmallLengths(HuffmanCode& code, int symbolCount, int countBits, int zeroRunAfter) {
        const uint32_t count = bits_.Get(countBits);
        if (count == 0) {
            const uint32_t symbol = bits_.Get(countBits);
            if (symbol >= uint32_t(symbolCount))
                return Bad(VerdictKind::Damaged, "code lengths", "member data: bad single code");
            code.SetSingle(uint16_t(symbol));
            return Verdict::Good();
        }
        if (count > uint32_t(symbolCount))
            return Bad(VerdictKind::Damaged, "code lengths", "member data: too many code lengths");
        std::array<uint8_t, 32> lengths{};
        uint32_t i = 0;
        while (i < count) {
            uint32_t length = bits_.Get(3);
            if (length == 7) {
                while (bits_.Get(1) == 1) {
                    if (++length > HuffmanCode::kMaxBits)
                        return Bad(VerdictKind::Damaged, "code lengths", "member data: code length over 16");
                }
            }
            lengths[i++] = uint8_t(length);
            if (int(i) == zeroRunAfter) {
                const uint32_t zeros = bits_.Get(2);
                if (i + zeros > uint32_t(symbolCount))
                    return Bad(VerdictKind::Damaged, "code lengths", "member data: zero run past the table");
                i += zeros;
            }
        }
        if (!code.Build(std::span<const uint8_t>(lengths.data(), size_t(symbolCount))))
            return Bad(VerdictKind::Damaged, "code lengths", "member data: over-subscribed code");
        return Verdict::Good();
    }

    Verdict ReadCharLengths() {
        const uint32_t count = bits_.Get(kCharCountBits);
        if (count == 0) {
            const uint32_t symbol = bits_.Get(kCharCountBits);
            if (symbol >= uint32_t(kCharCodes))
                return Bad(VerdictKind::Damaged, "code lengths", "member data: bad single literal");
            charCode_.SetSingle(uint16_t(symbol));
            return Verdict::Good();
        }
        if (count > uint32_t(kCharCodes))
            return Bad(VerdictKind::Damaged, "code lengths", "member data: too many literal lengths");
        std::array<uint8_t, kCharCodes> lengths{};
        uint32_t i = 0;
        while (i < count) {
            const int symbol = lengthCode_.Decode(bits_);
            if (symbol < 0) return Bad(VerdictKind::Damaged, "code lengths", "member data: bad length code");
            if (symbol > 2) {
                lengths[i++] = uint8_t(symbol - 2);
                continue;
            }
            // 0, 1 and 2 are runs of zero lengths: one, 3 to 18, 20 to 531.
            const uint32_t zeros = symbol == 0   ? 1
                                   : symbol == 1 ? bits_.Get(4) + 3
                                                 : bits_.Get(kCharCountBits) + 20;
            if (i + zeros > uint32_t(kCharCodes))
                return Bad(VerdictKind::Damaged, "code lengths", "member data: zero run past the table");
            i += zeros;
        }
        charCode_ = HuffmanCode();
        if (!charCode_.Build(lengths))
            return Bad(VerdictKind::Damaged, "code lengths", "member data: over-subscribed literal code");
        return Verdict::Good();
    }

    Verdict ReadTables() {
        lengthCode_ = HuffmanCode();
        positionCode_ = HuffmanCode();
        charCode_ = HuffmanCode();
        if (Verdict v = ReadSmallLengths(lengthCode_, kLengthCodes, kLengthCountBits, 3); !v) return v;
        if (Verdict v = ReadCharLengths(); !v) return v;
        return ReadSmallLengths(positionCode_, positionCodes_, positionCountBits_, -1);
    }

    BitInput bits_;
    size_t windowMask_;
    int positionCodes_;
    int positionCountBits_;
    std::vector<uint8_t> window_;
    uint64_t written_ = 0;
    std::vector<uint8_t> out_;
    HuffmanCode lengthCode_, charCode_, positionCode_;
};

}  // namespace

std::optional<LzhMemberData> LocateLzhMember(std::span<const uint8_t> file, uint64_t from,
                                             std::string_view method) {
    if (from >= file.size() || method.size() != kMethodLength) return std::nullopt;
    const uint64_t end = std::min<uint64_t>(file.size(), from + kLzhHeaderSearchBytes);
    for (uint64_t at = from; at < end; ++at) {
        if (file.size() - at < kLevel2HeaderBytes) break;
        if (std::string_view(reinterpret_cast<const char*>(file.data() + at + kMethodOffset),
                             kMethodLength) != method)
            continue;
        const uint8_t level = file[at + kLevelOffset];
        std::optional<LzhMemberData> data = level <= 1   ? ParseLevel01(file, at)
                                            : level == 2 ? ParseLevel2(file, at)
                                                         : std::nullopt;
        if (!data) continue;
        if (data->dataOffset > file.size() || data->compressedSize > file.size() - data->dataOffset)
            return std::nullopt;
        return data;
    }
    return std::nullopt;
}

std::optional<int> LzhDictionaryBits(std::string_view method) {
    if (method == "-lh4-") return 12;
    if (method == "-lh5-") return 13;
    if (method == "-lh6-") return 15;
    if (method == "-lh7-") return 16;
    return std::nullopt;
}

Verdict DecodeLzhStatic(std::span<const uint8_t> compressed, int dictionaryBits, uint64_t outputByteLength,
                        const std::function<bool(std::span<const uint8_t>)>& sink) {
    if (dictionaryBits < 12 || dictionaryBits > 16)
        return Bad(VerdictKind::Unsupported, "method", "method with an unknown window");
    StaticDecoder decoder(compressed, dictionaryBits);
    return decoder.Run(outputByteLength, sink);
}

uint16_t LzhCrc16(uint16_t crc, std::span<const uint8_t> bytes) {
    static const std::array<uint16_t, 256> kTable = [] {
        std::array<uint16_t, 256> table{};
        for (unsigned i = 0; i < 256; ++i) {
            unsigned value = i;
            for (int k = 0; k < 8; ++k) value = value & 1 ? (value >> 1) ^ 0xA001 : value >> 1;
            table[i] = uint16_t(value);
        }
        return table;
    }();
    for (uint8_t b : bytes) crc = uint16_t((crc >> 8) ^ kTable[(crc ^ b) & 0xFF]);
    return crc;
}

}  // namespace corvalin
