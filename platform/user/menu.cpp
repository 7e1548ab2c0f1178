// Menus: menu records behind HMENU handles, the pop-up menu window (class
// "#32768") and the menu loop. While a menu is open the loop takes every
// mouse and key message for itself, as the menu loop of Windows does: the
// pop-up window holds the mouse capture, and keys, which are queued for the
// window with the focus, never reach it. Everything else is dispatched as
// usual, so timers and posted messages keep running.
#include "menu.h"

#include "classes.h"
#include "host/frontend.h"
#include "host/text.h"
#include "input.h"
#include "kernel/resources.h"
#include "message.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

namespace platform::user {
namespace {

constexpr DWORD kErrorPopupAlreadyActive = 1446; // ERROR_POPUP_ALREADY_ACTIVE

constexpr const char* kPopupClass = "#32768";
// WM_MENUSELECT flags.
constexpr UINT kMenuSelectHilite = 0x0080;
constexpr UINT kMenuSelectMouse = 0x8000;
constexpr UINT kMenuSelectClosed = 0xFFFF;

struct MenuRecord {
    std::vector<MenuItem> items;
};
std::unordered_map<uintptr_t, std::unique_ptr<MenuRecord>> menus;

MenuRecord* FindMenu(HMENU menu) {
    auto it = menus.find(reinterpret_cast<uintptr_t>(menu));
    return it == menus.end() ? nullptr : it->second.get();
}

HMENU Build(const std::vector<MenuItemInfo>& items, int depth) {
    static uintptr_t next = 0x00B10000;
    next += 4;
    const uintptr_t value = next;
    auto record = std::make_unique<MenuRecord>();
    for (const MenuItemInfo& info : items) {
        MenuItem item;
        item.text = info.text;
        item.id = info.id;
        item.type = info.type;
        item.state = info.state;
        if (info.popup && depth < kMaxMenuDepth) item.popup = Build(info.children, depth + 1);
        record->items.push_back(std::move(item));
    }
    menus[value] = std::move(record);
    return reinterpret_cast<HMENU>(value);
}

void Destroy(HMENU menu) {
    MenuRecord* record = FindMenu(menu);
    if (record == nullptr) return;
    std::vector<HMENU> popups;
    for (const MenuItem& item : record->items)
        if (item.popup != nullptr) popups.push_back(item.popup);
    menus.erase(reinterpret_cast<uintptr_t>(menu));
    for (HMENU popup : popups)
        Destroy(popup);
}

// ---- The open menu ----

struct Tracking {
    HMENU menu = nullptr;
    HWND owner = nullptr;
    UINT flags = 0;
    HWND window = nullptr;
    int highlighted = -1;
    bool ended = false;
    UINT chosen = 0;
    // A menu bar's pop-up: the window of the bar, the item that opened it,
    // and another bar item the user went to, to open next.
    HWND bar = nullptr;
    int barItem = -1;
    int switchTo = -1;
};
Tracking* tracking = nullptr;

bool Notifies(const Tracking& t) {
    return !(t.flags & TPM_NONOTIFY);
}

RECT PopupClientRect(const Tracking& t) {
    Window* w = Find(t.window);
    return w != nullptr ? ClientScreenRect(w) : RECT{0, 0, 0, 0};
}

std::vector<RECT> ItemRects(const Tracking& t) {
    std::vector<RECT> rects;
    const MenuRecord* record = FindMenu(t.menu);
    if (record == nullptr) return rects;
    RECT c = PopupClientRect(t);
    for (size_t i = 0; i < record->items.size(); ++i) {
        LONG top = c.top + static_cast<LONG>(i) * kMenuItemHeight;
        rects.push_back({c.left, top, c.right, top + kMenuItemHeight});
    }
    return rects;
}

int ItemAt(const Tracking& t, POINT p) {
    std::vector<RECT> rects = ItemRects(t);
    for (size_t i = 0; i < rects.size(); ++i)
        if (PtInRect(&rects[i], p)) return static_cast<int>(i);
    return -1;
}

const MenuItem* ItemOf(const Tracking& t, int index) {
    const MenuRecord* record = FindMenu(t.menu);
    if (record == nullptr || index < 0 || static_cast<size_t>(index) >= record->items.size())
        return nullptr;
    return &record->items[index];
}

void Highlight(Tracking& t, int index, bool byMouse) {
    if (index == t.highlighted) return;
    t.highlighted = index;
    if (Window* w = Find(t.window)) InvalidateRect(w->handle, nullptr, TRUE);
    ScreenChanged();
    const MenuItem* item = ItemOf(t, index);
    if (item == nullptr || !Notifies(t)) return;
    UINT flags = kMenuSelectHilite | (byMouse ? kMenuSelectMouse : 0) |
                 (item->popup ? MF_POPUP : 0) | (item->Separator() ? MF_SEPARATOR : 0) |
                 (item->state & (MF_GRAYED | MF_DISABLED | MF_CHECKED));
    UINT idOrIndex = item->popup ? static_cast<UINT>(index) : item->id;
    SendMessageA(t.owner, WM_MENUSELECT, MAKEWPARAM(idOrIndex, flags),
                 reinterpret_cast<LPARAM>(t.menu));
}

// Chooses an item, unless it cannot be chosen: separators, grayed items and
// items that open a pop-up of their own (cascading menus are not offered).
void Choose(Tracking& t, int index) {
    const MenuItem* item = ItemOf(t, index);
    if (item == nullptr || item->Separator() || item->Grayed() || item->popup != nullptr) return;
    t.chosen = item->id;
    t.ended = true;
}

// The next item the arrow keys stop at, skipping separators.
int Step(const Tracking& t, int from, int direction) {
    const MenuRecord* record = FindMenu(t.menu);
    if (record == nullptr || record->items.empty()) return -1;
    const int count = static_cast<int>(record->items.size());
    int i = from;
    for (int n = 0; n < count; ++n) {
        i = i < 0 ? (direction > 0 ? 0 : count - 1) : (i + direction + count) % count;
        if (!record->items[i].Separator()) return i;
    }
    return -1;
}

void Mnemonic(Tracking& t, UINT ch) {
    const MenuRecord* record = FindMenu(t.menu);
    if (record == nullptr || ch == 0) return;
    char32_t wanted = ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch;
    std::vector<int> matches;
    for (size_t i = 0; i < record->items.size(); ++i)
        if (!record->items[i].Separator() && MenuMnemonic(record->items[i].text) == wanted)
            matches.push_back(static_cast<int>(i));
    if (matches.size() == 1) {
        Highlight(t, matches[0], false);
        Choose(t, matches[0]);
    } else if (matches.size() > 1) {
        // Several items share the letter: each press moves to the next one.
        auto next = std::upper_bound(matches.begin(), matches.end(), t.highlighted);
        Highlight(t, next != matches.end() ? *next : matches.front(), false);
    }
}

int BarItemAt(Window* top, POINT p) {
    std::vector<RECT> rects = MenuBarItemRects(top);
    for (size_t i = 0; i < rects.size(); ++i)
        if (PtInRect(&rects[i], p)) return static_cast<int>(i);
    return -1;
}

// A bar item to go to with Left or Right: the next one that opens a pop-up.
int NextBarItem(Window* top, int from, int direction) {
    const MenuRecord* bar = FindMenu(top->menu);
    if (bar == nullptr || bar->items.empty()) return -1;
    const int count = static_cast<int>(bar->items.size());
    int i = from;
    for (int n = 0; n < count; ++n) {
        i = (i + direction + count) % count;
        if (bar->items[i].popup != nullptr && !bar->items[i].Grayed()) return i;
    }
    return -1;
}

POINT MessagePoint(const MSG& msg) {
    Window* w = Find(msg.hwnd);
    if (w == nullptr) return msg.pt;
    RECT c = ClientScreenRect(w);
    return {c.left + GET_X_LPARAM(msg.lParam), c.top + GET_Y_LPARAM(msg.lParam)};
}

void MouseMessage(Tracking& t, const MSG& msg) {
    POINT p = MessagePoint(msg);
    Window* popup = Find(t.window);
    RECT frame = popup != nullptr ? ScreenRect(popup) : RECT{0, 0, 0, 0};
    const bool inside = PtInRect(&frame, p) != 0;
    const int item = ItemAt(t, p);
    switch (msg.message) {
    case WM_MOUSEMOVE:
        Highlight(t, item, true);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        if (inside) {
            Highlight(t, item, true);
        } else {
            // A press outside closes the menu; on another item of the same
            // menu bar it opens that item's pop-up instead.
            Window* bar = Find(t.bar);
            int barItem = bar != nullptr ? BarItemAt(bar, p) : -1;
            if (barItem >= 0 && barItem != t.barItem) t.switchTo = barItem;
            t.ended = true;
        }
        break;
    case WM_LBUTTONUP:
        if (inside) Choose(t, item);
        break;
    case WM_RBUTTONUP:
        if (inside && (t.flags & TPM_RIGHTBUTTON)) Choose(t, item);
        break;
    default:
        break;
    }
}

void KeyMessage(Tracking& t, const MSG& msg) {
    if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
        Mnemonic(t, static_cast<UINT>(msg.wParam));
        return;
    }
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return;
    switch (msg.wParam) {
    case VK_ESCAPE:
    case VK_MENU:
    case VK_F10:
        t.ended = true;
        return;
    case VK_UP:
        Highlight(t, Step(t, t.highlighted, -1), false);
        return;
    case VK_DOWN:
        Highlight(t, Step(t, t.highlighted, +1), false);
        return;
    case VK_HOME:
        Highlight(t, Step(t, -1, +1), false);
        return;
    case VK_END:
        Highlight(t, Step(t, -1, -1), false);
        return;
    case VK_RETURN:
        Choose(t, t.highlighted);
        return;
    case VK_LEFT:
    case VK_RIGHT:
        if (Window* bar = Find(t.bar)) {
            int next = NextBarItem(bar, t.barItem, msg.wParam == VK_LEFT ? -1 : +1);
            if (next >= 0 && next != t.barItem) {
                t.switchTo = next;
                t.ended = true;
            }
        }
        return;
    }
    UINT ch = CharacterOfKey(msg.lParam);
    if (ch == 0 &&
        ((msg.wParam >= 'A' && msg.wParam <= 'Z') || (msg.wParam >= '0' && msg.wParam <= '9')))
        ch = static_cast<UINT>(msg.wParam);
    Mnemonic(t, ch);
}

bool IsMouseMessage(UINT m) {
    return m >= WM_MOUSEMOVE && m <= WM_MBUTTONDBLCLK;
}
bool IsKeyMessage(UINT m) {
    return m >= WM_KEYDOWN && m <= WM_SYSCHAR;
}

// The pop-up window's size for its items, frame included.
SIZE PopupSize(const MenuRecord& record) {
    int cells = 0;
    for (const MenuItem& item : record.items) {
        std::string label = MenuLabel(item.text);
        size_t tab = label.find('\t');
        int width = tab == std::string::npos
                        ? TextCells(label)
                        : TextCells(std::string_view(label).substr(0, tab)) + 2 +
                              TextCells(std::string_view(label).substr(tab + 1));
        cells = std::max(cells, width);
    }
    LONG width = kMenuTextIndent + cells * kCellWidth + 2 * kCellWidth + 2 * kFrameX;
    LONG height = static_cast<LONG>(record.items.size()) * kMenuItemHeight + 2 * kFrameY;
    return {width, height};
}

// Shows the pop-up with its top left corner at (x, y) (after alignment and
// keeping it on the screen) and runs the menu loop until it closes. A menu
// too tall for the room below opens upwards with its bottom at `upTo`.
void RunPopup(Tracking& t, int x, int y, int upTo) {
    const MenuRecord* record = FindMenu(t.menu);
    if (record == nullptr) return;
    SIZE size = PopupSize(*record);
    if (t.flags & TPM_CENTERALIGN)
        x -= size.cx / 2;
    else if (t.flags & TPM_RIGHTALIGN)
        x -= size.cx;
    const int shift = (t.flags & TPM_VCENTERALIGN)  ? size.cy / 2
                      : (t.flags & TPM_BOTTOMALIGN) ? size.cy
                                                    : 0;
    y -= shift;
    upTo -= shift;
    // A menu that does not fit opens to the other side of the point.
    const int screenWidth = CurrentFrontEnd().ScreenWidth();
    const int screenHeight = CurrentFrontEnd().ScreenHeight();
    if (x + size.cx > screenWidth) x = x - size.cx >= 0 ? x - size.cx : screenWidth - size.cx;
    if (y + size.cy > screenHeight)
        y = upTo - size.cy >= 0 ? upTo - size.cy : screenHeight - size.cy;
    x = std::max(0, x);
    y = std::max(0, y);

    t.window =
        CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kPopupClass, "", WS_POPUP | WS_BORDER, x,
                        y, size.cx, size.cy, t.owner, nullptr, nullptr, nullptr);
    if (t.window == nullptr) return;
    ShowWindow(t.window, SW_SHOWNA);
    SetCapture(t.window);

