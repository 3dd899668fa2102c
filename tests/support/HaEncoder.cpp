#include "support/HaEncoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <memory>

namespace corvalin::test {
namespace {

// --- arithmetic coding -------------------------------------------------------------------

// 16-bit range coder; bits go out most significant first. Bits of an "underflow" step are held
// back until the next settled bit tells which way they went.
class ArithmeticEncoder {
public:
    explicit ArithmeticEncoder(std::vector<uint8_t>& out) : out_(out) {}

    void Put(uint32_t symbolLow, uint32_t symbolHigh, uint32_t total) {
        // A packer bug, not an input problem: stop loudly.
        if (symbolLow >= symbolHigh || symbolHigh > total) std::abort();
        const uint32_t range = high_ - low_ + 1;
        high_ = low_ + range * symbolHigh / total - 1;
        low_ = low_ + range * symbolLow / total;
        while (((high_ ^ low_) & 0x8000) == 0) {
            const int bit = int(low_ >> 15);
            Bit(bit);
            for (; held_ > 0; --held_) Bit(!bit);
            low_ = (low_ << 1) & 0xFFFF;
            high_ = ((high_ << 1) | 1) & 0xFFFF;
        }
        while ((low_ & 0x4000) != 0 && (high_ & 0x4000) == 0) {
            ++held_;
            low_ = (low_ << 1) & 0x7FFF;
            high_ = ((high_ << 1) | 0x8001) & 0xFFFF;
        }
    }

    // Two more bits name a point inside the final range whatever follows them.
    void Finish() {
        const int bit = int(low_ >> 14) & 1;
        Bit(bit);
        for (uint32_t i = 0; i <= held_; ++i) Bit(!bit);
        if (used_ != 0) out_.push_back(uint8_t(byte_ << (8 - used_)));
    }

private:
    void Bit(int bit) {
        byte_ = uint32_t(byte_ << 1) | uint32_t(bit);
        if (++used_ == 8) {
            out_.push_back(uint8_t(byte_));
            byte_ = 0;
            used_ = 0;
        }
    }

    std::vector<uint8_t>& out_;
    uint32_t low_ = 0;
    uint32_t high_ = 0xFFFF;
    uint32_t held_ = 0;
    uint32_t byte_ = 0;
    int used_ = 0;
};

// --- ASC ---------------------------------------------------------------------------------

// Counts kept as a tree of sums: leaves at [size, 2 size), node 1 the total. The count below a
// symbol is gathered leaf to root, from the left siblings on the way.
class SumTree {
public:
    SumTree(int size, uint16_t fill) : size_(size), node_(size_t(2 * size), fill) { Resum(); }
    uint16_t Total() const { return node_[1]; }
    uint16_t Leaf(int symbol) const { return node_[size_t(size_ + symbol)]; }
    uint32_t Below(int symbol) const {
        uint32_t sum = 0;
        for (int node = size_ + symbol; node > 1; node >>= 1)
            if (node & 1) sum += node_[size_t(node - 1)];
        return sum;
    }
    void Add(int symbol, uint16_t step, uint16_t limit) {
        for (int node = size_ + symbol; node > 0; node >>= 1)
            node_[size_t(node)] = uint16_t(node_[size_t(node)] + step);
        if (node_[1] >= limit) {
            for (int leaf = size_; leaf < 2 * size_; ++leaf)
                if (node_[size_t(leaf)] > 1) node_[size_t(leaf)] >>= 1;
            Resum();
        }
    }
    void Zero(int symbol) {
        const uint16_t count = Leaf(symbol);
        for (int node = size_ + symbol; node > 0; node >>= 1)
            node_[size_t(node)] = uint16_t(node_[size_t(node)] - count);
    }

private:
    void Resum() {
        for (int node = size_ - 1; node > 0; --node)
            node_[size_t(node)] = uint16_t(node_[size_t(2 * node)] + node_[size_t(2 * node + 1)]);
    }
    int size_;
    std::vector<uint16_t> node_;
};

constexpr uint32_t kWindow = 31200;
constexpr uint32_t kMinMatch = 3;
constexpr uint32_t kMaxMatch = 786;

class AscPacker {
public:
    explicit AscPacker(std::vector<uint8_t>& out) : coder_(out) {
        for (auto& pair : kinds_) pair = {40, 40};
        positions_.Add(0, 24, 6000);
    }

    void Literal(uint8_t byte) {
        Kind(0);
        Escaped(literals_, newLiterals_, literalEscape_, byte, 1, 1000, 3, 8, 256);
        if (history_ < kWindow) ++history_;
    }

