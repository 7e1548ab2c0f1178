#include "effects_page.h"

#include <commctrl.h>

#include "app/resources/resource.h"
#include "app/shell.h"
#include "app/utilities.h"

namespace {

// The environment list: "- none -", the 26 reverb environments, then the
// 25 presets, in string-table order from IDS_ENV_NONE on.
constexpr int ENVIRONMENT_LIST_SIZE = 52;
constexpr int FIRST_ENVIRONMENT_POSITION = 1;
constexpr int FIRST_PRESET_POSITION = 27;
constexpr int ENVIRONMENT_COUNT = 26;

// Trackbar positions per unit of spread and centre.
constexpr int SLIDER_SCALE = 1000;

// Every check box and radio button of the page, shown or hidden: any
// command from one of them counts as a change.
constexpr int pageButtons[] = {
    IDC_REVERB,      IDC_BASS_BOOST,      IDC_STEREO_EXPANSION,
    IDC_ELEVATION,   IDC_RATE_CONVERSION, IDC_QSOUND,
    IDC_STEREO,      IDC_OUTPUT_SPEAKERS, IDC_OUTPUT_HEADPHONES,
    IDC_OUTPUT_MONO, IDC_OUTPUT_QUAD,     IDC_SPLASH_LOGO,
};

bool IsPageButton(int id) {
    for (int button : pageButtons)
        if (button == id) return true;
    return false;
}

bool IsPageTrackbar(int id) {
    return id == IDC_CPU_USAGE || id == IDC_SPREAD || id == IDC_CENTER;
}

void EnableApply(HWND page) {
    EnableWindow(GetDlgItem(GetParent(page), IDC_APPLY), TRUE);
}

// The trackbar position that shows a value of 0.0 to 1.0: rounded to the
// nearest thousandth. The trackbar itself keeps a position within 0..1000;
// the value is limited here first so that a wild driver value (huge, or
// not a number) never reaches an integer conversion that cannot hold it.
int SliderPosition(float value) {
    double position = 0.5 + SLIDER_SCALE * static_cast<double>(value);
    if (!(position > 0.0)) return 0; // negative, zero or not a number
    if (position > SLIDER_SCALE) return SLIDER_SCALE;
    return static_cast<int>(position);
}

float SliderValue(HWND page, int id) {
    LRESULT position = SendDlgItemMessageA(page, id, TBM_GETPOS, 0, 0);
    return static_cast<float>(position * 0.001);
}

LONG CheckedFlag(HWND page, int id) {
    return IsButtonChecked(page, id) == BST_CHECKED ? 1 : 0;
}

void FillEnvironmentList(HWND page) {
    HWND list = GetDlgItem(page, IDC_ENVIRONMENT);
    for (int id = IDS_ENV_NONE; id < IDS_ENV_NONE + ENVIRONMENT_LIST_SIZE; ++id) {
        char text[256] = "";
        LoadStringA(instanceHandle, id, text, sizeof text);
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
}

INT_PTR CALLBACK EffectsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        // The page object travels with its window.
        SetWindowLongA(page, GWL_USERDATA, static_cast<LONG>(lParam));
        PlacePageInTab(page);
        FillEnvironmentList(page);
        // The page is not drawn yet: ToDialog's positions redraw it.
        SendDlgItemMessageA(page, IDC_CPU_USAGE, TBM_SETRANGE, FALSE, MAKELPARAM(0, 2));
        SendDlgItemMessageA(page, IDC_SPREAD, TBM_SETRANGE, FALSE, MAKELPARAM(0, SLIDER_SCALE));
        SendDlgItemMessageA(page, IDC_CENTER, TBM_SETRANGE, FALSE, MAKELPARAM(0, SLIDER_SCALE));
        if (PanelPage* object = reinterpret_cast<PanelPage*>(lParam)) object->ToDialog(page);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        // Typing into the list's field is not a choice; only a new
        // selection is.
        if (IsPageButton(id) || (id == IDC_ENVIRONMENT && HIWORD(wParam) == CBN_SELCHANGE))
            EnableApply(page);
        return FALSE;
    }
    case WM_HSCROLL:
        // A drag counts once it ends, not at every step of the thumb.
        if (LOWORD(wParam) == TB_ENDTRACK && lParam != 0 &&
            IsPageTrackbar(GetDlgCtrlID(reinterpret_cast<HWND>(lParam))))
            EnableApply(page);
        return FALSE;
    case WM_DESTROY:
        // Whatever the user set survives a change of tab, and a Cancel in
        // memory.
        if (PanelPage* object = reinterpret_cast<PanelPage*>(GetWindowLongA(page, GWL_USERDATA)))
            object->FromDialog(page);
        return FALSE;
    }
    return FALSE;
}

} // namespace

