#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/CodepageList.h"
#include "import/ImportPipeline.h"

class QWidget;

namespace corvalin {

class LanguageDispatcher;
class TAA_Encode;
class TAA_Files;
class TAA_Password;
class TAA_Progress;

// The reader's side of the import: it runs the import pipeline for the documents the reader
// opens and answers its questions with the reader's windows: the encoding dialog (through
// `ask`, which the main window may answer otherwise), the progress window, and failures told
// through `tell` in the interface language. It keeps the code page list, made at the first
// import, and the code page chosen last in `lastCodePage` (Global.cfg's value). Archives are
// answered with the member list, the password window and message boxes.
class ReaderImport final : public ImportQuestions, public ArchiveQuestions {
public:
    struct Windows {
        QWidget& owner;          // the dialog's parent, and the window it covers
        TAA_Progress& progress;  // shown over `progressOwner` while a book is built
        QWidget& progressOwner;
    };
    ReaderImport(Windows windows, const LanguageDispatcher& languages, ImportFolders folders,
                 int32_t& lastCodePage, std::function<EncodingAnswer(const EncodingQuestion&)> ask,
                 std::function<void(const QString&)> tell);
    ~ReaderImport() override;

    // Documents opened together form one batch: "Import All" and "Abort" reach across them.
    void BeginBatch();
    void EndBatch();
    // The reader aborted the batch, or the library could not be written.
    bool BatchStopped() const { return stopped_; }
    bool InBatch() const { return batch_ != nullptr; }
    // One document into the library (in the open batch, or in a batch of its own): the new
    // book, or empty when it was skipped or failed (the reader has been told why).
    std::filesystem::path ImportDocument(const std::filesystem::path& document);
    // The same for a file that may give several books (an archive): every book made, in order.
    std::vector<std::filesystem::path> ImportDocuments(const std::filesystem::path& document);

    // With nobody at the screen: archives are imported whole ("Import All"), and passwords
    // and volumes asked for are not there (those members are skipped).
    bool unattended = false;

    // The encoding dialog's answer, the dialog made at its first use.
    EncodingAnswer AskWithDialog(const EncodingQuestion& question);
    const VEMCodepage& Codepages();
    TAA_Encode& EncodingWindow();
    TAA_Files& MembersWindow();
    TAA_Password& PasswordWindow();

    EncodingAnswer AskEncoding(const EncodingQuestion& question) override { return ask_(question); }
    void TellFailure(const ImportFailure& failure) override;
    std::unique_ptr<ProgressSink> ShowProgress(int64_t maximum) override;
    MemberChoice ChooseMembers(const MemberQuestion& question) override;
    ArchiveQuestions* ArchiveAnswers() override { return this; }

    std::optional<std::string> AskPassword(const std::string& archiveName,
                                           const std::string& memberName) override;
    std::optional<std::filesystem::path> AskNextVolume(const std::filesystem::path& volume) override;
    void ReportError(const std::string& memberName, const std::string& message) override;

private:
    Windows windows_;
    const LanguageDispatcher& languages_;
    ImportFolders folders_;
    int32_t& lastCodePage_;
    std::function<EncodingAnswer(const EncodingQuestion&)> ask_;
    std::function<void(const QString&)> tell_;
    std::unique_ptr<VEMCodepage> codepages_;
    TAA_Encode* dialog_ = nullptr;
    TAA_Files* membersDialog_ = nullptr;
    TAA_Password* passwordDialog_ = nullptr;
    std::unique_ptr<ImportPipeline> batch_;
    bool stopped_ = false;
};

// The name patterns of every document kind and archive the import reads, each in lower and upper case
// (patterns match exactly on this platform), for a file dialog's filter.
QString ImportedDocumentFilter();

}  // namespace corvalin
