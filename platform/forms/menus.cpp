#include "platform/forms/menus.h"

#include <algorithm>

#include "platform/forms/forms.h"
#include "platform/forms/imglist.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_COMPONENT(TMenuItem, TComponent)
FANO_IMPLEMENT_COMPONENT(TMenu, TComponent)
FANO_IMPLEMENT_COMPONENT(TPopupMenu, TMenu)

// ---- shortcuts --------------------------------------------------------------------------------

TShortCut ShortCut(uint16_t key, TShiftState shift) {
  if (key & 0xFF00) return 0;
  TShortCut sc = key;
  if (shift.Contains(ssShift)) sc |= scShift;
  if (shift.Contains(ssCtrl)) sc |= scCtrl;
  if (shift.Contains(ssAlt)) sc |= scAlt;
  return sc;
}

void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift) {
  key = shortCut & 0xFF;
  shift = TShiftState{};
  if (shortCut & scShift) shift.Include(ssShift);
  if (shortCut & scCtrl) shift.Include(ssCtrl);
  if (shortCut & scAlt) shift.Include(ssAlt);
}

namespace {

struct KeyName {
  uint16_t key;
  const char* name;
};
constexpr KeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},  {VK_TAB, "Tab"},   {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},   {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"},      {VK_HOME, "Home"},    {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},  {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
};

std::string KeyText(uint16_t key) {
  for (const KeyName& k : kKeyNames)
    if (k.key == key) return k.name;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - VK_F1 + 1);
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) return "Num " + std::to_string(key - VK_NUMPAD0);
  return {};
}

}  // namespace

std::string ShortCutToText(TShortCut shortCut) {
  std::string name = KeyText(shortCut & 0xFF);
  if (name.empty()) return {};
  std::string out;
  if (shortCut & scShift) out += "Shift+";
  if (shortCut & scCtrl) out += "Ctrl+";
  if (shortCut & scAlt) out += "Alt+";
  return out + name;
}

TShortCut TextToShortCut(std::string_view text) {
  TShortCut shift = 0;
  std::string_view rest = text;
  for (;;) {
    if (StartsText("Shift+", rest)) {
      shift |= scShift;
      rest.remove_prefix(6);
    } else if (StartsText("Ctrl+", rest)) {
      shift |= scCtrl;
      rest.remove_prefix(5);
    } else if (StartsText("Alt+", rest)) {
      shift |= scAlt;
      rest.remove_prefix(4);
    } else {
      break;
    }
  }
  if (rest.empty()) return 0;
  for (uint16_t key = 8; key <= 255; ++key) {
    std::string name = KeyText(key);
    if (!name.empty() && SameText(name, rest)) return static_cast<TShortCut>(key | shift);
  }
  return 0;
}

TShortCut ShortCutFromMessage(const TMessage& m) {
  TShiftState shift = KeyboardStateToShiftState();
  if (m.Msg == WM_SYSKEYDOWN || m.Msg == CN_SYSKEYDOWN || (m.LParam & 0x20000000)) shift.Include(ssAlt);
  return ShortCut(m.CharCode(), shift);
}

std::string StripHotkey(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += text[i];
  }
  return out;
}

char32_t GetHotkey(std::string_view text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    size_t p = i + 1;
    char32_t cp = Utf8Decode(text, p);
    if (cp < 128) cp = static_cast<char32_t>(std::tolower(static_cast<int>(cp)));
    return cp;
  }
  return 0;
}

bool IsAccel(char32_t ch, std::string_view caption) {
  if (ch < 128) ch = static_cast<char32_t>(std::tolower(static_cast<int>(ch)));
  char32_t hot = GetHotkey(caption);
  return hot != 0 && hot == ch;
}

// ---- the popup window -------------------------------------------------------------------------

namespace {
TPopupMenu* activeMenu = nullptr;
constexpr int kGutter = 20;      // check mark or image
constexpr int kArrowSpace = 16;  // sub-menu arrow
constexpr int kSeparatorHeight = 9;
}  // namespace

// One level of a menu on the screen.
class TPopupMenuWindow : public TCustomControl {
 public:
  TPopupMenuWindow(TPopupMenu* menu, TMenuItem* item, TPopupMenuWindow* parentWindow)
      : TCustomControl(nullptr), menu_(menu), item_(item), parentWindow_(parentWindow) {
    SetVisible(false);
    SetColor(clMenu);
    if (Screen) SetFont(Screen->MenuFont());
  }

