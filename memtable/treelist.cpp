#include "memtable/treelist.h"

#include <algorithm>
#include <unordered_set>

#include "editors/tools/toolctrlsgx.h"
#include "memtable/mtindex.h"
#include "memtable/mtrecords.h"
#include "memtable/recordsview.h"
#include "platform/rtl/exceptions.h"

// ---------------------------------------------------------------- build-time key lookup

// Building the tree from a whole store searches, for every record, its parent by key and the
// records that name it as parent. Without indexes both are depth-first searches of the tree, which
// makes a build quadratic. While the tree is built (nothing can change a record meanwhile) this
// cache answers both by hash. It serves only where hashing gives exactly the answer of the
// platform's comparison: single-field keys whose values are all integers, or all texts (two texts
// are equal only when their bytes are). Otherwise the searches run as before.
class TMemoryTreeListGx::KeyCache {
 public:
  enum class Kind { None, Int, Str };

  // Decides the kind from every key and parent value of the records.
  KeyCache(const TMemoryTreeListGx& tree, const std::vector<TMemoryRecordGx*>& records) {
    const TRecordsViewGx* view = tree.View();
    if (view->KeyFieldIndexes().size() != 1 || view->RefParentFieldIndexes().size() != 1) return;
    keyField_ = view->KeyFieldIndexes()[0];
    parentField_ = view->RefParentFieldIndexes()[0];
    Kind kind = Kind::None;
    bool first = true;
    for (const TMemoryRecordGx* rec : records) {
      for (const Variant* v : {&rec->Value(keyField_), &rec->Value(parentField_)}) {
        if (v->IsNull() || v->IsEmpty()) continue;
        Kind k = KindOf(*v);
        if (k == Kind::None || (!first && k != kind)) return;
        kind = k;
        first = false;
      }
    }
    kind_ = kind;
  }

  bool Usable() const noexcept { return kind_ != Kind::None; }

  // The nodes whose key (or parent value) equals the value, in the order they were added;
  // false when the cache cannot answer for that value.
  bool Lookup(const Variant& value, bool byParent, std::vector<TMemRecViewGx*>& out) const {
    out.clear();
    std::string k;
    if (!Canon(value, k)) return false;
    const auto& map = byParent ? byParent_ : byKey_;
    auto it = map.find(k);
    if (it != map.end()) out = it->second;
    return true;
  }

  void Added(TMemRecViewGx* node) {
    const TMemoryRecordGx* rec = node->Rec();
    std::string k;
    if (Canon(rec->Value(keyField_), k)) byKey_[k].push_back(node);
    if (Canon(rec->Value(parentField_), k)) byParent_[k].push_back(node);
  }

 private:
  static Kind KindOf(const Variant& v) {
    switch (v.VarType()) {
      case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
      case varInt64:
        return Kind::Int;
      case varString: case varOleStr:
        return Kind::Str;
      default:
        return Kind::None;
    }
  }
  bool Canon(const Variant& v, std::string& out) const {
    if (kind_ == Kind::None || v.IsNull() || v.IsEmpty() || KindOf(v) != kind_) return false;
    out = kind_ == Kind::Int ? std::to_string(v.AsInt64()) : std::string(v.StrRef());
    return true;
  }

  Kind kind_ = Kind::None;
  int keyField_ = -1;
  int parentField_ = -1;
  std::unordered_map<std::string, std::vector<TMemRecViewGx*>> byKey_;
  std::unordered_map<std::string, std::vector<TMemRecViewGx*>> byParent_;
};

// ---------------------------------------------------------------- nodes

TMemRecViewGx::TMemRecViewGx(TTreeListGx* owner) : TBaseTreeNodeGx(owner) {}

TMemRecViewGx::~TMemRecViewGx() {
  // The root (no record) goes last, with the tree itself: nothing to tell then.
  if (Rec()) NodeOwner()->Forget(this);
}

TMemoryTreeListGx* TMemRecViewGx::NodeOwner() const noexcept { return static_cast<TMemoryTreeListGx*>(Owner()); }

// ---------------------------------------------------------------- tree

TMemoryTreeListGx::TMemoryTreeListGx(TRecordsViewGx* view)
    : TTreeListGx([](TTreeListGx* owner) -> TBaseTreeNodeGx* { return new TMemRecViewGx(owner); }), view_(view) {}

