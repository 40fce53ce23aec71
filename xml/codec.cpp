#include "xml/codec.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "xml/text.h"

FANO_IMPLEMENT_CLASS(TXmlStringStream, TMemoryStream)
FANO_IMPLEMENT_ABSTRACT(TXmlBufferedReadStream, TStream)
FANO_IMPLEMENT_ABSTRACT(TXmlBufferedWriteStream, TStream)
FANO_IMPLEMENT_ABSTRACT(TXmlCodecStream, TStream)
FANO_IMPLEMENT_ABSTRACT(TXmlAnsiStream, TXmlCodecStream)
FANO_IMPLEMENT_ABSTRACT(TXmlUtf8Stream, TXmlCodecStream)

const TXmlEncodingRow EncodingTable[15] = {
    {{0x00, 0x00, 0xFE, 0xFF}, 4, 1, 1},  {{0xFF, 0xFE, 0x00, 0x00}, 4, 2, 1},
    {{0x00, 0x00, 0xFF, 0xFE}, 4, 3, 1},  {{0xFE, 0xFF, 0x00, 0x00}, 4, 4, 1},
    {{0xFE, 0xFF, 0x00, 0x00}, 2, 8, 1},  {{0xFF, 0xFE, 0x00, 0x00}, 2, 9, 1},
    {{0xEF, 0xBB, 0xBF, 0x00}, 3, 7, 1},  {{0x00, 0x00, 0x00, 0x3C}, 4, 1, 0},
    {{0x3C, 0x00, 0x00, 0x00}, 4, 2, 0},  {{0x00, 0x00, 0x3C, 0x00}, 4, 3, 0},
    {{0x00, 0x3C, 0x00, 0x00}, 4, 4, 0},  {{0x00, 0x3C, 0x00, 0x3F}, 4, 8, 0},
    {{0x3C, 0x00, 0x3F, 0x00}, 4, 9, 0},  {{0x3C, 0x3F, 0x78, 0x6D}, 4, 0, 0},
    {{0x4C, 0x6F, 0xA7, 0x94}, 4, 10, 0},
};

namespace {

const char* const kUnsupported = "Unsupported string encoding";
const char* const kCannotWrite = "Cannot write to output stream";

bool Rejected(uint8_t code) {
  return code == XmlEncoding::Ucs4BE || code == XmlEncoding::Ucs4Order2143 ||
         code == XmlEncoding::Ucs4Order3412 || code == XmlEncoding::Ebcdic;
}

bool Is16Bit(uint8_t code) {
  return code == XmlEncoding::Utf16BENoMark || code == XmlEncoding::Utf16LENoMark ||
         code == XmlEncoding::Utf16BE || code == XmlEncoding::Utf16LE;
}

// One character of internal UTF-8 text; 0 when its sequence is cut off by the end of the text.
size_t DecodeInternalUtf8(const uint8_t* p, const uint8_t* end, char32_t& cp) {
  uint8_t lead = *p;
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  size_t len = static_cast<size_t>(Utf8SequenceLength(lead));
  size_t avail = static_cast<size_t>(end - p);
  if (len > 1 && avail < len) {
    for (size_t k = 1; k < avail; ++k)
      if ((p[k] & 0xC0) != 0x80) {
        cp = 0xFFFD;
        return 1;
      }
    return 0;
  }
  size_t pos = 0;
  cp = Utf8Decode(std::string_view(reinterpret_cast<const char*>(p), std::min(len, avail)), pos);
  return pos;
}

}  // namespace

int64_t ReadFully(TStream& s, void* buffer, int64_t count) {
  int64_t got = 0;
  while (got < count) {
    int64_t n = s.Read(static_cast<uint8_t*>(buffer) + got, count - got);
    if (n <= 0) break;
    got += n;
  }
  return got;
}

// ---------------------------------------------------------------- string stream

TXmlStringStream::TXmlStringStream(std::string_view text) {
  if (!text.empty()) {
    Write(text.data(), static_cast<int64_t>(text.size()));
    Seek(0, soFromBeginning);
  }
}

std::string TXmlStringStream::StringStreamData() {
  return std::string(static_cast<const char*>(Memory()), static_cast<size_t>(Size()));
}

// ---------------------------------------------------------------- buffered read stream

