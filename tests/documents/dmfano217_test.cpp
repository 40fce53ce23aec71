// The expense advance data module: its tables and field metadata as the resource makes them, and
// the rules that run before header, list and line rows are posted or deleted.
#include <gtest/gtest.h>

#include "controls/flatcheckbox.h"
#include "documents/fano217/dmfano217.h"
#include "platform/db/fields.h"
#include "platform/os/clock.h"
#include "support/clock_time.h"
#include "platform/rtl/sysutils.h"
#include "shell_test_util.h"

using namespace shelltest;

namespace {

// Field definitions from the metadata, as the form's table set-up makes them.
void BuildTable(TMemTableGx* table, TMemTableGx* delta, const TCvTbField* meta) {
  for (int i = 0; i < meta->Count(); ++i) {
    const TTbField* item = meta->Items(i);
    table->FieldDefs().Add(item->FieldName(), item->DataType(), item->FieldWidth(), false);
    if (delta) delta->FieldDefs().Add(item->FieldName(), item->DataType(), item->FieldWidth(), false);
  }
  if (delta) delta->CreateDataSet();
  table->CreateDataSet();
}

std::vector<std::string> Names(const TCvTbField* meta, bool (TTbField::*flag)() const) {
  std::vector<std::string> names;
  for (int i = 0; i < meta->Count(); ++i)
    if ((meta->Items(i)->*flag)()) names.push_back(meta->Items(i)->FieldName());
  return names;
}

class Fano217Dm : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    SetLocalTimeTo(2024, 3, 5, 9, 30);
    form = new TForm(nullptr);
    check = new TFlatCheckBox(form);
    check->SetName("DBCheckBoxGx1");
    dm = CreateForm<TFano217DM>(form);
  }
  void TearDown() override {
    delete form;  // frees the module and the check box
    ShellTest::TearDown();
  }
  void BuildAll() {
    BuildTable(dm->mtblMain, dm->mtblMainDelta, dm->tbfldMain);
    BuildTable(dm->mtblMain1, dm->mtblMainDelta1, dm->tbfldMain1);
    BuildTable(dm->mtblSub, dm->mtblSubDelta, dm->tbfldSub);
  }
  // A header as loaded from the host: stored, unmodified; the list shows it.
  void LoadDocument(int id, const char* number) {
    for (TMemTableGx* t : {dm->mtblMain, dm->mtblMain1}) {
      auto before = t->BeforePost();
      t->SetBeforePost(nullptr);
      t->Append();
      t->FieldByName("BILDA_ID")->SetAsInteger(id);
      t->FieldByName("BILDA002")->SetAsString(number);
      t->FieldByName("BILDA013")->SetAsString("1");
      t->Post();
      t->MergeChangeLog();
      t->SetBeforePost(before);
    }
  }
  std::string Str(TDataSet* t, const char* name) { return t->FieldByName(name)->AsString(); }

  TForm* form = nullptr;
  TFlatCheckBox* check = nullptr;
  TFano217DM* dm = nullptr;
};

TEST_F(Fano217Dm, TheResourceMakesTheThreeTablesWithTheirSourcesAndTags) {
  ASSERT_NE(dm->tbfldMain1, nullptr);
  ASSERT_NE(dm->mtblMain1, nullptr);
  ASSERT_NE(dm->dsMain1, nullptr);
  ASSERT_NE(dm->mtblMainDelta1, nullptr);
  EXPECT_EQ(dm->OwnerForm(), form);
  EXPECT_EQ(dm->dsMain->DataSet(), dm->mtblMain);
  EXPECT_EQ(dm->dsSub->DataSet(), dm->mtblSub);
  EXPECT_EQ(dm->dsMain1->DataSet(), dm->mtblMain1);
  for (TMemTableGx* t : {dm->mtblMain, dm->mtblSub, dm->mtblMain1}) EXPECT_EQ(t->Tag(), 255) << t->Name();
  for (TMemTableGx* t : {dm->mtblMainDelta, dm->mtblSubDelta, dm->mtblMainDelta1}) EXPECT_EQ(t->Tag(), 256) << t->Name();
  EXPECT_TRUE(dm->mtblMain1->CachedUpdates());
  for (TMemTableGx* t : {dm->mtblMain, dm->mtblMain1, dm->mtblSub})
    EXPECT_TRUE(static_cast<bool>(t->BeforePost())) << t->Name();
  EXPECT_TRUE(static_cast<bool>(dm->mtblMain1->AfterOpen()));
  EXPECT_TRUE(static_cast<bool>(dm->mtblMain1->AfterPost()));
  EXPECT_TRUE(static_cast<bool>(dm->mtblMain1->BeforeDelete()));
}

