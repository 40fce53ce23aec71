#pragma once
// The base data-aware editor TCustomDBEditGx and its field data link; TDBEditGx publishes it.
//
// An editor is a masked edit bound to one field (or a ";"-separated list of fields) of a dataset
// through TFieldDataLinkGx. Without a data source and a field name it keeps a value of its own
// (data-independent mode, used by the grid's in-place editing and by dialogs). Writing Text or
// Value puts the dataset into edit state and writes the field at once (the dataset is not
// posted); the text shown follows the field.
//
//   auto* edit = new TDBEditGx(form);
//   edit->SetParent(form);
//   edit->SetDataSource(dsMain);
//   edit->SetDataField("BILDA002");
//   edit->SetText("FD-001");                 // dsMain's dataset is now in edit state
//
// The class is built in files by concern: dbeditbase.cpp (data link, data exchange, window style,
// painting), dbeditkeys.cpp (buttons, keyboard, recent values, tool tips, in-place holding) and
// dbeditflat.cpp (flat mode and its colours). Descendants (combo box, number and date-time
// editors) override the virtual operations below.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editors/editbuttons.h"
#include "editors/inplaceholder.h"
#include "editors/mrulist.h"
#include "editors/popups.h"
#include "editors/tooltips.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/forms/imglist.h"
#include "platform/forms/forms.h"
#include "platform/forms/mask.h"

class TCvMemoStrings;
class TCustomDBEditGx;

// Sent to the editor when its image settings change: the window is made again.
constexpr UINT WM_EDITIMAGECHANGED = 0x465;
// A notice posted to an editor's window by hosts of the original system; it carries nothing the
// editor acts on and is answered with 0 (the editor's window only: the message number means other
// things to other windows).
constexpr UINT WM_EDITORHOSTNOTICE = 0x466;

// "InplaceEditHolder have to support IInplaceEditHolderGx interface"
extern const char* const SInplaceEditHolderNoInterface;

using TUpdateDataEventGx = std::function<void(TObject* sender, bool& handled)>;
using TCheckDrawRequiredStateEventGx = std::function<void(TObject* sender, bool& drawState)>;
using TGetImageIndexEventGx = std::function<void(TObject* sender, int& imageIndex)>;

class TFieldDataLinkGx : public TDataLink {
  FANO_CLASS(TFieldDataLinkGx)
 public:
  TFieldDataLinkGx();

  const std::vector<TField*>& Fields() const noexcept { return fields_; }
  TField* Field() const noexcept { return fields_.empty() ? nullptr : fields_.front(); }
  const std::string& FieldName() const noexcept { return fieldName_; }
  void SetFieldName(const std::string& value);
  void SetDataSource(TDataSource* value);
  TComponent* Control() const noexcept { return control_; }
  void SetControl(TComponent* value) noexcept { control_ = value; }
  bool MultiFields() const noexcept { return multiFields_; }
  void SetMultiFields(bool value);
  bool DataIndependent() const noexcept { return dataIndependent_; }
  // The link's own edit state (data-independent mode included), not only the dataset's.
  bool Editing() const noexcept { return editing_; }
  bool Modified() const noexcept { return modified_; }
  const Variant& DataIndependentValue() const noexcept { return dataIndependentValue_; }
  // Data-independent, or bound to an open dataset with a field.
  bool Active() const;
  bool CanModify() const;

  // Puts the dataset (or, data-independent, the link) into edit state; answers Editing.
  bool Edit();
  void SetText(const std::string& text);
  void SetValue(const Variant& value);
  void SetModified() noexcept { modified_ = true; }
  // Puts back a modified state saved before a redisplay.
  void RestoreModified(bool value) noexcept { modified_ = value; }
  // Shows the field's value again, dropping the pending text.
  void Reset() { RecordChanged(nullptr); }
  // True while the editor hears of data that replaces what it showed as a whole: the dataset
  // moved, changed or was closed, or the fields were resolved anew. Not for the record that the
  // link's own Edit inserts into an empty table.
  bool DataReplaced() const noexcept { return replacing_ > 0; }