    Tracking* outer = tracking;
    tracking = &t;
    const HWND activeAtStart = GetActiveWindow();
    MSG msg;
    while (!t.ended) {
        // The menu closes when its window, owner or menu goes, when another
        // window takes the mouse, and when another window becomes active,
        // as it does on Windows when the owner loses the activation.
        if (!IsWindow(t.window) || !IsWindow(t.owner) || GetCapture() != t.window ||
            GetActiveWindow() != activeAtStart || FindMenu(t.menu) == nullptr)
            break;
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // for the loop outside
            break;
        }
        if (IsMouseMessage(msg.message)) {
            MouseMessage(t, msg);
        } else if (IsKeyMessage(msg.message)) {
            KeyMessage(t, msg);
        } else {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    tracking = outer;
    if (GetCapture() == t.window) ReleaseCapture();
    if (IsWindow(t.window)) DestroyWindow(t.window);
    t.window = nullptr;
    ScreenChanged();
}

// Ends the loop for a reason other than a message it handles (its window
// destroyed with the owner, a modal window opening over it). The loop may
// be waiting in GetMessage for input that will never come for it, so an
// empty message wakes it.
void EndFromOutside(Tracking& t) {
    if (t.ended) return;
    t.ended = true;
    PostMessageA(nullptr, WM_NULL, 0, 0);
}

LRESULT CALLBACK PopupProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_CANCELMODE:
        if (tracking != nullptr && tracking->window == hwnd) CancelMenu();
        return 0;
    case WM_DESTROY:
        if (tracking != nullptr && tracking->window == hwnd) EndFromOutside(*tracking);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Sends the messages that open menu mode and close it; `popup` is true for
// TrackPopupMenu, false for a menu bar.
void EnterMenuLoop(HWND owner, HMENU menu, bool popup, bool notify) {
    SendMessageA(owner, WM_ENTERMENULOOP, popup, 0);
    if (notify) SendMessageA(owner, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
}

void ExitMenuLoop(HWND owner, bool popup, bool notify) {
    if (!IsWindow(owner)) return;
    if (notify) SendMessageA(owner, WM_MENUSELECT, MAKEWPARAM(0, kMenuSelectClosed), 0);
    SendMessageA(owner, WM_EXITMENULOOP, popup, 0);
}

} // namespace

void RegisterMenuClass() {
    RegisterSystemClass(kPopupClass, PopupProc, CS_SAVEBITS, MAKEINTRESOURCEA(IDC_ARROW));
}

HMENU CreateMenuFrom(const MenuTemplateInfo& info) {
    return Build(info.items, 0);
}

void CancelMenu() {
    if (tracking == nullptr) return;
    EndFromOutside(*tracking);
    // The pop-up goes now, with the capture, even though its loop ends only
    // when the caller's nested loop has returned to it.
    const HWND window = tracking->window;
    if (GetCapture() == window) ReleaseCapture();
    if (IsWindow(window)) DestroyWindow(window);
}

const std::vector<MenuItem>* MenuItems(HMENU menu) {
    const MenuRecord* record = FindMenu(menu);
    return record != nullptr ? &record->items : nullptr;
}

std::string MenuLabel(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            // "&&" stands for one ampersand; a single one marks the mnemonic.
            if (i + 1 < text.size() && text[i + 1] == '&') out += text[++i];
            continue;
        }
        out += text[i];
    }
    return out;
}


