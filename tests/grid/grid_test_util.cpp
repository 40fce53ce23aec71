#include "grid_test_util.h"

#include <cstring>

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

void Pump() { Application->ProcessMessages(); }

void AdvanceAndPump(uint32_t ms, uint32_t step) {
  Pump();
  while (ms > 0) {
    uint32_t s = std::min(ms, step);
    ClockAdvance(s);
    ms -= s;
    Pump();
  }
}

void GridTest::SetUp() {
  FanoUseHeadless();
  FanoSetTestFont(TRUE);
  ClockSetSimulated(1);
  Pump();
}

void GridTest::TearDown() {
  if (form) form->Free();
  form = nullptr;
  grid = nullptr;
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

void GridTest::MouseMoveTo(int x, int y) {
  TPoint p = Screen(x, y);
  FanoInputMouseMove(p.X, p.Y);
  Pump();
}

void PressKey(UINT vk, bool shift, bool ctrl) {
  if (shift) FanoInputKey(VK_SHIFT, TRUE);
  if (ctrl) FanoInputKey(VK_CONTROL, TRUE);
  FanoInputKey(vk, TRUE);
  FanoInputKey(vk, FALSE);
  if (ctrl) FanoInputKey(VK_CONTROL, FALSE);
  if (shift) FanoInputKey(VK_SHIFT, FALSE);
  Pump();
}

void GridTest::Key(UINT vk, bool shift, bool ctrl) { PressKey(vk, shift, ctrl); }

HDC GridTest::PaintRecorded() {
  HDC dc = FanoCreateRecordingDC(grid->ClientWidth(), grid->ClientHeight());
  grid->drawn.clear();
  PaintWithCanvas(grid->Canvas(), dc, [this] { grid->Paint(); });
  return dc;
}

std::vector<FANO_DRAW_RECORD> GridTest::Records(HDC dc, const char* call) {
  std::vector<FANO_DRAW_RECORD> out;
  for (int i = 0; i < FanoRecordCount(dc); ++i) {
    FANO_DRAW_RECORD r{};
    FanoRecordGet(dc, i, &r);
    if (!call || std::strcmp(r.call, call) == 0) out.push_back(r);
  }
  return out;
}

}  // namespace gridtest
