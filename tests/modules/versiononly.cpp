// A bridge library that answers the version request but has no DLL32Call:
// the program starts with it, and a removal finds no entry point to call.
#include <windows.h>

DLLEXPORT DWORD WINAPI CVGetVersion(void);

// Lets GetProcAddress hand out a tracing trampoline, as for the real bridge.
DLLEXPORT const char* const PlatformStdcallExports[];
const char* const PlatformStdcallExports[] = {"CVGetVersion@0", NULL};

DWORD WINAPI CVGetVersion(void) { return 0x200; }
