#include "xml/parser.h"

#include <array>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "xml/codec.h"
#include "xml/text.h"

namespace {

struct TagRow {
  std::string_view open;
  std::string_view close;
  TXmlElementType type;
};

// Open texts tried after a "<"; the longest that matches wins.
constexpr TagRow kTagTable[12] = {
    {"<![CDATA[", "]]>", etCData},     {"<!DOCTYPE", ">", etDoctype},
    {"<!ELEMENT", ">", etDtdElement},  {"<!ATTLIST", ">", etDtdAttList},
    {"<!ENTITY", ">", etDtdEntity},    {"<!NOTATION", ">", etDtdNotation},
    {"<?xml-stylesheet", "?>", etStylesheet}, {"<?xml", "?>", etDeclaration},
    {"<!--", "-->", etComment},        {"<!", ">", etBangOther},
    {"<?", "?>", etInstruction},       {"<", ">", etElement},
};
constexpr int kElementRow = 11;
// Internal subsets are parsed recursively; XML allows none inside another.
constexpr int kMaxSubsetNesting = 64;

[[noreturn]] void Fail(std::string message) { throw EFilerError(std::move(message)); }

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

// The first `c` in [p, end), 16 bytes at a time where the machine can: attribute values are
// mostly short, and a call to memchr costs more than the search.
inline const char* FindByte(const char* p, const char* end, char c) {
#if defined(__SSE2__)
  const __m128i needle = _mm_set1_epi8(c);
  while (end - p >= 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, needle));
    if (mask) return p + __builtin_ctz(static_cast<unsigned>(mask));
    p += 16;
  }
#endif
  for (; p < end; ++p)
    if (*p == c) return p;
  return nullptr;
}

// Classes of the bytes of a tag.
constexpr uint8_t kBlank = 1, kQuote = 2, kTagEnd = 4;
constexpr auto kTagClass = [] {
  std::array<uint8_t, 256> t{};
  t[' '] = t['\t'] = t['\n'] = t['\r'] = kBlank;
  t['"'] = t['\''] = kQuote;
  t['>'] = kTagEnd;
  return t;
}();

bool IsBlankText(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) > ' ') return false;
  return true;
}

void TrimTrailingBreaks(std::pmr::string& s) {
  size_t n = s.size();
  while (n > 0 && (s[n - 1] == '\n' || s[n - 1] == '\r' || s[n - 1] == ' ')) --n;
  s.resize(n);
}

}  // namespace

// ---------------------------------------------------------------- stream input

XmlStreamInput::XmlStreamInput(TStream& stream, size_t blockSize)
    : stream_(stream), codec_(dynamic_cast<TXmlCodecStream*>(&stream)), blockSize_(blockSize) {
  if (!codec_) streamAtEnd_ = stream.Position();
}

bool XmlStreamInput::Refill() {
  // Keep a few bytes before the read position for stepping back.
  size_t used = buffer_.empty() ? 0 : static_cast<size_t>(cur - buffer_.data());
  size_t keep = std::min(kKeep, used);
  buffer_.erase(0, buffer_.size() - keep);
  blockStart_ = buffer_.size();
  bool got;
  if (codec_) {
    do got = codec_->ReadBlock(buffer_);
    while (got && buffer_.size() == blockStart_);
  } else {
    buffer_.resize(blockStart_ + blockSize_);
    int64_t n = ReadFully(stream_, buffer_.data() + blockStart_, static_cast<int64_t>(blockSize_));
    buffer_.resize(blockStart_ + static_cast<size_t>(n));
    streamAtEnd_ += n;
    got = n > 0;
  }
  cur = buffer_.data() + blockStart_;
  end = buffer_.data() + buffer_.size();
  return got;
}

int64_t XmlStreamInput::Position() {
  if (!codec_) return streamAtEnd_ - (end - cur);
  const char* block = buffer_.data() + blockStart_;
  return codec_->BlockSourcePosition(cur > block ? static_cast<size_t>(cur - block) : 0);
}

