#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/db/datasource.h"
#include "platform/db/dbconsts.h"
#include "platform/rtl/exceptions.h"
#include "platform/db/testdataset.h"

namespace {

std::string Join(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& e : v) s += (s.empty() ? "" : " ") + e;
  return s;
}

class DataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = std::make_unique<TComponent>(nullptr);
    ds = new TTestDataSet(owner.get());
    ds->SetName("tblDocs");
    ds->FieldDefs().Add("ID", ftInteger);
    ds->FieldDefs().Add("NAME", ftString, 10);
    ds->FieldDefs().Add("AMOUNT", ftFloat);
  }
  void Fill(int n) {
    for (int i = 1; i <= n; ++i) ds->AddRow({i, "row" + std::to_string(i), i * 1.5});
  }
  // Records every event of the dataset into `log`.
  void Watch() {
    auto add = [this](const char* name) { return [this, name](TDataSet*) { log.push_back(name); }; };
    ds->SetBeforeInsert(add("BeforeInsert"));
    ds->SetAfterInsert(add("AfterInsert"));
    ds->SetBeforeEdit(add("BeforeEdit"));
    ds->SetAfterEdit(add("AfterEdit"));
    ds->SetBeforePost(add("BeforePost"));
    ds->SetAfterPost(add("AfterPost"));
    ds->SetBeforeCancel(add("BeforeCancel"));
    ds->SetAfterCancel(add("AfterCancel"));
    ds->SetBeforeDelete(add("BeforeDelete"));
    ds->SetAfterDelete(add("AfterDelete"));
    ds->SetBeforeScroll(add("BeforeScroll"));
    ds->SetAfterScroll(add("AfterScroll"));
    ds->SetOnNewRecord(add("OnNewRecord"));
  }
  int Id() { return ds->FieldByName("ID")->AsInteger(); }

  std::unique_ptr<TComponent> owner;
  TTestDataSet* ds = nullptr;
  std::vector<std::string> log;
};

TEST_F(DataSetTest, OpenMakesDefaultFieldsAndCloseDropsThem) {
  Fill(3);
  std::vector<std::string> events;
  ds->SetBeforeOpen([&](TDataSet*) { events.push_back("BeforeOpen"); });
  ds->SetAfterOpen([&](TDataSet*) { events.push_back("AfterOpen"); });
  ds->SetAfterScroll([&](TDataSet*) { events.push_back("AfterScroll"); });
  ds->SetBeforeClose([&](TDataSet*) { events.push_back("BeforeClose"); });
  ds->SetAfterClose([&](TDataSet*) { events.push_back("AfterClose"); });
  ds->Open();
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_TRUE(ds->DefaultFields());
  ASSERT_EQ(ds->FieldCount(), 3);
  EXPECT_EQ(ds->Fields()[1]->ClassName(), "TStringField");
  EXPECT_EQ(ds->FieldByName("name")->FieldNo(), 2);
  EXPECT_TRUE(ds->Bof());
  EXPECT_FALSE(ds->Eof());
  EXPECT_EQ(Id(), 1);
  ds->Close();
  EXPECT_EQ(ds->FieldCount(), 0);
  EXPECT_EQ(ds->Allocated(), 0);
  EXPECT_EQ(Join(events), "BeforeOpen AfterOpen AfterScroll BeforeClose AfterClose");
}

TEST_F(DataSetTest, EmptyDatasetIsBofAndEof) {
  ds->Open();
  EXPECT_TRUE(ds->IsEmpty());
  EXPECT_TRUE(ds->Bof());
  EXPECT_TRUE(ds->Eof());
  EXPECT_TRUE(ds->FieldByName("ID")->IsNull());
  EXPECT_EQ(ds->MoveBy(1), 0);
}

