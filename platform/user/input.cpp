#include "input.h"

#include "message.h"

#include <algorithm>
#include <set>

namespace platform::user {
namespace {

POINT cursor{0, 0};
std::set<UINT> keysDown;
Window* helpModeTop = nullptr;
// Where the left button went down on a non-client button, to act on release.
int pressedHit = HTNOWHERE;
Window* pressedTop = nullptr;

Window* TopLevelAt(POINT p) {
    for (Window* w : TopLevelWindows())
        if (IsVisible(w) && !w->destroyed) {
            RECT r = ScreenRect(w);
            if (PtInRect(&r, p)) return w;
        }
    return nullptr;
}

// Deepest child under p; `help` also finds statics and disabled windows.
Window* ChildAt(Window* w, POINT p, bool help) {
    for (;;) {
        Window* hit = nullptr;
        for (Window* child : w->children) {
            if (!(child->style & WS_VISIBLE) || child->destroyed) continue;
            RECT r = ScreenRect(child);
            if (!PtInRect(&r, p)) continue;
            if (!help) {
                if (!IsEnabled(child)) continue;
                POINT c = p;
                LRESULT ht = Send(child, WM_NCHITTEST, 0, MAKELPARAM(c.x, c.y));
                if (ht == HTTRANSPARENT) continue;
            }
            hit = child;
            break;
        }
        if (hit == nullptr) return w;
        w = hit;
    }
}

LPARAM ClientPoint(Window* w, POINT screen) {
    RECT c = ClientScreenRect(w);
    return MAKELPARAM(static_cast<WORD>(screen.x - c.left), static_cast<WORD>(screen.y - c.top));
}

UINT ButtonFlags() {
    UINT flags = 0;
    if (keysDown.count(VK_SHIFT)) flags |= MK_SHIFT;
    if (keysDown.count(VK_CONTROL)) flags |= MK_CONTROL;
    return flags;
}

void SetCursorFor(Window* target, int hit, UINT mouseMessage) {
    Send(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target->handle),
         MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(mouseMessage)));
}

