#pragma once
// The flat edit family: TFlatEdit, TFlatMemo and TFlatMaskEdit. Each drops the native 3-D border,
// keeps a 3-pixel frame outside its client area and paints it itself in one of two looks: flat
// (ColorBorder outside, ColorFlat inside and as the body colour) or focused (ColorFocused inside
// and as the body colour) while focused, or hovered while no control of the same class holds the
// focus. With UseAdvColors the focused and border colours are shades of ColorFlat.
//
//   auto* edit = new TFlatEdit(form);
//   edit->SetParent(panel);      // ColorFlat follows the panel's Color (ParentColor)
//   edit->SetColorFlat(0xF0F8F8);  // and no longer does
#include "controls/flatutilitys.h"
#include "platform/forms/mask.h"
#include "platform/forms/stdctrls.h"

// The frame, colours and hover rule of the family over one of the edit classes.
template <class Base>
class TFlatEditFrame : public Base {
 public:
  explicit TFlatEditFrame(TComponent* owner);

  bool UseAdvColors() const noexcept { return useAdvColors_; }
  void SetUseAdvColors(bool v);
  // Index 0 AdvColorFocused (lighter), 1 AdvColorBorder (darker).
  TAdvColors AdvColorFocused() const noexcept { return adv_[0]; }
  TAdvColors AdvColorBorder() const noexcept { return adv_[1]; }
  void SetAdvColors(int index, TAdvColors v);
  void SetAdvColorFocused(TAdvColors v) { SetAdvColors(0, v); }
  void SetAdvColorBorder(TAdvColors v) { SetAdvColors(1, v); }
  // The control's own flag (not the platform's parent colour): ColorFlat follows the parent.
  bool ParentColor() const noexcept { return parentColor_; }
  void SetParentColor(bool v);
  // Index 0 ColorFocused, 1 ColorBorder, 2 ColorFlat (which clears ParentColor).
  TColor ColorFocused() const noexcept { return colors_[0]; }
  TColor ColorBorder() const noexcept { return colors_[1]; }
  TColor ColorFlat() const noexcept { return colors_[2]; }
  void SetColors(int index, TColor v);
  void SetColorFocused(TColor v) { SetColors(0, v); }
  void SetColorBorder(TColor v) { SetColors(1, v); }
  void SetColorFlat(TColor v) { SetColors(2, v); }
  bool MouseInControl() const noexcept { return mouseInControl_; }
  // What the parent or the adv shades give is not written to resources.
  bool IsColorFlatStored() const noexcept { return !parentColor_; }
  bool AreAdvShadesStored() const noexcept { return !useAdvColors_; }
  // True when the focused look is drawn now.
  bool FocusedLook() const;

  void RedrawBorder();
  void Dispatch(TMessage& m) override;
  void Loaded() override;

 protected:
  // The class whose focused instance keeps a hovered one flat.
  virtual TClass HoverClass() const = 0;
  // Height follows the font (text height + 6).
  virtual bool AdjustsHeight() const { return true; }
  void AdjustFlatHeight();
  void CalcAdvColors();

 private:
  bool useAdvColors_ = false;
  TAdvColors adv_[2] = {10, 50};
  bool parentColor_ = true;
  TColor colors_[3] = {FlatFocusedColor, FlatBorderColor, FlatFaceColor};
  bool mouseInControl_ = false;
};

class TCustomFlatEdit : public TFlatEditFrame<TCustomEdit> {
  FANO_CLASS(TCustomFlatEdit)
 public:
  explicit TCustomFlatEdit(TComponent* owner);

 protected:
  TClass HoverClass() const override;
};

class TFlatEdit : public TCustomFlatEdit {
  FANO_CLASS(TFlatEdit)
 public:
  explicit TFlatEdit(TComponent* owner) : TCustomFlatEdit(owner) {}
};

class TFlatMemo : public TFlatEditFrame<TCustomMemo> {
  FANO_CLASS(TFlatMemo)
 public:
  explicit TFlatMemo(TComponent* owner);

 protected:
  TClass HoverClass() const override { return TFlatMemo::StaticClass(); }
  bool AdjustsHeight() const override { return false; }
};

using TValidateEvent = std::function<void(TObject* sender, bool& valid)>;

class TFlatMaskEdit : public TFlatEditFrame<TCustomMaskEdit> {
  FANO_CLASS(TFlatMaskEdit)
 public:
  explicit TFlatMaskEdit(TComponent* owner);
  // Published for forms that assign it; the control itself never raises it.
  TValidateEvent OnValidate;

 protected:
  TClass HoverClass() const override { return TFlatMaskEdit::StaticClass(); }
};
