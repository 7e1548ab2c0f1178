// The control panel dialog (dialog 112) and its page framework.
#pragma once

#include <windows.h>

extern HWND openDialog;
extern HWND pageWindow;
// Raised on every help request; the General page clears it on a button press.
extern int helpClickCount;

INT_PTR CALLBACK ControlPanelDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
