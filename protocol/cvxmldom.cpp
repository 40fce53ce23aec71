#include "protocol/cvxmldom.h"

#include "xml/text.h"

namespace {

bool IsNameStart(unsigned char c) noexcept {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

bool IsNameChar(unsigned char c) noexcept {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool SameElementName(const TXmlNode* node, std::string_view name) {
  return node->ElementType() == etElement && node->Name() == name;
}

TXmlNode* FirstElementNamed(const TXmlNode* parent, std::string_view name) {
  for (int i = 0; i < parent->NodeCount(); ++i) {
    TXmlNode* n = parent->Nodes(i);
    if (SameElementName(n, name)) return n;
  }
  return nullptr;
}

}  // namespace

TCvXmlDom::TCvXmlDom() : doc_(std::make_unique<TXmlDocument>()) { doc_->RootNodes()->NodesClear(); }

TCvXmlDom::~TCvXmlDom() = default;

bool TCvXmlDom::IsXmlName(std::string_view name) noexcept {
  if (name.empty() || !IsNameStart(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name)
    if (!IsNameChar(static_cast<unsigned char>(c))) return false;
  return true;
}

void TCvXmlDom::CheckName(std::string_view name) {
  if (!IsXmlName(name)) throw ECvXmlDomError("Invalid XML name \"" + std::string(name) + "\"");
}

std::unique_ptr<TXmlNode> TCvXmlDom::CreateProcessingInstruction(std::string_view target, std::string_view data) {
  CheckName(target);
  if (XmlSameName(target, "xml", true)) {
    auto node = TXmlNode::CreateType(doc_.get(), etDeclaration);
    node->SetName("xml");
    // The pseudo-attributes as written: name="value" separated by blanks.
    size_t i = 0;
    while (i < data.size()) {
      while (i < data.size() && IsXmlBlank(data[i])) ++i;
      const size_t start = i;
      char quote = 0;
      while (i < data.size() && (quote || !IsXmlBlank(data[i]))) {
        if (quote) {
          if (data[i] == quote) quote = 0;
        } else if (data[i] == '"' || data[i] == '\'') {
          quote = data[i];
        }
        ++i;
      }
      if (i > start) node->AttributeAddRaw(data.substr(start, i - start));
    }
    return node;
  }
  auto node = TXmlNode::CreateType(doc_.get(), etInstruction);
  std::string value(target);
  if (!data.empty()) {
    value += ' ';
    value += data;
  }
  node->SetValue(value);
  return node;
}

std::unique_ptr<TXmlNode> TCvXmlDom::CreateElement(std::string_view name) {
  CheckName(name);
  return TXmlNode::CreateName(doc_.get(), name);
}

std::unique_ptr<TXmlNode> TCvXmlDom::CreateTextNode(std::string_view text) {
  auto node = TXmlNode::CreateType(doc_.get(), etCharData);
  node->SetValueAsString(text);
  return node;
}

void TCvXmlDom::AppendAttributeValue(std::string& out, std::string_view value) {
  size_t start = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    const char* ref;
    switch (value[i]) {
      case '\t': ref = "&#9;"; break;
      case '\n': ref = "&#10;"; break;
      case '\r': ref = "&#13;"; break;
      default: continue;
    }
    XmlEscapeAppend(out, value.substr(start, i - start));
    out += ref;
    start = i + 1;
  }
  XmlEscapeAppend(out, value.substr(start));
}

void TCvXmlDom::SetAttribute(TXmlNode* element, std::string_view name, std::string_view value) {
  CheckName(name);
  SetCheckedAttribute(element, name, value);
}

void TCvXmlDom::SetCheckedAttribute(TXmlNode* element, std::string_view name, std::string_view value) {
  std::string entry(name);
  entry += "=\"";
  AppendAttributeValue(entry, value);
  entry += '"';
  element->AttributeAddRaw(entry);
}

TXmlNode* TCvXmlDom::AppendChild(TXmlNode* parent, std::unique_ptr<TXmlNode> child) {
  TXmlNode* raw = child.get();
  parent->NodeAdd(std::move(child));
  return raw;
}

TXmlNode* TCvXmlDom::AppendChild(std::unique_ptr<TXmlNode> child) { return AppendChild(doc_->RootNodes(), std::move(child)); }

std::string TCvXmlDom::Xml() { return doc_->WriteToString(); }

bool TCvXmlDom::LoadXml(std::string_view text, std::string* error) {
  try {
    doc_->ReadFromString(text);
    return true;
  } catch (const Exception& e) {
    doc_->RootNodes()->NodesClear();
    if (error) *error = e.Message();
    return false;
  }
}

bool TCvXmlDom::LoadXml(std::string_view text, TXmlChildReader& reader, std::string* error) {
  try {
    doc_->ReadFromString(text, reader);
    return true;
  } catch (const Exception& e) {
    doc_->RootNodes()->NodesClear();
    if (error) *error = e.Message();
    return false;
  }
}

TXmlNode* TCvXmlDom::SelectSingleNode(std::string_view name) const { return FirstElementNamed(doc_->RootNodes(), name); }

TXmlNode* TCvXmlDom::SelectSingleNode(const TXmlNode* element, std::string_view name) {
  return element ? FirstElementNamed(element, name) : nullptr;
}

std::vector<TXmlNode*> TCvXmlDom::GetElementsByTagName(std::string_view name) const {
  std::vector<TXmlNode*> list;
  std::vector<const TXmlNode*> stack{doc_->RootNodes()};
  while (!stack.empty()) {
    const TXmlNode* n = stack.back();
    stack.pop_back();
    for (int i = n->NodeCount() - 1; i >= 0; --i) stack.push_back(n->Nodes(i));
    if (n != doc_->RootNodes() && SameElementName(n, name)) list.push_back(const_cast<TXmlNode*>(n));
  }
  return list;
}

std::optional<std::string> TCvXmlDom::GetAttribute(const TXmlNode* element, std::string_view name) {
  for (int i = 0; i < element->AttributeCount(); ++i)
    if (element->AttributeName(i) == name) return element->AttributeValue(i);
  return std::nullopt;
}

std::string TCvXmlDom::Text(const TXmlNode* element) { return element->TextContent(); }
