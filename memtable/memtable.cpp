#include "memtable/memtable.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <typeinfo>
#include <unordered_set>

#include "editors/tools/gxplatform.h"
#include "memtable/aggregates.h"
#include "memtable/mtindex.h"
#include "memtable/treelist.h"
#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/db/dbconsts.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_ABSTRACT(TMasterDataLinkGx, TMasterDataLink)
FANO_IMPLEMENT_CLASS(TMemTableTreeListGx, TPersistent)
FANO_IMPLEMENT_CLASS(TMTOrderByList, TOrderByList)
FANO_IMPLEMENT_COMPONENT(TRefObjectField, TField)
FANO_IMPLEMENT_ABSTRACT(TMemBlobStreamGx, TDataSetBlobStream)
FANO_IMPLEMENT_ABSTRACT(TMemTableDataFieldValueListGx, TObject)
FANO_IMPLEMENT_ABSTRACT(TCustomMemTableGx, TDataSet)
FANO_IMPLEMENT_CLASS_WITH(TMemTableOwnDataGx, TMemTableDataGx, [](TObject*) -> TObject* {
  // Inside a table's block the block is that table's own store.
  if (TCustomMemTableGx* table = TCustomMemTableGx::ReadingTable()) return table->MemTableData();
  return new TMemTableOwnDataGx(nullptr);
})
FANO_IMPLEMENT_COMPONENT(TMemTableGx, TCustomMemTableGx)

FANO_ENUM_NAMES(TMasterDetailSideGx, "mdsOnSelfGx", "mdsOnProviderGx", "mdsOnSelfAfterProviderGx");

FANO_PUBLISHED(TMemTableTreeListGx, p) {
  p.Property("Active", &TMemTableTreeListGx::Active, &TMemTableTreeListGx::SetActive).Default(false);
  p.Property("KeyFieldName", &TMemTableTreeListGx::KeyFieldName, &TMemTableTreeListGx::SetKeyFieldName);
  p.Property("RefParentFieldName", &TMemTableTreeListGx::RefParentFieldName,
             &TMemTableTreeListGx::SetRefParentFieldName);
  p.Property("DefaultNodeExpanded", &TMemTableTreeListGx::DefaultNodeExpanded,
             &TMemTableTreeListGx::SetDefaultNodeExpanded)
      .Default(false);
  p.Property("DefaultNodeHasChildren", &TMemTableTreeListGx::DefaultNodeHasChildren,
             &TMemTableTreeListGx::SetDefaultNodeHasChildren)
      .Default(false);
  p.Property("FullBuildCheck", &TMemTableTreeListGx::FullBuildCheck, &TMemTableTreeListGx::SetFullBuildCheck)
      .Default(true);
  p.Property("FilterNodeIfParentVisible", &TMemTableTreeListGx::FilterNodeIfParentVisible,
             &TMemTableTreeListGx::SetFilterNodeIfParentVisible)
      .Default(true);
}

FANO_PUBLISHED(TMemTableGx, p) {
  p.Property("AggregatesActive", &TMemTableGx::AggregatesActive, &TMemTableGx::SetAggregatesActive).Default(false);
  p.Property("AutoIncrement", &TMemTableGx::AutoIncrement);
  p.Property("CachedUpdates", &TMemTableGx::CachedUpdates, &TMemTableGx::SetCachedUpdates).Default(false);
  p.Property("DataDriver", &TMemTableGx::DataDriver, &TMemTableGx::SetDataDriver);
  p.Property("DetailFields", &TMemTableGx::DetailFields, &TMemTableGx::SetDetailFields);
  p.Property("MasterFields", &TMemTableGx::MasterFields, &TMemTableGx::SetMasterFields);
  p.Property("MasterSource", &TMemTableGx::MasterSource, &TMemTableGx::SetMasterSource);
  p.Property("MasterDetailSide", &TMemTableGx::MasterDetailSide, &TMemTableGx::SetMasterDetailSide)
      .Default(mdsOnSelfGx);
  p.Property("ExternalMemData", &TMemTableGx::ExternalMemData, &TMemTableGx::SetExternalMemData);
  p.Property("FetchAllOnOpen", &TMemTableGx::FetchAllOnOpen, &TMemTableGx::SetFetchAllOnOpen).Default(false);
  p.Property("IndexDefs", &TMemTableGx::IndexDefs);
  p.Property("Params", &TMemTableGx::Params);
  p.Property("ReadOnly", &TMemTableGx::ReadOnly, &TMemTableGx::SetReadOnly).Default(false);
  p.Property("SortOrder", &TMemTableGx::SortOrder, &TMemTableGx::SetSortOrder);
  p.Property("StoreDefs", &TMemTableGx::StoreDefs, &TMemTableGx::SetStoreDefs).Default(false);
  p.Property("TreeList", &TMemTableGx::TreeList);
  p.Property("OnGetFieldValue", &TMemTableGx::OnGetFieldValue);
  p.Property("OnSetFieldValue", &TMemTableGx::OnSetFieldValue);
  p.Property("CvTableName", &TMemTableGx::CvTableName, &TMemTableGx::SetCvTableName);
  p.Property("FKName", &TMemTableGx::FKName, &TMemTableGx::SetFKName);
  p.Property("PKName", &TMemTableGx::PKName, &TMemTableGx::SetPKName);
}

namespace {

// Runs a step when the scope ends: on the normal path its error passes on; while another error
// unwinds, its own is dropped (the first error is the one that tells what went wrong).
class Finally {
 public:
  explicit Finally(std::function<void()> step) : step_(std::move(step)), exceptions_(std::uncaught_exceptions()) {}
  Finally(const Finally&) = delete;
  Finally& operator=(const Finally&) = delete;
  ~Finally() noexcept(false) {
    if (std::uncaught_exceptions() > exceptions_) {
      try {
        step_();
      } catch (...) {
      }
    } else {
      step_();
    }
  }

 private:
  std::function<void()> step_;
  int exceptions_;
};

int32_t BookmarkValue(const Byte* data) noexcept {
  int32_t v;
  std::memcpy(&v, data, sizeof v);
  return v;
}

int32_t BookmarkValue(const TBookmark& bm) noexcept { return bm.size() >= 4 ? BookmarkValue(bm.data()) : 0; }

TBookmark MakeBookmark(int32_t value) {
  TBookmark bm(4);
  std::memcpy(bm.data(), &value, 4);
  return bm;
}

bool IsTextField(const TField* f) noexcept { return dynamic_cast<const TStringField*>(f) != nullptr; }

// The element of a key for the i-th of n fields.
const Variant* KeyElement(const Variant& keys, size_t i, size_t n) {
  if (n == 1) return &keys;
  if (!keys.IsArray() || keys.ArrayCount() < static_cast<int>(n)) return nullptr;
  return &keys.GetElement(keys.ArrayLowBound() + static_cast<int>(i));
}

// Text match of Locate: the stored text cut to the key's length with loPartialKey, compared
// ignoring case (locale) with loCaseInsensitive, else exactly.
bool TextMatches(const Variant& value, const Variant& key, TLocateOptions options) {
  std::string v = VarToStrGx(value);
  std::string k = VarToStrGx(key);
  if (options.Contains(loPartialKey)) v = Utf8Left(v, Utf8CharCount(k));
  if (options.Contains(loCaseInsensitive)) return AnsiCompareTextGx(v, k) == 0;
  return v == k;
}

}  // namespace

// ================================================================ small classes

bool TSortedVarlistGx::FindKeyValueIndex(const Variant& value, int& pos) const {
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    // Values the platform cannot compare are reported as this list's own error.
    const TVariantRelationship r = TMTIndexGx::CompareKeys(items_[static_cast<size_t>(mid)], value);
    if (r == vrNotEqual) throw Exception(SSortedVarlistNotComparable);
    if (r == vrLessThan) {
      lo = mid + 1;
    } else {
      // Equal items go on to the left: the search ends on the first of them.
      if (r == vrEqual) found = true;
      hi = mid - 1;
    }
  }
  pos = lo;
  return found;
}

int TSortedVarlistGx::Add(const Variant& value) {
  int pos = 0;
  FindKeyValueIndex(value, pos);
  items_.insert(items_.begin() + pos, value);
  return pos;
}

TMasterDataLinkGx::TMasterDataLinkGx(TCustomMemTableGx* table) : TMasterDataLink(table), table_(table) {}

// ---- tree settings

TPersistent* TMemTableTreeListGx::GetOwner() const { return table_; }

bool TMemTableTreeListGx::Active() const {
  if (!table_) return loadingActive_;
  if (table_->InState(csLoading)) return loadingActive_;
  return table_->view_->ViewAsTreeList();
}

void TMemTableTreeListGx::SetActive(bool value) {
  if (!table_ || table_->InState(csLoading)) {
    loadingActive_ = value;
    return;
  }
  table_->SetTreeActive(value);
}

std::string TMemTableTreeListGx::KeyFieldName() const { return table_ ? table_->view_->KeyFieldName() : std::string(); }
void TMemTableTreeListGx::SetKeyFieldName(const std::string& value) {
  if (!table_) return;
  table_->view_->SetTreeKeyFieldName(value);
  table_->RebuildTree();
}
std::string TMemTableTreeListGx::RefParentFieldName() const {
  return table_ ? table_->view_->RefParentFieldName() : std::string();
}
void TMemTableTreeListGx::SetRefParentFieldName(const std::string& value) {
  if (!table_) return;
  table_->view_->SetTreeRefParentFieldName(value);
  table_->RebuildTree();
}
bool TMemTableTreeListGx::DefaultNodeExpanded() const {
  return table_ && table_->view_->TreeList()->DefaultNodeExpanded();
}
void TMemTableTreeListGx::SetDefaultNodeExpanded(bool value) {
  if (table_) table_->view_->TreeList()->SetDefaultNodeExpanded(value);
}
bool TMemTableTreeListGx::DefaultNodeHasChildren() const {
  return table_ && table_->view_->TreeList()->DefaultNodeHasChildren();
}
void TMemTableTreeListGx::SetDefaultNodeHasChildren(bool value) {
  if (table_) table_->view_->TreeList()->SetDefaultNodeHasChildren(value);
}
bool TMemTableTreeListGx::FullBuildCheck() const { return !table_ || table_->view_->TreeList()->FullBuildCheck(); }
void TMemTableTreeListGx::SetFullBuildCheck(bool value) {
  if (table_) table_->view_->TreeList()->SetFullBuildCheck(value);
}
bool TMemTableTreeListGx::FilterNodeIfParentVisible() const {
  return !table_ || table_->view_->TreeList()->FilterNodeIfParentVisible();
}
void TMemTableTreeListGx::SetFilterNodeIfParentVisible(bool value) {
  if (table_) table_->view_->TreeList()->SetFilterNodeIfParentVisible(value);
}

void TMemTableTreeListGx::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TMemTableTreeListGx*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  SetKeyFieldName(other->KeyFieldName());
  SetRefParentFieldName(other->RefParentFieldName());
  SetDefaultNodeExpanded(other->DefaultNodeExpanded());
  SetDefaultNodeHasChildren(other->DefaultNodeHasChildren());
  SetFullBuildCheck(other->FullBuildCheck());
  SetFilterNodeIfParentVisible(other->FilterNodeIfParentVisible());
  SetActive(other->Active());
}

namespace {

void SetExpandedAll(TBaseTreeNodeGx* node, bool expanded) {
  for (TBaseTreeNodeGx* child : std::vector<TBaseTreeNodeGx*>(node->Children())) {
    child->SetExpanded(expanded);
    SetExpandedAll(child, expanded);
  }
}

}  // namespace

void TMemTableTreeListGx::FullExpand() {
  if (!table_) return;
  TCustomMemTableGx& t = *table_;
  t.DisableControls();
  {
    Finally enable([&] { t.EnableControls(); });
    TMemoryTreeListGx* tree = t.view_->TreeList();
    SetExpandedAll(tree->Root(), true);
    tree->BuildVisibleItems();
  }
  if (t.Active() && t.State() == dsBrowse) t.Resync({});
}

void TMemTableTreeListGx::FullCollapse() {
  if (!table_) return;
  TCustomMemTableGx& t = *table_;
  TMemoryRecordGx* current = nullptr;
  if (TRecBuf* buf = t.CurrentRecBuf()) current = buf->MemoryRecord;
  t.DisableControls();
  {
    Finally enable([&] { t.EnableControls(); });
    TMemoryTreeListGx* tree = t.view_->TreeList();
    SetExpandedAll(tree->Root(), false);
    tree->BuildVisibleItems();
  }
  // The current row may now be hidden in a collapsed node: its top-level ancestor stands for it.
  if (t.Active() && current && t.PositionOf(current) < 0) {
    if (TMemRecViewGx* node = t.view_->TreeList()->FindRecordNode(current)) {
      while (node->NodeParent() && node->NodeParent() != t.view_->TreeList()->RootNode()) node = node->NodeParent();
      current = node->Rec();
    }
  }
  t.RestoreCurrentRecord(current);
}

bool TMemTableTreeListGx::Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options) {
  if (!table_) return false;
  TCustomMemTableGx& t = *table_;
  t.CheckBrowseMode();
  if (t.IsEmpty() || !t.view_->ViewAsTreeList()) return false;
  std::vector<TField*> fields = t.GetFieldList(keyFields);
  const bool single = keyFields.find(';') == std::string_view::npos;
  TMemoryTreeListGx* tree = t.view_->TreeList();
  TMemRecViewGx* hit = nullptr;
  for (TMemRecViewGx* node : std::vector<TMemRecViewGx*>(tree->AllVisibleItems())) {
    TMemoryRecordGx* rec = node->Rec();
    bool match = true;
    for (size_t i = 0; i < fields.size() && match; ++i) {
      const Variant* key = KeyElement(keyValues, i, fields.size());
      if (!key) {
        match = false;
        break;
      }
      Variant value = t.RecordFieldValue(rec, fields[i]);
      if (!options.Empty() && single)
        match = TextMatches(value, *key, options);
      else
        match = VariantsEqual(value, *key);
    }
    if (match) {
      hit = node;
      break;
    }
  }
  if (!hit) return false;
  for (TMemRecViewGx* n = hit; n && n != tree->RootNode(); n = n->NodeParent()) n->SetNodeExpanded(true);
  tree->BuildVisibleItems();
  return t.LocateRecord(hit->Rec());
}

// ---- object-reference field

TRefObjectField::TRefObjectField(TComponent* owner) : TField(owner) { SetDataType(ftUnknown); }

TObject* TRefObjectField::AsObject() const {
  auto* t = dynamic_cast<TCustomMemTableGx*>(DataSet());
  if (!t) DatabaseErrorFmt(SRefObjectFieldNoDataSet, {DisplayName()});
  TObject* obj = nullptr;
  return t->GetFieldDataAsObject(const_cast<TRefObjectField*>(this), obj) ? obj : nullptr;
}

void TRefObjectField::SetAsObject(TObject* value) {
  auto* t = dynamic_cast<TCustomMemTableGx*>(DataSet());
  if (!t) DatabaseErrorFmt(SRefObjectFieldNoDataSet, {DisplayName()});
  t->SetFieldDataAsObject(this, value);
}

Variant TRefObjectField::GetAsVariant() const {
  TObject* obj = AsObject();
  return obj ? Variant::FromPointer(obj) : Null();
}

void TRefObjectField::SetAsVariant(const Variant& value) {
  if (VarIsNullOrEmpty(value)) {
    SetAsObject(nullptr);
    return;
  }
  SetAsObject(static_cast<TObject*>(value.AsPointer()));
}

// ---- blob stream

namespace {
TField* CheckedBlobField(TField* field) {
  if (field && !field->IsBlob()) DatabaseErrorFmt(SFieldNotBlob, {field->DisplayName()}, field->DataSet());
  return field;
}
}  // namespace

TMemBlobStreamGx::TMemBlobStreamGx(TField* field, TBlobStreamMode mode)
    : TDataSetBlobStream(CheckedBlobField(field), mode), wide_(field && field->DataType() == ftWideMemo), mode_(mode) {
  if (!wide_ || mode == bmWrite) return;
  // The text read as UTF-16 in place of its UTF-8 bytes.
  const std::u16string text = field->AsWideString();
  TMemoryStream::SetSize(0);
  TMemoryStream::Write(text.data(), static_cast<int64_t>(text.size() * sizeof(char16_t)));
  Seek(0, soFromBeginning);
}

int64_t TMemBlobStreamGx::Write(const void* buffer, int64_t count) {
  if (!wide_) return TDataSetBlobStream::Write(buffer, count);
  if (mode_ == bmRead) return 0;
  const int64_t n = TMemoryStream::Write(buffer, count);
  if (n > 0) StoreWide();
  return n;
}

