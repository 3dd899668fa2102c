// The library window on the reader's main window, driven as a reader drives it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <filesystem>
#include <string>
#include <vector>

#include "app/BookPropertiesDialog.h"
#include "app/LibraryWindow.h"
#include "app/MainWindow.h"
#include "app/ProgressWindow.h"
#include "app/TreeView.h"
#include "app/WindowFixture.h"
#include "base/Utf.h"
#include "books/BookFormat.h"
#include "lang/Languages.h"
#include "library/BookScan.h"
#include "library/Library.h"
#include "library/LibraryBooks.h"
#include "settings/Configuration.h"

namespace corvalin {
namespace {

using test::BookText;
using test::MakeLibraryBook;
using test::Settle;
using test::TempDir;

void Press(QWidget& widget, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

void Click(QWidget& widget, const QPoint& at, Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent press(QEvent::MouseButtonPress, at, widget.mapToGlobal(at), button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget.mapToGlobal(at), button, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &release);
}

void Wheel(QWidget& widget, int delta) {
    QWheelEvent event(QPointF(5, 5), QPointF(widget.mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&widget, &event);
}

// A program folder with a small library: two books of one author to derive, one without an
// author and one that is not a text.
class LibraryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeLibraryBook(Books(), "a.book", BookText({"Smith John", "First Book"}, 1), "first.txt");
        MakeLibraryBook(Books(), "b.book", BookText({"Smith John", "Second Book"}, 2), "second.txt");
        MakeLibraryBook(Books(), "c.book", BookText({"a page without any author at all"}, 3), "notes.txt");
        MakeLibraryBook(Books(), "d.book", BookText({"Pictures"}, 4), "photos.zip");
    }
    std::filesystem::path Books() const { return folder_.path() / "Books"; }

    // The tree as it shows: group captions, and books indented by their file names.
    static std::vector<std::string> Shown(TAA_Browse& library) {
        std::vector<std::string> shown;
        const TVEMTreeView& tree = library.Tree();
        for (int i = 0; i < int(tree.Nodes().size()); ++i) {
            if (const VEMBrowseFile* book = library.BookOf(i))
                shown.push_back("  " + book->path.filename().string());
            else
                shown.push_back(library.GroupCaption(i).toStdString());
        }
        return shown;
    }

    static int NodeOf(TAA_Browse& library, const std::string& fileName) {
        for (int i = 0; i < int(library.Tree().Nodes().size()); ++i)
            if (const VEMBrowseFile* book = library.BookOf(i); book && book->path.filename() == fileName)
                return i;
        return TVEMTreeView::kNone;
    }

    TempDir folder_;
};

TEST_F(LibraryWindowTest, TheFirstShowingScansGroupsAndSelectsTheOpenBook) {
    test::QuietReaderWindow window(folder_.path());
    window.FirstStart(Books() / "c.book");
    Settle();
    ASSERT_TRUE(window.BookOpen());
    TAA_Browse& library = window.LibraryWindow();
    library.PrepareShowing();
    const std::vector<std::string> expected = {"Author: Smith John",
                                               "  Smith John - First Book.book",
                                               "  Smith John - Second Book.book",
                                               "Author: Unknown",
                                               "  c.book",
                                               "Not Text Files",
                                               "  d.book"};
    EXPECT_EQ(Shown(library), expected);
    // The books were renamed on disk; the open one is selected.
    EXPECT_TRUE(std::filesystem::exists(Books() / "Smith John - First Book.book"));
    EXPECT_EQ(library.Tree().Selected(), NodeOf(library, "c.book"));
    // The progress window was there with the count of files, and is gone.
    EXPECT_EQ(window.ProgressWindow().Maximum(), 4);
    EXPECT_EQ(window.ProgressWindow().Position(), 4);
    EXPECT_FALSE(window.ProgressWindow().isVisible());

    // A book node is as high as its lines, a group one line.
    const QRect book = library.Tree().NodeRect(NodeOf(library, "c.book"));
    EXPECT_EQ(book.height(), 10 * library.LineHeight() + 2);
    EXPECT_EQ(library.Tree().NodeRect(0).height(), library.LineHeight());
    EXPECT_GT(library.ColumnWidths()[0], 30);
    EXPECT_GT(library.ColumnWidths()[2], 30) << "an author column, since some book has one";
}

TEST_F(LibraryWindowTest, PreviewLinesStayWithinOneAndTwentyFourAndAreKept) {
    {
        test::QuietReaderWindow window(folder_.path());
        window.FirstStart();
        TAA_Browse& library = window.LibraryWindow();
        library.PrepareShowing();
        for (int i = 0; i < 30; ++i) library.MoreLinesClick();
        EXPECT_EQ(library.PreviewLines(), 24);
        EXPECT_EQ(library.Tree().NodeRect(1).height(), 24 * library.LineHeight() + 2);
        library.MoreLinesClick();
        EXPECT_EQ(window.PreviewLines(), 24);
        for (int i = 0; i < 30; ++i) library.FewerLinesClick();
        EXPECT_EQ(library.PreviewLines(), 1);
        library.MoreLinesClick();
        library.MoreLinesClick();
        window.SaveSettings();
    }
    Configuration config;
    LoadContext context;
    context.languageCount = 4;
    ASSERT_TRUE(LoadConfiguration(folder_.path(), config, context).Valid());
    EXPECT_EQ(StartupSession(config).previewLines, 3);
}

TEST_F(LibraryWindowTest, DeletingTheOpenBookClosesItInTheReader) {
    test::QuietReaderWindow window(folder_.path());
    window.FirstStart(Books() / "c.book");
    Settle();
    TAA_Browse& library = window.LibraryWindow();
    library.PrepareShowing();
    std::vector<QString> asked;
    library.AskYesNo = [&](const QString& question) {
        asked.push_back(question);
        return asked.size() > 1;  // no the first time, yes after
    };
    library.Tree().Select(NodeOf(library, "c.book"));
    library.DeleteClick();
    EXPECT_TRUE(window.BookOpen()) << "the reader said no";
    library.DeleteClick();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], "Are you sure, what you want to delete this is book ?");
    EXPECT_FALSE(window.BookOpen());
    EXPECT_FALSE(std::filesystem::exists(Books() / "c.book"));
    // Its group went with it; the next group is selected.
    EXPECT_EQ(Shown(library),
              (std::vector<std::string>{"Author: Smith John", "  Smith John - First Book.book",
                                        "  Smith John - Second Book.book", "Not Text Files", "  d.book"}));
    EXPECT_EQ(library.GroupCaption(library.Tree().Selected()), "Not Text Files");

