#include "editors/dtformat.h"

#include <limits>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace {

std::u32string Decode(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  size_t pos = 0;
  while (pos < s.size()) out.push_back(Utf8Decode(s, pos));
  return out;
}

std::string Encode(std::u32string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char32_t c : s) Utf8Append(out, c);
  return out;
}

char32_t UpperAscii(char32_t c) noexcept { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

// Index of an element letter in the table order, or -1.
int ElementIndex(char32_t letter) noexcept {
  switch (UpperAscii(letter)) {
    case 'Y': return dteYearGx;
    case 'M': return dteMonthGx;
    case 'D': return dteDayGx;
    case 'H': return dteHourGx;
    case 'N': return dteMinuteGx;
    case 'S': return dteSecondGx;
    default: return -1;
  }
}

int MaxRunLength(char32_t letter) noexcept { return letter == 'Y' ? 4 : 2; }

bool IsMaskSpecial(char32_t c) noexcept {
  switch (UpperAscii(c)) {
    case '!': case '#': case '0': case '9': case ';': case '<': case '>': case 'A': case 'C': case 'L':
      return true;
    default:
      return false;
  }
}

std::string LetterText(char32_t letter) {
  std::string s;
  Utf8Append(s, letter);
  return s;
}

}  // namespace

bool IsDateTimeElementLetter(char32_t ch) noexcept { return ElementIndex(ch) >= 0; }

void DateTimeEditParseFormat(std::string_view editFormat, TDateTimeElementsGx& elements, std::string& editMask) {
  elements = TDateTimeElementsGx{};
  std::string mask;
  int displayPos = 1;
  char32_t pending = 0;
  int runLength = 0;
  bool escape = false;

  auto closePending = [&] {
    if (!pending) return;
    char32_t letter = pending;
    int length = runLength;
    pending = 0;
    runLength = 0;
    bool validLength = letter == 'Y' ? (length == 2 || length == 4) : length == 2;
    if (!validLength) throw Exception("Invalid datetime format element length: \"" + LetterText(letter) + "\"");
    TDateTimeElementGx& e = elements[ElementIndex(letter)];
    if (e.Present) throw Exception("Duplicating datetime format element: \"" + LetterText(letter) + "\"");
    e.Pos = displayPos - length;
    e.Length = length;
    e.Present = true;
    mask.append(static_cast<size_t>(length), '9');
  };

  size_t pos = 0;
  int index = 0;  // 1-based index of the character in the format
  while (pos < editFormat.size()) {
    char32_t c = Utf8Decode(editFormat, pos);
    ++index;
    if (!escape && ElementIndex(c) >= 0) {
      char32_t letter = UpperAscii(c);
      if (letter == pending) {
        if (++runLength > MaxRunLength(letter))
          throw Exception("Element in EditFormat: \"" + std::string(editFormat) + "\" is too long. Pos: " +
                          std::to_string(index));
      } else {
        closePending();
        pending = letter;
        runLength = 1;
      }
      ++displayPos;
      continue;
    }
    closePending();
    if (!escape && c == '\\') {
      escape = true;
      continue;
    }
    // An escaped mask directive goes in as a directive; an unescaped one is made literal.
    if (IsMaskSpecial(c) && !escape) mask += '\\';
    Utf8Append(mask, c);
    escape = false;
    ++displayPos;
  }
  closePending();
  editMask = "!" + mask + ";1; ";
}

std::string DateTimeEditDisplayFormat(std::string_view editFormat) {
  std::string out;
  std::string quoted;  // a run of literal text waiting for its quotes
  auto flush = [&] {
    if (quoted.empty()) return;
    out += '\'';
    out += quoted;
    out += '\'';
    quoted.clear();
  };
  size_t pos = 0;
  bool escape = false;
  while (pos < editFormat.size()) {
    char32_t c = Utf8Decode(editFormat, pos);
    if (!escape && c == '\\') {
      escape = true;
      continue;
    }
    if (!escape && (ElementIndex(c) >= 0 || c == '/' || c == ':')) {
      flush();
      Utf8Append(out, UpperAscii(c));
      continue;
    }
    escape = false;
    if (c == '\'') quoted += '\'';
    Utf8Append(quoted, c);
  }
  flush();
  return out;
}

std::string DateTimeEditTemplate(std::string_view editFormat) {
  std::string out;
  size_t pos = 0;
  bool escape = false;
  while (pos < editFormat.size()) {
    char32_t c = Utf8Decode(editFormat, pos);
    if (!escape && c == '\\') {
      escape = true;
      continue;
    }
    if (!escape && (ElementIndex(c) >= 0 || c == '/' || c == ':'))
      Utf8Append(out, UpperAscii(c));
    else
      out += ' ';
    escape = false;
  }
  return out;
}

