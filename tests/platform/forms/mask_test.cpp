// The mask language and the masked edit: layout of input into masks, Text and EditText, typing
// character by character over the literals (Chinese characters fill one position), validation
// with the platform's error, reset, paste.
#include "platform/forms/mask.h"

#include "platform/forms/dialogs.h"
#include "platform/rtl/sysutils.h"
#include "std_test_util.h"

using namespace formstest;

namespace {

TEST(MaskLanguage, FormatMaskTextLaysInputIntoTheMask) {
  // Without saved literals the value holds the input only.
  EXPECT_EQ(FormatMaskText("000-0000;0;_", "1234567"), "123-4567");
  EXPECT_EQ(FormatMaskText("000-0000;0;_", "12"), "12_-____");
  // '!' puts a short input at the end (leading blanks).
  EXPECT_EQ(FormatMaskText("!999;0;_", "12"), "_12");
  EXPECT_EQ(FormatMaskText("999;0;_", "12"), "12_");
  // With saved literals the value holds them at their places.
  EXPECT_EQ(FormatMaskText("000-0000;1;_", "123-4567"), "123-4567");
  EXPECT_EQ(FormatMaskText("000-0000;1;*", "12"), "12*-****");
  // The blank character; spaces in the value are empty positions.
  EXPECT_EQ(FormatMaskText("00 00;1; ", ""), "     ");
  EXPECT_EQ(FormatMaskText("0000;0;#", "1 3"), "1#3#");
  // Case changes: > up, < down, <> neither.
  EXPECT_EQ(FormatMaskText(">LL<ll<>LL;0;_", "abCDeF"), "ABcdeF");
  // Escaped mask characters are literals.
  EXPECT_EQ(FormatMaskText("\\L\\000;1;_", ""), "L0__");
  EXPECT_EQ(FormatMaskText("", "as is"), "as is");
}

TEST(MaskLanguage, DateAndTimeSeparatorsComeFromTheFormatSettings) {
  EXPECT_EQ(FormatMaskText("!99/99/0000;1;_", ""), "__-__-____");
  EXPECT_EQ(FormatMaskText("!90:00;1;_", "12:30"), "12:30");
  FormatSettings.DateSeparator = '.';
  EXPECT_EQ(FormatMaskText("99/99;1;_", ""), "__.__");
  FormatSettings = TFormatSettings::Default();
}

TEST(MaskLanguage, SectionsAndPositions) {
  TParsedMask m = ParseEditMask("!>LA\\;9#;0;*");
  EXPECT_TRUE(m.Reverse);
  EXPECT_FALSE(m.SaveLiterals);
  EXPECT_EQ(m.Blank, U'*');
  ASSERT_EQ(m.Positions.size(), 5u);
  EXPECT_TRUE(m.Positions[0].Input && m.Positions[0].Required && m.Positions[0].CaseChange == 1);
  EXPECT_EQ(m.Positions[1].Class, 'A');
  EXPECT_FALSE(m.Positions[2].Input);
  EXPECT_EQ(m.Positions[2].Literal, U';');
  EXPECT_FALSE(m.Positions[3].Required);
  EXPECT_EQ(m.InputCount(), 4);
  EXPECT_TRUE(MaskGetMaskSave("000"));
  EXPECT_EQ(MaskGetMaskBlank("000"), U'_');
  // The classes.
  TMaskPosition digit{true, 0, '0', true, 0};
  TMaskPosition letter{true, 0, 'L', true, 1};
  TMaskPosition sign{true, 0, '#', false, 0};
  char32_t c = '7';
  EXPECT_TRUE(MaskCharAccepted(digit, c));
  c = 'x';
  EXPECT_FALSE(MaskCharAccepted(digit, c));
  c = 'q';
  EXPECT_TRUE(MaskCharAccepted(letter, c));
  EXPECT_EQ(c, U'Q');
  c = U'中';
  EXPECT_TRUE(MaskCharAccepted(letter, c));
  c = '5';
  EXPECT_FALSE(MaskCharAccepted(letter, c));
  c = '-';
  EXPECT_TRUE(MaskCharAccepted(sign, c));
}

class MaskEditTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    form->SetBounds(10, 10, 300, 200);
    edit = new TMaskEdit(form);
    edit->SetName("Mask1");
    edit->SetParent(form);
    edit->SetBounds(10, 10, 150, 24);
    other = new TEdit(form);
    other->SetName("Other");
    other->SetParent(form);
    other->SetBounds(10, 50, 150, 24);
    Show();
  }
  void Focus() {
    edit->SetFocus();
    Pump();
  }
  void Type(const char* s) {
    FanoInputText(s);
    Pump();
  }
  std::pair<int, int> CharSel() {
    int a = 0, b = 0;
    edit->GetSel(a, b);
    return {a, b};
  }
  TMaskEdit* edit = nullptr;
  TEdit* other = nullptr;
};