    // A whole author: every book of the group, and only those.
    library.Tree().Select(0);
    library.DeleteClick();
    EXPECT_EQ(asked.back(), "Are you sure, what you want to delete all books of this author ?");
    EXPECT_EQ(Shown(library), (std::vector<std::string>{"Not Text Files", "  d.book"}));
    EXPECT_TRUE(std::filesystem::exists(Books() / "d.book"));

    library.DeleteAllClick();
    EXPECT_EQ(asked.back(), "Are you sure, what you want to delete all books ?");
    EXPECT_TRUE(library.Tree().Nodes().empty());
    EXPECT_TRUE(std::filesystem::is_empty(Books()));
}

TEST_F(LibraryWindowTest, EditingAuthorInThePropertiesRenamesAndRegroupsAndSurvivesARestart) {
    {
        test::QuietReaderWindow window(folder_.path());
        window.FirstStart();
        TAA_Browse& library = window.LibraryWindow();
        library.PrepareShowing();
        library.Tree().Select(NodeOf(library, "c.book"));
        // The book's icon opens its properties, where two clicks on lines set author and title.
        library.RunProperties = [&](TAA_BookProp& dialog) {
            EXPECT_EQ(dialog.LabelFile().text().toStdString(),
                      "Filename: notes.txt" + std::string(8, ' ') +
                          "File Size: " + std::to_string(library.SelectedBook()->sourceSize));
            EXPECT_EQ(dialog.ActiveField(), TAA_BookProp::kAuthorField);
            dialog.EditAuthor().setText("  ");
            dialog.PickLine(0);  // the first line, into the author field
            EXPECT_EQ(dialog.ActiveField(), TAA_BookProp::kTitleField);
            dialog.EditTitle().setText(" Notes ");
            return true;
        };
        const QRect node = library.Tree().NodeRect(library.Tree().Selected());
        Click(*library.Tree().viewport(), node.topLeft() + QPoint(3, 3) -
                                              QPoint(library.Tree().horizontalScrollBar()->value(),
                                                     library.Tree().verticalScrollBar()->value()));
        const std::string renamed = "a page without any author at all - Notes.book";
        EXPECT_TRUE(std::filesystem::exists(Books() / renamed));
        EXPECT_FALSE(std::filesystem::exists(Books() / "c.book"));
        EXPECT_EQ(Shown(library)[0], "Author: a page without any author at all");
        EXPECT_EQ(library.Tree().Selected(), NodeOf(library, renamed));
        window.SaveSettings();
    }
    // Another run: the choice is in the book and in the known names.
    test::QuietReaderWindow window(folder_.path());
    window.FirstStart();
    TAA_Browse& library = window.LibraryWindow();
    library.PrepareShowing();
    EXPECT_EQ(Shown(library),
              (std::vector<std::string>{"Author: a page without any author at all",
                                        "  a page without any author at all - Notes.book",
                                        "Author: Smith John", "  Smith John - First Book.book",
                                        "  Smith John - Second Book.book", "Not Text Files", "  d.book"}));
    EXPECT_TRUE(
        window.LibraryBooks().KnownNames().HasExactly(u"a page without any author at all", kConfirmedAuthor));
}

