// Converts arbitrary bytes into a book and checks that the result is a sound book whose
// tables agree with its text.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "books/BookFile.h"
#include "books/BookText.h"
#include "books/BookWriter.h"
#include "books/HeadingDetection.h"
#include "import/BuildBook.h"
#include "import/UnicodeSources.h"

using namespace corvalin;

namespace {

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("corvalin-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(Folder(), ignored);
        });
        return path;
    }();
    return folder;
}

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 256 * 1024) return 0;
    const std::filesystem::path bookPath = Folder() / "fuzz.book";
    std::vector<uint8_t> bytes(data, data + size);
    // The first byte picks the decoding, so every form sees the same variety of text.
    const UnicodeForm form = size == 0 ? UnicodeForm::Utf8 : UnicodeForm(data[0] % 3);
    auto source = MakeUnicodeSource(std::move(bytes), form);
    BuildBookOptions options;
    options.everyLineParagraph = size > 1 && (data[1] & 1);
    try {
        BuildBook(*source, bookPath, int64_t(size), u"fuzz.txt", options);
    } catch (const BookBuildError&) {
        Require(!std::filesystem::exists(bookPath));
        return 0;
    }

    VEMFile file;
    file.Open(OpenFileHandle(bookPath, FileMode::Read), 16, 3);
    const BookHeader header = ReadBookHeader(file);
    Require(CheckBook(file, header) == VerdictKind::Ok);
    const auto paragraphs = ReadParagraphTable(file, header);
    const auto lines = ReadLineTable(file, header);
    Require(paragraphs.front() == header.textStart && paragraphs.back() == header.textEnd);
    Require(lines.front() == header.textStart && lines.back() == header.textEnd);
    for (size_t i = 1; i < paragraphs.size(); ++i) Require(paragraphs[i] >= paragraphs[i - 1]);

    // Every line-table entry but the first follows a line end, and the text parses whole.
    size_t nextLine = 1;
    TextItem item;
    int64_t offset = header.textStart;
    while (NextTextItem(file, offset, header.textEnd, item)) {
        if (item.kind == TextItem::Kind::Word) Require(item.word.size() <= kMaxWordItemUnits);
        if (item.kind == TextItem::Kind::LineEnd)
            Require(nextLine < lines.size() && lines[nextLine++] == offset);
    }
    Require(offset == header.textEnd && nextLine == lines.size());

    // The index found while writing must be the one a scan of the finished book finds.
    VEMOpt store;
    Require(LoadBookStore(file, header.storeOffset, store).Ok());
    StringRecordWriter built;
    store.Child(kTagHeadings)->Write(built.writer());
    VEMChapter rescanned;
    for (size_t p = 0; p + 1 < paragraphs.size(); ++p) {
        if (auto chapter = ExamineParagraph(file, int32_t(p), paragraphs[p], paragraphs[p + 1]))
            rescanned.push_back(*chapter);
    }
    VEMOpt expected;
    StoreHeadingIndex(expected, rescanned);
    StringRecordWriter scanned;
    expected.Child(kTagHeadings)->Write(scanned.writer());
    Require(built.bytes() == scanned.bytes());
    file.Close();
    std::filesystem::remove(bookPath);
    return 0;
}