void TMemBlobStreamGx::SetSize(int64_t newSize) {
  if (!wide_) return TDataSetBlobStream::SetSize(newSize);
  if (mode_ == bmRead) return;
  TMemoryStream::SetSize(newSize);
  StoreWide();
}

void TMemBlobStreamGx::StoreWide() {
  // Whole UTF-16 units only: a half written so far waits for its other byte.
  std::u16string text(static_cast<size_t>(Size()) / sizeof(char16_t), u'\0');
  if (!text.empty()) std::memcpy(text.data(), Memory(), text.size() * sizeof(char16_t));
  Field()->SetAsWideString(text);
}

// ---- distinct values

TMemTableDataFieldValueListGx::TMemTableDataFieldValueListGx(TMemTableDataGx* store, const std::string& fieldName)
    : fieldName_(fieldName),
      store_(store),
      values_(std::make_unique<TStringList>()),
      notificator_(new TRecordsListNotificatorGx(nullptr)) {
  notificator_->OnRecordChange = [this](TMemoryRecordGx*, int, int) { changed_ = true; };
  notificator_->OnRecordMoved = [this](TMemoryRecordGx*, int, int) { changed_ = true; };
  notificator_->SetMemTableData(store);
}

TMemTableDataFieldValueListGx::~TMemTableDataFieldValueListGx() {
  notificator_->SetMemTableData(nullptr);
  notificator_->Free();
}

TStrings* TMemTableDataFieldValueListGx::GetValues() {
  if (changed_) Rebuild();
  return values_.get();
}

void TMemTableDataFieldValueListGx::Rebuild() {
  values_->Clear();
  changed_ = false;
  // The store went away: nothing to list.
  if (!notificator_->Source()) return;
  TMTDataFieldGx* column = store_->DataStruct()->FindField(fieldName_);
  if (!column) return;
  TRecordsListGx* list = store_->RecordsList();
  if (!dynamic_cast<TMTStringDataFieldGx*>(column)) {
    // The keys of a temporary index, in key order, without repeating a text.
    TMTIndexesGx indexes(list);
    TMTIndexGx* index = indexes.Add();
    index->SetFields(column->FieldName());
    index->SetActive(true);
    std::string previous;
    bool first = true;
    for (int i = 0; i < index->Count(); ++i) {
      const TIndexItemGx& item = index->Items(i);
      TMemoryRecordGx* rec = list->Records()[static_cast<size_t>(item.RecIndex)];
      if (rec->UpdateStatus() == usDeleted) continue;
      std::string text = VarToStrGx(item.KeyValue);
      if (!first && text == previous) continue;
      values_->Add(text);
      previous = std::move(text);
      first = false;
    }
    return;
  }
  values_->SetSorted(true);
  values_->SetDuplicates(dupIgnore);
  const int col = store_->DataStruct()->FieldIndex(column->FieldName());
  values_->BeginUpdate();
  Finally end([&] { values_->EndUpdate(); });
  for (TMemoryRecordGx* rec : list->Records())
    if (rec->UpdateStatus() != usDeleted) values_->Add(VarToStrGx(rec->Value(col)));
}

// ================================================================ the table's own store

TMemTableOwnDataGx::TMemTableOwnDataGx(TCustomMemTableGx* table) : TMemTableDataGx(nullptr), table_(table) {}

TComponent* TMemTableOwnDataGx::GetParentComponent() const { return table_; }

void TMemTableOwnDataGx::SetParentComponent(TComponent*) {
  if (table_ && Owner()) Owner()->RemoveComponent(this);
}

namespace {
TCustomMemTableGx* gReadingTable = nullptr;
}

TCustomMemTableGx* TCustomMemTableGx::ReadingTable() noexcept { return gReadingTable; }

void TCustomMemTableGx::ReadState(TReader& reader) {
  TCustomMemTableGx* saved = gReadingTable;
  gReadingTable = this;
  try {
    TDataSet::ReadState(reader);
  } catch (...) {
    gReadingTable = saved;
    throw;
  }
  gReadingTable = saved;
}

// ================================================================ the table

class TCustomMemTableGx::Lock {
 public:
  explicit Lock(TCustomMemTableGx& table) : table_(&table) { table.BeginLock(); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  ~Lock() {
    if (!table_) return;
    // Leaving on an error: the lock goes; buffers that may show changed rows are read again.
    TCustomMemTableGx* t = table_;
    if (--t->updateLock_ == 0 && t->resyncPending_) {
      t->resyncPending_ = false;
      if (t->Active() && t->State() == dsBrowse) {
        try {
          t->TDataSet::Resync({});
        } catch (...) {
        }
      }
    }
  }
  // Normal end: with `resync`, one deferred Resync runs.
  void Release(bool resync) {
    TCustomMemTableGx* t = table_;
    table_ = nullptr;
    t->EndLock(resync);
  }

 private:
  TCustomMemTableGx* table_;
};

TCustomMemTableGx::TCustomMemTableGx(TComponent* owner)
    : TDataSet(owner),
      memTableData_(new TMemTableOwnDataGx(this)),
      view_(new TRecordsViewGx(this)),
      masterLink_(std::make_unique<TMasterDataLinkGx>(this)),
      params_(std::make_unique<TParams>(this)),
      filterParser_(std::make_unique<TDataSetExprParserGx>(this, TDataSetExprParserGx::ekFilter)),
      treeList_(std::make_unique<TMemTableTreeListGx>(this)),
      indexDefs_(std::make_unique<TIndexDefs>(this)) {
  memTableData_->SetName("MemTableData");
  view_->SetMemTableData(memTableData_);
  view_->FilterRecordCallback = [this](TMemoryRecordGx* rec) { return FilterRecord(rec); };
  view_->OnViewDataChanged = [this](TMemoryRecordGx* rec, int index, int action) { ViewDataChanged(rec, index, action); };
  view_->OnViewRecordMoved = [this](TMemoryRecordGx* rec, int o, int n) { ViewRecordMoved(rec, o, n); };
  view_->OnFetch = [this](int count) { return FetchFromDriver(count); };
  view_->Aggregates()->CursorOpen = [this] { return cursorOpen_; };
  view_->TreeList()->SetFullBuildCheck(true);
  view_->TreeList()->OnExpandedChanging = [this](TTreeListGx*, TBaseTreeNodeGx* node, bool& allowed) {
    TreeExpandedChanging(static_cast<TMemRecViewGx*>(node), allowed);
  };
  view_->TreeList()->OnExpandedChanged = [this](TTreeListGx*, TBaseTreeNodeGx* node) {
    TreeExpandedChanged(static_cast<TMemRecViewGx*>(node));
  };
  filterParser_->SetReadsRecordValues(true);
  filterParser_->SetFieldReader(
      [this](TMemoryRecordGx* rec, const TExprFieldRef& field) { return ExprFieldValue(rec, field); });
  masterLink_->SetOnMasterChange([this](TObject*) { MasterChanged(); });
  masterLink_->SetOnMasterDisable([this](TObject*) { MasterDisabled(); });
}

TCustomMemTableGx::~TCustomMemTableGx() {
  // Deleted without Free: close and tell the tables sharing the store while it is still here.
  TDataSet::BeforeDestruction();
  // A destructor must not raise: the driver letting go, or the master refitting its buffers to
  // the links left, may; that is dropped (the driver and the master have let go by then).
  try {
    SetDataDriver(nullptr);
  } catch (...) {
  }
  if (dataDriver_) dataDriver_->RemoveFreeNotification(this);
  dataDriver_ = nullptr;
  if (externalMemData_) externalMemData_->RemoveFreeNotification(this);
  externalMemData_ = nullptr;
  for (TComponent* c : clients_) c->RemoveFreeNotification(this);
  clients_.clear();
  try {
    masterLink_->SetDataSource(nullptr);
  } catch (...) {
  }
  view_->Free();
  view_ = nullptr;
  memTableData_->Free();
  memTableData_ = nullptr;
}

TMemTableDataGx* TCustomMemTableGx::ActiveStore() const {
  TMemTableDataGx* store = view_ ? view_->Store() : nullptr;
  return store ? store : memTableData_;
}

// ---------------------------------------------------------------- update lock

void TCustomMemTableGx::EndLock(bool resync) {
  if (updateLock_ > 0) --updateLock_;
  if (updateLock_ == 0 && resyncPending_) {
    resyncPending_ = false;
    if (resync && Active() && State() == dsBrowse) Resync({});
  }
}

void TCustomMemTableGx::Resync(TResyncMode mode) {
  if (updateLock_ > 0) {
    resyncPending_ = true;
    return;
  }
  TDataSet::Resync(mode);
}

// ---------------------------------------------------------------- buffers

TRecordBuffer TCustomMemTableGx::HandleOf(int index) const noexcept {
  return reinterpret_cast<TRecordBuffer>(static_cast<intptr_t>(index + 1));
}

TRecordBuffer TCustomMemTableGx::AllocRecordBuffer() {
  size_t slot = recBufs_.size();
  for (size_t i = 0; i < recBufs_.size(); ++i)
    if (!recBufs_[i]->InUse) {
      slot = i;
      break;
    }
  if (slot == recBufs_.size()) recBufs_.push_back(std::make_unique<TRecBuf>());
  TRecBuf& buf = *recBufs_[slot];
  buf.InUse = true;
  buf.ViewIndex = -2;
  buf.TreeNode = nullptr;
  buf.MemoryRecord = nullptr;
  buf.ValuesFromRecord = false;
  buf.ReadVersion = rvCurrent;
  buf.Values.assign(static_cast<size_t>(FieldCount()), Null());
  return HandleOf(static_cast<int>(slot));
}

void TCustomMemTableGx::ClearRecBuf(TRecBuf& buf) noexcept {
  buf.InUse = false;
  buf.ViewIndex = -1;
  for (Variant& v : buf.Values) v = Null();
  buf.MemoryRecord = nullptr;
  buf.TreeNode = nullptr;
  buf.ValuesFromRecord = false;
  buf.ReadVersion = rvCurrent;
}

void TCustomMemTableGx::FreeRecordBuffer(TRecordBuffer& buffer) {
  intptr_t h = reinterpret_cast<intptr_t>(buffer);
  buffer = nullptr;
  if (h < 1 || static_cast<size_t>(h) > recBufs_.size()) return;
  if (static_cast<size_t>(h) == recBufs_.size() && recBufs_.size() > static_cast<size_t>(BufferCount()) + 2)
    recBufs_.pop_back();
  else
    ClearRecBuf(*recBufs_[static_cast<size_t>(h - 1)]);
}

void TCustomMemTableGx::InternalInitRecord(TRecordBuffer buffer) {
  TRecBuf* buf = RecBuf(buffer);
  if (!buf) return;
  const size_t count = static_cast<size_t>(FieldCount());
  if (buf->Values.size() == count)
    for (Variant& v : buf->Values) v = Variant::Null();
  else
    buf->Values.assign(count, Null());
  buf->MemoryRecord = nullptr;
  buf->TreeNode = nullptr;
  buf->ValuesFromRecord = false;
  buf->ReadVersion = rvCurrent;
}

void TCustomMemTableGx::InitRecord(TRecordBuffer buffer) {
  TDataSet::InitRecord(buffer);
  if (TRecBuf* buf = RecBuf(buffer)) {
    buf->Bookmark = INT32_MIN;
    buf->BookmarkFlag = bfInserted;
    buf->ViewIndex = -1;
  }
}

void TCustomMemTableGx::ClearCalcFields(TRecordBuffer buffer) {
  TRecBuf* buf = RecBuf(buffer);
  if (!buf || !HasCalcFields()) return;
  for (int i = 0; i < FieldCount() && static_cast<size_t>(i) < buf->Values.size(); ++i) {
    TFieldKind kind = Fields()[i]->FieldKind();
    if (kind == fkCalculated || kind == fkLookup) buf->Values[static_cast<size_t>(i)] = Null();
  }
}

int TCustomMemTableGx::PositionOf(const TMemoryRecordGx* rec) const {
  if (!rec) return -1;
  // A view that shows the store as it is puts each record at its store position.
  const int stored = rec->Index();
  if (stored >= 0 && view_->ShowsStoreAsIs()) return stored;
  if (stored >= 0 && stored < ViewCount() && ViewRecord(stored) == rec) return stored;
  return const_cast<TRecordsViewGx*>(view_)->IndexOfRecord(rec);
}

int TCustomMemTableGx::ViewCount() const { return const_cast<TRecordsViewGx*>(view_)->ViewItemsCount(); }

TMemoryRecordGx* TCustomMemTableGx::ViewRecord(int index) const {
  return const_cast<TRecordsViewGx*>(view_)->GetViewRecord(index);
}

TMemRecViewGx* TCustomMemTableGx::ViewNode(int index) const {
  if (!view_->ViewAsTreeList()) return nullptr;
  return view_->TreeList()->GetExpandedVisibleItem(index);
}

void TCustomMemTableGx::BindRecBuf(TRecBuf& buf, int viewIndex) {
  buf.Bookmark = viewIndex + 1;
  buf.ViewIndex = viewIndex;
  buf.BookmarkFlag = bfCurrent;
  buf.MemoryRecord = located_ && viewIndex == locatedIndex_ ? located_ : ViewRecord(viewIndex);
  buf.ValuesFromRecord = true;
  buf.ReadVersion = rvCurrent;
  buf.TreeNode = ViewNode(viewIndex);
  if (buf.Values.size() != static_cast<size_t>(FieldCount())) buf.Values.assign(static_cast<size_t>(FieldCount()), Null());
}


const Variant& TCustomMemTableGx::BufferValue(const TRecBuf& buf, TField* field, Variant& scratch) const {
  const int col = ColumnOf(field);
  if (buf.ValuesFromRecord && col >= 0) {
    if (!buf.MemoryRecord || col >= buf.MemoryRecord->FieldCount()) return scratch = Null();
    if (buf.ReadVersion == rvCurrent) return buf.MemoryRecord->Value(col);
    return buf.MemoryRecord->ValueRef(col, buf.ReadVersion);
  }
  const int i = IndexOfField(field);
  if (i < 0 || static_cast<size_t>(i) >= buf.Values.size()) return scratch = Null();
  return buf.Values[static_cast<size_t>(i)];
}

TRecBuf* TCustomMemTableGx::CurrentRecBuf() {
  if (!Active() || IsEmpty()) return nullptr;
  return RecBuf(ActiveBuffer());
}

bool TCustomMemTableGx::GetActiveRecBuf(TRecBuf*& buffer, bool ignoreInstantRead) {
  buffer = nullptr;
  const TDataSetState state = State();
  // The row being written, asked for by every field write: answered first.
  if ((state == dsInsert || state == dsEdit) && (ignoreInstantRead || instantRead_.empty())) {
    buffer = RecBuf(ActiveBuffer());
    return buffer != nullptr;
  }
  // The temporary states read the buffer their operation set up, also in instant-read mode.
  switch (state) {
    case dsCalcFields:
    case dsInternalCalc:
      buffer = RecBuf(CalcBuffer());
      return buffer != nullptr;
    case dsFilter:
      buffer = filterBound_ ? &filterBuf_ : RecBuf(TempBuffer());
      return buffer != nullptr;
    default:
      break;
  }
  if (!ignoreInstantRead && !instantRead_.empty()) {
    buffer = RecBuf(HandleOf(instantRead_.back() - 1));
    return buffer != nullptr;
  }
  switch (state) {
    case dsBrowse:
      if (IsEmpty()) return false;
      buffer = RecBuf(ActiveBuffer());
      break;
    case dsEdit:
    case dsInsert:
    case dsNewValue:
      buffer = RecBuf(ActiveBuffer());
      break;
    case dsOldValue: {
      TRecBuf* current = RecBuf(ActiveBuffer());
      if (IsEmpty() || !current || !current->MemoryRecord || !current->MemoryRecord->HasOldValues()) return false;
      oldValueBuf_.MemoryRecord = current->MemoryRecord;
      oldValueBuf_.ViewIndex = current->ViewIndex;
      oldValueBuf_.ValuesFromRecord = true;
      oldValueBuf_.ReadVersion = rvOld;
      oldValueBuf_.Values.assign(static_cast<size_t>(FieldCount()), Null());
      buffer = &oldValueBuf_;
      break;
    }
    default:
      return false;
  }
  return buffer != nullptr;
}

// ---------------------------------------------------------------- field values

namespace {

bool NarrowText(TFieldType t) noexcept { return t == ftString || t == ftFixedChar || t == ftGuid; }
bool WideText(TFieldType t) noexcept { return t == ftWideString || t == ftFixedWideChar; }

// A text cut to `size`: code-page bytes for a narrow text, UTF-16 units for a wide one (never half
// a surrogate pair). False when it fits as it is.
bool CutText(const Variant& v, size_t size, bool wide, Variant& cut) {
  // No character takes more code-page bytes or UTF-16 units than UTF-8 bytes: most texts are
  // answered by their length alone.
  if (!v.IsStr() || v.StrRef().size() <= size) return false;
  const std::string_view text = v.StrRef();
  if (wide) {
    // UTF-16 units counted first, as the conversion makes them: a fitting text is not converted.
    size_t units = 0;
    for (size_t pos = 0; pos < text.size() && units <= size;) units += Utf8Decode(text, pos) > 0xFFFF ? 2 : 1;
    if (units <= size) return false;
    const std::u16string w = Utf8ToUtf16(text);
    size_t n = size;
    if (n > 0 && w[n - 1] >= 0xD800 && w[n - 1] <= 0xDBFF) --n;
    cut = Variant(std::u16string_view(w).substr(0, n));
    return true;
  }
  const size_t n = Cp936PrefixLength(text, size);
  if (n == text.size()) return false;
  cut = v.VarType() == varOleStr ? Variant(Utf8ToUtf16(text.substr(0, n))) : Variant(text.substr(0, n));
  return true;
}

// A value written to a text field is held as text of at most the field's size, also when a
// handler of the write changed it.
void FitToTextField(const TField* field, Variant& v) {
  const TFieldType t = field->DataType();
  const bool wide = WideText(t);
  if ((!wide && !NarrowText(t)) || v.IsNull() || v.IsEmpty()) return;
  if (!v.IsStr() && !v.IsArray()) v = wide ? Variant(std::u16string_view(VarToWideStr(v))) : Variant(VarToStr(v));
  Variant cut;
  if (field->Size() > 0 && CutText(v, static_cast<size_t>(field->Size()), wide, cut)) v = std::move(cut);
}

}  // namespace

bool TCustomMemTableGx::GetFieldData(TField* field, Variant& value) {
  if (field->FieldKind() == fkAggregate) {
    value = GetAggregateValue(field);
    return !VarIsNullOrEmpty(value);
  }
  TRecBuf* buf = nullptr;
  if (!GetActiveRecBuf(buf)) return false;
  Variant scratch;
  if (OnGetFieldValue) {
    Variant v = BufferValue(*buf, field, scratch);
    OnGetFieldValue(this, field, v);
    if (VarIsNullOrEmpty(v)) return false;
    value = std::move(v);
    return true;
  }
  const Variant& v = BufferValue(*buf, field, scratch);
  if (VarIsNullOrEmpty(v)) return false;
  value = v;
  return true;
}

template <class Value>
void TCustomMemTableGx::WriteFieldData(TField* field, Value&& value) {
  const TDataSetState state = State();
  if (!dsWriteModes.Contains(state)) DatabaseError(SNotEditing, this);
  switch (field->DataType()) {
    case ftCursor:
    case ftADT:
    case ftArray:
    case ftReference:
    case ftDataSet:
      DatabaseErrorFmt(SUnsupportedFieldType, {FieldTypeName(field->DataType()), field->DisplayName()}, this);
    default:
      break;
  }
  TRecBuf* buf = nullptr;
  if (!GetActiveRecBuf(buf)) DatabaseError(SNotEditing, this);
  // A handler (the field's check or OnSetFieldValue) that posted, cancelled or closed the table
  // left no row for the value, and a closed table's own fields are gone: the write is refused,
  // also when the handler began another edit (of this row or another) after ending this one.
  const unsigned stateChanges = stateChanges_;
  auto refuseWhenEnded = [&] {
    if (stateChanges_ != stateChanges || State() != state || !GetActiveRecBuf(buf)) DatabaseError(SNotEditing, this);
  };
  const bool validates = static_cast<bool>(field->OnValidate());
  field->Validate(value);
  if (validates) refuseWhenEnded();
  Variant v = value.IsEmpty() ? Null() : std::forward<Value>(value);
  if (OnSetFieldValue) {
    OnSetFieldValue(this, field, v);
    refuseWhenEnded();
    // No value from the handler is Null, as the field shows it; a post must not store 0 or "".
    if (v.IsEmpty()) v = Null();
  }
  FitToTextField(field, v);
  if (buf->Values.size() != static_cast<size_t>(FieldCount())) buf->Values.resize(static_cast<size_t>(FieldCount()), Null());
  if (buf->ValuesFromRecord && ColumnOf(field) >= 0) {
    // The first write of a row copies its stored values; from then on the buffer holds them.
    for (int i = 0; i < FieldCount(); ++i) {
      TField* f = Fields()[i];
      const int col = ColumnOf(f);
      if (col < 0) continue;
      Variant scratch;
      buf->Values[static_cast<size_t>(i)] = BufferValue(*buf, f, scratch);
    }
    buf->ValuesFromRecord = false;
  }
  const int index = IndexOfField(field);
  if (index >= 0 && static_cast<size_t>(index) < buf->Values.size()) buf->Values[static_cast<size_t>(index)] = std::move(v);
  if (state != dsCalcFields && state != dsFilter && state != dsNewValue && state != dsInternalCalc)
    DataEvent(deFieldChange, reinterpret_cast<NativeInt>(field));
}

void TCustomMemTableGx::SetFieldData(TField* field, const Variant& value) { WriteFieldData(field, value); }

// A text is handed on without its count going up and down again.
void TCustomMemTableGx::MoveFieldData(TField* field, Variant& value) { WriteFieldData(field, std::move(value)); }

bool TCustomMemTableGx::GetFieldDataAsObject(TField* field, TObject*& value) {
  value = nullptr;
  Variant v;
  if (!GetFieldData(field, v)) return false;
  if (v.VarType() == varUnknown || v.VarType() == varDispatch) value = static_cast<TObject*>(v.AsPointer());
  return true;
}

void TCustomMemTableGx::SetFieldDataAsObject(TField* field, TObject* value) {
  // The reference is held as a pointer: a 32-bit number could not hold it.
  SetFieldData(field, value ? Variant::FromPointer(value) : Null());
}

std::unique_ptr<TStream> TCustomMemTableGx::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  return std::make_unique<TMemBlobStreamGx>(field, mode);
}

