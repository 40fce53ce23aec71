// Grid export formats and the clipboard commands copy, cut and clear.
#include "grid/gridexport.h"

#include <cmath>
#include <cstring>

#include "editors/tools/gxplatform.h"
#include "platform/db/dataset.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/forms/clipbrd.h"
#include "platform/forms/dialogs.h"
#include "platform/forms/graphics.h"
#include "platform/os/wingdi.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_CLASS(TDBGridGxExport, TObject)
FANO_IMPLEMENT_CLASS(TDBGridGxExportAsText, TDBGridGxExport)
FANO_IMPLEMENT_CLASS(TDBGridGxExportAsUnicodeText, TDBGridGxExportAsText)
FANO_IMPLEMENT_CLASS(TDBGridGxExportAsCSV, TDBGridGxExportAsText)
FANO_IMPLEMENT_CLASS(TDBGridGxExportAsRTF, TDBGridGxExport)
FANO_IMPLEMENT_CLASS(TDBGridGxExportAsGRIDBIF, TDBGridGxExport)

namespace {

TDataSet* ExportDataSet(TCustomDBGridGx* grid) { return grid ? grid->DataSet() : nullptr; }

TDBGridGxSelectionType KindOf(TCustomDBGridGx* grid, bool forWholeGrid) {
  return forWholeGrid ? gstAll : grid->Selection()->SelectionType();
}

// Disables the data set's controls and remembers the grid's record; gives both back when it goes,
// however the work ends.
class PositionGuard {
 public:
  PositionGuard(TCustomDBGridGx* grid, TDataSet* ds, bool restore = true) : grid_(grid), ds_(ds), restore_(restore) {
    // What the work changes is told only when the controls come back: the selection is kept by
    // its records meanwhile.
    grid_->BeginKeepSelection();
    ds_->DisableControls();
    if (restore_) grid_->SaveBookmark();
  }
  ~PositionGuard() {
    try {
      if (restore_) grid_->RestoreBookmark();
    } catch (...) {
    }
    ds_->EnableControls();
    try {
      grid_->EndKeepSelection();
    } catch (...) {
    }
  }
  void SkipRestore() { restore_ = false; }

 private:
  TCustomDBGridGx* grid_;
  TDataSet* ds_;
  bool restore_;
};

}  // namespace

std::vector<TColumnGx*> SelectionColumns(TCustomDBGridGx* grid, TDBGridGxSelectionType kind) {
  std::vector<TColumnGx*> cols;
  switch (kind) {
    case gstRectangle: {
      TDBGridGxSelectionRect* rect = grid->Selection()->Rect();
      TDBGridColumnsGx* all = grid->Columns();
      // The rectangle holds grid columns: the indicator comes before the first column.
      const int left = grid->RawToDataColumn(rect->LeftCol());
      const int right = grid->RawToDataColumn(rect->RightCol());
      for (int i = std::max(0, left); i <= right && i < all->Count(); ++i)
        if (all->Items(i)->Visible()) cols.push_back(all->Items(i));
      break;
    }
    case gstColumns: {
      TDBGridGxSelectionCols* sel = grid->Selection()->Columns();
      for (int i = 0; i < sel->Count(); ++i) cols.push_back(sel->Items(i));
      break;
    }
    default:
      cols = grid->VisibleColumns();
      break;
  }
  return cols;
}

namespace {

// The memory-table records at those places of the view, taken before any is visited.
using TPlacedRecords = std::vector<std::pair<int, TMemoryRecordGx*>>;

void TakeRecords(TCustomDBGridGx* grid, int first, int last, TPlacedRecords& records) {
  for (int p = std::max(0, first); p <= last; ++p)
    if (TMemoryRecordGx* rec = grid->RecordAtPosition(p)) records.emplace_back(p, rec);
}

// A memory table's bookmarks are positions, and an edit posted in a sorted or filtered view moves
// its record: each record taken is visited by itself, the edit before it posted, until done.
void VisitRecords(TCustomDBGridGx* grid, const TPlacedRecords& records, const std::function<bool()>& done,
                  const std::function<void()>& visit) {
  for (const auto& [position, rec] : records) {
    if (done()) return;
    if (grid->GoToRecord(rec, position)) visit();
  }
}

}  // namespace

