#pragma once
// Internal: realised fonts. Two engines stand behind one interface: FreeType with fontconfig for
// the installed fonts, and the test engine with fixed metrics (see wingdi.h).
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/os/wingdi.h"

namespace fano_os::gdi {

// A glyph's coverage in the unrotated frame: x to the right, y down, both relative to the pen
// position on the baseline.
struct Glyph {
  int left = 0;  // column of alpha[0] relative to the pen
  int top = 0;   // row of alpha[0] relative to the baseline (negative: above it)
  int width = 0;
  int height = 0;
  std::vector<uint8_t> alpha;  // width * height coverage values, 0..255
};

class FontInstance {
 public:
  virtual ~FontInstance() = default;
  // Advance of one character, in device pixels.
  int Advance(char32_t c);
  // Coverage of one character (never null; empty for white space and missing glyphs).
  const Glyph& GetGlyph(char32_t c);

  TEXTMETRICW tm{};
  OUTLINETEXTMETRICW otm{};
  int underlinePos = 1;  // rows below the baseline (its top row)
  int underlineSize = 1;
  int strikePos = 4;  // rows above the baseline (its top row is baseline - strikePos)
  int strikeSize = 1;
  std::string file;  // the face's file (empty for the test engine)
  bool test = false;

 protected:
  virtual int ComputeAdvance(char32_t c) = 0;
  virtual void Render(char32_t c, Glyph* out) = 0;

 private:
  std::unordered_map<char32_t, int> advances_;
  std::unordered_map<char32_t, Glyph> glyphs_;
};

// The instance for a font at a device height (lfHeight already scaled to device units).
std::shared_ptr<FontInstance> RealizeFont(const LOGFONTW& lf, const std::string& face, int devHeight, int devWidth);

// East Asian wide and full-width characters (two cells in the test font).
bool IsWideChar(char32_t c);
bool IsSpaceChar(char32_t c);

}  // namespace fano_os::gdi
