// bench_session --folder DIR --text FILE [--mode hardware|software|directx] [--lps N] [--seconds S]
//               [--super-scroll LEVEL] [--limit LPS] [--without-displays 1]
// A reading session as the reader lives it: the real main window with the real clock and its
// own main loop, on whatever platform Qt picks (bench/session.sh runs it under Xvfb, so the
// xcb platform and an X server do the drawing), a large book made from FILE in the scratch
// program folder DIR, 4 x 4 anti-aliasing, constant speed, automatic movement for S seconds.
// Prints one Markdown table: steps per second, late steps, Super Scroll sub-steps, and the CPU
// time the process (and the X server, when it can be found) spent per second of scrolling.
// "directx" keeps the page in off-screen images in the X server; --super-scroll sets its level
// (0..3) and --limit the speed above which the sub-steps are no longer shown.
// --without-displays 1 hides the tool bar's speed gauge and information bar, to see what their
// repaints every 200 ms cost the steps.
#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/InformationBar.h"
#include "app/MainWindow.h"
#include "app/ReadingSurface.h"
#include "app/ScreenPresentation.h"
#include "app/SpeedGauge.h"
#include "app/ToolBar.h"
#include "books/BookWriter.h"
#include "engine/StateDecision.h"
#include "import/ImportFile.h"
#include "store/FileError.h"

namespace {

using namespace corvalin;
using Clock = std::chrono::steady_clock;

constexpr int kExitUsage = 2;
constexpr int kExitFailed = 1;
constexpr int kWindowWidthPx = 1920;
constexpr int kWindowHeightPx = 1080;
// Antialiasing holds the factor minus one: 3 is 4 x 4 supersampling.
constexpr int32_t kAntialiasing4x4 = 3;
// The new settings lay the book out anew; the movement starts once that has settled.
constexpr int kSettleMs = 1500;
// The engine counts steps and late steps only until its once-a-second roll for the speed
// gauge; the harvest takes them into per-run totals much more often than that.
constexpr int kHarvestIntervalMs = 10;
// Late steps in the first second are the start-up (first strokes of the page, caches warming).
constexpr double kSteadyAfterSeconds = 1.0;

struct Arguments {
    std::filesystem::path folder;
    std::filesystem::path text;
    int32_t scrollMode = kScrollHardware;
    int32_t linesPerSecond = 500;
    double seconds = 20.0;
    int32_t superScroll = 0;
    int32_t superScrollLimit = 40;
    bool withoutDisplays = false;
};

std::optional<Arguments> Parse(const QStringList& list) {
    Arguments args;
    for (qsizetype i = 1; i + 1 < list.size(); i += 2) {
        const QString& name = list[i];
        const QString value = list[i + 1];
        bool ok = true;
        if (name == "--folder") {
            args.folder = value.toStdString();
        } else if (name == "--text") {
            args.text = value.toStdString();
        } else if (name == "--mode") {
            if (value == "hardware")
                args.scrollMode = kScrollHardware;
            else if (value == "software")
                args.scrollMode = kScrollSoftware;
            else if (value == "directx")
                args.scrollMode = kScrollDirectX;
            else
                return std::nullopt;
        } else if (name == "--lps") {
            args.linesPerSecond = value.toInt(&ok);
        } else if (name == "--seconds") {
            args.seconds = value.toDouble(&ok);
        } else if (name == "--super-scroll") {
            args.superScroll = value.toInt(&ok);
        } else if (name == "--limit") {
            args.superScrollLimit = value.toInt(&ok);
        } else if (name == "--without-displays") {
            args.withoutDisplays = value.toInt(&ok) != 0;
        } else {
            return std::nullopt;
        }
        if (!ok) return std::nullopt;
    }
    if ((list.size() - 1) % 2 != 0 || args.folder.empty() || args.text.empty()) return std::nullopt;
    if (args.linesPerSecond < 1 || args.linesPerSecond > 500 || !(args.seconds > 1.0)) return std::nullopt;
    if (args.superScroll < 0 || args.superScroll > 3 || args.superScrollLimit < 1 ||
        args.superScrollLimit > 100)
        return std::nullopt;
    // Sub-steps exist only with the off-screen images.
    if (args.superScroll > 0 && args.scrollMode != kScrollDirectX) return std::nullopt;
    return args;
}

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The X server that serves this process's DISPLAY, when it is an Xvfb on this machine whose
// command line names that display; 0 when there is none to be found.
pid_t FindXServer() {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] != ':') return 0;
    const std::string wanted = std::string(display).substr(0, std::string(display).find('.'));
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream comm(entry.path() / "comm");
        std::string command;
        if (!std::getline(comm, command) || command != "Xvfb") continue;
        std::ifstream cmdline(entry.path() / "cmdline", std::ios::binary);
        std::string argument;
        while (std::getline(cmdline, argument, '\0'))
            if (argument == wanted) return pid_t(std::stol(name));
    }
    return 0;
}

