// Crew portraits. No photographs exist, so each member gets a stylised head-and-shoulders
// silhouette, rim-lit, over a background of their own palette and pattern, with a large
// initial behind and the name below.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

#include "Noise.h"
#include "PictureStyle.h"
#include "Pictures.h"

namespace showgen {

namespace {

struct Style {
  Rgb top, bottom, accent;
  int pattern;  // 0 rays, 1 rings, 2 diagonal bands, 3 dots
  int hair;     // 0 short, 1 bun, 2 long, 3 hood
  float headScale;
};

Style styleOf(int index) {
  static const Style styles[] = {
      {hex(0x3A0A08), hex(0xC24A1A), hex(0xFFB060), 0, 0, 1.00f},  // ardent: fire
      {hex(0x1A2436), hex(0x6A8098), hex(0xD8E8F8), 1, 2, 0.96f},  // brume: mist
      {hex(0x061438), hex(0x1E4AA8), hex(0x80B8FF), 2, 0, 1.04f},  // cobalt: blue
      {hex(0x4A3010), hex(0xD8A860), hex(0xFFE8B0), 3, 3, 1.00f},  // dune: sand
      {hex(0x200808), hex(0x8A1E10), hex(0xFF7A30), 1, 1, 0.94f},  // ember: glow
      {hex(0x3A2008), hex(0xC27A2C), hex(0xFFD090), 0, 2, 0.98f},  // fennec: ochre
      {hex(0x0A0A14), hex(0x3A3A5A), hex(0xF2C14E), 2, 1, 1.02f},  // glyph: ink and gold
      {hex(0x04282A), hex(0x1FA2A8), hex(0xB8F2EA), 3, 0, 0.98f},  // halcyon: turquoise
  };
  return styles[index % 8];
}

float patternAt(int pattern, float x, float y, std::uint32_t seed) {
  float dx = x - 260, dy = y - 200;
  switch (pattern) {
    case 0:
      return std::sin(std::atan2(dy, dx) * 14) * 0.5f + 0.5f;
    case 1:
      return std::sin(std::hypot(dx, dy) / 9) * 0.5f + 0.5f;
    case 2:
      return std::sin((x + y) / 14) * 0.5f + 0.5f;
    default: {
      float u = std::fmod(x, 24.0f) - 12, v = std::fmod(y, 24.0f) - 12;
      return std::hypot(u, v) < 4 + 2 * hash01(int(x / 24), int(y / 24), seed) ? 1.0f : 0.0f;
    }
  }
}

// The silhouette's coverage, drawn as white shapes on black: a head, a neck, and shoulders
// that fall away from the neck in one curve.
Canvas silhouette(const Style& style) {
  Canvas shape(kPictureWidth, kPictureHeight);
  const Rgb on{1, 1, 1};
  const float cx = 250, cy = 200, rx = 62 * style.headScale, ry = 78 * style.headScale;
  if (style.hair == 2) shape.fillEllipse(cx, cy + 40, rx + 18, ry + 70, on);
  if (style.hair == 3) shape.fillEllipse(cx, cy - 6, rx + 30, ry + 30, on);
  const float neck = cy + ry * 0.8f, shoulder = cy + ry + 26;
  for (int y = int(neck); y < kPictureHeight; ++y) {
    float t = clamp01((y - shoulder) / 70.0f);
    float half =
        y < shoulder ? 30 : 30 + 150 * std::sqrt(1 - (1 - t) * (1 - t)) + (y - shoulder) * 0.12f;
    shape.fillRect(cx - half, float(y), cx + half, float(y + 1), on);
  }
  shape.fillEllipse(cx, cy, rx, ry, on);
  if (style.hair == 1) shape.fillEllipse(cx + 10, cy - ry - 12, 32, 28, on);
  if (style.hair == 0) shape.fillEllipse(cx, cy - ry * 0.35f, rx + 6, ry * 0.7f, on);
  return shape;
}

}  // namespace

std::optional<Canvas> drawPortrait(const std::string& member, Lettering& lettering) {
  const auto& crew = vesk::showCrew();
  auto found = std::find(crew.begin(), crew.end(), member);
  if (found == crew.end()) return std::nullopt;
  const int index = int(found - crew.begin());
  const Style style = styleOf(index);
  const std::uint32_t seed = 200 + std::uint32_t(index);

  Canvas canvas(kPictureWidth, kPictureHeight);
  canvas.shade([&](int x, int y) {
    float t = float(y) / kPictureHeight;
    float n = fractalNoise(x / 120.0f, y / 120.0f, 4, seed);
    Rgb c = mix(style.top, style.bottom, clamp01(t * 0.8f + n * 0.4f));
    return c * (0.82f + 0.22f * patternAt(style.pattern, x + 0.5f, y + 0.5f, seed));
  });

  // The initial, large and faint, behind the figure.
  std::string initial(1, char(std::toupper(static_cast<unsigned char>(member[0]))));
  Mask big = lettering.render(initial, Face::SerifBold, 420);
  shine(canvas, big, 470 - big.width / 2, 210 - big.height / 2, style.accent, 0.28f);

  // The figure: dark, with light catching its left edge.
  const Canvas shape = silhouette(style);
  const Rgb body = style.top * 0.35f;
  for (int y = 0; y < kPictureHeight; ++y) {
    for (int x = 0; x < kPictureWidth; ++x) {
      float c = shape.at(x, y).r;
      if (c <= 0) continue;
      float behind = x >= 6 ? shape.at(x - 6, y).r : 0;
      float rim = clamp01(c - behind);
      canvas.blend(x, y, body, c);
      canvas.add(x, y, style.accent, 0.9f * rim);
    }
  }
  canvas.glow(250, 140, 260, style.accent, 0.12f, 2);
  vignette(canvas, 0.5f);

  // The name plate.
  canvas.fillRect(0, 400, kPictureWidth, kPictureHeight, hex(0x000000), 0.55f);
  canvas.fillRect(0, 400, kPictureWidth, 402, palette::kGold);
  Mask name = lettering.render(member, Face::SerifBold, 44, 4);
  letter(canvas, name, kPictureWidth / 2, 440, Ink::Gold);
  return canvas;
}

}  // namespace showgen
