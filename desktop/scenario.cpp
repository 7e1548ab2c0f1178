#include "scenario.h"

#include "mmsystem/mixer_command.h"

#include <windows.h>
#include <commctrl.h>

#include "commctrl/trackbar.h"
#include "host/clock.h"
#include "host/context.h"
#include "host/text.h"
#include "ini_file.h"
#include "kernel/debug.h"
#include "machine.h"
#include "render.h"
#include "shell/notifyarea.h"
#include "user/cursor.h"
#include "user/input.h"
#include "user/menu.h"
#include "user/message.h"
#include "user/msgbox.h"
#include "user/process.h"
#include "user/window.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace fs = std::filesystem;

namespace desktop {
namespace {

using namespace platform::user;
using scenario::Command;
using scenario::Op;
using Steps = std::deque<std::function<void()>>;

// A line that cannot be carried out (a script error) and an expectation
// that does not hold, thrown by the helpers below and turned into the end
// of the run by the driver. Both only ever cross the driver's own frames.
struct LineError {
    std::string message;
};
struct LineFailed {
    std::string expected;
    std::string found;
};
[[noreturn]] void Wrong(std::string message) {
    throw LineError{std::move(message)};
}
[[noreturn]] void Failed(std::string expected, std::string found) {
    throw LineFailed{std::move(expected), std::move(found)};
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string QuotedList(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : " ") + Quoted(item);
    return out.empty() ? "nothing" : out;
}

bool Readable(int fd) {
    if (fd < 0) return false;
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

// Lines that act on the program or read its windows; once it has ended
// they cannot be carried out.
bool NeedsProgram(Op op) {
    switch (op) {
    case Op::Wait:
    case Op::Copy:
    case Op::Screen:
    case Op::ExpectReg:
    case Op::ExpectNoReg:
    case Op::ExpectFile:
    case Op::ExpectNoFile:
    case Op::ExpectDebug:
    case Op::ExpectExit:
    case Op::ExpectRunning:
    case Op::Mixer:
        return false;
    default:
        return true;
    }
}

// ---- Windows and controls as the user sees them ----

POINT Center(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}
bool IsEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

const std::string& ClassOf(const Window* w) {
    static const std::string none;
    return w->windowClass ? w->windowClass->name : none;
}
bool IsClass(const Window* w, const char* name) {
    return platform::EqualNoCase(ClassOf(w), name);
}

bool Shown(const Window* w) {
    return w != nullptr && !w->destroyed && IsVisible(w);
}

// The window the user works in: the active one, else the topmost shown.
Window* ActiveTop() {
    Window* active = ActiveWindow();
    if (Shown(active)) return active;
    for (Window* w : TopLevelWindows())
        if (Shown(w)) return w;
    return nullptr;
}

std::string Describe(const Window* top) {
    if (top == nullptr) return "no window";
    if (!top->text.empty()) return "the window " + Quoted(top->text);
    return "the untitled window of class " + Quoted(ClassOf(top));
}

Window* Search(Window* w, bool (*match)(const Window*, unsigned), unsigned id, bool shownOnly) {
    for (Window* child : w->children) {
        if (child->destroyed) continue;
        if (match(child, id) && (!shownOnly || IsVisible(child))) return child;
        if (Window* hit = Search(child, match, id, shownOnly)) return hit;
    }
    return nullptr;
}

// Depth first through the active window and the pages inside it; a shown
// control wins over a hidden one with the same id (a page not selected).
Window* FindIn(bool (*match)(const Window*, unsigned), unsigned id, const std::string& what) {
    Window* top = ActiveTop();
    if (top == nullptr) Wrong("no window is shown, so there is no " + what);
    if (Window* w = Search(top, match, id, true)) return w;
    if (Window* w = Search(top, match, id, false)) return w;
    Wrong("there is no " + what + " in " + Describe(top));
}

Window* FindControl(unsigned id) {
    return FindIn([](const Window* w, unsigned want) { return w->id == want; }, id,
                  "control " + std::to_string(id));
}

Window* FindControlOfClass(unsigned id, const char* cls, const char* what) {
    Window* w = FindControl(id);
    if (!IsClass(w, cls))
        Wrong("control " + std::to_string(id) + " is a " + ClassOf(w) + ", not a " + what);
    return w;
}

Window* FindTabControl() {
    return FindIn([](const Window* w, unsigned) { return IsClass(w, WC_TABCONTROLA); }, 0,
                  "tab control");
}

LRESULT Ask(const Window* w, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(w->handle, message, wParam, lParam);
}

std::string TextOf(const Window* w) {
    int length = static_cast<int>(Ask(w, WM_GETTEXTLENGTH));
    if (length <= 0) return "";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got =
        static_cast<int>(Ask(w, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(static_cast<size_t>(std::clamp(got, 0, length)));
    return text;
}

std::vector<std::string> TabTitles(const Window* tab) {
    std::vector<std::string> titles;
    int count = static_cast<int>(Ask(tab, TCM_GETITEMCOUNT));
    for (int i = 0; i < count; ++i) {
        char buffer[256] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        Ask(tab, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        titles.emplace_back(item.pszText != nullptr ? item.pszText : "");
    }
    return titles;
}

std::vector<std::string> ComboItems(const Window* combo) {
    std::vector<std::string> items;
    int count = static_cast<int>(Ask(combo, CB_GETCOUNT));
    for (int i = 0; i < count; ++i) {
        int length = static_cast<int>(Ask(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i)));
        std::string text(static_cast<size_t>(std::max(0, length)) + 1, '\0');
        Ask(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(std::strlen(text.c_str()));
        items.push_back(std::move(text));
    }
    return items;
}

// A text as a menu or a tab shows it matches the script's words with or
// without the mnemonic's ampersand.
bool LabelMatches(const std::string& shown, const std::string& wanted) {
    return shown == wanted || MenuLabel(shown) == wanted || MenuLabel(shown) == MenuLabel(wanted);
}

// ---- Input, one step per wait of the program ----

void Mouse(Steps& steps, MouseAction action, POINT p) {
    steps.push_back([action, p] { MouseInput(action, p); });
}

void Click(Steps& steps, POINT p, Op kind = Op::Click) {
    Mouse(steps, MouseAction::Move, p);
    switch (kind) {
    case Op::DoubleClick:
        // As Windows reports a double click: down, up, double, up.
        Mouse(steps, MouseAction::LeftDown, p);
        Mouse(steps, MouseAction::LeftUp, p);
        Mouse(steps, MouseAction::LeftDouble, p);
        Mouse(steps, MouseAction::LeftUp, p);
        break;
    case Op::RightClick:
        Mouse(steps, MouseAction::RightDown, p);
        Mouse(steps, MouseAction::RightUp, p);
        break;
    default:
        Mouse(steps, MouseAction::LeftDown, p);
        Mouse(steps, MouseAction::LeftUp, p);
        break;
    }
}

void Key(Steps& steps, const scenario::KeyStroke& k) {
    struct Modifier {
        unsigned bit;
        UINT vk;
    };
    static constexpr Modifier kModifiers[] = {
        {kShift, VK_SHIFT}, {kControl, VK_CONTROL}, {kAlt, VK_MENU}};
    unsigned held = 0;
    for (const Modifier& m : kModifiers)
        if (k.modifiers & m.bit) {
            held |= m.bit;
            steps.push_back([vk = m.vk, held] { KeyInput(vk, true, held, 0); });
        }
    steps.push_back([k] { KeyInput(k.vk, true, k.modifiers, k.ch); });
    steps.push_back([k] { KeyInput(k.vk, false, k.modifiers, 0); });
    for (int i = 2; i >= 0; --i)
        if (k.modifiers & kModifiers[i].bit)
            steps.push_back([vk = kModifiers[i].vk, held] { KeyInput(vk, false, held, 0); });
}

// The point of a control, offset in dialog units (4 across and 8 down to a
// cell).
POINT ControlPoint(const Window* w, int dx = 0, int dy = 0) {
    POINT p = Center(ScreenRect(w));
    p.x += dx * kCellWidth / 4;
    p.y += dy * kCellHeight / 8;
    return p;
}

// The pick of a combo box item once its list is open: a click on the item's
// row, after clicks on the scroll bar that bring the item into view.
void ChooseFromList(Steps& steps, HWND comboHandle, int index) {
    Window* combo = Find(comboHandle);
    if (combo == nullptr) Wrong("the combo box is gone");
    Window* list = nullptr;
    for (Window* w : TopLevelWindows())
        if (Shown(w) && IsClass(w, "ComboLBox") && w->owner == TopLevelOf(combo)) list = w;
    if (list == nullptr || !Ask(combo, CB_GETDROPPEDSTATE))
        Failed("the list of combo box " + std::to_string(combo->id) + " to open",
               "it did not open");
    RECT client = ClientScreenRect(list);
    const int rows = std::max(1, static_cast<int>((client.bottom - client.top) / kCellHeight));
    const int top = static_cast<int>(SendMessageA(list->handle, 0x018E /* LB_GETTOPINDEX */, 0, 0));
    const bool scrollBar = (list->style & WS_VSCROLL) != 0;
    const int itemRight = client.right - (scrollBar ? kCellWidth : 0);
    Steps now;
    if (index >= top && index < top + rows) {
        POINT p{(client.left + itemRight) / 2,
                client.top + (index - top) * kCellHeight + kCellHeight / 2};
        Click(now, p);
    } else if (scrollBar) {
        // One item up or down per click on the bar's end rows.
        const int row = index < top ? 0 : rows - 1;
        POINT p{client.right - kCellWidth / 2, client.top + row * kCellHeight + kCellHeight / 2};
        Click(now, p);
        now.push_back([&steps, comboHandle, index] { ChooseFromList(steps, comboHandle, index); });
    } else {
        Failed("item " + std::to_string(index) + " in the open list", "it is out of view");
    }
    steps.insert(steps.begin(), now.begin(), now.end());
}

// ---- The notification area ----

// The program's notification icon: the first in the notification area.
std::optional<POINT> TrayIconPoint() {
    return NotifyIconPoint(0);
}

// A click on the notification icon: the pointer moves there, then each
// press and release reaches the icon's window as the shell reports it.
void TrayClick(Steps& steps, POINT at, platform::shell::NotifyClick click) {
    Mouse(steps, MouseAction::Move, at);
    std::vector<UINT> messages;
    switch (click) {
    case platform::shell::NotifyClick::Left:
        messages = {WM_LBUTTONDOWN, WM_LBUTTONUP};
        break;
    case platform::shell::NotifyClick::Double:
        messages = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
        break;
    case platform::shell::NotifyClick::Right:
        messages = {WM_RBUTTONDOWN, WM_RBUTTONUP};
        break;
    }
    for (UINT message : messages)
        steps.push_back([message] { platform::shell::NotifyAreaMouse(0, message); });
}

// ---- Lines of the user and the outside world ----

void Act(const Command& c, Steps& steps) {
    switch (c.op) {
    case Op::TrayClick:
    case Op::TrayDoubleClick:
    case Op::TrayRightClick: {
        std::optional<POINT> icon = TrayIconPoint();
        if (!icon) Wrong("there is no icon in the notification area");
        TrayClick(steps, *icon,
                  c.op == Op::TrayClick         ? platform::shell::NotifyClick::Left
                  : c.op == Op::TrayDoubleClick ? platform::shell::NotifyClick::Double
                                                : platform::shell::NotifyClick::Right);
        return;
    }
    case Op::MenuChoose: {
        std::optional<OpenMenuView> menu = OpenMenu();
        if (!menu) Wrong("no pop-up menu is open");
        const std::vector<MenuItem>* items = MenuItems(menu->menu);
        if (items == nullptr) Wrong("the open menu has no items");
        for (size_t i = 0; i < items->size() && i < menu->items.size(); ++i) {
            const MenuItem& item = (*items)[i];
            if (item.Separator()) continue;
            const bool match = c.number ? item.popup == nullptr && item.id == *c.number
                                        : LabelMatches(item.text, c.text);
            if (match) {
                Click(steps, Center(menu->items[i]));
                return;
            }
        }
        std::vector<std::string> texts;
        for (const MenuItem& item : *items)
            if (!item.Separator())
                texts.push_back(item.text + " (" + std::to_string(item.id) + ")");
        Wrong("the open menu has no item " +
              (c.number ? std::to_string(*c.number) : Quoted(c.text)) + "; it has " +
              QuotedList(texts));
    }
    case Op::MenuDismiss:
        if (!OpenMenu()) Wrong("no pop-up menu is open");
        Key(steps, {VK_ESCAPE, 0, 0x1B});
        return;
    case Op::Click:
    case Op::DoubleClick:
    case Op::RightClick:
        Click(steps, ControlPoint(FindControl(c.control)), c.op);
        return;
    case Op::Tab: {
        Window* tab = FindTabControl();
        std::vector<std::string> titles = TabTitles(tab);
        int index = -1;
        if (c.number) {
            if (*c.number >= static_cast<int64_t>(titles.size()))
                Wrong("the tab control has " + std::to_string(titles.size()) +
                      " tabs; there is no tab " + std::to_string(*c.number) +
                      " (tabs count from 0)");
            index = static_cast<int>(*c.number);
        } else {
            for (size_t i = 0; i < titles.size() && index < 0; ++i)
                if (LabelMatches(titles[i], c.text)) index = static_cast<int>(i);
            if (index < 0)
                Wrong("there is no tab " + Quoted(c.text) + "; the tabs are " + QuotedList(titles));
        }
        RECT r{};
        if (!Ask(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)) ||
            IsEmpty(r))
            Wrong("tab " + std::to_string(index) + " is not shown");
        RECT client = ClientScreenRect(tab);
        OffsetRect(&r, client.left, client.top);
        Click(steps, Center(r));
        return;
    }
    case Op::Slide: {
        Window* bar = FindControlOfClass(c.control, TRACKBAR_CLASSA, "trackbar");
        const int from = static_cast<int>(Ask(bar, TBM_GETPOS));
        POINT start = platform::commctrl::TrackbarThumbPoint(bar->handle, from);
        POINT end =
            platform::commctrl::TrackbarThumbPoint(bar->handle, static_cast<int>(*c.number));
        Mouse(steps, MouseAction::Move, start);
        Mouse(steps, MouseAction::LeftDown, start);
        Mouse(steps, MouseAction::Move, end);
        Mouse(steps, MouseAction::LeftUp, end);
        return;
    }
    case Op::Pick: {
        Window* combo = FindControlOfClass(c.control, "ComboBox", "combo box");
        std::vector<std::string> items = ComboItems(combo);
        int index = -1;
        if (c.number) {
            if (*c.number >= static_cast<int64_t>(items.size()))
                Wrong("combo box " + std::to_string(c.control) + " has " +
                      std::to_string(items.size()) + " items; there is no item " +
                      std::to_string(*c.number) + " (items count from 0)");
            index = static_cast<int>(*c.number);
        } else {
            for (size_t i = 0; i < items.size() && index < 0; ++i)
                if (items[i] == c.text) index = static_cast<int>(i);
            if (index < 0)
                Wrong("combo box " + std::to_string(c.control) + " has no item " + Quoted(c.text) +
                      "; it has " + QuotedList(items));
        }
        if (!Ask(combo, CB_GETDROPPEDSTATE)) {
            // The button that drops the list: the field's right-most cell.
            RECT field = ScreenRect(combo);
            Click(steps, {field.right - kCellWidth / 2, field.top + kCellHeight / 2});
        }
        HWND handle = combo->handle;
        steps.push_back([&steps, handle, index] { ChooseFromList(steps, handle, index); });
        return;
    }
    case Op::Type: {
        Window* w = FindControl(c.control);
        Window* focus = FocusWindow();
        // A person clicks into the field first unless the caret is there.
        if (focus != w && (focus == nullptr || focus->parent != w)) Click(steps, ControlPoint(w));
        steps.push_back([text = c.text] { TextInput(text); });
        return;
    }
    case Op::Key:
        for (const scenario::KeyStroke& k : c.keys)
            Key(steps, k);
        return;
    case Op::Point:
        Mouse(steps, MouseAction::Move, ControlPoint(FindControl(c.control), c.dx, c.dy));
        return;
    case Op::Press:
        steps.push_back([] { MouseInput(MouseAction::LeftDown, CursorPosition()); });
        return;
    case Op::Release:
        steps.push_back([] { MouseInput(MouseAction::LeftUp, CursorPosition()); });
        return;
    case Op::LeftClick:
        steps.push_back([] { MouseInput(MouseAction::LeftDown, CursorPosition()); });
        steps.push_back([] { MouseInput(MouseAction::LeftUp, CursorPosition()); });
        return;
    case Op::Help: {
        Window* top = ActiveTop();
        if (top == nullptr) Wrong("no window is shown");
        RECT help = HelpButtonRect(top);
        if (IsEmpty(help)) Wrong(Describe(top) + " has no help button");
        POINT target = ControlPoint(FindControl(c.control));
        Click(steps, Center(help));
        Click(steps, target);
        return;
    }
    case Op::Close: {
        Window* top = ActiveTop();
        if (top == nullptr) Wrong("no window is shown");
        RECT close = CloseButtonRect(top);
        if (IsEmpty(close)) Wrong(Describe(top) + " has no close button");
        Click(steps, Center(close));
        return;
    }
    case Op::Answer: {
        std::optional<MessageBoxView> box = OpenMessageBox();
        if (!box) Wrong("no message box is open");
        for (const MessageBoxView::Button& b : box->buttons)
            if (b.id == *c.number) {
                Window* button = Find(b.window);
                if (button == nullptr) break;
                Click(steps, ControlPoint(button));
                return;
            }
        std::vector<std::string> names;
        for (const MessageBoxView::Button& b : box->buttons)
            names.push_back(MenuLabel(b.text));
        Wrong("the message box has no such button; it has " + QuotedList(names));
    }
    case Op::Post: {
        HWND target = FindWindowA(c.text.c_str(), nullptr);
        if (target == nullptr)
            Wrong("no window of class " + Quoted(c.text) + " runs on this machine");
        UINT message =
            c.messageName.empty() ? c.message : RegisterWindowMessageA(c.messageName.c_str());
        // Another program posts it: what a message from another process may
        // not carry never arrives.
        steps.push_back([target, message, w = c.wParam, l = c.lParam] {
            const Window* window = Find(target);
            if (window != nullptr && !platform::user::AcceptsFromOtherProcess(window, message))
                return;
            PostMessageA(target, message, static_cast<WPARAM>(w), static_cast<LPARAM>(l));
        });
        return;
    }
    case Op::TaskbarRestart:
        steps.push_back([] { platform::shell::TaskbarRestart(); });
        return;
    default:
        Wrong("this line cannot run here");
    }
}

// ---- Expectations on the screen ----

std::string CheckState(const Window* w) {
    switch (Ask(w, BM_GETCHECK)) {
    case BST_CHECKED:
        return "checked";
    case BST_INDETERMINATE:
        return "indeterminate";
    default:
        return "unchecked";
    }
}

void Inspect(const Command& c) {
    const std::string id = c.control ? std::to_string(c.control) : "";
    switch (c.op) {
    case Op::ExpectWindow: {
        Window* top = ActiveTop();
        if (top == nullptr) Failed("the window " + Quoted(c.text), "no window is shown");
        if (top->text != c.text) Failed("the window " + Quoted(c.text), Describe(top));
        return;
    }
    case Op::ExpectNoWindow: {
        std::vector<std::string> shown;
        for (Window* w : TopLevelWindows())
            if (Shown(w))
                shown.push_back(w->text.empty() ? "(untitled " + ClassOf(w) + ")" : w->text);
        if (!shown.empty()) Failed("no window", QuotedList(shown));
        return;
    }
    case Op::ExpectTray:
        if (!TrayIconPoint()) Failed("an icon in the notification area", "none");
        return;
    case Op::ExpectNoTray:
        if (TrayIconPoint()) Failed("no icon in the notification area", "an icon");
        return;
    case Op::ExpectTabs: {
        std::vector<std::string> titles = TabTitles(FindTabControl());
        bool same = titles.size() == c.items.size();
        for (size_t i = 0; same && i < titles.size(); ++i)
            same = LabelMatches(titles[i], c.items[i]);
        if (!same) Failed("the tabs " + QuotedList(c.items), QuotedList(titles));
        return;
    }
    case Op::ExpectTab: {
        Window* tab = FindTabControl();
        std::vector<std::string> titles = TabTitles(tab);
        int selected = static_cast<int>(Ask(tab, TCM_GETCURSEL));
        if (selected < 0 || selected >= static_cast<int>(titles.size()))
            Failed("the tab " + Quoted(c.text), "no tab selected");
        if (!LabelMatches(titles[static_cast<size_t>(selected)], c.text))
            Failed("the tab " + Quoted(c.text),
                   "the tab " + Quoted(titles[static_cast<size_t>(selected)]));
        return;
    }
    case Op::ExpectChecked:
    case Op::ExpectUnchecked: {
        std::string state = CheckState(FindControl(c.control));
        std::string want = c.op == Op::ExpectChecked ? "checked" : "unchecked";
        if (state != want) Failed(id + " " + want, state);
        return;
    }
    case Op::ExpectEnabled:
    case Op::ExpectDisabled: {
        bool enabled = IsWindowEnabled(FindControl(c.control)->handle);
        if (enabled != (c.op == Op::ExpectEnabled))
            Failed(id + (enabled ? " disabled" : " enabled"), enabled ? "enabled" : "disabled");
        return;
    }
    case Op::ExpectVisible:
    case Op::ExpectHidden: {
        bool visible = IsWindowVisible(FindControl(c.control)->handle);
        if (visible != (c.op == Op::ExpectVisible))
            Failed(id + (visible ? " hidden" : " visible"), visible ? "visible" : "hidden");
        return;
    }
    case Op::ExpectPos: {
        Window* bar = FindControlOfClass(c.control, TRACKBAR_CLASSA, "trackbar");
        long pos = static_cast<long>(Ask(bar, TBM_GETPOS));
        if (pos != *c.number)
            Failed("position " + std::to_string(*c.number), "position " + std::to_string(pos));
        return;
    }
    case Op::ExpectRange: {
        Window* bar = FindControlOfClass(c.control, TRACKBAR_CLASSA, "trackbar");
        long low = static_cast<long>(Ask(bar, TBM_GETRANGEMIN)),
             high = static_cast<long>(Ask(bar, TBM_GETRANGEMAX));
        if (low != *c.number || high != *c.number2)
            Failed("range " + std::to_string(*c.number) + " to " + std::to_string(*c.number2),
                   "range " + std::to_string(low) + " to " + std::to_string(high));
        return;
    }
    case Op::ExpectText: {
        std::string text = TextOf(FindControl(c.control));
        if (text != c.text) Failed(Quoted(c.text), Quoted(text));
        return;
    }
    case Op::ExpectSelected: {
        Window* combo = FindControlOfClass(c.control, "ComboBox", "combo box");
        long selected = static_cast<long>(Ask(combo, CB_GETCURSEL));
        if (selected < 0) selected = -1;
        if (selected != *c.number)
            Failed("item " + std::to_string(*c.number) + " selected",
                   selected < 0 ? "no item selected" : "item " + std::to_string(selected));
        return;
    }
    case Op::ExpectFocus: {
        Window* want = FindControl(c.control);
        Window* focus = FocusWindow();
        // The edit field inside a combo box stands for the combo box.
        if (focus != want &&
            !(focus != nullptr && focus->parent == want && IsClass(want, "ComboBox"))) {
            std::string found = "no focus";
            if (focus != nullptr)
                found = "the focus on " + (focus->parent ? "control " + std::to_string(focus->id) +
                                                               " (" + ClassOf(focus) + ")"
                                                         : Describe(focus));
            Failed("the focus on control " + id, found);
        }
        return;
    }
    case Op::ExpectMsgbox: {
        std::optional<MessageBoxView> box = OpenMessageBox();
        if (!box) Failed("a message box " + Quoted(c.text), "no message box");
        if (box->text != c.text)
            Failed("a message box " + Quoted(c.text), "a message box " + Quoted(box->text));
        return;
    }
    case Op::ExpectMenu: {
        std::optional<OpenMenuView> menu = OpenMenu();
        if (!menu) Failed("a menu " + QuotedList(c.items), "no menu is open");
        std::vector<std::string> texts;
        if (const std::vector<MenuItem>* items = MenuItems(menu->menu))
            for (const MenuItem& item : *items)
                texts.push_back(item.Separator() ? "-" : item.text);
        bool same = texts.size() == c.items.size();
        for (size_t i = 0; same && i < texts.size(); ++i)
            same = texts[i] == "-" ? c.items[i] == "-" : LabelMatches(texts[i], c.items[i]);
        if (!same) Failed("a menu " + QuotedList(c.items), "a menu " + QuotedList(texts));
        return;
    }
    case Op::ExpectCursor: {
        std::string shown = CursorWord(CurrentCursorKind());
        if (shown != c.text) Failed("the " + c.text + " cursor", "the " + shown + " cursor");
        return;
    }
    case Op::ExpectUncut: {
        const Grid grid = RenderScreen();
        if (!grid.cut.empty()) Failed("every text shown whole", "cut: " + QuotedList(grid.cut));
        return;
    }
    default:
        Wrong("this line cannot run here");
    }
}

std::string RegLocation(const Command& c) {
    return std::string(machine::Registry::RootName(c.regRoot)) +
           (c.regPath.empty() ? "" : "\\" + c.regPath);
}

std::string ValueName(const std::string& name) {
    return name.empty() ? "@" : Quoted(name);
}

} // namespace

ScenarioDriver::ScenarioDriver(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

bool ScenarioDriver::Load(const std::string& path, std::string* error) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        *error = path + ": is a folder, not a script";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be read (" + std::strerror(errno) + ")";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return LoadText(text.str(), path, error);
}

bool ScenarioDriver::LoadText(std::string_view text, const std::string& name, std::string* error) {
    name_ = name;
    scenario::ParseError parseError;
    if (!scenario::ParseScript(text, &commands_, &parseError)) {
        *error = name + ":" + std::to_string(parseError.line) +
                 ": script error: " + parseError.source + "\n  " + parseError.message;
        return false;
    }
    next_ = 0;
    return true;
}

std::string ScenarioDriver::Where(const Command& c) const {
    return name_ + ":" + std::to_string(c.line) + ": ";
}

int ScenarioDriver::RunSetup(machine::Machine& m) {
    std::error_code ec;
    const uintmax_t size = fs::file_size(m.DebugLog(), ec);
    debugLogStart_ = ec ? 0 : size;
    while (next_ < commands_.size() && commands_[next_].IsSetup()) {
        const Command& c = commands_[next_++];
        try {
            DoSetup(c, m);
        } catch (const LineError& e) {
            err_ << Where(c) << "script error: " << c.source << "\n  " << e.message << std::endl;
            return kScriptWrong;
        }
    }
    return kAllHeld;
}

void ScenarioDriver::DoSetup(const Command& c, machine::Machine& m) {
    std::string problem;
    auto hostPath = [&](const std::string& windowsPath) {
        std::optional<fs::path> file = m.disk().HostPath(windowsPath);
        if (!file) Wrong(Quoted(windowsPath) + " is not a path of the machine");
        return *file;
    };
    std::error_code ec;
    switch (c.op) {
    case Op::Machine:
        if (!m.settings().Set(c.section, c.key, c.value, &problem)) Wrong(problem);
        // Also in the file, so that a copy started by `copy` runs on the same
        // machine.
        if (!machine::IniSet(m.Directory() / "machine.ini", c.section, c.key, c.value, &problem))
            Wrong("machine.ini: " + problem);
        return;
    case Op::RegSet: {
        long result = m.registry().CreateKey(c.regRoot, c.regPath);
        if (result == 0) result = m.registry().SetValue(c.regRoot, c.regPath, c.regValue);
        if (result != 0)
            Wrong("the registry refused the value (error " + std::to_string(result) + ")");
        return;
    }
    case Op::RegDelete: {
        long result = c.regName ? m.registry().DeleteValue(c.regRoot, c.regPath, *c.regName)
                                : m.registry().DeleteKey(c.regRoot, c.regPath);
        // Deleting what is not there leaves the registry as the script wants it.
        if (result != 0 && result != ERROR_FILE_NOT_FOUND)
            Wrong("the registry refused the deletion (error " + std::to_string(result) + ")");
        return;
    }
    case Op::Ini:
        if (!machine::IniSet(hostPath(c.text), c.section, c.key, c.iniValue, &problem))
            Wrong(problem);
        return;
    case Op::FileDelete: {
        fs::path file = hostPath(c.text);
        if (fs::is_directory(fs::symlink_status(file, ec))) Wrong(Quoted(c.text) + " is a folder");
        fs::remove(file, ec);
        if (ec) Wrong(Quoted(c.text) + ": " + ec.message());
        return;
    }
    case Op::FilePut: {
        fs::path file = hostPath(c.text);
        if (!fs::is_regular_file(c.hostFile, ec))
            Wrong("the host file " + Quoted(c.hostFile) +
                  " is not there (relative names are taken "
                  "from the current folder)");
        if (fs::is_directory(fs::symlink_status(file, ec))) Wrong(Quoted(c.text) + " is a folder");
        fs::create_directories(file.parent_path(), ec);
        // Whatever stands there goes first: a link to the build's output
        // must be replaced, never written through.
        fs::remove(file, ec);
        if (!fs::copy_file(c.hostFile, file, ec))
            Wrong("cannot copy " + Quoted(c.hostFile) + ": " + ec.message());
        return;
    }
    default:
        Wrong("only setup lines run before the program starts");
    }
}

void ScenarioDriver::EndRun(int status) {
    out_.flush();
    err_.flush();
    if (endOfRun_) endOfRun_(status);
    std::exit(status);
}

void ScenarioDriver::Fail(const Command& c, const std::string& expected, const std::string& found) {
    err_ << Where(c) << "expectation failed: " << c.source << "\n  expected: " << expected
         << "\n  found:    " << found << std::endl;
    EndRun(kExpectationFailed);
}

void ScenarioDriver::ScriptError(const Command& c, const std::string& message) {
    err_ << Where(c) << "script error: " << c.source << "\n  " << message << std::endl;
    EndRun(kScriptWrong);
}

// Runs `what` for line `c`, turning what the helpers throw into the end of
// the run.
template <class F> void ScenarioDriver::Guarded(const Command& c, F what) {
    std::optional<LineError> error;
    std::optional<LineFailed> failed;
    try {
        what();
    } catch (const LineError& e) {
        error = e;
    } catch (const LineFailed& f) {
        failed = f;
    }
    if (error) ScriptError(c, error->message);
    if (failed) Fail(c, failed->expected, failed->found);
}

void ScenarioDriver::Wait(std::optional<uint32_t> deadline, int wakeFd) {
    // Another process's message is there: the queue takes it first.
    if (Readable(wakeFd)) return;
    for (;;) {
        const uint32_t now = platform::ClockNow();
        if (deadline && static_cast<int32_t>(*deadline - now) <= 0) return;
        if (waitUntil_) {
            // Time passes one timer at a time, so the program sees each tick.
            if (deadline && static_cast<int32_t>(*deadline - *waitUntil_) <= 0) {
                platform::ClockAdvance(*deadline - now);
                return;
            }
            if (static_cast<int32_t>(*waitUntil_ - now) > 0)
                platform::ClockAdvance(*waitUntil_ - now);
            waitUntil_.reset();
            continue;
        }
        if (!steps_.empty()) {
            Step step = std::move(steps_.front());
            steps_.pop_front();
            Guarded(*current_, step);
            return;
        }
        // When the script ends, the run ends.
        if (next_ >= commands_.size()) EndRun(kAllHeld);
        current_ = &commands_[next_++];
        Execute(*current_);
    }
}

int ScenarioDriver::Finish(int exitCode) {
    ended_ = true;
    exitCode_ = exitCode;
    // Input still to come has nobody to go to; time still to pass just passes.
    steps_.clear();
    for (;;) {
        if (waitUntil_) {
            const uint32_t now = platform::ClockNow();
            if (static_cast<int32_t>(*waitUntil_ - now) > 0)
                platform::ClockAdvance(*waitUntil_ - now);
            waitUntil_.reset();
        }
        while (!steps_.empty()) {
            Step step = std::move(steps_.front());
            steps_.pop_front();
            Guarded(*current_, step);
        }
        if (next_ >= commands_.size()) break;
        current_ = &commands_[next_++];
        if (NeedsProgram(current_->op))
            ScriptError(*current_,
                        "the program has ended (exit code " + std::to_string(exitCode_) +
                            "); after its end only wait, copy, mixer, screen and expect reg, "
                            "no-reg, file, no-file, debug, exit and running can run");
        Execute(*current_);
    }
    return kAllHeld;
}

void ScenarioDriver::Execute(const Command& c) {
    Guarded(c, [&] {
        switch (c.op) {
        case Op::Wait:
            waitUntil_ = platform::ClockNow() + static_cast<uint32_t>(*c.number);
            return;
        case Op::Copy:
            steps_.push_back([this, &c] { DoCopy(c); });
            return;
        case Op::Screen:
            DoScreen();
            return;
        case Op::Mixer:
            // Another program changes the card's mixer. As a step of its own,
            // so that the program takes the notifications before the next
            // line looks at the screen.
            steps_.push_back([&c] {
                std::string error;
                if (!platform::mm::ApplyMixerCommand(c.items, &error)) Wrong(error);
            });
            return;
        case Op::ExpectReg:
        case Op::ExpectNoReg:
        case Op::ExpectFile:
        case Op::ExpectNoFile:
        case Op::ExpectDebug:
        case Op::ExpectExit:
        case Op::ExpectRunning:
            ExpectOutside(c);
            return;
        default:
            break;
        }
        if (c.op >= Op::ExpectWindow)
            Inspect(c);
        else
            Act(c, steps_);
    });
}

void ScenarioDriver::ExpectOutside(const Command& c) {
    machine::Machine* m = platform::CurrentMachine();
    switch (c.op) {
    case Op::ExpectReg:
    case Op::ExpectNoReg: {
        if (m == nullptr) Wrong("there is no machine");
        const std::string key = RegLocation(c);
        if (c.op == Op::ExpectNoReg && !c.regName) {
            if (m->registry().KeyExists(c.regRoot, c.regPath))
                Failed("no key " + key, "the key exists");
            return;
        }
        const std::string name = c.op == Op::ExpectReg ? c.regValue.name : *c.regName;
        machine::RegistryValue value;
        const long result = m->registry().GetValue(c.regRoot, c.regPath, name, &value);
        if (c.op == Op::ExpectNoReg) {
            if (result == 0)
                Failed("no value " + ValueName(name) + " in " + key, machine::FormatRegData(value));
            return;
        }
        const std::string expected =
            machine::FormatRegData(c.regValue) + " in " + ValueName(name) + " of " + key;
        if (result != 0)
            Failed(expected,
                   m->registry().KeyExists(c.regRoot, c.regPath) ? "no such value" : "no such key");
        if (value.type != c.regValue.type || value.data != c.regValue.data)
            Failed(expected, machine::FormatRegData(value));
        return;
    }
    case Op::ExpectFile:
    case Op::ExpectNoFile: {
        if (m == nullptr) Wrong("there is no machine");
        std::optional<fs::path> file = m->disk().HostPath(c.text);
        if (!file) Wrong(Quoted(c.text) + " is not a path of the machine");
        std::error_code ec;
        const bool exists = fs::exists(fs::symlink_status(*file, ec));
        const bool regular = fs::is_regular_file(*file, ec);
        if (c.op == Op::ExpectNoFile) {
            if (exists)
                Failed("no file " + Quoted(c.text),
                       regular ? "the file" : "something else by that name");
            return;
        }
        if (!regular)
            Failed("the file " + Quoted(c.text),
                   exists ? "something else by that name" : "no such file");
        if (c.number) {
            const auto size = fs::file_size(*file, ec);
            if (ec || static_cast<int64_t>(size) != *c.number)
                Failed(std::to_string(*c.number) + " bytes", std::to_string(size) + " bytes");
        }
        return;
    }
    case Op::ExpectDebug: {
        // What every program on the machine wrote in this run, from the
        // machine's log; without one, what this process wrote. A text may
        // hold several lines; each counts, line ends aside.
        std::string written;
        if (m != nullptr && debugLogStart_) {
            std::ifstream log(m->DebugLog(), std::ios::binary);
            log.seekg(static_cast<std::streamoff>(*debugLogStart_));
            std::ostringstream text;
            text << log.rdbuf();
            written = text.str();
        } else {
            for (const std::string& text : platform::DebugOutput())
                written += text + "\n";
        }
        std::vector<std::string> last;
        std::istringstream lines(written);
        std::string line;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line == c.text) return;
            last.push_back(line);
        }
        if (last.size() > 5) last.erase(last.begin(), last.end() - 5);
        Failed("the debugger output line " + Quoted(c.text),
               last.empty() ? "no debugger output"
                            : "only other lines, the last: " + QuotedList(last));
    }
    case Op::ExpectExit:
        if (!ended_)
            Failed("the program to have ended with exit code " + std::to_string(*c.number),
                   "it still runs");
        if (exitCode_ != static_cast<int>(static_cast<uint32_t>(*c.number)))
            Failed("exit code " + std::to_string(*c.number),
                   "exit code " + std::to_string(exitCode_));
        return;
    case Op::ExpectRunning:
        if (ended_)
            Failed("the program to run",
                   "it has ended with exit code " + std::to_string(exitCode_));
        return;
    default:
        Wrong("this line cannot run here");
    }
}

void ScenarioDriver::DoScreen() {
    out_ << RenderPlainText(RenderScreen()) << std::flush;
}

void ScenarioDriver::DoCopy(const Command& c) {
    machine::Machine* m = platform::CurrentMachine();
    if (m == nullptr) Wrong("there is no machine");
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) Wrong("cannot find this program's executable: " + ec.message());
    std::vector<std::string> args = {"cvpanel", "--machine", m->Directory().string()};
    if (!c.text.empty()) {
        args.push_back("--");
        args.push_back(c.text);
    }
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    out_.flush();
    err_.flush();
    std::cout.flush();
    std::cerr.flush();

    const pid_t pid = fork();
    if (pid < 0) Wrong(std::string("cannot start a copy: ") + std::strerror(errno));
    if (pid == 0) {
        // The copy runs headless: no script, and no terminal to draw on.
        int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            if (null > STDERR_FILENO) close(null);
        }
        execv(self.c_str(), argv.data());
        _exit(127);
    }

    // Until the copy ends, what it posts here is taken into the queue, so
    // that it never waits on a full socket.
    int status = 0;
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    const int wake = WakeDescriptor();
    for (;;) {
        pollfd fds[2] = {{pidfd, POLLIN, 0}, {wake, POLLIN, 0}};
        // Without a process descriptor (an old kernel) the exit is checked
        // every few milliseconds instead.
        const int ready = poll(fds, 2, pidfd >= 0 ? -1 : 10);
        if (ready < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN) PumpRemoteMessages();
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) break;
    }
    if (pidfd >= 0) close(pidfd);
    if (WIFSIGNALED(status))
        Failed("the copy to end", "it was killed by signal " + std::to_string(WTERMSIG(status)) +
                                      " (" + strsignal(WTERMSIG(status)) + ")");
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) Wrong("the copy could not be started");
}

} // namespace desktop
