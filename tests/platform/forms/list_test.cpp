// List boxes and combo boxes: items with and without a window, prefix search, ItemIndex, TopIndex
// and ItemAtPos, owner drawing, virtual lists, the three combo styles with their edit child and
// dropped list, and the notifications in order.
#include <memory>

#include "platform/forms/stdctrls.h"
#include "std_test_util.h"

using namespace formstest;

namespace {

constexpr int kItem = 12;  // item height of the test font (height 12)

class ListTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(10, 10, 400, 300);
    list = new TListBox(form);
    list->SetName("List1");
    list->SetParent(form);
    list->SetBounds(10, 10, 120, 100);
    other = new TEdit(form);
    other->SetName("Other");
    other->SetParent(form);
    other->SetBounds(200, 10, 100, 24);
  }
  void Fill(int n) {
    for (int i = 0; i < n; ++i) list->Items()->Add("item " + std::to_string(i));
  }
  TListBox* list = nullptr;
  TEdit* other = nullptr;
};

TEST_F(ListTest, ItemsLiveWithoutAWindowAndMoveIntoIt) {
  list->Items()->Add("b");
  list->Items()->Add("a");
  list->SetItemIndex(1);
  EXPECT_FALSE(list->HandleAllocated());
  EXPECT_EQ(list->Items()->Count(), 2);
  Show();
  ASSERT_TRUE(list->HandleAllocated());
  EXPECT_EQ(SendMessage(list->Handle(), LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(list->Items()->Strings(1), "a");
  // A new window (sorting) keeps the items; sorting ignores case.
  list->Items()->Add("C");
  list->SetSorted(true);
  EXPECT_EQ(list->Items()->Text(), "a\r\nb\r\nC\r\n");
  list->Items()->Add("B2");
  EXPECT_EQ(list->Items()->Strings(2), "B2");
  EXPECT_EQ(list->Items()->IndexOf("c"), 3);
  EXPECT_EQ(list->Items()->IndexOf("zz"), -1);
  EXPECT_THROW(list->Items()->Strings(9), EStringListError);
}

TEST_F(ListTest, SelectStringFindsThePrefixAfterTheStartAndWraps) {
  Show();
  for (const char* s : {"Apple", "banana", "Cherry", "中国", "中文", "apricot"}) list->Items()->Add(s);
  HWND h = list->Handle();
  auto select = [&](WPARAM start, const char* s) { return SendMessage(h, LB_SELECTSTRING, start, reinterpret_cast<LPARAM>(s)); };
  EXPECT_EQ(select(static_cast<WPARAM>(-1), "ap"), 0);
  EXPECT_EQ(list->ItemIndex(), 0);
  EXPECT_EQ(select(0, "AP"), 5);  // after the start item, ignoring case
  EXPECT_EQ(select(5, "ap"), 0);  // wrapping round
  EXPECT_EQ(select(65535, "b"), 1);
  EXPECT_EQ(select(static_cast<WPARAM>(-1), "中"), 3);
  EXPECT_EQ(select(3, "中"), 4);
  EXPECT_EQ(select(static_cast<WPARAM>(-1), "zz"), LB_ERR);
  EXPECT_EQ(list->ItemIndex(), 4);  // a failed search leaves the selection
  EXPECT_EQ(SendMessage(h, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("CHERRY")), 2);
  EXPECT_EQ(SendMessage(h, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("Cher")), LB_ERR);
}

TEST_F(ListTest, ItemIndexTopIndexAndItemAtPos) {
  Show();
  Fill(30);
  EXPECT_EQ(list->ItemHeight(), kItem);
  EXPECT_EQ(list->ItemIndex(), -1);
  EXPECT_EQ(list->ItemAtPos(TPoint(5, 2 * kItem + 3), true), 2);
  list->SetTopIndex(10);
  EXPECT_EQ(list->TopIndex(), 10);
  EXPECT_EQ(list->ItemAtPos(TPoint(5, 1), true), 10);
  EXPECT_EQ(list->ItemRect(11).Top, kItem);
  EXPECT_EQ(list->ItemAtPos(TPoint(-5, 1), true), -1);
  // Selecting an item out of view brings it in.
  list->SetItemIndex(29);
  EXPECT_EQ(list->ItemIndex(), 29);
  int visible = list->ClientHeight() / kItem;
  EXPECT_EQ(list->TopIndex(), 30 - visible);
  // Below the last item: -1, or Count when the point need not hit an item.
  list->Items()->Clear();
  list->Items()->Add("only");
  EXPECT_EQ(list->ItemAtPos(TPoint(5, 50), true), -1);
  EXPECT_EQ(list->ItemAtPos(TPoint(5, 50), false), 1);
  EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(ListTest, ClicksAndKeysSelectAndTell) {
  Show();
  Fill(5);
  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  ClickAt(list, 10, 3 * kItem + 2);
  EXPECT_EQ(list->ItemIndex(), 3);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(FindControl(GetFocus()), list);
  KeyPress(VK_DOWN);
  EXPECT_EQ(list->ItemIndex(), 4);
  KeyPress(VK_DOWN);  // the last stays
  EXPECT_EQ(list->ItemIndex(), 4);
  KeyPress(VK_HOME);
  EXPECT_EQ(list->ItemIndex(), 0);
  EXPECT_EQ(clicks, 3);
  // Setting ItemIndex in code does not click.
  list->SetItemIndex(2);
  EXPECT_EQ(clicks, 3);
  list->OnClick = nullptr;
}

TEST_F(ListTest, TypingSearchesWithAPauseStartingOver) {
  Show();
  for (const char* s : {"alpha", "beta", "bravo", "charlie", "cb"}) list->Items()->Add(s);
  list->SetFocus();
  Pump();
  FanoInputText("br");
  Pump();
  EXPECT_EQ(list->ItemIndex(), 2);
  AdvanceAndPump(600);
  FanoInputText("c");
  Pump();
  EXPECT_EQ(list->ItemIndex(), 3);
  FanoInputText("b");  // "cb" within the pause
  Pump();
  EXPECT_EQ(list->ItemIndex(), 4);
}

TEST_F(ListTest, OwnerDrawnItemsAskForTheirHeightAndPaint) {
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(20);
  Fill(3);
  std::vector<std::pair<int, TRect>> drawn;
  std::vector<bool> selected;
  list->OnDrawItem = [&](TWinControl*, int index, TRect rect, TOwnerDrawState state) {
    drawn.push_back({index, rect});
    selected.push_back(state.Contains(odSelected));
  };
  Show();
  list->SetItemIndex(1);
  list->Repaint();
  ASSERT_GE(drawn.size(), 3u);
  EXPECT_EQ(SendMessage(list->Handle(), LB_GETITEMHEIGHT, 0, 0), 20);
  auto last = std::vector<std::pair<int, TRect>>(drawn.end() - 3, drawn.end());
  EXPECT_EQ(last[1].first, 1);
  EXPECT_EQ(last[1].second.Top, 20);
  EXPECT_EQ(last[1].second.Bottom, 40);
  EXPECT_TRUE(selected[selected.size() - 2]);
  EXPECT_FALSE(selected.back());
  list->OnDrawItem = nullptr;
}

TEST_F(ListTest, VirtualListsHaveACountAndAskForTheirData) {
  list->SetStyle(lbVirtual);
  int asked = 0;
  list->OnData = [&](TWinControl*, int index, std::string& data) {
    ++asked;
    data = "row " + std::to_string(index);
  };
  list->OnDataFind = [](TWinControl*, const std::string& s) { return s == "row 7" ? 7 : -1; };
  list->SetCount(100000);
  Show();
  EXPECT_EQ(list->Count(), 100000);
  EXPECT_EQ(list->Items()->Strings(99999), "row 99999");
  EXPECT_EQ(list->Items()->IndexOf("row 7"), 7);
  // Painting asks only for what shows.
  asked = 0;
  list->Repaint();
  EXPECT_GT(asked, 0);
  // Owner-drawn rows are as high as ItemHeight (16 by default).
  EXPECT_EQ(list->ItemHeight(), 16);
  EXPECT_LE(asked, list->ClientHeight() / 16 + 1);
  list->SetItemIndex(500);
  EXPECT_EQ(list->ItemIndex(), 500);
  EXPECT_EQ(list->TopIndex(), 500 - list->ClientHeight() / 16 + 1);
  list->SetStyle(lbStandard);
  EXPECT_THROW(list->SetCount(3), EListError);
  list->OnData = nullptr;
  list->OnDataFind = nullptr;
}

TEST_F(ListTest, MultipleSelection) {
  list->SetMultiSelect(true);
  Show();
  Fill(6);
  list->SetSelected(1, true);
  list->SetSelected(3, true);
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_TRUE(list->Selected(3));
  // A click selects one item; Shift extends from it.
  ClickAt(list, 5, 2 * kItem + 1);
  EXPECT_EQ(list->SelCount(), 1);
  FanoInputKey(VK_SHIFT, TRUE);
  ClickAt(list, 5, 4 * kItem + 1);
  FanoInputKey(VK_SHIFT, FALSE);
  Pump();
  EXPECT_EQ(list->SelCount(), 3);
  EXPECT_EQ(list->ItemIndex(), 4);
  list->DeleteSelected();
  EXPECT_EQ(list->Items()->Text(), "item 0\r\nitem 1\r\nitem 5\r\n");
  list->SelectAll();
  EXPECT_EQ(list->SelCount(), 3);
  list->ClearSelection();
  EXPECT_EQ(list->SelCount(), 0);
}

// ---- combo boxes

class ComboTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(10, 10, 400, 300);
    combo = new TComboBox(form);
    combo->SetName("Combo1");
    combo->SetParent(form);
    combo->SetBounds(10, 10, 150, 21);
    other = new TEdit(form);
    other->SetName("Other");
    other->SetParent(form);
    other->SetBounds(200, 10, 100, 24);
    for (const char* s : {"北京", "上海", "广州", "深圳"}) combo->Items()->Add(s);
    combo->OnChange = [this](TObject*) { events.push_back("change:" + combo->Text()); };
    combo->OnSelect = [this](TObject*) { events.push_back("select:" + std::to_string(combo->ItemIndex())); };
    combo->OnDropDown = [this](TObject*) { events.push_back("dropdown"); };
    combo->OnCloseUp = [this](TObject*) { events.push_back("closeup"); };
  }
  void Focus() {
    combo->SetFocus();
    Pump();
  }
  void AltDown() {
    FanoInputKey(VK_MENU, TRUE);
    FanoInputKey(VK_DOWN, TRUE);
    FanoInputKey(VK_DOWN, FALSE);
    FanoInputKey(VK_MENU, FALSE);
    Pump();
  }
  TComboBox* combo = nullptr;
  TEdit* other = nullptr;
  std::vector<std::string> events;
};

TEST_F(ComboTest, DropDownStyleHasAnEditChildAndAPopupList) {
  Show();
  ASSERT_TRUE(combo->EditHandle());
  ASSERT_TRUE(combo->ListHandle());
  char cls[32] = {};
  GetClassName(combo->ListHandle(), cls, sizeof cls);
  EXPECT_STREQ(cls, "ComboLBox");
  EXPECT_EQ(GetParent(combo->EditHandle()), combo->Handle());
  EXPECT_FALSE(IsWindowVisible(combo->ListHandle()));
  // The height follows the font: the field and its frame.
  EXPECT_EQ(combo->Height(), kItem + 2 + 6);
  combo->SetItemIndex(2);
  EXPECT_EQ(combo->Text(), "广州");
  EXPECT_TRUE(events.empty());  // nothing is told for a change by the program
  combo->SetText("自由");
  EXPECT_EQ(combo->Text(), "自由");
  EXPECT_EQ(combo->ItemIndex(), 2);
}

TEST_F(ComboTest, TypingInTheEditIsAChangeAndItsKeysAreTheCombos) {
  Show();
  std::vector<uint16_t> keys;
  combo->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) { keys.push_back(key); };
  Focus();
  EXPECT_EQ(GetFocus(), combo->EditHandle());
  EXPECT_TRUE(combo->Focused());
  EXPECT_EQ(Screen->ActiveControl(), combo);
  FanoInputText("杭");
  Pump();
  EXPECT_EQ(events, std::vector<std::string>{"change:杭"});
  KeyPress(VK_LEFT);
  EXPECT_EQ(keys, std::vector<uint16_t>{VK_LEFT});
  // Tab leaves the combo box.
  KeyPress(VK_TAB);
  EXPECT_EQ(FindControl(GetFocus()), other);
  combo->OnKeyDown = nullptr;
}

