// Device contexts: creation over bitmaps and surfaces, state, save and restore, coordinate mapping,
// clipping, the per-call canvas and the recording of drawing calls.
#include <algorithm>
#include <cstring>
#include <set>

#include "platform/os/gdi_core.h"
#include "platform/os/gdi_internal.h"

namespace fano_os::gdi {

namespace {

std::set<DC*>& SurfaceDCs() {
  static auto* s = new std::set<DC*>();
  return *s;
}

int g_desktopW = 1024, g_desktopH = 768;

int64_t RoundDiv(int64_t num, int64_t den) {
  if (den < 0) {
    num = -num;
    den = -den;
  }
  if (num >= 0) return (num + den / 2) / den;
  return -((-num + den / 2) / den);
}

void InitState(DCState& st) {
  st = DCState();
  st.pen = StockPen(BLACK_PEN);
  st.brush = StockBrush(WHITE_BRUSH);
  st.font = StockFont(SYSTEM_FONT);
  st.palette = DefaultPalette();
}

}  // namespace

DC::~DC() {
  if (st.bitmap && st.bitmap->selectedIn == this) st.bitmap->selectedIn = nullptr;
  if (!memory) SurfaceDCs().erase(this);
}

int64_t DC::XToDev(int64_t x) const {
  if (Identity()) return x - st.wndOrg.x + st.vpOrg.x;
  return RoundDiv((x - st.wndOrg.x) * st.vpExt.cx, st.wndExt.cx) + st.vpOrg.x;
}
int64_t DC::YToDev(int64_t y) const {
  if (Identity()) return y - st.wndOrg.y + st.vpOrg.y;
  return RoundDiv((y - st.wndOrg.y) * st.vpExt.cy, st.wndExt.cy) + st.vpOrg.y;
}
int64_t DC::XToLog(int64_t x) const {
  if (Identity()) return x - st.vpOrg.x + st.wndOrg.x;
  return RoundDiv((x - st.vpOrg.x) * st.wndExt.cx, st.vpExt.cx) + st.wndOrg.x;
}
int64_t DC::YToLog(int64_t y) const {
  if (Identity()) return y - st.vpOrg.y + st.wndOrg.y;
  return RoundDiv((y - st.vpOrg.y) * st.wndExt.cy, st.vpExt.cy) + st.wndOrg.y;
}

RECT DC::RectToDev(const RECT& r) const {
  int l = ClampCoord(XToDev(r.left)), rr = ClampCoord(XToDev(r.right));
  int t = ClampCoord(YToDev(r.top)), b = ClampCoord(YToDev(r.bottom));
  if (l > rr) std::swap(l, rr);
  if (t > b) std::swap(t, b);
  return RECT{l, t, rr, b};
}

int DC::WidthToDev(int w) const {
  if (Identity()) return w < 0 ? -w : w;
  int64_t v = RoundDiv(int64_t(w) * st.vpExt.cx, st.wndExt.cx);
  return ClampCoord(v < 0 ? -v : v);
}

RECT DC::DeviceBounds() {
  Surface* s = Surf();
  if (!s) return RECT{0, 0, 0, 0};
  if (memory) return RECT{0, 0, s->width, s->height};
  RECT v = visible.Box();
  return RECT{v.left - origin.x, v.top - origin.y, v.right - origin.x, v.bottom - origin.y};
}

Region DC::DeviceClip() {
  Surface* s = Surf();
  if (!s) return Region();
  Region r(0, 0, s->width, s->height);
  if (!memory) r.Intersect(visible);
  r.Translate(-origin.x, -origin.y);
  if (st.clip) r.Intersect(*st.clip);
  return r;
}

bool Canvas::Visible(int devX, int devY) const {
  if (!surf) return false;
  int64_t sx = int64_t(devX) + ox, sy = int64_t(devY) + oy;
  if (sx < ext.x1 || sx >= ext.x2 || sy < ext.y1 || sy >= ext.y2) return false;
  auto it = std::partition_point(boxes.begin(), boxes.end(), [&](const pixman_box32_t& b) { return b.y2 <= sy; });
  for (; it != boxes.end() && it->y1 <= sy; ++it)
    if (sx >= it->x1 && sx < it->x2) return true;
  return false;
}

void Canvas::Fill(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t color) const {
  uint32_t c = mono ? ToMono(color) : (color & 0xFFFFFF);
  ForRects(x0, y0, x1, y1, [&](int a, int b, int c2, int d) {
    pixman_fill(surf->pixels.data(), surf->width, 32, a, b, c2 - a, d - b, c);
  });
}

Canvas PrepareCanvas(DC& dc) {
  Canvas c;
  Surface* s = dc.Surf();
  if (!s || s->width <= 0 || s->height <= 0) return c;
  Region r = dc.DeviceClip();
  int ox = dc.memory ? 0 : dc.origin.x, oy = dc.memory ? 0 : dc.origin.y;
  r.Translate(ox, oy);
  c.surf = s;
  c.ox = ox;
  c.oy = oy;
  c.boxes = r.Boxes();
  c.mono = s->monochrome;
  if (!c.boxes.empty()) {
    const pixman_box32_t* e = pixman_region32_extents(r.get());
    c.ext = *e;
  }
  return c;
}

Canvas ClipCanvas(const Canvas& cv, const RECT& r) {
  Canvas c;
  c.surf = cv.surf;
  c.ox = cv.ox;
  c.oy = cv.oy;
  c.mono = cv.mono;
  int64_t x0 = int64_t(r.left) + cv.ox, y0 = int64_t(r.top) + cv.oy, x1 = int64_t(r.right) + cv.ox,
          y1 = int64_t(r.bottom) + cv.oy;
  bool first = true;
  for (const pixman_box32_t& b : cv.boxes) {
    pixman_box32_t k{static_cast<int32_t>(std::max<int64_t>(b.x1, x0)), static_cast<int32_t>(std::max<int64_t>(b.y1, y0)),
                     static_cast<int32_t>(std::min<int64_t>(b.x2, x1)), static_cast<int32_t>(std::min<int64_t>(b.y2, y1))};
    if (k.x1 >= k.x2 || k.y1 >= k.y2) continue;
    c.boxes.push_back(k);
    if (first) {
      c.ext = k;
      first = false;
    } else {
      c.ext.x1 = std::min(c.ext.x1, k.x1);
      c.ext.y1 = std::min(c.ext.y1, k.y1);
      c.ext.x2 = std::max(c.ext.x2, k.x2);
      c.ext.y2 = std::max(c.ext.y2, k.y2);
    }
  }
  return c;
}

std::shared_ptr<DC> GetDC_(HDC h) { return Get<DC>(h); }

HGDIOBJ SelectInto(DC& dc, const std::shared_ptr<Object>& obj) {
  switch (obj->kind) {
    case Kind::Pen: {
      HGDIOBJ old = HandleOf(dc.st.pen.get());
      dc.st.pen = std::static_pointer_cast<Pen>(obj);
      return old;
    }
    case Kind::Brush: {
      HGDIOBJ old = HandleOf(dc.st.brush.get());
      dc.st.brush = std::static_pointer_cast<Brush>(obj);
      return old;
    }
    case Kind::Font: {
      HGDIOBJ old = HandleOf(dc.st.font.get());
      dc.st.font = std::static_pointer_cast<Font>(obj);
      return old;
    }
    case Kind::Bitmap: {
      if (!dc.memory) return nullptr;
      auto bm = std::static_pointer_cast<Bitmap>(obj);
      if (bm == dc.st.bitmap) return HandleOf(bm.get());
      if (bm->selectedIn && bm->selectedIn != &dc && !bm->stock) return nullptr;
      HGDIOBJ old = HandleOf(dc.st.bitmap.get());
      if (dc.st.bitmap && dc.st.bitmap->selectedIn == &dc) dc.st.bitmap->selectedIn = nullptr;
      dc.st.bitmap = bm;
      if (!bm->stock) bm->selectedIn = &dc;
      return old;
    }
    default:
      return nullptr;
  }
}

// ---- recording --------------------------------------------------------------------------------

CallScope::CallScope(DC& dc, const char* name, std::initializer_list<int64_t> args, std::string_view text)
    : dc_(dc) {
  Begin(name, args.begin(), args.size(), text);
}

CallScope::CallScope(DC& dc, const char* name, const std::vector<int64_t>& args, std::string_view text)
    : dc_(dc) {
  Begin(name, args.data(), args.size(), text);
}

static void CopyTruncatedUtf8(char* dst, size_t cap, std::string_view src) {
  size_t n = src.size();
  if (n > cap - 1) {
    n = cap - 1;
    while (n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80) --n;
  }
  if (n) std::memcpy(dst, src.data(), n);
  dst[n] = 0;
}

void CallScope::Begin(const char* name, const int64_t* args, size_t n, std::string_view text) {
  if (dc_.recording && dc_.callDepth == 0) {
    DrawRecord rec;
    FANO_DRAW_RECORD& h = rec.head;
    CopyTruncatedUtf8(h.call, sizeof h.call, name);
    rec.args.assign(args, args + n);
    h.argCount = static_cast<int>(n);
    for (size_t i = 0; i < n && i < 16; ++i) h.args[i] = args[i];
    rec.text.assign(text.data(), text.size());
    CopyTruncatedUtf8(h.text, sizeof h.text, text);
    DCState& st = dc_.st;
    if (st.pen) {
      h.penColor = PenColor(dc_);
      h.penStyle = st.pen->style;
      h.penWidth = st.pen->width;
    }
    if (st.brush) {
      h.brushColor = BrushColor(dc_, *st.brush);
      h.brushStyle = st.brush->style;
    }
    h.textColor = st.textColor;
    h.bkColor = st.bkColor;
    h.bkMode = st.bkMode;
    h.rop2 = st.rop2;
    if (st.font) {
      CopyTruncatedUtf8(h.fontFace, sizeof h.fontFace, st.font->face);
      h.fontHeight = st.font->lf.lfHeight;
      h.fontEscapement = st.font->lf.lfEscapement;
      h.fontWeight = st.font->lf.lfWeight;
    }
    dc_.log.push_back(std::move(rec));
  }
  ++dc_.callDepth;
}

}  // namespace fano_os::gdi

