#include "PictureStyle.h"

#include <cmath>

#include "Noise.h"

namespace showgen {

Rgb goldAt(float t) {
  t = clamp01(t);
  if (t < 0.5f) return mix(hex(0xFFF0BC), hex(0xF2C14E), t / 0.5f);
  if (t < 0.58f) return mix(hex(0xF2C14E), hex(0xA8681E), (t - 0.5f) / 0.08f);
  return mix(hex(0xA8681E), hex(0xF5C860), (t - 0.58f) / 0.42f);
}

int letter(Canvas& canvas, const Mask& mask, int cx, int cy, Ink ink) {
  int left = cx - mask.width / 2;
  int top = cy - mask.height / 2;
  if (ink == Ink::Gold) {
    stamp(canvas, mask, left, top, goldPaint(top, mask.height));
  } else {
    stamp(canvas, mask, left, top, whitePaint(top, mask.height));
  }
  return top;
}

Canvas textPicture(Lettering& lettering, const std::vector<Line>& lines) {
  Canvas canvas(kPictureWidth, kPictureHeight);
  std::vector<Mask> masks;
  int total = 0;
  for (const Line& line : lines) {
    masks.push_back(
        lettering.fit(line.text, line.face, line.points, kPictureWidth - 48, line.tracking));
    total += masks.back().height;
  }
  int y = (kPictureHeight - total) / 2;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    letter(canvas, masks[i], kPictureWidth / 2, y + masks[i].height / 2, lines[i].ink);
    y += masks[i].height;
  }
  return canvas;
}

Canvas duskBackground(int width, int height, float horizon, std::uint32_t seed) {
  Canvas canvas(width, height);
  canvas.shade([&](int x, int y) {
    float v = (y + 0.5f) / height / horizon;
    float u = (x + 0.5f) / width;
    Rgb c = v < 0.6f   ? mix(palette::kNight, palette::kDusk, v / 0.6f)
            : v < 0.9f ? mix(palette::kDusk, palette::kViolet, (v - 0.6f) / 0.3f)
                       : mix(palette::kViolet, palette::kEmber, clamp01((v - 0.9f) / 0.1f));
    float haze = fractalNoise(u * 5, v * 9, 4, seed, 0);
    c = c * (0.9f + 0.2f * haze);
    std::uint32_t star = hash(std::uint32_t(x), std::uint32_t(y), seed + 1);
    if (v < 0.6f && star % 397 == 0)
      c = c + hex(0xFFF4E0) * (0.3f + 0.7f * float(star >> 24) / 255);
    return c;
  });
  return canvas;
}

void vignette(Canvas& canvas, float strength) {
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      float dx = (x + 0.5f) / canvas.width() - 0.5f, dy = (y + 0.5f) / canvas.height() - 0.5f;
      float d = (dx * dx + dy * dy) * 2;
      canvas.at(x, y) = canvas.at(x, y) * (1 - strength * d);
    }
  }
}

}  // namespace showgen
