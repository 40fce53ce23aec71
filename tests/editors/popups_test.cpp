// Drop-down windows: placement against the work area, the grip's corner, the list box's rows
// and incremental search on the simulated clock, the recent-values list and the special row.
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "editors/mrulist.h"
#include "editors/popups.h"
#include "platform/forms/extctrls.h"
#include "platform/forms/imglist.h"

using namespace edtest;

namespace {

class Popups : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    RECT work{0, 0, 1000, 800};
    FanoSetWorkArea(&work);
  }
  void TearDown() override {
    RECT work{0, 0, 1280, 1024};
    FanoSetWorkArea(&work);
    EditorTest::TearDown();
  }
  TPopupListboxGx* List(int w, int h) {
    auto* list = new TPopupListboxGx(form);
    list->TCustomListBox::SetBounds(0, 0, w, h);
    return list;
  }
};

TEST_F(Popups, OpensBelowWhenItFits) {
  auto* list = new TPopupListboxGx(form);
  list->SetItemHeight(20);
  list->SetRowCount(10);
  int h = list->Height();
  TPoint p = AlignDropDownWindowRect(Rect(100, 200, 300, 220), list, daLeft);
  EXPECT_EQ(p, TPoint(100, 220));
  EXPECT_EQ(list->Height(), h);
  EXPECT_EQ(list->SizeGrip()->Position(), gpBottomRight);
}

TEST_F(Popups, OpensAboveAtFullHeightWhenOnlyAboveHasRoom) {
  auto* list = new TPopupListboxGx(form);
  list->SetItemHeight(20);
  list->SetRowCount(10);  // 200 + border
  int h = list->Height();
  // 100 pixels below the owner, 500 above it.
  TPoint p = AlignDropDownWindowRect(Rect(100, 500, 300, 700), list, daLeft);
  EXPECT_EQ(p.Y, 500 - h);
  EXPECT_EQ(list->Height(), h);
  EXPECT_EQ(list->SizeGrip()->Position(), gpTopRight);
}

TEST_F(Popups, WithRoomOnNeitherSideTheLargerSideWins) {
  // A 204-pixel window, 150 pixels above and 100 below: above, shortened to the room there.
  auto* list = new TPopupListboxGx(form);
  list->SetItemHeight(20);
  list->SetRowCount(10);
  TPoint p = AlignDropDownWindowRect(Rect(100, 150, 300, 700), list, daLeft);
  EXPECT_LE(list->Height(), 150);
  EXPECT_EQ(p.Y, 150 - list->Height());
  EXPECT_GE(p.Y, 0);
  // 100 above, 150 below: below, shortened.
  list->SetRowCount(10);
  p = AlignDropDownWindowRect(Rect(100, 100, 300, 650), list, daLeft);
  EXPECT_EQ(p.Y, 650);
  EXPECT_LE(list->Height(), 150);
}

TEST_F(Popups, RightAlignedMatchesTheOwnersRightEdgeAndMovesLeftAtTheWorkAreaEdge) {
  auto* list = new TPopupListboxGx(form);
  list->SetItemHeight(16);
  list->SetRowCount(3);
  list->SetWidth(300);
  TPoint p = AlignDropDownWindowRect(Rect(400, 100, 500, 120), list, daRight);
  EXPECT_EQ(p.X + 300, 500);
  EXPECT_EQ(list->SizeGrip()->Position(), gpBottomLeft);
  p = AlignDropDownWindowRect(Rect(900, 100, 990, 120), list, daLeft);
  EXPECT_EQ(p.X, 1000 - 300);
  EXPECT_EQ(list->SizeGrip()->Position(), gpBottomLeft);
  p = AlignDropDownWindowRect(Rect(-50, 100, 50, 120), list, daLeft);
  EXPECT_EQ(p.X, 0);
  EXPECT_EQ(list->SizeGrip()->Position(), gpBottomRight);
  p = AlignDropDownWindowRect(Rect(300, 100, 400, 120), list, daCenter);
  EXPECT_EQ(p.X, 300 - 100);
}

