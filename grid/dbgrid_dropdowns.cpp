// The drop-downs of the data grid's editor: the pick list, the column's lookup grid, the month
// calendar, the calculator and the recent values; how they open, take keys and close, and what
// they write into the grid's edit text and value. Also the column's drop-down settings.
#include "grid/dbgrid_dropdowns.h"

#include <algorithm>

#include "editors/calculator.h"
#include "editors/tools/toolctrlsgx.h"
#include "grid/dbgrid_inplace.h"
#include "platform/classes/published.h"
#include "platform/forms/mask.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

FANO_IMPLEMENT_ABSTRACT(TColumnDropDownBoxGx, TPersistent)

namespace {

bool KeysModifiable(TField* f) {
  if (!f || f->KeyFields().empty() || !f->DataSet()) return false;
  std::vector<TField*> keys;
  f->DataSet()->GetFieldList(keys, f->KeyFields());
  return !keys.empty() && AllItemsSatisfy(keys);
}

bool IsNumeric(TField* f) { return dynamic_cast<TNumericField*>(f) != nullptr; }

// The text of a masked editor with nothing typed: the literals with a space for each input
// position when the mask keeps its literals, else nothing.
std::string EmptyMaskedText(std::string_view editMask) {
  const TParsedMask mask = ParseEditMask(editMask);
  std::string text;
  if (!mask.SaveLiterals) return text;
  for (const TMaskPosition& p : mask.Positions) Utf8Append(text, p.Input ? U' ' : p.Literal);
  return text;
}

bool ContainsWindow(TWinControl* list, HWND wnd) {
  if (!list || !list->HandleAllocated() || !wnd) return false;
  return wnd == list->WindowHandle() || IsChild(list->WindowHandle(), wnd);
}

}  // namespace

// ---- the column's drop-down settings ----------------------------------------------------------------

TColumnDropDownBoxGx::TColumnDropDownBoxGx(TColumnGx* column)
    : column_(column), specRow_(std::make_unique<TSpecRowGx>(this)) {}

TColumnDropDownBoxGx::~TColumnDropDownBoxGx() = default;

TPopupDataGridGx* TColumnDropDownBoxGx::List() const { return column_ ? column_->GetDropDownDataGrid() : nullptr; }

void TColumnDropDownBoxGx::Assign(TPersistent* source) {
  auto* s = dynamic_cast<TColumnDropDownBoxGx*>(source);
  if (!s) {
    TPersistent::Assign(source);
    return;
  }
  autoFitColWidths_ = s->autoFitColWidths_;
  useMultiTitle_ = s->useMultiTitle_;
  specRow_->Assign(s->specRow_.get());
  if (s->ListMade()) SetColumnDefValues(s->ColumnDefValues());
  if (s->ColumnsStored()) SetColumns(s->Columns());
  else if (Columns()) Columns()->Clear();
  SetOptions(s->Options());
  SetListSource(s->listSource_);
}

void TColumnDropDownBoxGx::SetListSource(TDataSource* value) {
  if (value == listSource_) return;
  listSource_ = value;
  // The grid hears of the source's end and takes it away from the box.
  if (TCustomDBGridGx* g = value && column_ ? column_->Grid() : nullptr) value->FreeNotification(g);
  if (TPopupDataGridGx* list = List()) list->SetListSource(value);
}

TDBGridColumnsGx* TColumnDropDownBoxGx::Columns() const {
  TPopupDataGridGx* list = List();
  return list ? list->Columns() : nullptr;
}

void TColumnDropDownBoxGx::SetColumns(TDBGridColumnsGx* value) {
  if (TDBGridColumnsGx* own = Columns()) own->Assign(value);
}

TColumnDefValuesGx* TColumnDropDownBoxGx::ColumnDefValues() const {
  TPopupDataGridGx* list = List();
  return list ? list->ColumnDefValues() : nullptr;
}

void TColumnDropDownBoxGx::SetColumnDefValues(TColumnDefValuesGx* value) {
  if (TColumnDefValuesGx* own = ColumnDefValues()) own->Assign(value);
}

// Reading does not make the list (writing a form reads every column's box): until it is made, it
// would answer its defaults.
TDBLookupGridGxOptions TColumnDropDownBoxGx::Options() const {
  TPopupDataGridGx* list = column_ ? column_->DropDownDataGridIfMade() : nullptr;
  return list ? list->Options() : TDBLookupGridGxOptions{dlgColLinesGx};
}

void TColumnDropDownBoxGx::SetOptions(TDBLookupGridGxOptions value) {
  if (TPopupDataGridGx* list = List()) list->SetOptions(value);
}

