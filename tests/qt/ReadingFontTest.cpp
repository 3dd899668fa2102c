// The reading fonts with the real system fonts: the faces the settings' families are drawn
// with, the fixed character width of the faces the reader falls back to, and words whose ink
// reaches past their advances, drawn through the view as the reader draws them.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <algorithm>
#include <string>
#include <vector>

#include "layout/LineFormatter.h"
#include "platform/qt/FontFamilies.h"
#include "platform/qt/QtGlyphCanvas.h"
#include "platform/qt/ReadingFont.h"
#include "render/PageComposition.h"
#include "settings/SettingTable.h"
#include "support/ViewFixture.h"

namespace corvalin {
namespace {

std::string FactoryFamily(Setting setting) { return InfoOf(setting).factoryText; }

// The face the reader draws for a family of its settings, at a supersampled reading size.
FontSpec ReaderFont(const std::string& family, bool fixedWidth, int points = 12, int aaFactor = 4) {
    ReadingFontRequest request;
    request.family = family;
    request.points = points;
    request.aaFactor = aaFactor;
    request.fixedWidth = fixedWidth;
    return ReadingFontSpec(request);
}

std::string SystemFixedFamily() {
    return QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family().toStdString();
}

bool Upright(const QFont& font) {
    const QFontInfo info(font);
    const QString style = info.styleName();
    return !info.italic() && info.style() == QFont::StyleNormal &&
           !style.contains("Italic", Qt::CaseInsensitive) && !style.contains("Oblique", Qt::CaseInsensitive);
}

// How far the left edge of the vertical stroke of a drawn 'l' moves right from 65% to 35% of
// its height, in pixels: 0 for an upright face, several for a slanted one.
int StrokeSlant(QtGlyphCanvas& canvas) {
    const int size = 3 * canvas.CellHeight();
    std::vector<uint8_t> pixels(size_t(size) * size_t(size) * 3, 0);
    PixelImage image{pixels.data(), size, size, size * 3};
    canvas.DrawUnit(image, size / 3, size / 4, u'l');
    int top = -1, bottom = -1;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (image.Row(y)[3 * x]) {
                if (top < 0) top = y;
                bottom = y;
                break;
            }
    auto leftEdge = [&](int y) {
        for (int x = 0; x < size; ++x)
            if (image.Row(y)[3 * x]) return x;
        return -1;
    };
    const int height = bottom - top;
    return leftEdge(top + height * 35 / 100) - leftEdge(top + height * 65 / 100);
}

// ---- fixed-width layout --------------------------------------------------------------------

struct FixedFace {
    std::string name;
    std::string family;
    int cellHeightPx;
    bool bold;
};

void PrintTo(const FixedFace& c, std::ostream* os) { *os << c.name; }

std::vector<FixedFace> FixedFaces() {
    std::vector<FixedFace> faces;
    const std::string fallback = SystemFixedFamily();
    const std::string factory = ReaderFont(FactoryFamily(Setting::FixedFontName), true).family;
    for (int cell : {19, 75, 160}) {
        const std::string at = std::to_string(cell);
        faces.push_back({"DejaVuSansMono" + at, "DejaVu Sans Mono", cell, false});
        faces.push_back({"LiberationMono" + at, "Liberation Mono", cell, false});
        faces.push_back({"SystemFallback" + at, fallback, cell, false});
        faces.push_back({"FactoryFixedFont" + at, factory, cell, false});
    }
    faces.push_back({"SystemFallbackBold75", fallback, 75, true});
    faces.push_back({"LiberationMonoBold75", "Liberation Mono", 75, true});
    return faces;
}

class FixedWidthFaces : public ::testing::TestWithParam<FixedFace> {};

// A monospace face gives every character one advance; the layout must use exactly that, or
// letters stand apart. The fallback monospace faces of Linux desktops report a widest glyph of
// up to three times the advance (Noto Sans Mono: 115 against 38 at 64 pixels).
TEST_P(FixedWidthFaces, FixedCharWidthIsTheAdvanceOfEveryCharacter) {
    const FixedFace& c = GetParam();
    QtGlyphCanvas canvas(FontSpec{c.family, c.cellHeightPx, c.bold, false});
    ASSERT_TRUE(IsMonospaceFamily(c.family)) << c.family;
    for (char16_t unit = 0x20; unit <= 0x7E; ++unit)
        ASSERT_EQ(canvas.FixedCharWidth(), canvas.Advance(unit)) << c.family << " '" << char(unit) << "'";

    // Through the layout: a word of n letters is n advances wide.
    VEMRenderParag view;
    view.canvas = &canvas;
    view.pageWidthPx = 400;
    view.pageHeightPx = 300;
    view.proportional = false;
    view.Relayout();
    EXPECT_EQ(MeasureText(view, u"letters"), 7 * canvas.Advance(u'l'));
}

INSTANTIATE_TEST_SUITE_P(Qt, FixedWidthFaces, ::testing::ValuesIn(FixedFaces()),
                         [](const auto& info) { return info.param.name; });

TEST(FixedWidth, ProportionalFaceTakesItsWidestAsciiAdvanceNotItsWidestGlyph) {
    // Where a proportional face is laid out with one advance, the widest printable ASCII
    // character sets it: no letter overlaps the next, none stands far apart.
    QtGlyphCanvas canvas(FontSpec{"DejaVu Sans", 75});
    int widest = 0;
    for (char16_t unit = 0x20; unit <= 0x7E; ++unit) widest = std::max(widest, canvas.Advance(unit));
    EXPECT_EQ(canvas.FixedCharWidth(), widest);
    EXPECT_LT(canvas.FixedCharWidth(), QFontMetrics(canvas.QtFont()).maxWidth());
}

// ---- families of the settings ----------------------------------------------------------------

TEST(FontFamilies, EveryWindowsFamilyOfTheTableIsDrawnWithAnInstalledUprightSubstitute) {
    for (const FamilySubstitution& row : FamilySubstitutions()) {
        const std::string windows(row.windowsFamily);
        SCOPED_TRACE(windows);
        const std::string drawn = DrawingFamilyFor(windows);
        if (QFontDatabase::hasFamily(QString::fromStdString(windows))) {
            EXPECT_EQ(drawn, windows) << "installed for real here";
            continue;
        }
        // scripts/setup.sh installs every first choice.
        EXPECT_EQ(drawn, std::string(row.substitutes[0]));
        QFont font(QString::fromStdString(drawn));
        EXPECT_EQ(QFontInfo(font).family().toStdString(), drawn);
        EXPECT_TRUE(Upright(font));
        // Windows names are matched as Windows matches them.
        QString other = QString::fromStdString(windows).toUpper();
        EXPECT_EQ(DrawingFamilyFor(other.toStdString()), drawn);
    }
    // The monospace families stay monospace, also where the layout is proportional.
    for (const char* family : {"Lucida Console", "Courier New", "Consolas", "Courier"})
        EXPECT_TRUE(IsMonospaceFamily(DrawingFamilyFor(family))) << family;
}

TEST(FontFamilies, FactoryFontsResolveToInstalledUprightFacesAndDrawUpright) {
    struct Factory {
        Setting setting;
        bool fixedWidth;
        const char* expectedFamily;
    };
    for (const Factory& factory : {Factory{Setting::PropFontName, false, "Comic Neue"},
                                   Factory{Setting::FixedFontName, true, "DejaVu Sans Mono"},
                                   // The fixed group's family chosen as a proportional font.
                                   Factory{Setting::FixedFontName, false, "DejaVu Sans Mono"}}) {
        const std::string family = FactoryFamily(factory.setting);
        SCOPED_TRACE(family);
        QtGlyphCanvas canvas(ReaderFont(family, factory.fixedWidth, 26));
        EXPECT_EQ(canvas.ResolvedFamily().toStdString(), factory.expectedFamily);
        EXPECT_TRUE(QFontDatabase::hasFamily(canvas.ResolvedFamily()));
        EXPECT_TRUE(Upright(canvas.QtFont())) << QFontInfo(canvas.QtFont()).styleName().toStdString();
        EXPECT_EQ(StrokeSlant(canvas), 0);
    }
    // The measure sees a slant where there is one.
    FontSpec italic{"DejaVu Serif", 140};
    italic.italic = true;
    QtGlyphCanvas slanted(italic);
    EXPECT_GE(StrokeSlant(slanted), 5);
}

TEST(FontFamilies, InstalledFamiliesAreDrawnAsThemselves) {
    for (const char* family : {"Liberation Serif", "DejaVu Sans", "Comic Neue", "Carlito", "Caladea"}) {
        EXPECT_EQ(DrawingFamilyFor(family), family);
        EXPECT_EQ(ReaderFont(family, false).family, family);
    }
    EXPECT_EQ(DrawingFamilyFor("DejaVu Sans Mono", true), "DejaVu Sans Mono");
    EXPECT_EQ(DrawingFamilyFor("Liberation Mono", true), "Liberation Mono");
}

TEST(FontFamilies, MissingFamiliesAreDrawnUprightAndFixedWidthStaysMonospace) {
    const std::string unknown = DrawingFamilyFor("No Such Family Corvalin");
    EXPECT_TRUE(Upright(QFont(QString::fromStdString(unknown)))) << unknown;
    // A proportional face where one advance is laid out: the system's monospace face instead.
    for (const char* family : {"DejaVu Sans", "Comic Sans MS", "No Such Family Corvalin", ""}) {
        const std::string drawn = DrawingFamilyFor(family, true);
        EXPECT_TRUE(IsMonospaceFamily(drawn)) << family << " -> " << drawn;
    }
    EXPECT_FALSE(IsMonospaceFamily("DejaVu Sans"));
    EXPECT_TRUE(IsMonospaceFamily(SystemFixedFamily())) << SystemFixedFamily();
}

// ---- ink past the advance ------------------------------------------------------------------

struct InkFace {
    const char* name;
    std::string family;
    bool italic;
};

void PrintTo(const InkFace& c, std::ostream* os) { *os << c.name; }

class InkPastTheAdvance : public ::testing::TestWithParam<InkFace> {};

// Words ending in letters whose ink passes their advance ('f' in most faces, any italic),
// drawn through the layout and the page composition at factor 1, where a glyph's coverage is
// all or nothing: the page must show exactly the pixels the canvas draws at the words'
// positions, the right part of each last letter included.
TEST_P(InkPastTheAdvance, PageShowsTheWholeGlyphs) {
    const InkFace& c = GetParam();
    ReadingFontRequest request;
    request.family = c.family;
    request.points = 26;
    request.italic = c.italic;
    QtGlyphCanvas canvas(ReadingFontSpec(request));
    ASSERT_GT(canvas.InkOverhang(u'f'), 0) << canvas.ResolvedFamily().toStdString();

    test::ViewFixture f("Chief of staff, a brief leaf of cliff.\n");
    f.view.canvas = &canvas;
    f.view.pageWidthPx = 1200;
    f.view.pageHeightPx = 200;
    f.view.Relayout();
    f.view.GoToPosition(0, 0);
    const VEMRenderLineObject* line = f.view.firstUnit->firstLine;
    ASSERT_GE(line->wordCount, 8);
    const int32_t top = line->y + line->textTop;
    const int32_t bottom = line->y + line->textBottom;
    const int32_t width = f.view.pageWidthPx;

    std::vector<uint32_t> expected(size_t(width) * size_t(f.view.pageHeightPx), f.view.backColour);
    int beyondAdvances = 0;
    for (const VEMRenderWordObject* word = line->firstWord; word; word = word->next) {
        test::PageImage glyphs(width, f.view.pageHeightPx);
        int32_t pen = word->x;
        for (char16_t unit : word->text) {
            canvas.DrawUnit(glyphs.image, pen, top + 2, unit);
            pen += std::max(1, canvas.Advance(unit));
        }
        for (int32_t y = top; y < bottom; ++y)
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t* p = glyphs.image.Row(y) + 3 * x;
                if (!p[0]) continue;
                expected[size_t(y) * size_t(width) + size_t(x)] = word->colour;
                beyondAdvances += x >= word->x + word->width;
            }
    }
    ASSERT_GT(beyondAdvances, 0) << "some ink lies right of its word's advances";

