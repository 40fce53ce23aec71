#pragma once
// Property-storage interceptors: objects that stand in for a target while its properties are
// saved or restored, exposing values that differ from the target's own. The registry pairs a
// target class with its interceptor class (the latest registration wins). Three interceptors:
// a form's normal-state bounds (scaled between pixel densities when restored), a grid column's
// width (its share in auto-fitting when the grid fits its columns) and the order of a grid's
// columns as quoted field names.
#include <string>

#include "platform/forms/forms.h"
#include "platform/rtl/classinfo.h"
#include "platform/rtl/persistent.h"

class TColumnGx;
class TDBGridColumnsGx;

// Each interceptor class is made from its registered class with the target as the argument
// (`interceptorClass->Create(target)`), and streamed through its published properties: those it
// can read are written, the others only loaded.
class TStoragePropertyInterceptor : public TPersistent {
  FANO_CLASS(TStoragePropertyInterceptor)
 public:
  explicit TStoragePropertyInterceptor(TObject* target) : target_(target) {}
  TObject* Target() const noexcept { return target_; }
  virtual bool AcceptsTarget() const { return true; }
  // Runs after the interceptor's properties were loaded.
  virtual void AfterLoad() {}

 private:
  TObject* target_;
};

// Pairs a target class with an interceptor class, replacing any earlier pair for the target.
void RegisterPropertyInterceptor(TClass targetClass, TClass interceptorClass);
// Removes the pair (no-op when absent).
void UnregisterPropertyInterceptor(TClass targetClass, TClass interceptorClass);
// The interceptor class registered for exactly this target class, or null.
TClass RegisteredPropertyInterceptor(TClass targetClass);

// Stands in for a form: Left, Top, Width and Height read its normal-state bounds; on loading,
// the stored bounds are scaled from the stored pixel density to the screen's and applied to the
// normal state, and the stored window state and active control are restored.
class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor {
  FANO_CLASS(TFormStoragePropertyInterceptor)
 public:
  explicit TFormStoragePropertyInterceptor(TObject* target);

  int Left() const noexcept { return left_; }
  void SetLeft(int value) noexcept { left_ = value, positionSet_ = true; }
  int Top() const noexcept { return top_; }
  void SetTop(int value) noexcept { top_ = value, positionSet_ = true; }
  int Width() const noexcept { return width_; }
  void SetWidth(int value) noexcept { width_ = value; }
  int Height() const noexcept { return height_; }
  void SetHeight(int value) noexcept { height_ = value; }
  // Load-only properties (published but never written).
  int PixelsPerInch() const noexcept { return pixelsPerInch_; }
  void SetPixelsPerInch(int value) noexcept { pixelsPerInch_ = value; }
  TWindowState WindowState() const noexcept { return windowState_; }
  void SetWindowState(TWindowState value) noexcept { windowState_ = value; }
  TWinControl* ActiveControl() const noexcept { return activeControl_; }
  void SetActiveControl(TWinControl* value) noexcept { activeControl_ = value; }

  void AfterLoad() override;

 private:
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int pixelsPerInch_ = 0;
  TWindowState windowState_ = wsNormal;
  TWinControl* activeControl_ = nullptr;
  bool positionSet_ = false;
};

// Stands in for a grid column: a restored width goes to the auto-fit share when the grid fits
// its column widths, else to the column's width.
class TColumnGxPropertyInterceptor : public TStoragePropertyInterceptor {
  FANO_CLASS(TColumnGxPropertyInterceptor)
 public:
  explicit TColumnGxPropertyInterceptor(TObject* target) : TStoragePropertyInterceptor(target) {}
  // Load-only: the last width given.
  int Width() const noexcept { return width_; }
  void SetWidth(int value);

 private:
  int width_ = 0;
};

// Stands in for a grid's column collection: ColumnsIndex is the columns' field names in order,
// each in double quotes (embedded quotes doubled), comma-separated; setting it moves the columns
// into that order.
class TColumnsGxPropertyInterceptor : public TStoragePropertyInterceptor {
  FANO_CLASS(TColumnsGxPropertyInterceptor)
 public:
  explicit TColumnsGxPropertyInterceptor(TObject* target) : TStoragePropertyInterceptor(target) {}
  std::string ColumnsIndex() const;
  void SetColumnsIndex(const std::string& value);

 private:
  std::string columnsIndex_;
};
