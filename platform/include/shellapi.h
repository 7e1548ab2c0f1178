// Shell services used by the program: starting programs and the icons of the
// taskbar's notification area.
#pragma once

#include "windef.h"

WINBASEAPI HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile,
                                          LPCSTR lpParameters, LPCSTR lpDirectory, INT nShowCmd);

// ---- Notification area ----
#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002

#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004

// The record in its 488-byte ANSI form (shell version 5). The shell of
// Windows 95 and 98 also takes the older 88-byte form, whose tip holds 64
// characters and which ends after it.
typedef struct _NOTIFYICONDATAA {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    union {
        UINT uTimeout;
        UINT uVersion;
    };
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
} NOTIFYICONDATAA, *PNOTIFYICONDATAA;

#define NOTIFYICONDATAA_V1_SIZE 88

#ifdef __cplusplus
static_assert(sizeof(NOTIFYICONDATAA) == 488, "NOTIFYICONDATAA is 488 bytes");
static_assert(offsetof(NOTIFYICONDATAA, szTip) + 64 == NOTIFYICONDATAA_V1_SIZE,
              "the old form ends after a 64-character tip");
#endif

WINBASEAPI BOOL WINAPI Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData);
