// Panels, splitters, paint boxes, shapes, scroll boxes and speed buttons.
#include "platform/forms/buttons.h"
#include "platform/forms/extctrls.h"
#include "std_test_util.h"

using namespace formstest;

namespace {

class ExtTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(10, 10, 400, 300);
    form->SetColor(clWhite);
  }
  // A pixel of a control (its client coordinates) as the form's window shows it.
  COLORREF Pixel(TControl* c, int x, int y) {
    return uitest::WindowPixelAt(form, c->ClientToScreen(TPoint(x, y))) & 0xFFFFFF;
  }
  COLORREF Rgb(TColor c) { return ColorToRGB(c) & 0xFFFFFF; }
};

TEST_F(ExtTest, PanelBevelsFrameTheClientArea) {
  Show();
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(10, 10, 200, 100);
  panel->SetBevelInner(bvLowered);
  panel->SetBevelWidth(2);
  panel->SetBorderWidth(3);
  auto* child = new TPanel(form);
  child->SetParent(panel);
  child->SetAlign(alClient);
  // Outer and inner bevels of 2 and a border of 3: 7 on every side.
  EXPECT_EQ(child->BoundsRect(), TRect(7, 7, 193, 93));
  panel->SetBevelOuter(bvNone);
  EXPECT_EQ(child->BoundsRect(), TRect(5, 5, 195, 95));
  child->SetVisible(false);
  panel->SetBevelOuter(bvRaised);
  panel->SetCaption("面板");
  Pump();
  // Raised outside: light top-left, dark bottom-right; lowered inside the border the other way.
  EXPECT_EQ(Pixel(panel, 0, 50), Rgb(clBtnHighlight));
  EXPECT_EQ(Pixel(panel, 199, 50), Rgb(clBtnShadow));
  EXPECT_EQ(Pixel(panel, 5, 50), Rgb(clBtnShadow));
  EXPECT_EQ(Pixel(panel, 20, 50), Rgb(clBtnFace));
  // The caption is centred: a 12-pixel-high run of text in the middle.
  EXPECT_NE(Pixel(panel, 100 - 6, 50), Rgb(clBtnFace));
}

TEST_F(ExtTest, SplitterResizesTheControlBesideIt) {
  auto* left = new TPanel(form);
  left->SetParent(form);
  left->SetAlign(alLeft);
  left->SetWidth(100);
  auto* splitter = new TSplitter(form);
  splitter->SetParent(form);
  splitter->SetLeft(200);
  splitter->SetAlign(alLeft);
  auto* rest = new TPanel(form);
  rest->SetParent(form);
  rest->SetAlign(alClient);
  Show();
  EXPECT_EQ(splitter->Left(), 100);
  EXPECT_EQ(splitter->FindControl(), left);
  int moved = 0;
  splitter->OnMoved = [&](TObject*) { ++moved; };
  auto drag = [&](int dx) {
    TPoint p = ScreenPoint(splitter, 1, 10);
    FanoInputMouseMove(p.X, p.Y);
    FanoInputMouseButton(0, TRUE, p.X, p.Y);
    Pump();
    FanoInputMouseMove(p.X + dx / 2, p.Y);
    Pump();
    FanoInputMouseMove(p.X + dx, p.Y);
    FanoInputMouseButton(0, FALSE, p.X + dx, p.Y);
    Pump();
  };
  drag(40);
  EXPECT_EQ(left->Width(), 140);
  EXPECT_EQ(splitter->Left(), 140);
  EXPECT_EQ(rest->Left(), 143);
  EXPECT_EQ(moved, 1);
  // Below MinSize the control snaps shut.
  drag(-125);
  EXPECT_EQ(left->Width(), 0);
  // It never grows past the room the others leave (MinSize for the client panel).
  splitter->SetAutoSnap(false);
  drag(1000);
  EXPECT_EQ(left->Width(), form->ClientWidth() - 3 - 30);
}

