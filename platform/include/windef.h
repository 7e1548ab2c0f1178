// Basic Win32 types, as a 32-bit Windows program sees them.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if !defined(__i386__) && !defined(RC_INVOKED)
#error "The platform is 32-bit x86: build with -m32."
#endif

#ifdef __cplusplus
#define PLATFORM_EXTERN_C extern "C"
#else
#define PLATFORM_EXTERN_C
#endif

#define WINAPI __attribute__((stdcall))
#define CALLBACK __attribute__((stdcall))
#define APIENTRY WINAPI
#define STDMETHODCALLTYPE __attribute__((stdcall))
// Functions the platform library exports to the program and the bridge.
#define WINBASEAPI PLATFORM_EXTERN_C __attribute__((visibility("default")))
// Functions a module exports by name (GetProcAddress finds them).
#define DLLEXPORT PLATFORM_EXTERN_C __attribute__((visibility("default")))

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned long DWORD;
typedef long LONG;
typedef unsigned long ULONG;
typedef int INT;
typedef unsigned int UINT;
typedef short SHORT;
typedef unsigned short USHORT;
typedef char CHAR;
typedef unsigned char UCHAR;
typedef float FLOAT;
typedef void VOID;
typedef int HFILE;
typedef long HRESULT;
typedef unsigned int UINT_PTR;
typedef int INT_PTR;
typedef long LONG_PTR;
typedef unsigned long ULONG_PTR;
typedef unsigned long DWORD_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD ATOM;

typedef void* PVOID;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef BYTE* LPBYTE;
typedef BYTE* PBYTE;
typedef DWORD* LPDWORD;
typedef DWORD* PDWORD;
typedef LONG* PLONG;
typedef BOOL* LPBOOL;
typedef WORD* LPWORD;

#define DECLARE_HANDLE(name)                                                                      \
    struct name##__ {                                                                              \
        int unused;                                                                                \
    };                                                                                             \
    typedef struct name##__* name

typedef void* HANDLE;
DECLARE_HANDLE(HINSTANCE);
typedef HINSTANCE HMODULE;
typedef HANDLE HLOCAL;
typedef HANDLE HGLOBAL;
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HICON);
typedef HICON HCURSOR;
DECLARE_HANDLE(HDC);
DECLARE_HANDLE(HRSRC);
typedef void* HGDIOBJ;
DECLARE_HANDLE(HBITMAP);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HFONT);
DECLARE_HANDLE(HPEN);

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *PRECT, *LPRECT;
typedef const RECT* LPCRECT;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *PPOINT, *LPPOINT;

typedef struct tagSIZE {
    LONG cx;
    LONG cy;
} SIZE, *PSIZE, *LPSIZE;

typedef DWORD COLORREF;

#define TRUE 1
#define FALSE 0
#ifndef NULL
#define NULL 0
#endif
#define MAX_PATH 260

#define MAKEWORD(a, b) ((WORD)(((BYTE)((DWORD_PTR)(a) & 0xff)) | ((WORD)((BYTE)((DWORD_PTR)(b) & 0xff))) << 8))
#define MAKELONG(a, b) ((LONG)(((WORD)((DWORD_PTR)(a) & 0xffff)) | ((DWORD)((WORD)((DWORD_PTR)(b) & 0xffff))) << 16))
#define LOWORD(l) ((WORD)((DWORD_PTR)(l) & 0xffff))
#define HIWORD(l) ((WORD)((DWORD_PTR)(l) >> 16))
#define LOBYTE(w) ((BYTE)((DWORD_PTR)(w) & 0xff))
#define HIBYTE(w) ((BYTE)((DWORD_PTR)(w) >> 8))

typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID;
typedef GUID IID;
typedef const GUID* LPCGUID;
typedef GUID* LPGUID;
#ifdef __cplusplus
#define REFGUID const GUID&
#define REFIID const IID&
#else
#define REFGUID const GUID*
#define REFIID const IID*
#endif

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)

// An export as GetProcAddress hands it out; callers cast it to its real type.
// The void form is the one that casts to any function type without warnings.
typedef void(WINAPI* FARPROC)(void);
