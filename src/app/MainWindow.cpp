#include "app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <utility>

#include "app/BookmarksDialog.h"
#include "app/CursorHiding.h"
#include "app/LibraryWindow.h"
#include "app/MessageBoxes.h"
#include "app/OptionsPanel.h"
#include "app/PercentDialog.h"
#include "app/PopupMenu.h"
#include "app/ProgressWindow.h"
#include "app/ReaderImport.h"
#include "app/ReadingSurface.h"
#include "app/ScreenPresentation.h"
#include "app/SessionLoop.h"
#include "app/SpeedGauge.h"
#include "app/ToolBar.h"
#include "app/UserGuideWindow.h"
#include "books/BookFormat.h"
#include "books/BookProbe.h"
#include "books/BookWriter.h"
#include "books/DocumentBooks.h"
#include "import/DocumentKind.h"
#include "library/Library.h"
#include "nav/PageCommands.h"
#include "platform/X11ScreenScroll.h"
#include "platform/qt/ReadingFont.h"
#include "render/PageComposition.h"
#include "store/FileError.h"

namespace corvalin {
namespace {

constexpr int kCursorCheckMs = 200;
// Time for the window manager to give a window coming back from full screen its frame again.
constexpr int kFrameSettleMs = 300;
constexpr int kHandedFilesRetryMs = 200;
constexpr uint32_t kWindowColour = 0x563E00;
constexpr uint32_t kPanelMainColour = 0xA4BBB8;
// Posted once by the first show; its handler is the main loop, and it returns only when the
// window closes.
const QEvent::Type kMainLoopEvent = QEvent::Type(QEvent::User + 0x0BB8);
constexpr int32_t kSpeedMin = 1;
constexpr int32_t kSpeedMax = 500;
// The options panel lies over the lower left of the page.
// The steady state of a movement starts this long after it was switched on.
constexpr int kSteadyStateMs = 1000;

// Colours are kept as 0x00BBGGRR.
QColor ColourOf(uint32_t value) { return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF); }

void Paint(QWidget& widget, uint32_t colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, ColourOf(colour));
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

QSize ScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(WindowPlacement{}.width, WindowPlacement{}.height);
}

QString FileNameOf(const std::filesystem::path& path) {
    return QString::fromStdString(path.filename().string());
}

// The book's heading index is built while the book opens, when the book lacks one; only then
// does the progress window appear.
class HeadingProgress final : public ProgressSink {
public:
    HeadingProgress(TAA_Progress& window, QWidget& owner, int64_t maximum, QString caption)
        : window_(window), owner_(owner), maximum_(maximum), caption_(std::move(caption)) {}

    void SetPosition(int64_t position) override {
        if (!shown_) shown_.emplace(window_, owner_, maximum_, caption_);
        shown_->SetPosition(position);
    }

private:
    TAA_Progress& window_;
    QWidget& owner_;
    int64_t maximum_;
    QString caption_;
    std::optional<VEMProgress> shown_;
};

}  // namespace

