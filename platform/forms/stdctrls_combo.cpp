// Combo boxes over the window system's combo box: its items, its edit child (whose keys and focus
// belong to the combo box control), the dropped list and owner drawing.
#include <algorithm>

#include "platform/forms/stdctrls.h"

FANO_IMPLEMENT_ABSTRACT(TComboBoxStrings, TControlStrings)
FANO_IMPLEMENT_COMPONENT(TCustomComboBox, TWinControl)
FANO_IMPLEMENT_COMPONENT(TComboBox, TCustomComboBox)

namespace {

const TControlStrings::Messages kComboMessages{CB_ADDSTRING,    CB_INSERTSTRING, CB_DELETESTRING, CB_GETCOUNT,
                                               CB_GETLBTEXT,    CB_GETLBTEXTLEN, CB_GETITEMDATA,  CB_SETITEMDATA,
                                               CB_RESETCONTENT, CB_FINDSTRINGEXACT};
const char* const kComboProp = "FanoComboBox";

}  // namespace

// ---- TComboBoxStrings -------------------------------------------------------------------------------

TComboBoxStrings::TComboBoxStrings(TCustomComboBox* comboBox)
    : TControlStrings(comboBox, kComboMessages), comboBox_(comboBox) {}

void TComboBoxStrings::Clear() {
  if (!Live()) {
    TControlStrings::Clear();
    return;
  }
  std::string text = comboBox_->Text();
  SendMessage(Wnd(), CB_RESETCONTENT, 0, 0);
  comboBox_->SetText(text);
  comboBox_->Update();
}

// ---- TCustomComboBox --------------------------------------------------------------------------------

LRESULT ComboEditSubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* combo = static_cast<TCustomComboBox*>(static_cast<void*>(GetProp(wnd, kComboProp)));
  if (!combo || !combo->defEditProc_) return DefWindowProc(wnd, msg, wp, lp);
  TMessage m{msg, wp, lp, 0};
  try {
    TFocusRefusals refusals(msg != WM_SETFOCUS);
    combo->EditWndProc(m);
    refusals.Raise();
  } catch (...) {
    if (Application) Application->HandleException(combo);
  }
  return m.Result;
}

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TComboBoxStrings>(this)), canvas_(std::make_unique<TControlCanvas>()) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks, csFixedHeight});
  SetBounds(Left(), Top(), 145, 21);
  SetTabStop(true);
  SetParentColor(false);
  canvas_->SetControl(this);
}

TCustomComboBox::~TCustomComboBox() { canvas_->SetControl(nullptr); }

void TCustomComboBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_COMBOBOX);
  params.Style |= WS_VSCROLL | CBS_HASSTRINGS | CBS_AUTOHSCROLL;
  switch (style_) {
    case csDropDown: params.Style |= CBS_DROPDOWN; break;
    case csSimple: params.Style |= CBS_SIMPLE; break;
    case csDropDownList: params.Style |= CBS_DROPDOWNLIST; break;
    case csOwnerDrawFixed: params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED; break;
    case csOwnerDrawVariable: params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE; break;
  }
  if (sorted_) params.Style |= CBS_SORT;
  if (charCase_ == ecUpperCase) params.Style |= CBS_UPPERCASE;
  if (charCase_ == ecLowerCase) params.Style |= CBS_LOWERCASE;
}

void TCustomComboBox::CreateWnd() {
  TWinControl::CreateWnd();
  HWND h = WindowHandle();
  SendMessage(h, CB_LIMITTEXT, static_cast<WPARAM>(std::max(0, maxLength_)), 0);
  SendMessage(h, CB_SETMINVISIBLE, static_cast<WPARAM>(std::max(1, dropDownCount_)), 0);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  SendMessage(h, CB_GETCOMBOBOXINFO, 0, reinterpret_cast<LPARAM>(&info));
  editHandle_ = info.hwndItem != h ? info.hwndItem : nullptr;
  listHandle_ = info.hwndList;
  if (editHandle_) {
    SetProp(editHandle_, kComboProp, static_cast<HANDLE>(static_cast<void*>(this)));
    defEditProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtr(editHandle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ComboEditSubclassProc)));
    SendMessage(editHandle_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  }
  if (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable) {
    SendMessage(h, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight_);
    if (style_ == csOwnerDrawFixed) SendMessage(h, CB_SETITEMHEIGHT, 0, itemHeight_);
  }
  items_->HandleCreated();
  if (savedIndex_ >= 0) SetItemIndex(savedIndex_);
}

