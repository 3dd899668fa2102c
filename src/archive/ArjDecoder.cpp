#include "archive/ArjDecoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "archive/ArjBitReader.h"
#include "archive/ArjHuffman.h"

namespace corvalin {
namespace {

// Literals and match lengths share one alphabet: symbols 0..255 are bytes, 256 + k is a match
// of k + 3 bytes, up to 256.
constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 256;
constexpr unsigned kLiteralSymbols = 256 + kMaxMatch - kMinMatch + 1;  // 510
// Distance classes 0..16: class c > 0 carries c - 1 more bits, so distances reach 65536.
constexpr unsigned kPositionSymbols = 17;
// Code lengths are themselves coded: 0..2 are runs of unused symbols, 3 + k is length k + 1.
constexpr unsigned kLengthSymbols = 19;
constexpr unsigned kLiteralCountBits = 9;
constexpr unsigned kPositionCountBits = 5;
constexpr unsigned kLengthCountBits = 5;
// The length-code table carries a 2-bit run of unused symbols after its third entry.
constexpr unsigned kLengthTableGap = 3;
constexpr unsigned kLiteralRootBits = 12;
constexpr unsigned kShortRootBits = 8;

// Method 4: a length is up to 7 one-bits (ended by a zero unless all 7 are there) and as many
// bits of value; a distance is up to 4 one-bits and 9 bits more than that.
constexpr unsigned kFastLengthPrefixMax = 7;
constexpr unsigned kFastPositionPrefixMax = 4;
constexpr unsigned kFastPositionBaseBits = 9;

// The farthest any method reaches back, and how much output is handed on at once. The whole
// member is never held: a member's declared size is not trusted for an allocation.
constexpr size_t kHistoryBytes = size_t(1) << 16;
constexpr size_t kChunkBytes = size_t(1) << 20;
// Room behind the flush point for one whole match plus the 8-byte overshoot of CopyMatch.
constexpr size_t kSlackBytes = kMaxMatch + 16;

Verdict DataFault(VerdictKind kind, const char* what) {
    return Verdict::Bad(kind, "compressed data", std::string("ARJ compressed data: ") + what);
}

Verdict Truncated() { return DataFault(VerdictKind::Truncated, "the data ends before the member does"); }

Verdict OutputStopped() { return Verdict::Bad(VerdictKind::Damaged, "output", "ARJ member: output failed"); }

// Copies a match forward, byte order preserved when it overlaps itself. May write up to 7
// bytes past `out + length`; the window keeps room for that.
inline void CopyMatch(uint8_t* out, size_t distance, size_t length) {
    const uint8_t* from = out - distance;
    if (distance >= 8) {
        uint8_t* const end = out + length;
        do {
            std::memcpy(out, from, 8);
            out += 8;
            from += 8;
        } while (out < end);
    } else if (distance == 1) {
        std::memset(out, *from, length);
    } else {
        for (size_t i = 0; i < length; ++i) out[i] = from[i];
    }
}

// The decoded bytes: the last 64 KB of history followed by up to a megabyte of new output,
// handed to the sink and slid down whenever that fills. The decoders keep the write position
// in a local so stores into the buffer cannot make the compiler reload it.
class Window {
public:
    Window(uint64_t total, const ArjSink& sink) : total_(total), sink_(sink) {
        const uint64_t room = std::min<uint64_t>(total, kHistoryBytes + kChunkBytes);
        flushAt_ = size_t(room);
        bytes_ = std::make_unique_for_overwrite<uint8_t[]>(flushAt_ + kSlackBytes);
    }

    uint8_t* Bytes() { return bytes_.get(); }
    // Where the member ends, as a position in the buffer (may lie beyond it).
    uint64_t EndInBuffer() const { return total_ - base_; }
    // Where decoding must pause: the member's end or the flush point, whichever comes first.
    size_t Stop() const { return size_t(std::min<uint64_t>(EndInBuffer(), flushAt_)); }

