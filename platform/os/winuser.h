#pragma once
// The window manager of the OS stand-in: windows and their classes, messages and the message loop,
// timers, input (focus, activation, capture, keyboard, mouse, cursors, caret), scroll bars,
// invalidation and painting, the clipboard with global memory blocks, system metrics and colours,
// monitors, and dynamic libraries. Texts are UTF-8 (this system's 8-bit code page); code page 936
// appears only in the CF_TEXT clipboard format.
#include "platform/os/messages.h"
#include "platform/os/wingdi.h"
#include "platform/os/wintypes.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void (*TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);
typedef void* FARPROC;

#define MAKEINTRESOURCE(i) ((const char*)(uintptr_t)(WORD)(i))
#define IS_INTRESOURCE(p) ((((uintptr_t)(p)) >> 16) == 0)

// ---- window styles
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_TILED WS_OVERLAPPED
#define WS_ICONIC WS_MINIMIZE
#define WS_SIZEBOX WS_THICKFRAME
#define WS_CHILDWINDOW WS_CHILD
#define WS_OVERLAPPEDWINDOW (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_POPUPWINDOW (WS_POPUP | WS_BORDER | WS_SYSMENU)
#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_NOPARENTNOTIFY 0x00000004L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_ACCEPTFILES 0x00000010L
#define WS_EX_TRANSPARENT 0x00000020L
#define WS_EX_MDICHILD 0x00000040L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_CONTEXTHELP 0x00000400L
#define WS_EX_RIGHT 0x00001000L
#define WS_EX_LEFT 0x00000000L
#define WS_EX_RTLREADING 0x00002000L
#define WS_EX_LTRREADING 0x00000000L
#define WS_EX_LEFTSCROLLBAR 0x00004000L
#define WS_EX_RIGHTSCROLLBAR 0x00000000L
#define WS_EX_CONTROLPARENT 0x00010000L
#define WS_EX_STATICEDGE 0x00020000L
#define WS_EX_APPWINDOW 0x00040000L
#define WS_EX_OVERLAPPEDWINDOW (WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE)
#define WS_EX_PALETTEWINDOW (WS_EX_WINDOWEDGE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST)
#define WS_EX_LAYERED 0x00080000L
#define WS_EX_NOINHERITLAYOUT 0x00100000L
#define WS_EX_LAYOUTRTL 0x00400000L
#define WS_EX_COMPOSITED 0x02000000L
#define WS_EX_NOACTIVATE 0x08000000L

// ---- class styles
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020
#define CS_CLASSDC 0x0040
#define CS_PARENTDC 0x0080
#define CS_NOCLOSE 0x0200
#define CS_SAVEBITS 0x0800
#define CS_BYTEALIGNCLIENT 0x1000
#define CS_BYTEALIGNWINDOW 0x2000
#define CS_GLOBALCLASS 0x4000
#define CS_DROPSHADOW 0x00020000

#define CW_USEDEFAULT ((int)0x80000000)

// ---- structures
typedef struct WNDCLASSEX {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;  // a brush, or (HBRUSH)(COLOR_x + 1)
  const char* lpszMenuName;
  const char* lpszClassName;
  HICON hIconSm;
} WNDCLASSEX;

typedef struct WNDCLASS {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  const char* lpszMenuName;
  const char* lpszClassName;
} WNDCLASS;

typedef struct CREATESTRUCT {
  void* lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  const char* lpszName;
  const char* lpszClass;
  DWORD dwExStyle;
} CREATESTRUCT;

typedef struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG;

typedef struct WINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x;
  int y;
  int cx;
  int cy;
  UINT flags;
} WINDOWPOS;

typedef struct NCCALCSIZE_PARAMS {
  RECT rgrc[3];
  WINDOWPOS* lppos;
} NCCALCSIZE_PARAMS;

typedef struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
} MINMAXINFO;

typedef struct STYLESTRUCT {
  DWORD styleOld;
  DWORD styleNew;
} STYLESTRUCT;

typedef struct WINDOWPLACEMENT {
  UINT length;
  UINT flags;
  UINT showCmd;
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;
} WINDOWPLACEMENT;

typedef struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
} PAINTSTRUCT;

typedef struct SCROLLINFO {
  UINT cbSize;
  UINT fMask;
  int nMin;
  int nMax;
  UINT nPage;
  int nPos;
  int nTrackPos;
} SCROLLINFO;

typedef struct TRACKMOUSEEVENT {
  DWORD cbSize;
  DWORD dwFlags;
  HWND hwndTrack;
  DWORD dwHoverTime;
} TRACKMOUSEEVENT;

typedef struct MONITORINFO {
  DWORD cbSize;
  RECT rcMonitor;
  RECT rcWork;
  DWORD dwFlags;
} MONITORINFO;

typedef struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
} NMHDR;

typedef struct COPYDATASTRUCT {
  uintptr_t dwData;
  DWORD cbData;
  void* lpData;
} COPYDATASTRUCT;

