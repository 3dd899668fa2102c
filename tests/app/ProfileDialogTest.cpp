// The profile dialog clicked and typed into as the reader does, while it runs modally.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/ProfileDialog.h"
#include "lang/LanguageNumbers.h"
#include "lang/Languages.h"

namespace corvalin {
namespace {

struct Start {
    ProfileDialogMode mode = ProfileDialogMode::Create;
    std::vector<std::string> otherNames;
    ProfileChecks checks;
    std::string name;
};

// Runs the dialog and `act` inside it; a dialog `act` leaves open is cancelled, so a failed
// check never leaves the test waiting. Returns what Run returned.
bool RunAndAct(TAA_Profile& dialog, const Start& start, std::function<void()> act) {
    QTimer::singleShot(0, &dialog, [&dialog, act] {
        if (!dialog.isVisible()) ADD_FAILURE() << "the dialog is not up";
        act();
        if (dialog.isVisible()) dialog.reject();
    });
    return dialog.Run(start.mode, start.otherNames, start.checks, start.name);
}

template <typename Control>
Control& Find(QWidget& dialog, const char* name) {
    auto* control = dialog.findChild<Control*>(name);
    if (!control) throw std::logic_error(std::string("no control ") + name);
    return *control;
}

QCheckBox& Box(QWidget& dialog, const char* name) { return Find<QCheckBox>(dialog, name); }
QPushButton& Ok(QWidget& dialog) { return Find<QPushButton>(dialog, "ButtonOK"); }
void Click(QWidget& control) { QTest::mouseClick(&control, Qt::LeftButton); }

ProfileChecks ChecksOf(std::initializer_list<size_t> items) {
    ProfileChecks checks;
    for (size_t item : items) checks.set(item);
    return checks;
}

size_t ItemOf(ProfileGroup group, size_t index) { return FirstItemOf(group) + index; }

TEST(ProfileDialog, BoxesFollowTheClicksAsGroupsAndAllDecide) {
    LanguageDispatcher languages;
    TAA_Profile dialog(languages, nullptr);
    ProfileChecks shown;
    const bool ok = RunAndAct(dialog, {}, [&] {
        EXPECT_EQ(dialog.windowTitle(), "Create Profile");
        EXPECT_EQ(Ok(dialog).text(), "Create Profile");
        EXPECT_FALSE(Ok(dialog).isEnabled());

        // One item grays its group and "All".
        Click(Box(dialog, "CheckBoxA_0"));
        EXPECT_EQ(Box(dialog, "CheckBoxA_0").checkState(), Qt::Checked);
        EXPECT_EQ(Box(dialog, "CheckBoxA").checkState(), Qt::PartiallyChecked);
        EXPECT_EQ(Box(dialog, "CheckBoxAll").checkState(), Qt::PartiallyChecked);

        // Every item of the group ticks the group; "All" stays grayed while the groups differ.
        for (const char* name : {"CheckBoxA_1", "CheckBoxA_2", "CheckBoxA_3", "CheckBoxA_4", "CheckBoxA_5"})
            Click(Box(dialog, name));
        EXPECT_EQ(Box(dialog, "CheckBoxA").checkState(), Qt::Checked);
        EXPECT_EQ(Box(dialog, "CheckBoxB").checkState(), Qt::Unchecked);
        EXPECT_EQ(Box(dialog, "CheckBoxAll").checkState(), Qt::PartiallyChecked);

        // A click on the grayed "All" ticks everything; another clears everything.
        Click(Box(dialog, "CheckBoxAll"));
        EXPECT_EQ(Box(dialog, "CheckBoxAll").checkState(), Qt::Checked);
        for (const char* name :
             {"CheckBoxB", "CheckBoxC", "CheckBoxD", "CheckBoxB_5", "CheckBoxC_10", "CheckBoxD_10"})
            EXPECT_EQ(Box(dialog, name).checkState(), Qt::Checked) << name;
        Click(Box(dialog, "CheckBoxAll"));
        for (const char* name : {"CheckBoxA", "CheckBoxA_0", "CheckBoxD", "CheckBoxD_10"})
            EXPECT_EQ(Box(dialog, name).checkState(), Qt::Unchecked) << name;
        EXPECT_EQ(Box(dialog, "CheckBoxAll").checkState(), Qt::Unchecked);

        // A group box takes all its items with it, and leaves the others.
        Click(Box(dialog, "CheckBoxC"));
        EXPECT_EQ(Box(dialog, "CheckBoxC_0").checkState(), Qt::Checked);
        EXPECT_EQ(Box(dialog, "CheckBoxC_10").checkState(), Qt::Checked);
        EXPECT_EQ(Box(dialog, "CheckBoxD_0").checkState(), Qt::Unchecked);
        Click(Box(dialog, "CheckBoxC_1"));
        EXPECT_EQ(Box(dialog, "CheckBoxC").checkState(), Qt::PartiallyChecked);

        QTest::keyClicks(&Find<QLineEdit>(dialog, "Edit1"), "  Evening ");
        ASSERT_TRUE(Ok(dialog).isEnabled());
        shown = dialog.Checks();
        Click(Ok(dialog));
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(dialog.Name(), "Evening");
    ProfileChecks expected;
    for (size_t i = 0; i < ItemCountOf(ProfileGroup::ProportionalFont); ++i)
        if (i != 1) expected.set(ItemOf(ProfileGroup::ProportionalFont, i));
    EXPECT_EQ(dialog.Checks(), expected);
    EXPECT_EQ(shown, expected);
}

TEST(ProfileDialog, CaptionClickTogglesTheBoxBesideIt) {
    LanguageDispatcher languages;
    TAA_Profile dialog(languages, nullptr);
    RunAndAct(dialog, {}, [&] {
        Click(Find<QLabel>(dialog, "LabelB_3"));
        EXPECT_EQ(Box(dialog, "CheckBoxB_3").checkState(), Qt::Checked);
        EXPECT_EQ(Box(dialog, "CheckBoxB").checkState(), Qt::PartiallyChecked);
        Click(Find<QLabel>(dialog, "LabelB_3"));
        EXPECT_EQ(Box(dialog, "CheckBoxB_3").checkState(), Qt::Unchecked);

        // Group and "All" captions act as their boxes do.
        Click(Find<QLabel>(dialog, "LabelD"));
        EXPECT_EQ(Box(dialog, "CheckBoxD_10").checkState(), Qt::Checked);
        Click(Find<QLabel>(dialog, "LabelAll"));
        EXPECT_EQ(Box(dialog, "CheckBoxA_0").checkState(), Qt::Checked) << "grayed All becomes ticked";
    });
}

TEST(ProfileDialog, OkNeedsANameOfItsOwnAndSomethingTicked) {
    LanguageDispatcher languages;
    TAA_Profile dialog(languages, nullptr);
    const bool ok = RunAndAct(dialog, {ProfileDialogMode::Create, {"Night", "Day"}, {}, {}}, [&] {
        QLineEdit& edit = Find<QLineEdit>(dialog, "Edit1");
        QTest::keyClicks(&edit, "Morning");
        EXPECT_FALSE(Ok(dialog).isEnabled()) << "nothing ticked";
        Click(Box(dialog, "CheckBoxB_0"));
        EXPECT_TRUE(Ok(dialog).isEnabled());

        struct Row {
            const char* text;
            bool ok;
        };
        for (const Row& row : {Row{"", false}, Row{"   ", false}, Row{"Night", false}, Row{" Day ", false},
                               Row{"night", true}, Row{"DAY", true}}) {
            edit.clear();
            QTest::keyClicks(&edit, row.text);
            EXPECT_EQ(Ok(dialog).isEnabled(), row.ok) << '"' << row.text << '"';
        }
        // Enter presses OK only when it is enabled.
        edit.clear();
        QTest::keyClick(&edit, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        QTest::keyClicks(&edit, "night");
        QTest::keyClick(&edit, Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(dialog.Name(), "night");

    // Cancel says so, whatever was entered.
    EXPECT_FALSE(RunAndAct(dialog, {}, [&] { Click(Find<QPushButton>(dialog, "ButtonCancel")); }));
}

TEST(ProfileDialog, ModifyStartsFromTheProfileAndAcceptsItsOwnName) {
    LanguageDispatcher languages;
    TAA_Profile dialog(languages, nullptr);
    const ProfileChecks checks =
        ChecksOf({ItemOf(ProfileGroup::FixedFont, 2), ItemOf(ProfileGroup::Text, 4)});
    const bool ok = RunAndAct(dialog, {ProfileDialogMode::Modify, {"Night"}, checks, "Mine"}, [&] {
        EXPECT_EQ(dialog.windowTitle(), "Modify Profile");
        EXPECT_EQ(Find<QLineEdit>(dialog, "Edit1").text(), "Mine");
        EXPECT_EQ(Box(dialog, "CheckBoxD_2").checkState(), Qt::Checked);
        EXPECT_EQ(Box(dialog, "CheckBoxD").checkState(), Qt::PartiallyChecked);
        EXPECT_EQ(Box(dialog, "CheckBoxA").checkState(), Qt::Unchecked);
        ASSERT_TRUE(Ok(dialog).isEnabled());
        Click(Box(dialog, "CheckBoxD_2"));
        Click(Ok(dialog));
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(dialog.Name(), "Mine");
    EXPECT_EQ(dialog.Checks(), ChecksOf({ItemOf(ProfileGroup::Text, 4)}));

    // The next create starts empty, not from the profile just modified.
    RunAndAct(dialog, {}, [&] {
        EXPECT_EQ(Find<QLineEdit>(dialog, "Edit1").text(), "");
        EXPECT_EQ(Box(dialog, "CheckBoxB_4").checkState(), Qt::Unchecked);
        EXPECT_EQ(dialog.windowTitle(), "Create Profile");
    });
}

TEST(ProfileDialog, DeleteShowsTheProfileWithEveryBoxDisabledAndOkEnabled) {
    LanguageDispatcher languages;
    TAA_Profile dialog(languages, nullptr);
    const ProfileChecks checks = ChecksOf({ItemOf(ProfileGroup::ProportionalFont, 3)});
    const bool ok = RunAndAct(dialog, {ProfileDialogMode::Delete, {"Night"}, checks, "Colors"}, [&] {
        EXPECT_EQ(dialog.windowTitle(), "Delete Profile");
        EXPECT_EQ(Ok(dialog).text(), "Delete Profile");
        for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
            EXPECT_FALSE(box->isEnabled()) << box->objectName().toStdString();
        EXPECT_FALSE(Find<QLineEdit>(dialog, "Edit1").isEnabled());
        EXPECT_EQ(Find<QLineEdit>(dialog, "Edit1").text(), "Colors");
        EXPECT_EQ(Box(dialog, "CheckBoxC_3").checkState(), Qt::Checked);

        // Neither the boxes nor their captions change anything.
        Click(Box(dialog, "CheckBoxC_3"));
        Click(Find<QLabel>(dialog, "LabelC_4"));
        Click(Box(dialog, "CheckBoxAll"));
        EXPECT_EQ(Box(dialog, "CheckBoxC_3").checkState(), Qt::Checked);
        EXPECT_EQ(Box(dialog, "CheckBoxC_4").checkState(), Qt::Unchecked);
        ASSERT_TRUE(Ok(dialog).isEnabled());
        Click(Ok(dialog));
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(dialog.Checks(), checks);
}

TEST(ProfileDialog, LanguageChangeRelabelsEveryCaptionAndTheModeText) {
    LanguageDispatcher languages;
    TAA_Profile dialog(languages, nullptr);
    ASSERT_TRUE(languages.SetActiveLanguage(kRussian));
    RunAndAct(dialog, {ProfileDialogMode::Modify, {}, ChecksOf({0}), "Mine"}, [&] {
        EXPECT_EQ(dialog.windowTitle(), "Изменить профиль");
        EXPECT_EQ(Ok(dialog).text(), "Изменить профиль");
        EXPECT_EQ(Find<QLabel>(dialog, "LabelA").text(), "Свойства прокрутки");
        EXPECT_EQ(Find<QLabel>(dialog, "LabelD_10").text(), "Разрешены любые шрифты");
        EXPECT_EQ(Find<QLabel>(dialog, "LabelAll").text(), "Все свойства");
        EXPECT_EQ(Find<QPushButton>(dialog, "ButtonCancel").text(), "Отмена");

        // While the dialog is up, too; a language without texts keeps the ones shown.
        languages.SetActiveLanguage(kGerman);
        EXPECT_EQ(dialog.windowTitle(), "Profil ändern");
        EXPECT_EQ(Find<QLabel>(dialog, "LabelC_2").text(), "Schriftattribute");
        languages.SetActiveLanguage(kPortuguese);
        EXPECT_EQ(Find<QLabel>(dialog, "LabelC_2").text(), "Schriftattribute");
        EXPECT_EQ(dialog.windowTitle(), "Profil ändern");
    });
    // Captions come only from the table: a label without its row would stay blank.
    for (QLabel* label : dialog.findChildren<QLabel*>())
        EXPECT_FALSE(label->text().isEmpty()) << label->objectName().toStdString();
}

}  // namespace
}  // namespace corvalin
