#include "editors/dbnumberedit.h"

#include <cmath>

#include "editors/dbeditors_published.h"
#include "platform/classes/classreg.h"
#include "platform/db/dataset.h"
#include "platform/forms/clipbrd.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_COMPONENT(TCustomDBNumberEditGx, TCustomDBEditGx)
FANO_IMPLEMENT_COMPONENT(TDBNumberEditGx, TCustomDBNumberEditGx)

TCustomDBNumberEditGx::TCustomDBNumberEditGx(TComponent* owner) : TCustomDBEditGx(owner), value_(Variant::Null()) {
  SetControlStyle(ControlStyle() - csSetCaption);
  SetMaxLength(0);
  RecreateEditButton();
  DataChanged();
}

TCustomDBNumberEditGx::~TCustomDBNumberEditGx() = default;

TEditButtonGx* TCustomDBNumberEditGx::CreateEditButton() { return TDropDownEditButtonGx::CreateForEditor(this); }

void TCustomDBNumberEditGx::Notification(TComponent* component, TOperation operation) {
  TCustomDBEditGx::Notification(component, operation);
  if (operation == opRemove && component == calculator_) {
    calculator_ = nullptr;
    calculatorVisible_ = false;
  }
}

// ---- settings ----------------------------------------------------------------------------------

std::string TCustomDBNumberEditGx::DisplayFormat() const {
  if (displayFormatAssigned_) return displayFormat_;
  if (auto* f = dynamic_cast<TNumericField*>(Field())) return f->DisplayFormat();
  if (auto* f = dynamic_cast<TDateTimeField*>(Field())) return f->DisplayFormat();
  if (auto* f = dynamic_cast<TAggregateField*>(Field())) return f->DisplayFormat();
  return {};
}

void TCustomDBNumberEditGx::SetDisplayFormat(const std::string& value) {
  displayFormat_ = value;
  displayFormatAssigned_ = true;
  Invalidate();
  Redisplay([this] { DataChanged(); });
}

bool TCustomDBNumberEditGx::currency() const {
  if (currencyAssigned_) return currency_;
  if (auto* f = dynamic_cast<TFloatField*>(Field())) return f->currency();
  if (auto* f = dynamic_cast<TBCDField*>(Field())) return f->currency();
  if (auto* f = dynamic_cast<TAggregateField*>(Field())) return f->currency();
  return false;
}

void TCustomDBNumberEditGx::SetCurrency(bool value) {
  currency_ = value;
  currencyAssigned_ = true;
  Invalidate();
  Redisplay([this] { DataChanged(); });
}

double TCustomDBNumberEditGx::MaxValue() const {
  if (maxValueAssigned_) return maxValue_;
  TField* f = Field();
  if (auto* i = dynamic_cast<TIntegerField*>(f)) return i->MaxValue();
  if (auto* b = dynamic_cast<TBCDField*>(f)) return b->MaxValue().ToDouble();
  if (auto* d = dynamic_cast<TFloatField*>(f)) return d->MaxValue();
  return 0;
}

double TCustomDBNumberEditGx::MinValue() const {
  if (minValueAssigned_) return minValue_;
  TField* f = Field();
  if (auto* i = dynamic_cast<TIntegerField*>(f)) return i->MinValue();
  if (auto* b = dynamic_cast<TBCDField*>(f)) return b->MinValue().ToDouble();
  if (auto* d = dynamic_cast<TFloatField*>(f)) return d->MinValue();
  return 0;
}

void TCustomDBNumberEditGx::SetMaxValue(double value) {
  if (maxValueAssigned_ && maxValue_ == value) return;
  maxValue_ = value;
  maxValueAssigned_ = true;
  if (!InState(csLoading) && IsDataIndependent()) UpdateData();
}

void TCustomDBNumberEditGx::SetMinValue(double value) {
  if (minValueAssigned_ && minValue_ == value) return;
  minValue_ = value;
  minValueAssigned_ = true;
  if (!InState(csLoading) && IsDataIndependent()) UpdateData();
}

