// The base child form: its title strip, the edit states posting the tagged tables and emptying the
// delta tables, the read-only walk over containers and editors, tables built from field metadata,
// the field checks, and the colour scheme reaching editors by field role, labels and page controls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "controls/cvlabel.h"
#include "controls/cvpagecontrol.h"
#include "controls/flatcheckbox.h"
#include "controls/flatcombobox.h"
#include "controls/flatedit.h"
#include "controls/flatpanel.h"
#include "editors/dbcheckbox.h"
#include "editors/dbcombobox.h"
#include "editors/dbdatetime.h"
#include "editors/dbeditbase.h"
#include "editors/dbnumberedit.h"
#include "grid/dbgrid.h"
#include "memtable/memtable.h"
#include "platform/db/datasource.h"
#include "controls/flatspeedbutton.h"
#include "platform/forms/extctrls.h"
#include "platform/forms/forms.h"
#include "protocol/tbfield.h"
#include "shell/childbase.h"
#include "shell/doublesimple.h"
#include "shell_test_util.h"
#include "support/ui_fixture.h"

using namespace shelltest;

namespace {

// A child form of the base resource with the virtual operations it needs to exist.
class TTestChildForm : public TfrmChildBase {
 public:
  using TfrmChildBase::TfrmChildBase;
  bool CanCloseForm() override { return canClose; }
  void AfterActivate() override { ++afterActivate; }
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_SYSCOMMAND) sysCommands.push_back(m.WParam);
    TfrmChildBase::Dispatch(m);
  }
  bool canClose = true;
  int afterActivate = 0;
  std::vector<WPARAM> sysCommands;  // window commands that reached the form
};

class ChildForm : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    form = CreateForm<TTestChildForm>(nullptr);
  }
  void TearDown() override {
    if (dm) dm->Free();
    if (form) form->Free();
    ShellTest::TearDown();
  }
  // A memory table of dm with an integer key and a text column, opened.
  TMemTableGx* Table(NativeInt tag, const char* name) {
    if (!dm) dm = new TDataModule(nullptr);
    auto* t = new TMemTableGx(dm);
    t->SetName(name);
    t->SetTag(tag);
    t->FieldDefs().Add("ID", ftInteger, 0, false);
    t->FieldDefs().Add("CODE", ftString, 20, false);
    t->CreateDataSet();
    return t;
  }
  static void Append(TDataSet* t, int id, const std::string& code) {
    t->Append();
    t->FieldByName("ID")->SetAsInteger(id);
    t->FieldByName("CODE")->SetAsString(code);
    t->Post();
  }
  // The messages posted to a window, taken off its queue.
  static std::vector<MSG> Posted(HWND wnd, UINT msg) {
    std::vector<MSG> out;
    MSG m;
    while (PeekMessage(&m, wnd, msg, msg, PM_REMOVE)) out.push_back(m);
    return out;
  }
  TTestChildForm* form = nullptr;
  TDataModule* dm = nullptr;
};

// ---- title strip ----------------------------------------------------------------------------------

TEST_F(ChildForm, TheTitleStripIsReadFromTheResourceWithTheButtonsOfTheBorderIcons) {
  ASSERT_NE(form->pnlFormTitle, nullptr);
  EXPECT_EQ(form->pnlFormTitle->Align(), alTop);
  EXPECT_EQ(form->pnlFormTitle->Height(), 18);
  EXPECT_EQ(form->pnlFormTitle->Color(), 10841658);
  EXPECT_EQ(form->pnlFormTileRight->Width(), 25);
  EXPECT_EQ(form->pbTitleRight->Parent(), form->pnlFormTileRight);
  EXPECT_EQ(form->pnlFormTitleBtn->Width(), 57);
  EXPECT_EQ(form->btnFormTitleColse->Parent(), form->pnlFormTitleCloseBtn);
  EXPECT_EQ(form->btnFormTitleColse->Width(), 16);
  EXPECT_FALSE(form->btnFormTitleColse->Glyph()->Empty());
  EXPECT_EQ(form->pnlFormTileMid->Caption(), "窗口");
  // The resource's icons hold only the system menu: the close button alone is shown.
  EXPECT_TRUE(form->pnlFormTitleCloseBtn->Visible());
  EXPECT_FALSE(form->pnlFormTitleMaxBtn->Visible());
  EXPECT_FALSE(form->pnlFormTitleMinBtn->Visible());
  EXPECT_EQ(form->EditState(), esInitial);
  EXPECT_EQ(form->SizeCommand(), static_cast<uint32_t>(SC_RESTORE));
}

TEST_F(ChildForm, ShowTitleHidesTheStripAndCollapsesItsHeight) {
  form->ShowTitle(false);
  EXPECT_FALSE(form->TitleVisible());
  EXPECT_FALSE(form->pnlFormTitle->Visible());
  EXPECT_EQ(form->pnlFormTitle->Height(), 0);
  form->ShowTitle(true);
  EXPECT_TRUE(form->pnlFormTitle->Visible());
  EXPECT_EQ(form->pnlFormTitle->Height(), 18);
}

TEST_F(ChildForm, ShowingPutsTheCaptionInTheTitleAndTheFirstActivationRunsTheHooksOnce) {
  form->SetCaption("费用垫付单");
  form->Show();
  EXPECT_EQ(form->pnlFormTileMid->Caption(), "费用垫付单");
  SetFocus(form->Handle());
  Application->ProcessMessages();
  EXPECT_EQ(form->afterActivate, 1);
  form->Hide();
  form->Show();
  SetFocus(form->Handle());
  Application->ProcessMessages();
  EXPECT_EQ(form->afterActivate, 1);
}

TEST_F(ChildForm, TheTitleButtonsPostTheirWindowCommands) {
  HWND wnd = form->Handle();
  Posted(wnd, WM_SYSCOMMAND);
  form->btnFormTitleMinClick(nullptr);
  form->btnFormTitleMaxClick(nullptr);
  form->btnFormTitleMaxClick(nullptr);
  std::vector<MSG> posted = Posted(wnd, WM_SYSCOMMAND);
  ASSERT_EQ(posted.size(), 3u);
  for (const MSG& m : posted) EXPECT_EQ(m.message, static_cast<UINT>(WM_SYSCOMMAND));
  EXPECT_EQ(posted[0].wParam, static_cast<WPARAM>(SC_MINIMIZE));
  // The first toggle maximises (the entry's own maximise is not counted), the second restores.
  EXPECT_EQ(posted[1].wParam, static_cast<WPARAM>(SC_MAXIMIZE));
  EXPECT_EQ(posted[2].wParam, static_cast<WPARAM>(SC_RESTORE));
  EXPECT_EQ(form->SizeCommand(), static_cast<uint32_t>(SC_RESTORE));
}

