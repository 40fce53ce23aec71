#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/fielddefs.h"
#include "platform/db/params.h"
#include "platform/db/testdataset.h"
#include "platform/rtl/exceptions.h"

namespace {

TEST(Params, ParseSqlFindsNamedParameters) {
  TParams params;
  std::string sql = params.ParseSQL(
      "select * from TB_BILDA where BILDA_ID = :id and BILDA002 = ':not' and X::int = :\"my name\" or Y = :id", true);
  EXPECT_EQ(sql, "select * from TB_BILDA where BILDA_ID = ? and BILDA002 = ':not' and X::int = ? or Y = ?");
  ASSERT_EQ(params.Count(), 3);
  EXPECT_EQ(params[0]->Name(), "id");
  EXPECT_EQ(params[1]->Name(), "my name");
  EXPECT_EQ(params[0]->ParamType(), ptInput);
  // Without doCreate the list stays.
  params.ParseSQL("select :other", false);
  EXPECT_EQ(params.Count(), 3);
}

TEST(Params, ValuesAndTypes) {
  TParams params;
  TParam* p = params.CreateParam(ftUnknown, "ID", ptInput);
  EXPECT_FALSE(p->Bound());
  p->SetValue(42);
  EXPECT_EQ(p->DataType(), ftInteger);
  EXPECT_TRUE(p->Bound());
  p->SetDataType(ftString);
  EXPECT_EQ(p->AsString(), "42");
  TParam* d = params.CreateParam(ftDate, "DAY", ptInput);
  d->SetValue("2024-01-31");
  EXPECT_EQ(d->Value().VarType(), varDate);
  Variant both = params.ParamValues("ID;DAY");
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(both[0].AsString(), "42");
  params.SetParamValues("id", Variant("7"));
  EXPECT_EQ(params.ParamByName("Id")->AsString(), "7");
  try {
    params.ParamByName("NOPE");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Parameter 'NOPE' not found");
  }
  TParams other;
  other.CreateParam(ftInteger, "ID", ptInput);
  other.AssignValues(params);
  EXPECT_EQ(other[0]->AsString(), "7");
  EXPECT_FALSE(other.IsEqual(params));
  p->Clear();
  EXPECT_TRUE(p->IsNull());
}

TEST(Params, AssignFieldTakesTypeAndValue) {
  TTestDataSet ds;
  ds.FieldDefs().Add("AMOUNT", ftCurrency);
  ds.AddRow({12.5});
  ds.Open();
  TParams params;
  TParam* p = params.AddParameter();
  p->AssignField(ds.FieldByName("AMOUNT"));
  EXPECT_EQ(p->Name(), "AMOUNT");
  EXPECT_EQ(p->DataType(), ftCurrency);
  EXPECT_EQ(p->AsCurrency().Value, 125000);
}

TEST(IndexDefs, FindByNameAndFields) {
  TTestDataSet ds;
  ds.SetName("tbl");
  TIndexDefs defs(&ds);
  defs.Add("PK", "BILDA_ID", {ixPrimary, ixUnique});
  defs.Add("BY_TYPE", "BILDA002;BILDA003", {});
  EXPECT_EQ(defs.Find("pk")->Options(), (TIndexOptions{ixPrimary, ixUnique}));
  EXPECT_EQ(defs.GetIndexForFields("bilda002;BILDA003", false)->Name(), "BY_TYPE");
  EXPECT_EQ(defs.GetIndexForFields("BILDA002", false)->Name(), "BY_TYPE");  // a leading part serves
  EXPECT_EQ(defs.GetIndexForFields("BILDA003", false), nullptr);
  EXPECT_THROW(defs.Add("PK", "X", {}), EDatabaseError);
  try {
    defs.Find("NONE");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "tbl: Index 'NONE' not found");
  }
}

TEST(Fields, GetFieldPropertyNamesTheControl) {
  TTestDataSet ds;
  ds.SetName("tbl");
  ds.FieldDefs().Add("A", ftInteger);
  ds.Open();
  TComponent editor(nullptr);
  editor.SetName("DBEditGx1");
  EXPECT_EQ(GetFieldProperty(&ds, &editor, "a"), ds.FieldByName("A"));
  try {
    GetFieldProperty(&ds, &editor, "B");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "DBEditGx1: Field 'B' not found");
  }
}

}  // namespace
