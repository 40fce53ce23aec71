#pragma once
// The standard controls of the class library over the window system's own controls: edits and
// memos ("EDIT"), list boxes ("LISTBOX"), combo boxes ("COMBOBOX"), buttons and check boxes
// ("BUTTON"), the scroll bar ("ScrollBar") and the windowless label.
//
// Character positions (SelStart, SelLength, CaretPos) are those of the edit control: byte offsets
// into the UTF-8 text that never fall inside a character. MaxLength counts what the text takes in
// code page 936.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/forms/controls.h"
#include "platform/forms/forms.h"
#include "platform/os/commctrl.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/types.h"

// ---- edits ------------------------------------------------------------------------------------

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomEdit : public TWinControl {
  FANO_CLASS(TCustomEdit)
 public:
  explicit TCustomEdit(TComponent* owner);
  ~TCustomEdit() override;

  bool AutoSelect() const noexcept { return autoSelect_; }
  void SetAutoSelect(bool v) noexcept { autoSelect_ = v; }
  void SetAutoSize(bool v) override;
  TBorderStyle BorderStyle() const noexcept { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  TEditCharCase CharCase() const noexcept { return charCase_; }
  void SetCharCase(TEditCharCase v);
  bool HideSelection() const noexcept { return hideSelection_; }
  void SetHideSelection(bool v);
  // 0: no limit of our own (the control's largest).
  int MaxLength() const noexcept { return maxLength_; }
  void SetMaxLength(int v);
  bool Modified() const;
  void SetModified(bool v);
  bool OEMConvert() const noexcept { return oemConvert_; }
  void SetOEMConvert(bool v);
  char32_t PasswordChar() const noexcept { return passwordChar_; }
  void SetPasswordChar(char32_t v);
  bool ReadOnly() const noexcept { return readOnly_; }
  void SetReadOnly(bool v);

  int SelStart() const;
  void SetSelStart(int v);
  int SelLength() const;
  void SetSelLength(int v);
  std::string SelText() const;
  void SetSelText(std::string_view v);
  bool CanUndo() const;

  virtual void Clear();
  void ClearSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void Undo();
  void ClearUndo();
  void SelectAll();
  int GetSelTextBuf(char* buffer, int bufSize) const;
  void SetSelTextBuf(const char* buffer);

  TNotifyEvent OnChange;

  void Dispatch(TMessage& m) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;

 protected:
  virtual void Change();
  // Keeps the height to the font when AutoSize and a single border (csFixedHeight).
  void AdjustHeight();
  void UpdateHeight();
  void SetCreating(bool v) noexcept { creating_ = v; }
  bool Creating() const noexcept { return creating_; }

 private:
  void CMEnter(TMessage& m);
  void CMTextChanged(TMessage& m);
  void CMFontChanged(TMessage& m);
  void CNCommand(TMessage& m);
  int maxLength_ = 0;
  TBorderStyle borderStyle_ = bsSingle;
  char32_t passwordChar_ = 0;
  bool readOnly_ = false;
  bool autoSelect_ = true;
  bool hideSelection_ = true;
  bool oemConvert_ = false;
  TEditCharCase charCase_ = ecNormal;
  bool creating_ = false;
  bool modified_ = false;
};

class TEdit : public TCustomEdit {
  FANO_CLASS(TEdit)
 public:
  explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
};

// The lines of a multi-line edit, read and written through the edit control's line messages.
// Works on any edit whose window is multi-line. Inside an update block (BeginUpdate, Assign,
// AddStrings) lines added at the end are kept and given to the control in one piece when the block
// ends, or as soon as anything else asks the control (a message to it, another change).
class TMemoStrings : public TStrings {
  FANO_CLASS(TMemoStrings)
 public:
  explicit TMemoStrings(TCustomEdit* memo) : memo_(memo) {}
  TCustomEdit* Memo() const noexcept { return memo_; }
  void Clear() override;
  void Delete(int index) override;
  void Insert(int index, std::string_view s) override;
  // Gives the control the lines held back in an update block.
  void Flush() const;
  bool HasPending() const noexcept { return pendingCount_ > 0; }

 protected:
  std::string Get(int index) const override;
  int GetCount() const override;
  std::string GetTextStr() const override;
  void Put(int index, std::string_view s) override;
  // Raises EInvalidOperation "Text exceeds memo capacity" when the control refuses the text.
  void SetTextStr(std::string_view text) override;
  void SetUpdateState(bool updating) override;

 private:
  void InsertNow(int index, std::string_view s) const;
  TCustomEdit* memo_;
  // Lines added at the end in an update block: joined by line breaks, to go in at line
  // pendingBase_.
  mutable std::string pending_;
  mutable int pendingBase_ = 0;
  mutable int pendingCount_ = 0;
};

class TCustomMemo : public TCustomEdit {
  FANO_CLASS(TCustomMemo)
 public:
  explicit TCustomMemo(TComponent* owner);
  ~TCustomMemo() override;

  TAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(TAlignment v);
  TStrings* Lines() const noexcept { return lines_.get(); }
  void SetLines(TStrings* v) { lines_->Assign(v); }
  TScrollStyle ScrollBars() const noexcept { return scrollBars_; }
  void SetScrollBars(TScrollStyle v);
  bool WantReturns() const noexcept { return wantReturns_; }
  void SetWantReturns(bool v) noexcept { wantReturns_ = v; }
  bool WantTabs() const noexcept { return wantTabs_; }
  void SetWantTabs(bool v) noexcept { wantTabs_ = v; }
  bool WordWrap() const noexcept { return wordWrap_; }
  void SetWordWrap(bool v);
  // Line (Y) and position in it (X) of the caret; setting moves the caret there.
  TPoint CaretPos() const;
  void SetCaretPos(const TPoint& p);

  void Dispatch(TMessage& m) override;
  void CreateParams(TCreateParams& params) override;
  void KeyPress(TKeyChar& key) override;

 private:
  std::unique_ptr<TMemoStrings> lines_;
  TAlignment alignment_ = taLeftJustify;
  TScrollStyle scrollBars_ = ssNone;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
  bool wordWrap_ = true;
};

class TMemo : public TCustomMemo {
  FANO_CLASS(TMemo)
 public:
  explicit TMemo(TComponent* owner) : TCustomMemo(owner) {}
};

// ---- lists --------------------------------------------------------------------------------------

enum TOwnerDrawStateItem {
  odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive, odNoAccel,
  odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit
};
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;
TOwnerDrawState OwnerDrawStateOf(UINT itemState);

// The owner-drawing messages of a list or combo box (true when the message was one): CN_DRAWITEM
// paints the item on the canvas (the control's font and brush, the highlight colours for a
// selected item; draw is not called for the empty item -1, which is filled; a focused item gets
// its focus rectangle); CN_MEASUREITEM answers itemHeight, or asks measure for variable items.
bool OwnerDrawMessage(TMessage& m, TCanvas* canvas, TWinControl* control, int itemHeight, bool variable,
                      const std::function<void(int index, const TRect& rect, TOwnerDrawState state)>& draw,
                      const std::function<void(int index, int& height)>& measure);

using TDrawItemEvent = std::function<void(TWinControl* control, int index, TRect rect, TOwnerDrawState state)>;
using TMeasureItemEvent = std::function<void(TWinControl* control, int index, int& height)>;

// The items of a list or combo box, kept by the window (through its messages) and, while there is
// no window, in a list of their own that the window takes over when it is made.
class TControlStrings : public TStrings {
  FANO_CLASS(TControlStrings)
 public:
  // The messages of the window kind (LB_ or CB_ numbers).
  struct Messages {
    UINT AddString, InsertString, DeleteString, GetCount, GetText, GetTextLen, GetItemData, SetItemData,
        ResetContent, FindStringExact;
  };
  TControlStrings(TWinControl* control, const Messages& messages);
  ~TControlStrings() override;

  int Add(std::string_view s) override;
  int AddObject(std::string_view s, TObject* obj) override;
  void Clear() override;
  void Delete(int index) override;
  void Insert(int index, std::string_view s) override;
  void InsertObject(int index, std::string_view s, TObject* obj) override;
  int IndexOf(std::string_view s) const override;

  // The window was made: the items kept so far go into it. The window goes: its items come back.
  void HandleCreated();
  void HandleDestroying();
  TStringList* Pending() const noexcept { return pending_.get(); }

 protected:
  std::string Get(int index) const override;
  int GetCount() const override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* obj) override;
  void SetUpdateState(bool updating) override;
  bool Live() const { return control_->HandleAllocated(); }
  HWND Wnd() const { return control_->WindowHandle(); }
  void CheckIndex(int index) const;
  TWinControl* control_;
  Messages msg_;
  std::unique_ptr<TStringList> pending_;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };
using TLBGetDataEvent = std::function<void(TWinControl* control, int index, std::string& data)>;
using TLBGetDataObjectEvent = std::function<void(TWinControl* control, int index, TObject*& dataObject)>;
using TLBFindDataEvent = std::function<int(TWinControl* control, const std::string& findString)>;

class TCustomListBox;

class TListBoxStrings : public TControlStrings {
  FANO_CLASS(TListBoxStrings)
 public:
  explicit TListBoxStrings(TCustomListBox* listBox);
  int IndexOf(std::string_view s) const override;

 protected:
  std::string Get(int index) const override;
  int GetCount() const override;
  TObject* GetObject(int index) const override;

 private:
  TCustomListBox* listBox_;
};

class TCustomListBox : public TWinControl {
  FANO_CLASS(TCustomListBox)
 public:
  explicit TCustomListBox(TComponent* owner);
  ~TCustomListBox() override;

  TStrings* Items() const noexcept { return items_.get(); }
  void SetItems(TStrings* v) { items_->Assign(v); }
  // The selected item (the focus item of a multi-selection list); -1 for none.
  int ItemIndex() const;
  void SetItemIndex(int v);
  int TopIndex() const;
  void SetTopIndex(int v);
  // The number of items; settable for the virtual styles.
  int Count() const { return items_->Count(); }
  void SetCount(int v);
  TListBoxStyle Style() const noexcept { return style_; }
  void SetStyle(TListBoxStyle v);
  int ItemHeight() const;
  void SetItemHeight(int v);
  bool Sorted() const noexcept { return sorted_; }
  void SetSorted(bool v);
  bool MultiSelect() const noexcept { return multiSelect_; }
  void SetMultiSelect(bool v);
  bool ExtendedSelect() const noexcept { return extendedSelect_; }
  void SetExtendedSelect(bool v);
  bool IntegralHeight() const noexcept { return integralHeight_; }
  void SetIntegralHeight(bool v);
  int Columns() const noexcept { return columns_; }
  void SetColumns(int v);
  int TabWidth() const noexcept { return tabWidth_; }
  void SetTabWidth(int v);
  TBorderStyle BorderStyle() const noexcept { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  bool AutoComplete() const noexcept { return autoComplete_; }
  void SetAutoComplete(bool v) noexcept { autoComplete_ = v; }
  bool Selected(int index) const;
  void SetSelected(int index, bool v);
  int SelCount() const;
  TCanvas* Canvas() const noexcept { return canvas_.get(); }
  bool IsVirtual() const noexcept { return style_ == lbVirtual || style_ == lbVirtualOwnerDraw; }

  // The item at a client point; -1 outside the items (Count for a point below the last item when
  // existing is false).
  int ItemAtPos(const TPoint& pos, bool existing);
  TRect ItemRect(int index);
  void Clear();
  void ClearSelection();
  void SelectAll();
  void DeleteSelected();

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  TLBGetDataEvent OnData;
  TLBGetDataObjectEvent OnDataObject;
  TLBFindDataEvent OnDataFind;

  void Dispatch(TMessage& m) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void KeyPress(TKeyChar& key) override;

  std::string DoGetData(int index);
  TObject* DoGetDataObject(int index);
  int DoFindData(const std::string& data);

 protected:
  virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
  virtual void MeasureItem(int index, int& height);

 private:
  std::unique_ptr<TListBoxStrings> items_;
  std::unique_ptr<TControlCanvas> canvas_;
  TListBoxStyle style_ = lbStandard;
  TBorderStyle borderStyle_ = bsSingle;
  int itemHeight_ = 16;
  int columns_ = 0;
  int tabWidth_ = 0;
  bool sorted_ = false;
  bool multiSelect_ = false;
  bool extendedSelect_ = true;
  bool integralHeight_ = false;
  bool autoComplete_ = true;
  int count_ = 0;  // the virtual styles
  int savedIndex_ = -1;
  int savedTop_ = 0;
  std::string filter_;
  DWORD lastKeyTime_ = 0;
};

class TListBox : public TCustomListBox {
  FANO_CLASS(TListBox)
 public:
  explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
};

// ---- combo boxes --------------------------------------------------------------------------------

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox;

class TComboBoxStrings : public TControlStrings {
  FANO_CLASS(TComboBoxStrings)
 public:
  explicit TComboBoxStrings(TCustomComboBox* comboBox);
  // Keeps the text shown.
  void Clear() override;

