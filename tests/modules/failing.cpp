// A library whose entry point refuses the attach.
#include <windows.h>

DLLEXPORT int WINAPI Anything(void) { return 1; }

DLLEXPORT BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    OutputDebugStringA(reason == DLL_PROCESS_ATTACH ? "failing attach" : "failing detach");
    return reason != DLL_PROCESS_ATTACH;
}