// ---- the window manager's side ------------------------------------------------------------------

namespace fano_os {

using namespace gdi;

FANO_OS_INTERNAL HDC CreateSurfaceDC(Surface* surface, POINT origin, const pixman_region32_t* visible, HWND owner) {
  FANO_GDI_LOCK;
  if (!surface) return nullptr;
  auto dc = std::make_shared<DC>();
  dc->memory = false;
  dc->target = surface;
  dc->origin = origin;
  dc->owner = owner;
  if (visible)
    dc->visible = Region(visible);
  else
    dc->visible = Region(0, 0, surface->width, surface->height);
  InitState(dc->st);
  SurfaceDCs().insert(dc.get());
  return Register(dc);
}

FANO_OS_INTERNAL void RestrictSurfaceDC(HDC h, const pixman_region32_t* area) {
  FANO_GDI_LOCK;
  auto dc = GetDC_(h);
  if (!dc || dc->memory || !area) return;
  dc->visible.Intersect(Region(area));
}

void ReleaseSurfaceDC(HDC h) {
  FANO_GDI_LOCK;
  auto dc = GetDC_(h);
  if (!dc || dc->memory) return;
  Unregister(h);
}

void DetachSurfaceDCs(const Surface* surface) {
  FANO_GDI_LOCK;
  for (DC* dc : SurfaceDCs())
    if (dc->target == surface) dc->detached = true;
}

bool SurfaceDCArea(HDC h, pixman_region32_t* out) {
  FANO_GDI_LOCK;
  auto dc = GetDC_(h);
  if (!dc || dc->memory || !out) return false;
  return pixman_region32_copy(out, const_cast<pixman_region32_t*>(dc->visible.get()));
}

HWND SurfaceDCOwner(HDC h) {
  FANO_GDI_LOCK;
  auto dc = GetDC_(h);
  return dc && !dc->memory ? dc->owner : nullptr;
}

bool DCSurface(HDC h, Surface** surface, POINT* origin) {
  FANO_GDI_LOCK;
  auto dc = GetDC_(h);
  if (!dc) return false;
  if (surface) *surface = dc->Surf();
  if (origin) *origin = dc->memory ? POINT{0, 0} : dc->origin;
  return true;
}

void SetDesktopSize(int width, int height) {
  FANO_GDI_LOCK;
  if (width > 0 && height > 0) {
    g_desktopW = width;
    g_desktopH = height;
  }
}

void XorSurfaceRect(Surface* surface, const RECT& r, const pixman_region32_t* clip) {
  FANO_GDI_LOCK;
  if (!surface) return;
  Region area(r);
  area.Intersect(Region(0, 0, surface->width, surface->height));
  if (clip) area.Intersect(Region(clip));
  for (const pixman_box32_t& b : area.Boxes())
    for (int y = b.y1; y < b.y2; ++y) {
      uint32_t* row = surface->Row(y);
      for (int x = b.x1; x < b.x2; ++x) row[x] ^= 0xFFFFFF;
    }
}

}  // namespace fano_os

