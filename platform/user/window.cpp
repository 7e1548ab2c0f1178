// Windows: classes, creation, destruction, the window longs, text, geometry,
// enabling, showing, focus and activation.
#include "window.h"

#include "classes.h"
#include "gdi/dc.h"
#include "host/frontend.h"
#include "host/text.h"
#include "menu.h"
#include "message.h"
#include "process.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <unordered_map>

namespace platform::user {
namespace {

std::deque<WindowClass> classes; // a deque keeps the records in place
std::unordered_map<uintptr_t, std::unique_ptr<Window>> windows;
std::vector<Window*> topLevel;
Window desktop;
Window* focus = nullptr;
Window* active = nullptr;
Window* capture = nullptr;

// Handles carry the process id in their high word so that a handle found in
// another process's entry of the run folder names that process's window.
HWND NewHandle() {
    static uint32_t next = 0x20;
    const uint32_t high = (static_cast<uint32_t>(getpid()) & 0x7FFF) << 16;
    for (;;) {
        next = (next + 2) & 0xFFFF;
        if (next < 0x20) continue;
        uintptr_t value = high | next;
        if (!windows.count(value)) return reinterpret_cast<HWND>(value);
    }
}

const WindowClass* FindClass(LPCSTR name) {
    EnsureSystemClasses();
    if (name == nullptr || IS_INTRESOURCE(name)) return nullptr;
    // Programs' own classes take precedence over the platform's.
    for (auto it = classes.rbegin(); it != classes.rend(); ++it)
        if (EqualNoCase(it->name, name)) return &*it;
    return nullptr;
}

void Unlink(Window* w) {
    auto& siblings = w->parent ? w->parent->children : topLevel;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
}

} // namespace

Window* Find(HWND hwnd) {
    if (hwnd == desktop.handle && hwnd != nullptr) return &desktop;
    auto it = windows.find(reinterpret_cast<uintptr_t>(hwnd));
    return it == windows.end() ? nullptr : it->second.get();
}

Window* Desktop() {
    if (desktop.handle == nullptr) {
        desktop.handle = reinterpret_cast<HWND>(0x10);
        desktop.style = WS_VISIBLE;
    }
    desktop.rect = {0, 0, CurrentFrontEnd().ScreenWidth(), CurrentFrontEnd().ScreenHeight()};
    return &desktop;
}

const std::vector<Window*>& TopLevelWindows() { return topLevel; }

Window* TopLevelOf(Window* w) {
    while (w != nullptr && w->parent != nullptr) w = w->parent;
    return w;
}

bool IsVisible(const Window* w) {
    for (; w != nullptr; w = w->parent)
        if (!(w->style & WS_VISIBLE)) return false;
    return true;
}

bool IsEnabled(const Window* w) { return w != nullptr && !(w->style & WS_DISABLED); }

RECT NonClientInsets(const Window* w) {
    RECT r{0, 0, 0, 0};
    if (w->parent == nullptr && w != &desktop &&
        (w->style & (WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME))) {
        r = {kFrameX, kFrameY, kFrameX, kFrameY};
        if (w->menu != nullptr) r.top += kMenuBarHeight;
    }
    return r;
}

RECT ScreenRect(const Window* w) {
    RECT r = w->rect;
    if (w->parent != nullptr) {
        RECT p = ClientScreenRect(w->parent);
        OffsetRect(&r, p.left, p.top);
    }
    return r;
}

RECT ClientScreenRect(const Window* w) {
    RECT r = ScreenRect(w), in = NonClientInsets(w);
    return {r.left + in.left, r.top + in.top, std::max(r.left + in.left, r.right - in.right),
            std::max(r.top + in.top, r.bottom - in.bottom)};
}

void RegisterSystemClass(const char* name, WNDPROC proc, UINT style, LPCSTR cursor) {
    WindowClass c;
    c.name = name;
    c.proc = proc;
    c.style = style;
    c.cursor = LoadCursorA(nullptr, cursor);
    c.system = true;
    classes.push_front(std::move(c));
}

LRESULT Send(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (w == nullptr || w->proc == nullptr) return 0;
    return CallWindowProcA(w->proc, w->handle, message, wParam, lParam);
}

void ScreenChanged() { CurrentFrontEnd().ScreenChanged(); }

Window* FocusWindow() { return focus; }
Window* ActiveWindow() { return active; }

HWND ChangeFocus(Window* w) {
    Window* old = focus;
    if (old == w) return old ? old->handle : nullptr;
    HWND oldHandle = old ? old->handle : nullptr;
    focus = w;
    if (old != nullptr && Find(oldHandle) == old)
        Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(w ? w->handle : nullptr), 0);
    if (w != nullptr && focus == w) Send(w, WM_SETFOCUS, reinterpret_cast<WPARAM>(oldHandle), 0);
    ScreenChanged();
    return oldHandle;
}

