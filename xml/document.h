#pragma once
// The XML document: owns the node tree, carries the options that nodes consult, raises the load
// and save events, and reads and writes documents from strings, streams and files.
//
//   TXmlDocument doc;
//   doc.ReadFromString(text);                 // EFilerError on malformed text
//   for (TXmlNode* n : ...) n->ReadAttributeString("name");
//   doc.SaveToFile(path);                     // written to a temporary file, then renamed
//
// Strings, streams and files: `ReadFromString` and `WriteToString` take and give the internal form
// as it is (UTF-8 by default); `LoadFromStream`/`LoadFromFile` detect the encoding of the bytes
// (byte-order mark or the first characters, then the declaration) and `SaveToStream`/`SaveToFile`
// write `StreamEncoding` (0 = windows-1252, 7 = UTF-8 with mark, 8/9 = UTF-16 with mark, 5/6 =
// UTF-16 without); with 0, a declaration that names UTF-8 or UTF-16 is written in that encoding.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "xml/node.h"

class TXmlCodecStream;
class XmlParser;

// Takes the child elements of chosen elements while a text is parsed, so that a document of many
// thousand rows is read without a node per row (TXmlDocument::ReadFromString with a reader).
class TXmlChildReader {
 public:
  virtual ~TXmlChildReader() = default;
  // An element kept in the tree has been read up to its content (name and attributes; no content
  // follows for an empty one), in document order: true to be handed its child elements.
  virtual bool Choose(const TXmlNode* element) = 0;
  // A child element of a chosen element, in document order: its name and attribute entries
  // ("name=value", the value quoted and escaped as in the text, in text order), views valid for
  // the call. A child with content is kept in the tree and its content read as usual; an empty one
  // ("<row .../>") is kept only when this answers true, and raises no load events when it is not.
  virtual bool Child(const TXmlNode* parent, std::string_view name, std::span<const std::string_view> entries,
                     bool empty) = 0;
};

class TXmlDocument : public TPersistent {
  FANO_CLASS(TXmlDocument)

 public:
  TXmlDocument();
  // A new document whose root element is named `rootName` (checked setter).
  static std::unique_ptr<TXmlDocument> CreateName(std::string_view rootName);
  ~TXmlDocument() override;

  // ---- options ----
  bool StopLoading() const noexcept { return stopLoading_; }
  void SetStopLoading(bool v) noexcept { stopLoading_ = v; }
  uint8_t BinaryForm() const noexcept { return binaryForm_; }  // 0 hexadecimal, 1 Base64
  void SetBinaryForm(uint8_t v) noexcept { binaryForm_ = v; }
  TXmlCodecStream* CodecStream() const noexcept { return codecStream_; }
  bool SkipCommentsOnLoad() const noexcept { return skipCommentsOnLoad_; }
  void SetSkipCommentsOnLoad(bool v) noexcept { skipCommentsOnLoad_ = v; }
  uint8_t StreamEncoding() const noexcept { return streamEncoding_; }
  void SetStreamEncoding(uint8_t v) noexcept { streamEncoding_ = v; }
  bool FloatExponentAllowed() const noexcept { return floatExponentAllowed_; }
  void SetFloatExponentAllowed(bool v) noexcept { floatExponentAllowed_ = v; }
  int FloatDigits() const noexcept { return floatDigits_; }
  void SetFloatDigits(int v) noexcept { floatDigits_ = v; }
  bool StrictRootChecks() const noexcept { return strictRootChecks_; }
  void SetStrictRootChecks(bool v) noexcept { strictRootChecks_ = v; }
  TXmlNode* RootNodes() const noexcept { return rootNodes_.get(); }
  const std::string& IndentUnit() const noexcept { return indentUnit_; }
  void SetIndentUnit(std::string_view v) { indentUnit_.assign(v); }
  bool AlwaysCloseTags() const noexcept { return alwaysCloseTags_; }
  void SetAlwaysCloseTags(bool v) noexcept { alwaysCloseTags_ = v; }
  bool InternalUtf8() const noexcept { return internalUtf8_; }
  void SetInternalUtf8(bool v) noexcept { internalUtf8_ = v; }
  bool StoreDefaultValues() const noexcept { return storeDefaultValues_; }
  void SetStoreDefaultValues(bool v) noexcept { storeDefaultValues_ = v; }
  uint8_t OutputLayout() const noexcept { return outputLayout_; }  // 0 readable, 1 compact, else LF
  void SetOutputLayout(uint8_t v) noexcept { outputLayout_ = v; }
  bool SortAttributes() const noexcept { return sortAttributes_; }
  void SetSortAttributes(bool v) noexcept { sortAttributes_ = v; }

