// The expense advance form on a fake host: the line total, the fixed editors, and the save of a
// new document after a switch to editing and of a new line of a stored document.
#include <gtest/gtest.h>

#include <functional>

#include "controls/cvpagecontrol.h"
#include "controls/flatcheckbox.h"
#include "controls/flatpanel.h"
#include "documents/fano217/dmfano217.h"
#include "documents/fano217/frmfano217.h"
#include "editors/dbcombobox.h"
#include "editors/dbdatetime.h"
#include "editors/dbeditbase.h"
#include "grid/dbgrid.h"
#include "grid/inplaceedit.h"
#include "platform/db/fields.h"
#include "platform/forms/extctrls.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "shell_test_util.h"
#include "support/ui_fixture.h"

using namespace shelltest;

namespace {

class Fano217Form : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    host->SetReply(HM_OPENSESSION, ReplyDoc(0, "", "<rs typ=\"integer\">5</rs>"));
    host->SetReply(HM_CLOSESESSION, ReplyDoc(0));
    dialog = std::make_unique<TestDialog>();
    dialog->SetAnswer(HOST_BOX_YES);
    form = CreateForm<TfrmFano217>(nullptr);
    form->ActivateData();
    dm = form->Dm();
  }
  void TearDown() override {
    if (form) form->Free();
    dialog.reset();
    ShellTest::TearDown();
  }
  // A stored document as a load leaves it: header, list row and lines.
  void LoadStored(int id, std::initializer_list<double> amounts) {
    auto store = [](TMemTableGx* t) {
      auto before = t->BeforePost();
      t->SetBeforePost(nullptr);
      return before;
    };
    for (TMemTableGx* t : {dm->mtblMain, dm->mtblMain1}) {
      auto before = store(t);
      t->Append();
      t->FieldByName("BILDA_ID")->SetAsInteger(id);
      t->FieldByName("BILDA002")->SetAsString("FD" + std::to_string(id));
      t->Post();
      t->MergeChangeLog();
      t->SetBeforePost(before);
    }
    int line = id * 10;
    auto before = store(dm->mtblSub);
    for (double a : amounts) {
      dm->mtblSub->Append();
      dm->mtblSub->FieldByName("BILDB_ID")->SetAsInteger(++line);
      dm->mtblSub->FieldByName("BILDB001")->SetAsInteger(id);
      dm->mtblSub->FieldByName("BILDB006")->SetAsFloat(a);
      dm->mtblSub->Post();
    }
    dm->mtblSub->MergeChangeLog();
    dm->mtblSub->SetBeforePost(before);
  }
  // Every header field a save needs.
  void FillRequiredHeader() {
    TDataSet* h = dm->mtblMain;
    if (h->State() == dsBrowse) h->Edit();
    for (const char* name : {"BILDA001", "BILDA004", "BILDA005", "BILDA006", "BILDA009", "BILDA010"})
      h->FieldByName(name)->SetAsInteger(1);
    h->FieldByName("BILDA002")->SetAsString("FDNEW");
    h->FieldByName("BILDA003")->SetAsDateTime(45000);
    h->FieldByName("BILDA012")->SetAsString("1");
    h->FieldByName("BILDA018")->SetAsString("N");
  }
  std::string LastRequest() const {
    auto calls = host->CallsOf(HM_EXECCOMMAND);
    return calls.empty() ? std::string() : Utf16ToUtf8(calls.back()->Request.RequestXml);
  }

  std::unique_ptr<TestDialog> dialog;
  TfrmFano217* form = nullptr;
  TFano217DM* dm = nullptr;
};

TEST_F(Fano217Form, TheTotalSumsTheAmountsInTheShortestFloatForm) {
  form->UpdateTotalAmount();
  EXPECT_EQ(form->DBEditGx20->Text(), "0");  // no lines
  LoadStored(11, {12.5, 7.25});
  dm->mtblSub->First();
  form->UpdateTotalAmount();
  EXPECT_EQ(form->DBEditGx20->Text(), "19.75");
  EXPECT_EQ(dm->mtblSub->RecNo(), 1);  // back on the line it was on

  // An empty amount counts 0; a line being edited is posted first; binary fractions do not show.
  dm->mtblSub->Append();
  dm->mtblSub->Post();
  dm->mtblSub->Append();
  dm->mtblSub->FieldByName("BILDB006")->SetAsFloat(0.1);
  dm->mtblSub->Post();
  dm->mtblSub->Append();
  dm->mtblSub->FieldByName("BILDB006")->SetAsFloat(0.2);
  form->grdMainColExit(nullptr);
  EXPECT_EQ(dm->mtblSub->State(), dsBrowse);
  EXPECT_EQ(form->DBEditGx20->Text(), "20.05");

  // Amounts past the range of a fixed-point sum and below its decimals; the last line still being
  // edited when the column is left.
  struct Case {
    std::vector<double> amounts;
    const char* total;
  };
  for (const Case& c : std::vector<Case>{{{5e14, 5e14}, "1E15"},
                                         {{1e16}, "1E16"},
                                         {{12345678901234567.0}, "1.23456789012346E16"},
                                         {{0.00004}, "4E-5"},
                                         {{0.12345, 0.12345}, "0.2469"},
                                         {{1e16, 0.01, -1e16}, "0.01"}}) {
    SCOPED_TRACE(c.total);
    dm->mtblSub->EmptyTable();
    for (double a : c.amounts) {
      dm->mtblSub->Append();
      dm->mtblSub->FieldByName("BILDB006")->SetAsFloat(a);
    }
    EXPECT_NO_THROW(form->grdMainColExit(nullptr));
    EXPECT_EQ(form->DBEditGx20->Text(), c.total);
  }
}

TEST_F(Fano217Form, TheTotalOfManyAmountsShowsNoNoiseOfBinaryFractions) {
  // 2,000 two-decimal amounts whose floating-point sum shows noise in its last digits.
  std::vector<double> amounts;
  long long cents = 0;
  double floating = 0;
  for (int i = 0; i < 2000; ++i) {
    const int c = (i * 7919) % 99999 + 1;
    amounts.push_back(c / 100.0);
    cents += c;
    floating += c / 100.0;
  }
  std::string expected = std::to_string(cents / 100) + "." + std::to_string(cents % 100 / 10) + std::to_string(cents % 10);
  while (expected.back() == '0') expected.pop_back();
  if (expected.back() == '.') expected.pop_back();
  ASSERT_NE(FloatToStr(floating), expected) << "the amounts must show the noise of a floating-point sum";
  LoadStored(11, {});
  auto before = dm->mtblSub->BeforePost();
  dm->mtblSub->SetBeforePost(nullptr);
  for (double a : amounts) {
    dm->mtblSub->Append();
    dm->mtblSub->FieldByName("BILDB006")->SetAsFloat(a);
    dm->mtblSub->Post();
  }
  dm->mtblSub->SetBeforePost(before);
  form->UpdateTotalAmount();
  EXPECT_EQ(form->DBEditGx20->Text(), expected);
}