int64_t XmlStreamInput::Size() { return codec_ ? codec_->Seek(0, soFromEnd) : stream_.Size(); }

void XmlStreamInput::SwitchToUtf8() {
  if (!codec_) return;
  const char* block = buffer_.data() + blockStart_;
  codec_->UnreadBlock(cur > block ? static_cast<size_t>(cur - block) : 0);
  codec_->SetEncoding(XmlEncoding::Utf8);
  // What was converted ahead is read again as UTF-8.
  buffer_.resize(static_cast<size_t>(cur - buffer_.data()));
  end = cur;
}

void XmlStreamInput::Finish() {
  if (finished_ || buffer_.empty()) return;
  finished_ = true;
  if (codec_) {
    const char* block = buffer_.data() + blockStart_;
    codec_->UnreadBlock(cur > block ? static_cast<size_t>(cur - block) : 0);
  } else if (end > cur) {
    stream_.Seek(-(end - cur), soFromCurrent);
  }
}

// ---------------------------------------------------------------- string builder

void TXmlStringBuilder::Grow(size_t more) {
  size_t capacity = buffer_.size();
  while (capacity - length_ < more) capacity *= 2;
  buffer_.resize(capacity);
}

std::string TXmlStringBuilder::Substring(size_t start, size_t count) const {
  if (start < 1) start = 1;
  if (start > length_) return {};
  return std::string(View().substr(start - 1, count));
}

// ---------------------------------------------------------------- reading primitives

int XmlParser::ReadOpenTag() {
  // Called after the "<". Every row of the table whose open text matches so far stays a candidate;
  // the characters read past the open text of the best row are given back.
  char c;
  if (!in_.ReadChar(c)) return kElementRow;
  if (c != '!' && c != '?') {
    in_.PushBack(1);
    return kElementRow;
  }
  bool candidate[12];
  std::fill(std::begin(candidate), std::end(candidate), true);
  int best = kElementRow;
  size_t p = 2, read = 0;
  for (;;) {
    if (p > 2 && !in_.ReadChar(c)) return best;
    ++read;
    bool matched = false;
    for (int row = 11; row >= 0; --row) {
      if (!candidate[row] || kTagTable[row].open.size() < p) continue;
      if (kTagTable[row].open[p - 1] == c) {
        matched = true;
        if (p == kTagTable[row].open.size()) best = row;
      } else {
        candidate[row] = false;
      }
    }
    ++p;
    if (!matched) break;
  }
  in_.PushBack(read - (kTagTable[best].open.size() - 1));
  return best;
}

bool XmlParser::ReadUntil(std::string_view close, bool quoteAware, std::string_view& result) {
  const char last = close.back();
  const size_t closeLen = close.size();
  const char* start = in_.cur;
  bool crossed = false;
  char quote = 0;
  until_.Clear();
  // Does the text read so far (until_ when crossed, then [start, p)) end with `close`?
  auto endsWithClose = [&](const char* p) {
    size_t here = static_cast<size_t>(p - start);
    if (here >= closeLen) return std::memcmp(p - closeLen, close.data(), closeLen) == 0;
    // The close text began before the refill: its first part ends the builder.
    const size_t before = closeLen - here;
    if (!crossed || until_.Length() < before) return false;
    for (size_t k = 0; k < before; ++k)
      if (until_.CharAt(until_.Length() - before + 1 + k) != close[k]) return false;
    return std::memcmp(start, close.data() + before, here) == 0;
  };
  for (;;) {
    const char* p = in_.cur;
    const char* e = in_.end;
    while (p < e) {
      if (quote) {
        // Nothing inside quotes ends the read: skip to the closing quote.
        const char* q = FindByte(p, e, quote);
        if (!q) {
          p = e;
          break;
        }
        p = q + 1;
        quote = 0;
        continue;
      }
      char c = *p++;
      if (quoteAware && (c == '"' || c == '\'')) {
        quote = c;
        continue;
      }
      if (c == last && endsWithClose(p)) {
        in_.cur = p;
        if (!crossed) {
          result = std::string_view(start, static_cast<size_t>(p - start) - closeLen);
        } else {
          until_.Append(start, static_cast<size_t>(p - start));
          until_.SetLength(until_.Length() - closeLen);
          result = until_.View();
        }
        return true;
      }
    }
    until_.Append(start, static_cast<size_t>(e - start));
    in_.cur = e;
    if (!in_.Refill()) return false;
    start = in_.cur;
    crossed = true;
  }
}

