#include "memtable/treenodes.h"

#include <algorithm>

#include "editors/tools/gxsort.h"
#include "platform/rtl/exceptions.h"

namespace {

[[noreturn]] void MaxLevelExceeded(int maxLevel) {
  throw EInvalidOperation("TBaseTreeNodeGx.SetLevel: Max level exceed - " + std::to_string(maxLevel));
}

}  // namespace

// ---------------------------------------------------------------- node

TBaseTreeNodeGx::TBaseTreeNodeGx(TTreeListGx* owner) : owner_(owner) {}

TBaseTreeNodeGx::~TBaseTreeNodeGx() {
  // Iteratively from the back: each child frees its own subtree.
  std::vector<TBaseTreeNodeGx*> children;
  children.swap(items_);
  visibleItems_.clear();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    (*it)->parent_ = nullptr;
    delete *it;
  }
}

TBaseTreeNodeGx* TBaseTreeNodeGx::GetItem(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)];
}

TBaseTreeNodeGx* TBaseTreeNodeGx::VisibleItem(int index) const {
  if (visibleCount_ == Count()) return GetItem(index);
  if (index < 0 || index >= static_cast<int>(visibleItems_.size())) return nullptr;
  return visibleItems_[static_cast<size_t>(index)];
}

int TBaseTreeNodeGx::PositionOf(const TBaseTreeNodeGx* child) const noexcept {
  int i = child->index_;
  if (i >= 0 && i < Count() && items_[static_cast<size_t>(i)] == child) return i;
  // Indexes go stale when a move was made without re-indexing; the list is the truth.
  auto it = std::find(items_.begin(), items_.end(), child);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

int TBaseTreeNodeGx::SubtreeHeight() const noexcept {
  int height = 0;
  for (const TBaseTreeNodeGx* c : items_) height = std::max(height, 1 + c->SubtreeHeight());
  return height;
}

void TBaseTreeNodeGx::AssignLevel(int value) noexcept {
  level_ = value;
  for (TBaseTreeNodeGx* c : items_) c->AssignLevel(value + 1);
}

void TBaseTreeNodeGx::SetLevel(int value) {
  if (value == level_) return;
  // Checked for the whole subtree first, so that a refused level leaves every node as it was.
  int maxLevel = owner_ ? owner_->MaxLevel() : 1000;
  if (value > maxLevel || value + SubtreeHeight() > maxLevel) MaxLevelExceeded(maxLevel);
  AssignLevel(value);
}

void TBaseTreeNodeGx::SetExpanded(bool value) {
  if (value == expanded_ || !ExpandedChanging()) return;
  expanded_ = value;
  ExpandedChanged();
}

void TBaseTreeNodeGx::SetVisible(bool value) {
  if (value == visible_ || !CanChangeVisible() || !VisibleChanging()) return;
  visible_ = value;
  VisibleChanged();
}

bool TBaseTreeNodeGx::ExpandedChanging() { return owner_ ? owner_->ExpandedChanging(this) : true; }
void TBaseTreeNodeGx::ExpandedChanged() {
  if (owner_) owner_->ExpandedChanged(this);
}
bool TBaseTreeNodeGx::VisibleChanging() { return owner_ ? owner_->VisibleChanging(this) : true; }
void TBaseTreeNodeGx::VisibleChanged() {
  if (owner_) owner_->VisibleChanged(this);
}

void TBaseTreeNodeGx::CheckOwner(const TBaseTreeNodeGx* child) const {
  if (!child || child->owner_ != owner_)
    throw EInvalidOperation("TBaseTreeNodeGx.Add: Tree nodes can not has different Owners");
}

void TBaseTreeNodeGx::Add(TBaseTreeNodeGx* child) {
  CheckOwner(child);
  bool complete = visibleCount_ == Count();
  items_.push_back(child);
  if (complete && child->visible_) {
    child->visibleIndex_ = visibleCount_;
    ++visibleCount_;
  } else {
    BuildVisibleItems();
  }
}

void TBaseTreeNodeGx::Insert(int index, TBaseTreeNodeGx* child) {
  CheckOwner(child);
  index = std::clamp(index, 0, Count());
  bool complete = visibleCount_ == Count();
  items_.insert(items_.begin() + index, child);
  if (complete && child->visible_)
    ++visibleCount_;
  else
    BuildVisibleItems();
}

void TBaseTreeNodeGx::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  bool complete = visibleCount_ == Count();
  items_.erase(items_.begin() + index);
  if (complete)
    --visibleCount_;
  else
    BuildVisibleItems();
}

void TBaseTreeNodeGx::Exchange(int index1, int index2) {
  if (index1 < 0 || index2 < 0 || index1 >= Count() || index2 >= Count()) return;
  std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
  items_[static_cast<size_t>(index1)]->index_ = index1;
  items_[static_cast<size_t>(index2)]->index_ = index2;
}

