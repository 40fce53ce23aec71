#include "editors/dbcombobox.h"

#include <algorithm>

#include "editors/dbeditors_published.h"
#include "editors/tools/gxplatform.h"
#include "platform/classes/classreg.h"
#include "platform/db/dataset.h"
#include "platform/forms/clipbrd.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_CLASS(TDropDownBoxGx, TPersistent)
FANO_IMPLEMENT_COMPONENT(TCustomDBComboBoxGx, TCustomDBEditGx)
FANO_IMPLEMENT_COMPONENT(TDBComboBoxGx, TCustomDBComboBoxGx)

namespace {

int CharCount(std::string_view s) { return static_cast<int>(Utf8CharCount(s)); }

// The first `count` characters of s.
std::string CharPrefix(std::string_view s, int count) {
  size_t pos = 0;
  for (int i = 0; i < count && pos < s.size(); ++i) Utf8Decode(s, pos);
  return std::string(s.substr(0, pos));
}

std::string KeyText(TKeyChar key) { return Utf16ToUtf8(std::u16string(1, key)); }

int TextWidth(TFont* font, std::string_view text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font->Handle());
  SIZE size{};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size.cx;
}

}  // namespace

// ---- TDropDownBoxGx ----------------------------------------------------------------------------

void TDropDownBoxGx::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TDropDownBoxGx*>(source)) {
    align_ = s->align_;
    autoDrop_ = s->autoDrop_;
    rows_ = s->rows_;
    sizable_ = s->sizable_;
    width_ = s->width_;
    return;
  }
  TPersistent::Assign(source);
}

// ---- TCustomDBComboBoxGx -----------------------------------------------------------------------

TCustomDBComboBoxGx::TCustomDBComboBoxGx(TComponent* owner)
    : TCustomDBEditGx(owner),
      dropDownBox_(std::make_unique<TDropDownBoxGx>()),
      items_(std::make_unique<TStringList>()),
      keyItems_(std::make_unique<TStringList>()),
      keyValue_(Variant::Null()) {
  items_->OnChange = [this](TObject*) { ItemsChanged(); };
  keyItems_->OnChange = [this](TObject*) { KeyItemsChanged(); };
  // The main button is made by the base constructor, before this class's override could run.
  RecreateEditButton();
}

TCustomDBComboBoxGx::~TCustomDBComboBoxGx() {
  items_->OnChange = nullptr;
  keyItems_->OnChange = nullptr;
}

TEditButtonGx* TCustomDBComboBoxGx::CreateEditButton() { return TVisibleEditButtonGx::CreateForEditor(this); }

void TCustomDBComboBoxGx::Notification(TComponent* component, TOperation operation) {
  TCustomDBEditGx::Notification(component, operation);
  if (operation == opRemove && component == popupListbox_) {
    popupListbox_ = nullptr;
    listVisible_ = false;
  }
}

void TCustomDBComboBoxGx::Recount() {
  itemCount_ = items_->Count();
  keyMode_ = keyItems_->Count() > 0;
  if (keyMode_) {
    itemCount_ = std::min(items_->Count(), keyItems_->Count());
    SetTextQuietly("");
  }
  UpdateReadOnlyState();
}

void TCustomDBComboBoxGx::ItemsChanged() {
  Redisplay([this] {
    Recount();
    // In key mode the text was emptied with the recount: the key shows again through the new items.
    if (keyMode_)
      InternalSetValue(keyValue_);
    else
      ItemIndexFromText();
    CheckDataMaxLength();
  });
}

void TCustomDBComboBoxGx::KeyItemsChanged() {
  Redisplay([this] {
    Recount();
    ItemIndexFromText();
    CheckDataMaxLength();
    DataChanged();
  });
}

void TCustomDBComboBoxGx::SetTextQuietly(std::string_view text) {
  if (TCustomMaskEdit::Text() != text) TCustomMaskEdit::SetText(text);
}

void TCustomDBComboBoxGx::ListFollows() {
  if (popupListbox_ && listVisible_) popupListbox_->SetItemIndex(itemIndex_);
}

