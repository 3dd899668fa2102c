#include "app/OptionsPanel.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "app/CacheSizeBox.h"
#include "app/FontChooser.h"
#include "app/InformationBar.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "app/OptionsButtonFaces.h"
#include "app/ProfileDialog.h"
#include "app/ToolBar.h"
#include "lang/Languages.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

constexpr const char* kWindow = "AA_Main";
constexpr int kEditWidthPx = 38;
constexpr int kUpDownWidthPx = 14;
constexpr int kRowHeightPx = 20;
constexpr QSize kColourGlyph(94, 15);
constexpr QSize kFontGlyph(396, 18);
constexpr uint32_t kPanelColour = 0xA4BBB8;

const char* const kColourCaptions[4] = {"Color_0", "Color_1", "Color_2", "Color_3"};
const Setting kColourSettings[4] = {Setting::PropBackColor, Setting::PropTextColor, Setting::PropHeadingColor,
                                    Setting::PropFirstLetterColor};
const char* const kColourButtonNames[2][4] = {
    {"SpeedButtonPropBackColor", "SpeedButtonPropFontColor", "SpeedButtonPropFontColorHeader",
     "SpeedButtonPropFontColorFirstLetter"},
    {"SpeedButtonFixBackColor", "SpeedButtonFixFontColor", "SpeedButtonFixFontColorHeader",
     "SpeedButtonFixFontColorFirstLetter"},
};

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

void Tighten(QLayout& layout, int spacing = 1) {
    layout.setContentsMargins(3, 1, 3, 1);
    layout.setSpacing(spacing);
}

// An up-down control bound to its edit box: each arrow writes the next number of the range
// into the box, whose change does the rest.
QWidget* MakeUpDown(const char* name, QLineEdit& edit, int32_t minimum, int32_t maximum, QWidget* parent) {
    auto* upDown = new QWidget(parent);
    upDown->setObjectName(name);
    upDown->setFixedSize(kUpDownWidthPx, kRowHeightPx);
    auto* layout = new QVBoxLayout(upDown);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int step : {1, -1}) {
        auto* arrow = new QToolButton(upDown);
        arrow->setObjectName(QString(name) + (step > 0 ? ".Up" : ".Down"));
        arrow->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
        arrow->setFixedSize(kUpDownWidthPx, kRowHeightPx / 2);
        arrow->setAutoRepeat(true);
        layout->addWidget(arrow);
        QObject::connect(arrow, &QToolButton::clicked, &edit, [&edit, step, minimum, maximum] {
            bool ok = false;
            const int value = edit.text().toInt(&ok);
            edit.setText(QString::number(ok ? std::clamp(value + step, minimum, maximum) : minimum));
        });
    }
    return upDown;
}

// The dialogs a person answers.
class DialogQuestions final : public PanelQuestions {
public:
    // The profile dialog is made once and serves every mode.
    DialogQuestions(QWidget& parent, LanguageDispatcher& languages)
        : parent_(parent), languages_(languages), profileDialog_(new TAA_Profile(languages, &parent)) {}

    std::optional<FontDescription> AskFont(FontKind, const FontDescription& start,
                                           bool fixedPitchOnly) override {
        const WindowTexts texts = languages_.Window(kWindow);
        FontChooser dialog(texts, &parent_);
        return dialog.Run(start, fixedPitchOnly);
    }

    std::optional<uint32_t> AskColour(uint32_t colour) override {
        const QColor picked = QColorDialog::getColor(ColourOfValue(colour), &parent_, QString(),
                                                     QColorDialog::DontUseNativeDialog);
        if (!picked.isValid()) return std::nullopt;
        return ValueOfColour(picked);
    }

    std::optional<ProfileAnswer> AskProfile(ProfileDialogMode mode, std::vector<std::string> otherNames,
                                            const ProfileChecks& checks, std::string_view name) override {
        if (!profileDialog_->Run(mode, std::move(otherNames), checks, name)) return std::nullopt;
        return ProfileAnswer{profileDialog_->Name(), profileDialog_->Checks()};
    }

