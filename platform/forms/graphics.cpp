#include "platform/forms/graphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/classes/classreg.h"
#include "platform/classes/filer.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/resources.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_ABSTRACT(TGraphicsObject, TPersistent)
FANO_IMPLEMENT_CLASS(TFont, TGraphicsObject)
FANO_IMPLEMENT_CLASS(TPen, TGraphicsObject)
FANO_IMPLEMENT_CLASS(TBrush, TGraphicsObject)
FANO_IMPLEMENT_CLASS(TCanvas, TPersistent)
FANO_IMPLEMENT_ABSTRACT(TGraphic, TPersistent)
FANO_IMPLEMENT_CLASS(TBitmap, TGraphic)
FANO_IMPLEMENT_ABSTRACT(TBitmapCanvas, TCanvas)
FANO_IMPLEMENT_ABSTRACT(TEncodedImage, TGraphic)
FANO_IMPLEMENT_CLASS(TPngImage, TEncodedImage)
FANO_IMPLEMENT_CLASS(TJPEGImage, TEncodedImage)
FANO_IMPLEMENT_CLASS(TPicture, TPersistent)

// ---- colours ----------------------------------------------------------------------------------

COLORREF ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(static_cast<int>(static_cast<uint32_t>(color) & 0xFF));
  return static_cast<COLORREF>(color);
}

namespace {

// What a drawing object is made with: never the flag bits of clNone / clDefault.
COLORREF ObjectColor(TColor color) { return ColorToRGB(color) & 0x00FFFFFFu; }

struct ColorName {
  TColor value;
  const char* name;
};
constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"}, {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"}, {clActiveCaption, "clActiveCaption"}, {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"}, {clBtnFace, "clBtnFace"}, {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"}, {clBtnText, "clBtnText"}, {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"}, {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"}, {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"}, {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"}, {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clInfoBk, "clInfoBk"}, {clInfoText, "clInfoText"},
    {clMenu, "clMenu"}, {clMenuBar, "clMenuBar"}, {clMenuHighlight, "clMenuHighlight"}, {clMenuText, "clMenuText"},
    {clNone, "clNone"}, {clScrollBar, "clScrollBar"}, {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"}, {clWindowText, "clWindowText"},
};

}  // namespace

std::string ColorToString(TColor color) {
  for (const ColorName& c : kColorNames)
    if (c.value == color) return c.name;
  return "$" + IntToHex(static_cast<int32_t>(color), 8);
}

bool IdentToColor(std::string_view ident, TColor& color) {
  for (const ColorName& c : kColorNames)
    if (SameText(ident, c.name)) {
      color = c.value;
      return true;
    }
  return false;
}

TColor StringToColor(std::string_view s) {
  TColor c;
  if (IdentToColor(s, c)) return c;
  std::string t = Trim(s);
  if (!t.empty() && t[0] == '$') {
    if (t.size() < 2 || t.size() > 9) throw EConvertError("'" + std::string(s) + "' is not a valid color");
    uint32_t v = 0;
    for (size_t i = 1; i < t.size(); ++i) {
      char ch = t[i];
      int d = ch >= '0' && ch <= '9' ? ch - '0' : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10 : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10 : -1;
      if (d < 0) throw EConvertError("'" + std::string(s) + "' is not a valid color");
      v = v * 16 + static_cast<uint32_t>(d);
    }
    return static_cast<TColor>(v);
  }
  int64_t v;
  if (!TryStrToInt64(t, v) || v < INT32_MIN || v > UINT32_MAX) throw EConvertError("'" + std::string(s) + "' is not a valid color");
  return static_cast<TColor>(static_cast<uint32_t>(v));
}

// ---- graphics objects -------------------------------------------------------------------------

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// The default user-interface font of a Chinese system.
const std::string& TFont::DefaultName() {
  static const std::string name = "宋体";
  return name;
}
int TFont::DefaultHeight() { return -12; }
TFontCharset TFont::DefaultCharset() { return GB2312_CHARSET; }

TFont::TFont() : name_(DefaultName()), height_(DefaultHeight()), charset_(DefaultCharset()) {}

TFont::~TFont() { FreeHandle(); }

void TFont::FreeHandle() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

void TFont::Change() {
  FreeHandle();
  Changed();
}

void TFont::Assign(TPersistent* source) {
  if (auto* f = dynamic_cast<TFont*>(source)) {
    if (f == this) return;
    bool same = name_ == f->name_ && height_ == f->height_ && style_ == f->style_ && charset_ == f->charset_ &&
                pitch_ == f->pitch_ && orientation_ == f->orientation_;
    bool sameColor = color_ == f->color_;
    name_ = f->name_;
    height_ = f->height_;
    style_ = f->style_;
    charset_ = f->charset_;
    pitch_ = f->pitch_;
    orientation_ = f->orientation_;
    color_ = f->color_;
    // A font taken over at another resolution keeps its point size.
    if (pixelsPerInch_ != f->pixelsPerInch_ && f->pixelsPerInch_ > 0)
      height_ = MulDiv(f->height_, pixelsPerInch_, f->pixelsPerInch_);
    if (!same) FreeHandle();
    if (!same || !sameColor) Changed();
    return;
  }
  TPersistent::Assign(source);
}

void TFont::GetLogFont(LOGFONTA& lf) const {
  std::memset(&lf, 0, sizeof lf);
  lf.lfHeight = height_;
  lf.lfWidth = 0;
  lf.lfEscapement = orientation_;
  lf.lfOrientation = orientation_;
  lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = style_.Contains(fsItalic);
  lf.lfUnderline = style_.Contains(fsUnderline);
  lf.lfStrikeOut = style_.Contains(fsStrikeOut);
  lf.lfCharSet = charset_;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = pitch_ == fpFixed ? FIXED_PITCH : pitch_ == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
  // Whole characters only: a face name cut inside a character would name another face.
  std::string face = name_;
  if (SameText(face, "Default")) face = DefaultName();
  size_t n = 0;
  while (n < face.size()) {
    size_t len = static_cast<size_t>(std::max(1, Utf8SequenceLength(static_cast<unsigned char>(face[n]))));
    if (n + len > LF_FACESIZE - 1) break;
    n += len;
  }
  std::memcpy(lf.lfFaceName, face.data(), std::min(n, face.size()));
}

