#pragma once

#include <QImage>
#include <QRegion>
#include <cstdint>
#include <optional>

#include "render/KeptPage.h"

class QPainter;
class QRect;

namespace corvalin {

class VEMRenderParag;

// The reading surface's picture of the page, kept between paints so that an automatic step
// composes only what it uncovers and a paint only copies. It is valid while it matches the
// layout; anything that moves or changes the text other than a step invalidates it, and the
// next paint composes it whole.
class PagePicture {
public:
    // Keeps the size; a new size drops the picture.
    void Resize(int32_t width, int32_t height);
    void Invalidate() { valid_ = false; }
    bool Valid() const { return valid_ && kept_.has_value(); }

    void PaintWhole(VEMRenderParag& view);

    // What one automatic step changed on the page. With `scrolled` the whole picture moved up
    // a row and `rows` is the row it uncovered; otherwise `rows` are the rows redrawn in place
    // (the wave front's band, or everything).
    struct StepChange {
        bool scrolled = false;
        QRegion rows;
    };
    // One automatic step of the view into the picture (the picture must be valid); nothing
    // when the book's end has left the page.
    std::optional<StepChange> Step(VEMRenderParag& view);

    // Copies `rect` (surface coordinates) of the picture, composing it first when invalid.
    void Draw(QPainter& painter, const QRect& rect, VEMRenderParag& view);

    const QImage& Image() const { return image_; }
    // Counts the times the picture was composed whole or dropped: whatever was drawn from it
    // before (the off-screen page images) no longer matches once this has moved.
    uint64_t WholeCount() const { return wholeCount_; }
    // The pixels of page row `row` (0 = top), which the ring keeps in some image row.
    const uint8_t* PageRow(int32_t row) const;
    int32_t TopRow() const { return kept_ ? kept_->TopRow() : 0; }

private:
    QImage image_;
    std::optional<KeptPage> kept_;
    bool valid_ = false;
    uint64_t wholeCount_ = 0;
};

}  // namespace corvalin
