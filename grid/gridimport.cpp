// Grid import formats and paste.
#include "grid/gridimport.h"

#include <cstring>

#include "grid/gridexport.h"
#include "platform/db/dataset.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/forms/clipbrd.h"
#include "platform/forms/dialogs.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_CLASS(TDBGridGxImport, TObject)
FANO_IMPLEMENT_CLASS(TDBGridGxImportAsText, TDBGridGxImport)
FANO_IMPLEMENT_CLASS(TDBGridGxImportAsUnicodeText, TDBGridGxImportAsText)
FANO_IMPLEMENT_CLASS(TDBGridGxImportAsGRIDBIF, TDBGridGxImport)

namespace {

TDataSet* ImportDataSet(TCustomDBGridGx* grid) { return grid ? grid->DataSet() : nullptr; }

constexpr const char* kBifError = "TDBGridGxImportAsGRIDBIF.ReadPrefix: Invalid GRIDBIF format";

}  // namespace

// ---------------------------------------------------------------- driver

void TDBGridGxImport::ImportFromStream(TStream* stream, bool forWholeGrid) {
  Stream = stream;
  SourceEnd = false;
  TDataSet* ds = ImportDataSet(Grid);
  if (!ds || !ds->Active()) return;
  if (forWholeGrid) {
    Grid->Selection()->Clear();
    ds->First();
    if (!Grid->VisibleColumns().empty()) Grid->SetCol(Grid->DataToRawColumn(Grid->VisibleColumns().front()->Index()));
  }
  const bool wasEof = ds->Eof();
  const bool inserting = ds->State() == dsInsert;
  bool restore = !inserting;
  if (restore) Grid->SaveBookmark();
  // The rows changed here are told when the controls come back: the selection is kept by its
  // records meanwhile.
  Grid->BeginKeepSelection();
  ds->DisableControls();
  try {
    const TDBGridGxSelectionType kind = Grid->Selection()->SelectionType();
    ImportColumns.clear();
    if (kind == gstNon) {
      // From the current column on, by place among all columns, the hidden ones left out.
      TDBGridColumnsGx* all = Grid->Columns();
      for (int i = std::max(0, Grid->SelectedIndex()); i < all->Count(); ++i)
        if (all->Items(i)->Visible()) ImportColumns.push_back(all->Items(i));
    } else {
      ImportColumns = SelectionColumns(Grid, kind);
    }
    ReadPrefix();
    if (inserting) {
      InsertLoop(ds, wasEof);
    } else {
      switch (kind) {
        case gstNon:
          Grid->RestoreBookmark();
          ForEachRecordFromCurrent(Grid, [&] { return SourceEnd; }, [&] { ReadRecord(ImportColumns); });
          // A read-only data set takes nothing, new records included, and says nothing.
          if (!SourceEnd && Grid->AllowedOperations().Contains(alopAppendGx) && ds->CanModify()) {
            restore = false;
            InsertLoop(ds, true);
          }
          break;
        default:
          ForEachSelectedRecord(Grid, kind, [&] { ReadRecord(ImportColumns); });
          break;
      }
    }
    // Going back posts the last record: a refusal is the import's error, the controls come back.
    if (restore) Grid->RestoreBookmark();
  } catch (...) {
    // The import stops where it stands: moving back would post the half record the error hit,
    // which the user must still be able to cancel. Only the controls come back.
    ds->EnableControls();
    Grid->EndKeepSelection();
    throw;
  }
  ds->EnableControls();
  Grid->EndKeepSelection();
  ReadSuffix();
}

void TDBGridGxImport::InsertLoop(TDataSet* ds, bool append) {
  while (!SourceEnd) {
    if (append) ds->Append();
    else ds->Insert();
    ReadRecord(ImportColumns);
    ds->Post();
    if (!append) ds->Next();
  }
}

void TDBGridGxImport::ImportFromFile(const std::string& fileName, bool forWholeGrid) {
  TFileStream file(fileName, fmOpenRead);
  ImportFromStream(&file, forWholeGrid);
}

