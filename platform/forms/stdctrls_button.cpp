// Buttons and check boxes over the window system's button control.
#include "platform/forms/menus.h"
#include "platform/forms/stdctrls.h"

FANO_IMPLEMENT_COMPONENT(TButtonControl, TWinControl)
FANO_IMPLEMENT_COMPONENT(TButton, TButtonControl)
FANO_IMPLEMENT_COMPONENT(TCustomCheckBox, TButtonControl)
FANO_IMPLEMENT_COMPONENT(TCheckBox, TCustomCheckBox)

// ---- TButtonControl -------------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {}

// A press on an unfocused button first moves the focus there; when a handler keeps the focus
// elsewhere, the press is dropped, and no click happens while the focus moves.
void TButtonControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!InState(csDesigning) && !Focused()) {
        clicksDisabled_ = true;
        ::SetFocus(Handle());
        clicksDisabled_ = false;
        if (!Focused()) return;
      }
      break;
    case CN_COMMAND:
      if (clicksDisabled_) return;
      break;
    default: break;
  }
  TWinControl::WndProc(m);
}

// ---- TButton --------------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetBounds(Left(), Top(), 75, 25);
  SetTabStop(true);
}

void TButton::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  CreateSubClass(params, WC_BUTTON);
  params.Style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::CreateWnd() {
  TButtonControl::CreateWnd();
  active_ = default_;
}

void TButton::SetDefault(bool v) {
  if (default_ == v) return;
  default_ = v;
  if (!HandleAllocated()) return;
  if (TCustomForm* form = GetParentForm())
    form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->ActiveControl()));
  else SetButtonStyle(v);
}

void TButton::SetButtonStyle(bool isDefault) {
  if (!HandleAllocated()) return;
  DWORD style = isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  if ((GetWindowLong(WindowHandle(), GWL_STYLE) & BS_TYPEMASK) != style) SendMessage(WindowHandle(), BM_SETSTYLE, style, 1);
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm()) form->SetModalResult(modalResult_);
  TButtonControl::Click();
}

void TButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      if (m.WParamHi() == BN_CLICKED) Click();
      return;
    case CM_DIALOGKEY:
      if (((m.CharCode() == VK_RETURN && active_) || (m.CharCode() == VK_ESCAPE && cancel_)) &&
          KeyDataToShiftState(m.KeyData()).Empty() && CanFocus()) {
        Click();
        m.Result = 1;
        return;
      }
      break;
    case CM_DIALOGCHAR:
      if (IsAccel(m.CharCode(), Caption()) && CanFocus()) {
        Click();
        m.Result = 1;
        return;
      }
      break;
    case CM_FOCUSCHANGED: {
      auto* sender = reinterpret_cast<TWinControl*>(m.LParam);
      active_ = dynamic_cast<TButton*>(sender) ? sender == this : default_;
      SetButtonStyle(active_);
      break;
    }
    default: break;
  }
  TButtonControl::Dispatch(m);
}

// ---- TCustomCheckBox ------------------------------------------------------------------------------

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetBounds(Left(), Top(), 97, 17);
  SetTabStop(true);
}

void TCustomCheckBox::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  CreateSubClass(params, WC_BUTTON);
  params.Style |= BS_3STATE;
  if (alignment_ == taLeftJustify) params.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd() {
  TButtonControl::CreateWnd();
  SendMessage(WindowHandle(), BM_SETCHECK, static_cast<WPARAM>(state_), 0);
}

void TCustomCheckBox::SetAlignment(TAlignment v) { SetAndRecreate(alignment_, v); }

void TCustomCheckBox::SetState(TCheckBoxState v) {
  if (state_ == v) return;
  state_ = v;
  if (HandleAllocated()) SendMessage(WindowHandle(), BM_SETCHECK, static_cast<WPARAM>(state_), 0);
  if (!ClicksDisabled()) Click();
}

void TCustomCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked: SetState(allowGrayed_ ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TCustomCheckBox::Click() {
  TControl::Changed();
  TButtonControl::Click();
}

void TCustomCheckBox::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      if (m.WParamHi() == BN_CLICKED) Toggle();
      return;
    case CM_DIALOGCHAR:
      if (IsAccel(m.CharCode(), Caption()) && CanFocus()) {
        SetFocus();
        if (Focused()) Toggle();
        m.Result = 1;
        return;
      }
      break;
    default: break;
  }
  TButtonControl::Dispatch(m);
}
