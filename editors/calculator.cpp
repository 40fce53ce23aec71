#include "editors/calculator.h"

#include <cmath>

#include "platform/classes/classreg.h"
#include "platform/classes/filer.h"
#include "platform/classes/published.h"
#include "platform/forms/clipbrd.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_COMPONENT(TCalculatorGx, TCustomControl)
FANO_IMPLEMENT_COMPONENT(TPopupCalculatorGx, TCalculatorGx)

FANO_PUBLISHED(TCalculatorGx, p) {
  p.Property("BorderStyle", &TCalculatorGx::BorderStyle, &TCalculatorGx::SetBorderStyle).Default(static_cast<int>(bsNone));
  p.Property("ClientHeight", &TCalculatorGx::DesignClientHeight, &TCalculatorGx::SetDesignClientHeight);
  p.Property("ClientWidth", &TCalculatorGx::DesignClientWidth, &TCalculatorGx::SetDesignClientWidth);
  p.Property("OldCreateOrder", &TCalculatorGx::OldCreateOrder, &TCalculatorGx::SetOldCreateOrder).Stored(false);
  p.Property("PixelsPerInch", &TCalculatorGx::PixelsPerInch, &TCalculatorGx::SetPixelsPerInch);
  p.Field("Panel1", &TCalculatorGx::Panel1);
  p.Field("TextBox", &TCalculatorGx::TextBox);
  p.Field("spEqual", &TCalculatorGx::spEqual);
  p.Method("SpeedButtonClick", &TCalculatorGx::SpeedButtonClick);
}

FANO_REGISTER_CLASS(TCalculatorGx);
FANO_REGISTER_CLASS(TPopupCalculatorGx);

void RegisterCalculatorClasses() {
  RegisterClasses({TPanel::StaticClass(), TLabel::StaticClass(), TSpeedButtonGx::StaticClass(),
                   TCalculatorGx::StaticClass(), TPopupCalculatorGx::StaticClass()});
}

namespace {

// Every control inside `parent`, at any depth.
template <class F>
void ForEachControl(TWinControl* parent, const F& f) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    f(c);
    if (auto* w = dynamic_cast<TWinControl*>(c)) ForEachControl(w, f);
  }
}

int HeightOfZero(TFont* font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font->Handle());
  SIZE size{};
  GetTextExtentPoint32A(dc, "0", 1, &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size.cy;
}

}  // namespace

// ---- TCalculatorGx -------------------------------------------------------------------------------

TCalculatorGx::TCalculatorGx(TComponent* owner) : TCustomControl(owner) {
  RegisterCalculatorClasses();
  pixelsPerInch_ = Screen->PixelsPerInch();
  InitInheritedComponent(this, TCustomControl::StaticClass());
  for (int i = 0; i < ComponentCount(); ++i) {
    if (auto* b = dynamic_cast<TSpeedButtonGx*>(Components(i))) {
      b->SetStyle(ebsGlyphGx);
      b->SetActive(true);
    }
  }
  SetAutoSize(true);
  AdjustSize();
  UpdateDisplay();
}

TCalculatorGx::~TCalculatorGx() = default;

void TCalculatorGx::Loaded() {
  TCustomControl::Loaded();
  ScaleToScreen();
}

void TCalculatorGx::DefineProperties(TFiler& filer) {
  TCustomControl::DefineProperties(filer);
  filer.DefineProperty(
      "TextHeight", [this](TReader& reader) { textHeight_ = reader.ReadInteger(); },
      [this](TWriter& writer) { writer.WriteInteger(textHeight_); }, textHeight_ != 0);
}

// As a form is scaled: the font by the pixels per inch, then every control by the change of the
// text height the resource was laid out for.
void TCalculatorGx::ScaleToScreen() {
  const int screenPpi = Screen->PixelsPerInch();
  if (pixelsPerInch_ > 0 && pixelsPerInch_ != screenPpi) {
    Font()->SetHeight(MulDiv(Font()->Height(), screenPpi, pixelsPerInch_));
    ForEachControl(this, [&](TControl* c) {
      if (!c->ParentFont()) c->Font()->SetHeight(MulDiv(c->Font()->Height(), screenPpi, pixelsPerInch_));
    });
    pixelsPerInch_ = screenPpi;
  }
  const int newHeight = HeightOfZero(Font());
  if (textHeight_ > 0 && newHeight > 0 && newHeight != textHeight_) {
    const int oldHeight = textHeight_;
    ForEachControl(this, [&](TControl* c) {
      c->SetBounds(MulDiv(c->Left(), newHeight, oldHeight), MulDiv(c->Top(), newHeight, oldHeight),
                   MulDiv(c->Width(), newHeight, oldHeight), MulDiv(c->Height(), newHeight, oldHeight));
    });
    designClientWidth_ = MulDiv(designClientWidth_, newHeight, oldHeight);
    designClientHeight_ = MulDiv(designClientHeight_, newHeight, oldHeight);
  }
  if (newHeight > 0) textHeight_ = newHeight;
}

