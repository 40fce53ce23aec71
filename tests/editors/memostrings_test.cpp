// The editor's lines as a string list: counting, reading whole lines, writing, inserting at the
// end, and the capacity error.
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "editors/dbeditbase.h"
#include "platform/os/commctrl.h"
#include "platform/rtl/exceptions.h"

using namespace edtest;

namespace {

class MemoStrings : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    edit = Add<TDBEditGx>(10, 10, 200, 80);
    edit->SetWantReturns(true);
    edit->SetAutoSize(false);
    Show();
  }
  TStrings* Lines() { return edit->Lines(); }
  TDBEditGx* edit = nullptr;
};

TEST_F(MemoStrings, AFinalEmptyLineIsNotCounted) {
  EXPECT_EQ(Lines()->Count(), 0);
  Lines()->SetText("a\r\n");
  EXPECT_EQ(Lines()->Count(), 1);
  Lines()->SetText("a");
  EXPECT_EQ(Lines()->Count(), 1);
  Lines()->SetText("a\nb\rc");
  EXPECT_EQ(Lines()->Count(), 3);
  EXPECT_EQ(edit->Text(), "a\r\nb\r\nc");  // line breaks as CR LF
}

// An editor without a window (one not placed yet, or the default one a form is written against)
// gives its lines from its text without making a window.
TEST_F(MemoStrings, WithoutAWindowTheLinesAreReadFromTheText) {
  auto* loose = new TDBEditGx(form);
  loose->SetText("a\r\nb\r\n");
  EXPECT_EQ(loose->Lines()->Count(), 2);
  EXPECT_EQ(loose->Lines()->Strings(1), "b");
  EXPECT_EQ(loose->Lines()->Strings(2), "");
  EXPECT_FALSE(loose->HandleAllocated());
}

TEST_F(MemoStrings, LongLinesAreReadWhole) {
  std::string longLine(5000, 'x');
  longLine += "中";
  Lines()->SetText("short\r\n" + longLine + "\r\nend");
  EXPECT_EQ(Lines()->Strings(0), "short");
  EXPECT_EQ(Lines()->Strings(1), longLine);
  EXPECT_EQ(Lines()->Strings(2), "end");
  std::string huge(70000, 'y');
  Lines()->SetText(huge);
  EXPECT_EQ(Lines()->Strings(0), huge);
}

TEST_F(MemoStrings, PutReplacesALineAndIgnoresOneBeyondTheLast) {
  Lines()->SetText("one\r\ntwo");
  Lines()->SetStrings(1, "二");
  EXPECT_EQ(edit->Text(), "one\r\n二");
  Lines()->SetStrings(5, "nothing");
  EXPECT_EQ(edit->Text(), "one\r\n二");
}

TEST_F(MemoStrings, InsertAtTheEndAlwaysAppendsALine) {
  Lines()->SetText("a");
  Lines()->Insert(Lines()->Count(), "b");
  EXPECT_EQ(edit->Text(), "a\r\nb");
  Lines()->SetText("a\r\n");
  Lines()->Insert(Lines()->Count(), "b");
  EXPECT_EQ(Lines()->Count(), 2);
  EXPECT_EQ(Lines()->Strings(1), "b");
  Lines()->SetText("a\r\n\r\n");  // the last counted line is empty
  int n = Lines()->Count();
  Lines()->Insert(n, "c");
  EXPECT_EQ(Lines()->Count(), n + 1);
  EXPECT_EQ(Lines()->Strings(n), "c");
  Lines()->Insert(0, "first");
  EXPECT_EQ(Lines()->Strings(0), "first");
  Lines()->Clear();
  Lines()->Add("only");
  EXPECT_EQ(Lines()->Count(), 1);
  EXPECT_EQ(Lines()->Strings(0), "only");
}

TEST_F(MemoStrings, DeleteTakesTheLineAndItsBreak) {
  Lines()->SetText("a\r\nb\r\nc");
  Lines()->Delete(1);
  EXPECT_EQ(edit->Text(), "a\r\nc");
  Lines()->Delete(1);
  EXPECT_EQ(edit->Text(), "a\r\n");
  Lines()->Delete(7);
  EXPECT_EQ(edit->Text(), "a\r\n");
}

TEST_F(MemoStrings, TextBeyondTheCapacityRaisesAndLeavesTheTextAlone) {
  Lines()->SetText("keep");
  std::string tooLong(FANO_EDIT_CAPACITY + 1, 'x');  // more than the edit control holds
  try {
    Lines()->SetText(tooLong);
    FAIL() << "no error";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Text exceeds memo capacity");
  }
  EXPECT_EQ(edit->Text(), "keep");
}

TEST_F(MemoStrings, AMemoFieldComesInThroughTheLinesAndGoesBackWhole) {
  edit->SetDataSource(source);
  edit->SetDataField("NOTE");
  EXPECT_EQ(Lines()->Count(), 2);
  EXPECT_EQ(Lines()->Strings(1), "line2");
  edit->SetText("x\r\ny\r\nz");
  EXPECT_EQ(table->FieldByName("NOTE")->AsString(), "x\r\ny\r\nz");
}

}  // namespace
