#include "platform/qt/FontFamilies.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QString>

namespace corvalin {
namespace {

// Metric-compatible faces where Debian has them (Liberation for Arial, Times New Roman and
// Courier New; Carlito and Caladea for Calibri and Cambria), so lines break where they broke
// on Windows; otherwise a face of the same build and width. Every substitute comes from a
// package scripts/setup.sh installs: fonts-liberation2, fonts-dejavu-core, fonts-comic-neue,
// fonts-crosextra-carlito, fonts-crosextra-caladea.
constexpr FamilySubstitution kSubstitutions[] = {
    {"Arial", {"Liberation Sans", "DejaVu Sans"}},
    {"Helvetica", {"Liberation Sans", "DejaVu Sans"}},
    {"MS Sans Serif", {"Liberation Sans", "DejaVu Sans"}},
    {"Microsoft Sans Serif", {"Liberation Sans", "DejaVu Sans"}},
    {"MS Shell Dlg", {"Liberation Sans", "DejaVu Sans"}},
    {"MS Shell Dlg 2", {"Liberation Sans", "DejaVu Sans"}},
    {"Segoe UI", {"Liberation Sans", "DejaVu Sans"}},
    {"Trebuchet MS", {"Liberation Sans", "DejaVu Sans"}},
    {"Verdana", {"DejaVu Sans", "Liberation Sans"}},
    {"Tahoma", {"DejaVu Sans", "Liberation Sans"}},
    {"Lucida Sans Unicode", {"DejaVu Sans", "Liberation Sans"}},
    {"Lucida Sans", {"DejaVu Sans", "Liberation Sans"}},
    {"Lucida Grande", {"DejaVu Sans", "Liberation Sans"}},
    {"Calibri", {"Carlito", "Liberation Sans"}},
    {"Comic Sans MS", {"Comic Neue", "DejaVu Sans"}},
    {"Times New Roman", {"Liberation Serif", "DejaVu Serif"}},
    {"Times", {"Liberation Serif", "DejaVu Serif"}},
    {"MS Serif", {"Liberation Serif", "DejaVu Serif"}},
    {"Georgia", {"DejaVu Serif", "Liberation Serif"}},
    {"Palatino Linotype", {"DejaVu Serif", "Liberation Serif"}},
    {"Book Antiqua", {"DejaVu Serif", "Liberation Serif"}},
    {"Cambria", {"Caladea", "Liberation Serif"}},
    {"Courier New", {"Liberation Mono", "DejaVu Sans Mono"}},
    {"Courier", {"Liberation Mono", "DejaVu Sans Mono"}},
    {"Lucida Console", {"DejaVu Sans Mono", "Liberation Mono"}},
    {"Lucida Sans Typewriter", {"DejaVu Sans Mono", "Liberation Mono"}},
    {"Consolas", {"DejaVu Sans Mono", "Liberation Mono"}},
    {"Fixedsys", {"DejaVu Sans Mono", "Liberation Mono"}},
    {"Terminal", {"DejaVu Sans Mono", "Liberation Mono"}},
};

constexpr std::string_view kMonospaceFallbacks[] = {"DejaVu Sans Mono", "Liberation Mono"};
constexpr std::string_view kUprightFallback = "DejaVu Sans";
// Large enough that advances which differ in the design differ after rounding.
constexpr int kMeasurePixels = 48;

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

bool Installed(std::string_view family) {
    return !family.empty() && QFontDatabase::hasFamily(ToQString(family));
}

const FamilySubstitution* SubstitutionFor(std::string_view requested) {
    const QString name = ToQString(requested).trimmed();
    for (const FamilySubstitution& row : kSubstitutions)
        if (name.compare(ToQString(row.windowsFamily), Qt::CaseInsensitive) == 0) return &row;
    return nullptr;
}

std::string FirstInstalled(std::span<const std::string_view> families) {
    for (std::string_view family : families)
        if (Installed(family)) return std::string(family);
    return {};
}

QFont UprightFont(std::string_view family) {
    QFont font;
    if (!family.empty()) font.setFamily(ToQString(family));
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

std::string ResolvedFamily(const QFont& font) { return QFontInfo(font).family().toStdString(); }

std::string FixedWidthFallback() {
    const std::string system = ResolvedFamily(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    if (IsMonospaceFamily(system)) return system;
    const std::string ours = FirstInstalled(kMonospaceFallbacks);
    return ours.empty() ? system : ours;
}

// A family the system lacks and the table does not name: fontconfig's pick, unless that leans.
std::string UprightGuess(std::string_view requested) {
    if (!QFontInfo(UprightFont(requested)).italic()) return std::string(requested);
    const std::string general = ResolvedFamily(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    if (!general.empty() && !QFontInfo(UprightFont(general)).italic()) return general;
    return std::string(kUprightFallback);
}

}  // namespace

std::span<const FamilySubstitution> FamilySubstitutions() { return kSubstitutions; }

bool IsMonospaceFamily(std::string_view family) {
    QFont font = UprightFont(family);
    font.setPixelSize(kMeasurePixels);
    const QFontMetrics metrics(font);
    const int advance = metrics.horizontalAdvance(QChar(u'0'));
    if (advance <= 0) return false;
    for (char16_t unit = 0x20; unit <= 0x7E; ++unit)
        if (metrics.horizontalAdvance(QChar(unit)) != advance) return false;
    return true;
}

std::string DrawingFamilyFor(std::string_view requested, bool fixedWidth) {
    std::string family;
    if (Installed(requested)) {
        family = std::string(requested);
    } else if (const FamilySubstitution* row = SubstitutionFor(requested)) {
        family = FirstInstalled(row->substitutes);
        if (family.empty()) family = UprightGuess(requested);
    } else if (!requested.empty()) {
        family = UprightGuess(requested);
    }
    if (fixedWidth && !IsMonospaceFamily(family)) return FixedWidthFallback();
    return family;
}

}  // namespace corvalin
