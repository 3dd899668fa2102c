#include "library/LibraryTree.h"

#include <algorithm>
#include <unordered_map>

#include "base/Utf.h"
#include "library/LibraryText.h"

namespace corvalin {
namespace {

// Document names are UTF-8; compared as text, ignoring case.
int CompareNames(const VEMBrowseFile& a, const VEMBrowseFile& b) {
    return CompareIgnoringCase(Utf8ToUtf16(a.sourceName), Utf8ToUtf16(b.sourceName));
}

void SortByName(std::vector<VEMBrowseFile*>& books) {
    std::stable_sort(books.begin(), books.end(),
                     [](const VEMBrowseFile* a, const VEMBrowseFile* b) { return CompareNames(*a, *b) < 0; });
}

}  // namespace

std::vector<LibraryGroup> BuildLibraryTree(const std::vector<std::unique_ptr<VEMBrowseFile>>& entries) {
    std::vector<LibraryGroup> authors;
    std::unordered_map<std::u16string, size_t> groupOf;
    LibraryGroup unknown{LibraryGroup::Kind::Unknown, {}, {}};
    LibraryGroup notText{LibraryGroup::Kind::NotText, {}, {}};
    for (const auto& entry : entries) {
        if (entry->special) {
            notText.books.push_back(entry.get());
        } else if (entry->author.empty()) {
            unknown.books.push_back(entry.get());
        } else {
            auto [found, added] = groupOf.emplace(FoldCase(entry->author), authors.size());
            if (added) authors.push_back({LibraryGroup::Kind::Author, entry->author, {}});
            authors[found->second].books.push_back(entry.get());
        }
    }
    for (LibraryGroup& group : authors)
        std::stable_sort(group.books.begin(), group.books.end(),
                         [](const VEMBrowseFile* a, const VEMBrowseFile* b) {
                             const int byTitle = CompareIgnoringCase(a->title, b->title);
                             return byTitle != 0 ? byTitle < 0 : CompareNames(*a, *b) < 0;
                         });
    std::stable_sort(authors.begin(), authors.end(), [](const LibraryGroup& a, const LibraryGroup& b) {
        return LessIgnoringCase(a.author, b.author);
    });
    SortByName(unknown.books);
    SortByName(notText.books);
    if (!unknown.books.empty()) authors.push_back(std::move(unknown));
    if (!notText.books.empty()) authors.push_back(std::move(notText));
    return authors;
}

}  // namespace corvalin
