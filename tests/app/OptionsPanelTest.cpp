// The options panel driven as the reader uses it: typed numbers, clicked radio buttons, the
// font, colour and profile dialogs answered by the test.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <deque>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include "app/CacheSizeBox.h"
#include "app/FontChooser.h"
#include "app/MainWindow.h"
#include "app/OptionsButtonFaces.h"
#include "app/OptionsPanel.h"
#include "app/ReadingSurface.h"
#include "app/ToolBar.h"
#include "app/WindowFixture.h"
#include "engine/StateDecision.h"
#include "layout/VEMRenderParag.h"
#include "platform/qt/FontFamilies.h"

namespace corvalin {
namespace {

using test::Settle;

// Answers the panel's dialogs from queues; an empty queue cancels.
struct Answers : PanelQuestions {
    std::deque<FontDescription> fonts;
    std::deque<uint32_t> colours;
    std::deque<ProfileAnswer> profiles;
    bool deleteAll = false;
    std::vector<ProfileDialogMode> profileModes;
    std::vector<bool> fixedPitchOnly;

    std::optional<FontDescription> AskFont(FontKind, const FontDescription&, bool fixedOnly) override {
        fixedPitchOnly.push_back(fixedOnly);
        if (fonts.empty()) return std::nullopt;
        FontDescription font = fonts.front();
        fonts.pop_front();
        return font;
    }
    std::optional<uint32_t> AskColour(uint32_t) override {
        if (colours.empty()) return std::nullopt;
        const uint32_t colour = colours.front();
        colours.pop_front();
        return colour;
    }
    std::optional<ProfileAnswer> AskProfile(ProfileDialogMode mode, std::vector<std::string>,
                                            const ProfileChecks&, std::string_view) override {
        profileModes.push_back(mode);
        if (profiles.empty()) return std::nullopt;
        ProfileAnswer answer = profiles.front();
        profiles.pop_front();
        return answer;
    }
    bool ConfirmDeleteAll(const QString&) override { return deleteAll; }
};

class OptionsPanelTest : public test::GuideBookTest {
protected:
    void SetUp() override {
        GuideBookTest::SetUp();
        window_.emplace(folder_.path());
        window_->FirstStart(book_);
        auto answers = std::make_unique<Answers>();
        answers_ = answers.get();
        Panel().SetQuestions(std::move(answers));
        // Counts the layouts and the fixed group's redraws the settings ask for.
        auto view = window_->Options().OnViewChanged;
        window_->Options().OnViewChanged = [this, view] {
            ++layouts_;
            view();
        };
        auto fixed = window_->Options().OnFixedChanged;
        window_->Options().OnFixedChanged = [this, fixed] {
            ++fixedRedraws_;
            fixed();
        };
        Settle();
    }

    PanelOptions& Panel() { return window_->OptionsPanel(); }
    VEMOptions& Options() { return window_->Options(); }
    template <typename T>
    T& Control(const char* name) {
        T* control = Panel().findChild<T*>(name);
        if (!control) throw std::logic_error(std::string("no control ") + name);
        return *control;
    }
    RadioGroup& Group(const char* name) { return Control<RadioGroup>(name); }
    void Type(const char* edit, const char* text) { Control<QLineEdit>(edit).setText(text); }

