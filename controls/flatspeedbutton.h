#pragma once
// TFlatSpeedButton: a windowless flat button with a glyph of up to four cells (up, disabled, down,
// held down), a caption, groups of which one button stays down, hover colours and three
// transparency modes. The class shares one hover timer among its instances.
//
//   auto* close = new TFlatSpeedButton(form);
//   close->SetParent(titlePanel);
//   close->SetGlyph(&closeBitmap);   // 64 x 16: four cells
//   close->OnClick = [](TObject*) { ... };
#include <memory>

#include "controls/flathover.h"
#include "controls/flatutilitys.h"

class TFlatSpeedButton : public TGraphicControl {
  FANO_CLASS(TFlatSpeedButton)
 public:
  explicit TFlatSpeedButton(TComponent* owner);
  ~TFlatSpeedButton() override;

  FlatUtilitys::TTransparentMode TransparentMode() const noexcept { return transparentMode_; }
  void SetTransparentMode(FlatUtilitys::TTransparentMode v);
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
  // Index 0 ColorFocused, 1 ColorDown, 2 ColorBorder, 3 ColorHighLight, 4 ColorShadow.
  TColor ColorFocused() const noexcept { return colors_[0]; }
  TColor ColorDown() const noexcept { return colors_[1]; }
  TColor ColorBorder() const noexcept { return colors_[2]; }
  TColor ColorHighLight() const noexcept { return colors_[3]; }
  TColor ColorShadow() const noexcept { return colors_[4]; }
  void SetColors(int index, TColor v);
  void SetColorFocused(TColor v) { SetColors(0, v); }
  void SetColorDown(TColor v) { SetColors(1, v); }
  void SetColorBorder(TColor v) { SetColors(2, v); }
  void SetColorHighLight(TColor v) { SetColors(3, v); }
  void SetColorShadow(TColor v) { SetColors(4, v); }
  TRect TextBounds() const noexcept { return textBounds_; }
  TPoint GlyphPos() const noexcept { return glyphPos_; }
  int NumGlyphs() const noexcept { return numGlyphs_; }
  void SetNumGlyphs(int v);
  TBitmap* Glyph() const noexcept { return glyph_.get(); }
  // A glyph whose width is a multiple of its height sets NumGlyphs (1 when more than 4 cells).
  void SetGlyph(TBitmap* v);
  int GroupIndex() const noexcept { return groupIndex_; }
  void SetGroupIndex(int v);
  bool Down() const noexcept { return down_; }
  void SetDown(bool v);
  bool Dragging() const noexcept { return dragging_; }
  bool AllowAllUp() const noexcept { return allowAllUp_; }
  void SetAllowAllUp(bool v);
  TButtonLayout Layout() const noexcept { return layout_; }
  void SetLayout(TButtonLayout v);
  int Spacing() const noexcept { return spacing_; }
  void SetSpacing(int v);
  // -1 or more; others are ignored.
  int Margin() const noexcept { return margin_; }
  void SetMargin(int v);
  bool MouseInControl() const noexcept { return mouseInControl_; }
  TModalResult ModalResult() const noexcept { return modalResult_; }
  void SetModalResult(TModalResult v) noexcept { modalResult_ = v; }
  TButtonState State() const noexcept { return state_; }

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  void Click() override;
  void Loaded() override;
  void Dispatch(TMessage& m) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

  static TFlatHoverTimer& SharedHover();
  // The glyph cell drawn for a state.
  int GlyphCell(TButtonState state) const;

 protected:
  void Paint() override;

 private:
  void UpdateExclusive();
  void CalcAdvColors();
  void DoMouseEnter();
  void DoMouseLeave();
  void UpdateTracking();
  // Makes this button the tracked one (the one tracked before hears it left).
  void StartTracking();
  FlatUtilitys::TTransparentMode transparentMode_ = FlatUtilitys::tmNone;
  bool useAdvColors_ = false;
  TAdvColors adv_[3] = {10, 10, 50};
  TRect textBounds_;
  TPoint glyphPos_;
  int numGlyphs_ = 1;
  TColor colors_[5] = {FlatFaceColor, FlatDownColor, FlatBorderColor, 0xFFFFFF, 0};
  int groupIndex_ = 0;
  std::unique_ptr<TBitmap> glyph_;
  bool down_ = false;
  bool dragging_ = false;
  bool allowAllUp_ = false;
  TButtonLayout layout_ = blGlyphTop;
  int spacing_ = 4;
  int margin_ = -1;
  bool mouseInControl_ = false;
  bool entered_ = false;  // OnMouseEnter ran and OnMouseLeave not yet
  TModalResult modalResult_ = mrNone;
  TButtonState state_ = bsUp;
};