TEST_F(ChildForm, APressOnTheTitleTextMovesTheFormByItsTitle) {
  form->Show();
  SetCapture(form->pnlFormTileMid->Handle());
  form->sysCommands.clear();
  form->pnlFormTileMid->OnMouseDown(form->pnlFormTileMid, mbLeft, TShiftState{}, 5, 5);
  EXPECT_EQ(GetCapture(), nullptr);
  ASSERT_EQ(form->sysCommands.size(), 1u);
  EXPECT_EQ(form->sysCommands[0], static_cast<WPARAM>(0xF011));
  // A double click on the title text toggles the size like the maximise button.
  ASSERT_TRUE(form->pnlFormTileMid->OnDblClick);
  form->pnlFormTileMid->OnDblClick(form->pnlFormTileMid);
  EXPECT_EQ(form->SizeCommand(), static_cast<uint32_t>(SC_MAXIMIZE));
}

TEST_F(ChildForm, TheCloseButtonTellsTheHostOnlyWhenTheFormMayClose) {
  HWND wnd = form->Handle();
  Posted(wnd, WM_SYSCOMMAND);
  form->canClose = false;
  form->btnFormTitleColseClick(nullptr);
  EXPECT_TRUE(Posted(wnd, WM_SYSCOMMAND).empty());
  EXPECT_TRUE(Posted(host->Handle(), HM_CHILDCLOSED).empty());

  form->canClose = true;
  form->btnFormTitleColseClick(nullptr);
  std::vector<MSG> own = Posted(wnd, WM_SYSCOMMAND);
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(own[0].wParam, static_cast<WPARAM>(SC_CLOSE));
  std::vector<MSG> toHost = Posted(host->Handle(), HM_CHILDCLOSED);
  ASSERT_EQ(toHost.size(), 1u);
  EXPECT_EQ(toHost[0].message, HM_CHILDCLOSED);
  EXPECT_EQ(toHost[0].wParam, reinterpret_cast<WPARAM>(wnd));
}

TEST_F(ChildForm, ShiftTabMovesTheFocusBackwards) {
  form->Show();
  auto* a = new TDBEditGx(form);
  a->SetParent(form);
  auto* b = new TDBEditGx(form);
  b->SetParent(form);
  b->SetTop(40);
  Application->ProcessMessages();
  b->SetFocus();
  uint16_t key = VK_TAB;
  form->FormKeyDown(form, key, TShiftState{ssShift});
  EXPECT_TRUE(a->Focused());
  key = VK_TAB;
  form->FormKeyDown(form, key, TShiftState{});
  EXPECT_TRUE(b->Focused());
}

TEST_F(ChildForm, TheTitleCornerIsSplitIntoTitleAndFormColours) {
  colors.TitleColor = 0x00804020;
  colors.FormColor = 0x00E0F0F0;
  GlobalVar::ColorScheme = &colors;
  form->SetBounds(0, 0, 300, 120);
  form->SetWindowState(wsNormal);
  form->Show();
  Application->ProcessMessages();
  TPaintBox* pb = form->pbTitleRight;
  ASSERT_EQ(pb->Width(), 25);
  ASSERT_EQ(pb->Height(), 18);
  auto px = [&](int x, int y) { return static_cast<TColor>(uitest::WindowPixelAt(form, pb->ClientToScreen(TPoint(x, y)))); };
  EXPECT_EQ(px(2, 2), 0x00804020);    // upper left triangle
  EXPECT_EQ(px(22, 15), 0x00E0F0F0);  // lower right triangle
}

// ---- edit states ----------------------------------------------------------------------------------

TEST_F(ChildForm, BrowsePostsTheDataTablesAndEmptiesTheDeltaTables) {
  TMemTableGx* data = Table(kDataTableTag, "mtblMain");
  TMemTableGx* delta = Table(kDeltaTableTag, "mtblMainDelta");
  TMemTableGx* other = Table(7, "mtblOther");
  form->SetDocumentDm(dm);
  Append(delta, 1, "gone");
  Append(other, 1, "x");
  data->Append();
  data->FieldByName("ID")->SetAsInteger(5);
  delta->Append();
  delta->FieldByName("ID")->SetAsInteger(6);
  other->Edit();
  other->FieldByName("CODE")->SetAsString("y");

  form->SetEditState(esBrowse);
  EXPECT_EQ(form->EditState(), esBrowse);
  EXPECT_EQ(data->State(), dsBrowse);
  EXPECT_EQ(data->RecordCount(), 1);
  EXPECT_EQ(delta->RecordCount(), 0);   // posted, then emptied
  EXPECT_EQ(other->State(), dsEdit);    // an untagged table is left alone
}

TEST_F(ChildForm, EditingAndInitialStatesPostButKeepTheDeltaRows) {
  TMemTableGx* data = Table(kDataTableTag, "mtblMain");
  TMemTableGx* delta = Table(kDeltaTableTag, "mtblMainDelta");
  form->SetDocumentDm(dm);
  Append(delta, 1, "gone");
  delta->Append();
  delta->FieldByName("ID")->SetAsInteger(2);
  data->Append();
  form->SetEditState(esEditing);
  EXPECT_EQ(data->State(), dsBrowse);
  EXPECT_EQ(delta->State(), dsBrowse);
  EXPECT_EQ(delta->RecordCount(), 2);
  form->SetEditState(esInitial);
  EXPECT_EQ(delta->RecordCount(), 2);
  form->SetEditState(esNew);
  EXPECT_EQ(delta->RecordCount(), 2);
  form->SetEditState(esBrowse);
  EXPECT_EQ(delta->RecordCount(), 0);
}

// ---- the read-only walk ---------------------------------------------------------------------------

class ReadOnlyWalk : public ChildForm {
 protected:
  void SetUp() override {
    ChildForm::SetUp();
    data = Table(kDataTableTag, "mtblMain");
    data->FieldByName("CODE")->SetReadOnly(true);
    ds = new TDataSource(dm);
    ds->SetDataSet(data);
    panel = new TPanel(form);
    panel->SetParent(form);
  }
  template <class T>
  T* Editor(TWinControl* parent, const char* field) {
    auto* e = new T(form);
    e->SetParent(parent);
    if constexpr (std::is_base_of_v<TCustomDBEditGx, T>) {
      // The flat look, whose colours the scheme sets.
      e->SetCtl3D(false);
      e->SetBorderStyle(bsNone);
    }
    if (field) {
      e->SetDataSource(ds);
      e->SetDataField(field);
    }
    return e;
  }
  TMemTableGx* data = nullptr;
  TDataSource* ds = nullptr;
  TPanel* panel = nullptr;
};

