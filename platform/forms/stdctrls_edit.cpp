// Edits and memos over the window system's edit control.
#include <algorithm>

#include "platform/forms/stdctrls.h"

FANO_IMPLEMENT_COMPONENT(TCustomEdit, TWinControl)
FANO_IMPLEMENT_COMPONENT(TEdit, TCustomEdit)
FANO_IMPLEMENT_ABSTRACT(TMemoStrings, TStrings)
FANO_IMPLEMENT_COMPONENT(TCustomMemo, TCustomEdit)
FANO_IMPLEMENT_COMPONENT(TMemo, TCustomMemo)

namespace {

// Every lone CR and lone LF becomes CR LF.
std::string AdjustLineBreaks(std::string_view s) {
  std::string out;
  out.reserve(s.size() + s.size() / 16);
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

// ---- TCustomEdit ------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight});
  SetBounds(Left(), Top(), 121, 25);
  SetTabStop(true);
  SetParentColor(false);
  TWinControl::SetAutoSize(true);
  AdjustHeight();
}

TCustomEdit::~TCustomEdit() = default;

void TCustomEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_EDIT);
  params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (passwordChar_) params.Style |= ES_PASSWORD;
  if (readOnly_) params.Style |= ES_READONLY;
  if (charCase_ == ecUpperCase) params.Style |= ES_UPPERCASE;
  if (charCase_ == ecLowerCase) params.Style |= ES_LOWERCASE;
  if (!hideSelection_) params.Style |= ES_NOHIDESEL;
  if (oemConvert_) params.Style |= ES_OEMCONVERT;
  if (borderStyle_ == bsSingle) {
    if (Ctl3D()) params.ExStyle |= WS_EX_CLIENTEDGE;
    else params.Style |= WS_BORDER;
  }
}

void TCustomEdit::CreateWnd() {
  creating_ = true;
  try {
    TWinControl::CreateWnd();
  } catch (...) {
    creating_ = false;
    throw;
  }
  creating_ = false;
  HWND h = WindowHandle();
  SendMessage(h, EM_LIMITTEXT, static_cast<WPARAM>(std::max(0, maxLength_)), 0);
  SendMessage(h, EM_SETMODIFY, modified_ ? 1 : 0, 0);
  if (passwordChar_) SendMessage(h, EM_SETPASSWORDCHAR, passwordChar_, 0);
  UpdateHeight();
}

void TCustomEdit::DestroyWnd() {
  modified_ = Modified();
  TWinControl::DestroyWnd();
}

void TCustomEdit::SetAutoSize(bool v) {
  if (AutoSize() == v) return;
  TWinControl::SetAutoSize(v);
  UpdateHeight();
}

void TCustomEdit::SetBorderStyle(TBorderStyle v) {
  if (borderStyle_ == v) return;
  borderStyle_ = v;
  UpdateHeight();
  RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase v) { SetAndRecreate(charCase_, v); }

void TCustomEdit::SetHideSelection(bool v) { SetAndRecreate(hideSelection_, v); }

void TCustomEdit::SetMaxLength(int v) {
  if (maxLength_ == v) return;
  maxLength_ = v;
  if (HandleAllocated()) SendMessage(WindowHandle(), EM_LIMITTEXT, static_cast<WPARAM>(std::max(0, v)), 0);
}

bool TCustomEdit::Modified() const {
  if (HandleAllocated()) return SendMessage(WindowHandle(), EM_GETMODIFY, 0, 0) != 0;
  return modified_;
}

void TCustomEdit::SetModified(bool v) {
  if (HandleAllocated()) SendMessage(WindowHandle(), EM_SETMODIFY, v ? 1 : 0, 0);
  else modified_ = v;
}

void TCustomEdit::SetOEMConvert(bool v) { SetAndRecreate(oemConvert_, v); }

void TCustomEdit::SetPasswordChar(char32_t v) {
  if (passwordChar_ == v) return;
  passwordChar_ = v;
  if (HandleAllocated()) {
    SendMessage(WindowHandle(), EM_SETPASSWORDCHAR, v, 0);
    Invalidate();
  }
}

