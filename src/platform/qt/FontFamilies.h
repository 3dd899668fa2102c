#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace corvalin {

// The font families a reader's settings name are often Windows families ("Comic Sans MS",
// "Lucida Console") that a Linux desktop does not have. Left to fontconfig, such a name may
// come out as any face at all, a calligraphic italic among them, or a proportional face where
// a fixed-width one was asked. The program draws them with a chosen substitute instead, while
// the settings keep the name the user chose. Needs a QGuiApplication.
struct FamilySubstitution {
    std::string_view windowsFamily;
    // Tried in order; the first one installed is drawn.
    std::array<std::string_view, 2> substitutes;
};

// The one table of substitutes; the reader, corvalin-render and the font dialog all draw
// through DrawingFamilyFor, which reads it.
std::span<const FamilySubstitution> FamilySubstitutions();

// The family to draw for `requested`:
//   - a family installed for real is drawn as itself;
//   - a family of the table is drawn with its first installed substitute;
//   - any other missing family is left to fontconfig, unless that gives an italic face for an
//     upright request, in which case the system's general font is drawn;
//   - with `fixedWidth`, a result whose printable ASCII characters do not all share one advance
//     is replaced by the system's fixed-width font, or DejaVu Sans Mono / Liberation Mono when
//     that is not monospace either.
std::string DrawingFamilyFor(std::string_view requested, bool fixedWidth = false);

// Whether every printable ASCII character of the family has the same advance. The font's own
// fixed-pitch flag is not trusted: some monospace faces (Noto Sans Mono) do not set it.
bool IsMonospaceFamily(std::string_view family);

}  // namespace corvalin