TEST_F(DataSetTest, NavigationSetsBofAndEof) {
  Fill(5);
  ds->Open();
  ds->Next();
  ds->Next();
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(ds->RecNo(), 3);
  ds->Last();
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(Id(), 5);
  ds->Prior();
  EXPECT_FALSE(ds->Eof());
  EXPECT_EQ(Id(), 4);
  EXPECT_EQ(ds->MoveBy(10), 1);
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(ds->MoveBy(-10), -4);
  EXPECT_TRUE(ds->Bof());
  EXPECT_EQ(Id(), 1);
  ds->SetRecNo(4);
  EXPECT_EQ(Id(), 4);
  ds->SetRecNo(0);  // out of range: nothing
  EXPECT_EQ(Id(), 4);
  EXPECT_EQ(ds->RecordCount(), 5);
}

TEST_F(DataSetTest, PostOfEditRunsEventsInOrder) {
  Fill(3);
  ds->Open();
  Watch();
  ds->Next();
  log.clear();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("changed");
  ds->Post();
  EXPECT_EQ(Join(log), "BeforeEdit AfterEdit BeforePost AfterPost");
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->Rows()[1].Values[1].AsString(), "changed");
  EXPECT_EQ(Id(), 2);
}

TEST_F(DataSetTest, CancelOfEditRestoresValuesAndRunsEvents) {
  Fill(3);
  ds->Open();
  Watch();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("zzz");
  EXPECT_TRUE(ds->Modified());
  ds->Cancel();
  EXPECT_EQ(Join(log), "BeforeEdit AfterEdit BeforeCancel AfterCancel");
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "row1");
  EXPECT_FALSE(ds->Modified());
}

TEST_F(DataSetTest, InsertPostAndCancel) {
  Fill(3);
  ds->Open();
  Watch();
  ds->Next();  // on row 2
  log.clear();
  ds->Insert();
  EXPECT_EQ(ds->State(), dsInsert);
  EXPECT_FALSE(ds->Eof());
  EXPECT_TRUE(ds->FieldByName("ID")->IsNull());
  ds->FieldByName("ID")->SetAsInteger(10);
  ds->Post();
  EXPECT_EQ(Join(log), "BeforeInsert BeforeScroll OnNewRecord AfterInsert AfterScroll BeforePost AfterPost");
  ASSERT_EQ(ds->Rows().size(), 4u);
  EXPECT_EQ(ds->Rows()[1].Values[0].AsInteger(), 10);  // inserted before row 2
  EXPECT_EQ(Id(), 10);

  log.clear();
  ds->Insert();
  ds->FieldByName("ID")->SetAsInteger(11);
  ds->Cancel();
  // Cancelling moves back to the record the insert left, with scroll events as the insert had.
  EXPECT_EQ(Join(log),
            "BeforeInsert BeforeScroll OnNewRecord AfterInsert AfterScroll BeforeCancel BeforeScroll AfterCancel "
            "AfterScroll");
  EXPECT_EQ(ds->Rows().size(), 4u);
  EXPECT_EQ(Id(), 10);
}

TEST_F(DataSetTest, AppendIsAtEofAndAddsAtTheEnd) {
  Fill(3);
  ds->Open();
  ds->Append();
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(ds->State(), dsInsert);
  ds->FieldByName("ID")->SetAsInteger(99);
  ds->Post();
  EXPECT_EQ(ds->Rows().back().Values[0].AsInteger(), 99);
  EXPECT_EQ(Id(), 99);
  // Append into an empty dataset too.
  TTestDataSet empty;
  empty.FieldDefs().Add("X", ftInteger);
  empty.Open();
  empty.Append();
  EXPECT_TRUE(empty.Eof());
  empty.Cancel();
  EXPECT_TRUE(empty.IsEmpty());
}

TEST_F(DataSetTest, EditIsNoOpWhileInserting) {
  Fill(2);
  ds->Open();
  ds->Insert();
  ds->FieldByName("ID")->SetAsInteger(7);
  ds->Edit();
  EXPECT_EQ(ds->State(), dsInsert);
  EXPECT_EQ(Id(), 7);
  ds->Cancel();
}

TEST_F(DataSetTest, EditOfEmptyDatasetInserts) {
  ds->Open();
  ds->Edit();
  EXPECT_EQ(ds->State(), dsInsert);
  ds->Cancel();
}