    std::optional<test::QuietReaderWindow> window_;
    Answers* answers_ = nullptr;
    int layouts_ = 0;
    int fixedRedraws_ = 0;
};

TEST_F(OptionsPanelTest, EditBoxesTakeOnlyNumbersInTheirRange) {
    struct Case {
        const char* edit;
        Setting setting;
        const char* typed;
        bool taken;
    };
    const Case cases[] = {
        {"Edit1", Setting::LinesPerSecond, "0", false},   {"Edit1", Setting::LinesPerSecond, "501", false},
        {"Edit1", Setting::LinesPerSecond, "500", true},  {"Edit1", Setting::LinesPerSecond, "fast", false},
        {"Edit2", Setting::CharsPerSecond, "1", true},    {"Edit10", Setting::SuperScrollLimit, "101", false},
        {"Edit8", Setting::FixedKerning, "-1000", true},  {"Edit8", Setting::FixedKerning, "-1001", false},
        {"Edit7", Setting::PropKerning, "-100", true},    {"Edit7", Setting::PropKerning, "-101", false},
        {"Edit3", Setting::PropPageMargins, "-1", false}, {"Edit9", Setting::ParagraphInterval, "100", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.edit) + " \"" + c.typed + "\"");
        const int32_t before = Options().Get(c.setting);
        Type(c.edit, c.typed);
        EXPECT_EQ(Options().Get(c.setting), c.taken ? QString(c.typed).toInt() : before);
        // The box keeps what was typed until the next full refresh.
        EXPECT_EQ(Control<QLineEdit>(c.edit).text().toStdString(), c.typed);
    }
    // The up-down arrows step through the same setting, within its range.
    Type("Edit1", "499");
    Control<QToolButton>("UpDownConst.Up").click();
    Control<QToolButton>("UpDownConst.Up").click();
    EXPECT_EQ(Options().Get(Setting::LinesPerSecond), 500);
    EXPECT_EQ(Control<QLineEdit>("Edit1").text(), "500");
}

TEST_F(OptionsPanelTest, EachChoiceSetsItsSettingAndThePanelShowsItBack) {
    struct Case {
        const char* group;
        int item;
        Setting setting;
        int32_t value;
    };
    const Case cases[] = {
        {"RadioGroupAuto", 1, Setting::AutoMode, kModePageDown},
        {"RadioGroupScrollMode", 0, Setting::ScrollMode, kScrollSoftware},
        {"RadioGroupAntialiasing", 3, Setting::Antialiasing, 3},
        {"RadioGroupTextFormating", 2, Setting::TextFormatting, 2},
        {"RadioGroupFontWidth", 1, Setting::Proportional, 0},
        {"RadioGroupTextMovement", 1, Setting::SmoothMovement, 0},
        {"RadioGroupCrop", 1, Setting::Crop, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.group) + " item " + std::to_string(c.item));
        Group(c.group).Item(c.item).click();
        EXPECT_EQ(Options().Get(c.setting), c.value);
        EXPECT_EQ(Group(c.group).ItemIndex(), c.item);
    }
    EXPECT_FALSE(window_->View().proportional) << "the fixed-width font is laid out";
    EXPECT_FALSE(window_->View().crop);
    Control<QRadioButton>("RadioButtonVar").click();
    EXPECT_FALSE(Options().IsSet(Setting::ConstantSpeed));
    EXPECT_FALSE(Control<QLineEdit>("Edit1").isEnabled());
    EXPECT_TRUE(Control<QLineEdit>("Edit2").isEnabled());
    // As the user picks an entry: the box shows it, then its handler runs.
    Control<QComboBox>("ComboBoxCacheSize").setCurrentIndex(7);
    Panel().ComboBoxCacheSizeClick(7);
    EXPECT_EQ(Options().Get(Setting::CacheSizeIndex), 7);
    EXPECT_EQ(Control<QComboBox>("ComboBoxCacheSize").currentIndex(), 7);
    // A refresh from outside (the speed keys) writes the boxes anew.
    window_->Faster();
    EXPECT_EQ(Control<QLineEdit>("Edit2").text().toInt(), Options().Get(Setting::CharsPerSecond));
}

TEST_F(OptionsPanelTest, TheUnusedFontGroupOnlyRedrawsItsButtonsButMarginsLayOutTheView) {
    ASSERT_TRUE(Options().IsSet(Setting::Proportional));
    const int layouts = layouts_, redraws = fixedRedraws_;
    answers_->colours.push_back(0x00FF00);
    Control<QToolButton>("SpeedButtonFixBackColor").click();
    EXPECT_EQ(Options().Get(Setting::FixedBackColor), 0x00FF00);
    EXPECT_EQ(fixedRedraws_, redraws + 1);
    EXPECT_EQ(layouts_, layouts) << "the fixed group is not in use";
    // The button shows the new colour.
    const QImage& glyph = Control<GlyphButton>("SpeedButtonFixBackColor").Glyph();
    EXPECT_EQ(glyph.pixelColor(glyph.width() - 2, 0), QColor(0, 0xFF, 0));

    Type("Edit5", "40");
    EXPECT_EQ(Options().Get(Setting::FixedPageMargins), 40);
    EXPECT_EQ(layouts_, layouts + 1);
    Type("Edit6", "7");
    EXPECT_EQ(layouts_, layouts + 2);

    // The proportional group is in use: its colour lays the page out with it.
    answers_->colours.push_back(0xFFFFFF);
    Control<QToolButton>("SpeedButtonPropBackColor").click();
    EXPECT_EQ(layouts_, layouts + 3);
    EXPECT_EQ(window_->View().backColour, 0xFFFFFFu);
    // A cancelled dialog changes nothing.
    Control<QToolButton>("SpeedButtonPropBackColor").click();
    EXPECT_EQ(layouts_, layouts + 3);
}

