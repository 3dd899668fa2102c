#pragma once

#include <array>
#include <cstdint>
#include <future>
#include <vector>

#include "store/VEMCrypt.h"

namespace corvalin {

// The digest of a byte stream that is still being produced, computed on a second thread while
// the producer goes on. The digest is a byte-wise sum of independently mixed blocks, so it can
// be cut at any block boundary and the partial sums added.
class StreamingDigest {
public:
    explicit StreamingDigest(const DigestSeed& seed) : seed_(seed) {}
    ~StreamingDigest();
    StreamingDigest(const StreamingDigest&) = delete;
    StreamingDigest& operator=(const StreamingDigest&) = delete;

    void Add(const uint8_t* bytes, size_t count);
    // The digest of everything added, the last partial block padded with zeros.
    std::array<uint8_t, kDigestLength> Finish();

private:
    void Dispatch(size_t bytes);
    void Collect();

    DigestSeed seed_;
    // Two buffers take turns: one fills while the second thread reads the other. Reusing them
    // spares a fresh megabyte, and its page faults, for every piece of a large book.
    std::vector<uint8_t> buffers_[2];
    int filling_ = 0;
    std::future<std::vector<uint8_t>> inFlight_;
    std::array<uint8_t, kDigestLength> sum_{};
};

// Byte-wise sum of two digests: the digest of two block-aligned pieces of one stream.
void AddDigest(std::array<uint8_t, kDigestLength>& sum, const std::vector<uint8_t>& part);

}  // namespace corvalin
