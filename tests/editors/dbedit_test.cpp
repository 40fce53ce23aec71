// The base data-aware editor bound to a memory table through a data source: writing through to
// the field, read-only following the dataset and the field, the maximum length from the field,
// the required mark, data-independent mode, dialog codes and the holder interface.
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "editors/dbcombobox.h"
#include "editors/dbdatetime.h"
#include "editors/dbeditbase.h"
#include "editors/dbnumberedit.h"
#include "platform/db/dataset.h"
#include "platform/forms/actnlist.h"
#include "platform/forms/dialogs.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

using namespace edtest;

namespace {

class DBEdit : public EditorTest {
 protected:
  TDBEditGx* Bound(const char* field) {
    auto* e = Add<TDBEditGx>(10, 10, 150, 21);
    e->SetDataSource(source);
    e->SetDataField(field);
    return e;
  }
  bool WindowReadOnly(TDBEditGx* e) {
    return (GetWindowLong(e->Handle(), GWL_STYLE) & ES_READONLY) != 0;
  }
};

// An action that works on a data source, as a dataset action does: it reaches the source through
// the control that has the focus.
class TSourceTestAction : public TCustomAction {
  FANO_CLASS(TSourceTestAction)
 public:
  using TCustomAction::TCustomAction;
  bool HandlesTarget(TObject* target) override { return dynamic_cast<TDataSource*>(target) != nullptr; }
  void UpdateTarget(TObject* target) override { updated.push_back(target); }
  void ExecuteTarget(TObject* target) override { executed.push_back(target); }
  std::vector<TObject*> updated, executed;
};
FANO_IMPLEMENT_CLASS_WITH(TSourceTestAction, TCustomAction, nullptr)

TEST_F(DBEdit, AnActionOnADataSourceReachesItThroughABoundEditor) {
  auto* bound = Bound("NAME");
  auto* own = Add<TDBEditGx>(10, 40, 150, 21);
  TSourceTestAction action(nullptr);
  EXPECT_TRUE(bound->UpdateAction(&action));
  EXPECT_TRUE(bound->ExecuteAction(&action));
  EXPECT_EQ(action.updated, (std::vector<TObject*>{source}));
  EXPECT_EQ(action.executed, (std::vector<TObject*>{source}));
  // An editor of its own value has no source to offer.
  EXPECT_FALSE(own->UpdateAction(&action));
  EXPECT_FALSE(own->ExecuteAction(&action));
  EXPECT_EQ(action.executed.size(), 1u);
}

TEST_F(DBEdit, ShowsTheFieldAndFollowsTheRecord) {
  auto* e = Bound("NAME");
  Show();
  EXPECT_EQ(e->Text(), "alpha");
  table->Next();
  EXPECT_EQ(e->Text(), "beta");
  EXPECT_EQ(e->Field(), table->FieldByName("NAME"));
}

TEST_F(DBEdit, WritingTextPutsTheDatasetIntoEditStateAndWritesTheFieldAtOnce) {
  auto* e = Bound("NAME");
  Show();
  e->SetText("gamma");
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "gamma");
  table->Post();
  table->First();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "gamma");
  e->SetValue(Variant(std::string("delta")));
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "delta");
  e->SetValue(Null());
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "");
}

TEST_F(DBEdit, TypedTextReachesTheFieldWhenTheEditorIsLeft) {
  auto* e = Bound("NAME");
  auto* other = Add<TDBEditGx>(10, 40, 150, 21);
  Show();
  e->SetFocus();
  Pump();
  KeyPress(VK_END);
  Type("X");
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_EQ(e->Text(), "alphaX");
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "alpha");  // not yet
  other->SetFocus();
  Pump();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "alphaX");
}

