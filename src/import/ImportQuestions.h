#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

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

// A document that could not be imported, for the person or the error stream.
struct ImportFailure {
    enum class Kind {
        ConversionFailed,  // "Error during file convertion" and the file name
        WordCannotOpen,    // "MS Word cannot open file - " and the file name
    };
    Kind kind = Kind::ConversionFailed;
    std::filesystem::path document;  // the document as it was chosen
    std::string detail;              // what went wrong, in English: "the document holds no text"
};

// Whoever runs an import answers its questions: the reader's windows with the encoding dialog,
// message boxes and the progress window; a command-line tool from its options.
class ImportQuestions {
public:
    virtual ~ImportQuestions() = default;
    // Asked for each document while the batch's show-encoding-dialog flag is set.
    virtual EncodingAnswer AskEncoding(const EncodingQuestion& question) = 0;
    virtual void TellFailure(const ImportFailure& failure) = 0;
    // Shown while one document becomes a book; positions run from 0 to `maximum`. None by
    // default.
    virtual std::unique_ptr<ProgressSink> ShowProgress(int64_t maximum) {
        (void)maximum;
        return nullptr;
    }
};

}  // namespace corvalin
