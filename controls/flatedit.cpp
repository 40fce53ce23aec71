// The flat edit family: frame painting, colours and the hover rule.
#include "controls/flatedit.h"

#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/forms/forms.h"

FANO_IMPLEMENT_COMPONENT(TCustomFlatEdit, TCustomEdit)
FANO_IMPLEMENT_COMPONENT(TFlatEdit, TCustomFlatEdit)
FANO_IMPLEMENT_COMPONENT(TFlatMemo, TCustomMemo)
FANO_IMPLEMENT_COMPONENT(TFlatMaskEdit, TCustomMaskEdit)
FANO_REGISTER_CLASS(TFlatEdit);
FANO_REGISTER_CLASS(TFlatMemo);
FANO_REGISTER_CLASS(TFlatMaskEdit);

namespace {

template <class C>
void PublishFlatColours(TPublisher<C>& p) {
  p.Property("UseAdvColors", &C::UseAdvColors, &C::SetUseAdvColors);
  p.Property("AdvColorFocused", &C::AdvColorFocused, &C::SetAdvColorFocused);
  p.Property("AdvColorBorder", &C::AdvColorBorder, &C::SetAdvColorBorder);
  p.Property("ParentColor", &C::ParentColor, &C::SetParentColor);
  p.Property("ColorFocused", &C::ColorFocused, &C::SetColorFocused).Stored(&C::AreAdvShadesStored);
  p.Property("ColorBorder", &C::ColorBorder, &C::SetColorBorder).Stored(&C::AreAdvShadesStored);
  p.Property("ColorFlat", &C::ColorFlat, &C::SetColorFlat).Stored(&C::IsColorFlatStored);
  // The body colour follows the look; it is not a setting of its own.
  p.Property("Color", &TControl::Color, &TControl::SetColor).Stored(false);
}

}  // namespace

