#pragma once
// Fixture of the data-aware editor tests: headless display, test font, simulated clock, a form to
// put editors on, input helpers and snapshots (written with the real fonts by SnapshotFixture).
#include "support/clock_time.h"
#include "support/ui_fixture.h"

namespace dbfix {

using uitest::ClickAt;
using uitest::KeyPress;
using uitest::MouseDown;
using uitest::MouseUp;
using uitest::PixelOf;
using uitest::Pump;
using uitest::ScreenPoint;
using uitest::Type;
using uitest::Wheel;
using uitest::WriteSnapshot;

// Sets the simulated local date (and a time of day).
inline void SetToday(int y, int m, int d, int h = 9, int n = 0) { SetLocalTimeTo(y, m, d, h, n); }

// The shared form fixture; the format settings start and end at their defaults.
class EditorFixture : public uitest::FormTest {
 protected:
  void SetUp() override;
  void TearDown() override;
};

using SnapshotFixture = uitest::RealFonts<EditorFixture>;

}  // namespace dbfix