TAA_Main::TAA_Main(std::filesystem::path programFolder, ReaderSetup setup, QWidget* parent)
    : QMainWindow(parent),
      programFolder_(std::move(programFolder)),
      errors_(programFolder_, kCaption),
      timing_(setup.timing ? *setup.timing : ProcessTiming()),
      runMainLoop_(setup.runMainLoop),
      attended_(setup.attended),
      setup_(setup) {
    setWindowTitle(CaptionText());
    setObjectName("AA_Main");
    // The state behind a failed handler cannot be trusted: the loop stops and nothing of it is
    // saved over the last good state.
    errors_.terminate = [this] {
        suppressSave_ = true;
        if (engine_) engine_->CloseQuery();
        QCoreApplication::exit(kExitUnexpectedError);
    };
    InstallUnexpectedErrorHandler(&errors_);
    setMinimumSize(kWindowMinWidth, kWindowMinHeight);
    resize(kWindowMinWidth, kWindowMinHeight);
    Paint(*this, kWindowColour);

    LoadContext context;
    context.languageCount = int32_t(kLanguageListEntries.size());
    const QSize screen = ScreenSize();
    context.screenWidth = screen.width();
    context.screenHeight = screen.height();
    // An installed reader's folder does not exist before its first start.
    std::error_code folderError;
    std::filesystem::create_directories(programFolder_, folderError);
    configResult_ = LoadConfiguration(programFolder_, config_, context);
    if (!configResult_.Valid() && configResult_.status != ConfigStatus::Missing)
        std::cerr << "corvalindestrum: " << kConfigurationFileName << ": " << configResult_.message
                  << "; using the factory settings\n";
    // A Global.cfg the program may not write is the user's to keep: it is read, never replaced.
    settingsWritable_ = configResult_.writable;
    if (configResult_.Damaged() && settingsWritable_) damagedCopy_ = KeepDamagedConfiguration(programFolder_);
    sessionState_ = StartupSession(config_);
    if (IsLanguageListIndex(config_.languageIndex))
        languages_.SetActiveLanguage(LanguageFromListIndex(config_.languageIndex));

    panelMain_ = new QWidget(this);
    panelMain_->setObjectName("PanelMain");
    Paint(*panelMain_, kPanelMainColour);
    auto* layout = new QVBoxLayout(panelMain_);
    layout->setContentsMargins(0, 0, 0, 0);
    surface_ = new TVEMScroll(panelMain_);
    surface_->setObjectName("VEMScroll");
    layout->addWidget(surface_);
    screenScroll_ = X11ScreenScroll::ForSurface(*surface_);
    setCentralWidget(panelMain_);
    progress_ = new TAA_Progress(this);
    percentWindow_ = new TAA_Percent(languages_, this);
    bookmarksWindow_ = new TAA_Bookmarks(session_, *percentWindow_, languages_, this);
    libraryLink_ = std::make_unique<ReaderBookLink>(*this);
    library_ = std::make_unique<Library>(programFolder_, config_.knownNames, libraryLink_.get());
    browse_ = new TAA_Browse(*this, *library_);
    toolBar_ = new MainToolBar(*this, languages_.Window("AA_Main"));
    addToolBar(Qt::TopToolBarArea, toolBar_);
    popupMenu_ = CreatePopupMenu1(*this, languages_.Window("AA_Main"));
    // The menu's shortcuts act wherever the focus is in the window.
    addActions(popupMenu_->actions());
    optionsPanel_ = new PanelOptions(*this, languages_, config_.profiles, panelMain_);
    // The page has a window of its own on X11; the panel lies over it only as a window too.
    if (surface_->testAttribute(Qt::WA_NativeWindow)) optionsPanel_->setAttribute(Qt::WA_NativeWindow);
    optionsPanel_->hide();
    optionsPanel_->SelectLanguageEntry(config_.languageIndex);
    surface_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(surface_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popupMenu_->popup(surface_->mapToGlobal(at)); });

    // The cursor rule runs on the process's clock even when a test drives the session's clock:
    // it is about a person at the screen, and its readings must not shift a simulated movement.
    cursorHiding_ = std::make_unique<WidgetCursorHiding>(*this, ProcessTiming());
    timerTime_ = new QTimer(this);
    timerTime_->setInterval(kCursorCheckMs);
    connect(timerTime_, &QTimer::timeout, this, [this] {
        cursorHiding_->Check(options_.AutoScrollOn());
        toolBar_->RepaintDisplays();
    });
    timerTime_->start();

    surface_->OnPaint = [this](QPainter& painter, const QRect& rect) { PaintView(painter, rect); };
    surface_->OnKeyDown = [this](QKeyEvent& event) { return ScrollKeyDown(event); };
    surface_->OnResize = [this] { FormResize(); };
    surface_->OnMouseDown = [this](QMouseEvent& event) { SurfaceMouseDown(event); };
    surface_->OnMouseUp = [this](QMouseEvent& event) { SurfaceMouseUp(event); };
    surface_->OnMouseMove = [this](QMouseEvent& event) { SurfaceMouseMove(event); };
    surface_->OnWheel = [this](QWheelEvent& event) { SurfaceWheel(event); };
    options_.OnViewChanged = [this] { ApplyViewSettings(); };
    options_.OnProportionalChanged = [this] { optionsPanel_->PaintGroupButtons(FontKind::Proportional); };
    options_.OnFixedChanged = [this] { optionsPanel_->PaintGroupButtons(FontKind::Fixed); };
    options_.OnSpeedChanged = [this] { toolBar_->Gauge().RestartSpeedDisplay(); };

    loop_ = std::make_unique<SessionLoop>(*this);
    engine_ = std::make_unique<ScrollEngine>(timing_, options_, *loop_, *loop_);
    presentation_ = std::make_unique<ScreenPresentation>(*surface_, session_.View(), picture_, *engine_);
    presentation_->PanelArea = [this] { return OptionsPanelArea(); };
    options_.OnStateChanged = [this] { ApplyReadingState(); };
    ApplyReadingState();
}

