// TCustomDBEditGx: the buttons inside the editor, the keyboard, the recent-values list, tool tips
// and in-place holding; the message routing of the editor.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "editors/dbeditbase.h"
#include "editors/gxdraw.h"
#include "editors/gxwindows.h"
#include "platform/forms/forms.h"
#include "platform/os/clock.h"

FANO_IMPLEMENT_COMPONENT(TToolTipsWindow, THintWindow)

TRect TToolTipsWindow::CalcHintRect(int maxWidth, const std::string& hint, void* data) {
  if (auto* font = static_cast<TFont*>(data)) {
    Canvas()->Font()->Assign(font);
    Canvas()->Font()->SetColor(clWindowText);
  }
  // The measure reads the font selected in the canvas's device context.
  Canvas()->RequiredState(TCanvasState{csHandleValid, csFontValid});
  return THintWindow::CalcHintRect(maxWidth, hint, data);
}

// ---- buttons -----------------------------------------------------------------------------------

TEditButtonGx* TCustomDBEditGx::ButtonOfEntry(int index) const {
  return index == 0 ? editButton_.get() : editButtons_->Items(index - 1);
}

TEditButtonControlGx* TCustomDBEditGx::CreateEditButtonControl() {
  auto* c = new TEditButtonControlGx(this);
  c->SetParent(this);
  c->SetControlStyle(c->ControlStyle() + csReplicatable);
  c->SetBounds(0, 0, 10, 17);
  c->SetTransparent(false);
  return c;
}

void TCustomDBEditGx::UpdateEditButtonControls() {
  if (layingOutButtons_ || !editButton_ || !editButtons_ || ComponentState().Contains(csDestroying)) return;
  layingOutButtons_ = true;
  size_t count = 1 + static_cast<size_t>(editButtons_->Count());
  while (buttonControls_.size() > count) {
    ButtonEntry e = buttonControls_.back();
    buttonControls_.pop_back();
    RetireButtonEntry(e);
  }
  while (buttonControls_.size() < count) {
    ButtonEntry e;
    e.Separator = new TEditButtonSeparatorGx(this);
    e.Separator->SetParent(this);
    e.Button = CreateEditButtonControl();
    TEditButtonControlGx* c = e.Button;
    c->OnClick = [this](TObject* s) { EditButtonClick(s); };
    c->OnDown = [this](TObject* s, bool top, bool& autoRepeat, bool& handled) {
      EditButtonDown(s, top, autoRepeat, handled);
    };
    c->OnMouseMove = [this](TObject* s, TShiftState shift, int x, int y) { EditButtonMouseMove(s, shift, x, y); };
    c->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState shift, int x, int y) {
      EditButtonMouseUp(s, b, shift, x, y);
    };
    buttonControls_.push_back(e);
  }
  TRect area = ClientRect();
  if (BorderStyle() == bsSingle && !Ctl3D()) {
    area.Top += 1;
    area.Bottom -= 1;
    area.Right -= 1;
  }
  std::vector<int> widths(count);
  int common = INT_MAX;
  for (size_t i = 0; i < count; ++i) {
    TEditButtonGx* b = ButtonOfEntry(static_cast<int>(i));
    int w = !b->Visible() ? 0 : b->Width() >= 1 ? b->Width() : flat_ ? DefaultFlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
    widths[i] = w;
    if (!b->Visible()) continue;
    int h = area.Height() <= static_cast<int>(std::nearbyint(3.0 * w / 2)) ? area.Height() : DefaultEditButtonHeight(w, flat_);
    common = std::min(common, h);
  }
  if (common == INT_MAX) common = area.Height();
  int x = area.Right;
  for (size_t k = count; k-- > 0;) {
    TEditButtonGx* b = ButtonOfEntry(static_cast<int>(k));
    ButtonEntry& e = buttonControls_[k];
    TEditButtonControlGx* c = e.Button;
    c->SetVisible(b->Visible());
    c->SetEnabled(b->Enabled() && (Enabled() || IsEditActive()));
    c->SetStyle(b->Style());
    c->SetGlyph(b->Glyph());
    c->SetNumGlyphs(b->NumGlyphs());
    c->SetHint(b->Hint());
    c->SetTag(static_cast<NativeInt>(k));
    c->SetFlat(flat_);
    c->SetActive(borderActive_);
    if (b->Visible()) x -= widths[k];
    c->SetBounds(x, area.Top, widths[k], common);
    bool sep = flat_ && b->Visible();
    e.Separator->SetVisible(sep);
    e.Separator->SetLineColor(borderActive_ ? clBtnFace : Color());
    if (sep) --x;
    e.Separator->SetBounds(x, area.Top, sep ? 1 : 0, common);
  }
  buttonsWidth_ = ClientWidth() - x;
  buttonsHeight_ = common;
  layingOutButtons_ = false;
  SetEditRect();
}