// A drop-down that grows by its border once its window exists, as a lookup list does.
class TGrowingDropDown : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  void CreateParams(TCreateParams& params) override {
    TCustomControl::CreateParams(params);
    params.Style = (params.Style & ~WS_CHILD) | WS_POPUP;
    params.WndParent = nullptr;
  }
  void CreateWnd() override {
    TCustomControl::CreateWnd();
    SetHeight(Height() + 4);
  }
};

TEST_F(Popups, ADropDownOpeningAboveForTheFirstTimeLeavesItsOwnerUncovered) {
  auto* list = new TGrowingDropDown(form);
  list->SetBounds(0, 0, 100, 60);
  const TRect owner = Rect(100, 780, 300, 800);
  ShowDropDown(list, AlignDropDownWindowRect(owner, list, daLeft));
  EXPECT_EQ(list->Height(), 64);
  EXPECT_EQ(list->Top() + list->Height(), owner.Top);
  HideDropDown(list);
}

TEST_F(Popups, AWindowWiderThanTheWorkAreaIsNarrowed) {
  auto* list = new TPopupListboxGx(form);
  list->SetWidth(1500);
  TPoint p = AlignDropDownWindowRect(Rect(10, 10, 50, 30), list, daLeft);
  EXPECT_EQ(list->Width(), 1000);
  EXPECT_EQ(p.X, 0);
}

TEST_F(Popups, ListHeightSnapsToWholeRows) {
  auto* list = new TPopupListboxGx(form);
  list->SetItemHeight(16);
  EXPECT_EQ(list->BorderHeight(), 4);  // Ctl3D: a 2-pixel border on each side
  list->SetHeight(100);
  EXPECT_EQ(list->Height(), 100);
  EXPECT_EQ(list->RowCount(), 6);
  list->SetHeight(90);
  EXPECT_EQ(list->Height(), 84);
  EXPECT_EQ(list->RowCount(), 5);
  list->SetHeight(3);
  EXPECT_EQ(list->RowCount(), 1);
  list->SetRowCount(0);
  EXPECT_EQ(list->Height(), 20);
}

TEST_F(Popups, IncrementalSearchStartsAgainAfterTwoSecondsOfQuiet) {
  auto* list = new TPopupListboxGx(form);
  for (const char* s : {"apple", "banana", "bcd", "cherry", "北京", "上海"}) list->Items()->Add(s);
  list->HandleNeeded();
  TKeyChar k = 'b';
  list->KeyPress(k);
  EXPECT_EQ(k, 0);
  EXPECT_EQ(list->ItemIndex(), 1);
  ClockAdvance(500);
  k = 'c';
  list->KeyPress(k);
  EXPECT_EQ(list->SearchText(), "bc");
  EXPECT_EQ(list->ItemIndex(), 2);
  ClockAdvance(2500);
  k = 'c';
  list->KeyPress(k);
  EXPECT_EQ(list->SearchText(), "c");
  EXPECT_EQ(list->ItemIndex(), 3);
  k = VK_BACK;
  list->KeyPress(k);
  EXPECT_EQ(list->SearchText(), "");
  k = u'上';
  list->KeyPress(k);
  EXPECT_EQ(list->ItemIndex(), 5);
}

TEST_F(Popups, SizeGripChangesCornerByMove) {
  auto* grip = new TSizeGripGx(form);
  EXPECT_EQ(grip->Position(), gpBottomRight);
  grip->SetPosition(gmToLeft);
  EXPECT_EQ(grip->Position(), gpBottomLeft);
  grip->SetPosition(gmToTop);
  EXPECT_EQ(grip->Position(), gpTopLeft);
  grip->SetPosition(gmToTop);  // nothing to do
  EXPECT_EQ(grip->Position(), gpTopLeft);
  grip->SetPosition(gmToRight);
  EXPECT_EQ(grip->Position(), gpTopRight);
  grip->SetPosition(gmToBottom);
  EXPECT_EQ(grip->Position(), gpBottomRight);
  EXPECT_EQ(grip->Width(), GetSystemMetrics(SM_CXVSCROLL));
}