TClass TCustomMemTableGx::GetFieldClass(TFieldType type) const {
  if (type == ftUnknown) return TRefObjectField::StaticClass();
  return TDataSet::GetFieldClass(type);
}

Variant TCustomMemTableGx::GetAggregateValue(TField* field) {
  if (!AggregatesActive()) return Null();
  TRecBuf* buf = nullptr;
  if (!GetActiveRecBuf(buf)) return Null();
  auto* agg = dynamic_cast<TAggregateField*>(field);
  auto* item = agg ? static_cast<TMTAggregateGx*>(agg->Handle()) : nullptr;
  if (!item) return Null();
  return item->Value();
}

void TCustomMemTableGx::ResetAggField(TField* field) {
  auto* agg = dynamic_cast<TAggregateField*>(field);
  auto* item = agg ? static_cast<TMTAggregateGx*>(agg->Handle()) : nullptr;
  if (!item) return;
  TMTAggregatesGx* aggregates = view_->Aggregates();
  aggregates->BeginUpdate();
  {
    Finally end([&] { aggregates->EndUpdate(); });
    item->Assign(agg);
  }
  item->Prepare();
  item->Recalc();
  if (Active()) DataEvent(deDataSetChange, 0);
}

bool TCustomMemTableGx::AggregatesActive() const { return view_->Aggregates()->Active(); }

void TCustomMemTableGx::SetAggregatesActive(bool value) {
  view_->Aggregates()->SetActive(value);
  if (Active() && ViewCount() > 0 && State() == dsBrowse) Resync({});
}

// ---------------------------------------------------------------- reading rows

TGetResult TCustomMemTableGx::GetRecord(TRecordBuffer buffer, TGetMode getMode, bool doCheck) {
  TGetResult result = grOK;
  int count = ViewCount();
  switch (getMode) {
    case gmCurrent:
      if (currentIndex_ < 0 || currentIndex_ >= count) result = grError;
      break;
    case gmNext:
      if (currentIndex_ >= count - 1) {
        FetchMore(fetchAllOnOpen_ ? -1 : 1);
        count = ViewCount();
      }
      if (currentIndex_ >= count - 1) {
        currentIndex_ = count;
        result = grEOF;
      } else {
        ++currentIndex_;
      }
      break;
    case gmPrior:
      if (currentIndex_ < 1) {
        result = grBOF;
        currentIndex_ = -1;
        recordPos_ = 0;
      } else {
        --currentIndex_;
      }
      break;
  }
  if (currentIndex_ >= 0) recordPos_ = currentIndex_;
  if (result == grOK) {
    TRecBuf* buf = RecBuf(buffer);
    if (buf) {
      BindRecBuf(*buf, currentIndex_);
      GetCalcFields(buffer);
    }
  } else if (result == grError && doCheck) {
    DatabaseError(SNoDataFound, this);
  }
  return result;
}

int TCustomMemTableGx::GetRecordCount() const {
  CheckActive();
  return ViewCount();
}

int TCustomMemTableGx::GetRecNo() const {
  CheckActive();
  TRecBuf* buf = nullptr;
  if (!const_cast<TCustomMemTableGx*>(this)->GetActiveRecBuf(buf)) return -1;
  return buf->ViewIndex + 1;
}

void TCustomMemTableGx::SetRecNo(int value) {
  CheckActive();
  if (value < 1 || value > ViewCount()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  currentIndex_ = value - 1;
  Resync({});
  DoAfterScroll();
}

// ---- bookmarks

void TCustomMemTableGx::GetBookmarkData(TRecordBuffer buffer, Byte* data) {
  int32_t v = INT32_MIN;
  if (TRecBuf* buf = RecBuf(buffer)) v = buf->Bookmark;
  std::memcpy(data, &v, 4);
}

void TCustomMemTableGx::SetBookmarkData(TRecordBuffer buffer, const Byte* data) {
  if (TRecBuf* buf = RecBuf(buffer)) buf->Bookmark = BookmarkValue(data);
}

TBookmarkFlag TCustomMemTableGx::GetBookmarkFlag(TRecordBuffer buffer) {
  TRecBuf* buf = RecBuf(buffer);
  return buf ? buf->BookmarkFlag : bfCurrent;
}

void TCustomMemTableGx::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) {
  if (TRecBuf* buf = RecBuf(buffer)) buf->BookmarkFlag = value;
}

void TCustomMemTableGx::InternalGotoBookmark(const Byte* bookmark) {
  int32_t v = BookmarkValue(bookmark);
  if (v > 0 && v <= ViewCount())
    currentIndex_ = v - 1;
  else
    DatabaseError(SRecordNotFound, this);
}

void TCustomMemTableGx::InternalSetToRecord(TRecordBuffer buffer) {
  Byte data[4];
  GetBookmarkData(buffer, data);
  InternalGotoBookmark(data);
}

TBookmark TCustomMemTableGx::GetBookmark() {
  if (!instantRead_.empty()) {
    TRecBuf* buf = RecBuf(HandleOf(instantRead_.back() - 1));
    if (!buf || buf->ViewIndex < 0) return {};
    return MakeBookmark(buf->Bookmark);
  }
  return TDataSet::GetBookmark();
}

TBookmarkStr TCustomMemTableGx::GetBookmarkStr() {
  TBookmark bm = GetBookmark();
  return TBookmarkStr(bm.begin(), bm.end());
}

bool TCustomMemTableGx::BookmarkValid(const TBookmark& bookmark) {
  if (!Active() || bookmark.size() < 4) return false;
  int32_t v = BookmarkValue(bookmark);
  return v >= 1 && v <= ViewCount();
}

int TCustomMemTableGx::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.size() < 4 || b.size() < 4) {
    const bool na = a.size() < 4, nb = b.size() < 4;
    return na == nb ? 0 : (na ? -1 : 1);
  }
  int32_t x = BookmarkValue(a), y = BookmarkValue(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

// ---- cursor

void TCustomMemTableGx::InternalFirst() {
  currentIndex_ = -1;
  recordPos_ = 0;
}

void TCustomMemTableGx::InternalLast() {
  if (dataDriver_ && !dataDriver_->ProviderEof()) FetchMore(-1);
  currentIndex_ = ViewCount();
  const TDataSetState state = State();
  recordPos_ = (state == dsEdit || state == dsInsert || state == dsSetKey) ? currentIndex_ : currentIndex_ - 1;
}

void TCustomMemTableGx::InternalEdit() {
  TRecBuf* buf = RecBuf(ActiveBuffer());
  if (buf && buf->BookmarkFlag == bfEOF) recordPos_ = ViewCount();
}

void TCustomMemTableGx::InternalHandleException() {}

// ---------------------------------------------------------------- editing

void TCustomMemTableGx::CopyBufferToRecord(TRecordBuffer buffer, TMemoryRecordGx* rec) {
  if (State() == dsFilter) DatabaseError(SNotEditing, this);
  TRecBuf* buf = RecBuf(buffer);
  if (!buf || !rec) return;
  // A buffer still pointing at this record holds nothing of its own.
  if (buf->ValuesFromRecord && buf->MemoryRecord == rec) return;
  const TMTDataStructGx* ds = rec->DataStruct();
  const int columns = ds ? std::min(rec->FieldCount(), ds->Count()) : 0;
  const TFields& fields = Fields();
  // A buffer holding its own values holds field i's at place i.
  const size_t own = buf->ValuesFromRecord ? 0 : buf->Values.size();
  for (int i = 0; i < fields.Count(); ++i) {
    TField* f = fields.begin()[i];
    const int col = ColumnOf(f);
    if (col < 0 || col >= rec->FieldCount()) continue;
    Variant scratch;
    const Variant& v = static_cast<size_t>(i) < own ? buf->Values[static_cast<size_t>(i)] : BufferValue(*buf, f, scratch);
    // Most values are already of the column's stored type: they go in without the conversion.
    if (col < columns && ds->Fields()[static_cast<size_t>(col)]->StoresAsIs(v))
      rec->PutStored(col, v);
    else
      rec->SetDataValue(col, rvCurrent, v);
  }
}

int TCustomMemTableGx::InternalApplyUpdates(TMemTableDataGx* store, int maxErrors) {
  (void)maxErrors;
  if (dataDriver_) return dataDriver_->ApplyUpdates(store);
  view_->MergeChangeLog();
  return 0;
}

void TCustomMemTableGx::CancelAfterFailedApply() {
  try {
    view_->CancelUpdates();
  } catch (...) {
  }
}

void TCustomMemTableGx::InternalAddRecord(TRecordBuffer buffer, bool append) {
  TMemoryRecordGx* rec = view_->NewRecord();
  try {
    CopyBufferToRecord(buffer, rec);
    if (postRowNum_) {
      // Taken by this record alone: a row an event appends after this post keeps its own.
      rec->SetRowNum(*postRowNum_);
      postRowNum_.reset();
    }
    if (append)
      view_->AddRecord(rec);
    else
      view_->InsertRecord(std::max(currentIndex_, 0), rec);
  } catch (...) {
    // Not stored (or taken back by the list when the view could not place it): the record goes,
    // and its id is given back.
    if (!rec->Attached()) rec->RecordsList()->DropNewRecords({rec});
    throw;
  }
  if (!append && !CachedUpdates()) {
    try {
      InternalApplyUpdates(ActiveStore(), -1);
    } catch (...) {
      CancelAfterFailedApply();
      throw;
    }
  }
  // An appended row usually ends the view: no search for it then.
  const int last = ViewCount() - 1;
  currentIndex_ = append && last >= 0 && ViewRecord(last) == rec ? last : PositionOf(rec);
}

void TCustomMemTableGx::InternalPost() {
  TDataSet::InternalPost();  // required fields
  Lock lock(*this);
  if (State() == dsInsert) {
    InternalAddRecord(ActiveBuffer(), Eof());
  } else {
    TRecBuf* buf = RecBuf(ActiveBuffer());
    TMemoryRecordGx* rec = buf ? buf->MemoryRecord : nullptr;
    if (!rec) DatabaseError(SRecordNotFound, this);
    rec->Edit();
    try {
      CopyBufferToRecord(ActiveBuffer(), rec);
      rec->Post();
    } catch (...) {
      // A refused post leaves the stored record as it was; the edit stays in the buffer.
      if (rec->EditState() == resEdit) rec->Cancel();
      throw;
    }
    if (!CachedUpdates()) {
      try {
        InternalApplyUpdates(ActiveStore(), -1);
      } catch (...) {
        CancelAfterFailedApply();
        throw;
      }
    }
    currentIndex_ = PositionOf(rec);
  }
  lock.Release(false);
}

void TCustomMemTableGx::InternalDelete() {
  Lock lock(*this);
  view_->DeleteRecord(currentIndex_);
  if (!CachedUpdates()) {
    try {
      InternalApplyUpdates(ActiveStore(), -1);
    } catch (...) {
      CancelAfterFailedApply();
      throw;
    }
  }
  if (currentIndex_ >= ViewCount()) --currentIndex_;
  lock.Release(false);
}

void TCustomMemTableGx::InternalCancel() {
  Lock lock(*this);
  // Cancelling an insert only drops the unsaved buffer; cancelling an edit with cached updates off
  // also undoes what is still pending.
  if (State() == dsEdit) {
    TRecBuf* buf = RecBuf(ActiveBuffer());
    TMemoryRecordGx* rec = buf ? buf->MemoryRecord : nullptr;
    if (rec && rec->EditState() == resEdit) rec->Cancel();
    if (!CachedUpdates() && RecordsList()->HasCachedChanges()) {
      view_->CancelUpdates();
      resyncPending_ = true;
    }
  }
  lock.Release(false);
}

void TCustomMemTableGx::DoOnNewRecord() {
  for (TField* f : Fields()) {
    const std::string& expr = f->DefaultExpression();
    if (expr.empty() || f->FieldKind() != fkData || !f->CanModify()) continue;
    std::string text = expr;
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') text = AnsiDequotedStr(text, '\'');
    try {
      f->SetText(text);
    } catch (const EConvertError&) {
      // A default the field does not take is left out.
    } catch (const EDatabaseError&) {
    }
  }
  if (masterDetailActive_ && masterDetailSide_ != mdsOnProviderGx && !detailFields_.empty()) {
    Variant values = CurrentMasterValues();
    for (size_t i = 0; i < detailFields_.size(); ++i) {
      const Variant* v = KeyElement(values, i, detailFields_.size());
      detailFields_[i]->SetValue(v ? *v : Null());
    }
  }
  TDataSet::DoOnNewRecord();
}

