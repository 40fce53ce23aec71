#include "editors/memostrings.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "editors/dbeditbase.h"
#include "platform/rtl/exceptions.h"

FANO_IMPLEMENT_ABSTRACT(TCvMemoStrings, TStrings)

namespace {

LRESULT Send(HWND h, UINT msg, LRESULT wp, LPARAM lp = 0) { return SendMessage(h, msg, static_cast<WPARAM>(wp), lp); }

// Line breaks of any kind (CR, LF, CR LF) as CR LF.
std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

// The lines of a text as a string list reads them: at line breaks of any kind, a final one ending
// the last line.
std::vector<std::string> TextLines(std::string_view text) {
  TStringList lines;
  lines.SetText(text);
  return lines.ToVector();
}

void ReplaceRange(HWND h, LRESULT start, LRESULT end, const std::string& text) {
  Send(h, EM_SETSEL, start, end);
  Send(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

std::string TCvMemoStrings::Get(int index) const {
  // Without a window (an editor not placed yet, or the default one a form is written against)
  // the lines are read from the text: a window may not be possible there.
  if (!editor_->HandleAllocated()) {
    std::vector<std::string> lines = TextLines(editor_->TCustomMaskEdit::EditText());
    return index >= 0 && index < static_cast<int>(lines.size()) ? lines[static_cast<size_t>(index)] : std::string();
  }
  HWND h = editor_->Handle();
  LRESULT start = Send(h, EM_LINEINDEX, index);
  if (start < 0) return "";
  LRESULT length = Send(h, EM_LINELENGTH, start);
  if (length <= 0) return "";
  // EM_GETLINE takes the buffer size in its first word; a longer line is read whole from the text.
  if (length < 0xFFFF) {
    std::string buf(static_cast<size_t>(std::max<LRESULT>(length, 2)), '\0');
    WORD cap = static_cast<WORD>(length);
    std::memcpy(buf.data(), &cap, sizeof cap);
    LRESULT n = Send(h, EM_GETLINE, index, reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<size_t>(std::clamp<LRESULT>(n, 0, length)));
    return buf;
  }
  std::string text = editor_->TCustomMaskEdit::EditText();
  return text.substr(static_cast<size_t>(start), static_cast<size_t>(length));
}

int TCvMemoStrings::GetCount() const {
  if (!editor_->HandleAllocated()) return static_cast<int>(TextLines(editor_->TCustomMaskEdit::EditText()).size());
  HWND h = editor_->Handle();
  int n = static_cast<int>(Send(h, EM_GETLINECOUNT, 0));
  LRESULT start = Send(h, EM_LINEINDEX, n - 1);
  if (Send(h, EM_LINELENGTH, start) == 0) --n;
  return n;
}

std::string TCvMemoStrings::GetTextStr() const { return editor_->Text(); }

void TCvMemoStrings::Put(int index, std::string_view s) {
  HWND h = editor_->Handle();
  LRESULT start = Send(h, EM_LINEINDEX, index);
  if (start < 0) return;
  ReplaceRange(h, start, start + Send(h, EM_LINELENGTH, start), std::string(s));
}

void TCvMemoStrings::SetTextStr(std::string_view text) {
  std::string value = WithCrLf(text);
  if (value == editor_->TCustomMaskEdit::EditText()) return;
  HWND h = editor_->Handle();
  if (!SendMessage(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str())))
    throw EInvalidOperation("Text exceeds memo capacity");
  editor_->Perform(CM_TEXTCHANGED, 0, 0);
}

void TCvMemoStrings::SetUpdateState(bool updating) {
  if (!editor_->HandleAllocated()) return;
  SendMessage(editor_->WindowHandle(), WM_SETREDRAW, updating ? 0 : 1, 0);
  if (!updating) editor_->Refresh();
}

void TCvMemoStrings::Clear() { editor_->Clear(); }

void TCvMemoStrings::Delete(int index) {
  HWND h = editor_->Handle();
  LRESULT start = Send(h, EM_LINEINDEX, index);
  if (start < 0) return;
  LRESULT end = Send(h, EM_LINEINDEX, index + 1);
  if (end < 0) end = start + Send(h, EM_LINELENGTH, start);
  ReplaceRange(h, start, end, "");
}

void TCvMemoStrings::Insert(int index, std::string_view s) {
  if (index < 0) return;
  HWND h = editor_->Handle();
  LRESULT pos = Send(h, EM_LINEINDEX, index);
  if (pos >= 0) {
    ReplaceRange(h, pos, pos, std::string(s) + "\r\n");
    return;
  }
  // Past the last line: a new line after the text, even when the last line is empty.
  LRESULT length = Send(h, WM_GETTEXTLENGTH, 0);
  ReplaceRange(h, length, length, (length > 0 ? "\r\n" : "") + std::string(s));
}
