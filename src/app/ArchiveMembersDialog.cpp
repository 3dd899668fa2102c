#include "app/ArchiveMembersDialog.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "lang/LanguageItemList.h"
#include "lang/Languages.h"

namespace corvalin {
namespace {

constexpr const char* kWindow = "AA_Files";
constexpr int kColumnWidthsPx[] = {80, 100, 430};
constexpr int kExtractColumn = 0;
constexpr int kSizeColumn = 1;
constexpr int kNameColumn = 2;

}  // namespace

void SelectAllBox::nextCheckState() {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

TAA_Files::TAA_Files(const LanguageDispatcher& languages, QWidget* parent)
    : QDialog(parent), languages_(languages) {
    setObjectName("AA_Files");
    setModal(true);
    list_ = new QTreeWidget(this);
    list_->setObjectName("ListView1");
    list_->setRootIsDecorated(false);
    list_->setColumnCount(3);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int column = 0; column < 3; ++column) list_->setColumnWidth(column, kColumnWidthsPx[column]);
    list_->setMinimumWidth(kColumnWidthsPx[0] + kColumnWidthsPx[1] + kColumnWidthsPx[2] + 24);

    checkBoxAll_ = new SelectAllBox(this);
    checkBoxAll_->setObjectName("CheckBoxAll");
    labelSelectAll_ = new QLabel(this);
    labelSelectAll_->setObjectName("LabelSelectAll");
    labelSelectAll_->installEventFilter(this);
    buttonOK_ = new QPushButton(this);
    buttonOK_->setObjectName("ButtonOK");
    buttonOK_->setDefault(true);
    buttonSkip_ = new QPushButton(this);
    buttonSkip_->setObjectName("ButtonSkip");
    buttonAbort_ = new QPushButton(this);
    buttonAbort_->setObjectName("ButtonAbort");
    buttonImportAll_ = new QPushButton(this);
    buttonImportAll_->setObjectName("ButtonImportAll");

    auto* selectRow = new QHBoxLayout;
    selectRow->addWidget(checkBoxAll_);
    selectRow->addWidget(labelSelectAll_);
    selectRow->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {buttonOK_, buttonSkip_, buttonAbort_, buttonImportAll_})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(selectRow);
    layout->addLayout(buttons);
    resize(680, 420);

    connect(list_, &QTreeWidget::itemChanged, this, &TAA_Files::RowChanged);
    connect(checkBoxAll_, &QCheckBox::clicked, this, &TAA_Files::SelectAllClicked);
    connect(buttonOK_, &QPushButton::clicked, this, [this] { Finish(MemberChoice::Ok); });
    connect(buttonSkip_, &QPushButton::clicked, this, [this] { Finish(MemberChoice::DoNotImport); });
    connect(buttonAbort_, &QPushButton::clicked, this, [this] { Finish(MemberChoice::Abort); });
    connect(buttonImportAll_, &QPushButton::clicked, this, [this] { Finish(MemberChoice::ImportAll); });
    ApplyTexts();
}

void TAA_Files::ApplyTexts() {
    const WindowTexts texts = languages_.Window(kWindow);
    const auto caption = [&](const char* component) {
        return QString::fromStdString(texts.Caption(component));
    };
    buttonOK_->setText(caption("ButtonOK"));
    buttonSkip_->setText(caption("ButtonSkip"));
    buttonAbort_->setText(caption("ButtonAbort"));
    buttonImportAll_->setText(caption("ButtonImportAll"));
    labelSelectAll_->setText(caption("LabelSelectAll"));
    // The column titles come from the list's collection row.
    const std::vector<std::string> titles = ParseItemList(
        std::string(texts.Table().Text(LanguageSection::Collection, "ListView1.Columns", texts.Language())));
    for (size_t column = 0; column < titles.size() && column < 3; ++column)
        if (!titles[column].empty())
            list_->headerItem()->setText(int(column), QString::fromStdString(titles[column]));
}

void TAA_Files::Attach(std::vector<ListedMember>& members, const QString& caption) {
    ApplyTexts();
    setWindowTitle(caption);
    members_ = &members;
    choice_ = MemberChoice::DoNotImport;
    filling_ = true;
    list_->clear();
    for (const ListedMember& listed : members) {
        auto* row = new QTreeWidgetItem(list_);
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        row->setCheckState(kExtractColumn, listed.selected ? Qt::Checked : Qt::Unchecked);
        row->setText(kSizeColumn, QString::number(listed.member.uncompressedSize));
        row->setTextAlignment(kSizeColumn, Qt::AlignRight | Qt::AlignVCenter);
        row->setText(kNameColumn, QString::fromStdString(listed.member.name));
    }
    filling_ = false;
    ShowAgreement();
    buttonOK_->setFocus();
}

MemberChoice TAA_Files::ChooseMembers(std::vector<ListedMember>& members, const QString& caption) {
    Attach(members, caption);
    exec();
    return choice_;
}

void TAA_Files::RowChanged(QTreeWidgetItem* item, int column) {
    if (filling_ || members_ == nullptr || column != kExtractColumn) return;
    const int row = list_->indexOfTopLevelItem(item);
    if (row < 0 || size_t(row) >= members_->size()) return;
    (*members_)[size_t(row)].selected = item->checkState(kExtractColumn) == Qt::Checked;
    ShowAgreement();
}

void TAA_Files::SelectAllClicked() {
    if (members_ == nullptr) return;
    const bool selected = checkBoxAll_->checkState() == Qt::Checked;
    filling_ = true;
    for (int row = 0; row < list_->topLevelItemCount(); ++row) {
        list_->topLevelItem(row)->setCheckState(kExtractColumn, selected ? Qt::Checked : Qt::Unchecked);
        (*members_)[size_t(row)].selected = selected;
    }
    filling_ = false;
}

void TAA_Files::ShowAgreement() {
    bool any = false;
    bool all = true;
    if (members_ != nullptr)
        for (const ListedMember& listed : *members_) {
            any = any || listed.selected;
            all = all && listed.selected;
        }
    checkBoxAll_->setCheckState(all ? Qt::Checked : any ? Qt::PartiallyChecked : Qt::Unchecked);
}

bool TAA_Files::eventFilter(QObject* watched, QEvent* event) {
    // The label is part of the box: a click on it is a click on the box.
    if (watched == labelSelectAll_ && event->type() == QEvent::MouseButtonRelease) {
        checkBoxAll_->click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAA_Files::Finish(MemberChoice choice) {
    choice_ = choice;
    accept();
}

void TAA_Files::done(int result) {
    // Closing the window (Escape, the frame's button) is "Do Not Import"; the list is emptied
    // so that nothing of this archive stays behind it.
    if (result != QDialog::Accepted) choice_ = MemberChoice::DoNotImport;
    filling_ = true;
    list_->clear();
    filling_ = false;
    members_ = nullptr;
    QDialog::done(result);
}

}  // namespace corvalin
