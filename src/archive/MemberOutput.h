#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "archive/MemberReader.h"

namespace corvalin {

// The file one extracted member is written to. Nothing an archive declares is trusted: the
// output stops at the declared size (more is a damaged member, never a full disk), a member
// that would not fit in the free space is refused before a byte is written, and a member that
// fails is removed again so no partial file is left in the extraction folder.
class MemberOutput {
public:
    MemberOutput() = default;
    MemberOutput(const MemberOutput&) = delete;
    MemberOutput& operator=(const MemberOutput&) = delete;
    ~MemberOutput();

    // Creates (or truncates) `path` for a member of `declaredSize` bytes. False with
    // `Failure()` set when the folder lacks the room or the file cannot be created.
    bool Create(const std::filesystem::path& path, uint64_t declaredSize);
    // False, with `Failure()` set, when the bytes would pass the declared size or cannot be written.
    bool Write(std::span<const uint8_t> bytes);
    uint64_t Written() const { return written_; }
    // Closes the file. When `verdict` is good and exactly the declared size was written the
    // file stays and its path is returned; otherwise the file is removed and the verdict (or
    // the output's own failure) is returned.
    ExtractResult Finish(Verdict verdict);
    // Removes the file (a failed or abandoned member).
    void Abandon();
    const Verdict& Failure() const { return failure_; }

private:
    bool Flush();

    std::filesystem::path path_;
    int fd_ = -1;
    uint64_t declaredSize_ = 0;
    uint64_t written_ = 0;
    std::string buffer_;
    Verdict failure_;
};

// Bytes free for an unprivileged writer in `folder`; the largest value when it cannot be told.
uint64_t FreeBytesIn(const std::filesystem::path& folder);

}  // namespace corvalin