TEST_F(ReadOnlyWalk, EveryEditorClassOfAPanelIsLockedAndUnlockedByItsField) {
  auto* edit = Editor<TDBEditGx>(panel, "ID");
  auto* combo = Editor<TDBComboBoxGx>(panel, "ID");
  auto* number = Editor<TDBNumberEditGx>(panel, "ID");
  auto* check = Editor<TDBCheckBoxGx>(panel, "ID");
  auto* keyOnly = Editor<TDBEditGx>(panel, "CODE");    // bound to a read-only field
  auto* unbound = Editor<TDBEditGx>(panel, nullptr);  // no data source
  auto* blank = Editor<TDBEditGx>(panel, nullptr);
  blank->SetDataSource(ds);
  blank->SetDataField("  ");
  form->LockContainers().push_back(panel);

  form->SetEditState(esBrowse);
  for (TCustomDBEditGx* e : std::vector<TCustomDBEditGx*>{edit, combo, number, keyOnly, unbound, blank})
    EXPECT_TRUE(e->ReadOnly()) << e->Name();
  EXPECT_TRUE(check->ReadOnly());

  form->SetEditState(esEditing);
  EXPECT_FALSE(edit->ReadOnly());
  EXPECT_FALSE(combo->ReadOnly());
  EXPECT_FALSE(number->ReadOnly());
  EXPECT_FALSE(check->ReadOnly());
  EXPECT_TRUE(keyOnly->ReadOnly());   // unlocking never makes a read-only field editable
  EXPECT_FALSE(unbound->ReadOnly());  // without a field the flag alone decides
  EXPECT_FALSE(blank->ReadOnly());

  form->SetEditState(esInitial);
  EXPECT_TRUE(edit->ReadOnly());
  form->SetEditState(esNew);
  EXPECT_FALSE(edit->ReadOnly());
  form->SetEditState(9);  // no such state: the locking stays
  EXPECT_FALSE(edit->ReadOnly());
}

TEST_F(ReadOnlyWalk, TheDateEditorFlatControlsAndGridsFollowTheLock) {
  data->Close();
  data->FieldDefs().Add("DAY", ftDateTime, 0, false);
  data->CreateDataSet();
  data->FieldByName("CODE")->SetReadOnly(true);
  auto* date = Editor<TDBDateTimeEditGx>(panel, "DAY");
  auto* dateOfKey = Editor<TDBDateTimeEditGx>(panel, "CODE");
  auto* edit = new TFlatEdit(form);
  edit->SetParent(panel);
  auto* memo = new TFlatMemo(form);
  memo->SetParent(panel);
  auto* combo = new TFlatComboBox(form);
  combo->SetParent(panel);
  auto* check = new TFlatCheckBox(form);
  check->SetParent(panel);
  auto* radio = new TFlatRadioButton(form);
  radio->SetParent(panel);
  auto* grid = new TDBGridGx(form);
  grid->SetParent(panel);
  grid->SetDataSource(ds);
  form->LockContainers().push_back(panel);

  form->SetEditState(esBrowse);
  EXPECT_TRUE(date->ReadOnly());
  EXPECT_TRUE(edit->ReadOnly());
  EXPECT_TRUE(memo->ReadOnly());
  EXPECT_FALSE(combo->Enabled());
  EXPECT_FALSE(check->Enabled());
  EXPECT_FALSE(radio->Enabled());
  EXPECT_TRUE(grid->ReadOnly());

  form->SetEditState(esNew);
  EXPECT_FALSE(date->ReadOnly());
  EXPECT_TRUE(dateOfKey->ReadOnly());
  EXPECT_FALSE(edit->ReadOnly());
  EXPECT_FALSE(memo->ReadOnly());
  EXPECT_TRUE(combo->Enabled());
  EXPECT_TRUE(check->Enabled());
  EXPECT_TRUE(radio->Enabled());
  EXPECT_FALSE(grid->ReadOnly());
}

TEST_F(ReadOnlyWalk, OnlyDirectChildrenOfPanelsAndPagesAreVisited) {
  auto* nested = new TPanel(form);
  nested->SetParent(panel);
  auto* deep = Editor<TDBEditGx>(nested, "ID");
  auto* flat = new TFlatPanel(form);
  flat->SetParent(form);
  auto* inFlat = Editor<TDBEditGx>(flat, "ID");
  auto* pages = new TCvPageControl(form);
  pages->SetParent(form);
  std::vector<TDBEditGx*> onPages;
  for (int i = 0; i < 2; ++i) {
    auto* sheet = new TCvTabSheet(form);
    sheet->SetPageControl(pages);
    onPages.push_back(Editor<TDBEditGx>(sheet, "ID"));
  }
  auto* box = new TScrollBox(form);  // not a container the walk knows
  box->SetParent(form);
  auto* inBox = Editor<TDBEditGx>(box, "ID");
  form->SetReadOnly(true, {panel, flat, pages, box});
  EXPECT_FALSE(deep->ReadOnly());
  EXPECT_TRUE(inFlat->ReadOnly());
  EXPECT_TRUE(onPages[0]->ReadOnly());
  EXPECT_TRUE(onPages[1]->ReadOnly());
  EXPECT_FALSE(inBox->ReadOnly());
}

TEST_F(ReadOnlyWalk, IsControlReadOnlyReadsTheFieldOnlyWhenUnlocking) {
  EXPECT_TRUE(TfrmChildBase::IsControlReadOnly(ds, "ID", true));
  EXPECT_FALSE(TfrmChildBase::IsControlReadOnly(ds, "ID", false));
  EXPECT_TRUE(TfrmChildBase::IsControlReadOnly(ds, " CODE ", false));
  EXPECT_FALSE(TfrmChildBase::IsControlReadOnly(ds, "NOPE", false));
  EXPECT_FALSE(TfrmChildBase::IsControlReadOnly(nullptr, "CODE", false));
  TDataSource empty(nullptr);
  EXPECT_FALSE(TfrmChildBase::IsControlReadOnly(&empty, "CODE", false));
}

// ---- tables from field metadata -------------------------------------------------------------------

