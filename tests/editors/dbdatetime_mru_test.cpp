// The date editor's recent values: the list opens while typing into the mask and offers the
// dates that begin with what was typed, blanks and separators of the mask left out.
#include <gtest/gtest.h>

#include "dbdatetime_fixture.h"
#include "editors/popups.h"
#include "platform/rtl/sysutils.h"

using namespace dbfix;

namespace {

class DateRecentValues : public DateEditFixture {
 protected:
  void SetUp() override {
    DateEditFixture::SetUp();
    edit->MRUList()->SetActive(true);
    for (const char* d : {"01/02/2026", "15/03/2026", "01/12/2025", "10/10/2024"}) edit->MRUList()->Add(d);
    Show();
    edit->SetFocus();
    Pump();
  }
  std::vector<std::string> Offered() {
    std::vector<std::string> out;
    if (!edit->MRUList()->DroppedDown() || !edit->MRUListbox()) return out;
    TStrings* items = edit->MRUListbox()->Items();
    for (int i = 0; i < items->Count(); ++i) out.push_back(items->Strings(i));
    return out;
  }
};

TEST_F(DateRecentValues, TypingOpensTheListWithTheMatchingDates) {
  Type("0");
  EXPECT_EQ(Offered(), (std::vector<std::string>{"01/02/2026", "01/12/2025"}));
  Type("1");
  EXPECT_EQ(Offered(), (std::vector<std::string>{"01/02/2026", "01/12/2025"}));
  Type("1");
  EXPECT_EQ(Offered(), (std::vector<std::string>{"01/12/2025"}));
  // Nothing matches: the list closes.
  Type("9");
  EXPECT_FALSE(edit->MRUList()->DroppedDown());
}

TEST_F(DateRecentValues, ErasingEverythingClosesTheList) {
  Type("1");
  EXPECT_EQ(Offered(), (std::vector<std::string>{"15/03/2026", "10/10/2024"}));
  KeyPress(VK_BACK);
  EXPECT_FALSE(edit->MRUList()->DroppedDown());
}

TEST_F(DateRecentValues, SteppingTheDateOpensNoList) {
  // Stepping the day down from 02/02/2026 shows 01/02/2026, a recent value: still no list.
  edit->SetValue(Variant(EncodeDate(2026, 2, 2)));
  edit->SetSel(0, 0);
  KeyPress(VK_DOWN);
  EXPECT_EQ(edit->EditText(), "01/02/2026");
  EXPECT_FALSE(edit->MRUList()->DroppedDown());
  KeyPress(VK_UP);
  EXPECT_EQ(edit->EditText(), "02/02/2026");
  EXPECT_FALSE(edit->MRUList()->DroppedDown());
}

TEST_F(DateRecentValues, DeleteOnTheFirstDigitNarrowsTheList) {
  Type("15");
  EXPECT_EQ(Offered(), (std::vector<std::string>{"15/03/2026"}));
  edit->SetSel(1, 2);
  KeyPress(VK_DELETE);
  EXPECT_EQ(edit->EditText().substr(0, 2), "1 ");
  EXPECT_EQ(Offered(), (std::vector<std::string>{"15/03/2026", "10/10/2024"}));
}

}  // namespace
