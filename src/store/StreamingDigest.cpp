#include "store/StreamingDigest.h"

namespace corvalin {
namespace {

// Large enough that the hand-over costs nothing, small enough to bound the memory held.
constexpr size_t kDispatchBytes = size_t(1) << 20;

}  // namespace

void AddDigest(std::array<uint8_t, kDigestLength>& sum, const std::vector<uint8_t>& part) {
    for (size_t i = 0; i < sum.size() && i < part.size(); ++i) sum[i] = uint8_t(sum[i] + part[i]);
}

StreamingDigest::~StreamingDigest() {
    if (inFlight_.valid()) inFlight_.wait();
}

void StreamingDigest::Add(const uint8_t* bytes, size_t count) {
    std::vector<uint8_t>& pending = buffers_[filling_];
    if (pending.capacity() == 0) pending.reserve(kDispatchBytes + kDigestLength);
    pending.insert(pending.end(), bytes, bytes + count);
    if (pending.size() >= kDispatchBytes) Dispatch(pending.size() / kDigestLength * kDigestLength);
}

void StreamingDigest::Collect() {
    if (inFlight_.valid()) AddDigest(sum_, inFlight_.get());
}

void StreamingDigest::Dispatch(size_t bytes) {
    Collect();  // the other buffer is free from here on
    std::vector<uint8_t>& piece = buffers_[filling_];
    filling_ = 1 - filling_;
    std::vector<uint8_t>& next = buffers_[filling_];
    next.assign(piece.begin() + std::ptrdiff_t(bytes), piece.end());
    piece.resize(bytes);
    inFlight_ = std::async(std::launch::async, [seed = seed_, data = piece.data(), size = piece.size()] {
        return ComputeDigest(seed, data, size);
    });
}

std::array<uint8_t, kDigestLength> StreamingDigest::Finish() {
    Collect();
    std::vector<uint8_t>& pending = buffers_[filling_];
    AddDigest(sum_, ComputeDigest(seed_, pending.data(), pending.size()));
    pending.clear();
    return sum_;
}

}  // namespace corvalin
