// A module that holds resources of every kind and no code of interest: the
// resource calls' tests load it and read them.
#include <windows.h>

DLLEXPORT int WINAPI ResourceModuleVersion(void) {
    return 1;
}
