#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "archive/MemberReader.h"
#include "base/Progress.h"
#include "import/DocumentKind.h"
#include "import/EncodingPreview.h"

namespace corvalin {

// The encoding dialog's buttons.
enum class EncodingChoice : int32_t {
    Import = 1,       // "Import"
    DoNotImport = 2,  // "Do Not Import": this document is skipped
    Abort = 3,        // "Abort": the batch stops; books already made stay
    ImportAll = 4,    // "Import All": this and the rest of the batch without asking again
};

// What the encoding dialog is shown for one document.
struct EncodingQuestion {
    // The document decoded in the page selected (the one used last, or the one its
    // byte-order mark names); the dialog selects other pages through it.
    EncodingPreview& preview;
    std::string documentName;   // the file name of the document (not of a prepared text)
    int64_t documentSize = -1;  // its size in bytes; -1 when unknown
    bool codePageListShown = true;
    bool everyLineParagraph = false;  // "Every line - new paragraph" as the dialog opens
};

struct EncodingAnswer {
    EncodingChoice choice = EncodingChoice::Import;
    int32_t codePage = 0;  // the page to convert in (a number of the code page list)
    bool everyLineParagraph = false;
};

// The member list's buttons.
enum class MemberChoice : int32_t {
    Ok = 1,           // "OK": the ticked members
    DoNotImport = 2,  // "Do Not Import": nothing from this archive
    Abort = 3,        // "Abort": the batch stops; books already made stay
    ImportAll = 4,    // "Import All": the ticked members, and every later archive without asking
};

// One member of an archive as the member list shows it.
struct ListedMember {
    ArchiveMember member;
    bool selected = true;
};

// What the member list is shown for one archive.
struct MemberQuestion {
    std::filesystem::path archive;
    // In archive order, directories left out; the answer leaves the ticks here. Members that
    // are documents the import reads come ticked, others not.
    std::vector<ListedMember>& members;
};

// A document that could not be imported, for the person or the error stream.
struct ImportFailure {
    enum class Kind {
        ConversionFailed,    // "Error during file convertion" and the file name
        WordCannotOpen,      // "MS Word cannot open file - " and the file name
        MemberNotExtracted,  // a member of the archive `document` that could not be extracted
    };
    Kind kind = Kind::ConversionFailed;
    std::filesystem::path document;  // the document as it was chosen (the archive, for members)
    std::string detail;              // what went wrong, in English: "the document holds no text"
    // For MemberNotExtracted: the member's stored name, why it failed, whether the archive has
    // already reported it through ArchiveQuestions::ReportError ("File CRC error"), and whether
    // the person cancelled the password or the next-volume question (their own choice,
    // nothing to tell).
    std::string member;
    VerdictKind reason = VerdictKind::Ok;
    bool reportedByArchive = false;
    bool passwordCancelled = false;
    bool volumeCancelled = false;
};

// Whoever runs an import answers its questions: the reader's windows with the encoding dialog,
// message boxes and the progress window; a command-line tool from its options.
class ImportQuestions {
public:
    virtual ~ImportQuestions() = default;
    // Asked for each document while the batch's show-encoding-dialog flag is set.
    virtual EncodingAnswer AskEncoding(const EncodingQuestion& question) = 0;
    virtual void TellFailure(const ImportFailure& failure) = 0;
    // Asked for each archive while the batch's show-member-list flag is set. By default every
    // ticked member, without asking.
    virtual MemberChoice ChooseMembers(const MemberQuestion& question) {
        (void)question;
        return MemberChoice::Ok;
    }
    // Who answers an archive's password and volume questions and hears its member errors;
    // nobody by default (encrypted members are then skipped).
    virtual ArchiveQuestions* ArchiveAnswers() { return nullptr; }
    // Shown while one document becomes a book; positions run from 0 to `maximum`. None by
    // default.
    virtual std::unique_ptr<ProgressSink> ShowProgress(int64_t maximum) {
        (void)maximum;
        return nullptr;
    }
};

}  // namespace corvalin
