// An arbitrary file as an archive: the front door's signature check, then the listing and the
// extraction passes of every reader (libarchive's formats, RAR), and our -lh4- to -lh7-
// decoder directly on any LZH header found in the input. Neither library is instrumented;
// what is checked is our side of them: bounded output, no file outside the destination,
// nothing left behind by a failed member. The UnRAR library runs in the RAR reader's worker
// process, so a crash inside it (rar5-damaged-uninitialised-read.rar in the seeds makes one
// under AddressSanitizer) shows as a sanitizer report of that child and a failed member here.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "archive/ArchiveKinds.h"
#include "archive/LibArchiveReader.h"
#include "archive/LzhDecoder.h"
#include "archive/RarReader.h"

using namespace corvalin;

namespace {

// Inputs past this are not tried; libarchive's own LHA fuzzer caps at 512 KiB.
constexpr size_t kMaxInputBytes = 256 * 1024;
// Members declaring more are listed but not extracted, so that one input cannot fill the disk
// or take minutes; the readers themselves accept any size that fits the free space.
constexpr uint64_t kMaxExtractBytes = 4 * 1024 * 1024;
constexpr int kMaxMembers = 64;

struct Scratch {
    std::filesystem::path root;
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-archive-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        root = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
};

// Gives one password, then cancels; never finds a volume.
class FuzzQuestions : public ArchiveQuestions {
public:
    std::optional<std::string> AskPassword(const std::string&, const std::string&) override {
        if (asked_++ > 0) return std::nullopt;
        return std::string("secret");
    }
    std::optional<std::filesystem::path> AskNextVolume(const std::filesystem::path&) override {
        return std::nullopt;
    }
    void ReportError(const std::string&, const std::string&) override {}

private:
    int asked_ = 0;
};

void Walk(MemberReader& reader, const std::filesystem::path& input, const std::filesystem::path& out) {
    FuzzQuestions questions;
    reader.SetQuestions(&questions);
    int listed = 0;
    if (reader.Open(input, out)) {
        while (reader.ReadHeader() && ++listed < kMaxMembers) reader.Skip();
        reader.Close();
    }
    if (!reader.Open(input, out)) return;
    for (int i = 0; i < kMaxMembers; ++i) {
        const std::optional<ArchiveMember> member = reader.ReadHeader();
        if (!member) break;
        if (member->uncompressedSize > kMaxExtractBytes) {
            reader.Skip();
            continue;
        }
        const ExtractResult result = reader.Extract();
        if (result.verdict.Ok() != !result.path.empty()) std::abort();
        if (!result.path.empty()) {
            if (result.path.parent_path() != out) std::abort();
            if (std::filesystem::file_size(result.path) != member->uncompressedSize) std::abort();
            std::filesystem::remove(result.path);
        }
    }
    reader.Close();
    // Whatever failed left nothing; whatever succeeded was removed above.
    if (!std::filesystem::is_empty(out)) std::abort();
}

void DecodeLzhHeaders(std::span<const uint8_t> bytes) {
    for (const char* method : {"-lh4-", "-lh5-", "-lh6-", "-lh7-"}) {
        const std::optional<LzhMemberData> data = LocateLzhMember(bytes, 0, method);
        if (!data) continue;
        const uint64_t limit = std::min<uint64_t>(data->originalSize, kMaxExtractBytes);
        uint64_t produced = 0;
        DecodeLzhStatic(bytes.subspan(size_t(data->dataOffset), size_t(data->compressedSize)),
                        *LzhDictionaryBits(method), limit, [&](std::span<const uint8_t> piece) {
                            produced += piece.size();
                            return true;
                        });
        if (produced > limit) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInputBytes) return 0;
    static Scratch scratch;
    const std::filesystem::path input = scratch.root / "input";
    const std::filesystem::path out = scratch.root / "out";
    std::filesystem::create_directories(out);
    {
        std::ofstream file(input, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), std::streamsize(size));
        if (!file) std::abort();
    }
    const std::span<const uint8_t> bytes(data, size);
    ArchiveKindFromSignature(bytes);
    if (std::unique_ptr<MemberReader> reader = MakeMemberReader(DetectArchiveKind(input)))
        Walk(*reader, input, out);
    // Both readers whatever the signature says: the libraries choose by content too.
    LibArchiveReader libarchive;
    Walk(libarchive, input, out);
    // The RAR reader forks a worker for every archive it opens, which is slow under the
    // sanitizers; the library finds nothing without its mark anyway.
    static constexpr std::string_view kRarMark("Rar!\x1a\x07", 6);
    if (std::string_view(reinterpret_cast<const char*>(data), size).find(kRarMark) !=
        std::string_view::npos) {
        VEMRar rar;
        Walk(rar, input, out);
    }
    DecodeLzhHeaders(bytes);
    return 0;
}
