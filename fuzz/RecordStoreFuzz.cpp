// Decodes arbitrary bytes as a record store, in the current and the earlier 16-bit form.
// Whatever a decoder accepts, even a partial tree left by a failure, must encode to bytes that
// decode again and encode to the very same bytes.
//
// Seeds in fuzz/corpus/record_store/: encodings of an empty root, a settings-like tree, a
// nested list, a 300-byte value, and one legacy 16-bit store.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "store/RecordIO.h"
#include "store/FileError.h"
#include "store/VEMOpt.h"

namespace {

// Values are bounded by the input through the availability check; the cap keeps runs quick.
constexpr size_t kMaxInputBytes = 1 << 20;

std::string Encode(corvalin::VEMOpt& root) {
    corvalin::StringRecordWriter writer;
    root.Write(writer.writer());
    return writer.bytes();
}

void CheckReencoding(corvalin::VEMOpt& decoded) {
    std::string first = Encode(decoded);
    corvalin::VEMOpt again;
    corvalin::MemoryRecordReader reader(reinterpret_cast<const uint8_t*>(first.data()), first.size());
    try {
        again.Read(reader.reader());
    } catch (const corvalin::FileError&) {
        std::abort();  // our own encoding was rejected
    }
    if (reader.position() != first.size()) std::abort();
    if (Encode(again) != first) std::abort();
}

template <typename Decode>
void Exercise(const uint8_t* data, size_t size, Decode decode) {
    corvalin::VEMOpt root;
    corvalin::MemoryRecordReader reader(data, size);
    try {
        decode(root, reader.reader());
    } catch (const corvalin::FileError&) {
        // Damaged input; what was decoded so far stays in the tree and is checked below.
    }
    CheckReencoding(root);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInputBytes) return -1;
    Exercise(data, size,
             [](corvalin::VEMOpt& root, const corvalin::RecordReader& reader) { root.Read(reader); });
    Exercise(data, size,
             [](corvalin::VEMOpt& root, const corvalin::RecordReader& reader) { root.ReadLegacy(reader); });
    return 0;
}
