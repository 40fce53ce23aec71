// TCustomDBEditGx in flat mode (Ctl3D off, no border): three rings in the non-client area, one
// look while the editor has the focus or the mouse, another otherwise, with colours that may be
// derived from the parent's.
#include "editors/dbeditbase.h"
#include "editors/hslutils.h"
#include "platform/forms/forms.h"

namespace {

void Frame(HDC dc, const RECT& r, HBRUSH brush) { FrameRect(dc, &r, brush); }

}  // namespace

TColor TCustomDBEditGx::ShadeColor(TColor base, TColor current, int offset, bool darken) {
  return CalcAdvancedColor(base, current, static_cast<uint8_t>(std::clamp(offset, 0, 100)), darken);
}

void TCustomDBEditGx::SetColorIndex(int index, TColor value) {
  if (!IsFlatMode()) return;
  switch (index) {
    case 0: colorFocused_ = value; break;
    case 1: colorBorder_ = value; break;
    case 2:
      colorFlat_ = value;
      parentColorFlat_ = false;
      break;
    default: return;
  }
  PaintFlatBorder();
}

void TCustomDBEditGx::SetParentColorFlat(bool value) {
  if (!IsFlatMode() || parentColorFlat_ == value) return;
  parentColorFlat_ = value;
  if (value && Parent()) colorFlat_ = Parent()->Color();
  PaintFlatBorder();
}

void TCustomDBEditGx::SetUseCvColors(bool value) {
  if (useCvColors_ == value) return;
  useCvColors_ = value;
  SetParentColorFlat(value);
  UpdateCvColors();
  PaintFlatBorder();
}

void TCustomDBEditGx::SetCvColorIndex(int index, int value) {
  value = std::clamp(value, 0, 100);
  if (index == 0) cvColorFocused_ = value;
  else if (index == 1) cvColorBorder_ = value;
  else return;
  if (useCvColors_) {
    UpdateCvColors();
    PaintFlatBorder();
  }
}

void TCustomDBEditGx::UpdateCvColors() {
  if (!useCvColors_) return;
  colorFocused_ = ShadeColor(colorFlat_, colorFocused_, cvColorFocused_, false);
  colorBorder_ = ShadeColor(colorFlat_, colorBorder_, cvColorBorder_, true);
}

void TCustomDBEditGx::PaintFlatBorder() {
  if (!HandleAllocated() || !IsFlatMode()) return;
  TWinControl* active = Screen ? Screen->ActiveControl() : nullptr;
  bool activeLook = !Designing(this) && (Focused() || (mouseIn_ && !dynamic_cast<TCustomDBEditGx*>(active)));
  TColor inner = activeLook ? colorFocused_ : colorFlat_;
  SetColor(inner);
  HWND h = WindowHandle();
  HDC dc = GetWindowDC(h);
  RECT wr;
  GetWindowRect(h, &wr);
  RECT r{0, 0, wr.right - wr.left, wr.bottom - wr.top};
  HBRUSH border = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(colorBorder_)));
  HBRUSH flat = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(colorFlat_)));
  HBRUSH focused = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(colorFocused_)));
  HBRUSH ring = activeLook ? focused : flat;
  Frame(dc, r, border);
  InflateRect(&r, -1, -1);
  Frame(dc, r, ring);
  InflateRect(&r, -1, -1);
  Frame(dc, r, ring);
  if (ScrollBars() == ssBoth) {
    RECT corner{r.right - 17, r.bottom - 17, r.right - 1, r.bottom - 1};
    FillRect(dc, &corner, ring);
  }
  ReleaseDC(h, dc);
  DeleteObject(border);
  DeleteObject(flat);
  DeleteObject(focused);
}

void TCustomDBEditGx::ParentColorChanged() {
  if (!IsFlatMode()) return;
  if (useCvColors_) {
    if (Parent()) colorFlat_ = Parent()->Color();
    UpdateCvColors();
  } else if (parentColorFlat_ && Parent()) {
    colorFlat_ = Parent()->Color();
  }
  PaintFlatBorder();
}

void TCustomDBEditGx::HandleFlatHover(bool entering) {
  if (!IsFlatMode()) return;
  if (entering) {
    if (!GetActiveWindow()) return;
    mouseIn_ = true;
  } else {
    mouseIn_ = false;
  }
  PaintFlatBorder();
}

bool TCustomDBEditGx::HandleFlatMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_NCCALCSIZE:
      TCustomMaskEdit::Dispatch(m);
      if (IsFlatMode()) {
        RECT* r = m.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0] : reinterpret_cast<RECT*>(m.LParam);
        InflateRect(r, -3, -3);
      }
      return true;
    case WM_NCPAINT:
      if (flat_ && Ctl3D() && BorderStyle() == bsSingle) {
        // The Flat property's border: sunken while active, a face-coloured frame otherwise.
        HWND h = WindowHandle();
        HDC dc = GetWindowDC(h);
        RECT wr;
        GetWindowRect(h, &wr);
        RECT r{0, 0, wr.right - wr.left, wr.bottom - wr.top};
        if (borderActive_) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        else FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        InflateRect(&r, -1, -1);
        FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        ReleaseDC(h, dc);
        m.Result = 0;
        return true;
      }
      TCustomMaskEdit::Dispatch(m);
      if (IsFlatMode()) PaintFlatBorder();
      return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomMaskEdit::Dispatch(m);
      if (IsFlatMode() && !Designing(this)) PaintFlatBorder();
      return true;
    case CM_PARENTCOLORCHANGED:
      ParentColorChanged();
      return true;
    case CM_SYSCOLORCHANGE:
      TCustomMaskEdit::Dispatch(m);
      ClearButtonsBitmapCache();
      ParentColorChanged();
      return true;
  }
  return false;
}
