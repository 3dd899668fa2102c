#include "platform/X11ScreenScroll.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>

namespace corvalin {

struct X11ScreenScroll::Target {
    xcb_window_t window = XCB_NONE;
    xcb_gcontext_t gc = XCB_NONE;
    bool usable = false;  // 32-bit pixels holding 0x00RRGGBB
    uint8_t depth = 0;
};

namespace {

xcb_connection_t* Connection(void* connection) { return static_cast<xcb_connection_t*>(connection); }

// Whether pixels of `window` are 32-bit words 0x00RRGGBB in the client's byte order, which is
// what the one-row put sends. Asked once per window (two round trips).
bool HasPlainTrueColour(xcb_connection_t* c, xcb_window_t window, uint8_t& depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    bool usable = false;
    if (geometry && attributes) {
        depth = geometry->depth;
        bool thirtyTwoBits = false;
        for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem; xcb_format_next(&format))
            if (format.data->depth == depth) thirtyTwoBits = format.data->bits_per_pixel == 32;
        bool masks = false;
        for (auto screen = xcb_setup_roots_iterator(setup); screen.rem && !masks; xcb_screen_next(&screen))
            for (auto d = xcb_screen_allowed_depths_iterator(screen.data); d.rem && !masks;
                 xcb_depth_next(&d))
                for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                    if (v.data->visual_id == attributes->visual) {
                        masks = v.data->red_mask == 0xFF0000 && v.data->green_mask == 0xFF00 &&
                                v.data->blue_mask == 0xFF;
                        break;
                    }
        usable = thirtyTwoBits && masks && (depth == 24 || depth == 32);
    }
    std::free(geometry);
    std::free(attributes);
    return usable;
}

}  // namespace

std::unique_ptr<X11ScreenScroll> X11ScreenScroll::ForSurface(QWidget& surface) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return nullptr;
    // Only the surface needs a window of its own; its siblings stay as they are.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    surface.setAttribute(Qt::WA_NativeWindow);
    auto scroll = std::unique_ptr<X11ScreenScroll>(new X11ScreenScroll(surface, x11->connection()));
    QCoreApplication::instance()->installNativeEventFilter(scroll.get());
    return scroll;
}

X11ScreenScroll::X11ScreenScroll(QWidget& surface, void* connection)
    : surface_(surface), connection_(connection) {}

X11ScreenScroll::~X11ScreenScroll() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
    if (target_ && target_->gc != XCB_NONE) {
        xcb_free_gc(Connection(connection_), target_->gc);
        xcb_flush(Connection(connection_));
    }
}

const X11ScreenScroll::Target* X11ScreenScroll::CurrentTarget() {
    if (!surface_.testAttribute(Qt::WA_WState_Created)) return nullptr;
    const auto window = xcb_window_t(surface_.winId());
    if (window == XCB_NONE) return nullptr;
    if (target_ && target_->window == window) return target_.get();
    xcb_connection_t* c = Connection(connection_);
    if (target_ && target_->gc != XCB_NONE) xcb_free_gc(c, target_->gc);
    target_ = std::make_unique<Target>();
    target_->window = window;
    target_->usable = HasPlainTrueColour(c, window, target_->depth);
    if (target_->usable) {
        target_->gc = xcb_generate_id(c);
        // With exposures on, the server reports the parts it could not copy (the window was
        // partly covered); they are drawn again from the picture.
        const uint32_t values[] = {1};
        xcb_create_gc(c, target_->gc, window, XCB_GC_GRAPHICS_EXPOSURES, values);
    }
    return target_.get();
}

bool X11ScreenScroll::ScrollUp(const uint8_t* bgrRow, int32_t width, int32_t height) {
    if (surface_.devicePixelRatioF() != 1.0 || width != surface_.width() || height != surface_.height() ||
        width < 1 || height < 1)
        return false;
    const Target* target = CurrentTarget();
    if (!target || !target->usable) return false;
    if (rowCapacity_ < width) {
        row_ = std::make_unique<uint32_t[]>(size_t(width));
        rowCapacity_ = width;
    }
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t* pixel = bgrRow + 3 * x;
        row_[size_t(x)] = uint32_t(pixel[0]) | uint32_t(pixel[1]) << 8 | uint32_t(pixel[2]) << 16;
    }
    xcb_connection_t* c = Connection(connection_);
    if (height > 1)
        xcb_copy_area(c, target->window, target->window, target->gc, 0, 1, 0, 0, uint16_t(width),
                      uint16_t(height - 1));
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, target->window, target->gc, uint16_t(width), 1, 0,
                  int16_t(height - 1), 0, target->depth, uint32_t(width) * 4,
                  reinterpret_cast<const uint8_t*>(row_.get()));
    xcb_flush(c);
    return true;
}

bool X11ScreenScroll::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    // The surface's window as Qt names it now; earlier copies may have gone to another one.
    const auto current = xcb_window_t(surface_.internalWinId());
    const xcb_window_t copiedIn = target_ ? target_->window : XCB_NONE;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
        case XCB_EXPOSE:
            // Qt answers an exposure from its backing store, which these steps left behind: make
            // it paint the surface first. Qt still handles the event.
            if (current != XCB_NONE && reinterpret_cast<const xcb_expose_event_t*>(event)->window == current)
                surface_.update();
            return false;
        case XCB_GRAPHICS_EXPOSURE: {
            const xcb_drawable_t drawable =
                reinterpret_cast<const xcb_graphics_exposure_event_t*>(event)->drawable;
            if (drawable == XCB_NONE || (drawable != current && drawable != copiedIn)) return false;
            // Later steps have moved the damage since; the whole surface is drawn again.
            surface_.update();
            return true;
        }
        case XCB_NO_EXPOSURE: {
            // Sent for every copy that lost nothing.
            const xcb_drawable_t drawable = reinterpret_cast<const xcb_no_exposure_event_t*>(event)->drawable;
            return drawable != XCB_NONE && (drawable == current || drawable == copiedIn);
        }
        default:
            return false;
    }
}

}  // namespace corvalin
