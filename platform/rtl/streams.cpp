#include "platform/rtl/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/rtl/exceptions.h"

FANO_IMPLEMENT_ABSTRACT(TStream, TObject)
FANO_IMPLEMENT_ABSTRACT(TCustomMemoryStream, TStream)
FANO_IMPLEMENT_CLASS(TMemoryStream, TCustomMemoryStream)
FANO_IMPLEMENT_ABSTRACT(THandleStream, TStream)
FANO_IMPLEMENT_ABSTRACT(TFileStream, THandleStream)
FANO_IMPLEMENT_CLASS(TStringStream, TStream)

// ---- TStream ----

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  if (count < 0) return 0;
  constexpr int64_t kChunk = 64 * 1024;
  std::vector<char> buffer(static_cast<size_t>(std::min(count, kChunk)));
  int64_t left = count;
  while (left > 0) {
    int64_t n = std::min(left, kChunk);
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

int64_t TStream::Size() {
  int64_t pos = Seek(0, soFromCurrent);
  int64_t size = Seek(0, soFromEnd);
  Seek(pos, soFromBeginning);
  return size;
}

void TStream::SetSize(int64_t) {}

std::string TStream::ReadString(int64_t count) {
  std::string s;
  if (count <= 0) return s;
  s.resize(static_cast<size_t>(count));
  int64_t n = Read(s.data(), count);
  s.resize(static_cast<size_t>(std::max<int64_t>(n, 0)));
  return s;
}

// ---- memory streams ----

namespace {
// Position arithmetic that cannot overflow: an origin outside the known range gives the position
// unchanged; a result beyond int64 is clamped.
int64_t AddClamped(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_add_overflow(a, b, &r)) return b > 0 ? INT64_MAX : INT64_MIN;
  return r;
}
}  // namespace

int64_t TCustomMemoryStream::Read(void* buffer, int64_t count) {
  if (position_ < 0 || count <= 0 || position_ >= size_) return 0;
  int64_t n = std::min(size_ - position_, count);
  std::memcpy(buffer, static_cast<char*>(memory_) + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case soFromBeginning: position_ = offset; break;
    case soFromCurrent: position_ = AddClamped(position_, offset); break;
    case soFromEnd: position_ = AddClamped(size_, offset); break;
  }
  return position_;
}

void TCustomMemoryStream::SaveToStream(TStream& stream) {
  if (size_ != 0) stream.WriteBuffer(memory_, size_);
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream f(fileName, fmCreate);
  SaveToStream(f);
}

TMemoryStream::~TMemoryStream() { std::free(Memory()); }

void* TMemoryStream::Realloc(int64_t& newCapacity) {
  constexpr int64_t kMemoryDelta = 8192;
  if (newCapacity > 0 && newCapacity != Size()) {
    if (newCapacity > INT64_MAX - kMemoryDelta) throw EStreamError("Out of memory while expanding memory stream");
    newCapacity = (newCapacity + (kMemoryDelta - 1)) & ~(kMemoryDelta - 1);
  }
  return ReallocBlock(newCapacity);
}

void* TMemoryStream::ReallocBlock(int64_t newCapacity) {
  void* block = Memory();
  if (newCapacity == capacity_) return block;
  if (newCapacity <= 0) {
    std::free(block);
    return nullptr;
  }
  if (static_cast<uint64_t>(newCapacity) > SIZE_MAX / 2) throw EStreamError("Out of memory while expanding memory stream");
  void* grown = std::realloc(block, static_cast<size_t>(newCapacity));
  if (!grown) throw EStreamError("Out of memory while expanding memory stream");
  return grown;
}