HFONT TFont::Handle() {
  if (!handle_) {
    LOGFONTA lf;
    GetLogFont(lf);
    handle_ = CreateFontIndirectA(&lf);
    if (!handle_) handle_ = nullptr;
  }
  return handle_;
}

void TFont::SetHandle(HFONT font) {
  LOGFONTA lf;
  if (!font || GetObjectA(font, sizeof lf, &lf) != static_cast<int>(sizeof lf)) return;
  name_ = std::string(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
  height_ = lf.lfHeight;
  TFontStyles st;
  if (lf.lfWeight >= FW_BOLD) st.Include(fsBold);
  if (lf.lfItalic) st.Include(fsItalic);
  if (lf.lfUnderline) st.Include(fsUnderline);
  if (lf.lfStrikeOut) st.Include(fsStrikeOut);
  style_ = st;
  charset_ = lf.lfCharSet;
  int pitch = lf.lfPitchAndFamily & 3;
  pitch_ = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
  orientation_ = lf.lfEscapement;
  Change();
}

void TFont::SetName(std::string_view name) {
  if (name.empty() || name_ == name) return;
  name_ = std::string(name);
  Change();
}

void TFont::SetHeight(int height) {
  if (height_ == height) return;
  height_ = height;
  Change();
}

int TFont::Size() const {
  if (pixelsPerInch_ <= 0) return 0;
  return -MulDiv(height_, 72, pixelsPerInch_);
}

void TFont::SetSize(int size) { SetHeight(-MulDiv(size, pixelsPerInch_, 72)); }

void TFont::SetStyle(TFontStyles style) {
  if (style_ == style) return;
  style_ = style;
  Change();
}

void TFont::SetColor(TColor color) {
  if (color_ == color) return;
  color_ = color;
  Changed();
}

void TFont::SetCharset(TFontCharset charset) {
  if (charset_ == charset) return;
  charset_ = charset;
  Change();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch_ == pitch) return;
  pitch_ = pitch;
  Change();
}

void TFont::SetOrientation(int orientation) {
  if (orientation_ == orientation) return;
  orientation_ = orientation;
  Change();
}

TPen::~TPen() { FreeHandle(); }

void TPen::FreeHandle() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

void TPen::Change() {
  FreeHandle();
  Changed();
}

void TPen::Assign(TPersistent* source) {
  if (auto* p = dynamic_cast<TPen*>(source)) {
    if (p == this) return;
    if (color_ == p->color_ && mode_ == p->mode_ && style_ == p->style_ && width_ == p->width_) return;
    color_ = p->color_;
    mode_ = p->mode_;
    style_ = p->style_;
    width_ = p->width_;
    Change();
    return;
  }
  TPersistent::Assign(source);
}

HPEN TPen::Handle() {
  if (!handle_) {
    static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    LOGPEN lp{static_cast<UINT>(styles[style_]), POINT{width_, 0}, ObjectColor(color_)};
    handle_ = CreatePenIndirect(&lp);
  }
  return handle_;
}

void TPen::SetHandle(HPEN pen) {
  LOGPEN lp;
  if (!pen || GetObjectA(pen, sizeof lp, &lp) != static_cast<int>(sizeof lp)) return;
  switch (lp.lopnStyle & PS_STYLE_MASK) {
    case PS_DASH: style_ = psDash; break;
    case PS_DOT: style_ = psDot; break;
    case PS_DASHDOT: style_ = psDashDot; break;
    case PS_DASHDOTDOT: style_ = psDashDotDot; break;
    case PS_NULL: style_ = psClear; break;
    case PS_INSIDEFRAME: style_ = psInsideFrame; break;
    default: style_ = psSolid; break;
  }
  width_ = lp.lopnWidth.x;
  color_ = static_cast<TColor>(lp.lopnColor);
  Change();
}

void TPen::SetColor(TColor color) {
  if (color_ == color) return;
  color_ = color;
  Change();
}

void TPen::SetMode(TPenMode mode) {
  if (mode_ == mode) return;
  mode_ = mode;
  Changed();  // the mode is the canvas's raster operation, not part of the pen object
}

void TPen::SetStyle(TPenStyle style) {
  if (style_ == style) return;
  style_ = style;
  Change();
}

void TPen::SetWidth(int width) {
  if (width < 0) width = 0;
  if (width_ == width) return;
  width_ = width;
  Change();
}

TBrush::~TBrush() { FreeHandle(); }

void TBrush::FreeHandle() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

void TBrush::Change() {
  FreeHandle();
  Changed();
}

void TBrush::Assign(TPersistent* source) {
  if (auto* b = dynamic_cast<TBrush*>(source)) {
    if (b == this) return;
    if (color_ == b->color_ && style_ == b->style_ && bitmap_ == b->bitmap_) return;
    color_ = b->color_;
    style_ = b->style_;
    bitmap_ = b->bitmap_;
    Change();
    return;
  }
  TPersistent::Assign(source);
}

