// Columns: kinds, display text through key and pick lists, check-box states and stepping,
// width bounds and defaults, titles with sort markers and the title tree.
#include <gtest/gtest.h>

#include <memory>

#include "dbgrid_test_util.h"
#include "grid/dbgrid_dropdowns.h"
#include "grid/dbgrid_filterrow.h"
#include "grid/lookupgrid.h"
#include "platform/rtl/exceptions.h"

using namespace dbgridtest;

namespace {
void SetLines(TStrings* list, std::initializer_list<const char*> lines) {
  list->Clear();
  for (const char* l : lines) list->Add(l);
}
}  // namespace

TEST(DBGridColumnAlone, AColumnWithoutGridOrFieldHasPlainDefaults) {
  TDBGridColumnsGx cols(nullptr, TDBGridColumnGx::StaticClass());
  TColumnGx* c = cols.Add();
  EXPECT_EQ(c->Width(), 64);
  EXPECT_EQ(c->Color(), clWindow);
  EXPECT_EQ(c->Alignment(), taLeftJustify);
  EXPECT_EQ(c->GetDisplayText(), "");
  EXPECT_EQ(c->GetCheckboxState(), 0);
  EXPECT_EQ(c->GetColumnType(), ckText);
  EXPECT_EQ(c->Title()->Color(), clBtnFace);
  EXPECT_TRUE(c->Stored());
}

TEST_F(DBGridTest, ColumnKindsByListsImagesAndFields) {
  MakeGrid();
  TColumnGx* c = AddColumn("FLAG");
  Bind();
  EXPECT_EQ(c->GetColumnType(), ckText);
  SetLines(c->PickList(), {"是"});
  EXPECT_EQ(c->GetColumnType(), ckPickList);
  SetLines(c->KeyList(), {"Y"});
  EXPECT_EQ(c->GetColumnType(), ckKeyList);
  TImageList images(nullptr, 8, 8);
  c->SetImageList(&images);
  EXPECT_EQ(c->GetColumnType(), ckImageList);  // key list with images
  c->KeyList()->Clear();
  EXPECT_EQ(c->GetColumnType(), ckPickList);   // a pick list alone wins over images
  c->SetShowImageAndText(true);
  c->SetCheckboxes(true);
  EXPECT_EQ(c->GetColumnType(), ckCheckbox);
  c->SetImageList(nullptr);
  TColumnGx* amount = AddColumn("AMOUNT");
  EXPECT_EQ(amount->GetColumnType(), ckText);
  grid->SetDrawGraphicData(true);
  EXPECT_EQ(amount->GetColumnType(), ckText);  // not a graphic blob
}

TEST_F(DBGridTest, DisplayTextThroughKeyAndPickLists) {
  AddRow(1, "a", 0, "Y");
  MakeGrid();
  TColumnGx* c = AddColumn("FLAG");
  Bind();
  SetLines(c->KeyList(), {"Y", "N", "X"});
  SetLines(c->PickList(), {"是", "否"});
  EXPECT_EQ(c->GetDisplayText(), "是");
  table->Edit();
  table->FieldByName("FLAG")->SetAsString("X");  // a key beyond the pick list
  EXPECT_EQ(c->GetDisplayText(), "");
  c->SetNotInKeyListIndex(1);
  EXPECT_EQ(c->GetDisplayText(), "否");
  EXPECT_EQ(c->GetValueListIndex(), 2);
  table->FieldByName("FLAG")->SetAsString("Q");
  EXPECT_EQ(c->GetValueListIndex(), 1);  // not listed: NotInKeyListIndex
  table->Cancel();
  TColumnGx* amount = AddColumn("AMOUNT");
  amount->SetDisplayFormat("0.00");
  EXPECT_EQ(amount->GetDisplayText(), "0.00");
}