TEST_F(ComboTest, KeyboardDropDownChooseAndCloseInOrder) {
  Show();
  std::vector<WORD> codes;
  TWndMethod old = combo->WindowProc();
  combo->SetWindowProc([&codes, old](TMessage& m) {
    if (m.Msg == CN_COMMAND) codes.push_back(m.WParamHi());
    old(m);
  });
  combo->SetItemIndex(0);
  Focus();
  AltDown();
  EXPECT_TRUE(combo->DroppedDown());
  EXPECT_TRUE(IsWindowVisible(combo->ListHandle()));
  KeyPress(VK_DOWN);
  KeyPress(VK_DOWN);
  EXPECT_EQ(combo->Text(), "广州");  // the field follows the list
  KeyPress(VK_RETURN);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->ItemIndex(), 2);
  // Keys choose at once; the combo box had the focus since the form showed.
  EXPECT_EQ(events, (std::vector<std::string>{"dropdown", "select:1", "select:2", "closeup"}));
  EXPECT_EQ(codes, (std::vector<WORD>{CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}));
  // Escape closes too, keeping what the keys chose.
  events.clear();
  codes.clear();
  AltDown();
  KeyPress(VK_UP);
  KeyPress(VK_ESCAPE);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), "上海");
  EXPECT_EQ(events, (std::vector<std::string>{"dropdown", "select:1", "closeup"}));
  // Closed, the arrows step through the items.
  events.clear();
  KeyPress(VK_DOWN);
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(events, std::vector<std::string>{"select:2"});
  combo->SetWindowProc(old);
}