void ForEachSelectedRecord(TCustomDBGridGx* grid, TDBGridGxSelectionType kind, const std::function<void()>& visit) {
  TDataSet* ds = grid->DataSet();
  if (IMemTableGx* table = grid->MemTable(); table && kind != gstNon) {
    TPlacedRecords records;
    if (kind == gstRecordBookmarks) {
      TBookmarkListGx* rows = grid->Selection()->Rows();
      for (int i = 0; i < rows->Count(); ++i) {
        const int p = table->BookmarkToRowIndex(rows->Items(i));
        TakeRecords(grid, p, p, records);
      }
    } else if (kind == gstRectangle) {
      TDBGridGxSelectionRect* rect = grid->Selection()->Rect();
      TakeRecords(grid, table->BookmarkToRowIndex(rect->TopRow()), table->BookmarkToRowIndex(rect->BottomRow()),
                  records);
    } else {
      TakeRecords(grid, 0, grid->PositionCount() - 1, records);
    }
    VisitRecords(grid, records, [] { return false; }, visit);
    return;
  }
  switch (kind) {
    case gstRecordBookmarks: {
      TBookmarkListGx* rows = grid->Selection()->Rows();
      for (int i = 0; i < rows->Count(); ++i) {
        ds->SetBookmark(rows->Items(i));
        visit();
      }
      break;
    }
    case gstRectangle: {
      TDBGridGxSelectionRect* rect = grid->Selection()->Rect();
      const std::string bottom = rect->BottomRow();
      ds->SetBookmark(rect->TopRow());
      while (!ds->Eof()) {
        visit();
        if (grid->Selection()->Rows()->CompareBookmarks(ds->Bookmark(), bottom) == 0) break;
        ds->Next();
      }
      break;
    }
    case gstNon:
      break;
    default:
      ds->First();
      while (!ds->Eof()) {
        visit();
        ds->Next();
      }
      break;
  }
}

void ForEachRecordFromCurrent(TCustomDBGridGx* grid, const std::function<bool()>& done,
                              const std::function<void()>& visit) {
  TDataSet* ds = grid->DataSet();
  if (ds->Eof()) return;
  if (IMemTableGx* table = grid->MemTable()) {
    TPlacedRecords records;
    TakeRecords(grid, table->GetCurrentRowIndex(), grid->PositionCount() - 1, records);
    VisitRecords(grid, records, done, visit);
    return;
  }
  while (!ds->Eof() && !done()) {
    visit();
    ds->Next();
  }
}

// ---------------------------------------------------------------- base driver

TDBGridGxExport::TDBGridGxExport() : ColCellParams(std::make_unique<TColCellParamsGx>()) {}
TDBGridGxExport::~TDBGridGxExport() = default;

void TDBGridGxExport::ExportToStream(TStream* stream, bool forWholeGrid) {
  Stream = stream;
  TDataSet* ds = ExportDataSet(Grid);
  const TDBGridGxSelectionType kind = Grid ? KindOf(Grid, forWholeGrid) : gstNon;
  if (kind == gstNon || !ds || !ds->Active()) return;
  {
    PositionGuard guard(Grid, ds);
    ExportColumns = SelectionColumns(Grid, kind);
    FooterValues.assign(static_cast<size_t>(std::max(0, Grid->FooterRowCount())) * ExportColumns.size(), 0);
    WritePrefix();
    if (Grid->DBOptions().Contains(dgTitles)) WriteTitle(ExportColumns);
    ForEachSelectedRecord(Grid, kind, [this] {
      WriteRecord(ExportColumns);
      AccumulateFooters();
    });
    WriteFooters();
  }
  WriteSuffix();
}

void TDBGridGxExport::ExportToFile(const std::string& fileName, bool forWholeGrid) {
  TFileStream file(fileName, fmCreate);
  ExportToStream(&file, forWholeGrid);
}

void TDBGridGxExport::WriteFooters() {
  for (int r = 0; r < Grid->FooterRowCount(); ++r) WriteFooter(ExportColumns, r);
}

TColor TDBGridGxExport::GridCellBackground(TColumnGx* column, TFont* font) const {
  TColor background = column->Color();
  Grid->GetCellParams(column, font, background, TGridDrawState());
  return background;
}

