#include "platform/X11OffscreenSurfaces.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace corvalin {
namespace {

// The fixed part of a PutImage request, in bytes.
constexpr uint32_t kPutImageHeaderBytes = 24;

xcb_connection_t* Connection(void* connection) { return static_cast<xcb_connection_t*>(connection); }

// Whether pixels of `depth` with `visual` are 32-bit words 0x00RRGGBB in the client's byte
// order, the one format the rows are converted to.
bool PlainTrueColour(xcb_connection_t* c, uint8_t depth, xcb_visualid_t visual) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || (depth != 24 && depth != 32)) return false;
    bool thirtyTwoBits = false;
    for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem; xcb_format_next(&format))
        if (format.data->depth == depth) thirtyTwoBits = format.data->bits_per_pixel == 32;
    if (!thirtyTwoBits) return false;
    for (auto screen = xcb_setup_roots_iterator(setup); screen.rem; xcb_screen_next(&screen))
        for (auto d = xcb_screen_allowed_depths_iterator(screen.data); d.rem; xcb_depth_next(&d))
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->visual_id == visual)
                    return v.data->red_mask == 0xFF0000 && v.data->green_mask == 0xFF00 &&
                           v.data->blue_mask == 0xFF;
    return false;
}

// Depth and visual of a window (two round trips); false when the window is gone.
bool WindowFormat(xcb_connection_t* c, xcb_window_t window, uint8_t& depth, xcb_visualid_t& visual) {
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const bool ok = geometry && attributes;
    if (ok) {
        depth = geometry->depth;
        visual = attributes->visual;
    }
    std::free(geometry);
    std::free(attributes);
    return ok;
}

}  // namespace

std::unique_ptr<VEM_DDraw> VEM_DDraw::ForSurface(QWidget& surface) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return nullptr;
    return std::unique_ptr<VEM_DDraw>(new VEM_DDraw(surface, x11->connection()));
}

VEM_DDraw::VEM_DDraw(QWidget& widget, void* connection) : widget_(widget), connection_(connection) {}

VEM_DDraw::~VEM_DDraw() { Release(); }

int32_t VEM_DDraw::Create(int32_t count) {
    FreeSurfaces();
    requested_ = std::max(0, count);
    MakeSurfaces(requested_);
    return SurfaceCount();
}

void VEM_DDraw::Release() {
    FreeSurfaces();
    requested_ = 0;
}

bool VEM_DDraw::MakeSurfaces(int32_t count) {
    xcb_connection_t* c = Connection(connection_);
    width_ = std::clamp(widget_.width(), 1, 32767);
    height_ = std::clamp(widget_.height(), 1, 32767);
    // For the surface's own window when it exists, so the images share its depth; before it
    // exists, for the screen's root, whose depth Qt's windows take.
    xcb_drawable_t drawable = XCB_NONE;
    uint8_t depth = 0;
    xcb_visualid_t visual = 0;
    const auto window =
        xcb_window_t(widget_.testAttribute(Qt::WA_WState_Created) ? widget_.internalWinId() : 0);
    if (window == XCB_NONE || !WindowFormat(c, window, depth, visual)) {
        const xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(c));
        if (!screen.rem) return false;
        drawable = screen.data->root;
        depth = screen.data->root_depth;
        visual = screen.data->root_visual;
    } else {
        drawable = window;
    }
    if (!PlainTrueColour(c, depth, visual)) return false;
    drawable_ = drawable;
    depth_ = depth;

    for (int32_t k = 0; k < count; ++k) {
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        xcb_generic_error_t* error = xcb_request_check(
            c, xcb_create_pixmap_checked(c, depth, pixmap, drawable, uint16_t(width_), uint16_t(height_)));
        if (error) {
            // Out of server memory, most likely: the images made so far are what there is.
            std::free(error);
            break;
        }
        surfaces_.push_back({pixmap});
    }
    if (surfaces_.empty()) return false;
    gc_ = xcb_generate_id(c);
    // Copies between pixmaps never lose pixels, so the server need not report exposures.
    const uint32_t values[] = {0};
    xcb_create_gc(c, gc_, surfaces_.front().pixmap, XCB_GC_GRAPHICS_EXPOSURES, values);
    checkedWindow_ = 0;
    return true;
}

void VEM_DDraw::FreeSurfaces() {
    xcb_connection_t* c = Connection(connection_);
    const bool any = !surfaces_.empty() || gc_ != 0;
    for (const VEM_DDraw_Surface& surface : surfaces_) xcb_free_pixmap(c, surface.pixmap);
    surfaces_.clear();
    if (gc_ != 0) xcb_free_gc(c, gc_);
    gc_ = 0;
    checkedWindow_ = 0;
    if (any) xcb_flush(c);
}

bool VEM_DDraw::FitSurface() {
    if (widget_.width() == width_ && widget_.height() == height_) return true;
    FreeSurfaces();
    MakeSurfaces(requested_);
    return false;
}

