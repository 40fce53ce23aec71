#include "platform/classes/collection.h"

#include <algorithm>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/lists.h"

FANO_IMPLEMENT_ITEM(TCollectionItem, TPersistent)
FANO_IMPLEMENT_ABSTRACT(TCollection, TPersistent)
FANO_IMPLEMENT_ABSTRACT(TOwnedCollection, TCollection)

// ---- TCollectionItem ----

TCollectionItem::TCollectionItem(TCollection* collection) {
  if (collection) collection->InsertItem(this);
}

TCollectionItem::~TCollectionItem() {
  if (collection_) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == collection_) return;
  if (collection_) collection_->RemoveItem(this);
  if (collection) {
    collection->InsertItem(this);
    collection->Completed(this);
  }
}

int TCollectionItem::Index() const {
  if (!collection_) return -1;
  auto& items = collection_->items_;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  int cur = Index();
  if (cur < 0) return;
  auto& items = collection_->items_;
  index = std::clamp(index, 0, static_cast<int>(items.size()) - 1);
  if (index == cur) return;
  items.erase(items.begin() + cur);
  items.insert(items.begin() + index, this);
  Changed(true);
}

void TCollectionItem::SetDisplayName(std::string_view) { Changed(false); }

std::string TCollectionItem::GetDisplayName() const { return ClassName(); }

std::string TCollectionItem::GetNamePath() const {
  if (!collection_) return ClassName();
  return collection_->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

TPersistent* TCollectionItem::GetOwner() const { return collection_; }

void TCollectionItem::Changed(bool allItems) {
  if (collection_ && collection_->updateCount_ == 0) collection_->Update(allItems ? nullptr : this);
}

// ---- TCollection ----

TCollection::TCollection(TClass itemClass) : itemClass_(itemClass) {}

TCollection::~TCollection() {
  // No change reports while the collection goes (the descendant's Update is gone already).
  updateCount_ = 1;
  while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::CreateItem() {
  if (!itemClass_ || !itemClass_->Create)
    throw EInvalidOperation(std::string("Cannot create an item of class ") + (itemClass_ ? itemClass_->Name : "nil"));
  TObject* obj = itemClass_->Create(this);
  auto* item = dynamic_cast<TCollectionItem*>(obj);
  if (!item) {
    delete obj;
    throw EInvalidOperation(std::string("Class ") + itemClass_->Name + " is not a collection item");
  }
  if (item->collection_ != this) item->SetCollection(this);
  return item;
}

void TCollection::Completed(TCollectionItem* item) {
  SetItemName(item);
  Notify(item, cnAdded);
  Changed();
  Added(item);
}

TCollectionItem* TCollection::Add() {
  TCollectionItem* item = CreateItem();
  Completed(item);
  return item;
}

TCollectionItem* TCollection::Insert(int index) {
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(int index) {
  TCollectionItem* item = Items(index);
  Notify(item, cnDeleting);
  Deleting(item);
  item->Free();
}

void TCollection::Clear() {
  if (items_.empty()) return;
  WithUpdate(*this, [&] {
    while (!items_.empty()) Delete(Count() - 1);
  });
}

void TCollection::Assign(TPersistent* source) {
  if (auto* src = dynamic_cast<TCollection*>(source)) {
    if (src == this) return;
    WithUpdate(*this, [&] {
      Clear();
      for (int i = 0; i < src->Count(); ++i) Add()->Assign(src->Items(i));
    });
    return;
  }
  TPersistent::Assign(source);
}

void TCollection::BeginUpdate() { ++updateCount_; }

void TCollection::EndUpdate() {
  if (updateCount_ == 0) return;
  --updateCount_;
  Changed();
}

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* item : items_)
    if (item->id_ == id) return item;
  return nullptr;
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) TList::Error("List index out of bounds (%d)", index);
  return items_[index];
}

std::string TCollection::GetNamePath() const {
  TPersistent* owner = GetOwner();
  if (!owner) return ClassName();
  std::string path = owner->GetNamePath();
  std::string prop = PropName();
  if (path.empty() || prop.empty()) return ClassName();
  return path + "." + prop;
}

void TCollection::Changed() {
  if (updateCount_ == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}
void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}
void TCollection::SetItemName(TCollectionItem*) {}
void TCollection::Added(TCollectionItem*) {}
void TCollection::Deleting(TCollectionItem*) {}

void TCollection::InsertItem(TCollectionItem* item) {
  items_.push_back(item);
  item->collection_ = this;
  item->id_ = nextID_++;
}

void TCollection::RemoveItem(TCollectionItem* item) {
  Notify(item, cnExtracting);
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
  item->collection_ = nullptr;
  Changed();
}
