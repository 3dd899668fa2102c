// Conversion, digest and open throughput on a large real text.
// The text comes from $CORVALIN_BENCH_TEXT (bench/run.sh builds one of 50 MB or more).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "books/BookFile.h"
#include "import/ImportFile.h"
#include "import/UnicodeSources.h"

namespace {

using namespace corvalin;

std::filesystem::path BenchText() {
    const char* path = std::getenv("CORVALIN_BENCH_TEXT");
    return path ? path : "";
}

std::filesystem::path BenchBooks() { return BenchText().parent_path() / "bench-books"; }

void BM_ConvertText(benchmark::State& state) {
    const auto text = BenchText();
    if (text.empty()) return state.SkipWithError("CORVALIN_BENCH_TEXT is not set");
    const auto size = std::filesystem::file_size(text);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(BenchBooks());
        state.ResumeTiming();
        const auto book = ImportFile(text, BenchBooks(), {});
        benchmark::DoNotOptimize(book);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}
// Best of several single conversions, measured like the iconv run beside it.
BENCHMARK(BM_ConvertText)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ComputeStatistics("min",
                        [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
    ->UseRealTime();

void BM_OpenAndCheckBook(benchmark::State& state) {
    const auto text = BenchText();
    if (text.empty()) return state.SkipWithError("CORVALIN_BENCH_TEXT is not set");
    std::filesystem::remove_all(BenchBooks());
    const auto bookPath = ImportFile(text, BenchBooks(), {});
    int64_t bookBytes = 0;
    for (auto _ : state) {
        VEMFile file;
        file.Open(OpenFileHandle(bookPath, FileMode::ReadWrite), 20, 5);
        const BookHeader header = ReadBookHeader(file);
        if (CheckBook(file, header) != VerdictKind::Ok) return state.SkipWithError("book does not check");
        auto paragraphs = ReadParagraphTable(file, header);
        auto lines = ReadLineTable(file, header);
        VEMOpt store;
        if (!LoadBookStore(file, header.storeOffset, store).Ok()) return state.SkipWithError("store does not load");
        benchmark::DoNotOptimize(paragraphs.data());
        benchmark::DoNotOptimize(lines.data());
        bookBytes = file.Length();
    }
    state.counters["book_MB"] = double(bookBytes) / 1e6;
    state.SetBytesProcessed(int64_t(state.iterations()) * bookBytes);
}
BENCHMARK(BM_OpenAndCheckBook)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_Digest(benchmark::State& state) {
    std::vector<uint8_t> data(size_t(16) << 20);
    std::mt19937 random(7);
    for (auto& b : data) b = uint8_t(random());
    ComputeDigest(SeedB(), data.data(), 16);  // seed table built outside the timing
    for (auto _ : state) benchmark::DoNotOptimize(ComputeDigest(SeedB(), data.data(), data.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}
BENCHMARK(BM_Digest)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