HBRUSH TBrush::Handle() {
  if (!handle_) {
    if (bitmap_ && !bitmap_->Empty()) {
      handle_ = CreatePatternBrush(bitmap_->Handle());
    } else {
      LOGBRUSH lb{BS_SOLID, ObjectColor(color_), 0};
      switch (style_) {
        case bsSolid: break;
        case bsClear: lb.lbStyle = BS_HOLLOW; break;
        case bsHorizontal: lb.lbStyle = BS_HATCHED; lb.lbHatch = HS_HORIZONTAL; break;
        case bsVertical: lb.lbStyle = BS_HATCHED; lb.lbHatch = HS_VERTICAL; break;
        case bsFDiagonal: lb.lbStyle = BS_HATCHED; lb.lbHatch = HS_FDIAGONAL; break;
        case bsBDiagonal: lb.lbStyle = BS_HATCHED; lb.lbHatch = HS_BDIAGONAL; break;
        case bsCross: lb.lbStyle = BS_HATCHED; lb.lbHatch = HS_CROSS; break;
        case bsDiagCross: lb.lbStyle = BS_HATCHED; lb.lbHatch = HS_DIAGCROSS; break;
      }
      handle_ = CreateBrushIndirect(&lb);
    }
  }
  return handle_;
}

void TBrush::SetHandle(HBRUSH brush) {
  LOGBRUSH lb;
  if (!brush || GetObjectA(brush, sizeof lb, &lb) != static_cast<int>(sizeof lb)) return;
  color_ = static_cast<TColor>(lb.lbColor);
  bitmap_ = nullptr;
  if (lb.lbStyle == BS_HOLLOW) style_ = bsClear;
  else if (lb.lbStyle == BS_HATCHED) {
    static const TBrushStyle hatches[] = {bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross};
    style_ = lb.lbHatch < 6 ? hatches[lb.lbHatch] : bsSolid;
  } else style_ = bsSolid;
  Change();
}

void TBrush::SetColor(TColor color) {
  if (color_ == color && style_ != bsClear) return;
  color_ = color;
  if (style_ == bsClear) style_ = bsSolid;  // a colour makes no sense on a clear brush
  Change();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style_ == style) return;
  style_ = style;
  Change();
}

void TBrush::SetBitmap(TBitmap* bitmap) {
  bitmap_ = bitmap;
  Change();
}

// ---- canvas -----------------------------------------------------------------------------------

namespace {
constexpr int kPenModes[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN, R2_MERGEPENNOT,
                             R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
                             R2_MASKPEN, R2_NOTMASKPEN, R2_XORPEN, R2_NOTXORPEN};
HGDIOBJ StockPen() { return GetStockObject(BLACK_PEN); }
HGDIOBJ StockBrush() { return GetStockObject(HOLLOW_BRUSH); }
HGDIOBJ StockFont() { return GetStockObject(SYSTEM_FONT); }
}  // namespace

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
  font_->OnChange = [this](TObject* s) { FontChanged(s); };
  pen_->OnChange = [this](TObject* s) { PenChanged(s); };
  brush_->OnChange = [this](TObject* s) { BrushChanged(s); };
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

HDC TCanvas::Handle() {
  // Code drawing straight on the context expects the canvas's font, pen and brush in it.
  RequiredState(TCanvasState{csHandleValid, csFontValid, csPenValid, csBrushValid});
  return handle_;
}

void TCanvas::SetHandle(HDC dc) {
  if (handle_ == dc) return;
  if (handle_) {
    DeselectHandles();
    POINT p;
    if (GetCurrentPositionEx(handle_, &p)) penPos_ = p;
    handle_ = nullptr;
    state_.Exclude(csHandleValid);
  }
  if (dc) {
    state_.Include(csHandleValid);
    handle_ = dc;
    MoveToEx(handle_, penPos_.X, penPos_.Y, nullptr);
  }
}

void TCanvas::DeselectHandles() {
  if (handle_ && (state_.Contains(csPenValid) || state_.Contains(csBrushValid) || state_.Contains(csFontValid))) {
    SelectObject(handle_, StockPen());
    SelectObject(handle_, StockBrush());
    SelectObject(handle_, StockFont());
    state_.Exclude(csPenValid);
    state_.Exclude(csBrushValid);
    state_.Exclude(csFontValid);
  }
}

void TCanvas::RequiredState(TCanvasState required) {
  TCanvasState needed = required - state_;
  if (needed.Empty()) return;
  if (needed.Contains(csHandleValid)) {
    CreateHandle();
    if (!handle_) throw EInvalidOperation("Canvas does not allow drawing");
  }
  if (needed.Contains(csFontValid)) CreateFontObject();
  if (needed.Contains(csPenValid)) CreatePenObject();
  if (needed.Contains(csBrushValid)) CreateBrushObject();
  state_ += needed;
}

void TCanvas::CreateFontObject() {
  SelectObject(handle_, font_->Handle());
  SetTextColor(handle_, ObjectColor(font_->Color()));
}

void TCanvas::CreatePenObject() {
  SelectObject(handle_, pen_->Handle());
  SetROP2(handle_, kPenModes[pen_->Mode()]);
}

void TCanvas::CreateBrushObject() {
  SelectObject(handle_, brush_->Handle());
  if (brush_->Style() == bsSolid) {
    SetBkColor(handle_, ObjectColor(brush_->Color()));
    SetBkMode(handle_, OPAQUE);
  } else {
    // Hatches keep the background transparent; the background colour is never the hatch colour.
    SetBkColor(handle_, ~ObjectColor(brush_->Color()) & 0x00FFFFFFu);
    SetBkMode(handle_, TRANSPARENT);
  }
}

void TCanvas::FontChanged(TObject*) {
  if (state_.Contains(csFontValid)) {
    state_.Exclude(csFontValid);
    SelectObject(handle_, StockFont());
  }
}

void TCanvas::PenChanged(TObject*) {
  if (state_.Contains(csPenValid)) {
    state_.Exclude(csPenValid);
    SelectObject(handle_, StockPen());
  }
}

