// The HSC method of HA archives: finite-context modelling of orders 4 down to 0 with escapes,
// coded by the shared arithmetic decoder. Each byte is looked for in the longest remembered
// context of the bytes before it; an escape moves to the next shorter one with the symbols
// already refused masked out, and below order 0 every byte not yet refused is equally likely.
// The model remembers at most 10,000 contexts (the least recently used one is reused) and
// 32,760 symbol counts (when they run out, some context's rarest counts are dropped).
//
// Decoding must keep exactly the model the encoder kept, so the arithmetic here, the widths of
// the counters included, is the format's own. How contexts are found is not part of it: a
// context is unique for its order and bytes, so any lookup that finds it will do. The format's
// own hash chains are replaced by chains of compact keys over a multiplicative hash, and orders
// with no context left are not searched at all.
#include <array>
#include <memory>
#include <vector>

#include "archive/HaArithmetic.h"
#include "archive/HaDecoders.h"

namespace corvalin::ha {
namespace {

constexpr int kMaxOrder = 4;
constexpr uint16_t kContexts = 10000;
constexpr uint16_t kNodes = 32760;  // the first kContexts are the contexts' own first symbols
constexpr int kBucketBits = 15;
constexpr uint16_t kNil = 0xFFFF;
constexpr int kEscape = 256;
constexpr uint8_t kUnused = 0xFF;  // a context slot not in use

constexpr uint8_t kInitialEscapeLimit = 32;  // the new-context escape counters run 0..32
constexpr uint8_t kSureAfter = 5;            // successes in a row before escapes look unlikely
constexpr uint16_t kSureSmallTotal = 4;
constexpr uint8_t kSureMost = 10;
constexpr uint16_t kRareCount = 3;  // counts below this feed the escape estimate
constexpr uint16_t kMaxTotal = 8000;
constexpr uint8_t kRefreshStart = 4;

// The latest `order` bytes of a context as one number, the latest byte lowest.
constexpr std::array<uint32_t, kMaxOrder + 1> kOrderMask = {0, 0xFF, 0xFFFF, 0xFFFFFF, 0xFFFFFFFF};

uint32_t Bucket(uint32_t bytes, int order) {
    return ((bytes * 0x9E3779B1u) ^ (uint32_t(order) * 0x7F4A7C15u)) >> (32 - kBucketBits);
}

struct Node {
    uint16_t count;
    uint16_t next;
    uint8_t symbol;
};

// What finding a context needs, apart from the rest so the lookup touches little memory.
struct ContextKey {
    uint32_t bytes;  // kOrderMask[order] of the latest bytes
    uint16_t next;   // in the bucket's chain
    uint8_t order;   // kUnused for a free slot
};

struct Context {
    uint16_t total;
    uint16_t newer;  // recency list
    uint16_t older;
    uint8_t extraSymbols;  // symbols beyond the first (8 bits, as the format counts them)
    uint8_t rareCounts;    // symbols counted fewer than kRareCount times (8 bits, likewise)
    uint8_t refresh;
};

class HscDecoder {
public:
    HscDecoder(std::span<const uint8_t> packed, uint64_t originalSize, OutputSink& sink)
        : coder_(packed), originalSize_(originalSize), sink_(sink) {
        nodes_.resize(kNodes);
        contexts_.resize(kContexts);
        keys_.resize(kContexts);
        buckets_.assign(size_t(1) << kBucketBits, kNil);
        for (uint16_t i = 0; i < kContexts; ++i) {
            keys_[i].order = kUnused;
            contexts_[i].older = uint16_t(i + 1);
            contexts_[i].newer = uint16_t(i - 1);
            nodes_[i].next = kNil;
        }
        newest_ = 0;
        oldest_ = kContexts - 1;
        for (uint16_t i = kContexts; i < kNodes - 1; ++i) nodes_[i].next = uint16_t(i + 1);
        nodes_[kNodes - 1].next = kNil;
        freeNodes_ = kContexts;
        newContextEscapes_[0] = kInitialEscapeLimit / 2;
        for (int order = 1; order <= kMaxOrder; ++order)
            newContextEscapes_[order] = kInitialEscapeLimit / 2 - 1;
        output_.resize(kOutputBlock);
    }

