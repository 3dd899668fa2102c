// The reader's movement commands in simulated time: animated moves and jumps, the wheel, the
// drags, the ends of the book with their bookmarks, and the bookmarks kept in the book.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QObject>
#include <QWheelEvent>
#include <filesystem>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/ReadingSurface.h"
#include "app/WindowFixture.h"
#include "books/BookDocument.h"
#include "books/BookFormat.h"
#include "engine/SimulatedTime.h"
#include "nav/PageCommands.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::Settle;

using test::kNsPerSecond;

class ReaderWindow : public test::TestWindow {
public:
    ReaderWindow(const std::filesystem::path& folder, PerfTiming& timing)
        : TestWindow(folder, {&timing, false}) {}
};

void Press(QWidget& widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(&widget, &event);
}

void Mouse(QWidget& widget, QEvent::Type type, int y, Qt::MouseButton button, Qt::MouseButtons buttons,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QPointF at(20, y);
    QMouseEvent event(type, at, widget.mapToGlobal(at), button, buttons, modifiers);
    QCoreApplication::sendEvent(&widget, &event);
}

void Wheel(QWidget& widget, int delta) {
    const QPointF at(20, 20);
    QWheelEvent event(at, widget.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&widget, &event);
}

struct Position {
    int64_t offset = 0;
    int32_t row = 0;
    bool operator==(const Position&) const = default;
};

Position PositionOf(const VEMRenderParag& view) {
    Position position;
    view.GetPosition(position.offset, position.row);
    return position;
}

void GoTo(VEMRenderParag& view, const Position& position) {
    view.GoToPosition(position.offset, position.row);
}

// The formatted line holding `offset`, or null.
const VEMRenderLineObject* LineHolding(const VEMRenderParag& view, int64_t offset) {
    for (const VEMRenderParagObject* unit = view.firstUnit; unit; unit = unit->next)
        for (const VEMRenderLineObject* line = unit->firstLine; line; line = line->next)
            if (line->startOffset <= offset && offset < line->endOffset) return line;
    return nullptr;
}

// A repaint takes time, as on a slow machine; an animation then shows fewer steps of more
// pixels each, and a test runs through fewer paints.
class PaintCost : public QObject {
public:
    PaintCost(QWidget& widget, test::SimulatedTime& time) : time_(time) { widget.installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) time_.Advance(5 * test::kNsPerMs);
        return false;
    }

private:
    test::SimulatedTime& time_;
};