TEST_F(Fano217Form, ALineDeletedLeavesTheTotalAtOnce) {
  LoadStored(11, {12.5, 7.25, 1});
  form->UpdateTotalAmount();
  ASSERT_EQ(form->DBEditGx20->Text(), "20.75");
  form->DoUpdate();
  dm->mtblSub->Last();
  dm->mtblSub->Delete();  // as the grid's line delete does, without leaving the column
  EXPECT_EQ(form->DBEditGx20->Text(), "19.75");
  dm->mtblSub->First();
  dm->mtblSub->Delete();
  EXPECT_EQ(form->DBEditGx20->Text(), "7.25");
}

TEST_F(Fano217Form, NewAndUpdateKeepTheFixedEditorsReadOnly) {
  form->DoNew();
  EXPECT_EQ(form->EditState(), esNew);
  for (TCustomDBEditGx* e : std::initializer_list<TCustomDBEditGx*>{form->DBComboBoxGx2, form->DBEditGx3, form->DBEditGx13,
                                                                    form->DBDateTimeEditGx4, form->DBDateTimeEditGx5,
                                                                    form->DBEditGx20})
    EXPECT_TRUE(e->ReadOnly()) << e->Name();
  EXPECT_FALSE(form->DBEditGx16->ReadOnly());  // the rest of the header is editable
  // Defaults of a new header.
  EXPECT_EQ(dm->mtblMain->FieldByName("BILDA014")->AsInteger(), 7);
  EXPECT_EQ(dm->mtblMain->FieldByName("BILDA014C1")->AsString(), "zhangsan");
  EXPECT_EQ(dm->mtblMain->FieldByName("BILDA014C2")->AsString(), "张三");
  EXPECT_EQ(dm->mtblMain->FieldByName("BILDA018")->AsString(), "N");
  EXPECT_FALSE(form->grdAllView->Enabled());
  form->SetFixedEditorsReadOnly(false);
  EXPECT_FALSE(form->DBEditGx13->ReadOnly());
}

// 录入人 and 审核人 show their button, which has no action; the total under the lines is a flat
// editor like every other, in the scheme's editor colour.
TEST_F(Fano217Form, EntryAndAuditButtonsShowAndTheTotalTakesTheSchemesLook) {
  form->SetWindowState(wsNormal);
  form->SetBounds(0, 0, 1088, 676);
  form->Show();
  FanoPumpMessages();
  for (TDBEditGx* e : {form->DBEditGx3, form->DBEditGx13}) {
    ASSERT_EQ(e->EditButtons()->Count(), 1) << e->Name();
    EXPECT_TRUE(e->EditButtons()->Items(0)->Visible()) << e->Name();
    EXPECT_FALSE(static_cast<bool>(e->EditButtons()->Items(0)->OnClick)) << e->Name();
  }
  colors.EditorColor = 0x00D8ECF4;
  colors.EditorBorderColor = 0x00806040;
  colors.FocusedEditorColor = 0x00C0FFFF;
  SendMessage(form->Handle(), HM_COLORSCHEME, reinterpret_cast<WPARAM>(&colors), 0);
  FanoPumpMessages();
  TDBEditGx* total = form->DBEditGx20;
  TDBEditGx* name = form->DBEditGx2;  // a disabled editor of an ordinary field, for comparison
  for (TDBEditGx* e : {total, name}) {
    SCOPED_TRACE(e->Name());
    EXPECT_EQ(e->ColorFlat(), colors.EditorColor);
    EXPECT_EQ(e->ColorBorder(), colors.EditorBorderColor);
    EXPECT_EQ(e->ClientWidth(), e->Width() - 6);  // the three rings of the flat look
    EXPECT_EQ(uitest::PixelOf(e, e->ClientWidth() - 2, 1), colors.EditorColor);
  }
  uitest::WriteSnapshot(form, "fano217_scheme_total.png");
}

// The codes of the seven lookups are never stored as typed: their editors take no typing, and
// their buttons still ask the host.
TEST_F(Fano217Form, LookupCodesTakeNoTypingButTheirButtonsAsk) {
  form->Show();
  form->DoNew();
  for (TCustomDBEditGx* e : std::initializer_list<TCustomDBEditGx*>{form->DBEditGx1, form->DBEditGx4, form->DBEditGx6,
                                                                    form->DBEditGx9, form->DBEditGx10, form->DBEditGx18,
                                                                    form->DBEditGx5})
    EXPECT_TRUE(e->ReadOnly()) << e->Name();
  form->DBEditGx6->SetFocus();
  FanoPumpMessages();
  FanoInputText("HT9");
  FanoPumpMessages();
  form->DBEditGx16->SetFocus();
  FanoPumpMessages();
  EXPECT_TRUE(dm->mtblMain->FieldByName("BILDA008C1")->IsNull());
  EXPECT_EQ(form->DBEditGx6->Text(), "");
  const int before = host->Count(HM_LOOKUP);
  // The button still asks (under the window manager the user test presses it).
  bool handled = false;
  form->DBEditGx6->EditButtons()->Items(0)->Click(form->DBEditGx6, handled);
  FanoPumpMessages();
  EXPECT_EQ(host->Count(HM_LOOKUP), before + 1);
}