    Verdict Run() {
        uint64_t emitted = 0;
        for (;;) {
            if (coder_.Damaged()) return Bad(VerdictKind::Damaged, "a code no encoder writes");
            if (coder_.Exhausted()) return Bad(VerdictKind::Truncated, "packed data ends early");
            uint16_t context = FindLongest();
            const int shortestNew = context == kNil ? 0 : keys_[context].order + 1;
            int order = maxOrder_ + 1;
            int symbol = kEscape;
            for (;;) {
                if (context == kNil) {
                    symbol = DecodeUnseen();
                    break;
                }
                symbol = maskedCount_ != 0 ? DecodeAfterEscape(context) : DecodeFirst(context);
                if (symbol != kEscape) {
                    MakeNewest(context);
                    break;
                }
                context = FindNext();
            }
            if (symbol == kEscape) break;
            if (emitted == originalSize_)
                return Bad(VerdictKind::Damaged, "data runs on past the declared size");
            Learn(uint8_t(symbol));
            while (order > shortestNew) AddContext(uint8_t(--order), uint8_t(symbol));
            output_[outputUsed_++] = uint8_t(symbol);
            ++emitted;
            if (outputUsed_ == kOutputBlock && !Flush()) return Verdict::Good();
            recent_ = recent_ << 8 | uint32_t(symbol);
        }
        if (coder_.Damaged()) return Bad(VerdictKind::Damaged, "a code no encoder writes");
        if (coder_.Exhausted()) return Bad(VerdictKind::Truncated, "packed data ends early");
        if (emitted != originalSize_) return Bad(VerdictKind::Damaged, "data ends before the declared size");
        Flush();
        return Verdict::Good();
    }

private:
    static constexpr size_t kOutputBlock = size_t(1) << 16;

    static Verdict Bad(VerdictKind kind, const char* what) {
        return Verdict::Bad(kind, "HSC data", std::string("HA HSC data: ") + what);
    }

    bool Flush() {
        const bool ok = sink_.Put({output_.data(), outputUsed_});
        outputUsed_ = 0;
        return ok;
    }

    // --- finding contexts ---

    uint16_t FindLongest() {
        pending_ = 0;
        while (maskedCount_ != 0) masked_[maskStack_[--maskedCount_]] = 0;
        searchOrder_ = kMaxOrder + 1;
        return FindNext();
    }

    // The longest remembered context shorter than the last one tried.
    uint16_t FindNext() {
        for (int order = searchOrder_ - 1; order >= 0; --order) {
            if (contextsOfOrder_[size_t(order)] == 0) continue;
            const uint32_t bytes = recent_ & kOrderMask[size_t(order)];
            for (uint16_t at = buckets_[Bucket(bytes, order)]; at != kNil; at = keys_[at].next) {
                if (keys_[at].bytes == bytes && keys_[at].order == order) {
                    searchOrder_ = order;
                    return at;
                }
            }
        }
        return kNil;
    }

    void MakeNewest(uint16_t at) {
        if (at == newest_) return;
        Context& context = contexts_[at];
        if (at == oldest_) {
            oldest_ = context.newer;
        } else {
            contexts_[context.older].newer = context.newer;
            contexts_[context.newer].older = context.older;
        }
        contexts_[newest_].newer = at;
        context.older = newest_;
        newest_ = at;
    }

    // --- decoding one symbol ---

