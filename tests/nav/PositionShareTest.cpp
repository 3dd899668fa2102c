// The reading position as the speed gauge shows it.
#include <gtest/gtest.h>

#include <string>

#include "engine/ToolBarDisplays.h"
#include "layout/VEMRenderParag.h"
#include "nav/PageCommands.h"
#include "nav/PositionShare.h"
#include "support/ViewFixture.h"

namespace corvalin {
namespace {

using test::ViewFixture;

// A book long enough that its last line starts within the last half thousandth of the text.
std::string LongBook() {
    std::string text;
    for (int p = 0; p < 3000; ++p) text += "paragraph " + std::to_string(p) + " of the long test book\n\n";
    return text;
}

const VEMRenderLineObject* LastLine(const VEMRenderParag& view) { return view.lastUnit->lastLine; }

TEST(PositionShare, StartLastLineAndPastTheEnd) {
    ViewFixture f(LongBook());
    VEMRenderParag& view = f.view;
    view.Relayout();
    const int64_t start = f.book.Header().textStart, end = f.book.Header().textEnd;
    auto shown = [&] { return PositionText(PositionShare(view, start, end, 1000)); };

    view.GoToPosition(start, 0);
    EXPECT_EQ(shown(), "0.0%");

    // The last line the first on the page: rounded it would be the whole book, but a line
    // still on the page is not the end.
    GoEnd(view, end);
    ShiftText(view, -LastLine(view)->y);
    ASSERT_FALSE(view.screenLines.empty());
    ASSERT_EQ(view.screenLines.front().line, LastLine(view));
    EXPECT_EQ(shown(), "99.9%");
    // Rounded to thousandths it would have been 100.0%.
    EXPECT_GE(PositionShare(view, start, end, 1000000), 999500);

    // The page emptied past the end: all read.
    ShiftText(view, -(LastLine(view)->y + LastLine(view)->height + 5));
    ASSERT_TRUE(view.screenLines.empty());
    EXPECT_EQ(shown(), "100.0%");

    // Paged back past the beginning: the text lies below the page, nothing read.
    view.GoToPosition(start, view.pageHeightPx + 20);
    ASSERT_TRUE(view.screenLines.empty());
    EXPECT_EQ(shown(), "0.0%");
}

TEST(PositionShare, HalfwayRoundsToTheNearestUnit) {
    ViewFixture f(LongBook());
    VEMRenderParag& view = f.view;
    view.Relayout();
    const int64_t start = f.book.Header().textStart, end = f.book.Header().textEnd;
    view.GoToPosition(start + (end - start) / 2, 0);
    ASSERT_FALSE(view.screenLines.empty());
    const int64_t lineStart = view.screenLines.front().line->startOffset;
    const int64_t expected = (2 * (lineStart - start) * 1000 + (end - start)) / (2 * (end - start));
    EXPECT_EQ(PositionShare(view, start, end, 1000), expected);
    EXPECT_NEAR(double(expected), 500.0, 1.0);
    // An empty text range (a damaged header) reads as the start rather than dividing by zero.
    EXPECT_EQ(PositionShare(view, start, start, 1000), 0);
}

}  // namespace
}  // namespace corvalin
