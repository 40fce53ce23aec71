#pragma once
// Panels, splitters, paint boxes, shapes and scroll boxes.
#include <functional>
#include <memory>

#include "platform/forms/controls.h"
#include "platform/forms/forms.h"
#include "platform/rtl/types.h"

// Draws a 3-D frame of the given width inside the rectangle (top-left in one colour, bottom-right
// in the other) and shrinks the rectangle by it.
void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
using TPanelBevel = TBevelCut;

class TCustomPanel : public TCustomControl {
  FANO_CLASS(TCustomPanel)
 public:
  explicit TCustomPanel(TComponent* owner);
  TAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(TAlignment v);
  TPanelBevel BevelInner() const noexcept { return bevelInner_; }
  void SetBevelInner(TPanelBevel v);
  TPanelBevel BevelOuter() const noexcept { return bevelOuter_; }
  void SetBevelOuter(TPanelBevel v);
  int BevelWidth() const noexcept { return bevelWidth_; }
  void SetBevelWidth(int v);
  TBorderStyle BorderStyle() const noexcept { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  bool FullRepaint() const noexcept { return fullRepaint_; }
  void SetFullRepaint(bool v) noexcept { fullRepaint_ = v; }
  void AdjustClientRect(TRect& rect) override;
  void CreateParams(TCreateParams& params) override;
  void Dispatch(TMessage& m) override;

 protected:
  void Paint() override;

 private:
  void BevelChanged();
  TAlignment alignment_ = taCenter;
  TPanelBevel bevelInner_ = bvNone;
  TPanelBevel bevelOuter_ = bvRaised;
  int bevelWidth_ = 1;
  TBorderStyle borderStyle_ = bsNone;
  bool fullRepaint_ = true;
};

class TPanel : public TCustomPanel {
  FANO_CLASS(TPanel)
 public:
  explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

// ---- splitter --------------------------------------------------------------------------------------

enum TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };
using TCanResizeSplitterEvent = std::function<void(TObject* sender, int& newSize, bool& accept)>;

// Resizes the control it is aligned next to (the sibling with the same alignment that touches it).
// Dragging resizes as the mouse moves; AutoSnap closes the control when the size falls below
// MinSize.
class TSplitter : public TGraphicControl {
  FANO_CLASS(TSplitter)
 public:
  explicit TSplitter(TComponent* owner);
  bool AutoSnap() const noexcept { return autoSnap_; }
  void SetAutoSnap(bool v) noexcept { autoSnap_ = v; }
  bool Beveled() const noexcept { return beveled_; }
  void SetBeveled(bool v);
  int MinSize() const noexcept { return minSize_; }
  void SetMinSize(int v) noexcept { minSize_ = v < 1 ? 1 : v; }
  TResizeStyle ResizeStyle() const noexcept { return resizeStyle_; }
  void SetResizeStyle(TResizeStyle v) noexcept { resizeStyle_ = v; }
  void SetAlign(TAlign value) override;
  // The control the splitter resizes now (null when none touches it).
  TControl* FindControl() const;
  TCanResizeSplitterEvent OnCanResize;
  TNotifyEvent OnMoved;
  TNotifyEvent OnPaint;

  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 protected:
  void Paint() override;

 private:
  bool Horizontal() const { return Align() == alLeft || Align() == alRight; }
  void UpdateSize(int x, int y);
  TControl* control_ = nullptr;
  TPoint downPos_;
  int startSize_ = 0;
  int maxSize_ = 0;
  bool autoSnap_ = true;
  bool beveled_ = false;
  int minSize_ = 30;
  TResizeStyle resizeStyle_ = rsPattern;
};

// ---- paint box and shape ---------------------------------------------------------------------------

class TPaintBox : public TGraphicControl {
  FANO_CLASS(TPaintBox)
 public:
  explicit TPaintBox(TComponent* owner);
  TNotifyEvent OnPaint;

 protected:
  void Paint() override;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
  FANO_CLASS(TShape)
 public:
  explicit TShape(TComponent* owner);
  ~TShape() override;
  TBrush* Brush() const noexcept { return brush_.get(); }
  void SetBrush(TBrush* v) { brush_->Assign(v); }
  TPen* Pen() const noexcept { return pen_.get(); }
  void SetPen(TPen* v) { pen_->Assign(v); }
  TShapeType Shape() const noexcept { return shape_; }
  void SetShape(TShapeType v);

 protected:
  void Paint() override;

 private:
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  TShapeType shape_ = stRectangle;
};

// ---- scroll box -------------------------------------------------------------------------------------

class TScrollBox : public TScrollingWinControl {
  FANO_CLASS(TScrollBox)
 public:
  explicit TScrollBox(TComponent* owner);
  TBorderStyle BorderStyle() const noexcept { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  void CreateParams(TCreateParams& params) override;
  void Dispatch(TMessage& m) override;

 private:
  TBorderStyle borderStyle_ = bsSingle;
};

void RegisterExtCtrlsClasses();
