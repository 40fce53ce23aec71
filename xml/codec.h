#pragma once
// Encodings and conversion streams of the XML library.
//
// Loading and saving never touch the caller's stream directly: a buffered stream sits on it and a
// codec stream on the buffered one. The codec detects the external encoding from the first bytes
// (byte-order mark or the first characters of an XML text), skips or writes the mark, and converts
// between the external encoding and the internal form: windows-1252 for TXmlAnsiStream, UTF-8 for
// TXmlUtf8Stream.
//
// As a TStream the codec reads one character byte per call and steps back over one or two
// characters; the parser uses the block interface (ReadBlock), which converts 64 KiB at a time.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/streams.h"

// Encoding codes (a document's StreamEncoding).
namespace XmlEncoding {
constexpr uint8_t Ansi = 0;             // 8-bit text (windows-1252)
constexpr uint8_t Ucs4BE = 1;           // rejected
constexpr uint8_t Ucs4LE = 2;           // detected, rejected when a character is read
constexpr uint8_t Ucs4Order2143 = 3;    // rejected
constexpr uint8_t Ucs4Order3412 = 4;    // rejected
constexpr uint8_t Utf16BENoMark = 5;
constexpr uint8_t Utf16LENoMark = 6;
constexpr uint8_t Utf8 = 7;
constexpr uint8_t Utf16BE = 8;
constexpr uint8_t Utf16LE = 9;
constexpr uint8_t Ebcdic = 10;          // rejected
}  // namespace XmlEncoding

// Byte-order marks and first characters of an XML text, in the order they are tried.
struct TXmlEncodingRow {
  uint8_t pattern[4];
  uint32_t length;  // how many pattern bytes count
  uint8_t code;
  uint8_t mark;     // the pattern is a byte-order mark
};
extern const TXmlEncodingRow EncodingTable[15];

// Reads until `count` bytes or the end of the stream (a stream may give less than asked before
// its end); answers the bytes read.
int64_t ReadFully(TStream& stream, void* buffer, int64_t count);

// A stream over a copy of a string's bytes, positioned at its start; what is written to it is
// read back whole by StringStreamData.
class TXmlStringStream : public TMemoryStream {
  FANO_CLASS(TXmlStringStream)
 public:
  explicit TXmlStringStream(std::string_view text = {});
  std::string StringStreamData();
};

// Reads the source in 64 KiB blocks; single-byte reads inside a block take an inline path.
class TXmlBufferedReadStream : public TStream {
  FANO_CLASS(TXmlBufferedReadStream)
 public:
  static constexpr int64_t BlockSize = 65536;
  TXmlBufferedReadStream(TStream* source, bool ownsSource);
  ~TXmlBufferedReadStream() override;
  int64_t Read(void* buffer, int64_t count) override {
    // The last byte of a block goes the slow way, which loads the next block after it.
    if (count == 1 && !needsUpdate_ && offset_ < valid_ - 1) {
      *static_cast<uint8_t*>(buffer) = buffer_[offset_++];
      ++position_;
      return 1;
    }
    return ReadSlow(buffer, count);
  }
  // Raises EStreamError "Cannot write to an UTF stream opened for reading".
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return source_->Size(); }

 private:
  int64_t ReadSlow(void* buffer, int64_t count);
  void Update();
  TStream* source_;
  bool ownsSource_;
  std::unique_ptr<uint8_t[]> buffer_;
  int64_t block_ = -1;
  int64_t offset_ = 0;
  int64_t valid_ = 0;
  int64_t position_ = 0;
  bool needsUpdate_ = true;
};

// Gathers writes into 64 KiB blocks. Every block written is checked: a destination that takes
// fewer bytes raises EStreamError "Cannot write to output stream". Call Flush before the end so that
// the error reaches the caller (the destructor writes out what is left and cannot report).
class TXmlBufferedWriteStream : public TStream {
  FANO_CLASS(TXmlBufferedWriteStream)
 public:
  static constexpr int64_t BlockSize = 65536;
  TXmlBufferedWriteStream(TStream* destination, bool ownsDestination);
  ~TXmlBufferedWriteStream() override;
  // Raises EStreamError "Cannot read from a conversion stream opened for writing".
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  // Only queries of the position succeed; anything else raises "Cannot perform seek on codec
  // stream".
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return position_; }
  void Flush();

 private:
  TStream* destination_;
  bool ownsDestination_;
  std::unique_ptr<uint8_t[]> buffer_;
  int64_t used_ = 0;
  int64_t position_ = 0;
  bool failed_ = false;
};

