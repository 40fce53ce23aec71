// A sample form with one of each standard control, written as a PNG picture for people to look
// at (forms_sample.png beside the test program, or in FANO_SNAPSHOT_DIR). It is drawn with
// the real fonts, not the test font; nothing here compares pixels.
#include <cstdio>

#include "platform/classes/filer.h"
#include "platform/forms/buttons.h"
#include "platform/forms/comctrls.h"
#include "platform/forms/dialogs.h"
#include "platform/forms/extctrls.h"
#include "platform/forms/mask.h"
#include "platform/forms/stdctrls.h"
#include "platform/rtl/sysutils.h"
#include "std_test_util.h"

using namespace formstest;

namespace {

using Snapshot = uitest::RealFonts<FormsTest>;

template <class T>
T* Add(TWinControl* parent, int x, int y, int w, int h) {
  auto* c = new T(parent->Owner() ? parent->Owner() : parent);
  c->SetParent(parent);
  c->SetBounds(x, y, w, h);
  return c;
}

TEST_F(Snapshot, SampleFormWithOneOfEachControl) {
  auto* form = new TForm(nullptr);
  form->SetCaption("标准控件 Standard controls");
  form->SetBounds(20, 20, 640, 520);
  form->SetColor(clBtnFace);

  auto* top = new TPanel(form);
  top->SetParent(form);
  top->SetAlign(alTop);
  top->SetHeight(36);
  top->SetCaption("面板 TPanel");
  top->SetBevelInner(bvLowered);

  auto* tree = new TPanel(form);
  tree->SetParent(form);
  tree->SetAlign(alLeft);
  tree->SetWidth(150);
  tree->SetBevelOuter(bvLowered);
  auto* splitter = new TSplitter(form);
  splitter->SetParent(form);
  splitter->SetLeft(200);
  splitter->SetAlign(alLeft);
  splitter->SetBeveled(true);
  auto* list = Add<TListBox>(tree, 6, 6, 136, 120);
  for (const char* s : {"费用垫付单", "差旅费", "办公用品", "招待费", "其他"}) list->Items()->Add(s);
  list->SetItemIndex(1);
  auto* cal = Add<TMonthCalendar>(tree, 6, 134, 136, 170);
  cal->SetAutoSize(true);

  auto* client = new TPanel(form);
  client->SetParent(form);
  client->SetAlign(alClient);
  client->SetBevelOuter(bvNone);

  auto* label = new TLabel(form);
  label->SetParent(client);
  label->SetBounds(10, 12, 60, 16);
  label->SetCaption("单号(&N):");
  auto* edit = Add<TEdit>(client, 80, 8, 160, 22);
  edit->SetText("FD20240515-001");
  label->SetFocusControl(edit);
  auto* mask = Add<TMaskEdit>(client, 250, 8, 110, 22);
  mask->SetEditMask("!9999/99/99;1;_");
  mask->SetText("2024-05-15");
  auto* combo = Add<TComboBox>(client, 80, 38, 160, 22);
  for (const char* s : {"人民币", "美元", "欧元"}) combo->Items()->Add(s);
  combo->SetItemIndex(0);
  auto* check = Add<TCheckBox>(client, 250, 40, 120, 18);
  check->SetCaption("已审核");
  check->SetChecked(true);
  auto* memo = Add<TMemo>(client, 10, 70, 230, 80);
  memo->Lines()->Add("备注: 第一行");
  memo->Lines()->Add("Second line of the memo");
  memo->SetScrollBars(ssVertical);
  auto* ok = Add<TButton>(client, 250, 70, 75, 25);
  ok->SetCaption("确定");
  ok->SetDefault(true);
  auto* cancel = Add<TButton>(client, 330, 70, 75, 25);
  cancel->SetCaption("取消");
  auto* speed = new TSpeedButton(form);
  speed->SetParent(client);
  speed->SetBounds(250, 100, 60, 25);
  speed->SetCaption("Down");
  speed->SetGroupIndex(1);
  speed->SetDown(true);
  auto* flat = new TSpeedButton(form);
  flat->SetParent(client);
  flat->SetBounds(315, 100, 60, 25);
  flat->SetCaption("Flat");
  flat->SetFlat(true);
  auto* bar = Add<TScrollBar>(client, 10, 160, 230, 17);
  bar->SetParams(30, 0, 100);
  auto* tabs = Add<TTabControl>(client, 10, 185, 300, 130);
  for (const char* s : {"基本信息", "明细", "附件"}) tabs->Tabs()->Add(s);
  auto* box = Add<TScrollBox>(tabs, 8, 30, 280, 90);
  auto* inner = new TLabel(form);
  inner->SetParent(box);
  inner->SetBounds(4, 4, 100, 16);
  inner->SetCaption("TScrollBox 内容");
  auto* far = Add<TPanel>(box, 4, 120, 100, 30);
  far->SetCaption("下方");
  auto* paint = new TPaintBox(form);
  paint->SetParent(client);
  paint->SetBounds(320, 190, 60, 60);
  paint->OnPaint = [paint](TObject*) {
    TCanvas* c = paint->Canvas();
    c->Brush()->SetColor(clSkyBlue);
    c->FillRect(TRect(0, 0, 60, 60));
    c->Pen()->SetColor(clNavy);
    c->MoveTo(0, 59);
    c->LineTo(59, 0);
    c->TextOut(4, 4, "PaintBox");
  };
  auto* shape = new TShape(form);
  shape->SetParent(client);
  shape->SetBounds(390, 190, 60, 60);
  shape->SetShape(stRoundRect);
  shape->Brush()->SetColor(clMoneyGreen);

  form->Show();
  Pump();
  edit->SetFocus();
  Pump();

  std::string path = uitest::SnapshotPath("forms_sample.png");
  uitest::WriteSnapshotTo(form->Handle(), path);
  std::printf("sample form written to %s\n", path.c_str());
  form->Free();
}

// The confirmation a grid asks before deleting a line, with the real fonts.
TEST_F(Snapshot, DeleteConfirmation) {
  TForm* dlg = CreateMessageDialog("Delete record?", mtConfirmation, mbOKCancel);
  dlg->Show();
  Pump();
  auto* message = dynamic_cast<TControl*>(dlg->FindComponent("Message"));
  ASSERT_NE(message, nullptr);
  TBitmap probe;
  probe.SetWidth(4);
  probe.SetHeight(4);
  probe.Canvas()->SetFont(dlg->Font());
  EXPECT_GE(message->Width(), probe.Canvas()->TextWidth("Delete record?"));
  std::string path = uitest::SnapshotPath("message_dialog.png");
  uitest::WriteSnapshotTo(dlg->Handle(), path);
  std::printf("message dialog written to %s\n", path.c_str());
  dlg->Free();
}

}  // namespace

