// The data grid's in-place editor: edit style, loading from the cell, the edit-button strip, the
// text rectangle, keys, completion against pick lists and lookups, paste checks and up-down steps.
#include "grid/dbgrid_inplace.h"

#include <algorithm>
#include <cmath>

#include "editors/gxdraw.h"
#include "editors/gxwindows.h"
#include "editors/mrulist.h"
#include "grid/lookupgrid.h"
#include "platform/forms/clipbrd.h"
#include "platform/forms/menus.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_COMPONENT(TDBGridInplaceEdit, TInplaceEdit)

namespace {

bool IsDateType(TFieldType t) { return t == ftDate || t == ftDateTime || t == ftTimeStamp; }

bool StartsWithText(const std::string& entry, const std::string& prefix) {
  return MRUItemStartsWith(entry, prefix, false);
}

TLocateOptions PartialCaseless() { return TLocateOptions{loCaseInsensitive, loPartialKey}; }

// Key fields of a lookup field, all of which must exist.
bool LookupKeysModifiable(TField* f, bool orDesign, bool design) {
  if (f->KeyFields().empty() || !f->DataSet()) return false;
  std::vector<TField*> keys;
  f->DataSet()->GetFieldList(keys, f->KeyFields());
  if (keys.empty()) return false;
  return AllItemsSatisfy(keys) || (orDesign && design);
}

}  // namespace

TEditStyleGx GetColumnEditStyle(TColumnGx* column) {
  if (!column) return esSimple;
  switch (column->ButtonStyle()) {
    case cbsEllipsis: return esEllipsis;
    case cbsUpDown:
    case cbsAltUpDown: return esUpDown;
    case cbsDropDown:
    case cbsAltDropDown: return esDropDown;
    case cbsNone: return esSimple;
    case cbsAuto: break;
  }
  TField* f = column->Field();
  if (!f) return esSimple;
  TCustomDBGridGx* g = column->Grid();
  if (f->FieldKind() != fkLookup) {
    if (column->HasPickList() && !column->ReadOnly()) return esPickList;
    if (IsDateType(f->DataType()) && !column->ReadOnly()) return esDateCalendar;
    return esSimple;
  }
  const bool design = g && g->InState(csDesigning);
  if (!LookupKeysModifiable(f, true, design)) return esSimple;
  if (column->IsAssigned(cvReadOnly) && column->ReadOnly()) return esSimple;
  if (g && !g->ReadOnly() && g->DataLink()->Active() && !g->DataLink()->ReadOnly()) return esDataList;
  return esSimple;
}

// ---------------------------------------------------------------- grid side

std::string TCustomDBGridGx::GetEditMask(int col, int row) {
  (void)row;
  TColumnGx* c = ColumnAt(RawToDataColumn(col));
  if (!c) return {};
  if (!c->EditMask().empty()) return c->EditMask();
  if (c->Field() && !c->HasKeyList()) return c->Field()->EditMask();
  return {};
}

int TCustomDBGridGx::GetEditLimit() {
  TColumnGx* c = SelectedColumn();
  if (!c || c->HasKeyList() || !c->Field()) return 0;
  TField* f = c->Field();
  return f->DataType() == ftString || f->DataType() == ftWideString ? f->Size() : 0;
}

void TCustomDBGridGx::SetEditValue(const Variant& value, const std::string& text) {
  editValue_ = value;
  editValueText_ = text;
  editValueSet_ = true;
}

void TCustomDBGridGx::EditButtonClick() {
  if (OnEditButtonClick) OnEditButtonClick(this);
}

// ---------------------------------------------------------------- the editor

TDBGridInplaceEdit::TDBGridInplaceEdit(TComponent* owner) : TInplaceEdit(owner) {
  lookupSource_ = new TDataSource(this);
}

TDBGridInplaceEdit::~TDBGridInplaceEdit() = default;

TCustomDBGridGx* TDBGridInplaceEdit::DBGrid() const { return dynamic_cast<TCustomDBGridGx*>(Grid()); }

TColumnGx* TDBGridInplaceEdit::Column() const {
  TCustomDBGridGx* g = DBGrid();
  return g ? g->SelectedColumn() : nullptr;
}

