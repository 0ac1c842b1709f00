// The show's look for pictures: its palette (sandstone, gold and ochre under a deep blue dusk,
// turquoise water), gold and white lettering, and the layout helpers the pictures share.
#pragma once

#include <string>
#include <vector>

#include "Canvas.h"
#include "Lettering.h"

namespace showgen {

inline constexpr int kPictureWidth = 640;
inline constexpr int kPictureHeight = 480;

namespace palette {
inline const Rgb kNight = hex(0x070C2A);
inline const Rgb kDusk = hex(0x1E3A78);
inline const Rgb kViolet = hex(0x5A4280);
inline const Rgb kEmber = hex(0xE08A3C);
inline const Rgb kSand = hex(0xD8B27A);
inline const Rgb kOchre = hex(0xC27A2C);
inline const Rgb kGold = hex(0xF2C14E);
inline const Rgb kTurquoise = hex(0x2EC4B6);
inline const Rgb kWhite = hex(0xF4F6FF);
}  // namespace palette

// Polished gold across a line of letters from `top` to `top + height`: a bright upper half,
// a darker band below the middle, warm again at the foot.
Rgb goldAt(float t);
inline auto goldPaint(int top, int height) {
  return [=](int, int y) { return goldAt(float(y - top) / float(height > 0 ? height : 1)); };
}
inline auto whitePaint(int top, int height) {
  return [=](int, int y) {
    return mix(palette::kWhite, hex(0xC8D2E8), clamp01(float(y - top) / float(height)));
  };
}
inline auto flatPaint(Rgb colour) {
  return [=](int, int) { return colour; };
}

enum class Ink { Gold, White };

// One line of lettering for a text picture.
struct Line {
  std::string text;
  Face face = Face::SerifBold;
  int points = 72;
  Ink ink = Ink::Gold;
  int tracking = 0;
};

// Places `mask` centred on (cx, cy) in `ink`; returns its top row.
int letter(Canvas& canvas, const Mask& mask, int cx, int cy, Ink ink);

// Lines stacked and centred on black, each shrunk to fit the picture's width.
Canvas textPicture(Lettering& lettering, const std::vector<Line>& lines);

// The dusk sky from night at the top to an ember horizon at `horizon` (0 to 1 of the height).
Canvas duskBackground(int width, int height, float horizon, std::uint32_t seed);
// Darkens the corners.
void vignette(Canvas& canvas, float strength);

}  // namespace showgen