void TCanvas::BrushChanged(TObject*) {
  if (state_.Contains(csBrushValid)) {
    state_.Exclude(csBrushValid);
    SelectObject(handle_, StockBrush());
  }
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

TPoint TCanvas::PenPos() {
  RequiredState(TCanvasState{csHandleValid});
  POINT p{0, 0};
  GetCurrentPositionEx(handle_, &p);
  return p;
}

void TCanvas::SetPenPos(const TPoint& p) { MoveTo(p.X, p.Y); }

TRect TCanvas::ClipRect() {
  RequiredState(TCanvasState{csHandleValid});
  RECT r{0, 0, 0, 0};
  GetClipBox(handle_, &r);
  return r;
}

TColor TCanvas::Pixels(int x, int y) {
  RequiredState(TCanvasState{csHandleValid});
  return static_cast<TColor>(GetPixel(handle_, x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid});
  SetPixel(handle_, x, y, ObjectColor(color));
  Changed();
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  // The window system has no arc primitive: an elliptic arc is drawn as a polyline.
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid});
  double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0, rx = (x2 - x1) / 2.0, ry = (y2 - y1) / 2.0;
  if (rx > 0 && ry > 0) {
    double a0 = std::atan2(-(y3 - cy), x3 - cx), a1 = std::atan2(-(y4 - cy), x4 - cx);
    if (a1 <= a0) a1 += 2 * 3.14159265358979323846;
    int steps = std::max(8, static_cast<int>((a1 - a0) * std::max(rx, ry)));
    std::vector<POINT> pts;
    for (int i = 0; i <= steps; ++i) {
      double a = a0 + (a1 - a0) * i / steps;
      pts.push_back(POINT{static_cast<LONG>(std::lround(cx + rx * std::cos(a))), static_cast<LONG>(std::lround(cy - ry * std::sin(a)))});
    }
    ::Polyline(handle_, pts.data(), static_cast<int>(pts.size()));
  }
  Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source) {
  if (!canvas) return;
  Changing();
  RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  canvas->RequiredState(TCanvasState{csHandleValid, csBrushValid});
  StretchBlt(handle_, dest.Left, dest.Top, dest.Width(), dest.Height(), canvas->handle_, source.Left, source.Top,
             source.Width(), source.Height(), static_cast<DWORD>(copyMode_));
  Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  Changing();
  RequiredState(TCanvasState{csHandleValid});
  SetBkColor(handle_, ObjectColor(brush_->Color()));
  SetTextColor(handle_, ObjectColor(font_->Color()));
  graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
  Changed();
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  Changing();
  RequiredState(TCanvasState{csHandleValid});
  graphic->Draw(this, rect);
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& rect) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  RECT r = rect;
  ::DrawFocusRect(handle_, &r);
  Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::Ellipse(handle_, x1, y1, x2, y2);
  Changed();
}

void TCanvas::FillRect(const TRect& rect) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  RECT r = rect;
  ::FillRect(handle_, &r, brush_->Handle());
  Changed();
}

void TCanvas::FloodFill(int x, int y, TColor color, TFillStyle style) {
  // Fills the 4-connected area at (x, y) through the pixels: bounded by `color` (fsBorder) or made
  // of it (fsSurface).
  Changing();
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  COLORREF target = ObjectColor(color);
  RECT clip{0, 0, 0, 0};
  GetClipBox(handle_, &clip);
  auto inside = [&](int px, int py) {
    if (px < clip.left || px >= clip.right || py < clip.top || py >= clip.bottom) return false;
    COLORREF c = GetPixel(handle_, px, py);
    if (c == CLR_INVALID) return false;
    return style == fsBorder ? c != target : c == target;
  };
  COLORREF fill = ObjectColor(brush_->Color());
  if (inside(x, y) && !(style == fsSurface && fill == target)) {
    std::vector<std::vector<bool>> seen(static_cast<size_t>(std::max(0L, static_cast<long>(clip.bottom - clip.top))),
                                        std::vector<bool>(static_cast<size_t>(std::max(0L, static_cast<long>(clip.right - clip.left)))));
    std::vector<POINT> stack{POINT{x, y}};
    while (!stack.empty()) {
      POINT p = stack.back();
      stack.pop_back();
      if (!inside(p.x, p.y)) continue;
      auto&& mark = seen[static_cast<size_t>(p.y - clip.top)][static_cast<size_t>(p.x - clip.left)];
      if (mark) continue;
      mark = true;
      SetPixelV(handle_, p.x, p.y, fill);
      stack.push_back(POINT{p.x + 1, p.y});
      stack.push_back(POINT{p.x - 1, p.y});
      stack.push_back(POINT{p.x, p.y + 1});
      stack.push_back(POINT{p.x, p.y - 1});
    }
  }
  Changed();
}

void TCanvas::FrameRect(const TRect& rect) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csBrushValid});
  RECT r = rect;
  ::FrameRect(handle_, &r, brush_->Handle());
  Changed();
}

void TCanvas::LineTo(int x, int y) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  ::LineTo(handle_, x, y);
  Changed();
}

void TCanvas::MoveTo(int x, int y) {
  RequiredState(TCanvasState{csHandleValid});
  MoveToEx(handle_, x, y, nullptr);
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  std::vector<POINT> pts(points.begin(), points.end());
  ::Polygon(handle_, pts.data(), static_cast<int>(pts.size()));
  Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  Changing();
  RequiredState(TCanvasState{csHandleValid, csPenValid, csBrushValid});
  std::vector<POINT> pts(points.begin(), points.end());
  ::Polyline(handle_, pts.data(), static_cast<int>(pts.size()));
  Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csBrushValid, csPenValid});
  ::Rectangle(handle_, x1, y1, x2, y2);
  Changed();
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csBrushValid, csPenValid});
  ::RoundRect(handle_, x1, y1, x2, y2, x3, y3);
  Changed();
}

void TCanvas::Refresh() { DeselectHandles(); }

