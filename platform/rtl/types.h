#pragma once
// Basic scalar types of the platform layer, named as the rest of the code expects them.
#include <cstdint>
#include <string>
#include <string_view>

using Integer = int32_t;
using Cardinal = uint32_t;
using Int64 = int64_t;
using UInt64 = uint64_t;
using Byte = uint8_t;
using Word = uint16_t;
using LongWord = uint32_t;
using SmallInt = int16_t;
using ShortInt = int8_t;
using LongInt = int32_t;
using NativeInt = intptr_t;
using NativeUInt = uintptr_t;

// UTF-8 inside the program; UTF-16 where a wide string is meant.
using String = std::string;
using WideString = std::u16string;

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

// Fixed-point money: an integer scaled by 10,000.
struct Currency {
  int64_t Value = 0;  // scaled by 10,000

  constexpr Currency() = default;
  static constexpr Currency FromScaled(int64_t scaled) { Currency c; c.Value = scaled; return c; }
  static Currency FromDouble(double d);  // rounds half to even at the fourth decimal; raises on overflow
  static constexpr Currency FromInt(int64_t i) { return FromScaled(i * 10000); }
  double ToDouble() const { return static_cast<double>(Value) / 10000.0; }

  friend constexpr bool operator==(Currency a, Currency b) { return a.Value == b.Value; }
  friend constexpr auto operator<=>(Currency a, Currency b) { return a.Value <=> b.Value; }
};

constexpr int64_t CurrencyScale = 10000;

// Horizontal alignment of text in a field, a column or a control.
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