  // ---- events ----
  std::function<void(TXmlDocument* sender, TXmlNode* node)> OnNodeStarted;
  std::function<void(TXmlDocument* sender, TXmlNode* node)> OnNodeCompleted;
  std::function<void(TXmlDocument* sender, int64_t position)> OnProgress;
  std::function<void(TXmlDocument* sender)> OnCharacterLoss;

  // ---- document ----
  // Options and tree of a document, or the tree of a node (its children become the top level).
  void Assign(TPersistent* source) override;
  void Assign(const TXmlDocument& source);
  void Assign(const TXmlNode& source);
  void AssignIfAssigned(const TXmlDocument* source) {
    if (source) Assign(*source);
  }
  void ResetDefaults();
  // A declaration (version "1.0", encoding "windows-1252") and one empty root element.
  void Clear();
  TXmlNode* Root() const noexcept { return rootNodes_->NodeByElementType(etElement); }
  bool IsEmpty() const noexcept;
  // The "encoding" attribute of the declaration standing first; empty without one.
  std::string EncodingString() const;

  // ---- reading ----
  // Parses the bytes as they are (no encoding detection).
  void ReadFromString(std::string_view text);
  // The same, handing the child elements of the elements that `reader` chooses to it. What the
  // reader raises ends the parse as a parse error does.
  void ReadFromString(std::string_view text, TXmlChildReader& reader);
  // Document-level parse of a stream read as it is.
  void ReadFromStream(TStream& stream);
  // Detects the encoding and converts to the internal form.
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);

  // ---- writing ----
  std::string LineBreakString() const { return outputLayout_ == 0 ? "\r\n" : "\n"; }
  // Writes the top-level nodes as they are (internal form).
  void SaveNodes(TStream& stream);
  std::string WriteToString();
  // Converts to StreamEncoding (with its byte-order mark). Raises EStreamError "Cannot write to
  // output stream" when the stream takes fewer bytes than given.
  void SaveToStream(TStream& stream);
  // Writes a temporary file beside `fileName` and renames it over the file on success; a failed
  // save leaves the old file as it was.
  void SaveToFile(const std::string& fileName);

  // Raises OnCharacterLoss (the codecs call it once per load or save).
  void CharacterLoss() {
    if (OnCharacterLoss) OnCharacterLoss(this);
  }

 private:
  friend class XmlParser;
  friend class XmlWriter;
  // Reads a DOCTYPE's body for the parser: its name and external id into `node`, then the
  // declarations of its internal subset as children.
  void ParseDoctype(TXmlNode* node, XmlParser& parser);
  void Progress(int64_t position) {
    if (OnProgress) OnProgress(this, position);
  }

  bool stopLoading_ = false;
  uint8_t binaryForm_ = 1;
  TXmlCodecStream* codecStream_ = nullptr;
  bool skipCommentsOnLoad_ = false;
  uint8_t streamEncoding_ = 0;
  bool floatExponentAllowed_ = true;
  int floatDigits_ = 6;
  bool strictRootChecks_ = false;
  std::unique_ptr<TXmlNode> rootNodes_;
  std::string indentUnit_ = "  ";
  bool alwaysCloseTags_ = false;
  bool internalUtf8_ = true;
  bool storeDefaultValues_ = true;
  uint8_t outputLayout_ = 1;
  bool sortAttributes_ = false;
};
