// corvalin-render run the way a user runs it, on a book converted from the bundled guide.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <utility>

namespace {

struct ColourCount {
    int background = 0, text = 0, heading = 0, firstLetter = 0, other = 0;
};

ColourCount CountColours(const QImage& image) {
    ColourCount count;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
            if (pixel == 0xFFFFFF)
                ++count.background;
            else if (pixel == 0x000000)
                ++count.text;
            else if (pixel == 0xFF0000)
                ++count.heading;
            else if (pixel == 0x0000FF)
                ++count.firstLetter;
            else
                ++count.other;
        }
    }
    return count;
}

int RunTool(const std::string& command) {
    return WEXITSTATUS(std::system((command + " >/dev/null 2>&1").c_str()));
}

TEST(RenderTool, DrawsTheGuideWithHeadingAndFirstLetterColours) {
    std::random_device random;
    const auto dir = std::filesystem::temp_directory_path() / ("corvalin-render-" + std::to_string(random()));
    std::filesystem::create_directories(dir);
    const std::string tools = CORVALIN_TOOLS_DIR;
    ASSERT_EQ(RunTool(tools + "/corvalin-convert --books " + dir.string() + " " + CORVALIN_SOURCE_DIR +
                      "/data/samples/Welcome.txt"),
              0);
    const auto book = dir / "Welcome_txt.book";
    // Colours are 0xBBGGRR: white page, black text, red headings, blue first letters.
    const std::string render = tools + "/corvalin-render " + book.string() + " --dir " + dir.string() +
                               " --size 640x480 --colors FFFFFF,000000,0000FF,FF0000 --offset 40 --row 0";
    for (const char* aa : {"1", "4"}) {
        SCOPED_TRACE(aa);
        const auto png = dir / (std::string("page") + aa + ".png");
        ASSERT_EQ(RunTool(render + " --aa " + aa + " -o " + png.string()), 0);
        QImage image(QString::fromStdString(png.string()));
        ASSERT_EQ(image.size(), QSize(640, 480));
        const ColourCount count = CountColours(image);
        EXPECT_GT(count.background, 640 * 480 / 2);
        EXPECT_GT(count.text, 500);
        EXPECT_GT(count.heading, 50) << "the first line is a heading";
        EXPECT_GT(count.firstLetter, 10) << "the first paragraph's first letter";
        if (std::string(aa) == "1")
            EXPECT_EQ(count.other, 0) << "no anti-aliasing at factor 1";
        else
            EXPECT_GT(count.other, 1000) << "grey edges at factor 4";
    }
    std::filesystem::remove_all(dir);
}

// Columns [first, last] of the page holding the colour, or {-1, -1}.
std::pair<int, int> ColumnsWithColour(const QImage& image, QRgb colour) {
    int first = -1, last = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == colour) {
                if (first < 0 || x < first) first = x;
                last = std::max(last, x);
            }
    return {first, last};
}

TEST(RenderTool, FixedWidthOriginalModeSetsLettersAtTheirNaturalSpacing) {
    // The factory fixed-width font at the factory size, in "Original" mode: the heading
    // "Welcome to Corvalindestrum" is one line of 26 characters, each one advance of the
    // monospace face wide (about 0.6 of its 16-pixel em), not the face's widest glyph.
    std::random_device random;
    const auto dir = std::filesystem::temp_directory_path() / ("corvalin-render-" + std::to_string(random()));
    std::filesystem::create_directories(dir);
    const std::string tools = CORVALIN_TOOLS_DIR;
    ASSERT_EQ(RunTool(tools + "/corvalin-convert --books " + dir.string() + " " + CORVALIN_SOURCE_DIR +
                      "/data/samples/Welcome.txt"),
              0);
    const auto png = dir / "fixed.png";
    ASSERT_EQ(RunTool(tools + "/corvalin-render " + (dir / "Welcome_txt.book").string() + " -o " +
                      png.string() + " --dir " + dir.string() +
                      " --fixed --mode original --size 640x480 --colors FFFFFF,000000,0000FF,FF0000"),
              0);
    QImage image(QString::fromStdString(png.string()));
    ASSERT_EQ(image.size(), QSize(640, 480));
    const auto [first, last] = ColumnsWithColour(image, 0xFF0000);  // the heading
    ASSERT_GE(first, 0);
    constexpr int kHeadingLength = 26, kEmPx = 16;
    const int span = last - first + 1;
    EXPECT_GT(span, kHeadingLength * kEmPx * 45 / 100);
    EXPECT_LT(span, kHeadingLength * kEmPx * 70 / 100);
    std::filesystem::remove_all(dir);
}

}  // namespace
