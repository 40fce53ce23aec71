#include "memtable/recordsview.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "memtable/sortkeys.h"
#include "platform/db/dataset.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_CLASS_WITH(TRecordsViewOrderByList, TOrderByList,
                          [](TObject*) -> TObject* { return new TRecordsViewOrderByList(); })
FANO_IMPLEMENT_CLASS_WITH(TRecordsViewGx, TRecordsListNotificatorGx,
                          [](TObject*) -> TObject* { return new TRecordsViewGx(nullptr); })

namespace {

// Quicksort around the middle item of each range, taken once. The smaller part is sorted by
// recursion and the larger by the loop, which bounds the depth; the parts are disjoint, so the
// result is the same as sorting the left part first.
template <class T, class Compare>
void QuickSort(std::vector<T>& items, int lo, int hi, const Compare& compare) {
  while (lo < hi) {
    int i = lo, j = hi;
    const T pivot = items[static_cast<size_t>((lo + hi) / 2)];
    do {
      // The bounds keep an inconsistent comparison from running off the range.
      while (i < hi && compare(items[static_cast<size_t>(i)], pivot) < 0) ++i;
      while (j > lo && compare(items[static_cast<size_t>(j)], pivot) > 0) --j;
      if (i <= j) {
        std::swap(items[static_cast<size_t>(i)], items[static_cast<size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - lo < hi - i) {
      if (lo < j) QuickSort(items, lo, j, compare);
      lo = i;
    } else {
      if (i < hi) QuickSort(items, i, hi, compare);
      hi = j;
    }
  }
}

}  // namespace

int TRecordsViewOrderByList::FieldIndexByName(std::string_view name) const {
  if (!view_ || !view_->Store()) return -1;
  return view_->Store()->DataStruct()->FieldIndex(name);
}

// ---------------------------------------------------------------- life

TRecordsViewGx::TRecordsViewGx(TDataSet* dataSet)
    : TRecordsListNotificatorGx(nullptr),
      aggregates_(std::make_unique<TMTAggregatesGx>(this)),
      orderByList_(std::make_unique<TRecordsViewOrderByList>(this)),
      dataSet_(dataSet),
      treeList_(std::make_unique<TMemoryTreeListGx>(this)) {}

// Every client loses its source (one that does not let go is dropped), then the view lets go of
// its store; once only, from whichever of the two comes first.
void TRecordsViewGx::Detach() {
  if (destroying_) return;
  destroying_ = true;
  while (!clients_.empty()) {
    TRecordsListNotificatorGx* client = clients_.back();
    client->SetMemTableData(nullptr);
    if (!clients_.empty() && clients_.back() == client) clients_.pop_back();
  }
  TRecordsListNotificatorGx::SetMemTableData(nullptr);
}

void TRecordsViewGx::BeforeDestruction() {
  Detach();
  TRecordsListNotificatorGx::BeforeDestruction();
}

TRecordsViewGx::~TRecordsViewGx() {
  Detach();
  // Aggregates and tree reach back into the view while they go.
  aggregates_.reset();
  treeList_.reset();
}

TRecordsListGx* TRecordsViewGx::RecordsList() const noexcept {
  TMemTableDataGx* store = Store();
  return store ? store->RecordsList() : nullptr;
}

// ---------------------------------------------------------------- reading

int TRecordsViewGx::ViewItemsCount() {
  if (!Live()) return 0;
  return viewAsTreeList_ ? treeList_->ExpandedVisibleCount() : static_cast<int>(flatList_.size());
}

int TRecordsViewGx::AllVisibleCount() {
  if (!Live()) return 0;
  return viewAsTreeList_ ? treeList_->VisibleCount() : static_cast<int>(flatList_.size());
}

TMemoryRecordGx* TRecordsViewGx::GetViewRecord(int pos) {
  if (!Live()) return nullptr;
  if (viewAsTreeList_) {
    TMemRecViewGx* node = treeList_->GetExpandedVisibleItem(pos);
    return node ? node->Rec() : nullptr;
  }
  return FlatRecord(pos);
}

TMemoryRecordGx* TRecordsViewGx::GetAllVisibleRecord(int pos) {
  if (!Live()) return nullptr;
  if (viewAsTreeList_) {
    TMemRecViewGx* node = treeList_->GetVisibleItem(pos);
    return node ? node->Rec() : nullptr;
  }
  return FlatRecord(pos);
}

TMemoryRecordGx* TRecordsViewGx::FlatRecord(int pos) const {
  return Live() && pos >= 0 && pos < static_cast<int>(flatList_.size()) ? flatList_[static_cast<size_t>(pos)] : nullptr;
}

int TRecordsViewGx::IndexOfRecord(const TMemoryRecordGx* rec) {
  if (!rec || !Live()) return -1;
  if (viewAsTreeList_) {
    const auto& items = treeList_->ExpandedVisibleItems();
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i]->Rec() == rec) return static_cast<int>(i);
    return -1;
  }
  return FlatPositionOf(rec, rec->Index());
}

bool TRecordsViewGx::ShowsStoreAsIs() const noexcept {
  const TRecordsListGx* list = RecordsList();
  return list && !viewAsTreeList_ && StoreOrdered() && static_cast<size_t>(list->Count()) == flatList_.size();
}

// Position of the record in the flat list, -1 when absent. While the list follows the store's
// order it is found by binary search on store positions (`storeIndex` stands for the record's own,
// which a record that has just left the store no longer has); otherwise by a linear search.
int TRecordsViewGx::FlatPositionOf(const TMemoryRecordGx* rec, int storeIndex) const {
  if (StoreOrdered() && storeIndex >= 0) {
    // A view in store order that shows every record is the store's list itself.
    const TRecordsListGx* list = RecordsList();
    if (list && static_cast<size_t>(list->Count()) == flatList_.size() && rec->Index() == storeIndex)
      return storeIndex < list->Count() ? storeIndex : -1;
    size_t lo = 0, hi = flatList_.size();
    while (lo < hi) {
      const size_t mid = (lo + hi) / 2;
      const TMemoryRecordGx* e = flatList_[mid];
      if ((e == rec ? storeIndex : e->Index()) < storeIndex) lo = mid + 1;
      else hi = mid;
    }
    return lo < flatList_.size() && flatList_[lo] == rec ? static_cast<int>(lo) : -1;
  }
  int pos = 0;
  for (const TMemoryRecordGx* e : flatList_) {
    if (e == rec) return pos;
    ++pos;
  }
  return -1;
}

int TRecordsViewGx::AggregateRowCount() const {
  if (!Live()) return 0;
  return viewAsTreeList_ ? treeList_->VisibleCount() : static_cast<int>(flatList_.size());
}

const Variant& TRecordsViewGx::AggregateRowValue(int row, int fieldIndex, Variant& scratch) const {
  TMemoryRecordGx* rec = nullptr;
  if (viewAsTreeList_) {
    TMemRecViewGx* node = treeList_->GetVisibleItem(row);
    rec = node ? node->Rec() : nullptr;
  } else {
    rec = FlatRecord(row);
  }
  if (!rec) return scratch = Null();
  return rec->Value(fieldIndex);
}

// ---------------------------------------------------------------- record operations

TMemoryRecordGx* TRecordsViewGx::NewRecord() {
  TRecordsListGx* list = RecordsList();
  if (!list) throw EInvalidOperation("The records view has no record store");
  return list->NewRecord();
}

int TRecordsViewGx::AddRecord(TMemoryRecordGx* rec) {
  TRecordsListGx* list = RecordsList();
  if (!list) throw EInvalidOperation("The records view has no record store");
  return list->AddRecord(rec);
}

int TRecordsViewGx::InsertRecord(int pos, TMemoryRecordGx* rec) {
  TRecordsListGx* list = RecordsList();
  if (!list) throw EInvalidOperation("The records view has no record store");
  int storePos = 0;
  if (viewAsTreeList_) {
    if (pos >= 1) {
      TMemoryRecordGx* before = GetViewRecord(pos - 1);
      storePos = before ? before->Index() + 1 : list->Count();
    }
  } else if (!flatList_.empty()) {
    if (pos >= static_cast<int>(flatList_.size())) return list->AddRecord(rec);
    storePos = flatList_[static_cast<size_t>(std::max(pos, 0))]->Index();
  }
  return list->InsertRecord(rec, storePos);
}

void TRecordsViewGx::DeleteRecord(int pos) {
  TRecordsListGx* list = RecordsList();
  TMemoryRecordGx* rec = GetViewRecord(pos);
  if (!list || !rec) throw EListError("List index out of bounds (" + std::to_string(pos) + ")");
  list->MarkDel(rec->Index());
}

void TRecordsViewGx::MergeChangeLog() {
  if (TRecordsListGx* list = RecordsList()) list->MergeChangeLog();
}

void TRecordsViewGx::CancelUpdates() {
  if (TRecordsListGx* list = RecordsList()) list->CancelUpdates();
}

// ---------------------------------------------------------------- shape

void TRecordsViewGx::SetOrderByStr(const std::string& text) {
  if (text == orderByStr_) return;
  std::vector<TOrderByItemGx> oldKeys = orderByList_->Items();
  if (ParseOrderBy) {
    TOrderByList parsed;
    ParseOrderBy(text, parsed);  // raises, keeping the old keys
    if (!parsed.Empty()) orderByList_->SetItems(parsed.Items());
  } else {
    orderByList_->ParseOrderByStr(text);  // raises, keeping the old keys
  }
  size_t first = text.find_first_not_of(" \t\r\n");
  const bool keys = first != std::string::npos && text[first] != '\0';
  const std::string oldText = std::exchange(orderByStr_, text);
  if (!keys) {
    // No keys: the old order goes, and the rows return to store order.
    orderByList_->Clear();
    RebuildView();
    return;
  }
  try {
    Resort();
  } catch (...) {
    // Rows the keys cannot order (values that do not compare): the rows keep the old order, and
    // so do the keys, or every later row would meet the same error after it is stored.
    orderByList_->SetItems(std::move(oldKeys));
    orderByStr_ = oldText;
    throw;
  }
}

void TRecordsViewGx::SetViewAsTreeList(bool value) {
  if (value == viewAsTreeList_) return;
  viewAsTreeList_ = value;
  if (value) RebuildTree();
  else treeList_->ClearTree();
  RebuildView();
}

void TRecordsViewGx::SetTreeKeyFieldName(const std::string& name) {
  if (name == keyFieldName_) return;
  keyFieldName_ = name;
  UpdateTreeFieldIndexes();
}

void TRecordsViewGx::SetTreeRefParentFieldName(const std::string& name) {
  if (name == refParentFieldName_) return;
  refParentFieldName_ = name;
  UpdateTreeFieldIndexes();
}

void TRecordsViewGx::UpdateTreeFieldIndexes() {
  std::vector<int> key, parent;
  if (TMemTableDataGx* store = Store()) {
    if (!keyFieldName_.empty()) store->DataStruct()->FieldIndexes(keyFieldName_, key);
    if (!refParentFieldName_.empty()) store->DataStruct()->FieldIndexes(refParentFieldName_, parent);
  }
  keyFieldIndexes_ = std::move(key);
  refParentFieldIndexes_ = std::move(parent);
}

void TRecordsViewGx::SetStatusFilter(TUpdateStatusSet value) {
  if (value == statusFilter_) return;
  statusFilter_ = value;
  if (Store()) RebuildView();
}

void TRecordsViewGx::RebuildView() {
  const unsigned pass = ++rebuilds_;
  flatList_.clear();
  if (!Live()) treeList_->ClearTree();  // its records went with the store
  if (Store() && !viewAsTreeList_) {
    const std::vector<TMemoryRecordGx*>* source = GetRecordsList ? GetRecordsList() : nullptr;
    if (source) {
      for (size_t i = 0; i < source->size(); ++i) {
        TMemoryRecordGx* rec = (*source)[i];
        const bool accepted = FilterRecord(rec, static_cast<int>(i));
        if (rebuilds_ != pass) return;  // rebuilt by the filter itself
        if (accepted) flatList_.push_back(rec);
      }
    } else {
      int i = 0;
      for (TMemoryRecordGx* rec : Store()->RecordsList()->Records()) {
        const bool accepted = FilterRecord(rec, i++);
        if (rebuilds_ != pass) return;  // rebuilt by the filter itself
        if (accepted) flatList_.push_back(rec);
      }
    }
  }
  treeList_->UpdateNodesVisibility(nullptr);
  if (!treeList_->FilterNodeIfParentVisible()) treeList_->MakeDescendantsVisible(nullptr);
  if (!Sorted()) ViewDataChanged(nullptr, -1, rlListChanged);
  else Resort();
}

void TRecordsViewGx::RebuildTree() {
  if (TRecordsListGx* list = RecordsList()) treeList_->BuildFromRecords(list->Records().ToVector());
  else treeList_->ClearTree();
}

void TRecordsViewGx::Resort() {
  if (!Sorted()) return;
  if (!Live()) flatList_.clear();  // its records went with the store
  const int last = static_cast<int>(flatList_.size()) - 1;
  if (last > 0) {
    std::vector<TMemoryRecordGx*> rows = flatList_.ToVector();
    if (CompareRecords) {
      QuickSort(rows, 0, last,
                [this](TMemoryRecordGx* a, TMemoryRecordGx* b) { return CompareRecords(a, b, *orderByList_); });
      flatList_.assign(std::move(rows));
    } else {
      // The view's own comparison, on keys read once: the same comparisons in the same order,
      // without visiting the records again.
      TRowSortKeysGx keys(rows, *orderByList_);
      std::vector<TRowSortKeysGx::Lead> order(rows.size());
      for (size_t i = 0; i < order.size(); ++i) order[i] = keys.LeadOf(static_cast<uint32_t>(i));
      QuickSort(order, 0, last, [&keys](const TRowSortKeysGx::Lead& a, const TRowSortKeysGx::Lead& b) {
        const int r = keys.CompareLeads(a, b);
        return r != 0 ? r : keys.Compare(a.Row, b.Row);
      });
      std::vector<TMemoryRecordGx*> sorted(order.size());
      for (size_t i = 0; i < order.size(); ++i) sorted[i] = rows[order[i].Row];
      flatList_.assign(std::move(sorted));
    }
  }
  ViewDataChanged(nullptr, -1, rlListChanged);
}

// ---------------------------------------------------------------- order

int TRecordsViewGx::CompareByKeys(TMemoryRecordGx* rec1, TMemoryRecordGx* rec2) const {
  for (const TOrderByItemGx& key : orderByList_->Items()) {
    const Variant& a = rec1->Value(key.FieldIndex);
    const Variant& b = rec2->Value(key.FieldIndex);
    int r;
    if (a.IsNull() || b.IsNull()) r = a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? -1 : 1);
    else if (a == b) r = 0;
    else r = a < b ? -1 : 1;
    if (key.Desc) r = -r;
    if (r != 0) return r;
  }
  return 0;
}

