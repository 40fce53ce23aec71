// Visual themes: the themes switch and a simple flat theme of our own for the parts the controls
// draw themed (buttons, check boxes, radio buttons, combo and scroll arrows, tool-bar buttons,
// header items, edit frames, tabs and tree glyphs).
#include <algorithm>
#include <cstring>

#include "platform/os/gdi_core.h"
#include "platform/os/messages.h"
#include "platform/os/uxtheme.h"
#include "platform/os/wm_hooks.h"

namespace fano_os::gdi {

namespace {

bool g_themes = false;

enum class TClass { Button, Combo, Scroll, Toolbar, Header, Edit, Tab, Tree };

struct ThemeObj : Object {
  static constexpr Kind kKind = Kind::Theme;
  ThemeObj() : Object(kKind) {}
  TClass cls = TClass::Button;
  std::string name;
};

// The theme's colours.
constexpr COLORREF kBorder[5] = {RGB(112, 112, 112), RGB(112, 112, 112), RGB(0, 120, 215), RGB(0, 84, 153),
                                 RGB(191, 191, 191)};  // by look: -, normal, hot, pressed, disabled
constexpr COLORREF kFaceTop[5] = {RGB(240, 240, 240), RGB(240, 240, 240), RGB(229, 241, 251), RGB(204, 228, 247),
                                  RGB(244, 244, 244)};
constexpr COLORREF kFaceBottom[5] = {RGB(229, 229, 229), RGB(229, 229, 229), RGB(229, 241, 251), RGB(204, 228, 247),
                                     RGB(244, 244, 244)};
constexpr COLORREF kGlyph = RGB(51, 51, 51);
constexpr COLORREF kGlyphDisabled = RGB(160, 160, 160);

enum Look { kNormal = 1, kHot = 2, kPressed = 3, kDisabled = 4 };

void Fill(const Canvas& cv, int64_t l, int64_t t, int64_t r, int64_t b, COLORREF c) {
  uint32_t v = cv.mono ? ToMono(c) : c;
  cv.ForBox(l, t, r, b, [v](uint32_t& px, int, int) { px = v; });
}

void Frame(const Canvas& cv, const RECT& r, COLORREF c) {
  Fill(cv, r.left, r.top, r.right, r.top + 1, c);
  Fill(cv, r.left, r.bottom - 1, r.right, r.bottom, c);
  Fill(cv, r.left, r.top, r.left + 1, r.bottom, c);
  Fill(cv, r.right - 1, r.top, r.right, r.bottom, c);
}

void Gradient(const Canvas& cv, const RECT& r, COLORREF top, COLORREF bottom) {
  int64_t h = r.bottom - r.top;
  for (int64_t y = r.top; y < r.bottom; ++y) {
    int64_t k = y - r.top;
    auto ch = [&](int s) {
      int64_t a = (top >> s) & 0xFF, b = (bottom >> s) & 0xFF;
      return static_cast<uint32_t>(h > 1 ? a + (b - a) * k / (h - 1) : a) << s;
    };
    Fill(cv, r.left, y, r.right, y + 1, ch(0) | ch(8) | ch(16));
  }
}

// A raised face: frame and gradient.
void Face(const Canvas& cv, const RECT& r, int look) {
  look = std::clamp(look, 1, 4);
  Gradient(cv, r, kFaceTop[look], kFaceBottom[look]);
  Frame(cv, r, kBorder[look]);
}

void Arrow(const Canvas& cv, const RECT& r, int dir, COLORREF c) {
  int64_t w = r.right - r.left, h = r.bottom - r.top;
  int a = static_cast<int>(std::max<int64_t>(2, std::min(w, h) / 4));
  int64_t cx = r.left + w / 2, cy = r.top + h / 2;
  for (int i = 0; i < a; ++i) {
    int half = a - 1 - i;
    switch (dir) {
      case 1: Fill(cv, cx - half, cy - a / 2 + i, cx + half + 1, cy - a / 2 + i + 1, c); break;  // down
      case 0: Fill(cv, cx - half, cy + a / 2 - i, cx + half + 1, cy + a / 2 - i + 1, c); break;  // up
      case 3: Fill(cv, cx - a / 2 + i, cy - half, cx - a / 2 + i + 1, cy + half + 1, c); break;  // right
      case 2: Fill(cv, cx + a / 2 - i, cy - half, cx + a / 2 - i + 1, cy + half + 1, c); break;  // left
    }
  }
}

void Check(const Canvas& cv, const RECT& box, COLORREF c) {
  int64_t n = std::min(box.right - box.left, box.bottom - box.top) - 4;
  if (n < 3) return;
  int64_t x0 = box.left + 2, y0 = box.top + 2;
  auto plot = [&](int64_t x, int64_t y) { Fill(cv, x0 + x * n / 9, y0 + y * n / 9, x0 + x * n / 9 + 1, y0 + y * n / 9 + 2, c); };
  for (int k = 0; k <= 2; ++k) plot(1 + k, 4 + k);
  for (int k = 1; k <= 5; ++k) plot(3 + k, 6 - k);
}

RECT Square(const RECT& r, int size) {
  int64_t w = r.right - r.left, h = r.bottom - r.top;
  int64_t s = std::min<int64_t>({w, h, size});
  RECT q{static_cast<LONG>(r.left + (w - s) / 2), static_cast<LONG>(r.top + (h - s) / 2), 0, 0};
  q.right = static_cast<LONG>(q.left + s);
  q.bottom = static_cast<LONG>(q.top + s);
  return q;
}

// The look (normal, hot, pressed, disabled) of a part's state number.
int LookOf(TClass cls, int part, int state) {
  if (cls == TClass::Button && (part == BP_CHECKBOX || part == BP_RADIOBUTTON)) return (state - 1) % 4 + 1;
  if (cls == TClass::Scroll && part == SBP_ARROWBTN) return (state - 1) % 4 + 1;
  if (cls == TClass::Toolbar) return state == TS_CHECKED || state == TS_HOTCHECKED ? kPressed : std::clamp(state, 1, 4);
  if (cls == TClass::Button && part == BP_PUSHBUTTON && state == PBS_DEFAULTED) return kNormal;
  return std::clamp(state, 1, 4);
}

bool PartDefined(TClass cls, int part) {
  switch (cls) {
    case TClass::Button: return part >= BP_PUSHBUTTON && part <= BP_GROUPBOX;
    case TClass::Combo: return part == CP_DROPDOWNBUTTON;
    case TClass::Scroll: return (part >= SBP_ARROWBTN && part <= SBP_UPPERTRACKVERT) || part == SBP_SIZEBOX;
    case TClass::Toolbar: return part == TP_BUTTON;
    case TClass::Header: return part == HP_HEADERITEM;
    case TClass::Edit: return part == EP_EDITTEXT;
    case TClass::Tab: return part == TABP_TABITEM || part == TABP_PANE;
    case TClass::Tree: return part == TVP_GLYPH;
  }
  return false;
}

void DrawPart(const Canvas& cv, TClass cls, int part, int state, const RECT& r) {
  int look = LookOf(cls, part, state);
  COLORREF glyph = look == kDisabled ? kGlyphDisabled : kGlyph;
  switch (cls) {
    case TClass::Button:
      if (part == BP_CHECKBOX || part == BP_RADIOBUTTON) {
        RECT b = Square(r, 13);
        COLORREF border = look == kNormal ? RGB(51, 51, 51) : kBorder[look];
        COLORREF fill = look == kPressed ? RGB(204, 228, 247) : (look == kDisabled ? RGB(244, 244, 244) : RGB(255, 255, 255));
        int group = (state - 1) / 4;  // 0 unchecked, 1 checked, 2 mixed
        if (part == BP_CHECKBOX) {
          Fill(cv, b.left, b.top, b.right, b.bottom, fill);
          Frame(cv, b, border);
          if (group == 1) Check(cv, b, glyph);
          if (group == 2) Fill(cv, b.left + 3, b.top + 3, b.right - 3, b.bottom - 3, glyph);
        } else {
          auto rows = EllipseRows(b.left, b.top, b.right, b.bottom);
          std::vector<pixman_box32_t> all, ring;
          ShapeBoxes(rows, b.top, false, &all);
          ShapeBoxes(rows, b.top, true, &ring);
          for (const auto& x : all) Fill(cv, x.x1, x.y1, x.x2, x.y2, fill);
          for (const auto& x : ring) Fill(cv, x.x1, x.y1, x.x2, x.y2, border);
          if (group == 1) {
            int64_t s = (b.right - b.left) / 3 + 1;
            int64_t l = b.left + (b.right - b.left - s) / 2, t = b.top + (b.bottom - b.top - s) / 2;
            std::vector<pixman_box32_t> dot;
            ShapeBoxes(EllipseRows(static_cast<int>(l), static_cast<int>(t), static_cast<int>(l + s), static_cast<int>(t + s)),
                       static_cast<int>(t), false, &dot);
            for (const auto& x : dot) Fill(cv, x.x1, x.y1, x.x2, x.y2, glyph);
          }
        }
      } else if (part == BP_GROUPBOX) {
        Frame(cv, r, RGB(220, 220, 220));
      } else {
        Face(cv, r, look);
        if (state == PBS_DEFAULTED) Frame(cv, RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, kBorder[kHot]);
      }
      break;
    case TClass::Combo:
      if (look != kNormal) Face(cv, r, look);
      else Fill(cv, r.left, r.top, r.right, r.bottom, RGB(255, 255, 255));
      Arrow(cv, r, 1, glyph);
      break;
    case TClass::Scroll:
      if (part == SBP_ARROWBTN) {
        Face(cv, r, look);
        Arrow(cv, r, (state - 1) / 4, glyph);
      } else if (part == SBP_THUMBBTNHORZ || part == SBP_THUMBBTNVERT) {
        Fill(cv, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, look == kNormal ? RGB(205, 205, 205) : RGB(166, 166, 166));
      } else if (part == SBP_SIZEBOX) {
        Fill(cv, r.left, r.top, r.right, r.bottom, RGB(240, 240, 240));
      } else {
        Fill(cv, r.left, r.top, r.right, r.bottom, RGB(240, 240, 240));
      }
      break;
    case TClass::Toolbar:
      if (state != TS_NORMAL && state != TS_DISABLED) Face(cv, r, look);
      break;
    case TClass::Header: {
      COLORREF top = look == kHot ? RGB(217, 235, 249) : (look == kPressed ? RGB(188, 220, 244) : RGB(255, 255, 255));
      Gradient(cv, r, top, look == kNormal ? RGB(242, 242, 242) : top);
      Fill(cv, r.right - 1, r.top, r.right, r.bottom, RGB(229, 229, 229));
      Fill(cv, r.left, r.bottom - 1, r.right, r.bottom, RGB(213, 213, 213));
      break;
    }
    case TClass::Edit: {
      COLORREF border = state == ETS_FOCUSED ? kBorder[kHot] : (state == ETS_HOT ? RGB(23, 23, 23) : RGB(122, 122, 122));
      if (state == ETS_DISABLED) border = kBorder[kDisabled];
      Fill(cv, r.left, r.top, r.right, r.bottom, state == ETS_DISABLED || state == ETS_READONLY ? RGB(240, 240, 240) : RGB(255, 255, 255));
      Frame(cv, r, border);
      break;
    }
    case TClass::Tab:
      if (part == TABP_PANE) {
        Fill(cv, r.left, r.top, r.right, r.bottom, RGB(255, 255, 255));
        Frame(cv, r, RGB(217, 217, 217));
      } else {
        Fill(cv, r.left, r.top, r.right, r.bottom, state == TIS_SELECTED ? RGB(255, 255, 255) : (look == kHot ? RGB(216, 234, 249) : RGB(240, 240, 240)));
        Frame(cv, r, RGB(217, 217, 217));
      }
      break;
    case TClass::Tree: {
      RECT b = Square(r, 9);
      Fill(cv, b.left, b.top, b.right, b.bottom, RGB(255, 255, 255));
      Frame(cv, b, RGB(145, 145, 145));
      int64_t cy = b.top + (b.bottom - b.top) / 2, cx = b.left + (b.right - b.left) / 2;
      Fill(cv, b.left + 2, cy, b.right - 2, cy + 1, kGlyph);
      if (state == GLPS_CLOSED) Fill(cv, cx, b.top + 2, cx + 1, b.bottom - 2, kGlyph);
      break;
    }
  }
}

}  // namespace

}  // namespace fano_os::gdi

