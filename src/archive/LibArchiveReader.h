#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "archive/MemberReader.h"

struct archive;

namespace corvalin {

// ZIP, LZH, 7z, tar (plain, gzip, bzip2, xz), cab and ISO 9660 through libarchive's streaming
// reader. libarchive chooses the format from the contents, so a file with the wrong extension
// is still read right. Only regular files are offered: directories (ZIP's directory attribute
// becomes libarchive's directory type), links and devices are passed over.
//
// Encrypted ZIP members (traditional and AES) ask `ArchiveQuestions::AskPassword` through
// libarchive's passphrase callback: a wrong password asks again, at most kMaxPasswordAsks
// times for one member; Cancel skips the member. A member whose checksum fails leaves no file
// and, except for LZH (whose members fail silently), is reported as "File CRC error".
// An existing file of the same name in the destination is replaced.
class LibArchiveReader final : public MemberReader {
public:
    static constexpr int kMaxPasswordAsks = 5;
    // Headers read before the listing stops: far more than any real archive of documents
    // holds, and a bound on what a forged archive can make the member list show.
    static constexpr uint64_t kMaxHeaders = 100000;
    // Names longer than this (in UTF-8 bytes) are cut, at a character boundary.
    static constexpr size_t kMaxNameBytes = 1024;

    LibArchiveReader() = default;
    LibArchiveReader(const LibArchiveReader&) = delete;
    LibArchiveReader& operator=(const LibArchiveReader&) = delete;
    ~LibArchiveReader() override;

    bool Open(const std::filesystem::path& archive, const std::filesystem::path& destination) override;
    std::optional<ArchiveMember> ReadHeader() override;
    void Skip() override;
    ExtractResult Extract() override;
    void Close() override;

    // Reads the current member into `bytes` instead of a file, for documents that are read
    // from their parts in memory (an EPUB's package and pages, a zipped FictionBook). No more
    // than `maxBytes` are ever inflated: a member declaring more is refused before its data is
    // touched, and one that inflates past the bound (a lying or missing size) is cut off
    // there, both as Damaged "member size". `bytes` is empty unless the verdict is good. The
    // next ReadHeader reads the following header.
    Verdict ExtractToMemory(std::vector<uint8_t>& bytes, uint64_t maxBytes);

    // libarchive's name of the format and method of the current member ("ZIP 2.0 (deflation)",
    // "lha -lh5-"); empty before the first header.
    const std::string& FormatName() const { return formatName_; }

private:
    enum class State { NeedHeader, HeaderCurrent, Closed };

    static const char* Passphrase(struct ::archive* handle, void* self);
    ExtractResult ExtractLzhStatic(const std::filesystem::path& target);
    ExtractResult Failed(Verdict verdict);

    struct ::archive* archive_ = nullptr;
    std::filesystem::path archivePath_;
    std::filesystem::path destination_;
    State state_ = State::Closed;
    uint64_t headersRead_ = 0;

    ArchiveMember current_;
    bool sizeKnown_ = false;
    int format_ = 0;
    std::string formatName_;
    int64_t headerPosition_ = 0;

    int passwordAsks_ = 0;
    bool passwordRefused_ = false;
    std::string password_;
};

}  // namespace corvalin
