#pragma once
// TFlatCheckBox and TFlatRadioButton: owner-painted toggles with a flat 11 x 11 box (or circle),
// a caption beside it, hover and pressed colours, an optional transparent face, and radio groups
// among the radio buttons of one parent. Each class shares one hover timer among its instances.
//
//   auto* check = new TFlatCheckBox(form);
//   check->SetParent(panel);
//   check->SetCaption("已审核");
//   check->OnClick = [](TObject*) { ... };   // fires on every change of Checked
#include "controls/flathover.h"
#include "controls/flatutilitys.h"

// What the check box and the radio button share.
class TFlatToggleControl : public TCustomControl {
  FANO_CLASS(TFlatToggleControl)
 public:
  explicit TFlatToggleControl(TComponent* owner);

  bool UseAdvColors() const noexcept { return useAdvColors_; }
  void SetUseAdvColors(bool v);
  // Index 0 AdvColorFocused (lighter), 1 AdvColorDown, 2 AdvColorBorder (darker).
  TAdvColors AdvColorFocused() const noexcept { return adv_[0]; }
  TAdvColors AdvColorDown() const noexcept { return adv_[1]; }
  TAdvColors AdvColorBorder() const noexcept { return adv_[2]; }
  void SetAdvColors(int index, TAdvColors v);
  void SetAdvColorFocused(TAdvColors v) { SetAdvColors(0, v); }
  void SetAdvColorDown(TAdvColors v) { SetAdvColors(1, v); }
  void SetAdvColorBorder(TAdvColors v) { SetAdvColors(2, v); }
  // Index 0 ColorFocused, 1 ColorDown, 2 ColorCheck (the dot of a radio button), 3 ColorBorder.
  TColor ColorFocused() const noexcept { return colors_[0]; }
  TColor ColorDown() const noexcept { return colors_[1]; }
  TColor ColorBorder() const noexcept { return colors_[3]; }
  void SetColors(int index, TColor v);
  void SetColorFocused(TColor v) { SetColors(0, v); }
  void SetColorDown(TColor v) { SetColors(1, v); }
  void SetColorBorder(TColor v) { SetColors(3, v); }
  bool Transparent() const noexcept { return transparent_; }
  void SetTransparent(bool v);
  bool Checked() const noexcept { return checked_; }
  virtual void SetChecked(bool v) = 0;
  bool MouseInControl() const noexcept { return mouseInControl_; }
  bool MouseIsDown() const noexcept { return mouseIsDown_; }
  bool IsFocused() const noexcept { return focused_; }
  // Box on the right of the caption.
  bool BoxRight() const noexcept { return boxRight_; }

  void Dispatch(TMessage& m) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 protected:
  virtual TFlatHoverTimer& Hover() const = 0;
  // The box (or circle) with its mark.
  virtual void DrawGlyph() = 0;
  // The box's rectangle in client coordinates.
  virtual TRect GlyphRect() = 0;
  // Where the dotted focus frame goes: round the caption, or round the box of a control without
  // one (client coordinates).
  TRect FocusRect();
  void DrawFocus();
  // A left button released at (x, y) after a press on the control.
  virtual void Released(int x, int y) = 0;
  // The caption's accelerator was typed.
  virtual void Accelerated() = 0;
  // The fill of the box for the state.
  TColor FillColor() const;
  void Paint() override;
  void DrawCaption();
  void CalcAdvColors();
  void MouseEnter();
  void MouseLeave();
  void SetBoxRight(bool v);
  void ReleaseHover();

  bool useAdvColors_ = false;
  TAdvColors adv_[3] = {10, 10, 50};
  TColor colors_[4] = {FlatFocusedColor, FlatDownColor, 0, FlatBorderColor};
  bool transparent_ = false;
  bool checked_ = false;
  bool mouseInControl_ = false;
  bool mouseIsDown_ = false;
  bool focused_ = false;
  bool boxRight_ = false;
};

class TFlatCheckBox : public TFlatToggleControl {
  FANO_CLASS(TFlatCheckBox)
 public:
  explicit TFlatCheckBox(TComponent* owner);
  ~TFlatCheckBox() override;

  // A change clicks (OnClick), either way; setting the current value does nothing.
  void SetChecked(bool v) override;
  TCheckBoxLayout Layout() const noexcept { return BoxRight() ? checkboxRight : checkboxLeft; }
  void SetLayout(TCheckBoxLayout v) { SetBoxRight(v == checkboxRight); }
  TColor ColorCheck() const noexcept { return colors_[2]; }
  void SetColorCheck(TColor v) { SetColors(2, v); }
  void CreateWnd() override;
  // A space toggles the focused box.
  void KeyPress(TKeyChar& key) override;

  // The class's shared hover timer.
  static TFlatHoverTimer& SharedHover();

 protected:
  TFlatHoverTimer& Hover() const override { return SharedHover(); }
  void DrawGlyph() override;
  TRect GlyphRect() override;
  void Released(int x, int y) override;
  void Accelerated() override;
};

class TFlatRadioButton : public TFlatToggleControl {
  FANO_CLASS(TFlatRadioButton)
 public:
  explicit TFlatRadioButton(TComponent* owner);
  ~TFlatRadioButton() override;

  // Checking unchecks the radio buttons of the same parent and GroupIndex, then clicks;
  // unchecking does not click.
  void SetChecked(bool v) override;
  int GroupIndex() const noexcept { return groupIndex_; }
  void SetGroupIndex(int v) { groupIndex_ = v; }
  TRadioButtonLayout Layout() const noexcept { return BoxRight() ? radioRight : radioLeft; }
  void SetLayout(TRadioButtonLayout v) { SetBoxRight(v == radioRight); }
  TColor ColorDot() const noexcept { return colors_[2]; }
  void SetColorDot(TColor v) { SetColors(2, v); }
  void Dispatch(TMessage& m) override;

  static TFlatHoverTimer& SharedHover();

 protected:
  TFlatHoverTimer& Hover() const override { return SharedHover(); }
  void DrawGlyph() override;
  TRect GlyphRect() override;
  void Released(int x, int y) override;
  void Accelerated() override;

 private:
  int groupIndex_ = 0;
};