class Metadata : public ChildForm {
 protected:
  void SetUp() override {
    ChildForm::SetUp();
    dm = new TDataModule(nullptr);
    meta = new TCvTbField(dm);
    meta->SetTableName("TB_BILDA");
    meta->SetPKName("BILDA_ID");
    Item("BILDA_ID", ftInteger, 0, "单据ID").SetIsKey(true);
    TTbField& code = Item("BILDA002", ftString, 20, "单据编号");
    code.SetNotNull(true);
    code.SetDisplayWidth(12);
    TTbField& org = Item("BILDA003", ftInteger, 0, "营运组织");
    org.SetIsFK(true);
    org.SetFKTable("TB_PUBCB");
    TTbField& name = Item("PUBCB002", ftString, 40, "组织名称");
    name.SetIsJoin(true);
    name.SetReadOnly(true);
    table = new TMemTableGx(dm);
    delta = new TMemTableGx(dm);
  }
  TTbField& Item(const char* name, TFieldType type, int width, const char* label) {
    TTbField* f = meta->TbFields()->Add();
    f->SetFieldName(name);
    f->SetDataType(type);
    f->SetFieldWidth(width);
    f->SetDisplayLabel(label);
    return *f;
  }
  TCvTbField* meta = nullptr;
  TMemTableGx* table = nullptr;
  TMemTableGx* delta = nullptr;
};

TEST_F(Metadata, SetupTableBuildsBothTablesWithNamesPropertiesAndFlags) {
  int changes = 0;
  meta->Items(1)->OnChange = [&](TField*) { ++changes; };
  meta->Items(1)->OnGetText = [](TField* f, std::string& text, bool) { text = "<" + f->AsString() + ">"; };
  form->SetupTable(table, delta, meta);
  ASSERT_TRUE(table->Active());
  ASSERT_TRUE(delta->Active());
  ASSERT_EQ(table->FieldCount(), 4);
  ASSERT_EQ(delta->FieldCount(), 4);
  EXPECT_EQ(table->Fields().Fields(1)->FieldName(), "BILDA002");
  EXPECT_EQ(table->Fields().Fields(1)->Size(), 20);
  for (TMemTableGx* t : {table, delta}) {
    EXPECT_EQ(t->CvTableName(), "TB_BILDA");
    EXPECT_EQ(t->PKName(), "BILDA_ID");
    EXPECT_EQ(t->FKName(), "TB_PUBCB:BILDA003");
    EXPECT_TRUE(t->FieldByName("BILDA_ID")->IsKey());
    EXPECT_FALSE(t->FieldByName("BILDA_ID")->NotNull());
    EXPECT_TRUE(t->FieldByName("BILDA002")->NotNull());
    EXPECT_TRUE(t->FieldByName("PUBCB002")->IsJoin());
    EXPECT_FALSE(t->FieldByName("PUBCB002")->IsKey());
    EXPECT_FALSE(t->FieldByName("BILDA002")->Required());
  }
  // Display properties and events reach the table's fields only.
  EXPECT_EQ(table->FieldByName("BILDA002")->DisplayLabel(), "单据编号");
  EXPECT_EQ(table->FieldByName("BILDA002")->DisplayWidth(), 12);
  EXPECT_TRUE(table->FieldByName("PUBCB002")->ReadOnly());
  EXPECT_EQ(delta->FieldByName("BILDA002")->DisplayLabel(), "BILDA002");
  EXPECT_FALSE(delta->FieldByName("PUBCB002")->ReadOnly());
  table->Append();
  table->FieldByName("BILDA002")->SetAsString("FY1");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(table->FieldByName("BILDA002")->DisplayText(), "<FY1>");
  // A joined field is an ordinary field in every other respect.
  table->FieldByName("BILDA_ID")->SetAsInteger(1);
  table->Post();
  table->Edit();
  EXPECT_EQ(table->FieldByName("BILDA002")->AsString(), "FY1");
  table->Cancel();
}

TEST_F(Metadata, GridColumnsComeFromTheItemsWithKeyColourButtonsAndLists) {
  auto* grid = new TDBGridGx(form);
  grid->SetParent(form);
  grid->Columns()->Add()->SetFieldName("OLD");  // cleared first
  bool clicked = false;
  TTbField* code = meta->Items(1);
  code->SetButtonStyle(gbsButton);
  code->OnButtonClick = [&](TObject*, bool& handled) {
    clicked = true;
    handled = true;
  };
  code->SetAlignment(taRightJustify);
  code->OnUpdateData = [](TObject*, std::string& text, Variant&, bool&, bool&) { text += "!"; };
  meta->Items(2)->SetButtonStyle(gbsDropDown);
  meta->Items(2)->SetDropDownTag(3);
  meta->Items(3)->SetVisible(false);
  TTbField& flag = Item("FLAG", ftString, 1, "有效");
  flag.SetButtonStyle(gbsCheckbox);

  // The drop-down lists come from the tables of DropDownDm with the item's tag.
  TDataModule lists(nullptr);
  auto* orgs = new TMemTableGx(&lists);
  orgs->SetTag(3);
  orgs->FieldDefs().Add("ID", ftInteger, 0, false);
  orgs->FieldDefs().Add("NAME", ftString, 20, false);
  orgs->CreateDataSet();
  for (auto [id, name] : {std::pair{1, "总部"}, std::pair{12, "华东"}}) {
    orgs->Append();
    orgs->Fields().Fields(0)->SetAsInteger(id);
    orgs->Fields().Fields(1)->SetAsString(name);
    orgs->Post();
  }
  auto* other = new TMemTableGx(&lists);  // another tag: not read
  other->SetTag(4);
  form->SetDropDownDm(&lists);

  form->SetupGridTable(grid, table, delta, meta);
  ASSERT_EQ(grid->Columns()->Count(), 5);
  TColumnGx* key = grid->Columns()->Items(0);
  EXPECT_EQ(key->FieldName(), "BILDA_ID");
  EXPECT_EQ(key->Title()->Caption(), "单据ID");
  EXPECT_EQ(key->Title()->Alignment(), taCenter);
  EXPECT_EQ(key->Color(), kKeyColumnColor);
  TColumnGx* c1 = grid->Columns()->Items(1);
  EXPECT_NE(c1->Color(), kKeyColumnColor);
  EXPECT_EQ(c1->Alignment(), taRightJustify);
  ASSERT_EQ(c1->EditButtons()->Count(), 1);
  EXPECT_EQ(c1->EditButtons()->Items(0)->Style(), ebsEllipsisGx);
  bool handled = false;
  c1->EditButtons()->Items(0)->OnClick(nullptr, handled);
  EXPECT_TRUE(clicked);
  ASSERT_TRUE(c1->OnUpdateData);
  TColumnGx* org = grid->Columns()->Items(2);
  ASSERT_EQ(org->KeyList()->Count(), 2);
  EXPECT_EQ(org->KeyList()->Strings(1), "12");
  EXPECT_EQ(org->PickList()->Strings(0), "1.总部");
  EXPECT_EQ(org->PickList()->Strings(1), "12.华东");
  TColumnGx* join = grid->Columns()->Items(3);
  EXPECT_FALSE(join->Visible());
  EXPECT_TRUE(join->ReadOnly());
  EXPECT_TRUE(grid->Columns()->Items(4)->Checkboxes());
  EXPECT_FALSE(c1->Checkboxes());
  // The tables are those of SetupTable, and the grid shows them once attached.
  ASSERT_EQ(table->FieldCount(), 5);
  EXPECT_TRUE(table->FieldByName("PUBCB002")->IsJoin());
  EXPECT_TRUE(delta->Active());
  TDataSource source(nullptr);
  source.SetDataSet(table);
  grid->SetDataSource(&source);
  EXPECT_EQ(key->Field(), table->FieldByName("BILDA_ID"));
  grid->SetDataSource(nullptr);
}

