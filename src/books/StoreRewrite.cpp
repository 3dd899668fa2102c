#include "books/StoreRewrite.h"

#include "base/ByteReader.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "books/BookFile.h"
#include "books/BookFormat.h"
#include "store/DurableFile.h"
#include "store/VEMFile.h"
#include "store/FileError.h"

namespace corvalin {
namespace {

// Undo file: magic, store offset (u64), store length (u64), CRC-32 of the store bytes (u32),
// then the bytes from the store offset to the end of the book (the store and its digest).
constexpr char kUndoMagic[8] = {'C', 'V', 'S', 'T', 'O', 'R', 'E', '1'};
constexpr size_t kUndoHeaderSize = 8 + 8 + 8 + 4;
// A store holds a position, a few settings, bookmarks and the heading index: kilobytes, a few
// megabytes for a huge book. Anything larger is not ours to restore.
constexpr int64_t kMaxStoreBytes = int64_t{64} << 20;
constexpr const char* kUndoSuffix = ".undo";
constexpr const char* kUndoPartialSuffix = ".part";
constexpr int kClusterShift = 16;
constexpr int kClusterCount = 4;

void PutU64(std::string& out, uint64_t value) {
    for (int i = 0; i < 8; ++i) out.push_back(char(value >> (8 * i)));
}

uint32_t Crc(const uint8_t* data, size_t size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes at most 4 GB per call; the store is far smaller.
    return uint32_t(crc32(crc, data, uInt(size)));
}

// The bytes from the store offset to the end of a book: the store and its digest.
struct KeptStore {
    int64_t storeOffset = 0;
    std::vector<uint8_t> tail;
};

std::string EncodeUndo(const KeptStore& kept) {
    std::string out(kUndoMagic, sizeof kUndoMagic);
    PutU64(out, uint64_t(kept.storeOffset));
    PutU64(out, uint64_t(kept.tail.size()));
    const uint32_t crc = Crc(kept.tail.data(), kept.tail.size());
    for (int i = 0; i < 4; ++i) out.push_back(char(crc >> (8 * i)));
    out.append(reinterpret_cast<const char*>(kept.tail.data()), kept.tail.size());
    return out;
}

// The undo file as written by EncodeUndo, or nothing when it is not exactly that.
std::optional<KeptStore> ReadUndo(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size < kUndoHeaderSize || size > kUndoHeaderSize + uint64_t(kMaxStoreBytes))
        return std::nullopt;
    const int handle = OpenFileHandle(path, FileMode::Read);
    if (handle < 0) return std::nullopt;
    std::vector<uint8_t> bytes(size);
    try {
        VEMFile file;
        file.Open(handle, kClusterShift, kClusterCount);
        if (file.Length() != int64_t(size)) return std::nullopt;
        file.Read(bytes.data(), int64_t(size), 0);
    } catch (const FileError&) {
        return std::nullopt;
    }
    ByteReader reader(bytes);
    if (reader.TakeChars(sizeof kUndoMagic) != std::string_view(kUndoMagic, sizeof kUndoMagic)) return std::nullopt;
    const uint64_t offset = reader.U64LE();
    const uint64_t length = reader.U64LE();
    const uint32_t crc = reader.U32LE();
    if (!reader.Ok() || length != reader.Remaining() || offset > uint64_t(INT32_MAX)) return std::nullopt;
    const std::span<const uint8_t> tail = reader.Take(size_t(length));
    if (Crc(tail.data(), tail.size()) != crc) return std::nullopt;
    return KeptStore{int64_t(offset), std::vector<uint8_t>(tail.begin(), tail.end())};
}

void PutTailBack(VEMFile& file, const KeptStore& kept) {
    file.SetLength(kept.storeOffset);
    file.Write(kept.tail.data(), int64_t(kept.tail.size()), kept.storeOffset);
    file.Sync();
}

void RemoveUndo(const std::filesystem::path& undo) {
    std::error_code ignored;
    std::filesystem::remove(undo, ignored);
}

KeptStore KeepStore(const std::filesystem::path& book, VEMFile& file) {
    const BookHeader header = ReadBookHeader(file);
    if (!StoreOffsetInside(header, file.Length()))
        throw FileError("record store offset outside the book file");
    KeptStore kept;
    kept.storeOffset = header.storeOffset;
    const int64_t tailLength = file.Length() - kept.storeOffset;
    if (tailLength > kMaxStoreBytes) throw FileError("record store too large to save safely");
    kept.tail.resize(static_cast<size_t>(tailLength));
    file.Read(kept.tail.data(), tailLength, kept.storeOffset);
    const std::string failure = WriteFileReplacing(StoreUndoPath(book), EncodeUndo(kept), kUndoPartialSuffix);
    if (!failure.empty()) throw FileError("cannot keep the old record store: " + failure);
    return kept;
}

}  // namespace

std::filesystem::path StoreUndoPath(const std::filesystem::path& book) {
    std::filesystem::path undo = book;
    undo += kUndoSuffix;
    return undo;
}

void KeepStoreForUndo(const std::filesystem::path& book, VEMFile& file) { KeepStore(book, file); }

void RewriteBookStoreSafely(const std::filesystem::path& book, VEMFile& file, VEMOpt& store) {
    const KeptStore kept = KeepStore(book, file);
    const std::filesystem::path undo = StoreUndoPath(book);
    try {
        RewriteBookStore(file, store);
        file.Sync();
    } catch (const FileError&) {
        try {
            // What could not be written stays cached and would fail again on every flush.
            file.DiscardUnwritten();
            PutTailBack(file, kept);
            RemoveUndo(undo);
        } catch (const FileError&) {
            // The undo file stays; the next open puts the old store back.
        }
        throw;
    }
    RemoveUndo(undo);
}

StoreRecovery RecoverStoreRewrite(const std::filesystem::path& book) {
    const std::filesystem::path undo = StoreUndoPath(book);
    std::error_code error;
    if (!std::filesystem::exists(undo, error)) {
        // A partial undo file means the book was never touched.
        std::filesystem::path partial = undo;
        partial += kUndoPartialSuffix;
        RemoveUndo(partial);
        return StoreRecovery::Nothing;
    }
    const int handle = OpenFileHandle(book, FileMode::ReadWrite);
    // A book that cannot be written cannot be repaired now; the undo file waits for a later open.
    if (handle < 0) return StoreRecovery::Nothing;
    try {
        VEMFile file;
        file.Open(handle, kClusterShift, kClusterCount);
        if (file.Length() < kBookHeaderSize) return StoreRecovery::Nothing;
        const BookHeader header = ReadBookHeader(file);
        const bool offsetInside = StoreOffsetInside(header, file.Length());
        if (offsetInside && file.Length() - header.storeOffset >= kDigestLength &&
            BookStoreIsWhole(file, header)) {
            // The rewrite finished; only the removal of the undo file was missed.
            RemoveUndo(undo);
            return StoreRecovery::Discarded;
        }
        const std::optional<KeptStore> record = ReadUndo(undo);
        if (!record || record->storeOffset != header.storeOffset || !offsetInside) {
            RemoveUndo(undo);
            return StoreRecovery::Discarded;
        }
        PutTailBack(file, *record);
        file.Close();
    } catch (const FileError&) {
        return StoreRecovery::Nothing;
    }
    RemoveUndo(undo);
    return StoreRecovery::Restored;
}

}  // namespace corvalin