TMemoryTreeListGx::~TMemoryTreeListGx() {
  // The nodes reach back into this tree while they go: free them while it is whole.
  ClearTree();
}

void TMemoryTreeListGx::Forget(TMemRecViewGx* node) noexcept {
  itemsStale_ = true;
  auto it = nodeOfRecord_.find(node->Rec());
  if (it != nodeOfRecord_.end() && it->second == node) nodeOfRecord_.erase(it);
  if (std::find(parentPath_.begin(), parentPath_.end(), node) != parentPath_.end()) parentPath_.clear();
}

void TMemoryTreeListGx::ClearTree() {
  parentPath_.clear();
  expandedVisibleItems_.clear();
  allVisibleItems_.clear();
  Clear();
  nodeOfRecord_.clear();
  itemsStale_ = true;
}

// ---- keys

namespace {

Variant ValuesOf(const TMemoryRecordGx* rec, const std::vector<int>& fields) {
  if (fields.empty()) return Variant();
  if (fields.size() == 1) return rec->Value(fields[0]);
  return rec->GetDataValuesByIndexes(fields, rvCurrent);
}

// A Null (or missing) value names nothing: a record whose parent value is Null stands at the top
// level. Without both field lists no record names another.
bool ValuesEqual(const TMemoryRecordGx* rec, const std::vector<int>& fields, const std::vector<int>& other,
                 const Variant& value) {
  if (value.IsNull() || value.IsEmpty() || fields.empty() || other.empty()) return false;
  if (fields.size() == 1) return VariantsEqual(rec->Value(fields[0]), value);
  return VariantsEqual(ValuesOf(rec, fields), value);
}

enum class Walk { Continue, Skip, Stop };

// Depth-first below the root, each node before its subtree; `visit` may skip a subtree or stop.
template <class Visit>
void DepthFirst(TBaseTreeNodeGx* root, Visit visit) {
  std::vector<TBaseTreeNodeGx*> stack(root->Children().rbegin(), root->Children().rend());
  while (!stack.empty()) {
    auto* n = static_cast<TMemRecViewGx*>(stack.back());
    stack.pop_back();
    Walk w = visit(n);
    if (w == Walk::Stop) return;
    if (w == Walk::Skip) continue;
    const auto& kids = n->Children();
    stack.insert(stack.end(), kids.rbegin(), kids.rend());
  }
}

}  // namespace

TMTIndexGx* TMemoryTreeListGx::ActiveIndex(const std::string& fields) const {
  TRecordsListGx* list = view_->RecordsList();
  TMTIndexGx* index = list ? list->Indexes()->GetIndexForFields(fields) : nullptr;
  return index && index->Active() && !index->Fields().empty() ? index : nullptr;
}

TMemRecViewGx* TMemoryTreeListGx::NodeByIndex(TMTIndexGx* index, const Variant& value) const {
  TRecordsListGx* list = view_->RecordsList();
  int recIndex = -1;
  bool found = false;
  try {
    found = index->LocateKey(value, recIndex);
  } catch (const Exception&) {
    found = false;  // a value the keys cannot be compared with names no record
  }
  if (!found || recIndex < 0 || recIndex >= list->Count()) return nullptr;
  return FindRecordNode(list->Rec(recIndex));
}

Variant TMemoryTreeListGx::KeyOf(const TMemoryRecordGx* rec) const { return ValuesOf(rec, view_->KeyFieldIndexes()); }

Variant TMemoryTreeListGx::ParentValueOf(const TMemoryRecordGx* rec) const {
  return ValuesOf(rec, view_->RefParentFieldIndexes());
}

bool TMemoryTreeListGx::KeyEquals(const TMemoryRecordGx* rec, const Variant& value) const {
  return ValuesEqual(rec, view_->KeyFieldIndexes(), view_->RefParentFieldIndexes(), value);
}

bool TMemoryTreeListGx::ParentEquals(const TMemoryRecordGx* rec, const Variant& value) const {
  return ValuesEqual(rec, view_->RefParentFieldIndexes(), view_->KeyFieldIndexes(), value);
}

