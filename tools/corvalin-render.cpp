// corvalin-render BOOK -o PAGE.png [--dir PROGRAM_FOLDER] [--size WxH] [--font NAME] [--pt N]
//     [--bold] [--italic] [--aa 1|2|3|4] [--mode full|hyphen|original] [--fixed] [--offset N]
//     [--row N] [--margin N] [--interval N] [--kerning N] [--paragraph-interval N]
//     [--colors BACK,TEXT,HEADING,FIRST] [--scroll N] [--wave N]
// Lays out one page of a book and writes it as a PNG: the page the reader shows for that book
// at that size, from the program folder's Global.cfg (factory values without one), the book's
// own settings and its saved position. Each option overrides one value. With --scroll or
// --wave the text then moves N pixels a pixel at a time, each step composing only the rows it
// uncovers into the kept picture, as automatic movement does on screen.
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "lang/Languages.h"
#include "layout/VEMRenderParag.h"
#include "platform/ProgramFolder.h"
#include "platform/qt/QtGlyphCanvas.h"
#include "platform/qt/ReadingFont.h"
#include "render/KeptPage.h"
#include "session/ReadingSession.h"
#include "settings/Configuration.h"
#include "settings/VEMOptions.h"

namespace {

using namespace corvalin;

constexpr int kExitUsage = 1;
constexpr int kExitNotBook = 2;
constexpr int kExitCorrupted = 3;
constexpr int kExitWrite = 4;

constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 600;

struct Options {
    std::string book, output;
    std::optional<std::filesystem::path> folder;
    int width = kDefaultWidth, height = kDefaultHeight;
    std::optional<std::string> font;
    std::optional<int> points, margin, interval, paragraphInterval, mode;
    std::optional<int64_t> offset;
    std::optional<int> row;
    std::optional<std::vector<uint32_t>> colours;
    std::optional<int> aa, kerning;
    bool bold = false, italic = false, fixed = false;
    int scroll = 0, wave = 0;
};

int Usage() {
    std::cerr << "usage: corvalin-render BOOK -o PAGE.png [--dir PROGRAM_FOLDER] [--size WxH] [--font NAME] "
                 "[--pt N]\n"
                 "         [--bold] [--italic] [--aa 1|2|3|4] [--mode full|hyphen|original] [--fixed] "
                 "[--offset N]\n"
                 "         [--row N] [--margin N] [--interval N] [--kerning N] [--paragraph-interval N]\n"
                 "         [--colors BACK,TEXT,HEADING,FIRST] [--scroll N] [--wave N]\n"
                 "  Draws the page the reader shows for BOOK at that size: the settings of the program\n"
                 "  folder's Global.cfg (factory values without one), the book's own font width and\n"
                 "  formatting and its saved position; each option overrides one value.\n";
    return kExitUsage;
}

bool ParseInt(const std::string& text, int64_t& value) {
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 0);
    return !text.empty() && end && *end == 0;
}

bool ParseColours(const std::string& text, std::vector<uint32_t>& colours) {
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        char* end = nullptr;
        const unsigned long value = std::strtoul(item.c_str(), &end, 16);
        if (item.empty() || *end != 0 || value > 0xFFFFFF) return false;
        colours.push_back(uint32_t(value));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return colours.size() == 4;
}

