#pragma once

#include <QIcon>

namespace corvalin {

// The pictures of the bookmarks window's tool bar, drawn by the program at 23 x 23.
enum BookmarksImage : int {
    kBookmarkAdd = 0,
    kBookmarkGoTo = 1,
    kBookmarkDelete = 2,
    kBookmarkDeleteAll = 3,
    kBookmarkClose = 4,
    kBookmarkPercent = 5,
};

QIcon BookmarksIcon(int image);

}  // namespace corvalin
