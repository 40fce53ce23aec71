// TCustomDBEditGx: the field data link, construction, the exchange of text and value with the
// field, read-only handling, window style, height and painting of the unfocused text.
#include "editors/dbeditbase.h"

#include <algorithm>
#include <cmath>

#include "editors/gxdraw.h"
#include "editors/dbeditors_published.h"
#include "editors/gxwindows.h"
#include "editors/memostrings.h"
#include "editors/tools/gxplatform.h"
#include "editors/tools/toolctrlsgx.h"
#include "platform/classes/classreg.h"
#include "platform/classes/published.h"
#include "platform/db/dataset.h"
#include "platform/rtl/strings.h"

FANO_IMPLEMENT_ABSTRACT(TFieldDataLinkGx, TDataLink)
FANO_IMPLEMENT_ABSTRACT(TEditImageGx, TPersistent)
FANO_IMPLEMENT_COMPONENT(TEditButtonSeparatorGx, TGraphicControl)
FANO_IMPLEMENT_COMPONENT(TCustomDBEditGx, TCustomMaskEdit)
FANO_IMPLEMENT_COMPONENT(TDBEditGx, TCustomDBEditGx)

const char* const SInplaceEditHolderNoInterface = "InplaceEditHolder have to support IInplaceEditHolderGx interface";

namespace {

bool IsStringField(const TField* f) { return f && (f->DataType() == ftString || f->DataType() == ftWideString); }
bool IsMemoField(const TField* f) { return f && (f->DataType() == ftMemo || f->DataType() == ftWideMemo); }

}  // namespace

// ---- TFieldDataLinkGx ---------------------------------------------------------------------------

TFieldDataLinkGx::TFieldDataLinkGx() : dataIndependentValue_(Null()) { SetVisualControl(true); }

void TFieldDataLinkGx::SetFieldName(const std::string& value) {
  if (fieldName_ == value) return;
  fieldName_ = value;
  UpdateField();
  UpdateDataIndependent();
}

void TFieldDataLinkGx::SetDataSource(TDataSource* value) {
  if (DataSource() == value) return;
  TDataLink::SetDataSource(value);
  UpdateDataIndependent();
}

void TFieldDataLinkGx::SetMultiFields(bool value) {
  if (multiFields_ == value) return;
  multiFields_ = value;
  UpdateField();
}

void TFieldDataLinkGx::UpdateDataIndependent() {
  bool value = !DataSource() && fieldName_.empty();
  if (value == dataIndependent_) return;
  dataIndependent_ = value;
  dataIndependentValue_ = Null();
  UpdateField();
  if (value) RecordChanged(nullptr);
}

bool TFieldDataLinkGx::Active() const { return dataIndependent_ || (TDataLink::Active() && Field()); }

bool TFieldDataLinkGx::CanModify() const { return (Field() && Field()->CanModify()) || dataIndependent_; }

void TFieldDataLinkGx::SetEditingState(bool value) {
  if (editing_ == value) return;
  editing_ = value;
  modified_ = false;
  if (OnEditingChange) OnEditingChange(this);
}

bool TFieldDataLinkGx::Edit() {
  if (!dataIndependent_) {
    if (CanModify()) {
      TDataSet* ds = DataSet();
      // Editing an empty table inserts a record: that one the editor goes on with.
      addingOwnRecord_ = ds && ds->State() == dsBrowse;
      try {
        TDataLink::Edit();
      } catch (...) {
        addingOwnRecord_ = false;
        throw;
      }
      addingOwnRecord_ = false;
    }
  } else if (!editing_ && !ReadOnly()) {
    SetEditingState(true);
  }
  return editing_;
}

void TFieldDataLinkGx::SetText(const std::string& text) {
  if (dataIndependent_) {
    dataIndependentValue_ = Variant(text);
    RecordChanged(nullptr);
  } else if (TField* f = Field()) {
    if (IsMemoField(f)) f->SetAsString(text);
    else f->SetText(text);
  }
}

void TFieldDataLinkGx::SetValue(const Variant& value) {
  if (dataIndependent_) {
    dataIndependentValue_ = value;
    RecordChanged(nullptr);
  } else if (fields_.size() >= 2) {
    if (value.IsNull()) {
      for (TField* f : fields_) f->SetValue(Null());
    } else {
      int lo = VarArrayLowBound(value);
      for (size_t i = 0; i < fields_.size(); ++i) fields_[i]->SetValue(value[lo + static_cast<int>(i)]);
    }
  } else if (TField* f = Field()) {
    f->SetValue(value);
  }
}