  void CreateParams(TCreateParams& params) override {
    TCustomControl::CreateParams(params);
    params.Style = WS_POPUP | WS_BORDER;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    params.WindowClass.style |= CS_SAVEBITS;
    params.WndParent = nullptr;
  }

  std::vector<TMenuItem*> VisibleItems() const {
    std::vector<TMenuItem*> out;
    for (int i = 0; i < item_->Count(); ++i)
      if (item_->Items(i)->Visible()) out.push_back(item_->Items(i));
    return out;
  }

  int ItemHeight(TMenuItem* it) {
    if (it->IsLine()) return kSeparatorHeight;
    return std::max(Canvas()->TextHeight("Wg") + 8, 18);
  }

  // Lays the items out and places the window at the point by the alignment.
  void ShowAt(int x, int y, TPopupAlignment align, int altX) {
    HandleNeeded();
    Canvas()->SetFont(Font());
    items_ = VisibleItems();
    int textWidth = 0, shortWidth = 0, height = 2;
    bool anySub = false;
    for (TMenuItem* it : items_) {
      height += ItemHeight(it);
      if (it->IsLine()) continue;
      textWidth = std::max(textWidth, Canvas()->TextWidth(StripHotkey(it->Caption())));
      std::string sc = ShortCutToText(it->ShortCut());
      if (!sc.empty()) shortWidth = std::max(shortWidth, Canvas()->TextWidth(sc));
      if (it->Count() > 0) anySub = true;
    }
    textRightSpace_ = anySub ? kArrowSpace : 8;
    int width = kGutter + textWidth + (shortWidth ? 24 + shortWidth : 0) + textRightSpace_ + 4;
    width = std::max(width, 60);
    if (items_.empty()) height = std::max(height, 12);
    if (align == paRight) x -= width;
    else if (align == paCenter) x -= width / 2;
    TRect work = Screen ? Screen->WorkAreaRect() : TRect(0, 0, 1024, 768);
    if (x + width > work.Right) x = altX >= 0 ? altX - width : work.Right - width;
    if (x < work.Left) x = work.Left;
    if (y + height > work.Bottom) y = std::max(work.Top, y - height);
    SetBounds(x, y, width, height);
    SetWindowPos(Handle(), HWND_TOPMOST, x, y, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    SetVisible(true);
    POINT cursor;
    if (GetCursorPos(&cursor)) lastMouse_ = TPoint(cursor.x, cursor.y);
  }

  TRect ItemRect(int index) {
    int y = 1;
    for (int i = 0; i < index && i < static_cast<int>(items_.size()); ++i) y += ItemHeight(items_[static_cast<size_t>(i)]);
    int h = index < static_cast<int>(items_.size()) ? ItemHeight(items_[static_cast<size_t>(index)]) : 0;
    return Rect(1, y, ClientWidth() - 1, y + h);
  }

  int ItemAt(const TPoint& p) {
    for (int i = 0; i < static_cast<int>(items_.size()); ++i)
      if (ItemRect(i).Contains(p)) return i;
    return -1;
  }

  bool Selectable(int index) const {
    if (index < 0 || index >= static_cast<int>(items_.size())) return false;
    return !items_[static_cast<size_t>(index)]->IsLine();
  }

  void SetHot(int index) {
    if (index == hot_) return;
    hot_ = index;
    Invalidate();
    if (child_ && (hot_ < 0 || items_[static_cast<size_t>(hot_)] != child_->item_)) CloseChild();
  }

  void MoveHot(int delta) {
    int n = static_cast<int>(items_.size());
    if (n == 0) return;
    int i = hot_;
    for (int step = 0; step < n; ++step) {
      i = i < 0 ? (delta > 0 ? 0 : n - 1) : (i + delta + n) % n;
      if (Selectable(i)) {
        SetHot(i);
        return;
      }
    }
  }

  void OpenChild() {
    if (hot_ < 0) return;
    TMenuItem* it = items_[static_cast<size_t>(hot_)];
    if (it->Count() == 0 || !it->Enabled()) return;
    if (child_ && child_->item_ == it) return;
    CloseChild();
    for (int i = 0; i < it->Count(); ++i) it->Items(i)->InitiateAction();
    child_ = new TPopupMenuWindow(menu_, it, this);
    TRect r = ItemRect(hot_);
    TPoint tl = ClientToScreen(TPoint(ClientWidth(), r.Top - 1));
    TPoint left = ClientToScreen(TPoint(0, 0));
    child_->ShowAt(tl.X, tl.Y, paLeft, left.X);
  }

  void CloseChild() {
    if (!child_) return;
    child_->CloseChild();
    TPopupMenuWindow* c = child_;
    child_ = nullptr;
    c->Dismiss();
  }

  // Hides the window and frees it once the current messages have run.
  void Dismiss() {
    menu_ = nullptr;  // the menu may go before the release comes
    SetVisible(false);
    if (HandleAllocated()) {
      ShowWindow(WindowHandle(), SW_HIDE);
      PostMessage(WindowHandle(), CM_RELEASE, 0, 0);
    }
  }

  TPopupMenuWindow* Deepest() {
    TPopupMenuWindow* w = this;
    while (w->child_) w = w->child_;
    return w;
  }

  // The window of the chain (this one or a sub-menu) under a screen point.
  TPopupMenuWindow* WindowAt(const TPoint& screen) {
    for (TPopupMenuWindow* w = Deepest(); w; w = w->parentWindow_) {
      if (!w->HandleAllocated()) continue;
      RECT r;
      GetWindowRect(w->WindowHandle(), &r);
      if (TRect(r).Contains(screen)) return w;
      if (w == this) break;
    }
    return nullptr;
  }

  void Choose(int index) {
    if (!Selectable(index)) return;
    TMenuItem* it = items_[static_cast<size_t>(index)];
    if (!it->Enabled()) return;
    if (it->Count() > 0) {
      SetHot(index);
      OpenChild();
      if (child_) child_->MoveHot(1);
      return;
    }
    menu_->WindowClosed(Root(), it);
  }

  TPopupMenuWindow* Root() {
    TPopupMenuWindow* w = this;
    while (w->parentWindow_) w = w->parentWindow_;
    return w;
  }

  bool KeyMessage(TMessage& m) {
    TPopupMenuWindow* w = Deepest();
    if (m.Msg == WM_KEYDOWN || m.Msg == WM_SYSKEYDOWN) {
      switch (m.CharCode()) {
        case VK_UP: w->MoveHot(-1); break;
        case VK_DOWN: w->MoveHot(1); break;
        case VK_RIGHT:
          w->OpenChild();
          if (w->child_) w->child_->MoveHot(1);
          break;
        case VK_LEFT:
          if (w->parentWindow_) w->parentWindow_->CloseChild();
          break;
        case VK_ESCAPE:
          if (w->parentWindow_) w->parentWindow_->CloseChild();
          else menu_->WindowClosed(this, nullptr);
          break;
        case VK_RETURN:
          if (w->hot_ >= 0) w->Choose(w->hot_);
          else menu_->WindowClosed(this, nullptr);
          break;
        case VK_MENU:
        case VK_F10: menu_->WindowClosed(this, nullptr); break;
        default: break;
      }
    } else if (m.Msg == WM_CHAR) {
      char32_t ch = static_cast<char32_t>(m.WParam & 0xFFFF);
      for (int i = 0; i < static_cast<int>(w->items_.size()); ++i)
        if (!w->items_[static_cast<size_t>(i)]->IsLine() && IsAccel(ch, w->items_[static_cast<size_t>(i)]->Caption())) {
          w->SetHot(i);
          w->Choose(i);
          break;
        }
    }
    m.Result = 0;
    return true;
  }

  void MouseMessage(TMessage& m) {
    TPoint screen = ClientToScreen(TPoint(m.XPos(), m.YPos()));
    TPopupMenuWindow* w = WindowAt(screen);
    switch (m.Msg) {
      case WM_MOUSEMOVE:
        // Only a real move takes the highlight from the item the keys chose (the display server
        // reports the pointer where it stays, at crossings).
        if (screen == lastMouse_) break;
        lastMouse_ = screen;
        if (w) {
          int i = w->ItemAt(w->ScreenToClient(screen));
          w->SetHot(i);
          if (i >= 0 && w->items_[static_cast<size_t>(i)]->Count() > 0) w->OpenChild();
        }
        break;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
        if (!w) menu_->WindowClosed(this, nullptr);
        break;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
        if (w) {
          int i = w->ItemAt(w->ScreenToClient(screen));
          if (i >= 0) w->Choose(i);
        }
        break;
      default: break;
    }
  }

  void Dispatch(TMessage& m) override {
    if (!menu_) {
      // Dismissed: waits for its release and takes no input.
      if (m.Msg == CM_RELEASE) Free();
      else if ((m.Msg < WM_MOUSEFIRST || m.Msg > WM_MOUSELAST) && m.Msg != WM_ACTIVATEAPP) TCustomControl::Dispatch(m);
      return;
    }
    switch (m.Msg) {
      case WM_MOUSEMOVE:
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_MBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (!parentWindow_) MouseMessage(m);
        return;
      case WM_MOUSEACTIVATE: m.Result = MA_NOACTIVATE; return;
      case WM_CANCELMODE:
      case CM_CANCELMODE:
        if (!parentWindow_ && menu_ && menu_->window_ == this) menu_->WindowClosed(this, nullptr);
        return;
      case WM_CAPTURECHANGED:
        if (!parentWindow_ && menu_ && menu_->window_ == this && reinterpret_cast<HWND>(m.LParam) != WindowHandle())
          menu_->WindowClosed(this, nullptr);
        return;
      case WM_ACTIVATEAPP:
        // The user went to another program: the menu goes, as the platform's own menus do.
        if (!m.WParam && !parentWindow_ && menu_ && menu_->window_ == this) menu_->WindowClosed(this, nullptr);
        return;
      case CM_RELEASE: Free(); return;
      default: TCustomControl::Dispatch(m); return;
    }
  }

  void WndProc(TMessage& m) override {
    // Mouse input goes to the chain's root, which holds the capture; no hint or focus handling.
    Dispatch(m);
  }

  void Paint() override {
    TCanvas* c = Canvas();
    c->SetFont(Font());
    c->Brush()->SetColor(clMenu);
    c->FillRect(ClientRect());
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
      TMenuItem* it = items_[static_cast<size_t>(i)];
      TRect r = ItemRect(i);
      if (it->IsLine()) {
        RECT line{r.Left + 2, r.Top + kSeparatorHeight / 2 - 1, r.Right - 2, r.Top + kSeparatorHeight / 2 + 1};
        DrawEdge(c->Handle(), &line, EDGE_ETCHED, BF_TOP);
        continue;
      }
      bool hot = i == hot_;
      TColor back = hot ? clHighlight : clMenu;
      TColor text = !it->Enabled() ? clGrayText : hot ? clHighlightText : clMenuText;
      c->Brush()->SetColor(back);
      c->FillRect(r);
      // The marks are drawn in the text colour (the platform's menu glyphs are masks, black on white).
      c->Pen()->SetColor(text);
      c->Brush()->SetColor(text);
      const int midY = r.Top + r.Height() / 2;
      if (it->Checked() && it->RadioItem()) {
        c->Ellipse(TRect(r.Left + 6, midY - 3, r.Left + 12, midY + 3));
      } else if (it->Checked()) {
        for (int dy = 0; dy < 2; ++dy)
          c->Polyline({TPoint(r.Left + 5, midY - 1 + dy), TPoint(r.Left + 8, midY + 2 + dy), TPoint(r.Left + 14, midY - 4 + dy)});
      } else if (TCustomImageList* images = menu_ ? menu_->Images() : nullptr; images && it->ImageIndex() >= 0) {
        images->Draw(c, r.Left + 2, r.Top + (r.Height() - images->Height()) / 2, it->ImageIndex(), it->Enabled());
      } else if (it->HasBitmap()) {
        TBitmap* b = it->Bitmap();
        c->Draw(r.Left + 2, r.Top + (r.Height() - b->Height()) / 2, b);
      }
      c->Brush()->SetStyle(bsClear);
      c->Font()->SetColor(text);
      if (it->Default()) c->Font()->SetStyle(c->Font()->Style() + fsBold);
      RECT tr{r.Left + kGutter, r.Top, r.Right - textRightSpace_, r.Bottom};
      DrawTextA(c->Handle(), it->Caption().c_str(), -1, &tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
      std::string sc = ShortCutToText(it->ShortCut());
      if (!sc.empty()) DrawTextA(c->Handle(), sc.c_str(), -1, &tr, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      if (it->Default()) c->Font()->SetStyle(c->Font()->Style() - fsBold);
      if (it->Count() > 0) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(text);
        const int ax = r.Right - kArrowSpace + 5;
        c->Polygon({TPoint(ax, midY - 4), TPoint(ax + 4, midY), TPoint(ax, midY + 4)});
      }
      c->Brush()->SetStyle(bsSolid);
    }
  }

  TPopupMenu* menu_;
  TMenuItem* item_;
  TPopupMenuWindow* parentWindow_;
  TPopupMenuWindow* child_ = nullptr;
  std::vector<TMenuItem*> items_;
  int hot_ = -1;
  TPoint lastMouse_{-1, -1};  // the root's: where the pointer was at the last move
  int textRightSpace_ = 8;    // right of the captions: the sub-menu arrows, or a margin
};

bool PopupMenuKeyMessage(TMessage& m) {
  if (!activeMenu || m.Msg < WM_KEYFIRST || m.Msg > WM_KEYLAST) return false;
  return activeMenu->KeyMessage(m);
}

bool PopupMenuPressAway() {
  if (!activeMenu || !activeMenu->window_) return false;
  TPopupMenuWindow* w = activeMenu->window_;
  MSG m;
  if (!w->HandleAllocated() || !PeekMessage(&m, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE)) return false;
  const bool press = m.message == WM_LBUTTONDOWN || m.message == WM_RBUTTONDOWN || m.message == WM_MBUTTONDOWN ||
                     m.message == WM_LBUTTONDBLCLK || m.message == WM_RBUTTONDBLCLK || m.message == WM_MBUTTONDBLCLK;
  if (!press || m.hwnd != w->WindowHandle() || w->WindowAt(TPoint(m.pt.x, m.pt.y))) return false;
  activeMenu->CloseMenu();  // gives the mouse back: the press goes where the pointer is
  return true;
}

bool TPopupMenu::KeyMessage(TMessage& m) { return window_ && window_->KeyMessage(m); }

// ---- TMenuItem --------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

void TMenuItem::BeforeDestruction() {
  TComponent::BeforeDestruction();
  if (parent_) parent_->Remove(this);
  while (!items_.empty()) {
    TMenuItem* it = items_.back();
    items_.pop_back();
    it->parent_ = nullptr;
    it->Free();
  }
}

TMenuItem::~TMenuItem() {
  if (parent_) {
    auto& list = parent_->items_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    parent_ = nullptr;
  }
  while (!items_.empty()) {
    TMenuItem* it = items_.back();
    items_.pop_back();
    it->parent_ = nullptr;
    delete it;
  }
  actionLink_.reset();
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  return items_[static_cast<size_t>(index)];
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

int TMenuItem::MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }

void TMenuItem::SetMenuIndex(int value) {
  if (!parent_) return;
  TMenuItem* p = parent_;
  int count = p->Count();
  if (value < 0) value = 0;
  if (value >= count) value = count - 1;
  int cur = MenuIndex();
  if (value == cur) return;
  p->items_.erase(p->items_.begin() + cur);
  p->items_.insert(p->items_.begin() + value, this);
  p->MenuChanged(true);
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item) return;
  if (item->parent_) throw EMenuError("Menu inserted twice");
  for (TMenuItem* p = this; p; p = p->parent_)
    if (p == item) throw EMenuError("Menu inserted twice");
  if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  MenuChanged(true);
}

