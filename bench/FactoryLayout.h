#pragma once

#include "layout/VEMRenderParag.h"

namespace corvalin::bench {

// The layout the reader gives a view with its factory settings ("Full+Hyphen", margins 5,
// interval 0, paragraph interval 8, the factory colours), on a page of `width` × `height` at
// supersampling `aaFactor`, moving by itself (cut lines pass the page edges).
inline void LayOutLikeTheReader(VEMRenderParag& view, int width, int height, int aaFactor, int cachePages) {
    view.pageWidthPx = width;
    view.pageHeightPx = height;
    view.aaFactor = aaFactor;
    view.marginPx = 5;
    view.lineIntervalPx = -8;
    view.paragraphIntervalPx = 8;
    view.fullFormatting = true;
    view.joinHyphens = true;
    view.cachePages = cachePages;
    view.textColour = 0x533F00;
    view.backColour = 0xA4BBB8;
    view.headingColour = 0xA5;
    view.firstLetterColour = 0xFFFFFF;
    view.autoRunning = true;
}

}  // namespace corvalin::bench
