#pragma once
// The drawing objects of the controls layer: colours, fonts, pens and brushes that own their
// window-system objects and announce their changes, the canvas that draws with them on a device
// context, and the graphics (bitmaps, PNG and JPEG images) that pictures hold.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/geometry.h"
#include "platform/os/wingdi.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/persistent.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/streams.h"

// ---- colours ----------------------------------------------------------------------------------

// 0x00BBGGRR, or a system colour (high byte 0xFF, low byte the COLOR_ index), or clNone/clDefault.
using TColor = int32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
constexpr TColor SysColor(int index) { return static_cast<TColor>(0xFF000000u | static_cast<uint32_t>(index)); }
constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SysColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SysColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SysColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SysColor(COLOR_MENU);
constexpr TColor clWindow = SysColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SysColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SysColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SysColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SysColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SysColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SysColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SysColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SysColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SysColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SysColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SysColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SysColor(COLOR_INFOBK);
constexpr TColor clHotLight = SysColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SysColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SysColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SysColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SysColor(COLOR_MENUBAR);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// System colours resolved through the system colour table; others as they are (clNone and
// clDefault keep their values, callers test for them first).
COLORREF ColorToRGB(TColor color);
// "clBtnFace", "clRed", or "$00C0DCC0" for a colour without a name, and back.
std::string ColorToString(TColor color);
bool IdentToColor(std::string_view ident, TColor& color);
TColor StringToColor(std::string_view s);  // raises EConvertError for text that is neither

// ---- fonts, pens, brushes ---------------------------------------------------------------------

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
  pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// A drawing object that tells its owner of every change.
class TGraphicsObject : public TPersistent {
  FANO_CLASS(TGraphicsObject)
 public:
  TNotifyEvent OnChange;
  // The object the graphics object belongs to (the control of a font), for GetNamePath.
  TPersistent* GetOwner() const override { return owner_; }
  void SetOwner(TPersistent* owner) noexcept { owner_ = owner; }

 protected:
  virtual void Changed();

 private:
  TPersistent* owner_ = nullptr;
};

class TFont : public TGraphicsObject {
  FANO_CLASS(TFont)
 public:
  TFont();
  ~TFont() override;
  void Assign(TPersistent* source) override;

  // The font object for the current settings, made on first use and remade after changes. Setting
  // a handle takes over the settings of that font (the handle itself stays the caller's).
  HFONT Handle();
  void SetHandle(HFONT font);
  bool HandleAllocated() const noexcept { return handle_ != nullptr; }

  const std::string& Name() const noexcept { return name_; }
  void SetName(std::string_view name);
  // Height in pixels: negative is the character height, positive the cell height.
  int Height() const noexcept { return height_; }
  void SetHeight(int height);
  // Points at PixelsPerInch: -Height * 72 / PixelsPerInch.
  int Size() const;
  void SetSize(int size);
  TFontStyles Style() const noexcept { return style_; }
  void SetStyle(TFontStyles style);
  TColor Color() const noexcept { return color_; }
  void SetColor(TColor color);
  TFontCharset Charset() const noexcept { return charset_; }
  void SetCharset(TFontCharset charset);
  TFontPitch Pitch() const noexcept { return pitch_; }
  void SetPitch(TFontPitch pitch);
  // Tenths of a degree, counter-clockwise.
  int Orientation() const noexcept { return orientation_; }
  void SetOrientation(int orientation);
  int PixelsPerInch() const noexcept { return pixelsPerInch_; }
  void SetPixelsPerInch(int ppi) noexcept { pixelsPerInch_ = ppi; }

  // The settings every new font starts with (the system's default user-interface font).
  static const std::string& DefaultName();
  static int DefaultHeight();
  static TFontCharset DefaultCharset();

  void GetLogFont(LOGFONTA& lf) const;

 private:
  void Change();
  void FreeHandle();
  HFONT handle_ = nullptr;
  std::string name_;
  int height_;
  TFontStyles style_;
  TColor color_ = clWindowText;
  TFontCharset charset_;
  TFontPitch pitch_ = fpDefault;
  int orientation_ = 0;
  int pixelsPerInch_ = 96;
};

class TPen : public TGraphicsObject {
  FANO_CLASS(TPen)
 public:
  TPen() = default;
  ~TPen() override;
  void Assign(TPersistent* source) override;

