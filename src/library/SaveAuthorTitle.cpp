#include "library/SaveAuthorTitle.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "base/Utf.h"
#include "books/BookFile.h"
#include "books/BookFormat.h"
#include "books/StoreRewrite.h"
#include "library/OpenBookLink.h"
#include "store/DurableFile.h"
#include "store/FileError.h"
#include "store/VEMFile.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

constexpr int kSaveClusterShift = 12;
constexpr int kSaveClusterCount = 2;
constexpr const char* kBookExtension = ".book";
// File names hold at most 255 bytes; the stem leaves room for " - 99999" and ".book".
constexpr size_t kMaxStemBytes = 200;
constexpr int kMaxNumberedNames = 99999;

// Characters a book's file name never holds: control characters, the ones Windows file names
// cannot hold and the commercial at, and the path separator.
bool RemovedFromFileName(unsigned char c) {
    return c < 32 || c == '"' || c == '*' || c == ':' || c == '<' || c == '>' || c == '?' || c == '@' ||
           c == '\\' || c == '|' || c == '/';
}

std::string CutToBytes(std::string text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // whole characters
    text.resize(cut);
    return text;
}

std::string Numbered(const std::string& stem, int number) {
    return stem + (number < 10 ? " - 0" : " - ") + std::to_string(number) + kBookExtension;
}

// Renames without ever replacing a file that is there: atomically where the file system can,
// else by linking the new name (which fails when it exists) and removing the old one.
int RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef SYS_renameat2
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 1u /* RENAME_NOREPLACE */) ==
        0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    if (::unlink(from.c_str()) != 0) {
        const int error = errno;
        ::unlink(to.c_str());
        return error;
    }
    return 0;
}

bool WriteRecords(VEMBrowseFile& entry) {
    const int handle = OpenFileHandle(entry.path, FileMode::ReadWrite);
    if (handle < 0) return false;
    try {
        VEMFile file;
        file.Open(handle, kSaveClusterShift, kSaveClusterCount);
        const BookHeader header = ReadBookHeader(file);
        if (file.Length() < kBookHeaderSize ||
            std::memcmp(header.signature, kBookSignature, kBookSignatureSize) != 0 ||
            !StoreOffsetInside(header, file.Length()) ||
            int64_t(header.storeOffset) > file.Length() - kDigestLength || !BookStoreIsWhole(file, header))
            return false;
        VEMOpt store;
        if (!LoadBookStore(file, header.storeOffset, store).Ok()) return false;
        store.SetWideString(kTagAuthor, entry.author);
        store.SetWideString(kTagTitle, entry.title);
        RewriteBookStoreSafely(entry.path, file, store);
        file.Close();
        return true;
    } catch (const FileError&) {
        return false;
    }
}

}  // namespace

std::string BookFileName(const VEMBrowseFile& entry) {
    std::string stem;
    if (entry.author.empty()) {
        stem = entry.sourceName;
        for (char& c : stem)
            if (c == '.') c = '_';
    } else {
        stem = Utf16ToUtf8(entry.author + u" - " + entry.title);
    }
    std::string kept;
    kept.reserve(stem.size());
    for (char c : stem)
        if (!RemovedFromFileName(static_cast<unsigned char>(c))) kept.push_back(c);
    kept = CutToBytes(std::move(kept), kMaxStemBytes);
    // A book imported without a document name keeps the name it has.
    if (kept.empty()) kept = entry.path.stem().string();
    if (kept.empty()) kept = "Book";
    return kept + kBookExtension;
}

std::filesystem::path FreeBookPath(const std::filesystem::path& folder, const std::string& wanted,
                                   const std::filesystem::path& current) {
    std::filesystem::path candidate = folder / wanted;
    const std::string stem = wanted.substr(0, wanted.size() - std::strlen(kBookExtension));
    std::error_code error;
    for (int number = 1; number <= kMaxNumberedNames; ++number) {
        if (candidate == current ||
            !std::filesystem::exists(std::filesystem::symlink_status(candidate, error)))
            return candidate;
        candidate = folder / Numbered(stem, number);
    }
    return current;
}

SaveOutcome SaveAuthorTitle(VEMBrowseFile& entry, OpenBookLink* link) {
    if (!entry.modified) return SaveOutcome::NotModified;
    std::error_code error;
    if (!std::filesystem::exists(entry.path, error)) {
        entry.modified = false;
        return SaveOutcome::Gone;
    }
    if (link != nullptr && link->IsOpenBook(entry.path)) {
        VEMOpt& store = link->OpenBookStore();
        store.SetWideString(kTagAuthor, entry.author);
        store.SetWideString(kTagTitle, entry.title);
        return SaveOutcome::OpenBook;
    }
    entry.modified = false;
    if (!WriteRecords(entry)) return SaveOutcome::NotWritten;

    const std::filesystem::path folder = entry.path.parent_path();
    const std::string wanted = BookFileName(entry);
    if (entry.path.filename() == wanted) return SaveOutcome::Saved;
    // Another book may take a free name between the look and the rename: then the next one.
    std::filesystem::path target = FreeBookPath(folder, wanted, entry.path);
    for (int attempt = 0; attempt < 16 && target != entry.path; ++attempt) {
        const int failure = RenameNoReplace(entry.path, target);
        if (failure == 0) {
            entry.path = target;
            SyncFolder(folder);
            break;
        }
        if (failure != EEXIST) break;
        target = FreeBookPath(folder, wanted, entry.path);
    }
    return SaveOutcome::Saved;
}

}  // namespace corvalin