TEST_F(Fano217Dm, HeaderAndListMetadataDescribeTheSame45Columns) {
  for (TCvTbField* meta : {dm->tbfldMain, dm->tbfldMain1}) {
    EXPECT_EQ(meta->TableName(), "TB_BILDA");
    EXPECT_EQ(meta->PKName(), "BILDA_ID");
    EXPECT_FALSE(meta->ActiveXml2Fields());
    ASSERT_EQ(meta->Count(), 45);
    EXPECT_EQ(meta->GetFKList(), "");
  }
  for (int i = 0; i < 45; ++i) {
    const TTbField* a = dm->tbfldMain->Items(i);
    const TTbField* b = dm->tbfldMain1->Items(i);
    EXPECT_EQ(a->FieldName(), b->FieldName());
    EXPECT_EQ(a->DataType(), b->DataType());
    EXPECT_EQ(a->NotNull(), b->NotNull());
    EXPECT_EQ(a->Visible(), b->Visible());
    EXPECT_EQ(a->IsJoin(), b->IsJoin());
    EXPECT_FALSE(a->ReadOnly());
    EXPECT_EQ(a->ButtonStyle(), gbsNone);
  }
  const TCvTbField* m = dm->tbfldMain;
  EXPECT_EQ(Names(m, &TTbField::Visible), (std::vector<std::string>{"BILDA002", "BILDA007C1", "BILDA006C1", "BILDA003"}));
  EXPECT_EQ(Names(m, &TTbField::IsKey), std::vector<std::string>{"BILDA_ID"});
  // Every code and name column is joined, and only those.
  for (int i = 0; i < m->Count(); ++i) {
    const std::string& n = m->Items(i)->FieldName();
    bool joined = n.size() == 10 && n.compare(0, 5, "BILDA") == 0 && n[8] == 'C';
    EXPECT_EQ(m->Items(i)->IsJoin(), joined) << n;
  }
  const TTbField* number = m->Items(0);
  EXPECT_EQ(number->DisplayLabel(), "垫付单号");
  EXPECT_EQ(number->DataType(), ftString);
  EXPECT_EQ(number->FieldWidth(), 16);
  EXPECT_EQ(number->DisplayWidth(), 15);
  const TTbField* remark = m->Items(13);
  EXPECT_EQ(remark->FieldName(), "BILDA011");
  EXPECT_EQ(remark->FieldWidth(), 255);
  EXPECT_TRUE(remark->NotNull());
  const TTbField* id = m->Items(4);
  EXPECT_EQ(id->DataType(), ftInteger);
  EXPECT_EQ(id->Alignment(), taRightJustify);
  EXPECT_EQ(m->Items(3)->DataType(), ftDate);
  EXPECT_EQ(m->Items(44)->FieldName(), "BILDA016C2");
  EXPECT_EQ(m->Items(44)->DisplayLabel(), "审核人");
  EXPECT_EQ(m->Items(29)->FieldName(), "FLAG");
  EXPECT_EQ(m->Items(29)->DataType(), ftInteger);
}

TEST_F(Fano217Dm, LineMetadataHasTheForeignKeyTheAmountAndTheCellButtons) {
  const TCvTbField* s = dm->tbfldSub;
  EXPECT_EQ(s->TableName(), "TB_BILDB");
  EXPECT_EQ(s->PKName(), "BILDB_ID");
  ASSERT_EQ(s->Count(), 22);
  EXPECT_EQ(s->GetFKList(), "TB_BILDA:BILDB001");
  EXPECT_EQ(Names(s, &TTbField::Visible),
            (std::vector<std::string>{"BILDB002C1", "BILDB003C1", "BILDB003C2", "BILDB004", "BILDB005C1", "BILDB006",
                                      "BILDB008", "BILDB010", "BILDB012"}));
  std::vector<std::string> buttons;
  for (int i = 0; i < s->Count(); ++i) {
    if (s->Items(i)->ButtonStyle() == gbsButton) buttons.push_back(s->Items(i)->FieldName());
    EXPECT_FALSE(static_cast<bool>(s->Items(i)->OnButtonClick));  // no handler bound
  }
  EXPECT_EQ(buttons, (std::vector<std::string>{"BILDB002C1", "BILDB003C1", "BILDB005C1"}));
  const TTbField* amount = s->Items(10);
  EXPECT_EQ(amount->FieldName(), "BILDB006");
  EXPECT_EQ(amount->DataType(), ftFloat);
  EXPECT_EQ(amount->NumPrec(), 2);
  EXPECT_EQ(amount->Alignment(), taRightJustify);
}

