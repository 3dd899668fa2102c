#include "layout/ViewSettings.h"

#include "layout/VEMRenderParag.h"
#include "settings/VEMOptions.h"

namespace corvalin {
namespace {

// The interval setting 8 means lines touch; the view takes the difference.
constexpr int32_t kIntervalBase = 8;
constexpr int32_t kFormattingOriginal = 2;
constexpr int32_t kFormattingFullHyphen = 1;

}  // namespace

ReadingFontRequest ApplyViewSettings(const VEMOptions& options, VEMRenderParag& view) {
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
    // Sub-pixel phases need the off-screen page surfaces, which this window does not keep yet.
    view.surfaceActive = false;
    view.superScrollLevel = 0;
    view.antiFlickerLevel = 0;
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