void TDBGridGxExport::WriteRecord(const std::vector<TColumnGx*>& columns) {
  TFont font;
  for (TColumnGx* column : columns) {
    font.Assign(column->Font());
    TColCellParamsGx* p = ColCellParams.get();
    p->Col = -1;
    p->Row = -1;
    p->State = TGridDrawState();
    p->Font = &font;
    p->Background = column->Color();
    p->Alignment = column->Alignment();
    p->ImageIndex = column->GetValueListIndex();
    p->Text = column->GetDisplayText();
    p->CheckState = column->GetCheckboxState();
    const TColor background = GridCellBackground(column, &font);
    p->Background = background;
    column->FireGetCellParams(false, p);
    // Only the grid-level handler decides the exported background.
    p->Background = background;
    WriteDataCell(column, p);
  }
}

TField* TDBGridGxExport::FooterField(TColumnGx* column, int footerRow) const {
  TColumnFooterGx* footer = column->GetFooter(footerRow);
  const std::string& name = footer && !footer->FieldName().empty() ? footer->FieldName() : column->FieldName();
  TDataSet* ds = ExportDataSet(Grid);
  return ds && !name.empty() ? ds->FindField(name) : nullptr;
}

void TDBGridGxExport::AccumulateFooters() {
  const size_t n = ExportColumns.size();
  for (int r = 0; r < Grid->FooterRowCount(); ++r) {
    for (size_t c = 0; c < n; ++c) {
      TColumnGx* column = ExportColumns[c];
      TColumnFooterGx* footer = column->GetFooter(r);
      if (!footer) continue;
      TField* field = FooterField(column, r);
      if (!field) continue;
      int64_t& entry = FooterValues[static_cast<size_t>(r) * n + c];
      if (footer->ValueType() == fvtSum) {
        if (!field->IsNull()) entry = std::llround(static_cast<double>(entry) + field->AsFloat() * 10000.0);
      } else if (footer->ValueType() == fvtCount) {
        entry += 10000;
      }
    }
  }
}

std::string TDBGridGxExport::ExportFooterText(int footerRow, int col) const {
  TColumnGx* column = ExportColumns[static_cast<size_t>(col)];
  TColumnFooterGx* footer = column->GetFooter(footerRow);
  const int64_t entry = FooterValues[static_cast<size_t>(footerRow) * ExportColumns.size() + static_cast<size_t>(col)];
  const double value = static_cast<double>(entry) / 10000.0;
  if (footer->ValueType() == fvtCount) return FloatToStr(value);
  TField* field = FooterField(column, footerRow);
  if (!field) return {};
  switch (field->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: {
      auto* nf = dynamic_cast<TNumericField*>(field);
      if (nf && !nf->DisplayFormat().empty()) return FormatFloat(nf->DisplayFormat(), value, FormatSettings);
      return std::to_string(static_cast<int64_t>(std::llround(value)));
    }
    case ftFloat: case ftCurrency: {
      auto* ff = dynamic_cast<TFloatField*>(field);
      if (ff && !ff->DisplayFormat().empty()) return FormatFloat(ff->DisplayFormat(), value, FormatSettings);
      const bool money = ff && ff->currency();
      return FloatToStrF(value, money ? ffCurrency : ffGeneral, ff ? ff->Precision() : 15,
                         money ? FormatSettings.CurrencyDecimals : 0, FormatSettings);
    }
    case ftBCD: case ftFMTBcd: {
      auto* bf = dynamic_cast<TBCDField*>(field);
      Currency c = Currency::FromScaled(entry);
      if (bf && !bf->DisplayFormat().empty()) return FormatCurr(bf->DisplayFormat(), c, FormatSettings);
      const bool money = bf && bf->currency();
      return CurrToStrF(c, money ? ffCurrency : ffGeneral, money ? FormatSettings.CurrencyDecimals : 0,
                        FormatSettings);
    }
    default:
      return {};
  }
}

