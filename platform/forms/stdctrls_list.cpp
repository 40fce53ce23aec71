// List boxes over the window system's list box, and the item lists that list and combo boxes share.
#include <algorithm>

#include "platform/forms/stdctrls.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_ABSTRACT(TControlStrings, TStrings)
FANO_IMPLEMENT_ABSTRACT(TListBoxStrings, TControlStrings)
FANO_IMPLEMENT_COMPONENT(TCustomListBox, TWinControl)
FANO_IMPLEMENT_COMPONENT(TListBox, TCustomListBox)

TOwnerDrawState OwnerDrawStateOf(UINT itemState) { return TOwnerDrawState::FromBits(itemState & 0xFFFF); }

bool OwnerDrawMessage(TMessage& m, TCanvas* canvas, TWinControl* control, int itemHeight, bool variable,
                      const std::function<void(int, const TRect&, TOwnerDrawState)>& draw,
                      const std::function<void(int, int&)>& measure) {
  if (m.Msg == CN_MEASUREITEM) {
    auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
    int h = itemHeight;
    if (variable) measure(static_cast<int>(mi->itemID), h);
    mi->itemHeight = static_cast<UINT>(std::max(1, h));
    m.Result = 1;
    return true;
  }
  if (m.Msg != CN_DRAWITEM) return false;
  const DRAWITEMSTRUCT& item = *reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
  TOwnerDrawState state = OwnerDrawStateOf(item.itemState);
  int index = static_cast<int>(item.itemID);
  PaintWithCanvas(canvas, item.hDC, [&] {
    canvas->SetFont(control->Font());
    canvas->SetBrush(control->Brush());
    if (index >= 0 && state.Contains(odSelected)) {
      canvas->Brush()->SetColor(clHighlight);
      canvas->Font()->SetColor(clHighlightText);
    }
    if (index >= 0) draw(index, TRect(item.rcItem), state);
    else canvas->FillRect(TRect(item.rcItem));
    if (state.Contains(odFocused)) {
      RECT r = item.rcItem;
      DrawFocusRect(item.hDC, &r);
    }
  });
  m.Result = 1;
  return true;
}

// ---- TControlStrings ------------------------------------------------------------------------------

TControlStrings::TControlStrings(TWinControl* control, const Messages& messages)
    : control_(control), msg_(messages), pending_(std::make_unique<TStringList>()) {}

TControlStrings::~TControlStrings() = default;

void TControlStrings::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
}

std::string TControlStrings::Get(int index) const {
  if (!Live()) return pending_->Strings(index);
  LRESULT len = SendMessage(Wnd(), msg_.GetTextLen, static_cast<WPARAM>(index), 0);
  if (len < 0) Error("List index out of bounds (%d)", index);
  std::string s(static_cast<size_t>(len) + sizeof(uintptr_t) + 1, '\0');
  LRESULT got = SendMessage(Wnd(), msg_.GetText, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, len)));
  return s;
}

int TControlStrings::GetCount() const {
  if (!Live()) return pending_->Count();
  return static_cast<int>(SendMessage(Wnd(), msg_.GetCount, 0, 0));
}

TObject* TControlStrings::GetObject(int index) const {
  if (!Live()) return pending_->Objects(index);
  LRESULT data = SendMessage(Wnd(), msg_.GetItemData, static_cast<WPARAM>(index), 0);
  if (data == -1 && (index < 0 || index >= GetCount())) Error("List index out of bounds (%d)", index);
  return reinterpret_cast<TObject*>(data);
}

void TControlStrings::PutObject(int index, TObject* obj) {
  if (!Live()) {
    pending_->SetObjects(index, obj);
    return;
  }
  CheckIndex(index);
  SendMessage(Wnd(), msg_.SetItemData, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(obj));
}

int TControlStrings::Add(std::string_view s) { return AddObject(s, nullptr); }

int TControlStrings::AddObject(std::string_view s, TObject* obj) {
  if (!Live()) return pending_->AddObject(s, obj);
  std::string copy(s);
  LRESULT r = SendMessage(Wnd(), msg_.AddString, 0, reinterpret_cast<LPARAM>(copy.c_str()));
  if (r < 0) throw EOutOfResources("Insufficient memory for list");
  if (obj) SendMessage(Wnd(), msg_.SetItemData, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(obj));
  return static_cast<int>(r);
}

void TControlStrings::Insert(int index, std::string_view s) { InsertObject(index, s, nullptr); }

