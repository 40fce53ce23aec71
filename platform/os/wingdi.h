#pragma once
// The drawing interface of the OS stand-in: device contexts, GDI objects (pens, brushes, fonts,
// bitmaps, regions, palettes), clipping, coordinate mapping, primitives, raster operations, text,
// the user-interface drawing helpers (DrawText, DrawEdge, DrawFrameControl, FillRect...), system
// colours, images (PNG, JPEG, BMP) and the recording of drawing calls.
//
// Conventions kept from the original system, because callers compute pixel positions from them:
// - Lines exclude their last point. Rectangle, Ellipse, RoundRect, FillRect and friends exclude the
//   right and bottom edges. FrameRect draws inside its rectangle.
// - Colours are COLORREF (0x00BBGGRR). Monochrome bitmaps hold black (0) and white (1) only.
// - Text: the ...A functions take UTF-8 (the module's own narrow strings); the ...W functions take
//   UTF-16. Lengths are in bytes (A) or UTF-16 units (W); -1 means "up to the terminating zero".
//   Character-spacing arrays (ExtTextOut's lpDx, GetTextExtentExPoint's alpDx) have one entry per
//   byte (A) or unit (W); a character's advance is the sum of the entries of its bytes, and the
//   cumulative extents repeat the character's end for every one of its bytes.
// - Handles are validated: a stale or wrong handle makes a call fail (0 / FALSE / CLR_INVALID).
//
// The test font: a face named "FanoTest" (or every face, while FanoSetTestFont(TRUE) is on or the
// environment variable FANO_TEST_FONT is "1") resolves to a font engine with fixed metrics, so that
// pixel positions in tests never depend on installed fonts. For a font of lfHeight h:
//   E = |h| (16 when h is 0); tmHeight = E; tmDescent = E / 5; tmAscent = E - tmDescent;
//   tmInternalLeading = tmExternalLeading = 0; tmOverhang = 0;
//   narrow advance N = lfWidth when > 0, else (E + 1) / 2; every character advances N, except wide
//   (East Asian wide and full-width) characters, which advance 2N; tmAveCharWidth = N,
//   tmMaxCharWidth = 2N. Weight, italic, underline and strike-out never change an advance.
//   Glyph image: white-space characters draw nothing; every other character draws a solid block
//   over columns [x, x + advance - 1) and rows [top + 1, top + tmAscent) of its cell (the cell's top
//   is the baseline minus tmAscent). Underline: the row top + tmAscent, full advance; strike-out:
//   the row top + tmAscent / 2, full advance.
//   Outline metrics: otmEMSquare = E; upright slope rise 1, run 0; italic slope rise 4, run 1.
// Rotated text (lfEscapement in tenths of a degree, counter-clockwise) turns the whole text cell
// about the reference point: at 900 the text reads upwards, at 2700 downwards.
#include "platform/os/wintypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t ULONG;
#ifdef __cplusplus
typedef char16_t FANO_WCHAR;
#else
typedef uint16_t FANO_WCHAR;
#endif

// ---- plain structs ----------------------------------------------------------------------------

typedef struct LOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;  // x is the width; y unused
  COLORREF lopnColor;
} LOGPEN;

typedef struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  UINT_PTR lbHatch;  // hatch style, or the bitmap handle of a pattern brush
} LOGBRUSH;

typedef struct EXTLOGPEN {
  DWORD elpPenStyle;
  DWORD elpWidth;
  UINT elpBrushStyle;
  COLORREF elpColor;
  UINT_PTR elpHatch;
  DWORD elpNumEntries;
  DWORD elpStyleEntry[1];
} EXTLOGPEN;

#define LF_FACESIZE 32
typedef struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  char lfFaceName[LF_FACESIZE];  // UTF-8, zero-terminated
} LOGFONTA;

typedef struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  FANO_WCHAR lfFaceName[LF_FACESIZE];
} LOGFONTW;

// One text-metric record serves both the A and the W calls.
typedef struct TEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  FANO_WCHAR tmFirstChar;
  FANO_WCHAR tmLastChar;
  FANO_WCHAR tmDefaultChar;
  FANO_WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
} TEXTMETRICW;
typedef TEXTMETRICW TEXTMETRICA;
typedef TEXTMETRICW TEXTMETRIC;

typedef struct PANOSE {
  BYTE bFamilyType, bSerifStyle, bWeight, bProportion, bContrast, bStrokeVariation, bArmStyle,
      bLetterform, bMidline, bXHeight;
} PANOSE;

