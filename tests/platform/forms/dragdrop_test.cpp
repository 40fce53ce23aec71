// Dragging between controls through the window system: the threshold, automatic and manual
// starts, accept and refuse with their cursors, drop, cancel by Escape and by a lost capture,
// OnEndDrag with and without a target, the drag object of OnStartDrag, the drag image.
#include "forms_test_util.h"

#include "platform/forms/dragdock.h"

using namespace formstest;

namespace {

// A control that gives a picture for its drag.
class TImageSource : public TTestWin {
 public:
  explicit TImageSource(TComponent* owner) : TTestWin(owner), pic(SolidBitmap(24, 12, RGB(0, 0, 255))) {}
  ~TImageSource() override { DeleteObject(pic); }
  HBITMAP GetDragImage(TPoint& hotSpot) override {
    hotSpot = TPoint(3, 2);
    return pic;
  }
  HBITMAP pic = nullptr;
};

class DragDrop : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(100, 100, 400, 260);
    source = new TImageSource(form);
    source->SetBounds(10, 10, 100, 60);
    source->SetParent(form);
    takes = new TTestWin(form);
    takes->SetName("Takes");
    takes->SetBounds(150, 10, 100, 60);
    takes->SetParent(form);
    refuses = new TTestWin(form);
    refuses->SetBounds(150, 120, 100, 60);
    refuses->SetParent(form);
    takes->OnDragOver = [this](TObject*, TObject* src, int x, int y, TDragState state, bool& accept) {
      overs.push_back(state);
      lastSource = src;
      lastOver = TPoint(x, y);
      accept = true;
    };
    takes->OnDragDrop = [this](TObject*, TObject* src, int x, int y) {
      drops.push_back(TPoint(x, y));
      lastSource = src;
    };
    refuses->OnDragOver = [this](TObject*, TObject*, int, int, TDragState, bool& accept) {
      ++refusals;
      accept = false;
    };
    source->OnEndDrag = [this](TObject*, TObject* target, int x, int y) {
      ends.push_back(target);
      endPos = TPoint(x, y);
    };
    Show();
  }
  void TearDown() override {
    CancelDrag();
    FormTest::TearDown();
  }
  // The source begins a drag from its own press, as a grid does.
  void ManualOnPress(bool immediate, int threshold) {
    source->OnMouseDown = [this, immediate, threshold](TObject*, TMouseButton b, TShiftState, int, int) {
      ++downs;
      if (b == mbLeft) source->BeginDrag(immediate, threshold);
    };
  }
  TImageSource* source = nullptr;
  TTestWin* takes = nullptr;
  TTestWin* refuses = nullptr;
  std::vector<TDragState> overs;
  std::vector<TPoint> drops;
  std::vector<TObject*> ends;
  TObject* lastSource = nullptr;
  TPoint lastOver, endPos;
  int refusals = 0;
  int downs = 0;
};

TEST_F(DragDrop, AManualDragStartsPastTheThresholdAndDropsOnATargetThatAccepts) {
  ManualOnPress(false, -1);
  MouseDown(source, 20, 20);
  EXPECT_EQ(downs, 1);
  EXPECT_TRUE(source->Dragging());
  EXPECT_FALSE(DragStarted());
  MoveMouse(source, 25, 20);  // 5 pixels: not past the default threshold
  EXPECT_FALSE(DragStarted());
  EXPECT_EQ(Screen->Cursor(), crDefault);
  MoveMouse(source, 26, 20);
  EXPECT_TRUE(DragStarted());
  EXPECT_EQ(Screen->Cursor(), crNoDrop) << "over the source itself, which takes nothing";
  MoveMouse(takes, 30, 25);
  ASSERT_FALSE(overs.empty());
  EXPECT_EQ(overs.front(), dsDragEnter);
  EXPECT_EQ(lastSource, source) << "without a drag object of its own the control is the source";
  EXPECT_EQ(lastOver, TPoint(30, 25));
  EXPECT_EQ(Screen->Cursor(), crDrag);
  EXPECT_EQ(ActiveDragObject()->DragTarget(), takes);
  MoveMouse(takes, 40, 30);
  EXPECT_EQ(overs.back(), dsDragMove);
  MouseUp(takes, 41, 31);
  ASSERT_EQ(drops.size(), 1u);
  EXPECT_EQ(drops[0], TPoint(41, 31));
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0], takes);
  EXPECT_EQ(endPos, TPoint(41, 31));
  EXPECT_FALSE(source->Dragging());
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_FALSE(source->ControlState().Contains(csLButtonDown)) << "the press became a drag, not a click";
  EXPECT_FALSE(source->ControlState().Contains(csClicked));
}

TEST_F(DragDrop, ARefusingTargetShowsNoDropAndTheDropFallsThrough) {
  ManualOnPress(false, 2);
  source->SetDragCursor(crMultiDrag);
  MouseDown(source, 20, 20);
  MoveMouse(source, 23, 20);  // past a threshold of 2
  EXPECT_TRUE(DragStarted());
  MoveMouse(takes, 10, 10);
  EXPECT_EQ(Screen->Cursor(), crMultiDrag) << "the source's DragCursor over a target that accepts";
  MoveMouse(refuses, 10, 10);
  EXPECT_GT(refusals, 0);
  EXPECT_EQ(Screen->Cursor(), crNoDrop);
  EXPECT_EQ(overs.back(), dsDragLeave) << "the target left hears of it";
  MouseUp(refuses, 12, 12);
  EXPECT_TRUE(drops.empty());
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0], nullptr);
}

