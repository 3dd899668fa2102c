#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "import/DocumentKind.h"
#include "import/ImportQuestions.h"
#include "import/ListedCodePageDecoder.h"

namespace corvalin {

// What ImportFile and ConvertDocument return.
enum ImportResult : int {
    kImported = 0,    // the document is a book now
    kSkipped = 1,     // skipped by the reader, or it could not be converted (the reader was told)
    kAbortBatch = 2,  // the batch stops: the reader aborted, or the library cannot be written
};

struct ImportFolders {
    std::filesystem::path books;  // the library, Books/ beside the program
    std::filesystem::path tmp;    // prepared texts, Tmp/ beside the program; each removed after use
};

struct ImportSettings {
    // The code page chosen last (kept in Global.cfg); 0 stands for the system's.
    int32_t codePage = 0;
    // Select the page the text suggests instead of the one chosen last (a byte-order mark
    // always decides). The reader's dialog leaves the choice to the reader and only marks it.
    bool detectCodePage = false;
    // Tick "Every line - new paragraph" for every document, not only for converted kinds.
    bool everyLineParagraph = false;
};

// A book the import made.
struct ImportedBook {
    std::filesystem::path book;
    std::filesystem::path document;
    DocumentKind kind = DocumentKind::Text;  // as it was read (a text that began "<HTML>" is Html)
    int32_t codePage = 0;
    std::u16string sourceTitle;  // the title the markup converter found; empty for other kinds
};

// The import of documents into the library: one batch of documents chosen together, each
// recognised by its extension, prepared into a text file in Tmp/ where its kind needs that,
// shown in the encoding dialog and built into a book. The questions go to `questions`, which
// must outlive the pipeline.
//
// Nothing half-written is left behind: a book is written under a temporary name and named
// only when complete, and a prepared text is removed whatever happens to the document.
class ImportPipeline {
public:
    ImportPipeline(ImportFolders folders, ImportQuestions& questions, ImportSettings settings = {});

    // A new batch: both flags set.
    void BeginBatch();
    // Cleared by "Import All" in the encoding dialog; while clear, documents are converted with
    // the code page chosen last without asking.
    bool showEncodingDialog = true;
    // Cleared by "Import All" in an archive's member list.
    bool showMemberList = true;

    // One document into a book in the library, named after the document's file name
    // (ChooseBookPath); an EPUB or FictionBook document (told by its contents) is read by its
    // structure and named after its author and title. Returns an ImportResult.
    int ImportFile(const std::filesystem::path& document);
    // The same for a document of a kind other than its extension says.
    int ImportFile(const std::filesystem::path& document, DocumentKind kind);

    // A text (the document itself, or the text prepared from it) through the encoding dialog
    // into the book `bookPath`. `documentName` and `documentSize` are the original document's,
    // for the book's records. Returns an ImportResult.
    int ConvertDocument(const std::filesystem::path& source, const std::string& documentName,
                        int64_t documentSize, DocumentKind kind, const std::filesystem::path& bookPath);

    // The code page chosen last, to keep for the next batch.
    int32_t LastCodePage() const { return settings_.codePage; }
    // The book made by the last call that returned kImported.
    const std::optional<ImportedBook>& LastBook() const { return lastBook_; }
    // Every book made since the pipeline was created, in order.
    const std::vector<ImportedBook>& Books() const { return books_; }
    const ImportFolders& Folders() const { return folders_; }

private:
    // An EPUB or FictionBook document into a book: no encoding question, its chapters, author
    // and title its own.
    int ImportStructured(const std::filesystem::path& document);
    // Turns a document of a kind that is not read as it stands into the text file `prepared`;
    // ImportResult kSkipped or kAbortBatch after telling why, kImported when the text is there.
    int Prepare(DocumentKind kind, const std::filesystem::path& document,
                const std::filesystem::path& prepared);
    // ConvertDocument, telling failures about `document` (the one chosen, not its prepared text).
    int Convert(const std::filesystem::path& document, const std::filesystem::path& source,
                const std::string& documentName, int64_t documentSize, DocumentKind kind,
                const std::filesystem::path& bookPath);
    void Fail(ImportFailure::Kind kind, const std::filesystem::path& document, std::string detail);

    ImportFolders folders_;
    ImportQuestions& questions_;
    ImportSettings settings_;
    ListedCodePageDecoder decoder_;
    std::optional<ImportedBook> lastBook_;
    std::vector<ImportedBook> books_;
};

// A free name for the text prepared from `document` in `tmpFolder`: the document's file name
// with its extension changed to ".TXT", numbered like books when that is taken.
std::filesystem::path PreparedTextPath(const std::filesystem::path& tmpFolder,
                                       const std::filesystem::path& document);

}  // namespace corvalin
