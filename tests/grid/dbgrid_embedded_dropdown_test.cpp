// The pick list of a data grid's cell on a form shown inside a window that is not a form of ours
// (a host's window, as the module's forms are) draws its items although the grid's top-level
// window belongs to the host.
#include <gtest/gtest.h>

#include "dbgrid_test_util.h"
#include "editors/popups.h"
#include "grid/dbgrid_inplace.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

using namespace dbgridtest;

namespace {

const char* const kHostClass = "FanoGridTestHostFrame";

LRESULT HostFrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProc(wnd, msg, wp, lp); }

class DBGridEmbeddedDropDown : public DBGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    WNDCLASS wc{};
    if (!GetClassInfo(nullptr, kHostClass, &wc)) {
      wc.lpfnWndProc = &HostFrameProc;
      wc.lpszClassName = kHostClass;
      RegisterClass(&wc);
    }
    frame = CreateWindowEx(0, kHostClass, "host", WS_OVERLAPPEDWINDOW, 0, 0, 520, 320, nullptr, nullptr, nullptr, nullptr);
    HWND client = CreateWindowEx(0, kHostClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 500, 280, frame,
                                 nullptr, nullptr, nullptr);
    ShowWindow(frame, SW_SHOWNOACTIVATE);
    form = new TForm(nullptr);
    form->SetParentWindow(client);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 480, 260);
    grid = new TDBGridGx(form);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 400, 200);
    form->Show();
    gridtest::Pump();
  }
  void TearDown() override {
    DBGridTest::TearDown();
    DestroyWindow(frame);
    gridtest::Pump();
  }
  static TColor Pixel(TWinControl* c, int x, int y) { return uitest::PixelOf(c, x, y); }
  static bool RowHasInk(TWinControl* list, int y0, int y1) {
    for (int y = y0; y < y1; ++y)
      for (int x = 2; x < list->ClientWidth() - 2; ++x)
        if (Pixel(list, x, y) == clBlack) return true;
    return false;
  }
  HWND frame = nullptr;
};

TEST_F(DBGridEmbeddedDropDown, ThePickListDrawsItsItems) {
  AddRow(1, "alpha");
  table->First();
  TColumnGx* name = AddColumn("NAME");
  name->PickList()->SetText("alpha\nbeta\ngamma");
  Bind();
  ASSERT_NE(GetAncestor(grid->Handle(), GA_ROOT), form->Handle());  // the top-level window is the host's
  grid->SetFocus();
  grid->SetEditorMode(true);
  gridtest::Pump();
  auto* ed = static_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
  ASSERT_NE(ed, nullptr);
  ed->DropDown();
  gridtest::Pump();
  TPopupListboxGx* list = ed->PickList();
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(IsWindowVisible(list->Handle()));
  const int h = list->ItemHeight();
  EXPECT_TRUE(RowHasInk(list, h, 2 * h));  // beta, not chosen: black on white
  EXPECT_TRUE(RowHasInk(list, 2 * h, 3 * h));
  ed->CloseUp(false);
}

}  // namespace
