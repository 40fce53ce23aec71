#pragma once
// Fixture of the forms tests: headless display, test font, simulated clock; pumping through the
// application's own loop (so that keys reach the controls as in a program of ours); a log of the
// messages chosen controls receive.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "support/ui_fixture.h"

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

using uitest::AdvanceAndPump;
using uitest::ClickAt;
using uitest::KeyPress;
using uitest::MouseDown;
using uitest::MouseUp;
using uitest::MouseUpAt;
using uitest::MoveMouse;
using uitest::MoveMouseTo;
using uitest::Pump;
using uitest::ScreenPoint;

// A 32-bit picture of one colour (the caller deletes it).
HBITMAP SolidBitmap(int width, int height, COLORREF color);

using FormsTest = uitest::HeadlessTest;
using FormTest = uitest::PlainFormTest;

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
