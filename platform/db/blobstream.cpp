#include "platform/db/blobstream.h"

#include "platform/db/dataset.h"
#include "platform/db/dbconsts.h"

FANO_IMPLEMENT_ABSTRACT(TDataSetBlobStream, TMemoryStream)

TDataSetBlobStream::TDataSetBlobStream(TField* field, TBlobStreamMode mode) : field_(field), mode_(mode) {
  TDataSet* ds = field->DataSet();
  if (!ds) DatabaseErrorFmt(SDataSetMissing, {field->DisplayName()});
  if (mode != bmRead) {
    if (field->ReadOnly()) DatabaseErrorFmt(SFieldReadOnly, {field->DisplayName()}, ds);
    if (!dsEditModes.Contains(ds->State())) DatabaseError(SNotEditing, ds);
  }
  if (mode == bmWrite) {
    field->Clear();
    return;
  }
  std::string data = field->AsString();
  if (!data.empty()) {
    TMemoryStream::Write(data.data(), static_cast<int64_t>(data.size()));
    Seek(0, soFromBeginning);
  }
}

void TDataSetBlobStream::Store() {
  std::string data(static_cast<const char*>(Memory()), static_cast<size_t>(Size()));
  if (data.empty())
    field_->Clear();
  else
    field_->SetAsString(data);
  if (auto* blob = dynamic_cast<TBlobField*>(field_)) blob->SetModified(true);
}

int64_t TDataSetBlobStream::Write(const void* buffer, int64_t count) {
  if (mode_ == bmRead) return 0;
  int64_t n = TMemoryStream::Write(buffer, count);
  if (n > 0) Store();
  return n;
}

void TDataSetBlobStream::SetSize(int64_t newSize) {
  if (mode_ == bmRead) return;
  TMemoryStream::SetSize(newSize);
  Store();
}