void TCustomDBEditGx::RetireButtonEntry(const ButtonEntry& entry) {
  entry.Separator->Free();
  if (!HandleAllocated() && buttonEventDepth_ == 0) {
    entry.Button->Free();
    return;
  }
  // Its events find no entry any more (EntryOf answers -1), so a late click does nothing.
  entry.Button->SetVisible(false);
  retiredButtons_.push_back(entry.Button);
  if (HandleAllocated()) PostMessage(WindowHandle(), CM_RELEASE, 0, 0);
}

TCustomDBEditGx::ButtonEventScope::~ButtonEventScope() {
  // The control's own code runs on after the event: the release waits for the next messages.
  if (--Editor->buttonEventDepth_ == 0 && !Editor->retiredButtons_.empty() && Editor->HandleAllocated())
    PostMessage(Editor->WindowHandle(), CM_RELEASE, 0, 0);
}

void TCustomDBEditGx::FreeRetiredButtons() {
  if (buttonEventDepth_ > 0) return;  // the event's end asks again
  std::vector<TEditButtonControlGx*> retired;
  retired.swap(retiredButtons_);
  for (TEditButtonControlGx* c : retired) c->Free();
}

void TCustomDBEditGx::UpdateBorderActive() {
  bool value = Designing(this) || focused_ || mouseAbove_ || alwaysShowBorder_;
  if (value == borderActive_) return;
  borderActive_ = value;
  for (ButtonEntry& e : buttonControls_) {
    e.Button->SetActive(value);
    e.Separator->SetLineColor(value ? clBtnFace : Color());
  }
  if (HandleAllocated() && flat_ && Ctl3D() && BorderStyle() == bsSingle)
    SendMessage(WindowHandle(), WM_NCPAINT, 1, 0);
}

int TCustomDBEditGx::EntryOf(TObject* sender) const {
  for (size_t i = 0; i < buttonControls_.size(); ++i)
    if (buttonControls_[i].Button == sender) return static_cast<int>(i);
  return -1;
}

void TCustomDBEditGx::PopDropdownMenu(TEditButtonControlGx* control, TPopupMenu* menu) {
  TPoint p = control->ClientToScreen(TPoint(menu->Alignment() == paRight ? control->Width() : 0, control->Height()));
  TFreeWatch button(control);
  menu->Popup(p.X, p.Y);
  if (button.Gone()) return;
  // The press on this button that closed the menu does not open it again.
  IsMouseDownPendingAt(control);
  control->Perform(WM_LBUTTONUP, 0, 0);
}

void TCustomDBEditGx::EditButtonDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled) {
  ButtonEventScope scope(this);
  if (CanFocus() && !Focused()) SetFocus();
  handled = false;
  int index = EntryOf(sender);
  if (index < 0) return;
  TEditButtonGx* b = ButtonOfEntry(index);
  auto* control = buttonControls_[static_cast<size_t>(index)].Button;
  if (index > 0) {
    if (b->OnDown) {
      TButtonDownEventGx onDown = b->OnDown;  // the handler may free the button
      onDown(sender, topButton, autoRepeat, handled);
      if (EntryOf(sender) != index) return;
    }
    if (!handled && b->DropdownMenu()) PopDropdownMenu(control, b->DropdownMenu());
    return;
  }
  if (OnButtonDown) OnButtonDown(this, topButton, autoRepeat, handled);
  if (handled) return;
  if (b->DropdownMenu()) PopDropdownMenu(control, b->DropdownMenu());
  else if (!b->Action()) ButtonDownDefault(!topButton);
}