void TMenuItem::Delete(int index) {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  TMenuItem* item = items_[static_cast<size_t>(index)];
  items_.erase(items_.begin() + index);
  item->parent_ = nullptr;
  MenuChanged(true);
}

void TMenuItem::Remove(TMenuItem* item) {
  int i = IndexOf(item);
  if (i < 0) throw EMenuError("Sub-menu is not in menu");
  Delete(i);
}

void TMenuItem::Clear() {
  while (!items_.empty()) {
    TMenuItem* it = items_.back();
    items_.pop_back();
    it->parent_ = nullptr;
    it->Free();
  }
  MenuChanged(true);
}

TMenuItem* TMenuItem::Find(std::string_view caption) const {
  std::string wanted = StripHotkey(caption);
  for (TMenuItem* it : items_)
    if (AnsiSameText(StripHotkey(it->caption_), wanted)) return it;
  return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* it = this;
  while (it->parent_) it = it->parent_;
  return it->menu_;
}

void TMenuItem::MenuChanged(bool rebuild) {
  if (OnChange) OnChange(this, this, rebuild);
  const TMenuItem* root = this;
  while (root->parent_) root = root->parent_;
  if (root->menu_) root->menu_->MenuChanged(const_cast<TMenuItem*>(this), rebuild);
}