TUpdateStatus TCustomMemTableGx::UpdateStatus() const {
  CheckActive();
  auto* self = const_cast<TCustomMemTableGx*>(this);
  const TDataSetState state = State();
  if (state == dsInsert && self->instantRead_.empty()) return usInserted;
  if (state == dsEdit && self->instantRead_.empty()) {
    TRecBuf* buf = self->RecBuf(ActiveBuffer());
    TMemoryRecordGx* rec = buf ? buf->MemoryRecord : nullptr;
    if (!rec) return usUnmodified;
    TUpdateStatus status = rec->UpdateStatus();
    // The row being edited will be modified once posted.
    if (status == usUnmodified && CachedUpdates()) return usModified;
    return status;
  }
  int recNo = RecNo();
  if (recNo < 1) return usUnmodified;
  TMemoryRecordGx* rec = ViewRecord(recNo - 1);
  return rec ? rec->UpdateStatus() : usUnmodified;
}

// ---------------------------------------------------------------- opening and closing

void TCustomMemTableGx::OpenCursor(bool infoQuery) {
  if (!infoQuery) {
    if (dataDriver_) {
      PrepareProviderSide();
      providerDataSet_ = dataDriver_->ProviderDataSet();
      dataDriver_->Restart();
      dataDriver_->BuildDataStruct(memTableData_->DataStruct());
    } else if (ActiveStore()->DataStructIsEmpty()) {
      DatabaseError(SMemTableNoData, this);
    }
    CreateIndexesFromDefs();
    // The opening below builds the field definitions from the structure first thing; they are
    // built here only when it does not run.
    if (State() == dsOpening) InternalInitFieldDefs();
    cursorOpen_ = true;
  }
  TDataSet::OpenCursor(infoQuery);
}

void TCustomMemTableGx::InternalInitFieldDefs() {
  if (!cursorOpen_ && InState(csDesigning) && dataDriver_) {
    TMemTableDataGx temp(nullptr);
    dataDriver_->BuildDataStruct(temp.DataStruct());
    temp.DataStruct()->BuildFieldDefsFromStruct(&FieldDefs());
    return;
  }
  ActiveStore()->DataStruct()->BuildFieldDefsFromStruct(&FieldDefs());
}

void TCustomMemTableGx::InternalOpen() {
  BookmarkSize = 4;
  FieldDefs().SetUpdated(false);
  InternalInitFieldDefs();
  FieldDefs().SetUpdated(true);
  if (DefaultFields()) CreateFields();
  BindFields(true);
  if (FieldCount() == 0) DatabaseError(SNoFieldsDefined, this);
  recordSize_ = 65535;
  InternalFirst();
  // Whatever was set while the table was closed, the master's present row decides.
  masterDetailActive_ = false;
  RebuildMasterDetail(false);
  ParseFilter();
  InternalRefresh();
  view_->UpdateTreeFieldIndexes();
  view_->Aggregates()->Rebuild();
  ApplySortOrderToView();
  openNotified_ = false;
  insertNotified_ = false;
  heldCount_ = 0;
}

void TCustomMemTableGx::InternalClose() {
  // The link is taken up again from the master's row when the table opens.
  fetchedMasterValues_.Clear();
  masterValues_ = Variant();
  masterDetailActive_ = false;
  detailFields_.clear();
  cursorOpen_ = false;
  ResetFilter();
  while (!instantRead_.empty()) {
    TRecordBuffer h = HandleOf(instantRead_.back() - 1);
    instantRead_.pop_back();
    FreeRecordBuffer(h);
  }
  filterBound_ = false;
  view_->Aggregates()->Rebuild();
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  providerDataSet_ = nullptr;
  if (dataDriver_) dataDriver_->TableClosed();
  view_->SetOrderByStr("");
  insertNotified_ = false;
  heldCount_ = 0;
}

void TCustomMemTableGx::InternalRefresh() {
  Lock lock(*this);
  masterRecords_.clear();
  useMasterRecords_ = false;
  if (masterDetailActive_ && masterDetailSide_ != mdsOnProviderGx) {
    TMTIndexGx* index = RecordsList()->Indexes()->GetIndexForFields(detailFieldNames_);
    if (index && index->Active() && !index->Fields().empty()) {
      std::vector<TMemoryRecordGx*> records;
      try {
        index->GetKeyRecords(masterValues_, records);
        masterRecords_.insert(records.begin(), records.end());
        useMasterRecords_ = true;
      } catch (const Exception&) {
        // Keys the index cannot compare: the filter compares the values itself.
      }
    }
  }
  {
    Finally done([&] {
      masterRecords_.clear();
      useMasterRecords_ = false;
    });
    view_->RebuildView();
  }
  InternalFirst();
  lock.Release(false);
}

void TCustomMemTableGx::CreateIndexesFromDefs() {
  TRecordsListGx* list = RecordsList();
  TMTIndexesGx* indexes = list->Indexes();
  for (int i = 0; i < indexDefs_->Count(); ++i) {
    TIndexDef* def = indexDefs_->Items(i);
    // An index made at an earlier open is used again rather than made twice.
    TMTIndexGx* index = indexes->GetIndexForFields(def->Fields());
    if (!index) {
      index = indexes->Add();
      index->SetFields(def->Fields());
    }
    index->SetUnique(def->Options().Contains(ixUnique));
    index->SetPrimary(def->Options().Contains(ixPrimary));
  }
  for (int i = 0; i < indexes->Count(); ++i) indexes->Items(i)->SetActive(true);
}

void TCustomMemTableGx::CreateDataSet() {
  Close();
  if (FieldDefs().Count() == 0) {
    for (TField* f : Fields()) {
      if (f->FieldKind() != fkData && f->FieldKind() != fkInternalCalc) continue;
      const TFieldType type = f->DataType();
      if (type == ftCursor || type == ftArray || type == ftReference || type == ftDataSet || type >= ftTimeStamp)
        DatabaseErrorFmt(SUnknownFieldType, {f->DisplayName()}, this);
      TFieldDef* def = FieldDefs().Add(f->FieldName(), type, f->Size(), f->Required());
      if (auto* bcd = dynamic_cast<TBCDField*>(f)) def->SetPrecision(bcd->Precision());
      if (f->AutoGenerateValue() == arAutoInc) autoIncFieldName_ = f->FieldName();
    }
  }
  memTableData_->DestroyTable();
  memTableData_->DataStruct()->BuildStructFromFieldDefs(&FieldDefs());
  if (!autoIncFieldName_.empty()) {
    if (TMTDataFieldGx* column = memTableData_->DataStruct()->FindField(autoIncFieldName_)) {
      column->MarkAutoIncrement();
      memTableData_->UpdateAutoIncFields();
    }
  }
  CreateIndexesFromDefs();
  Open();
}

void TCustomMemTableGx::EmptyTable() {
  if (!Active()) return;
  Lock lock(*this);
  CheckBrowseMode();
  RecordsList()->Clear();
  ActiveStore()->AutoIncrement()->Reset();
  currentIndex_ = -1;
  recordPos_ = -1;
  ClearBuffers();
  resyncPending_ = true;
  lock.Release(true);
}

void TCustomMemTableGx::UpdateIndexDefs() {
  if (InState(csDesigning) && indexDefs_->Count() > 0) return;
  // The definitions are the table's own: they are kept (they make the store's indexes).
  if (Active()) FieldDefs().Update();
}

std::unique_ptr<TIndexDefs> TCustomMemTableGx::PSGetIndexDefs(TIndexOptions options) {
  auto result = std::make_unique<TIndexDefs>(this);
  for (int i = 0; i < indexDefs_->Count(); ++i) {
    TIndexDef* def = indexDefs_->Items(i);
    if (!(options <= def->Options())) continue;
    TIndexDef* copy = result->AddIndexDef();
    copy->Assign(def);
  }
  return result;
}

void TCustomMemTableGx::DefChanged(TObject*) { SetStoreDefs(true); }

void TCustomMemTableGx::SetReadOnly(bool value) {
  readOnly_ = value;
  DataEvent(deDataSetChange, 0);
}

void TCustomMemTableGx::Loaded() {
  TDataSet::Loaded();
  if (treeList_->loadingActive_ != view_->ViewAsTreeList()) SetTreeActive(treeList_->loadingActive_);
}

void TCustomMemTableGx::Notification(TComponent* component, TOperation operation) {
  TDataSet::Notification(component, operation);
  if (operation != opRemove) return;
  if (dataDriver_ && component == dataDriver_) SetDataDriver(nullptr);
  if (component == providerDataSet_) providerDataSet_ = nullptr;
  if (externalMemData_ && component == externalMemData_) {
    externalMemData_ = nullptr;
    // Heard while the other table is destroyed: what this one's closing raises cannot stop that,
    // and the view lets go of the store that goes with it all the same.
    try {
      Close();
    } catch (...) {
    }
    try {
      view_->SetMemTableData(memTableData_);
    } catch (...) {
    }
  }
  auto it = std::find(clients_.begin(), clients_.end(), component);
  if (it != clients_.end()) clients_.erase(it);
}

void TCustomMemTableGx::GetChildren(const TGetChildProc& proc, TComponent* root) {
  TDataSet::GetChildren(proc, root);
  if (!dataDriver_ && !externalMemData_ && !memTableData_->DataStructIsEmpty()) proc(memTableData_);
}

// ---- driver and external store

void TCustomMemTableGx::SetDataDriver(TDataDriverGx* value) {
  if (value == dataDriver_) return;
  if (value && externalMemData_) throw Exception(SDataDriverWithExternalMemData);
  if (dataDriver_) {
    if (auto* link = dynamic_cast<IMemTableDataDriverGx*>(dataDriver_)) link->SetMemTable(nullptr);
    dataDriver_->RemoveFreeNotification(this);
  }
  dataDriver_ = nullptr;
  if (value) {
    if (auto* link = dynamic_cast<IMemTableDataDriverGx*>(value)) {
      TCustomMemTableGx* other = link->GetMemTable();
      if (other && other != this) other->SetDataDriver(nullptr);
      link->SetMemTable(this);
    }
  }
  dataDriver_ = value;
  UpdateResolveHook();
  DataEvent(dePropertyChange, 0);
  if (value) value->FreeNotification(this);
}

void TCustomMemTableGx::SetExternalMemData(TCustomMemTableGx* value) {
  if (value == this) throw Exception(SCircularDataLink);
  if (value == externalMemData_) return;
  if (value && dataDriver_) throw Exception(SExternalMemDataWithDriver);
  const bool wasActive = Active();
  const bool loading = InState(csLoading);
  if (!loading) Close();
  if (externalMemData_) externalMemData_->RemoveFreeNotification(this);
  externalMemData_ = value;
  if (value) value->FreeNotification(this);
  view_->SetMemTableData(value ? value->MemTableData() : memTableData_);
  if (wasActive && !loading) Open();
}

void TCustomMemTableGx::UpdateResolveHook() {
  // A change log of a single change is worth building only when a driver takes it.
  if (dataDriver_)
    view_->OnResolve = [this](TMemTableDataGx* changes) { ResolveChanges(changes); };
  else
    view_->OnResolve = nullptr;
}

void TCustomMemTableGx::ResolveChanges(TMemTableDataGx* changes) { InternalApplyUpdates(changes, -1); }

int TCustomMemTableGx::FetchFromDriver(int count) {
  if (!dataDriver_ || !cursorOpen_) return 0;
  TMemTableDataGx* store = ActiveStore();
  const int before = ViewCount();
  int read = dataDriver_->ReadRecords(store, count);
  if (count > 0) {
    while (ViewCount() < before + count && !dataDriver_->ProviderEof()) {
      int more = dataDriver_->ReadRecords(store, 1);
      if (more == 0) break;
      read += more;
    }
  }
  return read;
}

int TCustomMemTableGx::FetchMore(int count) {
  if (!dataDriver_ || dataDriver_->ProviderEof() || !cursorOpen_) return 0;
  Lock lock(*this);
  int n = ActiveStore()->FetchRecords(count);
  lock.Release(false);
  return n;
}

int TCustomMemTableGx::FetchRecords(int count) {
  if (!Active()) return 0;
  Lock lock(*this);
  int n = ActiveStore()->FetchRecords(count);
  lock.Release(true);
  return n;
}

// ---------------------------------------------------------------- notifications

void TCustomMemTableGx::NotifyClients(int index, int code, int extra) {
  if (clients_.empty()) return;
  if (ControlsDisabled()) {
    if (heldCount_ == 0) {
      heldIndex_ = index;
      heldCode_ = code;
      heldExtra_ = extra;
    }
    if (heldCount_ < 2) ++heldCount_;
    return;
  }
  std::vector<TComponent*> clients = clients_;
  for (TComponent* c : clients) {
    if (std::find(clients_.begin(), clients_.end(), c) == clients_.end()) continue;
    if (auto* n = dynamic_cast<IMemTableNotificationGx*>(c)) n->MemTableRowNotification(index, code, extra);
  }
}

void TCustomMemTableGx::DataEvent(TDataEvent event, NativeInt info) {
  if (event == deUpdateState) ++stateChanges_;
  // Most events (a field's write, a post's checks) ask nothing of the table itself.
  if (heldCount_ > 0 || event == deUpdateState || event == deFieldListChange) TableDataEvent(event);
  if (!DataEventIdle(event)) TDataSet::DataEvent(event, info);
  if (!openNotified_ && Active()) {
    openNotified_ = true;
    NotifyClients(-1, mtnAllChanged, -1);
  }
}

void TCustomMemTableGx::TableDataEvent(TDataEvent event) {
  if (heldCount_ > 0 && !ControlsDisabled()) {
    const int held = heldCount_;
    heldCount_ = 0;
    if (held == 1)
      NotifyClients(heldIndex_, heldCode_, heldExtra_);
    else
      NotifyClients(-1, mtnAllChanged, -1);
  }
  switch (event) {
    case deUpdateState:
      // The row being inserted shows where it stands (after the last row when appended) until the
      // post or cancel takes it away again.
      if (State() == dsInsert && !insertNotified_) {
        insertNotified_ = true;
        insertRow_ = EditingRowIndex();
        NotifyClients(insertRow_, mtnRowAdded, -1);
      } else if (State() == dsBrowse && insertNotified_) {
        insertNotified_ = false;
        NotifyClients(insertRow_, mtnRowRemoved, -1);
      } else if (State() == dsInactive) {
        insertNotified_ = false;
      }
      break;
    case deFieldListChange:
      if (Active() && !InState(csLoading)) {
        view_->Aggregates()->Rebuild();
        if (State() == dsBrowse) Resync({});
      }
      break;
    default:
      break;
  }
}

