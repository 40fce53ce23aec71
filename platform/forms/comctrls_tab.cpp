// The tab control over the window system's tab control.
#include <algorithm>

#include "platform/forms/comctrls.h"

FANO_IMPLEMENT_ABSTRACT(TTabStrings, TStrings)
FANO_IMPLEMENT_COMPONENT(TCustomTabControl, TWinControl)
FANO_IMPLEMENT_COMPONENT(TTabControl, TCustomTabControl)

namespace {
[[noreturn]] void TabControlError(const std::string& s) { throw EListError(s); }
}  // namespace

// ---- TTabStrings -------------------------------------------------------------------------------------

TTabStrings::TTabStrings(TCustomTabControl* tabControl)
    : tabControl_(tabControl), pending_(std::make_unique<TStringList>()) {}

TTabStrings::~TTabStrings() = default;

bool TTabStrings::Live() const { return tabControl_->HandleAllocated(); }
HWND TTabStrings::Wnd() const { return tabControl_->WindowHandle(); }

std::string TTabStrings::Get(int index) const {
  if (!Live()) return pending_->Strings(index);
  std::string buf(4096, '\0');
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = buf.data();
  item.cchTextMax = static_cast<int>(buf.size());
  if (!SendMessage(Wnd(), TCM_GETITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)))
    TabControlError("Failed to retrieve tab at index " + std::to_string(index));
  buf.resize(std::char_traits<char>::length(buf.c_str()));
  return buf;
}

int TTabStrings::GetCount() const {
  if (!Live()) return pending_->Count();
  return static_cast<int>(SendMessage(Wnd(), TCM_GETITEMCOUNT, 0, 0));
}

TObject* TTabStrings::GetObject(int index) const {
  if (!Live()) return pending_->Objects(index);
  TCITEMA item{};
  item.mask = TCIF_PARAM;
  if (!SendMessage(Wnd(), TCM_GETITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)))
    TabControlError("Failed to get object at index " + std::to_string(index));
  return reinterpret_cast<TObject*>(item.lParam);
}

void TTabStrings::Put(int index, std::string_view s) {
  if (!Live()) {
    pending_->SetStrings(index, s);
    return;
  }
  std::string copy(s);
  TCITEMA item{};
  item.mask = TCIF_TEXT | TCIF_IMAGE;
  item.pszText = copy.data();
  item.iImage = tabControl_->GetImageIndex(index);
  if (!SendMessage(Wnd(), TCM_SETITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)))
    TabControlError("Failed to set tab \"" + copy + "\" at index " + std::to_string(index));
  tabControl_->TabsChanged();
}

void TTabStrings::PutObject(int index, TObject* obj) {
  if (!Live()) {
    pending_->SetObjects(index, obj);
    return;
  }
  TCITEMA item{};
  item.mask = TCIF_PARAM;
  item.lParam = reinterpret_cast<LPARAM>(obj);
  if (!SendMessage(Wnd(), TCM_SETITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)))
    TabControlError("Failed to set object at index " + std::to_string(index));
}

void TTabStrings::Insert(int index, std::string_view s) { InsertObject(index, s, nullptr); }

void TTabStrings::InsertObject(int index, std::string_view s, TObject* obj) {
  if (!Live()) {
    pending_->InsertObject(index, s, obj);
    return;
  }
  std::string copy(s);
  TCITEMA item{};
  item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
  item.pszText = copy.data();
  item.iImage = tabControl_->GetImageIndex(index);
  item.lParam = reinterpret_cast<LPARAM>(obj);
  if (SendMessage(Wnd(), TCM_INSERTITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) < 0)
    TabControlError("Failed to set tab \"" + copy + "\" at index " + std::to_string(index));
  tabControl_->TabsChanged();
}

void TTabStrings::Delete(int index) {
  if (!Live()) {
    pending_->Delete(index);
    return;
  }
  if (!SendMessage(Wnd(), TCM_DELETEITEM, static_cast<WPARAM>(index), 0))
    TabControlError("Failed to delete tab at index " + std::to_string(index));
  tabControl_->TabsChanged();
}

