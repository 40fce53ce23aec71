// Column footers: defaults that follow the grid, streaming rules, the aggregate items they keep in
// the grid's sum list, the text of every value type, and the footer row as painted.
#include <gtest/gtest.h>

#include <cstring>

#include "dbgrid_test_util.h"
#include "platform/classes/published.h"
#include "platform/forms/controls.h"
#include "platform/rtl/sysutils.h"

using namespace dbgridtest;

namespace {

std::vector<std::string> TextsIn(HDC dc, const TRect& area) {
  std::vector<std::string> out;
  for (const FANO_DRAW_RECORD& r : uitest::Records(dc)) {
    if (std::strcmp(r.call, "ExtTextOut") != 0 || r.text[0] == 0) continue;
    const int x = static_cast<int>(r.args[0]), y = static_cast<int>(r.args[1]);
    if (x >= area.Left - 1 && x < area.Right && y >= area.Top - 1 && y < area.Bottom) out.emplace_back(r.text);
  }
  return out;
}

}  // namespace

class FooterTest : public DBGridTest {
 protected:
  // Three rows (amounts 1.5, 3, 4.5), columns ID / NAME / AMOUNT and one footer row.
  void MakeBoundGrid() {
    AddRows(3);
    MakeGrid(400, 200);
    id = AddColumn("ID", "编号");
    name = AddColumn("NAME", "名称");
    amount = AddColumn("AMOUNT", "金额");
    grid->SetFooterRowCount(1);
    Bind();
  }
  int SumCount() const { return grid->SumList()->SumCollection()->Count(); }
  HDC Paint() {
    HDC dc = FanoCreateRecordingDC(grid->ClientWidth(), grid->ClientHeight());
    PaintWithCanvas(grid->Canvas(), dc, [this] { grid->Paint(); });
    return dc;
  }
  TRect FooterRect(int dataCol) const {
    return grid->CellRect(grid->DataToRawColumn(dataCol), grid->RowCount());
  }

  TColumnGx* id = nullptr;
  TColumnGx* name = nullptr;
  TColumnGx* amount = nullptr;
};

TEST_F(FooterTest, DefaultsFollowTheGridUntilSet) {
  MakeBoundGrid();
  TColumnFooterGx* f = amount->Footer();
  EXPECT_EQ(f->Column(), amount);
  EXPECT_EQ(f->Alignment(), taRightJustify);  // a float field's alignment
  EXPECT_EQ(name->Footer()->Alignment(), taLeftJustify);
  EXPECT_EQ(f->Color(), clWindow);
  grid->SetFooterColor(clYellow);
  EXPECT_EQ(f->Color(), clYellow);  // never set: follows the grid
  f->SetColor(clAqua);
  grid->SetFooterColor(clLime);
  EXPECT_EQ(f->Color(), clAqua);
  EXPECT_TRUE(f->ColorAssigned());

  grid->FooterFont()->SetSize(14);
  EXPECT_EQ(f->Font()->Size(), 14);
  EXPECT_FALSE(f->FontAssigned());  // the copy is no assignment
  f->Font()->SetStyle(TFontStyles{fsBold});
  EXPECT_TRUE(f->FontAssigned());
  grid->FooterFont()->SetSize(9);
  EXPECT_EQ(f->Font()->Size(), 14);

  EXPECT_FALSE(f->ToolTips());
  grid->ColumnDefValues()->Footer()->SetToolTips(true);
  EXPECT_TRUE(f->ToolTips());
  EXPECT_FALSE(f->ToolTipsAssigned());

  f->RestoreDefaults();
  EXPECT_FALSE(f->ColorAssigned());
  EXPECT_FALSE(f->FontAssigned());
  EXPECT_EQ(f->Color(), clLime);
  EXPECT_EQ(f->Font()->Size(), 9);

  // A footer of a column outside any grid.
  TColumnGx loose(nullptr);
  EXPECT_EQ(loose.Footer()->Color(), clWindow);
  EXPECT_EQ(loose.Footer()->Alignment(), taLeftJustify);
  EXPECT_FALSE(loose.Footer()->ToolTips());
}

