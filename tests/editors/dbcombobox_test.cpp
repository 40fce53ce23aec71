// The combo box editor: text and key modes, completion while typing, item index bounds,
// stepping, the not-in-list event, the drop-down list and its hooks.
#include <gtest/gtest.h>

#include <functional>

#include "dbeditor_fixture.h"
#include "editors/dbcombobox.h"
#include "platform/classes/filer.h"
#include "platform/db/testdataset.h"

using namespace dbfix;

namespace {

class ComboBoxTest : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    ds = new TTestDataSet(form);
    ds->SetName("tblDoc");
    ds->FieldDefs().Add("KIND", ftString, 10);
    ds->FieldDefs().Add("NAME", ftString, 20);
    ds->AddRow({"2", "Abd"});
    ds->Open();
    source = new TDataSource(form);
    source->SetDataSet(ds);
    combo = Add<TDBComboBoxGx>(20, 20, 150, 21);
    combo->Items()->SetText("Abc\nAbd\nXyz");
  }
  void MakeKeyMode() { combo->KeyItems()->SetText("1\n2"); }
  void Bind(const char* field) {
    combo->SetDataSource(source);
    combo->SetDataField(field);
  }
  void Focus() {
    Show();
    combo->SetFocus();
    Pump();
  }
  std::string Shown() const { return combo->EditText(); }
  std::pair<int, int> Sel() const {
    int a = 0, b = 0;
    combo->GetSel(a, b);
    return {a, b};
  }
  TTestDataSet* ds = nullptr;
  TDataSource* source = nullptr;
  TDBComboBoxGx* combo = nullptr;
};

// ---------------------------------------------------------------- modes

TEST_F(ComboBoxTest, TextModeKeepsAnyTextAndFindsItsItem) {
  EXPECT_FALSE(combo->KeyMode());
  EXPECT_EQ(combo->ItemCount(), 3);
  combo->SetText("Abd");
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Value().AsString(), "Abd");
  combo->SetText("free text");
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Value().AsString(), "free text");
  EXPECT_FALSE(combo->ReadOnly());
}

TEST_F(ComboBoxTest, KeyModeShowsTheItemOfTheKey) {
  MakeKeyMode();
  EXPECT_TRUE(combo->KeyMode());
  EXPECT_EQ(combo->ItemCount(), 2);  // three items, two keys: the third is never chosen
  combo->SetValue(Variant("2"));
  EXPECT_EQ(Shown(), "Abd");
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Value().AsString(), "2");
  combo->SetText("Abc");  // a text in Items chooses its key
  EXPECT_EQ(combo->Value().AsString(), "1");
  combo->SetText("Xyz");  // beyond the keys: nothing changes
  EXPECT_EQ(combo->Value().AsString(), "1");
  EXPECT_EQ(Shown(), "Abc");
  EXPECT_EQ(combo->DefaultAlignment(), taLeftJustify);
}

TEST_F(ComboBoxTest, AKeyNotInTheListShowsNothingButIsKept) {
  MakeKeyMode();
  combo->SetValue(Variant("9"));
  EXPECT_EQ(Shown(), "");
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Value().AsString(), "9");
}

TEST_F(ComboBoxTest, ModeFollowsTheKeyList) {
  MakeKeyMode();
  combo->SetValue(Variant("1"));
  combo->KeyItems()->Clear();
  EXPECT_FALSE(combo->KeyMode());
  EXPECT_EQ(combo->ItemCount(), 3);
  combo->KeyItems()->SetText("a\nb\nc");
  EXPECT_TRUE(combo->KeyMode());
  EXPECT_EQ(combo->ItemCount(), 3);
}

TEST_F(ComboBoxTest, NewItemsInKeyModeShowTheKeyAgain) {
  MakeKeyMode();
  combo->SetValue(Variant("2"));
  combo->Items()->SetText("现金\n转账");
  EXPECT_EQ(Shown(), "转账");
  EXPECT_EQ(combo->Value().AsString(), "2");
}

TEST_F(ComboBoxTest, BoundKeyModeReadsAndWritesTheKey) {
  MakeKeyMode();
  Bind("KIND");
  EXPECT_EQ(Shown(), "Abd");
  combo->SetItemIndex(0);
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(ds->FieldByName("KIND")->AsString(), "1");
}

