#include "app/ReadingSurface.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

namespace corvalin {

TVEMScroll::TVEMScroll(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel is drawn by the page composition; Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(256, 256);
}

void TVEMScroll::paintEvent(QPaintEvent* event) {
    if (!isVisible() || !OnPaint) return;
    QPainter painter(this);
    OnPaint(painter, event->rect());
}

void TVEMScroll::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown && OnKeyDown(*event)) return;
    QWidget::keyPressEvent(event);
}

void TVEMScroll::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (OnResize) OnResize();
}

bool TVEMScroll::focusNextPrevChild(bool) { return false; }

void TVEMScroll::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (OnMouseDown) {
        OnMouseDown(*event);
        return;
    }
    QWidget::mousePressEvent(event);
}

void TVEMScroll::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseUp) {
        OnMouseUp(*event);
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TVEMScroll::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) {
        OnMouseMove(*event);
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void TVEMScroll::wheelEvent(QWheelEvent* event) {
    if (OnWheel) {
        OnWheel(*event);
        return;
    }
    QWidget::wheelEvent(event);
}

}  // namespace corvalin