TEST_F(DataSetTest, DeleteRunsEventsAndMovesToNext) {
  Fill(3);
  ds->Open();
  Watch();
  ds->Next();
  log.clear();
  ds->Delete();
  EXPECT_EQ(Join(log), "BeforeDelete BeforeScroll AfterDelete AfterScroll");
  EXPECT_EQ(ds->Rows().size(), 2u);
  EXPECT_EQ(Id(), 3);
  ds->Delete();  // the last row: the cursor goes back to the new last row
  EXPECT_EQ(Id(), 1);
}

TEST_F(DataSetTest, ExceptionInBeforeDeleteLeavesData) {
  Fill(3);
  ds->Open();
  ds->Next();
  ds->SetBeforeDelete([](TDataSet*) { throw EAbort(); });
  EXPECT_THROW(ds->Delete(), EAbort);
  EXPECT_EQ(ds->Rows().size(), 3u);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(Id(), 2);
}

TEST_F(DataSetTest, ExceptionInBeforePostKeepsTheEdit) {
  Fill(2);
  ds->Open();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("new");
  ds->SetBeforePost([](TDataSet*) { throw EDatabaseError("no"); });
  EXPECT_THROW(ds->Post(), EDatabaseError);
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(ds->Rows()[0].Values[1].AsString(), "row1");
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "new");
  ds->SetBeforePost(nullptr);
  ds->Post();
  EXPECT_EQ(ds->Rows()[0].Values[1].AsString(), "new");
}

TEST_F(DataSetTest, ExceptionInBeforeInsertAndBeforeEditChangesNothing) {
  Fill(2);
  ds->Open();
  ds->SetBeforeInsert([](TDataSet*) { throw EAbort(); });
  ds->SetBeforeEdit([](TDataSet*) { throw EAbort(); });
  EXPECT_THROW(ds->Append(), EAbort);
  EXPECT_THROW(ds->Edit(), EAbort);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(Id(), 1);
}

TEST_F(DataSetTest, ErrorInOnNewRecordReturnsToBrowse) {
  Fill(2);
  ds->Open();
  ds->SetOnNewRecord([](TDataSet*) { throw EDatabaseError("bad default"); });
  EXPECT_THROW(ds->Insert(), EDatabaseError);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(ds->Rows().size(), 2u);
  ds->Next();
  EXPECT_EQ(Id(), 2);
}

TEST_F(DataSetTest, PostErrorHandlerMayRetryOrAbort) {
  Fill(1);
  ds->Open();
  ds->FieldByName("NAME")->SetRequired(true);
  ds->Edit();
  ds->FieldByName("NAME")->Clear();
  int calls = 0;
  ds->SetOnPostError([&](TDataSet* d, EDatabaseError& e, TDataAction& action) {
    ++calls;
    EXPECT_EQ(e.Message(), "tblDocs: Field 'NAME' must have a value");
    d->FieldByName("NAME")->SetAsString("fixed");
    action = daRetry;
  });
  ds->Post();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(ds->Rows()[0].Values[1].AsString(), "fixed");
  ds->Edit();
  ds->FieldByName("NAME")->Clear();
  ds->SetOnPostError([](TDataSet*, EDatabaseError&, TDataAction& action) { action = daAbort; });
  EXPECT_THROW(ds->Post(), EAbort);
  EXPECT_EQ(ds->State(), dsEdit);
  ds->Cancel();
}

TEST_F(DataSetTest, CheckBrowseModePostsModifiedAndCancelsUntouched) {
  Fill(2);
  ds->Open();
  Watch();
  ds->Edit();
  ds->CheckBrowseMode();
  EXPECT_EQ(Join(log), "BeforeEdit AfterEdit BeforeCancel AfterCancel");
  log.clear();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("x");
  ds->Next();  // moving settles the edit first
  EXPECT_EQ(Join(log), "BeforeEdit AfterEdit BeforePost AfterPost BeforeScroll AfterScroll");
  EXPECT_EQ(ds->Rows()[0].Values[1].AsString(), "x");
}