TEST_F(OptionsPanelTest, AProportionalFontGivesAParagraphIntervalOfAThirdOfItsSize) {
    for (auto [size, interval] : {std::pair{26, 8}, std::pair{20, 6}, std::pair{92, 30}}) {
        SCOPED_TRACE(size);
        FontDescription font = Options().FontOf(0);
        font.size = size;
        font.bold = true;
        answers_->fonts.push_back(font);
        Control<QToolButton>("SpeedButtonProp").click();
        EXPECT_EQ(Options().Get(Setting::PropFontSize), size);
        EXPECT_TRUE(Options().IsSet(Setting::PropBold));
        EXPECT_EQ(Options().Get(Setting::ParagraphInterval), interval);
        EXPECT_EQ(Control<QLineEdit>("Edit9").text().toInt(), interval);
    }
    // The fixed group keeps its paragraph interval and asks for fixed-pitch fonts unless any
    // font is allowed.
    FontDescription fixed = Options().FontOf(1);
    fixed.size = 30;
    answers_->fonts.push_back(fixed);
    Control<QToolButton>("SpeedButtonFix").click();
    EXPECT_EQ(Options().Get(Setting::FixedFontSize), 30);
    EXPECT_EQ(Options().Get(Setting::ParagraphInterval), 30);
    Control<QCheckBox>("CheckBox1").click();
    EXPECT_TRUE(Options().IsSet(Setting::AnyFontsAllowed));
    Control<QToolButton>("SpeedButtonFix").click();
    EXPECT_EQ(answers_->fixedPitchOnly, (std::vector<bool>{false, false, false, true, false}));
}

TEST_F(OptionsPanelTest, TheFontDialogKeepsAFamilyTheSystemLacksAndOffersFixedPitchFontsToTheFixedGroup) {
    const WindowTexts texts = window_->Languages().Window("AA_Main");
    FontChooser dialog(texts, &*window_);
    FontDescription start{"Family Of Another System", 200, 0x123456, true, false, true, false};
    dialog.Begin(start, false);
    EXPECT_EQ(dialog.FamilyList().item(0)->text(), "Family Of Another System");
    const FontDescription chosen = dialog.Chosen();
    EXPECT_EQ(chosen.name, start.name) << "kept unless another family is picked";
    EXPECT_EQ(chosen.size, FontChooser::kMaxSize);
    EXPECT_EQ(chosen.color, start.color);
    EXPECT_TRUE(chosen.bold);
    EXPECT_TRUE(chosen.underline);
    dialog.SizeBox().setValue(3);
    EXPECT_EQ(dialog.Chosen().size, FontChooser::kMinSize);

    const QStringList fixed = FontChooser::Families(true, {});
    ASSERT_FALSE(fixed.isEmpty()) << "the reader's own fixed-width substitutes are installed";
    for (const QString& family : fixed)
        EXPECT_TRUE(QFontDatabase::isFixedPitch(family) || IsMonospaceFamily(family.toStdString()))
            << family.toStdString();
    EXPECT_LT(fixed.size(), FontChooser::Families(false, {}).size());
}

