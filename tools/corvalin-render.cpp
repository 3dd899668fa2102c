// corvalin-render BOOK -o PAGE.png [--size WxH] [--font NAME] [--pt N] [--bold] [--italic]
//     [--aa 1|2|3|4] [--mode full|hyphen|original] [--fixed] [--offset N] [--row N] [--margin N]
//     [--interval N] [--kerning N] [--paragraph-interval N] [--colors BACK,TEXT,HEADING,FIRST]
//     [--scroll N] [--wave N]
// Lays out one page of a book as the reader does and writes it as a PNG. With --scroll or
// --wave the text then moves N pixels a pixel at a time, each step composing only the rows it
// uncovers into the kept picture, as automatic movement does on screen.
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "books/BookFormat.h"
#include "layout/BookDocument.h"
#include "layout/VEMRenderParag.h"
#include "platform/qt/QtGlyphCanvas.h"
#include "platform/qt/ReadingFont.h"
#include "render/KeptPage.h"
#include "settings/VEMOpt.h"

namespace {

using namespace corvalin;

constexpr int kExitUsage = 1;
constexpr int kExitNotBook = 2;
constexpr int kExitCorrupted = 3;
constexpr int kExitWrite = 4;
constexpr int32_t kIntervalBase = 8;  // the interval setting 8 means no extra space

// The factory settings of the two font groups.
struct FontGroup {
    const char* font;
    int points;
    int margin;
    int interval;
    uint32_t back, text, heading, first;
};
constexpr FontGroup kProportional{"Comic Sans MS", 26, 5, 0, 0xA4BBB8, 0x533F00, 0xA5, 0xFFFFFF};
constexpr FontGroup kFixed{"Lucida Console", 12, 15, 4, 0xA4BBB8, 0x4A3800, 0xA5, 0xFFFFFF};
constexpr int kFactoryParagraphInterval = 8;
constexpr int kFactoryFormatting = 1;  // "Full+Hyphen"
constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 600;

struct Options {
    std::string book, output;
    int width = kDefaultWidth, height = kDefaultHeight;
    std::optional<std::string> font;
    std::optional<int> points, margin, interval, paragraphInterval, mode;
    std::optional<int64_t> offset;
    std::optional<int> row;
    std::optional<std::vector<uint32_t>> colours;
    bool bold = false, italic = false, fixed = false;
    int aa = 1, kerning = 0, scroll = 0, wave = 0;
};

int Usage() {
    std::cerr
        << "usage: corvalin-render BOOK -o PAGE.png [--size WxH] [--font NAME] [--pt N] [--bold] [--italic]\n"
           "         [--aa 1|2|3|4] [--mode full|hyphen|original] [--fixed] [--offset N] [--row N]\n"
           "         [--margin N] [--interval N] [--kerning N] [--paragraph-interval N]\n"
           "         [--colors BACK,TEXT,HEADING,FIRST] [--scroll N] [--wave N]\n";
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

    BookDocument book;
    switch (book.Open(o.book)) {
        case BookCheck::NotBook:
            std::cerr << o.book << ": The is not the Corvalindestrum file\n";
            return kExitNotBook;
        case BookCheck::Corrupted:
            std::cerr << o.book << ": The is book is corrupted\n";
            return kExitCorrupted;
        case BookCheck::Ok:
            break;
    }

    const bool proportional = o.fixed ? false : book.Store().GetBool(kTagProportional, true);
    const FontGroup& group = proportional ? kProportional : kFixed;
    const int formatting =
        o.mode ? *o.mode : (book.Store().GetInt(kTagFormattingMode, kFactoryFormatting) & 0xFF);

    ReadingFontRequest request;
    request.family = o.font ? *o.font : group.font;
    request.points = o.points ? *o.points : group.points;
    request.aaFactor = o.aa;
    request.bold = o.bold;
    request.italic = o.italic;
    request.fixedWidth = !proportional;
    QtGlyphCanvas canvas(ReadingFontSpec(request));

    VEMRenderParag view;
    view.canvas = &canvas;
    view.pageWidth = o.width;
    view.pageHeight = o.height;
    view.aaFactor = o.aa;
    view.marginPx = o.margin ? *o.margin : group.margin;
    view.lineInterval = (o.interval ? *o.interval : group.interval) - kIntervalBase;
    view.kerning = o.kerning;
    view.paragraphInterval = o.paragraphInterval ? *o.paragraphInterval : kFactoryParagraphInterval;
    view.proportional = proportional;
    view.fullFormatting = formatting < 2;
    view.joinHyphens = formatting == 1;
    const std::vector<uint32_t> colours =
        o.colours ? *o.colours : std::vector<uint32_t>{group.back, group.text, group.heading, group.first};
    view.backColour = colours[0];
    view.textColour = colours[1];
    view.headingColour = colours[2];
    view.firstLetterColour = colours[3];
    view.autoMode = o.wave > 0 ? kAutoWave : kAutoScroll;
    view.autoRunning = o.scroll > 0 || o.wave > 0;

    ShowBook(book, view);
    if (o.offset || o.row) {
        view.GoToPosition(o.offset ? *o.offset : book.SavedOffset(),
                          o.row ? *o.row : book.SavedRow(o.height));
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
