// Drop-downs of editors on a form shown inside a window that is not a form of ours (a host's
// window, as the module's forms are): the lists draw their items although their editor's
// top-level window belongs to the host.
#include <gtest/gtest.h>

#include "dbeditor_fixture.h"
#include "editors/dbcombobox.h"
#include "editors/dbdatetime.h"
#include "editors/dbeditbase.h"
#include "editors/mrulist.h"
#include "platform/forms/extctrls.h"

using namespace dbfix;

namespace {

const char* const kHostClass = "FanoEditorsTestHostFrame";

LRESULT HostFrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProc(wnd, msg, wp, lp); }

// A host's frame with a client window, a borderless form shown in the client, a panel on the form
// and the editors on the panel: the chain the module's document form sits in.
class EmbeddedDropDown : public ::testing::Test {
 protected:
  void SetUp() override {
    FanoUseHeadless();
    FanoSetTestFont(snapshotFonts_ ? FALSE : TRUE);
    ClockSetSimulated(1);
    WNDCLASS wc{};
    if (!GetClassInfo(nullptr, kHostClass, &wc)) {
      wc.lpfnWndProc = &HostFrameProc;
      wc.lpszClassName = kHostClass;
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
      RegisterClass(&wc);
    }
    frame = CreateWindowEx(0, kHostClass, "host", WS_OVERLAPPEDWINDOW, 0, 0, 520, 320, nullptr, nullptr, nullptr, nullptr);
    client = CreateWindowEx(0, kHostClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 500, 280, frame, nullptr,
                            nullptr, nullptr);
    ShowWindow(frame, SW_SHOWNOACTIVATE);
    form = new TForm(nullptr);
    form->SetParentWindow(client);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 480, 260);
    form->SetColor(clBtnFace);
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(8, 8, 460, 240);
    combo = new TDBComboBoxGx(form);
    combo->SetParent(panel);
    combo->SetBounds(20, 20, 130, 21);
    combo->SetBorderStyle(bsNone);
    combo->SetCtl3D(false);
    combo->Items()->SetText("1:费用垫付\n2:预收动用");
    combo->KeyItems()->SetText("1\n2");
    edit = new TDBEditGx(form);
    edit->SetParent(panel);
    edit->SetBounds(20, 60, 130, 21);
    form->Show();
    Pump();
  }
  void TearDown() override {
    form->Free();
    DestroyWindow(frame);
    Pump();
    FanoSetTestFont(TRUE);
  }
  // Whether the row of the list between y0 and y1 has ink in the text colour.
  static bool RowHasInk(TWinControl* list, int y0, int y1, TColor ink) {
    for (int y = y0; y < y1; ++y)
      for (int x = 2; x < list->ClientWidth() - 2; ++x)
        if (PixelOf(list, x, y) == ink) return true;
    return false;
  }

  bool snapshotFonts_ = false;
  HWND frame = nullptr;
  HWND client = nullptr;
  TForm* form = nullptr;
  TDBComboBoxGx* combo = nullptr;
  TDBEditGx* edit = nullptr;
};

TEST_F(EmbeddedDropDown, TheComboListDrawsItsItems) {
  ASSERT_NE(GetAncestor(combo->Handle(), GA_ROOT), form->Handle());  // the top-level window is the host's
  combo->SetFocus();
  Pump();
  combo->DropDown();
  Pump();
  TPopupListboxGx* list = combo->PopupListbox();
  ASSERT_TRUE(IsWindowVisible(list->Handle()));
  ASSERT_EQ(list->Items()->Count(), 2);
  const int h = list->ItemHeight();
  // No item is chosen: both rows are black text on the editor's white.
  EXPECT_TRUE(RowHasInk(list, 0, h, clBlack));
  EXPECT_TRUE(RowHasInk(list, h, 2 * h, clBlack));
  EXPECT_EQ(PixelOf(list, list->ClientWidth() - 4, 1), clWhite);
  combo->CloseUp(false);
  // The chosen item is drawn highlighted.
  combo->SetItemIndex(1);
  combo->DropDown();
  Pump();
  EXPECT_TRUE(RowHasInk(list, 0, h, clBlack));
  EXPECT_EQ(ColorToRGB(PixelOf(list, list->ClientWidth() - 4, h + 1)), ColorToRGB(clHighlight));
  combo->CloseUp(false);
}

TEST_F(EmbeddedDropDown, TheRecentValuesListDrawsItsItems) {
  edit->MRUList()->SetActive(true);
  for (const char* s : {"apple", "apricot"}) edit->MRUList()->Add(s);
  edit->SetFocus();
  Pump();
  Type("a");
  ASSERT_NE(edit->MRUListbox(), nullptr);
  ASSERT_TRUE(edit->MRUList()->DroppedDown());
  TMRUListboxGx* list = edit->MRUListbox();
  const int h = list->ItemHeight();
  EXPECT_TRUE(RowHasInk(list, 0, h, clBlack) || RowHasInk(list, 0, h, clHighlightText));
  EXPECT_TRUE(RowHasInk(list, h, 2 * h, clBlack) || RowHasInk(list, h, 2 * h, clHighlightText));
  KeyPress(VK_ESCAPE);
}

class EmbeddedDropDownSnapshot : public EmbeddedDropDown {
 protected:
  void SetUp() override {
    snapshotFonts_ = true;
    EmbeddedDropDown::SetUp();
  }
};

TEST_F(EmbeddedDropDownSnapshot, OpenComboList) {
  combo->SetFocus();
  Pump();
  combo->SetItemIndex(0);
  combo->DropDown();
  Pump();
  WriteSnapshot(frame, "embedded_combobox.png");
  WriteSnapshot(combo->PopupListbox()->Handle(), "embedded_combobox_list.png");
  combo->CloseUp(false);
}

}  // namespace