// Outline metrics; the name fields of the original (offsets to strings) are left out.
typedef struct OUTLINETEXTMETRICW {
  UINT otmSize;
  TEXTMETRICW otmTextMetrics;
  BYTE otmFiller;
  PANOSE otmPanoseNumber;
  UINT otmfsSelection;
  UINT otmfsType;
  int otmsCharSlopeRise;
  int otmsCharSlopeRun;
  int otmItalicAngle;  // tenths of a degree, counter-clockwise from vertical (negative leans right)
  UINT otmEMSquare;
  int otmAscent;
  int otmDescent;
  UINT otmLineGap;
  UINT otmsCapEmHeight;
  UINT otmsXHeight;
  RECT otmrcFontBox;
  int otmMacAscent;
  int otmMacDescent;
  UINT otmMacLineGap;
  UINT otmusMinimumPPEM;
  POINT otmptSubscriptSize;
  POINT otmptSubscriptOffset;
  POINT otmptSuperscriptSize;
  POINT otmptSuperscriptOffset;
  UINT otmsStrikeoutSize;
  int otmsStrikeoutPosition;
  int otmsUnderscoreSize;
  int otmsUnderscorePosition;
} OUTLINETEXTMETRICW;
typedef OUTLINETEXTMETRICW OUTLINETEXTMETRICA;
typedef OUTLINETEXTMETRICW OUTLINETEXTMETRIC;

typedef struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;
} BITMAP;

typedef struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD;

typedef struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // positive: bottom-up rows; negative: top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO;

typedef struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
} PALETTEENTRY;

typedef struct LOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

typedef struct DRAWTEXTPARAMS {
  UINT cbSize;
  int iTabLength;    // in average character widths
  int iLeftMargin;   // pixels
  int iRightMargin;  // pixels
  UINT uiLengthDrawn;
} DRAWTEXTPARAMS;

typedef uint16_t COLOR16;
typedef struct TRIVERTEX {
  LONG x;
  LONG y;
  COLOR16 Red;
  COLOR16 Green;
  COLOR16 Blue;
  COLOR16 Alpha;
} TRIVERTEX;

typedef struct GRADIENT_RECT {
  ULONG UpperLeft;
  ULONG LowerRight;
} GRADIENT_RECT;

// ---- constants --------------------------------------------------------------------------------

#define CLR_INVALID 0xFFFFFFFFu
#define GDI_ERROR 0xFFFFFFFFu
#define HGDI_ERROR ((HANDLE)(intptr_t)-1)

// Object types (GetObjectType, GetCurrentObject)
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_METADC 4
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_METAFILE 9
#define OBJ_MEMDC 10
#define OBJ_EXTPEN 11

// Stock objects
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19

// Pen styles
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_USERSTYLE 7
#define PS_ALTERNATE 8
#define PS_STYLE_MASK 0x0000000F
#define PS_ENDCAP_ROUND 0x00000000
#define PS_ENDCAP_SQUARE 0x00000100
#define PS_ENDCAP_FLAT 0x00000200
#define PS_ENDCAP_MASK 0x00000F00
#define PS_JOIN_ROUND 0x00000000
#define PS_JOIN_BEVEL 0x00001000
#define PS_JOIN_MITER 0x00002000
#define PS_JOIN_MASK 0x0000F000
#define PS_COSMETIC 0x00000000
#define PS_GEOMETRIC 0x00010000
#define PS_TYPE_MASK 0x000F0000

// Brush styles and hatches
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define BS_PATTERN 3
#define BS_DIBPATTERN 5
#define BS_DIBPATTERNPT 6
#define BS_PATTERN8X8 7
#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5

// Background modes
#define TRANSPARENT 1
#define OPAQUE 2

// Binary raster operations (SetROP2)
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

// Ternary raster operations: the high word's low byte is the truth table over pattern (bit 2 of
// the index), source (bit 1) and destination (bit 0); any such code works.
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define SRCERASE 0x00440328u
#define NOTSRCCOPY 0x00330008u
#define NOTSRCERASE 0x001100A6u
#define MERGECOPY 0x00C000CAu
#define MERGEPAINT 0x00BB0226u
#define PATCOPY 0x00F00021u
#define PATPAINT 0x00FB0A09u
#define PATINVERT 0x005A0049u
#define DSTINVERT 0x00550009u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u
#define NOMIRRORBITMAP 0x80000000u
#define MAKEROP4(fore, back) ((DWORD)((((back) << 8) & 0xFF000000u) | (fore)))

// Stretch modes
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS BLACKONWHITE
#define STRETCH_ORSCANS WHITEONBLACK
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE

