#include "store/VEMCrypt.h"

#include <algorithm>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

#if (defined(__x86_64__) || defined(__i386__)) && __has_include(<fpu_control.h>)
#include <fpu_control.h>
#define CORVALIN_HAS_X87_CONTROL 1
#endif

namespace corvalin {

// Every digest ever written depends on the exact sequence of this generator, which runs in the
// x87 80-bit format (64-bit mantissa). A platform with another long double would build different
// tables and reject every existing book and configuration file.
static_assert(std::numeric_limits<long double>::digits == 64,
              "digest seeding needs the x87 80-bit extended format (64-bit mantissa long double); "
              "on this platform every stored digest would fail to verify");

namespace {

constexpr int kTableSize = 65536;
constexpr int kSeedBytes = 10;

// The generator's constants are extended-precision values, not doubles.
constexpr long double kGeneratorStart = 0.011L;
constexpr long double kGeneratorStep = 0.00000001L;

// The two seeds are doubles widened to extended, so their low 11 mantissa bits are zero.
constexpr double kSeedAValue = 0.482913657;
constexpr double kSeedBValue = 0.735162948027;

struct Table {
    uint16_t successor[kTableSize];
    // The vector path reads each successor as the low half of a 32-bit load; this keeps the
    // load of the last entry inside the table.
    uint16_t successorPad = 0;
    uint16_t predecessor[kTableSize];
};

// Forces 64-bit-mantissa precision for the generator's arithmetic whatever the process's control
// word says, and puts the caller's state back afterwards.
class ExtendedPrecisionScope {
public:
#ifdef CORVALIN_HAS_X87_CONTROL
    ExtendedPrecisionScope() {
        _FPU_GETCW(saved_);
        fpu_control_t wanted = static_cast<fpu_control_t>((saved_ & ~(_FPU_EXTENDED | _FPU_RC_ZERO)) |
                                                          _FPU_EXTENDED | _FPU_RC_NEAREST);
        _FPU_SETCW(wanted);
    }
    ~ExtendedPrecisionScope() { _FPU_SETCW(saved_); }

private:
    fpu_control_t saved_;
#endif
};

DigestSeed ImageOf(long double value) {
    DigestSeed seed{};
    std::memcpy(seed.data(), &value, kSeedBytes);
    return seed;
}

class SeedGenerator {
public:
    explicit SeedGenerator(long double seed) : x_(seed), b_(kGeneratorStart) {}

