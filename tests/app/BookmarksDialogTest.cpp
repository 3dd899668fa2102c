// The bookmarks window and the go-to-percent window, driven as the reader drives them: the
// tool bar button of the main window, keys typed through the platform (so that shortcuts see
// them), clicks, and the confirmation box answered like a person would.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <functional>
#include <string>
#include <vector>

#include "app/BookmarksDialog.h"
#include "app/MainWindow.h"
#include "app/PercentDialog.h"
#include "app/ToolBar.h"
#include "app/WindowFixture.h"
#include "lang/LanguageNumbers.h"
#include "nav/PercentPosition.h"

namespace corvalin {
namespace {

using test::Settle;

// Keys reach a window's shortcuts once the platform has made it the active window, which it
// tells a little after the window shows. (QTest's own wait counts a dialog as active as soon as
// its owner is.)
bool WaitUntilActive(QWidget& window) {
    for (int round = 0; round < 200 && QApplication::activeWindow() != &window; ++round) QTest::qWait(5);
    return QApplication::activeWindow() == &window;
}

// Runs `act` on the modal window once it is up. A window `act` leaves open is closed after it,
// so a failed check never leaves the test waiting for a person.
void OnModal(std::function<void(QWidget&)> act) {
    QTimer::singleShot(0, [act] {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        if (!modal) {
            ADD_FAILURE() << "no modal window came up";
            return;
        }
        if (!WaitUntilActive(*modal)) ADD_FAILURE() << "the modal window never became active";
        act(*modal);
        if (modal && modal->isVisible())
            if (auto* dialog = qobject_cast<QDialog*>(modal.data())) dialog->reject();
    });
}

template <typename Window>
Window& As(QWidget& widget) {
    auto* window = dynamic_cast<Window*>(&widget);
    if (!window) throw std::logic_error("another window is up: " + widget.objectName().toStdString());
    return *window;
}

struct Row {
    std::string position;
    std::u16string text;
};

std::vector<Row> RowsOf(QTreeWidget& list) {
    std::vector<Row> rows;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        rows.push_back(
            {list.topLevelItem(i)->text(0).toStdString(), list.topLevelItem(i)->text(1).toStdU16String()});
    return rows;
}

void Select(QTreeWidget& list, int row) { list.setCurrentItem(list.topLevelItem(row)); }

// The answer a person gives to the confirmation box, and what the box said.
struct Answer {
    QMessageBox::StandardButton button;
    QString text;
    QString title;
    std::vector<QString> buttons;
};

void AnswerBox(Answer& answer) {
    OnModal([&answer](QWidget& widget) {
        auto& box = As<QMessageBox>(widget);
        answer.text = box.text();
        answer.title = box.windowTitle();
        for (QAbstractButton* button : box.buttons()) answer.buttons.push_back(button->text());
        box.button(answer.button)->click();
    });
}

// The tool bar button of a window, as the reader clicks it.
void Click(TAA_Bookmarks& window, const char* name) {
    auto* button = window.ToolBar1().findChild<QToolButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

// Keeps the process's locale as it was around a test that changes it.
struct LocaleGuard {
    QLocale before;
    ~LocaleGuard() { QLocale::setDefault(before); }
};

class BookmarksDialogTest : public test::GuideBookTest {
protected:
    void SetUp() override {
        GuideBookTest::SetUp();
        QLocale::setDefault(QLocale::c());
        window_ = std::make_unique<test::QuietReaderWindow>(folder_.path());
        window_->FirstStart(book_);
        Settle();
    }

    VEMRenderParag& View() { return window_->View(); }
    int64_t TopOffset() { return View().screenLines.at(0).line->startOffset; }
    int32_t TopRow() { return View().screenLines.at(0).line->y; }
    std::u16string Label(int32_t position) {
        return PositionPercentLabel(position, window_->Session().TextStart(), window_->Session().TextEnd(),
                                    u".");
    }
    // Bookmarks at the start, two pages on, and on the last page.
    void ThreeBookmarks() {
        window_->AddBookmark();
        window_->NextPage();
        window_->NextPage();
        window_->AddBookmark();
        window_->GoEnd();  // keeps the same place again
        window_->AddBookmark();
        ASSERT_EQ(window_->Bookmarks().Count(), 3u);
    }

    LocaleGuard locale_;
    std::unique_ptr<test::QuietReaderWindow> window_;
};

TEST_F(BookmarksDialogTest, TheBookmarksButtonListsEveryBookmarkWithItsPlaceAndFirstWords) {
    ThreeBookmarks();
    const int64_t top = TopOffset();
    QString title;
    std::vector<Row> rows;
    OnModal([&](QWidget& widget) {
        auto& dialog = As<TAA_Bookmarks>(widget);
        title = dialog.windowTitle();
        rows = RowsOf(dialog.ListView1());
        EXPECT_EQ(dialog.ListView1().selectedItems().size(), 0);
        EXPECT_TRUE(dialog.ListView1().hasFocus());
        QTest::keyClick(&dialog.ListView1(), Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible()) << "Esc closes";
    });
    window_->ToolBar().Button("ToolButton4")->trigger();

    EXPECT_EQ(title, "Bookmarks");
    const std::vector<Bookmark>& entries = window_->Bookmarks().Entries();
    ASSERT_EQ(rows.size(), entries.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(QString::fromStdU16String(Label(entries[i].position)).toStdString(), rows[i].position);
        EXPECT_EQ(rows[i].text, entries[i].label);
    }
    EXPECT_EQ(rows[0].position, "0%");
    EXPECT_EQ(rows[0].text.substr(0, 36), u"Welcome to Corvalindestrum This is a");
    EXPECT_EQ(TopOffset(), top) << "closed without going anywhere";
}

TEST_F(BookmarksDialogTest, SpaceOrADoubleClickGoesToTheSelectedBookmark) {
    ThreeBookmarks();
    const int32_t second = window_->Bookmarks().Entries()[1].position;
    OnModal([](QWidget& widget) {
        auto& dialog = As<TAA_Bookmarks>(widget);
        // Nothing selected: Space does nothing.
        QTest::keyClick(&dialog.ListView1(), Qt::Key_Space);
        ASSERT_TRUE(dialog.isVisible());
        Select(dialog.ListView1(), 1);
        QTest::keyClick(&dialog.ListView1(), Qt::Key_Space);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    });
    window_->ShowBookmarks();
    EXPECT_EQ(TopOffset(), second);
    EXPECT_EQ(TopRow(), 0) << "the bookmarked line at the top of the page";

    const int32_t first = window_->Bookmarks().Entries()[0].position;
    OnModal([](QWidget& widget) {
        QTreeWidget& list = As<TAA_Bookmarks>(widget).ListView1();
        const QPoint at(20, list.visualItemRect(list.topLevelItem(0)).center().y());
        // What a double click sends: a click, then the second press as a double click.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_FALSE(widget.isVisible());
    });
    window_->ShowBookmarks();
    EXPECT_EQ(TopOffset(), first);
    EXPECT_EQ(TopRow(), 0);
}

TEST_F(BookmarksDialogTest, EnterAddsDelDeletesAndDeletingAllIsAskedFirst) {
    window_->AddBookmark();  // the start
    window_->NextPage();     // the reading position has none yet
    Answer no{QMessageBox::No, {}, {}, {}};
    Answer yes{QMessageBox::Yes, {}, {}, {}};
    std::vector<size_t> counts;
    OnModal([&](QWidget& widget) {
        auto& dialog = As<TAA_Bookmarks>(widget);
        QTreeWidget& list = dialog.ListView1();
        counts.push_back(size_t(list.topLevelItemCount()));
        QTest::keyClick(&list, Qt::Key_Return);
        counts.push_back(size_t(list.topLevelItemCount()));
        QTest::keyClick(&list, Qt::Key_Enter);  // the same place again: nothing new
        counts.push_back(size_t(list.topLevelItemCount()));

        Select(list, 0);
        QTest::keyClick(&list, Qt::Key_Delete);
        counts.push_back(size_t(list.topLevelItemCount()));
        QTest::keyClick(&list, Qt::Key_Delete);  // nothing selected after the list is filled again
        counts.push_back(size_t(list.topLevelItemCount()));

        Click(dialog, "ToolButton1");
        Click(dialog, "ToolButton1");
        ASSERT_EQ(list.topLevelItemCount(), 1) << "one place, one bookmark";
        window_->NextPage();
        Click(dialog, "ToolButton1");
        counts.push_back(size_t(list.topLevelItemCount()));
        AnswerBox(no);
        Click(dialog, "ToolButton4");
        counts.push_back(size_t(list.topLevelItemCount()));
        AnswerBox(yes);
        Click(dialog, "ToolButton4");
        counts.push_back(size_t(list.topLevelItemCount()));
        EXPECT_TRUE(dialog.isVisible());
    });
    window_->ShowBookmarks();
    EXPECT_EQ(counts, (std::vector<size_t>{1, 2, 2, 1, 1, 2, 2, 0}));
    EXPECT_TRUE(window_->Bookmarks().Empty());
    EXPECT_EQ(no.text.toStdString(), "Are you sure, what you want to delete all bookmarks ?");
    EXPECT_EQ(no.title, "Confirm");
    EXPECT_EQ(no.buttons, (std::vector<QString>{"&Yes", "&No"}));
}

TEST_F(BookmarksDialogTest, TheControlsCarryTheirHintsCaptionsAndKeysInTheInterfaceLanguage) {
    TAA_Bookmarks& dialog = window_->BookmarksWindow();
    struct Button {
        const char* name;
        const char* hint;
    };
    // Left to right.
    const Button buttons[] = {
        {"ToolButton1", "Set Bookmark"},
        {"ToolButton2", "Go to Bookmark"},
        {"ToolButton6", "Go to to the Custom Position"},
        {"ToolButton3", "Delete Bookmark"},
        {"ToolButton4", "Deleta All Bookmarks"},
        {"ToolButton5", "Close"},
    };
    int x = -1;
    for (const Button& row : buttons) {
        SCOPED_TRACE(row.name);
        auto* button = dialog.ToolBar1().findChild<QToolButton*>(row.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->toolTip().toStdString(), row.hint);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_GT(button->x(), x);
        x = button->x();
    }
    struct Item {
        const char* name;
        const char* caption;
        std::vector<QKeySequence> keys;
    };
    const Item items[] = {
        {"AddBookmark1", "Add Bookmark", {QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Return)}},
        {"GotoBookmark1", "Goto Bookmark", {QKeySequence(Qt::Key_Space)}},
        {"DeleteBookmark1", "Delete Bookmark", {QKeySequence(Qt::Key_Delete)}},
        {"Close1", "Close Bookmarks", {QKeySequence(Qt::Key_Escape)}},
    };
    std::vector<std::string> order;
    for (QAction* action : dialog.PopupMenu1().actions())
        if (!action->isSeparator()) order.push_back(action->objectName().toStdString());
    std::vector<std::string> expected;
    for (const Item& row : items) {
        SCOPED_TRACE(row.name);
        expected.push_back(row.name);
        QAction* item = dialog.Action(row.name);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text().toStdString(), row.caption);
        const QList<QKeySequence> keys = item->shortcuts();
        EXPECT_EQ(std::vector<QKeySequence>(keys.begin(), keys.end()), row.keys);
        EXPECT_TRUE(dialog.actions().contains(item)) << "the key acts anywhere in the window";
    }
    EXPECT_EQ(order, expected);

