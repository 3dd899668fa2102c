#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Verdict.h"
#include "books/BookFormat.h"
#include "store/VEMFile.h"
#include "store/VEMOpt.h"

namespace corvalin {

struct BookHeader {
    char signature[kBookSignatureSize] = {};
    int32_t textStart = 0;
    int32_t textEnd = 0;
    int32_t paragraphCount = 0;  // P
    int32_t lineTableOffset = 0;
    int32_t lineCount = 0;  // L
    int32_t storeOffset = 0;
};

// The open checks give a verdict: NotThisFormat for a file that is not a book (no signature,
// a header rule broken, nothing to read), Damaged for a book whose digest or record store is
// not right. The reader tells the first as "not a book file", the second as "book is
// corrupted".
inline bool IsDamagedBook(const Verdict& verdict) { return verdict.kind == VerdictKind::Damaged; }
Verdict NotABook(std::string field, std::string message);
Verdict DamagedBook(std::string field, std::string message);

// The header's fields, read through the bounded reader: a file shorter than the header reads
// as zeros past its end, which no rule accepts.
BookHeader ReadBookHeader(VEMFile& file);
void WriteBookHeader(VEMFile& file, const BookHeader& header);

// Signature and header rules, in the order the reader checks them.
Verdict CheckBookStructure(const BookHeader& header, int64_t fileLength);
// Structure, then the head digest (seed A) and the store digest (seed B).
Verdict CheckBook(VEMFile& file, const BookHeader& header);

// One of the two offset tables; the header must have passed CheckBookStructure.
std::vector<int32_t> ReadParagraphTable(VEMFile& file, const BookHeader& header);
std::vector<int32_t> ReadLineTable(VEMFile& file, const BookHeader& header);

// Damaged when the store is cut short or nests too deep; a failing device still throws.
Verdict LoadBookStore(VEMFile& file, int64_t storeOffset, VEMOpt& store);
// Whether the header's store offset leaves room for the head digest and lies inside a file of
// `fileLength` bytes: the least a store rewrite needs.
bool StoreOffsetInside(const BookHeader& header, int64_t fileLength);
// Whether the store digest (seed B) matches: the store was written whole. The header must have
// a store offset inside the file.
bool BookStoreIsWhole(VEMFile& file, const BookHeader& header);
// Cuts the file at the store offset and writes the store and its digest there.
void RewriteBookStore(VEMFile& file, VEMOpt& store);

// What the library scan does with a file whose signature is right.
enum class BookScanResult { Current, UpgradedLegacyStore, RepairedStoreDigest, NotListed };
BookScanResult UpgradeOrRepairBook(VEMFile& file);

}  // namespace corvalin