TEST_F(DBEdit, PassingThroughAnEditorBoundFieldFirstWritesNothing) {
  auto* e = Add<TDBEditGx>(10, 10, 150, 21);
  e->SetDataField("NAME");
  e->SetDataSource(source);
  auto* other = Add<TDBEditGx>(10, 40, 150, 21);
  Show();
  EXPECT_EQ(e->Text(), "alpha");
  e->SetFocus();
  Pump();
  other->SetFocus();
  Pump();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_FALSE(e->DataLink()->Modified());
}

// A new format, kind or list of items shows the same value again: leaving the editor afterwards
// writes nothing (the dataset browses and would refuse the write).
TEST_F(DBEdit, ARedisplayOfAFocusedEditorIsNoEdit) {
  auto* t = new TMemTableGx(form);
  t->FieldDefs().Add("WHEN", ftDateTime);
  t->FieldDefs().Add("AMOUNT", ftFloat);
  t->FieldDefs().Add("KIND", ftString, 4);
  t->CreateDataSet();
  t->Append();
  t->FieldByName("WHEN")->SetAsDateTime(EncodeDateTime(2024, 5, 1, 13, 45, 0, 0));
  t->FieldByName("AMOUNT")->SetAsFloat(1234.5);
  t->FieldByName("KIND")->SetAsString("B");
  t->Post();
  auto* ds = new TDataSource(form);
  ds->SetDataSet(t);
  struct Case {
    const char* name;
    std::function<TCustomDBEditGx*()> make;
    std::function<void(TCustomDBEditGx*)> change;
  };
  auto date = [&] {
    auto* e = Add<TDBDateTimeEditGx>(10, 10, 150, 21);
    e->SetDataSource(ds);
    e->SetDataField("WHEN");
    e->SetKind(dtkDateTimeGx);
    return static_cast<TCustomDBEditGx*>(e);
  };
  auto number = [&] {
    auto* e = Add<TDBNumberEditGx>(10, 10, 150, 21);
    e->SetDataSource(ds);
    e->SetDataField("AMOUNT");
    return static_cast<TCustomDBEditGx*>(e);
  };
  auto combo = [&] {
    auto* e = Add<TDBComboBoxGx>(10, 10, 150, 21);
    e->Items()->SetText("Alpha\nBeta");
    e->KeyItems()->SetText("A\nB");
    e->SetDataSource(ds);
    e->SetDataField("KIND");
    return static_cast<TCustomDBEditGx*>(e);
  };
  auto asDate = [](TCustomDBEditGx* e) { return static_cast<TDBDateTimeEditGx*>(e); };
  auto asNumber = [](TCustomDBEditGx* e) { return static_cast<TDBNumberEditGx*>(e); };
  auto asCombo = [](TCustomDBEditGx* e) { return static_cast<TDBComboBoxGx*>(e); };
  const Case cases[] = {
      {"date Kind", date, [&](TCustomDBEditGx* e) { asDate(e)->SetKind(dtkTimeGx); }},
      {"date EditFormat", date, [&](TCustomDBEditGx* e) { asDate(e)->SetEditFormat("YYYY-MM-DD"); }},
      {"number DisplayFormat", number, [&](TCustomDBEditGx* e) { asNumber(e)->SetDisplayFormat(",0.000"); }},
      {"number DecimalPlaces", number, [&](TCustomDBEditGx* e) { asNumber(e)->SetDecimalPlaces(3); }},
      {"number currency", number, [&](TCustomDBEditGx* e) { asNumber(e)->SetCurrency(true); }},
      {"combo Items", combo, [&](TCustomDBEditGx* e) { asCombo(e)->Items()->SetText("Apple\nBanana"); }},
      {"combo KeyItems", combo, [&](TCustomDBEditGx* e) { asCombo(e)->KeyItems()->SetText("B\nA"); }},
      {"combo Items reloaded when opened, then Escape", combo,
       [&](TCustomDBEditGx* e) {
         TDBComboBoxGx* c = asCombo(e);
         c->OnItemsRequest = [c](TObject*) { c->Items()->SetText("Alpha\nBeta"); };
         c->Items()->Clear();
         c->DropDown();
         KeyPress(VK_ESCAPE);
       }},
  };
  auto* other = Add<TDBEditGx>(10, 40, 150, 21);
  // A write refused on leaving is reported in a message box: answered here, so that it fails the
  // test instead of waiting for a user.
  TScriptedDialogService dialogs(true);
  Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TCustomDBEditGx* e = c.make();
    e->SetFocus();
    Pump();
    c.change(e);
    EXPECT_FALSE(e->DataLink()->Modified());
    EXPECT_NO_THROW({
      other->SetFocus();
      Pump();
    });
    for (const TDialogRequest& r : dialogs.Requests()) ADD_FAILURE() << "reported: " << r.Text;
    dialogs.ClearRequests();
    EXPECT_EQ(t->State(), dsBrowse);
    EXPECT_EQ(t->FieldByName("WHEN")->AsDateTime(), EncodeDateTime(2024, 5, 1, 13, 45, 0, 0));
    EXPECT_EQ(t->FieldByName("AMOUNT")->AsFloat(), 1234.5);
    EXPECT_EQ(t->FieldByName("KIND")->AsString(), "B");
    e->Free();
  }
}

