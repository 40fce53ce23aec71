// Controls at work: mouse input routed to windowless children, clicks and double-clicks, the
// wheel, painting on the parent, recreating windows, alignment and anchors, scrolling, and the
// ways a form closes.
#include "forms_test_util.h"

#include "platform/forms/cmessages.h"

using namespace formstest;

namespace {

class Controls : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(40, 40, 320, 240);
    form->SetAutoScroll(false);
  }
};

TEST_F(Controls, WindowlessChildrenGetTheirMouseThroughTheParent) {
  auto* g = new TTestGraphic(form);
  g->SetBounds(50, 60, 40, 20);
  g->SetParent(form);
  std::vector<std::string> events;
  g->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int x, int y) {
    events.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y) +
                     (s.Contains(ssDouble) ? " double" : ""));
  };
  g->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
    events.push_back("up " + std::to_string(x) + "," + std::to_string(y));
  };
  g->OnClick = [&](TObject*) { events.push_back("click"); };
  g->OnDblClick = [&](TObject*) { events.push_back("dblclick"); };
  form->Show();
  Pump();
  ClickAt(g, 5, 6);
  // The click comes before the release event, as in the original.
  EXPECT_EQ(events, (std::vector<std::string>{"down 0 5,6", "click", "up 5,6"}));
  events.clear();
  // The second press in time is a double-click, and its release clicks no more.
  ClickAt(g, 5, 6);
  EXPECT_EQ(events, (std::vector<std::string>{"dblclick", "down 0 5,6 double", "up 5,6"}));
  events.clear();
  AdvanceAndPump(1000);
  // Pressed inside, released outside: the capture follows, but no click.
  TPoint in = ScreenPoint(g, 5, 5), out = ScreenPoint(g, 100, 100);
  FanoInputMouseMove(in.X, in.Y);
  FanoInputMouseButton(0, TRUE, in.X, in.Y);
  FanoInputMouseMove(out.X, out.Y);
  FanoInputMouseButton(0, FALSE, out.X, out.Y);
  Pump();
  EXPECT_EQ(events, (std::vector<std::string>{"down 0 5,5", "up 100,100"}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Controls, DisabledOrHiddenWindowlessChildrenLetTheMouseThrough) {
  auto* g = new TTestGraphic(form);
  g->SetBounds(50, 60, 40, 20);
  g->SetParent(form);
  int own = 0, parents = 0;
  g->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++own; };
  form->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++parents; };
  form->Show();
  Pump();
  g->SetEnabled(false);
  ClickAt(g, 5, 5);
  g->SetEnabled(true);
  g->SetVisible(false);
  AdvanceAndPump(1000);
  ClickAt(g, 5, 5);
  EXPECT_EQ(own, 0);
  EXPECT_EQ(parents, 2);
}

TEST_F(Controls, TheWheelGoesToTheFocusedControlThenUpItsParents) {
  auto* box = new TTestWin(form);
  box->SetControlStyle(box->ControlStyle() + csAcceptsControls);
  box->SetBounds(0, 0, 200, 100);
  box->SetTabStop(false);
  box->SetParent(form);
  auto* c = new TTestWin(box);
  c->SetParent(box);
  std::vector<std::string> seen;
  c->OnMouseWheel = [&](TObject*, TShiftState, int delta, TPoint, bool& handled) {
    seen.push_back("c " + std::to_string(delta));
    handled = false;
  };
  c->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& handled) {
    seen.push_back("c down");
    handled = false;
  };
  box->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& handled) {
    seen.push_back("box down");
    handled = true;
  };
  form->Show();
  Pump();
  ASSERT_TRUE(c->Focused());
  TPoint p = ScreenPoint(c, 5, 5);
  FanoInputMouseWheel(-WHEEL_DELTA, p.X, p.Y);
  Pump();
  EXPECT_EQ(seen, (std::vector<std::string>{"c -120", "c down", "box down"}));
  // Half notches add up.
  seen.clear();
  FanoInputMouseWheel(-60, p.X, p.Y);
  Pump();
  EXPECT_EQ(seen, (std::vector<std::string>{"c -60"}));
  FanoInputMouseWheel(-60, p.X, p.Y);
  Pump();
  EXPECT_EQ(seen, (std::vector<std::string>{"c -60", "c -60", "c down", "box down"}));
  // The point is on the screen: read as a client point it falls on this windowless child, which
  // must not take the wheel from the window it was sent to.
  auto* g = new TTestGraphic(c);
  g->SetBounds(0, 0, p.X + 1, p.Y + 1);
  g->SetParent(c);
  TWndMethod old = g->WindowProc();
  g->SetWindowProc([&](TMessage& m) {
    if (m.Msg == WM_MOUSEWHEEL) seen.push_back("g");
    old(m);
  });
  seen.clear();
  FanoInputMouseWheel(-WHEEL_DELTA, p.X, p.Y);
  Pump();
  EXPECT_EQ(seen, (std::vector<std::string>{"c -120", "c down", "box down"}));
}

