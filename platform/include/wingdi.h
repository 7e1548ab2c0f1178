// Graphics: memory device contexts, bitmaps and block transfers into the
// picture surfaces of windows.
#pragma once

#include "windef.h"

// Raster operation of BitBlt: the source rectangle copied as it is.
#define SRCCOPY ((DWORD)0x00CC0020)

// Image kinds of STM_SETIMAGE / STM_GETIMAGE.
#ifndef IMAGE_BITMAP
#define IMAGE_BITMAP 0
#endif
#ifndef IMAGE_ICON
#define IMAGE_ICON 1
#endif

// What GetObjectA tells about a bitmap.
typedef struct tagBITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes; // bytes per scan line, a multiple of 2
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
} BITMAP, *PBITMAP, *LPBITMAP;

#ifdef __cplusplus
static_assert(sizeof(BITMAP) == 24, "BITMAP is 24 bytes on 32-bit Windows");
#endif

WINBASEAPI HDC WINAPI CreateCompatibleDC(HDC hdc);
WINBASEAPI BOOL WINAPI DeleteDC(HDC hdc);
WINBASEAPI HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ object);
WINBASEAPI BOOL WINAPI DeleteObject(HGDIOBJ object);
WINBASEAPI int WINAPI GetObjectA(HANDLE object, int bufferSize, LPVOID buffer);
WINBASEAPI BOOL WINAPI BitBlt(HDC destination, int x, int y, int width, int height, HDC source,
                              int sourceX, int sourceY, DWORD rop);
