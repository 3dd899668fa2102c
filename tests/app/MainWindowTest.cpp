// The main window driven as the reader drives it, on books made from the bundled guide.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QObject>
#include <filesystem>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/ProgressWindow.h"
#include "app/ReadingSurface.h"
#include "app/UnexpectedErrors.h"
#include "app/WindowFixture.h"
#include "books/BookFormat.h"
#include "engine/SimulatedTime.h"
#include "import/ImportFile.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::Settle;

using test::TempDir;

// Message boxes caught, the loop off, movements on simulated time.
using ReaderWindow = test::QuietReaderWindow;

int64_t TopOffset(VEMRenderParag& view) {
    int64_t offset = 0;
    int32_t row = 0;
    view.GetPosition(offset, row);
    return offset;
}

// Pixels of exactly the text colour; without anti-aliasing every stroke is drawn in it.
int TextPixels(TVEMScroll& surface, uint32_t colour) {
    const QImage image = surface.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb wanted = qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (wanted & 0xFFFFFF)) ++count;
    return count;
}

size_t StoreOffset(const std::vector<uint8_t>& book) {
    const size_t at = 36;  // the header's record store offset, little-endian
    return size_t(book[at]) | size_t(book[at + 1]) << 8 | size_t(book[at + 2]) << 16 |
           size_t(book[at + 3]) << 24;
}

void Press(QWidget& widget, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

using MainWindowTest = test::GuideBookTest;

TEST_F(MainWindowTest, AGoodBookShowsItsTextFromTheStartAQuarterDown) {
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    ASSERT_TRUE(window.errors.empty());
    EXPECT_TRUE(window.BookOpen());
    EXPECT_EQ(window.CurrentBookName(), "Welcome_txt.book");

    VEMRenderParag& view = window.View();
    EXPECT_EQ(view.pageHeightPx, window.Surface().height());
    int64_t offset = 0;
    int32_t row = 0;
    view.GetPosition(offset, row);
    EXPECT_EQ(offset, 40) << "a book never read opens at its first line";
    EXPECT_EQ(row, view.pageHeightPx / 4);
    EXPECT_GT(TextPixels(window.Surface(), view.textColour), 500);
}

TEST_F(MainWindowTest, WithoutALastBookTheReaderIsAskedForOne) {
    {
        ReaderWindow window(folder_.path());
        window.FirstStart();
        Settle();
        EXPECT_EQ(window.booksAskedFor, 1);
        EXPECT_FALSE(window.BookOpen());
        EXPECT_EQ(TextPixels(window.Surface(), window.View().textColour), 0);
    }
    ReaderWindow window(folder_.path());
    window.bookToChoose = book_;
    window.FirstStart();
    Settle();
    EXPECT_EQ(window.booksAskedFor, 1);
    EXPECT_EQ(window.CurrentBookName(), "Welcome_txt.book");
}

TEST_F(MainWindowTest, OpenTheBookStopsTheMovementAndSavesTheBookItLeaves) {
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    window.NextPage();
    const int64_t left = TopOffset(window.View());
    window.ToggleAutoScroll();
    ASSERT_TRUE(window.Options().AutoScrollOn());

    window.bookToChoose.clear();  // the reader cancels
    window.OpenBookDialog();
    EXPECT_FALSE(window.Options().AutoScrollOn());
    EXPECT_EQ(window.CurrentBookName(), "Welcome_txt.book");
    test::OpenedBook opened(book_);
    VEMOpt store;
    LoadBookStore(opened.file, opened.header.storeOffset, store);
    EXPECT_EQ(store.GetInt(kTagPosition, 0), left);
}

TEST_F(MainWindowTest, DamagedBooksAreRejectedWithTheirMessage) {
    struct Case {
        const char* name;
        void (*damage)(std::vector<uint8_t>&);
        const char* id;
        const char* english;
    };
    const Case cases[] = {
        {"last byte changed", [](std::vector<uint8_t>& b) { b.back() ^= 0x01; }, "Err01",
         "The is book is corrupted"},
        {"text byte changed", [](std::vector<uint8_t>& b) { b[60] ^= 0x40; }, "Err01",
         "The is book is corrupted"},
        {"signature changed", [](std::vector<uint8_t>& b) { b[0] = 'X'; }, "Err00",
         "The is not the Corvalindestrum file"},
        {"cut inside the header", [](std::vector<uint8_t>& b) { b.resize(20); }, "Err00",
         "The is not the Corvalindestrum file"},
        {"cut inside the store", [](std::vector<uint8_t>& b) { b.resize(b.size() - 2); }, "Err01",
         "The is book is corrupted"},
        {"cut before the store", [](std::vector<uint8_t>& b) { b.resize(StoreOffset(b) - 1); }, "Err00",
         "The is not the Corvalindestrum file"},
    };
    const std::vector<uint8_t> good = test::ReadBytes(book_);
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = good;
        c.damage(bytes);
        const auto damaged = folder_.path() / "Books" / "damaged.book";
        test::WriteBytes(damaged, bytes);
        window.errors.clear();
        EXPECT_EQ(window.OpenBook(damaged), 1);
        ASSERT_EQ(window.errors.size(), 1u);
        EXPECT_EQ(window.errors[0], window.Text(c.id) + "\ndamaged.book");
        EXPECT_TRUE(window.errors[0].startsWith(QString::fromStdString(c.english)));
        // The book being read stays open where it was.
        EXPECT_TRUE(window.BookOpen());
        EXPECT_EQ(window.CurrentBookName(), "Welcome_txt.book");
        EXPECT_FALSE(window.View().screenLines.empty());
    }
    window.errors.clear();
    EXPECT_EQ(window.OpenBook(folder_.path() / "Books" / "missing.book"), 1);
    ASSERT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(window.errors[0], window.Text("Err00") + "\nmissing.book");
    EXPECT_TRUE(window.BookOpen());
}

