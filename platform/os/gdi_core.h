#pragma once
// Internal core of the drawing layer: the object registry, the object types, the device context
// and the pixel pipeline shared by the gdi_*.cpp files. Never crosses the library boundary.
#include <pixman.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/surface.h"
#include "platform/os/wingdi.h"

namespace fano_os::gdi {

// One lock for the whole drawing layer: calls are short and come from the UI thread, but the hint
// thread of the class library may measure text at the same time.
std::recursive_mutex& Mutex();
#define FANO_GDI_LOCK std::lock_guard<std::recursive_mutex> fano_gdi_lock_(::fano_os::gdi::Mutex())

// Coordinates are clamped to this range before they reach pixman or the rasterisers, so no
// arithmetic on them can overflow.
constexpr int kCoordLimit = 1 << 28;
inline int ClampCoord(int64_t v) {
  return v < -kCoordLimit ? -kCoordLimit : (v > kCoordLimit ? kCoordLimit : static_cast<int>(v));
}
// Largest bitmap we agree to allocate, in pixels.
constexpr int64_t kMaxBitmapPixels = int64_t(1) << 26;

enum class Kind : uint8_t { DC = 1, Pen, Brush, Font, Bitmap, Region, Palette, ImageList, Theme };

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  Kind kind;
  uintptr_t handle = 0;
  bool stock = false;  // stock objects survive DeleteObject
};

// Registers the object and gives it a handle that is never reused.
HANDLE Register(std::shared_ptr<Object> obj);
std::shared_ptr<Object> Find(HANDLE h);
void Unregister(HANDLE h);
template <class T>
std::shared_ptr<T> Get(HANDLE h) {
  auto o = Find(h);
  if (!o || o->kind != T::kKind) return nullptr;
  return std::static_pointer_cast<T>(o);
}
inline HANDLE HandleOf(const Object* o) { return o ? reinterpret_cast<HANDLE>(o->handle) : nullptr; }

// ---- regions ----------------------------------------------------------------------------------

class Region {
 public:
  Region() { pixman_region32_init(&r_); }
  explicit Region(const RECT& r);
  Region(int left, int top, int right, int bottom);
  explicit Region(const pixman_region32_t* src) {
    pixman_region32_init(&r_);
    pixman_region32_copy(&r_, const_cast<pixman_region32_t*>(src));
  }
  Region(const Region& o) : Region(&o.r_) {}
  Region& operator=(const Region& o) {
    if (this != &o) pixman_region32_copy(&r_, const_cast<pixman_region32_t*>(&o.r_));
    return *this;
  }
  ~Region() { pixman_region32_fini(&r_); }

  pixman_region32_t* get() { return &r_; }
  const pixman_region32_t* get() const { return &r_; }
  bool Empty() const { return !pixman_region32_not_empty(const_cast<pixman_region32_t*>(&r_)); }
  RECT Box() const;
  int Type() const;  // NULLREGION, SIMPLEREGION, COMPLEXREGION
  void SetRect(int left, int top, int right, int bottom);
  void Translate(int dx, int dy);
  void Intersect(const Region& o) { pixman_region32_intersect(&r_, &r_, const_cast<pixman_region32_t*>(&o.r_)); }
  void Union(const Region& o) { pixman_region32_union(&r_, &r_, const_cast<pixman_region32_t*>(&o.r_)); }
  void Subtract(const Region& o) { pixman_region32_subtract(&r_, &r_, const_cast<pixman_region32_t*>(&o.r_)); }
  void Xor(const Region& o);
  void IntersectRect(const RECT& r);
  bool Contains(int x, int y) const {
    return pixman_region32_contains_point(const_cast<pixman_region32_t*>(&r_), x, y, nullptr);
  }
  bool Equal(const Region& o) const {
    return pixman_region32_equal(const_cast<pixman_region32_t*>(&r_), const_cast<pixman_region32_t*>(&o.r_));
  }
  // The boxes of the region, in pixman's banded order (by rows, then by columns).
  std::vector<pixman_box32_t> Boxes() const;
  void SetBoxes(const std::vector<pixman_box32_t>& boxes);  // boxes may overlap

 private:
  pixman_region32_t r_;
};