TDBGridGxExport::FooterCell TDBGridGxExport::ComputeFooterCell(int dataCol, int footerRow, TColumnGx* column,
                                                               TFont* font) const {
  FooterCell cell;
  TColumnFooterGx* footer = column->GetFooter(footerRow);
  font->Assign(footer ? footer->Font() : column->Font());
  cell.Background = footer ? footer->Color() : column->Color();
  cell.Alignment = footer ? footer->Alignment() : column->Alignment();
  if (footer && (footer->ValueType() == fvtSum || footer->ValueType() == fvtCount))
    cell.Text = ExportFooterText(footerRow, dataCol);
  else
    cell.Text = Grid->GetFooterValue(footerRow, column);
  Grid->GetFooterParams(dataCol, footerRow, column, font, cell.Background, cell.Alignment, TGridDrawState(),
                        cell.Text);
  return cell;
}

void TDBGridGxExport::WriteFooter(const std::vector<TColumnGx*>& columns, int footerRow) {
  TFont font;
  for (size_t i = 0; i < columns.size(); ++i) {
    FooterCell cell = ComputeFooterCell(static_cast<int>(i), footerRow, columns[i], &font);
    WriteFooterCell(static_cast<int>(i), footerRow, columns[i], &font, cell.Background, cell.Alignment, cell.Text);
  }
}

void ExportGridToStream(TDBGridGxExport& exporter, TCustomDBGridGx* grid, TStream* stream, bool forWholeGrid) {
  exporter.Grid = grid;
  exporter.ExportToStream(stream, forWholeGrid);
}

// ---------------------------------------------------------------- text, Unicode text, CSV

void TDBGridGxExportAsText::ExportToStream(TStream* stream, bool forWholeGrid) {
  FirstRecord = true;
  TDBGridGxExport::ExportToStream(stream, forWholeGrid);
}

void TDBGridGxExportAsText::CheckFirstRecord() {
  if (!FirstRecord) Put("\r\n");
  FirstRecord = false;
}

void TDBGridGxExportAsText::CheckFirstCell() {
  if (!FirstCell) Put("\t");
  FirstCell = false;
}

void TDBGridGxExportAsText::WriteTitle(const std::vector<TColumnGx*>& columns) {
  CheckFirstRecord();
  for (size_t i = 0; i < columns.size(); ++i) {
    Put(columns[i]->Title()->Caption());
    if (i + 1 < columns.size()) Put("\t");
  }
}

void TDBGridGxExportAsText::WriteRecord(const std::vector<TColumnGx*>& columns) {
  CheckFirstRecord();
  FirstCell = true;
  TDBGridGxExport::WriteRecord(columns);
}

void TDBGridGxExportAsText::WriteDataCell(TColumnGx*, TColCellParamsGx* params) {
  CheckFirstCell();
  Put(params->Text);
}

void TDBGridGxExportAsText::WriteFooter(const std::vector<TColumnGx*>& columns, int footerRow) {
  CheckFirstRecord();
  FirstCell = true;
  TDBGridGxExport::WriteFooter(columns, footerRow);
}

void TDBGridGxExportAsText::WriteFooterCell(int, int, TColumnGx*, TFont*, TColor, TAlignment,
                                            const std::string& text) {
  CheckFirstCell();
  Put(text);
}

void TDBGridGxExportAsUnicodeText::Put(std::string_view s) { WriteWide(Utf8ToUtf16(s)); }

void TDBGridGxExportAsCSV::CheckFirstCell() {
  if (!FirstCell) Put(std::string_view(&Separator, 1));
  FirstCell = false;
}

void TDBGridGxExportAsCSV::WriteTitle(const std::vector<TColumnGx*>& columns) {
  CheckFirstRecord();
  for (size_t i = 0; i < columns.size(); ++i) {
    Put(AnsiQuotedStr(columns[i]->Title()->Caption(), '"'));
    if (i + 1 < columns.size()) Put(std::string_view(&Separator, 1));
  }
}

void TDBGridGxExportAsCSV::WriteDataCell(TColumnGx*, TColCellParamsGx* params) {
  CheckFirstCell();
  Put(AnsiQuotedStr(params->Text, '"'));
}

void TDBGridGxExportAsCSV::WriteFooterCell(int, int, TColumnGx*, TFont*, TColor, TAlignment,
                                           const std::string& text) {
  CheckFirstCell();
  Put(AnsiQuotedStr(text, '"'));
}