void XmlParser::ParseAttributes(std::string_view text) {
  words_.clear();
  if (!merged_.empty()) merged_.clear();
  size_t b = 0, e = text.size();
  while (b < e && IsXmlBlank(text[b])) ++b;
  while (e > b && IsXmlBlank(text[e - 1])) --e;
  if (b == e) return;
  size_t wordStart = b;
  for (size_t i = b; i < e; ++i) {
    char c = text[i];
    if (c == '"' || c == '\'') {
      // A quoted stretch: blanks inside do not split the word.
      const char* q = FindByte(text.data() + i + 1, text.data() + e, c);
      if (!q) break;
      i = static_cast<size_t>(q - text.data());
    } else if (IsXmlBlank(c)) {
      if (i > wordStart) words_.push_back(text.substr(wordStart, i - wordStart));
      wordStart = i + 1;
    }
  }
  if (e > wordStart) words_.push_back(text.substr(wordStart, e - wordStart));
  wordsInPlace_ = true;
  MergeWords();
}

void XmlParser::MergeWords() {
  // Blanks around an equals sign: name, "=" and the quoted value become one word.
  auto join = [&](size_t i) {
    wordsInPlace_ = false;
    merged_.push_back(std::string(words_[i - 1]) + std::string(words_[i]));
    words_[i - 1] = merged_.back();
    words_.erase(words_.begin() + static_cast<std::ptrdiff_t>(i));
  };
  for (size_t i = words_.size(); i-- > 1;)
    if (words_[i][0] == '=') join(i);
  for (size_t i = words_.size(); i-- > 1;)
    if ((words_[i][0] == '"' || words_[i][0] == '\'') && words_[i - 1].find('=') != std::string_view::npos)
      join(i);
}

bool XmlParser::ScanElementTag(bool& selfClosing) {
  // The common case in one pass: the whole tag stands in the buffer. Words are split as
  // ParseAttributes splits the tag text; nothing is consumed unless the tag ends here.
  const char* const start = in_.cur;
  const char* const e = in_.end;
  const char* p = start;
  bool odd = false;  // a word that starts with "=" or a quote: the merge rules apply
  words_.clear();
  if (!merged_.empty()) merged_.clear();
  for (;;) {
    while (p < e && kTagClass[static_cast<unsigned char>(*p)] == kBlank) ++p;
    if (p >= e) return false;
    if (*p == '>') break;
    const char* word = p;
    odd |= *p == '=' || *p == '"' || *p == '\'';
    for (;;) {
      if (p >= e) return false;
      const uint8_t k = kTagClass[static_cast<unsigned char>(*p)];
      if (k == 0) {
        ++p;
      } else if (k == kQuote) {
        const char* q = FindByte(p + 1, e, *p);
        if (!q) return false;
        p = q + 1;
      } else {
        break;  // a blank or the end of the tag
      }
    }
    words_.emplace_back(word, static_cast<size_t>(p - word));
  }
  selfClosing = p > start && p[-1] == '/';
  if (selfClosing) {
    // The "/" ends the last word, or is a word of its own.
    std::string_view& last = words_.back();
    last.remove_suffix(1);
    if (last.empty()) words_.pop_back();
  }
  wordsInPlace_ = true;
  if (odd) MergeWords();
  tagText_ = std::string_view(start, static_cast<size_t>(p - start));
  in_.cur = p + 1;
  return true;
}

void XmlParser::ParseTag(TXmlNode* node, std::string_view text) {
  ParseAttributes(text);
  ApplyTag(node, text);
}

