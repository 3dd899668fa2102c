#include "import/EpubContent.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "base/Utf.h"
#include "import/CodepageList.h"
#include "import/CodepageSource.h"
#include "import/HtmlToText.h"
#include "import/UnicodeSources.h"
#include "import/XmlInput.h"

namespace corvalin {
namespace {

// Elements nested deeper than this are passed over with what they hold; real pages nest a few
// dozen levels.
constexpr size_t kMaxDepth = 512;

// Elements whose content is not text of the book.
constexpr std::array<std::string_view, 19> kSkipped = {
    "head",  "script", "style",  "title",    "img", "image", "svg",  "video", "audio", "object",
    "embed", "iframe", "canvas", "template", "rt",  "rp",    "case", "map",   "input",
};

// Elements that stand on lines of their own: each starts and ends a line.
constexpr std::array<std::string_view, 44> kBlocks = {
    "address", "article", "aside", "blockquote", "body",     "caption",    "center",  "dd",      "details",
    "dialog",  "div",     "dl",    "dt",         "fieldset", "figcaption", "figure",  "footer",  "form",
    "h1",      "h2",      "h3",    "h4",         "h5",       "h6",         "header",  "hgroup",  "hr",
    "legend",  "li",      "main",  "nav",        "ol",       "p",          "section", "summary", "table",
    "tbody",   "thead",   "tfoot", "tr",         "td",       "th",         "ul",      "option",
};

template <size_t N>
bool Listed(const std::array<std::string_view, N>& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

// Writes the body of a page as the plain HTML the converter reads: "<p>" wherever a block
// begins or ends, "<br>", "<pre>" … "</pre>", and the text with its references as written.
class MarkupWriter {
public:
    explicit MarkupWriter(const std::vector<std::string>& anchors) {
        for (size_t i = 0; i < anchors.size(); ++i) anchorIndex_.emplace(anchors[i], i);
    }

    void Write(const pugi::xml_node& root) {
        struct Step {
            pugi::xml_node node;
            bool leaving;
        };
        std::vector<Step> stack{{root, false}};
        while (!stack.empty()) {
            const Step step = stack.back();
            stack.pop_back();
            const pugi::xml_node node = step.node;
            if (step.leaving) {
                Leave(LocalName(node));
                continue;
            }
            if (node.type() == pugi::node_pcdata) {
                Text(node.value(), false);
                continue;
            }
            if (node.type() == pugi::node_cdata) {
                Text(node.value(), true);
                continue;
            }
            if (node.type() != pugi::node_element) continue;
            const std::string name = LocalName(node);
            if (Listed(kSkipped, name) || depth_ >= kMaxDepth) continue;
            NoteAnchor(node, name);
            Enter(name);
            stack.push_back({node, true});
            for (pugi::xml_node child = node.last_child(); child; child = child.previous_sibling())
                stack.push_back({child, false});
        }
    }

    std::u16string& Markup() { return markup_; }
    // (markup offset, anchor index), in markup order.
    std::vector<std::pair<size_t, size_t>>& AnchorOffsets() { return anchorOffsets_; }

private:
    void NoteAnchor(const pugi::xml_node& node, const std::string& name) {
        if (anchorIndex_.empty()) return;
        for (const char* attribute : {"id", "name"}) {
            if (attribute[0] == 'n' && name != "a") continue;
            const pugi::xml_attribute value = node.attribute(attribute);
            if (!value) continue;
            const auto found = anchorIndex_.find(value.value());
            if (found == anchorIndex_.end()) continue;
            anchorOffsets_.emplace_back(markup_.size(), found->second);
            anchorIndex_.erase(found);
        }
    }

    void Enter(const std::string& name) {
        ++depth_;
        if (name == "br") {
            markup_ += u"<br>";
            lineStart_ = true;
        } else if (name == "pre") {
            markup_ += u"<p><pre>";
            ++preformatted_;
            lineStart_ = true;
        } else if (Listed(kBlocks, name)) {
            Block();
        }
    }

    void Leave(const std::string& name) {
        --depth_;
        if (name == "pre") {
            markup_ += u"</pre><p>";
            --preformatted_;
            lineStart_ = true;
        } else if (Listed(kBlocks, name)) {
            Block();
        }
    }

    void Block() {
        markup_ += u"<p>";
        lineStart_ = true;
    }

    void Text(std::string_view text, bool literal) {
        // White space where a line begins would indent it: it is dropped there (outside
        // preformatted blocks), and so is text made only of white space between blocks.
        if (lineStart_ && preformatted_ == 0) {
            const size_t first = text.find_first_not_of(" \t\r\n\f");
            if (first == std::string_view::npos) return;
            text.remove_prefix(first);
        }
        if (text.empty()) return;
        lineStart_ = false;
        const std::u16string units = Utf8ToUtf16(text);
        if (literal) {
            // CDATA holds "<" and "&" as themselves.
            for (char16_t unit : units) {
                if (unit == u'<')
                    markup_ += u"&lt;";
                else if (unit == u'&')
                    markup_ += u"&amp;";
                else
                    markup_.push_back(unit);
            }
            return;
        }
        // XML's &apos; is not among HTML's named references.
        size_t from = 0;
        for (size_t at; (at = units.find(u"&apos;", from)) != std::u16string::npos; from = at + 6) {
            markup_.append(units, from, at - from);
            markup_.push_back(u'\'');
        }
        markup_.append(units, from, std::u16string::npos);
    }

    std::unordered_map<std::string, size_t> anchorIndex_;
    std::vector<std::pair<size_t, size_t>> anchorOffsets_;
    std::u16string markup_;
    size_t depth_ = 0;
    int preformatted_ = 0;
    bool lineStart_ = true;
};

// The markup through the converter, noting where the text of each anchored element begins:
// the converter goes step by step up to the last anchor and then in large pieces.
std::u16string ConvertMarkup(std::u16string_view markup,
                             const std::vector<std::pair<size_t, size_t>>& anchorOffsets,
                             std::vector<size_t>& anchorPositions) {
    UnitsTextSource source(markup, int64_t(markup.size()));
    HtmlToText converter(source);
    std::u16string text;
    size_t next = 0;
    while (next < anchorOffsets.size()) {
        const size_t before = text.size();
        if (!converter.ConvertStep(text)) break;
        for (; next < anchorOffsets.size() && anchorOffsets[next].first < converter.SourcePosition(); ++next)
            anchorPositions[anchorOffsets[next].second] = before;
    }
    while (converter.Convert(text, size_t(1) << 16)) {
    }
    for (; next < anchorOffsets.size(); ++next) anchorPositions[anchorOffsets[next].second] = text.size();
    return text;
}

std::u16string DecodeAsDeclared(std::span<const uint8_t> bytes) {
    const std::string declared = DeclaredXmlEncoding(bytes);
    const int32_t codePage = declared.empty() ? 0 : CodePageOfCharsetName(declared);
    const int32_t bom = CodePageOfByteOrderMark(bytes.data(), bytes.size());
    DocumentBytes copy(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    std::unique_ptr<TextSource> source;
    if (bom == 0 && codePage != 0 && codePage != kCodePageUtf8)
        source = MakeCodepageSource(std::move(copy), codePage);
    else
        source = MakeUnicodeSource(std::move(copy), DetectUnicodeForm(bytes.data(), bytes.size()));
    std::u16string units;
    char16_t block[8192];
    while (const size_t n = source->ReadUnits(block, std::size(block))) units.append(block, n);
    return units;
}

}  // namespace

XhtmlText ConvertXhtml(std::span<const uint8_t> bytes, const std::vector<std::string>& anchors) {
    XhtmlText result;
    result.anchorPositions.assign(anchors.size(), 0);
    pugi::xml_document document;
    const Verdict parsed = LoadXml(bytes, document, {"EPUB", "content document", true});
    if (!parsed) {
        result.wellFormed = false;
        const std::u16string units = DecodeAsDeclared(bytes);
        result.text = ConvertMarkup(units, {}, result.anchorPositions);
        std::fill(result.anchorPositions.begin(), result.anchorPositions.end(), 0);
        return result;
    }
    pugi::xml_node body;
    const pugi::xml_node root = document.document_element();
    for (pugi::xml_node child : root.children())
        if (child.type() == pugi::node_element && LocalName(child) == "body") body = child;
    MarkupWriter writer(anchors);
    // A page without a body (an SVG page, a fragment) is read from its root.
    writer.Write(body ? body : root);
    std::vector<std::pair<size_t, size_t>>& offsets = writer.AnchorOffsets();
    std::fill(result.anchorPositions.begin(), result.anchorPositions.end(), size_t(-1));
    result.text = ConvertMarkup(writer.Markup(), offsets, result.anchorPositions);
    // The first block's line feed would leave an empty line at the page's start.
    const size_t lead = std::min(result.text.find_first_not_of(u'\n'), result.text.size());
    result.text.erase(0, lead);
    for (size_t& position : result.anchorPositions)
        position = position == size_t(-1) || position < lead ? 0 : position - lead;
    return result;
}

}  // namespace corvalin
