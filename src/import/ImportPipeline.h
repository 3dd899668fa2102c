#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveKinds.h"
#include "import/DocumentKind.h"
#include "import/ImportQuestions.h"
#include "import/ListedCodePageDecoder.h"

namespace corvalin {

class VEMDocConverter;

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
//
// An archive is one more kind of file chosen: its members are listed, offered in the member
// list, extracted one at a time flat into Tmp/ and imported each as the document it is; the
// extracted file is removed whatever happens to it.
class ImportPipeline {
public:
    ImportPipeline(ImportFolders folders, ImportQuestions& questions, ImportSettings settings = {});
    ~ImportPipeline();

    // A new batch: both flags set.
    void BeginBatch();
    // Cleared by "Import All" in the encoding dialog; while clear, documents are converted with
    // the code page chosen last without asking.
    bool showEncodingDialog = true;
    // Cleared by "Import All" in an archive's member list.
    bool showMemberList = true;

    // One document into a book in the library, named after the document's file name
    // (ChooseBookPath); an EPUB or FictionBook document (told by its contents) is read by its
    // structure and named after its author and title; an archive (DetectArchiveKind) gives a
    // book for each member chosen. Returns an ImportResult: kImported when at least one book
    // was made.
    int ImportFile(const std::filesystem::path& document);
    // The same for a document of a kind other than its extension says.
    int ImportFile(const std::filesystem::path& document, DocumentKind kind);

    // A text (the document itself, or the text prepared from it) through the encoding dialog
    // into the book `bookPath`. `documentName` and `documentSize` are the original document's,
    // for the book's records. Returns an ImportResult.
    int ConvertDocument(const std::filesystem::path& source, const std::string& documentName,
                        int64_t documentSize, DocumentKind kind, const std::filesystem::path& bookPath);

    // At the end of a batch: the word processor started for Word documents is ended, and what
    // it left in Tmp/ removed. The pipeline's end does the same.
    void ReleaseWordProcessor();

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
    int ImportArchive(const std::filesystem::path& archive, ArchiveKind kind);
    // Runs `build`, which makes one book (or none, when the document was left out), and keeps
    // what it made; a document that cannot become a book is skipped after telling why, and a
    // library that cannot be written ends the batch. Returns an ImportResult.
    int BuildGuarded(const std::filesystem::path& document,
                     const std::function<std::optional<ImportedBook>()>& build);
    void Fail(ImportFailure::Kind kind, const std::filesystem::path& document, std::string detail);

    ImportFolders folders_;
    ImportQuestions& questions_;
    ImportSettings settings_;
    ListedCodePageDecoder decoder_;
    std::optional<ImportedBook> lastBook_;
    std::vector<ImportedBook> books_;
    std::unique_ptr<VEMDocConverter> word_;
    // Set while an archive's members are imported: an archive inside one is not opened, so
    // that no member can replace the archive being read in Tmp/, and nesting bombs go nowhere.
    bool insideArchive_ = false;
};

// A free name for the text prepared from `document` in `tmpFolder`: the document's file name
// with its extension changed to ".TXT", numbered like books when that is taken.
std::filesystem::path PreparedTextPath(const std::filesystem::path& tmpFolder,
                                       const std::filesystem::path& document);

}  // namespace corvalin