TEST_F(Popups, DraggingTheGripResizesTheList) {
  auto* list = new TPopupListboxGx(form);
  list->SetItemHeight(16);
  for (int i = 0; i < 20; ++i) list->Items()->Add("item " + std::to_string(i));
  list->SetRowCount(5);
  list->SetWidth(120);
  ShowDropDown(list, TPoint(100, 100));
  Pump();
  bool resized = false;
  list->OnSizeGripResized = [&](TObject*) { resized = true; };
  TSizeGripGx* grip = list->SizeGrip();
  TPoint at = grip->ClientToScreen(TPoint(grip->Width() - 3, grip->Height() - 3));
  uitest::MouseDownAt(at);
  uitest::MoveMouseTo(TPoint(at.X + 30, at.Y + 35));
  uitest::MouseUpAt(TPoint(at.X + 30, at.Y + 35));
  EXPECT_TRUE(resized);
  EXPECT_TRUE(list->SizeGripResized());
  EXPECT_EQ(list->Width(), 150);
  EXPECT_EQ(list->RowCount(), 7);  // 84 + 35 = 119: 7 rows of 16 and the border
  EXPECT_EQ(grip->Left(), list->ClientWidth() - grip->Width());
  HideDropDown(list);
}

TEST(MRUList, AddingAnEqualTextIgnoringCaseMovesTheOldOneToTheEnd) {
  TMRUListGx mru(nullptr);
  mru.Add("abc");
  mru.Add("xyz");
  mru.Add("  ABC  ");
  ASSERT_EQ(mru.Items()->Count(), 2);
  EXPECT_EQ(mru.Items()->Strings(0), "xyz");
  EXPECT_EQ(mru.Items()->Strings(1), "abc");
  mru.Add("   ");
  EXPECT_EQ(mru.Items()->Count(), 2);
  mru.SetCaseSensitive(true);
  mru.Add("ABC");
  EXPECT_EQ(mru.Items()->Count(), 3);
}

TEST(MRUList, LimitDropsTheOldestTexts) {
  TMRUListGx mru(nullptr);
  mru.SetLimit(1000);
  for (int i = 0; i < 150; ++i) mru.Add("t" + std::to_string(i));
  mru.SetLimit(100);
  ASSERT_EQ(mru.Items()->Count(), 100);
  EXPECT_EQ(mru.Items()->Strings(0), "t50");
  EXPECT_EQ(mru.Items()->Strings(99), "t149");
  mru.Add("new");
  EXPECT_EQ(mru.Items()->Count(), 100);
  EXPECT_EQ(mru.Items()->Strings(0), "t51");
}

TEST(MRUList, FilteringKeepsTheTextsThatBeginWithTheTextAndAsksTheEvent) {
  TMRUListGx mru(nullptr);
  for (const char* s : {"Beijing", "beihai", "Shanghai", "be", "北京", "北海"}) mru.Add(s);
  TStringList out;
  EXPECT_TRUE(mru.FilterItemsTo(&out, "BEI"));
  EXPECT_EQ(out.Count(), 2);
  EXPECT_TRUE(mru.FilterItemsTo(&out, "北"));
  EXPECT_EQ(out.Count(), 2);
  mru.SetCaseSensitive(true);
  mru.FilterItemsTo(&out, "bei");
  ASSERT_EQ(out.Count(), 1);
  EXPECT_EQ(out.Strings(0), "beihai");
  mru.OnFilterItem = [](TObject*, bool& accept) { accept = !accept; };
  mru.FilterItemsTo(&out, "bei");
  EXPECT_EQ(out.Count(), 5);
  mru.OnFilterItem = nullptr;
  EXPECT_TRUE(mru.FilterItemsTo(&out, ""));
  EXPECT_EQ(out.Count(), 6);
}

TEST_F(Popups, FilteringGivesUpWhenAKeyPressWaits) {
  TMRUListGx mru(nullptr);
  mru.SetLimit(500);
  for (int i = 0; i < 300; ++i) mru.Add("t" + std::to_string(i));
  Show();
  FanoInputKey('A', TRUE);  // queued, not yet read
  TStringList out;
  EXPECT_FALSE(mru.FilterItemsTo(&out, "t"));
  mru.SetCancelWhenKeyPending(false);
  EXPECT_TRUE(mru.FilterItemsTo(&out, "t"));
  EXPECT_EQ(out.Count(), 300);
  FanoInputKey('A', FALSE);
  Pump();
}