using namespace fano_os::gdi;

extern "C" {

BOOL IsThemeActive(void) {
  FANO_GDI_LOCK;
  return g_themes ? TRUE : FALSE;
}

BOOL IsAppThemed(void) { return IsThemeActive(); }

void FanoSetThemesActive(BOOL on) {
  {
    FANO_GDI_LOCK;
    if (g_themes == (on != FALSE)) return;
    g_themes = on != FALSE;
  }
  fano_os::BroadcastSystemChange(WM_THEMECHANGED);
}

HTHEME OpenThemeData(HWND, const FANO_WCHAR* classList) {
  FANO_GDI_LOCK;
  if (!g_themes || !classList) return nullptr;
  static const std::pair<const char*, TClass> kClasses[] = {
      {"button", TClass::Button}, {"combobox", TClass::Combo}, {"scrollbar", TClass::Scroll},
      {"toolbar", TClass::Toolbar}, {"header", TClass::Header}, {"edit", TClass::Edit},
      {"tab", TClass::Tab},         {"treeview", TClass::Tree}};
  std::string list = Utf16ToUtf8(classList, StrLen16(classList));
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string name = list.substr(start, end - start);
    size_t colons = name.rfind("::");  // "Explorer::TreeView"
    if (colons != std::string::npos) name = name.substr(colons + 2);
    for (char& c : name)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const auto& k : kClasses) {
      if (name == k.first) {
        auto th = std::make_shared<ThemeObj>();
        th->cls = k.second;
        th->name = k.first;
        return Register(th);
      }
    }
    start = end + 1;
  }
  return nullptr;
}

