// Images: PNG (libpng), JPEG (libjpeg 62) and BMP to and from bitmaps, and PNG snapshots of
// surfaces. Every reader checks sizes against its input before it allocates or reads.
#include <png.h>
#include <stdio.h>  // jpeglib.h needs FILE
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/os/gdi_core.h"
#include "platform/os/gdi_internal.h"

namespace fano_os::gdi {

namespace {

// Pictures decoded from outside data stay well below the bitmap limit: a few kilobytes of
// compressed data could otherwise ask for hundreds of megabytes.
constexpr uint64_t kMaxImagePixels = uint64_t(1) << 24;

// ---- PNG ----------------------------------------------------------------------------------------

std::shared_ptr<Bitmap> DecodePng(const uint8_t* data, size_t size, COLORREF bg) {
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&img, data, size)) return nullptr;
  if (img.width == 0 || img.height == 0 || uint64_t(img.width) * img.height > kMaxImagePixels) {
    png_image_free(&img);
    return nullptr;
  }
  img.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> buf(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, buf.data(), 0, nullptr)) {
    png_image_free(&img);
    return nullptr;
  }
  auto bm = NewBitmap(static_cast<int>(img.width), static_cast<int>(img.height), false, 0);
  if (!bm) return nullptr;
  unsigned br = GetRValue(bg), bgc = GetGValue(bg), bb = GetBValue(bg);
  for (size_t i = 0; i < bm->surface.pixels.size(); ++i) {
    const uint8_t* p = &buf[i * 4];
    unsigned a = p[3];
    auto mix = [a](unsigned c, unsigned b) { return (c * a + b * (255 - a) + 127) / 255; };
    bm->surface.pixels[i] = RGB(mix(p[0], br), mix(p[1], bgc), mix(p[2], bb));
  }
  return bm;
}

bool EncodePng(const Surface& s, std::vector<uint8_t>* out) {
  if (s.width <= 0 || s.height <= 0) return false;
  std::vector<uint8_t> rgb(static_cast<size_t>(s.width) * s.height * 3);
  for (size_t i = 0; i < s.pixels.size(); ++i) {
    uint32_t c = s.pixels[i];
    rgb[i * 3] = GetRValue(c);
    rgb[i * 3 + 1] = GetGValue(c);
    rgb[i * 3 + 2] = GetBValue(c);
  }
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  img.width = static_cast<png_uint_32>(s.width);
  img.height = static_cast<png_uint_32>(s.height);
  img.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&img, nullptr, &size, 0, rgb.data(), 0, nullptr) || size == 0) return false;
  out->resize(size);
  if (!png_image_write_to_memory(&img, out->data(), &size, 0, rgb.data(), 0, nullptr)) return false;
  out->resize(size);
  return true;
}

// ---- JPEG ---------------------------------------------------------------------------------------

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

void JpegFail(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
void JpegQuiet(j_common_ptr, int) {}

// Kept free of objects with destructors between setjmp and the last libjpeg call: longjmp would
// skip them.
bool DecodeJpegInto(const uint8_t* data, size_t size, std::vector<uint8_t>* rgb, int* w, int* h) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegFail;
  err.mgr.emit_message = JpegQuiet;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) longjmp(err.jump, 1);
  cinfo.out_color_space = JCS_RGB;
  if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
      uint64_t(cinfo.image_width) * cinfo.image_height > kMaxImagePixels)
    longjmp(err.jump, 1);
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 3) longjmp(err.jump, 1);
  *w = static_cast<int>(cinfo.output_width);
  *h = static_cast<int>(cinfo.output_height);
  rgb->resize(static_cast<size_t>(*w) * *h * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = rgb->data() + static_cast<size_t>(cinfo.output_scanline) * *w * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

std::shared_ptr<Bitmap> DecodeJpeg(const uint8_t* data, size_t size) {
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  if (!DecodeJpegInto(data, size, &rgb, &w, &h)) return nullptr;
  auto bm = NewBitmap(w, h, false, 0);
  if (!bm) return nullptr;
  for (size_t i = 0; i < bm->surface.pixels.size(); ++i)
    bm->surface.pixels[i] = RGB(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]);
  return bm;
}

bool EncodeJpegFrom(const uint8_t* rgb, int w, int h, int quality, unsigned char** out, unsigned long* outSize) {
  jpeg_compress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegFail;
  err.mgr.emit_message = JpegQuiet;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, outSize);
  cinfo.image_width = static_cast<JDIMENSION>(w);
  cinfo.image_height = static_cast<JDIMENSION>(h);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(rgb) + static_cast<size_t>(cinfo.next_scanline) * w * 3;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

