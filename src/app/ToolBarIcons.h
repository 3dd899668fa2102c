#pragma once

#include <QIcon>

namespace corvalin {

// The tool bar's pictures, drawn by the program at the tool bar's image size.
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

}  // namespace corvalin
