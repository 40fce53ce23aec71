#pragma once
// Fixture of the data grid tests: a shown form with a TDBGridGx bound through a data source to a
// memory table of (ID integer, NAME string, AMOUNT float, FLAG string).
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "grid/dbgrid.h"
#include "grid/dbgrid_inplace.h"
#include "grid_test_util.h"
#include "memtable/memtable.h"
#include "platform/db/datasource.h"

namespace dbgridtest {

struct TreeNode {
  int id;
  Variant parent;  // Null for a root
  const char* name;
};
// A table of (ID, PARENT, NAME) holding the nodes in order, its tree view on (nodes closed), on
// its first row.
std::unique_ptr<TMemTableGx> MakeTreeTable(std::initializer_list<TreeNode> nodes);

// Makes fields of the dataset's definitions and a lookup field `name` (a string of 20) showing the
// `result` of the `lookup` row whose `lookupKey` equals the row's `key`; creates the dataset.
void CreateWithLookup(TMemTableGx& ds, const char* name, const char* key, TDataSet* lookup, const char* lookupKey,
                      const char* result);
// A table of cities (CID integer from 1, CNAME string of 20) holding the names in order.
std::unique_ptr<TMemTableGx> MakeCities(std::initializer_list<const char*> names);

// A lookup table of (ID, NAME) holding 1 甲, 2 乙, 3 丙, and a main table of (KID) whose lookup
// field KNAME shows the NAME of its KID, holding one row of KID 3, with a data source on it.
struct LookupTables {
  LookupTables();
  TMemTableGx lookup{nullptr};
  TMemTableGx main{nullptr};
  TDataSource source{nullptr};
};

class DBGridTest : public uitest::HeadlessTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Makes and shows the grid (not yet bound).
  void MakeGrid(int width = 400, int height = 220);
  // Binds the grid to the table.
  void Bind() { grid->SetDataSource(source); }
  void AddRow(int id, const std::string& name, double amount = 0, const Variant& flag = Null());
  void AddRows(int count);
  TColumnGx* AddColumn(const std::string& field, const std::string& caption = {});
  // A key pressed and let go, with Shift and Ctrl held around it when asked; then the messages run.
  void Key(UINT vk, bool shift = false, bool ctrl = false) { uitest::KeyPress(vk, shift, ctrl); }
  // Types the text into the focused window.
  void Type(const char* text) { uitest::Type(text); }
  // What the grid answers when asked for the hint of a cell, the pointer 3 pixels into it.
  LRESULT AskHint(int col, int row, THintInfo& info);
  // A field's values in the selected records, each followed by a blank, read without moving.
  std::string SelectedValues(const std::string& field);

  TForm* form = nullptr;
  TDBGridGx* grid = nullptr;
  TMemTableGx* table = nullptr;
  TDataSource* source = nullptr;
};

// A grid over a table of documents (docs, through docSource) whose columns look cities up: the
// test's SetUp makes the tables, this fixture binds, edits and lets them go.
class DocsGridTest : public DBGridTest {
 protected:
  void TearDown() override;
  // Binds the grid to the documents and gives it the focus.
  void BindDocs();
  // Makes the column current and opens its in-place editor.
  TDBGridInplaceEdit* OpenEditorAt(TColumnGx* column);

  std::unique_ptr<TMemTableGx> cities;
  std::unique_ptr<TMemTableGx> docs;
  std::unique_ptr<TDataSource> docSource;
};

}  // namespace dbgridtest
