// Forms read from and written to form resources: the tree, the parents, the inherited settings,
// the tab order, the events, and the same form again from what was written.
#include "forms_test_util.h"

#include "platform/classes/classreg.h"
#include "platform/classes/filer.h"
#include "platform/classes/published.h"
#include "platform/forms/menus.h"
#include "platform/forms/timer.h"

using namespace formstest;

class TResPanel : public TCustomControl {
  FANO_CLASS(TResPanel)
 public:
  explicit TResPanel(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() + csAcceptsControls);
    SetBounds(0, 0, 100, 40);
  }
};

class TResEdit : public TCustomControl {
  FANO_CLASS(TResEdit)
 public:
  explicit TResEdit(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 60, 14);
  }
};

class TResForm : public TForm {
  FANO_CLASS(TResForm)
 public:
  explicit TResForm(TComponent* owner) : TForm(owner) {}
  TResPanel* pnlTop = nullptr;
  TResPanel* pnlClient = nullptr;
  TResEdit* edtA = nullptr;
  TResEdit* edtB = nullptr;
  TPopupMenu* pmMain = nullptr;
  TMenuItem* miOne = nullptr;
  TTimer* tmr = nullptr;
  int created = 0, clicks = 0, menuClicks = 0;
  std::vector<uint16_t> keys;
  void FormCreate(TObject*) { ++created; }
  void FormKeyDown(TObject*, uint16_t& key, TShiftState) { keys.push_back(key); }
  void edtBClick(TObject*) { ++clicks; }
  void miOneClick(TObject*) { ++menuClicks; }
};

FANO_IMPLEMENT_COMPONENT(TResPanel, TCustomControl)
FANO_IMPLEMENT_COMPONENT(TResEdit, TCustomControl)
FANO_IMPLEMENT_COMPONENT(TResForm, TForm)
FANO_REGISTER_CLASS(TResPanel);
FANO_REGISTER_CLASS(TResEdit);
FANO_REGISTER_CLASS(TResForm);

FANO_PUBLISHED(TResForm, p) {
  p.Field("pnlTop", &TResForm::pnlTop);
  p.Field("pnlClient", &TResForm::pnlClient);
  p.Field("edtA", &TResForm::edtA);
  p.Field("edtB", &TResForm::edtB);
  p.Field("pmMain", &TResForm::pmMain);
  p.Field("miOne", &TResForm::miOne);
  p.Field("tmr", &TResForm::tmr);
  p.Method("FormCreate", &TResForm::FormCreate);
  p.Method("FormKeyDown", &TResForm::FormKeyDown);
  p.Method("edtBClick", &TResForm::edtBClick);
  p.Method("miOneClick", &TResForm::miOneClick);
}