void TCustomDBComboBoxGx::ItemIndexFromText() {
  int i = items_->IndexOf(TCustomMaskEdit::Text());
  itemIndex_ = i < itemCount_ ? i : -1;
  ListFollows();
  UpdateImageIndex();
}

void TCustomDBComboBoxGx::BeforeLocate() {
  if (items_->Count() == 0 && OnItemsRequest) OnItemsRequest(this);
}

void TCustomDBComboBoxGx::InternalSetItemIndex(int value) {
  if (value == itemIndex_) return;
  BeforeLocate();
  if (value < 0 || value >= itemCount_) {
    itemIndex_ = -1;
    keyValue_ = Variant::Null();
  } else {
    itemIndex_ = value;
    if (keyMode_) keyValue_ = Variant(keyItems_->Strings(value));
  }
  UpdateImageIndex();
  ListFollows();
  SetTextQuietly(itemIndex_ >= 0 ? items_->Strings(itemIndex_) : std::string());
  // Another item of the same text changes no text, but the value is another one to write.
  DataLink()->SetModified();
}

void TCustomDBComboBoxGx::SetItemIndex(int value) {
  if (InState(csDesigning) && !IsDataIndependent()) return;
  if (!IsDataIndependent()) {
    TDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
    if (ds && ds->Active()) ds->Edit();
  }
  InternalSetItemIndex(value);
  UpdateData();
}

Variant TCustomDBComboBoxGx::GetVariantValue() const {
  return keyMode_ ? keyValue_ : TCustomDBEditGx::GetVariantValue();
}

bool TCustomDBComboBoxGx::IsValidChar(char32_t ch) { return keyMode_ || TCustomDBEditGx::IsValidChar(ch); }

TAlignment TCustomDBComboBoxGx::DefaultAlignment() const {
  return keyMode_ ? taLeftJustify : TCustomDBEditGx::DefaultAlignment();
}

void TCustomDBComboBoxGx::InternalSetValue(const Variant& value) {
  if (!keyMode_) {
    SetTextQuietly(value.IsArray() ? std::string() : VarToStrGx(value));
    ItemIndexFromText();
    return;
  }
  keyValue_ = value;
  int index = -1;
  if (!value.IsNull() && !value.IsEmpty()) index = keyItems_->IndexOf(VarToStrGx(value));
  itemIndex_ = index >= 0 && index < itemCount_ ? index : -1;
  SetTextQuietly(itemIndex_ >= 0 ? items_->Strings(itemIndex_) : std::string());
  UpdateImageIndex();
  ListFollows();
}

void TCustomDBComboBoxGx::InternalSetText(std::string_view text) {
  if (!keyMode_) {
    SetTextQuietly(text);
    ItemIndexFromText();
    return;
  }
  int index = items_->IndexOf(text);
  if (index < 0 || index >= itemCount_) return;
  itemIndex_ = index;
  UpdateImageIndex();
  ListFollows();
  keyValue_ = Variant(keyItems_->Strings(index));
  SetTextQuietly(text);
}

void TCustomDBComboBoxGx::InternalUpdatePostData() {
  if (IsDataIndependent() && !keyMode_) {
    DataLink()->SetText(TCustomMaskEdit::EditText());
  } else if (keyMode_ && (keyValue_.IsNull() || keyValue_.IsEmpty())) {
    DataLink()->SetValue(Variant::Null());
  } else {
    DataLink()->SetText(VarToStrGx(GetVariantValue()));
  }
}

void TCustomDBComboBoxGx::UpdateData() {
  if (OnNotInList && itemIndex_ == -1) {
    bool handled = false;
    OnNotInList(this, TCustomMaskEdit::Text(), handled);
  }
  TCustomDBEditGx::UpdateData();
}

void TCustomDBComboBoxGx::DataChanged() {
  const int maxLength = MaxLength();
  TCustomDBEditGx::DataChanged();
  if (keyMode_) SetMaxLength(maxLength);  // the key's field does not limit the shown text
  TField* f = Field();
  if (f) {
    if (keyMode_ || (FocusedState() && DataLink()->CanModify()))
      InternalSetValue(f->IsNull() ? Variant::Null() : Variant(f->Text()));
    else
      ItemIndexFromText();
  } else if (IsDataIndependent()) {
    InternalSetValue(DataLink()->DataIndependentValue());
  } else {
    InternalSetValue(Variant::Null());
  }
  TCustomEdit::SetModified(false);
}

