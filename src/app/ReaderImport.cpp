#include "app/ReaderImport.h"

#include <QStringList>
#include <QWidget>

#include "app/EncodingDialog.h"
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
    if (batch_) lastCodePage_ = batch_->LastCodePage();
    batch_.reset();
}

std::filesystem::path ReaderImport::ImportDocument(const std::filesystem::path& document) {
    const bool ownBatch = !batch_;
    if (ownBatch) BeginBatch();
    std::filesystem::path book;
    if (!stopped_) {
        const int result = batch_->ImportFile(document);
        if (result == kImported) book = batch_->LastBook()->book;
        stopped_ = result == kAbortBatch;
        lastCodePage_ = batch_->LastCodePage();
    }
    if (ownBatch) EndBatch();
    return book;
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

void ReaderImport::TellFailure(const ImportFailure& failure) {
    const QString name = QString::fromStdString(failure.document.filename().string());
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