TEST_F(DataSetTest, ErrorTextsCarryTheComponentName) {
  Fill(1);
  try {
    ds->First();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "tblDocs: Cannot perform this operation on a closed dataset");
  }
  ds->Open();
  try {
    ds->FieldByName("NOPE");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "tblDocs: Field 'NOPE' not found");
  }
  try {
    ds->FieldByName("NAME")->SetAsString("x");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "tblDocs: Dataset not in edit or insert mode");
  }
  try {
    ds->Post();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "tblDocs: Dataset not in edit or insert mode");
  }
  TTestDataSet unnamed;
  unnamed.FieldDefs().Add("A", ftInteger);
  try {
    unnamed.FieldByName("B");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'B' not found");
  }
  ds->SetReadOnly(true);
  try {
    ds->Edit();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "tblDocs: Cannot modify a read-only dataset");
  }
}

TEST_F(DataSetTest, DeleteOfEmptyDatasetRaises) {
  ds->Open();
  try {
    ds->Delete();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "tblDocs: Cannot perform this operation on an empty dataset");
  }
}

TEST_F(DataSetTest, FieldValuesTakeSeveralNames) {
  Fill(2);
  ds->Open();
  Variant v = ds->FieldValues("ID;NAME");
  ASSERT_TRUE(v.IsArray());
  EXPECT_EQ(v[0].AsInteger(), 1);
  EXPECT_EQ(v[1].AsString(), "row1");
  EXPECT_EQ(ds->FieldValues("NAME").AsString(), "row1");
  ds->Edit();
  ds->SetFieldValues("ID; NAME", Variant::ArrayOf({5, "five"}));
  ds->Post();
  EXPECT_EQ(Id(), 5);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "five");
  EXPECT_THROW(ds->FieldValues("ID;MISSING"), EDatabaseError);
}

TEST_F(DataSetTest, LocateHonoursOptionsAndKeepsPositionOnMiss) {
  ds->AddRow({1, "Apple", 1.0});
  ds->AddRow({2, "banana", 2.0});
  ds->AddRow({3, "Cherry", 3.0});
  ds->Open();
  std::vector<std::string> scrolls;
  ds->SetAfterScroll([&](TDataSet*) { scrolls.push_back("scroll"); });
  EXPECT_FALSE(ds->Locate("NAME", "BANANA", {}));
  EXPECT_EQ(Id(), 1);
  EXPECT_TRUE(scrolls.empty());
  EXPECT_TRUE(ds->Locate("NAME", "BANANA", {loCaseInsensitive}));
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(scrolls.size(), 1u);
  EXPECT_FALSE(ds->Locate("NAME", "Che", {}));
  EXPECT_TRUE(ds->Locate("NAME", "Che", {loPartialKey}));
  EXPECT_EQ(Id(), 3);
  EXPECT_TRUE(ds->Locate("ID;NAME", Variant::ArrayOf({1, "Apple"}), {}));
  EXPECT_EQ(Id(), 1);
  EXPECT_FALSE(ds->Locate("ID;NAME", Variant::ArrayOf({1, "Cherry"}), {}));
  EXPECT_EQ(Id(), 1);
  EXPECT_TRUE(ds->Locate("AMOUNT", 3, {}));  // numbers compare as values
  EXPECT_EQ(Id(), 3);
}

TEST_F(DataSetTest, LookupDoesNotMove) {
  Fill(3);
  ds->Open();
  Variant v = ds->Lookup("ID", 3, "NAME;AMOUNT");
  ASSERT_TRUE(v.IsArray());
  EXPECT_EQ(v[0].AsString(), "row3");
  EXPECT_DOUBLE_EQ(v[1].AsDouble(), 4.5);
  EXPECT_EQ(Id(), 1);
  EXPECT_TRUE(ds->Lookup("ID", 42, "NAME").IsNull());
}