TXmlBufferedReadStream::TXmlBufferedReadStream(TStream* source, bool ownsSource)
    : source_(source), ownsSource_(ownsSource), buffer_(new uint8_t[BlockSize]) {}

TXmlBufferedReadStream::~TXmlBufferedReadStream() {
  if (ownsSource_) delete source_;
}

void TXmlBufferedReadStream::Update() {
  needsUpdate_ = false;
  if (position_ < 0) {
    block_ = -1;
    offset_ = valid_ = 0;
    return;
  }
  int64_t block = position_ / BlockSize;
  offset_ = position_ % BlockSize;
  if (block == block_) return;
  block_ = block;
  valid_ = std::min<int64_t>(BlockSize, source_->Size() - block * BlockSize);
  if (valid_ > 0) {
    source_->Seek(block * BlockSize, soFromBeginning);
    valid_ = ReadFully(*source_, buffer_.get(), valid_);
  } else {
    valid_ = 0;
  }
}

int64_t TXmlBufferedReadStream::ReadSlow(void* buffer, int64_t count) {
  if (needsUpdate_ || offset_ >= valid_) Update();
  if (count < 1) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    int64_t piece = std::min(valid_ - offset_, count - done);
    if (piece <= 0) break;
    std::memcpy(out + done, buffer_.get() + offset_, static_cast<size_t>(piece));
    offset_ += piece;
    position_ += piece;
    done += piece;
    if (offset_ >= valid_) Update();
  }
  return done;
}

int64_t TXmlBufferedReadStream::Write(const void*, int64_t) {
  throw EStreamError("Cannot write to an UTF stream opened for reading");
}

int64_t TXmlBufferedReadStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case soFromBeginning: position_ = offset; break;
    case soFromCurrent:
      if (offset == 0) return position_;
      position_ += offset;
      break;
    case soFromEnd: position_ = source_->Size() + offset; break;
  }
  needsUpdate_ = true;
  return position_;
}

// ---------------------------------------------------------------- buffered write stream

TXmlBufferedWriteStream::TXmlBufferedWriteStream(TStream* destination, bool ownsDestination)
    : destination_(destination), ownsDestination_(ownsDestination), buffer_(new uint8_t[BlockSize]) {}

TXmlBufferedWriteStream::~TXmlBufferedWriteStream() {
  if (!failed_) {
    try {
      Flush();
    } catch (...) {
      // A destructor cannot report; callers that need to know call Flush first.
    }
  }
  if (ownsDestination_) delete destination_;
}

int64_t TXmlBufferedWriteStream::Read(void*, int64_t) {
  throw EStreamError("Cannot read from a conversion stream opened for writing");
}

int64_t TXmlBufferedWriteStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const auto* in = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    int64_t piece = std::min(BlockSize - used_, count - done);
    std::memcpy(buffer_.get() + used_, in + done, static_cast<size_t>(piece));
    used_ += piece;
    position_ += piece;
    done += piece;
    if (used_ == BlockSize) Flush();
  }
  return done;
}

void TXmlBufferedWriteStream::Flush() {
  if (used_ <= 0) return;
  int64_t count = used_;
  used_ = 0;
  if (destination_->Write(buffer_.get(), count) != count) {
    failed_ = true;
    throw EStreamError(kCannotWrite);
  }
}

int64_t TXmlBufferedWriteStream::Seek(int64_t offset, TSeekOrigin origin) {
  if ((origin == soFromBeginning && offset == position_) || (origin != soFromBeginning && offset == 0))
    return position_;
  throw EStreamError("Cannot perform seek on codec stream");
}

// ---------------------------------------------------------------- codec stream

TXmlCodecStream::TXmlCodecStream(TStream* inner, bool internalUtf8) : inner_(inner), internalUtf8_(internalUtf8) {}

TXmlCodecStream::~TXmlCodecStream() = default;

void TXmlCodecStream::Lost() {
  if (lossNoticed_) return;
  lossNoticed_ = true;
  if (LossNotice) LossNotice();
}

void TXmlCodecStream::PutAnsi(std::string& out, char32_t cp) {
  int b = UnicodeToCp1252(cp);
  if (b >= 0) {
    out.push_back(static_cast<char>(b));
    return;
  }
  out.push_back('?');
  Lost();
}

