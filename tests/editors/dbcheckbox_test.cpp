// The data-aware check box: states from Boolean fields and from value lists, writing back, the
// cycle of toggles, the keyboard and the mouse, and its own value without a field.
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "editors/dbcheckbox.h"
#include "platform/db/dataset.h"

using namespace edtest;

namespace {

class DBCheckBox : public EditorTest {
 protected:
  TDBCheckBoxGx* Box(const char* field) {
    auto* b = Add<TDBCheckBoxGx>(10, 10, 120, 17);
    b->SetCaption("已审核");
    b->SetDataSource(source);
    b->SetDataField(field);
    return b;
  }
};

TEST_F(DBCheckBox, ABooleanFieldGivesTheStateAndNullIsGrayed) {
  auto* b = Box("FLAG");
  EXPECT_EQ(b->State(), cbChecked);
  table->Next();
  EXPECT_EQ(b->State(), cbUnchecked);
  table->Edit();
  table->FieldByName("FLAG")->Clear();
  EXPECT_EQ(b->State(), cbGrayed);
}

TEST_F(DBCheckBox, ValueListsMatchIgnoringCaseAndWriteTheirFirstEntry) {
  auto* b = Box("CODE");
  b->SetValueChecked("Y;Yes");
  b->SetValueUnchecked("N;");
  table->Edit();
  table->FieldByName("CODE")->SetAsString("yes");
  EXPECT_EQ(b->State(), cbChecked);
  table->FieldByName("CODE")->SetAsString("");
  EXPECT_EQ(b->State(), cbUnchecked);  // "N;" ends with ";": the empty text matches
  table->FieldByName("CODE")->SetAsString("maybe");
  EXPECT_EQ(b->State(), cbGrayed);
  b->SetChecked(true);
  EXPECT_EQ(table->FieldByName("CODE")->AsString(), "Y");
  b->SetChecked(false);
  EXPECT_EQ(table->FieldByName("CODE")->AsString(), "N");
  b->SetState(cbGrayed);  // even without AllowGrayed
  EXPECT_TRUE(table->FieldByName("CODE")->IsNull());
  EXPECT_TRUE(TCustomDBCheckBoxGx::ValueMatch("a;B;c", "b"));
  EXPECT_FALSE(TCustomDBCheckBoxGx::ValueMatch("a;B;c", ""));
  EXPECT_FALSE(TCustomDBCheckBoxGx::ValueMatch("a;B;c", "d"));
  // An empty list holds no entry: an empty text does not match it.
  EXPECT_FALSE(TCustomDBCheckBoxGx::ValueMatch("", ""));
  b->SetValueChecked("");
  table->FieldByName("CODE")->SetAsString("");
  EXPECT_EQ(b->State(), cbUnchecked);
}

TEST_F(DBCheckBox, SettingTheStatePutsTheDatasetIntoEditStateAndWritesTheField) {
  auto* b = Box("FLAG");
  table->Next();
  b->SetChecked(true);
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_TRUE(table->FieldByName("FLAG")->AsBoolean());
}

TEST_F(DBCheckBox, TogglesCycleAndGrayedOnlyWhenAllowed) {
  auto* b = Box("FLAG");
  table->Next();
  Show();
  b->Toggle();
  EXPECT_EQ(b->State(), cbChecked);
  b->Toggle();
  EXPECT_EQ(b->State(), cbUnchecked);
  b->SetAllowGrayed(true);
  b->Toggle();
  EXPECT_EQ(b->State(), cbGrayed);
  b->Toggle();
  EXPECT_EQ(b->State(), cbChecked);
  b->SetAllowGrayed(false);
  table->FieldByName("FLAG")->Clear();
  EXPECT_EQ(b->State(), cbGrayed);
  b->Toggle();
  EXPECT_EQ(b->State(), cbChecked);
  // The toggled state reaches the field when the record is posted.
  table->Post();
  EXPECT_TRUE(table->FieldByName("FLAG")->AsBoolean());
}

TEST_F(DBCheckBox, AReadOnlyDatasetOrBoxDoesNotToggle) {
  auto* b = Box("FLAG");
  b->SetReadOnly(true);
  b->Toggle();
  EXPECT_EQ(b->State(), cbChecked);
  EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(DBCheckBox, SpaceAndClicksToggle) {
  auto* b = Box("FLAG");
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  Show();
  b->SetFocus();
  Pump();
  FanoInputKey(VK_SPACE, TRUE);
  Pump();
  EXPECT_EQ(b->State(), cbChecked);
  FanoInputKey(VK_SPACE, FALSE);
  Pump();
  EXPECT_EQ(b->State(), cbUnchecked);
  EXPECT_EQ(clicks, 1);
  Click(b, 5, 8);
  EXPECT_EQ(b->State(), cbChecked);
  EXPECT_EQ(clicks, 2);
  // Escape while modified is wanted by the box, and shows the field's state again.
  EXPECT_EQ(b->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 1);
}

TEST_F(DBCheckBox, WithoutAFieldItKeepsItsOwnValue) {
  auto* b = Add<TDBCheckBoxGx>(10, 10, 120, 17);
  EXPECT_EQ(b->State(), cbUnchecked);
  EXPECT_FALSE(b->IsStateStored());
  b->SetState(cbChecked);
  EXPECT_TRUE(b->DataLink()->DataIndependentValue().AsBoolean());
  EXPECT_TRUE(b->IsStateStored());
  b->SetState(cbGrayed);
  EXPECT_TRUE(b->DataLink()->DataIndependentValue().IsNull());
  b->DataLink()->SetValue(Variant(false));
  EXPECT_EQ(b->State(), cbUnchecked);
}

TEST_F(DBCheckBox, OnUpdateDataMayTakeOverTheWriting) {
  auto* b = Box("FLAG");
  table->Next();
  int calls = 0;
  b->OnUpdateData = [&](TObject*, bool& handled) {
    ++calls;
    handled = true;
  };
  b->SetChecked(true);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(table->FieldByName("FLAG")->AsBoolean());
}

TEST_F(DBCheckBox, TheBoxIsDrawnLeftOfTheCaptionOrRightOfIt) {
  auto* b = Box("FLAG");
  Show();
  HDC dc = FanoCreateRecordingDC(120, 17);
  TCanvas canvas;
  canvas.SetHandle(dc);
  b->DrawState(&canvas);
  bool textRight = false;
  for (const FANO_DRAW_RECORD& r : uitest::Records(dc)) {
    if (std::string(r.text) == "已审核") textRight = r.args[0] >= 13 + 5;
  }
  EXPECT_TRUE(textRight);
  EXPECT_EQ(GetPixel(dc, 100, 8), GetSysColor(COLOR_BTNFACE));
  EXPECT_NE(GetPixel(dc, 6, 8), GetSysColor(COLOR_BTNFACE));  // the box at the left
  b->SetAlignment(taLeftJustify);
  FanoRecordStart(dc);
  b->DrawState(&canvas);
  EXPECT_EQ(GetPixel(dc, 100, 8), GetSysColor(COLOR_BTNFACE));  // nothing between caption and box
  EXPECT_NE(GetPixel(dc, 113, 8), GetSysColor(COLOR_BTNFACE));
  int textLeft = -1;  // the caption starts where its measured rectangle does, not at the box
  for (const FANO_DRAW_RECORD& r : uitest::Records(dc))
    if (std::string(r.text) == "已审核") textLeft = static_cast<int>(r.args[0]);
  EXPECT_EQ(textLeft, 0);
  canvas.SetHandle(nullptr);
  DeleteDC(dc);
}

// Disabled, the caption is drawn twice: in the highlight colour one pixel down and right, then in
// the grey text colour.
TEST_F(DBCheckBox, ADisabledCaptionIsEmbossed) {
  auto* b = Box("FLAG");
  b->SetCaption("Done");
  b->SetEnabled(false);
  Show();
  HDC dc = FanoCreateRecordingDC(120, 17);
  TCanvas canvas;
  canvas.SetHandle(dc);
  b->DrawState(&canvas);
  std::vector<FANO_DRAW_RECORD> texts;
  for (const FANO_DRAW_RECORD& r : uitest::Records(dc))
    if (std::string(r.text) == "Done") texts.push_back(r);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].textColor, GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(texts[1].textColor, GetSysColor(COLOR_GRAYTEXT));
  EXPECT_EQ(texts[0].args[0], texts[1].args[0] + 1);
  EXPECT_EQ(texts[0].args[1], texts[1].args[1] + 1);
  canvas.SetHandle(nullptr);
  DeleteDC(dc);
}

}  // namespace