void TCustomDBEditGx::ButtonDownDefault(bool lowerHalf) {
  (void)lowerHalf;
  if (editButton_->Style() == ebsUpDownGx || droppedDown_) return;
  DropDown();
  droppedByThisPress_ = true;
}

void TCustomDBEditGx::EditButtonClick(TObject* sender) {
  ButtonEventScope scope(this);
  int index = EntryOf(sender);
  bool handled = false;
  if (index == 0) {
    editButton_->Click(sender, handled);
    if (!handled && OnButtonClick) OnButtonClick(this, handled);
  } else if (index > 0) {
    ButtonOfEntry(index)->Click(sender, handled);
  }
  if (!handled && droppedDown_ && !droppedByThisPress_ && index == 0) CloseUp(false);
  droppedByThisPress_ = false;
  if (index == 0) ReleaseMainButtonIfNothingDropped();
}

void TCustomDBEditGx::ReleaseMainButtonIfNothingDropped() {
  // DropDown holds the main button pressed until CloseUp; an editor that drops nothing down (the
  // base editor) never closes up, so the press is over here.
  if (droppedDown_ || buttonControls_.empty()) return;
  TEditButtonControlGx* main = buttonControls_[0].Button;
  if (main->AlwaysDown()) main->SetAlwaysDown(false);
}

void TCustomDBEditGx::EditButtonMouseMove(TObject*, TShiftState, int, int) {}

void TCustomDBEditGx::EditButtonMouseUp(TObject* sender, TMouseButton, TShiftState, int x, int y) {
  auto* c = dynamic_cast<TControl*>(sender);
  if (c && !c->ClientRect().Contains(TPoint(x, y))) {
    droppedByThisPress_ = false;
    if (EntryOf(sender) == 0) ReleaseMainButtonIfNothingDropped();
  }
}

void TCustomDBEditGx::DropDown() {
  if (!buttonControls_.empty()) buttonControls_[0].Button->SetAlwaysDown(true);
  if (MRUListOpen()) MRUListCloseUp(false);
}

void TCustomDBEditGx::CloseUp(bool accept) {
  (void)accept;
  if (!buttonControls_.empty()) buttonControls_[0].Button->SetAlwaysDown(false);
  droppedDown_ = false;
}

void TCustomDBEditGx::DoBeforeDropDown() {
  if (OnBeforeDropDown) OnBeforeDropDown(this);
}

bool TCustomDBEditGx::DoBeforeCloseUp(bool accept) {
  if (OnBeforeCloseUp) OnBeforeCloseUp(this, accept);
  return accept;
}

int TCustomDBEditGx::ShortCutEntry(uint16_t key, TShiftState shift) {
  TShortCut sc = ::ShortCut(key, shift);
  if (sc == 0) return -1;
  for (int i = 0; i < ButtonControlCount(); ++i) {
    TEditButtonGx* b = ButtonOfEntry(i);
    // A hidden button keeps its shortcut (a number editor's calculator opens by Alt+Down).
    if (b->ShortCut() != sc || !b->Enabled()) continue;
    if (i == 0 && !IsEditActive()) continue;
    return i;
  }
  return -1;
}

bool TCustomDBEditGx::IsButtonShortCutKey(uint16_t key, TShiftState shift) { return ShortCutEntry(key, shift) >= 0; }

bool TCustomDBEditGx::IsButtonShortCut(uint16_t key, TShiftState shift) {
  int i = ShortCutEntry(key, shift);
  if (i < 0) return false;
  TEditButtonControlGx* c = buttonControls_[static_cast<size_t>(i)].Button;
  bool autoRepeat = false;
  c->ButtonDown(true, autoRepeat);
  c->Click();
  return true;
}

// ---- keyboard ----------------------------------------------------------------------------------

