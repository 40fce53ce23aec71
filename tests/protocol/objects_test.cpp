#include <gtest/gtest.h>

#include "platform/rtl/exceptions.h"
#include "protocol_support.h"
#include "support/error_text.h"

using namespace protocol_test;

TEST(CvParamTest, NewParametersAreUnsetAndValuesSetTheirType) {
  TCvProtocol p;
  TCvParam* a = p.GetParam(p.AddParam());
  EXPECT_EQ(a->DataType(), CvType::Unset);
  EXPECT_EQ(a->Value(), "");
  a->SetAsString("x");
  EXPECT_EQ(a->DataType(), CvType::String);
  EXPECT_EQ(a->AsString(), "x");
  a->SetAsInteger(-12);
  EXPECT_EQ(a->DataType(), CvType::Integer);
  EXPECT_EQ(a->Value(), "-12");
  EXPECT_EQ(a->AsInteger(), -12);
  a->SetValue("12");
  EXPECT_EQ(a->AsInteger(), 12);
  a->SetValue("1.5");
  EXPECT_EQ(a->AsInteger(), 0);  // no integer reads as 0
  a->SetValue("");
  EXPECT_EQ(a->AsInteger(), 0);
}

TEST(CvParamTest, FloatsAreWrittenWithAPointWhateverTheSettings) {
  FormatSettingsGuard guard;
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = '.';
  TCvParam p;
  p.SetAsFloat(2.5);
  EXPECT_EQ(p.Value(), "2.5");
  EXPECT_EQ(p.DataType(), CvType::Double);
  p.SetAsFloat(-1234567.125);
  EXPECT_EQ(p.Value(), "-1234567.125");
  p.SetAsFloat(3);
  EXPECT_EQ(p.Value(), "3");
}

TEST(CvProtocolTest, ListsOwnTheirItemsAndCheckIndexes) {
  TCvProtocol p;
  EXPECT_EQ(p.AddParam(), 0);
  EXPECT_EQ(p.AddParam(), 1);
  EXPECT_EQ(p.GetParamCount(), 2);
  EXPECT_EQ(p.Variables()->Add(), 0);
  EXPECT_EQ(p.GetVariable(0)->DataType(), CvType::Unset);
  EXPECT_EQ(ErrorText<EListError>([&] { p.GetParam(2); }), "List index out of bounds (2)");
  EXPECT_THROW(p.GetParam(-1), EListError);
  EXPECT_THROW(p.GetTable(0), EListError);
  EXPECT_THROW(p.GetVariable(1), EListError);
  EXPECT_THROW(p.GetRowId(0), EListError);
  EXPECT_EQ(p.AddRowId(), 0);
  EXPECT_EQ(p.GetRowId(0)->Rn(), 0);
  EXPECT_EQ(p.GetRowId(0)->Id(), 0);
  EXPECT_EQ(p.GetRowId(0)->TbName(), "");
}

TEST(CvProtocolTest, TablesTakeTheProtocolsModes) {
  TCvProtocol p;
  TCvTable* first = p.GetTable(p.AddTable());
  EXPECT_EQ(first->DeleteMode(), 0);
  EXPECT_EQ(first->CopyMode(), 2);
  EXPECT_FALSE(first->IsChild());
  EXPECT_EQ(first->Parent(), nullptr);
  EXPECT_FALSE(first->Data()->Active());
  EXPECT_FALSE(first->Delta()->Active());
  p.SetDeleteMode(1);
  p.SetCopyMode(0);
  EXPECT_EQ(first->CopyMode(), 0);   // a new copy mode reaches the tables already there
  EXPECT_EQ(first->DeleteMode(), 0);  // the delete mode does not
  TCvTable* second = p.GetTable(p.AddTable());
  EXPECT_EQ(second->DeleteMode(), 1);
  EXPECT_EQ(second->CopyMode(), 0);
  // The same copy mode again leaves tables that were changed alone.
  first->SetCopyMode(1);
  p.SetCopyMode(0);
  EXPECT_EQ(first->CopyMode(), 1);
}