    test::PageImage page(width, f.view.pageHeightPx);
    PaintView(f.view, page.image);
    int wrong = 0;
    for (int32_t y = top; y < bottom; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = page.image.Row(y) + 3 * x;
            const uint32_t shown = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
            wrong += shown != expected[size_t(y) * size_t(width) + size_t(x)];
        }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Qt, InkPastTheAdvance,
                         ::testing::Values(InkFace{"FactoryProportional",
                                                   FactoryFamily(Setting::PropFontName), false},
                                           InkFace{"DejaVuSerif", "DejaVu Serif", false},
                                           InkFace{"DejaVuSerifItalic", "DejaVu Serif", true},
                                           InkFace{"LiberationSerifItalic", "Liberation Serif", true},
                                           InkFace{"ComicNeueItalic", "Comic Neue", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InkOverhang, CoversEveryPixelTheCanvasDraws) {
    // The word's area is sized from this value before any glyph is drawn; a pixel past it
    // would be cut off.
    const std::u16string units = u"fjWVTY)]}\"'\u201D\u2019\u00BB\u0416\u0444@%&/\\";
    for (const char* family : {"DejaVu Serif", "DejaVu Sans", "Liberation Sans", "Liberation Serif",
                               "Comic Neue", "DejaVu Sans Mono", "Carlito", "Caladea"}) {
        for (int style = 0; style < 4; ++style) {
            FontSpec fontSpec{family, style < 2 ? 40 : 150, (style & 1) != 0, style >= 2};
            QtGlyphCanvas canvas(fontSpec);
            const int size = 4 * fontSpec.cellHeightPx;
            for (char16_t unit : units) {
                std::vector<uint8_t> pixels(size_t(size) * size_t(size) * 3, 0);
                PixelImage image{pixels.data(), size, size, size * 3};
                const int penX = size / 4;
                canvas.DrawUnit(image, penX, size / 4, unit);
                int right = -1;
                for (int y = 0; y < size; ++y)
                    for (int x = size - 1; x > right; --x)
                        if (image.Row(y)[3 * x]) {
                            right = x;
                            break;
                        }
                ASSERT_GE(right, 0);
                EXPECT_LE(right + 1 - penX, canvas.Advance(unit) + canvas.InkOverhang(unit))
                    << family << " style " << style << " unit " << int(unit);
            }
        }
    }
}

}  // namespace
}  // namespace corvalin
