// Import formats and paste: where values land, inserting and appending, the error question, and
// malformed text that stops where it stands and GRIDBIF data that must change nothing.
#include "grid/gridimport.h"

#include <cstring>

#include "dbgrid_test_util.h"
#include "grid/gridexport.h"
#include "platform/forms/clipbrd.h"
#include "platform/forms/dialogs.h"
#include "platform/rtl/exceptions.h"

namespace dbgridtest {
namespace {

class GridImportTest : public DBGridTest {
 protected:
  void MakeTable(int rows) {
    for (int i = 1; i <= rows; ++i) AddRow(i, "n" + std::to_string(i), i);
    table->First();
    MakeGrid();
    AddColumn("ID", "No");
    AddColumn("NAME", "Name");
    AddColumn("AMOUNT", "Amount");
    Bind();
  }
  template <class T>
  void Import(std::string_view bytes, bool whole = false) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    ImportGridFromStream<T>(grid, &stream, whole);
  }
  // The table as "id name amount" lines.
  std::string Dump() {
    std::string s;
    const std::string keep = table->Bookmark();
    table->First();
    while (!table->Eof()) {
      s += table->FieldByName("ID")->AsString() + " " + table->FieldByName("NAME")->AsString() + " " +
           table->FieldByName("AMOUNT")->AsString() + "\n";
      table->Next();
    }
    table->SetBookmark(keep);
    return s;
  }
  static void PutText(const std::string& text) {
    TClipboard* cb = Clipboard();
    cb->Open();
    cb->Clear();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
    GlobalUnlock(mem);
    cb->SetAsHandle(CF_TEXT, mem);
    cb->Close();
  }
  static std::string I32(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
};

TEST_F(GridImportTest, ASingleValueGoesIntoTheCurrentCell) {
  MakeTable(2);
  grid->SetCol(grid->DataToRawColumn(1));
  Import<TDBGridGxImportAsText>(std::string("x\0", 2));
  EXPECT_EQ(Dump(), "1 x 1\n2 n2 2\n");
  EXPECT_FALSE(table->ControlsDisabled());
}

TEST_F(GridImportTest, TabsPlaceValuesAndALeadingTabKeepsTheFirstColumn) {
  MakeTable(3);
  grid->SetAllowedOperations(grid->AllowedOperations() - alopAppendGx);
  Import<TDBGridGxImportAsText>(std::string("7\ta\r\n\tb\r\n9\t\r\n", 13) + std::string(1, '\0'));
  EXPECT_EQ(Dump(), "7 a 1\n2 b 2\n9 n3 3\n");
  // Surplus values and a surplus line are dropped; the grid stays on its record.
  EXPECT_EQ(table->RecNo(), 1);
  Import<TDBGridGxImportAsText>(std::string("1\tc\t5\t99\r\n2\r\n3\r\n4\0", 18));
  EXPECT_EQ(Dump(), "1 c 5\n2 b 2\n3 n3 3\n");
}

TEST_F(GridImportTest, LinesPastTheLastRecordAppendOnlyWhenAllowed) {
  MakeTable(2);
  table->Last();
  grid->SetAllowedOperations(grid->AllowedOperations() - alopAppendGx);
  Import<TDBGridGxImportAsText>(std::string("5\r\n6\0", 5));
  EXPECT_EQ(Dump(), "1 n1 1\n5 n2 2\n");
  table->Last();
  grid->SetAllowedOperations(grid->AllowedOperations() + alopAppendGx);
  Import<TDBGridGxImportAsText>(std::string("8\r\n9\0", 5));
  EXPECT_EQ(Dump(), "1 n1 1\n8 n2 2\n9  \n");
  // A read-only table takes neither the values nor new records, without a word.
  const std::string before = Dump();
  table->SetReadOnly(true);
  table->Last();
  TScriptedDialogService dialogs(true);
  Import<TDBGridGxImportAsText>(std::string("3\r\n4\0", 5));
  EXPECT_EQ(Dump(), before);
  EXPECT_TRUE(dialogs.Requests().empty());
  EXPECT_FALSE(table->ControlsDisabled());
}

TEST_F(GridImportTest, WhileInsertingEveryLineIsANewRecord) {
  MakeTable(2);
  table->Append();
  Import<TDBGridGxImportAsText>(std::string("5\tx\r\n6\ty\0", 9));
  EXPECT_EQ(Dump(), "1 n1 1\n2 n2 2\n5 x \n6 y \n");
}

TEST_F(GridImportTest, UnicodeTextStopsAtTheFirstZeroCharacter) {
  MakeTable(1);
  std::u16string text = u"3\t\u4E2D\u6587";
  std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  // The clipboard's block may hold more than the text: what follows the terminator is ignored.
  bytes += std::string("\0\0zz\0\0", 6);
  Import<TDBGridGxImportAsUnicodeText>(bytes);
  EXPECT_EQ(Dump(), "3 \xE4\xB8\xAD\xE6\x96\x87 1\n");
}

// A lone CR stops the import where it stands: the record it hit keeps its edit, so the user can
// still cancel the half line or post it.
TEST_F(GridImportTest, ALoneCrIsInvalidAndLeavesTheRecordItHitInEdit) {
  MakeTable(3);
  table->Next();
  try {
    Import<TDBGridGxImportAsText>(std::string("1\r2\0", 4));
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TDBGridGxImportAsText.CheckState: Invalid text format");
  }
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_EQ(table->RecNo(), 2);
  table->First();
  grid->SetCol(grid->DataToRawColumn(1));
  EXPECT_THROW(Import<TDBGridGxImportAsText>(std::string("a\r\nb\t7\rX\0", 10)), Exception);
  EXPECT_EQ(table->RecNo(), 2);
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "b");
  table->Cancel();
  EXPECT_EQ(Dump(), "1 a 1\n2 n2 2\n3 n3 3\n");
  // A record refusing its post as the grid goes back to where it stood: the controls come back.
  table->SetBeforePost([](TDataSet*) { throw Exception("refused"); });
  EXPECT_THROW(Import<TDBGridGxImportAsText>(std::string("x\0", 2)), Exception);
  table->SetBeforePost(nullptr);
  EXPECT_FALSE(table->ControlsDisabled());
  table->Cancel();
  std::u16string w = u"1\r";
  EXPECT_THROW(Import<TDBGridGxImportAsUnicodeText>(std::string(reinterpret_cast<const char*>(w.data()), 4)),
               Exception);
}

TEST_F(GridImportTest, RefusedValuesAskAndTheAnswerDecides) {
  MakeTable(3);
  grid->SetAllowedOperations(grid->AllowedOperations() - alopAppendGx);
  TScriptedDialogService dialogs(true);
  // Yes: go on with the next value.
  dialogs.Answer(mrYes);
  Import<TDBGridGxImportAsText>(std::string("x\ta\r\n5\tb\0", 9));
  ASSERT_EQ(dialogs.Requests().size(), 1u);
  EXPECT_EQ(dialogs.Requests()[0].Text.substr(0, 27), "Error during insert value:\n");
  EXPECT_NE(dialogs.Requests()[0].Text.find("\n\nIgnore error?"), std::string::npos);
  EXPECT_EQ(Dump(), "1 a 1\n5 b 2\n3 n3 3\n");
  // All: no more questions.
  dialogs.ClearRequests();
  dialogs.Answer(mrAll);
  Import<TDBGridGxImportAsText>(std::string("x\tc\r\ny\td\r\n7\0", 12));
  EXPECT_EQ(dialogs.Requests().size(), 1u);
  EXPECT_EQ(Dump(), "1 c 1\n5 d 2\n7 n3 3\n");
  // No: the import stops there; the controls come back and the record it hit stays in edit.
  dialogs.ClearRequests();
  dialogs.Answer(mrNo);
  EXPECT_THROW(Import<TDBGridGxImportAsText>(std::string("x\te\r\n8\tf\0", 9)), EAbort);
  EXPECT_FALSE(table->ControlsDisabled());
  table->Cancel();
  EXPECT_EQ(Dump(), "1 c 1\n5 d 2\n7 n3 3\n");
}

TEST_F(GridImportTest, GridBifRoundTripThroughTheClipboard) {
  MakeTable(2);
  table->Edit();
  table->FieldByName("AMOUNT")->Clear();
  table->FieldByName("NAME")->SetAsString("\xE4\xB8\xAD a,\"b\"");
  table->Post();
  CopyToClipboard(grid, true);
  // Into an empty copy of the table by appending.
  ClearSelection(grid, true);
  ASSERT_EQ(table->RecordCount(), 0);
  PasteFromClipboard(grid, false);
  EXPECT_EQ(Dump(), "1 \xE4\xB8\xAD a,\"b\" \n2 n2 2\n");
  table->First();
  EXPECT_TRUE(table->FieldByName("AMOUNT")->IsNull());
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
}

TEST_F(GridImportTest, TextPasteFromTheClipboard) {
  MakeTable(2);
  PutText("4\tp\r\n5\tq");
  PasteFromClipboard(grid, false);
  EXPECT_EQ(Dump(), "4 p 1\n5 q 2\n");
}

TEST_F(GridImportTest, GridBifSurplusColumnsAreDroppedAndRecordsStayAligned) {
  MakeTable(2);
  grid->SetCol(grid->DataToRawColumn(1));  // columns NAME and AMOUNT receive
  std::string bif = std::string("GRIDBIF\x01", 8) + I32(3) + std::string("\x01\0\x01\0\x01\0", 6);
  bif += "\x05" + I32(1) + "a" + "\x03" + I32(10) + "\x05" + I32(1) + "z";
  bif += "\x05" + I32(1) + "b" + std::string("\x02", 1) + "\x01";
  bif += std::string(1, '\0');
  Import<TDBGridGxImportAsGRIDBIF>(bif);
  EXPECT_EQ(Dump(), "1 a 10\n2 b \n");
}

TEST_F(GridImportTest, MalformedGridBifIsRefusedAndChangesNothing) {
  MakeTable(2);
  const std::string before = Dump();
  const std::string good = std::string("GRIDBIF\x01", 8) + I32(1) + std::string("\x01\0", 2);
  const std::vector<std::string> bad = {
      std::string("GRIDBIF\x01\x01\0\0", 11),                                     // 11 bytes
      std::string("GRIDBIX\x01", 8) + I32(0) + std::string(1, '\0'),              // signature
      std::string("GRIDBIF\x01", 8) + I32(-1) + std::string(1, '\0'),             // negative count
      std::string("GRIDBIF\x01", 8) + I32(0x7FFFFFFF) + std::string(1, '\0'),     // oversized count
      good + "\x05" + I32(-5) + "abc",                                           // negative length
      good + "\x07" + I32(1 << 30) + "ab",                                       // oversized length
      good + "\x03" + "\x01\x02",                                                // short integer
      std::string("GRIDBIF\x01", 8) + I32(2) + std::string("\x01\0\x01", 3),     // unterminated name
  };
  for (const std::string& b : bad) {
    try {
      Import<TDBGridGxImportAsGRIDBIF>(b);
      ADD_FAILURE() << "accepted";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "TDBGridGxImportAsGRIDBIF.ReadPrefix: Invalid GRIDBIF format");
    }
    EXPECT_FALSE(table->ControlsDisabled());
    EXPECT_EQ(Dump(), before);
  }
}