TAA_Main::~TAA_Main() {
    if (InstalledUnexpectedErrorHandler() == &errors_) InstallUnexpectedErrorHandler(nullptr);
    // The library window shows the library's entries; it goes before them.
    delete browse_;
    browse_ = nullptr;
}

QString TAA_Main::Text(const char* id) const {
    return QString::fromStdString(languages_.GetText("AA_Main", id));
}

void TAA_Main::Start(std::vector<std::filesystem::path> files) {
    startFiles_ = std::move(files);
    if (!runMainLoop_) {
        FirstStart(startFiles_);
        return;
    }
    // Centred at its design size; the first start, run by the first show, places it.
    const QSize screen = ScreenSize();
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
    show();
}

void TAA_Main::FirstStart(const std::vector<std::filesystem::path>& files) {
    if (!firstStart_) return;
    firstStart_ = false;
    options_.ApplyStoredSettings(config_.stored, nullptr, true);
    // The stored language takes effect as a choice in the list would.
    optionsPanel_->ComboBoxLanguageChange();
    suppressSave_ = false;
    PlaceWindow();
    surface_->setFocus();
    if (!settingsWritable_)
        ShowNotice(Text("ErrConfigReadOnly") + "\n" +
                   QString::fromStdString((programFolder_ / kConfigurationFileName).string()));
    if (!damagedCopy_.empty())
        ShowNotice(Text("ErrConfigDamaged") + "\n" + QString::fromStdString(damagedCopy_.string()));

    std::filesystem::path path = BookFromFiles(files);
    if (path.empty() && !config_.lastBookName.empty()) {
        path = BooksFolder() / config_.lastBookName;
        // A book that has gone from the library is skipped without a word.
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) path.clear();
    }
    config_.lastBookName.clear();
    // An installed reader that has never had a book starts on its guide.
    if (path.empty() && files.empty() && !setup_.bundledGuide.empty() && !LibraryHasBooks())
        path = BookFromFile(setup_.bundledGuide);
    if (!path.empty())
        OpenBook(path);
    else if (attended_)
        OpenBookDialog();
}

std::filesystem::path TAA_Main::BookFromFiles(const std::vector<std::filesystem::path>& files) {
    // Each file becomes a book; the last one that does is the one to open. A document opened
    // again from the desktop reopens the book made from it before. The documents form one
    // import batch, which "Abort" ends.
    std::filesystem::path path;
    Importer().BeginBatch();
    for (const std::filesystem::path& file : files) {
        if (Importer().BatchStopped()) break;
        std::filesystem::path book = BookFromFile(file, true);
        if (!book.empty()) path = std::move(book);
    }
    Importer().EndBatch();
    return path;
}

