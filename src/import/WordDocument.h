#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/Verdict.h"

namespace corvalin {

// The installed programs that can read a Word document.
enum class WordProcessor {
    None,
    LibreOffice,  // soffice --headless --convert-to, in a profile of our own
    Catdoc,       // catdoc, which also reads Word 6 and 95
};

// The first of LibreOffice and catdoc found on PATH, with the program file to run.
struct FoundWordProcessor {
    WordProcessor kind = WordProcessor::None;
    std::filesystem::path program;
};
FoundWordProcessor FindWordProcessor();

// Turns Word documents into UTF-16LE text files with a byte-order mark, through an installed
// word processor run as a child process. The converter runs nothing of the person's own: a
// LibreOffice already open on the desktop is never attached to (it would take the request
// and leave our call without output), because ours runs in a profile of its own under the work
// folder. Every child is waited for, killed when it outlives the time allowed, and cannot
// write more than the output cap.
class VEMDocConverter {
public:
    // `workFolder` is Tmp/: intermediate files and the LibreOffice profile go there.
    explicit VEMDocConverter(std::filesystem::path workFolder,
                             FoundWordProcessor processor = FindWordProcessor());
    VEMDocConverter(const VEMDocConverter&) = delete;
    VEMDocConverter& operator=(const VEMDocConverter&) = delete;
    ~VEMDocConverter();

    // Writes the text of `document` to `textPath` (which must not exist). A failure leaves no
    // file and says why: no word processor, the program failed (protected or damaged
    // documents), timed out, wrote too much, or wrote nothing.
    Verdict ConvertWordDocument(const std::filesystem::path& document, const std::filesystem::path& textPath);
    // At the end of a batch: ends a child still running and removes what the word processor
    // left in the work folder. Nothing the converter did not start is touched.
    void ReleaseWordProcessor();

    WordProcessor Processor() const { return processor_.kind; }
    // A child still running after this long is killed and the document fails.
    std::chrono::milliseconds timeout{std::chrono::seconds(120)};
    // The most text one document may become (bytes the program writes).
    uint64_t maxOutputBytes = uint64_t(512) << 20;

private:
    // Runs `arguments` (program first) with its output into `stdoutPath` (or /dev/null);
    // the exit status, or nothing when it could not run, was killed or timed out (`why` says).
    std::optional<int> Run(const std::vector<std::string>& arguments, const std::filesystem::path& stdoutPath,
                           std::string& why);
    std::filesystem::path PrivateFolder();

    std::filesystem::path workFolder_;
    FoundWordProcessor processor_;
    std::filesystem::path privateFolder_;  // under the work folder, made at the first use
    int running_ = -1;                     // the child's process id while one runs
};

}  // namespace corvalin