    bool ConfirmDeleteAll(const QString& question) override {
        return ShowMessageBox(&parent_, languages_.Window(kWindow), QMessageBox::Question, "Confirm",
                              question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }

private:
    QWidget& parent_;
    LanguageDispatcher& languages_;
    TAA_Profile* profileDialog_;
};

}  // namespace

RadioGroup::RadioGroup(const char* name, int items, bool horizontal, QWidget* parent)
    : QGroupBox(parent), group_(new QButtonGroup(this)) {
    setObjectName(name);
    QBoxLayout* layout = horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout(this)) : new QVBoxLayout(this);
    Tighten(*layout, 0);
    for (int i = 0; i < items; ++i) {
        auto* item = new QRadioButton(this);
        item->setObjectName(QString(name) + ".Item" + QString::number(i));
        items_.push_back(item);
        group_->addButton(item, i);
        layout->addWidget(item);
    }
    connect(group_, &QButtonGroup::idClicked, this, [this](int id) {
        if (OnClick) OnClick(id);
    });
}

int RadioGroup::ItemIndex() const { return group_->checkedId(); }

void RadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < Count()) items_[size_t(index)]->setChecked(true);
}

void RadioGroup::SetItems(const std::vector<std::string>& items) {
    for (size_t i = 0; i < items.size() && i < items_.size(); ++i) items_[i]->setText(FromUtf8(items[i]));
}

PanelOptions::PanelOptions(TAA_Main& window, LanguageDispatcher& languages, VEMOpt& profiles, QWidget* parent)
    : QWidget(parent),
      window_(window),
      options_(window.Options()),
      languages_(languages),
      profiles_(profiles),
      questions_(std::make_unique<DialogQuestions>(window, languages)) {
    setObjectName("PanelOptions");
    QPalette colours = palette();
    colours.setColor(QPalette::Window, ColourOfValue(kPanelColour));
    setPalette(colours);
    setAutoFillBackground(true);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    BuildControls();
    setFixedSize(kDesignWidth, kDesignHeight);
    ApplyTexts(languages_.Window(kWindow));
    languages_.Bind(kWindow, [this](const WindowTexts& texts) { ApplyTexts(texts); });
    RefreshProfileList({});
}

PanelOptions::~PanelOptions() { languages_.Unbind(kWindow); }

void PanelOptions::SetQuestions(std::unique_ptr<PanelQuestions> questions) {
    questions_ = std::move(questions);
}

QLabel* PanelOptions::AddLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}

RadioGroup* PanelOptions::AddRadioGroup(const char* name, int items, bool horizontal, QWidget* parent) {
    return new RadioGroup(name, items, horizontal, parent);
}

QLineEdit* PanelOptions::AddEdit(const char* name, const char* upDownName, Setting setting, int32_t invalid,
                                 bool speed, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFixedSize(kEditWidthPx, kRowHeightPx);
    const SettingInfo& info = InfoOf(setting);
    auto* upDown = MakeUpDown(upDownName, *edit, info.minimum, info.maximum, parent);
    // The arrows sit at the box's right, as one control.
    upDown->setParent(parent);
    edit->setProperty("upDown", QVariant::fromValue<QObject*>(upDown));
    edits_.push_back({edit, setting, invalid, speed});
    connect(edit, &QLineEdit::textChanged, this, [this, edit] { EditChange(*edit); });
    return edit;
}

namespace {

// An edit box with its up-down control in one row.
QWidget* EditWithUpDown(QLineEdit* edit) {
    auto* row = new QWidget(edit->parentWidget());
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* upDown = qobject_cast<QWidget*>(edit->property("upDown").value<QObject*>());
    edit->setParent(row);
    upDown->setParent(row);
    layout->addWidget(edit);
    layout->addWidget(upDown);
    return row;
}

}  // namespace

void PanelOptions::BuildControls() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->setSpacing(2);
    auto* columns = new QHBoxLayout;
    columns->setSpacing(3);
    columns->addWidget(BuildSpeedColumn());
    columns->addWidget(BuildModeColumn());
    columns->addWidget(BuildFontColumn(), 1);
    outer->addLayout(columns, 1);
    outer->addWidget(BuildBottomRow());
}

