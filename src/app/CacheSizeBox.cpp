#include "app/CacheSizeBox.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <algorithm>

#include "layout/VEMRenderParag.h"

namespace corvalin {
namespace {

constexpr int kEntries = 16;
constexpr int kTextMarginPx = 3;

// Draws "count - size" in columns, which a proportional font would otherwise set ragged.
void DrawEntry(QPainter& painter, const QRect& rect, const CacheSizeBox& box, int index, const QColor& text) {
    const QFontMetrics metrics(box.font());
    int countWidth = 0, sizeWidth = 0;
    for (int i = 0; i < kEntries; ++i) {
        countWidth = std::max(countWidth, metrics.horizontalAdvance(box.PagesText(i)));
        sizeWidth = std::max(sizeWidth, metrics.horizontalAdvance(box.SizeText(i)));
    }
    const QString dash = " - ";
    const int dashWidth = metrics.horizontalAdvance(dash);
    painter.save();
    painter.setPen(text);
    QRect column(rect.left() + kTextMarginPx, rect.top(), countWidth, rect.height());
    painter.drawText(column, Qt::AlignRight | Qt::AlignVCenter, box.PagesText(index));
    column.setRect(column.right() + 1, rect.top(), dashWidth, rect.height());
    painter.drawText(column, Qt::AlignLeft | Qt::AlignVCenter, dash);
    column.setRect(column.right() + 1, rect.top(), sizeWidth, rect.height());
    painter.drawText(column, Qt::AlignRight | Qt::AlignVCenter, box.SizeText(index));
    painter.restore();
}

class EntryDelegate final : public QStyledItemDelegate {
public:
    explicit EntryDelegate(CacheSizeBox& box) : QStyledItemDelegate(&box), box_(box) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const bool enabled = option.state & QStyle::State_Enabled;
        if (selected) painter->fillRect(option.rect, option.palette.highlight());
        const QColor text = selected   ? option.palette.color(QPalette::HighlightedText)
                            : !enabled ? option.palette.color(QPalette::Disabled, QPalette::Text)
                                       : option.palette.color(QPalette::Text);
        DrawEntry(*painter, option.rect, box_, index.row(), text);
    }

private:
    CacheSizeBox& box_;
};

}  // namespace

CacheSizeBox::CacheSizeBox(QWidget* parent) : QComboBox(parent) {
    setObjectName("ComboBoxCacheSize");
    for (int i = 0; i < kEntries; ++i) addItem(QString());
    setItemDelegate(new EntryDelegate(*this));
    SetPageSize(1, 1);
}

QString CacheSizeBox::PagesText(int index) const {
    return QString::number(CachePagesForIndex(std::clamp(index, 0, kEntries - 1)));
}

QString CacheSizeBox::SizeText(int index) const {
    return QString::number(CacheEstimateMegabytes(widthPx_, heightPx_,
                                                  CachePagesForIndex(std::clamp(index, 0, kEntries - 1)))) +
           " MB";
}

void CacheSizeBox::SetPageSize(int32_t widthPx, int32_t heightPx) {
    widthPx_ = std::max(1, widthPx);
    heightPx_ = std::max(1, heightPx);
    // The item texts serve accessibility and keyboard search; the entries are drawn in columns.
    for (int i = 0; i < kEntries; ++i) setItemText(i, PagesText(i) + " - " + SizeText(i));
    update();
}

void CacheSizeBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    if (currentIndex() < 0) return;
    const QColor text =
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    DrawEntry(painter, field, *this, currentIndex(), text);
}

}  // namespace corvalin
