// A sample form with one of each standard control, written as a PNG picture for people to look
// at (forms_sample.png beside the test program, or in FANO_SNAPSHOT_DIR). It is drawn with
// the real fonts, not the test font; nothing here compares pixels.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/forms/buttons.h"
#include "platform/forms/comctrls.h"
#include "platform/forms/extctrls.h"
#include "platform/forms/mask.h"
#include "platform/forms/stdctrls.h"
#include "platform/rtl/sysutils.h"
#include "std_test_util.h"

using namespace formstest;

namespace {

class Snapshot : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    FanoSetTestFont(FALSE);
  }
  void TearDown() override {
    FanoSetTestFont(TRUE);
    FormsTest::TearDown();
  }
};

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

  const char* dir = std::getenv("FANO_SNAPSHOT_DIR");
  std::string path = std::string(dir && *dir ? dir : FANO_SNAPSHOT_DEFAULT_DIR) + "/forms_sample.png";
  ASSERT_TRUE(FanoSnapshotWindow(form->Handle(), path.c_str()));
  std::ifstream in(path, std::ios::binary);
  char sig[8] = {};
  in.read(sig, 8);
  EXPECT_EQ(std::string(sig + 1, 3), "PNG");
  std::printf("sample form written to %s\n", path.c_str());
  form->Free();
}

}  // namespace
