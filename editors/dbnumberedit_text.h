#pragma once
// The number editor's text and value rules, without any window: normalising what the user types
// (thousands separators out, "." and "," as the decimal separator), parsing it, deciding whether
// a text may stand in the editor (decimal places, sign against the bounds), grouping the integer
// digits while typing with the caret kept beside the same digit, the edit format derived from a
// display format, and constraining a value to the bounds and the decimal places.
// TCustomDBNumberEditGx applies these to its edit window.
#include <string>
#include <string_view>

// Bounds and decimal places of a number editor.
struct TNumberRulesGx {
  double MinValue = 0;
  double MaxValue = 0;
  unsigned DecimalPlaces = 2;
};

// Trims characters below 33, removes the locale's thousands separators (when they differ from
// the decimal separator) and turns "." and "," that are not the locale's separators into the
// decimal separator.
std::string NormalizeNumberText(std::string_view text);
// "+" or "-" alone is 0; otherwise only signs, digits, "E"/"e" and the decimal separator may
// stand in a text that the platform's float conversion accepts.
bool TextToNumber(std::string_view text, double& value);
// Whether the normalised text may stand in the editor: no more decimals than allowed, a number
// (or empty), and not negative when the bounds allow only values from 0 up.
bool IsValidNumberText(std::string_view text, const TNumberRulesGx& rules);
// The integer digits regrouped by thousands (when grouping), the sign, fraction and exponent as
// they are.
std::string FormatNumberText(std::string_view text, bool grouping);
// The text regrouped as the editor shows it while focused; "" and "-" stay. The caret (a byte
// offset) moves by the change of length.
std::string RegroupNumberText(std::string_view text, std::string_view editFormat, int& caret);
// The edit format of a display format: its first section's digit placeholders, grouping and
// decimal point, without quoted text and the exponent's digits.
std::string NumberEditFormatFromDisplayFormat(std::string_view displayFormat);
// Clamped to the bounds (equal bounds: none; reversed bounds: only the one that is not 0) and
// rounded to the decimal places, halves to even. A value that rounding cannot represent (too
// large for its decimal places, infinite, or more than 37 places) is left as it is.
double ConstrainNumber(double value, const TNumberRulesGx& rules);