void TCustomDBNumberEditGx::SetDecimalPlaces(unsigned value) {
  if (decimalPlaces_ == value) return;
  decimalPlaces_ = value;
  Redisplay([this] { DataChanged(); });
  Invalidate();
}

TNumberRulesGx TCustomDBNumberEditGx::Rules() const { return {MinValue(), MaxValue(), decimalPlaces_}; }

double TCustomDBNumberEditGx::ConstrainValue(double value) const { return ConstrainNumber(value, Rules()); }

TAlignment TCustomDBNumberEditGx::DefaultAlignment() const {
  return Field() ? TCustomDBEditGx::DefaultAlignment() : taRightJustify;
}

void TCustomDBNumberEditGx::CreateParams(TCreateParams& params) {
  TCustomDBEditGx::CreateParams(params);
  TAlignment a = Alignment();
  if (UseRightToLeftAlignment()) {
    if (a == taLeftJustify)
      a = taRightJustify;
    else if (a == taRightJustify)
      a = taLeftJustify;
  }
  params.Style &= ~(ES_LEFT | ES_RIGHT | ES_CENTER);
  params.Style |= a == taRightJustify ? ES_RIGHT : a == taCenter ? ES_CENTER : ES_LEFT;
  windowAlignment_ = Alignment();
}

// ---- value and text ----------------------------------------------------------------------------

Variant TCustomDBNumberEditGx::GetVariantValue() const { return value_; }

void TCustomDBNumberEditGx::SetTextGuarded(std::string_view text) {
  bool saved = inTextUpdate_;
  inTextUpdate_ = true;
  try {
    TCustomMaskEdit::SetText(text);
  } catch (...) {
    inTextUpdate_ = saved;
    throw;
  }
  inTextUpdate_ = saved;
}

std::string TCustomDBNumberEditGx::GetDisplayText() const {
  if (value_.IsNull() || value_.IsEmpty()) return {};
  const double v = value_.AsDouble();
  std::string format = DisplayFormat();
  if (!format.empty()) return FormatFloat(format, v);
  if (currency() && std::fabs(v) < 9.2e14) return CurrToStrF(Currency::FromDouble(v), ffCurrency, FormatSettings.CurrencyDecimals);
  return FloatToStr(v);
}

// A value from a program or the field is held and shown as it is: bounding it here would make a
// stored value read differently in an editor that merely has the focus. What the user types,
// steps or calculates is bounded where it is entered.
void TCustomDBNumberEditGx::InternalSetValue(const Variant& value) {
  if (value.IsNull() || value.IsEmpty()) {
    SetTextGuarded("");
    value_ = Variant::Null();
    return;
  }
  value_ = Variant(value.AsDouble());
  DataLink()->SetModified();
  if (Focused() && DataLink()->CanModify()) {
    int caret = 0;
    SetTextGuarded(RegroupNumberText(FormatFloat(editFormat_, value_.AsDouble()), editFormat_, caret));
  } else {
    SetTextGuarded(GetDisplayText());
  }
}

void TCustomDBNumberEditGx::InternalSetText(std::string_view text) {
  if (text.empty()) {
    InternalSetValue(Variant::Null());
    return;
  }
  InternalSetValue(Variant(StrToFloat(NormalizeNumberText(text))));
}

void TCustomDBNumberEditGx::InternalUpdatePostData() { DataLink()->SetValue(value_); }