class Painter : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  void Paint() override {
    Canvas()->Brush()->SetColor(clRed);
    Canvas()->FillRect(Rect(0, 0, Width(), Height()));
  }
};

TEST_F(Controls, WindowlessControlsPaintOnTheirParentAtTheirPlace) {
  form->SetColor(clWhite);
  auto* p = new Painter(form);
  p->SetBounds(30, 20, 10, 5);
  p->SetParent(form);
  form->Show();
  Pump();
  HWND h = form->Handle();
  RECT wr, cr;
  GetWindowRect(h, &wr);
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  int dx = origin.x - wr.left, dy = origin.y - wr.top;
  EXPECT_EQ(FanoGetWindowPixel(h, dx + 30, dy + 20), RGB(255, 0, 0));
  EXPECT_EQ(FanoGetWindowPixel(h, dx + 39, dy + 24), RGB(255, 0, 0));
  EXPECT_EQ(FanoGetWindowPixel(h, dx + 40, dy + 20), RGB(255, 255, 255));  // clipped to its bounds
  EXPECT_EQ(FanoGetWindowPixel(h, dx + 29, dy + 20), RGB(255, 255, 255));
  (void)cr;
  // Hidden: the parent repaints its place.
  p->SetVisible(false);
  Pump();
  EXPECT_EQ(FanoGetWindowPixel(h, dx + 30, dy + 20), RGB(255, 255, 255));
}

TEST_F(Controls, RecreatingAWindowKeepsTextChildrenAndFocus) {
  auto* c = new TTestWin(form);
  c->SetParent(form);
  c->SetCaption("内容");
  form->Show();
  Pump();
  ASSERT_TRUE(c->Focused());
  HWND before = c->Handle();
  c->RecreateWnd();
  Pump();
  EXPECT_NE(c->Handle(), before);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_EQ(c->Caption(), "内容");
  EXPECT_TRUE(c->Focused());
  EXPECT_TRUE(IsWindowVisible(c->Handle()));
  // The form's own window too, with its children made again.
  HWND child = c->Handle();
  form->SetBorderStyle(bsDialog);
  Pump();
  EXPECT_FALSE(IsWindow(child));
  EXPECT_TRUE(IsWindowVisible(c->Handle()));
  EXPECT_EQ(GetParent(c->Handle()), form->Handle());
}

TEST_F(Controls, AlignmentFillsTheClientAreaInOrder) {
  form->SetBorderStyle(bsNone);
  form->SetClientWidth(300);
  form->SetClientHeight(200);
  auto make = [&](TAlign a, int size) {
    auto* c = new TTestWin(form);
    c->SetBounds(0, 0, size, size);
    c->SetAlign(a);
    c->SetParent(form);
    return c;
  };
  auto* top = make(alTop, 20);
  auto* bottom = make(alBottom, 30);
  auto* left = make(alLeft, 40);
  auto* right = make(alRight, 50);
  auto* client = make(alClient, 10);
  form->Show();
  Pump();
  EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 300, 20));
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 170, 300, 200));
  EXPECT_EQ(left->BoundsRect(), Rect(0, 20, 40, 170));
  EXPECT_EQ(right->BoundsRect(), Rect(250, 20, 300, 170));
  EXPECT_EQ(client->BoundsRect(), Rect(40, 20, 250, 170));
  // Hiding one gives its room to the others.
  top->SetVisible(false);
  EXPECT_EQ(left->BoundsRect(), Rect(0, 0, 40, 170));
  EXPECT_EQ(client->BoundsRect(), Rect(40, 0, 250, 170));
  // Resizing the form lays them out again.
  form->SetClientWidth(400);
  Pump();
  EXPECT_EQ(right->BoundsRect(), Rect(350, 0, 400, 170));
  EXPECT_EQ(client->Width(), 310);
}

