#pragma once
// The four-function calculator's key machine, without any window: it holds the display text, the
// operand, the pending operator and the state, and answers each key as the calculator control
// and the drop-down calculator pass it on. Keys are characters: digits, the decimal separator
// ("," or "."), "+", "-", "*", "/", "=", "%", Enter (13), Backspace (8), Escape (27) and the
// letters C (clear), I (+/-), R (1/x) and S (square root), in either case.
#include <string>

enum TCalcStateGx { csFirstGx, csValidGx, csErrorGx };

class TCalculatorEngineGx {
 public:
  // The text the display shows in the error state.
  static constexpr const char* ErrorText = "Error";
  // The longest number typed, in digits (one more character for a minus sign).
  static constexpr int MaxDigits = 15;

  TCalculatorEngineGx() { Clear(); }

  const std::string& Display() const noexcept { return display_; }
  TCalcStateGx State() const noexcept { return state_; }
  double Operand() const noexcept { return operand_; }
  char Operator() const noexcept { return operator_; }

  // The shown number; 0 in the error state. A display that is not a number raises EConvertError.
  double Value() const;
  // Shows the value as a general number of 15 significant digits; a value out of the range of
  // numbers (an overflow) shows the error instead.
  void SetValue(double value);
  // State csFirstGx, 0 shown, no pending operator.
  void Clear();
  // Answers one key; false when the key means nothing to the calculator.
  bool CalcKey(char key);
  // "=" while a calculation waits for its second number, else "Ok".
  std::string EqualCaption() const;

 private:
  void FirstDigitCheck();
  void Error();

  std::string display_;
  double operand_ = 0;
  char operator_ = '=';
  TCalcStateGx state_ = csFirstGx;
};
