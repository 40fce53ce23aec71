#pragma once
// Plain types of the operating-system interface: handles, points, rectangles, message parameters
// and colours, as C structs. Handles are opaque and pointer-sized; 0 means none.
#include <stddef.h>
#include <stdint.h>

#include "platform/os/clock.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t BOOL;
#define FALSE 0
#define TRUE 1
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef int32_t LONG;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef uint32_t COLORREF;  // 0x00BBGGRR

struct FanoHandle;  // never defined: handles are opaque
typedef struct FanoHandle* HANDLE;
typedef HANDLE HWND;
typedef HANDLE HDC;
typedef HANDLE HGDIOBJ;
typedef HANDLE HBITMAP;
typedef HANDLE HBRUSH;
typedef HANDLE HPEN;
typedef HANDLE HFONT;
typedef HANDLE HRGN;
typedef HANDLE HPALETTE;
typedef HANDLE HICON;
typedef HANDLE HCURSOR;
typedef HANDLE HMENU;
typedef HANDLE HINSTANCE;
typedef HANDLE HMODULE;
typedef HANDLE HIMAGELIST;
typedef HANDLE HMONITOR;
typedef HANDLE HGLOBAL;
typedef HANDLE HTHEME;

typedef struct POINT { LONG x; LONG y; } POINT;
typedef struct SIZE { LONG cx; LONG cy; } SIZE;
typedef struct RECT { LONG left; LONG top; LONG right; LONG bottom; } RECT;

#define RGB(r, g, b) ((COLORREF)(((BYTE)(r)) | ((WORD)((BYTE)(g)) << 8) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)(((WORD)(c)) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))

#define LOWORD(l) ((WORD)(((DWORD_PTR_T)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR_T)(l)) >> 16) & 0xffff))
#define MAKELONG(a, b) ((LONG)(((WORD)(((DWORD_PTR_T)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR_T)(b)) & 0xffff))) << 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKELRESULT(l, h) ((LRESULT)(DWORD)MAKELONG(l, h))
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))
typedef uintptr_t DWORD_PTR_T;

#ifdef __cplusplus
}
#endif
