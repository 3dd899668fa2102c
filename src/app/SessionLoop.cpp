#include "app/SessionLoop.h"

#include <QCoreApplication>
#include <algorithm>

#include "app/MainWindow.h"
#include "render/BackgroundRenderer.h"
#include "render/GlyphCanvas.h"

namespace corvalin {

bool SessionLoop::CanAdvance(bool anyDirection) const {
    const VEMRenderParag& view = window_.view_;
    return window_.BookOpen() && view.firstUnit && view.CanAdvance(anyDirection);
}

void SessionLoop::PresentAutoStep() { window_.PresentAutoStep(); }

void SessionLoop::NextPage() { window_.NextPage(); }

bool SessionLoop::BackgroundStep(int64_t deadline) {
    if (!window_.BookOpen() || !window_.view_.firstUnit) return true;
    // The engine's counter is the steady clock in nanoseconds, the renderer's unit as well.
    return corvalin::BackgroundStep(window_.view_, deadline);
}

ScreenText SessionLoop::MeasureScreenText() const {
    const VEMRenderParag& view = window_.view_;
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
    VEMRenderParag& view = window_.view_;
    PageMetrics page;
    page.pageWidthPx = view.pageWidth;
    page.pageHeightPx = view.pageHeight;
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

void SessionLoop::LoopEnded() { window_.MainLoopEnded(); }

}  // namespace corvalin
