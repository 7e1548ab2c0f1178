// The default window procedure: what every window does with a message its
// own procedure leaves alone.
#include "host/text.h"
#include "input.h"
#include "menu.h"
#include "process.h"
#include "window.h"

#include <cstring>

using namespace platform::user;

WINBASEAPI LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (w == nullptr) return 0;
    switch (message) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        if (cs != nullptr && cs->lpszName != nullptr && !IS_INTRESOURCE(cs->lpszName))
            w->text = cs->lpszName;
        return TRUE;
    }
    case WM_SETTEXT:
        w->text = lParam != 0 ? reinterpret_cast<LPCSTR>(lParam) : "";
        if (w->parent == nullptr) TopLevelChanged(w);
        ScreenChanged();
        return TRUE;
    case WM_GETTEXT:
        return static_cast<LRESULT>(
            platform::CopyCut(w->text, reinterpret_cast<LPSTR>(lParam), wParam));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            if (!(w->windowClass->style & CS_NOCLOSE)) Send(w, WM_CLOSE, 0, 0);
        } else if ((wParam & 0xFFF0) == SC_CONTEXTHELP) {
            EnterHelpMode(TopLevelOf(w));
        }
        return 0;
    case WM_NCHITTEST: {
        if (w->parent != nullptr) return HTCLIENT;
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        return NonClientHit(w, p);
    }
    case WM_NCLBUTTONDOWN:
        if (wParam == HTMENU) TrackMenuBar(w, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_SETCURSOR: {
        // A child lets its parent decide first (a page showing a hand over
        // its pictures); then the class cursor, or the arrow outside the
        // client area.
        if (w->parent != nullptr &&
            Send(w->parent, WM_SETCURSOR, wParam, lParam) != 0)
            return TRUE;
        if (LOWORD(lParam) == HTCLIENT) {
            if (w->windowClass->cursor == nullptr) return FALSE;
            SetCursor(w->windowClass->cursor);
            return TRUE;
        }
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(IDC_ARROW)));
        return TRUE;
    }
    case WM_HELP:
    case WM_CONTEXTMENU:
        // Help requests travel up to the window that knows the help file.
        if (w->parent != nullptr) return Send(w->parent, message, wParam, lParam);
        return 0;
    case WM_KEYDOWN:
        // The menu key and Shift+F10 ask for the context menu from the
        // keyboard: lParam -1 says there is no mouse position.
        if (wParam == VK_APPS || (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0)) {
            Send(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), -1);
            return 0;
        }
        if (wParam == VK_F1) {
            // F1 asks for help on the control that has the focus.
            POINT p = CursorPosition();
            HELPINFO info{sizeof(HELPINFO), HELPINFO_WINDOW, static_cast<int>(w->id), hwnd, 0, p};
            Send(w, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return TRUE;
    case WM_MOUSEACTIVATE: return MA_ACTIVATE;
    case WM_GETDLGCODE: return 0;
    }
    return 0;
}