TEST_F(Fano217Form, ANewDocumentSavedAfterSwitchingToEditingIsAddedToTheList) {
  LoadStored(11, {5});
  ASSERT_EQ(dm->mtblMain1->RecordCount(), 1);
  form->DoNew();
  FillRequiredHeader();
  form->DoUpdate();  // state 1 now; the header is still the new one
  EXPECT_EQ(form->EditState(), esEditing);
  EXPECT_TRUE(form->NewNotListed());
  host->SetReply(HM_EXECCOMMAND,
                 ReplyDoc(0, "", "<rs typ=\"recordset\" tbname=\"TB_BILDA\"><rowid rn=\"1\" tbname=\"TB_BILDA\" id=\"77\"/></rs>"));
  form->DoSave();
  EXPECT_EQ(form->EditState(), esBrowse);
  EXPECT_TRUE(host->Messages().empty());
  // The line the new document started with was never typed in: it is not sent.
  EXPECT_EQ(LastRequest().find("<TB_BILDB"), std::string::npos) << LastRequest();
  EXPECT_EQ(dm->mtblSub->RecordCount(), 0);
  ASSERT_EQ(dm->mtblMain1->RecordCount(), 2);  // appended, the other document's row untouched
  dm->mtblMain1->First();
  EXPECT_EQ(dm->mtblMain1->FieldByName("BILDA_ID")->AsInteger(), 11);
  EXPECT_EQ(dm->mtblMain1->FieldByName("BILDA002")->AsString(), "FD11");
  dm->mtblMain1->Last();
  EXPECT_EQ(dm->mtblMain1->FieldByName("BILDA_ID")->AsInteger(), 77);  // the host's new id
  EXPECT_EQ(dm->mtblMain1->FieldByName("BILDA002")->AsString(), "FDNEW");
  EXPECT_EQ(dm->mtblMain->FieldByName("BILDA_ID")->AsInteger(), 77);
  EXPECT_FALSE(form->NewNotListed());
  EXPECT_TRUE(form->grdAllView->Enabled());
  EXPECT_EQ(dialog->LastText(), "保存成功！");
  EXPECT_EQ(dialog->LastFlags(), HOST_BOX_NOTICE);
}

// The line a new document starts with is left out of its save whether or not 修改 came between:
// straight after 新增 the save itself gives it up.
TEST_F(Fano217Form, TheUntouchedLineOfANewDocumentIsLeftOutOfItsSave) {
  for (const bool updateFirst : {false, true}) {
    SCOPED_TRACE(updateFirst ? "新增, 修改, 保存" : "新增, 保存");
    host->Clear();
    form->DoNew();
    ASSERT_EQ(dm->mtblSub->State(), dsInsert);  // the appended line, never typed in
    FillRequiredHeader();
    if (updateFirst) form->DoUpdate();
    host->SetReply(HM_EXECCOMMAND,
                   ReplyDoc(0, "", "<rs typ=\"recordset\" tbname=\"TB_BILDA\"><rowid rn=\"1\" tbname=\"TB_BILDA\" id=\"78\"/></rs>"));
    form->DoSave();
    const std::string request = LastRequest();
    ASSERT_NE(request.find("<TB_BILDA"), std::string::npos) << request;
    EXPECT_EQ(request.find("<TB_BILDB"), std::string::npos) << request;
    EXPECT_EQ(dm->mtblSub->RecordCount(), 0);
    EXPECT_EQ(form->EditState(), esBrowse);
    EXPECT_EQ(dialog->LastText(), "保存成功！");
  }
}

TEST_F(Fano217Form, NewLinesOfAStoredDocumentAreSentWithItsKey) {
  LoadStored(11, {5});
  form->SetEditState(esBrowse);
  form->DoUpdate();
  FillRequiredHeader();
  dm->mtblSub->Append();  // a new line: no header key of its own
  dm->mtblSub->FieldByName("BILDB006")->SetAsFloat(2.5);
  dm->mtblSub->Post();
  host->SetReply(HM_EXECCOMMAND,
                 ReplyDoc(0, "", "<rs typ=\"recordset\" tbname=\"TB_BILDB\"><rowid rn=\"2\" tbname=\"TB_BILDB\" id=\"900\"/></rs>"));
  form->DoSave();
  const std::string request = LastRequest();
  ASSERT_NE(request.find("<TB_BILDB op=\"1\""), std::string::npos) << request;
  EXPECT_EQ(request.find("BILDB001=\"\""), std::string::npos) << request;
  EXPECT_NE(request.find("BILDB001=\"11\""), std::string::npos) << request;
  dm->mtblSub->Last();
  EXPECT_EQ(dm->mtblSub->FieldByName("BILDB_ID")->AsInteger(), 900);
  EXPECT_EQ(dm->mtblSub->FieldByName("BILDB001")->AsInteger(), 11);
  EXPECT_EQ(dm->mtblSub->UpdateStatus(), usUnmodified);  // stored now
  EXPECT_EQ(dm->mtblMain1->RecordCount(), 1);  // the list row refreshed, not added
}

// A save whose reply names no new key: the document is found again in the host's list by its number,
// wherever it stands there, and that one is loaded.
TEST_F(Fano217Form, ADocumentSavedWithoutItsKeyIsLoadedAgainByItsNumber) {
  LoadStored(11, {5});
  form->DoNew();
  FillRequiredHeader();  // number FDNEW
  host->SetReply(HM_EXECCOMMAND, ReplyDoc(0));
  host->SetReply(HM_SEARCH, ReplyDoc(0, "", "<rs typ=\"recordset\" tbname=\"TB_BILDA\">"
                                            "<row fields=\"BILDA_ID:INTEGER:0:0 BILDA002:VARCHAR:16:0\" BILDA_ID=\"11\" BILDA002=\"FD11\"/>"
                                            "<row BILDA_ID=\"12\" BILDA002=\"FD12\"/>"
                                            "<row BILDA_ID=\"78\" BILDA002=\"FDNEW\"/></rs>"));
  form->DoSave();
  EXPECT_EQ(form->EditState(), esBrowse);
  EXPECT_EQ(dialog->LastText(), "保存成功！");
  ASSERT_EQ(dm->mtblMain1->RecordCount(), 3);
  EXPECT_EQ(dm->mtblMain1->FieldByName("BILDA002")->AsString(), "FDNEW");
  // The load that followed asked for that document.
  const std::string request = LastRequest();
  EXPECT_NE(request.find("<param typ=\"integer\">78</param>"), std::string::npos) << request;
}

TEST_F(Fano217Form, ARefusedSaveKeepsTheEditAndTheList) {
  LoadStored(11, {5});
  form->SetEditState(esBrowse);
  form->DoUpdate();
  FillRequiredHeader();
  host->SetReply(HM_EXECCOMMAND, ReplyDoc(-16, "bad change"));
  form->DoSave();
  EXPECT_EQ(form->EditState(), esEditing);
  EXPECT_EQ(dm->mtblMain1->FieldByName("BILDA002")->AsString(), "FD11");
  EXPECT_EQ(dm->mtblMain->FieldByName("BILDA002")->AsString(), "FDNEW");
  EXPECT_EQ(dm->mtblMain->UpdateStatus(), usModified);  // still pending
  EXPECT_EQ(host->Messages().back(), "bad change");
}

