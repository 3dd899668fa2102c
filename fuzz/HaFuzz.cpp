// Reads arbitrary bytes as an HA archive: lists every member and extracts each into a scratch
// folder, then feeds the same bytes to both decoders as a packed stream. A member that fails
// must leave no file; one that succeeds must be exactly its declared size.
//
// Seeds in fuzz/corpus/ha/ were made with the test packer (tests/support/HaEncoder.h,
// BuildHaArchive) from short texts of our own: an empty archive, one stored, one ASC and one
// HSC member, a longer ASC member with repeats, and an archive with a directory, a special
// file, a removed entry and members in folders.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <span>
#include <string>

#include "archive/HaDecoders.h"
#include "archive/HaReader.h"

namespace {

// HA headers are small and the decoders read their input once; 64 KiB of packed data reaches
// every model table and the context model's reuse of its slots.
constexpr size_t kMaxInputBytes = 1 << 16;
// Members declaring more are listed and skipped: packed data this small can expand to far
// more, which only makes runs slow.
constexpr uint64_t kMaxExtractBytes = uint64_t(1) << 20;
constexpr int kMaxMembers = 64;

struct Scratch {
    std::filesystem::path folder;
    std::filesystem::path archive;
    std::filesystem::path out;
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-ha-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        folder = pattern;
        archive = folder / "input.ha";
        out = folder / "out";
        std::filesystem::create_directory(out);
    }
};

class Discard : public corvalin::ha::OutputSink {
public:
    bool Put(std::span<const uint8_t> bytes) override {
        written += bytes.size();
        return true;
    }
    uint64_t written = 0;
};

void WriteFile(const std::filesystem::path& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInputBytes) return 0;
    static const Scratch scratch;
    std::filesystem::remove_all(scratch.out);
    std::filesystem::create_directory(scratch.out);
    WriteFile(scratch.archive, data, size);

    corvalin::VEM_HA reader;
    if (reader.Open(scratch.archive, scratch.out)) {
        std::set<std::filesystem::path> written;
        int members = 0;
        while (const auto member = reader.ReadHeader()) {
            if (++members > kMaxMembers) break;
            if (member->uncompressedSize > kMaxExtractBytes) {
                reader.Skip();
                continue;
            }
            const corvalin::ExtractResult result = reader.Extract();
            if (result.verdict.Ok()) {
                if (!std::filesystem::is_regular_file(result.path)) std::abort();
                // A name met again reuses the first member's file, whatever its size.
                if (written.insert(result.path).second &&
                    std::filesystem::file_size(result.path) != member->uncompressedSize)
                    std::abort();
            } else if (!result.path.empty()) {
                std::abort();
            }
        }
        reader.Close();
    }
    // Nothing but regular files, directly in the destination.
    for (const auto& entry : std::filesystem::directory_iterator(scratch.out))
        if (!entry.is_regular_file()) std::abort();

    // The declared size comes from the first two bytes, so the fuzzer can ask for short runs
    // (quick) or long ones (the models fill up and reuse their slots).
    const uint64_t declared = size < 2 ? 1 : 1 + (uint64_t(data[0]) | uint64_t(data[1]) << 8);
    for (int method = 1; method <= 2; ++method) {
        Discard sink;
        const corvalin::Verdict verdict = method == 1 ? corvalin::ha::UnpackAsc({data, size}, declared, sink)
                                                      : corvalin::ha::UnpackHsc({data, size}, declared, sink);
        if (sink.written > declared || (verdict.Ok() && sink.written != declared)) std::abort();
    }
    return 0;
}