// Two items of the same text: choosing the other one changes no text, but its key is the one the
// field receives when the editor is left.
TEST_F(ComboBoxTest, ChoosingAnItemOfTheSameTextStoresItsKey) {
  struct Case {
    const char* name;
    std::function<void()> choose;
  };
  const Case cases[] = {
      {"Down", [] { KeyPress(VK_DOWN); }},
      {"wheel", [this] { Wheel(combo, -120); }},
      {"list", [this] {
         combo->DropDown();
         KeyPress(VK_DOWN);
         KeyPress(VK_RETURN);
       }},
  };
  combo->Items()->SetText("Xyz\nSame\nSame");
  combo->KeyItems()->SetText("1\n2\n3");
  Bind("KIND");
  auto* other = Add<TDBComboBoxGx>(20, 60, 150, 21);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ds->Cancel();
    Focus();
    ASSERT_EQ(combo->ItemIndex(), 1);
    c.choose();
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(combo->Value().AsString(), "3");
    other->SetFocus();
    Pump();
    EXPECT_EQ(ds->FieldByName("KIND")->AsString(), "3");
  }
}

TEST_F(ComboBoxTest, ItemIndexOutOfRangeClearsValueAndWritesTheField) {
  MakeKeyMode();
  Bind("KIND");
  combo->SetItemIndex(5);
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_TRUE(combo->Value().IsNull());
  EXPECT_EQ(Shown(), "");
  EXPECT_TRUE(ds->FieldByName("KIND")->IsNull());
  combo->SetItemIndex(1);
  combo->SetItemIndex(-3);
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_TRUE(ds->FieldByName("KIND")->IsNull());
}

// ---------------------------------------------------------------- typing

TEST_F(ComboBoxTest, TextModeCompletesWhileTyping) {
  Focus();
  Type("a");
  EXPECT_EQ(Shown(), "Abc");
  EXPECT_EQ(Sel(), std::make_pair(1, 3));
  EXPECT_EQ(combo->ItemIndex(), 0);
  Type("b");
  EXPECT_EQ(Shown(), "Abc");
  EXPECT_EQ(Sel(), std::make_pair(2, 3));
  Type("d");
  EXPECT_EQ(Shown(), "Abd");
  EXPECT_EQ(combo->ItemIndex(), 1);
  Type("q");  // nothing starts so: the text stays as typed
  EXPECT_EQ(Shown(), "Abdq");
  EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(ComboBoxTest, KeyModeTypingSearchesAndSelectsTheRest) {
  MakeKeyMode();
  Focus();
  Type("a");
  EXPECT_EQ(Shown(), "Abc");
  Type("b");
  EXPECT_EQ(Shown(), "Abc");  // the first of Abc and Abd
  EXPECT_EQ(Sel(), std::make_pair(2, 3));
  EXPECT_EQ(combo->Value().AsString(), "1");
  Type("d");
  EXPECT_EQ(Shown(), "Abd");
  EXPECT_EQ(combo->Value().AsString(), "2");
  Type("z");  // matches nothing: unchanged
  EXPECT_EQ(Shown(), "Abd");
  EXPECT_EQ(combo->Value().AsString(), "2");
  KeyPress(VK_BACK);
  EXPECT_EQ(Shown(), "Abd");  // Backspace only widens the selection
  EXPECT_EQ(Sel(), std::make_pair(2, 3));
}

TEST_F(ComboBoxTest, DeleteClearsAKeyUnlessTheFieldIsRequired) {
  MakeKeyMode();
  Bind("KIND");
  Focus();
  KeyPress(VK_DELETE);
  EXPECT_TRUE(combo->Value().IsNull());
  EXPECT_EQ(Shown(), "");
  combo->DataLink()->Reset();
  EXPECT_EQ(Shown(), "Abd");
  ds->FieldByName("KIND")->SetRequired(true);
  KeyPress(VK_DELETE);
  EXPECT_EQ(combo->Value().AsString(), "2");
}

// ---------------------------------------------------------------- stepping

TEST_F(ComboBoxTest, ArrowsStepThroughTheItemsWithoutWrapping) {
  Focus();
  KeyPress(VK_UP);  // from none up to the last
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(Shown(), "Xyz");
  KeyPress(VK_DOWN);  // the last stays
  EXPECT_EQ(combo->ItemIndex(), 2);
  KeyPress(VK_UP);
  KeyPress(VK_UP);
  EXPECT_EQ(combo->ItemIndex(), 0);
  KeyPress(VK_UP);  // the first stays
  EXPECT_EQ(combo->ItemIndex(), 0);
  KeyPress(VK_DOWN);
  EXPECT_EQ(Shown(), "Abd");
}

TEST_F(ComboBoxTest, WheelStepsAndReadOnlyDoesNot) {
  Focus();
  Wheel(combo, -WHEEL_DELTA);
  EXPECT_EQ(combo->ItemIndex(), 0);
  Wheel(combo, -WHEEL_DELTA);
  EXPECT_EQ(combo->ItemIndex(), 1);
  Wheel(combo, WHEEL_DELTA);
  EXPECT_EQ(combo->ItemIndex(), 0);
  combo->SetReadOnly(true);
  Wheel(combo, -WHEEL_DELTA);
  KeyPress(VK_DOWN);
  EXPECT_EQ(combo->ItemIndex(), 0);
}

TEST_F(ComboBoxTest, UpDownButtonSteps) {
  combo->EditButton()->SetStyle(ebsUpDownGx);
  Focus();
  combo->ButtonDownDefault(false);  // upper half: previous
  EXPECT_EQ(combo->ItemIndex(), 2);
  combo->ButtonDownDefault(true);
  EXPECT_EQ(combo->ItemIndex(), 2);
  combo->ButtonDownDefault(false);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_FALSE(combo->DroppedDown());
}

// ---------------------------------------------------------------- not in list

TEST_F(ComboBoxTest, NotInListIsAskedBeforeWriting) {
  Bind("NAME");
  std::string asked;
  combo->OnNotInList = [&](TObject*, const std::string& text, bool& handled) {
    asked = text;
    handled = true;
  };
  Focus();
  combo->SetText("Abc");
  EXPECT_EQ(asked, "");  // in the list: not asked
  combo->SetText("Other");
  EXPECT_EQ(asked, "Other");
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Other");  // written all the same
}

// ---------------------------------------------------------------- drop-down

TEST_F(ComboBoxTest, DropDownShowsTheItemsAndEnterTakesTheChoice) {
  MakeKeyMode();
  Focus();
  bool before = false;
  combo->OnBeforeDropDown = [&](TObject*) { before = true; };
  combo->DropDown();
  EXPECT_TRUE(before);
  ASSERT_TRUE(combo->ListVisible());
  TPopupListboxGx* list = combo->PopupListbox();
  EXPECT_EQ(list->Items()->Count(), 2);
  EXPECT_TRUE(IsWindowVisible(list->Handle()));
  EXPECT_TRUE(combo->DroppedDown());
  KeyPress(VK_DOWN);  // goes to the list
  EXPECT_EQ(list->ItemIndex(), 0);
  KeyPress(VK_DOWN);
  EXPECT_EQ(combo->ItemIndex(), -1);  // not taken yet
  KeyPress(VK_RETURN);
  EXPECT_FALSE(combo->ListVisible());
  EXPECT_FALSE(IsWindowVisible(list->Handle()));
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Value().AsString(), "2");
}