    QTreeWidget& list = dialog.ListView1();
    EXPECT_EQ(list.headerItem()->text(0), "Position");
    EXPECT_EQ(list.headerItem()->text(1), "Text");
    EXPECT_EQ(list.columnWidth(0), 80);
    EXPECT_EQ(list.columnWidth(1), 1280);
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(dialog.size(), QSize(640, 460));
    EXPECT_EQ(dialog.minimumSize(), QSize(320, 240));

    // Another language relabels the window at once.
    LanguageDispatcher languages;
    ReadingSession session;
    TAA_Percent percent(languages);
    TAA_Bookmarks french(session, percent, languages);
    languages.SetActiveLanguage(kFrench);
    EXPECT_EQ(french.windowTitle(), "Signets");
    EXPECT_EQ(french.Action("GotoBookmark1")->text(), "Aller au signet");
    EXPECT_EQ(french.ToolBar1().findChild<QToolButton*>("ToolButton4")->toolTip(),
              "Supprimer tous les signets");
    EXPECT_EQ(french.ListView1().headerItem()->text(1), "Texte");
    EXPECT_EQ(percent.windowTitle(), QString::fromUtf8("Saisir la nouvelle position dans le texte"));
    EXPECT_EQ(percent.BitBtn2().text(), "Annuler");
}

TEST_F(BookmarksDialogTest, TheTextColumnIsHighlightedOnlyWhileTheListHasTheFocus) {
    ThreeBookmarks();
    TAA_Bookmarks& dialog = window_->BookmarksWindow();
    dialog.show();
    ASSERT_TRUE(WaitUntilActive(dialog));
    QTreeWidget& list = dialog.ListView1();
    ASSERT_TRUE(list.hasFocus());
    // Selected without being the current row, which would add the style's focus frame.
    list.topLevelItem(1)->setSelected(true);
    const QRect cell = list.visualItemRect(list.topLevelItem(1)).adjusted(list.columnWidth(0), 0, 0, 0);
    const QPalette colours = list.palette();
    // The first columns of the cell hold no text: they show the fill alone.
    auto fillOf = [&] {
        const QImage picture = list.viewport()->grab().toImage();
        return QColor(picture.pixel(cell.left() + 1, cell.center().y()));
    };
    EXPECT_EQ(fillOf(), colours.color(QPalette::Active, QPalette::Highlight));
    // The words are drawn in the highlighted text colour (light on the dark fill here).
    const QImage picture = list.viewport()->grab().toImage();
    bool inked = false;
    for (int x = cell.left() + 2; x < cell.left() + 200 && !inked; ++x)
        for (int y = cell.top(); y < cell.bottom() && !inked; ++y) inked = qGray(picture.pixel(x, y)) > 230;
    EXPECT_TRUE(inked);
    ASSERT_GT(qGray(colours.color(QPalette::Active, QPalette::HighlightedText).rgb()), 230);

    list.clearFocus();
    Settle();
    ASSERT_FALSE(list.hasFocus());
    EXPECT_EQ(fillOf(), QColor(0xD1, 0xD3, 0xC5)) << "the list's colour while the focus is elsewhere";
    dialog.reject();
}

TEST_F(BookmarksDialogTest, TheToolBarFillerTakesTheWidthTheButtonsLeave) {
    TAA_Bookmarks& dialog = window_->BookmarksWindow();
    for (const int width : {640, 900, 320}) {
        SCOPED_TRACE(width);
        dialog.resize(width, 300);
        dialog.show();
        Settle();
        const int bar = dialog.ToolBar1().width();
        EXPECT_EQ(bar, width);
        EXPECT_EQ(dialog.PaintBox2().width(), bar - TAA_Bookmarks::kToolBarFixedWidth);
        const auto* close = dialog.ToolBar1().findChild<QToolButton*>("ToolButton5");
        EXPECT_EQ(close->geometry().right(), bar - 1) << "the close button at the right end";
        EXPECT_EQ(dialog.PaintBox2().palette().color(QPalette::Window), QColor(0x00, 0x3E, 0x56));
        dialog.reject();
    }
}

TEST_F(BookmarksDialogTest, ATypedPercentageFromTheBookmarksWindowIsGoneTo) {
    OnModal([](QWidget& widget) {
        auto& dialog = As<TAA_Bookmarks>(widget);
        OnModal([](QWidget& inner) {
            auto& percent = As<TAA_Percent>(inner);
            EXPECT_EQ(percent.Edit1().text(), "0") << "the text it was made with";
            percent.Edit1().setText("100");
            QTest::keyClick(&percent.Edit1(), Qt::Key_Return);
        });
        Click(dialog, "ToolButton6");
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    });
    window_->ShowBookmarks();
    ASSERT_FALSE(View().screenLines.empty());
    EXPECT_EQ(View().screenLines.front().line, View().lastUnit->lastLine) << "100% is the last line";
    EXPECT_EQ(TopRow(), 0);
    EXPECT_EQ(window_->BookmarksWindow().SelectedPosition, window_->Session().TextEnd() - 1);
}

TEST_F(BookmarksDialogTest, TheGaugeFillsInThePositionAndTheBookmarksWindowShowsWhatWasTypedLast) {
    window_->NextPage();
    OnModal([](QWidget& widget) {
        auto& percent = As<TAA_Percent>(widget);
        EXPECT_EQ(percent.Edit1().text(), "37.5");
        EXPECT_EQ(percent.LabelPercent().text(), "(0.0% - 100.0%)");
        EXPECT_EQ(percent.windowTitle(), "Enter New Text Position");
        EXPECT_TRUE(percent.Edit1().hasFocus());
        percent.Edit1().setText("0");
        percent.BitBtn1().click();
    });
    window_->GoToPercentDialog(37.5);
    EXPECT_EQ(TopOffset(), window_->Session().TextStart());
    EXPECT_EQ(TopRow(), 0);

    window_->NextPage();
    window_->NextPage();
    QString shown;
    OnModal([&shown](QWidget& widget) {
        auto& dialog = As<TAA_Bookmarks>(widget);
        OnModal([&shown](QWidget& inner) {
            shown = As<TAA_Percent>(inner).Edit1().text();
            QTest::keyClick(&As<TAA_Percent>(inner).Edit1(), Qt::Key_Escape);
        });
        Click(dialog, "ToolButton6");
        EXPECT_TRUE(dialog.isVisible()) << "a cancelled percentage leaves the list open";
    });
    const int64_t top = TopOffset();
    window_->ShowBookmarks();
    EXPECT_EQ(shown, "0") << "what was typed, not where the reader is";
    EXPECT_EQ(TopOffset(), top);
}

TEST_F(BookmarksDialogTest, OkIsOnlyForZeroToHundredAndEnterNeverLeavesWithAnotherValue) {
    TAA_Percent& percent = window_->PercentWindow();
    struct Case {
        const char* text;
        bool ok;
    };
    const Case cases[] = {{"0", true},    {"100", true}, {"37.5", true},  {"100.1", false}, {"-1", false},
                          {"abc", false}, {"", false},   {"12,5", false}, {" 12.5 ", true}};
    percent.show();
    Settle();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        percent.Edit1().setText(c.text);
        EXPECT_EQ(percent.BitBtn1().isEnabled(), c.ok);
    }
    // Enter on a value out of range is taken and changes nothing.
    percent.Edit1().setText("100.1");
    QTest::keyClick(&percent.Edit1(), Qt::Key_Return);
    EXPECT_TRUE(percent.isVisible());
    percent.Edit1().setText("55");
    QTest::keyClick(&percent.Edit1(), Qt::Key_Enter);
    EXPECT_FALSE(percent.isVisible());
    EXPECT_EQ(percent.result(), QDialog::Accepted);
    EXPECT_EQ(percent.PercentValue(), 55);

    // A system that writes a decimal comma.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    percent.show();
    Settle();
    EXPECT_EQ(percent.LabelPercent().text(), "(0,0% - 100,0%)");
    percent.Edit1().setText("12,5");
    EXPECT_TRUE(percent.BitBtn1().isEnabled());
    EXPECT_EQ(percent.PercentValue(), 12.5L);
    percent.Edit1().setText("12.5");
    EXPECT_FALSE(percent.BitBtn1().isEnabled());
    EXPECT_EQ(percent.PercentValue(), kNotAPercent);
    percent.SetPercentText(37.5);
    EXPECT_EQ(percent.Edit1().text(), "37,5") << "a filled-in position reads back";
    EXPECT_TRUE(percent.BitBtn1().isEnabled());
    percent.reject();
}

}  // namespace
}  // namespace corvalin
