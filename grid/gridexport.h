#pragma once
// Export of a data grid's records and columns to a stream in five formats (tab-separated text,
// tab-separated UTF-16 text, CSV, an RTF table and the binary interchange format "GRIDBIF"), and
// the grid's clipboard commands copy (all five formats at once), cut and clear. What is written
// follows the grid's selection, or the whole grid when asked. Usage:
//   ExportGridToStream<TDBGridGxExportAsCSV>(grid, &stream, true);
//   CopyToClipboard(grid, false);
// Every export and clipboard command gives the data set its controls back, returns the grid to
// its record and closes the clipboard whether it ends normally or by an exception.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "grid/dbgrid.h"
#include "platform/rtl/streams.h"

class TFont;
class TStringList;

class TDBGridGxExport : public TObject {
  FANO_CLASS(TDBGridGxExport)
 public:
  TDBGridGxExport();
  ~TDBGridGxExport() override;

  TCustomDBGridGx* Grid = nullptr;

  virtual void ExportToStream(TStream* stream, bool forWholeGrid);
  void ExportToFile(const std::string& fileName, bool forWholeGrid);

 protected:
  virtual void WritePrefix() {}
  virtual void WriteSuffix() {}
  virtual void WriteTitle(const std::vector<TColumnGx*>& /*columns*/) {}
  virtual void WriteRecord(const std::vector<TColumnGx*>& columns);
  virtual void WriteDataCell(TColumnGx* /*column*/, TColCellParamsGx* /*params*/) {}
  virtual void WriteFooter(const std::vector<TColumnGx*>& columns, int footerRow);
  virtual void WriteFooterCell(int /*dataCol*/, int /*footerRow*/, TColumnGx* /*column*/, TFont* /*font*/,
                               TColor /*background*/, TAlignment /*alignment*/, const std::string& /*text*/) {}

  // The background the grid's OnGetCellParams gives a data cell of the column.
  TColor GridCellBackground(TColumnGx* column, TFont* font) const;
  // Footer cell values of one footer row after OnGetFooterParams.
  struct FooterCell {
    std::string Text;
    TColor Background;
    TAlignment Alignment;
  };
  FooterCell ComputeFooterCell(int dataCol, int footerRow, TColumnGx* column, TFont* font) const;

  void WriteAnsi(std::string_view s) { Stream->WriteBuffer(s.data(), static_cast<int64_t>(s.size())); }
  void WriteWide(std::u16string_view s) { Stream->WriteBuffer(s.data(), static_cast<int64_t>(s.size() * 2)); }

  TStream* Stream = nullptr;
  std::vector<TColumnGx*> ExportColumns;
  // Footer row × column count entries of sums and counts, scaled by 10000.
  std::vector<int64_t> FooterValues;
  std::unique_ptr<TColCellParamsGx> ColCellParams;

 private:
  void AccumulateFooters();
  std::string ExportFooterText(int footerRow, int col) const;
  TField* FooterField(TColumnGx* column, int footerRow) const;
  void WriteFooters();
};

// Tab-separated text, rows separated by CR LF; values are written raw.
class TDBGridGxExportAsText : public TDBGridGxExport {
  FANO_CLASS(TDBGridGxExportAsText)
 public:
  void ExportToStream(TStream* stream, bool forWholeGrid) override;

 protected:
  virtual void CheckFirstRecord();
  virtual void CheckFirstCell();
  // Writes text in this exporter's encoding.
  virtual void Put(std::string_view s) { WriteAnsi(s); }
  void WriteTitle(const std::vector<TColumnGx*>& columns) override;
  void WriteRecord(const std::vector<TColumnGx*>& columns) override;
  void WriteDataCell(TColumnGx* column, TColCellParamsGx* params) override;
  void WriteFooter(const std::vector<TColumnGx*>& columns, int footerRow) override;
  void WriteFooterCell(int dataCol, int footerRow, TColumnGx* column, TFont* font, TColor background,
                       TAlignment alignment, const std::string& text) override;

  bool FirstRecord = true;
  bool FirstCell = true;
};

// The same as the text format, every character as UTF-16 (2 bytes).
class TDBGridGxExportAsUnicodeText : public TDBGridGxExportAsText {
  FANO_CLASS(TDBGridGxExportAsUnicodeText)
 protected:
  void Put(std::string_view s) override;
};

// Values and captions quoted with double quotes, separated by ";".
class TDBGridGxExportAsCSV : public TDBGridGxExportAsText {
  FANO_CLASS(TDBGridGxExportAsCSV)
 public:
  char Separator = ';';

 protected:
  void CheckFirstCell() override;
  void WriteTitle(const std::vector<TColumnGx*>& columns) override;
  void WriteDataCell(TColumnGx* column, TColCellParamsGx* params) override;
  void WriteFooterCell(int dataCol, int footerRow, TColumnGx* column, TFont* font, TColor background,
                       TAlignment alignment, const std::string& text) override;
};

