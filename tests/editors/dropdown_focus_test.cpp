// A drop-down list whose size grip is dragged leaves the focus and the activation with its
// editor: Enter and Escape still close it and typed characters still reach the editor.
#include <gtest/gtest.h>

#include "dbeditor_fixture.h"
#include "editors/dbcombobox.h"
#include "editors/popups.h"

using namespace dbfix;

namespace {

class GripDragged : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    combo = Add<TDBComboBoxGx>(20, 20, 150, 21);
    combo->Items()->SetText("Abc\nAbd\nXyz\n甲\n乙\n丙\n丁\n戊\n己");
    combo->DropDownBox()->SetSizable(true);
    Show();
    combo->SetFocus();
    Pump();
  }
  void DropAndDrag() {
    KeyPress(VK_DOWN, false, false, true);  // Alt+Down
    ASSERT_TRUE(combo->DroppedDown());
    TPopupListboxGx* list = combo->PopupListbox();
    ASSERT_NE(list, nullptr);
    TSizeGripGx* grip = list->SizeGrip();
    TPoint at = grip->ClientToScreen(TPoint(grip->Width() - 3, grip->Height() - 3));
    uitest::MouseDownAt(at);
    uitest::MoveMouseTo(TPoint(at.X + 20, at.Y + 30));
    uitest::MouseUpAt(TPoint(at.X + 20, at.Y + 30));
    ASSERT_TRUE(list->SizeGripResized());
    ASSERT_TRUE(combo->DroppedDown());
  }
  TDBComboBoxGx* combo = nullptr;
};

TEST_F(GripDragged, TheEditorKeepsTheFocusAndTheFormStaysActive) {
  DropAndDrag();
  EXPECT_EQ(GetFocus(), combo->Handle());
  EXPECT_EQ(GetActiveWindow(), form->Handle());
}

TEST_F(GripDragged, EscapeStillClosesTheList) {
  DropAndDrag();
  KeyPress(VK_ESCAPE);
  EXPECT_FALSE(combo->DroppedDown());
}

TEST_F(GripDragged, EnterStillTakesTheChosenItem) {
  DropAndDrag();
  KeyPress(VK_DOWN);
  KeyPress(VK_RETURN);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->EditText(), "Abc");
}

TEST_F(GripDragged, TypedCharactersReachTheEditor) {
  DropAndDrag();
  combo->SelectAll();
  Type("X");
  EXPECT_EQ(combo->EditText().substr(0, 1), "X");
}

}  // namespace

namespace {

TEST_F(GripDragged, APressOnAnItemLeavesTheFocusWithTheEditor) {
  KeyPress(VK_DOWN, false, false, true);
  ASSERT_TRUE(combo->DroppedDown());
  TPopupListboxGx* list = combo->PopupListbox();
  TPoint at = list->ClientToScreen(TPoint(10, list->ItemRect(1).Top + 2));
  FanoInputMouseMove(at.X, at.Y);
  FanoInputMouseButton(0, TRUE, at.X, at.Y);
  Pump();
  EXPECT_EQ(GetFocus(), combo->Handle());
  EXPECT_EQ(GetActiveWindow(), form->Handle());
  FanoInputMouseButton(0, FALSE, at.X, at.Y);
  Pump();
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->EditText(), "Abd");
}

}  // namespace
