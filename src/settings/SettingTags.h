#pragma once

#include <cstdint>

namespace corvalin {

// Record keys of Global.cfg. The same keys identify a setting inside a profile, and the two
// per-book settings (text formatting, font width) use them in book files as well.
namespace tags {

// Movement, quality and layout.
constexpr uint32_t kLinesPerSecond = 0x100;
constexpr uint32_t kCharsPerSecond = 0x101;
constexpr uint32_t kConstantSpeed = 0x102;
constexpr uint32_t kAntialiasing = 0x103;
constexpr uint32_t kSmoothMovement = 0x106;
constexpr uint32_t kTextFormatting = 0x107;
constexpr uint32_t kProportional = 0x108;
constexpr uint32_t kScrollMode = 0x109;
constexpr uint32_t kAntiFlicker = 0x10A;
constexpr uint32_t kSuperScroll = 0x10B;
constexpr uint32_t kSuperScrollLimit = 0x10C;
constexpr uint32_t kCrop = 0x10D;
constexpr uint32_t kAutoMode = 0x10F;
constexpr uint32_t kQualityPriority = 0x110;
constexpr uint32_t kCacheSizeIndex = 0x111;

// Appearance: one tag per font kind, the kind's base plus the offset below.
constexpr uint32_t kProportionalBase = 0x200;
constexpr uint32_t kFixedBase = 0x300;
constexpr uint32_t kFontNameOffset = 0x00;
constexpr uint32_t kPageMarginsOffset = 0x01;
constexpr uint32_t kLineIntervalOffset = 0x02;
constexpr uint32_t kBackColorOffset = 0x03;
constexpr uint32_t kTextColorOffset = 0x04;
constexpr uint32_t kFontSizeOffset = 0x05;
constexpr uint32_t kBoldOffset = 0x07;
constexpr uint32_t kItalicOffset = 0x08;
constexpr uint32_t kUnderlineOffset = 0x09;
constexpr uint32_t kStrikeOutOffset = 0x10;
constexpr uint32_t kKerningOffset = 0x11;
constexpr uint32_t kHeadingColorOffset = 0x20;
constexpr uint32_t kFirstLetterColorOffset = 0x21;
// Offset 0x12 means a different thing in each group.
constexpr uint32_t kParagraphInterval = kProportionalBase + 0x12;
constexpr uint32_t kAnyFontsAllowed = kFixedBase + 0x12;

// Values kept only in Global.cfg.
constexpr uint32_t kDefaultCodePage = 3;
constexpr uint32_t kLastBookName = 6;
constexpr uint32_t kLanguageIndex = 9;
constexpr uint32_t kPreviewLines = 17;
constexpr uint32_t kWindowMode = 32;
constexpr uint32_t kWindowLeft = 33;
constexpr uint32_t kWindowTop = 34;
constexpr uint32_t kWindowWidth = 35;
constexpr uint32_t kWindowHeight = 36;
constexpr uint32_t kProfiles = 0x900;
constexpr uint32_t kKnownNames = 0x901;

}  // namespace tags
}  // namespace corvalin
