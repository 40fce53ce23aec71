// The flat speed button: states, groups, hover tracking and painting.
#include "controls/flatspeedbutton.h"

#include <algorithm>

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/forms/forms.h"
#include "platform/forms/imglist.h"
#include "platform/forms/menus.h"

FANO_IMPLEMENT_COMPONENT(TFlatSpeedButton, TGraphicControl)
FANO_REGISTER_CLASS(TFlatSpeedButton);

using TFlatTransparentMode = FlatUtilitys::TTransparentMode;
FANO_ENUM_NAMES(TFlatTransparentMode, "tmAlways", "tmNotFocused", "tmNone");
FANO_ENUM_NAMES(TButtonState, "bsUp", "bsDisabled", "bsDown", "bsExclusive");

FANO_PUBLISHED(TFlatSpeedButton, p) {
  p.Property("OnMouseEnter", &TFlatSpeedButton::OnMouseEnter);
  p.Property("OnMouseLeave", &TFlatSpeedButton::OnMouseLeave);
  p.Property("TransparentMode", &TFlatSpeedButton::TransparentMode, &TFlatSpeedButton::SetTransparentMode);
  p.Property("UseAdvColors", &TFlatSpeedButton::UseAdvColors, &TFlatSpeedButton::SetUseAdvColors);
  p.Property("AdvColorFocused", &TFlatSpeedButton::AdvColorFocused, &TFlatSpeedButton::SetAdvColorFocused);
  p.Property("AdvColorDown", &TFlatSpeedButton::AdvColorDown, &TFlatSpeedButton::SetAdvColorDown);
  p.Property("AdvColorBorder", &TFlatSpeedButton::AdvColorBorder, &TFlatSpeedButton::SetAdvColorBorder);
  p.Property("NumGlyphs", &TFlatSpeedButton::NumGlyphs, &TFlatSpeedButton::SetNumGlyphs);
  p.Property("ColorDown", &TFlatSpeedButton::ColorDown, &TFlatSpeedButton::SetColorDown);
  p.Property("ColorBorder", &TFlatSpeedButton::ColorBorder, &TFlatSpeedButton::SetColorBorder);
  p.Property("ColorHighLight", &TFlatSpeedButton::ColorHighLight, &TFlatSpeedButton::SetColorHighLight);
  p.Property("ColorShadow", &TFlatSpeedButton::ColorShadow, &TFlatSpeedButton::SetColorShadow);
  p.Property("ColorFocused", &TFlatSpeedButton::ColorFocused, &TFlatSpeedButton::SetColorFocused);
  p.Property("GroupIndex", &TFlatSpeedButton::GroupIndex, &TFlatSpeedButton::SetGroupIndex);
  p.Property("Glyph", &TFlatSpeedButton::Glyph, &TFlatSpeedButton::SetGlyph);
  p.Property("Down", &TFlatSpeedButton::Down, &TFlatSpeedButton::SetDown);
  p.Property("AllowAllUp", &TFlatSpeedButton::AllowAllUp, &TFlatSpeedButton::SetAllowAllUp);
  p.Property("Layout", &TFlatSpeedButton::Layout, &TFlatSpeedButton::SetLayout);
  p.Property("Spacing", &TFlatSpeedButton::Spacing, &TFlatSpeedButton::SetSpacing);
  p.Property("Margin", &TFlatSpeedButton::Margin, &TFlatSpeedButton::SetMargin);
  p.Property("ModalResult", &TFlatSpeedButton::ModalResult, &TFlatSpeedButton::SetModalResult);
}

TFlatHoverTimer& TFlatSpeedButton::SharedHover() {
  // Trivially destructible, so it outlives the application's teardown at exit, which frees
  // controls that still release it.
  static TFlatHoverTimer hover;
  return hover;
}

TFlatSpeedButton::TFlatSpeedButton(TComponent* owner) : TGraphicControl(owner), glyph_(std::make_unique<TBitmap>()) {
  SetBounds(Left(), Top(), 25, 25);
  SetControlStyle(TControlStyle{csCaptureMouse, csDoubleClicks});
  SetParentFont(true);
  TControl::SetParentColor(true);
  glyph_->OnChange = [this](TObject*) { Invalidate(); };
  SharedHover().Acquire();
}

