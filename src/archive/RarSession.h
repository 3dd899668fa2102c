#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "archive/MemberReader.h"

namespace corvalin {

class MemberOutput;

// One RAR header as the library gives it.
struct RarHeader {
    // UTF-8 made from the library's wide name, or the stored 8-bit name when there is no wide
    // one; whole, not cut.
    std::string name;
    uint64_t uncompressedSize = 0;
    bool encrypted = false;
};

// The UnRAR library driven through its archive interface: the part of the RAR reader that runs
// in the worker process (see VEMRar). It uses nothing but the library, the file system and
// MemberOutput, so it is safe to run in a child forked from a threaded program.
//
// The library decodes and checks each member in test mode and hands the data to its callback,
// which writes it through `MemberOutput`: no member grows past its declared size or the free
// space, a failure leaves no partial file, and nothing the archive says about links or file
// attributes reaches the disk. Questions go to `questions` with the names as RarHeader has them.
class RarSession {
public:
    static constexpr int kMaxPasswordAsks = 5;
    static constexpr int kMaxVolumeAsks = 5;

    explicit RarSession(ArchiveQuestions* questions) : questions_(questions) {}
    RarSession(const RarSession&) = delete;
    RarSession& operator=(const RarSession&) = delete;
    ~RarSession();

    bool Open(const std::filesystem::path& archive);
    std::optional<RarHeader> ReadHeader();
    void Skip();
    // Extracts the current member into `target`, replacing what has that name.
    ExtractResult Extract(const std::filesystem::path& target);
    void Close();

    // The message the library's result code stands for (12 "File CRC error" ... "Unknown Error").
    static std::string ErrorMessage(int code);

private:
    enum class State { NeedHeader, HeaderCurrent, Closed };
    struct Callbacks;
    friend struct Callbacks;

    bool OpenHandle();
    bool ReopenAt(uint64_t headerIndex);
    bool ReadRawHeader(std::string& name, uint32_t& flags, uint64_t& size);
    void CloseHandle();
    ExtractResult Fail(Verdict verdict, const std::string& reportedMessage);

    ArchiveQuestions* questions_;
    void* handle_ = nullptr;
    std::filesystem::path archivePath_;
    State state_ = State::Closed;
    uint64_t headerIndex_ = 0;
    RarHeader current_;
    std::string currentName_;

    // Callback state. The password that opened an archive with encrypted headers is given
    // again, without asking, when the archive is opened a second time for a retry.
    int passwordAsks_ = 0;
    bool passwordRefused_ = false;
    std::string lastPassword_;
    std::string headerPassword_;
    std::string knownPassword_;
    int volumeAsks_ = 0;
    bool volumeAskedWide_ = false;
    bool volumeRefused_ = false;
    MemberOutput* output_ = nullptr;
    bool outputFailed_ = false;
};

}  // namespace corvalin
