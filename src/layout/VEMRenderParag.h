#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "layout/OffsetTable.h"
#include "layout/RenderObjects.h"
#include "raster/GlyphScratch.h"
#include "raster/WordRasterizer.h"

namespace corvalin {

class GlyphCanvas;
class VEMFile;
class VEMOpt;

// Pages kept formatted on each side of the page, by the "Cache, pages" setting index.
constexpr int32_t kCachePageCounts[16] = {1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64, 96, 128, 192, 256};
int32_t CachePagesForIndex(int32_t index);
// What the options panel shows as the memory a cache of `pages` pages may take, in megabytes
// (8 bytes per page pixel, rounded to the nearest, at least 1).
int64_t CacheEstimateMegabytes(int32_t pageWidthPx, int32_t pageHeightPx, int32_t pages);

enum AutoMode : int32_t { kAutoScroll = 0, kAutoPageDown = 1, kAutoWave = 2 };

// Where the background renderer stands. The search and the slices of one word resume from here
// on the next call; the view resets it whenever the line or word it points at goes away.
constexpr int32_t kRendererWord = 2;

struct BackgroundRendererState {
    int32_t state = 0;  // 0 = choose a word, kRendererWord = slices of the current word
    int32_t step = 0;   // search stage while choosing
    VEMRenderLineObject* currentLine = nullptr;
    VEMRenderWordObject* currentWord = nullptr;
};

// The reading view: a chain of formatted units covering a window of pages around the page,
// created and discarded as the text moves. Every formatted line knows its page row; moving the
// text re-places one line and the others follow. Horizontal layout values are in supersampled
// pixels (screen pixels x aaFactor), vertical ones in screen pixels; positive rows go down. The
// view's own fields say which in their names: ...Px for screen pixels, ...SsPx for supersampled.
//
// The owner sets the book, the geometry and the settings copies, points `canvas` at the reading
// font scaled by aaFactor, and calls Relayout after any change of them.
class VEMRenderParag {
public:
    VEMRenderParag() = default;
    ~VEMRenderParag();
    VEMRenderParag(const VEMRenderParag&) = delete;
    VEMRenderParag& operator=(const VEMRenderParag&) = delete;

    // Book (owned by the document that opened it).
    VEMFile* bookFile = nullptr;
    VEMOpt* bookStore = nullptr;
    VEMOpt* headingStore = nullptr;
    VEMParagInfo paragraphs;
    VEMLineInfo lines;
    GlyphCanvas* canvas = nullptr;

    // Geometry and settings copies, set by the owner.
    int32_t pageWidthPx = 0;
    int32_t pageHeightPx = 0;
    int32_t marginPx = 0;
    int32_t lineIntervalPx = 0;  // the interval setting - 8
    int32_t kerningSsPx = 0;
    int32_t aaFactor = 1;
    int32_t superScrollLevel = 0;
    int32_t antiFlickerLevel = 0;
    int32_t paragraphIntervalPx = 0;
    bool proportional = true;
    bool fullFormatting = true;
    bool joinHyphens = false;
    bool crop = true;
    int32_t autoMode = kAutoScroll;
    bool autoRunning = false;  // automatic movement is running (crop lets cut lines through)
    bool surfaceActive = false;
    int32_t cachePages = 1;
    uint32_t textColour = 0;
    uint32_t backColour = 0xFFFFFF;
    uint32_t headingColour = 0;
    uint32_t firstLetterColour = 0;

    // Derived by Relayout.
    int32_t rowHeightPx = 0;
    int32_t advanceReservePx = 0;
    int32_t spaceWidthSsPx = 0;
    int32_t textLeftSsPx = 0;
    int32_t textWidthSsPx = 0;
    int32_t fixedCharWidthSsPx = 0;  // GlyphCanvas::FixedCharWidth of the view font
    int32_t cacheTopPx = 0;
    int32_t cacheBottomPx = 0;

    // State.
    bool pageTurnedMark = false;
    bool layoutSettled = true;
    int32_t waveFront = 0;
    int32_t waveShift = 0;
    int32_t waveBandRows = 2;

    VEMRenderParagObject* firstUnit = nullptr;
    VEMRenderParagObject* lastUnit = nullptr;
    // Lines whose text box lies inside the page, top to bottom.
    std::vector<VEMRenderScreenLine> screenLines;
    // Wave mode: the lines shown, in layout order; entries from waveSplit on form the part above
    // the front (waveSplit = size when nothing is drawn there).
    std::vector<VEMRenderScreenLineWave> waveLines;
    size_t waveSplit = 0;

    BackgroundRendererState renderer;
    // Called at the end of every PlaceLine, for displays that follow the position (the gauge).
    std::function<void()> onLinesPlaced;
    // Word rendering scratch, sized by Relayout; the rasteriser holds the background renderer's
    // word between slices.
    GlyphScratch scratch;
    WordRasterizer rasterizer;

    void Relayout();
    void GoToPosition(int64_t offset, int32_t row);
    // The line the position refers to, or none without units.
    VEMRenderLineObject* GetPosition(int64_t& offset, int32_t& row) const;
    void PlaceLine(VEMRenderLineObject* line, int32_t row);
    bool CanAdvance(bool anyDirection) const;

    // The table whose units the chain holds in the current mode.
    const OffsetTable& UnitTable() const;
    VEMRenderParagObject* ConstructUnit(int32_t index);
    void DeleteUnit(VEMRenderParagObject* unit);
    void DeleteAllUnits();
    void ResetRenderer();

    // Advance of one code unit in the canvas font plus the kerning, at least 1; cached per unit.
    int32_t CharAdvance(char16_t unit);
    void ForgetAdvances();

private:
    void LayoutFrom(VEMRenderLineObject* line, int32_t row);
    void TrimChain();
    void RebuildScreenLines();
    void UpdateWave(VEMRenderLineObject*& line, int32_t& row);
    void RebuildWaveLines();

    std::vector<int32_t> advances_;  // -1 = not measured yet
};

}  // namespace corvalin
