#pragma once
// Visual themes. Off by default (the classic look); FanoSetThemesActive switches them on, and then
// the themed parts below are drawn by a simple flat theme of our own. OpenThemeData answers 0
// while themes are off, as the original does when visual styles are disabled.
#include "platform/os/wingdi.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef LONG HRESULT;
#define S_OK ((HRESULT)0)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define E_HANDLE ((HRESULT)0x80070006L)
#define E_NOTIMPL ((HRESULT)0x80004001L)

typedef enum THEMESIZE { TS_MIN = 0, TS_TRUE = 1, TS_DRAW = 2 } THEMESIZE;

// Classes (case-insensitive; a ';' separated list takes the first one known): "BUTTON",
// "COMBOBOX", "SCROLLBAR", "TOOLBAR", "HEADER", "EDIT", "TAB", "TREEVIEW".
#define BP_PUSHBUTTON 1
#define BP_RADIOBUTTON 2
#define BP_CHECKBOX 3
#define BP_GROUPBOX 4
#define PBS_NORMAL 1
#define PBS_HOT 2
#define PBS_PRESSED 3
#define PBS_DISABLED 4
#define PBS_DEFAULTED 5
#define RBS_UNCHECKEDNORMAL 1
#define RBS_UNCHECKEDHOT 2
#define RBS_UNCHECKEDPRESSED 3
#define RBS_UNCHECKEDDISABLED 4
#define RBS_CHECKEDNORMAL 5
#define RBS_CHECKEDHOT 6
#define RBS_CHECKEDPRESSED 7
#define RBS_CHECKEDDISABLED 8
#define CBS_UNCHECKEDNORMAL 1
#define CBS_UNCHECKEDHOT 2
#define CBS_UNCHECKEDPRESSED 3
#define CBS_UNCHECKEDDISABLED 4
#define CBS_CHECKEDNORMAL 5
#define CBS_CHECKEDHOT 6
#define CBS_CHECKEDPRESSED 7
#define CBS_CHECKEDDISABLED 8
#define CBS_MIXEDNORMAL 9
#define CBS_MIXEDHOT 10
#define CBS_MIXEDPRESSED 11
#define CBS_MIXEDDISABLED 12
#define CP_DROPDOWNBUTTON 1
#define CBXS_NORMAL 1
#define CBXS_HOT 2
#define CBXS_PRESSED 3
#define CBXS_DISABLED 4
#define SBP_ARROWBTN 1
#define SBP_THUMBBTNHORZ 2
#define SBP_THUMBBTNVERT 3
#define SBP_LOWERTRACKHORZ 4
#define SBP_UPPERTRACKHORZ 5
#define SBP_LOWERTRACKVERT 6
#define SBP_UPPERTRACKVERT 7
#define SBP_SIZEBOX 10
#define ABS_UPNORMAL 1
#define ABS_UPHOT 2
#define ABS_UPPRESSED 3
#define ABS_UPDISABLED 4
#define ABS_DOWNNORMAL 5
#define ABS_DOWNHOT 6
#define ABS_DOWNPRESSED 7
#define ABS_DOWNDISABLED 8
#define ABS_LEFTNORMAL 9
#define ABS_LEFTHOT 10
#define ABS_LEFTPRESSED 11
#define ABS_LEFTDISABLED 12
#define ABS_RIGHTNORMAL 13
#define ABS_RIGHTHOT 14
#define ABS_RIGHTPRESSED 15
#define ABS_RIGHTDISABLED 16
#define SCRBS_NORMAL 1
#define SCRBS_HOT 2
#define SCRBS_PRESSED 3
#define SCRBS_DISABLED 4
#define TP_BUTTON 1
#define TS_NORMAL 1
#define TS_HOT 2
#define TS_PRESSED 3
#define TS_DISABLED 4
#define TS_CHECKED 5
#define TS_HOTCHECKED 6
#define HP_HEADERITEM 1
#define HIS_NORMAL 1
#define HIS_HOT 2
#define HIS_PRESSED 3
#define EP_EDITTEXT 1
#define ETS_NORMAL 1
#define ETS_HOT 2
#define ETS_SELECTED 3
#define ETS_DISABLED 4
#define ETS_FOCUSED 5
#define ETS_READONLY 6
#define TABP_TABITEM 1
#define TABP_PANE 9
#define TIS_NORMAL 1
#define TIS_HOT 2
#define TIS_SELECTED 3
#define TIS_DISABLED 4
#define TIS_FOCUSED 5
#define TVP_GLYPH 2
#define GLPS_CLOSED 1
#define GLPS_OPENED 2

// Colour properties for GetThemeColor.
#define TMT_BORDERCOLOR 3801
#define TMT_FILLCOLOR 3802
#define TMT_TEXTCOLOR 3803

FANO_OS_API BOOL IsThemeActive(void);
FANO_OS_API BOOL IsAppThemed(void);
FANO_OS_API void FanoSetThemesActive(BOOL on);

FANO_OS_API HTHEME OpenThemeData(HWND wnd, const FANO_WCHAR* classList);
FANO_OS_API HRESULT CloseThemeData(HTHEME theme);
FANO_OS_API HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* r, const RECT* clip);
FANO_OS_API HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int part, int state, const RECT* r, UINT edge, UINT flags,
                                  RECT* content);
FANO_OS_API HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const FANO_WCHAR* text, int length,
                                  DWORD flags, DWORD flags2, const RECT* r);
FANO_OS_API HRESULT GetThemePartSize(HTHEME theme, HDC dc, int part, int state, const RECT* r, THEMESIZE size,
                                     SIZE* out);
FANO_OS_API HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state, const RECT* bounds,
                                                  RECT* content);
FANO_OS_API BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state);
FANO_OS_API BOOL IsThemePartDefined(HTHEME theme, int part, int state);
FANO_OS_API HRESULT GetThemeColor(HTHEME theme, int part, int state, int prop, COLORREF* out);

#ifdef __cplusplus
}
#endif
