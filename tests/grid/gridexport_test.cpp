// Export formats byte by byte, the clipboard commands and their clean-up after errors.
#include "grid/gridexport.h"
#include "grid/gridimport.h"

#include <cstring>

#include "dbgrid_test_util.h"
#include "platform/forms/clipbrd.h"
#include "platform/forms/dialogs.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

namespace dbgridtest {
namespace {

class GridExportTest : public DBGridTest {
 protected:
  // Two records of (ID, NAME) under captions "No" and "Name".
  void MakeSmallTable() {
    AddRow(1, "a\tb");
    AddRow(2, "say \"hi\"");
    table->First();
    MakeGrid();
    AddColumn("ID", "No");
    AddColumn("NAME", "Name");
    Bind();
  }
  template <class T>
  std::string Export(bool whole = true) {
    TMemoryStream stream;
    ExportGridToStream<T>(grid, &stream, whole);
    return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
  }
  static std::string Wide(std::string_view ascii) {
    std::string s;
    for (char c : ascii) {
      s += c;
      s += '\0';
    }
    return s;
  }
  static std::string ClipboardBytes(UINT format) {
    TClipboard* cb = Clipboard();
    cb->Open();
    HANDLE h = cb->GetAsHandle(format);
    std::string s;
    if (h) {
      const char* p = static_cast<const char*>(GlobalLock(h));
      s.assign(p, GlobalSize(h));
      GlobalUnlock(h);
    }
    cb->Close();
    return s;
  }
};

TEST_F(GridExportTest, TextFormatsWriteValuesRawAndRowsWithCrLf) {
  MakeSmallTable();
  EXPECT_EQ(Export<TDBGridGxExportAsText>(), "No\tName\r\n1\ta\tb\r\n2\tsay \"hi\"");
  EXPECT_EQ(Export<TDBGridGxExportAsUnicodeText>(), Wide("No\tName\r\n1\ta\tb\r\n2\tsay \"hi\""));
  EXPECT_EQ(Export<TDBGridGxExportAsCSV>(), "\"No\";\"Name\"\r\n\"1\";\"a\tb\"\r\n\"2\";\"say \"\"hi\"\"\"");
  // Without titles the first record opens the text.
  grid->SetDBOptions(grid->DBOptions() - dgTitles);
  EXPECT_EQ(Export<TDBGridGxExportAsText>(), "1\ta\tb\r\n2\tsay \"hi\"");
}

TEST_F(GridExportTest, FootersCountNullsAndSumSkipsThem) {
  AddRow(1, "x", 1.5);
  AddRow(2, "", 0, Null());
  table->Append();
  table->FieldByName("ID")->SetValue(3);
  table->Post();  // NAME and AMOUNT null
  table->First();
  MakeGrid();
  AddColumn("ID", "No");
  TColumnGx* amount = AddColumn("AMOUNT", "Amount");
  grid->SetFooterRowCount(2);
  Bind();
  amount->Footers()->Add();
  amount->Footers()->Add();
  amount->GetFooter(0)->SetValueType(fvtSum);
  amount->GetFooter(1)->SetValueType(fvtCount);
  grid->Columns()->Items(0)->Footers()->Add();
  grid->Columns()->Items(0)->Footers()->Add();
  grid->Columns()->Items(0)->GetFooter(0)->SetValueType(fvtSum);
  grid->Columns()->Items(0)->GetFooter(1)->SetValueType(fvtStaticText);
  grid->Columns()->Items(0)->GetFooter(1)->SetValue("Total");
  EXPECT_EQ(Export<TDBGridGxExportAsText>(), "No\tAmount\r\n1\t1.5\r\n2\t0\r\n3\t\r\n6\t1.5\r\nTotal\t3");
}

TEST_F(GridExportTest, RtfHeaderRowsAndEscapedText) {
  AddRow(1, "a{b}\\c");
  table->First();
  MakeGrid();
  TColumnGx* id = AddColumn("ID", "No");
  TColumnGx* name = AddColumn("NAME", "Name");
  Bind();
  id->SetWidth(64);
  name->SetWidth(64);
  grid->SetDBOptions(grid->DBOptions() - dgTitles);
  const std::string rtf = Export<TDBGridGxExportAsRTF>();
  const std::string font = grid->Columns()->Items(0)->Font()->Name();
  const std::string fs = std::to_string(grid->Columns()->Items(0)->Font()->Size() * 2);
  const COLORREF face = ColorToRGB(clBtnFace);
  const COLORREF win = ColorToRGB(clWindow);
  const COLORREF text = ColorToRGB(clWindowText);
  auto rgb = [](COLORREF c) {
    return "\\red" + std::to_string(GetRValue(c)) + "\\green" + std::to_string(GetGValue(c)) + "\\blue" +
           std::to_string(GetBValue(c)) + ";";
  };
  // Colours beyond the three fixed ones follow in order of first use: the cell background, then
  // the font colour.
  std::string colors = rgb(0) + rgb(0xFFFFFF) + rgb(face);
  auto indexOf = [&](COLORREF c) {
    const COLORREF fixed[3] = {0, 0xFFFFFF, face};
    for (int i = 0; i < 3; ++i)
      if (fixed[i] == c) return i;
    return -1;
  };
  int winIndex = indexOf(win);
  int next = 3;
  if (winIndex < 0) colors += rgb(win), winIndex = next++;
  int textIndex = indexOf(text);
  if (textIndex < 0) textIndex = text == win ? winIndex : (colors += rgb(text), next++);
  std::string cellx;
  for (int right : {960, 1920})
    cellx += "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrb\\brdrs\\brdrcf0\r\n"
             "\\clbrdrr\\brdrs\\brdrcf0\r\n\\clshdng10000\\clcfpat" +
             std::to_string(winIndex) + "\\cellx" + std::to_string(right) + "\r\n";
  const std::string fontPart = "\\fs" + fs + "\\f0\\cf" + std::to_string(textIndex) + "\\cb" + std::to_string(winIndex) + " ";
  const std::string expected = "{\\rtf0\\ansi\r\n{\\colortbl" + colors + "}\r\n{\\fonttbl\\f0\\fnil " + font +
                               ";}\r\n\\trowd\\trgaph40\r\n" + cellx + "{\\trrh0\r\n\\pard\\intbl{\\qr\\sb24\\sa24" +
                               fontPart + "1\\cell}\r\n\\pard\\intbl{\\ql\\sb24\\sa24" + fontPart +
                               "a\\{b\\}\\\\c\\cell}\r\n\\pard\\intbl\\row}\r\n}";
  EXPECT_EQ(rtf, expected);
}

// Two-level titles: a group over the first two columns, a third column without a group whose
// leaf fills both levels. Blocks are written once, at their top-left cell, without inner borders.
TEST_F(GridExportTest, RtfTwoLevelTitleRowsMergeBlocks) {
  MakeGrid();
  TColumnGx* id = AddColumn("ID", "单据|No");
  TColumnGx* name = AddColumn("NAME", "单据|Name");
  TColumnGx* amount = AddColumn("AMOUNT", "Amount");
  Bind();
  for (TColumnGx* c : {id, name, amount}) c->SetWidth(64);
  grid->TitleFont()->SetColor(clBlack);
  grid->SetFixedColorProp(clBtnFace);
  grid->SetUseMultiTitle(true);
  id->Title()->Font()->SetColor(clRed);
  name->Title()->SetColor(clYellow);
  ASSERT_NE(grid->LeafFor(0), nullptr);
  ASSERT_EQ(ColorToRGB(clBtnFace), ColorToRGB(id->Title()->Color()));
  const std::string rtf = Export<TDBGridGxExportAsRTF>();

  const COLORREF face = ColorToRGB(clBtnFace);
  auto rgb = [](COLORREF c) {
    return "\\red" + std::to_string(GetRValue(c)) + "\\green" + std::to_string(GetGValue(c)) + "\\blue" +
           std::to_string(GetBValue(c)) + ";";
  };
  // black 0, white 1, face 2, then the yellow title background and the red title font.
  const std::string colors = rgb(0) + rgb(0xFFFFFF) + rgb(face) + "\\red255\\green255\\blue0;\\red255\\green0\\blue0;";
  const std::string fs = "\\fs" + std::to_string(grid->TitleFont()->Size() * 2);
  auto border = [](const char* side) { return std::string("\\clbrdr") + side + "\\brdrs\\brdrcf0\r\n"; };
  auto cellx = [](int color, int right) {
    return "\\clshdng10000\\clcfpat" + std::to_string(color) + "\\cellx" + std::to_string(right) + "\r\n";
  };
  auto text = [&](int cf, int cb, const std::string& t) {
    return "\\pard\\intbl{\\qc\\sb55\\sa55" + fs + "\\f0\\cf" + std::to_string(cf) + "\\cb" + std::to_string(cb) +
           " " + t + "\\cell}\r\n";
  };
  auto empty = [&](int cf, int cb) {
    return "\\pard\\intbl{\\qc" + fs + "\\f0\\cf" + std::to_string(cf) + "\\cb" + std::to_string(cb) + " \\cell}\r\n";
  };
  const std::string upper = "\\trowd\\trgaph40\r\n" + border("l") + border("t") + border("b") + cellx(2, 960) +
                            border("t") + border("b") + border("r") + cellx(2, 1920) + border("l") + border("t") +
                            border("r") + cellx(2, 2880) + "{\\trrh0\r\n" + text(0, 2, "\\u21333?\\u25454?") +
                            empty(0, 2) + text(0, 2, "Amount") + "\\pard\\intbl\\row}\r\n";
  const std::string all = border("l") + border("t") + border("b") + border("r");
  const std::string leaves = "\\trowd\\trgaph40\r\n" + all + cellx(2, 960) + all + cellx(3, 1920) + border("l") +
                             border("b") + border("r") + cellx(2, 2880) + "{\\trrh0\r\n" + text(4, 2, "No") +
                             text(0, 3, "Name") + empty(0, 2) + "\\pard\\intbl\\row}\r\n";
  const std::string expected = "{\\rtf0\\ansi\r\n{\\colortbl" + colors + "}\r\n{\\fonttbl\\f0\\fnil " +
                               grid->TitleFont()->Name() + ";}\r\n" + upper + leaves + "}";
  EXPECT_EQ(rtf, expected);

  // The spacing is |trunc(margin / 2 in twips - 20)|.
  grid->SetVTitleMargin(1);
  EXPECT_NE(Export<TDBGridGxExportAsRTF>().find("{\\qc\\sb12\\sa12" + fs), std::string::npos);
  grid->SetVTitleMargin(5);
  EXPECT_NE(Export<TDBGridGxExportAsRTF>().find("{\\qc\\sb17\\sa17" + fs), std::string::npos);
  // Without multi-level titles the single title row keeps the captions whole.
  grid->SetUseMultiTitle(false);
  EXPECT_NE(Export<TDBGridGxExportAsRTF>().find(" \\u21333?\\u25454?|No\\cell}"), std::string::npos);
}

TEST_F(GridExportTest, GridBifLayout) {
  MakeSmallTable();
  TColumnGx* amount = AddColumn("AMOUNT", "Amount");
  amount->SetVisible(true);
  table->Edit();
  table->FieldByName("AMOUNT")->SetValue(2.5);
  table->Post();
  const std::string bif = Export<TDBGridGxExportAsGRIDBIF>();
  std::string expected("GRIDBIF\x01\x03\0\0\0\x01\0\x01\0\x01\0", 18);
  auto i32 = [](int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  auto f64 = [](double v) { return std::string(reinterpret_cast<const char*>(&v), 8); };
  expected += "\x03" + i32(1) + "\x05" + i32(3) + "a\tb" + "\x04" + f64(2.5);
  expected += "\x03" + i32(2) + "\x05" + i32(8) + "say \"hi\"" + "\x04" + f64(0);
  expected += std::string(1, '\0');
  EXPECT_EQ(bif, expected);
}

TEST_F(GridExportTest, NoSelectionWritesNothingAndClipboardHoldsTerminatorsOnly) {
  MakeSmallTable();
  ASSERT_EQ(grid->Selection()->SelectionType(), gstNon);
  EXPECT_EQ(Export<TDBGridGxExportAsText>(false), "");
  CopyToClipboard(grid, false);
  EXPECT_EQ(ClipboardBytes(CF_TEXT).substr(0, 1), std::string(1, '\0'));
  EXPECT_EQ(ClipboardBytes(ClipboardFormatCSV()), std::string(1, '\0'));
  EXPECT_EQ(ClipboardBytes(ClipboardFormatGRIDBIF()), "");
  const std::string rtf = ClipboardBytes(ClipboardFormatRTF());
  EXPECT_EQ(rtf.substr(0, 22), "{\\rtf0\\ansi\r\n{\\colortb");
  EXPECT_NE(rtf.find("{\\fonttbl}\r\n"), std::string::npos);
  EXPECT_EQ(rtf.back(), '\0');
  EXPECT_EQ(rtf.find("\\trowd"), std::string::npos);
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
}

TEST_F(GridExportTest, CopyPutsEveryFormatAndSelectionLimitsRecords) {
  MakeSmallTable();
  AddRow(3, "c");
  table->First();
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  table->Next();
  grid->SelectedRows()->SetCurrentRowSelected(true);
  table->Next();
  grid->SelectedRows()->SetCurrentRowSelected(true);
  table->First();
  CopyToClipboard(grid, false);
  EXPECT_EQ(ClipboardBytes(CF_TEXT), std::string("No\tName\r\n2\tsay \"hi\"\r\n3\tc\0", 25));
  EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), Wide("No\tName\r\n2\tsay \"hi\"\r\n3\tc") + std::string(2, '\0'));
  EXPECT_EQ(ClipboardBytes(ClipboardFormatGRIDBIF()).substr(0, 8), std::string("GRIDBIF\x01", 8));
  // The grid stays where it was.
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 1);
  EXPECT_FALSE(table->ControlsDisabled());
}

