// Extracts every member of an ARJ archive into a folder with our own reader, as a whole
// process, so bench/arj.sh can time it against the real archiver doing the same.
//
//   bench_arj_extract ARCHIVE FOLDER
//
// Exit status 0 when every member was extracted (or reused), 1 otherwise.
#include <cstdio>
#include <filesystem>

#include "archive/ArjReader.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ARCHIVE FOLDER\n", argv[0]);
        return 2;
    }
    corvalin::VEMArj reader;
    if (!reader.Open(argv[1], argv[2])) {
        std::fprintf(stderr, "%s\n", reader.ListingVerdict().message.c_str());
        return 1;
    }
    int failures = 0;
    while (const auto member = reader.ReadHeader()) {
        const corvalin::ExtractResult result = reader.Extract();
        if (!result.verdict.Ok()) {
            std::fprintf(stderr, "%s\n", result.verdict.message.c_str());
            ++failures;
        }
    }
    if (!reader.ListingVerdict().Ok()) {
        std::fprintf(stderr, "%s\n", reader.ListingVerdict().message.c_str());
        ++failures;
    }
    reader.Close();
    return failures == 0 ? 0 : 1;
}