int TRecordsViewGx::CompareViewRecords(TMemoryRecordGx* rec1, TMemoryRecordGx* rec2) {
  if (Sorted()) return CompareRecords ? CompareRecords(rec1, rec2, *orderByList_) : CompareByKeys(rec1, rec2);
  return rec1->Index() - rec2->Index();
}

int TRecordsViewGx::FindInsertPosition(TMemoryRecordGx* rec, int hint) {
  const int count = static_cast<int>(flatList_.size());
  auto item = [&](int i) { return flatList_[static_cast<size_t>(i)]; };
  // The ends are read without a search for their chunks: most new rows go after the last.
  if (count == 0 || CompareViewRecords(flatList_.front(), rec) >= 1) return 0;
  if (CompareViewRecords(flatList_.back(), rec) < 0) return count;
  if (hint >= 0 && hint <= count) {
    bool afterPrev = hint == 0 || CompareViewRecords(item(hint - 1), rec) <= 0;
    bool beforeNext = hint == count || CompareViewRecords(item(hint), rec) >= 0;
    if (afterPrev && beforeNext) return hint;
  }
  int lo = 0, hi = count - 1, mid = hi / 2;
  for (;;) {
    int c = CompareViewRecords(item(mid), rec);
    if (c > 0) hi = mid;
    else if (c == 0) return mid;
    else lo = mid;
    int next = (lo + hi) / 2;
    if (next == mid) break;
    mid = next;
  }
  return mid + 1;
}

