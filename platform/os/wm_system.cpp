// System metrics and parameters, the monitor and its work area, the desktop surface, dynamic
// libraries, the choice of display back-end and the headless back-end.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "platform/os/gdi_internal.h"
#include "platform/os/wm_internal.h"

namespace fano_os::wm {

namespace {

const HMONITOR kMonitor = reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(0x7FFF0000));

// Wakes a thread waiting in Poll from another thread: a non-blocking pipe.
class WakePipe {
 public:
  WakePipe() {
    if (pipe(fds_) == 0) {
      fcntl(fds_[0], F_SETFL, O_NONBLOCK);
      fcntl(fds_[1], F_SETFL, O_NONBLOCK);
      fcntl(fds_[0], F_SETFD, FD_CLOEXEC);
      fcntl(fds_[1], F_SETFD, FD_CLOEXEC);
    } else {
      fds_[0] = fds_[1] = -1;
    }
  }
  ~WakePipe() {
    if (fds_[0] >= 0) close(fds_[0]);
    if (fds_[1] >= 0) close(fds_[1]);
  }
  int ReadFd() const { return fds_[0]; }
  void Wake() {
    char c = 1;
    if (fds_[1] >= 0) (void)!write(fds_[1], &c, 1);
  }
  void Drain() {
    char buf[64];
    if (fds_[0] >= 0)
      while (read(fds_[0], buf, sizeof buf) > 0) {
      }
  }

 private:
  int fds_[2];
};

class HeadlessBackend : public Backend {
 public:
  int Kind() const override { return FANO_DISPLAY_HEADLESS; }
  void Poll(int timeoutMs) override {
    if (timeoutMs == 0) {
      pipe_.Drain();
      return;
    }
    pollfd p{pipe_.ReadFd(), POLLIN, 0};
    if (p.fd >= 0) poll(&p, 1, timeoutMs);
    pipe_.Drain();
  }
  void WakeUp() override { pipe_.Wake(); }
  RECT ScreenRect() override { return screen; }
  RECT WorkArea() override { return workSet ? work : screen; }

  RECT screen{0, 0, 1280, 1024};
  RECT work{0, 0, 1280, 1024};
  bool workSet = false;

 private:
  WakePipe pipe_;
};

struct BackendHolder {
  std::mutex lock;
  std::unique_ptr<Backend> backend;
  bool forceHeadless = false;
  RECT workOverride{0, 0, 0, 0};
  bool hasWorkOverride = false;
  std::unique_ptr<Surface> desktopSurface;
};

BackendHolder& B() {
  static BackendHolder* b = new BackendHolder;
  return *b;
}

RECT WorkRect() {
  BackendHolder& b = B();
  if (b.hasWorkOverride) return b.workOverride;
  return GetBackend()->WorkArea();
}

bool Intersects(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

std::unique_ptr<Backend> CreateHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

Backend* GetBackend() {
  BackendHolder& b = B();
  std::lock_guard<std::mutex> g(b.lock);
  if (!b.backend) {
    const char* headless = getenv("FANO_HEADLESS");
    const char* display = getenv("DISPLAY");
    bool wantHeadless = b.forceHeadless || (headless && *headless && strcmp(headless, "0") != 0) || !display || !*display;
    if (!wantHeadless) b.backend = CreateX11Backend();
    if (!b.backend) b.backend = CreateHeadlessBackend();
    RECT s = b.backend->ScreenRect();
    SetDesktopSize(s.right - s.left, s.bottom - s.top);
  }
  return b.backend.get();
}

Surface* DesktopSurface() {
  BackendHolder& b = B();
  RECT s = GetBackend()->ScreenRect();
  std::lock_guard<std::mutex> g(b.lock);
  int w = s.right - s.left, h = s.bottom - s.top;
  if (!b.desktopSurface) {
    b.desktopSurface = std::make_unique<Surface>();
    b.desktopSurface->Resize(w, h, SysColor(COLOR_BACKGROUND));
  } else if (b.desktopSurface->width != w || b.desktopSurface->height != h) {
    b.desktopSurface->Resize(w, h, SysColor(COLOR_BACKGROUND));
  }
  return b.desktopSurface.get();
}

int Metric(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN: {
      RECT s = GetBackend()->ScreenRect();
      return s.right - s.left;
    }
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN: {
      RECT s = GetBackend()->ScreenRect();
      return s.bottom - s.top;
    }
    case SM_XVIRTUALSCREEN: return GetBackend()->ScreenRect().left;
    case SM_YVIRTUALSCREEN: return GetBackend()->ScreenRect().top;
    case SM_CXFULLSCREEN: {
      RECT w = WorkRect();
      return w.right - w.left;
    }
    case SM_CYFULLSCREEN: {
      RECT w = WorkRect();
      return w.bottom - w.top - 19;
    }
    case SM_CXMAXIMIZED: {
      RECT w = WorkRect();
      return w.right - w.left + 8;
    }
    case SM_CYMAXIMIZED: {
      RECT w = WorkRect();
      return w.bottom - w.top + 8;
    }
    case SM_CXMAXTRACK: return Metric(SM_CXSCREEN) + 12;
    case SM_CYMAXTRACK: return Metric(SM_CYSCREEN) + 12;
    case SM_CXVSCROLL: return 16;
    case SM_CYHSCROLL: return 16;
    case SM_CYVSCROLL: return 16;
    case SM_CXHSCROLL: return 16;
    case SM_CYVTHUMB: return 16;
    case SM_CXHTHUMB: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CYSMCAPTION: return 15;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
    case SM_CXICONSPACING:
    case SM_CYICONSPACING: return index == SM_CXICONSPACING || index == SM_CYICONSPACING ? 75 : 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYMENU: return 19;
    case SM_CXSIZE:
    case SM_CYSIZE: return 18;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE: return 12;
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE: return 18;
    case SM_CXMIN:
    case SM_CXMINTRACK: return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK: return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER: return 1;
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT: return 1;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_CMONITORS: return 1;
    case SM_SAMEDISPLAYFORMAT: return 1;
    case SM_DBCSENABLED: return 1;  // a Chinese system
    case SM_IMMENABLED: return 1;
    case SM_MENUDROPALIGNMENT: return 0;
    case SM_SWAPBUTTON:
    case SM_DEBUG:
    case SM_MIDEASTENABLED:
    case SM_REMOTESESSION:
    case SM_CYKANJIWINDOW: return 0;
    default: return 0;
  }
}

}  // namespace fano_os::wm