  TNotifyEvent OnDataChange;
  TNotifyEvent OnEditingChange;
  TNotifyEvent OnUpdateData;
  TNotifyEvent OnActiveChange;

  void ActiveChanged() override;
  // A layout change may follow a field's removal: a field name that is gone leaves no field.
  void LayoutChanged() override { UpdateField(false); }
  void EditingChanged() override;
  void RecordChanged(TField* field) override;
  void DataSetChanged() override;
  void UpdateData() override;
  void FocusControl(TField*& field) override;
  void DataEvent(TDataEvent event, NativeInt info) override;

 private:
  void UpdateField(bool raiseMissing = true);
  // Tells the editor of the data anew (RecordChanged), marked as replacing what it showed.
  void DataReplacedNotice();
  // Forgets fields that left the dataset's field lists; True when any did.
  bool DropRemovedFields();
  void UpdateDataIndependent();
  void SetEditingState(bool value);
  std::vector<TField*> fields_;
  std::string fieldName_;
  TComponent* control_ = nullptr;
  bool multiFields_ = false;
  bool dataIndependent_ = true;
  bool editing_ = false;
  bool modified_ = false;
  int replacing_ = 0;
  bool addingOwnRecord_ = false;
  Variant dataIndependentValue_;
};

// The image shown at the editor's left.
class TEditImageGx : public TPersistent {
  FANO_CLASS(TEditImageGx)
 public:
  explicit TEditImageGx(TCustomDBEditGx* editor);
  void Assign(TPersistent* source) override;
  TPersistent* GetOwner() const override;
  int ImageIndex() const noexcept { return imageIndex_; }
  void SetImageIndex(int value);
  TCustomImageList* Images() const noexcept { return images_; }
  void SetImages(TCustomImageList* value);
  bool UseImageHeight() const noexcept { return useImageHeight_; }
  void SetUseImageHeight(bool value);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool value);
  int Width() const noexcept { return width_; }
  void SetWidth(int value);

 private:
  void ImageChanged();
  TCustomDBEditGx* editor_;
  int imageIndex_ = -1;
  TCustomImageList* images_ = nullptr;
  bool useImageHeight_ = true;
  bool visible_ = false;
  int width_ = 0;
};

// The one-pixel line beside each button of a flat editor.
class TEditButtonSeparatorGx : public TGraphicControl {
  FANO_CLASS(TEditButtonSeparatorGx)
 public:
  explicit TEditButtonSeparatorGx(TComponent* owner);
  TColor LineColor() const noexcept { return lineColor_; }
  void SetLineColor(TColor value);

 protected:
  void Paint() override;

 private:
  TColor lineColor_ = clBtnFace;
};

class TCustomDBEditGx : public TCustomMaskEdit, public IPopupControlOwnerGx {
  FANO_CLASS(TCustomDBEditGx)
 public:
  explicit TCustomDBEditGx(TComponent* owner);
  ~TCustomDBEditGx() override;

  // ---- data
  TFieldDataLinkGx* DataLink() const noexcept { return dataLink_.get(); }
  TField* Field() const { return dataLink_->Field(); }
  virtual std::string GetDataField() const { return dataLink_->FieldName(); }
  virtual void SetDataField(const std::string& value);
  std::string DataField() const { return GetDataField(); }
  virtual TDataSource* GetDataSource() const { return dataLink_->DataSource(); }
  virtual void SetDataSource(TDataSource* value);
  TDataSource* DataSource() const { return GetDataSource(); }
  std::string Text() const { return TCustomMaskEdit::Text(); }
  // Bound: the dataset goes into edit state and the field receives the text at once.
  void SetText(std::string_view value);
  Variant Value() const { return GetVariantValue(); }
  void SetValue(const Variant& value) { ApplyEditValue(value); }
  bool ReadOnly() const noexcept { return readOnly_; }
  void SetReadOnly(bool value);
  void Clear() override;
  // Writes the text to the field (through OnUpdateData when it handles it).
  virtual void UpdateData();
  bool IsTextStored() const;
  bool IsValueStored() const;

