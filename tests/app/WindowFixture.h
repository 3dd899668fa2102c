#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "engine/SimulatedTime.h"
#include "import/ImportFile.h"
#include "support/TestSupport.h"

namespace corvalin::test {

// Lets posted events, paints and deferred deletions run.
inline void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

// A clock of the window's own, made before the window that reads it. A reading costs 5 ms, as
// the repaint between two frames of a movement would, so a movement shows few frames.
struct OwnClock {
    SimulatedTime time{5 * kNsPerMs};
    PerfTiming timing{time, time};
};

// The reader window with the test answering its dialogs: message boxes are kept instead of
// shown, a book asked for is `bookToChoose` (none unless set), and the encoding dialog is
// answered "Import" in the page it opened on, or with `encodingAnswer` when set (the real
// dialog when `realEncodingDialog` is set).
class TestWindow : public TAA_Main {
public:
    using TAA_Main::TAA_Main;
    std::vector<QString> errors;
    std::vector<QString> notices;
    int booksAskedFor = 0;
    std::filesystem::path bookToChoose;
    std::vector<std::string> encodingAsked;
    std::optional<EncodingAnswer> encodingAnswer;
    bool realEncodingDialog = false;

protected:
    void ShowError(const QString& text) override { errors.push_back(text); }
    void ShowNotice(const QString& text) override { notices.push_back(text); }
    std::filesystem::path ChooseBook() override {
        ++booksAskedFor;
        return bookToChoose;
    }
    EncodingAnswer AskEncoding(const EncodingQuestion& question) override {
        encodingAsked.push_back(question.documentName);
        if (realEncodingDialog) return TAA_Main::AskEncoding(question);
        if (encodingAnswer) return *encodingAnswer;
        return {EncodingChoice::Import, question.preview.CodePage(), question.everyLineParagraph};
    }
};

// The reader window on simulated time. Its main loop stays off unless asked for: the loop
// returns only when the window closes.
class QuietReaderWindow : private OwnClock, public TestWindow {
public:
    explicit QuietReaderWindow(const std::filesystem::path& folder, bool runMainLoop = false)
        : TestWindow(folder, {&timing, runMainLoop}) {}
};

// A scratch program folder with the bundled guide imported into its Books/.
class GuideBookTest : public ::testing::Test {
protected:
    void SetUp() override {
        book_ = ImportFile(std::string(CORVALIN_SOURCE_DIR) + "/data/samples/Welcome.txt",
                           folder_.path() / "Books", BuildBookOptions{});
    }

    TempDir folder_;
    std::filesystem::path book_;
};

}  // namespace corvalin::test
