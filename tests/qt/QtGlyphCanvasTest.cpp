#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <vector>

#include "platform/qt/QtGlyphCanvas.h"

namespace corvalin {
namespace {

// A black 24-bit image with its own memory.
struct OwnedImage {
    std::vector<uint8_t> pixels;
    PixelImage image;
    OwnedImage(int width, int height) : pixels(size_t(width) * 3 * height, 0) {
        image = PixelImage{pixels.data(), width, height, width * 3};
    }
    int CountWhite() const {
        int n = 0;
        for (size_t i = 0; i + 2 < pixels.size(); i += 3)
            n += pixels[i] == 255 && pixels[i + 1] == 255 && pixels[i + 2] == 255;
        return n;
    }
    bool OnlyBlackOrWhite() const {
        for (size_t i = 0; i + 2 < pixels.size(); i += 3) {
            const bool black = pixels[i] == 0 && pixels[i + 1] == 0 && pixels[i + 2] == 0;
            const bool white = pixels[i] == 255 && pixels[i + 1] == 255 && pixels[i + 2] == 255;
            if (!black && !white) return false;
        }
        return true;
    }
    // First and last rows holding any lit pixel, or {-1, -1}.
    std::pair<int, int> LitRows() const {
        int first = -1, last = -1;
        for (int y = 0; y < image.height; ++y) {
            const uint8_t* row = image.Row(y);
            for (int x = 0; x < image.width * 3; ++x)
                if (row[x]) {
                    if (first < 0) first = y;
                    last = y;
                    break;
                }
        }
        return {first, last};
    }
};

// What Qt itself draws for the character with the canvas's font, cell top at (x, y).
OwnedImage DrawnByQt(const QtGlyphCanvas& canvas, int width, int height, int x, int y, char16_t unit) {
    OwnedImage drawn(width, height);
    QImage target(drawn.pixels.data(), width, height, width * 3, QImage::Format_BGR888);
    QPainter painter(&target);
    painter.setFont(canvas.QtFont());
    painter.setPen(Qt::white);
    painter.drawText(QPoint(x, y + QFontMetrics(canvas.QtFont()).ascent()), QString(QChar(unit)));
    painter.end();
    return drawn;
}

struct FontCase {
    const char* name;
    const char* family;
    int cellHeightPx;
    bool bold;
    bool italic;
    bool monospace;
    bool underline = false;

