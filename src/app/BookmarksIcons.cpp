#include "app/BookmarksIcons.h"

#include <QPainter>
#include <QPixmap>

#include "app/ToolBarIcons.h"

namespace corvalin {
namespace {

const QColor kWarning(0xF0, 0x70, 0x50);

void Ribbon(QPainter& p, int x, int y) {
    p.setBrush(kToolAccent);
    p.drawPolygon(QPolygon({{x, y}, {x + 7, y}, {x + 7, y + 14}, {x + 3, y + 10}, {x, y + 14}}));
    p.setBrush(Qt::NoBrush);
}

void Cross(QPainter& p, int x, int y) {
    p.setPen(QPen(kWarning, 2));
    p.drawLine(x, y, x + 6, y + 6);
    p.drawLine(x + 6, y, x, y + 6);
}

}  // namespace

QIcon BookmarksIcon(int image) {
    return PaintToolIcon(true, 1.5, [image](QPainter& p) {
        switch (image) {
            case kBookmarkAdd:
                Ribbon(p, 3, 4);
                p.drawLine(16, 8, 16, 16);
                p.drawLine(12, 12, 20, 12);
                break;
            case kBookmarkGoTo:
                Ribbon(p, 13, 4);
                // An arrow to the ribbon.
                p.drawLine(2, 11, 10, 11);
                p.drawPolyline(QPolygon({{7, 8}, {10, 11}, {7, 14}}));
                break;
            case kBookmarkPercent:
                p.drawEllipse(QRectF(3, 4, 5, 5));
                p.drawEllipse(QRectF(14, 14, 5, 5));
                p.drawLine(17, 4, 5, 19);
                break;
            case kBookmarkDelete:
                Ribbon(p, 3, 4);
                Cross(p, 13, 9);
                break;
            case kBookmarkDeleteAll:
                Ribbon(p, 2, 3);
                Ribbon(p, 7, 6);
                Cross(p, 15, 12);
                break;
            case kBookmarkClose:
                // A door left open.
                p.drawRect(5, 3, 12, 17);
                p.setBrush(kToolInk);
                p.drawPolygon(QPolygon({{5, 3}, {11, 6}, {11, 22}, {5, 20}}));
                break;
            default:
                break;
        }
    });
}

}  // namespace corvalin