// ---------------------------------------------------------------- RTF

// Backslash and braces are RTF syntax; characters beyond ASCII go as Unicode escapes so that
// the table reads the same whatever code page the reader assumes.
std::string RtfEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool plain = true;
  for (unsigned char c : text) plain = plain && c < 0x80;
  if (plain) {
    for (char c : text) {
      if (c == '\\' || c == '{' || c == '}') out += '\\';
      out += c;
    }
    return out;
  }
  for (char16_t u : Utf8ToUtf16(text)) {
    if (u == '\\' || u == '{' || u == '}') {
      out += '\\';
      out += static_cast<char>(u);
    } else if (u < 0x80) {
      out += static_cast<char>(u);
    } else {
      out += "\\u" + std::to_string(static_cast<int16_t>(u)) + "?";
    }
  }
  return out;
}

void TDBGridGxExportAsRTF::ExportToStream(TStream* stream, bool forWholeGrid) {
  TMemoryStreamGx body;
  body.SetGrowthStep(0x10000);
  colorTable_.clear();
  fontTable_.clear();
  ColorIndex(0);
  ColorIndex(0xFFFFFF);
  ColorIndex(clBtnFace);
  TDBGridGxExport::ExportToStream(&body, forWholeGrid);
  Stream = stream;
  std::string head = "{\\rtf0\\ansi\r\n{\\colortbl";
  for (COLORREF c : colorTable_)
    head += "\\red" + std::to_string(GetRValue(c)) + "\\green" + std::to_string(GetGValue(c)) + "\\blue" +
            std::to_string(GetBValue(c)) + ";";
  head += "}\r\n{\\fonttbl";
  for (size_t i = 0; i < fontTable_.size(); ++i)
    head += "\\f" + std::to_string(i) + "\\fnil " + fontTable_[i] + ";";
  head += "}\r\n";
  WriteAnsi(head);
  if (body.Size() > 0) Stream->WriteBuffer(body.Memory(), body.Size());
}

int TDBGridGxExportAsRTF::ColorIndex(TColor color) {
  const COLORREF rgb = ColorToRGB(color) & 0xFFFFFF;
  for (size_t i = 0; i < colorTable_.size(); ++i)
    if (colorTable_[i] == rgb) return static_cast<int>(i);
  colorTable_.push_back(rgb);
  return static_cast<int>(colorTable_.size() - 1);
}

int TDBGridGxExportAsRTF::FontIndex(const std::string& name) {
  for (size_t i = 0; i < fontTable_.size(); ++i)
    if (AnsiSameText(fontTable_[i], name)) return static_cast<int>(i);
  fontTable_.push_back(name);
  return static_cast<int>(fontTable_.size() - 1);
}

void TDBGridGxExportAsRTF::WriteSuffix() { WriteAnsi("}"); }

int TDBGridGxExportAsRTF::LogPixelsX() const {
  if (TCanvas* canvas = Grid->Canvas()) {
    const int d = GetDeviceCaps(canvas->Handle(), LOGPIXELSX);
    if (d > 0) return d;
  }
  return 96;
}

