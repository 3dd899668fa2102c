#include "store/VEMFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <limits>
#include <stdexcept>

#include "store/DurableFile.h"

namespace corvalin {

namespace {

constexpr int kMaxShift = 30;  // 1 GB clusters; the largest the program uses is 1 MB
constexpr int64_t kZeroChunk = 4096;

std::string Describe(const char* action, int64_t count, int64_t position, int error) {
    return std::string(action) + " " + std::to_string(count) + " bytes at " + std::to_string(position) +
           ": " + std::strerror(error);
}

// A short count that is not an interruption is a failure: the file is not what we believed.
void ReadFully(int handle, uint8_t* destination, int64_t count, int64_t position) {
    int64_t done = 0;
    while (done < count) {
        ssize_t got = ::pread(handle, destination + done, static_cast<size_t>(count - done),
                              static_cast<off_t>(position + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw FileError(Describe("cannot read", count, position, got < 0 ? errno : EIO));
        done += got;
    }
}

void WriteFully(int handle, const uint8_t* source, int64_t count, int64_t position) {
    int64_t done = 0;
    while (done < count) {
        ssize_t put = ::pwrite(handle, source + done, static_cast<size_t>(count - done),
                               static_cast<off_t>(position + done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) throw FileError(Describe("cannot write", count, position, put < 0 ? errno : EIO));
        done += put;
    }
}

bool IsDirty(const VEMFileCluster& cluster) { return cluster.dirtyStart < cluster.dirtyEnd; }

void MarkClean(VEMFileCluster& cluster, int64_t clusterSize) {
    cluster.dirtyStart = clusterSize;
    cluster.dirtyEnd = 0;
}

}  // namespace

int OpenFileHandle(const std::filesystem::path& path, FileMode mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
        case FileMode::Read:
            flags |= O_RDONLY;
            break;
        case FileMode::ReadWrite:
            flags |= O_RDWR;
            break;
        case FileMode::Create:
            flags |= O_RDWR | O_CREAT | O_TRUNC;
            break;
    }
    int handle;
    do {
        handle = ::open(path.c_str(), flags, 0644);
    } while (handle < 0 && errno == EINTR);
    return handle < 0 ? -1 : handle;
}

VEMFile::~VEMFile() {
    try {
        Close();
    } catch (const FileError&) {
        // nobody is left to tell; callers that care call Close() themselves
    }
}

void VEMFile::Open(int handle, int shift, int count) {
    if (shift < 0 || shift > kMaxShift) throw std::invalid_argument("VEMFile cluster shift out of range");
    if (count < 1) throw std::invalid_argument("VEMFile needs at least one cluster");

    // The new handle is ours whatever happens; a failure to write back the old file is still
    // reported, after the new one is in place.
    std::exception_ptr closeFailure;
    try {
        Close();
    } catch (const FileError&) {
        closeFailure = std::current_exception();
    }

    handle_ = handle < 0 ? -1 : handle;
    shift_ = shift;
    clusterSize_ = int64_t{1} << shift;
    mask_ = -clusterSize_;
    length_ = handle_ < 0 ? -1 : static_cast<int64_t>(::lseek(handle_, 0, SEEK_END));
    diskLength_ = std::max<int64_t>(length_, 0);

    for (int i = 0; i < count; ++i) {
        auto* cluster = new VEMFileCluster;
        cluster->owner = this;
        cluster->data.assign(static_cast<size_t>(clusterSize_), 0);
        MarkClean(*cluster, clusterSize_);
        cluster->previous = last_;
        if (last_)
            last_->next = cluster;
        else
            first_ = cluster;
        last_ = cluster;
    }
    if (closeFailure) std::rethrow_exception(closeFailure);
}

void VEMFile::FreeClusters() {
    VEMFileCluster* cluster = first_;
    while (cluster) {
        VEMFileCluster* next = cluster->next;
        delete cluster;
        cluster = next;
    }
    first_ = last_ = nullptr;
}

void VEMFile::Close() {
    if (!first_ && handle_ < 0) return;
    std::string failure;
    try {
        Flush();
    } catch (const FileError& error) {
        failure = error.what();
    }
    FreeClusters();
    if (handle_ >= 0) {
        // Linux releases the descriptor even when close is interrupted, so it is never retried.
        if (::close(handle_) != 0 && errno != EINTR && failure.empty())
            failure = std::string("cannot close file: ") + std::strerror(errno);
    }
    handle_ = -1;
    length_ = -1;
    diskLength_ = 0;
    if (!failure.empty()) throw FileError(failure);
}

void VEMFile::Flush() {
    for (VEMFileCluster* cluster = first_; cluster; cluster = cluster->next)
        if (IsDirty(*cluster)) WriteBack(*cluster);
}

void VEMFile::Sync() {
    Flush();
    if (handle_ >= 0 && !SyncHandle(handle_)) throw FileError("cannot sync the file to disk");
}

void VEMFile::DiscardUnwritten() {
    if (handle_ < 0) return;
    for (VEMFileCluster* cluster = first_; cluster; cluster = cluster->next) {
        cluster->position = -1;
        cluster->validLength = 0;
        MarkClean(*cluster, clusterSize_);
    }
    const off_t end = ::lseek(handle_, 0, SEEK_END);
    if (end < 0) throw FileError(std::string("cannot find the end of the file: ") + std::strerror(errno));
    length_ = diskLength_ = end;
}

void VEMFile::WriteBack(VEMFileCluster& cluster) {
    if (handle_ < 0) throw FileError("cannot write back: file is not open");
    WriteFully(handle_, cluster.data.data() + cluster.dirtyStart, cluster.dirtyEnd - cluster.dirtyStart,
               cluster.position + cluster.dirtyStart);
    diskLength_ = std::max(diskLength_, cluster.position + cluster.dirtyEnd);
    MarkClean(cluster, clusterSize_);
}

void VEMFile::MoveToFront(VEMFileCluster* cluster) {
    if (cluster == first_) return;
    cluster->previous->next = cluster->next;
    if (cluster->next)
        cluster->next->previous = cluster->previous;
    else
        last_ = cluster->previous;
    cluster->previous = nullptr;
    cluster->next = first_;
    first_->previous = cluster;
    first_ = cluster;
}

VEMFileCluster* VEMFile::GetCluster(int64_t position) {
    for (VEMFileCluster* cluster = first_; cluster; cluster = cluster->next) {
        if (cluster->position == position) {
            MoveToFront(cluster);
            return cluster;
        }
    }
    VEMFileCluster* cluster = last_;
    if (IsDirty(*cluster)) WriteBack(*cluster);  // a failure leaves it dirty and in place
    MoveToFront(cluster);

    // Empty until the fill succeeds, so a failed read leaves nothing half-loaded behind.
    cluster->position = -1;
    cluster->validLength = 0;
    int64_t valid = std::clamp<int64_t>(length_ - position, 0, clusterSize_);
    int64_t onDisk = std::clamp<int64_t>(diskLength_ - position, 0, valid);
    if (onDisk > 0) ReadFully(handle_, cluster->data.data(), onDisk, position);
    std::memset(cluster->data.data() + onDisk, 0, static_cast<size_t>(valid - onDisk));
    cluster->position = position;
    cluster->validLength = valid;
    return cluster;
}

void VEMFile::Read(void* destination, int64_t length, int64_t position) {
    if (length <= 0) return;
    auto* out = static_cast<uint8_t*>(destination);
    // Offsets come from files; nothing outside [0, length) is fetched, it all reads as zero.
    if (position < 0) {
        int64_t below = position < -length ? length : -position;
        std::memset(out, 0, static_cast<size_t>(below));
        out += below;
        length -= below;
        position += below;
        if (length == 0) return;
    }
    int64_t available = length_ > position ? length_ - position : 0;
    int64_t inFile = std::min(length, available);
    std::memset(out + inFile, 0, static_cast<size_t>(length - inFile));

    while (inFile > 0) {
        int64_t start = position & mask_;
        VEMFileCluster* cluster = GetCluster(start);
        int64_t offset = position - start;
        int64_t piece = std::min(inFile, clusterSize_ - offset);
        int64_t fromData = std::clamp<int64_t>(cluster->validLength - offset, 0, piece);
        std::memcpy(out, cluster->data.data() + offset, static_cast<size_t>(fromData));
        std::memset(out + fromData, 0, static_cast<size_t>(piece - fromData));
        out += piece;
        position += piece;
        inFile -= piece;
    }
}

void VEMFile::Write(const void* source, int64_t length, int64_t position) {
    if (length <= 0) return;
    if (handle_ < 0) throw FileError("cannot write: file is not open");
    if (position < 0 || position > std::numeric_limits<int64_t>::max() - length)
        throw FileError("cannot write " + std::to_string(length) + " bytes at " +
                           std::to_string(position));
    auto* in = static_cast<const uint8_t*>(source);
    while (length > 0) {
        int64_t start = position & mask_;
        VEMFileCluster* cluster = GetCluster(start);
        int64_t offset = position - start;
        int64_t piece = std::min(length, clusterSize_ - offset);
        uint8_t* data = cluster->data.data();
        // The buffer past the valid data still holds whatever was there before; the gap a write
        // leaves becomes data and must read as the zeros the disk will have.
        if (offset > cluster->validLength)
            std::memset(data + cluster->validLength, 0, static_cast<size_t>(offset - cluster->validLength));
        std::memcpy(data + offset, in, static_cast<size_t>(piece));
        cluster->dirtyStart = std::min(cluster->dirtyStart, offset);
        if (offset + piece > cluster->dirtyEnd) {
            cluster->dirtyEnd = offset + piece;
            cluster->validLength = std::max(cluster->validLength, cluster->dirtyEnd);
            length_ = std::max(length_, cluster->position + cluster->validLength);
        }
        in += piece;
        position += piece;
        length -= piece;
    }
}

void VEMFile::SetLength(int64_t length) {
    if (length < 0) throw FileError("cannot set a negative file length");
    if (handle_ < 0) return;
    Flush();
    if (length >= length_) return;
    length_ = length;
    for (VEMFileCluster* cluster = first_; cluster; cluster = cluster->next) {
        if (cluster->position >= length) {
            cluster->position = -1;
            cluster->validLength = 0;
            MarkClean(*cluster, clusterSize_);
        } else if (cluster->position >= 0 && cluster->position + cluster->validLength > length) {
            cluster->validLength = length - cluster->position;
        }
    }
    int result;
    do {
        result = ::ftruncate(handle_, static_cast<off_t>(length));
    } while (result != 0 && errno == EINTR);
    if (result != 0)
        throw FileError("cannot truncate file at " + std::to_string(length) + ": " + std::strerror(errno));
    diskLength_ = length;
}

std::string VEMFile::ScanText(int64_t position, int64_t maxChars, int64_t& consumed) {
    std::string text;
    consumed = 0;
    if (position < 0) return text;
    while (static_cast<int64_t>(text.size()) < maxChars && position < length_) {
        int64_t start = position & mask_;
        VEMFileCluster* cluster = GetCluster(start);
        int64_t offset = position - start;
        if (offset >= cluster->validLength) {
            // a hole inside the file: it reads as a zero byte, which ends the text
            consumed = static_cast<int64_t>(text.size()) + 1;
            return text;
        }
        int64_t piece = std::min(cluster->validLength - offset, maxChars - static_cast<int64_t>(text.size()));
        const char* bytes = reinterpret_cast<const char*>(cluster->data.data() + offset);
        const void* zero = std::memchr(bytes, 0, static_cast<size_t>(piece));
        if (zero) {
            text.append(bytes, static_cast<const char*>(zero));
            consumed = static_cast<int64_t>(text.size()) + 1;
            return text;
        }
        text.append(bytes, static_cast<size_t>(piece));
        position += piece;
    }
    consumed = static_cast<int64_t>(text.size());
    return text;
}

std::string VEMFile::ReadText(int maxChars, int64_t position) {
    int64_t consumed = 0;
    return ScanText(position, maxChars, consumed);
}

std::string VEMFile::ReadTextAt(int64_t& cursor) {
    int64_t consumed = 0;
    std::string text = ScanText(cursor, std::numeric_limits<int64_t>::max(), consumed);
    cursor += consumed;
    return text;
}

uint16_t VEMFile::ReadU16BE(int64_t position) {
    uint8_t bytes[2];
    Read(bytes, 2, position);
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

uint32_t VEMFile::ReadU32BE(int64_t position) {
    uint8_t bytes[4];
    Read(bytes, 4, position);
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

std::vector<uint8_t> VEMFile::DigestOf(int length, int rounds, const DigestSeed& seed, int64_t start,
                                       int64_t end) {
    Flush();
    VEMCrypt crypt;
    crypt.SetSeed(seed);
    crypt.StartDigest(length, rounds);
    static const uint8_t kZeros[kZeroChunk] = {};
    int64_t position = start;
    while (position < end) {
        int64_t clusterStart = position & mask_;
        VEMFileCluster* cluster = GetCluster(clusterStart);
        int64_t offset = position - clusterStart;
        int64_t piece = std::min(end - position, cluster->validLength - offset);
        if (piece > 0) {
            crypt.AddData(cluster->data.data() + offset, static_cast<size_t>(piece));
        } else {
            // a hole inside the file reads as zeros, as Read gives it
            piece = std::min({end - position, clusterSize_ - offset, kZeroChunk});
            crypt.AddData(kZeros, static_cast<size_t>(piece));
        }
        position += piece;
    }
    return crypt.FinishDigest();
}

void VEMFile::WriteDigest(int length, int rounds, const DigestSeed& seed, int64_t start, int64_t end) {
    if (start < 0 || end < start || end > length_)
        throw FileError("cannot seal bytes " + std::to_string(start) + " to " + std::to_string(end) +
                           " of a file of " + std::to_string(length_));
    std::vector<uint8_t> digest = DigestOf(length, rounds, seed, start, end);
    Write(digest.data(), static_cast<int64_t>(digest.size()), end);
}

bool VEMFile::VerifyDigest(int length, int rounds, const DigestSeed& seed, int64_t start, int64_t end) {
    // The range usually comes from the file itself; a range that cannot hold is a mismatch.
    if (length < 1 || start < 0 || end < start || end > length_ - length) return true;
    std::vector<uint8_t> digest = DigestOf(length, rounds, seed, start, end);
    std::vector<uint8_t> stored(static_cast<size_t>(length));
    Read(stored.data(), length, end);
    return stored != digest;
}

void FileCursor::WriteBytes(void* context, const uint8_t* bytes, uint32_t count) {
    auto* cursor = static_cast<FileCursor*>(context);
    cursor->file_.Write(bytes, count, cursor->position_);
    cursor->position_ += count;
}

void FileCursor::ReadBytes(void* context, uint8_t* destination, uint32_t count) {
    auto* cursor = static_cast<FileCursor*>(context);
    int64_t position = cursor->position_;
    if (position < 0 || position > cursor->file_.Length() - int64_t{count})
        throw RecordStoreDamage("record data runs past the end of the file: " + std::to_string(count) +
                                " bytes at " + std::to_string(position));
    if (!destination) return;
    cursor->file_.Read(destination, count, position);
    cursor->position_ = position + count;
}

}  // namespace corvalin
