// A program module for the loader's tests: it reports what it was given and
// ends with a code that depends on the command line.
#include <windows.h>

#include <cstring>

DLLEXPORT int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    OutputDebugStringA(path);
    OutputDebugStringA(commandLine);
    if (instance != GetModuleHandleA(nullptr) || previous != nullptr) return 99;
    return std::strcmp(commandLine, "OPEN") == 0 ? 7 : 3;
}