    // `distance` back from the next byte (1 = the byte before it).
    void Match(uint32_t distance, uint32_t length) {
        Kind(1);
        while (history_ > positionLimit_) {
            positions_.Add(positionCodes_++, 24, 6000);
            positionLimit_ <<= 1;
        }
        const uint32_t position = distance - 1;
        const int code = std::bit_width(position);
        const uint32_t below = positions_.Below(code);
        coder_.Put(below, below + positions_.Leaf(code), positions_.Total());
        positions_.Add(code, 24, 6000);
        if (position > 1) {
            const uint32_t base = uint32_t(1) << (code - 1);
            const uint32_t span = base == positionLimit_ / 2 ? history_ - base : base;
            coder_.Put(position - base, position - base + 1, span);
        }
        const uint32_t index = length - kMinMatch;
        int lengthCode = int(index);
        int extra = -1;
        if (index == kMaxMatch - kMinMatch) {
            lengthCode = 15;
        } else if (index >= 15) {
            extra = int((index - 15) & 15);
            lengthCode = int((index - 15) >> 4) + 16;
        }
        Escaped(lengths_, newLengths_, lengthEscape_, lengthCode, 8, 6000, 24, 4, 64);
        if (extra >= 0) coder_.Put(uint32_t(extra), uint32_t(extra) + 1, 16);
        history_ = std::min(history_ + length, kWindow);
    }

    void End() {
        Kind(2);
        coder_.Finish();
    }

    uint32_t History() const { return history_; }

private:
    void Kind(int kind) {
        auto& pair = kinds_[size_t(context_)];
        const uint32_t total = uint32_t(pair[0]) + pair[1];
        if (kind == 0) coder_.Put(0, pair[0], total + 1);
        if (kind == 1) coder_.Put(pair[0], total, total + 1);
        if (kind == 2) {
            coder_.Put(total, total + 1, total + 1);
            return;
        }
        pair[size_t(kind)] = uint16_t(pair[size_t(kind)] + 40);
        if (total >= 6000) {
            pair[0] = std::max<uint16_t>(pair[0] >> 1, 1);
            pair[1] = std::max<uint16_t>(pair[1] >> 1, 1);
        }
        context_ = ((context_ << 1) | kind) & 3;
    }

    void Escaped(SumTree& seen, SumTree& unseen, uint16_t& escape, int symbol, uint16_t step, uint16_t limit,
                 uint16_t cutoff, int reach, int symbols) {
        if (seen.Leaf(symbol) == 0) {
            const uint32_t total = uint32_t(seen.Total()) + escape;
            coder_.Put(seen.Total(), total, total);
            const uint32_t below = unseen.Below(symbol);
            coder_.Put(below, below + unseen.Leaf(symbol), unseen.Total());
            unseen.Zero(symbol);
            escape = unseen.Total() != 0 ? uint16_t(escape + step) : 0;
            for (int near = std::max(symbol - reach, 0); near < std::min(symbol + reach, symbols - 1); ++near)
                if (unseen.Leaf(near) != 0) unseen.Add(near, 1, limit);
        } else {
            const uint32_t below = seen.Below(symbol);
            coder_.Put(below, below + seen.Leaf(symbol), uint32_t(seen.Total()) + escape);
        }
        seen.Add(symbol, step, limit);
        if (seen.Leaf(symbol) == cutoff) escape = escape > step ? uint16_t(escape - step) : 1;
    }

    ArithmeticEncoder coder_;
    std::array<std::array<uint16_t, 2>, 4> kinds_{};
    int context_ = 0;
    SumTree literals_{256, 0}, newLiterals_{256, 1};
    uint16_t literalEscape_ = 1;
    SumTree lengths_{64, 0}, newLengths_{64, 1};
    uint16_t lengthEscape_ = 8;
    SumTree positions_{16, 0};
    int positionCodes_ = 1;
    uint32_t positionLimit_ = 1;
    uint32_t history_ = 0;
};

// Hash chains over 3-byte prefixes, a bounded walk, and one step of lazy matching.
class MatchFinder {
public:
    explicit MatchFinder(std::span<const uint8_t> data) : data_(data), previous_(data.size(), -1) {
        heads_.assign(size_t(1) << 16, -1);
    }

    void Insert(size_t at) {
        if (at + kMinMatch > data_.size()) return;
        const size_t hash = Hash(at);
        previous_[at] = heads_[hash];
        heads_[hash] = int64_t(at);
    }

