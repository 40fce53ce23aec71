#pragma once
// TFlatComboBox: a combo box that paints its own flat frame and a narrow drop-down button with a
// triangle over the native control, redraws the frame when the focus moves, and colours its list
// with its own Color.
//
//   auto* combo = new TFlatComboBox(form);
//   combo->SetParent(panel);
//   combo->Items()->Add("人民币");
//   combo->SetColorArrow(clNavy);
#include "controls/flatutilitys.h"
#include "platform/forms/stdctrls.h"

class TFlatComboBox : public TCustomComboBox {
  FANO_CLASS(TFlatComboBox)
 public:
  explicit TFlatComboBox(TComponent* owner);
  ~TFlatComboBox() override;

  // Index 0 ColorArrow, 1 ColorArrowBackground, 2 ColorBorder.
  TColor ColorArrow() const noexcept { return colors_[0]; }
  TColor ColorArrowBackground() const noexcept { return colors_[1]; }
  TColor ColorBorder() const noexcept { return colors_[2]; }
  void SetColors(int index, TColor v);
  void SetColorArrow(TColor v) { SetColors(0, v); }
  void SetColorArrowBackground(TColor v) { SetColors(1, v); }
  void SetColorBorder(TColor v) { SetColors(2, v); }
  bool UseAdvColors() const noexcept { return useAdvColors_; }
  void SetUseAdvColors(bool v);
  // Index 0 AdvColorBorder, 1 AdvColorArrowBackground (both darker shades of the parent's Color).
  TAdvColors AdvColorBorder() const noexcept { return adv_[0]; }
  TAdvColors AdvColorArrowBackground() const noexcept { return adv_[1]; }
  void SetAdvColors(int index, TAdvColors v);
  void SetAdvColorBorder(TAdvColors v) { SetAdvColors(0, v); }
  void SetAdvColorArrowBackground(TAdvColors v) { SetAdvColors(1, v); }
  int ButtonWidth() const noexcept { return buttonWidth_; }
  bool FlatFocused() const noexcept { return focused_; }

  // The drawn button's rectangle in window coordinates.
  TRect ButtonRect() const;
  void RedrawBorders();
  void Dispatch(TMessage& m) override;

 protected:
  void EditWndProc(TMessage& m) override;
  void CreateWnd() override;

 private:
  void DrawButton(HDC dc);
  void DrawSelectionStrip();
  // focus: the window that has (or is getting) the focus.
  void UpdateFocus(HWND focus);
  void CalcAdvColors();
  void SizeEditChild();
  bool ListStyle() const { return Style() != csDropDown && Style() != csSimple; }
  void RepaintFrame();
  TColor colors_[3] = {0, FlatDownColor, FlatBorderColor};
  bool useAdvColors_ = false;
  TAdvColors adv_[2] = {50, 10};
  int buttonWidth_ = 11;
  int sysBtnWidth_ = 0;
  bool focused_ = false;
  // The list's background brush, made once per colour and freed with the control.
  HBRUSH listBrush_ = nullptr;
  TColor listBrushColor_ = clNone;
};