// ---- windows and classes
FANO_OS_API WORD RegisterClassEx(const WNDCLASSEX* wc);
FANO_OS_API WORD RegisterClass(const WNDCLASS* wc);
FANO_OS_API BOOL UnregisterClass(const char* className, HINSTANCE instance);
FANO_OS_API BOOL GetClassInfoEx(HINSTANCE instance, const char* className, WNDCLASSEX* out);
FANO_OS_API BOOL GetClassInfo(HINSTANCE instance, const char* className, WNDCLASS* out);
FANO_OS_API int GetClassName(HWND wnd, char* buffer, int size);
FANO_OS_API HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x,
                                int y, int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance,
                                void* param);
#define CreateWindow(c, n, s, x, y, w, h, p, m, i, a) CreateWindowEx(0, c, n, s, x, y, w, h, p, m, i, a)
FANO_OS_API BOOL DestroyWindow(HWND wnd);
FANO_OS_API BOOL IsWindow(HWND wnd);
FANO_OS_API LRESULT DefWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
FANO_OS_API LRESULT CallWindowProc(WNDPROC proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

#define GWL_WNDPROC (-4)
#define GWL_HINSTANCE (-6)
#define GWL_HWNDPARENT (-8)
#define GWL_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_USERDATA (-21)
#define GWLP_WNDPROC GWL_WNDPROC
#define GWLP_HINSTANCE GWL_HINSTANCE
#define GWLP_HWNDPARENT GWL_HWNDPARENT
#define GWLP_ID GWL_ID
#define GWLP_USERDATA GWL_USERDATA
#define GCLP_MENUNAME (-8)
#define GCLP_HBRBACKGROUND (-10)
#define GCLP_HCURSOR (-12)
#define GCLP_HICON (-14)
#define GCLP_HMODULE (-16)
#define GCL_CBWNDEXTRA (-18)
#define GCL_CBCLSEXTRA (-20)
#define GCLP_WNDPROC (-24)
#define GCL_STYLE (-26)
#define GCLP_HICONSM (-34)
// Index >= 0 reads or writes the window's (class's) extra bytes, pointer-sized at that offset.
FANO_OS_API LONG_PTR GetWindowLongPtr(HWND wnd, int index);
FANO_OS_API LONG_PTR SetWindowLongPtr(HWND wnd, int index, LONG_PTR value);
FANO_OS_API LONG GetWindowLong(HWND wnd, int index);
FANO_OS_API LONG SetWindowLong(HWND wnd, int index, LONG value);
FANO_OS_API uintptr_t GetClassLongPtr(HWND wnd, int index);
FANO_OS_API uintptr_t SetClassLongPtr(HWND wnd, int index, LONG_PTR value);
FANO_OS_API BOOL SetProp(HWND wnd, const char* name, HANDLE data);
FANO_OS_API HANDLE GetProp(HWND wnd, const char* name);
FANO_OS_API HANDLE RemoveProp(HWND wnd, const char* name);

FANO_OS_API BOOL SetWindowText(HWND wnd, const char* text);
FANO_OS_API int GetWindowText(HWND wnd, char* buffer, int size);
FANO_OS_API int GetWindowTextLength(HWND wnd);

// ---- rectangles (right and bottom edges are outside, as everywhere)
FANO_OS_API BOOL SetRect(RECT* r, int left, int top, int right, int bottom);
FANO_OS_API BOOL SetRectEmpty(RECT* r);
FANO_OS_API BOOL CopyRect(RECT* dst, const RECT* src);
FANO_OS_API BOOL InflateRect(RECT* r, int dx, int dy);
FANO_OS_API BOOL OffsetRect(RECT* r, int dx, int dy);
FANO_OS_API BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b);  // FALSE and empty when apart
FANO_OS_API BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b);      // empty rectangles are ignored
FANO_OS_API BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b);   // only when b cuts a whole side
FANO_OS_API BOOL PtInRect(const RECT* r, POINT pt);
FANO_OS_API BOOL IsRectEmpty(const RECT* r);
FANO_OS_API BOOL EqualRect(const RECT* a, const RECT* b);

// ---- relations
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5
#define GW_ENABLEDPOPUP 6
#define GA_PARENT 1
#define GA_ROOT 2
#define GA_ROOTOWNER 3
FANO_OS_API HWND GetDesktopWindow(void);
FANO_OS_API HWND GetParent(HWND wnd);  // the parent of a child, the owner of a top-level window
FANO_OS_API HWND SetParent(HWND wnd, HWND newParent);
FANO_OS_API HWND GetAncestor(HWND wnd, UINT flags);
FANO_OS_API HWND GetWindow(HWND wnd, UINT cmd);
FANO_OS_API HWND GetTopWindow(HWND wnd);
FANO_OS_API BOOL IsChild(HWND parent, HWND wnd);
FANO_OS_API int GetDlgCtrlID(HWND wnd);
FANO_OS_API HWND GetDlgItem(HWND dialog, int id);
typedef BOOL (*WNDENUMPROC)(HWND, LPARAM);
FANO_OS_API BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param);
FANO_OS_API BOOL EnumWindows(WNDENUMPROC proc, LPARAM param);
FANO_OS_API BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM param);
FANO_OS_API HWND FindWindow(const char* className, const char* windowName);
FANO_OS_API DWORD GetWindowThreadProcessId(HWND wnd, DWORD* processId);
FANO_OS_API DWORD GetCurrentThreadId(void);