TEST_F(ComboTest, TheMouseDropsTheListAndChoosesFromIt) {
  Show();
  // The button at the right end.
  ClickAt(combo, combo->Width() - 5, combo->Height() / 2);
  ASSERT_TRUE(combo->DroppedDown());
  RECT lr{};
  GetWindowRect(combo->ListHandle(), &lr);
  RECT cr{};
  GetWindowRect(combo->Handle(), &cr);
  EXPECT_EQ(lr.top, cr.bottom);  // below the combo box
  EXPECT_EQ(lr.left, cr.left);
  EXPECT_EQ(lr.bottom - lr.top, 4 * kItem + 2);  // four items, fewer than DropDownCount
  // A click on the third item chooses it.
  FanoInputMouseMove(lr.left + 5, lr.top + 1 + 2 * kItem + 3);
  FanoInputMouseButton(0, TRUE, lr.left + 5, lr.top + 1 + 2 * kItem + 3);
  FanoInputMouseButton(0, FALSE, lr.left + 5, lr.top + 1 + 2 * kItem + 3);
  Pump();
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(combo->Text(), "广州");
  // A click outside closes without choosing.
  ClickAt(combo, combo->Width() - 5, combo->Height() / 2);
  ASSERT_TRUE(combo->DroppedDown());
  ClickAt(other, 5, 5);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(events, (std::vector<std::string>{"dropdown", "select:2", "closeup", "dropdown", "closeup"}));
}

