#pragma once
// Fixture of the grid tests: headless display, test font, simulated clock, a form holding a test
// grid whose cell painter records what it was asked to draw, and input helpers that go through
// the window system's queue.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/gridbase.h"
#include "grid/inplaceedit.h"
#include "platform/forms/forms.h"
#include "platform/os/clock.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

namespace gridtest {

struct DrawnCell {
  int Col;
  int Row;
  TRect Rect;
  TGridDrawState State;
};

// A grid that records its DrawCell calls and keeps the texts its editor hands back.
class TTestGrid : public TCustomGridGx {
 public:
  explicit TTestGrid(TComponent* owner) : TCustomGridGx(owner) {}
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  std::string GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const std::string& value) override;
  int GetEditLimit() override { return editLimit; }

  std::vector<DrawnCell> drawn;
  // Texts of cells, by "col,row"; the painter draws them when drawTexts is set.
  std::vector<std::pair<TGridCoord, std::string>> texts;
  bool drawTexts = false;
  std::vector<std::string> edits;  // "col,row=text" for each SetEditText
  int editLimit = 0;
  int clicks = 0;
  void Click() override {
    ++clicks;
    TCustomGridGx::Click();
  }
  std::string TextOf(int col, int row) const;
  // Public doors to protected operations the tests drive.
  using TCustomGridGx::ChangeSize;
  using TCustomGridGx::TimedScroll;
};

void Pump();
// A key pressed and let go, with Shift and Ctrl held around it when asked; then the messages run.
void PressKey(UINT vk, bool shift = false, bool ctrl = false);
void AdvanceAndPump(uint32_t ms, uint32_t step = 10);

class GridTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A shown form with a grid of the given client size (no border, no scroll bars unless asked).
  void MakeGrid(int width = 400, int height = 200, TScrollStyle bars = ssNone);
  TPoint Screen(int x, int y) const { return grid->ClientToScreen(TPoint(x, y)); }
  void MouseButton(int x, int y, bool down, bool shift);
  void MouseDown(int x, int y, bool shift = false) { MouseButton(x, y, true, shift); }
  void MouseMoveTo(int x, int y);
  void MouseUp(int x, int y, bool shift = false) { MouseButton(x, y, false, shift); }
  void Click(int x, int y) {
    MouseDown(x, y);
    MouseUp(x, y);
  }
  void Key(UINT vk, bool shift = false, bool ctrl = false);
  // Paints the grid onto a fresh recording context of its client size.
  HDC PaintRecorded();
  std::vector<FANO_DRAW_RECORD> Records(HDC dc, const char* call = nullptr);

  TForm* form = nullptr;
  TTestGrid* grid = nullptr;
};

}  // namespace gridtest
