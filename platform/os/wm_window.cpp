// Windows: the handle registry, classes, creation and destruction, the window tree and z-order,
// geometry, SetWindowPos / ShowWindow / SetParent, window longs, properties and texts.
#include <unicode/ustring.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/os/wm_hooks.h"
#include "platform/os/wm_internal.h"

namespace fano_os::wm {

namespace {

// Handle values: (generation << 20) | (slot << 2) | 2. The low bits tell window handles from
// the drawing layer's, the generation catches stale handles, and values stay below 2^31.
constexpr uintptr_t kTag = 2;
constexpr uint32_t kMaxSlots = 1u << 18;

struct Slot {
  Window* w = nullptr;
  uint32_t gen = 0;
};

struct Registry {
  std::mutex lock;
  std::vector<Slot> slots;
  std::deque<uint32_t> freeSlots;
  std::map<std::string, std::unique_ptr<WndClass>> classes;
  WORD nextAtom = 0xC000;
  Window* desktop = nullptr;
};

Registry& Reg() {
  static Registry* r = new Registry;  // lives as long as the process: windows may outlive statics
  return *r;
}

thread_local DWORD tlsError = 0;

HWND AllocHandle(Window* w) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> g(r.lock);
  uint32_t index;
  // Reuse the oldest free slot only when many are free, so a stale handle rarely comes back.
  if (r.freeSlots.size() > 64 || (r.slots.size() >= kMaxSlots && !r.freeSlots.empty())) {
    index = r.freeSlots.front();
    r.freeSlots.pop_front();
  } else if (r.slots.size() < kMaxSlots) {
    index = static_cast<uint32_t>(r.slots.size());
    r.slots.push_back(Slot{});
  } else {
    return nullptr;
  }
  Slot& s = r.slots[index];
  s.gen = (s.gen + 1) & 0x7FF;
  if (s.gen == 0) s.gen = 1;
  s.w = w;
  return reinterpret_cast<HWND>((static_cast<uintptr_t>(s.gen) << 20) | (static_cast<uintptr_t>(index) << 2) | kTag);
}

void FreeHandle(HWND h) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> g(r.lock);
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  uint32_t index = static_cast<uint32_t>((v >> 2) & (kMaxSlots - 1));
  if (index < r.slots.size()) {
    r.slots[index].w = nullptr;
    r.freeSlots.push_back(index);
  }
}

int FrameThickness(const Window* w) {
  if (FramedByDisplay(w)) return 0;
  if (w->style & WS_THICKFRAME) return Metric(SM_CXFRAME);
  if ((w->style & WS_DLGFRAME) || (w->exStyle & WS_EX_DLGMODALFRAME)) return Metric(SM_CXDLGFRAME);
  if (w->style & WS_BORDER) return Metric(SM_CXBORDER);
  return 0;
}

RECT Rect(int l, int t, int r, int b) { return RECT{l, t, r, b}; }

int Count(const std::vector<Window*>& v, bool topmost) {
  int n = 0;
  for (Window* c : v) if (((c->exStyle & WS_EX_TOPMOST) != 0) == topmost) ++n;
  return n;
}

bool IsOwnedBy(const Window* w, const Window* owner) {
  for (const Window* o = w->owner; o; o = o->owner)
    if (o == owner) return true;
  return false;
}

// Places w among its siblings. after: HWND_TOP, HWND_BOTTOM, HWND_TOPMOST, HWND_NOTOPMOST or a
// sibling. Owned top-level windows stay in front of their owners.
void PlaceInZOrder(Window* w, HWND after, bool moveOwned) {
  Window* p = w->parent;
  auto& v = p->children;
  v.erase(std::remove(v.begin(), v.end(), w), v.end());
  bool top = IsTopLevel(w);
  size_t pos = 0;
  if (after == HWND_TOPMOST) {
    if (top) w->exStyle |= WS_EX_TOPMOST;
    pos = 0;
  } else if (after == HWND_NOTOPMOST) {
    w->exStyle &= ~WS_EX_TOPMOST;
    pos = static_cast<size_t>(Count(v, true));
  } else if (after == HWND_BOTTOM) {
    if (top) w->exStyle &= ~WS_EX_TOPMOST;
    pos = v.size();
  } else if (after == HWND_TOP) {
    pos = (top && !(w->exStyle & WS_EX_TOPMOST)) ? static_cast<size_t>(Count(v, true)) : 0;
  } else {
    Window* a = FromHandle(after);
    auto it = a ? std::find(v.begin(), v.end(), a) : v.end();
    pos = it == v.end() ? 0 : static_cast<size_t>(it - v.begin()) + 1;
  }
  if (top) {
    size_t nTop = static_cast<size_t>(Count(v, true));
    if (w->exStyle & WS_EX_TOPMOST) pos = std::min(pos, nTop);
    else pos = std::max(pos, nTop);
    // Never behind a window it is owned by.
    for (size_t i = pos; i < v.size(); ++i)
      if (IsOwnedBy(w, v[i])) { pos = i; break; }
  }
  pos = std::min(pos, v.size());
  v.insert(v.begin() + static_cast<long>(pos), w);
  if (top && moveOwned) {
    std::vector<Window*> owned;
    for (Window* c : v)
      if (c != w && IsOwnedBy(c, w)) owned.push_back(c);
    if (!owned.empty()) {
      for (Window* o : owned) v.erase(std::remove(v.begin(), v.end(), o), v.end());
      auto it = std::find(v.begin(), v.end(), w);
      v.insert(it, owned.begin(), owned.end());
    }
  }
}

// Pointer-sized values in the extra bytes of a window or a class.
bool ReadExtra(const std::vector<uint8_t>& extra, int index, LONG_PTR* out) {
  if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > extra.size()) return false;
  memcpy(out, extra.data() + index, sizeof *out);
  return true;
}

bool WriteExtra(std::vector<uint8_t>& extra, int index, LONG_PTR value, LONG_PTR* old) {
  if (!ReadExtra(extra, index, old)) return false;
  memcpy(extra.data() + index, &value, sizeof value);
  return true;
}

void SendParentNotify(Window* w, UINT event) {
  HWND h = w->handle;
  LPARAM lp = reinterpret_cast<LPARAM>(h);
  WPARAM wp = MAKEWPARAM(event, static_cast<WORD>(w->id));
  while (true) {
    Window* c = FromHandle(h);
    if (!c || !(c->style & WS_CHILD) || (c->exStyle & WS_EX_NOPARENTNOTIFY) || !c->parent || c->parent == Desktop())
      return;
    Window* p = c->parent;
    h = p->handle;
    CallProc(p, WM_PARENTNOTIFY, wp, lp);
  }
}

void ActivateNext(Window* leaving) {
  // Activation goes to the owner when it can take it, else to the front-most visible top-level.
  if (GetActiveWindow() != leaving->handle) return;
  Window* next = nullptr;
  if (leaving->owner && IsVisibleChain(leaving->owner) && IsEnabledChain(leaving->owner)) next = leaving->owner;
  if (!next) {
    for (Window* c : Desktop()->children) {
      if (c == leaving || !(c->style & WS_VISIBLE) || (c->style & WS_DISABLED) || c->destroying) continue;
      if (c->thread != leaving->thread || (c->exStyle & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE))) continue;
      next = c;
      break;
    }
  }
  SetActiveWindow(next ? next->handle : nullptr);
}