TEST_F(ExtTest, PaintBoxAndShapePaint) {
  auto* box = new TPaintBox(form);
  box->SetParent(form);
  box->SetBounds(10, 10, 50, 50);
  int paints = 0;
  box->OnPaint = [&](TObject*) {
    ++paints;
    box->Canvas()->Brush()->SetColor(clRed);
    box->Canvas()->FillRect(TRect(0, 0, 10, 10));
  };
  auto* shape = new TShape(form);
  shape->SetParent(form);
  shape->SetBounds(100, 10, 60, 40);
  shape->SetShape(stCircle);
  shape->Brush()->SetColor(clLime);
  Show();
  EXPECT_GE(paints, 1);
  EXPECT_EQ(Pixel(box, 5, 5), Rgb(clRed));
  // A circle in the middle of the shape: filled at the centre, the form's colour in the corners.
  EXPECT_EQ(Pixel(shape, 30, 20), Rgb(clLime));
  EXPECT_EQ(Pixel(shape, 2, 2), Rgb(clWhite));
  EXPECT_EQ(Pixel(shape, 30, 0), Rgb(clBlack));  // the pen at the top of the circle
}

TEST_F(ExtTest, ScrollBoxScrollsToItsChildren) {
  auto* box = new TScrollBox(form);
  box->SetParent(form);
  box->SetBounds(10, 10, 200, 100);
  auto* far = new TPanel(form);
  far->SetParent(box);
  far->SetBounds(10, 300, 50, 30);
  Show();
  EXPECT_TRUE(box->VertScrollBar()->IsScrollBarVisible());
  EXPECT_EQ(box->VertScrollBar()->Range(), 330);
  box->ScrollInView(far);
  EXPECT_GT(box->VertScrollBar()->Position(), 0);
  EXPECT_LT(far->Top() + far->Height(), box->ClientHeight() + 1);
}

// A header panel aligned to the top of a scroll box, with fields further right than the box is
// wide (a document form made narrow): the box scrolls sideways to them; made wide enough, it does
// not. The page below, stretched to the client, adds nothing of its own.
TEST_F(ExtTest, ScrollBoxScrollsToTheFieldsOfAStretchedHeaderPanel) {
  form->SetBounds(10, 10, 800, 560);
  auto* box = new TScrollBox(form);
  box->SetParent(form);
  box->SetAlign(alClient);
  box->SetBorderStyle(bsNone);
  auto* header = new TPanel(form);
  header->SetParent(box);
  header->SetAlign(alTop);
  header->SetHeight(196);
  auto* left = new TPanel(form);
  left->SetParent(header);
  left->SetBounds(10, 27, 96, 21);
  auto* right = new TPanel(form);  // the right column's last field
  right->SetParent(header);
  right->SetBounds(600, 27, 130, 21);
  auto* stretched = new TPanel(form);  // follows the header's width: needs nothing
  stretched->SetParent(header);
  stretched->SetBounds(10, 160, 500, 21);
  stretched->SetAnchors(TAnchors{akLeft, akTop, akRight});
  auto* page = new TPanel(form);
  page->SetParent(box);
  page->SetAlign(alClient);
  auto* lines = new TTestWin(form);
  lines->SetParent(page);
  lines->SetAlign(alClient);
  form->SetClientWidth(581);
  Show();
  ASSERT_LT(box->ClientWidth(), 730);
  EXPECT_TRUE(box->HorzScrollBar()->IsScrollBarVisible()) << "the right column is out of reach";
  EXPECT_GE(box->HorzScrollBar()->Range(), 730 + header->Width() - header->ClientWidth());
  EXPECT_FALSE(box->VertScrollBar()->IsScrollBarVisible());
  // The header is laid out as wide as its fields need; the page below goes along.
  EXPECT_GE(header->ClientWidth(), 730);
  EXPECT_EQ(page->Width(), header->Width());
  // Scrolled to the end, the last field is whole inside the box.
  box->HorzScrollBar()->SetPosition(box->HorzScrollBar()->Range());
  Pump();
  TPoint r = box->ScreenToClient(header->ClientToScreen(TPoint(right->Left() + right->Width(), 0)));
  EXPECT_LE(r.X, box->ClientWidth());
  EXPECT_GE(r.X, right->Width());
  // Wide enough: no bar, and the stretched field still follows the header.
  box->HorzScrollBar()->SetPosition(0);
  form->SetClientWidth(900);
  Pump();
  EXPECT_FALSE(box->HorzScrollBar()->IsScrollBarVisible());
  EXPECT_EQ(header->Width(), box->ClientWidth());
  // And narrow again: the bar comes back (the range follows the fields, not the last width).
  form->SetClientWidth(500);
  Pump();
  EXPECT_TRUE(box->HorzScrollBar()->IsScrollBarVisible());
  EXPECT_LT(box->HorzScrollBar()->Range(), 800);
}

