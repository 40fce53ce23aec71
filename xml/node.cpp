#include "xml/node.h"

#include <algorithm>
#include <cstring>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <unordered_map>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "xml/document.h"
#include "xml/text.h"

FANO_IMPLEMENT_CLASS_WITH(TXmlNode, TPersistent, [](TObject*) -> TObject* { return new TXmlNode(); })

// ---------------------------------------------------------------- attribute list

std::string_view XmlEntryName(std::string_view entry) noexcept {
  size_t eq = entry.find('=');
  return eq == std::string_view::npos ? std::string_view() : entry.substr(0, eq);
}

std::string_view XmlEntryValue(std::string_view entry) noexcept {
  size_t eq = entry.find('=');
  return eq == std::string_view::npos ? std::string_view() : entry.substr(eq + 1);
}

size_t TXmlAttributeList::AppendText(std::string_view text) {
  if (text_.size() + text.size() > std::numeric_limits<uint32_t>::max())
    throw EOutOfMemory("Attribute list too long");
  size_t offset = text_.size();
  text_.append(text);
  return offset;
}

TXmlAttributeList::~TXmlAttributeList() = default;

int TXmlAttributeList::AppendSpan(size_t offset, size_t length, bool utf8) {
  spans_.push_back(Span{static_cast<uint32_t>(offset), static_cast<uint32_t>(length)});
  const int index = Count() - 1;
  if (names_) {
    if (sorted_ || names_->utf8 != utf8) names_.reset();
    else names_->first.emplace(XmlFoldName(XmlEntryName(Entry(index)), utf8), index);
  }
  return index;
}

void TXmlAttributeList::SortEntries(bool utf8) {
  names_.reset();
  std::stable_sort(spans_.begin(), spans_.end(), [&](const Span& a, const Span& b) {
    return XmlCompareName(std::string_view(text_.data() + a.offset, a.length),
                          std::string_view(text_.data() + b.offset, b.length), utf8) < 0;
  });
}

int TXmlAttributeList::IndexOfName(std::string_view name, bool utf8) const {
  const int n = Count();
  if (sorted_) {
    // Entries of one name share the prefix "name=", so they stand together in the order.
    std::string key(name);
    key.push_back('=');
    int lo = 0, hi = n;
    while (lo < hi) {
      const int mid = (lo + hi) / 2;
      if (XmlCompareName(Entry(mid), key, utf8) < 0) lo = mid + 1;
      else hi = mid;
    }
    return lo < n && XmlSameName(XmlEntryName(Entry(lo)), name, utf8) ? lo : -1;
  }
  // Short lists (a row of a reply) are searched directly: an index would cost more than it saves.
  if (n < 64) {
    for (int i = 0; i < n; ++i)
      if (XmlSameName(XmlEntryName(Entry(i)), name, utf8)) return i;
    return -1;
  }
  if (!names_ || names_->utf8 != utf8) {
    names_ = std::make_unique<NameIndex>(NameIndex{utf8, {}});
    names_->first.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) names_->first.emplace(XmlFoldName(XmlEntryName(Entry(i)), utf8), i);
  }
  auto it = names_->first.find(XmlFoldName(name, utf8));
  return it == names_->first.end() ? -1 : it->second;
}

int TXmlAttributeList::AddSpanSorted(size_t offset, size_t length, bool utf8) {
  const Span span{static_cast<uint32_t>(offset), static_cast<uint32_t>(length)};
  // After the entries that sort before it or equal to it, so equal entries keep their order.
  const std::string_view entry(text_.data() + offset, length);
  int lo = 0, hi = Count();
  while (lo < hi) {
    int mid = (lo + hi) / 2;
    if (XmlCompareName(Entry(mid), entry, utf8) <= 0) lo = mid + 1;
    else hi = mid;
  }
  spans_.insert(spans_.begin() + lo, span);
  return lo;
}