TEST_F(GridExportTest, RectangleAndColumnSelectionsLimitRowsAndColumns) {
  MakeSmallTable();
  AddRow(3, "c");
  AddColumn("AMOUNT", "Amount");
  table->First();
  table->Next();
  const std::string second = table->Bookmark();
  table->Next();
  TDBGridGxSelection* sel = grid->Selection();
  // Grid columns: the indicator is column 0.
  sel->Rect()->Select(2, second, false);
  sel->Rect()->Select(3, table->Bookmark(), true);
  ASSERT_EQ(sel->SelectionType(), gstRectangle);
  EXPECT_EQ(Export<TDBGridGxExportAsText>(false), "Name\tAmount\r\nsay \"hi\"\t0\r\nc\t0");
  sel->Clear();
  sel->Columns()->Select(grid->Columns()->Items(2), false);
  sel->Columns()->Select(grid->Columns()->Items(0), true);
  ASSERT_EQ(sel->SelectionType(), gstColumns);
  EXPECT_EQ(Export<TDBGridGxExportAsText>(false), "No\tAmount\r\n1\t0\r\n2\t0\r\n3\t0");
  // Clearing the column cells empties them in every record.
  ClearSelection(grid, false);
  table->First();
  EXPECT_TRUE(table->FieldByName("ID")->IsNull());
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "a\tb");
}