TSize TCanvas::TextExtent(std::string_view text) {
  RequiredState(TCanvasState{csHandleValid, csFontValid});
  SIZE s{0, 0};
  GetTextExtentPoint32A(handle_, text.data(), static_cast<int>(text.size()), &s);
  return s;
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  ExtTextOutA(handle_, x, y, static_cast<UINT>(textFlags_), nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
  MoveTo(x + TextWidth(text), y);
  Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text) {
  Changing();
  RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
  UINT options = ETO_CLIPPED | static_cast<UINT>(textFlags_);
  if (brush_->Style() != bsClear) options |= ETO_OPAQUE;
  RECT r = rect;
  ExtTextOutA(handle_, x, y, options, &r, text.data(), static_cast<UINT>(text.size()), nullptr);
  Changed();
}

// ---- graphics ---------------------------------------------------------------------------------

void TGraphic::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  Changed(this);
}

void TGraphic::SetModified(bool value) {
  if (value) Changed(this);
  else modified_ = false;
}

void TGraphic::Changed(TObject*) {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream s(fileName, fmOpenRead);
  LoadFromStream(s);
}

void TGraphic::SaveToFile(const std::string& fileName) {
  TFileStream s(fileName, fmCreate);
  SaveToStream(s);
}

namespace {

std::vector<uint8_t> ReadRest(TStream& stream) {
  int64_t size = stream.Size() - stream.Position();
  std::vector<uint8_t> data;
  if (size > 0) {
    data.resize(static_cast<size_t>(size));
    stream.ReadBuffer(data.data(), size);
  }
  return data;
}

std::vector<uint8_t> Encode(HBITMAP bitmap, int format, int quality) {
  std::vector<uint8_t> out;
  size_t need = FanoEncodeImage(bitmap, format, quality, nullptr, 0);
  if (need == 0) return out;
  out.resize(need);
  size_t got = FanoEncodeImage(bitmap, format, quality, out.data(), out.size());
  if (got == 0 || got > out.size()) {
    out.clear();
    return out;
  }
  out.resize(got);
  return out;
}

// A bitmap of that size drawn with `color`-free black, 32-bit or monochrome.
HBITMAP NewBitmap(int width, int height, bool monochrome) {
  if (width <= 0 || height <= 0) return nullptr;
  return CreateBitmap(width, height, 1, monochrome ? 1 : 32, nullptr);
}

}  // namespace

TBitmap::TBitmap() { SetTransparent(false); }

TBitmap::~TBitmap() {
  canvas_.reset();
  FreeHandles();
}

void TBitmap::FreeMask() {
  if (mask_) DeleteObject(mask_);
  mask_ = nullptr;
}

void TBitmap::FreeHandles() {
  if (canvas_) canvas_->FreeContext();
  FreeMask();
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

void TBitmap::Adopt(HBITMAP bitmap) {
  FreeHandles();
  handle_ = bitmap;
  BITMAP bm{};
  if (bitmap && GetObjectA(bitmap, sizeof bm, &bm)) {
    width_ = bm.bmWidth;
    height_ = bm.bmHeight;
    pixelFormat_ = bm.bmBitsPixel == 1 ? pf1bit : pixelFormat_ == pf1bit ? pfDevice : pixelFormat_;
  } else {
    handle_ = nullptr;
    width_ = height_ = 0;
  }
}

void TBitmap::Changed(TObject* sender) {
  FreeMask();
  TGraphic::Changed(sender);
}

void TBitmap::Assign(TPersistent* source) {
  if (source == this) return;
  if (source == nullptr) {
    FreeHandles();
    width_ = height_ = 0;
    Changed(this);
    return;
  }
  if (auto* b = dynamic_cast<TBitmap*>(source)) {
    HBITMAP copy = nullptr;
    if (b->handle_) {
      copy = NewBitmap(b->width_, b->height_, b->Monochrome());
      HDC dst = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(dst, copy);
      BitBlt(dst, 0, 0, b->width_, b->height_, b->Canvas()->Handle(), 0, 0, SRCCOPY);
      SelectObject(dst, old);
      DeleteDC(dst);
    }
    pixelFormat_ = b->pixelFormat_;
    Adopt(copy);
    transparentColor_ = b->transparentColor_;
    transparentMode_ = b->transparentMode_;
    TGraphic::SetTransparent(b->Transparent());
    Changed(this);
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(source)) {
    // Any other graphic: drawn onto a bitmap of its size.
    SetSize(0, 0);
    pixelFormat_ = pfDevice;
    SetSize(g->Width(), g->Height());
    if (handle_) {
      Canvas()->Brush()->SetColor(clWhite);
      Canvas()->FillRect(Rect(0, 0, width_, height_));
      Canvas()->Draw(0, 0, g);
    }
    Changed(this);
    return;
  }
  TGraphic::Assign(source);
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  HBITMAP fresh = NewBitmap(width, height, Monochrome());
  if (fresh && handle_) {
    HDC dst = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dst, fresh);
    if (Monochrome()) PatBlt(dst, 0, 0, width, height, WHITENESS);
    BitBlt(dst, 0, 0, std::min(width, width_), std::min(height, height_), Canvas()->Handle(), 0, 0, SRCCOPY);
    SelectObject(dst, old);
    DeleteDC(dst);
  } else if (fresh && Monochrome()) {
    HDC dst = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dst, fresh);
    PatBlt(dst, 0, 0, width, height, WHITENESS);
    SelectObject(dst, old);
    DeleteDC(dst);
  }
  FreeHandles();
  handle_ = fresh;
  width_ = fresh ? width : 0;
  height_ = fresh ? height : 0;
  // Keep the asked size even when one side is 0 (no bitmap object then).
  if (!fresh) {
    width_ = width;
    height_ = height;
  }
  Changed(this);
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  if (bitmap == handle_) return;
  Adopt(bitmap);
  Changed(this);
}

HBITMAP TBitmap::ReleaseHandle() {
  if (canvas_) canvas_->FreeContext();
  HBITMAP h = handle_;
  handle_ = nullptr;
  FreeMask();
  width_ = height_ = 0;
  return h;
}