// Polygon fill modes
#define ALTERNATE 1
#define WINDING 2

// Mapping modes
#define MM_TEXT 1
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8

// Regions
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_ERROR ERROR
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

// Text alignment
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define TA_RTLREADING 256
#define TA_MASK (TA_BASELINE + TA_CENTER + TA_UPDATECP + TA_RTLREADING)

// ExtTextOut options
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define ETO_GLYPH_INDEX 0x0010
#define ETO_RTLREADING 0x0080
#define ETO_IGNORELANGUAGE 0x1000

// Font weights, character sets, precisions, qualities, pitches and families
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_HEAVY 900
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define GB2312_CHARSET 134
#define CHINESEBIG5_CHARSET 136
#define OEM_CHARSET 255
#define OUT_DEFAULT_PRECIS 0
#define OUT_STRING_PRECIS 1
#define OUT_CHARACTER_PRECIS 2
#define OUT_STROKE_PRECIS 3
#define OUT_TT_PRECIS 4
#define OUT_DEVICE_PRECIS 5
#define OUT_RASTER_PRECIS 6
#define OUT_TT_ONLY_PRECIS 7
#define OUT_OUTLINE_PRECIS 8
#define CLIP_DEFAULT_PRECIS 0
#define CLIP_CHARACTER_PRECIS 1
#define CLIP_STROKE_PRECIS 2
#define CLIP_LH_ANGLES 0x10
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define FF_SCRIPT 0x40
#define FF_DECORATIVE 0x50
// tmPitchAndFamily bits (TMPF_FIXED_PITCH set means a variable-pitch font, as in the original)
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04
#define TMPF_DEVICE 0x08

// GetDeviceCaps
#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMBRUSHES 16
#define NUMPENS 18
#define NUMFONTS 22
#define NUMCOLORS 24
#define ASPECTX 40
#define ASPECTY 42
#define ASPECTXY 44
#define RASTERCAPS 38
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define COLORRES 108
#define VREFRESH 116
#define DESKTOPVERTRES 117
#define DESKTOPHORZRES 118
#define DT_RASDISPLAY 1
#define RC_BITBLT 1
#define RC_BANDING 2
#define RC_SCALING 4
#define RC_BITMAP64 8
#define RC_DI_BITMAP 0x0080
#define RC_PALETTE 0x0100
#define RC_DIBTODEV 0x0200
#define RC_STRETCHBLT 0x0800
#define RC_FLOODFILL 0x1000
#define RC_STRETCHDIB 0x2000

// DIBs
#define BI_RGB 0
#define BI_BITFIELDS 3
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1
#define CBM_INIT 4

// GradientFill
#define GRADIENT_FILL_RECT_H 0x00000000
#define GRADIENT_FILL_RECT_V 0x00000001
#define GRADIENT_FILL_TRIANGLE 0x00000002

// DrawText
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_TABSTOP 0x00000080
#define DT_NOCLIP 0x00000100
#define DT_EXTERNALLEADING 0x00000200
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_INTERNAL 0x00001000
#define DT_EDITCONTROL 0x00002000
#define DT_PATH_ELLIPSIS 0x00004000
#define DT_END_ELLIPSIS 0x00008000
#define DT_MODIFYSTRING 0x00010000
#define DT_RTLREADING 0x00020000
#define DT_WORD_ELLIPSIS 0x00040000
#define DT_NOFULLWIDTHCHARBREAK 0x00080000
#define DT_HIDEPREFIX 0x00100000
#define DT_PREFIXONLY 0x00200000

