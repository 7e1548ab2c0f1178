// Pictures as the front ends read them: the surface a window was painted
// into, and the pixels behind a bitmap handle (a bitmap static's image).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace platform::gdi {

// Pixels of a picture, row by row from the top, each 0xAARRGGBB. In a
// window's surface, alpha 0 marks a pixel nothing was drawn on (the front
// end shows the controls and background there) and alpha 255 a painted one;
// bitmaps are opaque throughout.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    // The pixel at (x, y); 0 (transparent) outside the picture.
    uint32_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0;
        return pixels[static_cast<size_t>(y) * width + x];
    }
};

constexpr uint32_t kOpaque = 0xFF000000u;

// Surfaces never grow beyond this many pixels a side, whatever the window's
// size: drawing past it is clipped.
constexpr int kMaxSurfaceSide = 4096;

// The surface of a window, sized to its client area: null when nothing was
// ever drawn into the window (or it is gone). The pointer stays good until
// the next GDI call.
const Picture* WindowSurface(HWND hwnd);

// The pixels of a bitmap handle, or null for anything that is not a live
// bitmap. The pointer stays good until the next GDI call.
const Picture* BitmapPicture(HBITMAP bitmap);

// Makes a 32-bit colour bitmap from `width` x `height` pixels (0x00RRGGBB,
// top row first; the high byte is ignored), as a resource bitmap loads.
// Null for a size that is negative, zero or too large, or too few pixels.
HBITMAP CreateBitmapFromPixels(int width, int height, const std::vector<uint32_t>& pixels);

} // namespace platform::gdi
