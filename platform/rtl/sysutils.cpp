#include "platform/rtl/sysutils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/os/clock.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/variant.h"

TFormatSettings FormatSettings;

const TFormatSettings& TFormatSettings::Invariant() {
  static const TFormatSettings invariant;
  return invariant;
}

namespace {

bool IsBlank(char c) noexcept { return static_cast<unsigned char>(c) <= ' '; }
bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
char Upper(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

std::string_view TrimView(std::string_view s) noexcept {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string Quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

// ---------------------------------------------------------------- decimal digits

// A number as its significant decimal digits: value = 0.digits × 10^exponent.
struct Decimal {
  bool negative = false;
  std::string digits;  // no leading or trailing zeros; empty for zero
  int exponent = 0;

  bool IsZero() const noexcept { return digits.empty(); }

  void TrimTrailingZeros() {
    size_t n = digits.find_last_not_of('0');
    digits.resize(n == std::string::npos ? 0 : n + 1);
    if (digits.empty()) {
      exponent = 0;
      negative = false;
    }
  }

  // Keeps the first `keep` digits, halves rounded away from zero.
  void RoundAt(int keep) {
    if (IsZero() || keep >= static_cast<int>(digits.size())) return;
    if (keep < 0) {
      digits.clear();
      TrimTrailingZeros();
      return;
    }
    bool up = digits[keep] >= '5';
    digits.resize(keep);
    if (up) {
      int i = keep - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i < 0) {
        digits.insert(digits.begin(), '1');
        ++exponent;
      } else {
        ++digits[i];
      }
    }
    TrimTrailingZeros();
  }

  void RoundDecimals(int decimals) { RoundAt(exponent + decimals); }

  // Digits before the decimal point ("" for values below one).
  std::string IntegerDigits() const {
    if (exponent <= 0) return std::string();
    std::string s = digits.substr(0, std::min<size_t>(exponent, digits.size()));
    if (static_cast<int>(s.size()) < exponent) s.append(exponent - s.size(), '0');
    return s;
  }

  // Digits after the decimal point, without trailing zeros.
  std::string FractionDigits() const {
    if (exponent >= static_cast<int>(digits.size())) return std::string();
    if (exponent < 0) return std::string(-exponent, '0') + digits;
    return digits.substr(exponent);
  }
};

// The decimal digits of a finite double, rounded to `precision` significant digits. The digits
// are taken at 17 places (enough to tell any two doubles apart) and then rounded as decimals, so
// that 1234.5 to four digits is 1235 and 2.675 to fifteen is 2.675.
Decimal FromDouble(double v, int precision) {
  Decimal d;
  if (v == 0.0) return d;
  d.negative = v < 0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", std::max(precision, 17) - 1, std::fabs(v));
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (IsDigit(*p)) d.digits.push_back(*p);
  d.exponent = (*p == 'e' ? std::atoi(p + 1) : 0) + 1;
  d.TrimTrailingZeros();
  d.RoundAt(precision);
  return d;
}

Decimal FromCurrency(Currency c) {
  Decimal d;
  d.negative = c.Value < 0;
  uint64_t a = c.Value < 0 ? 0 - static_cast<uint64_t>(c.Value) : static_cast<uint64_t>(c.Value);
  if (a == 0) return d;
  d.digits = std::to_string(a);
  d.exponent = static_cast<int>(d.digits.size()) - 4;
  d.TrimTrailingZeros();
  return d;
}

std::string PadNumber(unsigned v, int minDigits) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < minDigits) s.insert(0, minDigits - s.size(), '0');
  return s;
}

std::string Group(const std::string& intDigits, char sep) {
  if (sep == '\0' || intDigits.size() <= 3) return intDigits;
  std::string out;
  size_t n = intDigits.size();
  for (size_t i = 0; i < n; ++i) {
    out.push_back(intDigits[i]);
    size_t rest = n - 1 - i;
    if (rest > 0 && rest % 3 == 0) out.push_back(sep);
  }
  return out;
}

// General form without the sign: fixed when the value has at most `precision` integer digits and
// is at least 0.0001, else scientific ("1.5E-7").
std::string GeneralText(const Decimal& d, int precision, int expDigits, const TFormatSettings& fs) {
  if (d.IsZero()) return "0";
  if (d.exponent > precision || d.exponent < -3) {
    std::string s(1, d.digits[0]);
    if (d.digits.size() > 1) {
      s.push_back(fs.DecimalSeparator);
      s.append(d.digits, 1);
    }
    int e = d.exponent - 1;
    s.push_back('E');
    if (e < 0) s.push_back('-');
    s += PadNumber(static_cast<unsigned>(std::abs(e)), expDigits);
    return s;
  }
  std::string s = d.IntegerDigits();
  if (s.empty()) s = "0";
  std::string frac = d.FractionDigits();
  if (!frac.empty()) {
    s.push_back(fs.DecimalSeparator);
    s += frac;
  }
  return s;
}

std::string ExponentText(const Decimal& d, int precision, int expDigits, const TFormatSettings& fs) {
  std::string digits = d.digits;
  if (static_cast<int>(digits.size()) < precision) digits.append(precision - digits.size(), '0');
  std::string s(1, digits[0]);
  if (precision > 1) {
    s.push_back(fs.DecimalSeparator);
    s.append(digits, 1, precision - 1);
  }
  int e = d.IsZero() ? 0 : d.exponent - 1;
  s.push_back('E');
  s.push_back(e < 0 ? '-' : '+');
  s += PadNumber(static_cast<unsigned>(std::abs(e)), expDigits);
  return s;
}

std::string FixedText(const Decimal& d, int decimals, bool grouping, const TFormatSettings& fs) {
  std::string s = d.IntegerDigits();
  if (s.empty()) s = "0";
  if (grouping) s = Group(s, fs.ThousandSeparator);
  if (decimals > 0) {
    std::string frac = d.FractionDigits();
    frac.append(decimals - frac.size(), '0');
    s.push_back(fs.DecimalSeparator);
    s += frac;
  }
  return s;
}

std::string CurrencyText(const std::string& amount, bool negative, const TFormatSettings& fs) {
  const std::string& c = fs.CurrencyString;
  if (!negative) {
    switch (fs.CurrencyFormat) {
      case 1: return amount + c;
      case 2: return c + " " + amount;
      case 3: return amount + " " + c;
      default: return c + amount;
    }
  }
  switch (fs.NegCurrFormat) {
    case 0: return "(" + c + amount + ")";
    case 1: return "-" + c + amount;
    case 2: return c + "-" + amount;
    case 3: return c + amount + "-";
    case 4: return "(" + amount + c + ")";
    case 5: return "-" + amount + c;
    case 6: return amount + "-" + c;
    case 7: return amount + c + "-";
    case 8: return "-" + amount + " " + c;
    case 9: return "-" + c + " " + amount;
    case 10: return amount + " " + c + "-";
    case 11: return c + " " + amount + "-";
    case 12: return c + " -" + amount;
    case 13: return amount + "- " + c;
    case 14: return "(" + c + " " + amount + ")";
    case 15: return "(" + amount + " " + c + ")";
    default: return "-" + c + amount;
  }
}