// Scan conversion: a pixel (x, y) is inside when the point (x, y) is inside the polygon(s), edges
// on the top and left included, on the bottom and right excluded. Coordinates are in 1/16 pixel units when `subpixel` (wide lines, round caps),
// otherwise whole pixels. Fails (returns false) for absurd sizes instead of running for ages.
struct PolyPoint {
  int64_t x, y;
};
bool ScanPolygons(const std::vector<std::vector<PolyPoint>>& polys, bool winding, bool subpixel,
                  const pixman_box32_t* limit, std::vector<pixman_box32_t>* out);

struct RegionObj : Object {
  static constexpr Kind kKind = Kind::Region;
  RegionObj() : Object(kKind) {}
  Region rgn;
};

// ---- pens, brushes, fonts, bitmaps, palettes --------------------------------------------------

struct Pen : Object {
  static constexpr Kind kKind = Kind::Pen;
  Pen() : Object(kKind) {}
  int style = PS_SOLID;  // PS_STYLE_MASK part
  int width = 1;
  COLORREF color = 0;
  bool ext = false;        // made by ExtCreatePen (GetObject answers EXTLOGPEN)
  bool geometric = false;  // wide lines are polygons
  int endcap = PS_ENDCAP_ROUND;
  int join = PS_JOIN_ROUND;
  UINT brushStyle = BS_SOLID;
  UINT_PTR hatch = 0;
  std::vector<DWORD> userStyle;
  bool dcPen = false;  // DC_PEN: the colour is the DC's pen colour
};

struct Brush : Object {
  static constexpr Kind kKind = Kind::Brush;
  Brush() : Object(kKind) {}
  int style = BS_SOLID;
  COLORREF color = 0;
  int hatch = 0;
  std::shared_ptr<Surface> pattern;  // BS_PATTERN
  int sysColor = -1;                 // brushes of GetSysColorBrush read the live colour
  bool dcBrush = false;              // DC_BRUSH
  UINT_PTR patternHandle = 0;        // the bitmap handle given at creation (GetObject)
};

class FontInstance;  // gdi_font.cpp
struct Font : Object {
  static constexpr Kind kKind = Kind::Font;
  Font() : Object(kKind) {}
  LOGFONTW lf{};
  std::string face;  // UTF-8 of lf.lfFaceName
  std::shared_ptr<FontInstance> instance;  // realised lazily for the device size below
  unsigned engineGeneration = 0;
  int instHeight = 0, instWidth = 0;
};

struct DC;
struct Bitmap : Object {
  static constexpr Kind kKind = Kind::Bitmap;
  Bitmap() : Object(kKind) {}
  Surface surface;
  int bpp = 32;
  DC* selectedIn = nullptr;  // the memory DC it is selected into
};

struct Palette : Object {
  static constexpr Kind kKind = Kind::Palette;
  Palette() : Object(kKind) {}
  std::vector<PALETTEENTRY> entries;
};

// Creates a bitmap object (not registered). Fails for sizes above kMaxBitmapPixels.
std::shared_ptr<Bitmap> NewBitmap(int width, int height, bool mono, uint32_t fill);
HBITMAP RegisterBitmap(std::shared_ptr<Bitmap> bm);

// ---- device contexts --------------------------------------------------------------------------

struct DCState {
  std::shared_ptr<Pen> pen;
  std::shared_ptr<Brush> brush;
  std::shared_ptr<Font> font;
  std::shared_ptr<Bitmap> bitmap;  // memory DCs
  std::shared_ptr<Palette> palette;
  COLORREF bkColor = 0xFFFFFF;
  COLORREF textColor = 0;
  COLORREF dcBrushColor = 0xFFFFFF;
  COLORREF dcPenColor = 0;
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  UINT textAlign = 0;
  int stretchMode = BLACKONWHITE;
  int polyFill = ALTERNATE;
  int mapMode = MM_TEXT;
  int charExtra = 0;
  POINT brushOrg{0, 0};
  POINT cur{0, 0};
  POINT vpOrg{0, 0};
  POINT wndOrg{0, 0};
  SIZE vpExt{1, 1};
  SIZE wndExt{1, 1};
  std::optional<Region> clip;  // device coordinates
};

struct DrawRecord {
  FANO_DRAW_RECORD head{};
  std::vector<int64_t> args;
  std::string text;
};