void TTabStrings::Clear() {
  if (!Live()) {
    pending_->Clear();
    return;
  }
  if (!SendMessage(Wnd(), TCM_DELETEALLITEMS, 0, 0)) TabControlError("Failed to clear tab control");
  tabControl_->TabsChanged();
}

void TTabStrings::SetUpdateState(bool updating) {
  if (!Live()) return;
  SendMessage(Wnd(), WM_SETREDRAW, updating ? 0 : 1, 0);
  if (!updating) {
    tabControl_->Invalidate();
    tabControl_->TabsChanged();
  }
}

void TTabStrings::HandleCreated() {
  for (int i = 0; i < pending_->Count(); ++i) InsertObject(i, pending_->Strings(i), pending_->Objects(i));
  pending_->Clear();
}

void TTabStrings::HandleDestroying() {
  pending_->Clear();
  int n = static_cast<int>(SendMessage(Wnd(), TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) pending_->AddObject(Get(i), GetObject(i));
}

// ---- TCustomTabControl -------------------------------------------------------------------------------

TCustomTabControl::TCustomTabControl(TComponent* owner)
    : TWinControl(owner),
      tabs_(std::make_unique<TTabStrings>(this)),
      canvas_(std::make_unique<TControlCanvas>()),
      imageChangeLink_(std::make_unique<TChangeLink>()) {
  SetControlStyle(TControlStyle{csAcceptsControls, csDoubleClicks});
  SetBounds(Left(), Top(), 289, 193);
  SetTabStop(true);
  canvas_->SetControl(this);
  imageChangeLink_->OnChange = [this](TObject* sender) { ImageListChange(sender); };
}

TCustomTabControl::~TCustomTabControl() {
  canvas_->SetControl(nullptr);
  if (images_) images_->UnRegisterChanges(imageChangeLink_.get());
}

void TCustomTabControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_TABCONTROL);
  params.Style |= WS_CLIPCHILDREN;
  switch (tabPosition_) {
    case tpTop: break;
    case tpBottom: params.Style |= TCS_BOTTOM; break;
    case tpLeft: params.Style |= TCS_VERTICAL; break;
    case tpRight: params.Style |= TCS_VERTICAL | TCS_RIGHT; break;
  }
  if (style_ == tsButtons) params.Style |= TCS_BUTTONS;
  if (style_ == tsFlatButtons) params.Style |= TCS_BUTTONS | TCS_FLATBUTTONS;
  if (multiLine_) params.Style |= TCS_MULTILINE;
  if (ownerDraw_) params.Style |= TCS_OWNERDRAWFIXED;
  if (raggedRight_) params.Style |= TCS_RAGGEDRIGHT;
  if (scrollOpposite_) params.Style |= TCS_SCROLLOPPOSITE;
  if (hotTrack_) params.Style |= TCS_HOTTRACK;
  if (tabWidth_ > 0) params.Style |= TCS_FIXEDWIDTH;
  params.WindowClass.style = (params.WindowClass.style & ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW)) | CS_DBLCLKS;
}

void TCustomTabControl::CreateWnd() {
  TWinControl::CreateWnd();
  HWND h = WindowHandle();
  if (images_) SendMessage(h, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_->Handle()));
  SetTabSize();
  tabs_->HandleCreated();
  if (savedIndex_ >= 0) SetTabIndex(savedIndex_);
  savedIndex_ = -1;
  TabsChanged();
}

void TCustomTabControl::DestroyWnd() {
  savedIndex_ = TabIndex();
  tabs_->HandleDestroying();
  TWinControl::DestroyWnd();
}

int TCustomTabControl::TabIndex() const {
  if (!HandleAllocated()) return savedIndex_ >= 0 ? savedIndex_ : (tabs_->Count() > 0 ? 0 : -1);
  return static_cast<int>(SendMessage(WindowHandle(), TCM_GETCURSEL, 0, 0));
}