void TMenuItem::SetCaption(std::string_view value) {
  if (caption_ == value) return;
  caption_ = std::string(value);
  MenuChanged(true);
}

void TMenuItem::TurnSiblingsOff() {
  if (!parent_) return;
  for (TMenuItem* it : parent_->items_)
    if (it != this && it->radioItem_ && it->groupIndex_ == groupIndex_) it->SetChecked(false);
}

void TMenuItem::SetChecked(bool value) {
  if (checked_ == value) return;
  checked_ = value;
  if (value && radioItem_) TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  MenuChanged(false);
}

void TMenuItem::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  MenuChanged(true);
}

void TMenuItem::SetDefault(bool value) {
  if (default_ == value) return;
  if (value && parent_)
    for (TMenuItem* it : parent_->items_)
      if (it != this) it->default_ = false;
  default_ = value;
  MenuChanged(false);
}

void TMenuItem::SetRadioItem(bool value) {
  if (radioItem_ == value) return;
  radioItem_ = value;
  if (checked_ && value) TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::SetGroupIndex(uint8_t value) {
  if (groupIndex_ == value) return;
  groupIndex_ = value;
  if (checked_ && radioItem_) TurnSiblingsOff();
  MenuChanged(false);
}

void TMenuItem::SetImageIndex(int value) {
  if (imageIndex_ == value) return;
  imageIndex_ = value;
  MenuChanged(false);
}

void TMenuItem::SetShortCut(TShortCut value) {
  if (shortCut_ == value) return;
  shortCut_ = value;
  MenuChanged(true);
}

void TMenuItem::SetBreak(TMenuBreak value) {
  if (break_ == value) return;
  break_ = value;
  MenuChanged(true);
}

TBitmap* TMenuItem::Bitmap() const {
  if (!bitmap_) {
    bitmap_ = std::make_unique<TBitmap>();
    auto* self = const_cast<TMenuItem*>(this);
    bitmap_->OnChange = [self](TObject*) { self->MenuChanged(false); };
  }
  return bitmap_.get();
}

void TMenuItem::SetBitmap(TBitmap* value) {
  if (!value) {
    bitmap_.reset();
    MenuChanged(false);
    return;
  }
  Bitmap()->Assign(value);
}

void TMenuItem::SetSubMenuImages(TCustomImageList* value) {
  if (subMenuImages_) subMenuImages_->RemoveFreeNotification(this);
  subMenuImages_ = value;
  if (value) value->FreeNotification(this);
  MenuChanged(false);
}

TBasicAction* TMenuItem::Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }

void TMenuItem::SetAction(TBasicAction* value) {
  if (!value) {
    actionLink_.reset();
    return;
  }
  if (!actionLink_) actionLink_ = std::make_unique<TMenuActionLink>(this);
  actionLink_->SetAction(value);
  actionLink_->OnChange = [this](TObject* s) {
    if (actionLink_ && s == actionLink_->Action()) ActionChange(s, false);
  };
  ActionChange(value, InState(csLoading));
  value->FreeNotification(this);
}

void TMenuItem::ActionChange(TObject* sender, bool checkDefaults) {
  auto* a = dynamic_cast<TCustomAction*>(sender);
  if (!a) return;
  if (!checkDefaults || caption_.empty()) SetCaption(a->Caption());
  if (!checkDefaults || !checked_) SetChecked(a->Checked());
  if (!checkDefaults || enabled_) SetEnabled(a->Enabled());
  if (!checkDefaults || helpContext_ == 0) SetHelpContext(a->HelpContext());
  if (!checkDefaults || hint_.empty()) SetHint(a->Hint());
  if (!checkDefaults || imageIndex_ == -1) SetImageIndex(a->ImageIndex());
  if (!checkDefaults || shortCut_ == 0) SetShortCut(a->ShortCut());
  if (!checkDefaults || visible_) SetVisible(a->Visible());
  if (!checkDefaults || !autoCheck_) SetAutoCheck(a->AutoCheck());
}