TEST_F(Fano217Dm, TheKeptXmlDescriptionRebuildsTheSameColumns) {
  TCvTbField copy(nullptr);
  copy.SetXML(dm->tbfldSub->XML());
  ASSERT_TRUE(copy.LoadFieldsFromXml());
  EXPECT_EQ(copy.TableName(), "TB_BILDB");
  EXPECT_EQ(copy.PKName(), "BILDB_ID");
  ASSERT_EQ(copy.Count(), dm->tbfldSub->Count());
  for (int i = 0; i < copy.Count(); ++i) {
    const TTbField* a = copy.Items(i);
    const TTbField* b = dm->tbfldSub->Items(i);
    EXPECT_EQ(a->FieldName(), b->FieldName());
    EXPECT_EQ(a->DisplayLabel(), b->DisplayLabel());
    EXPECT_EQ(a->DataType(), b->DataType()) << a->FieldName();
    EXPECT_EQ(a->DisplayWidth(), b->DisplayWidth());
    EXPECT_EQ(a->NotNull(), b->NotNull()) << a->FieldName();
    EXPECT_EQ(a->IsKey(), b->IsKey());
    if (a->DataType() == ftString) {
      EXPECT_EQ(a->FieldWidth(), b->FieldWidth()) << a->FieldName();
    }
  }
  TCvTbField head(nullptr);
  head.SetXML(dm->tbfldMain1->XML());
  ASSERT_TRUE(head.LoadFieldsFromXml());
  EXPECT_EQ(head.Count(), 45);
  EXPECT_EQ(head.Items(4)->FieldName(), "BILDA_ID");
  EXPECT_EQ(head.PKName(), "BILDA_ID");
}

TEST_F(Fano217Dm, PostingANewHeaderStampsItAndFollowsTheCheckBox) {
  BuildAll();
  check->SetChecked(true);
  dm->mtblMain->Append();
  dm->mtblMain->FieldByName("BILDA002")->SetAsString("FY0001");
  dm->mtblMain->Post();
  EXPECT_EQ(Str(dm->mtblMain, "BILDA013"), "1");
  EXPECT_EQ(Str(dm->mtblMain, "FLAG"), "0");
  EXPECT_EQ(Str(dm->mtblMain, "CREATE_USER"), "zhangsan");
  EXPECT_EQ(Str(dm->mtblMain, "USER_GROUP"), "财务组");
  EXPECT_DOUBLE_EQ(dm->mtblMain->FieldByName("CREATE_DATE")->AsDateTime(), EncodeDate(2024, 3, 5) + EncodeTime(9, 30, 0, 0));
  EXPECT_TRUE(dm->mtblMain->FieldByName("MODIFIER")->IsNull());
  EXPECT_EQ(dm->mtblMain->State(), dsBrowse);

  check->SetChecked(false);
  dm->mtblMain->Edit();
  dm->mtblMain->Post();
  EXPECT_EQ(Str(dm->mtblMain, "BILDA013"), "0");
}

TEST_F(Fano217Dm, PostingAListRowPutsTheHeaderIntoEditAndStampsTheListRow) {
  BuildAll();
  LoadDocument(11, "FY0011");
  check->SetChecked(true);
  ASSERT_EQ(Str(dm->mtblMain, "BILDA013"), "1");
  check->SetChecked(false);

  dm->mtblMain1->Edit();
  dm->mtblMain1->FieldByName("BILDA002")->SetAsString("FY0012");
  dm->mtblMain1->Post();
  // The header is left in edit with the flag of the check box.
  EXPECT_EQ(dm->mtblMain->State(), dsEdit);
  EXPECT_EQ(Str(dm->mtblMain, "BILDA013"), "0");
  EXPECT_TRUE(dm->mtblMain->FieldByName("FLAG")->IsNull());
  // The list row gets the flag and the modifier stamps.
  EXPECT_EQ(Str(dm->mtblMain1, "FLAG"), "0");
  EXPECT_EQ(Str(dm->mtblMain1, "MODIFIER"), "zhangsan");
  EXPECT_TRUE(dm->mtblMain1->FieldByName("CREATE_USER")->IsNull());
  EXPECT_EQ(Str(dm->mtblMain1, "BILDA013"), "1");  // its own column is not touched
  dm->mtblMain->Post();
  EXPECT_EQ(Str(dm->mtblMain, "MODIFIER"), "zhangsan");
}