bool TCustomDBEditGx::HolderTakesKeyDown(uint16_t& key, TShiftState shift) {
  if (inplaceMode_ && inplaceHolderIntf_ && !holderAskedKey_) {
    holderAskedKey_ = true;
    inplaceHolderIntf_->InplaceEditKeyDown(this, key, shift);
  }
  return key == 0;
}

bool TCustomDBEditGx::HolderTakesKeyPress(TKeyChar& key) {
  if (inplaceMode_ && inplaceHolderIntf_ && !holderAskedKey_) {
    holderAskedKey_ = true;
    inplaceHolderIntf_->InplaceEditKeyPress(this, key);
  }
  return key == 0;
}

void TCustomDBEditGx::KeyDown(uint16_t& key, TShiftState shift) {
  if (HolderTakesKeyDown(key, shift)) return;
  TCustomMaskEdit::KeyDown(key, shift);
  if (key == 0) return;
  if (IsButtonShortCut(key, shift)) {
    key = 0;
    return;
  }
  if (key == 'A' && shift == TShiftState{ssCtrl}) SelectAll();
  bool startsEdit = key == VK_DELETE || (key == VK_INSERT && shift == TShiftState{ssShift}) ||
                    (key == VK_RETURN && wantReturns_) || (key == VK_TAB && wantTabs_);
  // A key that would change the text of a record that cannot be edited goes no further.
  if (startsEdit && !readOnly_ && !dataLink_->Edit()) {
    key = 0;
    return;
  }
  if (key == VK_RETURN && returnIsTab_ && !wantReturns_ && HandleAllocated() && IsWindowVisible(WindowHandle())) {
    PostMessage(WindowHandle(), WM_KEYDOWN, VK_TAB, 0);
    key = 0;
  }
}

void TCustomDBEditGx::KeyUp(uint16_t& key, TShiftState shift) {
  if (inplaceMode_ && inplaceHolderIntf_) {
    inplaceHolderIntf_->InplaceEditKeyUp(this, key, shift);
    if (key == 0) return;
  }
  TCustomMaskEdit::KeyUp(key, shift);
}

void TCustomDBEditGx::KeyPress(TKeyChar& key) {
  if (HolderTakesKeyPress(key)) return;
  bool wasEmpty = Text().empty();
  TCustomMaskEdit::KeyPress(key);
  if (key == 0) return;
  if (key >= 32 && Field() && !IsValidChar(key)) {
    MessageBeep(0);
    key = 0;
    return;
  }
  if (key == VK_ESCAPE) {
    dataLink_->Reset();
    SelectAll();
    key = 0;
    return;
  }
  if ((key == VK_BACK || key == 0x16 || key == 0x18 || key >= 32) && !readOnly_ && !dataLink_->Edit()) {
    key = 0;
    return;
  }
  if (key == VK_BACK && wasEmpty && mruList_->Active() && IsShowing() && !droppedDown_) mruList_->DropDown();
}

bool TCustomDBEditGx::EditCanModify() { return !readOnly_ && dataLink_->Edit(); }

void TCustomDBEditGx::DefaultHandler(TMessage& m) {
  if (m.Msg == WM_CHAR) {
    // The window's own filter: line feeds never, returns and tabs only when wanted.
    if (m.WParam == '\n' || (m.WParam == '\r' && !wantReturns_) || (m.WParam == '\t' && !wantTabs_)) return;
  }
  if (blockMouseDefault_) return;
  TCustomMaskEdit::DefaultHandler(m);
}

// ---- recent values -----------------------------------------------------------------------------

bool TCustomDBEditGx::MRUListOpen() const { return mruListbox_ && mruList_->DroppedDown(); }

void TCustomDBEditGx::FilterMRUItem(const std::string&, bool&) {}

void TCustomDBEditGx::TextChangedNotify() {
  std::string empty = IsMasked() ? FormatMaskText(EditMask(), "") : std::string();
  bool isEmpty = TCustomMaskEdit::EditText() == empty;
  if (MRUListOpen() && isEmpty) {
    MRUListCloseUp(false);
  } else if (mruList_->Active() && IsShowing() && !droppedDown_ && Focused() && !isEmpty) {
    mruList_->DropDown();
  }
}

