#include "render/PageComposition.h"

#include <algorithm>
#include <cstring>

#include "raster/BlendTable.h"
#include "raster/RowCompose.h"

namespace corvalin {
namespace {

constexpr std::u16string_view kEndMarker = u"THE END";
constexpr int32_t kEndMarkerCellPx = 64;

const BlendTable& SharedBlendTable() {
    static const BlendTable table;
    return table;
}

// The one-row composition buffer; a page is composed one row at a time.
std::vector<uint8_t>& RowBuffer(int32_t width) {
    thread_local std::vector<uint8_t> row;
    if (row.size() < size_t(width + 1) * 3) row.resize(size_t(width + 1) * 3);
    return row;
}

void CopyRow(PixelImage& image, const uint8_t* row, int32_t width, int32_t x0, int32_t y) {
    if (y < 0 || y >= image.height) return;
    const int32_t from = std::max(0, -x0);
    const int32_t to = std::min(width, image.width - x0);
    if (to <= from) return;
    std::memcpy(image.Row(y) + size_t(x0 + from) * 3, row + size_t(from) * 3, size_t(to - from) * 3);
}

// Blends one row of every word of `line` into `row`; `r` is the row inside the text box.
void BlendLine(VEMRenderParag& view, VEMRenderLineObject* line, int32_t r, int32_t phase, uint8_t* row) {
    const BlendTable& table = SharedBlendTable();
    for (VEMRenderWordObject* word = line->firstWord; word; word = word->next) {
        if (!word->rendered) RenderWord(view, *word);
        const CoverageSet& coverage = word->coverage;
        // A phase whose matrix was never filled has no rows: the word is not drawn in it.
        if (!coverage.ready[size_t(phase)]) continue;
        const VEMMatrix& matrix = coverage.matrices[size_t(phase)];
        if (r >= matrix.Rows()) continue;
        const int32_t from = std::max(0, coverage.screenX);
        const int32_t to = std::min(view.pageWidthPx, coverage.screenX + matrix.Columns());
        if (to <= from) continue;
        BlendRow(row + size_t(from) * 3, matrix.Row(r) + (from - coverage.screenX), to - from, table,
                 word->colour);
    }
}

// The topmost line that reaches into the page.
VEMRenderLineObject* StartLine(const VEMRenderParag& view) {
    if (!view.screenLines.empty()) {
        VEMRenderLineObject* line = view.screenLines.front().line;
        for (;;) {
            VEMRenderLineObject* above = line->prev         ? line->prev
                                         : line->unit->prev ? line->unit->prev->lastLine
                                                            : nullptr;
            if (!above || above->y + above->textBottom <= 0) return line;
            line = above;
        }
    }
    for (VEMRenderParagObject* unit = view.firstUnit; unit; unit = unit->next)
        if (unit->lastLine->y + unit->lastLine->textBottom > 0) return unit->firstLine;
    return nullptr;
}

VEMRenderLineObject* NextLine(const VEMRenderLineObject* line) {
    if (line->next) return line->next;
    return line->unit->next ? line->unit->next->firstLine : nullptr;
}

}  // namespace

void DrawEndMarker(VEMRenderParag& view, PixelImage& image, int32_t x0, int32_t y0, int32_t rowFrom,
                   int32_t rowTo) {
    if (!view.lastUnit || !view.lastUnit->isLast || !view.canvas) return;
    const VEMRenderLineObject* last = view.lastUnit->lastLine;
    const int64_t centre = int64_t(last->y) + last->height + view.pageHeightPx / 2;
    const int64_t top = centre - kEndMarkerCellPx / 2;
    const int64_t bottom = centre + kEndMarkerCellPx / 2;
    if (bottom <= rowFrom || top >= rowTo) return;
    view.canvas->DrawCentredText(image, x0 + view.pageWidthPx / 2, int32_t(y0 + centre), kEndMarker,
                                 kEndMarkerCellPx, view.textColour, view.backColour);
}

WordRaster WordRasterOf(const VEMRenderParag& view, const VEMRenderWordObject& word) {
    WordRaster raster;
    raster.text = word.text;
    raster.x = word.x;
    raster.width = word.width;
    raster.rows = word.line->textBottom - word.line->textTop;
    raster.aaFactor = view.aaFactor;
    raster.italic = view.canvas && view.canvas->Font().italic;
    raster.kerning = view.kerningSsPx;
    raster.proportional = view.proportional;
    raster.fixedCharWidth = view.fixedCharWidthSsPx;
    raster.surfaceActive = view.surfaceActive;
    raster.superScrollLevel = view.superScrollLevel;
    raster.antiFlickerLevel = view.antiFlickerLevel;
    return raster;
}

void MarkWordRendered(VEMRenderWordObject& word) {
    if (word.rendered) return;
    word.rendered = true;
    word.screenX = word.coverage.screenX;
    VEMRenderLineObject& line = *word.line;
    if (++line.renderedWords == line.wordCount) ++line.unit->renderedLines;
}

void RenderWord(VEMRenderParag& view, VEMRenderWordObject& word) {
    if (word.rendered) return;
    if (view.rasterizer.Active() && view.rasterizer.Output() == &word.coverage) {
        view.rasterizer.Finish();
    } else if (view.canvas) {
        RasterizeWord(WordRasterOf(view, word), *view.canvas, view.scratch, word.coverage);
    }
    MarkWordRendered(word);
    view.ResetRenderer();
}

void DrawRows(VEMRenderParag& view, PixelImage& image, int32_t x0, bool cropFlag, int32_t phase, int32_t y0,
              int32_t rowFrom, int32_t rowTo) {
    const int32_t width = view.pageWidthPx;
    if (width <= 0 || rowTo <= rowFrom) return;
    uint8_t* row = RowBuffer(width).data();
    const bool cropping = cropFlag && view.crop && !(view.autoRunning && view.autoMode != kAutoPageDown);
    phase = std::clamp(phase, 0, kCoveragePhases - 1);
    VEMRenderLineObject* start = StartLine(view);
    for (int32_t i = rowFrom; i < rowTo; ++i) {
        FillRow(row, width, view.backColour);
        if (start && start->y <= i) {
            for (VEMRenderLineObject* line = start; line && line->y <= i; line = NextLine(line)) {
                const int32_t top = line->y + line->textTop;
                const int32_t bottom = line->y + line->textBottom;
                if (i < top || i >= bottom) continue;
                if (cropping && (top < 0 || bottom > view.pageHeightPx)) continue;
                BlendLine(view, line, i - top, phase, row);
            }
            // Lines that ended above this row are done for the rest of the walk.
            while (start) {
                VEMRenderLineObject* next = NextLine(start);
                if (!next || start->y + std::max(start->height, start->textBottom) > i) break;
                start = next;
            }
        }
        CopyRow(image, row, width, x0, y0 + i);
    }
    DrawEndMarker(view, image, x0, y0, rowFrom, rowTo);
}

void DrawRowsWave(VEMRenderParag& view, PixelImage& image, int32_t x0, int32_t y0, int32_t rowFrom,
                  int32_t rowTo) {
    const int32_t width = view.pageWidthPx;
    const int32_t height = view.pageHeightPx;
    if (width <= 0 || height <= 0) return;
    uint8_t* row = RowBuffer(width).data();
    const size_t split = std::min(view.waveSplit, view.waveLines.size());
    const bool upper = split < view.waveLines.size();

    // Rows [from, to) from the entries [first, last): every drawn entry whose text box holds
    // the row gives its words' row.
    auto composeRange = [&](int32_t from, int32_t to, size_t first, size_t last) {
        for (int32_t b = from; b < to; ++b) {
            FillRow(row, width, view.backColour);
            for (size_t e = first; e < last; ++e) {
                const VEMRenderScreenLineWave& entry = view.waveLines[e];
                if (entry.screenRow == kWaveNotPlaced) continue;
                const VEMRenderLineObject* line = entry.line;
                const int32_t top = entry.screenRow + line->textTop;
                const int32_t bottom = entry.screenRow + line->textBottom;
                if (b >= top && b < bottom) BlendLine(view, entry.line, b - top, 0, row);
            }
            CopyRow(image, row, width, x0, y0 + b);
        }
    };

    rowFrom = std::max(0, rowFrom);
    rowTo = std::min(height, rowTo);
    if (upper) {
        const int32_t aboveFront = std::min(rowTo, view.waveFront);
        if (rowFrom < aboveFront) composeRange(rowFrom, aboveFront, split, view.waveLines.size());
        rowFrom = std::max(rowFrom, aboveFront);
        composeRange(rowFrom, rowTo, 0, split);
    } else {
        // Without a part above the front, the rows above it stay empty.
        const int32_t aboveFront = std::min(rowTo, std::max(rowFrom, view.waveFront));
        composeRange(rowFrom, aboveFront, 0, 0);
        composeRange(aboveFront, rowTo, 0, split);
    }

    FillRow(row, width, view.textColour);
    for (int32_t band = view.waveBandRows; band >= 1; --band) {
        const int32_t r = ((view.waveFront - band) % height + height) % height;
        CopyRow(image, row, width, x0, y0 + r);
    }
}

void PaintView(VEMRenderParag& view, PixelImage& image) {
    if (view.autoMode == kAutoWave)
        DrawRowsWave(view, image, 0, 0, 0, view.pageHeightPx);
    else
        DrawRows(view, image, 0, true, 0, 0, 0, view.pageHeightPx);
}

}  // namespace corvalin