// Shared by FloatToStrF and CurrToStrF; `d` holds at most `precision` significant digits.
std::string FormatDecimal(Decimal d, TFloatFormat format, int precision, int digits,
                          const TFormatSettings& fs) {
  switch (format) {
    case ffGeneral: {
      std::string s = GeneralText(d, precision, std::clamp(digits, 0, 4), fs);
      return d.negative ? "-" + s : s;
    }
    case ffExponent: {
      std::string s = ExponentText(d, precision, std::clamp(digits, 0, 4), fs);
      return d.negative ? "-" + s : s;
    }
    default: break;
  }
  digits = std::clamp(digits, 0, 18);
  if (d.exponent > precision) {  // too many integer digits for the precision
    std::string s = GeneralText(d, precision, 0, fs);
    return d.negative ? "-" + s : s;
  }
  d.RoundDecimals(digits);
  std::string s = FixedText(d, digits, format != ffFixed, fs);
  if (format == ffCurrency) return CurrencyText(s, d.negative, fs);
  return d.negative ? "-" + s : s;
}

const char* NonFiniteText(double v) {
  if (std::isnan(v)) return "NAN";
  return v < 0 ? "-INF" : "INF";
}

// ---------------------------------------------------------------- picture formats

// Formats `base` (already rounded to the significant digits the value type carries) with one
// picture format of up to three sections.
std::string FormatPicture(std::string_view fmt, const Decimal& base, const TFormatSettings& fs) {
  // Split into sections at ';' outside quotes.
  std::string_view sections[3];
  int count = 0;
  {
    size_t start = 0;
    char quote = 0;
    for (size_t i = 0; i <= fmt.size() && count < 3; ++i) {
      if (i < fmt.size()) {
        char c = fmt[i];
        if (quote) {
          if (c == quote) quote = 0;
          continue;
        }
        if (c == '"' || c == '\'') {
          quote = c;
          continue;
        }
        if (c != ';') continue;
      }
      sections[count++] = fmt.substr(start, i - start);
      start = i + 1;
    }
  }
  int index = 0;
  if (base.IsZero() && count >= 3 && !sections[2].empty()) index = 2;
  else if (base.negative && count >= 2 && !sections[1].empty()) index = 1;
  std::string_view sec = sections[index];

  // Tokens of the section.
  enum Kind { Literal, IntDigit, DecDigit, Point, Exponent };
  struct Token {
    Kind kind;
    char ch;           // IntDigit/DecDigit: '0' or '#'; Exponent: 'E' or 'e'
    std::string text;  // Literal
    char sign = 0;     // Exponent: '+' or '-'
    int digits = 0;    // Exponent: minimum digits
  };
  std::vector<Token> tokens;
  int intCount = 0, firstZeroInt = -1, decCount = 0, lastZeroDec = 0;
  bool afterPoint = false, thousands = false, scientific = false;
  auto literal = [&](std::string_view t) {
    if (!tokens.empty() && tokens.back().kind == Literal) tokens.back().text += t;
    else tokens.push_back({Literal, 0, std::string(t)});
  };
  for (size_t i = 0; i < sec.size(); ++i) {
    char c = sec[i];
    if (c == '"' || c == '\'') {
      size_t end = sec.find(c, i + 1);
      if (end == std::string_view::npos) end = sec.size();
      literal(sec.substr(i + 1, end - i - 1));
      i = end;
    } else if ((c == '0' || c == '#') && !scientific) {
      if (afterPoint) {
        ++decCount;
        if (c == '0') lastZeroDec = decCount;
        tokens.push_back({DecDigit, c, {}});
      } else {
        if (c == '0' && firstZeroInt < 0) firstZeroInt = intCount;
        ++intCount;
        tokens.push_back({IntDigit, c, {}});
      }
    } else if (c == '.' && !afterPoint && !scientific) {
      afterPoint = true;
      tokens.push_back({Point, c, {}});
    } else if (c == ',' && !scientific) {
      thousands = true;
    } else if ((c == 'E' || c == 'e') && !scientific && i + 1 < sec.size() &&
               (sec[i + 1] == '+' || sec[i + 1] == '-')) {
      scientific = true;
      Token t{Exponent, c, {}, sec[i + 1], 0};
      i += 2;
      while (i < sec.size() && sec[i] == '0' && t.digits < 4) {
        ++t.digits;
        ++i;
      }
      --i;
      tokens.push_back(t);
    } else {
      literal(sec.substr(i, 1));
    }
  }

  const bool useSign = index == 0 && base.negative;
  if (intCount + decCount == 0 && !scientific) {
    std::string out;
    for (const Token& t : tokens) out += t.text;
    return useSign ? "-" + out : out;
  }

  Decimal d = base;
  int exponent = 0;
  std::string intDigits, fracDigits;
  if (scientific) {
    d.RoundAt(std::max(1, intCount + decCount));
    if (!d.IsZero()) {
      exponent = d.exponent - intCount;
      intDigits = d.digits.substr(0, std::min<size_t>(intCount, d.digits.size()));
      intDigits.append(intCount - intDigits.size(), '0');
      if (static_cast<int>(d.digits.size()) > intCount) fracDigits = d.digits.substr(intCount);
    }
  } else {
    d.RoundDecimals(decCount);
    intDigits = d.IntegerDigits();
    fracDigits = d.FractionDigits();
  }
  int minInt = firstZeroInt >= 0 ? intCount - firstZeroInt : 0;
  if (static_cast<int>(intDigits.size()) < minInt) intDigits.insert(0, minInt - intDigits.size(), '0');
  if (static_cast<int>(fracDigits.size()) < lastZeroDec) fracDigits.append(lastZeroDec - fracDigits.size(), '0');
  const bool grouping = thousands && !scientific;

  std::string out;
  if (useSign && !d.IsZero()) out.push_back('-');
  const int n = static_cast<int>(intDigits.size());
  int intSeen = 0, decSeen = 0;
  bool intDone = false;
  auto emitInt = [&](int pos) {
    out.push_back(intDigits[pos]);
    int rest = n - 1 - pos;
    if (grouping && rest > 0 && rest % 3 == 0) out.push_back(fs.ThousandSeparator);
  };
  auto emitAllInt = [&] {
    if (intDone) return;
    for (int p = 0; p < n; ++p) emitInt(p);
    intDone = true;
  };
  for (const Token& t : tokens) {
    switch (t.kind) {
      case Literal: out += t.text; break;
      case IntDigit: {
        if (intSeen == 0) {
          for (int p = 0; p < n - intCount; ++p) emitInt(p);
        }
        int pos = n - intCount + intSeen;
        if (pos >= 0) emitInt(pos);
        if (++intSeen == intCount) intDone = true;
        break;
      }
      case Point:
        if (intCount == 0) emitAllInt();
        if (!fracDigits.empty()) out.push_back(fs.DecimalSeparator);
        break;
      case DecDigit:
        if (decSeen < static_cast<int>(fracDigits.size())) out.push_back(fracDigits[decSeen]);
        ++decSeen;
        break;
      case Exponent:
        out.push_back(t.ch);
        if (exponent < 0) out.push_back('-');
        else if (t.sign == '+') out.push_back('+');
        out += PadNumber(static_cast<unsigned>(std::abs(exponent)), t.digits);
        break;
    }
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------- floats to text

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& fs) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  precision = std::clamp(precision, 1, 18);
  return FormatDecimal(FromDouble(value, precision), format, precision, digits, fs);
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings);
}

