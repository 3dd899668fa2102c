#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QObject>
#include <QPaintEvent>
#include <QPixmap>
#include <QRegion>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "app/MainWindow.h"
#include "app/ReadingSurface.h"
#include "render/PageComposition.h"

namespace corvalin::test {

// The X server answers and reports exposures in its own time; wait for them as a person would.
inline void SettleWithServer() {
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

inline void WaitUntilExposed(QWidget& widget) {
    for (int i = 0; i < 400; ++i) {
        if (widget.windowHandle() && widget.windowHandle()->isExposed()) return;
        SettleWithServer();
    }
}

// With a panel over part of the page: whether the panel's pixels stayed as they were `before`
// the steps, and whether every other pixel shows the page composed whole.
struct AroundPanel {
    bool panelKept = true;
    bool restShown = true;
};
inline AroundPanel CompareAroundPanel(const QImage& before, const QImage& after, const QImage& whole,
                                      const QRect& panel) {
    AroundPanel result;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            if (panel.contains(x, y))
                result.panelKept = result.panelKept && after.pixel(x, y) == before.pixel(x, y);
            else
                result.restShown = result.restShown && after.pixel(x, y) == whole.pixel(x, y);
        }
    return result;
}

// What the window system holds for the surface: the pixels the steps left there, not a fresh
// paint of them.
inline QImage OnScreen(TAA_Main& window) {
    TVEMScroll& surface = window.Surface();
    // From the whole screen at the surface's place: a window Qt has just created anew (full
    // screen changes its flags) may not be grabbed by its own id yet.
    const QPoint at = surface.mapToGlobal(QPoint(0, 0));
    return window.screen()
        ->grabWindow(0, at.x(), at.y(), surface.width(), surface.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The page composed whole at the view's present position.
inline QImage FullRepaint(VEMRenderParag& view) {
    QImage page(view.pageWidthPx, view.pageHeightPx, QImage::Format_BGR888);
    PixelImage image{page.bits(), view.pageWidthPx, view.pageHeightPx, int(page.bytesPerLine())};
    PaintView(view, image);
    return page.convertToFormat(QImage::Format_RGB32);
}

// The regions the surface is asked to paint.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget& widget) { widget.installEventFilter(this); }
    std::vector<QRegion> painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted.push_back(static_cast<QPaintEvent*>(event)->region());
        return false;
    }
};

// -1 when the pictures are the same, else the first row where they differ (or their height
// when the sizes differ), which says more on failure than two image objects do.
inline int FirstDifferentRow(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return std::max(a.height(), 0);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return y;
    return -1;
}

}  // namespace corvalin::test