TEST_F(ComboTest, DropDownListStyleSearchesByTyping) {
  combo->SetStyle(csDropDownList);
  combo->Items()->Clear();
  for (const char* s : {"apple", "banana", "blueberry", "cherry"}) combo->Items()->Add(s);
  Show();
  EXPECT_FALSE(combo->EditHandle());
  Focus();
  EXPECT_EQ(GetFocus(), combo->Handle());
  FanoInputText("b");
  Pump();
  EXPECT_EQ(combo->ItemIndex(), 1);
  FanoInputText("b");
  Pump();
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(combo->Text(), "blueberry");
  // Text chooses the item of that text.
  combo->SetText("cherry");
  EXPECT_EQ(combo->ItemIndex(), 3);
  combo->SetText("none");
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(events, (std::vector<std::string>{"select:1", "select:2"}));
}

TEST_F(ComboTest, SimpleStyleShowsItsListUnderTheEdit) {
  combo->SetStyle(csSimple);
  combo->SetHeight(100);
  Show();
  ASSERT_TRUE(combo->ListHandle());
  EXPECT_EQ(GetParent(combo->ListHandle()), combo->Handle());
  EXPECT_TRUE(IsWindowVisible(combo->ListHandle()));
  EXPECT_EQ(combo->Height(), 100);
  Focus();
  FanoInputText("深");
  Pump();
  EXPECT_EQ(combo->ItemIndex(), 3);  // the list follows the typed prefix
  int dbl = 0;
  combo->OnDblClick = [&](TObject*) { ++dbl; };
  RECT lr{};
  GetWindowRect(combo->ListHandle(), &lr);
  POINT p{lr.left + 5, lr.top + 1 + kItem + 2};
  FanoInputMouseMove(p.x, p.y);
  for (int i = 0; i < 2; ++i) {
    FanoInputMouseButton(0, TRUE, p.x, p.y);
    FanoInputMouseButton(0, FALSE, p.x, p.y);
  }
  Pump();
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), "上海");
  EXPECT_EQ(dbl, 1);
  combo->OnDblClick = nullptr;
}

