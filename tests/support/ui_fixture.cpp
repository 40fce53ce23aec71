#include "support/ui_fixture.h"

#include <fstream>

#include "platform/os/clock.h"

namespace uitest {

void WriteSnapshotTo(HWND wnd, const std::string& path) {
  ASSERT_TRUE(FanoSnapshotWindow(wnd, path.c_str()));
  ExpectPngFile(path);
}

void ExpectPngFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char sig[8] = {};
  in.read(sig, 8);
  EXPECT_EQ(std::string(sig + 1, 3), "PNG");
}

void HeadlessTest::SetUp() {
  FanoUseHeadless();
  FanoSetTestFont(TRUE);
  ClockSetSimulated(1);
  Pump();
}

void HeadlessTest::TearDown() {
  Pump();
  ASSERT_EQ(Screen->CustomFormCount(), 0) << "a test left a form behind";
}

void PlainFormTest::SetUp() {
  HeadlessTest::SetUp();
  form = new TForm(nullptr);
}

void PlainFormTest::TearDown() {
  if (form) form->Free();
  form = nullptr;
  HeadlessTest::TearDown();
}

void PlainFormTest::Show() {
  form->Show();
  Pump();
}

void FormTest::SetUp() {
  PlainFormTest::SetUp();
  form->SetBounds(10, 10, 400, 300);
  form->SetColor(clBtnFace);
}

}  // namespace uitest