bool TXmlCodecStream::PassThrough() const noexcept {
  if (mode_ == 2)
    return internalUtf8_ ? encoding_ == XmlEncoding::Utf8 : encoding_ == XmlEncoding::Ansi;
  // Reading: UTF-8 is taken as it is by both forms (the document switches to UTF-8 after it).
  return encoding_ == XmlEncoding::Utf8 || (!internalUtf8_ && encoding_ == XmlEncoding::Ansi);
}

void TXmlCodecStream::StartReading() {
  mode_ = 1;
  if (!inner_) throw EStreamError("Encoding stream unassigned");
  uint8_t head[4] = {0, 0, 0, 0};
  const int64_t n = ReadFully(*inner_, head, 4);
  const TXmlEncodingRow* found = nullptr;
  for (const TXmlEncodingRow& row : EncodingTable) {
    size_t k = std::min<size_t>(static_cast<size_t>(n), row.length);
    if (std::memcmp(row.pattern, head, k) == 0) {
      found = &row;
      break;
    }
  }
  encoding_ = found ? found->code : XmlEncoding::Ansi;
  markFlag_ = found && found->mark;
  if (Rejected(encoding_)) throw EStreamError(kUnsupported);
  // With a mark the source stays just after it; without, it goes back to its start.
  inner_->Seek(markFlag_ ? static_cast<int64_t>(found->length) - n : -n, soFromCurrent);
  swap_ = encoding_ == XmlEncoding::Utf16BENoMark || encoding_ == XmlEncoding::Utf16BE;
}

void TXmlCodecStream::StartWriting() {
  mode_ = 2;
  if (Rejected(encoding_) || encoding_ == XmlEncoding::Ucs4LE) throw EStreamError(kUnsupported);
  for (const TXmlEncodingRow& row : EncodingTable) {
    if (row.code != encoding_) continue;
    markFlag_ = row.mark;
    if (markFlag_ && inner_->Write(row.pattern, row.length) != row.length) throw EStreamError(kCannotWrite);
    break;
  }
  swap_ = encoding_ == XmlEncoding::Utf16BENoMark || encoding_ == XmlEncoding::Utf16BE;
}

void TXmlCodecStream::StorePrevPositions() {
  previousMark_ = currentMark_;
  currentMark_ = inner_->Seek(0, soFromCurrent);
}