bool TColumnDropDownBoxGx::SortLocal() const {
  TPopupDataGridGx* list = column_ ? column_->DropDownDataGridIfMade() : nullptr;
  return list && list->SortLocal();
}

void TColumnDropDownBoxGx::SetSortLocal(bool value) {
  if (TPopupDataGridGx* list = List()) list->SetSortLocal(value);
}

bool TColumnDropDownBoxGx::ColumnsStored() const {
  TPopupDataGridGx* list = column_ ? column_->DropDownDataGridIfMade() : nullptr;
  return list && list->Columns()->Customized();
}

bool TColumnDropDownBoxGx::ListMade() const { return column_ && column_->DropDownDataGridIfMade(); }

FANO_PUBLISHED(TColumnDropDownBoxGx, p) {
  p.Property("AutoFitColWidths", &TColumnDropDownBoxGx::AutoFitColWidths, &TColumnDropDownBoxGx::SetAutoFitColWidths)
      .Default(true);
  p.Property("ColumnDefValues", &TColumnDropDownBoxGx::ColumnDefValues, &TColumnDropDownBoxGx::SetColumnDefValues)
      .Stored(&TColumnDropDownBoxGx::ListMade);
  p.Property("Columns", &TColumnDropDownBoxGx::Columns, &TColumnDropDownBoxGx::SetColumns)
      .Stored(&TColumnDropDownBoxGx::ColumnsStored);
  p.Property("ListSource", &TColumnDropDownBoxGx::ListSource, &TColumnDropDownBoxGx::SetListSource);
  p.Property("Options", &TColumnDropDownBoxGx::Options, &TColumnDropDownBoxGx::SetOptions)
      .Default(static_cast<int64_t>(TDBLookupGridGxOptions{dlgColLinesGx}.Bits()));
  p.Property("SortLocal", &TColumnDropDownBoxGx::SortLocal, &TColumnDropDownBoxGx::SetSortLocal).Default(false);
  p.Property("UseMultiTitle", &TColumnDropDownBoxGx::UseMultiTitle, &TColumnDropDownBoxGx::SetUseMultiTitle)
      .Default(false);
}

// ---- column side

TColumnDropDownBoxGx* TColumnGx::DropDownBox() const {
  if (!dropDownBox_) dropDownBox_ = new TColumnDropDownBoxGx(const_cast<TColumnGx*>(this));
  return dropDownBox_;
}

void TColumnGx::SetDropDownBox(TColumnDropDownBoxGx* value) { DropDownBox()->Assign(value); }

void TColumnGx::ListSourceFreed(TComponent* source) {
  if (!dropDownBox_ || dropDownBox_->ListSource() != source) return;
  dropDownBox_->SetListSource(nullptr);
}

TPopupDataGridGx* TColumnGx::GetDropDownDataGrid() {
  if (!dropDownDataGrid_) {
    dropDownDataGrid_ = new TPopupDataGridGx(nullptr);
    dropDownDataGrid_->SetName("DataList");
    if (dropDownBox_ && dropDownBox_->ListSource()) dropDownDataGrid_->SetListSource(dropDownBox_->ListSource());
  }
  return dropDownDataGrid_;
}

void TColumnGx::FreeDropDowns() {
  // The list goes first: freeing it tells an editor that still shows it.
  if (dropDownDataGrid_) dropDownDataGrid_->Free();
  dropDownDataGrid_ = nullptr;
  delete dropDownBox_;
  dropDownBox_ = nullptr;
}

TDataSet* TColumnGx::GetLookupDataSet() const {
  if (dropDownBox_ && dropDownBox_->ListSource() && dropDownBox_->ListSource()->DataSet())
    return dropDownBox_->ListSource()->DataSet();
  TField* f = Field();
  return f ? f->LookupDataSet() : nullptr;
}

// ---- the editor's lists -------------------------------------------------------------------------------

TPopupListboxGx* TDBGridInplaceEdit::PickListbox() {
  if (!pickListbox_) {
    pickListbox_ = new TPopupListboxGx(this);
    pickListbox_->FreeNotification(this);
    pickListbox_->SetLinkedControl(this);
    // A left-button release inside the list takes the item under it.
    pickListbox_->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
      if (button == mbLeft && listVisible_ && pickListbox_->ClientRect().Contains(TPoint(x, y))) CloseUp(true);
    };
  }
  return pickListbox_;
}

