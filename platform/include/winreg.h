// Registry services: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER of the machine.
#pragma once

#include "windef.h"
#include "winerror.h"

DECLARE_HANDLE(HKEY);
typedef HKEY* PHKEY;
typedef DWORD REGSAM;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000UL)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001UL)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002UL)
#define HKEY_USERS ((HKEY)(ULONG_PTR)0x80000003UL)

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7

WINBASEAPI LONG WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
WINBASEAPI LONG WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
WINBASEAPI LONG WINAPI RegCloseKey(HKEY hKey);
WINBASEAPI LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved,
                                        LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
WINBASEAPI LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved,
                                      DWORD dwType, const BYTE* lpData, DWORD cbData);
WINBASEAPI LONG WINAPI RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName);
WINBASEAPI LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
WINBASEAPI LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