size_t TXmlCodecStream::DecodeOne(const uint8_t* p, const uint8_t* end, bool atEnd, std::string& out) {
  auto put = [&](char32_t cp) {
    if (internalUtf8_) Utf8Append(out, cp);
    else PutAnsi(out, cp);
  };
  const size_t avail = static_cast<size_t>(end - p);
  if (encoding_ == XmlEncoding::Ansi || encoding_ == XmlEncoding::Utf8) {
    // Only the 8-bit text read into UTF-8 is converted here; the rest passes through.
    if (internalUtf8_ && encoding_ == XmlEncoding::Ansi) put(Cp1252ToUnicode(*p));
    else out.push_back(static_cast<char>(*p));
    return 1;
  }
  if (!Is16Bit(encoding_)) throw EStreamError(kUnsupported);
  auto unitAt = [&](size_t i) -> char32_t {
    return swap_ ? static_cast<char32_t>(p[i] << 8 | p[i + 1]) : static_cast<char32_t>(p[i + 1] << 8 | p[i]);
  };
  if (avail < 2) {
    if (!atEnd) return 0;
    put(0xFFFD);  // an odd byte at the end
    return avail;
  }
  char32_t u = unitAt(0);
  if (u >= 0xD800 && u <= 0xDBFF) {
    if (avail < 4) {
      if (!atEnd) return 0;
      put(0xFFFD);
      return 2;
    }
    char32_t lo = unitAt(2);
    if (lo >= 0xDC00 && lo <= 0xDFFF) {
      put(0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
      return 4;
    }
    put(0xFFFD);
    return 2;
  }
  put(u >= 0xDC00 && u <= 0xDFFF ? 0xFFFD : u);
  return 2;
}

int TXmlCodecStream::ReadCharCoded() {
  if (pendingIndex_ < pending_.size()) return static_cast<uint8_t>(pending_[pendingIndex_++]);
  StorePrevPositions();
  pending_.clear();
  pendingIndex_ = 0;
  uint8_t raw[4];
  if (PassThrough()) {
    if (inner_->Read(raw, 1) != 1) return 0;
    pending_.push_back(static_cast<char>(raw[0]));
    if (encoding_ == XmlEncoding::Utf8) {
      // The whole sequence is one character, so that stepping back never lands inside it; a
      // byte that does not continue the sequence is left for the next character.
      int len = Utf8SequenceLength(raw[0]);
      for (int k = 1; k < len; ++k) {
        if (inner_->Read(raw + 1, 1) != 1) break;
        if ((raw[1] & 0xC0) != 0x80) {
          inner_->Seek(-1, soFromCurrent);
          break;
        }
        pending_.push_back(static_cast<char>(raw[1]));
      }
    }
  } else {
    if (!Is16Bit(encoding_) && encoding_ != XmlEncoding::Ansi) throw EStreamError(kUnsupported);
    const int64_t want = encoding_ == XmlEncoding::Ansi ? 1 : 4;
    const int64_t n = ReadFully(*inner_, raw, want);
    if (n == 0) return 0;
    size_t used = DecodeOne(raw, raw + n, n < want, pending_);
    if (static_cast<int64_t>(used) < n) inner_->Seek(static_cast<int64_t>(used) - n, soFromCurrent);
  }
  return pending_.empty() ? 0 : static_cast<uint8_t>(pending_[pendingIndex_++]);
}

int64_t TXmlCodecStream::Read(void* buffer, int64_t count) {
  if (mode_ == 0) StartReading();
  if (mode_ == 2) throw EStreamError("Cannot read from a conversion stream opened for writing");
  if (count != 1) throw EStreamError("Cannot read multiple chars from conversion stream at once");
  int ch = ReadCharCoded();
  *static_cast<uint8_t*>(buffer) = static_cast<uint8_t>(ch);
  return ch == 0 ? 0 : 1;
}

int64_t TXmlCodecStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (mode_ == 0) throw EStreamError("Cannot seek before reading or writing in conversion stream");
  if (origin == soFromCurrent && offset == 0) return inner_->Seek(0, soFromCurrent);
  if (origin == soFromCurrent && mode_ == 1 && (offset == -1 || offset == -2)) {
    pending_.clear();
    pendingIndex_ = 0;
    inner_->Seek(offset == -1 ? currentMark_ : previousMark_, soFromBeginning);
    return 0;
  }
  if (origin == soFromEnd && offset == 0) return inner_->Size();
  if (origin == soFromBeginning) return 0;
  throw EStreamError("Cannot perform seek on codec stream");
}

bool TXmlCodecStream::ReadBlock(std::string& out) {
  if (mode_ == 0) StartReading();
  if (mode_ == 2) throw EStreamError("Cannot read from a conversion stream opened for writing");
  pending_.clear();
  pendingIndex_ = 0;
  // Four bytes always hold a whole character, so a block is never empty before the end.
  const int64_t kBlock = std::max<int64_t>(blockSize_, 4);
  rawStart_ = inner_->Seek(0, soFromCurrent);
  raw_.resize(static_cast<size_t>(kBlock));
  const int64_t n = ReadFully(*inner_, raw_.data(), kBlock);
  raw_.resize(static_cast<size_t>(n));
  trackRaw_ = trackOut_ = 0;
  if (n == 0) return false;
  if (PassThrough()) {
    out.append(raw_);
    return true;
  }
  if (!Is16Bit(encoding_) && encoding_ != XmlEncoding::Ansi) throw EStreamError(kUnsupported);
  const auto* p = reinterpret_cast<const uint8_t*>(raw_.data());
  const auto* end = p + raw_.size();
  const bool atEnd = n < kBlock;
  out.reserve(out.size() + raw_.size() * (internalUtf8_ ? 2 : 1));
  while (p < end) {
    size_t k = DecodeOne(p, end, atEnd, out);
    if (k == 0) break;
    p += k;
  }
  // A character cut off by the block's end is read again with the next block.
  size_t taken = static_cast<size_t>(p - reinterpret_cast<const uint8_t*>(raw_.data()));
  if (taken < raw_.size()) {
    inner_->Seek(static_cast<int64_t>(taken) - n, soFromCurrent);
    raw_.resize(taken);
  }
  return true;
}