TEST_F(FooterTest, StreamingStoresOnlyWhatDiffers) {
  MakeBoundGrid();
  TColumnFooterGx* f = amount->Footer();
  EXPECT_FALSE(f->AlignmentStored());
  f->SetAlignment(taRightJustify);  // set, but equal to the field's
  EXPECT_TRUE(f->AlignmentAssigned());
  EXPECT_FALSE(f->AlignmentStored());
  f->SetAlignment(taCenter);
  EXPECT_TRUE(f->AlignmentStored());
  f->SetColor(clWindow);
  EXPECT_FALSE(f->ColorStored());
  f->SetToolTips(false);
  EXPECT_FALSE(f->ToolTipsStored());
  f->SetToolTips(true);
  EXPECT_TRUE(f->ToolTipsStored());
  EXPECT_FALSE(f->FontStored());
  for (const char* prop : {"Alignment", "Color", "DisplayFormat", "EndEllipsis", "FieldName", "Font", "ToolTips",
                           "Value", "ValueType", "WordWrap"})
    EXPECT_NE(GetPropInfo(f, prop), nullptr) << prop;
  EXPECT_NE(GetPropInfo(amount, "Footer"), nullptr);
  EXPECT_NE(GetPropInfo(amount, "Footers"), nullptr);
  SetEnumProp(f, "ValueType", "fvtAvg");
  EXPECT_EQ(f->ValueType(), fvtAvg);
}

TEST_F(FooterTest, AggregateItemsFollowTypeAndField) {
  MakeBoundGrid();
  TColumnFooterGx* f = amount->Footer();
  EXPECT_EQ(SumCount(), 0);
  f->SetValueType(fvtSum);
  ASSERT_EQ(SumCount(), 1);
  TDBSum* item = f->SumItem();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GroupOperation(), goSum);
  EXPECT_EQ(item->FieldName(), "AMOUNT");  // the column's own field
  f->SetFieldName("ID");
  EXPECT_EQ(item->FieldName(), "ID");
  f->SetValueType(fvtAvg);
  EXPECT_EQ(f->SumItem(), item);
  EXPECT_EQ(item->GroupOperation(), goAvg);
  f->SetValueType(fvtCount);
  EXPECT_EQ(item->GroupOperation(), goCount);
  EXPECT_EQ(item->FieldName(), "");  // counts records whatever the footer names
  f->SetValueType(fvtStaticText);
  EXPECT_EQ(SumCount(), 0);
  EXPECT_EQ(f->SumItem(), nullptr);
  f->SetValueType(fvtSum);
  EXPECT_EQ(SumCount(), 1);
  EXPECT_NE(f->SumItem(), nullptr);

  // Footers of several rows keep one item each; a freed column takes its items along.
  TColumnFooterGx* second = id->Footers()->Add();
  second->SetValueType(fvtCount);
  id->Footers()->Add()->SetValueType(fvtSum);
  EXPECT_EQ(SumCount(), 3);
  EXPECT_EQ(id->GetFooter(1)->SumItem()->FieldName(), "ID");
  EXPECT_EQ(id->GetFooter(5), id->Footer());  // beyond the footers: the single one
  delete id;
  EXPECT_EQ(SumCount(), 1);
}

TEST_F(FooterTest, ColumnWithoutFieldNameGetsItsFieldLater) {
  AddRows(2);
  MakeGrid();
  TColumnGx* c = grid->Columns()->Add();
  c->Footer()->SetValueType(fvtSum);
  ASSERT_NE(c->Footer()->SumItem(), nullptr);
  EXPECT_EQ(c->Footer()->SumItem()->FieldName(), "");
  c->SetFieldName("AMOUNT");
  EXPECT_EQ(c->Footer()->SumItem()->FieldName(), "AMOUNT");
}