std::string DateTimeEditDefaultDateFormat(bool fourDigitYear) {
  switch (GetDateOrder(FormatSettings.ShortDateFormat)) {
    case TDateOrder::MDY: return fourDigitYear ? "MM/DD/YYYY" : "MM/DD/YY";
    case TDateOrder::YMD: return fourDigitYear ? "YYYY/MM/DD" : "YY/MM/DD";
    case TDateOrder::DMY: break;
  }
  return fourDigitYear ? "DD/MM/YYYY" : "DD/MM/YY";
}

std::string DateTimeEditDefaultTimeFormat() { return "HH:NN:SS"; }

bool DateTimeEditLocaleFourDigitYear() {
  return UpperCase(FormatSettings.ShortDateFormat).find("YYY") != std::string::npos;
}

std::string DateTimeEditFormatOfKind(TDateTimeKindGx kind, bool fourDigitYear, std::string_view customFormat) {
  switch (kind) {
    case dtkDateGx: return DateTimeEditDefaultDateFormat(fourDigitYear);
    case dtkTimeGx: return DateTimeEditDefaultTimeFormat();
    case dtkDateTimeGx: return DateTimeEditDefaultDateFormat(fourDigitYear) + " " + DateTimeEditDefaultTimeFormat();
    case dtkCustomGx: break;
  }
  return std::string(customFormat);
}

int DateTimeEditExpandYear(int year) { return ExpandTwoDigitYear(year, FormatSettings); }

bool DateTimeEditTextToValues(std::string_view text, const TDateTimeElementsGx& elements, TDateTimeValuesGx& values) {
  std::u32string chars = Decode(text);
  bool complete = true;
  for (size_t i = 0; i < elements.size(); ++i) {
    values[i] = -1;
    const TDateTimeElementGx& e = elements[i];
    if (!e.Present) continue;
    int64_t number = 0;
    bool anyDigit = false;
    bool valid = true;
    for (int k = 0; k < e.Length && valid; ++k) {
      size_t at = static_cast<size_t>(e.Pos - 1 + k);
      if (e.Pos < 1 || at >= chars.size()) break;
      char32_t c = chars[at];
      if (c == ' ') continue;
      if (c < '0' || c > '9') {
        valid = false;
        break;
      }
      anyDigit = true;
      number = number * 10 + (c - '0');
      if (number > std::numeric_limits<int32_t>::max()) valid = false;
    }
    if (valid && anyDigit) {
      values[i] = static_cast<int32_t>(number);
      if (i == dteYearGx) values[i] = DateTimeEditExpandYear(values[i]);
    } else {
      complete = false;
    }
  }
  return complete;
}

int DateTimeEditImpossibleElement(std::string_view text, const TDateTimeElementsGx& elements) {
  std::u32string chars = Decode(text);
  for (size_t i = 0; i < elements.size(); ++i) {
    const TDateTimeElementGx& e = elements[i];
    if (!e.Present || e.Pos < 1) continue;
    int digits = 0;
    int64_t number = 0;
    for (int k = 0; k < e.Length; ++k) {
      size_t at = static_cast<size_t>(e.Pos - 1 + k);
      if (at >= chars.size()) break;
      if (chars[at] >= '0' && chars[at] <= '9') {
        ++digits;
        number = number * 10 + (chars[at] - '0');
      }
    }
    if (digits == 0) continue;
    bool possible = true;
    switch (i) {
      case dteYearGx: possible = e.Length != 4 || digits != 3; break;
      case dteMonthGx: possible = number >= 1 && number <= 12; break;
      case dteDayGx: possible = number >= 1 && number <= 31; break;
      case dteHourGx: possible = number <= 23; break;
      default: possible = number <= 59; break;
    }
    if (!possible) return static_cast<int>(i);
  }
  return -1;
}

TDateTimeValuesGx DateTimeEditSplitValue(TDateTime value) {
  TDateTimeValuesGx v{};
  int ms = 0;
  DecodeDateTime(value, v[dteYearGx], v[dteMonthGx], v[dteDayGx], v[dteHourGx], v[dteMinuteGx], v[dteSecondGx], ms);
  return v;
}

