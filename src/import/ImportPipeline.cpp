#include "import/ImportPipeline.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>

#include "base/Utf.h"
#include "books/BookWriter.h"
#include "import/BookNaming.h"
#include "import/BuildBook.h"
#include "import/CodepageList.h"
#include "import/CodepageSource.h"
#include "import/DocumentBytes.h"
#include "import/HtmlToText.h"
#include "import/PalmDoc.h"
#include "import/RtfToText.h"
#include "import/StructuredImport.h"
#include "import/WordDocument.h"
#include "store/FileError.h"

namespace corvalin {
namespace {

// Removes a prepared text however the document's import ends.
class RemovedOnExit {
public:
    explicit RemovedOnExit(std::filesystem::path path) : path_(std::move(path)) {}
    ~RemovedOnExit() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    RemovedOnExit(const RemovedOnExit&) = delete;
    RemovedOnExit& operator=(const RemovedOnExit&) = delete;

private:
    std::filesystem::path path_;
};

// Writes a prepared text under a name nobody else holds; a failure leaves no file.
void WriteNewFile(const std::filesystem::path& path, const void* data, size_t size) {
    const int handle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (handle < 0) throw FileError("cannot create " + path.string() + ": " + std::strerror(errno));
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t written = ::write(handle, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : ENOSPC;
            ::close(handle);
            ::unlink(path.c_str());
            throw FileError("cannot write " + path.string() + ": " + std::strerror(error));
        }
        bytes += written;
        size -= size_t(written);
    }
    if (::close(handle) != 0) {
        const int error = errno;
        ::unlink(path.c_str());
        throw FileError("cannot write " + path.string() + ": " + std::strerror(error));
    }
}

int64_t SizeOrUnknown(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : int64_t(size);
}

// The page the dialog opens on: a byte-order mark decides; otherwise the page the text
// suggests when asked for, else the one chosen last.
int32_t InitialCodePage(EncodingPreview& preview, const ImportSettings& settings) {
    const int32_t marked = preview.ByteOrderMarkPage();
    if (preview.TwoByteDocument())
        return marked == kCodePageUnicodeBigEndian ? kCodePageUnicodeBigEndian : kCodePageUnicode;
    if (marked != 0) return marked;
    if (settings.detectCodePage)
        if (const auto& detected = preview.Detected()) return detected->number;
    return settings.codePage;
}

}  // namespace

std::filesystem::path PreparedTextPath(const std::filesystem::path& tmpFolder,
                                       const std::filesystem::path& document) {
    const std::string stem = document.stem().string();
    std::filesystem::path candidate = tmpFolder / (stem + ".TXT");
    for (int number = 1; std::filesystem::exists(candidate); ++number) {
        const std::string suffix = (number < 10 ? " - 0" : " - ") + std::to_string(number);
        candidate = tmpFolder / (stem + suffix + ".TXT");
    }
    return candidate;
}

ImportPipeline::ImportPipeline(ImportFolders folders, ImportQuestions& questions, ImportSettings settings)
    : folders_(std::move(folders)), questions_(questions), settings_(settings) {}

ImportPipeline::~ImportPipeline() = default;

void ImportPipeline::ReleaseWordProcessor() {
    if (word_) word_->ReleaseWordProcessor();
}

void ImportPipeline::BeginBatch() {
    showEncodingDialog = true;
    showMemberList = true;
}

void ImportPipeline::Fail(ImportFailure::Kind kind, const std::filesystem::path& document,
                          std::string detail) {
    ImportFailure failure;
    failure.kind = kind;
    failure.document = document;
    failure.detail = std::move(detail);
    questions_.TellFailure(failure);
}

int ImportPipeline::ImportFile(const std::filesystem::path& document) {
    if (StructuredKindOf(document) != StructuredKind::None) return ImportStructured(document);
    if (const ArchiveKind archive = DetectArchiveKind(document); archive != ArchiveKind::None)
        return ImportArchive(document, archive);
    return ImportFile(document, DocumentKindOf(document));
}

