#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvalin {

// A seed is the 10-byte x87 extended-precision image of a number.
using DigestSeed = std::array<uint8_t, 10>;

DigestSeed SeedA();  // protects a book's head
DigestSeed SeedB();  // protects a book's record store and Global.cfg

constexpr int kDigestLength = 16;
constexpr int kDigestRounds = 1;

// The keyed digest: a table of 65536 successors shuffled by a generator seeded with the seed,
// used to mix fixed-size blocks that are summed byte-wise.
class VEMCrypt {
public:
    VEMCrypt();
    ~VEMCrypt();
    VEMCrypt(const VEMCrypt&) = delete;
    VEMCrypt& operator=(const VEMCrypt&) = delete;
    void SetSeed(const DigestSeed& seed);
    void StartDigest(int blockLength, int rounds);
    void AddData(const uint8_t* bytes, size_t count);
    std::vector<uint8_t> FinishDigest();
    void MixBlock(uint8_t* block, int length, int rounds) const;

    // successor / predecessor tables of the current seed, for tests
    const uint16_t* Successors() const;
    const uint16_t* Predecessors() const;

private:
    struct Impl;
    Impl* impl_;
};

// Digest of one byte range in one call.
std::vector<uint8_t> ComputeDigest(const DigestSeed& seed, const uint8_t* bytes, size_t count,
                                   int blockLength = kDigestLength, int rounds = kDigestRounds);

}  // namespace corvalin