void TAA_Main::OpenFiles(const std::vector<std::filesystem::path>& files) {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    if (files.empty()) return;
    // A hand-over arrives through the event loop, also the one a dialog or an import's progress
    // runs: opening the files there would start an import inside the one under way.
    if (firstStart_ || QApplication::activeModalWidget() || (import_ && import_->InBatch())) {
        handedFiles_.insert(handedFiles_.end(), files.begin(), files.end());
        if (!handedFilesWaiting_) {
            handedFilesWaiting_ = true;
            QTimer::singleShot(kHandedFilesRetryMs, this, [this] {
                handedFilesWaiting_ = false;
                OpenFiles(std::exchange(handedFiles_, {}));
            });
        }
        return;
    }
    if (options_.AutoScrollOn()) ToggleAutoScroll();
    const std::filesystem::path path = BookFromFiles(files);
    if (!path.empty()) OpenBook(path);
}

bool TAA_Main::LibraryHasBooks() const {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(BooksFolder(), error))
        if (entry.path().extension() == ".book") return true;
    return false;
}

void TAA_Main::SetNormalGeometry(const WindowRect& rect) {
    setGeometry(rect.left, rect.top, rect.width, rect.height);
}

void TAA_Main::KeepFrameOnScreen() {
    // The window manager's frame is known only once the window has one again; a title bar
    // above the screen's top could not be taken to move the window back.
    const QScreen* own = screen();
    if (!own || isFullScreen() || isMaximized()) return;
    const QRect area = own->availableGeometry();
    const QRect frame = frameGeometry();
    const int dx = std::max(0, area.left() - frame.left());
    const int dy = std::max(0, area.top() - frame.top());
    if (dx > 0 || dy > 0) move(x() + dx, y() + dy);
}

void TAA_Main::PlaceWindow() {
    const QSize screen = ScreenSize();
    const StartPlacement placement = PlaceFromSaved(sessionState_.window, screen.width(), screen.height());
    normalRect_ = placement.normal;
    // Shown first, so that its frame is known when the saved corner is turned into a position.
    SetNormalGeometry(placement.normal);
    switch (placement.mode) {
        case WindowMode::FullScreen: {
            // Without a window manager to honour the request the window covers the screen itself.
            const WindowRect full = FullScreenRect(screen.width(), screen.height());
            setGeometry(full.left, full.top, full.width, full.height);
            StayOnTop(true);
            showFullScreen();
            break;
        }
        case WindowMode::Maximised:
            showMaximized();
            break;
        default:
            show();
            break;
    }
}

void TAA_Main::ToggleFullScreen() {
    const QSize screen = ScreenSize();
    if (!isFullScreen()) {
        const QRect rect = geometry();
        normalRect_ = {rect.x(), rect.y(), rect.width(), rect.height()};
        const WindowRect full = FullScreenRect(screen.width(), screen.height());
        setGeometry(full.left, full.top, full.width, full.height);
        // Nothing may come between the reader and the page.
        StayOnTop(true);
        showFullScreen();
        surface_->setFocus();
        return;
    }
    const QScreen* own = this->screen();
    const QRect area = own ? own->availableGeometry() : QRect(QPoint(0, 0), screen);
    const WindowRect back =
        LeaveFullScreenRect(normalRect_, {area.x(), area.y(), area.width(), area.height()});
    StayOnTop(false);
    showNormal();
    SetNormalGeometry(back);
    QTimer::singleShot(kFrameSettleMs, this, [this] { KeepFrameOnScreen(); });
    surface_->setFocus();
}

void TAA_Main::StayOnTop(bool on) {
    // Through the platform window where there is one: changing the widget's flags would destroy
    // and create the native windows again (the surface's among them) and flash the window.
    if (QWindow* handle = windowHandle())
        handle->setFlag(Qt::WindowStaysOnTopHint, on);
    else
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
}

bool TAA_Main::StaysOnTop() const {
    const QWindow* handle = windowHandle();
    return (handle ? handle->flags() : windowFlags()).testFlag(Qt::WindowStaysOnTopHint);
}

void TAA_Main::OpenHelp() {
    // The guide must not open under a window that stays on top.
    if (isFullScreen()) ToggleFullScreen();
    if (!help_) help_ = new UserGuideWindow(this);
    help_->ShowGuide(Text("Menu_07"));
}