TEST_F(LibraryWindowTest, ReadingABookClosesWithItsPathAndAGroupOpensOrCloses) {
    test::QuietReaderWindow window(folder_.path());
    window.FirstStart();
    TAA_Browse& library = window.LibraryWindow();
    library.PrepareShowing();
    library.Tree().Select(0);
    Press(library.Tree(), Qt::Key_Return);
    EXPECT_FALSE(library.Tree().Nodes()[0].expanded);
    library.ReadClick();
    EXPECT_TRUE(library.Tree().Nodes()[0].expanded);
    EXPECT_TRUE(library.ChosenPath().empty());

    library.Tree().Select(1);
    library.ReadClick();
    EXPECT_EQ(library.result(), QDialog::Accepted);
    EXPECT_EQ(library.ChosenPath(), Books() / "Smith John - First Book.book");

    // The right button offers "Edit Author or Title".
    QAction* edit = library.PopupMenu().findChild<QAction*>("EditAuthorTitle1");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "Edit Author or Title");
}

TEST_F(LibraryWindowTest, OpenTheBookShowsTheLibraryAndOpensThePickedBook) {
    // The reader's own "Open the Book", its modal library included.
    class Reader : private test::OwnClock, public TAA_Main {
    public:
        explicit Reader(const std::filesystem::path& folder) : TAA_Main(folder, {&timing, false}) {}
    };
    Reader window(folder_.path());
    window.FirstStart(Books() / "c.book");
    bool shown = false;
    QTimer::singleShot(0, &window, [&] {
        TAA_Browse& library = window.LibraryWindow();
        shown = library.isVisible();
        library.Tree().Select(NodeOf(library, "Smith John - Second Book.book"));
        Press(library.Tree(), Qt::Key_Return);
    });
    window.OpenBookDialog();
    EXPECT_TRUE(shown);
    EXPECT_EQ(window.CurrentBookName(), "Smith John - Second Book.book");
    EXPECT_FALSE(window.LibraryWindow().isVisible());
}