    // The longest match for the bytes at `at` within `reach` bytes back.
    std::pair<uint32_t, uint32_t> Find(size_t at, uint32_t reach) const {
        uint32_t bestLength = 0;
        uint32_t bestDistance = 0;
        if (at + kMinMatch > data_.size()) return {0, 0};
        const uint32_t longest = uint32_t(std::min<size_t>(kMaxMatch, data_.size() - at));
        int steps = 48;
        for (int64_t candidate = heads_[Hash(at)]; candidate >= 0 && steps-- > 0;
             candidate = previous_[size_t(candidate)]) {
            const uint32_t distance = uint32_t(at - size_t(candidate));
            if (distance > reach) break;
            uint32_t length = 0;
            while (length < longest && data_[size_t(candidate) + length] == data_[at + length]) ++length;
            if (length > bestLength) {
                bestLength = length;
                bestDistance = distance;
                if (length == longest) break;
            }
        }
        if (bestLength < kMinMatch) return {0, 0};
        return {bestLength, bestDistance};
    }

private:
    size_t Hash(size_t at) const {
        return (size_t(data_[at]) << 8 ^ size_t(data_[at + 1]) << 4 ^ size_t(data_[at + 2]) * 0x9E37u) &
               0xFFFF;
    }
    std::span<const uint8_t> data_;
    std::vector<int64_t> heads_;
    std::vector<int64_t> previous_;
};

// --- HSC ---------------------------------------------------------------------------------

constexpr uint16_t kNil = 0xFFFF;
constexpr int kEnd = 256;
constexpr int kOrders = 4;
constexpr uint16_t kContextSlots = 10000;
constexpr uint16_t kCountSlots = 32760;
constexpr uint16_t kHashLength = 16384;

class HscPacker {
public:
    explicit HscPacker(std::vector<uint8_t>& out) : coder_(out) {
        // Park and Miller's generator by Schrage's method, seed 10.
        int32_t z = 10;
        for (auto& value : randomHash_) {
            const int32_t hi = z / 127773;
            const int32_t lo = z % 127773;
            const int32_t t = 16807 * lo - 2836 * hi;
            z = t > 0 ? t : t + 2147483647;
            value = uint16_t(z & (kHashLength - 1));
        }
        headOf_.assign(kHashLength, kNil);
        for (uint16_t i = 0; i < kContextSlots; ++i) {
            toBack_[i] = uint16_t(i + 1);
            toFront_[i] = uint16_t(i - 1);
            length_[i] = 0xFF;
            next_[i] = kNil;
        }
        front_ = 0;
        back_ = kContextSlots - 1;
        for (uint16_t i = kContextSlots; i < kCountSlots - 1; ++i) next_[i] = uint16_t(i + 1);
        next_[kCountSlots - 1] = kNil;
        free_ = kContextSlots;
        newEscapes_[0] = 16;
        for (int i = 1; i <= kOrders; ++i) newEscapes_[size_t(i)] = 15;
    }

    void Byte(uint8_t c) {
        uint16_t cp = Longest();
        const int lowest = cp == kNil ? 0 : length_[cp] + 1;
        int top = orders_ + 1;
        for (;;) {
            if (cp == kNil) {
                Unseen(c);
                break;
            }
            if (maskTop_ != 0 ? Rest(cp, c) : First(cp, c)) {
                ToFront(cp);
                break;
            }
            cp = Next();
        }
        Update(c);
        while (top > lowest) NewContext(uint8_t(--top), c);
        last_ = {c, last_[0], last_[1], last_[2]};
    }

    void End() {
        for (uint16_t cp = Longest(); cp != kNil; cp = Next())
            maskTop_ != 0 ? Rest(cp, kEnd) : First(cp, kEnd);
        Unseen(kEnd);
        coder_.Finish();
    }

private:
    uint16_t HashOf(const std::array<uint8_t, 4>& bytes, int length) const {
        uint16_t h = 0;
        if (length > 0) h = randomHash_[bytes[0]];
        for (int i = 1; i < length; ++i) h = randomHash_[(bytes[size_t(i)] + h) & (kHashLength - 1)];
        return h;
    }

    uint16_t Longest() {
        searchHash_[0] = 0;
        searchHash_[1] = randomHash_[last_[0]];
        for (int i = 2; i <= kOrders; ++i)
            searchHash_[size_t(i)] =
                randomHash_[(last_[size_t(i - 1)] + searchHash_[size_t(i - 1)]) & (kHashLength - 1)];
        stack_ = 0;
        while (maskTop_ != 0) masked_[maskList_[--maskTop_]] = 0;
        searchLength_ = kOrders + 1;
        return Next();
    }

