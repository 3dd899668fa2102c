// The speed gauge and the information bar on the tool bar: what they show, and where their
// clicks, the wheel and the hint go.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTime>
#include <QWheelEvent>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>

#include "app/HintWindow.h"
#include "app/InformationBar.h"
#include "app/MainWindow.h"
#include "app/ReadingSurface.h"
#include "app/SpeedGauge.h"
#include "app/ToolBar.h"
#include "app/WindowFixture.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::Settle;

// Records where the gauge sends the reader instead of opening the dialog.
class GaugeWindow : public test::QuietReaderWindow {
public:
    using QuietReaderWindow::QuietReaderWindow;
    std::vector<double> percentPrefills;

    void GoToPercentDialog(double prefill) override { percentPrefills.push_back(prefill); }
};

void Click(QWidget& widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent press(QEvent::MouseButtonPress, at, widget.mapToGlobal(at), button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget.mapToGlobal(at), button, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &release);
}

void Wheel(QWidget& widget, int delta) {
    const QPointF at(5, 5);
    QWheelEvent event(at, widget.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&widget, &event);
}

int64_t TopOffset(const VEMRenderParag& view) {
    int64_t offset = 0;
    int32_t row = 0;
    view.GetPosition(offset, row);
    return offset;
}

// Pixels of the displays' green in a picture of a display.
int GreenPixels(const QImage& picture) {
    int green = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            if (qGreen(p) > 0xB0 && qRed(p) < 0x40 && qBlue(p) < 0x40) ++green;
        }
    return green;
}

class ToolBarDisplaysTest : public test::GuideBookTest {
protected:
    // The guide open in a window wide enough for the book's data beside the clock.
    void Open(GaugeWindow& window, int width = 1400) {
        window.FirstStart(book_);
        window.showNormal();
        window.resize(width, 700);
        Settle();
    }
};

TEST_F(ToolBarDisplaysTest, PositionClockAndTheBooksDataAreShown) {
    GaugeWindow window(folder_.path());
    Open(window);
    SpeedGauge& gauge = window.ToolBar().Gauge();
    InformationBar& bar = window.ToolBar().InfoBar();
    EXPECT_EQ(gauge.size(), QSize(228, 30));
    const QImage gaugePicture = gauge.grab().toImage();
    EXPECT_EQ(gauge.PositionShown(), "0.0%");
    EXPECT_GT(GreenPixels(gaugePicture), 100);  // the glyph digits
    EXPECT_EQ(gauge.Readout(), GaugeReadout::Nothing);

    const QString before = QTime::currentTime().toString("h:mm");
    bar.grab();
    const QString after = QTime::currentTime().toString("h:mm");
    EXPECT_TRUE(bar.ClockShown() == before || bar.ClockShown() == after) << bar.ClockShown().toStdString();
    EXPECT_FALSE(bar.ClockShown().startsWith('0'));
    ASSERT_TRUE(bar.Layout().bookShown);
    EXPECT_TRUE(bar.Layout().secondPairShown);
    EXPECT_EQ(bar.Values()[0], "Welcome.txt");
    EXPECT_EQ(
        bar.Values()[1].toLongLong(),
        int64_t(std::filesystem::file_size(std::string(CORVALIN_SOURCE_DIR) + "/data/samples/Welcome.txt")));

    // Further into the book the digits follow.
    window.GoEnd();
    gauge.grab();
    EXPECT_NE(gauge.PositionShown(), "0.0%");
    EXPECT_TRUE(gauge.PositionShown().endsWith('%'));
}

TEST_F(ToolBarDisplaysTest, TheSpeedShowsAfterPlusAndMinus) {
    GaugeWindow window(folder_.path());
    Open(window);
    SpeedGauge& gauge = window.ToolBar().Gauge();
    window.Options().Set(Setting::LinesPerSecond, 50);
    QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::NoModifier);
    QCoreApplication::sendEvent(&window.Surface(), &plus);
    gauge.grab();
    EXPECT_EQ(gauge.Readout(), GaugeReadout::SpeedSetting);
    EXPECT_EQ(gauge.UpperText(), window.Text("SpeedConst"));
    EXPECT_EQ(gauge.LowerText(), "51");

    window.Options().Set(Setting::ConstantSpeed, 0);
    window.Options().Set(Setting::CharsPerSecond, 30);
    QKeyEvent minus(QEvent::KeyPress, Qt::Key_Minus, Qt::NoModifier);
    QCoreApplication::sendEvent(&window.Surface(), &minus);
    gauge.grab();
    EXPECT_EQ(gauge.UpperText(), window.Text("SpeedVar"));
    EXPECT_EQ(gauge.LowerText(), "29");
}

TEST_F(ToolBarDisplaysTest, ANarrowBarShowsOnlyTheClock) {
    GaugeWindow window(folder_.path());
    Open(window, 640);
    InformationBar& bar = window.ToolBar().InfoBar();
    bar.grab();
    EXPECT_FALSE(bar.ClockShown().isEmpty());
    EXPECT_FALSE(bar.Layout().bookShown);
    window.resize(1000, 700);
    Settle();
    bar.grab();
    EXPECT_TRUE(bar.Layout().bookShown);
}

