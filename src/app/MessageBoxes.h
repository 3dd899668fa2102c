#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace corvalin {

class WindowTexts;

// A window's message words in the interface language ("Error", "&Yes", ...), for the boxes the
// program shows; an empty row keeps the English word.
QString DialogWord(const WindowTexts& texts, const char* word);

// A modal message box whose title and buttons come from the interface language.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const WindowTexts& texts, QMessageBox::Icon icon,
                                           const char* titleWord, const QString& text,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok);

}  // namespace corvalin
