#include "mixer_device.h"

#include <string.h>

#include "speakers/driver_info.h"

// Drivers report counts of their own; anything beyond this many values in
// one exchange is treated as a broken report rather than allocated.
static const DWORD kMaxDetailEntries = 0x10000;

UINT FindMixerDevice() {
    char driverDesc[60];
    GetPrivateProfileStringA("DESCRIPTION", "DRIVERDESC", "", driverDesc, sizeof(driverDesc),
                             "SOUNDCFG.INI");
    WORD manufacturerId = GetManufactureId(driverDesc);
    UINT deviceCount = mixerGetNumDevs();
    for (UINT device = 0; device < deviceCount; ++device) {
        MIXERCAPSA caps;
        if (mixerGetDevCapsA(device, &caps, sizeof(caps)) != MMSYSERR_NOERROR) continue;
        if (caps.wMid == manufacturerId) return device;
    }
    return 0;
}

HMIXER OpenMixer(HWND window, UINT deviceId) {
    MIXERCAPSA caps;
    if (mixerGetDevCapsA(deviceId, &caps, sizeof(caps)) != MMSYSERR_NOERROR) return NULL;
    HMIXER mixer = NULL;
    if (mixerOpen(&mixer, deviceId, reinterpret_cast<DWORD_PTR>(window), 0, CALLBACK_WINDOW) !=
        MMSYSERR_NOERROR)
        return NULL;
    return mixer;
}

void CloseMixer(HMIXER mixer) {
    mixerClose(mixer);
}

static HMIXEROBJ MixerObject(HMIXER mixer) {
    return reinterpret_cast<HMIXEROBJ>(mixer);
}

BOOL FindLine(HMIXER mixer, MixerLineRecord* record, DWORD sourceType, DWORD destinationType,
              DWORD lineId) {
    UINT deviceId;
    if (mixerGetID(MixerObject(mixer), &deviceId, MIXER_OBJECTF_HMIXER) != MMSYSERR_NOERROR)
        deviceId = 0;
    MIXERCAPSA caps;
    if (mixerGetDevCapsA(deviceId, &caps, sizeof(caps)) != MMSYSERR_NOERROR) return FALSE;

    MIXERLINEA& line = record->line;
    for (DWORD destination = 0; destination < caps.cDestinations; ++destination) {
        line.cbStruct = sizeof(MIXERLINEA);
        line.dwDestination = destination;
        if (mixerGetLineInfoA(MixerObject(mixer), &line,
                              MIXER_GETLINEINFOF_DESTINATION | MIXER_OBJECTF_HMIXER) !=
            MMSYSERR_NOERROR)
            return FALSE;
        if (line.dwComponentType != destinationType) continue;
        if (sourceType == destinationType) return TRUE;

        // On a playback destination an auxiliary source counts only when
        // it follows a wave-output source with a lower line id.
        DWORD waveOutLineId = 0xFFFFFFFF;
        const DWORD sourceCount = line.cConnections;
        for (DWORD source = 0; source < sourceCount; ++source) {
            line.cbStruct = sizeof(MIXERLINEA);
            line.dwDestination = destination;
            line.dwSource = source;
            if (mixerGetLineInfoA(MixerObject(mixer), &line,
                                  MIXER_GETLINEINFOF_SOURCE | MIXER_OBJECTF_HMIXER) !=
                MMSYSERR_NOERROR)
                return FALSE;
            if (line.dwComponentType == MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT)
                waveOutLineId = line.dwLineID;
            if (line.dwComponentType != sourceType) continue;
            if (destinationType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN) {
                if (lineId == 0 || lineId == line.dwLineID) return TRUE;
            } else if (sourceType != MIXER_AUXILIARY_SOURCE || line.dwLineID > waveOutLineId) {
                return TRUE;
            }
        }
    }
    return FALSE;
}

