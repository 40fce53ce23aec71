#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/dbconsts.h"
#include "platform/db/testdataset.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace {

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EDatabaseError& e) {
    return e.Message();
  }
  return "no error";
}

class FieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ds = std::make_unique<TTestDataSet>();
    ds->SetName("tbl");
  }
  // Opens the dataset over one row of the given types and puts it in edit state.
  void OpenWith(const std::vector<std::pair<TFieldType, int>>& types, std::vector<Variant> row) {
    int i = 0;
    for (auto [t, size] : types) ds->FieldDefs().Add("F" + std::to_string(i++), t, size);
    ds->AddRow(std::move(row));
    ds->Open();
    ds->Edit();
  }
  TField* F(int i) { return ds->Fields()[i]; }
  std::unique_ptr<TTestDataSet> ds;
};

TEST_F(FieldsTest, FieldEventsRunValidateThenStoreThenOnChange) {
  OpenWith({{ftString, 10}}, {"old"});
  TField* f = F(0);
  std::vector<std::string> log;
  f->SetOnValidate([&](TField* s) { log.push_back("validate:" + s->AsString() + "/" + ds->Rows()[0].Values[0].AsString()); });
  f->SetOnChange([&](TField* s) { log.push_back("change:" + s->AsString()); });
  f->SetAsString("new");
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "validate:new/old");  // the field shows the proposed value while validating
  EXPECT_EQ(log[1], "change:new");
  EXPECT_TRUE(ds->Modified());
  // A refusing OnValidate keeps the old value.
  f->SetOnValidate([](TField*) { throw EDatabaseError("refused"); });
  EXPECT_THROW(f->SetAsString("bad"), EDatabaseError);
  EXPECT_EQ(f->AsString(), "new");
}

TEST_F(FieldsTest, OnChangeRunsWhileControlsAreDisabled) {
  OpenWith({{ftInteger, 0}}, {1});
  int changes = 0;
  F(0)->SetOnChange([&](TField*) { ++changes; });
  ds->DisableControls();
  F(0)->SetAsInteger(2);
  ds->EnableControls();
  EXPECT_EQ(changes, 1);
}

TEST_F(FieldsTest, StringSizeCountsCodePage936Bytes) {
  OpenWith({{ftString, 5}}, {""});
  TField* f = F(0);
  f->SetAsString("abcdefg");
  EXPECT_EQ(f->AsString(), "abcde");
  f->SetAsString("费用垫付单");  // two bytes a character: two fit, the third would be split
  EXPECT_EQ(f->AsString(), "费用");
  f->SetAsString("a费用b");
  EXPECT_EQ(f->AsString(), "a费用");
  f->SetValue(12345678);
  EXPECT_EQ(f->AsString(), "12345");
  f->SetAsString("");
  EXPECT_FALSE(f->IsNull());  // an empty text is a value for a string field
  f->Clear();
  EXPECT_TRUE(f->IsNull());
  EXPECT_EQ(f->DataSize(), 6);
}

TEST_F(FieldsTest, WideStringSizeCountsCharacters) {
  OpenWith({{ftWideString, 3}}, {Null()});
  TField* f = F(0);
  f->SetAsString("费用垫付单");
  EXPECT_EQ(f->AsString(), "费用垫");
  EXPECT_EQ(f->Value().VarType(), varOleStr);
  EXPECT_EQ(f->AsWideString(), u"费用垫");
}