    // A number in [0, 1). The floor is taken of x rounded to double while the subtraction keeps
    // the extended x: that mix is what the stored digests were made with.
    long double Next() {
        do {
            x_ = x_ / b_;
            x_ = b_ + x_;
            x_ = x_ - static_cast<long double>(std::floor(static_cast<double>(x_)));
            b_ = b_ + kGeneratorStep;
            // A seed image that is not a number (or overflows) would otherwise never leave the loop.
            if (std::isnan(x_)) throw std::invalid_argument("digest seed is not a usable number");
        } while (!(x_ >= 0.5L));
        return 2 * x_ - 1;
    }

private:
    long double x_;
    long double b_;
};

// floor(r × scale) of the exact product, which is what rounding the extended product toward
// −∞ and then taking the floor gives. r lies in [0, 1), scale ≤ 65536.
uint32_t FloorScaled(long double r, uint32_t scale) {
    if (!(r > 0)) return 0;
    int exponent = 0;
    long double fraction = std::frexp(r, &exponent);  // r = fraction × 2^exponent, exponent ≤ 0
    // The fraction has exactly 64 significant bits, so this is the mantissa as an integer.
    uint64_t mantissa = static_cast<uint64_t>(std::ldexp(fraction, 64));
    // (mantissa × scale) >> 64 without a 128-bit type.
    uint64_t high = mantissa >> 32;
    uint64_t low = mantissa & 0xFFFFFFFFu;
    uint64_t top = (high * scale + ((low * scale) >> 32)) >> 32;
    int shift = -exponent;
    return shift >= 64 ? 0 : static_cast<uint32_t>(top >> shift);
}

std::shared_ptr<const Table> BuildTable(const DigestSeed& seed) {
    long double start = 0;
    std::memcpy(&start, seed.data(), kSeedBytes);

    auto table = std::make_shared<Table>();
    uint16_t* successor = table->successor;
    uint16_t* predecessor = table->predecessor;
    for (int i = 0; i < kTableSize; ++i) {
        successor[i] = static_cast<uint16_t>((i + 1) & 0xFFFF);
        predecessor[i] = static_cast<uint16_t>((i - 1) & 0xFFFF);
    }

    ExtendedPrecisionScope precision;
    SeedGenerator generator(start);
    for (int j = 0; j < kTableSize - 1; ++j) {
        long double r = generator.Next();
        uint32_t k = FloorScaled(r, static_cast<uint32_t>(kTableSize - j));
        uint16_t t = static_cast<uint16_t>((j + k) & 0xFFFF);
        uint16_t sj = successor[j];
        uint16_t pj = predecessor[j];
        uint16_t st = successor[t];
        uint16_t pt = predecessor[t];
        // Exchange the places of nodes j and t in the cyclic list; neighbours need their own cases.
        if (t == sj) {
            predecessor[j] = t;
            successor[j] = st;
            predecessor[st] = static_cast<uint16_t>(j);
            predecessor[t] = pj;
            successor[t] = static_cast<uint16_t>(j);
            successor[pj] = t;
        } else if (t == pj) {
            predecessor[j] = pt;
            successor[j] = t;
            successor[pt] = static_cast<uint16_t>(j);
            predecessor[t] = static_cast<uint16_t>(j);
            successor[t] = sj;
            predecessor[sj] = t;
        } else if (t != j) {
            successor[j] = st;
            predecessor[j] = pt;
            predecessor[st] = static_cast<uint16_t>(j);
            successor[pt] = static_cast<uint16_t>(j);
            successor[t] = sj;
            predecessor[t] = pj;
            predecessor[sj] = t;
            successor[pj] = t;
        }
    }
    return table;
}

// Building a table takes 65535 generator steps; a library scan verifies two digests per book,
// so tables are built once per seed and shared. They never change after being built.
std::shared_ptr<const Table> CachedTable(const DigestSeed& seed) {
    static std::mutex mutex;
    static std::map<DigestSeed, std::shared_ptr<const Table>> tables;
    std::lock_guard<std::mutex> lock(mutex);
    auto found = tables.find(seed);
    if (found != tables.end()) return found->second;
    std::shared_ptr<const Table> table = BuildTable(seed);
    tables.emplace(seed, table);
    return table;
}

void Wipe(std::vector<uint8_t>& bytes) {
    // volatile so the zeroing survives even though the buffer is freed right after
    volatile uint8_t* p = bytes.data();
    for (size_t i = 0; i < bytes.size(); ++i) p[i] = 0;
}

// Every digest in the program uses 16-byte blocks and one round, and book files run to a
// hundred megabytes, so that case gets a path of its own: the butterfly of MixBlock unrolled
// for 16 bytes, over several independent blocks at once so that their table lookups overlap.
constexpr int kFastBlock = 16;
constexpr int kFastLanes = 4;

#if defined(__x86_64__) || defined(__i386__)
// Eight blocks side by side, one 32-bit lane each: a lane vector per byte position, so each
// step of the butterfly is one gathered table lookup for all eight blocks. The input is
// transposed with gathers too, which read three bytes past the last block: callers keep that
// much input behind the blocks they hand over.
constexpr int kVectorLanes = 8;
constexpr size_t kVectorGroupBytes = kFastBlock * kVectorLanes;
constexpr size_t kVectorOverread = 3;

__attribute__((target("avx2"))) size_t AddVectorBlocks(const uint16_t* successor, const uint8_t* bytes,
                                                       size_t count, uint8_t* accumulator) {
    const int* table = reinterpret_cast<const int*>(successor);
    const __m256i blockStarts = _mm256_setr_epi32(0, 16, 32, 48, 64, 80, 96, 112);
    const __m256i lowByte = _mm256_set1_epi32(0xFF);
    __m256i sums[kFastBlock];
    for (auto& sum : sums) sum = _mm256_setzero_si256();
    size_t taken = 0;
    while (count - taken >= kVectorGroupBytes + kVectorOverread) {
        __m256i v[kFastBlock];
        for (int p = 0; p < kFastBlock; ++p) {
            const int* base = reinterpret_cast<const int*>(bytes + taken + p);
            v[p] = _mm256_and_si256(_mm256_i32gather_epi32(base, blockStarts, 1), lowByte);
        }
        for (int s = 1; s < kFastBlock; s *= 2) {
            for (int g = 0; g < kFastBlock; g += 2 * s) {
                for (int i = g; i < g + s; ++i) {
                    const int m = i + s;
                    const __m256i index = _mm256_or_si256(v[i], _mm256_slli_epi32(v[m], 8));
                    const __m256i next = _mm256_i32gather_epi32(table, index, 2);
                    v[i] = _mm256_and_si256(next, lowByte);
                    v[m] = _mm256_and_si256(_mm256_srli_epi32(next, 8), lowByte);
                }
            }
        }
        for (int p = 0; p < kFastBlock; ++p) sums[p] = _mm256_add_epi32(sums[p], v[p]);
        taken += kVectorGroupBytes;
        // 32-bit lanes cannot overflow before 2^24 groups; fold long before that.
        if ((taken & ((size_t(1) << 26) - 1)) == 0) {
            for (int p = 0; p < kFastBlock; ++p) sums[p] = _mm256_and_si256(sums[p], lowByte);
        }
    }
    for (int p = 0; p < kFastBlock; ++p) {
        alignas(32) uint32_t lanes[kVectorLanes];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sums[p]);
        uint32_t total = 0;
        for (uint32_t lane : lanes) total += lane;
        accumulator[p] = static_cast<uint8_t>(accumulator[p] + total);
    }
    return taken;
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

size_t AddFastBlocks(const uint16_t* successor, const uint8_t* bytes, size_t count, uint8_t* accumulator) {
#if defined(__x86_64__) || defined(__i386__)
    if (HasAvx2() && count >= kVectorGroupBytes + kVectorOverread)
        return AddVectorBlocks(successor, bytes, count, accumulator);
#endif
    uint8_t sum[kFastBlock] = {};
    size_t taken = 0;
    while (count - taken >= kFastBlock * kFastLanes) {
        uint8_t lane[kFastLanes][kFastBlock];
        std::memcpy(lane, bytes + taken, sizeof lane);
        for (int s = 1; s < kFastBlock; s *= 2) {
            for (int g = 0; g < kFastBlock; g += 2 * s) {
                for (int i = g; i < g + s; ++i) {
                    const int m = i + s;
                    for (int k = 0; k < kFastLanes; ++k) {
                        const uint16_t v = successor[lane[k][i] | lane[k][m] << 8];
                        lane[k][i] = static_cast<uint8_t>(v);
                        lane[k][m] = static_cast<uint8_t>(v >> 8);
                    }
                }
            }
        }
        for (int k = 0; k < kFastLanes; ++k)
            for (int i = 0; i < kFastBlock; ++i) sum[i] = static_cast<uint8_t>(sum[i] + lane[k][i]);
        taken += kFastBlock * kFastLanes;
    }
    for (int i = 0; i < kFastBlock; ++i) accumulator[i] = static_cast<uint8_t>(accumulator[i] + sum[i]);
    return taken;
}

}  // namespace

DigestSeed SeedA() { return ImageOf(static_cast<long double>(kSeedAValue)); }
DigestSeed SeedB() { return ImageOf(static_cast<long double>(kSeedBValue)); }

struct VEMCrypt::Impl {
    std::shared_ptr<const Table> table;
    std::vector<uint8_t> accumulator;
    std::vector<uint8_t> block;
    int blockLength = 0;
    int rounds = 0;
    int fill = 0;
    bool started = false;

