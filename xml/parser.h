#pragma once
// The parser behind TXmlDocument and TXmlNode reading (internal to the library).
//
// It reads a window of internal text (TXmlSurplusReader) byte by byte on an inline path and scans runs of
// character data and tag text with memchr-style loops. Elements are parsed with an explicit stack,
// so nesting depth costs no machine stack; DOCTYPE internal subsets recurse, and count towards
// MaxXmlDepth as well and may nest only kMaxSubsetNesting deep.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <deque>
#include <vector>

#include "xml/document.h"
#include "xml/text.h"

class TStream;
class TXmlCodecStream;

// Reads the parser's text one character at a time and takes back what was read too far (its
// surplus). The text stands in a window, and Refill keeps the last few bytes before the read
// position, so taking back is stepping back in the window (at most kKeep bytes).
class TXmlSurplusReader {
 public:
  static constexpr size_t kKeep = 64;
  virtual ~TXmlSurplusReader() = default;

  // The next character; false at the end of the text.
  bool ReadChar(char& c) {
    if (cur >= end && !Refill()) return false;
    c = *cur++;
    return true;
  }
  // The next character that is no tab, line feed, carriage return or space; false at the end.
  bool ReadCharSkipBlanks(char& c) {
    do {
      if (!ReadChar(c)) return false;
    } while (IsXmlBlank(c));
    return true;
  }
  // Takes back the last `n` characters read.
  void PushBack(size_t n) noexcept { cur -= n; }
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
};

// Text gathered a character or a run at a time; the buffer starts at 64 bytes and doubles as it
// fills.
class TXmlStringBuilder {
 public:
  TXmlStringBuilder() : buffer_(64, '\0') {}
  void AddChar(char c) {
    if (length_ == buffer_.size()) Grow(1);
    buffer_[length_++] = c;
  }
  void Append(const char* text, size_t count) {
    if (count > buffer_.size() - length_) Grow(count);
    std::memcpy(buffer_.data() + length_, text, count);
    length_ += count;
  }
  void Clear() noexcept { length_ = 0; }
  // Cuts the text to `length` characters (a longer length changes nothing).
  void SetLength(size_t length) noexcept {
    if (length < length_) length_ = length;
  }
  size_t Length() const noexcept { return length_; }
  // The character at `index`, counted from 1; 0 outside the text.
  char CharAt(size_t index) const noexcept { return index >= 1 && index <= length_ ? buffer_[index - 1] : 0; }
  // `count` characters from `start` (counted from 1), clipped to the text.
  std::string Substring(size_t start, size_t count) const;
  std::string StringValue() const { return std::string(View()); }
  // The text, valid until the next change.
  std::string_view View() const noexcept { return {buffer_.data(), length_}; }

 private:
  void Grow(size_t more);
  std::string buffer_;
  size_t length_ = 0;
};

// A string in memory, read in place.
class XmlMemoryInput : public TXmlSurplusReader {
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
class XmlStreamInput : public TXmlSurplusReader {
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
  XmlParser(TXmlDocument* document, TXmlSurplusReader& input) : doc_(document), in_(input) {}
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
  void ParseInternalSubset(TXmlNode* node, int depth);
  void CheckDepth(const TXmlNode* node, int depth);
  // Whether the child reader chooses the element just opened.
  bool Chosen(const TXmlNode* node);
  // Hands the element tag in words_ to the child reader; true when the element is not kept.
  bool HandOver(bool selfClosing);

  friend class TXmlDocument;  // its ParseDoctype reads a DOCTYPE's body for the parser

  TXmlDocument* doc_;
  TXmlSurplusReader& in_;
  int doctypeDepth_ = 0;  // the depth of the DOCTYPE whose body is read
  int subsetNesting_ = 0;
  TXmlChildReader* childReader_ = nullptr;
  const TXmlNode* handingFrom_ = nullptr;  // the chosen parent of the element whose head is read
  bool handedOver_ = false;                // that element went to the reader and is not kept
  bool strayText_ = false;  // characters outside every element were skipped
  XmlNodeSlabs slabs_;  // memory of the nodes the parser makes
  std::deque<std::vector<TXmlNode*>> kids_;  // one child list per open element, reused
  size_t kidsTop_ = 0;  // DOCTYPE internal subsets inside one another (they recurse)
  TXmlStringBuilder text_;   // pending character data that crossed a refill
  TXmlStringBuilder until_;  // ReadUntil's text when it crossed a refill
  std::vector<std::string_view> words_;
  std::string_view tagText_;
  bool wordsInPlace_ = true;  // every word is a view of the tag text (none was joined)
  std::deque<std::string> merged_;  // words joined from several (stable addresses)
};