struct DC : Object {
  static constexpr Kind kKind = Kind::DC;
  DC() : Object(kKind) {}
  ~DC() override;
  bool memory = true;
  Surface* target = nullptr;  // surface DCs: the window's (or desktop's) surface
  HWND owner = nullptr;
  POINT origin{0, 0};         // device (0, 0) in surface coordinates
  Region visible;             // surface coordinates (surface DCs)
  bool detached = false;      // the surface went away
  std::shared_ptr<Bitmap> ownBitmap;  // FanoCreateRecordingDC
  DCState st;
  std::vector<DCState> saved;

  bool recording = false;
  int callDepth = 0;
  std::vector<DrawRecord> log;

  // The surface drawn on, or null when there is none (detached window DC).
  Surface* Surf() {
    if (memory) return st.bitmap ? &st.bitmap->surface : nullptr;
    return detached ? nullptr : target;
  }
  bool Mono() {
    Surface* s = Surf();
    return s && s->monochrome;
  }

  // Logical -> device coordinates.
  bool Identity() const {
    return st.vpExt.cx == st.wndExt.cx && st.vpExt.cy == st.wndExt.cy;
  }
  int64_t XToDev(int64_t x) const;
  int64_t YToDev(int64_t y) const;
  int64_t XToLog(int64_t x) const;
  int64_t YToLog(int64_t y) const;
  POINT ToDev(POINT p) const { return POINT{ClampCoord(XToDev(p.x)), ClampCoord(YToDev(p.y))}; }
  // Logical rectangle -> device rectangle, normalised (left <= right, top <= bottom).
  RECT RectToDev(const RECT& r) const;
  int WidthToDev(int w) const;  // lengths (pen widths, font heights)

  // The area drawing may touch, in device coordinates.
  Region DeviceClip();
  // Bounds of the device surface in device coordinates.
  RECT DeviceBounds();
};

std::shared_ptr<DC> GetDC_(HDC h);
// Opens an interface call on a handle of object type T: takes the lock and binds `var`, or returns
// `ret` for a bad handle.
#define FANO_OBJ_OR(T, h, var, ret)            \
  FANO_GDI_LOCK;                               \
  auto var##_obj_ = ::fano_os::gdi::Get<T>(h); \
  if (!var##_obj_) return ret;                 \
  T& var = *var##_obj_;                        \
  (void)var
// Opens an interface call on `dc`: takes the lock and binds `d`, or returns `ret` for a bad handle.
#define FANO_DC_OR(ret)                                   \
  FANO_GDI_LOCK;                                          \
  auto fano_dc_ = ::fano_os::gdi::GetDC_(dc);             \
  if (!fano_dc_) return ret;                              \
  ::fano_os::gdi::DC& d = *fano_dc_;                      \
  (void)d
HGDIOBJ SelectInto(DC& dc, const std::shared_ptr<Object>& obj);
COLORREF PenColor(DC& dc);     // resolves DC_PEN
COLORREF BrushColor(DC& dc, const Brush& b);  // resolves DC_BRUSH and system-colour brushes
std::shared_ptr<Brush> StockBrush(int index);
std::shared_ptr<Pen> StockPen(int index);
std::shared_ptr<Font> StockFont(int index);
std::shared_ptr<Brush> ResolveBrushArg(HBRUSH b);  // also takes a system colour index + 1
std::shared_ptr<Bitmap> DefaultBitmap();            // the 1 x 1 monochrome bitmap of new memory DCs
std::shared_ptr<Palette> DefaultPalette();
std::shared_ptr<Brush> SysColorBrushObj(int index);

// Shapes (gdi_region.cpp): rows of the filled ellipse inscribed in [l, r) x [t, b), as inclusive
// column ranges per row (xr < xl for an empty row). RoundRect corners use the same ellipses.
struct RowSpan {
  int xl, xr;
};
std::vector<RowSpan> EllipseRows(int l, int t, int r, int b);
std::vector<RowSpan> RoundRectRows(int l, int t, int r, int b, int ew, int eh);
// Boxes of a row-span shape starting at row t (the whole shape, or only its pixels with a
// 4-neighbour outside the shape: the 1-pixel outline).
void ShapeBoxes(const std::vector<RowSpan>& rows, int t, bool outlineOnly, std::vector<pixman_box32_t>* out);

// ---- the pixel pipeline -----------------------------------------------------------------------

inline uint32_t ToMono(uint32_t c) {
  uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  return (r * 299 + g * 587 + b * 114) >= 128000 ? 0xFFFFFF : 0;
}
uint32_t Rop2(int rop2, uint32_t pen, uint32_t dst);
uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d);
inline uint8_t Rop3Code(DWORD rop) { return static_cast<uint8_t>((rop >> 16) & 0xFF); }
inline bool Rop3UsesSource(uint8_t c) { return ((c >> 2) & 0x33) != (c & 0x33); }
inline bool Rop3UsesPattern(uint8_t c) { return ((c >> 4) & 0x0F) != (c & 0x0F); }