int ImportPipeline::ImportStructured(const std::filesystem::path& document) {
    return BuildGuarded(document, [&]() -> std::optional<ImportedBook> {
        std::unique_ptr<ProgressSink> progress =
            questions_.ShowProgress(4 * std::max<int64_t>(SizeOrUnknown(document), 0));
        const std::optional<std::filesystem::path> book =
            ImportStructuredDocument(document, folders_.books, progress.get());
        if (!book) return std::nullopt;
        return ImportedBook{*book, document, DocumentKind::Text, 0, {}};
    });
}

int ImportPipeline::BuildGuarded(const std::filesystem::path& document,
                                 const std::function<std::optional<ImportedBook>()>& build) {
    try {
        std::optional<ImportedBook> book = build();
        if (!book) return kSkipped;
        lastBook_ = std::move(*book);
        books_.push_back(*lastBook_);
        return kImported;
    } catch (const BookBuildError& error) {
        // The document cannot become a book (no text, too large, damaged, copy-protected): the
        // next one may.
        Fail(ImportFailure::Kind::ConversionFailed, document, error.what());
        return kSkipped;
    } catch (const FileError& error) {
        // The library cannot be written: the next document would fail alike.
        Fail(ImportFailure::Kind::ConversionFailed, document, error.what());
        return kAbortBatch;
    }
}

int ImportPipeline::ImportFile(const std::filesystem::path& document, DocumentKind kind) {
    std::error_code error;
    std::filesystem::create_directories(folders_.books, error);
    if (error) {
        Fail(ImportFailure::Kind::ConversionFailed, document,
             "cannot create " + folders_.books.string() + ": " + error.message());
        return kAbortBatch;
    }
    const std::filesystem::path bookPath = ChooseBookPath(folders_.books, document);
    const int64_t documentSize = SizeOrUnknown(document);
    const std::string documentName = document.filename().string();
    if (!NeedsPreparation(kind))
        return Convert(document, document, documentName, documentSize, kind, bookPath);

    std::filesystem::create_directories(folders_.tmp, error);
    if (error) {
        Fail(ImportFailure::Kind::ConversionFailed, document,
             "cannot create " + folders_.tmp.string() + ": " + error.message());
        return kAbortBatch;
    }
    const std::filesystem::path prepared = PreparedTextPath(folders_.tmp, document);
    RemovedOnExit removed(prepared);
    if (const int result = Prepare(kind, document, prepared); result != kImported) return result;
    if (!std::filesystem::exists(prepared, error)) return kAbortBatch;
    return Convert(document, prepared, documentName, documentSize, kind, bookPath);
}

int ImportPipeline::Prepare(DocumentKind kind, const std::filesystem::path& document,
                            const std::filesystem::path& prepared) {
    DocumentBytes bytes;
    try {
        bytes = DocumentBytes::FromFile(document);
    } catch (const FileError& error) {
        Fail(ImportFailure::Kind::ConversionFailed, document, error.what());
        return kSkipped;
    }
    const std::span<const uint8_t> input(bytes.data(), bytes.size());
    try {
        switch (kind) {
            case DocumentKind::Rtf: {
                std::u16string text;
                const Verdict verdict = RtfToText(input, decoder_, text);
                if (!verdict) {
                    Fail(ImportFailure::Kind::ConversionFailed, document, verdict.message);
                    return kSkipped;
                }
                const std::string file = Utf16LeWithMark(text);
                WriteNewFile(prepared, file.data(), file.size());
                return kImported;
            }
            case DocumentKind::PalmDoc: {
                std::string text;
                const Verdict verdict = DecodePalmDoc(input, text);
                if (!verdict) {
                    Fail(ImportFailure::Kind::ConversionFailed, document, verdict.message);
                    return kSkipped;
                }
                WriteNewFile(prepared, text.data(), text.size());
                return kImported;
            }
            case DocumentKind::Word: {
                if (!word_) word_ = std::make_unique<VEMDocConverter>(folders_.tmp);
                const Verdict verdict = word_->ConvertWordDocument(document, prepared);
                if (!verdict) {
                    Fail(ImportFailure::Kind::WordCannotOpen, document, verdict.message);
                    return kSkipped;
                }
                return kImported;
            }
            case DocumentKind::Text:
            case DocumentKind::Html:
                break;
        }
    } catch (const FileError& error) {
        // The document was read; it is Tmp/ that failed, and it would fail the next one too.
        Fail(ImportFailure::Kind::ConversionFailed, document, error.what());
        return kAbortBatch;
    }
    return kImported;
}

