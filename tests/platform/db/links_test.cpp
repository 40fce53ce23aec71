#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link_fixture.h"
#include "platform/db/datasource.h"
#include "platform/db/dbconsts.h"
#include "platform/rtl/exceptions.h"
#include "support/error_text.h"

namespace {

class LinksTest : public LinkWindowTest {
 protected:
  void SetUp() override {
    LinkWindowTest::SetUp();
    ds->SetName("tblRows");
    ds->FieldDefs().Add("NAME", ftString, 20);
    src->SetName("dsRows");
  }
  void Fill(int n) {
    for (int i = 1; i <= n; ++i) ds->AddRow({i, "r" + std::to_string(i)});
  }
};

TEST_F(LinksTest, ActivationAndStateNotifications) {
  Fill(3);
  TRecordingLink link;
  link.SetDataSource(src);
  std::vector<std::string> states;
  src->SetOnStateChange([&](TObject*) { states.push_back(std::to_string(src->State())); });
  src->SetDataSet(ds);
  EXPECT_FALSE(link.Active());
  ds->Open();
  EXPECT_TRUE(link.Active());
  ds->Edit();
  EXPECT_TRUE(link.Editing());
  ds->Cancel();
  ds->Close();
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(link.Joined(), "active:1 checkbrowse editing:1 record:- checkbrowse editing:0 changed active:0");
  EXPECT_EQ(states, (std::vector<std::string>{"1", "2", "1", "0"}));
}

TEST_F(LinksTest, DisabledSourceIsInactive) {
  Fill(2);
  ds->Open();
  src->SetDataSet(ds);
  TRecordingLink link;
  link.SetDataSource(src);
  EXPECT_TRUE(link.Active());
  src->SetEnabled(false);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(src->State(), dsInactive);
  ds->Next();  // not heard
  src->SetEnabled(true);
  EXPECT_EQ(link.Joined(), "active:1 active:0 active:1");
}

TEST_F(LinksTest, ReadOnlyLinkDoesNotEdit) {
  Fill(1);
  ds->Open();
  src->SetDataSet(ds);
  TRecordingLink link;
  link.SetDataSource(src);
  link.SetReadOnly(true);
  EXPECT_FALSE(link.Edit());
  EXPECT_EQ(ds->State(), dsBrowse);
  link.SetReadOnly(false);
  EXPECT_TRUE(link.Edit());
  EXPECT_EQ(ds->State(), dsEdit);
  ds->Cancel();
  src->SetAutoEdit(false);
  EXPECT_FALSE(link.Edit());
  EXPECT_EQ(ds->State(), dsBrowse);
}

TEST_F(LinksTest, FieldChangesReachTheLinksAndTheSource) {
  Fill(1);
  ds->Open();
  src->SetDataSet(ds);
  TRecordingLink link;
  link.SetDataSource(src);
  std::vector<std::string> changes;
  src->SetOnDataChange([&](TObject*, TField* f) { changes.push_back(f ? f->FieldName() : "-"); });
  ds->Edit();
  link.Log.clear();
  ds->FieldByName("NAME")->SetAsString("x");
  EXPECT_EQ(link.Joined(), "record:NAME");
  EXPECT_EQ(changes, (std::vector<std::string>{"-", "NAME"}));
  ds->Cancel();
}

TEST_F(LinksTest, FocusControlAsksTheLinks) {
  Fill(1);
  ds->Open();
  src->SetDataSet(ds);
  struct FocusLink : TDataLink {
    TField* Seen = nullptr;
    void FocusControl(TField*& field) override {
      Seen = field;
      field = nullptr;
    }
  } link;
  link.SetDataSource(src);
  ds->FieldByName("NAME")->FocusControl();
  EXPECT_EQ(link.Seen, ds->FieldByName("NAME"));
}

TEST_F(LinksTest, RingFollowsTheLinkThatWantsMostRecords) {
  Fill(100);
  ds->Open();
  src->SetDataSet(ds);
  EXPECT_EQ(ds->BufferCount(), 1);
  TRecordingLink grid;
  grid.SetDataSource(src);
  grid.SetBufferCount(10);
  EXPECT_EQ(ds->BufferCount(), 10);
  EXPECT_EQ(ds->BufferedRecordCount(), 10);
  EXPECT_EQ(grid.RecordCount(), 10);
  EXPECT_EQ(Window(grid), Range(1, 10));
  EXPECT_EQ(ds->Allocated(), 11);  // the ten records and the spare
  grid.SetBufferCount(4);
  EXPECT_EQ(ds->BufferCount(), 4);
  EXPECT_EQ(ds->Allocated(), 5);
  EXPECT_EQ(Window(grid), Range(1, 4));
  grid.SetDataSource(nullptr);
  EXPECT_EQ(ds->BufferCount(), 1);
}

TEST_F(LinksTest, ScrollingALargeDatasetMovesTheWindow) {
  Fill(1000);
  ds->Open();
  src->SetDataSet(ds);
  TRecordingLink grid;
  grid.SetDataSource(src);
  grid.SetBufferCount(10);
  // Inside the window: the buffers stay, the active record moves.
  grid.Log.clear();
  ds->MoveBy(5);
  EXPECT_EQ(grid.ActiveRecord(), 5);
  EXPECT_EQ(grid.Joined(), "checkbrowse scrolled:0");
  // Past its end: the window follows by as many records as the cursor went beyond it.
  grid.Log.clear();
  ds->MoveBy(7);
  EXPECT_EQ(Id(), 13);
  EXPECT_EQ(grid.ActiveRecord(), 9);
  EXPECT_EQ(grid.Joined(), "checkbrowse scrolled:3");
  EXPECT_EQ(Window(grid), Range(4, 13));
  // Back above it.
  grid.Log.clear();
  ds->MoveBy(-11);
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(grid.ActiveRecord(), 0);
  EXPECT_EQ(grid.Joined(), "checkbrowse scrolled:-2");
  EXPECT_EQ(Window(grid), Range(2, 11));
  // Last fills the window from the end.
  ds->Last();
  EXPECT_EQ(grid.ActiveRecord(), 9);
  EXPECT_EQ(Window(grid), Range(991, 1000));
  // Walking forward to the end reads each record once.
  ds->First();
  int before = ds->GetRecordCalls();
  while (!ds->Eof()) ds->Next();
  EXPECT_EQ(Id(), 1000);
  EXPECT_LE(ds->GetRecordCalls() - before, 1000);
}

TEST_F(LinksTest, ResyncCentresOrKeepsThePosition) {
  Fill(100);
  ds->Open();
  src->SetDataSet(ds);
  TRecordingLink grid;
  grid.SetDataSource(src);
  grid.SetBufferCount(9);
  ds->SetRecNo(50);  // the test dataset resyncs centred
  EXPECT_EQ(Id(), 50);
  EXPECT_EQ(grid.ActiveRecord(), 4);
  EXPECT_EQ(Window(grid), Range(46, 54));
  ds->MoveBy(2);
  // Resync reads the record the descendant's cursor is on: bring it to the active one first.
  ds->UpdateCursorPos();
  ds->Resync({});  // keeps the active record where it is in the window
  EXPECT_EQ(grid.ActiveRecord(), 6);
  EXPECT_EQ(Window(grid), Range(46, 54));
  ds->UpdateCursorPos();
  ds->Resync({rmExact, rmCenter});
  EXPECT_EQ(grid.ActiveRecord(), 4);
  EXPECT_EQ(Window(grid), Range(48, 56));
  // Near the start there are not enough records before: the window fills after.
  ds->SetRecNo(2);
  EXPECT_EQ(Window(grid), Range(1, 9));
  EXPECT_EQ(grid.ActiveRecord(), 1);
  // A record that went away behind the dataset's back: Resync shows the one now at its place.
  ds->SetRecNo(60);
  ds->UpdateCursorPos();
  ds->MutableRows().erase(ds->MutableRows().begin() + 59);
  ds->CursorPosChanged();
  ds->Resync({});
  EXPECT_EQ(Id(), 61);
  // With every row gone an exact resync fails; a plain one leaves the dataset empty.
  ds->MutableRows().clear();
  EXPECT_THROW(ds->Resync({rmExact}), EDatabaseError);
  ds->Resync({});
  EXPECT_TRUE(ds->IsEmpty());
  EXPECT_EQ(grid.RecordCount(), 0);
}

TEST_F(LinksTest, InsertAndAppendInsideAWindow) {
  Fill(30);
  ds->Open();
  src->SetDataSet(ds);
  TRecordingLink grid;
  grid.SetDataSource(src);
  grid.SetBufferCount(5);
  ds->MoveBy(2);
  ds->Insert();
  EXPECT_EQ(grid.ActiveRecord(), 2);
  EXPECT_EQ(grid.RecordCount(), 5);
  ds->FieldByName("ID")->SetAsInteger(-1);
  ds->Post();
  EXPECT_EQ(Id(), -1);
  EXPECT_EQ(ds->RecNo(), 3);
  std::vector<int> w = Window(grid);
  EXPECT_EQ(w, (std::vector<int>{1, 2, -1, 3, 4}));
  ds->Append();
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(grid.ActiveRecord(), 4);
  ds->FieldByName("ID")->SetAsInteger(-2);
  ds->Post();
  EXPECT_EQ(Window(grid), (std::vector<int>{27, 28, 29, 30, -2}));
  ds->Append();
  ds->Cancel();
  EXPECT_EQ(Id(), -2);
  EXPECT_EQ(Window(grid), (std::vector<int>{27, 28, 29, 30, -2}));
}

TEST_F(LinksTest, LinkMoveByMovesTheDataset) {
  Fill(10);
  ds->Open();
  src->SetDataSet(ds);
  TRecordingLink link;
  link.SetDataSource(src);
  EXPECT_EQ(link.MoveBy(3), 3);
  EXPECT_EQ(Id(), 4);
  EXPECT_EQ(link.MoveBy(-10), -3);
  EXPECT_TRUE(link.Bof());
}

TEST_F(LinksTest, CircularLinksAreRefused) {
  // A detail whose master source shows the detail itself.
  struct Detail : TTestDataSet {
    TMasterDataLink master{this};
    TDataSource* GetDataSource() const override { return master.DataSource(); }
  };
  Detail detail;
  detail.SetName("detail");
  detail.FieldDefs().Add("ID", ftInteger);
  TDataSource own(nullptr);
  own.SetName("dsOwn");
  own.SetDataSet(&detail);
  try {
    detail.master.SetDataSource(&own);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "dsOwn: Circular datalinks are not allowed");
  }
  // ...and a source may not take a dataset that already hangs below it.
  TDataSource other(nullptr);
  other.SetName("dsOther");
  detail.master.SetDataSource(src);
  src->SetDataSet(ds);
  EXPECT_THROW(src->SetDataSet(&detail), EDatabaseError);
  EXPECT_TRUE(src->IsLinkedTo(&detail));
  EXPECT_FALSE(other.IsLinkedTo(&detail));
  detail.master.SetDataSource(nullptr);
}