TEST_F(DBEdit, ReadOnlyFollowsTheDatasetTheFieldAndTheProperty) {
  auto* other = Add<TDBEditGx>(10, 40, 150, 21);
  auto* e = Bound("NAME");
  Show();
  other->SetFocus();
  Pump();
  EXPECT_TRUE(WindowReadOnly(e));  // browsing: the window waits for the first key
  table->Edit();
  EXPECT_FALSE(WindowReadOnly(e));
  table->Cancel();
  EXPECT_TRUE(WindowReadOnly(e));
  table->FieldByName("NAME")->SetReadOnly(true);
  e->SetFocus();
  Pump();
  Type("Z");
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(e->Text(), "alpha");
  table->FieldByName("NAME")->SetReadOnly(false);
  e->SetReadOnly(true);
  Type("Z");
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(e->Text(), "alpha");
  e->SetReadOnly(false);
  Type("Z");
  EXPECT_EQ(table->State(), dsEdit);
}

TEST_F(DBEdit, AFocusedEditorOfAnEditableFieldIsWritableForTheInputMethod) {
  auto* other = Add<TDBEditGx>(10, 40, 150, 21);
  auto* e = Bound("NAME");
  Show();
  other->SetFocus();
  Pump();
  EXPECT_TRUE(WindowReadOnly(e));
  e->SetFocus();
  Pump();
  EXPECT_FALSE(WindowReadOnly(e));
  EXPECT_EQ(table->State(), dsBrowse);
  // Without automatic edit state no key changes the text, and leaving writes nothing.
  source->SetAutoEdit(false);
  KeyPress(VK_END);
  Type("Q");
  KeyPress(VK_BACK);
  KeyPress(VK_DELETE);
  e->Perform(WM_CUT, 0, 0);
  EXPECT_EQ(e->Text(), "alpha");
  other->SetFocus();
  Pump();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "alpha");
}

TEST_F(DBEdit, MaximumLengthComesFromTheFieldSizeInCodePage936Bytes) {
  auto* e = Bound("NAME");
  Show();
  EXPECT_EQ(e->MaxLength(), 10);
  e->SetFocus();
  Pump();
  e->SelectAll();
  Type("中文中文中文");  // 12 bytes in code page 936: only five characters fit in 10
  EXPECT_EQ(e->Text(), "中文中文中");
  // A length equal to the field's size is dropped on load and taken again from the field.
  e->SetMaxLength(10);
  e->CheckDataMaxLength();
  EXPECT_EQ(e->MaxLength(), 0);
  table->Cancel();
  EXPECT_EQ(e->MaxLength(), 10);
}

