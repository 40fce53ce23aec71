// A word-wrapped combo box steps through its items with Up and Down when its whole text is
// selected, whatever characters the items hold.
#include <gtest/gtest.h>

#include "dbeditor_fixture.h"
#include "editors/dbcombobox.h"

using namespace dbfix;

namespace {

class WrappedCombo : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    combo = Add<TDBComboBoxGx>(20, 20, 150, 42);
    combo->SetWordWrap(true);
    combo->Items()->SetText("差旅费\n办公用品\nAbc");
    Show();
    combo->SetFocus();
    Pump();
  }
  TDBComboBoxGx* combo = nullptr;
};

TEST_F(WrappedCombo, ChineseItemsStepWhenAllIsSelected) {
  combo->SetItemIndex(0);
  combo->SelectAll();
  KeyPress(VK_DOWN);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->EditText(), "办公用品");
  combo->SelectAll();
  KeyPress(VK_UP);
  EXPECT_EQ(combo->ItemIndex(), 0);
  EXPECT_EQ(combo->EditText(), "差旅费");
}

TEST_F(WrappedCombo, APartSelectionMovesTheCaretInstead) {
  combo->SetItemIndex(0);
  combo->SetSel(0, 1);
  KeyPress(VK_DOWN);
  EXPECT_EQ(combo->ItemIndex(), 0);
  EXPECT_EQ(combo->EditText(), "差旅费");
}

}  // namespace