std::string FloatToStr(double value, const TFormatSettings& fs) { return FloatToStrF(value, ffGeneral, 15, 0, fs); }
std::string FloatToStr(double value) { return FloatToStr(value, FormatSettings); }

std::string FormatFloat(std::string_view fmt, double value, const TFormatSettings& fs) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (fmt.empty()) return FloatToStr(value, fs);
  return FormatPicture(fmt, FromDouble(value, 15), fs);
}

std::string FormatFloat(std::string_view fmt, double value) { return FormatFloat(fmt, value, FormatSettings); }

std::string CurrToStrF(Currency value, TFloatFormat format, int digits, const TFormatSettings& fs) {
  return FormatDecimal(FromCurrency(value), format, 19, digits, fs);
}

std::string CurrToStrF(Currency value, TFloatFormat format, int digits) {
  return CurrToStrF(value, format, digits, FormatSettings);
}

std::string CurrToStr(Currency value, const TFormatSettings& fs) { return CurrToStrF(value, ffGeneral, 0, fs); }
std::string CurrToStr(Currency value) { return CurrToStr(value, FormatSettings); }

std::string FormatCurr(std::string_view fmt, Currency value, const TFormatSettings& fs) {
  if (fmt.empty()) return CurrToStr(value, fs);
  return FormatPicture(fmt, FromCurrency(value), fs);
}

std::string FormatCurr(std::string_view fmt, Currency value) { return FormatCurr(fmt, value, FormatSettings); }

// ---------------------------------------------------------------- text to numbers

namespace {

// The parts of a decimal number text: sign, integer digits, fraction digits, exponent.
struct NumberText {
  bool negative = false;
  std::string_view intDigits, fracDigits;
  int64_t exponent = 0;  // clamped to ±1,000,000
};

bool ScanNumber(std::string_view s, char decimalSeparator, NumberText& out) {
  s = TrimView(s);
  size_t i = 0, n = s.size();
  if (i < n && (s[i] == '+' || s[i] == '-')) out.negative = s[i++] == '-';
  size_t b = i;
  while (i < n && IsDigit(s[i])) ++i;
  out.intDigits = s.substr(b, i - b);
  if (i < n && s[i] == decimalSeparator) {
    b = ++i;
    while (i < n && IsDigit(s[i])) ++i;
    out.fracDigits = s.substr(b, i - b);
  }
  if (out.intDigits.empty() && out.fracDigits.empty()) return false;
  if (i < n && (s[i] == 'E' || s[i] == 'e')) {
    ++i;
    bool negExp = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) negExp = s[i++] == '-';
    if (i >= n || !IsDigit(s[i])) return false;
    int64_t e = 0;
    while (i < n && IsDigit(s[i])) {
      e = std::min<int64_t>(e * 10 + (s[i] - '0'), 1000000);
      ++i;
    }
    out.exponent = negExp ? -e : e;
  }
  return i == n;
}

}  // namespace

bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& fs) {
  NumberText t;
  if (!ScanNumber(s, fs.DecimalSeparator, t)) return false;
  std::string norm;
  norm.reserve(t.intDigits.size() + t.fracDigits.size() + 24);
  norm += t.intDigits.empty() ? std::string_view("0") : t.intDigits;
  norm.push_back('.');
  norm += t.fracDigits;
  norm.push_back('e');
  norm += std::to_string(t.exponent);
  double v = 0;
  auto [ptr, ec] = std::from_chars(norm.data(), norm.data() + norm.size(), v);
  if (ec == std::errc::result_out_of_range) {
    // Decide between underflow (reads as zero) and overflow (not a valid value) by the position
    // of the first significant digit.
    size_t lead = t.intDigits.find_first_not_of('0');
    int64_t magnitude;
    if (lead != std::string_view::npos) {
      magnitude = static_cast<int64_t>(t.intDigits.size() - lead) + t.exponent;
    } else {
      size_t f = t.fracDigits.find_first_not_of('0');
      if (f == std::string_view::npos) magnitude = 0;
      else magnitude = -static_cast<int64_t>(f) + t.exponent;
    }
    if (magnitude > 0) return false;
    v = 0.0;
  } else if (ec != std::errc() || ptr != norm.data() + norm.size()) {
    return false;
  }
  value = t.negative ? -v : v;
  return true;
}

bool TryStrToFloat(std::string_view s, double& value) { return TryStrToFloat(s, value, FormatSettings); }

double StrToFloat(std::string_view s, const TFormatSettings& fs) {
  double v;
  if (!TryStrToFloat(s, v, fs)) throw EConvertError(Quoted(s) + " is not a valid floating point value");
  return v;
}

double StrToFloat(std::string_view s) { return StrToFloat(s, FormatSettings); }

double StrToFloatDef(std::string_view s, double def, const TFormatSettings& fs) {
  double v;
  return TryStrToFloat(s, v, fs) ? v : def;
}

double StrToFloatDef(std::string_view s, double def) { return StrToFloatDef(s, def, FormatSettings); }

