// The code page layer on its own: building the code page list (cold, as at a program start,
// and again), decoding a single-byte page into UTF-16, and detecting the page of a text.
// The text is the shared Russian poem in cp1251 ($CORVALIN_BENCH_CP1251, bench/codepage.sh
// passes it).
#include <benchmark/benchmark.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "import/CodepageDetection.h"
#include "import/CodepageList.h"
#include "import/CodepageSource.h"
#include "import/UnicodeSources.h"

namespace {

using namespace corvalin;

std::vector<uint8_t> Cp1251Text() {
    const char* path = std::getenv("CORVALIN_BENCH_CP1251");
    if (path == nullptr || !std::filesystem::exists(path)) return {};
    return ReadWholeFile(path);
}

// Registered first, so that it runs before anything else has touched ICU or the list.
void BM_CodepageListAtStart(benchmark::State& state) {
    for (auto _ : state) {
        VEMCodepage list;
        benchmark::DoNotOptimize(list.Entries().data());
        state.counters["pages"] = double(list.Entries().size());
    }
}
BENCHMARK(BM_CodepageListAtStart)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CodepageListAgain(benchmark::State& state) {
    for (auto _ : state) {
        VEMCodepage list;
        benchmark::DoNotOptimize(list.Entries().data());
    }
}
BENCHMARK(BM_CodepageListAgain)->Unit(benchmark::kMicrosecond);

void BM_DecodeCp1251(benchmark::State& state) {
    const std::vector<uint8_t> poem = Cp1251Text();
    if (poem.empty()) return state.SkipWithError("CORVALIN_BENCH_CP1251 is not set");
    // 8 MB, in memory, so that the file system stays out of the figure.
    std::vector<uint8_t> text;
    while (text.size() < (8u << 20)) text.insert(text.end(), poem.begin(), poem.end());
    std::vector<char16_t> units(text.size());
    for (auto _ : state) {
        auto source = MakeCodepageSource(std::vector<uint8_t>(text), 1251);
        size_t total = 0;
        while (const size_t n = source->ReadUnits(units.data(), units.size())) total += n;
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_DecodeCp1251)->Unit(benchmark::kMillisecond);

void BM_DetectCp866(benchmark::State& state) {
    const std::vector<uint8_t> poem = Cp1251Text();
    if (poem.empty()) return state.SkipWithError("CORVALIN_BENCH_CP1251 is not set");
    // The poem in cp866, the page ICU's detector does not know, cut to the 64 KB detection reads.
    std::u16string text;
    auto source = MakeCodepageSource(std::vector<uint8_t>(poem), 1251);
    char16_t block[4096];
    while (const size_t n = source->ReadUnits(block, 4096)) text.append(block, n);
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open("ibm-866", &status);
    ucnv_setSubstChars(converter, "?", 1, &status);
    std::vector<uint8_t> bytes(text.size() + 16);
    bytes.resize(size_t(ucnv_fromUChars(converter, reinterpret_cast<char*>(bytes.data()),
                                        int32_t(bytes.size()), text.data(), int32_t(text.size()), &status)));
    ucnv_close(converter);
    bytes.resize(std::min<size_t>(bytes.size(), 64 * 1024));
    for (auto _ : state) {
        const auto detected = DetectCodepage(bytes);
        if (!detected || detected->number != 866) return state.SkipWithError("cp866 was not detected");
    }
}
BENCHMARK(BM_DetectCp866)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
