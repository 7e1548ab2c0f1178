// The "Static" control: texts, icons, bitmaps, frames and rectangles. The
// front ends draw it from its style, text (WM_GETTEXT) and image
// (STM_GETICON, STM_GETIMAGE); it takes no input unless SS_NOTIFY asks for
// clicks.
#include "classes.h"
#include "window.h"

#include <windows.h>

namespace platform::user {
namespace {

// The size of the icons LoadIconA gives (SM_CXICON x SM_CYICON).
constexpr int kIconSize = 32;

struct StaticState : ControlState {
    HANDLE image = nullptr; // the icon or bitmap shown
    // The bitmap the control loaded from its template; it is deleted with
    // the control unless the program has replaced it meanwhile.
    HBITMAP ownBitmap = nullptr;
};

UINT TypeOf(const Window* w) { return w->style & SS_TYPEMASK; }

// An icon or bitmap static takes the size of its picture, unless
// SS_CENTERIMAGE keeps the rectangle and centres the picture in it.
void FitToImage(Window* w) {
    if (w->style & SS_CENTERIMAGE) return;
    auto& s = StateOf<StaticState>(w);
    int width = 0, height = 0;
    if (s.image == nullptr) return;
    if (TypeOf(w) == SS_ICON) {
        width = height = kIconSize;
    } else {
        BITMAP info{};
        if (GetObjectA(s.image, sizeof info, &info) != sizeof info) return;
        width = info.bmWidth;
        height = info.bmHeight;
    }
    SetWindowPos(w->handle, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HANDLE SetImage(Window* w, HANDLE image) {
    auto& s = StateOf<StaticState>(w);
    HANDLE old = s.image;
    s.image = image;
    FitToImage(w);
    InvalidateRect(w->handle, nullptr, TRUE);
    return old;
}

// The template names the picture by ordinal or by name in the control's
// title.
LPCSTR ResourceName(const CREATESTRUCTA* cs) {
    if (cs == nullptr || cs->lpszName == nullptr) return nullptr;
    if (IS_INTRESOURCE(cs->lpszName)) return cs->lpszName;
    return *cs->lpszName != '\0' ? cs->lpszName : nullptr;
}

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (w == nullptr) return 0;
    auto& s = StateOf<StaticState>(w);
    const UINT type = TypeOf(w);

    switch (message) {
    case WM_NCCREATE: {
        // The title of a picture static is a resource name, not a text.
        if (type == SS_ICON || type == SS_BITMAP) return TRUE;
        break;
    }
    case WM_CREATE: {
        auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        LPCSTR name = ResourceName(cs);
        if (name == nullptr) return 0;
        if (type == SS_ICON) {
            s.image = LoadIconA(cs->hInstance, name);
        } else if (type == SS_BITMAP) {
            s.ownBitmap = LoadBitmapA(cs->hInstance, name);
            s.image = s.ownBitmap;
        }
        FitToImage(w);
        return 0;
    }
    case WM_NCDESTROY:
        if (s.ownBitmap != nullptr && s.image == s.ownBitmap) DeleteObject(s.ownBitmap);
        s.ownBitmap = nullptr;
        s.image = nullptr;
        break;

    case WM_NCHITTEST:
        // Labels and pictures let clicks through to what lies beneath.
        if (!(w->style & SS_NOTIFY)) return HTTRANSPARENT;
        return HTCLIENT;
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if ((w->style & SS_NOTIFY) && w->parent != nullptr)
            Send(w->parent, WM_COMMAND, MAKEWPARAM(w->id, STN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd));
        return 0;

    case STM_GETICON: return type == SS_ICON ? reinterpret_cast<LRESULT>(s.image) : 0;
    case STM_SETICON:
        if (type != SS_ICON) return 0;
        return reinterpret_cast<LRESULT>(SetImage(w, reinterpret_cast<HANDLE>(wParam)));
    case STM_GETIMAGE:
        if ((wParam == IMAGE_ICON && type == SS_ICON) ||
            (wParam == IMAGE_BITMAP && type == SS_BITMAP))
            return reinterpret_cast<LRESULT>(s.image);
        return 0;
    case STM_SETIMAGE:
        if ((wParam == IMAGE_ICON && type == SS_ICON) ||
            (wParam == IMAGE_BITMAP && type == SS_BITMAP))
            return reinterpret_cast<LRESULT>(SetImage(w, reinterpret_cast<HANDLE>(lParam)));
        return 0;

    case WM_ENABLE: ScreenChanged(); return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

void RegisterStaticClass() {
    RegisterSystemClass("Static", StaticProc, 0, MAKEINTRESOURCEA(IDC_ARROW));
}

} // namespace platform::user