bool TryStrToCurr(std::string_view s, Currency& value, const TFormatSettings& fs) {
  NumberText t;
  if (!ScanNumber(s, fs.DecimalSeparator, t)) return false;
  std::string digits;
  digits.reserve(t.intDigits.size() + t.fracDigits.size());
  digits += t.intDigits;
  digits += t.fracDigits;
  size_t lead = digits.find_first_not_of('0');
  if (lead == std::string::npos) {
    value = Currency();
    return true;
  }
  digits.erase(0, lead);
  // value = digits × 10^shift in ten-thousandths.
  int64_t shift = t.exponent - static_cast<int64_t>(t.fracDigits.size()) + 4;
  int64_t kept = static_cast<int64_t>(digits.size()) + shift;
  if (kept > 19) return false;
  unsigned __int128 acc = 0;
  int64_t keep = std::min<int64_t>(kept, static_cast<int64_t>(digits.size()));
  for (int64_t i = 0; i < keep; ++i) acc = acc * 10 + static_cast<unsigned>(digits[i] - '0');
  for (int64_t i = keep; i < kept; ++i) acc *= 10;
  if (kept < static_cast<int64_t>(digits.size())) {
    // Dropped digits: halves go to even.
    size_t first = static_cast<size_t>(std::max<int64_t>(kept, 0));
    int64_t gap = kept < 0 ? -kept : 0;  // zeros between the point and the first digit kept
    char dropped = gap > 0 ? '0' : digits[first];
    bool restNonZero = digits.find_first_not_of('0', gap > 0 ? 0 : first + 1) != std::string::npos;
    if (gap > 0) restNonZero = true;  // every digit lies below the first dropped place
    if (dropped > '5' || (dropped == '5' && (restNonZero || (acc & 1) != 0))) ++acc;
  }
  unsigned __int128 limit = static_cast<unsigned __int128>(std::numeric_limits<int64_t>::max()) + (t.negative ? 1 : 0);
  if (acc > limit) return false;
  value = Currency::FromScaled(t.negative ? static_cast<int64_t>(0 - static_cast<uint64_t>(acc))
                                          : static_cast<int64_t>(acc));
  return true;
}

bool TryStrToCurr(std::string_view s, Currency& value) { return TryStrToCurr(s, value, FormatSettings); }

Currency StrToCurr(std::string_view s, const TFormatSettings& fs) {
  Currency c;
  if (!TryStrToCurr(s, c, fs)) throw EConvertError(Quoted(s) + " is not a valid floating point value");
  return c;
}

Currency StrToCurr(std::string_view s) { return StrToCurr(s, FormatSettings); }

Currency StrToCurrDef(std::string_view s, Currency def) {
  Currency c;
  return TryStrToCurr(s, c) ? c : def;
}

