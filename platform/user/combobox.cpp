// The "ComboBox" control, drop-down (CBS_DROPDOWN, with an edit field) and
// drop-down list (CBS_DROPDOWNLIST), and its list, a pop-up window of class
// "ComboLBox" that is shown below the field while the list is dropped.
//
// Layout, in pixels: the field is one cell high; its right-most cell is the
// button that drops the list. The list has one item a row and as many rows
// as the template's height below the field holds. With WS_VSCROLL on the
// combo box and more items than rows, the list's right-most cell column is
// a scroll bar (WS_VSCROLL on the list): its top row scrolls up one item,
// its bottom row down one, the rows between a page up (upper half) or down.
//
// The front ends draw the field from WM_GETTEXT, CB_GETEDITSEL and the
// focus, and the list from CB_GETCOUNT, CB_GETLBTEXT and the list window's
// LB_GETCURSEL (the highlighted row) and LB_GETTOPINDEX.
#include "classes.h"
#include "host/text.h"
#include "input.h"
#include "window.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace platform::user {
namespace {

constexpr const char* kListClass = "ComboLBox";
constexpr int kItemHeight = kCellHeight;
constexpr int kButtonWidth = kCellWidth;
// The most text an edit field with CBS_AUTOHSCROLL takes, as Windows'.
constexpr size_t kMaxEditBytes = 30000;

struct ComboState : ControlState {
    std::vector<std::string> items;
    int selection = -1;
    // The list.
    HWND list = nullptr;
    bool dropped = false;
    int dropHeight = kItemHeight; // pixels below the field, from the template
    int topIndex = 0;
    int highlight = -1;
    // The edit field: its text is the window text; the selected bytes lie
    // between anchor and caret.
    size_t anchor = 0;
    size_t caret = 0;
    std::string partial; // the first bytes of a UTF-8 character being typed
};

struct ListState : ControlState {
    HWND combo = nullptr;
};

ComboState& StateOfCombo(Window* w) { return StateOf<ComboState>(w); }

bool HasEdit(const Window* w) { return (w->style & 0x3) == CBS_DROPDOWN; }

int Count(const ComboState& s) { return static_cast<int>(s.items.size()); }

int Rows(const ComboState& s) { return std::max(1, s.dropHeight / kItemHeight); }

int ClientWidth(const Window* w) {
    RECT r = ClientScreenRect(w);
    return r.right - r.left;
}

// Sends a notification to the parent; false when the combo box did not
// survive it.
bool Notify(Window* w, WORD code) {
    HWND hwnd = w->handle;
    if (w->parent != nullptr)
        Send(w->parent, WM_COMMAND, MAKEWPARAM(w->id, code), reinterpret_cast<LPARAM>(hwnd));
    return Find(hwnd) == w;
}

bool HasScrollBar(const Window* w, const ComboState& s) {
    return (w->style & WS_VSCROLL) && Count(s) > Rows(s);
}

void ClampTop(ComboState& s) {
    s.topIndex = std::clamp(s.topIndex, 0, std::max(0, Count(s) - Rows(s)));
}

void ScrollIntoView(ComboState& s, int index) {
    if (index < 0) return;
    if (index < s.topIndex) s.topIndex = index;
    if (index >= s.topIndex + Rows(s)) s.topIndex = index - Rows(s) + 1;
    ClampTop(s);
}

void SelectAllText(Window* w) {
    auto& s = StateOfCombo(w);
    s.anchor = 0;
    s.caret = w->text.size();
}

// Makes `index` the current selection (-1: none) and shows its text in the
// field, without notifications.
void Select(Window* w, int index) {
    auto& s = StateOfCombo(w);
    if (index < 0 || index >= Count(s)) index = -1;
    s.selection = index;
    s.highlight = index;
    w->text = index >= 0 ? s.items[index] : std::string();
    s.partial.clear();
    SelectAllText(w);
    ScrollIntoView(s, index);
    ScreenChanged();
}

// ---- The list ----

void HideList(Window* w) {
    auto& s = StateOfCombo(w);
    s.dropped = false;
    if (Window* list = Find(s.list)) {
        ShowWindow(s.list, SW_HIDE);
        if (CaptureWindow() == list) ReleaseCapture();
    }
    ScreenChanged();
}

void DropDown(Window* w) {
    auto& s = StateOfCombo(w);
    if (s.dropped || !IsEnabled(w)) return;
    // The parent may fill the list now.
    if (!Notify(w, CBN_DROPDOWN) || s.dropped) return;
    HWND hwnd = w->handle;
    if (Find(s.list) == nullptr) {
        s.list = CreateWindowExA(0, kListClass, "", WS_POPUP, 0, 0, 0, 0, hwnd, nullptr,
                                 w->instance, hwnd);
        if (Find(hwnd) != w || s.list == nullptr) return;
    }
    Window* list = Find(s.list);
    s.highlight = s.selection;
    ClampTop(s);
    ScrollIntoView(s, s.selection);

    RECT field = ScreenRect(w);
    const int height = Rows(s) * kItemHeight;
    int y = field.bottom;
    // Where the screen ends below the field, the list opens above it.
    if (y + height > GetSystemMetrics(SM_CYSCREEN) && field.top - height >= 0)
        y = field.top - height;
    if (HasScrollBar(w, s))
        list->style |= WS_VSCROLL;
    else
        list->style &= ~WS_VSCROLL;
    SetWindowPos(s.list, HWND_TOP, field.left, y, field.right - field.left, height,
                 SWP_NOACTIVATE);
    s.dropped = true;
    ShowWindow(s.list, SW_SHOWNA);
    // Every click goes to the list while it is open, so that one outside
    // closes it.
    SetCapture(s.list);
    ScreenChanged();
}

enum class Close {
    Accept, // the user's choice stands: CBN_SELENDOK
    Cancel, // the user went elsewhere or pressed Escape: CBN_SELENDCANCEL
    Quiet,  // the program closed it: CBN_CLOSEUP only
};

// Closes the list. `choose` is the item the user picked, or -1; a pick
// that changes the selection is told with CBN_SELCHANGE, and so is every
// click on an item (`clicked`), as Windows does. The notifications come
// after the list is gone, in the order Windows sends them for a pick with
// the mouse: CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE.
void CloseList(Window* w, Close how, int choose = -1, bool clicked = false) {
    auto& s = StateOfCombo(w);
    if (!s.dropped) return;
    const bool picked = how == Close::Accept && choose >= 0 && choose < Count(s) &&
                        (clicked || choose != s.selection);
    if (picked) Select(w, choose);
    HideList(w);
    if (how == Close::Accept && !Notify(w, CBN_SELENDOK)) return;
    if (how == Close::Cancel && !Notify(w, CBN_SELENDCANCEL)) return;
    if (!Notify(w, CBN_CLOSEUP)) return;
    if (picked) Notify(w, CBN_SELCHANGE);
}

// The user moves the selection with the keyboard. An open list tells of
// each step with CBN_SELCHANGE; a closed one also confirms it first with
// CBN_SELENDOK, as Windows does.
void MoveSelection(Window* w, int target) {
    auto& s = StateOfCombo(w);
    if (Count(s) == 0) return;
    target = std::clamp(target, 0, Count(s) - 1);
    if (target == s.selection && target == s.highlight) return;
    Select(w, target);
    if (!s.dropped && !Notify(w, CBN_SELENDOK)) return;
    Notify(w, CBN_SELCHANGE);
}

Window* ComboOfList(Window* list) {
    Window* combo = Find(StateOf<ListState>(list).combo);
    if (combo == nullptr || combo->windowClass == nullptr || combo->windowClass->name != "ComboBox")
        return nullptr;
    return combo;
}

LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* list = Find(hwnd);
    if (list == nullptr) return 0;
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        StateOf<ListState>(list).combo = cs ? static_cast<HWND>(cs->lpCreateParams) : nullptr;
        return TRUE;
    }
    Window* combo = ComboOfList(list);
    if (combo == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
    auto& s = StateOfCombo(combo);

    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    const RECT client = ClientScreenRect(list);
    const int width = client.right - client.left, height = client.bottom - client.top;
    const bool inside = x >= 0 && y >= 0 && x < width && y < height;
    const bool onBar = inside && HasScrollBar(combo, s) && x >= width - kCellWidth;
    const int row = y / kItemHeight;
    const int item = inside && !onBar && s.topIndex + row < Count(s) ? s.topIndex + row : -1;

    switch (message) {
    case WM_MOUSEMOVE:
        // The highlight follows the mouse; the selection waits for a click.
        if (item >= 0 && item != s.highlight) {
            s.highlight = item;
            ScreenChanged();
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!s.dropped) return 0;
        if (!inside) {
            CloseList(combo, Close::Cancel);
        } else if (onBar) {
            const int rows = Rows(s);
            if (row == 0)
                --s.topIndex;
            else if (row >= rows - 1)
                ++s.topIndex;
            else
                s.topIndex += row < rows / 2 ? -(rows - 1) : rows - 1;
            ClampTop(s);
            ScreenChanged();
        } else if (item >= 0) {
            s.highlight = item;
            ScreenChanged();
        }
        return 0;
    case WM_LBUTTONUP:
        // A release over an item picks it, also at the end of a drag from
        // the field; elsewhere (the click that opened the list) nothing.
        if (s.dropped && item >= 0) CloseList(combo, Close::Accept, item, true);
        return 0;
    case WM_CAPTURECHANGED:
        if (s.dropped) CloseList(combo, Close::Cancel);
        return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;

    case LB_GETCOUNT: return Count(s);
    case LB_GETCURSEL: return s.highlight >= 0 ? s.highlight : LB_ERR;
    case LB_GETTOPINDEX: return s.topIndex;
    case LB_GETTEXTLEN: {
        int i = static_cast<int>(wParam);
        return i >= 0 && i < Count(s) ? static_cast<LRESULT>(s.items[i].size()) : LB_ERR;
    }
    case LB_GETTEXT: {
        int i = static_cast<int>(wParam);
        if (i < 0 || i >= Count(s) || lParam == 0) return LB_ERR;
        const std::string& text = s.items[i];
        return static_cast<LRESULT>(CopyCut(text, reinterpret_cast<char*>(lParam), text.size() + 1));
    }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// ---- The edit field ----

size_t CodePoints(std::string_view text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

// Without CBS_AUTOHSCROLL the field takes only as many characters as it
// shows, one a cell.
bool Fits(const Window* w, const std::string& text) {
    if (w->style & CBS_AUTOHSCROLL) return text.size() <= kMaxEditBytes;
    const int cells = std::max(0, (ClientWidth(w) - kButtonWidth) / kCellWidth);
    return CodePoints(text) <= static_cast<size_t>(cells);
}

size_t PreviousCharacter(const std::string& text, size_t at) {
    if (at == 0) return 0;
    --at;
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return at;
}

size_t NextCharacter(const std::string& text, size_t at) {
    if (at >= text.size()) return text.size();
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
    return at;
}

// Replaces the bytes from `from` to `to` by `insert`. A change the user
// makes leaves no current selection and is told with CBN_EDITUPDATE, then
// CBN_EDITCHANGE.
void EditText(Window* w, size_t from, size_t to, const std::string& insert) {
    auto& s = StateOfCombo(w);
    if (from == to && insert.empty()) return;
    std::string text = w->text.substr(0, from) + insert + w->text.substr(to);
    if (!insert.empty() && !Fits(w, text)) return;
    w->text = std::move(text);
    s.anchor = s.caret = from + insert.size();
    s.selection = -1;
    // An open list highlights nothing now, so that Enter keeps the text.
    if (s.dropped) s.highlight = -1;
    ScreenChanged();
    if (!Notify(w, CBN_EDITUPDATE)) return;
    Notify(w, CBN_EDITCHANGE);
}

void ClampEditSelection(Window* w) {
    auto& s = StateOfCombo(w);
    s.anchor = std::min(s.anchor, w->text.size());
    s.caret = std::min(s.caret, w->text.size());
}

void ReplaceSelection(Window* w, const std::string& insert) {
    auto& s = StateOfCombo(w);
    ClampEditSelection(w);
    EditText(w, std::min(s.anchor, s.caret), std::max(s.anchor, s.caret), insert);
}

void DeleteBackward(Window* w) {
    auto& s = StateOfCombo(w);
    ClampEditSelection(w);
    if (s.anchor != s.caret)
        ReplaceSelection(w, "");
    else
        EditText(w, PreviousCharacter(w->text, s.caret), s.caret, "");
}

void DeleteForward(Window* w) {
    auto& s = StateOfCombo(w);
    ClampEditSelection(w);
    if (s.anchor != s.caret)
        ReplaceSelection(w, "");
    else
        EditText(w, s.caret, NextCharacter(w->text, s.caret), "");
}

// The length of the UTF-8 sequence a lead byte starts, 0 for a byte that
// cannot start one.
size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Whether a complete sequence is a character: no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool IsCharacter(const std::string& seq) {
    const auto b0 = static_cast<unsigned char>(seq[0]), b1 = static_cast<unsigned char>(seq[1]);
    if (b0 == 0xE0 && b1 < 0xA0) return false;
    if (b0 == 0xED && b1 > 0x9F) return false;
    if (b0 == 0xF0 && b1 < 0x90) return false;
    if (b0 == 0xF4 && b1 > 0x8F) return false;
    return true;
}

// One byte of typed text. Characters beyond ASCII arrive a byte at a time;
// they enter the field whole, and bytes that do not make a character are
// dropped, so the text stays valid UTF-8.
void TypeByte(Window* w, unsigned char c) {
    auto& s = StateOfCombo(w);
    if (c < 0x80) {
        s.partial.clear();
        if (c == '\b')
            DeleteBackward(w);
        else if (c >= 0x20 && c != 0x7F)
            ReplaceSelection(w, std::string(1, static_cast<char>(c)));
        return;
    }
    if ((c & 0xC0) == 0x80) {
        if (s.partial.empty()) return;
        s.partial.push_back(static_cast<char>(c));
        if (s.partial.size() < SequenceLength(static_cast<unsigned char>(s.partial[0]))) return;
        std::string character;
        character.swap(s.partial);
        if (IsCharacter(character)) ReplaceSelection(w, character);
        return;
    }
    s.partial.clear();
    if (SequenceLength(c) != 0) s.partial.push_back(static_cast<char>(c));
}

void MoveCaret(Window* w, size_t to, bool extend) {
    auto& s = StateOfCombo(w);
    s.caret = std::min(to, w->text.size());
    if (!extend) s.anchor = s.caret;
    ScreenChanged();
}

// ---- The combo box ----

bool FindsPrefix(const std::string& item, const std::string& prefix) {
    return item.size() >= prefix.size() && EqualNoCase(std::string_view(item).substr(0, prefix.size()), prefix);
}

LRESULT OnKeyDown(Window* w, WPARAM key, LPARAM lParam) {
    auto& s = StateOfCombo(w);
    const bool edit = HasEdit(w);
    const bool shift = KeyDown(VK_SHIFT);
    const int base = s.dropped ? s.highlight : s.selection;
    const int page = std::max(1, Rows(s) - 1);
    switch (key) {
    case VK_F4:
        if (s.dropped)
            CloseList(w, Close::Accept, s.highlight);
        else
            DropDown(w);
        return 0;
    case VK_UP: MoveSelection(w, base < 0 ? 0 : base - 1); return 0;
    case VK_DOWN: MoveSelection(w, base < 0 ? 0 : base + 1); return 0;
    case VK_PRIOR: MoveSelection(w, base < 0 ? 0 : base - page); return 0;
    case VK_NEXT: MoveSelection(w, base < 0 ? 0 : base + page); return 0;
    case VK_HOME:
        if (edit && !s.dropped)
            MoveCaret(w, 0, shift);
        else
            MoveSelection(w, 0);
        return 0;
    case VK_END:
        if (edit && !s.dropped)
            MoveCaret(w, w->text.size(), shift);
        else
            MoveSelection(w, Count(s) - 1);
        return 0;
    case VK_LEFT:
        if (edit)
            MoveCaret(w, PreviousCharacter(w->text, std::min(s.caret, w->text.size())), shift);
        else
            MoveSelection(w, base < 0 ? 0 : base - 1);
        return 0;
    case VK_RIGHT:
        if (edit)
            MoveCaret(w, NextCharacter(w->text, s.caret), shift);
        else
            MoveSelection(w, base < 0 ? 0 : base + 1);
        return 0;
    case VK_DELETE:
        if (edit) DeleteForward(w);
        return 0;
    case VK_BACK:
        // Backspace is a character (WM_CHAR 8) when the key types one.
        if (edit && CharacterOfKey(lParam) == 0) DeleteBackward(w);
        return 0;
    case VK_RETURN:
        if (s.dropped) CloseList(w, Close::Accept, s.highlight);
        return 0;
    case VK_ESCAPE:
        if (s.dropped) CloseList(w, Close::Cancel);
        return 0;
    }
    return DefWindowProcA(w->handle, WM_KEYDOWN, key, lParam);
}

LRESULT CALLBACK ComboProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (w == nullptr) return 0;
    auto& s = StateOfCombo(w);

    switch (message) {
    case WM_CREATE: {
        // The template's height includes the dropped list; the window
        // itself is the one-row field.
        auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        int total = cs ? cs->cy : 0;
        s.dropHeight = std::max(kItemHeight, total - kItemHeight);
        RECT r = w->rect;
        if (r.bottom - r.top != kItemHeight)
            SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, kItemHeight,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SelectAllText(w);
        return 0;
    }
    case WM_DESTROY:
        if (s.dropped) HideList(w);
        if (Find(s.list) != nullptr) DestroyWindow(s.list);
        s.list = nullptr;
        return 0;

    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
        // While the list is open, Enter and Escape are for it, not for the
        // dialog's buttons.
        auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (s.dropped && msg != nullptr && msg->message == WM_KEYDOWN &&
            (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
            code |= DLGC_WANTMESSAGE;
        return code;
    }

    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
        int index = message == CB_ADDSTRING ? Count(s) : static_cast<int>(wParam);
        if (index == -1) index = Count(s);
        if (index < 0 || index > Count(s)) return CB_ERR;
        const char* text = reinterpret_cast<const char*>(lParam);
        s.items.insert(s.items.begin() + index, text != nullptr ? text : "");
        if (s.selection >= index) ++s.selection;
        if (s.highlight >= index) ++s.highlight;
        ScreenChanged();
        return index;
    }
    case CB_RESETCONTENT:
        s.items.clear();
        s.topIndex = 0;
        Select(w, -1);
        return CB_OKAY;
    case CB_GETCOUNT: return Count(s);
    case CB_GETCURSEL: return s.selection >= 0 ? s.selection : CB_ERR;
    case CB_SETCURSEL: {
        // Any index outside the list, -1 among them, clears the selection
        // and the field. The program's own change is not notified.
        int index = static_cast<int>(wParam);
        Select(w, index);
        return s.selection >= 0 ? s.selection : CB_ERR;
    }
    case CB_GETLBTEXT: {
        int i = static_cast<int>(wParam);
        if (i < 0 || i >= Count(s) || lParam == 0) return CB_ERR;
        // The buffer is the caller's to size (CB_GETLBTEXTLEN).
        const std::string& text = s.items[i];
        return static_cast<LRESULT>(CopyCut(text, reinterpret_cast<char*>(lParam), text.size() + 1));
    }
    case CB_GETLBTEXTLEN: {
        int i = static_cast<int>(wParam);
        return i >= 0 && i < Count(s) ? static_cast<LRESULT>(s.items[i].size()) : CB_ERR;
    }
    case CB_FINDSTRING: {
        // Case-insensitive prefix search, starting after `wParam` and
        // wrapping around.
        const char* text = reinterpret_cast<const char*>(lParam);
        const int n = Count(s);
        if (text == nullptr || n == 0) return CB_ERR;
        int start = static_cast<int>(wParam);
        if (start < -1 || start >= n) start = -1;
        const std::string prefix = text;
        for (int k = 1; k <= n; ++k) {
            int i = (start + k) % n;
            if (FindsPrefix(s.items[i], prefix)) return i;
        }
        return CB_ERR;
    }
    case CB_SHOWDROPDOWN:
        if (wParam)
            DropDown(w);
        else
            CloseList(w, Close::Quiet);
        return TRUE;
    case CB_GETDROPPEDSTATE: return s.dropped ? TRUE : FALSE;
    case CB_GETTOPINDEX: return s.topIndex;
    case CB_GETEDITSEL: {
        if (!HasEdit(w)) return CB_ERR;
        ClampEditSelection(w);
        DWORD from = static_cast<DWORD>(std::min(s.anchor, s.caret));
        DWORD to = static_cast<DWORD>(std::max(s.anchor, s.caret));
        if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = from;
        if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = to;
        return MAKELONG(from, to);
    }

    case WM_SETTEXT: {
        const char* text = reinterpret_cast<const char*>(lParam);
        const std::string value = text != nullptr ? text : "";
        if (!HasEdit(w)) {
            // A drop-down list shows only its items: the text selects one.
            for (int i = 0; i < Count(s); ++i)
                if (EqualNoCase(s.items[i], value)) {
                    Select(w, i);
                    return TRUE;
                }
            return CB_ERR;
        }
        w->text = value;
        s.partial.clear();
        s.anchor = s.caret = w->text.size();
        ScreenChanged();
        return TRUE;
    }

    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (!IsEnabled(w)) return 0;
        if (FocusWindow() != w) {
            SetFocus(hwnd);
            if (Find(hwnd) != w) return 0;
        }
        const bool onButton = GET_X_LPARAM(lParam) >= ClientWidth(w) - kButtonWidth;
        if (!HasEdit(w) || onButton) {
            DropDown(w);
        } else {
            // A click in the field puts the caret after the text.
            MoveCaret(w, w->text.size(), false);
        }
        return 0;
    }

    case WM_KEYDOWN: return OnKeyDown(w, wParam, lParam);
    case WM_SYSKEYDOWN:
        // Alt+Down or Alt+Up opens the list, or closes it keeping the choice.
        if (wParam == VK_DOWN || wParam == VK_UP) {
            if (s.dropped)
                CloseList(w, Close::Accept, s.highlight);
            else
                DropDown(w);
            return 0;
        }
        break;
    case WM_CHAR:
        if (HasEdit(w)) TypeByte(w, static_cast<unsigned char>(wParam & 0xFF));
        return 0;

    case WM_SETFOCUS:
        // Coming to the field selects its text, so that typing replaces it.
        SelectAllText(w);
        ScreenChanged();
        Notify(w, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        s.partial.clear();
        if (s.dropped) {
            CloseList(w, Close::Cancel);
            if (Find(hwnd) != w) return 0;
        }
        ScreenChanged();
        Notify(w, CBN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        if (!wParam && s.dropped) CloseList(w, Close::Cancel);
        ScreenChanged();
        return 0;
    case WM_SHOWWINDOW:
        if (!wParam && s.dropped) CloseList(w, Close::Cancel);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

void RegisterComboBoxClass() {
    RegisterSystemClass("ComboBox", ComboProc, 0, MAKEINTRESOURCEA(IDC_ARROW));
    RegisterSystemClass(kListClass, ListProc, CS_SAVEBITS, MAKEINTRESOURCEA(IDC_ARROW));
}

} // namespace platform::user
