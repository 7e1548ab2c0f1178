// The taskbar's notification area, as the front ends see it: the icons the
// program put there, mouse actions on them, and the shell's restart.
#pragma once

#include <windows.h>

#include "kernel/resource_formats.h"

#include <cstddef>
#include <string>
#include <vector>

namespace platform::shell {

struct NotifyIcon {
    HWND window = nullptr;    // gets the callback messages
    UINT id = 0;              // the program's number for the icon
    UINT callbackMessage = 0; // 0: the program asked for no messages
    HICON icon = nullptr;
    IconImage picture; // the icon's picture when it was set (empty if none)
    std::string tip;
};

// The icons in the order they were added.
const std::vector<NotifyIcon>& NotifyIcons();

// Posts one mouse message of the icon at `index` to its window, as the
// shell reports mouse actions on an icon: the callback message with the
// icon's id in wParam and the mouse message (WM_LBUTTONDOWN, WM_MOUSEMOVE,
// ...) in lParam. An icon whose window no longer exists disappears instead,
// as on Windows when the pointer passes over it. False when there is no
// such icon.
bool NotifyAreaMouse(size_t index, UINT mouseMessage);

// A whole click, as the messages of its presses and releases:
//   Left:   WM_LBUTTONDOWN, WM_LBUTTONUP
//   Double: WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP
//   Right:  WM_RBUTTONDOWN, WM_RBUTTONUP
// The front end moves the pointer to the icon first: a program that opens
// a menu there reads the pointer's position.
enum class NotifyClick { Left, Double, Right };
bool NotifyAreaClick(size_t index, NotifyClick click);

// The shell rebuilt the taskbar: the notification area is empty, and every
// top-level window is sent the registered message "TaskbarCreated" so that
// programs add their icons again.
void TaskbarRestart();

} // namespace platform::shell