void XmlParser::ApplyTag(TXmlNode* node, std::string_view text) {
  size_t first = 0;
  switch (node->elementType_) {
    case etDeclaration: node->name_ = "xml"; break;
    case etStylesheet:
      node->name_ = "xml-stylesheet";
      node->SetParsedValue(TrimView(text));
      break;
    default:
      if (words_.empty()) Fail("Missing element name");
      node->name_.assign(words_[0]);
      first = 1;
      break;
  }
  if (words_.size() <= first) return;
  TXmlAttributeList& list = node->ParsedAttributes();
  const bool utf8 = node->InternalUtf8();
  // Words that stand in the tag text as they are: the stretch that holds them is copied in one
  // piece (blanks and all) and each entry refers to its place in it.
  const char* from = words_[first].data();
  const char* to = words_.back().data() + words_.back().size();
  if (wordsInPlace_) {
    list.Reserve(static_cast<size_t>(to - from), words_.size() - first);
    const size_t base = list.AppendText(std::string_view(from, static_cast<size_t>(to - from)));
    for (size_t i = first; i < words_.size(); ++i)
      list.AppendSpan(base + static_cast<size_t>(words_[i].data() - from), words_[i].size(), utf8);
    // Sorted once: inserting each in its place costs a move of the rest every time.
    if (list.Sorted()) list.SortEntries(utf8);
    return;
  }
  size_t bytes = 0;
  for (size_t i = first; i < words_.size(); ++i) bytes += words_[i].size();
  list.Reserve(bytes, words_.size() - first);
  for (size_t i = first; i < words_.size(); ++i)
    list.AppendSpan(list.AppendText(words_[i]), words_[i].size(), utf8);
  if (list.Sorted()) list.SortEntries(utf8);
}

// ---------------------------------------------------------------- nodes

void XmlParser::Complete(TXmlNode* node) {
  if (!doc_ || doc_->StopLoading()) return;
  if (doc_->OnProgress) doc_->OnProgress(doc_, in_.Position());
  if (doc_->OnNodeCompleted) doc_->OnNodeCompleted(doc_, node);
}

void XmlParser::CheckDepth(const TXmlNode* node, int depth) {
  if (depth > MaxXmlDepth)
    Fail("Elements nested more than " + std::to_string(MaxXmlDepth) + " levels deep in element " + node->Name());
}

bool XmlParser::ParseHead(TXmlNode* node, bool afterLessThan, int depth) {
  if (Stopped()) return false;
  node->Clear();
  if (!afterLessThan) {
    char c;
    const bool read = in_.ReadCharSkipBlanks(c);
    if (!read || c != '<') {
      strayText_ |= read;  // text outside any element, skipped
      return false;
    }
  }
  const TagRow& tag = kTagTable[ReadOpenTag()];
  node->elementType_ = tag.type;
  auto started = [&] {
    if (doc_ && doc_->OnNodeStarted) doc_->OnNodeStarted(doc_, node);
    return !Stopped();
  };
  std::string_view text;
  switch (tag.type) {
    case etElement:
    case etDeclaration:
    case etStylesheet: {
      bool selfClosing = false;
      if (tag.type == etElement && ScanElementTag(selfClosing)) {
        if (handingFrom_ && HandOver(selfClosing)) return false;
        ApplyTag(node, tagText_);
        return started() && !selfClosing;
      }
      ReadUntil(tag.close, true, text);
      if (tag.type == etElement && !text.empty() && text.back() == '/') {
        text.remove_suffix(1);
        selfClosing = true;
      }
      ParseAttributes(text);
      if (tag.type == etElement && handingFrom_ && HandOver(selfClosing)) return false;
      ApplyTag(node, text);
      return started() && !selfClosing && tag.type == etElement;
    }
    case etDoctype:
      node->name_ = "DTD";
      if (started() && node->document_) {
        doctypeDepth_ = depth;
        node->document_->ParseDoctype(node, *this);
      }
      return false;
    case etDtdElement:
    case etDtdAttList:
    case etDtdEntity:
    case etDtdNotation: {
      ReadUntil(">", true, text);
      ParseAttributes(text);
      if (!words_.empty()) {
        std::string value;
        for (size_t i = 1; i < words_.size(); ++i) {
          value.append(words_[i]);
          value.append("\r\n");
        }
        node->SetName(words_[0]);
        node->SetParsedValue(Trim(value));
      }
      started();
      return false;
    }
    default:
      node->name_ = tag.type == etComment ? "Comment" : tag.type == etCData ? "CData" : "Special";
      // The raw text, a comment's too: one holding "--" must not keep a whole reply from loading
      // (the writer refuses to write it back).
      if (started() && ReadUntil(tag.close, false, text)) node->SetParsedValue(text);
      return false;
  }
}

