#include "general_page.h"

#include "app/control_panel.h"
#include "app/shell.h"
#include "app/resources/resource.h"
#include "app/utilities.h"
#include "bridge/cvthk32.h"
#include "effects3d/directsound3d.h"
#include "speakers/driver_info.h"
#include "speakers/removal.h"
#include "speakers/speaker_test.h"

int lastLoadedSpeakers = 0;
int currentSpeakerConfig = 0;

namespace {

// The text by which the driver's description is recognised, terminator
// included.
constexpr int DRIVER_DESC_SIZE = 128;

// Returns the number of characters read; an empty text when the file or
// the key is missing.
DWORD ReadDriverDesc(char (&driverDesc)[DRIVER_DESC_SIZE]) {
    return GetPrivateProfileStringA("DESCRIPTION", "DRIVERDESC", "", driverDesc, DRIVER_DESC_SIZE,
                                    "SOUNDCFG.INI");
}

BYTE LowByte(int value) {
    return static_cast<BYTE>(value & 0xFF);
}

// Only the low byte comes from the registry; the rest of the code stays.
int WithLowByte(int value, BYTE low) {
    return (value & ~0xFF) | low;
}

// The radio buttons in the order they are tested, with their codes.
struct SpeakerButton {
    int id;
    int code;
};
constexpr SpeakerButton speakerButtons[] = {
    {IDC_TWO_SPEAKERS, 2},
    {IDC_STEREO_X2, 3},
    {IDC_FOUR_SPEAKERS, 4},
    {IDC_SIX_SPEAKERS, 6},
};

void EnableApply(HWND page) {
    EnableWindow(GetDlgItem(GetParent(page), IDC_APPLY), TRUE);
}

void DisableControl(HWND page, int id) {
    EnableWindow(GetDlgItem(page, id), FALSE);
}

// Tells DirectSound and the card about a new arrangement. The bridge is
// bound for this one call only: the program holds it no longer than it
// needs it.
void NotifySpeakerChange(BYTE code) {
    HMODULE bridge = LoadLibraryA("CVTHK32.DLL");
    if (bridge == nullptr) return;
    if (DLL32CALLPROC call = reinterpret_cast<DLL32CALLPROC>(GetProcAddress(bridge, "DLL32Call"))) {
        switch (code) {
        case 1:
            ApplySpeakerConfig(1);
            break;
        case 2:
        case 3: // "Stereo X 2" drives the same stereo pair for DirectSound
            ApplySpeakerConfig(2);
            break;
        case 4:
            ApplySpeakerConfig(4);
            break;
        case 6:
            ApplySpeakerConfig(6);
            break;
        default: // no arrangement DirectSound knows
            break;
        }
        call(BRIDGE_SPEAKERS_CHANGED);
    }
    FreeLibrary(bridge);
}

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        // The page object travels with its window.
        SetWindowLongA(page, GWL_USERDATA, static_cast<LONG>(lParam));
        PlacePageInTab(page);
        // A new page window holds no removal yet; whatever an earlier one
        // held is not this window's to free.
        bridgeModule = nullptr;
        removalCall = nullptr;
        if (PanelPage* object = reinterpret_cast<PanelPage*>(lParam)) object->ToDialog(page);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_TWO_SPEAKERS:
        case IDC_FOUR_SPEAKERS:
        case IDC_SIX_SPEAKERS:
        case IDC_STEREO_X2:
            EnableApply(page);
            break;
        case IDC_FRONT_LEFT:
        case IDC_FRONT_RIGHT:
        case IDC_REAR_LEFT:
        case IDC_REAR_RIGHT:
        case IDC_CENTER_SPEAKER:
        case IDC_SUBWOOFER:
        case IDC_TEST_ALL:
            SpeakerTestCommand(page, LOWORD(wParam));
            break;
        case IDC_UNINSTALL:
            StartRemoval(page);
            break;
        }
        return FALSE;
    case WM_TIMER:
        // The page's only timer is the removal's.
        FinishRemoval(page);
        return FALSE;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(page, &paint);
        DrawSpeakerPictures(page, dc);
        if (speakerTestRunning) DrawPlayingNotes(page, dc);
        EndPaint(page, &paint);
        return FALSE;
    }
    case MM_MCINOTIFY:
        // A stopped sound is reported too; only a sound played to its end
        // moves the test on.
        if (wParam == MCI_NOTIFY_SUCCESSFUL) SpeakerSoundEnded(page);
        return FALSE;
    case WM_SETCURSOR:
        if (PictureAtCursor(page) < 0) return FALSE;
        SetCursor(LoadCursorA(instanceHandle, MAKEINTRESOURCEA(IDC_SPEAKER_HAND)));
        return TRUE;
    case WM_LBUTTONDOWN:
        // A press on the page ends a pending help request.
        helpClickCount = 0;
        return FALSE;
    case WM_LBUTTONUP: {
        // The pictures are drawn on the page, not controls: the page turns a
        // click on one into the command of its placeholder. The release
        // that ends a help request starts nothing.
        const int slot = helpClickCount == 0 ? PictureAtCursor(page) : -1;
        if (slot >= 0) PostMessageA(page, WM_COMMAND, MAKEWPARAM(PlaceholderId(slot), 0), 0);
        return FALSE;
    }
    case WM_DESTROY:
        // A test sound can only play while this page is shown.
        if (speakerTestRunning) ToggleTest(page);
        // Whatever the user set survives a change of tab.
        if (PanelPage* object = reinterpret_cast<PanelPage*>(GetWindowLongA(page, GWL_USERDATA)))
            object->FromDialog(page);
        return FALSE;
    }
    return FALSE;
}

} // namespace

