#include "editors/dbdatetime.h"

#include <algorithm>

#include "editors/dbeditors_published.h"
#include "editors/tools/gxplatform.h"
#include "platform/classes/classreg.h"
#include "platform/db/dataset.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_COMPONENT(TCustomDBDateTimeEditGx, TCustomDBEditGx)
FANO_IMPLEMENT_COMPONENT(TDBDateTimeEditGx, TCustomDBDateTimeEditGx)

namespace {

int DateCharCount(std::string_view s) { return static_cast<int>(Utf8CharCount(s)); }

bool HasValue(const Variant& v) { return !v.IsNull() && !v.IsEmpty(); }

std::u32string Chars(std::string_view s) {
  std::u32string out;
  size_t pos = 0;
  while (pos < s.size()) out.push_back(Utf8Decode(s, pos));
  return out;
}

}  // namespace

TCustomDBDateTimeEditGx::TCustomDBDateTimeEditGx(TComponent* owner)
    : TCustomDBEditGx(owner), value_(Variant::Null()) {
  SetControlStyle(ControlStyle() - csSetCaption);
  RecreateEditButton();
  fourDigitYear_ = DateTimeEditLocaleFourDigitYear();
  UpdateFormats();
}

TCustomDBDateTimeEditGx::~TCustomDBDateTimeEditGx() = default;

TEditButtonGx* TCustomDBDateTimeEditGx::CreateEditButton() { return TVisibleEditButtonGx::CreateForEditor(this); }

void TCustomDBDateTimeEditGx::Notification(TComponent* component, TOperation operation) {
  TCustomDBEditGx::Notification(component, operation);
  if (operation == opRemove && component == calendar_) {
    calendar_ = nullptr;
    SetDroppedDown(false);
  }
}

// ---- formats -----------------------------------------------------------------------------------

std::string TCustomDBDateTimeEditGx::CurrentEditFormat() const {
  return DateTimeEditFormatOfKind(kind_, fourDigitYear_, editFormat_);
}

void TCustomDBDateTimeEditGx::UpdateFourDigitYear() {
  bool four = DateTimeEditLocaleFourDigitYear();
  if (four == fourDigitYear_) return;
  fourDigitYear_ = four;
  Redisplay([this] {
    UpdateFormats();
    InternalSetValue(value_);
  });
}

void TCustomDBDateTimeEditGx::UpdateFormats() {
  std::string format = CurrentEditFormat();
  std::string mask;
  if (format.empty()) {
    displayFormat_.clear();
    elements_ = TDateTimeElementsGx{};
  } else {
    displayFormat_ = DateTimeEditDisplayFormat(format);
    TDateTimeElementsGx elements;
    DateTimeEditParseFormat(format, elements, mask);  // a malformed format keeps the previous mask
    elements_ = elements;
  }
  // The mask edit refits the old text to the new mask; that text is not the value in the new
  // format, so it must not be read back as one (the caller shows the value again).
  SetMaskInternally(mask);
}

void TCustomDBDateTimeEditGx::SetMaskInternally(const std::string& mask) {
  bool saved = internalTextSet_;
  internalTextSet_ = true;
  try {
    TCustomMaskEdit::SetEditMask(mask);
  } catch (...) {
    internalTextSet_ = saved;
    throw;
  }
  internalTextSet_ = saved;
}

void TCustomDBDateTimeEditGx::SetKind(TDateTimeKindGx value) {
  kind_ = value;
  Redisplay([this] {
    UpdateFormats();
    InternalSetValue(value_);
  });
}

void TCustomDBDateTimeEditGx::SetEditFormat(const std::string& value) {
  editFormat_ = value;
  kind_ = dtkCustomGx;
  Redisplay([this] {
    UpdateFormats();
    InternalSetValue(value_);
  });
}

std::string TCustomDBDateTimeEditGx::FormatValue(TDateTime value) const {
  return IsMasked() ? FormatDateTime(displayFormat_, value) : DateTimeToStr(value);
}

