// The flat check box and what it shares with the radio button: colours, hover, mouse, keys, paint.
#include "controls/flatcheckbox.h"

#include <algorithm>

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/forms/forms.h"
#include "platform/forms/menus.h"

FANO_IMPLEMENT_ABSTRACT(TFlatToggleControl, TCustomControl)
FANO_IMPLEMENT_COMPONENT(TFlatCheckBox, TFlatToggleControl)
FANO_REGISTER_CLASS(TFlatCheckBox);

FANO_ENUM_NAMES(TCheckBoxLayout, "checkboxLeft", "checkboxRight");

FANO_PUBLISHED(TFlatCheckBox, p) {
  p.Property("UseAdvColors", &TFlatCheckBox::UseAdvColors, &TFlatCheckBox::SetUseAdvColors);
  p.Property("AdvColorFocused", &TFlatCheckBox::AdvColorFocused, &TFlatCheckBox::SetAdvColorFocused);
  p.Property("AdvColorDown", &TFlatCheckBox::AdvColorDown, &TFlatCheckBox::SetAdvColorDown);
  p.Property("AdvColorBorder", &TFlatCheckBox::AdvColorBorder, &TFlatCheckBox::SetAdvColorBorder);
  p.Property("Layout", &TFlatCheckBox::Layout, &TFlatCheckBox::SetLayout);
  p.Property("Checked", &TFlatCheckBox::Checked, &TFlatCheckBox::SetChecked);
  p.Property("ColorFocused", &TFlatCheckBox::ColorFocused, &TFlatCheckBox::SetColorFocused);
  p.Property("ColorDown", &TFlatCheckBox::ColorDown, &TFlatCheckBox::SetColorDown);
  p.Property("ColorCheck", &TFlatCheckBox::ColorCheck, &TFlatCheckBox::SetColorCheck);
  p.Property("ColorBorder", &TFlatCheckBox::ColorBorder, &TFlatCheckBox::SetColorBorder);
  p.Property("Transparent", &TFlatCheckBox::Transparent, &TFlatCheckBox::SetTransparent);
}

// ---- TFlatToggleControl ------------------------------------------------------------------------

TFlatToggleControl::TFlatToggleControl(TComponent* owner) : TCustomControl(owner) {
  // The control clicks when Checked changes, not on every mouse release.
  TControlStyle style = ControlStyle();
  style.Exclude(csClickEvents);
  SetControlStyle(style);
  TControl::SetParentColor(true);
  SetParentFont(true);
  SetEnabled(true);
  SetVisible(true);
  SetBounds(Left(), Top(), 121, 17);
}

void TFlatToggleControl::SetColors(int index, TColor v) {
  if (index < 0 || index > 3) return;
  colors_[index] = v;
  Invalidate();
}

void TFlatToggleControl::SetAdvColors(int index, TAdvColors v) {
  if (index < 0 || index > 2) return;
  adv_[index] = std::min<TAdvColors>(v, 100);
  CalcAdvColors();
  Invalidate();
}

void TFlatToggleControl::SetUseAdvColors(bool v) {
  if (useAdvColors_ == v) return;
  useAdvColors_ = v;
  TControl::SetParentColor(v);
  CalcAdvColors();
  Invalidate();
}

void TFlatToggleControl::CalcAdvColors() {
  if (!useAdvColors_) return;
  colors_[0] = CalcAdvancedColor(Color(), colors_[0], adv_[0], false);
  colors_[1] = CalcAdvancedColor(Color(), colors_[1], adv_[1], true);
  colors_[3] = CalcAdvancedColor(Color(), colors_[3], adv_[2], true);
}

void TFlatToggleControl::SetTransparent(bool v) {
  transparent_ = v;
  Invalidate();
}

void TFlatToggleControl::SetBoxRight(bool v) {
  boxRight_ = v;
  Invalidate();
}

TColor TFlatToggleControl::FillColor() const {
  if (mouseIsDown_) return colors_[1];
  if (focused_ || mouseInControl_) return colors_[0];
  return Color();
}

void TFlatToggleControl::Paint() {
  if (transparent_) DrawParentImage(this, Canvas());
  DrawGlyph();
  DrawCaption();
  if (focused_ && Enabled()) DrawFocus();
}

