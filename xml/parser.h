#pragma once
// The parser behind TXmlDocument and TXmlNode reading (internal to the library).
//
// It reads a window of internal text (XmlInput) byte by byte on an inline path and scans runs of
// character data and tag text with memchr-style loops. Elements are parsed with an explicit stack,
// so nesting depth costs no machine stack; DOCTYPE internal subsets recurse, and count towards
// MaxXmlDepth as well and may nest only kMaxSubsetNesting deep.
#include <cstdint>
#include <string>
#include <string_view>
#include <deque>
#include <vector>

#include "xml/document.h"

class TStream;
class TXmlCodecStream;

// A window of internal text. Refill keeps the last few bytes before the read position, so the
// parser can step back over what it has just read (at most kKeep bytes).
class XmlInput {
 public:
  static constexpr size_t kKeep = 64;
  virtual ~XmlInput() = default;

  int Get() { return cur < end ? static_cast<unsigned char>(*cur++) : GetSlow(); }
  void Back(size_t n) noexcept { cur -= n; }
  bool AtEnd() { return cur >= end && !Refill(); }
  // More text after `end` (called when cur == end); false at the end of the input.
  virtual bool Refill() { return false; }
  // Position in the underlying stream of the read position.
  virtual int64_t Position() = 0;
  virtual int64_t Size() = 0;
  // The codec behind the input, when there is one.
  virtual TXmlCodecStream* Codec() { return nullptr; }
  // The declaration named UTF-8: the rest is read as UTF-8.
  virtual void SwitchToUtf8() {}
  // Gives back what was read ahead, so the stream stands just after the parsed text.
  virtual void Finish() {}

  const char* cur = nullptr;
  const char* end = nullptr;

 private:
  int GetSlow() {
    if (!Refill()) return -1;
    return static_cast<unsigned char>(*cur++);
  }
};

// A string in memory, read in place.
class XmlMemoryInput : public XmlInput {
 public:
  explicit XmlMemoryInput(std::string_view text) : begin_(text.data()) {
    cur = text.data();
    end = text.data() + text.size();
  }
  int64_t Position() override { return cur - begin_; }
  int64_t Size() override { return end - begin_; }

 private:
  const char* begin_;
};

// Any stream, read in 64 KiB blocks; a codec stream is read through its block interface.
class XmlStreamInput : public XmlInput {
 public:
  explicit XmlStreamInput(TStream& stream, size_t blockSize = 65536);
  bool Refill() override;
  int64_t Position() override;
  int64_t Size() override;
  TXmlCodecStream* Codec() override { return codec_; }
  void SwitchToUtf8() override;
  void Finish() override;

 private:
  TStream& stream_;
  TXmlCodecStream* codec_;
  size_t blockSize_;
  std::string buffer_;
  size_t blockStart_ = 0;       // offset of the last block in buffer_
  int64_t streamAtEnd_ = 0;     // stream position after the last block (plain streams)
  bool finished_ = false;
};

class XmlParser {
 public:
  XmlParser(TXmlDocument* document, XmlInput& input) : doc_(document), in_(input) {}
  // Document level: clears the document, reads every top-level construct, checks the result.
  void ParseDocument();
  // Reads one construct (with its content) into `node`.
  void ParseNode(TXmlNode* node, int depth);
  void SetChildReader(TXmlChildReader* reader) noexcept { childReader_ = reader; }

 private:
  struct Frame {
    TXmlNode* node;
    bool hasChildren;
    bool carriageReturn;
    bool valueTaken;
    std::vector<TXmlNode*>* kids;  // children gathered until the element ends; null: added directly
    bool chosen = false;           // its child elements go to the child reader
  };
  Frame OpenFrame(TXmlNode* node, bool gather);
  // Gives the gathered children to the node.
  void CloseFrame(Frame& frame) noexcept;
  void AddChild(Frame& frame, TXmlNode* child);
  // Takes back and frees the child AddChild added last.
  void DropLastChild(Frame& frame, TXmlNode* child);
  bool Stopped() const noexcept { return doc_ && doc_->StopLoading(); }
  // Reads the head of a node; true for an element whose content follows.
  bool ParseHead(TXmlNode* node, bool afterLessThan, int depth);
  void Complete(TXmlNode* node);
  void FinishElement(Frame& frame);
  void FlushText(Frame& frame, std::string_view text);
  int ReadCharSkipBlanks();
  int ReadOpenTag();
  // Reads up to `close`; the text before it is in `result` (a view valid until the next read).
  bool ReadUntil(std::string_view close, bool quoteAware, std::string_view& result);
  // Splits tag text into words (blanks inside quotes do not split; "a = 'v'" is one word).
  void ParseAttributes(std::string_view text);
  void MergeWords();
  // Reads an element tag that stands whole in the buffer into words_ in one pass; false (and
  // nothing read) otherwise.
  bool ScanElementTag(bool& selfClosing);
  void ParseTag(TXmlNode* node, std::string_view text);
  // Name and attributes from words_ (views of `text`, or joined words in merged_).
  void ApplyTag(TXmlNode* node, std::string_view text);
  void ParseDoctype(TXmlNode* node, int depth);
  void ParseInternalSubset(TXmlNode* node, int depth);
  void CheckDepth(const TXmlNode* node, int depth);
  // Whether the child reader chooses the element just opened.
  bool Chosen(const TXmlNode* node);
  // Hands the element tag in words_ to the child reader; true when the element is not kept.
  bool HandOver(bool selfClosing);

  TXmlDocument* doc_;
  XmlInput& in_;
  int subsetNesting_ = 0;
  TXmlChildReader* childReader_ = nullptr;
  const TXmlNode* handingFrom_ = nullptr;  // the chosen parent of the element whose head is read
  bool handedOver_ = false;                // that element went to the reader and is not kept
  bool strayText_ = false;  // characters outside every element were skipped
  XmlNodeSlabs slabs_;  // memory of the nodes the parser makes
  std::deque<std::vector<TXmlNode*>> kids_;  // one child list per open element, reused
  size_t kidsTop_ = 0;  // DOCTYPE internal subsets inside one another (they recurse)
  std::string text_;      // pending character data that crossed a refill
  std::string until_;     // ReadUntil's text when it crossed a refill
  std::vector<std::string_view> words_;
  std::string_view tagText_;
  bool wordsInPlace_ = true;  // every word is a view of the tag text (none was joined)
  std::deque<std::string> merged_;  // words joined from several (stable addresses)
};
