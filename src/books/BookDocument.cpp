#include "books/BookDocument.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "books/BookFormat.h"
#include "books/HeadingDetection.h"
#include "books/StoreRewrite.h"
#include "store/FileError.h"

namespace corvalin {
namespace {

// A book file is read through 1 MB clusters, five of them.
constexpr int kBookClusterShift = 20;
constexpr int kBookClusterCount = 5;

}  // namespace

BookDocument::~BookDocument() { Close(); }

void BookDocument::Close() {
    if (file_) {
        try {
            file_->Close();
        } catch (const FileError&) {
            // Nothing of the book is written here; a failed close loses nothing.
        }
    }
    file_.reset();
    store_.reset();
    paragraphs_.clear();
    lines_.clear();
    header_ = {};
    headingsRebuilt_ = false;
    readOnly_ = false;
    path_.clear();
}

Verdict BookDocument::Open(const std::filesystem::path& path, ProgressSink* progress) {
    Close();
    // A state save cut short by a crash left the old store in its undo file.
    RecoverStoreRewrite(path);
    // A save writes the undo file beside the book, so the folder must take new files too.
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    bool writable = ::access(folder.c_str(), W_OK) == 0;
    int handle = writable ? OpenFileHandle(path, FileMode::ReadWrite) : -1;
    if (handle < 0) {
        writable = false;
        handle = OpenFileHandle(path, FileMode::Read);
    }
    if (handle < 0) return NotABook("file", std::strerror(errno));
    auto file = std::make_unique<VEMFile>();
    file->Open(handle, kBookClusterShift, kBookClusterCount);
    auto store = std::make_unique<VEMOpt>();
    try {
        if (file->Length() < kBookHeaderSize)
            return NotABook("header", "the file is shorter than a book's header");
        header_ = ReadBookHeader(*file);
        Verdict check = CheckBook(*file, header_);
        if (check.Ok()) check = LoadBookStore(*file, header_.storeOffset, *store);
        if (!check.Ok()) {
            header_ = {};
            return check;
        }
        paragraphs_ = ReadParagraphTable(*file, header_);
        lines_ = ReadLineTable(*file, header_);
        VEMOpt* headings = store->Find(kTagHeadings);
        if (!headings || headings->IntValue() < 0) {
            const int64_t span = int64_t(header_.textEnd) - header_.textStart;
            StoreHeadingIndex(*store, FindHeadings(*file, span, 0, progress));
            // A book that cannot be written still gets its headings for this reading.
            if (writable) {
                RewriteBookStoreSafely(path, *file, *store);
                headingsRebuilt_ = true;
            }
        }
    } catch (const FileError& error) {
        // A book that cannot be read to its end is told as a corrupted one.
        header_ = {};
        paragraphs_.clear();
        lines_.clear();
        return DamagedBook("file", error.what());
    }
    path_ = path;
    readOnly_ = !writable;
    file_ = std::move(file);
    store_ = std::move(store);
    return Verdict::Good();
}

void BookDocument::RewriteStore(VEMOpt& store) {
    if (!file_) throw FileError("no book is open");
    if (readOnly_) return;
    RewriteBookStoreSafely(path_, *file_, store);
}

}  // namespace corvalin
