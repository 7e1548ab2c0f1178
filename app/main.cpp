// The main entry of cvpanel: one copy per machine, the card check through
// the bridge, the 3D-audio hook, and the message loop of the resident
// program.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "bridge/cvthk32.h"
#include "panel_page.h"
#include "resources/resource.h"
#include "shell.h"
#include "utilities.h"

#define TRAY_CLASS_NAME "Corvane Control"
// Where the 3D-audio hook's preload address is expected, and what it gets
// when the user's value is missing or outside that range.
#define A3D_PRELOAD_LOWEST 0x500000u
#define A3D_PRELOAD_END 0x60000000u
#define A3D_PRELOAD_DEFAULT 0x13790000u
#define A3D_PRELOAD_BUFFER 32

typedef DWORD(WINAPI* INSTALLA3DHOOKPROC)(DWORD* preload);
typedef DWORD(WINAPI* REMOVEA3DHOOKPROC)(void);

HINSTANCE instanceHandle;

// Handed to the hook by address, so it lives as long as the program.
static DWORD a3dPreload = 0;

// The user's "A3D preload" value from the open key: hexadecimal text, a
// DWORD or at least four binary bytes; anything else is 0.
static DWORD ReadA3DPreload(HKEY key) {
    // One byte beyond what the registry may fill keeps a text that fills
    // the whole buffer terminated.
    BYTE data[A3D_PRELOAD_BUFFER + 1] = {};
    DWORD type = 0;
    DWORD size = A3D_PRELOAD_BUFFER;
    if (RegQueryValueExA(key, "A3D preload", nullptr, &type, data, &size) != ERROR_SUCCESS)
        return 0;
    DWORD value = 0;
    switch (type) {
    case REG_SZ:
        value = static_cast<DWORD>(std::strtoul(reinterpret_cast<const char*>(data), nullptr, 16));
        break;
    case REG_DWORD:
        std::memcpy(&value, data, sizeof value);
        break;
    case REG_BINARY:
        if (size >= 4)
            value = data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24;
        break;
    }
    return value;
}

static void RegisterTrayClass() {
    WNDCLASSA trayClass;
    std::memset(&trayClass, 0, sizeof trayClass);
    trayClass.lpfnWndProc = TrayWindowProc;
    trayClass.hInstance = instanceHandle;
    trayClass.lpszClassName = TRAY_CLASS_NAME;
    RegisterClassA(&trayClass);
}

// Whether the card is there, and whether its driver side offers effects.
static bool AskBridge() {
    HMODULE bridge = LoadLibraryA("CVTHK32.DLL");
    if (bridge == nullptr) return false;
    CVGETVERSIONPROC getVersion =
        reinterpret_cast<CVGETVERSIONPROC>(GetProcAddress(bridge, "CVGetVersion"));
    if (getVersion == nullptr || getVersion() == 0) {
        FreeLibrary(bridge);
        return false;
    }
    if (DLL32CALLPROC call = reinterpret_cast<DLL32CALLPROC>(GetProcAddress(bridge, "DLL32Call")))
        effectsAvailable = static_cast<int>(call(BRIDGE_EFFECTS_SUPPORT));
    FreeLibrary(bridge);
    return true;
}

DLLEXPORT int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    instanceHandle = instance;
    openRequested = commandLine != nullptr && std::strcmp(commandLine, "OPEN") == 0;

    // One copy only: a second one hands an "OPEN" on to the first.
    if (HWND running = FindWindowA(TRAY_CLASS_NAME, nullptr)) {
        if (openRequested) {
            SetForegroundWindow(running);
            // The first opens the dialog; the second comes while it is open
            // and brings it to the front.
            PostMessageA(running, WM_COMMAND, IDM_OPEN, 0);
            PostMessageA(running, WM_COMMAND, IDM_OPEN, 0);
        }
        return 0;
    }

    InitCommonControls();
    RegisterTrayClass();
    taskbarMessage = RegisterWindowMessageA("TaskbarCreated");
    TrayWindow = CreateWindowExA(WS_EX_TOOLWINDOW, TRAY_CLASS_NAME, "CVPANEL", WS_DISABLED, 0, 0, 0,
                                 0, nullptr, nullptr, instanceHandle, nullptr);

    // No card: end quietly.
    if (!AskBridge()) return 0;
    if (effectsAvailable == 0) {
        // General, Playback Mixer, Record Mixer.
        pageTable[1] = pageTable[2];
        pageTable[2] = pageTable[3];
        pageCount = 3;
    }

    if (openRequested) AddTrayIcon();
    HKEY qsoundKey = nullptr;
    bool keyOpen =
        RegOpenKeyA(HKEY_CURRENT_USER, "Software\\QSound\\QSoft3d", &qsoundKey) == ERROR_SUCCESS;
    if (openRequested) {
        EnumerateSoundDevices(TrayWindow);
        if (soundDeviceCount == 0) ShowMessage(TrayWindow, IDS_NO_DIRECTX, MB_OK);
        openRequested = false;
    }
    a3dPreload = 0;
    if (keyOpen) {
        a3dPreload = ReadA3DPreload(qsoundKey);
        RegCloseKey(qsoundKey);
    }
    if (a3dPreload < A3D_PRELOAD_LOWEST || a3dPreload >= A3D_PRELOAD_END)
        a3dPreload = A3D_PRELOAD_DEFAULT;

    HMODULE hook = LoadLibraryA("QA3DLoad");
    if (hook != nullptr)
        if (INSTALLA3DHOOKPROC install =
                reinterpret_cast<INSTALLA3DHOOKPROC>(GetProcAddress(hook, "InstallA3DHook")))
            install(&a3dPreload);

    MSG msg;
    msg.wParam = 0;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        // Asked without a dialog, the dialog manager lets every message
        // through; the control panel's modal loop gives it its keyboard.
        if (IsDialogMessageA(nullptr, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    RemoveTrayIcon();
    if (hook != nullptr) {
        if (REMOVEA3DHOOKPROC remove =
                reinterpret_cast<REMOVEA3DHOOKPROC>(GetProcAddress(hook, "RemoveA3DHook")))
            remove();
        FreeLibrary(hook);
    }
    return static_cast<int>(msg.wParam);
}