int TXmlAttributeList::Add(std::string_view entry, bool utf8) {
  // The entry may be a view of this list's own text, which the append can move.
  if (entry.data() >= text_.data() && entry.data() < text_.data() + text_.size()) {
    std::string copy(entry);
    return AddSpan(AppendText(copy), copy.size(), utf8);
  }
  return AddSpan(AppendText(entry), entry.size(), utf8);
}

void TXmlAttributeList::Delete(int i) {
  names_.reset();
  unused_ += spans_[i].length;
  spans_.erase(spans_.begin() + i);
  if (unused_ > 256 && unused_ > text_.size() / 2) Compact();
}

int TXmlAttributeList::Put(int i, std::string_view entry, bool utf8) {
  std::string copy(entry);
  if (sorted_) {
    Delete(i);
    return Add(copy, utf8);
  }
  // In place: the other entries keep their indexes, and so does the name index when the name stays.
  if (names_ && !XmlSameName(XmlEntryName(Entry(i)), XmlEntryName(copy), utf8)) names_.reset();
  const size_t offset = AppendText(copy);
  unused_ += spans_[i].length;
  spans_[i] = Span{static_cast<uint32_t>(offset), static_cast<uint32_t>(copy.size())};
  if (unused_ > 256 && unused_ > text_.size() / 2) Compact();
  return i;
}

void TXmlAttributeList::Compact() {
  std::pmr::string text(text_.get_allocator());
  text.reserve(text_.size() - unused_);
  for (Span& s : spans_) {
    const uint32_t offset = static_cast<uint32_t>(text.size());
    text.append(text_, s.offset, s.length);
    s.offset = offset;
  }
  text_.swap(text);
  unused_ = 0;
}

// ---------------------------------------------------------------- node memory

// Sanitized builds give every node a block of its own, so that a freed node is caught when used.
#if defined(__SANITIZE_ADDRESS__)
#define FANO_XML_SLABS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FANO_XML_SLABS 0
#endif
#endif
#ifndef FANO_XML_SLABS
#define FANO_XML_SLABS 1
#endif

struct Slab {
  std::atomic<size_t> live;  // nodes not yet freed, plus one while the maker still fills it
};

namespace {

constexpr size_t kSlabNodes = 64;
// The word in front of each node: its slab, or null for a node allocated on its own.
constexpr size_t kHeader = alignof(std::max_align_t);
constexpr size_t kStride = (kHeader + sizeof(TXmlNode) + kHeader - 1) / kHeader * kHeader;
constexpr size_t kSlabHead = (sizeof(Slab) + kHeader - 1) / kHeader * kHeader;

Slab*& SlabOf(void* node) { return *reinterpret_cast<Slab**>(static_cast<char*>(node) - kHeader); }

void Release(Slab* slab) noexcept {
  if (slab->live.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    slab->~Slab();
    ::operator delete(slab);
  }
}

}  // namespace

void* TXmlNode::operator new(size_t size) {
  char* block = static_cast<char*>(::operator new(kHeader + size));
  *reinterpret_cast<Slab**>(block) = nullptr;
  return block + kHeader;
}

void TXmlNode::operator delete(void* p, size_t) noexcept {
  if (!p) return;
  if (Slab* slab = SlabOf(p)) Release(slab);
  else ::operator delete(static_cast<char*>(p) - kHeader);
}

XmlNodeSlabs::~XmlNodeSlabs() {
  if (slab_) Release(slab_);
}

TXmlNode* XmlNodeSlabs::New(TXmlDocument* document) {
  if (!FANO_XML_SLABS) return new TXmlNode(document);
  if (!slab_ || next_ == kSlabNodes) {
    if (slab_) Release(slab_);
    void* memory = ::operator new(kSlabHead + kSlabNodes * kStride);
    slab_ = new (memory) Slab{{1}};
    next_ = 0;
  }
  char* place = reinterpret_cast<char*>(slab_) + kSlabHead + next_++ * kStride + kHeader;
  SlabOf(place) = slab_;
  slab_->live.fetch_add(1, std::memory_order_relaxed);
  return new (place) TXmlNode(document);
}