void TCustomDBEditGx::MRUListDropDown() {
  // A password editor's list would show its texts in the clear.
  if (PasswordChar() != 0) {
    if (MRUListOpen()) MRUListCloseUp(false);
    return;
  }
  if (!mruListbox_) {
    mruListbox_ = CreateMRUListbox();
    mruListbox_->FreeNotification(this);
    mruListbox_->OnSizeGripResized = [this](TObject*) { UpdateDropDownSize(); };
    mruListbox_->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
      if (button == mbLeft && mruListbox_->ClientRect().Contains(TPoint(x, y))) MRUListCloseUp(true);
    };
  }
  TStringList filtered;
  mruList_->FilterItemsTo(&filtered, MRUFilterText());
  for (int i = filtered.Count() - 1; i >= 0; --i) {
    bool accept = true;
    FilterMRUItem(filtered.Strings(i), accept);
    if (!accept) filtered.Delete(i);
  }
  if (filtered.Count() == 0) {
    if (MRUListOpen()) MRUListCloseUp(false);
    return;
  }
  TMRUListboxGx* list = mruListbox_;
  list->SetColor(Color());
  list->SetFont(Font());
  list->SetItemHeight(list->GetTextHeight());
  list->Items()->Assign(&filtered);
  list->SetItemIndex(-1);
  RECT er{};
  if (HandleAllocated()) SendStructMessage(WindowHandle(), EM_GETRECT, 0, &er);
  TRect textRect(er);
  int width = mruList_->Width() > 0 ? mruList_->Width() : textRect.Width();
  list->SetRowCount(std::min(filtered.Count(), mruList_->Rows()));
  list->SetWidth(width);
  TPoint tl = ClientToScreen(textRect.TopLeft());
  TPoint at = AlignDropDownWindowRect(Bounds(tl.X, tl.Y, textRect.Width(), textRect.Height()), list, daLeft);
  ShowDropDown(list, at);
  mruList_->SetDroppedDown(true);
  list->UpdateScrollBar();
}

void TCustomDBEditGx::MRUListCloseUp(bool accept) {
  if (!mruListbox_) return;
  TMRUListboxGx* list = mruListbox_;
  bool listHadFocus = list->HandleAllocated() && GetFocus() == list->WindowHandle();
  if (list->HandleAllocated() && GetCapture() == list->WindowHandle()) ReleaseCapture();
  HideDropDown(list);
  mruList_->SetDroppedDown(false);
  if (listHadFocus && CanFocus()) SetFocus();
  if (accept && !readOnly_ && list->ItemIndex() >= 0 && dataLink_->Edit()) {
    InternalSetText(list->Items()->Strings(list->ItemIndex()));
    if (Focused()) SelectAll();
  }
}

void TCustomDBEditGx::UpdateDropDownSize() {
  if (!mruListbox_) return;
  mruList_->SetRows(mruListbox_->RowCount());
  mruList_->SetWidth(mruListbox_->Width());
}

bool TCustomDBEditGx::ForwardToMRUList(TMessage& m) {
  if (m.Msg == WM_CHAR && swallowChar_ != 0) {
    // The character of the Enter or Escape that closed the list.
    bool same = m.WParam == swallowChar_;
    swallowChar_ = 0;
    if (same) return true;
  }
  if (!MRUListOpen()) return false;
  HWND list = mruListbox_->Handle();
  switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR: {
      uint16_t key = static_cast<uint16_t>(m.WParam);
      bool alt = GetKeyState(VK_MENU) < 0;
      bool ctrl = GetKeyState(VK_CONTROL) < 0;
      if (m.Msg != WM_CHAR && (key == VK_RETURN || key == VK_ESCAPE)) {
        swallowChar_ = key == VK_RETURN ? '\r' : 27;
        MRUListCloseUp(key == VK_RETURN);
        return true;
      }
      bool nav = ((key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN) && !alt) ||
                 (ctrl && (key == VK_HOME || key == VK_END));
      if (m.Msg == WM_CHAR || !nav) return false;
      m.Result = SendMessage(list, m.Msg, m.WParam, m.LParam);
      mruListbox_->UpdateScrollBar();
      return true;
    }
    case WM_MOUSEWHEEL:
      m.Result = SendMessage(list, m.Msg, m.WParam, m.LParam);
      return true;
  }
  return false;
}

