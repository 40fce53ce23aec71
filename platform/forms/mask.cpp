// The masked edit: the mask language, the layout of input into the mask, validation, and the
// editing keys of a masked text (one character replaced at a time, the caret moving over the
// literals).
#include "platform/forms/mask.h"

#include <unicode/uchar.h>

#include <algorithm>

#include "platform/forms/clipbrd.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_COMPONENT(TCustomMaskEdit, TCustomEdit)
FANO_IMPLEMENT_COMPONENT(TMaskEdit, TCustomMaskEdit)

namespace {

const char* const kInvalidInput = "Invalid input value.  Use escape key to abandon changes";

std::vector<char32_t> Decode(std::string_view s) {
  std::vector<char32_t> out;
  for (size_t p = 0; p < s.size();) out.push_back(Utf8Decode(s, p));
  return out;
}

std::string Encode(const std::vector<char32_t>& chars) {
  std::string out;
  for (char32_t c : chars) Utf8Append(out, c);
  return out;
}

// Byte offset of character index i of s (the end for indexes past it).
size_t ByteOf(std::string_view s, int index) {
  size_t p = 0;
  for (int i = 0; i < index && p < s.size(); ++i) Utf8Decode(s, p);
  return p;
}

// Character index of byte offset b of s.
int CharOf(std::string_view s, size_t b) {
  int n = 0;
  for (size_t p = 0; p < s.size() && p < b; ++n) Utf8Decode(s, p);
  return n;
}

// The mask's sections: the mask, the save flag, the blank character (escapes honoured).
void SplitSections(std::string_view editMask, std::string& mask, std::string& save, std::string& blank) {
  int section = 0;
  std::string* out[3] = {&mask, &save, &blank};
  for (size_t i = 0; i < editMask.size(); ++i) {
    char c = editMask[i];
    if (section == 0 && c == '\\' && i + 1 < editMask.size()) {
      mask += c;
      mask += editMask[++i];
      continue;
    }
    if (c == ';' && section < 2) {
      ++section;
      continue;
    }
    *out[section] += c;
  }
}

// Input positions left empty: blanks in the text as shown, spaces in Text.
std::vector<char32_t> RemoveEditFormat(const TParsedMask& m, const std::vector<char32_t>& chars) {
  std::vector<char32_t> in;
  for (size_t i = 0; i < m.Positions.size(); ++i)
    if (m.Positions[i].Input) in.push_back(i < chars.size() ? chars[i] : m.Blank);
  auto blank = [&](char32_t c) { return c == m.Blank || c == ' '; };
  if (m.Reverse) {
    size_t k = 0;
    while (k < in.size() && blank(in[k])) ++k;
    in.erase(in.begin(), in.begin() + static_cast<long>(k));
  } else {
    while (!in.empty() && blank(in.back())) in.pop_back();
  }
  for (char32_t& c : in)
    if (c == m.Blank) c = ' ';
  return in;
}

// The input characters laid into the mask (right-aligned with '!'); empty positions get the blank
// (active) or a space.
std::vector<char32_t> AddEditFormat(const TParsedMask& m, std::vector<char32_t> in, bool active) {
  char32_t pad = active ? m.Blank : U' ';
  size_t n = static_cast<size_t>(m.InputCount());
  if (in.size() > n) in.resize(n);
  if (in.size() < n) {
    if (m.Reverse) in.insert(in.begin(), n - in.size(), pad);
    else in.resize(n, pad);
  }
  std::vector<char32_t> out;
  size_t k = 0;
  for (const TMaskPosition& p : m.Positions) {
    if (!p.Input) {
      out.push_back(p.Literal);
      continue;
    }
    char32_t c = in[k++];
    if (c == ' ' || c == m.Blank) c = pad;
    else MaskCharAccepted(p, c);  // the case change
    out.push_back(c);
  }
  return out;
}

// A value that holds the literals, position by position.
std::vector<char32_t> PadInputLiterals(const TParsedMask& m, const std::vector<char32_t>& value, bool active) {
  char32_t pad = active ? m.Blank : U' ';
  std::vector<char32_t> out;
  for (size_t i = 0; i < m.Positions.size(); ++i) {
    const TMaskPosition& p = m.Positions[i];
    if (!p.Input) {
      out.push_back(p.Literal);
      continue;
    }
    char32_t c = i < value.size() ? value[i] : pad;
    if (c == ' ' || c == m.Blank) c = pad;
    else MaskCharAccepted(p, c);
    out.push_back(c);
  }
  return out;
}

std::vector<char32_t> FormatChars(const TParsedMask& m, std::string_view value) {
  std::vector<char32_t> v = Decode(value);
  return m.SaveLiterals ? PadInputLiterals(m, v, true) : AddEditFormat(m, v, true);
}

}  // namespace