TFlatSpeedButton::~TFlatSpeedButton() {
  glyph_->OnChange = nullptr;
  SharedHover().Release(this);
}

void TFlatSpeedButton::SetTransparentMode(TFlatTransparentMode v) {
  transparentMode_ = v;
  Invalidate();
}

void TFlatSpeedButton::SetColors(int index, TColor v) {
  if (index < 0 || index > 4) return;
  colors_[index] = v;
  Invalidate();
}

void TFlatSpeedButton::SetAdvColors(int index, TAdvColors v) {
  if (index < 0 || index > 2) return;
  adv_[index] = std::min<TAdvColors>(v, 100);
  CalcAdvColors();
  Invalidate();
}

void TFlatSpeedButton::SetUseAdvColors(bool v) {
  if (useAdvColors_ == v) return;
  useAdvColors_ = v;
  TControl::SetParentColor(v);
  CalcAdvColors();
  Invalidate();
}

void TFlatSpeedButton::CalcAdvColors() {
  if (!useAdvColors_) return;
  colors_[0] = CalcAdvancedColor(Color(), colors_[0], adv_[0], false);
  colors_[1] = CalcAdvancedColor(Color(), colors_[1], adv_[1], true);
  colors_[2] = CalcAdvancedColor(Color(), colors_[2], adv_[2], true);
}

void TFlatSpeedButton::SetGlyph(TBitmap* v) {
  glyph_->Assign(v);
  if (!glyph_->Empty() && glyph_->Height() > 0 && glyph_->Width() % glyph_->Height() == 0) {
    int n = glyph_->Width() / glyph_->Height();
    numGlyphs_ = n > 4 ? 1 : n;
  }
  Invalidate();
}

void TFlatSpeedButton::SetNumGlyphs(int v) {
  numGlyphs_ = std::clamp(v, 1, 4);
  Invalidate();
}

void TFlatSpeedButton::SetLayout(TButtonLayout v) {
  layout_ = v;
  Invalidate();
}

void TFlatSpeedButton::SetSpacing(int v) {
  spacing_ = v;
  Invalidate();
}

void TFlatSpeedButton::SetMargin(int v) {
  if (v < -1) return;
  margin_ = v;
  Invalidate();
}

void TFlatSpeedButton::SetDown(bool v) {
  if (groupIndex_ == 0) v = false;
  if (v == down_) return;
  if (down_ && !allowAllUp_) return;
  down_ = v;
  if (v) {
    if (state_ == bsUp) Invalidate();
    state_ = bsExclusive;
  } else {
    state_ = bsUp;
    Repaint();
  }
  if (v) UpdateExclusive();
}

void TFlatSpeedButton::SetGroupIndex(int v) {
  groupIndex_ = v;
  UpdateExclusive();
}

void TFlatSpeedButton::SetAllowAllUp(bool v) {
  allowAllUp_ = v;
  UpdateExclusive();
}

void TFlatSpeedButton::UpdateExclusive() {
  if (groupIndex_ == 0 || !Parent()) return;
  TMessage m{CM_BUTTONPRESSED, static_cast<WPARAM>(groupIndex_), reinterpret_cast<LPARAM>(this), 0};
  Parent()->Broadcast(m);
}

void TFlatSpeedButton::Click() {
  // A button on a panel of no form has no modal result to give.
  if (Parent())
    if (TCustomForm* form = GetParentForm()) form->SetModalResult(modalResult_);
  TGraphicControl::Click();
}

void TFlatSpeedButton::Loaded() {
  TGraphicControl::Loaded();
  Invalidate();
}

void TFlatSpeedButton::DoMouseEnter() {
  if (Enabled() && !mouseInControl_) {
    mouseInControl_ = true;
    Repaint();
  }
}

void TFlatSpeedButton::DoMouseLeave() {
  if (Enabled() && mouseInControl_ && !dragging_) {
    mouseInControl_ = false;
    SharedHover().Untrack(this);
    Invalidate();
  }
}