  HPEN Handle();
  void SetHandle(HPEN pen);
  TColor Color() const noexcept { return color_; }
  void SetColor(TColor color);
  TPenMode Mode() const noexcept { return mode_; }
  void SetMode(TPenMode mode);
  TPenStyle Style() const noexcept { return style_; }
  void SetStyle(TPenStyle style);
  int Width() const noexcept { return width_; }
  void SetWidth(int width);

 private:
  void Change();
  void FreeHandle();
  HPEN handle_ = nullptr;
  TColor color_ = clBlack;
  TPenMode mode_ = pmCopy;
  TPenStyle style_ = psSolid;
  int width_ = 1;
};

class TBitmap;

class TBrush : public TGraphicsObject {
  FANO_CLASS(TBrush)
 public:
  TBrush() = default;
  ~TBrush() override;
  void Assign(TPersistent* source) override;

  HBRUSH Handle();
  void SetHandle(HBRUSH brush);
  TColor Color() const noexcept { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const noexcept { return style_; }
  void SetStyle(TBrushStyle style);
  // A pattern bitmap (not owned; copied into the brush when the handle is made); overrides the
  // colour and style while set.
  TBitmap* Bitmap() const noexcept { return bitmap_; }
  void SetBitmap(TBitmap* bitmap);

 private:
  void Change();
  void FreeHandle();
  HBRUSH handle_ = nullptr;
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
};

// ---- canvas -----------------------------------------------------------------------------------

class TGraphic;

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = TSet<TCanvasStates>;
enum TCanvasOrientation { coLeftToRight, coRightToLeft };
using TCopyMode = int32_t;  // a ternary raster operation (SRCCOPY ...)
enum TFillStyle { fsSurface, fsBorder };

// Draws on a device context with its own font, pen and brush, which it selects into the context
// when a drawing call needs them (and deselects when they change or the context goes).
class TCanvas : public TPersistent {
  FANO_CLASS(TCanvas)
 public:
  TCanvas();
  ~TCanvas() override;

  // The device context with the canvas's font, pen and brush selected; asking for it makes one
  // when a descendant can (CreateHandle). Raises EInvalidOperation "Canvas does not allow drawing"
  // when there is none.
  HDC Handle();
  void SetHandle(HDC dc);
  bool HandleAllocated() const noexcept { return handle_ != nullptr; }

  TFont* Font() const noexcept { return font_.get(); }
  void SetFont(TFont* font) { font_->Assign(font); }
  TPen* Pen() const noexcept { return pen_.get(); }
  void SetPen(TPen* pen) { pen_->Assign(pen); }
  TBrush* Brush() const noexcept { return brush_.get(); }
  void SetBrush(TBrush* brush) { brush_->Assign(brush); }
  TCopyMode CopyMode() const noexcept { return copyMode_; }
  void SetCopyMode(TCopyMode mode) noexcept { copyMode_ = mode; }
  TPoint PenPos();
  void SetPenPos(const TPoint& p);
  // ETO_ options added to every text output (ETO_OPAQUE, ETO_CLIPPED, ETO_RTLREADING).
  int TextFlags() const noexcept { return textFlags_; }
  void SetTextFlags(int flags) noexcept { textFlags_ = flags; }
  TCanvasOrientation CanvasOrientation() const noexcept { return coLeftToRight; }
  TRect ClipRect();
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor color);

  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source);
  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const TRect& rect, TGraphic* graphic);
  void DrawFocusRect(const TRect& rect);
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void FillRect(const TRect& rect);
  void FloodFill(int x, int y, TColor color, TFillStyle style);
  void FrameRect(const TRect& rect);
  void LineTo(int x, int y);
  void MoveTo(int x, int y);
  void Polygon(const std::vector<TPoint>& points);
  void Polyline(const std::vector<TPoint>& points);
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
  void Refresh();
  TSize TextExtent(std::string_view text);
  int TextHeight(std::string_view text) { return TextExtent(text).cy; }
  int TextWidth(std::string_view text) { return TextExtent(text).cx; }
  void TextOut(int x, int y, std::string_view text);
  // Text clipped to the rectangle; the rectangle is filled first unless the brush is clear.
  void TextRect(const TRect& rect, int x, int y, std::string_view text);

  // Serialises drawing from several threads; the controls layer draws on one thread, so this only
  // counts.
  void Lock() noexcept { ++lockCount_; }
  void Unlock() noexcept { --lockCount_; }
  bool TryLock() noexcept {
    Lock();
    return true;
  }
  int LockCount() const noexcept { return lockCount_; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

  // Selects into the context what the drawing needs; raises when no context can be had.
  void RequiredState(TCanvasState required);
  TCanvasState State() const noexcept { return state_; }

 protected:
  virtual void Changed();
  virtual void Changing();
  // Makes a device context when drawing needs one; the base cannot.
  virtual void CreateHandle() {}
  // Leaves the context without the canvas's objects selected.
  void DeselectHandles();

 private:
  void CreateFontObject();
  void CreatePenObject();
  void CreateBrushObject();
  void FontChanged(TObject*);
  void PenChanged(TObject*);
  void BrushChanged(TObject*);

  HDC handle_ = nullptr;
  TCanvasState state_;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  TPoint penPos_;
  TCopyMode copyMode_ = static_cast<TCopyMode>(SRCCOPY);
  int textFlags_ = 0;
  int lockCount_ = 0;
};

