#pragma once
// The number editor: a floating-point value bound to a numeric field or held by itself.
//
// While focused it shows the number in an edit format whose thousands grouping follows every
// keystroke (the caret stays beside the same digit); unfocused it shows the display format. Only
// characters that keep the text a number with at most DecimalPlaces decimals are taken; values
// are constrained to MinValue..MaxValue and rounded to DecimalPlaces; arrow keys, the wheel and an
// up-down button step by Increment; the main button drops down the calculator.
//
//   auto* amount = new TDBNumberEditGx(form);
//   amount->SetDataSource(dsLines);
//   amount->SetDataField("BILDB005");
//   amount->SetDisplayFormat(",0.00");
#include <functional>
#include <string>

#include "editors/calculator.h"
#include "editors/dbeditbase.h"
#include "editors/dbeditors_dropdown.h"
#include "editors/dbnumberedit_text.h"

class TCustomDBNumberEditGx : public TCustomDBEditGx {
  FANO_CLASS(TCustomDBNumberEditGx)
 public:
  explicit TCustomDBNumberEditGx(TComponent* owner);
  ~TCustomDBNumberEditGx() override;

  // The own setting when assigned, else the field's.
  std::string DisplayFormat() const;
  void SetDisplayFormat(const std::string& value);
  bool IsDisplayFormatStored() const noexcept { return displayFormatAssigned_; }
  bool currency() const;
  void SetCurrency(bool value);
  bool IsCurrencyStored() const noexcept { return currencyAssigned_; }
  double MaxValue() const;
  void SetMaxValue(double value);
  bool IsMaxValueStored() const noexcept { return maxValueAssigned_; }
  double MinValue() const;
  void SetMinValue(double value);
  bool IsMinValueStored() const noexcept { return minValueAssigned_; }
  unsigned DecimalPlaces() const noexcept { return decimalPlaces_; }
  void SetDecimalPlaces(unsigned value);
  double Increment() const noexcept { return increment_; }
  void SetIncrement(double value) noexcept { increment_ = value; }
  bool IsIncrementStored() const noexcept { return increment_ != 1.0; }
  // The format the focused editor shows the value in (derived from the display format).
  const std::string& EditFormat() const noexcept { return editFormat_; }
  bool CalculatorVisible() const noexcept { return calculatorVisible_; }
  // Null until the calculator first drops down.
  TPopupCalculatorGx* Calculator() const noexcept { return calculator_; }

  // Bounds and rounding of the editor.
  double ConstrainValue(double value) const;
  // Value +/- Increment (Increment itself on an empty editor), constrained.
  void IncrementValue(bool up);
  // The text shown while not editing: display format, currency or the plain number.
  std::string GetDisplayText() const;

  TNotifyEvent OnDropDownHook;
  TNotifyEvent OnCloseUpHook;

  // ---- overrides of the base editor
  TAlignment DefaultAlignment() const override;
  Variant GetVariantValue() const override;
  bool IsValidChar(char32_t ch) override;
  void ButtonDownDefault(bool lowerHalf) override;
  void CloseUp(bool accept) override;
  void DataChanged() override;
  void DropDown() override;
  void InternalSetText(std::string_view text) override;
  void InternalSetValue(const Variant& value) override;
  void InternalUpdatePostData() override;
  void CreateParams(TCreateParams& params) override;
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
  TNumberRulesGx Rules() const;
  void SetTextGuarded(std::string_view text);
  // Regroups the text as typed, keeping the caret, then takes the value from it.
  void RegroupAndTakeValue();
  void UpdateValueFromText();
  bool HandleCalculatorMessage(TMessage& m);

  bool displayFormatAssigned_ = false;
  bool currencyAssigned_ = false;
  bool maxValueAssigned_ = false;
  bool minValueAssigned_ = false;
  bool calculatorVisible_ = false;
  bool currency_ = false;
  unsigned decimalPlaces_ = 2;
  std::string displayFormat_;
  TPopupCalculatorGx* calculator_ = nullptr;
  std::string editFormat_;
  double increment_ = 1.0;
  bool inTextUpdate_ = false;
  TClosingKeyGx closingKey_;
  double minValue_ = 0;
  double maxValue_ = 0;
  Variant value_;
  TAlignment windowAlignment_ = taRightJustify;
};

class TDBNumberEditGx : public TCustomDBNumberEditGx {
  FANO_CLASS(TDBNumberEditGx)
 public:
  explicit TDBNumberEditGx(TComponent* owner) : TCustomDBNumberEditGx(owner) {}
};

void RegisterDBNumberEditClasses();