char32_t MenuMnemonic(std::string_view text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        size_t at = i + 1;
        char32_t c = platform::NextCodePoint(text, &at);
        return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
    }
    return 0;
}

std::optional<OpenMenuView> OpenMenu() {
    if (tracking == nullptr || Find(tracking->window) == nullptr) return std::nullopt;
    OpenMenuView view;
    view.window = tracking->window;
    view.menu = tracking->menu;
    view.owner = tracking->owner;
    view.highlighted = tracking->highlighted;
    view.items = ItemRects(*tracking);
    view.menuBarOf = tracking->bar;
    view.menuBarItem = tracking->barItem;
    return view;
}

HMENU MenuOfWindow(HWND popup) {
    return tracking != nullptr && popup != nullptr && tracking->window == popup ? tracking->menu
                                                                                : nullptr;
}

std::vector<RECT> MenuBarItemRects(Window* top) {
    std::vector<RECT> rects;
    const MenuRecord* bar = top != nullptr ? FindMenu(top->menu) : nullptr;
    if (bar == nullptr) return rects;
    RECT r = MenuBarRect(top);
    LONG x = r.left;
    for (const MenuItem& item : bar->items) {
        LONG width = (TextCells(MenuLabel(item.text)) + 2) * kCellWidth;
        rects.push_back({x, r.top, x + width, r.bottom});
        x += width;
    }
    return rects;
}