TEST_F(Metadata, JoinedColumnsAreReadOnlyAndButtonsWithoutAnActionAreOfferedAllTheSame) {
  auto* grid = new TDBGridGx(form);
  grid->SetParent(form);
  TTbField* name = meta->Items(3);
  name->SetReadOnly(false);  // joined, not read-only of itself
  name->SetButtonStyle(gbsButton);
  meta->Items(1)->SetButtonStyle(gbsButton);  // no click event
  form->SetupGridTable(grid, table, delta, meta);
  EXPECT_TRUE(grid->Columns()->Items(3)->ReadOnly());
  EXPECT_FALSE(grid->Columns()->Items(1)->ReadOnly());
  for (int i : {1, 3}) {
    TEditButtonsGx* buttons = grid->Columns()->Items(i)->EditButtons();
    ASSERT_EQ(buttons->Count(), 1) << i;
    EXPECT_EQ(buttons->Items(0)->Style(), ebsEllipsisGx);
    EXPECT_FALSE(static_cast<bool>(buttons->Items(0)->OnClick));
  }
  // The field itself stays writable: code (a lookup) fills it.
  EXPECT_FALSE(table->FieldByName("PUBCB002")->ReadOnly());
}

TEST_F(Metadata, WithoutADropDownModuleDropDownColumnsGetNoLists) {
  auto* grid = new TDBGridGx(form);
  grid->SetParent(form);
  meta->Items(2)->SetButtonStyle(gbsDropDown);
  meta->Items(2)->SetDropDownTag(3);
  form->SetupGridTable(grid, table, delta, meta);
  EXPECT_EQ(grid->Columns()->Items(2)->KeyList()->Count(), 0);
  EXPECT_EQ(grid->Columns()->Items(2)->PickList()->Count(), 0);
  EXPECT_EQ(grid->Columns()->Items(2)->EditButtons()->Count(), 0);
}

TEST_F(Metadata, ATableSetUpTwiceFailsInTheDataSetLayer) {
  form->SetupTable(table, delta, meta);
  table->Close();
  delta->Close();
  EXPECT_ANY_THROW(form->SetupTable(table, delta, meta));
}

// ---- field checks ---------------------------------------------------------------------------------

class FieldChecks : public ChildForm {
 protected:
  void SetUp() override {
    ChildForm::SetUp();
    t = Table(kDataTableTag, "mtblMain");
    t->FieldByName("ID")->SetDisplayLabel("序号");
    t->FieldByName("CODE")->SetDisplayLabel("编号");
    ds = t;
  }
  std::string Check(uint8_t mode, std::string_view fields) {
    std::string msg = "unset";
    form->CheckFieldValues(mode, ds, fields, msg);
    return msg;
  }
  TMemTableGx* t = nullptr;
  TDataSet* ds = nullptr;
};

TEST_F(FieldChecks, RequiredFieldsPassOnAnEmptySetAndNameTheFirstBlankField) {
  EXPECT_EQ(Check(1, "ID,CODE"), "");
  Append(t, 1, "A");
  Append(t, 2, "   ");
  Append(t, 3, "");
  t->First();
  t->Next();
  t->Next();  // on the third record
  EXPECT_EQ(Check(1, "NOPE,CODE,ID"), "编号");
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 3);
  EXPECT_EQ(Check(1, "ID"), "");
  EXPECT_EQ(Check(1, "NOPE"), "");
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 3);
}

TEST_F(FieldChecks, TheFirstFailingFieldOfTheFirstFailingRecordWins) {
  Append(t, 1, "A");
  t->Append();
  t->FieldByName("CODE")->SetAsString("B");
  t->Post();  // no ID
  Append(t, 3, "");
  EXPECT_EQ(Check(1, "CODE,ID"), "序号");
}

TEST_F(FieldChecks, UniqueFieldsCompareTrimmedValues) {
  Append(t, 1, "1");
  Append(t, 2, "21");
  t->First();
  EXPECT_EQ(Check(0, "CODE,ID"), "");
  Append(t, 3, " 1 ");
  t->First();
  t->Next();
  EXPECT_EQ(Check(0, "ID,CODE"), "编号");
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(Check(0, "nope , ID"), "");
  EXPECT_EQ(Check(5, "CODE"), "");  // other modes check nothing
  EXPECT_EQ(t->FieldByName("ID")->AsInteger(), 2);
}

// ---- colour scheme --------------------------------------------------------------------------------

class Colours : public ReadOnlyWalk {
 protected:
  void SetUp() override {
    ReadOnlyWalk::SetUp();
    colors.PanelColor = 0x000008;
    colors.KeyFieldColor = 0x00000C;
    colors.EditorBorderColor = 0x000010;
    colors.ToolBarColor = 0x000014;
    colors.FormColor = 0x000018;
    colors.FocusedEditorColor = 0x00001C;
    colors.TitleColor = 0x000024;
    colors.EditorColor = 0x000028;
    colors.LabelLineColor = 0x00002C;
    colors.RequiredFieldColor = 0x000030;
    colors.DefaultTabColor = 0x000034;
    colors.DefaultTabColorTo = 0x000038;
    colors.ActiveTabColor = 0x00003C;
    colors.ActiveTabColorTo = 0x000040;
    GlobalVar::ColorScheme = &colors;
    data->FieldByName("ID")->SetIsKey(true);
    data->FieldByName("CODE")->SetNotNull(true);
  }
};