QWidget* PanelOptions::BuildSpeedColumn() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    auto* speed = new QGroupBox(column);
    speed->setObjectName("GroupBox1");
    auto* grid = new QGridLayout(speed);
    Tighten(*grid);
    auto* constant = new QRadioButton(speed);
    constant->setObjectName("RadioButtonConst");
    auto* variable = new QRadioButton(speed);
    variable->setObjectName("RadioButtonVar");
    grid->addWidget(constant, 0, 0);
    grid->addWidget(variable, 0, 1);
    grid->addWidget(AddLabel("LabelSpeedConst", speed), 1, 0);
    grid->addWidget(EditWithUpDown(AddEdit("Edit1", "UpDownConst", Setting::LinesPerSecond, 0, true, speed)),
                    1, 1);
    grid->addWidget(AddLabel("LabelSpeedVar", speed), 2, 0);
    grid->addWidget(EditWithUpDown(AddEdit("Edit2", "UpDownVar", Setting::CharsPerSecond, 0, true, speed)), 2,
                    1);
    layout->addWidget(speed);
    for (auto [button, value] : {std::pair{constant, 1}, std::pair{variable, 0}}) {
        connect(button, &QRadioButton::clicked, this, [this, value] {
            InHandler([this, value] {
                options_.Set(Setting::ConstantSpeed, value);
                if (options_.OnSpeedChanged) options_.OnSpeedChanged();
            });
        });
    }

    auto* limit = new QWidget(column);
    auto* limitLayout = new QGridLayout(limit);
    Tighten(*limitLayout, 0);
    limitLayout->addWidget(AddLabel("LabelS_0", limit), 0, 0);
    limitLayout->addWidget(AddLabel("LabelS_1", limit), 1, 0);
    limitLayout->addWidget(
        EditWithUpDown(AddEdit("Edit10", "UpDown8", Setting::SuperScrollLimit, -1, false, limit)), 0, 1, 2,
        1);
    layout->addWidget(limit);

    auto* levels = new QHBoxLayout;
    levels->setSpacing(2);
    for (auto [boxName, first, count, setting, buttons] :
         {std::tuple{"GroupBox4", 1, 4, Setting::SuperScroll, &superScroll_},
          std::tuple{"GroupBox5", 5, 5, Setting::AntiFlicker, &antiFlicker_}}) {
        auto* box = new QGroupBox(column);
        box->setObjectName(boxName);
        auto* boxLayout = new QVBoxLayout(box);
        Tighten(*boxLayout, 0);
        for (int i = 0; i < count; ++i) {
            auto* button = new QRadioButton(box);
            button->setObjectName("RadioButton" + QString::number(first + i));
            buttons->push_back(button);
            boxLayout->addWidget(button);
            connect(button, &QRadioButton::clicked, this,
                    [this, setting, i] { InHandler([this, setting, i] { options_.Set(setting, i); }); });
        }
        boxLayout->addStretch();
        levels->addWidget(box, 0);
    }
    layout->addLayout(levels);

    auto* priority = AddRadioGroup("RadioGroupSearchMode", 2, true, column);
    priority->OnClick = [this](int index) {
        InHandler([this, index] {
            // Both font samples are drawn anew and the effective values take over everywhere,
            // with the panel showing them: the last notification runs outside the handler.
            options_.BeginUpdate();
            options_.Set(Setting::QualityPriority, index == 0 ? 1 : 0);
            options_.Mark(kPendingAll);
            options_.SetInHandler(false);
            options_.EndUpdate();
        });
    };
    layout->addWidget(priority);

    auto* cache = new QHBoxLayout;
    cache->setSpacing(2);
    cache->addWidget(AddLabel("Label5", column));
    cacheBox_ = new CacheSizeBox(column);
    connect(cacheBox_, &QComboBox::activated, this, [this](int index) { ComboBoxCacheSizeClick(index); });
    cache->addWidget(cacheBox_, 1);
    layout->addLayout(cache);
    layout->addStretch();
    return column;
}

