#pragma once
// Fixture of the data-aware editor tests: headless display, test font, simulated clock, a form to
// put editors on, input helpers and snapshots (written with the real fonts by SnapshotFixture).
#include <gtest/gtest.h>

#include <string>

#include "platform/forms/controls.h"
#include "platform/forms/forms.h"
#include "platform/os/clock.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

namespace dbfix {

void Pump();
TPoint ScreenPoint(TControl* control, int x, int y);
void MouseDown(TControl* control, int x, int y);
void MouseUp(TControl* control, int x, int y);
void ClickAt(TControl* control, int x, int y);
void Wheel(TControl* control, int delta);
// A key pressed and released (with Shift, Ctrl or Alt held).
void KeyPress(UINT vk, bool shift = false, bool ctrl = false, bool alt = false);
// Characters typed (each goes through WM_CHAR).
void Type(const char* utf8);
// The pixel shown at a client point of a windowed control.
TColor PixelOf(TWinControl* control, int x, int y);
// Writes the window (a form or a drop-down) as a PNG beside the test program, checks it was written.
void WriteSnapshot(HWND wnd, const std::string& name);
// Sets the simulated local date (and a time of day).
void SetToday(int y, int m, int d, int h = 9, int n = 0);

class EditorFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void Show();
  template <class T>
  T* Add(int x, int y, int w, int h) {
    auto* c = new T(form);
    c->SetParent(form);
    c->SetBounds(x, y, w, h);
    return c;
  }
  TForm* form = nullptr;
};

class SnapshotFixture : public EditorFixture {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace dbfix