void TControlStrings::InsertObject(int index, std::string_view s, TObject* obj) {
  if (!Live()) {
    pending_->InsertObject(index, s, obj);
    return;
  }
  if (index < 0 || index > GetCount()) Error("List index out of bounds (%d)", index);
  std::string copy(s);
  LRESULT r = SendMessage(Wnd(), msg_.InsertString, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(copy.c_str()));
  if (r < 0) throw EOutOfResources("Unable to insert a line");
  if (obj) SendMessage(Wnd(), msg_.SetItemData, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(obj));
}

void TControlStrings::Delete(int index) {
  if (!Live()) {
    pending_->Delete(index);
    return;
  }
  CheckIndex(index);
  SendMessage(Wnd(), msg_.DeleteString, static_cast<WPARAM>(index), 0);
}

void TControlStrings::Clear() {
  if (!Live()) {
    pending_->Clear();
    return;
  }
  SendMessage(Wnd(), msg_.ResetContent, 0, 0);
}

int TControlStrings::IndexOf(std::string_view s) const {
  if (!Live()) return pending_->IndexOf(s);
  std::string copy(s);
  LRESULT r = SendMessage(Wnd(), msg_.FindStringExact, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(copy.c_str()));
  return r < 0 ? -1 : static_cast<int>(r);
}

void TControlStrings::SetUpdateState(bool updating) {
  if (!Live()) return;
  SendMessage(Wnd(), WM_SETREDRAW, updating ? 0 : 1, 0);
  if (!updating) control_->Refresh();
}

void TControlStrings::HandleCreated() {
  for (int i = 0; i < pending_->Count(); ++i) {
    std::string s = pending_->Strings(i);
    LRESULT r = SendMessage(Wnd(), msg_.AddString, 0, reinterpret_cast<LPARAM>(s.c_str()));
    if (r >= 0 && pending_->Objects(i))
      SendMessage(Wnd(), msg_.SetItemData, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(pending_->Objects(i)));
  }
  pending_->Clear();
}

void TControlStrings::HandleDestroying() {
  pending_->Clear();
  int n = static_cast<int>(SendMessage(Wnd(), msg_.GetCount, 0, 0));
  for (int i = 0; i < n; ++i) pending_->AddObject(Get(i), GetObject(i));
}

// ---- TListBoxStrings -------------------------------------------------------------------------------

namespace {
const TControlStrings::Messages kListMessages{LB_ADDSTRING,    LB_INSERTSTRING, LB_DELETESTRING, LB_GETCOUNT,
                                              LB_GETTEXT,      LB_GETTEXTLEN,   LB_GETITEMDATA,  LB_SETITEMDATA,
                                              LB_RESETCONTENT, LB_FINDSTRINGEXACT};
}

TListBoxStrings::TListBoxStrings(TCustomListBox* listBox) : TControlStrings(listBox, kListMessages), listBox_(listBox) {}

std::string TListBoxStrings::Get(int index) const {
  if (listBox_->IsVirtual()) return listBox_->DoGetData(index);
  return TControlStrings::Get(index);
}

int TListBoxStrings::GetCount() const {
  if (listBox_->IsVirtual() && !Live()) return 0;
  return TControlStrings::GetCount();
}

TObject* TListBoxStrings::GetObject(int index) const {
  if (listBox_->IsVirtual()) return listBox_->DoGetDataObject(index);
  return TControlStrings::GetObject(index);
}

int TListBoxStrings::IndexOf(std::string_view s) const {
  if (listBox_->IsVirtual()) return listBox_->DoFindData(std::string(s));
  return TControlStrings::IndexOf(s);
}

// ---- TCustomListBox --------------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TListBoxStrings>(this)), canvas_(std::make_unique<TControlCanvas>()) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetBounds(Left(), Top(), 121, 97);
  SetTabStop(true);
  SetParentColor(false);
  canvas_->SetControl(this);
}

TCustomListBox::~TCustomListBox() { canvas_->SetControl(nullptr); }

void TCustomListBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_LISTBOX);
  params.Style |= WS_VSCROLL | LBS_NOTIFY;
  switch (style_) {
    case lbStandard: params.Style |= LBS_HASSTRINGS; break;
    case lbOwnerDrawFixed: params.Style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS; break;
    case lbOwnerDrawVariable: params.Style |= LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS; break;
    case lbVirtual:
    case lbVirtualOwnerDraw: params.Style |= LBS_OWNERDRAWFIXED | LBS_NODATA; break;
  }
  if (sorted_ && !IsVirtual()) params.Style |= LBS_SORT;
  if (multiSelect_) params.Style |= extendedSelect_ ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (!integralHeight_) params.Style |= LBS_NOINTEGRALHEIGHT;
  if (columns_ > 0) params.Style |= LBS_MULTICOLUMN | WS_HSCROLL;
  if (tabWidth_ > 0) params.Style |= LBS_USETABSTOPS;
  if (borderStyle_ == bsSingle) {
    if (Ctl3D()) params.ExStyle |= WS_EX_CLIENTEDGE;
    else params.Style |= WS_BORDER;
  }
}

