#pragma once
// The masked edit and its mask language.
//
// An edit mask has up to three sections separated by ';':
//   1. the mask: one character per position of the text, with
//        !  optional characters are kept as leading blanks in Text (trailing without it)
//        >  the following characters are made upper case, until <
//        <  the following characters are made lower case, until >  ("<>" ends both)
//        \  the next character is a literal
//        L  a letter                       l  a letter or nothing
//        A  a letter or digit              a  a letter, digit or nothing
//        C  any character                  c  any character or nothing
//        0  a digit                        9  a digit or nothing
//        #  a digit, + or -, or nothing
//        :  the time separator             /  the date separator (of FormatSettings)
//      and every other character a literal shown as it is;
//   2. "0" when Text leaves the literals out (any other value, or no section, keeps them);
//   3. the character that shows an empty position ('_' when not given).
// EditText is the text as shown (literals and blanks in place); Text is the input without the
// blanks (and without the literals for section 2 = "0"). Positions count characters, so a Chinese
// character fills one position.
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/stdctrls.h"
#include "platform/rtl/exceptions.h"

FANO_DECLARE_EXCEPTION(EDBEditError, Exception);

using TEditMask = std::string;

enum TMaskCharType { mcNone, mcLiteral, mcIntlLiteral, mcDirective, mcMask, mcMaskOpt, mcFieldSeparator, mcField };

// One position of a parsed mask.
struct TMaskPosition {
  bool Input = false;
  char32_t Literal = 0;   // literal positions: the character shown
  char Class = 0;         // input positions: one of L l A a C c 0 9 #
  bool Required = false;  // L A C 0
  int CaseChange = 0;     // 0 none, 1 upper, 2 lower
};

struct TParsedMask {
  std::vector<TMaskPosition> Positions;
  bool Reverse = false;   // '!'
  bool SaveLiterals = true;
  char32_t Blank = '_';
  int InputCount() const;
};

TParsedMask ParseEditMask(std::string_view editMask);
bool MaskGetMaskSave(std::string_view editMask);
char32_t MaskGetMaskBlank(std::string_view editMask);
// The text as a masked edit shows it: value holds the literals when the mask saves them, else only
// the input characters.
std::string FormatMaskText(std::string_view editMask, std::string_view value);
// Whether the character (after the position's case change) may stand at the input position.
bool MaskCharAccepted(const TMaskPosition& position, char32_t& ch);

class TCustomMaskEdit : public TCustomEdit {
  FANO_CLASS(TCustomMaskEdit)
 public:
  explicit TCustomMaskEdit(TComponent* owner);
  ~TCustomMaskEdit() override;

  const TEditMask& EditMask() const noexcept { return editMask_; }
  // Keeps the input characters and lays them out in the new mask.
  void SetEditMask(std::string_view value);
  bool IsMasked() const noexcept { return !editMask_.empty(); }
  // The text as shown.
  std::string EditText() const { return TControl::Text(); }
  void SetEditText(std::string_view value);
  // The input (see the top of this header); the window text when not masked.
  std::string Text() const;
  void SetText(std::string_view value);

  // Raises EDBEditError "Invalid input value.  Use escape key to abandon changes" for a changed
  // text whose required positions are not all filled (and puts the caret there).
  virtual void ValidateEdit();
  // The text of the last entering, back again.
  void Reset();
  void Clear() override;
  // Whether the user may change the text (descendants ask their host).
  virtual bool EditCanModify();

  void Dispatch(TMessage& m) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyUp(uint16_t& key, TShiftState shift) override;
  void KeyPress(TKeyChar& key) override;

  // The mask's validation: false and the first bad position (characters) when not complete.
  bool Validate(std::string_view value, int& pos) const;
  // The caret as one selected character at the position (characters), or at the end.
  void SetCursor(int pos);
  // Selection in characters of the text.
  void GetSel(int& start, int& stop) const;
  void SetSel(int start, int stop);

 protected:
  virtual void ValidateError();
  void CheckCursor();

 private:
  std::vector<char32_t> EditChars() const;
  void PutChars(const std::vector<char32_t>& chars, int selStart, int selStop);
  int NextInput(int from) const;   // first input position >= from, or -1
  int PrevInput(int before) const;  // last input position < before, or -1
  void ArrowKey(uint16_t key);
  void DeleteKeys(uint16_t key);
  void InputChar(char32_t ch);
  void PasteText(const std::string& text);
  void ReformatText(const TParsedMask& old);

  TEditMask editMask_;
  TParsedMask mask_;
  std::string oldValue_;
  bool reEnter_ = false;
  char16_t pendingHigh_ = 0;
};

class TMaskEdit : public TCustomMaskEdit {
  FANO_CLASS(TMaskEdit)
 public:
  explicit TMaskEdit(TComponent* owner) : TCustomMaskEdit(owner) {}
};

void RegisterMaskClasses();
