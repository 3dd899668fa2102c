#include "app/ProfileDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <functional>
#include <utility>

#include "lang/Languages.h"

namespace corvalin {
namespace {

constexpr const char* kWindow = "AA_Profile";
// Item rows sit under their group's box, one box's width in.
constexpr int kItemIndentPx = 20;
constexpr int kGroupGapPx = 12;

// The title and OK text of each mode, in ProfileDialogMode order, with the English each starts
// from.
constexpr std::array<const char*, 3> kModeTextIds = {"ButCreate", "ButDelete", "ButEdit"};
constexpr std::array<const char*, 3> kModeTextsEnglish = {"Create Profile", "Delete Profile",
                                                          "Modify Profile"};

// A box that never changes its own state: a click (mouse, Space, or its caption) goes to the
// rules, and the window then shows what the rules decided.
class RuleCheckBox final : public QCheckBox {
public:
    RuleCheckBox(const QString& name, bool tristate, std::function<void()> onClick, QWidget* parent)
        : QCheckBox(parent), onClick_(std::move(onClick)) {
        setObjectName(name);
        setTristate(tristate);
    }

protected:
    void nextCheckState() override { onClick_(); }

private:
    std::function<void()> onClick_;
};

// A box's caption: a click on it counts as a click on the box, so a disabled box stays as it is.
class CaptionLabel final : public QLabel {
public:
    CaptionLabel(const QString& name, QCheckBox& box, QWidget* parent) : QLabel(parent), box_(box) {
        setObjectName(name);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) box_.click();
        QLabel::mouseReleaseEvent(event);
    }

private:
    QCheckBox& box_;
};

Qt::CheckState QtState(CheckState state) {
    switch (state) {
        case CheckState::Checked:
            return Qt::Checked;
        case CheckState::Grayed:
            return Qt::PartiallyChecked;
        case CheckState::Unchecked:
            break;
    }
    return Qt::Unchecked;
}

// "CheckBoxC_7" -> "LabelC_7": each box's caption is the label of the same letter and number.
QString CaptionNameOf(const QString& boxName) {
    QString name = boxName;
    return name.replace("CheckBox", "Label");
}

// A box and its caption side by side, `indent` pixels in.
QHBoxLayout* BoxRow(QCheckBox& box, QLabel& caption, int indent) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(indent, 0, 0, 0);
    row->addWidget(&box);
    row->addWidget(&caption, 1);
    return row;
}

const QScreen* ScreenOf(const QWidget* owner) {
    if (owner && owner->window()->screen()) return owner->window()->screen();
    return QGuiApplication::primaryScreen();
}

}  // namespace