void Activate(Window* w) {
    w = TopLevelOf(w);
    if (w == active) return;
    // Another window coming to the front closes an open pop-up menu, which
    // would otherwise keep the mouse to itself.
    CancelMenu();
    Window* old = active;
    active = w;
    if (w != nullptr) {
        // The active window comes to the top of the z-order.
        Unlink(w);
        topLevel.insert(topLevel.begin(), w);
    }
    if (old != nullptr && Find(old->handle) == old)
        Send(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(w ? w->handle : nullptr));
    if (w != nullptr && active == w)
        Send(w, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old ? old->handle : nullptr));
    if (focus != nullptr && TopLevelOf(focus) != active) ChangeFocus(nullptr);
    ScreenChanged();
}

Window* CaptureWindow() { return capture; }

} // namespace platform::user

using namespace platform::user;

WINBASEAPI ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
    if (wc == nullptr || wc->lpszClassName == nullptr || IS_INTRESOURCE(wc->lpszClassName) ||
        wc->lpfnWndProc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (const WindowClass& c : classes)
        if (!c.system && platform::EqualNoCase(c.name, wc->lpszClassName)) {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS);
            return 0;
        }
    WindowClass c;
    c.name = wc->lpszClassName;
    c.proc = wc->lpfnWndProc;
    c.style = wc->style;
    c.instance = wc->hInstance;
    c.cursor = wc->hCursor;
    c.wndExtra = std::max(0, wc->cbWndExtra);
    classes.push_back(std::move(c));
    return static_cast<ATOM>(0xC000 + classes.size());
}

WINBASEAPI BOOL WINAPI UnregisterClassA(LPCSTR name, HINSTANCE) {
    for (auto it = classes.begin(); it != classes.end(); ++it)
        if (!it->system && name != nullptr && !IS_INTRESOURCE(name) &&
            platform::EqualNoCase(it->name, name)) {
            for (auto& [h, w] : windows)
                if (w->windowClass == &*it) return FALSE; // still in use
            classes.erase(it);
            return TRUE;
        }
    return FALSE;
}

