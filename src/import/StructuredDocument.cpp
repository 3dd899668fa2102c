#include "import/StructuredDocument.h"

namespace corvalin {
namespace {

// Text compresses to a third or a fifth; two hundred times the file (and 16 MiB for the
// smallest books) leaves room for any real book and stops a ZIP bomb early. The ceiling keeps
// the text within what one book can hold.
constexpr uint64_t kInflateRatio = 200;
constexpr uint64_t kInflateAllowance = uint64_t(16) << 20;
constexpr uint64_t kInflateCeiling = uint64_t(512) << 20;

}  // namespace

uint64_t InflateLimitOf(uint64_t fileBytes) {
    if (fileBytes > (kInflateCeiling - kInflateAllowance) / kInflateRatio) return kInflateCeiling;
    return kInflateAllowance + kInflateRatio * fileBytes;
}

void AddChapter(StructuredDocument& document, size_t lineStart) {
    if (!document.chapters.empty() && document.chapters.back().unitPosition >= lineStart) return;
    document.chapters.push_back({lineStart, -1});
}

}  // namespace corvalin