void TDBGridInplaceEdit::SetEditStyle(TEditStyleGx value) {
  if (value != editStyle_) {
    if (listVisible_) CloseUp(false);
    editStyle_ = value;
    if (HandleAllocated()) BoundsChanged();
  }
  // The list of the style is there (and the column's lookup list ours) before it drops down.
  MakeActiveList();
  // Each cell starts from its column's state: a cell made read-only by its parameters must not
  // leave the next cell read-only.
  if (TColumnGx* c = Column()) SetReadOnly(c->ReadOnly());
  Invalidate();
}

void TDBGridInplaceEdit::CreateParams(TCreateParams& params) {
  TInplaceEdit::CreateParams(params);
  if (wordWrap_) params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
  TCustomDBGridGx* g = DBGrid();
  buttonsWidth_ = g && g->Flat() ? DefaultFlatButtonWidth() + 1 : GetSystemMetrics(SM_CXVSCROLL);
}

void TDBGridInplaceEdit::CreateWnd() {
  TInplaceEdit::CreateWnd();
  // A window made (or made again) after the column was entered takes the column's input method.
  if (TCustomDBGridGx* g = DBGrid()) g->ApplyColumnIme();
}

void TDBGridInplaceEdit::UpdateContents() {
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  if (g) g->editorColumn_ = c;
  if (!g || !c) {
    TInplaceEdit::UpdateContents();
    return;
  }
  SetEditStyle(GetColumnEditStyle(c));
  SetFont(c->Font());
  TColCellParamsGx* p = g->CellParams();
  c->FillCellParams(p);
  p->Background = c->Color();
  p->Font = Font();
  p->State = TGridDrawState{gdFocused};
  p->Text = g->GetEditText(g->Col(), g->Row());
  const bool columnReadOnly = !c->CanModify(false);
  p->ReadOnly = columnReadOnly;
  g->GetCellParams(c, p->Font, p->Background, p->State);
  c->FireGetCellParams(true, p);
  SetColor(p->Background);
  imageIndex_ = p->ImageIndex;
  readOnlyByCellParams_ = p->ReadOnly != columnReadOnly;
  if (readOnlyByCellParams_) SetReadOnly(p->ReadOnly);

  // Multi-line when the row is taller than one line. A focused window is not made again (that
  // would take the focus in the middle of an edit); its style follows with the next window.
  const bool wrap = c->WordWrap() && c->TextFitsOneLine(g->GetRowHeights(g->Row()));
  if (wrap != wordWrap_) {
    wordWrap_ = wrap;
    if (HandleAllocated() && !Focused()) RecreateWnd();
  }
  TInplaceEdit::UpdateContents();
  if (Text() != p->Text) SetText(p->Text);
  mruList_ = c->MRUList();
  pickIndex_ = c->HasPickList() ? c->PickList()->IndexOf(Text()) : -1;
  userChangedText_ = false;
}

// ---- edit buttons

TEditButtonControlGx* TDBGridInplaceEdit::CreateEditButtonControl() {
  auto* b = new TEditButtonControlGx(this);
  b->SetControlStyle(b->ControlStyle() + csFixedHeight);
  b->SetBounds(0, 0, 10, 17);
  b->SetTransparent(false);
  b->SetParent(this);
  return b;
}