TEST_F(ComboBoxTest, EscapeAndTheBeforeCloseUpHookKeepTheText) {
  Focus();
  std::vector<bool> closes;
  combo->OnCloseUp = [&](TObject*, bool accept) { closes.push_back(accept); };
  combo->DropDown();
  combo->PopupListbox()->SetItemIndex(2);
  KeyPress(VK_ESCAPE);
  EXPECT_EQ(Shown(), "");
  combo->OnBeforeCloseUp = [](TObject*, bool& accept) { accept = false; };
  combo->DropDown();
  combo->PopupListbox()->SetItemIndex(2);
  KeyPress(VK_RETURN);
  EXPECT_EQ(Shown(), "");
  EXPECT_EQ(closes, (std::vector<bool>{false, false}));
  combo->OnBeforeCloseUp = nullptr;
  combo->DropDown();
  combo->PopupListbox()->SetItemIndex(2);
  combo->CloseUp(true);
  EXPECT_EQ(Shown(), "Xyz");
  EXPECT_EQ(closes.back(), true);
}

TEST_F(ComboBoxTest, EscapeClosingTheListKeepsWhatWasTyped) {
  Focus();
  Type("xy");
  EXPECT_EQ(Shown(), "Xyz");
  combo->DropDown();
  KeyPress(VK_ESCAPE);
  EXPECT_FALSE(combo->ListVisible());
  EXPECT_EQ(Shown(), "Xyz");
  KeyPress(VK_ESCAPE);  // with the list closed Escape resets the editor
  EXPECT_EQ(Shown(), "");
}