bool EncodeJpeg(const Surface& s, int quality, std::vector<uint8_t>* out) {
  if (s.width <= 0 || s.height <= 0) return false;
  std::vector<uint8_t> rgb(static_cast<size_t>(s.width) * s.height * 3);
  for (size_t i = 0; i < s.pixels.size(); ++i) {
    rgb[i * 3] = GetRValue(s.pixels[i]);
    rgb[i * 3 + 1] = GetGValue(s.pixels[i]);
    rgb[i * 3 + 2] = GetBValue(s.pixels[i]);
  }
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  bool ok = EncodeJpegFrom(rgb.data(), s.width, s.height, std::clamp(quality, 1, 100), &buf, &size);
  if (ok) out->assign(buf, buf + size);
  free(buf);
  return ok;
}

// ---- BMP ----------------------------------------------------------------------------------------

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// A DIB as stored in a .bmp file (with its 14-byte file header) or in a bitmap resource (without).
std::shared_ptr<Bitmap> DecodeBmp(const uint8_t* data, size_t size) {
  size_t dib = 0, bitsOffset = 0;
  bool file = size >= 2 && data[0] == 'B' && data[1] == 'M';
  if (file) {
    if (size < 14 + 12) return nullptr;
    bitsOffset = Le32(data + 10);
    dib = 14;
  }
  if (size < dib + 4) return nullptr;
  uint32_t hsize = Le32(data + dib);
  BITMAPINFOHEADER h{};
  std::vector<RGBQUAD> colors;
  size_t tableAt, entry;
  if (hsize == 12) {  // the old core header: 16-bit sizes, 3-byte colour entries
    if (size < dib + 12) return nullptr;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = Le16(data + dib + 4);
    h.biHeight = Le16(data + dib + 6);
    h.biPlanes = Le16(data + dib + 8);
    h.biBitCount = Le16(data + dib + 10);
    tableAt = dib + 12;
    entry = 3;
  } else if (hsize >= 40 && hsize <= 1024) {
    if (size < dib + hsize) return nullptr;
    const uint8_t* p = data + dib;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = static_cast<LONG>(Le32(p + 4));
    h.biHeight = static_cast<LONG>(Le32(p + 8));
    h.biPlanes = Le16(p + 12);
    h.biBitCount = Le16(p + 14);
    h.biCompression = Le32(p + 16);
    h.biClrUsed = Le32(p + 32);
    tableAt = dib + hsize;
    entry = 4;
  } else {
    return nullptr;
  }
  if (h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return nullptr;
  int64_t H = h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight;
  if (uint64_t(h.biWidth) * uint64_t(H) > kMaxImagePixels) return nullptr;
  // Bit-field masks of a 40-byte header follow it; larger headers hold them inside.
  struct {
    BITMAPINFOHEADER head;
    uint32_t masks[3];
  } withMasks{};
  if (h.biCompression == BI_BITFIELDS) {
    size_t at = dib + 40;
    if (size < at + 12) return nullptr;
    for (int k = 0; k < 3; ++k) withMasks.masks[k] = Le32(data + at + 4 * k);
    if (hsize == 40) tableAt += 12;
  }
  if (h.biBitCount <= 8) {
    size_t n = h.biClrUsed ? h.biClrUsed : (size_t(1) << h.biBitCount);
    if (n > 256 || tableAt + n * entry > size) return nullptr;
    for (size_t i = 0; i < n; ++i) {
      const uint8_t* q = data + tableAt + i * entry;
      colors.push_back(RGBQUAD{q[0], q[1], q[2], 0});
    }
    if (!file) bitsOffset = tableAt + n * entry;
  } else if (!file) {
    bitsOffset = tableAt;
  }
  // All rows must be there before the bitmap is made.
  if (h.biBitCount == 0 || h.biBitCount > 32) return nullptr;
  if (bitsOffset >= size || uint64_t(DibStride(h.biWidth, h.biBitCount)) * uint64_t(H) > size - bitsOffset) return nullptr;
  auto bm = NewBitmap(h.biWidth, static_cast<int>(H), false, 0);
  if (!bm) return nullptr;
  withMasks.head = h;
  const BITMAPINFOHEADER& hh = withMasks.head;
  if (!DecodeDib(hh, colors.data(), static_cast<int>(colors.size()), data + bitsOffset, size - bitsOffset, 0,
                 static_cast<int>(H), &bm->surface))
    return nullptr;
  return bm;
}

void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int k = 0; k < 4; ++k) v.push_back(static_cast<uint8_t>(x >> (8 * k)));
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}

