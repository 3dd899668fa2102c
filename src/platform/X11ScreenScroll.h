#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <memory>

class QWidget;

namespace corvalin {

// The "Hardware" step on an X11 display: the surface's own window moves its pixels up a row
// inside the X server and receives only the row it uncovered, a few kilobytes per step.
//
// Qt's own scroll would copy the page twice in the server (into its backing pixmap and from there
// to the window) and wait for the server to finish before painting the next row, so one busy
// moment of the server delays the step after it. Because this path leaves Qt's backing store
// behind, every exposure of the window is answered with a whole repaint from the page picture.
class X11ScreenScroll : public QAbstractNativeEventFilter {
public:
    // Null when the application does not run on X11; the surface gets a native window of its own.
    static std::unique_ptr<X11ScreenScroll> ForSurface(QWidget& surface);
    ~X11ScreenScroll() override;

    // Moves the window's content up one row and puts `bgrRow` (`width` pixels, blue, green, red)
    // into its bottom row; the picture is `width` × `height`. False, with nothing sent, when the
    // window cannot take it this way (not created yet, another size, a pixel format other than
    // 32-bit true colour); the caller then goes through Qt.
    bool ScrollUp(const uint8_t* bgrRow, int32_t width, int32_t height);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Target;
    explicit X11ScreenScroll(QWidget& surface, void* connection);
    // The window as it is now; Qt creates a new one when the top-level window is recreated.
    const Target* CurrentTarget();

    QWidget& surface_;
    void* connection_;
    std::unique_ptr<Target> target_;
    std::unique_ptr<uint32_t[]> row_;
    int32_t rowCapacity_ = 0;
};

}  // namespace corvalin
