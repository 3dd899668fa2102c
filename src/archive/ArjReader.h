#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>

#include "archive/ArjHeaders.h"
#include "archive/MemberReader.h"
#include "base/MappedFile.h"
#include "base/Verdict.h"

namespace corvalin {

// Members of an ARJ archive (self-extracting ones too), read from the mapped file. Members of
// methods 0-4 are extracted; members that are garbled with a password, need a newer archiver,
// use another method, are not files (directories, labels) or are split across volumes are
// skipped with a verdict and no file. A target that already exists in the destination is
// reused as it stands, and a member whose CRC-32 does not match leaves no file.
class VEMArj : public MemberReader {
public:
    bool Open(const std::filesystem::path& archive, const std::filesystem::path& destination) override;
    std::optional<ArchiveMember> ReadHeader() override;
    void Skip() override;
    ExtractResult Extract() override;
    void Close() override;

    // Why the listing ended: good at the archive's end marker (or while it goes on), else the
    // header at fault; after a failed Open, why it failed.
    const Verdict& ListingVerdict() const { return listing_; }
    // Where the archive starts in the file (after a self-extracting program).
    size_t MainHeaderOffset() const { return mainHeader_; }

private:
    enum class State { NeedHeader, HeaderCurrent, End };

    void PassCurrent();

    MappedFile file_;
    std::filesystem::path destination_;
    State state_ = State::End;
    size_t next_ = 0;
    size_t mainHeader_ = 0;
    ArjLocalHeader current_;
    Verdict listing_;
};

}  // namespace corvalin