TEST_F(LinksTest, MasterLinkReportsMasterChanges) {
  Fill(5);
  ds->Open();
  src->SetDataSet(ds);
  TTestDataSet detail;
  detail.FieldDefs().Add("MASTER", ftInteger);
  detail.AddRow({1});
  TMasterDataLink master(&detail);
  std::vector<std::string> log;
  master.SetOnMasterChange([&](TObject*) { log.push_back("change:" + std::to_string(ds->FieldByName("ID")->AsInteger())); });
  master.SetOnMasterDisable([&](TObject*) { log.push_back("disable"); });
  master.SetFieldNames("ID");
  master.SetDataSource(src);
  ASSERT_EQ(master.Fields().size(), 1u);
  EXPECT_EQ(master.Fields()[0], ds->FieldByName("ID"));
  log.clear();
  ds->Next();  // detail closed: nothing
  EXPECT_TRUE(log.empty());
  detail.Open();
  ds->Next();
  EXPECT_EQ(log, (std::vector<std::string>{"change:3"}));
  ds->Edit();  // a record change without a field counts as a master change
  EXPECT_EQ(log, (std::vector<std::string>{"change:3", "change:3"}));
  log.clear();
  ds->FieldByName("NAME")->SetAsString("not a master field");
  EXPECT_TRUE(log.empty());
  ds->FieldByName("ID")->SetAsInteger(30);
  EXPECT_EQ(log, (std::vector<std::string>{"change:30"}));
  ds->Cancel();
  log.clear();
  ds->Close();
  EXPECT_EQ(log, (std::vector<std::string>{"disable"}));
  master.SetDataSource(nullptr);
}