  // ---- look
  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  bool IsAlignmentStored() const noexcept { return alignmentAssigned_; }
  const TEditMask& EditMask() const noexcept { return TCustomMaskEdit::EditMask(); }
  void SetEditMask(std::string_view value);
  bool IsEditMaskStored() const noexcept { return editMaskAssigned_; }
  bool AlwaysShowBorder() const noexcept { return alwaysShowBorder_; }
  void SetAlwaysShowBorder(bool value);
  bool Flat() const noexcept { return flat_; }
  void SetFlat(bool value);
  bool HighlightRequired() const noexcept { return highlightRequired_; }
  void SetHighlightRequired(bool value);
  TCustomImageList* Images() const { return editImage_->Images(); }
  void SetImages(TCustomImageList* value);
  TEditImageGx* EditImage() const noexcept { return editImage_.get(); }
  void SetEditImage(TEditImageGx* value) { editImage_->Assign(value); }
  bool WordWrap() const noexcept { return wordWrap_; }
  void SetWordWrap(bool value);
  TScrollStyle ScrollBars() const noexcept { return scrollBars_; }
  void SetScrollBars(TScrollStyle value);
  TStrings* Lines() const;
  void SetLines(TStrings* value);
  // Tooltips and ShowHint are kept apart: either turns the control's hint showing on (what
  // TControl::ShowHint answers), and ShowHint alone lets a text that fits show the Hint.
  bool Tooltips() const noexcept { return tooltips_; }
  void SetTooltips(bool value);
  void SetShowHint(bool value);
  bool ShowHint() const noexcept { return showHint_; }

  // ---- keyboard
  bool WantTabs() const noexcept { return wantTabs_; }
  void SetWantTabs(bool value) noexcept { wantTabs_ = value; }
  bool WantReturns() const noexcept { return wantReturns_; }
  void SetWantReturns(bool value) noexcept { wantReturns_ = value; }
  bool ReturnIsTab() const noexcept { return returnIsTab_; }
  void SetReturnIsTab(bool value) noexcept { returnIsTab_ = value; }

  // ---- buttons and drop-downs
  TEditButtonGx* EditButton() const noexcept { return editButton_.get(); }
  void SetEditButton(TEditButtonGx* value) { editButton_->Assign(value); }
  TEditButtonsGx* EditButtons() const noexcept { return editButtons_.get(); }
  void SetEditButtons(TEditButtonsGx* value) { editButtons_->Assign(value); }
  // Entry 0 is EditButton's control, entry i EditButtons[i-1]'s.
  int ButtonControlCount() const noexcept { return static_cast<int>(buttonControls_.size()); }
  TEditButtonControlGx* ButtonControl(int index) const { return buttonControls_.at(static_cast<size_t>(index)).Button; }
  TEditButtonSeparatorGx* ButtonSeparator(int index) const {
    return buttonControls_.at(static_cast<size_t>(index)).Separator;
  }
  int ButtonsWidth() const noexcept { return buttonsWidth_; }
  int ButtonsHeight() const noexcept { return buttonsHeight_; }
  bool BorderActive() const noexcept { return borderActive_; }
  bool DroppedDown() const noexcept { return droppedDown_; }
  TMRUListGx* MRUList() const noexcept { return mruList_.get(); }
  void SetMRUList(TMRUListGx* value) { mruList_->Assign(value); }
  TMRUListboxGx* MRUListbox() const noexcept { return mruListbox_; }
  virtual void DropDown();
  void CloseUp(bool accept) override;
  // Hooks for descendants whose drop-down lists want a say: before the list drops down, and before
  // it closes (accept may be turned off: the chosen item then stays out of the editor).
  TNotifyEvent OnBeforeDropDown;
  std::function<void(TObject* sender, bool& accept)> OnBeforeCloseUp;
  virtual void ButtonDownDefault(bool topButton);
  // Lays out the button controls again (after any change of the buttons or the size).
  void UpdateEditButtonControls();
  // Whether the key is the shortcut of a button that it would press.
  bool IsButtonShortCutKey(uint16_t key, TShiftState shift);
  // The text's rectangle: the client area less the buttons and the image.
  virtual TRect GetEditRect();

