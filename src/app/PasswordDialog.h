#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace corvalin {

class LanguageDispatcher;

// "Enter Archive Password": the archive's and the member's names, the masked entry and "Show
// Password", OK and Cancel. The entry is emptied after every use, so no password stays in the
// window.
class TAA_Password : public QDialog {
public:
    explicit TAA_Password(const LanguageDispatcher& languages, QWidget* parent = nullptr);

    // Shows the dialog modally: the typed text on OK, nothing on Cancel.
    std::optional<std::string> AskPassword(const std::string& archiveName, const std::string& memberName);

    // The parts of AskPassword, for a caller that drives the dialog itself.
    void Attach(const std::string& archiveName, const std::string& memberName);
    std::optional<std::string> Answer() const { return answer_; }

    QLineEdit& Entry() { return *editPassword_; }
    QCheckBox& ShowPassword() { return *checkBoxShowPassword_; }
    QLabel& ArchiveName() { return *labelArchiveName_; }
    QLabel& MemberName() { return *labelMemberName_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void ApplyTexts();

    const LanguageDispatcher& languages_;
    std::optional<std::string> answer_;

    QLabel* labelPassword_;
    QLabel* labelArchive_;
    QLabel* labelArchiveName_;
    QLabel* labelFileName_;
    QLabel* labelMemberName_;
    QLineEdit* editPassword_;
    QCheckBox* checkBoxShowPassword_;
    QLabel* labelShowPassword_;
    QPushButton* buttonOK_;
    QPushButton* buttonCancel_;
};

}  // namespace corvalin