int EffectsPage::GetTitleId() {
    return IDS_TITLE_EFFECTS;
}

int EffectsPage::GetTemplateId() {
    return IDD_EFFECTS;
}

DLGPROC EffectsPage::GetDialogProc() {
    return EffectsPageProc;
}

void EffectsPage::Load(IDirectSound*, IKsPropertySet* propertySet) {
    settings.Read(propertySet);
}

void EffectsPage::Apply(IDirectSound*, IKsPropertySet* propertySet) {
    settings.Write(propertySet);
}

void EffectsPage::ToDialog(HWND page) {
    // The hidden controls hold the values the page does not show, so that
    // FromDialog gives them back as they came.
    CheckDlgButton(page, IDC_QSOUND, settings.qsound != 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_STEREO, settings.qsound == 0 ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageA(page, IDC_ELEVATION, BM_SETCHECK, settings.elevation, 0);
    SendDlgItemMessageA(page, IDC_REVERB, BM_SETCHECK, settings.ranging, 0);
    SendDlgItemMessageA(page, IDC_BASS_BOOST, BM_SETCHECK, settings.bassBoost, 0);
    SendDlgItemMessageA(page, IDC_RATE_CONVERSION, BM_SETCHECK, settings.rateConversion, 0);
    SendDlgItemMessageA(page, IDC_SPLASH_LOGO, BM_SETCHECK, settings.splashLogo, 0);

    // An index without an entry (a preset past the last one) leaves the
    // list without a selection.
    // Worked out unsigned, so that a wild driver index wraps instead of
    // overflowing; it then names no entry either.
    DWORD index = static_cast<DWORD>(settings.environmentIndex);
    DWORD position = settings.environmentKind != 0 ? index + FIRST_PRESET_POSITION
                                                   : index + FIRST_ENVIRONMENT_POSITION;
    SendDlgItemMessageA(page, IDC_ENVIRONMENT, CB_SETCURSEL, position, 0);

    // Elevation and interpolated rate conversion are what the processor
    // time pays for: none, one of them, or both.
    int cpuUsage = (settings.elevation != 0 ? 1 : 0) + (settings.rateConversion != 0 ? 1 : 0);
    SendDlgItemMessageA(page, IDC_CPU_USAGE, TBM_SETPOS, TRUE, cpuUsage);

    SendDlgItemMessageA(page, IDC_STEREO_EXPANSION, BM_SETCHECK, settings.stereoExpand, 0);
    SendDlgItemMessageA(page, IDC_SPREAD, TBM_SETPOS, TRUE, SliderPosition(settings.spread));
    SendDlgItemMessageA(page, IDC_CENTER, TBM_SETPOS, TRUE, SliderPosition(settings.center));
}

void EffectsPage::FromDialog(HWND page) {
    settings.qsound = CheckedFlag(page, IDC_QSOUND);
    settings.ranging = CheckedFlag(page, IDC_REVERB);
    settings.bassBoost = CheckedFlag(page, IDC_BASS_BOOST);
    settings.splashLogo = CheckedFlag(page, IDC_SPLASH_LOGO);

    // No selection (-1) reads as index -2 of the reverb environments.
    LONG position =
        static_cast<LONG>(SendDlgItemMessageA(page, IDC_ENVIRONMENT, CB_GETCURSEL, 0, 0));
    if (position - FIRST_ENVIRONMENT_POSITION < ENVIRONMENT_COUNT) {
        settings.environmentKind = 0;
        settings.environmentIndex = position - FIRST_ENVIRONMENT_POSITION;
    } else {
        settings.environmentKind = 1;
        settings.environmentIndex = position - FIRST_PRESET_POSITION;
    }

    // The trackbar alone decides; the hidden check boxes only carried the
    // values while the page was shown.
    LRESULT cpuUsage = SendDlgItemMessageA(page, IDC_CPU_USAGE, TBM_GETPOS, 0, 0);
    settings.elevation = cpuUsage >= 1 ? 1 : 0;
    settings.rateConversion = cpuUsage >= 2 ? 1 : 0;

    settings.stereoExpand = CheckedFlag(page, IDC_STEREO_EXPANSION);
    settings.spread = SliderValue(page, IDC_SPREAD);
    settings.center = SliderValue(page, IDC_CENTER);
    // MaxPan has no control on the page: what the driver said is kept, so
    // an OK here never switches it off behind the user's back.
}