bool DateTimeEditValuesToVariant(const TDateTimeValuesGx& values, const TDateTimeElementsGx& elements, Variant& value,
                                 bool correct) {
  bool allBlank = true;
  for (int32_t v : values)
    if (v != -1) allBlank = false;
  if (allBlank) {
    value = Variant::Null();
    return true;
  }

  int y = values[dteYearGx], mo = values[dteMonthGx], d = values[dteDayGx];
  int h = values[dteHourGx], mi = values[dteMinuteGx], s = values[dteSecondGx];
  if (correct) {
    int ty = 0, tm = 0, td = 0;
    DecodeDate(Date(), ty, tm, td);
    if (y < 1) y = ty;
    if (mo < 1) mo = tm;
    if (d < 1) d = td;
    if (mo > 12) mo = 12;
    if (y > 9999) y = 9999;
    y = DateTimeEditExpandYear(y);
    if (d > DaysInAMonth(y, mo)) d = DaysInAMonth(y, mo);
    if (h < 0) h = 0;
    if (mi < 0) mi = 0;
    if (s < 0) s = 0;
    if (h > 23) h = 23;
    if (mi > 59) mi = 59;
    if (s > 59) s = 59;
  } else {
    if (!elements[dteYearGx].Present && y < 1) y = 1;
    if (!elements[dteMonthGx].Present && mo < 1) mo = 1;
    if (!elements[dteDayGx].Present && d < 1) d = 1;
    if (!elements[dteHourGx].Present && h < 0) h = 0;
    if (!elements[dteMinuteGx].Present && mi < 0) mi = 0;
    if (!elements[dteSecondGx].Present && s < 0) s = 0;
  }

  TDateTime probe = 0;
  bool dateOk = true;
  if (y >= 0 || mo >= 0 || d >= 0) dateOk = y >= 1 && mo >= 1 && d >= 1 && TryEncodeDate(y, mo, d, probe);
  bool timeOk = h >= 0 && mi >= 0 && s >= 0 && TryEncodeTime(h, mi, s, 0, probe);
  if (!dateOk || !timeOk) {
    value = Variant::Null();
    return false;
  }

  // Parts the format does not show come from the old value.
  int parts[7] = {1900, 1, 1, 0, 0, 0, 0};
  if (!value.IsNull() && !value.IsEmpty()) {
    try {
      DecodeDateTime(value.AsDateTime(), parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6]);
    } catch (const Exception&) {
      parts[0] = 1900, parts[1] = 1, parts[2] = 1, parts[3] = parts[4] = parts[5] = parts[6] = 0;
    }
  }
  const int fresh[6] = {y, mo, d, h, mi, s};
  for (int i = 0; i < 6; ++i) {
    if (elements[i].Present && fresh[i] >= (i <= dteDayGx ? 1 : 0)) parts[i] = fresh[i];
  }
  // A day kept from the old value (or one put beside a month taken from it) may not fit the month.
  if (parts[2] > DaysInAMonth(parts[0], parts[1])) {
    if (!correct) {
      value = Variant::Null();
      return false;
    }
    parts[2] = DaysInAMonth(parts[0], parts[1]);
  }
  TDateTime result = 0;
  if (!TryEncodeDateTime(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6], result)) {
    value = Variant::Null();
    return false;
  }
  value = Variant::FromDateTime(result);
  return true;
}

bool DateTimeEditStepElement(std::string_view text, std::string_view templ, bool up, std::string& newText,
                             int& length, int& position) {
  std::u32string tpl = Decode(templ);
  if (tpl.empty()) return false;
  int caret = position;
  if (caret < 1) caret = 1;
  if (caret > static_cast<int>(tpl.size())) caret = static_cast<int>(tpl.size());
  char32_t c = tpl[static_cast<size_t>(caret - 1)];
  if (c == '/' || c == ':' || c == static_cast<unsigned char>(FormatSettings.DateSeparator) ||
      c == static_cast<unsigned char>(FormatSettings.TimeSeparator)) {
    if (++caret > static_cast<int>(tpl.size())) return false;
    c = tpl[static_cast<size_t>(caret - 1)];
  }
  int kind = ElementIndex(c);
  if (kind < 0) return false;
  size_t start = tpl.find(c);
  size_t end = start;
  while (end < tpl.size() && tpl[end] == c) ++end;
  int elementLength = static_cast<int>(end - start);

  std::u32string chars = Decode(text);
  if (chars.size() < end) chars.resize(end, U' ');
  int number = 0;
  int32_t parsed = 0;
  if (TryStrToInt(Trim(Encode(chars.substr(start, end - start))), parsed)) number = parsed;

  int lo = 0, hi = 59;
  switch (kind) {
    case dteYearGx: lo = 1, hi = elementLength == 2 ? 99 : 9999; break;  // a short year keeps its width
    case dteMonthGx: lo = 1, hi = 12; break;
    case dteDayGx: lo = 1, hi = 31; break;
    case dteHourGx: hi = 23; break;
    default: break;
  }
  if (up)
    number = number >= hi || number < lo ? lo : number + 1;
  else
    number = number <= lo || number > hi ? hi : number - 1;

  std::string digits = FormatFloat(std::string(static_cast<size_t>(elementLength), '0'), number);
  chars.replace(start, end - start, Decode(digits));
  newText = Encode(chars);
  position = static_cast<int>(start) + 1;
  length = elementLength;
  return true;
}
