#pragma once
// HSL colour routines and the shade calculation behind every derived colour of the flat controls
// and of the data-aware editors in flat mode. Hue is scaled to 0..HSLRange-1, saturation and
// lightness to 0..HSLRange in the integer forms; the double forms run 0..1. Every conversion to an
// integer rounds to the nearest, halves to even.
//
//   int h, s, l;
//   RGBtoHSLRange(0xE1EAEB, h, s, l);                    // 36, 48, 216
//   TColor border = CalcAdvancedColor(clBtnFace, clNone, 50, true);   // a darker shade of the face
#include <cstdint>

#include "platform/forms/graphics.h"

constexpr int HSLRange = 240;

// One channel 0..255 of the hue h between m1 and m2.
int HueToRGB(double m1, double m2, double h);
// h, s, l in 0..1; channels outside 0..255 (lightness above 1) are clamped.
TColor HSLtoRGB(double h, double s, double l);
TColor HSLRangeToRGB(int h, int s, int l);
// rgb is a plain 0x00BBGGRR value (resolve system colours first).
void RGBtoHSL(TColor rgb, double& h, double& s, double& l);
void RGBtoHSLRange(TColor rgb, int& h, int& s, int& l);

// The shade `percent` (0..100) lighter or darker than parentColor: its lightness raised by 10,
// then lowered by percent (not below 0) or raised by percent (not above 100 of 240). Percent 0
// gives originalColor unchanged. parentColor may be a system colour.
TColor CalcAdvancedColor(TColor parentColor, TColor originalColor, uint8_t percent, bool darker);