void TFlatSpeedButton::UpdateTracking() {
  // The face is repainted whatever changed: a release away from the button has already cleared
  // MouseInControl without painting over the hovered face.
  mouseInControl_ = Enabled() && TFlatHoverTimer::UnderCursor(this);
  TFlatHoverTimer& hover = SharedHover();
  if (!mouseInControl_) hover.Untrack(this);
  else if (hover.Tracked() != this) StartTracking();
  Invalidate();
}

void TFlatSpeedButton::StartTracking() {
  TFlatHoverTimer& hover = SharedHover();
  if (TControl* old = hover.Tracked()) old->Perform(CM_MOUSELEAVE, 0, 0);
  if (!GetActiveWindow()) return;
  hover.Track(this, [this] {
    if (!TFlatHoverTimer::UnderCursor(this)) Perform(CM_MOUSELEAVE, 0, 0);
  });
  Perform(CM_MOUSEENTER, 0, 0);
}

void TFlatSpeedButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_BUTTONPRESSED: {
      auto* sender = reinterpret_cast<TFlatSpeedButton*>(m.LParam);
      if (static_cast<int>(m.WParam) == groupIndex_ && sender && sender != this) {
        if (sender->Down() && down_) {
          down_ = false;
          state_ = bsUp;
          Invalidate();
        }
        allowAllUp_ = sender->AllowAllUp();
      }
      return;
    }
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
      TGraphicControl::Dispatch(m);
      Invalidate();
      return;
    // The application's hover tracking and the button's own both announce the pointer: the
    // handlers hear of each visit once.
    case CM_MOUSEENTER:
      TGraphicControl::Dispatch(m);
      DoMouseEnter();
      if (!entered_) {
        entered_ = true;
        if (OnMouseEnter) OnMouseEnter(this);
      }
      return;
    case CM_MOUSELEAVE:
      TGraphicControl::Dispatch(m);
      DoMouseLeave();
      if (entered_) {
        entered_ = false;
        if (OnMouseLeave) OnMouseLeave(this);
      }
      return;
    case CM_DIALOGCHAR:
      // A button that does not show (hidden, or on a page not shown) cannot be pressed, by its
      // accelerator either: it would act where the user cannot see it and take the key from a
      // button that shows.
      if (IsAccel(static_cast<char32_t>(m.WParam), Caption()) && Enabled() && Visible() && Parent() &&
          Parent()->Showing()) {
        Click();
        m.Result = 1;
        return;
      }
      break;
    case WM_LBUTTONDBLCLK:
      TGraphicControl::Dispatch(m);
      if (down_) DblClick();
      return;
    case CM_SYSCOLORCHANGE:
    case CM_PARENTCOLORCHANGED:
      TGraphicControl::Dispatch(m);
      if (useAdvColors_) {
        TControl::SetParentColor(true);
        CalcAdvColors();
      }
      Invalidate();
      return;
    case CM_ENABLEDCHANGED:
      TGraphicControl::Dispatch(m);
      if (!Enabled()) state_ = bsDisabled;
      UpdateTracking();  // a disabled button is not tracked
      return;
    default: break;
  }
  TGraphicControl::Dispatch(m);
}

void TFlatSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  if (!down_) {
    state_ = bsDown;
    Invalidate();
  }
  dragging_ = true;
}

void TFlatSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (SharedHover().Tracked() != this && TFlatHoverTimer::UnderCursor(this)) StartTracking();
  if (dragging_) {
    TButtonState now = down_ ? bsExclusive : bsUp;
    if (x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight()) now = down_ ? bsExclusive : bsDown;
    if (now != state_) {
      state_ = now;
      Invalidate();
    }
  }
}

void TFlatSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (!dragging_) return;
  dragging_ = false;
  bool doClick = x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight();
  if (groupIndex_ == 0) {
    state_ = bsUp;
    mouseInControl_ = false;
    if (doClick) Invalidate();
  } else if (doClick) {
    SetDown(!down_);
    if (down_) Invalidate();
  } else {
    if (down_) state_ = bsExclusive;
    else state_ = bsUp;
    Invalidate();
  }
  if (doClick) Click();
  else Perform(CM_MOUSELEAVE, 0, 0);
  UpdateTracking();
}