  // ---- in-place holding
  TWinControl* InplaceEditHolder() const noexcept { return inplaceEditHolder_; }
  // Raises EInvalidOperation when the control does not implement IInplaceEditHolderGx.
  void SetInplaceEditHolder(TWinControl* value);
  bool InplaceMode() const noexcept { return inplaceMode_; }
  void SetEditorBounds(const TRect& rect);
  void Move(const TRect& rect, bool redraw);
  void Hide();
  // In place: whether the window shows.
  bool Visible() const;
  void SetVisible(bool value);
  void SetFocus() override;

  // ---- flat mode (Ctl3D off and no border)
  bool IsFlatMode() const { return !Ctl3D() && BorderStyle() == bsNone; }
  TColor ColorFocused() const noexcept { return colorFocused_; }
  TColor ColorBorder() const noexcept { return colorBorder_; }
  TColor ColorFlat() const noexcept { return colorFlat_; }
  // index 0 ColorFocused, 1 ColorBorder, 2 ColorFlat; ignored outside flat mode.
  void SetColorIndex(int index, TColor value);
  void SetColorFocused(TColor value) { SetColorIndex(0, value); }
  void SetColorBorder(TColor value) { SetColorIndex(1, value); }
  void SetColorFlat(TColor value) { SetColorIndex(2, value); }
  // The editor's own flag: ColorFlat follows the parent's colour.
  bool ParentColorFlat() const noexcept { return parentColorFlat_; }
  void SetParentColorFlat(bool value);
  int CvColorFocused() const noexcept { return cvColorFocused_; }
  int CvColorBorder() const noexcept { return cvColorBorder_; }
  void SetCvColorIndex(int index, int value);
  void SetCvColorFocused(int value) { SetCvColorIndex(0, value); }
  void SetCvColorBorder(int value) { SetCvColorIndex(1, value); }
  bool UseCvColors() const noexcept { return useCvColors_; }
  void SetUseCvColors(bool value);
  void UpdateCvColors();
  void PaintFlatBorder();
  bool MouseIn() const noexcept { return mouseIn_; }
  // The shade of base `offset` lighter or darker; offset 0 answers current.
  static TColor ShadeColor(TColor base, TColor current, int offset, bool darken);

  // ---- events
  TUpdateDataEventGx OnUpdateData;
  TCheckDrawRequiredStateEventGx OnCheckDrawRequiredState;
  TGetImageIndexEventGx OnGetImageIndex;
  TButtonClickEventGx OnButtonClick;
  TButtonDownEventGx OnButtonDown;

  // ---- platform parts
  // Turned on again, the height follows the editor's own rule (flat look, image), not the edit's.
  void SetAutoSize(bool value) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void WndProc(TMessage& m) override;
  void Dispatch(TMessage& m) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyUp(uint16_t& key, TShiftState shift) override;
  void KeyPress(TKeyChar& key) override;
  bool ExecuteAction(TBasicAction* action) override;
  bool UpdateAction(TBasicAction* action) override;