// ---- graphics ---------------------------------------------------------------------------------

// An image that a picture can hold and a canvas can draw.
class TGraphic : public TPersistent {
  FANO_CLASS(TGraphic)
 public:
  TGraphic() = default;

  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual int Height() const = 0;
  virtual void SetHeight(int height) = 0;
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);
  bool Modified() const noexcept { return modified_; }
  void SetModified(bool value);

  // Raises EInvalidGraphic "Invalid image" (or the reader's message) for data it cannot read.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);

  // Draws the graphic stretched into the rectangle.
  virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;

  TNotifyEvent OnChange;

 protected:
  virtual void Changed(TObject* sender);

 private:
  bool transparent_ = false;
  bool modified_ = false;
};

using TGraphicClass = TClass;

FANO_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
FANO_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmapCanvas;

// A bitmap with its own canvas (a memory device context holding it).
class TBitmap : public TGraphic {
  FANO_CLASS(TBitmap)
 public:
  TBitmap();
  ~TBitmap() override;
  void Assign(TPersistent* source) override;

  bool Empty() const override { return handle_ == nullptr; }
  int Width() const override { return width_; }
  void SetWidth(int width) override { SetSize(width, height_); }
  int Height() const override { return height_; }
  void SetHeight(int height) override { SetSize(width_, height); }
  // Keeps the picture (clipped or padded with the canvas's brush colour... black for new areas).
  void SetSize(int width, int height);

  // The bitmap object (0 while empty). Setting one takes it over; ReleaseHandle gives it back.
  HBITMAP Handle() const noexcept { return handle_; }
  void SetHandle(HBITMAP bitmap);
  HBITMAP ReleaseHandle();
  // A monochrome mask: 1 where the pixel has the transparent colour.
  HBITMAP MaskHandle();
  // Makes the bitmap a two-colour mask of the colour, as MaskHandle.
  void Mask(TColor transparentColor);
  bool Monochrome() const noexcept { return pixelFormat_ == pf1bit; }
  void SetMonochrome(bool value);
  TPixelFormat PixelFormat() const noexcept { return pixelFormat_; }
  void SetPixelFormat(TPixelFormat value);
  TColor TransparentColor();
  void SetTransparentColor(TColor color);
  TTransparentMode TransparentMode() const noexcept { return transparentMode_; }
  void SetTransparentMode(TTransparentMode mode);

  TCanvas* Canvas();
  // Frees the canvas's device context (it comes back on the next use).
  void Dormant();
  void FreeImage() {}

  // BMP, PNG and JPEG data are all read (into a 32-bit bitmap); BMP is written.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // An embedded resource by name (the resource holds image-file data).
  void LoadFromResourceName(HINSTANCE instance, std::string_view name);
  // The pixels of one row as 0x00RRGGBB values, top row 0.
  std::vector<uint32_t> ScanLine(int row);

  void Draw(TCanvas* canvas, const TRect& rect) override;
  void DefineProperties(TFiler& filer) override;

 protected:
  void Changed(TObject* sender) override;

