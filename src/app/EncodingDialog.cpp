#include "app/EncodingDialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "base/Utf.h"
#include "lang/Languages.h"
#include "platform/qt/FontFamilies.h"

namespace corvalin {
namespace {

constexpr int kPreviewFontPt = 12;
constexpr int kTextLeftPx = 4;
constexpr int kListWidthPx = 340;
constexpr int kStatusLeftPx = 8;
const QColor kPreviewGround(0xD1, 0xD3, 0xC5);
constexpr const char* kFileNameGap = "        ";
constexpr const char* kWindow = "AA_Encode";

QString FromUtf16(const std::u16string& text) {
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

}  // namespace

TVEMEncode::TVEMEncode(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName("VEMEncode");
    font_ = QFont(QString::fromStdString(DrawingFamilyFor("Courier New", true)));
    font_.setPointSize(kPreviewFontPt);
    lineHeightPx_ = std::max(1, QFontMetrics(font_).height());
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setSingleStep(lineHeightPx_);
    // Every paint draws the whole window: scrolling only asks for one.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

void TVEMEncode::SetPreview(EncodingPreview* preview) {
    preview_ = preview;
    Restart();
}

void TVEMEncode::Restart() {
    verticalScrollBar()->setValue(0);
    UpdateRange();
    viewport()->update();
}

int64_t TVEMEncode::FirstLine() const { return verticalScrollBar()->value() / lineHeightPx_; }

int TVEMEncode::VisibleLines() const {
    return std::max(1, (viewport()->height() + lineHeightPx_ - 1) / lineHeightPx_);
}

void TVEMEncode::UpdateRange() {
    QScrollBar& bar = *verticalScrollBar();
    const int64_t range = preview_ ? preview_->ScrollRange(lineHeightPx_) : 0;
    const int maximum = int(std::max<int64_t>(0, range - viewport()->height()));
    bar.setPageStep(std::max(lineHeightPx_, viewport()->height()));
    if (bar.maximum() != maximum) bar.setRange(0, maximum);
}

void TVEMEncode::ScrollLines(int64_t lines) {
    if (!preview_) return;
    // Lines further down are indexed first, so that the range reaches them.
    if (lines > 0) preview_->HasLine(size_t(FirstLine() + lines + VisibleLines()));
    UpdateRange();
    QScrollBar& bar = *verticalScrollBar();
    const int64_t target = int64_t(bar.value()) + lines * lineHeightPx_;
    bar.setValue(int(std::clamp<int64_t>(target, 0, bar.maximum())));
    viewport()->update();
}

void TVEMEncode::ScrollToEnd() {
    if (!preview_) return;
    preview_->IndexAll();
    UpdateRange();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void TVEMEncode::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), kPreviewGround);
    if (!preview_) return;
    painter.setFont(font_);
    painter.setPen(Qt::black);
    const int ascent = QFontMetrics(font_).ascent();
    const int64_t first = FirstLine();
    for (int row = 0; row < VisibleLines(); ++row) {
        const size_t line = size_t(first + row);
        if (!preview_->HasLine(line)) break;
        painter.drawText(kTextLeftPx, row * lineHeightPx_ + ascent, FromUtf16(preview_->LineText(line)));
    }
    UpdateRange();
}

void TVEMEncode::keyPressEvent(QKeyEvent* event) {
    const int64_t page = std::max(1, viewport()->height() / lineHeightPx_);
    switch (event->key()) {
        case Qt::Key_Up:
            ScrollLines(-1);
            break;
        case Qt::Key_Down:
            ScrollLines(1);
            break;
        case Qt::Key_PageUp:
            ScrollLines(-page);
            break;
        case Qt::Key_PageDown:
            ScrollLines(page);
            break;
        case Qt::Key_Home:
            verticalScrollBar()->setValue(0);
            viewport()->update();
            break;
        case Qt::Key_End:
            ScrollToEnd();
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    event->accept();
}

void TVEMEncode::wheelEvent(QWheelEvent* event) {
    const int notches = wheelNotches_.Take(*event);
    if (notches != 0) ScrollLines(-notches);
    event->accept();
}

void TVEMEncode::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateRange();
}

TAA_Encode::TAA_Encode(const VEMCodepage& codepages, const LanguageDispatcher& languages, QWidget* parent)
    : QDialog(parent),
      codepages_(codepages),
      languages_(languages),
      labelFile_(new QLabel(this)),
      preview_(new TVEMEncode(this)),
      list_(new QListWidget(this)),
      checkBoxParagraph_(new QCheckBox(this)),
      labelParagraph_(new QLabel(this)),
      buttonDetected_(new QPushButton(this)),
      buttonImport_(new QPushButton(this)),
      buttonSkip_(new QPushButton(this)),
      buttonAbort_(new QPushButton(this)),
      buttonImportAll_(new QPushButton(this)),
      statusCaption_(new QLabel(this)) {
    setObjectName("AA_Encode");
    labelFile_->setObjectName("LabelFile");
    list_->setObjectName("ListBoxCodepage");
    checkBoxParagraph_->setObjectName("CheckBoxParagraph");
    labelParagraph_->setObjectName("LabelParagraph");
    buttonDetected_->setObjectName("ButtonDetected");
    buttonImport_->setObjectName("ButtonImport");
    buttonSkip_->setObjectName("ButtonSkip");
    buttonAbort_->setObjectName("ButtonAbort");
    buttonImportAll_->setObjectName("ButtonImportAll");
    statusCaption_->setObjectName("StatusBar");

    for (const VEMCodepageObject& entry : codepages_.Entries())
        list_->addItem(QString::fromStdString(entry.name));
    list_->setFixedWidth(kListWidthPx);

    auto* middle = new QHBoxLayout;
    middle->addWidget(preview_, 1);
    middle->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(checkBoxParagraph_);
    buttons->addWidget(labelParagraph_);
    buttons->addStretch(1);
    buttons->addWidget(buttonDetected_);
    buttons->addSpacing(16);
    for (QPushButton* button : {buttonImport_, buttonSkip_, buttonAbort_, buttonImportAll_})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(labelFile_);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);
    layout->addWidget(statusCaption_);
    statusCaption_->setContentsMargins(kStatusLeftPx, 0, 0, 0);
    statusCaption_->setFont(QFont(QString::fromStdString(DrawingFamilyFor("Arial"))));

