// The input method's side of typing: a long committed text arrives whole, and the place given to
// the input method for its window follows the caret as it moves, scrolls and as its window moves.
#include <string>

#include "platform/os/commctrl.h"
#include "platform/os/wingdi.h"
#include "wm_test_util.h"

using namespace wmtest;

namespace {

class Ime : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    FanoSetTestFont(TRUE);
  }
  void TearDown() override {
    FanoSetTestFont(FALSE);
    WmTest::TearDown();
  }
  std::string Text(HWND h) {
    std::string s(static_cast<size_t>(GetWindowTextLength(h)) + 1, '\0');
    s.resize(static_cast<size_t>(GetWindowText(h, s.data(), static_cast<int>(s.size()))));
    return s;
  }
  POINT Spot(HWND expectTop) {
    HWND top = nullptr;
    POINT p{-1, -1};
    EXPECT_TRUE(FanoGetImeSpot(&top, &p));
    EXPECT_EQ(top, expectTop);
    return p;
  }
};

// A commit longer than the first read's buffer (1,000 Chinese characters, 3,000 bytes) is read
// again at its full size and reaches the edit whole.
TEST_F(Ime, ALongCommitArrivesWhole) {
  HWND top = Top(0, 0, 400, 200);
  HWND edit = CreateWindowEx(0, WC_EDIT, "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL, 10, 10, 300, 150,
                             top, nullptr, nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  SendMessage(edit, EM_LIMITTEXT, 0, 0);
  SetFocus(edit);
  std::string phrase;
  const char* chars[] = {"费", "用", "垫", "付", "单"};
  for (int i = 0; i < 1000; ++i) phrase += chars[i % 5];
  EXPECT_EQ(FanoImeTestCommit(phrase.c_str()), 2) << "an overflow, then the whole text";
  FanoPumpMessages();
  EXPECT_EQ(Text(edit), phrase);
  // A short one takes one read.
  SendMessage(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  EXPECT_EQ(FanoImeTestCommit("好"), 1);
  FanoPumpMessages();
  EXPECT_EQ(Text(edit), "好");
}

TEST_F(Ime, TheSpotFollowsTheCaret) {
  HWND top = Top(100, 100, 400, 200);
  HWND edit = CreateWindowEx(0, WC_EDIT, "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL, 20, 30, 200, 48,
                             top, nullptr, nullptr, nullptr);
  HWND plain = Child(top, 250, 30, 50, 20);
  SetFocus(edit);
  FanoPumpMessages();
  POINT caret{};
  ASSERT_TRUE(GetCaretPos(&caret));
  POINT start = Spot(top);
  // The foot of the caret, in the top-level window's coordinates.
  EXPECT_EQ(start.x, 20 + caret.x);
  EXPECT_GT(start.y, 30 + caret.y);
  // Typing moves it right by what was typed.
  FanoInputText("中a");
  FanoPumpMessages();
  POINT typed = Spot(top);
  EXPECT_EQ(typed.y, start.y);
  EXPECT_GT(typed.x, start.x);
  // A new line moves it down by a line; scrolling back moves it up again.
  FanoInputText("\r1\r2\r3\r4\r5");
  FanoPumpMessages();
  POINT low = Spot(top);
  EXPECT_GT(low.y, typed.y);
  SendMessage(edit, EM_LINESCROLL, 0, -10);
  POINT up = Spot(top);
  EXPECT_GT(up.y, low.y) << "scrolling the text down moves the caret down with it";
  // Moving the edit moves the spot with it.
  SetWindowPos(edit, nullptr, 40, 50, 200, 48, SWP_NOZORDER | SWP_NOSIZE);
  POINT moved = Spot(top);
  EXPECT_EQ(moved.x, up.x + 20);
  EXPECT_EQ(moved.y, up.y + 20);
  // No caret, no spot.
  SetFocus(plain);
  FanoPumpMessages();
  EXPECT_FALSE(FanoGetImeSpot(nullptr, nullptr));
}

}  // namespace

// Each window keeps its own input method state: opening one and setting its conversion leaves the
// other as it was; a detached window has no context, and attaching it again gives back its state.
TEST_F(Ime, ContextsKeepTheirStatePerWindow) {
  HWND top = Top(0, 0, 400, 200);
  HWND a = CreateWindowEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, top, nullptr, nullptr, nullptr);
  HWND b = CreateWindowEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 30, 100, 20, top, nullptr, nullptr, nullptr);
  HIMC ca = ImmGetContext(a);
  HIMC cb = ImmGetContext(b);
  ASSERT_NE(ca, nullptr);
  ASSERT_NE(cb, nullptr);
  EXPECT_NE(ca, cb);
  EXPECT_FALSE(ImmGetOpenStatus(ca));
  EXPECT_TRUE(ImmSetOpenStatus(ca, TRUE));
  EXPECT_TRUE(ImmSetConversionStatus(ca, IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE, 0));
  EXPECT_TRUE(ImmGetOpenStatus(ca));
  EXPECT_FALSE(ImmGetOpenStatus(cb));
  DWORD conv = 99, sentence = 99;
  EXPECT_TRUE(ImmGetConversionStatus(ca, &conv, &sentence));
  EXPECT_EQ(conv, static_cast<DWORD>(IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE));
  EXPECT_EQ(sentence, 0u);
  EXPECT_TRUE(ImmGetConversionStatus(cb, &conv, nullptr));
  EXPECT_EQ(conv, static_cast<DWORD>(IME_CMODE_ALPHANUMERIC));
  ImmReleaseContext(a, ca);
  ImmReleaseContext(b, cb);

  EXPECT_EQ(ImmAssociateContext(a, nullptr), ca);
  EXPECT_EQ(ImmGetContext(a), nullptr);
  EXPECT_FALSE(ImmSetOpenStatus(ca, FALSE));
  EXPECT_EQ(ImmAssociateContext(a, nullptr), nullptr);
  EXPECT_EQ(ImmAssociateContext(a, ca), nullptr);
  EXPECT_EQ(ImmGetContext(a), ca);
  EXPECT_TRUE(ImmGetOpenStatus(ca));
  EXPECT_EQ(ImmGetContext(nullptr), nullptr);
  DestroyWindow(top);
}
