// The scenario test program: a small resident program in the manner of the
// control panel. It waits on a start-up timer, then sits in the
// notification area; its icon's menu opens a tabbed panel (a modal dialog
// with two pages) whose controls keep their settings in the registry.
//
//   command line "OPEN"  open the panel at once (a running copy is asked
//                        to open its panel instead)
//   command line "FAIL"  end at once with exit code 4
//
// What it does is written to the debugger output as "testapp: ...", so
// that scenarios can check it.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "testapp_ids.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const char kClassName[] = "TestApp Tray";
const char kRegistryKey[] = "Software\\Orbiq\\TestApp";
const UINT kTrayMessage = WM_APP;
const UINT_PTR kStartTimer = 1;
// A message whose wParam is this asks the program to end, from outside.
const WPARAM kCloseRequest = 0x2306;
// A static control with SS_NOTIFY reports a click with this code.
#ifndef STN_CLICKED
const WORD STN_CLICKED = 0;
#endif

HINSTANCE instance;
HWND trayWindow;
HWND openPanel;
UINT taskbarCreated;
int startTicks;
bool openRequested;
char caption[80];

// The panel's pages, shown one at a time inside the tab control.
HWND pages[2];

void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Say(const char* format, ...) {
    char text[300] = "testapp: ";
    va_list args;
    va_start(args, format);
    std::vsnprintf(text + 9, sizeof text - 9, format, args);
    va_end(args);
    OutputDebugStringA(text);
}

DWORD ReadSetting(const char* name, DWORD fallback) {
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, kRegistryKey, &key) != ERROR_SUCCESS) return fallback;
    DWORD type = 0, value = 0, size = sizeof value;
    LONG result =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? value : fallback;
}

void WriteSetting(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, kRegistryKey, &key) != ERROR_SUCCESS) return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void AddIcon() {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = trayWindow;
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TESTAPP));
    LoadStringA(instance, IDS_TIP, data.szTip, 128);
    if (Shell_NotifyIconA(NIM_ADD, &data)) Say("icon added");
}

void RemoveIcon() {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = trayWindow;
    data.uID = 1;
    Shell_NotifyIconA(NIM_DELETE, &data);
}

// ---- The panel's pages ----

void ShowPage(int index) {
    for (int i = 0; i < 2; ++i)
        ShowWindow(pages[i], i == index ? SW_SHOW : SW_HIDE);
}