TEST_F(OptionsPanelTest, TheLevelButtonsFollowWhatThePresentationAllows) {
    auto levelButton = [this](int n) -> QRadioButton& {
        return Control<QRadioButton>(("RadioButton" + std::to_string(n)).c_str());
    };
    const LevelAvailability scroll = AvailableLevels(4, 4, kModeScroll);
    ASSERT_TRUE(scroll.superScroll[1] && scroll.superScroll[3] && scroll.antiFlicker[4]);
    Panel().ReflectLevels(scroll);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(levelButton(1 + i).isEnabled(), scroll.superScroll[size_t(i)]) << i;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(levelButton(5 + i).isEnabled(), scroll.antiFlicker[size_t(i)]) << i;
    Panel().ReflectLevels(AvailableLevels(4, 4, kModeWave));
    EXPECT_TRUE(levelButton(1).isEnabled());
    for (int n = 2; n <= 4; ++n) EXPECT_FALSE(levelButton(n).isEnabled()) << "Wave: level " << n - 1;

    // The window does the same from the settings: Wave chosen, no level but "Disabled".
    Group("RadioGroupAuto").Item(kModeWave).click();
    EXPECT_EQ(Options().Get(Setting::AutoMode), kModeWave);
    for (int n = 2; n <= 4; ++n) EXPECT_FALSE(levelButton(n).isEnabled()) << n;
    EXPECT_TRUE(levelButton(1).isChecked());
    EXPECT_EQ(Options().Get(Setting::SuperScroll), 0);
}

TEST_F(OptionsPanelTest, ColourButtonCaptionsAreBlackOnLightAndWhiteOnDark) {
    struct Case {
        uint32_t colour;
        QColor caption;
    };
    for (const Case& c : {Case{0xFFFFFF, Qt::black}, Case{0x800000, Qt::white}, Case{0x00FFFF, Qt::black},
                          Case{0x0000FF, Qt::white}}) {
        SCOPED_TRACE(c.colour);
        QImage glyph(66, 16, QImage::Format_RGB888);
        glyph.fill(Qt::red);
        PaintColorButton(glyph, c.colour, "Background", QFont());
        const QColor swatch(c.colour & 0xFF, (c.colour >> 8) & 0xFF, c.colour >> 16);
        std::set<QRgb> face;
        for (int y = 0; y < glyph.height(); ++y)
            for (int x = 1; x < glyph.width() - 1; ++x) face.insert(glyph.pixel(x, y));
        EXPECT_EQ(face, (std::set<QRgb>{swatch.rgb(), c.caption.rgb()}));
        // The transparent column matches no pixel of the face, and is the lowest such colour.
        const QRgb left = glyph.pixel(0, glyph.height() - 1);
        EXPECT_FALSE(face.contains(left));
        // Black is the first candidate; with a black caption the next one, 0x000001, is red 1.
        EXPECT_EQ(left, c.caption == Qt::black ? qRgb(1, 0, 0) : qRgb(0, 0, 0));
        EXPECT_EQ(glyph.pixelColor(glyph.width() - 1, 0), QColor(Qt::red))
            << "the right column is left alone";
    }
    EXPECT_TRUE(CaptionInBlack(0xFFFFFF));
    EXPECT_FALSE(CaptionInBlack(0x800000));
}

TEST_F(OptionsPanelTest, TheFontSampleIsTheGroupsColoursReducedFromItsSupersampledSize) {
    Options().Set(Setting::PropBackColor, 0x000000);
    Options().Set(Setting::PropTextColor, 0xFF0000);     // blue
    Options().Set(Setting::PropHeadingColor, 0x0000FF);  // red
    Options().Set(Setting::Antialiasing, 3);
    const QImage& glyph = Control<GlyphButton>("SpeedButtonProp").Glyph();
    // Red in the first two fifths, blue after them, and mixtures from the reduction.
    auto inkOf = [&glyph](int from, int to, int (*channel)(QRgb)) {
        int ink = 0;
        for (int y = 0; y < glyph.height(); ++y)
            for (int x = from; x < to; ++x) ink += channel(glyph.pixel(x, y));
        return ink;
    };
    const int split = glyph.width() * 2 / 5;
    EXPECT_GT(inkOf(1, split - 4, [](QRgb p) { return qRed(p); }), 0);
    // The last heading letter may reach a letter's width past the split.
    EXPECT_EQ(inkOf(split + 30, glyph.width() - 1, [](QRgb p) { return qRed(p); }), 0);
    EXPECT_GT(inkOf(split + 30, glyph.width() - 1, [](QRgb p) { return qBlue(p); }), 0);
    bool mixed = false;
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = 1; x < glyph.width() - 1; ++x) {
            const int blue = qBlue(glyph.pixel(x, y));
            mixed = mixed || (blue > 0 && blue < 255);
        }
    EXPECT_TRUE(mixed) << "a 4x4 sample reduces to intermediate shades";
}