void TDBGridInplaceEdit::UpdateEditButtons() {
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  const bool flat = g && g->Flat();
  const int columnButtons = c ? c->EditButtons()->Count() : 0;
  const size_t n = static_cast<size_t>(columnButtons + 1);
  while (buttons_.size() > n) {
    buttons_.back().first->SetVisible(false);
    buttons_.back().second->SetVisible(false);
    buttons_.back().first->Free();
    buttons_.back().second->Free();
    buttons_.pop_back();
  }
  while (buttons_.size() < n) {
    TEditButtonControlGx* b = CreateEditButtonControl();
    auto* sep = new TShape(this);
    sep->SetParent(this);
    buttons_.emplace_back(sep, b);
  }
  auto defaultWidth = [&] { return flat ? DefaultFlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL); };
  std::vector<int> widths(n, 0);
  int barHeight = ClientHeight();
  for (size_t i = 0; i < n; ++i) {
    TEditButtonControlGx* b = buttons_[i].second;
    if (i == 0) {
      b->SetVisible(editStyle_ != esSimple);
      switch (editStyle_) {
        case esEllipsis: b->SetStyle(ebsEllipsisGx); break;
        case esUpDown: b->SetStyle(ebsUpDownGx); break;
        default: b->SetStyle(ebsDropDownGx); break;
      }
      b->SetHint("");
    } else {
      TEditButtonGx* eb = c->EditButtons()->Items(static_cast<int>(i) - 1);
      b->SetVisible(eb->Visible());
      b->SetStyle(eb->Style());
      b->Glyph()->Assign(eb->Glyph());
      b->SetNumGlyphs(eb->NumGlyphs());
      b->SetHint(eb->Hint());
      b->SetTag(static_cast<int>(i));
      if (b->Visible() && eb->Width() >= 1) widths[i] = eb->Width();
    }
    b->SetFlat(flat);
    if (!b->Visible()) {
      widths[i] = 0;
      continue;
    }
    if (widths[i] == 0) widths[i] = defaultWidth();
    const int limit = static_cast<int>(std::lround(widths[i] * 3 / 2.0)) < ClientHeight()
                          ? ScaleByHalf(widths[i], flat)
                          : ClientHeight();
    barHeight = std::min(barHeight, limit);
    b->OnDown = [this](TObject* sender, bool top, bool& autoRepeat, bool& handled) {
      EditButtonMouseDown(sender, top, autoRepeat, handled);
    };
    b->OnClick = [this](TObject* sender) { EditButtonClick(sender); };
    b->OnMouseMove = [this](TObject* sender, TShiftState shift, int x, int y) { EditButtonMouseMove(sender, shift, x, y); };
    b->OnMouseUp = [this](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
      EditButtonMouseUp(sender, button, shift, x, y);
    };
  }
  const bool rtl = c && c->UseRightToLeftAlignment();
  int x = rtl ? 0 : Width();
  for (size_t k = n; k-- > 0;) {
    TEditButtonControlGx* b = buttons_[k].second;
    TShape* sep = buttons_[k].first;
    const int sepWidth = flat && b->Visible() ? 1 : 0;
    sep->SetVisible(sepWidth > 0);
    if (rtl) {
      b->SetBounds(x, 0, widths[k], barHeight);
      x += widths[k];
      sep->SetBounds(x, 0, sepWidth, barHeight);
      x += sepWidth;
    } else {
      b->SetBounds(x - widths[k], 0, widths[k], barHeight);
      x -= widths[k];
      sep->SetBounds(x - sepWidth, 0, sepWidth, barHeight);
      x -= sepWidth;
    }
    b->SetEnabled(true);
    b->SetActive(true);
    sep->Pen()->SetColor(clBtnFace);
  }
  buttonsWidth_ = rtl ? x : ClientWidth() - x;
}

void TDBGridInplaceEdit::BoundsChanged() {
  if (!HandleAllocated()) return;
  UpdateEditButtons();
  const TRect r = GetEditRect();
  RECT rc = {r.Left, r.Top, r.Right, r.Bottom};
  SendStructMessage(WindowHandle(), EM_SETRECTNP, 0, &rc);
  SendMessage(WindowHandle(), EM_SCROLLCARET, 0, 0);
}

TRect TDBGridInplaceEdit::GetEditRect() {
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  const bool flat = g && g->Flat();
  TRect r = flat ? TRect(2, 1, Width() - 2, Height() - 1) : TRect(2, 2, Width() - 2, Height());
  TMeasureCanvas measure;
  measure.Canvas()->Font()->Assign(Font());
  if (measure.Canvas()->TextHeight("Wg") > r.Height() && r.Bottom < Height()) ++r.Bottom;
  const bool rtl = c && c->UseRightToLeftAlignment();
  if (buttonsWidth_ > 0) {
    if (rtl) r.Left += buttonsWidth_;
    else r.Right -= buttonsWidth_;
  }
  if (c && c->ImageList() && c->ShowImageAndText()) {
    const int w = c->ImageList()->Width() + 5;
    if (rtl) r.Right -= w;
    else r.Left += w;
  }
  if (const int indent = TreeIndent()) {
    if (rtl) r.Right -= indent + 1;
    else r.Left += indent + 1;
  }
  return r;
}

