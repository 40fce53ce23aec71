// Data grids written out as form text and read back.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dbgrid_test_util.h"
#include "platform/classes/filer.h"
#include "platform/rtl/resources.h"

namespace dbgridtest {
namespace {

TEST_F(DBGridTest, AGridWrittenAsFormTextReadsBack) {
  MakeGrid();
  form->SetName("frmGrid");
  grid->SetName("grdLines");
  AddRows(3);
  Bind();
  TColumnGx* name = AddColumn("NAME", "名称|简称");
  TColumnGx* amount = AddColumn("AMOUNT", "名称|金额");
  amount->SetWidth(77);
  grid->SetFooterRowCount(1);
  amount->Footer()->SetValueType(fvtSum);
  name->Footer()->SetValueType(fvtCount);
  grid->SetDBOptions(grid->DBOptions() - dgRowLines);
  grid->SetUseMultiTitle(true);
  grid->SetOptionsGx(grid->OptionsGx() + dghShowRecNo);
  gridtest::Pump();
  grid->SetDataSource(nullptr);  // the table is not the form's
  const std::string text = WriteComponentText(form);
  // The data grid's row and column sizes come from its data and columns, not from the form.
  EXPECT_EQ(text.find("RowHeights"), std::string::npos) << text;
  EXPECT_EQ(text.find("ColWidths"), std::string::npos) << text;

  RegisterDBGridClasses();
  auto* copy = new TForm(nullptr);
  ASSERT_NO_THROW(ReadComponentText(copy, text)) << text;
  auto* g = dynamic_cast<TDBGridGx*>(copy->FindComponent("grdLines"));
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->Columns()->Count(), 2);
  EXPECT_EQ(g->Columns()->Items(0)->FieldName(), "NAME");
  EXPECT_EQ(g->Columns()->Items(1)->Title()->Caption(), "名称|金额");
  EXPECT_EQ(g->Columns()->Items(1)->Width(), 77);
  EXPECT_EQ(g->FooterRowCount(), 1);
  EXPECT_EQ(g->Columns()->Items(1)->Footer()->ValueType(), fvtSum);
  EXPECT_EQ(g->Columns()->Items(0)->Footer()->ValueType(), fvtCount);
  EXPECT_FALSE(g->DBOptions().Contains(dgRowLines));
  EXPECT_TRUE(g->UseMultiTitle());
  EXPECT_TRUE(g->OptionsGx().Contains(dghShowRecNo));
  // Written again, the copy gives the same text.
  copy->SetName("frmGrid");
  EXPECT_EQ(WriteComponentText(copy), text);
  // Bound after reading, the copy shows the table's rows.
  g->SetDataSource(source);
  EXPECT_EQ(g->DataLink()->Active(), true);
  copy->Free();
}

// The title defaults are written only when set and unlike what the grid gives: unset, they follow
// the grid after reading too.
TEST_F(DBGridTest, TitleDefaultsLeftUnsetFollowTheGridWhenReadBack) {
  RegisterDBGridClasses();
  const struct {
    bool set;
    TAlignment alignment;
    TColor color;
    bool written;
  } cases[] = {{false, taLeftJustify, clBtnFace, false},
               {true, taRightJustify, clYellow, true},
               {true, taCenter, clAqua, false}};  // set, but like what the grid gives
  for (const auto& c : cases) {
    MakeGrid();
    form->SetName("frmGrid");
    grid->SetName("grdLines");
    grid->SetUseMultiTitle(true);
    grid->SetFixedColor(clAqua);
    TColumnTitleDefValuesGx* t = grid->ColumnDefValues()->Title();
    if (c.set) {
      t->SetAlignment(c.alignment);
      t->SetColor(c.color);
    }
    const std::string text = WriteComponentText(form);
    auto* copy = new TForm(nullptr);
    ASSERT_NO_THROW(ReadComponentText(copy, text)) << text;
    auto* g = dynamic_cast<TDBGridGx*>(copy->FindComponent("grdLines"));
    ASSERT_NE(g, nullptr);
    TColumnTitleDefValuesGx* r = g->ColumnDefValues()->Title();
    EXPECT_EQ(r->AlignmentAssigned(), c.written) << text;
    EXPECT_EQ(r->ColorAssigned(), c.written) << text;
    // Unset, they go on following the grid's multi-level titles and fixed colour.
    g->SetUseMultiTitle(false);
    g->SetFixedColor(clLime);
    EXPECT_EQ(r->Alignment(), c.written ? c.alignment : taLeftJustify);
    EXPECT_EQ(r->Color(), c.written ? c.color : clLime);
    copy->Free();
    form->Free();
    form = nullptr;
  }
}

// A column given what a new column shows anyway (but not what its field would give it) keeps it
// when read back.
TEST_F(DBGridTest, AColumnsOwnValueLikeANewColumnsIsKept) {
  MakeGrid();
  form->SetName("frmGrid");
  grid->SetName("grdLines");
  AddRows(2);
  Bind();
  TColumnGx* name = AddColumn("NAME");
  TColumnGx* amount = AddColumn("AMOUNT");
  gridtest::Pump();
  amount->SetAlignment(taLeftJustify);  // the field says right
  name->SetWordWrap(false);             // a text field wraps
  name->Title()->SetCaption("");        // the field's name otherwise
  grid->SetDataSource(nullptr);
  const std::string text = WriteComponentText(form);
  EXPECT_NE(text.find("Alignment = taLeftJustify"), std::string::npos) << text;
  EXPECT_NE(text.find("WordWrap = false"), std::string::npos) << text;
  EXPECT_NE(text.find("Title.Caption = \"\""), std::string::npos) << text;

  RegisterDBGridClasses();
  auto* copy = new TForm(nullptr);
  ASSERT_NO_THROW(ReadComponentText(copy, text)) << text;
  auto* g = dynamic_cast<TDBGridGx*>(copy->FindComponent("grdLines"));
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->Columns()->Count(), 2);
  g->SetDataSource(source);
  EXPECT_EQ(g->Columns()->Items(1)->Alignment(), taLeftJustify);
  EXPECT_FALSE(g->Columns()->Items(0)->WordWrap());
  EXPECT_EQ(g->Columns()->Items(0)->Title()->Caption(), "");
  // Unset, they follow the field again.
  EXPECT_EQ(g->Columns()->Items(1)->Field()->Alignment(), taRightJustify);
  g->SetDataSource(nullptr);
  copy->Free();
}

}  // namespace
}  // namespace dbgridtest