TEST_F(ComboBoxTest, APressDraggedFromTheButtonIntoTheListChoosesThere) {
  Focus();
  TEditButtonControlGx* button = combo->ButtonControl(0);
  MouseDown(button, button->Width() / 2, button->Height() / 2);
  ASSERT_TRUE(combo->ListVisible());
  TPopupListboxGx* list = combo->PopupListbox();
  int rowHeight = list->ItemHeight();
  TPoint inList = list->ClientToScreen(TPoint(10, rowHeight * 2 + rowHeight / 2));  // the third row
  FanoInputMouseMove(inList.X, inList.Y);
  Pump();
  FanoInputMouseButton(0, FALSE, inList.X, inList.Y);
  Pump();
  EXPECT_FALSE(combo->ListVisible());
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(Shown(), "Xyz");
}

TEST_F(ComboBoxTest, AutoDropOpensAtTheFirstCharacter) {
  combo->DropDownBox()->SetAutoDrop(true);
  Focus();
  Type("x");
  EXPECT_TRUE(combo->ListVisible());
  EXPECT_EQ(Shown(), "Xyz");
  EXPECT_EQ(combo->PopupListbox()->ItemIndex(), 2);  // the open list follows the text
  combo->CloseUp(false);
}

// A list opened on one record hands nothing to another: when a program moves the data set, posts
// or cancels its edit, appends, refreshes or closes it, the list closes without its item and the
// editor shows the new data; the Enter that follows writes nothing. Editing the same record or
// setting the field keeps the list open, and so does the edit that a character typed with
// AutoDrop starts on an empty table: it adds the record that the list then writes into.
TEST_F(ComboBoxTest, AnOpenListClosesWithoutItsItemWhenTheRecordGoes) {
  ds->Close();
  ds->AddRow({"1", "Abc"});
  auto* empty = new TTestDataSet(form);
  empty->FieldDefs().Add("NAME", ftString, 20);
  auto pick = [] {
    KeyPress(VK_DOWN, false, false, true);  // Alt+Down opens the list at "Abd"
    KeyPress(VK_DOWN);
  };
  auto editAndPick = [&] {
    ds->Edit();
    pick();
  };
  auto typeOnEmpty = [&] {
    source->SetDataSet(empty);
    empty->Open();
    combo->DropDownBox()->SetAutoDrop(true);
    Type("x");
  };
  struct Case {
    const char* name;
    std::function<void()> open, go;
    bool stays;
    const char* shown;  // after the Enter
    TDataSetState state;
  };
  const Case cases[] = {
      {"moved", pick, [&] { ds->Next(); }, false, "Abc", dsBrowse},
      {"posted", editAndPick, [&] { ds->Post(); }, false, "Abd", dsBrowse},
      {"cancelled", editAndPick, [&] { ds->Cancel(); }, false, "Abd", dsBrowse},
      {"appended", pick, [&] { ds->Append(); }, false, "", dsInsert},
      {"refreshed", pick, [&] { ds->Refresh(); }, false, "Abd", dsBrowse},
      {"closed", pick, [&] { ds->Close(); }, false, "", dsInactive},
      {"edited", pick, [&] { ds->Edit(); }, true, "Abd", dsEdit},  // the list follows the value
      {"field set", editAndPick, [&] { ds->FieldByName("NAME")->SetAsString("Abc"); }, true, "Abc", dsEdit},
      {"typed on an empty table", typeOnEmpty, [] {}, true, "Xyz", dsInsert},
  };
  Bind("NAME");
  Focus();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ds->Open();
    c.open();
    ASSERT_TRUE(combo->ListVisible());
    c.go();
    EXPECT_EQ(combo->ListVisible(), c.stays);
    KeyPress(VK_RETURN);
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_EQ(static_cast<int>(source->DataSet()->State()), static_cast<int>(c.state));
    combo->DropDownBox()->SetAutoDrop(false);
    for (TDataSet* d : {static_cast<TDataSet*>(ds), static_cast<TDataSet*>(empty)}) {
      if (d->Active()) d->Cancel();
      d->Close();
    }
    source->SetDataSet(ds);
  }
}

TEST_F(ComboBoxTest, KeyModeTextAreaWorksAsAButton) {
  MakeKeyMode();
  Show();
  ClickAt(combo, 10, combo->ClientHeight() / 2);
  EXPECT_TRUE(combo->Focused());
  EXPECT_TRUE(combo->ListVisible());
  ClockAdvance(1000);  // not a double click
  MouseDown(combo, 10, combo->ClientHeight() / 2);  // a press on the text of an open list closes it
  EXPECT_FALSE(combo->ListVisible());
  MouseUp(combo, 10, combo->ClientHeight() / 2);
}