void TDBGridGxImport::ReadRecord(const std::vector<TColumnGx*>& columns) {
  for (TColumnGx* c : columns) ReadValue(c);
}

bool TDBGridGxImport::StartEdit() {
  TDataSet* ds = ImportDataSet(Grid);
  if (ds->CanModify()) ds->Edit();
  return ds->State() == dsEdit || ds->State() == dsInsert;
}

template <class F>
void TDBGridGxImport::Guarded(F&& assign) {
  try {
    assign();
  } catch (const EAbort&) {
    throw;
  } catch (const Exception& e) {
    if (IgnoreErrors) return;
    const int answer = MessageDlg("Error during insert value:\n" + e.Message() + "\n\nIgnore error?", mtError,
                                  TMsgDlgButtons{mbYes, mbNo, mbAll}, 0);
    if (answer == mrNo) Abort();
    if (answer == mrAll) IgnoreErrors = true;
  }
}

void TDBGridGxImport::AssignText(TColumnGx* column, const std::string& text) {
  if (!column->CanModify(false)) return;
  TField* field = column->Field();
  if (!field) return;
  if (field->FieldKind() == fkLookup && field->KeyFields().empty()) return;
  Guarded([&] {
    if (!StartEdit()) return;
    TDataSet* ds = ImportDataSet(Grid);
    if (field->FieldKind() == fkLookup) {
      TDataSet* lookup = field->LookupDataSet();
      if (!lookup || !lookup->Locate(field->LookupResultField(), Variant(text), {loCaseInsensitive, loPartialKey}))
        return;
      const std::vector<std::string> keys = SplitString(field->KeyFields(), ';');
      const std::vector<std::string> lookupKeys = SplitString(field->LookupKeyFields(), ';');
      for (size_t i = 0; i < keys.size() && i < lookupKeys.size(); ++i) {
        TField* target = ds->FindField(Trim(keys[i]));
        TField* source = lookup->FindField(Trim(lookupKeys[i]));
        if (target && source) target->SetValue(source->Value());
      }
    } else if (column->HasKeyList() && column->HasPickList()) {
      const int index = column->PickList()->IndexOf(text);
      if (index < 0 || index >= column->KeyList()->Count()) field->Clear();
      else field->SetAsString(column->KeyList()->Strings(index));
    } else {
      field->SetAsString(text);
    }
  });
}

void ImportGridFromStream(TDBGridGxImport& importer, TCustomDBGridGx* grid, TStream* stream, bool forWholeGrid) {
  importer.Grid = grid;
  importer.ImportFromStream(stream, forWholeGrid);
}

// ---------------------------------------------------------------- text

void TDBGridGxImportAsText::ImportFromStream(TStream* stream, bool forWholeGrid) {
  IgnoreErrors = false;
  State = rsChar;
  TDBGridGxImport::ImportFromStream(stream, forWholeGrid);
}

bool TDBGridGxImportAsText::NextChar(char32_t& ch) {
  unsigned char b = 0;
  if (Stream->Read(&b, 1) < 1) return false;
  ch = b;
  return true;
}

bool TDBGridGxImportAsUnicodeText::NextChar(char32_t& ch) {
  char16_t u = 0;
  if (Stream->Read(&u, 2) < 2) return false;
  ch = u;
  return true;
}

void TDBGridGxImportAsText::CheckState() {
  char32_t ch = 0;
  // The clipboard's block may run past the text: the first zero character ends it.
  if (!NextChar(ch) || ch == 0) {
    State = rsEnd;
    SourceEnd = true;
    return;
  }
  Current = ch;
  if (ch == 9) {
    State = rsTab;
  } else if (ch == 13) {
    char32_t lf = 0;
    if (!NextChar(lf) || lf != 10) throw Exception(std::string(ReaderName()) + ".CheckState: Invalid text format");
    State = rsLineEnd;
  } else {
    State = rsChar;
  }
}