// Parsed values in shared 64 KiB blocks: one allocation per block instead of one per value. A
// block goes back when the last value in it is freed; each thread fills a block of its own and
// lets go of it when the thread ends.
class SharedBlocks final : public std::pmr::memory_resource {
 public:
  static constexpr size_t kBlock = 65536;
  static constexpr size_t kHead = 64;
  static constexpr size_t kLargest = 4096;  // larger pieces are allocated on their own

 private:
  struct Block {
    std::atomic<size_t> live;  // values in the block, plus one while a thread fills it
  };
  struct Filling {
    Block* block = nullptr;
    size_t used = 0;
    ~Filling() {
      if (block) Release(block);
      block = nullptr;
      ended = true;
    }
  };
  static thread_local Filling filling_;
  static thread_local bool ended;  // the thread's Filling is gone (thread or program ending)

  static Block* NewBlock(size_t live) {
    void* memory = ::operator new(kBlock, std::align_val_t(kBlock));
    return new (memory) Block{{live}};
  }
  static void Release(Block* b) noexcept {
    if (b->live.fetch_sub(1, std::memory_order_acq_rel) == 1) ::operator delete(b, std::align_val_t(kBlock));
  }
  void* do_allocate(size_t bytes, size_t align) override {
    if (bytes > kLargest || align > kHead) return ::operator new(bytes, std::align_val_t(align));
    // After the thread's Filling is gone, a block serves one value.
    if (ended) return reinterpret_cast<char*>(NewBlock(1)) + kHead;
    Filling& f = filling_;
    size_t at = (f.used + align - 1) & ~(align - 1);
    if (!f.block || at + bytes > kBlock) {
      Block* fresh = NewBlock(1);
      if (f.block) Release(f.block);
      f.block = fresh;
      at = kHead;
    }
    f.block->live.fetch_add(1, std::memory_order_relaxed);
    f.used = at + bytes;
    return reinterpret_cast<char*>(f.block) + at;
  }
  void do_deallocate(void* p, size_t bytes, size_t align) override {
    if (bytes > kLargest || align > kHead) return ::operator delete(p, std::align_val_t(align));
    Release(reinterpret_cast<Block*>(reinterpret_cast<uintptr_t>(p) & ~(uintptr_t{kBlock} - 1)));
  }
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }
};

thread_local SharedBlocks::Filling SharedBlocks::filling_;
thread_local bool SharedBlocks::ended = false;

namespace {

// Never destroyed: values of documents that outlive static destruction are still freed into it.
std::pmr::memory_resource& SharedTextMemory() {
  if (!FANO_XML_SLABS) return *std::pmr::new_delete_resource();
  static auto* blocks = new SharedBlocks;
  return *blocks;
}

}  // namespace

// ---------------------------------------------------------------- construction

TXmlNode::TXmlNode(TXmlDocument* document) : document_(document) {}

std::unique_ptr<TXmlNode> TXmlNode::CreateName(TXmlDocument* document, std::string_view name) {
  auto node = std::make_unique<TXmlNode>(document);
  node->SetName(name);
  return node;
}

std::unique_ptr<TXmlNode> TXmlNode::CreateNameValue(TXmlDocument* document, std::string_view name,
                                                    std::string_view value) {
  auto node = CreateName(document, name);
  node->SetValueAsString(value);
  return node;
}

std::unique_ptr<TXmlNode> TXmlNode::CreateType(TXmlDocument* document, TXmlElementType type) {
  auto node = std::make_unique<TXmlNode>(document);
  node->elementType_ = type;
  return node;
}

TXmlNode::~TXmlNode() {
  NodesClear();
  // A node freed while still in a list must not stay there.
  if (parent_) parent_->RemoveChild(this);
}

