// The X11 back-end: each top-level window shows as an X window that presents its surface; X mouse,
// keyboard (through the input method, so Chinese input methods work), focus, expose, move and
// resize events become the window manager's input and messages; the clipboard's text is offered to
// other programs through the CLIPBOARD selection and read from them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <thread>

#include "platform/os/wm_x11.h"

namespace fano_os::wm {

bool ClipboardTextForExport(std::u16string* out);
void ClipboardLostToExternal();

namespace {

// Input held for a press that another client holds waits no longer than this.
constexpr std::chrono::milliseconds kLongestHold{10000};

// Set once the connection is gone: nothing may be asked of the server after that.
bool g_displayLost = false;
// While set, X errors are only noted (a request that may fail on purpose: attaching shared memory
// on a remote display).
bool g_trapErrors = false;
bool g_trappedError = false;

// A failed request is not fatal: it is told on the error output with what was asked, and the
// program goes on.
int LogXError(Display* d, XErrorEvent* e) {
  if (g_trapErrors) {
    g_trappedError = true;
    return 0;
  }
  char text[160] = {};
  XGetErrorText(d, e->error_code, text, sizeof text);
  fprintf(stderr, "fano_os: X error %d (%s) in request %d.%d on resource 0x%lx\n", static_cast<int>(e->error_code),
          text, static_cast<int>(e->request_code), static_cast<int>(e->minor_code), e->resourceid);
  return 0;
}

// The display connection is gone (the X server ended): say so and end the program cleanly,
// without touching the connection again.
int DisplayLost(Display*) {
  g_displayLost = true;
  fprintf(stderr, "fano_os: the connection to the X display was lost\n");
  fflush(stderr);
  std::exit(EXIT_FAILURE);
}

// A shared-memory image the server reads the window's pixels from (MIT-SHM). The image keeps a
// pointer to the segment's record, so the record has a place of its own.
struct ShmImage {
  std::unique_ptr<XShmSegmentInfo> info;
  XImage* img = nullptr;
};

struct XTop {
  ::Window xwin = 0;
  ShmImage shm;
  std::deque<RECT> requested;  // geometries asked of the server whose notifications may still come
  bool mapped = false;
  HWND hwnd = nullptr;
};

UINT VkFromKeysym(KeySym k) {
  if (k >= XK_a && k <= XK_z) return static_cast<UINT>('A' + (k - XK_a));
  if (k >= XK_A && k <= XK_Z) return static_cast<UINT>('A' + (k - XK_A));
  if (k >= XK_0 && k <= XK_9) return static_cast<UINT>('0' + (k - XK_0));
  if (k >= XK_F1 && k <= XK_F24) return static_cast<UINT>(VK_F1 + (k - XK_F1));
  if (k >= XK_KP_0 && k <= XK_KP_9) return static_cast<UINT>(VK_NUMPAD0 + (k - XK_KP_0));
  switch (k) {
    case XK_Return: case XK_KP_Enter: return VK_RETURN;
    case XK_Escape: return VK_ESCAPE;
    case XK_BackSpace: return VK_BACK;
    case XK_Tab: case XK_ISO_Left_Tab: return VK_TAB;
    case XK_space: return VK_SPACE;
    case XK_Left: case XK_KP_Left: return VK_LEFT;
    case XK_Right: case XK_KP_Right: return VK_RIGHT;
    case XK_Up: case XK_KP_Up: return VK_UP;
    case XK_Down: case XK_KP_Down: return VK_DOWN;
    case XK_Home: case XK_KP_Home: return VK_HOME;
    case XK_End: case XK_KP_End: return VK_END;
    case XK_Prior: case XK_KP_Prior: return VK_PRIOR;
    case XK_Next: case XK_KP_Next: return VK_NEXT;
    case XK_Insert: case XK_KP_Insert: return VK_INSERT;
    case XK_Delete: case XK_KP_Delete: return VK_DELETE;
    case XK_Shift_L: case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L: case XK_Control_R: return VK_CONTROL;
    case XK_Alt_L: case XK_Alt_R: case XK_Meta_L: case XK_Meta_R: return VK_MENU;
    case XK_Caps_Lock: return VK_CAPITAL;
    case XK_Num_Lock: return VK_NUMLOCK;
    case XK_Scroll_Lock: return VK_SCROLL;
    case XK_Pause: return VK_PAUSE;
    case XK_Print: return VK_SNAPSHOT;
    case XK_Menu: return VK_APPS;
    case XK_Super_L: return VK_LWIN;
    case XK_Super_R: return VK_RWIN;
    case XK_KP_Add: return VK_ADD;
    case XK_KP_Subtract: return VK_SUBTRACT;
    case XK_KP_Multiply: return VK_MULTIPLY;
    case XK_KP_Divide: return VK_DIVIDE;
    case XK_KP_Decimal: return VK_DECIMAL;
    case XK_semicolon: return VK_OEM_1;
    case XK_equal: return VK_OEM_PLUS;
    case XK_comma: return VK_OEM_COMMA;
    case XK_minus: return VK_OEM_MINUS;
    case XK_period: return VK_OEM_PERIOD;
    case XK_slash: return VK_OEM_2;
    case XK_grave: return VK_OEM_3;
    case XK_bracketleft: return VK_OEM_4;
    case XK_backslash: return VK_OEM_5;
    case XK_bracketright: return VK_OEM_6;
    case XK_apostrophe: return VK_OEM_7;
    default: return 0;
  }
}

unsigned int FontCursorFor(int id) {
  switch (id) {
    case 32513: return XC_xterm;
    case 32514: case 32650: return XC_watch;
    case 32515: return XC_crosshair;
    case 32516: return XC_sb_up_arrow;
    case 32640: case 32646: return XC_fleur;
    case 32642: return XC_bottom_right_corner;
    case 32643: return XC_bottom_left_corner;
    case 32644: return XC_sb_h_double_arrow;
    case 32645: return XC_sb_v_double_arrow;
    case 32648: return XC_X_cursor;
    case 32649: return XC_hand2;
    case 32651: return XC_question_arrow;
    default: return XC_left_ptr;
  }
}

class X11Backend : public Backend {
 public:
  explicit X11Backend(Display* d) : d_(d), owner_(std::this_thread::get_id()) {
    XSetErrorHandler(LogXError);
    XSetIOErrorHandler(DisplayLost);
    screen_ = DefaultScreen(d_);
    root_ = RootWindow(d_, screen_);
    wmDelete_ = XInternAtom(d_, "WM_DELETE_WINDOW", False);
    wmProtocols_ = XInternAtom(d_, "WM_PROTOCOLS", False);
    clipboard_ = XInternAtom(d_, "CLIPBOARD", False);
    utf8_ = XInternAtom(d_, "UTF8_STRING", False);
    targets_ = XInternAtom(d_, "TARGETS", False);
    textAtom_ = XInternAtom(d_, "TEXT", False);
    netWmName_ = XInternAtom(d_, "_NET_WM_NAME", False);
    transfer_ = XInternAtom(d_, "FANO_CLIP", False);
    helper_ = XCreateSimpleWindow(d_, root_, -10, -10, 1, 1, 0, 0, 0);
    if (pipe(wake_) == 0) {
      fcntl_nonblock(wake_[0]);
      fcntl_nonblock(wake_[1]);
    } else {
      wake_[0] = wake_[1] = -1;
    }
    int xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
    xkb_ = XkbUseExtension(d_, &xkbMajor, &xkbMinor);
    // Text input goes through the input method of the user's locale.
    ime_ = std::make_unique<X11InputMethod>(d_);
    wmPresent_ = DetectWindowManager();
    // Pixels go through shared memory when the server is on this machine and offers it.
    shmOk_ = XShmQueryExtension(d_) && !getenv("FANO_X11_NO_SHM");
  }
  ~X11Backend() override {
    if (g_displayLost) return;
    ime_.reset();
    for (auto& [h, t] : tops_) {
      FreeShm(t.shm);
      XDestroyWindow(d_, t.xwin);
    }
    XDestroyWindow(d_, helper_);
    XCloseDisplay(d_);
    if (wake_[0] >= 0) close(wake_[0]);
    if (wake_[1] >= 0) close(wake_[1]);
  }