FANO_PUBLISHED(TFlatEdit, p) {
  PublishFlatColours(p);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption).Stored(false);
  p.Property("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase);
  p.Property("HideSelection", &TCustomEdit::HideSelection, &TCustomEdit::SetHideSelection);
  p.Property("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength);
  p.Property("OEMConvert", &TCustomEdit::OEMConvert, &TCustomEdit::SetOEMConvert);
  p.Property("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar);
  p.Property("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly);
  p.Property("Text", &TControl::Text, &TControl::SetText);
  p.Property("OnChange", &TCustomEdit::OnChange);
}

FANO_PUBLISHED(TFlatMemo, p) {
  PublishFlatColours(p);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption).Stored(false);
  p.Property("Alignment", &TCustomMemo::Alignment, &TCustomMemo::SetAlignment);
  p.Property("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase);
  p.Property("HideSelection", &TCustomEdit::HideSelection, &TCustomEdit::SetHideSelection);
  p.Property("Lines", &TCustomMemo::Lines, &TCustomMemo::SetLines);
  p.Property("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength);
  p.Property("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly);
  p.Property("ScrollBars", &TCustomMemo::ScrollBars, &TCustomMemo::SetScrollBars);
  p.Property("WantReturns", &TCustomMemo::WantReturns, &TCustomMemo::SetWantReturns);
  p.Property("WantTabs", &TCustomMemo::WantTabs, &TCustomMemo::SetWantTabs);
  p.Property("WordWrap", &TCustomMemo::WordWrap, &TCustomMemo::SetWordWrap);
  p.Property("OnChange", &TCustomEdit::OnChange);
}

FANO_PUBLISHED(TFlatMaskEdit, p) {
  PublishFlatColours(p);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption).Stored(false);
  p.Property("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle);
  p.Property("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase);
  p.Property("EditMask", &TCustomMaskEdit::EditMask, &TCustomMaskEdit::SetEditMask);
  p.Property("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength);
  p.Property("ParentCtl3D", &TWinControl::ParentCtl3D, &TWinControl::SetParentCtl3D);
  p.Property("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar);
  p.Property("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly);
  p.Property("Text", &TCustomMaskEdit::Text, &TCustomMaskEdit::SetText);
  p.Property("OnChange", &TCustomEdit::OnChange);
  p.Property("OnValidate", &TFlatMaskEdit::OnValidate);
}

// ---- the frame -----------------------------------------------------------------------------------

template <class Base>
TFlatEditFrame<Base>::TFlatEditFrame(TComponent* owner) : Base(owner) {
  TControl::SetParentFont(true);
  Base::SetAutoSize(false);
  Base::SetCtl3D(false);
  Base::SetBorderStyle(bsNone);
  TControlStyle style = this->ControlStyle();
  style.Exclude(csFramed);
  this->SetControlStyle(style);
  this->SetBounds(this->Left(), this->Top(), 121, 19);
}

template <class Base>
void TFlatEditFrame<Base>::SetColors(int index, TColor v) {
  if (index < 0 || index > 2) return;
  colors_[index] = v;
  if (index == 2) parentColor_ = false;
  RedrawBorder();
}

template <class Base>
void TFlatEditFrame<Base>::SetAdvColors(int index, TAdvColors v) {
  if (index < 0 || index > 1) return;
  adv_[index] = std::min<TAdvColors>(v, 100);
  if (useAdvColors_) {
    CalcAdvColors();
    RedrawBorder();
  }
}

template <class Base>
void TFlatEditFrame<Base>::SetUseAdvColors(bool v) {
  if (useAdvColors_ == v) return;
  useAdvColors_ = v;
  // Through the parent-colour path: turned on, ColorFlat becomes the parent's colour again.
  SetParentColor(v);
  CalcAdvColors();
  RedrawBorder();
}

template <class Base>
void TFlatEditFrame<Base>::SetParentColor(bool v) {
  if (parentColor_ == v) return;
  parentColor_ = v;
  if (v) {
    if (this->Parent()) colors_[2] = this->Parent()->Color();
    RedrawBorder();
  }
}

template <class Base>
void TFlatEditFrame<Base>::CalcAdvColors() {
  if (!useAdvColors_) return;
  colors_[0] = CalcAdvancedColor(colors_[2], colors_[0], adv_[0], false);
  colors_[1] = CalcAdvancedColor(colors_[2], colors_[1], adv_[1], true);
}

template <class Base>
bool TFlatEditFrame<Base>::FocusedLook() const {
  auto* self = const_cast<TFlatEditFrame<Base>*>(this);
  if (this->InState(csDesigning) || !this->HandleAllocated()) return false;
  if (self->Focused()) return true;
  if (!mouseInControl_) return false;
  TWinControl* active = Screen ? Screen->ActiveControl() : nullptr;
  return !(active && active->InheritsFrom(HoverClass()));
}

template <class Base>
void TFlatEditFrame<Base>::RedrawBorder() {
  if (!this->HandleAllocated()) return;
  bool focused = FocusedLook();
  TColor inner = focused ? colors_[0] : colors_[2];
  if (this->Color() != inner) TControl::SetColor(inner);
  HWND wnd = this->WindowHandle();
  HDC dc = GetWindowDC(wnd);
  if (!dc) return;
  RECT r{};
  GetWindowRect(wnd, &r);
  OffsetRect(&r, -r.left, -r.top);
  HBRUSH border = CreateSolidBrush(ColorToRGB(colors_[1]));
  HBRUSH body = CreateSolidBrush(ColorToRGB(inner));
  FrameRect(dc, &r, border);
  InflateRect(&r, -1, -1);
  FrameRect(dc, &r, body);
  InflateRect(&r, -1, -1);
  FrameRect(dc, &r, body);
  if constexpr (std::is_base_of_v<TCustomMemo, Base>) {
    // The corner between the two scroll bars in the body colour.
    if (static_cast<TCustomMemo*>(this)->ScrollBars() == ssBoth) {
      RECT corner{r.right - 17, r.bottom - 17, r.right - 1, r.bottom - 1};
      FillRect(dc, &corner, body);
    }
  }
  ReleaseDC(wnd, dc);
  DeleteObject(border);
  DeleteObject(body);
}

template <class Base>
void TFlatEditFrame<Base>::AdjustFlatHeight() {
  if (!AdjustsHeight()) return;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, this->Font()->Handle());
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  this->SetHeight(tm.tmHeight + 6);
}

template <class Base>
void TFlatEditFrame<Base>::Loaded() {
  Base::Loaded();
  if (!this->InState(csDesigning)) AdjustFlatHeight();
}

template <class Base>
void TFlatEditFrame<Base>::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_NCCALCSIZE: {
      Base::Dispatch(m);
      RECT* r = m.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0] : reinterpret_cast<RECT*>(m.LParam);
      if (r) InflateRect(r, -3, -3);
      return;
    }
    case WM_NCPAINT:
      Base::Dispatch(m);
      RedrawBorder();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Base::Dispatch(m);
      if (!this->InState(csDesigning)) RedrawBorder();
      return;
    case CM_MOUSEENTER:
      Base::Dispatch(m);
      if (GetActiveWindow()) {
        mouseInControl_ = true;
        RedrawBorder();
      }
      return;
    case CM_MOUSELEAVE:
      Base::Dispatch(m);
      mouseInControl_ = false;
      RedrawBorder();
      return;
    case CM_SYSCOLORCHANGE:
    case CM_PARENTCOLORCHANGED:
      // Not the platform's parent colour: ColorFlat follows the parent, the body follows the look.
      if (useAdvColors_) {
        if (this->Parent()) colors_[2] = this->Parent()->Color();
        CalcAdvColors();
      } else if (parentColor_ && this->Parent()) {
        colors_[2] = this->Parent()->Color();
      }
      RedrawBorder();
      return;
    case CM_ENABLEDCHANGED:
      Base::Dispatch(m);
      RedrawBorder();
      return;
    case CM_FONTCHANGED:
      Base::Dispatch(m);
      if (!(this->InState(csDesigning) && this->InState(csLoading))) AdjustFlatHeight();
      return;
    default: break;
  }
  Base::Dispatch(m);
}

template class TFlatEditFrame<TCustomEdit>;
template class TFlatEditFrame<TCustomMemo>;
template class TFlatEditFrame<TCustomMaskEdit>;

// ---- the classes ----------------------------------------------------------------------------------

TCustomFlatEdit::TCustomFlatEdit(TComponent* owner) : TFlatEditFrame<TCustomEdit>(owner) {}

TClass TCustomFlatEdit::HoverClass() const { return TFlatEdit::StaticClass(); }

TFlatMemo::TFlatMemo(TComponent* owner) : TFlatEditFrame<TCustomMemo>(owner) { SetBounds(Left(), Top(), 185, 89); }

TFlatMaskEdit::TFlatMaskEdit(TComponent* owner) : TFlatEditFrame<TCustomMaskEdit>(owner) {}