TEST(CvProtocolTest, ClearLeavesTheReplyCodeTextAndRowIds) {
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(
      "<corvane><status><code>3</code><info>i</info></status>"
      "<rs typ=\"recordset\" tbname=\"T\"><x rn=\"1\" tbname=\"T\" id=\"9\"/></rs></corvane>"));
  p.AddParam();
  p.Variables()->Add();
  p.Clear();
  EXPECT_EQ(p.GetParamCount(), 0);
  EXPECT_EQ(p.Variables()->Count(), 0);
  EXPECT_EQ(p.GetTableCount(), 0);
  EXPECT_EQ(p.Code(), 3);
  EXPECT_EQ(p.Info(), "i");
  EXPECT_EQ(p.GetRowIdCount(), 1);
  p.ClearRowIds();
  EXPECT_EQ(p.GetRowIdCount(), 0);
}

namespace {

// A header table with rows 1 (unmodified), 2 (modified) and 3 (inserted), row 2 current.
void FillHeader(TMemTableGx& t) {
  MakeHeader(t);
  AppendValues(t, {1, "a", Null(), 1.5, 7, "join", true});
  AppendValues(t, {2, "b", Null(), 2.5, 8, "join", false});
  t.SetCachedUpdates(true);
  EditValue(t, 2, "BILDA002", "B");
  AppendValues(t, {3, "c", Null(), 3.5, 9, "join", Null()});
  GoTo(t, 2);
}

std::vector<int> FirstColumn(TMemTableGx* t) {
  std::vector<int> ids;
  t->First();
  while (!t->Eof()) {
    ids.push_back(t->Fields()[0]->AsInteger());
    t->Next();
  }
  return ids;
}

}  // namespace

TEST(CvTableTest, SetDataCopiesStructureNamesFlagsAndStatus) {
  TMemTableGx header;
  FillHeader(header);
  TCvTable t;
  t.SetCopyMode(0);
  t.SetData(&header);
  TMemTableGx* d = t.Data();
  ASSERT_TRUE(d->Active());
  EXPECT_EQ(d->CvTableName(), "TB_BILDA");
  EXPECT_EQ(d->PKName(), "BILDA_ID");
  EXPECT_EQ(d->FKName(), "");
  EXPECT_TRUE(d->CachedUpdates());
  ASSERT_EQ(d->FieldCount(), header.FieldCount());
  EXPECT_TRUE(d->FieldByName("BILDA_ID")->IsKey());
  EXPECT_TRUE(d->FieldByName("BILDA006C1")->IsJoin());
  EXPECT_TRUE(d->FieldByName("BILDA002")->NotNull());
  EXPECT_FALSE(d->FieldByName("BILDA004")->IsKey() || d->FieldByName("BILDA004")->IsJoin());
  EXPECT_EQ(FirstColumn(d), (std::vector<int>{1, 2, 3}));
  std::vector<TUpdateStatus> status;
  std::vector<int> rowNums;
  d->First();
  while (!d->Eof()) {
    status.push_back(d->UpdateStatus());
    rowNums.push_back(d->GetRecordRowNum());
    d->Next();
  }
  EXPECT_EQ(status, (std::vector<TUpdateStatus>{usUnmodified, usModified, usInserted}));
  EXPECT_EQ(rowNums, (std::vector<int>{1, 2, 3}));
  // The form's table keeps its own names.
  EXPECT_EQ(header.CvTableName(), "tb_bilda");
}

