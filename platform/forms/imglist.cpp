#include "platform/forms/imglist.h"

#include <algorithm>
#include <cstring>

#include "platform/classes/filer.h"
#include "platform/rtl/exceptions.h"

FANO_IMPLEMENT_COMPONENT(TCustomImageList, TComponent)
FANO_IMPLEMENT_COMPONENT(TImageList, TCustomImageList)

COLORREF ImageListColor(TColor color) {
  if (color == clNone) return CLR_NONE;
  if (color == clDefault) return CLR_DEFAULT;
  return ColorToRGB(color) & 0x00FFFFFFu;
}

TChangeLink::~TChangeLink() {
  if (sender_) sender_->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(sender_);
}

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(std::max(width, 1)), height_(std::max(height, 1)) {}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* link : clients_) link->sender_ = nullptr;
  clients_.clear();
  FreeHandle();
}

void TCustomImageList::FreeHandle() {
  if (handle_) ImageList_Destroy(handle_);
  handle_ = nullptr;
}

void TCustomImageList::CreateImageList() {
  UINT flags = ILC_COLOR32 | (masked_ ? ILC_MASK : 0);
  handle_ = ImageList_Create(width_, height_, flags, allocBy_, allocBy_);
  if (!handle_) throw EOutOfResources("Failed to create image list");
  ImageList_SetBkColor(handle_, ImageListColor(bkColor_));
}

HIMAGELIST TCustomImageList::Handle() {
  if (!handle_) CreateImageList();
  return handle_;
}

void TCustomImageList::Assign(TPersistent* source) {
  if (auto* s = dynamic_cast<TCustomImageList*>(source)) {
    if (s == this) return;
    Clear();
    width_ = s->width_;
    height_ = s->height_;
    masked_ = s->masked_;
    bkColor_ = s->bkColor_;
    blendColor_ = s->blendColor_;
    drawingStyle_ = s->drawingStyle_;
    imageType_ = s->imageType_;
    FreeHandle();
    TBitmap image, mask;
    for (int i = 0; i < s->Count(); ++i) {
      image.SetSize(0, 0);
      image.SetSize(width_, height_);
      mask.SetMonochrome(true);
      mask.SetSize(width_, height_);
      HDC dc = image.Canvas()->Handle();
      PatBlt(dc, 0, 0, width_, height_, BLACKNESS);
      ImageList_DrawEx(s->Handle(), i, dc, 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_NORMAL);
      HDC mdc = mask.Canvas()->Handle();
      PatBlt(mdc, 0, 0, width_, height_, WHITENESS);
      ImageList_DrawEx(s->Handle(), i, mdc, 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_MASK);
      image.Dormant();
      mask.Dormant();
      ImageList_Add(Handle(), image.Handle(), mask.Handle());
    }
    Change();
    return;
  }
  TComponent::Assign(source);
}

int TCustomImageList::Count() const { return handle_ ? ImageList_GetImageCount(handle_) : 0; }

void TCustomImageList::SetWidth(int v) {
  v = std::max(v, 1);
  if (v == width_) return;
  width_ = v;
  FreeHandle();
  Change();
}

void TCustomImageList::SetHeight(int v) {
  v = std::max(v, 1);
  if (v == height_) return;
  height_ = v;
  FreeHandle();
  Change();
}

void TCustomImageList::SetBkColor(TColor v) {
  bkColor_ = v;
  if (handle_) ImageList_SetBkColor(handle_, ImageListColor(v));
  Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle v) {
  if (drawingStyle_ == v) return;
  drawingStyle_ = v;
  Change();
}

void TCustomImageList::SetImageType(TImageType v) {
  if (imageType_ == v) return;
  imageType_ = v;
  Change();
}

void TCustomImageList::SetMasked(bool v) {
  if (masked_ == v) return;
  masked_ = v;
  FreeHandle();
  Change();
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
  if (!image || image->Empty()) return -1;
  if (image->Height() != height_ || image->Width() < width_) throw EInvalidOperation("Invalid image size");
  image->Dormant();
  if (mask) mask->Dormant();
  int r = ImageList_Add(Handle(), image->Handle(), mask && !mask->Empty() ? mask->Handle() : nullptr);
  Change();
  return r;
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
  if (!image || image->Empty()) return -1;
  if (image->Height() != height_ || image->Width() < width_) throw EInvalidOperation("Invalid image size");
  image->Dormant();
  int r = masked_ ? ImageList_AddMasked(Handle(), image->Handle(), ImageListColor(maskColor))
                  : ImageList_Add(Handle(), image->Handle(), nullptr);
  Change();
  return r;
}

void TCustomImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Image index out of range");
  if (!image) return;
  image->Dormant();
  if (mask) mask->Dormant();
  ImageList_Replace(Handle(), index, image->Handle(), mask ? mask->Handle() : nullptr);
  Change();
}

void TCustomImageList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Image index out of range");
  ImageList_Remove(Handle(), index);
  Change();
}

void TCustomImageList::Clear() {
  if (handle_) ImageList_Remove(handle_, -1);
  Change();
}

bool TCustomImageList::GetBitmap(int index, TBitmap* image) {
  if (!image || index < 0 || index >= Count()) return false;
  image->SetSize(0, 0);
  image->SetPixelFormat(pfDevice);
  image->SetSize(width_, height_);
  TColor back = bkColor_ == clNone || bkColor_ == clDefault ? clBlack : bkColor_;
  image->Canvas()->Brush()->SetColor(back);
  image->Canvas()->FillRect(Rect(0, 0, width_, height_));
  ImageList_Draw(handle_, index, image->Canvas()->Handle(), 0, 0, ILD_NORMAL);
  return true;
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) {
  Draw(canvas, x, y, index, drawingStyle_, imageType_, enabled);
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, TDrawingStyle style, TImageType type, bool enabled) {
  if (!handle_ || !canvas) return;
  static const UINT styles[] = {ILD_FOCUS, ILD_SELECTED, ILD_NORMAL, ILD_TRANSPARENT};
  UINT s = styles[style];
  if (type == itMask) s |= ILD_MASK;
  DoDraw(index, canvas, x, y, s, enabled);
}

