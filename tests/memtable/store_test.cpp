// The record store's structure: columns, their types and names, building from and to the
// platform's field definitions and fields, restructuring.
#include <gtest/gtest.h>

#include "memtable/mtindex.h"
#include "platform/db/testdataset.h"
#include "store_support.h"
#include "support/error_text.h"

using namespace mtstore_test;

namespace {

TEST(StoreStructure, ComponentNamesComeFromFieldNames) {
  TMemTableDataGx store(nullptr);
  TMTDataStructGx* s = store.DataStruct();
  auto* a = s->CreateField<TMTStringDataFieldGx>();
  a->SetFieldName("1st col");
  EXPECT_EQ(a->Name(), "MTStringDataFieldGx1stcol");
  auto* b = s->CreateField<TMTStringDataFieldGx>();
  b->SetFieldName("1st-col");
  EXPECT_EQ(b->Name(), "MTStringDataFieldGx1stcol2");
  auto* c = s->CreateField<TMTNumericDataFieldGx>();
  c->SetFieldName("金额");  // nothing of it is an identifier character
  EXPECT_EQ(c->Name(), "MTNumericDataFieldGx");
  auto* d = s->CreateField<TMTNumericDataFieldGx>();
  d->SetFieldName("BILDA_ID");
  EXPECT_EQ(d->Name(), "BILDA_ID");
  // A rename to the own name in other case keeps the same component name.
  d->SetFieldName("bilda_id");
  EXPECT_EQ(d->FieldName(), "bilda_id");
  EXPECT_EQ(d->Name(), "bilda_id");
  EXPECT_EQ(s->Count(), 4);
  EXPECT_EQ(a->Owner(), s);
}

// Component names stay unique among the columns however they were given or freed.
TEST(StoreStructure, ComponentNamesStayUniqueAfterEveryKindOfChange) {
  TMemTableDataGx store(nullptr);
  TMTDataStructGx* s = store.DataStruct();
  std::vector<TMTDataFieldGx*> cols;
  for (int i = 0; i < 20; ++i) {
    cols.push_back(s->CreateField<TMTStringDataFieldGx>());
    cols.back()->SetFieldName("C" + std::to_string(i));
  }
  // Named directly: the name is taken, in any case.
  cols[3]->SetName("Amount");
  auto* next = s->CreateField<TMTNumericDataFieldGx>();
  next->SetFieldName("AMOUNT");
  EXPECT_EQ(next->Name(), "AMOUNT2");
  EXPECT_EQ(ErrorText<EComponentError>([&] { cols[4]->SetName("amount"); }), "A component named amount already exists");
  cols[3]->SetName("AMOUNT");  // its own name in another case
  EXPECT_EQ(cols[3]->Name(), "AMOUNT");
  // Freed with another made in its place: the name is free again.
  s->CreateField<TMTStringDataFieldGx>()->SetFieldName("PROBE");
  cols[3]->Free();
  auto* again = s->CreateField<TMTNumericDataFieldGx>();
  again->SetFieldName("amount!");
  EXPECT_EQ(again->Name(), "amount");
  // The old name of a renamed column is free, the new one taken.
  cols[5]->SetName("OTHER");
  auto* c5 = s->CreateField<TMTStringDataFieldGx>();
  c5->SetFieldName("C5!");
  EXPECT_EQ(c5->Name(), "C5");
  EXPECT_EQ(ErrorText<EComponentError>([&] { cols[6]->SetName("Other"); }), "A component named Other already exists");
  // A component of another kind in the structure is seen as well.
  auto* plain = new TComponent(s);
  plain->SetName("PLAIN");
  EXPECT_EQ(ErrorText<EComponentError>([&] { cols[7]->SetName("plain"); }), "A component named plain already exists");
  delete plain;
  cols[7]->SetName("plain");
  EXPECT_EQ(cols[7]->Name(), "plain");
}

TEST(StoreStructure, NamesAreCheckedAgainstTheOtherColumns) {
  TMemTableDataGx store(nullptr);
  store.SetName("mtd");
  TMTDataStructGx* s = store.DataStruct();
  auto* a = s->CreateField<TMTStringDataFieldGx>();
  a->SetFieldName("NAME");
  auto* b = s->CreateField<TMTStringDataFieldGx>();
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { b->SetFieldName("name"); }), "mtd: Duplicate field name 'name'");
  b->SetFieldName("B");
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { b->SetFieldName(""); }), "mtd: Field name missing");
  EXPECT_EQ(b->FieldName(), "B");
  EXPECT_NO_THROW(a->SetFieldName("Name"));
  EXPECT_EQ(s->FindField("NAME"), a);
  EXPECT_EQ(s->FieldIndex("name"), 0);
  EXPECT_EQ(s->FieldIndex("nope"), -1);
  EXPECT_EQ(s->FindField("nope"), nullptr);
}