using namespace fano_os;
using namespace fano_os::wm;

extern "C" {

int GetSystemMetrics(int index) { return Metric(index); }

BOOL SystemParametersInfo(UINT action, UINT param, void* data, UINT) {
  auto setUint = [&](UINT v) {
    if (!data) return FALSE;
    *static_cast<UINT*>(data) = v;
    return TRUE;
  };
  auto setBool = [&](BOOL v) {
    if (!data) return FALSE;
    *static_cast<BOOL*>(data) = v;
    return TRUE;
  };
  switch (action) {
    case SPI_GETWORKAREA:
      if (!data) return FALSE;
      *static_cast<RECT*>(data) = WorkRect();
      return TRUE;
    case SPI_SETWORKAREA:
      FanoSetWorkArea(static_cast<const RECT*>(data));
      return TRUE;
    case SPI_GETNONCLIENTMETRICS: {
      auto* m = static_cast<NONCLIENTMETRICSA*>(data);
      UINT size = m ? m->cbSize : 0;
      if (!m || (size != sizeof(NONCLIENTMETRICSA) && size != offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth))) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      LOGFONTA ui{};
      GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof ui, &ui);
      memset(m, 0, size);
      m->cbSize = size;
      m->iBorderWidth = 1;
      m->iScrollWidth = Metric(SM_CXVSCROLL);
      m->iScrollHeight = Metric(SM_CYHSCROLL);
      m->iCaptionWidth = m->iCaptionHeight = Metric(SM_CYCAPTION) - 1;
      m->iSmCaptionWidth = m->iSmCaptionHeight = Metric(SM_CYSMCAPTION) - 1;
      m->iMenuWidth = m->iMenuHeight = Metric(SM_CYMENU) - 1;
      m->lfCaptionFont = m->lfSmCaptionFont = m->lfMenuFont = m->lfStatusFont = m->lfMessageFont = ui;
      m->lfCaptionFont.lfWeight = m->lfSmCaptionFont.lfWeight = 700;  // captions are bold
      return TRUE;
    }
    case SPI_GETICONTITLELOGFONT:
      if (!data) return FALSE;
      return GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(LOGFONTA), data) ? TRUE : FALSE;
    case SPI_GETWHEELSCROLLLINES: return setUint(3);
    case SPI_GETKEYBOARDDELAY: return setUint(1);
    case SPI_GETKEYBOARDSPEED: return setUint(31);
    case SPI_GETMOUSEHOVERWIDTH:
    case SPI_GETMOUSEHOVERHEIGHT: return setUint(4);
    case SPI_GETMOUSEHOVERTIME: return setUint(400);
    case SPI_GETMENUSHOWDELAY: return setUint(400);
    case SPI_GETCARETWIDTH: return setUint(1);
    case SPI_GETDRAGFULLWINDOWS: return setBool(TRUE);
    case SPI_GETCOMBOBOXANIMATION:
    case SPI_GETLISTBOXSMOOTHSCROLLING:
    case SPI_GETGRADIENTCAPTIONS:
    case SPI_GETKEYBOARDCUES:
    case SPI_GETHOTTRACKING:
    case SPI_GETMENUFADE:
    case SPI_GETSELECTIONFADE:
    case SPI_GETTOOLTIPANIMATION:
    case SPI_GETTOOLTIPFADE:
    case SPI_GETFLATMENU: return setBool(FALSE);
    default:
      (void)param;
      SetError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
}

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
  if (!rect) return nullptr;
  if (flags == MONITOR_DEFAULTTONULL && !Intersects(*rect, GetBackend()->ScreenRect())) return nullptr;
  return kMonitor;
}