QWidget* PanelOptions::BuildModeColumn() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    const struct {
        const char* name;
        int items;
        bool horizontal;
        Setting setting;
        bool inverted;  // item 0 means true
    } groups[] = {
        {"RadioGroupAuto", 3, false, Setting::AutoMode, false},
        {"RadioGroupScrollMode", 3, false, Setting::ScrollMode, false},
        {"RadioGroupAntialiasing", 4, false, Setting::Antialiasing, false},
        {"RadioGroupTextMovement", 2, true, Setting::SmoothMovement, true},
        {"RadioGroupCrop", 2, true, Setting::Crop, true},
    };
    for (const auto& g : groups) {
        RadioGroup* group = AddRadioGroup(g.name, g.items, g.horizontal, column);
        group->OnClick = [this, setting = g.setting, inverted = g.inverted](int index) {
            InHandler([this, setting, inverted, index] {
                options_.Set(setting, inverted ? (index == 0 ? 1 : 0) : index);
            });
        };
        layout->addWidget(group);
    }
    layout->addStretch();
    return column;
}

QGroupBox* PanelOptions::BuildFontGroup(FontKind kind) {
    const bool proportional = kind == FontKind::Proportional;
    auto* box = new QGroupBox(this);
    box->setObjectName(proportional ? "GroupBox2" : "GroupBox3");
    auto* layout = new QVBoxLayout(box);
    Tighten(*layout);
    auto* sample = new GlyphButton(proportional ? "SpeedButtonProp" : "SpeedButtonFix", kFontGlyph, box);
    fontButtons_[size_t(kind)] = sample;
    connect(sample, &QToolButton::clicked, this, [this, kind] { FontButtonClick(kind); });
    layout->addWidget(sample);
    auto* colourRow = new QHBoxLayout;
    colourRow->setSpacing(1);
    for (int i = 0; i < 4; ++i) {
        auto* button = new GlyphButton(kColourButtonNames[size_t(kind)][i], kColourGlyph, box);
        colourButtons_[size_t(kind)][i] = button;
        connect(button, &QToolButton::clicked, this, [this, kind, i] { ColourButtonClick(kind, i); });
        colourRow->addWidget(button);
    }
    colourRow->addStretch();
    layout->addLayout(colourRow);

    // Labels of several words stand one word to a label, as the tables give them.
    auto labels = [this, box](std::initializer_list<const char*> names) {
        auto* row = new QHBoxLayout;
        row->setSpacing(3);
        for (const char* name : names) row->addWidget(AddLabel(name, box));
        return row;
    };
    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    const char* suffix = proportional ? "Prop" : "Fix";
    const std::string kerning = std::string("LabelKerning") + suffix;
    const std::string lines = std::string("LabelLines") + suffix + "_";
    const std::string margins = std::string("LabelMargins") + suffix + "_";
    grid->addLayout(labels({kerning.c_str()}), 0, 0);
    grid->addWidget(EditWithUpDown(AddEdit(
                        proportional ? "Edit7" : "Edit8", proportional ? "UpDown5" : "UpDown6",
                        FontSetting(kind, Setting::PropKerning), proportional ? -1000 : -10000, false, box)),
                    0, 1);
    grid->addLayout(labels({(margins + "0").c_str(), (margins + "1").c_str()}), 0, 2);
    grid->addWidget(
        EditWithUpDown(AddEdit(proportional ? "Edit3" : "Edit5", proportional ? "UpDown1" : "UpDown3",
                               FontSetting(kind, Setting::PropPageMargins), -1, false, box)),
        0, 3);
    grid->addLayout(labels({(lines + "0").c_str(), (lines + "1").c_str(), (lines + "2").c_str()}), 1, 0);
    grid->addWidget(
        EditWithUpDown(AddEdit(proportional ? "Edit4" : "Edit6", proportional ? "UpDown2" : "UpDown4",
                               FontSetting(kind, Setting::PropLineInterval), -1000, false, box)),
        1, 1);
    if (proportional) {
        grid->addLayout(labels({"LabelParagraphs_0", "LabelParagraphs_1", "LabelParagraphs_2"}), 1, 2);
        grid->addWidget(
            EditWithUpDown(AddEdit("Edit9", "UpDown7", Setting::ParagraphInterval, -1, false, box)), 1, 3);
    } else {
        auto* any = new QHBoxLayout;
        any->setSpacing(3);
        auto* check = new QCheckBox(box);
        check->setObjectName("CheckBox1");
        connect(check, &QCheckBox::clicked, this,
                [this](bool on) { InHandler([this, on] { options_.Set(Setting::AnyFontsAllowed, on); }); });
        any->addWidget(check);
        any->addWidget(AddLabel("LabelAnyFonts_0", box));
        any->addWidget(AddLabel("LabelAnyFonts_1", box));
        grid->addLayout(any, 1, 2, 1, 2);
    }
    grid->setColumnStretch(4, 1);
    layout->addLayout(grid);
    return box;
}

