// Base data modules: audit stamping of inserted and modified rows, the flag field, and the delete
// log that copies stored rows (never appended ones) into the delta tables.
#include <gtest/gtest.h>

#include "platform/db/fields.h"
#include "platform/os/clock.h"
#include "support/clock_time.h"
#include "platform/rtl/sysutils.h"
#include "shell/dmbase.h"
#include "shell_test_util.h"

using namespace shelltest;

namespace {

// The columns of a host table with its audit columns.
void AddAuditTableDefs(TDataSet* table, bool withAudit = true) {
  TFieldDefs& defs = table->FieldDefs();
  defs.Add("BILDA_ID", ftInteger, 0, false);
  defs.Add("BILDA002", ftString, 20, false);
  if (!withAudit) return;
  defs.Add("CREATE_USER", ftString, 20, false);
  defs.Add("USER_GROUP", ftString, 20, false);
  defs.Add("CREATE_DATE", ftDateTime, 0, false);
  defs.Add("MODIFIER", ftString, 20, false);
  defs.Add("MODI_DATE", ftDateTime, 0, false);
  defs.Add("FLAG", ftString, 1, false);
}

class DataModule : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    SetLocalTimeTo(2024, 3, 5, 9, 30);
    stamp = EncodeDate(2024, 3, 5) + EncodeTime(9, 30, 0, 0);
    dm = CreateForm<TDoubleSimpleDm>(nullptr);
  }
  void TearDown() override {
    FreeAndNil(dm);
    ShellTest::TearDown();
  }
  // mtblMain with the audit columns, its delta alike, opened; rows posted before-post-stamped as
  // the document modules do.
  void OpenMain() {
    AddAuditTableDefs(dm->mtblMain);
    AddAuditTableDefs(dm->mtblMainDelta);
    dm->mtblMain->SetBeforePost([this](TDataSet* ds) {
      dm->SetFlagField(0, ds);
      dm->StampAuditFields(ds);
    });
    dm->mtblMain->CreateDataSet();
  }
  void AppendRow(TDataSet* t, int id, const char* code) {
    t->Append();
    t->FieldByName("BILDA_ID")->SetAsInteger(id);
    t->FieldByName("BILDA002")->SetAsString(code);
    t->Post();
  }
  // Rows as loaded from the host: stored, unmodified.
  void StoreRows(TMemTableGx* t) { t->MergeChangeLog(); }
  std::string Str(TDataSet* t, const char* name) { return t->FieldByName(name)->AsString(); }
  bool IsNull(TDataSet* t, const char* name) { return t->FieldByName(name)->IsNull(); }

  TDoubleSimpleDm* dm = nullptr;
  TDateTime stamp = 0;
};

TEST_F(DataModule, TheResourceMakesTheTablesWithTheirSourcesAndHandlers) {
  ASSERT_NE(dm->tbfldMain, nullptr);
  ASSERT_NE(dm->mtblMain, nullptr);
  ASSERT_NE(dm->mtblMainDelta, nullptr);
  ASSERT_NE(dm->tbfldSub, nullptr);
  ASSERT_NE(dm->mtblSub, nullptr);
  ASSERT_NE(dm->mtblSubDelta, nullptr);
  EXPECT_EQ(dm->dsMain->DataSet(), dm->mtblMain);
  EXPECT_EQ(dm->dsSub->DataSet(), dm->mtblSub);
  EXPECT_TRUE(dm->mtblMain->CachedUpdates());
  EXPECT_TRUE(dm->mtblSub->CachedUpdates());
  EXPECT_TRUE(static_cast<bool>(dm->mtblMain->BeforeDelete()));
  EXPECT_TRUE(static_cast<bool>(dm->mtblSub->AfterOpen()));
  EXPECT_EQ(dm->OwnerForm(), nullptr);
}

TEST_F(DataModule, ANewRowGetsCreatorGroupDateAndFlag) {
  OpenMain();
  AppendRow(dm->mtblMain, 1, "FY0001");
  EXPECT_EQ(Str(dm->mtblMain, "CREATE_USER"), "zhangsan");
  EXPECT_EQ(Str(dm->mtblMain, "USER_GROUP"), "财务组");
  EXPECT_DOUBLE_EQ(dm->mtblMain->FieldByName("CREATE_DATE")->AsDateTime(), stamp);
  EXPECT_EQ(Str(dm->mtblMain, "FLAG"), "0");
  EXPECT_TRUE(IsNull(dm->mtblMain, "MODIFIER"));
  EXPECT_TRUE(IsNull(dm->mtblMain, "MODI_DATE"));
  EXPECT_EQ(dm->mtblMain->State(), dsBrowse);
}

