#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml/convert.h"

namespace {

struct XmlConvertToUtf8Case {
  const char* what;
  std::u16string source;
  int64_t destSize;
  int64_t result;
  std::string written;  // the bytes before the terminator
};

TEST(XmlConvert, Utf16ToUtf8BufWritesWholeSequencesAndATerminator) {
  const XmlConvertToUtf8Case cases[] = {
      {"ascii", u"abc", 10, 4, "abc"},
      {"two and three bytes", u"\u00E9\u4E2D", 10, 6, "\xC3\xA9\xE4\xB8\xAD"},
      {"a surrogate pair is two units", u"\U0001F600", 10, 7, "\xED\xA0\xBD\xED\xB8\x80"},
      {"empty", u"", 4, 1, ""},
      // Full: the terminator takes the place of the last byte.
      {"exactly full", u"abc", 3, 3, "ab"},
      {"a sequence that does not fit is left out", u"a\u4E2D", 3, 2, "a"},
      {"room for one byte", u"abc", 1, 1, ""},
  };
  for (const XmlConvertToUtf8Case& c : cases) {
    std::vector<char> dest(static_cast<size_t>(c.destSize) + 4, 'X');
    EXPECT_EQ(Utf16ToUtf8Buf(dest.data(), c.destSize, c.source.data(), static_cast<int64_t>(c.source.size())), c.result)
        << c.what;
    EXPECT_EQ(std::string(dest.data()), c.written) << c.what;
    EXPECT_EQ(dest[static_cast<size_t>(c.destSize)], 'X') << c.what << ": nothing beyond the destination";
  }
  char buf[4] = {'X', 'X', 'X', 'X'};
  EXPECT_EQ(Utf16ToUtf8Buf(nullptr, 4, u"a", 1), 0);
  EXPECT_EQ(Utf16ToUtf8Buf(buf, 4, nullptr, 1), 0);
  EXPECT_EQ(Utf16ToUtf8Buf(buf, 0, u"a", 1), 0);
  EXPECT_EQ(buf[0], 'X');
}

struct XmlConvertToUtf16Case {
  const char* what;
  std::string source;
  int64_t destCount;
  int64_t result;
  std::u16string written;  // the units before the terminator (when the result is not -1)
};

TEST(XmlConvert, Utf8ToUtf16BufReadsUpToThreeBytesASequence) {
  const XmlConvertToUtf16Case cases[] = {
      {"ascii", "abc", 10, 4, u"abc"},
      {"two and three bytes", "\xC3\xA9\xE4\xB8\xAD", 10, 3, u"\u00E9\u4E2D"},
      {"empty", "", 4, 1, u""},
      {"a lead byte at the end", "a\xC3", 10, -1, u""},
      {"a three-byte lead at the end", "\xE4", 10, -1, u""},
      {"a three-byte sequence cut after its first continuation", "\xE4\xB8", 10, -1, u""},
      {"no continuation after a two-byte lead", "\xC3" "a", 10, -1, u""},
      {"no continuation in a three-byte sequence", "\xE4" "a\xAD", 10, -1, u""},
      {"a four-byte lead is read as a three-byte one, kept to 16 bits", "\xF0\x9F\x98" "a", 10, 3, u"\x07D8" "a"},
      {"so the fourth byte of its sequence stands alone at the end", "\xF0\x9F\x98\x80", 10, -1, u""},
      // Full: the terminator takes the place of the last unit.
      {"exactly full", "abc", 3, 3, u"ab"},
      {"more than fits", "abcdef", 3, 3, u"ab"},
  };
  for (const XmlConvertToUtf16Case& c : cases) {
    std::vector<char16_t> dest(static_cast<size_t>(c.destCount) + 2, u'X');
    EXPECT_EQ(Utf8ToUtf16Buf(dest.data(), c.destCount, c.source.data(), static_cast<int64_t>(c.source.size())), c.result)
        << c.what;
    if (c.result > 0) {
      EXPECT_EQ(std::u16string(dest.data()), c.written) << c.what;
    }
    EXPECT_EQ(dest[static_cast<size_t>(c.destCount)], u'X') << c.what << ": nothing beyond the destination";
  }
  char16_t buf[2] = {u'X', u'X'};
  EXPECT_EQ(Utf8ToUtf16Buf(nullptr, 2, "a", 1), 0);
  EXPECT_EQ(Utf8ToUtf16Buf(buf, 2, nullptr, 1), 0);
  EXPECT_EQ(Utf8ToUtf16Buf(buf, 0, "a", 1), 0);
  EXPECT_EQ(buf[0], u'X');
}

TEST(XmlConvert, StringConversions) {
  EXPECT_EQ(WideToUtf8(u"a\u00E9\u4E2D"), "a\xC3\xA9\xE4\xB8\xAD");
  EXPECT_EQ(WideToUtf8(u""), "");
  EXPECT_EQ(WideToUtf8(u"\U0001F600"), "\xED\xA0\xBD\xED\xB8\x80");
  EXPECT_EQ(Utf8ToWide("a\xC3\xA9\xE4\xB8\xAD"), u"a\u00E9\u4E2D");
  EXPECT_EQ(Utf8ToWide(""), u"");
  // An invalid sequence anywhere gives nothing at all.
  EXPECT_EQ(Utf8ToWide("abc\xC3"), u"");
  EXPECT_EQ(Utf8ToWide("ab\xC3" "cd"), u"");
  // The 8-bit set is windows-1252.
  EXPECT_EQ(AnsiToUtf8("a\xE9\x80"), "a\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Utf8ToAnsi("a\xC3\xA9\xE2\x82\xAC"), "a\xE9\x80");
  EXPECT_EQ(Utf8ToAnsi("\xE4\xB8\xAD" "b"), "?b");
  EXPECT_EQ(Utf8ToAnsi("x\xC3"), "");
  for (int b = 1; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    const std::string back = Utf8ToAnsi(AnsiToUtf8(one));
    // The five bytes windows-1252 leaves undefined may come back as "?".
    if (back != "?") {
      EXPECT_EQ(back, one) << b;
    }
  }
}

}  // namespace
