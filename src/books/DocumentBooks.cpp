#include "books/DocumentBooks.h"

#include <system_error>

#include "base/Utf.h"
#include "books/BookFile.h"
#include "store/FileError.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

constexpr int kClusterShift = 14;
constexpr int kClusterCount = 2;

bool MadeFrom(const std::filesystem::path& book, const std::u16string& name, int64_t size) {
    const int handle = OpenFileHandle(book, FileMode::Read);
    if (handle < 0) return false;
    try {
        VEMFile file;
        file.Open(handle, kClusterShift, kClusterCount);
        if (file.Length() < kBookHeaderSize) return false;
        const BookHeader header = ReadBookHeader(file);
        VEMOpt store;
        if (!CheckBookStructure(header, file.Length()).Ok() || !LoadBookStore(file, header.storeOffset, store).Ok())
            return false;
        return store.GetInt(kTagSourceSize, -1) == size && store.GetWideString(kTagSourceName, u"") == name;
    } catch (const FileError&) {
        return false;
    }
}

}  // namespace

std::filesystem::path FindBookOfDocument(const std::filesystem::path& booksFolder,
                                         const std::filesystem::path& document) {
    std::error_code error;
    const auto size = std::filesystem::file_size(document, error);
    if (error) return {};
    const std::u16string name = Utf8ToUtf16(document.filename().string());
    for (const auto& entry : std::filesystem::directory_iterator(booksFolder, error)) {
        if (entry.path().extension() != ".book") continue;
        if (MadeFrom(entry.path(), name, int64_t(size))) return entry.path();
    }
    return {};
}

}  // namespace corvalin