TEST_F(DBEdit, AnUnknownFieldNameRaisesNamingTheEditor) {
  auto* e = Add<TDBEditGx>(10, 10, 150, 21);
  e->SetName("edtName");
  e->SetDataSource(source);
  try {
    e->SetDataField("NOPE");
    FAIL() << "no error";
  } catch (const Exception& ex) {
    EXPECT_NE(ex.Message().find("Field 'NOPE' not found"), std::string::npos) << ex.Message();
    EXPECT_NE(ex.Message().find("edtName"), std::string::npos) << ex.Message();
  }
}

TEST_F(DBEdit, DataIndependentEditorKeepsItsOwnValue) {
  auto* e = Add<TDBEditGx>(10, 10, 150, 21);
  EXPECT_TRUE(e->IsDataIndependent());
  EXPECT_TRUE(e->DataLink()->DataIndependentValue().IsNull());
  EXPECT_FALSE(e->IsValueStored());
  e->SetText("own");
  EXPECT_EQ(e->DataLink()->DataIndependentValue().AsString(), "own");
  EXPECT_TRUE(e->IsTextStored());
  EXPECT_TRUE(e->IsValueStored());
  e->SetDataSource(source);
  EXPECT_FALSE(e->IsDataIndependent());
  e->SetDataSource(nullptr);
  EXPECT_TRUE(e->IsDataIndependent());
  EXPECT_TRUE(e->DataLink()->DataIndependentValue().IsNull());
  EXPECT_EQ(e->Text(), "");
}

TEST_F(DBEdit, MultiFieldLinkWithNullClearsEveryField) {
  auto* e = Add<TDBEditGx>(10, 10, 150, 21);
  e->DataLink()->SetMultiFields(true);
  e->SetDataSource(source);
  e->SetDataField("NAME;CODE");
  ASSERT_EQ(e->DataLink()->Fields().size(), 2u);
  table->Edit();
  e->DataLink()->SetValue(Null());
  EXPECT_TRUE(table->FieldByName("NAME")->IsNull());
  EXPECT_TRUE(table->FieldByName("CODE")->IsNull());
  e->DataLink()->SetValue(VarArrayOf({Variant(std::string("n")), Variant(std::string("c"))}));
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "n");
  EXPECT_EQ(table->FieldByName("CODE")->AsString(), "c");
}

TEST_F(DBEdit, RequiredMarkOnlyInEditOrInsertStateForARequiredNullField) {
  auto* e = Bound("NAME");
  e->SetHighlightRequired(true);
  table->FieldByName("NAME")->SetRequired(true);
  Show();
  HDC dc = FanoCreateRecordingDC(200, 40);
  auto redLines = [&] {
    FanoRecordStart(dc);
    e->DrawRequiredState(dc);
    int n = 0;
    for (const FANO_DRAW_RECORD& r : uitest::Records(dc)) {
      if (std::string(r.call) == "LineTo" && r.penColor == RGB(255, 0, 0) && r.penStyle == PS_DOT) ++n;
    }
    return n;
  };
  EXPECT_EQ(redLines(), 0);  // browse
  table->Edit();
  EXPECT_EQ(redLines(), 0);  // not null
  table->FieldByName("NAME")->Clear();
  EXPECT_EQ(redLines(), 1);
  table->FieldByName("NAME")->SetRequired(false);
  EXPECT_EQ(redLines(), 0);
  bool asked = false;
  e->OnCheckDrawRequiredState = [&](TObject*, bool& draw) {
    asked = true;
    draw = true;
  };
  EXPECT_EQ(redLines(), 1);
  EXPECT_TRUE(asked);
  DeleteDC(dc);
}

TEST_F(DBEdit, DialogCodeFollowsWantTabsWantReturnsAndReturnIsTab) {
  auto* e = Add<TDBEditGx>(10, 10, 150, 21);
  Show();
  EXPECT_EQ(e->Perform(WM_GETDLGCODE, 0, 0), 0x89);
  e->SetWantTabs(true);
  EXPECT_EQ(e->Perform(WM_GETDLGCODE, 0, 0), 0x89 | DLGC_WANTTAB);
  e->SetWantTabs(false);
  e->SetReturnIsTab(true);
  EXPECT_EQ(e->Perform(WM_GETDLGCODE, 0, 0), 0x89 | DLGC_WANTALLKEYS);
}