void TAA_Main::OpenBookDialog() {
    // Nothing moves under the dialog, and the book being left is saved first.
    if (options_.AutoScrollOn()) ToggleAutoScroll();
    SaveSettings();
    const std::filesystem::path path = ChooseBook();
    // The dialog's windows may have lain over the page.
    RedrawSurface();
    if (!path.empty()) OpenFile(path);
}

std::filesystem::path TAA_Main::ChooseBook() { return browse_->ShowLibrary(); }

std::vector<std::filesystem::path> TAA_Main::ImportDocuments(
    const std::vector<std::filesystem::path>& documents) {
    // The documents chosen together are one batch: "Import All" and "Abort" reach across them.
    std::vector<std::filesystem::path> books;
    Importer().BeginBatch();
    for (const std::filesystem::path& document : documents) {
        if (Importer().BatchStopped()) break;
        for (std::filesystem::path& book : Importer().ImportDocuments(document))
            books.push_back(std::move(book));
    }
    Importer().EndBatch();
    return books;
}

std::filesystem::path TAA_Main::BookFromFile(const std::filesystem::path& path, bool reuseImported) {
    const QString name = QString::fromStdString(path.string());
    switch (CheckFileToOpen(path)) {
        case FileToOpen::Book:
            return path;
        case FileToOpen::Document:
            if (reuseImported) {
                std::filesystem::path known = FindBookOfDocument(BooksFolder(), path);
                if (!known.empty()) return known;
            }
            return ImportDocument(path);
        case FileToOpen::Missing:
            ShowError(Text("ErrNoFile") + "\n" + name);
            return {};
        case FileToOpen::Folder:
            ShowError(Text("ErrFolder") + "\n" + name);
            return {};
        case FileToOpen::Empty:
            ShowError(Text("ErrEmptyFile") + "\n" + name);
            return {};
        case FileToOpen::Unreadable:
            break;
    }
    ShowError(Text("ErrReadFile") + "\n" + name);
    return {};
}

std::filesystem::path TAA_Main::ImportDocument(const std::filesystem::path& path) {
    return Importer().ImportDocument(path);
}

ReaderImport& TAA_Main::Importer() {
    if (!import_) {
        import_ = std::make_unique<ReaderImport>(
            ReaderImport::Windows{*this, *progress_, *panelMain_}, languages_,
            ImportFolders{BooksFolder(), programFolder_ / "Tmp"}, config_.defaultCodePage,
            [this](const EncodingQuestion& question) { return AskEncoding(question); },
            [this](const QString& text) { ShowError(text); });
        import_->unattended = !attended_;
    }
    return *import_;
}

EncodingAnswer TAA_Main::AskEncoding(const EncodingQuestion& question) {
    if (!attended_)
        return {EncodingChoice::ImportAll, question.preview.CodePage(), question.everyLineParagraph};
    return Importer().AskWithDialog(question);
}

int TAA_Main::OpenFile(const std::filesystem::path& path) {
    const std::filesystem::path book = BookFromFile(path);
    return book.empty() ? 1 : OpenBook(book);
}

SessionState TAA_Main::CurrentSession() const {
    SessionState session = sessionState_;
    const QRect rect = geometry();
    session.window =
        PlacementToSave(isFullScreen(), isMaximized(), {rect.x(), rect.y(), rect.width(), rect.height()});
    return session;
}

int TAA_Main::OpenBook(const std::filesystem::path& path) {
    // The file is checked before the book being read is let go: a file that is not a book
    // (or a damaged one) leaves the reader where they were.
    const BookProbe probe = ProbeBook(path);
    if (probe.check != VerdictKind::Ok) {
        ShowError(Text(IsDamagedBook(probe.check) ? "Err01" : "Err00") + "\n" + FileNameOf(path));
        return 1;
    }
    CloseBook();
    SyncPageSize();
    Verdict check;
    {
        HeadingProgress headings(*progress_, *panelMain_, std::max<int64_t>(1, probe.textSpan),
                                 Text("TextConvert"));
        check = session_.Open(path, BookNameToRemember(path), options_, config_.stored, &headings);
    }
    RedrawSurface();
    if (check != VerdictKind::Ok) {
        ShowError(Text(IsDamagedBook(check) ? "Err01" : "Err00") + "\n" + FileNameOf(path));
        return 1;
    }
    return 0;
}

