// The interface of the bridge library CVTHK32.DLL, which programs bind by
// name at run time: its exports and the request codes of DLL32Call.
#pragma once

#include <windows.h>

#define BRIDGE_REMOVE_BEGIN 0
#define BRIDGE_REMOVE_END 1
#define BRIDGE_STEREO 2
#define BRIDGE_QUAD 4
#define BRIDGE_SIX_SPEAKERS 6
#define BRIDGE_SPEAKERS_CHANGED 108
#define BRIDGE_STARTUP_BUSY 110
#define BRIDGE_EFFECTS_SUPPORT 111

typedef DWORD(WINAPI* DLL32CALLPROC)(DWORD code);
typedef DWORD(WINAPI* CVGETVERSIONPROC)(void);
typedef DWORD(WINAPI* CVGETHWREVISIONPROC)(void);
