#include "dbeditor_fixture.h"

#include <cstdlib>
#include <fstream>

#include "platform/rtl/sysutils.h"

namespace dbfix {

void Pump() { Application->ProcessMessages(); }

TPoint ScreenPoint(TControl* control, int x, int y) { return control->ClientToScreen(TPoint(x, y)); }

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

void Wheel(TControl* control, int delta) {
  TPoint p = ScreenPoint(control, control->Width() / 2, control->Height() / 2);
  FanoInputMouseMove(p.X, p.Y);
  FanoInputMouseWheel(delta, p.X, p.Y);
  Pump();
}

void KeyPress(UINT vk, bool shift, bool ctrl, bool alt) {
  if (alt) FanoInputKey(VK_MENU, TRUE);
  if (ctrl) FanoInputKey(VK_CONTROL, TRUE);
  if (shift) FanoInputKey(VK_SHIFT, TRUE);
  FanoInputKey(vk, TRUE);
  FanoInputKey(vk, FALSE);
  if (shift) FanoInputKey(VK_SHIFT, FALSE);
  if (ctrl) FanoInputKey(VK_CONTROL, FALSE);
  if (alt) FanoInputKey(VK_MENU, FALSE);
  Pump();
}

void Type(const char* utf8) {
  FanoInputText(utf8);
  Pump();
}

TColor PixelOf(TWinControl* control, int x, int y) {
  RECT wr{};
  GetWindowRect(control->Handle(), &wr);
  TPoint origin = control->ClientOrigin();
  return static_cast<TColor>(FanoGetWindowPixel(control->Handle(), x + origin.X - wr.left, y + origin.Y - wr.top));
}

void WriteSnapshot(HWND wnd, const std::string& name) {
  const char* dir = std::getenv("FANO_SNAPSHOT_DIR");
  std::string path = std::string(dir && *dir ? dir : FANO_SNAPSHOT_DEFAULT_DIR) + "/" + name;
  ASSERT_TRUE(FanoSnapshotWindow(wnd, path.c_str()));
  std::ifstream in(path, std::ios::binary);
  char sig[8] = {};
  in.read(sig, 8);
  EXPECT_EQ(std::string(sig + 1, 3), "PNG");
}

void SetToday(int y, int m, int d, int h, int n) {
  SYSTEMTIME st{};
  st.wYear = static_cast<uint16_t>(y);
  st.wMonth = static_cast<uint16_t>(m);
  st.wDay = static_cast<uint16_t>(d);
  st.wHour = static_cast<uint16_t>(h);
  st.wMinute = static_cast<uint16_t>(n);
  ClockSetLocalTime(&st);
}

void EditorFixture::SetUp() {
  FanoUseHeadless();
  FanoSetTestFont(TRUE);
  ClockSetSimulated(1);
  FormatSettings = TFormatSettings::Default();
  Pump();
  form = new TForm(nullptr);
  form->SetBounds(10, 10, 400, 300);
  form->SetColor(clBtnFace);
}

void EditorFixture::TearDown() {
  if (form) form->Free();
  form = nullptr;
  Pump();
  FormatSettings = TFormatSettings::Default();
  ASSERT_EQ(Screen->CustomFormCount(), 0) << "a test left a form behind";
}

void EditorFixture::Show() {
  form->Show();
  Pump();
}

void SnapshotFixture::SetUp() {
  EditorFixture::SetUp();
  FanoSetTestFont(FALSE);
}

void SnapshotFixture::TearDown() {
  EditorFixture::TearDown();
  FanoSetTestFont(TRUE);
}

}  // namespace dbfix