    // Hands on what `pos` reached and keeps the history; false when the sink stopped.
    bool Slide(size_t& pos) {
        if (!Hand(pos)) return false;
        const size_t keep = std::min(pos, kHistoryBytes);
        std::memmove(bytes_.get(), bytes_.get() + pos - keep, keep);
        base_ += pos - keep;
        pos = keep;
        handed_ = keep;
        return true;
    }
    bool Hand(size_t pos) {
        if (pos == handed_) return true;
        const bool ok = sink_({bytes_.get() + handed_, pos - handed_});
        handed_ = pos;
        return ok;
    }

private:
    uint64_t total_;
    const ArjSink& sink_;
    std::unique_ptr<uint8_t[]> bytes_;
    size_t flushAt_ = 0;
    uint64_t base_ = 0;
    size_t handed_ = 0;
};

struct LzhTables {
    HuffmanTable<kLiteralRootBits, kLiteralSymbols> literals;
    HuffmanTable<kShortRootBits, kLengthSymbols> lengths;
    HuffmanTable<kShortRootBits, kPositionSymbols> positions;
    uint8_t codeBits[kLiteralSymbols] = {};
};

// A table of up to 19 code lengths sent as 3-bit values, 7 extended by a run of one-bits.
// Used for the code-length code and the distance code; `gap` is the entry after which a 2-bit
// run of unused symbols follows (the code-length code has one), 0 for none.
template <unsigned kSymbols>
Verdict ReadShortTable(ArjBitReader& in, unsigned countBits, unsigned gap,
                       HuffmanTable<kShortRootBits, kSymbols>& table, uint8_t* bits) {
    const unsigned count = in.Get(countBits);
    if (count == 0) {
        const unsigned only = in.Get(countBits);
        if (only >= kSymbols) return DataFault(VerdictKind::Damaged, "a single code outside its alphabet");
        table.BuildSingle(uint16_t(only));
        return Verdict::Good();
    }
    if (count > kSymbols) return DataFault(VerdictKind::Damaged, "more code lengths than symbols");
    unsigned i = 0;
    while (i < count) {
        in.Refill();
        unsigned length = in.Peek(3);
        if (length == 7) {
            const unsigned ones = unsigned(std::countl_one(in.Window() << 3));
            if (ones > kArjMaxCodeBits - 7)
                return DataFault(VerdictKind::Damaged, "a code longer than 16 bits");
            length += ones;
            in.Drop(3 + ones + 1);
        } else {
            in.Drop(3);
        }
        bits[i++] = uint8_t(length);
        if (i == gap) {
            const unsigned zeros = in.Take(2);
            if (zeros > kSymbols - i)
                return DataFault(VerdictKind::Damaged, "code lengths past the alphabet");
            for (unsigned k = 0; k < zeros; ++k) bits[i++] = 0;
        }
    }
    std::fill(bits + i, bits + kSymbols, uint8_t(0));
    if (!table.Build(bits)) return DataFault(VerdictKind::Damaged, "code lengths that do not form a code");
    return Verdict::Good();
}

Verdict ReadLiteralTable(ArjBitReader& in, LzhTables& t) {
    const unsigned count = in.Get(kLiteralCountBits);
    if (count == 0) {
        const unsigned only = in.Get(kLiteralCountBits);
        if (only >= kLiteralSymbols)
            return DataFault(VerdictKind::Damaged, "a single code outside its alphabet");
        t.literals.BuildSingle(uint16_t(only));
        return Verdict::Good();
    }
    if (count > kLiteralSymbols) return DataFault(VerdictKind::Damaged, "more code lengths than symbols");
    unsigned i = 0;
    while (i < count) {
        in.Refill();
        const unsigned code = t.lengths.Decode(in);
        if (code > 2) {
            t.codeBits[i++] = uint8_t(code - 2);
            continue;
        }
        const unsigned zeros = code == 0 ? 1 : code == 1 ? in.Take(4) + 3 : in.Take(kLiteralCountBits) + 20;
        if (zeros > kLiteralSymbols - i)
            return DataFault(VerdictKind::Damaged, "code lengths past the alphabet");
        std::fill(t.codeBits + i, t.codeBits + i + zeros, uint8_t(0));
        i += zeros;
    }
    std::fill(t.codeBits + i, t.codeBits + kLiteralSymbols, uint8_t(0));
    if (!t.literals.Build(t.codeBits))
        return DataFault(VerdictKind::Damaged, "code lengths that do not form a code");
    return Verdict::Good();
}

// A block: its number of codes, then the code-length code, the literal and length code and the
// distance code.
Verdict ReadBlockHeader(ArjBitReader& in, LzhTables& t, uint32_t& codesLeft) {
    codesLeft = in.Get(16);
    if (in.Overran()) return Truncated();
    if (codesLeft == 0) return DataFault(VerdictKind::Damaged, "a block of no codes");
    uint8_t bits[kLengthSymbols];
    if (Verdict v = ReadShortTable(in, kLengthCountBits, kLengthTableGap, t.lengths, bits); !v) return v;
    if (Verdict v = ReadLiteralTable(in, t); !v) return v;
    uint8_t positionBits[kPositionSymbols];
    if (Verdict v = ReadShortTable(in, kPositionCountBits, 0, t.positions, positionBits); !v) return v;
    if (in.Overran()) return Truncated();
    return Verdict::Good();
}

// Appends a match at `pos`; the fault when it reaches before the member's start or past its
// declared size, nothing otherwise.
inline const char* PutMatch(uint8_t* out, size_t& pos, size_t distance, size_t length, uint64_t end) {
    if (distance > pos) return "a match reaching before the start of the member";
    if (length > end - pos) return "a match running past the declared size";
    CopyMatch(out + pos, distance, length);
    pos += length;
    return nullptr;
}

// The end of a member's data: the bits must not have run out, and the last bytes go out.
Verdict FinishMember(ArjBitReader& in, Window& window, size_t pos) {
    if (in.Overran()) return Truncated();
    if (!window.Hand(pos)) return OutputStopped();
    return Verdict::Good();
}

// Methods 1-3. One refill per symbol is enough: a literal or length code (16 bits at most), a
// distance code (16) and its extra bits (15) fit in the 56 a refill guarantees.
Verdict DecodeLzh(std::span<const uint8_t> packed, uint64_t total, const ArjSink& sink) {
    ArjBitReader in(packed);
    const auto tables = std::make_unique<LzhTables>();
    Window window(total, sink);
    uint8_t* const out = window.Bytes();
    size_t pos = 0;
    uint32_t codesLeft = 0;
    for (;;) {
        const uint64_t end = window.EndInBuffer();
        const size_t stop = window.Stop();
        while (pos < stop) {
            if (codesLeft == 0) [[unlikely]] {
                if (Verdict v = ReadBlockHeader(in, *tables, codesLeft); !v) return v;
            }
            --codesLeft;
            in.Refill();
            const uint32_t symbol = tables->literals.Decode(in);
            if (symbol < 256) {
                out[pos++] = uint8_t(symbol);
                continue;
            }
            const size_t length = symbol - 256 + kMinMatch;
            const uint32_t slot = tables->positions.Decode(in);
            const size_t distance = slot == 0 ? 1 : (size_t(1) << (slot - 1)) + in.Take(slot - 1) + 1;
            if (const char* fault = PutMatch(out, pos, distance, length, end)) [[unlikely]]
                return DataFault(VerdictKind::Damaged, fault);
        }
        // Bits past the end read as zeros, so a cut stream would run on; it is caught here,
        // before anything decoded from those zeros leaves the window.
        if (in.Exhausted()) return Truncated();
        if (pos == end) break;
        if (!window.Slide(pos)) return OutputStopped();
    }
    return FinishMember(in, window, pos);
}

// Method 4: no tables, every code is a run of one-bits and a field whose width the run sets.
Verdict DecodeFast(std::span<const uint8_t> packed, uint64_t total, const ArjSink& sink) {
    ArjBitReader in(packed);
    Window window(total, sink);
    uint8_t* const out = window.Bytes();
    size_t pos = 0;
    for (;;) {
        const uint64_t end = window.EndInBuffer();
        const size_t stop = window.Stop();
        while (pos < stop) {
            in.Refill();
            unsigned ones = std::min(unsigned(std::countl_one(in.Window())), kFastLengthPrefixMax);
            in.Drop(ones < kFastLengthPrefixMax ? ones + 1 : ones);
            const uint32_t code = ((uint32_t(1) << ones) - 1) + in.Take(ones);
            if (code == 0) {
                out[pos++] = uint8_t(in.Take(8));
                continue;
            }
            const size_t length = code - 1 + kMinMatch;
            ones = std::min(unsigned(std::countl_one(in.Window())), kFastPositionPrefixMax);
            in.Drop(ones < kFastPositionPrefixMax ? ones + 1 : ones);
            const size_t distance = (size_t(1) << kFastPositionBaseBits) * ((size_t(1) << ones) - 1) +
                                    in.Take(kFastPositionBaseBits + ones) + 1;
            if (const char* fault = PutMatch(out, pos, distance, length, end)) [[unlikely]]
                return DataFault(VerdictKind::Damaged, fault);
        }
        if (in.Exhausted()) return Truncated();
        if (pos == end) break;
        if (!window.Slide(pos)) return OutputStopped();
    }
    return FinishMember(in, window, pos);
}

Verdict CopyStored(std::span<const uint8_t> packed, uint64_t total, const ArjSink& sink) {
    if (packed.size() != total)
        return Verdict::Bad(VerdictKind::Damaged, "compressed size",
                            "ARJ local header: a stored member whose two sizes differ");
    for (size_t done = 0; done < packed.size();) {
        const size_t piece = std::min(kChunkBytes, packed.size() - done);
        if (!sink(packed.subspan(done, piece))) return OutputStopped();
        done += piece;
    }
    return Verdict::Good();
}

}  // namespace

Verdict DecodeArjMember(unsigned method, std::span<const uint8_t> packed, uint64_t originalSize,
                        const ArjSink& sink) {
    switch (method) {
        case 0:
            return CopyStored(packed, originalSize, sink);
        case 1:
        case 2:
        case 3:
            return DecodeLzh(packed, originalSize, sink);
        case 4:
            return DecodeFast(packed, originalSize, sink);
        default:
            return Verdict::Bad(VerdictKind::Unsupported, "method", "ARJ local header: an unknown method");
    }
}

}  // namespace corvalin
