// Edits and memos: selection (backwards too), the line messages with Chinese text, the formatting
// rectangle and margins, limits counted in code page 936, password and case styles, word wrap,
// capacity, clipboard and undo, keyboard editing, and the change notification.
#include <cstring>
#include <memory>

#include "std_test_util.h"
#include "platform/forms/stdctrls.h"
#include "platform/os/commctrl.h"

using namespace formstest;

namespace {

// The test font: a character of the default font (height 12) is 6 pixels wide, a wide
// (Chinese) character 12; a line is 12 pixels high.
constexpr int kNarrow = 6;
constexpr int kWide = 12;
constexpr int kLine = 12;

class EditTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetName("Form");
    form->SetBounds(10, 10, 400, 300);
    edit = new TEdit(form);
    edit->SetName("Edit1");
    edit->SetParent(form);
    edit->SetBounds(10, 10, 200, 24);
    memo = new TMemo(form);
    memo->SetName("Memo1");
    memo->SetParent(form);
    memo->SetBounds(10, 50, 200, 100);
    Show();
  }
  LRESULT Send(TWinControl* c, UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return SendMessage(c->Handle(), msg, wp, lp); }
  std::pair<DWORD, DWORD> Sel(TWinControl* c) {
    DWORD a = 99, b = 99;
    Send(c, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return {a, b};
  }
  std::string Line(TWinControl* c, int i, WORD cap = 200) {
    std::string buf(std::max<size_t>(cap, 2), '\0');
    std::memcpy(buf.data(), &cap, sizeof cap);
    LRESULT n = Send(c, EM_GETLINE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<size_t>(n));
    return buf;
  }
  void Focus(TWinControl* c) {
    c->SetFocus();
    Pump();
  }
  TEdit* edit = nullptr;
  TMemo* memo = nullptr;
};

