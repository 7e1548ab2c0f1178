// Flat thunks between a 32-bit DLL and its 16-bit partner DLL.
//
// A thunk script has two halves, one in each DLL, and each half is a
// THUNKDATA block that its DLL exports by name. The script's signature says
// which way its calls go: "LS01" scripts call from the 32-bit half into
// functions of the 16-bit half, "SL01" scripts call from the 16-bit half into
// functions of the 32-bit half. The half that is called lists its functions;
// the calling half lists none. Both halves carry the script's checksum, so a
// partner built from another script is refused.
//
// The 32-bit DLL connects each script from its entry point with
// ThunkConnect32, which loads the partner DLL, finds the partner's half by
// its export name and checks it; the platform then fills in `partner` on both
// halves for as long as the connection lasts.
#pragma once

#include "windef.h"

typedef struct tagTHUNKFUNCTION {
    LPCSTR name;    // the function's name in its own DLL
    FARPROC entry;  // 16-bit half: WORD WINAPI f(WORD); 32-bit half: DWORD WINAPI f(DWORD)
} THUNKFUNCTION;

typedef struct tagTHUNKDATA {
    char signature[4];               // "LS01" or "SL01"
    DWORD checksum;                  // the script's checksum, the same in both halves
    DWORD functionCount;             // entries in `functions`
    const THUNKFUNCTION* functions;  // what this half offers the other; NULL on the calling half
    struct tagTHUNKDATA* partner;    // filled by the platform: the other half while connected
} THUNKDATA, *LPTHUNKDATA;

// Connects (DLL_PROCESS_ATTACH) or disconnects (DLL_PROCESS_DETACH) the
// 32-bit half `thunkData32` of a script with the half named
// `partnerBlockName` in `dll16`, which is loaded from the system directory
// unless it names a path. Fails when the partner or its block is missing,
// or when the signatures or checksums differ. Other reasons succeed.
WINBASEAPI BOOL WINAPI ThunkConnect32(LPTHUNKDATA thunkData32, LPCSTR partnerBlockName,
                                      LPCSTR dll16, LPCSTR dll32, HINSTANCE instance,
                                      DWORD reason);

// Bracket every 32-bit function that the 16-bit side calls: the prolog
// releases the lock that 16-bit code runs under, the epilog takes it back.
WINBASEAPI void WINAPI K32Thk1632Prolog(void);
WINBASEAPI void WINAPI K32Thk1632Epilog(void);

// The 32-bit half of an "LS01" script calls function `function` of the
// 16-bit half. Only a 16-bit argument and a 16-bit result cross; 0 when the
// script is not connected.
WINBASEAPI WORD WINAPI ThunkCall16(LPTHUNKDATA thunkData32, UINT function, WORD argument);

// The 16-bit half of an "SL01" script calls function `function` of the
// 32-bit half, which gets the 16-bit argument zero-extended to 32 bits.
// 0 when the script is not connected.
WINBASEAPI DWORD WINAPI ThunkCall32(LPTHUNKDATA thunkData16, UINT function, WORD argument);