    uint16_t Next() {
        for (int i = searchLength_ - 1; i >= 0; --i) {
            for (uint16_t cp = headOf_[searchHash_[size_t(i)]]; cp != kNil; cp = chain_[cp]) {
                if (length_[cp] != i) continue;
                if (std::equal(bytes_[cp].begin(), bytes_[cp].begin() + i, last_.begin())) {
                    searchLength_ = i;
                    return cp;
                }
            }
        }
        return kNil;
    }

    void ToFront(uint16_t cp) {
        if (cp == front_) return;
        if (cp == back_) {
            back_ = toFront_[cp];
        } else {
            toFront_[toBack_[cp]] = toFront_[cp];
            toBack_[toFront_[cp]] = toBack_[cp];
        }
        toFront_[front_] = cp;
        toBack_[cp] = front_;
        front_ = cp;
    }

    uint32_t EscapeWeight(uint32_t esc, uint16_t cp) const {
        if (total_[cp] == 1) return newEscapes_[length_[cp]] >= 16 ? 2 : 1;
        if (others_[cp] == 255) return 1;
        if (others_[cp] != 0 && (uint32_t(others_[cp]) + 1) * 2 >= total_[cp]) {
            esc = uint16_t(int32_t(esc) * ((int32_t(others_[cp]) + 1) * 2) / total_[cp]);
            if (uint32_t(others_[cp]) + 1 == total_[cp]) esc += (uint32_t(others_[cp]) + 1) >> 1;
        }
        return esc != 0 ? esc : 1;
    }

    void Mask(uint16_t cp) {
        uint16_t last = cp;
        for (uint16_t i = cp; i != kNil; i = next_[i]) {
            last = i;
            if (masked_[symbol_[i]]) continue;
            maskList_[maskTop_++] = symbol_[i];
            masked_[symbol_[i]] = 1;
        }
        nodeAt_[size_t(stack_)] = last;
        contextAt_[size_t(stack_++)] = uint16_t(0x8000 | cp);
    }

    bool First(uint16_t cp, int c) {
        uint32_t sum = 0;
        uint32_t cf = 0;
        uint16_t found = kNil;
        for (uint16_t i = cp; i != kNil; i = next_[i]) {
            if (symbol_[i] == c) {
                cf = count_[i];
                found = i;
                break;
            }
            sum += count_[i];
        }
        uint32_t tot = total_[cp];
        const uint32_t esc = EscapeWeight(rare_[cp], cp);
        if (sure_ >= 5) {
            const int shift = tot <= 4 && sure_ == 10 ? 2 : 1;
            tot <<= shift;
            sum <<= shift;
            cf <<= shift;
        }
        stack_ = 0;
        if (found == kNil) {
            coder_.Put(tot, tot + esc, tot + esc);
            Mask(cp);
            sure_ = 0;
            if (total_[cp] == 1 && newEscapes_[length_[cp]] < 32) ++newEscapes_[length_[cp]];
            return false;
        }
        coder_.Put(sum, sum + cf, tot + esc);
        if (sure_ < 10) ++sure_;
        if (total_[cp] == 1 && newEscapes_[length_[cp]] != 0) --newEscapes_[length_[cp]];
        nodeAt_[0] = found;
        contextAt_[0] = cp;
        stack_ = 1;
        return true;
    }

    bool Rest(uint16_t cp, int c) {
        uint32_t tot = 0, sum = 0, cf = 0, esc = 0;
        uint16_t found = kNil;
        for (uint16_t i = cp; i != kNil; i = next_[i]) {
            if (masked_[symbol_[i]]) continue;
            if (count_[i] < 3) ++esc;
            if (found == kNil && symbol_[i] == c) {
                sum = tot;
                cf = count_[i];
                found = i;
            }
            tot += count_[i];
        }
        esc = EscapeWeight(esc, cp);
        if (found == kNil) {
            coder_.Put(tot, tot + esc, tot + esc);
            Mask(cp);
            if (total_[cp] == 1 && newEscapes_[length_[cp]] < 32) ++newEscapes_[length_[cp]];
            return false;
        }
        coder_.Put(sum, sum + cf, tot + esc);
        ++sure_;
        if (total_[cp] == 1 && newEscapes_[length_[cp]] != 0) --newEscapes_[length_[cp]];
        nodeAt_[size_t(stack_)] = found;
        contextAt_[size_t(stack_++)] = cp;
        return true;
    }