TEST_F(FieldsTest, IntegerFieldsCheckTheirRange) {
  OpenWith({{ftInteger, 0}, {ftSmallint, 0}, {ftWord, 0}}, {0, 0, 0});
  auto* i = static_cast<TIntegerField*>(F(0));
  i->SetAsString(" 42 ");
  EXPECT_EQ(i->AsInteger(), 42);
  EXPECT_EQ(i->Value().VarType(), varInteger);
  i->SetAsFloat(2.5);  // rounds half to even
  EXPECT_EQ(i->AsInteger(), 2);
  i->SetMinValue(1);
  i->SetMaxValue(10);
  EXPECT_EQ(ErrorOf([&] { i->SetAsInteger(11); }), "tbl: 11 is not a valid value for field 'F0'. The allowed range is 1 to 10");
  EXPECT_EQ(ErrorOf([&] { i->SetAsString("x1"); }), "tbl: 'x1' is not a valid integer value for field 'F0'");
  EXPECT_EQ(ErrorOf([&] { F(1)->SetAsInteger(40000); }),
            "tbl: 40000 is not a valid value for field 'F1'. The allowed range is -32768 to 32767");
  F(1)->SetAsInteger(-5);
  EXPECT_EQ(F(1)->Value().VarType(), varSmallint);
  EXPECT_EQ(ErrorOf([&] { F(2)->SetAsInteger(-1); }), "tbl: -1 is not a valid value for field 'F2'. The allowed range is 0 to 65535");
  i->SetAsString("");
  EXPECT_TRUE(i->IsNull());
  EXPECT_EQ(i->AsInteger(), 0);
  EXPECT_EQ(i->AsString(), "");
}

TEST_F(FieldsTest, FloatTextFollowsFormats) {
  OpenWith({{ftFloat, 0}, {ftCurrency, 0}}, {1234.5, 10.0});
  auto* f = static_cast<TFloatField*>(F(0));
  EXPECT_EQ(f->DisplayText(), "1234.5");
  f->SetDisplayFormat("#,##0.00");
  EXPECT_EQ(f->DisplayText(), "1,234.50");
  EXPECT_EQ(f->Text(), "1,234.50");  // no edit format: the display format serves
  f->SetEditFormat("0.000");
  EXPECT_EQ(f->Text(), "1234.500");
  EXPECT_EQ(f->Alignment(), taRightJustify);
  f->SetText("7.25");
  EXPECT_DOUBLE_EQ(f->AsFloat(), 7.25);
  EXPECT_EQ(ErrorOf([&] { f->SetAsString("1.2.3"); }), "tbl: '1.2.3' is not a valid floating point value for field 'F0'");
  auto* money = static_cast<TFloatField*>(F(1));
  EXPECT_TRUE(money->currency());
  EXPECT_EQ(money->Text(), "10.00");
}

// A float read as an integer is rounded, halves to the even neighbour; never cut towards zero.
TEST_F(FieldsTest, AFloatReadAsAnIntegerRoundsHalvesToEven) {
  OpenWith({{ftFloat, 0}}, {0.0});
  auto* f = static_cast<TFloatField*>(F(0));
  const std::pair<double, int> cases[] = {{2.7, 3}, {-2.7, -3}, {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4},
                                          {0.5, 0}, {1.5, 2}, {2.4999, 2}, {-0.6, -1}, {7.0, 7}};
  for (auto [value, expected] : cases) {
    f->SetAsFloat(value);
    EXPECT_EQ(f->AsInteger(), expected) << value;
    EXPECT_EQ(f->AsLargeInt(), expected) << value;
  }
}

TEST_F(FieldsTest, BcdFieldHoldsCurrency) {
  OpenWith({{ftBCD, 2}}, {Null()});
  auto* f = static_cast<TBCDField*>(F(0));
  f->SetAsString("12.3456");
  EXPECT_EQ(f->Value().VarType(), varCurrency);
  EXPECT_EQ(f->AsCurrency().Value, 123456);
  f->SetPrecision(4);  // two digits before the point
  EXPECT_THROW(f->SetAsFloat(123.0), EDatabaseError);
}

TEST_F(FieldsTest, BooleanDisplayValues) {
  OpenWith({{ftBoolean, 0}}, {true});
  auto* f = static_cast<TBooleanField*>(F(0));
  EXPECT_EQ(f->DisplayText(), "True");
  f->SetDisplayValues("是;否");
  EXPECT_EQ(f->DisplayText(), "是");
  f->SetAsString("否");
  EXPECT_FALSE(f->AsBoolean());
  f->SetDisplayValues("Yes;No");
  f->SetAsString("y");  // the start of a display text is enough
  EXPECT_TRUE(f->AsBoolean());
  EXPECT_EQ(ErrorOf([&] { f->SetAsString("maybe"); }), "tbl: 'maybe' is not a valid boolean value for field 'F0'");
}