TRect TFlatToggleControl::FocusRect() {
  const TRect client = ClientRect();
  TRect r;
  std::string caption = Caption();
  if (caption.empty()) {
    // No caption of its own (a label beside it names it): the frame goes round the box.
    r = GlyphRect();
    r.Inflate(2, 2);
  } else {
    TCanvas* c = Canvas();
    c->SetFont(Font());
    c->RequiredState(TCanvasState{csHandleValid, csFontValid});
    const TRect text = boxRight_ ? TRect(client.Left + 1, client.Top + 1, client.Right - 16, client.Bottom - 1)
                                 : TRect(client.Left + 16, client.Top + 1, client.Right - 1, client.Bottom - 1);
    RECT measured = text;
    DrawTextA(c->Handle(), caption.c_str(), static_cast<int>(caption.size()), &measured, DT_WORDBREAK | DT_CALCRECT);
    const int width = std::min<int>(measured.right - measured.left, text.Width());
    r = boxRight_ ? TRect(text.Right - width, text.Top, text.Right, measured.bottom)
                  : TRect(text.Left, text.Top, text.Left + width, measured.bottom);
    r.Inflate(2, 1);
  }
  IntersectRect(r, r, client);
  return r;
}

void TFlatToggleControl::DrawFocus() {
  // The box's lighter fill alone is hard to see on a light panel: a dotted frame shows the focus.
  Canvas()->DrawFocusRect(FocusRect());
}

void TFlatToggleControl::DrawCaption() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  UINT flags = DT_WORDBREAK;
  TRect text = boxRight_ ? TRect(r.Left + 1, r.Top + 1, r.Right - 16, r.Bottom - 1)
                         : TRect(r.Left + 16, r.Top + 1, r.Right - 1, r.Bottom - 1);
  flags |= boxRight_ ? DT_RIGHT : DT_LEFT;
  c->SetFont(Font());
  c->Brush()->SetStyle(bsClear);
  std::string caption = Caption();
  if (Enabled()) {
    c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
    RECT rr = text;
    DrawTextA(c->Handle(), caption.c_str(), static_cast<int>(caption.size()), &rr, flags);
  } else {
    DrawEmbossedText(c, caption, text, flags);
  }
}

void TFlatToggleControl::MouseEnter() {
  if (Enabled() && !mouseInControl_) {
    mouseInControl_ = true;
    Invalidate();
  }
}

void TFlatToggleControl::MouseLeave() {
  if (Enabled() && mouseInControl_ && !mouseIsDown_) {
    mouseInControl_ = false;
    Hover().Untrack(this);
    Invalidate();
  }
}

void TFlatToggleControl::ReleaseHover() { Hover().Untrack(this); }

void TFlatToggleControl::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  TFlatHoverTimer& hover = Hover();
  if (hover.Tracked() == this || !TFlatHoverTimer::UnderCursor(this)) return;
  if (TControl* old = hover.Tracked()) old->Perform(CM_MOUSELEAVE, 0, 0);
  if (!GetActiveWindow()) return;
  hover.Track(this, [this] {
    if (!TFlatHoverTimer::UnderCursor(this)) Perform(CM_MOUSELEAVE, 0, 0);
  });
  Perform(CM_MOUSEENTER, 0, 0);
}

void TFlatToggleControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && Enabled()) {
    if (CanFocus()) SetFocus();
    mouseIsDown_ = true;
    Invalidate();
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TFlatToggleControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && Enabled() && mouseIsDown_) {
    mouseIsDown_ = false;
    Released(x, y);
    Invalidate();
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

void TFlatToggleControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_MOUSEENTER:
      TCustomControl::Dispatch(m);
      MouseEnter();
      return;
    case CM_MOUSELEAVE:
      TCustomControl::Dispatch(m);
      MouseLeave();
      return;
    case CM_DIALOGCHAR: {
      char32_t ch = static_cast<char32_t>(m.WParam);
      if (IsAccel(ch, Caption()) && CanFocus()) {
        Accelerated();
        m.Result = 1;
        return;
      }
      break;
    }
    case WM_SETFOCUS:
      TCustomControl::Dispatch(m);
      if (Enabled()) {
        focused_ = true;
        Invalidate();
      }
      return;
    case WM_KILLFOCUS:
      TCustomControl::Dispatch(m);
      if (Enabled()) {
        mouseInControl_ = false;
        focused_ = false;
        Invalidate();
      }
      return;
    case CM_EXIT:
      TCustomControl::Dispatch(m);
      focused_ = false;
      Invalidate();
      return;
    case CM_ENABLEDCHANGED:
      TCustomControl::Dispatch(m);
      if (!Enabled()) {
        mouseInControl_ = false;
        mouseIsDown_ = false;
        ReleaseHover();
      }
      Invalidate();
      return;
    case CM_TEXTCHANGED:
      TCustomControl::Dispatch(m);
      Invalidate();
      return;
    case CN_COMMAND:
      // A click the parent reflects back (the native button's notice) is a click of this control.
      if (m.WParamHi() == BN_CLICKED) {
        Click();
        return;
      }
      break;
    case CM_SYSCOLORCHANGE:
    case CM_PARENTCOLORCHANGED:
      TCustomControl::Dispatch(m);
      if (useAdvColors_) {
        TControl::SetParentColor(true);
        CalcAdvColors();
      }
      Invalidate();
      return;
    case WM_MOVE:
    case WM_SIZE:
      TCustomControl::Dispatch(m);
      if (transparent_) Invalidate();
      return;
    case CM_DESIGNHITTEST: {
      TPoint p(m.XPos(), m.YPos());
      TRect r = GlyphRect();
      m.Result = InState(csDesigning) && p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom ? 1 : 0;
      return;
    }
    default: break;
  }
  TCustomControl::Dispatch(m);
}

// ---- TFlatCheckBox ------------------------------------------------------------------------------------

TFlatHoverTimer& TFlatCheckBox::SharedHover() {
  // Trivially destructible, so it outlives the application's teardown at exit, which frees
  // controls that still release it.
  static TFlatHoverTimer hover;
  return hover;
}

TFlatCheckBox::TFlatCheckBox(TComponent* owner) : TFlatToggleControl(owner) {
  SetTabStop(true);
  SharedHover().Acquire();
}

TFlatCheckBox::~TFlatCheckBox() { SharedHover().Release(this); }

void TFlatCheckBox::CreateWnd() {
  TFlatToggleControl::CreateWnd();
  SendMessage(WindowHandle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TFlatCheckBox::SetChecked(bool v) {
  if (checked_ == v) return;
  checked_ = v;
  Click();
  Invalidate();
}

TRect TFlatCheckBox::GlyphRect() {
  TRect r = ClientRect();
  return boxRight_ ? TRect(r.Right - 12, r.Top + 3, r.Right - 1, r.Top + 14) : TRect(r.Left + 1, r.Top + 3, r.Left + 12, r.Top + 14);
}

void TFlatCheckBox::DrawGlyph() {
  TCanvas* c = Canvas();
  TRect r = GlyphRect();
  c->Pen()->SetStyle(psSolid);
  c->Pen()->SetWidth(1);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(FillColor());
  c->FillRect(r);
  if (checked_) {
    c->Pen()->SetColor(Enabled() ? colors_[2] : clBtnShadow);
    int l = r.Left, t = r.Top;
    auto line = [&](int x1, int y1, int x2, int y2) {
      c->MoveTo(l + x1, t + y1);
      c->LineTo(l + x2, t + y2);
    };
    line(2, 4, 6, 8);
    line(2, 5, 5, 8);
    line(2, 6, 5, 9);
    line(8, 2, 4, 6);
    line(8, 3, 4, 7);
    line(8, 4, 5, 7);
  }
  c->Brush()->SetColor(colors_[3]);
  c->FrameRect(r);
}

void TFlatCheckBox::Released(int x, int y) {
  // Only a release over the control toggles: dragging off and letting go does not.
  if (mouseInControl_ && x >= 0 && y >= 0 && x < Width() && y < Height()) SetChecked(!checked_);
}

void TFlatCheckBox::Accelerated() {
  SetFocus();
  SetChecked(!checked_);
}

void TFlatCheckBox::KeyPress(TKeyChar& key) {
  TFlatToggleControl::KeyPress(key);
  if (key == u' ' && focused_) {
    SetChecked(!checked_);
    key = 0;
  }
}