bool XmlParser::Chosen(const TXmlNode* node) {
  // A node that stray text left blank is no element and leaves the tree again.
  return childReader_ && node->elementType_ == etElement && !node->name_.empty() && !Stopped() &&
         childReader_->Choose(node);
}

bool XmlParser::HandOver(bool selfClosing) {
  // A tag without a name is left to ApplyTag, which refuses it.
  if (words_.empty()) return false;
  const bool keep =
      childReader_->Child(handingFrom_, words_[0], std::span<const std::string_view>(words_).subspan(1), selfClosing);
  handedOver_ = selfClosing && !keep;
  return handedOver_;
}

void XmlParser::AddChild(Frame& frame, TXmlNode* child) {
  if (frame.kids) {
    child->parent_ = frame.node;
    frame.kids->push_back(child);
  } else {
    frame.node->AppendOwned(child);
  }
}

void XmlParser::DropLastChild(Frame& frame, TXmlNode* child) {
  if (frame.kids) {
    frame.kids->pop_back();
    child->parent_ = nullptr;
    delete child;
  } else {
    child->Delete();
  }
}

XmlParser::Frame XmlParser::OpenFrame(TXmlNode* node, bool gather) {
  Frame f{node, false, false, false, nullptr};
  if (gather) {
    if (kidsTop_ == kids_.size()) kids_.emplace_back();
    f.kids = &kids_[kidsTop_++];
  }
  return f;
}

void XmlParser::CloseFrame(Frame& frame) noexcept {
  if (!frame.kids) return;
  // The children gathered so far join the node in one allocation.
  std::vector<TXmlNode*>& nodes = frame.node->nodes_;
  if (!frame.kids->empty()) {
    try {
      nodes.insert(nodes.end(), frame.kids->begin(), frame.kids->end());
    } catch (...) {
      for (TXmlNode* n : *frame.kids) {
        n->parent_ = nullptr;
        delete n;
      }
    }
    frame.kids->clear();
  }
  frame.kids = nullptr;
  --kidsTop_;
}

void XmlParser::FlushText(Frame& frame, std::string_view text) {
  if (text.empty() || IsBlankText(text)) return;
  TXmlNode* node = frame.node;
  // The first character data of an element is its value.
  const size_t children = frame.kids ? frame.kids->size() : node->nodes_.size();
  if (!frame.valueTaken && children == 0) {
    node->SetParsedValue(text);
    frame.valueTaken = true;
    return;
  }
  TXmlNode* data = slabs_.New(node->document_);
  data->elementType_ = etCharData;
  data->SetParsedValue(text);
  AddChild(frame, data);
}

void XmlParser::FinishElement(Frame& frame) {
  FlushText(frame, text_.View());
  text_.Clear();
  if (frame.hasChildren && frame.carriageReturn) {
    TrimTrailingBreaks(frame.node->value_);
    for (TXmlNode* n : frame.kids ? *frame.kids : frame.node->nodes_)
      if (n->elementType_ == etCharData) TrimTrailingBreaks(n->value_);
  }
  CloseFrame(frame);
}