void TCustomComboBox::DestroyWnd() {
  savedIndex_ = ItemIndex();
  items_->HandleDestroying();
  TWinControl::DestroyWnd();
  editHandle_ = nullptr;
  listHandle_ = nullptr;
  defEditProc_ = nullptr;
}

void TCustomComboBox::EditWndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SETFOCUS: {
      TCustomForm* form = GetParentForm();
      if (form && !form->SetFocusedControl(this)) return;
      break;
    }
    case WM_KILLFOCUS:
      if (ControlState().Contains(csFocusing)) return;
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (DoKeyDown(m)) return;
      break;
    case WM_CHAR:
      if (DoKeyPress(m)) return;
      if ((m.CharCode() == VK_RETURN || m.CharCode() == VK_ESCAPE) && DroppedDown()) {
        SetDroppedDown(false);
        return;
      }
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (DoKeyUp(m)) return;
      break;
    case WM_MOUSEMOVE:
      if (Application) Application->HintMouseMessage(this, m);
      break;
    case WM_GETDLGCODE:
      if (DroppedDown()) {
        m.Result = DLGC_WANTALLKEYS;
        return;
      }
      break;
    case CN_KEYDOWN:
    case CN_CHAR:
    case CN_SYSKEYDOWN:
    case CN_SYSCHAR:
      WndProc(m);
      return;
    default: break;
  }
  HWND edit = editHandle_;
  WNDPROC proc = defEditProc_;
  if (m.Msg == WM_NCDESTROY) {
    RemoveProp(edit, kComboProp);
    SetWindowLongPtr(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    editHandle_ = nullptr;
    defEditProc_ = nullptr;
  }
  m.Result = CallWindowProc(proc, edit, m.Msg, m.WParam, m.LParam);
  if (m.Msg == WM_LBUTTONDBLCLK && ControlStyle().Contains(csDoubleClicks)) DblClick();
}

bool TCustomComboBox::Focused() {
  HWND f = GetFocus();
  return f && (f == WindowHandle() || (editHandle_ && f == editHandle_) || (listHandle_ && f == listHandle_));
}

int TCustomComboBox::ItemIndex() const {
  if (!HandleAllocated()) return savedIndex_;
  return static_cast<int>(SendMessage(WindowHandle(), CB_GETCURSEL, 0, 0));
}

void TCustomComboBox::SetItemIndex(int v) {
  if (!HandleAllocated()) {
    savedIndex_ = v;
    return;
  }
  if (ItemIndex() != v) SendMessage(WindowHandle(), CB_SETCURSEL, static_cast<WPARAM>(v), 0);
}

void TCustomComboBox::SetStyle(TComboBoxStyle v) {
  if (style_ == v) return;
  bool had = HandleAllocated();
  std::string text = Text();
  if (had) DestroyHandle();
  style_ = v;
  if (style_ == csSimple) SetControlStyle(ControlStyle() - csFixedHeight);
  else SetControlStyle(ControlStyle() + csFixedHeight);
  if (had) UpdateControlState();
  if (style_ == csDropDown || style_ == csSimple) SetText(text);
}

void TCustomComboBox::SetDropDownCount(int v) {
  dropDownCount_ = v;
  if (HandleAllocated()) SendMessage(WindowHandle(), CB_SETMINVISIBLE, static_cast<WPARAM>(std::max(1, v)), 0);
}

int TCustomComboBox::ItemHeight() const {
  if (HandleAllocated() && (style_ == csSimple || style_ == csDropDown || style_ == csDropDownList))
    return static_cast<int>(SendMessage(WindowHandle(), CB_GETITEMHEIGHT, 0, 0));
  return itemHeight_;
}