void TMenuItem::Click() {
  if (!enabled_) return;
  if (autoCheck_ && !(actionLink_ && actionLink_->IsCheckedLinked())) SetChecked(!checked_);
  if (OnClick) OnClick(this);
  else if (actionLink_ && !InState(csDesigning)) actionLink_->Execute(this);
}

void TMenuItem::InitiateAction() {
  if (actionLink_) actionLink_->Update();
}

TComponent* TMenuItem::GetParentComponent() const {
  if (parent_ && parent_->menu_) return parent_->menu_;
  return parent_;
}

void TMenuItem::SetParentComponent(TComponent* parent) {
  if (parent_) parent_->Remove(this);
  if (auto* m = dynamic_cast<TMenu*>(parent)) m->Items()->Add(this);
  else if (auto* it = dynamic_cast<TMenuItem*>(parent)) it->Add(this);
}

void TMenuItem::GetChildren(const TGetChildProc& proc, TComponent*) {
  for (TMenuItem* it : items_) proc(it);
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove) {
    if (component == subMenuImages_) subMenuImages_ = nullptr;
    if (actionLink_ && component == actionLink_->Action()) {
      actionLink_->SetAction(nullptr);
      actionLink_.reset();
    }
  }
}

void TMenuItem::Loaded() {
  TComponent::Loaded();
  if (actionLink_ && actionLink_->Action()) ActionChange(actionLink_->Action(), true);
}