int GeneralPage::GetTitleId() {
    return IDS_TITLE_GENERAL;
}

int GeneralPage::GetTemplateId() {
    return IDD_GENERAL;
}

DLGPROC GeneralPage::GetDialogProc() {
    return GeneralPageProc;
}

void GeneralPage::Load(IDirectSound*, IKsPropertySet*) {
    char driverDesc[DRIVER_DESC_SIZE] = "";
    ReadDriverDesc(driverDesc);
    // Without the driver key the page keeps the code it has.
    BYTE stored = LowByte(speakers);
    if (SpeakerSetting(SPEAKER_SETTING_READ, &stored, driverDesc))
        speakers = WithLowByte(speakers, stored);
    currentSpeakerConfig = speakers;
}

void GeneralPage::Apply(IDirectSound*, IKsPropertySet*) {
    BYTE code = LowByte(speakers);
    if (code == lastLoadedSpeakers) return;

    // Without the description text the driver key cannot be recognised
    // safely, so nothing is written; DirectSound and the card still hear
    // of the change.
    char driverDesc[DRIVER_DESC_SIZE] = "";
    if (ReadDriverDesc(driverDesc) > 0) SpeakerSetting(SPEAKER_SETTING_WRITE, &code, driverDesc);

    NotifySpeakerChange(code);
}

void GeneralPage::ToDialog(HWND page) {
    for (const SpeakerButton& button : speakerButtons)
        CheckDlgButton(page, button.id, BST_UNCHECKED);

    char driverDesc[DRIVER_DESC_SIZE] = "";
    ReadDriverDesc(driverDesc);
    BYTE stored = LowByte(speakers);
    if (SpeakerSetting(SPEAKER_SETTING_READ, &stored, driverDesc)) {
        speakers = WithLowByte(speakers, stored);
        lastLoadedSpeakers = speakers;
    }

    // Without the driver key the limit is the arrangement itself.
    BYTE limit = LowByte(speakers);
    SpeakerSetting(SPEAKER_SETTING_LIMITS, &limit, driverDesc);

    // Only ever disabled: a button stays off for the life of the window.
    if (stereoX2Supported == 0) DisableControl(page, IDC_STEREO_X2);
    if (limit == 2) {
        DisableControl(page, IDC_FOUR_SPEAKERS);
        DisableControl(page, IDC_SIX_SPEAKERS);
    } else if (limit == 4) {
        DisableControl(page, IDC_SIX_SPEAKERS);
    }

    // Exactly one button is checked. "Stereo X 2" follows the registry even
    // when the driver no longer offers it, so the user sees what is set.
    int checked = IDC_TWO_SPEAKERS;
    if (lastLoadedSpeakers == 6 && limit == 6)
        checked = IDC_SIX_SPEAKERS;
    else if (lastLoadedSpeakers == 4 && limit > 2)
        checked = IDC_FOUR_SPEAKERS;
    else if (lastLoadedSpeakers == 3 && limit > 2)
        checked = IDC_STEREO_X2;
    CheckDlgButton(page, checked, BST_CHECKED);

    currentSpeakerConfig = speakers;
    // A new page window starts with no test under way; a sound still
    // playing is not stopped here.
    testIndex = 0;
    testEnd = 0;
    speakerTestRunning = 0;
}

void GeneralPage::FromDialog(HWND page) {
    speakers = 2;
    for (const SpeakerButton& button : speakerButtons) {
        if (IsButtonChecked(page, button.id) == BST_CHECKED) {
            speakers = button.code;
            break;
        }
    }

    // The pictures follow the arrangement once it is stored; have them
    // drawn again.
    InvalidateTestArea(page);
}