void TCustomDBComboBoxGx::CheckDataMaxLength() {
  if (keyMode_) {
    if (MaxLength() > 0) SetMaxLength(0);
    return;
  }
  TCustomDBEditGx::CheckDataMaxLength();
}

void TCustomDBComboBoxGx::UpdateReadOnlyState() {
  TCustomDBEditGx::UpdateReadOnlyState();
  if (keyMode_) TCustomEdit::SetReadOnly(true);
}

std::string TCustomDBComboBoxGx::GetDisplayTextForPaint() {
  TField* f = Field();
  if (!keyMode_ || !f || !ControlState().Contains(csPaintCopy)) return TCustomDBEditGx::GetDisplayTextForPaint();
  int index = keyItems_->IndexOf(f->Text());
  std::string text = index >= 0 && index < itemCount_ ? items_->Strings(index) : std::string();
  switch (CharCase()) {
    case ecUpperCase: return AnsiUpperCase(text);
    case ecLowerCase: return AnsiLowerCase(text);
    default: return text;
  }
}

void TCustomDBComboBoxGx::UpdateImageIndex() {
  itemImageIndex_ = itemIndex_;
  if (OnGetItemImageIndex) OnGetItemImageIndex(this, itemIndex_, itemImageIndex_);
  TCustomDBEditGx::UpdateImageIndex();
}

void TCustomDBComboBoxGx::Clear() {
  if (keyMode_)
    SetValue(Variant::Null());
  else
    TCustomDBEditGx::Clear();
}

// ---- searching and stepping --------------------------------------------------------------------

bool TCustomDBComboBoxGx::LocateStr(const std::string& s, bool partial) {
  if (!DataLink()->Edit()) return false;
  const int old = itemIndex_;
  const int length = CharCount(s);
  int found = -1;
  for (int i = 0; i < itemCount_ && found < 0; ++i) {
    std::string item = items_->Strings(i);
    if (AnsiCompareTextGx(partial ? CharPrefix(item, length) : item, s) == 0) found = i;
  }
  if (found < 0) {
    if (!keyMode_ && itemIndex_ != -1) {
      itemIndex_ = -1;
      ListFollows();
      UpdateImageIndex();
    }
    return old != itemIndex_;
  }
  if (found == itemIndex_)
    SetTextQuietly(items_->Strings(found));
  else
    InternalSetItemIndex(found);
  SetSel(length, CharCount(TCustomMaskEdit::EditText()));
  return old != itemIndex_;
}

void TCustomDBComboBoxGx::ProcessSearchStr(const std::string& s) {
  if (!Field() && !IsDataIndependent()) return;
  if (!DataLink()->Edit()) return;
  int start = 0, stop = 0;
  GetSel(start, stop);
  const int length = CharCount(TCustomMaskEdit::EditText());
  if (s == "\b") {
    // The shown item stays; the selection grows back by one character.
    if (stop < length || start == stop)
      SetSel(std::max(0, std::min(start, length) - 1), length);
    else
      SetSel(std::max(0, start - 1), length);
    return;
  }
  std::string search = CharPrefix(TCustomMaskEdit::EditText(), start) + s;
  if (search.empty()) return;  // an empty text completes to nothing
  BeforeLocate();
  LocateStr(search, true);
}

void TCustomDBComboBoxGx::SelectNextValue(bool up) {
  if (!DataLink()->Edit()) return;
  int index = itemIndex_;
  if (up) {
    if (index >= 1)
      --index;
    else if (index == -1)
      index = itemCount_ - 1;
  } else if (index < itemCount_ - 1) {
    ++index;
  }
  if (index == itemIndex_) return;
  InternalSetItemIndex(index);
  SelectAll();
}