    void Unseen(int c) {
        uint32_t sum = 0;
        for (int i = 0; i < c; ++i) sum += masked_[size_t(i)] ? 0 : 1;
        coder_.Put(sum, sum + 1, 257 - uint32_t(maskTop_));
    }

    void Update(uint8_t c) {
        while (stack_ != 0) {
            uint16_t i = nodeAt_[size_t(--stack_)];
            uint16_t cp = contextAt_[size_t(stack_)];
            if (cp & 0x8000) {
                cp &= 0x7FFF;
                if (free_ == kNil) Release();
                next_[i] = free_;
                i = free_;
                free_ = next_[free_];
                next_[i] = kNil;
                count_[i] = 1;
                symbol_[i] = c;
                ++others_[cp];
                ++rare_[cp];
            } else if (++count_[i] == 3) {
                --rare_[cp];
            }
            ++total_[cp];
            if (uint32_t(count_[i]) << 1 < uint32_t(total_[cp]) / (uint32_t(others_[cp]) + 1)) {
                --refresh_[cp];
            } else if (refresh_[cp] < 4) {
                ++refresh_[cp];
            }
            if (refresh_[cp] == 0 || total_[cp] >= 8000) {
                ++refresh_[cp];
                rare_[cp] = 0;
                total_[cp] = 0;
                for (uint16_t k = cp; k != kNil; k = next_[k]) {
                    if (count_[k] > 1) {
                        count_[k] >>= 1;
                        total_[cp] = uint16_t(total_[cp] + count_[k]);
                        if (count_[k] < 3) ++rare_[cp];
                    } else {
                        ++total_[cp];
                        ++rare_[cp];
                    }
                }
            }
        }
    }

    void Release() {
        int busy;
        do {
            do {
                if (++release_ == kContextSlots) release_ = 0;
            } while (next_[release_] == kNil);
            for (busy = 0; busy <= stack_; ++busy)
                if ((contextAt_[size_t(busy)] & 0x7FFF) == release_) break;
        } while (busy <= stack_);
        const uint16_t cp = release_;
        uint16_t d = count_[cp];
        for (uint16_t i = next_[cp]; i != kNil; i = next_[i]) d = std::min(d, count_[i]);
        ++d;
        if (count_[cp] < d) {
            uint16_t i = next_[cp];
            while (count_[i] < d && next_[i] != kNil) i = next_[i];
            count_[cp] = count_[i];
            symbol_[cp] = symbol_[i];
            const uint16_t after = next_[i];
            next_[i] = free_;
            free_ = next_[cp];
            next_[cp] = after;
            if (after == kNil) {
                others_[cp] = 0;
                total_[cp] = count_[cp];
                rare_[cp] = total_[cp] < 3 ? 1 : 0;
                return;
            }
        }
        count_[cp] = uint16_t(count_[cp] / d);
        total_[cp] = count_[cp];
        rare_[cp] = total_[cp] < 3 ? 1 : 0;
        others_[cp] = 0;
        uint16_t before = cp;
        for (uint16_t i = next_[cp]; i != kNil;) {
            if (count_[i] < d) {
                next_[before] = next_[i];
                next_[i] = free_;
                free_ = i;
                i = next_[before];
            } else {
                ++others_[cp];
                count_[i] = uint16_t(count_[i] / d);
                total_[cp] = uint16_t(total_[cp] + count_[i]);
                if (count_[i] < 3) ++rare_[cp];
                before = i;
                i = next_[i];
            }
        }
    }

    void NewContext(uint8_t length, uint8_t c) {
        const uint16_t nc = back_;
        back_ = toFront_[nc];
        toFront_[front_] = nc;
        toBack_[nc] = front_;
        front_ = nc;
        if (length_[nc] != 0xFF) {
            if (length_[nc] == kOrders && --dropCount_ == 0) orders_ = kOrders - 1;
            const uint16_t h = HashOf(bytes_[nc], length_[nc]);
            if (headOf_[h] == nc) {
                headOf_[h] = chain_[nc];
            } else {
                uint16_t i = headOf_[h];
                while (chain_[i] != nc) i = chain_[i];
                chain_[i] = chain_[nc];
            }
            if (next_[nc] != kNil) {
                uint16_t tail = next_[nc];
                while (next_[tail] != kNil) tail = next_[tail];
                next_[tail] = free_;
                free_ = next_[nc];
            }
        }
        next_[nc] = kNil;
        count_[nc] = 1;
        total_[nc] = 1;
        rare_[nc] = 1;
        symbol_[nc] = c;
        refresh_[nc] = 4;
        others_[nc] = 0;
        length_[nc] = length;
        bytes_[nc] = last_;
        const uint16_t h = HashOf(last_, length);
        chain_[nc] = headOf_[h];
        headOf_[h] = nc;
    }

