#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Progress.h"
#include "library/LibraryTree.h"
#include "library/VEMAuthor.h"
#include "library/VEMBrowseFile.h"
#include "settings/KnownNames.h"

namespace corvalin {

class OpenBookLink;

// The library: every book of the Books folder, scanned once per run and kept while the
// program runs, with the names the library has learned. The library window and
// corvalin-library are two views of it.
class Library {
public:
    // `knownNames` is the configuration's list, which the library keeps up to date; `link`, when
    // given, is the reader with the book it has open.
    Library(std::filesystem::path programFolder, std::vector<KnownName>& knownNames,
            OpenBookLink* link = nullptr);
    // Writes back what has not reached the files yet.
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    const std::filesystem::path& BooksFolder() const { return booksFolder_; }

    // The first showing: Books and Tmp are made when missing, and the book files there are
    // returned in directory order for Load.
    std::vector<std::filesystem::path> PrepareFirstShowing();
    // Scans `files` into the library, one progress step per file; the library is loaded after.
    void Load(const std::vector<std::filesystem::path>& files, ProgressSink* progress = nullptr);
    bool Loaded() const { return loaded_; }
    // A book just made by an import; `sourceTitle` is the document's HTML title, if any.
    // Null when the file is not a book the library lists.
    VEMBrowseFile* Add(const std::filesystem::path& book, std::u16string sourceTitle = {});

    // Derives authors and titles, writes the changed ones into their books (renaming the
    // files) and groups the books again.
    void Rebuild();
    const std::vector<LibraryGroup>& Groups() const { return groups_; }
    const std::vector<std::unique_ptr<VEMBrowseFile>>& Entries() const { return entries_; }
    // The entry whose file has this name (or this whole path); null when none has.
    VEMBrowseFile* Find(const std::string& nameOrPath) const;

    enum class DeleteOutcome {
        Deleted,
        AlreadyGone,  // only the entry went
        Failed,       // the file could not be removed: the entry stays
    };
    // Removes the book's file (closing it first when it is the book being read) and its entry.
    // The caller has asked the user.
    DeleteOutcome Delete(VEMBrowseFile* entry);

    // The user set author and title (both trimmed) in the book's properties: a replaced author
    // is never derived again, a replaced title never taken again; the book is written and
    // renamed and the library rebuilt.
    void OnUserEdit(VEMBrowseFile& entry, std::u16string_view author, std::u16string_view title);
    // Writes every entry whose author or title has not reached its file yet.
    void SaveModified();

    VEMAuthor& KnownNames() { return names_; }
    // Bytes held by the entries and their preview lines.
    size_t MemoryBytes() const;

private:
    std::filesystem::path programFolder_;
    std::filesystem::path booksFolder_;
    VEMAuthor names_;
    OpenBookLink* link_;
    std::vector<std::unique_ptr<VEMBrowseFile>> entries_;
    std::vector<LibraryGroup> groups_;
    bool loaded_ = false;
};

// Trimmed author and title as the book properties hand them over.
std::u16string TrimmedField(std::u16string_view text);

}  // namespace corvalin