    uint32_t EscapeWeight(uint32_t rare, uint16_t at) const {
        const Context& context = contexts_[at];
        if (context.total == 1) return newContextEscapes_[keys_[at].order] >= kInitialEscapeLimit / 2 ? 2 : 1;
        if (context.extraSymbols == 255) return 1;
        const uint32_t symbols = uint32_t(context.extraSymbols) + 1;
        if (context.extraSymbols != 0 && symbols * 2 >= context.total) {
            rare = uint16_t(rare * symbols * 2 / context.total);
            if (symbols == context.total) rare += symbols >> 1;
        }
        return rare != 0 ? rare : 1;
    }

    void CountOutcome(uint16_t at, bool escaped) {
        if (contexts_[at].total != 1) return;
        uint8_t& counter = newContextEscapes_[keys_[at].order];
        if (escaped) {
            if (counter < kInitialEscapeLimit) ++counter;
        } else if (counter != 0) {
            --counter;
        }
    }

    // Masks the context's symbols for the shorter contexts to come and marks the context for
    // learning the symbol as a new one, after its last node. A context's symbols are distinct,
    // so at most 256 are ever masked.
    void MaskAll(uint16_t at) {
        uint16_t last = at;
        for (uint16_t node = at; node != kNil; last = node, node = nodes_[node].next) {
            const uint8_t symbol = nodes_[node].symbol;
            if (masked_[symbol]) continue;
            maskStack_[maskedCount_++] = symbol;
            masked_[symbol] = 1;
        }
        pendingContexts_[pending_] = uint16_t(0x8000 | at);
        pendingNodes_[pending_++] = last;
    }

    // The first context of a byte: nothing is masked yet. After a run of successes the symbols
    // are weighted up against the escape.
    int DecodeFirst(uint16_t at) {
        const Context& context = contexts_[at];
        const uint32_t escape = EscapeWeight(context.rareCounts, at);
        int shift = 0;
        if (sureCount_ >= kSureAfter)
            shift = context.total <= kSureSmallTotal && sureCount_ == kSureMost ? 2 : 1;
        const uint32_t total = uint32_t(context.total) << shift;
        const uint32_t target = coder_.Threshold(total + escape) >> shift;
        uint32_t below = 0;
        uint16_t node = at;
        for (; node != kNil; node = nodes_[node].next) {
            if (below + nodes_[node].count > target) break;
            below += nodes_[node].count;
        }
        if (node != kNil) {
            coder_.Take(below << shift, (below + nodes_[node].count) << shift, total + escape);
            CountOutcome(at, false);
            pendingNodes_[0] = node;
            pendingContexts_[0] = at;
            pending_ = 1;
            if (sureCount_ < kSureMost) ++sureCount_;
            return nodes_[node].symbol;
        }
        coder_.Take(total, total + escape, total + escape);
        CountOutcome(at, true);
        pending_ = 0;
        MaskAll(at);
        sureCount_ = 0;
        return kEscape;
    }

    int DecodeAfterEscape(uint16_t at) {
        uint32_t total = 0;
        uint32_t rare = 0;
        for (uint16_t node = at; node != kNil; node = nodes_[node].next) {
            if (masked_[nodes_[node].symbol]) continue;
            total += nodes_[node].count;
            if (nodes_[node].count < kRareCount) ++rare;
        }
        const uint32_t escape = EscapeWeight(rare, at);
        const uint32_t target = coder_.Threshold(total + escape);
        uint32_t below = 0;
        uint16_t node = at;
        for (; node != kNil; node = nodes_[node].next) {
            if (masked_[nodes_[node].symbol]) continue;
            if (below + nodes_[node].count > target) break;
            below += nodes_[node].count;
        }
        if (node != kNil) {
            coder_.Take(below, below + nodes_[node].count, total + escape);
            CountOutcome(at, false);
            pendingNodes_[pending_] = node;
            pendingContexts_[pending_++] = at;
            ++sureCount_;
            return nodes_[node].symbol;
        }
        coder_.Take(total, total + escape, total + escape);
        CountOutcome(at, true);
        MaskAll(at);
        return kEscape;
    }

