#include "import/StructuredImport.h"

#include <algorithm>
#include <cstring>

#include "base/Utf.h"
#include "import/BookNaming.h"
#include "import/EpubReader.h"
#include "import/FictionBookReader.h"
#include "store/FileError.h"

namespace corvalin {
namespace {

// The builder's 0 … 4 × size, carried on from where reading the document left off.
class ProgressAfter : public ProgressSink {
public:
    ProgressAfter(ProgressSink* sink, int64_t base, int64_t total)
        : sink_(sink), base_(base), total_(total) {}
    void SetPosition(int64_t position) override {
        if (total_ <= 0) return;
        ReportProgress(sink_, base_ + int64_t(double(position) / double(total_) * double(total_ - base_)));
    }

private:
    ProgressSink* sink_;
    int64_t base_;
    int64_t total_;
};

}  // namespace

StructuredKind StructuredKindOf(const std::filesystem::path& path) {
    if (FictionBookFileKind(path) != FictionBookFile::None) return StructuredKind::FictionBook;
    if (IsEpubFile(path)) return StructuredKind::Epub;
    return StructuredKind::None;
}

std::vector<std::string> StructuredDocumentPatterns() { return {"*.epub", "*.fb2", "*.fb2.zip"}; }

Verdict ReadStructuredDocument(const std::filesystem::path& path, StructuredKind kind,
                               StructuredDocument& document, ProgressSink* progress, int64_t progressSpan) {
    switch (kind) {
        case StructuredKind::Epub:
            return ReadEpub(path, document, progress, progressSpan);
        case StructuredKind::FictionBook: {
            Verdict read = ReadFictionBookFile(path, document);
            ReportProgress(progress, progressSpan);
            return read;
        }
        case StructuredKind::None:
            break;
    }
    return Verdict::Bad(VerdictKind::NotThisFormat, "file", "neither an EPUB nor a FictionBook document");
}

std::filesystem::path BuildStructuredBook(const StructuredDocument& document,
                                          const std::filesystem::path& documentPath,
                                          const std::filesystem::path& booksFolder, int64_t documentBytes,
                                          ProgressSink* progress, int64_t progressBase) {
    std::error_code error;
    std::filesystem::create_directories(booksFolder, error);
    if (error) throw FileError("cannot create " + booksFolder.string() + ": " + error.message());
    std::filesystem::path bookPath;
    if (!document.author.empty())
        bookPath = ChooseBookPathForAuthor(booksFolder, document.author, document.title);
    if (bookPath.empty()) bookPath = ChooseBookPath(booksFolder, documentPath);

    BuildBookOptions options;
    options.everyLineParagraph = true;
    if (!document.chapters.empty()) options.chapters = document.chapters;
    options.author = document.author;
    options.title = document.title;
    const int64_t sourceBytes = std::max<int64_t>(documentBytes, 1);
    UnitsTextSource source(document.text, sourceBytes);
    ProgressAfter after(progress, progressBase, 4 * sourceBytes);
    BuildBook(source, bookPath, documentBytes, Utf8ToUtf16(documentPath.filename().string()), options,
              &after);
    return bookPath;
}

std::optional<std::filesystem::path> ImportStructuredDocument(const std::filesystem::path& documentPath,
                                                              const std::filesystem::path& booksFolder,
                                                              ProgressSink* progress) {
    const StructuredKind kind = StructuredKindOf(documentPath);
    if (kind == StructuredKind::None) return std::nullopt;
    std::error_code error;
    const auto documentBytes = int64_t(std::filesystem::file_size(documentPath, error));
    if (error) throw FileError("cannot read " + documentPath.string() + ": " + error.message());
    StructuredDocument document;
    const Verdict read = ReadStructuredDocument(documentPath, kind, document, progress, documentBytes);
    if (read.kind == VerdictKind::Encrypted) throw CopyProtectedError(read.message);
    if (!read) throw BookBuildError(read.message);
    return BuildStructuredBook(document, documentPath, booksFolder, documentBytes, progress, documentBytes);
}

}  // namespace corvalin