TEST_F(FooterTest, ValuesThroughEditDeleteAndAppend) {
  MakeBoundGrid();
  amount->Footer()->SetValueType(fvtSum);
  TColumnFooterGx* avg = amount->Footers()->Add();
  avg->SetValueType(fvtAvg);
  TColumnFooterGx* count = amount->Footers()->Add();
  count->SetValueType(fvtCount);
  TColumnFooterGx* ids = id->Footer();
  ids->SetValueType(fvtSum);
  grid->SumList()->SetActive(true);
  EXPECT_EQ(grid->GetFooterValue(-1, amount), "9");
  EXPECT_EQ(grid->GetFooterValue(0, amount), "3");  // Footers[0]: the average
  EXPECT_EQ(grid->GetFooterValue(1, amount), "3");  // Footers[1]: the count
  EXPECT_EQ(grid->GetFooterValue(0, id), "6");

  table->First();
  table->Edit();
  table->FieldByName("AMOUNT")->SetValue(1.23456);  // kept to four decimals
  table->Post();
  EXPECT_EQ(amount->Footer()->SumItem()->SumValue(), 1'2346 + 3'0000 + 4'5000);
  EXPECT_EQ(grid->GetFooterValue(-1, amount), "8.7346");

  table->Last();
  table->Delete();
  EXPECT_EQ(grid->GetFooterValue(-1, amount), "4.2346");
  EXPECT_EQ(grid->GetFooterValue(0, amount), "2.1173");
  EXPECT_EQ(grid->GetFooterValue(1, amount), "2");
  AddRow(10, "new", 0.7654);
  EXPECT_EQ(grid->GetFooterValue(-1, amount), "5");
  EXPECT_EQ(grid->GetFooterValue(0, amount), "1.6667");
  EXPECT_EQ(grid->GetFooterValue(1, amount), "3");
  EXPECT_EQ(grid->GetFooterValue(0, id), "13");
  amount->Footer()->SetDisplayFormat("#,##0.00");
  EXPECT_EQ(grid->GetFooterValue(-1, amount), "5.00");
}

TEST_F(FooterTest, TextOfEveryValueType) {
  MakeBoundGrid();
  TColumnFooterGx* f = name->Footer();
  EXPECT_EQ(grid->GetFooterValue(0, name), "");  // fvtNon
  f->SetValueType(fvtStaticText);
  f->SetValue("合计");
  EXPECT_EQ(grid->GetFooterValue(0, name), "合计");
  f->SetValueType(fvtFieldValue);
  EXPECT_EQ(grid->GetFooterValue(0, name), "");  // no field named
  f->SetFieldName("NAME");
  EXPECT_EQ(grid->GetFooterValue(0, name), "row1");
  table->Next();
  EXPECT_EQ(grid->GetFooterValue(0, name), "row2");
  f->SetValueType(fvtSum);  // a sum over a text field: the sum list keeps nothing for it
  f->SetFieldName("NOSUCH");
  EXPECT_EQ(grid->GetFooterValue(0, name), "0");
  f->SetValueType(fvtCount);
  grid->SumList()->SetActive(true);
  EXPECT_EQ(grid->GetFooterValue(0, name), "3");
  f->SetDisplayFormat("0 条");
  EXPECT_EQ(grid->GetFooterValue(0, name), "3 条");
  EXPECT_EQ(grid->GetFooterValue(0, nullptr), "");
}

TEST_F(FooterTest, AssignCopiesWhatTheSourceSet) {
  MakeBoundGrid();
  TColumnFooterGx* src = amount->Footer();
  src->SetColor(clRed);
  src->SetValueType(fvtStaticText);
  src->SetValue("小计");
  src->SetWordWrap(true);
  src->SetDisplayFormat("0.0");
  src->SetEndEllipsis(true);
  TColumnFooterGx* dst = name->Footer();
  dst->Assign(src);
  EXPECT_TRUE(dst->ColorAssigned());
  EXPECT_EQ(dst->Color(), clRed);
  EXPECT_FALSE(dst->AlignmentAssigned());  // not set in the source
  EXPECT_FALSE(dst->FontAssigned());
  EXPECT_EQ(dst->Value(), "小计");
  EXPECT_EQ(dst->ValueType(), fvtStaticText);
  EXPECT_TRUE(dst->WordWrap());
  EXPECT_TRUE(dst->EndEllipsis());
  EXPECT_EQ(dst->DisplayFormat(), "0.0");

  // A column assigned from another takes its footers along.
  amount->Footers()->Add()->SetValue("二");
  TColumnGx* copy = grid->Columns()->Add();
  copy->Assign(amount);
  EXPECT_EQ(copy->Footer()->Value(), "小计");
  ASSERT_EQ(copy->Footers()->Count(), 1);
  EXPECT_EQ(copy->Footers()->Items(0)->Value(), "二");
  EXPECT_EQ(copy->Footers()->Items(0)->Column(), copy);
}

TEST_F(FooterTest, FooterRowIsPainted) {
  MakeBoundGrid();
  amount->Footer()->SetValueType(fvtSum);
  name->Footer()->SetValueType(fvtStaticText);
  name->Footer()->SetValue("合计");
  grid->SumList()->SetActive(true);
  grid->SetFooterColor(clYellow);
  int params = 0;
  grid->OnGetFooterParams = [&](TObject*, int dataCol, int row, TColumnGx* column, TFont*, TColor& background,
                                TAlignment&, TGridDrawState, std::string& text) {
    ++params;
    EXPECT_EQ(row, 0);
    EXPECT_EQ(grid->ColumnAt(dataCol), column);
    if (column == id) {
      text = "共3条";
      background = clAqua;
    }
  };
  int drawn = 0;
  grid->OnDrawFooterCell = [&](TObject*, int, int, TColumnGx*, const TRect&, TGridDrawState) { ++drawn; };
  HDC dc = Paint();
  EXPECT_EQ(params, 3);
  EXPECT_EQ(drawn, 3);
  EXPECT_EQ(TextsIn(dc, FooterRect(0)), std::vector<std::string>{"共3条"});
  EXPECT_EQ(TextsIn(dc, FooterRect(1)), std::vector<std::string>{"合计"});
  EXPECT_EQ(TextsIn(dc, FooterRect(2)), std::vector<std::string>{"9"});
  const TRect r0 = FooterRect(0), r1 = FooterRect(1), r2 = FooterRect(2);
  EXPECT_EQ(GetPixel(dc, r0.Left + 1, r0.Bottom - 2), ColorToRGB(clAqua));
  EXPECT_EQ(GetPixel(dc, r1.Right - 3, r1.Bottom - 2), ColorToRGB(clYellow));
  // The sum stands against the right edge of its cell (a float field aligns right).
  for (const FANO_DRAW_RECORD& r : uitest::Records(dc)) {
    if (std::strcmp(r.call, "ExtTextOut") == 0 && std::string(r.text) == "9") {
      EXPECT_GT(r.args[0], (r2.Left + r2.Right) / 2);
    }
  }
  DeleteDC(dc);
}

TEST_F(FooterTest, SelectedFooterIsHighlightedOnlyWithFocus) {
  MakeBoundGrid();
  // No style is the default one; a screen of few colours without blending keeps plain colours.
  TDBGridGxStyle plain;
  grid->SetStyle(&plain);
  grid->SetStyle(nullptr);
  EXPECT_EQ(grid->Style(), GetDefaultGridStyle());
  plain.SetBlendHighlight(false);
  plain.SetScreenNumColors(16);
  grid->SetStyle(&plain);
  TCellTypeGx type = grid->GetCellType(grid->DataToRawColumn(0), grid->RowCount());
  ASSERT_EQ(type.Area, caFooter);
  TColor back = clWindow;
  TFont font;
  grid->SetFocus();
  gridtest::Pump();
  ASSERT_TRUE(grid->GridFocused());
  grid->FixedCellColors(1, type, &font, back, false);
  EXPECT_EQ(back, clHighlight);
  EXPECT_EQ(font.Color(), clHighlightText);
  ::SetFocus(nullptr);
  gridtest::Pump();
  back = clWindow;
  grid->FixedCellColors(1, type, &font, back, false);
  EXPECT_EQ(back, clBtnFace);
  TCellTypeGx title = grid->GetCellType(1, 0);
  grid->FixedCellColors(1, title, &font, back, false);
  EXPECT_EQ(back, static_cast<TColor>(0x404040));
  EXPECT_EQ(font.Color(), clWhite);
}

TEST_F(FooterTest, SumChangesRepaintTheFooterRow) {
  MakeBoundGrid();
  amount->Footer()->SetValueType(fvtSum);
  grid->SumList()->SetActive(true);
  gridtest::Pump();
  RECT upd{};
  EXPECT_FALSE(GetUpdateRect(grid->Handle(), &upd, FALSE));
  table->Edit();
  table->FieldByName("AMOUNT")->SetValue(100.0);
  table->Post();
  ASSERT_TRUE(GetUpdateRect(grid->Handle(), &upd, FALSE));
  EXPECT_LE(upd.top, FooterRect(2).Top);
  EXPECT_GE(upd.bottom, FooterRect(2).Bottom);
}

// A grid read from a resource with its sum list active starts summing once loaded.
namespace {
class TLoadingGrid : public TDBGridGx {
 public:
  using TDBGridGx::TDBGridGx;
  using TComponent::SetLoadingState;
};
}  // namespace

TEST_F(FooterTest, SumsStartWhenTheLoadedGridIsReady) {
  AddRows(3);
  form = new TForm(nullptr);
  auto* g = new TLoadingGrid(form);
  grid = g;
  g->SetLoadingState(true);
  g->SetParent(form);
  TColumnGx* a = AddColumn("AMOUNT");
  a->Footer()->SetValueType(fvtSum);
  Bind();
  g->SumList()->SetActive(true);
  EXPECT_FALSE(g->SumList()->EventsHooked());  // only stored while loading
  g->SetLoadingState(false);
  g->Loaded();
  EXPECT_TRUE(g->SumList()->Active());
  EXPECT_TRUE(g->SumList()->EventsHooked());
  EXPECT_EQ(g->GetFooterValue(-1, a), "9");
  AddRow(4, "four", 1);
  EXPECT_EQ(g->GetFooterValue(-1, a), "10");
}

// Sums of money: a currency field keeps its money format, a BCD field its four decimals.
TEST_F(FooterTest, SumsOfMoneyFields) {
  TMemTableGx money(nullptr);
  money.FieldDefs().Add("CUR", ftCurrency);
  money.FieldDefs().Add("BCD", ftBCD);
  money.CreateDataSet();
  for (double v : {1.25, 2.5, 0.0001}) {
    money.Append();
    money.FieldByName("CUR")->SetValue(v);
    money.FieldByName("BCD")->SetValue(v);
    money.Post();
  }
  TDataSource ds(nullptr);
  ds.SetDataSet(&money);
  MakeGrid();
  TColumnGx* cur = AddColumn("CUR");
  TColumnGx* bcd = AddColumn("BCD");
  cur->Footer()->SetValueType(fvtSum);
  bcd->Footer()->SetValueType(fvtSum);
  grid->SetDataSource(&ds);
  grid->SumList()->SetActive(true);
  EXPECT_EQ(grid->GetFooterValue(-1, bcd), CurrToStr(Currency::FromScaled(3'7501)));
  EXPECT_EQ(grid->GetFooterValue(-1, cur), FloatToStrF(3.7501, ffCurrency, 15, FormatSettings.CurrencyDecimals));
  grid->SetDataSource(nullptr);
}

// Two grids sum the same table: whichever goes first, the other keeps following, and the table's
// own handler is what stays once both are gone.
TEST_F(FooterTest, TwoGridsOnOneTableKeepTheirSumsWhicheverGoesFirst) {
  for (bool firstHookedGoesFirst : {true, false}) {
    SCOPED_TRACE(firstHookedGoesFirst);
    AddRows(3);
    int posts = 0;
    table->SetAfterPost([&](TDataSet*) { ++posts; });
    MakeGrid();
    TDBGridGx* grids[2] = {grid, new TDBGridGx(form)};
    grids[1]->SetParent(form);
    TColumnGx* sums[2];
    for (int i = 0; i < 2; ++i) {
      sums[i] = static_cast<TColumnGx*>(grids[i]->Columns()->Add());
      sums[i]->SetFieldName("AMOUNT");
      grids[i]->SetFooterRowCount(1);
      sums[i]->Footer()->SetValueType(fvtSum);
      grids[i]->SetDataSource(source);
      grids[i]->SumList()->SetActive(true);
    }
    const int gone = firstHookedGoesFirst ? 0 : 1, stays = 1 - gone;
    grids[gone]->Free();
    AddRow(4, "four", 1);
    EXPECT_EQ(grids[stays]->GetFooterValue(-1, sums[stays]), "10");
    grids[stays]->Free();
    grid = nullptr;
    AddRow(5, "five", 1);  // no handler of a grid left behind
    EXPECT_EQ(posts, 2);
    table->SetAfterPost(nullptr);
    form->Free();
    form = nullptr;
    table->EmptyTable();
  }
}

// Changes made while the table's controls are disabled arrive as one change of everything: the
// sums are computed again, and the current record stays where it is.
TEST_F(FooterTest, ChangesWithControlsDisabledKeepTheCurrentRecord) {
  AddRows(8);
  MakeGrid(400, 200);
  amount = AddColumn("AMOUNT");
  grid->SetFooterRowCount(1);
  Bind();
  amount->Footer()->SetValueType(fvtSum);
  grid->SumList()->SetActive(true);
  table->SetRecNo(7);
  table->DisableControls();
  for (double v : {20.0, 30.0}) {
    table->Edit();
    table->FieldByName("AMOUNT")->SetValue(v);
    table->Post();
  }
  table->EnableControls();
  gridtest::Pump();
  EXPECT_EQ(table->RecNo(), 7);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 7);
  EXPECT_EQ(grid->Row(), grid->GetTitleOffset() + 6);
  EXPECT_EQ(grid->GetFooterValue(-1, amount), "73.5");  // 1.5 * (1 + ... + 8) - 10.5 + 30
}