// A stream without columns holds no records, whatever bytes follow its prefix: nothing is
// appended, however many values trail it.
TEST_F(GridImportTest, GridBifWithoutColumnsAppendsNothing) {
  MakeTable(2);
  ASSERT_TRUE(grid->AllowedOperations().Contains(alopAppendGx));
  const std::string before = Dump();
  const std::string bif = std::string("GRIDBIF\x01", 8) + I32(0) + std::string("\x01\x01\0", 3);
  Import<TDBGridGxImportAsGRIDBIF>(bif);
  EXPECT_EQ(Dump(), before);
  table->Append();
  Import<TDBGridGxImportAsGRIDBIF>(bif);
  EXPECT_EQ(table->State(), dsInsert);
  table->Cancel();
  EXPECT_EQ(Dump(), before);
}

// Without a selection the values go from the current column on, hidden columns left out; a
// whole-grid import starts at the first column shown.
TEST_F(GridImportTest, PasteStartsAtTheCurrentColumnPastHiddenOnes) {
  for (int i = 1; i <= 2; ++i) AddRow(i, "n" + std::to_string(i), i, "f");
  table->First();
  MakeGrid();
  AddColumn("ID", "No")->SetVisible(false);
  AddColumn("NAME", "Name");
  AddColumn("AMOUNT", "Amount");
  AddColumn("FLAG", "Flag");
  Bind();
  grid->SetEditActions(TDBGridGxEditActions{geaCopyGx, geaCutGx, geaPasteGx});
  grid->SetFocus();
  gridtest::Pump();
  grid->SetSelectedField(table->FieldByName("NAME"));
  TScriptedDialogService dialogs(true);  // a refused value would ask
  PutText("zz");
  Key('V', false, true);
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "zz");
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "f");
  EXPECT_TRUE(dialogs.Requests().empty());
  grid->SetSelectedField(table->FieldByName("AMOUNT"));
  Import<TDBGridGxImportAsText>(std::string("5\tg\t9\0", 6));
  EXPECT_EQ(Dump(), "1 zz 5\n2 n2 2\n");
  EXPECT_EQ(table->FieldByName("FLAG")->AsString(), "g");
  Import<TDBGridGxImportAsText>(std::string("a\t7\0", 4), true);
  EXPECT_EQ(grid->SelectedField(), table->FieldByName("NAME"));
  EXPECT_EQ(Dump(), "1 a 7\n2 n2 2\n");
}