BOOL GetLineControls(HMIXER mixer, MixerLineRecord* record) {
    const DWORD count = record->line.cControls;
    const DWORD capacity = sizeof(record->controls) / sizeof(record->controls[0]);
    MIXERLINECONTROLSA request;
    memset(&request, 0, sizeof(request));
    request.cbStruct = sizeof(request);
    request.dwLineID = record->line.dwLineID;
    request.cControls = count;
    request.cbmxctrl = sizeof(MIXERCONTROLA);
    if (count <= capacity) {
        request.pamxctrl = record->controls;
        return mixerGetLineControlsA(MixerObject(mixer), &request,
                                     MIXER_GETLINECONTROLSF_ALL | MIXER_OBJECTF_HMIXER) ==
               MMSYSERR_NOERROR;
    }
    // A line with more controls than the record holds is read in full into
    // a scratch list, of which the first ones are kept.
    if (count > kMaxDetailEntries) return FALSE;
    HLOCAL scratch = LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, count * sizeof(MIXERCONTROLA));
    if (scratch == NULL) return FALSE;
    request.pamxctrl = static_cast<MIXERCONTROLA*>(scratch);
    BOOL ok = mixerGetLineControlsA(MixerObject(mixer), &request,
                                    MIXER_GETLINECONTROLSF_ALL | MIXER_OBJECTF_HMIXER) ==
              MMSYSERR_NOERROR;
    if (ok) memcpy(record->controls, scratch, sizeof(record->controls));
    LocalFree(scratch);
    return ok;
}

// One value exchange with control `controlIndex` of the record's line:
// `valueCount` 32-bit values held by the record at `values`. When the
// driver's request needs more entries than the record holds (a non-uniform
// control on a line with more channels, or a control with items), the
// exchange goes through a scratch area: a read keeps the first entries, a
// write repeats the record's last value into the rest.
static BOOL ExchangeValues(HMIXER mixer, MixerLineRecord* record, DWORD controlIndex, DWORD* values,
                           DWORD valueCount, BOOL write) {
    // The volume is control 0 and the mute control 1; a line that lists
    // fewer controls has none to exchange.
    if (record->line.cControls <= controlIndex) return FALSE;
    const MIXERCONTROLA& control = record->controls[controlIndex];
    MIXERCONTROLDETAILS details;
    memset(&details, 0, sizeof(details));
    details.cbStruct = sizeof(details);
    details.dwControlID = control.dwControlID;
    details.cChannels =
        (control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : record->line.cChannels;
    details.cMultipleItems = control.cMultipleItems;
    details.cbDetails = sizeof(DWORD);

    const DWORD channels = details.cChannels ? details.cChannels : 1;
    const DWORD items = control.cMultipleItems ? control.cMultipleItems : 1;
    if (channels > kMaxDetailEntries || items > kMaxDetailEntries ||
        channels * items > kMaxDetailEntries)
        return FALSE;
    const DWORD entries = channels * items;

    DWORD* buffer = values;
    HLOCAL scratch = NULL;
    if (entries > valueCount) {
        scratch = LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, entries * sizeof(DWORD));
        if (scratch == NULL) return FALSE;
        buffer = static_cast<DWORD*>(scratch);
        if (write)
            for (DWORD i = 0; i < entries; ++i) buffer[i] = values[i < valueCount ? i : valueCount - 1];
    }
    details.paDetails = buffer;
    MMRESULT result =
        write ? mixerSetControlDetails(MixerObject(mixer), &details,
                                       MIXER_SETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER)
              : mixerGetControlDetailsA(MixerObject(mixer), &details,
                                        MIXER_GETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER);
    if (scratch != NULL) {
        if (!write && result == MMSYSERR_NOERROR) memcpy(values, buffer, valueCount * sizeof(DWORD));
        LocalFree(scratch);
    }
    return result == MMSYSERR_NOERROR;
}

BOOL GetVolume(HMIXER mixer, MixerLineRecord* record) {
    return ExchangeValues(mixer, record, 0, record->volume, 2, FALSE);
}

BOOL SetVolume(HMIXER mixer, MixerLineRecord* record) {
    return ExchangeValues(mixer, record, 0, record->volume, 2, TRUE);
}

