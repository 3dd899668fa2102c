#include "books/BookFile.h"

#include <cstring>

namespace corvalin {
namespace {

int32_t LoadInt32(const uint8_t* bytes) {
    return static_cast<int32_t>(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                                uint32_t(bytes[3]) << 24);
}

void StoreInt32(uint8_t* bytes, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    bytes[0] = uint8_t(v);
    bytes[1] = uint8_t(v >> 8);
    bytes[2] = uint8_t(v >> 16);
    bytes[3] = uint8_t(v >> 24);
}

std::vector<int32_t> ReadTable(VEMFile& file, int64_t offset, int32_t count) {
    // Counts come from the file; one that the file cannot hold is damage, not a size to allocate.
    if (count < 0 || offset < 0 || offset + 4 * int64_t(count) > file.Length())
        throw VEMFileError("offset table outside the book file");
    std::vector<uint8_t> raw(static_cast<size_t>(count) * 4);
    file.Read(raw.data(), int64_t(raw.size()), offset);
    std::vector<int32_t> table(static_cast<size_t>(count));
    for (size_t i = 0; i < table.size(); ++i) table[i] = LoadInt32(&raw[i * 4]);
    return table;
}

bool StoreDigestMatches(VEMFile& file, const BookHeader& header, const DigestSeed& seed) {
#ifdef CORVALIN_FUZZ_SKIP_DIGESTS
    (void)file, (void)header, (void)seed;
    return true;
#else
    return !file.VerifyDigest(kDigestLength, kDigestRounds, seed, header.storeOffset,
                              file.Length() - kDigestLength);
#endif
}

bool HeadDigestMatches(VEMFile& file, const BookHeader& header) {
#ifdef CORVALIN_FUZZ_SKIP_DIGESTS
    (void)file, (void)header;
    return true;
#else
    return !file.VerifyDigest(kDigestLength, kDigestRounds, SeedA(), 0,
                              int64_t(header.storeOffset) - kDigestLength);
#endif
}

}  // namespace

BookHeader ReadBookHeader(VEMFile& file) {
    uint8_t raw[kBookHeaderSize] = {};
    file.Read(raw, kBookHeaderSize, 0);
    BookHeader header;
    std::memcpy(header.signature, raw, kBookSignatureSize);
    header.textStart = LoadInt32(raw + kHeaderTextStartOffset);
    header.textEnd = LoadInt32(raw + kHeaderTextEndOffset);
    header.paragraphCount = LoadInt32(raw + kHeaderParagraphCountOffset);
    header.lineTableOffset = LoadInt32(raw + kHeaderLineTableOffset);
    header.lineCount = LoadInt32(raw + kHeaderLineCountOffset);
    header.storeOffset = LoadInt32(raw + kHeaderStoreOffset);
    return header;
}

void WriteBookHeader(VEMFile& file, const BookHeader& header) {
    uint8_t raw[kBookHeaderSize] = {};
    std::memcpy(raw, header.signature, kBookSignatureSize);
    StoreInt32(raw + kHeaderTextStartOffset, header.textStart);
    StoreInt32(raw + kHeaderTextEndOffset, header.textEnd);
    StoreInt32(raw + kHeaderParagraphCountOffset, header.paragraphCount);
    StoreInt32(raw + kHeaderLineTableOffset, header.lineTableOffset);
    StoreInt32(raw + kHeaderLineCountOffset, header.lineCount);
    StoreInt32(raw + kHeaderStoreOffset, header.storeOffset);
    file.Write(raw, kBookHeaderSize, 0);
}

BookCheck CheckBookStructure(const BookHeader& h, int64_t fileLength) {
    if (std::memcmp(h.signature, kBookSignature, kBookSignatureSize) != 0) return BookCheck::NotBook;
    if (h.textStart != kBookTextStart) return BookCheck::NotBook;
    if (h.paragraphCount < 2) return BookCheck::NotBook;
    if (h.lineCount < 2) return BookCheck::NotBook;
    if (h.textEnd <= h.textStart) return BookCheck::NotBook;
    // 64-bit sums: a damaged count must not wrap around into a plausible offset.
    if (int64_t(h.textEnd) + 4 * int64_t(h.paragraphCount) != h.lineTableOffset) return BookCheck::NotBook;
    if (int64_t(h.lineTableOffset) + 4 * int64_t(h.lineCount) + kDigestLength != h.storeOffset)
        return BookCheck::NotBook;
    if (h.storeOffset > fileLength) return BookCheck::NotBook;
    return BookCheck::Ok;
}

BookCheck CheckBook(VEMFile& file, const BookHeader& header) {
    const BookCheck structure = CheckBookStructure(header, file.Length());
    if (structure != BookCheck::Ok) return structure;
    if (!HeadDigestMatches(file, header)) return BookCheck::Corrupted;
    if (!StoreDigestMatches(file, header, SeedB())) return BookCheck::Corrupted;
    return BookCheck::Ok;
}

std::vector<int32_t> ReadParagraphTable(VEMFile& file, const BookHeader& header) {
    return ReadTable(file, header.textEnd, header.paragraphCount);
}

std::vector<int32_t> ReadLineTable(VEMFile& file, const BookHeader& header) {
    return ReadTable(file, header.lineTableOffset, header.lineCount);
}

void LoadBookStore(VEMFile& file, int64_t storeOffset, VEMOpt& store) {
    FileCursor cursor(file, storeOffset);
    store.Read(cursor.reader());
}

bool BookStoreIsWhole(VEMFile& file, const BookHeader& header) {
    return StoreDigestMatches(file, header, SeedB());
}

bool StoreOffsetInside(const BookHeader& header, int64_t fileLength) {
    return header.storeOffset >= kBookHeaderSize + kDigestLength && header.storeOffset <= fileLength;
}

void RewriteBookStore(VEMFile& file, VEMOpt& store) {
    const BookHeader header = ReadBookHeader(file);
    if (!StoreOffsetInside(header, file.Length()))
        throw VEMFileError("record store offset outside the book file");
    file.SetLength(header.storeOffset);
    FileCursor cursor(file, header.storeOffset);
    store.Write(cursor.writer());
    file.WriteDigest(kDigestLength, kDigestRounds, SeedB(), header.storeOffset, cursor.position());
    file.Flush();
}

BookScanResult UpgradeOrRepairBook(VEMFile& file) {
    const BookHeader header = ReadBookHeader(file);
    // Only the signature and a store offset that leaves room for both digests are needed to
    // judge the digests; the other header rules are the open checks' business.
    if (file.Length() < kBookHeaderSize ||
        std::memcmp(header.signature, kBookSignature, kBookSignatureSize) != 0 ||
        header.storeOffset < kBookHeaderSize + kDigestLength ||
        header.storeOffset > file.Length() - kDigestLength)
        return BookScanResult::NotListed;
    if (StoreDigestMatches(file, header, SeedB())) return BookScanResult::Current;

    // The store is rewritten only once it has been read whole, so a store that fails to
    // decode leaves the file exactly as it was.
    VEMOpt store;
    try {
        FileCursor cursor(file, header.storeOffset);
        if (StoreDigestMatches(file, header, SeedA())) {
            store.ReadLegacy(cursor.reader());
            RewriteBookStore(file, store);
            return BookScanResult::UpgradedLegacyStore;
        }
        if (HeadDigestMatches(file, header)) {
            store.Read(cursor.reader());
            RewriteBookStore(file, store);
            return BookScanResult::RepairedStoreDigest;
        }
    } catch (const VEMFileError&) {
    }
    return BookScanResult::NotListed;
}

}  // namespace corvalin
