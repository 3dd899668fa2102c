#include "archive/MemberOutput.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace corvalin {
namespace {

constexpr size_t kBufferBytes = 1 << 16;

Verdict OutputFailure(const std::filesystem::path& path, const char* what) {
    return Verdict::Bad(VerdictKind::Damaged, "output", path.filename().string() + ": " + what);
}

}  // namespace

uint64_t FreeBytesIn(const std::filesystem::path& folder) {
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0) return std::numeric_limits<uint64_t>::max();
    return uint64_t(info.f_bavail) * uint64_t(info.f_frsize);
}

MemberOutput::~MemberOutput() { Abandon(); }

bool MemberOutput::Create(const std::filesystem::path& path, uint64_t declaredSize) {
    Abandon();
    failure_ = Verdict::Good();
    path_ = path;
    declaredSize_ = declaredSize;
    written_ = 0;
    if (declaredSize > FreeBytesIn(path.parent_path())) {
        failure_ = OutputFailure(path, "not enough free space for the extracted file");
        path_.clear();
        return false;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ < 0) {
        failure_ = OutputFailure(path, std::strerror(errno));
        path_.clear();
        return false;
    }
    buffer_.reserve(kBufferBytes);
    return true;
}

bool MemberOutput::Write(std::span<const uint8_t> bytes) {
    if (fd_ < 0 || !failure_.Ok()) return false;
    if (bytes.size() > declaredSize_ - written_) {
        failure_ = Verdict::Bad(VerdictKind::Damaged, "member data",
                                path_.filename().string() + ": more data than the header declares");
        return false;
    }
    written_ += bytes.size();
    buffer_.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return buffer_.size() < kBufferBytes || Flush();
}

bool MemberOutput::Flush() {
    size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failure_ = OutputFailure(path_, std::strerror(n < 0 ? errno : ENOSPC));
            buffer_.clear();
            return false;
        }
        done += size_t(n);
    }
    buffer_.clear();
    return true;
}

ExtractResult MemberOutput::Finish(Verdict verdict) {
    if (fd_ < 0) return {{}, failure_.Ok() ? verdict : failure_};
    bool ok = Flush() && failure_.Ok();
    if (::close(fd_) != 0 && ok) {
        failure_ = OutputFailure(path_, std::strerror(errno));
        ok = false;
    }
    fd_ = -1;
    if (ok && verdict.Ok() && written_ != declaredSize_)
        verdict = Verdict::Bad(VerdictKind::Truncated, "member data",
                               path_.filename().string() + ": less data than the header declares");
    if (!ok || !verdict.Ok()) {
        Abandon();
        return {{}, ok ? verdict : failure_};
    }
    ExtractResult result{path_, Verdict::Good()};
    path_.clear();
    return result;
}

void MemberOutput::Abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    buffer_.clear();
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    path_.clear();
}

}  // namespace corvalin
