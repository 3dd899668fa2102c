#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace corvalin {

// What a document is, told by its file name's extension; the import prepares it and the
// encoding dialog reads it accordingly.
enum class DocumentKind : int32_t {
    Text = 0,     // anything not listed below: read through the code page reader
    Html = 1,     // .HTM .HTML .SHTML: the code page reader, then the markup converter
    Rtf = 2,      // .RTF: turned into a text file first
    Word = 3,     // .DOC: turned into a text file by a word processor first
    PalmDoc = 4,  // .PDB .PRC: the e-book's text records turned into a text file first
};

// The kind of `path` by its extension, compared without regard to case.
DocumentKind DocumentKindOf(const std::filesystem::path& path);

// Kinds that are not read as they stand but turned into a text file in Tmp/ first.
bool NeedsPreparation(DocumentKind kind);

// Kinds whose prepared text is UTF-16 whatever code page the document was written in: the
// encoding dialog reads them two bytes per character and offers no code page list.
bool PreparedAsUnicode(DocumentKind kind);

// The file name patterns of every document the import reads ("*.txt", "*.htm" …) and of every
// archive it opens ("*.zip", "*.tar.gz" …), lower case, for open dialogs.
std::vector<std::string> ImportedDocumentPatterns();

// Whether an archive member of this stored name is ticked when the member list opens: a
// document of a kind the import reads (by the patterns above, archives left out), or a file with no extension
// (README). Pictures, programs and the like are listed unticked: read as text they would make
// books of noise.
bool ImportedByDefault(std::string_view memberName);

// True when the first six characters of a text, upper-cased, are exactly "<HTML>": a plain
// text that begins so is read as markup.
bool BeginsAsHtml(std::u16string_view firstCharacters);

}  // namespace corvalin