TEST_F(EditTest, SelectionKeepsTheCaretWhereItWasSetEvenBackwards) {
  edit->SetText("abcdef");
  Send(edit, EM_SETSEL, 1, 4);
  EXPECT_EQ(Sel(edit), std::make_pair(DWORD{1}, DWORD{4}));
  EXPECT_EQ(Send(edit, EM_GETSEL), MAKELONG(1, 4));
  EXPECT_EQ(edit->SelText(), "bcd");
  // Backwards: the same selection, the caret at its start; Shift+Right then shrinks it.
  Send(edit, EM_SETSEL, 4, 1);
  EXPECT_EQ(Sel(edit), std::make_pair(DWORD{1}, DWORD{4}));
  Focus(edit);
  Send(edit, EM_SETSEL, 4, 1);
  KeyPress(VK_RIGHT, true);
  EXPECT_EQ(Sel(edit), std::make_pair(DWORD{2}, DWORD{4}));
  // A negative SelLength selects backwards from SelStart.
  edit->SetSelStart(5);
  edit->SetSelLength(-3);
  EXPECT_EQ(edit->SelStart(), 2);
  EXPECT_EQ(edit->SelLength(), 3);
  KeyPress(VK_LEFT, true);
  EXPECT_EQ(Sel(edit), std::make_pair(DWORD{1}, DWORD{5}));
  // -1 as start removes the selection; (0, -1) selects everything; past the end is the end.
  Send(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
  EXPECT_EQ(edit->SelLength(), 0);
  edit->SelectAll();
  EXPECT_EQ(Sel(edit), std::make_pair(DWORD{0}, DWORD{6}));
  Send(edit, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
  EXPECT_EQ(Sel(edit), std::make_pair(DWORD{6}, DWORD{6}));
}

TEST_F(EditTest, PositionsNeverSplitAChineseCharacter) {
  edit->SetText("中文ab");  // 3 + 3 + 1 + 1 bytes
  Send(edit, EM_SETSEL, 1, 5);
  EXPECT_EQ(Sel(edit), std::make_pair(DWORD{0}, DWORD{3}));
  EXPECT_EQ(edit->SelText(), "中");
  Focus(edit);
  edit->SetSelStart(0);
  KeyPress(VK_RIGHT);
  EXPECT_EQ(edit->SelStart(), 3);
  KeyPress(VK_RIGHT, true);
  EXPECT_EQ(edit->SelText(), "文");
  KeyPress(VK_END);
  KeyPress(VK_BACK);
  KeyPress(VK_LEFT);
  KeyPress(VK_BACK);
  EXPECT_EQ(edit->Text(), "中a");
}

TEST_F(EditTest, TypingChineseTextGoesInAtTheCaret) {
  Focus(edit);
  FanoInputText("你好");
  Pump();
  EXPECT_EQ(edit->Text(), "你好");
  EXPECT_EQ(edit->SelStart(), 6);
  KeyPress(VK_HOME);
  FanoInputText("说");
  Pump();
  EXPECT_EQ(edit->Text(), "说你好");
  // A character outside the basic plane arrives as two UTF-16 units and goes in whole.
  KeyPress(VK_END);
  FanoInputText("\xF0\x9F\x98\x80");
  Pump();
  EXPECT_EQ(edit->Text(), "说你好\xF0\x9F\x98\x80");
  KeyPress(VK_BACK);
  EXPECT_EQ(edit->Text(), "说你好");
  // The caret stands after the text: three wide characters from the left margin.
  POINT caret{};
  GetCaretPos(&caret);
  RECT r{};
  Send(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(caret.x, r.left + 3 * kWide);
}

// Bytes that are not UTF-8 (a broken sequence, a stray trail byte, an overlong form) become
// U+FFFD on the way in, whichever way the text comes; the line messages then stay inside lines.
TEST_F(EditTest, TextThatIsNotUtf8BecomesReplacementCharacters) {
  const std::string bad = "a\xE4\xB8\r\n\x80\x80z\xC0\xAF";
  const std::string good = "a\xEF\xBF\xBD\xEF\xBF\xBD\r\n\xEF\xBF\xBD\xEF\xBF\xBDz\xEF\xBF\xBD\xEF\xBF\xBD";
  SendMessage(memo->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bad.c_str()));
  EXPECT_EQ(memo->Text(), good);
  ASSERT_EQ(Send(memo, EM_GETLINECOUNT), 2);
  // A buffer too small for the first character of the line gets nothing, never a negative size.
  const std::string second = "\xEF\xBF\xBD\xEF\xBF\xBDz\xEF\xBF\xBD\xEF\xBF\xBD";
  for (WORD cap = 0; cap < 16; ++cap) {
    std::string line = Line(memo, 1, cap);
    EXPECT_LE(line.size(), cap);
    EXPECT_EQ(line, second.substr(0, line.size()));
    EXPECT_TRUE(line.size() < 7 ? line.size() % 3 == 0 : (line.size() - 7) % 3 == 0) << "cut inside a character at " << cap;
  }
  // Replacing the selection, pasting, list items and window text take the same path.
  memo->SetText("");
  std::string piece = "x\xFF";
  Send(memo, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(piece.c_str()));
  EXPECT_EQ(memo->Text(), "x\xEF\xBF\xBD");
  ClipboardText("\xED\xA0\x80y");  // an encoded surrogate
  Focus(edit);
  edit->SetText("");
  Send(edit, WM_PASTE);
  EXPECT_EQ(edit->Text().back(), 'y');
  EXPECT_EQ(edit->Text().find("\xED\xA0"), std::string::npos);
  SendMessage(form->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("\xF5t"));
  char title[16] = {};
  GetWindowText(form->Handle(), title, sizeof title);
  EXPECT_STREQ(title, "\xEF\xBF\xBDt");
}

TEST_F(EditTest, LineMessagesCountBytesOfChineseLines) {
  memo->SetWordWrap(false);
  memo->SetText("第一行\r\nab中\r\n\r\nxyz");
  EXPECT_EQ(Send(memo, EM_GETLINECOUNT), 4);
  EXPECT_EQ(Send(memo, EM_LINEINDEX, 0), 0);
  EXPECT_EQ(Send(memo, EM_LINEINDEX, 1), 11);
  EXPECT_EQ(Send(memo, EM_LINEINDEX, 2), 18);
  EXPECT_EQ(Send(memo, EM_LINEINDEX, 3), 20);
  EXPECT_EQ(Send(memo, EM_LINEINDEX, 4), -1);
  EXPECT_EQ(Send(memo, EM_LINELENGTH, 0), 9);
  EXPECT_EQ(Send(memo, EM_LINELENGTH, 12), 5);
  EXPECT_EQ(Send(memo, EM_LINELENGTH, 18), 0);
  EXPECT_EQ(Line(memo, 0), "第一行");
  EXPECT_EQ(Line(memo, 1), "ab中");
  EXPECT_EQ(Line(memo, 2), "");
  EXPECT_EQ(Line(memo, 7), "");
  // A buffer too small for the line takes whole characters only.
  EXPECT_EQ(Line(memo, 0, 4), "第");
  EXPECT_EQ(Send(memo, EM_LINEFROMCHAR, 0), 0);
  EXPECT_EQ(Send(memo, EM_LINEFROMCHAR, 14), 1);
  EXPECT_EQ(Send(memo, EM_LINEFROMCHAR, 100), 3);
  // -1: the line of the selection's start.
  Send(memo, EM_SETSEL, 22, 12);
  EXPECT_EQ(Send(memo, EM_LINEFROMCHAR, static_cast<WPARAM>(-1)), 1);
  EXPECT_EQ(Send(memo, EM_LINEINDEX, static_cast<WPARAM>(-1)), 11);
  // -1 of EM_LINELENGTH: what is not selected on the selected lines: "a" and "z".
  EXPECT_EQ(Send(memo, EM_LINELENGTH, static_cast<WPARAM>(-1)), 2);
  // Points and characters.
  RECT r{};
  Send(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  LRESULT pos = Send(memo, EM_POSFROMCHAR, 15);  // the 中 of line 1
  EXPECT_EQ(GET_X_LPARAM(pos), r.left + 2 * kNarrow);
  EXPECT_EQ(GET_Y_LPARAM(pos), r.top + kLine);
  LRESULT hit = Send(memo, EM_CHARFROMPOS, 0, MAKELPARAM(r.left + 2 * kNarrow + kWide - 2, r.top + kLine + 3));
  EXPECT_EQ(LOWORD(hit), 16);  // right half of 中: after it
  EXPECT_EQ(HIWORD(hit), 1);
  hit = Send(memo, EM_CHARFROMPOS, 0, MAKELPARAM(r.left + kWide + 2, r.top + 2));
  EXPECT_EQ(LOWORD(hit), 3);
  EXPECT_EQ(HIWORD(hit), 0);
  EXPECT_EQ(Send(memo, EM_POSFROMCHAR, 23), -1);
}

TEST_F(EditTest, WordWrapBreaksAtSpacesAndBetweenChineseCharacters) {
  memo->SetBounds(10, 50, 80, 100);  // room for 13 narrow characters, less the margins
  RECT r{};
  Send(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  int chars = (r.right - r.left) / kNarrow;
  ASSERT_GE(chars, 10);
  memo->SetText("hello world again");
  EXPECT_EQ(Send(memo, EM_GETLINECOUNT), 2);
  EXPECT_EQ(Line(memo, 0), "hello world ");
  EXPECT_EQ(Line(memo, 1), "again");
  // Chinese text breaks between any two characters.
  memo->SetText("一二三四五六七八九十");
  int perLine = (r.right - r.left) / kWide;
  EXPECT_EQ(Send(memo, EM_GETLINECOUNT), (10 + perLine - 1) / perLine);
  EXPECT_EQ(Send(memo, EM_LINELENGTH, 0), perLine * 3);
  // Without word wrap the same text is one line.
  memo->SetWordWrap(false);
  EXPECT_EQ(Send(memo, EM_GETLINECOUNT), 1);
}

TEST_F(EditTest, FormattingRectangleAndMargins) {
  RECT r{};
  Send(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  RECT c{};
  GetClientRect(memo->Handle(), &c);
  EXPECT_EQ(r.left, c.left + LOWORD(Send(memo, EM_GETMARGINS)));
  Send(memo, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(5, 7));
  EXPECT_EQ(Send(memo, EM_GETMARGINS), MAKELONG(5, 7));
  Send(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.right, c.right - 7);
  // A rectangle of our own moves the text.
  RECT mine{20, 4, 120, 60};
  Send(memo, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&mine));
  Send(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.top, 4);
  memo->SetText("x");
  LRESULT pos = Send(memo, EM_POSFROMCHAR, 0);
  EXPECT_EQ(GET_X_LPARAM(pos), 20);
  EXPECT_EQ(GET_Y_LPARAM(pos), 4);
  // A single-line edit keeps its own rectangle.
  RECT before{};
  Send(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&before));
  Send(edit, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&mine));
  Send(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, before.left);
  // Resizing gives the default rectangle back.
  memo->SetWidth(150);
  Send(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 5);
}

TEST_F(EditTest, ScrollCaretBringsTheCaretIntoView) {
  memo->SetWordWrap(false);
  std::string text;
  for (int i = 0; i < 30; ++i) text += "line " + std::to_string(i) + "\r\n";
  memo->SetText(text);
  EXPECT_EQ(Send(memo, EM_GETFIRSTVISIBLELINE), 0);
  LRESULT at = Send(memo, EM_LINEINDEX, 25);
  Send(memo, EM_SETSEL, static_cast<WPARAM>(at), at);
  EXPECT_EQ(Send(memo, EM_GETFIRSTVISIBLELINE), 0);  // EM_SETSEL does not scroll
  Send(memo, EM_SCROLLCARET);
  RECT r{};
  Send(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  int visible = (r.bottom - r.top) / kLine;
  EXPECT_EQ(Send(memo, EM_GETFIRSTVISIBLELINE), 25 - visible + 1);
  // Single line: a long text scrolls sideways so that the caret shows.
  edit->SetText(std::string(100, 'w'));
  edit->SetSelStart(100);
  Send(edit, EM_SCROLLCARET);
  LRESULT pos = Send(edit, EM_POSFROMCHAR, 99);
  RECT er{};
  Send(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&er));
  EXPECT_LT(GET_X_LPARAM(pos), er.right);
  EXPECT_GE(GET_X_LPARAM(pos), er.left);
}

TEST_F(EditTest, MaxLengthCountsCodePage936Bytes) {
  edit->SetMaxLength(5);
  Focus(edit);
  FanoInputText("中文字");  // 2 bytes each: the third does not fit
  Pump();
  EXPECT_EQ(edit->Text(), "中文");
  FanoInputText("a");
  Pump();
  EXPECT_EQ(edit->Text(), "中文a");
  FanoInputText("b");
  Pump();
  EXPECT_EQ(edit->Text(), "中文a");
  // Pasting is cut to what fits; a text set by the program is not limited.
  edit->SetText("");
  ClipboardText("一二三四");
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "一二");
  edit->SetText("一二三四五六");
  EXPECT_EQ(edit->Text(), "一二三四五六");
}

TEST_F(EditTest, ReadOnlyRefusesEditingButCopies) {
  edit->SetText("abc");
  edit->SetReadOnly(true);
  EXPECT_NE(GetWindowLong(edit->Handle(), GWL_STYLE) & ES_READONLY, 0);
  Focus(edit);
  FanoInputText("x");
  Pump();
  KeyPress(VK_DELETE);
  EXPECT_EQ(edit->Text(), "abc");
  ClipboardText("before");
  edit->SelectAll();
  edit->CutToClipboard();
  EXPECT_EQ(edit->Text(), "abc");
  EXPECT_EQ(ClipboardText(), "before");
  edit->CopyToClipboard();
  EXPECT_EQ(ClipboardText(), "abc");
  edit->SetReadOnly(false);
  FanoInputText("x");
  Pump();
  EXPECT_EQ(edit->Text(), "x");
}

TEST_F(EditTest, PasswordCharacterHidesTheTextAndItsCopy) {
  edit->SetPasswordChar('*');
  edit->SetText("秘密12");
  EXPECT_EQ(Send(edit, EM_GETPASSWORDCHAR), '*');
  EXPECT_EQ(edit->Text(), "秘密12");
  // Every character shows as one narrow star.
  LRESULT pos = Send(edit, EM_POSFROMCHAR, 6);
  RECT r{};
  Send(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(GET_X_LPARAM(pos), r.left + 2 * kNarrow);
  ClipboardText("before");
  edit->SelectAll();
  edit->CopyToClipboard();
  EXPECT_EQ(ClipboardText(), "before");
}

TEST_F(EditTest, CharCaseConvertsTypedAndSetText) {
  edit->SetCharCase(ecUpperCase);
  edit->SetText("abc");
  EXPECT_EQ(edit->Text(), "ABC");
  Focus(edit);
  KeyPress(VK_END);
  FanoInputText("dé");
  Pump();
  EXPECT_EQ(edit->Text(), "ABCDÉ");
  edit->SetCharCase(ecLowerCase);
  EXPECT_EQ(edit->Text(), "abcdé");
}

TEST_F(EditTest, AlignmentPlacesTheLines) {
  memo->SetAlignment(taRightJustify);
  memo->SetText("ab");
  RECT r{};
  Send(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(GET_X_LPARAM(Send(memo, EM_POSFROMCHAR, 0)), r.right - 2 * kNarrow);
  memo->SetAlignment(taCenter);
  memo->SetText("ab");
  Send(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(GET_X_LPARAM(Send(memo, EM_POSFROMCHAR, 0)), r.left + (r.right - r.left - 2 * kNarrow) / 2);
}

TEST_F(EditTest, WithoutAutoScrollTheControlTakesOnlyWhatFits) {
  // A raw single-line edit without ES_AUTOHSCROLL, 10 narrow characters wide.
  HWND h = CreateWindowEx(0, WC_EDIT, "", WS_CHILD | WS_VISIBLE, 0, 200, 10 * kNarrow + 2, 20, form->Handle(), nullptr,
                          nullptr, nullptr);
  ASSERT_TRUE(h);
  SendMessage(h, WM_SETFONT, reinterpret_cast<WPARAM>(form->Font()->Handle()), 0);
  SetFocus(h);
  FanoInputText("abcdefghijklmn");
  Pump();
  char buf[32]{};
  GetWindowText(h, buf, sizeof buf);
  EXPECT_EQ(std::string(buf), "abcdefghij");
  DestroyWindow(h);
}

TEST_F(EditTest, SetTextFailsBeyondCapacityAndLeavesTheText) {
  memo->SetText("kept");
  std::string huge(FANO_EDIT_CAPACITY + 1, 'a');
  EXPECT_EQ(Send(memo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(huge.c_str())), FALSE);
  EXPECT_EQ(memo->Text(), "kept");
  EXPECT_THROW(memo->Lines()->SetText(huge), EInvalidOperation);
  EXPECT_EQ(memo->Text(), "kept");
  try {
    memo->Lines()->SetText(huge);
  } catch (const EInvalidOperation& e) {
    EXPECT_STREQ(e.what(), "Text exceeds memo capacity");
  }
}

TEST_F(EditTest, SetRedrawOffPaintsNothingUntilTurnedOn) {
  memo->SetText("x");
  Pump();
  Send(memo, WM_SETREDRAW, 0);
  memo->SetText("changed");
  RECT upd{};
  EXPECT_FALSE(GetUpdateRect(memo->Handle(), &upd, FALSE));
  Send(memo, WM_SETREDRAW, 1);
  EXPECT_TRUE(GetUpdateRect(memo->Handle(), &upd, FALSE));
  Pump();
}

TEST_F(EditTest, CutCopyPasteUndoAndClear) {
  Focus(edit);
  edit->SetText("hello 世界");
  Send(edit, EM_SETSEL, 6, 12);
  edit->CutToClipboard();
  EXPECT_EQ(edit->Text(), "hello ");
  EXPECT_EQ(ClipboardText(), "世界");
  EXPECT_TRUE(edit->CanUndo());
  edit->Undo();
  EXPECT_EQ(edit->Text(), "hello 世界");
  edit->Undo();  // a second undo redoes
  EXPECT_EQ(edit->Text(), "hello ");
  edit->SetSelStart(0);
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "世界hello ");
  Send(edit, EM_SETSEL, 0, 3);
  edit->ClearSelection();
  EXPECT_EQ(edit->Text(), "界hello ");
  // Keys: Ctrl+Z undoes the clear, a typing run is undone at once.
  KeyPress(VK_END);
  FanoInputText("abc");
  Pump();
  EXPECT_EQ(edit->Text(), "界hello abc");
  edit->Undo();
  EXPECT_EQ(edit->Text(), "界hello ");
  // A program's text empties the undo buffer; single-line paste stops at the line break.
  edit->SetText("x");
  EXPECT_FALSE(edit->CanUndo());
  ClipboardText("one\r\ntwo");
  edit->SelectAll();
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "one");
  memo->SelectAll();
  memo->PasteFromClipboard();
  EXPECT_EQ(memo->Text(), "one\r\ntwo");
}

TEST_F(EditTest, ChangeArrivesAsAReflectedCommand) {
  std::vector<std::string> changes;
  edit->OnChange = [&](TObject*) { changes.push_back(edit->Text()); };
  memo->OnChange = [&](TObject*) { changes.push_back("memo:" + memo->Text()); };
  std::vector<WORD> codes;
  TWndMethod old = edit->WindowProc();
  edit->SetWindowProc([&codes, old](TMessage& m) {
    if (m.Msg == CN_COMMAND) codes.push_back(m.WParamHi());
    old(m);
  });
  edit->SetText("a");
  EXPECT_EQ(codes, (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
  Focus(edit);
  KeyPress(VK_END);
  FanoInputText("b");
  Pump();
  // A multi-line edit does not announce a program's text: the memo tells its change itself.
  memo->SetText("m");
  memo->Lines()->Add("n");
  EXPECT_EQ(changes, (std::vector<std::string>{"a", "ab", "memo:m", "memo:m\r\nn"}));
  edit->SetWindowProc(old);
  edit->OnChange = nullptr;
  memo->OnChange = nullptr;
}

TEST_F(EditTest, KeyboardEditingOfAMemo) {
  Focus(memo);
  FanoInputText("一二");
  KeyPress(VK_RETURN);
  FanoInputText("三");
  Pump();
  EXPECT_EQ(memo->Text(), "一二\r\n三");
  KeyPress(VK_UP);
  EXPECT_EQ(memo->CaretPos(), TPoint(3, 0));
  KeyPress(VK_END);
  KeyPress(VK_DELETE);  // the line break goes as one
  EXPECT_EQ(memo->Text(), "一二三");
  KeyPress(VK_HOME, true);
  EXPECT_EQ(memo->SelLength(), 6);
  // Without WantReturns Enter does not reach the text.
  memo->SetWantReturns(false);
  KeyPress(VK_END);
  KeyPress(VK_RETURN);
  EXPECT_EQ(memo->Text(), "一二三");
}

TEST_F(EditTest, MemoLinesWorkThroughTheLineMessages) {
  TStrings* lines = memo->Lines();
  memo->SetText("x\r\n");
  EXPECT_EQ(lines->Count(), 1);  // the empty last line does not count
  memo->SetText("x");
  EXPECT_EQ(lines->Count(), 1);
  memo->SetText("");
  EXPECT_EQ(lines->Count(), 0);
  lines->Add("第一");
  lines->Add("second");
  EXPECT_EQ(memo->Text(), "第一\r\nsecond\r\n");
  lines->SetStrings(0, "首");
  EXPECT_EQ(lines->Strings(0), "首");
  lines->SetStrings(5, "nothing");  // beyond the last line
  EXPECT_EQ(lines->Count(), 2);
  lines->Insert(1, "mid");
  EXPECT_EQ(memo->Text(), "首\r\nmid\r\nsecond\r\n");
  lines->Delete(0);
  EXPECT_EQ(memo->Text(), "mid\r\nsecond\r\n");
  // Inserting past the last line appends, after an empty last line as after a non-empty one.
  lines->Insert(3, "z");
  EXPECT_EQ(memo->Text(), "mid\r\nsecond\r\n\r\nz");
  EXPECT_EQ(lines->Strings(3), "z");
  memo->SetText("a");
  lines->Insert(1, "b");
  EXPECT_EQ(memo->Text(), "a\r\nb");
  // Lone line feeds become CR LF.
  lines->SetText("p\nq\rr");
  EXPECT_EQ(memo->Text(), "p\r\nq\r\nr");
  lines->BeginUpdate();
  lines->Add("s");
  lines->EndUpdate();
  EXPECT_EQ(lines->Count(), 4);
}

TEST_F(EditTest, AutoSelectOnEnterAndHeightFollowsTheFont) {
  edit->SetText("whole");
  memo->SetFocus();
  Pump();
  KeyPress(VK_TAB, true);
  EXPECT_EQ(FindControl(GetFocus()), edit);
  EXPECT_EQ(edit->SelLength(), 5);
  int h = edit->Height();
  edit->Font()->SetHeight(-20);
  EXPECT_EQ(edit->Height(), h + 8);
}

}  // namespace

namespace {

class MemoLines : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(10, 10, 400, 300);
    memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetBounds(10, 10, 300, 200);
    memo->OnChange = [this](TObject*) { ++changes; };
    Show();
  }
  TMemo* memo = nullptr;
  int changes = 0;
};

// Lines added inside an update block go in as one change when the block ends, with the same text
// as adding them one by one; whoever reads in between sees them already.
TEST_F(MemoLines, AnUpdateBlockAddsItsLinesInOnePiece) {
  for (const char* start : {"", "q", "q\r\n"}) {
    SCOPED_TRACE(testing::Message() << "starting from \"" << start << "\"");
    memo->SetText(start);
    for (int i = 0; i < 3; ++i) memo->Lines()->Add("line " + std::to_string(i));
    const std::string oneByOne = memo->Text();
    memo->SetText(start);
    changes = 0;
    memo->Lines()->BeginUpdate();
    for (int i = 0; i < 3; ++i) memo->Lines()->Add("line " + std::to_string(i));
    EXPECT_EQ(changes, 0) << "nothing reaches the control yet";
    memo->Lines()->EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(memo->Text(), oneByOne);
  }
  // Reading inside the block sees the held lines; adding goes on after it.
  memo->SetText("");
  memo->Lines()->BeginUpdate();
  memo->Lines()->Add("甲");
  memo->Lines()->Add("乙");
  EXPECT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(1), "乙");
  memo->Lines()->Add("丙");
  memo->Lines()->Insert(0, "首");
  memo->Lines()->EndUpdate();
  EXPECT_EQ(memo->Text(), "首\r\n甲\r\n乙\r\n丙\r\n");
  // Assigning a list is one change too.
  TStringList list;
  for (int i = 0; i < 50; ++i) list.Add(std::to_string(i));
  changes = 0;
  memo->Lines()->Assign(&list);
  EXPECT_EQ(changes, 2) << "the clearing and the lines";
  EXPECT_EQ(memo->Lines()->Count(), 50);
  EXPECT_EQ(memo->Lines()->Strings(49), "49");
}

TEST_F(MemoLines, LongLinesAreReadWhole) {
  memo->SetWordWrap(false);
  std::string longLine(5000, 'x');
  longLine += "中";
  memo->Lines()->SetText("short\r\n" + longLine + "\r\nend");
  EXPECT_EQ(memo->Lines()->Strings(0), "short");
  EXPECT_EQ(memo->Lines()->Strings(1), longLine);
  EXPECT_EQ(memo->Lines()->Strings(2), "end");
  // Beyond what the line message can carry at all.
  std::string huge(70000, 'y');
  memo->Lines()->SetText(huge + "\r\n甲");
  EXPECT_EQ(memo->Lines()->Strings(0), huge);
  EXPECT_EQ(memo->Lines()->Strings(1), "甲");
  EXPECT_EQ(memo->Lines()->Strings(2), "");
}

TEST_F(MemoLines, InsertingAtTheEndAlwaysAddsALine) {
  for (const char* start : {"", "a", "a\r\n", "a\r\n\r\n"}) {
    SCOPED_TRACE(testing::Message() << "starting from \"" << start << "\"");
    memo->SetText(start);
    int n = memo->Lines()->Count();
    memo->Lines()->Insert(n, "c");
    EXPECT_EQ(memo->Lines()->Count(), n + 1);
    EXPECT_EQ(memo->Lines()->Strings(n), "c");
  }
  // Past the line an empty last line stands for: still a new line, never dropped.
  memo->SetText("a\r\n");
  memo->Lines()->Insert(2, "b");
  EXPECT_EQ(memo->Text(), "a\r\n\r\nb");
  EXPECT_EQ(memo->Lines()->Count(), 3);
  EXPECT_EQ(memo->Lines()->Strings(2), "b");
  memo->Lines()->Clear();
  memo->Lines()->Insert(1, "only");
  EXPECT_EQ(memo->Text(), "only");
}

}  // namespace
