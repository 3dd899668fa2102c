#include "books/BookFile.h"

#include <cstring>

#include "base/ByteReader.h"

namespace corvalin {
namespace {

std::vector<int32_t> ReadTable(VEMFile& file, int64_t offset, int32_t count) {
    // Counts come from the file; one that the file cannot hold is damage, not a size to allocate.
    if (count < 0 || offset < 0 || offset + 4 * int64_t(count) > file.Length())
        throw FileError("offset table outside the book file");
    std::vector<uint8_t> raw(static_cast<size_t>(count) * 4);
    file.Read(raw.data(), int64_t(raw.size()), offset);
    ByteReader reader(raw);
    std::vector<int32_t> table(static_cast<size_t>(count));
    for (int32_t& entry : table) entry = reader.I32LE();
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

Verdict NotABook(std::string field, std::string message) {
    return Verdict::Bad(VerdictKind::NotThisFormat, std::move(field), std::move(message));
}

Verdict DamagedBook(std::string field, std::string message) {
    return Verdict::Bad(VerdictKind::Damaged, std::move(field), std::move(message));
}

// The header:
//
//   offset  size  field
//        0    16  signature "Corvalindestrum" and a zero byte
//       16     4  text start (always 40)
//       20     4  text end: the paragraph table follows
//       24     4  paragraph table entries P
//       28     4  line table offset = text end + 4P
//       32     4  line table entries L
//       36     4  record store offset = line table offset + 4L + 16 (the head digest between)
BookHeader ReadBookHeader(VEMFile& file) {
    uint8_t raw[kBookHeaderSize] = {};
    file.Read(raw, kBookHeaderSize, 0);
    ByteReader reader(raw, sizeof raw);
    BookHeader header;
    std::memcpy(header.signature, reader.Take(kBookSignatureSize).data(), kBookSignatureSize);
    header.textStart = reader.I32LE();
    header.textEnd = reader.I32LE();
    header.paragraphCount = reader.I32LE();
    header.lineTableOffset = reader.I32LE();
    header.lineCount = reader.I32LE();
    header.storeOffset = reader.I32LE();
    return header;
}

void WriteBookHeader(VEMFile& file, const BookHeader& header) {
    uint8_t raw[kBookHeaderSize] = {};
    std::memcpy(raw, header.signature, kBookSignatureSize);
    StoreU32LE(raw + kHeaderTextStartOffset, uint32_t(header.textStart));
    StoreU32LE(raw + kHeaderTextEndOffset, uint32_t(header.textEnd));
    StoreU32LE(raw + kHeaderParagraphCountOffset, uint32_t(header.paragraphCount));
    StoreU32LE(raw + kHeaderLineTableOffset, uint32_t(header.lineTableOffset));
    StoreU32LE(raw + kHeaderLineCountOffset, uint32_t(header.lineCount));
    StoreU32LE(raw + kHeaderStoreOffset, uint32_t(header.storeOffset));
    file.Write(raw, kBookHeaderSize, 0);
}

Verdict CheckBookStructure(const BookHeader& h, int64_t fileLength) {
    if (std::memcmp(h.signature, kBookSignature, kBookSignatureSize) != 0)
        return NotABook("signature", "the file does not start with a book's signature");
    if (h.textStart != kBookTextStart) return NotABook("text start", "the text does not start at 40");
    if (h.paragraphCount < 2) return NotABook("paragraph count", "fewer than two paragraph table entries");
    if (h.lineCount < 2) return NotABook("line count", "fewer than two line table entries");
    if (h.textEnd <= h.textStart) return NotABook("text end", "the text ends before it starts");
    // 64-bit sums: a damaged count must not wrap around into a plausible offset.
    if (int64_t(h.textEnd) + 4 * int64_t(h.paragraphCount) != h.lineTableOffset)
        return NotABook("line table offset", "the line table does not follow the paragraph table");
    if (int64_t(h.lineTableOffset) + 4 * int64_t(h.lineCount) + kDigestLength != h.storeOffset)
        return NotABook("record store offset", "the record store does not follow the head digest");
    if (h.storeOffset > fileLength)
        return NotABook("record store offset", "the record store lies past the end");
    return Verdict::Good();
}

Verdict CheckBook(VEMFile& file, const BookHeader& header) {
    Verdict structure = CheckBookStructure(header, file.Length());
    if (!structure.Ok()) return structure;
    if (!HeadDigestMatches(file, header))
        return DamagedBook("head digest", "the text or its tables were changed");
    if (!StoreDigestMatches(file, header, SeedB()))
        return DamagedBook("record store digest", "the record store was changed or cut short");
    return Verdict::Good();
}

std::vector<int32_t> ReadParagraphTable(VEMFile& file, const BookHeader& header) {
    return ReadTable(file, header.textEnd, header.paragraphCount);
}

std::vector<int32_t> ReadLineTable(VEMFile& file, const BookHeader& header) {
    return ReadTable(file, header.lineTableOffset, header.lineCount);
}

Verdict LoadBookStore(VEMFile& file, int64_t storeOffset, VEMOpt& store) {
    try {
        FileCursor cursor(file, storeOffset);
        store.Read(cursor.reader());
    } catch (const RecordStoreDamage& damage) {
        return DamagedBook("record store", damage.what());
    }
    return Verdict::Good();
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
        throw FileError("record store offset outside the book file");
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
    } catch (const FileError&) {
    }
    return BookScanResult::NotListed;
}

}  // namespace corvalin