// Whether the record at flat position pos sorts there still: in store order it always does; in
// a sort order when it is not before its predecessor nor after its successor (where a search
// starting at that position would put it again).
bool TRecordsViewGx::StaysAt(TMemoryRecordGx* rec, int pos) {
  if (StoreOrdered()) return true;
  if (!Sorted()) return false;
  const int count = static_cast<int>(flatList_.size());
  if (pos > 0 && CompareViewRecords(flatList_[static_cast<size_t>(pos - 1)], rec) > 0) return false;
  if (pos + 1 < count && CompareViewRecords(flatList_[static_cast<size_t>(pos + 1)], rec) < 0) return false;
  return true;
}

// ---------------------------------------------------------------- notices

bool TRecordsViewGx::FilterRecord(TMemoryRecordGx* rec, int) {
  if (!rec || !statusFilter_.Contains(rec->UpdateStatus())) return false;
  return FilterRecordCallback ? FilterRecordCallback(rec) : true;
}

void TRecordsViewGx::RecordChanged(TMemoryRecordGx* rec, int index, int action) {
  TRecordsListNotificatorGx::RecordChanged(rec, index, action);
  if (destroying_) return;
  if (action == rlListChanged) {
    // The columns may have changed with the list: names that no longer resolve name nothing.
    try {
      UpdateTreeFieldIndexes();
    } catch (const Exception&) {
      keyFieldIndexes_.clear();
      refParentFieldIndexes_.clear();
    }
  }
  if (updateLock_ > 0) return;
  const uint64_t announcedBefore = announced_;
  FlatChanged(rec, index, action);
  bool stop = false;
  if (viewAsTreeList_) TreeChanged(rec, index, action, stop);
  if (stop) return;
  if (action == rlInserted || action == rlChanged || action == rlDeleted || action == rlListChanged ||
      action == rlMarkedDeleted) {
    // A change the view announced has reached the aggregates already.
    if (announced_ == announcedBefore) AggregatesChanged(false);
  }
}