TEST_F(DBGridTest, CheckBoxStatesFromKeyEntries) {
  AddRow(1, "a", 0, "y");
  MakeGrid();
  TColumnGx* c = AddColumn("FLAG");
  Bind();
  c->SetCheckboxes(true);
  EXPECT_EQ(c->GetCheckboxState(), 2);  // an empty key list grays every value
  SetLines(c->KeyList(), {"Y;y", "N"});
  EXPECT_EQ(c->GetCheckboxState(), 1);
  table->Edit();
  table->FieldByName("FLAG")->SetAsString("N");
  EXPECT_EQ(c->GetCheckboxState(), 0);
  table->FieldByName("FLAG")->SetAsString("Z");
  EXPECT_EQ(c->GetCheckboxState(), 2);
  table->FieldByName("FLAG")->Clear();
  SetLines(c->KeyList(), {"1;", "0"});
  EXPECT_EQ(c->GetCheckboxState(), 1);  // an entry ending in ";" checks the empty value
  c->SetCheckboxState(0);
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "0");
  c->SetCheckboxState(1);
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "1");
  c->SetCheckboxState(2);
  EXPECT_TRUE(table->FieldByName("FLAG")->IsNull());
  table->Cancel();
  TColumnGx* amount = AddColumn("AMOUNT");
  amount->SetCheckboxes(true);
  EXPECT_EQ(amount->GetCheckboxState(), 0);
}

TEST_F(DBGridTest, SteppingWalksTheListsAndNumbers) {
  AddRow(1, "a", 0, "N");
  MakeGrid();
  TColumnGx* c = AddColumn("FLAG");
  TColumnGx* id = AddColumn("ID");
  Bind();
  SetLines(c->KeyList(), {"Y", "N"});
  SetLines(c->PickList(), {"是", "否"});
  c->StepValue(1.0);  // from the last entry back to the first
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "Y");
  c->StepValue(-1.0);  // from the first to the last
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "N");
  table->FieldByName("FLAG")->SetAsString("Q");
  c->StepValue(1.0);  // not listed: the first
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "Y");
  table->FieldByName("ID")->Clear();
  id->StepValue(1.0);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 0);  // a null number becomes 0
  id->StepValue(1.0);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 1);
  table->Post();
  // Without keys there is nothing to step through and nothing is written.
  c->KeyList()->Clear();
  c->PickList()->Clear();
  TImageList images(nullptr, 8, 8);
  c->SetImageList(&images);
  ASSERT_EQ(c->GetColumnType(), ckImageList);
  c->StepValue(1.0);
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "Y");
  c->SetImageList(nullptr);
  grid->SetReadOnly(true);
  id->StepValue(1.0);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 1);
}

TEST_F(DBGridTest, WidthBoundsAndTheDefaultWidth) {
  MakeGrid();
  TColumnGx* c = AddColumn("NAME");
  Bind();
  const int def = c->Width();
  EXPECT_GT(def, 0);
  c->SetWidth(def);
  EXPECT_FALSE(c->IsAssigned(cvWidth));  // the default is not stored
  c->SetMaxWidth(50);
  c->SetWidth(80);
  EXPECT_EQ(c->Width(), 50);
  c->SetWidth(-1);
  EXPECT_EQ(c->Width(), 50);
  c->SetMinWidth(60);
  EXPECT_EQ(c->Width(), 60);
  EXPECT_EQ(grid->GetColWidths(1), 60);
  c->SetVisible(false);
  EXPECT_EQ(grid->ColCount(), 2);  // the indicator and an empty column
  EXPECT_EQ(grid->Columns()->Count(), 1);
}

TEST_F(DBGridTest, ColumnUpdateWritesThroughTheUpdateHandler) {
  AddRow(1, "a");
  MakeGrid();
  TColumnGx* c = AddColumn("NAME");
  Bind();
  c->OnUpdateData = [](TObject*, std::string& text, Variant&, bool&, bool& handled) {
    text = "[" + text + "]";
    handled = false;
  };
  table->Edit();
  c->UpdateDataValues("中文", Null(), true);
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "[中文]");
  table->Cancel();
  EXPECT_TRUE(c->CanModify(false));
  // Typed and stored by the handler alone, the text joins the recent values all the same.
  c->MRUList()->SetActive(true);
  c->OnUpdateData = [](TObject*, std::string&, Variant&, bool&, bool& handled) { handled = true; };
  grid->SetFocus();
  Type("乙");
  Key(VK_RETURN);
  ASSERT_EQ(c->MRUList()->Items()->Count(), 1);
  EXPECT_EQ(c->MRUList()->Items()->Strings(0), "乙");
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "a");
  table->Cancel();
  c->SetReadOnly(true);
  EXPECT_FALSE(c->CanModify(false));
}

