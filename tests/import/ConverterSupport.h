#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "import/CodePageDecoder.h"
#include "import/TextSource.h"

namespace corvalin::test {

// Code pages through ICU's own converters ("windows-N"), standing in for the program's code
// page layer.
class IcuDecoder : public CodePageDecoder {
public:
    bool Decode(int codePage, std::span<const uint8_t> bytes, std::u16string& out) override;
};
std::u16string IcuDecode(const std::vector<uint8_t>& bytes, int codePage);

// Hands out `units` in pieces of at most `piece` units, so a reader meets every block edge.
std::unique_ptr<TextSource> UnitsSource(std::u16string units, size_t piece = 4096);

// The folder of a third-party fixture kind ("html", "rtf", "pdb"); empty when it is missing.
std::filesystem::path SharedFixtures(const std::string& kind);

// Runs a shell command line; its exit status.
int Run(const std::string& commandLine);
bool HaveProgram(const std::string& name);

// The lines of a text as lists of words (split at white space, U+00A0 included); words made of
// table rules only ("|", "---", "+") and lines without words are left out.
std::vector<std::vector<std::u16string>> WordLines(std::u16string_view text);
std::vector<std::u16string> Words(std::u16string_view text);

// UTF-8 with the units below 32 (other than line feed) written as \xNN, for messages.
std::string Escaped(std::u16string_view text);

// Empty when `actual` holds `expected`'s words line by line: the same words and the same line
// starts; otherwise what differs first.
std::string CompareWordsAndLines(std::u16string_view expected, std::u16string_view actual);

// The lines of `expected` (as text, words joined by one space) that do not come out whole in
// `actual`, their words in a row, after the last one that did. Other text may stand between.
std::vector<std::string> LinesNotFoundInOrder(std::u16string_view expected, std::u16string_view actual);

}  // namespace corvalin::test