TAA_Profile::TAA_Profile(LanguageDispatcher& languages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      languages_(languages),
      all_(new RuleCheckBox(
          "CheckBoxAll", true, [this] { Forward([this] { rules_.ClickAll(); }); }, this)),
      edit_(new QLineEdit(this)),
      ok_(new QPushButton(this)),
      cancel_(new QPushButton("Cancel", this)) {
    setObjectName(kWindow);
    setModal(true);
    for (size_t mode = 0; mode < modeTexts_.size(); ++mode) modeTexts_[mode] = kModeTextsEnglish[mode];

    edit_->setObjectName("Edit1");
    ok_->setObjectName("ButtonOK");
    cancel_->setObjectName("ButtonCancel");
    ok_->setDefault(true);
    connect(edit_, &QLineEdit::textChanged, this, [this] { NameEdited(); });
    connect(ok_, &QPushButton::clicked, this, [this] {
        if (rules_.OkEnabled()) accept();
    });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* nameLabel = new QLabel(this);
    nameLabel->setObjectName("LabelName");
    nameLabel->setBuddy(edit_);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(edit_, 1);

    // The groups stand in three columns: the two short ones above each other, then each font.
    auto* columns = new QGridLayout;
    columns->setHorizontalSpacing(kGroupGapPx * 2);
    std::array<QVBoxLayout*, 3> column{};
    for (size_t c = 0; c < column.size(); ++c) {
        column[c] = new QVBoxLayout;
        column[c]->setSpacing(2);
        columns->addLayout(column[c], 0, int(c), Qt::AlignTop);
    }
    constexpr std::array<const char*, kProfileGroupCount> kGroupBoxes = {"CheckBoxA", "CheckBoxB",
                                                                         "CheckBoxC", "CheckBoxD"};
    constexpr std::array<size_t, kProfileGroupCount> kGroupColumns = {0, 0, 1, 2};
    const auto items = ProfileItems();
    for (size_t group = 0; group < kProfileGroupCount; ++group) {
        const ProfileGroup which = ProfileGroup(group);
        QVBoxLayout* into = column[kGroupColumns[group]];
        if (!into->isEmpty()) into->addSpacing(kGroupGapPx);
        groups_[group] = new RuleCheckBox(
            kGroupBoxes[group], true, [this, which] { Forward([this, which] { rules_.ClickGroup(which); }); },
            this);
        auto* groupCaption = new CaptionLabel(CaptionNameOf(kGroupBoxes[group]), *groups_[group], this);
        QFont bold = groupCaption->font();
        bold.setBold(true);
        groupCaption->setFont(bold);
        into->addLayout(BoxRow(*groups_[group], *groupCaption, 0));
        for (size_t item = FirstItemOf(which); item < FirstItemOf(which) + ItemCountOf(which); ++item) {
            const QString boxName = items[item].checkBox;
            items_[item] = new RuleCheckBox(
                boxName, false, [this, item] { Forward([this, item] { rules_.ClickItem(item); }); }, this);
            into->addLayout(BoxRow(*items_[item],
                                   *new CaptionLabel(CaptionNameOf(boxName), *items_[item], this),
                                   kItemIndentPx));
        }
    }

    auto* allRow = BoxRow(*all_, *new CaptionLabel("LabelAll", *all_, this), 0);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(nameRow);
    layout->addSpacing(kGroupGapPx / 2);
    layout->addLayout(allRow);
    layout->addSpacing(kGroupGapPx / 2);
    layout->addLayout(columns);
    layout->addSpacing(kGroupGapPx);
    layout->addLayout(buttons);

    // English first, as the window was designed: a language without a text keeps it.
    const LanguageTable& table = languages_.Table(kWindow);
    ApplyLanguage(table, kEnglish);
    ApplyLanguage(table, languages_.ActiveLanguage());
    languages_.Bind(kWindow,
                    [this](const WindowTexts& texts) { ApplyLanguage(texts.Table(), texts.Language()); });
    Mirror();
}

TAA_Profile::~TAA_Profile() { languages_.Unbind(kWindow); }

bool TAA_Profile::Run(ProfileDialogMode mode, std::vector<std::string> otherNames,
                      const ProfileChecks& checks, std::string_view name) {
    rules_.Begin(mode, std::move(otherNames), checks, name);
    {
        // The field shows the name the rules start from; that is no edit of the reader's.
        const QSignalBlocker quiet(edit_);
        edit_->setText(QString::fromStdString(rules_.Name()));
    }
    ShowModeText();
    Mirror();
    return exec() == QDialog::Accepted;
}

std::string TAA_Profile::Name() const { return TrimProfileName(rules_.Name()); }

ProfileChecks TAA_Profile::Checks() const { return rules_.Checks(); }

void TAA_Profile::Forward(const std::function<void()>& click) {
    click();
    Mirror();
}

void TAA_Profile::NameEdited() {
    rules_.SetName(edit_->text().toStdString());
    Mirror();
}

void TAA_Profile::Mirror() {
    const bool editable = rules_.Editable();
    for (size_t item = 0; item < items_.size(); ++item) {
        items_[item]->setCheckState(QtState(rules_.Item(item)));
        items_[item]->setEnabled(editable);
    }
    for (size_t group = 0; group < groups_.size(); ++group) {
        groups_[group]->setCheckState(QtState(rules_.Group(ProfileGroup(group))));
        groups_[group]->setEnabled(editable);
    }
    all_->setCheckState(QtState(rules_.All()));
    all_->setEnabled(editable);
    edit_->setEnabled(editable);
    ok_->setEnabled(rules_.OkEnabled());
}

void TAA_Profile::ShowModeText() {
    const QString text = QString::fromStdString(modeTexts_[size_t(rules_.Mode())]);
    setWindowTitle(text);
    ok_->setText(text);
}

void TAA_Profile::ApplyLanguage(const LanguageTable& table, int language) {
    // An empty translation keeps what a control shows.
    for (QLabel* label : findChildren<QLabel*>()) {
        const std::string_view text =
            table.Text(LanguageSection::Caption, label->objectName().toStdString(), language);
        label->setText(QString::fromStdString(TextToShow(label->text().toStdString(), text)));
    }
    cancel_->setText(QString::fromStdString(TextToShow(
        cancel_->text().toStdString(), table.Text(LanguageSection::Caption, "ButtonCancel", language))));
    for (size_t mode = 0; mode < modeTexts_.size(); ++mode)
        modeTexts_[mode] =
            TextToShow(modeTexts_[mode], table.Text(LanguageSection::String, kModeTextIds[mode], language));
    ShowModeText();
}

void TAA_Profile::showEvent(QShowEvent* event) {
    if (const QScreen* screen = ScreenOf(parentWidget()))
        move(screen->availableGeometry().center() - QRect(QPoint(), sizeHint()).center());
    QDialog::showEvent(event);
    if (rules_.Editable()) {
        edit_->setFocus();
        edit_->selectAll();
    } else {
        ok_->setFocus();
    }
}

}  // namespace corvalin
