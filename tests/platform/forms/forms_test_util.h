#pragma once
// Fixture of the forms tests: headless display, test font, simulated clock; pumping through the
// application's own loop (so that keys reach the controls as in a program of ours); a log of the
// messages chosen controls receive.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/forms/controls.h"
#include "platform/forms/forms.h"
#include "platform/os/clock.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

namespace formstest {

// The names of the notifications the tests look at.
std::string MessageName(UINT msg);

// Records "Name:MESSAGE" for every watched message a control receives (through its WindowProc).
class MessageLog {
 public:
  void Watch(TControl* control, std::set<UINT> messages);
  void Clear() { entries_.clear(); }
  const std::vector<std::string>& Entries() const { return entries_; }
  // The entries that name one message, in order.
  std::vector<std::string> Of(UINT msg) const;
  std::string Joined() const;

 private:
  std::vector<std::string> entries_;
};

// Runs the messages waiting now through the application's loop.
void Pump();
// Advances the simulated clock in steps, running the messages after each.
void AdvanceAndPump(uint32_t ms, uint32_t step = 10);
// Screen coordinates of a point of a control.
TPoint ScreenPoint(TControl* control, int x, int y);
void ClickAt(TControl* control, int x, int y);
void KeyPress(UINT vk, bool shift = false);

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// A test with a form of its own (no window yet), freed after each test.
class FormTest : public FormsTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Shows the form and runs the messages that follow.
  void Show();
  TForm* form = nullptr;
};

// A windowed control that can take the focus and counts its paints.
class TTestWin : public TCustomControl {
 public:
  explicit TTestWin(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 60, 20);
  }
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
  }
};

// A windowless control.
class TTestGraphic : public TGraphicControl {
 public:
  explicit TTestGraphic(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 30, 20); }
  int paints = 0;

 protected:
  void Paint() override { ++paints; }
};

}  // namespace formstest