    buttonImport_->setDefault(true);
    connect(buttonImport_, &QPushButton::clicked, this, [this] { Finish(EncodingChoice::Import); });
    connect(buttonSkip_, &QPushButton::clicked, this, [this] { Finish(EncodingChoice::DoNotImport); });
    connect(buttonAbort_, &QPushButton::clicked, this, [this] { Finish(EncodingChoice::Abort); });
    connect(buttonImportAll_, &QPushButton::clicked, this, [this] { Finish(EncodingChoice::ImportAll); });
    connect(buttonDetected_, &QPushButton::clicked, this, [this] { SelectDetected(); });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { ListRowChanged(row); });
    auto* detectedKey = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(detectedKey, &QShortcut::activated, this, [this] { SelectDetected(); });
    labelParagraph_->installEventFilter(this);
    ApplyTexts();
}

void TAA_Encode::ApplyTexts() {
    const WindowTexts texts = languages_.Window(kWindow);
    const auto caption = [&](const char* component) {
        return QString::fromStdString(texts.Caption(component));
    };
    setWindowTitle(caption("TAA_Encode"));
    labelParagraph_->setText(caption("LabelParagraph"));
    buttonImport_->setText(caption("ButtonImport"));
    buttonSkip_->setText(caption("ButtonSkip"));
    buttonAbort_->setText(caption("ButtonAbort"));
    buttonImportAll_->setText(caption("ButtonImportAll"));
    buttonDetected_->setText(caption("ButtonDetected") + "  (F3)");
    statusCaption_->setText(QString::fromStdString(texts.GetText("TextCaption")));
}

