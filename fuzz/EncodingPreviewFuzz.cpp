// Arbitrary documents through the encoding dialog's preview: the code page and the kind come
// from the first two bytes. The line index must grow strictly and end at the document's end,
// preview lines stay short, and for markup the preview's buffer must read the very text the
// book is built from (as far as the document's length reaches, where the preview stops).
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzRequire.h"
#include "import/CodepageSource.h"
#include "import/EncodingPreview.h"
#include "import/HtmlToText.h"

using namespace corvalin;

namespace {

constexpr int32_t kPages[] = {1251, 866, 1252, 932, 936, 50220, 65001, 65000, -1, -2};
constexpr DocumentKind kKinds[] = {DocumentKind::Text, DocumentKind::Html, DocumentKind::Rtf,
                                   DocumentKind::PalmDoc};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 64 * 1024) return 0;
    const int32_t page = kPages[data[0] % std::size(kPages)];
    const DocumentKind kind = kKinds[data[1] % std::size(kKinds)];
    const std::vector<uint8_t> bytes(data + 2, data + size);

    EncodingPreview preview(bytes, kind);
    Require(preview.SelectCodePage(page));
    // A UTF-16 document reads in its own encoding whatever page is asked for.
    if (!preview.TwoByteDocument()) Require(!preview.SelectCodePage(12345));
    const int64_t length = preview.SourceLength();
    for (size_t line = 0; preview.HasLine(line); ++line) {
        Require(preview.LineText(line).size() <= 257);
        const auto& starts = preview.LineStarts();
        Require(starts.size() > line);
        if (starts.size() > line + 1) Require(starts[line + 1] > starts[line]);
        Require(preview.ScrollRange(16) >= 0);
    }
    Require(preview.FullyIndexed());
    Require(preview.LineStarts().back() == length || length == 0);

    if (preview.Kind() == DocumentKind::Html) {
        HtmlTextSource converted(
            MakeCodepageSource(std::vector<uint8_t>(bytes), preview.CodePage(), preview.TwoByteDocument()));
        std::u16string built;
        char16_t block[4096];
        while (const size_t n = converted.ReadUnits(block, std::size(block))) built.append(block, n);

        std::u16string previewed;
        preview.Redecode();
        for (int64_t position = 0; position < length;) {
            const int64_t before = position;
            const char16_t unit = preview.ReadChar(position);
            Require(position > before);
            // The buffer reader's end is a 0 with the position at the end; a document's own 0
            // can stand last too.
            if (position == length && unit == 0 &&
                (previewed.size() >= built.size() || built[previewed.size()] != 0))
                break;
            previewed += unit;
        }
        Require(built.compare(0, previewed.size(), previewed) == 0);
        if (built.size() < size_t(length)) Require(previewed.size() == built.size());
    }
    return 0;
}