void TCustomEdit::SetReadOnly(bool v) {
  if (readOnly_ == v) return;
  readOnly_ = v;
  if (HandleAllocated()) SendMessage(WindowHandle(), EM_SETREADONLY, v ? 1 : 0, 0);
}

int TCustomEdit::SelStart() const {
  DWORD a = 0;
  DWORD b = 0;
  SendMessage(const_cast<TCustomEdit*>(this)->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return static_cast<int>(a);
}

void TCustomEdit::SetSelStart(int v) { SendMessage(Handle(), EM_SETSEL, static_cast<WPARAM>(v), v); }

int TCustomEdit::SelLength() const {
  DWORD a = 0;
  DWORD b = 0;
  SendMessage(const_cast<TCustomEdit*>(this)->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return static_cast<int>(b) - static_cast<int>(a);
}

// A negative length selects backwards: the caret stays at the start of the selection.
void TCustomEdit::SetSelLength(int v) {
  DWORD a = 0;
  DWORD b = 0;
  SendMessage(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  // Below the start of the text the selection stops there (a negative end would mean "to the end").
  int end = std::max(0, static_cast<int>(a) + v);
  SendMessage(Handle(), EM_SETSEL, a, end);
  SendMessage(Handle(), EM_SCROLLCARET, 0, 0);
}

std::string TCustomEdit::SelText() const {
  std::string t = Text();
  size_t a = static_cast<size_t>(std::max(0, SelStart()));
  size_t n = static_cast<size_t>(std::max(0, SelLength()));
  if (a >= t.size()) return {};
  return t.substr(a, n);
}

void TCustomEdit::SetSelText(std::string_view v) {
  std::string copy(v);
  SendMessage(Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(copy.c_str()));
}

bool TCustomEdit::CanUndo() const {
  return HandleAllocated() && SendMessage(WindowHandle(), EM_CANUNDO, 0, 0) != 0;
}

void TCustomEdit::Clear() { SetText(""); }
void TCustomEdit::ClearSelection() { SendMessage(Handle(), WM_CLEAR, 0, 0); }
void TCustomEdit::CopyToClipboard() { SendMessage(Handle(), WM_COPY, 0, 0); }
void TCustomEdit::CutToClipboard() { SendMessage(Handle(), WM_CUT, 0, 0); }
void TCustomEdit::PasteFromClipboard() { SendMessage(Handle(), WM_PASTE, 0, 0); }
void TCustomEdit::Undo() { SendMessage(Handle(), WM_UNDO, 0, 0); }
void TCustomEdit::ClearUndo() { SendMessage(Handle(), EM_EMPTYUNDOBUFFER, 0, 0); }
void TCustomEdit::SelectAll() { SendMessage(Handle(), EM_SETSEL, 0, -1); }

int TCustomEdit::GetSelTextBuf(char* buffer, int bufSize) const {
  if (!buffer || bufSize <= 0) return 0;
  std::string s = SelText();
  size_t n = std::min(s.size(), static_cast<size_t>(bufSize - 1));
  while (n > 0 && n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  std::copy_n(s.data(), n, buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

void TCustomEdit::SetSelTextBuf(const char* buffer) { SetSelText(buffer ? buffer : ""); }

void TCustomEdit::Change() {
  TControl::Changed();
  if (OnChange) OnChange(this);
}

void TCustomEdit::AdjustHeight() {
  HDC dc = GetDC(nullptr);
  TEXTMETRICA sys{};
  GetTextMetricsA(dc, &sys);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  int extra = (Ctl3D() ? 8 : 6) * GetSystemMetrics(SM_CYBORDER);
  SetHeight(static_cast<int>(tm.tmHeight) + extra);
}

void TCustomEdit::UpdateHeight() {
  TControlStyle s = ControlStyle();
  if (AutoSize() && borderStyle_ == bsSingle) {
    s.Include(csFixedHeight);
    SetControlStyle(s);
    AdjustHeight();
  } else {
    s.Exclude(csFixedHeight);
    SetControlStyle(s);
  }
}

void TCustomEdit::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_ENTER: CMEnter(m); return;
    case CM_TEXTCHANGED: CMTextChanged(m); return;
    case CM_FONTCHANGED: CMFontChanged(m); return;
    case CN_COMMAND: CNCommand(m); return;
    case CM_CTL3DCHANGED:
      TWinControl::Dispatch(m);
      if (borderStyle_ == bsSingle) {
        UpdateHeight();
        RecreateWnd();
      }
      return;
    case WM_CONTEXTMENU:
      SetFocus();
      TWinControl::Dispatch(m);
      return;
    default: TWinControl::Dispatch(m); return;
  }
}

void TCustomEdit::CMEnter(TMessage& m) {
  if (autoSelect_ && !ControlState().Contains(csLButtonDown) && HandleAllocated() &&
      (GetWindowLong(WindowHandle(), GWL_STYLE) & ES_MULTILINE) == 0)
    SelectAll();
  TWinControl::Dispatch(m);
}

// A multi-line edit control does not announce text set in code; the control does it here.
void TCustomEdit::CMTextChanged(TMessage& m) {
  TWinControl::Dispatch(m);
  if (!HandleAllocated() || (GetWindowLong(WindowHandle(), GWL_STYLE) & ES_MULTILINE) != 0) Change();
}

void TCustomEdit::CMFontChanged(TMessage& m) {
  TWinControl::Dispatch(m);
  if (ControlStyle().Contains(csFixedHeight) && !(InState(csDesigning) && InState(csLoading))) AdjustHeight();
}

void TCustomEdit::CNCommand(TMessage& m) {
  if (m.WParamHi() == EN_CHANGE && !creating_) Change();
}

// ---- TMemoStrings -----------------------------------------------------------------------------

void TMemoStrings::Flush() const {
  if (!pendingCount_) return;
  // Taken first: the messages below reach the memo, which flushes what is still held.
  std::string text = std::move(pending_);
  pending_.clear();
  pendingCount_ = 0;
  InsertNow(pendingBase_, text);
}

std::string TMemoStrings::Get(int index) const {
  Flush();
  HWND h = memo_->Handle();
  LRESULT start = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  if (start < 0) return "";
  LRESULT length = SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  if (length <= 0) return "";
  // EM_GETLINE takes the buffer size in its first word; a longer line is read whole from the text.
  if (length < 0xFFFF) {
    std::string buf(static_cast<size_t>(std::max<LRESULT>(length, 2)), '\0');
    WORD cap = static_cast<WORD>(length);
    std::copy_n(reinterpret_cast<const char*>(&cap), sizeof cap, buf.data());
    LRESULT n = SendMessage(h, EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<size_t>(std::clamp<LRESULT>(n, 0, length)));
    return buf;
  }
  return memo_->Text().substr(static_cast<size_t>(start), static_cast<size_t>(length));
}

int TMemoStrings::GetCount() const {
  if (pendingCount_) return pendingBase_ + pendingCount_;
  if (!memo_->HandleAllocated() && memo_->GetTextLen() == 0) return 0;
  HWND h = memo_->Handle();
  int n = static_cast<int>(SendMessage(h, EM_GETLINECOUNT, 0, 0));
  LRESULT start = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(n - 1), 0);
  if (SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0) == 0) --n;
  return n;
}

std::string TMemoStrings::GetTextStr() const {
  Flush();
  return memo_->Text();
}

void TMemoStrings::Put(int index, std::string_view s) {
  Flush();
  HWND h = memo_->Handle();
  LRESULT start = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  if (start < 0) return;
  LRESULT len = SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  SendMessage(h, EM_SETSEL, static_cast<WPARAM>(start), start + len);
  std::string copy(s);
  SendMessage(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(copy.c_str()));
}

void TMemoStrings::Insert(int index, std::string_view s) {
  if (index < 0) return;
  if (UpdateCount() > 0 && memo_->HandleAllocated()) {
    // Added at the end inside an update block: held back, laid out once at the end.
    if (pendingCount_ && index == pendingBase_ + pendingCount_) {
      pending_ += "\r\n";
      pending_ += s;
      ++pendingCount_;
      return;
    }
    if (!pendingCount_ && index == GetCount()) {
      pendingBase_ = index;
      pending_.assign(s);
      pendingCount_ = 1;
      return;
    }
  }
  Flush();
  InsertNow(index, s);
}

void TMemoStrings::InsertNow(int index, std::string_view s) const {
  HWND h = memo_->Handle();
  LRESULT pos = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  std::string line;
  if (pos >= 0) {
    line = std::string(s) + "\r\n";
  } else {
    // Past the last line: a new line after the text, even when the last line is empty.
    pos = SendMessage(h, WM_GETTEXTLENGTH, 0, 0);
    line = (pos > 0 ? "\r\n" : "") + std::string(s);
  }
  SendMessage(h, EM_SETSEL, static_cast<WPARAM>(pos), pos);
  SendMessage(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

void TMemoStrings::Delete(int index) {
  Flush();
  HWND h = memo_->Handle();
  LRESULT start = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  if (start < 0) return;
  LRESULT end = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(index + 1), 0);
  if (end < 0) end = start + SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  SendMessage(h, EM_SETSEL, static_cast<WPARAM>(start), end);
  SendMessage(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(""));
}

void TMemoStrings::Clear() {
  pending_.clear();
  pendingCount_ = 0;
  memo_->Clear();
}

void TMemoStrings::SetTextStr(std::string_view text) {
  pending_.clear();
  pendingCount_ = 0;
  std::string t = AdjustLineBreaks(text);
  if (static_cast<int>(t.size()) == memo_->GetTextLen() && t == memo_->Text()) return;
  if (SendMessage(memo_->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str())) == 0)
    throw EInvalidOperation("Text exceeds memo capacity");
  memo_->Perform(CM_TEXTCHANGED, 0, 0);
}

void TMemoStrings::SetUpdateState(bool updating) {
  if (!updating) Flush();
  if (!memo_->HandleAllocated()) return;
  SendMessage(memo_->WindowHandle(), WM_SETREDRAW, updating ? 0 : 1, 0);
  if (!updating) memo_->Refresh();
}

// ---- TCustomMemo ------------------------------------------------------------------------------

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner), lines_(std::make_unique<TMemoStrings>(this)) {
  SetBounds(Left(), Top(), 185, 89);
  SetAutoSize(false);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  if (wordWrap_) params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
  params.Style |= ES_MULTILINE;
  params.Style |= alignment_ == taRightJustify ? ES_RIGHT : alignment_ == taCenter ? ES_CENTER : ES_LEFT;
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) params.Style |= WS_HSCROLL;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.Style |= WS_VSCROLL;
}

