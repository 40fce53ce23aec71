#pragma once
// The data-aware check box: maps a field (a Boolean one, or any field whose text is compared with
// the lists ValueChecked and ValueUnchecked) or a value of its own to checked, unchecked and
// grayed, writes the state back, and draws its box and caption itself, flat with a hover look if
// asked.
//
//   auto* box = new TDBCheckBoxGx(form);
//   box->SetDataSource(dsMain);
//   box->SetDataField("BILDA009");
//   box->SetValueChecked("Y;Yes");          // "yes" shows checked; checking stores "Y"
//   box->SetValueUnchecked("N;");           // an empty text shows unchecked
#include <memory>
#include <string>

#include "editors/dbeditbase.h"
#include "platform/forms/stdctrls.h"

class TCustomDBCheckBoxGx : public TButtonControl {
  FANO_CLASS(TCustomDBCheckBoxGx)
 public:
  explicit TCustomDBCheckBoxGx(TComponent* owner);
  ~TCustomDBCheckBoxGx() override;

  TFieldDataLinkGx* DataLink() const noexcept { return dataLink_.get(); }
  TField* Field() const { return dataLink_->Field(); }
  std::string DataField() const { return dataLink_->FieldName(); }
  void SetDataField(const std::string& value) { dataLink_->SetFieldName(value); }
  TDataSource* DataSource() const { return dataLink_->DataSource(); }
  void SetDataSource(TDataSource* value);
  bool ReadOnly() const { return dataLink_->ReadOnly(); }
  void SetReadOnly(bool value) { dataLink_->SetReadOnly(value); }
  const std::string& ValueChecked() const noexcept { return valueChecked_; }
  void SetValueChecked(const std::string& value);
  const std::string& ValueUnchecked() const noexcept { return valueUnchecked_; }
  void SetValueUnchecked(const std::string& value);
  // taRightJustify: the caption right of the box (the default); taLeftJustify: left of it.
  TAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(TAlignment value);
  bool AllowGrayed() const noexcept { return allowGrayed_; }
  void SetAllowGrayed(bool value) noexcept { allowGrayed_ = value; }
  bool AlwaysShowBorder() const noexcept { return alwaysShowBorder_; }
  void SetAlwaysShowBorder(bool value);
  bool Flat() const noexcept { return flat_; }
  void SetFlat(bool value);
  TCheckBoxState State() const noexcept { return state_; }
  // Bound: the dataset goes into edit state and the field is written at once.
  void SetState(TCheckBoxState value);
  bool Checked() const override { return state_ == cbChecked; }
  void SetChecked(bool value) override { SetState(value ? cbChecked : cbUnchecked); }
  bool IsStateStored() const { return IsDataIndependent() && state_ != cbUnchecked; }
  bool Modified() const noexcept { return modified_; }
  bool Hot() const noexcept { return hot_; }
  // The state the field (or the own value) stands for.
  TCheckBoxState GetFieldState() const;

  TUpdateDataEventGx OnUpdateData;

  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& m) override;
  void KeyPress(TKeyChar& key) override;
  void Notification(TComponent* component, TOperation operation) override;

  virtual void DrawState(TCanvas* canvas);
  virtual bool IsDataIndependent() const { return dataLink_->DataIndependent(); }
  virtual void DrawCaption(TCanvas* canvas, const TRect& rect);
  virtual void DrawCheck(TCanvas* canvas, const TRect& rect, TCheckBoxState state, bool hot);
  virtual void DrawBoxAndCaption(TCanvas* canvas, TCheckBoxState state, bool hot);
  virtual void InternalSetState(TCheckBoxState value);
  virtual void UpdateFieldData();
  virtual void Toggle();
  virtual void UpdateData();

  // Whether the text is one of the ";"-separated entries (ignoring case); an empty text matches a
  // list that ends with ";".
  static bool ValueMatch(const std::string& list, const std::string& text);

 private:
  void DataChange();
  bool Pressed() const;
  std::unique_ptr<TFieldDataLinkGx> dataLink_;
  std::string valueChecked_ = "True";
  std::string valueUnchecked_ = "False";
  TAlignment alignment_ = taRightJustify;
  bool allowGrayed_ = false;
  bool alwaysShowBorder_ = false;
  bool modified_ = false;
  bool hot_ = false;
  bool flat_ = false;
  TCheckBoxState state_ = cbUnchecked;
  bool inUpdate_ = false;
  bool spacePressed_ = false;
};

class TDBCheckBoxGx : public TCustomDBCheckBoxGx {
  FANO_CLASS(TDBCheckBoxGx)
 public:
  explicit TDBCheckBoxGx(TComponent* owner) : TCustomDBCheckBoxGx(owner) {}
};

void RegisterDBCheckBoxClasses();