HMONITOR MonitorFromPoint(POINT pt, DWORD flags) {
  RECT r{pt.x, pt.y, pt.x + 1, pt.y + 1};
  return MonitorFromRect(&r, flags);
}

HMONITOR MonitorFromWindow(HWND wnd, DWORD flags) {
  Window* w = FromHandle(wnd);
  if (!w) return flags == MONITOR_DEFAULTTONULL ? nullptr : kMonitor;
  RECT r = WindowRectScreen(w);
  if (r.right <= r.left) r.right = r.left + 1;
  if (r.bottom <= r.top) r.bottom = r.top + 1;
  return MonitorFromRect(&r, flags);
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  if (monitor != kMonitor || !info || info->cbSize < sizeof(MONITORINFO)) return FALSE;
  info->rcMonitor = GetBackend()->ScreenRect();
  info->rcWork = WorkRect();
  info->dwFlags = MONITORINFOF_PRIMARY;
  return TRUE;
}

HMODULE LoadLibrary(const char* path) {
  if (!path || !*path) {
    SetError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* h = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    SetError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return static_cast<HMODULE>(h);
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (!module || !name || IS_INTRESOURCE(name)) {
    SetError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  dlerror();
  void* p = dlsym(static_cast<void*>(module), name);
  if (!p) SetError(ERROR_PROC_NOT_FOUND);
  return p;
}

BOOL FreeLibrary(HMODULE module) {
  if (!module) return FALSE;
  return dlclose(static_cast<void*>(module)) == 0 ? TRUE : FALSE;
}

HMODULE GetModuleHandle(const char* name) {
  void* h = name ? dlopen(name, RTLD_NOW | RTLD_NOLOAD) : dlopen(nullptr, RTLD_NOW);
  if (!h) {
    SetError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  dlclose(h);  // the handle stays valid while the library stays loaded
  return static_cast<HMODULE>(h);
}

int FanoDisplayKind(void) { return GetBackend()->Kind(); }

BOOL FanoUseHeadless(void) {
  BackendHolder& b = B();
  std::lock_guard<std::mutex> g(b.lock);
  if (b.backend) return b.backend->Kind() == FANO_DISPLAY_HEADLESS;
  b.forceHeadless = true;
  return TRUE;
}

void FanoSetScreenSize(int width, int height) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return;
  Backend* be = GetBackend();
  if (be->Kind() != FANO_DISPLAY_HEADLESS) return;
  auto* h = static_cast<HeadlessBackend*>(be);
  h->screen = RECT{0, 0, width, height};
  if (!h->workSet) h->work = h->screen;
  Window* d = Desktop();
  d->rect = h->screen;
  d->client = RECT{0, 0, width, height};
  SetDesktopSize(width, height);
}

void FanoSetWorkArea(const RECT* work) {
  BackendHolder& b = B();
  if (!work || work->right <= work->left || work->bottom <= work->top) {
    b.hasWorkOverride = false;
    return;
  }
  b.hasWorkOverride = true;
  b.workOverride = *work;
}

}  // extern "C"
