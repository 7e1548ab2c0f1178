// Window surfaces: one pixel buffer per painted window, the size of its
// client area.
#include "dc.h"

#include "host/frontend.h"
#include "user/window.h"

#include <algorithm>
#include <unordered_map>

namespace platform::gdi {
namespace {

std::unordered_map<HWND, Picture>& Surfaces() {
    static std::unordered_map<HWND, Picture> surfaces;
    return surfaces;
}

// The client size the surface must have, within the surface limits.
bool ClientSize(HWND hwnd, int* width, int* height) {
    RECT client;
    if (user::Find(hwnd) == nullptr || !GetClientRect(hwnd, &client)) return false;
    *width = std::clamp<LONG>(client.right - client.left, 0, kMaxSurfaceSide);
    *height = std::clamp<LONG>(client.bottom - client.top, 0, kMaxSurfaceSide);
    return true;
}

void Resize(Picture& picture, int width, int height) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0);
    const int keepWidth = std::min(width, picture.width);
    const int keepHeight = std::min(height, picture.height);
    for (int y = 0; y < keepHeight; ++y) {
        const uint32_t* from = picture.pixels.data() + static_cast<size_t>(y) * picture.width;
        std::copy(from, from + keepWidth, pixels.begin() + static_cast<size_t>(y) * width);
    }
    picture.width = width;
    picture.height = height;
    picture.pixels = std::move(pixels);
}

} // namespace

Picture* SurfaceOf(HWND hwnd, bool create) {
    int width = 0, height = 0;
    if (!ClientSize(hwnd, &width, &height)) return nullptr;
    auto& surfaces = Surfaces();
    auto it = surfaces.find(hwnd);
    if (it == surfaces.end()) {
        if (!create) return nullptr;
        it = surfaces.emplace(hwnd, Picture{}).first;
    }
    Picture& picture = it->second;
    if (picture.width != width || picture.height != height) Resize(picture, width, height);
    return &picture;
}

void DropSurface(HWND hwnd) {
    Surfaces().erase(hwnd);
}

const Picture* WindowSurface(HWND hwnd) {
    return SurfaceOf(hwnd, false);
}

void EraseWindowSurface(HWND hwnd, const RECT* clientRect) {
    Picture* surface = SurfaceOf(hwnd, false);
    if (surface == nullptr) return;
    RECT r = clientRect != nullptr ? *clientRect : RECT{0, 0, surface->width, surface->height};
    const LONG left = std::clamp<LONG>(r.left, 0, surface->width);
    const LONG right = std::clamp<LONG>(r.right, 0, surface->width);
    const LONG top = std::clamp<LONG>(r.top, 0, surface->height);
    const LONG bottom = std::clamp<LONG>(r.bottom, 0, surface->height);
    if (left >= right || top >= bottom) return;
    for (LONG y = top; y < bottom; ++y) {
        auto row = surface->pixels.begin() + static_cast<size_t>(y) * surface->width;
        std::fill(row + left, row + right, 0u);
    }
    CurrentFrontEnd().ScreenChanged();
}

} // namespace platform::gdi
