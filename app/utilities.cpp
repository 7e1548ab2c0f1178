// Small operations that several windows of the program share. They hold no
// state and report no failure: a missing window makes the platform's calls
// do nothing.
#include "utilities.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "shell.h"

BOOL CenterWindow(HWND window) {
    RECT desktop{};
    RECT own{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    // The same margin on both sides; an odd difference rounds toward zero,
    // and a window larger than the desktop gets a negative position.
    int x = (own.left + desktop.left + desktop.right - own.right) / 2;
    int y = (own.top + desktop.top + desktop.bottom - own.bottom) / 2;
    return SetWindowPos(window, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}

BOOL PlacePageInTab(HWND page) {
    HWND parent = GetParent(page);
    HWND tabs = GetDlgItem(parent, IDC_PAGE_TABS);
    RECT area{};
    if (!GetWindowRect(tabs, &area)) return FALSE;
    SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    POINT corner{area.left, area.top};
    ScreenToClient(parent, &corner);
    // On top of the tab control, so that the page, not the tabs, gets the
    // clicks inside the display area.
    return SetWindowPos(page, HWND_TOP, corner.x, corner.y, 0, 0, SWP_NOSIZE);
}

UINT IsButtonChecked(HWND dialog, int controlId) {
    return static_cast<UINT>(SendDlgItemMessageA(dialog, controlId, BM_GETCHECK, 0, 0));
}

int ShowMessage(HWND owner, UINT stringId, UINT type) {
    char text[256] = "";
    LoadStringA(instanceHandle, stringId, text, sizeof text);
    return MessageBoxA(owner, text, messageCaption, type);
}