// ---- values

int TDBGridInplaceEdit::FindPickEntry(const std::string& prefix) const {
  TColumnGx* c = Column();
  if (!c || !c->HasPickList()) return -1;
  TStrings* picks = c->PickList();
  for (int i = 0; i < picks->Count(); ++i)
    if (StartsWithText(picks->Strings(i), prefix)) return i;
  return -1;
}

void TDBGridInplaceEdit::SetPickValue(int index) {
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  pickIndex_ = index;
  if (!g || !c || c->GetColumnType() != ckKeyList) return;
  TStrings* keys = c->KeyList();
  const Variant value = index >= 0 && index < keys->Count() ? Variant(keys->Strings(index)) : Null();
  g->SetEditValue(value, Text());
}

void TDBGridInplaceEdit::TakeText(const std::string& text, int selStart, int selLength) {
  SetText(text);
  SetSelStart(selStart);
  SetSelLength(selLength);
  if (TCustomDBGridGx* g = DBGrid()) g->SetEditText(g->Col(), g->Row(), text);
}

void TDBGridInplaceEdit::ListKeyFollows(const Variant& key) {
  if (editStyle_ == esDataList && dataList_) dataList_->SetKeyValue(key);
}

bool TDBGridInplaceEdit::CompleteFromLookup(const std::string& typed, bool& found) {
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  TField* f = c ? c->Field() : nullptr;
  TDataSet* lookup = c ? c->GetLookupDataSet() : nullptr;
  found = false;
  if (!f || !lookup || !lookup->Active()) return false;
  if (lookup->Locate(f->LookupResultField(), Variant(typed), PartialCaseless())) {
    found = true;
    const std::string text = lookup->FieldByName(f->LookupResultField())->AsString();
    const Variant key = lookup->FieldValues(f->LookupKeyFields());
    g->DataLink()->Edit();
    g->DataLink()->Modified();
    const int n = static_cast<int>(std::min(typed.size(), text.size()));
    TakeText(text, n, static_cast<int>(text.size()) - n);
    g->SetEditValue(key, text);
    ListKeyFollows(key);
    return true;
  }
  if (c->OnNotInList) {
    g->DataLink()->Edit();
    g->DataLink()->Modified();
    TakeText(typed, static_cast<int>(typed.size()), 0);
    g->SetEditValue(Null(), typed);
    ListKeyFollows(Null());
    return true;
  }
  return false;
}

void TDBGridInplaceEdit::ProcessTypedText(std::string& s) {
  if (s.size() == 1 && static_cast<unsigned char>(s[0]) < 32 && s[0] != 8) return;
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  if (!g || !c || !c->Field()) return;
  const bool backspace = s.size() == 1 && s[0] == 8;
  const std::string before = Text().substr(0, static_cast<size_t>(std::clamp(SelStart(), 0, static_cast<int>(Text().size()))));
  if (editStyle_ == esDataList && c->GetLookupDataSet()) {
    if (!g->DBOptions().Contains(dgEditing) || !g->CanEditModify()) return;
    if (!backspace) {
      bool found = false;
      CompleteFromLookup(before + s, found);
    }
    s.clear();
    return;
  }
  const bool keyList = c->GetColumnType() == ckKeyList;
  if (!keyList && editStyle_ != esPickList) return;
  if (!g->CanEditModify()) return;
  if (backspace) {
    if (keyList) s.clear();
    return;
  }
  const std::string typed = before + s;
  const int index = FindPickEntry(typed);
  if (index >= 0) {
    const std::string entry = c->PickList()->Strings(index);
    g->DataLink()->Edit();
    g->DataLink()->Modified();
    TakeText(entry, static_cast<int>(typed.size()), static_cast<int>(entry.size() - typed.size()));
    SetPickValue(index);
    s.clear();
    return;
  }
  if (keyList && c->OnNotInList) {
    TakeText(typed, static_cast<int>(typed.size()), 0);
    g->SetEditValue(Null(), typed);
    pickIndex_ = -1;
  }
  if (keyList) s.clear();
}

