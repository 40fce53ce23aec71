#include "grid_test_util.h"

namespace gridtest {

void TTestGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
  drawn.push_back({col, row, rect, state});
  if (!drawTexts) return;
  std::string text = TextOf(col, row);
  if (!text.empty()) Canvas()->TextRect(rect, rect.Left + 3, rect.Top + 3, text);
}

std::string TTestGrid::TextOf(int col, int row) const {
  for (const auto& [c, t] : texts)
    if (c.X == col && c.Y == row) return t;
  return {};
}

std::string TTestGrid::GetEditText(int col, int row) { return TextOf(col, row); }

void TTestGrid::SetEditText(int col, int row, const std::string& value) {
  edits.push_back(std::to_string(col) + "," + std::to_string(row) + "=" + value);
}

void GridTest::TearDown() {
  if (form) form->Free();
  form = nullptr;
  grid = nullptr;
  // Forms a test keeps in members go after this: no count of the forms left here.
  Pump();
}

void GridTest::MakeGrid(int width, int height, TScrollStyle bars) {
  form = new TForm(nullptr);
  form->SetBounds(10, 10, width + 40, height + 60);
  grid = new TTestGrid(form);
  grid->SetBorderStyle(bsNone);
  grid->SetScrollBars(bars);
  grid->SetParent(form);
  grid->SetBounds(0, 0, width, height);
  form->Show();
  Pump();
  grid->SetFocus();
  Pump();
}

void GridTest::MouseButton(int x, int y, bool down, bool shift) {
  TPoint p = Screen(x, y);
  if (shift) FanoInputKey(VK_SHIFT, TRUE);
  FanoInputMouseMove(p.X, p.Y);
  FanoInputMouseButton(0, down ? TRUE : FALSE, p.X, p.Y);
  if (shift) FanoInputKey(VK_SHIFT, FALSE);
  Pump();
}

HDC GridTest::PaintRecorded() {
  HDC dc = FanoCreateRecordingDC(grid->ClientWidth(), grid->ClientHeight());
  grid->drawn.clear();
  PaintWithCanvas(grid->Canvas(), dc, [this] { grid->Paint(); });
  return dc;
}

}  // namespace gridtest
