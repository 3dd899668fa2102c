#include "library/Library.h"

#include <algorithm>
#include <system_error>

#include "books/StoreRewrite.h"
#include "library/AuthorDerivation.h"
#include "library/BookScan.h"
#include "library/LibraryText.h"
#include "library/OpenBookLink.h"
#include "library/SaveAuthorTitle.h"

namespace corvalin {
namespace {

bool IsBookFileName(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return extension == ".book" && path.stem() != "";
}

}  // namespace

std::u16string TrimmedField(std::u16string_view text) { return std::u16string(Trim(text)); }

Library::Library(std::filesystem::path programFolder, std::vector<KnownName>& knownNames, OpenBookLink* link)
    : programFolder_(std::move(programFolder)),
      booksFolder_(programFolder_ / "Books"),
      names_(knownNames),
      link_(link) {}

Library::~Library() { SaveModified(); }

std::vector<std::filesystem::path> Library::PrepareFirstShowing() {
    std::error_code error;
    std::filesystem::create_directories(booksFolder_, error);
    std::filesystem::create_directories(programFolder_ / "Tmp", error);
    std::vector<std::filesystem::path> files;
    for (std::filesystem::directory_iterator it(booksFolder_, error), end; !error && it != end;
         it.increment(error))
        if (IsBookFileName(it->path())) files.push_back(it->path());
    return files;
}

void Library::Load(const std::vector<std::filesystem::path>& files, ProgressSink* progress) {
    int64_t done = 0;
    for (const std::filesystem::path& file : files) {
        if (std::unique_ptr<VEMBrowseFile> entry = ScanBook(file, link_))
            entries_.push_back(std::move(entry));
        ReportProgress(progress, ++done);
    }
    loaded_ = true;
}

VEMBrowseFile* Library::Add(const std::filesystem::path& book, std::u16string sourceTitle) {
    std::unique_ptr<VEMBrowseFile> entry = ScanBook(book, link_);
    if (!entry) return nullptr;
    entry->sourceTitle = std::move(sourceTitle);
    for (auto& existing : entries_) {
        if (SameFile(existing->path, book)) {
            existing = std::move(entry);
            return existing.get();
        }
    }
    entries_.push_back(std::move(entry));
    return entries_.back().get();
}

void Library::Rebuild() {
    std::vector<VEMBrowseFile*> list;
    list.reserve(entries_.size());
    for (auto& entry : entries_) list.push_back(entry.get());
    DeriveAuthors(list, names_);
    SaveModified();
    groups_ = BuildLibraryTree(entries_);
}

void Library::SaveModified() {
    for (auto& entry : entries_)
        if (entry->modified) SaveAuthorTitle(*entry, link_);
}

VEMBrowseFile* Library::Find(const std::string& nameOrPath) const {
    if (nameOrPath.empty()) return nullptr;
    const std::filesystem::path wanted(nameOrPath);
    for (const auto& entry : entries_) {
        if (wanted.has_parent_path() ? SameFile(entry->path, wanted) : entry->path.filename() == wanted)
            return entry.get();
    }
    return nullptr;
}

Library::DeleteOutcome Library::Delete(VEMBrowseFile* entry) {
    const auto found =
        std::find_if(entries_.begin(), entries_.end(), [entry](const auto& e) { return e.get() == entry; });
    if (found == entries_.end()) return DeleteOutcome::AlreadyGone;
    if (link_ != nullptr && link_->IsOpenBook(entry->path)) link_->CloseOpenBook();
    std::error_code error;
    const bool removed = std::filesystem::remove(entry->path, error);
    if (error) return DeleteOutcome::Failed;
    // An undo file left by an interrupted save belongs to the book.
    std::filesystem::remove(StoreUndoPath(entry->path), error);
    for (LibraryGroup& group : groups_) std::erase(group.books, entry);
    std::erase_if(groups_, [](const LibraryGroup& group) { return group.books.empty(); });
    entries_.erase(found);
    return removed ? DeleteOutcome::Deleted : DeleteOutcome::AlreadyGone;
}

void Library::OnUserEdit(VEMBrowseFile& entry, std::u16string_view author, std::u16string_view title) {
    const bool authorChanged = author != entry.author;
    const bool titleChanged = title != entry.title;
    if (authorChanged) {
        if (!entry.author.empty()) names_.Add(entry.author, kRejectedAuthor);
        // An empty name would be found at the start of every line of every book.
        if (!author.empty()) names_.Add(author, kConfirmedAuthor);
        entry.author = std::u16string(author);
    }
    if (titleChanged) {
        if (!entry.title.empty()) names_.Add(entry.title, kRejectedTitle);
        names_.Remove(title);
        entry.title = std::u16string(title);
    }
    if (!authorChanged && !titleChanged) return;
    entry.modified = true;
    SaveAuthorTitle(entry, link_);
    Rebuild();
}

size_t Library::MemoryBytes() const {
    size_t bytes = entries_.capacity() * sizeof(entries_[0]);
    for (const auto& entry : entries_) {
        bytes += sizeof(VEMBrowseFile) + entry->lines.MemoryBytes();
        bytes += (entry->author.capacity() + entry->title.capacity() + entry->candidate.capacity()) *
                 sizeof(char16_t);
        bytes += entry->sourceName.capacity() + entry->path.native().capacity();
    }
    return bytes;
}

}  // namespace corvalin
