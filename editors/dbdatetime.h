#pragma once
// The date and time editor: a masked edit bound to a field whose mask comes from an edit format
// such as "DD/MM/YYYY" (the language of dtformat.h), with a drop-down month calendar, up/down
// stepping of the element under the caret, and its value kept as a date variant.
//
// Kind picks the format: the locale's date order, "HH:NN:SS", both, or a custom EditFormat.
// Typing never raises (an incomplete text gives Null); leaving the editor corrects the text (a day
// past the month's end becomes its last day, blank date parts come from today); posting keeps the
// field's parts that the format does not show (a date-only editor keeps the time).
//
//   auto* date = new TDBDateTimeEditGx(form);
//   date->SetDataSource(dsMain);
//   date->SetDataField("BILDA003");
//   date->SetEditFormat("YYYY-MM-DD");      // Kind becomes dtkCustomGx
#include <functional>
#include <string>

#include "editors/dbeditbase.h"
#include "editors/dbeditors_dropdown.h"
#include "editors/dtformat.h"
#include "editors/popups.h"

using TCloseUpEventGx = std::function<void(TObject* sender, bool accept)>;

class TCustomDBDateTimeEditGx : public TCustomDBEditGx {
  FANO_CLASS(TCustomDBDateTimeEditGx)
 public:
  explicit TCustomDBDateTimeEditGx(TComponent* owner);
  ~TCustomDBDateTimeEditGx() override;

  TDateTimeKindGx Kind() const noexcept { return kind_; }
  // Raises the format's error for a malformed custom format.
  void SetKind(TDateTimeKindGx value);
  bool IsKindStored() const noexcept { return kind_ != dtkCustomGx; }
  // The custom format; setting it makes Kind dtkCustomGx.
  const std::string& EditFormat() const noexcept { return editFormat_; }
  void SetEditFormat(const std::string& value);
  bool IsEditFormatStored() const noexcept { return kind_ == dtkCustomGx; }
  // The format in use (by Kind), its FormatDateTime form and where its elements stand.
  std::string CurrentEditFormat() const;
  const std::string& DisplayFormat() const noexcept { return displayFormat_; }
  const TDateTimeElementsGx& Elements() const noexcept { return elements_; }
  bool FourDigitYear() const noexcept { return fourDigitYear_; }
  // Null until the calendar first drops down.
  TPopupMonthCalendarGx* Calendar() const noexcept { return calendar_; }

  // Steps the element under the caret (as the up-down button and the arrow keys do).
  void StepElement(bool up);

  TCloseUpEventGx OnCloseUp;
  TNotifyEvent OnDropDown;

  virtual void UpdateFourDigitYear();
  virtual void UpdateFormats();

  // ---- overrides of the base editor
  Variant GetVariantValue() const override;
  std::string GetDisplayTextForPaint() override;
  void ButtonDownDefault(bool lowerHalf) override;
  void CloseUp(bool accept) override;
  void DataChanged() override;
  void DropDown() override;
  void EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) override;
  void FilterMRUItem(const std::string& text, bool& accept) override;
  std::string MRUFilterText() override;
  void InternalSetText(std::string_view text) override;
  void InternalSetValue(const Variant& value) override;
  void InternalUpdatePostData() override;
  void ValidateEdit() override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyPress(TKeyChar& key) override;
  bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) override;
  void WndProc(TMessage& m) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  TEditButtonGx* CreateEditButton() override;
  void Change() override;

 private:
  // Sets the shown text without taking a value from it.
  void SetTextInternally(std::string_view text);
  void SetMaskInternally(const std::string& mask);
  void ValueFromText();
  std::string FormatValue(TDateTime value) const;
  bool CanStep();
  bool HandleCalendarMessage(TMessage& m);
  // A typed separator selects the element after that separator's next place in the text.
  void JumpToNextElement(char32_t separator);
  // Typing into an empty editor starts at its first element, and typing into an element whose
  // places before the caret are blank starts at the element's beginning.
  void MoveCaretToTypingStart();
  // Whether the caret stands right after a literal that shows `key` (the mask passed it already).
  bool JustPassedLiteral(char32_t key);

  TPopupMonthCalendarGx* calendar_ = nullptr;
  bool inValidation_ = false;
  bool internalTextSet_ = false;
  TDateTimeKindGx kind_ = dtkDateGx;
  Variant value_;
  std::string editFormat_;
  std::string displayFormat_;
  TDateTimeElementsGx elements_{};
  bool fourDigitYear_ = false;
  TClosingKeyGx closingKey_;
};

class TDBDateTimeEditGx : public TCustomDBDateTimeEditGx {
  FANO_CLASS(TDBDateTimeEditGx)
 public:
  explicit TDBDateTimeEditGx(TComponent* owner) : TCustomDBDateTimeEditGx(owner) {}
};

void RegisterDBDateTimeEditClasses();