void TCustomDBNumberEditGx::DataChanged() {
  std::string format = DisplayFormat();
  if (!format.empty())
    editFormat_ = NumberEditFormatFromDisplayFormat(format);
  else if (currency())
    editFormat_ = ",#." + std::string(FormatSettings.CurrencyDecimals, '0');
  else
    editFormat_ = NumberEditFormatFromDisplayFormat("");
  Variant v = Variant::Null();
  if (TField* f = Field()) {
    if (!IsAlignmentStored() && f->Alignment() != windowAlignment_ && HandleAllocated()) RecreateWnd();
    if (!f->IsNull()) v = Variant(f->AsFloat());
  } else if (IsDataIndependent()) {
    const Variant& own = DataLink()->DataIndependentValue();
    if (!own.IsNull() && !own.IsEmpty()) v = Variant(own.AsDouble());
  }
  InternalSetValue(v);
  UpdateReadOnlyState();
  TCustomEdit::SetModified(false);
}

void TCustomDBNumberEditGx::Change() {
  // The value follows the typed text before OnChange and the image hear of the change.
  if (!inTextUpdate_) RegroupAndTakeValue();
  TCustomDBEditGx::Change();
}

void TCustomDBNumberEditGx::RegroupAndTakeValue() {
  // The value first: regrouping changes the text again, and that change is heard of too.
  UpdateValueFromText();
  std::string text = TCustomMaskEdit::Text();
  int caret = SelStart();
  std::string grouped = RegroupNumberText(text, editFormat_, caret);
  if (grouped != text) {
    SetTextGuarded(grouped);
    if (Focused() && !InState(csDesigning)) {
      SetSelStart(caret);
      SetSelLength(0);
    }
  }
}

void TCustomDBNumberEditGx::UpdateValueFromText() {
  std::string text = NormalizeNumberText(TCustomMaskEdit::Text());
  if (text.empty()) {
    value_ = Variant::Null();
    if (!TCustomMaskEdit::Text().empty()) SetTextGuarded("");
    return;
  }
  // A sign alone is a number begun: 0, not yet held to the bounds.
  if (text == "+" || text == "-") {
    value_ = Variant(0.0);
    return;
  }
  double v = 0;
  if (!TextToNumber(text, v)) return;  // not a number: the last value stands
  value_ = Variant(ConstrainValue(v));
}

bool TCustomDBNumberEditGx::IsValidChar(char32_t ch) {
  std::string text = TCustomMaskEdit::Text();
  int start = SelStart(), length = SelLength();
  start = std::clamp(start, 0, static_cast<int>(text.size()));
  length = std::clamp(length, 0, static_cast<int>(text.size()) - start);
  std::string typed;
  Utf8Append(typed, ch);
  text.replace(static_cast<size_t>(start), static_cast<size_t>(length), typed);
  return IsValidNumberText(NormalizeNumberText(text), Rules());
}

// ---- stepping ----------------------------------------------------------------------------------

void TCustomDBNumberEditGx::IncrementValue(bool up) {
  if (increment_ == 0 || !DataLink()->Edit()) return;
  double next = value_.IsNull() || value_.IsEmpty() ? increment_ : value_.AsDouble() + (up ? increment_ : -increment_);
  InternalSetValue(Variant(ConstrainValue(next)));
  if (Focused()) SelectAll();
}

void TCustomDBNumberEditGx::ButtonDownDefault(bool lowerHalf) {
  if (EditButton()->Style() == ebsUpDownGx) {
    if (!ReadOnly()) IncrementValue(!lowerHalf);
    return;
  }
  TCustomDBEditGx::ButtonDownDefault(lowerHalf);
}

void TCustomDBNumberEditGx::KeyDown(uint16_t& key, TShiftState shift) {
  TCustomDBEditGx::KeyDown(key, shift);
  if ((key == VK_UP || key == VK_DOWN) && !calculatorVisible_) {
    // A read-only editor takes the arrows without stepping, as it does the wheel.
    if (!ReadOnly()) IncrementValue(key == VK_UP);
    key = 0;
  }
}