// Columns are found by name however the structure changes after they were first looked up.
TEST(StoreStructure, ColumnsAreFoundAfterEveryKindOfChange) {
  TMemTableDataGx store(nullptr);
  store.SetName("mtd");
  TMTDataStructGx* s = store.DataStruct();
  std::vector<TMTDataFieldGx*> cols;
  for (int i = 0; i < 30; ++i) {
    cols.push_back(s->CreateField<TMTStringDataFieldGx>());
    cols.back()->SetFieldName("COL" + std::to_string(i));
  }
  EXPECT_EQ(s->FieldIndex("col4"), 4);
  EXPECT_EQ(s->FindField("Col29"), cols[29]);
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { cols[3]->SetFieldName("col9"); }), "mtd: Duplicate field name 'col9'");

  // Renamed: the old name is free, the new one taken.
  cols[4]->SetFieldName("FOUR");
  EXPECT_EQ(s->FieldIndex("COL4"), -1);
  EXPECT_EQ(s->FindField("COL4"), nullptr);
  EXPECT_EQ(s->FieldIndex("four"), 4);
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { cols[5]->SetFieldName("Four"); }), "mtd: Duplicate field name 'Four'");

  // Removed, and one added in its place: the later ones move up.
  cols[0]->Free();
  auto* last = s->CreateField<TMTStringDataFieldGx>();
  last->SetFieldName("LAST");
  EXPECT_EQ(s->FieldIndex("COL0"), -1);
  EXPECT_EQ(s->FieldIndex("COL1"), 0);
  EXPECT_EQ(s->FindField("COL29"), cols[29]);
  EXPECT_EQ(s->FieldIndex("COL29"), 28);
  EXPECT_EQ(s->FieldIndex("last"), 29);

  // A column not yet named, then named; names beyond ASCII compare through the collation.
  auto* unnamed = s->CreateField<TMTNumericDataFieldGx>();
  EXPECT_EQ(s->FieldIndex("LAST"), 29);
  unnamed->SetFieldName("金额");
  EXPECT_EQ(s->FindField("金额"), unnamed);
  EXPECT_EQ(s->FieldIndex("金额"), 30);
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { last->SetFieldName("金额"); }), "mtd: Duplicate field name '金额'");
  s->Clear();
  EXPECT_EQ(s->FieldIndex("COL1"), -1);
  EXPECT_EQ(s->FindField("金额"), nullptr);
}

TEST(StoreStructure, FieldIndexes) {
  auto store = MakeStore();
  std::vector<int> idx;
  store->DataStruct()->FieldIndexes("AMOUNT; id", idx);
  EXPECT_EQ(idx, (std::vector<int>{2, 0}));
  store->DataStruct()->FieldIndexes("NAME", idx);
  EXPECT_EQ(idx, std::vector<int>{1});
  store->DataStruct()->FieldIndexes("NOPE", idx);
  EXPECT_TRUE(idx.empty());
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { store->DataStruct()->FieldIndexes("ID;NOPE", idx); }),
            "DataStruct: Field 'NOPE' not found");
}

TEST(StoreStructure, IdentitiesAreNeverReused) {
  TMemTableDataGx store(nullptr);
  TMTDataStructGx* s = store.DataStruct();
  auto* a = s->CreateField<TMTStringDataFieldGx>();
  auto* b = s->CreateField<TMTStringDataFieldGx>();
  EXPECT_EQ(a->Identity(), 0);
  EXPECT_EQ(b->Identity(), 1);
  b->Free();
  auto* c = s->CreateField<TMTStringDataFieldGx>();
  EXPECT_EQ(c->Identity(), 2);
  EXPECT_EQ(s->Count(), 2);
}

