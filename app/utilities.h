// Small operations that several windows of the program share.
#pragma once

#include <windows.h>

BOOL CenterWindow(HWND window);
BOOL PlacePageInTab(HWND page);
UINT IsButtonChecked(HWND dialog, int controlId);
int ShowMessage(HWND owner, UINT stringId, UINT type);