    // Below order 0: every byte not masked, and the end mark, equally likely.
    int DecodeUnseen() {
        const uint32_t total = 257 - uint32_t(maskedCount_);
        const uint32_t target = coder_.Threshold(total);
        uint32_t below = 0;
        int symbol = 0;
        for (; symbol < 256; ++symbol) {
            if (masked_[size_t(symbol)]) continue;
            if (below + 1 > target) break;
            ++below;
        }
        coder_.Take(below, below + 1, total);
        return symbol;
    }

    // --- learning ---

    // Counts the symbol in every context visited for it: once more where it was found, as a
    // new symbol where the context escaped.
    void Learn(uint8_t symbol) {
        while (pending_ != 0) {
            --pending_;
            uint16_t node = pendingNodes_[pending_];
            const uint16_t tagged = pendingContexts_[pending_];
            const uint16_t at = tagged & 0x7FFF;
            Context& context = contexts_[at];
            if (tagged & 0x8000) {
                if (freeNodes_ == kNil) ReleaseNodes();
                const uint16_t fresh = freeNodes_;
                freeNodes_ = nodes_[fresh].next;
                nodes_[node].next = fresh;
                node = fresh;
                nodes_[node] = {1, kNil, symbol};
                ++context.extraSymbols;
                ++context.rareCounts;
            } else if (++nodes_[node].count == kRareCount) {
                --context.rareCounts;
            }
            ++context.total;
            // count * 2 < total / symbols, without the division.
            if ((uint32_t(nodes_[node].count) * 2 + 1) * (uint32_t(context.extraSymbols) + 1) <=
                context.total)
                --context.refresh;
            else if (context.refresh < kRefreshStart)
                ++context.refresh;
            if (context.refresh == 0 || context.total >= kMaxTotal) {
                ++context.refresh;
                context.rareCounts = 0;
                context.total = 0;
                for (uint16_t each = at; each != kNil; each = nodes_[each].next) {
                    Node& counted = nodes_[each];
                    if (counted.count > 1) {
                        counted.count >>= 1;
                        context.total = uint16_t(context.total + counted.count);
                        if (counted.count < kRareCount) ++context.rareCounts;
                    } else {
                        ++context.total;
                        ++context.rareCounts;
                    }
                }
            }
        }
    }

    // Out of counts: the next context in turn that is not being updated right now gives up its
    // rarest symbols and has the others divided down.
    void ReleaseNodes() {
        for (;;) {
            do {
                if (++releaseNext_ == kContexts) releaseNext_ = 0;
            } while (nodes_[releaseNext_].next == kNil);
            bool busy = false;
            for (int i = 0; i <= pending_; ++i)
                busy = busy || (pendingContexts_[size_t(i)] & 0x7FFF) == releaseNext_;
            if (!busy) break;
        }
        const uint16_t at = releaseNext_;
        Context& context = contexts_[at];
        uint16_t least = nodes_[at].count;
        for (uint16_t node = nodes_[at].next; node != kNil; node = nodes_[node].next)
            least = std::min(least, nodes_[node].count);
        const uint16_t divisor = uint16_t(least + 1);
        if (nodes_[at].count < divisor) {
            // The first symbol is among the rarest: the first one that is not (or the last)
            // takes its place, and the ones passed over are freed.
            uint16_t keep = nodes_[at].next;
            while (nodes_[keep].count < divisor && nodes_[keep].next != kNil) keep = nodes_[keep].next;
            nodes_[at].count = nodes_[keep].count;
            nodes_[at].symbol = nodes_[keep].symbol;
            const uint16_t rest = nodes_[keep].next;
            nodes_[keep].next = freeNodes_;
            freeNodes_ = nodes_[at].next;
            nodes_[at].next = rest;
            if (rest == kNil) {
                context.extraSymbols = 0;
                context.total = nodes_[at].count;
                context.rareCounts = context.total < kRareCount ? 1 : 0;
                return;
            }
        }
        nodes_[at].count = uint16_t(nodes_[at].count / divisor);
        context.total = nodes_[at].count;
        context.rareCounts = context.total < kRareCount ? 1 : 0;
        context.extraSymbols = 0;
        uint16_t previous = at;
        for (uint16_t node = nodes_[at].next; node != kNil;) {
            if (nodes_[node].count < divisor) {
                nodes_[previous].next = nodes_[node].next;
                nodes_[node].next = freeNodes_;
                freeNodes_ = node;
                node = nodes_[previous].next;
            } else {
                ++context.extraSymbols;
                nodes_[node].count = uint16_t(nodes_[node].count / divisor);
                context.total = uint16_t(context.total + nodes_[node].count);
                if (nodes_[node].count < kRareCount) ++context.rareCounts;
                previous = node;
                node = nodes_[node].next;
            }
        }
    }