std::optional<Options> Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            return std::string(argv[++i]);
        };
        auto number = [&](int64_t low, int64_t high) -> std::optional<int64_t> {
            auto text = next();
            int64_t value = 0;
            if (!text || !ParseInt(*text, value) || value < low || value > high) return std::nullopt;
            return value;
        };
        if (arg == "-o") {
            auto v = next();
            if (!v) return std::nullopt;
            o.output = *v;
        } else if (arg == "--dir") {
            auto v = next();
            if (!v) return std::nullopt;
            o.folder = *v;
        } else if (arg == "--size") {
            auto v = next();
            int w = 0, h = 0;
            if (!v || std::sscanf(v->c_str(), "%dx%d", &w, &h) != 2 || w < 1 || h < 1 || w > 16384 ||
                h > 16384)
                return std::nullopt;
            o.width = w;
            o.height = h;
        } else if (arg == "--font") {
            o.font = next();
            if (!o.font) return std::nullopt;
        } else if (arg == "--pt") {
            auto v = number(1, 400);
            if (!v) return std::nullopt;
            o.points = int(*v);
        } else if (arg == "--bold") {
            o.bold = true;
        } else if (arg == "--italic") {
            o.italic = true;
        } else if (arg == "--fixed") {
            o.fixed = true;
        } else if (arg == "--aa") {
            auto v = number(1, 4);
            if (!v) return std::nullopt;
            o.aa = int(*v);
        } else if (arg == "--mode") {
            auto v = next();
            if (!v) return std::nullopt;
            if (*v == "full")
                o.mode = 0;
            else if (*v == "hyphen")
                o.mode = 1;
            else if (*v == "original")
                o.mode = 2;
            else
                return std::nullopt;
        } else if (arg == "--offset") {
            auto v = number(0, INT32_MAX);
            if (!v) return std::nullopt;
            o.offset = *v;
        } else if (arg == "--row") {
            auto v = number(-1000000, 1000000);
            if (!v) return std::nullopt;
            o.row = int(*v);
        } else if (arg == "--margin") {
            auto v = number(0, 100);
            if (!v) return std::nullopt;
            o.margin = int(*v);
        } else if (arg == "--interval") {
            auto v = number(-100, 100);
            if (!v) return std::nullopt;
            o.interval = int(*v);
        } else if (arg == "--kerning") {
            auto v = number(-1000, 100);
            if (!v) return std::nullopt;
            o.kerning = int(*v);
        } else if (arg == "--paragraph-interval") {
            auto v = number(0, 100);
            if (!v) return std::nullopt;
            o.paragraphInterval = int(*v);
        } else if (arg == "--colors") {
            auto v = next();
            std::vector<uint32_t> colours;
            if (!v || !ParseColours(*v, colours)) return std::nullopt;
            o.colours = colours;
        } else if (arg == "--scroll") {
            auto v = number(0, 100000000);
            if (!v) return std::nullopt;
            o.scroll = int(*v);
        } else if (arg == "--wave") {
            auto v = number(0, 100000000);
            if (!v) return std::nullopt;
            o.wave = int(*v);
        } else if (!arg.empty() && arg[0] == '-') {
            return std::nullopt;
        } else if (o.book.empty()) {
            o.book = arg;
        } else {
            return std::nullopt;
        }
    }
    if (o.book.empty() || o.output.empty() || (o.scroll > 0 && o.wave > 0)) return std::nullopt;
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    const auto parsed = Parse(argc, argv);
    if (!parsed) return Usage();
    const Options& o = *parsed;

    // Without a display the canvas still works on Qt's offscreen platform.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);

    // The program folder's settings, as the reader starts with them.
    Configuration config;
    LoadContext context;
    context.languageCount = int32_t(kLanguageListEntries.size());
    context.convertLegacy = false;
    LoadConfiguration(o.folder ? *o.folder : ProgramFolder(), config, context);
    VEMOptions options;
    options.ApplyStoredSettings(config.stored, nullptr, true);

    ReadingSession session;
    VEMRenderParag& view = session.View();
    view.pageWidthPx = o.width;
    view.pageHeightPx = o.height;
    QtGlyphCanvas canvas;
    options.OnViewChanged = [&] { ApplyReadingSettings(options, view, canvas); };
    ApplyReadingSettings(options, view, canvas);
    const Verdict opened = session.Open(o.book, o.book, options, config.stored);
    if (!opened.Ok()) {
        std::cerr << o.book << ": "
                  << (IsDamagedBook(opened) ? "The is book is corrupted"
                                            : "The is not the Corvalindestrum file")
                  << " (" << opened.field << ": " << opened.message << ")\n";
        return IsDamagedBook(opened) ? kExitCorrupted : kExitNotBook;
    }

    // The options override single values, in one update: the page is laid out once more.
    options.SetApplyOverride(true);
    options.BeginUpdate();
    if (o.fixed) options.Set(Setting::Proportional, 0);
    const FontKind kind = options.CurrentFontKind();
    auto group = [kind](Setting proportional) { return FontSetting(kind, proportional); };
    if (o.font) options.SetFontName(kind, *o.font);
    if (o.points) options.Set(group(Setting::PropFontSize), *o.points);
    if (o.bold) options.Set(group(Setting::PropBold), 1);
    if (o.italic) options.Set(group(Setting::PropItalic), 1);
    if (o.aa) options.Set(Setting::Antialiasing, *o.aa - 1);
    if (o.mode) options.Set(Setting::TextFormatting, *o.mode);
    if (o.margin) options.Set(group(Setting::PropPageMargins), *o.margin);
    if (o.interval) options.Set(group(Setting::PropLineInterval), *o.interval);
    if (o.kerning) options.Set(group(Setting::PropKerning), *o.kerning);
    if (o.paragraphInterval) options.Set(Setting::ParagraphInterval, *o.paragraphInterval);
    if (o.colours) {
        options.Set(group(Setting::PropBackColor), int32_t((*o.colours)[0]));
        options.Set(group(Setting::PropTextColor), int32_t((*o.colours)[1]));
        options.Set(group(Setting::PropHeadingColor), int32_t((*o.colours)[2]));
        options.Set(group(Setting::PropFirstLetterColor), int32_t((*o.colours)[3]));
    }
    if (o.wave > 0) options.Set(Setting::AutoMode, kAutoWave);
    options.EndUpdate();
    view.autoRunning = o.scroll > 0 || o.wave > 0;
    if (o.offset || o.row) {
        int64_t offset = 0;
        int32_t row = 0;
        view.GetPosition(offset, row);
        view.GoToPosition(o.offset ? *o.offset : offset, o.row ? *o.row : row);
    }

    QImage picture(o.width, o.height, QImage::Format_BGR888);
    PixelImage image{picture.bits(), o.width, o.height, int(picture.bytesPerLine())};
    KeptPage kept(image);
    kept.PaintWhole(view);

    const int steps = std::max(o.scroll, o.wave);
    if (steps > 0) {
        const auto start = std::chrono::steady_clock::now();
        int done = 0;
        while (done < steps && kept.Step(view)) ++done;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::cout << "moved " << done << " px in " << seconds * 1e3 << " ms, "
                  << (done ? seconds * 1e6 / done : 0) << " us per px\n";
    }
    kept.Unroll();
    if (!picture.save(QString::fromStdString(o.output), "PNG")) {
        std::cerr << o.output << ": cannot write the picture\n";
        return kExitWrite;
    }
    return 0;
}