namespace {

// Integer text of at most `bits` bits. Hex (after "$" or "0x") may use the full unsigned range,
// which reads back as the two's complement ("$FFFFFFFF" is -1).
bool ParseInteger(std::string_view s, int bits, int64_t& out) {
  size_t i = 0, n = s.size();
  while (i < n && IsBlank(s[i])) ++i;
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  bool hex = false;
  if (i < n && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return false;
  const uint64_t unsignedMax = bits == 64 ? std::numeric_limits<uint64_t>::max() : 0xFFFFFFFFull;
  uint64_t v = 0;
  for (; i < n; ++i) {
    char c = s[i];
    unsigned digit;
    if (IsDigit(c)) digit = c - '0';
    else if (hex && Upper(c) >= 'A' && Upper(c) <= 'F') digit = Upper(c) - 'A' + 10;
    else return false;
    unsigned base = hex ? 16 : 10;
    if (v > (unsignedMax - digit) / base) return false;
    v = v * base + digit;
  }
  int64_t r;
  if (hex) {
    r = bits == 64 ? static_cast<int64_t>(v) : static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    if (negative) r = static_cast<int64_t>(0 - static_cast<uint64_t>(r));
    if (bits == 32) r = static_cast<int32_t>(r);
  } else {
    const uint64_t limit = (bits == 64 ? static_cast<uint64_t>(std::numeric_limits<int64_t>::max())
                                       : static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) +
                           (negative ? 1 : 0);
    if (v > limit) return false;
    r = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  }
  out = r;
  return true;
}

[[noreturn]] void InvalidInteger(std::string_view s) {
  throw EConvertError(Quoted(s) + " is not a valid integer value");
}

}  // namespace

bool TryStrToInt(std::string_view s, int32_t& value) {
  int64_t v;
  if (!ParseInteger(s, 32, v)) return false;
  value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToInt(std::string_view s) {
  int32_t v;
  if (!TryStrToInt(s, v)) InvalidInteger(s);
  return v;
}

int32_t StrToIntDef(std::string_view s, int32_t def) {
  int32_t v;
  return TryStrToInt(s, v) ? v : def;
}

bool TryStrToInt64(std::string_view s, int64_t& value) { return ParseInteger(s, 64, value); }

int64_t StrToInt64(std::string_view s) {
  int64_t v;
  if (!TryStrToInt64(s, v)) InvalidInteger(s);
  return v;
}

int64_t StrToInt64Def(std::string_view s, int64_t def) {
  int64_t v;
  return TryStrToInt64(s, v) ? v : def;
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string IntToHex(uint64_t value, int digits) {
  char buf[24];
  int len = std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(value));
  std::string s(buf, len);
  digits = std::min(digits, 64);
  if (static_cast<int>(s.size()) < digits) s.insert(0, digits - s.size(), '0');
  return s;
}

std::string IntToHex(int32_t value, int digits) { return IntToHex(static_cast<uint64_t>(static_cast<uint32_t>(value)), digits); }
std::string IntToHex(int64_t value, int digits) { return IntToHex(static_cast<uint64_t>(value), digits); }

bool TryStrToBool(std::string_view s, bool& value) {
  std::string_view t = TrimView(s);
  if (SameText(t, "True")) {
    value = true;
    return true;
  }
  if (SameText(t, "False")) {
    value = false;
    return true;
  }
  double d;
  if (TryStrToFloat(t, d)) {
    value = d != 0.0;
    return true;
  }
  return false;
}

bool StrToBool(std::string_view s) {
  bool b;
  if (!TryStrToBool(s, b)) throw EConvertError(Quoted(s) + " is not a valid boolean value");
  return b;
}

std::string BoolToStr(bool value, bool useBoolStrs) {
  if (useBoolStrs) return value ? "True" : "False";
  return value ? "-1" : "0";
}

// ---------------------------------------------------------------- rounding

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  double f = std::floor(value);
  double diff = value - f;  // exact for doubles
  if (diff > 0.5) return f + 1.0;
  if (diff < 0.5) return f;
  return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

namespace {
int64_t CheckedInt64(double r) {
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
    throw EInvalidOp("Invalid floating point operation");
  return static_cast<int64_t>(r);
}
}  // namespace

int64_t Round(double value) { return CheckedInt64(RoundHalfEven(value)); }
int64_t Trunc(double value) { return CheckedInt64(std::trunc(value)); }
double Int(double value) { return std::trunc(value); }
double Frac(double value) { return value - std::trunc(value); }

int32_t MulDiv(int32_t a, int32_t b, int32_t c) noexcept {
  if (c == 0) return -1;
  int64_t p = static_cast<int64_t>(a) * b;
  int64_t q = p / c, r = p % c;
  // Halves away from zero.
  if (2 * (r < 0 ? -r : r) >= (c < 0 ? -static_cast<int64_t>(c) : c)) q += ((p < 0) != (c < 0)) ? -1 : 1;
  if (q < std::numeric_limits<int32_t>::min() || q > std::numeric_limits<int32_t>::max()) return -1;
  return static_cast<int32_t>(q);
}

Currency Currency::FromDouble(double d) {
  if (!std::isfinite(d)) throw EInvalidOp("Invalid floating point operation");
  double r = RoundHalfEven(d * static_cast<double>(CurrencyScale));
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) throw EOverflow("Floating point overflow");
  return FromScaled(static_cast<int64_t>(r));
}

// ---------------------------------------------------------------- Format

namespace {

[[noreturn]] void FormatError(std::string_view fmt) {
  throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

bool IsIntegerVariant(const Variant& v) {
  switch (v.VarType()) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varUInt64:
      return true;
    default:
      return false;
  }
}

std::string PadField(std::string s, int width, bool left, bool cp936Width) {
  size_t len = cp936Width ? Cp936Length(s) : s.size();
  if (width > 0 && len < static_cast<size_t>(width)) {
    size_t pad = width - len;
    if (left) s.append(pad, ' ');
    else s.insert(0, pad, ' ');
  }
  return s;
}

}  // namespace

std::string Format(std::string_view fmt, std::span<const Variant> args, const TFormatSettings& fs) {
  constexpr int kMaxWidth = 1 << 20;
  std::string out;
  out.reserve(fmt.size() + 16);
  size_t argIndex = 0;
  const size_t n = fmt.size();
  size_t i = 0;
  auto nextArg = [&]() -> const Variant& {
    if (argIndex >= args.size()) FormatError(fmt);
    return args[argIndex++];
  };
  // A number or "*" (taken from the arguments); -1 when absent.
  auto readNumber = [&]() -> int {
    if (i < n && fmt[i] == '*') {
      ++i;
      const Variant& a = nextArg();
      if (!IsIntegerVariant(a)) FormatError(fmt);
      int64_t v = a.AsInt64();
      if (v < 0 || v > kMaxWidth) FormatError(fmt);
      return static_cast<int>(v);
    }
    if (i >= n || !IsDigit(fmt[i])) return -1;
    int64_t v = 0;
    while (i < n && IsDigit(fmt[i])) {
      v = v * 10 + (fmt[i++] - '0');
      if (v > kMaxWidth) FormatError(fmt);
    }
    return static_cast<int>(v);
  };

  while (i < n) {
    char c = fmt[i++];
    if (c != '%') {
      out.push_back(c);
      continue;
    }
    if (i >= n) FormatError(fmt);
    if (fmt[i] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    int number = readNumber();
    if (i < n && fmt[i] == ':') {
      if (number < 0) FormatError(fmt);
      argIndex = static_cast<size_t>(number);
      ++i;
      number = -1;
    }
    bool left = false;
    if (number < 0 && i < n && fmt[i] == '-') {
      left = true;
      ++i;
    }
    int width = number >= 0 ? number : readNumber();
    int prec = -1;
    if (i < n && fmt[i] == '.') {
      ++i;
      prec = readNumber();
      if (prec < 0) FormatError(fmt);
    }
    if (i >= n) FormatError(fmt);
    char type = Upper(fmt[i++]);
    const Variant& arg = nextArg();
    std::string text;
    bool cp936Width = false;
    switch (type) {
      case 'D': case 'U': case 'X': {
        if (!IsIntegerVariant(arg)) FormatError(fmt);
        bool negative = false;
        uint64_t magnitude;
        if (arg.VarType() == varUInt64) {
          magnitude = arg.AsUInt64();
        } else {
          int64_t v = arg.AsInt64();
          if (type == 'D') {
            negative = v < 0;
            magnitude = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
          } else if (arg.VarType() == varInt64 || v >= 0) {
            magnitude = static_cast<uint64_t>(v);
          } else {
            magnitude = static_cast<uint32_t>(static_cast<int32_t>(v));  // 32-bit two's complement
          }
        }
        text = type == 'X' ? IntToHex(magnitude, 0) : std::to_string(magnitude);
        if (prec >= 0 && static_cast<int>(text.size()) < prec) text.insert(0, prec - text.size(), '0');
        if (negative) text.insert(0, 1, '-');
        break;
      }
      case 'E': case 'F': case 'G': case 'N': case 'M': {
        TVarType t = arg.VarType();
        if (t != varDouble && t != varSingle && t != varCurrency && t != varDate) FormatError(fmt);
        TFloatFormat ff = type == 'E' ? ffExponent
                          : type == 'F' ? ffFixed
                          : type == 'G' ? ffGeneral
                          : type == 'N' ? ffNumber
                                        : ffCurrency;
        int precision = 18, digits;
        if (type == 'E' || type == 'G') {
          precision = prec < 0 ? 15 : std::clamp(prec, 1, 18);
          digits = type == 'E' ? 3 : 0;
        } else {
          digits = prec < 0 ? (type == 'M' ? fs.CurrencyDecimals : 2) : std::min(prec, 18);
        }
        if (t == varCurrency && ff != ffExponent) text = CurrToStrF(arg.AsCurrency(), ff, digits, fs);
        else text = FloatToStrF(arg.AsDouble(), ff, precision, digits, fs);
        break;
      }
      case 'P': {
        if (arg.VarType() != varUnknown && arg.VarType() != varDispatch) FormatError(fmt);
        text = IntToHex(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(arg.AsPointer())), 16);
        break;
      }
      case 'S': {
        if (!arg.IsStr()) FormatError(fmt);
        const std::string_view s = arg.StrRef();
        text = prec >= 0 ? Cp936Truncate(s, static_cast<size_t>(prec)) : std::string(s);
        cp936Width = true;
        break;
      }
      default:
        FormatError(fmt);
    }
    out += PadField(std::move(text), width, left, cp936Width);
  }
  return out;
}

std::string Format(std::string_view fmt, std::span<const Variant> args) {
  return Format(fmt, args, FormatSettings);
}

std::string Format(std::string_view fmt, std::initializer_list<Variant> args, const TFormatSettings& fs) {
  return Format(fmt, std::span<const Variant>(args.begin(), args.size()), fs);
}

std::string Format(std::string_view fmt, std::initializer_list<Variant> args) {
  return Format(fmt, std::span<const Variant>(args.begin(), args.size()), FormatSettings);
}

// ---------------------------------------------------------------- dates

namespace {

// Days from 1970-01-01 in the proleptic Gregorian calendar, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) noexcept {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) noexcept {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

// TDateTime 0 is 1899-12-30.
constexpr int64_t kUnixToSerial = 25569;
constexpr double kMinDateTime = -693593.0;       // 0001-01-01
constexpr double kMaxDateTimeExcl = 2958466.0;   // 10000-01-01

// A date-time as its calendar day (serial day number) and milliseconds into that day, rounded to
// the nearest millisecond.
struct DayAndTime {
  int64_t day;
  int ms;
};

[[noreturn]] void InvalidDate() { throw EConvertError("Invalid date value"); }

DayAndTime Split(TDateTime dt) {
  if (!(dt > kMinDateTime - 1.0 && dt < kMaxDateTimeExcl)) InvalidDate();
  DayAndTime r;
  if (dt >= 0) {
    auto total = static_cast<int64_t>(std::floor(dt * MSecsPerDay + 0.5));
    r.day = total / MSecsPerDay;
    r.ms = static_cast<int>(total % MSecsPerDay);
  } else {
    // Before 1899-12-30 the integer part is the day and the fraction, taken as positive, the time.
    double whole = std::trunc(dt);
    r.day = static_cast<int64_t>(whole);
    auto ms = static_cast<int64_t>(std::floor((whole - dt) * MSecsPerDay + 0.5));
    if (ms >= MSecsPerDay) {
      ms -= MSecsPerDay;
      r.day += 1;
    }
    r.ms = static_cast<int>(ms);
  }
  if (r.day < static_cast<int64_t>(kMinDateTime) || r.day >= static_cast<int64_t>(kMaxDateTimeExcl)) InvalidDate();
  return r;
}

const int kDaysBefore[2][13] = {{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
                                {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

}  // namespace

bool IsLeapYear(int year) noexcept { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInAMonth(int year, int month) noexcept {
  if (month < 1 || month > 12) return 0;
  int leap = IsLeapYear(year) ? 1 : 0;
  return kDaysBefore[leap][month] - kDaysBefore[leap][month - 1];
}

int DaysInMonth(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return DaysInAMonth(y, m);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& dt) noexcept {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
    return false;
  dt = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                           kUnixToSerial);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime dt;
  if (!TryEncodeDate(year, month, day, dt)) throw EConvertError("Invalid argument to date encode");
  return dt;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& t) noexcept {
  if (hour < 0 || hour >= 24 || min < 0 || min >= 60 || sec < 0 || sec >= 60 || msec < 0 || msec >= 1000)
    return false;
  t = static_cast<double>(((hour * 60 + min) * 60 + sec) * 1000 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime t;
  if (!TryEncodeTime(hour, min, sec, msec, t)) throw EConvertError("Invalid argument to time encode");
  return t;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) noexcept {
  return date < 0 ? date - time : date + time;
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec,
                       TDateTime& dt) noexcept {
  TDateTime d, t;
  if (!TryEncodeDate(year, month, day, d) || !TryEncodeTime(hour, min, sec, msec, t)) return false;
  dt = ComposeDateTime(d, t);
  return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
  TDateTime dt;
  if (!TryEncodeDateTime(year, month, day, hour, min, sec, msec, dt))
    throw EConvertError("Invalid argument to date encode");
  return dt;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
  DayAndTime s = Split(dt);
  CivilFromDays(s.day - kUnixToSerial, year, month, day);
}

namespace {
void SplitMilliseconds(int ms, int& hour, int& min, int& sec, int& msec) noexcept {
  msec = ms % 1000;
  sec = ms / 1000 % 60;
  min = ms / 60000 % 60;
  hour = ms / 3600000;
}
}  // namespace

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec) {
  SplitMilliseconds(Split(dt).ms, hour, min, sec, msec);
}

void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec) {
  DayAndTime s = Split(dt);
  CivilFromDays(s.day - kUnixToSerial, year, month, day);
  SplitMilliseconds(s.ms, hour, min, sec, msec);
}

int DayOfWeek(TDateTime dt) {
  // 0001-01-01 (day 1 counted from DateDelta) was a Monday.
  int64_t stamp = Split(dt).day + DateDelta;
  return static_cast<int>(stamp % 7) + 1;
}

bool DecodeDateFully(TDateTime dt, int& year, int& month, int& day, int& dayOfWeek) {
  DecodeDate(dt, year, month, day);
  dayOfWeek = DayOfWeek(dt);
  return IsLeapYear(year);
}

TDateTime DateOf(TDateTime dt) noexcept { return std::trunc(dt); }
TDateTime TimeOf(TDateTime dt) noexcept { return std::fabs(dt - std::trunc(dt)); }

TDateTime IncMonth(TDateTime dt, int months) {
  DayAndTime s = Split(dt);
  int y, m, d;
  CivilFromDays(s.day - kUnixToSerial, y, m, d);
  int64_t total = static_cast<int64_t>(y) * 12 + (m - 1) + months;
  int64_t ny = total >= 0 ? total / 12 : (total - 11) / 12;
  int nm = static_cast<int>(total - ny * 12) + 1;
  if (ny < 1 || ny > 9999) throw EConvertError("Invalid argument to date encode");
  d = std::min(d, DaysInAMonth(static_cast<int>(ny), nm));
  return ComposeDateTime(EncodeDate(static_cast<int>(ny), nm, d), static_cast<double>(s.ms) / MSecsPerDay);
}

TDateTime Now() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return ComposeDateTime(EncodeDate(st.wYear, st.wMonth, st.wDay),
                         EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds));
}

TDateTime Date() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return EncodeDate(st.wYear, st.wMonth, st.wDay);
}

