#pragma once

// An HA packer for tests, benchmarks and fuzz seeds only: no HA archiver ships in Debian, so
// the archives the reader is tested and measured on are made here. The program never packs.
// It follows the published ASC and HSC methods with a model of its own (not the reader's), so
// a slip on either side shows up as a round trip that fails.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvalin::test {

// The packed stream of one member, end mark and final bits included.
std::vector<uint8_t> PackHaAsc(std::span<const uint8_t> data);
std::vector<uint8_t> PackHaHsc(std::span<const uint8_t> data);

struct HaEntry {
    std::string path;  // directories separated by '/' (stored with the format's 0xFF)
    std::string name;
    uint8_t method = 0;  // 0 stored, 1 ASC, 2 HSC; 14 directory and 15 special file store nothing
    std::vector<uint8_t> data;
};

// A whole archive: "HA", the member count, then each member's header and packed data (the
// CRC-32 computed from `data`).
std::vector<uint8_t> BuildHaArchive(const std::vector<HaEntry>& entries);

}  // namespace corvalin::test
