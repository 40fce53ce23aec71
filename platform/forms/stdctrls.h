#pragma once
// The standard controls of the class library over the window system's own controls: edits and
// memos ("EDIT"), list boxes ("LISTBOX"), combo boxes ("COMBOBOX"), buttons and check boxes
// ("BUTTON"), the scroll bar ("ScrollBar") and the windowless label.
//
// Character positions (SelStart, SelLength, CaretPos) are those of the edit control: byte offsets
// into the UTF-8 text that never fall inside a character. MaxLength counts what the text takes in
// code page 936.
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
// Works on any edit whose window is multi-line.
class TMemoStrings : public TStrings {
  FANO_CLASS(TMemoStrings)
 public:
  explicit TMemoStrings(TCustomEdit* memo) : memo_(memo) {}
  TCustomEdit* Memo() const noexcept { return memo_; }
  void Clear() override;
  void Delete(int index) override;
  void Insert(int index, std::string_view s) override;

 protected:
  std::string Get(int index) const override;
  int GetCount() const override;
  std::string GetTextStr() const override;
  void Put(int index, std::string_view s) override;
  // Raises EInvalidOperation "Text exceeds memo capacity" when the control refuses the text.
  void SetTextStr(std::string_view text) override;
  void SetUpdateState(bool updating) override;

 private:
  TCustomEdit* memo_;
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

// Published properties and class registration of the standard controls.
void RegisterStdCtrlsClasses();
