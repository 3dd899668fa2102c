#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// Verdicts of the open checks: NotBook is the reader's "not a book file" message, Corrupted the
// "book is corrupted" one.
enum class BookCheck { Ok, NotBook, Corrupted };

BookHeader ReadBookHeader(VEMFile& file);
void WriteBookHeader(VEMFile& file, const BookHeader& header);

// Signature and header rules, in the order the reader checks them.
BookCheck CheckBookStructure(const BookHeader& header, int64_t fileLength);
// Structure, then the head digest (seed A) and the store digest (seed B).
BookCheck CheckBook(VEMFile& file, const BookHeader& header);

// One of the two offset tables; the header must have passed CheckBookStructure.
std::vector<int32_t> ReadParagraphTable(VEMFile& file, const BookHeader& header);
std::vector<int32_t> ReadLineTable(VEMFile& file, const BookHeader& header);

// Throws VEMFileError when the store is cut short or nests too deep.
void LoadBookStore(VEMFile& file, int64_t storeOffset, VEMOpt& store);
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