TMemRecViewGx* TMemoryTreeListGx::FindRecordNode(const TMemoryRecordGx* rec) const {
  auto it = nodeOfRecord_.find(rec);
  return it == nodeOfRecord_.end() ? nullptr : it->second;
}

bool TMemoryTreeListGx::IsAncestorOrSelf(const TBaseTreeNodeGx* maybeAncestor, const TBaseTreeNodeGx* node) noexcept {
  for (const TBaseTreeNodeGx* n = node; n; n = n->Parent())
    if (n == maybeAncestor) return true;
  return false;
}

TMemRecViewGx* TMemoryTreeListGx::FindKeyNode(const Variant& value) {
  if (value.IsNull() || value.IsEmpty() || view_->KeyFieldIndexes().empty() || view_->RefParentFieldIndexes().empty())
    return nullptr;
  if (TMTIndexGx* index = ActiveIndex(view_->KeyFieldName())) return NodeByIndex(index, value);
  if (keyCache_) {
    std::vector<TMemRecViewGx*> hits;
    if (keyCache_->Lookup(value, false, hits)) {
      // The first in depth-first order: the one whose path from the root sorts first.
      TMemRecViewGx* best = nullptr;
      std::vector<int> bestPath, path;
      for (TMemRecViewGx* n : hits) {
        path.clear();
        for (TBaseTreeNodeGx* p = n; p && p->Parent(); p = p->Parent()) path.push_back(p->Index());
        std::reverse(path.begin(), path.end());
        if (!best || path < bestPath) {
          best = n;
          bestPath = path;
        }
      }
      return best;
    }
  }
  TMemRecViewGx* found = nullptr;
  DepthFirst(Root(), [&](TMemRecViewGx* n) {
    if (!KeyEquals(n->Rec(), value)) return Walk::Continue;
    found = n;
    return Walk::Stop;
  });
  return found;
}

// The nodes naming `key` as their parent, to be moved under `node`. A node that is `node` itself
// or one of its ancestors is left where it is: moving it would make a loop.
void TMemoryTreeListGx::GatherChildrenOf(TMemRecViewGx* node, const Variant& key, std::vector<TMemRecViewGx*>& found) {
  found.clear();
  if (key.IsNull() || key.IsEmpty() || view_->KeyFieldIndexes().empty() || view_->RefParentFieldIndexes().empty())
    return;
  if (TMTIndexGx* index = ActiveIndex(view_->RefParentFieldName())) {
    std::vector<TMemoryRecordGx*> recs;
    try {
      index->GetKeyRecords(key, recs);
    } catch (const Exception&) {
      recs.clear();
    }
    for (TMemoryRecordGx* r : recs)
      if (TMemRecViewGx* n = FindRecordNode(r)) found.push_back(n);
  } else {
    std::vector<TMemRecViewGx*> hits;
    if (keyCache_ && keyCache_->Lookup(key, true, hits)) {
      // As the search below: a match inside another match's subtree is not taken.
      std::unordered_set<const TBaseTreeNodeGx*> set(hits.begin(), hits.end());
      for (TMemRecViewGx* n : hits) {
        bool inner = false;
        for (TBaseTreeNodeGx* p = n->Parent(); p && !inner; p = p->Parent()) inner = set.count(p) > 0;
        if (!inner) found.push_back(n);
      }
    } else {
      // A matching node's subtree is not searched.
      DepthFirst(Root(), [&](TMemRecViewGx* n) {
        if (!ParentEquals(n->Rec(), key)) return Walk::Continue;
        found.push_back(n);
        return Walk::Skip;
      });
    }
  }
  found.erase(std::remove_if(found.begin(), found.end(), [node](TMemRecViewGx* n) { return IsAncestorOrSelf(n, node); }),
              found.end());
}

TMemRecViewGx* TMemoryTreeListGx::SiblingAfter(TMemRecViewGx* parent, const TMemoryRecordGx* rec) const {
  // Siblings stand in record-list order: after the last child whose record comes before `rec`.
  const int at = rec->Index();
  const auto& kids = parent->Children();
  if (kids.empty() || static_cast<TMemRecViewGx*>(kids.back())->Rec()->Index() < at) return nullptr;
  for (size_t i = kids.size() - 1; i-- > 0;)
    if (static_cast<TMemRecViewGx*>(kids[i])->Rec()->Index() < at) return static_cast<TMemRecViewGx*>(kids[i + 1]);
  return static_cast<TMemRecViewGx*>(kids.front());
}

