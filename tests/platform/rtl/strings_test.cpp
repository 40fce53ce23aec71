#include "platform/rtl/strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

TEST(CodePages, ChineseRoundTripsThroughCp936AndUtf16) {
  const std::string text = "费用垫付单 ABC 123";
  std::string gbk = Utf8ToCp936(text);
  // Each of the five Chinese characters takes two bytes in code page 936.
  EXPECT_EQ(gbk.size(), 5u * 2 + 8);
  EXPECT_EQ(static_cast<unsigned char>(gbk[0]), 0xB7);  // 费 = B7 D1
  EXPECT_EQ(static_cast<unsigned char>(gbk[1]), 0xD1);
  EXPECT_EQ(Cp936ToUtf8(gbk), text);
  EXPECT_EQ(Cp936Length(text), gbk.size());

  std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide.size(), 13u);
  EXPECT_EQ(Utf16ToUtf8(wide), text);
}

// Every form the decoder refuses is refused by the check too, wherever it stands among ASCII
// bytes (the check reads ASCII eight bytes at a time).
TEST(CodePages, Utf8CheckAgreesWithTheDecoder) {
  const std::vector<std::string> cases = {
      "", "plain ascii text of some length", "\u8d39\u7528\u57ab\u4ed8\u5355", "\uFFFD", "\U0001F600", "\U0010FFFF",
      "\x80", "\xC0\x80", "\xC1\xBF", "\xC2", "\xC3\x28", "\xE0\x80\x80", "\xE0\x9F\xBF", "\xE4\xB8",
      "\xED\xA0\x80", "\xED\xBF\xBF", "\xEF\xBF", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80",
      "\xF8", "\xFF", "\xF0\x9F\x98"};
  // What the decoder says: valid when every character decodes whole, or is a literal U+FFFD.
  auto decoderSays = [](std::string_view s) {
    for (size_t pos = 0; pos < s.size();) {
      const size_t before = pos;
      const char32_t cp = Utf8Decode(s, pos);
      if (cp == 0xFFFD && s.substr(before, pos - before) != "\uFFFD") return false;
    }
    return true;
  };
  for (const std::string& c : cases)
    for (size_t lead : {0, 3, 8, 13})
      for (size_t trail : {0, 1, 9}) {
        const std::string s = std::string(lead, 'a') + c + std::string(trail, 'z');
        EXPECT_EQ(IsValidUtf8(s), decoderSays(s)) << "case of " << c.size() << " bytes after " << lead;
      }
  EXPECT_TRUE(IsValidUtf8("\u8d39\u7528 and ascii \U0001F600"));
  EXPECT_FALSE(IsValidUtf8(std::string("abcdefgh\xED\xA0\x80ijklmnop")));
}

TEST(CodePages, InvalidInputIsReplacedNotLost) {
  // A stray continuation byte, a truncated sequence and an overlong form.
  std::string bad = std::string("a\x80") + "b\xE4\xB8" + "c\xC0\xAF";
  EXPECT_FALSE(IsValidUtf8(bad));
  std::string clean = SanitizeUtf8(bad);
  EXPECT_TRUE(IsValidUtf8(clean));
  EXPECT_EQ(clean, "a\uFFFDb\uFFFD\uFFFDc\uFFFD\uFFFD");

  // A lone surrogate in UTF-16 becomes U+FFFD; a pair becomes one four-byte character.
  std::u16string wide = u"x";
  wide.push_back(0xD800);
  wide += u"y\U0001F600";
  EXPECT_EQ(Utf16ToUtf8(wide), "x\uFFFDy\U0001F600");
  EXPECT_EQ(Utf8ToUtf16("\U0001F600").size(), 2u);

  // Code page 936 bytes that do not form a character are not dropped.
  std::string gbk = "A\x81";  // a lead byte with nothing after it
  std::string back = Cp936ToUtf8(gbk);
  EXPECT_EQ(back.substr(0, 1), "A");
  EXPECT_GT(back.size(), 1u);

  // A character outside the code page becomes '?'.
  EXPECT_EQ(Utf8ToCp936("a\U0001F600b"), "a?b");
  EXPECT_EQ(Cp936Length("a\U0001F600b"), 3u);
}