  int Kind() const override { return FANO_DISPLAY_X11; }

  bool FramesTopLevels() override { return wmPresent_; }

  void TopLevelCreated(Window* w) override {
    RECT r = w->rect;
    int wd = std::max<int>(1, r.right - r.left), ht = std::max<int>(1, r.bottom - r.top);
    XSetWindowAttributes a{};
    a.background_pixmap = 0;
    // Pop-ups without a caption (menus, hints, drop-downs) stay out of the window manager's hands.
    a.override_redirect = (w->style & WS_POPUP) && !FramedByDisplay(w) ? True : False;
    a.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                   PointerMotionMask | EnterWindowMask | LeaveWindowMask | StructureNotifyMask | FocusChangeMask;
    ::Window xw = XCreateWindow(d_, root_, r.left, r.top, static_cast<unsigned>(wd), static_cast<unsigned>(ht), 0,
                                CopyFromParent, InputOutput, CopyFromParent,
                                CWBackPixmap | CWOverrideRedirect | CWEventMask, &a);
    XSetWMProtocols(d_, xw, &wmDelete_, 1);
    SetPlacementHints(xw, w);
    // A window with an owner (a dialog) stays with it under the window manager.
    if (w->owner)
      if (XTop* o = Find(w->owner->handle)) XSetTransientForHint(d_, xw, o->xwin);
    XTop t;
    t.xwin = xw;
    t.hwnd = w->handle;
    tops_[w->handle] = std::move(t);
    ime_->Attach(w->handle, xw, a.event_mask);
    byX_[xw] = w->handle;
    TopLevelTitle(w);
    if (cursor_) XDefineCursor(d_, xw, cursor_);
  }

  void TopLevelDestroyed(Window* w) override {
    auto it = tops_.find(w->handle);
    if (it == tops_.end()) return;
    ime_->Detach(w->handle);
    FreeShm(it->second.shm);
    byX_.erase(it->second.xwin);
    XDestroyWindow(d_, it->second.xwin);
    tops_.erase(it);
    XFlush(d_);
  }

  void TopLevelShown(Window* w, bool show, bool activate) override {
    XTop* t = Find(w->handle);
    if (!t) return;
    if (show && !t->mapped) {
      SetPlacementHints(t->xwin, w);
      XMapRaised(d_, t->xwin);
      t->mapped = true;
      DirtyAll(w);
    } else if (!show && t->mapped) {
      XUnmapWindow(d_, t->xwin);
      t->mapped = false;
    }
    if (show && activate) Activate(w);
    XFlush(d_);
  }