// A save, stored or refused, leaves the clerk on the line that was current (the save walks them all).
TEST_F(Fano217Form, ASaveLeavesTheLineThatWasCurrent) {
  LoadStored(11, {5, 7, 9});
  form->SetEditState(esBrowse);
  form->DoUpdate();
  FillRequiredHeader();
  dm->mtblSub->First();
  dm->mtblSub->Next();
  dm->mtblSub->Edit();
  dm->mtblSub->FieldByName("BILDB006")->SetAsFloat(8);
  for (const int code : {-16, 0}) {
    SCOPED_TRACE(code);
    host->SetReply(HM_EXECCOMMAND, ReplyDoc(code, code ? "bad change" : ""));
    form->DoSave();
    EXPECT_EQ(form->EditState(), code ? esEditing : esBrowse);
    EXPECT_EQ(dm->mtblSub->RecNo(), 2);
    EXPECT_EQ(dm->mtblSub->FieldByName("BILDB006")->AsFloat(), 8);
  }
}

// The collection tick is saved even when the header is no longer being edited, as after a save
// the host refused or a required field that was missing: the tick alone is the change.
TEST_F(Fano217Form, ATickAfterARefusedOrIncompleteSaveIsSaved) {
  struct Way {
    const char* name;
    std::function<void()> firstSave;
  };
  const Way ways[] = {
      {"保存 refused", [&] {
         host->SetReply(HM_EXECCOMMAND, ReplyDoc(-16, "bad change"));
         form->DoSave();
       }},
      {"保存 incomplete", [&] {
         dm->mtblMain->FieldByName("BILDA012")->Clear();
         form->DoSave();
         ASSERT_EQ(dialog->LastText(), "[垫付类型] 不得为空！");
         dm->mtblMain->Edit();
         dm->mtblMain->FieldByName("BILDA012")->SetAsString("1");
         dm->mtblMain->Post();
       }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    LoadStored(11 + static_cast<int>(&way - ways), {5});
    form->SetEditState(esBrowse);
    form->DBCheckBoxGx1->SetChecked(false);
    form->DoUpdate();
    FillRequiredHeader();
    way.firstSave();
    ASSERT_EQ(form->EditState(), esEditing);
    ASSERT_EQ(dm->mtblMain->State(), dsBrowse);
    form->DBCheckBoxGx1->SetChecked(true);
    host->SetReply(HM_EXECCOMMAND, ReplyDoc(0));
    form->DoSave();
    EXPECT_EQ(form->EditState(), esBrowse);
    EXPECT_NE(LastRequest().find("BILDA013=\"1\""), std::string::npos) << LastRequest();
    EXPECT_EQ(dm->mtblMain->FieldByName("BILDA013")->AsString(), "1");
    for (TMemTableGx* t : {dm->mtblMain, dm->mtblSub, dm->mtblMain1}) {
      t->EmptyTable();
      t->MergeChangeLog();
    }
  }
}

// A search gives up the open edit even when the host's search dialog is closed without a choice:
// what stays on screen is the stored document (or nothing, for a new one), never unsaved rows.
TEST_F(Fano217Form, ASearchWithoutAChoiceStillGivesUpTheEdit) {
  for (const bool isNew : {false, true}) {
    SCOPED_TRACE(isNew ? "新增" : "修改");
    LoadStored(11, {5, 7});
    form->SetEditState(esBrowse);
    if (isNew) {
      form->DoNew();
    } else {
      form->DoUpdate();
      dm->mtblMain->FieldByName("BILDA011")->SetAsString("已改");
      dm->mtblMain->Post();
      dm->mtblSub->First();
      dm->mtblSub->Delete();
      dm->mtblSub->Append();
    }
    dm->mtblSub->FieldByName("BILDB006")->SetAsFloat(3);
    dm->mtblSub->Post();
    host->SetReply(HM_SEARCH, "");
    form->DoSearch();
    EXPECT_EQ(form->EditState(), esBrowse);
    EXPECT_EQ(dm->mtblMain->RecordCount(), isNew ? 0 : 1);
    EXPECT_EQ(dm->mtblMain->FieldByName("BILDA011")->AsString(), "");
    EXPECT_EQ(dm->mtblSub->RecordCount(), isNew ? 0 : 2);
    EXPECT_EQ(form->DBEditGx20->Text(), isNew ? "0" : "12");
    for (TMemTableGx* t : {dm->mtblMain, dm->mtblSub, dm->mtblMain1}) {
      t->EmptyTable();
      t->MergeChangeLog();
    }
  }
}

// A cancel whose reload the host refuses still shows the stored lines, and their total.
TEST_F(Fano217Form, ACancelWhoseReloadIsRefusedTotalsTheStoredLines) {
  LoadStored(11, {5, 7});
  form->SetEditState(esBrowse);
  form->DoUpdate();
  dm->mtblSub->Append();
  dm->mtblSub->FieldByName("BILDB006")->SetAsFloat(3);
  dm->mtblSub->Post();
  form->UpdateTotalAmount();
  ASSERT_EQ(form->DBEditGx20->Text(), "15");
  host->SetReply(HM_EXECCOMMAND, ReplyDoc(-5, "no"));
  form->DoCancel();
  EXPECT_EQ(form->EditState(), esBrowse);
  EXPECT_EQ(dm->mtblSub->RecordCount(), 2);
  EXPECT_EQ(form->DBEditGx20->Text(), "12");
}

// A stored document being edited keeps the list locked, as a new one does: a stray click on the list
// would load another document over the typed change. Save, cancel and search unlock it; a refused
// save does not.
TEST_F(Fano217Form, TheListIsLockedWhileAStoredDocumentIsEdited) {
  LoadStored(11, {5});
  TMemTableGx* list = dm->mtblMain1;
  auto before = list->BeforePost();
  list->SetBeforePost(nullptr);
  list->Append();
  list->FieldByName("BILDA_ID")->SetAsInteger(12);
  list->FieldByName("BILDA002")->SetAsString("FD12");
  list->Post();
  list->MergeChangeLog();
  list->SetBeforePost(before);
  list->First();
  form->SetWindowState(wsNormal);
  form->SetBounds(0, 0, 1088, 676);
  form->Show();
  FanoPumpMessages();
  TDBGridGx* grid = form->grdAllView;
  const TRect second = grid->CellRect(grid->FixedCols(), grid->FixedRows() + 1);
  ASSERT_GT(second.Width(), 0);
  struct Way {
    const char* name;
    std::string reply;
    std::function<void()> leave;
    bool unlocks;
  };
  const std::string savedReply = ReplyDoc(0);
  const Way ways[] = {
      // A save the host refuses leaves the edit open, and the list locked with it.
      {"保存 refused", ReplyDoc(-16, "bad change"), [&] { form->DoSave(); }, false},
      {"保存", savedReply, [&] { form->DoSave(); }, true},
      {"取消", savedReply, [&] { form->DoCancel(); }, true},
      {"查询", savedReply, [&] { form->DoSearch(); }, true},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    list->First();
    form->SetEditState(esBrowse);
    form->DoUpdate();
    ASSERT_EQ(form->EditState(), esEditing);
    FillRequiredHeader();
    dm->mtblMain->FieldByName("BILDA011")->SetAsString("已改");
    EXPECT_FALSE(grid->Enabled());
    const int displays = host->Count(HM_EXECCOMMAND);
    uitest::ClickAt(grid, second.Left + 4, second.Top + 4);
    uitest::AdvanceAndPump(1000, 100);
    EXPECT_EQ(host->Count(HM_EXECCOMMAND), displays) << "the click loaded a document";
    EXPECT_EQ(list->FieldByName("BILDA_ID")->AsInteger(), 11);
    EXPECT_EQ(dm->mtblMain->FieldByName("BILDA011")->AsString(), "已改");
    EXPECT_EQ(form->EditState(), esEditing);
    host->SetReply(HM_EXECCOMMAND, way.reply);
    host->SetReply(HM_SEARCH, "");
    way.leave();
    EXPECT_EQ(form->EditState(), way.unlocks ? esBrowse : esEditing);
    EXPECT_EQ(grid->Enabled(), way.unlocks);
  }
}

// Joined texts of the lines are never stored: their cells take no typing. 预收单号, 费用代码 and
// 会计科目 show their ellipsis button, which has no action in this module.
TEST_F(Fano217Form, JoinedLineColumnsTakeNoTypingAndThreeShowTheirButtons) {
  TDBGridGx* grid = form->grdMain;
  int joined = 0;
  for (int i = 0; i < grid->Columns()->Count(); ++i) {
    TColumnGx* column = grid->Columns()->Items(i);
    if (!column->Visible()) continue;
    const bool isJoin = column->Field() && column->Field()->IsJoin();
    joined += isJoin;
    EXPECT_EQ(column->ReadOnly(), isJoin) << column->FieldName();
    const std::string name = column->FieldName();
    const bool button = name == "BILDB002C1" || name == "BILDB003C1" || name == "BILDB005C1";
    ASSERT_EQ(column->EditButtons()->Count(), button ? 1 : 0) << name;
    if (button) {
      EXPECT_EQ(column->EditButtons()->Items(0)->Style(), ebsEllipsisGx) << name;
    }
  }
  EXPECT_EQ(joined, 4);  // 预收单号, 费用代码, 费用名称, 会计科目

  LoadStored(11, {5});
  form->Show();
  form->DoUpdate();
  auto typeInto = [&](const char* field, const char* text) {
    grid->SetFocus();
    for (int i = 0; i < grid->Columns()->Count(); ++i)
      if (grid->Columns()->Items(i)->FieldName() == field) grid->SetCol(grid->DataToRawColumn(i));
    FanoPumpMessages();
    FanoInputText(text);
    FanoPumpMessages();
    FanoInputKey(VK_RETURN, TRUE);
    FanoInputKey(VK_RETURN, FALSE);
    FanoPumpMessages();
  };
  typeInto("BILDB002C1", "YS1");
  EXPECT_TRUE(dm->mtblSub->FieldByName("BILDB002C1")->IsNull());
  typeInto("BILDB008", "x");  // a stored text takes it
  EXPECT_EQ(dm->mtblSub->FieldByName("BILDB008")->AsString(), "x");
}

// In the stand-in host's window at its first size the form gets about 1088 x 676 pixels.
TEST_F(Fano217Form, AtTheUsualSizeTheListShowsItsFourColumnsWholeBesideAWholeHeader) {
  form->SetWindowState(wsNormal);
  form->SetBounds(0, 0, 1088, 676);
  form->Show();
  Application->ProcessMessages();
  TMemTableGx* list = dm->mtblMain1;
  auto before = list->BeforePost();
  list->SetBeforePost(nullptr);
  for (int i = 0; i < 40; ++i) {
    list->Append();
    list->FieldByName("BILDA_ID")->SetAsInteger(100 + i);
    list->FieldByName("BILDA002")->SetAsString("FD20240600" + std::to_string(10 + i));
    list->FieldByName("BILDA007C1")->SetAsString("B1-0" + std::to_string(i % 10));
    list->FieldByName("BILDA006C1")->SetAsString("SH000" + std::to_string(10 + i));
    list->FieldByName("BILDA003")->SetAsDateTime(45400 + i);
    list->Post();
  }
  list->SetBeforePost(before);
  list->First();
  form->FitListColumns();
  FanoPumpMessages();

  TDBGridGx* grid = form->grdAllView;
  TMeasureCanvas measure;
  int right = grid->IndicatorWidth() + 1;
  int shown = 0;
  for (int i = 0; i < grid->Columns()->Count(); ++i) {
    TColumnGx* column = grid->Columns()->Items(i);
    if (!column->Visible()) continue;
    ++shown;
    measure.Canvas()->Font()->Assign(column->Title()->Font());
    EXPECT_GT(column->Width(), measure.Canvas()->TextWidth(column->Title()->Caption()) + 2) << column->FieldName();
    measure.Canvas()->Font()->Assign(column->Font());
    for (list->First(); !list->Eof(); list->Next())
      EXPECT_GT(column->Width(), measure.Canvas()->TextWidth(column->Field()->DisplayText()) + 2) << column->FieldName();
    right += column->Width() + 1;
  }
  EXPECT_EQ(shown, 4);
  // Beside the vertical scroll bar, not under it.
  EXPECT_LE(right, grid->ClientWidth()) << "the list is " << grid->ClientWidth() << " pixels wide";
  EXPECT_EQ(grid->LeftCol(), grid->IndicatorOffset());
  // The header beside it is whole too.
  int headerRight = 0;
  for (int i = 0; i < form->pnlMain->ControlCount(); ++i) {
    TControl* control = form->pnlMain->Controls(i);
    if (control->Visible()) headerRight = std::max(headerRight, control->Left() + control->Width());
  }
  EXPECT_LE(headerRight, form->scrlbxMain->ClientWidth()) << form->ClientWidth() << " " << form->pnlLeft->Width() << " " << form->scrlbxMain->Width() << " " << form->pnlMain->Width();
}

TEST_F(Fano217Form, TheCheckBoxFollowsTheCollectionFlagOfTheLoad) {
  host->SetReply(HM_EXECCOMMAND,
                 ReplyDoc(0, "", "<rs typ=\"recordset\" tbname=\"TB_BILDA\"><row fields=\"BILDA_ID:INTEGER:0:0 BILDA013:VARCHAR:1:0\" "
                                 "BILDA_ID=\"3\" BILDA013=\"1\"/></rs>"));
  form->LoadDocument();
  EXPECT_TRUE(form->DBCheckBoxGx1->Checked());
  EXPECT_EQ(dm->mtblMain->FieldByName("BILDA_ID")->AsInteger(), 3);
  EXPECT_EQ(form->EditState(), esBrowse);
  // A flag of "0" unticks it; a reply without tables changes nothing but the state.
  host->SetReply(HM_EXECCOMMAND,
                 ReplyDoc(0, "", "<rs typ=\"recordset\" tbname=\"TB_BILDA\"><row fields=\"BILDA_ID:INTEGER:0:0 "
                                 "BILDA013:VARCHAR:1:0\" BILDA_ID=\"4\" BILDA013=\"0\"/></rs>"));
  form->LoadDocument();
  EXPECT_FALSE(form->DBCheckBoxGx1->Checked());
  form->DoUpdate();
  host->SetReply(HM_EXECCOMMAND, ReplyDoc(0));
  form->LoadDocument();
  EXPECT_EQ(form->EditState(), esBrowse);
  EXPECT_EQ(dm->mtblMain->FieldByName("BILDA_ID")->AsInteger(), 4);
}


// Made as small as 800 x 560, the form keeps its whole header within reach: the box of the header
// and lines scrolls sideways to the right column.
TEST_F(Fano217Form, ANarrowFormScrollsToTheRightColumnOfTheHeader) {
  form->SetWindowState(wsNormal);
  form->SetBounds(0, 0, 800, 560);
  form->Show();
  Application->ProcessMessages();
  TScrollBox* box = form->scrlbxMain;
  ASSERT_NE(box, nullptr);
  // The header field that reaches furthest right.
  TControl* last = nullptr;
  for (int i = 0; i < form->pnlMain->ControlCount(); ++i) {
    TControl* c = form->pnlMain->Controls(i);
    if (c->Visible() && (!last || c->Left() + c->Width() > last->Left() + last->Width())) last = c;
  }
  ASSERT_NE(last, nullptr);
  ASSERT_GT(last->Left() + last->Width(), box->ClientWidth()) << "the form is not narrower than its header";
  ASSERT_TRUE(box->HorzScrollBar()->IsScrollBarVisible()) << "the right column cannot be reached";
  box->HorzScrollBar()->SetPosition(box->HorzScrollBar()->Range());
  Application->ProcessMessages();
  TPoint right = box->ScreenToClient(last->Parent()->ClientToScreen(TPoint(last->Left() + last->Width(), 0)));
  EXPECT_LE(right.X, box->ClientWidth()) << "scrolled to the end, the last field is whole";
  EXPECT_GE(right.X - last->Width(), 0);
}


// Scrolled to the last line column in a small form, then maximised so wide that every column
// fits: the first columns show again.
TEST_F(Fano217Form, TheLinesShowTheirFirstColumnsAgainWhenTheFormGrowsToFitThemAll) {
  form->SetWindowState(wsNormal);
  form->SetBounds(0, 0, 800, 560);
  form->Show();
  Application->ProcessMessages();
  TDBGridGx* grid = form->grdMain;
  grid->SetFocus();
  Application->ProcessMessages();
  grid->SetCol(grid->ColCount() - 1);
  Application->ProcessMessages();
  ASSERT_GT(grid->LeftCol(), grid->FixedCols()) << "the small form's lines did not scroll";
  int all = 0;
  for (int c = 0; c < grid->ColCount(); ++c) all += grid->GetColWidths(c) + 1;
  form->SetBounds(0, 0, all + 400, 700);
  Application->ProcessMessages();
  ASSERT_GT(grid->ClientWidth(), all) << "the grown form is not wide enough for every column";
  EXPECT_EQ(grid->LeftCol(), grid->FixedCols()) << "first columns hidden although all fit";
}

// A clerk with an empty new line at the bottom of the lines clicks the second line: that line is
// current, not the one above it (the empty line goes when the record moves, and the lines below
// it do not move into the place clicked).
TEST_F(Fano217Form, AClickOnALineWhileAnEmptyNewLineIsAtTheBottomMakesThatLineCurrent) {
  LoadStored(11, {1, 2, 3});
  form->SetWindowState(wsNormal);
  form->SetBounds(0, 0, 1088, 676);
  form->Show();
  form->DoUpdate();
  FanoPumpMessages();
  TDBGridGx* grid = form->grdMain;
  TMemTableGx* lines = dm->mtblSub;
  auto clickLine = [&](int line) {
    const int row = grid->FixedRows() + line - 1;
    int col = grid->FixedCols();
    while (col < grid->ColCount() - 1 && grid->CellRect(col, row).Width() <= 0) ++col;
    const TRect r = grid->CellRect(col, row);
    ASSERT_GT(r.Width(), 0) << "no line cell shows";
    uitest::ClickAt(grid, r.Left + 4, r.Top + 4);
    uitest::AdvanceAndPump(1000, 100);  // the next press is no double click
  };
  auto appendEmptyLine = [&] {
    grid->SetFocus();
    lines->Last();
    FanoPumpMessages();
    uitest::KeyPress(VK_DOWN);
    ASSERT_EQ(lines->State(), dsInsert);
    ASSERT_EQ(lines->RecordCount(), 3);
  };
  ASSERT_NO_FATAL_FAILURE(appendEmptyLine());
  clickLine(2);
  EXPECT_EQ(lines->State(), dsBrowse);
  EXPECT_EQ(lines->RecordCount(), 3);
  EXPECT_EQ(lines->FieldByName("BILDB006")->AsFloat(), 2);
  // The same when the click comes from a header field: the focus enters the lines first.
  ASSERT_NO_FATAL_FAILURE(appendEmptyLine());
  form->DBEditGx16->SetFocus();
  FanoPumpMessages();
  clickLine(1);
  EXPECT_EQ(lines->RecordCount(), 3);
  EXPECT_EQ(lines->FieldByName("BILDB006")->AsFloat(), 1);
}

// Every Tab stop of the header, and the lines' tab after it, shows where the focus is: a caret in
// the field, or a look of its own that differs from its look without the focus.
TEST_F(Fano217Form, EveryTabStopOfTheHeaderShowsWhereTheFocusIs) {
  // The real fonts, for the snapshots people look at.
  FanoSetTestFont(FALSE);
  struct TestFontAgain {
    ~TestFontAgain() { FanoSetTestFont(TRUE); }
  } testFontAgain;
  form->SetWindowState(wsNormal);
  form->SetBounds(0, 0, 1088, 676);
  form->Show();
  form->DoNew();
  FanoPumpMessages();
  auto focused = [] { return dynamic_cast<TWinControl*>(FindControl(GetFocus())); };
  // What a control shows: its client area, or for the page control the tab of its active page.
  auto look = [](TWinControl* c) {
    TRect r = c->ClientRect();
    if (auto* pages = dynamic_cast<TCvPageControl*>(c)) r = pages->TabRectOfPage(pages->ActivePageIndex());
    std::vector<TColor> pixels;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) pixels.push_back(uitest::PixelOf(c, x, y));
    return pixels;
  };
  auto caretIn = [](TWinControl* c) {
    HWND top = nullptr;
    POINT spot{};
    if (!FanoGetImeSpot(&top, &spot)) return false;
    POINT screen = spot;
    ClientToScreen(top, &screen);
    const TPoint p = c->ScreenToClient(TPoint(screen.x, screen.y - 1));
    return p.X >= 0 && p.Y >= 0 && p.X <= c->ClientWidth() && p.Y <= c->ClientHeight();
  };
  // The first Tab stop of the header.
  TWinControl* first = nullptr;
  for (int i = 0; i < form->pnlMain->ControlCount(); ++i) {
    auto* c = dynamic_cast<TWinControl*>(form->pnlMain->Controls(i));
    if (c && c->TabStop() && c->CanFocus() && (!first || c->TabOrder() < first->TabOrder())) first = c;
  }
  ASSERT_NE(first, nullptr);
  first->SetFocus();
  FanoPumpMessages();
  std::vector<std::string> stops;
  bool reachedPages = false;
  for (int step = 0; step < 60 && !reachedPages; ++step) {
    TWinControl* c = focused();
    ASSERT_NE(c, nullptr) << "no control has the focus after " << step << " Tabs";
    if (c == form->grdMain || c->Parent() == form->grdMain) break;
    reachedPages = c == form->pgcntrl;
    const std::string name = c->Name().empty() ? c->ClassName() : c->Name();
    stops.push_back(name);
    const bool caret = caretIn(c);
    const std::vector<TColor> with = look(c);
    if (c == form->DBCheckBoxGx1) uitest::WriteSnapshot(form, "fano217_focus_check_box.png");
    if (c == form->pgcntrl) uitest::WriteSnapshot(form, "fano217_focus_lines_tab.png");
    uitest::KeyPress(VK_TAB);
    ASSERT_NE(focused(), c) << "Tab did not leave " << name;
    if (caret) continue;
    const std::vector<TColor> without = look(c);
    ASSERT_EQ(with.size(), without.size());
    // Pixels that change clearly (a lighter fill of a light box is no sign a person sees).
    auto light = [](TColor c) { return (c & 0xFF) * 3 + ((c >> 8) & 0xFF) * 6 + ((c >> 16) & 0xFF); };
    int changed = 0;
    for (size_t i = 0; i < with.size(); ++i) changed += std::abs(light(with[i]) - light(without[i])) >= 10 * 96;
    EXPECT_GE(changed, 12) << name << " shows no caret, and its look with the focus hardly differs from without";
  }
  EXPECT_TRUE(reachedPages) << "Tab from the header never reached the lines' tab";
  EXPECT_NE(std::find(stops.begin(), stops.end(), "DBCheckBoxGx1"), stops.end()) << "the check box is no Tab stop";
}

}  // namespace

