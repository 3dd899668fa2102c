#pragma once

#include <QColor>
#include <QIcon>
#include <functional>

class QPainter;

namespace corvalin {

// The tool bars' colours, and their pictures, drawn by the program at the tool bar's image size.
constexpr int kToolBarImageSize = 23;

enum ToolBarImage : int {
    kImageOpen = 0,
    kImageScroll = 1,
    kImageOriginal = 2,
    kImageOptions = 3,
    kImageBookmarks = 4,
    kImageMinimize = 5,
    kImageFullScreen = 6,
    kImageExit = 7,
    kImageAddBookmark = 8,
};

QIcon ToolBarIcon(int image);

// What every tool bar's pictures share (the main window's, the library's, the bookmarks'): light
// strokes with an accent on the tool bars' dark colour.
inline const QColor kToolBarColour(0x20, 0x40, 0x40);
// The green of the tool bar's texts (file details, speed, position).
inline const QColor kToolBarText(0x00, 0xE0, 0x00);
inline const QColor kToolInk(0xE8, 0xE4, 0xD0);
inline const QColor kToolAccent(0xF0, 0xC0, 0x40);

// A transparent picture of the tool bar's image size that `draw` paints, starting with the ink
// pen `penWidth` wide.
QIcon PaintToolIcon(bool antialiased, double penWidth, const std::function<void(QPainter&)>& draw);

// An open book seen from above: the "open" and "read" pictures.
void DrawOpenBook(QPainter& p);

}  // namespace corvalin
