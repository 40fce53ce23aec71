#pragma once
// The XML DOM of the host protocol: the document, element and attribute operations that the
// request writer and the reply reader need, over our XML library (xml/document.h). Nodes are the
// library's TXmlNode; this layer adds the DOM's shape (created nodes are appended by the caller,
// a processing instruction is a node of its own), checks names when writing, and reads attribute
// values and element text unescaped. As in any XML DOM, names are matched exactly (case counts):
// a row's column "RN" is not the row-id mark "rn".
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "xml/document.h"

// Raised for an element or attribute name that is not an XML name.
FANO_DECLARE_EXCEPTION(ECvXmlDomError, Exception);

class TCvXmlDom {
 public:
  // An empty document: no declaration, no root.
  TCvXmlDom();
  ~TCvXmlDom();
  TCvXmlDom(const TCvXmlDom&) = delete;
  TCvXmlDom& operator=(const TCvXmlDom&) = delete;

  TXmlDocument& Document() noexcept { return *doc_; }

  // ---- building ----
  // Target "xml" makes the XML declaration; `data` holds its pseudo-attributes.
  std::unique_ptr<TXmlNode> CreateProcessingInstruction(std::string_view target, std::string_view data);
  // Raises ECvXmlDomError "Invalid XML name \"%s\"" unless `name` is an XML name.
  std::unique_ptr<TXmlNode> CreateElement(std::string_view name);
  std::unique_ptr<TXmlNode> CreateTextNode(std::string_view text);
  // Appends the attribute (the writer never sets one name twice on an element). The name is
  // checked as for CreateElement.
  static void SetAttribute(TXmlNode* element, std::string_view name, std::string_view value);
  // The same, for a name the caller has already checked with IsXmlName.
  static void SetCheckedAttribute(TXmlNode* element, std::string_view name, std::string_view value);
  // Appends a value as it is written between the quotes of an attribute: escaped, and a tab, line
  // feed or carriage return as a character reference, which a reader that follows XML would
  // otherwise read as a blank.
  static void AppendAttributeValue(std::string& out, std::string_view value);
  // Appends to an element, or to the document's top level.
  static TXmlNode* AppendChild(TXmlNode* parent, std::unique_ptr<TXmlNode> child);
  TXmlNode* AppendChild(std::unique_ptr<TXmlNode> child);
  // The serialised document.
  std::string Xml();

  // ---- reading ----
  // Parses the text; false (with the parser's message in `error`) when it is not XML.
  bool LoadXml(std::string_view text, std::string* error = nullptr);
  // The same, handing the child elements of the elements that `reader` chooses to it while the
  // text is parsed (TXmlChildReader); what the reader raises also makes the load fail.
  bool LoadXml(std::string_view text, TXmlChildReader& reader, std::string* error = nullptr);
  // The first top-level element of that name, or null.
  TXmlNode* SelectSingleNode(std::string_view name) const;
  // The first child element of that name, or null.
  static TXmlNode* SelectSingleNode(const TXmlNode* element, std::string_view name);
  // Every element of that name in document order.
  std::vector<TXmlNode*> GetElementsByTagName(std::string_view name) const;
  // The unescaped value of the attribute, nothing when absent.
  static std::optional<std::string> GetAttribute(const TXmlNode* element, std::string_view name);
  // The unescaped text content.
  static std::string Text(const TXmlNode* element);
  static bool IsElement(const TXmlNode* node) noexcept { return node && node->ElementType() == etElement; }

  // Names of elements and attributes: a letter, "_" or ":" (or any non-ASCII character) first,
  // then also digits, "-" and ".".
  static bool IsXmlName(std::string_view name) noexcept;
  static void CheckName(std::string_view name);

 private:
  std::unique_ptr<TXmlDocument> doc_;
};