void TCustomMemo::SetAlignment(TAlignment v) { SetAndRecreate(alignment_, v); }

void TCustomMemo::SetScrollBars(TScrollStyle v) { SetAndRecreate(scrollBars_, v); }

void TCustomMemo::SetWordWrap(bool v) { SetAndRecreate(wordWrap_, v); }

TPoint TCustomMemo::CaretPos() const {
  HWND h = const_cast<TCustomMemo*>(this)->Handle();
  DWORD a = 0;
  DWORD b = 0;
  SendMessage(h, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  int y = static_cast<int>(SendMessage(h, EM_LINEFROMCHAR, b, 0));
  int x = static_cast<int>(b) - static_cast<int>(SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(y), 0));
  return TPoint(x, y);
}

void TCustomMemo::SetCaretPos(const TPoint& p) {
  HWND h = Handle();
  LRESULT start = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(p.Y), 0);
  if (start < 0) return;
  LRESULT pos = start + std::min<LRESULT>(std::max(0, p.X), SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0));
  SendMessage(h, EM_SETSEL, static_cast<WPARAM>(pos), pos);
}

void TCustomMemo::Dispatch(TMessage& m) {
  // Whoever asks the control sees the lines held back in an update block.
  if (lines_->HasPending()) lines_->Flush();
  if (m.Msg == WM_GETDLGCODE) {
    TCustomEdit::Dispatch(m);
    if (wantTabs_) m.Result |= DLGC_WANTTAB;
    else m.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
    if (!wantReturns_) m.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
    return;
  }
  TCustomEdit::Dispatch(m);
}

void TCustomMemo::KeyPress(TKeyChar& key) {
  TCustomEdit::KeyPress(key);
  if (key == u'\r' && !wantReturns_) key = 0;
}