void TDBGridGxExportAsRTF::WriteRow(const std::vector<TColumnGx*>& columns, const std::vector<RtfCell>& cells) {
  const int dpi = LogPixelsX();
  std::string s = "\\trowd\\trgaph40\r\n";
  int64_t right = 0;
  for (size_t i = 0; i < columns.size(); ++i) {
    static constexpr std::pair<unsigned, const char*> kSides[] = {
        {kBorderLeft, "l"}, {kBorderTop, "t"}, {kBorderBottom, "b"}, {kBorderRight, "r"}};
    for (const auto& [bit, side] : kSides)
      if (cells[i].Borders & bit) s += std::string("\\clbrdr") + side + "\\brdrs\\brdrcf0\r\n";
    right += static_cast<int64_t>(std::trunc(static_cast<double>(columns[i]->Width()) / dpi * 1440.0));
    s += "\\clshdng10000\\clcfpat" + std::to_string(ColorIndex(cells[i].Background)) + "\\cellx" +
         std::to_string(right) + "\r\n";
  }
  s += "{\\trrh0\r\n";
  const std::string margin = Grid->Flat() ? "12" : "24";
  for (const RtfCell& cell : cells) {
    const char* align = cell.Alignment == taRightJustify ? "\\qr" : cell.Alignment == taCenter ? "\\qc" : "\\ql";
    s += std::string("\\pard\\intbl{") + align;
    if (cell.Spacing != -2) {
      const std::string m = cell.Spacing == -1 ? margin : std::to_string(cell.Spacing);
      s += "\\sb" + m + "\\sa" + m;
    }
    s += "\\fs" + std::to_string(cell.Font->Size() * 2);
    const TFontStyles st = cell.Font->Style();
    if (st.Contains(fsBold)) s += "\\b";
    if (st.Contains(fsItalic)) s += "\\i";
    if (st.Contains(fsStrikeOut)) s += "\\strike";
    if (st.Contains(fsUnderline)) s += "\\ul";
    s += "\\f" + std::to_string(FontIndex(cell.Font->Name())) + "\\cf" + std::to_string(ColorIndex(cell.Font->Color())) +
         "\\cb" + std::to_string(ColorIndex(cell.Background)) + " ";
    s += RtfEscape(cell.Text);
    s += "\\cell}\r\n";
  }
  s += "\\pard\\intbl\\row}\r\n";
  WriteAnsi(s);
}

void TDBGridGxExportAsRTF::WriteTitle(const std::vector<TColumnGx*>& columns) {
  if (Grid->UseMultiTitle()) {
    WriteMultiTitle(columns);
    return;
  }
  std::vector<RtfCell> cells;
  for (TColumnGx* c : columns)
    cells.push_back({c->Title()->Color(), c->Title()->Alignment(), c->Title()->Font(), c->Title()->Caption()});
  WriteRow(columns, cells);
}

void TDBGridGxExportAsRTF::WriteRecord(const std::vector<TColumnGx*>& columns) {
  std::vector<RtfCell> cells;
  std::vector<std::unique_ptr<TFont>> fonts;
  for (TColumnGx* column : columns) {
    auto font = std::make_unique<TFont>();
    font->Assign(column->Font());
    TColCellParamsGx* p = ColCellParams.get();
    p->Col = -1;
    p->Row = -1;
    p->State = TGridDrawState();
    p->Font = font.get();
    p->Alignment = column->Alignment();
    p->ImageIndex = column->GetValueListIndex();
    p->Text = column->GetDisplayText();
    p->CheckState = column->GetCheckboxState();
    const TColor background = GridCellBackground(column, font.get());
    p->Background = background;
    column->FireGetCellParams(false, p);
    cells.push_back({background, p->Alignment, font.get(), p->Text});
    fonts.push_back(std::move(font));
  }
  WriteRow(columns, cells);
}

void TDBGridGxExportAsRTF::WriteFooter(const std::vector<TColumnGx*>& columns, int footerRow) {
  std::vector<RtfCell> cells;
  std::vector<std::unique_ptr<TFont>> fonts;
  for (size_t i = 0; i < columns.size(); ++i) {
    auto font = std::make_unique<TFont>();
    FooterCell cell = ComputeFooterCell(static_cast<int>(i), footerRow, columns[i], font.get());
    cells.push_back({cell.Background, cell.Alignment, font.get(), cell.Text});
    fonts.push_back(std::move(font));
  }
  WriteRow(columns, cells);
}

// ---------------------------------------------------------------- GRIDBIF

void TDBGridGxExportAsGRIDBIF::WritePrefix() {
  WriteAnsi(std::string_view("GRIDBIF\x01", 8));
  const int32_t n = static_cast<int32_t>(ExportColumns.size());
  Stream->WriteBuffer(&n, 4);
  for (TColumnGx* c : ExportColumns) {
    const uint8_t desc[2] = {static_cast<uint8_t>(c->Visible() ? 1 : 0), 0};
    Stream->WriteBuffer(desc, 2);
  }
}

void TDBGridGxExportAsGRIDBIF::WriteSuffix() {
  const uint8_t tag = gbtEnd;
  Stream->WriteBuffer(&tag, 1);
}