TDateTime Time() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

int CurrentYear() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return st.wYear;
}

int ExpandTwoDigitYear(int year, const TFormatSettings& fs) {
  if (year >= 100 || year < 0) return year;
  int cy = CurrentYear();
  int w = fs.TwoDigitYearCenturyWindow;
  int threshold = cy - w;
  year += threshold / 100 * 100;
  if (w > 0 && year < threshold) year += 100;
  return year;
}

TDateOrder GetDateOrder(std::string_view shortDateFormat) noexcept {
  for (char c : shortDateFormat) {
    switch (Upper(c)) {
      case 'D': return TDateOrder::DMY;
      case 'M': return TDateOrder::MDY;
      case 'Y': return TDateOrder::YMD;
      default: break;
    }
  }
  return TDateOrder::DMY;
}

// ---------------------------------------------------------------- FormatDateTime

namespace {

class DateTimeFormatter {
 public:
  DateTimeFormatter(TDateTime dt, const TFormatSettings& fs) : dt_(dt), fs_(fs) {}

  void Append(std::string& out, std::string_view fmt, int depth) {
    if (depth > 2) return;  // a format that names itself (through c, ddddd or t)
    char lastToken = 0;
    const size_t n = fmt.size();
    size_t i = 0;
    while (i < n) {
      char c = fmt[i];
      char u = Upper(c);
      size_t run = 1;
      if (u >= 'A' && u <= 'Z')
        while (i + run < n && Upper(fmt[i + run]) == u) ++run;
      switch (u) {
        case '"': case '\'': {
          size_t end = fmt.find(c, i + 1);
          if (end == std::string_view::npos) end = n;
          out.append(fmt.substr(i + 1, end - i - 1));
          i = end + 1;
          continue;
        }
        case 'C':
          Decode();
          Append(out, fs_.ShortDateFormat, depth + 1);
          if (hour_ != 0 || min_ != 0 || sec_ != 0) {
            out.push_back(' ');
            Append(out, fs_.LongTimeFormat, depth + 1);
          }
          break;
        case 'D':
          Decode();
          switch (std::min<size_t>(run, 6)) {
            case 1: out += std::to_string(day_); break;
            case 2: out += PadNumber(day_, 2); break;
            case 3: out += fs_.ShortDayNames[dow_ - 1]; break;
            case 4: out += fs_.LongDayNames[dow_ - 1]; break;
            case 5: Append(out, fs_.ShortDateFormat, depth + 1); break;
            default: Append(out, fs_.LongDateFormat, depth + 1); break;
          }
          break;
        case 'M':
          Decode();
          if (lastToken == 'H') {
            out += run == 1 ? std::to_string(min_) : PadNumber(min_, 2);
          } else {
            switch (std::min<size_t>(run, 4)) {
              case 1: out += std::to_string(month_); break;
              case 2: out += PadNumber(month_, 2); break;
              case 3: out += fs_.ShortMonthNames[month_ - 1]; break;
              default: out += fs_.LongMonthNames[month_ - 1]; break;
            }
          }
          break;
        case 'Y':
          Decode();
          out += run <= 2 ? PadNumber(year_ % 100, 2) : PadNumber(year_, 4);
          break;
        case 'H': {
          Decode();
          int h = hour_;
          if (HasAmPm(fmt.substr(i + run))) {
            h %= 12;
            if (h == 0) h = 12;
          }
          out += run == 1 ? std::to_string(h) : PadNumber(h, 2);
          break;
        }
        case 'N':
          Decode();
          out += run == 1 ? std::to_string(min_) : PadNumber(min_, 2);
          break;
        case 'S':
          Decode();
          out += run == 1 ? std::to_string(sec_) : PadNumber(sec_, 2);
          break;
        case 'Z':
          Decode();
          out += run == 1 ? std::to_string(msec_) : PadNumber(msec_, 3);
          break;
        case 'T':
          Append(out, run == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat, depth + 1);
          break;
        case 'A': {
          size_t len = AmPmLength(fmt.substr(i));
          if (len == 0) {
            out.push_back(c);
            break;
          }
          Decode();
          bool pm = hour_ >= 12;
          if (len == 4) out += pm ? fs_.TimePMString : fs_.TimeAMString;   // ampm
          else if (len == 5) out.append(fmt.substr(i + (pm ? 3 : 0), 2));  // am/pm, in its own case
          else out.push_back(fmt[i + (pm ? 2 : 0)]);                       // a/p
          i += len;
          continue;
        }
        case '/': out.push_back(fs_.DateSeparator); break;
        case ':': out.push_back(fs_.TimeSeparator); break;
        default:
          out.append(fmt.substr(i, run));
          i += run;
          continue;
      }
      if (u >= 'A' && u <= 'Z') lastToken = u;
      i += run;
    }
  }

