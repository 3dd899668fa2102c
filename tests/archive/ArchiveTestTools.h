#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "archive/MemberReader.h"

namespace corvalin::test {

// Archives in these tests are made at test time by the real archivers (zip, rar, jlha, 7z, tar),
// which scripts/setup.sh installs.
inline bool HaveTool(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

#define REQUIRE_TOOL(tool)                                                                \
    do {                                                                                  \
        if (!::corvalin::test::HaveTool(tool))                                            \
            GTEST_SKIP() << (tool) << " is not installed (scripts/setup.sh installs it)"; \
    } while (0)

// Runs `command` in `folder` with its output discarded; true on exit status 0.
inline bool RunIn(const std::filesystem::path& folder, const std::string& command) {
    const std::string line = "cd '" + folder.string() + "' && " + command + " >/dev/null 2>&1";
    return std::system(line.c_str()) == 0;
}

inline std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFileText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A text of `byteLength` bytes made of numbered lines, so every part of it differs.
inline std::string NumberedText(size_t byteLength) {
    std::string text;
    for (int line = 0; text.size() < byteLength; ++line)
        text += "Line " + std::to_string(line) + " of a book that is long enough to compress.\n";
    text.resize(byteLength);
    return text;
}

// Finds `needle` in the file and flips the bits of the byte `offset` past its start.
inline bool FlipByteAfter(const std::filesystem::path& path, const std::string& needle, size_t offset) {
    std::string bytes = FileText(path);
    const size_t at = bytes.find(needle);
    if (at == std::string::npos || at + offset >= bytes.size()) return false;
    bytes[at + offset] = char(~bytes[at + offset]);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return true;
}

// Answers from a script and keeps what was asked.
class ScriptedQuestions : public ArchiveQuestions {
public:
    std::deque<std::optional<std::string>> passwords;
    std::deque<std::optional<std::filesystem::path>> volumes;
    std::vector<std::pair<std::string, std::string>> passwordAsks;  // archive, member
    std::vector<std::filesystem::path> volumeAsks;
    std::vector<std::pair<std::string, std::string>> errors;  // member, message
    // Answer every password question with this when the script has run out.
    std::optional<std::string> alwaysPassword;

    std::optional<std::string> AskPassword(const std::string& archiveName,
                                           const std::string& memberName) override {
        passwordAsks.emplace_back(archiveName, memberName);
        if (passwords.empty()) return alwaysPassword;
        std::optional<std::string> answer = passwords.front();
        passwords.pop_front();
        return answer;
    }
    std::optional<std::filesystem::path> AskNextVolume(const std::filesystem::path& volume) override {
        volumeAsks.push_back(volume);
        if (volumes.empty()) return std::nullopt;
        std::optional<std::filesystem::path> answer = volumes.front();
        volumes.pop_front();
        return answer;
    }
    void ReportError(const std::string& memberName, const std::string& message) override {
        errors.emplace_back(memberName, message);
    }
};

// The members as the listing pass sees them: open, read each header and skip it, close.
inline std::vector<ArchiveMember> ListMembers(MemberReader& reader, const std::filesystem::path& archive,
                                              const std::filesystem::path& destination) {
    std::vector<ArchiveMember> members;
    if (!reader.Open(archive, destination)) return members;
    while (std::optional<ArchiveMember> member = reader.ReadHeader()) {
        members.push_back(*member);
        reader.Skip();
    }
    reader.Close();
    return members;
}

struct Extracted {
    ArchiveMember member;
    ExtractResult result;
};

// The extraction pass over every member.
inline std::vector<Extracted> ExtractAll(MemberReader& reader, const std::filesystem::path& archive,
                                         const std::filesystem::path& destination) {
    std::vector<Extracted> extracted;
    if (!reader.Open(archive, destination)) return extracted;
    while (std::optional<ArchiveMember> member = reader.ReadHeader())
        extracted.push_back({*member, reader.Extract()});
    reader.Close();
    return extracted;
}

// Every entry under `folder`, relative, sorted.
inline std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        names.push_back(std::filesystem::relative(entry.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace corvalin::test
