#include "app/SessionLoop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <algorithm>

#include "app/MainWindow.h"
#include "engine/ScrollEngine.h"
#include "engine/StepStatistics.h"
#include "engine/VEMTimer.h"
#include "raster/GlyphCanvas.h"
#include "render/BackgroundRenderer.h"

namespace corvalin {

SessionLoop::SessionLoop(TAA_Main& window) : window_(window) {}

SessionLoop::~SessionLoop() { StopStatisticsTimer(); }

bool SessionLoop::CanAdvance(bool anyDirection) const {
    const VEMRenderParag& view = window_.session_.View();
    return window_.BookOpen() && view.firstUnit && view.CanAdvance(anyDirection);
}

void SessionLoop::PresentAutoStep() { window_.PresentAutoStep(); }

void SessionLoop::NextPage() { window_.NextPage(); }

bool SessionLoop::BackgroundStep(int64_t deadline) {
    if (!window_.BookOpen() || !window_.session_.View().firstUnit) return true;
    // The engine's counter is the steady clock in nanoseconds, the renderer's unit as well.
    return corvalin::BackgroundStep(window_.session_.View(), deadline);
}

ScreenText SessionLoop::MeasureScreenText() const {
    const VEMRenderParag& view = window_.session_.View();
    ScreenText text;
    if (view.screenLines.empty()) return text;
    for (const VEMRenderScreenLine& screenLine : view.screenLines) {
        for (const VEMRenderWordObject* word = screenLine.line->firstWord; word; word = word->next)
            text.charCount += int64_t(word->text.size());
        text.charCount += 2;
    }
    const VEMRenderLineObject* first = view.screenLines.front().line;
    const VEMRenderLineObject* last = view.screenLines.back().line;
    text.extentPx = last->y + last->height - first->y;
    return text;
}

PageMetrics SessionLoop::MeasurePage() const {
    VEMRenderParag& view = window_.session_.View();
    PageMetrics page;
    page.pageWidthPx = view.pageWidthPx;
    page.pageHeightPx = view.pageHeightPx;
    if (view.canvas) {
        // The canvas holds the font scaled by the supersampling factor.
        const int32_t factor = std::max(view.aaFactor, 1);
        page.letterAWidthPx = view.canvas->Advance(u'A') / factor;
        page.letterAHeightPx = view.canvas->CellHeight() / factor;
    }
    return page;
}

void SessionLoop::ProcessMessages() { QCoreApplication::processEvents(); }

void SessionLoop::InvalidateSurface() { window_.RedrawSurface(); }

void SessionLoop::LoopStarted() { StartStatisticsTimer(); }

void SessionLoop::LoopEnded() {
    // Before the window closes: the close saves and may destroy the window, and the thread
    // must not be left waiting on a main thread that no longer serves it.
    window_.Engine().SetTimer(nullptr);
    StopStatisticsTimer();
    window_.MainLoopEnded();
}

void SessionLoop::StatisticsTick() {
    if (timerStopping_) return;
    window_.Engine().Statistics().TimerTimeTimer();
}

void SessionLoop::StartStatisticsTimer() {
    if (timer_) return;
    timerStopping_ = false;
    // The thread paces itself on the process's clock even when a test gives the window a
    // simulated one: that clock advances when slept on, and a second thread sleeping on it
    // would push the session's own time forward.
    timer_ = std::make_unique<VEMTimer>(
        ProcessTiming(), kStatisticsCatchUpLimit, [this] { StatisticsTick(); },
        [this](const VEMTimer::Callback& callback) {
            // The callback touches the loop's counters, which only the main thread may do;
            // blocking keeps the thread's pacing honest (one call at a time).
            QMetaObject::invokeMethod(&timerContext_, callback, Qt::BlockingQueuedConnection);
        });
    timer_->SetRate(kStatisticsTimerRate);
    // A statistics roll needs no sub-millisecond accuracy; spinning would cost a core.
    timer_->SetSpinNearDeadline(false);
    ScrollEngine& engine = window_.Engine();
    timer_->SetEnabled(engine.StepEnabled());
    engine.SetTimer(timer_.get());
    timer_->Start();
}

void SessionLoop::StopStatisticsTimer() {
    if (!timer_) return;
    timerStopping_ = true;
    timer_->RequestStop();
    // The thread leaves its loop only after a call it is blocked in has run here.
    while (timer_->Running()) {
        QCoreApplication::sendPostedEvents(&timerContext_, QEvent::MetaCall);
        ProcessTiming().Sleep();
    }
    timer_->Stop();
    timer_.reset();
    timerStopping_ = false;
}

}  // namespace corvalin
