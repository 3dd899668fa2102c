#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "base/Verdict.h"
#include "import/CodePageDecoder.h"

namespace corvalin {

// Groups nested deeper than this make an RTF document damaged; word processors nest a few
// dozen at most.
constexpr int kMaxRtfGroupDepth = 512;

// The visible text of an RTF document, as a rich-text editor saves it as plain text: one line
// per paragraph, each ended by U+000A; \line, table rows and section breaks end a line as
// well; tabs and table cells are U+0009; special characters (\~, \-, \_, \emdash, \u …) are
// themselves. The font, colour and style tables, document information, pictures, object data,
// headers, footers, footnotes, field instructions, hidden text and every ignorable ("\*")
// destination are left out.
//
// Bytes and \'hh escapes are decoded in the code page of the font they are written in (its
// \fcharset or \cpg), otherwise in the document's (\ansicpg, \mac, \pc, \pca; 1252 when none is
// named) through `decoder`; a code page the decoder does not know falls back to 1252. Text in a
// symbol font (\fcharset2) comes out as U+F0xx, the symbol area the code page layer maps.
//
// Verdicts: NotThisFormat when the bytes do not begin with "{\rtf", Damaged when groups nest
// deeper than kMaxRtfGroupDepth (`text` then holds what came before). A document cut short
// gives its text up to the cut. The output is never longer than twice the input.
Verdict RtfToText(std::span<const uint8_t> rtf, CodePageDecoder& decoder, std::u16string& text);

// Converts the file at `rtfPath` and writes its text to `textPath` as UTF-16LE with a
// byte-order mark (the text file is written only for a good verdict). Throws FileError when
// a file cannot be read or written.
Verdict ConvertRtf(const std::filesystem::path& rtfPath, const std::filesystem::path& textPath,
                   CodePageDecoder& decoder);

}  // namespace corvalin