TEST(TreeViewTest, KeysClicksAndTheWheelRule) {
    TVEMTreeView tree;
    tree.resize(300, 200);
    tree.OnMeasure = [](const TVEMTreeView::Node& node) { return QSize(100, node.kind == 1 ? 40 : 16); };
    tree.SetNodes({{0, false, 2, nullptr},
                   {1, false, 1, nullptr},
                   {1, false, 1, nullptr},
                   {0, false, 2, nullptr},
                   {1, false, 1, nullptr}});
    EXPECT_EQ(tree.VisibleNodes(), (std::vector<int>{0, 3}));
    tree.Select(4);  // its group opens
    EXPECT_EQ(tree.VisibleNodes(), (std::vector<int>{0, 3, 4}));
    Press(tree, Qt::Key_Up);
    EXPECT_EQ(tree.Selected(), 3);
    Press(tree, Qt::Key_Home);
    EXPECT_EQ(tree.Selected(), 0);
    Press(tree, Qt::Key_Right);
    EXPECT_EQ(tree.VisibleNodes(), (std::vector<int>{0, 1, 2, 3, 4}));
    Press(tree, Qt::Key_End);
    EXPECT_EQ(tree.Selected(), 4);
    Press(tree, Qt::Key_Left);  // a book: up to its group
    EXPECT_EQ(tree.Selected(), 3);
    Press(tree, Qt::Key_Left);
    EXPECT_EQ(tree.VisibleNodes(), (std::vector<int>{0, 1, 2, 3}));
    // A node below the minimum height is laid out at it.
    tree.OnMeasure = [](const TVEMTreeView::Node&) { return QSize(50, 3); };
    tree.Relayout();
    EXPECT_EQ(tree.NodeRect(1).height(), TVEMTreeView::kMinNodeHeight);

    // A click in the expand box column toggles; elsewhere it only selects.
    Click(*tree.viewport(), QPoint(tree.IndentWidth() / 2, 5));
    EXPECT_EQ(tree.Selected(), 0);
    EXPECT_FALSE(tree.Nodes()[0].expanded);
    Click(*tree.viewport(), QPoint(tree.IndentWidth() + 10, 5));
    EXPECT_FALSE(tree.Nodes()[0].expanded);

    // The wheel moves the selection; an event within 0.01 s of the last is ignored.
    int64_t now = 1'000'000'000;
    tree.Clock = [&] { return now; };
    Wheel(*tree.viewport(), -120);
    EXPECT_EQ(tree.Selected(), 3);
    now += 5'000'000;
    Wheel(*tree.viewport(), -120);
    EXPECT_EQ(tree.Selected(), 3);
    now += 10'000'000;
    Wheel(*tree.viewport(), 120);
    EXPECT_EQ(tree.Selected(), 0);
}

TEST_F(LibraryWindowTest, TheLineViewHighlightsPicksAndScrolls) {
    auto entry = ScanBook(
        MakeLibraryBook(Books(), "e.book", BookText({"Smith John", "First Book"}, 5), "e.txt", true));
    ASSERT_NE(entry, nullptr);
    LanguageDispatcher languages;
    TAA_BookProp dialog(languages);
    dialog.resize(500, 400);
    dialog.SetEntry(*entry);
    TVEMBookView& view = dialog.View();
    const int h = view.LineHeight();
    auto move = [&](int y) {
        QMouseEvent event(QEvent::MouseMove, QPoint(10, y), view.viewport()->mapToGlobal(QPoint(10, y)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &event);
    };
    move(h + 2);
    EXPECT_EQ(view.HoverLine(), 1);
    move(2);  // line 0 is empty: nothing to pick there shows green
    EXPECT_EQ(view.HoverLine(), TVEMBookView::kNoLine);
    move(h + 2);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view.viewport(), &leave);
    EXPECT_EQ(view.HoverLine(), TVEMBookView::kNoLine);

    // Left clicks pick: the author, then the title; an empty line gives an empty text.
    Click(*view.viewport(), QPoint(10, h + 2), Qt::RightButton);
    EXPECT_EQ(dialog.EditAuthor().text(), "");
    Click(*view.viewport(), QPoint(10, h + 2));
    Click(*view.viewport(), QPoint(10, 3 * h + 2));
    EXPECT_EQ(dialog.EditAuthor().text(), "Smith John");
    EXPECT_EQ(dialog.EditTitle().text(), "First Book");
    Click(*view.viewport(), QPoint(10, 2));
    EXPECT_EQ(dialog.EditAuthor().text(), "");

    // One line a notch of the wheel; keys do not scroll.
    Wheel(*view.viewport(), -120);
    EXPECT_EQ(view.verticalScrollBar()->value(), h);
    Press(view, Qt::Key_PageDown);
    EXPECT_EQ(view.verticalScrollBar()->value(), h);
}

}  // namespace
}  // namespace corvalin