TEST_F(Colours, TheBaseFormColoursItsTitleAndBackground) {
  colors.ShowTitle = false;
  form->ApplyColors();
  EXPECT_EQ(form->Color(), 0x000018);
  EXPECT_EQ(form->pnlFormTitle->Color(), 0x000024);
  EXPECT_FALSE(form->pnlFormTitle->ParentColor());
  EXPECT_FALSE(form->pnlFormTitle->Visible());
}

TEST_F(Colours, EditorsTakeTheColourOfTheirFieldsRole) {
  auto* key = Editor<TDBEditGx>(panel, "ID");
  auto* required = Editor<TDBNumberEditGx>(panel, "CODE");
  auto* unbound = Editor<TDBComboBoxGx>(panel, nullptr);
  EXPECT_EQ(form->GetFieldColor(data->FieldByName("ID")), 0x00000C);
  EXPECT_EQ(form->GetFieldColor(data->FieldByName("CODE")), 0x000030);
  EXPECT_EQ(form->GetFieldColor(nullptr), 0x000028);
  data->FieldByName("CODE")->SetIsKey(true);  // key wins over required
  EXPECT_EQ(form->GetFieldColor(data->FieldByName("CODE")), 0x00000C);
  data->FieldByName("CODE")->SetIsKey(false);

  form->ApplyControlColors(form);
  EXPECT_EQ(key->ColorFlat(), 0x00000C);
  EXPECT_EQ(required->ColorFlat(), 0x000030);
  EXPECT_EQ(unbound->ColorFlat(), 0x000028);
  for (TCustomDBEditGx* e : std::vector<TCustomDBEditGx*>{key, required, unbound}) {
    EXPECT_EQ(e->ColorBorder(), 0x000010);
    EXPECT_EQ(e->ColorFocused(), 0x00001C);
  }
}

TEST_F(Colours, FlatEditsAndComboBoxesTakeTheEditorColours) {
  auto* edit = new TFlatEdit(form);
  edit->SetParent(panel);
  auto* mask = new TFlatMaskEdit(form);
  mask->SetParent(panel);
  auto* memo = new TFlatMemo(form);
  memo->SetParent(panel);
  auto* combo = new TFlatComboBox(form);
  combo->SetParent(panel);
  form->ApplyControlColors(form);
  EXPECT_EQ(edit->ColorFocused(), 0x00001C);
  EXPECT_EQ(edit->ColorBorder(), 0x000010);
  EXPECT_EQ(edit->ColorFlat(), 0x000028);
  EXPECT_EQ(mask->ColorFlat(), 0x000028);
  EXPECT_EQ(mask->ColorBorder(), 0x000010);
  EXPECT_EQ(memo->ColorFlat(), 0x000028);
  EXPECT_EQ(memo->ColorFocused(), 0x00001C);
  EXPECT_EQ(combo->Color(), 0x000028);
  EXPECT_EQ(combo->ColorArrowBackground(), 0x000008);
  EXPECT_EQ(combo->ColorBorder(), 0x000010);
}

TEST_F(Colours, ALabelDeepInsideScrollBoxAndPanelGetsTheLineColour) {
  auto* box = new TScrollBox(form);
  box->SetParent(form);
  auto* inner = new TPanel(form);
  inner->SetParent(box);
  auto* label = new TCvLabel(form);
  label->SetParent(inner);
  auto* plain = new TCvLabel(form);
  plain->SetParent(form);
  form->ApplyControlColors(box);
  EXPECT_EQ(label->LineColor(), 0x00002C);
  EXPECT_NE(plain->LineColor(), 0x00002C);  // outside the walked container
}

TEST_F(Colours, APageControlInTheContainerGetsItsTabsPagesAndEditors) {
  auto* box = new TScrollBox(form);
  box->SetParent(form);
  auto* pages = new TCvPageControl(form);
  pages->SetParent(box);
  auto* sheet = new TCvTabSheet(form);
  sheet->SetPageControl(pages);
  auto* onPage = Editor<TDBEditGx>(sheet, "ID");
  auto* holder = new TPanel(form);
  holder->SetParent(sheet);
  auto* inPanel = Editor<TDBEditGx>(holder, "CODE");
  auto* grid = new TDBGridGx(form);
  grid->SetParent(sheet);
  // One level deeper: left alone.
  auto* deeper = new TPanel(form);
  deeper->SetParent(box);
  auto* nestedPages = new TCvPageControl(form);
  nestedPages->SetParent(deeper);

  form->ApplyPageControlColors(0x123456, box);
  EXPECT_EQ(pages->TabBackGroundColor(), 0x123456);
  EXPECT_EQ(pages->ActiveColor(), 0x00003C);
  EXPECT_EQ(pages->ActiveColorTo(), 0x000040);
  EXPECT_EQ(pages->DefaultTabColor(), 0x000034);
  EXPECT_EQ(pages->DefaultTabColorTo(), 0x000038);
  EXPECT_EQ(sheet->Color(), 0x000008);
  EXPECT_EQ(onPage->ColorFlat(), 0x00000C);
  EXPECT_EQ(inPanel->ColorFlat(), 0x000030);
  EXPECT_EQ(grid->FixedColor(), 0x000008);
  EXPECT_NE(nestedPages->TabBackGroundColor(), 0x123456);
  EXPECT_NE(nestedPages->ActiveColor(), 0x00003C);
}

}  // namespace

// ---- the single-complex and double-simple forms ---------------------------------------------------

namespace {

class TTestDoubleForm : public TfrmDoubleSimple {
 public:
  using TfrmDoubleSimple::TfrmDoubleSimple;
  bool CanCloseForm() override { return true; }
};

class DoubleSimple : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    form = CreateForm<TTestDoubleForm>(nullptr);
    form->SetWindowState(wsNormal);
    form->SetBounds(0, 0, 640, 400);
  }
  void TearDown() override {
    if (form) form->Free();
    ShellTest::TearDown();
  }
  TTestDoubleForm* form = nullptr;
};

