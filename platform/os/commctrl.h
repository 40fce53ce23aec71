#pragma once
// The standard controls of the window system: the window classes "EDIT", "LISTBOX", "ComboLBox"
// (the list of a drop-down combo box), "COMBOBOX", "BUTTON", "SysTabControl32" and
// "SysMonthCal32", besides "ScrollBar" of winuser.h. They are registered with the window manager
// and answer the EM_, LB_, CB_, BM_, TCM_ and MCM_ messages of messages.h with the original's
// meaning; they tell their parent of changes through WM_COMMAND (EN_, LBN_, CBN_, BN_ codes) and
// WM_NOTIFY (TCN_, MCN_ codes), and ask it for colours (WM_CTLCOLOR...) and for owner drawing
// (WM_MEASUREITEM, WM_DRAWITEM).
//
// Text is UTF-8, as everywhere in this system. Character positions of the edit control (EM_GETSEL,
// EM_SETSEL, EM_LINEINDEX ...) are byte offsets into that text; a position never falls inside a
// character or between the CR and LF of a line break (such positions move back to the start of
// the character). Text limits (EM_LIMITTEXT) count what the text takes in code page 936, so that
// a limit holds the same texts as on the host. Line breaks are CR LF.
#include "platform/os/clock.h"
#include "platform/os/winuser.h"

#ifdef __cplusplus
extern "C" {
#endif

#define WC_EDIT "EDIT"
#define WC_LISTBOX "LISTBOX"
#define WC_COMBOLBOX "ComboLBox"
#define WC_COMBOBOX "COMBOBOX"
#define WC_BUTTON "BUTTON"
#define WC_SCROLLBAR "ScrollBar"
#define WC_TABCONTROL "SysTabControl32"
#define MONTHCAL_CLASS "SysMonthCal32"

// ---- owner drawing (list boxes, combo boxes, buttons, tab controls)
typedef struct DRAWITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND hwndItem;
  HDC hDC;
  RECT rcItem;
  uintptr_t itemData;
} DRAWITEMSTRUCT;
typedef struct MEASUREITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemWidth;
  UINT itemHeight;
  uintptr_t itemData;
} MEASUREITEMSTRUCT;
typedef struct DELETEITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  HWND hwndItem;
  uintptr_t itemData;
} DELETEITEMSTRUCT;
#define ODT_MENU 1
#define ODT_LISTBOX 2
#define ODT_COMBOBOX 3
#define ODT_BUTTON 4
#define ODT_STATIC 5
#define ODT_TAB 101
#define ODA_DRAWENTIRE 0x0001
#define ODA_SELECT 0x0002
#define ODA_FOCUS 0x0004
#define ODS_SELECTED 0x0001
#define ODS_GRAYED 0x0002
#define ODS_DISABLED 0x0004
#define ODS_CHECKED 0x0008
#define ODS_FOCUS 0x0010
#define ODS_DEFAULT 0x0020
#define ODS_COMBOBOXEDIT 0x1000
#define ODS_HOTLIGHT 0x0040
#define ODS_INACTIVE 0x0080
#define ODS_NOACCEL 0x0100
#define ODS_NOFOCUSRECT 0x0200

// ---- edit control
// WM_SETTEXT fails (answers FALSE and sends EN_ERRSPACE) for a text longer than this many bytes:
// the storage of one edit control. EM_LIMITTEXT limits only what the user enters.
#define FANO_EDIT_CAPACITY (16 * 1024 * 1024)
// The limit of a new edit control, and of EM_LIMITTEXT with 0.
#define FANO_EDIT_DEFAULT_LIMIT 30000
#define FANO_EDIT_MAX_LIMIT 0x7FFFFFFE

// ---- combo box
typedef struct COMBOBOXINFO {
  DWORD cbSize;
  RECT rcItem;    // the selection field or edit (client coordinates of the combo box)
  RECT rcButton;  // the drop-down button
  DWORD stateButton;
  HWND hwndCombo;
  HWND hwndItem;  // the edit child (simple and drop-down styles), else the combo box itself
  HWND hwndList;  // the list
} COMBOBOXINFO;
#define STATE_SYSTEM_PRESSED 0x00000008
#define STATE_SYSTEM_INVISIBLE 0x00008000
// The number of items a dropped list shows at most (before it scrolls).
#define CB_SETMINVISIBLE 0x1701
#define CB_GETMINVISIBLE 0x1702
// Child identifiers of the combo box's parts.
#define FANO_COMBO_EDIT_ID 1001
#define FANO_COMBO_LIST_ID 1000

// ---- tab control
typedef struct TCITEMA {
  UINT mask;
  DWORD dwState;
  DWORD dwStateMask;
  char* pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
} TCITEMA;
typedef TCITEMA TCITEM;
typedef struct TCHITTESTINFO {
  POINT pt;
  UINT flags;
} TCHITTESTINFO;
// Tab size of TCM_SETITEMSIZE / padding of TCM_SETPADDING: LOWORD width, HIWORD height.

// ---- month calendar
typedef struct MCHITTESTINFO {
  UINT cbSize;
  POINT pt;
  UINT uHit;       // MCHT_ value
  SYSTEMTIME st;   // the date hit (MCHT_CALENDARDATE...)
} MCHITTESTINFO;
typedef struct NMSELCHANGE {
  NMHDR nmhdr;
  SYSTEMTIME stSelStart;
  SYSTEMTIME stSelEnd;
} NMSELCHANGE;
typedef NMSELCHANGE NMSELECT;
#define GMR_VISIBLE 0
#define GMR_DAYSTATE 1
#define GDTR_MIN 0x0001
#define GDTR_MAX 0x0002

#ifdef __cplusplus
}
#endif