QWidget* PanelOptions::BuildFontColumn() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(BuildFontGroup(FontKind::Proportional));
    layout->addWidget(BuildFontGroup(FontKind::Fixed));
    // The two groups of the text's form share a row, the font groups taking the height.
    auto* form = new QHBoxLayout;
    form->setSpacing(2);
    for (auto [name, items, setting, inverted] :
         {std::tuple{"RadioGroupTextFormating", 3, Setting::TextFormatting, false},
          std::tuple{"RadioGroupFontWidth", 2, Setting::Proportional, true}}) {
        RadioGroup* group = AddRadioGroup(name, items, true, column);
        group->OnClick = [this, setting, inverted](int index) {
            InHandler([this, setting, inverted, index] {
                options_.Set(setting, inverted ? (index == 0 ? 1 : 0) : index);
            });
        };
        form->addWidget(group);
    }
    layout->addLayout(form);
    layout->addStretch();
    return column;
}

QWidget* PanelOptions::BuildBottomRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(AddLabel("LabelLanguage", row));
    languageBox_ = new QComboBox(row);
    languageBox_->setObjectName("ComboBoxLanguage");
    for (std::string_view entry : kLanguageListEntries) languageBox_->addItem(FromUtf8(std::string(entry)));
    languageBox_->setCurrentIndex(0);
    connect(languageBox_, &QComboBox::activated, this, [this] { ComboBoxLanguageChange(); });
    layout->addWidget(languageBox_);
    layout->addSpacing(6);
    layout->addWidget(AddLabel("LabelProfiles", row));
    profileBox_ = new QComboBox(row);
    profileBox_->setObjectName("ComboBoxProfile");
    profileBox_->setMinimumWidth(200);
    connect(profileBox_, &QComboBox::activated, this, [this](int index) { ComboBoxProfileChange(index); });
    layout->addWidget(profileBox_, 1);
    const struct {
        const char* name;
        const char* text;
        void (PanelOptions::*click)();
    } buttons[] = {
        {"SpeedButtonProfileAdd", "+", &PanelOptions::SpeedButtonProfileAddClick},
        {"SpeedButtonProfileEdit", "\u270E", &PanelOptions::SpeedButtonProfileEditClick},
        {"SpeedButtonProfileDel", "\u2212", &PanelOptions::SpeedButtonProfileDelClick},
        {"SpeedButtonProfileDelAll", "\u2715\u2715", &PanelOptions::SpeedButtonProfileDelAllClick},
    };
    for (const auto& b : buttons) {
        auto* button = new QToolButton(row);
        button->setObjectName(b.name);
        button->setText(QString::fromUtf8(b.text));
        button->setFixedHeight(kRowHeightPx + 2);
        connect(button, &QToolButton::clicked, this, [this, click = b.click] { (this->*click)(); });
        layout->addWidget(button);
    }
    layout->addSpacing(6);
    auto* help = new QToolButton(row);
    help->setObjectName("SpeedButton2");
    help->setFixedHeight(kRowHeightPx + 2);
    connect(help, &QToolButton::clicked, &window_, [this] { window_.OpenHelp(); });
    layout->addWidget(help);
    auto* close = new QToolButton(row);
    close->setObjectName("SpeedButtonClose");
    close->setText(QString::fromUtf8("\u2715"));
    close->setFixedHeight(kRowHeightPx + 2);
    connect(close, &QToolButton::clicked, &window_, [this] { window_.ToggleOptionsPanel(); });
    layout->addWidget(close);
    return row;
}