void TDBGridGxImportAsText::ReadText() {
  Value.assign(1, Current);
  CheckState();
  while (State == rsChar) {
    Value += Current;
    CheckState();
  }
  if (State == rsTab) CheckState();
}

void TDBGridGxImportAsText::ReadRecord(const std::vector<TColumnGx*>& columns) {
  if (State == rsEnd) return;
  size_t counter = 0;
  if (State == rsChar) {
    ReadText();
    if (!columns.empty()) ReadValue(columns[0]);
    counter = 1;
  } else if (State == rsTab) {
    // A line that starts with TAB leaves its first column as it is.
    CheckState();
    counter = 1;
  }
  while (State != rsLineEnd && State != rsEnd) {
    if (State == rsTab) {
      Value.clear();
      CheckState();
    } else {
      ReadText();
    }
    if (counter < columns.size()) ReadValue(columns[counter]);
    ++counter;
  }
  if (State == rsLineEnd) CheckState();
}

void TDBGridGxImportAsText::ReadValue(TColumnGx* column) { AssignText(column, ValueText()); }

// Each character read is one code unit of the source: a byte here, a UTF-16 unit below, so that a
// character of several units comes out whole.
std::string TDBGridGxImportAsText::ValueText() const {
  std::string bytes;
  bytes.reserve(Value.size());
  for (char32_t c : Value) bytes += static_cast<char>(c);
  return bytes;
}

std::string TDBGridGxImportAsUnicodeText::ValueText() const {
  std::u16string units;
  units.reserve(Value.size());
  for (char32_t c : Value) units += static_cast<char16_t>(c);
  return Utf16ToUtf8(units);
}

// ---------------------------------------------------------------- GRIDBIF

void TDBGridGxImportAsGRIDBIF::ImportFromStream(TStream* stream, bool forWholeGrid) {
  IgnoreErrors = false;
  value_.Clear();
  columnCount_ = 0;
  TDBGridGxImport::ImportFromStream(stream, forWholeGrid);
}

void TDBGridGxImportAsGRIDBIF::ReadExact(void* buffer, int64_t count) {
  if (count > 0 && Stream->Read(buffer, count) < count) throw Exception(kBifError);
}

// A stored size: never negative and never more than the bytes left.
int32_t TDBGridGxImportAsGRIDBIF::ReadSize() {
  int32_t n = 0;
  ReadExact(&n, 4);
  if (n < 0 || n > Stream->Size() - Stream->Position()) throw Exception(kBifError);
  return n;
}

void TDBGridGxImportAsGRIDBIF::ReadPrefix() {
  char sig[8];
  ReadExact(sig, 8);
  if (std::memcmp(sig, "GRIDBIF", 7) != 0) throw Exception(kBifError);
  // Each column takes at least two bytes (flag and name terminator).
  columnCount_ = ReadSize();
  if (columnCount_ > (Stream->Size() - Stream->Position()) / 2) throw Exception(kBifError);
  for (int32_t i = 0; i < columnCount_; ++i) {
    uint8_t b = 0;
    ReadExact(&b, 1);  // visible flag, not used
    do ReadExact(&b, 1);
    while (b != 0);
  }
  // Without columns a record takes no values, so none could ever end the source: it holds none.
  if (columnCount_ == 0) {
    SourceEnd = true;
    return;
  }
  ReadAhead();
}