TEST_F(DataModule, AChangedStoredRowGetsModifierAndDateOnly) {
  OpenMain();
  dm->mtblMain->SetBeforePost(nullptr);
  AppendRow(dm->mtblMain, 1, "FY0001");
  StoreRows(dm->mtblMain);
  dm->mtblMain->SetBeforePost([this](TDataSet* ds) { dm->StampAuditFields(ds); });
  dm->mtblMain->Edit();
  dm->mtblMain->FieldByName("BILDA002")->SetAsString("FY0002");
  dm->mtblMain->Post();
  EXPECT_EQ(Str(dm->mtblMain, "MODIFIER"), "zhangsan");
  EXPECT_DOUBLE_EQ(dm->mtblMain->FieldByName("MODI_DATE")->AsDateTime(), stamp);
  EXPECT_TRUE(IsNull(dm->mtblMain, "CREATE_USER"));
  EXPECT_TRUE(IsNull(dm->mtblMain, "CREATE_DATE"));
}

TEST_F(DataModule, AnUnchangedRowIsNotStamped) {
  OpenMain();
  dm->mtblMain->SetBeforePost(nullptr);
  AppendRow(dm->mtblMain, 1, "FY0001");
  StoreRows(dm->mtblMain);
  dm->StampAuditFields(dm->mtblMain);
  EXPECT_EQ(dm->mtblMain->State(), dsBrowse);
  EXPECT_TRUE(IsNull(dm->mtblMain, "CREATE_USER"));
  EXPECT_TRUE(IsNull(dm->mtblMain, "MODIFIER"));
}

TEST_F(DataModule, MissingColumnsStopTheStampQuietly) {
  AddAuditTableDefs(dm->mtblMain, false);
  dm->mtblMain->FieldDefs().Add("CREATE_USER", ftString, 20, false);  // no USER_GROUP, no dates
  dm->mtblMain->CreateDataSet();
  dm->mtblMain->Append();
  EXPECT_NO_THROW(dm->StampAuditFields(dm->mtblMain));
  EXPECT_NO_THROW(dm->SetFlagField(1, dm->mtblMain));
  EXPECT_EQ(Str(dm->mtblMain, "CREATE_USER"), "zhangsan");  // stamped up to the missing column
  EXPECT_EQ(dm->mtblMain->State(), dsInsert);
  dm->mtblMain->Cancel();

  // Closed or missing data sets: nothing at all.
  TMemTableGx closed(nullptr);
  EXPECT_NO_THROW(dm->StampAuditFields(&closed));
  EXPECT_NO_THROW(dm->SetFlagField(0, &closed));
  EXPECT_NO_THROW(dm->StampAuditFields(nullptr));
}

TEST_F(DataModule, TheFlagIsWrittenAsDecimalText) {
  OpenMain();
  dm->mtblMain->SetBeforePost(nullptr);
  AppendRow(dm->mtblMain, 1, "FY0001");
  dm->SetFlagField(0, dm->mtblMain);
  EXPECT_EQ(dm->mtblMain->State(), dsEdit);  // put into edit
  EXPECT_EQ(Str(dm->mtblMain, "FLAG"), "0");
  dm->SetFlagField(7, dm->mtblMain);
  EXPECT_EQ(Str(dm->mtblMain, "FLAG"), "7");
  dm->mtblMain->Post();
}

TEST_F(DataModule, DeletingAStoredRowCopiesItWhole) {
  OpenMain();
  ASSERT_TRUE(dm->mtblMainDelta->Active());  // made when the main table opened
  dm->mtblMain->SetBeforePost(nullptr);
  AppendRow(dm->mtblMain, 1, "FY0001");
  dm->mtblMain->Edit();
  dm->mtblMain->FieldByName("CREATE_USER")->SetAsString("lisi");
  dm->mtblMain->Post();
  AppendRow(dm->mtblMain, 2, "FY0002");
  StoreRows(dm->mtblMain);

  dm->mtblMain->First();
  dm->mtblMain->Delete();
  ASSERT_EQ(dm->mtblMainDelta->RecordCount(), 1);
  TDataSet* delta = dm->mtblMainDelta;
  EXPECT_EQ(delta->FieldByName("BILDA_ID")->AsInteger(), 1);
  EXPECT_EQ(Str(delta, "BILDA002"), "FY0001");
  EXPECT_EQ(Str(delta, "CREATE_USER"), "lisi");
  EXPECT_TRUE(IsNull(delta, "USER_GROUP"));  // nulls stay null
  EXPECT_TRUE(IsNull(delta, "CREATE_DATE"));
  EXPECT_EQ(dm->mtblMain->RecordCount(), 1);
}

