// Driver removal. The bridge's partner removes the card's devices and
// drivers in two steps, two seconds apart; the page then deletes the bridge
// and the card's Control Panel applet and ends the program.
#include "removal.h"

#include "app/resources/resource.h"
#include "app/shell.h"
#include "app/utilities.h"
#include "speakers/speaker_test.h"

#include <cstring>

HMODULE bridgeModule = nullptr;
DLL32CALLPROC removalCall = nullptr;
HCURSOR savedCursor = nullptr;

namespace {

constexpr UINT_PTR REMOVAL_TIMER = 1;
constexpr UINT REMOVAL_DELAY_MS = 2000;

// The card's driver cannot go while this soft synthesizer, which uses it,
// is installed; it has been registered under both spellings.
const char* const softSynthUninstallKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\YAMAHA Soft Synthesizer S-YXG50",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\YAMAHA SoftSynthesizer S-YXG50",
};

constexpr char bridgeFileName[] = "CVTHK32.DLL";
constexpr int SYSTEM_DIR_SIZE = 256;
constexpr int LOADER_NAME_SIZE = 40;

bool SoftSynthInstalled() {
    for (const char* name : softSynthUninstallKeys) {
        HKEY key;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, name, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            return true;
        }
    }
    return false;
}

// The applet's name comes from a file anyone may edit: only a plain name
// inside the system directory may be deleted, never a path that leads out.
bool IsPlainFileName(const char* name) {
    return name[0] != '\0' && std::strpbrk(name, "\\/:") == nullptr &&
           std::strstr(name, "..") == nullptr;
}

// Deletes a file of the system directory.
void DeleteSystemFile(const char* systemDir, const char* name) {
    char path[SYSTEM_DIR_SIZE + 1 + LOADER_NAME_SIZE];
    std::strcpy(path, systemDir);
    std::strcat(path, "\\");
    std::strcat(path, name);
    DeleteFileA(path);
}

} // namespace

void StartRemoval(HWND page) {
    // The test sound would play on through a driver being removed.
    if (speakerTestRunning) ToggleTest(page);

    if (SoftSynthInstalled()) {
        ShowMessage(page, IDS_REMOVE_SYNTH_FIRST, MB_ICONEXCLAMATION);
        return;
    }
    if (ShowMessage(page, IDS_CONFIRM_UNINSTALL, MB_YESNO | MB_ICONQUESTION) != IDYES) return;

    if (bridgeModule != nullptr) FreeLibrary(bridgeModule);
    bridgeModule = LoadLibraryA(bridgeFileName);
    savedCursor = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(IDC_WAIT)));
    if (bridgeModule == nullptr) return;

    removalCall = reinterpret_cast<DLL32CALLPROC>(GetProcAddress(bridgeModule, "DLL32Call"));
    if (removalCall != nullptr) {
        // Nothing else may start on the page while the partner works.
        EnableWindow(GetDlgItem(page, IDC_TEST_ALL), FALSE);
        EnableWindow(GetDlgItem(page, IDC_UNINSTALL), FALSE);
        removalCall(BRIDGE_REMOVE_BEGIN);
    }
    SetTimer(page, REMOVAL_TIMER, REMOVAL_DELAY_MS, nullptr);
}

void FinishRemoval(HWND page) {
    SetCursor(savedCursor);
    KillTimer(page, REMOVAL_TIMER);

    if (removalCall != nullptr) {
        removalCall(BRIDGE_REMOVE_END);
        FreeLibrary(bridgeModule);
        bridgeModule = nullptr;
        ShowMessage(page, IDS_REMOVED, MB_ICONINFORMATION);

        // Without the system directory nothing is deleted: a path without
        // it would name a file elsewhere.
        char systemDir[SYSTEM_DIR_SIZE];
        const UINT length = GetSystemDirectoryA(systemDir, sizeof systemDir);
        const bool haveSystemDir = length > 0 && length < sizeof systemDir;
        if (haveSystemDir) DeleteSystemFile(systemDir, bridgeFileName);

        // An open folder window may show the applet; it is closed before
        // the file goes and Control Panel is opened again afterwards.
        HWND folder = FindWindowA("CabinetWClass", nullptr);
        if (folder != nullptr) SendMessageA(folder, WM_CLOSE, 0, 0);

        char loader[LOADER_NAME_SIZE];
        GetPrivateProfileStringA("DESCRIPTION", "LOADER", "CVAPLT.CPL", loader, sizeof loader,
                                 "SOUNDCFG.INI");
        if (haveSystemDir && IsPlainFileName(loader)) DeleteSystemFile(systemDir, loader);

        if (folder != nullptr) WinExec("control.exe", SW_SHOWNA);
    }
    // The tray window's end is the program's end.
    DestroyWindow(TrayWindow);
}