TPopupCalculatorGx* TDBGridInplaceEdit::GetPopupCalculator() {
  if (!popupCalculator_) {
    popupCalculator_ = new TPopupCalculatorGx(this);
    popupCalculator_->FreeNotification(this);
    popupCalculator_->SetVisible(false);
    if (HandleAllocated()) popupCalculator_->HandleNeeded();
  }
  return popupCalculator_;
}

TMRUListboxGx* TDBGridInplaceEdit::CreateMRUListbox() {
  auto* list = new TMRUListboxGx(this);
  list->SetCtl3D(false);
  list->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button == mbLeft && mruListbox_ && mruListbox_->ClientRect().Contains(TPoint(x, y))) CloseMRUList(true);
  };
  list->OnSizeGripResized = [this](TObject*) { MRUListResized(); };
  return list;
}

void TDBGridInplaceEdit::Notification(TComponent* component, TOperation operation) {
  TInplaceEdit::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == openList_) {
    openList_ = nullptr;
    listVisible_ = false;
  }
  if (component == pickListbox_) pickListbox_ = nullptr;
  if (component == popupCalendar_) popupCalendar_ = nullptr;
  if (component == popupCalculator_) popupCalculator_ = nullptr;
  if (component == mruListbox_) mruListbox_ = nullptr;
  if (component == dataList_) {
    dataList_ = nullptr;
    if (editStyle_ == esDataList) {
      editStyle_ = esSimple;
      if (HandleAllocated()) BoundsChanged();
    }
  }
}

bool TDBGridInplaceEdit::ListStyle() const {
  if (editStyle_ == esPickList || editStyle_ == esDataList || editStyle_ == esDateCalendar) return true;
  TColumnGx* c = Column();
  return editStyle_ == esDropDown && c && IsNumeric(c->Field());
}

TWinControl* TDBGridInplaceEdit::MakeActiveList() {
  TColumnGx* c = Column();
  switch (editStyle_) {
    case esPickList: {
      // Each column's own images (an image column shows them beside its entries).
      TPopupListboxGx* list = PickListbox();
      list->SetImages(c ? c->ImageList() : nullptr);
      return list;
    }
    case esDataList: {
      if (!c) return nullptr;
      TPopupDataGridGx* list = c->GetDropDownDataGrid();
      if (list != dataList_) {
        if (dataList_) dataList_->RemoveFreeNotification(this);
        dataList_ = list;
        dataList_->SetVisible(false);
        dataList_->SetParentCtl3D(false);
        dataList_->SetCtl3D(true);
        dataList_->FreeNotification(this);
      }
      dataList_->OnCloseUpRequest = [this](TObject*, bool accept) { CloseUp(accept); };
      dataList_->OnUserRowChange = [this](TObject*) {
        if (listVisible_ && dataList_) SetText(dataList_->DisplayText());
      };
      return dataList_;
    }
    case esDateCalendar:
      if (!popupCalendar_) {
        popupCalendar_ = new TPopupMonthCalendarGx(this);
        popupCalendar_->FreeNotification(this);
        popupCalendar_->SetVisible(false);
      }
      return popupCalendar_;
    case esDropDown: return c && IsNumeric(c->Field()) ? GetPopupCalculator() : nullptr;
    default: return nullptr;
  }
}

TWinControl* TDBGridInplaceEdit::ActiveList() const {
  if (listVisible_ && openList_) return openList_;
  switch (editStyle_) {
    case esPickList: return pickListbox_;
    case esDataList: return dataList_;
    case esDateCalendar: return popupCalendar_;
    case esDropDown: return popupCalculator_;
    default: return nullptr;
  }
}