void UpdateVolumeText(HWND page) {
    char text[16];
    std::snprintf(text, sizeof text, "%d",
                  static_cast<int>(SendDlgItemMessageA(page, IDC_VOLUME, TBM_GETPOS, 0, 0)));
    SetDlgItemTextA(page, IDC_VOLUME_TEXT, text);
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        if (GetDlgItem(page, IDC_MODE) != nullptr) {
            const char* modes[] = {"Stereo", "Quad", "Surround", "Headphones", "Mono"};
            for (const char* mode : modes)
                SendDlgItemMessageA(page, IDC_MODE, CB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(mode));
            // The mode shown first comes from TESTAPP.INI in the Windows directory.
            char mode[32];
            GetPrivateProfileStringA("TestApp", "Mode", "Stereo", mode, sizeof mode, "TESTAPP.INI");
            int chosen = 0;
            for (int i = 0; i < 5; ++i)
                if (std::strcmp(modes[i], mode) == 0) chosen = i;
            SendDlgItemMessageA(page, IDC_MODE, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
            SendDlgItemMessageA(page, IDC_NAME, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>("Living room"));
            bool four = ReadSetting("Speakers", 2) == 4;
            CheckRadioButton(page, IDC_TWO, IDC_FOUR, four ? IDC_FOUR : IDC_TWO);
            CheckDlgButton(page, IDC_LOUD,
                           ReadSetting("Loudness", 0) ? BST_CHECKED : BST_UNCHECKED);
        } else {
            SendDlgItemMessageA(page, IDC_VOLUME, TBM_SETRANGE, FALSE, MAKELPARAM(0, 10));
            SendDlgItemMessageA(page, IDC_VOLUME, TBM_SETPOS, TRUE,
                                static_cast<LPARAM>(ReadSetting("Volume", 5)));
            SendDlgItemMessageA(page, IDC_BALANCE, TBM_SETRANGE, FALSE, MAKELPARAM(-5, 5));
            SendDlgItemMessageA(page, IDC_BALANCE, TBM_SETPOS, TRUE, 0);
            UpdateVolumeText(page);
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_LOUD: {
            bool on = IsDlgButtonChecked(page, IDC_LOUD) == BST_CHECKED;
            SetDlgItemTextA(page, IDC_STATUS, on ? "Loudness on" : "Loudness off");
            EnableWindow(GetDlgItem(pages[1], IDC_ADVANCED), on);
            return TRUE;
        }
        case IDC_MODE:
            if (HIWORD(wParam) == CBN_SELCHANGE) {
                char text[64] = "Mode: ";
                int index =
                    static_cast<int>(SendDlgItemMessageA(page, IDC_MODE, CB_GETCURSEL, 0, 0));
                SendDlgItemMessageA(page, IDC_MODE, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                    reinterpret_cast<LPARAM>(text + 6));
                SetDlgItemTextA(page, IDC_STATUS, text);
            }
            return TRUE;
        case IDC_LOGO:
            if (HIWORD(wParam) == STN_CLICKED) Say("logo clicked");
            return TRUE;
        case IDC_TEST: {
            char question[128];
            LoadStringA(instance, IDS_ASK, question, sizeof question);
            int answer = MessageBoxA(page, question, caption, MB_YESNO | MB_ICONQUESTION);
            Say(answer == IDYES ? "test played" : "test skipped");
            return TRUE;
        }
        }
        return FALSE;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(page, IDC_VOLUME)) UpdateVolumeText(page);
        return TRUE;
    case WM_SETCURSOR:
        // A hand over the logo, which can be clicked.
        if (reinterpret_cast<HWND>(wParam) == GetDlgItem(page, IDC_LOGO)) {
            SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(IDC_HAND)));
            SetWindowLongA(page, DWL_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void SaveSettings() {
    DWORD speakers = IsDlgButtonChecked(pages[0], IDC_FOUR) == BST_CHECKED ? 4 : 2;
    DWORD loudness = IsDlgButtonChecked(pages[0], IDC_LOUD) == BST_CHECKED ? 1 : 0;
    DWORD volume = static_cast<DWORD>(SendDlgItemMessageA(pages[1], IDC_VOLUME, TBM_GETPOS, 0, 0));
    char mode[32] = "";
    GetDlgItemTextA(pages[0], IDC_MODE, mode, sizeof mode);
    WriteSetting("Speakers", REG_DWORD, &speakers, sizeof speakers);
    WriteSetting("Loudness", REG_DWORD, &loudness, sizeof loudness);
    WriteSetting("Volume", REG_DWORD, &volume, sizeof volume);
    WriteSetting("Mode", REG_SZ, mode, static_cast<DWORD>(std::strlen(mode) + 1));

    // A log of the saved settings beside the Windows directory's files.
    char name[64] = "";
    GetDlgItemTextA(pages[0], IDC_NAME, name, sizeof name);
    char line[160];
    int length = std::snprintf(line, sizeof line, "speakers=%lu name=%s\r\n",
                               static_cast<unsigned long>(speakers), name);
    HFILE file = _lcreat("C:\\WINDOWS\\TESTAPP.LOG", 0);
    if (file != HFILE_ERROR) {
        _lwrite(file, line, static_cast<UINT>(length));
        _lclose(file);
    }
    Say("saved");
}

INT_PTR CALLBACK PanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        openPanel = dialog;
        HWND tabs = GetDlgItem(dialog, IDC_TABS);
        const char* titles[] = {"General", "Levels"};
        for (int i = 0; i < 2; ++i) {
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<char*>(titles[i]);
            SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&item));
        }
        // The pages fill the tab control's display area.
        RECT area;
        GetWindowRect(tabs, &area);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
        SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
        const int templates[] = {IDD_GENERAL, IDD_LEVELS};
        for (int i = 0; i < 2; ++i) {
            pages[i] =
                CreateDialogParamA(instance, MAKEINTRESOURCEA(templates[i]), dialog, PageProc, 0);
            // Above the tab control, so that the page takes the clicks.
            SetWindowPos(pages[i], HWND_TOP, area.left, area.top, area.right - area.left,
                         area.bottom - area.top, 0);
        }
        EnableWindow(GetDlgItem(pages[1], IDC_ADVANCED),
                     IsDlgButtonChecked(pages[0], IDC_LOUD) == BST_CHECKED);
        ShowPage(0);
        Say("panel open");
        return TRUE;
    }
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_TABS && header->code == TCN_SELCHANGE)
            ShowPage(static_cast<int>(SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
        return TRUE;
    }
    case WM_HELP: {
        const HELPINFO* info = reinterpret_cast<const HELPINFO*>(lParam);
        Say("help %d", info->iCtrlId);
        return TRUE;
    }
    case WM_CONTEXTMENU:
        Say("context menu %d", GetDlgCtrlID(reinterpret_cast<HWND>(wParam)));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            SaveSettings();
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDM_ABOUT: {
            char about[64];
            LoadStringA(instance, IDS_ABOUT, about, sizeof about);
            MessageBoxA(dialog, about, caption, MB_OK | MB_ICONINFORMATION);
            return TRUE;
        }
        case IDM_EXIT:
            EndDialog(dialog, IDCANCEL);
            DestroyWindow(trayWindow);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void OpenPanel() {
    if (openPanel != nullptr) {
        SetForegroundWindow(openPanel);
        return;
    }
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), trayWindow, PanelProc, 0);
    openPanel = nullptr;
    Say("panel closed");
}

