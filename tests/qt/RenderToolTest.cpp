// corvalin-render run the way a user runs it, on a book converted from the bundled guide.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace {

struct ColourCount {
    int background = 0, text = 0, heading = 0, firstLetter = 0, other = 0;
};

ColourCount CountColours(const QImage& image) {
    ColourCount count;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
            if (pixel == 0xFFFFFF) ++count.background;
            else if (pixel == 0x000000) ++count.text;
            else if (pixel == 0xFF0000) ++count.heading;
            else if (pixel == 0x0000FF) ++count.firstLetter;
            else ++count.other;
        }
    }
    return count;
}

int RunTool(const std::string& command) { return WEXITSTATUS(std::system((command + " >/dev/null 2>&1").c_str())); }

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
    const std::string render = tools + "/corvalin-render " + book.string() +
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
        if (std::string(aa) == "1") EXPECT_EQ(count.other, 0) << "no anti-aliasing at factor 1";
        else EXPECT_GT(count.other, 1000) << "grey edges at factor 4";
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