TEST_F(DataSetTest, BookmarksFindTheirRecord) {
  Fill(5);
  ds->Open();
  ds->MoveBy(3);
  TBookmark bm = ds->GetBookmark();
  ASSERT_EQ(bm.size(), 4u);
  TBookmarkStr str = ds->Bookmark();
  ds->First();
  ds->GotoBookmark(bm);
  EXPECT_EQ(Id(), 4);
  ds->First();
  ds->SetBookmark(str);
  EXPECT_EQ(Id(), 4);
  EXPECT_TRUE(ds->BookmarkValid(bm));
  ds->First();
  TBookmark first = ds->GetBookmark();
  EXPECT_LT(ds->CompareBookmarks(first, bm), 0);
  EXPECT_GT(ds->CompareBookmarks(bm, first), 0);
  EXPECT_EQ(ds->CompareBookmarks({}, {}), 0);
  EXPECT_LT(ds->CompareBookmarks({}, bm), 0);
  // The bookmark of a new record is not available.
  ds->Insert();
  EXPECT_TRUE(ds->GetBookmark().empty());
  ds->Cancel();
  // A deleted record's bookmark is no longer valid and going there raises.
  ds->GotoBookmark(bm);
  ds->Delete();
  EXPECT_FALSE(ds->BookmarkValid(bm));
  EXPECT_THROW(ds->GotoBookmark(bm), EDatabaseError);
}

TEST_F(DataSetTest, FilterRecordHidesRows) {
  Fill(6);
  ds->SetOnFilterRecord([](TDataSet* d, bool& accept) { accept = d->FieldByName("ID")->AsInteger() % 2 == 0; });
  ds->Open();
  EXPECT_EQ(Id(), 1);  // not filtered yet
  ds->SetFiltered(true);
  EXPECT_EQ(Id(), 2);
  std::vector<int> seen;
  while (!ds->Eof()) {
    seen.push_back(Id());
    ds->Next();
  }
  EXPECT_EQ(seen, (std::vector<int>{2, 4, 6}));
  EXPECT_TRUE(ds->Locate("ID", 4, {}));
  EXPECT_FALSE(ds->Locate("ID", 3, {}));
  ds->SetFiltered(false);
  EXPECT_EQ(Id(), 1);
}

TEST_F(DataSetTest, UpdateRecordAsksLinksBeforePost) {
  Fill(2);
  ds->Open();
  TDataSource src(owner.get());
  src.SetDataSet(ds);
  TRecordingLink link;
  link.SetDataSource(&src);
  link.Pending = [&] { ds->FieldByName("NAME")->SetAsString("typed"); };
  ds->Edit();
  link.Log.clear();
  ds->Post();
  EXPECT_EQ(ds->Rows()[0].Values[1].AsString(), "typed");
  // The link's own write during UpdateData is not echoed back to it as a record change.
  EXPECT_EQ(link.Joined(), "update checkbrowse editing:0 changed");
}

TEST_F(DataSetTest, DisableControlsNestsAndSendsOneChange) {
  Fill(20);
  ds->Open();
  TDataSource src(owner.get());
  src.SetDataSet(ds);
  TRecordingLink link;
  link.SetDataSource(&src);
  link.Log.clear();
  ds->DisableControls();
  ds->DisableControls();
  EXPECT_TRUE(ds->ControlsDisabled());
  ds->Next();
  ds->Last();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("q");
  ds->Post();
  ds->EnableControls();
  EXPECT_EQ(link.Joined(), "disabled");
  ds->EnableControls();
  EXPECT_FALSE(ds->ControlsDisabled());
  EXPECT_EQ(link.Joined(), "disabled enabled changed");
  ds->EnableControls();  // one too many: nothing
  EXPECT_EQ(link.Joined(), "disabled enabled changed");
}

TEST_F(DataSetTest, DisabledControlsReportLayoutChangeOnEnable) {
  Fill(2);
  ds->Open();
  TDataSource src(owner.get());
  src.SetDataSet(ds);
  TRecordingLink link;
  link.SetDataSource(&src);
  ds->DisableControls();
  ds->FieldByName("NAME")->SetDisplayLabel("Name");  // a layout change
  link.Log.clear();
  ds->EnableControls();
  EXPECT_EQ(link.Joined(), "enabled layout");
}