 private:
  // Length of an AM/PM specifier at the start of s: 5 "am/pm", 3 "a/p", 4 "ampm", else 0.
  static size_t AmPmLength(std::string_view s) noexcept {
    auto starts = [&](std::string_view p) {
      if (s.size() < p.size()) return false;
      for (size_t k = 0; k < p.size(); ++k)
        if (Upper(s[k]) != p[k]) return false;
      return true;
    };
    if (starts("AM/PM")) return 5;
    if (starts("A/P")) return 3;
    if (starts("AMPM")) return 4;
    return 0;
  }

  static bool HasAmPm(std::string_view s) noexcept {
    for (size_t k = 0; k < s.size(); ++k) {
      char c = s[k];
      if (c == '"' || c == '\'') {
        size_t end = s.find(c, k + 1);
        if (end == std::string_view::npos) return false;
        k = end;
      } else if (Upper(c) == 'A' && AmPmLength(s.substr(k)) != 0) {
        return true;
      }
    }
    return false;
  }

  void Decode() {
    if (decoded_) return;
    DecodeDateTime(dt_, year_, month_, day_, hour_, min_, sec_, msec_);
    dow_ = DayOfWeek(dt_);
    decoded_ = true;
  }

  TDateTime dt_;
  const TFormatSettings& fs_;
  bool decoded_ = false;
  int year_ = 0, month_ = 0, day_ = 0, hour_ = 0, min_ = 0, sec_ = 0, msec_ = 0, dow_ = 1;
};

}  // namespace

void DateTimeToString(std::string& result, std::string_view fmt, TDateTime dt, const TFormatSettings& fs) {
  result.clear();
  DateTimeFormatter(dt, fs).Append(result, fmt.empty() ? std::string_view("c") : fmt, 0);
}

void DateTimeToString(std::string& result, std::string_view fmt, TDateTime dt) {
  DateTimeToString(result, fmt, dt, FormatSettings);
}

std::string FormatDateTime(std::string_view fmt, TDateTime dt, const TFormatSettings& fs) {
  std::string s;
  DateTimeToString(s, fmt, dt, fs);
  return s;
}

std::string FormatDateTime(std::string_view fmt, TDateTime dt) { return FormatDateTime(fmt, dt, FormatSettings); }
std::string DateTimeToStr(TDateTime dt, const TFormatSettings& fs) { return FormatDateTime("c", dt, fs); }
std::string DateTimeToStr(TDateTime dt) { return DateTimeToStr(dt, FormatSettings); }
std::string DateToStr(TDateTime dt, const TFormatSettings& fs) { return FormatDateTime("ddddd", dt, fs); }
std::string DateToStr(TDateTime dt) { return DateToStr(dt, FormatSettings); }
std::string TimeToStr(TDateTime dt, const TFormatSettings& fs) { return FormatDateTime("tt", dt, fs); }
std::string TimeToStr(TDateTime dt) { return TimeToStr(dt, FormatSettings); }

// ---------------------------------------------------------------- text to dates

namespace {

class DateTimeScanner {
 public:
  DateTimeScanner(std::string_view s, const TFormatSettings& fs) : s_(s), fs_(fs) {}

  bool AtEnd() {
    SkipBlanks();
    return pos_ == s_.size();
  }