void TCustomTabControl::SetTabIndex(int v) {
  if (!HandleAllocated()) {
    savedIndex_ = v;
    return;
  }
  SendMessage(WindowHandle(), TCM_SETCURSEL, static_cast<WPARAM>(v), 0);
}

void TCustomTabControl::SetTabSize() {
  if (HandleAllocated() && (tabWidth_ > 0 || tabHeight_ > 0))
    SendMessage(WindowHandle(), TCM_SETITEMSIZE, 0, MAKELPARAM(tabWidth_, tabHeight_));
}

void TCustomTabControl::SetHotTrack(bool v) { SetAndRecreate(hotTrack_, v); }
void TCustomTabControl::SetOwnerDraw(bool v) { SetAndRecreate(ownerDraw_, v); }
void TCustomTabControl::SetRaggedRight(bool v) { SetAndRecreate(raggedRight_, v); }
void TCustomTabControl::SetScrollOpposite(bool v) { SetAndRecreate(scrollOpposite_, v); }
void TCustomTabControl::SetStyle(TTabStyle v) { SetAndRecreate(style_, v); }

void TCustomTabControl::SetMultiLine(bool v) {
  if (!v && (tabPosition_ == tpLeft || tabPosition_ == tpRight))
    TabControlError("MultiLine must be True when TabPosition is tpLeft or tpRight");
  SetAndRecreate(multiLine_, v);
}

void TCustomTabControl::CheckTabPosition(TTabPosition v) const {
  if (!multiLine_ && (v == tpLeft || v == tpRight)) TabControlError("MultiLine must be True when TabPosition is tpLeft or tpRight");
}

void TCustomTabControl::SetTabPosition(TTabPosition v) {
  if (tabPosition_ == v) return;
  CheckTabPosition(v);
  tabPosition_ = v;
  RecreateWnd();
  Realign();
}

void TCustomTabControl::SetTabHeight(int v) {
  if (tabHeight_ == v) return;
  tabHeight_ = std::max(0, v);
  SetTabSize();
  TabsChanged();
}

void TCustomTabControl::SetTabWidth(int v) {
  if (tabWidth_ == v) return;
  bool styleChange = (tabWidth_ > 0) != (v > 0);
  tabWidth_ = std::max(0, v);
  if (styleChange) RecreateWnd();
  else {
    SetTabSize();
    TabsChanged();
  }
}

void TCustomTabControl::SetImages(TCustomImageList* v) {
  if (images_ == v) return;
  if (images_) {
    images_->UnRegisterChanges(imageChangeLink_.get());
    images_->RemoveFreeNotification(this);
  }
  images_ = v;
  if (images_) {
    images_->RegisterChanges(imageChangeLink_.get());
    images_->FreeNotification(this);
  }
  if (HandleAllocated()) {
    SendMessage(WindowHandle(), TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
    UpdateTabImages();
    TabsChanged();
  }
}

void TCustomTabControl::ImageListChange(TObject*) {
  if (!HandleAllocated()) return;
  SendMessage(WindowHandle(), TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
  Invalidate();
}

void TCustomTabControl::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == images_) {
    images_ = nullptr;
    if (HandleAllocated()) SendMessage(WindowHandle(), TCM_SETIMAGELIST, 0, 0);
  }
}

