#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/classes/classreg.h"
#include "platform/classes/filer.h"
#include "platform/classes/published.h"
#include "platform/db/datasource.h"
#include "platform/db/testdataset.h"

FANO_IMPLEMENT_COMPONENT(TTestDataSet, TDataSet)
FANO_REGISTER_CLASS(TTestDataSet);

namespace {

// A data module of the tests' own: a dataset with persistent fields and a data source.
class TTestModule : public TComponent {
  FANO_CLASS(TTestModule)
 public:
  explicit TTestModule(TComponent* owner) : TComponent(owner) {}
};

}  // namespace

FANO_IMPLEMENT_COMPONENT(TTestModule, TComponent)

namespace {

template <class T>
struct Freer {
  void operator()(T* p) const { p->Free(); }
};

TEST(DbResources, DatasetFieldsAndSourceRoundTrip) {
  std::unique_ptr<TTestModule, Freer<TTestModule>> module(new TTestModule(nullptr));
  module->SetName("dmDocs");
  auto* table = new TTestDataSet(module.get());
  table->SetName("mtblMain");
  table->FieldDefs().Add("BILDA_ID", ftInteger);
  table->FieldDefs().Add("BILDA002", ftString, 40);
  table->SetFilter("BILDA_ID > 0");
  auto* id = new TIntegerField(module.get());
  id->SetName("mtblMainBILDA_ID");
  id->SetFieldName("BILDA_ID");
  id->SetIsKey(true);
  id->SetDataSet(table);
  auto* name = new TStringField(module.get());
  name->SetName("mtblMainBILDA002");
  name->SetFieldName("BILDA002");
  name->SetSize(40);
  name->SetDisplayLabel("单据名称");
  name->SetNotNull(true);
  name->SetDataSet(table);
  auto* source = new TDataSource(module.get());
  source->SetName("dsMain");
  source->SetDataSet(table);
  source->SetAutoEdit(false);

  std::string text = WriteComponentText(module.get());
  EXPECT_NE(text.find("object TStringField mtblMainBILDA002"), std::string::npos) << text;
  EXPECT_NE(text.find("DisplayLabel = \"单据名称\""), std::string::npos) << text;
  EXPECT_EQ(text.find("IsJoin"), std::string::npos) << text;  // defaults are not written

  std::unique_ptr<TTestModule, Freer<TTestModule>> copy(new TTestModule(nullptr));
  ReadComponentText(copy.get(), text);
  auto* table2 = dynamic_cast<TTestDataSet*>(copy->FindComponent("mtblMain"));
  ASSERT_NE(table2, nullptr);
  EXPECT_EQ(table2->Filter(), "BILDA_ID > 0");
  ASSERT_EQ(table2->FieldCount(), 2);
  EXPECT_EQ(table2->Fields()[0]->Name(), "mtblMainBILDA_ID");
  EXPECT_TRUE(table2->Fields()[0]->IsKey());
  auto* name2 = dynamic_cast<TStringField*>(table2->Fields()[1]);
  ASSERT_NE(name2, nullptr);
  EXPECT_EQ(name2->Size(), 40);
  EXPECT_EQ(name2->DisplayLabel(), "单据名称");
  EXPECT_TRUE(name2->NotNull());
  EXPECT_FALSE(name2->IsJoin());
  auto* source2 = dynamic_cast<TDataSource*>(copy->FindComponent("dsMain"));
  ASSERT_NE(source2, nullptr);
  EXPECT_EQ(source2->DataSet(), table2);
  EXPECT_FALSE(source2->AutoEdit());
  // The definitions are not part of the dataset's resource unless it stores them.
  EXPECT_EQ(table2->FieldDefs().Count(), 0);
}

TEST(DbResources, StoredDefinitionsAndActiveAreRead) {
  std::unique_ptr<TTestModule, Freer<TTestModule>> module(new TTestModule(nullptr));
  ReadComponentText(module.get(), R"(object TTestModule dm {
  object TTestDataSet tbl {
    Active = True
    FieldDefs = collection {
      item {
        Name = "A"
        DataType = ftInteger
      }
      item {
        Name = "B"
        DataType = ftString
        Size = 8
      }
    }
  }
})");
  auto* tbl = dynamic_cast<TTestDataSet*>(module->FindComponent("tbl"));
  ASSERT_NE(tbl, nullptr);
  EXPECT_TRUE(tbl->Active());  // opened once loading ended
  ASSERT_EQ(tbl->FieldCount(), 2);
  EXPECT_EQ(tbl->FieldByName("B")->Size(), 8);
}

}  // namespace
