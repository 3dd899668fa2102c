#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "base/Progress.h"
#include "books/BookFile.h"
#include "store/VEMFile.h"
#include "store/VEMOpt.h"

namespace corvalin {

// An open book as the reading view needs it: the file, its two offset tables and its record
// store, with the heading index built when the book lacks one. Opening checks everything the
// file claims before anything is used; a failed open leaves the document closed.
class BookDocument {
public:
    BookDocument() = default;
    ~BookDocument();
    BookDocument(const BookDocument&) = delete;
    BookDocument& operator=(const BookDocument&) = delete;

    // NotBook: cannot be opened, wrong signature or a broken header rule. Corrupted: a digest
    // does not match or the record store cannot be decoded.
    Verdict Open(const std::filesystem::path& path, ProgressSink* progress = nullptr);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    // The file (or its folder, where a save keeps its undo file) may not be written: the book
    // is read, and nothing is ever saved into it.
    bool ReadOnly() const { return readOnly_; }

    VEMFile& File() { return *file_; }
    VEMOpt& Store() { return *store_; }
    const BookHeader& Header() const { return header_; }
    const std::vector<int32_t>& ParagraphTable() const { return paragraphs_; }
    const std::vector<int32_t>& LineTable() const { return lines_; }
    // The heading index was missing and has been built (and written) while opening.
    bool HeadingsRebuilt() const { return headingsRebuilt_; }

    // Writes `store` as the book's record store; the book stays readable if this fails
    // half-way (FileError is thrown). Does nothing for a read-only book.
    void RewriteStore(VEMOpt& store);

private:
    std::filesystem::path path_;
    std::unique_ptr<VEMFile> file_;
    std::unique_ptr<VEMOpt> store_;
    BookHeader header_;
    std::vector<int32_t> paragraphs_;
    std::vector<int32_t> lines_;
    bool headingsRebuilt_ = false;
    bool readOnly_ = false;
};

}  // namespace corvalin