void TCustomDBComboBoxGx::TextModeCompletion(TKeyChar key) {
  int start = 0, stop = 0;
  GetSel(start, stop);
  const int length = CharCount(TCustomMaskEdit::EditText());
  if (start != length || stop != start || key == VK_BACK) {
    BeforeLocate();
    if (LocateStr(TCustomMaskEdit::Text(), false)) SetSel(start, CharCount(TCustomMaskEdit::EditText()));
  } else {
    ProcessSearchStr("");
  }
}

// ---- drop-down ---------------------------------------------------------------------------------

TPopupListboxGx* TCustomDBComboBoxGx::GetListbox() {
  if (!popupListbox_) {
    popupListbox_ = ListboxFactory ? ListboxFactory(this) : new TPopupListboxGx(this);
    popupListbox_->FreeNotification(this);
    popupListbox_->SetLinkedControl(this);
    // A left-button release inside the list takes the item under it.
    popupListbox_->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
      if (button == mbLeft && listVisible_ && popupListbox_->ClientRect().Contains(TPoint(x, y))) CloseUp(true);
    };
  }
  return popupListbox_;
}

void TCustomDBComboBoxGx::DropDown() {
  TCustomDBEditGx::DropDown();
  if (listVisible_) return;
  try {
    if (OnDropDown) OnDropDown(this);
    DoBeforeDropDown();
    TPopupListboxGx* list = GetListbox();
    BeforeLocate();
    list->SetColor(Color());
    list->Font()->Assign(Font());
    TCustomImageList* images = Images();
    list->SetImages(images);
    int itemHeight = list->GetTextHeight();
    if (images && EditImage()->UseImageHeight() && itemHeight < images->Height()) itemHeight = images->Height();
    list->SetItemHeight(itemHeight);
    list->Items()->BeginUpdate();
    list->Items()->Clear();
    for (int i = 0; i < itemCount_; ++i) list->Items()->Add(items_->Strings(i));
    list->Items()->EndUpdate();
    list->SetItemIndex(itemIndex_);
    list->SetRowCount(std::min(dropDownBox_->Rows(), itemCount_));
    int width = dropDownBox_->Width();
    if (width == -1) {
      width = 0;
      for (int i = 0; i < itemCount_; ++i) width = std::max(width, TextWidth(Font(), items_->Strings(i)));
      width += 5;
      if (images) width += images->Width() + 4;
    } else if (width <= 0) {
      width = Width();
    }
    list->SetWidth(std::max(width, Width()));
    TDropDownAlign align = dropDownBox_->Align();
    if (UseRightToLeftReading()) {
      if (align == daLeft)
        align = daRight;
      else if (align == daRight)
        align = daLeft;
    }
    list->SetSizeGripResized(false);
    if (list->SizeGrip()) list->SizeGrip()->SetVisible(dropDownBox_->Sizable());
    ShowDropDown(list, AlignDropDownWindow(this, list, align));
  } catch (...) {
    // Nothing dropped down: the main button the base pressed comes up again.
    TCustomDBEditGx::CloseUp(false);
    throw;
  }
  listVisible_ = true;
  SetDroppedDown(true);
}

void TCustomDBComboBoxGx::CloseUp(bool accept) {
  if (!listVisible_) {
    TCustomDBEditGx::CloseUp(accept);
    return;
  }
  TPopupListboxGx* list = popupListbox_;
  if (GetCapture() == list->WindowHandle()) ReleaseCapture();
  bool listHadFocus = list->HandleAllocated() && GetFocus() == list->WindowHandle();
  HideDropDown(list);
  if (list->SizeGripResized()) {
    dropDownBox_->SetRows(list->RowCount());
    dropDownBox_->SetWidth(list->Width());
  }
  if (listHadFocus && CanFocus()) SetFocus();
  TCustomDBEditGx::CloseUp(accept);
  listVisible_ = false;
  SetDroppedDown(false);
  accept = DoBeforeCloseUp(accept);
  if (accept && !ReadOnly() && DataLink()->Edit()) {
    InternalSetItemIndex(list->ItemIndex());
    if (Focused()) SelectAll();
  }
  if (OnCloseUp) OnCloseUp(this, accept);
}