void TCustomImageList::DoDraw(int index, TCanvas* canvas, int x, int y, UINT style, bool enabled) {
  if (index < 0 || index >= Count()) return;
  HDC dc = canvas->Handle();
  if (enabled) {
    ImageList_DrawEx(handle_, index, dc, x, y, 0, 0, ImageListColor(bkColor_), ImageListColor(blendColor_), style);
    return;
  }
  // Disabled: the image's shape embossed, once in the highlight colour one pixel down and right,
  // once in the shadow colour.
  HDC tmp = CreateCompatibleDC(nullptr);
  HBITMAP colour = CreateBitmap(width_, height_, 1, 32, nullptr);
  HGDIOBJ oldColour = SelectObject(tmp, colour);
  PatBlt(tmp, 0, 0, width_, height_, WHITENESS);
  ImageList_DrawEx(handle_, index, tmp, 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
  HDC mono = CreateCompatibleDC(nullptr);
  HBITMAP monoBmp = CreateBitmap(width_, height_, 1, 1, nullptr);
  HGDIOBJ oldMono = SelectObject(mono, monoBmp);
  ::SetBkColor(tmp, RGB(255, 255, 255));
  BitBlt(mono, 0, 0, width_, height_, tmp, 0, 0, SRCCOPY);
  constexpr DWORD kRopDSPDxax = 0x00E20746u;
  COLORREF oldText = SetTextColor(dc, RGB(255, 255, 255));
  COLORREF oldBk = ::SetBkColor(dc, RGB(0, 0, 0));
  HBRUSH light = CreateSolidBrush(ColorToRGB(clBtnHighlight) & 0xFFFFFF);
  HGDIOBJ oldBrush = SelectObject(dc, light);
  BitBlt(dc, x + 1, y + 1, width_, height_, mono, 0, 0, kRopDSPDxax);
  HBRUSH shadow = CreateSolidBrush(ColorToRGB(clBtnShadow) & 0xFFFFFF);
  SelectObject(dc, shadow);
  BitBlt(dc, x, y, width_, height_, mono, 0, 0, kRopDSPDxax);
  SelectObject(dc, oldBrush);
  DeleteObject(light);
  DeleteObject(shadow);
  SetTextColor(dc, oldText);
  ::SetBkColor(dc, oldBk);
  SelectObject(mono, oldMono);
  DeleteObject(monoBmp);
  DeleteDC(mono);
  SelectObject(tmp, oldColour);
  DeleteObject(colour);
  DeleteDC(tmp);
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
  if (!link) return;
  if (link->sender_ && link->sender_ != this) link->sender_->UnRegisterChanges(link);
  link->sender_ = this;
  if (std::find(clients_.begin(), clients_.end(), link) == clients_.end()) clients_.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
  if (!link) return;
  clients_.erase(std::remove(clients_.begin(), clients_.end(), link), clients_.end());
  if (link->sender_ == this) link->sender_ = nullptr;
}

void TCustomImageList::Change() {
  for (TChangeLink* link : std::vector<TChangeLink*>(clients_)) link->Change();
  if (OnChange) OnChange(this);
}

// Stored images: "FIL1", count, width and height (4-byte little-endian integers), then the length
// and bytes of a PNG strip of the images and of a PNG strip of their masks (white = transparent).
void TCustomImageList::WriteData(TStream& stream) {
  int count = Count();
  auto put = [&](uint32_t v) {
    uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    stream.WriteBuffer(b, 4);
  };
  stream.WriteBuffer("FIL1", 4);
  put(static_cast<uint32_t>(count));
  put(static_cast<uint32_t>(width_));
  put(static_cast<uint32_t>(height_));
  TBitmap strip, mask;
  strip.SetSize(width_ * std::max(count, 1), height_);
  mask.SetSize(width_ * std::max(count, 1), height_);
  HDC sdc = strip.Canvas()->Handle();
  HDC mdc = mask.Canvas()->Handle();
  PatBlt(sdc, 0, 0, strip.Width(), height_, BLACKNESS);
  PatBlt(mdc, 0, 0, mask.Width(), height_, WHITENESS);
  for (int i = 0; i < count; ++i) {
    ImageList_DrawEx(handle_, i, sdc, i * width_, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
    ImageList_DrawEx(handle_, i, mdc, i * width_, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_MASK);
  }
  for (TBitmap* b : {&strip, &mask}) {
    b->Dormant();
    size_t need = FanoEncodeImage(b->Handle(), FANO_IMAGE_PNG, 0, nullptr, 0);
    std::vector<uint8_t> data(need);
    size_t got = need ? FanoEncodeImage(b->Handle(), FANO_IMAGE_PNG, 0, data.data(), data.size()) : 0;
    data.resize(got <= need ? got : 0);
    put(static_cast<uint32_t>(data.size()));
    if (!data.empty()) stream.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  }
}

void TCustomImageList::ReadData(TStream& stream) {
  auto get = [&]() {
    uint8_t b[4];
    stream.ReadBuffer(b, 4);
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
  };
  char magic[4];
  stream.ReadBuffer(magic, 4);
  if (std::memcmp(magic, "FIL1", 4) != 0) throw EReadError("Invalid image list data");
  uint32_t count = get(), w = get(), h = get();
  if (w == 0 || h == 0 || w > 4096 || h > 4096 || count > 65536) throw EReadError("Invalid image list data");
  auto readBitmap = [&](TBitmap& b) {
    uint32_t size = get();
    if (size > stream.Size() - stream.Position()) throw EReadError("Invalid image list data");
    std::vector<uint8_t> data(size);
    if (size) stream.ReadBuffer(data.data(), size);
    HBITMAP h2 = size ? FanoLoadImageMemory(data.data(), data.size(), RGB(0, 0, 0)) : nullptr;
    if (!h2) throw EReadError("Invalid image list data");
    b.SetHandle(h2);
  };
  TBitmap strip, mask;
  readBitmap(strip);
  readBitmap(mask);
  FreeHandle();
  width_ = static_cast<int>(w);
  height_ = static_cast<int>(h);
  if (count == 0) {
    Change();
    return;
  }
  if (strip.Width() < width_ * static_cast<int>(count) || strip.Height() != height_) throw EReadError("Invalid image list data");
  mask.SetMonochrome(true);
  strip.Dormant();
  mask.Dormant();
  ImageList_Add(Handle(), strip.Handle(), mask.Handle());
  ImageList_SetImageCount(handle_, count);
  Change();
}

void TCustomImageList::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Bitmap", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); }, Count() > 0);
}
