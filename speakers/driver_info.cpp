#include "driver_info.h"

#include <pcibios.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

BYTE stereoX2Supported = 0;

static const char kConfigFile[] = "SOUNDCFG.INI";
static const char kClassKey[] = "System\\CurrentControlSet\\Services\\Class\\";

// Reads a value into a buffer of exactly `size` bytes. A longer value fails
// the read, so it counts as absent.
static BOOL ReadValue(HKEY key, const char* name, void* buffer, DWORD size) {
    DWORD length = size;
    return RegQueryValueExA(key, name, NULL, NULL, static_cast<BYTE*>(buffer), &length) ==
           ERROR_SUCCESS;
}

// Reads a string value of up to 255 characters, always terminated.
static BOOL ReadString(HKEY key, const char* name, char (&text)[256]) {
    memset(text, 0, sizeof(text));
    if (!ReadValue(key, name, text, sizeof(text))) return FALSE;
    text[sizeof(text) - 1] = '\0';
    return TRUE;
}

WORD GetPciDeviceNumber(WORD vendorId, WORD deviceId) {
    WORD busDevFn = 0;
    if (!PciBiosFindDevice(vendorId, deviceId, 0, &busDevFn)) return 0xFFFF;
    return static_cast<WORD>((busDevFn & 0xFF) >> 3);
}

BOOL MakeInstancePattern(const char* hardwareId, char* pattern) {
    pattern[0] = '\0';
    const char* vendor = strstr(hardwareId, "VEN_");
    if (vendor == NULL) return FALSE;
    unsigned long vendorId = strtoul(vendor + 4, NULL, 16);
    const char* device = strstr(hardwareId, "DEV_");
    if (device == NULL) return FALSE;
    unsigned long deviceId = strtoul(device + 4, NULL, 16);
    WORD number = GetPciDeviceNumber(static_cast<WORD>(vendorId), static_cast<WORD>(deviceId));
    sprintf(pattern, "DEV_%02X&FUNC_00", static_cast<unsigned>(number));
    return TRUE;
}

// The instance key of one hardware key: the first whose name holds the
// pattern, else the last one listed. Copies its "Driver" value.
static BOOL ReadInstanceDriver(HKEY hardwareKey, const char* pattern,
                               char driverKeyName[DRIVER_KEY_NAME_SIZE]) {
    char instanceName[128];
    BOOL any = FALSE;
    for (DWORD index = 0;; ++index) {
        char name[128];
        if (RegEnumKeyA(hardwareKey, index, name, sizeof(name)) != ERROR_SUCCESS) break;
        strcpy(instanceName, name);
        any = TRUE;
        if (strstr(name, pattern) != NULL) break;
    }
    if (!any) return FALSE;

    HKEY instanceKey;
    if (RegOpenKeyA(hardwareKey, instanceName, &instanceKey) != ERROR_SUCCESS) return FALSE;
    char driver[256];
    BOOL found = ReadString(instanceKey, "Driver", driver);
    RegCloseKey(instanceKey);
    // A name that does not fit the caller's buffer cannot name the driver
    // key, so it counts as not found rather than being cut short.
    if (!found || strlen(driver) >= DRIVER_KEY_NAME_SIZE) return FALSE;
    strcpy(driverKeyName, driver);
    return TRUE;
}

BOOL FindDriverKey(char driverKeyName[DRIVER_KEY_NAME_SIZE]) {
    const char* iniKey = "HardwareID";
    HKEY chipKey;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvane\\ChipType", &chipKey) == ERROR_SUCCESS) {
        BYTE chipType = 0;
        if (ReadValue(chipKey, "device", &chipType, 1) && chipType != 0) iniKey = "LyraPlusID";
        RegCloseKey(chipKey);
    }
    char hardwareId[128];
    GetPrivateProfileStringA("WIN95", iniKey, "", hardwareId, sizeof(hardwareId), kConfigFile);

    HKEY pciKey;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Enum\\PCI", &pciKey) != ERROR_SUCCESS) return FALSE;
    BOOL found = FALSE;
    for (DWORD index = 0;; ++index) {
        char name[256];
        if (RegEnumKeyA(pciKey, index, name, sizeof(name)) != ERROR_SUCCESS) break;
        if (strstr(name, hardwareId) == NULL) continue;
        // "DEV_%02X&FUNC_00" with a device number of up to four digits.
        char pattern[32];
        MakeInstancePattern(hardwareId, pattern);
        HKEY hardwareKey;
        if (RegOpenKeyA(pciKey, name, &hardwareKey) != ERROR_SUCCESS) continue;
        found = ReadInstanceDriver(hardwareKey, pattern, driverKeyName);
        RegCloseKey(hardwareKey);
        // The first hardware key that opens decides; others are not tried.
        break;
    }
    RegCloseKey(pciKey);
    return found;
}

// Opens the driver's Class key, checks its description and opens "Config".
// On success both keys are open and the caller closes them.
static BOOL OpenDriverConfig(const char* driverDesc, HKEY* classKey, HKEY* configKey) {
    char driverKeyName[DRIVER_KEY_NAME_SIZE];
    if (!FindDriverKey(driverKeyName)) return FALSE;
    char path[256];
    snprintf(path, sizeof(path), "%s%s", kClassKey, driverKeyName);
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, path, classKey) != ERROR_SUCCESS) return FALSE;
    char description[256];
    if (!ReadString(*classKey, "DriverDesc", description) || strstr(description, driverDesc) == NULL) {
        RegCloseKey(*classKey);
        return FALSE;
    }
    if (RegOpenKeyA(*classKey, "Config", configKey) != ERROR_SUCCESS) {
        RegCloseKey(*classKey);
        return FALSE;
    }
    return TRUE;
}

BOOL SpeakerSetting(int mode, BYTE* value, const char* driverDesc) {
    HKEY classKey, configKey;
    if (!OpenDriverConfig(driverDesc, &classKey, &configKey)) return FALSE;
    BOOL result = TRUE;
    switch (mode) {
    case SPEAKER_SETTING_WRITE:
        RegSetValueExA(configKey, "Speakers", 0, REG_BINARY, value, 1);
        break;
    case SPEAKER_SETTING_READ:
        if (!ReadValue(configKey, "Speakers", value, 1)) {
            // A missing or malformed value is replaced by the "not set" code.
            *value = 2;
            BYTE unset = 0;
            RegSetValueExA(configKey, "Speakers", 0, REG_BINARY, &unset, 1);
        }
        break;
    case SPEAKER_SETTING_LIMITS: {
        if (!ReadValue(configKey, "MaxSpeakers", value, 1)) *value = 2;
        stereoX2Supported = 0;
        BYTE stereoX2 = 0;
        if (ReadValue(configKey, "StereoX2", &stereoX2, 1)) stereoX2Supported = stereoX2;
        break;
    }
    default:
        result = FALSE;
        break;
    }
    RegCloseKey(configKey);
    RegCloseKey(classKey);
    return result;
}

WORD GetManufactureId(const char* driverDesc) {
    HKEY classKey, configKey;
    if (!OpenDriverConfig(driverDesc, &classKey, &configKey)) return 0;
    BYTE id[2] = {0, 0};
    WORD result = 0;
    if (ReadValue(configKey, "ManufactureID", id, sizeof(id)))
        result = static_cast<WORD>(id[0] | (id[1] << 8));
    RegCloseKey(configKey);
    RegCloseKey(classKey);
    return result;
}
