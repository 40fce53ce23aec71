#pragma once
// The one clock of the platform. Timers, message times, tick counts and "now" all read it, so a
// test can switch it to simulated time and advance it instead of sleeping.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define FANO_OS_API __attribute__((visibility("default")))

typedef struct SYSTEMTIME {
  uint16_t wYear;
  uint16_t wMonth;
  uint16_t wDayOfWeek;  // 0 = Sunday
  uint16_t wDay;
  uint16_t wHour;
  uint16_t wMinute;
  uint16_t wSecond;
  uint16_t wMilliseconds;
} SYSTEMTIME;

// Milliseconds since an arbitrary start; wraps after 49.7 days like the original.
FANO_OS_API uint32_t GetTickCount(void);
FANO_OS_API uint64_t GetTickCount64(void);
// The local wall-clock time.
FANO_OS_API void GetLocalTime(SYSTEMTIME* st);

// Simulated time: while on, the tick count and the local time move only through ClockAdvance.
// Switching on keeps the current tick count and local time as the starting point unless
// ClockSetLocalTime is called.
FANO_OS_API void ClockSetSimulated(int on);
FANO_OS_API int ClockIsSimulated(void);
FANO_OS_API void ClockAdvance(uint32_t milliseconds);
// Sets the simulated local time (switches simulation on).
FANO_OS_API void ClockSetLocalTime(const SYSTEMTIME* st);

#ifdef __cplusplus
}
#endif