void DefaultPosition(int* x, int* y, int* cx, int* cy, bool child) {
  if (child) {
    if (*x == CW_USEDEFAULT) *x = *y = 0;
    if (*cx == CW_USEDEFAULT) *cx = *cy = 0;
    return;
  }
  static int cascade = 0;
  if (*x == CW_USEDEFAULT) {
    *x = *y = 26 * (cascade % 8);
    ++cascade;
  }
  if (*cx == CW_USEDEFAULT) {
    *cx = Metric(SM_CXSCREEN) * 3 / 4;
    *cy = Metric(SM_CYSCREEN) * 3 / 4;
  }
}

}  // namespace

// ---- helpers shared inside the library

std::string Lower(const char* s) {
  std::string out = s ? s : "";
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

void SetError(DWORD code) { tlsError = code; }

std::u16string Utf8ToUtf16(const std::string& s) {
  std::u16string out(s.size(), u'\0');
  int32_t n = 0;
  UErrorCode err = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &n, s.data(),
                       static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &err);
  out.resize(U_SUCCESS(err) ? static_cast<size_t>(n) : 0);
  return out;
}

std::string Utf16ToUtf8(const std::u16string& s) {
  std::string out(s.size() * 3, '\0');
  int32_t n = 0;
  UErrorCode err = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &n, reinterpret_cast<const UChar*>(s.data()),
                     static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &err);
  out.resize(U_SUCCESS(err) ? static_cast<size_t>(n) : 0);
  return out;
}

Window* FromHandle(HWND h) {
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  if ((v & 3) != kTag || (v >> 31) != 0) return nullptr;
  uint32_t index = static_cast<uint32_t>((v >> 2) & (kMaxSlots - 1));
  uint32_t gen = static_cast<uint32_t>((v >> 20) & 0x7FF);
  Registry& r = Reg();
  std::lock_guard<std::mutex> g(r.lock);
  if (index >= r.slots.size()) return nullptr;
  const Slot& s = r.slots[index];
  if (!s.w || s.gen != gen) return nullptr;
  return s.w;
}

Window* Desktop() {
  Registry& r = Reg();
  {
    std::lock_guard<std::mutex> g(r.lock);
    if (r.desktop) return r.desktop;
  }
  Window* d = new Window;
  RECT screen = GetBackend()->ScreenRect();
  d->rect = screen;
  d->client = Rect(0, 0, screen.right - screen.left, screen.bottom - screen.top);
  d->style = WS_VISIBLE | WS_CLIPCHILDREN;
  d->handle = AllocHandle(d);
  std::lock_guard<std::mutex> g(r.lock);
  r.desktop = d;
  return d;
}

bool IsTopLevel(const Window* w) { return w && w->parent && w->parent == Desktop(); }

bool FramedByDisplay(const Window* w) {
  return IsTopLevel(w) && (w->style & WS_CAPTION) == WS_CAPTION && !(w->style & WS_CHILD) &&
         GetBackend()->FramesTopLevels();
}

Window* TopLevelOf(Window* w) {
  while (w && w->parent && !IsTopLevel(w)) w = w->parent;
  return w;
}

bool IsVisibleChain(const Window* w) {
  for (; w; w = w->parent)
    if (!(w->style & WS_VISIBLE)) return false;
  return true;
}

bool IsEnabledChain(const Window* w) {
  for (; w && w->parent; w = w->parent) {
    if (w->style & WS_DISABLED) return false;
    if (IsTopLevel(w)) break;
  }
  return true;
}

RECT WindowRectScreen(const Window* w) {
  if (!w->parent || IsTopLevel(w)) return w->rect;
  POINT o = ClientOriginScreen(w->parent);
  return Rect(w->rect.left + o.x, w->rect.top + o.y, w->rect.right + o.x, w->rect.bottom + o.y);
}

POINT ClientOriginScreen(const Window* w) {
  RECT r = WindowRectScreen(w);
  return POINT{r.left + w->client.left, r.top + w->client.top};
}

RECT ClientRectScreen(const Window* w) {
  POINT o = ClientOriginScreen(w);
  return Rect(o.x, o.y, o.x + (w->client.right - w->client.left), o.y + (w->client.bottom - w->client.top));
}

RECT WindowRectInTop(const Window* w) {
  RECT r = WindowRectScreen(w);
  const Window* top = TopLevelOf(const_cast<Window*>(w));
  RECT t = WindowRectScreen(top);
  return Rect(r.left - t.left, r.top - t.top, r.right - t.left, r.bottom - t.top);
}

void ForEachWindow(const std::function<void(Window*)>& fn) {
  std::function<void(Window*)> walk = [&](Window* w) {
    std::vector<Window*> kids = w->children;
    for (Window* c : kids) {
      fn(c);
      walk(c);
    }
  };
  walk(Desktop());
}

void SetStyleBits(Window* w, DWORD add, DWORD remove) { w->style = (w->style | add) & ~remove; }

// The default client area: frame, caption, edges and the scroll bars the style shows.
static void DefaultClientRect(const Window* w, RECT* r) {
  if (w->style & WS_MINIMIZE) {
    r->right = r->left;
    r->bottom = r->top;
    return;
  }
  int f = FrameThickness(w);
  r->left += f; r->top += f; r->right -= f; r->bottom -= f;
  if ((w->style & WS_CAPTION) == WS_CAPTION && !FramedByDisplay(w))
    r->top += (w->exStyle & WS_EX_TOOLWINDOW) ? Metric(SM_CYSMCAPTION) : Metric(SM_CYCAPTION);
  if (w->exStyle & WS_EX_CLIENTEDGE) { r->left += 2; r->top += 2; r->right -= 2; r->bottom -= 2; }
  if (w->exStyle & WS_EX_STATICEDGE) { r->left += 1; r->top += 1; r->right -= 1; r->bottom -= 1; }
  if ((w->style & WS_VSCROLL) && r->right - r->left >= Metric(SM_CXVSCROLL)) {
    if (w->exStyle & WS_EX_LEFTSCROLLBAR) r->left += Metric(SM_CXVSCROLL);
    else r->right -= Metric(SM_CXVSCROLL);
  }
  if ((w->style & WS_HSCROLL) && r->bottom - r->top >= Metric(SM_CYHSCROLL)) r->bottom -= Metric(SM_CYHSCROLL);
  if (r->right < r->left) r->right = r->left;
  if (r->bottom < r->top) r->bottom = r->top;
}

RECT NcInnerRect(const Window* w) {
  Window probe;
  probe.style = w->style & ~(WS_VSCROLL | WS_HSCROLL);
  probe.exStyle = w->exStyle;
  probe.parent = w->parent;
  RECT r{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  DefaultClientRect(&probe, &r);
  return r;
}

LRESULT DefNcCalcSize(Window* w, WPARAM wp, LPARAM lp) {
  RECT* r = reinterpret_cast<RECT*>(lp);
  if (!r) return 0;
  if (wp) r = &reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0];
  DefaultClientRect(w, r);
  return 0;
}

