#include "editors/dbcheckbox.h"

#include "editors/gxwindows.h"
#include "editors/tools/gxplatform.h"
#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/db/dataset.h"
#include "platform/forms/menus.h"

FANO_IMPLEMENT_COMPONENT(TCustomDBCheckBoxGx, TButtonControl)
FANO_IMPLEMENT_COMPONENT(TDBCheckBoxGx, TCustomDBCheckBoxGx)

namespace {

std::string FirstEntry(const std::string& list) { return list.substr(0, list.find(';')); }

}  // namespace

TCustomDBCheckBoxGx::TCustomDBCheckBoxGx(TComponent* owner) : TButtonControl(owner) {
  SetBounds(Left(), Top(), 97, 17);
  SetTabStop(true);
  SetControlStyle(TControlStyle{csSetCaption, csReplicatable});
  SetParentColor(true);
  dataLink_ = std::make_unique<TFieldDataLinkGx>();
  dataLink_->SetControl(this);
  dataLink_->OnDataChange = [this](TObject*) { DataChange(); };
  dataLink_->OnUpdateData = [this](TObject*) { UpdateData(); };
  dataLink_->SetValue(Variant(false));
}

TCustomDBCheckBoxGx::~TCustomDBCheckBoxGx() {
  dataLink_->OnDataChange = nullptr;
  dataLink_->OnUpdateData = nullptr;
  dataLink_->SetDataSource(nullptr);
}

void TCustomDBCheckBoxGx::SetDataSource(TDataSource* value) {
  if (!(dataLink_->DataSourceFixed() && InState(csLoading))) dataLink_->SetDataSource(value);
  if (value) value->FreeNotification(this);
}

void TCustomDBCheckBoxGx::Notification(TComponent* component, TOperation operation) {
  TButtonControl::Notification(component, operation);
  if (operation == opRemove && dataLink_ && component == dataLink_->DataSource()) dataLink_->SetDataSource(nullptr);
}

bool TCustomDBCheckBoxGx::ValueMatch(const std::string& list, const std::string& text) {
  if (text.empty() && !list.empty() && list.back() == ';') return true;
  // An empty list has no entries, and a closing ";" opens none.
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    if (AnsiCompareTextGx(list.substr(start, end - start), text) == 0) return true;
    start = end + 1;
  }
  return false;
}

TCheckBoxState TCustomDBCheckBoxGx::GetFieldState() const {
  if (IsDataIndependent()) {
    const Variant& v = dataLink_->DataIndependentValue();
    if (v.VarType() == varBoolean) return v.AsBoolean() ? cbChecked : cbUnchecked;
    return cbGrayed;
  }
  TField* f = Field();
  if (!f) return cbUnchecked;
  if (f->DataType() == ftBoolean && valueChecked_ == "True" && valueUnchecked_ == "False") {
    if (f->IsNull()) return cbGrayed;
    return f->AsBoolean() ? cbChecked : cbUnchecked;
  }
  std::string text = f->Text();
  if (ValueMatch(valueChecked_, text)) return cbChecked;
  if (ValueMatch(valueUnchecked_, text)) return cbUnchecked;
  return cbGrayed;
}

void TCustomDBCheckBoxGx::DataChange() {
  InternalSetState(GetFieldState());
  modified_ = false;
}

void TCustomDBCheckBoxGx::SetValueChecked(const std::string& value) {
  valueChecked_ = value;
  DataChange();
}

void TCustomDBCheckBoxGx::SetValueUnchecked(const std::string& value) {
  valueUnchecked_ = value;
  DataChange();
}

void TCustomDBCheckBoxGx::SetAlignment(TAlignment value) { SetAndRecreate(alignment_, value); }

void TCustomDBCheckBoxGx::SetFlat(bool value) { SetAndRecreate(flat_, value); }

void TCustomDBCheckBoxGx::SetAlwaysShowBorder(bool value) {
  if (alwaysShowBorder_ == value) return;
  alwaysShowBorder_ = value;
  Invalidate();
}

void TCustomDBCheckBoxGx::SetState(TCheckBoxState value) {
  if (InState(csDesigning) && !IsDataIndependent()) return;
  if (!IsDataIndependent()) {
    TDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
    if (ds && ds->Active()) ds->Edit();
  }
  InternalSetState(value);
  if (!inUpdate_) UpdateData();
}

void TCustomDBCheckBoxGx::InternalSetState(TCheckBoxState value) {
  if (value == state_) return;
  state_ = value;
  if (HandleAllocated()) SendMessage(WindowHandle(), BM_SETCHECK, static_cast<WPARAM>(value), 0);
  if (!ClicksDisabled()) Click();
  Invalidate();
  modified_ = true;
}

