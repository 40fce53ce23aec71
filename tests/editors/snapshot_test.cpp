// Pictures of the editors for people to look at: the text editor and the check box, each in its
// normal, focused, read-only and flat looks (dbedit_<look>.png and dbcheckbox_<look>.png beside the
// test program, or in FANO_SNAPSHOT_DIR). Drawn with the real fonts; nothing here compares pixels
// beyond checking that the file was written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "editor_fixture.h"
#include "editors/dbcheckbox.h"
#include "editors/dbeditbase.h"
#include "editors/dbnumberedit.h"
#include "platform/forms/stdctrls.h"

using namespace edtest;

namespace {

class Snapshot : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    FanoSetTestFont(FALSE);
    form->SetCaption("编辑控件");
    form->SetBounds(20, 20, 340, 215);
    form->SetColor(static_cast<TColor>(0xF5EFE8));
  }
  void TearDown() override {
    FanoSetTestFont(TRUE);
    EditorTest::TearDown();
  }
  std::string Path(const std::string& name) { return uitest::SnapshotPath(name + ".png"); }
  void Write(const std::string& name) {
    Pump();
    std::string path = Path(name);
    ASSERT_TRUE(FanoSnapshotWindow(form->Handle(), path.c_str()));
    EXPECT_GT(std::filesystem::file_size(path), 100u);
  }
  TLabel* Caption(int y, const char* text) {
    auto* l = new TLabel(form);
    l->SetParent(form);
    l->SetBounds(10, y + 3, 70, 16);
    l->SetCaption(text);
    return l;
  }
  // Four editors: a name with a drop-down and an ellipsis button, a right-aligned amount, a
  // required field shown empty in edit state and a number with its calculator button.
  void Editors(TDBEditGx*& name, TDBEditGx*& amount, TDBEditGx*& code) {
    Caption(12, "名称:");
    name = Add<TDBEditGx>(90, 10, 220, 21);
    name->SetDataSource(source);
    name->SetDataField("NAME");
    name->EditButton()->SetVisible(true);
    TEditButtonGx* more = name->EditButtons()->Add();
    more->SetVisible(true);
    more->SetStyle(ebsEllipsisGx);
    Caption(44, "编号:");
    amount = Add<TDBEditGx>(90, 42, 220, 21);
    amount->SetDataSource(source);
    amount->SetDataField("ID");
    amount->SetAlignment(taRightJustify);
    Caption(76, "代码:");
    code = Add<TDBEditGx>(90, 74, 220, 21);
    code->SetDataSource(source);
    code->SetDataField("CODE");
    code->SetHighlightRequired(true);
    table->FieldByName("CODE")->SetRequired(true);
    Caption(108, "金额:");
    number = Add<TDBNumberEditGx>(90, 106, 220, 21);
    number->SetDataSource(source);
    number->SetDataField("ID");
    number->EditButton()->SetVisible(true);
    table->Edit();
    table->FieldByName("NAME")->SetAsString("费用垫付单");
    table->FieldByName("CODE")->Clear();
  }
  void Boxes(TDBCheckBoxGx*& a, TDBCheckBoxGx*& b, TDBCheckBoxGx*& c) {
    a = Add<TDBCheckBoxGx>(20, 12, 200, 17);
    a->SetCaption("已审核 (字段)");
    a->SetDataSource(source);
    a->SetDataField("FLAG");
    b = Add<TDBCheckBoxGx>(20, 42, 200, 17);
    b->SetCaption("未选 Unchecked");
    c = Add<TDBCheckBoxGx>(20, 72, 200, 17);
    c->SetCaption("不确定 Grayed");
    c->SetAllowGrayed(true);
    c->SetState(cbGrayed);
  }
  TDBNumberEditGx* number = nullptr;
};

TEST_F(Snapshot, TextEditorNormal) {
  TDBEditGx *name, *amount, *code;
  Editors(name, amount, code);
  auto* sink = Add<TButton>(10, 140, 80, 25);
  sink->SetCaption("确定");
  Show();
  sink->SetFocus();
  Write("dbedit_normal");
}

