#pragma once
// Import of tab-separated text, tab-separated UTF-16 text and the "GRIDBIF" interchange stream
// back into a data grid's records and columns, and the grid's paste command. Values go into the
// records and columns the selection designates; past the existing records new ones are inserted
// or appended when the grid allows it. Malformed data raises an Exception naming the reader and
// "Invalid text format" / "Invalid GRIDBIF format"; a value the data set refuses asks whether to
// ignore the error (Yes, No = stop, All = ignore the rest). Whatever ends an import, the data
// set gets its controls back, the grid its record, and paste closes the clipboard.
#include <cstdint>
#include <string>
#include <vector>

#include "grid/dbgrid.h"
#include "platform/rtl/streams.h"

class TDBGridGxImport : public TObject {
  FANO_CLASS(TDBGridGxImport)
 public:
  TCustomDBGridGx* Grid = nullptr;

  virtual void ImportFromStream(TStream* stream, bool forWholeGrid);
  void ImportFromFile(const std::string& fileName, bool forWholeGrid);

 protected:
  virtual void ReadPrefix() {}
  virtual void ReadSuffix() {}
  virtual void ReadRecord(const std::vector<TColumnGx*>& columns);
  virtual void ReadValue(TColumnGx* /*column*/) {}

  // Runs one assignment under the error question.
  template <class F>
  void Guarded(F&& assign);
  // Puts the edit state on the record; false when the data set takes no values.
  bool StartEdit();
  // Assigns a text to a column as a user would type it (lookups and key lists resolved).
  void AssignText(TColumnGx* column, const std::string& text);

  TStream* Stream = nullptr;
  std::vector<TColumnGx*> ImportColumns;
  bool SourceEnd = false;
  bool IgnoreErrors = false;

 private:
  void InsertLoop(TDataSet* ds, bool append);
};

// Tab-separated text: TAB between values, CR LF between lines; reading ends at the first zero
// character or at the end of the stream.
class TDBGridGxImportAsText : public TDBGridGxImport {
  FANO_CLASS(TDBGridGxImportAsText)
 public:
  void ImportFromStream(TStream* stream, bool forWholeGrid) override;

 protected:
  enum TReadState { rsChar, rsTab, rsLineEnd, rsEnd };
  void ReadPrefix() override { CheckState(); }
  void ReadRecord(const std::vector<TColumnGx*>& columns) override;
  void ReadValue(TColumnGx* column) override;

  // Reads one character into ch; false when none is left.
  virtual bool NextChar(char32_t& ch);
  virtual const char* ReaderName() const { return "TDBGridGxImportAsText"; }
  // Value as the module's text: the 8-bit reader's bytes are UTF-8 already.
  virtual std::string ValueText() const;
  void CheckState();
  void ReadText();

  char32_t Current = 0;
  TReadState State = rsChar;
  std::u32string Value;
};

class TDBGridGxImportAsUnicodeText : public TDBGridGxImportAsText {
  FANO_CLASS(TDBGridGxImportAsUnicodeText)
 protected:
  bool NextChar(char32_t& ch) override;
  const char* ReaderName() const override { return "TDBGridGxImportAsUnicodeText"; }
  std::string ValueText() const override;
};

class TDBGridGxImportAsGRIDBIF : public TDBGridGxImport {
  FANO_CLASS(TDBGridGxImportAsGRIDBIF)
 public:
  void ImportFromStream(TStream* stream, bool forWholeGrid) override;

 protected:
  void ReadPrefix() override;
  void ReadRecord(const std::vector<TColumnGx*>& columns) override;
  void ReadValue(TColumnGx* column) override;

 private:
  void ReadAhead();
  void ReadExact(void* buffer, int64_t count);
  int32_t ReadSize();

  int32_t columnCount_ = 0;
  Variant value_;
};

void ImportGridFromStream(TDBGridGxImport& importer, TCustomDBGridGx* grid, TStream* stream, bool forWholeGrid);
template <class T>
void ImportGridFromStream(TCustomDBGridGx* grid, TStream* stream, bool forWholeGrid) {
  T importer;
  ImportGridFromStream(importer, grid, stream, forWholeGrid);
}

// Appends the clipboard's block of the format to the stream (nothing when there is none).
void ClipboardToStream(UINT format, TStream* stream);
// Imports the best format the clipboard holds: "GRIDBIF", then UTF-16 text, then text.
void PasteFromClipboard(TCustomDBGridGx* grid, bool forWholeGrid);
