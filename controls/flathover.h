#pragma once
// The hover timer a flat control class shares among its instances: made (100 ms, stopped) by the
// first instance, freed by the last. Only one control of the class is tracked at a time: the
// timer checks whether the pointer has left it.
#include <functional>
#include <type_traits>

#include "platform/forms/controls.h"
#include "platform/forms/timer.h"

class TFlatHoverTimer {
 public:
  // An instance was made / is going (the tracked one stops being tracked).
  void Acquire();
  void Release(TControl* control);
  // The shared timer (null while no instance exists) and the number of instances.
  TTimer* Timer() const noexcept { return timer_; }
  int Count() const noexcept { return count_; }
  TControl* Tracked() const noexcept { return tracked_; }
  // Tracks the control: the timer restarts with check as its handler.
  void Track(TControl* control, std::function<void()> check);
  // Stops tracking when the control is the tracked one.
  void Untrack(TControl* control);
  // The pointer's screen position lies over the control (disabled controls count).
  static bool UnderCursor(TControl* control);

 private:
  // Owned: made by the first Acquire, freed by the last Release. A raw pointer keeps the class
  // trivially destructible (see the static_assert below).
  TTimer* timer_ = nullptr;
  int count_ = 0;
  TControl* tracked_ = nullptr;
};

// The shared instances are function-local statics: with no destructor to run at exit, a control
// freed after the statics' teardown still finds its instance intact.
static_assert(std::is_trivially_destructible_v<TFlatHoverTimer>);
