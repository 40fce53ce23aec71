#pragma once
// Image lists: equally sized images with optional masks, drawn normal, transparent, as their mask
// or blended with a colour. Handles are validated like every GDI handle.
#include "platform/os/wingdi.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ILC_MASK 0x00000001
#define ILC_COLOR 0x00000000
#define ILC_COLORDDB 0x000000FE
#define ILC_COLOR4 0x00000004
#define ILC_COLOR8 0x00000008
#define ILC_COLOR16 0x00000010
#define ILC_COLOR24 0x00000018
#define ILC_COLOR32 0x00000020

#define ILD_NORMAL 0x00000000
#define ILD_TRANSPARENT 0x00000001
#define ILD_BLEND25 0x00000002
#define ILD_BLEND50 0x00000004
#define ILD_MASK 0x00000010
#define ILD_IMAGE 0x00000020
#define ILD_ROP 0x00000040
#define ILD_OVERLAYMASK 0x00000F00
#define ILD_FOCUS ILD_BLEND25
#define ILD_SELECTED ILD_BLEND50
#define ILD_BLEND ILD_BLEND50

#define CLR_NONE 0xFFFFFFFFu
#define CLR_DEFAULT 0xFF000000u
#define CLR_HILIGHT CLR_DEFAULT

// Images are kept at full colour whatever ILC_COLOR* depth is asked; `initial` and `grow` are
// allocation hints.
FANO_OS_API HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
FANO_OS_API BOOL ImageList_Destroy(HIMAGELIST list);
// Adds as many images as the bitmap is wide (width / cx); returns the first new index or -1. The
// mask (monochrome: 1 = transparent) counts only for lists made with ILC_MASK.
FANO_OS_API int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// The mask comes from the pixels of colour `mask` (CLR_DEFAULT: the top-left pixel's colour); those
// pixels turn black in the list's copy of the image.
FANO_OS_API int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask);
FANO_OS_API BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask);
FANO_OS_API BOOL ImageList_Remove(HIMAGELIST list, int index);  // -1 removes every image
FANO_OS_API int ImageList_GetImageCount(HIMAGELIST list);
// Grows with black opaque images or drops images from the end.
FANO_OS_API BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count);
FANO_OS_API BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
FANO_OS_API BOOL ImageList_SetIconSize(HIMAGELIST list, int cx, int cy);  // removes every image
FANO_OS_API COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color);
FANO_OS_API COLORREF ImageList_GetBkColor(HIMAGELIST list);
FANO_OS_API BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
// dx, dy: 0 for the whole image. bk: CLR_DEFAULT for the list's background colour, CLR_NONE for
// none (transparent). fg: the blend colour of ILD_BLEND25/ILD_BLEND50, CLR_DEFAULT for the
// highlight colour, CLR_NONE for the destination.
FANO_OS_API BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF bk,
                                  COLORREF fg, UINT style);

#ifdef __cplusplus
}
#endif