 private:
  TCustomComboBox* comboBox_;
};

class TCustomComboBox : public TWinControl {
  FANO_CLASS(TCustomComboBox)
 public:
  explicit TCustomComboBox(TComponent* owner);
  ~TCustomComboBox() override;

  TStrings* Items() const noexcept { return items_.get(); }
  void SetItems(TStrings* v) { items_->Assign(v); }
  int ItemIndex() const;
  void SetItemIndex(int v);
  TComboBoxStyle Style() const noexcept { return style_; }
  void SetStyle(TComboBoxStyle v);
  int DropDownCount() const noexcept { return dropDownCount_; }
  void SetDropDownCount(int v);
  int ItemHeight() const;
  void SetItemHeight(int v);
  bool Sorted() const noexcept { return sorted_; }
  void SetSorted(bool v);
  int MaxLength() const noexcept { return maxLength_; }
  void SetMaxLength(int v);
  TEditCharCase CharCase() const noexcept { return charCase_; }
  void SetCharCase(TEditCharCase v);
  bool DroppedDown() const;
  void SetDroppedDown(bool v);
  int SelStart() const;
  void SetSelStart(int v);
  int SelLength() const;
  void SetSelLength(int v);
  std::string SelText() const;
  void SetSelText(std::string_view v);
  void SelectAll();
  void Clear();
  // The edit child (simple and drop-down styles) and the list window.
  HWND EditHandle() const noexcept { return editHandle_; }
  HWND ListHandle() const noexcept { return listHandle_; }
  TCanvas* Canvas() const noexcept { return canvas_.get(); }
  bool Focused() override;

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

