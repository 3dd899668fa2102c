// The ASC method of HA archives: LZ77 over a 31,200-byte window whose literals, match
// positions and match lengths are coded by adaptive frequency tables and the shared
// arithmetic decoder. Each step is a literal, a match, or the end mark, chosen through a small
// table whose context is the kinds of the last two steps.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "archive/HaArithmetic.h"
#include "archive/HaDecoders.h"

namespace corvalin::ha {
namespace {

constexpr uint32_t kWindowBytes = 31200;  // the farthest a match reaches back
constexpr uint32_t kMinMatch = 3;

// Lengths: codes 0..14 are lengths 3..17 as they stand, code 15 the longest length (786),
// codes 16..63 groups of 16 lengths from 18 on, the place in the group following as 4 bits.
constexpr int kShortLengthCodes = 16;
constexpr int kLengthCodes = 64;
constexpr uint32_t kLongLengthGroup = 16;
constexpr uint32_t kLongestLengthCode = kShortLengthCodes + 48 * kLongLengthGroup - 1;  // + 3 = 786
constexpr uint32_t kLongestMatch = kLongestLengthCode + kMinMatch;
constexpr int kPositionCodes = 16;  // code n > 1: a position of n bits
constexpr int kLiteralCodes = 256;

// Steps by which counts grow, and the totals at which a table halves its counts.
constexpr uint16_t kLengthStep = 8;
constexpr uint16_t kLengthLimit = 750 * kLengthStep;
constexpr uint16_t kLiteralStep = 1;
constexpr uint16_t kLiteralLimit = 1000 * kLiteralStep;
constexpr uint16_t kPositionStep = 24;
constexpr uint16_t kPositionLimit = 250 * kPositionStep;
constexpr uint16_t kKindStep = 40;
constexpr uint16_t kKindLimit = 150 * kKindStep;
// A symbol seen this often stops counting towards the escape's weight.
constexpr uint16_t kLengthCutoff = 3 * kLengthStep;
constexpr uint16_t kLiteralCutoff = 3 * kLiteralStep;
// A symbol first met through the escape table makes its neighbours this far either side more
// likely to come through it too.
constexpr int kLiteralNeighbours = 8;
constexpr int kLengthNeighbours = 4;

// Counts of `kSymbols` symbols (a power of two) as a tree of sums: leaves at
// [kSymbols, 2 kSymbols), every inner node the sum of its two children, node 1 the total.
template <int kSymbols>
class FrequencyTree {
public:
    void Fill(uint16_t count) {
        std::fill(node_.begin() + kSymbols, node_.end(), count);
        Resum();
    }
    uint16_t Total() const { return node_[1]; }
    uint16_t Count(int symbol) const { return node_[kSymbols + symbol]; }

    // The symbol whose share of the total covers `target` (< Total()), and the counts below it.
    int Find(uint32_t target, uint32_t& below) const {
        uint32_t sum = 0;
        int node = 2;
        for (;;) {
            if (sum + node_[node] <= target) {
                sum += node_[node];
                ++node;
            }
            if (node >= kSymbols) break;
            node <<= 1;
        }
        below = sum;
        return node - kSymbols;
    }

    void Add(int symbol, uint16_t step, uint16_t limit) {
        for (int node = kSymbols + symbol; node != 0; node >>= 1) node_[node] = uint16_t(node_[node] + step);
        if (node_[1] >= limit) Halve();
    }

    void Remove(int symbol) {
        const uint16_t count = node_[kSymbols + symbol];
        for (int node = kSymbols + symbol; node != 0; node >>= 1) node_[node] = uint16_t(node_[node] - count);
    }

private:
    // Halving keeps every seen symbol at one at least; unseen ones stay at zero.
    void Halve() {
        for (int leaf = kSymbols; leaf < 2 * kSymbols; ++leaf)
            if (node_[leaf] > 1) node_[leaf] >>= 1;
        Resum();
    }
    void Resum() {
        for (int node = kSymbols - 1; node > 0; --node)
            node_[node] = uint16_t(node_[2 * node] + node_[2 * node + 1]);
    }

    std::array<uint16_t, 2 * kSymbols> node_{};
};

// A table of symbols met before plus an escape into a table of those not met yet. The escape's
// weight grows with every new symbol and shrinks as symbols become common.
template <int kSymbols>
struct EscapedTable {
    FrequencyTree<kSymbols> seen;
    FrequencyTree<kSymbols> unseen;
    uint16_t escapeWeight = 0;

    void Reset(uint16_t step) {
        seen.Fill(0);
        unseen.Fill(1);
        escapeWeight = step;
    }