TEST_F(DBGridTest, TitleTreeFromSeparatedCaptions) {
  MakeGrid(600);
  grid->SetUseMultiTitle(true);
  AddColumn("ID", "A|B");
  AddColumn("NAME", "A|C");
  AddColumn("AMOUNT", "D");
  Bind();
  THeadTreeNode* root = grid->HeadTree();
  THeadTreeNode* a = root->Child;
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Text, "A");
  // A band of one line: the title font's line and the vertical margin.
  TMeasureCanvas m;
  m.Canvas()->Font()->Assign(grid->TitleFont());
  const int band = m.Canvas()->TextHeight("Wg") + grid->VTitleMargin();
  EXPECT_EQ(a->Height, band);
  EXPECT_EQ(a->Child->Text, "B");
  EXPECT_EQ(a->Child->Next->Text, "C");
  EXPECT_EQ(a->Child->Next->Next, a->Child);
  const int h = 2 * band;  // the tree's height; the title row keeps its last line for the grid's own
  EXPECT_EQ(grid->GetRowHeights(0), h - 1);
  EXPECT_EQ(a->Child->Height, h - band);
  EXPECT_EQ(a->Next->Text, "D");
  EXPECT_EQ(a->Next->Height, h);
  EXPECT_EQ(a->Width, grid->Columns()->Items(0)->Width() + grid->Columns()->Items(1)->Width() + 1);
  EXPECT_EQ(grid->LeafFor(1)->GetLevel(), 2);
}

TEST_F(DBGridTest, TitleTreeNestsAndOnlyJoinsNeighbours) {
  MakeGrid(600);
  grid->SetUseMultiTitle(true);
  AddColumn("ID", "A|B|X");
  AddColumn("NAME", "A|B|Y");
  AddColumn("AMOUNT", "A|C");
  Bind();
  TMeasureCanvas m;
  m.Canvas()->Font()->Assign(grid->TitleFont());
  const int band = m.Canvas()->TextHeight("Wg") + grid->VTitleMargin();
  const int h = 3 * band;
  EXPECT_EQ(grid->GetRowHeights(0), h - 1);
  EXPECT_EQ(grid->LeafFor(0)->Height, h - 2 * band);
  EXPECT_EQ(grid->LeafFor(2)->Height, h - band);
  EXPECT_EQ(grid->LeafFor(0)->Host->Text, "B");
  EXPECT_EQ(grid->LeafFor(0)->Host->Host->Text, "A");
  grid->Columns()->Clear();
  AddColumn("ID", "A|B");
  AddColumn("NAME", "D");
  AddColumn("AMOUNT", "A|C");
  grid->LayoutChanged();
  EXPECT_NE(grid->LeafFor(0)->Host, grid->LeafFor(2)->Host);  // two separate groups A
  EXPECT_EQ(grid->LeafFor(0)->Host->Text, "A");
  EXPECT_EQ(grid->LeafFor(1)->Host, grid->HeadTree());
  grid->Columns()->Items(1)->SetVisible(false);
  grid->LayoutChanged();
  EXPECT_EQ(grid->LeafFor(1)->Width, -1);  // hidden with column lines
}

TEST(DBGridHeadTree, ErrorsForNodesOutsideTheTree) {
  THeadTreeNode root("Root", 10, 0);
  THeadTreeNode* a = root.AddChild(&root, "a", 10, 5);
  THeadTreeNode* b = root.AddChild(&root, "b", 10, 5);
  THeadTreeNode stranger("x", 1, 1);
  EXPECT_THROW(root.AddChild(&stranger, "c", 1, 1), Exception);
  EXPECT_THROW(root.Union(b, a, "u", 2), Exception);  // a does not follow b
  THeadTreeNode* u = root.Union(a, b, "u", 2);
  EXPECT_EQ(u->Width, 10);
  EXPECT_EQ(a->Height, 8);
  EXPECT_TRUE(root.FindNode(b));
  EXPECT_EQ(DBGridWordPosition(2, "||甲|乙"), 7);  // byte positions: 甲 takes three
  EXPECT_EQ(DBGridExtractWord(2, "甲|乙"), "乙");
  EXPECT_EQ(DBGridWordPosition(3, "a|b"), 0);
}

