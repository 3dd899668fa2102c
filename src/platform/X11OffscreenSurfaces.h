#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <memory>
#include <vector>

class QWidget;

namespace corvalin {

// One off-screen page image of the "Direct X" presentation: a pixmap in the X server, as large
// as the reading surface, holding the page drawn at one sub-pixel phase.
struct VEM_DDraw_Surface {
    uint32_t pixmap = 0;
};

// The off-screen page images of the reading surface and the copies between them and the
// screen, all inside the X server: shifting an image is a copy of the pixmap onto itself,
// drawing rows is a put into the pixmap, and showing it is a copy from the pixmap to the
// surface's window. Only the rows that change travel from the program to the server.
//
// Exists only on an X11 display whose pixels are 32-bit true colour words 0x00RRGGBB (what
// every 24-bit X server uses); elsewhere ForSurface gives nothing and the mode stays inactive.
class VEM_DDraw {
public:
    // Null when the application does not run on X11.
    static std::unique_ptr<VEM_DDraw> ForSurface(QWidget& surface);
    ~VEM_DDraw();
    VEM_DDraw(const VEM_DDraw&) = delete;
    VEM_DDraw& operator=(const VEM_DDraw&) = delete;

    // Makes up to `count` images of the surface's present size, stopping at the first the
    // server refuses; returns how many exist (0 when the display cannot hold them).
    int32_t Create(int32_t count);
    // Frees every image.
    void Release();
    int32_t SurfaceCount() const { return int32_t(surfaces_.size()); }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // Makes the images again when the surface has changed size. True while they keep their
    // pictures; false when they were made anew (their contents are gone, and fewer may exist).
    bool FitSurface();

    // Incremented around every copy to the screen; the tool bar displays paint nothing while
    // it is above zero.
    int32_t Busy() const { return busy_; }

    // Rows [top, top + rows) of image `surface` from 24-bit pixels (blue, green, red), `stride`
    // bytes from one row to the next, Width() pixels each.
    bool PutRows(int32_t surface, const uint8_t* bgr, int32_t stride, int32_t top, int32_t rows);
    // The rectangle of image `surface` moved by dy rows inside itself (dy < 0: up); the rows it
    // uncovers keep what they held.
    bool ScrollSurface(int32_t surface, int32_t dy, const QRect& rect);
    // The rectangle of image `surface` to the same place in the surface's window. False, with
    // nothing shown, when the window cannot take it (not made yet, another depth or scale).
    bool BlitToPrimary(int32_t surface, const QRect& rect);
    // Sends what is buffered to the server.
    void Flush();

    // The image as the server holds it (a round trip; for tests and diagnostics).
    QImage ReadBack(int32_t surface) const;

private:
    VEM_DDraw(QWidget& widget, void* connection);
    bool MakeSurfaces(int32_t count);
    void FreeSurfaces();
    // The surface's window when it can be drawn on with the images; 0 otherwise.
    uint32_t Window();

    QWidget& widget_;
    void* connection_;
    std::vector<VEM_DDraw_Surface> surfaces_;
    int32_t requested_ = 0;
    uint32_t gc_ = 0;
    uint32_t drawable_ = 0;  // what the images were made for: the window, or the screen's root
    uint8_t depth_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t busy_ = 0;
    // The window last checked: the same depth as the images, or not.
    uint32_t checkedWindow_ = 0;
    bool windowUsable_ = false;
    std::vector<uint32_t> words_;  // pixels on their way to the server
};

}  // namespace corvalin