// Captions of the progress window each time it appears.
class ShowWatch : public QObject {
public:
    explicit ShowWatch(TAA_Progress& window) : window_(window) { window.installEventFilter(this); }
    std::vector<QString> shown;
    int maximum = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            shown.push_back(window_.Caption());
            maximum = window_.Maximum();
        }
        return false;
    }

private:
    TAA_Progress& window_;
};

TEST_F(MainWindowTest, AMissingHeadingIndexIsBuiltOnceUnderTheProgressWindow) {
    int64_t textLength = 0;
    {
        test::OpenedBook opened(book_);
        textLength = int64_t(opened.header.textEnd) - opened.header.textStart;
        VEMOpt store;
        LoadBookStore(opened.file, opened.header.storeOffset, store);
        delete store.Find(kTagHeadings);
        RewriteBookStore(opened.file, store);
        opened.file.Close();
    }
    ReaderWindow window(folder_.path());
    ShowWatch watch(window.ProgressWindow());
    window.FirstStart(book_);
    Settle();
    ASSERT_TRUE(window.errors.empty());
    ASSERT_EQ(watch.shown.size(), 1u);
    EXPECT_EQ(watch.shown[0].toStdString(), "Converting file ...");
    EXPECT_EQ(watch.maximum, textLength);
    EXPECT_FALSE(window.ProgressWindow().isVisible());

    ASSERT_EQ(window.OpenBook(book_), 0);
    EXPECT_EQ(watch.shown.size(), 1u) << "the index was written into the book";
}

TEST_F(MainWindowTest, TheReadingPositionSurvivesCloseAndReopen) {
    int64_t offset = 0;
    {
        ReaderWindow window(folder_.path());
        window.FirstStart(book_);
        Settle();
        for (int i = 0; i < 3; ++i) window.NextPage();
        offset = TopOffset(window.View());
        ASSERT_GT(offset, 40);
        window.close();
    }
    ReaderWindow window(folder_.path());
    window.FirstStart();  // the last book comes back by itself
    Settle();
    ASSERT_TRUE(window.errors.empty());
    EXPECT_EQ(window.CurrentBookName(), "Welcome_txt.book");
    EXPECT_EQ(TopOffset(window.View()), offset);

    // Opening another book first saves the one that is open.
    window.NextPage();
    const int64_t moved = TopOffset(window.View());
    ASSERT_NE(moved, offset);
    const auto other = ImportFile(std::string(CORVALIN_SOURCE_DIR) + "/data/samples/Welcome.txt",
                                  folder_.path() / "Books", BuildBookOptions{});
    ASSERT_EQ(window.OpenBook(other), 0);
    EXPECT_EQ(TopOffset(window.View()), 40);
    ASSERT_EQ(window.OpenBook(book_), 0);
    EXPECT_EQ(TopOffset(window.View()), moved);
}