namespace {

using Resources = FormsTest;

void CheckForm(TResForm* f) {
  ASSERT_NE(f->pnlTop, nullptr);
  ASSERT_NE(f->edtA, nullptr);
  ASSERT_NE(f->edtB, nullptr);
  ASSERT_NE(f->pmMain, nullptr);
  ASSERT_NE(f->tmr, nullptr);
  EXPECT_EQ(f->Name(), "ResForm");
  EXPECT_EQ(f->Caption(), "frmChildBase");
  EXPECT_EQ(f->BorderStyle(), bsNone);
  EXPECT_EQ(f->BorderIcons(), TBorderIcons{biSystemMenu});
  EXPECT_TRUE(f->KeyPreview());
  EXPECT_EQ(f->Color(), 12825237);
  EXPECT_EQ(f->ClientWidth(), 400);
  EXPECT_EQ(f->ClientHeight(), 300);
  EXPECT_EQ(f->Left(), 100);
  EXPECT_EQ(f->PopupMenu(), f->pmMain);
  // The tree: controls under their containers, everything owned by the form.
  EXPECT_EQ(f->pnlTop->Parent(), f);
  EXPECT_EQ(f->edtA->Parent(), f->pnlTop);
  EXPECT_EQ(f->edtA->Owner(), f);
  EXPECT_EQ(f->pnlTop->ControlCount(), 2);
  // The tab order of the resource, not the reading order.
  EXPECT_EQ(f->edtB->TabOrder(), 0);
  EXPECT_EQ(f->edtA->TabOrder(), 1);
  // Inherited settings: what the resource left alone follows the parent.
  EXPECT_EQ(f->pnlTop->Color(), 10841658);
  EXPECT_EQ(f->edtA->Color(), 10841658);
  EXPECT_TRUE(f->edtA->ParentColor());
  EXPECT_EQ(f->pnlClient->Color(), 16777215);
  EXPECT_EQ(f->edtA->Font()->Name(), "宋体");
  EXPECT_EQ(f->edtA->Font()->Height(), -12);
  EXPECT_EQ(f->edtB->Font()->Height(), -16);
  EXPECT_EQ(f->edtB->Font()->Style(), TFontStyles{fsBold});
  EXPECT_EQ(f->edtA->Hint(), "第一个|the first one");
  EXPECT_TRUE(f->edtA->ShowHint());
  // Menu items in their menu.
  ASSERT_EQ(f->pmMain->Items()->Count(), 3);
  EXPECT_EQ(f->pmMain->Items()->Items(0), f->miOne);
  EXPECT_EQ(f->miOne->ShortCut(), ShortCut('O', TShiftState{ssCtrl}));
  EXPECT_TRUE(f->pmMain->Items()->Items(1)->IsLine());
  EXPECT_FALSE(f->pmMain->Items()->Items(2)->Enabled());
  EXPECT_EQ(f->pmMain->Alignment(), paRight);
  EXPECT_EQ(f->tmr->Interval(), 250u);
  EXPECT_FALSE(f->tmr->Enabled());
}

TEST_F(Resources, AFormIsBuiltFromItsResource) {
  auto* f = CreateForm<TResForm>(nullptr);
  CheckForm(f);
  EXPECT_EQ(f->created, 1);
  // Events bound to the form's handlers.
  f->edtB->Click();
  EXPECT_EQ(f->clicks, 1);
  EXPECT_TRUE(f->pmMain->IsShortCut(ShortCut('O', TShiftState{ssCtrl})));
  EXPECT_EQ(f->menuClicks, 1);
  // Alignment waits for the window: then the top panel spans the client width.
  f->Show();
  Pump();
  EXPECT_EQ(f->pnlTop->Width(), 400);
  EXPECT_EQ(f->pnlTop->Height(), 18);
  EXPECT_EQ(f->pnlClient->Top(), 18);
  EXPECT_EQ(f->pnlClient->Height(), 282);
  // The first control in tab order got the focus; keys reach the form first.
  EXPECT_EQ(FindControl(GetFocus()), f->edtB);
  KeyPress('Q');
  EXPECT_EQ(f->keys, std::vector<uint16_t>{'Q'});
  f->Free();
}

TEST_F(Resources, WhatIsWrittenReadsBackTheSame) {
  auto* f = CreateForm<TResForm>(nullptr);
  std::string text = WriteComponentText(f);
  f->Free();
  auto* g = new TResForm(nullptr);
  ReadComponentText(g, text, "written");
  CheckForm(g);
  g->Free();
}

TEST_F(Resources, AClassWithoutAResourceIsRefused) {
  class TNoRes : public TForm {
   public:
    explicit TNoRes(TComponent* o) : TForm(o) {}
    TClass ClassType() const noexcept override {
      static const TClassInfo info{"TNoRes", TForm::StaticClass(), nullptr};
      return &info;
    }
  };
  try {
    CreateForm<TNoRes>(nullptr);
    FAIL() << "no error";
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource TNoRes not found");
  }
}

TEST_F(Resources, AnErrorInOnCreateIsReportedNotThrown) {
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, const std::exception& e) { reported.push_back(e.what()); };
  auto* f = new TForm(nullptr);
  f->OnCreate = [](TObject*) { throw EConvertError("bad value"); };
  f->AfterConstruction();
  Application->OnException = nullptr;
  EXPECT_EQ(reported, std::vector<std::string>{"bad value"});
  f->Free();
}

}  // namespace

TEST_F(Resources, DragAndDockSettingsAreReadAndWrittenOnlyWhenNotTheDefault) {
  auto* panel = new TResPanel(nullptr);
  ReadComponentText(panel,
                    "object TResPanel Dragged {\n  DragMode = dmAutomatic\n  DragKind = dkDock\n  DragCursor = -16\n}\n",
                    "drag");
  EXPECT_EQ(panel->DragMode(), dmAutomatic);
  EXPECT_EQ(panel->DragKind(), dkDock);
  EXPECT_EQ(panel->DragCursor(), crMultiDrag);
  std::string text = WriteComponentText(panel);
  EXPECT_NE(text.find("DragMode = dmAutomatic"), std::string::npos) << text;
  EXPECT_NE(text.find("DragKind = dkDock"), std::string::npos) << text;
  panel->Free();
  auto* plain = new TResPanel(nullptr);
  text = WriteComponentText(plain);
  EXPECT_EQ(text.find("Drag"), std::string::npos) << "defaults are not written: " << text;
  plain->Free();
}