TEST_F(FieldsTest, DateFieldsReadAndShowText) {
  OpenWith({{ftDate, 0}, {ftDateTime, 0}, {ftTime, 0}}, {Null(), Null(), Null()});
  F(0)->SetAsString("2024-01-31");
  EXPECT_EQ(F(0)->Value().VarType(), varDate);
  EXPECT_EQ(F(0)->DisplayText(), "2024-01-31");
  F(1)->SetAsDateTime(EncodeDateTime(2024, 1, 31, 13, 5, 0, 0));
  EXPECT_EQ(F(1)->AsString(), "2024-01-31 13:05:00");
  static_cast<TDateTimeField*>(F(1))->SetDisplayFormat("dd.mm.yyyy");
  EXPECT_EQ(F(1)->DisplayText(), "31.01.2024");
  F(2)->SetAsString("08:30:00");
  EXPECT_EQ(F(2)->Text(), "08:30:00");
  EXPECT_EQ(ErrorOf([&] { F(0)->SetAsString("31.31.2024"); }),
            "tbl: '31.31.2024' is not a valid date and time value for field 'F0'");
}

TEST_F(FieldsTest, OnGetTextAndOnSetText) {
  OpenWith({{ftInteger, 0}}, {3});
  TField* f = F(0);
  f->SetOnGetText([](TField* s, std::string& text, bool display) {
    text = (display ? "#" : "") + s->AsString();
  });
  f->SetOnSetText([](TField* s, const std::string& text) { s->SetAsInteger(static_cast<int32_t>(text.size())); });
  EXPECT_EQ(f->DisplayText(), "#3");
  EXPECT_EQ(f->Text(), "3");
  f->SetText("abcd");
  EXPECT_EQ(f->AsInteger(), 4);
}

TEST_F(FieldsTest, ReadOnlyFieldRefusesWrites) {
  OpenWith({{ftInteger, 0}}, {3});
  F(0)->SetReadOnly(true);
  EXPECT_FALSE(F(0)->CanModify());
  EXPECT_EQ(ErrorOf([&] { F(0)->SetAsInteger(4); }), "tbl: Field 'F0' cannot be modified");
}

TEST_F(FieldsTest, FlagsStartFalseAndTravelWithProperties) {
  OpenWith({{ftInteger, 0}}, {3});
  TField* f = F(0);
  EXPECT_FALSE(f->IsKey());
  EXPECT_FALSE(f->IsJoin());
  EXPECT_FALSE(f->NotNull());
  f->SetIsKey(true);
  f->SetNotNull(true);
  TIntegerField copy(nullptr);
  copy.AssignProperties(*f);
  EXPECT_TRUE(copy.IsKey());
  EXPECT_FALSE(copy.IsJoin());
  EXPECT_TRUE(copy.NotNull());
}

TEST_F(FieldsTest, AccessAsTheWrongTypeRaises) {
  OpenWith({{ftBoolean, 0}}, {true});
  EXPECT_EQ(ErrorOf([&] { F(0)->AsDateTime(); }), "tbl: Cannot access field 'F0' as type DateTime");
}

TEST_F(FieldsTest, BlobFieldsAndStreams) {
  OpenWith({{ftMemo, 0}, {ftBlob, 0}}, {"memo text", Null()});
  auto* memo = static_cast<TBlobField*>(F(0));
  EXPECT_TRUE(memo->IsBlob());
  EXPECT_EQ(memo->DisplayText(), "(MEMO)");
  EXPECT_EQ(F(1)->DisplayText(), "(Blob)");
  {
    std::unique_ptr<TStream> s = ds->CreateBlobStream(memo, bmReadWrite);
    EXPECT_EQ(s->ReadString(100), "memo text");
    s->WriteString(" more");
  }
  EXPECT_EQ(memo->AsString(), "memo text more");
  EXPECT_TRUE(memo->Modified());
  TStringStream in(std::string("\x01\x02\x00\x03", 4));
  static_cast<TBlobField*>(F(1))->LoadFromStream(in);
  EXPECT_EQ(F(1)->AsString().size(), 4u);
  ds->Post();
  EXPECT_EQ(ds->Rows()[0].Values[1].AsString(), std::string("\x01\x02\x00\x03", 4));
  // Writing needs edit state.
  EXPECT_EQ(ErrorOf([&] { ds->CreateBlobStream(memo, bmWrite); }), "tbl: Dataset not in edit or insert mode");
}