void TXmlNode::SetName(std::string_view name) {
  if (name == name_) return;
  for (char c : name)
    if (IsXmlBlank(c)) throw Exception("Illegal character in node name \"" + std::string(name) + "\"");
  name_.assign(name);
}

std::string TXmlNode::ValueAsString() const { return UnescapeString(value_); }

void TXmlNode::SetValueAsString(std::string_view text) { SetValue(XmlEscape(text)); }

void TXmlNode::ReplaceValue(std::pmr::string&& value) noexcept {
  // Assignment would keep the old memory's resource; the value comes with its own.
  std::destroy_at(&value_);
  std::construct_at(&value_, std::move(value));
}

void TXmlNode::SetValue(std::string_view value) {
  if (value_.get_allocator().resource() == std::pmr::new_delete_resource()) value_.assign(value);
  else ReplaceValue(std::pmr::string(value, std::pmr::new_delete_resource()));
}

void TXmlNode::SetParsedValue(std::string_view text) {
  ReplaceValue(std::pmr::string(text, &SharedTextMemory()));
}

TXmlAttributeList& TXmlNode::ParsedAttributes() {
  if (!attributes_)
    attributes_ = std::make_unique<TXmlAttributeList>(document_ && document_->SortAttributes(), &SharedTextMemory());
  return *attributes_;
}

// ---------------------------------------------------------------- tree

void TXmlNode::RemoveChild(TXmlNode* node) noexcept {
  auto it = std::find(nodes_.begin(), nodes_.end(), node);
  if (it != nodes_.end()) nodes_.erase(it);
  node->parent_ = nullptr;
}

void TXmlNode::BindDocument(TXmlDocument* document) noexcept {
  std::vector<TXmlNode*> stack{this};
  while (!stack.empty()) {
    TXmlNode* n = stack.back();
    stack.pop_back();
    n->document_ = document;
    stack.insert(stack.end(), n->nodes_.begin(), n->nodes_.end());
  }
}

namespace {

void CheckNotAncestor(const TXmlNode* parent, const TXmlNode* node) {
  for (const TXmlNode* p = parent; p; p = p->Parent())
    if (p == node) throw EInvalidOperation("Cannot add a node under itself");
}

}  // namespace

int TXmlNode::NodeAdd(TXmlNode* node) {
  if (!node) return -1;
  CheckNotAncestor(this, node);
  if (node->parent_) node->parent_->RemoveChild(node);
  node->BindDocument(document_);
  AppendOwned(node);
  return NodeCount() - 1;
}

int TXmlNode::NodeAdd(std::unique_ptr<TXmlNode> node) {
  TXmlNode* raw = node.get();
  if (!raw) return -1;
  CheckNotAncestor(this, raw);
  node.release();
  return NodeAdd(raw);
}

void TXmlNode::NodeInsert(int index, TXmlNode* node) {
  if (!node || index < 0 || index > NodeCount()) return;
  CheckNotAncestor(this, node);
  if (node->parent_) {
    // Moving within this list: the index counts the list without the node.
    if (node->parent_ == this && IndexOfNode(node) < index) --index;
    node->parent_->RemoveChild(node);
  }
  // The node reads its options from its document: it must not point to another one.
  node->BindDocument(document_);
  node->parent_ = this;
  nodes_.insert(nodes_.begin() + index, node);
}

TXmlNode* TXmlNode::NodeNew(std::string_view name) {
  auto node = CreateName(document_, name);
  TXmlNode* raw = node.release();
  AppendOwned(raw);
  return raw;
}

TXmlNode* TXmlNode::NodeNewAtIndex(int index, std::string_view name) {
  if (index < 0 || index > NodeCount()) return nullptr;
  auto node = CreateName(document_, name);
  TXmlNode* raw = node.release();
  raw->parent_ = this;
  nodes_.insert(nodes_.begin() + index, raw);
  return raw;
}

void TXmlNode::NodeDelete(int index) {
  if (index < 0 || index >= NodeCount()) return;
  TXmlNode* node = nodes_[index];
  nodes_.erase(nodes_.begin() + index);
  node->parent_ = nullptr;
  delete node;
}