void TCustomMemTableGx::ViewDataChanged(TMemoryRecordGx*, int index, int action) {
  if (State() == dsInactive) return;
  switch (action) {
    case rlInserted:
    case rlChanged:
    case rlDeleted: {
      const int code = action == rlInserted ? mtnRowAdded : (action == rlChanged ? mtnRowChanged : mtnRowRemoved);
      // While a row is being inserted the grid shows it too: rows from it on are one further down,
      // and a row added or removed before it moves it (its removal names where it is then).
      if (State() == dsInsert && insertNotified_) {
        if (insertRow_ <= index) ++index;
        else if (action == rlInserted) ++insertRow_;
        else if (action == rlDeleted) --insertRow_;
      }
      NotifyClients(index, code, -1);
      break;
    }
    case rlListChanged:
    case rlBeforeSourceChange:
      NotifyClients(-1, mtnAllChanged, -1);
      break;
    default:
      return;
  }
  if (updateLock_ > 0)
    resyncPending_ = true;
  else if (State() == dsBrowse)
    Resync({});
}

void TCustomMemTableGx::ViewRecordMoved(TMemoryRecordGx*, int oldIndex, int newIndex) {
  // While the controls are off it is held back as every notice is: a client that kept positions
  // must hear that they changed.
  if (State() == dsInactive) return;
  if (State() == dsInsert && insertNotified_) {
    if (insertRow_ <= oldIndex) ++oldIndex;
    if (insertRow_ <= newIndex) ++newIndex;
  }
  NotifyClients(oldIndex, mtnRowMoved, newIndex);
}

int TCustomMemTableGx::RegisterClient(TComponent* client) {
  if (!client) return -1;
  auto it = std::find(clients_.begin(), clients_.end(), client);
  if (it != clients_.end()) return static_cast<int>(it - clients_.begin());
  clients_.push_back(client);
  client->FreeNotification(this);
  return static_cast<int>(clients_.size()) - 1;
}

void TCustomMemTableGx::UnregisterClient(TComponent* client) {
  auto it = std::find(clients_.begin(), clients_.end(), client);
  if (it == clients_.end()) return;
  clients_.erase(it);
  client->RemoveFreeNotification(this);
}

// ---------------------------------------------------------------- filtering

bool TCustomMemTableGx::FilterActive() const {
  return Filtered() && (filterParser_->HasExpression() || static_cast<bool>(OnFilterRecord()));
}

void TCustomMemTableGx::ParseFilter() {
  if (Filtered() && !Filter().empty())
    filterParser_->ParseExpression(Filter());
  else
    filterParser_->Clear();
}

void TCustomMemTableGx::ParseFilterOrUndo(const std::function<void()>& undo) {
  try {
    ParseFilter();
  } catch (...) {
    undo();
    ParseFilter();
    throw;
  }
}

void TCustomMemTableGx::ResetFilter() { filterParser_->Clear(); }

void TCustomMemTableGx::BindFilterRecord(TMemoryRecordGx* rec) {
  filterBuf_.InUse = true;
  filterBuf_.MemoryRecord = rec;
  filterBuf_.ViewIndex = -1;
  filterBuf_.Bookmark = INT32_MIN;
  filterBuf_.TreeNode = nullptr;
  filterBuf_.ValuesFromRecord = true;
  filterBuf_.ReadVersion = rvCurrent;
  filterBuf_.Values.assign(static_cast<size_t>(FieldCount()), Null());
  filterBound_ = true;
  bool calculated = false;
  for (TField* f : Fields())
    if (f->FieldKind() == fkCalculated || f->FieldKind() == fkLookup) calculated = true;
  if (!calculated) return;
  // Calculated values of the record under test go into a buffer of the list.
  TRecordBuffer h = AllocRecordBuffer();
  Finally release([&] { FreeRecordBuffer(h); });
  TRecBuf* buf = RecBuf(h);
  *buf = filterBuf_;
  GetCalcFields(h);
  filterBuf_.Values = buf->Values;
}

Variant TCustomMemTableGx::ExprFieldValue(TMemoryRecordGx* rec, const TExprFieldRef& ref) {
  TField* f = FindField(ref.Name);
  if (!f) return Null();
  // Through OnGetFieldValue: the field reads the record under test, bound for the filter state.
  if (OnGetFieldValue && filterBound_ && State() == dsFilter) return f->Value();
  const int col = ColumnOf(f);
  if (col >= 0 && col < rec->FieldCount()) return rec->Value(col);
  return RecordFieldValue(rec, f);
}

bool TCustomMemTableGx::FilterRecord(TMemoryRecordGx* rec) {
  if (!cursorOpen_) return true;
  const bool filtering = FilterActive();
  const bool detail = masterDetailActive_ && masterDetailSide_ != mdsOnProviderGx;
  if (!filtering && !detail) return true;
  bool accept = true;
  const bool handler = filtering && static_cast<bool>(OnFilterRecord());
  // OnGetFieldValue may replace what the record holds: the expression reads the fields then.
  const bool shown = filtering && static_cast<bool>(OnGetFieldValue) && filterParser_->HasExpression();
  if (filtering) {
    if (handler || shown) {
      // The handler (and the expression, with OnGetFieldValue) reads the record under test through
      // the fields.
      const bool wasBound = filterBound_;
      TRecBuf saved = filterBuf_;
      BindFilterRecord(rec);
      TDataSetState state = SetTempState(dsFilter);
      filterParser_->SetReadsRecordValues(!shown);
      Finally restore([&] {
        filterParser_->SetReadsRecordValues(true);
        // A handler that closed the table leaves it closed.
        RestoreState(State() == dsInactive ? dsInactive : state);
        filterBuf_ = std::move(saved);
        filterBound_ = wasBound;
      });
      if (filterParser_->HasExpression()) accept = filterParser_->CalcFilterResult(rec);
      if (handler) OnFilterRecord()(this, accept);
    } else if (filterParser_->HasExpression()) {
      // Stored fields are read straight from the record; others bind it as they are read.
      accept = filterParser_->CalcFilterResult(rec);
    }
  }
  if (accept && detail) accept = DetailMatches(rec);
  return accept;
}

void TCustomMemTableGx::Refilter(bool onlyWhenFiltered) {
  if (!Active() || (onlyWhenFiltered && !Filtered())) return;
  ParseFilter();
  Refresh();
}

void TCustomMemTableGx::SetFiltered(bool value) {
  if (value == Filtered()) return;
  if (!Active()) {
    TDataSet::SetFiltered(value);
    return;
  }
  // Refiltered before the move to the first record, so that the scroll events see the new rows.
  CheckBrowseMode();
  SetFilteredFlag(value);
  ParseFilterOrUndo([&] { SetFilteredFlag(!value); });
  Refresh();
  First();
}

void TCustomMemTableGx::SetFilterText(const std::string& value) {
  if (value == Filter()) return;
  const std::string old = Filter();
  TDataSet::SetFilterText(value);
  if (!Active()) return;
  ParseFilterOrUndo([&] { TDataSet::SetFilterText(old); });
  Refresh();
}

void TCustomMemTableGx::SetFilterOptions(TFilterOptions value) {
  if (value == FilterOptions()) return;
  TDataSet::SetFilterOptions(value);
  Refilter(true);
}

void TCustomMemTableGx::SetOnFilterRecord(TFilterRecordEvent value) {
  if (Active()) CheckBrowseMode();
  TDataSet::SetOnFilterRecord(std::move(value));
  if (Active() && Filtered()) Refresh();
}

// ---------------------------------------------------------------- master-detail

namespace {

// One field's value, or a 0-based array of the values of several (Null for none).
Variant ValuesOf(const std::vector<TField*>& fields) {
  if (fields.empty()) return Null();
  if (fields.size() == 1) return fields[0]->Value();
  Variant values = Variant::CreateArray(0, static_cast<int>(fields.size()) - 1);
  for (size_t i = 0; i < fields.size(); ++i) values.SetElement(static_cast<int>(i), fields[i]->Value());
  return values;
}

}  // namespace

Variant TCustomMemTableGx::CurrentMasterValues() const { return ValuesOf(masterLink_->Fields()); }

bool TCustomMemTableGx::DetailMatches(TMemoryRecordGx* rec) const {
  if (useMasterRecords_) return masterRecords_.count(rec) != 0;
  if (detailFields_.empty()) return true;
  auto* self = const_cast<TCustomMemTableGx*>(this);
  for (size_t i = 0; i < detailFields_.size(); ++i) {
    const Variant* master = KeyElement(masterValues_, i, detailFields_.size());
    if (!master) return false;
    if (!VariantsEqual(self->RecordFieldValue(rec, detailFields_[i]), *master)) return false;
  }
  return true;
}

void TCustomMemTableGx::RebuildMasterDetail(bool fromProperty) {
  std::vector<TField*> oldFields;
  if (fromProperty) oldFields = detailFields_;
  if (FieldCount() > 0) {
    std::vector<TField*> fields;
    if (!detailFieldNames_.empty()) GetFieldList(fields, detailFieldNames_);
    detailFields_ = std::move(fields);
  }
  bool active;
  if (masterDetailSide_ == mdsOnProviderGx)
    active = masterLink_->Active();
  else
    active = !detailFields_.empty() && masterLink_->Active() && !masterLink_->Fields().empty();
  if (active == masterDetailActive_) {
    // A property that leaves the link on may still change what it matches (other detail fields):
    // the rows are matched again, or the view would go on showing the old link's rows.
    if (fromProperty && active && masterDetailSide_ != mdsOnProviderGx && Active() && cursorOpen_ &&
        (detailFields_ != oldFields || !VariantsEqual(CurrentMasterValues(), masterValues_))) {
      masterValues_ = CurrentMasterValues();
      RefreshDetail();
    }
    return;
  }
  masterDetailActive_ = active;
  if (active && masterDetailSide_ != mdsOnProviderGx)
    masterValues_ = CurrentMasterValues();
  else if (!active)
    masterValues_ = Variant();
  if (fromProperty && Active()) RefreshDetail();
}

void TCustomMemTableGx::RefreshDetail() {
  if (masterDetailSide_ == mdsOnSelfGx)
    Refresh();
  else
    RefreshFromProvider();
}

void TCustomMemTableGx::MasterChanged() {
  if (!Active() || !cursorOpen_) return;
  if (masterDetailSide_ == mdsOnProviderGx) {
    RebuildMasterDetail(false);
    RefreshFromProvider();
    return;
  }
  const bool wasActive = masterDetailActive_;
  RebuildMasterDetail(false);
  Variant current = masterDetailActive_ ? CurrentMasterValues() : Variant();
  if (wasActive == masterDetailActive_ && (!masterDetailActive_ || VariantsEqual(current, masterValues_))) return;
  masterValues_ = current;
  RefreshDetail();
}

void TCustomMemTableGx::MasterDisabled() {
  if (!Active() || !cursorOpen_) return;
  const bool wasActive = masterDetailActive_;
  RebuildMasterDetail(false);
  if (wasActive != masterDetailActive_ && masterDetailSide_ == mdsOnSelfGx) Refresh();
}

void TCustomMemTableGx::PrepareProviderSide() {
  if (!dataDriver_ || masterDetailSide_ == mdsOnSelfGx) return;
  TDataSet* master = masterLink_->DataSet();
  if (!master || !master->Active()) return;
  dataDriver_->SetProviderParams(master);
  if (masterDetailSide_ == mdsOnSelfAfterProviderGx) {
    fetchedMasterValues_.Clear();
    fetchedMasterValues_.Add(ValuesOf(master->GetFieldList(masterLink_->FieldNames())));
  }
}

void TCustomMemTableGx::RefreshFromProvider() {
  TDataSet* master = masterLink_->DataSet();
  if (!master || !master->Active() || master->State() == dsSetKey || !dataDriver_) return;
  DisableControls();
  Finally enable([&] { EnableControls(); });
  if (masterDetailSide_ == mdsOnProviderGx) {
    if (dataDriver_->MasterValuesChanged(master)) {
      Close();
      Open();
    }
    return;
  }
  Variant values = CurrentMasterValues();
  int pos = 0;
  if (!fetchedMasterValues_.FindKeyValueIndex(values, pos)) {
    FetchMore(-1);
    dataDriver_->Restart();
    dataDriver_->SetProviderParams(master);
    fetchedMasterValues_.Add(values);
    providerDataSet_ = dataDriver_->ProviderDataSet();
    FetchMore(-1);
  }
  masterValues_ = values;
  Refresh();
}

void TCustomMemTableGx::SetDetailFields(const std::string& value) {
  if (value == detailFieldNames_) return;
  if (FieldCount() > 0 && !value.empty() && !InState(csLoading)) {
    // A name the table lacks is refused here, not at every move of the master.
    std::vector<TField*> fields;
    GetFieldList(fields, value);
  }
  detailFieldNames_ = value;
  RebuildMasterDetail(true);
}

void TCustomMemTableGx::SetMasterFields(const std::string& value) {
  // The link refuses names the open master lacks, and a master source lacking its names.
  masterLink_->SetFieldNames(value);
  RebuildMasterDetail(true);
}

void TCustomMemTableGx::SetMasterSource(TDataSource* value) {
  if (value && value->IsLinkedTo(this)) DatabaseError(SCircularDataLink, this);
  masterLink_->SetDataSource(value);
  RebuildMasterDetail(true);
}

void TCustomMemTableGx::SetMasterDetailSide(TMasterDetailSideGx value) {
  if (value == masterDetailSide_) return;
  masterDetailSide_ = value;
  masterDetailActive_ = false;
  RebuildMasterDetail(false);
  if (!Active()) return;
  if (value == mdsOnProviderGx) {
    Close();
    Open();
  } else {
    Refresh();
  }
}

// ---------------------------------------------------------------- locating

Variant TCustomMemTableGx::RecordFieldValue(TMemoryRecordGx* rec, TField* field) {
  const int col = ColumnOf(field);
  if (col >= 0 && field->FieldKind() != fkCalculated && field->FieldKind() != fkLookup) {
    if (!rec || col >= rec->FieldCount()) return Null();
    return rec->Value(col);
  }
  // A calculated or lookup value: the record is read in instant-read mode.
  return InstantFieldValue(rec, field);
}

Variant TCustomMemTableGx::InstantFieldValue(TMemoryRecordGx* rec, TField* field) {
  TRecordBuffer h = AllocRecordBuffer();
  TRecBuf* buf = RecBuf(h);
  buf->MemoryRecord = rec;
  buf->ViewIndex = PositionOf(rec);
  buf->Bookmark = buf->ViewIndex + 1;
  buf->ValuesFromRecord = true;
  buf->BookmarkFlag = bfCurrent;
  instantRead_.push_back(static_cast<int>(reinterpret_cast<intptr_t>(h)));
  Finally leave([&] {
    instantRead_.pop_back();
    TRecordBuffer handle = h;
    FreeRecordBuffer(handle);
  });
  GetCalcFields(h);
  return field->Value();
}

namespace {

// Equality of Locate for values that are not texts: the variant comparison, with the common cases
// of two integers or two floating-point values answered directly.
bool SameValue(const Variant& a, const Variant& b) {
  const TVarType ta = a.VarType(), tb = b.VarType();
  if (ta == tb) {
    switch (ta) {
      case varSmallint:
      case varInteger:
      case varShortInt:
      case varByte:
      case varWord:
      case varLongWord:
      case varInt64:
        return a.AsInt64() == b.AsInt64();
      case varDouble:
      case varDate:
        return a.AsDouble() == b.AsDouble();
      default:
        break;
    }
  }
  return VariantsEqual(a, b);
}

}  // namespace

std::vector<TCustomMemTableGx::LocateKey> TCustomMemTableGx::LocateKeys(const std::vector<TField*>& fields,
                                                                       const Variant& keyValues) const {
  std::vector<LocateKey> keys;
  for (size_t i = 0; i < fields.size(); ++i) {
    const Variant* key = KeyElement(keyValues, i, fields.size());
    if (!key) return {};
    TField* f = fields[i];
    LocateKey k;
    k.Field = f;
    // OnGetFieldValue may show another value than the record holds: then every row is read as shown.
    k.Column = f->FieldKind() == fkData && !OnGetFieldValue ? ColumnOf(f) : -1;
    k.Text = IsTextField(f);
    k.Key = key;
    if (k.Text) k.KeyText = VarToStrGx(*key);
    keys.push_back(std::move(k));
  }
  return keys;
}

