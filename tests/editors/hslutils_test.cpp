// HSL conversions and the flat shade: exact values, halves to even, and the clamps of the shade.
#include <gtest/gtest.h>

#include "editors/hslutils.h"

namespace {

TColor Rgb(int r, int g, int b) { return static_cast<TColor>(RGB(r, g, b)); }

TEST(HslUtils, RGBtoHSLOfPrimariesAndGrey) {
  double h, s, l;
  RGBtoHSL(clRed, h, s, l);
  EXPECT_DOUBLE_EQ(h, 0);
  EXPECT_DOUBLE_EQ(s, 1);
  EXPECT_DOUBLE_EQ(l, 0.5);
  RGBtoHSL(clLime, h, s, l);
  EXPECT_DOUBLE_EQ(h, 1.0 / 3.0);
  RGBtoHSL(clBlue, h, s, l);
  EXPECT_DOUBLE_EQ(h, 2.0 / 3.0);
  // Magenta: (r - g) / delta = 4 + ... negative branch of red max wraps to the top.
  RGBtoHSL(Rgb(255, 0, 128), h, s, l);
  EXPECT_GT(h, 0.9);
  EXPECT_LT(h, 1.0);
  RGBtoHSL(clGray, h, s, l);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 0);
  EXPECT_DOUBLE_EQ(l, 128.0 / 255.0);
}

TEST(HslUtils, RangeFormOfTheFlatPalette) {
  int h, s, l;
  RGBtoHSLRange(0xE1EAEB, h, s, l);
  EXPECT_EQ(h, 36);
  EXPECT_EQ(s, 48);
  EXPECT_EQ(l, 216);
  RGBtoHSLRange(0x8396A0, h, s, l);
  EXPECT_EQ(h, 26);
  EXPECT_EQ(s, 32);
  EXPECT_EQ(l, 137);
  RGBtoHSLRange(clWhite, h, s, l);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(l, 240);
}

TEST(HslUtils, RangeRoundsHalvesToEven) {
  int h, s, l;
  RGBtoHSLRange(0x0FEF, h, s, l);  // hue 2.5 of 239
  EXPECT_EQ(h, 2);
  RGBtoHSLRange(0x69EF, h, s, l);  // hue 17.5
  EXPECT_EQ(h, 18);
  // Grey lightness 8 of 240 is 8.5 of 255: to 8; 24 is 25.5: to 26.
  EXPECT_EQ(HSLRangeToRGB(0, 0, 8), Rgb(8, 8, 8));
  EXPECT_EQ(HSLRangeToRGB(0, 0, 24), Rgb(26, 26, 26));
  EXPECT_EQ(HSLtoRGB(0, 0, 0.5), Rgb(128, 128, 128));  // 127.5
}

TEST(HslUtils, HSLtoRGBOfHues) {
  EXPECT_EQ(HSLRangeToRGB(0, 240, 120), Rgb(255, 0, 0));
  EXPECT_EQ(HSLRangeToRGB(80, 240, 120), Rgb(0, 255, 2));  // 80/239 is a little past a third
  EXPECT_EQ(HSLRangeToRGB(160, 240, 120), Rgb(4, 0, 255));
  EXPECT_EQ(HSLtoRGB(0, 0, 0), clBlack);
  EXPECT_EQ(HSLtoRGB(0, 0, 1), clWhite);
}

TEST(HslUtils, HueToRGBSegments) {
  EXPECT_EQ(HueToRGB(0, 1, 0.1), 153);   // rising: 0.6
  EXPECT_EQ(HueToRGB(0, 1, 0.3), 255);   // plateau
  EXPECT_EQ(HueToRGB(0, 1, 0.6), 102);   // falling: 0.4
  EXPECT_EQ(HueToRGB(0, 1, 0.9), 0);     // floor
  EXPECT_EQ(HueToRGB(0, 1, -0.9), 153);  // wraps up
  EXPECT_EQ(HueToRGB(0, 1, 1.1), 153);   // wraps down
  EXPECT_EQ(HueToRGB(0, 1, 1.0), 0);     // exactly 1 stays 1
}

TEST(HslUtils, RoundTripKeepsColoursClose) {
  for (TColor c : {TColor{0xE1EAEB}, TColor{0xC5D6D9}, TColor{0x8396A0}, TColor{0x123456}, TColor{0xFEDCBA}}) {
    double h, s, l;
    RGBtoHSL(c, h, s, l);
    EXPECT_EQ(HSLtoRGB(h, s, l), c) << std::hex << c;
  }
}

TEST(HslUtils, LightnessAboveOneIsClampedPerChannel) {
  EXPECT_EQ(HSLtoRGB(0, 0, 1.02), clWhite);
  EXPECT_EQ(HSLtoRGB(0, 0, -0.1), clBlack);
  EXPECT_EQ(HSLRangeToRGB(0, 0, 245), clWhite);
  TColor c = HSLRangeToRGB(0, 240, 260);
  EXPECT_EQ(static_cast<uint32_t>(c) >> 24, 0u);
}

TEST(HslUtils, AdvancedColorPercentZeroKeepsOriginal) {
  EXPECT_EQ(CalcAdvancedColor(clBtnFace, 0x123456, 0, true), 0x123456);
  EXPECT_EQ(CalcAdvancedColor(clWhite, clBtnShadow, 0, false), clBtnShadow);
}

TEST(HslUtils, AdvancedColorShadesOfTheParent) {
  // Lightness 216 + 10 - 50 = 176.
  EXPECT_EQ(CalcAdvancedColor(0xE1EAEB, clNone, 50, true), HSLRangeToRGB(36, 48, 176));
  EXPECT_EQ(CalcAdvancedColor(0xE1EAEB, clNone, 50, true), Rgb(201, 198, 173));
  // Lighter is capped at 100 of 240, so a light parent gets darker.
  EXPECT_EQ(CalcAdvancedColor(0xE1EAEB, clNone, 10, false), HSLRangeToRGB(36, 48, 100));
  EXPECT_EQ(CalcAdvancedColor(clWhite, clNone, 10, false), Rgb(106, 106, 106));
  // Red: 120 + 10 + 10 = 140 -> 100.
  EXPECT_EQ(CalcAdvancedColor(clRed, clNone, 10, false), Rgb(212, 0, 0));
  // Below zero darkening stops at black.
  EXPECT_EQ(CalcAdvancedColor(Rgb(10, 10, 10), clNone, 100, true), clBlack);
  // The original colour plays no part.
  EXPECT_EQ(CalcAdvancedColor(clSilver, clRed, 50, true), CalcAdvancedColor(clSilver, clBlue, 50, true));
}

TEST(HslUtils, AdvancedColorResolvesSystemParent) {
  EXPECT_EQ(CalcAdvancedColor(clBtnFace, clNone, 30, true),
            CalcAdvancedColor(static_cast<TColor>(ColorToRGB(clBtnFace)), clNone, 30, true));
}

TEST(HslUtils, DarkeningNearWhiteStaysWithinChannels) {
  // White is lightness 240; + 10 - 5 passes full lightness: clamped to white, not 260 per channel.
  EXPECT_EQ(CalcAdvancedColor(clWhite, clNone, 5, true), clWhite);
  EXPECT_EQ(CalcAdvancedColor(Rgb(250, 250, 250), clNone, 1, true), clWhite);
  // Saturated near-white too.
  TColor c = CalcAdvancedColor(Rgb(255, 250, 250), clNone, 2, true);
  EXPECT_EQ(static_cast<uint32_t>(c) >> 24, 0u);
  EXPECT_EQ(c, clWhite);
}

}  // namespace