// Computes the client rectangle for the window rectangle w->rect through WM_NCCALCSIZE.
static RECT NcCalc(Window* w, const RECT& newRect, const RECT& oldRect, bool sendMessage, WINDOWPOS* pos) {
  RECT oldClientParent{oldRect.left + w->client.left, oldRect.top + w->client.top, oldRect.left + w->client.right,
                       oldRect.top + w->client.bottom};
  RECT c = newRect;
  if (sendMessage) {
    HWND h = w->handle;
    if (pos) {
      NCCALCSIZE_PARAMS p{};
      p.rgrc[0] = newRect;
      p.rgrc[1] = oldRect;
      p.rgrc[2] = oldClientParent;
      p.lppos = pos;
      CallProc(w, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
      c = p.rgrc[0];
    } else {
      CallProc(w, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&c));
    }
    if (!FromHandle(h)) return RECT{0, 0, 0, 0};
  } else {
    DefaultClientRect(w, &c);
  }
  if (c.right < c.left) c.right = c.left;
  if (c.bottom < c.top) c.bottom = c.top;
  return Rect(c.left - newRect.left, c.top - newRect.top, c.right - newRect.left, c.bottom - newRect.top);
}

void RecalcNonClient(Window* w, bool sendMessage) { w->client = NcCalc(w, w->rect, w->rect, sendMessage, nullptr); }

HWND HitTestWindow(POINT pt, bool skipDisabled, LRESULT* hitCode) {
  // Walks from the desktop down: front-most visible window under the point; windows answering
  // HTTRANSPARENT let the point through to the ones behind them.
  Window* parent = Desktop();
  Window* found = nullptr;
  LRESULT code = HTNOWHERE;
  DWORD me = CurrentThread();
  while (true) {
    Window* hit = nullptr;
    std::vector<Window*> kids = parent->children;
    for (Window* c : kids) {
      if (!FromHandle(c->handle)) continue;
      if (!(c->style & WS_VISIBLE) || c->destroying) continue;
      RECT r = WindowRectScreen(c);
      if (pt.x < r.left || pt.x >= r.right || pt.y < r.top || pt.y >= r.bottom) continue;
      if (c->hasRegion && !c->windowRegion.Contains(pt.x - r.left, pt.y - r.top)) continue;
      if (skipDisabled && (c->style & WS_DISABLED) && !IsTopLevel(c)) break;  // the parent takes it
      LRESULT ht = HTCLIENT;
      if (c->thread == me) {
        HWND h = c->handle;
        ht = CallProc(c, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
        if (!FromHandle(h)) continue;
      }
      if (ht == HTTRANSPARENT) continue;
      hit = c;
      code = ht;
      break;
    }
    if (!hit) break;
    found = hit;
    RECT cr = ClientRectScreen(hit);
    if (pt.x < cr.left || pt.x >= cr.right || pt.y < cr.top || pt.y >= cr.bottom) break;
    if (skipDisabled && (hit->style & WS_DISABLED)) break;
    parent = hit;
  }
  if (hitCode) *hitCode = found ? code : HTNOWHERE;
  return found ? found->handle : nullptr;
}

}  // namespace fano_os::wm

using namespace fano_os::wm;

namespace {

bool SameThread(const Window* w) { return w && w->thread == CurrentThread(); }

WndClass* FindClass(const char* name) {
  Registry& r = Reg();
  std::lock_guard<std::mutex> g(r.lock);
  if (IS_INTRESOURCE(name)) {
    WORD atom = static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
    for (auto& [k, c] : r.classes)
      if (c->atom == atom) return c.get();
    return nullptr;
  }
  auto it = r.classes.find(Lower(name));
  return it == r.classes.end() ? nullptr : it->second.get();
}

void EnsureSystemClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterScrollBarClass();
    RegisterStandardControls();
  });
}

// Sends WM_SIZE and WM_MOVE for the window's current client area.
void SendSizeMove(Window* w) {
  HWND h = w->handle;
  WPARAM kind = (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : SIZE_RESTORED;
  CallProc(w, WM_SIZE, kind, MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
  w = FromHandle(h);
  if (!w) return;
  CallProc(w, WM_MOVE, 0, MAKELPARAM(w->rect.left + w->client.left, w->rect.top + w->client.top));
}

void DestroyTreeMessages(HWND h) {
  Window* w = FromHandle(h);
  if (!w) return;
  w->destroying = true;
  CallProc(w, WM_DESTROY, 0, 0);
  w = FromHandle(h);
  if (!w) return;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids) DestroyTreeMessages(k);
}

void FreeTree(HWND h) {
  Window* w = FromHandle(h);
  if (!w) return;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids) FreeTree(k);
  w = FromHandle(h);
  if (!w) return;
  CallProc(w, WM_NCDESTROY, 0, 0);
  w = FromHandle(h);
  if (!w) return;
  OnWindowDestroyed(w);
  KillWindowTimers(h);
  PurgeWindowMessages(h);
  if (IsTopLevel(w)) GetBackend()->TopLevelDestroyed(w);
  // Windows it owned (already destroyed) and children are gone; detach from the parent.
  if (w->parent) {
    auto& v = w->parent->children;
    v.erase(std::remove(v.begin(), v.end(), w), v.end());
  }
  ForEachWindow([w](Window* o) {
    if (o->owner == w) o->owner = nullptr;
  });
  if (w->cls) --w->cls->windows;
  DropSurface(w);
  FreeHandle(h);
  delete w;
}