void TRecordsViewGx::FlatChanged(TMemoryRecordGx* rec, int index, int action) {
  switch (action) {
    case rlInserted:
      if (FilterRecord(rec, index)) {
        // In store order a record appended to the store goes after every row shown, unsearched.
        const TRecordsListGx* list = StoreOrdered() ? RecordsList() : nullptr;
        int pos = list && rec->Index() == list->Count() - 1 ? static_cast<int>(flatList_.size())
                                                             : FindInsertPosition(rec, -1);
        flatList_.insert(static_cast<size_t>(pos), rec);
        pendingAppend_ = !viewAsTreeList_ && pos == static_cast<int>(flatList_.size()) - 1;
        ViewDataChanged(rec, pos, rlInserted);
      }
      break;
    case rlChanged:
    case rlMarkedDeleted: {
      int old = FlatPositionOf(rec, rec->Index());
      const bool shown = FilterRecord(rec, index);
      if (old >= 0 && shown && StaysAt(rec, old)) {
        // The common edit: the row keeps its place, and the list is not touched.
        ViewDataChanged(rec, old, action);
        break;
      }
      if (old >= 0) flatList_.erase(static_cast<size_t>(old));
      int now = -1;
      if (shown) {
        now = FindInsertPosition(rec, old);
        flatList_.insert(static_cast<size_t>(now), rec);
      }
      if (old >= 0 && now >= 0) {
        if (old != now) ViewRecordMoved(rec, old, now);
        ViewDataChanged(rec, now, action);
      } else if (now >= 0) {
        ViewDataChanged(rec, now, rlInserted);
      } else if (old >= 0) {
        ViewDataChanged(rec, old, rlDeleted);
      }
      break;
    }
    case rlDeleted: {
      int pos = FlatPositionOf(rec, index);
      if (pos >= 0) {
        flatList_.erase(static_cast<size_t>(pos));
        ViewDataChanged(rec, pos, rlDeleted);
      }
      break;
    }
    case rlListChanged:
      if (viewAsTreeList_) {
        // The tree is built before the view refreshes its visibility from the filter.
        RebuildTree();
      }
      RebuildView();
      break;
    default:
      break;
  }
}

