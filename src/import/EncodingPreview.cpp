#include "import/EncodingPreview.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "import/CodepageSource.h"
#include "import/HtmlToText.h"

namespace corvalin {
namespace {

constexpr char16_t kLineFeed = u'\n';
constexpr char16_t kCarriageReturn = u'\r';
constexpr char16_t kTab = u'\t';
constexpr size_t kMaxPreviewUnits = 256;
constexpr size_t kMarkupProbeUnits = 6;

// The code page reader read forward from the start, as the markup converter's input.
class ReaderSource final : public TextSource {
public:
    explicit ReaderSource(CodepageReader& reader) : reader_(reader) {}
    int64_t SourceBytes() const override { return reader_.Length(); }
    size_t ReadUnits(char16_t* out, size_t capacity) override {
        size_t n = 0;
        while (n < capacity && position_ < reader_.Length()) {
            const char16_t unit = reader_.ReadChar(position_);
            // The end mark: only the last bytes were left and none of them gave a unit.
            if (unit == CodepageReader::kEndOfDocument) break;
            out[n++] = unit;
        }
        return n;
    }

private:
    CodepageReader& reader_;
    int64_t position_ = 0;
};

}  // namespace

// The markup converter's buffer: what it has converted so far, and a step that converts more.
class EncodingPreview::MarkupBuffer final : public ConvertedUnits {
public:
    MarkupBuffer(std::span<const uint8_t> document, int32_t codePage, bool twoByte)
        : reader_(document, codePage, twoByte), source_(reader_), converter_(source_) {}
    size_t UnitCount() const override { return units_.size(); }
    char16_t UnitAt(size_t index) const override { return units_[index]; }
    bool FullyConverted() const override { return converter_.Finished(); }
    void ConvertStep() override { converter_.ConvertStep(units_); }
    const std::u16string& Title() const { return converter_.Title(); }

private:
    CodepageReader reader_;
    ReaderSource source_;
    HtmlToText converter_;
    std::u16string units_;
};

EncodingPreview::EncodingPreview(std::span<const uint8_t> document, DocumentKind kind)
    : document_(document), extensionKind_(kind), kind_(kind), twoByte_(PreparedAsUnicode(kind)) {}

EncodingPreview::~EncodingPreview() = default;

bool EncodingPreview::SelectCodePage(int32_t number) {
    std::unique_ptr<CodepageReader> reader;
    try {
        reader = std::make_unique<CodepageReader>(document_, number, twoByte_);
    } catch (const std::invalid_argument&) {
        return false;
    }
    reader_ = std::move(reader);
    codePage_ = reader_->CodePage();
    Redecode();
    return true;
}

void EncodingPreview::Redecode() {
    starts_.clear();
    fullyIndexed_ = false;
    markup_.reset();
    if (!reader_) return;
    // A plain text that opens with the markup's root tag is markup, in whichever page it
    // reads so; the same bytes may not in another page.
    if (extensionKind_ == DocumentKind::Text) {
        std::u16string first;
        int64_t position = 0;
        while (first.size() < kMarkupProbeUnits && position < SourceLength()) {
            const char16_t unit = reader_->ReadChar(position);
            if (unit == CodepageReader::kEndOfDocument) break;
            first += unit;
        }
        kind_ = BeginsAsHtml(first) ? DocumentKind::Html : DocumentKind::Text;
    }
    if (kind_ == DocumentKind::Html) markup_ = std::make_unique<MarkupBuffer>(document_, codePage_, twoByte_);
    starts_.push_back(0);
    if (SourceLength() == 0) fullyIndexed_ = true;
}

char16_t EncodingPreview::ReadChar(int64_t& position) {
    if (!reader_) {
        position = SourceLength();
        return CodepageReader::kEndOfDocument;
    }
    if (!markup_) return reader_->ReadChar(position);
    const int64_t before = position;
    const char16_t unit = ReadBufferedChar(*markup_, SourceLength(), position);
    // A page converted to fewer units than the position asks for has nothing more there; the
    // buffer reader leaves such a position where it was.
    if (position == before) position = SourceLength();
    return unit;
}

void EncodingPreview::IndexOneMore() {
    int64_t position = starts_.back();
    const int64_t length = SourceLength();
    while (position < length) {
        if (ReadChar(position) == kLineFeed) break;
    }
    if (position >= length) {
        if (starts_.back() < length) starts_.push_back(length);
        fullyIndexed_ = true;
        return;
    }
    starts_.push_back(position);
}

bool EncodingPreview::HasLine(size_t line) {
    if (starts_.empty()) return false;
    while (line + 1 >= starts_.size() && !fullyIndexed_) IndexOneMore();
    // A line exists when it starts before the end (the last start of a fully indexed
    // document is the end itself).
    return line < starts_.size() && starts_[line] < SourceLength();
}

void EncodingPreview::IndexAll() {
    if (starts_.empty()) return;
    while (!fullyIndexed_) IndexOneMore();
}

std::u16string EncodingPreview::LineText(size_t line) {
    std::u16string text;
    if (!HasLine(line)) return text;
    int64_t position = starts_[line];
    const int64_t end = line + 1 < starts_.size() ? starts_[line + 1] : SourceLength();
    while (position < end && text.size() <= kMaxPreviewUnits) {
        const char16_t unit = ReadChar(position);
        if (unit == kLineFeed) break;
        // The converter's preformatted markers are not text.
        if (unit == kCarriageReturn || unit == kPreformattedStart || unit == kPreformattedEnd) continue;
        if (unit == CodepageReader::kEndOfDocument && !markup_) break;
        text += unit == kTab ? u' ' : unit;
    }
    return text;
}

int64_t EncodingPreview::ScrollRange(int64_t lineHeightPx) const {
    if (starts_.empty()) return 0;
    const int64_t known = int64_t(starts_.size());
    const int64_t last = starts_.back();
    const int64_t averageLine = std::max<int64_t>(1, last / std::max<int64_t>(1, known - 1));
    const int64_t remaining = std::max<int64_t>(0, SourceLength() - last);
    const int64_t lines = remaining / averageLine + known;
    // A scroll bar takes an int; a document of more lines than that shows its first ones.
    return std::min<int64_t>(lines * std::max<int64_t>(1, lineHeightPx), std::numeric_limits<int32_t>::max());
}

std::u16string EncodingPreview::Title() const { return markup_ ? markup_->Title() : std::u16string(); }

int32_t EncodingPreview::ByteOrderMarkPage() const {
    return CodePageOfByteOrderMark(document_.data(), document_.size());
}

const std::optional<DetectedCodepage>& EncodingPreview::Detected() {
    if (!detectionDone_) {
        detectionDone_ = true;
        if (!twoByte_) detected_ = DetectCodepage(document_);
    }
    return detected_;
}

}  // namespace corvalin