using namespace fano_os::gdi;
using fano_os::Surface;


extern "C" {

HDC CreateCompatibleDC(HDC dc) {
  FANO_GDI_LOCK;
  if (dc && !GetDC_(dc)) return nullptr;
  auto m = std::make_shared<DC>();
  m->memory = true;
  InitState(m->st);
  m->st.bitmap = DefaultBitmap();
  return Register(m);
}

BOOL DeleteDC(HDC dc) {
  FANO_DC_OR(FALSE);
  if (d.ownBitmap) {
    if (d.ownBitmap->selectedIn == &d) d.ownBitmap->selectedIn = nullptr;
    Unregister(HandleOf(d.ownBitmap.get()));
  }
  Unregister(dc);
  return TRUE;
}

HWND WindowFromDC(HDC dc) { return fano_os::SurfaceDCOwner(dc); }

int SaveDC(HDC dc) {
  FANO_DC_OR(0);
  d.saved.push_back(d.st);
  return static_cast<int>(d.saved.size());
}

BOOL RestoreDC(HDC dc, int level) {
  FANO_DC_OR(FALSE);
  int64_t n = static_cast<int64_t>(d.saved.size());
  int64_t idx = level > 0 ? level - 1 : n + level;
  if (level == 0 || idx < 0 || idx >= n) return FALSE;
  DCState next = d.saved[static_cast<size_t>(idx)];
  d.saved.resize(static_cast<size_t>(idx));
  std::shared_ptr<Bitmap> cur = d.st.bitmap;
  if (d.memory && next.bitmap != cur) {
    if (next.bitmap && next.bitmap->selectedIn && next.bitmap->selectedIn != &d && !next.bitmap->stock) {
      next.bitmap = cur;  // the saved bitmap went into another DC meanwhile: keep the current one
    } else {
      if (cur && cur->selectedIn == &d) cur->selectedIn = nullptr;
      if (next.bitmap && !next.bitmap->stock) next.bitmap->selectedIn = &d;
    }
  }
  d.st = std::move(next);
  return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
  FANO_DC_OR(0);
  int w = g_desktopW, h = g_desktopH;
  if (!d.memory && !d.owner && d.target) {
    w = d.target->width;
    h = d.target->height;
  }
  switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZSIZE: return static_cast<int>(w * 254 / 960);
    case VERTSIZE: return static_cast<int>(h * 254 / 960);
    case HORZRES:
    case DESKTOPHORZRES: return w;
    case VERTRES:
    case DESKTOPVERTRES: return h;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMBRUSHES:
    case NUMPENS:
    case NUMCOLORS: return -1;
    case NUMFONTS: return 0;
    case ASPECTX:
    case ASPECTY: return 36;
    case ASPECTXY: return 51;
    case RASTERCAPS:
      return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SIZEPALETTE: return 0;
    case NUMRESERVED: return 20;
    case COLORRES: return 24;
    case VREFRESH: return 60;
    default: return 0;
  }
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) {
  FANO_DC_OR(nullptr);
  auto o = Find(obj);
  if (!o) return nullptr;
  if (o->kind == Kind::Region) {
    Region r = static_cast<RegionObj*>(o.get())->rgn;
    d.st.clip = r;
    return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(d.DeviceClip().Type()));
  }
  return SelectInto(d, o);
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  FANO_DC_OR(nullptr);
  switch (type) {
    case OBJ_PEN:
    case OBJ_EXTPEN: return HandleOf(d.st.pen.get());
    case OBJ_BRUSH: return HandleOf(d.st.brush.get());
    case OBJ_FONT: return HandleOf(d.st.font.get());
    case OBJ_PAL: return HandleOf(d.st.palette.get());
    case OBJ_BITMAP: return d.memory ? HandleOf(d.st.bitmap.get()) : nullptr;
    default: return nullptr;
  }
}

}  // extern "C"

