#include "session/ReadingSession.h"

#include <algorithm>

#include "books/BookFormat.h"
#include "layout/BookView.h"
#include "nav/PageCommands.h"
#include "nav/PercentPosition.h"
#include "nav/ReadingPosition.h"
#include "settings/VEMOptions.h"

namespace corvalin {

ReadingSession::~ReadingSession() { Close(); }

Verdict ReadingSession::Open(const std::filesystem::path& path, std::string rememberAs, VEMOptions& options,
                             const StoredSettings& stored, ProgressSink* headings) {
    Close();
    const Verdict check = book_.Open(path, headings);
    if (check != VerdictKind::Ok) return check;
    bookName_ = std::move(rememberAs);
    // The book's own font width and formatting, else the stored ones; this lays the view out.
    options.ApplyStoredSettings(stored, &book_.Store(), false);
    // From here the list is the book's bookmarks; the store gets them back when it is saved.
    TakeBookmarks(book_.Store(), bookmarks_);
    AttachBook(book_, view_);
    view_.Relayout();
    const ReadingPosition saved = StoredPosition(book_.Store(), TextStart());
    view_.GoToPosition(saved.offset, RowOfFraction(saved.fraction, view_.pageHeightPx));
    RestartWave();
    return Verdict::Good();
}

void ReadingSession::Close() {
    // The view points into the book; it lets go first.
    DetachBook(view_);
    book_.Close();
    bookmarks_.Clear();
    bookName_.clear();
}

ReadingSession::SaveOutcome ReadingSession::SaveState(const VEMOptions& options) {
    if (!book_.IsOpen()) return SaveOutcome::NoBook;
    VEMOpt& store = book_.Store();
    StorePosition(PositionToSave(view_, TextStart(), TextEnd()), store);
    store.SetBool(kTagProportional, options.IsSet(Setting::Proportional));
    store.SetInt(kTagFormattingMode, options.Get(Setting::TextFormatting));
    StoreBookmarks(bookmarks_, store);
    if (book_.ReadOnly()) return SaveOutcome::ReadOnly;
    book_.RewriteStore(store);
    return SaveOutcome::Saved;
}

ReadingSession::BookDetails ReadingSession::Details() {
    BookDetails details;
    if (!book_.IsOpen()) return details;
    VEMOpt& store = book_.Store();
    details.sourceName = store.GetWideString(kTagSourceName, u"");
    details.sourceSize = store.GetInt(kTagSourceSize, -1);
    details.author = store.GetWideString(kTagAuthor, u"");
    details.title = store.GetWideString(kTagTitle, u"");
    return details;
}

void ReadingSession::RestartWave() {
    view_.waveFront = view_.waveShift = 0;
    // Placing a line where it stands rebuilds the wave's list of lines around the new front.
    if (view_.firstUnit) view_.PlaceLine(view_.firstUnit->firstLine, view_.firstUnit->firstLine->y);
}

void ReadingSession::AddBookmark() {
    if (!book_.IsOpen()) return;
    corvalin::AddBookmark(bookmarks_, view_, TextStart(), TextEnd());
}

void ReadingSession::GoHome() {
    if (!book_.IsOpen()) return;
    AddBookmark();
    corvalin::GoHome(view_, TextStart());
    RestartWave();
}

void ReadingSession::GoEnd() {
    if (!book_.IsOpen()) return;
    AddBookmark();
    corvalin::GoEnd(view_, TextEnd());
    RestartWave();
}

void ReadingSession::GoToBookmark(int32_t position) {
    if (!book_.IsOpen()) return;
    JumpToPosition(view_, position);
}

bool ReadingSession::GoToPercent(long double percent) {
    if (!book_.IsOpen()) return false;
    const std::optional<int64_t> position = PositionOfPercent(percent, TextStart(), TextEnd());
    if (!position) return false;
    JumpToPosition(view_, *position);
    return true;
}

void ReadingSession::DragThroughBook(int64_t startOffset, int32_t startRow, int32_t dy) {
    if (!book_.IsOpen()) return;
    const int64_t step = (TextEnd() - TextStart()) / std::max(1, view_.pageHeightPx);
    const int64_t position =
        std::clamp<int64_t>(startOffset + step * dy, TextStart(), std::max(TextStart(), TextEnd() - 1));
    view_.GoToPosition(position, startRow);
    RestartWave();
}

}  // namespace corvalin