// A changed amount posted by the append of a new line counts, and the untouched new line stays.
TEST_F(Fano217Form, TheTotalCountsALinePostedByTheAppendOfAnUntouchedOne) {
  LoadStored(11, {12.5, 7.25});
  form->UpdateTotalAmount();
  form->DoUpdate();
  dm->mtblSub->First();
  if (dm->mtblSub->State() == dsBrowse) dm->mtblSub->Edit();
  dm->mtblSub->FieldByName("BILDB006")->SetAsFloat(20);
  dm->mtblSub->Append();
  form->grdMainColExit(nullptr);
  EXPECT_EQ(dm->mtblSub->State(), dsInsert);
  EXPECT_EQ(form->DBEditGx20->Text(), "27.25");
}

// Each editor's button asks its view and copies the chosen record's fields into the header;
// browsing refuses, and a refused lookup leaves the header as it was.
TEST_F(Fano217Form, TheSevenLookupsCopyTheirFieldsIntoTheHeader) {
  using Click = void (TfrmFano217::*)(TObject*, bool&);
  struct Case {
    Click click;
    const char* view;
    const char* row;  // the reply row: its fields and values
    std::vector<std::pair<const char*, const char*>> header;
  };
  const std::vector<Case> cases = {
      {&TfrmFano217::DBEditGx1EditButtons0Click, "vh_pubfa",
       "fields=\"PUBFA_ID:NUMBER:38:0 PUBFA001:VARCHAR2:20:0 PUBFA002:VARCHAR2:40:0\" PUBFA_ID=\"3\" "
       "PUBFA001=\"FD\" PUBFA002=\"费用垫付\"",
       {{"BILDA001", "3"}, {"BILDA001C1", "FD"}, {"BILDA001C2", "费用垫付"}}},
      {&TfrmFano217::DBEditGx4EditButtons0Click, "vh_pubgo",
       "fields=\"PUBGO_ID:NUMBER:38:0 PUBGO001:VARCHAR2:20:0 PUBGO003:VARCHAR2:40:0\" PUBGO_ID=\"17\" "
       "PUBGO001=\"SH01\" PUBGO003=\"百货商户\"",
       {{"BILDA006", "17"}, {"BILDA006C1", "SH01"}, {"BILDA006C2", "百货商户"}}},
      {&TfrmFano217::DBEditGx6EditButtons0Click, "vh_conbe",
       "fields=\"CONBE_ID:NUMBER:38:0 CONBE003:VARCHAR2:20:0\" CONBE_ID=\"8\" CONBE003=\"HT9\"",
       {{"BILDA008", "8"}, {"BILDA008C1", "HT9"}}},
      {&TfrmFano217::DBEditGx9EditButtons0Click, "vh_pubig_t1",
       "fields=\"PUBIG_ID:NUMBER:38:0 PUBIG003:VARCHAR2:20:0 PUBIG004:VARCHAR2:40:0\" PUBIG_ID=\"4\" "
       "PUBIG003=\"A-01\" PUBIG004=\"一号摊位\"",
       {{"BILDA007", "4"}, {"BILDA007C1", "A-01"}, {"BILDA007C2", "一号摊位"}}},
      {&TfrmFano217::DBEditGx10EditButtons0Click, "vh_pubcb",
       "fields=\"PUBCB_ID:NUMBER:38:0 PUBCB001:VARCHAR2:20:0 PUBCB002:VARCHAR2:40:0 PUBCB005:NUMBER:38:0\" "
       "PUBCB_ID=\"5\" PUBCB001=\"YY01\" PUBCB002=\"营运一部\" PUBCB005=\"2\"",
       {{"BILDA005", "5"}, {"BILDA005C1", "YY01"}, {"BILDA005C2", "营运一部"}, {"BILDA004", "2"}}},
      // An organisation without a company: company id 0.
      {&TfrmFano217::DBEditGx10EditButtons0Click, "vh_pubcb",
       "fields=\"PUBCB_ID:NUMBER:38:0 PUBCB001:VARCHAR2:20:0 PUBCB002:VARCHAR2:40:0 PUBCB005:NUMBER:38:0\" "
       "PUBCB_ID=\"7\" PUBCB001=\"YY02\" PUBCB002=\"营运二部\"",
       {{"BILDA005", "7"}, {"BILDA005C1", "YY02"}, {"BILDA005C2", "营运二部"}, {"BILDA004", "0"}}},
      {&TfrmFano217::DBEditGx18EditButtons0Click, "vh_pubcc",
       "fields=\"PUBCC_ID:NUMBER:38:0 PUBCC001:VARCHAR2:20:0 PUBCC002:VARCHAR2:40:0\" PUBCC_ID=\"6\" "
       "PUBCC001=\"BM1\" PUBCC002=\"财务部\"",
       {{"BILDA009", "6"}, {"BILDA009C1", "BM1"}, {"BILDA009C2", "财务部"}}},
      {&TfrmFano217::DBEditGx5EditButtons0Click, "vh_pubcd",
       "fields=\"PUBCD_ID:NUMBER:38:0 PUBCD002:VARCHAR2:20:0 PUBCD003:VARCHAR2:40:0\" PUBCD_ID=\"9\" "
       "PUBCD002=\"Z01\" PUBCD003=\"李四\"",
       {{"BILDA010", "9"}, {"BILDA010C1", "Z01"}, {"BILDA010C2", "李四"}}},
  };
  bool handled = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.view);
    host->SetReply(HM_LOOKUP, ReplyDoc(0, "", std::string("<rs typ=\"recordset\" tbname=\"") + c.view + "\"><r " +
                                                  c.row + "/></rs>"));
    // Browsing: the notice only.
    const int asked = host->Count(HM_LOOKUP);
    (form->*c.click)(nullptr, handled);
    EXPECT_EQ(host->Count(HM_LOOKUP), asked);
    EXPECT_EQ(dialog->LastText(), "浏览状态无法查询！");
    EXPECT_EQ(dialog->LastCaption(), "提示：");
    EXPECT_EQ(dialog->LastFlags(), 1);
    form->DoNew();
    ASSERT_EQ(form->EditState(), esNew);
    (form->*c.click)(nullptr, handled);
    ASSERT_EQ(host->Count(HM_LOOKUP), asked + 1);
    const HostCall* call = host->CallsOf(HM_LOOKUP).back();
    EXPECT_EQ(Utf16ToUtf8(call->Request.FunctionName), c.view);
    if (std::string(c.view) == "vh_pubig_t1") {
      EXPECT_EQ(call->ArgNames, std::vector<std::string>{"arg"});
      EXPECT_EQ(call->ArgValues, std::vector<std::string>{"0"});  // no merchant yet
    } else {
      EXPECT_TRUE(call->ArgNames.empty());
    }
    for (const auto& [field, value] : c.header)
      EXPECT_EQ(dm->mtblMain->FieldByName(field)->AsString(), value) << field;
    // A host error leaves the header as it is.
    host->SetReply(HM_LOOKUP, ReplyDoc(1, "无此视图"));
    (form->*c.click)(nullptr, handled);
    for (const auto& [field, value] : c.header)
      EXPECT_EQ(dm->mtblMain->FieldByName(field)->AsString(), value) << field;
    form->DoCancel();
    ASSERT_EQ(form->EditState(), esBrowse);
  }
}

