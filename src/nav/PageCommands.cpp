#include "nav/PageCommands.h"

#include "layout/VEMRenderParag.h"

namespace corvalin {
namespace {

// The neighbours of a line across unit boundaries; null at either end of the chain.
const VEMRenderLineObject* LineAfter(const VEMRenderLineObject* line) {
    if (line->next) return line->next;
    return line->unit->next ? line->unit->next->firstLine : nullptr;
}

const VEMRenderLineObject* LineBefore(const VEMRenderLineObject* line) {
    if (line->prev) return line->prev;
    return line->unit->prev ? line->unit->prev->lastLine : nullptr;
}

bool IsFirstLineOfBook(const VEMRenderLineObject* line) { return line->unit->isFirst && !line->prev; }

const VEMRenderLineObject* FirstFormattedLine(const VEMRenderParag& view) {
    return view.firstUnit ? view.firstUnit->firstLine : nullptr;
}

const VEMRenderLineObject* LastFormattedLine(const VEMRenderParag& view) {
    return view.lastUnit ? view.lastUnit->lastLine : nullptr;
}

int32_t TextTop(const VEMRenderLineObject* line) { return line->y + line->textTop; }
int32_t TextBottom(const VEMRenderLineObject* line) { return line->y + line->textBottom; }

// With no line fully on the page: the book's start has been moved off the bottom (a page
// turn back from the first page leaves it there, or a little of it cut by the edge).
bool TextBelowPage(const VEMRenderParag& view) {
    const VEMRenderLineObject* first = FirstFormattedLine(view);
    return first && IsFirstLineOfBook(first) && TextBottom(first) > view.pageHeightPx;
}

// The same for the book's end off the top: a page turn at the end leaves the last line's text
// box ending just below the top edge.
bool TextAbovePage(const VEMRenderParag& view) {
    const VEMRenderLineObject* last = LastFormattedLine(view);
    return last && view.lastUnit->isLast && !last->next && TextTop(last) < 0;
}

}  // namespace

int32_t NextPageDistance(const VEMRenderParag& view) {
    if (view.screenLines.empty()) {
        if (TextBelowPage(view)) return view.advanceReservePx - TextTop(FirstFormattedLine(view));
        return 0;
    }
    const VEMRenderLineObject* last = view.screenLines.back().line;
    if (const VEMRenderLineObject* below = LineAfter(last)) return view.advanceReservePx - TextTop(below);
    // The end of the book is on the page: it leaves the page empty.
    return view.advanceReservePx - TextBottom(last);
}

int32_t PrevPageDistance(const VEMRenderParag& view) {
    if (view.screenLines.empty()) {
        // The way back from a page emptied by Page Down at the end.
        if (TextAbovePage(view)) return view.pageHeightPx - TextBottom(LastFormattedLine(view));
        return 0;
    }
    const VEMRenderLineObject* first = view.screenLines.front().line;
    if (const VEMRenderLineObject* above = LineBefore(first)) return view.pageHeightPx - TextBottom(above);
    return view.pageHeightPx - TextTop(first);
}

int32_t LineDownDistance(const VEMRenderParag& view) {
    if (view.screenLines.empty()) {
        // The nearest line comes back to the edge it left by.
        if (TextBelowPage(view)) return view.pageHeightPx - TextBottom(FirstFormattedLine(view));
        if (TextAbovePage(view)) return -TextTop(LastFormattedLine(view));
        return 0;
    }
    const VEMRenderLineObject* first = view.screenLines.front().line;
    const VEMRenderLineObject* following = LineAfter(first);
    if (!following) return view.advanceReservePx - TextBottom(view.screenLines.back().line);
    if (IsFirstLineOfBook(first)) return first->y - following->y;
    return view.advanceReservePx - TextTop(following);
}

int32_t LineUpDistance(const VEMRenderParag& view) {
    if (view.screenLines.empty()) return 0;
    const VEMRenderLineObject* first = view.screenLines.front().line;
    if (IsFirstLineOfBook(first)) {
        const VEMRenderLineObject* second = LineAfter(first);
        return second ? second->y - first->y : 0;
    }
    if (const VEMRenderLineObject* above = LineBefore(first)) return view.advanceReservePx - TextTop(above);
    return 0;
}

bool DragMayMove(const VEMRenderParag& view, int32_t pixels) {
    if (!view.screenLines.empty()) return true;
    const VEMRenderLineObject* first = FirstFormattedLine(view);
    const VEMRenderLineObject* last = LastFormattedLine(view);
    if (!first) return false;
    auto partOnPage = [&](const VEMRenderLineObject* line) {
        return TextBottom(line) > 0 && TextTop(line) < view.pageHeightPx;
    };
    if (partOnPage(first) || partOnPage(last)) return true;
    const bool whollyBelow = IsFirstLineOfBook(first) && TextTop(first) >= view.pageHeightPx;
    const bool whollyAbove = view.lastUnit->isLast && !last->next && TextBottom(last) <= 0;
    return (whollyBelow && pixels < 0) || (whollyAbove && pixels > 0);
}

void GoHome(VEMRenderParag& view, int64_t textStart) { view.GoToPosition(textStart, view.pageHeightPx / 4); }

void GoEnd(VEMRenderParag& view, int64_t textEnd) {
    view.GoToPosition(textEnd - 1, view.advanceReservePx);
    const VEMRenderLineObject* last = LastFormattedLine(view);
    if (!last || !view.lastUnit->isLast) return;
    view.GoToPosition(textEnd - 1, view.pageHeightPx * 3 / 4 - TextBottom(last));
}

void JumpToPosition(VEMRenderParag& view, int64_t offset) {
    view.GoToPosition(offset, 0);
    view.waveFront = view.waveShift = 0;
    // Placing the first line where it stands rebuilds the wave list for the reset front.
    if (view.firstUnit) view.PlaceLine(view.firstUnit->firstLine, view.firstUnit->firstLine->y);
}

void ShiftText(VEMRenderParag& view, int32_t pixels) {
    VEMRenderLineObject* first = view.firstUnit ? view.firstUnit->firstLine : nullptr;
    if (!first || pixels == 0) return;
    view.PlaceLine(first, first->y + pixels);
}

}  // namespace corvalin
