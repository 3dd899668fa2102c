#include "import/CodepageList.h"

#include <langinfo.h>
#include <locale.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>

namespace corvalin {
namespace {

constexpr int32_t kFirstProbedNumber = 16;
constexpr int32_t kLastProbedNumber = 65535;
constexpr int32_t kCodePageUtf7 = 65000;
// UTF-16 under its Windows numbers: the list has it as its two first entries instead.
constexpr int32_t kWindowsUtf16LE = 1200;
constexpr int32_t kWindowsUtf16BE = 1201;

// Windows code pages with the descriptions Windows gives them; `converter` names the ICU
// converter where ICU has no "windows-N" alias for the number.
struct KnownCodepage {
    int32_t number;
    const char* converter;
    const char* description;
};

constexpr KnownCodepage kKnownCodepages[] = {
    {37, nullptr, "IBM EBCDIC - U.S./Canada"},
    {437, nullptr, "OEM - United States"},
    {500, nullptr, "IBM EBCDIC - International"},
    {708, "ASMO-708", "Arabic - ASMO"},
    {720, nullptr, "Arabic - Transparent ASMO"},
    {737, nullptr, "OEM - Greek 437G"},
    {775, nullptr, "OEM - Baltic"},
    {850, nullptr, "OEM - Multilingual Latin I"},
    {852, nullptr, "OEM - Latin II"},
    {855, nullptr, "OEM - Cyrillic"},
    {857, nullptr, "OEM - Turkish"},
    {858, nullptr, "OEM - Multilingual Latin I + Euro"},
    {860, nullptr, "OEM - Portuguese"},
    {861, nullptr, "OEM - Icelandic"},
    {862, nullptr, "OEM - Hebrew"},
    {863, nullptr, "OEM - Canadian French"},
    {864, nullptr, "OEM - Arabic"},
    {865, nullptr, "OEM - Nordic"},
    {866, nullptr, "OEM - Russian"},
    {869, nullptr, "OEM - Modern Greek"},
    {870, nullptr, "IBM EBCDIC - Multilingual/ROECE (Latin-2)"},
    {874, nullptr, "ANSI/OEM - Thai"},
    {875, nullptr, "IBM EBCDIC - Modern Greek"},
    {932, nullptr, "ANSI/OEM - Japanese Shift-JIS"},
    {936, nullptr, "ANSI/OEM - Simplified Chinese GBK"},
    {949, nullptr, "ANSI/OEM - Korean Unified Hangul Code"},
    {950, nullptr, "ANSI/OEM - Traditional Chinese Big5"},
    {1026, nullptr, "IBM EBCDIC - Turkish (Latin-5)"},
    {1047, nullptr, "IBM EBCDIC - Latin-1/Open System"},
    {1140, nullptr, "IBM EBCDIC - U.S./Canada (37 + Euro)"},
    {1141, nullptr, "IBM EBCDIC - Germany (20273 + Euro)"},
    {1142, nullptr, "IBM EBCDIC - Denmark/Norway (20277 + Euro)"},
    {1143, nullptr, "IBM EBCDIC - Finland/Sweden (20278 + Euro)"},
    {1144, nullptr, "IBM EBCDIC - Italy (20280 + Euro)"},
    {1145, nullptr, "IBM EBCDIC - Latin America/Spain (20284 + Euro)"},
    {1146, nullptr, "IBM EBCDIC - United Kingdom (20285 + Euro)"},
    {1147, nullptr, "IBM EBCDIC - France (20297 + Euro)"},
    {1148, nullptr, "IBM EBCDIC - International (500 + Euro)"},
    {1149, nullptr, "IBM EBCDIC - Icelandic (20871 + Euro)"},
    {1250, nullptr, "ANSI - Central Europe"},
    {1251, nullptr, "ANSI - Cyrillic"},
    {1252, nullptr, "ANSI - Latin I"},
    {1253, nullptr, "ANSI - Greek"},
    {1254, nullptr, "ANSI - Turkish"},
    {1255, nullptr, "ANSI - Hebrew"},
    {1256, nullptr, "ANSI - Arabic"},
    {1257, nullptr, "ANSI - Baltic"},
    {1258, nullptr, "ANSI/OEM - Viet Nam"},
    {1361, "johab", "Korean - Johab"},
    {10000, nullptr, "MAC - Roman"},
    {10006, nullptr, "MAC - Greek I"},
    {10007, nullptr, "MAC - Cyrillic"},
    {10029, nullptr, "MAC - Latin II"},
    {10081, nullptr, "MAC - Turkish"},
    {20127, nullptr, "US-ASCII"},
    {20273, "ibm-273", "IBM EBCDIC - Germany"},
    {20277, "ibm-277", "IBM EBCDIC - Denmark/Norway"},
    {20278, "ibm-278", "IBM EBCDIC - Finland/Sweden"},
    {20280, "ibm-280", "IBM EBCDIC - Italy"},
    {20284, "ibm-284", "IBM EBCDIC - Latin America/Spain"},
    {20285, "ibm-285", "IBM EBCDIC - United Kingdom"},
    {20290, "ibm-290", "IBM EBCDIC - Japanese Katakana Extended"},
    {20297, "ibm-297", "IBM EBCDIC - France"},
    {20420, "ibm-420", "IBM EBCDIC - Arabic"},
    {20424, "ibm-424", "IBM EBCDIC - Hebrew"},
    {20833, "ibm-833", "IBM EBCDIC - Korean Extended"},
    {20838, "ibm-838", "IBM EBCDIC - Thai"},
    {20866, nullptr, "Russian - KOI8"},
    {20871, "ibm-871", "IBM EBCDIC - Icelandic"},
    {20880, "ibm-880", "IBM EBCDIC - Cyrillic (Russian)"},
    {20905, "ibm-905", "IBM EBCDIC - Turkish"},
    {20924, "ibm-924", "IBM EBCDIC - Latin-1/Open System (1047 + Euro)"},
    {20932, "EUC-JP", "JIS X 0208-1990 & 0212-1990"},
    {20936, "GB2312", "Simplified Chinese GB2312"},
    {21025, "ibm-1025", "IBM EBCDIC - Cyrillic (Serbian, Bulgarian)"},
    {21866, nullptr, "Ukrainian - KOI8-U"},
    {28591, "ISO-8859-1", "ISO 8859-1 Latin I"},
    {28592, nullptr, "ISO 8859-2 Central Europe"},
    {28593, nullptr, "ISO 8859-3 Latin 3"},
    {28594, nullptr, "ISO 8859-4 Baltic"},
    {28595, nullptr, "ISO 8859-5 Cyrillic"},
    {28596, nullptr, "ISO 8859-6 Arabic"},
    {28597, nullptr, "ISO 8859-7 Greek"},
    {28598, nullptr, "ISO 8859-8 Hebrew: Visual Ordering"},
    {28599, nullptr, "ISO 8859-9 Latin 5"},
    {28603, nullptr, "ISO 8859-13 Latin 7"},
    {28605, nullptr, "ISO 8859-15 Latin 9"},
    {50220, "ISO-2022-JP", "ISO-2022 Japanese with no halfwidth Katakana"},
    {50221, "ISO-2022-JP", "ISO-2022 Japanese with halfwidth Katakana"},
    {50222, "ISO-2022-JP", "ISO-2022 Japanese JIS X 0201-1989"},
    {50225, "ISO-2022-KR", "ISO-2022 Korean"},
    {50227, "ISO-2022-CN", "ISO-2022 Simplified Chinese"},
    {51932, "EUC-JP", "EUC-Japanese"},
    {51949, nullptr, "EUC-Korean"},
    {52936, "HZ-GB-2312", "HZ-GB2312 Simplified Chinese"},
    {54936, nullptr, "GB18030 Simplified Chinese"},
    {57002, nullptr, "ISCII - Devanagari"},
    {57003, nullptr, "ISCII - Bengali"},
    {57004, nullptr, "ISCII - Tamil"},
    {57005, nullptr, "ISCII - Telugu"},
    {57006, nullptr, "ISCII - Assamese"},
    {57007, nullptr, "ISCII - Oriya"},
    {57008, nullptr, "ISCII - Kannada"},
    {57009, nullptr, "ISCII - Malayalam"},
    {57010, nullptr, "ISCII - Gujarati"},
    {57011, nullptr, "ISCII - Punjabi (Gurmukhi)"},
    {65000, nullptr, "UTF-7"},
    {65001, nullptr, "UTF-8"},
};

static_assert(std::is_sorted(std::begin(kKnownCodepages), std::end(kKnownCodepages),
                             [](const KnownCodepage& a, const KnownCodepage& b) {
                                 return a.number < b.number;
                             }),
              "the known code pages are looked up by binary search");

const KnownCodepage* FindKnown(int32_t number) {
    const auto* end = std::end(kKnownCodepages);
    const auto* it = std::lower_bound(std::begin(kKnownCodepages), end, number,
                                      [](const KnownCodepage& known, int32_t n) { return known.number < n; });
    return it != end && it->number == number ? it : nullptr;
}

// "1251  (ANSI - Cyrillic)": the number in a column five wide, a space, the description.
std::string DisplayName(int32_t number, const char* description) {
    std::string name = std::to_string(number);
    if (description == nullptr) return name;
    name.resize(std::max<size_t>(name.size(), 5), ' ');
    return name + " (" + description + ")";
}

// The converter an alias stands for, as ICU resolves it (an alias that several converters
// share resolves to the one ICU prefers); nullptr when ICU does not know it.
const char* ResolveAlias(const char* alias) {
    UErrorCode status = U_ZERO_ERROR;
    const char* converter = ucnv_getAlias(alias, 0, &status);
    return U_SUCCESS(status) ? converter : nullptr;
}

bool IsUnicodeForm(UConverterType type) {
    switch (type) {
        case UCNV_UTF8:
        case UCNV_UTF16_BigEndian:
        case UCNV_UTF16_LittleEndian:
        case UCNV_UTF32_BigEndian:
        case UCNV_UTF32_LittleEndian:
        case UCNV_UTF7:
        case UCNV_SCSU:
        case UCNV_BOCU1:
        case UCNV_UTF16:
        case UCNV_UTF32:
        case UCNV_CESU8:
        case UCNV_IMAP_MAILBOX:
            return true;
        default:
            return false;
    }
}

// Where a number's converter was found; the lower, the more it is a Windows code page.
enum class Claim { Windows = 0, CpAlias = 1, IbmAlias = 2 };

// The numbers an alias of the form "windows-N", "cpN" or "ibm-N" gives, 16..65535.
bool NumberOfAlias(const char* alias, int32_t& number, Claim& claim) {
    const char* digits = nullptr;
    if (strncasecmp(alias, "windows-", 8) == 0) {
        digits = alias + 8, claim = Claim::Windows;
    } else if (strncasecmp(alias, "cp", 2) == 0) {
        digits = alias + 2, claim = Claim::CpAlias;
    } else if (strncasecmp(alias, "ibm-", 4) == 0) {
        digits = alias + 4, claim = Claim::IbmAlias;
    } else {
        return false;
    }
    if (*digits == '\0' || std::strlen(digits) > 5) return false;
    int32_t value = 0;
    for (const char* p = digits; *p != '\0'; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
        value = value * 10 + (*p - '0');
    }
    if (value < kFirstProbedNumber || value > kLastProbedNumber) return false;
    number = value;
    return true;
}

// Everything ICU offers, computed once per process: probing 65,520 numbers through
// ucnv_open would take seconds, so the aliases ICU has are read once (about 1,200) and those
// that spell a number are resolved back to their converters.
class Catalog {
public:
    static const Catalog& Get() {
        static const Catalog catalog;
        return catalog;
    }