TEST_F(GridExportTest, AFailingExportGivesControlsPositionAndClipboardBack) {
  MakeSmallTable();
  table->Next();
  grid->OnGetCellParams = [](TObject*, TColumnGx* column, TFont*, TColor&, TGridDrawState) {
    if (column->FieldName() == "NAME") throw Exception("boom");
  };
  EXPECT_THROW(CopyToClipboard(grid, true), Exception);
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
  // The clipboard opens again afterwards.
  grid->OnGetCellParams = nullptr;
  CopyToClipboard(grid, true);
  EXPECT_EQ(ClipboardBytes(CF_TEXT).substr(0, 7), "No\tName");
}

TEST_F(GridExportTest, ClearAsksByKindAndCancelKeepsEverything) {
  MakeSmallTable();
  TScriptedDialogService dialogs(true);
  grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
  grid->SelectedRows()->SetCurrentRowSelected(true);
  dialogs.Answer(mrCancel);
  ClearSelection(grid, false);
  ASSERT_EQ(dialogs.Requests().size(), 1u);
  EXPECT_EQ(dialogs.Requests()[0].Text, "Delete record?");
  EXPECT_EQ(table->RecordCount(), 2);
  dialogs.Answer(mrOk);
  ClearSelection(grid, false);
  EXPECT_EQ(table->RecordCount(), 1);
  EXPECT_FALSE(table->ControlsDisabled());
  // The whole grid goes without a question.
  ClearSelection(grid, true);
  EXPECT_EQ(table->RecordCount(), 0);
  EXPECT_EQ(dialogs.Requests().size(), 2u);
}