void TCustomDBComboBoxGx::ButtonDownDefault(bool lowerHalf) {
  if (EditButton()->Style() == ebsUpDownGx) {
    if (!ReadOnly()) SelectNextValue(!lowerHalf);
    return;
  }
  TCustomDBEditGx::ButtonDownDefault(lowerHalf);
}

void TCustomDBComboBoxGx::EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) {
  TCustomDBEditGx::EditButtonMouseMove(sender, shift, x, y);
  if (listVisible_) HandButtonPressToDropDown(this, sender, shift, x, y, popupListbox_);
}

// ---- keys and mouse ----------------------------------------------------------------------------

void TCustomDBComboBoxGx::KeyDown(uint16_t& key, TShiftState shift) {
  TCustomDBEditGx::KeyDown(key, shift);
  if (key == 0) return;
  // The window counts the selection in bytes; GetSel answers characters.
  auto allSelected = [this] {
    int start = 0, stop = 0;
    GetSel(start, stop);
    return stop - start == CharCount(TCustomMaskEdit::EditText());
  };
  if ((key == VK_UP || key == VK_DOWN) && shift.Empty() && !ReadOnly() && !listVisible_ && (!WordWrap() || allSelected())) {
    SelectNextValue(key == VK_UP);
    key = 0;
    return;
  }
  if (key == VK_DELETE && keyMode_) {
    TField* f = Field();
    if ((!f || !f->Required() || IsDataIndependent()) && !ReadOnly() && DataLink()->Edit()) {
      InternalSetValue(Variant::Null());
      DataLink()->SetModified();
    }
    key = 0;
  }
}

void TCustomDBComboBoxGx::KeyPress(TKeyChar& key) {
  charAccepted_ = false;
  if (HolderTakesKeyPress(key)) return;
  if (dropDownBox_->AutoDrop() && key >= 32 && !listVisible_ && !ReadOnly()) DropDown();
  TCustomDBEditGx::KeyPress(key);
  if (key == 0) return;
  if (keyMode_) {
    if (key == VK_BACK || key >= 32) {
      if (!ReadOnly()) ProcessSearchStr(key == VK_BACK ? std::string("\b") : KeyText(key));
      key = 0;
    }
    return;
  }
  charAccepted_ = key >= 32 || key == VK_BACK;
}

bool TCustomDBComboBoxGx::DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) {
  if (TCustomDBEditGx::DoMouseWheelDown(shift, mousePos)) return true;
  if (shift.Contains(ssShift) || ReadOnly()) return false;
  SelectNextValue(false);
  return true;
}

bool TCustomDBComboBoxGx::DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) {
  if (TCustomDBEditGx::DoMouseWheelUp(shift, mousePos)) return true;
  if (shift.Contains(ssShift) || ReadOnly()) return false;
  SelectNextValue(true);
  return true;
}