void TDBGridInplaceEdit::DropDownDataList(TPopupDataGridGx* list, int rows) {
  TColumnGx* c = Column();
  TCustomDBGridGx* g = DBGrid();
  TField* f = c->Field();
  TDataSet* lookup = c->GetLookupDataSet();
  list->SetColor(Color());
  list->Font()->Assign(Font());
  list->SetSpecRow(c->DropDownSpecRow());
  if (lookup->IsSequenced() && lookup->RecordCount() >= 1 && lookup->RecordCount() < rows) rows = lookup->RecordCount();
  list->SetShowTitles(c->DropDownShowTitles());
  list->SetListSource(nullptr);
  lookupSource_->SetDataSet(lookup);
  list->SetKeyField(f ? f->LookupKeyFields() : std::string());
  list->SetListField(c->LookupDisplayFields());
  list->SetAutoFitColWidths(false);
  list->SetUseMultiTitle(c->DropDownBox()->UseMultiTitle());
  list->SetListSource(lookupSource_);
  // Its frame and bars count only once its window exists: made before it is measured.
  list->HandleNeeded();
  list->SetRowCountProp(rows);
  const int wanted = c->DropDownWidth();
  if (wanted == -1) list->SetClientWidth(list->AllColumnsWidth());
  else if (wanted > 0) list->SetWidth(wanted);
  else list->SetWidth(Width());
  if (list->Width() < Width()) list->SetWidth(Width());
  Variant key = Null();
  if (g->EditValuePending()) key = g->EditValue();
  else if (f && f->DataSet() && !f->KeyFields().empty()) key = f->DataSet()->FieldValues(f->KeyFields());
  list->SetKeyValue(key);
  listColumnsMoved_ = false;
  list->OnColumnMovedByUser = [this](TObject*) { listColumnsMoved_ = true; };
  list->SetAutoFitColWidths(c->DropDownBox()->AutoFitColWidths());
  // Switching the fitting on makes the window anew: made again before the list is placed, or
  // it would grow when shown, and placed above the cell it would cover it.
  list->HandleNeeded();
}

void TDBGridInplaceEdit::DropDown() {
  TColumnGx* c = Column();
  TCustomDBGridGx* g = DBGrid();
  if (listVisible_ || !c || !g) return;
  TWinControl* list = MakeActiveList();
  if (!list) return;
  int rows = c->DropDownRows();
  switch (editStyle_) {
    case esDataList: {
      if (!c->GetLookupDataSet()) return;
      DropDownDataList(dataList_, rows);
      break;
    }
    case esDateCalendar: {
      popupCalendar_->SetColor(Color());
      popupCalendar_->Font()->Assign(Font());
      TDateTime date = ::Date();
      TDateTime typed = 0;
      if (!Text().empty()) {
        if (TryStrToDateTime(Text(), typed)) {
          date = typed;
        } else if (TField* f = c->Field(); f && !f->IsNull() && f->AsDateTime() != 0) {
          date = f->AsDateTime();
        }
      }
      popupCalendar_->SetDate(date);
      popupCalendar_->HandleNeeded();
      const TSize size = popupCalendar_->PopupSize();
      popupCalendar_->SetBounds(popupCalendar_->Left(), popupCalendar_->Top(), size.cx, size.cy);
      break;
    }
    case esDropDown: {
      double value = 0;
      if (!Text().empty() && !TryStrToFloat(Text(), value)) value = 0;
      IPopupValueBoxGx* box = popupCalculator_;
      box->SetValue(Variant(value));
      box->SetFlat(g->Flat());
      if (HandleAllocated()) HideCaret(WindowHandle());
      SetSelLength(0);
      break;
    }
    case esPickList: {
      if (!c->HasPickList()) return;
      TPopupListboxGx* pick = pickListbox_;
      TStrings* picks = c->PickList();
      pick->SetColor(Color());
      pick->Font()->Assign(Font());
      pick->SetItemHeight(pick->GetTextHeight());
      // With a key list an entry without a key cannot be chosen: only those with one are offered.
      const int count = c->HasKeyList() ? std::min(picks->Count(), c->KeyList()->Count()) : picks->Count();
      pick->Items()->BeginUpdate();
      pick->Items()->Clear();
      for (int i = 0; i < count; ++i) pick->Items()->AddObject(picks->Strings(i), picks->Objects(i));
      pick->Items()->EndUpdate();
      // An empty field has no entry chosen yet, whatever the text offers so far.
      TField* field = c->Field();
      const int index = field && field->IsNull() ? -1 : picks->IndexOf(Text());
      pick->SetItemIndex(index < count ? index : -1);
      pick->SetRowCount(std::min(rows, count));
      int width = c->DropDownWidth();
      if (width == -1) {
        TMeasureCanvas measure;
        measure.Canvas()->Font()->Assign(Font());
        width = 0;
        for (int i = 0; i < count; ++i) width = std::max(width, measure.Canvas()->TextWidth(picks->Strings(i)));
        width += 5 + GetSystemMetrics(SM_CXVSCROLL);
      } else if (width <= 0) {
        width = Width();
      }
      pick->SetWidth(width);
      // No entry is cut: the list grows to its widest text.
      {
        TMeasureCanvas measure;
        measure.Canvas()->Font()->Assign(Font());
        int widest = 0;
        for (int i = 0; i < count; ++i) widest = std::max(widest, measure.Canvas()->TextWidth(picks->Strings(i)));
        pick->HandleNeeded();  // the client width counts the border only then
        if (pick->ClientWidth() < widest + 4) pick->SetWidth(pick->Width() + widest + 4 - pick->ClientWidth());
      }
      pick->SizeGrip()->SetVisible(c->DropDownSizing());
      pick->SetSizeGripResized(false);
      break;
    }
    default: return;
  }
  CloseMRUList(false);
  const TDropDownAlign align = c->UseRightToLeftAlignment() ? daRight : daLeft;
  const TPoint at = AlignDropDownWindow(this, list, align);
  const TSize placed(list->Width(), list->Height());
  ShowDropDown(list, at);
  // Shown, a list settles its scroll bars, and a lookup list's height follows its horizontal
  // one: placed again with the size it took, so that it still ends at the cell.
  if (list->Width() != placed.cx || list->Height() != placed.cy) ShowDropDown(list, AlignDropDownWindow(this, list, align));
  if (editStyle_ == esDataList) {
    dataList_->SizeGrip()->SetVisible(c->DropDownSizing());
    dataList_->SetSizeGripResized(false);
  }
  openList_ = list;
  listVisible_ = true;
  Invalidate();
  if (CanFocus()) SetFocus();
  if (!buttons_.empty()) buttons_[0].second->SetAlwaysDown(true);
}

