#include "mixer_rows.h"

#include <commctrl.h>
#include <string.h>

MixerLineRecord* RecordOfControl(HWND control) {
    if (control == NULL) return NULL;
    return reinterpret_cast<MixerLineRecord*>(GetWindowLongA(control, GWL_USERDATA));
}

static void LinkRow(HWND page, const MixerRow& row, MixerLineRecord* record) {
    const LONG data = static_cast<LONG>(reinterpret_cast<LONG_PTR>(record));
    SetWindowLongA(GetDlgItem(page, row.volumeSliderId), GWL_USERDATA, data);
    SetWindowLongA(GetDlgItem(page, row.balanceSliderId), GWL_USERDATA, data);
    SetWindowLongA(GetDlgItem(page, row.checkBoxId), GWL_USERDATA, data);
}

static void DisableRow(HWND page, const MixerRow& row) {
    EnableWindow(GetDlgItem(page, row.volumeSliderId), FALSE);
    EnableWindow(GetDlgItem(page, row.balanceSliderId), FALSE);
    EnableWindow(GetDlgItem(page, row.checkBoxId), FALSE);
}

void SetUpMixerRows(HWND page, HMIXER mixer, const MixerRow* rows, MixerLineRecord* records,
                    int rowCount, DWORD destinationType) {
    for (int i = 0; i < rowCount; ++i) {
        const MixerRow& row = rows[i];
        MixerLineRecord* record = &records[i];
        HWND volumeSlider = GetDlgItem(page, row.volumeSliderId);
        HWND balanceSlider = GetDlgItem(page, row.balanceSliderId);
        SendMessageA(volumeSlider, TBM_SETRANGE, FALSE, MAKELONG(0, VOLUME_SLIDER_MAX));
        SendMessageA(balanceSlider, TBM_SETRANGE, FALSE, MAKELONG(0, BALANCE_SLIDER_MAX));
        SendMessageA(balanceSlider, TBM_SETTIC, 0, BALANCE_CENTRE);
        SendMessageA(balanceSlider, TBM_SETPOS, TRUE, BALANCE_CENTRE);
        record->balance = BALANCE_CENTRE;

        if (!FindLine(mixer, record, row.componentType, destinationType, row.lineId)) {
            LinkRow(page, row, NULL);
            DisableRow(page, row);
            continue;
        }
        LinkRow(page, row, record);
        // The driver's name need not be terminated within its field.
        char name[MIXER_LONG_NAME_CHARS + 1];
        memcpy(name, record->line.szName, MIXER_LONG_NAME_CHARS);
        name[MIXER_LONG_NAME_CHARS] = '\0';
        SetDlgItemTextA(page, row.labelId, name);
        if (record->line.cChannels == 1) EnableWindow(balanceSlider, FALSE);
        if (!GetLineControls(mixer, record)) DisableRow(page, row);
    }
}

void RefreshMixerRows(HWND page, HMIXER mixer, const MixerRow* rows, int rowCount,
                      BOOL (*readSwitch)(HMIXER, MixerLineRecord*)) {
    if (mixer == NULL) return;
    for (int i = 0; i < rowCount; ++i) {
        const MixerRow& row = rows[i];
        // A row whose line was not found holds no record, and its record's
        // line says nothing about the row.
        MixerLineRecord* record = RecordOfControl(GetDlgItem(page, row.volumeSliderId));
        if (record == NULL) continue;
        if (!GetLineControls(mixer, record) || !GetVolume(mixer, record)) continue;
        SendDlgItemMessageA(page, row.volumeSliderId, TBM_SETPOS, TRUE,
                            static_cast<LPARAM>(LevelToPosition(GetLevel(record))));
        if (LevelsToBalance(record))
            SendDlgItemMessageA(page, row.balanceSliderId, TBM_SETPOS, TRUE,
                                static_cast<LPARAM>(record->balance));
        readSwitch(mixer, record);
        SendDlgItemMessageA(page, row.checkBoxId, BM_SETCHECK, record->switchValue ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void MixerSliderMoved(HMIXER mixer, HWND slider, BOOL isBalance) {
    MixerLineRecord* record = RecordOfControl(slider);
    if (record == NULL) return;
    const LRESULT position = SendMessageA(slider, TBM_GETPOS, 0, 0);
    SliderToLevels(record, static_cast<DWORD>(position < 0 ? 0 : position), isBalance);
    SetVolume(mixer, record);
}