// The clip of one drawing call, in surface coordinates, with the device offset.
struct Canvas {
  Surface* surf = nullptr;
  int ox = 0, oy = 0;  // surface = device + offset
  std::vector<pixman_box32_t> boxes;
  pixman_box32_t ext{0, 0, 0, 0};
  bool mono = false;
  bool Empty() const { return surf == nullptr || boxes.empty(); }
  bool Visible(int devX, int devY) const;
  // Calls f(sx0, sy0, sx1, sy1) for every visible rectangle of the device box, in surface
  // coordinates.
  template <class F>
  void ForRects(int64_t x0, int64_t y0, int64_t x1, int64_t y1, F&& f) const;
  // Solid fill of the visible part of a device box.
  void Fill(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t color) const;
  // Calls f(first pixel*, devX0, devX1, devY) for every visible row span of the device box
  // [x0, x1) x [y0, y1).
  template <class F>
  void ForSpans(int64_t x0, int64_t y0, int64_t x1, int64_t y1, F&& f) const;
  // Calls f(pixel&, devX, devY) for every visible pixel of the device box [x0, x1) x [y0, y1).
  template <class F>
  void ForBox(int64_t x0, int64_t y0, int64_t x1, int64_t y1, F&& f) const;
  // The same for a region in device coordinates.
  template <class F>
  void ForRegion(const Region& devRegion, F&& f) const;
};
Canvas PrepareCanvas(DC& dc);

// What a brush paints at a device pixel: false where it paints nothing (hatch gaps in transparent
// mode, null brushes).
struct BrushSampler {
  int type = 0;  // 0 none, 1 solid, 2 hatch, 3 pattern
  int hatch = 0;
  uint32_t color = 0;
  uint32_t fg = 0, bg = 0;  // monochrome patterns, hatch background
  bool opaque = true;
  const Surface* pat = nullptr;
  bool patMono = false;
  int orgX = 0, orgY = 0;
  bool monoTarget = false;
  bool Sample(int x, int y, uint32_t* out) const;
};
BrushSampler MakeSampler(DC& dc, const Brush* b);
BrushSampler SolidSampler(uint32_t color, bool monoTarget);

// Paints the device region with the sampler under a binary raster operation.
void FillRegionRop2(DC& dc, const Canvas& cv, const Region& devRegion, const BrushSampler& s, int rop2);
void FillBoxRop2(DC& dc, const Canvas& cv, int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                 const BrushSampler& s, int rop2);
// Paints with a pattern-only ternary operation (PatBlt).
void FillBoxRop3(const Canvas& cv, int64_t x0, int64_t y0, int64_t x1, int64_t y1, const BrushSampler& s,
                 uint8_t code);

// Blits (gdi_raster.cpp). Logical rectangles of the destination and the source; rop4's low 24 bits
// are the ternary operation where the mask is 1 (or everywhere without a mask), its high byte the
// one where the mask is 0. `keyed` leaves out source pixels equal to `key`.
bool Blit(DC& dst, int64_t x, int64_t y, int64_t w, int64_t h, DC* src, int64_t xs, int64_t ys, int64_t ws,
          int64_t hs, DWORD rop4, const Surface* mask, int xm, int ym, bool keyed, COLORREF key, bool stretch);

