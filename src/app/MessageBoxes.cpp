#include "app/MessageBoxes.h"

#include <QAbstractButton>
#include <QPushButton>

#include "lang/Languages.h"

namespace corvalin {
namespace {

struct ButtonWord {
    QMessageBox::StandardButton button;
    const char* word;
};

constexpr ButtonWord kButtonWords[] = {
    {QMessageBox::Ok, "OK"},
    {QMessageBox::Cancel, "Cancel"},
    {QMessageBox::Yes, "Yes"},
    {QMessageBox::No, "No"},
    {QMessageBox::Abort, "Abort"},
    {QMessageBox::Retry, "Retry"},
    {QMessageBox::Ignore, "Ignore"},
    {QMessageBox::YesToAll, "Yes To All"},
    {QMessageBox::NoToAll, "No To All"},
    {QMessageBox::Help, "Help"},
};

}  // namespace

QString DialogWord(const WindowTexts& texts, const char* word) {
    const std::string text = texts.DialogCaption(word);
    return text.empty() ? QString(word) : QString::fromStdString(text);
}

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const WindowTexts& texts, QMessageBox::Icon icon,
                                           const char* titleWord, const QString& text,
                                           QMessageBox::StandardButtons buttons) {
    // A title has no access key.
    QMessageBox box(icon, DialogWord(texts, titleWord).remove('&'), text, buttons, parent);
    for (const ButtonWord& entry : kButtonWords)
        if (QAbstractButton* button = box.button(entry.button))
            button->setText(DialogWord(texts, entry.word));
    return QMessageBox::StandardButton(box.exec());
}

}  // namespace corvalin
