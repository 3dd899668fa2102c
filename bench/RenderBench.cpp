// Reading engine costs on a 1920 x 1080 page with a 26-point proportional system font, for
// anti-aliasing factors 1 and 4: one automatic one-pixel step with a warm cache, composing a
// whole page, the background renderer's throughput and the memory the cache holds.
// The book is built from a real text (the GPL v3 licence shipped by Debian, repeated).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "FactoryLayout.h"
#include "LicenceBook.h"
#include "books/BookDocument.h"
#include "layout/BookView.h"
#include "layout/VEMRenderParag.h"
#include "platform/qt/QtGlyphCanvas.h"
#include "platform/qt/ReadingFont.h"
#include "render/BackgroundRenderer.h"
#include "render/KeptPage.h"
#include "render/PageComposition.h"

namespace {

using namespace corvalin;

constexpr int kPageWidth = 1920;
constexpr int kPageHeight = 1080;
constexpr int kPoints = 26;
constexpr int kTextCopies = 12;
constexpr const char* kFamily = "DejaVu Sans";

std::filesystem::path BenchBook() {
    static const std::filesystem::path path = [] {
        const auto book = std::filesystem::temp_directory_path() / "corvalin-render-bench" / "bench.book";
        bench::BuildBookFromText(bench::RepeatedLicence(kTextCopies), book);
        return book;
    }();
    return path;
}

// A book shown on the page with the reader's factory settings and the given factor.
struct Reading {
    BookDocument book;
    std::unique_ptr<QtGlyphCanvas> canvas;
    VEMRenderParag view;
    std::vector<uint8_t> pixels;
    PixelImage image;

    Reading(int aa, int cachePages) {
        book.Open(BenchBook());
        ReadingFontRequest request;
        request.family = kFamily;
        request.points = kPoints;
        request.aaFactor = aa;
        canvas = std::make_unique<QtGlyphCanvas>(ReadingFontSpec(request));
        view.canvas = canvas.get();
        bench::LayOutLikeTheReader(view, kPageWidth, kPageHeight, aa, cachePages);
        AttachBook(book, view);
        view.Relayout();
        view.GoToPosition(view.paragraphs.Entry(view.paragraphs.Count() / 3), 0);
        pixels.assign(size_t(kPageWidth) * kPageHeight * 3, 0);
        image = PixelImage{pixels.data(), kPageWidth, kPageHeight, kPageWidth * 3};
    }

    void RenderAll() {
        while (!BackgroundStep(view, 0)) {
        }
    }

    int64_t Words() const {
        int64_t words = 0;
        for (auto* unit = view.firstUnit; unit; unit = unit->next)
            for (auto* line = unit->firstLine; line; line = line->next) words += line->wordCount;
        return words;
    }

    // Bytes held by the chain: objects, texts and coverage matrices.
    int64_t CacheBytes() const {
        int64_t bytes = 0;
        for (auto* unit = view.firstUnit; unit; unit = unit->next) {
            bytes += sizeof(*unit);
            for (auto* line = unit->firstLine; line; line = line->next) {
                bytes += sizeof(*line);
                for (auto* word = line->firstWord; word; word = word->next) {
                    bytes += sizeof(*word) + int64_t(word->text.capacity()) * 2;
                    for (const VEMMatrix& m : word->coverage.matrices)
                        bytes += int64_t(m.CapacityRows()) * (m.CapacityColumns() * m.ElementBytes() + 8);
                }
            }
        }
        return bytes;
    }
};

Reading& Shared(int aa) {
    static std::unique_ptr<Reading> readings[5];
    if (!readings[aa]) readings[aa] = std::make_unique<Reading>(aa, 1);
    return *readings[aa];
}

// One automatic step: PlaceLine plus composing the uncovered row, every word already rendered.
void BM_AutoStepWarm(benchmark::State& state) {
    Reading& r = Shared(int(state.range(0)));
    r.RenderAll();
    KeptPage page(r.image);
    page.PaintWhole(r.view);
    int moved = 0;
    for (auto _ : state) {
        if (moved == kPageHeight / 2) {
            // Stay in the same stretch of text so that the words stay rendered.
            state.PauseTiming();
            r.view.PlaceLine(r.view.firstUnit->firstLine, r.view.firstUnit->firstLine->y + moved);
            r.RenderAll();
            page.PaintWhole(r.view);
            moved = 0;
            state.ResumeTiming();
        }
        page.Step(r.view);
        ++moved;
    }
}
BENCHMARK(BM_AutoStepWarm)
    ->Arg(1)
    ->Arg(4)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

void BM_ComposePage(benchmark::State& state) {
    Reading& r = Shared(int(state.range(0)));
    r.RenderAll();
    for (auto _ : state) PaintView(r.view, r.image);
}
BENCHMARK(BM_ComposePage)
    ->Arg(1)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// Words rendered per second by the background renderer, from a freshly laid-out cache.
void BM_BackgroundRenderer(benchmark::State& state) {
    Reading& r = Shared(int(state.range(0)));
    int64_t words = 0;
    for (auto _ : state) {
        state.PauseTiming();
        r.view.Relayout();
        words += r.Words();
        state.ResumeTiming();
        r.RenderAll();
    }
    state.counters["words_per_s"] = benchmark::Counter(double(words), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BackgroundRenderer)
    ->Arg(1)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Moving 2000 pixels from a cold cache: every line that comes in is formatted and drawn on the way.
void BM_ScrollCold2000(benchmark::State& state) {
    Reading& r = Shared(int(state.range(0)));
    KeptPage page(r.image);
    for (auto _ : state) {
        state.PauseTiming();
        r.view.Relayout();
        page.PaintWhole(r.view);
        state.ResumeTiming();
        for (int i = 0; i < 2000; ++i) page.Step(r.view);
        state.PauseTiming();
        r.view.PlaceLine(r.view.firstUnit->firstLine, r.view.firstUnit->firstLine->y + 2000);
        state.ResumeTiming();
    }
    state.counters["us_per_px"] = benchmark::Counter(
        double(state.iterations()) * 2000, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ScrollCold2000)
    ->Arg(1)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_CacheMemory(benchmark::State& state) {
    Reading r(int(state.range(0)), int(state.range(1)));
    r.RenderAll();
    for (auto _ : state) benchmark::DoNotOptimize(r.CacheBytes());
    state.counters["cache_MB"] = double(r.CacheBytes()) / (1024.0 * 1024.0);
    state.counters["words"] = double(r.Words());
}
BENCHMARK(BM_CacheMemory)
    ->Args({1, 1})
    ->Args({1, 16})
    ->Args({4, 1})
    ->Args({4, 16})
    ->Iterations(1)
    ->Repetitions(1);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
