#include "app/ToolBarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace corvalin {
namespace {

void DrawScroll(QPainter& p) {
    for (int y : {4, 8, 12}) p.drawLine(3, y, 13, y);
    p.setBrush(kToolAccent);
    p.drawPolygon(QPolygon({{15, 10}, {21, 10}, {18, 18}}));
}

void DrawOriginal(QPainter& p) {
    // Ragged source lines beside justified ones.
    for (int y = 4; y <= 18; y += 4) p.drawLine(2, y, y % 8 ? 8 : 10, y);
    for (int y = 4; y <= 18; y += 4) p.drawLine(13, y, 20, y);
}

void DrawOptions(QPainter& p) {
    for (int y : {5, 11, 17}) p.drawLine(3, y, 19, y);
    p.setBrush(kToolAccent);
    p.drawRect(6, 3, 3, 4);
    p.drawRect(13, 9, 3, 4);
    p.drawRect(9, 15, 3, 4);
}

void DrawRibbon(QPainter& p, int x) {
    p.setBrush(kToolAccent);
    p.drawPolygon(QPolygon({{x, 3}, {x + 7, 3}, {x + 7, 19}, {x + 3, 15}, {x, 19}}));
}

void DrawBookmarks(QPainter& p) {
    DrawRibbon(p, 3);
    p.setBrush(Qt::NoBrush);
    for (int y : {6, 11, 16}) p.drawLine(13, y, 20, y);
}

void DrawAddBookmark(QPainter& p) {
    DrawRibbon(p, 3);
    p.drawLine(16, 8, 16, 16);
    p.drawLine(12, 12, 20, 12);
}

void DrawMinimize(QPainter& p) { p.drawRect(5, 16, 12, 2); }

void DrawFullScreen(QPainter& p) {
    p.drawRect(3, 5, 16, 12);
    p.drawLine(3, 8, 19, 8);
}

void DrawExit(QPainter& p) {
    p.setPen(QPen(kToolInk, 2.5));
    p.drawLine(5, 5, 17, 17);
    p.drawLine(17, 5, 5, 17);
}

}  // namespace

QIcon PaintToolIcon(bool antialiased, double penWidth, const std::function<void(QPainter&)>& draw) {
    QPixmap picture(kToolBarImageSize, kToolBarImageSize);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing, antialiased);
    p.setPen(QPen(kToolInk, penWidth));
    draw(p);
    p.end();
    return QIcon(picture);
}

void DrawOpenBook(QPainter& p) {
    p.drawLine(11, 5, 11, 19);
    p.drawPolygon(QPolygon({{2, 5}, {11, 7}, {11, 19}, {2, 17}}));
    p.drawPolygon(QPolygon({{20, 5}, {11, 7}, {11, 19}, {20, 17}}));
}

QIcon ToolBarIcon(int image) {
    return PaintToolIcon(true, 1.5, [image](QPainter& p) {
        switch (image) {
            case kImageOpen:
                DrawOpenBook(p);
                break;
            case kImageScroll:
                DrawScroll(p);
                break;
            case kImageOriginal:
                DrawOriginal(p);
                break;
            case kImageOptions:
                DrawOptions(p);
                break;
            case kImageBookmarks:
                DrawBookmarks(p);
                break;
            case kImageMinimize:
                DrawMinimize(p);
                break;
            case kImageFullScreen:
                DrawFullScreen(p);
                break;
            case kImageExit:
                DrawExit(p);
                break;
            case kImageAddBookmark:
                DrawAddBookmark(p);
                break;
            default:
                break;
        }
    });
}

}  // namespace corvalin
