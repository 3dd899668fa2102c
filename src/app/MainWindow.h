#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/PagePicture.h"
#include "app/UnexpectedErrors.h"
#include "app/WheelNotches.h"
#include "engine/ScrollEngine.h"
#include "engine/StepStatistics.h"
#include "import/ImportQuestions.h"
#include "lang/Languages.h"
#include "layout/ViewSettings.h"
#include "platform/SessionPlatform.h"
#include "platform/qt/QtGlyphCanvas.h"
#include "session/ReadingSession.h"
#include "settings/Configuration.h"
#include "settings/VEMOptions.h"
#include "settings/WindowPlacement.h"

class QCloseEvent;
class QEvent;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;
class QPainter;
class QShowEvent;
class QMenu;
class QTimer;
class QAction;

namespace corvalin {

class Library;
class ReaderBookLink;
class SessionLoop;
class ReaderImport;
class TAA_Browse;
class UserGuideWindow;
class TAA_Bookmarks;
class TAA_Percent;
class TAA_Progress;
class TVEMScroll;
class MainToolBar;
class WidgetCursorHiding;
class X11ScreenScroll;
class ScreenPresentation;
class PanelOptions;

// How a window runs its session. The reader takes the defaults; a test may drive time itself
// or keep the loop from starting, to call the window's parts one by one.
struct ReaderSetup {
    PerfTiming* timing = nullptr;  // null: the process's own clock
    bool runMainLoop = true;
    // Someone is at the screen: the first start asks for a book when there is none to reopen,
    // and failures are told in message boxes. A run with nobody there (a timed screenshot)
    // asks nothing and writes its failures to the error stream.
    bool attended = true;
    // The guide an installed reader starts on when its library has no book yet; none in a
    // build tree.
    std::filesystem::path bundledGuide;
};

// The main window: it owns the live settings, the reading view with its canvas and the open
// book for the whole run, and hosts the reading surface.
class TAA_Main : public QMainWindow {
public:
    static constexpr const char* kCaption = "Corvalindestrum Professional";
    static constexpr const char* kVersion = "3.1";
    // The window's title: the program's name and its version.
    static QString CaptionText() { return QString(kCaption) + " " + kVersion; }

    // Reads Global.cfg from `programFolder` (factory values when it is missing or damaged);
    // the values reach the live settings only at the first start.
    explicit TAA_Main(std::filesystem::path programFolder, ReaderSetup setup = {}, QWidget* parent = nullptr);
    ~TAA_Main() override;

    // Shows the window; its first show starts the session: the first start with `files`, then
    // the main loop. Without the loop (a test calling the parts itself) the first start runs here.
    void Start(std::vector<std::filesystem::path> files = {});
    // Stored settings into the live ones, the window placed and shown, then `files` opened
    // (OpenFile, the last one stays open), or without any the book that was open when the
    // last session ended, or else the reader is asked for one.
    void FirstStart(const std::vector<std::filesystem::path>& files);
    void FirstStart(const std::filesystem::path& book = {}) {
        FirstStart(book.empty() ? std::vector<std::filesystem::path>{} : std::vector{book});
    }

    // A book (told by its signature, whatever its name) is opened as it stands; any other
    // file is imported into the library first and the new book opened. 0 when a book is open
    // from it; 1 after the reader has been told why not, the book being read staying open.
    int OpenFile(const std::filesystem::path& path);
    // 0 when the book is open; 1 when it was rejected, after the reader has been told why. A
    // rejected file leaves the book being read open.
    int OpenBook(const std::filesystem::path& path);
    // Saves the state and releases the book.
    void CloseBook();
    // The reading position and the per-book settings, written into the open book.
    void SaveBookState();
    // Global.cfg and the open book's state; nothing before the first start.
    void SaveSettings();