TEST_F(DoubleSimple, TheLayoutIsReadThroughTheInheritedResources) {
  // The base form's strip and commands, the single-complex column and the master/detail parts.
  ASSERT_NE(form->pnlFormTitle, nullptr);
  ASSERT_EQ(form->chldcmndBase->Commands()->Count(), 10);
  ASSERT_EQ(form->chldcmnd->Commands()->Count(), 1);
  TCommand* overview = form->chldcmnd->Commands()->Items(0);
  EXPECT_EQ(overview->Hint(), "显示/隐藏总览");
  EXPECT_EQ(overview->Name(), "Command1");
  EXPECT_TRUE(overview->HasBitmap());
  EXPECT_EQ(overview->Bitmap()->Width(), 16);
  EXPECT_EQ(form->pnlLeft->Width(), 214);
  EXPECT_EQ(form->splMain->Width(), 5);
  EXPECT_EQ(form->splMain->Color(), 13031385);
  EXPECT_EQ(form->pnlLeftTop->Height(), 89);
  EXPECT_EQ(form->pnlLeftTopBar->Parent(), form->pnlLeftTop);
  EXPECT_EQ(form->splAllView->Parent(), form->pnlLeft);
  EXPECT_EQ(form->pnlAllViewToolBar->Parent(), form->pnlLeftAll);
  EXPECT_EQ(form->pnlAllViewToolBar->Height(), 20);
  EXPECT_EQ(form->scrlbxMain->Align(), alClient);
  EXPECT_EQ(form->pnlMain->Parent(), form->scrlbxMain);
  EXPECT_EQ(form->pnlMain->CvCaptionPosition(), cpLeftTop);
  EXPECT_TRUE(form->pnlMain->CvShowLine());
  EXPECT_EQ(form->pgcntrl->Parent(), form->scrlbxMain);
  ASSERT_EQ(form->pgcntrl->GetPageCount(), 1);
  EXPECT_EQ(form->pgcntrl->GetPage(0), form->tbsht1);
  EXPECT_EQ(form->pgcntrl->ActivePage(), form->tbsht1);
  EXPECT_EQ(form->pgcntrl->TabBackGroundColor(), 12825237);
  EXPECT_EQ(form->pgcntrl->ActiveColor(), 0xFFFFFF);
  EXPECT_EQ(form->pgcntrl->TabMargin()->LeftMargin(), 5);
  EXPECT_EQ(form->tbsht1->Color(), 13031385);
  EXPECT_EQ(form->grdAllView->Parent(), form->pnlLeftAll);
  EXPECT_TRUE(form->grdAllView->DBOptions().Contains(dgRowSelect));
  EXPECT_FALSE(form->grdAllView->DBOptions().Contains(dgEditing));
  EXPECT_EQ(form->grdAllView->FixedColor(), 13031385);
  EXPECT_EQ(form->grdAllView->EvenRowColor(), 16762052);
  EXPECT_EQ(form->grdMain->Parent(), form->tbsht1);
  EXPECT_EQ(form->grdMain->RowHeight(), 18);
  EXPECT_TRUE(form->grdMain->OptionsGx().Contains(dghEnterAsTab));
  EXPECT_TRUE(form->grdMain->OptionsGx().Contains(dghShowRecNo));
  EXPECT_EQ(form->grdMain->OddRowColor(), 16768477);
  // Left column, splitter and main area side by side under the title strip.
  form->Show();
  Application->ProcessMessages();
  EXPECT_EQ(form->pnlLeft->Left(), 0);
  EXPECT_EQ(form->pnlLeft->Top(), 18);
  EXPECT_EQ(form->splMain->Left(), 214);
  EXPECT_EQ(form->scrlbxMain->Left(), 219);
}

TEST_F(DoubleSimple, TheOverviewCommandTogglesTheColumnAndItsSplitter) {
  form->Show();
  TCommand* overview = form->chldcmnd->Commands()->Items(0);
  overview->Execute();
  Application->ProcessMessages();
  EXPECT_FALSE(form->pnlLeft->Visible());
  EXPECT_EQ(form->splMain->Width(), 0);
  EXPECT_EQ(form->scrlbxMain->Left(), 0);
  overview->Execute();
  Application->ProcessMessages();
  EXPECT_TRUE(form->pnlLeft->Visible());
  EXPECT_EQ(form->splMain->Width(), 5);
  EXPECT_EQ(form->pnlLeft->Left(), 0);
  EXPECT_EQ(form->splMain->Left(), 214);
  EXPECT_EQ(form->scrlbxMain->Left(), 219);
}

TEST_F(DoubleSimple, TheLeftTopPartAndTheToolBarCanBeHidden) {
  form->ShowLeftTop(false);
  EXPECT_FALSE(form->pnlLeftTop->Visible());
  EXPECT_EQ(form->splAllView->Height(), 0);
  form->ShowLeftTop(true);
  EXPECT_TRUE(form->pnlLeftTop->Visible());
  EXPECT_EQ(form->splAllView->Height(), 5);
  form->ShowAllViewToolBar(false);
  EXPECT_FALSE(form->pnlAllViewToolBar->Visible());
}

TEST_F(DoubleSimple, TheSchemeReachesTheHeaderPanelToolBarPageControlAndItsEditors) {
  colors.PanelColor = 0x00E8D8C8;
  colors.ToolBarColor = 0x00C0A080;
  colors.FormColor = 0x00F0E0D0;
  colors.ActiveTabColor = 0x00FFFFFF;
  colors.DefaultTabColor = 0x00D0C0B0;
  colors.EditorColor = 0x00FAFAFA;
  GlobalVar::ColorScheme = &colors;
  auto* edit = new TDBEditGx(form);
  edit->SetParent(form->tbsht1);
  edit->SetCtl3D(false);
  edit->SetBorderStyle(bsNone);
  form->ApplyColors();
  EXPECT_EQ(form->Color(), 0x00F0E0D0);
  EXPECT_EQ(form->pnlAllViewToolBar->Color(), 0x00C0A080);
  EXPECT_EQ(form->splMain->Color(), 0x00E8D8C8);
  EXPECT_EQ(form->grdAllView->Color(), 0x00E8D8C8);
  EXPECT_EQ(form->grdMain->FixedColor(), 0x00E8D8C8);
  EXPECT_FALSE(form->pnlMain->ParentColor());
  EXPECT_EQ(form->pnlMain->Color(), 0x00E8D8C8);
  EXPECT_EQ(form->pgcntrl->TabBackGroundColor(), form->scrlbxMain->Color());
  EXPECT_EQ(form->pgcntrl->DefaultTabColor(), 0x00D0C0B0);
  EXPECT_EQ(form->tbsht1->Color(), 0x00E8D8C8);
  EXPECT_EQ(edit->ColorFlat(), 0x00FAFAFA);
}

}  // namespace

// ---- a picture of the double-simple form with sample metadata -------------------------------------

