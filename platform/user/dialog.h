// The dialog manager's inside: dialog units, the dialog records that the
// front ends and tests read.
#pragma once

#include "window.h"

namespace platform::user {

// Dialog units to pixels with the dialog font's base units (6 x 13 pixels,
// one terminal cell).
RECT DialogUnitsToPixels(short x, short y, short cx, short cy);

// Whether a window is a dialog of the dialog manager.
bool IsDialog(const Window* w);

} // namespace platform::user
