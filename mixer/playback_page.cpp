#include "playback_page.h"

#include <commctrl.h>
#include <string.h>

#include "app/resources/resource.h"
#include "app/utilities.h"
#include "mixer/mixer_rows.h"

// The master line itself, then its sources; the line-in column takes the
// auxiliary source that follows the wave output.
static const MixerRow PlaybackRows[PLAYBACK_ROW_COUNT] = {
    {IDC_PLAY_MASTER_VOLUME, IDC_PLAY_MASTER_NAME, IDC_PLAY_MASTER_BALANCE, IDC_PLAY_MASTER_MUTE,
     MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 0},
    {IDC_PLAY_WAVE_VOLUME, IDC_PLAY_WAVE_NAME, IDC_PLAY_WAVE_BALANCE, IDC_PLAY_WAVE_MUTE,
     MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 0},
    {IDC_PLAY_SYNTH_VOLUME, IDC_PLAY_SYNTH_NAME, IDC_PLAY_SYNTH_BALANCE, IDC_PLAY_SYNTH_MUTE,
     MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER, 0},
    {IDC_PLAY_CD_VOLUME, IDC_PLAY_CD_NAME, IDC_PLAY_CD_BALANCE, IDC_PLAY_CD_MUTE,
     MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, 0},
    {IDC_PLAY_MIC_VOLUME, IDC_PLAY_MIC_NAME, IDC_PLAY_MIC_BALANCE, IDC_PLAY_MIC_MUTE,
     MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0},
    {IDC_PLAY_LINE_VOLUME, IDC_PLAY_LINE_NAME, IDC_PLAY_LINE_BALANCE, IDC_PLAY_LINE_MUTE,
     MIXER_AUXILIARY_SOURCE, 0},
};

PlaybackMixerPage::PlaybackMixerPage() : mixerDeviceId(FindMixerDevice()), mixerHandle(NULL) {
    memset(records, 0, sizeof(records));
}

static INT_PTR CALLBACK PlaybackMixerPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    PlaybackMixerPage* object =
        reinterpret_cast<PlaybackMixerPage*>(GetWindowLongA(page, GWL_USERDATA));
    switch (message) {
    case WM_INITDIALOG: {
        object = reinterpret_cast<PlaybackMixerPage*>(lParam);
        SetWindowLongA(page, GWL_USERDATA, static_cast<LONG>(lParam));
        PlacePageInTab(page);
        if (object == NULL) return TRUE;
        // Without a mixer the template stays as it is; its controls hold
        // no records, so using them does nothing.
        object->mixerHandle = OpenMixer(page, object->mixerDeviceId);
        if (object->mixerHandle != NULL)
            SetUpMixerRows(page, object->mixerHandle, PlaybackRows, object->records,
                           PLAYBACK_ROW_COUNT, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
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
        if (object == NULL || id < IDC_PLAY_MASTER_MUTE || id > IDC_PLAY_LINE_MUTE) return FALSE;
        HWND box = GetDlgItem(page, id);
        MixerLineRecord* record = RecordOfControl(box);
        if (record == NULL) return FALSE;
        record->switchValue = SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        SetMute(object->mixerHandle, record);
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

int PlaybackMixerPage::GetTitleId() {
    return IDS_TITLE_PLAYBACK;
}

int PlaybackMixerPage::GetTemplateId() {
    return IDD_PLAYBACK_MIXER;
}

DLGPROC PlaybackMixerPage::GetDialogProc() {
    return PlaybackMixerPageProc;
}

// Every change goes to the mixer at once; the page keeps nothing to load,
// apply or save.
void PlaybackMixerPage::Load(IDirectSound*, IKsPropertySet*) {}

void PlaybackMixerPage::Apply(IDirectSound*, IKsPropertySet*) {}

void PlaybackMixerPage::ToDialog(HWND pageWindow) {
    RefreshMixerRows(pageWindow, mixerHandle, PlaybackRows, PLAYBACK_ROW_COUNT, GetMute);
}

void PlaybackMixerPage::FromDialog(HWND) {}