namespace {

class DoubleSimpleSnapshot : public DoubleSimple {
 protected:
  void SetUp() override {
    DoubleSimple::SetUp();
    FanoSetTestFont(FALSE);
  }
  void TearDown() override {
    DoubleSimple::TearDown();
    if (data) data->Free();
    FanoSetTestFont(TRUE);
  }
  static void Add(TCvTbField* meta, const char* name, TFieldType type, int width, const char* label, bool key = false,
                  bool required = false) {
    TTbField* f = meta->TbFields()->Add();
    f->SetFieldName(name);
    f->SetDataType(type);
    f->SetFieldWidth(width);
    f->SetDisplayLabel(label);
    f->SetIsKey(key);
    f->SetNotNull(required);
  }
  TDataModule* data = nullptr;
};

TEST_F(DoubleSimpleSnapshot, AFormWithHeaderEditorsDetailLinesAndTheOverview) {
  data = new TDataModule(nullptr);
  // The document list, the header and the lines, each described by its metadata.
  auto* listMeta = new TCvTbField(data);
  Add(listMeta, "BILDA002", ftString, 16, "单据编号", true);
  Add(listMeta, "BILDA003", ftString, 10, "单据日期");
  auto* headMeta = new TCvTbField(data);
  Add(headMeta, "BILDA002", ftString, 16, "单据编号", true);
  Add(headMeta, "BILDA007C1", ftString, 20, "营运组织", false, true);
  Add(headMeta, "BILDA009", ftString, 40, "备注");
  auto* lineMeta = new TCvTbField(data);
  Add(lineMeta, "BILDB_ID", ftInteger, 0, "行号", true);
  Add(lineMeta, "BILDB003C1", ftString, 20, "费用项目", false, true);
  Add(lineMeta, "BILDB004", ftFloat, 0, "金额");
  Add(lineMeta, "BILDB005", ftString, 40, "说明");
  lineMeta->Items(1)->SetButtonStyle(gbsButton);
  lineMeta->Items(2)->SetAlignment(taRightJustify);
  auto* list = new TMemTableGx(data);
  auto* listDelta = new TMemTableGx(data);
  auto* head = new TMemTableGx(data);
  auto* headDelta = new TMemTableGx(data);
  auto* lines = new TMemTableGx(data);
  auto* linesDelta = new TMemTableGx(data);
  form->SetupGridTable(form->grdAllView, list, listDelta, listMeta);
  form->SetupTable(head, headDelta, headMeta);
  form->SetupGridTable(form->grdMain, lines, linesDelta, lineMeta);
  for (auto [no, day] : {std::pair{"FY20240301", "2024-03-01"}, std::pair{"FY20240302", "2024-03-02"},
                         std::pair{"FY20240305", "2024-03-05"}}) {
    list->Append();
    list->Fields().Fields(0)->SetAsString(no);
    list->Fields().Fields(1)->SetAsString(day);
    list->Post();
  }
  head->Append();
  head->Fields().Fields(0)->SetAsString("FY20240302");
  head->Fields().Fields(1)->SetAsString("华东营运中心");
  head->Fields().Fields(2)->SetAsString("三月差旅垫付");
  head->Post();
  struct Line {
    int id;
    const char* item;
    double amount;
    const char* note;
  };
  for (const Line& l : {Line{1, "差旅费", 1280.5, "上海往返机票"}, Line{2, "住宿费", 960, "两晚"},
                        Line{3, "餐费", 215.8, ""}}) {
    lines->Append();
    lines->Fields().Fields(0)->SetAsInteger(l.id);
    lines->Fields().Fields(1)->SetAsString(l.item);
    lines->Fields().Fields(2)->SetAsFloat(l.amount);
    lines->Fields().Fields(3)->SetAsString(l.note);
    lines->Post();
  }
  auto source = [&](TDataSet* set) {
    auto* ds = new TDataSource(data);
    ds->SetDataSet(set);
    return ds;
  };
  form->grdAllView->SetDataSource(source(list));
  form->grdMain->SetDataSource(source(lines));
  TDataSource* dsHead = source(head);
  // The header: a label and an editor per field, as a document form lays them out.
  form->pnlMain->SetCaption("费用垫付单");
  int top = 30;
  TDBEditGx* keyEdit = nullptr;
  for (int i = 0; i < head->FieldCount(); ++i) {
    auto* label = new TCvLabel(form);
    label->SetParent(form->pnlMain);
    label->SetCaption(head->Fields().Fields(i)->DisplayLabel());
    label->SetShowLine(true);
    label->SetBounds(16, top + 3, 70, 16);
    auto* edit = new TDBEditGx(form);
    edit->SetParent(form->pnlMain);
    edit->SetCtl3D(false);
    edit->SetBorderStyle(bsNone);
    edit->SetBounds(90, top, i == 2 ? 300 : 160, 20);
    edit->SetDataSource(dsHead);
    edit->SetDataField(head->Fields().Fields(i)->FieldName());
    if (!keyEdit) keyEdit = edit;
    top += 28;
  }
  form->SetCaption("费用垫付单");
  form->LockContainers() = {form->pnlMain, form->pgcntrl};
  colors.ShowTitle = true;
  colors.PanelColor = 13031385;
  colors.KeyFieldColor = 0xC0FFFF;
  colors.EditorBorderColor = 0x808080;
  colors.ToolBarColor = 13031385;
  colors.FormColor = 12825237;
  colors.FocusedEditorColor = 0xE0FFFF;
  colors.TitleColor = 10841658;
  colors.EditorColor = 0xFFFFFF;
  colors.LabelLineColor = 0xA0A0A0;
  colors.RequiredFieldColor = 0xC0DCC0;
  colors.DefaultTabColor = 13031385;
  colors.DefaultTabColorTo = 13031385;
  colors.ActiveTabColor = 0xFFFFFF;
  colors.ActiveTabColorTo = 13031385;
  GlobalVar::ColorScheme = &colors;
  form->ApplyColors();
  form->ApplyControlColors(form->pnlMain);  // as the document form colours its header
  form->SetEditState(esBrowse);
  form->SetBounds(0, 0, 760, 440);
  form->Show();
  Application->ProcessMessages();

  EXPECT_EQ(keyEdit->ColorFlat(), 0xC0FFFF);
  EXPECT_TRUE(keyEdit->ReadOnly());
  EXPECT_EQ(form->grdMain->Columns()->Items(0)->Color(), kKeyColumnColor);
  EXPECT_TRUE(form->grdMain->ReadOnly());
  ASSERT_NO_FATAL_FAILURE(uitest::WriteSnapshot(form, "double_simple_form.png"));
}

}  // namespace