BOOL GetMute(HMIXER mixer, MixerLineRecord* record) {
    return ExchangeValues(mixer, record, 1, &record->switchValue, 1, FALSE);
}

BOOL SetMute(HMIXER mixer, MixerLineRecord* record) {
    return ExchangeValues(mixer, record, 1, &record->switchValue, 1, TRUE);
}

// The wave-in multiplexer and the index of the record's line among its
// items. Also gives the size the value buffer needs.
struct RecordSourceItem {
    MIXERCONTROLA control;
    DWORD item;
    DWORD valueEntries;
};

static BOOL FindRecordSourceItem(HMIXER mixer, const MixerLineRecord* record, RecordSourceItem* found) {
    MixerLineRecord waveIn;
    memset(&waveIn, 0, sizeof(waveIn));
    if (!FindLine(mixer, &waveIn, MIXERLINE_COMPONENTTYPE_DST_WAVEIN,
                  MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 0))
        return FALSE;
    if (!GetLineControls(mixer, &waveIn)) return FALSE;

    const DWORD listed = waveIn.line.cControls < 3 ? waveIn.line.cControls : 3;
    const MIXERCONTROLA* mux = NULL;
    for (DWORD i = 0; i < listed && mux == NULL; ++i)
        if (waveIn.controls[i].dwControlType == MIXERCONTROL_CONTROLTYPE_MUX) mux = &waveIn.controls[i];
    if (mux == NULL) return FALSE;

    const DWORD items = (mux->fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? mux->cMultipleItems : 1;
    const DWORD channels = (mux->fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : waveIn.line.cChannels;
    if (items == 0 || items > kMaxDetailEntries || channels > kMaxDetailEntries ||
        mux->cMultipleItems > kMaxDetailEntries)
        return FALSE;
    DWORD entries = items * (channels ? channels : 1);
    if (entries > kMaxDetailEntries) return FALSE;
    // The values are exchanged with the control's own item count, which
    // the buffer must hold even when the control does not call itself
    // multiple.
    if (mux->cMultipleItems > entries) entries = mux->cMultipleItems;

    HLOCAL names = LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT,
                              entries * sizeof(MIXERCONTROLDETAILS_LISTTEXTA));
    if (names == NULL) return FALSE;
    MIXERCONTROLDETAILS details;
    memset(&details, 0, sizeof(details));
    details.cbStruct = sizeof(details);
    details.dwControlID = mux->dwControlID;
    details.cChannels = 1;
    details.cMultipleItems = items;
    details.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXTA);
    details.paDetails = names;
    if (mixerGetControlDetailsA(MixerObject(mixer), &details,
                                MIXER_GETCONTROLDETAILSF_LISTTEXT | MIXER_OBJECTF_HMIXER) !=
        MMSYSERR_NOERROR) {
        LocalFree(names);
        return FALSE;
    }

    char lineName[MIXER_LONG_NAME_CHARS + 1];
    memcpy(lineName, record->line.szName, MIXER_LONG_NAME_CHARS);
    lineName[MIXER_LONG_NAME_CHARS] = '\0';
    MIXERCONTROLDETAILS_LISTTEXTA* list = static_cast<MIXERCONTROLDETAILS_LISTTEXTA*>(names);
    BOOL matched = FALSE;
    for (DWORD i = 0; i < items && !matched; ++i) {
        list[i].szName[MIXER_LONG_NAME_CHARS - 1] = '\0';
        if (strstr(lineName, list[i].szName) != NULL) {
            found->item = i;
            matched = TRUE;
        }
    }
    LocalFree(names);
    if (!matched) return FALSE;
    found->control = *mux;
    found->valueEntries = entries;
    return TRUE;
}