void TDBGridGxExportAsGRIDBIF::WriteDataCell(TColumnGx* column, TColCellParamsGx*) {
  auto tag = [&](uint8_t t) { Stream->WriteBuffer(&t, 1); };
  auto bytes = [&](uint8_t t, const void* data, size_t size) {
    tag(t);
    const int32_t len = static_cast<int32_t>(size);
    Stream->WriteBuffer(&len, 4);
    if (size) Stream->WriteBuffer(data, len);
  };
  TField* field = column->Field();
  if (!field) return tag(gbtNoValue);
  if (field->FieldKind() == fkLookup) {
    TStringList keys;
    TDataSet* ds = field->DataSet();
    for (const std::string& name : SplitString(field->KeyFields(), ';')) {
      TField* key = ds ? ds->FindField(Trim(name)) : nullptr;
      if (key) keys.Add(key->AsString());
    }
    const std::u16string w = Utf8ToUtf16(keys.CommaText());
    return bytes(gbtWide, w.data(), w.size() * 2);
  }
  if (field->IsNull()) return tag(gbtNull);
  switch (field->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: {
      tag(gbtInteger);
      const int32_t v = field->AsInteger();
      Stream->WriteBuffer(&v, 4);
      return;
    }
    case ftFloat: case ftCurrency: case ftBCD: case ftDate: case ftTime: case ftDateTime: case ftTimeStamp:
    case ftFMTBcd: {
      tag(gbtFloat);
      const double v = field->AsFloat();
      Stream->WriteBuffer(&v, 8);
      return;
    }
    case ftString: case ftBoolean: case ftMemo: case ftFixedChar: case ftLargeint: case ftOraClob: case ftGuid:
    case ftOraTimeStamp: case ftOraInterval: {
      const std::string s = field->AsString();
      return bytes(gbtAnsi, s.data(), s.size());
    }
    case ftBytes: case ftVarBytes: case ftBlob: case ftGraphic: case ftFmtMemo: case ftParadoxOle:
    case ftDBaseOle: case ftTypedBinary: case ftOraBlob: {
      const std::string s = field->AsString();
      return bytes(gbtBinary, s.data(), s.size());
    }
    case ftWideString: case ftFixedWideChar: case ftWideMemo: {
      const std::u16string w = Utf8ToUtf16(field->AsString());
      return bytes(gbtWide, w.data(), w.size() * 2);
    }
    default:
      return tag(gbtNoValue);
  }
}

// ---------------------------------------------------------------- clipboard

UINT ClipboardFormatGRIDBIF() {
  static const UINT format = RegisterClipboardFormat("GRIDBIF");
  return format;
}
UINT ClipboardFormatCSV() {
  static const UINT format = RegisterClipboardFormat("Csv");
  return format;
}
UINT ClipboardFormatRTF() {
  static const UINT format = RegisterClipboardFormat("Rich Text Format");
  return format;
}

void StreamToClipboard(UINT format, TMemoryStream* stream) {
  TClipboard* cb = Clipboard();
  cb->Open();
  try {
    const size_t size = static_cast<size_t>(stream->Size());
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
    void* p = GlobalLock(mem);
    if (p && size) std::memcpy(p, stream->Memory(), size);
    GlobalUnlock(mem);
    cb->SetAsHandle(format, mem);
  } catch (...) {
    cb->Close();
    throw;
  }
  cb->Close();
}

void CopyToClipboard(TCustomDBGridGx* grid, bool forWholeGrid) {
  TDataSet* ds = ExportDataSet(grid);
  if (!ds) return;
  TClipboard* cb = Clipboard();
  cb->Open();
  ds->DisableControls();
  try {
    TMemoryStreamGx stream;
    stream.SetGrowthStep(0x10000);
    auto put = [&](TDBGridGxExport& exporter, UINT format, int zeroBytes, bool ansi = false) {
      ExportGridToStream(exporter, grid, &stream, forWholeGrid);
      if (ansi) {
        // 8-bit clipboard text is in the platform's code page, not in the module's UTF-8.
        const std::string bytes =
            Utf8ToCp936(std::string_view(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size())));
        stream.Clear();
        stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
      }
      const char zeros[2] = {0, 0};
      if (zeroBytes) stream.WriteBuffer(zeros, zeroBytes);
      StreamToClipboard(format, &stream);
      stream.Clear();
    };
    TDBGridGxExportAsText text;
    put(text, CF_TEXT, 1, true);
    TDBGridGxExportAsUnicodeText wide;
    put(wide, CF_UNICODETEXT, 2);
    TDBGridGxExportAsCSV csv;
    put(csv, ClipboardFormatCSV(), 1, true);
    TDBGridGxExportAsRTF rtf;
    put(rtf, ClipboardFormatRTF(), 1);
    TDBGridGxExportAsGRIDBIF bif;
    put(bif, ClipboardFormatGRIDBIF(), 0);
  } catch (...) {
    cb->Close();
    ds->EnableControls();
    throw;
  }
  cb->Close();
  ds->EnableControls();
}