// ---- value and text ----------------------------------------------------------------------------

Variant TCustomDBDateTimeEditGx::GetVariantValue() const { return value_; }

void TCustomDBDateTimeEditGx::SetTextInternally(std::string_view text) {
  bool saved = internalTextSet_;
  internalTextSet_ = true;
  try {
    if (IsMasked() && text.empty())
      TCustomMaskEdit::SetEditText(FormatMaskText(EditMask(), ""));
    else
      TCustomMaskEdit::SetText(text);
  } catch (...) {
    internalTextSet_ = saved;
    throw;
  }
  internalTextSet_ = saved;
}

void TCustomDBDateTimeEditGx::InternalSetValue(const Variant& value) {
  if (!HasValue(value)) {
    value_ = Variant::Null();
    SetTextInternally("");
    return;
  }
  value_ = Variant::FromDateTime(value.AsDateTime());
  SetTextInternally(FormatValue(value_.AsDateTime()));
}

void TCustomDBDateTimeEditGx::InternalSetText(std::string_view text) {
  Variant v = value_;
  if (IsMasked()) {
    TDateTimeValuesGx values;
    DateTimeEditTextToValues(text, elements_, values);
    if (!DateTimeEditValuesToVariant(values, elements_, v, false))
      throw Exception("Invalid datetime: \"" + std::string(text) + "\"");
  } else {
    v = Trim(text).empty() ? Variant::Null() : Variant::FromDateTime(StrToDateTime(text));
  }
  InternalSetValue(v);
}

void TCustomDBDateTimeEditGx::ValueFromText() {
  std::string text = TCustomMaskEdit::EditText();
  if (IsMasked()) {
    TDateTimeValuesGx values;
    DateTimeEditTextToValues(text, elements_, values);
    Variant v = value_;
    value_ = DateTimeEditValuesToVariant(values, elements_, v, false) ? v : Variant::Null();
  } else {
    TDateTime dt = 0;
    value_ = TryStrToDateTime(text, dt) ? Variant::FromDateTime(dt) : Variant::Null();
  }
}

void TCustomDBDateTimeEditGx::Change() {
  if (!internalTextSet_) ValueFromText();
  TCustomDBEditGx::Change();
}

void TCustomDBDateTimeEditGx::ValidateEdit() {
  if (inValidation_) return;
  inValidation_ = true;
  try {
    TCustomMaskEdit::ValidateEdit();
    if (IsMasked()) {
      const std::string shown = TCustomMaskEdit::EditText();
      if (int bad = DateTimeEditImpossibleElement(shown, elements_); bad >= 0) {
        // Not corrected into some other date: the clerk fixes it in place.
        if (!InState(csDesigning) && HandleAllocated() && CanFocus() && !Focused()) SetFocus();
        if (HandleAllocated()) SetSel(elements_[bad].Pos - 1, elements_[bad].Pos - 1 + elements_[bad].Length);
        throw Exception("Invalid datetime: \"" + shown + "\"");
      }
      TDateTimeValuesGx values;
      DateTimeEditTextToValues(TCustomMaskEdit::EditText(), elements_, values);
      Variant v = value_;
      DateTimeEditValuesToVariant(values, elements_, v, true);
      value_ = HasValue(v) ? v : Variant::Null();
      SetTextInternally(HasValue(v) ? FormatDateTime(displayFormat_, v.AsDateTime()) : std::string());
    }
  } catch (...) {
    inValidation_ = false;
    throw;
  }
  inValidation_ = false;
}

void TCustomDBDateTimeEditGx::DataChanged() {
  Variant v = Variant::Null();
  if (TField* f = Field()) {
    if (!IsAlignmentStored() && f->Alignment() != Alignment()) Invalidate();
    if (!f->IsNull()) v = Variant::FromDateTime(f->AsDateTime());
  } else if (IsDataIndependent()) {
    v = DataLink()->DataIndependentValue();
  }
  InternalSetValue(v);
  UpdateReadOnlyState();
  TCustomEdit::SetModified(false);
}