bool TCustomMemTableGx::RecordMatches(TMemoryRecordGx* rec, const std::vector<LocateKey>& keys,
                                      TLocateOptions options) {
  for (const LocateKey& k : keys) {
    Variant scratch;
    const Variant& value = (k.Column >= 0 && k.Column < rec->FieldCount())
                               ? rec->Value(k.Column)
                               : (scratch = OnGetFieldValue ? InstantFieldValue(rec, k.Field) : RecordFieldValue(rec, k.Field));
    if (!k.Text) {
      if (!SameValue(value, *k.Key)) return false;
    } else if (options.Empty() && value.IsStr() && k.Key->IsStr()) {
      if (value.StrRef() != k.Key->StrRef()) return false;
    } else if (!TextMatches(value, k.KeyText, options)) {
      return false;
    }
  }
  return true;
}

bool TCustomMemTableGx::FindRecord(std::string_view keyFields, const Variant& keyValues, TLocateOptions options,
                                   int& pos, TMemoryRecordGx** found) {
  if (found) *found = nullptr;
  std::vector<TField*> fields = GetFieldList(keyFields);
  if (fields.empty() || (fields.size() > 1 && !keyValues.IsArray())) return false;
  int scanFrom = 0;
  bool allData = true;
  for (TField* f : fields)
    if (f->FieldKind() != fkData || ColumnOf(f) < 0) allData = false;
  // An index holds the stored values, which OnGetFieldValue may show otherwise.
  if (options.Empty() && allData && !OnGetFieldValue) {
    TMTIndexGx* index = RecordsList()->Indexes()->GetIndexForFields(keyFields);
    if (index && index->Active() && !index->Fields().empty()) {
      try {
        Variant key = keyValues;
        if (fields.size() > 1) {
          // The index keys a multi-field record by a 0-based array.
          key = Variant::CreateArray(0, static_cast<int>(fields.size()) - 1);
          for (size_t i = 0; i < fields.size(); ++i) key.SetElement(static_cast<int>(i), *KeyElement(keyValues, i, fields.size()));
        }
        std::vector<TMemoryRecordGx*> records;
        index->GetKeyRecords(key, records);
        int best = -1;
        TMemoryRecordGx* bestRecord = nullptr;
        for (TMemoryRecordGx* rec : records) {
          int p = PositionOf(rec);
          if (p >= 0 && (best < 0 || p < best)) {
            best = p;
            bestRecord = rec;
          }
        }
        if (best >= 0) {
          pos = best;
          if (found) *found = bestRecord;
          return true;
        }
        // None stored: only rows still to come from the driver can match. Records the view hides
        // (filter, master) fall through to the scan, which finds nothing among them either way.
        if (records.empty()) scanFrom = ViewCount();
      } catch (const Exception&) {
        scanFrom = 0;  // keys the index cannot compare: every row is looked at
      }
    }
  }
  const std::vector<LocateKey> keys = LocateKeys(fields, keyValues);
  if (keys.empty()) return false;
  if (!view_->ViewAsTreeList() && keys[0].Column >= 0) {
    // The flat rows read in order; the records further on are fetched into the cache ahead of
    // the comparison (they lie anywhere in memory).
    const auto& rows = view_->FlatList();
    const int n = static_cast<int>(rows.size());
    const int column = keys[0].Column;
    for (int i = scanFrom; i < n; ++i) {
      if (i + 16 < n) __builtin_prefetch(rows[static_cast<size_t>(i + 16)]);
      if (i + 8 < n) {
        TMemoryRecordGx* ahead = rows[static_cast<size_t>(i + 8)];
        if (column < ahead->FieldCount()) __builtin_prefetch(&ahead->Value(column));
      }
      if (RecordMatches(rows[static_cast<size_t>(i)], keys, options)) {
        pos = i;
        return true;
      }
    }
    scanFrom = std::max(scanFrom, n);
  }
  for (int i = scanFrom;; ++i) {
    if (i >= ViewCount()) {
      if (!dataDriver_ || dataDriver_->ProviderEof()) break;
      FetchMore(1);
      if (i >= ViewCount()) {
        if (dataDriver_->ProviderEof()) break;
        --i;
        continue;
      }
    }
    TMemoryRecordGx* rec = ViewRecord(i);
    if (rec && RecordMatches(rec, keys, options)) {
      pos = i;
      return true;
    }
  }
  return false;
}

bool TCustomMemTableGx::Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options) {
  CheckBrowseMode();
  if (Bof() && Eof()) return false;
  Lock lock(*this);
  int pos = -1;
  TMemoryRecordGx* record = nullptr;
  bool found = FindRecord(keyFields, keyValues, options, pos, &record);
  if (found) {
    DoBeforeScroll();
    currentIndex_ = pos;
    resyncPending_ = false;
    lock.Release(false);
    {
      // The record found is bound without looking up its row again, while it is still there.
      if (record && (!view_->ShowsStoreAsIs() || record->Index() != pos)) record = nullptr;
      located_ = record;
      locatedIndex_ = pos;
      Finally forget([&] { located_ = nullptr; });
      Resync({rmExact, rmCenter});
    }
    DoAfterScroll();
    return true;
  }
  // Rows fetched meanwhile: the buffers are read again where they were.
  if (resyncPending_) UpdateCursorPos();
  lock.Release(true);
  return false;
}

Variant TCustomMemTableGx::Lookup(std::string_view keyFields, const Variant& keyValues, std::string_view resultFields) {
  CheckActive();
  Variant result;  // unassigned: a miss answers an empty value, not Null
  if (ViewCount() == 0 && (!dataDriver_ || dataDriver_->ProviderEof())) return result;
  view_->SetViewChangedFlag(false);
  Lock lock(*this);
  int pos = -1;
  if (FindRecord(keyFields, keyValues, {}, pos)) {
    TRecordBuffer h = AllocRecordBuffer();
    TRecBuf* buf = RecBuf(h);
    BindRecBuf(*buf, pos);
    instantRead_.push_back(static_cast<int>(reinterpret_cast<intptr_t>(h)));
    Finally leave([&] {
      instantRead_.pop_back();
      TRecordBuffer handle = h;
      FreeRecordBuffer(handle);
    });
    GetCalcFields(h);
    result = FieldValues(resultFields);
  }
  const bool fetched = view_->ViewChangedFlag();
  if (fetched && State() == dsBrowse) UpdateCursorPos();
  lock.Release(fetched);
  return result;
}

// ---------------------------------------------------------------- cached updates

void TCustomMemTableGx::MergeChangeLog() {
  CheckActive();
  CheckBrowseMode();
  Lock lock(*this);
  view_->MergeChangeLog();
  UpdateCursorPos();
  resyncPending_ = true;
  lock.Release(true);
}

void TCustomMemTableGx::CancelUpdates() {
  CheckActive();
  Cancel();
  Lock lock(*this);
  TMemoryRecordGx* current = nullptr;
  if (TRecBuf* buf = CurrentRecBuf()) current = buf->MemoryRecord;
  view_->CancelUpdates();
  lock.Release(false);
  // The current record may have gone (an insert undone).
  bool alive = false;
  for (TMemoryRecordGx* r : RecordsList()->Records())
    if (r == current) alive = true;
  RestoreCurrentRecord(alive ? current : nullptr);
}

int TCustomMemTableGx::ApplyUpdates(int maxErrors) {
  CheckActive();
  CheckBrowseMode();
  Lock lock(*this);
  int n = InternalApplyUpdates(ActiveStore(), maxErrors);
  UpdateCursorPos();
  resyncPending_ = true;
  lock.Release(true);
  return n;
}

// ---------------------------------------------------------------- row transfer

std::vector<std::pair<int, TField*>> TCustomMemTableGx::SourceFieldMap(TDataSet* source) const {
  std::vector<std::pair<int, TField*>> map;
  for (TField* f : Fields()) {
    if (f->FieldNo() <= 0) continue;
    if (TField* sf = source->FindField(f->FieldName())) map.emplace_back(f->FieldNo() - 1, sf);
  }
  return map;
}

std::vector<TCustomMemTableGx::TextLimit> TCustomMemTableGx::TextLimits(TDataSet* source) const {
  std::vector<TextLimit> limits;
  // Every copied text is looked at, also from a memory table: its store may hold texts longer than
  // its fields (written to the store itself, or read from a stream).
  for (TField* f : Fields()) {
    if (f->FieldNo() <= 0 || f->Size() <= 0) continue;
    const bool wide = WideText(f->DataType());
    if (!wide && !NarrowText(f->DataType())) continue;
    if (!source->FindField(f->FieldName())) continue;
    limits.push_back({f->FieldNo() - 1, static_cast<size_t>(f->Size()), wide});
  }
  return limits;
}

void TCustomMemTableGx::FitTexts(TMemoryRecordGx* rec, const std::vector<TextLimit>& limits) {
  for (const TextLimit& limit : limits) {
    if (limit.Column >= rec->FieldCount()) continue;
    Variant cut;
    if (CutText(rec->Value(limit.Column), limit.Size, limit.Wide, cut)) rec->SetDataValue(limit.Column, rvCurrent, cut);
  }
}

void TCustomMemTableGx::CopyRowWithStatus(TDataSet* source, const std::vector<std::pair<int, TField*>>& map,
                                          const std::vector<TextLimit>& limits) {
  CheckBrowseMode();
  TMemoryRecordGx* rec = view_->NewRecord();
  try {
    for (const auto& [col, sf] : map)
      if (col < rec->FieldCount()) rec->SetDataValue(col, rvCurrent, sf->Value());
    FitTexts(rec, limits);
    rec->SetRowNum(source->RecNo());
    RecordsList()->AddRecordWithStatus(rec, source->UpdateStatus());
  } catch (...) {
    if (!rec->Attached()) rec->RecordsList()->DropNewRecords({rec});
    throw;
  }
}

namespace {

const Variant kNullValue = Variant::Null();

// The frame of every copy: the controls of the source and of the table are disabled for its
// length, and at its end (also on an error) the table's controls come back, a source that was
// closed is closed again, and the source's controls come back, in that order.
class TransferScope {
 public:
  TransferScope(TDataSet& source, TDataSet& table) : source_(source), table_(table), wasActive_(source.Active()) {
    source_.DisableControls();
    table_.DisableControls();
  }
  TransferScope(const TransferScope&) = delete;
  TransferScope& operator=(const TransferScope&) = delete;
  ~TransferScope() noexcept(false) {
    Finally enableSource([&] { source_.EnableControls(); });
    Finally closeSource([&] {
      if (!wasActive_) source_.Close();
    });
    Finally enableTable([&] { table_.EnableControls(); });
  }
  bool SourceWasActive() const noexcept { return wasActive_; }
  void OpenSource() {
    source_.Open();
    source_.CheckBrowseMode();
    source_.UpdateCursorPos();
  }

 private:
  TDataSet& source_;
  TDataSet& table_;
  bool wasActive_;
};

}  // namespace

bool TCustomMemTableGx::AppendsAsOneChange() const {
  // The view rebuilds its rows from the store on a change of the whole list: with the rows in
  // store order, kept by the status filter alone and nothing counted over them, it then holds what
  // it would after a notice a row, and nobody else was told of a row. The view's filter callback
  // is this table's, which keeps every row unless the table filters or follows a master.
  const bool filtering = cursorOpen_ && (FilterActive() || (masterDetailActive_ && masterDetailSide_ != mdsOnProviderGx));
  const TMemTableDataGx* store = ActiveStore();
  const TRecordsListGx* list = RecordsList();
  return !filtering && store && list && store->Notificators().size() == 1 && store->Notificators()[0] == view_ &&
         list->UpdateCount() == 0 && list->Indexes()->Count() == 0 && clients_.empty() && !view_->ViewAsTreeList() &&
         view_->OrderByList().Empty() && !view_->GetRecordsList && !view_->OnRecordChange &&
         view_->NotificationClients().empty() && (!view_->Aggregates() || view_->Aggregates()->Count() == 0);
}

int TCustomMemTableGx::AppendFrom(TDataSet* source, bool changedOnly) {
  if (!source || source == this) return 0;
  int count = 0;
  TransferScope scope(*source, *this);
  scope.OpenSource();
  if (!Active()) Open();
  CheckBrowseMode();
  Finally first([&] {
    if (Active()) First();
  });
  const auto map = SourceFieldMap(source);
  const auto limits = TextLimits(source);
  Lock lock(*this);
  source->First();
  while (!source->Eof()) {
    if (!changedOnly || source->UpdateStatus() != usUnmodified) {
      CopyRowWithStatus(source, map, limits);
      ++count;
    }
    source->Next();
  }
  resyncPending_ = false;
  lock.Release(false);
  return count;
}

int TCustomMemTableGx::AppendRecordsFrom(TDataSet* source) { return AppendFrom(source, false); }

int TCustomMemTableGx::AppendChangedRecordsFrom(TDataSet* source) { return AppendFrom(source, true); }

int TCustomMemTableGx::AppendCurrentRecordFrom(TDataSet* source) {
  if (!source || source == this) return 0;
  // A source at its end gives nothing, also on its last row after Last. A closed source has no
  // position yet: it is opened and its first row taken.
  if (source->Active() && source->Eof()) return 0;
  TransferScope scope(*source, *this);
  if (!scope.SourceWasActive()) {
    scope.OpenSource();
    if (source->Eof()) return 0;
  }
  if (!Active()) Open();
  CheckBrowseMode();
  const auto map = SourceFieldMap(source);
  Lock lock(*this);
  CopyRowWithStatus(source, map, TextLimits(source));
  if (State() == dsBrowse) UpdateCursorPos();
  lock.Release(true);
  return 1;
}