void TRecordsViewGx::TreeChanged(TMemoryRecordGx* rec, int, int action, bool& stop) {
  TMemoryTreeListGx& tree = *treeList_;
  switch (action) {
    case rlBeforeInsert:
    case rlBeforeChange:
      if (rec) {
        if (tree.CheckReferenceLoop(rec)) throw EInvalidOperation("Reference-loop found");
        tree.CheckLevel(rec);
      }
      break;
    case rlInserted: {
      TMemRecViewGx* node = tree.AddRecordNode(rec);
      tree.UpdateNodeVisibility(node, true);
      break;
    }
    case rlChanged: {
      TMemRecViewGx* node = tree.FindRecordNode(rec);
      if (node) {
        TMemRecViewGx* oldParent = node->NodeParent();
        tree.MoveRecordNode(node, rec);
        tree.UpdateNodeVisibility(node, true);
        // The parent it left may have kept its line only for this child.
        if (oldParent && oldParent != tree.Root() && oldParent != node->NodeParent())
          tree.UpdateNodeVisibility(oldParent, true);
      }
      break;
    }
    case rlDeleted:
    case rlMarkedDeleted: {
      TMemRecViewGx* node = tree.FindRecordNode(rec);
      if (!node) {
        stop = true;
        return;
      }
      std::vector<TMemoryRecordGx*> descendants;
      tree.CollectDescendantRecords(descendants, node, true);
      TMemRecViewGx* parent = node->NodeParent();
      tree.DeleteNode(node, true);
      for (TMemoryRecordGx* d : descendants) tree.AddRecordNode(d);
      if (parent && parent != tree.Root()) tree.UpdateNodeVisibility(parent, true);
      break;
    }
    default:
      break;  // 7: built with the flat step above
  }
  if (tree.ItemsStale()) ViewDataChanged(nullptr, -1, rlListChanged);
}

