// The member list and the password window, and the reader importing an archive through them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/ArchiveMembersDialog.h"
#include "app/PasswordDialog.h"
#include "app/ReaderImport.h"
#include "app/WindowFixture.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::Settle;
using ReaderWindow = test::QuietReaderWindow;
using ArchiveDialogsTest = test::GuideBookTest;

std::vector<ListedMember> ThreeMembers() {
    return {{{"one.txt", 120, false}, true},
            {{"dir/two.html", 4500, false}, true},
            {{"cover.jpg", 9, false}, false}};
}

std::vector<bool> Ticks(const std::vector<ListedMember>& members) {
    std::vector<bool> ticks;
    for (const ListedMember& listed : members) ticks.push_back(listed.selected);
    return ticks;
}

// Runs `act` on the modal dialog of type T once it is up.
template <typename T>
void WhenShown(std::function<void(T&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "the dialog is not up";
        act(*dialog);
    });
}

TEST_F(ArchiveDialogsTest, MemberListRowsAndTheThreeStatesOfSelectAll) {
    ReaderWindow window(folder_.path());
    TAA_Files& dialog = window.Importer().MembersWindow();
    std::vector<ListedMember> members = ThreeMembers();
    dialog.Attach(members, "Choose files in archive for unpacking - books.zip");

    EXPECT_EQ(dialog.windowTitle(), "Choose files in archive for unpacking - books.zip");
    QTreeWidget& list = dialog.List();
    ASSERT_EQ(list.topLevelItemCount(), 3);
    EXPECT_EQ(list.headerItem()->text(0), "Extract");
    EXPECT_EQ(list.headerItem()->text(2), "Filename");
    EXPECT_EQ(list.columnWidth(0), 80);
    EXPECT_EQ(list.topLevelItem(1)->text(1), "4500");
    EXPECT_EQ(list.topLevelItem(1)->text(2), "dir/two.html");
    EXPECT_EQ(list.topLevelItem(2)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(dialog.SelectAll().checkState(), Qt::PartiallyChecked) << "the members disagree";

    // Ticking the last row makes them agree.
    list.topLevelItem(2)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(Ticks(members), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(dialog.SelectAll().checkState(), Qt::Checked);
    // A click on the box unticks every member; one on its label ticks them again.
    dialog.SelectAll().click();
    EXPECT_EQ(Ticks(members), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(list.topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(dialog.SelectAll().checkState(), Qt::Unchecked);
    list.topLevelItem(0)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(dialog.SelectAll().checkState(), Qt::PartiallyChecked);
    QTest::mouseClick(dialog.findChild<QLabel*>("LabelSelectAll"), Qt::LeftButton);
    EXPECT_EQ(Ticks(members), (std::vector<bool>{true, true, true})) << "from grey a click ticks all";
    EXPECT_EQ(dialog.SelectAll().checkState(), Qt::Checked);
}

TEST_F(ArchiveDialogsTest, EachButtonOfTheMemberListAnswersAndTheListIsEmptiedAfter) {
    ReaderWindow window(folder_.path());
    TAA_Files& dialog = window.Importer().MembersWindow();
    struct Case {
        const char* button;
        MemberChoice choice;
    };
    const Case cases[] = {{"ButtonOK", MemberChoice::Ok},
                          {"ButtonSkip", MemberChoice::DoNotImport},
                          {"ButtonAbort", MemberChoice::Abort},
                          {"ButtonImportAll", MemberChoice::ImportAll}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        std::vector<ListedMember> members = ThreeMembers();
        const std::string button = c.button;
        WhenShown<TAA_Files>([button](TAA_Files& shown) {
            shown.List().topLevelItem(0)->setCheckState(0, Qt::Unchecked);
            shown.findChild<QPushButton*>(QString::fromStdString(button))->click();
        });
        EXPECT_EQ(dialog.ChooseMembers(members, "caption"), c.choice);
        EXPECT_EQ(Ticks(members), (std::vector<bool>{false, true, false}));
        EXPECT_EQ(dialog.List().topLevelItemCount(), 0);
    }
    // Escape is "Do Not Import".
    std::vector<ListedMember> members = ThreeMembers();
    WhenShown<TAA_Files>([](TAA_Files& shown) { shown.reject(); });
    EXPECT_EQ(dialog.ChooseMembers(members, "caption"), MemberChoice::DoNotImport);
}

TEST_F(ArchiveDialogsTest, PasswordWindowMasksTheEntryAnswersOnOkAndForgetsIt) {
    ReaderWindow window(folder_.path());
    TAA_Password& dialog = window.Importer().PasswordWindow();
    WhenShown<TAA_Password>([](TAA_Password& shown) {
        EXPECT_EQ(shown.windowTitle(), "Enter Archive Password");
        EXPECT_EQ(shown.ArchiveName().text(), "locked.rar");
        EXPECT_EQ(shown.MemberName().text(), "poem.txt");
        EXPECT_EQ(shown.Entry().echoMode(), QLineEdit::Password);
        QTest::mouseClick(shown.findChild<QLabel*>("LabelShowPassword"), Qt::LeftButton);
        EXPECT_EQ(shown.Entry().echoMode(), QLineEdit::Normal);
        QTest::keyClicks(&shown.Entry(), "s3cret");
        shown.findChild<QPushButton*>("ButtonOK")->click();
    });
    EXPECT_EQ(dialog.AskPassword("locked.rar", "poem.txt"), std::optional<std::string>("s3cret"));
    EXPECT_TRUE(dialog.Entry().text().isEmpty()) << "no password stays in the window";

    WhenShown<TAA_Password>([](TAA_Password& shown) {
        QTest::keyClicks(&shown.Entry(), "typed");
        shown.findChild<QPushButton*>("ButtonCancel")->click();
    });
    EXPECT_EQ(dialog.AskPassword("locked.rar", "poem.txt"), std::nullopt);
    EXPECT_TRUE(dialog.Entry().text().isEmpty());
}

TEST_F(ArchiveDialogsTest, TheLibraryImportOfAZipShowsTheMembersAndImportsThoseTicked) {
    if (std::system("command -v zip >/dev/null 2>&1") != 0) GTEST_SKIP() << "zip is not installed";
    const auto source = folder_ / "src";
    std::filesystem::create_directories(source);
    test::WriteText(source / "first.txt", "The first story\n");
    test::WriteText(source / "second.txt", "The second story\n");
    ASSERT_EQ(
        std::system(("cd '" + source.string() + "' && zip -q ../stories.zip first.txt second.txt").c_str()),
        0);
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    WhenShown<TAA_Files>([](TAA_Files& shown) {
        EXPECT_EQ(shown.windowTitle(), "Choose files in archive for unpacking - stories.zip");
        shown.List().topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        shown.findChild<QPushButton*>("ButtonOK")->click();
    });
    const std::vector<std::filesystem::path> books = window.ImportDocuments({folder_ / "stories.zip"});
    ASSERT_EQ(books.size(), 1u);
    EXPECT_EQ(books[0].filename(), "second_txt.book");
    EXPECT_EQ(window.encodingAsked, std::vector<std::string>{"second.txt"});
    EXPECT_TRUE(window.errors.empty());
    EXPECT_TRUE(std::filesystem::is_empty(folder_ / "Tmp"));
}

}  // namespace
}  // namespace corvalin