uint32_t VEM_DDraw::Window() {
    if (surfaces_.empty() || !widget_.testAttribute(Qt::WA_WState_Created)) return 0;
    if (widget_.devicePixelRatioF() != 1.0 || widget_.width() != width_ || widget_.height() != height_)
        return 0;
    const auto window = xcb_window_t(widget_.internalWinId());
    if (window == XCB_NONE) return 0;
    // Qt makes a new window when it rebuilds the native windows; each is asked once.
    if (window != checkedWindow_) {
        checkedWindow_ = window;
        uint8_t depth = 0;
        xcb_visualid_t visual = 0;
        windowUsable_ = WindowFormat(Connection(connection_), window, depth, visual) && depth == depth_;
    }
    return windowUsable_ ? window : 0;
}

bool VEM_DDraw::PutRows(int32_t surface, const uint8_t* bgr, int32_t stride, int32_t top, int32_t rows) {
    if (surface < 0 || surface >= SurfaceCount() || !bgr || top < 0 || rows < 1 || top + rows > height_)
        return false;
    xcb_connection_t* c = Connection(connection_);
    const size_t width = size_t(width_);
    // As many rows per request as the server takes (with big requests, far more than a page).
    const int64_t maxBytes = int64_t(xcb_get_maximum_request_length(c)) * 4;
    const int32_t rowsPerRequest = int32_t(std::clamp<int64_t>(
        (maxBytes - int64_t(kPutImageHeaderBytes)) / int64_t(width * 4), 1, int64_t(height_)));
    for (int32_t done = 0; done < rows;) {
        const int32_t band = std::min(rows - done, rowsPerRequest);
        words_.resize(width * size_t(band));
        for (int32_t r = 0; r < band; ++r) {
            const uint8_t* pixel = bgr + ptrdiff_t(done + r) * stride;
            uint32_t* word = words_.data() + size_t(r) * width;
            for (size_t x = 0; x < width; ++x, pixel += 3)
                word[x] = uint32_t(pixel[0]) | uint32_t(pixel[1]) << 8 | uint32_t(pixel[2]) << 16;
        }
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, surfaces_[size_t(surface)].pixmap, gc_, uint16_t(width_),
                      uint16_t(band), 0, int16_t(top + done), 0, depth_, uint32_t(words_.size() * 4),
                      reinterpret_cast<const uint8_t*>(words_.data()));
        done += band;
    }
    return true;
}

bool VEM_DDraw::ScrollSurface(int32_t surface, int32_t dy, const QRect& rect) {
    if (surface < 0 || surface >= SurfaceCount()) return false;
    const QRect area = rect.intersected(QRect(0, 0, width_, height_));
    if (dy == 0 || area.isEmpty() || std::abs(dy) >= area.height()) return true;
    const xcb_pixmap_t pixmap = surfaces_[size_t(surface)].pixmap;
    const int32_t rows = area.height() - std::abs(dy);
    const int32_t from = dy < 0 ? area.top() - dy : area.top();
    const int32_t to = dy < 0 ? area.top() : area.top() + dy;
    xcb_copy_area(Connection(connection_), pixmap, pixmap, gc_, int16_t(area.left()), int16_t(from),
                  int16_t(area.left()), int16_t(to), uint16_t(area.width()), uint16_t(rows));
    return true;
}

bool VEM_DDraw::BlitToPrimary(int32_t surface, const QRect& rect) {
    if (surface < 0 || surface >= SurfaceCount()) return false;
    const QRect area = rect.intersected(QRect(0, 0, width_, height_));
    if (area.isEmpty()) return true;
    const xcb_window_t window = Window();
    if (window == XCB_NONE) return false;
    ++busy_;
    xcb_connection_t* c = Connection(connection_);
    xcb_copy_area(c, surfaces_[size_t(surface)].pixmap, window, gc_, int16_t(area.left()),
                  int16_t(area.top()), int16_t(area.left()), int16_t(area.top()), uint16_t(area.width()),
                  uint16_t(area.height()));
    xcb_flush(c);
    --busy_;
    return true;
}

void VEM_DDraw::Flush() { xcb_flush(Connection(connection_)); }

QImage VEM_DDraw::ReadBack(int32_t surface) const {
    if (surface < 0 || surface >= SurfaceCount()) return {};
    xcb_connection_t* c = Connection(connection_);
    xcb_get_image_reply_t* reply =
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, surfaces_[size_t(surface)].pixmap, 0,
                                          0, uint16_t(width_), uint16_t(height_), ~0u),
                            nullptr);
    if (!reply) return {};
    QImage image(width_, height_, QImage::Format_RGB32);
    const uint8_t* data = xcb_get_image_data(reply);
    const size_t rowBytes = size_t(width_) * 4;
    if (size_t(xcb_get_image_data_length(reply)) >= rowBytes * size_t(height_))
        for (int32_t y = 0; y < height_; ++y)
            std::memcpy(image.scanLine(y), data + rowBytes * size_t(y), rowBytes);
    std::free(reply);
    // Only the colour bits count; the server may leave anything in the padding byte.
    for (int32_t y = 0; y < height_; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int32_t x = 0; x < width_; ++x) row[x] |= 0xFF000000u;
    }
    return image;
}

}  // namespace corvalin
