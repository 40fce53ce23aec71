#include "platform/rtl/streams.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/lists.h"

namespace {

std::string TempPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/fano_streams_" + std::to_string(getpid()) + "_" + name;
}

// Grows in steps of a given size, the way a descendant tunes the growth rule.
class StepStream : public TMemoryStream {
 public:
  explicit StepStream(int64_t step) : step_(step) {}
  int reallocs = 0;

 protected:
  void* Realloc(int64_t& newCapacity) override {
    ++reallocs;
    if (newCapacity > 0 && newCapacity != Size()) newCapacity = (newCapacity + step_ - 1) / step_ * step_;
    return ReallocBlock(newCapacity);
  }

 private:
  int64_t step_;
};

}  // namespace

TEST(TMemoryStreamTest, WriteReadSeekAndSize) {
  TMemoryStream m;
  m.WriteString("hello");
  EXPECT_EQ(m.Position(), 5);
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(m.Capacity(), 8192);  // the base rounds to 8 KiB
  EXPECT_EQ(m.Seek(-2, soFromEnd), 3);
  EXPECT_EQ(m.ReadString(10), "lo");  // short at the end
  EXPECT_EQ(m.Read(nullptr, 0), 0);
  m.SetPosition(1);
  m.WriteString("EL");
  EXPECT_EQ(std::string(static_cast<char*>(m.Memory()), 5), "hELlo");
  // Seeking past the end and writing leaves zeros in the gap.
  m.Seek(8, soFromBeginning);
  m.WriteString("!");
  EXPECT_EQ(m.Size(), 9);
  EXPECT_EQ(std::memcmp(static_cast<char*>(m.Memory()) + 5, "\0\0\0!", 4), 0);
  // A negative position reads and writes nothing.
  m.Seek(-100, soFromCurrent);
  char c;
  EXPECT_EQ(m.Read(&c, 1), 0);
  EXPECT_EQ(m.Write("x", 1), 0);
}

TEST(TMemoryStreamTest, SetSizeKeepsPositionInsideAndClearFrees) {
  TMemoryStream m;
  m.WriteString("abcdef");
  m.SetSize(3);
  EXPECT_EQ(m.Size(), 3);
  EXPECT_EQ(m.Position(), 3);  // moved back to the new end
  m.SetSize(10);
  EXPECT_EQ(m.Size(), 10);
  m.SetPosition(3);
  EXPECT_EQ(m.ReadString(7), std::string(7, '\0'));
  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Capacity(), 0);
  EXPECT_EQ(m.Memory(), nullptr);
}

TEST(TMemoryStreamTest, OverriddenGrowthRuleIsUsed) {
  StepStream m(100);
  m.WriteString("x");
  EXPECT_EQ(m.Capacity(), 100);
  std::string block(150, 'y');
  m.WriteString(block);
  EXPECT_EQ(m.Capacity(), 200);
  EXPECT_EQ(m.Size(), 151);
  EXPECT_GE(m.reallocs, 2);
}

TEST(TStreamTest, ReadBufferAndWriteBufferRaiseOnShortTransfers) {
  TMemoryStream m;
  m.WriteString("abc");
  m.SetPosition(0);
  char buf[8];
  try {
    m.ReadBuffer(buf, 4);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
  m.SetPosition(0);
  m.ReadBuffer(buf, 3);
  m.ReadBuffer(buf, 0);  // nothing asked, nothing raised

  std::string path = TempPath("ro");
  { TFileStream f(path, fmCreate); }
  {
    TFileStream ro(path, fmOpenRead);
    try {
      ro.WriteBuffer("x", 1);
      FAIL();
    } catch (const EWriteError& e) {
      EXPECT_STREQ(e.what(), "Stream write error");
    }
  }
  std::remove(path.c_str());
}

TEST(TStreamTest, CopyFromWholeSourceOrCount) {
  TStringStream src("0123456789");
  src.SetPosition(7);
  TMemoryStream dst;
  EXPECT_EQ(dst.CopyFrom(src, 0), 10);  // 0 copies everything from the start
  EXPECT_EQ(dst.Size(), 10);
  src.SetPosition(2);
  TStringStream part;
  EXPECT_EQ(part.CopyFrom(src, 3), 3);
  EXPECT_EQ(part.DataString(), "234");
  src.SetPosition(8);
  EXPECT_THROW(part.CopyFrom(src, 5), EReadError);
}

TEST(TFileStreamTest, CreateOpenAndErrors) {
  std::string path = TempPath("file");
  {
    TFileStream f(path, fmCreate);
    f.WriteString("费用垫付单");
    EXPECT_EQ(f.Size(), 15);
    EXPECT_EQ(f.FileName(), path);
  }
  {
    TFileStream f(path, fmOpenReadWrite | fmShareDenyNone);
    EXPECT_EQ(f.ReadString(6), "费用");
    f.Seek(0, soFromEnd);
    f.WriteString("!");
    f.SetSize(4);
    EXPECT_EQ(f.Size(), 4);
  }
  TMemoryStream m;
  m.LoadFromFile(path);
  EXPECT_EQ(m.Size(), 4);
  EXPECT_EQ(m.Position(), 0);
  std::remove(path.c_str());

  try {
    TFileStream f(path, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"" + path + "\"");
  }
  const std::string bad = "/nonexistent-dir-fano/x.bin";
  try {
    TFileStream f(bad, fmCreate);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + bad + "\"");
  }
  // A directory is not a file to read.
  EXPECT_THROW(TFileStream("/tmp", fmOpenRead), EFOpenError);
  // Both are stream errors.
  EXPECT_THROW(TFileStream(bad, fmOpenRead), EStreamError);
}

TEST(TStringStreamTest, OverwritesInPlaceAndExtends) {
  TStringStream s("abcdef");
  s.SetPosition(2);
  s.WriteString("XY");
  EXPECT_EQ(s.DataString(), "abXYef");  // the tail stays
  s.Seek(0, soFromEnd);
  s.WriteString("gh");
  EXPECT_EQ(s.DataString(), "abXYefgh");
  s.SetSize(3);
  EXPECT_EQ(s.DataString(), "abX");
  EXPECT_EQ(s.Position(), 3);
}

TEST(TStringsStreamTest, SaveAndLoadText) {
  TStringList a;
  a.Add("第一行");
  a.Add("second");
  TMemoryStream m;
  a.SaveToStream(m);
  EXPECT_EQ(m.Size(), static_cast<int64_t>(a.Text().size()));
  m.SetPosition(0);
  TStringList b;
  b.LoadFromStream(m);
  EXPECT_TRUE(b.Equals(&a));

  TStringStream bom("\xEF\xBB\xBFx\r\ny");
  b.LoadFromStream(bom);
  EXPECT_EQ(b.Count(), 2);
  EXPECT_EQ(b[0], "x");
}
