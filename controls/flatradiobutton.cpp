// The flat radio button: its circle and dot, groups among its siblings, checking by click.
#include "controls/flatcheckbox.h"

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"

FANO_IMPLEMENT_COMPONENT(TFlatRadioButton, TFlatToggleControl)
FANO_REGISTER_CLASS(TFlatRadioButton);

FANO_ENUM_NAMES(TRadioButtonLayout, "radioLeft", "radioRight");

FANO_PUBLISHED(TFlatRadioButton, p) {
  p.Property("UseAdvColors", &TFlatRadioButton::UseAdvColors, &TFlatRadioButton::SetUseAdvColors);
  p.Property("AdvColorFocused", &TFlatRadioButton::AdvColorFocused, &TFlatRadioButton::SetAdvColorFocused);
  p.Property("AdvColorDown", &TFlatRadioButton::AdvColorDown, &TFlatRadioButton::SetAdvColorDown);
  p.Property("AdvColorBorder", &TFlatRadioButton::AdvColorBorder, &TFlatRadioButton::SetAdvColorBorder);
  p.Property("GroupIndex", &TFlatRadioButton::GroupIndex, &TFlatRadioButton::SetGroupIndex);
  p.Property("Layout", &TFlatRadioButton::Layout, &TFlatRadioButton::SetLayout);
  p.Property("Checked", &TFlatRadioButton::Checked, &TFlatRadioButton::SetChecked);
  p.Property("ColorFocused", &TFlatRadioButton::ColorFocused, &TFlatRadioButton::SetColorFocused);
  p.Property("ColorDown", &TFlatRadioButton::ColorDown, &TFlatRadioButton::SetColorDown);
  p.Property("ColorDot", &TFlatRadioButton::ColorDot, &TFlatRadioButton::SetColorDot);
  p.Property("ColorBorder", &TFlatRadioButton::ColorBorder, &TFlatRadioButton::SetColorBorder);
  p.Property("Transparent", &TFlatRadioButton::Transparent, &TFlatRadioButton::SetTransparent);
}

TFlatHoverTimer& TFlatRadioButton::SharedHover() {
  // Trivially destructible, so it outlives the application's teardown at exit, which frees
  // controls that still release it.
  static TFlatHoverTimer hover;
  return hover;
}

TFlatRadioButton::TFlatRadioButton(TComponent* owner) : TFlatToggleControl(owner) { SharedHover().Acquire(); }

TFlatRadioButton::~TFlatRadioButton() { SharedHover().Release(this); }

void TFlatRadioButton::SetChecked(bool v) {
  if (checked_ == v) return;
  SetTabStop(v);
  checked_ = v;
  if (v) {
    if (TWinControl* parent = Parent())
      for (int i = 0; i < parent->ControlCount(); ++i)
        if (auto* other = dynamic_cast<TFlatRadioButton*>(parent->Controls(i));
            other && other != this && other->GroupIndex() == groupIndex_)
          other->SetChecked(false);
    Click();
  }
  Invalidate();
}

TRect TFlatRadioButton::GlyphRect() {
  TRect r = ClientRect();
  return boxRight_ ? TRect(r.Right - 11, r.Top + 3, r.Right - 1, r.Top + 13) : TRect(r.Left + 1, r.Top + 3, r.Left + 11, r.Top + 13);
}

void TFlatRadioButton::DrawGlyph() {
  TCanvas* c = Canvas();
  TRect r = GlyphRect();
  c->Pen()->SetStyle(psSolid);
  c->Pen()->SetWidth(1);
  c->Pen()->SetColor(colors_[3]);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(FillColor());
  c->Ellipse(r);
  if (checked_) {
    TColor dot = Enabled() ? colors_[2] : clBtnShadow;
    c->Pen()->SetColor(dot);
    c->Brush()->SetColor(dot);
    c->Ellipse(r.Left + 3, r.Top + 3, r.Left + 7, r.Top + 7);
  }
}

void TFlatRadioButton::Released(int x, int y) {
  if (x >= 0 && y >= 0 && x <= Width() && y <= Height() && !checked_) SetChecked(true);
}

void TFlatRadioButton::Accelerated() { SetFocus(); }

void TFlatRadioButton::Dispatch(TMessage& m) {
  if (m.Msg == CM_ENTER && mouseIsDown_ && mouseInControl_) SetChecked(true);
  TFlatToggleControl::Dispatch(m);
}