namespace {

// The state setters and getters share one shape: validate, swap, answer the old value.
COLORREF SwapColor(HDC dc, COLORREF DCState::*field, COLORREF c) {
  FANO_DC_OR(CLR_INVALID);
  COLORREF old = d.st.*field;
  d.st.*field = c & 0xFFFFFF;
  return old;
}
template <class T>
T ReadField(HDC dc, T DCState::*field, T bad) {
  FANO_DC_OR(bad);
  return d.st.*field;
}
template <class T>
T SwapField(HDC dc, T DCState::*field, T v, bool valid, T bad) {
  FANO_DC_OR(bad);
  if (!valid) return bad;
  T old = d.st.*field;
  d.st.*field = v;
  return old;
}
BOOL SwapPoint(HDC dc, POINT DCState::*field, POINT v, POINT* old) {
  FANO_DC_OR(FALSE);
  if (old) *old = d.st.*field;
  d.st.*field = v;
  return TRUE;
}
BOOL ReadPoint(HDC dc, POINT DCState::*field, POINT* out) {
  FANO_DC_OR(FALSE);
  if (!out) return FALSE;
  *out = d.st.*field;
  return TRUE;
}

}  // namespace

extern "C" {

COLORREF SetBkColor(HDC dc, COLORREF c) { return SwapColor(dc, &DCState::bkColor, c); }
COLORREF GetBkColor(HDC dc) { return ReadField(dc, &DCState::bkColor, CLR_INVALID); }
COLORREF SetTextColor(HDC dc, COLORREF c) { return SwapColor(dc, &DCState::textColor, c); }
COLORREF GetTextColor(HDC dc) { return ReadField(dc, &DCState::textColor, CLR_INVALID); }
COLORREF SetDCBrushColor(HDC dc, COLORREF c) { return SwapColor(dc, &DCState::dcBrushColor, c); }
COLORREF GetDCBrushColor(HDC dc) { return ReadField(dc, &DCState::dcBrushColor, CLR_INVALID); }
COLORREF SetDCPenColor(HDC dc, COLORREF c) { return SwapColor(dc, &DCState::dcPenColor, c); }
COLORREF GetDCPenColor(HDC dc) { return ReadField(dc, &DCState::dcPenColor, CLR_INVALID); }

int SetBkMode(HDC dc, int mode) {
  return SwapField(dc, &DCState::bkMode, mode, mode == TRANSPARENT || mode == OPAQUE, 0);
}
int GetBkMode(HDC dc) { return ReadField(dc, &DCState::bkMode, 0); }
int SetROP2(HDC dc, int rop2) { return SwapField(dc, &DCState::rop2, rop2, rop2 >= R2_BLACK && rop2 <= R2_WHITE, 0); }
int GetROP2(HDC dc) { return ReadField(dc, &DCState::rop2, 0); }
UINT SetTextAlign(HDC dc, UINT align) { return SwapField(dc, &DCState::textAlign, align & TA_MASK, true, GDI_ERROR); }
UINT GetTextAlign(HDC dc) { return ReadField(dc, &DCState::textAlign, GDI_ERROR); }
int SetStretchBltMode(HDC dc, int mode) {
  return SwapField(dc, &DCState::stretchMode, mode, mode >= BLACKONWHITE && mode <= HALFTONE, 0);
}
int GetStretchBltMode(HDC dc) { return ReadField(dc, &DCState::stretchMode, 0); }
int SetPolyFillMode(HDC dc, int mode) {
  return SwapField(dc, &DCState::polyFill, mode, mode == ALTERNATE || mode == WINDING, 0);
}
int GetPolyFillMode(HDC dc) { return ReadField(dc, &DCState::polyFill, 0); }
int SetTextCharacterExtra(HDC dc, int extra) {
  return SwapField(dc, &DCState::charExtra, std::clamp(extra, -1000, 1000), true, static_cast<int>(0x80000000u));
}
int GetTextCharacterExtra(HDC dc) { return ReadField(dc, &DCState::charExtra, static_cast<int>(0x80000000u)); }

BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old) { return SwapPoint(dc, &DCState::brushOrg, POINT{x, y}, old); }
BOOL GetBrushOrgEx(HDC dc, POINT* out) { return ReadPoint(dc, &DCState::brushOrg, out); }