void TMemoryStream::SetCapacity(int64_t newCapacity) {
  void* block = Realloc(newCapacity);
  capacity_ = std::max<int64_t>(newCapacity, 0);
  // The size never exceeds the capacity (a growth rule may shrink below it).
  SetPointer(block, std::min(Size(), capacity_));
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (position_ < 0 || count <= 0) return 0;
  int64_t newPos = AddClamped(position_, count);
  if (newPos == INT64_MAX) return 0;
  if (newPos > Size()) {
    if (newPos > capacity_) SetCapacity(newPos);
    if (newPos > capacity_) throw EStreamError("Out of memory while expanding memory stream");
    int64_t oldSize = Size();
    // A gap left by seeking past the end reads as zeros.
    if (position_ > oldSize) std::memset(static_cast<char*>(Memory()) + oldSize, 0, static_cast<size_t>(position_ - oldSize));
    SetPointer(Memory(), newPos);
  }
  std::memcpy(static_cast<char*>(Memory()) + position_, buffer, static_cast<size_t>(count));
  position_ = newPos;
  return count;
}

void TMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0) newSize = 0;
  int64_t oldSize = Size();
  int64_t oldPosition = position_;
  SetCapacity(newSize);
  if (newSize > capacity_) throw EStreamError("Out of memory while expanding memory stream");
  if (newSize > oldSize) std::memset(static_cast<char*>(Memory()) + oldSize, 0, static_cast<size_t>(newSize - oldSize));
  SetPointer(Memory(), newSize);
  if (oldPosition > newSize) Seek(0, soFromEnd);
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  SetPointer(Memory(), 0);
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  int64_t count = stream.Size();
  SetSize(count);
  if (count != 0) stream.ReadBuffer(Memory(), count);
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

// ---- file streams ----

int64_t THandleStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || handle_ < 0) return 0;
  int64_t done = 0;
  while (done < count) {
    ssize_t n = ::read(handle_, static_cast<char*>(buffer) + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t THandleStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || handle_ < 0) return 0;
  int64_t done = 0;
  while (done < count) {
    ssize_t n = ::write(handle_, static_cast<const char*>(buffer) + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == soFromCurrent ? SEEK_CUR : (origin == soFromEnd ? SEEK_END : SEEK_SET);
  off_t r = ::lseek(handle_, static_cast<off_t>(offset), whence);
  return r < 0 ? -1 : static_cast<int64_t>(r);
}

void THandleStream::SetSize(int64_t newSize) {
  if (newSize < 0 || ::ftruncate(handle_, static_cast<off_t>(newSize)) != 0) throw EWriteError("Stream write error");
  if (Position() > newSize) Seek(0, soFromEnd);
}

TFileStream::TFileStream(const std::string& fileName, uint16_t mode) : THandleStream(-1), fileName_(fileName) {
  if (mode == fmCreate) {
    handle_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (handle_ < 0) throw EFCreateError("Cannot create file \"" + fileName + "\"");
    return;
  }
  int flags = O_CLOEXEC;
  switch (mode & 0x0003) {
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
  }
  handle_ = ::open(fileName.c_str(), flags);
  struct stat st {};
  if (handle_ >= 0 && (::fstat(handle_, &st) != 0 || S_ISDIR(st.st_mode))) {
    ::close(handle_);
    handle_ = -1;
  }
  if (handle_ < 0) throw EFOpenError("Cannot open file \"" + fileName + "\"");
}

TFileStream::~TFileStream() {
  if (handle_ >= 0) ::close(handle_);
}

// ---- string stream ----

int64_t TStringStream::Read(void* buffer, int64_t count) {
  int64_t size = Size();
  if (position_ < 0 || count <= 0 || position_ >= size) return 0;
  int64_t n = std::min(size - position_, count);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TStringStream::Write(const void* buffer, int64_t count) {
  if (position_ < 0 || count <= 0) return 0;
  int64_t end = AddClamped(position_, count);
  if (end == INT64_MAX || static_cast<uint64_t>(end) > data_.max_size()) return 0;
  // Writing overwrites in place and extends; a gap left by seeking past the end reads as zeros.
  if (end > Size()) data_.resize(static_cast<size_t>(end), '\0');
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TStringStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case soFromBeginning: position_ = offset; break;
    case soFromCurrent: position_ = AddClamped(position_, offset); break;
    case soFromEnd: position_ = AddClamped(Size(), offset); break;
  }
  return position_;
}

void TStringStream::SetSize(int64_t newSize) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(newSize, 0)), '\0');
  if (position_ > newSize) position_ = Size();
}
