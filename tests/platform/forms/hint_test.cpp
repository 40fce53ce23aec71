// The hint pipeline: pause, CM_HINTSHOWPAUSE, CM_HINTSHOW with its hint record, the hint window,
// hiding after the hide pause, and mouse enter / leave.
#include "forms_test_util.h"

#include "platform/forms/cmessages.h"

using namespace formstest;

namespace {

class HintWatch : public TTestWin {
 public:
  explicit HintWatch(TComponent* owner) : TTestWin(owner) {}
  std::vector<THintInfo> shown;
  int pauseAsked = 0;
  int pause = -1;           // when >= 0, the pause this control asks for
  bool suppress = false;
  std::string replace;      // when set, the hint text this control shows instead
  std::vector<std::string> mouse;

  void Dispatch(TMessage& m) override {
    switch (m.Msg) {
      case CM_HINTSHOWPAUSE:
        ++pauseAsked;
        if (pause >= 0) *reinterpret_cast<int*>(m.LParam) = pause;
        return;
      case CM_HINTSHOW: {
        TTestWin::Dispatch(m);
        auto* info = reinterpret_cast<THintInfo*>(m.LParam);
        shown.push_back(*info);
        if (!replace.empty()) info->HintStr = replace;
        if (suppress) m.Result = 1;
        return;
      }
      case CM_MOUSEENTER: mouse.push_back("enter"); break;
      case CM_MOUSELEAVE: mouse.push_back("leave"); break;
      default: break;
    }
    TTestWin::Dispatch(m);
  }
};

class Hints : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    form = new TForm(nullptr);
    form->SetBounds(100, 100, 300, 200);
    a = new HintWatch(form);
    a->SetName("A");
    a->SetBounds(10, 10, 80, 30);
    a->SetHint("提示|a longer explanation");
    a->SetShowHint(true);
    a->SetParent(form);
    b = new HintWatch(form);
    b->SetName("B");
    b->SetBounds(10, 100, 80, 30);
    b->SetParent(form);
    form->Show();
    Pump();
  }
  void TearDown() override {
    form->Free();
    Application->CancelHint();
    FormsTest::TearDown();
  }
  bool HintVisible() {
    THintWindow* w = Application->HintWindow();
    return w && w->HandleAllocated() && IsWindowVisible(w->WindowHandle());
  }
  TForm* form = nullptr;
  HintWatch* a = nullptr;
  HintWatch* b = nullptr;
};

TEST_F(Hints, AHintShowsAfterThePauseWithItsRecord) {
  MoveMouse(a, 20, 15);
  EXPECT_EQ(a->pauseAsked, 1);
  AdvanceAndPump(400);
  EXPECT_TRUE(a->shown.empty());
  EXPECT_FALSE(HintVisible());
  AdvanceAndPump(200);  // past the 500 ms pause
  ASSERT_EQ(a->shown.size(), 1u);
  const THintInfo& info = a->shown[0];
  EXPECT_EQ(info.HintControl, a);
  EXPECT_EQ(info.HintStr, "提示");  // the short part
  EXPECT_EQ(info.CursorPos, TPoint(20, 15));
  EXPECT_EQ(info.CursorRect, Rect(0, 0, 80, 30));
  EXPECT_EQ(info.HideTimeout, 2500);
  EXPECT_EQ(info.HintWindowClass, THintWindow::StaticClass());
  ASSERT_TRUE(HintVisible());
  THintWindow* w = Application->HintWindow();
  EXPECT_EQ(w->Caption(), "提示");
  // Near the cursor, below it.
  RECT r;
  GetWindowRect(w->WindowHandle(), &r);
  TPoint cursor = ScreenPoint(a, 20, 15);
  EXPECT_EQ(r.left, cursor.X);
  EXPECT_GT(r.top, cursor.Y);
  // It goes after the hide pause.
  AdvanceAndPump(2600);
  EXPECT_FALSE(HintVisible());
}

