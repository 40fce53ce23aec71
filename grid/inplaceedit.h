#pragma once
// The base grid's in-place editor: a borderless single-line masked edit that the grid lays over
// its current cell in editor mode. It loads its text, mask and length limit from the grid, never
// writes into the grid itself (the grid reads the text back on every change and when it hides
// the editor), and hands the navigation keys back to the grid, so that moving between cells works
// from inside the editor as from the grid.
#include <cstdint>

#include "platform/forms/mask.h"

class TCustomGridGx;

class TInplaceEdit : public TCustomMaskEdit {
  FANO_CLASS(TInplaceEdit)
 public:
  explicit TInplaceEdit(TComponent* owner);

  TCustomGridGx* Grid() const noexcept { return grid_; }
  void SetGrid(TCustomGridGx* grid) noexcept { grid_ = grid; }
  uint32_t ClickTime() const noexcept { return clickTime_; }
  void SetClickTime(uint32_t value) noexcept { clickTime_ = value; }
  // The length limit the grid gave at the last load (-1: the cell may not be modified).
  int EditLimit() const noexcept { return editLimit_; }

  // Shows the editor over the rectangle (an empty one hides it); UpdateLoc does not redraw a
  // window that is already visible.
  void Move(const TRect& loc);
  void UpdateLoc(const TRect& loc);
  // Hides the window without repainting the grid under it; the grid takes the focus back.
  void Hide();
  bool GetVisible() const;
  void SetFocus() override;
  // Repaints the editor and keeps the grid from painting the cell under it.
  void Invalidate() override;
  // Caret at the end, nothing selected.
  void Deselect();
  virtual void BoundsChanged();
  // Reloads text, mask and limit from the grid's current cell.
  virtual void UpdateContents();
  bool EditCanModify() override;

  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyPress(TKeyChar& key) override;
  void KeyUp(uint16_t& key, TShiftState shift) override;
  void DblClick() override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, const TPoint& mousePos) override;
  void WndProc(TMessage& message) override;
  void Dispatch(TMessage& message) override;
  void CreateParams(TCreateParams& params) override;

 protected:
  void InternalMove(const TRect& loc, bool redraw);

 private:
  TCustomGridGx* grid_ = nullptr;
  uint32_t clickTime_ = 0;
  int editLimit_ = 0;
};