HBITMAP TBitmap::MaskHandle() {
  if (!handle_) return nullptr;
  TColor color = TransparentColor();
  if (mask_ && maskColor_ == color) return mask_;
  FreeMask();
  mask_ = NewBitmap(width_, height_, true);
  HDC dst = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dst, mask_);
  HDC src = Canvas()->Handle();
  COLORREF oldBk = SetBkColor(src, ObjectColor(color));
  BitBlt(dst, 0, 0, width_, height_, src, 0, 0, SRCCOPY);
  SetBkColor(src, oldBk);
  SelectObject(dst, old);
  DeleteDC(dst);
  maskColor_ = color;
  return mask_;
}

void TBitmap::Mask(TColor transparentColor) {
  if (!handle_) return;
  SetTransparentColor(transparentColor);
  HBITMAP m = MaskHandle();
  mask_ = nullptr;  // the mask becomes the picture
  pixelFormat_ = pf1bit;
  Adopt(m);
  Changed(this);
}

void TBitmap::SetMonochrome(bool value) { SetPixelFormat(value ? pf1bit : pfDevice); }

void TBitmap::SetPixelFormat(TPixelFormat value) {
  if (value == pixelFormat_) return;
  bool mono = value == pf1bit;
  bool wasMono = pixelFormat_ == pf1bit;
  pixelFormat_ = value;
  if (mono != wasMono && handle_) {
    HBITMAP fresh = NewBitmap(width_, height_, mono);
    HDC dst = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dst, fresh);
    HDC src = Canvas()->Handle();
    COLORREF oldBk = SetBkColor(src, RGB(255, 255, 255));
    BitBlt(dst, 0, 0, width_, height_, src, 0, 0, SRCCOPY);
    SetBkColor(src, oldBk);
    SelectObject(dst, old);
    DeleteDC(dst);
    int w = width_, h = height_;
    FreeHandles();
    handle_ = fresh;
    width_ = w;
    height_ = h;
  }
  Changed(this);
}

TColor TBitmap::TransparentColor() {
  if (transparentColor_ == clDefault || transparentMode_ == tmAuto) {
    if (Monochrome()) return clWhite;
    if (!handle_) return clDefault;
    return Canvas()->Pixels(0, height_ - 1);
  }
  return static_cast<TColor>(ColorToRGB(transparentColor_));
}

void TBitmap::SetTransparentColor(TColor color) {
  if (color == transparentColor_ && transparentMode_ == (color == clDefault ? tmAuto : tmFixed)) return;
  transparentColor_ = color;
  transparentMode_ = color == clDefault ? tmAuto : tmFixed;
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
  if (mode == transparentMode_) return;
  if (mode == tmAuto) SetTransparentColor(clDefault);
  else SetTransparentColor(TransparentColor());
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<TBitmapCanvas>(this);
    canvas_->OnChange = [this](TObject* s) { Changed(s); };
  }
  return canvas_.get();
}

void TBitmap::Dormant() {
  if (canvas_) canvas_->FreeContext();
}

void TBitmap::LoadFromStream(TStream& stream) {
  std::vector<uint8_t> data = ReadRest(stream);
  HBITMAP b = data.empty() ? nullptr : FanoLoadImageMemory(data.data(), data.size(), RGB(255, 255, 255));
  if (!b) throw EInvalidGraphic("Bitmap image is not valid");
  pixelFormat_ = pfDevice;
  Adopt(b);
  Changed(this);
}

void TBitmap::SaveToStream(TStream& stream) {
  if (!handle_) return;
  if (canvas_) canvas_->FreeContext();  // the encoder reads the bitmap object itself
  std::vector<uint8_t> out = Encode(handle_, FANO_IMAGE_BMP, 0);
  if (out.empty()) throw EInvalidGraphic("Bitmap image is not valid");
  stream.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

void TBitmap::LoadFromResourceName(HINSTANCE, std::string_view name) {
  const TResourceBlob* blob = FindResourceBlob(name);
  if (!blob) throw EResNotFound("Resource " + std::string(name) + " not found");
  HBITMAP b = FanoLoadImageMemory(blob->Data, blob->Size, RGB(255, 255, 255));
  if (!b) throw EInvalidGraphic("Bitmap image is not valid");
  pixelFormat_ = pfDevice;
  Adopt(b);
  Changed(this);
}

std::vector<uint32_t> TBitmap::ScanLine(int row) {
  if (!handle_ || row < 0 || row >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
  std::vector<uint32_t> line(static_cast<size_t>(width_));
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width_;
  bi.bmiHeader.biHeight = -height_;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  if (canvas_) canvas_->FreeContext();
  std::vector<uint32_t> all(static_cast<size_t>(width_) * static_cast<size_t>(height_));
  HDC dc = CreateCompatibleDC(nullptr);
  GetDIBits(dc, handle_, 0, static_cast<UINT>(height_), all.data(), &bi, DIB_RGB_COLORS);
  DeleteDC(dc);
  std::copy_n(all.begin() + static_cast<ptrdiff_t>(row) * width_, width_, line.begin());
  for (uint32_t& p : line) p &= 0x00FFFFFFu;
  return line;
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) {
  if (!handle_ || !canvas) return;
  HDC dst = canvas->Handle();
  HDC src = Canvas()->Handle();
  if (Transparent()) {
    TransparentBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, width_, height_,
                   ObjectColor(TransparentColor()));
  } else {
    StretchBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, width_, height_,
               static_cast<DWORD>(canvas->CopyMode()));
  }
}

void TBitmap::ReadData(TStream& stream) {
  if (stream.Size() - stream.Position() <= 0) {
    Assign(nullptr);
    return;
  }
  LoadFromStream(stream);
}

void TBitmap::WriteData(TStream& stream) { SaveToStream(stream); }

