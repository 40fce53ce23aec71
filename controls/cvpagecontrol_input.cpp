// The page control's input: close buttons and the closing sequence, hover tracking, Ctrl+Tab,
// the designer's click-through and pages for docked forms.
#include <algorithm>

#include "controls/cvpagecontrol.h"
#include "platform/forms/dragdock.h"
#include "platform/forms/forms.h"

namespace {

bool IsKeyHeld(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

}  // namespace

void TCvPageControl::WndProc(TMessage& m) {
  // A choice the native control makes from the keyboard or a click goes to a known page: CanChange
  // reports that one.
  bool track = false;
  if (m.Msg == WM_KEYDOWN && HandleAllocated()) {
    int n = Tabs()->Count();
    int at = TabIndex() < 0 ? 0 : TabIndex();
    int next = at;
    bool vertical = SideTabs();
    switch (m.WParam) {
      case VK_LEFT: if (!vertical) next = at - 1; break;
      case VK_RIGHT: if (!vertical) next = at + 1; break;
      case VK_UP: if (vertical) next = at - 1; break;
      case VK_DOWN: if (vertical) next = at + 1; break;
      case VK_HOME: next = 0; break;
      case VK_END: next = n - 1; break;
      default: break;
    }
    if (next != at && next >= 0 && next < n)
      if (TCvTabSheet* p = PageOfTab(next)) {
        changeTarget_ = p->PageIndex();
        track = true;
      }
  } else if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && HandleAllocated()) {
    int page = TabAtPos(m.XPos(), m.YPos());
    if (page >= 0) {
      changeTarget_ = page;
      track = true;
    }
  }
  TCustomTabControl::WndProc(m);
  if (track) changeTarget_.reset();
  if (m.Msg == WM_PAINT && !tabBorder3D_ && HandleAllocated() && !InState(csDestroying)) {
    m.Result = 0;
    PaintTabs(Canvas());
  }
}

void TCvPageControl::Dispatch(TMessage& m) {
  auto custom = [this] { return !InState(csDesigning) && !tabBorder3D_ && HandleAllocated() && Tabs()->Count() > 0; };
  switch (m.Msg) {
    case WM_ERASEBKGND:
      if (custom()) {
        m.Result = 1;
        return;
      }
      break;
    case WM_PAINT:
      if (custom()) {
        PaintToBuffer(m);
        return;
      }
      break;
    case CM_DIALOGKEY: CMDialogKey(m); return;
    case CM_MOUSELEAVE: CMMouseLeave(m); return;
    case CM_DESIGNHITTEST: {
      int tab = IndexOfTabAt(m.XPos(), m.YPos());
      m.Result = tab >= 0 && tab != TabIndex() ? 1 : 0;
      return;
    }
    case CM_DOCKCLIENT:
      // LParam: the client control.
      m.Result = 0;
      if (DockSite()) DockClient(reinterpret_cast<TControl*>(m.LParam));
      return;
    case CM_UNDOCKCLIENT:
      // Also once DockSite is off: a client that leaves (or goes) takes the page made for it.
      m.Result = 0;
      UndockClient(reinterpret_cast<TControl*>(m.LParam));
      return;
    case CM_DOCKNOTIFICATION: {
      // WParam: the client; LParam: the message it received. Also once DockSite is off: the page
      // still holds the client and shows its caption.
      auto* client = reinterpret_cast<TControl*>(m.WParam);
      auto* note = reinterpret_cast<TMessage*>(m.LParam);
      if (TCvTabSheet* page = GetPageFromDockClient(client); page && note) {
        if (note->Msg == WM_SETTEXT) {
          std::string text = client->Caption();
          size_t cut = text.find_first_of("\r\n");
          page->SetCaption(cut == std::string::npos ? text : text.substr(0, cut));
        } else if (note->Msg == CM_VISIBLECHANGED) {
          page->SetTabVisible(note->WParam != 0);
        }
      }
      break;
    }
    default: break;
  }
  TCustomTabControl::Dispatch(m);
}