// ---- keys

void TDBGridInplaceEdit::DeleteListValue(uint16_t& key) {
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  TField* f = c->Field();
  const std::string text = Text();
  const int start = SelStart(), length = SelLength();
  const bool whole = start == 0 && length == static_cast<int>(text.size());
  key = 0;
  // A cell made read-only by its parameters keeps its value although the column may change.
  if (ReadOnly()) return;
  if (whole) {
    if (!c->CanModify(true)) return;
    if (editStyle_ == esDataList) {
      if (!f || !LookupKeysModifiable(f, false, false)) return;
      g->DataLink()->Edit();
      g->DataLink()->Modified();
      TakeText("", 0, 0);
      g->SetEditValue(Null(), "");
      ListKeyFollows(Null());
    } else if (editStyle_ == esPickList && c->GetColumnType() == ckKeyList) {
      TakeText("", 0, 0);
      SetPickValue(-1);
      g->SetEditValue(Null(), "");
    }
    return;
  }
  if (!c->OnNotInList || !c->CanModify(true)) return;
  const std::string rest = text.substr(0, static_cast<size_t>(start)) + text.substr(static_cast<size_t>(start + length));
  TakeText(rest, start, 0);
  if (editStyle_ == esDataList) {
    TDataSet* lookup = c->GetLookupDataSet();
    Variant value = Null();
    if (lookup && f && lookup->Locate(f->LookupResultField(), Variant(rest), TLocateOptions{loCaseInsensitive}))
      value = lookup->FieldValues(f->LookupKeyFields());
    g->SetEditValue(value, rest);
    ListKeyFollows(value);
  } else {
    int index = -1;
    if (c->HasPickList())
      for (int i = 0; i < c->PickList()->Count() && index < 0; ++i)
        if (AnsiSameText(c->PickList()->Strings(i), rest)) index = i;
    SetPickValue(index);
  }
}

