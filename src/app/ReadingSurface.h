#pragma once

#include <QWidget>
#include <functional>

class QKeyEvent;
class QMouseEvent;
class QPainter;
class QPaintEvent;
class QRect;
class QResizeEvent;
class QWheelEvent;

namespace corvalin {

// The reading surface. It draws nothing of its own: the main window plugs in the painting of
// the page, the keys and the reaction to a new size, so that the view and the book stay with
// the window that owns them.
class TVEMScroll : public QWidget {
public:
    explicit TVEMScroll(QWidget* parent = nullptr);

    // Paints `rect` of the surface (the painter is clipped to what needs painting).
    std::function<void(QPainter&, const QRect&)> OnPaint;
    // Returns whether the key was a command; others go on to the window.
    std::function<bool(QKeyEvent&)> OnKeyDown;
    std::function<void()> OnResize;
    // After the surface has taken the focus.
    std::function<void(QMouseEvent&)> OnMouseDown;
    std::function<void(QMouseEvent&)> OnMouseUp;
    std::function<void(QMouseEvent&)> OnMouseMove;
    std::function<void(QWheelEvent&)> OnWheel;

    bool Focused() const { return hasFocus(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The arrows, Tab and the like are reading commands here, never focus moves.
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

}  // namespace corvalin
