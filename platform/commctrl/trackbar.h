// Trackbar geometry for the front ends and the scenario driver, which draw
// the thumb and press the mouse on it at the places the control itself uses
// for hit testing.
//
// The channel runs along the long axis of the window rectangle (across for
// a horizontal trackbar, down for TBS_VERT). The thumb is one cell long on
// that axis (6 pixels across, 13 down) and spans the whole window on the
// other one. Its centre travels from half a thumb inside one end to half a
// thumb inside the other; the minimum sits at the left or top end.
// Positions are spread evenly over those pixels, rounded to the nearest
// one, so every position has its own pixel when the channel has at least
// one pixel per step; a shorter channel cannot reach every position with
// the mouse.
#pragma once

#include <windows.h>

namespace platform::commctrl {

// The centre of the thumb, in screen pixels, when the trackbar shows `pos`
// (clamped to its range). Pressing the mouse there grabs the thumb, and
// dragging it to the point of another position moves the thumb there.
// {0, 0} for a window that is not a trackbar.
POINT TrackbarThumbPoint(HWND trackbar, int pos);

} // namespace platform::commctrl