HRESULT CloseThemeData(HTHEME theme) {
  FANO_OBJ_OR(ThemeObj, theme, t, E_HANDLE);
  (void)t;
  Unregister(theme);
  return S_OK;
}

HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* r, const RECT* clip) {
  FANO_OBJ_OR(ThemeObj, theme, t, E_HANDLE);
  auto dp = GetDC_(dc);
  if (!dp || !r) return E_INVALIDARG;
  if (!PartDefined(t.cls, part)) return E_INVALIDARG;
  DC& d = *dp;
  CallScope scope(d, "DrawThemeBackground", {part, state, r->left, r->top, r->right, r->bottom}, t.name);
  Canvas cv = PrepareCanvas(d);
  if (clip) cv = ClipCanvas(cv, d.RectToDev(*clip));
  DrawPart(cv, t.cls, part, state, d.RectToDev(*r));
  return S_OK;
}

HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int part, int state, const RECT* r, UINT edge, UINT flags, RECT* content) {
  FANO_OBJ_OR(ThemeObj, theme, t, E_HANDLE);
  (void)t;
  auto dp = GetDC_(dc);
  if (!dp || !r) return E_INVALIDARG;
  DC& d = *dp;
  CallScope scope(d, "DrawThemeEdge", {part, state, r->left, r->top, r->right, r->bottom, edge, flags});
  Canvas cv = PrepareCanvas(d);
  RECT in = EdgeDev(cv, d.RectToDev(*r), edge, flags);
  if (content) {
    int k = ((edge & BDR_OUTER) ? 1 : 0) + ((edge & BDR_INNER) ? 1 : 0);
    *content = RECT{r->left + ((flags & BF_LEFT) ? k : 0), r->top + ((flags & BF_TOP) ? k : 0),
                    r->right - ((flags & BF_RIGHT) ? k : 0), r->bottom - ((flags & BF_BOTTOM) ? k : 0)};
  }
  (void)in;
  return S_OK;
}

