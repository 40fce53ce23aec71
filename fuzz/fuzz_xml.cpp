// XML text from outside: parsed as a string, loaded as a stream with encoding detection (through
// blocks of a size the input chooses), written back and read again. Only the library's own
// exceptions may come out; anything else (a crash, a sanitizer report, another exception) is a
// finding.
#include <cstddef>
#include <cstdint>
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

  try {
    TXmlNode node;
    node.ReadFromString(text);
    (void)node.WriteToString();
  } catch (const Exception&) {
  }
  return 0;
}
