// The tab control ("SysTabControl32"): a row of titled tabs over a display
// area. Choosing another tab by mouse or keyboard asks the parent first
// (TCN_SELCHANGING, which it may refuse) and reports the change after it
// (TCN_SELCHANGE); every key pressed on it is reported with TCN_KEYDOWN.
//
// Geometry, in the control's client pixels: the tabs sit in one row of one
// cell's height at the top, from the left edge on, each as wide as its title
// plus one cell on either side (a wide East Asian character takes two
// cells). That row also serves as the top edge of the frame around the
// display area; the other three edges take one cell each. So the display
// area is the window rectangle less one cell on the left, right and bottom
// and one row at the top.
#include <commctrl.h>

#include "host/text.h"
#include "user/classes.h"
#include "user/window.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace platform::commctrl {
namespace {

using user::kCellHeight;
using user::kCellWidth;
using user::Window;

struct TabItem {
    std::string text;
    int image = -1;
    LPARAM param = 0;
};

struct TabState : user::ControlState {
    std::vector<TabItem> items;
    int selected = -1;
};

TabState* StateFor(Window* w) {
    if (w == nullptr) return nullptr;
    if (!w->state) w->state = std::make_unique<TabState>();
    return dynamic_cast<TabState*>(w->state.get());
}

int TabWidth(const TabItem& item) { return (platform::TextCells(item.text) + 2) * kCellWidth; }

RECT ItemRect(const TabState& s, size_t index) {
    int left = 0;
    for (size_t i = 0; i < index; ++i) left += TabWidth(s.items[i]);
    return {left, 0, left + TabWidth(s.items[index]), kCellHeight};
}

int ItemAt(const TabState& s, POINT p) {
    for (size_t i = 0; i < s.items.size(); ++i) {
        RECT r = ItemRect(s, i);
        if (PtInRect(&r, p)) return static_cast<int>(i);
    }
    return -1;
}

bool IsValidIndex(const TabState& s, WPARAM index) { return index < s.items.size(); }

void Redraw(Window* w) { InvalidateRect(w->handle, nullptr, TRUE); }

LRESULT Notify(Window* w, NMHDR* header) {
    return SendMessageA(GetParent(w->handle), WM_NOTIFY, w->id, reinterpret_cast<LPARAM>(header));
}

LRESULT Notify(Window* w, UINT code) {
    NMHDR header{w->handle, w->id, code};
    return Notify(w, &header);
}

// The user chooses a tab: the parent may refuse before the change and
// hears about it after.
void ChooseTab(Window* w, int index) {
    const HWND hwnd = w->handle;
    TabState* s = StateFor(w);
    if (s == nullptr || index < 0 || index == s->selected) return;
    if (!IsValidIndex(*s, static_cast<WPARAM>(index))) return;
    if (Notify(w, TCN_SELCHANGING) != 0 || user::Find(hwnd) != w) return;
    // The parent may have changed the tabs meanwhile.
    if (!IsValidIndex(*s, static_cast<WPARAM>(index))) return;
    s->selected = index;
    Redraw(w);
    Notify(w, TCN_SELCHANGE);
}

void ButtonDown(Window* w, LPARAM lParam) {
    const HWND hwnd = w->handle;
    TabState* s = StateFor(w);
    const int hit = ItemAt(*s, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    if (hit < 0) return;
    if (!(w->style & TCS_FOCUSNEVER)) {
        SetFocus(hwnd);
        if (user::Find(hwnd) != w) return;
    }
    ChooseTab(w, hit);
}

void KeyDown(Window* w, WPARAM vk, LPARAM lParam) {
    const HWND hwnd = w->handle;
    // The packed record starts with its header; the union keeps that header
    // aligned for the parent.
    union {
        NMTCKEYDOWN key;
        NMHDR header;
    } record{};
    record.key.hdr = {hwnd, w->id, TCN_KEYDOWN};
    record.key.wVKey = static_cast<WORD>(vk);
    record.key.flags = static_cast<UINT>(lParam);
    Notify(w, &record.header);
    if (user::Find(hwnd) != w) return;
    const int selected = StateFor(w)->selected;
    if (vk == VK_LEFT || vk == VK_UP) ChooseTab(w, selected - 1);
    if (vk == VK_RIGHT || vk == VK_DOWN) ChooseTab(w, selected + 1);
}

// The documented answer is DLGC_WANTARROWS | DLGC_WANTCHARS. A plain Tab
// is asked for as well, so that TCN_KEYDOWN reports it and the parent can
// move the focus into the page the tab shows; Shift+Tab still goes back
// through the dialog.
LRESULT DialogCode(const MSG* msg) {
    LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB &&
        GetKeyState(VK_SHIFT) >= 0)
        code |= DLGC_WANTTAB;
    return code;
}

LRESULT CALLBACK TabControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = user::Find(hwnd);
    TabState* s = StateFor(w);
    if (s == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case TCM_GETITEMCOUNT: return static_cast<LRESULT>(s->items.size());
    case TCM_INSERTITEMA: {
        const auto* item = reinterpret_cast<const TCITEMA*>(lParam);
        if (item == nullptr || static_cast<int>(wParam) < 0) return -1;
        const size_t at = std::min<size_t>(wParam, s->items.size());
        TabItem added;
        if ((item->mask & TCIF_TEXT) && item->pszText != nullptr) added.text = item->pszText;
        if (item->mask & TCIF_IMAGE) added.image = item->iImage;
        if (item->mask & TCIF_PARAM) added.param = item->lParam;
        s->items.insert(s->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(added));
        // The first tab becomes the selected one; a tab inserted before the
        // selected one leaves the same tab selected.
        if (s->selected < 0)
            s->selected = 0;
        else if (static_cast<int>(at) <= s->selected)
            ++s->selected;
        Redraw(w);
        return static_cast<LRESULT>(at);
    }
    case TCM_GETITEMA: {
        auto* item = reinterpret_cast<TCITEMA*>(lParam);
        if (item == nullptr || !IsValidIndex(*s, wParam)) return FALSE;
        const TabItem& tab = s->items[wParam];
        if ((item->mask & TCIF_TEXT) && item->pszText != nullptr && item->cchTextMax > 0)
            CopyCut(tab.text, item->pszText, static_cast<size_t>(item->cchTextMax));
        if (item->mask & TCIF_IMAGE) item->iImage = tab.image;
        if (item->mask & TCIF_PARAM) item->lParam = tab.param;
        return TRUE;
    }
    case TCM_DELETEALLITEMS:
        s->items.clear();
        s->selected = -1;
        Redraw(w);
        return TRUE;
    case TCM_GETITEMRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (rect == nullptr || !IsValidIndex(*s, wParam)) return FALSE;
        *rect = ItemRect(*s, wParam);
        return TRUE;
    }
    case TCM_GETCURSEL: return s->selected;
    case TCM_SETCURSEL: {
        // A program's choice: no notifications.
        if (!IsValidIndex(*s, wParam)) return -1;
        const int old = s->selected;
        s->selected = static_cast<int>(wParam);
        if (old != s->selected) Redraw(w);
        return old;
    }
    case TCM_ADJUSTRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (rect == nullptr) return 0;
        // wParam FALSE: window rectangle to display area; TRUE: back.
        const int sign = wParam ? -1 : 1;
        rect->left += sign * kCellWidth;
        rect->top += sign * kCellHeight;
        rect->right -= sign * kCellWidth;
        rect->bottom -= sign * kCellHeight;
        return 0;
    }

    case WM_GETDLGCODE: return DialogCode(reinterpret_cast<const MSG*>(lParam));
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Redraw(w); return 0;
    case WM_LBUTTONDOWN: ButtonDown(w, lParam); return 0;
    case WM_KEYDOWN:
        KeyDown(w, wParam, lParam);
        if (user::Find(hwnd) != w) return 0;
        break; // F1 and the like go on to the default procedure
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

void RegisterTabControlClass() {
    user::RegisterSystemClass(WC_TABCONTROLA, TabControlProc, 0, MAKEINTRESOURCEA(IDC_ARROW));
}

} // namespace platform::commctrl