TEST_F(DataModule, DeletingAnAppendedRowLogsNothing) {
  OpenMain();
  dm->mtblMain->SetBeforePost(nullptr);
  AppendRow(dm->mtblMain, 1, "FY0001");
  StoreRows(dm->mtblMain);
  AppendRow(dm->mtblMain, 2, "FY0002");  // never stored with the host
  dm->mtblMain->Last();
  dm->mtblMain->Delete();
  EXPECT_EQ(dm->mtblMainDelta->RecordCount(), 0);
  EXPECT_EQ(dm->mtblMain->RecordCount(), 1);
}

TEST_F(DataModule, AMainDeltaWithoutFieldsIsLeftAlone) {
  AddAuditTableDefs(dm->mtblMain);
  dm->mtblMain->CreateDataSet();
  EXPECT_FALSE(dm->mtblMainDelta->Active());
  AppendRow(dm->mtblMain, 1, "FY0001");
  StoreRows(dm->mtblMain);
  EXPECT_NO_THROW(dm->mtblMain->Delete());
  EXPECT_EQ(dm->mtblMain->RecordCount(), 0);
}

TEST_F(DataModule, DetailRowsAreLoggedAndAFailedLogKeepsTheRow) {
  AddAuditTableDefs(dm->mtblSub);
  AddAuditTableDefs(dm->mtblSubDelta);
  dm->mtblSub->CreateDataSet();
  ASSERT_TRUE(dm->mtblSubDelta->Active());
  AppendRow(dm->mtblSub, 10, "L1");
  AppendRow(dm->mtblSub, 11, "L2");
  StoreRows(dm->mtblSub);
  AppendRow(dm->mtblSub, 12, "L3");
  dm->mtblSub->Last();
  dm->mtblSub->Delete();  // appended: not logged
  dm->mtblSub->First();
  dm->mtblSub->Delete();
  ASSERT_EQ(dm->mtblSubDelta->RecordCount(), 1);
  EXPECT_EQ(dm->mtblSubDelta->FieldByName("BILDA_ID")->AsInteger(), 10);
  EXPECT_EQ(dm->mtblSub->RecordCount(), 1);

  // A detail delta table without columns cannot be opened: the detail table's open reports it.
  auto* dm2 = CreateForm<TDoubleSimpleDm>(nullptr);
  AddAuditTableDefs(dm2->mtblSub);
  EXPECT_THROW(dm2->mtblSub->CreateDataSet(), EDatabaseError);
  dm2->Free();
}

TEST_F(DataModule, AFailedLogKeepsTheDetailRow) {
  AddAuditTableDefs(dm->mtblSub);
  dm->mtblSubDelta->FieldDefs().Add("BILDA_ID", ftInteger, 0, false);
  dm->mtblSubDelta->FieldDefs().Add("BILDA002", ftInteger, 0, false);  // cannot take the code text
  dm->mtblSub->CreateDataSet();
  AppendRow(dm->mtblSub, 10, "L1");
  StoreRows(dm->mtblSub);
  EXPECT_ANY_THROW(dm->mtblSub->Delete());
  EXPECT_EQ(dm->mtblSub->RecordCount(), 1);
  EXPECT_EQ(dm->mtblSubDelta->RecordCount(), 0);  // no half-written log row
  EXPECT_EQ(dm->mtblSubDelta->State(), dsBrowse);
}

}  // namespace

TEST(DataModuleLog, AHeaderWithoutACurrentRowLogsNothing) {
  // Another table bound to the header's delete handler (a list of documents) deletes after the
  // header row is gone: no all-null row reaches the delta table.
  TDoubleSimpleDm* dm = CreateForm<TDoubleSimpleDm>(nullptr);
  AddAuditTableDefs(dm->mtblMain);
  AddAuditTableDefs(dm->mtblMainDelta);
  dm->mtblMain->CreateDataSet();
  dm->mtblMain->Append();
  dm->mtblMain->FieldByName("BILDA_ID")->SetAsInteger(5);
  dm->mtblMain->Post();
  dm->mtblMain->MergeChangeLog();
  TMemTableGx list(nullptr);
  AddAuditTableDefs(&list);
  list.CreateDataSet();
  list.Append();
  list.Post();
  list.MergeChangeLog();
  list.SetBeforeDelete([dm](TDataSet* ds) { dm->mtblMainBeforeDelete(ds); });

  dm->mtblMain->Delete();
  list.Delete();
  ASSERT_EQ(dm->mtblMainDelta->RecordCount(), 1);
  EXPECT_EQ(dm->mtblMainDelta->FieldByName("BILDA_ID")->AsInteger(), 5);
  EXPECT_EQ(list.RecordCount(), 0);
  delete dm;
}