// A rectangle chosen with the keys names grid columns: past the indicator, hidden columns among
// them; copy, clear and paste act on the columns it shows.
TEST_F(GridExportTest, KeyRectangleActsOnTheColumnsItShows) {
  for (bool hideId : {false, true}) {
    SCOPED_TRACE(hideId ? "ID hidden" : "all shown");
    TearDown();
    SetUp();
    for (int i = 1; i <= 3; ++i) AddRow(i, "n" + std::to_string(i), i, "f" + std::to_string(i));
    table->First();
    MakeGrid();
    AddColumn("ID", "No")->SetVisible(!hideId);
    AddColumn("NAME", "Name");
    AddColumn("AMOUNT", "Amount");
    AddColumn("FLAG", "Flag");
    Bind();
    ASSERT_TRUE(grid->DBOptions().Contains(dgIndicator));
    grid->SetEditActions(TDBGridGxEditActions{geaCopyGx, geaCutGx, geaPasteGx});
    grid->SetDBOptions(grid->DBOptions() + dgMultiSelect - dgConfirmDelete);
    grid->SetFocus();
    gridtest::Pump();
    grid->SetSelectedField(table->FieldByName("NAME"));
    Key(VK_RIGHT, true);
    Key(VK_DOWN, true);
    ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
    EXPECT_EQ(Export<TDBGridGxExportAsText>(false), "Name\tAmount\r\nn1\t1\r\nn2\t2");
    Key('C', false, true);
    EXPECT_EQ(ClipboardBytes(CF_TEXT), std::string("Name\tAmount\r\nn1\t1\r\nn2\t2") + std::string(1, '\0'));
    EXPECT_EQ(ClipboardBytes(ClipboardFormatCSV()).substr(0, 15), "\"Name\";\"Amount\"");
    ClearSelection(grid, false);
    table->First();
    std::string rows;
    while (!table->Eof()) {
      for (const char* f : {"ID", "NAME", "AMOUNT", "FLAG"}) rows += table->FieldByName(f)->AsString() + " ";
      rows += "\n";
      table->Next();
    }
    EXPECT_EQ(rows, "1   f1 \n2   f2 \n3 n3 3 f3 \n");
    // A paste into the rectangle fills the same columns.
    ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
    TMemoryStream pasted;
    pasted.WriteBuffer("x\t7\r\ny\t8\0", 10);
    pasted.SetPosition(0);
    ImportGridFromStream<TDBGridGxImportAsText>(grid, &pasted, false);
    rows.clear();
    for (table->First(); !table->Eof(); table->Next()) {
      for (const char* f : {"ID", "NAME", "AMOUNT", "FLAG"}) rows += table->FieldByName(f)->AsString() + " ";
      rows += "\n";
    }
    EXPECT_EQ(rows, "1 x 7 f1 \n2 y 8 f2 \n3 n3 3 f3 \n");
  }
}