TEST_F(Fano217Dm, PostingAListRowWithNoHeaderAddsNoHeaderRow) {
  BuildAll();
  dm->mtblMain1->Append();
  dm->mtblMain1->FieldByName("BILDA_ID")->SetAsInteger(3);
  dm->mtblMain1->Post();
  EXPECT_EQ(dm->mtblMain->RecordCount(), 0);
  EXPECT_EQ(dm->mtblMain->State(), dsBrowse);
  EXPECT_EQ(Str(dm->mtblMain1, "FLAG"), "0");
  EXPECT_EQ(Str(dm->mtblMain1, "CREATE_USER"), "zhangsan");
}

TEST_F(Fano217Dm, PostingANewLineStampsFlagAndCreator) {
  BuildAll();
  dm->mtblSub->Append();
  dm->mtblSub->FieldByName("BILDB006")->SetAsFloat(12.5);
  dm->mtblSub->Post();
  EXPECT_EQ(Str(dm->mtblSub, "FLAG"), "0");
  EXPECT_EQ(Str(dm->mtblSub, "CREATE_USER"), "zhangsan");
  EXPECT_EQ(Str(dm->mtblSub, "USER_GROUP"), "财务组");
  EXPECT_FALSE(dm->mtblSub->FieldByName("CREATE_DATE")->IsNull());
  EXPECT_TRUE(dm->mtblSub->FieldByName("MODIFIER")->IsNull());
  EXPECT_DOUBLE_EQ(dm->mtblSub->FieldByName("BILDB006")->AsFloat(), 12.5);
}

TEST_F(Fano217Dm, DeletingADocumentLogsTheHeaderOnceAndTheStoredLines) {
  BuildAll();
  LoadDocument(11, "FY0011");
  dm->mtblSub->SetBeforePost(nullptr);
  for (int id : {101, 102}) {
    dm->mtblSub->Append();
    dm->mtblSub->FieldByName("BILDB_ID")->SetAsInteger(id);
    dm->mtblSub->FieldByName("BILDB001")->SetAsInteger(11);
    dm->mtblSub->Post();
  }
  dm->mtblSub->MergeChangeLog();
  dm->mtblSub->Append();  // a line never stored with the host
  dm->mtblSub->Post();

  // The form's delete: header row, list row, then every line.
  dm->mtblMain->Delete();
  dm->mtblMain1->Delete();
  while (!dm->mtblSub->IsEmpty()) {
    dm->mtblSub->First();
    dm->mtblSub->Delete();
  }

  ASSERT_EQ(dm->mtblMainDelta->RecordCount(), 1);  // no empty row for the list's delete
  dm->mtblMainDelta->First();
  EXPECT_EQ(dm->mtblMainDelta->FieldByName("BILDA_ID")->AsInteger(), 11);
  EXPECT_EQ(Str(dm->mtblMainDelta, "BILDA002"), "FY0011");
  EXPECT_EQ(dm->mtblMainDelta1->RecordCount(), 0);
  EXPECT_EQ(dm->mtblMain1->RecordCount(), 0);
  ASSERT_EQ(dm->mtblSubDelta->RecordCount(), 2);
  dm->mtblSubDelta->First();
  EXPECT_EQ(dm->mtblSubDelta->FieldByName("BILDB_ID")->AsInteger(), 101);
  dm->mtblSubDelta->Next();
  EXPECT_EQ(dm->mtblSubDelta->FieldByName("BILDB_ID")->AsInteger(), 102);
}

TEST_F(Fano217Dm, DeletingAListRowLogsTheHeadersCurrentRow) {
  BuildAll();
  LoadDocument(11, "FY0011");
  // The list gains a second row; the header still shows document 11.
  dm->mtblMain1->SetBeforePost(nullptr);
  dm->mtblMain1->Append();
  dm->mtblMain1->FieldByName("BILDA_ID")->SetAsInteger(12);
  dm->mtblMain1->Post();
  dm->mtblMain1->MergeChangeLog();
  dm->mtblMain1->Delete();
  ASSERT_EQ(dm->mtblMainDelta->RecordCount(), 1);
  EXPECT_EQ(dm->mtblMainDelta->FieldByName("BILDA_ID")->AsInteger(), 11);
  EXPECT_EQ(dm->mtblMain->RecordCount(), 1);
}

TEST_F(Fano217Dm, WithoutACheckBoxTheCollectionFlagIsNo) {
  delete check;
  check = nullptr;
  BuildAll();
  dm->mtblMain->Append();
  dm->mtblMain->Post();
  EXPECT_EQ(Str(dm->mtblMain, "BILDA013"), "0");
}

}  // namespace