    const std::vector<VEMCodepageObject>& Pages() const { return pages_; }

    const VEMCodepageObject* Find(int32_t number) const {
        const auto it = byNumber_.find(number);
        return it == byNumber_.end() ? nullptr : &pages_[it->second];
    }

    // The number that stands for a converter: the first Windows number listed for it.
    int32_t NumberOfConverter(const std::string& converter) const {
        const auto it = byConverter_.find(converter);
        return it == byConverter_.end() ? 0 : it->second;
    }

private:
    Catalog() {
        struct Candidate {
            Claim claim;
            std::string converter;
        };
        std::map<int32_t, Candidate> candidates;
        const int32_t converterCount = ucnv_countAvailable();
        for (int32_t i = 0; i < converterCount; ++i) {
            const char* converter = ucnv_getAvailableName(i);
            UErrorCode status = U_ZERO_ERROR;
            const uint16_t aliasCount = ucnv_countAliases(converter, &status);
            for (uint16_t a = 0; U_SUCCESS(status) && a < aliasCount; ++a) {
                const char* alias = ucnv_getAlias(converter, a, &status);
                int32_t number = 0;
                Claim claim{};
                if (alias == nullptr || !NumberOfAlias(alias, number, claim)) continue;
                const char* resolved = ResolveAlias(alias);
                if (resolved == nullptr) continue;
                auto it = candidates.find(number);
                if (it == candidates.end() || claim < it->second.claim)
                    candidates[number] = {claim, resolved};
            }
        }
        for (const KnownCodepage& known : kKnownCodepages) {
            if (known.converter == nullptr) continue;
            if (const char* resolved = ResolveAlias(known.converter))
                candidates[known.number] = {Claim::Windows, resolved};
        }

        // An IBM number for a converter that a Windows number (or a lower IBM one) already
        // names is left out: windows-1251 is also ibm-5347, KOI8-R also cp878.
        std::vector<std::pair<int32_t, const Candidate*>> order;
        for (const auto& [number, candidate] : candidates) order.emplace_back(number, &candidate);
        std::stable_sort(order.begin(), order.end(),
                         [](const auto& a, const auto& b) { return a.second->claim < b.second->claim; });
        std::map<int32_t, VEMCodepageObject> chosen;
        std::unordered_map<std::string, int32_t> owner;
        for (const auto& [number, candidate] : order) {
            if (number == kWindowsUtf16LE || number == kWindowsUtf16BE) continue;
            const bool windows = candidate->claim == Claim::Windows;
            if (!windows && owner.count(candidate->converter) != 0) continue;
            UErrorCode status = U_ZERO_ERROR;
            std::unique_ptr<UConverter, decltype(&ucnv_close)> open(
                ucnv_open(candidate->converter.c_str(), &status), &ucnv_close);
            if (U_FAILURE(status) || !open) continue;
            const UConverterType type = ucnv_getType(open.get());
            // UTF-16 and UTF-32 and the Unicode compressions are not code pages; UTF-8 and
            // UTF-7 are, under their Windows numbers only.
            if (IsUnicodeForm(type) && number != kCodePageUtf8 && number != kCodePageUtf7) continue;
            VEMCodepageObject page;
            page.number = number;
            // ICU counts the bytes of one UTF-16 unit, which for UTF-8 is three; a
            // character outside the BMP takes four.
            page.maxCharSize = type == UCNV_UTF8 ? 4 : ucnv_getMaxCharSize(open.get());
            const KnownCodepage* known = FindKnown(number);
            page.name = DisplayName(number, known ? known->description : nullptr);
            page.converterName = candidate->converter;
            chosen[number] = std::move(page);
            owner.emplace(candidate->converter, number);
        }
        for (auto& [number, page] : chosen) {
            byNumber_[number] = pages_.size();
            pages_.push_back(std::move(page));
        }
        // A converter several Windows numbers share stands for the lowest of them, except
        // where one is the usual name (EUC-JP is 51932 to most programs, not 20932).
        for (const VEMCodepageObject& page : pages_) byConverter_.emplace(page.converterName, page.number);
        if (const VEMCodepageObject* eucJp = Find(51932)) byConverter_[eucJp->converterName] = 51932;
    }

