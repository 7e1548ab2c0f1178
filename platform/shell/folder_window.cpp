// The shell's folder window ("CabinetWClass"), such as an open Control Panel
// folder. Only what other programs can do to it is modelled: they find it
// by its class and close it with WM_CLOSE; the trace records the close.
#include "folder_window.h"

#include <windows.h>

#include "host/context.h"
#include "host/trace.h"
#include "machine.h"

namespace platform::shell {
namespace {

constexpr char kFolderClass[] = "CabinetWClass";

LRESULT CALLBACK FolderWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        char title[128];
        GetWindowTextA(window, title, sizeof title);
        TraceEvent("shell.folder").Str("action", "close").Str("title", title);
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

void OpenFolderWindow() {
    machine::Machine* m = CurrentMachine();
    if (m == nullptr) return;
    const std::string& title = m->settings().Text("shell", "folder_window");
    if (title.empty()) return;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = FolderWindowProc;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(IDC_ARROW));
    wc.lpszClassName = kFolderClass;
    RegisterClassA(&wc);
    HWND folder =
        CreateWindowExA(0, kFolderClass, title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 8,
                        8, 360, 220, nullptr, nullptr, nullptr, nullptr);
    if (folder == nullptr) return;
    ShowWindow(folder, SW_SHOWNA);
    TraceEvent("shell.folder").Str("action", "open").Str("title", title);
}

} // namespace platform::shell
