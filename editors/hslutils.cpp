// HSL conversions and the flat shade calculation.
#include "editors/hslutils.h"

#include <algorithm>

#include "platform/rtl/sysutils.h"

namespace {

int ClampChannel(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, 0, 255)); }

}  // namespace

int HueToRGB(double m1, double m2, double h) {
  if (h < 0) h += 1;
  if (h > 1) h -= 1;
  double v;
  if (6 * h < 1)
    v = m1 + (m2 - m1) * h * 6;
  else if (2 * h < 1)
    v = m2;
  else if (3 * h < 2)
    v = m1 + (m2 - m1) * (2.0 / 3.0 - h) * 6;
  else
    v = m1;
  return ClampChannel(Round(255 * v));
}

TColor HSLtoRGB(double h, double s, double l) {
  int r, g, b;
  if (s == 0) {
    r = g = b = ClampChannel(Round(255 * l));
  } else {
    double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    double m1 = 2 * l - m2;
    r = HueToRGB(m1, m2, h + 1.0 / 3.0);
    g = HueToRGB(m1, m2, h);
    b = HueToRGB(m1, m2, h - 1.0 / 3.0);
  }
  return static_cast<TColor>(r + (g << 8) + (b << 16));
}

TColor HSLRangeToRGB(int h, int s, int l) {
  return HSLtoRGB(static_cast<double>(h) / (HSLRange - 1), static_cast<double>(s) / HSLRange,
                  static_cast<double>(l) / HSLRange);
}

void RGBtoHSL(TColor rgb, double& h, double& s, double& l) {
  uint32_t c = static_cast<uint32_t>(rgb);
  double r = (c & 0xFF) / 255.0;
  double g = ((c >> 8) & 0xFF) / 255.0;
  double b = ((c >> 16) & 0xFF) / 255.0;
  double cmax = std::max(std::max(b, g), r);
  double cmin = std::min(std::min(b, g), r);
  l = (cmax + cmin) / 2;
  if (cmax == cmin) {
    h = 0;
    s = 0;
    return;
  }
  double delta = cmax - cmin;
  s = l < 0.5 ? delta / (cmax + cmin) : delta / (2 - cmax - cmin);
  if (r == cmax)
    h = (g - b) / delta;
  else if (g == cmax)
    h = 2 + (b - r) / delta;
  else
    h = 4 + (r - g) / delta;
  h /= 6;
  if (h < 0) h += 1;
}

void RGBtoHSLRange(TColor rgb, int& h, int& s, int& l) {
  double hd, sd, ld;
  RGBtoHSL(rgb, hd, sd, ld);
  h = static_cast<int>(Round(hd * (HSLRange - 1)));
  s = static_cast<int>(Round(sd * HSLRange));
  l = static_cast<int>(Round(ld * HSLRange));
}

TColor CalcAdvancedColor(TColor parentColor, TColor originalColor, uint8_t percent, bool darker) {
  if (percent == 0) return originalColor;
  int h, s, l;
  RGBtoHSLRange(static_cast<TColor>(ColorToRGB(parentColor)), h, s, l);
  l += 10;
  if (darker) {
    l = std::max(l - percent, 0);
    // A near-white parent plus the 10 would otherwise pass full lightness and spill.
    l = std::min(l, HSLRange);
  } else {
    l = std::min(l + percent, 100);
  }
  return HSLRangeToRGB(h, s, l);
}