// Cut of marked records takes exactly those, though each delete moves the positions after it.
TEST_F(GridExportTest, CutDeletesTheMarkedRecords) {
  const struct {
    std::vector<int> marked;
    const char* left;
  } cases[] = {{{1, 3}, "2 4 5 "}, {{1, 3, 4}, "2 5 "}, {{2, 5}, "1 3 4 "}};
  for (const auto& c : cases) {
    TearDown();
    SetUp();
    AddRows(5);
    MakeGrid();
    AddColumn("ID", "No");
    Bind();
    grid->SetEditActions(TDBGridGxEditActions{geaCopyGx, geaCutGx, geaPasteGx});
    grid->SetDBOptions(grid->DBOptions() + dgMultiSelect - dgConfirmDelete);
    for (int id : c.marked) {
      table->Locate("ID", Variant(id), {});
      grid->SelectedRows()->SetCurrentRowSelected(true);
    }
    grid->SetFocus();
    gridtest::Pump();
    Key('X', false, true);
    std::string left;
    table->First();
    for (; !table->Eof(); table->Next()) left += table->FieldByName("ID")->AsString() + " ";
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  }
  // A record that refuses to go stops the cut; those before it stay marked, the later ones are gone.
  table->First();
  for (; !table->Eof(); table->Delete()) {}
  AddRows(5);
  for (int id : {1, 3, 5}) {
    table->Locate("ID", Variant(id), {});
    grid->SelectedRows()->SetCurrentRowSelected(true);
  }
  table->SetBeforeDelete([](TDataSet* ds) {
    if (ds->FieldByName("ID")->AsInteger() == 3) throw Exception("kept");
  });
  EXPECT_THROW(ClearSelection(grid, false), Exception);
  table->SetBeforeDelete(nullptr);
  ASSERT_EQ(grid->SelectedRows()->Count(), 2);
  ClearSelection(grid, false);
  std::string left;
  for (table->First(); !table->Eof(); table->Next()) left += table->FieldByName("ID")->AsString() + " ";
  EXPECT_EQ(left, "2 4 ");
}