TEST_F(DBEdit, EnterMovesOnWithReturnIsTabAndStaysWithWantReturns) {
  auto* a = Add<TDBEditGx>(10, 10, 150, 21);
  auto* b = Add<TDBEditGx>(10, 40, 150, 21);
  a->SetTabOrder(0);
  b->SetTabOrder(1);
  a->SetReturnIsTab(true);
  Show();
  a->SetFocus();
  Pump();
  KeyPress(VK_RETURN);
  EXPECT_TRUE(b->Focused());
  a->SetFocus();
  Pump();
  a->SetWantReturns(true);
  KeyPress(VK_RETURN);
  EXPECT_TRUE(a->Focused());
}

TEST_F(DBEdit, TabsNeverReachTheTextUnlessWanted) {
  auto* e = Add<TDBEditGx>(10, 10, 150, 21);
  Show();
  e->SetFocus();
  Pump();
  e->Perform(WM_CHAR, '\t', 0);
  e->Perform(WM_CHAR, '\n', 0);
  Type("a");
  EXPECT_EQ(e->Text(), "a");
  e->SetWantTabs(true);
  e->Perform(WM_CHAR, '\t', 0);
  EXPECT_EQ(e->Text(), "a\t");
}

TEST_F(DBEdit, TheHostNoticeIsAnsweredWithNothingDone) {
  auto* e = Bound("NAME");
  Show();
  PostMessage(e->Handle(), WM_EDITORHOSTNOTICE, 1, 2);
  Pump();
  EXPECT_EQ(e->Perform(WM_EDITORHOSTNOTICE, 1, 2), 0);
  EXPECT_EQ(e->Text(), "alpha");
  EXPECT_EQ(table->State(), dsBrowse);
}