TEST_F(ComboBoxTest, PaintingACopyShowsTheItemOfTheFieldsKey) {
  MakeKeyMode();
  Bind("KIND");
  combo->SetCharCase(ecUpperCase);
  combo->SetControlState(combo->ControlState() + csPaintCopy);
  EXPECT_EQ(combo->GetDisplayTextForPaint(), "ABD");
  ds->Edit();
  ds->FieldByName("KIND")->SetAsString("7");
  EXPECT_EQ(combo->GetDisplayTextForPaint(), "");
  combo->SetControlState(combo->ControlState() - csPaintCopy);
}

TEST_F(ComboBoxTest, ItemImageIndexFollowsTheItem) {
  combo->OnGetItemImageIndex = [](TObject*, int item, int& image) { image = item >= 0 ? item * 10 : -1; };
  combo->SetText("Abd");
  EXPECT_EQ(combo->ItemImageIndex(), 10);
  combo->SetText("other");
  EXPECT_EQ(combo->ItemImageIndex(), -1);
}

// With the list open the paging keys move in it, unless a button takes the key as its shortcut.
TEST_F(ComboBoxTest, AButtonShortcutBeatsTheOpenList) {
  TEditButtonGx* extra = combo->EditButtons()->Add();
  extra->SetVisible(true);
  extra->SetShortCut(TextToShortCut("PgDn"));
  int clicks = 0;
  extra->OnClick = [&](TObject*, bool& handled) {
    ++clicks;
    handled = true;
  };
  combo->Items()->SetText("a\nb\nc\nd");
  Focus();
  combo->DropDown();
  TPopupListboxGx* list = combo->PopupListbox();
  KeyPress(VK_NEXT);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(list->ItemIndex(), -1);  // the list did not move
  KeyPress(VK_DOWN, false, false, true);  // the main button's Alt+Down closes the list
  EXPECT_FALSE(combo->ListVisible());
  combo->DropDown();
  KeyPress(VK_PRIOR);  // no button's: the list takes it
  KeyPress(VK_DOWN);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(list->ItemIndex(), 1);
  combo->CloseUp(false);
}

// With images the list's rows are as tall as the images when those are taller than the text.
TEST_F(ComboBoxTest, ListRowsTakeTheImageHeight) {
  combo->DropDown();
  const int text = combo->PopupListbox()->GetTextHeight();
  combo->CloseUp(false);
  ASSERT_GT(text, 8);
  ASSERT_LT(text, 20);
  for (int imageHeight : {20, 8}) {
    SCOPED_TRACE(imageHeight);
    auto* images = new TImageList(form);
    images->SetWidth(16);
    images->SetHeight(imageHeight);
    combo->SetImages(images);
    combo->DropDown();
    EXPECT_EQ(combo->PopupListbox()->ItemHeight(), imageHeight > text ? imageHeight : text);
    combo->CloseUp(false);
    images->Free();
  }
}

TEST_F(ComboBoxTest, ListWidthAndRows) {
  combo->Items()->SetText("a\nb");
  combo->DropDown();
  TPopupListboxGx* list = combo->PopupListbox();
  EXPECT_EQ(list->Width(), combo->Width());  // width 0: the editor's
  EXPECT_EQ(list->RowCount(), 2);            // fewer items than rows
  combo->CloseUp(false);
  combo->Items()->SetText("a\nan item much longer than the editor is wide");
  combo->DropDownBox()->SetWidth(-1);
  combo->DropDown();
  // The test font advances every narrow character by (11 + 1) / 2 = 6 pixels.
  int expected = 6 * static_cast<int>(std::string("an item much longer than the editor is wide").size()) + 5;
  EXPECT_EQ(list->Width(), expected);
  combo->CloseUp(false);
  combo->Items()->SetText("a");
  combo->DropDown();
  EXPECT_EQ(list->Width(), combo->Width());  // never narrower than the editor
  combo->CloseUp(false);
}

TEST_F(ComboBoxTest, ListItemsAreDrawn) {
  Focus();
  combo->DropDown();
  Pump();
  TPopupListboxGx* list = combo->PopupListbox();
  // The test font draws each character as a block from one pixel below the cell's top.
  EXPECT_EQ(PixelOf(list, 4, 4), static_cast<TColor>(0x000000));
  EXPECT_EQ(PixelOf(list, list->Width() - 10, 4), static_cast<TColor>(0xFFFFFF));
  combo->CloseUp(false);
}