void TDBGridInplaceEdit::KeyDown(uint16_t& key, TShiftState shift) {
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  if (!g || !c) {
    TInplaceEdit::KeyDown(key, shift);
    return;
  }
  const TShortCut sc = ShortCut(key, shift);
  if (ListKeyDown(key, shift)) return;
  const TColumnKindGx kind = c->GetColumnType();
  const bool listKind = kind == ckLookup || kind == ckKeyList;
  auto toGrid = [&] {
    g->KeyDown(key, shift);
    key = 0;
  };
  if (key == VK_RETURN && shift == TShiftState{ssCtrl} && (editStyle_ == esEllipsis || editStyle_ == esDropDown)) {
    // The line feed that Ctrl+Enter queues is not text.
    MSG msg{};
    if (HandleAllocated() && PeekMessage(&msg, WindowHandle(), WM_CHAR, WM_CHAR, PM_REMOVE) && msg.message == WM_QUIT)
      PostQuitMessage(static_cast<int>(msg.wParam));
    g->EditButtonClick();
    key = 0;
    return;
  }
  if (key == VK_DELETE && shift.Empty() && listKind && c->CanModify(false)) {
    DeleteListValue(key);
    return;
  }
  if (key == VK_BACK && listKind) {
    if (!c->OnNotInList) {
      key = VK_LEFT;
      TInplaceEdit::KeyDown(key, shift);
      return;
    }
    if (!ReadOnly() && c->CanModify(true)) {
      std::string text = Text();
      int start = SelStart(), length = SelLength();
      if (length == 0 && start > 0) {
        // One whole character before the caret.
        int from = start - 1;
        while (from > 0 && (static_cast<unsigned char>(text[static_cast<size_t>(from)]) & 0xC0) == 0x80) --from;
        length = start - from;
        start = from;
      } else if (start > 0) {
        int from = start - 1;
        while (from > 0 && (static_cast<unsigned char>(text[static_cast<size_t>(from)]) & 0xC0) == 0x80) --from;
        length += start - from;
        start = from;
      }
      SetSelStart(start);
      SetSelLength(length);
      uint16_t del = VK_DELETE;
      DeleteListValue(del);
      if (SelStart() != start) SetSelStart(start);
    }
    key = 0;
    return;
  }
  if ((key == VK_UP || key == VK_DOWN) && wordWrap_) {
    if (!g->DBOptions().Contains(dgAlwaysShowEditor)) {
      TCustomMaskEdit::KeyDown(key, shift);
      return;
    }
    const int line = static_cast<int>(SendMessage(WindowHandle(), EM_LINEFROMCHAR, static_cast<WPARAM>(SelStart()), 0));
    const int lines = static_cast<int>(SendMessage(WindowHandle(), EM_GETLINECOUNT, 0, 0));
    const bool all = SelStart() == 0 && SelLength() == static_cast<int>(Text().size());
    if (all || (key == VK_UP && line == 0) || (key == VK_DOWN && lines == line + 1)) TInplaceEdit::KeyDown(key, shift);
    else TCustomMaskEdit::KeyDown(key, shift);
    return;
  }
  if (key == VK_RETURN && g->OptionsGx().Contains(dghEnterAsTab)) {
    // With the recent values open, Enter's character takes the highlighted one: the key itself
    // does not move on.
    if (MRUListVisible()) key = 0;
    else toGrid();
    return;
  }
  if (sc == DBGridGxSetValueFromPrevRecordKey) {
    toGrid();
    return;
  }
  if (sc == DBGridGxInplaceSearchKey && g->OptionsGx().Contains(dghIncSearch)) {
    if (g->InplaceSearching() && g->OptionsGx().Contains(dghDialogFind) &&
        DBGridGxFindDialogKey == DBGridGxInplaceSearchKey) {
      g->StopInplaceSearch();
      g->ShowFindDialog(SelText(), {}, g->FindDialogModal());
    } else {
      g->InplaceSearchText({}, -1, 2);
    }
    key = 0;
    return;
  }
  if (sc == DBGridGxFindDialogKey && g->OptionsGx().Contains(dghDialogFind)) {
    g->ShowFindDialog(SelText(), {}, g->FindDialogModal());
    key = 0;
    return;
  }
  TSpecRowGx* spec = c->DropDownSpecRow();
  if (spec && sc == spec->ShortCut() && spec->Visible() && editStyle_ == esDataList && c->CanModify(false)) {
    if (!ReadOnly() && c->CanModify(true)) {
      const std::string text = spec->GetCellText(0);
      TakeText(text, 0, static_cast<int>(text.size()));
      g->SetEditValue(spec->Value(), text);
      ListKeyFollows(spec->Value());
    }
    key = 0;
    return;
  }
  for (int i = 0; i < c->EditButtons()->Count(); ++i) {
    TEditButtonGx* eb = c->EditButtons()->Items(i);
    if (eb->ShortCut() == 0 || eb->ShortCut() != sc) continue;
    key = 0;
    bool autoRepeat = false, handled = false;
    if (static_cast<size_t>(i + 1) < buttons_.size()) {
      // Pressed and clicked as with the mouse: its drop-down menu opens as well.
      TEditButtonControlGx* control = buttons_[static_cast<size_t>(i + 1)].second;
      TFreeWatch button(control);
      EditButtonMouseDown(control, true, autoRepeat, handled);
      if (!button.Gone()) EditButtonClick(control);
      return;
    }
    if (eb->OnDown) eb->OnDown(this, true, autoRepeat, handled);
    handled = false;
    eb->Click(this, handled);
    return;
  }
  TInplaceEdit::KeyDown(key, shift);
}

