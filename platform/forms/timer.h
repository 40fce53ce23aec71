#pragma once
// TTimer: runs OnTimer every Interval milliseconds while Enabled, from the message loop (a thread
// timer of the window system, so it runs in any loop, the host's included).
#include <cstdint>

#include "platform/classes/component.h"

// Runs the timer of that window-system timer id (the timer procedure calls it).
void FanoTimerFire(uintptr_t id);
// Makes the table of running timers at start-up (it outlives the application at exit).
void InitTimers();

class TTimer : public TComponent {
  FANO_CLASS(TTimer)
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool value);
  // Milliseconds; 0 stops the timer.
  unsigned Interval() const noexcept { return interval_; }
  void SetInterval(unsigned value);
  const TNotifyEvent& OnTimer() const noexcept { return onTimer_; }
  void SetOnTimer(TNotifyEvent value);

  void Loaded() override;

 protected:
  virtual void Timer();

 private:
  friend void FanoTimerFire(uintptr_t id);
  void UpdateTimer();
  bool enabled_ = true;
  unsigned interval_ = 1000;
  TNotifyEvent onTimer_;
  uintptr_t id_ = 0;
};