TEST_F(MaskEditTest, TextAndEditText) {
  edit->SetEditMask("000-0000;0;_");
  EXPECT_EQ(edit->EditText(), "___-____");
  EXPECT_EQ(edit->Text(), "");
  edit->SetText("1234567");
  EXPECT_EQ(edit->EditText(), "123-4567");
  EXPECT_EQ(edit->Text(), "1234567");
  edit->SetText("12");
  EXPECT_EQ(edit->EditText(), "12_-____");
  EXPECT_EQ(edit->Text(), "12");
  // Saved literals: Text keeps them, empty positions are spaces.
  edit->SetEditMask("!99/99/0000;1;_");
  edit->SetText("");
  EXPECT_EQ(edit->EditText(), "__-__-____");
  EXPECT_EQ(edit->Text(), "  -  -    ");
  edit->SetText("24-12-2025");
  EXPECT_EQ(edit->Text(), "24-12-2025");
  // A new mask keeps the input.
  edit->SetEditMask("000-0000;0;_");
  edit->SetText("1234567");
  edit->SetEditMask("00 00 000;0;*");
  EXPECT_EQ(edit->EditText(), "12 34 567");
  edit->SetEditMask("");
  EXPECT_EQ(edit->Text(), "1234567");
  EXPECT_FALSE(edit->IsMasked());
}

TEST_F(MaskEditTest, TypingFillsPositionsAndSkipsLiterals) {
  edit->SetEditMask("000-0000;0;_");
  Focus();
  edit->SetCursor(0);
  EXPECT_EQ(CharSel(), std::make_pair(0, 1));  // the caret is one selected character
  Type("123");
  EXPECT_EQ(edit->EditText(), "123-____");
  EXPECT_EQ(CharSel(), std::make_pair(4, 5));  // past the literal
  Type("x");                                     // not a digit: refused
  EXPECT_EQ(edit->EditText(), "123-____");
  Type("45");
  EXPECT_EQ(edit->Text(), "12345");
  EXPECT_TRUE(edit->Modified());
  // Backspace empties the position before the caret; over the literal too.
  KeyPress(VK_BACK);
  KeyPress(VK_BACK);
  KeyPress(VK_BACK);
  EXPECT_EQ(edit->EditText(), "12_-____");
  EXPECT_EQ(CharSel(), std::make_pair(2, 3));
  // Typing the literal where it stands ahead jumps past it.
  Type("3-9");
  EXPECT_EQ(edit->EditText(), "123-9___");
}

TEST_F(MaskEditTest, ChineseCharactersFillOnePositionEach) {
  edit->SetEditMask("CC-cc;1;_");
  Focus();
  edit->SetCursor(0);
  Type("中文");
  EXPECT_EQ(edit->EditText(), "中文-__");
  EXPECT_EQ(CharSel(), std::make_pair(3, 4));
  // The edit control's own positions are bytes: 3 for each Chinese character.
  EXPECT_EQ(edit->SelStart(), 7);
  EXPECT_EQ(edit->SelLength(), 1);
  Type("字");
  EXPECT_EQ(edit->Text(), "中文-字 ");
  // Left steps back one character at a time and skips the literal.
  KeyPress(VK_LEFT);
  EXPECT_EQ(CharSel(), std::make_pair(3, 4));
  KeyPress(VK_LEFT);
  EXPECT_EQ(CharSel(), std::make_pair(1, 2));
  EXPECT_EQ(edit->SelText(), "文");
  KeyPress(VK_RIGHT);
  EXPECT_EQ(CharSel(), std::make_pair(3, 4));
  KeyPress(VK_HOME);
  EXPECT_EQ(CharSel(), std::make_pair(0, 1));
  KeyPress(VK_DELETE);
  EXPECT_EQ(edit->EditText(), "_文-字_");
  KeyPress(VK_END);
  EXPECT_EQ(CharSel(), std::make_pair(5, 5));
}

