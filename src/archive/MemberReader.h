#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "base/Verdict.h"

namespace corvalin {

// One member of an archive as its header describes it.
struct ArchiveMember {
    // The stored name as UTF-8 (names stored in a DOS code page are converted), directories
    // included; what the member list shows.
    std::string name;
    // As the header declares it: shown to the reader, and the most extraction will write.
    uint64_t uncompressedSize = 0;
    bool encrypted = false;
};

// What an extraction left behind.
struct ExtractResult {
    // The file written in the destination folder, or empty.
    std::filesystem::path path;
    // Why there is no file: a member this reader skips (Unsupported, Encrypted), a checksum
    // that failed (Damaged), input cut short (Truncated). Ok with a path.
    Verdict verdict;
};

// The questions an archive puts to the person at the screen. The windows answer them with
// dialogs; the command-line tool from its flags. An empty answer means Cancel.
class ArchiveQuestions {
public:
    virtual ~ArchiveQuestions() = default;
    virtual std::optional<std::string> AskPassword(const std::string& archiveName,
                                                   const std::string& memberName) = 0;
    // The path of the next volume, when the reader cannot find `volume` on its own.
    virtual std::optional<std::filesystem::path> AskNextVolume(const std::filesystem::path& volume) = 0;
    // A member could not be extracted; the message is the archive format's own ("File CRC error").
    virtual void ReportError(const std::string& memberName, const std::string& message) = 0;
};

// Reads an archive's members one after another, the same way for every format: list them by
// reading each header and skipping its data, then open the archive again and extract the
// chosen ones in the same order. Members are always extracted flat into the destination
// folder under a name that `SafeMemberFileName` made safe.
class MemberReader {
public:
    virtual ~MemberReader() = default;
    // True when the archive could be opened and its first header located.
    virtual bool Open(const std::filesystem::path& archive, const std::filesystem::path& destination) = 0;
    // The current member, reading the next header only when none is current; nothing at the
    // end of the archive or when a header is damaged (the listing ends there).
    virtual std::optional<ArchiveMember> ReadHeader() = 0;
    // Passes over the current member; the next ReadHeader reads the following header.
    virtual void Skip() = 0;
    // Extracts the current member; the next ReadHeader reads the following header.
    virtual ExtractResult Extract() = 0;
    virtual void Close() = 0;
    // Where the readers that need them (passwords, volumes, error reports) ask; may be null.
    void SetQuestions(ArchiveQuestions* questions) { questions_ = questions; }

protected:
    ArchiveQuestions* questions_ = nullptr;
};

}  // namespace corvalin