// ---- the mask language -------------------------------------------------------------------------

int TParsedMask::InputCount() const {
  return static_cast<int>(std::count_if(Positions.begin(), Positions.end(), [](const TMaskPosition& p) { return p.Input; }));
}

TParsedMask ParseEditMask(std::string_view editMask) {
  TParsedMask m;
  std::string mask, save, blank;
  SplitSections(editMask, mask, save, blank);
  m.SaveLiterals = !(save.size() == 1 && save[0] == '0');
  if (!blank.empty()) {
    size_t p = 0;
    m.Blank = Utf8Decode(blank, p);
  }
  int caseChange = 0;
  for (size_t i = 0; i < mask.size();) {
    char32_t c = Utf8Decode(mask, i);
    TMaskPosition pos;
    switch (c) {
      case '!': m.Reverse = true; continue;
      case '>':
        if (i < mask.size() && mask[i] == '<') {
          ++i;
          caseChange = 0;
        } else {
          caseChange = 1;
        }
        continue;
      case '<':
        if (i < mask.size() && mask[i] == '>') {
          ++i;
          caseChange = 0;
        } else {
          caseChange = 2;
        }
        continue;
      case '\\':
        if (i >= mask.size()) continue;
        pos.Literal = Utf8Decode(mask, i);
        break;
      case 'L': case 'l': case 'A': case 'a': case 'C': case 'c': case '0': case '9': case '#':
        pos.Input = true;
        pos.Class = static_cast<char>(c);
        pos.Required = c == 'L' || c == 'A' || c == 'C' || c == '0';
        pos.CaseChange = caseChange;
        break;
      case ':': pos.Literal = static_cast<unsigned char>(FormatSettings.TimeSeparator); break;
      case '/': pos.Literal = static_cast<unsigned char>(FormatSettings.DateSeparator); break;
      default: pos.Literal = c; break;
    }
    m.Positions.push_back(pos);
  }
  return m;
}

bool MaskGetMaskSave(std::string_view editMask) { return ParseEditMask(editMask).SaveLiterals; }
char32_t MaskGetMaskBlank(std::string_view editMask) { return ParseEditMask(editMask).Blank; }

std::string FormatMaskText(std::string_view editMask, std::string_view value) {
  TParsedMask m = ParseEditMask(editMask);
  if (m.Positions.empty()) return std::string(value);
  return Encode(FormatChars(m, value));
}

bool MaskCharAccepted(const TMaskPosition& position, char32_t& ch) {
  if (position.CaseChange == 1) ch = static_cast<char32_t>(u_toupper(static_cast<UChar32>(ch)));
  else if (position.CaseChange == 2) ch = static_cast<char32_t>(u_tolower(static_cast<UChar32>(ch)));
  UChar32 c = static_cast<UChar32>(ch);
  switch (position.Class) {
    case 'L':
    case 'l': return u_isalpha(c);
    case 'A':
    case 'a': return u_isalpha(c) || (c >= '0' && c <= '9');
    case 'C':
    case 'c': return c >= 32;
    case '0':
    case '9': return c >= '0' && c <= '9';
    case '#': return (c >= '0' && c <= '9') || c == '+' || c == '-';
    default: return false;
  }
}

// ---- TCustomMaskEdit ---------------------------------------------------------------------------

TCustomMaskEdit::TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}
TCustomMaskEdit::~TCustomMaskEdit() = default;

std::vector<char32_t> TCustomMaskEdit::EditChars() const {
  std::vector<char32_t> chars = Decode(EditText());
  if (chars.size() != mask_.Positions.size()) chars = PadInputLiterals(mask_, chars, true);
  return chars;
}

void TCustomMaskEdit::PutChars(const std::vector<char32_t>& chars, int selStart, int selStop) {
  SetTextValue(Encode(chars));
  SetModified(true);
  if (HandleAllocated()) SetSel(selStart, selStop);
}