// ---- building

TMemRecViewGx* TMemoryTreeListGx::AddRecordNode(TMemoryRecordGx* rec) {
  const Variant parentValue = ParentValueOf(rec);
  TMemRecViewGx* parent = nullptr;
  bool replaceLast = false;
  // 1. The path of the nodes added last: loading parents before children finds each parent here.
  if (parentPath_.size() > 1) {
    TMemRecViewGx* second = parentPath_[parentPath_.size() - 2];
    TMemRecViewGx* last = parentPath_.back();
    if (KeyEquals(second->Rec(), parentValue)) {
      parent = second;
      replaceLast = true;
    } else if (KeyEquals(last->Rec(), parentValue)) {
      parent = last;
    } else {
      parentPath_.resize(parentPath_.size() - 2);
      while (!parentPath_.empty()) {
        if (KeyEquals(parentPath_.back()->Rec(), parentValue)) {
          parent = parentPath_.back();
          break;
        }
        parentPath_.pop_back();
      }
    }
  }
  // 2. An index on the key, else a search of the tree.
  if (!parent) parent = FindKeyNode(parentValue);
  // A parent already at the deepest level cannot take a child (the view refuses such records
  // before they are stored; records loaded while the view was flat go to the top level).
  if (parent && parent->Level() >= MaxLevel()) parent = nullptr;
  TMemRecViewGx* under = parent ? parent : RootNode();

  // 3. Among the siblings in record-list order.
  TRecordsListGx* list = rec->RecordsList();
  const bool lastOfList = list && rec->Index() == list->Count() - 1;
  TMemRecViewGx* before = lastOfList ? nullptr : SiblingAfter(under, rec);
  auto* node = static_cast<TMemRecViewGx*>(AddChild(under, std::string(), rec));
  nodeOfRecord_[rec] = node;
  if (before) MoveTo(node, before, true, namInsertBefore);

  // 4. Default flags, set without asking anybody.
  initializingNode_ = true;
  node->SetExpanded(defaultNodeExpanded_);
  initializingNode_ = false;
  node->SetHasChildren(defaultNodeHasChildren_);
  itemsStale_ = true;
  if (keyCache_) keyCache_->Added(node);

  // 5. Records already present that name this one as their parent move under it.
  if (fullBuildCheck_) {
    std::vector<TMemRecViewGx*> children;
    GatherChildrenOf(node, KeyOf(rec), children);
    std::stable_sort(children.begin(), children.end(),
                     [](TMemRecViewGx* a, TMemRecViewGx* b) { return a->Rec()->Index() < b->Rec()->Index(); });
    for (TMemRecViewGx* child : children) {
      try {
        MoveTo(child, node, true, namAddChildLast);
      } catch (const Exception&) {
        // Too deep below the new node: the child stays where it is.
      }
    }
  }

  // 6. The path.
  if (replaceLast) parentPath_.back() = node;
  else parentPath_.push_back(node);
  return node;
}

void TMemoryTreeListGx::BuildFromRecords(const std::vector<TMemoryRecordGx*>& records) {
  ClearTree();
  keyCache_ = std::make_unique<KeyCache>(*this, records);
  if (!keyCache_->Usable()) keyCache_.reset();
  try {
    for (TMemoryRecordGx* rec : records) AddRecordNode(rec);
  } catch (...) {
    keyCache_.reset();
    throw;
  }
  keyCache_.reset();
}

void TMemoryTreeListGx::MoveRecordNode(TMemRecViewGx* node, TMemoryRecordGx* rec) {
  if (!node) return;
  TMemRecViewGx* parent = FindKeyNode(ParentValueOf(rec));
  TMemRecViewGx* under = parent ? parent : RootNode();
  if (under == node->Parent()) return;
  // A parent inside the node's own subtree would be a loop (the view refuses such changes before
  // they are stored); the node then stays where it is.
  if (IsAncestorOrSelf(node, under)) return;
  TMemRecViewGx* after = SiblingAfter(under, rec);
  try {
    if (after) MoveTo(node, after, true, namInsertBefore);
    else MoveTo(node, under, true, namAddChildLast);
  } catch (const Exception&) {
    // Too deep there (the view refuses such changes before they are stored): it stays.
  }
  itemsStale_ = true;
}