static BOOL ExchangeRecordSelect(HMIXER mixer, MixerLineRecord* record, BOOL write) {
    RecordSourceItem source;
    if (!FindRecordSourceItem(mixer, record, &source)) return FALSE;
    HLOCAL values = LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, source.valueEntries * sizeof(DWORD));
    if (values == NULL) return FALSE;
    DWORD* value = static_cast<DWORD*>(values);
    MIXERCONTROLDETAILS details;
    memset(&details, 0, sizeof(details));
    details.cbStruct = sizeof(details);
    details.dwControlID = source.control.dwControlID;
    details.cChannels = 1;
    details.cMultipleItems = source.control.cMultipleItems;
    details.cbDetails = sizeof(DWORD);
    details.paDetails = value;
    BOOL result = TRUE;
    if (write) {
        // Every other item is written as clear: the selection is exclusive.
        value[source.item] = record->switchValue;
        mixerSetControlDetails(MixerObject(mixer), &details,
                               MIXER_SETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER);
    } else if (mixerGetControlDetailsA(MixerObject(mixer), &details,
                                       MIXER_GETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER) ==
               MMSYSERR_NOERROR) {
        record->switchValue = value[source.item];
    } else {
        result = FALSE;
    }
    LocalFree(values);
    return result;
}

BOOL GetRecordSelect(HMIXER mixer, MixerLineRecord* record) {
    return ExchangeRecordSelect(mixer, record, FALSE);
}

BOOL SetRecordSelect(HMIXER mixer, MixerLineRecord* record) {
    return ExchangeRecordSelect(mixer, record, TRUE);
}

DWORD GetLevel(const MixerLineRecord* record) {
    if (record->line.cChannels == 1) return record->volume[0];
    return record->volume[0] > record->volume[1] ? record->volume[0] : record->volume[1];
}

// Splits a level over the two channels for a balance position: the side
// the balance leans to keeps the level, the other gets its share in 16ths.
static void SpreadLevel(MixerLineRecord* record, DWORD level, DWORD balance) {
    if (balance < BALANCE_CENTRE) {
        record->volume[0] = level;
        record->volume[1] = (balance * level) >> 4;
    } else if (balance == BALANCE_CENTRE) {
        record->volume[0] = level;
        record->volume[1] = level;
    } else {
        record->volume[1] = level;
        record->volume[0] = ((BALANCE_SLIDER_MAX - balance) * level) >> 4;
    }
}

void SliderToLevels(MixerLineRecord* record, DWORD position, BOOL isBalance) {
    const BOOL oneChannel = record->line.cChannels == 1;
    if (isBalance) {
        if (oneChannel) return;
        // Positions beyond the slider's range would wrap the arithmetic.
        if (position > BALANCE_SLIDER_MAX) position = BALANCE_SLIDER_MAX;
        record->balance = position;
        SpreadLevel(record, GetLevel(record), position);
        return;
    }
    if (position > VOLUME_SLIDER_MAX) position = VOLUME_SLIDER_MAX;
    // (15 - p) * 4369: 65535 at the top, 0 at the bottom.
    const DWORD level = (983025u - position * 65535u) / 15u;
    if (oneChannel) {
        record->volume[0] = level;
        return;
    }
    DWORD balance = record->balance;
    if (balance > BALANCE_SLIDER_MAX) balance = BALANCE_SLIDER_MAX;
    SpreadLevel(record, level, balance);
}

BOOL LevelsToBalance(MixerLineRecord* record) {
    if (record->line.cChannels == 1) return FALSE;
    const DWORD left = record->volume[0];
    const DWORD right = record->volume[1];
    if (left > right) {
        record->balance = BALANCE_CENTRE - ((left - right) << 4) / left;
    } else if (left < right) {
        record->balance = BALANCE_CENTRE + ((right - left) << 4) / right;
    } else if (left != 0) {
        record->balance = BALANCE_CENTRE;
    } else {
        // Silence says nothing about the balance: keep the last one.
        return FALSE;
    }
    return TRUE;
}

DWORD LevelToPosition(DWORD level) {
    if (level > 65535) level = 65535;
    return VOLUME_SLIDER_MAX - level * 15 / 65535;
}
