// The card's driver installation: its configuration file "SOUNDCFG.INI" and
// its registry keys, reached from the card's PCI hardware identifier.
#pragma once

#include <windows.h>

// Size of the callers' buffer for the driver key name, terminator included.
#define DRIVER_KEY_NAME_SIZE 128

// SpeakerSetting modes.
#define SPEAKER_SETTING_WRITE 0
#define SPEAKER_SETTING_READ 1
#define SPEAKER_SETTING_LIMITS 3

// Set by SpeakerSetting in the limits mode: non-zero when the driver offers
// the "Stereo X 2" arrangement.
extern BYTE stereoX2Supported;

BOOL FindDriverKey(char driverKeyName[DRIVER_KEY_NAME_SIZE]);
BOOL MakeInstancePattern(const char* hardwareId, char* pattern);
WORD GetPciDeviceNumber(WORD vendorId, WORD deviceId);
BOOL SpeakerSetting(int mode, BYTE* value, const char* driverDesc);
WORD GetManufactureId(const char* driverDesc);
