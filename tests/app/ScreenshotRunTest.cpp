// The reader run the way scripts/run.sh runs it: a document on the command line, a picture of
// the window after a moment. The binary is copied into a scratch folder first, which then is
// its program folder (Books/, Global.cfg), so the build tree's library stays untouched.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "lang/Languages.h"
#include "settings/Configuration.h"
#include "settings/SettingTable.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::TempDir;

int RunReader(const std::string& command) {
    const int status = std::system(("QT_QPA_PLATFORM=offscreen " + command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The page below the tool bar: the tool bar's clock may have moved on between two runs, a
// button under the pointer is drawn raised, and where the offscreen pointer rests after an
// import's windows close is no part of the book's picture.
QImage PageOf(const std::filesystem::path& png) {
    constexpr int kBelowToolBarPx = 40;
    const QImage picture(QString::fromStdString(png.string()));
    return picture.copy(0, kBelowToolBarPx, picture.width(), picture.height() - kBelowToolBarPx);
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
    EXPECT_EQ(PageOf(again), PageOf(png));
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

TEST_F(ScreenshotRun, ABookNamedOnTheCommandLineIsOpenedNotImported) {
    const auto png = folder_.path() / "first.png";
    ASSERT_EQ(RunReader(Reader() + " " + CORVALIN_SOURCE_DIR + "/data/samples/Welcome.txt --screenshot " +
                        png.string() + " --quit-after 0.5"),
              0);
    // The same book under another name, outside the library.
    const auto elsewhere = folder_.path() / "copy of the guide.dat";
    std::filesystem::copy_file(folder_.path() / "Books" / "Welcome_txt.book", elsewhere);
    const auto again = folder_.path() / "again.png";
    ASSERT_EQ(RunReader(Reader() + " '" + elsewhere.string() + "' --screenshot " + again.string() +
                        " --quit-after 0.5"),
              0);
    size_t books = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path() / "Books")) {
        (void)entry;
        ++books;
    }
    EXPECT_EQ(books, 1u) << "the book was not imported as a text";
    EXPECT_EQ(PageOf(again), PageOf(png)) << "the book shows as it did";
}

TEST_F(ScreenshotRun, AGlobalCfgTheReaderMayNotWriteIsReadAndKept) {
    // The reader's folder is the user's, the settings file is not: as root the reader runs as
    // another user, who could otherwise rename a new file over it.
    const bool root = ::geteuid() == 0;
    if (root && std::system("command -v setpriv >/dev/null") != 0) GTEST_SKIP() << "setpriv is missing";
    const std::string config = (std::filesystem::path(CORVALIN_TOOLS_DIR) / "corvalin-config").string();
    ASSERT_EQ(std::system(
                  (config + " set Proportional.FontSize 31 --dir " + folder_.path().string() + " >/dev/null")
                      .c_str()),
              0);
    const auto cfg = folder_.path() / "Global.cfg";
    const std::vector<uint8_t> before = test::ReadBytes(cfg);
    std::string runAs;
    if (root) {
        ASSERT_EQ(::chown(folder_.path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(reader_.c_str(), 65534, 65534), 0);
        runAs = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    } else {
        std::filesystem::permissions(cfg, std::filesystem::perms::owner_read |
                                              std::filesystem::perms::group_read |
                                              std::filesystem::perms::others_read);
    }
    const auto png = folder_.path() / "kept.png";
    const auto errors = folder_.path() / "stderr.txt";
    const int status =
        std::system(("QT_QPA_PLATFORM=offscreen HOME=" + folder_.path().string() + " " + runAs + Reader() +
                     " " + CORVALIN_SOURCE_DIR + "/data/samples/Welcome.txt --screenshot " + png.string() +
                     " --quit-after 0.5 >/dev/null 2>" + errors.string())
                        .c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(test::ReadBytes(cfg), before) << "the user's settings file was replaced";
    const std::vector<uint8_t> said = test::ReadBytes(errors);
    EXPECT_NE(std::string(said.begin(), said.end()).find("will not be saved"), std::string::npos);
    // The settings were read, not replaced by the factory ones: the size shows in the config.
    Configuration read;
    LoadContext context;
    context.languageCount = int32_t(kLanguageListEntries.size());
    context.convertLegacy = false;
    ASSERT_TRUE(LoadConfiguration(folder_.path(), read, context).Valid());
    EXPECT_EQ(read.stored.values.Get(Setting::PropFontSize), 31);
}

TEST_F(ScreenshotRun, ABookTheReaderMayNotWriteIsReadAndLeftAsItIs) {
    const bool root = ::geteuid() == 0;
    if (root && std::system("command -v setpriv >/dev/null") != 0) GTEST_SKIP() << "setpriv is missing";
    ASSERT_EQ(RunReader(Reader() + " " + CORVALIN_SOURCE_DIR + "/data/samples/Welcome.txt --quit-after 0.3"),
              0);
    const auto books = folder_.path() / "Books";
    const auto book = books / "Welcome_txt.book";
    const std::vector<uint8_t> before = test::ReadBytes(book);
    const auto readOnly = std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                          std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                          std::filesystem::perms::others_read | std::filesystem::perms::others_exec;
    std::string runAs;
    if (root) {
        // The program folder is the reader's; the library in it belongs to somebody else.
        ASSERT_EQ(::chown(folder_.path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(reader_.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown((folder_.path() / "Global.cfg").c_str(), 65534, 65534), 0);
        runAs = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    std::filesystem::permissions(book, readOnly & ~std::filesystem::perms::owner_exec &
                                           ~std::filesystem::perms::group_exec &
                                           ~std::filesystem::perms::others_exec);
    std::filesystem::permissions(books, readOnly);
    const auto errors = folder_.path() / "stderr.txt";
    const int status =
        std::system(("QT_QPA_PLATFORM=offscreen HOME=" + folder_.path().string() + " " + runAs + Reader() +
                     " --auto-scroll --quit-after 0.5 >/dev/null 2>" + errors.string())
                        .c_str());
    std::filesystem::permissions(books, std::filesystem::perms::owner_all);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(test::ReadBytes(book), before);
    EXPECT_FALSE(std::filesystem::exists(book.string() + ".undo"));
    const std::vector<uint8_t> said = test::ReadBytes(errors);
    EXPECT_EQ(std::string(said.begin(), said.end()).find("could not be saved"), std::string::npos)
        << std::string(said.begin(), said.end());
    // The position was read from the book and the book was shown: the run remembers it.
    Configuration read;
    LoadContext context;
    context.languageCount = int32_t(kLanguageListEntries.size());
    context.convertLegacy = false;
    ASSERT_TRUE(LoadConfiguration(folder_.path(), read, context).Valid());
    EXPECT_EQ(read.lastBookName, "Welcome_txt.book");
}

TEST_F(ScreenshotRun, FailuresEndWithAnExitCode) {
    EXPECT_EQ(RunReader(Reader() + " --no-such-option"), 2);
    EXPECT_EQ(RunReader(Reader() + " --quit-after soon"), 2);
    EXPECT_EQ(RunReader(Reader() + " --screenshot " + (folder_.path() / "no" / "such" / "dir.png").string() +
                        " --quit-after 0.2"),
              3);
    EXPECT_EQ(RunReader(Reader() + " " + (folder_.path() / "missing.txt").string() + " --quit-after 0.2"), 1);
    test::WriteText(folder_.path() / "empty.txt", "");
    EXPECT_EQ(RunReader(Reader() + " " + (folder_.path() / "empty.txt").string() + " --quit-after 0.2"), 1);
    EXPECT_EQ(RunReader(Reader() + " " + folder_.path().string() + " --quit-after 0.2"), 1);
}

}  // namespace
}  // namespace corvalin