TEST_F(DragDrop, AnAutomaticDragTakesThePressAndEscapeCancelsIt) {
  source->SetDragMode(dmAutomatic);
  source->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
  MouseDown(source, 20, 20);
  EXPECT_EQ(downs, 0) << "the press starts the drag and is not a mouse down";
  EXPECT_TRUE(source->Dragging());
  MoveMouse(source, 24, 24);
  EXPECT_FALSE(DragStarted()) << "an automatic drag waits for the threshold too";
  MoveMouse(takes, 20, 20);
  EXPECT_TRUE(DragStarted());
  EXPECT_EQ(Screen->Cursor(), crDrag);
  KeyPress(VK_ESCAPE);
  EXPECT_FALSE(source->Dragging());
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0], nullptr);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(GetCapture(), nullptr);
  MouseUp(takes, 20, 20);
  EXPECT_TRUE(drops.empty()) << "the release after Escape drops nothing";
  EXPECT_EQ(ends.size(), 1u);
}

TEST_F(DragDrop, AReleaseBeforeTheThresholdIsAPlainClick) {
  int ups = 0, clicks = 0;
  ManualOnPress(false, -1);
  source->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
  source->OnClick = [&](TObject*) { ++clicks; };
  MouseDown(source, 20, 20);
  MouseUp(source, 22, 21);
  EXPECT_FALSE(source->Dragging());
  EXPECT_EQ(ups, 1) << "the control that began the drag gets its release";
  EXPECT_EQ(clicks, 1);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0], nullptr);
  EXPECT_TRUE(overs.empty());
}

TEST_F(DragDrop, ALostCaptureCancels) {
  ManualOnPress(true, -1);
  MouseDown(source, 20, 20);
  EXPECT_TRUE(DragStarted()) << "an immediate drag starts at once";
  MoveMouse(takes, 20, 20);
  SetCapture(takes->Handle());
  Pump();
  EXPECT_FALSE(source->Dragging());
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0], nullptr);
  EXPECT_EQ(overs.back(), dsDragLeave);
  ReleaseCapture();
}

// What a drag carries besides a control (a record, say).
class TCarried : public TDragObject {
 public:
  int record = 42;
};

TEST_F(DragDrop, AnObjectFromOnStartDragIsTheSource) {
  TCarried mine;
  source->OnStartDrag = [&](TObject*, TDragObject*& obj) { obj = &mine; };
  ManualOnPress(true, -1);
  MouseDown(source, 20, 20);
  EXPECT_EQ(ActiveDragObject(), &mine);
  MoveMouse(takes, 20, 20);
  EXPECT_EQ(lastSource, &mine);
  MouseUp(takes, 20, 20);
  EXPECT_EQ(lastSource, &mine);
  EXPECT_TRUE(mine.Dropped());
  EXPECT_EQ(ends.back(), takes);
  EXPECT_EQ(mine.GetDragCursor(true, 0, 0), crDrag);
}

TEST_F(DragDrop, AControlObjectFromOnStartDragShowsItsControlAsTheSource) {
  TDragControlObject mine(source);
  source->OnStartDrag = [&](TObject*, TDragObject*& obj) { obj = &mine; };
  ManualOnPress(true, -1);
  MouseDown(source, 20, 20);
  EXPECT_EQ(ActiveDragObject(), &mine);
  MouseUp(takes, 20, 20);
  EXPECT_EQ(lastSource, source);
  EXPECT_TRUE(mine.Dropped());
}

TEST_F(DragDrop, TheDragImageFollowsThePointerAndTheTargetIsStillFound) {
  ManualOnPress(false, -1);
  MouseDown(source, 20, 20);
  EXPECT_EQ(DragImageWindow(), nullptr) << "no image before the drag starts";
  MoveMouse(takes, 30, 30);
  HWND img = DragImageWindow();
  ASSERT_NE(img, nullptr);
  TPoint at = ScreenPoint(takes, 30, 30);
  RECT r;
  GetWindowRect(img, &r);
  EXPECT_EQ(r.left, at.X - 3);
  EXPECT_EQ(r.top, at.Y - 2);
  EXPECT_EQ(FanoGetWindowPixel(img, 10, 5), RGB(0, 0, 255));
  EXPECT_EQ(Screen->Cursor(), crDrag) << "the target under the image was found";
  MouseUp(takes, 30, 30);
  EXPECT_FALSE(IsWindow(img));
  EXPECT_EQ(drops.size(), 1u);
}

TEST_F(DragDrop, CancelDragAndEndDrag) {
  ManualOnPress(true, -1);
  MouseDown(source, 20, 20);
  MoveMouse(takes, 20, 20);
  source->EndDrag(true);
  EXPECT_EQ(drops.size(), 1u) << "EndDrag(true) drops where the pointer is";
  EXPECT_EQ(ends.back(), takes);
  FanoInputMouseButton(0, FALSE, 0, 0);
  Pump();
  MouseDown(source, 20, 20);
  MoveMouse(takes, 20, 20);
  CancelDrag();
  EXPECT_EQ(drops.size(), 1u);
  EXPECT_EQ(ends.back(), nullptr);
  EXPECT_FALSE(source->Dragging());
}

TEST_F(DragDrop, AFreedSourceEndsItsDragQuietly) {
  ManualOnPress(true, -1);
  MouseDown(source, 20, 20);
  MoveMouse(takes, 20, 20);
  source->Free();
  source = nullptr;
  EXPECT_EQ(ActiveDragControl(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_TRUE(ends.empty());
}

}  // namespace