// ---- TMenuActionLink --------------------------------------------------------------------------

bool TMenuActionLink::IsCaptionLinked() {
  return TActionLink::IsCaptionLinked() && client_ && CustomAction() && client_->Caption() == CustomAction()->Caption();
}
bool TMenuActionLink::IsCheckedLinked() {
  return TActionLink::IsCheckedLinked() && client_ && CustomAction() && client_->Checked() == CustomAction()->Checked();
}
bool TMenuActionLink::IsEnabledLinked() {
  return TActionLink::IsEnabledLinked() && client_ && CustomAction() && client_->Enabled() == CustomAction()->Enabled();
}
bool TMenuActionLink::IsHelpContextLinked() {
  return TActionLink::IsHelpContextLinked() && client_ && CustomAction() &&
         client_->HelpContext() == CustomAction()->HelpContext();
}
bool TMenuActionLink::IsHintLinked() {
  return TActionLink::IsHintLinked() && client_ && CustomAction() && client_->Hint() == CustomAction()->Hint();
}
bool TMenuActionLink::IsGroupIndexLinked() {
  return TActionLink::IsGroupIndexLinked() && client_ && CustomAction() && client_->GroupIndex() == CustomAction()->GroupIndex();
}
bool TMenuActionLink::IsImageIndexLinked() {
  return TActionLink::IsImageIndexLinked() && client_ && CustomAction() && client_->ImageIndex() == CustomAction()->ImageIndex();
}
bool TMenuActionLink::IsShortCutLinked() {
  return TActionLink::IsShortCutLinked() && client_ && CustomAction() && client_->ShortCut() == CustomAction()->ShortCut();
}
bool TMenuActionLink::IsVisibleLinked() {
  return TActionLink::IsVisibleLinked() && client_ && CustomAction() && client_->Visible() == CustomAction()->Visible();
}
void TMenuActionLink::SetAutoCheck(bool value) {
  if (client_) client_->SetAutoCheck(value);
}
void TMenuActionLink::SetCaption(const std::string& value) {
  if (IsCaptionLinked()) client_->SetCaption(value);
}
void TMenuActionLink::SetChecked(bool value) {
  if (IsCheckedLinked()) client_->SetChecked(value);
}
void TMenuActionLink::SetEnabled(bool value) {
  if (IsEnabledLinked()) client_->SetEnabled(value);
}
void TMenuActionLink::SetHelpContext(int value) {
  if (IsHelpContextLinked()) client_->SetHelpContext(value);
}
void TMenuActionLink::SetHint(const std::string& value) {
  if (IsHintLinked()) client_->SetHint(value);
}
void TMenuActionLink::SetImageIndex(int value) {
  if (IsImageIndexLinked()) client_->SetImageIndex(value);
}
void TMenuActionLink::SetShortCut(TShortCut value) {
  if (IsShortCutLinked()) client_->SetShortCut(value);
}
void TMenuActionLink::SetVisible(bool value) {
  if (IsVisibleLinked()) client_->SetVisible(value);
}

// ---- TMenu ------------------------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr)) {
  items_->menu_ = this;
}

TMenu::~TMenu() {
  items_->menu_ = nullptr;
  // Sub-items owned by other components (the form) leave the tree; those of nobody go with it.
  while (items_->Count() > 0) {
    TMenuItem* it = items_->items_.back();
    items_->items_.pop_back();
    it->parent_ = nullptr;
    if (!it->Owner()) it->Free();
  }
}

void TMenu::SetImages(TCustomImageList* value) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (value) value->FreeNotification(this);
}

void TMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == images_) images_ = nullptr;
}

void TMenu::GetChildren(const TGetChildProc& proc, TComponent* root) { items_->GetChildren(proc, root); }

void TMenu::MenuChanged(TMenuItem*, bool) {}