void HelpClick(POINT p) {
    Window* top = helpModeTop;
    helpModeTop = nullptr;
    if (top == nullptr || Find(top->handle) != top) return;
    RECT client = ClientScreenRect(top);
    if (!PtInRect(&client, p)) return;
    Window* target = ChildAt(top, p, true);
    HELPINFO info{sizeof(HELPINFO), HELPINFO_WINDOW, static_cast<int>(target->id),
                  target->handle, 0, p};
    if (target == top) info.iCtrlId = 0;
    // The help context of a control is its help id: the window's own id here.
    info.dwContextId = 0;
    Send(target, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

} // namespace

POINT CursorPosition() { return cursor; }
bool KeyDown(UINT vk) { return keysDown.count(vk) != 0; }
UINT CharacterOfKey(LPARAM lParam) { return (static_cast<DWORD>(lParam) >> 16) & 0xFF; }

void EnterHelpMode(Window* top) { helpModeTop = top; }
bool InHelpMode() { return helpModeTop != nullptr; }

Window* WindowAt(POINT p) {
    Window* top = TopLevelAt(p);
    if (top == nullptr) return nullptr;
    RECT client = ClientScreenRect(top);
    return PtInRect(&client, p) ? ChildAt(top, p, false) : top;
}

Window* ControlAt(POINT p) {
    Window* top = TopLevelAt(p);
    return top == nullptr ? nullptr : ChildAt(top, p, true);
}

RECT CloseButtonRect(Window* top) {
    RECT r = ScreenRect(top);
    if (!(top->style & WS_SYSMENU) || !(top->style & WS_CAPTION)) return {0, 0, 0, 0};
    // "[x]" in the caption row, one cell in from the right edge.
    return {r.right - 4 * kCellWidth, r.top, r.right - kCellWidth, r.top + kCellHeight};
}

RECT HelpButtonRect(Window* top) {
    if (!(top->exStyle & WS_EX_CONTEXTHELP) || !(top->style & WS_CAPTION)) return {0, 0, 0, 0};
    RECT close = CloseButtonRect(top);
    if (close.right == 0) return {0, 0, 0, 0};
    return {close.left - 3 * kCellWidth, close.top, close.left, close.bottom};
}

RECT MenuBarRect(Window* top) {
    if (top->menu == nullptr || top->parent != nullptr) return {0, 0, 0, 0};
    RECT r = ScreenRect(top), c = ClientScreenRect(top);
    return {c.left, c.top - kMenuBarHeight, c.right, c.top};
    (void)r;
}

int NonClientHit(Window* top, POINT p) {
    RECT r = ScreenRect(top);
    if (!PtInRect(&r, p)) return HTNOWHERE;
    RECT c = ClientScreenRect(top);
    if (PtInRect(&c, p)) return HTCLIENT;
    RECT close = CloseButtonRect(top), help = HelpButtonRect(top), menu = MenuBarRect(top);
    if (PtInRect(&close, p)) return HTCLOSE;
    if (PtInRect(&help, p)) return HTHELP;
    if (PtInRect(&menu, p)) return HTMENU;
    if (p.y < r.top + kCellHeight && (top->style & WS_CAPTION)) return HTCAPTION;
    return HTBORDER;
}

void MouseInput(MouseAction action, POINT p) {
    cursor = p;
    const bool down = action == MouseAction::LeftDown || action == MouseAction::RightDown ||
                      action == MouseAction::LeftDouble || action == MouseAction::RightDouble;
    const bool left = action == MouseAction::LeftDown || action == MouseAction::LeftUp ||
                      action == MouseAction::LeftDouble;
    UINT message = WM_MOUSEMOVE;
    switch (action) {
    case MouseAction::Move: message = WM_MOUSEMOVE; break;
    case MouseAction::LeftDown: message = WM_LBUTTONDOWN; break;
    case MouseAction::LeftUp: message = WM_LBUTTONUP; break;
    case MouseAction::LeftDouble: message = WM_LBUTTONDBLCLK; break;
    case MouseAction::RightDown: message = WM_RBUTTONDOWN; break;
    case MouseAction::RightUp: message = WM_RBUTTONUP; break;
    case MouseAction::RightDouble: message = WM_RBUTTONDBLCLK; break;
    }

    // A window that captured the mouse gets everything.
    if (Window* capture = CaptureWindow()) {
        UINT flags = ButtonFlags() | (left && down ? MK_LBUTTON : 0);
        if (message == WM_LBUTTONDBLCLK && !(capture->windowClass->style & CS_DBLCLKS))
            message = WM_LBUTTONDOWN;
        Enqueue(capture->handle, message, flags, ClientPoint(capture, p));
        return;
    }

    if (helpModeTop != nullptr && left && down) {
        HelpClick(p);
        return;
    }
    if (helpModeTop != nullptr && left) return;

    Window* top = TopLevelAt(p);
    if (top == nullptr) return;
    // A window disabled by a modal window of its own takes no input.
    if (!IsEnabled(top)) return;
    int hit = NonClientHit(top, p);
    if (hit != HTCLIENT) {
        if (action == MouseAction::Move) {
            SetCursorFor(top, hit, WM_MOUSEMOVE);
            return;
        }
        if (down && top != ActiveWindow()) Activate(top);
        if (left && down) {
            pressedHit = hit;
            pressedTop = top;
            if (hit == HTMENU) Enqueue(top->handle, WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(p.x, p.y));
        } else if (action == MouseAction::LeftUp) {
            if (pressedTop == top && pressedHit == hit) {
                if (hit == HTCLOSE) Enqueue(top->handle, WM_SYSCOMMAND, SC_CLOSE, MAKELPARAM(p.x, p.y));
                if (hit == HTHELP) EnterHelpMode(top);
            }
            pressedTop = nullptr;
            pressedHit = HTNOWHERE;
        }
        return;
    }
    Window* target = ChildAt(top, p, false);
    SetCursorFor(target, HTCLIENT, message);
    if (down && top != ActiveWindow()) Activate(top);
    if (message == WM_LBUTTONDBLCLK && !(target->windowClass->style & CS_DBLCLKS))
        message = WM_LBUTTONDOWN;
    if (message == WM_RBUTTONDBLCLK && !(target->windowClass->style & CS_DBLCLKS))
        message = WM_RBUTTONDOWN;
    UINT flags = ButtonFlags();
    if (left && down) flags |= MK_LBUTTON;
    if (!left && down && action != MouseAction::Move) flags |= MK_RBUTTON;
    Enqueue(target->handle, message, flags, ClientPoint(target, p));
    // A right click asks for the context menu when the button comes up.
    if (action == MouseAction::RightUp)
        Enqueue(target->handle, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target->handle),
                MAKELPARAM(p.x, p.y));
}

void KeyInput(UINT vk, bool down, UINT modifiers, unsigned char ch) {
    if (down)
        keysDown.insert(vk);
    else
        keysDown.erase(vk);
    // Escape leaves the help pointer, as on Windows.
    if (down && vk == VK_ESCAPE && helpModeTop != nullptr) {
        helpModeTop = nullptr;
        return;
    }
    Window* target = FocusWindow();
    if (target == nullptr) target = ActiveWindow();
    if (target == nullptr) return;
    const bool alt = (modifiers & kAlt) != 0;
    UINT message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    DWORD lParam = 1 | (static_cast<DWORD>(down ? ch : 0) << 16);
    if (alt) lParam |= 1u << 29;
    if (!down) lParam |= 0xC0000000u;
    Enqueue(target->handle, message, vk, static_cast<LPARAM>(lParam));
}

void TextInput(const std::string& text) {
    Window* target = FocusWindow();
    if (target == nullptr) return;
    for (unsigned char c : text) Enqueue(target->handle, WM_CHAR, c, 1);
}

} // namespace platform::user

using namespace platform::user;

WINBASEAPI BOOL WINAPI GetCursorPos(LPPOINT point) {
    if (point == nullptr) return FALSE;
    *point = CursorPosition();
    return TRUE;
}

WINBASEAPI BOOL WINAPI SetCursorPos(int x, int y) {
    MouseInput(MouseAction::Move, {x, y});
    return TRUE;
}

WINBASEAPI HWND WINAPI WindowFromPoint(POINT point) {
    Window* w = WindowAt(point);
    return w ? w->handle : nullptr;
}

WINBASEAPI SHORT WINAPI GetKeyState(int vk) {
    // The high bit tells that the key is down.
    return KeyDown(static_cast<UINT>(vk)) ? static_cast<SHORT>(0x8000) : 0;
}