void XmlParser::ParseNode(TXmlNode* top, int depth) {
  std::vector<Frame> frames;
  TXmlNode* inHead = top;
  // Without handlers that could look at the tree while it grows, each element's children are
  // gathered aside and join it in one piece when it ends.
  const bool gather = !(doc_ && (doc_->OnNodeStarted || doc_->OnNodeCompleted || doc_->OnProgress));
  // The top is nobody's child here, also when a DOCTYPE's internal subset inside a chosen element
  // is read.
  handingFrom_ = nullptr;
  try {
    if (!ParseHead(top, false, depth)) {
      inHead = nullptr;
      Chosen(top);
      Complete(top);
      return;
    }
    inHead = nullptr;
    CheckDepth(top, depth);
    frames.push_back(OpenFrame(top, gather));
    frames.back().chosen = Chosen(top);
    const bool utf8 = top->InternalUtf8();
    while (!frames.empty()) {
      Frame& f = frames.back();
      if (Stopped()) {
        // Unwinds without completion events; each open element keeps what it has read.
        while (!frames.empty()) {
          FinishElement(frames.back());
          frames.pop_back();
        }
        return;
      }
      // Character data up to the next "<", kept as read (escaped).
      const char* p = in_.cur;
      const char* e = in_.end;
      const char* lt = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(e - p)));
      // The carriage-return mark matters only for the text after a child.
      if (!lt) {
        if (p < e) {
          if (f.hasChildren && std::memchr(p, '\r', static_cast<size_t>(e - p))) f.carriageReturn = true;
          text_.Append(p, static_cast<size_t>(e - p));
        }
        in_.cur = e;
        if (!in_.Refill()) Fail("Missing close tag in element " + f.node->name_);
        continue;
      }
      if (f.hasChildren && lt > p && std::memchr(p, '\r', static_cast<size_t>(lt - p))) f.carriageReturn = true;
      if (text_.Length() == 0) {
        FlushText(f, std::string_view(p, static_cast<size_t>(lt - p)));
      } else {
        text_.Append(p, static_cast<size_t>(lt - p));
        FlushText(f, text_.View());
        text_.Clear();
      }
      in_.cur = lt + 1;
      char c;
      if (!in_.ReadCharSkipBlanks(c)) Fail("Missing data after \"<\" in element " + f.node->name_);
      if (c == '/') {
        std::string_view close;
        if (!ReadUntil(">", true, close)) Fail("Missing \">\" in close tag of element " + f.node->name_);
        if (!XmlSameName(TrimView(close), f.node->name_, utf8))
          Fail("Incorrect close tag in element " + f.node->name_);
        FinishElement(f);
        TXmlNode* done = f.node;
        frames.pop_back();
        Complete(done);
        continue;
      }
      f.carriageReturn = false;
      f.hasChildren = true;
      in_.PushBack(1);
      TXmlNode* child = slabs_.New(f.node->document_);
      AddChild(f, child);
      inHead = child;
      handingFrom_ = f.chosen ? f.node : nullptr;
      handedOver_ = false;
      bool open = ParseHead(child, true, depth + static_cast<int>(frames.size()));
      handingFrom_ = nullptr;
      inHead = nullptr;
      if (handedOver_) {
        // The reader has it: the tree does not keep it. (Read at once: a DOCTYPE's subset read
        // inside the next head must not find it set.)
        handedOver_ = false;
        DropLastChild(f, child);
        continue;
      }
      if (open) {
        CheckDepth(child, depth + static_cast<int>(frames.size()));
        frames.push_back(OpenFrame(child, gather));
        frames.back().chosen = Chosen(child);
        continue;
      }
      Chosen(child);
      Complete(child);
      if (doc_ && doc_->SkipCommentsOnLoad() && child->elementType_ == etComment) DropLastChild(f, child);
    }
  } catch (...) {
    // The tree keeps what was read; a node that an error leaves still reports its completion,
    // innermost first.
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) CloseFrame(*it);
    if (inHead) Complete(inHead);
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) Complete(it->node);
    throw;
  }
}

