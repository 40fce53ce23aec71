#pragma once
// The node of the XML library. Every construct of an XML text (element, comment, CDATA section,
// declaration, DOCTYPE and its declarations, processing instruction, character data) is a TXmlNode
// that differs only by its element type. A document (xml/document.h) owns an invisible container
// node whose children are the top-level constructs; its first element child is the root.
//
// Values and attribute values are stored escaped, as they stand in XML, in the document's internal
// form (UTF-8, or 8-bit windows-1252 when the document's InternalUtf8 is off). `ValueAsString`,
// `AttributeValue` and `ReadAttributeString` give the unescaped text.
//
// Trees may be deep: destruction, Assign and the writer walk them without recursion; the parser
// refuses documents nested deeper than MaxXmlDepth.
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/rtl/persistent.h"
#include "platform/rtl/types.h"

class TXmlDocument;
class TXmlNode;
class TStream;

enum TXmlElementType : uint8_t {
  etElement = 0,
  etComment = 1,
  etCData = 2,
  etDeclaration = 3,
  etStylesheet = 4,
  etDoctype = 5,
  etDtdElement = 6,
  etDtdAttList = 7,
  etDtdEntity = 8,
  etDtdNotation = 9,
  etBangOther = 10,
  etInstruction = 11,
  etCharData = 12,
  etUnknown = 13,
};

// Elements may nest this deep in a parsed text.
constexpr int MaxXmlDepth = 4096;

// Attribute entries "name=value" (the value quoted and escaped as in XML), kept as spans of one
// text buffer: a node with many attributes costs three allocations, and the parser copies a tag's
// attributes in one piece.
class TXmlAttributeList {
 public:
  explicit TXmlAttributeList(bool sorted, std::pmr::memory_resource* memory = std::pmr::new_delete_resource())
      : text_(memory), spans_(memory), sorted_(sorted) {}
  // A copy has memory of its own.
  TXmlAttributeList(const TXmlAttributeList& other)
      : text_(other.text_, std::pmr::new_delete_resource()),
        spans_(other.spans_, std::pmr::new_delete_resource()),
        unused_(other.unused_),
        sorted_(other.sorted_) {}
  TXmlAttributeList& operator=(const TXmlAttributeList&) = delete;
  ~TXmlAttributeList();
  int Count() const noexcept { return static_cast<int>(spans_.size()); }
  std::string_view Entry(int i) const noexcept {
    return std::string_view(text_.data() + spans_[i].offset, spans_[i].length);
  }
  bool Sorted() const noexcept { return sorted_; }
  std::pmr::memory_resource* Memory() const noexcept { return text_.get_allocator().resource(); }
  // Appends (or inserts in order when sorted); returns the index.
  int Add(std::string_view entry, bool utf8);
  // Replaces entry i; a sorted list moves it to its place. Returns the new index.
  int Put(int i, std::string_view entry, bool utf8);
  void Delete(int i);
  // For the parser: appends text that holds entries, then adds entries by their place in it.
  size_t AppendText(std::string_view text);
  int AddSpan(size_t offset, size_t length, bool utf8) {
    if (sorted_) return AddSpanSorted(offset, length, utf8);
    return AppendSpan(offset, length, utf8);
  }
  // Appends whatever the order; a sorted list calls SortEntries after a run of these.
  int AppendSpan(size_t offset, size_t length, bool utf8);
  // Puts a sorted list in order again (equal entries keep their order).
  void SortEntries(bool utf8);
  // The index of the first entry with this name (compared ignoring case), or -1.
  int IndexOfName(std::string_view name, bool utf8) const;
  void Reserve(size_t bytes, size_t count) {
    text_.reserve(text_.size() + bytes);
    spans_.reserve(spans_.size() + count);
  }

 private:
  struct Span {
    uint32_t offset;
    uint32_t length;
  };
  struct NameIndex {
    bool utf8;
    std::unordered_map<std::string, int> first;
  };
  int AddSpanSorted(size_t offset, size_t length, bool utf8);
  void Compact();
  std::pmr::string text_;
  std::pmr::vector<Span> spans_;
  size_t unused_ = 0;  // bytes of text_ no entry refers to any more
  bool sorted_;
  // Unsorted lists with many entries: folded name to first index, made on the first lookup and
  // dropped when indexes shift.
  mutable std::unique_ptr<NameIndex> names_;
};