void TCustomDBDateTimeEditGx::InternalUpdatePostData() {
  if (!IsMasked()) {
    std::string text = Trim(TCustomMaskEdit::Text());
    DataLink()->SetValue(text.empty() ? Variant::Null() : Variant::FromDateTime(StrToDateTime(text)));
    return;
  }
  if (!HasValue(value_)) {
    DataLink()->SetValue(Variant::Null());
    return;
  }
  // Parts the format does not show keep the field's.
  Variant target = Variant::Null();
  if (TField* f = Field())
    target = f->IsNull() ? Variant::Null() : Variant::FromDateTime(f->AsDateTime());
  else
    target = DataLink()->DataIndependentValue();
  if (HasValue(target)) {
    try {
      target = Variant::FromDateTime(target.AsDateTime());
    } catch (const Exception&) {
      target = Variant::Null();
    }
  }
  if (!HasValue(target)) {
    DataLink()->SetValue(value_);  // nothing to keep parts from
    return;
  }
  TDateTimeValuesGx values = DateTimeEditSplitValue(value_.AsDateTime());
  DateTimeEditValuesToVariant(values, elements_, target, true);
  DataLink()->SetValue(target);
}

std::string TCustomDBDateTimeEditGx::GetDisplayTextForPaint() {
  TField* f = Field();
  if (InState(csDesigning) && !DataLink()->Active()) return Name();
  if (ControlState().Contains(csPaintCopy) && f) {
    if (f->IsNull()) return {};
    return FormatValue(f->AsDateTime());
  }
  return TCustomDBEditGx::GetDisplayTextForPaint();
}

std::string TCustomDBDateTimeEditGx::MRUFilterText() {
  std::string text = TCustomMaskEdit::EditText();
  while (!text.empty() && (text.back() == ' ' || text.back() == FormatSettings.DateSeparator)) text.pop_back();
  return text;
}

void TCustomDBDateTimeEditGx::FilterMRUItem(const std::string& item, bool& accept) {
  std::string text = MRUFilterText();
  int length = DateCharCount(text);
  size_t pos = 0;
  for (int i = 0; i < length && pos < item.size(); ++i) Utf8Decode(item, pos);
  accept = AnsiCompareTextGx(item.substr(0, pos), text) == 0;
}

void TCustomDBDateTimeEditGx::EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) {
  TCustomDBEditGx::EditButtonMouseMove(sender, shift, x, y);
  if (DroppedDown()) HandButtonPressToDropDown(this, sender, shift, x, y, calendar_);
}

// ---- stepping ----------------------------------------------------------------------------------

bool TCustomDBDateTimeEditGx::CanStep() { return IsMasked() && !ReadOnly() && DataLink()->CanModify(); }

void TCustomDBDateTimeEditGx::StepElement(bool up) {
  if (!CanStep() || !DataLink()->Edit()) return;
  int start = 0, stop = 0;
  GetSel(start, stop);
  std::string newText;
  int length = 0, position = start + 1;
  if (!DateTimeEditStepElement(TCustomMaskEdit::EditText(), DateTimeEditTemplate(CurrentEditFormat()), up, newText,
                               length, position))
    return;
  // The stepped text is the user's change: the value follows it before OnChange hears of it.
  TCustomMaskEdit::SetEditText(newText);
  ValueFromText();
  DataLink()->SetModified();
  TCustomEdit::SetModified(true);
  SetSel(position - 1, position - 1 + (stop - start));
}

void TCustomDBDateTimeEditGx::ButtonDownDefault(bool lowerHalf) {
  if (EditButton()->Style() == ebsUpDownGx) {
    if (CanStep()) StepElement(!lowerHalf);
    return;
  }
  TCustomDBEditGx::ButtonDownDefault(lowerHalf);
}

