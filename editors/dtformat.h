#pragma once
// The date-time editor's edit-format language, without any window: an edit format such as
// "DD/MM/YYYY" names the elements of a date and time (Y year, M month, D day, H hour, N minute,
// S second; a backslash makes the next character literal; everything else is shown as it is).
// From it come the masked edit's mask, the display format for FormatDateTime and a template that
// lines up with the text; the text is read back into element values, those into a date variant
// (with or without correcting out-of-range parts), and the element under the caret can be
// stepped up or down with wrap-around. TDBDateTimeEditGx drives these; the grid reuses them.
//
// Positions are 1-based and count characters (code points), as the masked edit counts them.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/variant.h"

enum TDateTimeKindGx { dtkDateGx, dtkTimeGx, dtkDateTimeGx, dtkCustomGx };

// Where an element stands in the displayed text; Pos and Length are -1 when it is absent.
struct TDateTimeElementGx {
  int32_t Pos = -1;
  int32_t Length = -1;
  bool Present = false;
};

// Indexes of the element table and of the element values.
enum TDateTimeElementKindGx { dteYearGx, dteMonthGx, dteDayGx, dteHourGx, dteMinuteGx, dteSecondGx };

using TDateTimeElementsGx = std::array<TDateTimeElementGx, 6>;
// One value per element, -1 when that part is not given.
using TDateTimeValuesGx = std::array<int32_t, 6>;

constexpr TDateTimeValuesGx NoDateTimeValuesGx{-1, -1, -1, -1, -1, -1};

// Fills the element table and the edit mask ("!" + mask + ";1; "). A malformed format raises
// Exception with "Element in EditFormat: "..." is too long. Pos: N", "Invalid datetime format
// element length: "X"" or "Duplicating datetime format element: "X"".
void DateTimeEditParseFormat(std::string_view editFormat, TDateTimeElementsGx& elements, std::string& editMask);
// The format for FormatDateTime: element letters, "/" and ":" as they are, other text quoted.
std::string DateTimeEditDisplayFormat(std::string_view editFormat);
// Element letters (upper case), "/" and ":" kept; every other shown character becomes a space.
std::string DateTimeEditTemplate(std::string_view editFormat);

// The date format in the order of the locale's short date format, and the time format.
std::string DateTimeEditDefaultDateFormat(bool fourDigitYear);
std::string DateTimeEditDefaultTimeFormat();
// Whether the locale's short date format shows four-digit years.
bool DateTimeEditLocaleFourDigitYear();
// The edit format of a kind (the custom kind answers `customFormat`).
std::string DateTimeEditFormatOfKind(TDateTimeKindGx kind, bool fourDigitYear, std::string_view customFormat);

// A year below 100 moved into the locale's two-digit-year window.
int DateTimeEditExpandYear(int year);

// Reads every present element from the text; true when none of them was blank or not a number.
bool DateTimeEditTextToValues(std::string_view text, const TDateTimeElementsGx& elements, TDateTimeValuesGx& values);
// Builds the value from element values over the old value (in: the old value, out: the new one).
// With `correct`, blank date parts are taken from today and parts out of range are brought into
// it; without, anything that is not a valid date or time gives Null and false. All values -1 give
// Null and true. Parts that the format does not show keep the old value's parts.
bool DateTimeEditValuesToVariant(const TDateTimeValuesGx& values, const TDateTimeElementsGx& elements, Variant& value,
                                 bool correct);
// The first element (index in the table order) whose typed digits cannot be a part of any date or
// time: a year of three digits in a four-digit element, a month or day of 0 or above 12 or 31,
// an hour above 23, a minute or second above 59. -1 when every element can (blank ones can).
int DateTimeEditImpossibleElement(std::string_view text, const TDateTimeElementsGx& elements);
// The element values of a date-time (all six parts).
TDateTimeValuesGx DateTimeEditSplitValue(TDateTime value);

// Steps the element under the caret (`position`, 1-based, in) one up or down with wrap-around
// and writes it zero-padded into `newText`; `position` and `length` answer the element's place.
// Answers false (and changes nothing) when the caret is on no element.
bool DateTimeEditStepElement(std::string_view text, std::string_view templ, bool up, std::string& newText,
                             int& length, int& position);

// Whether the character is one of the element letters (either case).
bool IsDateTimeElementLetter(char32_t ch) noexcept;