TEST(CodePages, TruncateNeverSplitsACharacter) {
  const std::string text = "ab中文";
  EXPECT_EQ(Cp936Truncate(text, 3), "ab");
  EXPECT_EQ(Cp936Truncate(text, 4), "ab中");
  EXPECT_EQ(Cp936Truncate(text, 5), "ab中");
  EXPECT_EQ(Cp936Truncate(text, 6), text);
  EXPECT_EQ(Cp936Truncate(text, 0), "");
  EXPECT_EQ(Cp936Length("€"), 1u);  // code page 936 holds the euro sign in one byte
}

// The reference: every character decoded in turn and its length read from the code page.
static size_t Cp936PrefixByDecoding(std::string_view text, size_t maxBytes) {
  size_t total = 0, pos = 0;
  while (pos < text.size()) {
    const size_t start = pos;
    total += static_cast<size_t>(Cp936CharLength(Utf8Decode(text, pos)));
    if (total > maxBytes) return start;
  }
  return text.size();
}

TEST(CodePages, NoCharacterIsLongerInTheCodePageThanInUtf8) {
  // What lets a text no longer in UTF-8 than the limit pass without being read.
  for (char32_t cp = 1; cp < 0x110000; cp = cp < 0x10000 ? cp + 1 : cp + 0x1001) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string one;
    Utf8Append(one, cp);
    ASSERT_LE(Cp936Length(one), one.size()) << static_cast<uint32_t>(cp);
    ASSERT_EQ(Cp936Length(one), static_cast<size_t>(Cp936CharLength(cp))) << static_cast<uint32_t>(cp);
  }
}

TEST(CodePages, PrefixLengthsAgreeWithDecodingEveryCharacter) {
  // Chinese, ASCII, two- and four-byte characters, the euro sign (one byte in the code page), and
  // broken sequences: a lone lead, a cut sequence, an overlong form, a surrogate, a stray
  // continuation byte.
  const char* pieces[] = {"费", "用", "a", "Z", " ", "é", "€", "\U0001F600", "\xE4", "\xE4\xB8", "\xC0\xAF", "\xE0\x80\xAF",
                          "\xED\xA0\x80", "\x80", "\xEF\xBF\xBD", "\xE0\xA4\x85", "\xEC\x9C\x84"};
  std::mt19937 rng(5);
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    for (int k = static_cast<int>(rng() % 12); k > 0; --k) text += pieces[rng() % std::size(pieces)];
    size_t total = 0;
    for (size_t pos = 0; pos < text.size();) total += static_cast<size_t>(Cp936CharLength(Utf8Decode(text, pos)));
    ASSERT_EQ(Cp936Length(text), total) << i;
    for (size_t limit = 0; limit <= text.size() + 1; ++limit) {
      ASSERT_EQ(Cp936PrefixLength(text, limit), Cp936PrefixByDecoding(text, limit)) << i << " " << limit;
      ASSERT_EQ(Cp936Truncate(text, limit), text.substr(0, Cp936PrefixByDecoding(text, limit)));
    }
  }
}

TEST(CodePages, TextsLongerInUtf8ThanTheLimitAreMeasuredByTheirCharacters) {
  // Eight bytes in UTF-8, six in the code page.
  const std::string text = "a费用b";
  EXPECT_EQ(Cp936PrefixLength(text, 6), text.size());
  EXPECT_EQ(Cp936PrefixLength(text, 7), text.size());
  EXPECT_EQ(Cp936PrefixLength(text, 5), std::string("a费用").size());
  EXPECT_EQ(Cp936PrefixLength(text, 4), std::string("a费").size());
  // A Korean character is one '?' in the code page (counted at two it would not fit); a cut
  // sequence and a lone lead are read by the decoder.
  const std::string others[] = {"\xEC\x9C\x84\xEC\x9C\x84" "ab", "费用\xE4\xB8", "\xE4" "费用ab", "费\xE4\xB8" "a用"};
  EXPECT_EQ(Cp936Length(others[0]), 4u);
  EXPECT_EQ(Cp936PrefixLength(others[0], 4), others[0].size());
  for (const std::string& t : others)
    for (size_t limit = 0; limit <= t.size(); ++limit)
      EXPECT_EQ(Cp936PrefixLength(t, limit), Cp936PrefixByDecoding(t, limit)) << t << " " << limit;
}

