#pragma once
// Internal state of the window manager (C++, never crosses the library boundary).
//
// Threads: every window belongs to the thread that created it; its tree, geometry and paint state
// are touched only on that thread. Other threads may post and send to it (a send from another
// thread is run by the owner when it next looks at its queue). The handle table and the queues
// are guarded by one lock; window procedures and drawing run without it.
#include <pixman.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/os/surface.h"
#include "platform/os/winuser.h"

namespace fano_os::wm {

struct WndClass {
  std::string name;
  std::string key;  // lower-case name for lookups
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON iconSm = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  std::string menuName;
  std::vector<uint8_t> extra;
  WORD atom = 0;
  int windows = 0;  // live windows of the class
};

struct ScrollBarState {
  int min = 0;
  int max = 0;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
  UINT arrows = ESB_ENABLE_BOTH;  // ESB_DISABLE_* bits
  bool tracking = false;          // the user drags the thumb
};

struct Region {  // a pixman region with value semantics
  pixman_region32_t r;
  Region() { pixman_region32_init(&r); }
  explicit Region(const RECT& rc) { pixman_region32_init_rect(&r, rc.left, rc.top, Width(rc), Height(rc)); }
  Region(const Region& o) { pixman_region32_init(&r); pixman_region32_copy(&r, const_cast<pixman_region32_t*>(&o.r)); }
  Region& operator=(const Region& o) {
    if (this != &o) pixman_region32_copy(&r, const_cast<pixman_region32_t*>(&o.r));
    return *this;
  }
  ~Region() { pixman_region32_fini(&r); }
  static int Width(const RECT& rc) { return rc.right > rc.left ? rc.right - rc.left : 0; }
  static int Height(const RECT& rc) { return rc.bottom > rc.top ? rc.bottom - rc.top : 0; }
  bool Empty() const { return !pixman_region32_not_empty(const_cast<pixman_region32_t*>(&r)); }
  void Clear() { pixman_region32_clear(&r); }
  void Add(const RECT& rc) {
    if (Width(rc) && Height(rc)) pixman_region32_union_rect(&r, &r, rc.left, rc.top, Width(rc), Height(rc));
  }
  void Add(const Region& o) { pixman_region32_union(&r, &r, const_cast<pixman_region32_t*>(&o.r)); }
  void Subtract(const RECT& rc) { Region t(rc); pixman_region32_subtract(&r, &r, &t.r); }
  void Subtract(const Region& o) { pixman_region32_subtract(&r, &r, const_cast<pixman_region32_t*>(&o.r)); }
  void Intersect(const RECT& rc) { pixman_region32_intersect_rect(&r, &r, rc.left, rc.top, Width(rc), Height(rc)); }
  void Intersect(const Region& o) { pixman_region32_intersect(&r, &r, const_cast<pixman_region32_t*>(&o.r)); }
  void Offset(int dx, int dy) { pixman_region32_translate(&r, dx, dy); }
  bool Contains(int x, int y) const {
    return pixman_region32_contains_point(const_cast<pixman_region32_t*>(&r), x, y, nullptr);
  }
  RECT Bounds() const {
    const pixman_box32_t* b = pixman_region32_extents(const_cast<pixman_region32_t*>(&r));
    if (Empty()) return RECT{0, 0, 0, 0};
    return RECT{b->x1, b->y1, b->x2, b->y2};
  }
  std::vector<RECT> Rects() const {
    int n = 0;
    const pixman_box32_t* b = pixman_region32_rectangles(const_cast<pixman_region32_t*>(&r), &n);
    std::vector<RECT> out;
    for (int i = 0; i < n; ++i) out.push_back(RECT{b[i].x1, b[i].y1, b[i].x2, b[i].y2});
    return out;
  }
};

struct Window {
  HWND handle = nullptr;
  DWORD thread = 0;
  WndClass* cls = nullptr;
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  Window* parent = nullptr;  // the desktop for top-level windows; null only for the desktop
  Window* owner = nullptr;   // top-level windows only
  std::vector<Window*> children;  // z-order, front first
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{0, 0, 0, 0};    // in the parent's client coordinates (screen for top-level windows)
  RECT client{0, 0, 0, 0};  // relative to the window's top-left corner
  std::string text;
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  std::vector<uint8_t> extra;
  std::map<std::string, HANDLE> props;
  // painting
  Region update;  // client coordinates
  bool erase = false;
  bool frameDirty = false;
  bool internalPaint = false;
  bool painting = false;
  bool hasRegion = false;
  Region windowRegion;  // window coordinates
  // scroll bars of the window (SB_HORZ, SB_VERT); a scroll-bar control keeps its own in [0]
  ScrollBarState bars[2];
  RECT normalRect{0, 0, 0, 0};  // restore position (placement)
  bool wasMaximizedBeforeMin = false;
  bool destroying = false;
  bool created = false;  // WM_NCCREATE and WM_CREATE passed
  // top-level windows: what the window shows (headless) or what is copied to the display
  std::unique_ptr<Surface> surface;
  void* backendData = nullptr;
  bool surfaceDirty = false;
  Region damage;  // top-level: what changed on the surface since the display last got it
  // input method of the window: its context detached (disabled), open, conversion and sentence modes
  bool imeDetached = false;
  bool imeOpen = false;
  DWORD imeConversion = 0;
  DWORD imeSentence = 0;
};

// ---- registry (wm_window.cpp)
Window* FromHandle(HWND wnd);          // null for 0, stale or foreign handles; any thread
Window* Desktop();
bool IsTopLevel(const Window* w);      // parent is the desktop
// A captioned top-level window whose frame (caption, borders, buttons) the desktop's window
// manager draws: it has no non-client frame of ours.
bool FramedByDisplay(const Window* w);
Window* TopLevelOf(Window* w);         // the top-level ancestor (itself for a top-level window)
bool IsVisibleChain(const Window* w);  // WS_VISIBLE on the window and every ancestor
bool IsEnabledChain(const Window* w);
RECT WindowRectScreen(const Window* w);
RECT ClientRectScreen(const Window* w);
POINT ClientOriginScreen(const Window* w);
RECT WindowRectInTop(const Window* w);   // window rectangle in its top-level window's coordinates
void ForEachWindow(const std::function<void(Window*)>& fn);  // not the desktop
void RecalcNonClient(Window* w, bool sendMessage);
void SetStyleBits(Window* w, DWORD add, DWORD remove);       // no messages
HWND HitTestWindow(POINT screen, bool skipDisabled, LRESULT* hitCode);

// ---- messages (wm_queue.cpp)
LRESULT CallProc(Window* w, UINT msg, WPARAM wp, LPARAM lp);  // same-thread send
void PostInternal(Window* w, UINT msg, WPARAM wp, LPARAM lp);
void PurgeWindowMessages(HWND wnd);
void KillWindowTimers(HWND wnd);
void Wake(DWORD thread);
DWORD CurrentThread();
void SetSystemTimer(HWND wnd, UINT_PTR id, UINT elapse);  // internal timers (caret, scroll repeat)
void KillSystemTimer(HWND wnd, UINT_PTR id);
constexpr UINT kSysTimerCaret = 0xFFFF0001u;
constexpr UINT kSysTimerScroll = 0xFFFF0002u;
void OnSystemTimer(Window* w, UINT_PTR id);

// ---- input (wm_input.cpp)
// The last press, for telling a double click.
struct ClickHistory {
  HWND hwnd = nullptr;
  int button = -1;
  bool nonClient = false;
  DWORD time = 0;
  POINT pt{0, 0};
};

struct InputEvent {
  enum Kind { MouseMove, MouseButton, Wheel, Key, Char } kind = MouseMove;
  int x = 0, y = 0;
  int button = 0;
  bool down = false;
  int delta = 0;
  bool alt = false, ctrl = false;  // modifier keys when the event arrived
  UINT vk = 0;
  UINT scan = 0;
  std::u16string text;  // Char: units; Key: the characters the key produced (input method)
  DWORD time = 0;
  DWORD earlier = 0;  // it happened this long before it was put in the queue (input held back)
  bool routed = false;
  bool fromDisplay = false;  // read from the display server (not made by a test or a script)
  bool away = false;         // MouseMove: the pointer left our windows (over another program's)
  MSG msg{};  // the message once routed
  ClickHistory clickBefore;  // a press: the last press before it was routed
  std::vector<MSG> extra;  // further messages of one event (Char: one per unit)
};
void PushInput(InputEvent ev);
// Looks for an input message for this thread that passes the filter; removal applies its effects.
bool TakeInputMessage(MSG* out, HWND filter, UINT minMsg, UINT maxMsg, bool remove);
bool HasInputFor(DWORD thread);
// The display server tells which keys it holds down now (held[vk] non-zero, mouse buttons aside):
// keys we still take as down whose release went to another program are let go, with no message.
void ForgetReleasedKeys(const BYTE held[256]);
void OnWindowDestroyed(Window* w);  // focus, capture, active, tracking, caret
void OnWindowHidden(Window* w);
void CheckHover();                  // hover tracking against the clock
UINT KeyboardShiftFlags();          // MK_SHIFT / MK_CONTROL from the key state
POINT LastCursorPos();              // where the last mouse event was (no question to the server)
// Where the caret stands for an input method: its top-level window and the foot of the caret in
// that window's coordinates; false when no caret is shown in a window of ours.
bool CaretSpot(HWND* top, POINT* spot);
std::u16string PendingKeyText(const MSG& keyDown);
bool CursorInfo(HCURSOR c, int* standardId, int* hotX, int* hotY, int* width, int* height,
                const std::vector<uint32_t>** argb);

// ---- painting (wm_paint.cpp)
void InvalidateInternal(Window* w, const Region* rgnClient, bool erase, bool children, bool frame);
void ExposeInParent(Window* w, const RECT& rectInParent);  // the area a window left
Window* FindPaintWindow(DWORD thread, HWND filter);
void SendNcPaint(Window* w);
void EnsureSurface(Window* top);
void DropSurface(Window* top);  // detaches the DCs still open on it first
RECT NcInnerRect(const Window* w);  // window coordinates inside frame, caption and edges
void DrawCaretXor(Window* w, const RECT& rc);
Region VisibleRegion(Window* w, bool nonClient, bool clipChildren, bool clipSiblings);  // in top coordinates

// ---- scroll bars (wm_scroll.cpp)
void GetBarRects(Window* w, int bar, RECT* out);  // window coordinates; empty when not shown
void PaintScrollBars(Window* w, HDC dc);
bool StartScrollTracking(Window* w, int bar, POINT screen);
bool ScrollTrackingActive();
void ScrollTrackingMouse(UINT msg, POINT screen);
void ScrollTrackingTimer();
void CancelScrollTracking(Window* w);
void StartMoveSizeTracking(Window* w, int hit, POINT screen);
void PaintScrollBarsNow(Window* w);
void RegisterScrollBarClass();
// The standard controls (ctl_*.cpp): edit, list box, combo box, button, tab control, month calendar.
void RegisterStandardControls();

// ---- back-end (wm_backend.cpp)
struct Backend {
  virtual ~Backend() = default;
  virtual int Kind() const = 0;
  virtual void TopLevelCreated(Window*) {}
  virtual void TopLevelDestroyed(Window*) {}
  virtual void TopLevelShown(Window*, bool /*show*/, bool /*activate*/) {}
  virtual void TopLevelMoved(Window*) {}
  virtual void TopLevelTitle(Window*) {}
  virtual void Present(Window*) {}  // copy the surface to the display
  virtual void SetCursorShape(HCURSOR) {}
  virtual void Activate(Window*) {}
  virtual void Bell() {}  // MessageBeep: the display's bell
  virtual void StartMoveSize(Window*, int /*hit*/) {}
  // A window manager frames the top-level windows (caption, borders, moving and sizing).
  virtual bool FramesTopLevels() { return false; }
  // Where the pointer is now, asked of the display server; false when it cannot say (headless,
  // or asked on a thread that does not own the connection).
  virtual bool PointerPosition(POINT*) { return false; }
  // Reads pending display events into the input queue; waits at most timeoutMs for them when
  // asked (-1 forever), also waking when Wake() is called from another thread.
  virtual void Poll(int timeoutMs) = 0;
  virtual void WakeUp() = 0;
  virtual RECT ScreenRect() = 0;
  virtual RECT WorkArea() = 0;
  virtual void ClipboardChanged() {}  // offer the text formats to other programs
  virtual bool ClipboardExternalText(std::u16string*) { return false; }
};
Backend* GetBackend();
std::unique_ptr<Backend> CreateHeadlessBackend();
std::unique_ptr<Backend> CreateX11Backend();  // null when no display can be opened

// ---- system (wm_system.cpp)
int Metric(int index);
Surface* DesktopSurface();

// ---- default window procedure (wm_defproc.cpp)
LRESULT DefNcCalcSize(Window* w, WPARAM wp, LPARAM lp);
void CaretPaintBegin(HWND wnd);
void CaretPaintEnd(HWND wnd);
void PresentTop(Window* top);  // the top-level surface changed (all of it, as far as is known)
void PresentTopArea(Window* top, const Region& area);  // only this part changed (top coordinates)
// The parts of a top-level surface changed since the last call (surface coordinates); clears them.
std::vector<RECT> TakeDamage(Window* top);

// ---- misc
std::string Lower(const char* s);
std::u16string Utf8ToUtf16(const std::string& s);
std::string Utf16ToUtf8(const std::u16string& s);
void SetError(DWORD code);

}  // namespace fano_os::wm