void CutToClipboard(TCustomDBGridGx* grid, bool forWholeGrid) {
  CopyToClipboard(grid, forWholeGrid);
  ClearSelection(grid, forWholeGrid);
}

namespace {

void ClearField(TDataSet* ds, TField* field) {
  if (!field) return;
  if (ds->CanModify()) ds->Edit();
  if (ds->State() == dsEdit || ds->State() == dsInsert) field->Clear();
}

void ClearRecordCells(TDataSet* ds, const std::vector<TColumnGx*>& columns) {
  for (TColumnGx* column : columns) {
    if (!column->CanModify(false)) continue;
    TField* field = column->Field();
    if (!field) continue;
    if (field->FieldKind() == fkLookup) {
      for (const std::string& name : SplitString(field->KeyFields(), ';')) ClearField(ds, ds->FindField(Trim(name)));
    } else {
      ClearField(ds, field);
    }
  }
}

void DoClear(TCustomDBGridGx* grid, TDataSet* ds, TDBGridGxSelectionType kind) {
  switch (kind) {
    case gstRecordBookmarks: {
      PositionGuard guard(grid, ds, false);
      // Last first, as a memory table's bookmarks are positions that a delete shifts for the
      // records after it; a record that refuses to go leaves the ones before it still marked.
      grid->Selection()->Rows()->DeleteRecords();
      grid->Selection()->Clear();
      break;
    }
    case gstRectangle:
    case gstColumns: {
      PositionGuard guard(grid, ds);
      const std::vector<TColumnGx*> cols = SelectionColumns(grid, kind);
      ForEachSelectedRecord(grid, kind, [&] { ClearRecordCells(ds, cols); });
      break;
    }
    case gstAll: {
      PositionGuard guard(grid, ds, false);
      ds->First();
      while (!ds->Eof() && !ds->IsEmpty()) ds->Delete();
      break;
    }
    default:
      break;
  }
}

}  // namespace

void ClearSelection(TCustomDBGridGx* grid, bool forWholeGrid) {
  TDataSet* ds = ExportDataSet(grid);
  if (!ds) return;
  const TDBGridGxSelectionType kind = KindOf(grid, forWholeGrid);
  if (kind == gstNon) return;
  const char* question = nullptr;
  if (kind == gstRecordBookmarks)
    question = grid->Selection()->Rows()->Count() < 2 ? "Delete record?" : "Delete all selected records?";
  else if (kind == gstRectangle)
    question = "Clear selected cells?";
  if (question && grid->DBOptions().Contains(dgConfirmDelete) &&
      MessageDlg(question, mtConfirmation, mbOKCancel, 0) == mrCancel)
    return;
  DoClear(grid, ds, kind);
}

void ClearSelectedCells(TCustomDBGridGx* grid, bool forWholeGrid) {
  TDataSet* ds = ExportDataSet(grid);
  if (!ds) return;
  const TDBGridGxSelectionType kind = KindOf(grid, forWholeGrid);
  if (kind == gstRectangle || kind == gstColumns) DoClear(grid, ds, kind);
}

void InstallGridExportActions() {
  TDBGridGxLinkedActions& actions = DBGridGxLinkedActions();
  actions.Copy = [](TCustomDBGridGx* grid) { CopyToClipboard(grid, false); };
  actions.Cut = [](TCustomDBGridGx* grid) { CutToClipboard(grid, false); };
  actions.ClearCells = [](TCustomDBGridGx* grid) { ClearSelectedCells(grid, false); };
}