void TDBGridGxImportAsGRIDBIF::ReadAhead() {
  if (SourceEnd) return;
  uint8_t tag = 0;
  ReadExact(&tag, 1);
  value_.Clear();
  switch (tag) {
    case gbtEnd: SourceEnd = true; break;
    case gbtNull: value_ = Null(); break;
    case gbtInteger: {
      int32_t v = 0;
      ReadExact(&v, 4);
      value_ = Variant(v);
      break;
    }
    case gbtFloat: {
      double v = 0;
      ReadExact(&v, 8);
      value_ = Variant(v);
      break;
    }
    case gbtAnsi:
    case gbtBinary: {
      std::string s(static_cast<size_t>(ReadSize()), '\0');
      ReadExact(s.data(), static_cast<int64_t>(s.size()));
      value_ = Variant(std::move(s));
      break;
    }
    case gbtWide: {
      const int32_t bytes = ReadSize();
      std::u16string w(static_cast<size_t>(bytes / 2), u'\0');
      ReadExact(w.data(), static_cast<int64_t>(w.size() * 2));
      if (bytes % 2) {
        char odd = 0;
        ReadExact(&odd, 1);
      }
      value_ = Variant(Utf16ToUtf8(w));
      break;
    }
    default: break;
  }
}

void TDBGridGxImportAsGRIDBIF::ReadRecord(const std::vector<TColumnGx*>& columns) {
  for (int32_t i = 0; i < columnCount_; ++i)
    ReadValue(static_cast<size_t>(i) < columns.size() ? columns[static_cast<size_t>(i)] : nullptr);
}

void TDBGridGxImportAsGRIDBIF::ReadValue(TColumnGx* column) {
  if (!value_.IsEmpty() && column && column->CanModify(false)) {
    TField* field = column->Field();
    if (field) {
      TDataSet* ds = ImportDataSet(Grid);
      if (field->FieldKind() == fkLookup) {
        TStringList items;
        items.SetCommaText(VarToStr(value_));
        const std::vector<std::string> keys = SplitString(field->KeyFields(), ';');
        for (int i = 0; i < items.Count() && static_cast<size_t>(i) < keys.size(); ++i) {
          TField* key = ds->FindField(Trim(keys[static_cast<size_t>(i)]));
          if (!key) continue;
          Guarded([&] {
            if (StartEdit()) key->SetAsString(items.Strings(i));
          });
        }
      } else {
        Guarded([&] {
          if (StartEdit()) field->SetValue(value_);
        });
      }
    }
  }
  ReadAhead();
}

// ---------------------------------------------------------------- clipboard

void ClipboardToStream(UINT format, TStream* stream) {
  TClipboard* cb = Clipboard();
  cb->Open();
  try {
    HANDLE h = cb->GetAsHandle(format);
    if (h) {
      if (const void* p = GlobalLock(h)) {
        const size_t size = GlobalSize(h);
        try {
          stream->WriteBuffer(p, static_cast<int64_t>(size));
        } catch (...) {
          GlobalUnlock(h);
          throw;
        }
        GlobalUnlock(h);
      }
    }
  } catch (...) {
    cb->Close();
    throw;
  }
  cb->Close();
}

void PasteFromClipboard(TCustomDBGridGx* grid, bool forWholeGrid) {
  TClipboard* cb = Clipboard();
  cb->Open();
  try {
    TMemoryStream stream;
    if (cb->HasFormat(ClipboardFormatGRIDBIF())) {
      ClipboardToStream(ClipboardFormatGRIDBIF(), &stream);
      stream.SetPosition(0);
      ImportGridFromStream<TDBGridGxImportAsGRIDBIF>(grid, &stream, forWholeGrid);
    } else if (cb->HasFormat(CF_UNICODETEXT)) {
      ClipboardToStream(CF_UNICODETEXT, &stream);
      stream.SetPosition(0);
      ImportGridFromStream<TDBGridGxImportAsUnicodeText>(grid, &stream, forWholeGrid);
    } else if (cb->HasFormat(CF_TEXT)) {
      ClipboardToStream(CF_TEXT, &stream);
      // The platform's code page back to UTF-8, up to the terminating zero.
      const std::string_view bytes(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
      const std::string text = Cp936ToUtf8(bytes.substr(0, bytes.find('\0')));
      stream.Clear();
      stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
      stream.WriteBuffer("", 1);
      stream.SetPosition(0);
      ImportGridFromStream<TDBGridGxImportAsText>(grid, &stream, forWholeGrid);
    }
  } catch (...) {
    cb->Close();
    throw;
  }
  cb->Close();
}
