// Opens arbitrary bytes as a book the way the reader does, then lays out and draws its first
// pages, moving through them a pixel at a time and by whole pages, with the test bitmap font:
// the layout, the line formatter, the word rasteriser and the page composition on a hostile
// book whose digests the fuzz build does not check.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "layout/VEMRenderParag.h"
#include "layout/ViewSettings.h"
#include "nav/PageCommands.h"
#include "raster/BitmapGlyphCanvas.h"
#include "render/BackgroundRenderer.h"
#include "render/KeptPage.h"
#include "session/ReadingSession.h"
#include "settings/VEMOptions.h"

using namespace corvalin;

namespace {

constexpr size_t kMaxInputBytes = 1 << 20;
constexpr int kPageWidthPx = 320;
constexpr int kPageHeightPx = 240;
constexpr int kPixelSteps = 40;
constexpr int kPageTurns = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > kMaxInputBytes) return 0;
    // The first byte picks the way the page is set, the rest is the book.
    const uint8_t style = data[0];
    char path[] = "/tmp/fuzz-book-XXXXXX";
    const int handle = mkstemp(path);
    if (handle < 0) std::abort();
    if (write(handle, data + 1, size - 1) != ssize_t(size - 1)) std::abort();
    close(handle);

    {
        VEMOptions options;
        StoredSettings stored;
        stored.values.Set(Setting::Antialiasing, style & 3);
        stored.values.Set(Setting::TextFormatting, (style >> 2) % 3);
        stored.values.Set(Setting::Proportional, (style >> 4) & 1);
        stored.values.Set(Setting::AutoMode, (style >> 5) % 3);
        options.ApplyStoredSettings(stored, nullptr, true);

        ReadingSession session;
        VEMRenderParag& view = session.View();
        view.pageWidthPx = kPageWidthPx;
        view.pageHeightPx = kPageHeightPx;
        BitmapGlyphCanvas canvas;
        // The settings reach the view as in the reader; the bitmap font stands in for Qt's.
        options.OnViewChanged = [&] {
            const ReadingFontRequest font = ApplyViewSettings(options, view);
            canvas.SetFont(FontSpec{font.family, font.points * font.aaFactor});
            view.canvas = &canvas;
            view.Relayout();
        };
        options.OnViewChanged();
        if (session.Open(path, path, options, stored).Ok()) {
            std::vector<uint8_t> pixels(size_t(kPageWidthPx) * kPageHeightPx * 3);
            PixelImage image{pixels.data(), kPageWidthPx, kPageHeightPx, kPageWidthPx * 3};
            KeptPage kept(image);
            kept.PaintWhole(view);
            for (int i = 0; i < kPixelSteps && kept.Step(view); ++i) BackgroundStep(view, 0);
            for (int i = 0; i < kPageTurns; ++i) {
                ShiftText(view, NextPageDistance(view));
                kept.PaintWhole(view);
            }
            ShiftText(view, PrevPageDistance(view));
            kept.PaintWhole(view);
        }
    }
    unlink(path);
    return 0;
}