TEST(CodePages, Windows1252ReportsLoss) {
  bool lost = true;
  EXPECT_EQ(Utf8ToCp1252("café", &lost), "caf\xE9");
  EXPECT_FALSE(lost);
  EXPECT_EQ(Utf8ToCp1252("a中?", &lost), "a??");
  EXPECT_TRUE(lost);
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "€");
}

TEST(Collation, ChineseNamesSortByPinyin) {
  // 阿 (a), 北 (bei), 陈 (chen), 张 (zhang) in pinyin order, whatever their code points.
  std::vector<std::string> names = {"张三", "陈五", "阿四", "北京"};
  std::sort(names.begin(), names.end(), [](auto& a, auto& b) { return AnsiCompareStr(a, b) < 0; });
  EXPECT_EQ(names, (std::vector<std::string>{"阿四", "北京", "陈五", "张三"}));
}

TEST(Collation, CaseSensitivityAndCompareStringResults) {
  EXPECT_NE(AnsiCompareStr("abc", "ABC"), 0);
  EXPECT_EQ(AnsiCompareText("abc", "ABC"), 0);
  EXPECT_LT(AnsiCompareText("apple", "Banana"), 0);
  EXPECT_EQ(CompareStringLocale(NORM_IGNORECASE, "abc", -1, "ABC", -1), CSTR_EQUAL);
  EXPECT_EQ(CompareStringLocale(0, "a", -1, "b", -1), CSTR_LESS_THAN);
  EXPECT_EQ(CompareStringLocale(0, "b", 1, "abc", 1), CSTR_GREATER_THAN);
  // An explicit length cuts the text; -1 stops at a terminating zero.
  EXPECT_EQ(CompareStringLocale(0, "abX", 2, "abY", 2), CSTR_EQUAL);
  EXPECT_EQ(CompareStringLocale(0, std::string_view("ab\0X", 4), -1, "ab", -1), CSTR_EQUAL);
}

TEST(Collation, SortKeysOrderAsTheCollation) {
  // Keys compare as the texts collate, for mixed case, punctuation, digits and Chinese.
  const char* parts[] = {"a", "A", "b", "-", " ", "1", "张", "陈", "é", "E", "_", "ab"};
  std::vector<std::string> texts{""};
  for (const char* x : parts)
    for (const char* y : parts) texts.push_back(std::string(x) + y);
  for (const std::string& a : texts) {
    for (const std::string& b : texts) {
      int byCollation = AnsiCompareStr(a, b);
      int byKey = AnsiSortKey(a).compare(AnsiSortKey(b));
      ASSERT_EQ(byCollation < 0, byKey < 0) << a << " / " << b;
      ASSERT_EQ(byCollation == 0, byKey == 0) << a << " / " << b;
      ASSERT_EQ(AnsiCompareText(a, b) == 0, AnsiSortKey(a, true) == AnsiSortKey(b, true)) << a << " / " << b;
    }
  }
  EXPECT_TRUE(AnsiSortKey("").empty() || AnsiSortKey("") < AnsiSortKey("a"));
}