bool TCustomDBComboBoxGx::HandleListMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR: {
      if (!listVisible_) return false;
      const WPARAM key = m.WParam;
      const bool ctrl = GetKeyState(VK_CONTROL) < 0;
      if (m.Msg != WM_CHAR && (key == VK_RETURN || key == VK_ESCAPE)) {
        closingKey_.Closed(key);
        CloseUp(key == VK_RETURN);
        return true;
      }
      if (m.Msg == WM_CHAR && (key == '\r' || key == 27)) return true;
      if (m.Msg == WM_CHAR) return false;
      bool listKey = key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN ||
                     (ctrl && (key == VK_HOME || key == VK_END));
      // A button's shortcut (Alt+Down of the main button, say) presses the button instead.
      if (!listKey || IsButtonShortCutKey(static_cast<uint16_t>(key), KeyDataToShiftState(m.LParam)))
        return false;
      popupListbox_->Perform(m.Msg, m.WParam, m.LParam);
      m.Result = 0;
      return true;
    }
    case WM_MOUSEWHEEL:
      if (!listVisible_) return false;
      popupListbox_->Perform(m.Msg, m.WParam, m.LParam);
      return true;
    case CM_WANTSPECIALKEY:
    case WM_KILLFOCUS:
    case CM_CANCELMODE:
      return listVisible_ && HandleOpenDropDownMessage(m, this, popupListbox_);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: {
      // In key mode the text area works as one button that opens and closes the list.
      if (!keyMode_ || GetCapture() == WindowHandle()) return false;
      TPoint p(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      if (!GetEditRect().Contains(p)) return false;
      if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) {
        if (listVisible_) {
          CloseUp(false);
        } else if (m.Msg == WM_LBUTTONDOWN && IsEditActive()) {
          if (CanFocus() && !Focused()) SetFocus();
          DropDown();
        }
      } else if (m.Msg == WM_RBUTTONUP) {
        TPoint s = ClientToScreen(p);
        SendMessage(WindowHandle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(WindowHandle()), MAKELPARAM(s.X, s.Y));
      }
      return true;
    }
    case WM_SETCURSOR:
      if (keyMode_ && LOWORD(m.LParam) == HTCLIENT) {
        ::SetCursor(LoadCursor(nullptr, IDC_ARROW));
        m.Result = 1;
        return true;
      }
      return false;
    default:
      return false;
  }
}

void TCustomDBComboBoxGx::WndProc(TMessage& m) {
  if (closingKey_.Swallow(m)) return;
  if (HandleListMessage(m)) return;
  if (m.Msg == WM_PASTE && keyMode_) {
    if (!ReadOnly() && Clipboard()->HasFormat(CF_TEXT)) ProcessSearchStr(Clipboard()->AsText());
    return;
  }
  if (m.Msg != WM_CHAR) {
    TCustomDBEditGx::WndProc(m);
    return;
  }
  const auto key = static_cast<TKeyChar>(m.WParam);
  charAccepted_ = false;
  TCustomDBEditGx::WndProc(m);
  if (charAccepted_ && !keyMode_ && key != '.' && GetKeyState(VK_CONTROL) >= 0) TextModeCompletion(key);
  charAccepted_ = false;
}

// ---- published ---------------------------------------------------------------------------------

FANO_ENUM_NAMES(TDropDownAlign, "daLeft", "daRight", "daCenter");

FANO_PUBLISHED(TDropDownBoxGx, p) {
  p.Property("Align", &TDropDownBoxGx::Align, &TDropDownBoxGx::SetAlign).Default(static_cast<int>(daLeft));
  p.Property("AutoDrop", &TDropDownBoxGx::AutoDrop, &TDropDownBoxGx::SetAutoDrop).Default(false);
  p.Property("Rows", &TDropDownBoxGx::Rows, &TDropDownBoxGx::SetRows).Default(7);
  p.Property("Sizable", &TDropDownBoxGx::Sizable, &TDropDownBoxGx::SetSizable).Default(false);
  p.Property("Width", &TDropDownBoxGx::Width, &TDropDownBoxGx::SetWidth).Default(0);
}

FANO_PUBLISHED(TDBComboBoxGx, p) {
  PublishDataEditorProperties(p);
  PublishDataEditorButton(p);
  p.Property("DropDownBox", &TCustomDBComboBoxGx::DropDownBox, &TCustomDBComboBoxGx::SetDropDownBox);
  p.Property("Items", &TCustomDBComboBoxGx::Items, &TCustomDBComboBoxGx::SetItems);
  p.Property("KeyItems", &TCustomDBComboBoxGx::KeyItems, &TCustomDBComboBoxGx::SetKeyItems);
  p.Property("OnCloseUp", &TCustomDBComboBoxGx::OnCloseUp);
  p.Property("OnDropDown", &TCustomDBComboBoxGx::OnDropDown);
  p.Property("OnGetItemImageIndex", &TCustomDBComboBoxGx::OnGetItemImageIndex);
  p.Property("OnNotInList", &TCustomDBComboBoxGx::OnNotInList);
}

FANO_REGISTER_CLASS(TDBComboBoxGx);

void RegisterDBComboBoxClasses() { RegisterClasses({TDBComboBoxGx::StaticClass()}); }