TEST(StoreStructure, DataTypesPerClass) {
  TMemTableDataGx store(nullptr);
  TMTDataStructGx* s = store.DataStruct();
  auto* str = s->CreateField<TMTStringDataFieldGx>();
  str->SetDataType(ftWideString);
  EXPECT_EQ(str->StringDataType(), fdtWideStringGx);
  EXPECT_EQ(str->GetVarType(), varOleStr);
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { str->SetDataType(ftInteger); }), "Can not assign DataType from Field");
  auto* num = s->CreateField<TMTNumericDataFieldGx>();
  num->SetDataType(ftLargeint);
  EXPECT_EQ(num->DataType(), ftLargeint);
  EXPECT_EQ(num->GetVarType(), varInt64);
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { num->SetSize(4); }), "Invalid field size");
  auto* blob = s->CreateField<TMTBlobDataFieldGx>();
  blob->SetDataType(ftMemo);
  blob->SetDataType(ftInteger);  // outside the blob range: ignored
  EXPECT_EQ(blob->DataType(), ftMemo);
  auto* flag = s->CreateField<TMTBooleanDataFieldGx>();
  EXPECT_NO_THROW(flag->SetDataType(ftBoolean));
  EXPECT_THROW(flag->SetDataType(ftString), EDatabaseError);
  auto* var = s->CreateField<TMTVariantDataFieldGx>();
  EXPECT_FALSE(var->HasSize());
  var->SetDataType(ftBytes);
  EXPECT_TRUE(var->HasSize());
  var->SetSize(16);
  EXPECT_EQ(var->GetVarType(), varArray | varByte);
  auto* ref = s->CreateField<TMTRefObjectFieldGx>();
  EXPECT_EQ(ref->DataType(), ftUnknown);
  EXPECT_THROW(ref->SetDataType(ftString), EDatabaseError);
  auto* stamp = s->CreateField<TMTSQLTimeStampDataFieldGx>();
  stamp->SetDataType(ftOraTimeStamp);
  EXPECT_EQ(stamp->DataType(), ftOraTimeStamp);
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { s->CreateField<TMTInterfaceDataFieldGx>()->SetDataType(ftDate); }),
            "Can not assign DataType from Field");
}

TEST(StoreStructure, VariantTypePerDataType) {
  EXPECT_EQ(MTVarTypeOfDataType(ftString), varString);
  EXPECT_EQ(MTVarTypeOfDataType(ftMemo), varString);
  EXPECT_EQ(MTVarTypeOfDataType(ftWideMemo), varOleStr);
  EXPECT_EQ(MTVarTypeOfDataType(ftSmallint), varSmallint);
  EXPECT_EQ(MTVarTypeOfDataType(ftWord), varInteger);
  EXPECT_EQ(MTVarTypeOfDataType(ftBCD), varCurrency);
  EXPECT_EQ(MTVarTypeOfDataType(ftDateTime), varDate);
  EXPECT_EQ(MTVarTypeOfDataType(ftVariant), varVariant);
  EXPECT_EQ(MTVarTypeOfDataType(ftIDispatch), varDispatch);
  EXPECT_EQ(MTVarTypeOfDataType(ftDataSet), varError);
  EXPECT_EQ(MTVarTypeOfDataType(ftString | 0x80), varString);  // only the low seven bits count
  EXPECT_EQ(MTVarTypeOfDataType(100), varEmpty);
  EXPECT_EQ(MTDataFieldClassOf(ftAutoInc), TMTNumericDataFieldGx::StaticClass());
  EXPECT_EQ(MTDataFieldClassOf(ftUnknown), TMTRefObjectFieldGx::StaticClass());
  EXPECT_EQ(MTDataFieldClassOf(ftCursor), nullptr);
}

// The columns a new row numbers are found again after every change of the columns: a column
// made or flagged auto-increment after rows were added numbers the rows added after it.
TEST(StoreStructure, AutoIncrementColumnsFollowColumnChanges) {
  auto store = MakeStore();
  TRecordsListGx* list = store->RecordsList();
  TMemoryRecordGx* plain = AddRow(list, {1, "a", 1.0});
  EXPECT_EQ(plain->Value(0).AsInteger(), 1);
  auto* seq = store->DataStruct()->CreateField<TMTNumericDataFieldGx>();
  seq->SetFieldName("SEQ");
  TMemoryRecordGx* unnumbered = AddRow(list, {2, "b", 1.0});
  EXPECT_TRUE(unnumbered->Value(3).IsNull());
  seq->MarkAutoIncrement();
  TMemoryRecordGx* numbered = AddRow(list, {3, "c", 1.0});
  EXPECT_EQ(numbered->Value(3).AsInteger(), -1);
  seq->SetDataType(ftAutoInc);
  auto* other = store->DataStruct()->CreateField<TMTNumericDataFieldGx>();
  other->SetFieldName("SEQ2");
  other->SetDataType(ftAutoInc);
  TMemoryRecordGx* both = AddRow(list, {4, "d", 1.0});
  EXPECT_EQ(both->Value(3).AsInteger(), -2);
  EXPECT_EQ(both->Value(4).AsInteger(), -2);
}

