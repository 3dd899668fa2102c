// The folders of src/ form a stack: a file may include only its own layer and the layers below
// it, and nothing below the platform may include Qt (or any windowing header).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace corvalin {
namespace {

// Bottom to top.
constexpr std::array<const char*, 16> kLayers = {
    "base",   "store",  "books",  "settings", "lang",    "archive", "import",   "library",
    "raster", "layout", "render", "nav",      "session", "engine",  "platform", "app"};

int RankOf(const std::string& layer) {
    const auto found = std::find(kLayers.begin(), kLayers.end(), layer);
    return found == kLayers.end() ? -1 : int(found - kLayers.begin());
}

struct Include {
    std::string header;
    bool quoted;
    int line;
};

std::vector<Include> IncludesOf(const std::filesystem::path& file) {
    static const std::regex pattern(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<Include> includes;
    std::ifstream in(file);
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        std::smatch match;
        if (std::regex_search(text, match, pattern)) includes.push_back({match[2], match[1] == "\"", line});
    }
    return includes;
}

bool IsWindowingHeader(const std::string& header) {
    return header.starts_with("Q") || header.starts_with("qt") || header.starts_with("xcb/") ||
           header.starts_with("X11/");
}

TEST(LayerIncludes, EveryIncludeGoesDownTheStackAndQtStaysAbove) {
    const std::filesystem::path src = std::filesystem::path(CORVALIN_SOURCE_DIR) / "src";
    const int platform = RankOf("platform");
    size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(src)) {
        const auto extension = entry.path().extension();
        if (extension != ".h" && extension != ".cpp") continue;
        const std::string layer = entry.path().lexically_relative(src).begin()->string();
        const int rank = RankOf(layer);
        ASSERT_GE(rank, 0) << "a folder outside the stack: " << layer;
        ++files;
        for (const Include& include : IncludesOf(entry.path())) {
            const std::string where = entry.path().lexically_relative(src).string() + ":" + std::to_string(include.line);
            if (!include.quoted) {
                if (rank < platform)
                    EXPECT_FALSE(IsWindowingHeader(include.header)) << where << " includes <" << include.header << ">";
                continue;
            }
            const std::string target = include.header.substr(0, include.header.find('/'));
            const int targetRank = RankOf(target);
            EXPECT_GE(targetRank, 0) << where << " includes \"" << include.header << "\" from outside the stack";
            EXPECT_LE(targetRank, rank) << where << " (" << layer << ") includes \"" << include.header
                                        << "\", which lies above it";
        }
    }
    EXPECT_GT(files, 100u);
}

}  // namespace
}  // namespace corvalin
