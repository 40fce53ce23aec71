// Texts measured for the grid's optimal widths and its cut-text tips are measured in the font
// they are drawn with, also on a measuring canvas whose font was only just assigned.
#include <gtest/gtest.h>

#include "dbgrid_test_util.h"

using namespace dbgridtest;

namespace {

int WidthIn(TFont* font, const std::string& text) {
  TMeasureCanvas m;
  m.Canvas()->Font()->Assign(font);
  return m.Canvas()->TextWidth(text);
}

TEST_F(DBGridTest, OptimalWidthsAreMeasuredInTheColumnsFont) {
  AddRow(1, "一行相当长的名称");
  AddRow(2, "b");
  MakeGrid();
  AddColumn("ID");
  TColumnGx* name = AddColumn("NAME", "名");
  Bind();
  name->Font()->SetSize(20);
  grid->OptimizeColsWidth({name});
  const int text = WidthIn(name->Font(), "一行相当长的名称");
  ASSERT_GT(text, WidthIn(grid->Font(), "一行相当长的名称") + 10) << "the big font must measure wider";
  EXPECT_EQ(name->Width(), std::max(text, WidthIn(name->Title()->Font(), "名")) + 4);
}

TEST(GridTextMeasure, ACutTextIsFoundInTheFontJustAssigned) {
  TMeasureCanvas m;
  TFont big;
  big.SetSize(30);
  m.Canvas()->Font()->Assign(&big);
  const int wide = WidthIn(&big, "名称名称");
  int w = 0, h = 0;
  // A cell as wide as the text in a small font is too narrow for it in the big one.
  TFont small;
  const TRect cell(0, 0, WidthIn(&small, "名称名称") + 8, 60);
  ASSERT_LT(cell.Width(), wide);
  EXPECT_TRUE(TextExceedsRect(m.Canvas(), "名称名称", cell, false, 2, 0, w, h));
  EXPECT_EQ(w, wide);
}

}  // namespace