int TCustomMemTableGx::LoadFromDataSet(TDataSet* source, int recordCount, Byte mode, bool useCachedUpdates) {
  if (!source || source == this) return 0;
  int count = 0;
  TransferScope scope(*source, *this);
  scope.OpenSource();
  if (mode == 0) {
    Close();
    ActiveStore()->DestroyTable();
    ActiveStore()->DataStruct()->BuildStructFromFields(&source->Fields());
  }
  if (!Active()) Open();
  CheckBrowseMode();
  Finally first([&] {
    if (Active()) First();
  });
  int limit = INT_MAX;
  if (recordCount < 1)
    source->First();
  else
    limit = recordCount;
  const auto map = SourceFieldMap(source);
  if (useCachedUpdates && CachedUpdates()) {
    // Each row goes through the fields and is posted: it is queued as inserted.
    std::vector<std::pair<TField*, TField*>> fields;
    for (TField* f : Fields()) {
      if (f->FieldNo() <= 0) continue;
      if (TField* sf = source->FindField(f->FieldName())) fields.emplace_back(f, sf);
    }
    while (!source->Eof()) {
      Append();
      for (auto& [f, sf] : fields) f->SetValue(sf->Value());
      const int rowNum = source->RecNo();
      SetRecordRowNum(rowNum);
      // The posted row keeps the source's row number, as a directly copied one does: the record
      // the post makes takes it, wherever the view shows it (a filter may hide it).
      postRowNum_ = rowNum;
      Finally forget([&] { postRowNum_.reset(); });
      Post();
      if (++count >= limit) break;
      source->Next();
    }
    return count;
  }
  Lock lock(*this);
  TRecordsListGx* list = RecordsList();
  // Texts copied straight are cut as the fields would cut them.
  const auto limits = TextLimits(source);
  // A plain memory table as the source: its row buffer is read once per row, and a value its field
  // would pass on unchanged is taken from there (GetFieldData's reading without the field calls)
  // and stored as it is where the column takes it so.
  TCustomMemTableGx* plain = typeid(*source) == typeid(TMemTableGx) ? static_cast<TCustomMemTableGx*>(source) : nullptr;
  if (plain && plain->OnGetFieldValue) plain = nullptr;
  struct Passing {
    TVarType type = varEmpty;  // FieldPassedDataType; varEmpty: read through the field
    int sourceCol = -1;
    const TMTDataFieldGx* column = nullptr;
    // Whether the target column stores a Null, and a value of `type` (not varVariant), as it is.
    bool nullAsIs = false;
    bool typedAsIs = false;
  };
  std::vector<Passing> passing(map.size());
  if (plain) {
    const TMTDataStructGx* ds = ActiveStore()->DataStruct();
    for (size_t k = 0; k < map.size(); ++k) {
      TField* sf = map[k].second;
      if (sf->FieldKind() == fkAggregate) continue;
      passing[k].type = FieldPassedDataType(sf);
      passing[k].sourceCol = plain->ColumnOf(sf);
      if (map[k].first < ds->Count()) {
        const TMTDataFieldGx* column = ds->Fields()[static_cast<size_t>(map[k].first)];
        passing[k].column = column;
        passing[k].nullAsIs = column->StoresAsIs(kNullValue);
        passing[k].typedAsIs = column->StoresTypeAsIs(passing[k].type);
      }
    }
  }
  // Every value to copy can be taken from the source's records as they stand (the reply reader's
  // copy between tables of one structure): the rows go record by record, without moving the
  // source's cursor through every row.
  if (plain && !plain->InstantReadMode() && plain->State() == dsBrowse && !plain->view_->ViewAsTreeList() &&
      !source->Eof()) {
    const int start = plain->RecNo() - 1;
    const int rows = plain->ViewCount();
    const int end = limit == INT_MAX || limit > rows - start ? rows : start + limit;
    bool whole = start >= 0 && start < end;
    // The columns that are copied: the store's column and its value's place in the source.
    struct Pass {
      int col, sourceCol;
      const Passing* passing;
    };
    std::vector<Pass> passes;
    const int storeCount = ActiveStore()->DataStruct()->Count();
    for (size_t k = 0; k < map.size() && whole; ++k) {
      const Passing& p = passing[k];
      if (map[k].first >= storeCount) continue;
      whole = p.type != varEmpty && p.sourceCol >= 0 && p.nullAsIs && (p.type == varVariant ? p.column != nullptr : p.typedAsIs);
      passes.push_back(Pass{map[k].first, p.sourceCol, &p});
    }
    // The type each source value must have, looked at for every row before one is copied: Null and
    // Empty pass, and else the column's passed type, or for a variant column the type it stores as
    // it is (any type when it stores variants, none when it copies values).
    struct Check {
      int sourceCol;
      TVarType type;
    };
    constexpr TVarType kNoType = 0xFFFF;
    std::vector<Check> checks;
    int needed = 0;  // the values a source record must have
    for (const Pass& pass : passes) {
      const Passing& p = *pass.passing;
      needed = std::max(needed, p.sourceCol + 1);
      if (p.type != varVariant) {
        checks.push_back(Check{p.sourceCol, p.type});
      } else if (p.column && (p.column->CopiesValues() || p.column->StoreVarType() != varVariant)) {
        checks.push_back(Check{p.sourceCol, p.column->CopiesValues() ? kNoType : p.column->StoreVarType()});
      }
    }
    // Every column taken from the source's column of the same place (tables of one structure):
    // a record is made with the source's values in one go, their types looked at as they are copied.
    bool alike = static_cast<int>(passes.size()) == storeCount;
    for (size_t k = 0; k < passes.size() && alike; ++k)
      alike = passes[k].col == static_cast<int>(k) && passes[k].sourceCol == static_cast<int>(k);
    std::vector<TVarType> types;
    if (alike) {
      types.assign(static_cast<size_t>(storeCount), TRecordsListGx::kAnyVarType);
      for (const Check& c : checks) types[static_cast<size_t>(c.sourceCol)] = c.type;
    }
    // The records are all made before the first is added: on a value of another type part way
    // they are dropped and the copy goes field by field below, with nothing of this one left. One
    // that fails to be made ends the copy with the ones before it added, as row by row.
    std::vector<TMemoryRecordGx*> made;
    if (whole) made.reserve(static_cast<size_t>(end - start));
    std::exception_ptr failed;
    try {
      for (int pos = start; pos < end && whole; ++pos) {
        const TMemoryRecordGx* from = plain->ViewRecord(pos);
        if (!from || from->FieldCount() < needed) {
          whole = false;
          break;
        }
        TMemoryRecordGx* rec = nullptr;
        if (alike && from->FieldCount() == storeCount) {
          rec = list->NewRecordFrom(*from, types.data());
          if (!rec) {
            whole = false;
            break;
          }
        } else {
          for (const Check& c : checks) {
            const TVarType t = from->Value(c.sourceCol).VarType();
            if (t != c.type && t != varNull && t != varEmpty) {
              whole = false;
              break;
            }
          }
          if (!whole) break;
          rec = view_->NewRecord();
          try {
            for (const Pass& pass : passes) {
              if (pass.col >= rec->FieldCount()) continue;
              const Variant& v = from->Value(pass.sourceCol);
              rec->PutStored(pass.col, VarIsNullOrEmpty(v) ? kNullValue : v);
            }
          } catch (...) {
            rec->Free();
            throw;
          }
        }
        made.push_back(rec);
        FitTexts(rec, limits);
        rec->SetRowNum(pos + 1);
      }
    } catch (...) {
      failed = std::current_exception();
    }
    if (!whole) list->DropNewRecords(made);
    if (whole) {
      // Where nothing hears of single rows, the store tells its listeners of the new rows as one
      // change of its list once they are all in (also when a copy fails part way).
      const bool quiet = AppendsAsOneChange();
      if (quiet) list->BeginUpdate();
      Finally tell([&] {
        if (quiet) list->EndUpdate();
      });
      size_t next = 0;
      try {
        for (; next < made.size(); ++next) {
          list->FetchRecord(made[next]);
          ++count;
        }
      } catch (...) {
        // The ones not added go; those added stay, as a row by row copy that failed there leaves them.
        list->DropNewRecords(std::vector<TMemoryRecordGx*>(made.begin() + static_cast<std::ptrdiff_t>(next) + 1, made.end()));
        if (!made[next]->Attached()) made[next]->Free();
        throw;
      }
      if (failed) std::rethrow_exception(failed);
      // The source ends where the row by row copy leaves it: on the last row copied when the
      // count ran out, else past the end.
      if (count >= limit) {
        source->SetRecNo(end);
      } else {
        source->Last();
        source->Next();
      }
      resyncPending_ = false;
      lock.Release(false);
      return count;
    }
  }
  Variant scratch;
  while (!source->Eof()) {
    TMemoryRecordGx* rec = view_->NewRecord();
    try {
      TRecBuf* buf = nullptr;
      const bool direct = plain && plain->GetActiveRecBuf(buf);
      const TMemoryRecordGx* sourceRec =
          direct && buf->ValuesFromRecord && buf->ReadVersion == rvCurrent ? buf->MemoryRecord : nullptr;
      for (size_t k = 0; k < map.size(); ++k) {
        const auto& [col, sf] = map[k];
        if (col >= rec->FieldCount()) continue;
        const Passing& p = passing[k];
        if (direct && p.type != varEmpty) {
          const Variant& v = sourceRec && p.sourceCol >= 0 && p.sourceCol < sourceRec->FieldCount()
                                 ? sourceRec->Value(p.sourceCol)
                                 : plain->BufferValue(*buf, sf, scratch);
          if (VarIsNullOrEmpty(v)) {
            if (p.nullAsIs)
              rec->PutStored(col, kNullValue);
            else
              rec->SetDataValue(col, rvCurrent, kNullValue);
            continue;
          }
          if (p.type == varVariant || v.VarType() == p.type) {
            if (p.type == varVariant ? p.column && p.column->StoresAsIs(v) : p.typedAsIs)
              rec->PutStored(col, v);
            else
              rec->SetDataValue(col, rvCurrent, v);
            continue;
          }
        }
        rec->SetDataValue(col, rvCurrent, sf->Value());
      }
      FitTexts(rec, limits);
      rec->SetRowNum(source->RecNo());
      list->FetchRecord(rec);
    } catch (...) {
      if (!rec->Attached()) rec->RecordsList()->DropNewRecords({rec});
      throw;
    }
    if (++count >= limit) break;
    source->Next();
  }
  resyncPending_ = false;
  lock.Release(false);
  return count;
}

int TCustomMemTableGx::GetRecordRowNum() {
  TRecBuf* buf = nullptr;
  if (!Active() || !GetActiveRecBuf(buf) || buf->ViewIndex < 0 || !buf->MemoryRecord) return -1;
  return buf->MemoryRecord->RowNum();
}

void TCustomMemTableGx::SetRecordRowNum(int value) {
  TRecBuf* buf = nullptr;
  if (!Active() || !GetActiveRecBuf(buf) || buf->ViewIndex < 0 || !buf->MemoryRecord) return;
  buf->MemoryRecord->SetRowNum(value);
}

// ---------------------------------------------------------------- sorting

int TMTOrderByList::FieldIndexByName(std::string_view name) const {
  TField* field = table_ ? table_->FindField(name) : nullptr;
  return field && field->FieldKind() != fkAggregate ? field->Index() : -1;
}

void TCustomMemTableGx::ParseSortOrder(std::string_view text, TOrderByList& list) const {
  TMTOrderByList keys(this);
  keys.ParseOrderByStr(text);  // raises, leaving `list` as it was
  list.SetItems(keys.Items());
}

int TCustomMemTableGx::CompareRecords(TMemoryRecordGx* rec1, TMemoryRecordGx* rec2, const TOrderByList& list) {
  for (const TOrderByItemGx& item : list.Items()) {
    if (item.FieldIndex < 0 || item.FieldIndex >= FieldCount()) continue;
    TField* f = Fields()[item.FieldIndex];
    Variant a = RecordFieldValue(rec1, f);
    Variant b = RecordFieldValue(rec2, f);
    int r;
    if (a.IsNull() || b.IsNull())
      r = a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? -1 : 1);
    else if (a == b)
      r = 0;
    else
      r = a < b ? -1 : 1;
    if (item.Desc) r = -r;
    if (r != 0) return r;
  }
  return 0;
}

int TCustomMemTableGx::CompareTreeNodes(TMemRecViewGx* node1, TMemRecViewGx* node2, const TOrderByList& list) {
  return CompareRecords(node1->Rec(), node2->Rec(), list);
}

void TCustomMemTableGx::RestoreCurrentRecord(TMemoryRecordGx* rec) {
  if (!Active()) return;
  int p = rec ? PositionOf(rec) : -1;
  if (p >= 0)
    currentIndex_ = p;
  else
    currentIndex_ = std::min(currentIndex_, ViewCount() - 1);
  if (State() == dsBrowse) Resync({});
}

void TCustomMemTableGx::ApplySortOrderToView() {
  if (!cursorOpen_) {
    view_->SetOrderByStr("");
    return;
  }
  TOrderByList list;
  ParseSortOrder(sortOrder_, list);
  // Keys that are all stored columns go to the view by their column names, and the view sorts on
  // its own; a calculated or lookup key makes the view parse and compare through the table.
  std::string text;
  bool stored = true;
  TMTDataStructGx* ds = ActiveStore()->DataStruct();
  for (const TOrderByItemGx& item : list.Items()) {
    TField* f = Fields()[item.FieldIndex];
    const int col = ColumnOf(f);
    if (col < 0 || col >= ds->Count() || f->FieldKind() != fkData) {
      stored = false;
      break;
    }
    if (!text.empty()) text += ',';
    text += ds->DataFields(col)->FieldName();
    if (item.Desc) text += " DESC";
  }
  TMemoryRecordGx* current = nullptr;
  if (TRecBuf* buf = CurrentRecBuf()) current = buf->MemoryRecord;
  {
    Lock lock(*this);
    if (stored) {
      view_->ParseOrderBy = nullptr;
      view_->CompareRecords = nullptr;
      view_->SetOrderByStr(text);
    } else {
      view_->ParseOrderBy = [this](std::string_view order, TOrderByList& keys) { ParseSortOrder(order, keys); };
      view_->CompareRecords = [this](TMemoryRecordGx* a, TMemoryRecordGx* b, const TOrderByList& keys) {
        return CompareRecords(a, b, keys);
      };
      // The same text may have gone to the view as column names before: start from none.
      view_->SetOrderByStr("");
      view_->SetOrderByStr(sortOrder_);
    }
    resyncPending_ = false;
    lock.Release(false);
  }
  RestoreCurrentRecord(current);
}

void TCustomMemTableGx::SetSortOrder(const std::string& value) {
  if (value == sortOrder_) return;
  if (cursorOpen_) {
    TOrderByList check;
    ParseSortOrder(value, check);  // a bad text raises and changes nothing
    CheckBrowseMode();
  }
  std::string old = sortOrder_;
  sortOrder_ = value;
  try {
    ApplySortOrderToView();
  } catch (...) {
    // Rows the new order cannot sort: the view takes the old order again (it sorted them).
    sortOrder_ = old;
    try {
      ApplySortOrderToView();
    } catch (const Exception&) {
      // Neither sorts the rows now: they stay as they stand.
    }
    throw;
  }
}

void TCustomMemTableGx::SortByOrderText(const std::string& text) {
  TOrderByList list;
  ParseSortOrder(text, list);
  SortData(list);
}

void TCustomMemTableGx::SortData(const TOrderByList& list) {
  if (!Active() || ViewCount() == 0) return;
  CheckBrowseMode();
  if (!instantRead_.empty()) throw Exception(SSortInInstantReadMode);
  TMemoryRecordGx* current = nullptr;
  if (TRecBuf* buf = CurrentRecBuf()) current = buf->MemoryRecord;
  {
    Lock lock(*this);
    if (view_->ViewAsTreeList()) {
      view_->TreeList()->SortData(
          [this, &list](TBaseTreeNodeGx* a, TBaseTreeNodeGx* b, void*) {
            return CompareTreeNodes(static_cast<TMemRecViewGx*>(a), static_cast<TMemRecViewGx*>(b), list);
          },
          nullptr, true);
    } else {
      // Keys that are all stored columns are read once by the records list; a calculated or
      // lookup key is compared through the table.
      TOrderByList columns;
      TMTDataStructGx* ds = ActiveStore()->DataStruct();
      for (const TOrderByItemGx& item : list.Items()) {
        if (item.FieldIndex < 0 || item.FieldIndex >= FieldCount()) continue;  // compared as equal
        TField* f = Fields()[item.FieldIndex];
        const int col = ColumnOf(f);
        if (col < 0 || col >= ds->Count() || f->FieldKind() != fkData) {
          columns.Clear();
          break;
        }
        columns.Add({col, item.Desc});
      }
      if (!columns.Empty())
        RecordsList()->SortData(columns);
      else
        RecordsList()->SortData(
            [this, &list](TMemoryRecordGx* a, TMemoryRecordGx* b) { return CompareRecords(a, b, list); });
    }
    resyncPending_ = false;
    lock.Release(false);
  }
  const int buffers = BufferCount();
  SetBufferCount(0);
  SetBufferCount(buffers);
  RestoreCurrentRecord(current);
}

// ---------------------------------------------------------------- IMemTableGx

int TCustomMemTableGx::GetCurrentRowIndex() {
  if (!Active()) return -1;
  UpdateCursorPos();
  return currentIndex_;
}

bool TCustomMemTableGx::GetNodeExpanded() {
  TRecBuf* buf = nullptr;
  return GetActiveRecBuf(buf) && buf->TreeNode && buf->TreeNode->NodeExpanded();
}

bool TCustomMemTableGx::GetNodeHasChildren() {
  TRecBuf* buf = nullptr;
  return GetActiveRecBuf(buf) && buf->TreeNode && buf->TreeNode->NodeHasChildren();
}

int TCustomMemTableGx::GetNodeLevel() {
  TRecBuf* buf = nullptr;
  if (!GetActiveRecBuf(buf) || !buf->TreeNode) return -1;
  return buf->TreeNode->NodeLevel();
}

int TCustomMemTableGx::GetPriorRowNodeLevel() {
  if (!Active() || !view_->ViewAsTreeList()) return -1;
  int recNo = RecNo();
  if (recNo < 2) return -1;
  TMemRecViewGx* node = view_->TreeList()->GetExpandedVisibleItem(recNo - 2);
  return node ? node->NodeLevel() : -1;
}

int TCustomMemTableGx::GetNextRowNodeLevel() {
  if (!Active() || !view_->ViewAsTreeList()) return -1;
  int recNo = RecNo();
  if (recNo < 0 || recNo >= RecordCount()) return -1;
  TMemRecViewGx* node = view_->TreeList()->GetExpandedVisibleItem(recNo);
  return node ? node->NodeLevel() : -1;
}

TMemoryRecordGx* TCustomMemTableGx::GetActiveMemoryRecord() {
  TRecBuf* buf = nullptr;
  return GetActiveRecBuf(buf) ? buf->MemoryRecord : nullptr;
}

int TCustomMemTableGx::BookmarkToRowIndex(const std::string& bookmark) {
  if (bookmark.size() < 4) return -1;
  return BookmarkValue(reinterpret_cast<const Byte*>(bookmark.data())) - 1;
}

int TCustomMemTableGx::GetRowCount() {
  if (!Active()) return 0;
  return ViewCount() + (State() == dsInsert ? 1 : 0);
}

bool TCustomMemTableGx::IsTreeView() { return view_->ViewAsTreeList(); }