    FontSpec Font() const {
        FontSpec fontSpec{family, cellHeightPx, bold, italic};
        fontSpec.underline = underline;
        return fontSpec;
    }
};

void PrintTo(const FontCase& c, std::ostream* os) { *os << c.name; }

class QtFonts : public ::testing::TestWithParam<FontCase> {};

TEST_P(QtFonts, DrawsPureWhiteGlyphsInsideTheCell) {
    const FontCase& c = GetParam();
    QtGlyphCanvas canvas(c.Font());

    EXPECT_EQ(canvas.CellHeight(), c.cellHeightPx);
    // Integer pixel sizes skip some cell heights; the font fills the cell to within a pixel
    // or two and never exceeds it.
    EXPECT_LE(canvas.FontHeight(), c.cellHeightPx);
    EXPECT_GE(canvas.FontHeight(), c.cellHeightPx - 2);

    const int wideM = canvas.Advance(u'M');
    const int narrowI = canvas.Advance(u'i');
    EXPECT_GT(narrowI, 0);
    if (c.monospace)
        EXPECT_EQ(wideM, narrowI);
    else
        EXPECT_GT(wideM, narrowI) << canvas.ResolvedFamily().toStdString();
    EXPECT_GT(canvas.Advance(u' '), 0);
    EXPECT_GE(canvas.FixedCharWidth(), wideM);

    // Cell top at row 10 of a taller image: ink of "Hg" stays within the cell (accents on
    // capitals may rise above the ascent; the layout leaves two rows above the cell for them).
    OwnedImage image(4 * c.cellHeightPx, c.cellHeightPx + 20);
    canvas.DrawUnit(image.image, 2, 10, u'H');
    canvas.DrawUnit(image.image, 2 + canvas.Advance(u'H'), 10, u'g');
    EXPECT_GT(image.CountWhite(), c.cellHeightPx);
    EXPECT_TRUE(image.OnlyBlackOrWhite());
    const auto [first, last] = image.LitRows();
    EXPECT_GE(first, 10);
    EXPECT_LT(last, 10 + c.cellHeightPx);
}

INSTANTIATE_TEST_SUITE_P(
    Qt, QtFonts,
    ::testing::Values(FontCase{"DejaVuSansSmall", "DejaVu Sans", 12, false, false, false},
                      FontCase{"DejaVuSansSupersampled", "DejaVu Sans", 88, false, false, false},
                      FontCase{"DejaVuSerifBoldItalic", "DejaVu Serif", 40, true, true, false},
                      FontCase{"LiberationSans", "Liberation Sans", 33, false, false, false},
                      FontCase{"LiberationMono", "Liberation Mono", 27, false, false, true},
                      FontCase{"UnderlinedSerif", "DejaVu Serif", 70, false, false, false, true},
                      // The reading size at 4 x 4: glyphs are made in several bands of rows.
                      FontCase{"UnderlinedSupersampled", "DejaVu Sans", 162, false, false, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(QtFonts, StampsWhatQtDrawsAtThatPosition) {
    // The canvas keeps each glyph as a mask; the stamp must equal drawing the character with
    // Qt itself, at any whole-pixel position and near the image edges.
    const FontCase& c = GetParam();
    QtGlyphCanvas canvas(c.Font());
    const int width = 3 * c.cellHeightPx, height = 2 * c.cellHeightPx;
    struct Place {
        int x, y;
    };
    for (char16_t unit : std::u16string(u"Wgj\u00C5f@\u0416")) {
        for (Place at : {Place{c.cellHeightPx / 2, c.cellHeightPx / 3}, Place{-3, 1},
                         Place{width - c.cellHeightPx / 2, height - c.cellHeightPx}}) {
            OwnedImage stamped(width, height);
            canvas.DrawUnit(stamped.image, at.x, at.y, unit);
            const OwnedImage drawn = DrawnByQt(canvas, width, height, at.x, at.y, unit);
            EXPECT_EQ(stamped.pixels, drawn.pixels) << "unit " << int(unit) << " at " << at.x << "," << at.y;
        }
    }
}

TEST(QtGlyphCanvas, GlyphsPreparedInPiecesLeaveNoTraceInEachOther) {
    // A reading-size glyph takes several pieces; one left half made must not show in the glyph
    // drawn meanwhile, and is made whole when asked again.
    QtGlyphCanvas canvas(FontSpec{"DejaVu Sans", 162});
    const int width = 400, height = 300;
    int pieces = 1;
    while (!canvas.PrepareUnit(u'@')) ++pieces;
    EXPECT_GT(pieces, 2);
    EXPECT_TRUE(canvas.PrepareUnit(u'@'));  // kept

    for (int i = 0; i < 3; ++i) EXPECT_FALSE(canvas.PrepareUnit(u'W'));
    OwnedImage g(width, height);
    canvas.DrawUnit(g.image, 100, 20, u'g');
    EXPECT_EQ(g.pixels, DrawnByQt(canvas, width, height, 100, 20, u'g').pixels);
    for (int i = 0; i < 2; ++i) EXPECT_FALSE(canvas.PrepareUnit(u'M'));
    for (char16_t unit : {u'W', u'M', u'@'}) {
        OwnedImage stamped(width, height);
        canvas.DrawUnit(stamped.image, 100, 20, unit);
        EXPECT_EQ(stamped.pixels, DrawnByQt(canvas, width, height, 100, 20, unit).pixels) << int(unit);
    }
}

TEST(QtGlyphCanvas, UnderlineRunsAlongTheAdvance) {
    FontSpec fontSpec{"DejaVu Sans", 40};
    QtGlyphCanvas plain(fontSpec);
    fontSpec.underline = true;
    QtGlyphCanvas underlined(fontSpec);
    OwnedImage a(80, 50), b(80, 50);
    plain.DrawUnit(a.image, 10, 2, u'o');
    underlined.DrawUnit(b.image, 10, 2, u'o');
    int longestRun = 0;
    for (int y = 0; y < 50; ++y) {
        int run = 0;
        for (int x = 0; x < 80; ++x) {
            const uint8_t* p = b.image.Row(y) + 3 * x;
            run = p[0] ? run + 1 : 0;
            longestRun = std::max(longestRun, run);
        }
    }
    EXPECT_GT(b.CountWhite(), a.CountWhite());
    EXPECT_GE(longestRun, underlined.Advance(u'o') - 1);
}

TEST(QtGlyphCanvas, FontFillsEveryCellHeight) {
    // From a small screen font to a 4x supersampled large one.
    for (int cell = 6; cell <= 160; ++cell) {
        QtGlyphCanvas canvas(FontSpec{"DejaVu Sans", cell});
        EXPECT_LE(canvas.FontHeight(), cell) << cell;
        EXPECT_GE(canvas.FontHeight(), cell - 2) << cell;
    }
}

TEST(QtGlyphCanvas, MissingFamilyFallsBackToARealFont) {
    QtGlyphCanvas canvas(FontSpec{"No Such Family Corvalin", 24});
    EXPECT_FALSE(canvas.ResolvedFamily().isEmpty());
    EXPECT_NE(canvas.ResolvedFamily(), QString("No Such Family Corvalin"));
    EXPECT_GT(canvas.Advance(u'W'), 0);
    OwnedImage image(40, 30);
    canvas.DrawUnit(image.image, 4, 2, u'W');
    EXPECT_GT(image.CountWhite(), 10);
}

TEST(QtGlyphCanvas, SpaceDrawsNothingAndClipsAtTheEdges) {
    QtGlyphCanvas canvas(FontSpec{"DejaVu Sans", 20});
    OwnedImage image(30, 24);
    canvas.DrawUnit(image.image, 5, 2, u' ');
    EXPECT_EQ(image.CountWhite(), 0);
    // Partly outside on every side: no crash, the visible part is drawn.
    canvas.DrawUnit(image.image, -6, -8, u'W');
    canvas.DrawUnit(image.image, 24, 16, u'W');
    EXPECT_GT(image.CountWhite(), 0);
}

TEST(QtGlyphCanvas, SetFontResetsCachedAdvances) {
    QtGlyphCanvas canvas(FontSpec{"DejaVu Sans", 16});
    const int small = canvas.Advance(u'W');
    canvas.SetFont(FontSpec{"DejaVu Sans", 64});
    EXPECT_GT(canvas.Advance(u'W'), 3 * small);
}

TEST(QtGlyphCanvas, CentredTextFillsItsBoxWithTheBackground) {
    QtGlyphCanvas canvas(FontSpec{"DejaVu Sans", 20});
    OwnedImage image(200, 100);
    constexpr uint32_t kRed = 0x000000FF, kBlue = 0x00FF0000;
    canvas.DrawCentredText(image.image, 100, 50, u"THE END", 40, kRed, kBlue);
    int red = 0, blue = 0, other = 0, leftmost = 200, rightmost = -1;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const uint8_t* p = image.image.Row(y) + 3 * x;
            if (p[0] == 0 && p[1] == 0 && p[2] == 0) continue;
            if (p[0] == 0 && p[1] == 0 && p[2] == 255)
                ++red;
            else if (p[0] == 255 && p[1] == 0 && p[2] == 0)
                ++blue;
            else
                ++other;
            leftmost = std::min(leftmost, x);
            rightmost = std::max(rightmost, x);
        }
    EXPECT_GT(red, 50);
    EXPECT_GT(blue, red);
    EXPECT_EQ(other, 0);  // no anti-aliasing
    EXPECT_NEAR((leftmost + rightmost) / 2.0, 100.0, 2.0);
}

}  // namespace
}  // namespace corvalin

int main(int argc, char** argv) {
    // Fonts need a GUI application but no display; the environment may choose another platform.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