TEST(MRUList, AssignCopiesTheSettings) {
  TMRUListGx a(nullptr), b(nullptr);
  a.SetActive(true);
  a.SetLimit(5);
  a.SetRows(3);
  a.SetCaseSensitive(true);
  a.SetWidth(200);
  a.Add("x");
  bool changed = false;
  b.OnActiveChanged = [&](TObject*) { changed = true; };
  b.Assign(&a);
  EXPECT_TRUE(changed);
  EXPECT_TRUE(b.Active());
  EXPECT_EQ(b.Limit(), 5);
  EXPECT_EQ(b.Rows(), 3);
  EXPECT_TRUE(b.CaseSensitive());
  EXPECT_EQ(b.Width(), 200);
  EXPECT_EQ(b.Items()->Count(), 1);
}

TEST(SpecRow, CellTextsAreSplitAtSemicolonsWithQuotedCells) {
  TSpecRowGx row(nullptr);
  row.SetCellsText("  (全部);\"a;b\";  c ;\x01" "d\"\"");
  ASSERT_EQ(row.CellCount(), 4);
  EXPECT_EQ(row.GetCellText(0), "(全部)");
  EXPECT_EQ(row.GetCellText(1), "a;b");
  EXPECT_EQ(row.GetCellText(2), "  c ");
  EXPECT_EQ(row.GetCellText(3), "d\"\"");
  EXPECT_EQ(row.GetCellText(4), "");
  EXPECT_EQ(row.GetCellText(-1), "");
  row.SetCellsText("\"say \"\"hi\"\"\";x");
  ASSERT_EQ(row.CellCount(), 2);
  EXPECT_EQ(row.GetCellText(0), "say \"hi\"");
  EXPECT_EQ(row.GetCellText(1), "x");
  row.SetCellsText(";last");
  ASSERT_EQ(row.CellCount(), 2);
  EXPECT_EQ(row.GetCellText(0), "");
}

TEST(SpecRow, ChangesAreReportedOnceInsideAnUpdate) {
  TSpecRowGx row(nullptr);
  int changes = 0;
  row.OnChanged = [&](TObject*) { ++changes; };
  EXPECT_TRUE(row.Value().IsNull());
  EXPECT_FALSE(row.IsValueStored());
  EXPECT_EQ(row.ShortCut(), 32814);
  row.SetVisible(true);
  EXPECT_EQ(changes, 1);
  row.BeginUpdate();
  row.SetValue(Variant(5));
  row.SetCellsText("x");
  row.SetColor(clRed);
  EXPECT_EQ(changes, 1);
  row.EndUpdate();
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(row.IsValueStored());
  EXPECT_TRUE(row.ColorAssigned());
  TSpecRowGx copy(nullptr);
  copy.Assign(&row);
  EXPECT_EQ(copy.CellsText(), "x");
  EXPECT_EQ(copy.Color(), clRed);
  EXPECT_TRUE(copy.Visible());
  EXPECT_FALSE(copy.FontAssigned());
}

TEST_F(Popups, SpecRowFollowsItsOwnersFontAndColourUntilGivenItsOwn) {
  auto* owner = Add<TPanel>(0, 0, 10, 10);
  owner->SetColor(clYellow);
  owner->Font()->SetSize(14);
  TSpecRowGx row(owner);
  EXPECT_EQ(row.Color(), clYellow);
  EXPECT_EQ(row.Font()->Size(), 14);
  EXPECT_FALSE(row.FontAssigned());
  row.Font()->SetSize(9);
  EXPECT_TRUE(row.FontAssigned());
  owner->Font()->SetSize(20);
  EXPECT_EQ(row.Font()->Size(), 9);
}

}  // namespace

