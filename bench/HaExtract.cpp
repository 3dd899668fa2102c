// Extracts every member of an HA archive into a folder the way the import does (list, then
// extract each), for timing the reader as a whole process. Usage: bench_ha_extract ARCHIVE FOLDER
#include <cstdio>

#include "archive/HaReader.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_ha_extract ARCHIVE FOLDER\n");
        return 2;
    }
    corvalin::VEM_HA reader;
    if (!reader.Open(argv[1], argv[2])) {
        std::fprintf(stderr, "%s: not an HA archive\n", argv[1]);
        return 1;
    }
    int failures = 0;
    while (const auto member = reader.ReadHeader()) {
        const corvalin::ExtractResult result = reader.Extract();
        if (!result.verdict.Ok()) {
            std::fprintf(stderr, "%s: %s\n", member->name.c_str(), result.verdict.message.c_str());
            ++failures;
        }
    }
    reader.Close();
    return failures == 0 ? 0 : 1;
}
