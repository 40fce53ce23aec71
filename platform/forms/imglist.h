#pragma once
// Image lists: equally sized images (with masks) kept in a window-system image list, drawn
// normal, transparent, blended or disabled; controls that show them link to the list to be told
// of its changes.
#include <vector>

#include "platform/classes/component.h"
#include "platform/forms/graphics.h"
#include "platform/os/imagelist.h"

class TCustomImageList;

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

// A control's connection to an image list: OnChange runs when the list changes.
class TChangeLink : public TObject {
 public:
  TChangeLink() = default;
  ~TChangeLink() override;
  TCustomImageList* Sender() const noexcept { return sender_; }
  void Change();
  TNotifyEvent OnChange;

 private:
  friend class TCustomImageList;
  TCustomImageList* sender_ = nullptr;
};

class TCustomImageList : public TComponent {
  FANO_CLASS(TCustomImageList)
 public:
  explicit TCustomImageList(TComponent* owner);
  // A list of the given image size (CreateSize of the original).
  TCustomImageList(TComponent* owner, int width, int height);
  ~TCustomImageList() override;
  void Assign(TPersistent* source) override;

  // The window-system list (made on first use).
  HIMAGELIST Handle();
  bool HandleAllocated() const noexcept { return handle_ != nullptr; }

  int Width() const noexcept { return width_; }
  void SetWidth(int v);  // changing the size removes every image
  int Height() const noexcept { return height_; }
  void SetHeight(int v);
  int Count() const;
  int AllocBy() const noexcept { return allocBy_; }
  void SetAllocBy(int v) noexcept { allocBy_ = v; }
  TColor BkColor() const noexcept { return bkColor_; }
  void SetBkColor(TColor v);
  TColor BlendColor() const noexcept { return blendColor_; }
  void SetBlendColor(TColor v) noexcept { blendColor_ = v; }
  TDrawingStyle DrawingStyle() const noexcept { return drawingStyle_; }
  void SetDrawingStyle(TDrawingStyle v);
  TImageType ImageType() const noexcept { return imageType_; }
  void SetImageType(TImageType v);
  bool Masked() const noexcept { return masked_; }
  void SetMasked(bool v);

  // Adds as many images as the bitmap is wide (width / Width); answers the first new index.
  // Raises EInvalidOperation "Invalid image size" for a bitmap of another height.
  int Add(TBitmap* image, TBitmap* mask);
  // The pixels of maskColor become transparent.
  int AddMasked(TBitmap* image, TColor maskColor);
  void Replace(int index, TBitmap* image, TBitmap* mask);
  // Raises EInvalidOperation "Image index out of range" outside 0..Count-1.
  void Delete(int index);
  void Clear();
  // The image as a bitmap of the list's size (its transparent parts in the background colour, or
  // black); false for an index outside the list.
  bool GetBitmap(int index, TBitmap* image);

  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true);
  void Draw(TCanvas* canvas, int x, int y, int index, TDrawingStyle style, TImageType type, bool enabled = true);

  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);
  TNotifyEvent OnChange;

  void DefineProperties(TFiler& filer) override;

 protected:
  virtual void Change();
  virtual void DoDraw(int index, TCanvas* canvas, int x, int y, UINT style, bool enabled);

 private:
  void CreateImageList();
  void FreeHandle();
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);
  HIMAGELIST handle_ = nullptr;
  int width_ = 16;
  int height_ = 16;
  int allocBy_ = 4;
  TColor bkColor_ = clNone;
  TColor blendColor_ = clNone;
  TDrawingStyle drawingStyle_ = dsNormal;
  TImageType imageType_ = itImage;
  bool masked_ = true;
  std::vector<TChangeLink*> clients_;
};

class TImageList : public TCustomImageList {
  FANO_CLASS(TImageList)
 public:
  explicit TImageList(TComponent* owner) : TCustomImageList(owner) {}
  TImageList(TComponent* owner, int width, int height) : TCustomImageList(owner, width, height) {}
};

// CLR_NONE for clNone, CLR_DEFAULT for clDefault, else the colour's RGB value.
COLORREF ImageListColor(TColor color);
