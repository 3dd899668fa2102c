#pragma once

#include <QAbstractScrollArea>
#include <QDialog>
#include <QPalette>
#include <functional>
#include <string>

#include "app/WheelNotches.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace corvalin {

class LanguageDispatcher;
class PreviewLines;
struct VEMBrowseFile;

// The opening lines of a book, one per line height, to pick author and title from with a
// click. The line under the mouse shows on green; the wheel scrolls a line a notch; keys do
// not scroll it and it never takes the focus from the fields.
class TVEMBookView : public QAbstractScrollArea {
public:
    static constexpr int kNoLine = -1;
    explicit TVEMBookView(QWidget* parent = nullptr);

    void SetLines(const PreviewLines* lines);
    int LineHeight() const { return lineHeight_; }
    // The line under the mouse while it is over the view (non-empty lines only), or kNoLine.
    int HoverLine() const { return hover_; }
    // The line at a point of the viewport, or kNoLine.
    int LineAt(const QPoint& viewportPoint) const;

    // A left click on a line.
    std::function<void(int line)> OnPick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateRange();
    void SetHover(int line);

    const PreviewLines* lines_ = nullptr;
    int lineHeight_ = 16;
    int hover_ = kNoLine;
    WheelNotches wheelNotches_;
};

// "Book Information": author and title of one book, typed or picked from its first lines.
class TAA_BookProp : public QDialog {
public:
    enum Field { kNoField = -1, kAuthorField = 0, kTitleField = 1 };

    TAA_BookProp(const LanguageDispatcher& languages, QWidget* parent = nullptr);

    // Fills the dialog for `entry` (kept until the dialog is shown again).
    void SetEntry(const VEMBrowseFile& entry);
    // What the fields hold, trimmed.
    std::u16string Author() const;
    std::u16string Title() const;

    // The field a picked line goes into (the one that had the focus last).
    int ActiveField() const { return active_; }
    // Copies the line into the marked field and moves the focus to the other one.
    void PickLine(int line);

    QLabel& LabelFile() { return *labelFile_; }
    QLineEdit& EditAuthor() { return *editAuthor_; }
    QLineEdit& EditTitle() { return *editTitle_; }
    TVEMBookView& View() { return *view_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Mark(int field);
    QString Text(const char* window, const char* id) const;

    const LanguageDispatcher& languages_;
    const VEMBrowseFile* entry_ = nullptr;
    QLabel* labelFile_;
    QLabel* labelAuthor_;
    QLabel* labelTitle_;
    QLineEdit* editAuthor_;
    QLineEdit* editTitle_;
    TVEMBookView* view_;
    QPushButton* buttonOK_;
    QPushButton* buttonCancel_;
    QPalette fieldPalette_;
    int active_ = kNoField;
};

}  // namespace corvalin