void TDBGridInplaceEdit::AcceptDataList(const Variant& value, const std::string& text) {
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  TField* f = c->Field();
  // The checks put the record into edit, so they may raise as well: whatever raises leaves the
  // field's own text in the editor.
  try {
    if (!KeysModifiable(f) || !g->CanEditModify() || !c->CanModify(true)) {
      // Refused: the row the list went to is not the cell's value, so the editor does not show it.
      if (Text() != g->EditText()) SetText(g->EditText());
      return;
    }
    f->DataSet()->Edit();
    if (g->DataLink()->Editing()) {
      g->DataLink()->Modified();
      g->SetEditText(g->Col(), g->Row(), text);
      g->SetEditValue(value, text);
    }
  } catch (...) {
    SetText((f ? f->Text() : std::string()) + " ");
    throw;
  }
  SetText(text);
  SelectAll();
}

void TDBGridInplaceEdit::CloseUp(bool accept) {
  TCustomDBGridGx* g = DBGrid();
  TColumnGx* c = Column();
  TWinControl* list = openList_;
  if (list && ContainsWindow(list, GetFocus()) && CanFocus()) SetFocus();
  if (listVisible_ && list) {
    if (!buttons_.empty()) buttons_[0].second->SetAlwaysDown(false);
    if (closeUpLocked_) return;
    // Whatever holds the mouse ends its mode (a press on the button dragged into the list, or
    // the list's own tracking).
    if (HWND capture = GetCapture()) SendMessage(capture, WM_CANCELMODE, 0, 0);
    Variant listValue = Null();
    std::string listText;
    if (list == dataList_ && dataList_) {
      listValue = dataList_->KeyValue();
      listText = dataList_->DisplayText();
      if (c && dataList_->SizeGripResized()) {
        c->SetDropDownRows(dataList_->RowCountProp());
        c->SetDropDownWidth(dataList_->Width());
      }
      if (c && listColumnsMoved_) c->DropDownSpecRow()->SetCellsText(dataList_->SpecRow()->CellsText());
    } else if (list == pickListbox_ && pickListbox_) {
      const int index = pickListbox_->ItemIndex();
      if (c && index >= 0) {
        if (c->HasKeyList() && index < c->KeyList()->Count()) listValue = Variant(c->KeyList()->Strings(index));
        else if (index < pickListbox_->Items()->Count()) listValue = Variant(pickListbox_->Items()->Strings(index));
      }
      if (c && pickListbox_->SizeGripResized()) {
        c->SetDropDownRows(pickListbox_->ClientHeight() / std::max(1, pickListbox_->ItemHeight()));
        c->SetDropDownWidth(pickListbox_->Width());
      }
    }
    HideDropDown(list);
    listVisible_ = false;
    openList_ = nullptr;
    if (list == dataList_ && dataList_) {
      dataList_->SetAutoFitColWidths(false);
      dataList_->SetListSource(nullptr);
      lookupSource_->SetDataSet(nullptr);
    }
    Invalidate();
    if (HandleAllocated() && list == popupCalculator_) ShowCaret(WindowHandle());
    if (g && c) {
      if (list == dataList_) {
        if (accept) AcceptDataList(listValue, listText);
        else SetText(g->EditText());
      } else if (list == popupCalendar_) {
        if (accept && c->CanModify(true) && g->CanEditModify() && c->Field()) {
          const TDateTime date = DateOf(popupCalendar_->Date());
          c->Field()->DataSet()->Edit();
          c->UpdateDataValues(DateToStr(date), Variant::FromDateTime(date), false);
          SetText(g->GetEditText(g->Col(), g->Row()));
          SelectAll();
        }
      } else if (list == popupCalculator_) {
        IPopupValueBoxGx* box = popupCalculator_;
        const Variant v = box->GetValue();
        const TVarType t = v.VarType();
        const bool number = t == varSmallint || t == varInteger || t == varSingle || t == varDouble || t == varCurrency;
        if (accept && number && c->CanModify(true) && g->CanEditModify()) {
          SetText(FloatToStr(v.AsDouble()));
          g->SetEditText(g->Col(), g->Row(), Text());
          SelectAll();
        }
      } else if (list == pickListbox_) {
        const int index = pickListbox_->ItemIndex();
        if (accept && !listValue.IsNull() && g->CanEditModify()) {
          const std::string text = c->HasKeyList() && index >= 0 && index < c->PickList()->Count()
                                       ? c->PickList()->Strings(index)
                                       : listValue.AsString();
          SetText(text);
          g->SetEditText(g->Col(), g->Row(), text);
          SetSelStart(0);
          SetSelLength(static_cast<int>(text.size()));
          SetPickValue(c->HasPickList() ? c->PickList()->IndexOf(text) : -1);
          UpdateImageIndex();
        } else if (Text() != g->EditText()) {
          // Cancelled or refused: the entry the list went to was not taken.
          SetText(g->EditText());
        }
      }
    }
  }
  // The grid keeps the focus through its editor.
  if (CanFocus()) SetFocus();
}