void TDBGridInplaceEdit::KeyPress(TKeyChar& key) {
  if (ListKeyPress(key)) return;
  std::u16string units(1, key);
  MSG next{};
  bool pair = false;
  if (key >= 0xD800 && key <= 0xDBFF && HandleAllocated() &&
      PeekMessage(&next, WindowHandle(), WM_CHAR, WM_CHAR, PM_NOREMOVE) && next.message != WM_QUIT) {
    units += static_cast<char16_t>(next.wParam);
    pair = true;
  }
  std::string typed = Utf16ToUtf8(units);
  ProcessTypedText(typed);
  if (typed.empty()) {
    key = 0;
    if (pair) PeekMessage(&next, WindowHandle(), WM_CHAR, WM_CHAR, PM_REMOVE);
    return;
  }
  if (key == 10 && !wordWrap_ && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_SHIFT) >= 0 &&
      GetKeyState(VK_MENU) >= 0) {
    key = 0;
    return;
  }
  const bool wasEmpty = Text().empty();
  TInplaceEdit::KeyPress(key);
  // Backspace in an empty text offers every recent value.
  if (key == 8 && wasEmpty && mruList_ && mruList_->Active() && Showing() && !listVisible_) ShowMRUList();
}

void TDBGridInplaceEdit::UserTextChanged() {
  userChangedText_ = true;
  UpdateImageIndex();
}

void TDBGridInplaceEdit::UpdateImageIndex() {
  TColumnGx* c = Column();
  if (!c || !c->ImageList()) return;
  int index = -1;
  TField* f = c->Field();
  if (c->HasPickList()) {
    index = c->PickList()->IndexOf(Text());
  } else if (f) {
    switch (f->DataType()) {
      case ftSmallint:
      case ftInteger:
      case ftWord:
      case ftFloat:
      case ftCurrency:
      case ftBCD:
      case ftFMTBcd: index = FieldValueAsInt32(f, -1); break;
      default: break;
    }
  }
  if (index == -1) index = c->NotInKeyListIndex();
  if (index != imageIndex_) {
    imageIndex_ = index;
    Invalidate();
  }
}

// ---- paste

void TDBGridInplaceEdit::PasteText() {
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  TClipboard* cb = Clipboard();
  if (!cb->HasFormat(CF_TEXT) && !cb->HasFormat(CF_UNICODETEXT)) return;
  const std::string text = Text();
  const size_t start = static_cast<size_t>(std::clamp(SelStart(), 0, static_cast<int>(text.size())));
  const size_t stop = std::min(text.size(), start + static_cast<size_t>(std::max(0, SelLength())));
  const std::string typed = text.substr(0, start) + cb->AsText() + text.substr(stop);
  TField* f = c->Field();
  if (editStyle_ == esDataList && c->GetLookupDataSet()) {
    bool found = false;
    CompleteFromLookup(typed, found);
    (void)f;
    return;
  }
  const int index = g->CanEditModify() ? FindPickEntry(typed) : -1;
  if (index >= 0) {
    const std::string entry = c->PickList()->Strings(index);
    g->DataLink()->Edit();
    g->DataLink()->Modified();
    TakeText(entry, static_cast<int>(typed.size()), static_cast<int>(entry.size() - typed.size()));
    SetPickValue(index);
  } else if (c->OnNotInList) {
    g->DataLink()->Edit();
    g->DataLink()->Modified();
    TakeText(typed, static_cast<int>(typed.size()), 0);
    SetPickValue(-1);
    g->SetEditValue(Null(), typed);
  }
}

void TDBGridInplaceEdit::Dispatch(TMessage& m) {
  if (DropDownMessage(m)) return;
  if (m.Msg == WM_PASTE) {
    TCustomDBGridGx* g = DBGrid();
    TColumnGx* c = Column();
    if (!g || !c) {
      TInplaceEdit::Dispatch(m);
      return;
    }
    if (ReadOnly() || !g->AllowedOperationsPermitEdit() || !c->CanModify(false)) return;
    if (editStyle_ != esDataList && c->GetColumnType() != ckKeyList) {
      TInplaceEdit::Dispatch(m);
      return;
    }
    PasteText();
    return;
  }
  if (m.Msg == WM_CUT || m.Msg == WM_CLEAR) {
    // Cutting from a key or lookup list would leave a text that is no entry (its value lost when
    // written): it removes as Delete does, and only what Delete removes goes to the clipboard.
    TColumnGx* c = Column();
    const TColumnKindGx kind = c ? c->GetColumnType() : ckText;
    if (DBGrid() && (kind == ckLookup || kind == ckKeyList)) {
      if (!EditCanModify() || !c->CanModify(false)) return;
      const std::string before = Text(), selected = SelText();
      uint16_t key = VK_DELETE;
      DeleteListValue(key);
      if (m.Msg == WM_CUT && Text() != before && !selected.empty()) Clipboard()->SetAsText(selected);
      return;
    }
  }
  TInplaceEdit::Dispatch(m);
  if (TCustomDBGridGx* g = DBGrid(); g && (m.Msg == WM_SETFOCUS || m.Msg == WM_KILLFOCUS)) {
    const HWND to = reinterpret_cast<HWND>(m.WParam);
    g->FocusLookChanged(m.Msg == WM_SETFOCUS || (to && g->HandleAllocated() && to == g->WindowHandle()));
  }
  if (userChangedText_) FollowMRUList();
}