void TCustomDBCheckBoxGx::UpdateData() {
  bool handled = false;
  if (OnUpdateData) {
    inUpdate_ = true;
    try {
      OnUpdateData(this, handled);
    } catch (...) {
      inUpdate_ = false;
      throw;
    }
    inUpdate_ = false;
  }
  if (!handled) UpdateFieldData();
}

void TCustomDBCheckBoxGx::UpdateFieldData() {
  if (IsDataIndependent()) {
    dataLink_->SetValue(state_ == cbGrayed ? Null() : Variant(state_ == cbChecked));
    return;
  }
  TField* f = Field();
  if (!f) return;
  if (state_ == cbGrayed) f->Clear();
  else if (f->DataType() != ftBoolean) f->SetText(FirstEntry(state_ == cbChecked ? valueChecked_ : valueUnchecked_));
  else f->SetAsBoolean(state_ == cbChecked);
}

void TCustomDBCheckBoxGx::Toggle() {
  if (!dataLink_->Edit()) return;
  TCheckBoxState next = state_ == cbUnchecked ? (allowGrayed_ ? cbGrayed : cbChecked)
                        : state_ == cbChecked ? cbUnchecked
                                              : cbChecked;
  InternalSetState(next);
  dataLink_->SetModified();
  Invalidate();
}

void TCustomDBCheckBoxGx::KeyPress(TKeyChar& key) {
  TButtonControl::KeyPress(key);
  if (key == VK_BACK || key == ' ') dataLink_->Edit();
  else if (key == VK_ESCAPE) dataLink_->Reset();
}

void TCustomDBCheckBoxGx::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  CreateSubClass(params, WC_BUTTON);
  params.Style |= BS_3STATE;
}

void TCustomDBCheckBoxGx::CreateWnd() {
  TButtonControl::CreateWnd();
  SendMessage(WindowHandle(), BM_SETCHECK, static_cast<WPARAM>(state_), 0);
}

bool TCustomDBCheckBoxGx::Pressed() const {
  return spacePressed_ || (HandleAllocated() && (SendMessage(WindowHandle(), BM_GETSTATE, 0, 0) & BST_PUSHED));
}

void TCustomDBCheckBoxGx::DrawState(TCanvas* canvas) {
  bool hot = (flat_ && ((hot_ && !Pressed()) || spacePressed_)) || alwaysShowBorder_;
  DrawBoxAndCaption(canvas, InState(csDesigning) ? GetFieldState() : state_, hot);
}

void TCustomDBCheckBoxGx::DrawBoxAndCaption(TCanvas* canvas, TCheckBoxState state, bool hot) {
  TRect client = ClientRect();
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(client);
  TSize glyph = CheckBoxGlyphSize();
  int top = (client.Height() - glyph.cy) / 2;
  TRect box, caption;
  if (alignment_ == taLeftJustify) {
    box = Bounds(client.Right - glyph.cx, top, glyph.cx, glyph.cy);
    caption = TRect(client.Left, client.Top, box.Left - 5, client.Bottom);
  } else {
    box = Bounds(client.Left, top, glyph.cx, glyph.cy);
    caption = TRect(box.Right + 5, client.Top, client.Right, client.Bottom);
  }
  DrawCaption(canvas, caption);
  DrawCheck(canvas, box, state, hot);
}

void TCustomDBCheckBoxGx::DrawCheck(TCanvas* canvas, const TRect& rect, TCheckBoxState state, bool hot) {
  bool enabled = Enabled() || InState(csDesigning);
  PaintEditButton(canvas->Handle(), rect, Color(), state, enabled, hot, flat_, Pressed() ? 1 : 0, ebdsCheckBoxGx);
}

void TCustomDBCheckBoxGx::DrawCaption(TCanvas* canvas, const TRect& rect) {
  canvas->Font()->Assign(Font());
  canvas->Brush()->SetStyle(bsClear);
  std::string text = Caption();
  // The canvas selects its font (and colour) into the DC when asked for its handle: asked for it
  // again after each change.
  TRect r = rect;
  DrawTextGx(canvas->Handle(), text, -1, r, DT_CALCRECT | DT_SINGLELINE);
  int h = r.Height();
  r.Top = rect.Top + (rect.Height() - h) / 2;
  r.Bottom = r.Top + h;
  if (Enabled() || InState(csDesigning)) {
    DrawTextGx(canvas->Handle(), text, -1, r, DT_SINGLELINE);
  } else {
    TRect shadow = r;
    shadow.Offset(1, 1);
    canvas->Font()->SetColor(clBtnHighlight);
    DrawTextGx(canvas->Handle(), text, -1, shadow, DT_SINGLELINE);
    canvas->Font()->SetColor(clGrayText);
    DrawTextGx(canvas->Handle(), text, -1, r, DT_SINGLELINE);
  }
  if (Focused()) {
    TRect focus = r;
    focus.Inflate(1, 1);
    focus.Bottom += 1;
    IntersectRect(focus, focus, ClientRect());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->DrawFocusRect(focus);
  }
  canvas->Brush()->SetStyle(bsSolid);
}

