// The library's first showing in one process, phase by phase: the scan of Books/*.book, then
// the derivation of authors and titles with the books written and renamed, and the memory the
// library holds afterwards. bench/library.sh runs it on a copy of a freshly imported library.
//
//   bench_library PROGRAM_FOLDER
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "lang/Languages.h"
#include "library/Library.h"
#include "settings/Configuration.h"

namespace {

using namespace corvalin;

double Seconds(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// A line of /proc/self/status in kilobytes ("VmRSS", "VmHWM").
long StatusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: bench_library PROGRAM_FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    Configuration config;
    LoadContext context;
    context.languageCount = int32_t(kLanguageListEntries.size());
    LoadConfiguration(folder, config, context);
    const long rssBefore = StatusKb("VmRSS");

    Library library(folder, config.knownNames);
    const auto start = std::chrono::steady_clock::now();
    library.Load(library.PrepareFirstShowing());
    const auto scanned = std::chrono::steady_clock::now();
    library.Rebuild();
    const auto rebuilt = std::chrono::steady_clock::now();
    library.Rebuild();
    const auto again = std::chrono::steady_clock::now();

    size_t authors = 0, withAuthor = 0;
    for (const LibraryGroup& group : library.Groups())
        if (group.kind == LibraryGroup::Kind::Author) {
            ++authors;
            withAuthor += group.books.size();
        }
    std::printf("books %zu\n", library.Entries().size());
    std::printf("books with an author %zu\n", withAuthor);
    std::printf("author groups %zu\n", authors);
    std::printf("known names %zu\n", config.knownNames.size());
    std::printf("scan s %.3f\n", Seconds(start, scanned));
    std::printf("derivation and writing s %.3f\n", Seconds(scanned, rebuilt));
    std::printf("rebuild again s %.3f\n", Seconds(rebuilt, again));
    std::printf("library bytes %zu\n", library.MemoryBytes());
    std::printf("resident growth kB %ld\n", StatusKb("VmRSS") - rssBefore);
    std::printf("peak resident kB %ld\n", StatusKb("VmHWM"));
    return 0;
}