 private:
  friend class TBitmapCanvas;
  void FreeHandles();
  void FreeMask();
  void Adopt(HBITMAP bitmap);
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);
  HBITMAP handle_ = nullptr;
  HBITMAP mask_ = nullptr;
  TColor maskColor_ = clNone;
  int width_ = 0;
  int height_ = 0;
  TPixelFormat pixelFormat_ = pfDevice;
  TColor transparentColor_ = clDefault;
  TTransparentMode transparentMode_ = tmAuto;
  std::unique_ptr<TBitmapCanvas> canvas_;
};

// A canvas on a bitmap's memory device context.
class TBitmapCanvas : public TCanvas {
  FANO_CLASS(TBitmapCanvas)
 public:
  explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}
  ~TBitmapCanvas() override;
  void FreeContext();

 protected:
  void CreateHandle() override;

 private:
  TBitmap* bitmap_;
  HDC dc_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
};

// An image kept in its encoded form (PNG or JPEG), decoded into a bitmap for drawing.
class TEncodedImage : public TGraphic {
  FANO_CLASS(TEncodedImage)
 public:
  TEncodedImage();
  ~TEncodedImage() override;
  void Assign(TPersistent* source) override;

  bool Empty() const override;
  int Width() const override;
  void SetWidth(int) override;
  int Height() const override;
  void SetHeight(int) override;

  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  void Draw(TCanvas* canvas, const TRect& rect) override;

  // The decoded picture (made on first use).
  TBitmap* Bitmap();
  // The encoded bytes (made from the bitmap when it was changed).
  const std::vector<uint8_t>& Data();

 protected:
  virtual int Format() const = 0;      // FANO_IMAGE_PNG / FANO_IMAGE_JPEG
  virtual int Quality() const { return 0; }
  virtual const char* FormatName() const = 0;
  void Changed(TObject* sender) override;

 private:
  void Decode();
  std::vector<uint8_t> data_;
  std::unique_ptr<TBitmap> bitmap_;
  bool dataValid_ = false;
  bool bitmapValid_ = false;
};

class TPngImage : public TEncodedImage {
  FANO_CLASS(TPngImage)
 public:
  TPngImage() = default;

 protected:
  int Format() const override { return FANO_IMAGE_PNG; }
  const char* FormatName() const override { return "PNG"; }
};

// The JPEG picture class (libjpeg 62 behind the window system's image functions). Registered as a
// picture format for "jpg" and "jpeg" at start and unregistered at exit.
class TJPEGImage : public TEncodedImage {
  FANO_CLASS(TJPEGImage)
 public:
  TJPEGImage() = default;
  void Assign(TPersistent* source) override;
  // 1..100; used when the image is encoded again from its bitmap.
  int CompressionQuality() const noexcept { return quality_; }
  void SetCompressionQuality(int value);

 protected:
  int Format() const override { return FANO_IMAGE_JPEG; }
  int Quality() const override { return quality_; }
  const char* FormatName() const override { return "JPEG"; }

 private:
  int quality_ = 90;
};

// Holds one graphic of any registered class; loads files by their extension and streams by their
// signature.
class TPicture : public TPersistent {
  FANO_CLASS(TPicture)
 public:
  TPicture();
  ~TPicture() override;
  void Assign(TPersistent* source) override;

  TGraphic* Graphic() const noexcept { return graphic_.get(); }
  void SetGraphic(TGraphic* graphic);  // copies it into a new graphic of its class
  // The graphic as a bitmap; a picture holding something else (or nothing) gets an empty bitmap.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* bitmap) { SetGraphic(bitmap); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // By extension; raises EInvalidGraphic "Unknown picture file extension (.%s)".
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);
  // By the data's signature (PNG, JPEG, BMP).
  void LoadFromStream(TStream& stream);

  static void RegisterFileFormat(std::string_view extension, std::string_view description, TGraphicClass cls);
  static void UnregisterGraphicClass(TGraphicClass cls);
  // Null when no class is registered for the extension (without the dot, any case).
  static TGraphicClass FileFormatClass(std::string_view extension);

  void DefineProperties(TFiler& filer) override;

  TNotifyEvent OnChange;

 protected:
  virtual void Changed(TObject* sender);

 private:
  void ForceType(TGraphicClass cls);
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);
  std::unique_ptr<TGraphic> graphic_;
};

// A graphic object made by class (TBitmap, TPngImage, TJPEGImage or any registered one).
std::unique_ptr<TGraphic> CreateGraphic(TGraphicClass cls);
