// Several links of different heights on one data source: each keeps a full window that holds
// the active record, whatever the others do with the ring.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "link_fixture.h"
#include "platform/db/datasource.h"

namespace {

class MultiLinkTest : public LinkWindowTest {
 protected:
  void Open(int rows, int big, int small) {
    for (int i = 1; i <= rows; ++i) ds->AddRow({i});
    ds->Open();
    src->SetDataSet(ds);
    large.SetDataSource(src);
    large.SetBufferCount(big);
    little.SetDataSource(src);
    little.SetBufferCount(small);
  }
  // The link's window is full (as far as the ring allows) and holds the active record.
  void ExpectSound(TDataLink& link, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(link.RecordCount(), std::min(link.BufferCount(), ds->BufferedRecordCount()));
    EXPECT_GE(link.ActiveRecord(), 0);
    EXPECT_LT(link.ActiveRecord(), link.RecordCount());
  }

  // The window of each link: as many rows as it wants (or the table has), in order, with the
  // current row where the link says it is.
  void ExpectFullWindow(TDataLink& link, int rows, const char* what) {
    SCOPED_TRACE(what);
    const int current = Id();
    const std::vector<int> w = Window(link);
    ASSERT_EQ(static_cast<int>(w.size()), std::min(link.BufferCount(), rows));
    for (size_t i = 1; i < w.size(); ++i) ASSERT_EQ(w[i], w[i - 1] + 1) << "row " << i;
    ASSERT_GE(link.ActiveRecord(), 0);
    ASSERT_LT(link.ActiveRecord(), static_cast<int>(w.size()));
    ASSERT_EQ(w[static_cast<size_t>(link.ActiveRecord())], current);
    ASSERT_EQ(Id(), current);
  }

  TRecordingLink large, little;
};

TEST_F(MultiLinkTest, ResizingOneLinkShiftsTheOthersWithTheRing) {
  Open(5000, 40, 10);
  ds->Last();
  EXPECT_EQ(Window(little), Range(4991, 5000));
  // The ring grows at its front: the small link's records moved down by as many.
  large.SetBufferCount(60);
  EXPECT_EQ(Id(), 5000);
  EXPECT_EQ(Window(large), Range(4941, 5000));
  EXPECT_EQ(Window(little), Range(4991, 5000));
  ExpectSound(little, "grown");
  ds->First();
  ds->Last();
  // And shrinks at its front.
  large.SetBufferCount(40);
  EXPECT_EQ(little.RecordCount(), 10);
  EXPECT_EQ(little.ActiveRecord(), 9);
  EXPECT_EQ(Window(little), Range(4991, 5000));
  EXPECT_EQ(Window(large), Range(4961, 5000));
  ExpectSound(large, "shrunk");

  // In the middle, the small link keeps its place around the active record.
  ds->MoveBy(-25);
  EXPECT_EQ(Id(), 4975);
  const std::vector<int> before = Window(little);
  large.SetBufferCount(80);
  EXPECT_EQ(Window(little), before);
  large.SetBufferCount(20);
  ExpectSound(little, "middle");
  ExpectSound(large, "middle");
  EXPECT_EQ(Id(), 4975);
}

TEST_F(MultiLinkTest, ShrinkingTheBigLinkNearTheEndKeepsTheSmallOneFull) {
  for (int at : {4990, 4985, 4999, 4965, 4962}) {
    SCOPED_TRACE(at);
    large.SetDataSource(nullptr);
    little.SetDataSource(nullptr);
    SetUp();
    Open(5000, 40, 10);
    ds->Last();
    ds->MoveBy(at - 5000);
    ASSERT_EQ(Id(), at);
    large.SetBufferCount(20);
    EXPECT_EQ(Id(), at);
    ExpectSound(little, "small");
    ExpectSound(large, "big");
    EXPECT_EQ(little.RecordCount(), 10);
    const std::vector<int> w = Window(little);
    EXPECT_NE(std::find(w.begin(), w.end(), at), w.end());
  }
}

TEST_F(MultiLinkTest, ResizingAfterAStepBackNearTheEndKeepsTheOtherWindowFull) {
  Open(5000, 40, 10);
  ds->SetRecNo(4990);
  ds->MoveBy(-17);
  ASSERT_EQ(Id(), 4973);
  large.SetBufferCount(20);
  EXPECT_EQ(Id(), 4973);
  ExpectFullWindow(little, 5000, "small");
  ExpectFullWindow(large, 5000, "big");
}

// A walk of moves and resizes of both links near both ends of the table: after every step each
// link shows a full window that holds the current row.
TEST_F(MultiLinkTest, RandomWalkOfMovesAndResizesKeepsEveryWindowFull) {
  const int rows = 5000;
  Open(rows, 40, 10);
  std::mt19937 rng(41);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int step = 0; step < 4000; ++step) {
    const int op = pick(0, 6);
    std::string what = "step " + std::to_string(step) + " op " + std::to_string(op);
    switch (op) {
      case 0: ds->MoveBy(pick(-45, 45)); break;
      case 1: ds->SetRecNo(pick(0, 1) ? pick(1, 70) : pick(rows - 70, rows)); break;
      case 2: pick(0, 1) ? ds->First() : ds->Last(); break;
      case 3: large.SetBufferCount(pick(1, 60)); break;
      case 4: little.SetBufferCount(pick(1, 60)); break;
      case 5: ds->MoveBy(pick(0, 1) ? 1 : -1); break;
      default: (pick(0, 1) ? large : little).SetBufferCount(pick(0, 1) ? pick(1, 5) : pick(30, 80)); break;
    }
    what += " at " + std::to_string(Id()) + " sizes " + std::to_string(large.BufferCount()) + "/" +
            std::to_string(little.BufferCount());
    ExpectFullWindow(large, rows, (what + " big").c_str());
    ExpectFullWindow(little, rows, (what + " small").c_str());
    if (HasFatalFailure()) return;
  }
}

TEST_F(MultiLinkTest, ShrinkingRingAfterCancelKeepsEveryWindowFull) {
  Open(11, 40, 10);
  ds->SetRecNo(5);
  ds->Append();
  ExpectSound(little, "append");
  ds->Cancel();
  EXPECT_EQ(ds->BufferedRecordCount(), 11);
  EXPECT_EQ(little.RecordCount(), 10);
  ExpectSound(little, "cancel");
  ExpectSound(large, "cancel");

  // A delete shrinks the ring the same way.
  ds->Last();
  ds->Delete();
  EXPECT_EQ(ds->BufferedRecordCount(), 10);
  EXPECT_EQ(Window(little), Range(1, 10));
  ds->Delete();
  EXPECT_EQ(Window(little), Range(1, 9));
  ExpectSound(little, "delete");
}

TEST_F(MultiLinkTest, CancellingAnInsertScrolls) {
  Open(20, 10, 5);
  std::vector<std::string> events;
  ds->SetBeforeScroll([&](TDataSet*) { events.push_back("before:" + std::to_string(Id())); });
  ds->SetAfterScroll([&](TDataSet*) { events.push_back("after:" + std::to_string(ds->IsEmpty() ? 0 : Id())); });
  ds->SetRecNo(7);
  events.clear();
  ds->Insert();
  EXPECT_EQ(events, (std::vector<std::string>{"before:7", "after:0"}));
  events.clear();
  ds->Cancel();
  EXPECT_EQ(Id(), 7);
  EXPECT_EQ(events, (std::vector<std::string>{"before:0", "after:7"}));
  // Cancelling an edit stays on the record: no scroll.
  ds->Edit();
  events.clear();
  ds->Cancel();
  EXPECT_TRUE(events.empty());
}

}  // namespace
