#pragma once

#include <QIcon>
#include <QPixmap>

namespace corvalin {

// The library window's pictures, drawn by the program.
enum LibraryImage : int {
    kLibraryImport = 0,
    kLibraryRead = 1,
    kLibraryDelete = 2,
    kLibraryDeleteAll = 3,
    kLibraryMoreLines = 4,
    kLibraryFewerLines = 5,
    kLibraryFullScreen = 6,
    kLibraryClose = 7,
};
QIcon LibraryToolIcon(int image);

// A book node's icon, `size` pixels square: a closed book, or an open one while selected.
QPixmap BookNodeIcon(bool selected, int size);

}  // namespace corvalin
