#pragma once
// TCvLabel: a label that can draw a line under itself, from x = 1 to LineLength on its bottom row,
// in LineColor, LineWeight and LineStyle. The form framework recolours the line from the host's
// colour scheme.
//
//   auto* label = new TCvLabel(form);
//   label->SetCaption("单据编号");
//   label->SetShowLine(true);
//   label->SetLineColor(clNavy);
#include "platform/forms/stdctrls.h"

class TCvLabel : public TLabel {
  FANO_CLASS(TCvLabel)
 public:
  explicit TCvLabel(TComponent* owner);

  bool ShowLine() const noexcept { return showLine_; }
  void SetShowLine(bool v);
  // Below 1 becomes 1.
  int LineWeight() const noexcept { return lineWeight_; }
  void SetLineWeight(int v);
  TColor LineColor() const noexcept { return lineColor_; }
  void SetLineColor(TColor v);
  // Below 1 becomes the label's width at that moment (kept when the label is resized later).
  int LineLength() const noexcept { return lineLength_; }
  void SetLineLength(int v);
  // Stored; the line does not move by it.
  int LineSpace() const noexcept { return lineSpace_; }
  void SetLineSpace(int v);
  TPenStyle LineStyle() const noexcept { return lineStyle_; }
  void SetLineStyle(TPenStyle v);

 protected:
  void Paint() override;

 private:
  template <class T>
  void Change(T& field, const T& v) {
    if (field == v) return;
    field = v;
    Invalidate();
  }
  bool showLine_ = false;
  int lineWeight_ = 1;
  TColor lineColor_ = 0xFFFFFF;
  int lineLength_ = 0;
  int lineSpace_ = 2;
  TPenStyle lineStyle_ = psSolid;
};