// ---- an inherited form holds only what differs from its ancestor's grid

// A form class with a grid of two columns in its resource, and a class inheriting it whose own
// resource adds nothing.
class TGridBaseFormTest : public TForm {
  FANO_CLASS(TGridBaseFormTest)
 public:
  using TForm::TForm;
};
class TGridLinesFormTest : public TGridBaseFormTest {
  FANO_CLASS(TGridLinesFormTest)
 public:
  using TGridBaseFormTest::TGridBaseFormTest;
};
FANO_IMPLEMENT_COMPONENT(TGridBaseFormTest, TForm)
FANO_IMPLEMENT_COMPONENT(TGridLinesFormTest, TGridBaseFormTest)

namespace dbgridtest {
namespace {

const char kBaseForm[] =
    "object TGridBaseFormTest frmGridBase {\n"
    "  object TDBGridGx grdLines {\n"
    "    Columns = collection {\n"
    "      item {\n"
    "        FieldName = \"NAME\"\n"
    "        Title.Caption = \"名称\"\n"
    "        Width = 90\n"
    "      }\n"
    "      item {\n"
    "        FieldName = \"AMOUNT\"\n"
    "      }\n"
    "    }\n"
    "  }\n"
    "}\n";
const char kLinesForm[] = "inherited TGridLinesFormTest frmGridLines : TGridBaseFormTest {\n}\n";

class DBGridInheritedStreamTest : public DBGridTest {
 protected:
  void SetUp() override {
    DBGridTest::SetUp();
    RegisterDBGridClasses();
    static const bool registered = [] {
      RegisterResource("TGridBaseFormTest", reinterpret_cast<const unsigned char*>(kBaseForm), sizeof kBaseForm - 1);
      RegisterResource("TGridLinesFormTest", reinterpret_cast<const unsigned char*>(kLinesForm), sizeof kLinesForm - 1);
      return true;
    }();
    (void)registered;
    lines = CreateForm<TGridLinesFormTest>(nullptr);
    linesGrid = dynamic_cast<TDBGridGx*>(lines->FindComponent("grdLines"));
    ASSERT_NE(linesGrid, nullptr);
    ASSERT_EQ(linesGrid->Columns()->Count(), 2);
  }
  void TearDown() override {
    if (lines) lines->Free();
    DBGridTest::TearDown();
  }
  // The inherited form's text read into a new form of its class, and that form's grid.
  TDBGridGx* ReadBack(const std::string& text) {
    copy.reset(new TGridLinesFormTest(nullptr));
    EXPECT_NO_THROW(ReadComponentText(copy.get(), text)) << text;
    return dynamic_cast<TDBGridGx*>(copy->FindComponent("grdLines"));
  }
  static bool WritesColumns(const std::string& text) { return text.find("Columns") != std::string::npos; }