namespace {

TEST_F(Popups, RecentValuesListShowsItsScrollBarOnlyWhenRowsAreHidden) {
  auto* list = new TMRUListboxGx(form);
  list->SetItemHeight(16);
  for (int i = 0; i < 3; ++i) list->Items()->Add("v" + std::to_string(i));
  list->SetRowCount(5);
  list->SetWidth(150);
  ShowDropDown(list, TPoint(100, 100));
  list->UpdateScrollBar();
  EXPECT_FALSE(list->ScrollBar()->Visible());
  EXPECT_TRUE(list->SizeGrip()->TriangleWindow());
  for (int i = 3; i < 20; ++i) list->Items()->Add("v" + std::to_string(i));
  list->UpdateScrollBar();
  TScrollBar* bar = list->ScrollBar();
  EXPECT_TRUE(bar->Visible());
  EXPECT_EQ(bar->Max(), 19);
  EXPECT_EQ(bar->PageSize(), 5);
  EXPECT_EQ(bar->Left() + bar->Width(), list->ClientWidth());
  // The grip at the bottom right: the bar stops above it and the grip turns rectangular.
  EXPECT_EQ(bar->Top(), 0);
  EXPECT_EQ(bar->Top() + bar->Height(), list->ClientHeight() - list->SizeGrip()->Height());
  EXPECT_FALSE(list->SizeGrip()->TriangleWindow());
  list->Perform(WM_SIZEGRIPCHANGEPOSITION, gmToTop, 0);
  EXPECT_EQ(bar->Top(), list->SizeGrip()->Height());
  list->SetTopIndex(7);
  list->UpdateScrollBar();
  EXPECT_EQ(bar->Position(), 7);
  HideDropDown(list);
}

TEST_F(Popups, TheMouseSelectsTheItemUnderItWithoutAButton) {
  auto* list = new TPopupListboxGx(form);
  list->SetItemHeight(16);
  for (int i = 0; i < 8; ++i) list->Items()->Add("item " + std::to_string(i));
  list->SetRowCount(8);
  list->SetWidth(120);
  ShowDropDown(list, TPoint(100, 100));
  Pump();
  TPoint p = list->ClientToScreen(TPoint(20, 16 * 3 + 5));
  FanoInputMouseMove(p.X, p.Y);
  Pump();
  EXPECT_EQ(list->ItemIndex(), 3);
  list->DoMouseWheelDown(TShiftState{}, p);
  EXPECT_EQ(list->ItemIndex(), 4);
  list->DoMouseWheelUp(TShiftState{}, p);
  list->DoMouseWheelUp(TShiftState{}, p);
  EXPECT_EQ(list->ItemIndex(), 2);
  HideDropDown(list);
}

}  // namespace

namespace {

TEST_F(Popups, ItemsWithImagesLeaveRoomForTheImageAndAskForItsIndex) {
  auto* images = new TImageList(form);
  images->SetWidth(12);
  images->SetHeight(12);
  TBitmap bmp;
  bmp.SetSize(12, 12);
  bmp.Canvas()->Brush()->SetColor(clRed);
  bmp.Canvas()->FillRect(TRect(0, 0, 12, 12));
  images->Add(&bmp, nullptr);
  auto* list = new TPopupListboxGx(form);
  list->SetItemHeight(16);
  list->SetImages(images);
  std::vector<int> asked;
  list->OnGetImageIndex = [&](TObject*, int index, int& image) {
    asked.push_back(index);
    image = 0;
  };
  for (const char* s : {"一", "二"}) list->Items()->Add(s);
  list->SetRowCount(2);
  list->SetWidth(100);
  list->HandleNeeded();  // before its owner has a window
  Show();
  ShowDropDown(list, TPoint(100, 100));
  EXPECT_EQ(GetParent(list->Handle()), nullptr);  // a drop-down belongs to no window and draws anyway
  EXPECT_EQ(list->Items()->Count(), 2);
  Pump();
  EXPECT_FALSE(asked.empty());
  COLORREF image = uitest::WindowPixelAt(list, list->ClientToScreen(TPoint(8, 8)));
  EXPECT_EQ(image, RGB(255, 0, 0));  // 12 wide, centred in 16
  HideDropDown(list);
  images->Free();
  EXPECT_EQ(list->Images(), nullptr);
}

}  // namespace