// The name part of an entry (before the first "="; empty without one) and its value part.
std::string_view XmlEntryName(std::string_view entry) noexcept;
std::string_view XmlEntryValue(std::string_view entry) noexcept;

// Node memory in slabs, for code that makes many nodes at once (the parser, Assign): one
// allocation per slab instead of one per node. A slab goes back when its last node is freed.
class XmlNodeSlabs {
 public:
  XmlNodeSlabs() = default;
  XmlNodeSlabs(const XmlNodeSlabs&) = delete;
  XmlNodeSlabs& operator=(const XmlNodeSlabs&) = delete;
  ~XmlNodeSlabs();
  TXmlNode* New(TXmlDocument* document);

 private:
  struct Slab* slab_ = nullptr;
  size_t next_ = 0;
};

class TXmlNode : public TPersistent {
  FANO_CLASS(TXmlNode)

 public:
  explicit TXmlNode(TXmlDocument* document = nullptr);
  // CreateName sets the name through the checked setter; CreateNameValue also sets the value
  // through the escaping setter.
  static std::unique_ptr<TXmlNode> CreateName(TXmlDocument* document, std::string_view name);
  static std::unique_ptr<TXmlNode> CreateNameValue(TXmlDocument* document, std::string_view name,
                                                   std::string_view value);
  static std::unique_ptr<TXmlNode> CreateType(TXmlDocument* document, TXmlElementType type);
  ~TXmlNode() override;
  // Every node block carries a word that says whether it stands alone or in a slab of nodes made
  // together (XmlNodeSlabs); freeing a node in a slab only counts it off.
  static void* operator new(size_t size);
  static void* operator new(size_t size, void* place) noexcept { return ::operator new(size, place); }
  static void operator delete(void* p, size_t size) noexcept;

  // ---- data ----
  TXmlDocument* Document() const noexcept { return document_; }
  TXmlElementType ElementType() const noexcept { return elementType_; }
  void SetElementType(TXmlElementType t) noexcept { elementType_ = t; }
  const std::string& Name() const noexcept { return name_; }
  // Raises "Illegal character in node name "%s"" for a name holding a blank.
  void SetName(std::string_view name);
  TXmlNode* Parent() const noexcept { return parent_; }
  Integer Tag() const noexcept { return tag_; }
  void SetTag(Integer tag) noexcept { tag_ = tag; }
  // The stored (escaped) value.
  std::string_view Value() const noexcept { return value_; }
  void SetValue(std::string_view value);
  std::string ValueAsString() const;
  void SetValueAsString(std::string_view text);

  // ---- tree ----
  // Copies type, name, tag, value, attributes and the whole subtree of `source` (which may be this
  // node or one of its descendants). A document gives its container node.
  void Assign(TPersistent* source) override;
  void Assign(const TXmlNode& source);
  void Assign(const TXmlDocument& source);
  int NodeCount() const noexcept { return static_cast<int>(nodes_.size()); }
  int GetNodeCount() const noexcept { return NodeCount(); }
  TXmlNode* Nodes(int index) const noexcept {
    return index >= 0 && index < NodeCount() ? nodes_[index] : nullptr;
  }
  TXmlNode* GetNodes(int index) const noexcept { return Nodes(index); }
  // Takes ownership; a node still held by another parent is detached from it first. Returns the
  // index, or -1 for null. Raises EInvalidOperation for this node or one of its ancestors.
  int NodeAdd(TXmlNode* node);
  int NodeAdd(std::unique_ptr<TXmlNode> node);
  // Inserts at 0..count, taking ownership; outside that range nothing happens (and the caller keeps
  // the node). The inserted node and its subtree join this node's document, as with NodeAdd: a node
  // reads its options from its document and must not point to one that may go before it.
  void NodeInsert(int index, TXmlNode* node);
  TXmlNode* NodeNew(std::string_view name);
  TXmlNode* NodeNewAtIndex(int index, std::string_view name);
  void NodeDelete(int index);
  // Removes the child without freeing it; the caller owns it. Null when it is not a child.
  std::unique_ptr<TXmlNode> NodeExtract(TXmlNode* node);
  // The parent deletes this node (this object is freed); nothing without a parent.
  void Delete();
  void NodesClear();
  void AttributesClear();
  void Clear();
  bool IsEmpty() const noexcept;
  bool IsBlank() const noexcept { return name_.empty() && IsEmpty(); }
  int TreeDepth() const noexcept;