int64_t TXmlCodecStream::BlockSourcePosition(size_t consumed) {
  if (PassThrough()) return rawStart_ + static_cast<int64_t>(std::min(consumed, raw_.size()));
  if (consumed < trackOut_) trackRaw_ = trackOut_ = 0;
  const auto* base = reinterpret_cast<const uint8_t*>(raw_.data());
  while (trackOut_ < consumed && trackRaw_ < raw_.size()) {
    scratch_.clear();
    trackRaw_ += DecodeOne(base + trackRaw_, base + raw_.size(), true, scratch_);
    trackOut_ += scratch_.size();
  }
  return rawStart_ + static_cast<int64_t>(trackRaw_);
}

void TXmlCodecStream::UnreadBlock(size_t consumed) {
  int64_t pos = BlockSourcePosition(consumed);
  inner_->Seek(pos, soFromBeginning);
  pending_.clear();
  pendingIndex_ = 0;
  currentMark_ = previousMark_ = pos;
  raw_.clear();
  trackRaw_ = trackOut_ = 0;
}

// ---- writing

void TXmlCodecStream::WriteOut(const std::string& bytes) {
  if (bytes.empty()) return;
  const auto n = static_cast<int64_t>(bytes.size());
  if (inner_->Write(bytes.data(), n) != n) throw EStreamError(kCannotWrite);
}

int64_t TXmlCodecStream::Write(const void* buffer, int64_t count) {
  if (mode_ == 0) StartWriting();
  else if (mode_ == 1) throw EStreamError("Cannot write to an UTF stream opened for reading");
  if (count > 0) WriteBufCoded(static_cast<const uint8_t*>(buffer), 0, count);
  return count;
}

void TXmlCodecStream::WriteBufCoded(const uint8_t* buffer, int64_t offset, int64_t count) {
  const uint8_t* p = buffer + offset;
  if (PassThrough()) {
    if (inner_->Write(p, count) != count) throw EStreamError(kCannotWrite);
    return;
  }
  if (!Is16Bit(encoding_) && encoding_ != XmlEncoding::Ansi && encoding_ != XmlEncoding::Utf8)
    throw EStreamError(kUnsupported);
  // A character split between two writes waits in pending_ for the rest of its bytes.
  std::string joined;
  if (!pending_.empty()) {
    joined = pending_;
    joined.append(reinterpret_cast<const char*>(p), static_cast<size_t>(count));
    pending_.clear();
    p = reinterpret_cast<const uint8_t*>(joined.data());
    count = static_cast<int64_t>(joined.size());
  }
  const uint8_t* end = p + count;
  scratch_.clear();
  scratch_.reserve(static_cast<size_t>(count) * 2);
  auto unit = [&](char32_t u) {
    if (swap_) {
      scratch_.push_back(static_cast<char>(u >> 8));
      scratch_.push_back(static_cast<char>(u & 0xFF));
    } else {
      scratch_.push_back(static_cast<char>(u & 0xFF));
      scratch_.push_back(static_cast<char>(u >> 8));
    }
  };
  while (p < end) {
    char32_t cp;
    if (internalUtf8_) {
      size_t k = DecodeInternalUtf8(p, end, cp);
      if (k == 0) {
        pending_.assign(reinterpret_cast<const char*>(p), static_cast<size_t>(end - p));
        break;
      }
      p += k;
    } else {
      cp = Cp1252ToUnicode(*p++);
    }
    if (encoding_ == XmlEncoding::Ansi) {
      PutAnsi(scratch_, cp);
    } else if (encoding_ == XmlEncoding::Utf8) {
      Utf8Append(scratch_, cp);
    } else if (cp > 0xFFFF) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
  WriteOut(scratch_);
}

void TXmlCodecStream::FinishWriting() {
  if (mode_ != 2 || pending_.empty()) return;
  // The text ended inside a character: what stands there is written as a replacement.
  pending_.clear();
  static const char kReplacement[] = "\xEF\xBF\xBD";
  if (internalUtf8_) WriteBufCoded(reinterpret_cast<const uint8_t*>(kReplacement), 0, 3);
}
