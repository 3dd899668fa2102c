// corvalin-book info|text|records BOOK
// Looks inside a book: header and records, the text as UTF-8, or the record store as a tree.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "books/BookFile.h"
#include "books/BookText.h"
#include "import/UnicodeSources.h"
#include "store/VEMOpt.h"

namespace {

using namespace corvalin;

constexpr int kExitNotBook = 2;
constexpr int kExitCorrupted = 3;
// The reader's own wording of the two open failures.
constexpr const char* kNotBookText = "The is not the Corvalindestrum file";
constexpr const char* kCorruptedText = "The is book is corrupted";
constexpr int kReadClusterShift = 20;
constexpr int kReadClusters = 5;

int Usage() {
    std::cerr << "usage: corvalin-book info|text|records BOOK\n";
    return 1;
}

std::string Hex(const uint8_t* bytes, uint32_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (uint32_t i = 0; i < length; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

void PrintRecords(VEMOpt& record, int depth) {
    for (VEMOpt* child = record.First(); child; child = record.Next(child)) {
        std::cout << std::string(size_t(depth) * 2, ' ') << child->Key();
        if (child->ValueLength() > 0) std::cout << ' ' << Hex(child->ValueData(), child->ValueLength());
        std::cout << '\n';
        PrintRecords(*child, depth + 1);
    }
}

int PrintText(VEMFile& file, const BookHeader& header) {
    std::string line;
    TextItem item;
    int64_t offset = header.textStart;
    while (NextTextItem(file, offset, header.textEnd, item)) {
        switch (item.kind) {
            case TextItem::Kind::Word:
                line += Utf16ToUtf8(item.word);
                break;
            case TextItem::Kind::Space:
                line.append(size_t(item.columns), ' ');
                break;
            case TextItem::Kind::LineEnd:
                line += '\n';
                std::fwrite(line.data(), 1, line.size(), stdout);
                line.clear();
                break;
        }
    }
    std::fwrite(line.data(), 1, line.size(), stdout);
    return 0;
}

int PrintInfo(VEMFile& file, const BookHeader& header, bool headOk, bool storeOk) {
    VEMOpt store;
    const Verdict read = LoadBookStore(file, header.storeOffset, store);
    VEMOpt* headings = store.Find(kTagHeadings);
    VEMOpt* bookmarks = store.Find(kTagBookmarks);
    std::cout << "text_start: " << header.textStart << '\n'
              << "text_end: " << header.textEnd << '\n'
              << "paragraphs: " << header.paragraphCount - 1 << '\n'
              << "lines: " << header.lineCount - 1 << '\n'
              << "store_offset: " << header.storeOffset << '\n'
              << "head_digest: " << (headOk ? "ok" : "bad") << '\n'
              << "store_digest: " << (storeOk ? "ok" : "bad") << '\n'
              << "source_name: " << Utf16ToUtf8(store.GetWideString(kTagSourceName, u"")) << '\n'
              << "source_size: " << store.GetInt(kTagSourceSize, -1) << '\n'
              << "author: " << Utf16ToUtf8(store.GetWideString(kTagAuthor, u"")) << '\n'
              << "title: " << Utf16ToUtf8(store.GetWideString(kTagTitle, u"")) << '\n'
              << "position: " << store.GetInt(kTagPosition, header.textStart) << '\n'
              << "headings: " << (headings ? headings->ChildCount() : 0) << '\n'
              << "bookmarks: " << (bookmarks ? bookmarks->ChildCount() : 0) << '\n';
    if (!read.Ok()) std::cerr << "corvalin-book: " << read.message << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return Usage();
    const std::string command = argv[1];
    if (command != "info" && command != "text" && command != "records") return Usage();

    try {
        VEMFile file;
        file.Open(OpenFileHandle(argv[2], FileMode::Read), kReadClusterShift, kReadClusters);
        const BookHeader header = ReadBookHeader(file);
        if (file.Length() < kBookHeaderSize || CheckBookStructure(header, file.Length()) != VerdictKind::Ok) {
            std::cerr << kNotBookText << '\n';
            return kExitNotBook;
        }
        const bool headOk = !file.VerifyDigest(kDigestLength, kDigestRounds, SeedA(), 0,
                                               int64_t(header.storeOffset) - kDigestLength);
        const bool storeOk = !file.VerifyDigest(kDigestLength, kDigestRounds, SeedB(), header.storeOffset,
                                                file.Length() - kDigestLength);
        int status = 0;
        if (command == "info") {
            status = PrintInfo(file, header, headOk, storeOk);
        } else if (command == "text") {
            status = PrintText(file, header);
        } else {
            VEMOpt store;
            const Verdict read = LoadBookStore(file, header.storeOffset, store);
            PrintRecords(store, 0);
            if (!read.Ok()) std::cerr << "corvalin-book: " << read.message << "\n";
        }
        std::cout.flush();
        if (!headOk || !storeOk) {
            std::cerr << kCorruptedText << '\n';
            return kExitCorrupted;
        }
        return status;
    } catch (const std::exception& error) {
        std::cerr << "corvalin-book: " << argv[2] << ": " << error.what() << '\n';
        return 1;
    }
}