// ---- visibility

void TMemoryTreeListGx::UpdateNodeVisibility(TMemRecViewGx* node, bool propagate) {
  itemsStale_ = true;
  while (node && node != Root()) {
    bool visible = node->VisibleCount() > 0 ? true : view_->FilterRecord(node->Rec(), -1);
    node->SetVisible(visible);
    TMemRecViewGx* parent = node->NodeParent();
    if (!propagate || !parent || parent == Root() || parent->Visible() == node->Visible()) break;
    node = parent;
  }
}

void TMemoryTreeListGx::UpdateNodesVisibility(TMemRecViewGx* node) {
  TMemRecViewGx* from = node ? node : RootNode();
  itemsStale_ = true;
  // Post-order: every child's subtree before the child.
  struct Frame {
    TMemRecViewGx* Node;
    int Next;
  };
  std::vector<Frame> stack{{from, 0}};
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.Next < f.Node->Count()) {
      auto* child = f.Node->Child(f.Next++);
      stack.push_back({child, 0});
      continue;
    }
    TMemRecViewGx* done = f.Node;
    stack.pop_back();
    if (done != from) UpdateNodeVisibility(done, false);
  }
}

void TMemoryTreeListGx::MakeDescendantsVisible(TMemRecViewGx* node) {
  TMemRecViewGx* from = node ? node : RootNode();
  for (int i = 0; i < from->Count(); ++i) {
    TMemRecViewGx* child = from->Child(i);
    if (!child->Visible()) continue;
    if (child->VisibleCount() == 0) {
      std::vector<TMemRecViewGx*> stack;
      for (int k = 0; k < child->Count(); ++k) stack.push_back(child->Child(k));
      while (!stack.empty()) {
        TMemRecViewGx* d = stack.back();
        stack.pop_back();
        d->SetVisible(true);
        for (int k = 0; k < d->Count(); ++k) stack.push_back(d->Child(k));
      }
    } else {
      MakeDescendantsVisible(child);
    }
  }
  itemsStale_ = true;
}

// ---- walks

void TMemoryTreeListGx::BuildVisibleItems() {
  expandedVisibleItems_.clear();
  allVisibleItems_.clear();
  // Depth-first over visible nodes; a hidden node hides its subtree.
  struct Frame {
    TMemRecViewGx* Node;
    int Next;
    bool Open;  // every ancestor up to here expanded
  };
  std::vector<Frame> stack{{RootNode(), 0, true}};
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.Next >= f.Node->Count()) {
      stack.pop_back();
      continue;
    }
    TMemRecViewGx* child = f.Node->Child(f.Next++);
    if (!child->Visible()) continue;
    bool open = f.Open;
    allVisibleItems_.push_back(child);
    if (open) expandedVisibleItems_.push_back(child);
    if (child->Count() > 0) stack.push_back({child, 0, open && child->Expanded()});
  }
  itemsStale_ = false;
}

const std::vector<TMemRecViewGx*>& TMemoryTreeListGx::ExpandedVisibleItems() {
  if (itemsStale_) BuildVisibleItems();
  return expandedVisibleItems_;
}

const std::vector<TMemRecViewGx*>& TMemoryTreeListGx::AllVisibleItems() {
  if (itemsStale_) BuildVisibleItems();
  return allVisibleItems_;
}

int TMemoryTreeListGx::ExpandedVisibleCount() { return static_cast<int>(ExpandedVisibleItems().size()); }

TMemRecViewGx* TMemoryTreeListGx::GetExpandedVisibleItem(int pos) {
  const auto& items = ExpandedVisibleItems();
  return pos >= 0 && pos < static_cast<int>(items.size()) ? items[static_cast<size_t>(pos)] : nullptr;
}

int TMemoryTreeListGx::VisibleCount() { return static_cast<int>(AllVisibleItems().size()); }

TMemRecViewGx* TMemoryTreeListGx::GetVisibleItem(int pos) {
  const auto& items = AllVisibleItems();
  return pos >= 0 && pos < static_cast<int>(items.size()) ? items[static_cast<size_t>(pos)] : nullptr;
}

