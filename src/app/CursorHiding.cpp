#include "app/CursorHiding.h"

#include <QCursor>
#include <QWidget>

namespace corvalin {
namespace {

CursorPoint ScreenCursor() {
    const QPoint pos = QCursor::pos();
    return {pos.x(), pos.y()};
}

}  // namespace

CursorHiding::CursorHiding(PerfTiming& timing, CursorPoint position)
    : idle_(timing), lastCursorPos_(position) {}

CursorAction CursorHiding::Check(CursorPoint position, bool autoScrollOn) {
    if (position != lastCursorPos_) {
        idle_.Restart();
        lastCursorPos_ = position;
        if (cursorShown_) return CursorAction::None;
        cursorShown_ = true;
        return CursorAction::Show;
    }
    if (!cursorShown_) return CursorAction::None;
    const long double idleSeconds = idle_.Elapsed();
    if (idleSeconds > kIdleSeconds || (autoScrollOn && idleSeconds > kIdleSecondsWhileMoving)) {
        cursorShown_ = false;
        return CursorAction::Hide;
    }
    return CursorAction::None;
}

WidgetCursorHiding::WidgetCursorHiding(QWidget& widget, PerfTiming& timing)
    : widget_(widget), rule_(timing, ScreenCursor()) {}

void WidgetCursorHiding::Check(bool autoScrollOn) {
    switch (rule_.Check(ScreenCursor(), autoScrollOn)) {
        case CursorAction::Hide:
            widget_.setCursor(Qt::BlankCursor);
            break;
        case CursorAction::Show:
            widget_.unsetCursor();
            break;
        case CursorAction::None:
            break;
    }
}

}  // namespace corvalin
