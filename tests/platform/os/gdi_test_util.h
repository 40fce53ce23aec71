#pragma once
// Helpers for the drawing tests: a memory DC over a colour bitmap, and pixel probes.
#include <string>

#include "platform/os/wingdi.h"

namespace gdi_test {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A memory DC with a colour (or monochrome) bitmap of the given size, filled with `fill`.
struct MemCanvas {
  HDC dc = nullptr;
  HBITMAP bm = nullptr;
  HGDIOBJ old = nullptr;
  MemCanvas(int w, int h, COLORREF fill = kWhite, bool mono = false) {
    dc = CreateCompatibleDC(nullptr);
    bm = CreateBitmap(w, h, 1, mono ? 1 : 32, nullptr);
    old = SelectObject(dc, bm);
    HBRUSH b = CreateSolidBrush(fill);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  ~MemCanvas() {
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
  }
  MemCanvas(const MemCanvas&) = delete;
  MemCanvas& operator=(const MemCanvas&) = delete;
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
  // A row of pixels as characters: '#' for `ink`, '.' for `paper`, '?' otherwise.
  std::string Row(int y, int x0, int x1, COLORREF ink = kBlack, COLORREF paper = kWhite) const {
    std::string s;
    for (int x = x0; x < x1; ++x) {
      COLORREF c = At(x, y);
      s += c == ink ? '#' : (c == paper ? '.' : '?');
    }
    return s;
  }
  std::string Col(int x, int y0, int y1, COLORREF ink = kBlack, COLORREF paper = kWhite) const {
    std::string s;
    for (int y = y0; y < y1; ++y) {
      COLORREF c = At(x, y);
      s += c == ink ? '#' : (c == paper ? '.' : '?');
    }
    return s;
  }
};

// Selects an object for the lifetime of the guard and deletes it afterwards.
struct Selected {
  HDC dc;
  HGDIOBJ obj;
  HGDIOBJ old;
  Selected(HDC d, HGDIOBJ o) : dc(d), obj(o), old(SelectObject(d, o)) {}
  ~Selected() {
    SelectObject(dc, old);
    DeleteObject(obj);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;
};

}  // namespace gdi_test