TEST_F(Controls, SizeConstraintsHoldWhereverBoundsAreSet) {
  form->Show();
  for (TControl* c : {static_cast<TControl*>(new TTestWin(form)), static_cast<TControl*>(new TTestGraphic(form))}) {
    c->SetParent(form);
    TSizeConstraints* k = c->Constraints();
    k->SetMinWidth(80);  // at once
    k->SetMaxHeight(50);
    EXPECT_EQ(c->Width(), 80);
    c->SetBounds(5, 6, 1000, 500);  // no maximum width: 0 is no limit
    EXPECT_EQ(c->BoundsRect(), Rect(5, 6, 1005, 56));
    k->SetMaxWidth(70);  // below the minimum: the minimum follows
    EXPECT_EQ(k->MinWidth(), 70);
    EXPECT_EQ(c->Width(), 70);
    // Aligned, a limit taken off gives back the size the alignment gives, at once.
    c->SetAlign(alTop);
    k->SetMaxWidth(0);
    EXPECT_EQ(c->Width(), form->ClientWidth());
    c->SetAlign(alNone);
  }
  // A client-aligned control kept smaller leaves the next one no more than the parent's client.
  auto* small = new TTestWin(form);
  auto* next = new TTestWin(form);
  for (TTestWin* w : {small, next}) {
    w->SetParent(form);
    w->SetAlign(alClient);
  }
  small->Constraints()->SetMaxHeight(50);
  small->Constraints()->SetMinWidth(form->ClientWidth() + 40);
  EXPECT_EQ(next->BoundsRect(), form->ClientRect());
}

TEST_F(Controls, AnchorsKeepDistancesWhenTheParentGrows) {
  form->SetBorderStyle(bsNone);
  form->SetClientWidth(300);
  form->SetClientHeight(200);
  form->Show();
  Pump();
  auto* right = new TTestWin(form);
  right->SetBounds(250, 10, 40, 20);
  right->SetParent(form);
  right->SetAnchors(TAnchors{akTop, akRight});
  auto* stretch = new TTestWin(form);
  stretch->SetBounds(10, 40, 280, 20);
  stretch->SetParent(form);
  stretch->SetAnchors(TAnchors{akLeft, akTop, akRight});
  form->SetClientWidth(400);
  Pump();
  EXPECT_EQ(right->Left(), 350);
  EXPECT_EQ(stretch->Width(), 380);
}

TEST_F(Controls, AScrollingFormScrollsAFocusedControlIntoView) {
  form->SetBorderStyle(bsNone);
  form->SetAutoScroll(true);
  form->SetClientWidth(200);
  form->SetClientHeight(100);
  auto* a = new TTestWin(form);
  a->SetBounds(10, 10, 50, 20);
  a->SetParent(form);
  auto* far = new TTestWin(form);
  far->SetBounds(10, 300, 50, 20);
  far->SetParent(form);
  form->Show();
  Pump();
  EXPECT_EQ(form->VertScrollBar()->Range(), 320);
  EXPECT_TRUE(GetWindowLong(form->Handle(), GWL_STYLE) & WS_VSCROLL);
  far->SetFocus();
  Pump();
  EXPECT_GT(form->VertScrollBar()->Position(), 0);
  EXPECT_GE(far->Top(), 0);
  EXPECT_LE(far->Top() + far->Height(), form->ClientHeight());
  // Scrolling back moves the controls back.
  form->VertScrollBar()->SetPosition(0);
  EXPECT_EQ(a->Top(), 10);
  EXPECT_EQ(far->Top(), 300);
}