  void TopLevelMoved(Window* w) override {
    XTop* t = Find(w->handle);
    if (!t) return;
    RECT r = w->rect;
    if (w->style & WS_MINIMIZE) {
      XIconifyWindow(d_, t->xwin, screen_);
      return;
    }
    if (applying_ == w->handle && EqualRect(&r, &applyingRect_)) {
      DirtyAll(w);  // the server's own place
      return;
    }
    XMoveResizeWindow(d_, t->xwin, r.left, r.top, static_cast<unsigned>(std::max<int>(1, r.right - r.left)),
                      static_cast<unsigned>(std::max<int>(1, r.bottom - r.top)));
    t->requested.push_back(r);
    if (t->requested.size() > 16) t->requested.pop_front();
    DirtyAll(w);
  }

  void TopLevelTitle(Window* w) override {
    XTop* t = Find(w->handle);
    if (!t) return;
    XChangeProperty(d_, t->xwin, netWmName_, utf8_, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(w->text.data()), static_cast<int>(w->text.size()));
    XStoreName(d_, t->xwin, w->text.c_str());
  }

  void Present(Window* top) override { top->surfaceDirty = true; }

  void SetCursorShape(HCURSOR c) override {
    Cursor old = cursor_;
    cursor_ = MakeCursor(c);
    for (auto& [h, t] : tops_) XDefineCursor(d_, t.xwin, cursor_);
    if (old && ownCursor_.count(old)) {
      XFreeCursor(d_, old);
      ownCursor_.erase(old);
    }
    XFlush(d_);
  }

  void Activate(Window* w) override {
    XTop* t = Find(w->handle);
    if (!t || !t->mapped) return;
    if (wmPresent_ && FramedByDisplay(w)) {
      // The window manager raises and focuses its windows when asked (it may not have shown
      // this one yet, which the server would refuse to focus).
      XEvent ev{};
      ev.xclient.type = ClientMessage;
      ev.xclient.window = t->xwin;
      ev.xclient.message_type = XInternAtom(d_, "_NET_ACTIVE_WINDOW", False);
      ev.xclient.format = 32;
      ev.xclient.data.l[0] = 1;  // from an application
      ev.xclient.data.l[1] = CurrentTime;
      XSendEvent(d_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
      ime_->Focus(w->handle, true);
      return;
    }
    XRaiseWindow(d_, t->xwin);
    XSetInputFocus(d_, t->xwin, RevertToParent, CurrentTime);
    ime_->Focus(w->handle, true);
  }

  void Bell() override {
    // Xlib is used from the thread that opened the display only.
    if (std::this_thread::get_id() != owner_) return;
    XBell(d_, 0);
    XFlush(d_);
  }

  void Poll(int timeoutMs) override {
    // Keys are read before the pixels go out: sending them waits for the server, and what a key
    // means can only be read from the server soon after it came.
    Drain();
    FollowCaret();
    Flush();
    Drain();
    if (!XPending(d_) && timeoutMs != 0) {
      // Held keys are looked at again soon, whatever else comes.
      const int wait = !holding_ ? timeoutMs : timeoutMs < 0 ? 20 : std::min(timeoutMs, 20);
      pollfd p[2] = {{ConnectionNumber(d_), POLLIN, 0}, {wake_[0], POLLIN, 0}};
      poll(p, wake_[0] >= 0 ? 2 : 1, wait);
      DrainWake();
    }
    Drain();
    Flush();
  }

  void WakeUp() override {
    char c = 1;
    if (wake_[1] >= 0) (void)!write(wake_[1], &c, 1);
  }

  bool PointerPosition(POINT* out) override {
    // Xlib is used from the thread that opened the display only.
    if (std::this_thread::get_id() != owner_) return false;
    ::Window rootRet = 0, childRet = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(d_, root_, &rootRet, &childRet, &rx, &ry, &wx, &wy, &mask)) return false;
    *out = POINT{rx, ry};
    return true;
  }

  RECT ScreenRect() override {
    return RECT{0, 0, DisplayWidth(d_, screen_), DisplayHeight(d_, screen_)};
  }

  RECT WorkArea() override {
    Atom workarea = XInternAtom(d_, "_NET_WORKAREA", True);
    if (workarea) {
      Atom type;
      int format;
      unsigned long n = 0, after = 0;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(d_, root_, workarea, 0, 4, False, XA_CARDINAL, &type, &format, &n, &after, &data) ==
              Success &&
          data && n >= 4 && format == 32) {
        long* v = reinterpret_cast<long*>(data);
        RECT r{static_cast<LONG>(v[0]), static_cast<LONG>(v[1]), static_cast<LONG>(v[0] + v[2]),
               static_cast<LONG>(v[1] + v[3])};
        XFree(data);
        if (r.right > r.left && r.bottom > r.top) return r;
      } else if (data) {
        XFree(data);
      }
    }
    return ScreenRect();
  }

  void ClipboardChanged() override {
    XSetSelectionOwner(d_, clipboard_, helper_, CurrentTime);
    owningClipboard_ = XGetSelectionOwner(d_, clipboard_) == helper_;
    XFlush(d_);
  }

