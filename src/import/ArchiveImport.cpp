// The archive flow of the import: list, ask, extract one member at a time into Tmp/, import it
// as a document of its own, remove it.
#include <system_error>

#include "archive/ArchiveKinds.h"
#include "import/ImportPipeline.h"

namespace corvalin {
namespace {

// Removes an extracted member however its import ends.
class ExtractedMember {
public:
    explicit ExtractedMember(std::filesystem::path path) : path_(std::move(path)) {}
    ~ExtractedMember() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    ExtractedMember(const ExtractedMember&) = delete;
    ExtractedMember& operator=(const ExtractedMember&) = delete;

private:
    std::filesystem::path path_;
};

// Stands between an archive reader and whoever answers its questions, to learn what became of
// the member being extracted: whether the archive reported its error itself and whether the
// person cancelled the password question. Nobody to ask is a Cancel.
class MemberQuestionsRelay final : public ArchiveQuestions {
public:
    explicit MemberQuestionsRelay(ArchiveQuestions* answers) : answers_(answers) {}

    void BeginMember() {
        reported = false;
        passwordCancelled = false;
        volumeCancelled = false;
    }
    std::optional<std::string> AskPassword(const std::string& archiveName,
                                           const std::string& memberName) override {
        std::optional<std::string> answer =
            answers_ != nullptr ? answers_->AskPassword(archiveName, memberName) : std::nullopt;
        passwordCancelled = !answer || answer->empty();
        return answer;
    }
    std::optional<std::filesystem::path> AskNextVolume(const std::filesystem::path& volume) override {
        std::optional<std::filesystem::path> answer =
            answers_ != nullptr ? answers_->AskNextVolume(volume) : std::nullopt;
        volumeCancelled = !answer;
        return answer;
    }
    void ReportError(const std::string& memberName, const std::string& message) override {
        reported = true;
        if (answers_ != nullptr) answers_->ReportError(memberName, message);
    }

    bool reported = false;
    bool passwordCancelled = false;
    bool volumeCancelled = false;

private:
    ArchiveQuestions* answers_;
};

}  // namespace

int ImportPipeline::ImportArchive(const std::filesystem::path& archive, ArchiveKind kind) {
    if (insideArchive_) {
        Fail(ImportFailure::Kind::ConversionFailed, archive, "an archive inside an archive is not opened");
        return kSkipped;
    }
    std::error_code error;
    std::filesystem::create_directories(folders_.tmp, error);
    if (error) {
        Fail(ImportFailure::Kind::ConversionFailed, archive,
             "cannot create " + folders_.tmp.string() + ": " + error.message());
        return kAbortBatch;
    }
    std::unique_ptr<MemberReader> reader = MakeMemberReader(kind);
    if (!reader) {
        Fail(ImportFailure::Kind::ConversionFailed, archive,
             std::string(ArchiveKindName(kind)) + " archives are not read");
        return kSkipped;
    }
    MemberQuestionsRelay relay(questions_.ArchiveAnswers());
    reader->SetQuestions(&relay);

    // The first pass lists the members: each header read and its data skipped.
    std::vector<ListedMember> members;
    if (reader->Open(archive, folders_.tmp)) {
        while (std::optional<ArchiveMember> member = reader->ReadHeader()) {
            const bool wanted = ImportedByDefault(member->name);
            members.push_back({std::move(*member), wanted});
            reader->Skip();
        }
        reader->Close();
    }
    if (members.empty()) {
        Fail(ImportFailure::Kind::ConversionFailed, archive,
             std::string(ArchiveKindName(kind)) + " archive cannot be read or holds no file");
        return kSkipped;
    }
    if (showMemberList) {
        switch (questions_.ChooseMembers({archive, members})) {
            case MemberChoice::Ok:
                break;
            case MemberChoice::ImportAll:
                showMemberList = false;
                break;
            case MemberChoice::Abort:
                return kAbortBatch;
            case MemberChoice::DoNotImport:
                return kSkipped;
        }
    }

    // The second pass walks the archive again beside the list, extracting the chosen members.
    if (!reader->Open(archive, folders_.tmp)) {
        Fail(ImportFailure::Kind::ConversionFailed, archive,
             std::string(ArchiveKindName(kind)) + " archive cannot be opened again");
        return kSkipped;
    }
    insideArchive_ = true;
    int outcome = kSkipped;
    try {
        for (const ListedMember& listed : members) {
            const std::optional<ArchiveMember> member = reader->ReadHeader();
            // The archive changed, or its reader lost its place: nothing further is the member
            // the person chose.
            if (!member || member->name != listed.member.name) {
                Fail(ImportFailure::Kind::ConversionFailed, archive,
                     "the archive ended before \"" + listed.member.name + "\"");
                break;
            }
            if (!listed.selected) {
                reader->Skip();
                continue;
            }
            relay.BeginMember();
            const ExtractResult extracted = reader->Extract();
            if (extracted.path.empty()) {
                ImportFailure failure;
                failure.kind = ImportFailure::Kind::MemberNotExtracted;
                failure.document = archive;
                failure.detail = "\"" + listed.member.name + "\": " + extracted.verdict.message;
                failure.member = listed.member.name;
                failure.reason = extracted.verdict.kind;
                failure.reportedByArchive = relay.reported;
                failure.passwordCancelled = relay.passwordCancelled;
                failure.volumeCancelled = relay.volumeCancelled;
                questions_.TellFailure(failure);
                continue;
            }
            ExtractedMember removed(extracted.path);
            // Every reader writes flat into the folder it was given; anything else is not ours
            // to import.
            std::error_code same;
            if (!std::filesystem::equivalent(extracted.path.parent_path(), folders_.tmp, same)) {
                Fail(ImportFailure::Kind::ConversionFailed, archive,
                     "\"" + listed.member.name + "\" was not extracted into " + folders_.tmp.string());
                continue;
            }
            const int result = ImportFile(extracted.path);
            if (result == kImported) outcome = kImported;
            if (result == kAbortBatch) {
                outcome = kAbortBatch;
                break;
            }
        }
    } catch (...) {
        insideArchive_ = false;
        reader->Close();
        throw;
    }
    insideArchive_ = false;
    reader->Close();
    return outcome;
}

}  // namespace corvalin
