#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "archive/MemberReader.h"
#include "base/MappedFile.h"

namespace corvalin {

// Reads HA archives: members stored (method 0) or packed with ASC (1) or HSC (2). Directory
// (14) and special-file (15) entries, and entries marked as removed, are passed over: they are
// never listed and never extracted. An extracted member's CRC-32 is checked; a member whose
// file already exists in the destination is not extracted again, the existing file is used.
class VEM_HA : public MemberReader {
public:
    // The archive must start with "HA"; its member count is not used (the members run to the
    // end of the file).
    bool Open(const std::filesystem::path& archive, const std::filesystem::path& destination) override;
    std::optional<ArchiveMember> ReadHeader() override;
    void Skip() override;
    ExtractResult Extract() override;
    void Close() override;

private:
    enum class State { NeedHeader, HaveHeader, Closed };

    struct Header {
        uint8_t method = 0;
        uint32_t packedSize = 0;
        uint32_t originalSize = 0;
        uint32_t crc32 = 0;
        std::string path;  // directories separated by '/'
        std::string name;
        uint64_t dataOffset = 0;
    };

    MappedFile file_;
    std::filesystem::path destination_;
    uint64_t nextHeader_ = 0;
    State state_ = State::Closed;
    Header current_;
};

}  // namespace corvalin