TEST(CvTableTest, CopyModesChooseTheRows) {
  TMemTableGx header;
  FillHeader(header);
  TCvTable t;
  t.SetData(&header);  // mode 2: the current row only
  EXPECT_EQ(FirstColumn(t.Data()), (std::vector<int>{2}));
  t.SetCopyMode(1);
  t.SetData(&header);  // the changed rows
  EXPECT_EQ(FirstColumn(t.Data()), (std::vector<int>{2, 3}));
  t.SetCopyMode(7);
  t.SetData(&header);  // no rows, but the structure
  EXPECT_TRUE(t.Data()->Active());
  EXPECT_EQ(t.Data()->RecordCount(), 0);
  // A child table takes every row whatever its copy mode.
  TMemTableGx lines, linesDelta;
  MakeLines(lines);
  MakeDeltaLike(linesDelta, lines, "mtblSubDelta");
  AppendValues(lines, {10, 2, "x", 1.0});
  AppendValues(lines, {11, 2, "y", 2.0});
  t.SetDeleteMode(1);
  TCvTable* child = t.AddChild(&lines, &linesDelta);
  EXPECT_TRUE(child->IsChild());
  EXPECT_EQ(child->Parent(), &t);
  EXPECT_EQ(child->DeleteMode(), 1);
  EXPECT_EQ(child->CopyMode(), 2);
  EXPECT_EQ(FirstColumn(child->Data()), (std::vector<int>{10, 11}));
  EXPECT_EQ(child->Data()->FKName(), "TB_BILDA:BILDB001");
  EXPECT_TRUE(child->Delta()->Active());
  EXPECT_EQ(child->Delta()->RecordCount(), 0);
  EXPECT_EQ(t.GetChildCount(), 1);
  EXPECT_EQ(t.GetChild(0), child);
  EXPECT_THROW(t.GetChild(1), EListError);
  t.ClearChildren();
  EXPECT_EQ(t.GetChildCount(), 0);
}

TEST(CvTableTest, ForeignKeyFieldIsFoundByParentNameIgnoringCase) {
  TMemTableGx lines;
  MakeLines(lines);
  lines.SetFKName("TB_X:BILDB009;TB_BILDA:BILDB001");
  TCvTable t;
  t.SetData(&lines);
  EXPECT_EQ(t.GetFKFieldName("tb_bilda"), "BILDB001");
  EXPECT_EQ(t.GetFKFieldName("TB_X"), "BILDB009");
  EXPECT_EQ(t.GetFKFieldName("TB_Y"), "");
  lines.SetFKName("");
  t.SetData(&lines);
  EXPECT_EQ(t.GetFKFieldName("TB_BILDA"), "");
}

TEST(CvTableTest, CopyDataToLoadsEveryRowIntoTheTargetsColumns) {
  TCvProtocol p;
  ASSERT_TRUE(p.ParseReply(
      "<corvane><status><code>0</code></status><rs typ=\"recordset\" tbname=\"tb_bildb\">"
      "<r fields=\"BILDB_ID:NUMBER:38:0 BILDB002:VARCHAR2:20:0 EXTRA:VARCHAR2:5:0\" BILDB_ID=\"10\" BILDB002=\"x\" EXTRA=\"e\"/>"
      "<r BILDB_ID=\"11\" BILDB002=\"y\"/></rs></corvane>"));
  TMemTableGx lines;
  MakeLines(lines);
  AppendValues(lines, {1, 1, "old", 0.0});
  p.GetTable(0)->CopyDataTo(&lines);
  EXPECT_EQ(FirstColumn(&lines), (std::vector<int>{1, 10, 11}));
  lines.Last();
  EXPECT_EQ(lines.FieldByName("BILDB002")->AsString(), "y");
  EXPECT_EQ(lines.UpdateStatus(), usUnmodified);
  EXPECT_EQ(lines.FindField("EXTRA"), nullptr);

  // Nothing happens from a closed or empty table.
  TCvTable empty;
  empty.CopyDataTo(&lines);
  EXPECT_EQ(lines.RecordCount(), 3);
  ASSERT_TRUE(p.ParseReply(
      "<corvane><status><code>0</code></status><rs typ=\"recordset\"><r rn=\"1\" tbname=\"T\" id=\"5\"/></rs></corvane>"));
  EXPECT_FALSE(p.GetTable(0)->Data()->Active());
  p.GetTable(0)->CopyDataTo(&lines);
  EXPECT_EQ(lines.RecordCount(), 3);
}