// An RTF table: a header with the colour and font tables, then one table row per grid row.
class TDBGridGxExportAsRTF : public TDBGridGxExport {
  FANO_CLASS(TDBGridGxExportAsRTF)
 public:
  void ExportToStream(TStream* stream, bool forWholeGrid) override;

 protected:
  void WriteSuffix() override;
  void WriteTitle(const std::vector<TColumnGx*>& columns) override;
  void WriteRecord(const std::vector<TColumnGx*>& columns) override;
  void WriteFooter(const std::vector<TColumnGx*>& columns, int footerRow) override;

 private:
  // Border bits of a cell: left, top, bottom, right. Spacing -1 takes the grid's margin; -2 writes
  // none.
  enum : unsigned { kBorderLeft = 1, kBorderTop = 2, kBorderBottom = 4, kBorderRight = 8, kAllBorders = 15 };
  struct RtfCell {
    TColor Background;
    TAlignment Alignment;
    TFont* Font;
    std::string Text;
    unsigned Borders = kAllBorders;
    int Spacing = -1;
  };
  void WriteRow(const std::vector<TColumnGx*>& columns, const std::vector<RtfCell>& cells);
  // The title tree as one row per level, merged blocks shown as one cell (gridexport_rtftitle.cpp).
  void WriteMultiTitle(const std::vector<TColumnGx*>& columns);
  int LogPixelsX() const;
  int ColorIndex(TColor color);
  int FontIndex(const std::string& name);

  std::vector<COLORREF> colorTable_;
  std::vector<std::string> fontTable_;
};

// The binary interchange format: "GRIDBIF", version 1, the column count, the column flags, then
// one tagged value per cell and the end tag. Titles and footers are not written.
class TDBGridGxExportAsGRIDBIF : public TDBGridGxExport {
  FANO_CLASS(TDBGridGxExportAsGRIDBIF)
 protected:
  void WritePrefix() override;
  void WriteSuffix() override;
  void WriteDataCell(TColumnGx* column, TColCellParamsGx* params) override;
};

// Value tags of the interchange format.
enum TGridBifTag : uint8_t {
  gbtEnd = 0, gbtNoValue = 1, gbtNull = 2, gbtInteger = 3, gbtFloat = 4, gbtAnsi = 5, gbtBinary = 6,
  gbtWide = 7
};

// The columns a selection of that kind covers: the visible ones for record bookmarks and for all,
// the visible ones between the rectangle's sides, or the selected columns in their order.
std::vector<TColumnGx*> SelectionColumns(TCustomDBGridGx* grid, TDBGridGxSelectionType kind);
// Moves the data set to each record a selection of that kind covers and runs visit there: the
// marked records in list order, the rectangle's rows from top to bottom (or to the end of the
// data), or every record.
void ForEachSelectedRecord(TCustomDBGridGx* grid, TDBGridGxSelectionType kind, const std::function<void()>& visit);
// Runs visit on the current record and on each one after it, to the end of the data or until done
// answers true (it is asked before each record). The records are those that follow each other when
// the walk begins: one that an edit moves (a sorted or filtered view) is neither met again nor
// makes the walk skip another.
void ForEachRecordFromCurrent(TCustomDBGridGx* grid, const std::function<bool()>& done,
                              const std::function<void()>& visit);

// Exports the grid (its selection, or everything with forWholeGrid) to the stream.
void ExportGridToStream(TDBGridGxExport& exporter, TCustomDBGridGx* grid, TStream* stream, bool forWholeGrid);
template <class T>
void ExportGridToStream(TCustomDBGridGx* grid, TStream* stream, bool forWholeGrid) {
  T exporter;
  ExportGridToStream(exporter, grid, stream, forWholeGrid);
}

// Cell text as RTF: `\`, `{`, `}` escaped, characters beyond ASCII as Unicode escapes.
std::string RtfEscape(std::string_view text);

// Registered clipboard formats.
UINT ClipboardFormatGRIDBIF();
UINT ClipboardFormatCSV();
UINT ClipboardFormatRTF();

// Puts the stream's whole content on the clipboard under the format.
void StreamToClipboard(UINT format, TMemoryStream* stream);
void CopyToClipboard(TCustomDBGridGx* grid, bool forWholeGrid);
void CutToClipboard(TCustomDBGridGx* grid, bool forWholeGrid);
// Deletes the selected records or clears the selected cells, after the confirmation the
// selection kind calls for when the grid confirms deletes.
void ClearSelection(TCustomDBGridGx* grid, bool forWholeGrid);
// Clears the cells of a rectangle or column selection without asking.
void ClearSelectedCells(TCustomDBGridGx* grid, bool forWholeGrid);
// Links copy, cut and cell clearing into the grid's keyboard commands.
void InstallGridExportActions();