void Command(UINT id) {
    switch (id) {
    case IDM_OPEN:
        OpenPanel();
        break;
    case IDM_EXIT:
        DestroyWindow(trayWindow);
        break;
    case IDM_ABOUT: {
        char about[64];
        LoadStringA(instance, IDS_ABOUT, about, sizeof about);
        MessageBoxA(trayWindow, about, caption, MB_OK | MB_ICONINFORMATION);
        break;
    }
    }
}

void ShowTrayMenu(HWND hwnd) {
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_TRAY));
    if (menu == nullptr) return;
    POINT at;
    GetCursorPos(&at);
    SetForegroundWindow(hwnd);
    UINT chosen = static_cast<UINT>(TrackPopupMenu(
        GetSubMenu(menu, 0), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd, nullptr));
    DestroyMenu(menu);
    Say("menu chose %u", chosen);
    Command(chosen);
    PostMessageA(hwnd, WM_NULL, 0, 0);
}

LRESULT CALLBACK TrayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (wParam == kCloseRequest && message != WM_COMMAND) {
        Say("close request");
        DestroyWindow(hwnd);
        return 0;
    }
    if (message == kTrayMessage) {
        switch (lParam) {
        case WM_LBUTTONDBLCLK:
            PostMessageA(hwnd, WM_COMMAND, IDM_OPEN, 0);
            return 0;
        case WM_RBUTTONDOWN:
            ShowTrayMenu(hwnd);
            return 0;
        }
        return 0;
    }
    if (message == taskbarCreated && taskbarCreated != 0) {
        AddIcon();
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        if (openRequested) {
            PostMessageA(hwnd, WM_COMMAND, IDM_OPEN, 0);
        } else {
            startTicks = 0;
            SetTimer(hwnd, kStartTimer, 1000, nullptr);
        }
        return 0;
    case WM_TIMER:
        Say("tick %d", ++startTicks);
        if (startTicks < 3) return 0;
        KillTimer(hwnd, kStartTimer);
        AddIcon();
        return 0;
    case WM_COMMAND:
        Command(LOWORD(wParam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

DLLEXPORT int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR commandLine, int) {
    instance = hInstance;
    Say("start \"%s\"", commandLine);
    if (std::strcmp(commandLine, "FAIL") == 0) return 4;
    openRequested = std::strcmp(commandLine, "OPEN") == 0;

    // One copy at a time: a second one hands its request to the first.
    if (HWND running = FindWindowA(kClassName, nullptr)) {
        Say("already running");
        if (openRequested) {
            SetForegroundWindow(running);
            PostMessageA(running, WM_COMMAND, IDM_OPEN, 0);
        }
        return 0;
    }

    InitCommonControls();
    LoadStringA(instance, IDS_CAPTION, caption, sizeof caption);
    WNDCLASSA wc{};
    wc.lpfnWndProc = TrayProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
    taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    trayWindow = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "TESTAPP", WS_DISABLED, 0, 0, 0, 0,
                                 nullptr, nullptr, instance, nullptr);
    if (openRequested) AddIcon();

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        if (IsDialogMessageA(nullptr, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    RemoveIcon();
    Say("end");
    return static_cast<int>(msg.wParam);
}