TEST_F(DataSetTest, RefreshRereadsRows) {
  Fill(3);
  ds->Open();
  ds->Next();
  ds->MutableRows()[1].Values[1] = "outside";
  bool before = false, after = false;
  ds->SetBeforeRefresh([&](TDataSet*) { before = true; });
  ds->SetAfterRefresh([&](TDataSet*) { after = true; });
  ds->Refresh();
  EXPECT_TRUE(before && after);
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "outside");
  EXPECT_EQ(Id(), 2);
}

TEST_F(DataSetTest, AppendRecordAndInsertRecord) {
  Fill(1);
  ds->Open();
  ds->AppendRecord({7, "seven", 7.0});
  ds->First();
  ds->InsertRecord({0, "zero", Variant()});
  EXPECT_EQ(ds->Rows().size(), 3u);
  EXPECT_EQ(ds->Rows()[0].Values[1].AsString(), "zero");
  EXPECT_TRUE(ds->Rows()[0].Values[2].IsNull());
  EXPECT_EQ(ds->Rows()[2].Values[1].AsString(), "seven");
}

TEST_F(DataSetTest, ClearFieldsNeedsEditState) {
  Fill(1);
  ds->Open();
  EXPECT_THROW(ds->ClearFields(), EDatabaseError);
  ds->Edit();
  ds->ClearFields();
  EXPECT_TRUE(ds->FieldByName("NAME")->IsNull());
  ds->Cancel();
}

TEST_F(DataSetTest, OldValueReadsTheStoredRecord) {
  Fill(1);
  ds->Open();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("new");
  EXPECT_EQ(ds->FieldByName("NAME")->OldValue().AsString(), "row1");
  EXPECT_EQ(ds->FieldByName("NAME")->Value().AsString(), "new");
  ds->Cancel();
}

TEST_F(DataSetTest, TempStateIsRestored) {
  Fill(1);
  ds->Open();
  TDataSetState saved = ds->SetTempState(dsFilter);
  EXPECT_EQ(ds->State(), dsFilter);
  ds->RestoreState(saved);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_FALSE(ds->ControlsDisabled());
}

}  // namespace

TEST_F(DataSetTest, AnIdleEventChangesNothingAndTheOthersAreNotIdle) {
  Fill(2);
  ds->Open();
  // Nobody to tell: every event but a field's or a property's change is idle.
  for (int e = deFieldChange; e <= deDisabledStateChange; ++e) {
    const auto event = static_cast<TDataEvent>(e);
    EXPECT_EQ(ds->DataEventIdle(event), event != deFieldChange && event != dePropertyChange) << e;
  }
  TDataSource src(owner.get());
  src.SetDataSet(ds);
  TRecordingLink link;
  link.SetDataSource(&src);
  // A data source to tell: none is idle.
  for (int e = deFieldChange; e <= deDisabledStateChange; ++e) EXPECT_FALSE(ds->DataEventIdle(static_cast<TDataEvent>(e))) << e;
  // Controls disabled: an idle event sent meanwhile leaves what EnableControls reports as it was;
  // the layout change, which is not idle, is reported (a property change is not idle for the
  // field definitions it marks).
  for (int e = deFieldChange; e <= deDisabledStateChange; ++e) {
    const auto event = static_cast<TDataEvent>(e);
    if (event == deFieldChange || event == deFocusControl) continue;  // they carry a pointer
    ds->DisableControls();
    const bool idle = ds->DataEventIdle(event);
    EXPECT_EQ(idle, event != dePropertyChange && event != deLayoutChange) << e;
    ds->DataEvent(event, 0);
    link.Log.clear();
    ds->EnableControls();
    EXPECT_EQ(link.Joined(), event == deLayoutChange ? "enabled layout" : "enabled changed") << e;
  }
  // Closing while disabled is remembered as a layout change.
  ds->DisableControls();
  ds->Close();
  EXPECT_FALSE(ds->DataEventIdle(deUpdateState));
  EXPECT_TRUE(ds->DataEventIdle(deDataSetChange));
  ds->EnableControls();
}