TEST_F(DBGridTest, SortMarkersSingleAndMulti) {
  MakeGrid();
  TColumnGx* c1 = AddColumn("ID");
  TColumnGx* c2 = AddColumn("NAME");
  TColumnGx* c3 = AddColumn("AMOUNT");
  c1->Title()->SetSortMarker(smDownGx);
  c2->Title()->SetSortMarker(smUpGx);
  EXPECT_EQ(c1->Title()->SortMarker(), smNoneGx);
  EXPECT_EQ(c2->Title()->SortIndex(), 1);
  EXPECT_EQ(grid->SortMarkedColumns().size(), 1u);
  c2->Title()->SetSortMarker(smNoneGx);
  grid->SetOptionsGx(grid->OptionsGx() + dghMultiSortMarking);
  c1->Title()->SetSortMarker(smDownGx);
  c2->Title()->SetSortMarker(smDownGx);
  c3->Title()->SetSortMarker(smUpGx);
  EXPECT_EQ(c3->Title()->SortIndex(), 3);
  c1->Title()->SetSortMarker(smNoneGx);
  EXPECT_EQ(c2->Title()->SortIndex(), 1);
  EXPECT_EQ(c3->Title()->SortIndex(), 2);
  c2->Title()->SetSortIndex(7);  // nobody holds 7
  EXPECT_EQ(c2->Title()->SortIndex(), 1);
  c2->Title()->SetSortIndex(2);  // exchanged with column 3
  EXPECT_EQ(c3->Title()->SortIndex(), 1);
  EXPECT_EQ(grid->SortMarkedColumns().front(), c3);
  c3->Title()->SetSortMarker(smUpGx);
  c3->Title()->SetNextSortMarkerValue(false);
  EXPECT_EQ(c3->Title()->SortMarker(), smDownGx);
  c3->Title()->SetSortMarker(smUpGx);
  c3->Title()->SetNextSortMarkerValue(true);
  EXPECT_EQ(c3->Title()->SortMarker(), smNoneGx);
  EXPECT_EQ(c1->Title()->SortMarkerWidth(), 0);
  // A column that goes gives up its sort place: the places after it move up.
  c1->Title()->SetSortMarker(smDownGx);
  c2->Title()->SetSortMarker(smDownGx);
  c3->Title()->SetSortMarker(smUpGx);
  delete c1;
  EXPECT_EQ(c2->Title()->SortIndex(), 1);
  EXPECT_EQ(c3->Title()->SortIndex(), 2);
  EXPECT_EQ(grid->SortMarkedColumns(), (std::vector<TColumnGx*>{c2, c3}));
}

TEST_F(DBGridTest, TitleDefaultsComeFromTheGrid) {
  MakeGrid();
  TColumnGx* c = AddColumn("NAME");
  EXPECT_EQ(c->Title()->Alignment(), taLeftJustify);
  grid->SetUseMultiTitle(true);
  EXPECT_EQ(c->Title()->Alignment(), taCenter);
  grid->ColumnDefValues()->Title()->SetColor(clYellow);
  EXPECT_EQ(c->Title()->Color(), clYellow);
  c->Title()->SetAlignment(taRightJustify);
  EXPECT_EQ(c->Title()->Alignment(), taRightJustify);
  EXPECT_TRUE(c->IsAssigned(cvTitleAlignment));
  grid->ColumnDefValues()->SetAlwaysShowEditButton(true);
  EXPECT_TRUE(c->AlwaysShowEditButton());
  c->RestoreDefaults();
  EXPECT_FALSE(c->IsAssigned(cvTitleAlignment));
}

TEST_F(DBGridTest, HiddenColumnsKeepTheirPlaceWithoutRoom) {
  AddRows(2);
  MakeGrid(600);
  TColumnGx* id = AddColumn("ID");
  TColumnGx* name = AddColumn("NAME");
  TColumnGx* amount = AddColumn("AMOUNT");
  Bind();
  grid->SetCol(2);
  name->SetVisible(false);
  EXPECT_EQ(grid->ColCount(), 4);
  EXPECT_EQ(grid->GetColWidths(2) + grid->GridLineWidth(), 0);  // no room, no line
  EXPECT_FALSE(grid->GetTabStops(2));
  EXPECT_NE(grid->Col(), 2);  // the current column left the hidden one
  EXPECT_EQ(grid->ColumnAt(1), name);
  EXPECT_EQ(grid->VisibleColumns().size(), 2u);
  // Tab steps over the hidden column.
  grid->SetCol(1);
  grid->TabStep(true);
  EXPECT_EQ(grid->Col(), 3);
  name->SetVisible(true);
  EXPECT_EQ(grid->GetColWidths(2), name->Width());
  // Moving a grid column moves the column in the collection.
  int from = -1, to = -1;
  grid->OnColumnMoved = [&](TObject*, int f, int t) {
    from = f;
    to = t;
  };
  grid->MoveColumn(3, 1);
  EXPECT_EQ(amount->Index(), 0);
  EXPECT_EQ(id->Index(), 1);
  EXPECT_EQ(from, 2);
  EXPECT_EQ(to, 0);
}