    void NextPage();
    void PrevPage();
    void LineDown();
    void LineUp();
    void GoHome();
    void GoEnd();
    // The mouse wheel's lines, moved in one animation.
    void ScrollLinesDown(int32_t lines);
    void ScrollLinesUp(int32_t lines);
    // Positive pixels move the text down (towards the beginning). Jumps when smooth movement is
    // off, else animates over `seconds` on the session's clock and returns when done.
    void SmoothMove(int32_t pixels, double seconds);
    // Keeps the reading position among the book's bookmarks.
    void AddBookmark();
    // The bookmarks window ("Bookmarks"); a bookmark or percentage chosen there is gone to.
    void ShowBookmarks();
    // Go to percent from the gauge: the field shows `prefill` (the current position in percent),
    // and a percentage confirmed is gone to. Nothing without a book.
    virtual void GoToPercentDialog(double prefill);
    // "Quality" or "Speed" (Num /).
    void TogglePriority();
    // The text as the source lines had it, in a fixed-width font, and back.
    void SetOriginalText(bool on);
    bool OriginalText() const { return originalText_; }
    // The Original button follows "Text Formating" however it was chosen (the panel included).
    void FollowOriginalText();
    // Automatic movement on or off (Ins, the middle button).
    void ToggleAutoScroll();
    // One more or one less line (constant speed) or character (variable speed) per second.
    void Faster();
    void Slower();
    // Full screen and back to the rectangle the window had before (\, the tool bar).
    void ToggleFullScreen();
    // Full screen keeps the window above all others.
    bool StaysOnTop() const;
    // The user guide in the help window (after leaving full screen).
    void OpenHelp();
    UserGuideWindow* GuideWindow() const { return help_; }
    // Files handed over by another start of the reader (a file manager's "open"): the window
    // comes forward, and the files are opened as the command line's are.
    void OpenFiles(const std::vector<std::filesystem::path>& files);
    // "Open the Book": stops the movement, saves, then opens the book or document the reader
    // picks.
    void OpenBookDialog();
    // Imports documents into the library (telling the reader about each that fails); the new
    // books' paths.
    std::vector<std::filesystem::path> ImportDocuments(const std::vector<std::filesystem::path>& documents);
    TAA_Browse& LibraryWindow() { return *browse_; }
    Library& LibraryBooks() { return *library_; }
    // Lines of a book's preview in the library; kept in Global.cfg.
    int32_t PreviewLines() const { return sessionState_.previewLines; }
    void SetPreviewLines(int32_t lines) { sessionState_.previewLines = lines; }
    // The entry of the options panel's language list; kept in Global.cfg.
    void SetLanguageIndex(int32_t index) { sessionState_.languageIndex = index; }
    const LanguageDispatcher& Languages() const { return languages_; }

    TVEMScroll& Surface() { return *surface_; }
    TAA_Progress& ProgressWindow() { return *progress_; }
    TAA_Bookmarks& BookmarksWindow() { return *bookmarksWindow_; }
    TAA_Percent& PercentWindow() { return *percentWindow_; }
    VEMRenderParag& View() { return session_.View(); }
    const VEMOptions& Options() const { return options_; }
    VEMOptions& Options() { return options_; }
    ScrollEngine& Engine() { return *engine_; }
    const PagePicture& Picture() const { return picture_; }
    const SessionPlatform& Platform() const { return platform_; }
    bool BookOpen() const { return session_.BookOpen(); }
    const BookmarkList& Bookmarks() const { return session_.Bookmarks(); }
    BookmarkList& Bookmarks() { return session_.Bookmarks(); }
    const std::string& CurrentBookName() const { return session_.BookName(); }
    ReadingSession& Session() { return session_; }
    const std::filesystem::path& ProgramFolder() const { return programFolder_; }
    std::filesystem::path BooksFolder() const { return programFolder_ / "Books"; }
    const ConfigLoadResult& ConfigurationStatus() const { return configResult_; }
    // False when Global.cfg is there but cannot be written: the settings are then used but
    // never saved over it.
    bool SettingsSaved() const { return settingsWritable_; }
    // Failures of a run with nobody at the screen, which went to the error stream.
    int UnattendedErrors() const { return unattendedErrors_; }
    UnexpectedErrorHandler& UnexpectedErrors() { return errors_; }
    MainToolBar& ToolBar() { return *toolBar_; }
    // The import of the documents the reader opens, with its dialogs; made at its first use.
    ReaderImport& Importer();
    // The mouse cursor is on the screen (it hides itself over a reader who is not using it).
    bool CursorShown() const;
    // The "Direct X" presentation: its off-screen page images and the steps through them.
    ScreenPresentation& Presentation() { return *presentation_; }
    // Above zero while an off-screen image is on its way to the screen.
    int32_t PresentationBusy() const;
    // The "Super Scroll" and "Anti Flicker" levels the presentation allows now.
    const LevelAvailability& ViewLevels() const { return viewLevels_; }
    // Where the options panel covers the reading surface (surface coordinates): its height
    // from the bottom, at most its design width from the left. Empty while it is closed.
    QRect OptionsPanelArea() const;
    // Puts the panel over OptionsPanelArea (after a change of its size or the window's).
    void PlaceOptionsPanel();
    void SetOptionsPanelHeight(int32_t heightPx) { optionsPanelHeightPx_ = heightPx; }
    // The options panel over the lower part of the page, open while the tool bar's "Options"
    // button is down.
    PanelOptions& OptionsPanel() { return *optionsPanel_; }
    bool OptionsPanelOpen() const { return optionsPanelHeightPx_ > 0; }
    // The panel follows the tool bar button; the page takes the focus.
    void OptionsClick();
    // The menu item, Num * and the panel's close button: the button toggles, the panel follows.
    void ToggleOptionsPanel();
    // "statistics: seconds S steps N late M substeps K" from one second after the movement was
    // first switched on until now (all zero before that).
    std::string RunStatistics();
    QMenu& PopupMenu() { return *popupMenu_; }
    // The text of a string of this window in the interface language.
    QString Text(const char* id) const;

protected:
    // Tells the reader about an expected failure; a modal message box with one OK button,
    // in the interface language.
    virtual void ShowError(const QString& text);
    // Tells the reader something that is not a failure of what they asked for.
    virtual void ShowNotice(const QString& text);
    // Asks the reader for a book (the library window); empty when the reader cancels.
    virtual std::filesystem::path ChooseBook();
    // The encoding dialog's answer for a document being imported; with nobody at the screen,
    // "Import All" in the page the import opened on.
    virtual EncodingAnswer AskEncoding(const EncodingQuestion& question);
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    friend class SessionLoop;