void TAA_Main::CloseBook() {
    if (!session_.BookOpen()) return;
    SaveSettings();
    session_.Close();
    RedrawSurface();
}

void TAA_Main::SaveBookState() {
    try {
        session_.SaveState(options_);
    } catch (const FileError& error) {
        // The book keeps the state it had; the reader should know this one is not in it.
        std::cerr << "corvalindestrum: " << session_.BookName()
                  << ": the reading position could not be saved (" << error.what() << ")\n";
        ShowError(Text("ErrSave") + "\n" + QString::fromStdString(session_.BookName()));
    }
}

void TAA_Main::SaveSettings() {
    if (suppressSave_) return;
    config_.lastBookName = session_.BookName();
    if (settingsWritable_) {
        const ConfigSaveResult saved = SaveConfiguration(programFolder_, options_, config_, CurrentSession());
        if (!saved.ok)
            std::cerr << "corvalindestrum: " << kConfigurationFileName << ": " << saved.message << "\n";
    }
    SaveBookState();
}

std::string TAA_Main::BookNameToRemember(const std::filesystem::path& path) const {
    // A book of the library is remembered by its name; one opened from elsewhere by its whole
    // path, which the next start finds the same way.
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::weakly_canonical(path.parent_path(), error);
    if (!error && folder == std::filesystem::weakly_canonical(BooksFolder(), error) && !error)
        return path.filename().string();
    return std::filesystem::absolute(path, error).string();
}

void TAA_Main::ShowError(const QString& text) {
    if (!attended_) {
        std::cerr << "corvalindestrum: " << QString(text).replace('\n', ": ").toStdString() << "\n";
        ++unattendedErrors_;
        return;
    }
    ShowMessageBox(this, languages_.Window("AA_Main"), QMessageBox::Critical, "Error", text);
}

void TAA_Main::ShowNotice(const QString& text) {
    if (!attended_) {
        std::cerr << "corvalindestrum: " << QString(text).replace('\n', ": ").toStdString() << "\n";
        return;
    }
    ShowMessageBox(this, languages_.Window("AA_Main"), QMessageBox::Information, "Information", text);
}

void TAA_Main::closeEvent(QCloseEvent* event) {
    // While the loop is on the stack this close only asks it to stop; the window saves and
    // closes from MainLoopEnded once the loop has returned.
    if (!engine_->CloseQuery()) {
        event->ignore();
        return;
    }
    SaveSettings();
    closed_ = true;
    event->accept();
}

void TAA_Main::MainLoopEnded() { close(); }

void TAA_Main::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!runMainLoop_ || mainLoopPosted_) return;
    mainLoopPosted_ = true;
    QCoreApplication::postEvent(this, new QEvent(kMainLoopEvent));
}

void TAA_Main::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Nobody reads text that moves in a minimised window.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && options_.AutoScrollOn())
        ToggleAutoScroll();
}

bool TAA_Main::event(QEvent* event) {
    if (event->type() == kMainLoopEvent) {
        // The first start runs here, before the loop, so that its dialogs run in the
        // application's own event loop: a dialog opened from inside the main loop could not
        // return before the loop did.
        // The first start runs here, before the loop, so that its dialogs run in the
        // application's own event loop: a dialog opened from inside the main loop could not
        // return before the loop did.
        if (firstStart_) FirstStart(startFiles_);
        if (!closed_) engine_->MainLoop();
        return true;
    }
    return QMainWindow::event(event);
}

void TAA_Main::ApplyReadingState() {
    const StateDecision& decision = engine_->ApplyState();
    // Cut lines pass the page edges while the text moves by itself, so a moving page and a
    // full repaint of it compose the same rows.
    session_.View().autoRunning = options_.AutoScrollOn() && decision.autoMode != kModePageDown;
    platform_.SetHighPriority(decision.highPriority);
    platform_.SetScreenSaverActive(decision.screenSaverActive);
    if (toolBar_) toolBar_->ApplyDecision(decision);
    FollowOriginalText();
    if (optionsPanel_) optionsPanel_->RefreshPanel();
}