class TXmlCodecStream : public TStream {
  FANO_CLASS(TXmlCodecStream)
 public:
  ~TXmlCodecStream() override;

  // One converted byte per call (Count must be 1); 0 at the end. The first call detects the
  // encoding. A zero byte in the converted text reads as the end.
  int64_t Read(void* buffer, int64_t count) override;
  // Converts Count bytes of internal text; the first call writes the byte-order mark of Encoding.
  int64_t Write(const void* buffer, int64_t count) override;
  // Position queries, and stepping back over the last one or two characters read.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

  uint8_t Encoding() const noexcept { return encoding_; }
  void SetEncoding(uint8_t code) noexcept { encoding_ = code; }
  bool InternalUtf8() const noexcept { return internalUtf8_; }
  // Called once, the first time a character does not fit the internal or external 8-bit form.
  std::function<void()> LossNotice;

  // ---- block interface of the parser ----
  // Converts the next block of the source and appends it to `out`; false at the end (nothing
  // appended). Detects the encoding on the first call.
  bool ReadBlock(std::string& out);
  // Where in the source the first `consumed` bytes of the last block end.
  int64_t BlockSourcePosition(size_t consumed);
  // Repositions the source after the first `consumed` bytes of the last block, so that the next
  // read (byte or block) starts there.
  void UnreadBlock(size_t consumed);

  // Raw bytes converted per block (64 KiB; tests use small blocks to put boundaries everywhere).
  void SetBlockSize(int64_t bytes) noexcept { blockSize_ = bytes > 0 ? bytes : 1; }

  // Writes an incomplete character left at the end of the written text (as a replacement).
  void FinishWriting();

 protected:
  TXmlCodecStream(TStream* inner, bool internalUtf8);
  // Reads the next character of the source and gives its first internal byte (0 at the end).
  virtual int ReadCharCoded();
  void StorePrevPositions();
  virtual void WriteCharCoded(uint8_t c) { WriteBufCoded(&c, 0, 1); }
  virtual void WriteBufCoded(const uint8_t* buffer, int64_t offset, int64_t count);

 private:
  void StartReading();
  void StartWriting();
  void Lost();
  // The windows-1252 byte of a character, or "?" (and the loss notice).
  void PutAnsi(std::string& out, char32_t cp);
  // Decodes one character of raw bytes; answers the bytes it took (0: incomplete at the end).
  size_t DecodeOne(const uint8_t* p, const uint8_t* end, bool atEnd, std::string& out);
  bool PassThrough() const noexcept;
  void WriteOut(const std::string& bytes);

  TStream* inner_;
  bool internalUtf8_;
  std::string pending_;       // bytes of the current character (reading) or gathered (writing)
  size_t pendingIndex_ = 0;
  uint8_t encoding_ = 0;
  uint8_t mode_ = 0;          // 0 not started, 1 reading, 2 writing
  int64_t currentMark_ = 0;
  int64_t previousMark_ = 0;
  bool swap_ = false;
  bool lossNoticed_ = false;
  bool markFlag_ = false;
  // Block reading: the raw bytes of the last block, where they start, and a cursor that maps
  // converted offsets back to raw ones.
  std::string raw_;
  int64_t blockSize_ = 65536;
  int64_t rawStart_ = 0;
  size_t trackRaw_ = 0;
  size_t trackOut_ = 0;
  std::string scratch_;
};

// Internal text in windows-1252.
class TXmlAnsiStream : public TXmlCodecStream {
  FANO_CLASS(TXmlAnsiStream)
 public:
  explicit TXmlAnsiStream(TStream* inner) : TXmlCodecStream(inner, false) {}
};

// Internal text in UTF-8.
class TXmlUtf8Stream : public TXmlCodecStream {
  FANO_CLASS(TXmlUtf8Stream)
 public:
  explicit TXmlUtf8Stream(TStream* inner) : TXmlCodecStream(inner, true) {}
};