void TDBGridInplaceEdit::EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) {
  if (buttons_.empty() || sender != buttons_[0].second || !listVisible_ || !openList_ || !shift.Contains(ssLeft)) return;
  TEditButtonControlGx* button = buttons_[0].second;
  if (!button->MouseCapture() || !openList_->HandleAllocated()) return;
  const TPoint p = openList_->ScreenToClient(button->ClientToScreen(TPoint(x, y)));
  const bool inside = openList_ == dataList_ ? dataList_->DataAreaContains(p) : openList_->ClientRect().Contains(p);
  if (!inside) return;
  button->Perform(WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  SendMessage(openList_->WindowHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.X, p.Y));
}

void TDBGridInplaceEdit::EditButtonMouseUp(TObject* sender, TMouseButton, TShiftState, int x, int y) {
  auto* button = dynamic_cast<TControl*>(sender);
  if (button && !button->ClientRect().Contains(TPoint(x, y))) buttonPressOpened_ = false;
}

bool TDBGridInplaceEdit::LookupHasText() {
  TColumnGx* c = Column();
  TField* f = c ? c->Field() : nullptr;
  TDataSet* lookup = c ? c->GetLookupDataSet() : nullptr;
  if (!f || !lookup) return false;
  return lookup->Locate(f->LookupResultField(), Variant(Text()), TLocateOptions{loCaseInsensitive});
}

void TDBGridInplaceEdit::RemovePendingChar() {
  MSG msg{};
  if (HandleAllocated()) PeekMessage(&msg, WindowHandle(), WM_CHAR, WM_CHAR, PM_REMOVE);
}

