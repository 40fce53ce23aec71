#pragma once
// Fixtures of the UI test suites: headless display, test font and simulated clock, a form to put
// controls on, snapshots written as PNG files a person can look at.
#include <gtest/gtest.h>

#include <string>

#include "platform/os/clock.h"
#include "support/testpaths.h"
#include "support/ui_input.h"

namespace uitest {

// Where a snapshot goes: FANO_SNAPSHOT_DIR, else a folder of this process's own.
using testpaths::SnapshotPath;
// Checks that the file holds a PNG picture.
void ExpectPngFile(const std::string& path);
// Writes the window (a form or a drop-down) as a PNG file, checks the file was written.
void WriteSnapshotTo(HWND wnd, const std::string& path);
inline void WriteSnapshot(HWND wnd, const std::string& name) { WriteSnapshotTo(wnd, SnapshotPath(name)); }
inline void WriteSnapshot(TCustomForm* form, const std::string& name) { WriteSnapshot(form->Handle(), name); }

// Headless display, test font, simulated clock; a test may leave no form behind.
class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// A form of its own (no window yet), freed after each test.
class PlainFormTest : public HeadlessTest {
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

// The form 400 by 300 at (10, 10), in the button face colour.
class FormTest : public PlainFormTest {
 protected:
  void SetUp() override;
};

// The fixture drawing with the real fonts (for snapshots); the test font again afterwards.
template <class Base>
class RealFonts : public Base {
 protected:
  void SetUp() override {
    Base::SetUp();
    FanoSetTestFont(FALSE);
  }
  void TearDown() override {
    Base::TearDown();
    FanoSetTestFont(TRUE);
  }
};

using SnapshotTest = RealFonts<FormTest>;

}  // namespace uitest
