// The reader's movement commands on the main window: pages, lines, the wheel, dragging, the
// ends of the book, and the toggles that change how the text is shown.
#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/BookmarksDialog.h"
#include "app/MainWindow.h"
#include "app/PercentDialog.h"
#include "app/ReadingSurface.h"
#include "app/SessionLoop.h"
#include "app/ToolBar.h"
#include "engine/TStopwatch.h"
#include "nav/PageCommands.h"

namespace corvalin {
namespace {

constexpr double kPageMoveSeconds = 0.5;
constexpr double kLineMoveSeconds = 0.125;
constexpr double kDragStepSeconds = 0.1;
// A plain drag moves the text this many pixels per pixel of the mouse, the other way round.
constexpr int32_t kDragFactor = 5;
constexpr int32_t kFormattingOriginal = 2;

// The distance of `lines` line moves in one direction. Each line is measured by moving there;
// the text then goes back, so that the caller moves it in one go.
int32_t MeasureLines(VEMRenderParag& view, int32_t lines, int32_t (*lineDistance)(const VEMRenderParag&)) {
    int32_t sum = 0;
    for (int32_t i = 0; i < lines; ++i) {
        const int32_t distance = lineDistance(view);
        ShiftText(view, distance);
        sum += distance;
    }
    ShiftText(view, -sum);
    return sum;
}

}  // namespace

bool TAA_Main::SmoothMovementOn() const {
    return options_.Effective(Setting::QualityPriority) != 0 &&
           options_.Effective(Setting::SmoothMovement) != 0;
}

QRect TAA_Main::UncoveredBand(int32_t pixels) const {
    const int32_t height =
        2 * session_.View().lineIntervalPx + session_.View().advanceReservePx + session_.View().rowHeightPx;
    return pixels > 0 ? QRect(0, 0, session_.View().pageWidthPx, height)
                      : QRect(0, session_.View().pageHeightPx - height, session_.View().pageWidthPx, height);
}

void TAA_Main::PresentMove(int32_t pixels, const QRect& rect) {
    ShiftText(session_.View(), pixels);
    picture_.Invalidate();
    surface_->repaint(rect);
}

void TAA_Main::SmoothMove(int32_t pixels, double seconds) {
    session_.View().pageTurnedMark = false;
    if (pixels == 0) return;
    if (!SmoothMovementOn()) {
        ShiftText(session_.View(), pixels);
        RedrawSurface();
        return;
    }
    // While the text moves, lines cut by the page edges pass through as they do under the
    // automatic movement; the last paint crops them again. The band the movement uncovers is
    // drawn first so that the first frames do not show it empty.
    const bool crop = session_.View().crop;
    const bool wasRunning = session_.View().autoRunning;
    session_.View().autoRunning = true;
    if (crop) PresentMove(0, UncoveredBand(pixels));

    const int32_t total = std::abs(pixels);
    const int32_t direction = pixels > 0 ? 1 : -1;
    const QRect page(0, 0, session_.View().pageWidthPx, session_.View().pageHeightPx);
    TStopwatch watch(timing_);
    int32_t done = 0;
    int32_t target = 0;
    // No messages are handled meanwhile: the automatic step and the animation never interleave.
    do {
        const long double part = watch.Elapsed() / seconds;
        target = part >= 1 ? total : int32_t(std::floor(part * total + 0.5L));
        if (target != done && loop_->CanAdvance(true)) PresentMove(direction * (target - done), page);
        done = target;
    } while (target < total);

    session_.View().autoRunning = wasRunning;
    if (crop) PresentMove(0, page);
}

void TAA_Main::NextPage() {
    // Two page turns in a row time the reader: the dwell stopwatch has run since the first.
    if (session_.View().pageTurnedMark) engine_->TakeManualSpeedSample();
    const int32_t distance = NextPageDistance(session_.View());
    SmoothMove(distance, kPageMoveSeconds);
    session_.View().pageTurnedMark = true;
    engine_->PageDwell().Restart();
}

void TAA_Main::PrevPage() { SmoothMove(PrevPageDistance(session_.View()), kPageMoveSeconds); }
void TAA_Main::LineDown() { SmoothMove(LineDownDistance(session_.View()), kLineMoveSeconds); }

void TAA_Main::LineUp() {
    // Keys already waiting go first, so that a held key does not queue up moves.
    QCoreApplication::processEvents();
    SmoothMove(LineUpDistance(session_.View()), kLineMoveSeconds);
}

void TAA_Main::ScrollLinesDown(int32_t lines) {
    SmoothMove(MeasureLines(session_.View(), lines, LineDownDistance), kLineMoveSeconds);
}

void TAA_Main::ScrollLinesUp(int32_t lines) {
    SmoothMove(MeasureLines(session_.View(), lines, LineUpDistance), kLineMoveSeconds);
}

void TAA_Main::AddBookmark() { session_.AddBookmark(); }

void TAA_Main::ShowBookmarks() {
    if (bookmarksWindow_->exec() == QDialog::Accepted)
        session_.GoToBookmark(bookmarksWindow_->SelectedPosition);
    // The window lay over the page.
    RedrawSurface();
}

void TAA_Main::GoToPercentDialog(double prefill) {
    if (!session_.BookOpen()) return;
    percentWindow_->SetPercentText(prefill);
    if (percentWindow_->exec() == QDialog::Accepted) session_.GoToPercent(percentWindow_->PercentValue());
    RedrawSurface();
}

void TAA_Main::GoHome() {
    if (!session_.BookOpen()) return;
    session_.GoHome();
    RedrawSurface();
}

void TAA_Main::GoEnd() {
    if (!session_.BookOpen()) return;
    session_.GoEnd();
    RedrawSurface();
}

void TAA_Main::TogglePriority() {
    options_.Set(Setting::QualityPriority, options_.IsSet(Setting::QualityPriority) ? 0 : 1);
}

void TAA_Main::SetOriginalText(bool on) {
    if (on == originalText_) return;
    originalText_ = on;
    // One update, so that the text is laid out once with both changes.
    options_.BeginUpdate();
    if (on) {
        FormattingBeforeOriginal = options_.Get(Setting::TextFormatting);
        options_.Set(Setting::TextFormatting, kFormattingOriginal);
        options_.Set(Setting::Proportional, 0);
    } else {
        options_.Set(Setting::TextFormatting, FormattingBeforeOriginal);
        options_.Set(Setting::Proportional, 1);
    }
    options_.EndUpdate();
}

void TAA_Main::FollowOriginalText() {
    const int32_t formatting = options_.Get(Setting::TextFormatting);
    originalText_ = formatting == kFormattingOriginal;
    // Releasing the button returns to the formatting chosen last, wherever it was chosen.
    if (!originalText_) FormattingBeforeOriginal = formatting;
    if (toolBar_)
        if (QAction* original = toolBar_->Button("ToolButtonOrig")) original->setChecked(originalText_);
}

void TAA_Main::SurfaceMouseDown(QMouseEvent& event) {
    if (event.button() == Qt::MiddleButton) {
        ToggleAutoScroll();
        return;
    }
    if (event.button() != Qt::LeftButton) return;
    DragLastY = int32_t(event.position().y());
    int64_t offset = 0;
    int32_t row = 0;
    session_.View().GetPosition(offset, row);
    DragStartPos = int32_t(offset);
    DragStartRow = row;
    DragActive = true;
}

void TAA_Main::SurfaceMouseUp(QMouseEvent& event) {
    if (event.button() == Qt::LeftButton) DragActive = false;
}

void TAA_Main::SurfaceMouseMove(QMouseEvent& event) {
    if (!(event.buttons() & Qt::LeftButton)) {
        DragActive = false;
        return;
    }
    if (!DragActive || !session_.BookOpen()) return;
    const int32_t y = int32_t(event.position().y());
    if (event.modifiers() & Qt::ControlModifier) {
        session_.DragThroughBook(DragStartPos, DragStartRow, y - DragLastY);
        RedrawSurface();
        return;
    }
    const int32_t distance = (DragLastY - y) * kDragFactor;
    if (distance != 0 && DragMayMove(session_.View(), distance)) {
        if (event.modifiers() & Qt::ShiftModifier) {
            ShiftText(session_.View(), distance);
            RedrawSurface();
        } else {
            SmoothMove(distance, kDragStepSeconds);
        }
    }
    DragLastY = y;
}

void TAA_Main::SurfaceWheel(QWheelEvent& event) {
    const int notches = wheelNotches_.Take(event);
    const int32_t lines = QApplication::wheelScrollLines();
    for (int i = 0; i < std::abs(notches); ++i) {
        // Turned towards the reader the wheel reports a negative delta and the text goes on.
        if (notches < 0)
            ScrollLinesDown(lines);
        else
            ScrollLinesUp(lines);
    }
    event.accept();
}

}  // namespace corvalin
