// Editors that draw their own text while unfocused (right-aligned or centred) show their buttons
// and separators as a left-aligned editor does, in every look.
#include <gtest/gtest.h>

#include "dbeditor_fixture.h"
#include "editors/dbnumberedit.h"
#include "platform/forms/graphics.h"
#include "platform/forms/stdctrls.h"

using namespace dbfix;

namespace {

class UnfocusedButtons : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    left = Add<TDBNumberEditGx>(20, 20, 150, 21);
    left->SetAlignment(taLeftJustify);
    right = Add<TDBNumberEditGx>(20, 50, 150, 21);
    centre = Add<TDBNumberEditGx>(20, 80, 150, 21);
    centre->SetAlignment(taCenter);
    sink = Add<TEdit>(20, 110, 100, 21);
    for (TDBNumberEditGx* e : {left, right, centre}) e->EditButton()->SetVisible(true);
  }
  void ShowUnfocused() {
    Show();
    sink->SetFocus();
    Pump();
    for (TWinControl* c : {static_cast<TWinControl*>(left), static_cast<TWinControl*>(right), static_cast<TWinControl*>(centre)}) {
      c->Invalidate();
      c->Update();
    }
    Pump();
  }
  // Every pixel of the button and of the column left of it (the separator) matches the
  // left-aligned editor's.
  void ExpectSameButtons(TDBNumberEditGx* e, const char* look) {
    ASSERT_GE(e->ButtonControlCount(), 1);
    TEditButtonControlGx* b = e->ButtonControl(0);
    TEditButtonControlGx* ref = left->ButtonControl(0);
    ASSERT_TRUE(b->Visible()) << look;
    ASSERT_EQ(b->BoundsRect(), ref->BoundsRect()) << look;
    int differing = 0;
    for (int y = b->Top(); y < b->Top() + b->Height(); ++y)
      for (int x = b->Left() - 1; x < b->Left() + b->Width(); ++x)
        if (PixelOf(e, x, y) != PixelOf(left, x, y)) ++differing;
    EXPECT_EQ(differing, 0) << look << ": the button is not shown as the left-aligned editor shows it";
  }
  TDBNumberEditGx* left = nullptr;
  TDBNumberEditGx* right = nullptr;
  TDBNumberEditGx* centre = nullptr;
  TEdit* sink = nullptr;
};

TEST_F(UnfocusedButtons, Normal) {
  ASSERT_EQ(right->Alignment(), taRightJustify);
  ShowUnfocused();
  // The calculator button is drawn at all: it is not the editor's background.
  TEditButtonControlGx* b = right->ButtonControl(0);
  EXPECT_NE(PixelOf(right, b->Left() + b->Width() / 2, b->Top() + 2), right->Color());
  ExpectSameButtons(right, "normal");
  ExpectSameButtons(centre, "normal");
}

TEST_F(UnfocusedButtons, ReadOnly) {
  for (TDBNumberEditGx* e : {left, right, centre}) e->SetReadOnly(true);
  ShowUnfocused();
  ExpectSameButtons(right, "read-only");
  ExpectSameButtons(centre, "read-only");
}

TEST_F(UnfocusedButtons, Flat) {
  for (TDBNumberEditGx* e : {left, right, centre}) e->SetFlat(true);
  ShowUnfocused();
  ExpectSameButtons(right, "flat");
  ExpectSameButtons(centre, "flat");
}

// An editor drawing its own text with a single 2-D border frames its client area in the window
// frame colour and paints inside it; a 3-D or borderless one draws no frame.
TEST_F(EditorFixture, AnUnfocusedSelfDrawnEditorFramesItselfOnlyWithASingle2DBorder) {
  struct Case {
    TBorderStyle border;
    bool ctl3d;
    bool framed;
  };
  const Case cases[] = {{bsSingle, false, true}, {bsSingle, true, false}, {bsNone, false, false}};
  auto* sink = Add<TEdit>(20, 200, 100, 21);
  const TColor back = uitest::Rgb(255, 255, 200);
  const TColor frame = static_cast<TColor>(ColorToRGB(clWindowFrame));
  int y = 20;
  std::vector<TDBEditGx*> edits;
  for (const Case& c : cases) {
    auto* e = Add<TDBEditGx>(20, y, 150, 21);
    y += 40;
    e->SetAlignment(taRightJustify);
    e->SetBorderStyle(c.border);
    e->SetCtl3D(c.ctl3d);
    e->SetColor(back);
    e->SetText("7");
    edits.push_back(e);
  }
  Show();
  sink->SetFocus();
  Pump();
  for (size_t i = 0; i < edits.size(); ++i) {
    TDBEditGx* e = edits[i];
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    e->Invalidate();
    e->Update();
    const int w = e->ClientWidth(), h = e->ClientHeight();
    const TPoint edge[] = {{0, h / 2}, {w - 1, h / 2}, {w / 3, 0}, {w / 3, h - 1}};
    const TPoint inside[] = {{1, h / 2}, {w / 3, 1}, {w / 3, h - 2}};
    for (const TPoint& p : edge) EXPECT_EQ(PixelOf(e, p.X, p.Y) == frame, c.framed) << p.X << "," << p.Y;
    if (c.framed) {
      for (const TPoint& p : inside) EXPECT_EQ(PixelOf(e, p.X, p.Y), back) << p.X << "," << p.Y;
    }
  }
}

}  // namespace
