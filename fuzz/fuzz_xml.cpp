// XML text from outside: parsed as a string, loaded as a stream with encoding detection (through
// blocks of a size the input chooses), written back and read again. Only the library's own
// exceptions may come out; anything else (a crash, a sanitizer report, another exception) is a
// finding. A read that hands the children of "a" elements to a child reader must fail as the plain
// read fails, and otherwise leave the plain tree less the empty children it did not keep.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "xml/codec.h"
#include "xml/document.h"
#include "xml/parser.h"

namespace {

// Touches what a reader of the tree would: names, values, attributes, text.
void Walk(TXmlDocument& doc) {
  std::vector<TXmlNode*> found;
  doc.RootNodes()->FindElements("a", found);
  for (TXmlNode* n : found) {
    (void)n->ValueAsString();
    for (int i = 0; i < n->AttributeCount(); ++i) (void)n->AttributeValue(i);
    (void)n->ReadAttributeString("b");
    (void)n->TextContent();
  }
  if (TXmlNode* root = doc.Root()) {
    (void)root->TextContent();
    (void)root->ReadInteger("a", 0);
    (void)root->ReadFloat("a", 0);
    (void)root->ReadDateTime("a", 0);
  }
}

void RoundTrip(TXmlDocument& doc, uint8_t encoding) {
  Walk(doc);
  std::string text = doc.WriteToString();
  try {
    TXmlDocument again;
    again.ReadFromString(text);
  } catch (const Exception&) {
  }
  TStringStream out;
  doc.SetStreamEncoding(encoding);
  doc.SaveToStream(out);
}

// Takes the children of "a" elements; keeps the empty ones named "b".
class ChildRecorder : public TXmlChildReader {
 public:
  struct Handed {
    const TXmlNode* parent;
    std::string name, entries;
    bool kept;
  };
  std::vector<const TXmlNode*> chosen;
  std::vector<Handed> handed;
  bool Choose(const TXmlNode* element) override {
    if (element->Name() != "a") return false;
    chosen.push_back(element);
    return true;
  }
  bool Child(const TXmlNode* parent, std::string_view name, std::span<const std::string_view> entries,
             bool empty) override {
    Handed h{parent, std::string(name), "", !empty || name == "b"};
    for (std::string_view e : entries) h.entries.append(e).push_back('\n');
    handed.push_back(std::move(h));
    return name == "b";
  }
};

void Elements(const TXmlNode* n, std::vector<TXmlNode*>& out) {
  for (int i = 0; i < n->NodeCount(); ++i) {
    if (n->Nodes(i)->ElementType() == etElement) out.push_back(n->Nodes(i));
    Elements(n->Nodes(i), out);
  }
}

void CompareChildReader(const std::string& text) {
  TXmlDocument plain, streamed;
  ChildRecorder reader;
  std::string plainError = "-", streamedError = "-";
  try {
    plain.ReadFromString(text);
  } catch (const Exception& e) {
    plainError = e.Message();
  }
  try {
    streamed.ReadFromString(text, reader);
  } catch (const Exception& e) {
    streamedError = e.Message();
  }
  if (plainError != streamedError) std::abort();
  if (plainError != "-") return;
  // The k-th "a" of the plain tree is the k-th the reader chose; its element children are what
  // it was handed, in order.
  std::vector<TXmlNode*> all, dropped;
  Elements(plain.RootNodes(), all);
  size_t k = 0, count = 0;
  for (TXmlNode* e : all) {
    if (e->Name() != "a" || std::find(dropped.begin(), dropped.end(), e) != dropped.end()) continue;
    if (k >= reader.chosen.size()) std::abort();
    const TXmlNode* parent = reader.chosen[k++];
    std::vector<const ChildRecorder::Handed*> got;
    for (const auto& h : reader.handed)
      if (h.parent == parent) got.push_back(&h);
    count += got.size();
    size_t g = 0;
    for (int i = 0; i < e->NodeCount(); ++i) {
      TXmlNode* c = e->Nodes(i);
      if (c->ElementType() != etElement) continue;
      if (g >= got.size()) std::abort();
      const ChildRecorder::Handed& h = *got[g++];
      std::string entries;
      for (int a = 0; a < c->AttributeCount(); ++a) entries.append(c->AttributePair(a)).push_back('\n');
      if (h.name != c->Name() || h.entries != entries) std::abort();
      if (!h.kept) dropped.push_back(c);
    }
    if (g != got.size()) std::abort();
  }
  if (k != reader.chosen.size() || count != reader.handed.size()) std::abort();
  for (TXmlNode* d : dropped) d->Delete();
  // A comment read raw may be one the writer refuses: both trees then fail alike.
  auto written = [](TXmlDocument& doc) {
    try {
      return doc.WriteToString();
    } catch (const Exception& e) {
      return "error: " + e.Message();
    }
  };
  if (written(plain) != written(streamed)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t flags = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const bool utf8 = flags & 1;
  const uint8_t encodings[] = {0, 5, 6, 7, 8, 9};
  const uint8_t encoding = encodings[(flags >> 1) % 6];
  const size_t block = 1 + (flags >> 4);

  try {
    TXmlDocument doc;
    doc.SetInternalUtf8(utf8);
    doc.SetSkipCommentsOnLoad(flags & 2);
    doc.SetSortAttributes(flags & 4);
    doc.SetOutputLayout(flags % 3);
    doc.ReadFromString(text);
    RoundTrip(doc, encoding);
  } catch (const Exception&) {
  }

  try {
    TXmlDocument doc;
    doc.SetInternalUtf8(utf8);
    TStringStream stream(text);
    doc.LoadFromStream(stream);
    RoundTrip(doc, encoding);
  } catch (const Exception&) {
  }

  try {
    // Small blocks put block boundaries everywhere; a codec reads through its block interface.
    TXmlDocument doc;
    TStringStream source(text);
    TXmlBufferedReadStream buffered(&source, false);
    TXmlUtf8Stream codec(&buffered);
    codec.SetBlockSize(static_cast<int64_t>(block));
    XmlStreamInput input(flags & 8 ? static_cast<TStream&>(codec) : static_cast<TStream&>(source), block);
    XmlParser(&doc, input).ParseDocument();
    Walk(doc);
  } catch (const Exception&) {
  }

  CompareChildReader(text);

  try {
    TXmlNode node;
    node.ReadFromString(text);
    (void)node.WriteToString();
  } catch (const Exception&) {
  }
  return 0;
}