void TCalculatorGx::SetBorderStyle(TBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  RecreateWnd();
  AdjustSize();
}

void TCalculatorGx::SetDesignClientHeight(int value) {
  designClientHeight_ = value;
  AdjustSize();
}

void TCalculatorGx::SetDesignClientWidth(int value) {
  designClientWidth_ = value;
  AdjustSize();
}

int TCalculatorGx::NonClientWidth() {
  if (borderStyle_ != bsSingle) return 0;
  return Ctl3D() ? GetSystemMetrics(SM_CXEDGE) : GetSystemMetrics(SM_CXBORDER);
}

bool TCalculatorGx::CanAutoSize(int& newWidth, int& newHeight) {
  const int extra = 2 * NonClientWidth();
  newWidth = designClientWidth_ + extra;
  newHeight = designClientHeight_ + extra;
  return true;
}

void TCalculatorGx::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  if (borderStyle_ == bsSingle) {
    if (Ctl3D())
      params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      params.Style |= WS_BORDER;
  }
}

double TCalculatorGx::GetValue() const { return engine_.Value(); }

void TCalculatorGx::SetValue(double value) {
  engine_.SetValue(value);
  UpdateDisplay();
}

void TCalculatorGx::Clear() {
  engine_.Clear();
  UpdateDisplay();
}

void TCalculatorGx::Copy() { Clipboard()->SetAsText(engine_.Display()); }

void TCalculatorGx::Paste() {
  if (!Clipboard()->HasFormat(CF_TEXT)) return;
  SetValue(StrToFloat(Trim(Clipboard()->AsText())));
}

void TCalculatorGx::UpdateDisplay() {
  if (TextBox) TextBox->SetCaption(engine_.Display());
  if (spEqual) spEqual->SetCaption(engine_.EqualCaption());
}

void TCalculatorGx::CalcKey(char key) {
  if (engine_.State() != csErrorGx) {
    if (key == 3) {  // Ctrl+C
      Copy();
      return;
    }
    if (key == 22) {  // Ctrl+V
      Paste();
      return;
    }
  }
  engine_.CalcKey(key);
  UpdateDisplay();
}

char TCalculatorGx::KeyOfTag(int tag) noexcept {
  static const char keys[] = {'\0', '7', '8', '9', '/', 'S', 'C', '4', '5', '6', '*', '%', 'A',
                              '1',  '2', '3', '-', 'R', 8,   '0', 'I', '.', '+', '='};
  return tag >= 0 && tag < static_cast<int>(sizeof keys) ? keys[tag] : '\0';
}

TSpeedButtonGx* TCalculatorGx::ButtonOfTag(int tag) const {
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* b = dynamic_cast<TSpeedButtonGx*>(Components(i)); b && b->Tag() == tag) return b;
  return nullptr;
}

void TCalculatorGx::SpeedButtonClick(TObject* sender) {
  auto* c = dynamic_cast<TComponent*>(sender);
  if (!c) return;
  CalcKey(KeyOfTag(static_cast<int>(c->Tag())));
}

void TCalculatorGx::KeyDown(uint16_t& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == VK_DELETE) CalcKey('C');
}

void TCalculatorGx::KeyPress(TKeyChar& key) {
  TCustomControl::KeyPress(key);
  if (key != 0 && key < 128) CalcKey(static_cast<char>(key));
}

// ---- TPopupCalculatorGx ------------------------------------------------------------------------

TPopupCalculatorGx::TPopupCalculatorGx(TComponent* owner) : TCalculatorGx(owner) {
  SetTabStop(false);
  SetParentCtl3D(false);
  SetCtl3D(true);
  SetFlat(true);
  AdjustSize();
}

int TPopupCalculatorGx::NonClientWidth() {
  // Without Ctl3D the window's own one-pixel border.
  return Ctl3D() ? BorderWidth() : 1;
}