// Does the work of SetWindowPos for a window of this thread.
BOOL DoSetWindowPos(Window* w, HWND after, int x, int y, int cx, int cy, UINT flags) {
  HWND h = w->handle;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  if ((flags & SWP_SHOWWINDOW) && wasVisible) flags &= ~SWP_SHOWWINDOW;
  if ((flags & SWP_HIDEWINDOW) && !wasVisible) flags &= ~SWP_HIDEWINDOW;
  WINDOWPOS wp{h, after, x, y, cx, cy, flags};
  if (flags & SWP_NOMOVE) { wp.x = w->rect.left; wp.y = w->rect.top; }
  if (flags & SWP_NOSIZE) { wp.cx = w->rect.right - w->rect.left; wp.cy = w->rect.bottom - w->rect.top; }
  if (!(flags & SWP_NOSENDCHANGING)) {
    CallProc(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    w = FromHandle(h);
    if (!w) return FALSE;
    flags = wp.flags;
  }
  if (wp.cx < 0) wp.cx = 0;
  if (wp.cy < 0) wp.cy = 0;
  RECT oldRect = w->rect;
  RECT oldClient = w->client;
  RECT newRect{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
  bool moved = newRect.left != oldRect.left || newRect.top != oldRect.top;
  bool sized = (newRect.right - newRect.left) != (oldRect.right - oldRect.left) ||
               (newRect.bottom - newRect.top) != (oldRect.bottom - oldRect.top);
  RECT newClient = oldClient;
  if (sized || (flags & SWP_FRAMECHANGED)) {
    w->rect = newRect;  // handlers of WM_NCCALCSIZE may look at it
    newClient = NcCalc(w, newRect, oldRect, true, &wp);
    w = FromHandle(h);
    if (!w) return FALSE;
  }
  // Exposed area of the parent, in the parent's client coordinates, before anything moves.
  bool changedGeometry = moved || sized || (flags & SWP_FRAMECHANGED);
  w->rect = newRect;
  w->client = newClient;
  if (!(flags & SWP_NOZORDER) && w->parent) PlaceInZOrder(w, wp.hwndInsertAfter, !(flags & SWP_NOOWNERZORDER));
  if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
  bool nowVisible = (w->style & WS_VISIBLE) != 0;
  bool top = IsTopLevel(w);
  if (top && (sized || !w->surface)) EnsureSurface(w);
  if (!(flags & SWP_NOREDRAW)) {
    if (wasVisible && (changedGeometry || !nowVisible || !(flags & SWP_NOZORDER))) ExposeInParent(w, oldRect);
    if (nowVisible) {
      // A top-level window keeps its own surface: moving it alone repaints nothing.
      bool whole = !wasVisible || (flags & SWP_FRAMECHANGED) || (!top && (moved || !(flags & SWP_NOZORDER)));
      if (sized && w->cls) {
        int ow = oldClient.right - oldClient.left, oh = oldClient.bottom - oldClient.top;
        int nw = newClient.right - newClient.left, nh = newClient.bottom - newClient.top;
        if (((w->cls->style & CS_HREDRAW) && ow != nw) || ((w->cls->style & CS_VREDRAW) && oh != nh)) whole = true;
        if (!whole) {
          Region grown(RECT{0, 0, nw, nh});
          grown.Subtract(RECT{0, 0, ow, oh});
          InvalidateInternal(w, &grown, true, true, true);
        }
      }
      if (whole) InvalidateInternal(w, nullptr, true, true, true);
      else if (sized || (flags & SWP_FRAMECHANGED)) w->frameDirty = true;
    }
  } else if (flags & SWP_FRAMECHANGED) {
    w->frameDirty = true;
  }
  if (top) {
    if ((flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)))
      GetBackend()->TopLevelShown(w, nowVisible, !(flags & SWP_NOACTIVATE));
    if (changedGeometry) GetBackend()->TopLevelMoved(w);
  }
  if (wasVisible && !nowVisible) {
    OnWindowHidden(w);
    w = FromHandle(h);
    if (!w) return TRUE;
    if (top) ActivateNext(w);
    w = FromHandle(h);
    if (!w) return TRUE;
  }
  if (top && nowVisible && !(flags & SWP_NOACTIVATE) && (flags & (SWP_SHOWWINDOW)) &&
      !(w->exStyle & WS_EX_NOACTIVATE) && !(w->style & WS_DISABLED)) {
    SetActiveWindow(h);
    w = FromHandle(h);
    if (!w) return TRUE;
  }
  WINDOWPOS done{h, wp.hwndInsertAfter, w->rect.left, w->rect.top, w->rect.right - w->rect.left,
                 w->rect.bottom - w->rect.top, flags};
  bool clientMoved = moved || oldClient.left != w->client.left || oldClient.top != w->client.top;
  bool clientSized = (oldClient.right - oldClient.left) != (w->client.right - w->client.left) ||
                     (oldClient.bottom - oldClient.top) != (w->client.bottom - w->client.top);
  if (!clientMoved) done.flags |= 0x1000;  // no client move: DefWindowProc skips WM_MOVE
  if (!clientSized) done.flags |= 0x0800;  // no client size: DefWindowProc skips WM_SIZE
  if (changedGeometry || (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) || !(flags & SWP_NOZORDER))
    CallProc(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&done));
  return TRUE;
}

RECT MaximizedRect(Window* w) {
  RECT area;
  if (IsTopLevel(w)) {
    MONITORINFO mi{sizeof(mi), {}, {}, 0};
    GetMonitorInfo(MonitorFromWindow(w->handle, MONITOR_DEFAULTTONEAREST), &mi);
    area = mi.rcWork;
  } else {
    area = RECT{0, 0, w->parent->client.right - w->parent->client.left,
                w->parent->client.bottom - w->parent->client.top};
  }
  // The frame lies outside the area, so the client area fills it as far as the caption allows.
  int f = FrameThickness(w) + ((w->exStyle & WS_EX_CLIENTEDGE) ? 2 : 0) + ((w->exStyle & WS_EX_STATICEDGE) ? 1 : 0);
  if (w->style & WS_CAPTION) f = FrameThickness(w);
  return RECT{area.left - f, area.top - f, area.right + f, area.bottom + f};
}

}  // namespace