void TCustomMaskEdit::SetEditMask(std::string_view value) {
  if (value == editMask_) return;
  int start = 0, stop = 0;
  if (HandleAllocated()) GetSel(start, stop);
  TParsedMask old = mask_;
  bool wasMasked = IsMasked();
  editMask_ = std::string(value);
  mask_ = ParseEditMask(editMask_);
  if (!IsMasked()) {
    // The input stays as it was entered.
    if (wasMasked) TControl::SetText(Encode(RemoveEditFormat(old, Decode(EditText()))));
  } else {
    ReformatText(old);
  }
  oldValue_ = EditText();
  if (HandleAllocated() && IsMasked()) SetCursor(start);
}

void TCustomMaskEdit::ReformatText(const TParsedMask& old) {
  std::vector<char32_t> in =
      old.Positions.empty() ? Decode(EditText()) : RemoveEditFormat(old, Decode(EditText()));
  TControl::SetText(Encode(AddEditFormat(mask_, in, true)));
}

void TCustomMaskEdit::SetEditText(std::string_view value) {
  if (!IsMasked()) {
    TControl::SetText(value);
    return;
  }
  std::vector<char32_t> chars = Decode(value);
  if (chars.size() != mask_.Positions.size()) chars = PadInputLiterals(mask_, chars, true);
  TControl::SetText(Encode(chars));
}

std::string TCustomMaskEdit::Text() const {
  if (!IsMasked()) return TControl::Text();
  std::vector<char32_t> in = RemoveEditFormat(mask_, EditChars());
  if (mask_.SaveLiterals) return Encode(AddEditFormat(mask_, in, false));
  return Encode(in);
}

void TCustomMaskEdit::SetText(std::string_view value) {
  if (!IsMasked()) {
    TControl::SetText(value);
    return;
  }
  TControl::SetText(Encode(FormatChars(mask_, value)));
}

void TCustomMaskEdit::Clear() { SetText(""); }

bool TCustomMaskEdit::EditCanModify() { return true; }

bool TCustomMaskEdit::Validate(std::string_view value, int& pos) const {
  pos = 0;
  if (!IsMasked()) return true;
  std::vector<char32_t> chars = Decode(value);
  for (size_t i = 0; i < mask_.Positions.size(); ++i) {
    const TMaskPosition& p = mask_.Positions[i];
    if (!p.Input) continue;
    char32_t c = i < chars.size() ? chars[i] : mask_.Blank;
    bool empty = c == mask_.Blank || c == ' ';
    bool ok = empty ? !p.Required : MaskCharAccepted(p, c);
    if (!ok) {
      pos = static_cast<int>(i);
      return false;
    }
  }
  return true;
}

void TCustomMaskEdit::ValidateError() {
  MessageBeep(0);
  throw EDBEditError(kInvalidInput);
}

void TCustomMaskEdit::ValidateEdit() {
  if (!IsMasked() || !Modified()) return;
  int pos = 0;
  if (Validate(EditText(), pos)) return;
  if (!InState(csDesigning) && HandleAllocated() && CanFocus()) {
    reEnter_ = true;
    SetFocus();
  }
  if (HandleAllocated()) SetCursor(pos);
  ValidateError();
}

void TCustomMaskEdit::Reset() {
  if (!Modified()) return;
  SetEditText(oldValue_);
  SetModified(false);
}