TEST(Collation, SortPrefixesThatDifferOrderAsTheCollation) {
  // Texts of one to three parts, many sharing long beginnings (equal prefixes) and many short
  // (whole keys under eight bytes): a difference in the prefixes must agree with the collator.
  const char* parts[] = {"a", "A", "b", "-", " ", "1", "张", "陈", "é", "E", "费用垫付单", "Expense "};
  std::vector<std::string> texts{""};
  for (const char* x : parts)
    for (const char* y : parts) {
      texts.push_back(std::string(x) + y);
      for (const char* z : {"a", "张", "B"}) texts.push_back(std::string(x) + y + z);
    }
  int decided = 0;
  for (const std::string& a : texts) {
    for (const std::string& b : texts) {
      const uint64_t pa = AnsiSortPrefix(a), pb = AnsiSortPrefix(b);
      const int byCollation = AnsiCompareStr(a, b);
      if (byCollation == 0) {
        ASSERT_EQ(pa, pb) << a << " / " << b;
      }
      if (pa == pb) continue;
      ++decided;
      ASSERT_EQ(pa < pb, byCollation < 0) << a << " / " << b;
    }
  }
  // Most pairs are decided by the prefixes alone.
  EXPECT_GT(decided, static_cast<int>(texts.size() * texts.size() / 2));
  EXPECT_LT(AnsiSortPrefix(""), AnsiSortPrefix("a"));
  EXPECT_EQ(AnsiSortPrefix("费用垫付单甲"), AnsiSortPrefix("费用垫付单乙"));
}

TEST(Collation, SameTextAgreesWithTheCollationOnPrintableAscii) {
  // AnsiSameText answers printable ASCII without the collator: it must say what the collator says,
  // for every pair of one and two characters, and beside other text.
  std::vector<std::string> texts{""};
  for (char c = 0x20; c < 0x7F; ++c) texts.emplace_back(1, c);
  for (const char* x : {"a", "A", "z", "Z", "0", "-", " ", "_", "~", "@"})
    for (const char* y : {"a", "b", "B", "9", ".", "'", "`", "\\"}) texts.push_back(std::string(x) + y);
  texts.push_back("BILDA_ID");
  texts.push_back("bilda_id");
  texts.push_back("bilda-id");
  for (const std::string& a : texts)
    for (const std::string& b : texts)
      ASSERT_EQ(AnsiSameText(a, b), AnsiCompareText(a, b) == 0) << "[" << a << "] [" << b << "]";
  EXPECT_TRUE(AnsiSameText("Éa", "éA"));
  EXPECT_FALSE(AnsiSameText("ea", "éa"));
  // Control characters weigh nothing in the collation, so texts holding them must not be matched
  // letter for letter.
  EXPECT_TRUE(AnsiSameText("ab", std::string("a\x01" "b")));
  EXPECT_FALSE(AnsiSameText("a\x01" "B", "a\x01" "c"));
  EXPECT_TRUE(AnsiSameText("a\x01" "B", "A\x01" "b"));
  // A difference before a control character or other text is still the collator's to judge.
  EXPECT_TRUE(AnsiSameText("a\x01" "b", "ab\x01"));
  EXPECT_FALSE(AnsiSameText("ab\x01", "ac\x01"));
  EXPECT_TRUE(AnsiSameText("aÉ", "Aé"));
  EXPECT_FALSE(AnsiSameText("aÉ", "bé"));
  EXPECT_EQ(AnsiSameText("x\x01" "Bc", "xB\x01" "C"), AnsiCompareText("x\x01" "Bc", "xB\x01" "C") == 0);
}

TEST(CaseMapping, AsciiOnlyAndLocale) {
  EXPECT_EQ(UpperCase("abc中é"), "ABC中é");
  EXPECT_EQ(AnsiUpperCase("abcé"), "ABCÉ");
  EXPECT_EQ(LowerCase("ÀBC"), "Àbc");
  EXPECT_EQ(CompareText("abc", "ABD"), -1);
  EXPECT_TRUE(SameText("BILDA_ID", "bilda_id"));
  EXPECT_FALSE(SameText("BILDA", "BILDA_ID"));
}