void TCustomComboBox::SetItemHeight(int v) {
  if (v <= 0 || v == itemHeight_) return;
  itemHeight_ = v;
  if (HandleAllocated() && (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable)) RecreateWnd();
}

void TCustomComboBox::SetSorted(bool v) { SetAndRecreate(sorted_, v); }

void TCustomComboBox::SetMaxLength(int v) {
  maxLength_ = std::max(0, v);
  if (HandleAllocated()) SendMessage(WindowHandle(), CB_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TCustomComboBox::SetCharCase(TEditCharCase v) { SetAndRecreate(charCase_, v); }

bool TCustomComboBox::DroppedDown() const {
  return HandleAllocated() && SendMessage(WindowHandle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool v) {
  SendMessage(Handle(), CB_SHOWDROPDOWN, v ? 1 : 0, 0);
  Invalidate();
}

int TCustomComboBox::SelStart() const {
  DWORD a = 0, b = 0;
  SendMessage(const_cast<TCustomComboBox*>(this)->Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return static_cast<int>(a);
}

void TCustomComboBox::SetSelStart(int v) { SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(v, v)); }

int TCustomComboBox::SelLength() const {
  DWORD a = 0, b = 0;
  SendMessage(const_cast<TCustomComboBox*>(this)->Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return static_cast<int>(b) - static_cast<int>(a);
}

void TCustomComboBox::SetSelLength(int v) {
  int start = SelStart();
  SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(start, std::max(0, start + v)));
}

std::string TCustomComboBox::SelText() const {
  std::string t = Text();
  size_t a = static_cast<size_t>(std::max(0, SelStart()));
  size_t n = static_cast<size_t>(std::max(0, SelLength()));
  return a < t.size() ? t.substr(a, n) : std::string();
}

void TCustomComboBox::SetSelText(std::string_view v) {
  if (!editHandle_) return;
  std::string copy(v);
  SendMessage(editHandle_, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(copy.c_str()));
}

void TCustomComboBox::SelectAll() { SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(0, -1)); }

void TCustomComboBox::Clear() {
  SetText("");
  items_->Clear();
}

void TCustomComboBox::Change() {
  TControl::Changed();
  if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
  if (OnSelect) OnSelect(this);
  else Change();
}

void TCustomComboBox::DropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
  if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  canvas_->FillRect(rect);
  if (index >= 0 && index < items_->Count()) canvas_->TextOut(rect.Left + 2, rect.Top, items_->Strings(index));
}

void TCustomComboBox::MeasureItem(int index, int& height) {
  if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TCustomComboBox::Dispatch(TMessage& m) {
  if (OwnerDrawMessage(
          m, canvas_.get(), this, itemHeight_, style_ == csOwnerDrawVariable,
          [this](int index, const TRect& rect, TOwnerDrawState state) { DrawItem(index, rect, state); },
          [this](int index, int& height) { MeasureItem(index, height); }))
    return;
  if (m.Msg >= WM_CTLCOLORMSGBOX && m.Msg <= WM_CTLCOLORSTATIC) {
    // The edit child and the list take the combo box's font colour and brush.
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    SetTextColor(dc, ColorToRGB(Font()->Color()) & 0xFFFFFF);
    SetBkColor(dc, ColorToRGB(Brush()->Color()) & 0xFFFFFF);
    m.Result = reinterpret_cast<LRESULT>(Brush()->Handle());
    return;
  }
  switch (m.Msg) {
    case CN_COMMAND:
      switch (m.WParamHi()) {
        case CBN_DBLCLK: DblClick(); break;
        case CBN_EDITCHANGE: Change(); break;
        case CBN_DROPDOWN: DropDown(); break;
        case CBN_SELCHANGE:
          Click();
          Select();
          break;
        case CBN_CLOSEUP: CloseUp(); break;
        default: break;
      }
      return;
    default: TWinControl::Dispatch(m); return;
  }
}
