// ControlPanelDialog (dialog 112): the tabbed control panel. It knows the
// pages only through PanelPage and the page table: it loads every page
// from the system when it opens, shows one page window at a time, and
// applies every page on OK or Apply.
#include "control_panel.h"

#include <commctrl.h>
#include <dsound.h>

#include "effects3d/directsound3d.h"
#include "panel_page.h"
#include "resources/resource.h"
#include "shell.h"
#include "speakers/speaker_test.h"
#include "utilities.h"

#define HELP_FILE "cvpanel.hlp"
// A static control without an id of its own has this one.
#define UNNUMBERED_CONTROL 0xFFFF

HWND openDialog = nullptr;
HWND pageWindow = nullptr;
int helpClickCount = 0;

// One template per entry of the page table, found when the dialog opens.
static LPCDLGTEMPLATEA pageTemplates[4];

// Control id and help context id of every control that has a help topic,
// on the dialog and on its pages; WinHelp reads it up to the (0, 0) pair.
// clang-format off
static const DWORD helpIdTable[] = {
    // Dialog 112.
    IDC_PAGE_TABS, 0xFFFFFFFF, // no topic
    IDC_APPLY, 0x10419,
    IDC_DRIVER_VERSION, 0x1041C,
    // Effects page (123).
    IDC_CPU_USAGE, 0x10400,
    IDC_OUTPUT_SPEAKERS, 0x10000 + IDC_OUTPUT_SPEAKERS,
    IDC_ELEVATION, 0x10000 + IDC_ELEVATION,
    IDC_BASS_BOOST, 0x10000 + IDC_BASS_BOOST,
    IDC_REVERB, 0x10000 + IDC_REVERB,
    IDC_RATE_CONVERSION, 0x10000 + IDC_RATE_CONVERSION,
    IDC_QSOUND, 0x10000 + IDC_QSOUND,
    IDC_STEREO, 0x10000 + IDC_STEREO,
    IDC_OUTPUT_HEADPHONES, 0x10000 + IDC_OUTPUT_HEADPHONES,
    IDC_OUTPUT_MONO, 0x10000 + IDC_OUTPUT_MONO,
    IDC_STEREO_EXPANSION, 0x10000 + IDC_STEREO_EXPANSION,
    IDC_SPREAD, 0x10000 + IDC_SPREAD,
    IDC_CENTER, 0x10000 + IDC_CENTER,
    IDC_EFFECTS_ICON, 0x10000 + IDC_EFFECTS_ICON,
    IDC_ENVIRONMENT, 0x10000 + IDC_ENVIRONMENT,
    IDC_OUTPUT_QUAD, 0x10000 + IDC_OUTPUT_QUAD,
    // General page (129).
    IDC_TWO_SPEAKERS, 0x10440,
    IDC_STEREO_X2, 0x10441,
    IDC_FOUR_SPEAKERS, 0x10442,
    IDC_SIX_SPEAKERS, 0x10443,
    IDC_UNINSTALL, 0x10444,
    IDC_TEST_ALL, 0x10445,
    // Playback mixer page (139): balance, volume, mute of each line.
    IDC_PLAY_MASTER_BALANCE, 0x10446,
    IDC_PLAY_WAVE_BALANCE, 0x10446,
    IDC_PLAY_SYNTH_BALANCE, 0x10446,
    IDC_PLAY_CD_BALANCE, 0x10446,
    IDC_PLAY_MIC_BALANCE, 0x10446,
    IDC_PLAY_LINE_BALANCE, 0x10446,
    IDC_PLAY_MASTER_VOLUME, 0x10447,
    IDC_PLAY_WAVE_VOLUME, 0x10447,
    IDC_PLAY_SYNTH_VOLUME, 0x10447,
    IDC_PLAY_CD_VOLUME, 0x10447,
    IDC_PLAY_MIC_VOLUME, 0x10447,
    IDC_PLAY_LINE_VOLUME, 0x10447,
    IDC_PLAY_MASTER_MUTE, 0x10448,
    IDC_PLAY_WAVE_MUTE, 0x10448,
    IDC_PLAY_SYNTH_MUTE, 0x10448,
    IDC_PLAY_CD_MUTE, 0x10448,
    IDC_PLAY_MIC_MUTE, 0x10448,
    IDC_PLAY_LINE_MUTE, 0x10448,
    // Record mixer page (140): select, volume, balance of each source.
    IDC_REC_MIX_SELECT, 0x10449,
    IDC_REC_MIC_SELECT, 0x10449,
    IDC_REC_CD_SELECT, 0x10449,
    IDC_REC_LINE_SELECT, 0x10449,
    IDC_REC_MIX_VOLUME, 0x10450,
    IDC_REC_MIC_VOLUME, 0x10450,
    IDC_REC_CD_VOLUME, 0x10450,
    IDC_REC_LINE_VOLUME, 0x10450,
    IDC_REC_MIX_BALANCE, 0x10451,
    IDC_REC_MIC_BALANCE, 0x10451,
    IDC_REC_CD_BALANCE, 0x10451,
    IDC_REC_LINE_BALANCE, 0x10451,
    0, 0,
};
// clang-format on