// Master field names the master lacks are refused while the master is open, by name or by a new
// source, the link going on as it was; while it is closed they are taken, and the link then stays
// without fields, with no error at any open or close of the master.
TEST_F(LinksTest, MasterNamesTheMasterLacks) {
  Fill(2);
  ds->Open();
  src->SetDataSet(ds);
  TTestDataSet detail, other;
  TMasterDataLink master(&detail);
  master.SetFieldNames("ID");
  master.SetDataSource(src);
  EXPECT_EQ(ErrorText<Exception>([&] { master.SetFieldNames("NOPE"); }), "tblRows: Field 'NOPE' not found");
  other.SetName("tblOther");
  other.FieldDefs().Add("X", ftInteger);
  other.Open();
  TDataSource otherSource(nullptr);
  otherSource.SetDataSet(&other);
  EXPECT_EQ(ErrorText<Exception>([&] { master.SetDataSource(&otherSource); }), "tblOther: Field 'ID' not found");
  EXPECT_EQ(master.FieldNames(), "ID");
  EXPECT_EQ(master.DataSource(), src);
  EXPECT_EQ(master.Fields().size(), 1u);
  other.Close();
  master.SetDataSource(&otherSource);
  int disabled = 0;
  master.SetOnMasterDisable([&](TObject*) { ++disabled; });
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(ErrorText<Exception>([&] { other.Open(); }), "(no error)");
    EXPECT_TRUE(master.Fields().empty());
    EXPECT_EQ(ErrorText<Exception>([&] { other.Close(); }), "(no error)");
  }
  EXPECT_EQ(disabled, 4);
  master.SetDataSource(nullptr);
}