TEST_F(DBGridTest, DefaultColumnsOutliveChangesOfTheFieldList) {
  AddRows(2);
  MakeGrid(600);
  Bind();
  gridtest::Pump();
  ASSERT_EQ(grid->Columns()->Count(), 4);
  TColumnGx* name = grid->Columns()->Items(1);
  ASSERT_EQ(name->FieldName(), "NAME");
  name->SetWidth(150);
  name->SetTag(77);
  // Another field hidden, then shown again: the column is the same one, as it was set.
  table->FieldByName("ID")->SetVisible(false);
  gridtest::Pump();
  ASSERT_EQ(grid->Columns()->Count(), 3);
  EXPECT_EQ(grid->Columns()->Items(0), name);
  table->FieldByName("ID")->SetVisible(true);
  gridtest::Pump();
  ASSERT_EQ(grid->Columns()->Count(), 4);
  EXPECT_EQ(grid->Columns()->Items(0)->FieldName(), "ID");
  EXPECT_EQ(grid->Columns()->Items(1), name);
  // Putting the column back in its place leaves the data set's fields in their order.
  EXPECT_EQ(table->Fields().Fields(0)->FieldName(), "ID");
  EXPECT_EQ(name->Width(), 150);
  EXPECT_EQ(name->Tag(), 77);
  EXPECT_EQ(grid->GetColWidths(grid->DataToRawColumn(1)), 150);
  // A closed data set leaves one empty column; none without a data set.
  table->Close();
  gridtest::Pump();
  ASSERT_EQ(grid->Columns()->Count(), 1);
  TColumnGx* empty = grid->Columns()->Items(0);
  EXPECT_EQ(empty->Field(), nullptr);
  EXPECT_EQ(grid->ColCount(), grid->IndicatorOffset() + 1);
  grid->LayoutChanged();
  EXPECT_EQ(grid->Columns()->Items(0), empty);  // the same one, not made anew by each layout
  table->Open();
  gridtest::Pump();
  EXPECT_EQ(grid->Columns()->Count(), 4);
  // Given another field by code, a default column takes that field's looks, not the old ones.
  TColumnGx* amount = grid->Columns()->Items(2);
  amount->SetColor(clRed);
  amount->Title()->SetCaption("金额");
  amount->SetFieldName("flag");
  EXPECT_EQ(amount->FieldName(), "FLAG");
  EXPECT_FALSE(amount->IsAssigned(cvColor));
  EXPECT_EQ(amount->Title()->Caption(), "FLAG");
  grid->SetDataSource(nullptr);
  gridtest::Pump();
  EXPECT_EQ(grid->Columns()->Count(), 0);
}

// Columns set up by hand find their fields again by name in a data set linked in place of the
// first; the first one's fields are not read after it is gone.
TEST_F(DBGridTest, ColumnsSetUpByHandFollowANewDataSet) {
  AddRow(1, "甲");
  MakeGrid();
  TColumnGx* name = AddColumn("NAME");
  Bind();
  gridtest::Pump();
  auto other = std::make_unique<TMemTableGx>(nullptr);
  other->FieldDefs().Add("NAME", ftString, 20);
  other->CreateDataSet();
  other->Append();
  other->FieldByName("NAME")->SetAsString("乙");
  other->Post();
  TDataSource otherSource(nullptr);
  otherSource.SetDataSet(other.get());
  grid->SetDataSource(&otherSource);
  gridtest::Pump();
  ASSERT_NE(name->Field(), nullptr);
  EXPECT_EQ(name->Field()->DataSet(), other.get());
  EXPECT_EQ(grid->GetEditText(grid->DataToRawColumn(0), grid->GetTitleOffset()), "乙");
  // Back to the first table, then the second one freed: nothing of it is read again.
  grid->SetDataSource(source);
  gridtest::Pump();
  otherSource.SetDataSet(nullptr);
  other.reset();
  EXPECT_EQ(name->Field(), table->FieldByName("NAME"));
  grid->Invalidate();
  gridtest::Pump();
  EXPECT_EQ(grid->GetEditText(grid->DataToRawColumn(0), grid->GetTitleOffset()), "甲");
}

