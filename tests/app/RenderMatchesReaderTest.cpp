// corvalin-render draws the page the reader shows: the same settings, the same book, the same
// size and position give the same pixels.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/ReadingSurface.h"
#include "app/ScreenPictures.h"
#include "app/WindowFixture.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::Settle;
using ReaderWindow = test::QuietReaderWindow;
using RenderMatchesReader = test::GuideBookTest;

int RunCommand(const std::string& command) {
    return WEXITSTATUS(std::system((command + " >/dev/null 2>&1").c_str()));
}

TEST_F(RenderMatchesReader, ThePageOfTheToolIsThePageOfTheWindow) {
    const std::string tools = CORVALIN_TOOLS_DIR;
    const std::string config = tools + "/corvalin-config set ";
    const std::string dir = " --dir " + folder_.path().string();
    struct Setting {
        const char* name;
        const char* value;
    };
    // Anti-aliasing, a size, a formatting and colours unlike the factory ones; the window is
    // kept normal so that its page has a size the tool can be given.
    for (const Setting& s :
         {Setting{"Antialiasing", "3"}, Setting{"Proportional.FontSize", "19"},
          Setting{"TextFormatting", "0"}, Setting{"Proportional.TextColor", "0x202080"},
          Setting{"Proportional.BackColor", "0xE0F0F0"}, Setting{"Proportional.PageMargins", "30"},
          Setting{"WindowMode", "2"}, Setting{"WindowWidth", "700"}, Setting{"WindowHeight", "520"}})
        ASSERT_EQ(RunCommand(config + s.name + " " + s.value + dir), 0) << s.name;

    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    ASSERT_TRUE(window.BookOpen());
    window.NextPage();  // a position of its own, saved for the tool to read
    window.SaveSettings();
    Settle();
    const QImage shown = test::OnScreen(window);
    const QSize size = window.Surface().size();

    const auto png = folder_.path() / "page.png";
    ASSERT_EQ(RunCommand(tools + "/corvalin-render " + book_.string() + dir + " --size " +
                         std::to_string(size.width()) + "x" + std::to_string(size.height()) + " -o " +
                         png.string()),
              0);
    const QImage drawn = QImage(QString::fromStdString(png.string())).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(drawn.size(), shown.size());
    EXPECT_EQ(test::FirstDifferentRow(drawn, shown), -1);
    // Both are the configured page, not two blank ones: its background and its text colour.
    int background = 0, text = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb pixel = drawn.pixel(x, y) & 0xFFFFFF;
            background += pixel == 0xF0F0E0;
            text += pixel == 0x802020;
        }
    EXPECT_GT(background, drawn.width() * drawn.height() / 2);
    EXPECT_GT(text, 200);
}

}  // namespace
}  // namespace corvalin