  struct Freer {
    void operator()(TForm* f) const { f->Free(); }
  };
  TGridLinesFormTest* lines = nullptr;
  TDBGridGx* linesGrid = nullptr;
  std::unique_ptr<TForm, Freer> copy;
};

TEST_F(DBGridInheritedStreamTest, TheAncestorsColumnsAreNotWrittenAgain) {
  const std::string text = WriteComponentText(lines);
  EXPECT_EQ(text.rfind("inherited TGridLinesFormTest frmGridLines : TGridBaseFormTest {", 0), 0u) << text;
  EXPECT_FALSE(WritesColumns(text)) << text;
  // Bound to data, a column without a width of its own shows the field's, but stores nothing.
  AddRows(2);
  source->SetName("dsLines");
  linesGrid->SetDataSource(source);
  gridtest::Pump();
  ASSERT_TRUE(linesGrid->DataLink()->Active());
  const std::string bound = WriteComponentText(lines);
  EXPECT_FALSE(WritesColumns(bound)) << bound;
  linesGrid->SetDataSource(nullptr);
}

TEST_F(DBGridInheritedStreamTest, ChangedColumnsAreWrittenWholeAndReadBack) {
  linesGrid->Columns()->Items(1)->SetWidth(120);
  std::string text = WriteComponentText(lines);
  ASSERT_TRUE(WritesColumns(text)) << text;
  EXPECT_NE(text.find("Width = 120"), std::string::npos) << text;
  EXPECT_NE(text.find("Width = 90"), std::string::npos) << text;  // the whole collection
  TDBGridGx* g = ReadBack(text);
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->Columns()->Count(), 2);
  EXPECT_EQ(g->Columns()->Items(0)->FieldName(), "NAME");
  EXPECT_EQ(g->Columns()->Items(0)->Title()->Caption(), "名称");
  EXPECT_EQ(g->Columns()->Items(0)->Width(), 90);
  EXPECT_EQ(g->Columns()->Items(1)->FieldName(), "AMOUNT");
  EXPECT_EQ(g->Columns()->Items(1)->Width(), 120);
  // Written again, the copy gives the same text.
  EXPECT_EQ(WriteComponentText(copy.get()), text);

  // Back to the ancestor's width: nothing to write again. A changed caption is written.
  linesGrid->Columns()->Items(1)->RestoreDefaults();
  EXPECT_FALSE(WritesColumns(WriteComponentText(lines)));
  linesGrid->Columns()->Items(0)->Title()->SetCaption("摘要");
  text = WriteComponentText(lines);
  ASSERT_TRUE(WritesColumns(text)) << text;
  g = ReadBack(text);
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->Columns()->Count(), 2);
  EXPECT_EQ(g->Columns()->Items(0)->Title()->Caption(), "摘要");
  EXPECT_EQ(g->Columns()->Items(0)->Width(), 90);
}