  // ---- lookups (names compared ignoring case) ----
  TXmlNode* NodeByName(std::string_view name) const;
  int NodeIndexByName(std::string_view name) const;
  int NodeIndexByNameFrom(std::string_view name, int from) const;
  void NodesByName(std::string_view name, std::vector<TXmlNode*>* list) const;
  TXmlNode* NodeByNameOrNew(std::string_view name);
  TXmlNode* NodeByElementType(TXmlElementType type) const;
  int IndexOfNode(const TXmlNode* node) const noexcept;
  // Every element below this node named `name`, in document order (this node excluded).
  void FindElements(std::string_view name, std::vector<TXmlNode*>& list) const;
  // Unescaped text of the value, the character data and CDATA of the whole subtree, in order.
  std::string TextContent() const;

  // ---- attributes ----
  int AttributeCount() const noexcept { return attributes_ ? attributes_->Count() : 0; }
  std::string AttributeName(int index) const;
  std::string AttributePair(int index) const;
  // The same entry as it is stored, valid until the attributes change; empty outside the range.
  std::string_view AttributeEntry(int index) const noexcept {
    return index >= 0 && index < AttributeCount() ? attributes_->Entry(index) : std::string_view();
  }
  std::string AttributeValue(int index) const;
  void SetAttributeValue(int index, std::string_view value);
  void AttributeAdd(std::string_view name, std::string_view value);
  int AttributeIndexByName(std::string_view name) const;
  bool HasAttribute(std::string_view name) const { return AttributeIndexByName(name) >= 0; }
  // The unescaped value; empty when there is no such attribute.
  std::string ReadAttributeString(std::string_view name) const;
  // The unescaped value, or nothing when there is no such attribute.
  std::optional<std::string> FindAttribute(std::string_view name) const;
  void DeleteEmptyAttributes();
  // Adds an entry as it stands ("name="value"", quoted and escaped).
  void AttributeAddRaw(std::string_view entry);

  // ---- text forms ----
  std::string UnescapeString(std::string_view text) const;
  std::string ToInternal(std::u16string_view wide) const;
  std::u16string FromInternalWide(std::string_view text) const;

  // ---- reading and writing (xml/document.h parses, the writer writes) ----
  void ReadFromStream(TStream& stream);
  void ReadFromString(std::string_view text);
  void WriteToStream(TStream& stream);
  std::string WriteToString();
  // A blank and the entry text for each attribute, then "/" in the short form.
  std::string WriteAttributesText() const;

