#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "store/RecordIO.h"
#include "store/VEMCrypt.h"
#include "store/FileError.h"

namespace corvalin {

class VEMFile;

// One buffer of a VEMFile. Clean is dirtyStart = cluster size, dirtyEnd = 0.
struct VEMFileCluster {
    VEMFileCluster* next = nullptr;
    VEMFileCluster* previous = nullptr;
    VEMFile* owner = nullptr;
    std::vector<uint8_t> data;
    int64_t position = -1;
    int64_t validLength = 0;
    int64_t dirtyStart = 0;
    int64_t dirtyEnd = 0;
};

// Random-access file over an OS handle with a few fixed-size clusters, least recently used
// reused first. Dirty ranges reach the disk only at reuse, Flush, SetLength and Close.
// Every failed seek, read or write throws FileError (code 1).
class VEMFile {
public:
    VEMFile() = default;
    ~VEMFile();  // closes; a write-back failure here is swallowed, call Close() to see it
    VEMFile(const VEMFile&) = delete;
    VEMFile& operator=(const VEMFile&) = delete;

    // Takes ownership of an open POSIX descriptor (a negative one gives length -1).
    void Open(int handle, int shift, int count);
    void Close();
    void Flush();
    // Flush, then makes the written data durable on disk.
    void Sync();
    // Forgets cached writes that could not be written back; the file is read anew from disk.
    void DiscardUnwritten();
    bool IsOpen() const { return handle_ >= 0; }

    // Bytes past the valid data read as zero.
    void Read(void* destination, int64_t length, int64_t position);
    void Write(const void* source, int64_t length, int64_t position);
    void SetLength(int64_t length);
    int64_t Length() const { return length_; }

    std::string ReadText(int maxChars, int64_t position);
    std::string ReadTextAt(int64_t& cursor);
    uint16_t ReadU16BE(int64_t position);
    uint32_t ReadU32BE(int64_t position);

    void WriteDigest(int length, int rounds, const DigestSeed& seed, int64_t start, int64_t end);
    // true when the stored digest at `end` does NOT match (or the file is too short for one)
    bool VerifyDigest(int length, int rounds, const DigestSeed& seed, int64_t start, int64_t end);

private:
    VEMFileCluster* GetCluster(int64_t position);
    void WriteBack(VEMFileCluster& cluster);
    void MoveToFront(VEMFileCluster* cluster);
    void FreeClusters();
    // Text from `position` up to a zero byte, `maxChars` bytes or the end of the data;
    // `consumed` counts the zero byte when one ended the text.
    std::string ScanText(int64_t position, int64_t maxChars, int64_t& consumed);
    std::vector<uint8_t> DigestOf(int length, int rounds, const DigestSeed& seed, int64_t start, int64_t end);
    int handle_ = -1;
    int shift_ = 0;
    int64_t clusterSize_ = 0;
    int64_t length_ = -1;
    int64_t mask_ = 0;
    // What the OS file holds: the logical length runs ahead of it while written data waits in
    // the clusters, and the bytes in between are holes that read as zero.
    int64_t diskLength_ = 0;
    VEMFileCluster* first_ = nullptr;
    VEMFileCluster* last_ = nullptr;
};

// Opens a path for the file layer; returns -1 when it cannot be opened.
enum class FileMode { Read, ReadWrite, Create };
int OpenFileHandle(const std::filesystem::path& path, FileMode mode);

// A VEMFile and a 64-bit position carrying the record store's encoding over a file.
class FileCursor {
public:
    FileCursor(VEMFile& file, int64_t position) : file_(file), position_(position) {}
    RecordWriter writer() { return {&WriteBytes, this}; }
    RecordReader reader() { return {&ReadBytes, this}; }
    int64_t position() const { return position_; }

private:
    static void WriteBytes(void* context, const uint8_t* bytes, uint32_t count);
    static void ReadBytes(void* context, uint8_t* destination, uint32_t count);
    VEMFile& file_;
    int64_t position_;
};

// Growing in-memory byte sequence in fixed-size chunks.
struct VEMStreamCluster {
    VEMStreamCluster* next = nullptr;
    VEMStreamCluster* previous = nullptr;
    class VEMStream* owner = nullptr;
    int64_t base = 0;
    int64_t used = 0;
    std::vector<uint8_t> data;
};

class VEMStream {
public:
    explicit VEMStream(int64_t chunkSize = 16384) : chunkSize_(chunkSize) {}
    ~VEMStream() { Clear(); }
    VEMStream(const VEMStream&) = delete;
    VEMStream& operator=(const VEMStream&) = delete;
    void Append(const void* source, int64_t length);
    int64_t ReadAt(void* destination, int64_t position, int64_t length);
    int64_t Size() const;
    void Clear();

private:
    int64_t chunkSize_;
    VEMStreamCluster* first_ = nullptr;
    VEMStreamCluster* last_ = nullptr;
    VEMStreamCluster* cursor_ = nullptr;
};

}  // namespace corvalin