void TCustomDBCheckBoxGx::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = m.WParam ? reinterpret_cast<HDC>(m.WParam) : BeginPaint(WindowHandle(), &ps);
      SetControlState(ControlState() + csCustomPaint);
      TCanvas canvas;
      canvas.SetHandle(dc);
      DrawState(&canvas);
      canvas.SetHandle(nullptr);
      SetControlState(ControlState() - csCustomPaint);
      if (!m.WParam) EndPaint(WindowHandle(), &ps);
      m.Result = 0;
      return;
    }
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_KEYDOWN:
      if (m.WParam == VK_SPACE) {
        TButtonControl::Dispatch(m);  // key events, without the window's own press
        spacePressed_ = true;
        Invalidate();
        return;
      }
      break;
    case WM_KEYUP:
      if (m.WParam == VK_SPACE) {
        bool was = spacePressed_;
        spacePressed_ = false;
        Invalidate();
        if (was) Toggle();
        return;
      }
      break;
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
    case CM_WANTSPECIALKEY:
      if (m.WParam == VK_ESCAPE && modified_) {
        m.Result = 1;
        return;
      }
      break;
    case WM_CANCELMODE:
      if (GetCapture() == WindowHandle()) {
        ReleaseCapture();
        SendMessage(WindowHandle(), WM_LBUTTONUP, 0, 0);
      }
      break;
    case CM_EXIT:
      TButtonControl::Dispatch(m);
      dataLink_->UpdateRecord();
      Invalidate();
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      hot_ = m.Msg == CM_MOUSEENTER;
      TButtonControl::Dispatch(m);
      Invalidate();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case WM_SIZE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      TButtonControl::Dispatch(m);
      Invalidate();
      return;
  }
  TButtonControl::Dispatch(m);
}


FANO_PUBLISHED(TDBCheckBoxGx, p) {
  p.Property("Alignment", &TCustomDBCheckBoxGx::Alignment, &TCustomDBCheckBoxGx::SetAlignment);
  p.Property("AllowGrayed", &TCustomDBCheckBoxGx::AllowGrayed, &TCustomDBCheckBoxGx::SetAllowGrayed);
  p.Property("AlwaysShowBorder", &TCustomDBCheckBoxGx::AlwaysShowBorder, &TCustomDBCheckBoxGx::SetAlwaysShowBorder);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("Checked", &TCustomDBCheckBoxGx::Checked, &TCustomDBCheckBoxGx::SetChecked).Stored(false);
  p.Property("DataField", &TCustomDBCheckBoxGx::DataField, &TCustomDBCheckBoxGx::SetDataField);
  p.Property("DataSource", &TCustomDBCheckBoxGx::DataSource, &TCustomDBCheckBoxGx::SetDataSource);
  p.Property("Flat", &TCustomDBCheckBoxGx::Flat, &TCustomDBCheckBoxGx::SetFlat);
  p.Property("ReadOnly", &TCustomDBCheckBoxGx::ReadOnly, &TCustomDBCheckBoxGx::SetReadOnly);
  p.Property("State", &TCustomDBCheckBoxGx::State, &TCustomDBCheckBoxGx::SetState)
      .Stored(&TCustomDBCheckBoxGx::IsStateStored);
  p.Property("ValueChecked", &TCustomDBCheckBoxGx::ValueChecked, &TCustomDBCheckBoxGx::SetValueChecked);
  p.Property("ValueUnchecked", &TCustomDBCheckBoxGx::ValueUnchecked, &TCustomDBCheckBoxGx::SetValueUnchecked);
  p.Property("OnUpdateData", &TCustomDBCheckBoxGx::OnUpdateData);
}

FANO_REGISTER_CLASS(TDBCheckBoxGx);

void RegisterDBCheckBoxClasses() { RegisterClasses({TDBCheckBoxGx::StaticClass()}); }