HRESULT GetThemeColor(HTHEME theme, int part, int state, int prop, COLORREF* out) {
  FANO_OBJ_OR(ThemeObj, theme, t, E_HANDLE);
  if (!out || !PartDefined(t.cls, part)) return E_INVALIDARG;
  int look = LookOf(t.cls, part, state);
  switch (prop) {
    case TMT_BORDERCOLOR: *out = kBorder[std::clamp(look, 1, 4)]; return S_OK;
    case TMT_FILLCOLOR: *out = kFaceTop[std::clamp(look, 1, 4)]; return S_OK;
    case TMT_TEXTCOLOR: *out = look == kDisabled ? RGB(109, 109, 109) : RGB(0, 0, 0); return S_OK;
    default: return E_INVALIDARG;
  }
}

HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const FANO_WCHAR* text, int length, DWORD flags,
                      DWORD, const RECT* r) {
  COLORREF color = 0;
  {
    FANO_OBJ_OR(ThemeObj, theme, t, E_HANDLE);
    (void)t;
  }
  if (!r || GetThemeColor(theme, part, state, TMT_TEXTCOLOR, &color) != S_OK) return E_INVALIDARG;
  FANO_GDI_LOCK;
  auto dp = GetDC_(dc);
  if (!dp) return E_INVALIDARG;
  RECT box = *r;
  COLORREF oldColor = SetTextColor(dc, color);
  int oldMode = SetBkMode(dc, TRANSPARENT);
  int h = DrawTextW(dc, text, length, &box, flags);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldColor);
  return h || length == 0 ? S_OK : E_FAIL;
}

