#pragma once

#include <cstdint>

namespace corvalin {

class VEMOpt;
class VEMRenderParag;

// Where a book was left, as its record store keeps it: the text offset of the top line and
// that line's page row as a fraction of the page height, in units of 1/65536. A fraction, not
// a row, so that a book reopened in a window of another height shows the same part of the page.
struct ReadingPosition {
    int32_t offset = 0;
    int32_t fraction = 0;
};

// The position the view shows. An empty page stands beyond one end of the text and is kept as
// that end: the text start a quarter down when the text lies below the page, the text end
// when it lies above. Without any formatted text, the start.
ReadingPosition PositionToSave(const VEMRenderParag& view, int64_t textStart, int64_t textEnd);

// The position a book's store holds (the start a quarter down for a book never read).
ReadingPosition StoredPosition(VEMOpt& store, int64_t textStart);
void StorePosition(const ReadingPosition& position, VEMOpt& store);

// The page row of a stored fraction; a damaged fraction above one is held at the page bottom.
int32_t RowOfFraction(int32_t fraction, int32_t pageHeight);

}  // namespace corvalin
