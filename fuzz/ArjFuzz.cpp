// Opens arbitrary bytes as an ARJ archive, lists it and extracts every member into a scratch
// folder, checking what the reader promises: a member comes out flat in the folder at exactly
// its declared size, or it leaves no file and a verdict.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "archive/ArjReader.h"

using namespace corvalin;
namespace fs = std::filesystem;

namespace {

// Archives past this are no more interesting than their first megabyte.
constexpr size_t kMaxInputBytes = 1 << 20;
// Members that would write more than this are listed and passed over: a few bytes of ARJ can
// declare (and honestly hold) hundreds of megabytes, which only slows the search.
constexpr uint64_t kMaxMemberBytes = 8 << 20;

// One folder per process, in memory where the system offers it, removed when the run ends.
struct ScratchFolder {
    fs::path path;
    ScratchFolder() {
        const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        path = base / ("fuzz_arj-" + std::to_string(getpid()));
        fs::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

size_t FileCount(const fs::path& folder) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInputBytes) return 0;
    static const ScratchFolder scratch;
    const fs::path& folder = scratch.path;
    const int handle = memfd_create("arj", MFD_CLOEXEC);
    if (handle < 0) std::abort();
    if (size > 0 && write(handle, data, size) != ssize_t(size)) std::abort();
    const fs::path input = "/proc/self/fd/" + std::to_string(handle);

    VEMArj reader;
    if (reader.Open(input, folder)) {
        std::set<fs::path> written;
        while (const std::optional<ArchiveMember> member = reader.ReadHeader()) {
            if (member->uncompressedSize > kMaxMemberBytes) {
                reader.Skip();
                continue;
            }
            const size_t before = FileCount(folder);
            const ExtractResult result = reader.Extract();
            if (result.verdict.Ok()) {
                if (result.path.parent_path() != folder) std::abort();
                const bool reused = written.count(result.path) != 0;
                if (!reused && fs::file_size(result.path) != member->uncompressedSize) std::abort();
                written.insert(result.path);
            } else if (!result.path.empty() || FileCount(folder) != before) {
                std::abort();
            }
        }
    }
    reader.Close();
    close(handle);
    for (const auto& entry : fs::directory_iterator(folder)) fs::remove_all(entry.path());
    return 0;
}
