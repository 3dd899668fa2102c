#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace corvalin {

class LanguageDispatcher;
class WindowTexts;

// "Enter New Text Position": asks for a place in the book as a percentage. The main window
// makes one at start-up and both callers share it, so the bookmarks window shows whatever was
// typed last; the gauge's caller puts the current position in first.
class TAA_Percent : public QDialog {
public:
    TAA_Percent(LanguageDispatcher& languages, QWidget* parent = nullptr);
    ~TAA_Percent() override;

    // The number the field held at its last change; kNotAPercent when it is not a number.
    long double PercentValue() const { return percentValue_; }
    // The field shows `percent` with one decimal, in the system's notation.
    void SetPercentText(long double percent);

    QLineEdit& Edit1() { return *edit_; }
    QPushButton& BitBtn1() { return *ok_; }
    QPushButton& BitBtn2() { return *cancel_; }
    QLabel& LabelPercent() { return *range_; }

    // The system's decimal separator, which the field is read and written with.
    static QString DecimalSeparator();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyTexts(const WindowTexts& texts);
    // The field as a number; OK only for 0 to 100.
    void Validate();

    LanguageDispatcher& languages_;
    long double percentValue_;
    QLabel* label_;
    QLabel* range_;
    QLineEdit* edit_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace corvalin