TEST_F(DBGridInheritedStreamTest, ColumnsMadeByTheGridAgainstTheAncestorsAreWritten) {
  // Emptied, the inherited grid builds its own columns: its state is no longer the ancestor's.
  linesGrid->Columns()->Clear();
  const std::string text = WriteComponentText(lines);
  ASSERT_TRUE(WritesColumns(text)) << text;
  TDBGridGx* g = ReadBack(text);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->Columns()->Count(), 0);
  // A column added or taken away counts too.
  lines->Free();
  lines = CreateForm<TGridLinesFormTest>(nullptr);
  linesGrid = dynamic_cast<TDBGridGx*>(lines->FindComponent("grdLines"));
  ASSERT_NE(linesGrid, nullptr);
  linesGrid->Columns()->Delete(1);
  g = ReadBack(WriteComponentText(lines));
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->Columns()->Count(), 1);
  EXPECT_EQ(g->Columns()->Items(0)->FieldName(), "NAME");
}

// A column writes what it was given, not what it shows from its field or from the grid.
TEST_F(DBGridTest, AColumnWritesOnlyWhatIsItsOwn) {
  MakeGrid();
  form->SetName("frmGrid");
  grid->SetName("grdLines");
  AddRows(2);
  Bind();
  TColumnGx* name = AddColumn("NAME", "名称");
  TColumnGx* amount = AddColumn("AMOUNT");
  grid->ColumnDefValues()->Title()->SetTitleButton(true);
  grid->ColumnDefValues()->SetEndEllipsis(true);
  gridtest::Pump();
  // Shown from the field and the grid's column defaults, none of it the columns' own.
  ASSERT_EQ(amount->Alignment(), taRightJustify);
  ASSERT_TRUE(name->WordWrap());
  ASSERT_TRUE(amount->Title()->TitleButton());
  ASSERT_TRUE(amount->EndEllipsis());
  ASSERT_NE(amount->Width(), 64);
  source->SetName("dsLines");
  std::string text = WriteComponentText(form);
  const size_t columns = text.find("Columns = collection");
  ASSERT_NE(columns, std::string::npos) << text;
  const std::string items = text.substr(columns);
  for (const char* own : {"Width", "Alignment", "WordWrap", "TitleButton", "EndEllipsis"})
    EXPECT_EQ(items.find(own), std::string::npos) << own << "\n" << text;

  // Set to what it shows anyway, a value is still not the column's own to write; set otherwise, it is.
  amount->SetAlignment(taRightJustify);
  amount->SetWidth(amount->Width());
  EXPECT_EQ(WriteComponentText(form), text);
  amount->SetAlignment(taCenter);
  amount->SetWidth(150);
  name->Title()->SetTitleButton(true);
  text = WriteComponentText(form);
  EXPECT_NE(text.find("Alignment = taCenter"), std::string::npos) << text;
  EXPECT_NE(text.find("Width = 150"), std::string::npos) << text;
  EXPECT_EQ(text.find("TitleButton", text.find("Columns = collection")), std::string::npos) << text;
  grid->SetDataSource(nullptr);
}

}  // namespace
}  // namespace dbgridtest

// ---- events named in a form resource