// DrawEdge
#define BDR_RAISEDOUTER 0x0001
#define BDR_SUNKENOUTER 0x0002
#define BDR_RAISEDINNER 0x0004
#define BDR_SUNKENINNER 0x0008
#define BDR_OUTER (BDR_RAISEDOUTER | BDR_SUNKENOUTER)
#define BDR_INNER (BDR_RAISEDINNER | BDR_SUNKENINNER)
#define BDR_RAISED (BDR_RAISEDOUTER | BDR_RAISEDINNER)
#define BDR_SUNKEN (BDR_SUNKENOUTER | BDR_SUNKENINNER)
#define EDGE_RAISED (BDR_RAISEDOUTER | BDR_RAISEDINNER)
#define EDGE_SUNKEN (BDR_SUNKENOUTER | BDR_SUNKENINNER)
#define EDGE_ETCHED (BDR_SUNKENOUTER | BDR_RAISEDINNER)
#define EDGE_BUMP (BDR_RAISEDOUTER | BDR_SUNKENINNER)
#define BF_LEFT 0x0001
#define BF_TOP 0x0002
#define BF_RIGHT 0x0004
#define BF_BOTTOM 0x0008
#define BF_TOPLEFT (BF_TOP | BF_LEFT)
#define BF_TOPRIGHT (BF_TOP | BF_RIGHT)
#define BF_BOTTOMLEFT (BF_BOTTOM | BF_LEFT)
#define BF_BOTTOMRIGHT (BF_BOTTOM | BF_RIGHT)
#define BF_RECT (BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM)
#define BF_DIAGONAL 0x0010
#define BF_DIAGONAL_ENDTOPRIGHT (BF_DIAGONAL | BF_TOP | BF_RIGHT)
#define BF_DIAGONAL_ENDTOPLEFT (BF_DIAGONAL | BF_TOP | BF_LEFT)
#define BF_DIAGONAL_ENDBOTTOMLEFT (BF_DIAGONAL | BF_BOTTOM | BF_LEFT)
#define BF_DIAGONAL_ENDBOTTOMRIGHT (BF_DIAGONAL | BF_BOTTOM | BF_RIGHT)
#define BF_MIDDLE 0x0800
#define BF_SOFT 0x1000
#define BF_ADJUST 0x2000
#define BF_FLAT 0x4000
#define BF_MONO 0x8000

// DrawFrameControl
#define DFC_CAPTION 1
#define DFC_MENU 2
#define DFC_SCROLL 3
#define DFC_BUTTON 4
#define DFCS_SCROLLUP 0x0000
#define DFCS_SCROLLDOWN 0x0001
#define DFCS_SCROLLLEFT 0x0002
#define DFCS_SCROLLRIGHT 0x0003
#define DFCS_SCROLLCOMBOBOX 0x0005
#define DFCS_SCROLLSIZEGRIP 0x0008
#define DFCS_SCROLLSIZEGRIPRIGHT 0x0010
#define DFCS_BUTTONCHECK 0x0000
#define DFCS_BUTTONRADIOIMAGE 0x0001
#define DFCS_BUTTONRADIOMASK 0x0002
#define DFCS_BUTTONRADIO 0x0004
#define DFCS_BUTTON3STATE 0x0008
#define DFCS_BUTTONPUSH 0x0010
#define DFCS_CAPTIONCLOSE 0x0000
#define DFCS_CAPTIONMIN 0x0001
#define DFCS_CAPTIONMAX 0x0002
#define DFCS_CAPTIONRESTORE 0x0003
#define DFCS_MENUARROW 0x0000
#define DFCS_MENUCHECK 0x0001
#define DFCS_MENUBULLET 0x0002
#define DFCS_INACTIVE 0x0100
#define DFCS_PUSHED 0x0200
#define DFCS_CHECKED 0x0400
#define DFCS_TRANSPARENT 0x0800
#define DFCS_HOT 0x1000
#define DFCS_ADJUSTRECT 0x2000
#define DFCS_FLAT 0x4000
#define DFCS_MONO 0x8000

// System colours
#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_DESKTOP COLOR_BACKGROUND
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_3DFACE COLOR_BTNFACE
#define COLOR_BTNSHADOW 16
#define COLOR_3DSHADOW COLOR_BTNSHADOW
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DHIGHLIGHT COLOR_BTNHIGHLIGHT
#define COLOR_3DHILIGHT COLOR_BTNHIGHLIGHT
#define COLOR_BTNHILIGHT COLOR_BTNHIGHLIGHT
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#define COLOR_INFOBK 24
#define COLOR_HOTLIGHT 26
#define COLOR_GRADIENTACTIVECAPTION 27
#define COLOR_GRADIENTINACTIVECAPTION 28
#define COLOR_MENUHILIGHT 29
#define COLOR_MENUBAR 30
#define FANO_SYSCOLOR_COUNT 31

// ---- device contexts --------------------------------------------------------------------------

// A memory DC compatible with `dc` (or with the screen when 0). It starts with a 1 x 1
// monochrome bitmap selected.
FANO_OS_API HDC CreateCompatibleDC(HDC dc);
FANO_OS_API BOOL DeleteDC(HDC dc);
FANO_OS_API int SaveDC(HDC dc);
FANO_OS_API BOOL RestoreDC(HDC dc, int savedDC);  // positive: that level; negative: relative
FANO_OS_API int GetDeviceCaps(HDC dc, int index);
FANO_OS_API HWND WindowFromDC(HDC dc);

