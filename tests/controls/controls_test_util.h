#pragma once
// Fixture of the controls tests: headless display, test font, simulated clock, a form to put
// controls on; pixel and drawing-record probes; snapshots written with the real fonts.
#include "support/ui_fixture.h"

namespace ctltest {

using uitest::AdvanceAndPump;
using uitest::ClickAt;
using uitest::Formatted;
using uitest::KeyPress;
using uitest::MouseDown;
using uitest::MouseDownAt;
using uitest::MouseUp;
using uitest::MouseUpAt;
using uitest::MoveMouse;
using uitest::MoveMouseTo;
using uitest::PixelOf;
using uitest::Pump;
using uitest::Records;
using uitest::Rgb;
using uitest::ScreenPoint;
using uitest::SnapshotPath;
using uitest::WriteSnapshot;

using ControlsTest = uitest::FormTest;
using SnapshotTest = uitest::SnapshotTest;

}  // namespace ctltest