void TCustomDBDateTimeEditGx::JumpToNextElement(char32_t separator) {
  std::u32string text = Chars(TCustomMaskEdit::EditText());
  std::u32string tpl = Chars(DateTimeEditTemplate(CurrentEditFormat()));
  int start = 0, stop = 0;
  GetSel(start, stop);
  // The element after the next place that shows the very separator typed; none: the first place.
  size_t at = text.find(separator, static_cast<size_t>(std::max(start, 0)));
  if (at == std::u32string::npos && text.find(separator) == std::u32string::npos) {
    // A format that shows this separator nowhere (年 月 日, say): sent back to the first element
    // each time, the digits that follow would overwrite the year and the field would take a date
    // never typed. Here it moves past the next literal instead; just past one, it stays.
    size_t caret = static_cast<size_t>(std::max(start, 0));
    if (caret > 0 && caret < tpl.size() && !IsDateTimeElementLetter(tpl[caret - 1]) &&
        IsDateTimeElementLetter(tpl[caret]))
      return;
    at = caret;
    while (at < tpl.size() && IsDateTimeElementLetter(tpl[at])) ++at;
    while (at < tpl.size() && !IsDateTimeElementLetter(tpl[at])) ++at;
  } else {
    at = at == std::u32string::npos ? 0 : at + 1;
  }
  if (at >= tpl.size()) {
    at = 0;
    while (at < tpl.size() && !IsDateTimeElementLetter(tpl[at])) ++at;
    if (at >= tpl.size()) return;
  }
  if (!IsDateTimeElementLetter(tpl[at])) return;
  size_t end = at;
  while (end < tpl.size() && tpl[end] == tpl[at]) ++end;
  SetSel(static_cast<int>(at), static_cast<int>(end));
}

void TCustomDBDateTimeEditGx::MoveCaretToTypingStart() {
  std::u32string text = Chars(TCustomMaskEdit::EditText());
  std::u32string tpl = Chars(DateTimeEditTemplate(CurrentEditFormat()));
  int start = 0, stop = 0;
  GetSel(start, stop);
  if (stop - start > 1 || start < 0) return;
  auto blank = [&](size_t i) { return i >= text.size() || !(text[i] >= '0' && text[i] <= '9'); };
  size_t at = static_cast<size_t>(start);
  bool empty = true;
  for (size_t i = 0; i < tpl.size(); ++i)
    if (IsDateTimeElementLetter(tpl[i]) && !blank(i)) empty = false;
  if (empty) {
    at = 0;
    while (at < tpl.size() && !IsDateTimeElementLetter(tpl[at])) ++at;
  } else if (at < tpl.size() && IsDateTimeElementLetter(tpl[at])) {
    size_t first = at;
    while (first > 0 && tpl[first - 1] == tpl[at]) --first;
    bool before = false;
    for (size_t i = first; i < at; ++i) before = before || !blank(i);
    if (!before) at = first;
  }
  if (at >= tpl.size() || at == static_cast<size_t>(start)) return;
  SetSel(static_cast<int>(at), static_cast<int>(at) + 1);
}

bool TCustomDBDateTimeEditGx::JustPassedLiteral(char32_t key) {
  std::u32string text = Chars(TCustomMaskEdit::EditText());
  std::u32string tpl = Chars(DateTimeEditTemplate(CurrentEditFormat()));
  int start = 0, stop = 0;
  GetSel(start, stop);
  if (stop - start > 1 || start < 1) return false;
  size_t before = static_cast<size_t>(start - 1);
  return before < text.size() && before < tpl.size() && !IsDateTimeElementLetter(tpl[before]) && text[before] == key;
}

// ---- keys and wheel ----------------------------------------------------------------------------

