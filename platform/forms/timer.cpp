#include "platform/forms/timer.h"

#include <unordered_map>

#include "platform/forms/forms.h"
#include "platform/os/winuser.h"
#include "platform/rtl/exceptions.h"

FANO_IMPLEMENT_COMPONENT(TTimer, TComponent)

namespace {
// The timers running now, by the window system's timer id.
std::unordered_map<uintptr_t, TTimer*>& Timers() {
  static std::unordered_map<uintptr_t, TTimer*> map;
  return map;
}

void TimerProc(HWND, UINT, UINT_PTR id, DWORD) { FanoTimerFire(id); }
}  // namespace

void InitTimers() { Timers(); }

void FanoTimerFire(uintptr_t id) {
  auto& map = Timers();
  auto it = map.find(id);
  if (it == map.end()) return;
  TTimer* timer = it->second;
  try {
    timer->Timer();
  } catch (...) {
    // A timer event's failure is reported like any other that reaches the message loop.
    if (Application) Application->HandleException(timer);
  }
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  enabled_ = false;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (id_) {
    KillTimer(nullptr, id_);
    Timers().erase(id_);
    id_ = 0;
  }
  if (interval_ != 0 && enabled_ && onTimer_ && !InState(csLoading) && !InState(csDestroying)) {
    id_ = SetTimer(nullptr, 0, interval_, &TimerProc);
    if (!id_) throw EOutOfResources("Not enough timers available");
    Timers()[id_] = this;
  }
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned value) {
  if (value == interval_) return;
  interval_ = value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent value) {
  onTimer_ = std::move(value);
  UpdateTimer();
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

void TTimer::Timer() {
  if (onTimer_) onTimer_(this);
}