bool EncodeBmp(const Surface& s, std::vector<uint8_t>* out) {
  if (s.width <= 0 || s.height <= 0) return false;
  int bpp = s.monochrome ? 1 : 24;
  size_t stride = static_cast<size_t>(DibStride(s.width, bpp));
  size_t table = s.monochrome ? 8 : 0;
  size_t off = 14 + 40 + table, total = off + stride * s.height;
  out->clear();
  out->reserve(total);
  out->push_back('B');
  out->push_back('M');
  Put32(*out, static_cast<uint32_t>(total));
  Put32(*out, 0);
  Put32(*out, static_cast<uint32_t>(off));
  Put32(*out, 40);
  Put32(*out, static_cast<uint32_t>(s.width));
  Put32(*out, static_cast<uint32_t>(s.height));
  Put16(*out, 1);
  Put16(*out, static_cast<uint16_t>(bpp));
  for (int k = 0; k < 6; ++k) Put32(*out, k == 1 ? static_cast<uint32_t>(stride * s.height) : (k == 2 || k == 3 ? 3780 : 0));
  if (s.monochrome) {
    Put32(*out, 0);
    Put32(*out, 0xFFFFFF);
  }
  for (int y = s.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(stride, 0);
    const uint32_t* in = s.pixels.data() + static_cast<size_t>(y) * s.width;
    for (int x = 0; x < s.width; ++x) {
      if (bpp == 1) {
        if (in[x]) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      } else {
        row[x * 3] = GetBValue(in[x]);
        row[x * 3 + 1] = GetGValue(in[x]);
        row[x * 3 + 2] = GetRValue(in[x]);
      }
    }
    out->insert(out->end(), row.begin(), row.end());
  }
  return true;
}

bool ReadFile(const char* path, std::vector<uint8_t>* out) {
  if (!path) return false;
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  out->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return !f.bad();
}

bool WriteFile(const char* path, const std::vector<uint8_t>& data) {
  if (!path) return false;
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) return false;
  f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(f);
}

bool Encode(const Surface& s, int format, int quality, std::vector<uint8_t>* out) {
  switch (format) {
    case FANO_IMAGE_PNG: return EncodePng(s, out);
    case FANO_IMAGE_JPEG: return EncodeJpeg(s, quality, out);
    case FANO_IMAGE_BMP: return EncodeBmp(s, out);
    default: return false;
  }
}

}  // namespace

}  // namespace fano_os::gdi

namespace fano_os {

bool EncodeSurfacePng(const Surface& surface, std::vector<uint8_t>* out) {
  FANO_GDI_LOCK;
  return out && gdi::EncodePng(surface, out);
}

bool WriteSurfacePng(const Surface& surface, const char* path) {
  std::vector<uint8_t> data;
  return EncodeSurfacePng(surface, &data) && gdi::WriteFile(path, data);
}

}  // namespace fano_os

using namespace fano_os::gdi;
using fano_os::Surface;

extern "C" {

HBITMAP FanoLoadImageMemory(const void* data, size_t size, COLORREF background) {
  FANO_GDI_LOCK;
  if (!data || size < 4) return nullptr;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  std::shared_ptr<Bitmap> bm;
  static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size >= 8 && std::memcmp(p, kPng, 8) == 0)
    bm = DecodePng(p, size, background & 0xFFFFFF);
  else if (p[0] == 0xFF && p[1] == 0xD8)
    bm = DecodeJpeg(p, size);
  else
    bm = DecodeBmp(p, size);
  return bm ? RegisterBitmap(bm) : nullptr;
}

HBITMAP FanoLoadImageFile(const char* path, COLORREF background) {
  std::vector<uint8_t> data;
  if (!ReadFile(path, &data)) return nullptr;
  return FanoLoadImageMemory(data.data(), data.size(), background);
}

size_t FanoEncodeImage(HBITMAP bitmap, int format, int quality, void* out, size_t capacity) {
  FANO_GDI_LOCK;
  auto bm = Get<Bitmap>(bitmap);
  if (!bm) return 0;
  std::vector<uint8_t> data;
  if (!Encode(bm->surface, format, quality, &data)) return 0;
  if (out && data.size() <= capacity) std::memcpy(out, data.data(), data.size());
  return data.size();
}

BOOL FanoSaveImageFile(HBITMAP bitmap, int format, int quality, const char* path) {
  std::vector<uint8_t> data;
  {
    FANO_GDI_LOCK;
    auto bm = Get<Bitmap>(bitmap);
    if (!bm || !Encode(bm->surface, format, quality, &data)) return FALSE;
  }
  return WriteFile(path, data) ? TRUE : FALSE;
}

}  // extern "C"