int SetMapMode(HDC dc, int mode) {
  FANO_DC_OR(0);
  if (mode != MM_TEXT && mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC) return 0;
  int old = d.st.mapMode;
  d.st.mapMode = mode;
  if (mode == MM_TEXT) {
    d.st.vpExt = SIZE{1, 1};
    d.st.wndExt = SIZE{1, 1};
  }
  return old;
}
int GetMapMode(HDC dc) {
  FANO_DC_OR(0);
  return d.st.mapMode;
}

static void FixIsotropic(DCState& st) {
  if (st.mapMode != MM_ISOTROPIC) return;
  int64_t vx = st.vpExt.cx, vy = st.vpExt.cy, wx = st.wndExt.cx, wy = st.wndExt.cy;
  int64_t ax = std::abs(vx * wy), ay = std::abs(vy * wx);
  if (ax > ay) {
    int64_t nv = std::abs(vy) * std::abs(wx) / std::max<int64_t>(1, std::abs(wy));
    st.vpExt.cx = static_cast<LONG>(std::max<int64_t>(1, nv) * (vx < 0 ? -1 : 1));
  } else if (ay > ax) {
    int64_t nv = std::abs(vx) * std::abs(wy) / std::max<int64_t>(1, std::abs(wx));
    st.vpExt.cy = static_cast<LONG>(std::max<int64_t>(1, nv) * (vy < 0 ? -1 : 1));
  }
}

