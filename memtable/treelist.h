#pragma once
// The tree of a records view: one node per record, a record hanging under the record whose key
// (KeyFieldName) equals its parent key (RefParentFieldName). Siblings stay in record-list order;
// nodes that fail the view's filter are hidden unless a child is visible. Two flat walks of the
// visible nodes are kept: the one the grid shows (collapsed nodes closed) and the one aggregates
// use (every node open).
#include <memory>
#include <unordered_map>
#include <vector>

#include "memtable/treenodes.h"
#include "platform/rtl/variant.h"

class TMemoryRecordGx;
class TMemoryTreeListGx;
class TMTIndexGx;
class TRecordsViewGx;

class TMemRecViewGx : public TBaseTreeNodeGx {
 public:
  explicit TMemRecViewGx(TTreeListGx* owner);
  ~TMemRecViewGx() override;

  TMemoryRecordGx* Rec() const noexcept { return static_cast<TMemoryRecordGx*>(Data()); }
  TMemoryTreeListGx* NodeOwner() const noexcept;
  TMemRecViewGx* NodeParent() const noexcept { return static_cast<TMemRecViewGx*>(Parent()); }
  // Children of the hidden root are level 1.
  int NodeLevel() const noexcept { return Level(); }
  bool NodeHasChildren() const noexcept { return HasChildren(); }
  bool NodeExpanded() const noexcept { return Expanded(); }
  void SetNodeExpanded(bool value) { SetExpanded(value); }
  bool NodeVisible() const noexcept { return Visible(); }
  int ChildCount() const noexcept { return Count(); }
  TMemRecViewGx* Child(int index) const { return static_cast<TMemRecViewGx*>(Items(index)); }
};

class TMemoryTreeListGx : public TTreeListGx {
 public:
  explicit TMemoryTreeListGx(TRecordsViewGx* view);
  ~TMemoryTreeListGx() override;

  TRecordsViewGx* View() const noexcept { return view_; }
  TMemRecViewGx* RootNode() const noexcept { return static_cast<TMemRecViewGx*>(Root()); }

  bool DefaultNodeExpanded() const noexcept { return defaultNodeExpanded_; }
  void SetDefaultNodeExpanded(bool value) noexcept { defaultNodeExpanded_ = value; }
  bool DefaultNodeHasChildren() const noexcept { return defaultNodeHasChildren_; }
  void SetDefaultNodeHasChildren(bool value) noexcept { defaultNodeHasChildren_ = value; }
  bool FullBuildCheck() const noexcept { return fullBuildCheck_; }
  void SetFullBuildCheck(bool value) noexcept { fullBuildCheck_ = value; }
  bool FilterNodeIfParentVisible() const noexcept { return filterNodeIfParentVisible_; }
  void SetFilterNodeIfParentVisible(bool value) noexcept { filterNodeIfParentVisible_ = value; }
  const std::vector<TMemRecViewGx*>& ParentPath() const noexcept { return parentPath_; }
  bool ItemsStale() const noexcept { return itemsStale_; }
  void SetItemsStale() noexcept { itemsStale_ = true; }

  // The two walks; each is rebuilt first when stale. Null outside the range.
  int ExpandedVisibleCount();
  virtual TMemRecViewGx* GetExpandedVisibleItem(int pos);
  int VisibleCount();
  TMemRecViewGx* GetVisibleItem(int pos);
  const std::vector<TMemRecViewGx*>& ExpandedVisibleItems();
  const std::vector<TMemRecViewGx*>& AllVisibleItems();
  void BuildVisibleItems();

