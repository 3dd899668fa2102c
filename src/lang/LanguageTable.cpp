#include "lang/LanguageTable.h"

#include <cstdint>
#include <utility>

namespace corvalin {

namespace {

constexpr std::array<std::string_view, kLanguageSectionCount> kSectionNames = {
    "caption", "hint",  "display", "font",       "items",   "dialog",
    "string",  "other", "locale",  "collection", "charset", "untranslated",
};

// Field layout of a line: section, key, then one text per language.
constexpr size_t kFirstTextField = 2;
constexpr size_t kMaxFields = kFirstTextField + kLanguageCount;

bool ParseSectionName(std::string_view name, LanguageSection& section) {
    for (size_t i = 0; i < kSectionNames.size(); ++i) {
        if (kSectionNames[i] == name) {
            section = static_cast<LanguageSection>(i);
            return true;
        }
    }
    return false;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        size_t length = 0;
        uint32_t codePoint = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            codePoint = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            codePoint = lead & 0x07;
        } else {
            return false;
        }
        if (length > text.size() - i) return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < kSmallest[length] || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

// Texts may hold a tab or a line break only as an escape, since both end a field or a row.
bool Unescape(std::string_view field, std::string& out) {
    out.clear();
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out.push_back(field[i]);
            continue;
        }
        if (++i == field.size()) return false;
        switch (field[i]) {
            case '\\':
                out.push_back('\\');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'n':
                out.push_back('\n');
                break;
            default:
                return false;
        }
    }
    return true;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

bool IsBlank(std::string_view line) {
    for (char c : line) {
        if (c != ' ' && c != '\t') return false;
    }
    return true;
}

std::string_view ComponentOf(std::string_view key) { return key.substr(0, key.find('.')); }

}  // namespace

std::string_view LanguageSectionName(LanguageSection section) {
    return kSectionNames[static_cast<size_t>(section)];
}

std::string FoldKey(std::string_view key) {
    std::string folded(key);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

bool LanguageTable::AddRow(LanguageSection section, LanguageRow row) {
    Section& target = sections_[static_cast<size_t>(section)];
    auto [place, added] = target.index.emplace(FoldKey(row.key), target.rows.size());
    if (!added) return false;
    target.rows.push_back(std::move(row));
    return true;
}

const LanguageRow* LanguageTable::Find(LanguageSection section, std::string_view key) const {
    const Section& source = sections_[static_cast<size_t>(section)];
    const auto place = source.index.find(FoldKey(key));
    return place == source.index.end() ? nullptr : &source.rows[place->second];
}

std::string_view LanguageTable::Text(LanguageSection section, std::string_view key, int language) const {
    if (!IsLanguageNumber(language)) return {};
    const LanguageRow* row = Find(section, key);
    return row ? std::string_view(row->texts[static_cast<size_t>(language - 1)]) : std::string_view();
}

const std::vector<LanguageRow>& LanguageTable::Rows(LanguageSection section) const {
    return sections_[static_cast<size_t>(section)].rows;
}

bool LanguageTable::IsUntranslated(std::string_view component) const {
    return Find(LanguageSection::Untranslated, ComponentOf(component)) != nullptr;
}

std::vector<LanguageAssignment> LanguageTable::Assignments(int language) const {
    std::vector<LanguageAssignment> assignments;
    if (!IsLanguageNumber(language)) return assignments;
    // Collections are kept as data only: list columns keep the titles the window gives them.
    static constexpr LanguageSection kApplied[] = {
        LanguageSection::Caption, LanguageSection::Hint,  LanguageSection::Font,
        LanguageSection::Items,   LanguageSection::Other,
    };
    for (LanguageSection section : kApplied) {
        for (const LanguageRow& row : Rows(section)) {
            const std::string& text = row.texts[static_cast<size_t>(language - 1)];
            if (text.empty() || IsUntranslated(row.key)) continue;
            LanguageAssignment assignment{section, row.key, {}, text};
            const size_t point = row.key.find('.');
            switch (section) {
                case LanguageSection::Caption:
                    assignment.property = "Caption";
                    break;
                case LanguageSection::Hint:
                    assignment.property = "Hint";
                    break;
                case LanguageSection::Font:
                    assignment.property = "Font.Name";
                    break;
                default:
                    // "ListView1.Columns", "RadioGroupAuto.Items", "Button1.HelpKeyword"
                    if (point != std::string::npos) {
                        assignment.component = row.key.substr(0, point);
                        assignment.property = row.key.substr(point + 1);
                    } else {
                        assignment.property = section == LanguageSection::Items ? "Items" : "";
                    }
                    break;
            }
            assignments.push_back(std::move(assignment));
        }
    }
    return assignments;
}

ParsedLanguageTable ParseLanguageTable(std::string_view window, std::string_view text) {
    ParsedLanguageTable parsed{LanguageTable(std::string(window)), {}};
    auto fail = [&](size_t lineNumber, std::string_view what) {
        parsed.error = std::string(window) + " line " + std::to_string(lineNumber) + ": " + std::string(what);
        return parsed;
    };

    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#' || IsBlank(line)) continue;

        if (!IsValidUtf8(line)) return fail(lineNumber, "not UTF-8");
        const std::vector<std::string_view> fields = SplitFields(line);
        if (fields.size() > kMaxFields) return fail(lineNumber, "more than six texts");

        LanguageSection section{};
        if (!ParseSectionName(fields[0], section)) {
            return fail(lineNumber, "unknown section \"" + std::string(fields[0]) + "\"");
        }
        if (fields.size() < 2 || fields[1].empty()) return fail(lineNumber, "row without a key");
        const std::string_view key = fields[1];
        if (key.front() == ' ' || key.back() == ' ' || key.find('\\') != std::string_view::npos) {
            return fail(lineNumber, "key \"" + std::string(key) + "\" has outer spaces or a backslash");
        }

        LanguageRow row{std::string(key), {}};
        for (size_t field = kFirstTextField; field < fields.size(); ++field) {
            if (!Unescape(fields[field], row.texts[field - kFirstTextField])) {
                return fail(lineNumber, "unknown escape in the text of \"" + row.key + "\"");
            }
        }
        if (section == LanguageSection::Untranslated) {
            for (const std::string& rowText : row.texts) {
                if (!rowText.empty())
                    return fail(lineNumber, "untranslated component \"" + row.key + "\" has texts");
            }
        }
        if (!parsed.table.AddRow(section, std::move(row))) {
            return fail(lineNumber, "second row for \"" + std::string(key) + "\" in section " +
                                        std::string(LanguageSectionName(section)));
        }
    }
    return parsed;
}

}  // namespace corvalin