void TCvPageControl::CMDialogKey(TMessage& m) {
  bool focusInside = false;
  if (HandleAllocated()) {
    HWND focus = GetFocus();
    focusInside = focus == WindowHandle() || (focus && IsChild(WindowHandle(), focus));
  }
  if (focusInside && m.CharCode() == VK_TAB && IsKeyHeld(VK_CONTROL)) {
    SelectNextPage(!IsKeyHeld(VK_SHIFT));
    m.Result = 1;
    return;
  }
  TCustomTabControl::Dispatch(m);
}

void TCvPageControl::CMMouseLeave(TMessage& m) {
  TCustomTabControl::Dispatch(m);
  if (tabBackGround_->Empty() && hoverIndex_ != -1) InvalidateTab(hoverIndex_);
  hoverIndex_ = -1;
}

// ---- mouse --------------------------------------------------------------------------------------------

void TCvPageControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomTabControl::MouseDown(button, shift, x, y);
  if (button == mbLeft) closePressed_ = nullptr;
  if (InState(csDesigning)) return;
  TCvTabSheet* p = activePage_;
  if (!tabBorder3D_ && p && p->ShowClose() && PtInCloseButton(ActivePageIndex(), x, y)) {
    if (DockSite()) {
      CloseActivePage(true, false);
      return;
    }
    if (button == mbLeft) closePressed_ = p;
    // What the press invalidated (the focus it gave the control) is painted first, not over the
    // pressed picture.
    Update();
    DrawCloseButton(Canvas(), TabRectOfPage(ActivePageIndex()), 2, true);
    return;
  }
  // A docked form's tab: a press drags the form off (past the threshold), a double click floats it.
  if (button != mbLeft || !DockSite() || Style() != tsTabs) return;
  TControl* client = DockClientAt(x, y);
  if (!client) return;
  if (shift.Contains(ssDouble)) client->ManualDock(nullptr);
  else client->BeginDrag(false, -1);
}

void TCvPageControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomTabControl::MouseUp(button, shift, x, y);
  if (InState(csDesigning) || tabBorder3D_ || button != mbLeft) return;
  // Only the close button that took the press closes: after a close at the press (dock sites)
  // the next page's button may lie under the pointer.
  TCvTabSheet* pressed = closePressed_;
  closePressed_ = nullptr;
  TCvTabSheet* p = activePage_;
  if (!p || p != pressed || !p->ShowClose() || !PtInCloseButton(ActivePageIndex(), x, y)) return;
  CloseActivePage(!IsLastTab(p), true);
}

void TCvPageControl::MouseMove(TShiftState shift, int x, int y) {
  TCustomTabControl::MouseMove(shift, x, y);
  if (InState(csDesigning) || tabHoverColor_ == clNone || tabBorder3D_) return;
  bool hoverChanged = false;
  if (tabBackGround_->Empty()) {
    int hover = TabAtPos(x, y);
    if (hover != hoverIndex_) {
      if (hoverIndex_ >= 0) InvalidateTab(hoverIndex_);
      hoverIndex_ = hover;
      if (hoverIndex_ >= 0) InvalidateTab(hoverIndex_);
      hoverChanged = true;
    }
  }
  if (activePage_ && activePage_->ShowClose()) {
    bool in = PtInCloseButton(ActivePageIndex(), x, y);
    // The tabs just invalidated are painted first: painted later, they would cover the picture.
    if (hoverChanged && closeHot_ != in) Update();
    if (closeHot_ && !in) {
      DrawCloseButton(Canvas(), TabRectOfPage(ActivePageIndex()), 0, true);
      closeHot_ = false;
    } else if (!closeHot_ && in) {
      DrawCloseButton(Canvas(), TabRectOfPage(ActivePageIndex()), 1, true);
      closeHot_ = true;
    }
  }
}

// ---- closing ------------------------------------------------------------------------------------------

bool TCvPageControl::IsLastTab(TCvTabSheet* page) const {
  if (pages_.empty()) return true;
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end() || it + 1 == pages_.end()) return true;
  return std::none_of(it + 1, pages_.end(), [](TCvTabSheet* p) { return p->TabVisible(); });
}