// Opens DirectSound and a 3D buffer's property set on the first device
// that the 3D driver serves, or on the default device when none does.
static HRESULT OpenDirectSound3D(HWND dialog, IDirectSound** directSound,
                                 IKsPropertySet** propertySet) {
    *directSound = nullptr;
    *propertySet = nullptr;
    return ProbeDirectSound3D(soundDeviceCount > 0 ? &soundDevices[0] : nullptr, dialog,
                              directSound, propertySet);
}

// The property set keeps its buffer alive on the DirectSound object, so it
// goes first.
static void CloseDirectSound3D(IDirectSound* directSound, IKsPropertySet* propertySet) {
    if (propertySet != nullptr) propertySet->Release();
    if (directSound != nullptr) directSound->Release();
}

static int CurrentTab(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageA(dialog, IDC_PAGE_TABS, TCM_GETCURSEL, 0, 0));
}

static bool IsPageIndex(int index) {
    return index >= 0 && index < pageCount;
}

// Replaces the page window by the one of the selected tab. The Apply
// button keeps its state whatever the new page does while it sets up.
static void ShowSelectedPage(HWND dialog) {
    if (pageWindow != nullptr) {
        // The page reads its controls into its object as it goes.
        DestroyWindow(pageWindow);
        pageWindow = nullptr;
    }
    HWND apply = GetDlgItem(dialog, IDC_APPLY);
    BOOL applyEnabled = IsWindowEnabled(apply);
    int current = CurrentTab(dialog);
    if (IsPageIndex(current)) {
        PanelPage* page = pageTable[current];
        pageWindow =
            CreateDialogIndirectParamA(instanceHandle, pageTemplates[current], dialog,
                                       page->GetDialogProc(), reinterpret_cast<LPARAM>(page));
        ShowWindow(pageWindow, SW_SHOWNORMAL);
    }
    SetFocus(GetDlgItem(dialog, IDC_PAGE_TABS));
    EnableWindow(apply, applyEnabled);
}

static void OnInitDialog(HWND dialog) {
    openDialog = dialog;
    CenterWindow(dialog);

    IDirectSound* directSound;
    IKsPropertySet* propertySet;
    HRESULT probe = OpenDirectSound3D(dialog, &directSound, &propertySet);
    HWND tabs = GetDlgItem(dialog, IDC_PAGE_TABS);
    for (int i = 0; i < pageCount; ++i) {
        PanelPage* page = pageTable[i];
        char title[50] = "";
        LoadStringA(instanceHandle, page->GetTitleId(), title, sizeof title);
        TCITEMA tab = {};
        tab.mask = TCIF_TEXT;
        tab.pszText = title;
        SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&tab));

        // A template that is not there leaves that tab's page area empty.
        pageTemplates[i] = nullptr;
        if (HRSRC found =
                FindResourceA(instanceHandle, MAKEINTRESOURCEA(page->GetTemplateId()), RT_DIALOG))
            if (HGLOBAL loaded = LoadResource(instanceHandle, found))
                pageTemplates[i] = static_cast<LPCDLGTEMPLATEA>(LockResource(loaded));

        // Without the 3D probe the pages keep what their objects hold.
        if (probe >= 0) page->Load(directSound, propertySet);
    }
    if (probe >= 0) CloseDirectSound3D(directSound, propertySet);

    char driverVersion[40];
    GetPrivateProfileStringA("DESCRIPTION", "DRIVERVERSION", "", driverVersion,
                             sizeof driverVersion, "SOUNDCFG.INI");
    SetDlgItemTextA(dialog, IDC_DRIVER_VERSION, driverVersion);

    ShowSelectedPage(dialog);
    SetForegroundWindow(dialog);
}