    // Remembers the context of the latest `order` bytes with `symbol` as its first symbol, in
    // the slot of the least recently used context.
    void AddContext(uint8_t order, uint8_t symbol) {
        const uint16_t at = oldest_;
        Context& context = contexts_[at];
        ContextKey& key = keys_[at];
        oldest_ = context.newer;
        contexts_[newest_].newer = at;
        context.older = newest_;
        newest_ = at;
        if (key.order != kUnused) {
            if (key.order == kMaxOrder && --ordersBeforeDrop_ == 0) maxOrder_ = kMaxOrder - 1;
            --contextsOfOrder_[key.order];
            uint16_t* link = &buckets_[Bucket(key.bytes, key.order)];
            while (*link != at) link = &keys_[*link].next;
            *link = key.next;
            if (nodes_[at].next != kNil) {
                uint16_t last = nodes_[at].next;
                while (nodes_[last].next != kNil) last = nodes_[last].next;
                nodes_[last].next = freeNodes_;
                freeNodes_ = nodes_[at].next;
            }
        }
        nodes_[at] = {1, kNil, symbol};
        context.rareCounts = 1;
        context.total = 1;
        context.refresh = kRefreshStart;
        context.extraSymbols = 0;
        key.order = order;
        key.bytes = recent_ & kOrderMask[order];
        uint16_t& bucket = buckets_[Bucket(key.bytes, order)];
        key.next = bucket;
        bucket = at;
        ++contextsOfOrder_[order];
    }

    ArithmeticDecoder coder_;
    uint64_t originalSize_;
    OutputSink& sink_;
    std::vector<Node> nodes_;
    std::vector<Context> contexts_;
    std::vector<ContextKey> keys_;
    std::vector<uint16_t> buckets_;
    std::array<int, kMaxOrder + 1> contextsOfOrder_{};
    uint16_t newest_ = 0;
    uint16_t oldest_ = 0;
    uint16_t freeNodes_ = kNil;
    uint16_t releaseNext_ = 0;

    uint32_t recent_ = 0;  // the latest four bytes, the latest lowest
    int searchOrder_ = 0;
    int maxOrder_ = kMaxOrder;
    int ordersBeforeDrop_ = kContexts / 4;  // order-4 contexts reused before order 4 is given up

    std::array<uint8_t, 256> masked_{};
    std::array<uint8_t, 256> maskStack_{};
    int maskedCount_ = 0;

    uint8_t sureCount_ = 0;
    std::array<uint8_t, kMaxOrder + 1> newContextEscapes_{};

    // The contexts visited for the current symbol (bit 15: it escaped) and, for each, the node
    // found there or its last node.
    std::array<uint16_t, kMaxOrder + 1> pendingContexts_{};
    std::array<uint16_t, kMaxOrder + 1> pendingNodes_{};
    int pending_ = 0;

    std::vector<uint8_t> output_;
    size_t outputUsed_ = 0;
};

}  // namespace

Verdict UnpackHsc(std::span<const uint8_t> packed, uint64_t originalSize, OutputSink& sink) {
    auto decoder = std::make_unique<HscDecoder>(packed, originalSize, sink);
    return decoder->Run();
}

}  // namespace corvalin::ha
