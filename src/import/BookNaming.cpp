#include "import/BookNaming.h"

#include <algorithm>
#include <string>

namespace corvalin {

std::filesystem::path ChooseBookPath(const std::filesystem::path& booksFolder,
                                     const std::filesystem::path& documentPath) {
    std::string name = documentPath.filename().string();
    std::replace(name.begin(), name.end(), '.', '_');
    std::filesystem::path candidate = booksFolder / (name + ".book");
    for (int number = 1; std::filesystem::exists(candidate); ++number) {
        const std::string suffix = (number < 10 ? " - 0" : " - ") + std::to_string(number);
        candidate = booksFolder / (name + suffix + ".book");
    }
    return candidate;
}

}  // namespace corvalin
