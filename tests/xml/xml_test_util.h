#pragma once
// Helpers shared by the XML tests.
#include <exception>
#include <functional>
#include <string>

#include "xml/document.h"

// The message of the exception `f` raises, or "(no exception)".
inline std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no exception)";
}

// A compact dump of a tree: type, name, value and attributes of every node.
inline std::string Dump(const TXmlNode* n) {
  std::string out = std::to_string(n->ElementType()) + ":" + n->Name();
  if (!n->Value().empty()) out += "=" + std::string(n->Value());
  for (int i = 0; i < n->AttributeCount(); ++i) out += " @" + n->AttributePair(i);
  if (n->NodeCount() > 0) {
    out += "{";
    for (int i = 0; i < n->NodeCount(); ++i) out += (i ? "," : "") + Dump(n->Nodes(i));
    out += "}";
  }
  return out;
}