TEST_F(Controls, CloseActionsHideMinimizeFreeOrKeepTheForm) {
  auto* f = new TForm(nullptr);
  std::vector<std::string> events;
  f->OnShow = [&](TObject*) { events.push_back("show"); };
  f->OnHide = [&](TObject*) { events.push_back("hide"); };
  TCloseAction next = caHide;
  f->OnClose = [&](TObject*, TCloseAction& a) {
    events.push_back("close");
    a = next;
  };
  f->Show();
  Pump();
  next = caNone;
  f->Close();
  EXPECT_TRUE(f->Visible());
  next = caMinimize;
  f->Close();
  EXPECT_EQ(f->WindowState(), wsMinimized);
  EXPECT_TRUE(IsIconic(f->Handle()));
  next = caHide;
  f->Close();
  EXPECT_FALSE(f->Visible());
  EXPECT_EQ(events, (std::vector<std::string>{"show", "close", "close", "close", "hide"}));
  // The close box sends WM_CLOSE through the system command.
  f->Show();
  Pump();
  PostMessage(f->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_FALSE(f->Visible());
  // caFree releases the form after the current messages.
  f->Show();
  next = caFree;
  bool destroyed = false;
  f->OnDestroy = [&](TObject*) { destroyed = true; };
  f->Close();
  EXPECT_FALSE(destroyed);
  Pump();
  EXPECT_TRUE(destroyed);
}

TEST_F(Controls, BorderStylesAndIconsGiveTheWindowStyles) {
  form->SetBorderStyle(bsNone);
  form->SetBorderIcons(TBorderIcons{biSystemMenu});
  form->HandleNeeded();
  LONG s = GetWindowLong(form->Handle(), GWL_STYLE);
  EXPECT_TRUE(s & WS_POPUP);
  EXPECT_FALSE(s & WS_CAPTION);
  form->SetBorderStyle(bsSingle);
  form->SetBorderIcons(TBorderIcons{biSystemMenu, biMinimize});
  s = GetWindowLong(form->Handle(), GWL_STYLE);
  EXPECT_EQ(s & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(s & WS_SYSMENU);
  EXPECT_TRUE(s & WS_MINIMIZEBOX);
  EXPECT_FALSE(s & WS_MAXIMIZEBOX);
  EXPECT_FALSE(s & WS_THICKFRAME);
  form->SetBorderStyle(bsSizeable);
  EXPECT_TRUE(GetWindowLong(form->Handle(), GWL_STYLE) & WS_THICKFRAME);
}

TEST_F(Controls, ControlsAndFormsAreFreedWithTheirChildren) {
  auto* box = new TTestWin(nullptr);  // owned by nobody, parented to the form
  box->SetControlStyle(box->ControlStyle() + csAcceptsControls);
  box->SetParent(form);
  auto* inner = new TTestWin(form);  // owned by the form, parented to the box
  inner->SetParent(box);
  form->Show();
  Pump();
  HWND innerWnd = inner->Handle();
  box->Free();  // takes its child control with it, whoever owns it
  EXPECT_FALSE(IsWindow(innerWnd));
  EXPECT_EQ(form->ControlCount(), 0);
  EXPECT_EQ(form->ComponentCount(), 0);
}

// A windowed control freed while still on its parent leaves every list of the parent, whether
// freed with Free() or deleted (its own parts are gone by the time the base part lets go).
TEST_F(Controls, AFreedWindowedChildLeavesItsParentsTabOrder) {
  auto* first = new TTestWin(form);
  first->SetParent(form);
  auto* second = new TTestWin(form);
  second->SetParent(form);
  auto* third = new TTestWin(form);
  third->SetParent(form);
  form->Show();
  Pump();
  second->SetFocus();
  Pump();
  ASSERT_EQ(form->ActiveControl(), second);
  second->Free();
  std::vector<TWinControl*> order;
  form->GetTabOrderList(order);
  EXPECT_EQ(order, (std::vector<TWinControl*>{first, third}));
  EXPECT_NE(form->ActiveControl(), second);
  EXPECT_EQ(third->TabOrder(), 1);

  third->SetFocus();
  Pump();
  ASSERT_EQ(form->ActiveControl(), third);
  delete third;
  order.clear();
  form->GetTabOrderList(order);
  EXPECT_EQ(order, (std::vector<TWinControl*>{first}));
  EXPECT_EQ(form->ControlCount(), 1);
  EXPECT_NE(form->ActiveControl(), third);
  // Tabbing walks what is left.
  form->SelectNext(first, true, true);
  Pump();
  EXPECT_EQ(form->ActiveControl(), first);
}

}  // namespace

namespace {

int nativeDestroys = 0;
LRESULT NativeProbeProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_NCDESTROY) ++nativeDestroys;
  return DefWindowProc(w, m, wp, lp);
}

// A control over a window class of the window system (as the standard controls are).
class TNativeProbe : public TWinControl {
 public:
  using TWinControl::TWinControl;
  void CreateParams(TCreateParams& params) override {
    TWinControl::CreateParams(params);
    CreateSubClass(params, "NativeProbe");
  }
};

TEST_F(Controls, ASubclassedWindowClassGetsItsMessagesAndItsEnd) {
  WNDCLASS wc{};
  wc.lpfnWndProc = &NativeProbeProc;
  wc.lpszClassName = "NativeProbe";
  RegisterClass(&wc);
  auto* a = new TNativeProbe(form);
  a->SetParent(form);
  auto* b = new TNativeProbe(form);
  b->SetParent(form);
  form->Show();
  Pump();
  EXPECT_EQ(a->DefWndProc(), &NativeProbeProc);
  nativeDestroys = 0;
  a->Free();
  EXPECT_EQ(nativeDestroys, 1);
  delete b;  // without Free: the class procedure still sees the end
  EXPECT_EQ(nativeDestroys, 2);
}

}  // namespace