bool TDBGridInplaceEdit::ListKeyDown(uint16_t& key, TShiftState shift) {
  const bool alt = shift.Contains(ssAlt);
  const bool ctrlOnly = shift == TShiftState{ssCtrl};
  if (MRUListVisible()) {
    const bool move = !alt && (key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN);
    if (move || (ctrlOnly && (key == VK_HOME || key == VK_END))) {
      const int count = mruListbox_->Items()->Count();
      const int page = std::max(1, mruListbox_->RowCount() - 1);
      int index = mruListbox_->ItemIndex();
      switch (key) {
        case VK_UP: index = index < 0 ? count - 1 : index - 1; break;
        case VK_DOWN: ++index; break;
        case VK_PRIOR: index -= page; break;
        case VK_NEXT: index = std::max(index, 0) + page; break;
        case VK_HOME: index = 0; break;
        default: index = count - 1; break;
      }
      if (count > 0) mruListbox_->SetItemIndex(std::clamp(index, 0, count - 1));
      key = 0;
      return true;
    }
    // Other keys go on: the drop-down keys open the list, which closes the recent values.
  }
  if (!ListStyle()) return false;
  TWinControl* list = openList_;
  if (listVisible_ && (key == VK_RETURN || key == VK_ESCAPE) && !alt && list != popupCalculator_) {
    bool accept = key == VK_RETURN;
    TColumnGx* c = Column();
    if (accept && list == dataList_ && c && c->OnNotInList && !LookupHasText()) accept = false;
    key = 0;
    CloseUp(accept);
    RemovePendingChar();
    return true;
  }
  if (!listVisible_ && key == VK_RETURN && ctrlOnly) {
    DropDown();
    RemovePendingChar();
    key = 0;
    return true;
  }
  if (((key == VK_UP || key == VK_DOWN) && shift == TShiftState{ssAlt}) || (key == VK_F4 && shift.Empty())) {
    if (listVisible_) CloseUp(true);
    else DropDown();
    key = 0;
    return true;
  }
  if (!listVisible_ || !list) return false;
  if (list == popupCalculator_) {
    // Its own keys (Delete clears it) and the ones it ignores: none of them edits the hidden
    // text or moves the grid.
    if (key == VK_RETURN || key == VK_ESCAPE || (key >= 32 && key <= 126)) {
      const uint16_t k = key;
      key = 0;
      popupCalculator_->Perform(WM_KEYDOWN, k, 0);
      if (!listVisible_) RemovePendingChar();
      return true;
    }
    return false;
  }
  // Ctrl or Alt do not keep a key from the list; Shift does (it selects text in the editor).
  const bool noShift = !shift.Contains(ssShift);
  const bool forward = (noShift && (key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN)) ||
                       (ctrlOnly && (key == VK_HOME || key == VK_END)) ||
                       (list == popupCalendar_ && (key == VK_LEFT || key == VK_RIGHT));
  if (!forward) return false;
  if (list == pickListbox_) {
    const int count = pickListbox_->Items()->Count();
    const int page = std::max(1, pickListbox_->RowCount() - 1);
    int index = pickListbox_->ItemIndex();
    switch (key) {
      case VK_UP: --index; break;
      case VK_DOWN: ++index; break;
      case VK_PRIOR: index -= page; break;
      case VK_NEXT: index += page; break;
      case VK_HOME: index = 0; break;
      default: index = count - 1; break;
    }
    if (count > 0) pickListbox_->SetItemIndex(std::clamp(index, 0, count - 1));
    const int now = pickListbox_->ItemIndex();
    if (now >= 0 && pickListbox_->Items()->Strings(now) != Text()) SetText(pickListbox_->Items()->Strings(now));
  } else {
    uint16_t k = key;
    if (list == dataList_) dataList_->KeyDown(k, shift);
    else list->Perform(WM_KEYDOWN, key, 0);
    if (list == dataList_ && dataList_) SetText(dataList_->DisplayText());
  }
  key = 0;
  return true;
}

void TDBGridInplaceEdit::KeyUp(uint16_t& key, TShiftState shift) {
  if (key == VK_CONTROL && listVisible_ && dataList_ && openList_ == dataList_) {
    uint16_t k = key;
    dataList_->KeyUp(k, shift);
  }
  TInplaceEdit::KeyUp(key, shift);
}

bool TDBGridInplaceEdit::ListKeyPress(TKeyChar& key) {
  if (MRUListVisible() && (key == 13 || key == 27)) {
    CloseMRUList(key == 13);
    key = 0;
    return true;
  }
  if (listVisible_ && openList_ && openList_ == popupCalculator_ && (key == 13 || key == 27 || (key >= 32 && key <= 126))) {
    popupCalculator_->Perform(WM_CHAR, key, 0);
    key = 0;
    return true;
  }
  TColumnGx* c = Column();
  if (!listVisible_ && key >= 32 && c && c->AutoDropDown() && ListStyle()) DropDown();
  return false;
}

bool TDBGridInplaceEdit::DropDownMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_KILLFOCUS: {
      const HWND to = reinterpret_cast<HWND>(m.WParam);
      if (listVisible_ && openList_ && !ContainsWindow(openList_, to)) CloseUp(false);
      if (MRUListVisible() && !ContainsWindow(mruListbox_, to)) CloseMRUList(false);
      return false;
    }
    case CM_CANCELMODE: {
      auto* sender = reinterpret_cast<TControl*>(m.LParam);
      // The editor's own buttons press inside it: their press decides about the list itself.
      auto related = [&](TWinControl* w) {
        for (TControl* c = sender; c && w; c = c->Parent())
          if (c == w) return true;
        return false;
      };
      if (related(this) || related(openList_) || related(mruListbox_)) return false;
      if (listVisible_) CloseUp(false);
      CloseMRUList(false);
      return false;
    }
    default:
      return false;
  }
}

