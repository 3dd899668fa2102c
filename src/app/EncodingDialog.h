#pragma once

#include <QAbstractScrollArea>
#include <QDialog>
#include <QFont>
#include <cstdint>

#include "app/WheelNotches.h"
#include "import/CodepageList.h"
#include "import/ImportQuestions.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace corvalin {

class LanguageDispatcher;

// The preview of the encoding dialog: the document's lines as the selected code page decodes
// them, black on a grey-green ground in a fixed-width font, one line height apart. Lines are
// decoded and indexed only as far as the window shows them (End indexes the whole document),
// and the scroll range grows as they are.
class TVEMEncode : public QAbstractScrollArea {
public:
    explicit TVEMEncode(QWidget* parent = nullptr);

    // The document to show, from its top; null shows nothing.
    void SetPreview(EncodingPreview* preview);
    // Back to the top after the document was decoded anew.
    void Restart();
    int LineHeight() const { return lineHeightPx_; }
    // The line at the top of the window.
    int64_t FirstLine() const;
    // Moves by whole lines (positive: towards the end), as the keys and the wheel do.
    void ScrollLines(int64_t lines);
    void ScrollToEnd();
    // The lines that fill the window, as they are drawn.
    int VisibleLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateRange();

    EncodingPreview* preview_ = nullptr;
    QFont font_;
    int lineHeightPx_ = 16;
    WheelNotches wheelNotches_;
};

// "Book Preview. Definition codepage of the text of the book": the document decoded in the
// selected code page, the code page list with the page the text suggests marked, "Every line -
// new paragraph", and the four answers. It covers the main window while it is shown.
class TAA_Encode : public QDialog {
public:
    TAA_Encode(const VEMCodepage& codepages, const LanguageDispatcher& languages, QWidget* parent = nullptr);

    // Shows the dialog modally over `cover` (its place and size) and returns the answer.
    EncodingAnswer Ask(const EncodingQuestion& question, QWidget* cover);

    // The parts of Ask, for a caller that drives the dialog itself: attach the document,
    // then read the answer once the dialog has closed.
    void Attach(const EncodingQuestion& question);
    EncodingAnswer Answer() const;

    // As a click in the list does: false for a page that is not listed.
    bool SelectCodePage(int32_t number);
    // Selects the page the text suggests (the button, F3); false when it suggests none.
    bool SelectDetected();
    int32_t SelectedCodePage() const;

    TVEMEncode& Preview() { return *preview_; }
    QListWidget& CodepageList() { return *list_; }
    QCheckBox& EveryLineParagraph() { return *checkBoxParagraph_; }
    QLabel& FileLabel() { return *labelFile_; }
    QPushButton& DetectedButton() { return *buttonDetected_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyTexts();
    void ListRowChanged(int row);
    void Finish(EncodingChoice choice);

    const VEMCodepage& codepages_;
    const LanguageDispatcher& languages_;
    EncodingPreview* document_ = nullptr;
    EncodingChoice choice_ = EncodingChoice::DoNotImport;
    int detectedRow_ = -1;
    bool selecting_ = false;

    QLabel* labelFile_;
    TVEMEncode* preview_;
    QListWidget* list_;
    QCheckBox* checkBoxParagraph_;
    QLabel* labelParagraph_;
    QPushButton* buttonDetected_;
    QPushButton* buttonImport_;
    QPushButton* buttonSkip_;
    QPushButton* buttonAbort_;
    QPushButton* buttonImportAll_;
    QLabel* statusCaption_;
};

}  // namespace corvalin