void TBaseTreeNodeGx::BuildVisibleItems() {
  visibleItems_.clear();
  for (TBaseTreeNodeGx* c : items_)
    if (c->visible_) {
      c->visibleIndex_ = static_cast<int>(visibleItems_.size());
      visibleItems_.push_back(c);
    }
  visibleCount_ = static_cast<int>(visibleItems_.size());
  if (!items_.empty()) hasChildren_ = visibleCount_ > 0;
}

void TBaseTreeNodeGx::Reindex(bool recurse) {
  visibleItems_.clear();
  for (size_t i = 0; i < items_.size(); ++i) {
    items_[i]->index_ = static_cast<int>(i);
    if (recurse) items_[i]->Reindex(true);
  }
  BuildVisibleItems();
}

// ---------------------------------------------------------------- tree

TTreeListGx::TTreeListGx(TNodeFactory nodeFactory) : factory_(std::move(nodeFactory)) {
  if (!factory_) factory_ = [](TTreeListGx* owner) { return new TBaseTreeNodeGx(owner); };
  root_ = factory_(this);
  root_->owner_ = this;
  root_->level_ = 0;
}

TTreeListGx::~TTreeListGx() { delete root_; }

TBaseTreeNodeGx* TTreeListGx::AddChild(TBaseTreeNodeGx* parent, const std::string& text, void* data) {
  if (!parent) parent = root_;
  if (parent->level_ + 1 > maxLevel_) MaxLevelExceeded(maxLevel_);
  TBaseTreeNodeGx* node = factory_(this);
  node->owner_ = this;
  node->parent_ = parent;
  node->data_ = data;
  node->text_ = text;
  node->level_ = parent->level_ + 1;
  try {
    parent->Add(node);
  } catch (...) {
    delete node;
    throw;
  }
  parent->hasChildren_ = true;
  node->index_ = parent->Count() - 1;
  return node;
}

void TTreeListGx::DeleteChildren(TBaseTreeNodeGx* node) {
  if (!node) node = root_;
  std::vector<TBaseTreeNodeGx*> children;
  children.swap(node->items_);
  node->visibleItems_.clear();
  node->visibleCount_ = 0;
  node->hasChildren_ = false;
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    (*it)->parent_ = nullptr;
    delete *it;
  }
}

void TTreeListGx::DeleteNode(TBaseTreeNodeGx* node, bool reindex) {
  if (!node || node == root_) return;
  DeleteChildren(node);
  if (TBaseTreeNodeGx* parent = node->parent_) {
    parent->Delete(parent->PositionOf(node));
    parent->hasChildren_ = parent->Count() > 0;
    if (reindex) parent->Reindex(false);
  }
  node->parent_ = nullptr;
  delete node;
}

void TTreeListGx::Expand(TBaseTreeNodeGx* node, bool recurse) {
  if (!node) node = root_;
  if (node->Count() == 0) return;
  if (node != root_) node->SetExpanded(true);
  if (recurse)
    for (size_t i = 0; i < node->items_.size(); ++i) Expand(node->items_[i], true);
}

void TTreeListGx::Collapse(TBaseTreeNodeGx* node, bool recurse) {
  if (!node) node = root_;
  node->SetExpanded(false);
  if (recurse)
    for (size_t i = 0; i < node->items_.size(); ++i) Collapse(node->items_[i], true);
}

void TTreeListGx::MoveTo(TBaseTreeNodeGx* node, TBaseTreeNodeGx* destination, bool reindex, int mode) {
  if (!node || node == root_) return;
  if (!destination) destination = root_;
  if (destination == root_ && mode != namAddChildLast && mode != namAddChildFirst) return;
  for (TBaseTreeNodeGx* n = destination; n; n = n->parent_)
    if (n == node) throw EInvalidOperation("Reference-loop found");
  TBaseTreeNodeGx* newParent =
      (mode == namAddChildLast || mode == namAddChildFirst) ? destination : destination->parent_;
  if (!newParent) return;
  int newLevel = newParent->level_ + 1;
  // Refused before anything moves.
  if (newLevel != node->level_ && newLevel + node->SubtreeHeight() > maxLevel_) MaxLevelExceeded(maxLevel_);

  if (TBaseTreeNodeGx* oldParent = node->parent_) {
    oldParent->Delete(oldParent->PositionOf(node));
    oldParent->hasChildren_ = oldParent->Count() > 0;
    if (reindex) oldParent->Reindex(false);
  }
  node->parent_ = newParent;
  int at;
  switch (mode) {
    case namAddFirst:
    case namAddChildFirst: at = 0; break;
    case namInsertBefore: at = std::max(0, newParent->PositionOf(destination)); break;
    default: at = newParent->Count(); break;
  }
  if (at >= newParent->Count())
    newParent->Add(node);
  else
    newParent->Insert(at, node);
  newParent->hasChildren_ = true;
  node->index_ = newParent->PositionOf(node);
  node->SetLevel(newLevel);
  if (reindex) newParent->Reindex(false);
}