TEST_F(OptionsPanelTest, SpeedPriorityShowsTheSpeedValuesAndKeepsTheStoredOnes) {
    Group("RadioGroupScrollMode").Item(kScrollSoftware).click();
    Group("RadioGroupAntialiasing").Item(2).click();
    Group("RadioGroupAuto").Item(kModePageDown).click();
    Group("RadioGroupTextMovement").Item(0).click();
    Panel().ComboBoxCacheSizeClick(5);
    const SettingValues stored = Options().Values();
    ASSERT_EQ(stored.Get(Setting::ScrollMode), kScrollSoftware);

    Group("RadioGroupSearchMode").Item(1).click();
    EXPECT_FALSE(Options().IsSet(Setting::QualityPriority));
    EXPECT_EQ(Group("RadioGroupScrollMode").ItemIndex(), kScrollHardware);
    EXPECT_EQ(Group("RadioGroupAntialiasing").ItemIndex(), 0);
    EXPECT_EQ(Group("RadioGroupAuto").ItemIndex(), kModeScroll);
    EXPECT_EQ(Group("RadioGroupTextMovement").ItemIndex(), 1) << "Jump";
    EXPECT_TRUE(Control<QRadioButton>("RadioButton1").isChecked());
    EXPECT_EQ(Control<QComboBox>("ComboBoxCacheSize").currentIndex(), 0);
    for (const char* name : {"RadioGroupScrollMode", "RadioGroupAntialiasing", "RadioGroupAuto",
                             "RadioGroupTextMovement", "ComboBoxCacheSize"})
        EXPECT_FALSE(Control<QWidget>(name).isEnabled()) << name;
    // A click that reaches a guarded control anyway changes nothing.
    Group("RadioGroupAntialiasing").OnClick(3);
    EXPECT_EQ(Options().Get(Setting::Antialiasing), 2);
    for (Setting s : {Setting::ScrollMode, Setting::Antialiasing, Setting::AutoMode, Setting::SmoothMovement,
                      Setting::CacheSizeIndex})
        EXPECT_EQ(Options().Get(s), stored.Get(s)) << InfoOf(s).name;

    Group("RadioGroupSearchMode").Item(0).click();
    EXPECT_EQ(Group("RadioGroupScrollMode").ItemIndex(), kScrollSoftware);
    EXPECT_EQ(Group("RadioGroupAntialiasing").ItemIndex(), 2);
    EXPECT_EQ(Group("RadioGroupAuto").ItemIndex(), kModePageDown);
    EXPECT_EQ(Control<QComboBox>("ComboBoxCacheSize").currentIndex(), 5);
    EXPECT_TRUE(Control<QWidget>("RadioGroupScrollMode").isEnabled());
}

TEST_F(OptionsPanelTest, ChoosingABuiltInProfileRecoloursThePageAndTheFirstEntryResets) {
    const ProfileList& list = Panel().Profiles();
    ASSERT_FALSE(list.entries.empty());
    EXPECT_EQ(list.entries[0], "Reset All Settings by Default");
    const auto entry = std::find(list.entries.begin(), list.entries.end(), "Colors Blue/Cyan");
    ASSERT_NE(entry, list.entries.end());
    Panel().ComboBoxProfileChange(int(entry - list.entries.begin()));
    EXPECT_EQ(window_->View().backColour, 0x800000u);
    EXPECT_EQ(window_->View().textColour, 0xFFFF00u);
    // The colour buttons show the profile's colours: navy with a white caption.
    const QImage& back = Control<GlyphButton>("SpeedButtonPropBackColor").Glyph();
    EXPECT_EQ(back.pixelColor(back.width() - 2, 0), QColor(0, 0, 0x80));

    Type("Edit1", "321");
    Panel().ComboBoxProfileChange(0);
    EXPECT_EQ(window_->View().backColour, 0xA4BBB8u);
    EXPECT_EQ(Options().Get(Setting::LinesPerSecond), 50);
    EXPECT_EQ(Control<QLineEdit>("Edit1").text(), "50") << "the panel shows the reset values";
}

