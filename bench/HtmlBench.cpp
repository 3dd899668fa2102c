// Converts an HTML file (UTF-8) into its text as UTF-16LE, the way an import reads a page:
// mapped bytes, decoded and converted block by block, the text written out. Timed as a whole
// process by bench/html.sh beside iconv on the same bytes.
#include <cstdio>
#include <fstream>
#include <iostream>

#include "import/DocumentBytes.h"
#include "import/HtmlToText.h"
#include "import/UnicodeSources.h"

using namespace corvalin;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: bench_html PAGE.html TEXT.utf16\n";
        return 2;
    }
    DocumentBytes bytes = DocumentBytes::FromFile(argv[1]);
    const size_t byteLength = bytes.size();
    HtmlTextSource source(MakeUnicodeSource(std::move(bytes), UnicodeForm::Utf8));
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    static char16_t block[1 << 16];
    size_t units = 0;
    while (size_t n = source.ReadUnits(block, std::size(block))) {
        // UTF-16LE on a little-endian machine is the units as they lie in memory.
        out.write(reinterpret_cast<const char*>(block), std::streamsize(n * sizeof(char16_t)));
        units += n;
    }
    if (!out.flush()) {
        std::cerr << "bench_html: cannot write " << argv[2] << "\n";
        return 1;
    }
    std::cerr << "bench_html: " << byteLength << " bytes in, " << units << " units out\n";
    return 0;
}
