#include "import/DocumentKind.h"

#include <algorithm>
#include <cctype>

#include "archive/ArchiveKinds.h"
#include "import/StructuredImport.h"

namespace corvalin {
namespace {

struct KindOfExtension {
    const char* extension;  // upper case, with the dot
    DocumentKind kind;
};

constexpr KindOfExtension kKinds[] = {
    {".HTM", DocumentKind::Html},    {".HTML", DocumentKind::Html}, {".SHTML", DocumentKind::Html},
    {".RTF", DocumentKind::Rtf},     {".DOC", DocumentKind::Word},  {".PDB", DocumentKind::PalmDoc},
    {".PRC", DocumentKind::PalmDoc},
};

}  // namespace

DocumentKind DocumentKindOf(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    for (const KindOfExtension& entry : kKinds)
        if (extension == entry.extension) return entry.kind;
    return DocumentKind::Text;
}

bool NeedsPreparation(DocumentKind kind) {
    return kind == DocumentKind::Rtf || kind == DocumentKind::Word || kind == DocumentKind::PalmDoc;
}

bool PreparedAsUnicode(DocumentKind kind) { return kind == DocumentKind::Rtf || kind == DocumentKind::Word; }

namespace {

// The documents alone, without the archives they may come in.
std::vector<std::string> DocumentPatterns() {
    std::vector<std::string> patterns{"*.txt", "*.htm", "*.html", "*.shtml",
                                      "*.rtf", "*.doc", "*.pdb",  "*.prc"};
    for (std::string& pattern : StructuredDocumentPatterns()) patterns.push_back(std::move(pattern));
    return patterns;
}

}  // namespace

std::vector<std::string> ImportedDocumentPatterns() {
    std::vector<std::string> patterns = DocumentPatterns();
    for (std::string& pattern : ArchivePatterns()) patterns.push_back(std::move(pattern));
    return patterns;
}

bool ImportedByDefault(std::string_view memberName) {
    const size_t slash = memberName.find_last_of("/\\");
    std::string name(slash == std::string_view::npos ? memberName : memberName.substr(slash + 1));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (name.empty()) return false;
    // ".profile" and "README" alike: no extension after the first character.
    if (name.find('.', 1) == std::string::npos) return true;
    for (const std::string& pattern : DocumentPatterns())
        if (name.size() > pattern.size() - 1 && name.ends_with(std::string_view(pattern).substr(1)))
            return true;
    return false;
}

bool BeginsAsHtml(std::u16string_view firstCharacters) {
    constexpr std::u16string_view kTag = u"<HTML>";
    if (firstCharacters.size() < kTag.size()) return false;
    for (size_t i = 0; i < kTag.size(); ++i) {
        char16_t c = firstCharacters[i];
        if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
        if (c != kTag[i]) return false;
    }
    return true;
}

}  // namespace corvalin