void TRecordsViewGx::RecordMoved(TMemoryRecordGx* rec, int oldIndex, int newIndex) {
  TRecordsListNotificatorGx::RecordMoved(rec, oldIndex, newIndex);
  // Under the lock the flat list may hold records the store has already let go; the whole-list
  // notice that ends the lock rebuilds it.
  if (destroying_ || updateLock_ > 0 || oldIndex == newIndex) return;
  // Only a view in store order follows the store's moves: a sorted view keeps its order, and a
  // replacement source has an order of its own.
  if (StoreOrdered()) MoveFlatEntry(oldIndex, newIndex);
  if (viewAsTreeList_) {
    TMemRecViewGx* node = treeList_->FindRecordNode(rec);
    if (node && node->Parent()) {
      TMemRecViewGx* parent = node->NodeParent();
      TMemRecViewGx* before = nullptr;
      for (int i = 0; i < parent->Count() && !before; ++i) {
        TMemRecViewGx* sibling = parent->Child(i);
        if (sibling != node && sibling->Rec()->Index() > rec->Index()) before = sibling;
      }
      if (before) treeList_->MoveTo(node, before, true, namInsertBefore);
      else treeList_->MoveTo(node, parent, true, namAddChildLast);
    }
  }
}

void TRecordsViewGx::MoveFlatEntry(int oldIndex, int newIndex) {
  const int count = static_cast<int>(flatList_.size());
  auto at = [&](int i) { return flatList_[static_cast<size_t>(i)]->Index(); };
  int entry = -1, target = -1;
  if (newIndex < oldIndex) {
    for (int i = 0; i < count && entry < 0; ++i)
      if (at(i) == newIndex) entry = i;
    if (entry >= 0) {
      // In front of the first earlier row that the move passed; none passed: it stays.
      target = entry;
      for (int i = 0; i < entry; ++i)
        if (at(i) >= newIndex) {
          target = i;
          break;
        }
    }
  } else {
    for (int i = count - 1; i >= 0 && entry < 0; --i)
      if (at(i) == newIndex) entry = i;
    if (entry >= 0) {
      target = count - 1;
      for (int i = 0; i < count; ++i)
        if (at(i) > newIndex) {
          target = i - 1;
          break;
        }
    }
  }
  if (entry >= 0) {
    TMemoryRecordGx* moved = flatList_[static_cast<size_t>(entry)];
    flatList_.erase(static_cast<size_t>(entry));
    flatList_.insert(static_cast<size_t>(std::clamp(target, 0, count - 1)), moved);
    ViewDataChanged(nullptr, -1, rlBeforeSourceChange);
  }
}