FANO_OS_API HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj);  // regions: returns the region type
FANO_OS_API BOOL DeleteObject(HGDIOBJ obj);
FANO_OS_API int GetObjectA(HGDIOBJ obj, int size, void* out);
FANO_OS_API int GetObjectW(HGDIOBJ obj, int size, void* out);
FANO_OS_API DWORD GetObjectType(HGDIOBJ obj);
FANO_OS_API HGDIOBJ GetStockObject(int index);
FANO_OS_API HGDIOBJ GetCurrentObject(HDC dc, UINT type);

FANO_OS_API COLORREF SetBkColor(HDC dc, COLORREF color);
FANO_OS_API COLORREF GetBkColor(HDC dc);
FANO_OS_API int SetBkMode(HDC dc, int mode);
FANO_OS_API int GetBkMode(HDC dc);
FANO_OS_API COLORREF SetTextColor(HDC dc, COLORREF color);
FANO_OS_API COLORREF GetTextColor(HDC dc);
FANO_OS_API int SetROP2(HDC dc, int rop2);
FANO_OS_API int GetROP2(HDC dc);
FANO_OS_API UINT SetTextAlign(HDC dc, UINT align);
FANO_OS_API UINT GetTextAlign(HDC dc);
FANO_OS_API int SetStretchBltMode(HDC dc, int mode);
FANO_OS_API int GetStretchBltMode(HDC dc);
FANO_OS_API int SetPolyFillMode(HDC dc, int mode);
FANO_OS_API int GetPolyFillMode(HDC dc);
FANO_OS_API BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old);
FANO_OS_API BOOL GetBrushOrgEx(HDC dc, POINT* out);
FANO_OS_API COLORREF SetDCBrushColor(HDC dc, COLORREF color);
FANO_OS_API COLORREF GetDCBrushColor(HDC dc);
FANO_OS_API COLORREF SetDCPenColor(HDC dc, COLORREF color);
FANO_OS_API COLORREF GetDCPenColor(HDC dc);
FANO_OS_API int SetTextCharacterExtra(HDC dc, int extra);
FANO_OS_API int GetTextCharacterExtra(HDC dc);

// Coordinates: device = (logical - window origin) * viewport extent / window extent + viewport
// origin. MM_TEXT keeps the extents at 1 : 1.
FANO_OS_API int SetMapMode(HDC dc, int mode);
FANO_OS_API int GetMapMode(HDC dc);
FANO_OS_API BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
FANO_OS_API BOOL GetViewportOrgEx(HDC dc, POINT* out);
FANO_OS_API BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old);
FANO_OS_API BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old);
FANO_OS_API BOOL GetWindowOrgEx(HDC dc, POINT* out);
FANO_OS_API BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old);
FANO_OS_API BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* old);
FANO_OS_API BOOL GetViewportExtEx(HDC dc, SIZE* out);
FANO_OS_API BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* old);
FANO_OS_API BOOL GetWindowExtEx(HDC dc, SIZE* out);
FANO_OS_API BOOL LPtoDP(HDC dc, POINT* points, int count);
FANO_OS_API BOOL DPtoLP(HDC dc, POINT* points, int count);
FANO_OS_API BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
FANO_OS_API BOOL GetCurrentPositionEx(HDC dc, POINT* out);

// ---- pens, brushes, palettes ------------------------------------------------------------------

// CreatePen: width 0 means 1; dashed and dotted styles wider than 1 draw solid; pens wider than 1
// are geometric with round ends and joins.
FANO_OS_API HPEN CreatePen(int style, int width, COLORREF color);
FANO_OS_API HPEN CreatePenIndirect(const LOGPEN* lp);
FANO_OS_API HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount,
                              const DWORD* styles);
FANO_OS_API HBRUSH CreateSolidBrush(COLORREF color);
FANO_OS_API HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// The bitmap is copied. A monochrome pattern paints 0 bits in the DC's text colour and 1 bits in
// its background colour.
FANO_OS_API HBRUSH CreatePatternBrush(HBITMAP bitmap);
FANO_OS_API HBRUSH CreateBrushIndirect(const LOGBRUSH* lb);

FANO_OS_API HPALETTE CreatePalette(const LOGPALETTE* lp);
FANO_OS_API HPALETTE CreateHalftonePalette(HDC dc);
FANO_OS_API HPALETTE SelectPalette(HDC dc, HPALETTE pal, BOOL forceBackground);
FANO_OS_API UINT RealizePalette(HDC dc);
FANO_OS_API UINT GetPaletteEntries(HPALETTE pal, UINT start, UINT count, PALETTEENTRY* out);
FANO_OS_API UINT GetNearestPaletteIndex(HPALETTE pal, COLORREF color);
// The colour the device shows for `color`: itself on colour devices, black or white on a
// monochrome bitmap.
FANO_OS_API COLORREF GetNearestColor(HDC dc, COLORREF color);

