// Painting: invalid regions, WM_PAINT with BeginPaint and EndPaint, and the
// window DCs that draw into a window's picture surface.
#include "gdi/dc.h"
#include "window.h"

#include <algorithm>

using namespace platform::user;

namespace {

RECT Union(const RECT& a, const RECT& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

} // namespace

WINBASEAPI BOOL WINAPI InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    Window* w = Find(hwnd);
    if (w == nullptr) return hwnd == nullptr; // a null window means all: nothing to do here
    RECT client;
    GetClientRect(hwnd, &client);
    RECT r = rect != nullptr ? *rect : client;
    w->invalidRect = w->invalid ? Union(w->invalidRect, r) : r;
    w->invalid = true;
    w->erase = w->erase || erase;
    // Children lie on top of what is repainted.
    for (Window* child : w->children)
        if (child->style & WS_VISIBLE) {
            child->invalid = true;
            GetClientRect(child->handle, &child->invalidRect);
        }
    ScreenChanged();
    return TRUE;
}

WINBASEAPI HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
    Window* w = Find(hwnd);
    if (w == nullptr || ps == nullptr) return nullptr;
    *ps = PAINTSTRUCT{};
    ps->rcPaint = w->invalid ? w->invalidRect : RECT{0, 0, 0, 0};
    bool erase = w->erase;
    w->invalid = false;
    w->erase = false;
    if (erase) {
        platform::gdi::EraseWindowSurface(hwnd, &ps->rcPaint);
        ps->fErase = Send(w, WM_ERASEBKGND, 0, 0) == 0;
    }
    ps->hdc = platform::gdi::GetWindowDC(hwnd, &ps->rcPaint);
    return ps->hdc;
}

WINBASEAPI BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT* ps) {
    if (ps != nullptr && ps->hdc != nullptr) platform::gdi::ReleaseWindowDC(ps->hdc);
    ScreenChanged();
    return TRUE;
}

WINBASEAPI HDC WINAPI GetDC(HWND hwnd) {
    return Find(hwnd) != nullptr ? platform::gdi::GetWindowDC(hwnd) : nullptr;
}

WINBASEAPI int WINAPI ReleaseDC(HWND, HDC dc) {
    if (dc == nullptr) return 0;
    platform::gdi::ReleaseWindowDC(dc);
    ScreenChanged();
    return 1;
}
