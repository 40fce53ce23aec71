#pragma once
// TFlatPanel: a container with a one-pixel two-colour frame and, with CvCaptionPosition
// cpLeftTop, a gradient caption bar at its top-left corner (its end cut slanted and underlined
// with CvShowLine). The face is composed off-screen and copied once.
//
//   auto* header = new TFlatPanel(form);
//   header->SetParent(form);
//   header->SetCaption("费用垫付单");
//   header->SetCvCaptionPosition(cpLeftTop);
//   header->SetCvCaptionColor(0xF0D0B0);
//   header->SetCvCaptionColorTo(clWhite);
#include <memory>

#include "controls/flatutilitys.h"
#include "platform/forms/extctrls.h"

enum TCvCaptionPosition { cpNone, cpLeftTop };

class TFlatPanel : public TCustomPanel {
  FANO_CLASS(TFlatPanel)
 public:
  explicit TFlatPanel(TComponent* owner);
  ~TFlatPanel() override;

  bool Transparent() const noexcept { return transparent_; }
  void SetTransparent(bool v);
  // Index 0 ColorHighLight (top-left), 1 ColorShadow (bottom-right and the caption line).
  TColor ColorHighLight() const noexcept { return colors_[0]; }
  TColor ColorShadow() const noexcept { return colors_[1]; }
  void SetColors(int index, TColor v);
  void SetColorHighLight(TColor v) { SetColors(0, v); }
  void SetColorShadow(TColor v) { SetColors(1, v); }
  TCvCaptionPosition CvCaptionPosition() const noexcept { return captionPosition_; }
  void SetCvCaptionPosition(TCvCaptionPosition v);
  bool CvShowLine() const noexcept { return showLine_; }
  void SetCvShowLine(bool v);
  int CvMarginTop() const noexcept { return marginTop_; }
  void SetCvMarginTop(int v);
  int CvMarginLeft() const noexcept { return marginLeft_; }
  void SetCvMarginLeft(int v);
  int CvMarginRight() const noexcept { return marginRight_; }
  void SetCvMarginRight(int v);
  int CvMarginBottom() const noexcept { return marginBottom_; }
  void SetCvMarginBottom(int v);
  TFont* CvCaptionFont() const noexcept { return captionFont_.get(); }
  void SetCvCaptionFont(TFont* v) { captionFont_->Assign(v); }
  TColor CvCaptionColor() const noexcept { return captionColor_; }
  void SetCvCaptionColor(TColor v);
  TColor CvCaptionColorTo() const noexcept { return captionColorTo_; }
  void SetCvCaptionColorTo(TColor v);
  bool CvVerticalGradient() const noexcept { return verticalGradient_; }
  void SetCvVerticalGradient(bool v);

  void Dispatch(TMessage& m) override;

 protected:
  void Paint() override;

 private:
  template <class T>
  void Store(T& field, const T& v) {
    field = v;
    Invalidate();
  }
  void DrawCaption(TCanvas* c, const TRect& r, UINT flags);
  bool transparent_ = false;
  TColor colors_[2] = {FlatBorderColor, FlatBorderColor};
  TCvCaptionPosition captionPosition_ = cpNone;
  bool showLine_ = false;
  int marginTop_ = 3;
  int marginLeft_ = 3;
  int marginRight_ = 3;
  int marginBottom_ = 3;
  std::unique_ptr<TFont> captionFont_;
  TColor captionColor_ = clNone;
  TColor captionColorTo_ = clNone;
  bool verticalGradient_ = true;
};