// What a link raises while its source or its dataset goes is dropped: destructors do not raise,
// and every link is let go.
TEST_F(LinksTest, NothingRaisesOutOfTheDestructionOfASource) {
  Fill(1);
  ds->Open();
  src->SetDataSet(ds);
  TTestDataSet detail;
  TMasterDataLink master(&detail);
  master.SetFieldNames("ID");
  master.SetDataSource(src);
  master.SetOnMasterDisable([](TObject*) { throw EDatabaseError("refused"); });
  TRecordingLink fixed;
  fixed.SetDataSource(src);
  fixed.SetDataSourceFixed(true);
  delete src;
  src = nullptr;
  EXPECT_EQ(master.DataSource(), nullptr);
  EXPECT_EQ(fixed.DataSource(), nullptr);
  EXPECT_FALSE(fixed.Active());
}

TEST_F(LinksTest, MasterMovePostsThePendingDetailEdit) {
  Fill(3);
  ds->Open();
  src->SetDataSet(ds);
  TTestDataSet detail;
  detail.FieldDefs().Add("V", ftInteger);
  detail.AddRow({1});
  detail.Open();
  TMasterDataLink master(&detail);
  master.SetFieldNames("ID");
  master.SetDataSource(src);
  detail.Edit();
  detail.FieldByName("V")->SetAsInteger(2);
  ds->Next();
  EXPECT_EQ(detail.State(), dsBrowse);
  EXPECT_EQ(detail.Rows()[0].Values[0].AsInteger(), 2);
  master.SetDataSource(nullptr);
}

TEST_F(LinksTest, FixedDataSourceCannotChange) {
  TRecordingLink link;
  link.SetDataSource(src);
  link.SetDataSourceFixed(true);
  TDataSource other(nullptr);
  try {
    link.SetDataSource(&other);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "DataSource cannot be changed");
  }
  link.SetDataSourceFixed(false);
  link.SetDataSource(nullptr);
}

TEST_F(LinksTest, DestroyingASourceOrDatasetDetaches) {
  Fill(2);
  ds->Open();
  src->SetDataSet(ds);
  TRecordingLink link;
  link.SetDataSource(src);
  EXPECT_TRUE(link.Active());
  delete ds;  // the source hears of it and drops the dataset
  ds = nullptr;
  EXPECT_EQ(src->DataSet(), nullptr);
  EXPECT_FALSE(link.Active());
  delete src;
  src = nullptr;
  EXPECT_EQ(link.DataSource(), nullptr);
}

}  // namespace
