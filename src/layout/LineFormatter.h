#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "layout/VEMRenderParag.h"

namespace corvalin {

// Width of a text in the view's font, supersampled: every code unit advances by its own
// advance plus kerning, at least 1 (proportional), or by the font's fixed character width
// plus kerning (fixed width).
int32_t MeasureText(VEMRenderParag& view, std::u16string_view text);

// Tabs inside a source line become eight spaces.
std::u16string ExpandTabs(std::u16string_view text);

// Breaks the unit's text into display lines of positioned words for the view's mode and
// geometry, then applies the heading or first-letter colour. `paragraphNumber` is the paragraph
// holding the unit; it keys the heading index.
void FormatUnit(VEMRenderParag& view, VEMRenderParagObject& unit, int32_t paragraphNumber);

}  // namespace corvalin