// ---- tool tips ---------------------------------------------------------------------------------

void TCustomDBEditGx::HintShow(TMessage& m) {
  auto* info = reinterpret_cast<THintInfo*>(m.LParam);
  if (tooltips_ && PasswordChar() == 0 && HandleAllocated()) {
    TRect er = GetEditRect();
    TRect r(0, 0, er.Width(), 0);
    HDC dc = GetDC(WindowHandle());
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    std::string text = Text();
    UINT flags = DT_CALCRECT | DT_NOPREFIX | (wordWrap_ ? DT_WORDBREAK : 0);
    DrawTextGx(dc, text, -1, r, static_cast<UINT>(DrawTextBiDiModeFlags(static_cast<int>(flags))));
    SelectObject(dc, old);
    ReleaseDC(WindowHandle(), dc);
    if (r.Width() > er.Width() - 2 || r.Height() > er.Height()) {
      info->HintStr = text;
      info->HintPos = ClientToScreen(TPoint(0, Height()));
      info->HintWindowClass = TToolTipsWindow::StaticClass();
      info->HintData = Font();
      m.Result = 0;
      return;
    }
  }
  if (!showHint_) {
    m.Result = 1;
    return;
  }
  TCustomMaskEdit::Dispatch(m);
}

// ---- in-place holding --------------------------------------------------------------------------

void TCustomDBEditGx::SetInplaceEditHolder(TWinControl* value) {
  if (value == inplaceEditHolder_) return;
  if (inplaceEditHolder_) inplaceEditHolder_->RemoveFreeNotification(this);
  inplaceEditHolder_ = nullptr;
  inplaceHolderIntf_ = nullptr;
  inplaceMode_ = false;
  if (value) {
    auto* intf = dynamic_cast<IInplaceEditHolderGx*>(value);
    if (!intf) throw EInvalidOperation(SInplaceEditHolderNoInterface);
    inplaceEditHolder_ = value;
    inplaceHolderIntf_ = intf;
    inplaceMode_ = true;
    value->FreeNotification(this);
  }
  UpdateReadOnlyState();
}

void TCustomDBEditGx::SetEditorBounds(const TRect& rect) {
  if (!inplaceEditHolder_) SetBoundsRect(rect);
  else Move(rect, true);
}

void TCustomDBEditGx::Move(const TRect& rect, bool redraw) {
  if (rect.IsEmpty()) {
    Hide();
    return;
  }
  HWND h = Handle();
  if (!IsWindowVisible(h)) redraw = true;
  Invalidate();
  Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(inplaceEditHolder_));
  SetWindowPos(h, nullptr, rect.Left, rect.Top, rect.Width(), rect.Height(),
               SWP_SHOWWINDOW | SWP_NOZORDER | (redraw ? 0 : SWP_NOREDRAW));
  if (redraw) Invalidate();
  if (inplaceEditHolder_ && inplaceEditHolder_->Focused()) ::SetFocus(h);
}

void TCustomDBEditGx::Hide() {
  if (!inplaceEditHolder_) {
    TControl::SetVisible(false);
    return;
  }
  if (!HandleAllocated() || !IsWindowVisible(WindowHandle())) return;
  bool hadFocus = GetFocus() == WindowHandle();
  Invalidate();
  SetWindowPos(WindowHandle(), nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOMOVE | SWP_NOSIZE);
  if (hadFocus) ::SetFocus(inplaceEditHolder_->Handle());
}

bool TCustomDBEditGx::Visible() const {
  if (inplaceMode_) return HandleAllocated() && IsWindowVisible(WindowHandle());
  return TControl::Visible();
}

void TCustomDBEditGx::SetVisible(bool value) {
  if (inplaceMode_ && !value) Hide();
  else TControl::SetVisible(value);
}

void TCustomDBEditGx::SetFocus() {
  if (inplaceMode_ && !Visible()) return;
  TCustomMaskEdit::SetFocus();
}