// ---- position, size, showing
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)-1)
#define HWND_NOTOPMOST ((HWND)-2)
#define HWND_MESSAGE ((HWND)-3)
#define HWND_BROADCAST ((HWND)0xffff)
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_DRAWFRAME SWP_FRAMECHANGED
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define SWP_NOCOPYBITS 0x0100
#define SWP_NOOWNERZORDER 0x0200
#define SWP_NOREPOSITION SWP_NOOWNERZORDER
#define SWP_NOSENDCHANGING 0x0400
#define SWP_DEFERERASE 0x2000
#define SWP_ASYNCWINDOWPOS 0x4000
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_MAXIMIZE 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10
#define SW_FORCEMINIMIZE 11
#define WPF_SETMINPOSITION 0x0001
#define WPF_RESTORETOMAXIMIZED 0x0002
FANO_OS_API BOOL SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
FANO_OS_API BOOL MoveWindow(HWND wnd, int x, int y, int width, int height, BOOL repaint);
FANO_OS_API BOOL BringWindowToTop(HWND wnd);
FANO_OS_API BOOL ShowWindow(HWND wnd, int cmd);
FANO_OS_API BOOL IsWindowVisible(HWND wnd);
FANO_OS_API BOOL IsIconic(HWND wnd);
FANO_OS_API BOOL IsZoomed(HWND wnd);
FANO_OS_API BOOL GetWindowPlacement(HWND wnd, WINDOWPLACEMENT* placement);
FANO_OS_API BOOL SetWindowPlacement(HWND wnd, const WINDOWPLACEMENT* placement);
FANO_OS_API BOOL GetWindowRect(HWND wnd, RECT* rect);   // screen coordinates
FANO_OS_API BOOL GetClientRect(HWND wnd, RECT* rect);   // (0, 0, width, height)
FANO_OS_API BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);
FANO_OS_API BOOL ClientToScreen(HWND wnd, POINT* pt);
FANO_OS_API BOOL ScreenToClient(HWND wnd, POINT* pt);
FANO_OS_API int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
#define CWP_ALL 0x0000
#define CWP_SKIPINVISIBLE 0x0001
#define CWP_SKIPDISABLED 0x0002
#define CWP_SKIPTRANSPARENT 0x0004
// Disabled windows are found too; hidden ones and those that answer HTTRANSPARENT are not.
FANO_OS_API HWND WindowFromPoint(POINT pt);
FANO_OS_API HWND ChildWindowFromPoint(HWND parent, POINT pt);  // pt in the parent's client coordinates
FANO_OS_API HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags);
FANO_OS_API HWND RealChildWindowFromPoint(HWND parent, POINT pt);
// The window takes ownership of the region (it is deleted when replaced or when the window goes).
FANO_OS_API int SetWindowRgn(HWND wnd, HRGN rgn, BOOL redraw);
FANO_OS_API int GetWindowRgn(HWND wnd, HRGN rgn);

// ---- messages
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002
#define QS_KEY 0x0001
#define QS_MOUSEMOVE 0x0002
#define QS_MOUSEBUTTON 0x0004
#define QS_POSTMESSAGE 0x0008
#define QS_TIMER 0x0010
#define QS_PAINT 0x0020
#define QS_SENDMESSAGE 0x0040
#define QS_MOUSE (QS_MOUSEMOVE | QS_MOUSEBUTTON)
#define QS_INPUT (QS_MOUSE | QS_KEY)
#define QS_ALLEVENTS (QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT)
#define QS_ALLINPUT (QS_ALLEVENTS | QS_SENDMESSAGE)
FANO_OS_API LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
FANO_OS_API BOOL PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
FANO_OS_API BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
FANO_OS_API BOOL GetMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax);
FANO_OS_API BOOL PeekMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax, UINT removeFlags);
FANO_OS_API BOOL WaitMessage(void);
FANO_OS_API LRESULT DispatchMessage(const MSG* msg);
FANO_OS_API BOOL TranslateMessage(const MSG* msg);
FANO_OS_API void PostQuitMessage(int exitCode);
FANO_OS_API LONG GetMessageTime(void);
FANO_OS_API DWORD GetMessagePos(void);
FANO_OS_API DWORD GetQueueStatus(UINT flags);
FANO_OS_API BOOL GetInputState(void);
FANO_OS_API BOOL InSendMessage(void);
FANO_OS_API UINT RegisterWindowMessage(const char* name);

