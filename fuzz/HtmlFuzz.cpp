// Converts arbitrary text as HTML twice, in large blocks and in the smallest steps with the
// input trickling in, and checks that both give the same text and title within their bounds.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "import/HtmlToText.h"
#include "import/UnicodeSources.h"

using namespace corvalin;

namespace {

class PieceSource : public TextSource {
public:
    PieceSource(const std::u16string& units, size_t piece) : units_(units), piece_(piece) {}
    int64_t SourceBytes() const override { return int64_t(units_.size()); }
    size_t ReadUnits(char16_t* out, size_t capacity) override {
        const size_t n = std::min({capacity, piece_, units_.size() - position_});
        std::memcpy(out, units_.data() + position_, n * sizeof(char16_t));
        position_ += n;
        return n;
    }

private:
    const std::u16string& units_;
    size_t piece_;
    size_t position_ = 0;
};

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 256 * 1024) return 0;
    const size_t piece = size == 0 ? 1 : 1 + data[0] % 7;
    const std::u16string units = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));

    HtmlTextSource bulk(std::make_unique<PieceSource>(units, 1 << 20));
    std::u16string text;
    char16_t block[4096];
    while (size_t n = bulk.ReadUnits(block, std::size(block))) text.append(block, n);

    PieceSource trickle(units, piece);
    HtmlToText steps(trickle);
    std::u16string stepText;
    while (steps.ConvertStep(stepText)) {
    }
    Require(steps.Finished());
    Require(stepText == text);
    Require(steps.Title() == bulk.Title());

    // Nothing is ever longer than what it came from, the title stays within its cap, and the
    // preformatted markers alternate, starting with an opening one.
    Require(text.size() <= units.size());
    Require(bulk.Title().size() <= HtmlToText::kMaxTitleUnits);
    bool open = false;
    for (char16_t unit : text) {
        if (unit == kPreformattedStart) Require(!open), open = true;
        if (unit == kPreformattedEnd) Require(open), open = false;
    }
    return 0;
}