// Paints the surface receives.
class PaintCount : public QObject {
public:
    explicit PaintCount(QWidget& widget) { widget.installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

class ReaderCommandsTest : public test::GuideBookTest {
protected:
    void SetUp() override {
        GuideBookTest::SetUp();
        window_ = std::make_unique<ReaderWindow>(folder_.path(), timing_);
        window_->FirstStart(book_);
        paintCost_ = std::make_unique<PaintCost>(window_->Surface(), time_);
        Settle();
    }

    // Simulated seconds `action` takes.
    template <typename Action>
    double Seconds(Action action) {
        const int64_t start = time_.Now();
        action();
        return double(time_.Now() - start) / kNsPerSecond;
    }

    VEMRenderParag& View() { return window_->View(); }
    // A place in the middle of the book with whole lines above and below the page.
    Position Middle() {
        window_->NextPage();
        window_->NextPage();
        return PositionOf(View());
    }

    test::SimulatedTime time_;
    PerfTiming timing_{time_, time_};
    std::unique_ptr<ReaderWindow> window_;
    std::unique_ptr<PaintCost> paintCost_;
};

// An animation of `seconds` ends when its last pixel is reached, half a pixel's time early;
// a repaint (5 ms) may follow.
void ExpectOneAnimation(double elapsed, double seconds) {
    EXPECT_GT(elapsed, 0.9 * seconds);
    EXPECT_LT(elapsed, seconds + 0.02);
}

TEST_F(ReaderCommandsTest, AnAnimatedMoveTakesItsTimeAndEndsWhereTheJumpDoes) {
    VEMOptions& options = window_->Options();
    const Position start = Middle();
    const int32_t distance = NextPageDistance(View());
    ASSERT_LT(distance, -100);

    PaintCount count(window_->Surface());
    const double animated = Seconds([&] { window_->SmoothMove(distance, 0.5); });
    const Position afterAnimation = PositionOf(View());
    ExpectOneAnimation(animated, 0.5);
    EXPECT_GT(count.paints, 10) << "every pixel reached is shown";

    struct Case {
        const char* name;
        Setting setting;
    };
    for (const Case& c : {Case{"smooth movement off", Setting::SmoothMovement},
                          Case{"speed priority", Setting::QualityPriority}}) {
        SCOPED_TRACE(c.name);
        GoTo(View(), start);
        options.Set(c.setting, 0);
        const double jump = Seconds([&] {
            window_->SmoothMove(distance, 0.5);
            Settle();
        });
        EXPECT_LT(jump, 0.006) << "one repaint";
        EXPECT_EQ(PositionOf(View()), afterAnimation);
        options.Set(c.setting, 1);
    }

    // Num / switches the priority; without the keypad the key is no command.
    Press(window_->Surface(), Qt::Key_Slash, Qt::KeypadModifier);
    EXPECT_FALSE(options.IsSet(Setting::QualityPriority));
    Press(window_->Surface(), Qt::Key_Slash);
    EXPECT_FALSE(options.IsSet(Setting::QualityPriority));
    Press(window_->Surface(), Qt::Key_Slash, Qt::KeypadModifier);
    EXPECT_TRUE(options.IsSet(Setting::QualityPriority));
}

TEST_F(ReaderCommandsTest, OneWheelNotchMovesItsLinesInOneLineAnimation) {
    QApplication::setWheelScrollLines(3);
    const Position start = Middle();
    // Where three line moves take the text.
    window_->Options().Set(Setting::SmoothMovement, 0);
    for (int i = 0; i < 3; ++i) window_->LineDown();
    const Position threeLines = PositionOf(View());
    window_->Options().Set(Setting::SmoothMovement, 1);
    GoTo(View(), start);

    const double down = Seconds([&] { Wheel(window_->Surface(), -120); });
    EXPECT_EQ(PositionOf(View()), threeLines);
    ExpectOneAnimation(down, 0.125);

    // Half notches add up; away from the reader the text goes back.
    Wheel(window_->Surface(), 60);
    EXPECT_EQ(PositionOf(View()), threeLines);
    const double up = Seconds([&] { Wheel(window_->Surface(), 60); });
    EXPECT_EQ(PositionOf(View()).offset, start.offset);
    ExpectOneAnimation(up, 0.125);
}

TEST_F(ReaderCommandsTest, PageTurnsPastEitherEndEmptyThePageAndTheOtherWayBringsItBack) {
    TVEMScroll& surface = window_->Surface();
    // At the end Page Down moves the last line off the top; at the start Page Up moves the first
    // line off the bottom.
    struct Case {
        const char* name;
        int end;
        int away;
        int back;
    };
    for (const Case& c : {Case{"end", Qt::Key_End, Qt::Key_PageDown, Qt::Key_PageUp},
                          Case{"start", Qt::Key_Home, Qt::Key_PageUp, Qt::Key_PageDown}}) {
        SCOPED_TRACE(c.name);
        Press(surface, c.end);
        const bool atEnd = c.end == Qt::Key_End;
        const VEMRenderLineObject* edge = atEnd ? View().lastUnit->lastLine : View().firstUnit->firstLine;
        const double away = Seconds([&] { Press(surface, c.away); });
        EXPECT_TRUE(View().screenLines.empty());
        ExpectOneAnimation(away, 0.5);
        Press(surface, c.back);
        ASSERT_FALSE(View().screenLines.empty());
        EXPECT_EQ(atEnd ? View().screenLines.back().line : View().screenLines.front().line, edge);
    }
}

TEST_F(ReaderCommandsTest, HomeAndEndKeepThePlaceLeftOnceEach) {
    TVEMScroll& surface = window_->Surface();
    const Position middle = Middle();
    const int64_t middleLine = View().screenLines.front().line->startOffset;
    Press(surface, Qt::Key_End);
    const int64_t endPage = View().screenLines.front().line->startOffset;
    Press(surface, Qt::Key_End);
    Press(surface, Qt::Key_Home);
    Press(surface, Qt::Key_Home);
    Press(surface, Qt::Key_Home);
    GoTo(View(), middle);
    Press(surface, Qt::Key_Home);

    std::vector<int64_t> positions;
    for (const Bookmark& entry : window_->Bookmarks().Entries()) positions.push_back(entry.position);
    const int64_t start = View().screenLines.front().line->startOffset;
    EXPECT_EQ(positions, (std::vector<int64_t>{start, middleLine, endPage}));
    EXPECT_FALSE(window_->Bookmarks().Entries()[1].label.empty());
}

TEST_F(ReaderCommandsTest, ACtrlDragOverTheWholeHeightSpansTheBook) {
    TVEMScroll& surface = window_->Surface();
    BookDocument document;
    ASSERT_EQ(document.Open(book_), VerdictKind::Ok);
    const BookHeader header = document.Header();
    document.Close();
    const int64_t span = header.textEnd - header.textStart;
    const int height = surface.height();
    const int64_t step = span / height;

    Mouse(surface, QEvent::MouseButtonPress, 0, Qt::LeftButton, Qt::LeftButton);
    const Position pressed = PositionOf(View());
    // Half way down: the line holding the offset the mouse points at stands where the top line
    // stood.
    Mouse(surface, QEvent::MouseMove, height / 2, Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
    const VEMRenderLineObject* line = LineHolding(View(), pressed.offset + step * (height / 2));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->y, pressed.row);
    // All the way down: the book's last line is on the page.
    Mouse(surface, QEvent::MouseMove, height, Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
    ASSERT_FALSE(View().screenLines.empty());
    EXPECT_TRUE(View().lastUnit->isLast);
    EXPECT_EQ(View().screenLines.back().line, View().lastUnit->lastLine);
    Mouse(surface, QEvent::MouseMove, 0, Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(PositionOf(View()), pressed);

    // Released, the mouse moves nothing.
    Mouse(surface, QEvent::MouseButtonRelease, 0, Qt::LeftButton, Qt::NoButton);
    Mouse(surface, QEvent::MouseMove, height, Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(PositionOf(View()), pressed);
}

TEST_F(ReaderCommandsTest, APlainDragMovesFivePixelsPerPixelTheOtherWay) {
    TVEMScroll& surface = window_->Surface();
    Middle();
    const VEMRenderLineObject* line = View().screenLines.back().line;
    const int32_t row = line->y;
    Mouse(surface, QEvent::MouseButtonPress, 200, Qt::LeftButton, Qt::LeftButton);
    const double animated =
        Seconds([&] { Mouse(surface, QEvent::MouseMove, 196, Qt::NoButton, Qt::LeftButton); });
    EXPECT_EQ(line->y, row + 20);
    ExpectOneAnimation(animated, 0.1);
    const double shifted = Seconds(
        [&] { Mouse(surface, QEvent::MouseMove, 200, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier); });
    EXPECT_EQ(line->y, row);
    EXPECT_LT(shifted, 0.001);
}

TEST_F(ReaderCommandsTest, TheOriginalTextUsesAFixedFontAndGivesTheFormattingBack) {
    VEMOptions& options = window_->Options();
    options.Set(Setting::TextFormatting, 1);
    window_->SetOriginalText(true);
    EXPECT_EQ(options.Get(Setting::TextFormatting), 2);
    EXPECT_FALSE(options.IsSet(Setting::Proportional));
    window_->SetOriginalText(false);
    EXPECT_EQ(options.Get(Setting::TextFormatting), 1);
    EXPECT_TRUE(options.IsSet(Setting::Proportional));
}

TEST_F(ReaderCommandsTest, BookmarksSurviveSavingAndReopening) {
    Middle();
    window_->AddBookmark();
    window_->GoHome();  // keeps the middle once more, which changes nothing
    window_->NextPage();
    window_->AddBookmark();  // the first page
    // With the end gone from the page the place is the text's last offset, which has no words:
    // such a bookmark is not kept.
    window_->GoEnd();
    window_->NextPage();
    ASSERT_TRUE(View().screenLines.empty());
    window_->AddBookmark();
    const std::vector<Bookmark> before = window_->Bookmarks().Entries();
    ASSERT_EQ(before.size(), 3u);
    EXPECT_TRUE(before.back().label.empty());
    window_->CloseBook();
    EXPECT_TRUE(window_->Bookmarks().Empty());

    {
        BookDocument document;
        ASSERT_EQ(document.Open(book_), VerdictKind::Ok);
        EXPECT_EQ(before.back().position, document.Header().textEnd - 1);
        VEMOpt* record = document.Store().Find(kTagBookmarks);
        ASSERT_NE(record, nullptr);
        ASSERT_EQ(record->ChildCount(), 3);
        int32_t key = 0;
        for (VEMOpt* entry = record->First(); entry; entry = record->Next(entry), ++key) {
            EXPECT_EQ(int32_t(entry->Key()), key);
            const std::string value = entry->Value();
            const int32_t position =
                int32_t(uint32_t(uint8_t(value[0])) | uint32_t(uint8_t(value[1])) << 8 |
                        uint32_t(uint8_t(value[2])) << 16 | uint32_t(uint8_t(value[3])) << 24);
            EXPECT_EQ(position, before[size_t(key)].position);
            EXPECT_EQ(value.size(), 4 + 2 * before[size_t(key)].label.size());
        }
    }

    ASSERT_EQ(window_->OpenBook(book_), 0);
    const std::vector<Bookmark>& after = window_->Bookmarks().Entries();
    ASSERT_EQ(after.size(), 2u);
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].position, before[i].position);
        EXPECT_EQ(after[i].label, before[i].label);
    }
    // Removing them all removes the record at the next save.
    window_->Bookmarks().Clear();
    window_->CloseBook();
    BookDocument document;
    ASSERT_EQ(document.Open(book_), VerdictKind::Ok);
    EXPECT_EQ(document.Store().Find(kTagBookmarks), nullptr);
}

}  // namespace
}  // namespace corvalin
