// The shared hover timer of the flat controls.
#include "controls/flathover.h"

void TFlatHoverTimer::Acquire() {
  if (!timer_) {
    timer_ = new TTimer(nullptr);
    timer_->SetEnabled(false);
    timer_->SetInterval(100);
  }
  ++count_;
}

void TFlatHoverTimer::Release(TControl* control) {
  Untrack(control);
  if (--count_ <= 0) {
    count_ = 0;
    tracked_ = nullptr;
    TTimer* timer = timer_;
    timer_ = nullptr;
    timer->Free();
  }
}

void TFlatHoverTimer::Track(TControl* control, std::function<void()> check) {
  if (!timer_) return;
  if (timer_->Enabled()) timer_->SetEnabled(false);
  tracked_ = control;
  timer_->SetOnTimer([check = std::move(check)](TObject*) { check(); });
  timer_->SetEnabled(true);
}

void TFlatHoverTimer::Untrack(TControl* control) {
  if (tracked_ != control || !control) return;
  if (timer_) timer_->SetEnabled(false);
  tracked_ = nullptr;
}

bool TFlatHoverTimer::UnderCursor(TControl* control) {
  POINT p{};
  GetCursorPos(&p);
  return FindDragTarget(TPoint(p.x, p.y), true) == control;
}