    ArithmeticEncoder coder_;
    std::array<uint16_t, kHashLength> randomHash_{};
    std::vector<uint16_t> headOf_;
    std::array<uint16_t, kContextSlots> chain_{}, toFront_{}, toBack_{}, total_{};
    std::array<std::array<uint8_t, 4>, kContextSlots> bytes_{};
    std::array<uint8_t, kContextSlots> length_{}, others_{}, rare_{}, refresh_{};
    std::array<uint16_t, kCountSlots> count_{}, next_{};
    std::array<uint8_t, kCountSlots> symbol_{};
    uint16_t front_ = 0, back_ = 0, free_ = kNil, release_ = 0;
    std::array<uint8_t, 4> last_{};
    std::array<uint16_t, kOrders + 1> searchHash_{};
    int searchLength_ = 0;
    int orders_ = kOrders;
    int dropCount_ = kContextSlots / 4;
    std::array<uint8_t, 256> masked_{}, maskList_{};
    int maskTop_ = 0;
    uint8_t sure_ = 0;
    std::array<uint8_t, kOrders + 1> newEscapes_{};
    std::array<uint16_t, kOrders + 1> contextAt_{}, nodeAt_{};
    int stack_ = 0;
};

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> PackHaAsc(std::span<const uint8_t> data) {
    std::vector<uint8_t> out;
    auto packer = std::make_unique<AscPacker>(out);
    MatchFinder finder(data);
    size_t at = 0;
    auto reach = [&](size_t where) { return uint32_t(std::min<size_t>(where, kWindow)); };
    std::pair<uint32_t, uint32_t> match = finder.Find(at, reach(at));
    while (at < data.size()) {
        // Short matches far back cost more than their literals.
        const bool worth = match.first > kMinMatch || (match.first == kMinMatch && match.second <= 4096);
        if (!worth) {
            packer->Literal(data[at]);
            finder.Insert(at);
            ++at;
            match = finder.Find(at, reach(at));
            continue;
        }
        finder.Insert(at);
        const auto next = finder.Find(at + 1, reach(at + 1));
        if (next.first > match.first) {
            packer->Literal(data[at]);
            ++at;
            match = next;
            continue;
        }
        packer->Match(match.second, match.first);
        for (size_t i = at + 1; i < at + match.first; ++i) finder.Insert(i);
        at += match.first;
        match = finder.Find(at, reach(at));
    }
    packer->End();
    return out;
}

std::vector<uint8_t> PackHaHsc(std::span<const uint8_t> data) {
    std::vector<uint8_t> out;
    auto packer = std::make_unique<HscPacker>(out);
    for (const uint8_t byte : data) packer->Byte(byte);
    packer->End();
    return out;
}

std::vector<uint8_t> BuildHaArchive(const std::vector<HaEntry>& entries) {
    std::vector<uint8_t> out = {'H', 'A', uint8_t(entries.size()), uint8_t(entries.size() >> 8)};
    for (const HaEntry& entry : entries) {
        std::vector<uint8_t> packed;
        if (entry.method == 1) packed = PackHaAsc(entry.data);
        if (entry.method == 2) packed = PackHaHsc(entry.data);
        if (entry.method == 0) packed = entry.data;
        const bool hasData = entry.method <= 2;
        out.push_back(uint8_t(0x20 | entry.method));
        PutU32(out, uint32_t(packed.size()));
        PutU32(out, hasData ? uint32_t(entry.data.size()) : 0);
        PutU32(out, hasData ? uint32_t(crc32_z(0, entry.data.data(), entry.data.size())) : 0);
        PutU32(out, 0x5D7B0E02);  // a fixed time, so archives made twice are equal
        for (const char c : entry.path) out.push_back(c == '/' ? 0xFF : uint8_t(c));
        out.push_back(0);
        out.insert(out.end(), entry.name.begin(), entry.name.end());
        out.push_back(0);
        // DOS machine data: type 1, attribute byte.
        out.insert(out.end(), {2, 1, 0x20});
        out.insert(out.end(), packed.begin(), packed.end());
    }
    return out;
}

}  // namespace corvalin::test