TEST_F(MaskEditTest, CaseChangeAppliesToTypedLetters) {
  edit->SetEditMask(">LL<ll;0;_");
  Focus();
  edit->SetCursor(0);
  Type("abCD");
  EXPECT_EQ(edit->Text(), "ABcd");
}

TEST_F(MaskEditTest, ValidateEditRaisesThePlatformErrorForIncompleteInput) {
  edit->SetEditMask("000-0000;0;_");
  // Unchanged text is not checked.
  EXPECT_NO_THROW(edit->ValidateEdit());
  Focus();
  edit->SetCursor(0);
  Type("123");
  int pos = -1;
  EXPECT_FALSE(edit->Validate(edit->EditText(), pos));
  EXPECT_EQ(pos, 4);
  try {
    edit->ValidateEdit();
    ADD_FAILURE() << "no error";
  } catch (const EDBEditError& e) {
    EXPECT_STREQ(e.what(), "Invalid input value.  Use escape key to abandon changes");
  }
  // The caret waits at the first missing position.
  EXPECT_EQ(CharSel(), std::make_pair(4, 5));
  Type("4567");
  EXPECT_NO_THROW(edit->ValidateEdit());
  // Optional positions may stay empty.
  edit->SetEditMask("0999;0;_");
  edit->SetCursor(0);
  Type("5");
  EXPECT_TRUE(edit->Validate(edit->EditText(), pos));
}

TEST_F(MaskEditTest, LeavingAnIncompleteEditReportsTheErrorAndKeepsTheFocus) {
  TScriptedDialogService script(true);
  edit->SetEditMask("00;0;_");
  Focus();
  edit->SetCursor(0);
  Type("1");
  KeyPress(VK_TAB);
  ASSERT_FALSE(script.Requests().empty());
  // The application reports it as its exception dialogs do (with a closing full stop).
  EXPECT_EQ(script.Requests().back().Text, "Invalid input value.  Use escape key to abandon changes.");
  EXPECT_EQ(FindControl(GetFocus()), edit);
  // Escape gives the text of the entering back, and then the edit may be left.
  KeyPress(VK_ESCAPE);
  EXPECT_EQ(edit->EditText(), "__");
  script.ClearRequests();
  KeyPress(VK_TAB);
  EXPECT_TRUE(script.Requests().empty());
  EXPECT_EQ(FindControl(GetFocus()), other);
}

TEST_F(MaskEditTest, PasteFollowsTheMask) {
  edit->SetEditMask("000-0000;0;_");
  Focus();
  edit->SetCursor(0);
  ClipboardText("123-45");
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->EditText(), "123-45__");
  EXPECT_EQ(CharSel(), std::make_pair(6, 7));
  // A character the mask does not take stops the paste.
  edit->SetCursor(0);
  ClipboardText("9a8");
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->EditText(), "923-45__");
  // Ctrl+V goes the same way.
  edit->SetCursor(6);
  ClipboardText("77");
  FanoInputKey(VK_CONTROL, TRUE);
  KeyPress('V');
  FanoInputKey(VK_CONTROL, FALSE);
  Pump();
  EXPECT_EQ(edit->Text(), "9234577");
  // Cut empties the selected positions.
  edit->SetSel(0, 2);
  edit->CutToClipboard();
  EXPECT_EQ(edit->EditText(), "__3-4577");
  EXPECT_EQ(ClipboardText(), "92");
}

TEST_F(MaskEditTest, ReadOnlyMaskRefusesInput) {
  edit->SetEditMask("000;0;_");
  edit->SetReadOnly(true);
  Focus();
  edit->SetCursor(0);
  Type("1");
  KeyPress(VK_BACK);
  EXPECT_EQ(edit->EditText(), "___");
}

TEST_F(MaskEditTest, ChangeIsToldForEveryTypedCharacter) {
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  edit->SetEditMask("000;0;_");
  int afterMask = changes;
  Focus();
  edit->SetCursor(0);
  Type("12");
  EXPECT_EQ(changes - afterMask, 2);
  edit->OnChange = nullptr;
}

}  // namespace
