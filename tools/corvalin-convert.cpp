// corvalin-convert [--books DIR] [--every-line-paragraph] [--codepage N|auto]
//                  [--kind text|html|rtf|word|palmdoc] [--password TEXT] FILE...
// Imports documents and archives into the library as the reader does, without its dialogs:
// each document's kind comes from its extension (or --kind), and the encoding dialog's answer
// is "Import All" with the code page N of the code page list (-1 and -2 for UTF-16 LE/BE;
// default: the system's), or with the page guessed from each text for "auto"; a byte-order
// mark wins over either. An archive's member list is answered "Import All": every document
// member in archive order, one book each; encrypted members take --password. Prepared texts
// (RTF, Word, PalmDoc) and extracted members pass through Tmp/ beside the books folder. Prints
// the path of each book made; exit status 1 when any document or member failed, with one
// error line for each.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <vector>

#include "import/CodepageList.h"
#include "import/ImportPipeline.h"
#include "platform/ProgramFolder.h"

namespace {

using corvalin::DocumentKind;

int Usage() {
    std::cerr << "usage: corvalin-convert [--books DIR] [--every-line-paragraph] [--codepage N|auto]\n"
                 "                        [--kind text|html|rtf|word|palmdoc] [--password TEXT] FILE...\n"
                 "Documents (text, HTML, RTF, Word, PalmDoc, EPUB, FictionBook) and archives (ZIP, RAR,\n"
                 "ARJ, LZH, HA, 7z, tar, cab, ISO) become books; archives give one book per document\n"
                 "member, encrypted members opened with --password.\n";
    return 1;
}

bool ParseCodePage(const char* text, corvalin::ImportSettings& settings) {
    if (std::strcmp(text, "auto") == 0) {
        settings.detectCodePage = true;
        return true;
    }
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < -2 || number > 65535) return false;
    if (number != corvalin::kCodePageUnicode && number != corvalin::kCodePageUnicodeBigEndian &&
        corvalin::CodepageConverterName(int32_t(number)) == nullptr) {
        return false;
    }
    settings.codePage = int32_t(number);
    return true;
}

std::optional<DocumentKind> ParseKind(const char* text) {
    struct Named {
        const char* name;
        DocumentKind kind;
    };
    static constexpr Named kKinds[] = {{"text", DocumentKind::Text},
                                       {"html", DocumentKind::Html},
                                       {"rtf", DocumentKind::Rtf},
                                       {"word", DocumentKind::Word},
                                       {"palmdoc", DocumentKind::PalmDoc}};
    for (const Named& named : kKinds)
        if (std::strcmp(text, named.name) == 0) return named.kind;
    return std::nullopt;
}

// The dialog's answer is "Import All" with the page the import selected, and so is the member
// list's; passwords come from --password. Failures become error lines.
class CommandLineAnswers final : public corvalin::ImportQuestions, public corvalin::ArchiveQuestions {
public:
    std::optional<std::string> password;
    int failures = 0;

    corvalin::EncodingAnswer AskEncoding(const corvalin::EncodingQuestion& question) override {
        return {corvalin::EncodingChoice::ImportAll, question.preview.CodePage(),
                question.everyLineParagraph};
    }
    void TellFailure(const corvalin::ImportFailure& failure) override {
        ++failures;
        if (failure.kind != corvalin::ImportFailure::Kind::MemberNotExtracted) {
            std::cerr << "corvalin-convert: " << failure.document.string() << ": " << failure.detail << '\n';
            return;
        }
        if (failure.reportedByArchive) return;  // its line is out already
        std::cerr << "corvalin-convert: " << failure.document.string() << ": " << failure.member << ": ";
        if (failure.volumeCancelled)
            std::cerr << "the next volume is not beside the first\n";
        else if (failure.reason == corvalin::VerdictKind::Encrypted)
            std::cerr << (password ? "wrong password" : "encrypted, give its password with --password")
                      << '\n';
        else
            std::cerr << failure.detail << '\n';
    }
    corvalin::MemberChoice ChooseMembers(const corvalin::MemberQuestion&) override {
        return corvalin::MemberChoice::ImportAll;
    }
    corvalin::ArchiveQuestions* ArchiveAnswers() override { return this; }
    std::optional<std::string> AskPassword(const std::string&, const std::string&) override {
        return password;
    }
    // Volumes are found beside the first one or not at all.
    std::optional<std::filesystem::path> AskNextVolume(const std::filesystem::path&) override {
        return std::nullopt;
    }
    void ReportError(const std::string& memberName, const std::string& message) override {
        std::cerr << "corvalin-convert: " << archive.string() << ": " << memberName << ": " << message
                  << '\n';
    }
    std::filesystem::path archive;  // the file being imported, for ReportError's lines
};

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path books;
    corvalin::ImportSettings settings;
    std::optional<DocumentKind> kind;
    std::optional<std::string> password;
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--books") == 0 && i + 1 < argc) {
            books = argv[++i];
        } else if (std::strcmp(argv[i], "--every-line-paragraph") == 0) {
            settings.everyLineParagraph = true;
        } else if (std::strcmp(argv[i], "--codepage") == 0 && i + 1 < argc) {
            if (!ParseCodePage(argv[++i], settings)) {
                std::cerr << "corvalin-convert: unknown code page " << argv[i] << '\n';
                return Usage();
            }
        } else if (std::strcmp(argv[i], "--password") == 0 && i + 1 < argc) {
            password = argv[++i];
        } else if (std::strcmp(argv[i], "--kind") == 0 && i + 1 < argc) {
            kind = ParseKind(argv[++i]);
            if (!kind) {
                std::cerr << "corvalin-convert: unknown kind " << argv[i] << '\n';
                return Usage();
            }
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            return Usage();
        } else {
            files.emplace_back(argv[i]);
        }
    }
    if (files.empty()) return Usage();
    if (books.empty()) books = corvalin::ProgramFolder() / "Books";
    if (!books.has_filename()) books = books.parent_path();  // "DIR/" names DIR

    CommandLineAnswers answers;
    answers.password = password;
    // Prepared texts go beside the library, as Tmp/ lies beside Books/ in the program folder.
    corvalin::ImportPipeline pipeline({books, books.parent_path() / "Tmp"}, answers, settings);
    pipeline.BeginBatch();
    int status = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        answers.archive = files[i];
        const size_t before = pipeline.Books().size();
        const int result = kind ? pipeline.ImportFile(files[i], *kind) : pipeline.ImportFile(files[i]);
        for (size_t made = before; made < pipeline.Books().size(); ++made)
            std::cout << pipeline.Books()[made].book.string() << '\n';
        if (result != corvalin::kImported) status = 1;
        if (result == corvalin::kAbortBatch) {
            for (size_t j = i + 1; j < files.size(); ++j)
                std::cerr << "corvalin-convert: " << files[j].string()
                          << ": not converted, the import stopped\n";
            break;
        }
    }
    pipeline.ReleaseWordProcessor();
    if (answers.failures > 0) status = 1;
    return status;
}
