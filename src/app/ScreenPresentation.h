#pragma once

#include <QRect>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/SuperScroll.h"
#include "platform/X11OffscreenSurfaces.h"

class QWidget;

namespace corvalin {

class PagePicture;
class ScrollEngine;
class VEMRenderParag;

// The "Direct X" scroll mode: one off-screen page image per sub-pixel phase, kept in the X
// server (VEM_DDraw). An automatic step shifts each image up a row inside itself, draws its new
// bottom row and copies the image to the screen; with "Super Scroll" the step is shown as several
// sub-pixel positions at even times within its period. The page picture of the surface stays
// current as well, so that whatever Qt paints (an exposure) matches what the images show.
//
// An image is valid from its whole drawing until the picture is composed whole or dropped (the
// text moved other than by a step, or the settings changed), the surface moves on the screen, or
// the mode is left; the next step draws an invalid image whole.
class ScreenPresentation final : public PhaseSurfaces {
public:
    static constexpr int32_t kSurfaceCount = 4;

    ScreenPresentation(QWidget& surface, VEMRenderParag& view, PagePicture& picture, ScrollEngine& engine);
    ~ScreenPresentation() override;

    // The part of the surface (surface coordinates) that the options panel covers: the images
    // are never copied over it. Empty while the panel is closed.
    std::function<QRect()> PanelArea;

    // Makes the images when the "Direct X" mode takes effect and frees them when another does.
    // Returns how many images exist (0 when the display cannot hold them: the mode then stays
    // inactive and the steps repaint whole).
    int32_t ApplyMode(bool directX);
    bool Active() const { return active_; }
    int32_t SurfaceCount() const;
    int32_t Busy() const;

    // One automatic step through the images. False when it could not be taken this way (the
    // mode inactive, the picture not current): the caller repaints whole instead.
    bool AutoStep();

    // The surface's rectangle on the screen; when it differs from the last one seen, every image
    // is invalid.
    QRect SurfaceScreenRect();
    void Invalidate() { valid_.fill(false); }
    bool SurfaceValidFlag(int32_t surface) const {
        return surface >= 0 && surface < 4 && valid_[size_t(surface)];
    }
    // Copies `rect` of image `surface` to the screen, around the options panel.
    void BlitToScreen(int32_t surface, const QRect& rect);

    // How many times an image was drawn whole (it was invalid when a step needed it).
    int64_t WholeDrawings() const { return wholeDrawings_; }
    // The images themselves, for tests.
    const VEM_DDraw* DDraw() const { return ddraw_.get(); }
    // Called with the image shown and the counter value, whenever an image reaches the screen.
    std::function<void(int32_t surface, int64_t counter)> OnShown;

    // PhaseSurfaces
    bool SurfaceValid(int32_t surface) const override { return SurfaceValidFlag(surface); }
    void DrawSurface(int32_t surface, int32_t phase) override;
    void ShiftLayoutUp() override;
    void ShowSurface(int32_t surface) override;
    void ScrollSurfaceUp(int32_t surface, int32_t phase) override;

private:
    void PutPicture(int32_t surface);
    void PutPictureRows(int32_t surface, int32_t from, int32_t to);
    void PlainStep();
    void WaveStep();
    QRect Page() const;

    QWidget& surface_;
    VEMRenderParag& view_;
    PagePicture& picture_;
    ScrollEngine& engine_;
    std::unique_ptr<VEM_DDraw> ddraw_;
    bool active_ = false;
    std::array<bool, 4> valid_{};
    uint64_t pictureCount_ = 0;  // the picture's WholeCount when the images were last valid
    QRect lastSurfaceRect_;
    bool stepped_ = false;
    bool shownFailed_ = false;
    int64_t wholeDrawings_ = 0;
    // A page or a row composed at a phase other than 0, on its way to an image.
    std::vector<uint8_t> phasePixels_;
};

}  // namespace corvalin
