// A library that reports its entry-point calls to the debugger output and
// exports a function and a data item. WHERE tells copies of it apart.
#include <windows.h>

#include <cstdio>

DLLEXPORT int probeValue;
int probeValue = 42;

DLLEXPORT int WINAPI Where(void) { return WHERE; }
DLLEXPORT int WINAPI Twice(int n) { return 2 * n; }

DLLEXPORT BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    char line[64];
    std::snprintf(line, sizeof line, "probe %d reason %lu", WHERE, reason);
    OutputDebugStringA(line);
    return TRUE;
}