TEST_F(FieldsTest, IndexReordersTheFieldList) {
  OpenWith({{ftInteger, 0}, {ftString, 5}, {ftFloat, 0}}, {1, "a", 2.0});
  ds->Cancel();
  TField* last = F(2);
  last->SetIndex(0);
  EXPECT_EQ(F(0), last);
  EXPECT_EQ(F(1)->FieldName(), "F0");
  EXPECT_EQ(last->Index(), 0);
  EXPECT_DOUBLE_EQ(last->AsFloat(), 2.0);
  last->SetIndex(99);  // clamped
  EXPECT_EQ(last->Index(), 2);
}

TEST_F(FieldsTest, DestroyingAFieldClosesItsOpenDataset) {
  OpenWith({{ftInteger, 0}, {ftString, 5}}, {1, "a"});
  ds->Cancel();
  F(1)->Free();
  EXPECT_FALSE(ds->Active());
  EXPECT_EQ(ds->FieldCount(), 0);  // the other default field goes with the close
  EXPECT_EQ(ds->Allocated(), 0);
}

TEST_F(FieldsTest, FieldNamesAreCheckedInTheDataset) {
  ds->FieldDefs().Add("A", ftInteger);
  auto* a = new TIntegerField(nullptr);
  a->SetFieldName("A");
  a->SetDataSet(ds.get());
  auto* b = new TIntegerField(nullptr);
  b->SetFieldName("a");
  EXPECT_EQ(ErrorOf([&] { b->SetDataSet(ds.get()); }), "tbl: Duplicate field name 'a'");
  auto* c = new TIntegerField(nullptr);
  EXPECT_EQ(ErrorOf([&] { c->SetDataSet(ds.get()); }), "tbl: Field name missing");
  delete b;
  delete c;
  ds->Open();
  EXPECT_FALSE(ds->DefaultFields());
  EXPECT_EQ(ds->FieldByName("A"), a);
  EXPECT_EQ(ErrorOf([&] { a->SetSize(4); }), "tbl: Cannot perform this operation on an open dataset");
  ds->Close();
  EXPECT_EQ(ds->FieldCount(), 1);  // persistent fields stay
  EXPECT_EQ(ErrorOf([&] { a->SetSize(4); }), "tbl: Invalid field size");
  delete a;
  EXPECT_EQ(ds->FieldCount(), 0);
}

TEST_F(FieldsTest, PersistentFieldOfTheWrongTypeRaisesAtOpen) {
  ds->FieldDefs().Add("A", ftString, 10);
  auto* a = new TIntegerField(ds.get());
  a->SetFieldName("A");
  a->SetDataSet(ds.get());
  EXPECT_EQ(ErrorOf([&] { ds->Open(); }), "tbl: Type mismatch for field 'A', expecting: Integer actual: String");
  EXPECT_FALSE(ds->Active());
  auto* missing = new TIntegerField(ds.get());
  missing->SetFieldName("B");
  a->SetDataSet(nullptr);
  missing->SetDataSet(ds.get());
  EXPECT_EQ(ErrorOf([&] { ds->Open(); }), "tbl: Field 'B' not found");
}

