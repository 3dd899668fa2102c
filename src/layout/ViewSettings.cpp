#include "layout/ViewSettings.h"

#include "layout/VEMRenderParag.h"
#include "settings/VEMOptions.h"

namespace corvalin {
namespace {

// The interval setting 8 means lines touch; the view takes the difference.
constexpr int32_t kIntervalBase = 8;
constexpr int32_t kFormattingOriginal = 2;
constexpr int32_t kFormattingFullHyphen = 1;

constexpr int32_t kScrollModeDirectX = 2;

}  // namespace

LevelAvailability AvailableLevels(int32_t surfaceCount, int32_t aaFactor, int32_t autoMode) {
    LevelAvailability levels;
    const int32_t k = surfaceCount, f = aaFactor;
    if (autoMode != kAutoWave) {
        levels.superScroll[1] = k >= 2 && (f == 2 || f == 4);
        levels.superScroll[2] = k > 2 && f == 3;
        levels.superScroll[3] = k > 3 && f == 4;
    }
    levels.antiFlicker[1] = levels.antiFlicker[2] = k >= 2 && f >= 2;
    levels.antiFlicker[3] = k >= 2 && f >= 3;
    levels.antiFlicker[4] = k >= 2 && f == 4;
    return levels;
}

bool FallBackToAvailableLevels(VEMOptions& options, const LevelAvailability& levels) {
    if (!options.IsSet(Setting::QualityPriority) && !options.ApplyOverride()) return false;
    auto available = [](const auto& table, int32_t level) {
        return level >= 0 && size_t(level) < table.size() && table[size_t(level)];
    };
    bool changed = false;
    // One update: the handlers run once, with both levels settled.
    options.BeginUpdate();
    if (!available(levels.antiFlicker, options.Get(Setting::AntiFlicker)))
        changed |= options.Set(Setting::AntiFlicker, 0);
    if (!available(levels.superScroll, options.Get(Setting::SuperScroll)))
        changed |= options.Set(Setting::SuperScroll, 0);
    options.EndUpdate();
    return changed;
}

ReadingFontRequest ApplyViewSettings(const VEMOptions& options, VEMRenderParag& view, int32_t surfaceCount) {
    const FontKind kind = options.CurrentFontKind();
    auto group = [&](Setting proportional) { return options.Get(FontSetting(kind, proportional)); };

    view.aaFactor = options.Effective(Setting::Antialiasing) + 1;
    view.proportional = kind == FontKind::Proportional;
    view.marginPx = group(Setting::PropPageMargins);
    view.lineIntervalPx = group(Setting::PropLineInterval) - kIntervalBase;
    view.kerningSsPx = group(Setting::PropKerning);
    view.paragraphIntervalPx = options.Get(Setting::ParagraphInterval);
    const int32_t formatting = options.Effective(Setting::TextFormatting);
    view.fullFormatting = formatting < kFormattingOriginal;
    view.joinHyphens = formatting == kFormattingFullHyphen;
    view.crop = options.Effective(Setting::Crop) != 0;
    view.autoMode = options.Effective(Setting::AutoMode);
    view.cachePages = CachePagesForIndex(options.Effective(Setting::CacheSizeIndex));
    // Sub-pixel phases and the widened filter exist only for the off-screen page images.
    view.surfaceActive = surfaceCount > 0 && options.Effective(Setting::ScrollMode) == kScrollModeDirectX;
    const LevelAvailability levels =
        AvailableLevels(view.surfaceActive ? surfaceCount : 0, view.aaFactor, view.autoMode);
    const int32_t superScroll = options.Effective(Setting::SuperScroll);
    const int32_t antiFlicker = options.Effective(Setting::AntiFlicker);
    view.superScrollLevel = superScroll > 0 && size_t(superScroll) < levels.superScroll.size() &&
                                    levels.superScroll[size_t(superScroll)]
                                ? superScroll
                                : 0;
    view.antiFlickerLevel = antiFlicker > 0 && size_t(antiFlicker) < levels.antiFlicker.size() &&
                                    levels.antiFlicker[size_t(antiFlicker)]
                                ? antiFlicker
                                : 0;
    view.backColour = uint32_t(group(Setting::PropBackColor));
    view.textColour = uint32_t(group(Setting::PropTextColor));
    view.headingColour = uint32_t(group(Setting::PropHeadingColor));
    view.firstLetterColour = uint32_t(group(Setting::PropFirstLetterColor));

    const FontDescription font = options.FontOf(int(kind));
    ReadingFontRequest request;
    request.family = font.name;
    request.points = font.size;
    request.aaFactor = view.aaFactor;
    request.bold = font.bold;
    request.italic = font.italic;
    request.underline = font.underline;
    request.strikeOut = font.strikeOut;
    request.fixedWidth = !view.proportional;
    return request;
}

}  // namespace corvalin