  // The node of a record (each record has at most one).
  TMemRecViewGx* FindRecordNode(const TMemoryRecordGx* rec) const;
  // Adds the node of a record: under the node whose key equals its parent key (top level when
  // none), among its siblings in record-list order.
  TMemRecViewGx* AddRecordNode(TMemoryRecordGx* rec);
  // Re-parents a node after its record changed.
  void MoveRecordNode(TMemRecViewGx* node, TMemoryRecordGx* rec);
  void UpdateNodeVisibility(TMemRecViewGx* node, bool propagate);
  // Children before parents; null means the whole tree.
  void UpdateNodesVisibility(TMemRecViewGx* node);
  virtual void MakeDescendantsVisible(TMemRecViewGx* node);
  // True when giving `rec` the parent value (its own when `parentValue` is Unassigned) would make
  // it its own ancestor.
  bool CheckReferenceLoop(TMemoryRecordGx* rec, const Variant& parentValue = Variant());
  // Raises the tree's maximum-level message when the record's node (with its subtree) would end
  // below the maximum level under the parent its parent value names.
  void CheckLevel(TMemoryRecordGx* rec);
  static int SubtreeHeight(const TMemRecViewGx* node);
  // The records of the node's descendants, parents before children.
  void CollectDescendantRecords(std::vector<TMemoryRecordGx*>& list, TMemRecViewGx* node, bool recurse) const;
  // Every node of the store in store order (the view calls this to build the tree).
  void BuildFromRecords(const std::vector<TMemoryRecordGx*>& records);
  void ClearTree();

  // The record's key and parent value (current values, an edit in progress included).
  Variant KeyOf(const TMemoryRecordGx* rec) const;
  Variant ParentValueOf(const TMemoryRecordGx* rec) const;

  void MoveTo(TBaseTreeNodeGx* node, TBaseTreeNodeGx* destination, bool reindex, int mode) override;
  void SortData(const TTreeNodeCompareGx& compare, void* param, bool recurse) override;
  bool ExpandedChanging(TBaseTreeNodeGx* node) override;
  void ExpandedChanged(TBaseTreeNodeGx* node) override;
  void VisibleChanged(TBaseTreeNodeGx* node) override;

 private:
  friend class TMemRecViewGx;
  class KeyCache;

  // The active index of the records list over these fields, or null.
  TMTIndexGx* ActiveIndex(const std::string& fields) const;
  // The node of the record the index finds for the value; null when none.
  TMemRecViewGx* NodeByIndex(TMTIndexGx* index, const Variant& value) const;
  bool KeyEquals(const TMemoryRecordGx* rec, const Variant& value) const;
  bool ParentEquals(const TMemoryRecordGx* rec, const Variant& value) const;
  // The node whose key equals the value: through an index on the key fields when there is one,
  // else the first in depth-first order. Null when none.
  TMemRecViewGx* FindKeyNode(const Variant& value);
  void GatherChildrenOf(TMemRecViewGx* node, const Variant& key, std::vector<TMemRecViewGx*>& found);
  // Where a node of `rec` goes among the children of `parent`: the child it must precede, or null
  // to be the last.
  TMemRecViewGx* SiblingAfter(TMemRecViewGx* parent, const TMemoryRecordGx* rec) const;
  static bool IsAncestorOrSelf(const TBaseTreeNodeGx* maybeAncestor, const TBaseTreeNodeGx* node) noexcept;
  void Forget(TMemRecViewGx* node) noexcept;

  TRecordsViewGx* view_;
  bool defaultNodeExpanded_ = false;
  bool defaultNodeHasChildren_ = false;
  bool fullBuildCheck_ = false;
  std::vector<TMemRecViewGx*> parentPath_;
  std::vector<TMemRecViewGx*> expandedVisibleItems_;
  std::vector<TMemRecViewGx*> allVisibleItems_;
  bool itemsStale_ = true;
  bool filterNodeIfParentVisible_ = true;
  // Record to node; kept by the nodes themselves.
  std::unordered_map<const TMemoryRecordGx*, TMemRecViewGx*> nodeOfRecord_;
  // While a new node gets its default flags, nobody is asked.
  bool initializingNode_ = false;
  // Present only while the tree is built from the whole store.
  std::unique_ptr<KeyCache> keyCache_;
};
