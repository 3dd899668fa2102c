// An arbitrary input as an EPUB book: a ZIP goes through the whole reader (container, package,
// table of contents, pages, the inflate bound); every input also goes straight to the parsers
// of the book's XML parts, which random ZIPs would seldom reach.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "import/EpubContent.h"
#include "import/EpubPackage.h"
#include "import/EpubReader.h"

using namespace corvalin;

namespace {

// Larger inputs add nothing the parsers have not seen and slow every run.
constexpr size_t kMaxInputBytes = 256 * 1024;

std::filesystem::path ScratchFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-epub-XXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) std::abort();
    close(fd);
    return pattern;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInputBytes) return 0;
    const std::span<const uint8_t> bytes(data, size);

    std::string packageMember;
    (void)ParseEpubContainer(bytes, packageMember);
    EpubPackage package;
    (void)ParseEpubPackage(bytes, "OEBPS/content.opf", package);
    (void)ParseEpubNavigation(bytes, "OEBPS/nav.xhtml");
    (void)ParseEpubNcx(bytes, "OEBPS/toc.ncx");
    (void)EpubEncryptedMembers(bytes);
    const XhtmlText page = ConvertXhtml(bytes, {"a", "n1", "t"});
    for (size_t position : page.anchorPositions)
        if (position > page.text.size()) std::abort();

    if (size >= 4 && data[0] == 'P' && data[1] == 'K') {
        static const std::filesystem::path file = ScratchFile();
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
        }
        StructuredDocument document;
        if (ReadEpub(file, document)) {
            for (const ChapterStart& chapter : document.chapters)
                if (chapter.unitPosition > document.text.size()) std::abort();
        }
        (void)IsEpubFile(file);
    }
    return 0;
}