bool TCvPageControl::DoCanClose(TCvTabSheet* page) {
  bool canClose = true;
  if (page->OnCanClose) page->OnCanClose(page, canClose);
  return canClose;
}

void TCvPageControl::DoClose(TCvTabSheet* page) {
  if (page->OnClose) page->OnClose(page);
}

void TCvPageControl::CloseActivePage(bool goForward, bool fromMouseUp) {
  TCvTabSheet* page = activePage_;
  if (!page) return;
  TCvTabSheet* next = FindNextPage(page, goForward, true);
  // The only visible page has no next one: the closed page is never chosen again.
  if (next == page) next = nullptr;
  // A handler may take either page away (or free it): closing_ and closeNext_ say what is left.
  closing_ = page;
  closeNext_ = next;
  auto done = [this] {
    closing_ = nullptr;
    closeNext_ = nullptr;
  };
  if (!DoCanClose(page) || closing_ != page) {
    done();
    return;
  }
  DoClose(page);
  if (closing_ == page) {
    SetActivePage(closeNext_);
    ChangeHandler();
  }
  if (closing_ == page) {
    if (!freeOnClose_) {
      closedPages_->AddObject(page->Name(), page);
      page->SetPageControl(nullptr);
    } else {
      page->Free();
    }
  }
  page = nullptr;
  if (fromMouseUp && closeNext_) SetActivePage(closeNext_);
  done();
  closeHot_ = false;
  Invalidate();
}

// ---- docking ------------------------------------------------------------------------------------------

TCvTabSheet* TCvPageControl::GetPageFromDockClient(TControl* client) const {
  if (!client || client->HostDockSite() != this) return nullptr;
  for (TCvTabSheet* p : pages_)
    if (p->ControlCount() > 0 && p->Controls(0) == client) return p;
  return nullptr;
}

TControl* TCvPageControl::DockClientAt(int x, int y) {
  int index = TabAtPos(x, y);
  if (index < 0) return nullptr;
  TCvTabSheet* page = GetPage(index);
  if (page->ControlCount() == 0) return nullptr;
  TControl* client = page->Controls(0);
  return GetPageFromDockClient(client) == page ? client : nullptr;
}

void TCvPageControl::DockOver(TDragDockObject* source, int x, int y, TDragState state, bool& accept) {
  RECT r;
  GetWindowRect(Handle(), &r);
  source->SetDockRect(TRect(r.left, r.top, r.right, r.bottom));
  DoDockOver(source, x, y, state, accept);
}

void TCvPageControl::GetSiteInfo(TControl* client, TRect& influenceRect, const TPoint& mousePos, bool& canDock) {
  canDock = GetPageFromDockClient(client) == nullptr;
  TCustomTabControl::GetSiteInfo(client, influenceRect, mousePos, canDock);
}

void TCvPageControl::DockClient(TControl* client) {
  if (!client || GetPageFromDockClient(client)) return;
  newDockSheet_ = new TCvTabSheet(this);
  TCvTabSheet* sheet = newDockSheet_;
  try {
    if (dynamic_cast<TCustomForm*>(client)) sheet->SetCaption(client->Caption());
    sheet->SetPageControl(this);
    client->SetParent(sheet);
    client->SetHostDockSite(this);
    AddDockClient(client);
    sheet->SetTabVisible(client->Visible());
    if (client->Visible()) SetActivePage(sheet);
    client->SetAlign(alClient);
  } catch (...) {
    newDockSheet_ = nullptr;
    throw;
  }
  newDockSheet_ = nullptr;
}

void TCvPageControl::UndockClient(TControl* client) {
  TCvTabSheet* page = GetPageFromDockClient(client);
  if (!page) return;
  undockingPage_ = page;
  client->SetAlign(alNone);
  client->SetParent(nullptr);
  RemoveDockClient(client);
  if (InState(csDestroying)) return;
  SelectNextPage(true);
  if (undockingPage_) {
    TCvTabSheet* p = undockingPage_;
    undockingPage_ = nullptr;
    p->Free();
  }
}