// ---- bitmaps ----------------------------------------------------------------------------------

// bitsPerPixel 1 gives a monochrome bitmap (bits: 1 = white, rows padded to 16 bits); 24 and 32
// take blue, green, red (and an unused byte) per pixel, rows padded to 16 bits; anything else is
// kept as 32-bit colour. `bits` may be 0 (black).
FANO_OS_API HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
FANO_OS_API HBITMAP CreateBitmapIndirect(const BITMAP* bm);
// Monochrome when `dc` is a memory DC holding a monochrome bitmap, colour otherwise.
FANO_OS_API HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
FANO_OS_API HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                   const BITMAPINFO* info, UINT usage);
// DIB formats: 1, 4 and 8 bits with a colour table, 16 (5-5-5), 24 and 32 bits, BI_RGB, bottom-up
// (positive height) or top-down. GetDIBits with bits 0 and biBitCount 0 fills in the header only.
FANO_OS_API int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
                          UINT usage);
FANO_OS_API int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
                          const BITMAPINFO* info, UINT usage);
FANO_OS_API int StretchDIBits(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc,
                              int wSrc, int hSrc, const void* bits, const BITMAPINFO* info, UINT usage,
                              DWORD rop);
FANO_OS_API int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc,
                                  UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info,
                                  UINT usage);
FANO_OS_API COLORREF GetPixel(HDC dc, int x, int y);
FANO_OS_API COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
FANO_OS_API BOOL SetPixelV(HDC dc, int x, int y, COLORREF color);

// Blits. Monochrome sources drawn on colour destinations give the destination's text colour for
// 0 and its background colour for 1; colour sources drawn on monochrome destinations give 1 where
// the pixel equals the source DC's background colour and 0 elsewhere.
FANO_OS_API BOOL PatBlt(HDC dc, int x, int y, int w, int h, DWORD rop);
FANO_OS_API BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, DWORD rop);
FANO_OS_API BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, int wSrc,
                            int hSrc, DWORD rop);
// The monochrome mask selects the foreground operation (1) or the background one (0), MAKEROP4.
FANO_OS_API BOOL MaskBlt(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, HBITMAP mask,
                         int xMask, int yMask, DWORD rop4);
// Copies (stretching) every source pixel that is not `transparent`.
FANO_OS_API BOOL TransparentBlt(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, int wSrc,
                                int hSrc, UINT transparent);
FANO_OS_API BOOL GradientFill(HDC dc, TRIVERTEX* vertices, ULONG vertexCount, void* mesh,
                              ULONG meshCount, ULONG mode);

// ---- regions and clipping ---------------------------------------------------------------------

FANO_OS_API HRGN CreateRectRgn(int left, int top, int right, int bottom);
FANO_OS_API HRGN CreateRectRgnIndirect(const RECT* r);
FANO_OS_API HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
FANO_OS_API HRGN CreateEllipticRgnIndirect(const RECT* r);
FANO_OS_API HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int w, int h);
// A pixel (x, y) belongs to a polygon region when the point (x, y) lies inside the polygon
// (ALTERNATE or WINDING; top and left edges inside, bottom and right edges outside), so
// CreatePolygonRgn of the corners of a rectangle equals CreateRectRgn of it.
FANO_OS_API HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
FANO_OS_API HRGN CreatePolyPolygonRgn(const POINT* points, const int* counts, int polygons, int fillMode);
FANO_OS_API int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode);
FANO_OS_API BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom);
FANO_OS_API int OffsetRgn(HRGN rgn, int dx, int dy);
FANO_OS_API BOOL PtInRegion(HRGN rgn, int x, int y);
FANO_OS_API BOOL RectInRegion(HRGN rgn, const RECT* r);
FANO_OS_API int GetRgnBox(HRGN rgn, RECT* out);
FANO_OS_API BOOL EqualRgn(HRGN a, HRGN b);
FANO_OS_API BOOL FillRgn(HDC dc, HRGN rgn, HBRUSH brush);
FANO_OS_API BOOL FrameRgn(HDC dc, HRGN rgn, HBRUSH brush, int w, int h);
FANO_OS_API BOOL PaintRgn(HDC dc, HRGN rgn);
FANO_OS_API BOOL InvertRgn(HDC dc, HRGN rgn);

