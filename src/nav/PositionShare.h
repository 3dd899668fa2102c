#pragma once

#include <cstdint>

namespace corvalin {

class VEMRenderParag;

// How far into the book the page is, in units of 1/scale of the text (the gauge shows
// thousandths as a percentage with one decimal, its hint millionths with four): the start of
// the first line on the page from the text start to the text end, rounded to the nearest unit.
// With no line on the page the text lies wholly above it (all read: `scale`) or below it
// (nothing: 0). A line still on the page never counts as all read, or the last lines of a large
// book would already show the whole.
int64_t PositionShare(const VEMRenderParag& view, int64_t textStart, int64_t textEnd, int64_t scale);

}  // namespace corvalin