namespace {

using StdResources = FormsTest;

// The standard controls go into form resources and come back with their published settings.
TEST_F(StdResources, ControlsWrittenToAResourceReadBack) {
  auto* form = new TForm(nullptr);
  form->SetName("StdForm");
  form->SetBounds(10, 10, 400, 300);
  auto* edit = Add<TEdit>(form, 8, 8, 100, 22);
  edit->SetName("Edit1");
  edit->SetText("文本");
  edit->SetMaxLength(10);
  edit->SetCharCase(ecUpperCase);
  auto* mask = Add<TMaskEdit>(form, 8, 40, 100, 22);
  mask->SetName("Mask1");
  mask->SetEditMask("000-0000;0;_");
  mask->SetText("1234567");
  auto* memo = Add<TMemo>(form, 8, 70, 150, 60);
  memo->SetName("Memo1");
  memo->Lines()->Add("一");
  memo->Lines()->Add("two");
  memo->SetScrollBars(ssBoth);
  auto* combo = Add<TComboBox>(form, 200, 8, 120, 22);
  combo->SetName("Combo1");
  combo->SetStyle(csDropDownList);
  combo->Items()->Add("a");
  combo->Items()->Add("b");
  combo->SetItemIndex(1);
  auto* list = Add<TListBox>(form, 200, 40, 120, 60);
  list->SetName("List1");
  list->Items()->Add("x");
  list->SetSorted(true);
  auto* check = Add<TCheckBox>(form, 200, 110, 120, 18);
  check->SetName("Check1");
  check->SetAllowGrayed(true);
  check->SetState(cbGrayed);
  auto* tabs = Add<TTabControl>(form, 8, 140, 200, 100);
  tabs->SetName("Tabs1");
  tabs->Tabs()->Add("P1");
  tabs->Tabs()->Add("P2");
  tabs->SetTabPosition(tpBottom);
  auto* speed = new TSpeedButton(form);
  speed->SetName("Speed1");
  speed->SetParent(form);
  speed->SetGroupIndex(3);
  speed->SetFlat(true);
  auto* panel = Add<TPanel>(form, 220, 140, 100, 40);
  panel->SetName("Panel1");
  panel->SetBevelOuter(bvLowered);
  std::string text = WriteComponentText(form);
  EXPECT_NE(text.find("EditMask = \"000-0000;0;_\""), std::string::npos) << text;
  EXPECT_NE(text.find("TabPosition = tpBottom"), std::string::npos);
  EXPECT_NE(text.find("State = cbGrayed"), std::string::npos);

  auto* copy = new TForm(nullptr);
  ReadComponentText(copy, text, "written");
  auto* edit2 = dynamic_cast<TEdit*>(copy->FindComponent("Edit1"));
  auto* mask2 = dynamic_cast<TMaskEdit*>(copy->FindComponent("Mask1"));
  auto* memo2 = dynamic_cast<TMemo*>(copy->FindComponent("Memo1"));
  auto* combo2 = dynamic_cast<TComboBox*>(copy->FindComponent("Combo1"));
  auto* list2 = dynamic_cast<TListBox*>(copy->FindComponent("List1"));
  auto* check2 = dynamic_cast<TCheckBox*>(copy->FindComponent("Check1"));
  auto* tabs2 = dynamic_cast<TTabControl*>(copy->FindComponent("Tabs1"));
  auto* speed2 = dynamic_cast<TSpeedButton*>(copy->FindComponent("Speed1"));
  auto* panel2 = dynamic_cast<TPanel*>(copy->FindComponent("Panel1"));
  ASSERT_TRUE(edit2 && mask2 && memo2 && combo2 && list2 && check2 && tabs2 && speed2 && panel2);
  EXPECT_EQ(edit2->Text(), "文本");
  EXPECT_EQ(edit2->MaxLength(), 10);
  EXPECT_EQ(edit2->CharCase(), ecUpperCase);
  EXPECT_EQ(mask2->EditText(), "123-4567");
  EXPECT_EQ(memo2->Lines()->Text(), "一\r\ntwo\r\n");
  EXPECT_EQ(memo2->ScrollBars(), ssBoth);
  EXPECT_EQ(combo2->Style(), csDropDownList);
  EXPECT_EQ(combo2->Items()->Count(), 2);
  EXPECT_EQ(combo2->ItemIndex(), 1);
  EXPECT_TRUE(list2->Sorted());
  EXPECT_EQ(check2->State(), cbGrayed);
  EXPECT_EQ(tabs2->TabPosition(), tpBottom);
  EXPECT_EQ(tabs2->Tabs()->Count(), 2);
  EXPECT_EQ(speed2->GroupIndex(), 3);
  EXPECT_TRUE(speed2->Flat());
  EXPECT_EQ(panel2->BevelOuter(), bvLowered);
  copy->Free();
  form->Free();
}

}  // namespace