static POINT Clamped(int64_t x, int64_t y) { return POINT{ClampCoord(x), ClampCoord(y)}; }

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) { return SwapPoint(dc, &DCState::vpOrg, Clamped(x, y), old); }
BOOL GetViewportOrgEx(HDC dc, POINT* out) { return ReadPoint(dc, &DCState::vpOrg, out); }
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old) {
  POINT cur{};
  if (!GetViewportOrgEx(dc, &cur)) return FALSE;
  return SetViewportOrgEx(dc, ClampCoord(int64_t(cur.x) + dx), ClampCoord(int64_t(cur.y) + dy), old);
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old) { return SwapPoint(dc, &DCState::wndOrg, Clamped(x, y), old); }
BOOL GetWindowOrgEx(HDC dc, POINT* out) { return ReadPoint(dc, &DCState::wndOrg, out); }
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old) {
  POINT cur{};
  if (!GetWindowOrgEx(dc, &cur)) return FALSE;
  return SetWindowOrgEx(dc, ClampCoord(int64_t(cur.x) + dx), ClampCoord(int64_t(cur.y) + dy), old);
}
static BOOL SetExtent(HDC dc, SIZE DCState::*field, int x, int y, SIZE* old) {
  FANO_DC_OR(FALSE);
  if (old) *old = d.st.*field;
  if (d.st.mapMode == MM_TEXT) return TRUE;
  if (x == 0 || y == 0) return FALSE;
  d.st.*field = SIZE{ClampCoord(x), ClampCoord(y)};
  FixIsotropic(d.st);
  return TRUE;
}
static BOOL ReadExtent(HDC dc, SIZE DCState::*field, SIZE* out) {
  FANO_DC_OR(FALSE);
  if (!out) return FALSE;
  *out = d.st.*field;
  return TRUE;
}
BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* old) { return SetExtent(dc, &DCState::vpExt, x, y, old); }
BOOL GetViewportExtEx(HDC dc, SIZE* out) { return ReadExtent(dc, &DCState::vpExt, out); }
BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* old) { return SetExtent(dc, &DCState::wndExt, x, y, old); }
BOOL GetWindowExtEx(HDC dc, SIZE* out) { return ReadExtent(dc, &DCState::wndExt, out); }

