#include "dbgrid_test_util.h"

#include "platform/forms/cmessages.h"
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

void CreateWithLookup(TMemTableGx& ds, const char* name, const char* key, TDataSet* lookup, const char* lookupKey,
                      const char* result) {
  for (int i = 0; i < ds.FieldDefs().Count(); ++i) ds.FieldDefs().Items(i)->CreateField(&ds);
  auto* field = new TStringField(&ds);
  field->SetFieldName(name);
  field->SetSize(20);
  field->SetFieldKind(fkLookup);
  field->SetKeyFields(key);
  field->SetLookupDataSet(lookup);
  field->SetLookupKeyFields(lookupKey);
  field->SetLookupResultField(result);
  field->SetDataSet(&ds);
  ds.CreateDataSet();
}

std::unique_ptr<TMemTableGx> MakeCities(std::initializer_list<const char*> names) {
  auto cities = std::make_unique<TMemTableGx>(nullptr);
  cities->FieldDefs().Add("CID", ftInteger);
  cities->FieldDefs().Add("CNAME", ftString, 20);
  cities->CreateDataSet();
  int id = 0;
  for (const char* name : names) {
    cities->Append();
    cities->FieldByName("CID")->SetAsInteger(++id);
    cities->FieldByName("CNAME")->SetAsString(name);
    cities->Post();
  }
  return cities;
}

LookupTables::LookupTables() {
  lookup.FieldDefs().Add("ID", ftInteger);
  lookup.FieldDefs().Add("NAME", ftString, 20);
  lookup.CreateDataSet();
  for (int i = 1; i <= 3; ++i) {
    lookup.Append();
    lookup.FieldByName("ID")->SetAsInteger(i);
    lookup.FieldByName("NAME")->SetAsString(std::string(i == 1 ? "甲" : i == 2 ? "乙" : "丙"));
    lookup.Post();
  }
  main.FieldDefs().Add("KID", ftInteger);
  CreateWithLookup(main, "KNAME", "KID", &lookup, "ID", "NAME");
  main.Append();
  main.FieldByName("KID")->SetAsInteger(3);
  main.Post();
  source.SetDataSet(&main);
}

void DBGridTest::SetUp() {
  uitest::HeadlessTest::SetUp();
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
  // Forms a test keeps in members go after this: no count of the forms left here.
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

std::string DBGridTest::SelectedValues(const std::string& field) {
  std::string values;
  for (const std::string& b : grid->SelectedRows()->Bookmarks()) {
    grid->BeginRowRead(grid->RowOfRecordBookmark(b));
    values += grid->DataSource()->DataSet()->FieldByName(field)->AsString() + " ";
    grid->EndRowRead();
  }
  return values;
}

LRESULT DBGridTest::AskHint(int col, int row, THintInfo& info) {
  const TRect r = grid->CellRect(col, row);
  info = THintInfo{};
  info.HintControl = grid;
  info.CursorPos = TPoint(r.Left + 3, r.Top + 3);
  return grid->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
}

void DocsGridTest::TearDown() {
  if (grid) grid->SetDataSource(nullptr);
  DBGridTest::TearDown();
  docSource.reset();
  docs.reset();
  cities.reset();
}

void DocsGridTest::BindDocs() {
  grid->SetDataSource(docSource.get());
  grid->SetFocus();
  gridtest::Pump();
}

TDBGridInplaceEdit* DocsGridTest::OpenEditorAt(TColumnGx* column) {
  grid->SetCol(grid->DataToRawColumn(column->Index()));
  grid->SetEditorMode(true);
  gridtest::Pump();
  return static_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
}

}  // namespace dbgridtest
