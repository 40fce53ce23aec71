#include "editors/calculator_engine.h"

#include <cmath>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

double TCalculatorEngineGx::Value() const {
  if (state_ == csErrorGx) return 0;
  return StrToFloat(Trim(display_));
}

void TCalculatorEngineGx::SetValue(double value) {
  if (!std::isfinite(value)) {
    Error();
    return;
  }
  if (value == 0) value = 0;  // no "-0"
  display_ = FloatToStrF(value, ffGeneral, 15, 0);
}

void TCalculatorEngineGx::Clear() {
  state_ = csFirstGx;
  display_ = "0";
  operator_ = '=';
  operand_ = 0;
}

void TCalculatorEngineGx::Error() {
  state_ = csErrorGx;
  display_ = ErrorText;
}

void TCalculatorEngineGx::FirstDigitCheck() {
  if (state_ == csFirstGx) {
    state_ = csValidGx;
    display_ = "0";
  }
}

std::string TCalculatorEngineGx::EqualCaption() const {
  bool pending = operand_ != 0 && state_ == csValidGx &&
                 (operator_ == '+' || operator_ == '-' || operator_ == '*' || operator_ == '/');
  return pending ? "=" : "Ok";
}

bool TCalculatorEngineGx::CalcKey(char key) {
  if (key >= 'a' && key <= 'z') key = static_cast<char>(key - 'a' + 'A');
  if (state_ == csErrorGx && key != 'C' && key != 27) return false;
  const char separator = FormatSettings.DecimalSeparator;
  switch (key) {
    case ',':
    case '.':
      FirstDigitCheck();
      if (display_.find(separator) == std::string::npos) display_ += separator;
      return true;
    case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7': case '8': case '9': {
      FirstDigitCheck();
      if (display_ == "0") display_.clear();
      if (display_.find('E') == std::string::npos) {
        size_t limit = display_.find('-') != std::string::npos ? MaxDigits + 1 : MaxDigits;
        if (display_.size() < limit) display_ += key;
      }
      return true;
    }
    case 8:
      FirstDigitCheck();
      if (display_.size() == 1 || (display_.size() == 2 && display_[0] == '-'))
        display_ = "0";
      else
        display_.pop_back();
      return true;
    case 'I':
      // The sign of the text, so that a number being typed keeps its separator.
      if (display_[0] == '-')
        display_.erase(0, 1);
      else if (display_ != "0")
        display_.insert(0, 1, '-');
      return true;
    case 'R': {
      state_ = csFirstGx;
      double v = Value();
      if (v == 0)
        Error();
      else
        SetValue(1 / v);
      return true;
    }
    case 'S': {
      state_ = csFirstGx;
      double v = Value();
      if (v < 0)
        Error();
      else
        SetValue(std::sqrt(v));
      return true;
    }
    case 'C':
    case 27:
      Clear();
      return true;
    case '+': case '-': case '*': case '/': case '=': case '%': case 13: {
      if (state_ == csValidGx) {
        state_ = csFirstGx;
        double r = Value();
        if (key == '%') {
          if (operator_ == '+' || operator_ == '-')
            r = operand_ * r / 100;
          else if (operator_ == '*' || operator_ == '/')
            r = r / 100;
        }
        switch (operator_) {
          case '+': SetValue(operand_ + r); break;
          case '-': SetValue(operand_ - r); break;
          case '*': SetValue(operand_ * r); break;
          case '/':
            if (r == 0)
              Error();
            else
              SetValue(operand_ / r);
            break;
          default: SetValue(r); break;
        }
      }
      operator_ = key;
      operand_ = Value();
      return true;
    }
    default:
      return false;
  }
}
