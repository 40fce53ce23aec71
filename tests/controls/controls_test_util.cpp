#include "controls_test_util.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace ctltest {

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

TPoint ScreenPoint(TControl* control, int x, int y) { return control->ClientToScreen(TPoint(x, y)); }

void MoveMouse(TControl* control, int x, int y) {
  TPoint p = ScreenPoint(control, x, y);
  FanoInputMouseMove(p.X, p.Y);
  Pump();
}

void MouseDown(TControl* control, int x, int y) {
  TPoint p = ScreenPoint(control, x, y);
  FanoInputMouseMove(p.X, p.Y);
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  Pump();
}

void MouseUp(TControl* control, int x, int y) {
  TPoint p = ScreenPoint(control, x, y);
  FanoInputMouseMove(p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  Pump();
}

void ClickAt(TControl* control, int x, int y) {
  MouseDown(control, x, y);
  MouseUp(control, x, y);
}

void KeyPress(UINT vk, bool shift, bool ctrl) {
  if (ctrl) FanoInputKey(VK_CONTROL, TRUE);
  if (shift) FanoInputKey(VK_SHIFT, TRUE);
  FanoInputKey(vk, TRUE);
  FanoInputKey(vk, FALSE);
  if (shift) FanoInputKey(VK_SHIFT, FALSE);
  if (ctrl) FanoInputKey(VK_CONTROL, FALSE);
  Pump();
}

TColor PixelOf(TWinControl* control, int x, int y) {
  RECT wr{};
  GetWindowRect(control->Handle(), &wr);
  TPoint origin = control->ClientOrigin();
  return static_cast<TColor>(
      FanoGetWindowPixel(control->Handle(), x + origin.X - wr.left, y + origin.Y - wr.top));
}

std::vector<FANO_DRAW_RECORD> Records(HDC dc) {
  std::vector<FANO_DRAW_RECORD> out;
  for (int i = 0; i < FanoRecordCount(dc); ++i) {
    FANO_DRAW_RECORD r{};
    FanoRecordGet(dc, i, &r);
    out.push_back(r);
  }
  return out;
}

std::vector<std::string> Formatted(HDC dc) {
  std::vector<std::string> out;
  for (int i = 0; i < FanoRecordCount(dc); ++i) {
    char buf[512];
    FanoRecordFormat(dc, i, buf, sizeof buf);
    out.push_back(buf);
  }
  return out;
}

std::string SnapshotPath(const std::string& name) {
  const char* dir = std::getenv("FANO_SNAPSHOT_DIR");
  return std::string(dir && *dir ? dir : FANO_SNAPSHOT_DEFAULT_DIR) + "/" + name;
}

void WriteSnapshot(TCustomForm* form, const std::string& name) {
  std::string path = SnapshotPath(name);
  ASSERT_TRUE(FanoSnapshotWindow(form->Handle(), path.c_str()));
  std::ifstream in(path, std::ios::binary);
  char sig[8] = {};
  in.read(sig, 8);
  EXPECT_EQ(std::string(sig + 1, 3), "PNG");
}

void ControlsTest::SetUp() {
  FanoUseHeadless();
  FanoSetTestFont(TRUE);
  ClockSetSimulated(1);
  Pump();
  form = new TForm(nullptr);
  form->SetBounds(10, 10, 400, 300);
  form->SetColor(clBtnFace);
}

void ControlsTest::TearDown() {
  if (form) form->Free();
  form = nullptr;
  Pump();
  ASSERT_EQ(Screen->CustomFormCount(), 0) << "a test left a form behind";
}

void ControlsTest::Show() {
  form->Show();
  Pump();
}

void SnapshotTest::SetUp() {
  ControlsTest::SetUp();
  FanoSetTestFont(FALSE);
}

void SnapshotTest::TearDown() {
  ControlsTest::TearDown();
  FanoSetTestFont(TRUE);
}

}  // namespace ctltest