// The dialog's result, 1 for OK and 0 for Cancel, is not looked at.
static void CloseControlPanel(HWND dialog, INT_PTR result) {
    if (speakerTestRunning) ToggleTest(dialog);
    openDialog = nullptr;
    WinHelpA(dialog, HELP_FILE, HELP_QUIT, 0);
    EndDialog(dialog, result);
}

// OK and Apply: every page is applied, whether or not it changed. Apply
// then reloads every page from the system and keeps the dialog open.
static void ApplyPages(HWND dialog, bool closeAfter) {
    int current = CurrentTab(dialog);
    if (IsPageIndex(current)) pageTable[current]->FromDialog(pageWindow);
    if (speakerTestRunning) ToggleTest(dialog);

    IDirectSound* directSound;
    IKsPropertySet* propertySet;
    if (OpenDirectSound3D(dialog, &directSound, &propertySet) >= 0) {
        for (int i = 0; i < pageCount; ++i)
            pageTable[i]->Apply(directSound, propertySet);
        CloseDirectSound3D(directSound, propertySet);
    }
    if (closeAfter) {
        CloseControlPanel(dialog, 1);
        return;
    }
    if (OpenDirectSound3D(dialog, &directSound, &propertySet) >= 0) {
        for (int i = 0; i < pageCount; ++i)
            pageTable[i]->Load(directSound, propertySet);
        CloseDirectSound3D(directSound, propertySet);
    }
    if (IsPageIndex(current)) pageTable[current]->ToDialog(pageWindow);
    EnableWindow(GetDlgItem(dialog, IDC_APPLY), FALSE);
}

static void OnHelp(const HELPINFO* info) {
    if (info != nullptr && info->iContextType == HELPINFO_WINDOW &&
        info->iCtrlId != UNNUMBERED_CONTROL)
        WinHelpA(static_cast<HWND>(info->hItemHandle), HELP_FILE, HELP_WM_HELP,
                 reinterpret_cast<ULONG_PTR>(helpIdTable));
    ++helpClickCount;
}

static void OnNotify(HWND dialog, const NMHDR* header) {
    if (header == nullptr || header->idFrom != IDC_PAGE_TABS) return;
    if (header->code == TCN_SELCHANGE) {
        ShowSelectedPage(dialog);
    } else if (header->code == TCN_KEYDOWN) {
        // Tab on the tab control goes on into the page.
        const NMTCKEYDOWN* key = reinterpret_cast<const NMTCKEYDOWN*>(header);
        if (key->wVKey == VK_TAB && pageWindow != nullptr) SetFocus(pageWindow);
    }
}

INT_PTR CALLBACK ControlPanelDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            ApplyPages(dialog, true);
            break;
        case IDC_APPLY:
            ApplyPages(dialog, false);
            break;
        case IDCANCEL:
            CloseControlPanel(dialog, 0);
            break;
        }
        return FALSE;
    case WM_NOTIFY:
        OnNotify(dialog, reinterpret_cast<const NMHDR*>(lParam));
        return FALSE;
    case WM_HELP:
        OnHelp(reinterpret_cast<const HELPINFO*>(lParam));
        return FALSE;
    case WM_CONTEXTMENU:
        WinHelpA(reinterpret_cast<HWND>(wParam), HELP_FILE, HELP_CONTEXTMENU,
                 reinterpret_cast<ULONG_PTR>(helpIdTable));
        return FALSE;
    case WM_CLOSE:
        // The title bar's close button: no help to close, nothing else.
        openDialog = nullptr;
        EndDialog(dialog, 0);
        return FALSE;
    }
    return FALSE;
}
