#pragma once
// A general in-memory tree: nodes owned by a tree that keeps a hidden root. Each node keeps all its
// children in order and, separately, its visible children; expanding, visibility, levels, moving
// and sorting are done here. It knows nothing of records: the records view derives its nodes and
// tree from these.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TTreeListGx;

class TBaseTreeNodeGx {
 public:
  explicit TBaseTreeNodeGx(TTreeListGx* owner);
  // Frees the children (each frees its own).
  virtual ~TBaseTreeNodeGx();
  TBaseTreeNodeGx(const TBaseTreeNodeGx&) = delete;
  TBaseTreeNodeGx& operator=(const TBaseTreeNodeGx&) = delete;

  TTreeListGx* Owner() const noexcept { return owner_; }
  const std::string& Text() const noexcept { return text_; }
  void SetText(const std::string& value) { text_ = value; }
  void* Data() const noexcept { return data_; }
  void SetData(void* value) noexcept { data_ = value; }
  bool Expanded() const noexcept { return expanded_; }
  // When it differs and ExpandedChanging allows it: stores, then ExpandedChanged.
  void SetExpanded(bool value);
  bool HasChildren() const noexcept { return hasChildren_; }
  void SetHasChildren(bool value) noexcept { hasChildren_ = value; }
  // Position in the parent's children.
  int Index() const noexcept { return index_; }
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TBaseTreeNodeGx* Items(int index) const { return GetItem(index); }
  const std::vector<TBaseTreeNodeGx*>& Children() const noexcept { return items_; }
  int VisibleCount() const noexcept { return visibleCount_; }
  // The visible child at a position among the visible children; null outside.
  TBaseTreeNodeGx* VisibleItem(int index) const;
  int Level() const noexcept { return level_; }
  // Raises "TBaseTreeNodeGx.SetLevel: Max level exceed - <max>" (before changing anything) when
  // the node or a descendant would go past the tree's maximum level; else sets the subtree's levels.
  void SetLevel(int value);
  TBaseTreeNodeGx* Parent() const noexcept { return parent_; }
  bool Visible() const noexcept { return visible_; }
  // When it differs and CanChangeVisible allows it: stores, then VisibleChanged.
  void SetVisible(bool value);
  int VisibleIndex() const noexcept { return visibleIndex_; }

  // Children lists. A node of another tree raises
  // "TBaseTreeNodeGx.Add: Tree nodes can not has different Owners".
  void Add(TBaseTreeNodeGx* child);
  void Insert(int index, TBaseTreeNodeGx* child);
  // Takes the child at the index out of the list (not freed).
  void Delete(int index);
  void Exchange(int index1, int index2);

  virtual bool ExpandedChanging();
  // Null outside 0 .. Count - 1.
  virtual TBaseTreeNodeGx* GetItem(int index) const;
  virtual bool CanChangeVisible() { return true; }
  virtual bool VisibleChanging();
  void CallBuildVisibleItems() { BuildVisibleItems(); }
  virtual void ExpandedChanged();
  virtual void VisibleChanged();
  // Lists the visible children; has-children follows whether any is visible.
  virtual void BuildVisibleItems();

 private:
  friend class TTreeListGx;
  void CheckOwner(const TBaseTreeNodeGx* child) const;
  // Where the child actually stands (its index, checked).
  int PositionOf(const TBaseTreeNodeGx* child) const noexcept;
  void Reindex(bool recurse);
  int SubtreeHeight() const noexcept;
  void AssignLevel(int value) noexcept;

  TTreeListGx* owner_;
  std::string text_;
  void* data_ = nullptr;
  bool expanded_ = false;
  bool hasChildren_ = false;
  int index_ = -1;
  std::vector<TBaseTreeNodeGx*> items_;
  std::vector<TBaseTreeNodeGx*> visibleItems_;
  int level_ = 0;
  TBaseTreeNodeGx* parent_ = nullptr;
  bool visible_ = true;
  int visibleCount_ = 0;
  int visibleIndex_ = -1;
};

// Attach modes of MoveTo.
enum TNodeAttachModeGx : int {
  namAddLast = 0,        // last child of the destination's parent
  namAddFirst = 1,       // first child of the destination's parent
  namAddChildLast = 2,   // last child of the destination
  namAddChildFirst = 3,  // first child of the destination
  namInsertBefore = 4,   // before the destination, under the same parent
};