// Lines go to the records that followed each other when the paste began, also when each value
// re-sorts or filters the record it goes to; the grid ends on the record it stood on (the last
// record appended when the paste ran on past the data), also where that one has moved.
TEST_F(GridImportTest, PastedLinesKeepToTheirRecordsInASortedOrFilteredView) {
  enum Sel { none, whole, rect, cols, all, rows };
  struct Case {
    const char* sort;
    const char* filter;
    Sel sel;
    int current;  // the record (ID) current at the start
    int column;   // the current column, or the selection's
    const char* text;
    const char* after;  // the table in ID order, filter off
    const char* ends;   // the current record after it
  };
  const Case cases[] = {
      {"ID", "", none, 1, 0, "25\r\n15\r\n35\r\n5", "5 n4 4|15 n2 2|25 n1 1|35 n3 3|", "25 n1 1"},
      {"ID", "", none, 2, 0, "0\r\n9", "0 n2 2|1 n1 1|4 n4 4|9 n3 3|", "0 n2 2"},
      {"ID", "", none, 4, 0, "0\r\n7\r\n8", "0 n4 4|1 n1 1|2 n2 2|3 n3 3|7  |8  |", "8  "},
      {"", "AMOUNT < 10", none, 1, 2, "11\r\n2\r\n13\r\n4", "1 n1 11|2 n2 2|3 n3 13|4 n4 4|", "2 n2 2"},
      {"ID", "", whole, 3, 0, "8\r\n7\r\n6\r\n5", "5 n4 4|6 n3 3|7 n2 2|8 n1 1|", "8 n1 1"},
      {"ID", "", rect, 1, 0, "30\r\n0", "0 n3 3|1 n1 1|4 n4 4|30 n2 2|", "1 n1 1"},
      {"ID", "", cols, 3, 0, "40\r\n30\r\n20\r\n10", "10 n4 4|20 n3 3|30 n2 2|40 n1 1|", "20 n3 3"},
      {"ID", "", all, 2, 0, "8\r\n7\r\n6\r\n5", "5 n4 4|6 n3 3|7 n2 2|8 n1 1|", "7 n2 2"},
      {"ID", "", rows, 4, 0, "9\r\n0", "0 n3 3|2 n2 2|4 n4 4|9 n1 1|", "4 n4 4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    if (form) form->Free();
    table->SetSortOrder("");
    table->SetFiltered(false);
    table->EmptyTable();
    MakeTable(4);
    grid->SetDBOptions(grid->DBOptions() + dgMultiSelect);
    table->SetSortOrder(c.sort);
    table->SetFilter(c.filter);
    table->SetFiltered(*c.filter != 0);
    auto at = [&](int id) {
      table->Locate("ID", id, {});
      return table->Bookmark();
    };
    const int col = grid->DataToRawColumn(c.column);
    if (c.sel == rect) {
      grid->Selection()->Rect()->Select(col, at(2), false);
      grid->Selection()->Rect()->Select(col, at(3), true);
    } else if (c.sel == cols) {
      grid->Selection()->Columns()->Select(grid->Columns()->Items(c.column), false);
    } else if (c.sel == all) {
      grid->Selection()->SelectAll();
    } else if (c.sel == rows) {
      at(1);
      grid->SelectedRows()->SetCurrentRowSelected(true);
      at(3);
      grid->SelectedRows()->SetCurrentRowSelected(true);
    }
    const TDBGridGxSelectionType kinds[] = {gstNon, gstNon, gstRectangle, gstColumns, gstAll, gstRecordBookmarks};
    ASSERT_EQ(grid->Selection()->SelectionType(), kinds[c.sel]);
    at(c.current);
    grid->SetCol(col);
    Import<TDBGridGxImportAsText>(std::string(c.text) + std::string(1, '\0'), c.sel == whole);
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(table->FieldByName("ID")->AsString() + " " + table->FieldByName("NAME")->AsString() + " " +
                  table->FieldByName("AMOUNT")->AsString(),
              c.ends);
    table->SetFiltered(false);
    table->SetSortOrder("ID");
    std::string after = Dump();
    std::replace(after.begin(), after.end(), '\n', '|');
    EXPECT_EQ(after, c.after);
  }
}

// What the text exporters write reads back the same, Chinese included.
TEST_F(GridImportTest, TextExportReadsBackWhole) {
  MakeTable(2);
  table->Edit();
  table->FieldByName("NAME")->SetAsString("\xE4\xB8\xAD\xE6\x96\x87");  // 中文
  table->Post();
  table->Last();
  table->Edit();
  table->FieldByName("NAME")->SetAsString("\xF0\x9F\x98\x80 x");  // beyond the 16-bit plane
  table->Post();
  const std::string before = Dump();
  auto roundTrip = [&](auto exporter, auto importer) {
    TMemoryStream stream;
    ExportGridToStream(exporter, grid, &stream, true);
    stream.WriteBuffer("\0\0", 2);
    table->First();
    while (!table->Eof()) {
      table->Edit();
      table->FieldByName("NAME")->Clear();
      table->Post();
      table->Next();
    }
    stream.SetPosition(0);
    ImportGridFromStream(importer, grid, &stream, true);
    EXPECT_EQ(Dump(), before);
  };
  grid->SetDBOptions(grid->DBOptions() - dgTitles);
  roundTrip(TDBGridGxExportAsText(), TDBGridGxImportAsText());
  roundTrip(TDBGridGxExportAsUnicodeText(), TDBGridGxImportAsUnicodeText());
}

// A lookup cell takes the key of the first row whose name starts with the text, any case; an
// unknown name leaves the key. A key-and-pick-list cell stores the key of the entry, or nothing
// for a text no entry has. GRIDBIF gives a lookup cell its keys as comma text.
TEST_F(GridImportTest, LookupAndKeyListCellsTakeKeys) {
  std::unique_ptr<TMemTableGx> cities = MakeCities({"Beijing", "Shanghai", "Shenzhen", "上海"});
  TMemTableGx docs(nullptr);
  docs.FieldDefs().Add("CITY", ftInteger);
  docs.FieldDefs().Add("FLAG", ftString, 1);
  CreateWithLookup(docs, "CITYNAME", "CITY", cities.get(), "CID", "CNAME");
  for (int i = 0; i < 4; ++i) {
    docs.Append();
    docs.FieldByName("CITY")->SetAsInteger(1);
    docs.FieldByName("FLAG")->SetAsString("Y");
    docs.Post();
  }
  docs.First();
  TDataSource docSource(nullptr);
  docSource.SetDataSet(&docs);
  MakeGrid();
  AddColumn("CITYNAME");
  TColumnGx* flag = AddColumn("FLAG");
  flag->KeyList()->SetText("Y\nN");
  flag->PickList()->SetText("是\n否");
  grid->SetDataSource(&docSource);
  grid->SetAllowedOperations(grid->AllowedOperations() - alopAppendGx);
  Import<TDBGridGxImportAsText>(std::string("sH\t否\r\n上\t是\r\nxx\tmaybe") + std::string(1, '\0'));
  auto dump = [&] {
    std::string s;
    for (docs.First(); !docs.Eof(); docs.Next())
      s += docs.FieldByName("CITY")->AsString() + docs.FieldByName("FLAG")->AsString() + " ";
    return s;
  };
  EXPECT_EQ(dump(), "2N 4Y 1 1Y ");
  docs.First();
  const std::string bif = std::string("GRIDBIF\x01", 8) + I32(1) + std::string("\x01\0", 2) + "\x05" + I32(1) + "3" +
                          std::string(1, '\0');
  Import<TDBGridGxImportAsGRIDBIF>(bif);
  EXPECT_EQ(dump(), "3N 4Y 1 1Y ");
  grid->SetDataSource(nullptr);
}

}  // namespace
}  // namespace dbgridtest
