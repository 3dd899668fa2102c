#include "app/ReaderImport.h"

#include <QStringList>
#include <QWidget>

#include "app/ArchiveMembersDialog.h"
#include "app/EncodingDialog.h"
#include "app/MessageBoxes.h"
#include "app/PasswordDialog.h"
#include "app/ProgressWindow.h"
#include "import/DocumentKind.h"
#include "lang/Languages.h"

namespace corvalin {

ReaderImport::ReaderImport(Windows windows, const LanguageDispatcher& languages, ImportFolders folders,
                           int32_t& lastCodePage, std::function<EncodingAnswer(const EncodingQuestion&)> ask,
                           std::function<void(const QString&)> tell)
    : windows_(windows),
      languages_(languages),
      folders_(std::move(folders)),
      lastCodePage_(lastCodePage),
      ask_(std::move(ask)),
      tell_(std::move(tell)) {}

ReaderImport::~ReaderImport() = default;

void ReaderImport::BeginBatch() {
    batch_ = std::make_unique<ImportPipeline>(folders_, *this, ImportSettings{lastCodePage_});
    batch_->BeginBatch();
    stopped_ = false;
}

void ReaderImport::EndBatch() {
    if (batch_) {
        lastCodePage_ = batch_->LastCodePage();
        batch_->ReleaseWordProcessor();
    }
    batch_.reset();
}

std::filesystem::path ReaderImport::ImportDocument(const std::filesystem::path& document) {
    std::vector<std::filesystem::path> books = ImportDocuments(document);
    return books.empty() ? std::filesystem::path() : books.back();
}

std::vector<std::filesystem::path> ReaderImport::ImportDocuments(const std::filesystem::path& document) {
    const bool ownBatch = !batch_;
    if (ownBatch) BeginBatch();
    std::vector<std::filesystem::path> books;
    if (!stopped_) {
        const size_t before = batch_->Books().size();
        const int result = batch_->ImportFile(document);
        // Books made before an abort stay: an archive may have given some.
        for (size_t i = before; i < batch_->Books().size(); ++i) books.push_back(batch_->Books()[i].book);
        stopped_ = result == kAbortBatch;
        lastCodePage_ = batch_->LastCodePage();
    }
    if (ownBatch) EndBatch();
    return books;
}

const VEMCodepage& ReaderImport::Codepages() {
    if (!codepages_) codepages_ = std::make_unique<VEMCodepage>();
    return *codepages_;
}

TAA_Encode& ReaderImport::EncodingWindow() {
    if (!dialog_) dialog_ = new TAA_Encode(Codepages(), languages_, &windows_.owner);
    return *dialog_;
}

EncodingAnswer ReaderImport::AskWithDialog(const EncodingQuestion& question) {
    return EncodingWindow().Ask(question, &windows_.owner);
}

TAA_Files& ReaderImport::MembersWindow() {
    if (!membersDialog_) membersDialog_ = new TAA_Files(languages_, &windows_.owner);
    return *membersDialog_;
}

TAA_Password& ReaderImport::PasswordWindow() {
    if (!passwordDialog_) passwordDialog_ = new TAA_Password(languages_, &windows_.owner);
    return *passwordDialog_;
}

MemberChoice ReaderImport::ChooseMembers(const MemberQuestion& question) {
    if (unattended) return MemberChoice::ImportAll;
    const QString caption = QString::fromStdString(languages_.GetText("AA_Browse", "Text08")) +
                            QString::fromStdString(question.archive.filename().string());
    return MembersWindow().ChooseMembers(question.members, caption);
}

std::optional<std::string> ReaderImport::AskPassword(const std::string& archiveName,
                                                     const std::string& memberName) {
    if (unattended) return std::nullopt;
    return PasswordWindow().AskPassword(archiveName, memberName);
}

std::optional<std::filesystem::path> ReaderImport::AskNextVolume(const std::filesystem::path& volume) {
    if (unattended) return std::nullopt;
    // OK answers with the same name: the next disk has been put in, or the file copied there.
    const QString text = QString::fromStdString(languages_.GetText("AA_Browse", "Text04")) + " " +
                         QString::fromStdString(volume.string());
    const QMessageBox::StandardButton button =
        ShowMessageBox(&windows_.owner, languages_.Window("AA_Browse"), QMessageBox::Warning, "Warning", text,
                       QMessageBox::Ok | QMessageBox::Cancel);
    if (button != QMessageBox::Ok) return std::nullopt;
    return volume;
}

void ReaderImport::ReportError(const std::string& memberName, const std::string& message) {
    // The checksum message has a row of its own in every language; the others are the
    // archive library's.
    const QString text = message == "File CRC error"
                             ? QString::fromStdString(languages_.GetText("AA_Browse", "Text05"))
                             : QString::fromStdString(message);
    tell_(text + "\n" + QString::fromStdString(memberName));
}

void ReaderImport::TellFailure(const ImportFailure& failure) {
    const QString name = QString::fromStdString(failure.document.filename().string());
    if (failure.kind == ImportFailure::Kind::MemberNotExtracted) {
        // The archive told it already, or the reader chose to skip the member.
        if (failure.reportedByArchive || failure.passwordCancelled || failure.volumeCancelled) return;
        tell_(QString::fromStdString(languages_.GetText("AA_Browse", "Text03")) + "\n" + name + ": " +
              QString::fromStdString(failure.detail));
        return;
    }
    if (failure.kind == ImportFailure::Kind::WordCannotOpen) {
        tell_(QString::fromStdString(languages_.GetText("AA_Browse", "Text07")) + name);
        return;
    }
    tell_(QString::fromStdString(languages_.GetText("AA_Browse", "Text03")) + "\n" + name + ": " +
          QString::fromStdString(failure.detail));
}

std::unique_ptr<ProgressSink> ReaderImport::ShowProgress(int64_t maximum) {
    return std::make_unique<VEMProgress>(
        windows_.progress, windows_.progressOwner, maximum,
        QString::fromStdString(languages_.GetText("AA_Main", "TextConvert")));
}

QString ImportedDocumentFilter() {
    QStringList patterns;
    for (const std::string& pattern : ImportedDocumentPatterns())
        patterns << QString::fromStdString(pattern) << QString::fromStdString(pattern).toUpper();
    return patterns.join(' ');
}

}  // namespace corvalin
