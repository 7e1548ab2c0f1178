// What the two mixer pages share: a row table entry, and the set-up,
// refresh and slider handling of a page's rows.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include "mixer_device.h"

// One column of a mixer page: its controls and the line it shows.
struct MixerRow {
    DWORD volumeSliderId;
    DWORD labelId;
    DWORD balanceSliderId;
    DWORD checkBoxId;
    DWORD componentType;
    DWORD lineId;
};

// Ranges the sliders, finds each row's line on the destination and links
// the row's controls to its record; a row without a line is disabled.
void SetUpMixerRows(HWND page, HMIXER mixer, const MixerRow* rows, MixerLineRecord* records,
                    int rowCount, DWORD destinationType);

// Shows the mixer's current values; `readSwitch` fills the record's switch
// value for the row's check box. Rows without a line are left alone.
void RefreshMixerRows(HWND page, HMIXER mixer, const MixerRow* rows, int rowCount,
                      BOOL (*readSwitch)(HMIXER, MixerLineRecord*));

// A volume (vertical) or balance (horizontal) slider has moved.
void MixerSliderMoved(HMIXER mixer, HWND slider, BOOL isBalance);

// The record a row control is linked to, or null.
MixerLineRecord* RecordOfControl(HWND control);