int ImportPipeline::ConvertDocument(const std::filesystem::path& source, const std::string& documentName,
                                    int64_t documentSize, DocumentKind kind,
                                    const std::filesystem::path& bookPath) {
    return Convert(source, source, documentName, documentSize, kind, bookPath);
}

int ImportPipeline::Convert(const std::filesystem::path& document, const std::filesystem::path& source,
                            const std::string& documentName, int64_t documentSize, DocumentKind kind,
                            const std::filesystem::path& bookPath) {
    DocumentBytes bytes;
    try {
        bytes = DocumentBytes::FromFile(source);
    } catch (const FileError& error) {
        Fail(ImportFailure::Kind::ConversionFailed, document, error.what());
        return kSkipped;
    }

    EncodingAnswer answer;
    DocumentKind readAs = kind;
    bool twoByte = false;
    bool pageWasChosen = false;
    {
        EncodingPreview preview(std::span<const uint8_t>(bytes.data(), bytes.size()), kind);
        twoByte = preview.TwoByteDocument();
        // A page kept from an earlier run that the system no longer has gives way to the
        // system's.
        if (!preview.SelectCodePage(InitialCodePage(preview, settings_)))
            preview.SelectCodePage(kCodePageSystem);
        // Converted kinds and markup hold one paragraph per line.
        const bool everyLine = settings_.everyLineParagraph || preview.Kind() != DocumentKind::Text;
        answer = {EncodingChoice::Import, preview.CodePage(), everyLine};
        if (showEncodingDialog) {
            const EncodingQuestion question{preview, documentName, documentSize, !twoByte, everyLine};
            answer = questions_.AskEncoding(question);
            if (answer.choice == EncodingChoice::Abort) return kAbortBatch;
            if (answer.choice == EncodingChoice::DoNotImport) return kSkipped;
            if (answer.choice == EncodingChoice::ImportAll) showEncodingDialog = false;
            if (answer.codePage != preview.CodePage()) preview.SelectCodePage(answer.codePage);
        }
        answer.codePage = preview.CodePage();
        readAs = preview.Kind();
        // The page of a byte-order mark or of a UTF-16 text is the document's, not a choice.
        pageWasChosen = !twoByte && preview.ByteOrderMarkPage() == 0;
    }

    return BuildGuarded(document, [&]() -> std::optional<ImportedBook> {
        std::unique_ptr<TextSource> text = MakeCodepageSource(std::move(bytes), answer.codePage, twoByte);
        HtmlTextSource* markup = nullptr;
        if (readAs == DocumentKind::Html) {
            auto converted = std::make_unique<HtmlTextSource>(std::move(text));
            markup = converted.get();
            text = std::move(converted);
        }
        const int64_t sourceLength = text->SourceBytes();
        {
            std::unique_ptr<ProgressSink> progress = questions_.ShowProgress(4 * sourceLength);
            BuildBookOptions options;
            options.everyLineParagraph = answer.everyLineParagraph;
            BuildBook(*text, bookPath, documentSize, Utf8ToUtf16(documentName), options, progress.get());
        }
        if (pageWasChosen) settings_.codePage = answer.codePage;
        return ImportedBook{bookPath, document, readAs, answer.codePage,
                            markup ? markup->Title() : std::u16string()};
    });
}

}  // namespace corvalin
