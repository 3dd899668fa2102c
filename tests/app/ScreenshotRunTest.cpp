// The reader run the way scripts/run.sh runs it: a document on the command line, a picture of
// the window after a moment. The binary is copied into a scratch folder first, which then is
// its program folder (Books/, Global.cfg), so the build tree's library stays untouched.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "settings/Configuration.h"
#include "settings/Languages.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::TempDir;

int RunReader(const std::string& command) {
    const int status = std::system(("QT_QPA_PLATFORM=offscreen " + command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ScreenshotRun : public ::testing::Test {
protected:
    void SetUp() override {
        reader_ = folder_.path() / "corvalindestrum";
        std::filesystem::copy_file(CORVALIN_READER, reader_);
    }

    std::string Reader() const { return reader_.string(); }

    TempDir folder_;
    std::filesystem::path reader_;
};

TEST_F(ScreenshotRun, ImportsTheDocumentShowsItAndRemembersIt) {
    const auto png = folder_.path() / "reader.png";
    ASSERT_EQ(RunReader(Reader() + " " + CORVALIN_SOURCE_DIR + "/data/samples/Welcome.txt --screenshot " +
                        png.string() + " --quit-after 0.5"),
              0);
    EXPECT_TRUE(std::filesystem::exists(folder_.path() / "Books" / "Welcome_txt.book"));

    const QImage picture(QString::fromStdString(png.string()));
    ASSERT_FALSE(picture.isNull());
    EXPECT_GE(picture.width(), 640);
    EXPECT_GE(picture.height(), 460);
    // The factory text colour of the proportional font (0x533F00 as 0xBBGGRR).
    int text = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) & 0xFFFFFF) == 0x003F53) ++text;
    EXPECT_GT(text, 500);

    Configuration config;
    LoadContext context;
    context.languageCount = int32_t(kLanguageListEntries.size());
    context.convertLegacy = false;
    ASSERT_TRUE(LoadConfiguration(folder_.path(), config, context).Valid());
    EXPECT_EQ(config.lastBookName, "Welcome_txt.book");

    // The next start needs no document: the book comes back.
    const auto again = folder_.path() / "again.png";
    ASSERT_EQ(RunReader(Reader() + " --screenshot " + again.string() + " --quit-after 0.5"), 0);
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "Books" / "Welcome_txt - 01.book"));
    EXPECT_EQ(QImage(QString::fromStdString(again.string())), picture);
}

// How far the text has moved by the picture depends on the machine's speed, so only the clean
// end of a run that quits while the text moves is checked here; the steps themselves are
// checked in simulated time.
TEST_F(ScreenshotRun, QuittingWhileTheTextMovesEndsCleanlyAndRemembersTheBook) {
    const auto png = folder_.path() / "moving.png";
    ASSERT_EQ(RunReader(Reader() + " " + CORVALIN_SOURCE_DIR +
                        "/data/samples/Welcome.txt --auto-scroll --screenshot " + png.string() +
                        " --quit-after 0.3"),
              0);
    EXPECT_FALSE(QImage(QString::fromStdString(png.string())).isNull());
    Configuration config;
    LoadContext context;
    context.languageCount = int32_t(kLanguageListEntries.size());
    context.convertLegacy = false;
    ASSERT_TRUE(LoadConfiguration(folder_.path(), config, context).Valid());
    EXPECT_EQ(config.lastBookName, "Welcome_txt.book");
}

TEST_F(ScreenshotRun, FailuresEndWithAnExitCode) {
    EXPECT_EQ(RunReader(Reader() + " --no-such-option"), 2);
    EXPECT_EQ(RunReader(Reader() + " --quit-after soon"), 2);
    EXPECT_EQ(RunReader(Reader() + " --screenshot " + (folder_.path() / "no" / "such" / "dir.png").string() +
                        " --quit-after 0.2"),
              3);
    EXPECT_EQ(RunReader(Reader() + " " + (folder_.path() / "missing.txt").string() + " --quit-after 0.2"), 1);
}

}  // namespace
}  // namespace corvalin