bool TCustomDBEditGx::OverButtonsOrImage(const TPoint& p) {
  return (buttonsWidth_ > 0 && p.X >= ClientWidth() - buttonsWidth_) || (imageWidth_ > 0 && p.X < imageWidth_);
}

// ---- message routing ---------------------------------------------------------------------------

void TCustomDBEditGx::WndProc(TMessage& m) {
  if (inplaceMode_ && inplaceHolderIntf_ && inplaceHolderIntf_->InplaceEditWndProc(this, m)) return;
  TCustomMaskEdit::WndProc(m);
}

bool TCustomDBEditGx::HandleKeysMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTCHARS;
      if (wantTabs_) code |= DLGC_WANTTAB;
      if (wantReturns_ || returnIsTab_) code |= DLGC_WANTALLKEYS;
      if (inplaceMode_ && inplaceEditHolder_ && inplaceEditHolder_->HandleAllocated() &&
          (SendMessage(inplaceEditHolder_->WindowHandle(), WM_GETDLGCODE, m.WParam, m.LParam) & DLGC_WANTTAB))
        code |= DLGC_WANTTAB;
      m.Result = code;
      return true;
    }
    case CM_WANTSPECIALKEY: {
      WPARAM key = m.WParam;
      if ((key == VK_RETURN || key == VK_ESCAPE) && MRUListOpen() && mruListbox_->ItemIndex() >= 0) {
        m.Result = 1;
        return true;
      }
      TCustomMaskEdit::Dispatch(m);
      if (key == VK_ESCAPE && Modified()) m.Result = 1;
      if (key == VK_RETURN && inplaceMode_) m.Result = 1;
      return true;
    }
    case WM_CUT:
    case WM_PASTE:
    case WM_UNDO:
      if (!readOnly_ && !dataLink_->Edit()) return true;
      return false;
    case WM_SETFOCUS:
      if (inplaceMode_ && inplaceEditHolder_) {
        TCustomForm* form = ::GetParentForm(this);
        if (form && !form->SetFocusedControl(inplaceEditHolder_)) return true;
      }
      return false;
    case WM_LBUTTONDOWN:
      if (inplaceMode_ && inplaceHolderIntf_) {
        TPoint down;
        uint32_t time = 0;
        inplaceHolderIntf_->GetMouseDownInfo(down, time);
        TPoint p = ClientToScreen(TPoint(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)));
        uint32_t now = static_cast<uint32_t>(GetMessageTime());
        if (now - time <= GetDoubleClickTime() && std::abs(p.X - down.X) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
            std::abs(p.Y - down.Y) <= GetSystemMetrics(SM_CYDOUBLECLK))
          m.Msg = WM_LBUTTONDBLCLK;
      }
      return false;
    case CM_SHOWINGCHANGED:
      return inplaceMode_;
    case CM_CANCELMODE: {
      auto* sender = reinterpret_cast<TControl*>(m.LParam);
      if (MRUListOpen() && sender != this && sender != mruListbox_ &&
          !(sender && (sender->Parent() == this || sender->Parent() == mruListbox_)))
        MRUListCloseUp(false);
      return false;
    }
    case WM_KILLFOCUS:
      if (MRUListOpen() && reinterpret_cast<HWND>(m.WParam) != mruListbox_->WindowHandle()) MRUListCloseUp(false);
      return false;
    case CM_HINTSHOW:
      HintShow(m);
      return true;
    case CM_PARENTSHOWHINTCHANGED:
      ParentShowHintChanged();
      return true;
  }
  return false;
}

void TCustomDBEditGx::Dispatch(TMessage& m) {
  if (m.Msg == WM_KEYDOWN || m.Msg == WM_SYSKEYDOWN || m.Msg == WM_CHAR) {
    // A new key message: its holder is yet to be asked (a message sent from a handler is another).
    const bool saved = holderAskedKey_;
    holderAskedKey_ = false;
    try {
      DispatchEditorMessage(m);
    } catch (...) {
      holderAskedKey_ = saved;
      throw;
    }
    holderAskedKey_ = saved;
    return;
  }
  DispatchEditorMessage(m);
}