WINBASEAPI HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName,
                                       DWORD style, int x, int y, int width, int height,
                                       HWND parentHandle, HMENU menu, HINSTANCE instance,
                                       LPVOID param) {
    const WindowClass* wc = FindClass(className);
    if (wc == nullptr) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    Window* parent = Find(parentHandle);
    if (parent == &desktop) parent = nullptr;
    if ((style & WS_CHILD) && parent == nullptr) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;

    auto record = std::make_unique<Window>();
    Window* w = record.get();
    w->handle = NewHandle();
    w->windowClass = wc;
    w->proc = wc->proc;
    w->instance = instance;
    w->style = style;
    w->exStyle = exStyle;
    w->text = windowName != nullptr && !IS_INTRESOURCE(windowName) ? windowName : "";
    w->rect = {x, y, x + std::max(0, width), y + std::max(0, height)};
    w->extra.assign((wc->wndExtra + 3) / 4, 0);
    if (style & WS_CHILD) {
        w->parent = parent;
        // Control ids are 16-bit, as in the Windows 95/98 window manager: an
        // id of -1 in a template is 0xFFFF.
        w->id = static_cast<UINT>(reinterpret_cast<uintptr_t>(menu)) & 0xFFFF;
        // New child windows go to the bottom of the z-order, so the order of
        // creation is the tab order.
        parent->children.push_back(w);
    } else {
        w->owner = parent != nullptr ? TopLevelOf(parent) : nullptr;
        w->menu = menu;
        topLevel.insert(topLevel.begin(), w);
    }
    windows[reinterpret_cast<uintptr_t>(w->handle)] = std::move(record);
    HWND hwnd = w->handle;
    if (w->parent == nullptr) RegisterTopLevel(w);

    CREATESTRUCTA cs{param, instance, menu, parentHandle, height, width, y, x,
                     static_cast<LONG>(style), windowName, className, exStyle};
    if (!Send(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
        (Find(hwnd) == w && Send(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1)) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (Find(hwnd) != w) return nullptr;
    // A window that appears needs painting, as on Windows.
    if (style & WS_VISIBLE) InvalidateRect(hwnd, nullptr, TRUE);
    if ((style & WS_VISIBLE) && !(style & WS_CHILD)) Activate(w);
    ScreenChanged();
    return hwnd;
}

WINBASEAPI BOOL WINAPI DestroyWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (w == nullptr || w == &desktop) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (w->destroyed) return TRUE;
    // Owned windows go first, the way Windows tears down an owner.
    if (w->parent == nullptr)
        for (bool again = true; again;) {
            again = false;
            for (Window* other : topLevel)
                if (other->owner == w && !other->destroyed) {
                    DestroyWindow(other->handle);
                    again = true;
                    break;
                }
        }
    w->destroyed = true;
    platform::user::EndModalLoopsOf(w);
    if (w->style & WS_VISIBLE) w->style &= ~WS_VISIBLE;
    if (focus != nullptr && (focus == w || IsChild(hwnd, focus->handle))) ChangeFocus(nullptr);
    if (active == w) {
        active = nullptr;
        if (w->owner != nullptr && !w->owner->destroyed) Activate(w->owner);
    }
    if (capture == w) capture = nullptr;
    // WM_DESTROY reaches the window first, then its children.
    Send(w, WM_DESTROY, 0, 0);
    std::vector<Window*> children = w->children;
    for (Window* child : children)
        if (Find(child->handle) == child) DestroyWindow(child->handle);
    if (Find(hwnd) != w) return TRUE;
    Send(w, WM_NCDESTROY, 0, 0);
    // A top-level window's menu bar goes with it.
    if (w->parent == nullptr && w->menu != nullptr && IsMenu(w->menu)) DestroyMenu(w->menu);
    KillWindowTimers(hwnd);
    platform::gdi::DropWindowSurface(hwnd);
    if (w->parent == nullptr) UnregisterTopLevel(hwnd);
    Unlink(w);
    windows.erase(reinterpret_cast<uintptr_t>(hwnd));
    ScreenChanged();
    return TRUE;
}

WINBASEAPI LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam,
                                          LPARAM lParam) {
    return proc != nullptr ? proc(hwnd, msg, wParam, lParam) : 0;
}

WINBASEAPI BOOL WINAPI IsWindow(HWND hwnd) { return Find(hwnd) != nullptr; }

WINBASEAPI BOOL WINAPI IsWindowVisible(HWND hwnd) { return IsVisible(Find(hwnd)); }

WINBASEAPI BOOL WINAPI IsWindowEnabled(HWND hwnd) { return IsEnabled(Find(hwnd)); }