// ---- timers
#define USER_TIMER_MINIMUM 0x0000000A
#define USER_TIMER_MAXIMUM 0x7FFFFFFF
FANO_OS_API UINT_PTR SetTimer(HWND wnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
FANO_OS_API BOOL KillTimer(HWND wnd, UINT_PTR id);
FANO_OS_API UINT GetDoubleClickTime(void);
FANO_OS_API BOOL SetDoubleClickTime(UINT ms);

// ---- focus, activation, capture, enabling
FANO_OS_API HWND SetFocus(HWND wnd);
FANO_OS_API HWND GetFocus(void);
FANO_OS_API HWND SetActiveWindow(HWND wnd);
FANO_OS_API HWND GetActiveWindow(void);
FANO_OS_API HWND GetForegroundWindow(void);
FANO_OS_API BOOL SetForegroundWindow(HWND wnd);
FANO_OS_API HWND SetCapture(HWND wnd);
FANO_OS_API BOOL ReleaseCapture(void);
FANO_OS_API HWND GetCapture(void);
FANO_OS_API BOOL EnableWindow(HWND wnd, BOOL enable);  // answers whether it was disabled before
FANO_OS_API BOOL IsWindowEnabled(HWND wnd);

// ---- keyboard
#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_CANCEL 0x03
#define VK_MBUTTON 0x04
#define VK_XBUTTON1 0x05
#define VK_XBUTTON2 0x06
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_CLEAR 0x0C
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_KANA 0x15
#define VK_JUNJA 0x17
#define VK_FINAL 0x18
#define VK_HANJA 0x19
#define VK_ESCAPE 0x1B
#define VK_CONVERT 0x1C
#define VK_NONCONVERT 0x1D
#define VK_ACCEPT 0x1E
#define VK_MODECHANGE 0x1F
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_SELECT 0x29
#define VK_PRINT 0x2A
#define VK_EXECUTE 0x2B
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_HELP 0x2F
#define VK_LWIN 0x5B
#define VK_RWIN 0x5C
#define VK_APPS 0x5D
#define VK_SLEEP 0x5F
#define VK_NUMPAD0 0x60
#define VK_NUMPAD1 0x61
#define VK_NUMPAD2 0x62
#define VK_NUMPAD3 0x63
#define VK_NUMPAD4 0x64
#define VK_NUMPAD5 0x65
#define VK_NUMPAD6 0x66
#define VK_NUMPAD7 0x67
#define VK_NUMPAD8 0x68
#define VK_NUMPAD9 0x69
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SEPARATOR 0x6C
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_F13 0x7C
#define VK_F14 0x7D
#define VK_F15 0x7E
#define VK_F16 0x7F
#define VK_F17 0x80
#define VK_F18 0x81
#define VK_F19 0x82
#define VK_F20 0x83
#define VK_F21 0x84
#define VK_F22 0x85
#define VK_F23 0x86
#define VK_F24 0x87
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE
#define VK_OEM_102 0xE2
#define VK_PROCESSKEY 0xE5
// Key state: bit 15 (0x8000 as a SHORT, negative) down, bit 0 toggled. GetKeyState reflects the
// messages taken from the queue so far; GetAsyncKeyState the input as it arrives.
FANO_OS_API int16_t GetKeyState(int vk);
FANO_OS_API int16_t GetAsyncKeyState(int vk);
FANO_OS_API BOOL GetKeyboardState(BYTE* keys256);
FANO_OS_API BOOL SetKeyboardState(const BYTE* keys256);
FANO_OS_API UINT MapVirtualKey(UINT code, UINT mapType);

// ---- mouse tracking, cursors
#define TME_HOVER 0x00000001
#define TME_LEAVE 0x00000002
#define TME_NONCLIENT 0x00000010
#define TME_QUERY 0x40000000
#define TME_CANCEL 0x80000000
#define HOVER_DEFAULT 0xFFFFFFFF
FANO_OS_API BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme);
#define IDC_ARROW MAKEINTRESOURCE(32512)
#define IDC_IBEAM MAKEINTRESOURCE(32513)
#define IDC_WAIT MAKEINTRESOURCE(32514)
#define IDC_CROSS MAKEINTRESOURCE(32515)
#define IDC_UPARROW MAKEINTRESOURCE(32516)
#define IDC_SIZE MAKEINTRESOURCE(32640)
#define IDC_ICON MAKEINTRESOURCE(32641)
#define IDC_SIZENWSE MAKEINTRESOURCE(32642)
#define IDC_SIZENESW MAKEINTRESOURCE(32643)
#define IDC_SIZEWE MAKEINTRESOURCE(32644)
#define IDC_SIZENS MAKEINTRESOURCE(32645)
#define IDC_SIZEALL MAKEINTRESOURCE(32646)
#define IDC_NO MAKEINTRESOURCE(32648)
#define IDC_HAND MAKEINTRESOURCE(32649)
#define IDC_APPSTARTING MAKEINTRESOURCE(32650)
#define IDC_HELP MAKEINTRESOURCE(32651)
// Standard cursors for instance 0 and the names above; other names are not found (0).
FANO_OS_API HCURSOR LoadCursor(HINSTANCE instance, const char* name);
// A cursor from two 1-bit planes (AND and XOR, rows padded to 16 bits), as the original.
FANO_OS_API HCURSOR CreateCursor(HINSTANCE instance, int hotX, int hotY, int width, int height, const void* andPlane,
                                 const void* xorPlane);
