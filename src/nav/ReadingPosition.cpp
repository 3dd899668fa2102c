#include "nav/ReadingPosition.h"

#include <algorithm>

#include "books/BookFormat.h"
#include "layout/VEMRenderParag.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

constexpr int kFractionShift = 16;

}  // namespace

ReadingPosition PositionToSave(const VEMRenderParag& view, int64_t textStart, int64_t textEnd) {
    ReadingPosition position{int32_t(textStart), kDefaultPositionFraction};
    if (!view.screenLines.empty() && view.pageHeightPx > 0) {
        int64_t offset = textStart;
        int32_t row = 0;
        view.GetPosition(offset, row);
        // The top line may start a little above the page (its paragraph space); the stored
        // fraction is unsigned, so it is kept at the top edge. Rounded up, so that the opening's
        // rounding down gives back the same row.
        const int64_t scaled = int64_t(std::max(row, 0)) << kFractionShift;
        position.offset = int32_t(offset);
        position.fraction = int32_t((scaled + view.pageHeightPx - 1) / view.pageHeightPx);
    } else if (view.firstUnit && !(view.firstUnit->firstLine && view.firstUnit->firstLine->y > 0)) {
        // The reader went past the end: the text lies above the page.
        position.offset = int32_t(textEnd - 1);
        position.fraction = kEndPositionFraction;
    }
    return position;
}

ReadingPosition StoredPosition(VEMOpt& store, int64_t textStart) {
    return {store.GetInt(kTagPosition, int32_t(textStart)),
            store.GetInt(kTagPositionFraction, kDefaultPositionFraction)};
}

void StorePosition(const ReadingPosition& position, VEMOpt& store) {
    store.SetInt(kTagPosition, position.offset);
    store.SetInt(kTagPositionFraction, position.fraction);
}

int32_t RowOfFraction(int32_t fraction, int32_t pageHeight) {
    const int64_t row = (int64_t(uint32_t(fraction)) * pageHeight) >> kFractionShift;
    // A fraction above one (a damaged store) would lay out thousands of pages above the offset.
    return int32_t(std::clamp<int64_t>(row, 0, std::max(pageHeight, 0)));
}

}  // namespace corvalin
