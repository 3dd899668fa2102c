#include "app/LibraryIcons.h"

#include <QPainter>

#include "app/ToolBarIcons.h"

namespace corvalin {
namespace {

const QColor kWarning(0xE0, 0x60, 0x40);

void DrawBook(QPainter& p, int x, int y) {
    p.drawRect(x, y, 9, 13);
    p.drawLine(x + 2, y, x + 2, y + 13);
}

void DrawLines(QPainter& p, int count) {
    for (int i = 0; i < count; ++i) p.drawLine(3, 4 + 3 * i, 13, 4 + 3 * i);
}

void DrawImage(QPainter& p, int image) {
    switch (image) {
        case kLibraryImport:
            // A page going into a book.
            p.drawRect(3, 3, 7, 9);
            DrawBook(p, 11, 8);
            p.setBrush(kToolAccent);
            p.drawPolygon(QPolygon({{6, 14}, {10, 18}, {6, 22}}));
            break;
        case kLibraryRead:
            DrawOpenBook(p);
            break;
        case kLibraryDelete:
            DrawBook(p, 3, 5);
            p.setPen(QPen(kWarning, 2));
            p.drawLine(13, 9, 20, 17);
            p.drawLine(20, 9, 13, 17);
            break;
        case kLibraryDeleteAll:
            DrawBook(p, 2, 3);
            DrawBook(p, 6, 7);
            p.setPen(QPen(kWarning, 2));
            p.drawLine(14, 11, 21, 19);
            p.drawLine(21, 11, 14, 19);
            break;
        case kLibraryMoreLines:
            DrawLines(p, 5);
            p.setPen(QPen(kToolAccent, 2));
            p.drawLine(18, 12, 18, 20);
            p.drawLine(14, 16, 22, 16);
            break;
        case kLibraryFewerLines:
            DrawLines(p, 2);
            p.setPen(QPen(kToolAccent, 2));
            p.drawLine(14, 16, 22, 16);
            break;
        case kLibraryFullScreen:
            p.drawRect(3, 5, 16, 12);
            p.drawLine(6, 8, 9, 8);
            p.drawLine(6, 8, 6, 11);
            p.drawLine(16, 14, 13, 14);
            p.drawLine(16, 14, 16, 11);
            break;
        case kLibraryClose:
            p.setPen(QPen(kToolInk, 2));
            p.drawLine(5, 5, 17, 17);
            p.drawLine(17, 5, 5, 17);
            break;
        default:
            break;
    }
}

}  // namespace

QIcon LibraryToolIcon(int image) {
    return PaintToolIcon(false, 1, [image](QPainter& p) { DrawImage(p, image); });
}

QPixmap BookNodeIcon(bool selected, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const int s = size;
    if (!selected) {
        // A closed book standing: cover, spine and the edge of the pages.
        p.fillRect(s / 4, 1, s / 2, s - 2, QColor(0x80, 0x30, 0x20));
        p.fillRect(s / 4, 1, 2, s - 2, QColor(0x50, 0x18, 0x10));
        p.fillRect(s * 3 / 4 - 1, 2, 1, s - 4, QColor(0xF0, 0xEC, 0xD8));
    } else {
        // An open book: two pages with lines.
        p.fillRect(1, 2, s / 2 - 1, s - 4, QColor(0xF8, 0xF4, 0xE0));
        p.fillRect(s / 2, 2, s / 2 - 1, s - 4, QColor(0xF8, 0xF4, 0xE0));
        p.setPen(QColor(0x80, 0x30, 0x20));
        p.drawRect(0, 1, s - 1, s - 3);
        p.drawLine(s / 2, 1, s / 2, s - 2);
        p.setPen(QColor(0x60, 0x60, 0x60));
        for (int y = 4; y < s - 4; y += 3) {
            p.drawLine(3, y, s / 2 - 2, y);
            p.drawLine(s / 2 + 2, y, s - 4, y);
        }
    }
    return pixmap;
}

}  // namespace corvalin