// ---- buttons

void TDBGridInplaceEdit::StepUpDown(bool down) {
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  // A cell made read-only by its parameters does not step, though its column could.
  if (!g || !c || ReadOnly() || !c->CanModify(true)) return;
  if (Modified() || userChangedText_) {
    g->SetEditText(g->Col(), g->Row(), Text());
    g->DataLink()->UpdateData();
  }
  double step = down ? -c->Increment() : c->Increment();
  if (c->GetColumnType() != ckText) step = -step;
  c->StepValue(step);
  SetText(g->GetEditText(g->Col(), g->Row()));
  pickIndex_ = c->HasPickList() ? c->PickList()->IndexOf(Text()) : -1;
  SelectAll();
}

void TDBGridInplaceEdit::ButtonDown(bool down) {
  if (editStyle_ == esUpDown) {
    StepUpDown(down);
  } else if (!listVisible_) {
    DropDown();
    buttonPressOpened_ = true;
  }
}

void TDBGridInplaceEdit::EditButtonMouseDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled) {
  if (CanFocus()) SetFocus();
  handled = false;
  TColumnGx* c = Column();
  if (!c) return;
  TCustomDBGridGx* g = DBGrid();
  const int index = sender ? static_cast<TControl*>(sender)->Tag() : 0;
  if (index == 0) {
    if (c->OnEditButtonDown) c->OnEditButtonDown(g, topButton, autoRepeat, handled);
    if (!handled) ButtonDown(!topButton);
  } else if (index - 1 < c->EditButtons()->Count()) {
    TEditButtonGx* eb = c->EditButtons()->Items(index - 1);
    if (eb->OnDown) eb->OnDown(sender, topButton, autoRepeat, handled);
    auto* control = static_cast<TControl*>(sender);
    if (handled || !eb->DropdownMenu() || !control) return;
    // The menu hangs from the button's lower corner; the button comes up as the menu opens.
    TPopupMenu* menu = eb->DropdownMenu();
    const TPoint p =
        control->ClientToScreen(TPoint(menu->Alignment() == paRight ? control->Width() : 0, control->Height()));
    TFreeWatch button(control);
    menu->Popup(p.X, p.Y);
    if (button.Gone()) return;
    // The press on this button that closed the menu does not open it again.
    IsMouseDownPendingAt(control);
    control->Perform(WM_LBUTTONUP, 0, 0);
  }
}

void TDBGridInplaceEdit::EditButtonClick(TObject* sender) {
  TColumnGx* c = Column();
  TCustomDBGridGx* g = DBGrid();
  bool handled = false;
  const int index = sender ? static_cast<TControl*>(sender)->Tag() : 0;
  if (c && g) {
    if (index == 0) {
      if (editStyle_ == esEllipsis || editStyle_ == esDropDown) g->EditButtonClick();
      if (c->OnEditButtonClick) c->OnEditButtonClick(sender, handled);
    } else if (index - 1 < c->EditButtons()->Count()) {
      c->EditButtons()->Items(index - 1)->Click(sender, handled);
    }
  }
  if (!handled && index == 0 && listVisible_ && !buttonPressOpened_) CloseUp(false);
  buttonPressOpened_ = false;
}

// The drop-downs: dbgrid_dropdowns.cpp.