  void Dispatch(TMessage& m) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;

 protected:
  virtual void Change();
  virtual void Select();
  virtual void DropDown();
  virtual void CloseUp();
  virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
  virtual void MeasureItem(int index, int& height);
  // Messages of the edit child (keys, focus), before the edit's own procedure.
  virtual void EditWndProc(TMessage& m);

 private:
  friend LRESULT ComboEditSubclassProc(HWND, UINT, WPARAM, LPARAM);
  std::unique_ptr<TComboBoxStrings> items_;
  std::unique_ptr<TControlCanvas> canvas_;
  TComboBoxStyle style_ = csDropDown;
  int dropDownCount_ = 8;
  int itemHeight_ = 16;
  int maxLength_ = 0;
  bool sorted_ = false;
  TEditCharCase charCase_ = ecNormal;
  HWND editHandle_ = nullptr;
  HWND listHandle_ = nullptr;
  WNDPROC defEditProc_ = nullptr;
  int savedIndex_ = -1;
};

class TComboBox : public TCustomComboBox {
  FANO_CLASS(TComboBox)
 public:
  explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
};

// ---- buttons --------------------------------------------------------------------------------------

// The base of the controls over the window system's button: clicks can be switched off while the
// control takes the focus from a mouse press.
class TButtonControl : public TWinControl {
  FANO_CLASS(TButtonControl)
 public:
  explicit TButtonControl(TComponent* owner);
  virtual bool Checked() const { return false; }
  virtual void SetChecked(bool) {}
  void WndProc(TMessage& m) override;

 protected:
  bool ClicksDisabled() const noexcept { return clicksDisabled_; }
  void SetClicksDisabled(bool v) noexcept { clicksDisabled_ = v; }

