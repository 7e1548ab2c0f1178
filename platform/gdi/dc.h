// Device contexts as the user services hand them out: a window's DC draws
// into the window's picture surface, which the front ends show.
#pragma once

#include <windows.h>

#include "surface.h"

namespace platform::gdi {

// A DC that draws into the window's client area. Without a paint rectangle
// it is the window's own DC, the same handle on every call for the window's
// life. With one (BeginPaint's rcPaint) it is a new DC that draws only
// inside that rectangle, until it is released.
HDC GetWindowDC(HWND hwnd, const RECT* paintRect = nullptr);
void ReleaseWindowDC(HDC dc);
// Forgets what was drawn in the window (the background is erased); a null
// rectangle means the whole client area.
void EraseWindowSurface(HWND hwnd, const RECT* clientRect);
// Drops the window's surface and DC when it is destroyed.
void DropWindowSurface(HWND hwnd);

// ---- Inside the GDI: shared by the DC, bitmap and surface code ----

// DCs and bitmaps share one handle space, so a handle names one object only
// and a handle of one kind is never taken for the other.
HGDIOBJ NewObjectHandle();
void FreeObjectHandle(HGDIOBJ handle);

struct Bitmap {
    Picture picture;        // opaque pixels
    WORD bitsPerPixel = 32; // 1 for monochrome
    HDC selectedInto = nullptr;
    bool stock = false; // never deleted, may sit in many DCs at once
};

// The live bitmap behind a handle, or null.
Bitmap* FindBitmap(HGDIOBJ handle);
// The 1 x 1 monochrome bitmap a new memory DC holds.
HBITMAP DefaultBitmap();

// The window's surface, brought to the current client size (what was drawn
// keeps its place; what falls outside is cut off). With `create`, a window
// without one gets a transparent surface; null for a window that is gone.
Picture* SurfaceOf(HWND hwnd, bool create);
void DropSurface(HWND hwnd);

} // namespace platform::gdi
