// Number, date and format texts: whatever the bytes, the readers answer yes or no and the
// formatters answer text or EConvertError; what one reader accepts, the writer gives back.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/variant.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view s(reinterpret_cast<const char*>(data), size);
  const TFormatSettings& fs = TFormatSettings::Invariant();

  double d;
  if (TryStrToFloat(s, d, fs) && std::isfinite(d)) {
    double back;
    if (!TryStrToFloat(FloatToStrF(d, ffGeneral, 17, 0, fs), back, fs) || back != d) std::abort();
  }
  Currency c;
  if (TryStrToCurr(s, c, fs)) {
    Currency back;
    if (!TryStrToCurr(CurrToStr(c, fs), back, fs) || back.Value != c.Value) std::abort();
  }
  int64_t i64;
  if (TryStrToInt64(s, i64) && StrToInt64(IntToStr(i64)) != i64) std::abort();
  int32_t i32;
  (void)TryStrToInt(s, i32);
  TDateTime dt;
  if (TryStrToDateTime(s, dt, fs)) {
    TDateTime back;
    if (!TryStrToDateTime(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", dt, fs), back, fs) ||
        std::fabs(back - dt) > 1e-6)
      std::abort();
  }

  try {
    (void)FormatFloat(s, 1234.5678, fs);
    (void)FormatFloat(s, -1e300, fs);
    (void)FormatCurr(s, Currency::FromScaled(INT64_MIN), fs);
  } catch (const EConvertError&) {
  }
  try {
    (void)FormatDateTime(s, 45000.75, fs);
  } catch (const EConvertError&) {
  }
  if (size < 4096) {
    try {
      (void)Format(s, {1, "text", 2.5, Variant::FromInt64(-7), Variant(Currency::FromInt(3))}, fs);
    } catch (const EConvertError&) {
    }
  }
  return 0;
}
