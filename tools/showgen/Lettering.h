// Lettering through SDL2_ttf with the DejaVu fonts: text becomes a coverage mask, which a
// picture paints in its own colours (gold, white, gradients) onto its canvas.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Canvas.h"

struct _TTF_Font;

namespace showgen {

enum class Face { Serif, SerifBold, Sans, SansBold, SansLight, Condensed, CondensedBold };

// Coverage 0 to 1 per pixel, rows top first.
struct Mask {
  int width = 0;
  int height = 0;
  std::vector<float> coverage;
  float at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return coverage[std::size_t(y) * width + x];
  }
};

// The same mask spread by `radius` pixels (two box blurs): the soft halo of a glow or shadow.
Mask blurred(const Mask& mask, int radius);

class Lettering {
 public:
  Lettering();
  ~Lettering();
  Lettering(const Lettering&) = delete;
  Lettering& operator=(const Lettering&) = delete;

  // Why fonts cannot be used; empty when they can.
  const std::string& error() const { return _error; }

  // One line of UTF-8 text; `tracking` adds that many pixels between letters.
  Mask render(std::string_view text, Face face, int points, int tracking = 0);
  // The largest size up to `points` whose line fits in `maxWidth` pixels.
  Mask fit(std::string_view text, Face face, int points, int maxWidth, int tracking = 0);

 private:
  _TTF_Font* font(Face face, int points);

  std::map<std::pair<Face, int>, _TTF_Font*> _fonts;
  std::string _error;
  bool _started = false;
};

// Paints `mask` with its top-left corner at (left, top): each covered pixel is blended
// towards paint(x, y), the canvas position.
template <class Paint>
void stamp(Canvas& canvas, const Mask& mask, int left, int top, Paint paint) {
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      float c = mask.coverage[std::size_t(y) * mask.width + x];
      if (c > 0) canvas.blend(left + x, top + y, paint(left + x, top + y), c);
    }
  }
}

// Adds light along the mask: colour × amount × coverage (a glow from a blurred mask).
void shine(Canvas& canvas, const Mask& mask, int left, int top, Rgb colour, float amount);

}  // namespace showgen
