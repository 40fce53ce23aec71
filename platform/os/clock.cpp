#include "platform/os/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>

namespace {

using SteadyClock = std::chrono::steady_clock;

struct ClockState {
  std::mutex lock;
  bool simulated = false;
  uint64_t simTick = 0;         // simulated tick count in ms
  int64_t simLocalMs = 0;       // simulated local time, ms since 1970-01-01 (local)
  SteadyClock::time_point start = SteadyClock::now();
};

ClockState& State() {
  static ClockState s;
  return s;
}

uint64_t RealTick(ClockState& s) {
  // Start at a day's worth of milliseconds so that "tick - interval" never goes below zero early.
  return 86400000ull +
         static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - s.start).count());
}

int64_t RealLocalMs() {
  auto now = std::chrono::system_clock::now();
  int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  time_t secs = static_cast<time_t>(ms / 1000);
  struct tm lt;
  localtime_r(&secs, &lt);
  return ms + static_cast<int64_t>(lt.tm_gmtoff) * 1000;
}

void FromLocalMs(int64_t localMs, SYSTEMTIME* st) {
  time_t secs = static_cast<time_t>(localMs / 1000);
  int ms = static_cast<int>(localMs % 1000);
  if (ms < 0) { ms += 1000; --secs; }
  struct tm t;
  gmtime_r(&secs, &t);
  st->wYear = static_cast<uint16_t>(t.tm_year + 1900);
  st->wMonth = static_cast<uint16_t>(t.tm_mon + 1);
  st->wDayOfWeek = static_cast<uint16_t>(t.tm_wday);
  st->wDay = static_cast<uint16_t>(t.tm_mday);
  st->wHour = static_cast<uint16_t>(t.tm_hour);
  st->wMinute = static_cast<uint16_t>(t.tm_min);
  st->wSecond = static_cast<uint16_t>(t.tm_sec);
  st->wMilliseconds = static_cast<uint16_t>(ms);
}

int64_t ToLocalMs(const SYSTEMTIME* st) {
  struct tm t = {};
  t.tm_year = st->wYear - 1900;
  t.tm_mon = st->wMonth - 1;
  t.tm_mday = st->wDay;
  t.tm_hour = st->wHour;
  t.tm_min = st->wMinute;
  t.tm_sec = st->wSecond;
  return static_cast<int64_t>(timegm(&t)) * 1000 + st->wMilliseconds;
}

}  // namespace

extern "C" {

uint64_t GetTickCount64(void) {
  ClockState& s = State();
  std::lock_guard<std::mutex> g(s.lock);
  return s.simulated ? s.simTick : RealTick(s);
}

uint32_t GetTickCount(void) { return static_cast<uint32_t>(GetTickCount64()); }

void GetLocalTime(SYSTEMTIME* st) {
  ClockState& s = State();
  int64_t ms;
  {
    std::lock_guard<std::mutex> g(s.lock);
    ms = s.simulated ? s.simLocalMs : RealLocalMs();
  }
  FromLocalMs(ms, st);
}

void ClockSetSimulated(int on) {
  ClockState& s = State();
  std::lock_guard<std::mutex> g(s.lock);
  if (on && !s.simulated) {
    s.simTick = RealTick(s);
    s.simLocalMs = RealLocalMs();
  } else if (!on && s.simulated) {
    // Keep the tick count monotonic when going back to real time.
    auto realTick = RealTick(s);
    if (s.simTick > realTick) s.start -= std::chrono::milliseconds(s.simTick - realTick);
  }
  s.simulated = on != 0;
}

int ClockIsSimulated(void) {
  ClockState& s = State();
  std::lock_guard<std::mutex> g(s.lock);
  return s.simulated ? 1 : 0;
}

void ClockAdvance(uint32_t milliseconds) {
  ClockState& s = State();
  std::lock_guard<std::mutex> g(s.lock);
  if (!s.simulated) {
    s.simTick = RealTick(s);
    s.simLocalMs = RealLocalMs();
    s.simulated = true;
  }
  s.simTick += milliseconds;
  s.simLocalMs += milliseconds;
}

void ClockSetLocalTime(const SYSTEMTIME* st) {
  ClockState& s = State();
  std::lock_guard<std::mutex> g(s.lock);
  if (!s.simulated) {
    s.simTick = RealTick(s);
    s.simulated = true;
  }
  s.simLocalMs = ToLocalMs(st);
}

}  // extern "C"