TEST(StoreStructure, FieldDefsBothWays) {
  TTestDataSet ds;
  ds.FieldDefs().Add("ID", ftAutoInc);
  ds.FieldDefs().Add("NAME", ftString, 30, true);
  ds.FieldDefs().Add("PRICE", ftBCD, 4);
  ds.FieldDefs()[2]->SetPrecision(12);
  ds.FieldDefs().Add("NOTE", ftMemo);
  auto store = MakeStore();
  FetchRow(store->RecordsList(), {1, "old", 1.0});
  store->DataStruct()->BuildStructFromFieldDefs(&ds.FieldDefs());
  EXPECT_EQ(store->RecordsList()->Count(), 0);
  TMTDataStructGx* s = store->DataStruct();
  ASSERT_EQ(s->Count(), 4);
  EXPECT_EQ(s->DataFields(0)->DataType(), ftAutoInc);
  EXPECT_EQ(store->AutoIncFieldIndexes(), std::vector<int>{0});
  EXPECT_EQ(s->DataFields(1)->Size(), 30);
  EXPECT_TRUE(s->DataFields(1)->Required());
  EXPECT_EQ(static_cast<TMTNumericDataFieldGx*>(s->DataFields(2))->Precision(), 12);
  EXPECT_EQ(s->DataFields(3)->ClassType(), TMTBlobDataFieldGx::StaticClass());

  TTestDataSet back;
  s->BuildFieldDefsFromStruct(&back.FieldDefs());
  ASSERT_EQ(back.FieldDefs().Count(), 4);
  EXPECT_EQ(back.FieldDefs()[1]->Name(), "NAME");
  EXPECT_EQ(back.FieldDefs()[1]->Size(), 30);
  EXPECT_TRUE(back.FieldDefs()[1]->Required());
  EXPECT_EQ(back.FieldDefs()[2]->Precision(), 12);
  EXPECT_EQ(back.FieldDefs()[3]->DataType(), ftMemo);

  ds.FieldDefs().Add("CUR", ftCursor);
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { s->BuildStructFromFieldDefs(&ds.FieldDefs()); }),
            "Field 'CUR' is of an unknown type");
}

TEST(StoreStructure, BuildFromFieldsCopiesDisplayProperties) {
  TTestDataSet ds;
  ds.FieldDefs().Add("ID", ftInteger);
  ds.FieldDefs().Add("NAME", ftString, 12);
  ds.FieldDefs().Add("FLAG", ftBoolean);
  ds.Open();
  ds.FieldByName("NAME")->SetDisplayLabel("Name label");
  ds.FieldByName("NAME")->SetVisible(false);
  static_cast<TStringField*>(ds.FieldByName("NAME"))->SetFixedChar(true);
  static_cast<TIntegerField*>(ds.FieldByName("ID"))->SetMaxValue(99);
  ds.FieldByName("ID")->SetAutoGenerateValue(arAutoInc);
  static_cast<TBooleanField*>(ds.FieldByName("FLAG"))->SetDisplayValues("Y;N");
  TMemTableDataGx store(nullptr);
  store.DataStruct()->BuildStructFromFields(&ds.Fields());
  TMTDataStructGx* s = store.DataStruct();
  ASSERT_EQ(s->Count(), 3);
  auto* name = static_cast<TMTStringDataFieldGx*>(s->FindField("NAME"));
  EXPECT_EQ(name->DisplayLabel(), "Name label");
  EXPECT_FALSE(name->Visible());
  EXPECT_TRUE(name->FixedChar());
  EXPECT_EQ(name->Size(), 12);
  auto* id = static_cast<TMTNumericDataFieldGx*>(s->FindField("ID"));
  EXPECT_EQ(id->MaxValue(), 99);
  EXPECT_TRUE(id->AutoIncrement());
  EXPECT_EQ(static_cast<TMTBooleanDataFieldGx*>(s->FindField("FLAG"))->DisplayValues(), "Y;N");
  ds.Close();
}