BOOL LPtoDP(HDC dc, POINT* pts, int count) {
  FANO_DC_OR(FALSE);
  if (!pts || count < 0) return FALSE;
  for (int i = 0; i < count; ++i) pts[i] = d.ToDev(pts[i]);
  return TRUE;
}
BOOL DPtoLP(HDC dc, POINT* pts, int count) {
  FANO_DC_OR(FALSE);
  if (!pts || count < 0) return FALSE;
  for (int i = 0; i < count; ++i)
    pts[i] = POINT{ClampCoord(d.XToLog(pts[i].x)), ClampCoord(d.YToLog(pts[i].y))};
  return TRUE;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* old) { return SwapPoint(dc, &DCState::cur, POINT{x, y}, old); }
BOOL GetCurrentPositionEx(HDC dc, POINT* out) { return ReadPoint(dc, &DCState::cur, out); }

// ---- palettes ---------------------------------------------------------------------------------

HPALETTE SelectPalette(HDC dc, HPALETTE pal, BOOL) {
  FANO_DC_OR(nullptr);
  auto p = Get<Palette>(pal);
  if (!p) return nullptr;
  HPALETTE old = HandleOf(d.st.palette.get());
  d.st.palette = p;
  return old;
}

UINT RealizePalette(HDC dc) {
  FANO_DC_OR(GDI_ERROR);
  return 0;  // a true-colour device maps nothing
}

COLORREF GetNearestColor(HDC dc, COLORREF color) {
  FANO_DC_OR(CLR_INVALID);
  COLORREF c = (color >> 24) == 1 ? 0 : (color & 0xFFFFFF);
  return d.Mono() ? ToMono(c) : c;
}

// ---- clipping ---------------------------------------------------------------------------------

int SelectClipRgn(HDC dc, HRGN rgn) { return ExtSelectClipRgn(dc, rgn, RGN_COPY); }

int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode) {
  FANO_DC_OR(ERROR);
  if (mode < RGN_AND || mode > RGN_COPY) return ERROR;
  auto r = Get<RegionObj>(rgn);
  if (!r) {
    if (rgn || mode != RGN_COPY) return ERROR;
    d.st.clip.reset();
    return d.DeviceClip().Type();
  }
  if (mode == RGN_COPY) {
    d.st.clip = r->rgn;
    return d.DeviceClip().Type();
  }
  if (!d.st.clip) {
    if (mode == RGN_OR) return d.DeviceClip().Type();  // everything already
    d.st.clip = Region(d.DeviceBounds());
  }
  switch (mode) {
    case RGN_AND: d.st.clip->Intersect(r->rgn); break;
    case RGN_OR: d.st.clip->Union(r->rgn); break;
    case RGN_XOR: d.st.clip->Xor(r->rgn); break;
    case RGN_DIFF: d.st.clip->Subtract(r->rgn); break;
  }
  return d.DeviceClip().Type();
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  FANO_DC_OR(ERROR);
  Region r(d.RectToDev(RECT{left, top, right, bottom}));
  if (!d.st.clip) d.st.clip = Region(d.DeviceBounds());
  d.st.clip->Intersect(r);
  return d.DeviceClip().Type();
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  FANO_DC_OR(ERROR);
  Region r(d.RectToDev(RECT{left, top, right, bottom}));
  if (!d.st.clip) d.st.clip = Region(d.DeviceBounds());
  d.st.clip->Subtract(r);
  return d.DeviceClip().Type();
}

int OffsetClipRgn(HDC dc, int dx, int dy) {
  FANO_DC_OR(ERROR);
  if (d.st.clip) d.st.clip->Translate(d.WidthToDev(dx) * (dx < 0 ? -1 : 1), d.WidthToDev(dy) * (dy < 0 ? -1 : 1));
  return d.DeviceClip().Type();
}