void TBitmap::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); }, !Empty());
}

TBitmapCanvas::~TBitmapCanvas() { FreeContext(); }

void TBitmapCanvas::CreateHandle() {
  if (!bitmap_->handle_) return;
  dc_ = CreateCompatibleDC(nullptr);
  oldBitmap_ = SelectObject(dc_, bitmap_->handle_);
  SetHandle(dc_);
}

void TBitmapCanvas::FreeContext() {
  if (!dc_) return;
  SetHandle(nullptr);
  SelectObject(dc_, oldBitmap_);
  DeleteDC(dc_);
  dc_ = nullptr;
  oldBitmap_ = nullptr;
}

// ---- encoded images ---------------------------------------------------------------------------

TEncodedImage::TEncodedImage() = default;
TEncodedImage::~TEncodedImage() = default;

void TEncodedImage::Assign(TPersistent* source) {
  if (source == this) return;
  if (auto* e = dynamic_cast<TEncodedImage*>(source); e && e->ClassType() == ClassType()) {
    data_ = e->Data();
    dataValid_ = !data_.empty();
    bitmapValid_ = false;
    bitmap_.reset();
    Changed(this);
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(source)) {
    Bitmap()->Assign(g);
    return;  // the bitmap's change marks the data stale
  }
  if (!source) {
    data_.clear();
    dataValid_ = false;
    bitmap_.reset();
    bitmapValid_ = false;
    Changed(this);
    return;
  }
  TGraphic::Assign(source);
}

void TEncodedImage::Decode() {
  if (bitmapValid_) return;
  if (!bitmap_) {
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->OnChange = [this](TObject* s) {
      dataValid_ = false;
      Changed(s);
    };
  }
  if (dataValid_ && !data_.empty()) {
    HBITMAP b = FanoLoadImageMemory(data_.data(), data_.size(), RGB(255, 255, 255));
    TNotifyEvent keep = std::move(bitmap_->OnChange);
    bitmap_->OnChange = nullptr;
    bitmap_->SetHandle(b);
    bitmap_->OnChange = std::move(keep);
  }
  bitmapValid_ = true;
}

TBitmap* TEncodedImage::Bitmap() {
  Decode();
  return bitmap_.get();
}

const std::vector<uint8_t>& TEncodedImage::Data() {
  if (!dataValid_) {
    data_.clear();
    if (bitmap_ && !bitmap_->Empty()) {
      bitmap_->Dormant();
      data_ = Encode(bitmap_->Handle(), Format(), Quality());
    }
    dataValid_ = true;
  }
  return data_;
}

bool TEncodedImage::Empty() const {
  if (bitmapValid_ && bitmap_) return bitmap_->Empty();
  return data_.empty();
}

int TEncodedImage::Width() const { return const_cast<TEncodedImage*>(this)->Bitmap()->Width(); }
int TEncodedImage::Height() const { return const_cast<TEncodedImage*>(this)->Bitmap()->Height(); }
void TEncodedImage::SetWidth(int w) { Bitmap()->SetWidth(w); }
void TEncodedImage::SetHeight(int h) { Bitmap()->SetHeight(h); }

void TEncodedImage::LoadFromStream(TStream& stream) {
  std::vector<uint8_t> data = ReadRest(stream);
  HBITMAP probe = data.empty() ? nullptr : FanoLoadImageMemory(data.data(), data.size(), RGB(255, 255, 255));
  if (!probe) throw EInvalidGraphic(std::string(FormatName()) + " image is not valid");
  // The data must be of this class's own format, not just any image.
  bool png = data.size() >= 8 && std::memcmp(data.data(), "\x89PNG\r\n\x1a\n", 8) == 0;
  bool jpeg = data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
  if ((Format() == FANO_IMAGE_PNG && !png) || (Format() == FANO_IMAGE_JPEG && !jpeg)) {
    DeleteObject(probe);
    throw EInvalidGraphic(std::string(FormatName()) + " image is not valid");
  }
  data_ = std::move(data);
  dataValid_ = true;
  if (!bitmap_) {
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->OnChange = [this](TObject* s) {
      dataValid_ = false;
      Changed(s);
    };
  }
  TNotifyEvent keep = std::move(bitmap_->OnChange);
  bitmap_->OnChange = nullptr;
  bitmap_->SetHandle(probe);
  bitmap_->OnChange = std::move(keep);
  bitmapValid_ = true;
  Changed(this);
}

void TEncodedImage::SaveToStream(TStream& stream) {
  const std::vector<uint8_t>& d = Data();
  if (!d.empty()) stream.WriteBuffer(d.data(), static_cast<int64_t>(d.size()));
}

void TEncodedImage::Draw(TCanvas* canvas, const TRect& rect) {
  TBitmap* b = Bitmap();
  b->SetTransparent(Transparent());
  b->Draw(canvas, rect);
}

void TEncodedImage::Changed(TObject* sender) { TGraphic::Changed(sender); }

void TJPEGImage::Assign(TPersistent* source) {
  if (auto* j = dynamic_cast<TJPEGImage*>(source)) quality_ = j->quality_;
  TEncodedImage::Assign(source);
}

void TJPEGImage::SetCompressionQuality(int value) { quality_ = std::clamp(value, 1, 100); }

// ---- pictures ---------------------------------------------------------------------------------

