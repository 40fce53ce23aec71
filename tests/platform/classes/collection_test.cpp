#include "platform/classes/collection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

namespace {

class TColItem : public TCollectionItem {
  FANO_CLASS(TColItem)
 public:
  explicit TColItem(TCollection* c) : TCollectionItem(c) {}
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(std::string_view v) {
    fieldName_ = std::string(v);
    Changed(false);
  }
  int Width = 0;
  void Assign(TPersistent* source) override {
    if (auto* src = dynamic_cast<TColItem*>(source)) {
      fieldName_ = src->fieldName_;
      Width = src->Width;
      Changed(false);
      return;
    }
    TCollectionItem::Assign(source);
  }

 protected:
  std::string GetDisplayName() const override {
    return fieldName_.empty() ? TCollectionItem::GetDisplayName() : fieldName_;
  }

 private:
  // Initialised by the constructor, after the item joined its collection: the naming hook must
  // run after this.
  std::string fieldName_ = {};
};
FANO_IMPLEMENT_ITEM(TColItem, TCollectionItem)

// Names new unnamed items "Field<N>" with the smallest free N, and logs what it is told.
class TColItems : public TOwnedCollection {
 public:
  explicit TColItems(TPersistent* owner) : TOwnedCollection(owner, TColItem::StaticClass()) {}
  TColItem* Add() { return static_cast<TColItem*>(TCollection::Add()); }
  TColItem* Item(int i) const { return ItemAs<TColItem>(i); }
  std::vector<std::string> log;

 protected:
  void SetItemName(TCollectionItem* item) override {
    auto* it = static_cast<TColItem*>(item);
    if (!it->FieldName().empty()) return;
    for (int n = 1;; ++n) {
      std::string name = "Field" + std::to_string(n);
      bool taken = false;
      for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(Item(i)->FieldName(), name)) taken = true;
      if (!taken) {
        it->SetFieldName(name);
        return;
      }
    }
  }
  void Update(TCollectionItem* item) override {
    log.push_back(item ? "update " + item->DisplayName() : "update all");
  }
  void Notify(TCollectionItem* item, TCollectionNotification action) override {
    static const char* names[] = {"added", "extracting", "deleting"};
    log.push_back(std::string(names[action]) + " " + std::to_string(item->ID()));
  }
};

std::vector<std::string> Names(const TColItems& c) {
  std::vector<std::string> v;
  for (int i = 0; i < c.Count(); ++i) v.push_back(c.Item(i)->FieldName());
  return v;
}

using V = std::vector<std::string>;

}  // namespace

TEST(CollectionTest, AddNamesItemsAfterConstructionAndGivesIds) {
  TPersistent owner;
  TColItems items(&owner);
  items.Add();
  items.Add();
  EXPECT_EQ(Names(items), (V{"Field1", "Field2"}));
  items.Item(0)->SetFieldName("KEY");
  items.Add();
  EXPECT_EQ(Names(items), (V{"KEY", "Field2", "Field1"}));
  EXPECT_EQ(items.Item(2)->ID(), 2);
  EXPECT_EQ(items.FindItemID(1), items.Item(1));
  EXPECT_EQ(items.FindItemID(7), nullptr);
  EXPECT_EQ(items.Owner(), &owner);
  EXPECT_EQ(items.Item(0)->Collection(), &items);
  EXPECT_EQ(items.Item(0)->GetOwner(), &items);
  EXPECT_EQ(items.Item(1)->DisplayName(), "Field2");
  // IDs keep growing after deletions.
  items.Delete(2);
  EXPECT_EQ(items.Add()->ID(), 3);
}