void TFieldDataLinkGx::UpdateField(bool raiseMissing) {
  std::vector<TField*> list;
  if (TDataLink::Active() && !fieldName_.empty()) {
    if (!raiseMissing) {
      // All the named fields or none.
      std::vector<std::string> names = multiFields_ ? SplitFieldNames(fieldName_) : std::vector<std::string>{fieldName_};
      for (const std::string& name : names) {
        TField* f = DataSet()->FindField(name);
        if (!f) {
          list.clear();
          break;
        }
        list.push_back(f);
      }
    } else if (multiFields_) {
      GetFieldsList(&list, DataSet(), control_, fieldName_);
    } else {
      TField* f = DataSet()->FindField(fieldName_);
      if (!f) GetFieldsList(nullptr, DataSet(), control_, fieldName_);  // raises "Field '%s' not found"
      if (f) list.push_back(f);
    }
  }
  fields_ = std::move(list);
  EditingChanged();
  DataReplacedNotice();
}

void TFieldDataLinkGx::DataSetChanged() {
  // Only the record the link's own edit adds is heard of as the same record; anything the dataset
  // does after it (a handler moving it, say) replaces the data again.
  if (addingOwnRecord_ && DataSet() && DataSet()->State() == dsInsert) {
    addingOwnRecord_ = false;
    RecordChanged(nullptr);
    return;
  }
  DataReplacedNotice();
}

void TFieldDataLinkGx::DataReplacedNotice() {
  ++replacing_;
  try {
    RecordChanged(nullptr);
  } catch (...) {
    --replacing_;
    throw;
  }
  --replacing_;
}

void TFieldDataLinkGx::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLinkGx::EditingChanged() {
  if (dataIndependent_) return;
  SetEditingState(TDataLink::Editing() && CanModify());
}

void TFieldDataLinkGx::RecordChanged(TField* field) {
  if (field && std::find(fields_.begin(), fields_.end(), field) == fields_.end()) return;
  if (OnDataChange) OnDataChange(this);
  modified_ = false;
}

void TFieldDataLinkGx::UpdateData() {
  if (!dataIndependent_) {
    if (modified_ && Field() && OnUpdateData) OnUpdateData(this);
    modified_ = false;
    return;
  }
  if (modified_ && OnUpdateData) OnUpdateData(this);
  modified_ = false;
  SetEditingState(false);
}

void TFieldDataLinkGx::FocusControl(TField*& field) {
  if (!field || std::find(fields_.begin(), fields_.end(), field) == fields_.end()) return;
  auto* control = dynamic_cast<TWinControl*>(control_);
  if (control && control->CanFocus()) {
    field = nullptr;
    control->SetFocus();
  }
}

bool TFieldDataLinkGx::DropRemovedFields() {
  if (fields_.empty()) return false;
  // Only pointers are compared: a field being freed must not be read.
  TDataSet* ds = DataSet();
  auto gone = [ds](TField* f) { return !ds || (ds->Fields().IndexOf(f) < 0 && ds->AggFields().IndexOf(f) < 0); };
  auto it = std::remove_if(fields_.begin(), fields_.end(), gone);
  if (it == fields_.end()) return false;
  // A multi-field link with one field gone has no value to show.
  fields_.clear();
  return true;
}

void TFieldDataLinkGx::DataEvent(TDataEvent event, NativeInt info) {
  // A field leaves the lists before the dataset tells anyone (and then resyncs, lays out again
  // or closes): forget it first.
  if (DropRemovedFields()) {
    EditingChanged();
    RecordChanged(nullptr);
  }
  TDataLink::DataEvent(event, info);
  if (event != deDisabledStateChange) return;
  if (info) UpdateField();
  else fields_.clear();
}

// ---- TEditImageGx -------------------------------------------------------------------------------

TEditImageGx::TEditImageGx(TCustomDBEditGx* editor) : editor_(editor) {}

TPersistent* TEditImageGx::GetOwner() const { return editor_; }

