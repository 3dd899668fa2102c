#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "archive/MemberReader.h"

namespace corvalin {

class MemberOutput;

// RAR archives (RAR 1.5 to 5, volume sets, encrypted data and encrypted headers) through the
// UnRAR library's archive interface.
//
// The library decodes and checks each member, and hands us the data, which we write through
// `MemberOutput` like every other format: so a member never grows past its declared size or
// the free space, a failure leaves no partial file, and nothing the archive says about links
// or file attributes reaches the disk.
//
// Questions go to `ArchiveQuestions`: a password (encrypted data: when a member is extracted;
// encrypted headers: when the archive is opened), where a missing volume is; failures with
// the library's message ("File CRC error", "Volume open error", ...). A wrong password asks
// again, at most kMaxPasswordAsks times; Cancel skips the member (the archive, for encrypted
// headers) without a message.
class VEMRar final : public MemberReader {
public:
    static constexpr size_t kMaxNameChars = 259;
    static constexpr int kMaxPasswordAsks = 5;
    // Questions for a next volume without one being found, before the member fails.
    static constexpr int kMaxVolumeAsks = 5;

    VEMRar() = default;
    VEMRar(const VEMRar&) = delete;
    VEMRar& operator=(const VEMRar&) = delete;
    ~VEMRar() override;

    bool Open(const std::filesystem::path& archive, const std::filesystem::path& destination) override;
    std::optional<ArchiveMember> ReadHeader() override;
    void Skip() override;
    ExtractResult Extract() override;
    void Close() override;

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

    void* handle_ = nullptr;
    std::filesystem::path archivePath_;
    std::filesystem::path destination_;
    State state_ = State::Closed;
    uint64_t headerIndex_ = 0;
    ArchiveMember current_;
    std::string fullName_;

    // Callback state. The password that opened an archive with encrypted headers is given
    // again, without asking, when the archive is opened a second time for a retry.
    int passwordAsks_ = 0;
    bool passwordRefused_ = false;
    bool passwordAskedWide_ = false;
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
