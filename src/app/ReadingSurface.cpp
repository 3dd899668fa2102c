#include "app/ReadingSurface.h"

#include <QKeyEvent>
#include <QPainter>

namespace corvalin {

TVEMScroll::TVEMScroll(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel is drawn by the page composition; Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(256, 256);
}

void TVEMScroll::paintEvent(QPaintEvent*) {
    if (!isVisible() || !OnPaint) return;
    QPainter painter(this);
    OnPaint(painter);
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
    QWidget::mousePressEvent(event);
}

}  // namespace corvalin
