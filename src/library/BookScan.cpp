#include "library/BookScan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <system_error>

#include "base/ByteReader.h"
#include "base/Utf.h"
#include "books/BookFile.h"
#include "books/BookFormat.h"
#include "books/BookText.h"
#include "books/StoreRewrite.h"
#include "library/OpenBookLink.h"
#include "store/FileError.h"
#include "store/VEMFile.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

// A scan touches the header, a few kilobytes of text and the store: small clusters.
constexpr int kScanClusterShift = 14;
constexpr int kScanClusterCount = 2;
// Words per space below which a text is a table of numbers or a dump, not prose: lines
// averaging more than 12 characters between spaces.
constexpr int64_t kCharsPerWordLimit = 12;
// Records of a book file are the file's own: texts longer than any author or title (or file
// name) are cut rather than carried through the derivation and into file names.
constexpr size_t kMaxRecordUnits = 4096;

constexpr std::array<std::string_view, 19> kNotTextExtensions = {
    ".EXE",  ".COM", ".OVL", ".BIN", ".DLL", ".JPG", ".JPEG", ".GIF", ".BMP", ".TIF",
    ".TIFF", ".ZIP", ".RAR", ".ARJ", ".LZH", ".HA",  ".NFO",  ".DIZ", ".BBS"};

std::u16string Record(VEMOpt& store, uint32_t tag) {
    std::u16string text = store.GetWideString(tag, u"");
    if (text.size() > kMaxRecordUnits) text.resize(kMaxRecordUnits);
    return text;
}

struct PreviewCounts {
    int64_t chars = 0;
    int64_t wordStarts = 0;  // places where a space is followed by something else
    int32_t entries = 0;     // paragraph-table entries read
};

// The first source line of the paragraph [start, end): its words joined by single spaces, the
// paragraph mark dropped, decoding stopped once kPreviewCharsRead characters are there.
std::u16string FirstLine(VEMFile& file, int64_t start, int64_t end) {
    std::u16string text;
    TextItemReader reader(file, start, end);
    TextItem item;
    bool space = false;
    while (text.size() < size_t(kPreviewCharsRead) && reader.Next(item)) {
        if (item.kind == TextItem::Kind::LineEnd) break;
        if (item.kind == TextItem::Kind::Space) {
            space = !text.empty();
            continue;
        }
        std::u16string_view word = item.word;
        if (!word.empty() && word.front() == kParagraphMark) word.remove_prefix(1);
        if (word.empty()) continue;
        if (space) text.push_back(u' ');
        space = false;
        // A word of more than 250 units continues in the next item, with no space between.
        text.append(word);
    }
    return text;
}

PreviewCounts ReadPreview(VEMFile& file, const BookHeader& header, PreviewLines& lines) {
    PreviewCounts counts;
    counts.entries = std::min(header.paragraphCount, kPreviewParagraphEntries);
    std::vector<uint8_t> raw(size_t(counts.entries) * 4);
    file.Read(raw.data(), int64_t(raw.size()), header.textEnd);
    ByteReader table(raw);
    std::vector<int64_t> starts(size_t(counts.entries));
    // The digest proves only that the file was sealed: entries are held inside the text.
    for (int64_t& start : starts)
        start = std::clamp<int64_t>(table.I32LE(), header.textStart, header.textEnd);
    for (int32_t j = 0; j + 1 < counts.entries; ++j) {
        const int64_t start = starts[size_t(j)];
        const int64_t end = std::max(start, starts[size_t(j) + 1]);
        std::u16string text = FirstLine(file, start, end);
        counts.chars += int64_t(text.size());
        for (size_t i = 0; i + 1 < text.size(); ++i)
            if (text[i] == u' ' && text[i + 1] != u' ') ++counts.wordStarts;
        if (text.size() > size_t(kPreviewCharsKept)) {
            size_t keep = kPreviewCharsKept;
            if (text[keep - 1] >= 0xD800 && text[keep - 1] < 0xDC00) --keep;  // never half a pair
            text.resize(keep);
            text += u" ...";
        }
        lines.Append(text);
    }
    lines.ShrinkToFit();
    return counts;
}

}  // namespace

