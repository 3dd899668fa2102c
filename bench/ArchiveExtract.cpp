// Extracts every member of an archive into a folder through the archive layer's front door,
// as the import does, so that bench/archive.sh can time it as a whole process beside the
// archivers' own extractors.
//
//   bench_archive_extract ARCHIVE FOLDER
#include <cstdio>
#include <filesystem>
#include <memory>

#include "archive/ArchiveKinds.h"

int main(int argc, char** argv) {
    using namespace corvalin;
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_archive_extract ARCHIVE FOLDER\n");
        return 2;
    }
    const std::filesystem::path archive = argv[1];
    const std::filesystem::path folder = argv[2];
    std::unique_ptr<MemberReader> reader = MakeMemberReader(DetectArchiveKind(archive));
    if (!reader || !reader->Open(archive, folder)) {
        std::fprintf(stderr, "bench_archive_extract: %s is no archive this program reads\n", argv[1]);
        return 1;
    }
    int failed = 0;
    while (reader->ReadHeader()) {
        const ExtractResult result = reader->Extract();
        if (!result.verdict.Ok()) {
            std::fprintf(stderr, "bench_archive_extract: %s\n", result.verdict.message.c_str());
            ++failed;
        }
    }
    reader->Close();
    return failed == 0 ? 0 : 1;
}