void TEditImageGx::Assign(TPersistent* source) {
  auto* s = dynamic_cast<TEditImageGx*>(source);
  if (!s) {
    TPersistent::Assign(source);
    return;
  }
  SetImages(s->Images());
  SetImageIndex(s->ImageIndex());
  SetVisible(s->Visible());
  SetWidth(s->Width());
}

void TEditImageGx::ImageChanged() { editor_->Perform(WM_EDITIMAGECHANGED, 0, 0); }

void TEditImageGx::SetImageIndex(int value) {
  if (imageIndex_ == value) return;
  imageIndex_ = value;
  editor_->Invalidate();
}

void TEditImageGx::SetImages(TCustomImageList* value) {
  if (images_ == value) return;
  images_ = value;
  if (images_) images_->FreeNotification(editor_);
  ImageChanged();
}

void TEditImageGx::SetUseImageHeight(bool value) {
  if (useImageHeight_ == value) return;
  useImageHeight_ = value;
  ImageChanged();
}

void TEditImageGx::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  ImageChanged();
}

void TEditImageGx::SetWidth(int value) {
  if (width_ == value) return;
  width_ = value;
  ImageChanged();
}

// ---- TEditButtonSeparatorGx ---------------------------------------------------------------------

TEditButtonSeparatorGx::TEditButtonSeparatorGx(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 1, 17);
}

void TEditButtonSeparatorGx::SetLineColor(TColor value) {
  if (lineColor_ == value) return;
  lineColor_ = value;
  Invalidate();
}

void TEditButtonSeparatorGx::Paint() {
  Canvas()->Pen()->SetColor(lineColor_);
  Canvas()->MoveTo(0, 0);
  Canvas()->LineTo(0, Height());
}

// ---- TCustomDBEditGx: construction -------------------------------------------------------------

TCustomDBEditGx::TCustomDBEditGx(TComponent* owner) : TCustomMaskEdit(owner) {
  lines_ = std::make_unique<TCvMemoStrings>(this);
  SetControlStyle(ControlStyle() + csCaptureMouse + csReplicatable);
  dataLink_.reset(CreateDataLink());
  dataLink_->SetControl(this);
  dataLink_->OnDataChange = [this](TObject*) { LinkDataChange(); };
  dataLink_->OnEditingChange = [this](TObject*) { LinkEditingChange(); };
  dataLink_->OnUpdateData = [this](TObject*) { LinkUpdateData(); };
  dataLink_->OnActiveChange = [this](TObject*) { LinkActiveChange(); };
  editButton_.reset(CreateEditButton());
  editButton_->OnChange = [this](TObject*) { UpdateEditButtonControls(); };
  editButtons_.reset(CreateEditButtons());
  editButtons_->OnChange = [this](TObject*) { UpdateEditButtonControls(); };
  editImage_.reset(CreateEditImage());
  mruList_ = std::make_unique<TMRUListGx>(this);
  mruList_->OnSetDropDown = [this](TObject*) { MRUListDropDown(); };
  mruList_->OnSetCloseUp = [this](TObject*, bool accept) { MRUListCloseUp(accept); };
  mruList_->OnFilterItem = nullptr;
  UpdateReadOnlyState();
  UpdateImageIndex();
  SetBounds(Left(), Top(), 121, 19);
}

TCustomDBEditGx::~TCustomDBEditGx() {
  if (mruListbox_) {
    mruListbox_->Free();
    mruListbox_ = nullptr;
  }
  editButton_->OnChange = nullptr;
  editButtons_->OnChange = nullptr;
  dataLink_->OnDataChange = nullptr;
  dataLink_->OnEditingChange = nullptr;
  dataLink_->OnUpdateData = nullptr;
  dataLink_->OnActiveChange = nullptr;
  dataLink_->SetDataSource(nullptr);
}

TFieldDataLinkGx* TCustomDBEditGx::CreateDataLink() { return new TFieldDataLinkGx(); }
TEditButtonGx* TCustomDBEditGx::CreateEditButton() { return TEditButtonGx::CreateForEditor(this); }
TEditButtonsGx* TCustomDBEditGx::CreateEditButtons() {
  return new TEditButtonsGx(this, TEditButtonGx::StaticClass());
}
TEditImageGx* TCustomDBEditGx::CreateEditImage() { return new TEditImageGx(this); }
TMRUListboxGx* TCustomDBEditGx::CreateMRUListbox() { return new TMRUListboxGx(this); }