int TFlatSpeedButton::GlyphCell(TButtonState state) const {
  switch (numGlyphs_) {
    case 2: return state == bsDisabled ? 1 : 0;
    case 3: return state == bsDisabled ? 1 : (state == bsDown || state == bsExclusive) ? 2 : 0;
    case 4: return state == bsUp ? 0 : state == bsDisabled ? 1 : state == bsDown ? 2 : 3;
    default: return 0;
  }
}

void TFlatSpeedButton::Paint() {
  TCanvas* c = Canvas();
  TColor transparent = glyph_->Empty() ? clNone : glyph_->Canvas()->Pixels(0, glyph_->Height() - 1);
  c->SetFont(Font());
  TPoint offset = state_ == bsDown || state_ == bsExclusive ? TPoint(1, 1) : TPoint(0, 0);
  TRect client = ClientRect();
  CalcButtonLayout(c, client, offset, Caption(), layout_, margin_, spacing_, glyphPos_, textBounds_, glyph_.get(),
                   numGlyphs_);
  if (!Enabled()) {
    state_ = bsDisabled;
    dragging_ = false;
  } else if (state_ == bsDisabled) {
    state_ = down_ && groupIndex_ != 0 ? bsExclusive : bsUp;
  }
  // The face.
  bool paintFace = transparentMode_ == FlatUtilitys::tmNone ||
                   (transparentMode_ == FlatUtilitys::tmNotFocused && mouseInControl_);
  if (paintFace) {
    TColor face = Color();
    switch (state_) {
      case bsUp: face = mouseInControl_ ? colors_[0] : Color(); break;
      case bsDisabled: face = Color(); break;
      case bsDown: face = colors_[1]; break;
      case bsExclusive: face = mouseInControl_ ? colors_[0] : colors_[1]; break;
    }
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(face);
    c->FillRect(client);
  }
  // The frame.
  switch (state_) {
    case bsUp:
      if (mouseInControl_) DrawButtonFrame(c, client, colors_[3], 1, colors_[4]);
      else DrawButtonFrame(c, client, colors_[2], 1, colors_[2]);
      break;
    case bsDisabled: DrawButtonFrame(c, client, colors_[2], 1, colors_[2]); break;
    case bsDown:
    case bsExclusive: DrawButtonFrame(c, client, colors_[4], 1, colors_[3]); break;
  }
  // The glyph cell.
  int cellW = glyph_->Empty() ? 0 : glyph_->Width() / std::max(1, static_cast<int>(numGlyphs_));
  // A glyph narrower than its cells has nothing to show.
  if (cellW > 0 && glyph_->Height() > 0) {
    int h = glyph_->Height();
    int cell = GlyphCell(state_);
    TBitmap work;
    work.SetSize(cellW, h);
    BitBlt(work.Canvas()->Handle(), 0, 0, cellW, h, glyph_->Canvas()->Handle(), cell * cellW, 0, SRCCOPY);
    std::unique_ptr<TBitmap> grey;
    TBitmap* drawn = &work;
    if (numGlyphs_ == 1 && state_ == bsDisabled) {
      grey = DrawButtonGlyph(&work, 0, clBtnFace, true, clBtnShadow, clBtnHighlight);
      drawn = grey.get();
      transparent = drawn->Canvas()->Pixels(0, h - 1);
    }
    TImageList list(nullptr);
    list.SetWidth(cellW);
    list.SetHeight(h);
    list.AddMasked(drawn, transparent);
    list.Draw(c, glyphPos_.X, glyphPos_.Y, 0);
  }
  // The caption.
  std::string caption = Caption();
  if (caption.empty()) return;
  c->Brush()->SetStyle(bsClear);
  UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (state_ == bsDisabled) {
    DrawEmbossedText(c, caption, textBounds_, flags);
  } else {
    c->Font()->SetColor(Font()->Color());
    c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
    RECT r = textBounds_;
    DrawTextA(c->Handle(), caption.c_str(), static_cast<int>(caption.size()), &r, flags);
  }
}