void TDBGridInplaceEdit::WheelList(const TMessage& message) {
  TWinControl* list = ActiveList();
  if (!listVisible_ || !list) return;
  const int item = list == pickListbox_ ? pickListbox_->ItemIndex() : -1;
  const Variant key = list == dataList_ ? dataList_->KeyValue() : Variant();
  list->Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
  // Only a move shows: a text typed beside the list stays while the wheel only scrolls it.
  if (!listVisible_) return;
  if (list == pickListbox_) {
    const int now = pickListbox_->ItemIndex();
    const std::string entry = now >= 0 ? pickListbox_->Items()->Strings(now) : std::string();
    if (now != item && now >= 0 && entry != Text()) SetText(entry);
  } else if (list == dataList_ && dataList_ && !VariantsEqual(dataList_->KeyValue(), key)) {
    SetText(dataList_->DisplayText());
  }
}

bool TDBGridInplaceEdit::DoMouseWheel(TShiftState shift, int wheelDelta, const TPoint& mousePos) {
  if (listVisible_ && openList_) return false;
  return TInplaceEdit::DoMouseWheel(shift, wheelDelta, mousePos);
}

// ---- recent values

bool TDBGridInplaceEdit::MRUListVisible() const { return mruListbox_ && mruList_ && mruList_->DroppedDown(); }

void TDBGridInplaceEdit::ShowMRUList() {
  if (!mruList_) return;
  if (!mruListbox_) {
    mruListbox_ = CreateMRUListbox();
    mruListbox_->FreeNotification(this);
  }
  TMRUListboxGx* list = mruListbox_;
  list->Items()->BeginUpdate();
  list->Items()->Clear();
  mruList_->FilterItemsTo(list->Items(), Text());
  list->Items()->EndUpdate();
  const int count = list->Items()->Count();
  const int rows = std::min(count, mruList_->Rows());
  const TRect r = GetEditRect();
  const TPoint tl = ClientToScreen(r.TopLeft());
  const TRect screen = Bounds(tl.X, tl.Y, r.Width(), r.Height());
  if (MRUListVisible()) {
    if (count == 0) {
      CloseMRUList(false);
      return;
    }
    list->SetRowCount(rows);
    ShowDropDown(list, AlignDropDownWindowRect(screen, list, daLeft));
    list->UpdateScrollBar();
    return;
  }
  if (count == 0) return;
  list->SetColor(Color());
  list->Font()->Assign(Font());
  list->SetItemHeight(list->GetTextHeight());
  list->SetItemIndex(-1);
  list->SetWidth(mruList_->Width() > r.Width() ? mruList_->Width() : r.Width());
  list->SetRowCount(rows);
  list->SetSizeGripResized(false);
  ShowDropDown(list, AlignDropDownWindowRect(screen, list, daLeft));
  list->UpdateScrollBar();
  mruList_->SetDroppedDown(true);
  mruList_->DropDown();
}

void TDBGridInplaceEdit::CloseMRUList(bool accept) {
  if (!MRUListVisible()) return;
  TMRUListboxGx* list = mruListbox_;
  if (HWND capture = GetCapture()) SendMessage(capture, WM_CANCELMODE, 0, 0);
  const bool hadFocus = ContainsWindow(list, GetFocus());
  HideDropDown(list);
  if (hadFocus && CanFocus()) SetFocus();
  mruList_->SetDroppedDown(false);
  mruList_->CloseUp(accept);
  TCustomDBGridGx* g = DBGrid();
  const int index = list->ItemIndex();
  if (!accept || ReadOnly() || !g || index < 0 || index >= list->Items()->Count() || !g->DataLink()->Edit()) return;
  SetText(list->Items()->Strings(index));
  g->SetEditText(g->Col(), g->Row(), Text());
  if (Focused()) SelectAll();
}

void TDBGridInplaceEdit::MRUListResized() {
  if (!mruList_ || !mruListbox_) return;
  mruList_->SetRows(mruListbox_->RowCount());
  mruList_->SetWidth(mruListbox_->Width());
}

void TDBGridInplaceEdit::FollowMRUList() {
  userChangedText_ = false;
  // A mask that keeps its literals never gives an empty text.
  const std::string empty = IsMasked() ? EmptyMaskedText(EditMask()) : std::string();
  if (MRUListVisible() && Text() == empty) {
    CloseMRUList(false);
    return;
  }
  if (mruList_ && mruList_->Active() && Showing() && !listVisible_ && Text() != empty) ShowMRUList();
}
