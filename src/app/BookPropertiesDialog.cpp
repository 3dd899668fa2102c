#include "app/BookPropertiesDialog.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "lang/Languages.h"
#include "library/Library.h"
#include "library/VEMBrowseFile.h"
#include "platform/qt/FontFamilies.h"

namespace corvalin {
namespace {

const QColor kViewBackground(0xD1, 0xD3, 0xC5);
const QColor kHoverBackground(0x00, 0xFF, 0x00);
const QColor kMarkedField(0x00, 0xFF, 0x00);
constexpr int kTextLeft = 4;

QString FromUtf16(std::u16string_view text) {
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

std::u16string ToUtf16(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

}  // namespace

TVEMBookView::TVEMBookView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName("VEMBookView");
    // Picking a line must leave the focus in the field it goes to.
    setFocusPolicy(Qt::NoFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont font(QString::fromStdString(DrawingFamilyFor("Courier New", true)), 12);
    viewport()->setFont(font);
    // The height of "A1" as a line of text takes it.
    lineHeight_ = std::max(1, QFontMetrics(font).height());
}

void TVEMBookView::SetLines(const PreviewLines* lines) {
    lines_ = lines;
    hover_ = kNoLine;
    verticalScrollBar()->setValue(0);
    UpdateRange();
    viewport()->update();
}

void TVEMBookView::UpdateRange() {
    const int count = lines_ ? lines_->Count() : 0;
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, count * lineHeight_ - viewport()->height()));
    bar->setSingleStep(lineHeight_);
    bar->setPageStep(std::max(1, viewport()->height()));
}

void TVEMBookView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateRange();
}

int TVEMBookView::LineAt(const QPoint& viewportPoint) const {
    if (!lines_ || viewportPoint.y() < 0) return kNoLine;
    const int line = (viewportPoint.y() + verticalScrollBar()->value()) / lineHeight_;
    return line < lines_->Count() ? line : kNoLine;
}

void TVEMBookView::SetHover(int line) {
    if (line != kNoLine && lines_ && lines_->Blank(line)) line = kNoLine;
    if (line == hover_) return;
    hover_ = line;
    viewport()->update();
}

void TVEMBookView::mouseMoveEvent(QMouseEvent* event) { SetHover(LineAt(event->position().toPoint())); }

bool TVEMBookView::viewportEvent(QEvent* event) {
    // Leaving the lines (for the scroll bar as well as out of the window) ends the highlight.
    if (event->type() == QEvent::Leave) SetHover(kNoLine);
    return QAbstractScrollArea::viewportEvent(event);
}

void TVEMBookView::scrollContentsBy(int, int) {
    // The line under a mouse that did not move is another one now.
    const QPoint mouse = viewport()->mapFromGlobal(QCursor::pos());
    if (hover_ != kNoLine && viewport()->rect().contains(mouse)) hover_ = LineAt(mouse);
    viewport()->update();
}

void TVEMBookView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int line = LineAt(event->position().toPoint());
    if (line != kNoLine && OnPick) OnPick(line);
}

void TVEMBookView::wheelEvent(QWheelEvent* event) {
    event->accept();
    const int notches = wheelNotches_.Take(*event);
    // Turned towards the user, the text moves on.
    verticalScrollBar()->setValue(verticalScrollBar()->value() - notches * lineHeight_);
}

void TVEMBookView::keyPressEvent(QKeyEvent* event) { event->ignore(); }

void TVEMBookView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), kViewBackground);
    if (!lines_) return;
    painter.setPen(Qt::black);
    const int scroll = verticalScrollBar()->value();
    const int first = std::max(0, (event->rect().top() + scroll) / lineHeight_);
    const int width = viewport()->width();
    for (int line = first; line < lines_->Count(); ++line) {
        const int top = line * lineHeight_ - scroll;
        if (top > event->rect().bottom()) break;
        const QRect rect(0, top, width, lineHeight_);
        if (line == hover_) painter.fillRect(rect, kHoverBackground);
        painter.drawText(rect.adjusted(kTextLeft, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         FromUtf16(lines_->Line(line)));
    }
}

