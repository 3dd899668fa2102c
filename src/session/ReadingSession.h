#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/Progress.h"
#include "books/BookDocument.h"
#include "layout/VEMRenderParag.h"
#include "nav/Bookmarks.h"

namespace corvalin {

class VEMOptions;
struct StoredSettings;

// The book being read, as the reader has it: the open file, the view laid out on it, its
// bookmarks, and what the reader's commands do to them. The main window shows a session; the
// library, the options panel and the bookmarks dialog work on the same one. No windows here:
// the caller paints, asks and tells.
class ReadingSession {
public:
    ReadingSession() = default;
    ~ReadingSession();
    ReadingSession(const ReadingSession&) = delete;
    ReadingSession& operator=(const ReadingSession&) = delete;

    VEMRenderParag& View() { return view_; }
    const VEMRenderParag& View() const { return view_; }
    BookDocument& Book() { return book_; }
    BookmarkList& Bookmarks() { return bookmarks_; }
    const BookmarkList& Bookmarks() const { return bookmarks_; }
    bool BookOpen() const { return book_.IsOpen(); }
    // What the configuration remembers as the book to reopen; empty without a book.
    const std::string& BookName() const { return bookName_; }
    int64_t TextStart() const { return book_.Header().textStart; }
    int64_t TextEnd() const { return book_.Header().textEnd; }

    // Opens the book at `path` in place of the one open, which is closed unsaved (the caller
    // saves it first). The book's own font width and formatting go into `options` over the
    // stored values, its bookmarks into the list, and the view shows it at its saved position;
    // the heading index is built with `headings` reporting when the book has none.
    Verdict Open(const std::filesystem::path& path, std::string rememberAs, VEMOptions& options,
                 const StoredSettings& stored, ProgressSink* headings = nullptr);
    // Lets go of the book without saving.
    void Close();

    enum class SaveOutcome { Saved, NoBook, ReadOnly };
    // The reading position, the per-book settings and the bookmarks, written into the book.
    // Throws FileError when the file cannot be written; the book keeps its last good state.
    SaveOutcome SaveState(const VEMOptions& options);

    // The reading position among the bookmarks.
    void AddBookmark();
    // What the book's record store says of it, read afresh on every call (the library may have
    // changed the author or the title).
    struct BookDetails {
        std::u16string sourceName;  // the document the book was made from
        int32_t sourceSize = -1;    // its size in bytes; -1 when unknown
        std::u16string author;
        std::u16string title;
    };
    BookDetails Details();

    // The Wave mode's front back at the top of the page, the page as it stands below it: when
    // the movement starts and whenever a position is set.
    void RestartWave();

    // The beginning a quarter down and the end about three quarters down, each keeping the
    // place left as a bookmark so that the jump can be undone.
    void GoHome();
    void GoEnd();
    // A bookmark's place at the top of the page; nothing without a book.
    void GoToBookmark(int32_t position);
    // The place `percent` of the way through the text at the top of the page (100 is the
    // text's last offset). False, and nothing moves, without a book or text.
    bool GoToPercent(long double percent);
    // A Ctrl drag: the whole book maps onto the page height, like a scroll bar. `startOffset`
    // and `startRow` are the top line's at the press, `dy` the mouse's way since.
    void DragThroughBook(int64_t startOffset, int32_t startRow, int32_t dy);

private:
    BookDocument book_;
    VEMRenderParag view_;
    BookmarkList bookmarks_;
    std::string bookName_;
};

}  // namespace corvalin