// A cursor from 32-bit pixels (0xAARRGGBB, alpha 0 transparent), width * height of them.
FANO_OS_API HCURSOR CreateCursorFromPixels(int hotX, int hotY, int width, int height, const uint32_t* argb);
FANO_OS_API BOOL DestroyCursor(HCURSOR cursor);
FANO_OS_API HCURSOR SetCursor(HCURSOR cursor);
FANO_OS_API HCURSOR GetCursor(void);
FANO_OS_API int ShowCursor(BOOL show);
FANO_OS_API BOOL GetCursorPos(POINT* pt);
FANO_OS_API BOOL SetCursorPos(int x, int y);
FANO_OS_API BOOL ClipCursor(const RECT* rect);
// Rings the display's bell (the X server's; the headless display stays silent).
FANO_OS_API BOOL MessageBeep(UINT type);

// ---- caret
FANO_OS_API BOOL CreateCaret(HWND wnd, HBITMAP bitmap, int width, int height);
FANO_OS_API BOOL DestroyCaret(void);
FANO_OS_API BOOL ShowCaret(HWND wnd);
FANO_OS_API BOOL HideCaret(HWND wnd);
FANO_OS_API BOOL SetCaretPos(int x, int y);
FANO_OS_API BOOL GetCaretPos(POINT* pt);
FANO_OS_API UINT GetCaretBlinkTime(void);
FANO_OS_API BOOL SetCaretBlinkTime(UINT ms);

// ---- scroll bars
#define SIF_RANGE 0x0001
#define SIF_PAGE 0x0002
#define SIF_POS 0x0004
#define SIF_DISABLENOSCROLL 0x0008
#define SIF_TRACKPOS 0x0010
#define SIF_ALL (SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS)
#define ESB_ENABLE_BOTH 0x0000
#define ESB_DISABLE_BOTH 0x0003
#define ESB_DISABLE_LEFT 0x0001
#define ESB_DISABLE_RIGHT 0x0002
#define ESB_DISABLE_UP 0x0001
#define ESB_DISABLE_DOWN 0x0002
#define ESB_DISABLE_LTUP ESB_DISABLE_LEFT
#define ESB_DISABLE_RTDN ESB_DISABLE_RIGHT
FANO_OS_API int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO* info, BOOL redraw);
FANO_OS_API BOOL GetScrollInfo(HWND wnd, int bar, SCROLLINFO* info);
FANO_OS_API int SetScrollPos(HWND wnd, int bar, int pos, BOOL redraw);
FANO_OS_API int GetScrollPos(HWND wnd, int bar);
FANO_OS_API BOOL SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, BOOL redraw);
FANO_OS_API BOOL GetScrollRange(HWND wnd, int bar, int* minPos, int* maxPos);
FANO_OS_API BOOL ShowScrollBar(HWND wnd, int bar, BOOL show);
FANO_OS_API BOOL EnableScrollBar(HWND wnd, UINT bar, UINT arrows);

// ---- invalidation and painting
#define RDW_INVALIDATE 0x0001
#define RDW_INTERNALPAINT 0x0002
#define RDW_ERASE 0x0004
#define RDW_VALIDATE 0x0008
#define RDW_NOINTERNALPAINT 0x0010
#define RDW_NOERASE 0x0020
#define RDW_NOCHILDREN 0x0040
#define RDW_ALLCHILDREN 0x0080
#define RDW_UPDATENOW 0x0100
#define RDW_ERASENOW 0x0200
#define RDW_FRAME 0x0400
#define RDW_NOFRAME 0x0800
#define SW_SCROLLCHILDREN 0x0001
#define SW_INVALIDATE 0x0002
#define SW_ERASE 0x0004
#define SW_SMOOTHSCROLL 0x0010
#define DCX_WINDOW 0x00000001L
#define DCX_CACHE 0x00000002L
#define DCX_NORESETATTRS 0x00000004L
#define DCX_CLIPCHILDREN 0x00000008L
#define DCX_CLIPSIBLINGS 0x00000010L
#define DCX_PARENTCLIP 0x00000020L
#define DCX_EXCLUDERGN 0x00000040L
#define DCX_INTERSECTRGN 0x00000080L
#define DCX_EXCLUDEUPDATE 0x00000100L
#define DCX_INTERSECTUPDATE 0x00000200L
#define DCX_LOCKWINDOWUPDATE 0x00000400L
#define DCX_VALIDATE 0x00200000L
FANO_OS_API BOOL InvalidateRect(HWND wnd, const RECT* rect, BOOL erase);
FANO_OS_API BOOL InvalidateRgn(HWND wnd, HRGN rgn, BOOL erase);
FANO_OS_API BOOL ValidateRect(HWND wnd, const RECT* rect);
FANO_OS_API BOOL ValidateRgn(HWND wnd, HRGN rgn);
FANO_OS_API BOOL UpdateWindow(HWND wnd);
FANO_OS_API BOOL RedrawWindow(HWND wnd, const RECT* rect, HRGN rgn, UINT flags);
FANO_OS_API BOOL GetUpdateRect(HWND wnd, RECT* rect, BOOL erase);
FANO_OS_API int GetUpdateRgn(HWND wnd, HRGN rgn, BOOL erase);
FANO_OS_API BOOL LockWindowUpdate(HWND wnd);
FANO_OS_API HDC BeginPaint(HWND wnd, PAINTSTRUCT* ps);
FANO_OS_API BOOL EndPaint(HWND wnd, const PAINTSTRUCT* ps);
FANO_OS_API int ScrollWindowEx(HWND wnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update,
                               RECT* updateRect, UINT flags);
