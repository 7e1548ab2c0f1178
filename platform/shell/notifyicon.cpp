// Shell_NotifyIconA and the notification area it fills. The area belongs to
// this process: it is the taskbar the front end draws.
#include "notifyarea.h"

#include <shellapi.h>

#include "host/text.h"
#include "host/trace.h"
#include "user/cursor.h"
#include "user/window.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace platform::shell {
namespace {

std::vector<NotifyIcon> icons;

std::vector<NotifyIcon>::iterator FindIcon(HWND window, UINT id) {
    return std::find_if(icons.begin(), icons.end(),
                        [&](const NotifyIcon& i) { return i.window == window && i.id == id; });
}

// The tip as the record holds it: 128 characters in the current form, 64 in
// the old one, ended by a zero or by the field's end.
std::string TipOf(const NOTIFYICONDATAA* data) {
    const size_t limit = data->cbSize >= sizeof(NOTIFYICONDATAA) ? 128 : 64;
    const char* tip = reinterpret_cast<const char*>(data) + offsetof(NOTIFYICONDATAA, szTip);
    std::string_view text(tip, strnlen(tip, limit));
    // An unterminated tip is cut, as the shell copies it, to one character
    // less than the field, and to whole characters.
    if (text.size() == limit) text = text.substr(0, Utf8Prefix(text, limit - 1));
    return std::string(text);
}

void Apply(NotifyIcon& icon, const NOTIFYICONDATAA* data) {
    if (data->uFlags & NIF_MESSAGE) icon.callbackMessage = data->uCallbackMessage;
    if (data->uFlags & NIF_ICON) {
        icon.icon = data->hIcon;
        const IconImage* picture = user::IconPicture(data->hIcon);
        icon.picture = picture != nullptr ? *picture : IconImage{};
    }
    if (data->uFlags & NIF_TIP) icon.tip = TipOf(data);
}

void Trace(const char* op, const std::string& tip, bool ok) {
    TraceEvent("tray").Str("op", op).Str("tip", tip).Bool("ok", ok);
}

} // namespace

const std::vector<NotifyIcon>& NotifyIcons() {
    return icons;
}

bool NotifyAreaMouse(size_t index, UINT mouseMessage) {
    if (index >= icons.size()) return false;
    const NotifyIcon icon = icons[index];
    if (!IsWindow(icon.window)) {
        icons.erase(icons.begin() + static_cast<std::ptrdiff_t>(index));
        user::ScreenChanged();
        return false;
    }
    if (icon.callbackMessage != 0)
        PostMessageA(icon.window, icon.callbackMessage, icon.id, static_cast<LPARAM>(mouseMessage));
    return true;
}

bool NotifyAreaClick(size_t index, NotifyClick click) {
    std::vector<UINT> sequence;
    switch (click) {
    case NotifyClick::Left:
        sequence = {WM_LBUTTONDOWN, WM_LBUTTONUP};
        break;
    case NotifyClick::Double:
        sequence = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
        break;
    case NotifyClick::Right:
        sequence = {WM_RBUTTONDOWN, WM_RBUTTONUP};
        break;
    }
    for (UINT message : sequence)
        if (!NotifyAreaMouse(index, message)) return false;
    return true;
}

void TaskbarRestart() {
    icons.clear();
    user::ScreenChanged();
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    std::vector<HWND> windows;
    for (user::Window* w : user::TopLevelWindows())
        windows.push_back(w->handle);
    for (HWND hwnd : windows)
        if (IsWindow(hwnd)) SendMessageA(hwnd, taskbarCreated, 0, 0);
}

} // namespace platform::shell

using namespace platform::shell;

WINBASEAPI BOOL WINAPI Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA data) {
    if (data == nullptr || data->cbSize < NOTIFYICONDATAA_V1_SIZE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto existing = FindIcon(data->hWnd, data->uID);
    switch (message) {
    case NIM_ADD: {
        // An icon that is already there stays as it is.
        if (existing != icons.end() || !IsWindow(data->hWnd)) {
            Trace("add", TipOf(data), false);
            return FALSE;
        }
        NotifyIcon icon;
        icon.window = data->hWnd;
        icon.id = data->uID;
        Apply(icon, data);
        icons.push_back(std::move(icon));
        Trace("add", icons.back().tip, true);
        platform::user::ScreenChanged();
        return TRUE;
    }
    case NIM_MODIFY:
        if (existing == icons.end()) {
            Trace("modify", TipOf(data), false);
            return FALSE;
        }
        Apply(*existing, data);
        Trace("modify", existing->tip, true);
        platform::user::ScreenChanged();
        return TRUE;
    case NIM_DELETE: {
        if (existing == icons.end()) {
            Trace("delete", "", false);
            return FALSE;
        }
        std::string tip = existing->tip;
        icons.erase(existing);
        Trace("delete", tip, true);
        platform::user::ScreenChanged();
        return TRUE;
    }
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}
