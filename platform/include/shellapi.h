// Shell services used by the program: starting programs.
#pragma once

#include "windef.h"

WINBASEAPI HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile,
                                          LPCSTR lpParameters, LPCSTR lpDirectory, INT nShowCmd);