int GetClipBox(HDC dc, RECT* out) {
  FANO_DC_OR(ERROR);
  if (!out) return ERROR;
  Region r = d.DeviceClip();
  RECT b = r.Box();
  RECT lg{ClampCoord(d.XToLog(b.left)), ClampCoord(d.YToLog(b.top)), ClampCoord(d.XToLog(b.right)),
          ClampCoord(d.YToLog(b.bottom))};
  if (lg.left > lg.right) std::swap(lg.left, lg.right);
  if (lg.top > lg.bottom) std::swap(lg.top, lg.bottom);
  *out = lg;
  return r.Type();
}

int GetClipRgn(HDC dc, HRGN rgn) {
  FANO_DC_OR(-1);
  auto r = Get<RegionObj>(rgn);
  if (!r) return -1;
  if (!d.st.clip) return 0;
  r->rgn = *d.st.clip;
  return 1;
}

BOOL PtVisible(HDC dc, int x, int y) {
  FANO_DC_OR(FALSE);
  POINT p = d.ToDev(POINT{x, y});
  return d.DeviceClip().Contains(p.x, p.y) ? TRUE : FALSE;
}

BOOL RectVisible(HDC dc, const RECT* r) {
  FANO_DC_OR(FALSE);
  if (!r) return FALSE;
  Region a(d.RectToDev(*r));
  a.Intersect(d.DeviceClip());
  return a.Empty() ? FALSE : TRUE;
}

// ---- recording --------------------------------------------------------------------------------

BOOL FanoRecordStart(HDC dc) {
  FANO_DC_OR(FALSE);
  d.log.clear();
  d.recording = true;
  return TRUE;
}

BOOL FanoRecordStop(HDC dc) {
  FANO_DC_OR(FALSE);
  d.recording = false;
  return TRUE;
}

int FanoRecordCount(HDC dc) {
  FANO_DC_OR(0);
  return static_cast<int>(d.log.size());
}

BOOL FanoRecordGet(HDC dc, int index, FANO_DRAW_RECORD* out) {
  FANO_DC_OR(FALSE);
  if (!out || index < 0 || index >= static_cast<int>(d.log.size())) return FALSE;
  *out = d.log[static_cast<size_t>(index)].head;
  return TRUE;
}

int FanoRecordArgs(HDC dc, int index, int64_t* out, int max) {
  FANO_DC_OR(0);
  if (index < 0 || index >= static_cast<int>(d.log.size())) return 0;
  const auto& a = d.log[static_cast<size_t>(index)].args;
  for (int i = 0; out && i < max && i < static_cast<int>(a.size()); ++i) out[i] = a[static_cast<size_t>(i)];
  return static_cast<int>(a.size());
}

static int CopyOut(const std::string& s, char* out, int size) {
  if (out && size > 0) {
    size_t n = std::min(s.size(), static_cast<size_t>(size - 1));
    if (n) std::memcpy(out, s.data(), n);
    out[n] = 0;
  }
  return static_cast<int>(s.size());
}

int FanoRecordText(HDC dc, int index, char* out, int size) {
  FANO_DC_OR(0);
  if (index < 0 || index >= static_cast<int>(d.log.size())) return 0;
  return CopyOut(d.log[static_cast<size_t>(index)].text, out, size);
}

int FanoRecordFormat(HDC dc, int index, char* out, int size) {
  FANO_DC_OR(0);
  if (index < 0 || index >= static_cast<int>(d.log.size())) return 0;
  const DrawRecord& r = d.log[static_cast<size_t>(index)];
  std::string s = r.head.call;
  s += '(';
  for (size_t i = 0; i < r.args.size(); ++i) {
    if (i) s += ", ";
    s += std::to_string(r.args[i]);
  }
  s += ')';
  if (!r.text.empty()) {
    s += " \"";
    s += r.text;
    s += '"';
  }
  return CopyOut(s, out, size);
}

HDC FanoCreateRecordingDC(int width, int height) {
  FANO_GDI_LOCK;
  auto bm = NewBitmap(width, height, false, 0xFFFFFF);
  if (!bm) return nullptr;
  auto m = std::make_shared<DC>();
  m->memory = true;
  InitState(m->st);
  RegisterBitmap(bm);
  m->ownBitmap = bm;
  m->st.bitmap = bm;
  bm->selectedIn = m.get();
  m->recording = true;
  return Register(m);
}

}  // extern "C"
