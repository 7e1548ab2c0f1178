// CVTHK16, the card's 16-bit driver DLL, as the machine runs it: the
// partner of the bridge CVTHK32 on the other side of two flat thunks.
//
//   thk_ThunkData16  the 16-bit half of the bridge's outgoing script: the
//                    bridge calls DLL16Call through it;
//   ttk_ThunkData16  the 16-bit half of the incoming script: DLL16Call calls
//                    the bridge's DLL32Call through it.
//
// It answers from the machine's profile ([driver] in machine.ini) and works
// on the machine like any program, through the Win32 calls: it reads the
// driver's speaker setting from the registry, and the removal deletes the
// card's registry entries and driver files.
#include <windows.h>
#include <thunk.h>

#include "host/context.h"
#include "machine.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr WORD kRemoveDriver = 0;    // first removal step
constexpr WORD kRemoveDevices = 1;   // second removal step
constexpr WORD kSpeakersChanged = 108;
constexpr WORD kStartupBusy = 110;
constexpr WORD kEffectsSupport = 111;

// The bridge's own requests: set the speaker configuration.
constexpr WORD kBridgeStereo = 2;
constexpr WORD kBridgeQuad = 4;
constexpr WORD kBridgeSixSpeakers = 6;

// The card's hardware keys under Enum\PCI start with one of these.
const char* const kCardHardwareIds[] = {"VEN_5A3E&DEV_0C52", "VEN_5A3E&DEV_2A0D"};
const char kPciEnumKey[] = "Enum\\PCI";
const char kClassKey[] = "System\\CurrentControlSet\\Services\\Class\\";
const char kChipTypeVendorKey[] = "SOFTWARE\\Corvane";
// The driver's files in the system directory.
const char* const kDriverFiles[] = {"ORBIQ.VXD", "ORBIQ.DRV"};

// Readiness requests answered busy since this DLL was loaded.
long busyAnswers = 0;

long Profile(const char* key) {
    machine::Machine* m = platform::CurrentMachine();
    return m != nullptr ? m->settings().Int("driver", key) : 0;
}

bool IsCardHardwareKey(const char* name) {
    for (const char* id : kCardHardwareIds)
        if (std::strncmp(name, id, std::strlen(id)) == 0) return true;
    return false;
}

// The names of the subkeys of an open key.
std::vector<std::string> SubkeyNames(HKEY key) {
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
        names.push_back(name);
    return names;
}

std::vector<std::string> CardHardwareKeys() {
    std::vector<std::string> keys;
    HKEY pci;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, kPciEnumKey, &pci) != ERROR_SUCCESS) return keys;
    for (const std::string& name : SubkeyNames(pci))
        if (IsCardHardwareKey(name.c_str())) keys.push_back(std::string(kPciEnumKey) + "\\" + name);
    RegCloseKey(pci);
    return keys;
}

// The driver keys (below the Class key) that the card's device instances name.
std::vector<std::string> CardDriverKeys() {
    std::vector<std::string> drivers;
    for (const std::string& hardware : CardHardwareKeys()) {
        HKEY hardwareKey;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, hardware.c_str(), &hardwareKey) != ERROR_SUCCESS)
            continue;
        for (const std::string& instance : SubkeyNames(hardwareKey)) {
            HKEY instanceKey;
            if (RegOpenKeyA(hardwareKey, instance.c_str(), &instanceKey) != ERROR_SUCCESS) continue;
            char driver[256];
            DWORD size = sizeof driver - 1;
            DWORD type = 0;
            if (RegQueryValueExA(instanceKey, "Driver", nullptr, &type,
                                 reinterpret_cast<BYTE*>(driver), &size) == ERROR_SUCCESS &&
                type == REG_SZ && size > 0) {
                driver[size] = '\0';
                if (driver[0] != '\0') drivers.push_back(driver);
            }
            RegCloseKey(instanceKey);
        }
        RegCloseKey(hardwareKey);
    }
    return drivers;
}

// The speaker arrangement in the driver's Config key, as the bridge's
// speaker request for it: four and six speakers as such, everything else
// ("Stereo X 2" included, which plays the stereo pair twice) as stereo.
WORD SpeakerRequest() {
    for (const std::string& driver : CardDriverKeys()) {
        HKEY config;
        const std::string path = kClassKey + driver + "\\Config";
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &config) != ERROR_SUCCESS) continue;
        BYTE speakers = 0;
        DWORD size = sizeof speakers;
        LONG read = RegQueryValueExA(config, "Speakers", nullptr, nullptr, &speakers, &size);
        RegCloseKey(config);
        if (read != ERROR_SUCCESS) continue;
        if (speakers == 4) return kBridgeQuad;
        if (speakers == 6) return kBridgeSixSpeakers;
        return kBridgeStereo;
    }
    return kBridgeStereo;
}

// First removal step: the driver's Class keys and its files.
void RemoveDriver() {
    for (const std::string& driver : CardDriverKeys())
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kClassKey + driver).c_str());
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, sizeof system);
    if (length == 0 || length >= sizeof system) return;
    for (const char* file : kDriverFiles) DeleteFileA((std::string(system) + "\\" + file).c_str());
}

// Second removal step: the card's device entries and the chip-type key.
void RemoveDevices() {
    for (const std::string& hardware : CardHardwareKeys())
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, hardware.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kChipTypeVendorKey);
}

} // namespace

DLLEXPORT WORD WINAPI DLL16Call(WORD code);
DLLEXPORT BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {
const THUNKFUNCTION thkFunctions[] = {{"DLL16Call", reinterpret_cast<FARPROC>(DLL16Call)}};
}

// The checksums are the scripts' own; the profile may give others, which
// makes the bridge refuse the connection (set when the DLL is loaded).
DLLEXPORT THUNKDATA thk_ThunkData16;
DLLEXPORT THUNKDATA ttk_ThunkData16;
THUNKDATA thk_ThunkData16 = {{'L', 'S', '0', '1'}, 0x2BB, 1, thkFunctions, nullptr};
THUNKDATA ttk_ThunkData16 = {{'S', 'L', '0', '1'}, 0x25D, 0, nullptr, nullptr};

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        busyAnswers = 0;
        if (platform::CurrentMachine() != nullptr) {
            thk_ThunkData16.checksum = static_cast<DWORD>(Profile("thk_checksum"));
            ttk_ThunkData16.checksum = static_cast<DWORD>(Profile("ttk_checksum"));
        }
    }
    return TRUE;
}

WORD WINAPI DLL16Call(WORD code) {
    switch (code) {
    case kStartupBusy: {
        const long busyPolls = Profile("busy_polls");
        if (busyPolls < 0 || busyAnswers < busyPolls) {
            ++busyAnswers;
            return 1;
        }
        return 0;
    }
    case kEffectsSupport:
        return LOWORD(Profile("effects"));
    case kSpeakersChanged:
        ThunkCall32(&ttk_ThunkData16, 0, SpeakerRequest());
        return 0;
    case kRemoveDriver:
        RemoveDriver();
        return 0;
    case kRemoveDevices:
        RemoveDevices();
        return 0;
    default:
        return 0;
    }
}
