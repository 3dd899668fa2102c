#pragma once

#include <QCheckBox>
#include <QDialog>
#include <vector>

#include "import/ImportQuestions.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace corvalin {

class LanguageDispatcher;

// "Select All": grey while the members disagree; a click from grey or unticked ticks every
// member, a click from ticked unticks them all (never grey by a click).
class SelectAllBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override;
};

// The member list of an archive being imported: one row per member in archive order with a
// tick, its size and its stored name; "Select All"; OK, "Do Not Import", "Abort", "Import All".
// The window lives for the whole run and is filled anew for every archive.
class TAA_Files : public QDialog {
public:
    explicit TAA_Files(const LanguageDispatcher& languages, QWidget* parent = nullptr);

    // Shows the list modally and returns the button pressed; the ticks are written back into
    // the members. The caption is the import's ("Choose files in archive for unpacking - " and
    // the archive's name).
    MemberChoice ChooseMembers(std::vector<ListedMember>& members, const QString& caption);

    // The parts of ChooseMembers, for a caller that drives the dialog itself.
    void Attach(std::vector<ListedMember>& members, const QString& caption);
    MemberChoice Answer() const { return choice_; }

    QTreeWidget& List() { return *list_; }
    SelectAllBox& SelectAll() { return *checkBoxAll_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void ApplyTexts();
    void RowChanged(QTreeWidgetItem* item, int column);
    void SelectAllClicked();
    void ShowAgreement();
    void Finish(MemberChoice choice);

    const LanguageDispatcher& languages_;
    std::vector<ListedMember>* members_ = nullptr;
    MemberChoice choice_ = MemberChoice::DoNotImport;
    bool filling_ = false;

    QTreeWidget* list_;
    SelectAllBox* checkBoxAll_;
    QLabel* labelSelectAll_;
    QPushButton* buttonOK_;
    QPushButton* buttonSkip_;
    QPushButton* buttonAbort_;
    QPushButton* buttonImportAll_;
};

}  // namespace corvalin
