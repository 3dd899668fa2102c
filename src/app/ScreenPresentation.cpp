#include "app/ScreenPresentation.h"

#include <QWidget>
#include <algorithm>

#include "app/PagePicture.h"
#include "engine/ScrollEngine.h"
#include "layout/VEMRenderParag.h"
#include "render/PageComposition.h"

namespace corvalin {

ScreenPresentation::ScreenPresentation(QWidget& surface, VEMRenderParag& view, PagePicture& picture,
                                       ScrollEngine& engine)
    : surface_(surface), view_(view), picture_(picture), engine_(engine) {}

ScreenPresentation::~ScreenPresentation() = default;

int32_t ScreenPresentation::ApplyMode(bool directX) {
    if (directX && !active_) {
        if (!ddraw_) ddraw_ = VEM_DDraw::ForSurface(surface_);
        if (ddraw_ && ddraw_->Create(kSurfaceCount) > 0) {
            active_ = true;
            Invalidate();
        }
    } else if (!directX && active_) {
        active_ = false;
        ddraw_->Release();
        Invalidate();
    }
    return SurfaceCount();
}

int32_t ScreenPresentation::SurfaceCount() const { return active_ && ddraw_ ? ddraw_->SurfaceCount() : 0; }

int32_t ScreenPresentation::Busy() const { return ddraw_ ? ddraw_->Busy() : 0; }

QRect ScreenPresentation::Page() const { return QRect(0, 0, view_.pageWidthPx, view_.pageHeightPx); }

QRect ScreenPresentation::SurfaceScreenRect() {
    const QRect rect(surface_.mapToGlobal(QPoint(0, 0)), surface_.size());
    if (rect != lastSurfaceRect_) {
        lastSurfaceRect_ = rect;
        Invalidate();
    }
    return rect;
}

bool ScreenPresentation::AutoStep() {
    if (!active_ || SurfaceCount() == 0 || !picture_.Valid()) return false;
    SurfaceScreenRect();
    // A new surface size makes the images anew; their pictures are gone then.
    if (!ddraw_->FitSurface()) Invalidate();
    if (ddraw_->SurfaceCount() == 0 || ddraw_->Width() != view_.pageWidthPx ||
        ddraw_->Height() != view_.pageHeightPx)
        return false;
    // Composed whole or dropped since the images were drawn: the text moved other than by steps.
    if (picture_.WholeCount() != pictureCount_) {
        Invalidate();
        pictureCount_ = picture_.WholeCount();
    }
    shownFailed_ = false;
    if (view_.autoMode == kAutoWave) {
        WaveStep();
    } else {
        const SuperScrollPhases phases = SuperScrollPhaseTable(view_.superScrollLevel, view_.aaFactor);
        bool enough = phases.count > 1;
        for (int32_t j = 0; j < phases.count; ++j)
            enough = enough && phases.sequence[size_t(j)].surface < SurfaceCount();
        if (enough) {
            stepped_ = false;
            const int32_t shown =
                RunSuperScrollStep(*this, phases, engine_.NextStepTime(), engine_.StepPeriod(),
                                   engine_.LastDecision().superScrollLimitPeriod,
                                   [this](int64_t deadline) { engine_.WaitWithBackground(deadline); });
            engine_.Statistics().SubStepsTotal += shown;
        } else {
            PlainStep();
        }
    }
    // The window could not take the images (not made yet, another depth): Qt shows the picture.
    if (shownFailed_) surface_.update();
    return true;
}

void ScreenPresentation::PlainStep() {
    const bool valid = valid_[0];
    if (!picture_.Step(view_)) return;
    const int32_t height = view_.pageHeightPx;
    if (valid) {
        ddraw_->ScrollSurface(0, -1, Page());
        PutPictureRows(0, height - 1, height);
    } else {
        PutPicture(0);
        ++wholeDrawings_;
    }
    valid_[0] = true;
    ShowSurface(0);
}

void ScreenPresentation::WaveStep() {
    const bool valid = valid_[0];
    const std::optional<PagePicture::StepChange> change = picture_.Step(view_);
    if (!change) return;
    // Only the rows the front touched change; the text does not move on the screen.
    if (valid && !change->scrolled) {
        for (const QRect& rows : change->rows) PutPictureRows(0, rows.top(), rows.bottom() + 1);
    } else {
        PutPicture(0);
        ++wholeDrawings_;
    }
    valid_[0] = true;
    ShowSurface(0);
}

void ScreenPresentation::PutPicture(int32_t surface) { PutPictureRows(surface, 0, view_.pageHeightPx); }

void ScreenPresentation::PutPictureRows(int32_t surface, int32_t from, int32_t to) {
    const QImage& image = picture_.Image();
    const int32_t height = image.height();
    from = std::max(0, from);
    to = std::min(to, height);
    // The picture keeps its rows as a ring: page row r is image row (top + r) mod height.
    for (int32_t row = from; row < to;) {
        const int32_t ringRow = (picture_.TopRow() + row) % height;
        const int32_t rows = std::min(to - row, height - ringRow);
        ddraw_->PutRows(surface, image.constScanLine(ringRow), int32_t(image.bytesPerLine()), row, rows);
        row += rows;
    }
}

void ScreenPresentation::DrawSurface(int32_t surface, int32_t phase) {
    ++wholeDrawings_;
    if (phase == 0) {
        PutPicture(surface);
    } else {
        const int32_t width = view_.pageWidthPx, height = view_.pageHeightPx;
        phasePixels_.resize(size_t(width) * 3 * size_t(height));
        PixelImage page{phasePixels_.data(), width, height, width * 3};
        DrawRows(view_, page, 0, true, phase, 0, 0, height);
        ddraw_->PutRows(surface, phasePixels_.data(), width * 3, 0, height);
    }
    valid_[size_t(surface)] = true;
}

void ScreenPresentation::ShiftLayoutUp() {
    // The picture moves with the layout and composes its new bottom row, at phase 0.
    stepped_ = picture_.Step(view_).has_value();
}

void ScreenPresentation::ShowSurface(int32_t surface) {
    BlitToScreen(surface, Page());
    if (OnShown) OnShown(surface, engine_.Timing().Counter());
}

void ScreenPresentation::ScrollSurfaceUp(int32_t surface, int32_t phase) {
    if (!stepped_) return;
    const int32_t width = view_.pageWidthPx, height = view_.pageHeightPx;
    ddraw_->ScrollSurface(surface, -1, Page());
    if (phase == 0) {
        PutPictureRows(surface, height - 1, height);
        return;
    }
    phasePixels_.resize(size_t(width) * 3);
    PixelImage row{phasePixels_.data(), width, 1, width * 3};
    DrawRows(view_, row, 0, true, phase, -(height - 1), height - 1, height);
    ddraw_->PutRows(surface, phasePixels_.data(), width * 3, height - 1, 1);
}

void ScreenPresentation::BlitToScreen(int32_t surface, const QRect& rect) {
    const QRect panel = PanelArea ? PanelArea() : QRect();
    bool shown = true;
    if (panel.height() < 1 || panel.width() < 1) {
        shown = ddraw_->BlitToPrimary(surface, rect);
    } else {
        // The panel lies over the lower left of the page: the part above it, then the part to
        // its right, so that it is never painted over.
        const QRect above(rect.left(), rect.top(), rect.width(),
                          std::min(rect.bottom() + 1, panel.top()) - rect.top());
        const int32_t right = std::max(rect.left(), panel.right() + 1);
        const int32_t top = std::max(rect.top(), panel.top());
        const QRect beside(right, top, rect.right() + 1 - right, rect.bottom() + 1 - top);
        if (above.isValid()) shown = ddraw_->BlitToPrimary(surface, above);
        if (beside.isValid()) shown = ddraw_->BlitToPrimary(surface, beside) && shown;
    }
    if (!shown) shownFailed_ = true;
}

}  // namespace corvalin
