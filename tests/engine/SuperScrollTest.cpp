// Super Scroll: which off-screen images a level uses, when its sub-steps fall due, and the order
// in which a step draws, moves and shows them.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "engine/EngineRig.h"
#include "engine/SuperScroll.h"

namespace corvalin {
namespace {

using test::EngineRig;
using test::kNsPerMs;

TEST(SuperScroll, PhaseTablesByLevelAndFactor) {
    struct Row {
        const char* name;
        int32_t level;
        int32_t factor;
        int32_t count;
        std::array<SuperScrollSlot, 4> slots;  // the first `count` are compared
    };
    const Row rows[] = {
        {"QuartersAt4x4", 3, 4, 4, {{{0, 0}, {1, 1}, {2, 2}, {3, 3}}}},
        {"ThirdsAt3x3", 2, 3, 3, {{{0, 0}, {1, 1}, {2, 2}}}},
        {"HalvesAt2x2", 1, 2, 2, {{{0, 0}, {1, 1}}}},
        {"HalvesAt4x4UseImageAndPhaseTwo", 1, 4, 2, {{{0, 0}, {2, 2}}}},
        {"LevelTwoAt4x4IsNoPair", 2, 4, 1, {}},
        {"LevelThreeAt3x3IsNoPair", 3, 3, 1, {}},
        {"Disabled", 0, 4, 1, {}},
        {"NoSupersampling", 1, 1, 1, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const SuperScrollPhases table = SuperScrollPhaseTable(row.level, row.factor);
        ASSERT_EQ(table.count, row.count);
        for (int32_t j = 0; j < row.count; ++j) {
            EXPECT_EQ(table.sequence[size_t(j)].surface, row.slots[size_t(j)].surface) << j;
            EXPECT_EQ(table.sequence[size_t(j)].phase, row.slots[size_t(j)].phase) << j;
        }
    }
}

TEST(SuperScroll, SubStepsFallDueAtEvenFractionsOfThePeriod) {
    EXPECT_EQ(SubStepDue(1000, 10'000'000, 1, 4), 1000 + 2'500'000);
    EXPECT_EQ(SubStepDue(1000, 10'000'000, 3, 4), 1000 + 7'500'000);
    EXPECT_EQ(SubStepDue(0, 10, 1, 3), 3);  // integer arithmetic, truncated
    EXPECT_EQ(SubStepDue(0, 10, 2, 3), 6);
    // A period near the 64-bit limit does not overflow the product.
    const int64_t huge = int64_t(1) << 62;
    EXPECT_EQ(SubStepDue(0, huge, 3, 4), huge / 4 * 3);
}

// Images as numbers: each holds the text position it was last drawn at (in 1/4 pixels, the
// finest phase), so what a show puts on the screen can be read off as a position.
class CountingSurfaces final : public PhaseSurfaces {
public:
    explicit CountingSurfaces(test::SimulatedTime& time) : time_(time) {}

    bool SurfaceValid(int32_t surface) const override { return valid[size_t(surface)]; }
    void DrawSurface(int32_t surface, int32_t phase) override {
        drawnAt[size_t(surface)] = 4 * layoutRow - phase * 4 / factor;
        valid[size_t(surface)] = true;
        events.push_back("draw " + std::to_string(surface));
    }
    void ShiftLayoutUp() override {
        --layoutRow;
        events.push_back("shift");
    }
    void ShowSurface(int32_t surface) override {
        shown.push_back(drawnAt[size_t(surface)]);
        shownAt.push_back(time_.Now());
        events.push_back("show " + std::to_string(surface));
    }
    void ScrollSurfaceUp(int32_t surface, int32_t phase) override {
        drawnAt[size_t(surface)] = 4 * layoutRow - phase * 4 / factor;
        events.push_back("scroll " + std::to_string(surface));
    }

    int32_t factor = 4;
    int32_t layoutRow = 100;
    std::array<bool, 4> valid{};
    std::array<int32_t, 4> drawnAt{};
    std::vector<int32_t> shown;
    std::vector<int64_t> shownAt;
    std::vector<std::string> events;

private:
    test::SimulatedTime& time_;
};

TEST(SuperScroll, AStepShowsEvenSubPositionsOnTimeThenKeepsTheImagesCurrent) {
    constexpr int64_t kPeriod = 10 * kNsPerMs;  // 100 lines per second
    EngineRig rig;
    rig.timing.CalibrateTimer();
    CountingSurfaces surfaces(rig.time);
    const SuperScrollPhases phases = SuperScrollPhaseTable(3, 4);
    auto wait = [&](int64_t deadline) { rig.engine.WaitWithBackground(deadline); };

    const int64_t t0 = rig.time.Now();
    EXPECT_EQ(RunSuperScrollStep(surfaces, phases, t0, kPeriod, kPeriod, wait), 3);
    // The invalid images are drawn whole first, at the old position.
    EXPECT_EQ(surfaces.events[0], "draw 0");
    EXPECT_EQ(surfaces.events[3], "draw 3");
    EXPECT_EQ(surfaces.events[4], "shift");
    // From the old position (400 quarter pixels) a quarter pixel up per show, ending whole.
    EXPECT_EQ(surfaces.shown, (std::vector<int32_t>{399, 398, 397, 396}));
    ASSERT_EQ(surfaces.shownAt.size(), 4u);
    for (size_t j = 1; j < 4; ++j) {
        const int64_t due = SubStepDue(t0, kPeriod, int32_t(j), 4);
        EXPECT_GE(surfaces.shownAt[j], due) << j;
        EXPECT_LT(surfaces.shownAt[j], due + kNsPerMs) << j;  // a sleep's worth at most
    }
    // Every image now holds the new position at its phase; the next step starts from there.
    EXPECT_EQ(surfaces.drawnAt, (std::array<int32_t, 4>{396, 395, 394, 393}));
    surfaces.shown.clear();
    surfaces.events.clear();
    RunSuperScrollStep(surfaces, phases, t0 + kPeriod, kPeriod, kPeriod, wait);
    EXPECT_EQ(surfaces.shown, (std::vector<int32_t>{395, 394, 393, 392}));
    EXPECT_EQ(surfaces.events.front(), "shift");  // nothing drawn whole again
}

TEST(SuperScroll, HalfPixelsAt4x4ShowImageTwoBetweenWholeSteps) {
    EngineRig rig;
    rig.timing.CalibrateTimer();
    CountingSurfaces surfaces(rig.time);
    auto wait = [&](int64_t deadline) { rig.engine.WaitWithBackground(deadline); };
    const int64_t t0 = rig.time.Now();
    EXPECT_EQ(
        RunSuperScrollStep(surfaces, SuperScrollPhaseTable(1, 4), t0, 20 * kNsPerMs, 20 * kNsPerMs, wait), 1);
    EXPECT_EQ(surfaces.shown, (std::vector<int32_t>{398, 396}));
    EXPECT_EQ(surfaces.events, (std::vector<std::string>{"draw 0", "draw 2", "shift", "show 2", "scroll 0",
                                                         "show 0", "scroll 2"}));
    EXPECT_FALSE(surfaces.valid[1]);
    EXPECT_FALSE(surfaces.valid[3]);
}

TEST(SuperScroll, AboveTheLimitEachStepIsShownOnceWholeAndTheImagesStillMove) {
    constexpr int64_t kPeriod = 2 * kNsPerMs;        // 500 lines per second
    constexpr int64_t kLimitPeriod = 10 * kNsPerMs;  // Super Scroll up to 100
    EngineRig rig;
    rig.timing.CalibrateTimer();
    CountingSurfaces surfaces(rig.time);
    auto wait = [&](int64_t deadline) { rig.engine.WaitWithBackground(deadline); };
    const int64_t t0 = rig.time.Now();
    EXPECT_EQ(RunSuperScrollStep(surfaces, SuperScrollPhaseTable(3, 4), t0, kPeriod, kLimitPeriod, wait), 0);
    EXPECT_EQ(surfaces.shown, (std::vector<int32_t>{396}));
    EXPECT_LT(surfaces.shownAt[0], t0 + kPeriod / 4);
    EXPECT_EQ(surfaces.drawnAt, (std::array<int32_t, 4>{396, 395, 394, 393}));
}

TEST(SuperScroll, WaitingForASubStepRendersAheadAndSleepsOnlyWhenIdle) {
    EngineRig rig;
    rig.timing.CalibrateTimer();
    const int64_t start = rig.time.Now();
    const int64_t deadline = start + 5 * kNsPerMs;
    // Busy: the background work fills the wait, no sleeping.
    rig.view.busyCostNs = 100'000;
    const int64_t sleptBefore = rig.time.SleptNs();
    rig.engine.WaitWithBackground(deadline);
    EXPECT_GE(rig.time.Now(), deadline);
    EXPECT_LT(rig.time.Now(), deadline + 200'000);
    EXPECT_EQ(rig.time.SleptNs(), sleptBefore);
    // Idle: the wait is slept.
    rig.view.busyCostNs = 0;
    const int64_t next = rig.time.Now() + 5 * kNsPerMs;
    rig.engine.WaitWithBackground(next);
    EXPECT_GE(rig.time.Now(), next);
    EXPECT_GT(rig.time.SleptNs(), sleptBefore + 3 * kNsPerMs);
    // A deadline already passed returns at once.
    const int64_t now = rig.time.Now();
    rig.engine.WaitWithBackground(now - 1);
    EXPECT_LT(rig.time.Now(), now + 100'000);
}

}  // namespace
}  // namespace corvalin