TEST_F(DBGridTest, AssignCopiesTheLooksOfTheSourceWhetherSetOrNot) {
  MakeGrid();
  TColumnGx* src = AddColumn("NAME");
  TColumnGx* dst = AddColumn("ID");
  grid->ColumnDefValues()->SetEndEllipsis(true);
  grid->ColumnDefValues()->SetToolTips(true);
  TDataSource list(nullptr);
  dst->DropDownBox()->SetListSource(&list);
  dst->STFilter()->SetKeyField("ID");
  dst->Assign(src);
  // The source never set its drop-down box and filter cell: the copy has their defaults.
  EXPECT_EQ(dst->DropDownBox()->ListSource(), nullptr);
  EXPECT_EQ(dst->STFilter()->KeyField(), "");
  for (TColumnAssignedGx v : {cvEndEllipsis, cvAutoDropDown, cvAlwaysShowEditButton, cvToolTips, cvDblClickNextVal,
                              cvDropDownSizing, cvDropDownShowTitles, cvLayout})
    EXPECT_TRUE(dst->IsAssigned(v)) << static_cast<int>(v);
  EXPECT_TRUE(dst->EndEllipsis());
  EXPECT_TRUE(dst->ToolTips());
  // Copied, they no longer follow the defaults; the source still does.
  grid->ColumnDefValues()->SetEndEllipsis(false);
  EXPECT_TRUE(dst->EndEllipsis());
  EXPECT_FALSE(src->EndEllipsis());
  // The word wrap goes along even where the copy's own default differs: a bound string column
  // wraps by default, a column of a grid without data does not.
  Bind();
  ASSERT_TRUE(src->WordWrap());
  ASSERT_FALSE(src->IsAssigned(cvWordWrap));
  auto* other = new TDBGridGx(form);
  TColumnGx* copy = other->Columns()->Add();
  copy->Assign(src);
  EXPECT_TRUE(copy->WordWrap());
}

// A cell whose text needs less than a plain row asks for the text's height only; the grid takes
// the larger of the two.
TEST_F(DBGridTest, RowHeightForTextIsTheTextsOwn) {
  AddRow(1, "甲");
  MakeGrid();
  TColumnGx* name = AddColumn("NAME");
  grid->SetOptionsGx(grid->OptionsGx() + dghAutoFitRowHeight);
  Bind();
  gridtest::Pump();
  EXPECT_GT(name->GetRowHeightForText(), 0);
  EXPECT_LT(name->GetRowHeightForText(), grid->DataRowHeight());
  EXPECT_EQ(grid->GetRowHeights(grid->GetTitleOffset()), grid->DataRowHeight());
}

TEST_F(DBGridTest, LookupColumnsShowTheSpecialRowAndStepThroughTheList) {
  LookupTables tables;
  TMemTableGx& main = tables.main;
  TDataSource& src = tables.source;
  MakeGrid();
  TColumnGx* c = AddColumn("KNAME");
  grid->SetDataSource(&src);
  EXPECT_EQ(c->GetColumnType(), ckLookup);
  EXPECT_EQ(c->GetDisplayText(), "丙");
  c->StepValue(1.0);  // past the end: the first
  EXPECT_EQ(main.FieldByName("KID")->AsInteger(), 1);
  c->StepValue(1.0);
  EXPECT_EQ(main.FieldByName("KID")->AsInteger(), 2);
  EXPECT_EQ(c->GetDisplayText(), "乙");
  main.Post();
  c->DropDownSpecRow()->SetCellsText("(无)");
  c->DropDownSpecRow()->SetValue(Variant(2));
  c->DropDownSpecRow()->SetVisible(true);
  EXPECT_EQ(c->GetDisplayText(), "(无)");
  // The drop-down list shows the display fields set at once, before it is first opened;
  c->SetLookupDisplayFields("ID;NAME");
  EXPECT_EQ(c->GetDropDownDataGrid()->ListField(), "ID;NAME");
  c->DropDownSpecRow()->SetCellsText("(空)");  // so does the special row
  EXPECT_EQ(c->GetDropDownDataGrid()->SpecRow()->CellsText(), "(空)");
  grid->SetDataSource(nullptr);
}