void TAA_Main::ToggleAutoScroll() {
    engine_->ToggleAutoScroll();
    if (!options_.AutoScrollOn()) return;
    // The wave starts at the top of the page as it stands.
    session_.RestartWave();
    if (!steadyMark_.taken && !steadyMarkPending_) {
        steadyMarkPending_ = true;
        // A precise timer: a coarse one may fire up to 5 % early, inside the start-up.
        QTimer::singleShot(kSteadyStateMs, Qt::PreciseTimer, this, [this] {
            steadyMark_ = MarkStatistics(engine_->Statistics(), timing_.Counter());
        });
    }
}

std::string TAA_Main::RunStatistics() {
    return StatisticsLine(steadyMark_, engine_->Statistics(), timing_.Counter(), timing_.PerfFrequency);
}

bool TAA_Main::CursorShown() const { return cursorHiding_->CursorShown(); }

int32_t TAA_Main::PresentationBusy() const { return presentation_ ? presentation_->Busy() : 0; }

QRect TAA_Main::OptionsPanelArea() const {
    if (optionsPanelHeightPx_ < 1) return {};
    const int32_t height = std::min(optionsPanelHeightPx_, surface_->height());
    return QRect(0, surface_->height() - height,
                 std::min(optionsPanel_ ? optionsPanel_->width() : 0, surface_->width()), height);
}

void TAA_Main::OptionsClick() {
    const QAction* button = toolBar_->Button("ToolButton3");
    const bool open = button && button->isChecked();
    SetOptionsPanelHeight(open ? PanelOptions::kDesignHeight : 0);
    PlaceOptionsPanel();
    optionsPanel_->setVisible(open);
    if (open) optionsPanel_->raise();
    // What the panel covered is the page's again.
    if (!open) surface_->update();
    surface_->setFocus();
}

void TAA_Main::ToggleOptionsPanel() {
    if (QAction* button = toolBar_->Button("ToolButton3")) button->setChecked(!button->isChecked());
    OptionsClick();
}

void TAA_Main::PlaceOptionsPanel() {
    const QRect area = OptionsPanelArea();
    if (area.isEmpty()) return;
    optionsPanel_->move(surface_->mapTo(panelMain_, area.topLeft()));
}

void TAA_Main::ApplyViewSettings() {
    SyncPageSize();
    // The off-screen page images exist exactly while "Direct X" is in effect.
    const int32_t surfaces =
        presentation_ ? presentation_->ApplyMode(options_.Effective(Setting::ScrollMode) == kScrollDirectX)
                      : 0;
    viewLevels_ = AvailableLevels(surfaces, options_.Effective(Setting::Antialiasing) + 1,
                                  options_.Effective(Setting::AutoMode));
    optionsPanel_->ReflectLevels(viewLevels_);
    // A chosen level that became unavailable goes back to "Disabled"; that change has run this
    // handler again with it already.
    if (FallBackToAvailableLevels(options_, viewLevels_)) return;
    ApplyReadingSettings(options_, session_.View(), canvas_, surfaces);
    RedrawSurface();
}
void TAA_Main::Faster() { ChangeSpeed(1); }
void TAA_Main::Slower() { ChangeSpeed(-1); }

void TAA_Main::ChangeSpeed(int32_t delta) {
    const Setting setting =
        options_.Effective(Setting::ConstantSpeed) ? Setting::LinesPerSecond : Setting::CharsPerSecond;
    const int32_t value = options_.Get(setting);
    if (delta > 0 ? value >= kSpeedMax : value < kSpeedMin + 1) return;
    options_.Set(setting, value + delta);
    if (options_.OnSpeedChanged) options_.OnSpeedChanged();
    if (delta > 0)
        toolBar_->Gauge().FlashPlus();
    else
        toolBar_->Gauge().FlashMinus();
}