// ---- loops

bool TMemoryTreeListGx::CheckReferenceLoop(TMemoryRecordGx* rec, const Variant& parentValue) {
  const Variant value = parentValue.IsEmpty() ? ParentValueOf(rec) : parentValue;
  if (value.IsNull() || value.IsEmpty()) return false;
  if (view_->KeyFieldIndexes().empty() || view_->RefParentFieldIndexes().empty()) return false;
  // A parent value that cannot be compared with a key names no record: it closes no loop.
  auto sameKey = [](const Variant& a, const Variant& b) { return TMTIndexGx::CompareKeys(a, b) == vrEqual; };
  if (sameKey(value, KeyOf(rec))) return true;
  TMemRecViewGx* target = nullptr;
  if (TMTIndexGx* index = ActiveIndex(view_->KeyFieldName())) {
    target = NodeByIndex(index, value);
  } else {
    DepthFirst(Root(), [&](TMemRecViewGx* n) {
      if (!sameKey(KeyOf(n->Rec()), value)) return Walk::Continue;
      target = n;
      return Walk::Stop;
    });
  }
  const TMemRecViewGx* own = FindRecordNode(rec);
  if (!own) return false;
  for (const TBaseTreeNodeGx* n = target; n && n != Root(); n = n->Parent())
    if (n == own) return true;
  return false;
}

int TMemoryTreeListGx::SubtreeHeight(const TMemRecViewGx* node) {
  int height = 0;
  std::vector<std::pair<const TMemRecViewGx*, int>> stack{{node, 1}};
  while (!stack.empty()) {
    auto [n, h] = stack.back();
    stack.pop_back();
    height = std::max(height, h);
    for (int i = 0; i < n->Count(); ++i) stack.emplace_back(n->Child(i), h + 1);
  }
  return height;
}

void TMemoryTreeListGx::CheckLevel(TMemoryRecordGx* rec) {
  TMemRecViewGx* parent = FindKeyNode(ParentValueOf(rec));
  if (!parent) return;
  const TMemRecViewGx* own = FindRecordNode(rec);
  if (own && own->Parent() == parent) return;
  if (parent->Level() + (own ? SubtreeHeight(own) : 1) > MaxLevel())
    throw EInvalidOperation("TBaseTreeNodeGx.SetLevel: Max level exceed - " + std::to_string(MaxLevel()));
}

void TMemoryTreeListGx::CollectDescendantRecords(std::vector<TMemoryRecordGx*>& list, TMemRecViewGx* node,
                                                 bool recurse) const {
  if (!node) return;
  if (!recurse) {
    for (int i = 0; i < node->Count(); ++i) list.push_back(node->Child(i)->Rec());
    return;
  }
  std::vector<TMemRecViewGx*> stack;
  for (int i = node->Count() - 1; i >= 0; --i) stack.push_back(node->Child(i));
  while (!stack.empty()) {
    TMemRecViewGx* n = stack.back();
    stack.pop_back();
    list.push_back(n->Rec());
    for (int i = n->Count() - 1; i >= 0; --i) stack.push_back(n->Child(i));
  }
}

// ---- overrides

void TMemoryTreeListGx::MoveTo(TBaseTreeNodeGx* node, TBaseTreeNodeGx* destination, bool reindex, int mode) {
  TTreeListGx::MoveTo(node, destination, reindex, mode);
  itemsStale_ = true;
}

void TMemoryTreeListGx::SortData(const TTreeNodeCompareGx& compare, void* param, bool recurse) {
  TTreeListGx::SortData(compare, param, recurse);
  BuildVisibleItems();
}

bool TMemoryTreeListGx::ExpandedChanging(TBaseTreeNodeGx* node) {
  return initializingNode_ || TTreeListGx::ExpandedChanging(node);
}

void TMemoryTreeListGx::ExpandedChanged(TBaseTreeNodeGx* node) {
  itemsStale_ = true;
  if (!initializingNode_) TTreeListGx::ExpandedChanged(node);
}

void TMemoryTreeListGx::VisibleChanged(TBaseTreeNodeGx* node) {
  itemsStale_ = true;
  TTreeListGx::VisibleChanged(node);
}
