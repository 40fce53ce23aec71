#pragma once
// The speed button: a windowless button with a glyph of up to four cells (up, disabled, down,
// held down), a caption, groups of buttons of which one stays down, a flat look that rises under
// the mouse, and a transparent face.
#include <memory>

#include "platform/forms/controls.h"
#include "platform/forms/graphics.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using TNumGlyphs = int;  // 1..4

// Where the glyph and the caption go inside a button's rectangle (Margin -1 centres them; Spacing
// -1 spreads them evenly).
void CalcButtonLayout(TCanvas* canvas, const TRect& client, const TPoint& offset, const std::string& caption,
                      TButtonLayout layout, int margin, int spacing, const TSize& glyphSize, TPoint& glyphPos,
                      TRect& textBounds);

class TSpeedButton : public TGraphicControl {
  FANO_CLASS(TSpeedButton)
 public:
  explicit TSpeedButton(TComponent* owner);
  ~TSpeedButton() override;

  bool AllowAllUp() const noexcept { return allowAllUp_; }
  void SetAllowAllUp(bool v);
  int GroupIndex() const noexcept { return groupIndex_; }
  void SetGroupIndex(int v);
  // Stays down only in a group; a down button of a group without AllowAllUp cannot be released.
  bool Down() const noexcept { return down_; }
  void SetDown(bool v);
  bool Flat() const noexcept { return flat_; }
  void SetFlat(bool v);
  TBitmap* Glyph() const noexcept { return glyph_.get(); }
  // A glyph whose width is a multiple of its height (up to 4 times) sets NumGlyphs.
  void SetGlyph(TBitmap* v);
  TNumGlyphs NumGlyphs() const noexcept { return numGlyphs_; }
  void SetNumGlyphs(TNumGlyphs v);
  TButtonLayout Layout() const noexcept { return layout_; }
  void SetLayout(TButtonLayout v);
  int Margin() const noexcept { return margin_; }
  void SetMargin(int v);
  int Spacing() const noexcept { return spacing_; }
  void SetSpacing(int v);
  bool Transparent() const noexcept { return transparent_; }
  void SetTransparent(bool v);
  bool MouseInControl() const noexcept { return mouseInControl_; }
  TButtonState State() const noexcept { return state_; }

  void Click() override;
  void Dispatch(TMessage& m) override;
  void Loaded() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 protected:
  void Paint() override;
  void SetState(TButtonState v) noexcept { state_ = v; }
  bool Dragging() const noexcept { return dragging_; }
  // Tells the other buttons of the group (CM_BUTTONPRESSED).
  void UpdateExclusive();
  // The glyph cell for the state (the up cell stands in for a missing one; one glyph is greyed
  // for the disabled state).
  void DrawGlyph(TCanvas* canvas, const TPoint& pos, TButtonState state);

 private:
  void UpdateTracking();
  std::unique_ptr<TBitmap> glyph_;
  int groupIndex_ = 0;
  bool down_ = false;
  bool dragging_ = false;
  bool allowAllUp_ = false;
  bool flat_ = false;
  bool transparent_ = true;
  bool mouseInControl_ = false;
  TNumGlyphs numGlyphs_ = 1;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  TButtonState state_ = bsUp;
};

void RegisterButtonsClasses();
