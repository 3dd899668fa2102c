#include "layout/VEMRenderParag.h"

#include <algorithm>

#include "books/BookFormat.h"
#include "layout/LineFormatter.h"
#include "raster/GlyphCanvas.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

constexpr int32_t kRowReserveDivisor = 20;  // the end of the book may rise this share of a row
constexpr int32_t kCellPaddingRows = 4;     // rows added to the font cell, in screen pixels

// The text box of a line, in page rows.
int32_t TextTop(const VEMRenderLineObject* line) { return line->y + line->textTop; }
int32_t TextBottom(const VEMRenderLineObject* line) { return line->y + line->textBottom; }

}  // namespace

int32_t CachePagesForIndex(int32_t index) {
    return kCachePageCounts[std::clamp(index, 0, int32_t(std::size(kCachePageCounts)) - 1)];
}

int64_t CacheEstimateMegabytes(int32_t pageWidthPx, int32_t pageHeightPx, int32_t pages) {
    constexpr int64_t kBytesPerPixel = 8;
    constexpr int64_t kMegabyte = 1048576;
    const int64_t bytes = kBytesPerPixel * pageWidthPx * pageHeightPx * pages;
    return std::max<int64_t>(1, (bytes + kMegabyte / 2) / kMegabyte);
}

VEMRenderParag::~VEMRenderParag() { DeleteAllUnits(); }

const OffsetTable& VEMRenderParag::UnitTable() const {
    if (fullFormatting) return paragraphs;
    return lines;
}

int32_t VEMRenderParag::CharAdvance(char16_t unit) {
    if (advances_.empty()) advances_.assign(65536, -1);
    int32_t& advance = advances_[unit];
    if (advance < 0) advance = canvas ? canvas->Advance(unit) : 0;
    return std::max(1, advance + kerningSsPx);
}

void VEMRenderParag::ForgetAdvances() { advances_.clear(); }

void VEMRenderParag::ResetRenderer() {
    renderer.state = 0;
    renderer.step = 0;
    renderer.currentLine = nullptr;
    renderer.currentWord = nullptr;
    rasterizer.Reset();
}

VEMRenderParagObject* VEMRenderParag::ConstructUnit(int32_t index) {
    const OffsetTable& table = UnitTable();
    auto* unit = new VEMRenderParagObject;
    unit->view = this;
    unit->index = index;
    unit->isFirst = index == 0;
    unit->isLast = index >= table.Count() - 2;
    unit->startOffset = table.Entry(index);
    unit->endOffset = table.Entry(index + 1);
    int32_t paragraph = index;
    if (!fullFormatting) {
        paragraph = std::max(0, UnitIndexOf(paragraphs, unit->startOffset));
        unit->startsParagraph = paragraphs.Count() >= 2 && paragraphs.Entry(paragraph) == unit->startOffset;
    }
    pageTurnedMark = false;

    VEMRenderParagObject* after = lastUnit;
    while (after && after->index > index) after = after->prev;
    unit->prev = after;
    unit->next = after ? after->next : firstUnit;
    if (unit->next)
        unit->next->prev = unit;
    else
        lastUnit = unit;
    if (after)
        after->next = unit;
    else
        firstUnit = unit;

    FormatUnit(*this, *unit, paragraph);
    return unit;
}

void VEMRenderParag::DeleteUnit(VEMRenderParagObject* unit) {
    if (renderer.currentLine && renderer.currentLine->unit == unit) ResetRenderer();
    if (unit->prev)
        unit->prev->next = unit->next;
    else
        firstUnit = unit->next;
    if (unit->next)
        unit->next->prev = unit->prev;
    else
        lastUnit = unit->prev;
    pageTurnedMark = false;
    delete unit;
}

void VEMRenderParag::DeleteAllUnits() {
    screenLines.clear();
    waveLines.clear();
    waveSplit = 0;
    ResetRenderer();
    while (firstUnit) DeleteUnit(firstUnit);
}

void VEMRenderParag::Relayout() {
    ResetRenderer();
    pageTurnedMark = false;
    aaFactor = std::max(1, aaFactor);
    textLeftSsPx = marginPx * aaFactor;
    // Margins wider than the page leave one supersampled column, so that every line still
    // takes at least one character and the formatter always advances.
    textWidthSsPx = std::max(1, (pageWidthPx - 2 * marginPx) * aaFactor);
    ForgetAdvances();
    const int32_t cell = canvas ? canvas->CellHeight() : 0;
    rowHeightPx = (cell + kCellPaddingRows * aaFactor) / aaFactor;
    advanceReservePx = rowHeightPx / kRowReserveDivisor;
    fixedCharWidthSsPx = canvas ? canvas->FixedCharWidth() : 0;
    spaceWidthSsPx = MeasureText(*this, u" ");
    scratch.Resize(pageWidthPx, rowHeightPx, cell, aaFactor, canvas && canvas->Font().italic);

    int64_t offset = 0;
    int32_t row = 0;
    GetPosition(offset, row);
    DeleteAllUnits();
    headingStore = bookStore ? bookStore->Find(kTagHeadings) : nullptr;
    cachePages = std::max(0, cachePages);
    cacheTopPx = -cachePages * pageHeightPx;
    cacheBottomPx = (cachePages + 1) * pageHeightPx;

    waveFront = waveShift = 0;
    layoutSettled = false;
    GoToPosition(offset, row);
    layoutSettled = true;
}