void TCustomDBEditGx::RecreateEditButton() {
  editButton_.reset(CreateEditButton());
  editButton_->OnChange = [this](TObject*) { UpdateEditButtonControls(); };
  UpdateEditButtonControls();
}

// ---- data exchange -----------------------------------------------------------------------------

void TCustomDBEditGx::LinkDataChange() {
  // A drop-down opened on one record hands nothing to another: told of another record or of none
  // (the dataset moved, changed or closed, the field went), the editor closes what is open
  // without accepting, before the new data shows.
  if (DataLink()->DataReplaced() || !DataLink()->Active()) {
    if (MRUListOpen()) MRUListCloseUp(false);
    if (DroppedDown()) CloseUp(false);
  }
  DataChanged();
  UpdateEditButtonControls();
}

void TCustomDBEditGx::LinkEditingChange() { EditingChanged(); }
void TCustomDBEditGx::LinkUpdateData() { UpdateData(); }
void TCustomDBEditGx::LinkActiveChange() { ActiveChanged(); }

void TCustomDBEditGx::EditingChanged() { UpdateReadOnlyState(); }

void TCustomDBEditGx::ActiveChanged() {
  CheckDataMaxLength();
  UpdateEditButtonControls();
}

bool TCustomDBEditGx::IsEditActive() { return Enabled() && dataLink_->Active(); }

void TCustomDBEditGx::SetDataSource(TDataSource* value) {
  if (!(dataLink_->DataSourceFixed() && InState(csLoading))) dataLink_->SetDataSource(value);
  if (value) value->FreeNotification(this);
  dataLink_->Reset();  // shows the field and leaves nothing pending to write
  Invalidate();
}

void TCustomDBEditGx::SetDataField(const std::string& value) {
  if (!InState(csLoading)) CheckDataMaxLength();
  dataLink_->SetFieldName(value);
  UpdateEditButtonControls();
  Invalidate();
}

void TCustomDBEditGx::SetText(std::string_view value) {
  if (Designing(this) && !IsDataIndependent()) return;
  if (!IsDataIndependent()) {
    TDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
    if (ds && ds->Active()) ds->Edit();
  }
  InternalSetText(value);
  if (!inUpdateData_) UpdateData();
}

void TCustomDBEditGx::ApplyEditValue(const Variant& value) {
  if (Designing(this) && !IsDataIndependent()) return;
  if (!IsDataIndependent()) {
    TDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
    if (ds && ds->Active()) ds->Edit();
  }
  InternalSetValue(value);
  if (!inUpdateData_) UpdateData();
}

void TCustomDBEditGx::InternalSetText(std::string_view text) { TCustomMaskEdit::SetText(text); }

void TCustomDBEditGx::InternalSetValue(const Variant& value) {
  InternalSetText(value.IsArray() ? std::string() : VarToStrGx(value));
}

Variant TCustomDBEditGx::GetVariantValue() const { return Variant(Text()); }

void TCustomDBEditGx::InternalUpdatePostData() {
  dataLink_->SetText(IsDataIndependent() ? TCustomMaskEdit::EditText() : Text());
}

void TCustomDBEditGx::UpdateData() {
  if (Focused() && IsMasked()) ValidateEdit();
  bool handled = false;
  if (OnUpdateData) {
    inUpdateData_ = true;
    try {
      OnUpdateData(this, handled);
    } catch (...) {
      inUpdateData_ = false;
      throw;
    }
    inUpdateData_ = false;
  }
  if (!handled) InternalUpdatePostData();
  TCustomEdit::SetModified(false);
  if (mruList_->AutoAdd() && mruList_->Active() && IsShowing() && PasswordChar() == 0) mruList_->Add(Text());
}

void TCustomDBEditGx::DataChanged() {
  TField* f = Field();
  if (f) {
    if (!alignmentAssigned_ && f->Alignment() != alignment_) Invalidate();
    if (!editMaskAssigned_) TCustomMaskEdit::SetEditMask(f->EditMask());
    if (!Designing(this) && IsStringField(f) && MaxLength() == 0) SetMaxLength(f->Size());
    if (IsMemoField(f)) lines_->SetText(f->AsString());
    else if (focused_ && dataLink_->CanModify()) TCustomMaskEdit::SetText(f->Text());
    else TCustomMaskEdit::SetText(f->DisplayText());
  } else {
    if (IsDataIndependent()) TCustomMaskEdit::SetText(VarToStrGx(dataLink_->DataIndependentValue()));
    else TCustomMaskEdit::SetText("");
    if (!editMaskAssigned_) TCustomMaskEdit::SetEditMask("");
  }
  UpdateReadOnlyState();
  TCustomEdit::SetModified(false);
}