TEST(CollectionTest, IndexMovesTheItemAndReportsAllChanged) {
  TColItems items(nullptr);
  for (int i = 0; i < 4; ++i) items.Add();
  items.log.clear();
  TColItem* third = items.Item(2);
  third->SetIndex(0);
  EXPECT_EQ(Names(items), (V{"Field3", "Field1", "Field2", "Field4"}));
  EXPECT_EQ(third->Index(), 0);
  EXPECT_EQ(items.log, (V{"update all"}));
  third->SetIndex(99);  // clamped to the last place
  EXPECT_EQ(third->Index(), 3);
  third->SetIndex(-5);
  EXPECT_EQ(third->Index(), 0);
  // Insert puts a new item at the place asked.
  TColItem* inserted = static_cast<TColItem*>(items.Insert(1));
  EXPECT_EQ(inserted->Index(), 1);
  EXPECT_EQ(items.Count(), 5);
  EXPECT_THROW(items.Items(5), EListError);
  EXPECT_THROW(items.Delete(-1), EListError);
}

TEST(CollectionTest, UpdateNestingReportsOnceAtTheEnd) {
  TColItems items(nullptr);
  items.Add();
  items.log.clear();
  items.BeginUpdate();
  items.BeginUpdate();
  items.Add();
  items.Item(0)->SetFieldName("X");
  items.EndUpdate();
  EXPECT_EQ(items.log, (V{"added 1"}));  // notifications still come, updates do not
  items.EndUpdate();
  EXPECT_EQ(items.log, (V{"added 1", "update all"}));
  items.log.clear();
  items.EndUpdate();  // unbalanced: ignored
  items.Item(0)->SetFieldName("Y");
  EXPECT_EQ(items.log, (V{"update Y"}));
  EXPECT_EQ(items.UpdateCount(), 0);
}

TEST(CollectionTest, DeleteAndClearNotifyAndReportOnce) {
  TColItems items(nullptr);
  for (int i = 0; i < 3; ++i) items.Add();
  items.log.clear();
  items.Delete(1);
  EXPECT_EQ(items.log, (V{"deleting 1", "extracting 1", "update all"}));
  items.log.clear();
  items.Clear();
  EXPECT_EQ(items.log, (V{"deleting 2", "extracting 2", "deleting 0", "extracting 0", "update all"}));
  EXPECT_EQ(items.Count(), 0);
  items.log.clear();
  items.Clear();  // empty: nothing to report
  EXPECT_TRUE(items.log.empty());
}

TEST(CollectionTest, ItemsMoveBetweenCollectionsAndDeleteThemselves) {
  TColItems a(nullptr), b(nullptr);
  TColItem* item = a.Add();
  item->SetFieldName("Moving");
  item->SetCollection(&b);
  EXPECT_EQ(a.Count(), 0);
  EXPECT_EQ(b.Count(), 1);
  EXPECT_EQ(item->Collection(), &b);
  delete item;
  EXPECT_EQ(b.Count(), 0);
  TColItem* loose = a.Add();
  loose->SetCollection(nullptr);
  EXPECT_EQ(loose->Index(), -1);
  EXPECT_EQ(loose->GetNamePath(), "TColItem");
  delete loose;
}

TEST(CollectionTest, AssignCopiesItemsAndRefusesOthers) {
  TColItems a(nullptr), b(nullptr);
  a.Add()->Width = 10;
  a.Add()->Width = 20;
  b.Add();
  b.Assign(&a);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_EQ(Names(b), Names(a));
  EXPECT_EQ(b.Item(1)->Width, 20);

  TPersistent plain;
  try {
    b.Item(0)->Assign(&plain);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TPersistent to a TColItem");
  }
}

TEST(CollectionTest, AbstractItemClassCannotBeAdded) {
  TCollection c(TCollectionItem::StaticClass());
  EXPECT_NE(c.Add(), nullptr);  // the base item class can be created
  static const TClassInfo abstractItem{"TAbstractItem", TCollectionItem::StaticClass(), nullptr};
  TCollection d(&abstractItem);
  EXPECT_THROW(d.Add(), EInvalidOperation);
  EXPECT_EQ(d.Count(), 0);
}
