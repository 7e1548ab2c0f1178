// The window manager's state: classes, window records, the parent/child and
// owner trees and their z-order. Every user service works on these records;
// the front ends read them to draw the screen.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace platform::user {

// Screen metrics. One character cell of the terminal is one dialog base
// unit: 4 dialog units across and 8 down. A base unit is 6 x 13 pixels,
// the size of the classic 8-point dialog font, so that pictures drawn in
// pixels keep their place beside controls laid out in dialog units.
constexpr int kCellWidth = 6;
constexpr int kCellHeight = 13;
// Non-client metrics of a framed top-level window: one cell of border on
// each side, the caption in the top border row, one row for a menu bar.
constexpr int kFrameX = kCellWidth;
constexpr int kFrameY = kCellHeight;
constexpr int kMenuBarHeight = kCellHeight;

struct WindowClass {
    std::string name;
    WNDPROC proc = nullptr;
    UINT style = 0;
    HINSTANCE instance = nullptr;
    HCURSOR cursor = nullptr;
    int wndExtra = 0;
    bool system = false; // a control class of the platform
};

// Per-class state of a control (button, trackbar, ...), owned by its window.
struct ControlState {
    virtual ~ControlState() = default;
};

struct Window {
    HWND handle = nullptr;
    const WindowClass* windowClass = nullptr;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    UINT id = 0; // child windows: the control id
    HMENU menu = nullptr; // top-level windows: the menu bar
    std::string text;
    Window* parent = nullptr; // child windows only
    Window* owner = nullptr;  // top-level windows only
    std::vector<Window*> children; // z-order, top first; also the tab order
    RECT rect{}; // relative to the parent's client area; screen for top-level
    LONG userData = 0;
    std::vector<LONG> extra; // the class's extra bytes, in 32-bit words
    bool destroyed = false; // WM_DESTROY has been sent
    // Painting.
    bool invalid = false;
    bool erase = false;
    RECT invalidRect{};
    std::unique_ptr<ControlState> state;
};

// The record of a live window, or null for anything else (a window of
// another process, a destroyed one, garbage).
Window* Find(HWND hwnd);
// The desktop window: the parent of top-level windows, the whole screen.
Window* Desktop();
// Top-level windows in z-order, topmost first.
const std::vector<Window*>& TopLevelWindows();

Window* TopLevelOf(Window* w);
bool IsVisible(const Window* w); // visible and every ancestor too
bool IsEnabled(const Window* w); // enabled itself

// Geometry in screen coordinates.
RECT ScreenRect(const Window* w);
RECT ClientScreenRect(const Window* w);
// The client area's size and its offset inside the window rectangle.
RECT NonClientInsets(const Window* w);

// Registers a class that the platform provides (controls, dialogs, menus).
void RegisterSystemClass(const char* name, WNDPROC proc, UINT style, LPCSTR cursor);

// Sends a message to a window's procedure directly.
LRESULT Send(Window* w, UINT message, WPARAM wParam, LPARAM lParam);

// The control's state record, created on first use.
template <class T> T& StateOf(Window* w) {
    if (!w->state) w->state = std::make_unique<T>();
    return static_cast<T&>(*w->state);
}

// Called when something visible changed, so that front ends redraw.
void ScreenChanged();

// Sets the keyboard focus without the checks of SetFocus; used by the
// dialog manager and the input routing.
HWND ChangeFocus(Window* w);
Window* FocusWindow();
Window* CaptureWindow();
Window* ActiveWindow();
void Activate(Window* w);

} // namespace platform::user
