// Packs files into an HA archive with the test packer, for the HA benchmark only: no HA archiver
// ships in Debian. Usage: bench_ha_pack METHOD ARCHIVE FILE... (METHOD 0 stored, 1 ASC, 2 HSC).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/HaEncoder.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_ha_pack METHOD ARCHIVE FILE...\n");
        return 2;
    }
    const int method = std::atoi(argv[1]);
    std::vector<corvalin::test::HaEntry> entries;
    for (int i = 3; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        corvalin::test::HaEntry entry;
        entry.name = std::filesystem::path(argv[i]).filename().string();
        entry.method = uint8_t(method);
        entry.data.assign(std::istreambuf_iterator<char>(in), {});
        entries.push_back(std::move(entry));
    }
    const std::vector<uint8_t> archive = corvalin::test::BuildHaArchive(entries);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(archive.data()), std::streamsize(archive.size()));
    return out ? 0 : 1;
}