void TrackMenuBar(Window* top, POINT screen) {
    if (top == nullptr || tracking != nullptr) return;
    int index = BarItemAt(top, screen);
    if (index < 0) return;
    const HWND hwnd = top->handle;
    const HMENU barMenu = top->menu;
    EnterMenuLoop(hwnd, barMenu, false, true);
    UINT chosen = 0;
    while (index >= 0 && IsWindow(hwnd) && Find(hwnd)->menu == barMenu) {
        const MenuRecord* bar = FindMenu(barMenu);
        if (bar == nullptr || static_cast<size_t>(index) >= bar->items.size()) break;
        const MenuItem item = bar->items[index];
        if (item.Grayed() || item.Separator()) break;
        if (item.popup == nullptr) { // a command on the bar itself
            chosen = item.id;
            break;
        }
        SendMessageA(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(item.popup),
                     MAKELPARAM(index, FALSE));
        Window* w = Find(hwnd);
        if (w == nullptr) break;
        std::vector<RECT> rects = MenuBarItemRects(w);
        if (static_cast<size_t>(index) >= rects.size()) break;
        Tracking t;
        t.menu = item.popup;
        t.owner = hwnd;
        t.bar = hwnd;
        t.barItem = index;
        RunPopup(t, rects[index].left, rects[index].bottom, rects[index].top);
        chosen = t.chosen;
        index = t.ended && t.chosen == 0 ? t.switchTo : -1;
    }
    ExitMenuLoop(hwnd, false, true);
    // The command arrives after the menu has closed, as a posted message.
    if (chosen != 0 && IsWindow(hwnd)) PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
}

} // namespace platform::user