TEST_F(Snapshot, TextEditorFocused) {
  TDBEditGx *name, *amount, *code;
  Editors(name, amount, code);
  Show();
  amount->SetFocus();
  Write("dbedit_focused");
}

TEST_F(Snapshot, TextEditorReadOnly) {
  TDBEditGx *name, *amount, *code;
  Editors(name, amount, code);
  for (TCustomDBEditGx* e : std::initializer_list<TCustomDBEditGx*>{name, amount, code, number}) {
    e->SetReadOnly(true);
    e->SetColor(clBtnFace);
  }
  amount->SetEnabled(false);
  Show();
  name->SetFocus();
  Write("dbedit_readonly");
}

// Single 2-D borders: the unfocused right-aligned editors draw their own frame.
TEST_F(Snapshot, TextEditorSingle2D) {
  TDBEditGx *name, *amount, *code;
  Editors(name, amount, code);
  for (TCustomDBEditGx* e : std::initializer_list<TCustomDBEditGx*>{name, amount, code, number}) e->SetCtl3D(false);
  Show();
  name->SetFocus();
  Write("dbedit_single2d");
}

TEST_F(Snapshot, TextEditorFlat) {
  TDBEditGx *name, *amount, *code;
  Editors(name, amount, code);
  for (TCustomDBEditGx* e : std::initializer_list<TCustomDBEditGx*>{name, amount, code, number}) {
    e->SetBorderStyle(bsNone);
    e->SetCtl3D(false);
    e->SetColorFlat(clWhite);
    e->SetColorBorder(static_cast<TColor>(0x8396A0));
    e->SetColorFocused(static_cast<TColor>(0xD8FFFF));
  }
  name->SetFlat(true);
  number->SetFlat(true);
  Show();
  code->SetFocus();
  Write("dbedit_flat");
}

TEST_F(Snapshot, TextEditorWithItsRecentValues) {
  TDBEditGx *name, *amount, *code;
  Editors(name, amount, code);
  code->MRUList()->SetActive(true);
  for (const char* s : {"BJ-北京", "BH-北海", "SH-上海", "BD-保定"}) code->MRUList()->Add(s);
  Show();
  code->SetFocus();
  Pump();
  Type("B");
  ASSERT_TRUE(code->MRUList()->DroppedDown());
  KeyPress(VK_DOWN);
  Write("dbedit_recent");
  std::string path = Path("dbedit_recent_list");
  ASSERT_TRUE(FanoSnapshotWindow(code->MRUListbox()->Handle(), path.c_str()));
}

TEST_F(Snapshot, CheckBoxNormal) {
  TDBCheckBoxGx *a, *b, *c;
  Boxes(a, b, c);
  auto* sink = Add<TButton>(10, 110, 80, 25);
  Show();
  sink->SetFocus();
  Write("dbcheckbox_normal");
}

TEST_F(Snapshot, CheckBoxFocused) {
  TDBCheckBoxGx *a, *b, *c;
  Boxes(a, b, c);
  Show();
  a->SetFocus();
  Write("dbcheckbox_focused");
}

TEST_F(Snapshot, CheckBoxReadOnly) {
  TDBCheckBoxGx *a, *b, *c;
  Boxes(a, b, c);
  a->SetReadOnly(true);
  b->SetEnabled(false);
  c->SetEnabled(false);
  Show();
  a->SetFocus();
  Write("dbcheckbox_readonly");
}

TEST_F(Snapshot, CheckBoxFlat) {
  TDBCheckBoxGx *a, *b, *c;
  Boxes(a, b, c);
  for (TDBCheckBoxGx* x : {a, b, c}) x->SetFlat(true);
  b->SetAlwaysShowBorder(true);
  c->SetAlignment(taLeftJustify);
  Show();
  a->SetFocus();
  Write("dbcheckbox_flat");
}

}  // namespace