// User plus system time of another process, from /proc/PID/stat (fields 14 and 15, in clock
// ticks); negative when it cannot be read.
double OtherProcessCpuSeconds(pid_t pid) {
    if (pid <= 0) return -1;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return -1;
    // The command name is in parentheses and may hold spaces; the fields after it are plain.
    const size_t close = line.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    // Field 3 (state) is the first after the name; utime is field 14.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14) utime = std::stoull(field);
        if (index == 15) stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// Busy time of the whole machine (every CPU, all but idle and iowait) from the first line of
// /proc/stat; negative when it cannot be read. Minus this process and the X server, it is what
// other work took from the cores while the text moved.
double MachineBusySeconds() {
    std::ifstream stat("/proc/stat");
    std::string cpu;
    unsigned long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    if (!(stat >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal) || cpu != "cpu")
        return -1;
    return double(user + nice + system + irq + softirq + steal) / double(sysconf(_SC_CLK_TCK));
}

// Takes the engine's step and late-step totals into per-second figures for the run. The
// per-second counters are left alone: the statistics timer rolls them for the speed gauge.
class StepCountHarvest {
public:
    explicit StepCountHarvest(ScrollEngine& engine) : engine_(engine) {}

    void Start() {
        lastSteps_ = engine_.Statistics().StepsTotal;
        lastLate_ = engine_.Statistics().LateTotal;
        start_ = Clock::now();
        totalSteps_ = lateFirstSecond_ = lateSteady_ = stepsSteady_ = 0;
        perSecondLate_.clear();
        perSecondSteps_.clear();
    }

    void Harvest() {
        const StepStatistics& statistics = engine_.Statistics();
        const int64_t steps = statistics.StepsTotal - lastSteps_, late = statistics.LateTotal - lastLate_;
        lastSteps_ = statistics.StepsTotal;
        lastLate_ = statistics.LateTotal;
        const double at = std::chrono::duration<double>(Clock::now() - start_).count();
        totalSteps_ += steps;
        const size_t second = size_t(at);
        if (perSecondSteps_.size() <= second) {
            perSecondSteps_.resize(second + 1, 0);
            perSecondLate_.resize(second + 1, 0);
        }
        perSecondSteps_[second] += steps;
        perSecondLate_[second] += late;
        // A harvest covers the last kHarvestIntervalMs; one that ends inside the first second
        // belongs to the start.
        if (at <= kSteadyAfterSeconds) {
            lateFirstSecond_ += late;
        } else {
            lateSteady_ += late;
            stepsSteady_ += steps;
        }
    }

    int64_t TotalSteps() const { return totalSteps_; }
    int64_t StepsSteady() const { return stepsSteady_; }
    int64_t LateFirstSecond() const { return lateFirstSecond_; }
    int64_t LateSteady() const { return lateSteady_; }
    const std::vector<int64_t>& PerSecondSteps() const { return perSecondSteps_; }
    const std::vector<int64_t>& PerSecondLate() const { return perSecondLate_; }

private:
    ScrollEngine& engine_;
    int64_t lastSteps_ = 0;
    int64_t lastLate_ = 0;
    Clock::time_point start_{};
    int64_t totalSteps_ = 0;
    int64_t stepsSteady_ = 0;
    int64_t lateFirstSecond_ = 0;
    int64_t lateSteady_ = 0;
    std::vector<int64_t> perSecondSteps_;
    std::vector<int64_t> perSecondLate_;
};

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Joined(const std::vector<int64_t>& values) {
    std::string text;
    for (size_t i = 0; i < values.size(); ++i) text += (i ? " " : "") + std::to_string(values[i]);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const auto args = Parse(QApplication::arguments());
    if (!args) {
        std::cerr
            << "usage: bench_session --folder DIR --text FILE [--mode hardware|software|directx] [--lps N] "
               "[--seconds S] [--super-scroll LEVEL] [--limit LPS] [--without-displays 1]\n";
        return kExitUsage;
    }

    std::filesystem::create_directories(args->folder);
    std::filesystem::path book;
    try {
        book = ImportFile(args->text, args->folder / "Books", BuildBookOptions{});
    } catch (const BookBuildError& error) {
        std::cerr << "bench_session: " << args->text.string() << ": " << error.what() << "\n";
        return kExitFailed;
    } catch (const FileError& error) {
        std::cerr << "bench_session: " << args->text.string() << ": " << error.what() << "\n";
        return kExitFailed;
    }

    TAA_Main window(args->folder);
    window.FirstStart(book);
    if (!window.BookOpen()) {
        std::cerr << "bench_session: " << book.string() << ": the book did not open\n";
        return kExitFailed;
    }
    window.setGeometry(0, 0, kWindowWidthPx, kWindowHeightPx);
    if (args->withoutDisplays) {
        // A widget on a tool bar is hidden through its action; hiding the widget itself does not last.
        MainToolBar& toolBar = window.ToolBar();
        for (QAction* action : toolBar.actions())
            if (toolBar.widgetForAction(action) == &toolBar.Gauge() ||
                toolBar.widgetForAction(action) == &toolBar.InfoBar())
                action->setVisible(false);
    }

    StepCountHarvest harvest(window.Engine());
    QTimer harvestTimer;
    harvestTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&harvestTimer, &QTimer::timeout, [&] { harvest.Harvest(); });

    const pid_t xServer = FindXServer();
    Clock::time_point started{};
    double cpuBefore = 0, xCpuBefore = 0, busyBefore = 0;
    int64_t subStepsBefore = 0;
    int exitCode = EXIT_SUCCESS;

    auto finish = [&] {
        harvest.Harvest();
        const double cpuAfter = ProcessCpuSeconds();
        const double xCpuAfter = OtherProcessCpuSeconds(xServer);
        const double busyAfter = MachineBusySeconds();
        const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
        harvestTimer.stop();
        const bool ranThrough = window.Options().AutoScrollOn();
        if (ranThrough) window.ToggleAutoScroll();

        const int64_t subSteps = window.Engine().Statistics().SubStepsTotal - subStepsBefore;
        std::string label = args->scrollMode == kScrollHardware   ? "Hardware"
                            : args->scrollMode == kScrollSoftware ? "Software"
                                                                  : "Direct X";
        if (args->scrollMode == kScrollDirectX)
            label += ", Super Scroll " + std::to_string(args->superScroll) + " (limit " +
                     std::to_string(args->superScrollLimit) + ")";
        label += ", " + std::to_string(args->linesPerSecond) + " LPS";
        if (args->withoutDisplays) label += ", displays hidden";
        const double stepsPerSecond = double(harvest.TotalSteps()) / elapsed;
        const double steadySeconds = elapsed - kSteadyAfterSeconds;
        const double steadyPerSecond = double(harvest.StepsSteady()) / steadySeconds;
        const double cpuShare = (cpuAfter - cpuBefore) / elapsed;
        const QSize surface = window.Surface().size();
        std::cout << "<!-- " << label << ": platform " << QGuiApplication::platformName().toStdString()
                  << ", surface " << surface.width() << "x" << surface.height() << ", " << Fixed(elapsed, 2)
                  << " s, step period " << window.Engine().StepPeriod() << " ns, steps per second "
                  << Joined(harvest.PerSecondSteps()) << ", late per second "
                  << Joined(harvest.PerSecondLate());
        if (busyBefore >= 0 && busyAfter >= 0) {
            const double xSeconds =
                xServer > 0 && xCpuBefore >= 0 && xCpuAfter >= 0 ? xCpuAfter - xCpuBefore : 0;
            const double others = busyAfter - busyBefore - (cpuAfter - cpuBefore) - xSeconds;
            std::cout << ", other work on the machine meanwhile "
                      << Fixed(std::max(others, 0.0) / elapsed * 100, 0) << " % of a core";
        }
        std::cout << " -->\n";
        std::cout
            << "| ScrollMode | steps per second (whole run) | steps per second (after the first second) "
               "| late steps in the first second | late steps after it | process CPU per second of "
               "scrolling | X server CPU per second | Super Scroll sub-steps per second |\n";
        std::cout << "|---|---|---|---|---|---|---|---|\n";
        std::cout << "| " << label << " | " << Fixed(stepsPerSecond, 1) << " | " << Fixed(steadyPerSecond, 1)
                  << " | " << harvest.LateFirstSecond() << " | " << harvest.LateSteady() << " of "
                  << harvest.StepsSteady() << " | " << Fixed(cpuShare * 100, 1) << " % of a core | "
                  << (xServer > 0 && xCpuBefore >= 0 && xCpuAfter >= 0
                          ? Fixed((xCpuAfter - xCpuBefore) / elapsed * 100, 1) + " % of a core"
                          : std::string("not found"))
                  << " | " << Fixed(double(subSteps) / elapsed, 1) << " |\n";
        if (!ranThrough) {
            std::cerr << "bench_session: the movement stopped before the time was up (end of the book?)\n";
            exitCode = kExitFailed;
        }
        window.close();
        QApplication::exit(exitCode);
    };

    // Queued behind the main loop that the first show posted, so all of this runs inside it.
    QMetaObject::invokeMethod(
        &window,
        [&] {
            VEMOptions& options = window.Options();
            options.BeginUpdate();
            options.Set(Setting::QualityPriority, 1);
            options.Set(Setting::Antialiasing, kAntialiasing4x4);
            options.Set(Setting::AutoMode, kModeScroll);
            options.Set(Setting::ScrollMode, args->scrollMode);
            options.Set(Setting::ConstantSpeed, 1);
            options.Set(Setting::LinesPerSecond, args->linesPerSecond);
            options.Set(Setting::SuperScrollLimit, args->superScrollLimit);
            options.Set(Setting::SuperScroll, args->superScroll);
            options.EndUpdate();
            QTimer::singleShot(kSettleMs, &window, [&] {
                if (options.Effective(Setting::ScrollMode) != args->scrollMode ||
                    options.Effective(Setting::Antialiasing) != kAntialiasing4x4 ||
                    options.Effective(Setting::LinesPerSecond) != args->linesPerSecond ||
                    options.Effective(Setting::SuperScroll) != args->superScroll ||
                    (args->scrollMode == kScrollDirectX && !window.Presentation().Active())) {
                    std::cerr << "bench_session: the settings were not taken\n";
                    exitCode = kExitFailed;
                    window.close();
                    QApplication::exit(exitCode);
                    return;
                }
                cpuBefore = ProcessCpuSeconds();
                xCpuBefore = OtherProcessCpuSeconds(xServer);
                busyBefore = MachineBusySeconds();
                subStepsBefore = window.Engine().Statistics().SubStepsTotal;
                started = Clock::now();
                window.ToggleAutoScroll();
                harvest.Start();
                harvestTimer.start(kHarvestIntervalMs);
                QTimer::singleShot(int(args->seconds * 1000), Qt::PreciseTimer, &window, finish);
            });
        },
        Qt::QueuedConnection);
    const int loopResult = QApplication::exec();
    return loopResult != 0 ? loopResult : exitCode;
}
