#include "app/PasswordDialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "lang/Languages.h"

namespace corvalin {
namespace {

constexpr const char* kWindow = "AA_Password";

}  // namespace

TAA_Password::TAA_Password(const LanguageDispatcher& languages, QWidget* parent)
    : QDialog(parent), languages_(languages) {
    setObjectName("AA_Password");
    setModal(true);
    const auto label = [this](const char* name) {
        auto* made = new QLabel(this);
        made->setObjectName(name);
        return made;
    };
    labelPassword_ = label("LabelPassword");
    labelArchive_ = label("LabelArchive");
    labelArchiveName_ = label("LabelArchiveName");
    labelFileName_ = label("LabelFileName");
    labelMemberName_ = label("LabelMemberName");
    labelShowPassword_ = label("LabelShowPassword");
    labelShowPassword_->installEventFilter(this);
    editPassword_ = new QLineEdit(this);
    editPassword_->setObjectName("EditPassword");
    editPassword_->setEchoMode(QLineEdit::Password);
    checkBoxShowPassword_ = new QCheckBox(this);
    checkBoxShowPassword_->setObjectName("CheckBoxShowPassword");
    buttonOK_ = new QPushButton(this);
    buttonOK_->setObjectName("ButtonOK");
    buttonOK_->setDefault(true);
    buttonCancel_ = new QPushButton(this);
    buttonCancel_->setObjectName("ButtonCancel");

    auto* grid = new QGridLayout(this);
    grid->addWidget(labelArchive_, 0, 0);
    grid->addWidget(labelArchiveName_, 0, 1);
    grid->addWidget(labelFileName_, 1, 0);
    grid->addWidget(labelMemberName_, 1, 1);
    grid->addWidget(labelPassword_, 2, 0);
    grid->addWidget(editPassword_, 2, 1);
    auto* showRow = new QHBoxLayout;
    showRow->addWidget(checkBoxShowPassword_);
    showRow->addWidget(labelShowPassword_);
    showRow->addStretch();
    grid->addLayout(showRow, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(buttonOK_);
    buttons->addWidget(buttonCancel_);
    grid->addLayout(buttons, 4, 0, 1, 2);
    setMinimumWidth(420);

    connect(checkBoxShowPassword_, &QCheckBox::toggled, this, [this](bool shown) {
        editPassword_->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    connect(buttonOK_, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttonCancel_, &QPushButton::clicked, this, &QDialog::reject);
    ApplyTexts();
}

void TAA_Password::ApplyTexts() {
    const WindowTexts texts = languages_.Window(kWindow);
    const auto caption = [&](const char* component) {
        return QString::fromStdString(texts.Caption(component));
    };
    setWindowTitle(caption("TAA_Password"));
    labelPassword_->setText(caption("LabelPassword"));
    labelArchive_->setText(caption("LabelArchive"));
    labelFileName_->setText(caption("LabelFileName"));
    labelShowPassword_->setText(caption("LabelShowPassword"));
    buttonOK_->setText(caption("ButtonOK"));
    buttonCancel_->setText(caption("ButtonCancel"));
}

void TAA_Password::Attach(const std::string& archiveName, const std::string& memberName) {
    ApplyTexts();
    labelArchiveName_->setText(QString::fromStdString(archiveName));
    labelMemberName_->setText(QString::fromStdString(memberName));
    editPassword_->clear();
    answer_.reset();
    editPassword_->setFocus();
}

std::optional<std::string> TAA_Password::AskPassword(const std::string& archiveName,
                                                     const std::string& memberName) {
    Attach(archiveName, memberName);
    exec();
    return answer_;
}

bool TAA_Password::eventFilter(QObject* watched, QEvent* event) {
    if (watched == labelShowPassword_ && event->type() == QEvent::MouseButtonRelease) {
        checkBoxShowPassword_->toggle();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAA_Password::done(int result) {
    if (result == QDialog::Accepted)
        answer_ = editPassword_->text().toStdString();
    else
        answer_.reset();
    editPassword_->clear();
    QDialog::done(result);
}

}  // namespace corvalin