bool NotTextSourceName(std::string_view sourceName) {
    const size_t dot = sourceName.rfind('.');
    if (dot == std::string_view::npos) return false;
    std::string extension(sourceName.substr(dot));
    for (char& c : extension)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return std::find(kNotTextExtensions.begin(), kNotTextExtensions.end(), extension) !=
           kNotTextExtensions.end();
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    if (a == b) return true;
    std::error_code error;
    const bool same = std::filesystem::equivalent(a, b, error);
    return !error && same;
}

std::unique_ptr<VEMBrowseFile> EntryFromBook(const std::filesystem::path& path, VEMFile& file,
                                             VEMOpt& store) {
    const BookHeader header = ReadBookHeader(file);
    auto entry = std::make_unique<VEMBrowseFile>();
    entry->path = path;
    entry->sourceName = Utf16ToUtf8(Record(store, kTagSourceName));
    entry->author = Record(store, kTagAuthor);
    entry->title = Record(store, kTagTitle);
    // Stored as an unsigned 32-bit size.
    entry->sourceSize = int64_t(uint32_t(store.GetInt(kTagSourceSize, 0)));
    const PreviewCounts counts = ReadPreview(file, header, entry->lines);
    entry->special = NotTextSourceName(entry->sourceName) ||
                     counts.wordStarts * kCharsPerWordLimit < counts.chars ||
                     counts.entries < kTextMinParagraphEntries;
    return entry;
}

std::unique_ptr<VEMBrowseFile> ScanBook(const std::filesystem::path& path, OpenBookLink* link) {
    try {
        if (link != nullptr && link->IsOpenBook(path)) {
            // The reader checked it when it opened it, and holds its store as it now stands.
            VEMFile& file = link->OpenBookFile();
            if (!CheckBookStructure(ReadBookHeader(file), file.Length()).Ok()) return nullptr;
            return EntryFromBook(path, file, link->OpenBookStore());
        }
        // A pipe or a device named *.book would block or worse.
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) return nullptr;
        // A state save cut short leaves an undo file; the book is put right before it is judged.
        RecoverStoreRewrite(path);
        int handle = OpenFileHandle(path, FileMode::ReadWrite);
        const bool writable = handle >= 0;
        if (!writable) handle = OpenFileHandle(path, FileMode::Read);
        if (handle < 0) return nullptr;
        VEMFile file;
        file.Open(handle, kScanClusterShift, kScanClusterCount);
        BookHeader header = ReadBookHeader(file);
        if (file.Length() < kBookHeaderSize ||
            std::memcmp(header.signature, kBookSignature, kBookSignatureSize) != 0)
            return nullptr;

        // An upgrade or repair rewrites the store in place: the store as it was goes to an undo
        // file first, so that a crash half-way leaves what the next scan can repair again.
        bool keptUndo = false;
        if (writable && StoreOffsetInside(header, file.Length()) &&
            int64_t(header.storeOffset) <= file.Length() - kDigestLength && !BookStoreIsWhole(file, header)) {
            try {
                KeepStoreForUndo(path, file);
                keptUndo = true;
            } catch (const FileError&) {
                // Not kept (a folder the user may not write): repaired in place as before.
            }
        }
        const BookScanResult scan = UpgradeOrRepairBook(file);
        if (keptUndo) {
            if (scan != BookScanResult::NotListed) file.Sync();
            std::filesystem::remove(StoreUndoPath(path), error);
        }
        if (scan == BookScanResult::NotListed) return nullptr;

        header = ReadBookHeader(file);
        if (!CheckBookStructure(header, file.Length()).Ok()) return nullptr;
        VEMOpt store;
        if (!LoadBookStore(file, header.storeOffset, store).Ok()) return nullptr;
        auto entry = EntryFromBook(path, file, store);
        file.Close();
        return entry;
    } catch (const FileError&) {
        // Unreadable now: left out, as a file that is not a book is.
        return nullptr;
    }
}

}  // namespace corvalin