TMenuItem* TMenu::FindItemByShortCut(TShortCut shortCut) const {
  if (shortCut == 0) return nullptr;
  std::function<TMenuItem*(TMenuItem*)> find = [&](TMenuItem* item) -> TMenuItem* {
    for (int i = 0; i < item->Count(); ++i) {
      TMenuItem* it = item->Items(i);
      if (it->ShortCut() == shortCut) return it;
      if (TMenuItem* sub = find(it)) return sub;
    }
    return nullptr;
  };
  return find(items_.get());
}

bool TMenu::IsShortCut(TShortCut shortCut) {
  TMenuItem* it = FindItemByShortCut(shortCut);
  if (!it) return false;
  it->InitiateAction();
  if (!it->Enabled() || !it->Visible()) return false;
  it->Click();
  return true;
}

// ---- TPopupMenu -------------------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {}

void TPopupMenu::BeforeDestruction() {
  CloseMenu();
  TMenu::BeforeDestruction();
}

// What the loop of Popup learns while it runs: the menu closed, with which item, or went.
struct TPopupMenu::MenuLoop {
  bool closed = false;
  bool menuGone = false;
  TMenuItem* chosen = nullptr;
  MenuLoop* outer = nullptr;  // a Popup of the same menu that this one interrupted
};

TPopupMenu::~TPopupMenu() {
  if (window_) {
    window_->menu_ = nullptr;
    window_->Dismiss();
    window_ = nullptr;
  }
  for (MenuLoop* l = loop_; l; l = l->outer) l->closed = l->menuGone = true;
  loop_ = nullptr;
  if (activeMenu == this) activeMenu = nullptr;
}

TPopupMenu* TPopupMenu::ActiveMenu() { return activeMenu; }

HWND TPopupMenu::PopupWindowHandle() const { return window_ ? window_->WindowHandle() : nullptr; }

void TPopupMenu::DoPopup(TObject* sender) {
  if (OnPopup) OnPopup(sender);
}

void TPopupMenu::Popup(int x, int y) {
  if (activeMenu) activeMenu->CloseMenu();
  popupPoint_ = TPoint(x, y);
  DoPopup(this);
  bool anyVisible = false;
  for (int i = 0; i < Items()->Count(); ++i) {
    Items()->Items(i)->InitiateAction();
    anyVisible = anyVisible || Items()->Items(i)->Visible();
  }
  if (!anyVisible) return;  // nothing to choose from: no menu, nothing to wait for
  MenuLoop loop;
  loop.outer = loop_;
  window_ = new TPopupMenuWindow(this, Items(), nullptr);
  activeMenu = this;
  loop_ = &loop;
  try {
    window_->ShowAt(x, y, alignment_, -1);
    SetCapture(window_->WindowHandle());
  } catch (...) {
    CloseMenu();
    loop_ = loop.outer;
    throw;
  }
  // The menu waits for its choice as the platform's own menus do; the rest of the application
  // goes on meanwhile (timers, painting), and closing the application closes the menu.
  while (!loop.closed) {
    if (Application->Terminated()) {
      CloseMenu();
      break;
    }
    try {
      Application->HandleMessage();
    } catch (...) {
      Application->HandleException(this);  // as the application's own loop does
    }
  }
  if (loop.menuGone) return;  // its items may have gone with it
  loop_ = loop.outer;
  // Last of all, with the menu gone from the screen: the click may free the menu itself.
  if (loop.chosen) loop.chosen->Click();
}

void TPopupMenu::CloseMenu() {
  if (window_) WindowClosed(window_, nullptr);
}

void TPopupMenu::WindowClosed(TPopupMenuWindow* window, TMenuItem* chosen) {
  if (window != window_ || !window_) return;
  TPopupMenuWindow* w = window_;
  window_ = nullptr;
  if (activeMenu == this) activeMenu = nullptr;
  w->CloseChild();
  if (w->HandleAllocated() && GetCapture() == w->WindowHandle()) ReleaseCapture();
  w->Dismiss();
  if (loop_) {
    loop_->closed = true;
    loop_->chosen = chosen;
  }
  if (OnClose) OnClose(this);
}

void TPopupMenu::MenuChanged(TMenuItem* source, bool rebuild) {
  TMenu::MenuChanged(source, rebuild);
  if (!window_) return;
  if (rebuild) CloseMenu();
  else
    for (TPopupMenuWindow* w = window_; w; w = w->child_) w->Invalidate();
}