  // Numbers separated by the date separator, in the short date format's order.
  bool ScanDate(TDateTime& date) {
    SkipBlanks();
    int values[3];
    int lengths[3];
    int count = 0;
    while (count < 3) {
      if (!ScanNumber(values[count], lengths[count], 4)) return false;
      ++count;
      if (pos_ < s_.size() && s_[pos_] == fs_.DateSeparator) {
        ++pos_;
        continue;
      }
      break;
    }
    if (count < 2) return false;
    int y, m, d;
    int yearLength = 4;
    TDateOrder order = GetDateOrder(fs_.ShortDateFormat);
    if (count == 2) {
      y = CurrentYear();
      if (order == TDateOrder::DMY) {
        d = values[0];
        m = values[1];
      } else {
        m = values[0];
        d = values[1];
      }
    } else {
      if (lengths[0] > 2) order = TDateOrder::YMD;
      switch (order) {
        case TDateOrder::YMD: y = values[0]; m = values[1]; d = values[2]; yearLength = lengths[0]; break;
        case TDateOrder::MDY: m = values[0]; d = values[1]; y = values[2]; yearLength = lengths[2]; break;
        default: d = values[0]; m = values[1]; y = values[2]; yearLength = lengths[2]; break;
      }
      if (yearLength <= 2) y = ExpandTwoDigitYear(y, fs_);
    }
    return TryEncodeDate(y, m, d, date);
  }

  // h:n[:s[.zzz]] with an optional AM/PM marker; the hour alone needs the marker.
  bool ScanTime(TDateTime& time) {
    SkipBlanks();
    int h, n = 0, sec = 0, ms = 0, len;
    if (!ScanNumber(h, len, 2)) return false;
    bool haveMinutes = false;
    if (pos_ < s_.size() && s_[pos_] == fs_.TimeSeparator) {
      ++pos_;
      if (!ScanNumber(n, len, 2)) return false;
      haveMinutes = true;
      if (pos_ < s_.size() && s_[pos_] == fs_.TimeSeparator) {
        ++pos_;
        if (!ScanNumber(sec, len, 2)) return false;
        if (pos_ < s_.size() && (s_[pos_] == '.' || s_[pos_] == fs_.DecimalSeparator)) {
          ++pos_;
          if (!ScanNumber(ms, len, 3)) return false;
          for (; len < 3; ++len) ms *= 10;  // ".5" is half a second
        }
      }
    }
    SkipBlanks();
    int ampm = ScanAmPm();  // 0 none, 1 AM, 2 PM
    if (ampm == 0 && !haveMinutes) return false;
    if (ampm != 0) {
      if (h < 1 || h > 12) return false;
      h %= 12;
      if (ampm == 2) h += 12;
    }
    return TryEncodeTime(h, n, sec, ms, time);
  }

 private:
  void SkipBlanks() {
    while (pos_ < s_.size() && IsBlank(s_[pos_])) ++pos_;
  }

  bool ScanNumber(int& value, int& length, int maxDigits) {
    size_t b = pos_;
    int v = 0;
    while (pos_ < s_.size() && IsDigit(s_[pos_])) {
      if (static_cast<int>(pos_ - b) == maxDigits) return false;
      v = v * 10 + (s_[pos_++] - '0');
    }
    length = static_cast<int>(pos_ - b);
    value = v;
    return length > 0;
  }

  int ScanAmPm() {
    std::string_view rest = s_.substr(pos_);
    auto match = [&](std::string_view word) {
      if (word.empty() || rest.size() < word.size()) return false;
      if (!SameText(rest.substr(0, word.size()), word)) return false;
      pos_ += word.size();
      return true;
    };
    if (match(fs_.TimeAMString) || match("AM") || match("A")) return 1;
    if (match(fs_.TimePMString) || match("PM") || match("P")) return 2;
    return 0;
  }

  std::string_view s_;
  const TFormatSettings& fs_;
  size_t pos_ = 0;
};

[[noreturn]] void InvalidDateText(std::string_view s, const char* what) {
  throw EConvertError(Quoted(s) + " is not a valid " + what);
}

}  // namespace

bool TryStrToDate(std::string_view s, TDateTime& dt, const TFormatSettings& fs) {
  DateTimeScanner sc(s, fs);
  TDateTime d;
  if (!sc.ScanDate(d) || !sc.AtEnd()) return false;
  dt = d;
  return true;
}

bool TryStrToTime(std::string_view s, TDateTime& t, const TFormatSettings& fs) {
  DateTimeScanner sc(s, fs);
  TDateTime v;
  if (!sc.ScanTime(v) || !sc.AtEnd()) return false;
  t = v;
  return true;
}

bool TryStrToDateTime(std::string_view s, TDateTime& dt, const TFormatSettings& fs) {
  DateTimeScanner sc(s, fs);
  TDateTime d, t = 0;
  if (sc.ScanDate(d)) {
    if (!sc.AtEnd() && (!sc.ScanTime(t) || !sc.AtEnd())) return false;
    dt = ComposeDateTime(d, t);
    return true;
  }
  return TryStrToTime(s, dt, fs);
}

bool TryStrToDate(std::string_view s, TDateTime& dt) { return TryStrToDate(s, dt, FormatSettings); }
bool TryStrToTime(std::string_view s, TDateTime& t) { return TryStrToTime(s, t, FormatSettings); }
bool TryStrToDateTime(std::string_view s, TDateTime& dt) { return TryStrToDateTime(s, dt, FormatSettings); }

TDateTime StrToDate(std::string_view s, const TFormatSettings& fs) {
  TDateTime d;
  if (!TryStrToDate(s, d, fs)) InvalidDateText(s, "date");
  return d;
}

TDateTime StrToTime(std::string_view s, const TFormatSettings& fs) {
  TDateTime d;
  if (!TryStrToTime(s, d, fs)) InvalidDateText(s, "time");
  return d;
}

TDateTime StrToDateTime(std::string_view s, const TFormatSettings& fs) {
  TDateTime d;
  if (!TryStrToDateTime(s, d, fs)) InvalidDateText(s, "date and time");
  return d;
}

TDateTime StrToDate(std::string_view s) { return StrToDate(s, FormatSettings); }
TDateTime StrToTime(std::string_view s) { return StrToTime(s, FormatSettings); }
TDateTime StrToDateTime(std::string_view s) { return StrToDateTime(s, FormatSettings); }

TDateTime StrToDateDef(std::string_view s, TDateTime def) {
  TDateTime d;
  return TryStrToDate(s, d) ? d : def;
}

TDateTime StrToTimeDef(std::string_view s, TDateTime def) {
  TDateTime d;
  return TryStrToTime(s, d) ? d : def;
}

TDateTime StrToDateTimeDef(std::string_view s, TDateTime def) {
  TDateTime d;
  return TryStrToDateTime(s, d) ? d : def;
}