    std::vector<VEMCodepageObject> pages_;
    std::unordered_map<int32_t, size_t> byNumber_;
    std::unordered_map<std::string, int32_t> byConverter_;
};

// The character set part of a locale name: "ru_RU.KOI8-R@euro" -> "KOI8-R".
std::string CodesetOfLocaleName(const char* locale) {
    const char* dot = std::strchr(locale, '.');
    if (dot == nullptr) return {};
    std::string codeset(dot + 1);
    codeset.erase(std::find(codeset.begin(), codeset.end(), '@'), codeset.end());
    return codeset;
}

}  // namespace

VEMCodepage::VEMCodepage() {
    VEMCodepageObject unicode;
    unicode.number = kCodePageUnicode;
    unicode.maxCharSize = 2;
    unicode.name = "      (Unicode)";
    entries_.push_back(unicode);
    unicode.number = kCodePageUnicodeBigEndian;
    unicode.name = "      (Unicode Big Endian)";
    entries_.push_back(unicode);
    const auto& pages = Catalog::Get().Pages();
    entries_.insert(entries_.end(), pages.begin(), pages.end());
}

const VEMCodepageObject* VEMCodepage::Find(int32_t number) const {
    const int index = IndexOf(number);
    return index < 0 ? nullptr : &entries_[size_t(index)];
}

int VEMCodepage::IndexOf(int32_t number) const {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].number == number) return int(i);
    }
    return -1;
}