FANO_OS_API BOOL ScrollWindow(HWND wnd, int dx, int dy, const RECT* scroll, const RECT* clip);
FANO_OS_API BOOL ScrollDC(HDC dc, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* updateRect);
FANO_OS_API HDC GetDC(HWND wnd);  // 0: the screen
FANO_OS_API HDC GetDCEx(HWND wnd, HRGN clip, DWORD flags);
FANO_OS_API HDC GetWindowDC(HWND wnd);
FANO_OS_API int ReleaseDC(HWND wnd, HDC dc);

// ---- clipboard and global memory
#define CF_TEXT 1
#define CF_BITMAP 2
#define CF_METAFILEPICT 3
#define CF_SYLK 4
#define CF_DIF 5
#define CF_TIFF 6
#define CF_OEMTEXT 7
#define CF_DIB 8
#define CF_PALETTE 9
#define CF_PENDATA 10
#define CF_RIFF 11
#define CF_WAVE 12
#define CF_UNICODETEXT 13
#define CF_ENHMETAFILE 14
#define CF_HDROP 15
#define CF_LOCALE 16
#define CF_DIBV5 17
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GMEM_DDESHARE 0x2000
#define GMEM_SHARE 0x2000
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
FANO_OS_API HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
FANO_OS_API HGLOBAL GlobalReAlloc(HGLOBAL mem, size_t bytes, UINT flags);
FANO_OS_API void* GlobalLock(HGLOBAL mem);
FANO_OS_API BOOL GlobalUnlock(HGLOBAL mem);
FANO_OS_API size_t GlobalSize(HGLOBAL mem);
FANO_OS_API HGLOBAL GlobalFree(HGLOBAL mem);  // 0 on success, the handle on failure
FANO_OS_API BOOL OpenClipboard(HWND owner);
FANO_OS_API BOOL CloseClipboard(void);
FANO_OS_API BOOL EmptyClipboard(void);
FANO_OS_API HANDLE SetClipboardData(UINT format, HANDLE mem);
FANO_OS_API HANDLE GetClipboardData(UINT format);
FANO_OS_API BOOL IsClipboardFormatAvailable(UINT format);
FANO_OS_API UINT EnumClipboardFormats(UINT format);
FANO_OS_API int CountClipboardFormats(void);
FANO_OS_API UINT RegisterClipboardFormat(const char* name);
FANO_OS_API int GetClipboardFormatName(UINT format, char* buffer, int size);
FANO_OS_API HWND GetClipboardOwner(void);
FANO_OS_API HWND GetOpenClipboardWindow(void);
FANO_OS_API DWORD GetClipboardSequenceNumber(void);