// A holder that records what it is asked and consumes the keys it is told to.
class THolder : public TCustomControl, public IInplaceEditHolderGx {
 public:
  explicit THolder(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
  bool canModify = true;
  uint16_t eatKey = 0;
  TKeyChar eatChar = 0;
  int keyDowns = 0, keyPresses = 0, keyUps = 0, messages = 0;
  TPoint downPos;
  uint32_t downTime = 0;
  bool InplaceEditCanModify(TControl*) override { return canModify; }
  void GetMouseDownInfo(TPoint& pos, uint32_t& time) override {
    pos = downPos;
    time = downTime;
  }
  bool InplaceEditWndProc(TControl*, TMessage&) override {
    ++messages;
    return false;
  }
  void InplaceEditKeyDown(TControl*, uint16_t& key, TShiftState) override {
    ++keyDowns;
    if (key == eatKey) key = 0;
  }
  void InplaceEditKeyPress(TControl*, TKeyChar& key) override {
    ++keyPresses;
    if (key == eatChar) key = 0;
  }
  void InplaceEditKeyUp(TControl*, uint16_t&, TShiftState) override { ++keyUps; }
};

TEST_F(DBEdit, HolderSeesKeysFirstAndMayConsumeThem) {
  auto* holder = new THolder(form);
  holder->SetParent(form);
  holder->SetBounds(0, 0, 300, 200);
  auto* e = new TDBEditGx(form);
  e->SetParent(holder);
  e->SetInplaceEditHolder(holder);
  EXPECT_TRUE(e->InplaceMode());
  Show();
  e->Move(Rect(10, 10, 110, 30), true);
  e->SetFocus();
  Pump();
  holder->eatChar = 'x';
  Type("axb");
  EXPECT_EQ(e->Text(), "ab");
  EXPECT_EQ(holder->keyPresses, 3);
  EXPECT_GT(holder->messages, 0);
  holder->eatKey = VK_HOME;
  KeyPress(VK_HOME);
  EXPECT_GE(holder->keyDowns, 1);
  EXPECT_GE(holder->keyUps, 1);
  EXPECT_EQ(e->SelStart(), 2);  // Home was eaten
  holder->canModify = false;
  e->UpdateReadOnlyState();
  EXPECT_TRUE(WindowReadOnly(e));
  EXPECT_EQ(e->Perform(CM_WANTSPECIALKEY, VK_RETURN, 0), 1);
}

// The holder is asked about a key before a descendant's own handling acts on it.
TEST_F(DBEdit, TheHolderIsAskedBeforeAnEditorsOwnKeys) {
  struct Case {
    const char* name;
    std::function<TCustomDBEditGx*()> make;
    const char* typedFirst;
    TKeyChar eaten;
    std::function<bool(TCustomDBEditGx*)> untouched;
  };
  auto* holder = new THolder(form);
  holder->SetParent(form);
  holder->SetBounds(0, 0, 300, 200);
  auto inPlace = [&](TCustomDBEditGx* e) {
    e->SetParent(holder);
    e->SetInplaceEditHolder(holder);
    return e;
  };
  const Case cases[] = {
      {"number Escape", [&] { return inPlace(new TDBNumberEditGx(form)); }, "5", 27,
       [](TCustomDBEditGx* e) { return e->Text() == "5"; }},
      {"date separator",
       [&] {
         auto* d = new TDBDateTimeEditGx(form);
         d->SetEditFormat("YYYY-MM-DD");
         return inPlace(d);
       },
       "", '-', [](TCustomDBEditGx* e) { return e->SelStart() == 0 && e->SelLength() == 0; }},
      {"AutoDrop character",
       [&] {
         auto* c = new TDBComboBoxGx(form);
         c->Items()->SetText("xyz");
         c->DropDownBox()->SetAutoDrop(true);
         return inPlace(c);
       },
       "", 'x', [](TCustomDBEditGx* e) { return !e->DroppedDown(); }},
  };
  Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TCustomDBEditGx* e = c.make();
    e->Move(Rect(10, 10, 160, 30), true);
    e->SetFocus();
    Pump();
    holder->eatChar = 0;
    Type(c.typedFirst);
    e->SetSel(0, 0);
    holder->eatChar = c.eaten;
    int asked = holder->keyPresses;
    char typed[2] = {static_cast<char>(c.eaten), 0};
    if (c.eaten == 27) KeyPress(VK_ESCAPE);
    else Type(typed);
    EXPECT_EQ(holder->keyPresses, asked + 1);  // asked once
    EXPECT_TRUE(c.untouched(e));
    e->Free();
  }
}

TEST_F(DBEdit, InPlaceEditorHiddenByItsHolderIsNotVisible) {
  auto* holder = new THolder(form);
  holder->SetParent(form);
  holder->SetBounds(0, 0, 300, 200);
  auto* e = new TDBEditGx(form);
  e->SetParent(holder);
  e->SetInplaceEditHolder(holder);
  Show();
  e->Move(Rect(10, 10, 110, 30), true);
  EXPECT_TRUE(e->Visible());
  e->Move(Rect(0, 0, 0, 0), true);
  EXPECT_FALSE(e->Visible());
  EXPECT_TRUE(e->TControl::Visible());  // the property itself never changed
  e->SetFocus();
  EXPECT_FALSE(e->Focused());
}

TEST_F(DBEdit, AHolderWithoutTheInterfaceIsRefused) {
  auto* plain = new TForm(form);
  auto* e = Add<TDBEditGx>(10, 10, 100, 21);
  try {
    e->SetInplaceEditHolder(plain);
    FAIL() << "no error";
  } catch (const EInvalidOperation& ex) {
    EXPECT_EQ(ex.Message(), "InplaceEditHolder have to support IInplaceEditHolderGx interface");
  }
  EXPECT_FALSE(e->InplaceMode());
  EXPECT_EQ(e->InplaceEditHolder(), nullptr);
}

