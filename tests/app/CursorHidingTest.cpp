#include <gtest/gtest.h>

#include <QCursor>
#include <QWidget>

#include "app/CursorHiding.h"
#include "engine/SimulatedTime.h"

namespace corvalin {
namespace {

using test::kNsPerMs;
using test::kNsPerSecond;

// The rule in simulated time: the clock moves only when the test says so (and by a few
// microseconds per reading, as a real counter does).
class CursorRule : public ::testing::Test {
protected:
    void Wait(int64_t ms) { time_.Advance(ms * kNsPerMs); }

    test::SimulatedTime time_;
    PerfTiming timing_{time_, time_};
    const CursorPoint here_{100, 200};
    const CursorPoint there_{101, 200};
};

TEST_F(CursorRule, HidesAfterTheIdleTimeOfTheMovementState) {
    struct Row {
        const char* name;
        bool autoScrollOn;
        int64_t stillMs;
        bool hidden;
    };
    const Row rows[] = {
        {"still 14.9 s", false, 14'900, false},
        {"still 15.1 s", false, 15'100, true},
        {"text moving, still 2.9 s", true, 2'900, false},
        {"text moving, still 3.1 s", true, 3'100, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CursorHiding rule(timing_, here_);
        Wait(row.stillMs);
        EXPECT_EQ(rule.Check(here_, row.autoScrollOn), row.hidden ? CursorAction::Hide : CursorAction::None);
        EXPECT_EQ(rule.CursorShown(), !row.hidden);
    }
}

TEST_F(CursorRule, AMovementRestartsTheIdleTime) {
    CursorHiding rule(timing_, here_);
    Wait(10'000);
    EXPECT_EQ(rule.Check(there_, false), CursorAction::None);
    Wait(10'000);  // 20 s since the start, but only 10 s since the movement
    EXPECT_EQ(rule.Check(there_, false), CursorAction::None);
    Wait(5'100);
    EXPECT_EQ(rule.Check(there_, false), CursorAction::Hide);
}

TEST_F(CursorRule, ComesBackOnTheFirstMovementAndHidesOnlyOnce) {
    CursorHiding rule(timing_, here_);
    Wait(3'100);
    ASSERT_EQ(rule.Check(here_, true), CursorAction::Hide);
    Wait(60'000);
    EXPECT_EQ(rule.Check(here_, true), CursorAction::None);
    EXPECT_FALSE(rule.CursorShown());

    EXPECT_EQ(rule.Check(there_, true), CursorAction::Show);
    EXPECT_TRUE(rule.CursorShown());
    // The idle time counts from that movement, not from the hiding.
    Wait(2'900);
    EXPECT_EQ(rule.Check(there_, true), CursorAction::None);
    Wait(200);
    EXPECT_EQ(rule.Check(there_, true), CursorAction::Hide);
}

TEST_F(CursorRule, MovementStartingAfterALongPauseHidesAtTheNextCheck) {
    CursorHiding rule(timing_, here_);
    Wait(5'000);
    EXPECT_EQ(rule.Check(here_, false), CursorAction::None);
    Wait(200);
    EXPECT_EQ(rule.Check(here_, true), CursorAction::Hide);
}

TEST_F(CursorRule, TheWidgetCursorIsBlankedAndGivenBack) {
    QWidget widget;
    widget.show();
    QCursor::setPos(300, 300);
    WidgetCursorHiding hiding(widget, timing_);
    Wait(15'100);
    hiding.Check(false);
    EXPECT_FALSE(hiding.CursorShown());
    EXPECT_EQ(widget.cursor().shape(), Qt::BlankCursor);

    QCursor::setPos(310, 305);
    hiding.Check(false);
    EXPECT_TRUE(hiding.CursorShown());
    EXPECT_EQ(widget.cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
}  // namespace corvalin