class SpeedButtonTest : public ExtTest {
 protected:
  TSpeedButton* Make(int x, int group) {
    auto* b = new TSpeedButton(form);
    b->SetParent(form);
    b->SetBounds(x, 10, 30, 30);
    b->SetGroupIndex(group);
    return b;
  }
  void Click(TControl* c) { ClickAt(c, 10, 10); }
};

TEST_F(SpeedButtonTest, GroupsKeepOneButtonDown) {
  auto* a = Make(10, 1);
  auto* b = Make(50, 1);
  auto* plain = Make(90, 0);
  Show();
  int clicks = 0;
  a->OnClick = [&](TObject*) { ++clicks; };
  Click(a);
  EXPECT_TRUE(a->Down());
  EXPECT_EQ(clicks, 1);
  Click(b);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  // Without AllowAllUp the down button stays down.
  Click(b);
  EXPECT_TRUE(b->Down());
  b->SetAllowAllUp(true);
  EXPECT_TRUE(a->AllowAllUp());  // the group shares it
  Click(b);
  EXPECT_FALSE(b->Down());
  // Outside a group there is no down state.
  plain->SetDown(true);
  EXPECT_FALSE(plain->Down());
  Click(plain);
  EXPECT_FALSE(plain->Down());
  // A press released outside is no click.
  TPoint p = ScreenPoint(a, 10, 10);
  TPoint out = ScreenPoint(a, 10, 100);
  FanoInputMouseMove(p.X, p.Y);
  FanoInputMouseButton(0, TRUE, p.X, p.Y);
  Pump();
  EXPECT_EQ(a->State(), bsDown);
  FanoInputMouseMove(out.X, out.Y);
  FanoInputMouseButton(0, FALSE, out.X, out.Y);
  Pump();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(a->State(), bsUp);
  a->OnClick = nullptr;
}

TEST_F(SpeedButtonTest, GlyphCellsFollowTheState) {
  auto* a = Make(10, 1);
  a->SetAllowAllUp(true);
  TBitmap glyph;
  glyph.SetSize(64, 16);
  TColor cells[4] = {clRed, clGreen, clBlue, clYellow};
  for (int i = 0; i < 4; ++i) {
    glyph.Canvas()->Brush()->SetColor(cells[i]);
    glyph.Canvas()->FillRect(TRect(i * 16, 0, i * 16 + 16, 16));
    glyph.Canvas()->SetPixels(i * 16, 15, clWhite);  // the bottom-left pixel is transparent
  }
  a->SetGlyph(&glyph);
  EXPECT_EQ(a->NumGlyphs(), 4);
  a->SetCaption("");
  Show();
  // Glyph centred: (30 - 2 - 16) / 2 + 1 from the edges of a non-flat button.
  auto centre = [&] { return Pixel(a, 15, 15); };
  EXPECT_EQ(centre(), Rgb(clRed));
  a->SetDown(true);
  a->Repaint();
  EXPECT_EQ(centre(), Rgb(clYellow));
  a->SetDown(false);
  a->SetEnabled(false);
  a->Repaint();
  EXPECT_EQ(centre(), Rgb(clGreen));
  // A glyph five times as wide as high is one glyph.
  TBitmap wide;
  wide.SetSize(80, 16);
  a->SetNumGlyphs(1);
  a->SetGlyph(&wide);
  EXPECT_EQ(a->NumGlyphs(), 1);
}

TEST_F(SpeedButtonTest, FlatButtonsRiseUnderTheMouse) {
  auto* a = Make(10, 0);
  a->SetFlat(true);
  EXPECT_FALSE(a->ControlStyle().Contains(csOpaque));
  a->SetTransparent(false);
  EXPECT_TRUE(a->ControlStyle().Contains(csOpaque));
  Show();
  EXPECT_FALSE(a->MouseInControl());
  TPoint p = ScreenPoint(a, 5, 5);
  FanoInputMouseMove(p.X, p.Y);
  Pump();
  EXPECT_TRUE(a->MouseInControl());
  // Raised: a light top-left edge.
  EXPECT_EQ(Pixel(a, 0, 10), Rgb(clBtnHighlight));
  TPoint away = ScreenPoint(a, 200, 200);
  FanoInputMouseMove(away.X, away.Y);
  Pump();
  EXPECT_FALSE(a->MouseInControl());
  EXPECT_EQ(Pixel(a, 0, 10), Rgb(a->Color()));
}

}  // namespace
