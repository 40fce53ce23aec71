// The store written to and read back from the component stream, rows included.
#include <gtest/gtest.h>

#include "platform/classes/filer.h"
#include "store_support.h"
#include "support/error_text.h"

using namespace mtstore_test;

namespace {

std::string StreamColumns(const TMemTableDataGx& store) {
  std::string s;
  for (const TMTDataFieldGx* f : store.DataStruct()->Fields())
    s += f->ClassName() + ":" + f->FieldName() + ":" + std::to_string(f->DataType()) + ":" +
         std::to_string(f->Size()) + " ";
  return s;
}

TEST(StoreStream, StructureAndRowsRoundTrip) {
  auto store = MakeStore();
  store->SetName("mtdLines");
  auto* memo = store->DataStruct()->CreateField<TMTBlobDataFieldGx>();
  memo->SetFieldName("NOTE");
  memo->SetDataType(ftMemo);
  static_cast<TMTNumericDataFieldGx*>(store->DataStruct()->DataFields(2))->SetDisplayFormat("#,##0.00");
  store->DataStruct()->DataFields(1)->SetRequired(true);
  TRecordsListGx* list = store->RecordsList();
  FetchRow(list, {1, "费用 \"垫付\"", 12.5, "line one\nline two"});
  FetchRow(list, {2, Null(), Null(), Null()});
  FetchRow(list, {-3, "", 1e-7, "x"});
  std::string text = WriteComponentText(store.get());
  EXPECT_EQ(text.find("AutoIncCurValue"), std::string::npos) << "a counter never stepped is not written";

  TMemTableDataGx copy(nullptr);
  // Something to replace: the stream brings its own columns and rows.
  copy.DataStruct()->CreateField<TMTBooleanDataFieldGx>()->SetFieldName("OLD");
  ReadComponentText(&copy, text);
  EXPECT_EQ(copy.Name(), "mtdLines");
  EXPECT_EQ(StreamColumns(copy), StreamColumns(*store)) << text;
  EXPECT_EQ(Dump(copy.RecordsList()), Dump(list)) << text;
  EXPECT_EQ(static_cast<TMTNumericDataFieldGx*>(copy.DataStruct()->DataFields(2))->DisplayFormat(), "#,##0.00");
  EXPECT_TRUE(copy.DataStruct()->DataFields(1)->Required());
  EXPECT_EQ(copy.RecordsList()->Rec(1)->Value(1).VarType(), varNull);
  EXPECT_EQ(copy.RecordsList()->Rec(2)->Value(0).VarType(), varInteger);
  // The structure and the records list are still the store's own, not owned by anyone else.
  EXPECT_EQ(copy.DataStruct()->Owner(), nullptr);
  EXPECT_EQ(copy.RecordsList()->Owner(), nullptr);
  EXPECT_EQ(copy.DataStruct()->DataFields(0)->Owner(), copy.DataStruct());
  for (const TMemoryRecordGx* r : copy.RecordsList()->Records()) EXPECT_EQ(r->UpdateStatus(), usUnmodified);
  // And written again, the same text.
  EXPECT_EQ(WriteComponentText(&copy), text);
}

TEST(StoreStream, ReadRowsContinueTheIdCounter) {
  TMemTableDataGx source(nullptr);
  source.SetName("src");
  for (const char* n : {"A", "B"}) {
    auto* f = source.DataStruct()->CreateField<TMTNumericDataFieldGx>();
    f->SetFieldName(n);
  }
  FetchRow(source.RecordsList(), {1, 2});
  FetchRow(source.RecordsList(), {3, 4});
  std::string text = WriteComponentText(&source);

  TMemTableDataGx target(nullptr);
  TRecordsListGx* list = target.RecordsList();
  for (int i = 0; i < 4; ++i) list->NewRecord()->Cancel();  // IDs 1 to 4 are used
  ReadComponentText(&target, text);
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(list->Rec(0)->ID(), 5);
  EXPECT_EQ(list->Rec(1)->ID(), 6);
  EXPECT_EQ(Dump(list), "1|2\n3|4\n");
}

TEST(StoreStream, CounterAndTypesSurvive) {
  TMemTableDataGx store(nullptr);
  store.SetName("mtd");
  auto* id = store.DataStruct()->CreateField<TMTNumericDataFieldGx>();
  id->SetDataType(ftAutoInc);
  id->SetFieldName("ID");
  auto* when = store.DataStruct()->CreateField<TMTDateTimeDataFieldGx>();
  when->SetFieldName("WHEN");
  auto* money = store.DataStruct()->CreateField<TMTNumericDataFieldGx>();
  money->SetDataType(ftCurrency);
  money->SetFieldName("MONEY");
  auto* raw = store.DataStruct()->CreateField<TMTVariantDataFieldGx>();
  raw->SetDataType(ftBytes);
  raw->SetSize(3);
  raw->SetFieldName("RAW");
  auto* ref = store.DataStruct()->CreateField<TMTRefObjectFieldGx>();
  ref->SetFieldName("OBJ");
  store.AutoIncrement()->SetStep(10);
  TMemoryRecordGx* r = store.RecordsList()->NewRecord();
  r->SetDataValue(1, rvCurrent, Variant::FromDateTime(45000.25));
  r->SetDataValue(2, rvCurrent, Currency::FromScaled(123456));
  r->SetDataValue(3, rvCurrent, Variant::ArrayOf({1, 2, 255}));
  store.RecordsList()->AddRecord(r);
  EXPECT_TRUE(r->Value(4).IsNull()) << "Null stays Null in an object column";
  std::string text = WriteComponentText(&store);
  EXPECT_NE(text.find("AutoIncCurValue"), std::string::npos);

  TMemTableDataGx copy(nullptr);
  ReadComponentText(&copy, text);
  EXPECT_EQ(copy.AutoIncrement()->Step(), 10);
  EXPECT_EQ(copy.AutoIncrement()->CurValue(), 9);
  ASSERT_EQ(copy.RecordsList()->Count(), 1);
  const TMemoryRecordGx* c = copy.RecordsList()->Rec(0);
  EXPECT_EQ(c->Value(0).AsInteger(), -1);
  EXPECT_EQ(c->Value(1).VarType(), varDate);
  EXPECT_EQ(c->Value(1).AsDouble(), 45000.25);
  EXPECT_EQ(c->Value(2).VarType(), varCurrency);
  EXPECT_EQ(c->Value(2).AsCurrency().Value, 123456);
  EXPECT_EQ(c->Value(3).VarType(), varArray | varByte);
  EXPECT_EQ(c->Value(3)[2].AsInteger(), 255);
  EXPECT_TRUE(c->Value(4).IsNull());
  EXPECT_EQ(copy.DataStruct()->DataFields(3)->Size(), 3);
  EXPECT_EQ(copy.AutoIncFieldIndexes(), std::vector<int>{0});
}

TEST(StoreStream, AnUnassignedValueCannotBeWritten) {
  TMemTableDataGx store(nullptr);
  store.SetName("mtd");
  auto* v = store.DataStruct()->CreateField<TMTVariantDataFieldGx>();
  v->SetFieldName("V");
  TMemoryRecordGx* r = store.RecordsList()->NewRecord();
  r->SetDataValue(0, rvCurrent, Variant());
  store.RecordsList()->FetchRecord(r);
  EXPECT_EQ(ErrorText<Exception>([&] { WriteComponentText(&store); }),
            "\"TMemoryRecordGx.WriteData\" - Invalid variant type - varEmpty");
}

TEST(StoreStream, MalformedRowsAreRefused) {
  auto store = MakeStore();
  store->SetName("mtd");
  FetchRow(store->RecordsList(), {1, "a", 1.0});
  std::string text = WriteComponentText(store.get());
  auto replace = [&](const std::string& from, const std::string& to) {
    std::string t = text;
    size_t at = t.find(from);
    EXPECT_NE(at, std::string::npos) << text;
    if (at != std::string::npos) t.replace(at, from.size(), to);
    return t;
  };
  for (const std::string& bad : {replace("\"a\"", "\"a\", 7"), replace(", \"a\"", "")}) {
    TMemTableDataGx copy(nullptr);
    EXPECT_THROW(ReadComponentText(&copy, bad), EReadError) << bad;
  }
  for (const std::string& bad : {replace("\"a\"", "\"a\" ("), replace("Data = ((", "Data = (")}) {
    TMemTableDataGx copy(nullptr);
    EXPECT_THROW(ReadComponentText(&copy, bad), Exception) << bad;
  }
  // A value the column cannot hold.
  TMemTableDataGx copy(nullptr);
  std::string wrongType = replace("(1,", "(\"x\",");
  EXPECT_THROW(ReadComponentText(&copy, wrongType), Exception) << wrongType;
}

TEST(StoreStream, OddBlocksNeverTakeTheStoresOwnObjects) {
  const char* good =
      "object TMemTableDataGx mtd {\n"
      "  object TMTDataStructGx DataStruct {\n"
      "    object TMTNumericDataFieldGx ID { FieldName = \"ID\" }\n"
      "  }\n"
      "  object TRecordsListGx RecordsList { Data = ((1) (2)) }\n";
  // A second structure block is an object of its own: the store keeps the first one's columns.
  {
    TMemTableDataGx store(nullptr);
    ReadComponentText(&store, std::string(good) +
                                  "  object TMTDataStructGx DataStruct2 {\n"
                                  "    object TMTStringDataFieldGx X { FieldName = \"X\" }\n"
                                  "  }\n}\n");
    EXPECT_EQ(store.DataStruct()->Count(), 1);
    EXPECT_EQ(store.RecordsList()->Count(), 2);
    EXPECT_EQ(store.DataStruct()->Owner(), nullptr);
  }
  // A store inside a store reads into its own objects.
  {
    TMemTableDataGx store(nullptr);
    std::string inner = good;
    inner.replace(0, inner.find('{'), "object TMemTableDataGx inner ");
    std::string nested = std::string(good) + inner + "}\n}\n";
    ReadComponentText(&store, nested);
    ASSERT_EQ(store.ComponentCount(), 1);
    auto* child = dynamic_cast<TMemTableDataGx*>(store.Components(0));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->RecordsList()->Count(), 2);
    EXPECT_EQ(store.RecordsList()->Count(), 2);
    EXPECT_NE(child->DataStruct(), store.DataStruct());
  }
  // The store's structure keeps its name; a block that would rename it fails the read cleanly.
  {
    TMemTableDataGx store(nullptr);
    std::string renamed = std::string(good) + "}\n";
    renamed.replace(renamed.find("DataStruct {"), 10, "Columns");
    EXPECT_THROW(ReadComponentText(&store, renamed), Exception);
    EXPECT_EQ(store.DataStruct()->Name(), "DataStruct");
    EXPECT_EQ(store.DataStruct()->Owner(), nullptr);
  }
}

}  // namespace