  // ---- typed values and binary data (xml/values.cpp) ----
  bool ReadAttributeBool(std::string_view name, bool def) const;
  TDateTime ReadAttributeDateTime(std::string_view name, TDateTime def) const;
  Integer ReadAttributeInteger(std::string_view name, Integer def) const;
  Int64 ReadAttributeInt64(std::string_view name, Int64 def) const;
  std::string ReadAttributeStringDef(std::string_view name, std::string_view def) const;
  bool ValueAsBoolDef(bool def) const;
  TDateTime ValueAsDateTimeDef(TDateTime def) const;
  double ValueAsFloatDef(double def) const;
  Integer ValueAsIntegerDef(Integer def) const;
  Int64 ValueAsInt64Def(Int64 def) const;
  bool ReadBool(std::string_view name, bool def) const;
  double ReadFloat(std::string_view name, double def) const;
  Integer ReadInteger(std::string_view name, Integer def) const;
  Int64 ReadInt64(std::string_view name, Int64 def) const;
  std::string ReadString(std::string_view name, std::string_view def) const;
  std::u16string ReadWidestring(std::string_view name, std::u16string_view def) const;
  TDateTime ReadDateTime(std::string_view name, TDateTime def) const;
  Integer ReadColor(std::string_view name, Integer def) const;
  void WriteAttributeBool(std::string_view name, bool value, bool def);
  void WriteAttributeDateTime(std::string_view name, TDateTime value, TDateTime def);
  void WriteAttributeInteger(std::string_view name, Integer value, Integer def);
  void WriteAttributeInt64(std::string_view name, Int64 value, Int64 def);
  void WriteAttributeFloat(std::string_view name, double value, double def);
  void WriteAttributeString(std::string_view name, std::string_view value, std::string_view def);
  void WriteBool(std::string_view name, bool value, bool def);
  void WriteInteger(std::string_view name, Integer value, Integer def);
  void WriteInt64(std::string_view name, Int64 value, Int64 def);
  void WriteFloat(std::string_view name, double value, double def);
  void WriteString(std::string_view name, std::string_view value, std::string_view def);
  void WriteDateTime(std::string_view name, TDateTime value, TDateTime def);
  void WriteHex(std::string_view name, uint32_t value, int digits, uint32_t def);
  // A system colour is written as the RGB value it stands for.
  void WriteColor(std::string_view name, Integer value, Integer def);
  void WriteWidestring(std::string_view name, std::u16string_view value, std::u16string_view def);
  void BufferToValue(const void* buffer, int count);
  int ValueBufferLength() const;
  void ValueToBuffer(void* buffer, int count) const;
  // Brush, font and pen settings (defined in xml/values.h) for any class with the getters and
  // setters they use.
  template <class Brush>
  void ReadBrush(std::string_view name, Brush& brush) const;
  template <class Brush>
  void WriteBrush(std::string_view name, const Brush& brush);
  template <class Font>
  void ReadFont(std::string_view name, Font& font) const;
  template <class Font>
  void WriteFont(std::string_view name, const Font& font);
  template <class Pen>
  void ReadPen(std::string_view name, Pen& pen) const;
  template <class Pen>
  void WritePen(std::string_view name, const Pen& pen);

  // ---- options read from the document (defaults without one) ----
  bool InternalUtf8() const noexcept;
  bool AlwaysCloseTags() const noexcept;
  bool StoreDefaultValues() const noexcept;
  uint8_t BinaryForm() const noexcept;
  bool FloatExponentAllowed() const noexcept;
  int FloatDigits() const noexcept;
  uint8_t OutputLayout() const noexcept;  // 0 readable, 1 compact, other: line feeds
  // Layout strings: indentation by depth (readable layout only) and the line break.
  std::string IndentString() const;
  std::string_view LineBreak() const noexcept;
  // An element written as <name/>: no value, no child, below the top level, not AlwaysCloseTags.
  bool IsShortForm() const noexcept;

 private:
  friend class TXmlDocument;
  friend class XmlParser;
  TXmlAttributeList& Attributes();
  // The attribute list the parser fills, in the shared blocks of parsed text.
  TXmlAttributeList& ParsedAttributes();
  // Binds this node and its subtree to `document`.
  void BindDocument(TXmlDocument* document) noexcept;
  void RemoveChild(TXmlNode* node) noexcept;
  // Appends a child this node owns from now on (no checks).
  void AppendOwned(TXmlNode* node) {
    node->parent_ = this;
    if (nodes_.capacity() == 0) nodes_.reserve(4);
    nodes_.push_back(node);
  }
  void WriteEntry(int index, std::string_view name, std::string_view value);
  // Stores a value read by the parser, in the shared blocks.
  void SetParsedValue(std::string_view text);
  // Takes a value together with its memory.
  void ReplaceValue(std::pmr::string&& value) noexcept;

  TXmlDocument* document_ = nullptr;
  TXmlNode* parent_ = nullptr;
  std::unique_ptr<TXmlAttributeList> attributes_;
  std::vector<TXmlNode*> nodes_;
  std::string name_;
  // Parsed values share blocks of memory (see node.cpp); values set later have their own.
  std::pmr::string value_;
  Integer tag_ = 0;
  TXmlElementType elementType_ = etElement;
};
