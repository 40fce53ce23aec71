// Editors that draw their own text while unfocused (right-aligned or centred) show their buttons
// and separators as a left-aligned editor does, in every look.
#include <gtest/gtest.h>

#include "dbeditor_fixture.h"
#include "editors/dbnumberedit.h"
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

}  // namespace