// ---- system metrics, parameters, colours, monitors, themes
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXVSCROLL 2
#define SM_CYHSCROLL 3
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CXFIXEDFRAME 7
#define SM_CYDLGFRAME 8
#define SM_CYFIXEDFRAME 8
#define SM_CYVTHUMB 9
#define SM_CXHTHUMB 10
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXCURSOR 13
#define SM_CYCURSOR 14
#define SM_CYMENU 15
#define SM_CXFULLSCREEN 16
#define SM_CYFULLSCREEN 17
#define SM_CYKANJIWINDOW 18
#define SM_MOUSEPRESENT 19
#define SM_CYVSCROLL 20
#define SM_CXHSCROLL 21
#define SM_DEBUG 22
#define SM_SWAPBUTTON 23
#define SM_CXMIN 28
#define SM_CYMIN 29
#define SM_CXSIZE 30
#define SM_CYSIZE 31
#define SM_CXFRAME 32
#define SM_CXSIZEFRAME 32
#define SM_CYFRAME 33
#define SM_CYSIZEFRAME 33
#define SM_CXMINTRACK 34
#define SM_CYMINTRACK 35
#define SM_CXDOUBLECLK 36
#define SM_CYDOUBLECLK 37
#define SM_CXICONSPACING 38
#define SM_CYICONSPACING 39
#define SM_MENUDROPALIGNMENT 40
#define SM_DBCSENABLED 42
#define SM_CMOUSEBUTTONS 43
#define SM_CXEDGE 45
#define SM_CYEDGE 46
#define SM_CXSMICON 49
#define SM_CYSMICON 50
#define SM_CYSMCAPTION 51
#define SM_CXSMSIZE 52
#define SM_CYSMSIZE 53
#define SM_CXMENUSIZE 54
#define SM_CYMENUSIZE 55
#define SM_CXMAXTRACK 59
#define SM_CYMAXTRACK 60
#define SM_CXMAXIMIZED 61
#define SM_CYMAXIMIZED 62
#define SM_CXDRAG 68
#define SM_CYDRAG 69
#define SM_CXMENUCHECK 71
#define SM_CYMENUCHECK 72
#define SM_MIDEASTENABLED 74
#define SM_MOUSEWHEELPRESENT 75
#define SM_XVIRTUALSCREEN 76
#define SM_YVIRTUALSCREEN 77
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79
#define SM_CMONITORS 80
#define SM_SAMEDISPLAYFORMAT 81
#define SM_IMMENABLED 82
#define SM_CXFOCUSBORDER 83
#define SM_CYFOCUSBORDER 84
#define SM_REMOTESESSION 0x1000
FANO_OS_API int GetSystemMetrics(int index);
#define SPI_GETKEYBOARDSPEED 0x000A
#define SPI_GETICONTITLELOGFONT 0x001F
#define SPI_GETNONCLIENTMETRICS 0x0029
#define SPI_GETKEYBOARDDELAY 0x0016
#define SPI_GETDRAGFULLWINDOWS 0x0026
#define SPI_GETWORKAREA 0x0030
#define SPI_SETWORKAREA 0x002F
#define SPI_GETMOUSEHOVERWIDTH 0x0062
#define SPI_GETMOUSEHOVERHEIGHT 0x0064
#define SPI_GETMOUSEHOVERTIME 0x0066
#define SPI_GETWHEELSCROLLLINES 0x0068
#define SPI_GETMENUSHOWDELAY 0x006A
#define SPI_GETCOMBOBOXANIMATION 0x1004
#define SPI_GETLISTBOXSMOOTHSCROLLING 0x1006
#define SPI_GETGRADIENTCAPTIONS 0x1008
#define SPI_GETKEYBOARDCUES 0x100A
#define SPI_GETHOTTRACKING 0x100E
#define SPI_GETMENUFADE 0x1012
#define SPI_GETSELECTIONFADE 0x1014
#define SPI_GETTOOLTIPANIMATION 0x1016
#define SPI_GETTOOLTIPFADE 0x1018
#define SPI_GETFLATMENU 0x1022
#define SPI_GETCARETWIDTH 0x2006
// SPI_GETNONCLIENTMETRICS fills this; the fonts are the default user-interface font.
typedef struct NONCLIENTMETRICSA {
  UINT cbSize;
  int iBorderWidth;
  int iScrollWidth;
  int iScrollHeight;
  int iCaptionWidth;
  int iCaptionHeight;
  LOGFONTA lfCaptionFont;
  int iSmCaptionWidth;
  int iSmCaptionHeight;
  LOGFONTA lfSmCaptionFont;
  int iMenuWidth;
  int iMenuHeight;
  LOGFONTA lfMenuFont;
  LOGFONTA lfStatusFont;
  LOGFONTA lfMessageFont;
  int iPaddedBorderWidth;  // may be left out of cbSize, as older callers do
} NONCLIENTMETRICSA;
typedef NONCLIENTMETRICSA NONCLIENTMETRICS;
FANO_OS_API BOOL SystemParametersInfo(UINT action, UINT param, void* data, UINT winIni);
#define MONITOR_DEFAULTTONULL 0x00000000
#define MONITOR_DEFAULTTOPRIMARY 0x00000001
#define MONITOR_DEFAULTTONEAREST 0x00000002
#define MONITORINFOF_PRIMARY 0x00000001
FANO_OS_API HMONITOR MonitorFromWindow(HWND wnd, DWORD flags);
FANO_OS_API HMONITOR MonitorFromPoint(POINT pt, DWORD flags);
FANO_OS_API HMONITOR MonitorFromRect(const RECT* rect, DWORD flags);
FANO_OS_API BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info);
// System colours (GetSysColor, GetSysColorBrush, COLOR_*) and the themes switch (IsThemeActive)
// belong to the drawing layer: wingdi.h and uxtheme.h.

// ---- dynamic libraries
FANO_OS_API HMODULE LoadLibrary(const char* path);
FANO_OS_API FARPROC GetProcAddress(HMODULE module, const char* name);
FANO_OS_API BOOL FreeLibrary(HMODULE module);
FANO_OS_API HMODULE GetModuleHandle(const char* name);  // 0: the main program
FANO_OS_API DWORD GetLastError(void);
FANO_OS_API void SetLastError(DWORD code);
#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_INVALID_PARAMETER 87
#define ERROR_PROC_NOT_FOUND 127
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_INVALID_WINDOW_HANDLE 1400
#define ERROR_CANNOT_FIND_WND_CLASS 1407
#define ERROR_CLASS_ALREADY_EXISTS 1410
#define ERROR_CLASS_DOES_NOT_EXIST 1411
#define ERROR_CLIPBOARD_NOT_OPEN 1418
#define ERROR_INVALID_INDEX 1413