// 8-bit clipboard text is in code page 936; a paste of it reads the Chinese back.
TEST_F(GridExportTest, AnsiClipboardTextIsInTheChineseCodePage) {
  AddRow(1, "\xE5\x90\x8D\xE7\xA7\xB0");  // 名称
  table->First();
  MakeGrid();
  AddColumn("ID", "\xE7\xBC\x96\xE5\x8F\xB7");  // 编号
  AddColumn("NAME", "Name");
  Bind();
  grid->SetDBOptions(grid->DBOptions() - dgTitles);
  CopyToClipboard(grid, true);
  const std::string gbk = Utf8ToCp936("1\t\xE5\x90\x8D\xE7\xA7\xB0");
  EXPECT_EQ(gbk, "1\t\xC3\xFB\xB3\xC6");
  EXPECT_EQ(ClipboardBytes(CF_TEXT), gbk + std::string(1, '\0'));
  EXPECT_EQ(ClipboardBytes(ClipboardFormatCSV()), Utf8ToCp936("\"1\";\"\xE5\x90\x8D\xE7\xA7\xB0\"") + std::string(1, '\0'));
  // Only the 8-bit text on the clipboard: the paste reads it in the same code page.
  TClipboard* cb = Clipboard();
  cb->Open();
  cb->Clear();
  const std::string pasted = Utf8ToCp936("7\t\xE4\xB8\xAD\xE6\x96\x87");  // 中文
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, pasted.size() + 1);
  std::memcpy(GlobalLock(mem), pasted.c_str(), pasted.size() + 1);
  GlobalUnlock(mem);
  cb->SetAsHandle(CF_TEXT, mem);
  cb->Close();
  PasteFromClipboard(grid, true);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 7);
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "\xE4\xB8\xAD\xE6\x96\x87");
}

}  // namespace
}  // namespace dbgridtest