int VEMCodepage::InitialIndex() const { return std::max(IndexOf(SystemCodePage()), 0); }

int32_t CodePageOfCharsetName(std::string_view charsetName) {
    const std::string name(charsetName);
    const char* converter = ResolveAlias(name.c_str());
    return converter == nullptr ? 0 : Catalog::Get().NumberOfConverter(converter);
}

const char* CodepageConverterName(int32_t number) {
    if (number == kCodePageSystem) number = SystemCodePage();
    const VEMCodepageObject* page = Catalog::Get().Find(number);
    return page == nullptr ? nullptr : page->converterName.c_str();
}

int32_t SystemCodePage() {
    std::string codeset;
    // The locale as the C library sees it, without touching the process's own locale.
    if (locale_t locale = newlocale(LC_CTYPE_MASK, "", locale_t(0))) {
        codeset = nl_langinfo_l(CODESET, locale);
        freelocale(locale);
    } else {
        // A locale that is not installed still names the character set its user works in.
        for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            const char* value = std::getenv(variable);
            if (value != nullptr && *value != '\0') {
                codeset = CodesetOfLocaleName(value);
                break;
            }
        }
    }
    const int32_t number = codeset.empty() ? 0 : CodePageOfCharsetName(codeset);
    if (number == 0 || number == 20127) return kCodePageUtf8;
    return number;
}

}  // namespace corvalin