TAA_BookProp::TAA_BookProp(const LanguageDispatcher& languages, QWidget* parent)
    : QDialog(parent),
      languages_(languages),
      labelFile_(new QLabel(this)),
      labelAuthor_(new QLabel(this)),
      labelTitle_(new QLabel(this)),
      editAuthor_(new QLineEdit(this)),
      editTitle_(new QLineEdit(this)),
      view_(new TVEMBookView(this)),
      buttonOK_(new QPushButton(this)),
      buttonCancel_(new QPushButton(this)) {
    setObjectName("AA_BookProp");
    labelFile_->setObjectName("LabelFile");
    labelAuthor_->setObjectName("LabelAuthor");
    labelTitle_->setObjectName("LabelTitle");
    editAuthor_->setObjectName("EditAuthor");
    editTitle_->setObjectName("EditTitle");
    buttonOK_->setObjectName("ButtonOK");
    buttonCancel_->setObjectName("ButtonCancel");
    buttonOK_->setDefault(true);
    buttonOK_->setAutoDefault(false);
    buttonCancel_->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(labelAuthor_, 0, 0);
    fields->addWidget(editAuthor_, 0, 1);
    fields->addWidget(labelTitle_, 1, 0);
    fields->addWidget(editTitle_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(buttonOK_);
    buttons->addWidget(buttonCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(labelFile_);
    layout->addLayout(fields);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);

    fieldPalette_ = editAuthor_->palette();
    editAuthor_->installEventFilter(this);
    editTitle_->installEventFilter(this);
    connect(buttonOK_, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttonCancel_, &QPushButton::clicked, this, &QDialog::reject);
    view_->OnPick = [this](int line) { PickLine(line); };
}

QString TAA_BookProp::Text(const char* window, const char* id) const {
    return QString::fromStdString(languages_.GetText(window, id));
}

void TAA_BookProp::SetEntry(const VEMBrowseFile& entry) {
    entry_ = &entry;
    const WindowTexts texts = languages_.Window("AA_BookProp");
    setWindowTitle(QString::fromStdString(texts.Caption("TAA_BookProp")));
    labelAuthor_->setText(QString::fromStdString(texts.Caption("LabelAuthor")));
    labelTitle_->setText(QString::fromStdString(texts.Caption("LabelTitle")));
    buttonOK_->setText(QString::fromStdString(texts.Caption("ButtonOK")));
    buttonCancel_->setText(QString::fromStdString(texts.Caption("ButtonCancel")));
    labelFile_->setText(Text("AA_Main", "Filename") + QString::fromStdString(entry.sourceName) +
                        QString(8, ' ') + Text("AA_Main", "FileSize") + QString::number(entry.sourceSize));
    editAuthor_->setText(FromUtf16(entry.author));
    editTitle_->setText(FromUtf16(entry.title));
    view_->SetLines(&entry.lines);
    active_ = kNoField;
    Mark(kNoField);
    editAuthor_->setFocus();
    Mark(kAuthorField);
}

std::u16string TAA_BookProp::Author() const { return TrimmedField(ToUtf16(editAuthor_->text())); }
std::u16string TAA_BookProp::Title() const { return TrimmedField(ToUtf16(editTitle_->text())); }

void TAA_BookProp::Mark(int field) {
    active_ = field;
    // The marked field is green with black text, the other as fields always are.
    for (QLineEdit* edit : {editAuthor_, editTitle_}) {
        const bool marked =
            (edit == editAuthor_ && field == kAuthorField) || (edit == editTitle_ && field == kTitleField);
        QPalette colours = fieldPalette_;
        if (marked) {
            colours.setColor(QPalette::Base, kMarkedField);
            colours.setColor(QPalette::Text, Qt::black);
        }
        edit->setPalette(colours);
    }
}

bool TAA_BookProp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) Mark(watched == editAuthor_ ? kAuthorField : kTitleField);
    return QDialog::eventFilter(watched, event);
}

void TAA_BookProp::PickLine(int line) {
    if (!entry_ || line < 0 || line >= entry_->lines.Count()) return;
    const int field = active_ == kTitleField ? kTitleField : kAuthorField;
    QLineEdit* into = field == kAuthorField ? editAuthor_ : editTitle_;
    QLineEdit* other = field == kAuthorField ? editTitle_ : editAuthor_;
    into->setText(FromUtf16(entry_->lines.Line(line)));
    // A first click sets the author, the next the title.
    other->setFocus(Qt::OtherFocusReason);
    other->deselect();
    Mark(field == kAuthorField ? kTitleField : kAuthorField);
}

}  // namespace corvalin
