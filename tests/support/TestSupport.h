#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "books/BookFile.h"
#include "import/BuildBook.h"

namespace corvalin::test {

// A fresh directory under the system temp folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
// The names of the entries of `folder`, sorted; none when it does not exist.
std::vector<std::string> FileNames(const std::filesystem::path& folder);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::filesystem::path& path, const std::string& text);

// A command run through the shell: its exit status (-1 when it did not exit) and its standard
// output.
struct CommandRun {
    int status = -1;
    std::string output;
};
CommandRun RunCommand(const std::string& command);

// Builds a book from UTF-8 text and returns its path inside `dir`.
std::filesystem::path BuildBookFromUtf8(const TempDir& dir, const std::string& text,
                                        bool everyLineParagraph = false,
                                        const std::string& name = "book.book");

// A book opened for inspection.
struct OpenedBook {
    std::filesystem::path path;
    VEMFile file;
    BookHeader header;
    std::vector<int32_t> paragraphs;
    std::vector<int32_t> lines;
    explicit OpenedBook(const std::filesystem::path& bookPath);
    Verdict Check() { return CheckBook(file, header); }
    // The items of [start, end) as text: words as themselves (tab shown as "\t"),
    // spaces as "<n>", line ends as "|".
    std::string Items(int64_t start, int64_t end);
    std::string Paragraph(size_t index) { return Items(paragraphs[index], paragraphs[index + 1]); }
};

// Files may grow only up to `limit` bytes while it lives, as on a nearly full disk; a write
// past it fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

}  // namespace corvalin::test
