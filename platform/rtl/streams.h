#pragma once
// Streams: TStream (the abstract byte stream), TMemoryStream (a growable block with an
// overridable growth rule), TFileStream (a file), TStringStream (a string).
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/classinfo.h"

// Seek origins.
enum TSeekOrigin : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };
constexpr TSeekOrigin soBeginning = soFromBeginning;
constexpr TSeekOrigin soCurrent = soFromCurrent;
constexpr TSeekOrigin soEnd = soFromEnd;

class TStream : public TObject {
  FANO_CLASS(TStream)
 public:
  // Bytes actually read or written (0 at the end, on error or for a count below 1).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position and answers the new one.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  // Reads or writes exactly count bytes, else raises EReadError "Stream read error" /
  // EWriteError "Stream write error".
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes from the source's position; a count of 0 copies the whole source from its
  // start. Answers the bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);

  int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soFromBeginning); }
  virtual int64_t Size();
  // The base class cannot change its size and does nothing.
  virtual void SetSize(int64_t newSize);

  // Helpers for text: the bytes of s; the next count bytes (fewer at the end).
  void WriteString(std::string_view s) { WriteBuffer(s.data(), static_cast<int64_t>(s.size())); }
  std::string ReadString(int64_t count);
};

// A stream over a block of memory that the descendant provides.
class TCustomMemoryStream : public TStream {
  FANO_CLASS(TCustomMemoryStream)
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return size_; }
  void SaveToStream(TStream& stream);
  void SaveToFile(const std::string& fileName);

  void* Memory() const noexcept { return memory_; }

 protected:
  void SetPointer(void* ptr, int64_t size) noexcept {
    memory_ = ptr;
    size_ = size;
  }
  int64_t position_ = 0;

 private:
  void* memory_ = nullptr;
  int64_t size_ = 0;
};

class TMemoryStream : public TCustomMemoryStream {
  FANO_CLASS(TMemoryStream)
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;

  int64_t Write(const void* buffer, int64_t count) override;
  void SetSize(int64_t newSize) override;
  void Clear();
  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);

  int64_t Capacity() const noexcept { return capacity_; }

 protected:
  // Growth rule: given the capacity asked for, may raise it (the base rounds a non-zero request
  // that differs from the size up to a multiple of 8192), and answers the block for the final
  // capacity, usually through ReallocBlock.
  virtual void* Realloc(int64_t& newCapacity);
  // Resizes the current block to exactly newCapacity bytes (0 frees it) and answers it; raises
  // EStreamError "Out of memory while expanding memory stream" leaving the block as it was.
  void* ReallocBlock(int64_t newCapacity);
  void SetCapacity(int64_t newCapacity);

 private:
  int64_t capacity_ = 0;
};

// A stream over an open file descriptor.
class THandleStream : public TStream {
  FANO_CLASS(THandleStream)
 public:
  explicit THandleStream(int handle) : handle_(handle) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  // Truncates or extends the file; raises EWriteError "Stream write error" when it cannot.
  void SetSize(int64_t newSize) override;
  int Handle() const noexcept { return handle_; }

 protected:
  int handle_;
};

// File modes: one access mode, optionally or'ed with a share mode (accepted, not enforced).
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TFileStream : public THandleStream {
  FANO_CLASS(TFileStream)
 public:
  // fmCreate creates or empties the file (EFCreateError "Cannot create file \"%s\""); the open
  // modes open an existing file (EFOpenError "Cannot open file \"%s\""; a directory is refused).
  TFileStream(const std::string& fileName, uint16_t mode);
  ~TFileStream() override;
  const std::string& FileName() const noexcept { return fileName_; }

 private:
  std::string fileName_;
};

// A stream over a string of bytes.
class TStringStream : public TStream {
  FANO_CLASS(TStringStream)
 public:
  explicit TStringStream(std::string data = {}) : data_(std::move(data)) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t newSize) override;

  const std::string& DataString() const noexcept { return data_; }

 private:
  std::string data_;
  int64_t position_ = 0;
};
