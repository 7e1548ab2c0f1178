// Menus: menu handles built from menu resources, the pop-up menu window
// and the modal menu loop of TrackPopupMenu and of a dialog's menu bar.
// Front ends read the open menu and the menu bars here to draw them and to
// find where to click.
#pragma once

#include "kernel/resource_formats.h"
#include "window.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::user {

struct MenuItem {
    std::string text; // as the resource has it: "&Open", "&&" for an ampersand
    UINT id = 0;
    DWORD type = 0;        // kMenuType* bits (separator, breaks)
    DWORD state = 0;       // kMenuState* bits (grayed, disabled, checked)
    HMENU popup = nullptr; // the item's own pop-up menu, if it opens one

    bool Separator() const { return (type & kMenuTypeSeparator) != 0; }
    bool Grayed() const { return (state & (kMenuStateGrayed | kMenuStateDisabled)) != 0; }
    bool Checked() const { return (state & kMenuStateChecked) != 0; }
};

// A menu handle for the items of a template (LoadMenuA reads the resource
// into one; tests build one directly). Pop-ups get handles of their own.
HMENU CreateMenuFrom(const MenuTemplateInfo& info);
// The items of a menu, or null for anything that is not a menu handle.
const std::vector<MenuItem>* MenuItems(HMENU menu);

// An item's text as shown: without the ampersand that marks the mnemonic,
// "&&" as "&". A tab separates the text from its shortcut's name.
std::string MenuLabel(std::string_view text);
// The mnemonic character of an item's text (the one after a single "&"),
// lower-cased when it is an ASCII letter; 0 for none.
char32_t MenuMnemonic(std::string_view text);

// Layout, in pixels. A pop-up menu is a framed window (one cell of border
// around), its items one row each, the text two cells in from the left
// (room for a check mark) and two cells of room after the longest text.
constexpr int kMenuItemHeight = kCellHeight;
constexpr int kMenuTextIndent = 2 * kCellWidth;

// The pop-up menu open now, if any (there is at most one at a time).
struct OpenMenuView {
    HWND window = nullptr; // the pop-up window, class "#32768"
    HMENU menu = nullptr;
    HWND owner = nullptr;
    int highlighted = -1;     // index of the highlighted item, -1 for none
    std::vector<RECT> items;  // each item's rectangle, screen coordinates
    HWND menuBarOf = nullptr; // the window whose menu bar item opened it
    int menuBarItem = -1;     // and that item's index
};
std::optional<OpenMenuView> OpenMenu();
// The menu shown by a pop-up window of class "#32768", or null.
HMENU MenuOfWindow(HWND popup);

// Closes the open menu without a choice, as WM_CANCELMODE does on Windows:
// called when a modal window opens over it (a message box shown by a
// timer), so that the new window gets the mouse.
void CancelMenu();

// The items of a top-level window's menu bar, in screen coordinates: one
// row, each item one cell wider than its text on both sides, so that texts
// are two cells apart (an item with an empty text is still two cells wide).
std::vector<RECT> MenuBarItemRects(Window* top);

// The user clicked the menu bar of a top-level window at a screen point:
// opens that item's pop-up below the bar and posts the chosen command to
// the window as WM_COMMAND.
void TrackMenuBar(Window* top, POINT screen);

} // namespace platform::user
