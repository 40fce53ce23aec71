#pragma once
// Fixture of the controls tests: headless display, test font, simulated clock, a form to put
// controls on; pixel and drawing-record probes; snapshots written with the real fonts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/controls.h"
#include "platform/forms/forms.h"
#include "platform/os/clock.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

namespace ctltest {

void Pump();
void AdvanceAndPump(uint32_t ms, uint32_t step = 10);
TPoint ScreenPoint(TControl* control, int x, int y);
void MoveMouse(TControl* control, int x, int y);
void MouseDown(TControl* control, int x, int y);
void MouseUp(TControl* control, int x, int y);
void ClickAt(TControl* control, int x, int y);
void KeyPress(UINT vk, bool shift = false, bool ctrl = false);

// The pixel shown at a client point of a windowed control.
TColor PixelOf(TWinControl* control, int x, int y);
// Same colour (0x00BBGGRR) as a TColor.
inline TColor Rgb(int r, int g, int b) { return static_cast<TColor>(RGB(r, g, b)); }

// The calls recorded on a DC, formatted ("Rectangle(0, 0, 11, 10)").
std::vector<std::string> Formatted(HDC dc);
std::vector<FANO_DRAW_RECORD> Records(HDC dc);

// Where snapshots go (FANO_SNAPSHOT_DIR, else beside the test program).
std::string SnapshotPath(const std::string& name);
// Writes the form's window as a PNG, checks the file was written.
void WriteSnapshot(TCustomForm* form, const std::string& name);

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Shows the form and runs the messages that follow.
  void Show();
  template <class T>
  T* Add(int x, int y, int w, int h, TWinControl* parent = nullptr) {
    auto* c = new T(form);
    c->SetParent(parent ? parent : form);
    c->SetBounds(x, y, w, h);
    return c;
  }
  TForm* form = nullptr;
};

// Snapshots with the real fonts; the test font again afterwards.
class SnapshotTest : public ControlsTest {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace ctltest
