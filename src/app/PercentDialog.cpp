#include "app/PercentDialog.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>

#include "lang/Languages.h"
#include "nav/PercentPosition.h"

namespace corvalin {
namespace {

constexpr const char* kWindow = "AA_Percent";
constexpr int kClientWidth = 294;
constexpr int kClientHeight = 66;

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

QString FieldText(long double percent) {
    return QString::fromStdU16String(
        PercentFieldText(percent, TAA_Percent::DecimalSeparator().toStdU16String()));
}

// The screen the dialog's owner is on, or the primary one.
const QScreen* ScreenOf(const QWidget* owner) {
    if (owner && owner->window()->screen()) return owner->window()->screen();
    return QGuiApplication::primaryScreen();
}

}  // namespace

TAA_Percent::TAA_Percent(LanguageDispatcher& languages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      languages_(languages),
      percentValue_(kNotAPercent),
      label_(new QLabel("Percent", this)),
      range_(new QLabel(this)),
      edit_(new QLineEdit("0", this)),
      ok_(new QPushButton("OK", this)),
      cancel_(new QPushButton("Cancel", this)) {
    setObjectName(kWindow);
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);
    label_->setObjectName("Label1");
    range_->setObjectName("LabelPercent");
    edit_->setObjectName("Edit1");
    ok_->setObjectName("BitBtn1");
    cancel_->setObjectName("BitBtn2");

    // The caption at the left and the range at the right, both above the field.
    edit_->setGeometry(8, 26, 170, 24);
    label_->setGeometry(8, 6, 170, 16);
    range_->setGeometry(8, 6, 170, 16);
    range_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ok_->setGeometry(190, 6, 96, 25);
    cancel_->setGeometry(190, 35, 96, 25);
    // Enter belongs to the field (below), never to a default button.
    ok_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(edit_, &QLineEdit::textChanged, this, [this] { Validate(); });
    edit_->installEventFilter(this);

    ApplyTexts(languages_.Window(kWindow));
    languages_.Bind(kWindow, [this](const WindowTexts& texts) { ApplyTexts(texts); });
    Validate();
}

TAA_Percent::~TAA_Percent() { languages_.Unbind(kWindow); }

QString TAA_Percent::DecimalSeparator() { return QLocale().decimalPoint(); }

void TAA_Percent::SetPercentText(long double percent) { edit_->setText(FieldText(percent)); }

void TAA_Percent::ApplyTexts(const WindowTexts& texts) {
    // An empty translation keeps what the control shows.
    setWindowTitle(FromUtf8(TextToShow(windowTitle().toStdString(), texts.GetText("TextCaption"))));
    label_->setText(FromUtf8(TextToShow(label_->text().toStdString(), texts.Caption("Label1"))));
    ok_->setText(FromUtf8(TextToShow(ok_->text().toStdString(), texts.Caption("BitBtn1"))));
    cancel_->setText(FromUtf8(TextToShow(cancel_->text().toStdString(), texts.Caption("BitBtn2"))));
}

void TAA_Percent::Validate() {
    percentValue_ = ParsePercent(edit_->text().toStdU16String(), DecimalSeparator().toStdU16String());
    ok_->setEnabled(PercentAccepted(percentValue_));
}

void TAA_Percent::showEvent(QShowEvent* event) {
    // The range is no text of a language, but its numbers are written as the field reads them.
    range_->setText("(" + FieldText(0) + "% - " + FieldText(100) + "%)");
    Validate();
    if (const QScreen* screen = ScreenOf(parentWidget()))
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
    edit_->setFocus();
    edit_->selectAll();
}

bool TAA_Percent::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Taken either way: a number out of range leaves the dialog open and nothing else
            // hears the key.
            if (ok_->isEnabled()) accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace corvalin