void TAA_Encode::Attach(const EncodingQuestion& question) {
    ApplyTexts();
    document_ = &question.preview;
    choice_ = EncodingChoice::DoNotImport;
    labelFile_->setText(QString::fromStdString(languages_.GetText("AA_Main", "FileName")) +
                        QString::fromStdString(question.documentName) + kFileNameGap +
                        QString::fromStdString(languages_.GetText("AA_Main", "FileSize")) +
                        QString::number(question.documentSize));

    // The page the text suggests is marked; the selection stays the one the import opened on.
    const std::string detectedMark = languages_.GetText(kWindow, "TextDetected");
    detectedRow_ = -1;
    if (question.codePageListShown) {
        if (const auto& detected = document_->Detected()) detectedRow_ = codepages_.IndexOf(detected->number);
    }
    const auto& entries = codepages_.Entries();
    for (int row = 0; row < list_->count(); ++row) {
        QListWidgetItem* item = list_->item(row);
        QFont font = item->font();
        font.setBold(row == detectedRow_);
        item->setFont(font);
        item->setText(QString::fromStdString(entries[size_t(row)].name) +
                      (row == detectedRow_ ? QString::fromStdString("   - " + detectedMark) : QString()));
    }
    selecting_ = true;
    list_->setCurrentRow(codepages_.IndexOf(document_->CodePage()));
    if (list_->currentItem()) list_->scrollToItem(list_->currentItem(), QAbstractItemView::PositionAtCenter);
    selecting_ = false;
    list_->setVisible(question.codePageListShown);
    buttonDetected_->setVisible(question.codePageListShown);
    buttonDetected_->setEnabled(detectedRow_ >= 0);
    checkBoxParagraph_->setChecked(question.everyLineParagraph);

    // The preview starts from the top, decoding as it draws.
    document_->Redecode();
    preview_->SetPreview(document_);
}

EncodingAnswer TAA_Encode::Answer() const {
    return {choice_, document_ ? document_->CodePage() : 0, checkBoxParagraph_->isChecked()};
}

EncodingAnswer TAA_Encode::Ask(const EncodingQuestion& question, QWidget* cover) {
    Attach(question);
    if (cover) {
        setWindowState(cover->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
        setGeometry(cover->geometry());
    }
    preview_->setFocus();
    exec();
    const EncodingAnswer answer = Answer();
    preview_->SetPreview(nullptr);
    document_ = nullptr;
    return answer;
}

bool TAA_Encode::SelectCodePage(int32_t number) {
    const int row = codepages_.IndexOf(number);
    if (row < 0 || !document_) return false;
    if (list_->currentRow() == row) return true;
    list_->setCurrentRow(row);
    return true;
}

bool TAA_Encode::SelectDetected() {
    if (detectedRow_ < 0 || list_->isHidden()) return false;
    list_->setCurrentRow(detectedRow_);
    list_->scrollToItem(list_->currentItem());
    return true;
}

int32_t TAA_Encode::SelectedCodePage() const { return document_ ? document_->CodePage() : 0; }

void TAA_Encode::ListRowChanged(int row) {
    if (selecting_ || !document_ || row < 0 || size_t(row) >= codepages_.Entries().size()) return;
    const DocumentKind before = document_->Kind();
    if (!document_->SelectCodePage(codepages_.Entries()[size_t(row)].number)) return;
    // A text that reads as markup in the new page is converted as markup, one paragraph per
    // line; one that no longer does goes back to plain text.
    if (before != document_->Kind()) checkBoxParagraph_->setChecked(document_->Kind() == DocumentKind::Html);
    preview_->Restart();
}

void TAA_Encode::Finish(EncodingChoice choice) {
    choice_ = choice;
    done(int(choice));
}

bool TAA_Encode::eventFilter(QObject* watched, QEvent* event) {
    // The words beside the box tick it too.
    if (watched == labelParagraph_ && event->type() == QEvent::MouseButtonRelease) {
        checkBoxParagraph_->toggle();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace corvalin