WINBASEAPI BOOL WINAPI EnableWindow(HWND hwnd, BOOL enable) {
    Window* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    BOOL wasDisabled = (w->style & WS_DISABLED) != 0;
    if (enable == !wasDisabled) return wasDisabled;
    if (enable) {
        w->style &= ~WS_DISABLED;
    } else {
        w->style |= WS_DISABLED;
        if (focus == w) ChangeFocus(nullptr);
        if (capture == w) capture = nullptr;
    }
    Send(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
    InvalidateRect(hwnd, nullptr, TRUE);
    return wasDisabled;
}

WINBASEAPI BOOL WINAPI ShowWindow(HWND hwnd, int cmd) {
    Window* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    BOOL wasVisible = (w->style & WS_VISIBLE) != 0;
    bool show = cmd != SW_HIDE;
    if (show != static_cast<bool>(wasVisible)) {
        Send(w, WM_SHOWWINDOW, show, 0);
        if (show)
            w->style |= WS_VISIBLE;
        else
            w->style &= ~WS_VISIBLE;
        if (!show && focus != nullptr && (focus == w || IsChild(hwnd, focus->handle)))
            ChangeFocus(nullptr);
        InvalidateRect(w->parent && !show ? w->parent->handle : hwnd, nullptr, TRUE);
    }
    if (show && w->parent == nullptr && cmd != SW_SHOWNA) Activate(w);
    ScreenChanged();
    return wasVisible;
}

WINBASEAPI BOOL WINAPI UpdateWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    if (w->invalid) Send(w, WM_PAINT, 0, 0);
    return TRUE;
}