void TXmlDocument::ParseDoctype(TXmlNode* node, XmlParser& parser) {
  // The name and external id up to "[" or ">", then the internal subset's declarations.
  TXmlSurplusReader& in = parser.in_;
  TXmlStringBuilder text;
  char c = 0;
  for (;;) {
    if (!in.ReadChar(c)) return;
    if (c == '>' || c == '[') break;
    text.AddChar(c);
  }
  parser.ParseAttributes(text.View());
  const std::vector<std::string_view>& words = parser.words_;
  if (!words.empty()) {
    std::string value;
    for (size_t i = 1; i < words.size(); ++i) {
      if (i > 1) value.push_back(' ');
      value.append(words[i]);
    }
    value = Trim(StringReplace(value, "\r\n", " ", rfReplaceAll));
    node->SetName(words[0]);
    node->SetParsedValue(value);
  }
  if (c == '[') {
    parser.ParseInternalSubset(node, parser.doctypeDepth_ + 1);
    while (in.ReadChar(c) && c != '>') {
    }
  }
}

void XmlParser::ParseInternalSubset(TXmlNode* node, int depth) {
  CheckDepth(node, depth);
  struct Nesting {
    int& n;
    ~Nesting() { --n; }
  } nesting{++subsetNesting_};
  if (subsetNesting_ > kMaxSubsetNesting)
    Fail("Doctype declarations nested more than " + std::to_string(kMaxSubsetNesting) + " levels deep");
  for (;;) {
    if (Stopped()) return;
    TXmlNode* child = slabs_.New(node->document_);
    node->AppendOwned(child);
    ParseNode(child, depth);
    if (Stopped()) return;
    // A stray character leaves an empty node, which would not write back as anything valid.
    if (child->IsBlank()) child->Delete();
    char c;
    if (!in_.ReadCharSkipBlanks(c) || c == ']') return;
    in_.PushBack(1);
  }
}

// ---------------------------------------------------------------- document

void XmlParser::ParseDocument() {
  doc_->SetStopLoading(false);
  TXmlNode* roots = doc_->RootNodes();
  roots->Clear();
  if (doc_->OnProgress) doc_->OnProgress(doc_, 0);
  do {
    TXmlNode* node = roots->NodeNew("");
    ParseNode(node, 0);
    if (Stopped()) return;
    if (node->elementType_ == etDeclaration) {
      // A text detected as 8-bit that declares UTF-8 is read as UTF-8 from here on.
      TXmlCodecStream* codec = in_.Codec();
      if (codec && codec->Encoding() == XmlEncoding::Ansi) {
        auto encoding = node->FindAttribute("encoding");
        if (encoding && SameText(*encoding, "UTF-8")) in_.SwitchToUtf8();
      }
    }
    if (node->IsBlank()) roots->NodeDelete(roots->NodeCount() - 1);
  } while (!in_.AtEnd());
  if (doc_->OnProgress) doc_->OnProgress(doc_, in_.Size());

  int elements = 0, lastElement = -1, cdata = 0, declarations = 0, doctypes = 0, lastDoctype = -1;
  for (int i = 0; i < roots->NodeCount(); ++i) {
    switch (roots->Nodes(i)->ElementType()) {
      case etElement: ++elements; lastElement = i; break;
      case etCData: ++cdata; break;
      case etDeclaration: ++declarations; break;
      case etDoctype: ++doctypes; lastDoctype = i; break;
      default: break;
    }
  }
  if (elements == 0) Fail("No root element found in xml");
  if (!doc_->StrictRootChecks()) return;
  if (elements > 1) Fail("More than one root element found in xml");
  if (declarations > 1) Fail("More than one xml declaration found in xml");
  if (declarations == 1 && roots->Nodes(0)->ElementType() != etDeclaration)
    Fail("Xml declaration must be first element");
  if (doctypes > 1) Fail("More than one doctype declaration found in root");
  if (doctypes == 1 && lastDoctype > lastElement) Fail("Doctype declaration found after root element");
  if (cdata > 0) Fail("No CDATA allowed in root");
  if (strayText_) Fail("Text found outside the root element");
}