    // Returns -1 when the stream is damaged.
    int Decode(ArithmeticDecoder& coder, uint16_t step, uint16_t limit, uint16_t cutoff, int neighbours) {
        const uint32_t seenTotal = seen.Total();
        const uint32_t total = seenTotal + escapeWeight;
        const uint32_t target = coder.Threshold(total);
        uint32_t below = 0;
        int symbol = 0;
        if (target >= seenTotal) {
            coder.Take(seenTotal, total, total);
            const uint32_t unseenTotal = unseen.Total();
            // A weight left over after every symbol was met lets a damaged stream escape into
            // an empty table.
            if (unseenTotal == 0) return -1;
            symbol = unseen.Find(coder.Threshold(unseenTotal), below);
            coder.Take(below, below + unseen.Count(symbol), unseenTotal);
            unseen.Remove(symbol);
            escapeWeight = unseen.Total() != 0 ? uint16_t(escapeWeight + step) : 0;
            const int first = std::max(symbol - neighbours, 0);
            const int last = std::min(symbol + neighbours, kSymbols - 1);
            for (int near = first; near < last; ++near)
                if (unseen.Count(near) != 0) unseen.Add(near, 1, limit);
        } else {
            symbol = seen.Find(target, below);
            coder.Take(below, below + seen.Count(symbol), total);
        }
        seen.Add(symbol, step, limit);
        if (seen.Count(symbol) == cutoff)
            escapeWeight = escapeWeight > step ? uint16_t(escapeWeight - step) : 1;
        return symbol;
    }
};

// Whether the next step is a literal or a match, in the context of the two steps before.
struct KindTable {
    std::array<std::array<uint16_t, 2>, 4> counts{};
    unsigned context = 0;

    void Reset() {
        for (auto& pair : counts) pair = {kKindStep, kKindStep};
        context = 0;
    }
    void Count(int kind) {
        auto& pair = counts[context];
        const uint32_t total = pair[0] + pair[1];
        pair[kind] = uint16_t(pair[kind] + kKindStep);
        if (total >= kKindLimit) {
            pair[0] = std::max<uint16_t>(pair[0] >> 1, 1);
            pair[1] = std::max<uint16_t>(pair[1] >> 1, 1);
        }
        context = ((context << 1) | unsigned(kind)) & 3;
    }
};

enum Kind { kLiteral = 0, kMatch = 1, kEnd = 2 };

class AscDecoder {
public:
    AscDecoder(std::span<const uint8_t> packed, uint64_t originalSize, OutputSink& sink)
        : coder_(packed), originalSize_(originalSize), sink_(sink) {
        kinds_.Reset();
        literals_.Reset(kLiteralStep);
        lengths_.Reset(kLengthStep);
        positions_.Fill(0);
        positions_.Add(0, kPositionStep, kPositionLimit);
        buffer_.resize(kBufferBytes);
    }

    Verdict Run() {
        while (emitted_ < originalSize_) {
            if (coder_.Damaged()) return Bad(VerdictKind::Damaged, "a code no encoder writes");
            if (coder_.Exhausted()) return Bad(VerdictKind::Truncated, "packed data ends early");
            const Kind kind = DecodeKind();
            if (kind == kEnd) return Bad(VerdictKind::Damaged, "data ends before the declared size");
            if (kind == kLiteral) {
                const int literal =
                    literals_.Decode(coder_, kLiteralStep, kLiteralLimit, kLiteralCutoff, kLiteralNeighbours);
                if (literal < 0) return Bad(VerdictKind::Damaged, "escape into an empty literal table");
                if (!Emit(uint8_t(literal))) return Verdict::Good();
            } else {
                const uint32_t position = DecodePosition();
                const int length = DecodeLength();
                if (length < 0) return Bad(VerdictKind::Damaged, "escape into an empty length table");
                // The model never offers a position beyond the data written so far, except at
                // the very start; a damaged stream must not reach before the buffer either way.
                if (position >= history_)
                    return Bad(VerdictKind::Damaged, "match before the start of the data");
                if (uint64_t(length) > originalSize_ - emitted_ || uint32_t(length) > kLongestMatch)
                    return Bad(VerdictKind::Damaged, "match runs past the declared size");
                history_ = std::min(history_ + uint32_t(length), kWindowBytes);
                if (!Copy(position, uint32_t(length))) return Verdict::Good();
            }
        }
        if (DecodeKind() != kEnd || coder_.Damaged())
            return Bad(VerdictKind::Damaged, "data runs on past the declared size");
        if (coder_.Exhausted()) return Bad(VerdictKind::Truncated, "packed data ends early");
        Flush();
        return Verdict::Good();
    }

private:
    // The output is kept in one buffer whose start is the window: when it fills up, what was
    // written goes to the sink and the last window's worth moves to the front.
    static constexpr size_t kFlushAt = kWindowBytes + (size_t(1) << 17);
    static constexpr size_t kBufferBytes = kFlushAt + kLongestMatch;

