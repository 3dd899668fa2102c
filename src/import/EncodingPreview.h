#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "import/CodepageDetection.h"
#include "import/CodepageReader.h"
#include "import/DocumentKind.h"

namespace corvalin {

// What the encoding dialog shows of a document, without the window: the document decoded in
// the selected code page (through the markup converter for HTML), indexed into lines as far as
// the preview has been asked for, and the scroll range those lines give. The dialog draws it;
// the import reads the code page, the kind and the title from it once the reader has answered.
class EncodingPreview {
public:
    // The bytes must outlive the preview. `kind` is the document's kind by its extension; a
    // plain text whose first six characters read "<HTML>" in the selected page becomes Html.
    // Nothing is decoded until a code page is selected.
    EncodingPreview(std::span<const uint8_t> document, DocumentKind kind);
    ~EncodingPreview();
    EncodingPreview(const EncodingPreview&) = delete;
    EncodingPreview& operator=(const EncodingPreview&) = delete;

    // Selects a code page of the list (0: the system's) and decodes anew from the start; a
    // number that is not listed leaves everything as it was and gives false.
    bool SelectCodePage(int32_t number);
    // The page selected (0 resolved to the system's); 0 before any selection.
    int32_t CodePage() const { return codePage_; }
    // Decodes anew with the selected page: the line index, the markup state and the title
    // start again from the beginning.
    void Redecode();

    DocumentKind ExtensionKind() const { return extensionKind_; }
    // How the document is read in the selected page: Html for a markup page, or for a plain
    // text that begins as one.
    DocumentKind Kind() const { return kind_; }
    // Prepared texts of some kinds are UTF-16 whatever the page; the list is not offered then.
    bool TwoByteDocument() const { return twoByte_; }
    int64_t SourceLength() const { return int64_t(document_.size()); }
    std::span<const uint8_t> Document() const { return document_; }

    // The next UTF-16 unit from `position`, which advances: source bytes for plain text,
    // units of the converted buffer for markup. At the end the position becomes
    // SourceLength() (0xFFFF is returned for plain text, 0 for markup).
    char16_t ReadChar(int64_t& position);

    // The line index, built lazily: line `line` is indexed (with every line before it) when
    // asked for. True when the document has that line.
    bool HasLine(size_t line);
    // Indexes the whole document (the End key).
    void IndexAll();
    // Line starts known so far; the last is SourceLength() once the whole document is indexed.
    const std::vector<int64_t>& LineStarts() const { return starts_; }
    bool FullyIndexed() const { return fullyIndexed_; }
    // The text of a line as the preview shows it: tabs as spaces, carriage returns and the
    // markup's preformatted markers dropped, at most 257 units. Empty for a line the document does not have.
    std::u16string LineText(size_t line);
    // The height in pixels that the lines known so far and an estimate of the rest would
    // take; exact once the document is fully indexed.
    int64_t ScrollRange(int64_t lineHeightPx) const;

    // The title the markup converter has found in what it converted so far.
    std::u16string Title() const;
    // The code page a byte-order mark at the start names (-1, -2, 65001), or 0.
    int32_t ByteOrderMarkPage() const;
    // The page the text itself suggests (a byte-order mark, or ICU's detector together with
    // our plausibility checks); worked out at the first call.
    const std::optional<DetectedCodepage>& Detected();

private:
    class MarkupBuffer;
    void IndexOneMore();

    std::span<const uint8_t> document_;
    DocumentKind extensionKind_;
    DocumentKind kind_;
    bool twoByte_ = false;
    int32_t codePage_ = 0;
    std::unique_ptr<CodepageReader> reader_;
    std::unique_ptr<MarkupBuffer> markup_;
    std::vector<int64_t> starts_;
    bool fullyIndexed_ = false;
    bool detectionDone_ = false;
    std::optional<DetectedCodepage> detected_;
};

}  // namespace corvalin