// A chosen record whose id the header cannot take raises before anything is copied: the header
// never holds the new code beside the old id.
TEST_F(Fano217Form, ALookupWhoseIdCannotBeCopiedLeavesTheHeaderWhole) {
  const char* const rows[] = {
      "fields=\"PUBFA_ID:NUMBER:38:0 PUBFA001:VARCHAR2:20:0 PUBFA002:VARCHAR2:40:0\" PUBFA_ID=\"5000000000\"",
      "fields=\"PUBFA_ID:VARCHAR2:20:0 PUBFA001:VARCHAR2:20:0 PUBFA002:VARCHAR2:40:0\" PUBFA_ID=\"abc\"",
      "fields=\"PUBFA001:VARCHAR2:20:0 PUBFA002:VARCHAR2:40:0\""};
  form->DoNew();
  TDataSet* header = dm->mtblMain;
  header->FieldByName("BILDA001")->SetAsInteger(3);
  header->FieldByName("BILDA001C1")->SetAsString("FD");
  bool handled = false;
  for (const char* row : rows) {
    SCOPED_TRACE(row);
    host->SetReply(HM_LOOKUP, ReplyDoc(0, "", std::string("<rs typ=\"recordset\" tbname=\"vh_pubfa\"><r ") + row +
                                                  " PUBFA001=\"QT\" PUBFA002=\"其他\"/></rs>"));
    EXPECT_ANY_THROW(form->DBEditGx1EditButtons0Click(nullptr, handled));
    EXPECT_EQ(header->FieldByName("BILDA001")->AsInteger(), 3);
    EXPECT_EQ(header->FieldByName("BILDA001C1")->AsString(), "FD");
    EXPECT_TRUE(header->FieldByName("BILDA001C2")->IsNull());
  }
}