extern "C" {

DWORD GetLastError(void) { return tlsError; }
void SetLastError(DWORD code) { tlsError = code; }

WORD RegisterClassEx(const WNDCLASSEX* wc) {
  if (!wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) || !*wc->lpszClassName) {
    SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (wc->cbClsExtra < 0 || wc->cbWndExtra < 0 || wc->cbClsExtra > 40 * 1024 || wc->cbWndExtra > 40 * 1024) {
    SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Registry& r = Reg();
  std::lock_guard<std::mutex> g(r.lock);
  std::string key = Lower(wc->lpszClassName);
  if (r.classes.count(key)) {
    SetError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto c = std::make_unique<WndClass>();
  c->name = wc->lpszClassName;
  c->key = key;
  c->style = wc->style;
  c->proc = wc->lpfnWndProc ? wc->lpfnWndProc : DefWindowProc;
  c->clsExtra = wc->cbClsExtra;
  c->wndExtra = wc->cbWndExtra;
  c->instance = wc->hInstance;
  c->icon = wc->hIcon;
  c->iconSm = wc->hIconSm;
  c->cursor = wc->hCursor;
  c->background = wc->hbrBackground;
  if (wc->lpszMenuName && !IS_INTRESOURCE(wc->lpszMenuName)) c->menuName = wc->lpszMenuName;
  c->extra.assign(static_cast<size_t>(wc->cbClsExtra), 0);
  c->atom = r.nextAtom++;
  WORD atom = c->atom;
  r.classes[key] = std::move(c);
  return atom;
}

WORD RegisterClass(const WNDCLASS* wc) {
  if (!wc) return 0;
  WNDCLASSEX ex{sizeof(WNDCLASSEX), wc->style, wc->lpfnWndProc, wc->cbClsExtra, wc->cbWndExtra, wc->hInstance,
                wc->hIcon, wc->hCursor, wc->hbrBackground, wc->lpszMenuName, wc->lpszClassName, nullptr};
  return RegisterClassEx(&ex);
}

BOOL UnregisterClass(const char* className, HINSTANCE) {
  WndClass* c = FindClass(className);
  if (!c) {
    SetError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (c->windows > 0) return FALSE;  // windows of the class still exist
  Registry& r = Reg();
  std::lock_guard<std::mutex> g(r.lock);
  r.classes.erase(c->key);
  return TRUE;
}

BOOL GetClassInfoEx(HINSTANCE, const char* className, WNDCLASSEX* out) {
  EnsureSystemClasses();
  WndClass* c = FindClass(className);
  if (!c || !out) {
    SetError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  out->cbSize = sizeof(WNDCLASSEX);
  out->style = c->style;
  out->lpfnWndProc = c->proc;
  out->cbClsExtra = c->clsExtra;
  out->cbWndExtra = c->wndExtra;
  out->hInstance = c->instance;
  out->hIcon = c->icon;
  out->hCursor = c->cursor;
  out->hbrBackground = c->background;
  out->lpszMenuName = c->menuName.empty() ? nullptr : c->menuName.c_str();
  out->lpszClassName = c->name.c_str();
  out->hIconSm = c->iconSm;
  return TRUE;
}

BOOL GetClassInfo(HINSTANCE instance, const char* className, WNDCLASS* out) {
  WNDCLASSEX ex{};
  if (!out || !GetClassInfoEx(instance, className, &ex)) return FALSE;
  *out = WNDCLASS{ex.style, ex.lpfnWndProc, ex.cbClsExtra, ex.cbWndExtra, ex.hInstance, ex.hIcon, ex.hCursor,
                  ex.hbrBackground, ex.lpszMenuName, ex.lpszClassName};
  return TRUE;
}

int GetClassName(HWND wnd, char* buffer, int size) {
  Window* w = FromHandle(wnd);
  if (!w || !buffer || size <= 0 || !w->cls) return 0;
  int n = std::min(size - 1, static_cast<int>(w->cls->name.size()));
  memcpy(buffer, w->cls->name.data(), static_cast<size_t>(n));
  buffer[n] = 0;
  return n;
}

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y, int cx,
                    int cy, HWND parentWnd, HMENU menuOrId, HINSTANCE instance, void* param) {
  EnsureSystemClasses();
  WndClass* cls = FindClass(className);
  if (!cls) {
    SetError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  Window* parent = Desktop();
  Window* owner = nullptr;
  if (style & WS_CHILD) {
    parent = FromHandle(parentWnd);
    if (!parent || parent->destroying) {
      SetError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
  } else if (parentWnd && parentWnd != HWND_MESSAGE) {
    Window* o = FromHandle(parentWnd);
    if (!o) {
      SetError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    owner = TopLevelOf(o);
  }
  if (!(style & (WS_CHILD | WS_POPUP))) style |= WS_CLIPSIBLINGS | WS_CAPTION;
  if (style & WS_POPUP) style |= WS_CLIPSIBLINGS;
  if ((style & WS_DLGFRAME) || (style & WS_THICKFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) exStyle |= WS_EX_WINDOWEDGE;
  DefaultPosition(&x, &y, &cx, &cy, (style & WS_CHILD) != 0);
  if (cx < 0) cx = 0;
  if (cy < 0) cy = 0;

  Window* w = new Window;
  w->thread = CurrentThread();
  w->cls = cls;
  w->proc = cls->proc;
  w->instance = instance;
  w->parent = parent;
  w->owner = owner;
  w->style = style & ~(WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE);
  w->exStyle = exStyle;
  w->rect = RECT{x, y, x + cx, y + cy};
  w->normalRect = w->rect;
  w->id = (style & WS_CHILD) ? reinterpret_cast<LONG_PTR>(menuOrId) : 0;
  w->extra.assign(static_cast<size_t>(cls->wndExtra), 0);
  w->bars[0].max = w->bars[1].max = 100;  // the window bars start with the range 0..100
  w->handle = AllocHandle(w);
  if (!w->handle) {
    delete w;
    SetError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  ++cls->windows;
  HWND h = w->handle;
  PlaceInZOrder(w, (exStyle & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_TOP, false);
  if (IsTopLevel(w)) {
    GetBackend()->TopLevelCreated(w);
    EnsureSurface(w);
  }

  CREATESTRUCT cs{param, instance, menuOrId, parentWnd, cy, cx, y, x, static_cast<LONG>(style), windowName,
                  className, exStyle};
  if (IsTopLevel(w) && !(style & WS_POPUP)) {
    MINMAXINFO mm{};
    mm.ptMaxSize = POINT{Metric(SM_CXSCREEN), Metric(SM_CYSCREEN)};
    mm.ptMinTrackSize = POINT{Metric(SM_CXMINTRACK), Metric(SM_CYMINTRACK)};
    mm.ptMaxTrackSize = POINT{Metric(SM_CXMAXTRACK), Metric(SM_CYMAXTRACK)};
    CallProc(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
    if (!(w = FromHandle(h))) return nullptr;
  }
  if (!CallProc(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (FromHandle(h)) {
      FromHandle(h)->destroying = true;
      FreeTree(h);
    }
    return nullptr;
  }
  if (!(w = FromHandle(h))) return nullptr;
  RecalcNonClient(w, true);
  if (!(w = FromHandle(h))) return nullptr;
  if (CallProc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!(w = FromHandle(h))) return nullptr;
  w->created = true;
  if (style & WS_CHILD) SendParentNotify(w, WM_CREATE);
  if (!(w = FromHandle(h))) return nullptr;
  SendSizeMove(w);
  if (!(w = FromHandle(h))) return nullptr;
  if (style & WS_VISIBLE) {
    int cmd = (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW;
    ShowWindow(h, cmd);
  }
  return FromHandle(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND wnd) {
  Window* w = FromHandle(wnd);
  if (!w || w == Desktop() || !SameThread(w)) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->destroying) return FALSE;
  w->destroying = true;
  // Owned windows go first.
  std::vector<HWND> owned;
  for (Window* c : Desktop()->children)
    if (c->owner == w) owned.push_back(c->handle);
  for (HWND o : owned) DestroyWindow(o);
  if (!(w = FromHandle(wnd))) return TRUE;
  if (w->style & WS_CHILD) SendParentNotify(w, WM_DESTROY);
  if (!(w = FromHandle(wnd))) return TRUE;
  if (w->style & WS_VISIBLE) {
    UINT f = SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    DoSetWindowPos(w, nullptr, 0, 0, 0, 0, f);
    if (!(w = FromHandle(wnd))) return TRUE;
  }
  OnWindowDestroyed(w);  // focus, capture and activation leave the tree before WM_DESTROY
  DestroyTreeMessages(wnd);
  FreeTree(wnd);
  return TRUE;
}

BOOL IsWindow(HWND wnd) {
  Window* w = FromHandle(wnd);
  return w != nullptr;
}

LRESULT CallWindowProc(WNDPROC proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  return proc(wnd, msg, wParam, lParam);
}

LONG_PTR GetWindowLongPtr(HWND wnd, int index) {
  Window* w = FromHandle(wnd);
  if (!w) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (index) {
    case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWL_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWL_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(IsTopLevel(w) ? (w->owner ? w->owner->handle : nullptr)
                                                      : (w->parent ? w->parent->handle : nullptr));
    case GWL_ID: return w->id;
    case GWL_STYLE: return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->exStyle);
    case GWL_USERDATA: return w->userData;
    default: break;
  }
  LONG_PTR v = 0;
  if (ReadExtra(w->extra, index, &v)) return v;
  SetError(ERROR_INVALID_INDEX);
  return 0;
}

LONG_PTR SetWindowLongPtr(HWND wnd, int index, LONG_PTR value) {
  Window* w = FromHandle(wnd);
  if (!w) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR old = 0;
  switch (index) {
    case GWL_WNDPROC:
      old = reinterpret_cast<LONG_PTR>(w->proc);
      if (value) w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWL_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWL_HWNDPARENT:
      old = reinterpret_cast<LONG_PTR>(w->owner ? w->owner->handle : nullptr);
      if (IsTopLevel(w)) {
        Window* o = FromHandle(reinterpret_cast<HWND>(value));
        o = o ? TopLevelOf(o) : nullptr;
        if (o != w && !(o && IsOwnedBy(o, w))) w->owner = o;
      }
      return old;
    case GWL_ID:
      old = w->id;
      w->id = value;
      return old;
    case GWL_USERDATA:
      old = w->userData;
      w->userData = value;
      return old;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      old = static_cast<LONG_PTR>(index == GWL_STYLE ? w->style : w->exStyle);
      STYLESTRUCT ss{static_cast<DWORD>(old), static_cast<DWORD>(value)};
      if (index == GWL_EXSTYLE) ss.styleNew = (ss.styleNew & ~WS_EX_TOPMOST) | (w->exStyle & WS_EX_TOPMOST);
      CallProc(w, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
      if (!(w = FromHandle(wnd))) return old;
      if (index == GWL_STYLE) w->style = ss.styleNew;
      else w->exStyle = ss.styleNew;
      CallProc(w, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
      return old;
    }
    default: break;
  }
  if (WriteExtra(w->extra, index, value, &old)) return old;
  SetError(ERROR_INVALID_INDEX);
  return 0;
}

LONG GetWindowLong(HWND wnd, int index) { return static_cast<LONG>(GetWindowLongPtr(wnd, index)); }
LONG SetWindowLong(HWND wnd, int index, LONG value) {
  return static_cast<LONG>(SetWindowLongPtr(wnd, index, static_cast<LONG_PTR>(value)));
}

uintptr_t GetClassLongPtr(HWND wnd, int index) {
  Window* w = FromHandle(wnd);
  if (!w || !w->cls) return 0;
  WndClass* c = w->cls;
  switch (index) {
    case GCLP_HBRBACKGROUND: return reinterpret_cast<uintptr_t>(c->background);
    case GCLP_HCURSOR: return reinterpret_cast<uintptr_t>(c->cursor);
    case GCLP_HICON: return reinterpret_cast<uintptr_t>(c->icon);
    case GCLP_HICONSM: return reinterpret_cast<uintptr_t>(c->iconSm);
    case GCLP_HMODULE: return reinterpret_cast<uintptr_t>(c->instance);
    case GCL_CBWNDEXTRA: return static_cast<uintptr_t>(c->wndExtra);
    case GCL_CBCLSEXTRA: return static_cast<uintptr_t>(c->clsExtra);
    case GCLP_WNDPROC: return reinterpret_cast<uintptr_t>(c->proc);
    case GCL_STYLE: return c->style;
    default: break;
  }
  LONG_PTR v = 0;
  return ReadExtra(c->extra, index, &v) ? static_cast<uintptr_t>(v) : 0;
}

uintptr_t SetClassLongPtr(HWND wnd, int index, LONG_PTR value) {
  Window* w = FromHandle(wnd);
  if (!w || !w->cls) return 0;
  WndClass* c = w->cls;
  uintptr_t old = GetClassLongPtr(wnd, index);
  switch (index) {
    case GCLP_HBRBACKGROUND: c->background = reinterpret_cast<HBRUSH>(value); break;
    case GCLP_HCURSOR: c->cursor = reinterpret_cast<HCURSOR>(value); break;
    case GCLP_HICON: c->icon = reinterpret_cast<HICON>(value); break;
    case GCLP_HICONSM: c->iconSm = reinterpret_cast<HICON>(value); break;
    case GCLP_WNDPROC: if (value) c->proc = reinterpret_cast<WNDPROC>(value); break;
    case GCL_STYLE: c->style = static_cast<UINT>(value); break;
    default: {
      LONG_PTR previous;
      if (!WriteExtra(c->extra, index, value, &previous)) return 0;
      break;
    }
  }
  return old;
}

BOOL SetProp(HWND wnd, const char* name, HANDLE data) {
  Window* w = FromHandle(wnd);
  if (!w || !name) return FALSE;
  std::string key = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name)) : Lower(name);
  w->props[key] = data;
  return TRUE;
}

HANDLE GetProp(HWND wnd, const char* name) {
  Window* w = FromHandle(wnd);
  if (!w || !name) return nullptr;
  std::string key = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name)) : Lower(name);
  auto it = w->props.find(key);
  return it == w->props.end() ? nullptr : it->second;
}

HANDLE RemoveProp(HWND wnd, const char* name) {
  Window* w = FromHandle(wnd);
  if (!w || !name) return nullptr;
  std::string key = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name)) : Lower(name);
  auto it = w->props.find(key);
  if (it == w->props.end()) return nullptr;
  HANDLE h = it->second;
  w->props.erase(it);
  return h;
}

BOOL SetWindowText(HWND wnd, const char* text) {
  if (!FromHandle(wnd)) return FALSE;
  return SendMessage(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) != 0;
}

int GetWindowText(HWND wnd, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  Window* w = FromHandle(wnd);
  if (!w) return 0;
  if (SameThread(w)) return static_cast<int>(SendMessage(wnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
  // Another thread's window: its stored text, without asking it.
  std::string t = w->text;
  int n = std::min(size - 1, static_cast<int>(t.size()));
  memcpy(buffer, t.data(), static_cast<size_t>(n));
  buffer[n] = 0;
  return n;
}

int GetWindowTextLength(HWND wnd) {
  Window* w = FromHandle(wnd);
  if (!w) return 0;
  if (SameThread(w)) return static_cast<int>(SendMessage(wnd, WM_GETTEXTLENGTH, 0, 0));
  return static_cast<int>(w->text.size());
}

HWND GetDesktopWindow(void) { return Desktop()->handle; }

HWND GetParent(HWND wnd) {
  Window* w = FromHandle(wnd);
  if (!w || w == Desktop()) return nullptr;
  if (w->style & WS_CHILD) return w->parent ? w->parent->handle : nullptr;
  if (w->style & WS_POPUP) return w->owner ? w->owner->handle : nullptr;
  return nullptr;
}

HWND GetAncestor(HWND wnd, UINT flags) {
  Window* w = FromHandle(wnd);
  if (!w || w == Desktop()) return nullptr;
  switch (flags) {
    case GA_PARENT: return w->parent ? w->parent->handle : nullptr;
    case GA_ROOT: return TopLevelOf(w)->handle;
    case GA_ROOTOWNER: {
      Window* r = TopLevelOf(w);
      while (r->owner) r = r->owner;
      return r->handle;
    }
    default: return nullptr;
  }
}

HWND SetParent(HWND wnd, HWND newParentWnd) {
  Window* w = FromHandle(wnd);
  if (!w || w == Desktop() || !SameThread(w)) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  Window* np = newParentWnd ? FromHandle(newParentWnd) : Desktop();
  if (!np || np == w || np->destroying) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  for (Window* a = np; a; a = a->parent)
    if (a == w) {  // would make the window its own descendant
      SetError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  Window* old = w->parent;
  HWND oldHandle = old ? old->handle : nullptr;
  if (np == old) return oldHandle;
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  if (wasVisible) {
    DoSetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!(w = FromHandle(wnd))) return oldHandle;
    np = newParentWnd ? FromHandle(newParentWnd) : Desktop();
    if (!np) return oldHandle;
  }
  bool wasTop = IsTopLevel(w);
  auto& v = w->parent->children;
  v.erase(std::remove(v.begin(), v.end(), w), v.end());
  w->parent = np;
  if (np != Desktop()) w->owner = nullptr;
  PlaceInZOrder(w, HWND_TOP, false);
  bool nowTop = IsTopLevel(w);
  if (wasTop && !nowTop) {
    GetBackend()->TopLevelDestroyed(w);
    DropSurface(w);
  } else if (!wasTop && nowTop) {
    GetBackend()->TopLevelCreated(w);
    EnsureSurface(w);
  }
  if (wasVisible)
    DoSetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return oldHandle;
}

HWND GetWindow(HWND wnd, UINT cmd) {
  Window* w = FromHandle(wnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->handle;
  if (cmd == GW_OWNER) return w->owner ? w->owner->handle : nullptr;
  if (cmd == GW_ENABLEDPOPUP) {
    for (Window* c : Desktop()->children)
      if (c->owner == w && (c->style & WS_VISIBLE) && !(c->style & WS_DISABLED)) return c->handle;
    return nullptr;
  }
  if (!w->parent) return nullptr;
  auto& v = w->parent->children;
  auto it = std::find(v.begin(), v.end(), w);
  if (it == v.end()) return nullptr;
  switch (cmd) {
    case GW_HWNDFIRST: return v.front()->handle;
    case GW_HWNDLAST: return v.back()->handle;
    case GW_HWNDNEXT: return (it + 1) == v.end() ? nullptr : (*(it + 1))->handle;
    case GW_HWNDPREV: return it == v.begin() ? nullptr : (*(it - 1))->handle;
    default: return nullptr;
  }
}

HWND GetTopWindow(HWND wnd) {
  Window* w = wnd ? FromHandle(wnd) : Desktop();
  if (!w || w->children.empty()) return nullptr;
  return w->children.front()->handle;
}

BOOL IsChild(HWND parentWnd, HWND wnd) {
  Window* p = FromHandle(parentWnd);
  Window* w = FromHandle(wnd);
  if (!p || !w) return FALSE;
  for (Window* a = w; a && (a->style & WS_CHILD); a = a->parent)
    if (a->parent == p) return TRUE;
  return FALSE;
}

int GetDlgCtrlID(HWND wnd) {
  Window* w = FromHandle(wnd);
  return (w && (w->style & WS_CHILD)) ? static_cast<int>(w->id) : 0;
}

HWND GetDlgItem(HWND dialog, int id) {
  Window* d = FromHandle(dialog);
  if (!d) return nullptr;
  for (Window* c : d->children)
    if (c->id == id) return c->handle;
  return nullptr;
}

BOOL EnumChildWindows(HWND parentWnd, WNDENUMPROC proc, LPARAM param) {
  Window* p = parentWnd ? FromHandle(parentWnd) : Desktop();
  if (!p || !proc) return FALSE;
  std::vector<HWND> all;
  std::function<void(Window*)> walk = [&](Window* w) {
    for (Window* c : w->children) {
      all.push_back(c->handle);
      walk(c);
    }
  };
  walk(p);
  for (HWND h : all)
    if (FromHandle(h) && !proc(h, param)) break;
  return TRUE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM param) {
  if (!proc) return FALSE;
  std::vector<HWND> all;
  for (Window* c : Desktop()->children) all.push_back(c->handle);
  for (HWND h : all)
    if (FromHandle(h) && !proc(h, param)) break;
  return TRUE;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM param) {
  if (!proc) return FALSE;
  std::vector<HWND> all;
  for (Window* c : Desktop()->children)
    if (c->thread == threadId) all.push_back(c->handle);
  for (HWND h : all)
    if (FromHandle(h) && !proc(h, param)) break;
  return TRUE;
}

HWND FindWindow(const char* className, const char* windowName) {
  for (Window* c : Desktop()->children) {
    if (className && !IS_INTRESOURCE(className) && (!c->cls || c->cls->key != Lower(className))) continue;
    if (windowName && c->text != windowName) continue;
    return c->handle;
  }
  return nullptr;
}

DWORD GetWindowThreadProcessId(HWND wnd, DWORD* processId) {
  Window* w = FromHandle(wnd);
  if (!w) return 0;
  if (processId) *processId = static_cast<DWORD>(getpid());
  return w->thread;
}

BOOL SetWindowPos(HWND wnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
  Window* w = FromHandle(wnd);
  if (!w || w == Desktop() || !SameThread(w)) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return DoSetWindowPos(w, after, x, y, cx, cy, flags);
}

BOOL MoveWindow(HWND wnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(wnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND wnd) { return SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL ShowWindow(HWND wnd, int cmd) {
  Window* w = FromHandle(wnd);
  if (!w || w == Desktop() || !SameThread(w)) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  bool top = IsTopLevel(w);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE;
  bool show = true;
  bool activate = false;
  RECT target = w->rect;
  bool stateChange = false;
  auto rememberNormal = [&] {
    if (!(w->style & (WS_MAXIMIZE | WS_MINIMIZE))) w->normalRect = w->rect;
  };
  switch (cmd) {
    case SW_HIDE:
      show = false;
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
      if (!(w->style & WS_MINIMIZE)) {
        rememberNormal();
        w->wasMaximizedBeforeMin = (w->style & WS_MAXIMIZE) != 0;
        SetStyleBits(w, WS_MINIMIZE, WS_MAXIMIZE);
        target = RECT{-32000, -32000, -32000 + 160, -32000 + 24};
        stateChange = true;
      }
      activate = cmd == SW_SHOWMINIMIZED;
      break;
    case SW_SHOWMAXIMIZED:
      if (!(w->style & WS_MAXIMIZE)) {
        rememberNormal();
        SetStyleBits(w, WS_MAXIMIZE, WS_MINIMIZE);
        stateChange = true;
      }
      target = MaximizedRect(w);
      activate = true;
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
    case SW_SHOWNOACTIVATE:
      if (w->style & WS_MINIMIZE) {
        if (cmd == SW_RESTORE && w->wasMaximizedBeforeMin) {
          SetStyleBits(w, WS_MAXIMIZE, WS_MINIMIZE);
          target = MaximizedRect(w);
        } else {
          SetStyleBits(w, 0, WS_MINIMIZE);
          target = w->normalRect;
        }
        stateChange = true;
      } else if (w->style & WS_MAXIMIZE) {
        SetStyleBits(w, 0, WS_MAXIMIZE);
        target = w->normalRect;
        stateChange = true;
      }
      activate = cmd != SW_SHOWNOACTIVATE;
      break;
    case SW_SHOW:
      activate = true;
      break;
    case SW_SHOWNA:
      break;
    default:
      SetError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
  if (show != wasVisible) {
    CallProc(w, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!(w = FromHandle(wnd))) return wasVisible;
  }
  if (!show) {
    if (!wasVisible) return FALSE;
    DoSetWindowPos(w, nullptr, 0, 0, 0, 0, flags | SWP_HIDEWINDOW);
    return TRUE;
  }
  if (!wasVisible) flags |= SWP_SHOWWINDOW;
  if (stateChange) {
    flags &= ~(SWP_NOMOVE | SWP_NOSIZE);
    flags |= SWP_FRAMECHANGED;
  }
  if (activate && top && !(w->exStyle & WS_EX_NOACTIVATE)) flags &= ~(SWP_NOACTIVATE | SWP_NOZORDER);
  if (top && !(flags & SWP_SHOWWINDOW) && activate && !(flags & SWP_NOACTIVATE)) {
    // Already visible: showing brings it to the front and activates it.
    DoSetWindowPos(w, HWND_TOP, target.left, target.top, target.right - target.left, target.bottom - target.top, flags);
    if (FromHandle(wnd)) SetActiveWindow(wnd);
    return wasVisible;
  }
  DoSetWindowPos(w, HWND_TOP, target.left, target.top, target.right - target.left, target.bottom - target.top, flags);
  if (stateChange && (w = FromHandle(wnd)) && (w->style & WS_MINIMIZE) && top) ActivateNext(w);
  return wasVisible;
}

BOOL IsWindowVisible(HWND wnd) {
  Window* w = FromHandle(wnd);
  return w && IsVisibleChain(w);
}

BOOL IsIconic(HWND wnd) {
  Window* w = FromHandle(wnd);
  return w && (w->style & WS_MINIMIZE);
}

BOOL IsZoomed(HWND wnd) {
  Window* w = FromHandle(wnd);
  return w && (w->style & WS_MAXIMIZE);
}

BOOL GetWindowPlacement(HWND wnd, WINDOWPLACEMENT* p) {
  Window* w = FromHandle(wnd);
  if (!w || !p) return FALSE;
  p->length = sizeof(WINDOWPLACEMENT);
  p->flags = w->wasMaximizedBeforeMin && (w->style & WS_MINIMIZE) ? WPF_RESTORETOMAXIMIZED : 0;
  p->showCmd = (w->style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  p->ptMinPosition = POINT{-1, -1};
  p->ptMaxPosition = POINT{-1, -1};
  p->rcNormalPosition = (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w->normalRect : w->rect;
  return TRUE;
}

BOOL SetWindowPlacement(HWND wnd, const WINDOWPLACEMENT* p) {
  Window* w = FromHandle(wnd);
  if (!w || !p) return FALSE;
  w->normalRect = p->rcNormalPosition;
  if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) {
    const RECT& r = p->rcNormalPosition;
    SetWindowPos(wnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (!FromHandle(wnd)) return FALSE;
  if (p->showCmd != SW_SHOWNORMAL || !(FromHandle(wnd)->style & WS_VISIBLE)) ShowWindow(wnd, static_cast<int>(p->showCmd));
  return TRUE;
}

BOOL GetWindowRect(HWND wnd, RECT* rect) {
  Window* w = FromHandle(wnd);
  if (!w || !rect) return FALSE;
  *rect = WindowRectScreen(w);
  return TRUE;
}

BOOL GetClientRect(HWND wnd, RECT* rect) {
  Window* w = FromHandle(wnd);
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
  return TRUE;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD exStyle) {
  if (!rect) return FALSE;
  Window probe;
  probe.style = style;
  probe.exStyle = exStyle;
  RECT big{0, 0, 10000, 10000};
  RECT c = big;
  probe.style &= ~(WS_VSCROLL | WS_HSCROLL);
  DefaultClientRect(&probe, &c);
  rect->left -= c.left - big.left;
  rect->top -= c.top - big.top;
  rect->right += big.right - c.right;
  rect->bottom += big.bottom - c.bottom;
  return TRUE;
}

BOOL ClientToScreen(HWND wnd, POINT* pt) {
  Window* w = FromHandle(wnd);
  if (!w || !pt) return FALSE;
  POINT o = ClientOriginScreen(w);
  pt->x += o.x;
  pt->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND wnd, POINT* pt) {
  Window* w = FromHandle(wnd);
  if (!w || !pt) return FALSE;
  POINT o = ClientOriginScreen(w);
  pt->x -= o.x;
  pt->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  Window* a = from ? FromHandle(from) : Desktop();
  Window* b = to ? FromHandle(to) : Desktop();
  if (!a || !b) {
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  POINT oa = ClientOriginScreen(a), ob = ClientOriginScreen(b);
  int dx = oa.x - ob.x, dy = oa.y - ob.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(static_cast<int16_t>(dx)), static_cast<WORD>(static_cast<int16_t>(dy)));
}

HWND WindowFromPoint(POINT pt) { return HitTestWindow(pt, false, nullptr); }

HWND ChildWindowFromPointEx(HWND parentWnd, POINT pt, UINT flags) {
  Window* p = FromHandle(parentWnd);
  if (!p) return nullptr;
  RECT cr{0, 0, p->client.right - p->client.left, p->client.bottom - p->client.top};
  if (p != Desktop() && (pt.x < cr.left || pt.x >= cr.right || pt.y < cr.top || pt.y >= cr.bottom)) return nullptr;
  for (Window* c : p->children) {
    if ((flags & CWP_SKIPINVISIBLE) && !(c->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (c->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (c->exStyle & WS_EX_TRANSPARENT)) continue;
    const RECT& r = c->rect;
    if (pt.x < r.left || pt.x >= r.right || pt.y < r.top || pt.y >= r.bottom) continue;
    if (c->hasRegion && !c->windowRegion.Contains(pt.x - r.left, pt.y - r.top)) continue;
    return c->handle;
  }
  return parentWnd;
}

HWND ChildWindowFromPoint(HWND parentWnd, POINT pt) { return ChildWindowFromPointEx(parentWnd, pt, CWP_ALL); }

HWND RealChildWindowFromPoint(HWND parentWnd, POINT pt) {
  return ChildWindowFromPointEx(parentWnd, pt, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
}

}  // extern "C"

namespace fano_os {

void BroadcastSystemChange(UINT msg) {
  using namespace wm;
  std::vector<HWND> targets;
  bool all = msg != WM_SYSCOLORCHANGE;
  if (all) {
    ForEachWindow([&](Window* w) { targets.push_back(w->handle); });
  } else {
    for (Window* c : Desktop()->children) targets.push_back(c->handle);
  }
  DWORD me = CurrentThread();
  for (HWND h : targets) {
    Window* w = FromHandle(h);
    if (!w) continue;
    if (w->thread == me) SendMessage(h, msg, 0, 0);
    else PostMessage(h, msg, 0, 0);
  }
}

}  // namespace fano_os