void VEMRenderParag::GoToPosition(int64_t offset, int32_t row) {
    const OffsetTable& table = UnitTable();
    if (table.Count() < 2 || !bookFile) return;
    if (offset == 0) offset = table.Entry(0);
    const int32_t index = std::max(0, UnitIndexOf(table, offset));
    VEMRenderParagObject* unit = firstUnit;
    while (unit && unit->index != index) unit = unit->next;
    if (!unit) unit = ConstructUnit(index);

    VEMRenderLineObject* target = nullptr;
    for (VEMRenderLineObject* line = unit->firstLine; line && !target; line = line->next)
        if (line->startOffset <= offset && offset < line->endOffset) target = line;
    // At or past the end of the final line of the book: that line, whatever trails it.
    if (!target && unit->isLast && unit->lastLine && offset >= unit->lastLine->endOffset)
        target = unit->lastLine;
    if (!target) target = unit->firstLine;
    if (target) PlaceLine(target, row);
}

VEMRenderLineObject* VEMRenderParag::GetPosition(int64_t& offset, int32_t& row) const {
    if (!screenLines.empty()) {
        VEMRenderLineObject* line = screenLines.front().line;
        offset = line->startOffset;
        row = line->y;
        return line;
    }
    if (!firstUnit || !firstUnit->firstLine) {
        offset = 0;
        row = 0;
        return nullptr;
    }
    row = pageHeightPx / 2;
    VEMRenderLineObject* line = firstUnit->firstLine;
    if (line->y < 0 && lastUnit->lastLine) line = lastUnit->lastLine;
    offset = line->startOffset;
    return line;
}

void VEMRenderParag::LayoutFrom(VEMRenderLineObject* line, int32_t row) {
    const int32_t lastIndex = UnitTable().Count() - 2;
    line->y = row;
    int64_t next = int64_t(row) + line->height;
    for (VEMRenderLineObject* l = line->next; l; l = l->next) {
        l->y = int32_t(next);
        next += l->height;
    }
    for (VEMRenderParagObject* unit = line->unit; unit->index < lastIndex;) {
        if (next >= cacheBottomPx) {
            while (unit->next) DeleteUnit(unit->next);
            break;
        }
        VEMRenderParagObject* below = unit->next;
        if (!below || below->index != unit->index + 1) below = ConstructUnit(unit->index + 1);
        for (VEMRenderLineObject* l = below->firstLine; l; l = l->next) {
            l->y = int32_t(next);
            next += l->height;
        }
        unit = below;
    }

    int64_t top = line->y;
    for (VEMRenderLineObject* l = line->prev; l; l = l->prev) {
        top -= l->height;
        l->y = int32_t(top);
    }
    for (VEMRenderParagObject* unit = line->unit; unit->index > 0;) {
        if (top < cacheTopPx) {
            while (unit->prev) DeleteUnit(unit->prev);
            break;
        }
        VEMRenderParagObject* above = unit->prev;
        if (!above || above->index != unit->index - 1) above = ConstructUnit(unit->index - 1);
        for (VEMRenderLineObject* l = above->lastLine; l; l = l->prev) {
            top -= l->height;
            l->y = int32_t(top);
        }
        unit = above;
    }
}

void VEMRenderParag::TrimChain() {
    while (firstUnit != lastUnit && TextBottom(firstUnit->lastLine) <= cacheTopPx) DeleteUnit(firstUnit);
    while (firstUnit != lastUnit && TextTop(lastUnit->firstLine) >= cacheBottomPx) DeleteUnit(lastUnit);
}

void VEMRenderParag::RebuildScreenLines() {
    screenLines.clear();
    for (VEMRenderParagObject* unit = firstUnit; unit; unit = unit->next) {
        if (TextBottom(unit->lastLine) <= 0) continue;
        for (VEMRenderLineObject* line = unit->firstLine; line; line = line->next) {
            if (TextTop(line) < 0) continue;
            if (TextBottom(line) > pageHeightPx) return;
            screenLines.push_back({line});
        }
    }
}

void VEMRenderParag::PlaceLine(VEMRenderLineObject* line, int32_t row) {
    pageTurnedMark = false;
    if (autoMode == kAutoWave && layoutSettled) UpdateWave(line, row);
    if (line) LayoutFrom(line, row);
    if (!firstUnit) return;
    TrimChain();
    RebuildScreenLines();
    if (autoMode == kAutoWave) {
        RebuildWaveLines();
    } else {
        waveLines.clear();
        waveSplit = 0;
    }
    if (onLinesPlaced) onLinesPlaced();
}

bool VEMRenderParag::CanAdvance(bool anyDirection) const {
    if (!firstUnit) return false;
    if (anyDirection) return !(firstUnit->isFirst && firstUnit->firstLine->y >= pageHeightPx);
    if (!lastUnit->isLast) return true;
    const VEMRenderLineObject* last = lastUnit->lastLine;
    return last->y + last->height - advanceReservePx > 0;
}

}  // namespace corvalin