TEST_F(OptionsPanelTest, TheProfileButtonsAddModifyAndDeleteThroughTheDialog) {
    ProfileChecks backOnly;
    backOnly.set(FirstItemOf(ProfileGroup::ProportionalFont) + 3);  // "Background Color"
    answers_->profiles.push_back({"  Evening  ", backOnly});
    Control<QToolButton>("SpeedButtonProfileAdd").click();
    const ProfileList& list = Panel().Profiles();
    ASSERT_GE(list.selected, 1);
    EXPECT_EQ(list.entries[size_t(list.selected)], "Evening");
    EXPECT_EQ(Control<QComboBox>("ComboBoxProfile").currentText(), "Evening");

    answers_->profiles.push_back({"Night", backOnly});
    Control<QToolButton>("SpeedButtonProfileEdit").click();
    EXPECT_EQ(Control<QComboBox>("ComboBoxProfile").currentText(), "Night");
    EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "Evening"), 0);

    // Delete asks in its own mode; cancelling keeps the profile.
    Control<QToolButton>("SpeedButtonProfileDel").click();
    EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "Night"), 1);
    answers_->profiles.push_back({"Night", backOnly});
    Control<QToolButton>("SpeedButtonProfileDel").click();
    EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "Night"), 0);
    EXPECT_EQ(answers_->profileModes, (std::vector{ProfileDialogMode::Create, ProfileDialogMode::Modify,
                                                   ProfileDialogMode::Delete, ProfileDialogMode::Delete}));
    // Nothing selected: modify and delete ask nothing.
    Control<QToolButton>("SpeedButtonProfileDel").click();
    EXPECT_EQ(answers_->profileModes.size(), 4u);

    const size_t entries = list.entries.size();
    Control<QToolButton>("SpeedButtonProfileDelAll").click();
    EXPECT_EQ(list.entries.size(), entries) << "answered No";
    answers_->deleteAll = true;
    Control<QToolButton>("SpeedButtonProfileDelAll").click();
    EXPECT_EQ(list.entries, std::vector<std::string>{"Reset All Settings by Default"});
}

TEST_F(OptionsPanelTest, ANewProfileAndTheLanguageSurviveARestart) {
    ProfileChecks sizeOnly;
    sizeOnly.set(FirstItemOf(ProfileGroup::ProportionalFont) + 1);  // "Font Size"
    answers_->profiles.push_back({"Large", sizeOnly});
    Control<QToolButton>("SpeedButtonProfileAdd").click();
    Control<QComboBox>("ComboBoxLanguage").setCurrentIndex(2);  // French
    Panel().ComboBoxLanguageChange();
    window_->SaveSettings();
    window_.reset();

    test::QuietReaderWindow again(folder_.path());
    again.FirstStart(book_);
    const ProfileList& list = again.OptionsPanel().Profiles();
    EXPECT_EQ(std::count(list.entries.begin(), list.entries.end(), "Large"), 1);
    EXPECT_EQ(again.OptionsPanel().findChild<QComboBox*>("ComboBoxLanguage")->currentIndex(), 2);
    EXPECT_EQ(again.Languages().ActiveLanguage(), kFrench);
}