void TRecordsViewGx::AddNotificationClient(TRecordsListNotificatorGx* client) {
  if (client && std::find(clients_.begin(), clients_.end(), client) == clients_.end()) clients_.push_back(client);
}

void TRecordsViewGx::RemoveNotificationClient(TRecordsListNotificatorGx* client) {
  auto it = std::find(clients_.begin(), clients_.end(), client);
  if (it != clients_.end()) clients_.erase(it);
}

void TRecordsViewGx::ViewDataChanged(TMemoryRecordGx* rec, int index, int action) {
  viewChangedFlag_ = true;
  ++announced_;
  const bool appended = pendingAppend_;
  pendingAppend_ = false;
  AggregatesChanged(appended);
  if (OnViewDataChanged) OnViewDataChanged(rec, index, action);
  // A client may detach itself (or another) while it is told.
  std::vector<TRecordsListNotificatorGx*> clients = clients_;
  for (TRecordsListNotificatorGx* client : clients)
    if (std::find(clients_.begin(), clients_.end(), client) != clients_.end()) client->RecordChanged(rec, index, action);
}

void TRecordsViewGx::ViewRecordMoved(TMemoryRecordGx* rec, int oldIndex, int newIndex) {
  if (OnViewRecordMoved) OnViewRecordMoved(rec, oldIndex, newIndex);
  std::vector<TRecordsListNotificatorGx*> clients = clients_;
  for (TRecordsListNotificatorGx* client : clients)
    if (std::find(clients_.begin(), clients_.end(), client) != clients_.end()) client->RecordMoved(rec, oldIndex, newIndex);
}

void TRecordsViewGx::AggregatesChanged(bool appended) noexcept {
  if (aggregates_) aggregates_->RowsChanged(appended);
}