TEST_F(MainWindowTest, ASaveThatFailsIsToldAndTheBookKeepsItsLastGoodState) {
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    window.NextPage();
    window.SaveBookState();
    const int64_t saved = TopOffset(window.View());
    window.NextPage();
    {
        test::FileSizeLimit diskFull(16);
        window.SaveBookState();
    }
    ASSERT_EQ(window.errors.size(), 1u);
    EXPECT_TRUE(window.errors[0].startsWith(window.Text("ErrSave")));
    EXPECT_TRUE(window.errors[0].endsWith("Welcome_txt.book"));
    EXPECT_EQ(window.Text("ErrSave").toStdString(), "The reading position could not be saved in the book");

    test::OpenedBook opened(book_);
    ASSERT_EQ(opened.Check(), VerdictKind::Ok);
    VEMOpt store;
    LoadBookStore(opened.file, opened.header.storeOffset, store);
    EXPECT_EQ(store.GetInt(kTagPosition, 0), saved);
}

TEST_F(MainWindowTest, ANewSizeKeepsTheReadingPosition) {
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    window.showNormal();
    VEMRenderParag& view = window.View();
    window.NextPage();
    window.LineDown();
    for (const QSize size : {QSize(700, 500), QSize(1000, 560), QSize(640, 460)}) {
        const int64_t offset = TopOffset(view);
        const int32_t row = view.screenLines.front().line->y;
        window.resize(size);
        Settle();
        EXPECT_EQ(view.pageWidthPx, window.Surface().width());
        EXPECT_EQ(view.pageHeightPx, window.Surface().height());
        // The paragraph is broken into other lines; the one holding the old top line's start
        // stands where that line stood.
        const VEMRenderLineObject* top = view.screenLines.front().line;
        EXPECT_LE(top->startOffset, offset);
        EXPECT_GT(top->endOffset, offset);
        EXPECT_EQ(top->y, row);
    }
}

TEST_F(MainWindowTest, PageDownAndPageUpTurnWholePages) {
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    VEMRenderParag& view = window.View();
    window.NextPage();
    window.NextPage();  // from here on the top line stands at the top of the page
    const int64_t start = TopOffset(view);
    const int32_t lastOffset = view.screenLines.back().line->startOffset;

    window.NextPage();
    EXPECT_GT(TopOffset(view), lastOffset) << "the line below the page comes to the top";
    window.PrevPage();
    EXPECT_EQ(view.screenLines.back().line->startOffset, lastOffset) << "the last line comes back";
    EXPECT_EQ(view.screenLines.back().line->y + view.screenLines.back().line->textBottom, view.pageHeightPx);
    // The page is the one left, aligned to its last line instead of its first: at most the line
    // above the old top line has come in.
    const VEMRenderLineObject* top = view.screenLines.front().line;
    if (TopOffset(view) != start) {
        const VEMRenderLineObject* below = top->next ? top->next : top->unit->next->firstLine;
        EXPECT_EQ(below->startOffset, start);
    }
}

TEST_F(MainWindowTest, KeysOnTheSurfaceMoveTheText) {
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    VEMRenderParag& view = window.View();
    TVEMScroll& surface = window.Surface();

    Press(surface, Qt::Key_End);
    ASSERT_NE(view.lastUnit, nullptr);
    EXPECT_TRUE(view.lastUnit->isLast);
    const VEMRenderLineObject* last = view.lastUnit->lastLine;
    EXPECT_EQ(last->y + last->textBottom, view.pageHeightPx * 3 / 4 - view.advanceReservePx);

    Press(surface, Qt::Key_Space);  // the end leaves the page
    EXPECT_TRUE(view.screenLines.empty());
    Press(surface, Qt::Key_PageUp);  // and comes back at the bottom
    ASSERT_FALSE(view.screenLines.empty());
    EXPECT_EQ(view.screenLines.back().line, last);

    Press(surface, Qt::Key_Home);
    EXPECT_EQ(TopOffset(view), 40);
    const int32_t homeRow = view.screenLines.front().line->y;
    Press(surface, Qt::Key_Down);
    EXPECT_EQ(TopOffset(view), 40);
    EXPECT_LT(view.screenLines.front().line->y, homeRow);
    Press(surface, Qt::Key_Up);
    EXPECT_EQ(view.screenLines.front().line->y, homeRow);
    Press(surface, Qt::Key_PageDown);
    EXPECT_GT(TopOffset(view), 40);

    Press(surface, Qt::Key_Escape);
    Settle();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(std::filesystem::exists(folder_.path() / "Global.cfg"));
}

}  // namespace
}  // namespace corvalin

int main(int argc, char** argv) {
    // Windows need no display here; the environment may choose another platform.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Events reach the windows as they do in the reader, through the guarded notify.
    corvalin::ReaderApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
