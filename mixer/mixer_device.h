// Access to the card's mixer: choosing the device, finding lines, reading
// and writing volumes, mutes and the recording source, and the conversion
// between slider positions and channel levels. Plain functions over a
// handle and a record that the calling page owns.
#pragma once

#include <windows.h>
#include <mmsystem.h>

// The card's driver reports its mix and line-in lines with component type
// 0x100A, which the documented constants call "analog"; the mixer pages
// look those lines up by that value and call them auxiliary.
#define MIXER_AUXILIARY_SOURCE MIXERLINE_COMPONENTTYPE_SRC_ANALOG

// Slider ranges: volume 0 (top, loudest) to 15, balance 0 (left) to 32.
#define VOLUME_SLIDER_MAX 15
#define BALANCE_SLIDER_MAX 32
#define BALANCE_CENTRE 16

// One row of a mixer page: its line, the line's first controls (volume,
// then mute) and the values exchanged with them.
struct MixerLineRecord {
    DWORD balance;
    MIXERLINEA line;
    MIXERCONTROLA controls[3];
    DWORD volume[2];
    DWORD switchValue;
};

UINT FindMixerDevice();
HMIXER OpenMixer(HWND window, UINT deviceId);
void CloseMixer(HMIXER mixer);
BOOL FindLine(HMIXER mixer, MixerLineRecord* record, DWORD sourceType, DWORD destinationType,
              DWORD lineId);
BOOL GetLineControls(HMIXER mixer, MixerLineRecord* record);
BOOL GetVolume(HMIXER mixer, MixerLineRecord* record);
BOOL SetVolume(HMIXER mixer, MixerLineRecord* record);
BOOL GetMute(HMIXER mixer, MixerLineRecord* record);
BOOL SetMute(HMIXER mixer, MixerLineRecord* record);
BOOL GetRecordSelect(HMIXER mixer, MixerLineRecord* record);
BOOL SetRecordSelect(HMIXER mixer, MixerLineRecord* record);
DWORD GetLevel(const MixerLineRecord* record);
void SliderToLevels(MixerLineRecord* record, DWORD position, BOOL isBalance);
BOOL LevelsToBalance(MixerLineRecord* record);
// The volume slider position that shows a level: the top is the loudest.
DWORD LevelToPosition(DWORD level);