 private:
  bool clicksDisabled_ = false;
};

class TButton : public TButtonControl {
  FANO_CLASS(TButton)
 public:
  explicit TButton(TComponent* owner);
  // Enter presses it (when no other button has the focus).
  bool Default() const noexcept { return default_; }
  void SetDefault(bool v);
  // Escape presses it.
  bool Cancel() const noexcept { return cancel_; }
  void SetCancel(bool v) noexcept { cancel_ = v; }
  TModalResult ModalResult() const noexcept { return modalResult_; }
  void SetModalResult(TModalResult v) noexcept { modalResult_ = v; }
  void Click() override;
  void Dispatch(TMessage& m) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  void SetButtonStyle(bool isDefault);
  bool default_ = false;
  bool cancel_ = false;
  bool active_ = false;
  TModalResult modalResult_ = mrNone;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TButtonControl {
  FANO_CLASS(TCustomCheckBox)
 public:
  explicit TCustomCheckBox(TComponent* owner);
  // taLeftJustify puts the caption left of the box; taRightJustify (the default) right of it.
  TAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(TAlignment v);
  bool AllowGrayed() const noexcept { return allowGrayed_; }
  void SetAllowGrayed(bool v) noexcept { allowGrayed_ = v; }
  TCheckBoxState State() const noexcept { return state_; }
  // A change sends BM_SETCHECK and clicks (unless clicks are off).
  void SetState(TCheckBoxState v);
  bool Checked() const override { return state_ == cbChecked; }
  void SetChecked(bool v) override { SetState(v ? cbChecked : cbUnchecked); }
  void Click() override;
  void Dispatch(TMessage& m) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 protected:
  virtual void Toggle();

 private:
  TAlignment alignment_ = taRightJustify;
  bool allowGrayed_ = false;
  TCheckBoxState state_ = cbUnchecked;
};

class TCheckBox : public TCustomCheckBox {
  FANO_CLASS(TCheckBox)
 public:
  explicit TCheckBox(TComponent* owner) : TCustomCheckBox(owner) {}
};

// ---- scroll bar ---------------------------------------------------------------------------------

enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
using TScrollEvent = std::function<void(TObject* sender, TScrollCode scrollCode, int& scrollPos)>;

class TScrollBar : public TWinControl {
  FANO_CLASS(TScrollBar)
 public:
  explicit TScrollBar(TComponent* owner);
  TScrollBarKind Kind() const noexcept { return kind_; }
  void SetKind(TScrollBarKind v);
  int Min() const noexcept { return min_; }
  void SetMin(int v) { SetParams(position_, v, max_); }
  int Max() const noexcept { return max_; }
  void SetMax(int v) { SetParams(position_, min_, v); }
  int Position() const noexcept { return position_; }
  void SetPosition(int v) { SetParams(v, min_, max_); }
  int PageSize() const noexcept { return pageSize_; }
  void SetPageSize(int v);
  int SmallChange() const noexcept { return smallChange_; }
  void SetSmallChange(int v) noexcept { smallChange_ = v; }
  int LargeChange() const noexcept { return largeChange_; }
  void SetLargeChange(int v) noexcept { largeChange_ = v; }
  // Raises EInvalidOperation "Scrollbar property out of range" for a position outside min..max.
  void SetParams(int position, int min, int max);
  TNotifyEvent OnChange;
  TScrollEvent OnScroll;
  void Dispatch(TMessage& m) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 protected:
  virtual void Change();
  virtual void Scroll(TScrollCode code, int& pos);

 private:
  void DoScroll(TMessage& m);
  TScrollBarKind kind_ = sbHorizontal;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int pageSize_ = 0;
  int smallChange_ = 1;
  int largeChange_ = 1;
};

// ---- label ----------------------------------------------------------------------------------------

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
  FANO_CLASS(TCustomLabel)
 public:
  explicit TCustomLabel(TComponent* owner);
  TAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(TAlignment v);
  void SetAutoSize(bool v) override;
  TTextLayout Layout() const noexcept { return layout_; }
  void SetLayout(TTextLayout v);
  bool WordWrap() const noexcept { return wordWrap_; }
  void SetWordWrap(bool v);
  bool Transparent() const;
  void SetTransparent(bool v);
  bool ShowAccelChar() const noexcept { return showAccelChar_; }
  void SetShowAccelChar(bool v);
  TWinControl* FocusControl() const noexcept { return focusControl_; }
  void SetFocusControl(TWinControl* v);
  void Notification(TComponent* component, TOperation operation) override;
  void Dispatch(TMessage& m) override;
  void Loaded() override;

 protected:
  void Paint() override;
  // Draws the caption with the DrawText flags (DT_CALCRECT measures only).
  virtual void DoDrawText(TRect& rect, UINT flags);
  virtual std::string GetLabelText() const { return Caption(); }
  // The size follows the caption (the width too unless it wraps).
  void AdjustBounds();

 private:
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
  FANO_CLASS(TLabel)
 public:
  explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

// Published properties and class registration of the standard controls.
void RegisterStdCtrlsClasses();