// DIB rows (gdi_raster.cpp).
int64_t DibStride(int64_t width, int bpp);
int ColorTableSize(const BITMAPINFOHEADER& h);
// Decodes `scans` stored rows starting at stored row `firstScan` into dst (which must already have
// the image's size or be smaller). `avail` bytes are readable at `bits`. False on a bad format or
// short data.
bool DecodeDib(const BITMAPINFOHEADER& h, const RGBQUAD* colors, int colorCount, const uint8_t* bits, size_t avail,
               int firstScan, int scans, Surface* dst);

// Lines (gdi_draw.cpp), in device coordinates.
void DrawPolylineDev(DC& dc, const Canvas& cv, const std::vector<POINT>& pts, bool closed);

// DrawEdge on a device rectangle (gdi_user.cpp); returns the interior.
RECT EdgeDev(const Canvas& cv, RECT r, UINT edge, UINT flags);

// A canvas limited further to a device rectangle.
Canvas ClipCanvas(const Canvas& cv, const RECT& devRect);

// ---- recording --------------------------------------------------------------------------------

class CallScope {
 public:
  CallScope(DC& dc, const char* name, std::initializer_list<int64_t> args, std::string_view text = {});
  CallScope(DC& dc, const char* name, const std::vector<int64_t>& args, std::string_view text = {});
  ~CallScope() { --dc_.callDepth; }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

 private:
  void Begin(const char* name, const int64_t* args, size_t n, std::string_view text);
  DC& dc_;
};

// ---- shared helpers ---------------------------------------------------------------------------

std::string Utf16ToUtf8(const char16_t* s, size_t n);
std::u16string Utf8ToUtf16(std::string_view s);
// Decodes UTF-8 into code points with the byte offset of each; bad bytes become U+FFFD.
void DecodeUtf8(std::string_view s, std::vector<char32_t>* cps, std::vector<int>* offsets);
void DecodeUtf16(const char16_t* s, size_t n, std::vector<char32_t>* cps, std::vector<int>* offsets);
size_t StrLen16(const char16_t* s);

COLORREF SysColor(int index);
extern unsigned g_fontEngineGeneration;

}  // namespace fano_os::gdi

// ---- template bodies --------------------------------------------------------------------------

namespace fano_os::gdi {

template <class F>
void Canvas::ForRects(int64_t x0, int64_t y0, int64_t x1, int64_t y1, F&& f) const {
  if (!surf) return;
  int64_t sx0 = x0 + ox, sy0 = y0 + oy, sx1 = x1 + ox, sy1 = y1 + oy;
  if (sx0 < ext.x1) sx0 = ext.x1;
  if (sy0 < ext.y1) sy0 = ext.y1;
  if (sx1 > ext.x2) sx1 = ext.x2;
  if (sy1 > ext.y2) sy1 = ext.y2;
  if (sx0 >= sx1 || sy0 >= sy1) return;
  for (const pixman_box32_t& b : boxes) {
    if (b.y2 <= sy0) continue;
    if (b.y1 >= sy1) break;
    int64_t bx0 = b.x1 > sx0 ? b.x1 : sx0, bx1 = b.x2 < sx1 ? b.x2 : sx1;
    int64_t by0 = b.y1 > sy0 ? b.y1 : sy0, by1 = b.y2 < sy1 ? b.y2 : sy1;
    if (bx0 < bx1 && by0 < by1)
      f(static_cast<int>(bx0), static_cast<int>(by0), static_cast<int>(bx1), static_cast<int>(by1));
  }
}

template <class F>
void Canvas::ForSpans(int64_t x0, int64_t y0, int64_t x1, int64_t y1, F&& f) const {
  ForRects(x0, y0, x1, y1, [&](int a, int b, int c, int d) {
    for (int y = b; y < d; ++y) f(surf->Row(y) + a, a - ox, c - ox, y - oy);
  });
}

template <class F>
void Canvas::ForBox(int64_t x0, int64_t y0, int64_t x1, int64_t y1, F&& f) const {
  ForSpans(x0, y0, x1, y1, [&](uint32_t* p, int a, int b, int y) {
    for (int x = a; x < b; ++x, ++p) f(*p, x, y);
  });
}

template <class F>
void Canvas::ForRegion(const Region& devRegion, F&& f) const {
  for (const pixman_box32_t& b : devRegion.Boxes()) ForBox(b.x1, b.y1, b.x2, b.y2, f);
}

}  // namespace fano_os::gdi