std::unique_ptr<TXmlNode> TXmlNode::NodeExtract(TXmlNode* node) {
  int i = IndexOfNode(node);
  if (i < 0) return nullptr;
  nodes_.erase(nodes_.begin() + i);
  node->parent_ = nullptr;
  return std::unique_ptr<TXmlNode>(node);
}

void TXmlNode::Delete() {
  if (!parent_) return;
  parent_->NodeDelete(parent_->IndexOfNode(this));
}

void TXmlNode::NodesClear() {
  if (nodes_.empty()) return;
  // Without recursion: a deep tree must not exhaust the stack. Nodes are freed in document order.
  std::vector<TXmlNode*> stack;
  stack.swap(nodes_);
  std::reverse(stack.begin(), stack.end());
  while (!stack.empty()) {
    TXmlNode* n = stack.back();
    stack.pop_back();
    for (size_t i = n->nodes_.size(); i-- > 0;) stack.push_back(n->nodes_[i]);
    n->nodes_.clear();
    n->parent_ = nullptr;
    delete n;
  }
}

void TXmlNode::AttributesClear() { attributes_.reset(); }

void TXmlNode::Clear() {
  name_.clear();
  value_.clear();
  AttributesClear();
  NodesClear();
}

bool TXmlNode::IsEmpty() const noexcept {
  return value_.empty() && nodes_.empty() && AttributeCount() == 0;
}

int TXmlNode::TreeDepth() const noexcept {
  int depth = -1;
  for (const TXmlNode* p = parent_; p; p = p->parent_) ++depth;
  return depth;
}

void TXmlNode::Assign(TPersistent* source) {
  if (auto* node = dynamic_cast<TXmlNode*>(source)) Assign(*node);
  else if (auto* doc = dynamic_cast<TXmlDocument*>(source)) Assign(*doc);
  else TPersistent::Assign(source);
}

void TXmlNode::Assign(const TXmlNode& source) {
  if (&source == this) return;
  // Copy first: the source may be a descendant of this node, which Clear would free.
  auto copy = std::make_unique<TXmlNode>(document_);
  XmlNodeSlabs slabs;
  std::vector<std::pair<const TXmlNode*, TXmlNode*>> stack{{&source, copy.get()}};
  while (!stack.empty()) {
    auto [from, to] = stack.back();
    stack.pop_back();
    to->elementType_ = from->elementType_;
    to->name_ = from->name_;
    to->tag_ = from->tag_;
    to->value_.assign(from->value_);
    if (from->attributes_) {
      bool sorted = document_ && document_->SortAttributes();
      if (sorted == from->attributes_->Sorted()) {
        to->attributes_ = std::make_unique<TXmlAttributeList>(*from->attributes_);
      } else {
        for (int i = 0; i < from->AttributeCount(); ++i) to->AttributeAddRaw(from->attributes_->Entry(i));
      }
    }
    to->nodes_.reserve(from->nodes_.size());
    for (const TXmlNode* child : from->nodes_) {
      TXmlNode* c = slabs.New(document_);
      to->AppendOwned(c);
      stack.emplace_back(child, c);
    }
  }
  Clear();
  elementType_ = copy->elementType_;
  name_ = std::move(copy->name_);
  tag_ = copy->tag_;
  ReplaceValue(std::move(copy->value_));
  attributes_ = std::move(copy->attributes_);
  nodes_ = std::move(copy->nodes_);
  copy->nodes_.clear();
  for (TXmlNode* c : nodes_) c->parent_ = this;
}

void TXmlNode::Assign(const TXmlDocument& source) { Assign(*source.RootNodes()); }

// ---------------------------------------------------------------- lookups

TXmlNode* TXmlNode::NodeByName(std::string_view name) const {
  int i = NodeIndexByNameFrom(name, 0);
  return i < 0 ? nullptr : nodes_[i];
}

