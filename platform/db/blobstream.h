#pragma once
// The stream a dataset hands out for a blob field: it starts with the field's value, and every
// write goes into the field at once, so that a refused value raises at the write that caused it.
#include "platform/db/fields.h"
#include "platform/rtl/streams.h"

class TDataSetBlobStream : public TMemoryStream {
  FANO_CLASS(TDataSetBlobStream)
 public:
  // A mode other than bmRead needs a field that can be written and a dataset in edit or insert
  // state ("Field '%s' cannot be modified", "Dataset not in edit or insert mode"). bmWrite
  // starts empty (and empties the field).
  TDataSetBlobStream(TField* field, TBlobStreamMode mode);

  int64_t Write(const void* buffer, int64_t count) override;
  void SetSize(int64_t newSize) override;
  TField* Field() const noexcept { return field_; }

 private:
  void Store();
  TField* field_;
  TBlobStreamMode mode_;
};