TEST_F(DBEdit, ASecondClickSeenByTheHolderBecomesADoubleClick) {
  auto* holder = new THolder(form);
  holder->SetParent(form);
  holder->SetBounds(0, 0, 300, 200);
  auto* e = new TDBEditGx(form);
  e->SetParent(holder);
  e->SetInplaceEditHolder(holder);
  int doubles = 0;
  e->OnDblClick = [&](TObject*) { ++doubles; };
  Show();
  e->Move(Rect(10, 10, 110, 30), true);
  holder->downPos = e->ClientToScreen(TPoint(5, 5));
  holder->downTime = GetTickCount();
  Click(e, 5, 5);
  EXPECT_EQ(doubles, 1);
  AdvanceAndPump(2000, 100);  // far apart: no double-click of the window system either
  holder->downTime = GetTickCount() - GetDoubleClickTime() - 1;
  Click(e, 5, 5);
  EXPECT_EQ(doubles, 1);
}

}  // namespace

namespace {

// AutoSize turned off and on again gives the height the editor had: the flat look and the image
// still count.
TEST_F(DBEdit, AutoSizeOnAgainKeepsTheEditorsOwnHeight) {
  auto* images = new TImageList(form);
  images->SetWidth(20);
  images->SetHeight(20);
  struct Case {
    const char* name;
    bool flat;
    TImageList* images;
    int height;  // with a 12-pixel font
  };
  int border = GetSystemMetrics(SM_CYBORDER);
  const Case cases[] = {
      {"plain", false, nullptr, 12 + 8 * border},
      {"flat", true, nullptr, 12 + 6 * border},
      {"image", false, images, 20 + 8 * border},
      {"flat image", true, images, 20 + 6 * border},
  };
  std::vector<TDBEditGx*> edits;
  for (const Case& c : cases) {
    auto* e = Add<TDBEditGx>(10, 10 + 45 * static_cast<int>(edits.size()), 150, 40);
    e->Font()->SetHeight(-12);
    e->SetFlat(c.flat);
    if (c.images) e->SetImages(c.images);
    edits.push_back(e);
  }
  Show();
  for (size_t i = 0; i < edits.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(edits[i]->Height(), cases[i].height);
    edits[i]->SetAutoSize(false);
    edits[i]->SetAutoSize(true);
    EXPECT_EQ(edits[i]->Height(), cases[i].height);
  }
}

TEST_F(DBEdit, HeightFollowsTheFontAndTheImageOnlyWhenTaller) {
  auto* e = Add<TDBEditGx>(10, 10, 150, 40);
  e->Font()->SetHeight(-12);
  Show();
  int border = GetSystemMetrics(SM_CYBORDER);
  EXPECT_EQ(e->Height(), 12 + 8 * border);  // AutoSize with a single 3-D border
  e->SetFlat(true);
  EXPECT_EQ(e->Height(), 12 + 6 * border);
  auto* images = new TImageList(form);
  images->SetWidth(20);
  images->SetHeight(20);
  e->SetImages(images);
  EXPECT_TRUE(e->EditImage()->Visible());
  EXPECT_EQ(e->Height(), 20 + 6 * border);
  EXPECT_EQ(e->GetEditRect().Left, 24);  // image width + 4
  e->EditImage()->SetUseImageHeight(false);
  EXPECT_EQ(e->Height(), 12 + 6 * border);
  e->EditImage()->SetWidth(30);
  EXPECT_EQ(e->GetEditRect().Left, 34);
  int asked = 0;
  e->OnGetImageIndex = [&](TObject*, int& index) {
    ++asked;
    index = 2;
  };
  e->SetText("x");
  EXPECT_GT(asked, 0);
  EXPECT_EQ(e->EditImage()->ImageIndex(), 2);
  images->Free();
  EXPECT_EQ(e->Images(), nullptr);
}

}  // namespace