bool TCustomMemTableGx::AncestorHasNextSibling(int level) {
  if (level < 1) return false;
  TRecBuf* buf = nullptr;
  if (!GetActiveRecBuf(buf) || !buf->TreeNode) return false;
  TMemRecViewGx* node = buf->TreeNode;
  while (node && node->NodeLevel() > level) node = node->NodeParent();
  if (!node || node->NodeLevel() != level) return false;
  TMemRecViewGx* parent = node->NodeParent();
  if (!parent) return false;
  for (int i = node->Index() + 1; i < parent->ChildCount(); ++i)
    if (parent->Child(i)->NodeVisible()) return true;
  return false;
}

bool TCustomMemTableGx::LocateRecord(TMemoryRecordGx* rec) {
  if (!Active() || !rec) return false;
  // The record is one a client took earlier, and a handler may have deleted it since: it is looked
  // for among the rows by its address alone, never read. The search goes out from the current
  // row, where a client walking the rows meets the next one.
  const int count = ViewCount();
  int p = -1;
  for (int lo = std::clamp(currentIndex_, 0, std::max(0, count - 1)), hi = lo + 1; p < 0 && (lo >= 0 || hi < count);) {
    if (lo >= 0 && ViewRecord(lo) == rec) p = lo;
    else if (hi < count && ViewRecord(hi) == rec) p = hi;
    --lo;
    ++hi;
  }
  if (p < 0) return false;
  SetRecNo(p + 1);
  return true;
}

int TCustomMemTableGx::EditingRowIndex() {
  TRecBuf* buf = RecBuf(ActiveBuffer());
  if (!buf) return -1;
  if (State() == dsEdit) return buf->ViewIndex;
  switch (buf->BookmarkFlag) {
    case bfEOF:
      return ViewCount();
    case bfBOF:
      return 0;
    default:
      return std::max(0, buf->Bookmark == INT32_MIN ? ViewCount() : buf->Bookmark - 1);
  }
}

void TCustomMemTableGx::InstantReadEnter(int rowIndex) {
  TRecordBuffer h = AllocRecordBuffer();
  instantRead_.push_back(static_cast<int>(reinterpret_cast<intptr_t>(h)));
  TRecBuf* buf = RecBuf(h);
  const TDataSetState state = State();
  const bool editing = state == dsEdit || state == dsInsert;
  const int editingRow = editing ? EditingRowIndex() : -1;
  if (editing && rowIndex == editingRow) {
    // The row being edited is read with its edit.
    if (TRecBuf* active = RecBuf(ActiveBuffer())) {
      *buf = *active;
      buf->InUse = true;
      if (state == dsInsert) {
        buf->ViewIndex = -1;
        buf->TreeNode = nullptr;
        buf->MemoryRecord = nullptr;
        buf->ValuesFromRecord = false;
      }
    }
    return;
  }
  if (ViewCount() > 0) {
    if (state == dsInsert && rowIndex > editingRow) --rowIndex;
    if (rowIndex >= 0 && rowIndex < ViewCount()) {
      if (!(buf->ViewIndex == rowIndex && buf->MemoryRecord == ViewRecord(rowIndex))) {
        BindRecBuf(*buf, rowIndex);
        GetCalcFields(h);
      }
      return;
    }
  }
  InternalInitRecord(h);
  buf->ViewIndex = -1;
}

void TCustomMemTableGx::InstantReadLeave() {
  if (instantRead_.empty()) throw Exception(SNotInInstantReadMode);
  TRecordBuffer h = HandleOf(instantRead_.back() - 1);
  instantRead_.pop_back();
  FreeRecordBuffer(h);
}

void TCustomMemTableGx::CreateFieldValueList(const std::string& fieldName,
                                             std::unique_ptr<IMemTableDataFieldValueListGx>& list) {
  list.reset();
  TField* field = FindField(fieldName);
  if (!field) return;
  if (field->FieldKind() == fkLookup) {
    auto values = std::make_unique<TDatasetFieldValueListGx>();
    values->SetDataSet(field->LookupDataSet());
    values->SetFieldName(field->LookupResultField());
    list = std::move(values);
    return;
  }
  list = std::make_unique<TMemTableDataFieldValueListGx>(ActiveStore(), fieldName);
}

// ---- tree

void TCustomMemTableGx::SetTreeActive(bool value) {
  if (value == view_->ViewAsTreeList()) return;
  TMemoryRecordGx* current = nullptr;
  if (TRecBuf* buf = CurrentRecBuf()) current = buf->MemoryRecord;
  {
    Lock lock(*this);
    view_->SetViewAsTreeList(value);
    resyncPending_ = false;
    lock.Release(false);
  }
  RestoreCurrentRecord(current);
}

void TCustomMemTableGx::RebuildTree() {
  if (!view_->ViewAsTreeList()) return;
  TMemoryRecordGx* current = nullptr;
  if (TRecBuf* buf = CurrentRecBuf()) current = buf->MemoryRecord;
  {
    Lock lock(*this);
    view_->RebuildTree();
    view_->RebuildView();
    resyncPending_ = false;
    lock.Release(false);
  }
  RestoreCurrentRecord(current);
}

void TCustomMemTableGx::TreeExpandedChanging(TMemRecViewGx* node, bool& allowed) {
  allowed = true;
  if (!node || node->NodeExpanded()) return;
  if (OnNodeExpanding) OnNodeExpanding(this, node, allowed);
  if (!cursorOpen_ || !Active() || node->NodeExpanded() || !OnRowExpanding) return;
  TRecBuf* current = CurrentRecBuf();
  if (current && current->TreeNode == node) {
    OnRowExpanding(this, current->ViewIndex + 1, allowed);
    return;
  }
  int row = PositionOf(node->Rec());
  if (row < 0) return;
  InstantReadEnter(row);
  Finally leave([&] { InstantReadLeave(); });
  OnRowExpanding(this, row + 1, allowed);
}

void TCustomMemTableGx::TreeExpandedChanged(TMemRecViewGx* node) {
  if (!cursorOpen_ || !Active()) return;
  // The rows below a node that is shown came or went: the clients' positions no longer hold (the
  // notice is held back while the controls are off, as every notice is).
  TMemoryTreeListGx* tree = view_->TreeList();
  const bool shown = node && node->ChildCount() > 0 && node->NodeVisible() && tree->Reachable(node, true);
  const bool now = !ControlsDisabled() && updateLock_ == 0;
  if (now) tree->BuildVisibleItems();
  if (shown) NotifyClients(-1, mtnAllChanged, -1);
  if (now && State() == dsBrowse) Resync({});
}

int TCustomMemTableGx::SetNodeExpanded(int rowIndex, bool expanded) {
  if (!Active()) return -1;
  TMemRecViewGx* remembered = nullptr;
  if (TRecBuf* buf = CurrentRecBuf()) remembered = buf->TreeNode;
  TMemRecViewGx* node = nullptr;
  InstantReadEnter(rowIndex);
  {
    Finally leave([&] { InstantReadLeave(); });
    TRecBuf* buf = nullptr;
    if (GetActiveRecBuf(buf)) node = buf->TreeNode;
  }
  Lock lock(*this);
  if (node) node->SetNodeExpanded(expanded);
  TMemoryTreeListGx* tree = view_->TreeList();
  tree->BuildVisibleItems();
  int result = -1;
  for (TMemRecViewGx* n = remembered; n && n != tree->RootNode(); n = n->NodeParent()) {
    int p = PositionOf(n->Rec());
    if (p >= 0) {
      result = p + 1;
      break;
    }
  }
  if (result > 0) currentIndex_ = result - 1;
  resyncPending_ = true;
  lock.Release(true);
  return result;
}

void TCustomMemTableGx::MoveOne(TMemoryRecordGx* rec, TMemoryRecordGx* anchor) {
  if (anchor == rec || PositionOf(rec) < 0) return;
  if (PositionOf(anchor) < 0) anchor = nullptr;
  TRecordsListGx* list = RecordsList();
  TMemoryRecordGx* current = nullptr;
  if (TRecBuf* buf = CurrentRecBuf()) current = buf->MemoryRecord;
  const int storeFrom = rec->Index();
  int storeTo;
  if (anchor) {
    storeTo = anchor->Index();
    if (storeFrom < storeTo) --storeTo;
  } else {
    storeTo = list->Count() - 1;
  }
  list->MoveRecord(storeFrom, storeTo);
  if (current) {
    int p = PositionOf(current);
    if (p >= 0) currentIndex_ = p;
  }
  Resync({});
}

bool TCustomMemTableGx::TreeDropAt(int target, int treeLevel, TTreeDrop& drop) {
  TMemoryTreeListGx* tree = view_->TreeList();
  TMemRecViewGx* before = target > 0 ? tree->GetExpandedVisibleItem(target - 1) : nullptr;
  TMemRecViewGx* at = tree->GetExpandedVisibleItem(target);
  TMemRecViewGx* root = tree->RootNode();
  drop = TTreeDrop{};
  if (before && before->NodeLevel() == treeLevel) {
    drop.Parent = before->NodeParent();
    drop.Sibling = before;
    drop.After = true;
  } else if (at && at->NodeLevel() == treeLevel) {
    drop.Parent = at->NodeParent();
    drop.Sibling = at;
  } else if (before && before->NodeLevel() < treeLevel) {
    // Its first child: siblings follow the record list, so the record goes before the first's.
    drop.Parent = before;
    if (before->ChildCount() > 0) drop.Sibling = before->Child(0);
  } else if (before) {
    TMemRecViewGx* a = before;
    while (a->NodeLevel() > treeLevel) {
      if (a->NodeParent() == root) return false;
      a = a->NodeParent();
    }
    drop.Parent = a->NodeParent();
    drop.Sibling = a;
    drop.After = true;
  } else {
    return false;
  }
  if (!drop.Parent) drop.Parent = root;
  return true;
}

bool TCustomMemTableGx::MoveNode(TMemRecViewGx* node, const TTreeDrop& drop, bool checkOnly) {
  TMemoryTreeListGx* tree = view_->TreeList();
  TMemRecViewGx* root = tree->RootNode();
  TMemRecViewGx* newParent = drop.Parent;
  // A node cannot go under itself or its own descendants.
  for (TMemRecViewGx* p = newParent; p && p != root; p = p->NodeParent())
    if (p == node) return false;
  if (drop.Sibling == node) return true;
  bool allowed = true;
  if (OnNodeMoving) OnNodeMoving(this, node, newParent, allowed);
  if (!allowed || checkOnly) return allowed;
  TMemoryRecordGx* rec = node->Rec();
  TRecordsListGx* list = RecordsList();
  TMemoryRecordGx* current = nullptr;
  if (TRecBuf* buf = CurrentRecBuf()) current = buf->MemoryRecord;
  if (newParent != node->NodeParent()) {
    Variant parentKey = Null();
    if (newParent != root) parentKey = newParent->Rec()->GetDataValues(view_->KeyFieldName(), rvCurrent);
    rec->Edit();
    try {
      rec->SetDataValues(view_->RefParentFieldName(), rvCurrent, parentKey);
      rec->Post();
    } catch (...) {
      if (rec->EditState() == resEdit) rec->Cancel();
      throw;
    }
  }
  if (TMemRecViewGx* sibling = drop.Sibling) {
    const int storeFrom = rec->Index();
    const int s = sibling->Rec()->Index();
    int storeTo = drop.After ? (storeFrom < s ? s : s + 1) : (storeFrom < s ? s - 1 : s);
    storeTo = std::clamp(storeTo, 0, list->Count() - 1);
    list->MoveRecord(storeFrom, storeTo);
  }
  tree->BuildVisibleItems();
  if (current) {
    int p = PositionOf(current);
    if (p >= 0) currentIndex_ = p;
  }
  Resync({});
  return true;
}

// The last record lands where the rows around the target and the wanted level put it; each one
// before it goes before the record placed after it, under that record's parent, so that they end
// up together in list order. The check moves nothing, so it asks each record what the move will
// meet then: the records after it standing together under the parent the last one got, where
// that one landed, and gone from where they were.
bool TCustomMemTableGx::MoveTreeRecords(const std::vector<TMemoryRecordGx*>& records, TMemoryRecordGx* targetRec,
                                        int treeLevel, bool checkOnly) {
  TMemoryTreeListGx* tree = view_->TreeList();
  TMemRecViewGx* next = nullptr;    // the record placed last
  TMemRecViewGx* parent = nullptr;  // check only: the parent the placed records will have
  int place = 0;                    // check only: where among its children (as they are now) they stand
  std::unordered_set<const TMemRecViewGx*> placed;
  for (size_t k = records.size(); k-- > 0;) {
    TMemoryRecordGx* rec = records[k];
    TMemRecViewGx* node = tree->FindRecordNode(rec);
    if (!node) continue;
    TTreeDrop drop;
    if (!next) {
      const int count = ViewCount();
      int target = targetRec ? PositionOf(targetRec) : count;
      if (target < 0) target = count;
      const int from = PositionOf(rec);
      if (from < 0 || from >= count) continue;
      if (!TreeDropAt(target, treeLevel, drop)) return false;
      parent = drop.Parent;
      if (drop.Sibling == node) place = node->Index();
      else place = drop.Sibling ? drop.Sibling->Index() + (drop.After ? 1 : 0) : 0;
    } else {
      drop.Parent = checkOnly ? parent : next->NodeParent();
      drop.Sibling = next;
      // Already just before it, the record stays.
      bool stays = node->NodeParent() == drop.Parent;
      if (stays && checkOnly) {
        stays = node->Index() < place;
        for (int i = node->Index() + 1; stays && i < place; ++i) stays = placed.count(drop.Parent->Child(i)) > 0;
      } else if (stays) {
        stays = node->Index() + 1 == next->Index();
      }
      if (stays) drop.Sibling = node;
    }
    if (!MoveNode(node, drop, checkOnly)) return false;
    placed.insert(node);
    next = node;
  }
  return true;
}

bool TCustomMemTableGx::MoveRecords(TBMListGx* bookmarks, int targetRecNo, int treeLevel, bool checkOnly) {
  if (!bookmarks) return false;
  // A closed table, or a target outside the rows and the place after the last, moves nothing.
  if (!Active() || targetRecNo < 1 || targetRecNo > ViewCount() + 1) return true;
  // The records of the listed bookmarks, with the list position each came from.
  std::vector<std::pair<int, TMemoryRecordGx*>> records;
  for (int i = 0; i < bookmarks->Count(); ++i) {
    std::string bm = bookmarks->Items(i);
    if (bm.size() < 4) continue;
    if (TMemoryRecordGx* rec = ViewRecord(BookmarkValue(reinterpret_cast<const Byte*>(bm.data())) - 1))
      records.emplace_back(i, rec);
  }
  if (!checkOnly) {
    CheckBrowseMode();
    DisableControls();
  }
  bool ok = true;
  {
    Finally enable([&] {
      if (!checkOnly) EnableControls();
    });
    if (!checkOnly) BeginLock();
    {
      Finally unlock([&] {
        if (!checkOnly) EndLock(true);
      });
      TMemoryRecordGx* target = ViewRecord(targetRecNo - 1);
      if (view_->ViewAsTreeList()) {
        std::vector<TMemoryRecordGx*> recs;
        for (const auto& [item, rec] : records) recs.push_back(rec);
        ok = MoveTreeRecords(recs, target, treeLevel, checkOnly);
      } else if (!checkOnly) {
        // Each record goes before the one moved after it (the target row for the last).
        TMemoryRecordGx* anchor = target;
        for (size_t k = records.size(); k-- > 0;) {
          MoveOne(records[k].second, anchor);
          anchor = records[k].second;
        }
      }
      if (!checkOnly) {
        // The bookmarks follow their records.
        for (const auto& [item, rec] : records) {
          TBookmark nb = MakeBookmark(PositionOf(rec) + 1);
          bookmarks->SetItems(item, std::string(nb.begin(), nb.end()));
        }
        bookmarks->CustomSort([](TBMListGx* list, void*, int a, int b) {
          std::string x = list->Items(a), y = list->Items(b);
          int32_t vx = x.size() >= 4 ? BookmarkValue(reinterpret_cast<const Byte*>(x.data())) : 0;
          int32_t vy = y.size() >= 4 ? BookmarkValue(reinterpret_cast<const Byte*>(y.data())) : 0;
          return vx < vy ? -1 : (vx > vy ? 1 : 0);
        });
        resyncPending_ = true;
      }
    }
  }
  return ok;
}

void RegisterMemTableClasses() {
  RegisterMemTableDataClasses();
  RegisterClasses({TMemTableGx::StaticClass(), TMemTableOwnDataGx::StaticClass(), TDataDriverGx::StaticClass(),
                   TRefObjectField::StaticClass()});
}
