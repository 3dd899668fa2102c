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
    pending_.insert(pending_.end(), bytes, bytes + count);
    if (pending_.size() >= kDispatchBytes) Dispatch(pending_.size() / kDigestLength * kDigestLength);
}

void StreamingDigest::Collect() {
    if (inFlight_.valid()) AddDigest(sum_, inFlight_.get());
}

void StreamingDigest::Dispatch(size_t bytes) {
    Collect();
    std::vector<uint8_t> piece;
    piece.swap(pending_);
    pending_.assign(piece.begin() + std::ptrdiff_t(bytes), piece.end());
    piece.resize(bytes);
    inFlight_ = std::async(std::launch::async, [seed = seed_, piece = std::move(piece)] {
        return ComputeDigest(seed, piece.data(), piece.size());
    });
}

std::array<uint8_t, kDigestLength> StreamingDigest::Finish() {
    Collect();
    AddDigest(sum_, ComputeDigest(seed_, pending_.data(), pending_.size()));
    pending_.clear();
    return sum_;
}

}  // namespace corvalin
