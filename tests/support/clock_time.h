#pragma once
// Puts the simulated clock on a local date and time (the clock stands there until advanced).
#include <cstdint>

#include "platform/os/clock.h"

inline void SetLocalTimeTo(int y, int m, int d, int h = 0, int n = 0, int s = 0, int ms = 0) {
  SYSTEMTIME st{};
  st.wYear = static_cast<uint16_t>(y);
  st.wMonth = static_cast<uint16_t>(m);
  st.wDay = static_cast<uint16_t>(d);
  st.wHour = static_cast<uint16_t>(h);
  st.wMinute = static_cast<uint16_t>(n);
  st.wSecond = static_cast<uint16_t>(s);
  st.wMilliseconds = static_cast<uint16_t>(ms);
  ClockSetLocalTime(&st);
}
