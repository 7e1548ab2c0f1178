// QA3DLoad, the 3D-audio hook DLL, as the machine runs it. It hooks
// nothing; it records what it is handed, so that a run's trace shows it
// ("a3d.hook": the export and, for the install, the preload value found at
// the address it was given).
#include <windows.h>

#include "host/trace.h"

DLLEXPORT BOOL WINAPI InstallA3DHook(LPDWORD preload);
DLLEXPORT BOOL WINAPI RemoveA3DHook(void);

// The stdcall exports with the bytes of arguments each takes off the stack.
DLLEXPORT const char* const PlatformStdcallExports[];
const char* const PlatformStdcallExports[] = {"InstallA3DHook@4", "RemoveA3DHook@0", nullptr};

BOOL WINAPI InstallA3DHook(LPDWORD preload) {
    platform::TraceEvent event("a3d.hook");
    event.Str("export", "InstallA3DHook");
    if (preload != nullptr)
        event.Int("value", *preload);
    else
        event.Null("value");
    return preload != nullptr;
}

BOOL WINAPI RemoveA3DHook(void) {
    platform::TraceEvent("a3d.hook").Str("export", "RemoveA3DHook");
    return TRUE;
}
