// An arbitrary input as a FictionBook document, in whatever encoding it declares.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "import/FictionBookReader.h"

using namespace corvalin;

namespace {

// Real documents are larger, but nothing in the reader depends on the size beyond this.
constexpr size_t kMaxInputBytes = 512 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInputBytes) return 0;
    const std::span<const uint8_t> bytes(data, size);
    (void)LooksLikeFictionBook(bytes);
    StructuredDocument document;
    if (ReadFictionBook(bytes, document)) {
        size_t previous = 0;
        for (const ChapterStart& chapter : document.chapters) {
            if (chapter.unitPosition > document.text.size() || chapter.unitPosition < previous) std::abort();
            previous = chapter.unitPosition;
        }
    }
    return 0;
}