TEST_F(ToolBarDisplaysTest, GaugeClicksGoToPercentOrToTheMarks) {
    GaugeWindow window(folder_.path());
    Open(window);
    SpeedGauge& gauge = window.ToolBar().Gauge();
    VEMOptions& options = window.Options();
    options.Set(Setting::LinesPerSecond, 50);
    window.GoEnd();
    gauge.grab();
    ASSERT_FALSE(gauge.MarksShown());

    // Standing still, anywhere (the plus mark's place included) is go to percent, filled in
    // with the position shown.
    Click(gauge, QPoint(gauge.width() - 8, 6));
    Click(gauge, QPoint(20, 15), Qt::RightButton);
    ASSERT_EQ(window.percentPrefills.size(), 2u);
    const double shown = gauge.PositionShown().chopped(1).toDouble();
    EXPECT_DOUBLE_EQ(window.percentPrefills[0], shown);
    EXPECT_EQ(options.Get(Setting::LinesPerSecond), 50);

    // Moving: the marks speed up and slow down, and flash; elsewhere a click does nothing.
    window.GoHome();
    window.ToggleAutoScroll();
    const QImage moving = gauge.grab().toImage();
    ASSERT_TRUE(gauge.MarksShown());
    const QRect plusMark = gauge.PlusRect(), minusMark = gauge.MinusRect();
    EXPECT_EQ(plusMark.size(), QSize(12, 12));
    EXPECT_LT(plusMark.bottom(), minusMark.top());
    Click(gauge, plusMark.center());
    EXPECT_EQ(options.Get(Setting::LinesPerSecond), 51);
    const QImage flashed = gauge.grab().toImage();
    // Just after the click the mark's corner is light grey, not the tool bar.
    EXPECT_GT(qGray(flashed.pixel(plusMark.topLeft())), 100);
    EXPECT_LT(qGray(moving.pixel(plusMark.topLeft())), 100);
    Click(gauge, minusMark.center());
    Click(gauge, minusMark.center());
    EXPECT_EQ(options.Get(Setting::LinesPerSecond), 49);
    Click(gauge, QPoint(20, 15));
    EXPECT_EQ(options.Get(Setting::LinesPerSecond), 49);
    EXPECT_EQ(window.percentPrefills.size(), 2u);

    // Without a book there is nothing to go to.
    window.ToggleAutoScroll();
    window.CloseBook();
    gauge.grab();
    Click(gauge, QPoint(20, 15));
    EXPECT_EQ(window.percentPrefills.size(), 2u);
}

TEST_F(ToolBarDisplaysTest, TheGaugesHintIsThePositionWithFourDecimalsWhileTheTextStandsStill) {
    GaugeWindow window(folder_.path());
    Open(window);
    SpeedGauge& gauge = window.ToolBar().Gauge();
    TVEMHintWindow& hint = window.ToolBar().HintWindow();
    auto rest = [&] {
        QHelpEvent event(QEvent::ToolTip, QPoint(30, 10), gauge.mapToGlobal(QPoint(30, 10)));
        QCoreApplication::sendEvent(&gauge, &event);
    };
    window.GoEnd();
    rest();
    EXPECT_TRUE(hint.isVisible());
    EXPECT_EQ(hint.HintText(), gauge.PositionHint());
    EXPECT_TRUE(std::regex_match(hint.HintText().toStdString(), std::regex(R"(\d+\.\d{4}%)")));
    hint.hide();
    window.GoHome();
    window.ToggleAutoScroll();
    rest();
    EXPECT_FALSE(hint.isVisible());
}

TEST_F(ToolBarDisplaysTest, TheBarsClicksAndWheelTurnPages) {
    GaugeWindow window(folder_.path());
    Open(window);
    InformationBar& bar = window.ToolBar().InfoBar();
    VEMRenderParag& view = window.View();
    const int64_t first = TopOffset(view);
    Click(bar, QPoint(30, 10));
    const int64_t second = TopOffset(view);
    EXPECT_GT(second, first);
    Click(bar, QPoint(30, 10), Qt::RightButton);
    EXPECT_EQ(TopOffset(view), first);
    // Towards the reader is the next page, away the previous.
    Wheel(bar, -120);
    EXPECT_EQ(TopOffset(view), second);
    Wheel(bar, 60);
    EXPECT_EQ(TopOffset(view), second);  // half a notch waits for the other half
    Wheel(bar, 60);
    EXPECT_EQ(TopOffset(view), first);
    Click(bar, QPoint(30, 10), Qt::MiddleButton);
    EXPECT_TRUE(window.Options().AutoScrollOn());
    Click(bar, QPoint(30, 10), Qt::MiddleButton);
    EXPECT_FALSE(window.Options().AutoScrollOn());
}

// The reader's own figures of a run, for a script to check.
TEST(ReaderStatistics, ARunPrintsItsStepsFromTheSteadyStateOn) {
    test::TempDir folder;
    const auto reader = folder.path() / "corvalindestrum";
    std::filesystem::copy_file(CORVALIN_READER, reader);
    const std::string command =
        "QT_QPA_PLATFORM=offscreen " + reader.string() + " " + CORVALIN_SOURCE_DIR +
        "/data/samples/Welcome.txt --auto-scroll --quit-after 2.5 --statistics 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    EXPECT_EQ(pclose(pipe), 0);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(
        output, match,
        std::regex(R"(statistics: seconds (\d+\.\d\d) steps (\d+) late (\d+) substeps (\d+)\n)")))
        << output;
    const double seconds = std::stod(match[1]);
    EXPECT_GT(seconds, 0.0);
    // From one second after the movement started to the end at 2.5 s; the quit timer may fire a
    // little late while a turn of the loop runs, never the mark early.
    EXPECT_LT(seconds, 1.7);
    EXPECT_GT(std::stol(match[2]), 0);  // the factory 50 lines per second
    EXPECT_EQ(std::stol(match[4]), 0);  // no Super Scroll without the off-screen images
}

}  // namespace
}  // namespace corvalin