using namespace platform::user;

WINBASEAPI HMENU WINAPI LoadMenuA(HINSTANCE instance, LPCSTR name) {
    platform::MenuTemplateInfo info;
    if (name == nullptr || !platform::LoadMenuItems(instance, name, &info)) return nullptr;
    return CreateMenuFrom(info);
}

WINBASEAPI HMENU WINAPI GetSubMenu(HMENU menu, int position) {
    const std::vector<MenuItem>* items = MenuItems(menu);
    if (items == nullptr || position < 0 || static_cast<size_t>(position) >= items->size())
        return nullptr;
    return (*items)[position].popup;
}

WINBASEAPI BOOL WINAPI DestroyMenu(HMENU menu) {
    if (MenuItems(menu) == nullptr) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    Destroy(menu);
    return TRUE;
}

WINBASEAPI int WINAPI GetMenuItemCount(HMENU menu) {
    const std::vector<MenuItem>* items = MenuItems(menu);
    if (items == nullptr) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return -1;
    }
    return static_cast<int>(items->size());
}

WINBASEAPI UINT WINAPI GetMenuItemID(HMENU menu, int position) {
    const std::vector<MenuItem>* items = MenuItems(menu);
    if (items == nullptr || position < 0 || static_cast<size_t>(position) >= items->size())
        return static_cast<UINT>(-1);
    const MenuItem& item = (*items)[position];
    return item.popup != nullptr ? static_cast<UINT>(-1) : item.id;
}