void PanelOptions::InHandler(const std::function<void()>& work) {
    if (options_.InHandler()) return;
    options_.SetInHandler(true);
    work();
    options_.SetInHandler(false);
}

void PanelOptions::EditChange(QLineEdit& edit) {
    const auto binding =
        std::find_if(edits_.begin(), edits_.end(), [&edit](const EditBinding& b) { return b.edit == &edit; });
    if (binding == edits_.end()) return;
    InHandler([this, &binding] {
        bool ok = false;
        int32_t value = binding->edit->text().trimmed().toInt(&ok);
        if (!ok) value = binding->invalid;
        const SettingInfo& info = InfoOf(binding->setting);
        // Out of range: the setting keeps its value, the box the typed text.
        if (value < info.minimum || value > info.maximum) return;
        options_.Set(binding->setting, value);
        if (binding->speed && options_.OnSpeedChanged) options_.OnSpeedChanged();
    });
}

void PanelOptions::ComboBoxCacheSizeClick(int index) {
    InHandler([this, index] { options_.Set(Setting::CacheSizeIndex, std::clamp(index, 0, 15)); });
}

void PanelOptions::FontButtonClick(FontKind kind) {
    const bool fixedOnly = kind == FontKind::Fixed && !options_.IsSet(Setting::AnyFontsAllowed);
    const std::optional<FontDescription> font =
        questions_->AskFont(kind, options_.FontOf(int(kind)), fixedOnly);
    if (!font) return;
    FontDescription chosen = *font;
    chosen.size = std::clamp<int32_t>(chosen.size, FontChooser::kMinSize, FontChooser::kMaxSize);
    // The colour, the name, the size and the style in one update; a proportional font then
    // takes a paragraph interval of a third of its size.
    options_.AssignFont(kind, chosen);
}

void PanelOptions::ColourButtonClick(FontKind kind, int which) {
    const Setting setting = FontSetting(kind, kColourSettings[which]);
    const std::optional<uint32_t> colour = questions_->AskColour(uint32_t(options_.Get(setting)));
    if (colour) options_.Set(setting, int32_t(*colour & 0xFFFFFF));
}

void PanelOptions::RefreshPanel() {
    const bool quality = options_.IsSet(Setting::QualityPriority);
    const bool constant = options_.IsSet(Setting::ConstantSpeed);
    const bool insideHandler = options_.InHandler();
    options_.SetInHandler(true);
    Named<QRadioButton>("RadioButtonConst")->setChecked(constant);
    Named<QRadioButton>("RadioButtonVar")->setChecked(!constant);
    for (const char* name : {"LabelSpeedConst", "Edit1", "UpDownConst"})
        Named<QWidget>(name)->setEnabled(constant);
    for (const char* name : {"LabelSpeedVar", "Edit2", "UpDownVar"})
        Named<QWidget>(name)->setEnabled(!constant);
    for (const char* name :
         {"RadioGroupAuto", "RadioGroupScrollMode", "RadioGroupAntialiasing", "RadioGroupTextMovement"})
        Named<QWidget>(name)->setEnabled(quality);
    cacheBox_->setEnabled(quality);
    options_.SetInHandler(insideHandler);
    // The control being edited is not written over.
    if (insideHandler) return;

    options_.SetInHandler(true);
    for (const EditBinding& binding : edits_) {
        const QString text = QString::number(options_.Get(binding.setting));
        if (binding.edit->text() != text) binding.edit->setText(text);
    }
    Named<RadioGroup>("RadioGroupSearchMode")->SetItemIndex(quality ? 0 : 1);
    Named<RadioGroup>("RadioGroupAntialiasing")->SetItemIndex(options_.Effective(Setting::Antialiasing));
    Named<RadioGroup>("RadioGroupTextFormating")->SetItemIndex(options_.Get(Setting::TextFormatting));
    const int flicker = options_.Effective(Setting::AntiFlicker);
    if (flicker >= 0 && flicker < int(antiFlicker_.size())) antiFlicker_[size_t(flicker)]->setChecked(true);
    const int super = options_.Effective(Setting::SuperScroll);
    if (super >= 0 && super < int(superScroll_.size())) superScroll_[size_t(super)]->setChecked(true);
    Named<RadioGroup>("RadioGroupFontWidth")->SetItemIndex(options_.IsSet(Setting::Proportional) ? 0 : 1);
    Named<RadioGroup>("RadioGroupScrollMode")->SetItemIndex(options_.Effective(Setting::ScrollMode));
    Named<RadioGroup>("RadioGroupAuto")->SetItemIndex(options_.Effective(Setting::AutoMode));
    Named<RadioGroup>("RadioGroupTextMovement")
        ->SetItemIndex(options_.Effective(Setting::SmoothMovement) ? 0 : 1);
    Named<QCheckBox>("CheckBox1")->setChecked(options_.IsSet(Setting::AnyFontsAllowed));
    Named<RadioGroup>("RadioGroupCrop")->SetItemIndex(options_.IsSet(Setting::Crop) ? 0 : 1);
    int cache = options_.Effective(Setting::CacheSizeIndex);
    if (cache < 0 || cache > 15) {
        // Only a damaged store holds such an index.
        options_.Set(Setting::CacheSizeIndex, 0);
        cache = 0;
    }
    cacheBox_->setCurrentIndex(cache);
    options_.SetInHandler(false);
}