TEST_F(FieldsTest, FieldDefsRefuseBadDefinitions) {
  TFieldDefs& defs = ds->FieldDefs();
  defs.Add("A", ftString, 10, true);
  EXPECT_TRUE(defs[0]->Required());
  EXPECT_EQ(defs[0]->FieldNo(), 1);
  EXPECT_EQ(ErrorOf([&] { defs.Add("a", ftInteger); }), "tbl: Duplicate field name 'a'");
  EXPECT_EQ(ErrorOf([&] { defs.Add("B", ftInteger, 4); }), "Invalid field size");
  EXPECT_EQ(ErrorOf([&] { defs.Add("", ftInteger); }), "tbl: Field name missing");
  EXPECT_EQ(defs.Count(), 1);
  defs.Add("C", ftBCD, 2);
  TFieldDefs copy(nullptr);
  copy.Assign(&defs);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy[1]->DataType(), ftBCD);
  EXPECT_EQ(copy[1]->Size(), 2);
  defs.Clear();
  EXPECT_EQ(defs.Count(), 0);
}

// Names are found by position however the definitions change after they were first looked up.
TEST_F(FieldsTest, FieldDefsFindNamesAfterEveryKindOfChange) {
  TFieldDefs& defs = ds->FieldDefs();
  for (int i = 0; i < 40; ++i) defs.Add("COL" + std::to_string(i), ftInteger);
  EXPECT_EQ(defs.IndexOf("col7"), 7);
  EXPECT_EQ(defs.IndexOf("COL39"), 39);
  EXPECT_EQ(defs.IndexOf("COL40"), -1);
  EXPECT_EQ(ErrorOf([&] { defs.Add("Col12", ftInteger); }), "tbl: Duplicate field name 'Col12'");

  // Renamed: the old name is free, the new one taken.
  defs[7]->SetName("SEVEN");
  EXPECT_EQ(defs.IndexOf("COL7"), -1);
  EXPECT_EQ(defs.IndexOf("seven"), 7);
  defs.Add("COL7", ftInteger);
  EXPECT_EQ(defs.IndexOf("COL7"), 40);
  EXPECT_EQ(ErrorOf([&] { defs[3]->SetName("Seven"); }), "tbl: Duplicate field name 'Seven'");
  // The same name in another case is a renaming of the definition itself.
  defs[3]->SetName("col3");
  EXPECT_EQ(defs.IndexOf("COL3"), 3);

  // Deleted, and as many added again: the later ones move up.
  defs.Delete(0);
  defs.AddFieldDef()->SetName("LAST");
  EXPECT_EQ(defs.IndexOf("COL0"), -1);
  EXPECT_EQ(defs.IndexOf("COL1"), 0);
  EXPECT_EQ(defs.IndexOf("COL39"), 38);
  EXPECT_EQ(defs.IndexOf("LAST"), 40);

  // Moved and inserted.
  defs[38]->SetIndex(0);
  EXPECT_EQ(defs.IndexOf("COL39"), 0);
  EXPECT_EQ(defs.IndexOf("COL1"), 1);
  auto* inserted = static_cast<TFieldDef*>(defs.Insert(5));
  inserted->SetName("NEW");
  EXPECT_EQ(defs.IndexOf("NEW"), 5);
  EXPECT_EQ(defs.IndexOf("COL39"), 0);
  EXPECT_EQ(defs.IndexOf("COL5"), 6);

  // Taken over from another definition, name and all.
  TFieldDefs other(nullptr);
  other.Add("OTHER", ftString, 5);
  defs[10]->Assign(other[0]);
  EXPECT_EQ(defs.IndexOf("OTHER"), 10);
  EXPECT_EQ(defs.IndexOf(defs[11]->Name()), 11);

  // Names beyond ASCII compare through the collation, before or after the ASCII ones.
  defs.Add("金额", ftFloat);
  EXPECT_EQ(defs.IndexOf("金额"), defs.Count() - 1);
  EXPECT_EQ(ErrorOf([&] { defs.Add("金额", ftFloat); }), "tbl: Duplicate field name '金额'");
  defs.Clear();
  EXPECT_EQ(defs.IndexOf("COL1"), -1);
  defs.Add("X", ftInteger);
  EXPECT_EQ(defs.IndexOf("x"), 0);
}