namespace {
const MenuItem* FindItem(HMENU menu, UINT which, UINT flags, int depth = 0) {
    const std::vector<MenuItem>* items = MenuItems(menu);
    if (items == nullptr) return nullptr;
    if (flags & MF_BYPOSITION) return which < items->size() ? &(*items)[which] : nullptr;
    for (const MenuItem& item : *items) {
        if (item.popup == nullptr && !item.Separator() && item.id == which) return &item;
        if (item.popup != nullptr && depth < platform::kMaxMenuDepth)
            if (const MenuItem* found = FindItem(item.popup, which, flags, depth + 1)) return found;
    }
    return nullptr;
}
} // namespace

WINBASEAPI int WINAPI GetMenuStringA(HMENU menu, UINT which, LPSTR buffer, int size, UINT flags) {
    const MenuItem* item = FindItem(menu, which, flags);
    if (item == nullptr) return 0;
    if (buffer == nullptr || size <= 0) return static_cast<int>(item->text.size());
    return static_cast<int>(platform::CopyCut(item->text, buffer, static_cast<size_t>(size)));
}

WINBASEAPI HMENU WINAPI GetMenu(HWND hwnd) {
    Window* w = Find(hwnd);
    return w != nullptr && !(w->style & WS_CHILD) ? w->menu : nullptr;
}

WINBASEAPI BOOL WINAPI TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner,
                                      const RECT*) {
    const std::vector<MenuItem>* items = MenuItems(menu);
    if (items == nullptr) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    if (Find(owner) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (tracking != nullptr) {
        SetLastError(kErrorPopupAlreadyActive);
        return FALSE;
    }
    if (items->empty()) return FALSE;

    const bool notify = !(flags & TPM_NONOTIFY);
    EnterMenuLoop(owner, menu, true, notify);
    if (notify)
        SendMessageA(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, FALSE));
    Tracking t;
    t.menu = menu;
    t.owner = owner;
    t.flags = flags;
    if (MenuItems(menu) != nullptr && IsWindow(owner)) RunPopup(t, x, y, y);
    ExitMenuLoop(owner, true, notify);

    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(t.chosen);
    if (t.chosen != 0 && IsWindow(owner))
        PostMessageA(owner, WM_COMMAND, MAKEWPARAM(t.chosen, 0), 0);
    return TRUE;
}

WINBASEAPI BOOL WINAPI IsMenu(HMENU menu) { return platform::user::FindMenu(menu) != nullptr; }