void TCustomDBEditGx::Change() {
  dataLink_->SetModified();
  TCustomEdit::SetModified(true);
  TCustomMaskEdit::Change();
  UpdateImageIndex();
}

void TCustomDBEditGx::Redisplay(const std::function<void()>& show) {
  const bool linkModified = dataLink_->Modified();
  const bool editModified = TCustomEdit::Modified();
  auto restore = [&] {
    dataLink_->RestoreModified(linkModified);
    TCustomEdit::SetModified(editModified);
  };
  try {
    show();
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

void TCustomDBEditGx::SetReadOnly(bool value) {
  readOnly_ = value;
  UpdateReadOnlyState();
}

void TCustomDBEditGx::UpdateReadOnlyState() {
  bool ro = readOnly_;
  if (!ro) {
    ro = !dataLink_->Editing();
    TDataSource* ds = DataSource();
    if (OnUpdateData && ds && ds->State() == dsEdit) ro = false;
    if (!ro && inplaceMode_ && inplaceHolderIntf_) ro = !inplaceHolderIntf_->InplaceEditCanModify(this);
  }
  TCustomEdit::SetReadOnly(ro);
}

void TCustomDBEditGx::CheckDataMaxLength() {
  TField* f = Field();
  if (MaxLength() > 0 && IsStringField(f) && f->Size() == MaxLength()) SetMaxLength(0);
}

bool TCustomDBEditGx::IsValidChar(char32_t ch) {
  TField* f = Field();
  return !f || f->IsValidChar(ch);
}

void TCustomDBEditGx::Clear() { SetText(""); }

bool TCustomDBEditGx::IsTextStored() const { return IsDataIndependent() && !Text().empty(); }

bool TCustomDBEditGx::IsValueStored() const {
  return IsDataIndependent() && !dataLink_->DataIndependentValue().IsNull();
}

TStrings* TCustomDBEditGx::Lines() const { return lines_.get(); }

void TCustomDBEditGx::SetLines(TStrings* value) { lines_->Assign(value); }

void TCustomDBEditGx::SetFocused(bool value) {
  if (focused_ == value) return;
  focused_ = value;
  if (Alignment() != taLeftJustify && !IsMasked()) Invalidate();
  dataLink_->Reset();
  UpdateBorderActive();
}

TAlignment TCustomDBEditGx::DefaultAlignment() const {
  TField* f = Field();
  return f ? f->Alignment() : taLeftJustify;
}

TAlignment TCustomDBEditGx::Alignment() const { return alignmentAssigned_ ? alignment_ : DefaultAlignment(); }

void TCustomDBEditGx::SetAlignment(TAlignment value) {
  if (alignmentAssigned_ && alignment_ == value) return;
  alignment_ = value;
  alignmentAssigned_ = true;
  if (!InState(csLoading)) RecreateWnd();
}

std::string TCustomDBEditGx::DefaultEditMask() const {
  TField* f = Field();
  return f ? f->EditMask() : std::string();
}

void TCustomDBEditGx::SetEditMask(std::string_view value) {
  if (editMaskAssigned_ && EditMask() == value) return;
  bool loading = InState(csLoading);
  std::string kept = loading ? Text() : std::string();
  TCustomMaskEdit::SetEditMask(value);
  editMaskAssigned_ = true;
  if (loading && IsDataIndependent()) TCustomMaskEdit::SetText(kept);
  if (IsDataIndependent()) InternalUpdatePostData();
  else DataChanged();
}

void TCustomDBEditGx::SetAlwaysShowBorder(bool value) {
  if (alwaysShowBorder_ == value) return;
  alwaysShowBorder_ = value;
  UpdateBorderActive();
}

void TCustomDBEditGx::SetFlat(bool value) {
  if (flat_ == value) return;
  flat_ = value;
  RecreateWnd();
}

void TCustomDBEditGx::SetHighlightRequired(bool value) {
  if (highlightRequired_ == value) return;
  highlightRequired_ = value;
  Invalidate();
}

void TCustomDBEditGx::SetImages(TCustomImageList* value) {
  editImage_->SetImages(value);
  editImage_->SetVisible(true);
}

void TCustomDBEditGx::SetWordWrap(bool value) { SetAndRecreate(wordWrap_, value); }

void TCustomDBEditGx::SetScrollBars(TScrollStyle value) { SetAndRecreate(scrollBars_, value); }

void TCustomDBEditGx::UpdateImageIndex() {
  if (!editImage_ || !editImage_->Visible() || !editImage_->Images()) return;
  int index = DefaultImageIndex();
  Variant v = Value();
  TVarType t = v.VarType();
  if (t == varSmallint || t == varInteger || t == varSingle || t == varDouble || t == varCurrency)
    index = static_cast<int>(std::nearbyint(v.AsDouble()));
  if (OnGetImageIndex) OnGetImageIndex(this, index);
  editImage_->SetImageIndex(index);
}

void TCustomDBEditGx::Loaded() {
  TCustomMaskEdit::Loaded();
  CheckDataMaxLength();
  if (Designing(this)) DataChanged();
  UpdateBorderActive();
}

void TCustomDBEditGx::Notification(TComponent* component, TOperation operation) {
  TCustomMaskEdit::Notification(component, operation);
  if (operation != opRemove) return;
  if (dataLink_ && component == dataLink_->DataSource()) dataLink_->SetDataSource(nullptr);
  if (editImage_ && component == editImage_->Images()) editImage_->SetImages(nullptr);
  if (component == inplaceEditHolder_) {
    inplaceEditHolder_ = nullptr;
    inplaceHolderIntf_ = nullptr;
    inplaceMode_ = false;
  }
  if (component == mruListbox_) mruListbox_ = nullptr;
  if (editButton_ && component == editButton_->DropdownMenu()) editButton_->SetDropdownMenu(nullptr);
  if (editButtons_)
    for (int i = 0; i < editButtons_->Count(); ++i)
      if (component == editButtons_->Items(i)->DropdownMenu()) editButtons_->Items(i)->SetDropdownMenu(nullptr);
}

// An action that handles a data source reaches it through a bound editor, as through the grid.
bool TCustomDBEditGx::ExecuteAction(TBasicAction* action) {
  return TCustomMaskEdit::ExecuteAction(action) || dataLink_->ExecuteAction(action);
}

bool TCustomDBEditGx::UpdateAction(TBasicAction* action) {
  return TCustomMaskEdit::UpdateAction(action) || dataLink_->UpdateAction(action);
}

// ---- window ------------------------------------------------------------------------------------

void TCustomDBEditGx::CreateParams(TCreateParams& params) {
  TCustomMaskEdit::CreateParams(params);
  if (wordWrap_) params.Style &= ~ES_AUTOHSCROLL;
  if (PasswordChar() == 0) params.Style |= ES_MULTILINE;
  params.Style &= ~(ES_LEFT | ES_RIGHT | ES_CENTER);
  if (wordWrap_) {
    TAlignment a = Alignment();
    params.Style |= a == taRightJustify ? ES_RIGHT : a == taCenter ? ES_CENTER : ES_LEFT;
  }
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) params.Style |= WS_HSCROLL;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.Style |= WS_VSCROLL;
}

void TCustomDBEditGx::CreateWnd() {
  TCustomMaskEdit::CreateWnd();
  UpdateHeight();
  UpdateBorderActive();
  UpdateEditButtonControls();
  if (!editImage_->Visible() || !editImage_->Images()) imageWidth_ = 0;
  else imageWidth_ = (editImage_->Width() >= 1 ? editImage_->Width() : editImage_->Images()->Width()) + 4;
  UpdateImageIndex();
  UpdateReadOnlyState();
  SetEditRect();
}

TRect TCustomDBEditGx::GetEditRect() {
  TRect r = ClientRect();
  r.Right -= buttonsWidth_;
  r.Left += imageWidth_;
  return r;
}

void TCustomDBEditGx::SetEditRect() {
  if (!HandleAllocated()) return;
  TRect r = GetEditRect();
  RECT rc = r;
  SendStructMessage(WindowHandle(), EM_SETRECTNP, 0, &rc);
  SendMessage(WindowHandle(), EM_SCROLLCARET, 0, 0);
}

void TCustomDBEditGx::SetAutoSize(bool value) {
  if (AutoSize() == value) return;
  TCustomMaskEdit::SetAutoSize(value);
  UpdateHeight();
}

void TCustomDBEditGx::UpdateHeight() {
  if (AutoSize() && BorderStyle() == bsSingle) {
    SetControlStyle(ControlStyle() + csFixedHeight);
    AdjustHeight();
  } else {
    SetControlStyle(ControlStyle() - csFixedHeight);
  }
}

void TCustomDBEditGx::AdjustHeight() {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  int extra = ((Ctl3D() ? 8 : 6) - (flat_ ? 2 : 0)) * GetSystemMetrics(SM_CYBORDER);
  int height = tm.tmHeight;
  TCustomImageList* images = editImage_->Images();
  if (editImage_->Visible() && images && editImage_->UseImageHeight() && images->Height() > tm.tmHeight)
    height = images->Height();
  SetHeight(height + extra);
}

void TCustomDBEditGx::SetTooltips(bool value) {
  if (tooltips_ == value) return;
  tooltips_ = value;
  UpdateHintProcessing();
}

void TCustomDBEditGx::SetShowHint(bool value) {
  showHint_ = value;
  TControl::SetParentShowHint(false);
  UpdateHintProcessing();
}

void TCustomDBEditGx::UpdateHintProcessing() {
  const bool effective = showHint_ || tooltips_;
  if (TControl::ShowHint() == effective) return;
  const bool fromParent = ParentShowHint();
  TControl::SetShowHint(effective);
  // Setting the control's flag let go of the parent's; Tooltips does not. Taking the parent's
  // again comes back through ParentShowHintChanged with nothing left to change.
  if (fromParent) TControl::SetParentShowHint(true);
}

void TCustomDBEditGx::ParentShowHintChanged() {
  if (!ParentShowHint() || !Parent()) return;
  showHint_ = Parent()->ShowHint();
  UpdateHintProcessing();
}

// ---- painting ----------------------------------------------------------------------------------

std::string TCustomDBEditGx::GetDisplayTextForPaint() {
  if (Designing(this) && !dataLink_->Active()) return Name();
  if (ControlState().Contains(csPaintCopy) && Field()) {
    std::string s = Field()->DisplayText();
    if (CharCase() == ecUpperCase) s = AnsiUpperCaseGx(s);
    else if (CharCase() == ecLowerCase) s = AnsiLowerCaseGx(s);
    return s;
  }
  return TCustomMaskEdit::EditText();
}

void TCustomDBEditGx::DrawImage(HDC dc) {
  TCustomImageList* images = editImage_->Images();
  if (!editImage_->Visible() || !images || editImage_->ImageIndex() < 0 || imageWidth_ <= 0) return;
  TRect r(0, 0, imageWidth_, ClientHeight());
  r.Inflate(-2, -1);
  DrawImageInRect(dc, r, images, editImage_->ImageIndex(), false);
}

void TCustomDBEditGx::DrawRequiredState(HDC dc) {
  bool draw = false;
  if (highlightRequired_) {
    if (IsDataIndependent()) {
      draw = dataLink_->DataIndependentValue().IsNull() || Text().empty();
    } else if (dataLink_->Active()) {
      TDataSource* ds = DataSource();
      TField* f = Field();
      draw = ds && (ds->State() == dsEdit || ds->State() == dsInsert) && f->Required() && f->IsNull();
    }
  }
  if (OnCheckDrawRequiredState) OnCheckDrawRequiredState(this, draw);
  if (!draw) return;
  TRect r = GetEditRect();
  int y = ClientHeight() - 1;
  HPEN pen = CreatePen(PS_DOT, 1, RGB(255, 0, 0));
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, r.Left + 2, y, nullptr);
  LineTo(dc, r.Right - 3, y);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void TCustomDBEditGx::PaintSelf(HDC dc) {
  TCanvas canvas;
  canvas.SetHandle(dc);
  canvas.Font()->Assign(Font());
  TRect inner = ClientRect();
  if (BorderStyle() == bsSingle && !Ctl3D()) {
    // A 2-D single border is a line in the window frame colour, drawn inside the client area.
    canvas.Brush()->SetColor(clWindowFrame);
    canvas.FrameRect(inner);
    inner.Inflate(-1, -1);
  }
  canvas.Brush()->SetColor(Color());
  canvas.FillRect(inner);
  if (!Enabled()) canvas.Font()->SetColor(clGrayText);
  std::string text = GetDisplayTextForPaint();
  if (PasswordChar() != 0) {
    std::string mask;
    Utf8Append(mask, PasswordChar());
    std::string repeated;
    for (size_t i = 0, n = Utf8CharCount(text); i < n; ++i) repeated += mask;
    text = repeated;
  }
  RECT er{};
  SendStructMessage(WindowHandle(), EM_GETRECT, 0, &er);
  TRect r(er);
  const int top = r.Top;
  r.Left = std::max({r.Left, GetEditRect().Left, inner.Left});
  r.Right = std::min({r.Right, GetEditRect().Right, inner.Right});
  r.Top = std::max(r.Top, inner.Top);
  r.Bottom = std::min(r.Bottom, inner.Bottom);
  LRESULT margins = SendMessage(WindowHandle(), EM_GETMARGINS, 0, 0);
  int margin = LOWORD(margins) + (BorderStyle() == bsNone ? 0 : Ctl3D() ? 1 : 2);
  int width = canvas.TextWidth(text);
  int x = r.Left + margin;
  TAlignment a = Alignment();
  if (a == taRightJustify) x = r.Right - width - margin;
  else if (a == taCenter) x = r.Left + (r.Width() - width) / 2;
  canvas.TextRect(r, x, top, text);
  canvas.SetHandle(nullptr);
}

void TCustomDBEditGx::PaintHandler2(TMessage& m) {
  bool platformDraws = (Alignment() == taLeftJustify || focused_ || wordWrap_) &&
                       !ControlState().Contains(csPaintCopy) && !(Designing(this) && !dataLink_->Active());
  HWND h = WindowHandle();
  if (platformDraws) {
    TCustomMaskEdit::Dispatch(m);
    HDC dc = GetDC(h);
    DrawImage(dc);
    DrawRequiredState(dc);
    ReleaseDC(h, dc);
    return;
  }
  PAINTSTRUCT ps{};
  HDC dc = m.WParam ? reinterpret_cast<HDC>(m.WParam) : BeginPaint(h, &ps);
  PaintSelf(dc);
  // The buttons and their separators are windowless: they are drawn on this surface.
  PaintControls(dc, nullptr);
  DrawImage(dc);
  DrawRequiredState(dc);
  if (!m.WParam) EndPaint(h, &ps);
  m.Result = 0;
}

// ---- focus -------------------------------------------------------------------------------------

void TCustomDBEditGx::CMEnter(TMessage& m) {
  SetFocused(true);
  TCustomMaskEdit::Dispatch(m);
  if (AutoSelect() && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
  // On a double-byte system an input method composes in the window before any key reaches the
  // editor: a field that may change gets a writable window while the editor has the focus.
  if (GetSystemMetrics(SM_DBCSENABLED) && dataLink_->CanModify()) TCustomEdit::SetReadOnly(readOnly_);
}

void TCustomDBEditGx::CMExit(TMessage& m) {
  if (IsMasked()) {
    ValidateEdit();
    CheckCursor();
  }
  TCustomMaskEdit::Dispatch(m);
  dataLink_->UpdateRecord();
  SetFocused(false);
  if (IsMasked() && SelLength() == 0) {
    int start = 0, stop = 0;
    GetSel(start, stop);
    SetSel(std::max(0, start - 2), std::max(0, start - 2));
  }
}

// ---- published ---------------------------------------------------------------------------------

FANO_PUBLISHED(TEditImageGx, p) {
  p.Property("ImageIndex", &TEditImageGx::ImageIndex, &TEditImageGx::SetImageIndex);
  p.Property("Images", &TEditImageGx::Images, &TEditImageGx::SetImages);
  p.Property("UseImageHeight", &TEditImageGx::UseImageHeight, &TEditImageGx::SetUseImageHeight);
  p.Property("Visible", &TEditImageGx::Visible, &TEditImageGx::SetVisible);
  p.Property("Width", &TEditImageGx::Width, &TEditImageGx::SetWidth);
}

FANO_PUBLISHED(TDBEditGx, p) { PublishDataEditorProperties(p); }

FANO_REGISTER_CLASS(TDBEditGx);

void RegisterDBEditClasses() { RegisterClasses({TDBEditGx::StaticClass()}); }