namespace {

struct FileFormat {
  std::string extension;  // lower case, without the dot
  std::string description;
  TGraphicClass cls;
};

std::vector<FileFormat>& Formats() {
  static std::vector<FileFormat> formats{
      {"bmp", "Bitmaps", TBitmap::StaticClass()},
      {"png", "Portable Network Graphics", TPngImage::StaticClass()},
  };
  return formats;
}

// The JPEG unit: its picture class is a registered format from start to exit.
struct JpegUnit {
  JpegUnit() {
    TPicture::RegisterFileFormat("jpg", "JPEG Image File", TJPEGImage::StaticClass());
    TPicture::RegisterFileFormat("jpeg", "JPEG Image File", TJPEGImage::StaticClass());
    RegisterClasses({TBitmap::StaticClass(), TPngImage::StaticClass(), TJPEGImage::StaticClass()});
  }
  ~JpegUnit() { TPicture::UnregisterGraphicClass(TJPEGImage::StaticClass()); }
};
const JpegUnit jpegUnit;

std::string ExtensionOf(const std::string& fileName) {
  size_t dot = fileName.find_last_of('.');
  size_t slash = fileName.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return LowerCase(fileName.substr(dot + 1));
}

}  // namespace

std::unique_ptr<TGraphic> CreateGraphic(TGraphicClass cls) {
  if (!cls || !cls->InheritsFrom(TGraphic::StaticClass()) || !cls->Create)
    throw EInvalidGraphic("Invalid graphic class");
  TObject* obj = cls->Create(nullptr);
  auto* g = dynamic_cast<TGraphic*>(obj);
  if (!g) {
    delete obj;
    throw EInvalidGraphic("Invalid graphic class");
  }
  return std::unique_ptr<TGraphic>(g);
}

void TPicture::RegisterFileFormat(std::string_view extension, std::string_view description, TGraphicClass cls) {
  std::string ext = LowerCase(extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  auto& f = Formats();
  for (FileFormat& x : f)
    if (x.extension == ext) {
      x.description = std::string(description);
      x.cls = cls;
      return;
    }
  f.push_back({ext, std::string(description), cls});
}

void TPicture::UnregisterGraphicClass(TGraphicClass cls) {
  auto& f = Formats();
  f.erase(std::remove_if(f.begin(), f.end(), [cls](const FileFormat& x) { return x.cls == cls; }), f.end());
}

TGraphicClass TPicture::FileFormatClass(std::string_view extension) {
  std::string ext = LowerCase(extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  for (const FileFormat& x : Formats())
    if (x.extension == ext) return x.cls;
  return nullptr;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(TGraphic* graphic) {
  std::unique_ptr<TGraphic> fresh;
  if (graphic) {
    fresh = CreateGraphic(graphic->ClassType());
    fresh->Assign(graphic);
    fresh->OnChange = [this](TObject* s) { Changed(s); };
  }
  graphic_ = std::move(fresh);
  Changed(this);
}

void TPicture::ForceType(TGraphicClass cls) {
  if (!graphic_ || graphic_->ClassType() != cls) {
    graphic_ = CreateGraphic(cls);
    graphic_->OnChange = [this](TObject* s) { Changed(s); };
    Changed(this);
  }
}

TBitmap* TPicture::Bitmap() {
  ForceType(TBitmap::StaticClass());
  return static_cast<TBitmap*>(graphic_.get());
}

void TPicture::Assign(TPersistent* source) {
  if (source == this) return;
  if (source == nullptr) {
    SetGraphic(nullptr);
    return;
  }
  if (auto* p = dynamic_cast<TPicture*>(source)) {
    SetGraphic(p->graphic_.get());
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(source)) {
    SetGraphic(g);
    return;
  }
  TPersistent::Assign(source);
}

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string ext = ExtensionOf(fileName);
  TGraphicClass cls = FileFormatClass(ext);
  if (!cls) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
  std::unique_ptr<TGraphic> g = CreateGraphic(cls);
  g->LoadFromFile(fileName);
  g->OnChange = [this](TObject* s) { Changed(s); };
  graphic_ = std::move(g);
  Changed(this);
}

void TPicture::SaveToFile(const std::string& fileName) {
  if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::LoadFromStream(TStream& stream) {
  int64_t start = stream.Position();
  uint8_t sig[8] = {0};
  int64_t n = stream.Read(sig, 8);
  stream.SetPosition(start);
  TGraphicClass cls = nullptr;
  if (n >= 8 && std::memcmp(sig, "\x89PNG\r\n\x1a\n", 8) == 0) cls = TPngImage::StaticClass();
  else if (n >= 3 && sig[0] == 0xFF && sig[1] == 0xD8 && sig[2] == 0xFF) cls = FileFormatClass("jpg");
  else if (n >= 2 && sig[0] == 'B' && sig[1] == 'M') cls = TBitmap::StaticClass();
  if (!cls) throw EInvalidGraphic("Unknown picture format");
  std::unique_ptr<TGraphic> g = CreateGraphic(cls);
  g->LoadFromStream(stream);
  g->OnChange = [this](TObject* s) { Changed(s); };
  graphic_ = std::move(g);
  Changed(this);
}

void TPicture::ReadData(TStream& stream) {
  uint8_t len = 0;
  if (stream.Read(&len, 1) != 1) {
    SetGraphic(nullptr);
    return;
  }
  std::string name = stream.ReadString(len);
  TGraphicClass cls = nullptr;
  for (const FileFormat& f : Formats())
    if (SameText(f.cls->Name, name)) cls = f.cls;
  if (!cls) cls = GetClass(name);
  if (!cls || !cls->InheritsFrom(TGraphic::StaticClass())) throw EInvalidGraphic("Unknown picture format");
  std::unique_ptr<TGraphic> g = CreateGraphic(cls);
  g->LoadFromStream(stream);
  g->OnChange = [this](TObject* s) { Changed(s); };
  graphic_ = std::move(g);
  Changed(this);
}

void TPicture::WriteData(TStream& stream) {
  if (!graphic_) return;
  std::string name = graphic_->ClassName();
  uint8_t len = static_cast<uint8_t>(std::min<size_t>(name.size(), 255));
  stream.WriteBuffer(&len, 1);
  stream.WriteBuffer(name.data(), len);
  graphic_->SaveToStream(stream);
}

void TPicture::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); },
      graphic_ != nullptr && !graphic_->Empty());
}