// ---- names with the 8-bit suffix (the text of this system is UTF-8)
#define RegisterClassExA RegisterClassEx
#define RegisterClassA RegisterClass
#define UnregisterClassA UnregisterClass
#define GetClassInfoExA GetClassInfoEx
#define GetClassInfoA GetClassInfo
#define GetClassNameA GetClassName
#define CreateWindowExA CreateWindowEx
#define DefWindowProcA DefWindowProc
#define CallWindowProcA CallWindowProc
#define GetWindowLongA GetWindowLong
#define SetWindowLongA SetWindowLong
#define GetWindowLongPtrA GetWindowLongPtr
#define SetWindowLongPtrA SetWindowLongPtr
#define GetClassLongPtrA GetClassLongPtr
#define SetClassLongPtrA SetClassLongPtr
#define SetPropA SetProp
#define GetPropA GetProp
#define RemovePropA RemoveProp
#define SetWindowTextA SetWindowText
#define GetWindowTextA GetWindowText
#define GetWindowTextLengthA GetWindowTextLength
#define FindWindowA FindWindow
#define SendMessageA SendMessage
#define PostMessageA PostMessage
#define PostThreadMessageA PostThreadMessage
#define GetMessageA GetMessage
#define PeekMessageA PeekMessage
#define DispatchMessageA DispatchMessage
#define RegisterWindowMessageA RegisterWindowMessage
#define LoadCursorA LoadCursor
#define RegisterClipboardFormatA RegisterClipboardFormat
#define GetClipboardFormatNameA GetClipboardFormatName
#define SystemParametersInfoA SystemParametersInfo
#define GetMonitorInfoA GetMonitorInfo
#define LoadLibraryA LoadLibrary
#define GetModuleHandleA GetModuleHandle
#define MapVirtualKeyA MapVirtualKey

// ---- display back-end and test input
// FanoDisplay*: which back-end drives the top-level windows. The X11 one is chosen at the first
// window when a display is present and FANO_HEADLESS is not set; FanoUseHeadless forces headless
// (call before the first window).
#define FANO_DISPLAY_HEADLESS 0
#define FANO_DISPLAY_X11 1
FANO_OS_API int FanoDisplayKind(void);
FANO_OS_API BOOL FanoUseHeadless(void);
// The screen of the headless back-end (default 1280 x 1024, work area the same unless set).
FANO_OS_API void FanoSetScreenSize(int width, int height);
FANO_OS_API void FanoSetWorkArea(const RECT* work);
// Writes the current image of a window and its children as PNG (headless and X11 alike).
FANO_OS_API BOOL FanoSnapshotWindow(HWND wnd, const char* pngPath);
// The parts of a top-level window's image changed since the last call, as the display back-end
// would send them to the screen (top-level window coordinates); answers their number, fills at
// most `max`, and clears them. The X11 back-end takes them itself at every flush.
FANO_OS_API int FanoTakeWindowDamage(HWND top, RECT* rects, int max);
// Reads one pixel of what a window shows (its top-level surface), in window coordinates.
FANO_OS_API COLORREF FanoGetWindowPixel(HWND wnd, int x, int y);
// Test input: events enter the input queue as a back-end would put them there (screen
// coordinates; message time from the platform clock). Buttons: 0 left, 1 right, 2 middle.
FANO_OS_API void FanoInputMouseMove(int x, int y);
FANO_OS_API void FanoInputMouseButton(int button, BOOL down, int x, int y);
FANO_OS_API void FanoInputMouseWheel(int delta, int x, int y);
FANO_OS_API void FanoInputKey(UINT vk, BOOL down);
// Text as an input method commits it: delivered as WM_CHAR with UTF-16 units.
FANO_OS_API void FanoInputText(const char* utf8);
// A committed text fed through the routine that reads input method commits, answering as an input
// method with a short first buffer would (an overflow, then the whole text); answers the number
// of reads. For tests of long commits.
FANO_OS_API int FanoImeTestCommit(const char* utf8);
// The number of MessageBeep calls so far, on any display: a refusal that only sounds, seen.
FANO_OS_API int FanoBeepCount(void);
// Where an input method places its window: the top-level window of the caret and the foot of the
// caret in that window's coordinates (FALSE when there is no caret).
FANO_OS_API BOOL FanoGetImeSpot(HWND* top, POINT* spot);
// Input method contexts: each window has its own, which it may be detached from (no input method
// then). The state is kept per window; the display's input method composes whatever it is set to.
typedef HANDLE HIMC;
#define IME_CMODE_ALPHANUMERIC 0x0000
#define IME_CMODE_NATIVE 0x0001
#define IME_CMODE_KATAKANA 0x0002
#define IME_CMODE_FULLSHAPE 0x0008
FANO_OS_API HIMC ImmGetContext(HWND wnd);  // 0 when the window is detached from its context
FANO_OS_API BOOL ImmReleaseContext(HWND wnd, HIMC imc);
// Attaches the window's own context (any non-zero imc) or detaches it (0); answers the previous one.
FANO_OS_API HIMC ImmAssociateContext(HWND wnd, HIMC imc);
FANO_OS_API BOOL ImmSetOpenStatus(HIMC imc, BOOL open);
FANO_OS_API BOOL ImmGetOpenStatus(HIMC imc);
FANO_OS_API BOOL ImmSetConversionStatus(HIMC imc, DWORD conversion, DWORD sentence);
FANO_OS_API BOOL ImmGetConversionStatus(HIMC imc, DWORD* conversion, DWORD* sentence);
// Runs the message loop until no message is left (sent, posted, input, paint, timers due now);
// answers the number of messages dispatched. Stops at WM_QUIT, which stays queued.
FANO_OS_API int FanoPumpMessages(void);
// Advances the simulated clock in steps no longer than the given one, pumping after each step.
FANO_OS_API void FanoAdvanceAndPump(uint32_t milliseconds, uint32_t step);

#ifdef __cplusplus
}
#endif
