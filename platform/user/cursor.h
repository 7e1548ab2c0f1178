// Cursors and icons: the system's cursors and icons, the program's own from
// its resources, and the cursor shown now. Front ends read here what to draw
// for the mouse pointer and for an icon (a static control's picture, the
// notification area, a message box's symbol).
#pragma once

#include <windows.h>

#include "kernel/resource_formats.h"

namespace platform::user {

// What the pointer looks like. System cursors are drawn by the front end in
// its own way; a cursor from the program's resources comes with its image.
enum class CursorKind { None, Arrow, IBeam, Wait, Cross, Hand, Other, Program };

HCURSOR CurrentCursor();
CursorKind CurrentCursorKind();
CursorKind KindOfCursor(HCURSOR cursor);

// The word for a kind in the scenario language (`expect cursor hand`):
// "arrow", "wait", "hand", "ibeam", "cross", "none", "other". The program's
// own cursor counts as "hand": its only cursor resource is a pointing hand,
// shown over pictures that can be clicked, in the role of IDC_HAND.
const char* CursorWord(CursorKind kind);

// The picture of an icon, or of a cursor from the program's resources:
// 0xAARRGGBB pixels, top-down, with a cursor's hot spot. The system icons
// (IDI_*) have pictures of their own. Null for system cursors and for
// anything that is not an icon or cursor handle.
const IconImage* IconPicture(HICON icon);


} // namespace platform::user
