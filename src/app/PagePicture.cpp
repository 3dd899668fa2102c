#include "app/PagePicture.h"

#include <QPainter>
#include <QRect>
#include <algorithm>

#include "layout/VEMRenderParag.h"

namespace corvalin {

void PagePicture::Resize(int32_t width, int32_t height) {
    if (kept_ && image_.width() == width && image_.height() == height) return;
    valid_ = false;
    ++wholeCount_;
    kept_.reset();
    if (width < 1 || height < 1) {
        image_ = QImage();
        return;
    }
    image_ = QImage(width, height, QImage::Format_BGR888);
    kept_.emplace(PixelImage{image_.bits(), width, height, int(image_.bytesPerLine())});
}

void PagePicture::PaintWhole(VEMRenderParag& view) {
    if (!kept_) return;
    kept_->PaintWhole(view);
    valid_ = true;
    ++wholeCount_;
}

std::optional<PagePicture::StepChange> PagePicture::Step(VEMRenderParag& view) {
    if (!Valid()) return std::nullopt;
    const int32_t width = image_.width(), height = image_.height();
    const int32_t front = view.waveFront;
    const int32_t band = view.waveBandRows;
    const bool wave = view.autoMode == kAutoWave;
    const bool ringAtStart = kept_->TopRow() == 0;
    if (!kept_->Step(view)) return std::nullopt;

    StepChange change;
    if (!wave) {
        change.scrolled = true;
        change.rows = QRegion(0, height - 1, width, 1);
        return change;
    }
    // The band moves on by one row when the front did; anything else was composed whole.
    if (!ringAtStart || view.waveFront != (front + 1) % height) {
        change.rows = QRegion(0, 0, width, height);
        return change;
    }
    for (int32_t k = -band; k <= 0; ++k) {
        const int32_t row = ((front + k) % height + height) % height;
        change.rows += QRect(0, row, width, 1);
    }
    return change;
}

const uint8_t* PagePicture::PageRow(int32_t row) const {
    return image_.constScanLine((TopRow() + row) % image_.height());
}

void PagePicture::Draw(QPainter& painter, const QRect& rect, VEMRenderParag& view) {
    if (!kept_) return;
    if (!valid_) PaintWhole(view);
    const int32_t height = image_.height();
    const QRect wanted = rect.intersected(image_.rect());
    // Page row r lives in image row (top + r) mod height: copy in at most two pieces.
    int32_t row = wanted.top();
    while (row <= wanted.bottom()) {
        const int32_t ringRow = (kept_->TopRow() + row) % height;
        const int32_t rows = std::min(wanted.bottom() + 1 - row, height - ringRow);
        painter.drawImage(QRect(wanted.left(), row, wanted.width(), rows), image_,
                          QRect(wanted.left(), ringRow, wanted.width(), rows));
        row += rows;
    }
}

}  // namespace corvalin
