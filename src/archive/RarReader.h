#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "archive/MemberReader.h"

namespace corvalin {

// RAR archives (RAR 1.5 to 5, volume sets, encrypted data and encrypted headers) through the
// UnRAR library.
//
// The library runs in a worker process of its own, forked when an archive is opened and ended
// when it is closed: fuzzing found damaged archives on which it reads uninitialised memory
// and crashes, and a crash must cost one archive, not the program. The worker (RarSession)
// writes each member through MemberOutput itself; this side only asks the questions, converts
// names and cleans up after a worker that died.
//
// Questions go to `ArchiveQuestions`: a password (encrypted data: when a member is extracted;
// encrypted headers: when the archive is opened), where a missing volume is; failures with
// the library's message ("File CRC error", "Volume open error", ...; "Unknown Error" when the
// library died). A wrong password asks again, at most kMaxPasswordAsks times; Cancel skips the
// member (the archive, for encrypted headers) without a message.
class VEMRar final : public MemberReader {
public:
    // Listed names are cut here; the file takes its name from the whole stored name.
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
    using Message = std::pair<uint8_t, std::string>;

    bool StartWorker();
    void StopWorker();
    // Sends a request and answers the worker's questions until its reply comes; nothing when
    // the worker is gone or talks nonsense (it is then ended).
    std::optional<Message> Exchange(uint8_t request, const std::string& payload);

    int socket_ = -1;
    pid_t worker_ = -1;
    std::filesystem::path destination_;
    State state_ = State::Closed;
    ArchiveMember current_;
    std::string fullName_;  // UTF-8, not cut
};

}  // namespace corvalin