void PanelOptions::PaintGroupButtons(FontKind kind) {
    const WindowTexts texts = languages_.Window(kWindow);
    for (int i = 0; i < 4; ++i) {
        GlyphButton& button = *colourButtons_[size_t(kind)][i];
        PaintColorButton(button.Glyph(), uint32_t(options_.Get(FontSetting(kind, kColourSettings[i]))),
                         FromUtf8(texts.GetText(kColourCaptions[i])), font());
        button.ShowGlyph();
    }
    PaintFontButton(fontButtons_[size_t(kind)]->Glyph(), options_, kind);
    fontButtons_[size_t(kind)]->ShowGlyph();
}

void PanelOptions::ReflectLevels(const LevelAvailability& levels) {
    for (size_t i = 0; i < superScroll_.size(); ++i) superScroll_[i]->setEnabled(levels.superScroll[i]);
    for (size_t i = 0; i < antiFlicker_.size(); ++i) antiFlicker_[i]->setEnabled(levels.antiFlicker[i]);
}

void PanelOptions::SetPageSize(int32_t widthPx, int32_t heightPx) {
    cacheBox_->SetPageSize(widthPx, heightPx);
}

void PanelOptions::ApplyTexts(const WindowTexts& texts) {
    // Every component the table names, wherever it lives in the window: the panel's controls,
    // the tool bar's buttons.
    for (const LanguageAssignment& assignment : texts.Assignments()) {
        const QString name = FromUtf8(assignment.component);
        const QString text = FromUtf8(assignment.text);
        switch (assignment.section) {
            case LanguageSection::Caption:
                if (auto* group = findChild<QGroupBox*>(name, Qt::FindChildrenRecursively))
                    group->setTitle(text);
                else if (auto* button = findChild<QAbstractButton*>(name))
                    button->setText(text);
                else if (auto* label = findChild<QLabel*>(name))
                    label->setText(text);
                break;
            case LanguageSection::Hint:
                if (auto* control = findChild<QWidget*>(name)) control->setToolTip(text);
                if (QAction* action = window_.ToolBar().Button(assignment.component.c_str())) {
                    action->setToolTip(text);
                    action->setText(text);
                }
                break;
            case LanguageSection::Items: {
                const QString component = name.section('.', 0, 0);
                if (auto* group = findChild<RadioGroup*>(component))
                    group->SetItems(texts.Items(component.toStdString()));
                break;
            }
            default:
                break;
        }
    }
    // The context menu's items are texts of the string table.
    for (QAction* action : window_.PopupMenu().actions()) {
        const QString id = action->property("textId").toString();
        if (id.isEmpty()) continue;
        action->setText(FromUtf8(TextToShow(action->text().toStdString(), texts.GetText(id.toStdString()))));
    }
    FitToTexts();
}

