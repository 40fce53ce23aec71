#include "dbgrid_test_util.h"

#include "platform/os/clock.h"
#include "platform/os/wingdi.h"
#include "platform/os/winuser.h"

namespace dbgridtest {

std::unique_ptr<TMemTableGx> MakeTreeTable(std::initializer_list<TreeNode> nodes) {
  auto tree = std::make_unique<TMemTableGx>(nullptr);
  tree->FieldDefs().Add("ID", ftInteger);
  tree->FieldDefs().Add("PARENT", ftInteger);
  tree->FieldDefs().Add("NAME", ftString, 20);
  tree->CreateDataSet();
  for (const TreeNode& n : nodes) {
    tree->Append();
    tree->FieldByName("ID")->SetValue(n.id);
    tree->FieldByName("PARENT")->SetValue(n.parent);
    tree->FieldByName("NAME")->SetValue(std::string(n.name));
    tree->Post();
  }
  tree->TreeList()->SetKeyFieldName("ID");
  tree->TreeList()->SetRefParentFieldName("PARENT");
  tree->TreeList()->SetActive(true);
  tree->First();
  return tree;
}

void DBGridTest::SetUp() {
  FanoUseHeadless();
  FanoSetTestFont(TRUE);
  ClockSetSimulated(1);
  gridtest::Pump();
  table = new TMemTableGx(nullptr);
  table->SetName("mtblTest");
  table->FieldDefs().Add("ID", ftInteger);
  table->FieldDefs().Add("NAME", ftString, 20);
  table->FieldDefs().Add("AMOUNT", ftFloat);
  table->FieldDefs().Add("FLAG", ftString, 5);
  table->CreateDataSet();
  source = new TDataSource(nullptr);
  source->SetDataSet(table);
}

void DBGridTest::TearDown() {
  if (form) form->Free();
  form = nullptr;
  grid = nullptr;
  delete source;
  delete table;
  gridtest::Pump();
}

void DBGridTest::MakeGrid(int width, int height) {
  form = new TForm(nullptr);
  form->SetBounds(10, 10, width + 40, height + 60);
  grid = new TDBGridGx(form);
  grid->SetBorderStyle(bsNone);
  grid->SetParent(form);
  grid->SetBounds(0, 0, width, height);
  form->Show();
  gridtest::Pump();
}

void DBGridTest::AddRow(int id, const std::string& name, double amount, const Variant& flag) {
  table->Append();
  table->FieldByName("ID")->SetValue(id);
  table->FieldByName("NAME")->SetValue(name);
  table->FieldByName("AMOUNT")->SetValue(amount);
  table->FieldByName("FLAG")->SetValue(flag);
  table->Post();
}

void DBGridTest::AddRows(int count) {
  for (int i = 1; i <= count; ++i) AddRow(i, "row" + std::to_string(i), i * 1.5);
  table->First();
}

TColumnGx* DBGridTest::AddColumn(const std::string& field, const std::string& caption) {
  TColumnGx* c = grid->Columns()->Add();
  c->SetFieldName(field);
  if (!caption.empty()) c->Title()->SetCaption(caption);
  return c;
}

}  // namespace dbgridtest
