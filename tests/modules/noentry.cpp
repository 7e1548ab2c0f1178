// A library without an entry point; it must still load.
#include <windows.h>

DLLEXPORT int WINAPI Seven(void) { return 7; }