TEST_F(ComboTest, OwnerDrawnComboDrawsTheFieldAndTheItems) {
  combo->SetStyle(csOwnerDrawFixed);
  combo->SetItemHeight(18);
  std::vector<std::string> drawn;
  combo->OnDrawItem = [&](TWinControl*, int index, TRect rect, TOwnerDrawState state) {
    drawn.push_back(std::to_string(index) + (state.Contains(odComboBoxEdit) ? "e" : "") + ":" +
                    std::to_string(rect.Height()));
  };
  combo->SetItemIndex(1);
  Show();
  combo->Repaint();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.back(), "1e:18");
  EXPECT_EQ(combo->Height(), 18 + 6);
  drawn.clear();
  combo->SetDroppedDown(true);
  UpdateWindow(combo->ListHandle());
  EXPECT_EQ(drawn, (std::vector<std::string>{"0:18", "1:18", "2:18", "3:18"}));
  combo->SetDroppedDown(false);
  combo->OnDrawItem = nullptr;
}

}  // namespace

namespace {

TEST_F(ComboTest, TheEditAndTheListTakeTheCombosColours) {
  combo->SetColor(clYellow);
  Show();
  combo->Items()->Clear();
  combo->SetDroppedDown(true);
  UpdateWindow(combo->ListHandle());
  EXPECT_EQ(FanoGetWindowPixel(combo->ListHandle(), 3, 3) & 0xFFFFFF, ColorToRGB(clYellow) & 0xFFFFFF);
  combo->SetDroppedDown(false);
  // The edit child's background.
  combo->SetText("");
  Pump();
  RECT er{};
  GetWindowRect(combo->EditHandle(), &er);
  RECT fr{};
  GetWindowRect(form->Handle(), &fr);
  EXPECT_EQ(FanoGetWindowPixel(form->Handle(), er.right - 3 - fr.left, er.top + 3 - fr.top) & 0xFFFFFF,
            ColorToRGB(clYellow) & 0xFFFFFF);
}

}  // namespace
