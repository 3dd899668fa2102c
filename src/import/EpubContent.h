#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvalin {

// One content document of an EPUB (XHTML) as text for the book: the elements of its <body>
// are written out as the plain HTML the markup converter (HtmlToText) reads, one block per
// line, and converted by it, so character references, white space and preformatted blocks
// come out as in an imported HTML page. What is not text is passed over: the head with its
// title, scripts and styles, images, SVG, media, ruby annotations and the alternatives of an
// epub:switch. Footnotes, asides and tables stay (every table cell on a line of its own).
//
// `anchors` are element ids of the document (table-of-contents targets); each comes back as
// the position in the text where that element's content begins (the start for an id the
// document lacks).
//
// A document that is not well-formed XML is still read: its bytes go to the markup converter
// as they stand (as an imported HTML page would), its anchors all at the start.
struct XhtmlText {
    std::u16string text;
    std::vector<size_t> anchorPositions;  // one per anchor asked for
    bool wellFormed = true;
};
XhtmlText ConvertXhtml(std::span<const uint8_t> bytes, const std::vector<std::string>& anchors);

}  // namespace corvalin
