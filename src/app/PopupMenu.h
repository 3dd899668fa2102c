#pragma once

#include "lang/Languages.h"

class QMenu;

namespace corvalin {

class TAA_Main;

// The reading surface's context menu. Its items are actions named after their controls and
// carry the window's shortcuts (Ins, Num /, Num +, Num -, \, Num *, Esc, F1); the window adds
// them to itself so that the keys act wherever the focus is. The program draws the items.
QMenu* CreatePopupMenu1(TAA_Main& window, const WindowTexts& texts);

}  // namespace corvalin