void TPopupCalculatorGx::CreateParams(TCreateParams& params) {
  TCalculatorGx::CreateParams(params);
  params.Style = (params.Style & ~(WS_CHILD | WS_BORDER)) | WS_POPUP | WS_CLIPCHILDREN;
  if (!Ctl3D()) params.Style |= WS_BORDER;
  params.ExStyle = (params.ExStyle & ~WS_EX_CLIENTEDGE) | WS_EX_TOOLWINDOW;
  params.WindowClass.style |= CS_SAVEBITS;
  params.WndParent = nullptr;
}

void TPopupCalculatorGx::CreateWnd() {
  TCalculatorGx::CreateWnd();
  AdjustSize();
}

bool TPopupCalculatorGx::AcceptValue() { return engine_.EqualCaption() == "Ok"; }

Variant TPopupCalculatorGx::GetValue() {
  if (State() == csErrorGx) return Variant::FromError(-1);
  return Variant(TCalculatorGx::GetValue());
}

void TPopupCalculatorGx::SetFlat(bool value) {
  flat_ = value;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* b = dynamic_cast<TSpeedButtonGx*>(Components(i))) b->SetFlat(value);
}

void TPopupCalculatorGx::SetValue(const Variant& value) {
  Clear();
  double v = 0;
  if (!value.IsNull() && !value.IsEmpty()) v = value.AsDouble();
  TCalculatorGx::SetValue(v);
}

void TPopupCalculatorGx::CloseOwner(bool accept) {
  if (auto* owner = PopupOwnerOf(this)) owner->CloseUp(accept);
}

void TPopupCalculatorGx::CalcKey(char key) {
  if ((key == '=' || key == 13) && AcceptValue()) {
    CloseOwner(true);
    return;
  }
  TCalculatorGx::CalcKey(key);
}

void TPopupCalculatorGx::KeyDown(uint16_t& key, TShiftState shift) {
  if (key == VK_ESCAPE) {
    CloseOwner(false);
    key = 0;
    return;
  }
  TCalculatorGx::KeyDown(key, shift);
}

void TPopupCalculatorGx::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_NCCALCSIZE: {
      TCalculatorGx::Dispatch(m);
      if (!Ctl3D()) return;
      auto* r = reinterpret_cast<RECT*>(m.LParam);
      if (m.WParam) r = &reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0];
      InflateRect(r, -BorderWidth(), -BorderWidth());
      return;
    }
    case WM_NCPAINT: {
      TCalculatorGx::Dispatch(m);
      if (!Ctl3D()) return;
      HWND wnd = WindowHandle();
      HDC dc = GetWindowDC(wnd);
      RECT wr;
      GetWindowRect(wnd, &wr);
      RECT r{0, 0, wr.right - wr.left, wr.bottom - wr.top};
      HBRUSH frame = CreateSolidBrush(ColorToRGB(cl3DDkShadow));
      FrameRect(dc, &r, frame);
      DeleteObject(frame);
      InflateRect(&r, -1, -1);
      DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
      ReleaseDC(wnd, dc);
      return;
    }
    case WM_MOUSEACTIVATE:
      m.Result = MA_NOACTIVATE;
      return;
    case WM_WINDOWPOSCHANGED: {
      TCalculatorGx::Dispatch(m);
      // Shown and hidden by window position alone (a drop-down is never Visible): the display
      // panel's window follows.
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
      if (pos && (pos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))) {
        bool shown = (pos->flags & SWP_SHOWWINDOW) != 0;
        for (int i = 0; i < ControlCount(); ++i)
          if (auto* w = dynamic_cast<TWinControl*>(Controls(i))) w->UpdateShowingIn(shown);
      }
      return;
    }
    case WM_GETDLGCODE:
      TCalculatorGx::Dispatch(m);
      m.Result |= DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
      return;
    case CM_WANTSPECIALKEY:
      if (m.WParam == VK_RETURN || m.WParam == VK_ESCAPE) {
        CloseOwner(m.WParam == VK_RETURN);
        m.Result = 1;
        return;
      }
      break;
    case WM_POPUPCLOSEUP:
      CloseOwner(false);
      return;
    default:
      break;
  }
  TCalculatorGx::Dispatch(m);
}

// The wheel comes from the editor it drops down for, or as a notice from a grid cell; whole
// notches only, so that a fine wheel's smaller turns add up to one step.
bool TPopupCalculatorGx::DoMouseWheelDown(TShiftState, const TPoint&) {
  if (State() != csErrorGx) TCalculatorGx::SetValue(TCalculatorGx::GetValue() - 1);
  return true;
}

bool TPopupCalculatorGx::DoMouseWheelUp(TShiftState, const TPoint&) {
  if (State() != csErrorGx) TCalculatorGx::SetValue(TCalculatorGx::GetValue() + 1);
  return true;
}
