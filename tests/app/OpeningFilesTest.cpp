// What the reader gets when it asks to open a file: books by their signature, documents
// imported first, and a clear word for everything else, the book being read staying open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "app/MessageBoxes.h"
#include "app/WindowFixture.h"
#include "books/BookFile.h"
#include "books/BookFormat.h"
#include "lang/Languages.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::Settle;
using ReaderWindow = test::QuietReaderWindow;
using OpeningFilesTest = test::GuideBookTest;

size_t BooksIn(const std::filesystem::path& folder) {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".book") ++count;
    return count;
}

int32_t SavedPosition(const std::filesystem::path& book) {
    test::OpenedBook opened(book);
    VEMOpt store;
    LoadBookStore(opened.file, opened.header.storeOffset, store);
    return store.GetInt(kTagPosition, -1);
}

TEST_F(OpeningFilesTest, FilesThatAreNoBookAndNoTextAreToldAndTheBookStaysOpen) {
    const auto empty = folder_ / "empty.txt";
    test::WriteText(empty, "");
    const auto folder = folder_ / "a folder.txt";
    std::filesystem::create_directory(folder);
    struct Case {
        const char* name;
        std::filesystem::path path;
        const char* id;
    };
    const Case cases[] = {
        {"missing", folder_ / "missing.txt", "ErrNoFile"},
        {"empty", empty, "ErrEmptyFile"},
        {"folder", folder, "ErrFolder"},
    };
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    window.NextPage();
    const size_t books = BooksIn(folder_ / "Books");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.errors.clear();
        EXPECT_EQ(window.OpenFile(c.path), 1);
        ASSERT_EQ(window.errors.size(), 1u);
        EXPECT_EQ(window.errors[0], window.Text(c.id) + "\n" + QString::fromStdString(c.path.string()));
        EXPECT_FALSE(window.Text(c.id).isEmpty());
        EXPECT_TRUE(window.BookOpen());
        EXPECT_EQ(window.CurrentBookName(), "Welcome_txt.book");
    }
    EXPECT_EQ(BooksIn(folder_ / "Books"), books);
}

TEST_F(OpeningFilesTest, ABookIsOpenedAsItStandsWhateverItsName) {
    // A book under a text's name, outside the library: opened, never imported as text.
    const auto disguised = folder_ / "novel.txt";
    std::filesystem::copy_file(book_, disguised);
    ReaderWindow window(folder_.path());
    window.FirstStart(disguised);
    Settle();
    ASSERT_TRUE(window.errors.empty()) << window.errors[0].toStdString();
    ASSERT_TRUE(window.BookOpen());
    EXPECT_EQ(BooksIn(folder_ / "Books"), 1u) << "nothing was imported";
    EXPECT_EQ(window.CurrentBookName(), std::filesystem::absolute(disguised).string());
    window.NextPage();
    window.SaveSettings();
    const int32_t saved = SavedPosition(disguised);
    EXPECT_GT(saved, kBookTextStart) << "the reading position went into that file";

    // The next start finds it again by its whole path.
    window.close();
    ReaderWindow again(folder_.path());
    again.FirstStart();
    Settle();
    ASSERT_TRUE(again.BookOpen());
    EXPECT_EQ(again.CurrentBookName(), std::filesystem::absolute(disguised).string());
    EXPECT_EQ(again.booksAskedFor, 0);
}

TEST_F(OpeningFilesTest, ADocumentIsImportedAndOpenedAndAFailedOneKeepsTheBook) {
    const auto text = folder_ / "story.txt";
    test::WriteText(text, "A short story\n\nIt was a dark night, and the reader read on.\n");
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    ASSERT_EQ(window.OpenFile(text), 0);
    EXPECT_EQ(window.CurrentBookName(), "story_txt.book");
    EXPECT_TRUE(std::filesystem::exists(folder_ / "Books" / "story_txt.book"));

    // The book left was saved first; a damaged book named like a text is told as a book.
    std::vector<uint8_t> damaged = test::ReadBytes(book_);
    damaged.back() ^= 1;
    const auto bad = folder_ / "bad.txt";
    test::WriteBytes(bad, damaged);
    window.errors.clear();
    EXPECT_EQ(window.OpenFile(bad), 1);
    ASSERT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(window.errors[0], window.Text("Err01") + "\nbad.txt");
    EXPECT_EQ(window.CurrentBookName(), "story_txt.book");
}

TEST_F(OpeningFilesTest, TheOpenDialogTakesDocumentsToo) {
    const auto text = folder_ / "notes.txt";
    test::WriteText(text, "Notes\n\nThe first note.\n");
    ReaderWindow window(folder_.path());
    window.bookToChoose = text;
    window.FirstStart();
    Settle();
    EXPECT_EQ(window.booksAskedFor, 1);
    EXPECT_TRUE(window.BookOpen());
    EXPECT_EQ(window.CurrentBookName(), "notes_txt.book");
}

TEST_F(OpeningFilesTest, AnEmptyPageAboveTheTextReopensAtTheStartAndOneBelowAtTheEnd) {
    int32_t textEnd = 0;
    {
        test::OpenedBook opened(book_);
        textEnd = opened.header.textEnd;
    }
    {
        ReaderWindow window(folder_.path());
        window.FirstStart(book_);
        Settle();
        window.PrevPage();  // the first line leaves the page at its bottom
        ASSERT_TRUE(window.View().screenLines.empty());
        window.SaveSettings();
        EXPECT_EQ(SavedPosition(book_), kBookTextStart);
    }
    {
        ReaderWindow window(folder_.path());
        window.FirstStart();
        Settle();
        EXPECT_EQ(window.View().screenLines.front().line->startOffset, kBookTextStart);
        window.GoEnd();
        window.NextPage();  // the last line leaves the page at its top
        ASSERT_TRUE(window.View().screenLines.empty());
        window.SaveSettings();
        EXPECT_EQ(SavedPosition(book_), textEnd - 1);
    }
}

// The box the reader sees, read while it is up and then closed.
struct ShownBox {
    QString title;
    std::vector<QString> buttons;
};

ShownBox ShowAndRead(QWidget* parent, const WindowTexts& texts) {
    ShownBox shown;
    QTimer::singleShot(0, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        shown.title = box->windowTitle();
        for (QAbstractButton* button : box->buttons()) shown.buttons.push_back(button->text());
        box->done(0);
    });
    ShowMessageBox(parent, texts, QMessageBox::Critical, "Error", "text");
    return shown;
}

TEST(MessageBoxes, TitleAndButtonSpeakTheInterfaceLanguage) {
    LanguageDispatcher languages;
    struct Case {
        int language;
        const char* title;
        const char* ok;
    };
    const Case cases[] = {{kEnglish, "Error", "OK"},
                          {kGerman, "Fehler", "OK"},
                          {kSpanish, "Error", "Aceptar"},
                          {kRussian, "Ошибка", "OK"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        languages.SetActiveLanguage(c.language);
        const ShownBox shown = ShowAndRead(nullptr, languages.Window("AA_Main"));
        EXPECT_EQ(shown.title, QString::fromUtf8(c.title));
        ASSERT_EQ(shown.buttons.size(), 1u);
        EXPECT_EQ(shown.buttons[0], QString::fromUtf8(c.ok));
    }
}

}  // namespace
}  // namespace corvalin