// Compares two nodes: negative, zero or positive.
using TTreeNodeCompareGx = std::function<int(TBaseTreeNodeGx* node1, TBaseTreeNodeGx* node2, void* param)>;

class TTreeListGx {
 public:
  // Makes the nodes of a tree; a derived tree gives one that makes its derived nodes.
  using TNodeFactory = std::function<TBaseTreeNodeGx*(TTreeListGx* owner)>;
  using TExpandedChangingEvent = std::function<void(TTreeListGx* tree, TBaseTreeNodeGx* node, bool& allow)>;
  using TExpandedChangedEvent = std::function<void(TTreeListGx* tree, TBaseTreeNodeGx* node)>;

  // Without a factory the tree makes plain nodes.
  explicit TTreeListGx(TNodeFactory nodeFactory = {});
  virtual ~TTreeListGx();
  TTreeListGx(const TTreeListGx&) = delete;
  TTreeListGx& operator=(const TTreeListGx&) = delete;

  TBaseTreeNodeGx* Root() const noexcept { return root_; }
  int MaxLevel() const noexcept { return maxLevel_; }
  void SetMaxLevel(int value) noexcept { maxLevel_ = value; }
  TExpandedChangingEvent OnExpandedChanging;
  TExpandedChangedEvent OnExpandedChanged;

  // parent null means the root. Raises the maximum-level message before adding past the maximum.
  TBaseTreeNodeGx* AddChild(TBaseTreeNodeGx* parent, const std::string& text, void* data);
  void DeleteChildren(TBaseTreeNodeGx* node);
  void DeleteNode(TBaseTreeNodeGx* node, bool reindex);
  void Clear() { DeleteChildren(root_); }
  // node null means the root (whose own flag is never set).
  void Expand(TBaseTreeNodeGx* node, bool recurse);
  void Collapse(TBaseTreeNodeGx* node, bool recurse);
  // Raises "Reference-loop found" (tree unchanged) when the destination lies in the node's subtree.
  virtual void MoveTo(TBaseTreeNodeGx* node, TBaseTreeNodeGx* destination, bool reindex, int mode);
  // Depth-first from the start (null: the root), not the start itself.
  TBaseTreeNodeGx* FindNode(TBaseTreeNodeGx* start, void* data) const;
  TBaseTreeNodeGx* NextSibling(TBaseTreeNodeGx* node) const;
  TBaseTreeNodeGx* FirstChild(TBaseTreeNodeGx* node) const;
  bool HasChildren(TBaseTreeNodeGx* node) const;
  TBaseTreeNodeGx* NextVisibleSibling(TBaseTreeNodeGx* node) const;
  TBaseTreeNodeGx* GetFirstVisible() const;
  // The next visible node in depth-first order; with considerCollapsed the children of collapsed
  // nodes are skipped.
  TBaseTreeNodeGx* GetNextVisible(TBaseTreeNodeGx* node, bool considerCollapsed) const;
  // Whether every ancestor below the root is visible (and, with considerCollapsed, expanded).
  bool Reachable(const TBaseTreeNodeGx* node, bool considerCollapsed) const;
  virtual void SortData(const TTreeNodeCompareGx& compare, void* param, bool recurse);

  // Asked before a node's expanded flag changes / told after.
  virtual bool ExpandedChanging(TBaseTreeNodeGx* node);
  virtual void ExpandedChanged(TBaseTreeNodeGx* node);
  // Asked before a node's visibility changes / told after (the parent's visible list is rebuilt).
  virtual bool VisibleChanging(TBaseTreeNodeGx* node);
  virtual void VisibleChanged(TBaseTreeNodeGx* node);

 private:
  friend class TBaseTreeNodeGx;
  void SortChildren(TBaseTreeNodeGx* node, const TTreeNodeCompareGx& compare, void* param, bool recurse);
  // The next sibling, climbing to the parent's next sibling when a level runs out; null at the root.
  static TBaseTreeNodeGx* NextClimbing(TBaseTreeNodeGx* node);

  TNodeFactory factory_;
  int maxLevel_ = 1000;
  TBaseTreeNodeGx* root_;
};