// Clip regions are in device units (relative to the DC's device origin); rectangles given to
// IntersectClipRect and ExcludeClipRect are logical.
FANO_OS_API int SelectClipRgn(HDC dc, HRGN rgn);
FANO_OS_API int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode);
FANO_OS_API int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
FANO_OS_API int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
FANO_OS_API int OffsetClipRgn(HDC dc, int dx, int dy);
FANO_OS_API int GetClipBox(HDC dc, RECT* out);
// 1 and a copy of the clip region, 0 when the DC has none, -1 on error.
FANO_OS_API int GetClipRgn(HDC dc, HRGN rgn);
FANO_OS_API BOOL PtVisible(HDC dc, int x, int y);
FANO_OS_API BOOL RectVisible(HDC dc, const RECT* r);

// ---- primitives -------------------------------------------------------------------------------

FANO_OS_API BOOL LineTo(HDC dc, int x, int y);
FANO_OS_API BOOL Polyline(HDC dc, const POINT* points, int count);
FANO_OS_API BOOL PolylineTo(HDC dc, const POINT* points, DWORD count);
FANO_OS_API BOOL PolyPolyline(HDC dc, const POINT* points, const DWORD* counts, DWORD polylines);
FANO_OS_API BOOL Polygon(HDC dc, const POINT* points, int count);
FANO_OS_API BOOL PolyPolygon(HDC dc, const POINT* points, const int* counts, int polygons);
FANO_OS_API BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
FANO_OS_API BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
FANO_OS_API BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int w, int h);

// User-interface helpers. A brush argument may also be a system colour index + 1.
FANO_OS_API int FillRect(HDC dc, const RECT* r, HBRUSH brush);
FANO_OS_API int FrameRect(HDC dc, const RECT* r, HBRUSH brush);
FANO_OS_API BOOL InvertRect(HDC dc, const RECT* r);
// Inverts every other pixel of the rectangle's 1-pixel frame; drawing it twice erases it.
FANO_OS_API BOOL DrawFocusRect(HDC dc, const RECT* r);
FANO_OS_API BOOL DrawEdge(HDC dc, RECT* r, UINT edge, UINT flags);
FANO_OS_API BOOL DrawFrameControl(HDC dc, RECT* r, UINT type, UINT state);

// ---- text -------------------------------------------------------------------------------------

FANO_OS_API HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                              DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                              DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                              DWORD pitchAndFamily, const char* face);
FANO_OS_API HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight,
                              DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                              DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                              DWORD pitchAndFamily, const FANO_WCHAR* face);
FANO_OS_API HFONT CreateFontIndirectA(const LOGFONTA* lf);
FANO_OS_API HFONT CreateFontIndirectW(const LOGFONTW* lf);

FANO_OS_API BOOL TextOutA(HDC dc, int x, int y, const char* text, int length);
FANO_OS_API BOOL TextOutW(HDC dc, int x, int y, const FANO_WCHAR* text, int length);
FANO_OS_API BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* r, const char* text,
                             UINT length, const int* dx);
FANO_OS_API BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* r, const FANO_WCHAR* text,
                             UINT length, const int* dx);
FANO_OS_API BOOL GetTextExtentPoint32A(HDC dc, const char* text, int length, SIZE* out);
FANO_OS_API BOOL GetTextExtentPoint32W(HDC dc, const FANO_WCHAR* text, int length, SIZE* out);
FANO_OS_API BOOL GetTextExtentExPointA(HDC dc, const char* text, int length, int maxExtent, int* fit,
                                       int* dx, SIZE* out);
FANO_OS_API BOOL GetTextExtentExPointW(HDC dc, const FANO_WCHAR* text, int length, int maxExtent, int* fit,
                                       int* dx, SIZE* out);
FANO_OS_API BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* out);
FANO_OS_API BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* out);
// size 0 or out 0 asks for the size needed; returns 0 on error.
FANO_OS_API UINT GetOutlineTextMetricsA(HDC dc, UINT size, OUTLINETEXTMETRICA* out);
FANO_OS_API UINT GetOutlineTextMetricsW(HDC dc, UINT size, OUTLINETEXTMETRICW* out);
FANO_OS_API BOOL GetCharWidthA(HDC dc, UINT first, UINT last, int* out);
FANO_OS_API BOOL GetCharWidthW(HDC dc, UINT first, UINT last, int* out);
FANO_OS_API BOOL GetCharWidth32A(HDC dc, UINT first, UINT last, int* out);
FANO_OS_API BOOL GetCharWidth32W(HDC dc, UINT first, UINT last, int* out);
FANO_OS_API int GetTextFaceA(HDC dc, int size, char* out);
FANO_OS_API int GetTextFaceW(HDC dc, int size, FANO_WCHAR* out);

