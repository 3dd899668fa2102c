// corvalindestrum [FILE...] [--auto-scroll] [--screenshot PNG] [--quit-after SECONDS] [--statistics]
// The reader. Files named on the command line are opened: a book as it stands, any other file
// imported into the library first; the last of them stays open. Without any, the book open at
// the end of the last session comes back. --auto-scroll starts the automatic movement as soon as the book
// is open, as Ins does. --screenshot and --quit-after let a script see the window without a
// person: after SECONDS the window is saved as PNG and the program ends. --statistics prints, as
// the program ends, the automatic steps taken from one second after the movement started:
// "statistics: seconds S steps N late M substeps K".
#include <QApplication>
#include <QMetaObject>
#include <QPixmap>
#include <QTimer>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "app/SplashWindow.h"
#include "app/UnexpectedErrors.h"
#include "platform/ProgramFolder.h"

namespace {

using namespace corvalin;

constexpr int kExitUsage = 2;
constexpr int kExitScreenshot = 3;
constexpr double kDefaultScreenshotSeconds = 2.0;
constexpr double kMaxQuitAfterSeconds = 86400.0;

struct CommandLine {
    std::vector<std::filesystem::path> files;
    std::string screenshot;
    std::optional<double> quitAfter;
    bool autoScroll = false;
    bool statistics = false;
};

std::optional<CommandLine> Parse(const QStringList& arguments) {
    CommandLine line;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == "--screenshot" && i + 1 < arguments.size()) {
            line.screenshot = arguments[++i].toStdString();
        } else if (arg == "--quit-after" && i + 1 < arguments.size()) {
            bool ok = false;
            const double seconds = arguments[++i].toDouble(&ok);
            if (!ok || seconds < 0 || seconds > kMaxQuitAfterSeconds) return std::nullopt;
            line.quitAfter = seconds;
        } else if (arg == "--auto-scroll") {
            line.autoScroll = true;
        } else if (arg == "--statistics") {
            line.statistics = true;
        } else if (arg.startsWith("-")) {
            return std::nullopt;
        } else {
            line.files.emplace_back(arg.toStdString());
        }
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    ReaderApplication app(argc, argv);
    QApplication::setApplicationName("corvalindestrum");
    const auto line = Parse(QApplication::arguments());
    if (!line) {
        std::cerr
            << "usage: corvalindestrum [FILE...] [--auto-scroll] [--screenshot PNG] [--quit-after SECONDS] "
               "[--statistics]\n"
               "  --auto-scroll         start moving the text as soon as the book is open (as Ins does)\n"
               "  --screenshot PNG      save the window as PNG before quitting\n"
               "  --quit-after SECONDS  quit after SECONDS (default 2 with --screenshot)\n"
               "  --statistics          at the end print the steps taken from one second after the\n"
               "                        movement started: statistics: seconds S steps N late M substeps K\n";
        return kExitUsage;
    }
    const bool attended = line->screenshot.empty() && !line->quitAfter;
    const std::filesystem::path programFolder = ProgramFolder();
    // A reader already running on this program folder takes the files and comes forward; a
    // scripted run (a timed screenshot) stands alone.
    std::vector<std::filesystem::path> files;
    for (const auto& file : line->files) files.push_back(std::filesystem::absolute(file));
    if (attended && SingleInstance::HandOver(programFolder, files)) return EXIT_SUCCESS;

    // Start-up has two stages before the window shows: the window with its settings, then the
    // window ready to start. The splash closes itself when the window shows; the first start
    // (files named here, the last book, or the question for one) runs from that first show,
    // inside the application's event loop. A screenshot takes the window alone, so the splash
    // never appears in it.
    constexpr int kStartStages = 2;
    auto* splash = new TAA_Splash;
    splash->ShowNow();
    ReaderSetup setup;
    setup.attended = attended;
    if (const std::filesystem::path data = DataFolder(); !data.empty())
        setup.bundledGuide = data / "samples" / "Welcome.txt";
    TAA_Main window(programFolder, setup);
    std::unique_ptr<SingleInstance> instance;
    if (attended)
        instance = std::make_unique<SingleInstance>(
            programFolder, [&window](std::vector<std::filesystem::path> more) { window.OpenFiles(more); });
    splash->CloseWhenShown(window);
    splash->SetProgress(1, kStartStages);

    int exitCode = EXIT_SUCCESS;
    bool statisticsPrinted = false;
    auto printStatistics = [&] {
        if (!line->statistics || statisticsPrinted) return;
        statisticsPrinted = true;
        std::cout << window.RunStatistics() << std::endl;
    };
    if (!line->screenshot.empty() || line->quitAfter) {
        const double seconds = line->quitAfter.value_or(kDefaultScreenshotSeconds);
        QTimer::singleShot(int(seconds * 1000), &window, [&] {
            if (!line->screenshot.empty()) {
                if (window.grab().save(QString::fromStdString(line->screenshot), "PNG")) {
                    std::cout << "screenshot: " << line->screenshot << "\n";
                } else {
                    std::cerr << "corvalindestrum: " << line->screenshot << ": cannot write the picture\n";
                    exitCode = kExitScreenshot;
                }
            }
            if (window.UnattendedErrors() > 0 && exitCode == EXIT_SUCCESS) exitCode = EXIT_FAILURE;
            // Before the close, which saves and may take a moment that is not scrolling.
            printStatistics();
            window.close();
            QApplication::exit(exitCode);
        });
    }
    splash->SetProgress(kStartStages, kStartStages);
    window.Start(files);
    if (line->autoScroll) {
        // Queued behind the main loop the first show posts, so it runs inside the loop, after the
        // first start opened the book: the loop's start would otherwise reset the step period
        // the toggle has just computed.
        QMetaObject::invokeMethod(
            &window,
            [&window] {
                if (window.BookOpen() && !window.Options().AutoScrollOn()) window.ToggleAutoScroll();
            },
            Qt::QueuedConnection);
    }
    const int loopResult = QApplication::exec();
    printStatistics();
    return loopResult != 0 ? loopResult : exitCode;
}
