// Clipboard: Chinese text through both text formats, the first set of an opening replacing the old
// contents, registered formats, blocks larger than their data, and misuse.
#include <cstring>

#include "wm_test_util.h"

using namespace wmtest;

namespace {

class Clipboard : public WmTest {
 protected:
  HGLOBAL Block(const void* data, size_t size, size_t extra = 0) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size + extra);
    void* p = GlobalLock(h);
    memcpy(p, data, size);
    GlobalUnlock(h);
    return h;
  }
  std::string Bytes(HGLOBAL h) {
    const char* p = static_cast<const char*>(GlobalLock(h));
    std::string s(p, GlobalSize(h));
    GlobalUnlock(h);
    return s;
  }
  std::u16string Units(HGLOBAL h) {
    const char16_t* p = static_cast<const char16_t*>(GlobalLock(h));
    std::u16string s(p, GlobalSize(h) / 2);
    GlobalUnlock(h);
    return s;
  }
};

// "费用垫付单" in code page 936.
const char kGbk[] = "\xB7\xD1\xD3\xC3\xB5\xE6\xB8\xB6\xB5\xA5";
const char16_t kUtf16[] = u"费用垫付单";

TEST_F(Clipboard, UnicodeTextComesBackAsCodePage936AndAsItWas) {
  HWND owner = Top(0, 0, 10, 10);
  ASSERT_TRUE(OpenClipboard(owner));
  ASSERT_TRUE(EmptyClipboard());
  HGLOBAL h = Block(kUtf16, sizeof kUtf16);
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, h), h);
  ASSERT_TRUE(CloseClipboard());
  EXPECT_EQ(GetClipboardOwner(), owner);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL u = GetClipboardData(CF_UNICODETEXT);
  EXPECT_EQ(Units(u), std::u16string(kUtf16, sizeof kUtf16 / 2));
  HGLOBAL a = GetClipboardData(CF_TEXT);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(Bytes(a), std::string(kGbk, sizeof kGbk)) << "code page 936 bytes and one terminating zero";
  EXPECT_EQ(GetClipboardData(CF_TEXT), a) << "made once per contents";
  CloseClipboard();
}

TEST_F(Clipboard, CodePage936TextComesBackAsUnicodeEvenFromALargerBlock) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  std::string text = std::string("A\t") + kGbk + "\r\n";
  HGLOBAL h = Block(text.c_str(), text.size() + 1, 7);  // the block is larger than the text
  EXPECT_EQ(GlobalSize(h), text.size() + 8);
  SetClipboardData(CF_TEXT, h);
  CloseClipboard();
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL raw = GetClipboardData(CF_TEXT);
  EXPECT_EQ(raw, h) << "the block itself, with its full size";
  EXPECT_EQ(GlobalSize(raw), text.size() + 8);
  std::u16string want = std::u16string(u"A\t") + kUtf16 + u"\r\n";
  want.push_back(0);
  EXPECT_EQ(Units(GetClipboardData(CF_UNICODETEXT)), want) << "stops at the text's terminating zero";
  CloseClipboard();
}

TEST_F(Clipboard, TheFirstSetOfAnOpeningReplacesTheOldContents) {
  UINT rtf = RegisterClipboardFormat("Rich Text Format");
  UINT csv = RegisterClipboardFormat("Csv");
  EXPECT_GE(rtf, 0xC000u);
  EXPECT_NE(rtf, csv);
  EXPECT_EQ(RegisterClipboardFormat("rich text format"), rtf) << "same name, same number";
  char name[64];
  EXPECT_EQ(GetClipboardFormatName(csv, name, sizeof name), 3);
  EXPECT_STREQ(name, "Csv");
  ASSERT_TRUE(OpenClipboard(nullptr));
  SetClipboardData(csv, Block("a,b", 4));
  SetClipboardData(rtf, Block("{\\rtf1}", 8));
  CloseClipboard();
  EXPECT_TRUE(IsClipboardFormatAvailable(csv));
  EXPECT_TRUE(IsClipboardFormatAvailable(rtf));
  DWORD seq = GetClipboardSequenceNumber();
  ASSERT_TRUE(OpenClipboard(nullptr));  // no EmptyClipboard: the first set empties
  SetClipboardData(CF_TEXT, Block("x", 2));
  CloseClipboard();
  EXPECT_GT(GetClipboardSequenceNumber(), seq);
  EXPECT_FALSE(IsClipboardFormatAvailable(csv));
  EXPECT_FALSE(IsClipboardFormatAvailable(rtf));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  ASSERT_TRUE(OpenClipboard(nullptr));
  UINT f = EnumClipboardFormats(0);
  EXPECT_EQ(f, static_cast<UINT>(CF_TEXT));
  EXPECT_EQ(EnumClipboardFormats(f), static_cast<UINT>(CF_UNICODETEXT)) << "the format made from it";
  CloseClipboard();
}

TEST_F(Clipboard, MisuseIsRefused) {
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_EQ(SetClipboardData(CF_TEXT, GlobalAlloc(GMEM_MOVEABLE, 4)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));
  EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
  EXPECT_FALSE(CloseClipboard());
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL h = Block("abc", 4);
  SetClipboardData(CF_TEXT, h);
  EXPECT_EQ(GlobalFree(h), h) << "the clipboard's block is not the program's to free";
  EXPECT_EQ(SetClipboardData(CF_TEXT, reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(0x999))), nullptr);
  EXPECT_EQ(RegisterClipboardFormat(""), 0u);
  EXPECT_EQ(GetClipboardData(0xBEEF), nullptr);
  CloseClipboard();
  // Blocks: locking counts, stale handles fail.
  HGLOBAL b = GlobalAlloc(GHND, 16);
  EXPECT_NE(GlobalLock(b), nullptr);
  EXPECT_NE(GlobalLock(b), nullptr);
  EXPECT_TRUE(GlobalUnlock(b));
  EXPECT_FALSE(GlobalUnlock(b));
  EXPECT_EQ(GlobalFree(b), nullptr);
  EXPECT_EQ(GlobalLock(b), nullptr);
  EXPECT_EQ(GlobalSize(b), 0u);
}

}  // namespace