HRESULT GetThemePartSize(HTHEME theme, HDC, int part, int state, const RECT* r, THEMESIZE size, SIZE* out) {
  FANO_OBJ_OR(ThemeObj, theme, t, E_HANDLE);
  (void)state;
  if (!out || !PartDefined(t.cls, part)) return E_INVALIDARG;
  SIZE s{0, 0};
  if (t.cls == TClass::Button && (part == BP_CHECKBOX || part == BP_RADIOBUTTON))
    s = SIZE{13, 13};
  else if (t.cls == TClass::Tree)
    s = SIZE{9, 9};
  else if (t.cls == TClass::Scroll && part == SBP_ARROWBTN)
    s = SIZE{17, 17};
  else if (t.cls == TClass::Combo)
    s = SIZE{17, r ? r->bottom - r->top : 17};
  else if (size == TS_MIN)
    s = SIZE{2, 2};
  else if (r)
    s = SIZE{r->right - r->left, r->bottom - r->top};
  *out = s;
  return S_OK;
}

HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC, int part, int, const RECT* bounds, RECT* content) {
  FANO_OBJ_OR(ThemeObj, theme, t, E_HANDLE);
  if (!bounds || !content || !PartDefined(t.cls, part)) return E_INVALIDARG;
  int k = (t.cls == TClass::Button && part == BP_PUSHBUTTON) || t.cls == TClass::Toolbar || t.cls == TClass::Edit ||
                  t.cls == TClass::Tab || t.cls == TClass::Scroll
              ? 1
              : 0;
  if (t.cls == TClass::Button && part == BP_PUSHBUTTON) k = 3;
  *content = RECT{bounds->left + k, bounds->top + k, bounds->right - k, bounds->bottom - k};
  return S_OK;
}

BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int) {
  FANO_OBJ_OR(ThemeObj, theme, t, FALSE);
  if (t.cls == TClass::Button) return part == BP_CHECKBOX || part == BP_RADIOBUTTON || part == BP_GROUPBOX;
  return t.cls == TClass::Toolbar || t.cls == TClass::Tree || t.cls == TClass::Tab ? TRUE : FALSE;
}

BOOL IsThemePartDefined(HTHEME theme, int part, int) {
  FANO_OBJ_OR(ThemeObj, theme, t, FALSE);
  return PartDefined(t.cls, part) ? TRUE : FALSE;
}

}  // extern "C"