WINBASEAPI LONG WINAPI GetWindowLongA(HWND hwnd, int index) {
    Window* w = Find(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    switch (index) {
    case GWL_WNDPROC: return reinterpret_cast<LONG>(w->proc);
    case GWL_HINSTANCE: return reinterpret_cast<LONG>(w->instance);
    case GWL_HWNDPARENT:
        return reinterpret_cast<LONG>(w->parent ? w->parent->handle
                                                : (w->owner ? w->owner->handle : nullptr));
    case GWL_ID: return static_cast<LONG>(w->id);
    case GWL_STYLE: return static_cast<LONG>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG>(w->exStyle);
    case GWL_USERDATA: return w->userData;
    }
    if (index >= 0 && index % 4 == 0 && static_cast<size_t>(index / 4) < w->extra.size())
        return w->extra[index / 4];
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

WINBASEAPI LONG WINAPI SetWindowLongA(HWND hwnd, int index, LONG value) {
    Window* w = Find(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    LONG old = GetWindowLongA(hwnd, index);
    switch (index) {
    case GWL_WNDPROC: w->proc = reinterpret_cast<WNDPROC>(value); return old;
    case GWL_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); return old;
    case GWL_ID: w->id = static_cast<UINT>(value) & 0xFFFF; return old;
    case GWL_STYLE: w->style = static_cast<DWORD>(value); ScreenChanged(); return old;
    case GWL_EXSTYLE: w->exStyle = static_cast<DWORD>(value); return old;
    case GWL_USERDATA: w->userData = value; return old;
    case GWL_HWNDPARENT: return old;
    }
    if (index >= 0 && index % 4 == 0 && static_cast<size_t>(index / 4) < w->extra.size()) {
        w->extra[index / 4] = value;
        return old;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

WINBASEAPI HWND WINAPI GetParent(HWND hwnd) {
    Window* w = Find(hwnd);
    if (w == nullptr) return nullptr;
    if (w->style & WS_CHILD) return w->parent ? w->parent->handle : nullptr;
    return w->owner ? w->owner->handle : nullptr;
}

WINBASEAPI HWND WINAPI GetDesktopWindow(void) { return Desktop()->handle; }

WINBASEAPI HWND WINAPI GetDlgItem(HWND dialog, int id) {
    Window* w = Find(dialog);
    if (w == nullptr) return nullptr;
    for (Window* child : w->children)
        if (child->id == (static_cast<UINT>(id) & 0xFFFF)) return child->handle;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

WINBASEAPI int WINAPI GetDlgCtrlID(HWND hwnd) {
    Window* w = Find(hwnd);
    return w != nullptr && w->parent != nullptr ? static_cast<int>(w->id) : 0;
}

WINBASEAPI BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text) {
    Window* w = Find(hwnd);
    if (w == nullptr) return FALSE;
    return Send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

WINBASEAPI int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
    Window* w = Find(hwnd);
    if (w == nullptr || buffer == nullptr || size <= 0) return 0;
    return static_cast<int>(Send(w, WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer)));
}

WINBASEAPI int WINAPI GetWindowTextLengthA(HWND hwnd) {
    Window* w = Find(hwnd);
    return w != nullptr ? static_cast<int>(Send(w, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

WINBASEAPI int WINAPI GetClassNameA(HWND hwnd, LPSTR buffer, int size) {
    Window* w = Find(hwnd);
    if (w == nullptr || size <= 0) return 0;
    return static_cast<int>(platform::CopyCut(w->windowClass->name, buffer, size));
}

WINBASEAPI HWND WINAPI GetWindow(HWND hwnd, UINT cmd) {
    Window* w = Find(hwnd);
    if (w == nullptr) return nullptr;
    if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->handle;
    if (cmd == GW_OWNER) return w->owner ? w->owner->handle : nullptr;
    const auto& siblings = w->parent ? w->parent->children : topLevel;
    auto it = std::find(siblings.begin(), siblings.end(), w);
    if (it == siblings.end()) return nullptr;
    switch (cmd) {
    case GW_HWNDFIRST: return siblings.front()->handle;
    case GW_HWNDLAST: return siblings.back()->handle;
    case GW_HWNDNEXT: return it + 1 != siblings.end() ? (*(it + 1))->handle : nullptr;
    case GW_HWNDPREV: return it != siblings.begin() ? (*(it - 1))->handle : nullptr;
    }
    return nullptr;
}

WINBASEAPI BOOL WINAPI IsChild(HWND parentHandle, HWND hwnd) {
    Window* parent = Find(parentHandle);
    Window* w = Find(hwnd);
    if (parent == nullptr || w == nullptr) return FALSE;
    for (Window* p = w->parent; p != nullptr; p = p->parent)
        if (p == parent) return TRUE;
    return FALSE;
}

// ---- Geometry ----

WINBASEAPI BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect) {
    Window* w = Find(hwnd);
    if (w == nullptr || rect == nullptr) return FALSE;
    *rect = w == &desktop ? Desktop()->rect : ScreenRect(w);
    return TRUE;
}

WINBASEAPI BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
    Window* w = Find(hwnd);
    if (w == nullptr || rect == nullptr) return FALSE;
    RECT c = w == &desktop ? Desktop()->rect : ClientScreenRect(w);
    *rect = {0, 0, c.right - c.left, c.bottom - c.top};
    return TRUE;
}

WINBASEAPI BOOL WINAPI ClientToScreen(HWND hwnd, LPPOINT point) {
    Window* w = Find(hwnd);
    if (w == nullptr || point == nullptr) return FALSE;
    RECT c = w == &desktop ? Desktop()->rect : ClientScreenRect(w);
    point->x += c.left;
    point->y += c.top;
    return TRUE;
}

WINBASEAPI BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT point) {
    Window* w = Find(hwnd);
    if (w == nullptr || point == nullptr) return FALSE;
    RECT c = w == &desktop ? Desktop()->rect : ClientScreenRect(w);
    point->x -= c.left;
    point->y -= c.top;
    return TRUE;
}

WINBASEAPI int WINAPI MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
    POINT origin{0, 0}, target{0, 0};
    if (from != nullptr && !ClientToScreen(from, &origin)) return 0;
    if (to != nullptr && !ClientToScreen(to, &target)) return 0;
    LONG dx = origin.x - target.x, dy = origin.y - target.y;
    for (UINT i = 0; points != nullptr && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

WINBASEAPI BOOL WINAPI SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy,
                                    UINT flags) {
    Window* w = Find(hwnd);
    if (w == nullptr || w == &desktop) return FALSE;
    RECT r = w->rect;
    if (!(flags & SWP_NOMOVE)) OffsetRect(&r, x - r.left, y - r.top);
    if (!(flags & SWP_NOSIZE)) {
        r.right = r.left + std::max(0, cx);
        r.bottom = r.top + std::max(0, cy);
    }
    if (!(flags & SWP_NOZORDER)) {
        auto& siblings = w->parent ? w->parent->children : topLevel;
        Window* anchor = Find(after);
        if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_BOTTOM ||
            (anchor != nullptr && anchor != w &&
             std::find(siblings.begin(), siblings.end(), anchor) != siblings.end())) {
            siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
            if (after == HWND_TOP || after == HWND_TOPMOST)
                siblings.insert(siblings.begin(), w);
            else if (after == HWND_BOTTOM)
                siblings.push_back(w);
            else
                siblings.insert(std::find(siblings.begin(), siblings.end(), anchor) + 1, w);
        }
    }
    bool moved = r.left != w->rect.left || r.top != w->rect.top;
    bool sized = r.right - r.left != w->rect.right - w->rect.left ||
                 r.bottom - r.top != w->rect.bottom - w->rect.top;
    if (w->parent) InvalidateRect(w->parent->handle, nullptr, TRUE);
    w->rect = r;
    if (moved) Send(w, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
    if (sized) Send(w, WM_SIZE, 0, MAKELPARAM(r.right - r.left, r.bottom - r.top));
    if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, SW_SHOWNA);
    if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
    InvalidateRect(hwnd, nullptr, TRUE);
    ScreenChanged();
    return TRUE;
}

WINBASEAPI BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

WINBASEAPI BOOL WINAPI PtInRect(const RECT* r, POINT pt) {
    return r != nullptr && pt.x >= r->left && pt.x < r->right && pt.y >= r->top &&
           pt.y < r->bottom;
}

WINBASEAPI BOOL WINAPI SetRect(LPRECT r, int left, int top, int right, int bottom) {
    if (r == nullptr) return FALSE;
    *r = {left, top, right, bottom};
    return TRUE;
}

WINBASEAPI BOOL WINAPI OffsetRect(LPRECT r, int dx, int dy) {
    if (r == nullptr) return FALSE;
    r->left += dx;
    r->right += dx;
    r->top += dy;
    r->bottom += dy;
    return TRUE;
}

WINBASEAPI int WINAPI GetSystemMetrics(int index) {
    if (index == SM_CXSCREEN) return Desktop()->rect.right;
    if (index == SM_CYSCREEN) return Desktop()->rect.bottom;
    return 0;
}

// ---- Focus and activation ----

WINBASEAPI HWND WINAPI SetFocus(HWND hwnd) {
    if (hwnd == nullptr) return ChangeFocus(nullptr);
    Window* w = Find(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // Focusing a window activates its top-level window first.
    if (TopLevelOf(w) != active) Activate(w);
    return ChangeFocus(w);
}

WINBASEAPI HWND WINAPI GetFocus(void) { return focus ? focus->handle : nullptr; }

WINBASEAPI HWND WINAPI GetActiveWindow(void) { return active ? active->handle : nullptr; }

WINBASEAPI HWND WINAPI SetActiveWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    HWND old = GetActiveWindow();
    if (w != nullptr && w != &desktop) Activate(w);
    return old;
}

WINBASEAPI BOOL WINAPI SetForegroundWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (w == nullptr) return platform::user::ForegroundRemote(hwnd);
    if (w == &desktop) return FALSE;
    Activate(w);
    return TRUE;
}

WINBASEAPI HWND WINAPI GetForegroundWindow(void) { return GetActiveWindow(); }

WINBASEAPI HWND WINAPI SetCapture(HWND hwnd) {
    HWND old = capture ? capture->handle : nullptr;
    capture = Find(hwnd);
    return old;
}

WINBASEAPI BOOL WINAPI ReleaseCapture(void) {
    Window* old = capture;
    capture = nullptr;
    if (old != nullptr) Send(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

WINBASEAPI HWND WINAPI GetCapture(void) { return capture ? capture->handle : nullptr; }
