#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "store/VEMFile.h"

namespace corvalin {

void VEMStream::Append(const void* source, int64_t length) {
    if (length <= 0) return;
    if (chunkSize_ < 1) throw std::invalid_argument("VEMStream chunk size must be positive");
    auto* in = static_cast<const uint8_t*>(source);
    while (length > 0) {
        if (!last_ || last_->used == chunkSize_) {
            auto* chunk = new VEMStreamCluster;
            chunk->owner = this;
            chunk->base = last_ ? last_->base + chunkSize_ : 0;
            chunk->data.resize(static_cast<size_t>(chunkSize_));
            chunk->previous = last_;
            if (last_)
                last_->next = chunk;
            else
                first_ = chunk;
            last_ = chunk;
        }
        int64_t piece = std::min(length, chunkSize_ - last_->used);
        std::memcpy(last_->data.data() + last_->used, in, static_cast<size_t>(piece));
        last_->used += piece;
        in += piece;
        length -= piece;
    }
}

int64_t VEMStream::ReadAt(void* destination, int64_t position, int64_t length) {
    if (length <= 0 || position < 0 || position >= Size()) return 0;
    // The encoding dialog reads mostly near where it read last, forward or back.
    VEMStreamCluster* chunk = cursor_ ? cursor_ : first_;
    while (position < chunk->base) chunk = chunk->previous;
    while (position >= chunk->base + chunk->used) chunk = chunk->next;

    auto* out = static_cast<uint8_t*>(destination);
    int64_t copied = 0;
    while (chunk && copied < length) {
        int64_t offset = position + copied - chunk->base;
        int64_t piece = std::min(length - copied, chunk->used - offset);
        std::memcpy(out + copied, chunk->data.data() + offset, static_cast<size_t>(piece));
        copied += piece;
        cursor_ = chunk;
        chunk = chunk->next;
    }
    return copied;
}

int64_t VEMStream::Size() const { return last_ ? last_->base + last_->used : 0; }

void VEMStream::Clear() {
    VEMStreamCluster* chunk = first_;
    while (chunk) {
        VEMStreamCluster* next = chunk->next;
        delete chunk;
        chunk = next;
    }
    first_ = last_ = cursor_ = nullptr;
}

}  // namespace corvalin