// DrawText: returns the height of the text (with DT_VCENTER or DT_BOTTOM the offset from the
// rectangle's top to the text's bottom), 0 on failure. DT_MODIFYSTRING is ignored: the caller's
// string is never written.
FANO_OS_API int DrawTextA(HDC dc, const char* text, int length, RECT* r, UINT format);
FANO_OS_API int DrawTextW(HDC dc, const FANO_WCHAR* text, int length, RECT* r, UINT format);
FANO_OS_API int DrawTextExA(HDC dc, const char* text, int length, RECT* r, UINT format, DRAWTEXTPARAMS* params);
FANO_OS_API int DrawTextExW(HDC dc, const FANO_WCHAR* text, int length, RECT* r, UINT format,
                            DRAWTEXTPARAMS* params);

// ---- system colours ---------------------------------------------------------------------------

FANO_OS_API DWORD GetSysColor(int index);
// Stock brushes of the system colours: never deleted, they follow SetSysColors.
FANO_OS_API HBRUSH GetSysColorBrush(int index);
FANO_OS_API BOOL SetSysColors(int count, const int* indexes, const COLORREF* colors);

// ---- extensions of the stand-in ---------------------------------------------------------------

// The test font (see the top of this header). FanoSetTestFont(TRUE) makes every font resolve to
// it until switched off; fonts already realised keep their engine until re-selected.
FANO_OS_API void FanoSetTestFont(BOOL on);
FANO_OS_API BOOL FanoTestFontActive(void);
// The file of the face a font resolves to (empty for the test font); for diagnostics.
FANO_OS_API int FanoGetFontFile(HFONT font, char* out, int size);

// Images. Loading recognises PNG, JPEG and BMP by their signatures; transparent PNG pixels are
// blended onto `background`. The result is a 32-bit colour bitmap (0 on any error).
FANO_OS_API HBITMAP FanoLoadImageMemory(const void* data, size_t size, COLORREF background);
FANO_OS_API HBITMAP FanoLoadImageFile(const char* path, COLORREF background);
#define FANO_IMAGE_PNG 1
#define FANO_IMAGE_JPEG 2
#define FANO_IMAGE_BMP 3
// Encodes a bitmap. Returns the encoded size; when it exceeds `capacity` (or out is 0) nothing is
// written and the caller asks again with a larger buffer. 0 on error. quality: JPEG 1..100.
FANO_OS_API size_t FanoEncodeImage(HBITMAP bitmap, int format, int quality, void* out, size_t capacity);
FANO_OS_API BOOL FanoSaveImageFile(HBITMAP bitmap, int format, int quality, const char* path);

// Recording: while a DC records, every drawing call made on it through this interface is logged
// with its arguments (logical coordinates as passed) and the DC state it drew with. Calls made
// inside another recorded call (the lines of a DrawEdge) are not logged separately.
typedef struct FANO_DRAW_RECORD {
  char call[32];        // "LineTo", "Rectangle", "ExtTextOut", "BitBlt", ...
  int argCount;         // number of integer arguments (FanoRecordArgs gives all of them)
  int64_t args[16];     // the first 16 of them
  char text[256];       // text argument, UTF-8, truncated (FanoRecordText gives all of it)
  COLORREF penColor;
  int penStyle;
  int penWidth;
  COLORREF brushColor;
  int brushStyle;
  COLORREF textColor;
  COLORREF bkColor;
  int bkMode;
  int rop2;
  char fontFace[LF_FACESIZE * 2];
  int fontHeight;
  int fontEscapement;
  int fontWeight;
} FANO_DRAW_RECORD;
FANO_OS_API BOOL FanoRecordStart(HDC dc);  // clears the log
FANO_OS_API BOOL FanoRecordStop(HDC dc);
FANO_OS_API int FanoRecordCount(HDC dc);
FANO_OS_API BOOL FanoRecordGet(HDC dc, int index, FANO_DRAW_RECORD* out);
FANO_OS_API int FanoRecordArgs(HDC dc, int index, int64_t* out, int max);
FANO_OS_API int FanoRecordText(HDC dc, int index, char* out, int size);
// "Name(arg, arg, ...)" plus ' "text"' when the call has text; returns the full length.
FANO_OS_API int FanoRecordFormat(HDC dc, int index, char* out, int size);
// A memory DC with its own colour bitmap of the given size (white), recording from the start.
// DeleteDC frees the bitmap with it.
FANO_OS_API HDC FanoCreateRecordingDC(int width, int height);

#ifdef __cplusplus
}
#endif
