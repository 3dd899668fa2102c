// Opens arbitrary bytes as a book: header checks, tables, record store, text items and the
// heading detection that rewrites the store.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "books/BookFile.h"
#include "books/BookText.h"
#include "books/HeadingDetection.h"

using namespace corvalin;

namespace {

// Books here are hand-sized; a larger input only slows the runs down.
constexpr size_t kMaxInputBytes = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInputBytes) return 0;
    const int handle = memfd_create("book", MFD_CLOEXEC);
    if (handle < 0) std::abort();
    if (size > 0 && write(handle, data, size) != ssize_t(size)) std::abort();

    VEMFile file;
    file.Open(handle, 12, 2);
    try {
        const BookHeader header = ReadBookHeader(file);
        if (CheckBook(file, header) != VerdictKind::Ok) return 0;
        const auto paragraphs = ReadParagraphTable(file, header);
        const auto lines = ReadLineTable(file, header);
        if (paragraphs.size() != size_t(header.paragraphCount) || lines.size() != size_t(header.lineCount))
            std::abort();

        TextItem item;
        int64_t offset = header.textStart;
        while (NextTextItem(file, offset, header.textEnd, item)) {
            if (offset > header.textEnd) std::abort();
        }

        VEMOpt store;
        if (!LoadBookStore(file, header.storeOffset, store).Ok()) return 0;
        DetectHeadings(file, store, 100, 0, nullptr);
        if (CheckBook(file, ReadBookHeader(file)) != VerdictKind::Ok) std::abort();
    } catch (const FileError&) {
    }
    return 0;
}
