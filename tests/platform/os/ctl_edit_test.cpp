// The edit control lays out only what a change touches: after any sequence of typing, deleting,
// pasting line breaks and undoing, its lines are those of a control given the same text at once;
// undo keeps only the change and still restores and redoes it exactly.
#include <random>
#include <string>
#include <vector>

#include "platform/os/commctrl.h"
#include "platform/os/wingdi.h"
#include "wm_test_util.h"

using namespace wmtest;

namespace {

class EditLayout : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    FanoSetTestFont(TRUE);
    top = Top(0, 0, 400, 300);
  }
  void TearDown() override {
    FanoSetTestFont(FALSE);
    WmTest::TearDown();
  }
  HWND Memo(DWORD style, int width = 150) {
    HWND h = CreateWindowEx(0, WC_EDIT, "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | style, 0, 0, width, 120, top, nullptr,
                            nullptr, nullptr);
    SendMessage(h, EM_LIMITTEXT, 0, 0);
    return h;
  }
  static std::string Text(HWND h) {
    std::string s(static_cast<size_t>(GetWindowTextLength(h)) + 1, '\0');
    s.resize(static_cast<size_t>(GetWindowText(h, s.data(), static_cast<int>(s.size()))));
    return s;
  }
  // The line table: where each line starts and how long it is.
  static std::vector<std::pair<LRESULT, LRESULT>> Lines(HWND h) {
    std::vector<std::pair<LRESULT, LRESULT>> out;
    LRESULT n = SendMessage(h, EM_GETLINECOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
      LRESULT start = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(i), 0);
      out.emplace_back(start, SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0));
    }
    return out;
  }
  HWND top = nullptr;
};

TEST_F(EditLayout, ChangedLinesMatchAFreshLayout) {
  // Wrapping at a usual width, at one character a line, and not wrapping.
  for (auto [style, width] : {std::pair{static_cast<DWORD>(ES_AUTOVSCROLL), 150}, std::pair{static_cast<DWORD>(WS_VSCROLL), 150},
                              std::pair{static_cast<DWORD>(ES_AUTOVSCROLL), 10},
                              std::pair{static_cast<DWORD>(WS_HSCROLL | ES_AUTOHSCROLL | WS_VSCROLL), 150}}) {
    SCOPED_TRACE(testing::Message() << "style " << std::hex << style << std::dec << " width " << width);
    HWND memo = Memo(style, width);
    HWND fresh = Memo(style, width);
    SetFocus(memo);
    // An LF put right after a lone CR (and a CR right before a lone LF) makes a line break.
    SendMessage(memo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("))))\rC)))\nD"));
    SendMessage(memo, EM_SETSEL, 5, 5);
    SendMessage(memo, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("\n"));
    SendMessage(memo, EM_SETSEL, 10, 10);
    SendMessage(memo, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("\r"));
    SendMessage(fresh, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text(memo).c_str()));
    ASSERT_EQ(Text(memo), "))))\r\nC)))\r\nD");
    ASSERT_EQ(Lines(memo), Lines(fresh));
    std::mt19937 rng(7);
    // CR and LF alone too: put next to each other they make a line break (or stop making one).
    const char* pieces[] = {"a", " ", "word ", "中文", "\r\n", "long words that wrap around ", "x\r\ny", "\r\n\r\n",
                            "\r", "\n"};
    for (int step = 0; step < 400; ++step) {
      size_t len = Text(memo).size();
      int op = static_cast<int>(rng() % 10);
      if (op < 5) {
        // Type or paste a piece somewhere.
        WPARAM at = static_cast<WPARAM>(len ? rng() % (len + 1) : 0);
        SendMessage(memo, EM_SETSEL, at, static_cast<LPARAM>(at));
        const char* p = pieces[rng() % 10];
        SendMessage(memo, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(p));
      } else if (op < 8 && len) {
        // Delete a stretch (perhaps across lines).
        WPARAM at = static_cast<WPARAM>(rng() % len);
        SendMessage(memo, EM_SETSEL, at, static_cast<LPARAM>(at + rng() % 12));
        SendMessage(memo, WM_CLEAR, 0, 0);
      } else if (op == 8) {
        FanoInputText("打字 ");
        FanoPumpMessages();
      } else {
        SendMessage(memo, EM_UNDO, 0, 0);
      }
      std::string now = Text(memo);
      SendMessage(fresh, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(now.c_str()));
      ASSERT_EQ(Lines(memo), Lines(fresh)) << "after step " << step << " on \"" << now << "\"";
    }
    DestroyWindow(memo);
    DestroyWindow(fresh);
  }
}

TEST_F(EditLayout, UndoOfATypingRunInsideALongTextRestoresAndRedoes) {
  HWND memo = Memo(WS_VSCROLL);
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i) + "\r\n";
  SendMessage(memo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SetFocus(memo);
  SendMessage(memo, EM_SETSEL, 500, 510);  // a selection the first key replaces
  FanoInputText("新的内容");
  FanoPumpMessages();
  std::string typed = Text(memo);
  EXPECT_EQ(typed, text.substr(0, 500) + "新的内容" + text.substr(510));
  ASSERT_TRUE(SendMessage(memo, EM_CANUNDO, 0, 0));
  SendMessage(memo, EM_UNDO, 0, 0);
  EXPECT_EQ(Text(memo), text);
  DWORD a = 0, b = 0;
  SendMessage(memo, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  EXPECT_EQ(a, 500u);
  EXPECT_EQ(b, 510u) << "the selection from before the change";
  SendMessage(memo, EM_UNDO, 0, 0);
  EXPECT_EQ(Text(memo), typed) << "a second undo redoes";
}

// A double-click press is a press: an unfocused edit takes the focus and selects the word.
TEST_F(EditLayout, ADoubleClickGivesAnUnfocusedEditTheFocus) {
  HWND memo = Memo(0);
  HWND other = Memo(0);
  SetWindowText(memo, "alpha beta");
  SetFocus(other);
  ASSERT_EQ(GetFocus(), other);
  SendMessage(memo, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 4));
  EXPECT_EQ(GetFocus(), memo);
  DWORD start = 0, end = 0;
  SendMessage(memo, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_GT(end, 0u);
}

}  // namespace
