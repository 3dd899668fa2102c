#pragma once

#include <cstdint>

namespace corvalin {

// A book file, in file order:
//
//   0                      header (40 bytes, below)
//   40                     text: word / space / line-end items
//   text end               paragraph table: P int32 offsets, the last = text end
//   line table offset      line table: L int32 offsets, the last = text end
//   store offset - 16      head digest, seed A, over [0, store offset - 16)
//   store offset           record store
//   length - 16            store digest, seed B, over [store offset, length - 16)
//
// Header, all numbers little-endian int32:
//   +0  signature "Corvalindestrum\0"   +16 text start (40)   +20 text end
//   +24 P                               +28 line table offset +32 L
//   +36 record store offset
constexpr int kBookHeaderSize = 40;
constexpr int kBookSignatureSize = 16;
constexpr char kBookSignature[kBookSignatureSize + 1] = "Corvalindestrum";  // + its zero byte
constexpr int32_t kBookTextStart = 40;
constexpr int kHeaderTextStartOffset = 16;
constexpr int kHeaderTextEndOffset = 20;
constexpr int kHeaderParagraphCountOffset = 24;
constexpr int kHeaderLineTableOffset = 28;
constexpr int kHeaderLineCountOffset = 32;
constexpr int kHeaderStoreOffset = 36;

// Text items. A word is a length byte 1..kMaxWordItemUnits followed by that many UTF-16LE
// units; a space item is 0, k (k columns); a line end is 0, 0.
constexpr int kMaxWordItemUnits = 251;
constexpr int kMaxWordUnits = 250;  // a longer source word continues in the next item
constexpr int kMaxSpaceItemColumns = 255;
constexpr char16_t kParagraphMark = u'\t';  // leads the first word of each paragraph

// Record store tags of a book.
constexpr uint32_t kTagPosition = 1;
constexpr uint32_t kTagPositionFraction = 2;
constexpr uint32_t kTagSourceSize = 7;
constexpr uint32_t kTagSourceName = 8;
constexpr uint32_t kTagAuthor = 48;
constexpr uint32_t kTagTitle = 49;
constexpr uint32_t kTagFormattingMode = 263;
constexpr uint32_t kTagProportional = 264;
constexpr uint32_t kTagBookmarks = 2048;
constexpr uint32_t kTagHeadings = 2306;

constexpr int32_t kDefaultPositionFraction = 16384;  // a quarter of the window height
constexpr int32_t kEndPositionFraction = 49152;

}  // namespace corvalin