void TCustomListBox::CreateWnd() {
  TWinControl::CreateWnd();
  HWND h = WindowHandle();
  if (IsVirtual()) SendMessage(h, LB_SETCOUNT, static_cast<WPARAM>(count_), 0);
  else items_->HandleCreated();
  if (style_ == lbOwnerDrawFixed || IsVirtual()) SendMessage(h, LB_SETITEMHEIGHT, 0, itemHeight_);
  SetTopIndex(savedTop_);
  SetItemIndex(savedIndex_);
}

void TCustomListBox::DestroyWnd() {
  savedIndex_ = ItemIndex();
  savedTop_ = TopIndex();
  if (!IsVirtual()) items_->HandleDestroying();
  TWinControl::DestroyWnd();
}

int TCustomListBox::ItemIndex() const {
  if (!HandleAllocated()) return savedIndex_;
  return static_cast<int>(SendMessage(WindowHandle(), multiSelect_ ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int v) {
  if (!HandleAllocated()) {
    savedIndex_ = v;
    return;
  }
  if (ItemIndex() == v && !(multiSelect_ && v < 0)) return;
  SendMessage(WindowHandle(), multiSelect_ ? LB_SETCARETINDEX : LB_SETCURSEL, static_cast<WPARAM>(v), 0);
}

int TCustomListBox::TopIndex() const {
  if (!HandleAllocated()) return savedTop_;
  return static_cast<int>(SendMessage(WindowHandle(), LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int v) {
  if (!HandleAllocated()) {
    savedTop_ = v;
    return;
  }
  if (TopIndex() != v) SendMessage(WindowHandle(), LB_SETTOPINDEX, static_cast<WPARAM>(v), 0);
}

void TCustomListBox::SetCount(int v) {
  if (!IsVirtual()) throw EListError("Listbox (" + Name() + ") style must be virtual in order to set Count");
  count_ = std::max(0, v);
  if (HandleAllocated()) SendMessage(WindowHandle(), LB_SETCOUNT, static_cast<WPARAM>(count_), 0);
}

void TCustomListBox::SetStyle(TListBoxStyle v) {
  if (style_ == v) return;
  // The old window gives its items back before the style changes.
  bool had = HandleAllocated();
  if (had) DestroyHandle();
  bool wasVirtual = IsVirtual();
  style_ = v;
  if (IsVirtual() != wasVirtual) items_->Pending()->Clear();
  if (had) UpdateControlState();
}

int TCustomListBox::ItemHeight() const {
  if (HandleAllocated() && style_ == lbStandard) return static_cast<int>(SendMessage(WindowHandle(), LB_GETITEMHEIGHT, 0, 0));
  return itemHeight_;
}

void TCustomListBox::SetItemHeight(int v) {
  if (v <= 0 || itemHeight_ == v) return;
  itemHeight_ = v;
  if (HandleAllocated() && (style_ == lbOwnerDrawFixed || IsVirtual())) {
    SendMessage(WindowHandle(), LB_SETITEMHEIGHT, 0, v);
    Invalidate();
  } else if (style_ == lbOwnerDrawVariable) {
    RecreateWnd();
  }
}

void TCustomListBox::SetSorted(bool v) { SetAndRecreate(sorted_, v); }
void TCustomListBox::SetMultiSelect(bool v) { SetAndRecreate(multiSelect_, v); }
void TCustomListBox::SetExtendedSelect(bool v) { SetAndRecreate(extendedSelect_, v); }
void TCustomListBox::SetIntegralHeight(bool v) { SetAndRecreate(integralHeight_, v); }
void TCustomListBox::SetColumns(int v) { SetAndRecreate(columns_, v); }
void TCustomListBox::SetTabWidth(int v) { SetAndRecreate(tabWidth_, v); }
void TCustomListBox::SetBorderStyle(TBorderStyle v) { SetAndRecreate(borderStyle_, v); }

bool TCustomListBox::Selected(int index) const {
  LRESULT r = SendMessage(const_cast<TCustomListBox*>(this)->Handle(), LB_GETSEL, static_cast<WPARAM>(index), 0);
  if (r < 0) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return r != 0;
}

void TCustomListBox::SetSelected(int index, bool v) {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  if (multiSelect_) {
    SendMessage(Handle(), LB_SETSEL, v ? 1 : 0, index);
  } else if (v) {
    SetItemIndex(index);
  } else if (ItemIndex() == index) {
    SetItemIndex(-1);
  }
}

int TCustomListBox::SelCount() const {
  return static_cast<int>(SendMessage(const_cast<TCustomListBox*>(this)->Handle(), LB_GETSELCOUNT, 0, 0));
}

int TCustomListBox::ItemAtPos(const TPoint& pos, bool existing) {
  if (PtInRect(ClientRect(), pos)) {
    int count = Count();
    for (int i = TopIndex(); i < count; ++i) {
      RECT r{};
      SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
      if (PtInRect(TRect(r), pos)) return i;
      if (r.top >= ClientHeight()) break;
    }
    if (!existing) return count;
  }
  return -1;
}

TRect TCustomListBox::ItemRect(int index) {
  int count = Count();
  RECT r{};
  if (index == 0 || (index > 0 && index < count)) {
    SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  } else if (index == count) {
    SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index - 1), reinterpret_cast<LPARAM>(&r));
    OffsetRect(&r, 0, r.bottom - r.top);
  }
  return TRect(r);
}

void TCustomListBox::Clear() {
  if (IsVirtual()) SetCount(0);
  else items_->Clear();
}

void TCustomListBox::ClearSelection() {
  if (multiSelect_) {
    if (HandleAllocated()) SendMessage(WindowHandle(), LB_SETSEL, 0, -1);
  } else {
    SetItemIndex(-1);
  }
}

void TCustomListBox::SelectAll() {
  if (multiSelect_ && HandleAllocated()) SendMessage(WindowHandle(), LB_SETSEL, 1, -1);
}

void TCustomListBox::DeleteSelected() {
  if (IsVirtual()) return;
  if (multiSelect_) {
    for (int i = Count() - 1; i >= 0; --i)
      if (Selected(i)) items_->Delete(i);
  } else if (ItemIndex() >= 0) {
    items_->Delete(ItemIndex());
  }
}

std::string TCustomListBox::DoGetData(int index) {
  std::string data;
  if (OnData) OnData(this, index, data);
  return data;
}

TObject* TCustomListBox::DoGetDataObject(int index) {
  TObject* obj = nullptr;
  if (OnDataObject) OnDataObject(this, index, obj);
  return obj;
}

int TCustomListBox::DoFindData(const std::string& data) {
  if (OnDataFind) return OnDataFind(this, data);
  return -1;
}

void TCustomListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  canvas_->FillRect(rect);
  if (index < Count()) canvas_->TextOut(rect.Left + 2, rect.Top, items_->Strings(index));
}

void TCustomListBox::MeasureItem(int index, int& height) {
  if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TCustomListBox::KeyPress(TKeyChar& key) {
  TWinControl::KeyPress(key);
  if (!autoComplete_ || key == 0 || IsVirtual() || style_ != lbStandard) return;
  if (key >= 0xD800 && key <= 0xDFFF) return;
  if (key == 8) {
    // The last character of the search goes.
    if (!filter_.empty()) {
      size_t p = filter_.size() - 1;
      while (p > 0 && (static_cast<unsigned char>(filter_[p]) & 0xC0) == 0x80) --p;
      filter_.resize(p);
    }
  } else if (key < 32) {
    return;
  } else {
    // A pause starts a new search.
    DWORD now = GetTickCount();
    if (now - lastKeyTime_ >= 500) filter_.clear();
    lastKeyTime_ = now;
    filter_ += Utf16ToUtf8(std::u16string(1, key));
  }
  key = 0;
  if (filter_.empty()) return;
  LRESULT i = SendMessage(Handle(), LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(filter_.c_str()));
  if (i < 0) return;
  if (multiSelect_) {
    ClearSelection();
    SetSelected(static_cast<int>(i), true);
  }
  SetItemIndex(static_cast<int>(i));
  Click();
}

void TCustomListBox::Dispatch(TMessage& m) {
  if (OwnerDrawMessage(
          m, canvas_.get(), this, itemHeight_, style_ == lbOwnerDrawVariable,
          [this](int index, const TRect& rect, TOwnerDrawState state) { DrawItem(index, rect, state); },
          [this](int index, int& height) { MeasureItem(index, height); }))
    return;
  switch (m.Msg) {
    case CN_COMMAND:
      switch (m.WParamHi()) {
        case LBN_SELCHANGE:
          TControl::Changed();
          Click();
          break;
        case LBN_DBLCLK: DblClick(); break;
        default: break;
      }
      return;
    default: TWinControl::Dispatch(m); return;
  }
}
