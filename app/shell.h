// Program-wide values of the shell: the tray-resident main window and what
// start-up learns about the card and its DirectSound devices.
#pragma once

#include <windows.h>

extern HINSTANCE instanceHandle;
extern HWND TrayWindow;
// Caption of every message box: string 51.
extern char messageCaption[80];
// DirectSound devices that the 3D driver serves, in enumeration order.
extern GUID soundDevices[10];
extern int soundDeviceCount;
// The driver side's answer to BRIDGE_EFFECTS_SUPPORT; 0 drops the Effects page.
extern int effectsAvailable;

// The command line was exactly "OPEN": open the control panel at once.
extern bool openRequested;
// The shell's "TaskbarCreated" message.
extern UINT taskbarMessage;

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void AddTrayIcon();
void RemoveTrayIcon();
// Keeps the DirectSound devices that pass CheckQ3DDevice in soundDevices.
void EnumerateSoundDevices(HWND window);