// Fields are found by name however the field list changes after they were first looked up.
TEST_F(FieldsTest, FieldsAreFoundAfterEveryKindOfChange) {
  std::vector<TField*> f;
  auto add = [&](const std::string& name) {
    auto* field = new TIntegerField(ds.get());
    field->SetFieldName(name);
    field->SetDataSet(ds.get());
    return field;
  };
  for (int i = 0; i < 30; ++i) f.push_back(add("COL" + std::to_string(i)));
  TFields& fields = ds->Fields();
  EXPECT_EQ(ds->FindField("col4"), f[4]);
  EXPECT_EQ(ds->FindField("COL30"), nullptr);
  EXPECT_EQ(ErrorOf([&] { add("Col7"); }), "tbl: Duplicate field name 'Col7'");

  // Renamed: the old name is free, the new one taken.
  f[4]->SetFieldName("FOUR");
  EXPECT_EQ(ds->FindField("COL4"), nullptr);
  EXPECT_EQ(ds->FindField("four"), f[4]);
  EXPECT_EQ(ErrorOf([&] { f[5]->SetFieldName("Four"); }), "tbl: Duplicate field name 'Four'");

  // Taken out and another put in, the same count as before.
  f[0]->SetDataSet(nullptr);
  TField* last = add("LAST");
  EXPECT_EQ(ds->FindField("COL0"), nullptr);
  EXPECT_EQ(ds->FindField("LAST"), last);
  EXPECT_EQ(ds->FindField("COL29"), f[29]);
  // The one taken out is renamed outside the list: the list does not see it.
  f[0]->SetFieldName("OUTSIDE");
  EXPECT_EQ(ds->FindField("OUTSIDE"), nullptr);
  delete f[0];

  // Moved, renamed after the move.
  f[29]->SetIndex(0);
  EXPECT_EQ(ds->FindField("COL29"), f[29]);
  EXPECT_EQ(ds->FindField("COL28"), f[28]);
  f[29]->SetFieldName("FIRST");
  EXPECT_EQ(ds->FindField("first"), f[29]);
  EXPECT_EQ(ds->FindField("COL29"), nullptr);
  EXPECT_EQ(fields.IndexOf(ds->FindField("COL1")), 1);

  // Names beyond ASCII compare through the collation.
  TField* amount = add("金额");
  EXPECT_EQ(ds->FindField("金额"), amount);
  EXPECT_EQ(ErrorOf([&] { add("金额"); }), "tbl: Duplicate field name '金额'");
  fields.Clear();
  EXPECT_EQ(ds->FindField("COL1"), nullptr);
  for (int i = 0; i < 3; ++i) add("N" + std::to_string(i));
  EXPECT_EQ(ds->FindField("n2"), fields[2]);
}

TEST_F(FieldsTest, CalculatedAndLookupFieldsAreFilledInCalcState) {
  // The lookup table: codes and names.
  TTestDataSet codes;
  codes.FieldDefs().Add("CODE", ftInteger);
  codes.FieldDefs().Add("TITLE", ftString, 20);
  codes.AddRow({1, "one"});
  codes.AddRow({2, "two"});

  ds->FieldDefs().Add("QTY", ftInteger);
  ds->FieldDefs().Add("CODE", ftInteger);
  for (int i = 0; i < 2; ++i) {
    TField* f = ds->FieldDefs()[i]->CreateField(ds.get());
    (void)f;
  }
  auto* twice = new TIntegerField(ds.get());
  twice->SetFieldName("TWICE");
  twice->SetFieldKind(fkCalculated);
  twice->SetDataSet(ds.get());
  auto* title = new TStringField(ds.get());
  title->SetFieldName("TITLE");
  title->SetFieldKind(fkLookup);
  title->SetKeyFields("CODE");
  title->SetLookupDataSet(&codes);
  title->SetLookupKeyFields("CODE");
  title->SetLookupResultField("TITLE");
  title->SetDataSet(ds.get());
  std::vector<TDataSetState> states;
  ds->SetOnCalcFields([&](TDataSet* d) {
    states.push_back(d->State());
    d->FieldByName("TWICE")->SetAsInteger(d->FieldByName("QTY")->AsInteger() * 2);
  });
  ds->AddRow({5, 2});
  ds->AddRow({7, 9});
  ds->Open();
  EXPECT_TRUE(codes.Active());  // binding a lookup field opens its dataset
  EXPECT_EQ(twice->FieldNo(), -1);
  EXPECT_EQ(twice->AsInteger(), 10);
  EXPECT_EQ(title->AsString(), "two");
  ASSERT_FALSE(states.empty());
  EXPECT_EQ(states[0], dsCalcFields);
  ds->Next();
  EXPECT_EQ(twice->AsInteger(), 14);
  EXPECT_TRUE(title->IsNull());  // no code 9
  EXPECT_FALSE(twice->CanModify());
  // Editing a key recalculates; writing the lookup field writes the key.
  ds->Edit();
  ds->FieldByName("QTY")->SetAsInteger(1);
  EXPECT_EQ(twice->AsInteger(), 2);
  title->SetAsString("one");
  EXPECT_EQ(ds->FieldByName("CODE")->AsInteger(), 1);
  EXPECT_EQ(title->AsString(), "one");
  ds->Post();
  EXPECT_EQ(ds->Rows()[1].Values[1].AsInteger(), 1);
}

