#pragma once

#include <memory>
#include <string>
#include <vector>

#include "library/VEMBrowseFile.h"

namespace corvalin {

// One group of the library's tree, in the order the tree shows them: one group per author
// (by author, ignoring case), then the books without author, then the books that are not
// texts. Groups without books are not made.
struct LibraryGroup {
    enum class Kind { Author, Unknown, NotText };
    Kind kind = Kind::Author;
    std::u16string author;  // Author groups: as the first of its books in library order spells it
    std::vector<VEMBrowseFile*> books;
};

// The groups of `entries` (library order) with their books ordered: an author's by title and
// then by document name, the others by document name, ignoring case.
std::vector<LibraryGroup> BuildLibraryTree(const std::vector<std::unique_ptr<VEMBrowseFile>>& entries);

}  // namespace corvalin
