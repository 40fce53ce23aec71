// Data grids written out as form text and read back.
#include <gtest/gtest.h>

#include "dbgrid_test_util.h"
#include "platform/classes/filer.h"

namespace dbgridtest {
namespace {

TEST_F(DBGridTest, AGridWrittenAsFormTextReadsBack) {
  MakeGrid();
  form->SetName("frmGrid");
  grid->SetName("grdLines");
  AddRows(3);
  Bind();
  TColumnGx* name = AddColumn("NAME", "名称|简称");
  TColumnGx* amount = AddColumn("AMOUNT", "名称|金额");
  amount->SetWidth(77);
  grid->SetFooterRowCount(1);
  amount->Footer()->SetValueType(fvtSum);
  name->Footer()->SetValueType(fvtCount);
  grid->SetDBOptions(grid->DBOptions() - dgRowLines);
  grid->SetUseMultiTitle(true);
  grid->SetOptionsGx(grid->OptionsGx() + dghShowRecNo);
  gridtest::Pump();
  grid->SetDataSource(nullptr);  // the table is not the form's
  const std::string text = WriteComponentText(form);
  // The data grid's row and column sizes come from its data and columns, not from the form.
  EXPECT_EQ(text.find("RowHeights"), std::string::npos) << text;
  EXPECT_EQ(text.find("ColWidths"), std::string::npos) << text;

  RegisterDBGridClasses();
  auto* copy = new TForm(nullptr);
  ASSERT_NO_THROW(ReadComponentText(copy, text)) << text;
  auto* g = dynamic_cast<TDBGridGx*>(copy->FindComponent("grdLines"));
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->Columns()->Count(), 2);
  EXPECT_EQ(g->Columns()->Items(0)->FieldName(), "NAME");
  EXPECT_EQ(g->Columns()->Items(1)->Title()->Caption(), "名称|金额");
  EXPECT_EQ(g->Columns()->Items(1)->Width(), 77);
  EXPECT_EQ(g->FooterRowCount(), 1);
  EXPECT_EQ(g->Columns()->Items(1)->Footer()->ValueType(), fvtSum);
  EXPECT_EQ(g->Columns()->Items(0)->Footer()->ValueType(), fvtCount);
  EXPECT_FALSE(g->DBOptions().Contains(dgRowLines));
  EXPECT_TRUE(g->UseMultiTitle());
  EXPECT_TRUE(g->OptionsGx().Contains(dghShowRecNo));
  // Written again, the copy gives the same text.
  copy->SetName("frmGrid");
  EXPECT_EQ(WriteComponentText(copy), text);
  // Bound after reading, the copy shows the table's rows.
  g->SetDataSource(source);
  EXPECT_EQ(g->DataLink()->Active(), true);
  copy->Free();
}

}  // namespace
}  // namespace dbgridtest
