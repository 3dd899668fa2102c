#include "store/RecordIO.h"

#include <cstring>

#include "store/FileError.h"

namespace corvalin {

void StringRecordWriter::Append(void* context, const uint8_t* bytes, uint32_t count) {
    auto* self = static_cast<StringRecordWriter*>(context);
    self->bytes_.append(reinterpret_cast<const char*>(bytes), count);
}

void MemoryRecordReader::Take(void* context, uint8_t* destination, uint32_t count) {
    auto* self = static_cast<MemoryRecordReader*>(context);
    // Compare lengths, never form a pointer past the end.
    if (count > self->size_ - self->position_) {
        throw RecordStoreDamage("record store: input ends early");
    }
    if (destination == nullptr) return;
    if (count > 0) std::memcpy(destination, self->data_ + self->position_, count);
    self->position_ += count;
}

}  // namespace corvalin
