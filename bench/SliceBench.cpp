// bench_slices [--seconds S] [--runs N]
// How far the background renderer runs past its deadline while the text moves one pixel every
// 2 ms, as in a reading session at 500 lines per second: a 1920 x 1043 page, 4 x 4
// anti-aliasing, DejaVu Sans at the factory 26 points through the Qt glyph canvas, a book made
// from the GPL v3 licence text repeated to 4 MB, factory layout settings, from the book's start.
//
// Each run starts from a fresh canvas and view (no glyph drawn yet, as when the reader opens)
// and does two passes of S seconds:
//   deadline  after every step, BackgroundStep with the next step's time as its deadline, as
//             the scroll engine calls it; the overrun is how far past that time a call returns.
//   slices    the same pacing, but BackgroundStep with a deadline in the past, which does
//             exactly one slice per call, each timed and filed under the rasteriser stage it
//             belonged to ("choose" is a call that picked a new word and did its first slice;
//             "draw glyph" includes the pieces in which the canvas makes a glyph new to it).
// Prints one Markdown table per pass with the maximum and median over the runs.
#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
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

namespace {

using namespace corvalin;

constexpr int kPageWidth = 1920;
constexpr int kPageHeight = 1043;  // the reader's surface in a 1920 x 1080 window
constexpr int kFactor = 4;
constexpr int kPoints = 26;
constexpr int64_t kStepPeriodNs = 2'000'000;  // 500 lines per second
constexpr int64_t kBookBytes = 4 * 1024 * 1024;
constexpr const char* kFamily = "DejaVu Sans";

std::filesystem::path SliceBook() {
    const auto book = std::filesystem::temp_directory_path() / "corvalin-slice-bench" / "gpl-4mb.book";
    const std::string one = bench::RepeatedLicence(1);
    const int copies =
        int((kBookBytes + int64_t(one.size()) - 1) / std::max<int64_t>(int64_t(one.size()), 1));
    bench::BuildBookFromText(bench::RepeatedLicence(copies), book);
    return book;
}

struct Reading {
    BookDocument book;
    std::unique_ptr<QtGlyphCanvas> canvas;
    VEMRenderParag view;
    std::vector<uint8_t> pixels;
    std::unique_ptr<KeptPage> page;

