// Kernel services: modules, files, memory, time, debugger output, profile
// strings and starting other programs.
#pragma once

#include "windef.h"
#include "winerror.h"

// DLL entry point reasons.
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

typedef BOOL(WINAPI* DLLENTRYPROC)(HINSTANCE, DWORD, LPVOID);

// Old-style file calls.
#define HFILE_ERROR ((HFILE)-1)
#define OF_READ 0x0000
#define OF_WRITE 0x0001
#define OF_READWRITE 0x0002
#define OF_SHARE_COMPAT 0x0000
#define OF_SHARE_EXCLUSIVE 0x0010
#define OF_SHARE_DENY_WRITE 0x0020
#define OF_SHARE_DENY_READ 0x0030
#define OF_SHARE_DENY_NONE 0x0040
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

// Local memory.
#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

// Show commands, as WinExec and ShellExecute take them.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

WINBASEAPI HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName);
WINBASEAPI BOOL WINAPI FreeLibrary(HMODULE hLibModule);
WINBASEAPI FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
WINBASEAPI DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
WINBASEAPI HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName);

WINBASEAPI UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize);
WINBASEAPI UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize);

WINBASEAPI HFILE WINAPI _lopen(LPCSTR lpPathName, int iReadWrite);
WINBASEAPI HFILE WINAPI _lcreat(LPCSTR lpPathName, int iAttribute);
WINBASEAPI UINT WINAPI _lread(HFILE hFile, LPVOID lpBuffer, UINT uBytes);
WINBASEAPI UINT WINAPI _lwrite(HFILE hFile, LPCSTR lpBuffer, UINT uBytes);
WINBASEAPI LONG WINAPI _llseek(HFILE hFile, LONG lOffset, int iOrigin);
WINBASEAPI HFILE WINAPI _lclose(HFILE hFile);
WINBASEAPI BOOL WINAPI DeleteFileA(LPCSTR lpFileName);

WINBASEAPI HLOCAL WINAPI LocalAlloc(UINT uFlags, UINT uBytes);
WINBASEAPI HLOCAL WINAPI LocalFree(HLOCAL hMem);

WINBASEAPI DWORD WINAPI GetTickCount(void);
WINBASEAPI void WINAPI Sleep(DWORD dwMilliseconds);

WINBASEAPI void WINAPI OutputDebugStringA(LPCSTR lpOutputString);

WINBASEAPI DWORD WINAPI GetLastError(void);
WINBASEAPI void WINAPI SetLastError(DWORD dwErrCode);

WINBASEAPI DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName,
                                                 LPCSTR lpDefault, LPSTR lpReturnedString,
                                                 DWORD nSize, LPCSTR lpFileName);

WINBASEAPI UINT WINAPI WinExec(LPCSTR lpCmdLine, UINT uCmdShow);
