#include "import/ImportFile.h"

#include "books/BookWriter.h"
#include "import/BookNaming.h"
#include "import/CodepageDetection.h"
#include "import/CodepageSource.h"
#include "import/StructuredImport.h"
#include "import/UnicodeSources.h"

namespace corvalin {

std::filesystem::path ImportFile(const std::filesystem::path& documentPath,
                                 const std::filesystem::path& booksFolder, const BuildBookOptions& options,
                                 ProgressSink* progress) {
    if (auto book = ImportStructuredDocument(documentPath, booksFolder, progress)) return *book;
    DocumentBytes bytes = DocumentBytes::FromFile(documentPath);
    const auto sourceSize = int64_t(bytes.size());
    const UnicodeForm form = DetectUnicodeForm(bytes.data(), bytes.size());
    auto source = MakeUnicodeSource(std::move(bytes), form);

    std::error_code error;
    std::filesystem::create_directories(booksFolder, error);
    if (error) throw FileError("cannot create " + booksFolder.string() + ": " + error.message());
    const std::filesystem::path bookPath = ChooseBookPath(booksFolder, documentPath);
    BuildBook(*source, bookPath, sourceSize, Utf8ToUtf16(documentPath.filename().string()), options,
              progress);
    return bookPath;
}

std::filesystem::path ImportFile(const std::filesystem::path& documentPath,
                                 const std::filesystem::path& booksFolder, const BuildBookOptions& options,
                                 const TextDecoding& decoding, ProgressSink* progress,
                                 int32_t* usedCodePage) {
    if (auto book = ImportStructuredDocument(documentPath, booksFolder, progress)) return *book;
    DocumentBytes bytes = DocumentBytes::FromFile(documentPath);
    const auto sourceSize = int64_t(bytes.size());
    const int32_t codePage = ChooseTextCodePage(std::span<const uint8_t>(bytes.data(), bytes.size()),
                                                decoding.codePage, decoding.detect);
    if (usedCodePage != nullptr) *usedCodePage = codePage;
    auto source = MakeCodepageSource(std::move(bytes), codePage);

    std::error_code error;
    std::filesystem::create_directories(booksFolder, error);
    if (error) throw FileError("cannot create " + booksFolder.string() + ": " + error.message());
    const std::filesystem::path bookPath = ChooseBookPath(booksFolder, documentPath);
    BuildBook(*source, bookPath, sourceSize, Utf8ToUtf16(documentPath.filename().string()), options,
              progress);
    return bookPath;
}

}  // namespace corvalin
