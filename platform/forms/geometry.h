#pragma once
// Points, sizes and rectangles of the controls layer, with the field names the controls use
// (Left, Top, Right, Bottom) and conversions to and from the window system's POINT and RECT.
#include <algorithm>
#include <cstdint>

#include "platform/os/wintypes.h"

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  constexpr TPoint() = default;
  constexpr TPoint(int32_t x, int32_t y) : X(x), Y(y) {}
  constexpr TPoint(const POINT& p) : X(p.x), Y(p.y) {}  // NOLINT: implicit by design
  constexpr operator POINT() const { return POINT{X, Y}; }
  friend constexpr bool operator==(const TPoint& a, const TPoint& b) { return a.X == b.X && a.Y == b.Y; }
  friend constexpr TPoint operator+(const TPoint& a, const TPoint& b) { return {a.X + b.X, a.Y + b.Y}; }
  friend constexpr TPoint operator-(const TPoint& a, const TPoint& b) { return {a.X - b.X, a.Y - b.Y}; }
};

struct TSize {
  int32_t cx = 0;
  int32_t cy = 0;
  constexpr TSize() = default;
  constexpr TSize(int32_t w, int32_t h) : cx(w), cy(h) {}
  constexpr TSize(const SIZE& s) : cx(s.cx), cy(s.cy) {}  // NOLINT
  constexpr operator SIZE() const { return SIZE{cx, cy}; }
  friend constexpr bool operator==(const TSize& a, const TSize& b) { return a.cx == b.cx && a.cy == b.cy; }
};

// Right and bottom lie outside, as everywhere in the window system.
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  constexpr TRect() = default;
  constexpr TRect(int32_t l, int32_t t, int32_t r, int32_t b) : Left(l), Top(t), Right(r), Bottom(b) {}
  constexpr TRect(const TPoint& topLeft, const TPoint& bottomRight)
      : Left(topLeft.X), Top(topLeft.Y), Right(bottomRight.X), Bottom(bottomRight.Y) {}
  constexpr TRect(const RECT& r) : Left(r.left), Top(r.top), Right(r.right), Bottom(r.bottom) {}  // NOLINT
  constexpr operator RECT() const { return RECT{Left, Top, Right, Bottom}; }

  constexpr int32_t Width() const { return Right - Left; }
  constexpr int32_t Height() const { return Bottom - Top; }
  constexpr TPoint TopLeft() const { return {Left, Top}; }
  constexpr TPoint BottomRight() const { return {Right, Bottom}; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr bool Contains(const TPoint& p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  constexpr void Offset(int32_t dx, int32_t dy) {
    Left += dx;
    Right += dx;
    Top += dy;
    Bottom += dy;
  }
  constexpr void Inflate(int32_t dx, int32_t dy) {
    Left -= dx;
    Right += dx;
    Top -= dy;
    Bottom += dy;
  }
  friend constexpr bool operator==(const TRect& a, const TRect& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
  }
};

constexpr TPoint Point(int32_t x, int32_t y) { return {x, y}; }
constexpr TRect Rect(int32_t l, int32_t t, int32_t r, int32_t b) { return {l, t, r, b}; }
constexpr TRect Bounds(int32_t l, int32_t t, int32_t w, int32_t h) { return {l, t, l + w, t + h}; }
constexpr bool PtInRect(const TRect& r, const TPoint& p) { return r.Contains(p); }
// False and an empty rectangle when the two do not overlap.
inline bool IntersectRect(TRect& out, const TRect& a, const TRect& b) {
  out = TRect(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom));
  if (out.IsEmpty()) {
    out = TRect();
    return false;
  }
  return true;
}
// Empty rectangles are ignored; false when both are empty.
inline bool UnionRect(TRect& out, const TRect& a, const TRect& b) {
  if (a.IsEmpty()) {
    out = b.IsEmpty() ? TRect() : b;
    return !b.IsEmpty();
  }
  if (b.IsEmpty()) {
    out = a;
    return true;
  }
  out = TRect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom));
  return true;
}
// The point packed the way mouse messages carry it (16-bit signed coordinates).
inline LPARAM PointToLParam(const TPoint& p) {
  return static_cast<LPARAM>(static_cast<uint32_t>(static_cast<uint16_t>(p.X)) |
                             (static_cast<uint32_t>(static_cast<uint16_t>(p.Y)) << 16));
}
inline TPoint LParamToPoint(LPARAM lp) {
  return {static_cast<int16_t>(static_cast<uint32_t>(lp) & 0xFFFF), static_cast<int16_t>((static_cast<uint32_t>(lp) >> 16) & 0xFFFF)};
}