TEST_F(Hints, AControlMayChangeThePauseTheTextOrSuppressTheHint) {
  a->pause = 0;
  a->replace = "changed";
  MoveMouse(a, 5, 5);
  AdvanceAndPump(20);
  ASSERT_EQ(a->shown.size(), 1u);
  ASSERT_TRUE(HintVisible());
  EXPECT_EQ(Application->HintWindow()->Caption(), "changed");
  Application->CancelHint();
  a->shown.clear();
  a->suppress = true;
  MoveMouse(a, 30, 5);
  AdvanceAndPump(50);
  EXPECT_EQ(a->shown.size(), 1u);
  EXPECT_FALSE(HintVisible());
}

TEST_F(Hints, NoHintWhereShowHintIsOffAndAClickCancelsIt) {
  MoveMouse(b, 5, 5);
  AdvanceAndPump(1000);
  EXPECT_TRUE(b->shown.empty());
  EXPECT_FALSE(HintVisible());
  MoveMouse(a, 5, 5);
  AdvanceAndPump(600);
  ASSERT_TRUE(HintVisible());
  TPoint p = ScreenPoint(a, 5, 5);
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  FanoInputMouseButton(0, FALSE, p.X, p.Y);
  Pump();
  EXPECT_FALSE(HintVisible());
}

TEST_F(Hints, ChildrenFollowTheParentsShowHint) {
  form->SetShowHint(true);
  EXPECT_TRUE(b->ShowHint());
  form->SetHint("form hint");
  MoveMouse(b, 5, 5);
  AdvanceAndPump(600);
  ASSERT_EQ(b->shown.size(), 1u);
  EXPECT_EQ(b->shown[0].HintStr, "form hint");  // the nearest hint up the parents
}

TEST_F(Hints, MouseEnterAndLeaveFollowTheMouse) {
  MoveMouse(a, 5, 5);
  MoveMouse(a, 6, 6);
  MoveMouse(b, 5, 5);
  EXPECT_EQ(a->mouse, (std::vector<std::string>{"enter", "leave"}));
  EXPECT_EQ(b->mouse, (std::vector<std::string>{"enter"}));
  EXPECT_EQ(Application->MouseControl(), b);
  // Leaving every window of ours: the window's leave notice ends it.
  FanoInputMouseMove(5, 5);
  Pump();
  EXPECT_EQ(b->mouse, (std::vector<std::string>{"enter", "leave"}));
  EXPECT_EQ(Application->MouseControl(), nullptr);
}

class GraphicWatch : public TTestGraphic {
 public:
  explicit GraphicWatch(TComponent* owner) : TTestGraphic(owner) {}
  std::vector<std::string> mouse;
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_MOUSEENTER) mouse.push_back("enter");
    if (m.Msg == CM_MOUSELEAVE) mouse.push_back("leave");
    TTestGraphic::Dispatch(m);
  }
};

// A graphic control lit by the pointer hears of the leave as soon as the pointer leaves the
// window or moves onto another control, without waiting for the application's idle time.
TEST_F(Hints, AGraphicControlHearsTheLeaveAtOnce) {
  auto* g = new GraphicWatch(form);
  g->SetBounds(150, 10, 40, 30);
  g->SetParent(form);
  Pump();
  MoveMouse(g, 5, 5);
  EXPECT_EQ(g->mouse, (std::vector<std::string>{"enter"}));
  FanoInputMouseMove(5, 5);  // off every window of ours
  Pump();
  EXPECT_EQ(g->mouse, (std::vector<std::string>{"enter", "leave"}));
  EXPECT_EQ(Application->MouseControl(), nullptr);
  // From the graphic control onto a windowed one, and back out of the window from there.
  MoveMouse(g, 6, 6);
  MoveMouse(a, 5, 5);
  EXPECT_EQ(g->mouse, (std::vector<std::string>{"enter", "leave", "enter", "leave"}));
  EXPECT_EQ(a->mouse, (std::vector<std::string>{"enter"}));
  FanoInputMouseMove(5, 5);
  Pump();
  EXPECT_EQ(a->mouse, (std::vector<std::string>{"enter", "leave"}));
}

}  // namespace
