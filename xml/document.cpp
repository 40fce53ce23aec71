#include "xml/document.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "xml/codec.h"
#include "xml/parser.h"

FANO_IMPLEMENT_CLASS(TXmlDocument, TPersistent)

TXmlDocument::TXmlDocument() : rootNodes_(std::make_unique<TXmlNode>(this)) { Clear(); }

std::unique_ptr<TXmlDocument> TXmlDocument::CreateName(std::string_view rootName) {
  auto doc = std::make_unique<TXmlDocument>();
  doc->Root()->SetName(rootName);
  return doc;
}

TXmlDocument::~TXmlDocument() = default;

void TXmlDocument::ResetDefaults() {
  binaryForm_ = 1;
  skipCommentsOnLoad_ = false;
  streamEncoding_ = 0;
  floatExponentAllowed_ = true;
  floatDigits_ = 6;
  indentUnit_ = "  ";
  alwaysCloseTags_ = false;
  internalUtf8_ = true;
  storeDefaultValues_ = true;
  outputLayout_ = 1;
  sortAttributes_ = false;
  OnNodeStarted = nullptr;
  OnNodeCompleted = nullptr;
}

void TXmlDocument::Clear() {
  ResetDefaults();
  rootNodes_->Clear();
  TXmlNode* declaration = rootNodes_->NodeNew("xml");
  declaration->SetElementType(etDeclaration);
  declaration->AttributeAdd("version", "1.0");
  declaration->AttributeAdd("encoding", "windows-1252");
  rootNodes_->NodeNew("");
}

bool TXmlDocument::IsEmpty() const noexcept {
  TXmlNode* root = Root();
  return !root || root->IsBlank();
}

std::string TXmlDocument::EncodingString() const {
  TXmlNode* first = rootNodes_->Nodes(0);
  if (!first || first->ElementType() != etDeclaration) return {};
  return first->ReadAttributeString("encoding");
}

void TXmlDocument::Assign(TPersistent* source) {
  if (auto* doc = dynamic_cast<TXmlDocument*>(source)) Assign(*doc);
  else if (auto* node = dynamic_cast<TXmlNode*>(source)) Assign(*node);
  else TPersistent::Assign(source);
}

void TXmlDocument::Assign(const TXmlDocument& source) {
  if (&source == this) return;
  binaryForm_ = source.binaryForm_;
  skipCommentsOnLoad_ = source.skipCommentsOnLoad_;
  streamEncoding_ = source.streamEncoding_;
  strictRootChecks_ = source.strictRootChecks_;
  indentUnit_ = source.indentUnit_;
  alwaysCloseTags_ = source.alwaysCloseTags_;
  internalUtf8_ = source.internalUtf8_;
  storeDefaultValues_ = source.storeDefaultValues_;
  outputLayout_ = source.outputLayout_;
  sortAttributes_ = source.sortAttributes_;
  rootNodes_->Assign(*source.rootNodes_);
  rootNodes_->BindDocument(this);
}

void TXmlDocument::Assign(const TXmlNode& source) {
  rootNodes_->Assign(source);
  rootNodes_->BindDocument(this);
}

// ---------------------------------------------------------------- reading

// A whole document is parsed in the caller's text itself, without a copy of it in a
// TXmlStringStream: a reply of many megabytes is read as fast and in as little memory as can be.
void TXmlDocument::ReadFromString(std::string_view text) {
  XmlMemoryInput input(text);
  XmlParser(this, input).ParseDocument();
}

void TXmlDocument::ReadFromString(std::string_view text, TXmlChildReader& reader) {
  XmlMemoryInput input(text);
  XmlParser parser(this, input);
  parser.SetChildReader(&reader);
  parser.ParseDocument();
}

namespace {

// Parses from a stream and leaves the stream just after what was read, also on errors.
template <class Parse>
void ParseStream(TStream& stream, Parse&& parse) {
  XmlStreamInput input(stream);
  try {
    parse(input);
  } catch (...) {
    try {
      input.Finish();
    } catch (...) {
      // The parse error is the one to report.
    }
    throw;
  }
  input.Finish();
}

}  // namespace

void TXmlDocument::ReadFromStream(TStream& stream) {
  ParseStream(stream, [&](TXmlSurplusReader& input) { XmlParser(this, input).ParseDocument(); });
}

void TXmlDocument::LoadFromStream(TStream& stream) {
  TXmlBufferedReadStream buffered(&stream, false);
  std::unique_ptr<TXmlCodecStream> codec;
  if (internalUtf8_) codec = std::make_unique<TXmlUtf8Stream>(&buffered);
  else codec = std::make_unique<TXmlAnsiStream>(&buffered);
  codec->LossNotice = [this] { CharacterLoss(); };
  codecStream_ = codec.get();
  try {
    ReadFromStream(*codec);
  } catch (...) {
    codecStream_ = nullptr;
    throw;
  }
  streamEncoding_ = codec->Encoding();
  if (streamEncoding_ == XmlEncoding::Utf8 || SameText(EncodingString(), "UTF-8")) internalUtf8_ = true;
  codecStream_ = nullptr;
}

void TXmlDocument::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TXmlNode::ReadFromStream(TStream& stream) {
  ParseStream(stream, [&](TXmlSurplusReader& input) { XmlParser(document_, input).ParseNode(this, 0); });
}

void TXmlNode::ReadFromString(std::string_view text) {
  TXmlStringStream stream(text);
  ReadFromStream(stream);
}