void PanelOptions::FitToTexts() {
    // Russian captions run longer than the English ones the design was made for; the panel
    // grows until none of them is cut, and the window places it again.
    // The relabelled controls have only asked for a new layout, and the layouts above them
    // still hold the sizes of the old texts: forget every size held before asking.
    for (QWidget* control : findChildren<QWidget*>()) control->updateGeometry();
    for (QLayout* inner : findChildren<QLayout*>()) inner->invalidate();
    const int needed = layout() ? layout()->totalMinimumSize().width() : 0;
    const int width = std::max(kDesignWidth, needed);
    if (width == this->width()) return;
    setFixedSize(width, kDesignHeight);
    if (isVisible()) window_.PlaceOptionsPanel();
}

void PanelOptions::SelectLanguageEntry(int listIndex) {
    if (IsLanguageListIndex(listIndex)) languageBox_->setCurrentIndex(listIndex);
}

void PanelOptions::ComboBoxLanguageChange() {
    // The bound windows re-label themselves; what the program draws follows.
    languages_.ApplyListChoice(languageBox_->currentIndex());
    window_.SetLanguageIndex(languageBox_->currentIndex());
    RefreshProfileList({});
    window_.ToolBar().InfoBar().update();
    options_.SignalChange(kPendingAll);
}

void PanelOptions::RefreshProfileList(std::string_view selectName) {
    profileList_ =
        corvalin::RefreshProfileList(profiles_, languages_.GetText(kWindow, "ResetDefault"), selectName);
    profileBox_->clear();
    for (const std::string& entry : profileList_.entries) profileBox_->addItem(FromUtf8(entry));
    profileBox_->setCurrentIndex(profileList_.selected);
}

void PanelOptions::ComboBoxProfileChange(int index) {
    // No handler frame here: a profile changes many settings, and the panel must show them all.
    ChooseProfileEntry(options_, profiles_, profileList_, index);
}

std::vector<std::string> PanelOptions::ProfileNamesExcept(const VEMOpt* except) {
    std::vector<std::string> names;
    for (VEMOpt* profile = profiles_.First(); profile != nullptr; profile = profiles_.Next(profile))
        if (profile != except) names.push_back(profile->Value());
    return names;
}

VEMOpt* PanelOptions::SelectedProfile() {
    const int index = profileBox_->currentIndex();
    if (index < 1 || index >= int(profileList_.entries.size())) return nullptr;
    return FindProfile(profiles_, profileList_.entries[size_t(index)]);
}

void PanelOptions::SpeedButtonProfileAddClick() {
    const std::optional<ProfileAnswer> answer =
        questions_->AskProfile(ProfileDialogMode::Create, ProfileNamesExcept(nullptr), {}, {});
    if (!answer) return;
    if (VEMOpt* profile = AddProfile(profiles_, answer->name, options_, answer->checks))
        RefreshProfileList(profile->Value());
}

void PanelOptions::SpeedButtonProfileEditClick() {
    VEMOpt* profile = SelectedProfile();
    if (!profile) return;
    const std::string name = profile->Value();
    const std::optional<ProfileAnswer> answer = questions_->AskProfile(
        ProfileDialogMode::Modify, ProfileNamesExcept(profile), LoadProfileChecks(*profile), name);
    if (!answer) return;
    if (VEMOpt* stored = ModifyProfile(profiles_, profile, answer->name, options_, answer->checks))
        RefreshProfileList(stored->Value());
}

void PanelOptions::SpeedButtonProfileDelClick() {
    VEMOpt* profile = SelectedProfile();
    if (!profile) return;
    const std::string name = profile->Value();
    if (!questions_->AskProfile(ProfileDialogMode::Delete, ProfileNamesExcept(profile),
                                LoadProfileChecks(*profile), name))
        return;
    DeleteProfile(profile);
    RefreshProfileList({});
}

void PanelOptions::SpeedButtonProfileDelAllClick() {
    if (!questions_->ConfirmDeleteAll(FromUtf8(languages_.GetText(kWindow, "Ask00")))) return;
    DeleteAllProfiles(profiles_);
    RefreshProfileList({});
}

}  // namespace corvalin