    explicit Reading(const std::filesystem::path& path) {
        book.Open(path);
        ReadingFontRequest request;
        request.family = kFamily;
        request.points = kPoints;
        request.aaFactor = kFactor;
        canvas = std::make_unique<QtGlyphCanvas>(ReadingFontSpec(request));
        view.canvas = canvas.get();
        bench::LayOutLikeTheReader(view, kPageWidth, kPageHeight, kFactor, 1);
        AttachBook(book, view);
        view.Relayout();
        view.GoToPosition(0, 0);
        pixels.assign(size_t(kPageWidth) * kPageHeight * 3, 0);
        page = std::make_unique<KeptPage>(PixelImage{pixels.data(), kPageWidth, kPageHeight, kPageWidth * 3});
        page->PaintWhole(view);
    }
};

constexpr int kKinds = 7;
constexpr const char* kKindNames[kKinds] = {"choose", "clear row",  "draw glyph", "grey row",
                                            "size",   "filter row", "idle"};

int KindOf(const VEMRenderParag& view) {
    if (view.renderer.state != kRendererWord) return 0;
    switch (view.rasterizer.CurrentStage()) {
        case WordRasterizer::Stage::ClearRows:
            return 1;
        case WordRasterizer::Stage::DrawGlyphs:
            return 2;
        case WordRasterizer::Stage::GreyRows:
            return 3;
        case WordRasterizer::Stage::Size:
            return 4;
        case WordRasterizer::Stage::Filter:
            return 5;
        case WordRasterizer::Stage::Idle:
            return 0;
    }
    return 0;
}

struct PassResult {
    int64_t steps = 0;
    int64_t worstStepNs = 0;
    int64_t worstOverrunNs = 0;
    int64_t overrunsAbove100us = 0;
    int64_t overrunsAbove300us = 0;
    std::array<int64_t, kKinds> worstSliceNs{};
    std::array<int64_t, kKinds> slices{};
    int64_t slicesAbove300us = 0;
};

// Steps every 2 ms for `seconds`; between steps, background work until the next step is due.
PassResult RunPass(const std::filesystem::path& path, double seconds, bool oneSlicePerCall) {
    Reading r(path);
    PassResult result;
    const int64_t start = RendererClock();
    const int64_t end = start + int64_t(seconds * 1e9);
    int64_t due = start;
    while (due < end) {
        while (RendererClock() < due) {
        }
        const int64_t stepStart = RendererClock();
        if (!r.page->Step(r.view)) break;
        ++result.steps;
        result.worstStepNs = std::max(result.worstStepNs, RendererClock() - stepStart);
        due += kStepPeriodNs;
        // A late step (the machine is shared) is not the renderer's doing: start again from now.
        if (RendererClock() > due) due = RendererClock() + kStepPeriodNs;
        const int64_t deadline = due;
        for (;;) {
            bool idle = false;
            if (oneSlicePerCall) {
                const int kind = KindOf(r.view);
                const int64_t before = RendererClock();
                idle = BackgroundStep(r.view, 1);
                const int64_t took = RendererClock() - before;
                const int filed = idle ? kKinds - 1 : kind;
                result.worstSliceNs[filed] = std::max(result.worstSliceNs[filed], took);
                ++result.slices[filed];
                if (took > 300'000) ++result.slicesAbove300us;
            } else {
                idle = BackgroundStep(r.view, deadline);
            }
            const int64_t now = RendererClock();
            if (now >= deadline) {
                const int64_t overrun = now - deadline;
                result.worstOverrunNs = std::max(result.worstOverrunNs, overrun);
                if (overrun > 100'000) ++result.overrunsAbove100us;
                if (overrun > 300'000) ++result.overrunsAbove300us;
                break;
            }
            if (idle) break;
        }
    }
    return result;
}

double Ms(int64_t ns) { return double(ns) / 1e6; }

template <typename Get>
std::string MaxAndMedian(const std::vector<PassResult>& runs, Get get) {
    std::vector<double> values;
    for (const PassResult& run : runs) values.push_back(double(get(run)));
    std::sort(values.begin(), values.end());
    const double median = values[values.size() / 2];
    char text[64];
    std::snprintf(text, sizeof text, "%.3f / %.3f", values.back(), median);
    return text;
}

template <typename Get>
std::string CountMaxAndMedian(const std::vector<PassResult>& runs, Get get) {
    std::vector<int64_t> values;
    for (const PassResult& run : runs) values.push_back(get(run));
    std::sort(values.begin(), values.end());
    return std::to_string(values.back()) + " / " + std::to_string(values[values.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    double seconds = 10;
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--seconds")
            seconds = std::atof(argv[i + 1]);
        else if (name == "--runs")
            runs = std::atoi(argv[i + 1]);
    }
    if (!(seconds > 0) || runs < 1) {
        std::fprintf(stderr, "usage: bench_slices [--seconds S] [--runs N]\n");
        return 2;
    }
    const std::filesystem::path book = SliceBook();

    std::vector<PassResult> deadline, sliced;
    for (int run = 0; run < runs; ++run) {
        deadline.push_back(RunPass(book, seconds, false));
        sliced.push_back(RunPass(book, seconds, true));
    }

    std::printf("%d runs of %.0f s each; every cell: maximum / median over the runs, in ms\n\n", runs,
                seconds);
    std::printf(
        "| pass | steps | worst step | worst overrun past the deadline | overruns > 0.1 ms | "
        "overruns > 0.3 ms |\n|---|---|---|---|---|---|\n");
    std::printf(
        "| deadline | %s | %s | %s | %s | %s |\n",
        CountMaxAndMedian(deadline, [](const PassResult& p) { return p.steps; }).c_str(),
        MaxAndMedian(deadline, [](const PassResult& p) { return Ms(p.worstStepNs); }).c_str(),
        MaxAndMedian(deadline, [](const PassResult& p) { return Ms(p.worstOverrunNs); }).c_str(),
        CountMaxAndMedian(deadline, [](const PassResult& p) { return p.overrunsAbove100us; }).c_str(),
        CountMaxAndMedian(deadline, [](const PassResult& p) { return p.overrunsAbove300us; }).c_str());
    std::printf("| slices | %s | %s | %s | %s | %s |\n\n",
                CountMaxAndMedian(sliced, [](const PassResult& p) { return p.steps; }).c_str(),
                MaxAndMedian(sliced, [](const PassResult& p) { return Ms(p.worstStepNs); }).c_str(),
                MaxAndMedian(sliced, [](const PassResult& p) { return Ms(p.worstOverrunNs); }).c_str(),
                CountMaxAndMedian(sliced, [](const PassResult& p) { return p.overrunsAbove100us; }).c_str(),
                CountMaxAndMedian(sliced, [](const PassResult& p) { return p.overrunsAbove300us; }).c_str());
    std::printf(
        "| slice kind | slices (max / median count) | worst slice (max / median, ms) |\n|---|---|---|\n");
    for (int kind = 0; kind < kKinds; ++kind) {
        std::printf(
            "| %s | %s | %s |\n", kKindNames[kind],
            CountMaxAndMedian(sliced, [&](const PassResult& p) { return p.slices[kind]; }).c_str(),
            MaxAndMedian(sliced, [&](const PassResult& p) { return Ms(p.worstSliceNs[kind]); }).c_str());
    }
    std::printf("| all, above 0.3 ms | %s | |\n",
                CountMaxAndMedian(sliced, [](const PassResult& p) { return p.slicesAbove300us; }).c_str());
    return 0;
}