TBaseTreeNodeGx* TTreeListGx::FindNode(TBaseTreeNodeGx* start, void* data) const {
  if (!start) start = root_;
  for (TBaseTreeNodeGx* c : start->items_) {
    if (c->data_ == data) return c;
    if (TBaseTreeNodeGx* found = FindNode(c, data)) return found;
  }
  return nullptr;
}

TBaseTreeNodeGx* TTreeListGx::NextSibling(TBaseTreeNodeGx* node) const {
  if (!node || !node->parent_) return nullptr;
  TBaseTreeNodeGx* p = node->parent_;
  int i = p->PositionOf(node);
  return i >= 0 && i + 1 < p->Count() ? p->items_[static_cast<size_t>(i + 1)] : nullptr;
}

TBaseTreeNodeGx* TTreeListGx::FirstChild(TBaseTreeNodeGx* node) const {
  if (!node) node = root_;
  return node->items_.empty() ? nullptr : node->items_.front();
}

bool TTreeListGx::HasChildren(TBaseTreeNodeGx* node) const { return (node ? node : root_)->Count() > 0; }

TBaseTreeNodeGx* TTreeListGx::NextVisibleSibling(TBaseTreeNodeGx* node) const {
  if (!node || !node->parent_) return nullptr;
  TBaseTreeNodeGx* p = node->parent_;
  if (p->visibleCount_ == p->Count()) return NextSibling(node);
  int i = node->visibleIndex_;
  if (i < 0 || i >= static_cast<int>(p->visibleItems_.size()) || p->visibleItems_[static_cast<size_t>(i)] != node)
    return nullptr;
  return i + 1 < static_cast<int>(p->visibleItems_.size()) ? p->visibleItems_[static_cast<size_t>(i + 1)] : nullptr;
}

TBaseTreeNodeGx* TTreeListGx::NextClimbing(TBaseTreeNodeGx* node) {
  while (node && node->parent_) {
    TBaseTreeNodeGx* p = node->parent_;
    int i = p->PositionOf(node);
    if (i >= 0 && i + 1 < p->Count()) return p->items_[static_cast<size_t>(i + 1)];
    node = p;
  }
  return nullptr;
}

bool TTreeListGx::Reachable(const TBaseTreeNodeGx* node, bool considerCollapsed) const {
  for (const TBaseTreeNodeGx* a = node->parent_; a && a != root_; a = a->parent_)
    if (!a->visible_ || (considerCollapsed && !a->expanded_)) return false;
  return true;
}

TBaseTreeNodeGx* TTreeListGx::GetFirstVisible() const {
  TBaseTreeNodeGx* first = FirstChild(root_);
  if (!first || first->visible_) return first;
  return GetNextVisible(first, true);
}

TBaseTreeNodeGx* TTreeListGx::GetNextVisible(TBaseTreeNodeGx* node, bool considerCollapsed) const {
  if (!node || node == root_) return nullptr;
  TBaseTreeNodeGx* candidate;
  if (Reachable(node, considerCollapsed)) {
    // A hidden node's children are not reachable.
    if (node->visible_ && (node->expanded_ || !considerCollapsed) && node->Count() > 0)
      candidate = node->items_.front();
    else
      candidate = NextClimbing(node);
  } else {
    // Start after the outermost ancestor that hides the node.
    TBaseTreeNodeGx* start = node;
    for (TBaseTreeNodeGx* a = node->parent_; a && a != root_; a = a->parent_)
      if (!a->visible_ || (considerCollapsed && !a->expanded_)) start = a;
    candidate = NextClimbing(start);
  }
  while (candidate && !candidate->visible_) candidate = NextClimbing(candidate);
  return candidate;
}

bool TTreeListGx::ExpandedChanging(TBaseTreeNodeGx* node) {
  bool allow = true;
  if (OnExpandedChanging) OnExpandedChanging(this, node, allow);
  return allow;
}

void TTreeListGx::ExpandedChanged(TBaseTreeNodeGx* node) {
  if (OnExpandedChanged) OnExpandedChanged(this, node);
}

bool TTreeListGx::VisibleChanging(TBaseTreeNodeGx*) { return true; }

void TTreeListGx::VisibleChanged(TBaseTreeNodeGx* node) {
  if (node->parent_) node->parent_->BuildVisibleItems();
}

void TTreeListGx::SortChildren(TBaseTreeNodeGx* node, const TTreeNodeCompareGx& compare, void* param, bool recurse) {
  if (node->Count() > 1) {
    auto& items = node->items_;
    GxQuickSort(
        0, node->Count() - 1,
        [&](int i, int p) { return compare(items[static_cast<size_t>(i)], items[static_cast<size_t>(p)], param); },
        [&](int i, int j) { node->Exchange(i, j); });
  }
  if (recurse)
    for (TBaseTreeNodeGx* c : node->items_) SortChildren(c, compare, param, true);
  if (node->visibleCount_ != node->Count()) node->BuildVisibleItems();
}

void TTreeListGx::SortData(const TTreeNodeCompareGx& compare, void* param, bool recurse) {
  if (compare) SortChildren(root_, compare, param, recurse);
}