  bool ClipboardExternalText(std::u16string* out) override {
    ::Window owner = XGetSelectionOwner(d_, clipboard_);
    if (owner == 0 || owner == helper_) return false;
    XConvertSelection(d_, clipboard_, utf8_, transfer_, helper_, CurrentTime);
    XFlush(d_);
    // Real time, not the platform clock: the other program answers in its own time.
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    while (std::chrono::steady_clock::now() < until) {
      XEvent ev;
      if (XCheckTypedWindowEvent(d_, helper_, SelectionNotify, &ev)) {
        if (ev.xselection.property == 0) return false;
        Atom type;
        int format;
        unsigned long n = 0, after = 0;
        unsigned char* data = nullptr;
        bool ok = XGetWindowProperty(d_, helper_, transfer_, 0, 1 << 24, True, AnyPropertyType, &type, &format, &n,
                                     &after, &data) == Success &&
                  data && format == 8;
        if (ok) *out = Utf8ToUtf16(std::string(reinterpret_cast<char*>(data), n));
        if (data) XFree(data);
        return ok;
      }
      pollfd p{ConnectionNumber(d_), POLLIN, 0};
      poll(&p, 1, 20);
    }
    return false;
  }

 private:
  static void fcntl_nonblock(int fd);

  // Our place of a framed window is its client area's (we paint no frame of our own): static
  // gravity has the manager put the client, not its frame, where we ask, when it maps the window
  // and at every later move.
  void SetPlacementHints(::Window xw, Window* w) {
    RECT r = w->rect;
    XSizeHints hints{};
    hints.flags = PPosition | PSize | PWinGravity;
    hints.x = r.left;
    hints.y = r.top;
    hints.width = std::max<int>(1, r.right - r.left);
    hints.height = std::max<int>(1, r.bottom - r.top);
    hints.win_gravity = StaticGravity;
    XSetWMNormalHints(d_, xw, &hints);
  }

  void ForgetKeysTheServerReleased() {
    char map[32] = {};
    XQueryKeymap(d_, map);
    BYTE held[256] = {};
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(d_, &minCode, &maxCode);
    for (int code = minCode; code <= maxCode && code < 256; ++code) {
      if (!(map[code / 8] & (1 << (code % 8)))) continue;
      int per = 0;
      KeySym* syms = XGetKeyboardMapping(d_, static_cast<KeyCode>(code), 1, &per);
      if (!syms) continue;
      if (per > 0)
        if (UINT vk = VkFromKeysym(syms[0])) held[vk & 0xFF] = 1;
      XFree(syms);
    }
    ForgetReleasedKeys(held);
  }

  XTop* Find(HWND h) {
    auto it = tops_.find(h);
    return it == tops_.end() ? nullptr : &it->second;
  }

  Window* FromX(::Window xw) {
    auto it = byX_.find(xw);
    return it == byX_.end() ? nullptr : FromHandle(it->second);
  }

  Cursor MakeCursor(HCURSOR c);

  // A window manager that frames windows: one announced through the desktop hints (a window named
  // on the root that names itself), or one holding the screen's window-manager selection.
  bool DetectWindowManager() {
    if (const char* e = getenv("FANO_X11_OWN_FRAME"); e && *e == '1') return false;
    Atom check = XInternAtom(d_, "_NET_SUPPORTING_WM_CHECK", False);
    auto windowProp = [&](::Window on, ::Window* out) {
      Atom type;
      int format;
      unsigned long n = 0, after = 0;
      unsigned char* data = nullptr;
      g_trapErrors = true;
      g_trappedError = false;
      bool ok = XGetWindowProperty(d_, on, check, 0, 1, False, XA_WINDOW, &type, &format, &n, &after, &data) == Success &&
                data && n == 1 && format == 32;
      XSync(d_, False);
      g_trapErrors = false;
      if (ok && !g_trappedError) *out = static_cast<::Window>(*reinterpret_cast<unsigned long*>(data));
      if (data) XFree(data);
      return ok && !g_trappedError;
    };
    ::Window wm = 0, self = 0;
    if (windowProp(root_, &wm) && wm && windowProp(wm, &self) && self == wm) return true;
    std::string sel = "WM_S" + std::to_string(screen_);
    return XGetSelectionOwner(d_, XInternAtom(d_, sel.c_str(), False)) != 0;
  }

  // The input method's window follows the caret (moved, scrolled, or its window moved).
  void FollowCaret() {
    HWND top = nullptr;
    POINT spot{0, 0};
    if (CaretSpot(&top, &spot)) ime_->SetSpot(top, spot);
  }

  void DrainWake() {
    char buf[64];
    if (wake_[0] >= 0)
      while (read(wake_[0], buf, sizeof buf) > 0) {
      }
  }

  void DirtyAll(Window* w) {
    if (w->surface) w->damage.Add(RECT{0, 0, w->surface->width, w->surface->height});
    w->surfaceDirty = true;
  }

