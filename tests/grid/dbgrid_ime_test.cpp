// The input method follows the selected column: a column's own mode when it has one, else the
// grid's, set on the grid's window and on its in-place editor as the user moves between columns.
#include <gtest/gtest.h>

#include "dbgrid_test_util.h"
#include "grid/inplaceedit.h"

using namespace dbgridtest;

namespace {

struct ImeState {
  bool attached = false;
  bool open = false;
  DWORD conversion = 0xFFFF;
};

ImeState StateOf(HWND wnd) {
  ImeState s;
  HIMC imc = ImmGetContext(wnd);
  if (!imc) return s;
  s.attached = true;
  s.open = ImmGetOpenStatus(imc) != FALSE;
  DWORD sentence = 0;
  ImmGetConversionStatus(imc, &s.conversion, &sentence);
  ImmReleaseContext(wnd, imc);
  return s;
}

class DBGridImeTest : public DBGridTest {
 protected:
  // ID closes the input method, NAME asks for Chinese, AMOUNT keeps the grid's own mode.
  void MakeImeGrid(TImeMode gridMode) {
    AddRow(1, "Apple", 1.5);
    AddRow(2, "Banana", 2.5);
    table->First();
    MakeGrid();
    grid->SetImeMode(gridMode);
    AddColumn("ID")->SetImeMode(imClose);
    AddColumn("NAME")->SetImeMode(imChinese);
    AddColumn("AMOUNT");
    Bind();
    // The form focused the grid when shown, before it had columns: take the focus back to it.
    ::SetFocus(form->WindowHandle());
    gridtest::Pump();
    grid->SetFocus();
    gridtest::Pump();
  }
  void Key(UINT vk) {
    FanoInputKey(vk, TRUE);
    FanoInputKey(vk, FALSE);
    gridtest::Pump();
  }
};

}  // namespace

TEST_F(DBGridImeTest, MovingBetweenColumnsSetsTheWindowsInputMethod) {
  MakeImeGrid(imDisable);
  // Focused on ID, the first column: the grid's window closed on taking the focus.
  ASSERT_EQ(grid->SelectedIndex(), 0);
  HWND wnd = grid->WindowHandle();
  EXPECT_EQ(grid->ColumnImeMode(), imClose);
  ImeState s = StateOf(wnd);
  EXPECT_TRUE(s.attached);
  EXPECT_FALSE(s.open);

  Key(VK_RIGHT);  // NAME: Chinese, open, native full-width
  ASSERT_EQ(grid->SelectedIndex(), 1);
  EXPECT_EQ(grid->ColumnImeMode(), imChinese);
  s = StateOf(wnd);
  EXPECT_TRUE(s.attached);
  EXPECT_TRUE(s.open);
  EXPECT_EQ(s.conversion, static_cast<DWORD>(IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE));

  Key(VK_RIGHT);  // AMOUNT has no mode of its own: the grid's (disabled) holds
  ASSERT_EQ(grid->SelectedIndex(), 2);
  EXPECT_EQ(grid->ColumnImeMode(), imDisable);
  EXPECT_FALSE(StateOf(wnd).attached);

  Key(VK_LEFT);  // back to NAME: attached and open again
  s = StateOf(wnd);
  EXPECT_TRUE(s.attached);
  EXPECT_TRUE(s.open);
}

TEST_F(DBGridImeTest, AlphanumericColumnSwitchesTheConversionAndTheGridModeIsTheDefault) {
  MakeImeGrid(imSAlpha);
  grid->SetCol(grid->DataToRawColumn(1));
  gridtest::Pump();
  HWND wnd = grid->WindowHandle();
  EXPECT_EQ(StateOf(wnd).conversion, static_cast<DWORD>(IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE));
  Key(VK_RIGHT);  // AMOUNT takes the grid's half-width alphanumeric mode
  ImeState s = StateOf(wnd);
  EXPECT_TRUE(s.open);
  EXPECT_EQ(s.conversion, static_cast<DWORD>(IME_CMODE_ALPHANUMERIC));
  // An unassigned column reads the grid's mode; assigning the same value marks it as its own.
  EXPECT_FALSE(grid->ColumnAt(2)->IsAssigned(cvImeMode));
  EXPECT_EQ(grid->ColumnAt(2)->ImeMode(), imSAlpha);
}

TEST_F(DBGridImeTest, TheInplaceEditorGetsTheColumnsMode) {
  MakeImeGrid(imDontCare);
  grid->SetDBOptions(grid->DBOptions() + TDBGridOptions{dgAlwaysShowEditor});
  grid->SetCol(grid->DataToRawColumn(0));
  gridtest::Pump();
  Key(VK_RIGHT);
  TInplaceEdit* editor = grid->InplaceEditor();
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(editor->HandleAllocated());
  ImeState s = StateOf(editor->WindowHandle());
  EXPECT_TRUE(s.open);
  EXPECT_EQ(s.conversion, static_cast<DWORD>(IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE));
  grid->SetCol(grid->DataToRawColumn(0));  // Left would move the caret inside the editor
  gridtest::Pump();
  ASSERT_EQ(grid->InplaceEditor(), editor);
  EXPECT_FALSE(StateOf(editor->WindowHandle()).open);
}

// An editor made after the column was entered (F2 in a column reached without one) starts with
// that column's mode, so the first text typed goes in through it.
TEST_F(DBGridImeTest, AnEditorMadeInTheColumnStartsWithItsMode) {
  MakeImeGrid(imDontCare);
  Key(VK_RIGHT);  // NAME, no editor yet
  ASSERT_EQ(grid->InplaceEditor(), nullptr);
  Key(VK_F2);
  TInplaceEdit* editor = grid->InplaceEditor();
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(editor->HandleAllocated());
  ImeState s = StateOf(editor->WindowHandle());
  EXPECT_TRUE(s.open);
  EXPECT_EQ(s.conversion, static_cast<DWORD>(IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE));
}

// The column a move enters is announced after the move (the input method follows it there); a move
// within the same column announces nothing.
TEST_F(DBGridImeTest, EnteringAColumnFiresOnColEnterAfterTheMove) {
  MakeImeGrid(imDontCare);
  grid->SetCol(grid->DataToRawColumn(0));
  gridtest::Pump();
  int enters = 0, exits = 0, enteredAt = -1;
  grid->OnColEnter = [&](TObject*) {
    ++enters;
    enteredAt = grid->SelectedIndex();
  };
  grid->OnColExit = [&](TObject*) { ++exits; };
  Key(VK_RIGHT);
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(exits, 1);
  EXPECT_EQ(enteredAt, 1);
  Key(VK_DOWN);
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(exits, 1);
}