TRect TCustomTabControl::TabRect(int index) {
  RECT r{0, 0, 0, 0};
  SendMessage(Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  return TRect(r);
}

int TCustomTabControl::IndexOfTabAt(int x, int y) {
  TCHITTESTINFO info{POINT{x, y}, 0};
  return static_cast<int>(SendMessage(Handle(), TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
}

THitTests TCustomTabControl::GetHitTestInfoAt(int x, int y) {
  THitTests result;
  TRect c = ClientRect();
  if (x < c.Left) result.Include(htToLeft);
  else if (x >= c.Right) result.Include(htToRight);
  if (y < c.Top) result.Include(htAbove);
  else if (y >= c.Bottom) result.Include(htBelow);
  if (!result.Empty()) return result;
  TCHITTESTINFO info{POINT{x, y}, 0};
  SendMessage(Handle(), TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
  if (info.flags & TCHT_NOWHERE) result.Include(htNowhere);
  if (info.flags & TCHT_ONITEM) result.Include(htOnItem);
  if (info.flags & TCHT_ONITEMICON) result.Include(htOnIcon);
  if (info.flags & TCHT_ONITEMLABEL) result.Include(htOnLabel);
  return result;
}

TRect TCustomTabControl::DisplayRect() {
  RECT r = ClientRect();
  SendMessage(Handle(), TCM_ADJUSTRECT, 0, reinterpret_cast<LPARAM>(&r));
  return TRect(r);
}

int TCustomTabControl::RowCount() { return static_cast<int>(SendMessage(Handle(), TCM_GETROWCOUNT, 0, 0)); }

void TCustomTabControl::ScrollTabs(int delta) {
  for (int i = 0; i < std::abs(delta); ++i) SendMessage(Handle(), WM_HSCROLL, delta < 0 ? SB_LINELEFT : SB_LINERIGHT, 0);
}

void TCustomTabControl::AdjustClientRect(TRect& rect) {
  rect = DisplayRect();
  TWinControl::AdjustClientRect(rect);
}

void TCustomTabControl::TabsChanged() {
  if (updating_) return;
  if (HandleAllocated()) SendMessage(WindowHandle(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(Width(), Height()));
  Realign();
}

bool TCustomTabControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TCustomTabControl::Change() {
  if (OnChange) OnChange(this);
}

bool TCustomTabControl::CanShowTab(int) { return true; }

void TCustomTabControl::DrawTab(int tabIndex, const TRect& rect, bool active) {
  if (OnDrawTab) OnDrawTab(this, tabIndex, rect, active);
  else canvas_->FillRect(rect);
}

int TCustomTabControl::GetImageIndex(int tabIndex) {
  int index = tabIndex;
  if (OnGetImageIndex) OnGetImageIndex(this, tabIndex, index);
  return index;
}

void TCustomTabControl::UpdateTabImages() {
  if (!HandleAllocated()) return;
  int n = tabs_->Count();
  for (int i = 0; i < n; ++i) {
    TCITEMA item{};
    item.mask = TCIF_IMAGE;
    item.iImage = GetImageIndex(i);
    SendMessage(WindowHandle(), TCM_SETITEM, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
}

// A press on a tab first moves the focus here, as the tabs would; when the control being left keeps
// the focus, the press is dropped and the tab stays.
void TCustomTabControl::WndProc(TMessage& m) {
  if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && !InState(csDesigning) && HandleAllocated() &&
      !Focused() && !(GetWindowLong(WindowHandle(), GWL_STYLE) & TCS_FOCUSNEVER) &&
      IndexOfTabAt(m.XPos(), m.YPos()) >= 0) {
    ::SetFocus(WindowHandle());
    if (!Focused()) return;
  }
  TWinControl::WndProc(m);
}

void TCustomTabControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
      if (!hdr) break;
      if (hdr->code == static_cast<UINT>(TCN_SELCHANGING)) {
        m.Result = CanChange() ? 0 : 1;
        return;
      }
      if (hdr->code == static_cast<UINT>(TCN_SELCHANGE)) {
        Change();
        return;
      }
      break;
    }
    case CN_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      PaintWithCanvas(canvas_.get(), d->hDC, [&] {
        canvas_->SetFont(Font());
        canvas_->SetBrush(Brush());
        DrawTab(static_cast<int>(d->itemID), TRect(d->rcItem), (d->itemState & ODS_SELECTED) != 0);
      });
      m.Result = 1;
      return;
    }
    case CM_FONTCHANGED:
      TWinControl::Dispatch(m);
      TabsChanged();
      return;
    default: break;
  }
  TWinControl::Dispatch(m);
}