void TCustomMaskEdit::GetSel(int& start, int& stop) const {
  DWORD a = 0, b = 0;
  SendMessage(const_cast<TCustomMaskEdit*>(this)->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  std::string t = EditText();
  start = CharOf(t, a);
  stop = CharOf(t, b);
}

void TCustomMaskEdit::SetSel(int start, int stop) {
  std::string t = EditText();
  SendMessage(Handle(), EM_SETSEL, ByteOf(t, start), static_cast<LPARAM>(ByteOf(t, stop)));
}

int TCustomMaskEdit::NextInput(int from) const {
  for (int i = std::max(0, from); i < static_cast<int>(mask_.Positions.size()); ++i)
    if (mask_.Positions[static_cast<size_t>(i)].Input) return i;
  return -1;
}

int TCustomMaskEdit::PrevInput(int before) const {
  for (int i = std::min(before, static_cast<int>(mask_.Positions.size())) - 1; i >= 0; --i)
    if (mask_.Positions[static_cast<size_t>(i)].Input) return i;
  return -1;
}

void TCustomMaskEdit::SetCursor(int pos) {
  if (!IsMasked() || !HandleAllocated()) return;
  int n = static_cast<int>(mask_.Positions.size());
  int p = pos < n ? NextInput(pos) : -1;
  if (p < 0) SetSel(n, n);
  else SetSel(p, p + 1);
  SendMessage(WindowHandle(), EM_SCROLLCARET, 0, 0);
}

void TCustomMaskEdit::CheckCursor() {
  if (!IsMasked() || !HandleAllocated()) return;
  int start = 0, stop = 0;
  GetSel(start, stop);
  if (start == stop) SetCursor(start);
}

void TCustomMaskEdit::ArrowKey(uint16_t key) {
  int start = 0, stop = 0;
  GetSel(start, stop);
  int n = static_cast<int>(mask_.Positions.size());
  switch (key) {
    case VK_LEFT: {
      int p = PrevInput(start);
      SetCursor(p >= 0 ? p : start);
      break;
    }
    case VK_RIGHT: {
      int p = NextInput(start + 1);
      if (p < 0) SetSel(n, n);
      else SetCursor(p);
      break;
    }
    case VK_HOME: SetCursor(0); break;
    case VK_END: SetSel(n, n); break;
    default: break;
  }
}

void TCustomMaskEdit::DeleteKeys(uint16_t key) {
  if (ReadOnly() || !EditCanModify()) return;
  int start = 0, stop = 0;
  GetSel(start, stop);
  std::vector<char32_t> chars = EditChars();
  auto blankRange = [&](int a, int b) {
    for (int i = std::max(0, a); i < b && i < static_cast<int>(chars.size()); ++i)
      if (mask_.Positions[static_cast<size_t>(i)].Input) chars[static_cast<size_t>(i)] = mask_.Blank;
  };
  if (stop - start > 1 || (key == VK_DELETE && stop > start)) {
    blankRange(start, stop);
    PutChars(chars, start, start);
    SetCursor(start);
    return;
  }
  int p = key == VK_BACK ? PrevInput(start) : NextInput(start);
  if (p < 0) {
    MessageBeep(0);
    return;
  }
  blankRange(p, p + 1);
  PutChars(chars, p, p);
  SetCursor(p);
}

void TCustomMaskEdit::InputChar(char32_t ch) {
  if (ReadOnly() || !EditCanModify()) {
    MessageBeep(0);
    return;
  }
  int start = 0, stop = 0;
  GetSel(start, stop);
  std::vector<char32_t> chars = EditChars();
  bool changed = false;
  if (stop - start > 1) {
    for (int i = start; i < stop && i < static_cast<int>(chars.size()); ++i)
      if (mask_.Positions[static_cast<size_t>(i)].Input) chars[static_cast<size_t>(i)] = mask_.Blank;
    changed = true;
  }
  int p = NextInput(start);
  if (p >= 0) {
    const TMaskPosition& pos = mask_.Positions[static_cast<size_t>(p)];
    char32_t c = ch;
    bool blankOk = (ch == ' ' || ch == mask_.Blank) && !pos.Required;
    if (blankOk || MaskCharAccepted(pos, c)) {
      chars[static_cast<size_t>(p)] = blankOk ? mask_.Blank : c;
      int next = NextInput(p + 1);
      int n = static_cast<int>(chars.size());
      PutChars(chars, next < 0 ? n : next, next < 0 ? n : next);
      SetCursor(next < 0 ? n : next);
      return;
    }
  }
  // A literal typed where it stands ahead: the caret jumps past it.
  for (int i = start; i < static_cast<int>(mask_.Positions.size()); ++i) {
    const TMaskPosition& pos = mask_.Positions[static_cast<size_t>(i)];
    if (!pos.Input && pos.Literal == ch) {
      if (changed) PutChars(chars, i + 1, i + 1);
      SetCursor(i + 1);
      return;
    }
    if (pos.Input && i >= p && p >= 0) break;
  }
  if (changed) PutChars(chars, start, start);
  MessageBeep(0);
}

void TCustomMaskEdit::PasteText(const std::string& text) {
  if (ReadOnly() || !EditCanModify()) return;
  int start = 0, stop = 0;
  GetSel(start, stop);
  std::vector<char32_t> chars = EditChars();
  for (int i = start; i < stop && i < static_cast<int>(chars.size()); ++i)
    if (mask_.Positions[static_cast<size_t>(i)].Input) chars[static_cast<size_t>(i)] = mask_.Blank;
  int at = start;
  int n = static_cast<int>(chars.size());
  for (char32_t ch : Decode(text)) {
    if (at >= n) break;
    const TMaskPosition& here = mask_.Positions[static_cast<size_t>(at)];
    if (!here.Input && here.Literal == ch) {
      ++at;
      continue;
    }
    int p = NextInput(at);
    if (p < 0) break;
    char32_t c = ch;
    if (!MaskCharAccepted(mask_.Positions[static_cast<size_t>(p)], c)) {
      MessageBeep(0);
      break;
    }
    chars[static_cast<size_t>(p)] = c;
    at = p + 1;
  }
  PutChars(chars, at, at);
  SetCursor(at);
}

void TCustomMaskEdit::KeyDown(uint16_t& key, TShiftState shift) {
  if (IsMasked() && key != 0 && !shift.Contains(ssAlt)) {
    bool plain = !shift.Contains(ssShift) && !shift.Contains(ssCtrl);
    if ((key == VK_LEFT || key == VK_RIGHT) && plain) {
      TCustomEdit::KeyDown(key, shift);
      if (key == 0) return;
      ArrowKey(key);
      key = 0;
      return;
    }
    if ((key == VK_HOME || key == VK_END) && plain) {
      TCustomEdit::KeyDown(key, shift);
      if (key == 0) return;
      ArrowKey(key);
      key = 0;
      return;
    }
    if (key == VK_DELETE && !shift.Contains(ssShift)) {
      TCustomEdit::KeyDown(key, shift);
      if (key == 0) return;
      DeleteKeys(VK_DELETE);
      key = 0;
      return;
    }
  }
  TCustomEdit::KeyDown(key, shift);
}

void TCustomMaskEdit::KeyUp(uint16_t& key, TShiftState shift) {
  TCustomEdit::KeyUp(key, shift);
  if (IsMasked() && (key == VK_LEFT || key == VK_RIGHT) && shift.Contains(ssCtrl)) CheckCursor();
}

void TCustomMaskEdit::KeyPress(TKeyChar& key) {
  TCustomEdit::KeyPress(key);
  if (!IsMasked() || key == 0) return;
  // The clipboard keys go to the control, which asks us through WM_PASTE / WM_CUT / WM_COPY.
  if (key == 0x16 || key == 0x18 || key == 0x03) return;
  TKeyChar k = key;
  key = 0;
  if (k >= 0xD800 && k <= 0xDBFF) {
    pendingHigh_ = k;
    return;
  }
  char32_t ch = k;
  if (k >= 0xDC00 && k <= 0xDFFF) {
    if (!pendingHigh_) return;
    ch = 0x10000 + ((static_cast<char32_t>(pendingHigh_) - 0xD800) << 10) + (k - 0xDC00);
  }
  pendingHigh_ = 0;
  if (ch == 27) {
    Reset();
    SelectAll();
    return;
  }
  if (ch == 8) {
    DeleteKeys(VK_BACK);
    return;
  }
  if (ch >= 32) InputChar(ch);
}

void TCustomMaskEdit::Dispatch(TMessage& m) {
  if (IsMasked() && !InState(csDesigning)) {
    switch (m.Msg) {
      case CM_ENTER:
        if (!reEnter_) oldValue_ = EditText();
        TCustomEdit::Dispatch(m);
        reEnter_ = false;
        CheckCursor();
        return;
      case CM_EXIT:
        ValidateEdit();
        CheckCursor();
        TCustomEdit::Dispatch(m);
        return;
      case WM_LBUTTONUP:
        TCustomEdit::Dispatch(m);
        if (HandleAllocated() && GetFocus() == WindowHandle()) CheckCursor();
        return;
      case WM_PASTE:
        if (Clipboard()->HasFormat(CF_UNICODETEXT)) PasteText(Clipboard()->AsText());
        return;
      case WM_CUT:
        if (ReadOnly() || !EditCanModify()) return;
        Perform(WM_COPY, 0, 0);
        DeleteKeys(VK_DELETE);
        return;
      case WM_CLEAR:
        DeleteKeys(VK_DELETE);
        return;
      case WM_UNDO:
        Reset();
        return;
      default: break;
    }
  }
  TCustomEdit::Dispatch(m);
}