  // ---- virtual operations for descendants
  virtual bool IsEditActive();
  virtual bool IsDataIndependent() const { return dataLink_->DataIndependent(); }
  virtual TAlignment DefaultAlignment() const;
  virtual std::string DefaultEditMask() const;
  virtual int DefaultImageIndex() { return -1; }
  virtual std::string GetDisplayTextForPaint();
  virtual Variant GetVariantValue() const;
  virtual bool IsValidChar(char32_t ch);
  virtual void DataChanged();
  virtual void EditingChanged();
  virtual void ActiveChanged();
  virtual void InternalSetText(std::string_view text);
  virtual void InternalSetValue(const Variant& value);
  virtual void InternalUpdatePostData();
  virtual void ApplyEditValue(const Variant& value);
  virtual void UpdateReadOnlyState();
  virtual void CheckDataMaxLength();
  virtual void UpdateImageIndex();
  virtual void DrawRequiredState(HDC dc);
  virtual void EditButtonClick(TObject* sender);
  virtual void EditButtonDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled);
  virtual void EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y);
  virtual void EditButtonMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  virtual void FilterMRUItem(const std::string& text, bool& accept);
  // The text the recent values are first matched against.
  virtual std::string MRUFilterText() { return Text(); }
  virtual void UpdateDropDownSize();
  virtual void TextChangedNotify();
  virtual void UpdateHintProcessing();
  virtual void UpdateHeight();
  virtual void AdjustHeight();
  virtual void SetFocused(bool value);
  bool FocusedState() const noexcept { return focused_; }

 protected:
  virtual TFieldDataLinkGx* CreateDataLink();
  virtual TEditButtonGx* CreateEditButton();
  virtual TEditButtonsGx* CreateEditButtons();
  virtual TEditImageGx* CreateEditImage();
  virtual TMRUListboxGx* CreateMRUListbox();
  virtual TEditButtonControlGx* CreateEditButtonControl();
  // For a descendant's constructor: makes EditButton again through its CreateEditButton.
  void RecreateEditButton();
  void DoBeforeDropDown();
  // Answers accept as OnBeforeCloseUp leaves it.
  bool DoBeforeCloseUp(bool accept);
  bool EditCanModify() override;
  void DefaultHandler(TMessage& m) override;
  void Change() override;
  void SetDroppedDown(bool value) noexcept { droppedDown_ = value; }
  bool InUpdateData() const noexcept { return inUpdateData_; }
  // In place, the holder hears of a key before the editor or a descendant acts on it: whichever
  // override asks first asks it, once per key message. True when the holder took the key.
  bool HolderTakesKeyDown(uint16_t& key, TShiftState shift);
  bool HolderTakesKeyPress(TKeyChar& key);
  // Runs `show`, which shows the value again in a new look (a format, a kind, a list of items).
  // That is no edit of the user's: the link's and the window's modified flags stay as they were,
  // so leaving the editor writes nothing that the user did not change.
  void Redisplay(const std::function<void()>& show);
  void UpdateBorderActive();
  int ImageWidth() const noexcept { return imageWidth_; }

 private:
  friend class TEditImageGx;
  friend class TCvMemoStrings;
  struct ButtonEntry {
    TEditButtonSeparatorGx* Separator = nullptr;
    TEditButtonControlGx* Button = nullptr;
  };
  // dbeditbase.cpp
  void LinkDataChange();
  void LinkEditingChange();
  void LinkUpdateData();
  void LinkActiveChange();
  void SetEditRect();
  void PaintHandler2(TMessage& m);
  void PaintSelf(HDC dc);
  void DrawImage(HDC dc);
  void CMEnter(TMessage& m);
  void CMExit(TMessage& m);
  // dbeditkeys.cpp
  bool HandleKeysMessage(TMessage& m);
  void DispatchEditorMessage(TMessage& m);
  bool IsButtonShortCut(uint16_t key, TShiftState shift);
  // The entry whose button the key presses, or -1.
  int ShortCutEntry(uint16_t key, TShiftState shift);
  void MRUListDropDown();
  void MRUListCloseUp(bool accept);
  bool MRUListOpen() const;
  bool ForwardToMRUList(TMessage& m);
  void HintShow(TMessage& m);
  void ParentShowHintChanged();
  bool OverButtonsOrImage(const TPoint& clientPoint);
  TEditButtonGx* ButtonOfEntry(int index) const;
  // A button's own click or press may remove it while its control still runs that click: the
  // control is hidden at once and freed after the messages of the moment (on CM_RELEASE).
  void RetireButtonEntry(const ButtonEntry& entry);
  void FreeRetiredButtons();
  // Held while a button control's press or click runs: a handler that waits in a loop of its own
  // (a modal dialog, a menu) handles CM_RELEASE there, and the retired control must outlive it.
  struct ButtonEventScope {
    explicit ButtonEventScope(TCustomDBEditGx* editor) : Editor(editor) { ++editor->buttonEventDepth_; }
    ~ButtonEventScope();
    ButtonEventScope(const ButtonEventScope&) = delete;
    ButtonEventScope& operator=(const ButtonEventScope&) = delete;
    TCustomDBEditGx* Editor;
  };
  int EntryOf(TObject* sender) const;
  void PopDropdownMenu(TEditButtonControlGx* control, TPopupMenu* menu);
  void ReleaseMainButtonIfNothingDropped();
  bool Designing(const TComponent* c) const { return c->InState(csDesigning); }
  // dbeditflat.cpp
  bool HandleFlatMessage(TMessage& m);
  void HandleFlatHover(bool entering);
  void ParentColorChanged();

  std::unique_ptr<TFieldDataLinkGx> dataLink_;
  std::unique_ptr<TCvMemoStrings> lines_;
  std::unique_ptr<TEditButtonGx> editButton_;
  std::unique_ptr<TEditButtonsGx> editButtons_;
  std::unique_ptr<TEditImageGx> editImage_;
  std::unique_ptr<TMRUListGx> mruList_;
  TMRUListboxGx* mruListbox_ = nullptr;
  std::vector<ButtonEntry> buttonControls_;
  std::vector<TEditButtonControlGx*> retiredButtons_;
  int buttonEventDepth_ = 0;
  int buttonsWidth_ = 0;
  int buttonsHeight_ = 0;
  int imageWidth_ = 0;
  bool borderActive_ = false;
  bool mouseAbove_ = false;
  bool droppedDown_ = false;
  bool droppedByThisPress_ = false;
  bool readOnly_ = false;
  bool focused_ = false;
  bool inUpdateData_ = false;
  bool inMaskedInput_ = false;
  TAlignment alignment_ = taLeftJustify;
  bool alignmentAssigned_ = false;
  bool editMaskAssigned_ = false;
  bool alwaysShowBorder_ = false;
  bool flat_ = false;
  bool highlightRequired_ = false;
  bool wordWrap_ = false;
  TScrollStyle scrollBars_ = ssNone;
  bool tooltips_ = false;
  bool showHint_ = false;
  bool wantTabs_ = false;
  bool wantReturns_ = false;
  bool returnIsTab_ = false;
  TWinControl* inplaceEditHolder_ = nullptr;
  IInplaceEditHolderGx* inplaceHolderIntf_ = nullptr;
  bool inplaceMode_ = false;
  bool holderAskedKey_ = false;
  bool layingOutButtons_ = false;
  bool blockMouseDefault_ = false;
  WPARAM swallowChar_ = 0;
  TColor colorFocused_ = static_cast<TColor>(0xFFFFFF);
  TColor colorBorder_ = static_cast<TColor>(0x8396A0);
  TColor colorFlat_ = static_cast<TColor>(0xFFFFFF);
  bool parentColorFlat_ = false;
  int cvColorFocused_ = 10;
  int cvColorBorder_ = 50;
  bool useCvColors_ = false;
  bool mouseIn_ = false;
};


class TDBEditGx : public TCustomDBEditGx {
  FANO_CLASS(TDBEditGx)
 public:
  explicit TDBEditGx(TComponent* owner) : TCustomDBEditGx(owner) {}
};

// Registers the published editor classes for form resources.
void RegisterDBEditClasses();
