#include "protocol/cvprotocol.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_CLASS(TCvParam, TPersistent)
FANO_IMPLEMENT_CLASS(TCvParams, TPersistent)
FANO_IMPLEMENT_CLASS(TCvTable, TPersistent)
FANO_IMPLEMENT_CLASS(TCvTables, TPersistent)
FANO_IMPLEMENT_CLASS(TCvProtocol, TPersistent)

std::string_view CvTypeWord(uint8_t code) noexcept {
  static constexpr std::string_view words[] = {"string", "integer", "double", "float", "datetime", "date", "time"};
  return code <= CvType::Time ? words[code] : std::string_view();
}

// ---------------------------------------------------------------- parameters

void TCvParam::SetAsString(std::string_view v) {
  value_.assign(v);
  dataType_ = CvType::String;
}

int32_t TCvParam::AsInteger() const {
  int32_t v = 0;
  return TryStrToInt(value_, v) ? v : 0;
}

void TCvParam::SetAsInteger(int32_t v) {
  value_ = IntToStr(v);
  dataType_ = CvType::Integer;
}

void TCvParam::SetAsFloat(double v) {
  value_ = FloatToStr(v, TFormatSettings::Invariant());
  dataType_ = CvType::Double;
}

template <class T>
T* TCvOwnedList<T>::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return items_[static_cast<size_t>(index)].get();
}

template class TCvOwnedList<TCvParam>;
template class TCvOwnedList<TCvTable>;

// ---------------------------------------------------------------- tables

void TCvTable::CopyFrom(TMemTableGx* target, TMemTableGx* source) {
  ResetRowIndex();
  target->Close();
  target->Fields().Clear();
  target->FieldDefs().Clear();
  if (!source) return;
  if (source->FieldDefs().Count() == 0 && source->Active()) source->FieldDefs().Update();
  target->FieldDefs().Assign(&source->FieldDefs());
  target->SetCvTableName(UpperCase(source->CvTableName()));
  target->SetFKName(UpperCase(source->FKName()));
  target->SetPKName(UpperCase(source->PKName()));
  target->CreateDataSet();
  // The flags go with the column of the same name, so that a calculated or lookup field of the
  // form's table cannot shift them onto the wrong column.
  for (TField* f : target->Fields()) {
    if (const TField* s = source->FindField(f->FieldName())) {
      f->SetIsKey(s->IsKey());
      f->SetIsJoin(s->IsJoin());
      f->SetNotNull(s->NotNull());
    }
  }
  target->SetCachedUpdates(true);
}

void TCvTable::SetData(TMemTableGx* source) {
  CopyFrom(data_.get(), source);
  if (!source) return;
  if (isChild_) {
    data_->AppendRecordsFrom(source);
    return;
  }
  switch (copyMode_) {
    case 0: data_->AppendRecordsFrom(source); break;
    case 1: data_->AppendChangedRecordsFrom(source); break;
    case 2: data_->AppendCurrentRecordFrom(source); break;
    default: break;
  }
}

void TCvTable::SetDelta(TMemTableGx* source) {
  CopyFrom(delta_.get(), source);
  if (source) delta_->AppendRecordsFrom(source);
}

TCvTable* TCvTable::AddChild(TMemTableGx* detailData, TMemTableGx* detailDelta) {
  children_.push_back(std::make_unique<TCvTable>());
  TCvTable* child = children_.back().get();
  child->isChild_ = true;
  child->parent_ = this;
  child->deleteMode_ = deleteMode_;
  child->SetData(detailData);
  child->SetDelta(detailDelta);
  return child;
}

TCvTable* TCvTable::GetChild(int index) const {
  if (index < 0 || index >= GetChildCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return children_[static_cast<size_t>(index)].get();
}

void TCvTable::ClearChildren() noexcept {
  for (auto& child : children_) child.reset();
  children_.clear();
}

void TCvTable::CopyDataTo(TMemTableGx* target) {
  if (!target || !data_->Active() || data_->RecordCount() == 0) return;
  data_->First();
  target->LoadFromDataSet(data_.get(), data_->RecordCount(), 1, false);
}

bool TCvTable::HasRows() const {
  return (data_->Active() && data_->RecordCount() > 0) || (delta_->Active() && delta_->RecordCount() > 0);
}

// ---------------------------------------------------------------- protocol

TCvProtocol::TCvProtocol()
    : params_(std::make_unique<TCvParams>()),
      tables_(std::make_unique<TCvTables>()),
      variables_(std::make_unique<TCvParams>()) {}

TCvProtocol::~TCvProtocol() {
  params_.reset();
  tables_.reset();
  variables_.reset();
  ClearRowIds();
}

void TCvProtocol::SetCopyMode(uint8_t v) {
  if (v == copyMode_) return;
  copyMode_ = v;
  for (int i = 0; i < tables_->Count(); ++i) tables_->Items(i)->SetCopyMode(v);
}

int TCvProtocol::AddParam() { return params_->Add(); }

int TCvProtocol::AddTable() {
  const int index = tables_->Add();
  TCvTable* t = tables_->Items(index);
  t->SetDeleteMode(deleteMode_);
  t->SetCopyMode(copyMode_);
  return index;
}

int TCvProtocol::AddRowId() {
  rowIds_.push_back(std::make_unique<TCvRowId>());
  return GetRowIdCount() - 1;
}

TCvRowId* TCvProtocol::GetRowId(int index) const {
  if (index < 0 || index >= GetRowIdCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return rowIds_[static_cast<size_t>(index)].get();
}

void TCvProtocol::Clear() {
  ClearParams();
  ClearTables();
  ClearVariables();
}

void TCvProtocol::ClearRowIds() noexcept {
  for (auto& r : rowIds_) r.reset();
  rowIds_.clear();
}