void TCustomDBNumberEditGx::KeyPress(TKeyChar& key) {
  if (HolderTakesKeyPress(key)) return;
  if (calculatorVisible_ && (key == VK_RETURN || key == VK_ESCAPE)) {
    CloseUp(key == VK_RETURN);
    key = 0;
    return;
  }
  if (key == VK_BACK && SelLength() == 0) {
    // Right after a thousands separator Backspace only steps over it.
    int start = SelStart();
    std::string text = TCustomMaskEdit::Text();
    if (start > 0 && start <= static_cast<int>(text.size()) &&
        text[static_cast<size_t>(start - 1)] == FormatSettings.ThousandSeparator &&
        FormatSettings.ThousandSeparator != FormatSettings.DecimalSeparator) {
      SetSelStart(start - 1);
      key = 0;
      return;
    }
  }
  if (key == VK_ESCAPE) {
    DataLink()->Reset();
    SelectAll();
    key = 0;
    return;
  }
  if (key == '.' || key == ',') key = static_cast<TKeyChar>(static_cast<unsigned char>(FormatSettings.DecimalSeparator));
  if (key >= 32 && !IsValidChar(key)) {
    key = 0;  // dropped without a beep
    return;
  }
  TCustomDBEditGx::KeyPress(key);
}

bool TCustomDBNumberEditGx::DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) {
  if (TCustomDBEditGx::DoMouseWheelDown(shift, mousePos)) return true;
  if (shift.Contains(ssShift) || ReadOnly()) return false;
  IncrementValue(false);
  return true;
}

bool TCustomDBNumberEditGx::DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) {
  if (TCustomDBEditGx::DoMouseWheelUp(shift, mousePos)) return true;
  if (shift.Contains(ssShift) || ReadOnly()) return false;
  IncrementValue(true);
  return true;
}

// ---- calculator drop-down ----------------------------------------------------------------------

void TCustomDBNumberEditGx::DropDown() {
  TCustomDBEditGx::DropDown();
  if (calculatorVisible_) return;
  try {
    if (OnDropDownHook) OnDropDownHook(this);
    if (!calculator_) {
      calculator_ = new TPopupCalculatorGx(this);
      calculator_->FreeNotification(this);
    }
    IPopupValueBoxGx* box = calculator_;
    box->SetValue(value_.IsNull() || value_.IsEmpty() ? Variant(0.0) : value_);
    box->SetFlat(Flat());
    ShowDropDown(calculator_, AlignDropDownWindow(this, calculator_, UseRightToLeftAlignment() ? daRight : daLeft));
  } catch (...) {
    // Nothing dropped down: the main button the base pressed comes up again.
    TCustomDBEditGx::CloseUp(false);
    throw;
  }
  calculatorVisible_ = true;
  SetDroppedDown(true);
  if (HandleAllocated()) HideCaret(WindowHandle());
  SetSelLength(0);
}

void TCustomDBNumberEditGx::CloseUp(bool accept) {
  if (!calculatorVisible_) {
    TCustomDBEditGx::CloseUp(accept);
    return;
  }
  if (GetCapture() == calculator_->WindowHandle()) ReleaseCapture();
  HideDropDown(calculator_);
  if (HandleAllocated()) ShowCaret(WindowHandle());
  SetDroppedDown(false);
  TCustomDBEditGx::CloseUp(accept);
  calculatorVisible_ = false;
  if (accept && !ReadOnly() && DataLink()->Edit()) {
    Variant v = static_cast<IPopupValueBoxGx*>(calculator_)->GetValue();
    // An error shows no number: the value stays. A number is the user's entry, bounded and
    // rounded as typed text is.
    if (v.IsNumeric()) InternalSetValue(Variant(ConstrainValue(v.AsDouble())));
    if (Focused()) SelectAll();
  }
  if (OnCloseUpHook) OnCloseUpHook(this);
}