int TXmlNode::NodeIndexByName(std::string_view name) const { return NodeIndexByNameFrom(name, 0); }

int TXmlNode::NodeIndexByNameFrom(std::string_view name, int from) const {
  const bool utf8 = InternalUtf8();
  for (int i = std::max(from, 0); i < NodeCount(); ++i)
    if (XmlSameName(nodes_[i]->name_, name, utf8)) return i;
  return -1;
}

void TXmlNode::NodesByName(std::string_view name, std::vector<TXmlNode*>* list) const {
  if (!list) return;
  list->clear();
  const bool utf8 = InternalUtf8();
  for (TXmlNode* n : nodes_)
    if (XmlSameName(n->name_, name, utf8)) list->push_back(n);
}

TXmlNode* TXmlNode::NodeByNameOrNew(std::string_view name) {
  TXmlNode* n = NodeByName(name);
  return n ? n : NodeNew(name);
}

TXmlNode* TXmlNode::NodeByElementType(TXmlElementType type) const {
  for (TXmlNode* n : nodes_)
    if (n->elementType_ == type) return n;
  return nullptr;
}

int TXmlNode::IndexOfNode(const TXmlNode* node) const noexcept {
  if (!node) return -1;
  auto it = std::find(nodes_.begin(), nodes_.end(), node);
  return it == nodes_.end() ? -1 : static_cast<int>(it - nodes_.begin());
}

void TXmlNode::FindElements(std::string_view name, std::vector<TXmlNode*>& list) const {
  const bool utf8 = InternalUtf8();
  std::vector<TXmlNode*> stack(nodes_.rbegin(), nodes_.rend());
  while (!stack.empty()) {
    TXmlNode* n = stack.back();
    stack.pop_back();
    if (n->elementType_ == etElement && XmlSameName(n->name_, name, utf8)) list.push_back(n);
    stack.insert(stack.end(), n->nodes_.rbegin(), n->nodes_.rend());
  }
}

std::string TXmlNode::TextContent() const {
  std::string out = UnescapeString(value_);
  std::vector<TXmlNode*> stack(nodes_.rbegin(), nodes_.rend());
  while (!stack.empty()) {
    TXmlNode* n = stack.back();
    stack.pop_back();
    switch (n->elementType_) {
      case etElement:
        out += UnescapeString(n->value_);
        stack.insert(stack.end(), n->nodes_.rbegin(), n->nodes_.rend());
        break;
      case etCharData: out += UnescapeString(n->value_); break;
      case etCData: out += n->value_; break;
      default: break;
    }
  }
  return out;
}

// ---------------------------------------------------------------- attributes

TXmlAttributeList& TXmlNode::Attributes() {
  if (!attributes_) attributes_ = std::make_unique<TXmlAttributeList>(document_ && document_->SortAttributes());
  // A parsed list that changes moves out of the shared blocks, so that it pins none of them.
  else if (attributes_->Memory() != std::pmr::new_delete_resource())
    attributes_ = std::make_unique<TXmlAttributeList>(*attributes_);
  return *attributes_;
}

std::string TXmlNode::AttributeName(int index) const {
  if (index < 0 || index >= AttributeCount()) return {};
  return std::string(XmlEntryName(attributes_->Entry(index)));
}

std::string TXmlNode::AttributePair(int index) const {
  if (index < 0 || index >= AttributeCount()) return {};
  return std::string(attributes_->Entry(index));
}

std::string TXmlNode::AttributeValue(int index) const {
  if (index < 0 || index >= AttributeCount()) return {};
  return UnescapeString(XmlUnquote(XmlEntryValue(attributes_->Entry(index))));
}