void TCustomDBDateTimeEditGx::KeyDown(uint16_t& key, TShiftState shift) {
  if (HolderTakesKeyDown(key, shift)) return;
  if (!IsMasked()) {
    TCustomDBEditGx::KeyDown(key, shift);
    return;
  }
  const bool plain = shift.Empty();
  if ((key == VK_UP || key == VK_DOWN) && plain && !ReadOnly() && !DroppedDown()) {
    const bool up = key == VK_UP;
    TCustomDBEditGx::KeyDown(key, shift);
    if (key != 0 && DataLink()->CanModify()) {
      StepElement(up);
      key = 0;
    }
    return;
  }
  if ((key == VK_LEFT || key == VK_RIGHT) && plain) {
    int start = 0, stop = 0;
    GetSel(start, stop);
    const bool left = key == VK_LEFT;
    TCustomDBEditGx::KeyDown(key, shift);
    // Whatever the mask did with the key, a wide selection collapses to one of its ends.
    if (stop - start > 1) {
      int at = left ? start : stop - 1;
      SetSel(at, at);
      key = 0;
    }
    return;
  }
  if (key == VK_DELETE && !ReadOnly()) DataLink()->Edit();
  TCustomDBEditGx::KeyDown(key, shift);
}

void TCustomDBDateTimeEditGx::KeyPress(TKeyChar& key) {
  if (HolderTakesKeyPress(key)) return;
  // A separator typed after the digits that filled an element finds the caret past it already.
  if (IsMasked() && key > 32 && !(key >= '0' && key <= '9') && JustPassedLiteral(key)) {
    key = 0;
    return;
  }
  if (IsMasked() && key != 0 &&
      (key == static_cast<unsigned char>(FormatSettings.DateSeparator) ||
       key == static_cast<unsigned char>(FormatSettings.TimeSeparator))) {
    JumpToNextElement(key);
    key = 0;
    return;
  }
  if (IsMasked() && key >= '0' && key <= '9' && !ReadOnly()) MoveCaretToTypingStart();
  // The mask takes a character only from a writable window: start editing first.
  if (IsMasked() && (key == VK_BACK || key >= 32) && !ReadOnly()) DataLink()->Edit();
  TCustomDBEditGx::KeyPress(key);
}

bool TCustomDBDateTimeEditGx::DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) {
  if (TCustomDBEditGx::DoMouseWheelDown(shift, mousePos)) return true;
  if (!shift.Empty() || !CanStep()) return false;
  StepElement(false);
  return true;
}

bool TCustomDBDateTimeEditGx::DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) {
  if (TCustomDBEditGx::DoMouseWheelUp(shift, mousePos)) return true;
  if (!shift.Empty() || !CanStep()) return false;
  StepElement(true);
  return true;
}

// ---- calendar drop-down ------------------------------------------------------------------------

void TCustomDBDateTimeEditGx::DropDown() {
  const bool wasDropped = DroppedDown();
  TCustomDBEditGx::DropDown();
  if (wasDropped && calendar_ && IsWindowVisible(calendar_->WindowHandle())) return;
  try {
    if (OnDropDown) OnDropDown(this);
    if (!calendar_) {
      calendar_ = new TPopupMonthCalendarGx(this);
      calendar_->FreeNotification(this);
    }
    calendar_->SetDate(HasValue(value_) ? DateOf(value_.AsDateTime()) : Date());
    calendar_->HandleNeeded();
    TSize size = calendar_->PopupSize();
    calendar_->SetBounds(calendar_->Left(), calendar_->Top(), size.cx, size.cy);
    TDropDownAlign align = UseRightToLeftAlignment() ? daRight : daLeft;
    ShowDropDown(calendar_, AlignDropDownWindow(this, calendar_, align));
  } catch (...) {
    // Nothing dropped down: the main button the base pressed comes up again.
    TCustomDBEditGx::CloseUp(false);
    throw;
  }
  SetDroppedDown(true);
}