  // Sends the server only the parts of each window that changed.
  void Flush() {
    bool shared = false;
    for (auto& [h, t] : tops_) {
      Window* w = FromHandle(h);
      if (!w || !w->surfaceDirty || !t.mapped || !w->surface) continue;
      w->surfaceDirty = false;
      for (const RECT& r : TakeDamage(w))
        shared |= PutSurface(t, *w->surface, r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    // The server must have read shared pixels before they are written again.
    if (shared) XSync(d_, False);
    else XFlush(d_);
  }

  void FreeShm(ShmImage& m) {
    if (!m.img) return;
    XShmDetach(d_, m.info.get());
    XDestroyImage(m.img);
    shmdt(m.info->shmaddr);
    m.img = nullptr;
    m.info.reset();
  }

  // The window's shared image at the surface's size; null when the server offers no shared
  // memory (a remote display) or it cannot be had.
  XImage* SharedImage(XTop& t, const Surface& s) {
    if (!shmOk_) return nullptr;
    if (t.shm.img && t.shm.img->width == s.width && t.shm.img->height == s.height) return t.shm.img;
    FreeShm(t.shm);
    ShmImage& m = t.shm;
    m.info = std::make_unique<XShmSegmentInfo>();
    XShmSegmentInfo& info = *m.info;
    auto fail = [&] {
      if (m.img) XDestroyImage(m.img);
      m.img = nullptr;
      m.info.reset();
      shmOk_ = false;
      return nullptr;
    };
    m.img = XShmCreateImage(d_, DefaultVisual(d_, screen_), static_cast<unsigned>(DefaultDepth(d_, screen_)), ZPixmap,
                            nullptr, &info, static_cast<unsigned>(s.width), static_cast<unsigned>(s.height));
    if (!m.img) return fail();
    info.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(m.img->bytes_per_line) * m.img->height, IPC_CREAT | 0600);
    void* addr = info.shmid >= 0 ? shmat(info.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
    if (addr == reinterpret_cast<void*>(-1)) {
      if (info.shmid >= 0) shmctl(info.shmid, IPC_RMID, nullptr);
      return fail();
    }
    info.shmaddr = m.img->data = static_cast<char*>(addr);
    info.readOnly = False;
    g_trapErrors = true;
    g_trappedError = false;
    Bool attached = XShmAttach(d_, &info);
    XSync(d_, False);
    g_trapErrors = false;
    shmctl(info.shmid, IPC_RMID, nullptr);  // gone once both sides let go
    if (!attached || g_trappedError) {
      shmdt(addr);
      return fail();
    }
    return m.img;
  }

  // Copies a part of the surface to the window; true when it went through shared memory.
  bool PutSurface(XTop& t, const Surface& s, int x, int y, int wd, int ht) {
    if (s.width <= 0 || s.height <= 0) return false;
    x = std::max(0, x);
    y = std::max(0, y);
    wd = std::min(wd, s.width - x);
    ht = std::min(ht, s.height - y);
    if (wd <= 0 || ht <= 0) return false;
    int depth = DefaultDepth(d_, screen_);
    if (depth != 24 && depth != 32) return false;
    if (XImage* img = SharedImage(t, s)) {
      for (int row = 0; row < ht; ++row) {
        const uint32_t* src = s.pixels.data() + static_cast<size_t>(y + row) * s.width + x;
        auto* dst = reinterpret_cast<uint32_t*>(img->data + static_cast<size_t>(y + row) * img->bytes_per_line) + x;
        for (int col = 0; col < wd; ++col) {
          uint32_t c = src[col];
          dst[col] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
        }
      }
      XShmPutImage(d_, t.xwin, DefaultGC(d_, screen_), img, x, y, x, y, static_cast<unsigned>(wd),
                   static_cast<unsigned>(ht), False);
      return true;
    }
    PutPlain(t.xwin, s, x, y, wd, ht);
    return false;
  }

  void PutPlain(::Window xw, const Surface& s, int x, int y, int wd, int ht) {
    Visual* visual = DefaultVisual(d_, screen_);
    int depth = DefaultDepth(d_, screen_);
    std::vector<uint32_t> px(static_cast<size_t>(wd) * ht);
    for (int row = 0; row < ht; ++row)
      for (int col = 0; col < wd; ++col) {
        uint32_t c = s.pixels[static_cast<size_t>(y + row) * s.width + x + col];
        px[static_cast<size_t>(row) * wd + col] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
      }
    XImage* img = XCreateImage(d_, visual, static_cast<unsigned>(depth), ZPixmap, 0, reinterpret_cast<char*>(px.data()),
                               static_cast<unsigned>(wd), static_cast<unsigned>(ht), 32, 0);
    if (!img) return;
    XPutImage(d_, xw, DefaultGC(d_, screen_), img, 0, 0, x, y, static_cast<unsigned>(wd), static_cast<unsigned>(ht));
    img->data = nullptr;  // the pixels belong to the vector
    XDestroyImage(img);
  }

  void Drain() {
    ReadEvents();
    if (!holding_) return;
    // Held input goes on once nobody holds the pointer any more, the events the grab held read
    // first (the server sent them before its answer), all of it in the server's order; or at the
    // latest after a few seconds (a window manager busy with a burst of keyboard mapping changes,
    // as a tool typing Chinese text makes, may hold presses that long).
    if (std::chrono::steady_clock::now() - heldSince_ < kLongestHold && PointerHeldByOther()) return;
    ReadEvents();
    ReleaseHeld();
  }

  void ReadEvents() {
    while (XPending(d_)) {
      XEvent ev;
      XNextEvent(d_, &ev);
      if (XFilterEvent(&ev, 0)) continue;  // the input method takes it
      Handle(ev);
    }
  }

  // A release followed at once by a press of the same key is auto-repeat: the key stays down.
  static bool IsAutoRepeat(const XEvent& release, const XEvent& next) {
    return next.type == KeyPress && next.xkey.keycode == release.xkey.keycode && next.xkey.time == release.xkey.time;
  }

  // A key typed while another client holds the pointer waits, and so does all input after it. A
  // window manager that focuses on a click holds the press (a grab of its own) until it has dealt
  // with it; keyboard events pass meanwhile, and a person who clicks a field and types at once
  // would have the first keys land in the field just left. In the server's order the press came
  // first. (The pointer's events wait behind the held press too, so whether one is on its way can
  // only be asked: at every key while the pointer is over our windows, where our own grab for the
  // question changes nothing.) The manager may have let the press go by the time the key is read:
  // the press then stands behind the key in our queue, with an earlier time, and the key waits
  // for it the same way.
  void HoldIfPointerHeld(const XEvent& ev) {
    if (holding_ || ev.type != KeyPress) return;
    const bool held = pointerInside_ && PointerHeldByOther();
    if (!held && !ButtonQueuedBefore(ev.xkey.time)) return;
    holding_ = true;
    heldSince_ = std::chrono::steady_clock::now();
  }

  // Whether a button event from before `time` waits in the queue (read so far; the question of
  // PointerHeldByOther has read all the server sent before its answer).
  bool ButtonQueuedBefore(Time time) {
    struct Search {
      Time before;
      bool found;
    } search{time, false};
    auto look = [](Display*, XEvent* e, XPointer arg) -> Bool {
      auto* s = reinterpret_cast<Search*>(arg);
      if ((e->type == ButtonPress || e->type == ButtonRelease) && static_cast<int32_t>(e->xbutton.time - s->before) < 0)
        s->found = true;
      return False;  // every event stays where it is
    };
    XEvent unused;
    XCheckIfEvent(d_, &unused, look, reinterpret_cast<XPointer>(&search));
    return search.found;
  }

  // Whether another client has the pointer grabbed: a grab of our own is refused then; one we get
  // is let go at once.
  bool PointerHeldByOther() {
    ::Window on = 0;
    for (auto& [h, t] : tops_)
      if (t.mapped) {
        on = t.xwin;
        break;
      }
    if (!on) return false;
    int r = XGrabPointer(d_, on, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                         GrabModeAsync, None, None, CurrentTime);
    if (r == GrabSuccess) XUngrabPointer(d_, CurrentTime);
    return r == AlreadyGrabbed || r == GrabFrozen;
  }

  void ReleaseHeld() {
    holding_ = false;
    std::vector<Held> held;
    held.swap(held_);
    std::stable_sort(held.begin(), held.end(),
                     [](const Held& a, const Held& b) { return static_cast<int32_t>(a.at - b.at) < 0; });
    // Their message times keep the spacing they had: two clicks held together are no double click.
    const Time latest = held.empty() ? 0 : held.back().at;
    for (Held& h : held) {
      h.ev.earlier = static_cast<DWORD>(latest - h.at);
      PushInput(std::move(h.ev));
    }
  }

  void Key(XKeyEvent& k, bool down) {
    Window* w = FromX(k.window);
    if (!w) return;
    KeySym base = XLookupKeysym(&k, 0);
    UINT vk = VkFromKeysym(base);
    std::u16string text;
    if (down) {
      KeySym sym = 0;
      Status st = 0;
      std::string utf8;
      bool viaIm = ime_->Lookup(w->handle, k, &utf8, &sym, &st);
      if (!viaIm) {
        char buf[256];
        int n = XLookupString(&k, buf, sizeof buf - 1, &sym, nullptr);
        if (n > 0) utf8.assign(buf, static_cast<size_t>(n));
      }
      if (!vk && sym) vk = VkFromKeysym(sym);
      bool committedOnly = viaIm && st == XLookupChars;
      if (committedOnly || !vk) {
        // Text from the input method without a key of its own: characters only.
        for (char16_t u : Utf8ToUtf16(utf8)) {
          InputEvent c;
          c.kind = InputEvent::Char;
          c.text = std::u16string(1, u);
          Emit(std::move(c), k.time);
        }
        return;
      }
      text = Utf8ToUtf16(utf8);
      // Control characters come from the key itself when the message loop translates it.
      if (!text.empty() && text[0] < 0x20) text.clear();
      if (GetKeyState(VK_CONTROL) < 0 || GetAsyncKeyState(VK_CONTROL) < 0) text.clear();
    }
    if (!vk) return;
    InputEvent ev;
    ev.kind = InputEvent::Key;
    ev.vk = vk;
    ev.down = down;
    ev.scan = 0;
    ev.text = text;
    Emit(std::move(ev), k.time);
  }

  // An input event, now or, while input is held, once it goes on with its server time. What a key
  // means is read when it comes (the keyboard's mapping may change right after: tools that type
  // through a spare key map it anew for every character).
  void Emit(InputEvent ev, Time at) {
    if (collectingKey_) keyEvents_.push_back(std::move(ev));
    else if (holding_) held_.push_back(Held{at, std::move(ev)});
    else PushInput(std::move(ev));
  }

  void Handle(XEvent& ev) {
    switch (ev.type) {
      case Expose: {
        Window* w = FromX(ev.xexpose.window);
        if (w && w->surface) {
          XTop* t = Find(w->handle);
          if (t && PutSurface(*t, *w->surface, ev.xexpose.x, ev.xexpose.y, ev.xexpose.width, ev.xexpose.height))
            XSync(d_, False);
        }
        break;
      }
      case ConfigureNotify: {
        Window* w = FromX(ev.xconfigure.window);
        if (!w || (w->style & WS_MINIMIZE)) break;
        // The window's place and size now, both read from the server: the event's own size may be
        // older than the place read here.
        XWindowAttributes at{};
        if (!XGetWindowAttributes(d_, ev.xconfigure.window, &at)) break;
        int x = 0, y = 0;
        ::Window child;
        XTranslateCoordinates(d_, ev.xconfigure.window, root_, 0, 0, &x, &y, &child);
        RECT r = w->rect;
        RECT got{x, y, x + at.width, y + at.height};
        // The answer to one of our own requests, perhaps overtaken by a later one: nothing to do.
        XTop* t = Find(w->handle);
        if (t) {
          auto it = std::find_if(t->requested.begin(), t->requested.end(), [&](const RECT& q) {
            return q.left == got.left && q.top == got.top && q.right == got.right && q.bottom == got.bottom;
          });
          if (it != t->requested.end()) {
            t->requested.erase(t->requested.begin(), it + 1);
            break;
          }
        }
        if (r.left != x || r.top != y || r.right != got.right || r.bottom != got.bottom) {
          // The manager placed it: taken as it is, not asked for again (asking would move it on).
          if (t) t->requested.clear();
          HWND h = w->handle;
          applying_ = h;
          applyingRect_ = got;
          SetWindowPos(h, nullptr, x, y, at.width, at.height, SWP_NOZORDER | SWP_NOACTIVATE);
          applying_ = nullptr;
        }
        break;
      }
      case ButtonPress:
      case ButtonRelease: {
        int b = static_cast<int>(ev.xbutton.button);
        if (b == 4 || b == 5) {
          if (ev.type == ButtonPress) {
            InputEvent e;
            e.kind = InputEvent::Wheel;
            e.fromDisplay = true;
            e.delta = b == 4 ? WHEEL_DELTA : -WHEEL_DELTA;
            e.x = ev.xbutton.x_root;
            e.y = ev.xbutton.y_root;
            Emit(std::move(e), ev.xbutton.time);
          }
          break;
        }
        int button = b == 1 ? 0 : b == 3 ? 1 : b == 2 ? 2 : -1;
        if (button < 0) break;
        pointerInside_ = true;
        InputEvent e;
        e.kind = InputEvent::MouseButton;
        e.fromDisplay = true;
        e.button = button;
        e.down = ev.type == ButtonPress;
        e.x = ev.xbutton.x_root;
        e.y = ev.xbutton.y_root;
        Emit(std::move(e), ev.xbutton.time);
        break;
      }
      case MotionNotify: {
        pointerInside_ = true;
        InputEvent e;
        e.kind = InputEvent::MouseMove;
        e.fromDisplay = true;
        e.x = ev.xmotion.x_root;
        e.y = ev.xmotion.y_root;
        Emit(std::move(e), ev.xmotion.time);
        break;
      }
      case EnterNotify:
      case LeaveNotify: {
        // Leaving a top-level window: no motion event follows outside it, so the move away is
        // told here (the window under the pointer and its tracking hear of it at once).
        const XCrossingEvent& c = ev.xcrossing;
        if (c.mode == NotifyGrab || c.detail == NotifyInferior) break;
        pointerInside_ = ev.type == EnterNotify;
        InputEvent e;
        e.kind = InputEvent::MouseMove;
        e.fromDisplay = true;
        e.away = ev.type == LeaveNotify;
        e.x = c.x_root;
        e.y = c.y_root;
        Emit(std::move(e), c.time);
        break;
      }
      case KeyPress:
      case KeyRelease:
        if (ev.type == KeyRelease && XPending(d_)) {
          XEvent next;
          XPeekEvent(d_, &next);
          if (IsAutoRepeat(ev, next)) break;
        }
        // What the key means is read first, before anything asks the server a question: the
        // mapping of a key may change right after it.
        keyEvents_.clear();
        collectingKey_ = true;
        Key(ev.xkey, ev.type == KeyPress);
        collectingKey_ = false;
        HoldIfPointerHeld(ev);
        for (InputEvent& e : keyEvents_) Emit(std::move(e), ev.xkey.time);
        keyEvents_.clear();
        break;
      case FocusIn: {
        Window* w = FromX(ev.xfocus.window);
        if (!w) break;
        // Keys released while another window (or the window manager's grab) had the keyboard
        // never told us: the server's keyboard is the truth.
        ForgetKeysTheServerReleased();
        ime_->Focus(w->handle, true);
        if (GetActiveWindow() != w->handle && !(w->style & WS_DISABLED) && !(w->exStyle & WS_EX_NOACTIVATE))
          SetActiveWindow(w->handle);
        break;
      }
      case FocusOut: {
        Window* w = FromX(ev.xfocus.window);
        if (w) ime_->Focus(w->handle, false);
        break;
      }
      case ClientMessage:
        if (ev.xclient.message_type == wmProtocols_ && static_cast<Atom>(ev.xclient.data.l[0]) == wmDelete_) {
          if (Window* w = FromX(ev.xclient.window)) PostMessage(w->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        break;
      case SelectionClear:
        if (ev.xselectionclear.selection == clipboard_) {
          owningClipboard_ = false;
          ClipboardLostToExternal();
        }
        break;
      case SelectionRequest:
        AnswerSelection(ev.xselectionrequest);
        break;
      case MappingNotify:
        // Keys remapped while we run (layout switches; tools that type through a spare key map it
        // anew for every character, so a notice comes with every key). With the keyboard
        // extension Xlib follows the change by itself and reads only the keys changed, when one is
        // next looked up; asking it to refresh would read the whole keyboard at every notice.
        // Without it the cached mapping is forgotten, or later keys read as the old symbols.
        if (ev.xmapping.request == MappingModifier || (ev.xmapping.request == MappingKeyboard && !xkb_))
          XRefreshKeyboardMapping(&ev.xmapping);
        break;
      default:
        break;
    }
  }

  void AnswerSelection(const XSelectionRequestEvent& r) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = r.display;
    reply.requestor = r.requestor;
    reply.selection = r.selection;
    reply.target = r.target;
    reply.time = r.time;
    reply.property = 0;
    std::u16string text;
    if (r.selection == clipboard_ && ClipboardTextForExport(&text)) {
      Atom prop = r.property ? r.property : r.target;
      if (r.target == targets_) {
        Atom list[] = {targets_, utf8_, XA_STRING, textAtom_};
        XChangeProperty(d_, r.requestor, prop, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(list), 4);
        reply.property = prop;
      } else if (r.target == utf8_ || r.target == XA_STRING || r.target == textAtom_) {
        std::string bytes = Utf16ToUtf8(text);
        if (r.target == XA_STRING) {
          // Latin-1 only: other characters become '?'.
          std::string latin;
          for (char16_t u : text) latin.push_back(u < 0x100 ? static_cast<char>(u) : '?');
          bytes = latin;
        }
        XChangeProperty(d_, r.requestor, prop, r.target == XA_STRING ? XA_STRING : utf8_, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
        reply.property = prop;
      }
    }
    XSendEvent(d_, r.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
    XFlush(d_);
  }

  Display* d_;
  std::thread::id owner_;
  int screen_ = 0;
  ::Window root_ = 0;
  ::Window helper_ = 0;
  Atom wmDelete_, wmProtocols_, clipboard_, utf8_, targets_, textAtom_, netWmName_, transfer_;
  std::unique_ptr<X11InputMethod> ime_;
  bool shmOk_ = false;
  bool wmPresent_ = false;
  bool xkb_ = false;  // Xlib reads keys through the keyboard extension
  // The place the server reported for a window, being taken as its own (not asked for again).
  HWND applying_ = nullptr;
  RECT applyingRect_{};
  std::map<HWND, XTop> tops_;
  std::map<::Window, HWND> byX_;
  Cursor cursor_ = 0;
  std::map<Cursor, bool> ownCursor_;
  std::map<int, Cursor> fontCursors_;
  bool owningClipboard_ = false;
  int wake_[2] = {-1, -1};
  // Input waiting for a press that another client's grab holds (HoldIfPointerHeld).
  struct Held {
    Time at;
    InputEvent ev;
  };
  bool holding_ = false;
  std::vector<Held> held_;
  bool collectingKey_ = false;         // the events of one key are gathered before they go on
  std::vector<InputEvent> keyEvents_;
  std::chrono::steady_clock::time_point heldSince_;
  bool pointerInside_ = false;  // over one of our windows, as far as we were told
};

void X11Backend::fcntl_nonblock(int fd) {
  fcntl(fd, F_SETFL, O_NONBLOCK);
  fcntl(fd, F_SETFD, FD_CLOEXEC);
}

Cursor X11Backend::MakeCursor(HCURSOR c) {
  int id = 0, hx = 0, hy = 0, wd = 0, ht = 0;
  const std::vector<uint32_t>* argb = nullptr;
  if (!c || !CursorInfo(c, &id, &hx, &hy, &wd, &ht, &argb)) id = 32512;
  if (id) {
    auto it = fontCursors_.find(id);
    if (it != fontCursors_.end()) return it->second;
    Cursor xc = XCreateFontCursor(d_, FontCursorFor(id));
    fontCursors_[id] = xc;
    return xc;
  }
  // Pixel cursors: two 1-bit planes, shape from alpha, black where the pixel is dark.
  int stride = (wd + 7) / 8;
  std::vector<char> src(static_cast<size_t>(stride) * ht, 0), mask(static_cast<size_t>(stride) * ht, 0);
  for (int y = 0; y < ht; ++y)
    for (int x = 0; x < wd; ++x) {
      uint32_t p = (*argb)[static_cast<size_t>(y) * wd + x];
      if ((p >> 24) == 0) continue;
      mask[static_cast<size_t>(y) * stride + x / 8] |= static_cast<char>(1 << (x % 8));
      int lum = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
      if (lum < 384) src[static_cast<size_t>(y) * stride + x / 8] |= static_cast<char>(1 << (x % 8));
    }
  Pixmap ps = XCreateBitmapFromData(d_, root_, src.data(), static_cast<unsigned>(wd), static_cast<unsigned>(ht));
  Pixmap pm = XCreateBitmapFromData(d_, root_, mask.data(), static_cast<unsigned>(wd), static_cast<unsigned>(ht));
  XColor black{}, white{};
  white.red = white.green = white.blue = 0xFFFF;
  Cursor xc = XCreatePixmapCursor(d_, ps, pm, &black, &white, static_cast<unsigned>(hx), static_cast<unsigned>(hy));
  XFreePixmap(d_, ps);
  XFreePixmap(d_, pm);
  ownCursor_[xc] = true;
  return xc;
}

}  // namespace

std::unique_ptr<Backend> CreateX11Backend() {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return nullptr;
  return std::make_unique<X11Backend>(d);
}

}  // namespace fano_os::wm
