// The reading session's ways through a book besides paging: the ends of the book with the
// bookmarks they leave, bookmarks gone to, and typed percentages; and the bookmarks kept in the
// book between openings. A real book over the bitmap test font, without windows.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "nav/PageCommands.h"
#include "raster/BitmapGlyphCanvas.h"
#include "session/ReadingSession.h"
#include "settings/StoredSettings.h"
#include "settings/VEMOptions.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::TempDir;

// Forty paragraphs of a few lines each on a page of a dozen lines.
std::string LongText() {
    std::string text;
    for (int paragraph = 0; paragraph < 40; ++paragraph) {
        text += "Paragraph" + std::to_string(paragraph);
        for (int word = 0; word < 24; ++word) text += " word" + std::to_string(word);
        text += "\n\n";
    }
    return text;
}

std::vector<int32_t> PositionsOf(const BookmarkList& list) {
    std::vector<int32_t> positions;
    for (const Bookmark& entry : list.Entries()) positions.push_back(entry.position);
    return positions;
}

class SessionNavigationTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = test::BuildBookFromUtf8(dir_, LongText());
        FontSpec font;
        font.family = "Test";
        font.cellHeightPx = 16;
        canvas_.SetFont(font);
        View().canvas = &canvas_;
        View().pageWidthPx = 300;
        View().pageHeightPx = 240;
        Open();
    }

    void Open() { ASSERT_EQ(session_.Open(path_, "book.book", options_, stored_), VerdictKind::Ok); }

    VEMRenderParag& View() { return session_.View(); }
    int64_t TopOffset() { return View().screenLines.at(0).line->startOffset; }
    int32_t TopRow() { return View().screenLines.at(0).line->y; }
    // Somewhere in the middle, with whole pages before and after.
    void GoToMiddle() {
        View().GoToPosition((session_.TextStart() + session_.TextEnd()) / 2, 0);
        ShiftText(View(), -5);
    }

    TempDir dir_;
    std::filesystem::path path_;
    BitmapGlyphCanvas canvas_;
    VEMOptions options_;
    StoredSettings stored_;
    ReadingSession session_;
};

TEST_F(SessionNavigationTest, HomeKeepsThePlaceLeftOnceAndHomeAgainAddsNothing) {
    GoToMiddle();
    const int32_t middle = int32_t(TopOffset());
    session_.GoHome();
    EXPECT_EQ(PositionsOf(session_.Bookmarks()), (std::vector<int32_t>{middle}));
    // At the beginning now: the place left is the beginning, kept once however often.
    session_.GoHome();
    session_.GoHome();
    const int32_t start = int32_t(session_.TextStart());
    EXPECT_EQ(PositionsOf(session_.Bookmarks()), (std::vector<int32_t>{start, middle}));
    EXPECT_EQ(session_.Bookmarks().Entries()[0].label.substr(0, 16), u"Paragraph0 word0");
}

TEST_F(SessionNavigationTest, ABookmarkPastTheEndHasNoWordsAndIsGoneAtTheNextOpening) {
    GoToMiddle();
    session_.AddBookmark();
    session_.GoEnd();
    session_.AddBookmark();
    // The text moves up until nothing of it is left on the page.
    while (!View().screenLines.empty()) ShiftText(View(), -View().pageHeightPx / 2);
    session_.AddBookmark();
    const std::vector<Bookmark> before = session_.Bookmarks().Entries();
    ASSERT_EQ(before.size(), 3u) << "the middle, the last page, the empty page";
    EXPECT_EQ(before.back().position, session_.TextEnd() - 1);
    EXPECT_TRUE(before.back().label.empty());

    ASSERT_EQ(session_.SaveState(options_), ReadingSession::SaveOutcome::Saved);
    session_.Close();
    EXPECT_TRUE(session_.Bookmarks().Empty());
    Open();
    const std::vector<Bookmark>& after = session_.Bookmarks().Entries();
    ASSERT_EQ(after.size(), 2u);
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].position, before[i].position);
        EXPECT_EQ(after[i].label, before[i].label);
    }
}

TEST_F(SessionNavigationTest, APercentageGoesToItsPlaceAtTheTopOfThePage) {
    ASSERT_TRUE(session_.GoToPercent(0));
    EXPECT_EQ(TopOffset(), session_.TextStart());
    EXPECT_EQ(TopRow(), 0);

    // The whole way: the text's last offset, which the book's last line stands for (only the
    // paragraph's end follows its words), at the top.
    ASSERT_TRUE(session_.GoToPercent(100));
    ASSERT_FALSE(View().screenLines.empty());
    EXPECT_TRUE(View().lastUnit->isLast);
    EXPECT_EQ(View().screenLines.front().line, View().lastUnit->lastLine);
    EXPECT_EQ(TopRow(), 0);

    ASSERT_TRUE(session_.GoToPercent(50));
    const int64_t half = session_.TextStart() + (session_.TextEnd() - session_.TextStart() - 1) / 2;
    const VEMRenderLineObject* top = View().screenLines.front().line;
    EXPECT_LE(top->startOffset, half);
    EXPECT_LT(half, top->endOffset);

    session_.Close();
    EXPECT_FALSE(session_.GoToPercent(50)) << "no book";
}

TEST_F(SessionNavigationTest, AJumpStartsTheWaveAfresh) {
    View().autoMode = kAutoWave;
    View().Relayout();
    GoToMiddle();
    // The front travels down as the text moves on a few pixels.
    for (int step = 0; step < 7; ++step) ShiftText(View(), -1);
    ASSERT_GT(View().waveFront, 0);
    // A place just one line further: a short move the wave would otherwise carry on with.
    const int32_t next = int32_t(View().screenLines.at(1).line->startOffset);
    session_.GoToBookmark(next);
    EXPECT_EQ(View().waveFront, 0);
    EXPECT_EQ(View().waveShift, 0);
    EXPECT_EQ(TopOffset(), next);
    EXPECT_EQ(TopRow(), 0);
    EXPECT_FALSE(View().waveLines.empty()) << "the wave list is built for the new page";

    for (int step = 0; step < 7; ++step) ShiftText(View(), -1);
    ASSERT_GT(View().waveFront, 0);
    ASSERT_TRUE(session_.GoToPercent(0));
    EXPECT_EQ(View().waveFront, 0);
    EXPECT_EQ(View().waveShift, 0);
}

}  // namespace
}  // namespace corvalin