TEST_F(OptionsPanelTest, ALanguageChangeRelabelsThePanelTheToolBarAndTheMenu) {
    auto& language = Control<QComboBox>("ComboBoxLanguage");
    EXPECT_EQ(language.count(), 5);
    EXPECT_EQ(Control<QGroupBox>("GroupBox2").title(), "Proportional Font");
    language.setCurrentIndex(4);  // Russian
    Panel().ComboBoxLanguageChange();
    const WindowTexts russian = window_->Languages().Window("AA_Main");
    ASSERT_EQ(russian.Language(), kRussian);
    // Cyrillic letters are above U+0400.
    EXPECT_GE(Control<QGroupBox>("GroupBox2").title().at(0).unicode(), 0x400);
    // The longer Russian captions widen the panel instead of being cut.
    window_->ToggleOptionsPanel();
    QWidget& panel = Panel();
    panel.layout()->activate();
    EXPECT_GT(panel.width(), PanelOptions::kDesignWidth);
    for (const QAbstractButton* button : panel.findChildren<QAbstractButton*>()) {
        if (button->isVisibleTo(&panel) && !button->text().isEmpty()) {
            EXPECT_GE(button->width(), button->minimumSizeHint().width()) << button->text().toStdString();
        }
    }
    EXPECT_EQ(Control<QGroupBox>("GroupBox2").title().toStdString(), russian.Caption("GroupBox2"));
    EXPECT_NE(Control<QGroupBox>("GroupBox2").title(), "Proportional Font");
    EXPECT_EQ(Group("RadioGroupAntialiasing").Item(0).text().toStdString(),
              russian.Items("RadioGroupAntialiasing").front());
    EXPECT_EQ(window_->ToolBar().Button("ToolButton3")->toolTip().toStdString(), russian.Hint("ToolButton3"));
    EXPECT_EQ(window_->PopupMenu().findChild<QAction*>("Options1")->text().toStdString(),
              russian.GetText("Menu_05"));
    EXPECT_EQ(Control<QComboBox>("ComboBoxProfile").itemText(0).toStdString(),
              russian.GetText("ResetDefault"));
    EXPECT_EQ(window_->Languages().CharacterSet(), kEastEuropeCharset);

    language.setCurrentIndex(0);
    Panel().ComboBoxLanguageChange();
    EXPECT_EQ(Control<QGroupBox>("GroupBox2").title(), "Proportional Font");
    EXPECT_EQ(window_->ToolBar().Button("ToolButton3")->toolTip(), "Options");
    EXPECT_EQ(Control<QComboBox>("ComboBoxProfile").itemText(0), "Reset All Settings by Default");
}

TEST_F(OptionsPanelTest, NumStarOpensThePanelOverTheLowerPartOfThePageAndClosesIt) {
    window_->show();
    window_->activateWindow();
    Settle();
    QTest::keyClick(&*window_, Qt::Key_Asterisk, Qt::KeypadModifier);
    Settle();
    ASSERT_TRUE(window_->OptionsPanelOpen());
    EXPECT_TRUE(Panel().isVisible());
    EXPECT_TRUE(window_->ToolBar().Button("ToolButton3")->isChecked());
    const QRect area = window_->OptionsPanelArea();
    EXPECT_EQ(area.height(), PanelOptions::kDesignHeight);
    EXPECT_EQ(area.bottom(), window_->Surface().height() - 1);
    EXPECT_EQ(Panel().geometry().topLeft(), window_->Surface().mapTo(Panel().parentWidget(), area.topLeft()));
    EXPECT_TRUE(window_->Surface().hasFocus()) << "the page keeps the keys";

    QTest::keyClick(&*window_, Qt::Key_Asterisk, Qt::KeypadModifier);
    Settle();
    EXPECT_FALSE(window_->OptionsPanelOpen());
    EXPECT_FALSE(Panel().isVisible());
    // The tool bar button and the panel's own close button do the same.
    window_->ToolBar().Button("ToolButton3")->trigger();
    EXPECT_TRUE(Panel().isVisible());
    Control<QToolButton>("SpeedButtonClose").click();
    EXPECT_FALSE(Panel().isVisible());
    EXPECT_FALSE(window_->ToolBar().Button("ToolButton3")->isChecked());
}

TEST_F(OptionsPanelTest, TheCacheEntriesShowPagesAndMegabytesOfThePage) {
    CacheSizeBox box(nullptr);
    box.SetPageSize(800, 600);
    EXPECT_EQ(box.count(), 16);
    EXPECT_EQ(box.PagesText(0), "1");
    EXPECT_EQ(box.SizeText(0), "4 MB");  // 3.84 MB rounds up
    EXPECT_EQ(box.PagesText(15), "256");
    EXPECT_EQ(box.SizeText(15), "938 MB");
    box.SetPageSize(10, 10);
    EXPECT_EQ(box.SizeText(0), "1 MB") << "never less than 1";
}

}  // namespace
}  // namespace corvalin
