#pragma once
// The calculator control and its drop-down form.
//
// TCalculatorGx is a small four-function calculator (a display and 23 buttons) whose layout is
// the form resource "TCalculatorGx", read through the published properties and scaled as a form
// is when the screen's font or pixels per inch differ from the resource's. Keys typed into it and
// button clicks go through CalcKey to the key machine of calculator_engine.h.
//
// TPopupCalculatorGx is the same calculator as a drop-down of a number editor or a grid cell: it
// opens with the cell's value (set through IPopupValueBoxGx) and closes with Ok, Enter, "=" while
// nothing is pending, or Escape, telling its owner component through IPopupControlOwnerGx.
//
//   auto* calc = new TPopupCalculatorGx(editor);     // editor implements IPopupControlOwnerGx
//   calc->SetValue(Variant(12.5));
//   ShowDropDown(calc, AlignDropDownWindow(editor, calc, daRight));
#include <string>

#include "editors/calculator_engine.h"
#include "editors/editbuttons.h"
#include "editors/popups.h"
#include "platform/forms/extctrls.h"
#include "platform/forms/forms.h"
#include "platform/forms/stdctrls.h"
#include "platform/rtl/variant.h"

// The value of a drop-down that edits one value (the calculator for number editors and cells).
class IPopupValueBoxGx {
 public:
  virtual ~IPopupValueBoxGx() = default;
  // True when closing now takes the value (nothing is waiting to be calculated).
  virtual bool AcceptValue() = 0;
  virtual bool GetFlat() = 0;
  // A double, or in the error state the error variant with code -1.
  virtual Variant GetValue() = 0;
  virtual void SetFlat(bool value) = 0;
  // Starts afresh with the value (Null counts as 0).
  virtual void SetValue(const Variant& value) = 0;
};

class TCalculatorGx : public TCustomControl {
  FANO_CLASS(TCalculatorGx)
 public:
  explicit TCalculatorGx(TComponent* owner);
  ~TCalculatorGx() override;

  // 0 in the error state.
  double GetValue() const;
  void SetValue(double value);
  // One key of the calculator (see calculator_engine.h); Ctrl+C and Ctrl+V copy and paste.
  virtual void CalcKey(char key);
  // The handler of every button: its Tag selects the key.
  void SpeedButtonClick(TObject* sender);
  void Clear();
  // The display to the clipboard.
  void Copy();
  // A number from the clipboard; raises EConvertError for text that is not one.
  void Paste();
  TCalcStateGx State() const noexcept { return engine_.State(); }
  std::string DisplayText() const { return engine_.Display(); }
  // The key a button's Tag sends ('\0' for none).
  static char KeyOfTag(int tag) noexcept;

  TBorderStyle BorderStyle() const noexcept { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  // The client size the resource was made for (scaled with it).
  int DesignClientHeight() const noexcept { return designClientHeight_; }
  void SetDesignClientHeight(int value);
  int DesignClientWidth() const noexcept { return designClientWidth_; }
  void SetDesignClientWidth(int value);
  int PixelsPerInch() const noexcept { return pixelsPerInch_; }
  void SetPixelsPerInch(int value) noexcept { pixelsPerInch_ = value; }
  int TextHeight() const noexcept { return textHeight_; }
  bool OldCreateOrder() const noexcept { return false; }
  void SetOldCreateOrder(bool) noexcept {}

  TPanel* Panel1 = nullptr;
  TLabel* TextBox = nullptr;
  TSpeedButtonGx* spEqual = nullptr;
  // The button of a Tag (1..23), or null.
  TSpeedButtonGx* ButtonOfTag(int tag) const;

  void CreateParams(TCreateParams& params) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyPress(TKeyChar& key) override;
  void DefineProperties(TFiler& filer) override;
  void Loaded() override;
  bool CanAutoSize(int& newWidth, int& newHeight) override;

 protected:
  // The width of the frame around the client area (on each side).
  virtual int NonClientWidth();
  // Shows the engine's display and the "=" / "Ok" caption.
  void UpdateDisplay();
  TCalculatorEngineGx engine_;

 private:
  void ScaleToScreen();
  TBorderStyle borderStyle_ = bsNone;
  int designClientHeight_ = 0;
  int designClientWidth_ = 0;
  int pixelsPerInch_ = 96;
  int textHeight_ = 0;
};

class TPopupCalculatorGx : public TCalculatorGx, public IPopupValueBoxGx {
  FANO_CLASS(TPopupCalculatorGx)
 public:
  explicit TPopupCalculatorGx(TComponent* owner);

  int BorderWidth() const { return Ctl3D() ? 2 : 0; }
  bool Flat() const noexcept { return flat_; }

  // IPopupValueBoxGx
  bool AcceptValue() override;
  bool GetFlat() override { return flat_; }
  Variant GetValue() override;
  void SetFlat(bool value) override;
  void SetValue(const Variant& value) override;

  void CalcKey(char key) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& m) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) override;

 protected:
  int NonClientWidth() override;

 private:
  void CloseOwner(bool accept);
  bool flat_ = true;
};

void RegisterCalculatorClasses();
