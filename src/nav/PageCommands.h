#pragma once

#include <cstdint>

namespace corvalin {

class VEMRenderParag;

// How far the reader's movement commands move the text, in pixels (positive = down, towards
// the beginning). Each is worked out from the lines fully on the page and their neighbours;
// without a book there are no lines and every distance is 0.
int32_t NextPageDistance(const VEMRenderParag& view);
int32_t PrevPageDistance(const VEMRenderParag& view);
int32_t LineDownDistance(const VEMRenderParag& view);
int32_t LineUpDistance(const VEMRenderParag& view);

// Whether a plain drag may move the text by `pixels`: while a line lies fully on the page, or
// part of the first or last formatted line does, or the text lies wholly beyond the edge the
// movement brings it back from.
bool DragMayMove(const VEMRenderParag& view, int32_t pixels);

// The beginning a quarter of the page down, and the last line's text box ending about three
// quarters down. `textStart`/`textEnd` are the open book's text range.
void GoHome(VEMRenderParag& view, int64_t textStart);
void GoEnd(VEMRenderParag& view, int64_t textEnd);

// A jump to `offset`, its line at the top of the page, as bookmarks and typed percentages make
// it: the Wave display starts afresh from the new page instead of carrying its front over.
void JumpToPosition(VEMRenderParag& view, int64_t offset);

// A movement without animation: the text shifts at once.
void ShiftText(VEMRenderParag& view, int32_t pixels);

}  // namespace corvalin