void TXmlNode::WriteEntry(int index, std::string_view name, std::string_view value) {
  // A name that would read back as something else: empty, or holding a blank, "=", a quote or a
  // bracket.
  bool legal = !name.empty();
  for (char c : name)
    legal = legal && !IsXmlBlank(c) && c != '=' && c != '"' && c != '\'' && c != '<' && c != '>';
  if (!legal) throw Exception("Illegal character in node name \"" + std::string(name) + "\"");
  std::string entry;
  entry.reserve(name.size() + value.size() + 3);
  entry.append(name);
  entry.push_back('=');
  entry.append(XmlQuote(XmlEscape(value)));
  if (index < 0) Attributes().Add(entry, InternalUtf8());
  else Attributes().Put(index, entry, InternalUtf8());
}

void TXmlNode::SetAttributeValue(int index, std::string_view value) {
  if (index < 0 || index >= AttributeCount()) return;
  std::string name(XmlEntryName(attributes_->Entry(index)));
  WriteEntry(index, name, value);
}

void TXmlNode::AttributeAdd(std::string_view name, std::string_view value) { WriteEntry(-1, name, value); }

void TXmlNode::AttributeAddRaw(std::string_view entry) { Attributes().Add(entry, InternalUtf8()); }

int TXmlNode::AttributeIndexByName(std::string_view name) const {
  return attributes_ ? attributes_->IndexOfName(name, InternalUtf8()) : -1;
}

std::optional<std::string> TXmlNode::FindAttribute(std::string_view name) const {
  int i = AttributeIndexByName(name);
  if (i < 0) return std::nullopt;
  return UnescapeString(XmlUnquote(XmlEntryValue(attributes_->Entry(i))));
}

std::string TXmlNode::ReadAttributeString(std::string_view name) const {
  auto v = FindAttribute(name);
  return v ? std::move(*v) : std::string();
}

void TXmlNode::DeleteEmptyAttributes() {
  for (int i = AttributeCount() - 1; i >= 0; --i)
    if (AttributeValue(i).empty()) Attributes().Delete(i);
}

// ---------------------------------------------------------------- text forms

std::string TXmlNode::UnescapeString(std::string_view text) const { return XmlUnescape(text, InternalUtf8()); }

std::string TXmlNode::ToInternal(std::u16string_view wide) const {
  std::string utf8 = Utf16ToUtf8(wide);
  return InternalUtf8() ? utf8 : Utf8ToCp1252(utf8);
}

std::u16string TXmlNode::FromInternalWide(std::string_view text) const {
  return Utf8ToUtf16(InternalUtf8() ? std::string(text) : Cp1252ToUtf8(text));
}

// ---------------------------------------------------------------- options

bool TXmlNode::InternalUtf8() const noexcept { return document_ && document_->InternalUtf8(); }
bool TXmlNode::AlwaysCloseTags() const noexcept { return document_ && document_->AlwaysCloseTags(); }
bool TXmlNode::StoreDefaultValues() const noexcept { return !document_ || document_->StoreDefaultValues(); }
uint8_t TXmlNode::BinaryForm() const noexcept { return document_ ? document_->BinaryForm() : 0; }
bool TXmlNode::FloatExponentAllowed() const noexcept {
  return !document_ || document_->FloatExponentAllowed();
}
int TXmlNode::FloatDigits() const noexcept { return document_ ? document_->FloatDigits() : 6; }
uint8_t TXmlNode::OutputLayout() const noexcept { return document_ ? document_->OutputLayout() : 1; }

std::string TXmlNode::IndentString() const {
  if (!document_ || document_->OutputLayout() != 0) return {};
  std::string out;
  const std::string& unit = document_->IndentUnit();
  for (int i = TreeDepth(); i > 0; --i) out += unit;
  return out;
}

std::string_view TXmlNode::LineBreak() const noexcept {
  if (!document_) return {};
  switch (document_->OutputLayout()) {
    case 0: return "\r\n";
    case 1: return {};
    default: return "\n";
  }
}

bool TXmlNode::IsShortForm() const noexcept {
  return elementType_ == etElement && value_.empty() && nodes_.empty() && !AlwaysCloseTags() &&
         parent_ && parent_->parent_;
}
