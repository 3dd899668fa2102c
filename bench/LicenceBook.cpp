#include "LicenceBook.h"

#include <cstdint>
#include <fstream>
#include <sstream>
#include <vector>

#include "import/BuildBook.h"
#include "import/UnicodeSources.h"

namespace corvalin::bench {

std::string RepeatedLicence(int copies) {
    std::ifstream in(kLicenceText, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string all;
    for (int i = 0; i < copies; ++i) all += text.str();
    return all;
}

void BuildBookFromText(const std::string& text, const std::filesystem::path& book) {
    std::filesystem::create_directories(book.parent_path());
    std::filesystem::remove(book);
    auto source = MakeUnicodeSource(std::vector<uint8_t>(text.begin(), text.end()), UnicodeForm::Utf8);
    BuildBook(*source, book, int64_t(text.size()), u"GPL-3", {});
}

}  // namespace corvalin::bench