    void PaintView(QPainter& painter, const QRect& rect);
    void SurfaceMouseDown(QMouseEvent& event);
    void SurfaceMouseUp(QMouseEvent& event);
    void SurfaceMouseMove(QMouseEvent& event);
    void SurfaceWheel(QWheelEvent& event);
    bool SmoothMovementOn() const;
    // One movement of an animation on the screen; the picture is composed anew.
    void PresentMove(int32_t pixels, const QRect& rect);
    QRect UncoveredBand(int32_t pixels) const;
    // The picture no longer matches the layout: the surface is composed whole at its next paint.
    void RedrawSurface();
    // One automatic step through the screen path the reading state chose.
    void PresentAutoStep();
    void ApplyReadingState();
    // The view settings handler: the off-screen images made or freed for the scroll mode, the
    // levels they allow, then the view laid out anew.
    void ApplyViewSettings();
    void ChangeSpeed(int32_t delta);
    void MainLoopEnded();
    bool ScrollKeyDown(QKeyEvent& event);
    void FormResize();
    void SyncPageSize();
    void PlaceWindow();
    void SetNormalGeometry(const WindowRect& rect);
    // Moves the window down or right until its frame's corner is inside the screen's work area.
    void KeepFrameOnScreen();
    // Imports a document into the library; the new book's path, or empty after telling why.
    std::filesystem::path ImportDocument(const std::filesystem::path& path);
    // The book a file stands for: itself, or the book imported from it; empty after telling
    // the reader why there is none.
    std::filesystem::path BookFromFile(const std::filesystem::path& path, bool reuseImported = false);
    std::filesystem::path BookFromFiles(const std::vector<std::filesystem::path>& files);
    bool LibraryHasBooks() const;
    std::string BookNameToRemember(const std::filesystem::path& path) const;
    void StayOnTop(bool on);
    SessionState CurrentSession() const;

    std::filesystem::path programFolder_;
    UnexpectedErrorHandler errors_;
    Configuration config_;
    ConfigLoadResult configResult_;
    SessionState sessionState_;
    VEMOptions options_;
    LanguageDispatcher languages_;
    QtGlyphCanvas canvas_;
    ReadingSession session_;
    bool firstStart_ = true;
    bool suppressSave_ = true;
    bool settingsWritable_ = true;
    bool closed_ = false;
    // Where a Global.cfg that could not be used was kept, to tell the reader at the first start.
    std::filesystem::path damagedCopy_;
    std::vector<std::filesystem::path> startFiles_;
    // Files handed over while a question or an import was under way, opened once it ends.
    std::vector<std::filesystem::path> handedFiles_;
    bool handedFilesWaiting_ = false;
    UserGuideWindow* help_ = nullptr;
    std::unique_ptr<ReaderImport> import_;
    QWidget* panelMain_ = nullptr;
    TVEMScroll* surface_ = nullptr;
    TAA_Progress* progress_ = nullptr;
    TAA_Percent* percentWindow_ = nullptr;
    TAA_Bookmarks* bookmarksWindow_ = nullptr;
    MainToolBar* toolBar_ = nullptr;
    QMenu* popupMenu_ = nullptr;
    QTimer* timerTime_ = nullptr;
    std::unique_ptr<WidgetCursorHiding> cursorHiding_;
    // Where leaving full screen goes back to.
    WindowRect normalRect_;

    PagePicture picture_;
    // The "Hardware" step inside the X server; null elsewhere (Qt scrolls then).
    std::unique_ptr<X11ScreenScroll> screenScroll_;
    SessionPlatform platform_;
    std::unique_ptr<SessionLoop> loop_;
    std::unique_ptr<ScrollEngine> engine_;
    std::unique_ptr<ScreenPresentation> presentation_;
    LevelAvailability viewLevels_;
    int32_t optionsPanelHeightPx_ = 0;
    PanelOptions* optionsPanel_ = nullptr;
    // The run totals one second after the movement first started: the steady state.
    StatisticsMark steadyMark_;
    bool steadyMarkPending_ = false;
    PerfTiming& timing_;
    bool originalText_ = false;
    WheelNotches wheelNotches_;
    int32_t FormattingBeforeOriginal = 0;
    // A left-button drag on the surface, from the press to the release.
    bool DragActive = false;
    int32_t DragLastY = 0;
    int32_t DragStartPos = 0;
    int32_t DragStartRow = 0;
    bool runMainLoop_ = true;
    bool attended_ = true;
    ReaderSetup setup_;
    int unattendedErrors_ = 0;
    bool mainLoopPosted_ = false;
    // The library lives while the window does; it is let go first, while the session it may
    // still write into is there.
    std::unique_ptr<ReaderBookLink> libraryLink_;
    std::unique_ptr<Library> library_;
    TAA_Browse* browse_ = nullptr;
};

}  // namespace corvalin
