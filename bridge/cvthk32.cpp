// CVTHK32: the control panel's way to the card. It finds the card on the
// PCI bus and reads its revision, sets the DirectSound speaker
// configuration for three requests, and hands every other request to the
// card's 16-bit driver DLL CVTHK16 through a pair of flat thunks:
//   thk  32-bit to 16-bit: DLL16Call of CVTHK16;
//   ttk  16-bit to 32-bit: DLL32Call of this DLL, for CVTHK16's own requests.
// It keeps no state between calls.
#include <windows.h>
#include <dsound.h>
#include <pcibios.h>
#include <thunk.h>

#include "cvthk32.h"

#define PARTNER_DLL "CVTHK16.DLL"
#define THIS_DLL "CVTHK32.DLL"

// The card: one vendor, two chip variants.
#define CARD_VENDOR_ID 0x5A3E
#define CARD_DEVICE_ID 0x0C52
#define CARD_PLUS_DEVICE_ID 0x2A0D
// The card keeps a copy of its identification (device id above vendor id)
// in this configuration register, where a scan of bus 0 finds it even when
// the BIOS does not.
#define CARD_ID_REGISTER 0x98
#define CARD_ID ((DWORD)CARD_DEVICE_ID << 16 | CARD_VENDOR_ID)
#define CARD_PLUS_ID ((DWORD)CARD_PLUS_DEVICE_ID << 16 | CARD_VENDOR_ID)
// Devices 0 to 30 of bus 0 are scanned.
#define SCAN_DEVICE_COUNT 31
#define CARD_NOT_FOUND 0xFFFF

#define BRIDGE_VERSION 0x200
// What CVGetHWRevision answers when there is no card.
#define NO_CARD_REVISION 160

DLLEXPORT DWORD WINAPI DLL32Call(DWORD code);
DLLEXPORT DWORD WINAPI CVGetVersion(void);
DLLEXPORT DWORD WINAPI CVGetHWRevision(void);
DLLEXPORT BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

// The stdcall exports with the bytes of arguments each takes off the stack.
DLLEXPORT const char* const PlatformStdcallExports[];
const char* const PlatformStdcallExports[] = {"DLL32Call@4", "CVGetVersion@0",
                                              "CVGetHWRevision@0", NULL};

// The 32-bit halves of the two thunk scripts. The partner's halves,
// thk_ThunkData16 and ttk_ThunkData16, carry the same signatures and
// checksums.
static DWORD WINAPI ttk_DLL32Call(DWORD code);
static const THUNKFUNCTION ttkFunctions[] = {{"DLL32Call", (FARPROC)ttk_DLL32Call}};

DLLEXPORT THUNKDATA thk_ThunkData32;
DLLEXPORT THUNKDATA ttk_ThunkData32;
THUNKDATA thk_ThunkData32 = {{'L', 'S', '0', '1'}, 0x2BB, 0, NULL, NULL};
THUNKDATA ttk_ThunkData32 = {{'S', 'L', '0', '1'}, 0x25D, 1, ttkFunctions, NULL};

static BOOL thk_ThunkConnect32(LPCSTR dll16, LPCSTR dll32, HINSTANCE instance, DWORD reason) {
    return ThunkConnect32(&thk_ThunkData32, "thk_ThunkData16", dll16, dll32, instance, reason);
}

static BOOL ttk_ThunkConnect32(LPCSTR dll16, LPCSTR dll32, HINSTANCE instance, DWORD reason) {
    return ThunkConnect32(&ttk_ThunkData32, "ttk_ThunkData16", dll16, dll32, instance, reason);
}

// Script thk: function 0 is DLL16Call of the partner.
static WORD DLL16Call(WORD code) { return ThunkCall16(&thk_ThunkData32, 0, code); }

// Script ttk: the partner's calls of DLL32Call arrive here, with the 16-bit
// lock released for as long as 32-bit code runs.
static DWORD WINAPI ttk_DLL32Call(DWORD code) {
    K32Thk1632Prolog();
    DWORD result = DLL32Call(code);
    K32Thk1632Epilog();
    return result;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (!thk_ThunkConnect32(PARTNER_DLL, THIS_DLL, instance, reason)) {
        OutputDebugStringA("\n\rIn DllEntryPoint: thk_ThunkConnect32 ret FALSE\r\n");
        return FALSE;
    }
    if (!ttk_ThunkConnect32(PARTNER_DLL, THIS_DLL, instance, reason)) {
        OutputDebugStringA("\n\rIn DllEntryPoint: ttk_ThunkConnect32 ret FALSE\r\n");
        return FALSE;
    }
    return TRUE;
}

// Sets the DirectSound speaker configuration of the default device.
// Returns 0, or the code of the DirectSound call that failed.
static DWORD SetSpeakers(DWORD speakerConfig) {
    HWND window = GetActiveWindow();
    IDirectSound* directSound = NULL;
    HRESULT result = DirectSoundCreate(NULL, &directSound, NULL);
    if (FAILED(result)) {
        OutputDebugStringA("DirectSoundCreate error");
        return (DWORD)result;
    }
    result = directSound->SetCooperativeLevel(window, DSSCL_NORMAL);
    if (FAILED(result)) {
        OutputDebugStringA("SetCooperativeLevel error");
        directSound->Release();
        return (DWORD)result;
    }
    result = directSound->SetSpeakerConfig(speakerConfig);
    directSound->Release();
    return FAILED(result) ? (DWORD)result : 0;
}

DWORD WINAPI DLL32Call(DWORD code) {
    switch (code) {
    case BRIDGE_STEREO:
        return SetSpeakers(DSSPEAKER_STEREO);
    case BRIDGE_QUAD:
        return SetSpeakers(DSSPEAKER_QUAD);
    case BRIDGE_SIX_SPEAKERS:
        return SetSpeakers(DSSPEAKER_5POINT1);
    default:
        // Only the low 16 bits reach the driver side.
        return DLL16Call(LOWORD(code));
    }
}

// The card's bus/device/function word (bus in the high byte, device * 8 +
// function below), or CARD_NOT_FOUND.
static WORD FindCard(void) {
    WORD busDevFn;
    if (PciBiosFindDevice(CARD_VENDOR_ID, CARD_DEVICE_ID, 0, &busDevFn)) return busDevFn;
    if (PciBiosFindDevice(CARD_VENDOR_ID, CARD_PLUS_DEVICE_ID, 0, &busDevFn)) return busDevFn;
    for (WORD device = 0; device < SCAN_DEVICE_COUNT; device++) {
        _outpd(PCI_CONFIG_ADDRESS, PCI_CONFIG_ENABLE + CARD_ID_REGISTER + device * 0x800UL);
        DWORD id = _inpd(PCI_CONFIG_DATA);
        if (id == CARD_ID || id == CARD_PLUS_ID) return (WORD)(device * 8);
    }
    return CARD_NOT_FOUND;
}

DWORD WINAPI CVGetVersion(void) { return FindCard() == CARD_NOT_FOUND ? 0 : BRIDGE_VERSION; }

DWORD WINAPI CVGetHWRevision(void) {
    WORD card = FindCard();
    if (card == CARD_NOT_FOUND) return NO_CARD_REVISION;
    BYTE revision;
    if (!PciBiosReadConfigByte(card, PCI_REVISION_ID, &revision)) return 0;
    return revision;
}
