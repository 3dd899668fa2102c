#include "import/XmlInput.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "base/Utf.h"
#include "import/BuildBook.h"
#include "import/CodepageList.h"
#include "import/CodepageSource.h"

namespace corvalin {
namespace {

// An XML declaration is short; one that does not close within this is not looked into.
constexpr size_t kDeclarationBytes = 1024;
// Elements nested deeper than this are not looked into when their text is collected.
constexpr size_t kMaxTextDepth = 256;

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

Verdict XmlFailure(const XmlReading& reading, VerdictKind kind, const std::string& what) {
    return Verdict::Bad(kind, std::string(reading.part),
                        std::string(reading.format) + ": " + std::string(reading.part) + ": " + what);
}

unsigned ParseOptions(const XmlReading& reading) {
    unsigned options =
        pugi::parse_cdata | pugi::parse_eol | pugi::parse_ws_pcdata | pugi::parse_wconv_attribute;
    if (!reading.keepReferences) options |= pugi::parse_escapes;
    return options;
}

}  // namespace

std::string DeclaredXmlEncoding(std::span<const uint8_t> bytes) {
    const std::string_view head(reinterpret_cast<const char*>(bytes.data()),
                                std::min(bytes.size(), kDeclarationBytes));
    if (!head.starts_with("<?xml")) return {};
    const size_t close = head.find("?>");
    const std::string_view declaration = head.substr(0, close);
    const size_t name = declaration.find("encoding");
    if (name == std::string_view::npos) return {};
    size_t at = name + 8;
    while (at < declaration.size() && IsXmlSpace(declaration[at])) ++at;
    if (at == declaration.size() || declaration[at] != '=') return {};
    ++at;
    while (at < declaration.size() && IsXmlSpace(declaration[at])) ++at;
    if (at == declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) return {};
    const char quote = declaration[at++];
    const size_t end = declaration.find(quote, at);
    if (end == std::string_view::npos) return {};
    return std::string(declaration.substr(at, end - at));
}

Verdict LoadXml(std::span<const uint8_t> bytes, pugi::xml_document& document, const XmlReading& reading) {
    document.reset();
    const unsigned options = ParseOptions(reading);
    pugi::xml_parse_result result;
    const auto starts = [&](std::initializer_list<uint8_t> prefix) {
        return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
    };
    if (starts({0xFF, 0xFE}) || starts({'<', 0, '?', 0})) {
        result = document.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_utf16_le);
    } else if (starts({0xFE, 0xFF}) || starts({0, '<', 0, '?'})) {
        result = document.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_utf16_be);
    } else {
        const std::string declared = Lower(DeclaredXmlEncoding(bytes));
        int32_t codePage = kCodePageUtf8;
        if (!declared.empty() && !starts({0xEF, 0xBB, 0xBF})) {
            codePage = CodePageOfCharsetName(declared);
            if (codePage == 0)
                return XmlFailure(reading, VerdictKind::Unsupported,
                                  "no code page reads \"" + declared + "\"");
        }
        if (codePage == kCodePageUtf8 || codePage == 20127) {
            result = document.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_utf8);
        } else {
            auto source =
                MakeCodepageSource(DocumentBytes(std::vector<uint8_t>(bytes.begin(), bytes.end())), codePage);
            const DecodedText text = ReadAllUnits(*source);
            result = document.load_buffer(text.units.get(), text.size * sizeof(char16_t), options,
                                          pugi::encoding_utf16);
        }
    }
    if (!result)
        return XmlFailure(
            reading, VerdictKind::Damaged,
            std::string("XML ") + result.description() + " at byte " + std::to_string(result.offset));
    if (!document.document_element()) return XmlFailure(reading, VerdictKind::Damaged, "no root element");
    return Verdict::Good();
}

std::string LocalName(const pugi::xml_node& node) {
    const std::string_view name = node.name();
    const size_t colon = name.rfind(':');
    return Lower(colon == std::string_view::npos ? name : name.substr(colon + 1));
}

pugi::xml_attribute AttributeByLocalName(const pugi::xml_node& node, std::string_view name) {
    for (pugi::xml_attribute attribute : node.attributes()) {
        std::string_view attributeName = attribute.name();
        const size_t colon = attributeName.rfind(':');
        if (colon != std::string_view::npos) attributeName.remove_prefix(colon + 1);
        if (Lower(attributeName) == name) return attribute;
    }
    return {};
}

std::string CollapsedText(const pugi::xml_node& node) {
    std::string text;
    bool space = false;
    const auto add = [&](std::string_view piece) {
        for (char c : piece) {
            if (static_cast<unsigned char>(c) <= ' ') {
                space = true;
                continue;
            }
            if (space && !text.empty()) text.push_back(' ');
            space = false;
            text.push_back(c);
        }
    };
    // Walked without recursion: a forged document nests as deep as it likes.
    std::vector<std::pair<pugi::xml_node, size_t>> stack{{node, 0}};
    while (!stack.empty()) {
        const auto [current, depth] = stack.back();
        stack.pop_back();
        if (current.type() == pugi::node_pcdata || current.type() == pugi::node_cdata) {
            add(current.value());
            continue;
        }
        if (current.type() != pugi::node_element && current.type() != pugi::node_document) continue;
        if (depth >= kMaxTextDepth) continue;
        for (pugi::xml_node child = current.last_child(); child; child = child.previous_sibling())
            stack.emplace_back(child, depth + 1);
    }
    return text;
}

}  // namespace corvalin
