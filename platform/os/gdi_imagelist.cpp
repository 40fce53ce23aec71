// Image lists: images of one size with monochrome masks, added from strips, drawn through the
// DC's clip in the original's modes (normal with a background colour, transparent, mask, blends).
#include <algorithm>

#include "platform/os/gdi_core.h"
#include "platform/os/imagelist.h"

namespace fano_os::gdi {

namespace {

struct ImageListObj : Object {
  static constexpr Kind kKind = Kind::ImageList;
  ImageListObj() : Object(kKind) {}
  int cx = 16, cy = 16;
  UINT flags = 0;
  COLORREF bk = CLR_NONE;
  struct Image {
    Surface color;
    Surface mask;  // 0xFFFFFF where transparent
  };
  std::vector<Image> images;
  bool Masked() const { return (flags & ILC_MASK) != 0; }
  Image Blank() const {
    Image im;
    im.color.Resize(cx, cy, 0);
    im.mask.Resize(cx, cy, 0);
    im.mask.monochrome = true;
    return im;
  }
};

// Cuts image k of a strip bitmap (and of its mask) into the list's size.
ImageListObj::Image Cut(const ImageListObj& l, const Surface& src, const Surface* mask, int k) {
  ImageListObj::Image im = l.Blank();
  for (int y = 0; y < l.cy && y < src.height; ++y)
    for (int x = 0; x < l.cx; ++x) {
      int sx = k * l.cx + x;
      if (sx >= src.width) break;
      uint32_t c = src.pixels[static_cast<size_t>(y) * src.width + static_cast<size_t>(sx)];
      im.color.pixels[static_cast<size_t>(y) * l.cx + x] = src.monochrome ? (c ? 0xFFFFFF : 0) : c;
      if (mask && l.Masked() && sx < mask->width && y < mask->height)
        im.mask.pixels[static_cast<size_t>(y) * l.cx + x] =
            mask->pixels[static_cast<size_t>(y) * mask->width + static_cast<size_t>(sx)] ? 0xFFFFFF : 0;
    }
  return im;
}

int AddStrip(ImageListObj& l, const Surface& src, const Surface* mask, bool keyed, COLORREF key) {
  int n = src.width / l.cx;
  if (n <= 0) return -1;
  int first = static_cast<int>(l.images.size());
  for (int k = 0; k < n; ++k) {
    ImageListObj::Image im = Cut(l, src, mask, k);
    if (keyed && l.Masked()) {
      for (size_t i = 0; i < im.color.pixels.size(); ++i)
        if (im.color.pixels[i] == key) {
          im.mask.pixels[i] = 0xFFFFFF;
          im.color.pixels[i] = 0;
        }
    }
    l.images.push_back(std::move(im));
  }
  return first;
}

inline uint32_t Mix(uint32_t a, uint32_t b, unsigned num, unsigned den) {
  auto ch = [&](int s) {
    unsigned x = (a >> s) & 0xFF, y = (b >> s) & 0xFF;
    return ((x * (den - num) + y * num + den / 2) / den) << s;
  };
  return ch(0) | ch(8) | ch(16);
}

}  // namespace

}  // namespace fano_os::gdi

using namespace fano_os::gdi;
using fano_os::Surface;

extern "C" {

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int) {
  FANO_GDI_LOCK;
  if (cx <= 0 || cy <= 0 || int64_t(cx) * cy > (1 << 22)) return nullptr;
  auto l = std::make_shared<ImageListObj>();
  l->cx = cx;
  l->cy = cy;
  l->flags = flags;
  return Register(l);
}

BOOL ImageList_Destroy(HIMAGELIST list) {
  FANO_OBJ_OR(ImageListObj, list, l, FALSE);
  (void)l;
  Unregister(list);
  return TRUE;
}

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
  FANO_OBJ_OR(ImageListObj, list, l, -1);
  auto bm = Get<Bitmap>(image);
  if (!bm) return -1;
  auto mb = mask ? Get<Bitmap>(mask) : nullptr;
  if (mask && !mb) return -1;
  return AddStrip(l, bm->surface, mb ? &mb->surface : nullptr, false, 0);
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask) {
  FANO_OBJ_OR(ImageListObj, list, l, -1);
  auto bm = Get<Bitmap>(image);
  if (!bm || bm->surface.pixels.empty()) return -1;
  COLORREF key = mask == CLR_DEFAULT ? bm->surface.pixels[0] : (mask & 0xFFFFFF);
  return AddStrip(l, bm->surface, nullptr, true, key);
}

BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask) {
  FANO_OBJ_OR(ImageListObj, list, l, FALSE);
  auto bm = Get<Bitmap>(image);
  auto mb = mask ? Get<Bitmap>(mask) : nullptr;
  if (!bm || (mask && !mb) || index < 0 || index >= static_cast<int>(l.images.size())) return FALSE;
  l.images[static_cast<size_t>(index)] = Cut(l, bm->surface, mb ? &mb->surface : nullptr, 0);
  return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
  FANO_OBJ_OR(ImageListObj, list, l, FALSE);
  if (index == -1) {
    l.images.clear();
    return TRUE;
  }
  if (index < 0 || index >= static_cast<int>(l.images.size())) return FALSE;
  l.images.erase(l.images.begin() + index);
  return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST list) {
  FANO_OBJ_OR(ImageListObj, list, l, 0);
  return static_cast<int>(l.images.size());
}

BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count) {
  FANO_OBJ_OR(ImageListObj, list, l, FALSE);
  if (count > (1u << 16)) return FALSE;
  while (l.images.size() > count) l.images.pop_back();
  while (l.images.size() < count) l.images.push_back(l.Blank());
  return TRUE;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
  FANO_OBJ_OR(ImageListObj, list, l, FALSE);
  if (!cx || !cy) return FALSE;
  *cx = l.cx;
  *cy = l.cy;
  return TRUE;
}

BOOL ImageList_SetIconSize(HIMAGELIST list, int cx, int cy) {
  FANO_OBJ_OR(ImageListObj, list, l, FALSE);
  if (cx <= 0 || cy <= 0 || int64_t(cx) * cy > (1 << 22)) return FALSE;
  l.cx = cx;
  l.cy = cy;
  l.images.clear();
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color) {
  FANO_OBJ_OR(ImageListObj, list, l, CLR_NONE);
  COLORREF old = l.bk;
  l.bk = color == CLR_NONE ? CLR_NONE : (color & 0xFFFFFF);
  return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST list) {
  FANO_OBJ_OR(ImageListObj, list, l, CLR_NONE);
  return l.bk;
}

BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF bk, COLORREF fg,
                      UINT style) {
  FANO_OBJ_OR(ImageListObj, list, l, FALSE);
  auto dp = GetDC_(dc);
  if (!dp || index < 0 || index >= static_cast<int>(l.images.size())) return FALSE;
  DC& d = *dp;
  CallScope scope(d, "ImageList_Draw", {index, x, y, dx, dy, static_cast<int64_t>(style)});
  const ImageListObj::Image& im = l.images[static_cast<size_t>(index)];
  int w = dx > 0 ? std::min(dx, l.cx) : l.cx, h = dy > 0 ? std::min(dy, l.cy) : l.cy;
  POINT p = d.ToDev(POINT{x, y});
  Canvas cv = PrepareCanvas(d);
  if (cv.Empty()) return TRUE;
  COLORREF back = bk == CLR_DEFAULT ? l.bk : bk;
  bool transparent = (style & ILD_TRANSPARENT) || back == CLR_NONE;
  bool masked = l.Masked() && !(style & ILD_IMAGE);
  unsigned blendNum = (style & ILD_BLEND50) ? 1 : ((style & ILD_BLEND25) ? 1 : 0);
  unsigned blendDen = (style & ILD_BLEND50) ? 2 : 4;
  bool blendWithDest = fg == CLR_NONE;
  COLORREF blend = fg == CLR_DEFAULT ? SysColor(COLOR_HIGHLIGHT) : (fg & 0xFFFFFF);
  bool mono = cv.mono;
  COLORREF text = d.st.textColor, bkColor = d.st.bkColor;
  cv.ForBox(p.x, p.y, int64_t(p.x) + w, int64_t(p.y) + h, [&](uint32_t& px, int X, int Y) {
    size_t i = static_cast<size_t>(Y - p.y) * l.cx + static_cast<size_t>(X - p.x);
    bool clear = im.mask.pixels[i] != 0;
    uint32_t img = im.color.pixels[i];
    uint32_t v;
    if (style & ILD_MASK) {
      // The mask itself, through the usual monochrome-to-colour rule of the destination.
      v = mono ? (l.Masked() && clear ? 0xFFFFFF : 0) : (l.Masked() && clear ? bkColor : text);
      px = v;
      return;
    }
    if (!masked) {
      v = img;
      clear = false;
    } else if (transparent) {
      v = (px & (clear ? 0xFFFFFF : 0)) | img;
    } else {
      v = clear ? (back & 0xFFFFFF) : img;
    }
    if (blendNum && !clear) v = Mix(v, blendWithDest ? px : blend, blendNum, blendDen);
    px = mono ? ToMono(v) : (v & 0xFFFFFF);
  });
  return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style) {
  return ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

}  // extern "C"