    static Verdict Bad(VerdictKind kind, const char* what) {
        return Verdict::Bad(kind, "ASC data", std::string("HA ASC data: ") + what);
    }

    Kind DecodeKind() {
        const auto& pair = kinds_.counts[kinds_.context];
        const uint32_t literal = pair[0];
        const uint32_t total = pair[0] + pair[1];
        const uint32_t target = coder_.Threshold(total + 1);
        if (target < literal) {
            coder_.Take(0, literal, total + 1);
            kinds_.Count(kLiteral);
            return kLiteral;
        }
        if (target < total) {
            coder_.Take(literal, total, total + 1);
            kinds_.Count(kMatch);
            return kMatch;
        }
        coder_.Take(total, total + 1, total + 1);
        return kEnd;
    }

    uint32_t DecodePosition() {
        // Position codes come into use as the data grows long enough to need them.
        while (history_ > positionLimit_) {
            positions_.Add(activePositionCodes_++, kPositionStep, kPositionLimit);
            positionLimit_ <<= 1;
        }
        const uint32_t total = positions_.Total();
        uint32_t below = 0;
        const int code = positions_.Find(coder_.Threshold(total), below);
        coder_.Take(below, below + positions_.Count(code), total);
        positions_.Add(code, kPositionStep, kPositionLimit);
        if (code <= 1) return uint32_t(code);
        const uint32_t base = uint32_t(1) << (code - 1);
        // The widest class only reaches as far back as there is data.
        const uint32_t span = base == (positionLimit_ >> 1) ? history_ - base : base;
        const uint32_t extra = coder_.Threshold(span);
        coder_.Take(extra, extra + 1, span);
        return base + extra;
    }

    int DecodeLength() {
        const int code = lengths_.Decode(coder_, kLengthStep, kLengthLimit, kLengthCutoff, kLengthNeighbours);
        if (code < 0) return -1;
        uint32_t length = uint32_t(code);
        if (code == kShortLengthCodes - 1) {
            length = kLongestLengthCode;
        } else if (code >= kShortLengthCodes) {
            const uint32_t extra = coder_.Threshold(kLongLengthGroup);
            coder_.Take(extra, extra + 1, kLongLengthGroup);
            length = ((uint32_t(code) - kShortLengthCodes) << 4) + extra + kShortLengthCodes - 1;
        }
        return int(length + kMinMatch);
    }

    bool Emit(uint8_t byte) {
        buffer_[position_++] = byte;
        ++emitted_;
        if (history_ < kWindowBytes) ++history_;
        return position_ < kFlushAt || Slide();
    }

    bool Copy(uint32_t distance, uint32_t length) {
        uint8_t* out = buffer_.data() + position_;
        const uint8_t* from = out - distance - 1;
        if (distance + 1 >= length) {
            std::memcpy(out, from, length);
        } else {
            for (uint32_t i = 0; i < length; ++i) out[i] = from[i];
        }
        position_ += length;
        emitted_ += length;
        return position_ < kFlushAt || Slide();
    }

    bool Slide() {
        if (!Flush()) return false;
        std::memmove(buffer_.data(), buffer_.data() + position_ - kWindowBytes, kWindowBytes);
        position_ = kWindowBytes;
        flushed_ = kWindowBytes;
        return true;
    }

    bool Flush() {
        const bool ok = sink_.Put({buffer_.data() + flushed_, position_ - flushed_});
        flushed_ = position_;
        return ok;
    }

    ArithmeticDecoder coder_;
    uint64_t originalSize_;
    OutputSink& sink_;
    KindTable kinds_;
    EscapedTable<kLiteralCodes> literals_;
    EscapedTable<kLengthCodes> lengths_;
    FrequencyTree<kPositionCodes> positions_;
    int activePositionCodes_ = 1;
    uint32_t positionLimit_ = 1;  // 2^(activePositionCodes_ - 1)
    uint32_t history_ = 0;        // bytes a match may reach back over: min(written, window)
    std::vector<uint8_t> buffer_;
    size_t position_ = 0;
    size_t flushed_ = 0;
    uint64_t emitted_ = 0;
};

}  // namespace

Verdict UnpackAsc(std::span<const uint8_t> packed, uint64_t originalSize, OutputSink& sink) {
    auto decoder = std::make_unique<AscDecoder>(packed, originalSize, sink);
    return decoder->Run();
}

}  // namespace corvalin::ha
