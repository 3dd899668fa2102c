#pragma once

#include <QComboBox>
#include <QString>
#include <cstdint>

namespace corvalin {

// The cache box: one entry per page count of the cache table, each shown as "pages - N MB" in
// three columns (the count and the size right-aligned to the widest of theirs). The sizes
// follow the page, so the window tells the box its size whenever it changes.
class CacheSizeBox : public QComboBox {
public:
    explicit CacheSizeBox(QWidget* parent);
    void SetPageSize(int32_t widthPx, int32_t heightPx);
    // The entry's columns as drawn: count, " - ", "N MB".
    QString PagesText(int index) const;
    QString SizeText(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int32_t widthPx_ = 1;
    int32_t heightPx_ = 1;
};

}  // namespace corvalin