bool TCustomDBNumberEditGx::HandleCalculatorMessage(TMessage& m) {
  if (!calculatorVisible_ || !calculator_) return false;
  switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (m.WParam == VK_ESCAPE) {
        closingKey_.Closed(VK_ESCAPE);
        CloseUp(false);
        return true;
      }
      // A button's shortcut presses the button (the main one's Alt+Down closes the calculator).
      if (IsButtonShortCutKey(static_cast<uint16_t>(m.WParam), KeyDataToShiftState(m.LParam))) return false;
      // The calculator takes these keys (Delete clears it); the hidden text must not.
      if (m.WParam == VK_RETURN || m.WParam == VK_BACK || (m.WParam >= 32 && m.WParam <= 126)) {
        calculator_->Perform(m.Msg, m.WParam, m.LParam);
        return true;
      }
      return false;
    case WM_CHAR:
      if (m.WParam == VK_BACK || m.WParam == VK_RETURN || (m.WParam >= 32 && m.WParam <= 126)) {
        calculator_->Perform(m.Msg, m.WParam, m.LParam);
        return true;
      }
      return m.WParam == VK_ESCAPE;
    case WM_MOUSEWHEEL:
      calculator_->Perform(m.Msg, m.WParam, m.LParam);
      return true;
    default:
      return HandleOpenDropDownMessage(m, this, calculator_);
  }
}

void TCustomDBNumberEditGx::WndProc(TMessage& m) {
  if (closingKey_.Swallow(m)) return;
  if (HandleCalculatorMessage(m)) return;
  if (m.Msg == WM_PASTE) {
    // A pasted number is taken whatever its decimals (they are rounded away); other text is not.
    if (ReadOnly() || !Clipboard()->HasFormat(CF_TEXT)) return;
    std::string text = TCustomMaskEdit::Text();
    int start = std::clamp(SelStart(), 0, static_cast<int>(text.size()));
    int length = std::clamp(SelLength(), 0, static_cast<int>(text.size()) - start);
    text.replace(static_cast<size_t>(start), static_cast<size_t>(length), Trim(Clipboard()->AsText()));
    double v = 0;
    std::string normal = NormalizeNumberText(text);
    if (!normal.empty() && !TextToNumber(normal, v)) return;
    TNumberRulesGx rules = Rules();
    if (rules.MinValue >= 0 && rules.MaxValue > 0 && !normal.empty() && normal.front() == '-') return;
  }
  TCustomDBEditGx::WndProc(m);
}

// ---- published ---------------------------------------------------------------------------------

FANO_PUBLISHED(TDBNumberEditGx, p) {
  PublishDataEditorProperties(p);
  PublishDataEditorButton(p);
  p.Property("currency", &TCustomDBNumberEditGx::currency, &TCustomDBNumberEditGx::SetCurrency)
      .Stored(&TCustomDBNumberEditGx::IsCurrencyStored);
  p.Property("DecimalPlaces", &TCustomDBNumberEditGx::DecimalPlaces, &TCustomDBNumberEditGx::SetDecimalPlaces)
      .Default(2);
  p.Property("DisplayFormat", &TCustomDBNumberEditGx::DisplayFormat, &TCustomDBNumberEditGx::SetDisplayFormat)
      .Stored(&TCustomDBNumberEditGx::IsDisplayFormatStored);
  p.Property("Increment", &TCustomDBNumberEditGx::Increment, &TCustomDBNumberEditGx::SetIncrement)
      .Stored(&TCustomDBNumberEditGx::IsIncrementStored);
  p.Property("MaxValue", &TCustomDBNumberEditGx::MaxValue, &TCustomDBNumberEditGx::SetMaxValue)
      .Stored(&TCustomDBNumberEditGx::IsMaxValueStored);
  p.Property("MinValue", &TCustomDBNumberEditGx::MinValue, &TCustomDBNumberEditGx::SetMinValue)
      .Stored(&TCustomDBNumberEditGx::IsMinValueStored);
  p.Property("Value", &TCustomDBNumberEditGx::Value, &TCustomDBNumberEditGx::SetValue)
      .Stored(&TCustomDBNumberEditGx::IsValueStored);
}

FANO_REGISTER_CLASS(TDBNumberEditGx);

void RegisterDBNumberEditClasses() { RegisterClasses({TDBNumberEditGx::StaticClass()}); }