    void AddBlock(const VEMCrypt& owner) {
        owner.MixBlock(block.data(), blockLength, rounds);
        for (int i = 0; i < blockLength; ++i)
            accumulator[i] = static_cast<uint8_t>(accumulator[i] + block[i]);
        fill = 0;
    }
};

VEMCrypt::VEMCrypt() : impl_(new Impl) {}

VEMCrypt::~VEMCrypt() {
    Wipe(impl_->block);
    delete impl_;
}

void VEMCrypt::SetSeed(const DigestSeed& seed) { impl_->table = CachedTable(seed); }

const uint16_t* VEMCrypt::Successors() const { return impl_->table ? impl_->table->successor : nullptr; }

const uint16_t* VEMCrypt::Predecessors() const { return impl_->table ? impl_->table->predecessor : nullptr; }

void VEMCrypt::MixBlock(uint8_t* block, int length, int rounds) const {
    if (!impl_->table) throw std::logic_error("VEMCrypt::MixBlock before SetSeed");
    const uint16_t* successor = impl_->table->successor;
    for (int round = 0; round < rounds; ++round) {
        for (int s = 1; s < length; s *= 2) {
            for (int g = 0; g < length; g += 2 * s) {
                int groupEnd = std::min(g + s, length);
                for (int i = g; i < groupEnd; ++i) {
                    int m = i + s;
                    if (m >= length) m -= length;
                    uint16_t v = successor[block[i] + 256 * block[m]];
                    block[i] = static_cast<uint8_t>(v & 0xFF);
                    block[m] = static_cast<uint8_t>(v >> 8);
                }
            }
        }
    }
}

void VEMCrypt::StartDigest(int blockLength, int rounds) {
    if (blockLength < 1) throw std::invalid_argument("digest block length must be positive");
    if (!impl_->table) throw std::logic_error("VEMCrypt::StartDigest before SetSeed");
    Wipe(impl_->block);
    impl_->blockLength = blockLength;
    impl_->rounds = rounds;
    impl_->accumulator.assign(static_cast<size_t>(blockLength), 0);
    impl_->block.assign(static_cast<size_t>(blockLength), 0);
    impl_->fill = 0;
    impl_->started = true;
}

void VEMCrypt::AddData(const uint8_t* bytes, size_t count) {
    Impl& d = *impl_;
    if (!d.started) throw std::logic_error("VEMCrypt::AddData before StartDigest");
    while (count > 0) {
        if (d.fill == 0 && d.blockLength == kFastBlock && d.rounds == 1 && count >= kFastBlock * kFastLanes) {
            const size_t taken = AddFastBlocks(d.table->successor, bytes, count, d.accumulator.data());
            bytes += taken;
            count -= taken;
            continue;
        }
        size_t room = static_cast<size_t>(d.blockLength - d.fill);
        size_t n = count < room ? count : room;
        std::memcpy(d.block.data() + d.fill, bytes, n);
        d.fill += static_cast<int>(n);
        bytes += n;
        count -= n;
        if (d.fill == d.blockLength) d.AddBlock(*this);
    }
}

std::vector<uint8_t> VEMCrypt::FinishDigest() {
    Impl& d = *impl_;
    if (!d.started) throw std::logic_error("VEMCrypt::FinishDigest before StartDigest");
    if (d.fill > 0) {
        std::memset(d.block.data() + d.fill, 0, static_cast<size_t>(d.blockLength - d.fill));
        d.AddBlock(*this);
    }
    Wipe(d.block);
    d.block.clear();
    d.started = false;
    return std::move(d.accumulator);
}

std::vector<uint8_t> ComputeDigest(const DigestSeed& seed, const uint8_t* bytes, size_t count,
                                   int blockLength, int rounds) {
    VEMCrypt crypt;
    crypt.SetSeed(seed);
    crypt.StartDigest(blockLength, rounds);
    crypt.AddData(bytes, count);
    return crypt.FinishDigest();
}

}  // namespace corvalin
