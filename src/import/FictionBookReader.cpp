#include "import/FictionBookReader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <string_view>

#include "archive/LibArchiveReader.h"
#include "base/MappedFile.h"
#include "base/Utf.h"
#include "import/XmlInput.h"

namespace corvalin {
namespace {

// Sections nest a few levels in real books; deeper ones are passed over.
constexpr size_t kMaxDepth = 256;
// Where the root element is looked for: the XML declaration and comments come first.
constexpr size_t kHeadBytes = 4096;

// Elements that make one line each of their whole text.
constexpr std::array<std::string_view, 7> kLines = {"p", "v", "subtitle", "text-author", "date", "td", "th"};
// Elements that are not text of the book.
constexpr std::array<std::string_view, 4> kSkipped = {"image", "binary", "description", "stylesheet"};

template <size_t N>
bool Listed(const std::array<std::string_view, N>& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

bool IsBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

pugi::xml_node ChildByLocalName(const pugi::xml_node& node, std::string_view name) {
    for (pugi::xml_node child : node.children())
        if (child.type() == pugi::node_element && LocalName(child) == name) return child;
    return {};
}

class BodyWriter {
public:
    explicit BodyWriter(StructuredDocument& document) : document_(document) {}

    void Write(const pugi::xml_node& body, bool mainBody) {
        struct Step {
            pugi::xml_node node;
            size_t depth;
            bool heading;  // a title whose lines are chapters
        };
        std::vector<Step> stack{{body, 0, false}};
        while (!stack.empty()) {
            const Step step = stack.back();
            stack.pop_back();
            const pugi::xml_node node = step.node;
            if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
                // Text loose between blocks is still the book's.
                if (!IsBlank(node.value())) Line(CollapsedText(node), step.heading);
                continue;
            }
            if (node.type() != pugi::node_element) continue;
            const std::string name = LocalName(node);
            if (Listed(kSkipped, name)) continue;
            if (Listed(kLines, name)) {
                Line(CollapsedText(node), step.heading);
                continue;
            }
            if (name == "empty-line") {
                document_.text.push_back(u'\n');
                continue;
            }
            // A stanza after another is set apart by an empty line.
            if (name == "stanza") {
                pugi::xml_node before = node.previous_sibling();
                while (before && before.type() != pugi::node_element) before = before.previous_sibling();
                if (before && LocalName(before) == "stanza") document_.text.push_back(u'\n');
            }
            if (step.depth >= kMaxDepth) continue;
            bool heading = step.heading;
            if (name == "title") {
                const std::string parent = LocalName(node.parent());
                heading = parent == "body" || (parent == "section" && mainBody);
            }
            for (pugi::xml_node child = node.last_child(); child; child = child.previous_sibling())
                stack.push_back({child, step.depth + 1, heading});
        }
    }

private:
    void Line(const std::string& text, bool heading) {
        if (text.empty()) return;
        if (heading) AddChapter(document_, document_.text.size());
        document_.text += Utf8ToUtf16(text);
        document_.text.push_back(u'\n');
    }

    StructuredDocument& document_;
};

std::u16string AuthorName(const pugi::xml_node& author) {
    std::string name;
    for (const char* part : {"first-name", "middle-name", "last-name"}) {
        const std::string text = CollapsedText(ChildByLocalName(author, part));
        if (text.empty()) continue;
        if (!name.empty()) name.push_back(' ');
        name += text;
    }
    if (name.empty()) name = CollapsedText(ChildByLocalName(author, "nickname"));
    return Utf8ToUtf16(name);
}

bool EndsWith(std::string name, std::string_view suffix) {
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    return name.ends_with(suffix);
}

}  // namespace

bool LooksLikeFictionBook(std::span<const uint8_t> head) {
    // UTF-16 text has a zero byte beside every ASCII one; dropping them reads it as ASCII.
    std::string ascii;
    for (size_t i = 0; i < head.size() && i < 2 * kHeadBytes; ++i)
        if (head[i] != 0) ascii.push_back(char(head[i]));
    size_t at = 0;
    // The root element is the first one that is not a declaration, comment or doctype.
    while ((at = ascii.find('<', at)) != std::string::npos) {
        if (ascii.compare(at, 2, "<?") == 0 || ascii.compare(at, 2, "<!") == 0) {
            ++at;
            continue;
        }
        std::string_view name = std::string_view(ascii).substr(at + 1);
        const size_t colon = std::min(name.find(':'), name.find_first_of(" \t\r\n>/"));
        if (colon != std::string_view::npos && name[colon] == ':') name.remove_prefix(colon + 1);
        return name.starts_with("FictionBook") &&
               (name.size() == 11 || std::string_view(" \t\r\n>/").find(name[11]) != std::string_view::npos);
    }
    return false;
}

FictionBookFile FictionBookFileKind(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    const bool plain = EndsWith(name, ".fb2");
    const bool zipped = EndsWith(name, ".fb2.zip");
    if (!plain && !zipped) return FictionBookFile::None;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> head(2 * kHeadBytes);
    in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
    head.resize(size_t(in.gcount()));
    if (plain) return LooksLikeFictionBook(head) ? FictionBookFile::Plain : FictionBookFile::None;
    if (head.size() < 4 || head[0] != 'P' || head[1] != 'K') return FictionBookFile::None;
    LibArchiveReader reader;
    if (!reader.Open(path, {})) return FictionBookFile::None;
    while (const std::optional<ArchiveMember> member = reader.ReadHeader()) {
        if (EndsWith(member->name, ".fb2")) return FictionBookFile::Zipped;
        reader.Skip();
    }
    return FictionBookFile::None;
}

Verdict ReadFictionBook(std::span<const uint8_t> bytes, StructuredDocument& document) {
    document = StructuredDocument{};
    pugi::xml_document xml;
    if (Verdict loaded = LoadXml(bytes, xml, {"FictionBook", "document"}); !loaded) return loaded;
    const pugi::xml_node root = xml.document_element();
    if (LocalName(root) != "fictionbook")
        return Verdict::Bad(
            VerdictKind::NotThisFormat, "root element",
            "FictionBook: the root element is <" + std::string(root.name()) + ">, not <FictionBook>");

    const pugi::xml_node titleInfo = ChildByLocalName(ChildByLocalName(root, "description"), "title-info");
    size_t authors = 0;
    for (pugi::xml_node author : titleInfo.children()) {
        if (author.type() != pugi::node_element || LocalName(author) != "author") continue;
        const std::u16string name = AuthorName(author);
        if (name.empty()) continue;
        // Three names say who wrote the book; more would only make the file name unreadable.
        if (++authors > 3) break;
        if (!document.author.empty()) document.author += u", ";
        document.author += name;
    }
    document.title = Utf8ToUtf16(CollapsedText(ChildByLocalName(titleInfo, "book-title")));

    // The main body is the first without a name; the notes and comments follow it.
    std::vector<pugi::xml_node> bodies;
    for (pugi::xml_node body : root.children())
        if (body.type() == pugi::node_element && LocalName(body) == "body") bodies.push_back(body);
    const auto main = std::find_if(bodies.begin(), bodies.end(),
                                   [](const pugi::xml_node& body) { return !body.attribute("name"); });
    if (main != bodies.end()) std::rotate(bodies.begin(), main, main + 1);
    BodyWriter writer(document);
    for (size_t i = 0; i < bodies.size(); ++i) {
        if (i > 0 && !document.text.empty()) document.text.push_back(u'\n');
        writer.Write(bodies[i], i == 0);
    }
    return Verdict::Good();
}

Verdict ReadFictionBookFile(const std::filesystem::path& path, StructuredDocument& document) {
    MappedFile file;
    if (!file.Open(path)) return Verdict::Bad(VerdictKind::Damaged, "file", "FictionBook: " + file.Error());
    const std::span<const uint8_t> bytes = file.Bytes();
    if (bytes.size() < 4 || bytes[0] != 'P' || bytes[1] != 'K' || bytes[2] != 3 || bytes[3] != 4)
        return ReadFictionBook(bytes, document);
    LibArchiveReader reader;
    if (!reader.Open(path, {}))
        return Verdict::Bad(VerdictKind::Damaged, "archive", "FictionBook: the ZIP archive cannot be read");
    while (const std::optional<ArchiveMember> member = reader.ReadHeader()) {
        if (!EndsWith(member->name, ".fb2")) {
            reader.Skip();
            continue;
        }
        std::vector<uint8_t> xml;
        const Verdict read = reader.ExtractToMemory(xml, InflateLimitOf(bytes.size()));
        if (!read)
            return Verdict::Bad(read.kind, read.field, "FictionBook: " + member->name + ": " + read.message);
        return ReadFictionBook(xml, document);
    }
    return Verdict::Bad(VerdictKind::NotThisFormat, "member",
                        "FictionBook: the ZIP archive holds no .fb2 document");
}

}  // namespace corvalin
