#include "record_page.h"

#include <commctrl.h>
#include <string.h>

#include "app/resources/resource.h"
#include "app/utilities.h"
#include "mixer/mixer_rows.h"

// Sources of the wave-in destination. The mix and line-in are both
// auxiliary sources, told apart only by their line ids.
static const MixerRow RecordRows[RECORD_ROW_COUNT] = {
    {IDC_REC_MIX_VOLUME, IDC_REC_MIX_NAME, IDC_REC_MIX_BALANCE, IDC_REC_MIX_SELECT,
     MIXER_AUXILIARY_SOURCE, 0x00020001},
    {IDC_REC_MIC_VOLUME, IDC_REC_MIC_NAME, IDC_REC_MIC_BALANCE, IDC_REC_MIC_SELECT,
     MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0},
    {IDC_REC_CD_VOLUME, IDC_REC_CD_NAME, IDC_REC_CD_BALANCE, IDC_REC_CD_SELECT,
     MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, 0},
    {IDC_REC_LINE_VOLUME, IDC_REC_LINE_NAME, IDC_REC_LINE_BALANCE, IDC_REC_LINE_SELECT,
     MIXER_AUXILIARY_SOURCE, 0x00010001},
};

RecordMixerPage::RecordMixerPage() : mixerDeviceId(FindMixerDevice()), mixerHandle(NULL) {
    memset(records, 0, sizeof(records));
}

static INT_PTR CALLBACK RecordMixerPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    RecordMixerPage* object = reinterpret_cast<RecordMixerPage*>(GetWindowLongA(page, GWL_USERDATA));
    switch (message) {
    case WM_INITDIALOG: {
        object = reinterpret_cast<RecordMixerPage*>(lParam);
        SetWindowLongA(page, GWL_USERDATA, static_cast<LONG>(lParam));
        PlacePageInTab(page);
        if (object == NULL) return TRUE;
        // Without a mixer the template stays as it is; its controls hold
        // no records, so using them does nothing.
        object->mixerHandle = OpenMixer(page, object->mixerDeviceId);
        if (object->mixerHandle != NULL)
            SetUpMixerRows(page, object->mixerHandle, RecordRows, object->records, RECORD_ROW_COUNT,
                           MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
        object->ToDialog(page);
        return TRUE;
    }
    case WM_VSCROLL:
        // Every scroll code, so that the mixer follows a dragged thumb.
        if (object != NULL)
            MixerSliderMoved(object->mixerHandle, reinterpret_cast<HWND>(lParam), FALSE);
        return FALSE;
    case WM_HSCROLL:
        if (object != NULL)
            MixerSliderMoved(object->mixerHandle, reinterpret_cast<HWND>(lParam), TRUE);
        return FALSE;
    case WM_COMMAND: {
        const UINT id = LOWORD(wParam);
        if (object == NULL || HIWORD(wParam) != BN_CLICKED || id < IDC_REC_MIX_SELECT ||
            id > IDC_REC_LINE_SELECT)
            return FALSE;
        HWND box = GetDlgItem(page, id);
        MixerLineRecord* record = RecordOfControl(box);
        if (record == NULL) return FALSE;
        if (SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            // The multiplexer clears the other sources; their boxes follow
            // with the refresh that the driver's notification brings.
            record->switchValue = 1;
            SetRecordSelect(object->mixerHandle, record);
        } else {
            // The selected source cannot be cleared, only replaced by
            // ticking another one.
            SendMessageA(box, BM_SETCHECK, record->switchValue ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        return FALSE;
    }
    case MM_MIXM_CONTROL_CHANGE:
        // Whatever changed, and whoever changed it, the page shows the
        // mixer as it now is.
        if (object != NULL) object->ToDialog(page);
        return FALSE;
    case WM_DESTROY:
        if (object != NULL) {
            if (object->mixerHandle != NULL) CloseMixer(object->mixerHandle);
            object->mixerHandle = NULL;
            object->FromDialog(page);
        }
        return FALSE;
    }
    return FALSE;
}

int RecordMixerPage::GetTitleId() {
    return IDS_TITLE_RECORD;
}

int RecordMixerPage::GetTemplateId() {
    return IDD_RECORD_MIXER;
}

DLGPROC RecordMixerPage::GetDialogProc() {
    return RecordMixerPageProc;
}

// Every change goes to the mixer at once; the page keeps nothing to load,
// apply or save.
void RecordMixerPage::Load(IDirectSound*, IKsPropertySet*) {}

void RecordMixerPage::Apply(IDirectSound*, IKsPropertySet*) {}

void RecordMixerPage::ToDialog(HWND pageWindow) {
    RefreshMixerRows(pageWindow, mixerHandle, RecordRows, RECORD_ROW_COUNT, GetRecordSelect);
}

void RecordMixerPage::FromDialog(HWND) {}