void TCustomDBEditGx::DispatchEditorMessage(TMessage& m) {
  // A masked edit puts what is typed in through the window's text, which a multi-line window does
  // not announce: the change is noticed here instead.
  // Typing, Delete and the clipboard: not the keys that step a value.
  bool edits = m.Msg == WM_CHAR || (m.Msg == WM_KEYDOWN && m.WParam == VK_DELETE) || m.Msg == WM_PASTE ||
               m.Msg == WM_CUT || m.Msg == WM_CLEAR || m.Msg == WM_UNDO;
  if (edits && !inMaskedInput_ && IsMasked() && HandleAllocated() &&
      (GetWindowLong(WindowHandle(), GWL_STYLE) & ES_MULTILINE) != 0) {
    std::string before = TCustomMaskEdit::EditText();
    inMaskedInput_ = true;
    try {
      Dispatch(m);
    } catch (...) {
      inMaskedInput_ = false;
      throw;
    }
    inMaskedInput_ = false;
    if (HandleAllocated() && TCustomMaskEdit::EditText() != before) TextChangedNotify();
    return;
  }
  if (ForwardToMRUList(m)) return;
  if (HandleKeysMessage(m)) return;
  if (HandleFlatMessage(m)) return;
  switch (m.Msg) {
    case WM_EDITIMAGECHANGED:
      RecreateWnd();
      return;
    case WM_EDITORHOSTNOTICE:
      m.Result = 0;
      return;
    case CM_RELEASE:
      FreeRetiredButtons();
      return;
    case WM_PAINT:
      PaintHandler2(m);
      if (IsFlatMode()) PaintFlatBorder();
      return;
    case CM_ENTER:
      CMEnter(m);
      return;
    case CM_EXIT:
      CMExit(m);
      return;
    case WM_SIZE:
      TCustomMaskEdit::Dispatch(m);
      UpdateEditButtonControls();
      return;
    case CM_FONTCHANGED:
      TCustomMaskEdit::Dispatch(m);
      UpdateHeight();
      SetEditRect();
      return;
    case CM_ENABLEDCHANGED:
      TCustomMaskEdit::Dispatch(m);
      UpdateEditButtonControls();
      if (IsFlatMode()) PaintFlatBorder();
      return;
    case CM_COLORCHANGED:
      TCustomMaskEdit::Dispatch(m);
      for (ButtonEntry& e : buttonControls_) e.Separator->SetLineColor(borderActive_ ? clBtnFace : Color());
      return;
    case CN_COMMAND:
      TCustomMaskEdit::Dispatch(m);
      if (HIWORD(m.WParam) == EN_CHANGE) TextChangedNotify();
      return;
    case WM_SETCURSOR: {
      POINT p;
      GetCursorPos(&p);
      if (HandleAllocated() && OverButtonsOrImage(ScreenToClient(TPoint(p)))) {
        ::SetCursor(LoadCursor(nullptr, IDC_ARROW));
        m.Result = 1;
        return;
      }
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEMOVE: {
      TPoint p(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      bool block = OverButtonsOrImage(p) && GetCapture() != WindowHandle();
      blockMouseDefault_ = block;
      try {
        TCustomMaskEdit::Dispatch(m);
      } catch (...) {
        blockMouseDefault_ = false;
        throw;
      }
      blockMouseDefault_ = false;
      if (m.Msg == WM_LBUTTONDOWN && HandleAllocated() && GetFocus() != WindowHandle() &&
          GetCapture() == WindowHandle())
        ReleaseCapture();
      return;
    }
    case CM_MOUSEENTER:
      mouseAbove_ = true;
      UpdateBorderActive();
      TCustomMaskEdit::Dispatch(m);
      HandleFlatHover(true);
      return;
    case CM_MOUSELEAVE:
      mouseAbove_ = false;
      UpdateBorderActive();
      TCustomMaskEdit::Dispatch(m);
      HandleFlatHover(false);
      return;
  }
  TCustomMaskEdit::Dispatch(m);
}