TEST_F(FieldsTest, IncompleteLookupRaisesAtOpen) {
  ds->FieldDefs().Add("CODE", ftInteger);
  ds->FieldDefs()[0]->CreateField(ds.get());
  auto* title = new TStringField(ds.get());
  title->SetFieldName("TITLE");
  title->SetFieldKind(fkLookup);
  title->SetDataSet(ds.get());
  EXPECT_EQ(ErrorOf([&] { ds->Open(); }), "tbl: Lookup information for field 'TITLE' is incomplete");
}

TEST_F(FieldsTest, AggregateFieldsAskTheDataset) {
  ds->FieldDefs().Add("A", ftInteger);
  auto* agg = new TAggregateField(ds.get());
  agg->SetFieldName("TOTAL");
  agg->SetExpression("SUM(A)");
  agg->SetDataSet(ds.get());
  EXPECT_EQ(ds->AggFields().Count(), 1);
  EXPECT_EQ(ds->FindField("TOTAL"), agg);
  ds->AddRow({1});
  ds->Open();
  EXPECT_EQ(ds->FieldCount(), 1);  // aggregates are not among the fields
  EXPECT_TRUE(agg->IsNull());      // the base dataset computes no aggregates
  EXPECT_FALSE(agg->Visible());
}

}  // namespace

namespace {

// What a field can hold decides what may be typed into it.
TEST_F(FieldsTest, ValidCharactersFollowTheFieldType) {
  OpenWith({{ftFloat, 0}, {ftBCD, 4}, {ftInteger, 0}, {ftString, 10}, {ftCurrency, 0}}, {1.5, 2, 3, "x", 4});
  for (char32_t c : std::u32string_view(U"0123456789+-.eE")) EXPECT_TRUE(F(0)->IsValidChar(c)) << static_cast<char>(c);
  for (char32_t c : std::u32string_view(U"a b,x/")) EXPECT_FALSE(F(0)->IsValidChar(c)) << static_cast<char>(c);
  EXPECT_TRUE(F(4)->IsValidChar('.'));  // a currency field is a float field
  EXPECT_TRUE(F(1)->IsValidChar('.'));
  EXPECT_FALSE(F(1)->IsValidChar('e'));
  EXPECT_FALSE(F(1)->IsValidChar('a'));
  EXPECT_TRUE(F(2)->IsValidChar('7'));
  EXPECT_FALSE(F(2)->IsValidChar('.'));
  EXPECT_TRUE(F(3)->IsValidChar(U'垫'));
  // The locale's decimal separator, not a fixed one.
  FormatSettings.DecimalSeparator = ',';
  EXPECT_TRUE(F(0)->IsValidChar(','));
  EXPECT_FALSE(F(0)->IsValidChar('.'));
  FormatSettings = TFormatSettings::Default();
}

}  // namespace