TEST_F(ComboBoxTest, ItemsAreRequestedOnDemand) {
  combo->Items()->Clear();
  int asked = 0;
  combo->OnItemsRequest = [&](TObject*) {
    ++asked;
    combo->Items()->SetText("one\ntwo");
  };
  combo->DropDown();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(combo->PopupListbox()->Items()->Count(), 2);
  combo->CloseUp(false);
}

TEST_F(ComboBoxTest, PublishedPropertiesAreReadFromAResource) {
  combo->Free();
  const char* text =
      "object TDBComboBoxGx cbKind {\n"
      "  Items = (\"现金\", \"转账\")\n"
      "  KeyItems = (\"1\", \"2\")\n"
      "  DropDownBox.Rows = 12\n"
      "  DropDownBox.Sizable = true\n"
      "}\n";
  RegisterDBComboBoxClasses();
  auto* loaded = new TDBComboBoxGx(form);
  ReadComponentText(loaded, text);
  EXPECT_TRUE(loaded->KeyMode());
  EXPECT_EQ(loaded->ItemCount(), 2);
  EXPECT_EQ(loaded->DropDownBox()->Rows(), 12);
  EXPECT_TRUE(loaded->DropDownBox()->Sizable());
  EXPECT_TRUE(loaded->EditButton()->Visible());
}

class ComboBoxSnapshot : public SnapshotFixture {};

TEST_F(ComboBoxSnapshot, NormalFocusedAndDroppedDown) {
  auto* plain = new TDBComboBoxGx(form);
  plain->SetParent(form);
  plain->SetBounds(20, 20, 160, 21);
  plain->Items()->SetText("现金\n转账\n支票");
  plain->KeyItems()->SetText("1\n2\n3");
  plain->SetValue(Variant("2"));
  auto* focused = new TDBComboBoxGx(form);
  focused->SetParent(form);
  focused->SetBounds(20, 60, 160, 21);
  focused->Items()->SetText("营运组织\n业务部门\n费用垫付单");
  form->Show();
  Pump();
  focused->SetFocus();
  Pump();
  Type("业");
  WriteSnapshot(form->Handle(), "combobox.png");
  focused->DropDown();
  Pump();
  WriteSnapshot(form->Handle(), "combobox_dropped.png");
  WriteSnapshot(focused->PopupListbox()->Handle(), "combobox_dropped_list.png");
  focused->CloseUp(false);
}

// Items with images taller than the text: the editor shows the chosen item's image, and each row
// of the list is as tall as the images, its image beside its text.
TEST_F(ComboBoxSnapshot, WithImages) {
  auto* images = new TImageList(form);
  images->SetWidth(20);
  images->SetHeight(20);
  for (TColor colour : {clRed, clGreen, clBlue}) {
    TBitmap bmp;
    bmp.SetSize(20, 20);
    bmp.Canvas()->Brush()->SetColor(colour);
    bmp.Canvas()->FillRect(TRect(0, 0, 20, 20));
    images->Add(&bmp, nullptr);
  }
  auto* combo = new TDBComboBoxGx(form);
  combo->SetParent(form);
  combo->SetBounds(20, 20, 160, 21);
  combo->Items()->SetText("现金\n转账\n支票");
  combo->KeyItems()->SetText("1\n2\n3");
  combo->SetImages(images);
  combo->SetValue(Variant("2"));
  form->Show();
  Pump();
  combo->SetFocus();
  Pump();
  WriteSnapshot(form->Handle(), "combobox_images.png");
  combo->DropDown();
  Pump();
  TPopupListboxGx* list = combo->PopupListbox();
  EXPECT_EQ(list->ItemHeight(), 20);
  const TRect third = list->ItemRect(2);
  EXPECT_EQ(third.Height(), 20);
  const TPoint probe = list->ClientToScreen(TPoint(third.Left + 8, (third.Top + third.Bottom) / 2));
  EXPECT_EQ(uitest::WindowPixelAt(list, probe), ColorToRGB(clBlue));
  const TRect chosen = list->ItemRect(1);  // its focus rectangle leaves the image area alone
  int dotted = 0;
  for (int y = chosen.Top; y < chosen.Bottom; ++y)
    if (uitest::WindowPixelAt(list, list->ClientToScreen(TPoint(chosen.Left, y))) != ColorToRGB(combo->Color())) ++dotted;
  EXPECT_EQ(dotted, 0);
  WriteSnapshot(form->Handle(), "combobox_images_dropped.png");
  WriteSnapshot(list->Handle(), "combobox_images_list.png");
  combo->CloseUp(false);
}

}  // namespace
