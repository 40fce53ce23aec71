#pragma once
// TCollection / TCollectionItem: an ordered list of items of one class, each with a unique ID and
// an Index that moves the item. Changes are reported to Update (nothing while BeginUpdate holds).
//
// Items are created through the collection (Add, Insert, which run the naming hook and the
// notifications once the item is fully built); an item's constructor receives its collection and
// is already counted in it.
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/classinfo.h"
#include "platform/rtl/persistent.h"

class TCollection;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem : public TPersistent {
  FANO_CLASS(TCollectionItem)
 public:
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;

  TCollection* Collection() const noexcept { return collection_; }
  // Moves the item to another collection (or out of any, with null).
  void SetCollection(TCollection* collection);
  int ID() const noexcept { return id_; }
  int Index() const;
  // Moves the item to that position (clamped); the whole collection is reported changed.
  virtual void SetIndex(int index);
  std::string DisplayName() const { return GetDisplayName(); }
  virtual void SetDisplayName(std::string_view value);
  std::string GetNamePath() const override;
  TPersistent* GetOwner() const override;

 protected:
  // Reports a change of this item (or of all items) to the collection.
  void Changed(bool allItems);
  // The class name unless a descendant names its items better.
  virtual std::string GetDisplayName() const;

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

class TCollection : public TPersistent {
  FANO_CLASS(TCollection)
 public:
  // itemClass creates the items: its Create receives this collection.
  explicit TCollection(TClass itemClass);
  ~TCollection() override;

  TCollectionItem* Add();
  // An item at that position (clamped to 0..Count).
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  void Assign(TPersistent* source) override;
  virtual void BeginUpdate();
  virtual void EndUpdate();
  int UpdateCount() const noexcept { return updateCount_; }
  TCollectionItem* FindItemID(int id) const;

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TCollectionItem* Items(int index) const;
  void SetItems(int index, TCollectionItem* value) { Items(index)->Assign(value); }
  template <class T>
  T* ItemAs(int index) const { return static_cast<T*>(Items(index)); }
  TClass ItemClass() const noexcept { return itemClass_; }
  int NextID() const noexcept { return nextID_; }

  TPersistent* Owner() const { return GetOwner(); }
  std::string GetNamePath() const override;

 protected:
  // Reports a change; Update runs unless an update is pending.
  void Changed();
  // Item is the changed item, or null for the whole collection.
  virtual void Update(TCollectionItem* item);
  virtual void Notify(TCollectionItem* item, TCollectionNotification action);
  // Gives a newly added item its name; the base does nothing.
  virtual void SetItemName(TCollectionItem* item);
  virtual void Added(TCollectionItem* item);
  virtual void Deleting(TCollectionItem* item);
  // The name of the property under which the owner publishes this collection.
  virtual std::string PropName() const;

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);
  // Hooks for an item that has just been built inside Add/Insert.
  void Completed(TCollectionItem* item);
  TCollectionItem* CreateItem();

  TClass itemClass_;
  std::vector<TCollectionItem*> items_;
  int updateCount_ = 0;
  int nextID_ = 0;
};

// A collection that knows its owner.
class TOwnedCollection : public TCollection {
  FANO_CLASS(TOwnedCollection)
 public:
  TOwnedCollection(TPersistent* owner, TClass itemClass) : TCollection(itemClass), owner_(owner) {}
  TPersistent* GetOwner() const override { return owner_; }

 private:
  TPersistent* owner_;
};

// Collection items: a factory that passes the collection.
#define FANO_IMPLEMENT_ITEM(Cls, Base) FANO_IMPLEMENT_CLASS_OWNED(Cls, Base, TCollection)
