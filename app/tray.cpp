// TrayWindow: the hidden main window of the resident program. It waits for
// the driver side at start-up, keeps the icon in the notification area,
// answers the icon's clicks and menu, and opens the control panel.
#include <windows.h>
#include <dsound.h>
#include <shellapi.h>

#include <cstring>

#include "bridge/cvthk32.h"
#include "control_panel.h"
#include "effects3d/directsound3d.h"
#include "resources/resource.h"
#include "shell.h"
#include "speakers/removal.h"
#include "utilities.h"

// The icon reports its mouse messages with this message; lParam is the
// mouse message.
#define WM_TRAYICON WM_APP
// A message with this wParam, whatever its id, asks the program to end.
#define CLOSE_REQUEST_WPARAM 8966
#define STARTUP_TIMER 2
#define STARTUP_POLL_PERIOD 1000
// Polls of the driver side before start-up goes on without its answer.
#define STARTUP_POLL_LIMIT 16
#define TRAY_ICON_ID 1

HWND TrayWindow;
char messageCaption[80];
GUID soundDevices[10];
int soundDeviceCount = 0;
int effectsAvailable = 1;

// Set by the main entry from the command line before TrayWindow exists.
bool openRequested;
UINT taskbarMessage;

static int startupPollCount = 0;
static HMODULE pollBridgeModule = nullptr;

void AddTrayIcon() {
    NOTIFYICONDATAA icon;
    std::memset(&icon, 0, sizeof icon);
    icon.cbSize = sizeof icon;
    icon.hWnd = TrayWindow;
    icon.uID = TRAY_ICON_ID;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = WM_TRAYICON;
    icon.hIcon = LoadIconA(instanceHandle, MAKEINTRESOURCEA(IDI_PROGRAM));
    LoadStringA(instanceHandle, IDS_CAPTION, icon.szTip, sizeof icon.szTip);
    Shell_NotifyIconA(NIM_ADD, &icon);
}

void RemoveTrayIcon() {
    NOTIFYICONDATAA icon;
    std::memset(&icon, 0, sizeof icon);
    icon.cbSize = sizeof icon;
    icon.hWnd = TrayWindow;
    icon.uID = TRAY_ICON_ID;
    Shell_NotifyIconA(NIM_DELETE, &icon);
}

// Collects the GUIDs of the devices DirectSound reports, up to the size of
// soundDevices; the primary device comes without a GUID and is skipped.
static BOOL CALLBACK CollectSoundDevice(LPGUID guid, LPCSTR, LPCSTR, LPVOID) {
    const int capacity = sizeof soundDevices / sizeof soundDevices[0];
    if (guid != nullptr && soundDeviceCount < capacity) {
        soundDevices[soundDeviceCount] = *guid;
        ++soundDeviceCount;
    }
    return TRUE;
}

// Keeps, in enumeration order, the DirectSound devices that the 3D driver
// serves.
void EnumerateSoundDevices(HWND window) {
    soundDeviceCount = 0;
    DirectSoundEnumerateA(CollectSoundDevice, nullptr);
    int found = soundDeviceCount;
    soundDeviceCount = 0;
    for (int i = 0; i < found; ++i) {
        if (CheckQ3DDevice(&soundDevices[i], nullptr, window) < 0) continue;
        if (i != soundDeviceCount) soundDevices[soundDeviceCount] = soundDevices[i];
        ++soundDeviceCount;
    }
}

static void RunCommand(HWND window, UINT command) {
    switch (command) {
    case IDM_EXIT:
        DestroyWindow(window);
        break;
    case IDM_OPEN:
        if (openDialog != nullptr) {
            SetForegroundWindow(openDialog);
        } else {
            HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongA(window, GWL_HINSTANCE));
            DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONTROL_PANEL), window,
                            ControlPanelDialogProc, 0);
        }
        break;
    }
}

static void ShowTrayMenu(HWND window) {
    HMENU menu = LoadMenuA(instanceHandle, MAKEINTRESOURCEA(IDR_TRAY_MENU));
    if (menu == nullptr) return;
    POINT cursor;
    GetCursorPos(&cursor);
    SetForegroundWindow(window);
    HMENU popup = GetSubMenu(menu, 0);
    UINT command = static_cast<UINT>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON,
                                                    cursor.x, cursor.y, 0, window, nullptr));
    // A menu dismissed without a choice is offered once more.
    if (command == 0)
        command = static_cast<UINT>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x,
                                                   cursor.y, 0, window, nullptr));
    DestroyMenu(menu);
    RunCommand(window, command);
    // Lets the menu's window go away properly before the next click.
    PostMessageA(window, WM_NULL, 0, 0);
}

static void OnStartupTimer() {
    DWORD busy = 0;
    if (pollBridgeModule != nullptr) {
        DLL32CALLPROC call =
            reinterpret_cast<DLL32CALLPROC>(GetProcAddress(pollBridgeModule, "DLL32Call"));
        if (call != nullptr) busy = call(BRIDGE_STARTUP_BUSY);
    }
    if (busy != 0) {
        int polled = startupPollCount;
        startupPollCount = polled + 1;
        if (polled < STARTUP_POLL_LIMIT - 1) return;
    }
    // Ready, or waited long enough: go on as if ready.
    EnumerateSoundDevices(TrayWindow);
    KillTimer(TrayWindow, STARTUP_TIMER);
    if (pollBridgeModule != nullptr) {
        FreeLibrary(pollBridgeModule);
        pollBridgeModule = nullptr;
    }
    if (soundDeviceCount == 0) ShowMessage(TrayWindow, IDS_NO_DIRECTX, MB_OK);
    AddTrayIcon();
}

static void OnCreate(HWND window) {
    LoadStringA(instanceHandle, IDS_CAPTION, messageCaption, sizeof messageCaption);
    if (openRequested) {
        // Opened once the message loop runs; no waiting for the driver side.
        PostMessageA(window, WM_COMMAND, IDM_OPEN, 0);
        return;
    }
    startupPollCount = 0;
    if (SetTimer(window, STARTUP_TIMER, STARTUP_POLL_PERIOD, nullptr) != 0)
        pollBridgeModule = LoadLibraryA("CVTHK32.DLL");
}

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The close request from outside, unless a driver removal holds the
    // bridge; the message itself is still handled below.
    if (wParam == CLOSE_REQUEST_WPARAM && removalCall == nullptr) DestroyWindow(window);

    if (message == WM_TRAYICON) {
        switch (lParam) {
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
            // The second request arrives while the dialog is open and
            // brings it to the front.
            PostMessageA(window, WM_COMMAND, IDM_OPEN, 0);
            PostMessageA(window, WM_COMMAND, IDM_OPEN, 0);
            PostMessageA(window, WM_NULL, 0, 0);
            return 0;
        case WM_RBUTTONDOWN:
            ShowTrayMenu(window);
            return 0;
        }
        return 0;
    }
    if (message == taskbarMessage && taskbarMessage != 0) {
        // The shell was restarted and lost the icon.
        AddTrayIcon();
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        RunCommand(window, LOWORD(wParam));
        return 0;
    case WM_TIMER:
        OnStartupTimer();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
