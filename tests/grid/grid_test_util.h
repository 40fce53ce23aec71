#pragma once
// Fixture of the grid tests: headless display, test font, simulated clock, a form holding a test
// grid whose cell painter records what it was asked to draw, and input helpers that go through
// the window system's queue.
#include <functional>
#include <string>
#include <vector>

#include "grid/gridbase.h"
#include "grid/inplaceedit.h"
#include "support/ui_fixture.h"

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
  // When set, a column drag's end goes where this says instead.
  std::function<void(int& origin, int& destination)> onEndColumnDrag;
  bool EndColumnDrag(int& origin, int& destination, const TPoint& mousePt) override {
    if (onEndColumnDrag) onEndColumnDrag(origin, destination);
    return TCustomGridGx::EndColumnDrag(origin, destination, mousePt);
  }
  std::string TextOf(int col, int row) const;
  // Public doors to protected operations the tests drive.
  using TCustomGridGx::ChangeSize;
  using TCustomGridGx::TimedScroll;
};

using uitest::AdvanceAndPump;
using uitest::Pump;
using uitest::Records;

class GridTest : public uitest::HeadlessTest {
 protected:
  void TearDown() override;
  // A shown form with a grid of the given client size (no border, no scroll bars unless asked).
  void MakeGrid(int width = 400, int height = 200, TScrollStyle bars = ssNone);
  TPoint Screen(int x, int y) const { return grid->ClientToScreen(TPoint(x, y)); }
  void MouseButton(int x, int y, bool down, bool shift);
  void MouseDown(int x, int y, bool shift = false) { MouseButton(x, y, true, shift); }
  void MouseMoveTo(int x, int y) { uitest::MoveMouse(grid, x, y); }
  void MouseUp(int x, int y, bool shift = false) { MouseButton(x, y, false, shift); }
  void Click(int x, int y) {
    MouseDown(x, y);
    MouseUp(x, y);
  }
  void Key(UINT vk, bool shift = false, bool ctrl = false) { uitest::KeyPress(vk, shift, ctrl); }
  // Paints the grid onto a fresh recording context of its client size.
  HDC PaintRecorded();

  TForm* form = nullptr;
  TTestGrid* grid = nullptr;
};

}  // namespace gridtest