void TCustomDBDateTimeEditGx::CloseUp(bool accept) {
  if (!DroppedDown() || !calendar_) {
    TCustomDBEditGx::CloseUp(accept);
    return;
  }
  SetDroppedDown(false);
  if (GetCapture() && (GetCapture() == calendar_->WindowHandle() || IsChild(calendar_->WindowHandle(), GetCapture())))
    ReleaseCapture();
  HWND focus = GetFocus();
  if (focus && (focus == calendar_->WindowHandle() || IsChild(calendar_->WindowHandle(), focus)) && CanFocus())
    SetFocus();
  HideDropDown(calendar_);
  TCustomDBEditGx::CloseUp(accept);
  if (HandleAllocated()) PostMessage(WindowHandle(), WM_EDITORHOSTNOTICE, 0, 0);
  if (accept && !ReadOnly() && DataLink()->Edit()) {
    TDateTime picked = DateOf(calendar_->Date());
    if (HasValue(value_)) picked = ComposeDateTime(picked, TimeOf(value_.AsDateTime()));
    Variant v = value_;
    DateTimeEditValuesToVariant(DateTimeEditSplitValue(picked), elements_, v, true);
    InternalSetValue(v);
    DataLink()->SetModified();
    TCustomEdit::SetModified(true);
    if (Focused()) SelectAll();
  }
  if (OnCloseUp) OnCloseUp(this, accept);
}

bool TCustomDBDateTimeEditGx::HandleCalendarMessage(TMessage& m) {
  if (!DroppedDown() || !calendar_) return false;
  switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR: {
      const WPARAM key = m.WParam;
      if (m.Msg == WM_KEYDOWN && (key == VK_RETURN || key == VK_ESCAPE)) {
        closingKey_.Closed(key);
        CloseUp(key == VK_RETURN);
        return true;
      }
      if (m.Msg == WM_CHAR && (key == '\r' || key == 27)) return true;
      const bool ctrl = GetKeyState(VK_CONTROL) < 0;
      bool calendarKey = key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN || key == VK_LEFT ||
                         key == VK_RIGHT || (ctrl && (key == VK_HOME || key == VK_END));
      if (m.Msg == WM_CHAR || !calendarKey) return false;
      // A button's shortcut presses the button (the main one's Alt+Down closes the calendar).
      if (IsButtonShortCutKey(static_cast<uint16_t>(key), KeyDataToShiftState(m.LParam))) return false;
      calendar_->Perform(m.Msg, m.WParam, m.LParam);
      return true;
    }
    case WM_MOUSEWHEEL:
      calendar_->Perform(m.Msg, m.WParam, m.LParam);
      return true;
    default:
      return HandleOpenDropDownMessage(m, this, calendar_);
  }
}

void TCustomDBDateTimeEditGx::WndProc(TMessage& m) {
  if (closingKey_.Swallow(m)) return;
  if (HandleCalendarMessage(m)) return;
  if (m.Msg == CM_ENTER) UpdateFourDigitYear();
  TCustomDBEditGx::WndProc(m);
}

// ---- published ---------------------------------------------------------------------------------

FANO_ENUM_NAMES(TDateTimeKindGx, "dtkDateGx", "dtkTimeGx", "dtkDateTimeGx", "dtkCustomGx");

FANO_PUBLISHED(TDBDateTimeEditGx, p) {
  PublishDataEditorProperties(p);
  PublishDataEditorButton(p);
  p.Property("EditFormat", &TCustomDBDateTimeEditGx::EditFormat, &TCustomDBDateTimeEditGx::SetEditFormat)
      .Stored(&TCustomDBDateTimeEditGx::IsEditFormatStored);
  p.Property("Kind", &TCustomDBDateTimeEditGx::Kind, &TCustomDBDateTimeEditGx::SetKind)
      .Stored(&TCustomDBDateTimeEditGx::IsKindStored);
  p.Property("Value", &TCustomDBDateTimeEditGx::Value, &TCustomDBDateTimeEditGx::SetValue)
      .Stored(&TCustomDBDateTimeEditGx::IsValueStored);
  p.Property("OnCloseUp", &TCustomDBDateTimeEditGx::OnCloseUp);
  p.Property("OnDropDown", &TCustomDBDateTimeEditGx::OnDropDown);
}

FANO_REGISTER_CLASS(TDBDateTimeEditGx);

void RegisterDBDateTimeEditClasses() { RegisterClasses({TDBDateTimeEditGx::StaticClass()}); }