void TAA_Main::keyPressEvent(QKeyEvent* event) {
    // These keys act wherever the focus is in the window.
    switch (event->key()) {
        case Qt::Key_Escape:
            close();
            return;
        case Qt::Key_Insert:
            ToggleAutoScroll();
            return;
        case Qt::Key_Equal:
        case Qt::Key_Plus:
            Faster();
            return;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:  // the same key with Shift, as Shift+= is +
            Slower();
            return;
        case Qt::Key_Asterisk:
            // The menu item's shortcut acts only while the window is the active one.
            if (event->modifiers() & Qt::KeypadModifier) {
                ToggleOptionsPanel();
                return;
            }
            QMainWindow::keyPressEvent(event);
            return;
        case Qt::Key_Slash:
            if (event->modifiers() & Qt::KeypadModifier) {
                TogglePriority();
                return;
            }
            QMainWindow::keyPressEvent(event);
            return;
        default:
            QMainWindow::keyPressEvent(event);
    }
}

void TAA_Main::SyncPageSize() {
    session_.View().pageWidthPx = std::max(1, surface_->width());
    session_.View().pageHeightPx = std::max(1, surface_->height());
    picture_.Resize(session_.View().pageWidthPx, session_.View().pageHeightPx);
    // The cache box shows the megabytes of a page this size.
    if (optionsPanel_) optionsPanel_->SetPageSize(session_.View().pageWidthPx, session_.View().pageHeightPx);
}

void TAA_Main::RedrawSurface() {
    picture_.Invalidate();
    surface_->update();
}

void TAA_Main::PresentAutoStep() {
    const StateDecision& decision = engine_->LastDecision();
    // "Direct X": the off-screen page images move and reach the screen inside the X server.
    if (decision.scrollMode == kScrollDirectX && presentation_->Active() && picture_.Valid() &&
        surface_->isVisible() && presentation_->AutoStep())
        return;
    if (decision.scrollMode == kScrollHardware && picture_.Valid() && surface_->isVisible()) {
        const std::optional<PagePicture::StepChange> change = picture_.Step(session_.View());
        if (!change) return;
        // The window's pixels move up a row and only the uncovered row, which the picture already
        // holds, is sent (by X11 directly, elsewhere by Qt asking for it); in Wave mode only the
        // rows the front touched are shown again.
        if (change->scrolled) {
            const QImage& image = picture_.Image();
            if (!screenScroll_ ||
                !screenScroll_->ScrollUp(picture_.PageRow(image.height() - 1), image.width(), image.height()))
                surface_->scroll(0, -1);
        } else {
            surface_->update(change->rows);
        }
        return;
    }
    // Every other path (and a picture that does not match the layout yet) repaints whole, now.
    ShiftText(session_.View(), -1);
    picture_.Invalidate();
    surface_->repaint();
}

void TAA_Main::FormResize() {
    PlaceOptionsPanel();
    if (firstStart_) return;  // nothing is laid out before the settings are in
    SyncPageSize();
    session_.View().Relayout();
    RedrawSurface();
    // The timing depends on the page: a variable speed counts the characters on it, and a
    // Page Down dwell its height.
    options_.SignalChange(kPendingState);
}

void TAA_Main::PaintView(QPainter& painter, const QRect& rect) {
    const int width = session_.View().pageWidthPx, height = session_.View().pageHeightPx;
    if (!session_.BookOpen() || !session_.View().canvas || width <= 0 || height <= 0) {
        painter.fillRect(surface_->rect(), ColourOf(session_.View().backColour));
        return;
    }
    picture_.Draw(painter, rect, session_.View());
}

bool TAA_Main::ScrollKeyDown(QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_PageDown:
        case Qt::Key_Space:
            NextPage();
            return true;
        case Qt::Key_PageUp:
            PrevPage();
            return true;
        case Qt::Key_Down:
            LineDown();
            return true;
        case Qt::Key_Up:
            LineUp();
            return true;
        case Qt::Key_Home:
            GoHome();
            return true;
        case Qt::Key_End:
            GoEnd();
            return true;
        default:
            return false;
    }
}

}  // namespace corvalin