TEST(StoreStructure, AssignCopiesColumnsUnlessRecordsExist) {
  auto source = MakeStore();
  static_cast<TMTNumericDataFieldGx*>(source->DataStruct()->DataFields(2))->SetDisplayFormat("0.00");
  source->DataStruct()->DataFields(1)->SetDisplayWidth(33);
  auto target = MakeStore();
  target->DataStruct()->Clear();
  target->DataStruct()->Assign(source->DataStruct());
  TMTDataStructGx* s = target->DataStruct();
  ASSERT_EQ(s->Count(), 3);
  EXPECT_EQ(s->DataFields(1)->DisplayWidth(), 33);
  EXPECT_EQ(s->DataFields(1)->Size(), 20);
  EXPECT_EQ(static_cast<TMTNumericDataFieldGx*>(s->DataFields(2))->DisplayFormat(), "0.00");
  EXPECT_EQ(s->DataFields(2)->DataType(), ftFloat);

  FetchRow(target->RecordsList(), {1, "a", 1.0});
  auto other = std::make_unique<TMemTableDataGx>(nullptr);
  other->DataStruct()->CreateField<TMTBooleanDataFieldGx>()->SetFieldName("B");
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { target->DataStruct()->Assign(other->DataStruct()); }),
            "Can not assign struct for not empty list of records");
  EXPECT_EQ(target->DataStruct()->Count(), 3);
}

TEST(StoreStructure, ByteArrayColumnsTakeTheirSizeOnAssign) {
  TMemTableDataGx a(nullptr), b(nullptr);
  auto* bytes = a.DataStruct()->CreateField<TMTVariantDataFieldGx>();
  bytes->SetFieldName("RAW");
  bytes->SetDataType(ftVarBytes);
  bytes->SetSize(8);
  b.DataStruct()->Assign(a.DataStruct());
  EXPECT_EQ(b.DataStruct()->DataFields(0)->DataType(), ftVarBytes);
  EXPECT_EQ(b.DataStruct()->DataFields(0)->Size(), 8);
}

TEST(StoreStructure, Restructuring) {
  auto store = MakeStore();
  FetchRow(store->RecordsList(), {1, "a", 1.0});
  TMTDataStructGx* r = store->BeginRestruct();
  EXPECT_TRUE(store->RestructMode());
  EXPECT_EQ(r->Count(), 3);
  EXPECT_NE(r, store->DataStruct());
  EXPECT_EQ(ErrorText<EDatabaseError>([&] { store->BeginRestruct(); }), "MemTableData already in RestructMode.");
  store->CancelRestruct();
  EXPECT_FALSE(store->RestructMode());
  EXPECT_EQ(r->Count(), 0);
  store->BeginRestruct();
  store->CommitRestruct();
  EXPECT_FALSE(store->RestructMode());
  EXPECT_EQ(store->DataStruct()->Count(), 3);
  EXPECT_EQ(store->RecordsList()->Count(), 1);
}

TEST(StoreStructure, DestroyTableDropsIndexesRecordsAndColumns) {
  auto store = MakeStore();
  store->RecordsList()->Indexes()->Add()->SetFields("ID");
  FetchRow(store->RecordsList(), {1, "a", 1.0});
  EXPECT_FALSE(store->DataStructIsEmpty());
  store->DestroyTable();
  EXPECT_TRUE(store->DataStructIsEmpty());
  EXPECT_EQ(store->RecordsList()->Count(), 0);
  EXPECT_EQ(store->RecordsList()->Indexes()->Count(), 0);
}

TEST(StoreStructure, FetchRequestsAddUpAndShadowBorrowsTheColumns) {
  auto store = MakeStore();
  TRecordsListNotificatorGx a, b, c;
  a.OnFetch = [](int n) { return n; };
  b.OnFetch = [](int) { return 2; };
  for (auto* n : {&a, &b, &c}) n->SetMemTableData(store.get());
  EXPECT_EQ(store->FetchRecords(5), 7);
  TMemTableDataShadowGx shadow(store.get());
  EXPECT_EQ(shadow.DataStruct(), store->DataStruct());
  TMemoryRecordGx* r = shadow.RecordsList()->NewRecord();
  EXPECT_EQ(r->FieldCount(), 3);
  r->Cancel();
}

}  // namespace
