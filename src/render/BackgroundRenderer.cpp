#include "render/BackgroundRenderer.h"

#include <chrono>

#include "render/PageComposition.h"

namespace corvalin {
namespace {

// Search stages of the renderer while it chooses the next word.
enum SearchStage : int32_t {
    kStageCurrentLine = 0,  // the rest of the line just worked on
    kStagePageBelow = 1,
    kStagePageAbove = 2,
    kStageAllBelow = 3,
    kStageAllAbove = 4,
    kStageEveryUnit = 5,
};

VEMRenderLineObject* LineBelow(const VEMRenderLineObject* line) {
    if (line->next) return line->next;
    return line->unit->next ? line->unit->next->firstLine : nullptr;
}

VEMRenderLineObject* LineAbove(const VEMRenderLineObject* line) {
    if (line->prev) return line->prev;
    return line->unit->prev ? line->unit->prev->lastLine : nullptr;
}

VEMRenderWordObject* FirstUnrendered(VEMRenderLineObject* line) {
    for (VEMRenderWordObject* word = line->firstWord; word; word = word->next)
        if (!word->rendered) return word;
    return nullptr;
}

bool Incomplete(const VEMRenderLineObject* line) { return line->renderedWords != line->wordCount; }

class Renderer {
public:
    Renderer(VEMRenderParag& view, int64_t deadline)
        : view_(view), state_(view.renderer), deadline_(deadline) {}

    bool Run() {
        for (;;) {
            if (state_.state == kRendererWord) {
                if (!RenderSlices()) return false;
                if (deadline_ == 0 || Expired()) return false;
                continue;
            }
            switch (state_.step) {
                case kStageCurrentLine: {
                    VEMRenderWordObject* word = state_.currentWord;
                    if (word && word->next && !word->next->rendered) {
                        Start(word->line, word->next);
                        continue;
                    }
                    state_.currentWord = nullptr;
                    state_.currentLine = nullptr;
                    if (!view_.screenLines.empty()) return Stage(kStagePageBelow);
                    if (!view_.firstUnit) return true;
                    return Stage(kStageEveryUnit);
                }
                case kStagePageBelow: {
                    if (view_.screenLines.empty()) return Stage(kStagePageAbove);
                    const int32_t limit = 2 * view_.pageHeightPx;
                    for (VEMRenderLineObject* line = view_.screenLines.back().line; line && line->y <= limit;
                         line = LineBelow(line)) {
                        if (Incomplete(line) && Start(line)) break;
                    }
                    if (state_.state == kRendererWord) continue;
                    return Stage(kStagePageAbove);
                }
                case kStagePageAbove: {
                    const int32_t limit = -view_.pageHeightPx;
                    VEMRenderLineObject* top =
                        view_.screenLines.empty() ? nullptr : view_.screenLines.front().line;
                    for (VEMRenderLineObject* line = top; line && line->y + line->textBottom >= limit;
                         line = LineAbove(line)) {
                        if (Incomplete(line) && Start(line)) break;
                    }
                    if (state_.state == kRendererWord) continue;
                    if (!view_.screenLines.empty()) {
                        state_.currentLine = view_.screenLines.back().line;
                        return Stage(kStageAllBelow);
                    }
                    if (view_.firstUnit) {
                        state_.currentLine = view_.firstUnit->firstLine;
                        return Stage(kStageEveryUnit);
                    }
                    return Stage(kStageCurrentLine);
                }
                case kStageAllBelow:
                case kStageAllAbove: {
                    const bool down = state_.step == kStageAllBelow;
                    VEMRenderLineObject* line = state_.currentLine;
                    while (line) {
                        if (Expired()) {
                            state_.currentLine = line;
                            return false;
                        }
                        didWork_ = true;
                        if (Incomplete(line) && Start(line)) break;
                        line = down ? LineBelow(line) : LineAbove(line);
                    }
                    if (state_.state == kRendererWord) continue;
                    if (down && !view_.screenLines.empty()) {
                        state_.currentLine = view_.screenLines.front().line;
                        return Stage(kStageAllAbove);
                    }
                    state_.currentLine = view_.firstUnit ? view_.firstUnit->firstLine : nullptr;
                    return Stage(view_.firstUnit ? kStageEveryUnit : kStageCurrentLine);
                }
                case kStageEveryUnit:
                default: {
                    VEMRenderParagObject* unit =
                        state_.currentLine ? state_.currentLine->unit : view_.firstUnit;
                    for (; unit; unit = unit->next) {
                        if (Expired()) {
                            state_.currentLine = unit->firstLine;
                            return false;
                        }
                        didWork_ = true;
                        if (unit->renderedLines == unit->lineCount) continue;
                        for (VEMRenderLineObject* line = unit->firstLine; line; line = line->next)
                            if (Incomplete(line) && Start(line)) break;
                        if (state_.state == kRendererWord) break;
                    }
                    if (state_.state == kRendererWord) continue;
                    state_.currentLine = nullptr;
                    state_.step = kStageCurrentLine;
                    return true;
                }
            }
        }
    }

private:
    bool Expired() const {
        if (!didWork_) return false;
        return deadline_ != 0 && RendererClock() >= deadline_;
    }

    bool Stage(int32_t stage) {
        state_.step = stage;
        return false;
    }

    // Begins the line's first unrendered word (or `word`); false when the line has none.
    bool Start(VEMRenderLineObject* line, VEMRenderWordObject* word = nullptr) {
        if (!word) word = FirstUnrendered(line);
        if (!word) return false;
        state_.currentLine = line;
        state_.currentWord = word;
        state_.state = kRendererWord;
        if (view_.canvas)
            view_.rasterizer.Begin(WordRasterOf(view_, *word), *view_.canvas, view_.scratch, word->coverage);
        return true;
    }

    // Runs slices of the current word until it is done (true) or the deadline passes (false).
    bool RenderSlices() {
        for (;;) {
            if (Expired()) return false;
            const bool done = view_.rasterizer.Step();
            didWork_ = true;
            if (done) break;
        }
        if (state_.currentWord) MarkWordRendered(*state_.currentWord);
        state_.state = 0;
        state_.step = kStageCurrentLine;
        return true;
    }

    VEMRenderParag& view_;
    BackgroundRendererState& state_;
    int64_t deadline_;
    bool didWork_ = false;
};

}  // namespace

int64_t RendererClock() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool BackgroundStep(VEMRenderParag& view, int64_t deadline) { return Renderer(view, deadline).Run(); }

}  // namespace corvalin