// A form whose resource binds every published grid event below to a handler of its own; each
// handler notes its name.
class TGridEventsFormTest : public TForm {
  FANO_CLASS(TGridEventsFormTest)
 public:
  using TForm::TForm;
  std::vector<std::string> calls;
  void grdApplyFilter(TObject*) { calls.push_back("ApplyFilter"); }
  void grdCellMouseClick(TCustomGridGx*, TGridCoord, TMouseButton, TShiftState, int, int) {
    calls.push_back("CellMouseClick");
  }
  void grdDrawColumnCell(TObject*, const TRect&, int, TColumnGx*, TGridDrawState) { calls.push_back("DrawColumnCell"); }
  void grdDrawDataCell(TObject*, const TRect&, TField*, TGridDrawState) { calls.push_back("DrawDataCell"); }
  void grdDrawFooterCell(TObject*, int, int, TColumnGx*, const TRect&, TGridDrawState) {
    calls.push_back("DrawFooterCell");
  }
  void grdEditButtonClick(TObject*) { calls.push_back("EditButtonClick"); }
  void grdGetBtnParams(TObject*, TColumnGx*, TFont*, TColor&, TSortMarkerGx&, bool) { calls.push_back("GetBtnParams"); }
  void grdGetFooterParams(TObject*, int, int, TColumnGx*, TFont*, TColor&, TAlignment&, TGridDrawState,
                          std::string&) {
    calls.push_back("GetFooterParams");
  }
};
FANO_IMPLEMENT_COMPONENT(TGridEventsFormTest, TForm)
FANO_PUBLISHED(TGridEventsFormTest, p) {
  p.Method("grdApplyFilter", &TGridEventsFormTest::grdApplyFilter);
  p.Method("grdCellMouseClick", &TGridEventsFormTest::grdCellMouseClick);
  p.Method("grdDrawColumnCell", &TGridEventsFormTest::grdDrawColumnCell);
  p.Method("grdDrawDataCell", &TGridEventsFormTest::grdDrawDataCell);
  p.Method("grdDrawFooterCell", &TGridEventsFormTest::grdDrawFooterCell);
  p.Method("grdEditButtonClick", &TGridEventsFormTest::grdEditButtonClick);
  p.Method("grdGetBtnParams", &TGridEventsFormTest::grdGetBtnParams);
  p.Method("grdGetFooterParams", &TGridEventsFormTest::grdGetFooterParams);
}

namespace dbgridtest {
namespace {

TEST_F(DBGridTest, EveryGridEventIsBoundFromAFormResource) {
  RegisterDBGridClasses();
  const char* const events[] = {"ApplyFilter",    "CellMouseClick",  "DrawColumnCell", "DrawDataCell",
                                "DrawFooterCell", "EditButtonClick", "GetBtnParams",   "GetFooterParams"};
  std::string text = "object TGridEventsFormTest frmEvents {\n  object TDBGridGx grdLines {\n";
  for (const char* e : events) text += std::string("    On") + e + " = grd" + e + "\n";
  text += "  }\n}\n";
  struct Freer {
    void operator()(TForm* form) const { form->Free(); }
  };
  std::unique_ptr<TGridEventsFormTest, Freer> f(new TGridEventsFormTest(nullptr));
  ASSERT_NO_THROW(ReadComponentText(f.get(), text)) << text;
  auto* g = dynamic_cast<TDBGridGx*>(f->FindComponent("grdLines"));
  ASSERT_NE(g, nullptr);
  TFont font;
  TColor color = clWindow;
  TSortMarkerGx marker = smNoneGx;
  TAlignment alignment = taLeftJustify;
  std::string value;
  ASSERT_TRUE(g->OnApplyFilter && g->OnCellMouseClick && g->OnDrawColumnCell && g->OnDrawDataCell &&
              g->OnDrawFooterCell && g->OnEditButtonClick && g->OnGetBtnParams && g->OnGetFooterParams);
  g->OnApplyFilter(g);
  g->OnCellMouseClick(g, TGridCoord{1, 1}, mbLeft, TShiftState(), 0, 0);
  g->OnDrawColumnCell(g, TRect(), 0, nullptr, TGridDrawState());
  g->OnDrawDataCell(g, TRect(), nullptr, TGridDrawState());
  g->OnDrawFooterCell(g, 0, 0, nullptr, TRect(), TGridDrawState());
  g->OnEditButtonClick(g);
  g->OnGetBtnParams(g, nullptr, &font, color, marker, false);
  g->OnGetFooterParams(g, 0, 0, nullptr, &font, color, alignment, TGridDrawState(), value);
  EXPECT_EQ(f->calls, std::vector<std::string>(std::begin(events), std::end(events)));
  EXPECT_NE(WriteComponentText(f.get()).find("OnGetFooterParams = grdGetFooterParams"), std::string::npos);
}

}  // namespace
}  // namespace dbgridtest