TEST(EditingHelpers, QuotingTrimAndReplace) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  size_t pos = 0;
  EXPECT_EQ(AnsiExtractQuotedStr("'it''s' rest", pos, '\''), "it's");
  EXPECT_EQ(pos, 7u);
  pos = 0;
  EXPECT_EQ(AnsiExtractQuotedStr("'open", pos, '\''), "open");  // unterminated: takes the rest
  pos = 0;
  EXPECT_EQ(AnsiExtractQuotedStr("plain", pos, '\''), "");
  EXPECT_EQ(pos, 0u);
  EXPECT_EQ(AnsiDequotedStr("\"a\"\"b\"", '"'), "a\"b");
  EXPECT_EQ(AnsiDequotedStr("\"a\" b", '"'), "\"a\" b");

  EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(StringReplace("aAaA", "a", "b", rfReplaceAll), "bAbA");
  EXPECT_EQ(StringReplace("aAaA", "a", "b", rfReplaceAll | rfIgnoreCase), "bbbb");
  EXPECT_EQ(StringReplace("aAaA", "A", "-", 0), "a-aA");
  EXPECT_EQ(Pos("b", "abcb"), 2u);
  EXPECT_EQ(Pos("b", "abcb", 3), 4u);
  EXPECT_EQ(Pos("z", "abc"), 0u);
  EXPECT_EQ(SplitString("a;;b", ';'), (std::vector<std::string>{"a", "", "b"}));
}

TEST(Utf8, SequenceLengthGroupsByLeadByte) {
  EXPECT_EQ(Utf8SequenceLength('a'), 1);
  EXPECT_EQ(Utf8SequenceLength(0xC3), 2);
  EXPECT_EQ(Utf8SequenceLength(0xE4), 3);
  EXPECT_EQ(Utf8SequenceLength(0xF0), 4);
  EXPECT_EQ(Utf8SequenceLength(0x80), 1);
  EXPECT_EQ(Utf8SequenceLength(0xFF), 1);
  EXPECT_EQ(Utf8CharCount("中a\U0001F600"), 3u);
}

// The conversions read ASCII eight bytes at a time and write through a buffer of their own: at any
// offset and length, and across the buffer's edges, they give what one character at a time gives.
TEST(Utf16, ConversionsAgreeWithTheDecoderAtEveryOffset) {
  auto slowTo16 = [](std::string_view s) {
    std::u16string out;
    for (size_t pos = 0; pos < s.size();) {
      char32_t cp = Utf8Decode(s, pos);
      if (cp >= 0x10000) {
        out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
      } else {
        out.push_back(static_cast<char16_t>(cp));
      }
    }
    return out;
  };
  const std::vector<std::string> pieces = {"a",      "abcdefgh", "费用",  "\U0001F600", "\xC3\x28", "\xE4\xB8",
                                           "\xFF",   "<row A=\"1\"/>", "é", "0123456789abcdef"};
  std::mt19937 rng(217);
  for (int round = 0; round < 400; ++round) {
    std::string text;
    const int count = static_cast<int>(rng() % 900);
    for (int i = 0; i < count; ++i) text += pieces[rng() % pieces.size()];
    const std::u16string wide = Utf8ToUtf16(text);
    ASSERT_EQ(wide, slowTo16(text)) << round;
    // Back: valid text comes back as it was; a lone surrogate becomes U+FFFD.
    std::u16string withLone = wide;
    if (!withLone.empty()) withLone.insert(withLone.begin() + static_cast<long>(rng() % withLone.size()), u'\xD800');
    std::string expected;
    for (size_t i = 0; i < withLone.size(); ++i) {
      char32_t c = withLone[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < withLone.size() && withLone[i + 1] >= 0xDC00 &&
          withLone[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (withLone[i + 1] - 0xDC00);
        ++i;
      }
      Utf8Append(expected, c);
    }
    ASSERT_EQ(Utf16ToUtf8(withLone), expected) << round;
    ASSERT_EQ(Utf16ToUtf8(wide), SanitizeUtf8(text)) << round;
  }
}
