#include "editors/dbnumberedit_text.h"

#include <cmath>

#include "platform/rtl/sysutils.h"

std::string NormalizeNumberText(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) < 33) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) < 33) --e;
  const char dec = FormatSettings.DecimalSeparator;
  const char thousands = FormatSettings.ThousandSeparator;
  std::string out;
  out.reserve(e - b);
  for (size_t i = b; i < e; ++i) {
    char c = text[i];
    if (dec != thousands && c == thousands) continue;
    if ((c == '.' || c == ',') && c != dec && c != thousands) c = dec;
    out += c;
  }
  return out;
}

bool TextToNumber(std::string_view text, double& value) {
  const char dec = FormatSettings.DecimalSeparator;
  for (char c : text)
    if (!(c == '+' || c == '-' || (c >= '0' && c <= '9') || c == 'E' || c == 'e' || c == dec)) return false;
  if (text == "+" || text == "-") {
    value = 0;
    return true;
  }
  return TryStrToFloat(text, value);
}

bool IsValidNumberText(std::string_view text, const TNumberRulesGx& rules) {
  if (text.empty()) return true;
  size_t sep = text.find(FormatSettings.DecimalSeparator);
  if (sep != std::string_view::npos) {
    size_t exponent = text.find_first_of("Ee", sep + 1);
    size_t decimals = (exponent == std::string_view::npos ? text.size() : exponent) - sep - 1;
    if (decimals > rules.DecimalPlaces) return false;
  }
  double value = 0;
  if (!TextToNumber(text, value)) return false;
  if (rules.MinValue >= 0 && rules.MaxValue > 0 && (value < 0 || text.front() == '-')) return false;
  return true;
}

std::string FormatNumberText(std::string_view text, bool grouping) {
  std::string sign;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    sign = text.substr(0, 1);
    text.remove_prefix(1);
  }
  size_t intEnd = text.find_first_of(std::string{FormatSettings.DecimalSeparator, 'E', 'e'});
  if (intEnd == std::string_view::npos) intEnd = text.size();
  std::string_view digits = text.substr(0, intEnd);
  std::string grouped;
  grouped.reserve(digits.size() + digits.size() / 3);
  int count = 0;
  for (size_t i = digits.size(); i-- > 0;) {
    grouped.insert(grouped.begin(), digits[i]);
    if (grouping && ++count % 3 == 0 && i > 0) grouped.insert(grouped.begin(), FormatSettings.ThousandSeparator);
  }
  return sign + grouped + std::string(text.substr(intEnd));
}

std::string RegroupNumberText(std::string_view text, std::string_view editFormat, int& caret) {
  if (text.empty() || text == "-") return std::string(text);
  std::string result =
      FormatNumberText(NormalizeNumberText(text), editFormat.find(',') != std::string_view::npos);
  caret += static_cast<int>(result.size()) - static_cast<int>(text.size());
  if (caret < 0) caret = 0;
  return result;
}

std::string NumberEditFormatFromDisplayFormat(std::string_view displayFormat) {
  std::string out;
  for (size_t i = 0; i < displayFormat.size(); ++i) {
    char c = displayFormat[i];
    if (c == ';') break;
    if (c == '"' || c == '\'') {
      size_t close = displayFormat.find(c, i + 1);
      if (close == std::string_view::npos) break;
      i = close;
      continue;
    }
    if (c == '#' || c == '0' || c == ',' || c == '.') {
      out += c;
    } else if ((c == 'E' || c == 'e') && i + 1 < displayFormat.size() && displayFormat[i + 1] == '+') {
      ++i;
      for (int n = 0; n < 4 && i + 1 < displayFormat.size() && displayFormat[i + 1] == '0'; ++n) ++i;
    }
  }
  return out;
}

double ConstrainNumber(double value, const TNumberRulesGx& rules) {
  if (std::isnan(value)) return value;
  const double lo = rules.MinValue, hi = rules.MaxValue;
  if (lo < hi) {
    if (value < lo) value = lo;
    if (value > hi) value = hi;
  } else if (lo > hi) {
    if (hi == 0) {
      if (value < lo) value = lo;
    } else if (lo == 0) {
      if (value > hi) value = hi;
    }
  }
  if (!std::isfinite(value)) return value;
  if (rules.DecimalPlaces == 0) return RoundHalfEven(value);
  if (rules.DecimalPlaces > 37) return value;
  // Scaling in floating point: beyond 2^53 the scaled value has no fraction left to round, and an
  // overflow would turn the value into infinity; both leave the value as it is.
  const double scale = std::pow(10.0, static_cast<double>(rules.DecimalPlaces));
  const double scaled = value * scale;
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 9007199254740992.0) return value;
  double rounded = RoundHalfEven(scaled) / scale;
  return std::isfinite(rounded) ? rounded : value;
}
