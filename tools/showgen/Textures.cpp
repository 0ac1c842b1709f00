#include "Textures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "Noise.h"

namespace showgen {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

float fract(float x) {
  return x - std::floor(x);
}

Canvas grey(int width, int height, auto value) {
  Canvas canvas(width, height);
  canvas.shade([&](int x, int y) {
    float v = clamp01(value((x + 0.5f) / width, (y + 0.5f) / height));
    return Rgb{v, v, v};
  });
  return canvas;
}

// Cross fade masks: the layer goes first where the mask is dark.
Canvas clouds(int size) {
  return grey(size, size, [](float u, float v) {
    float n = fractalNoise(u * 4, v * 4, 5, 11, 4);
    return smoothstep(0.28f, 0.72f, n);
  });
}

Canvas disc(int size) {
  return grey(size, size, [](float u, float v) {
    float r = std::hypot(u - 0.5f, v - 0.5f) / 0.7071f;
    return 1 - r;
  });
}

Canvas spiral(int size) {
  return grey(size, size, [](float u, float v) {
    float dx = u - 0.5f, dy = v - 0.5f;
    float r = std::hypot(dx, dy) / 0.7071f;
    float turn = (std::atan2(dy, dx) + kPi) / (2 * kPi);
    // Two arms wound one and a half times; the radius keeps the centre first.
    return 0.7f * fract(2 * turn + 3 * r) + 0.3f * (1 - r);
  });
}

Canvas squares(int size) {
  return grey(size, size, [size](float u, float v) {
    int cells = size / 8;
    return hash01(int(u * cells), int(v * cells), 64);
  });
}

Canvas impulse(int size, float width, float ring) {
  return grey(size, size, [=](float u, float v) {
    float r = std::hypot(u - 0.5f, v - 0.5f) * 2;
    float drop = std::exp(-r * r / (width * width));
    return drop * (1 - ring) + ring * std::exp(-std::pow((r - 0.6f) / 0.15f, 2.0f));
  });
}

Canvas colour(int width, int height, auto paint) {
  Canvas canvas(width, height);
  canvas.shade([&](int x, int y) { return paint((x + 0.5f) / width, (y + 0.5f) / height); });
  return canvas;
}

Rgb sandstone(float u, float v, std::uint32_t seed) {
  float large = fractalNoise(u * 4, v * 4, 4, seed, 4);
  float strata = 0.5f + 0.5f * std::sin((v * 24 + large * 3) * kPi);
  float grain = hash01(int(u * 4096), int(v * 4096), seed + 7);
  Rgb base = mix(hex(0xB88A52), hex(0xE2C08A), large);
  return base * (0.86f + 0.1f * strata + 0.08f * grain);
}

Rgb wall(float u, float v) {
  constexpr int kRows = 4, kColumns = 2;
  int row = int(v * kRows);
  float shifted = u * kColumns + (row % 2 ? 0.5f : 0);
  int column = int(std::floor(shifted));
  float bu = fract(shifted), bv = fract(v * kRows);
  float tone = hash01(column % kColumns, row, 3);
  Rgb stone = sandstone(u, v, 5) * (0.88f + 0.16f * tone);
  // Bevelled edges: lit from the top left, shaded at the bottom right, dark mortar between.
  float edge = std::min({bu * 2, (1 - bu) * 2, bv, 1 - bv}) * 16;
  if (edge < 0.35f) return hex(0x3A2A1A) * (0.8f + 0.4f * tone);
  if (bv < 0.06f || bu < 0.03f) stone = stone * 1.12f;
  if (bv > 0.94f || bu > 0.97f) stone = stone * 0.72f;
  return stone;
}

Rgb gold(float u, float v) {
  float streak = fractalNoise(u * 2, v * 48, 3, 21, 2);
  float sheen = 0.5f + 0.5f * std::sin((u + v * 0.3f) * 2 * kPi);
  Rgb base = mix(hex(0x9A6418), hex(0xF2C65A), 0.35f + 0.45f * streak + 0.2f * sheen);
  return base + hex(0xFFF2C0) * (0.25f * std::pow(sheen, 8.0f));
}

Rgb water(float u, float v) {
  float warp = fractalNoise(u * 3, v * 3, 3, 31, 3);
  float n = fractalNoise(u * 4 + warp * 1.5f, v * 4 + warp * 1.5f, 4, 37, 4);
  float caustic = std::pow(1 - std::abs(2 * fract(n * 5) - 1), 6.0f);
  Rgb deep = mix(hex(0x0B4F63), hex(0x1FA2A8), n);
  return deep + hex(0xB8F2EA) * (0.55f * caustic);
}

Rgb sky(float u, float v) {
  Rgb top = hex(0x070C2A), middle = hex(0x1E3A78), low = hex(0x6A4A86), horizon = hex(0xE8904A);
  Rgb c = v < 0.5f   ? mix(top, middle, v / 0.5f)
          : v < 0.8f ? mix(middle, low, (v - 0.5f) / 0.3f)
                     : mix(low, horizon, (v - 0.8f) / 0.2f);
  float cloud = smoothstep(0.55f, 0.8f, fractalNoise(u * 6, v * 18, 4, 41, 6));
  c = mix(c, hex(0xC07A6A), cloud * smoothstep(0.55f, 0.9f, v) * 0.5f);
  std::uint32_t star = hash(std::uint32_t(u * 512), std::uint32_t(v * 256), 43);
  if (v < 0.55f && star % 211 == 0) c = c + hex(0xFFF4E0) * (0.4f + 0.6f * float(star >> 24) / 255);
  return c;
}

Rgb metal(float u, float v) {
  // Sky above, warm sand below, a bright horizon and one sun spot: reads as polished metal.
  Rgb c = v < 0.5f ? mix(hex(0x2A4A8A), hex(0xB8C8E8), v / 0.5f)
                   : mix(hex(0xD8A868), hex(0x3A2818), (v - 0.5f) / 0.5f);
  c = c + hex(0xFFFFFF) * (0.6f * std::exp(-std::pow((v - 0.5f) / 0.03f, 2.0f)));
  float sun = std::hypot(u - 0.3f, v - 0.3f);
  return c + hex(0xFFF0D0) * std::exp(-sun * sun / 0.004f);
}

Rgb lightPool(float u, float v) {
  float r = std::hypot(u - 0.5f, v - 0.5f) / 0.7071f;
  return mix(hex(0xFFE2B0), hex(0x3A2A20), smoothstep(0.0f, 1.0f, r));
}

Rgb blackGlass(float u, float v) {
  float n = fractalNoise(u * 2, v * 2, 4, 51, 2);
  return mix(hex(0x030408), hex(0x141C2C), n * 0.6f + 0.2f * (1 - v));
}

Rgb flame(float u, float v, int frame) {
  float t = float(frame) / 8;
  float flicker = fractalNoise(u * 5, v * 5 + t * 5, 3, 61, 5);
  float x = (u - 0.5f) * 2 + (flicker - 0.5f) * 0.5f * (1 - v);
  float y = v;  // 0 at the top
  // A teardrop: wide at the bottom, narrowing to a tip that sways.
  float width = 0.55f * std::pow(clamp01(y), 0.7f) * (1 - std::pow(clamp01(y), 6.0f));
  float heat = clamp01(1 - std::abs(x) / std::max(width, 0.001f)) * smoothstep(0.05f, 0.4f, y);
  heat *= 0.75f + 0.5f * flicker;
  if (heat <= 0.02f) return {};
  Rgb c = heat < 0.4f    ? mix(Rgb{}, hex(0xB8300A), heat / 0.4f)
          : heat < 0.75f ? mix(hex(0xB8300A), hex(0xFF9A20), (heat - 0.4f) / 0.35f)
                         : mix(hex(0xFF9A20), hex(0xFFF0C0), (heat - 0.75f) / 0.25f);
  return c;
}

Rgb spark(float u, float v) {
  float r = std::hypot(u - 0.5f, v - 0.5f) * 2;
  if (r >= 1) return {};
  float core = std::pow(1 - r, 3.0f);
  return mix(hex(0xFFB040), hex(0xFFFFFF), core) * (core * 1.4f);
}

float glassMask(float u, float v) {
  float edge = std::min({u, v, 1 - u, 1 - v}) * 2;
  return 0.3f + 0.7f * std::pow(1 - edge, 4.0f);
}

}  // namespace

const std::vector<TextureRecipe>& materialTextures() {
  static const std::vector<TextureRecipe> textures = [] {
    std::vector<TextureRecipe> list = {
        {"sandstone.jpg", 256, 256, false},     {"sandstone_wall.jpg", 256, 256, false},
        {"gold.jpg", 128, 128, false},          {"water.jpg", 256, 256, false},
        {"sky_dusk.jpg", 512, 256, false},      {"env_metal.jpg", 256, 256, false},
        {"lightmap_warm.jpg", 128, 128, false}, {"black_glass.jpg", 256, 256, false},
        {"flame.jpg", 64, 64, false},
    };
    for (int frame = 1; frame < 8; ++frame) {
      list.push_back({std::to_string(frame) + "flame.jpg", 64, 64, false});
    }
    list.push_back({"spark.jpg", 64, 64, false});
    list.push_back({"glass_mask.jpg", 128, 128, true});
    list.push_back({"impulsion.jpg", 32, 32, true});
    list.push_back({"impulsion2.jpg", 32, 32, true});
    return list;
  }();
  return textures;
}

std::optional<Canvas> drawTexture(const std::string& file, int width, int height) {
  if (file == "nuage1.jpg") return clouds(width);
  if (file == "disque.jpg") return disc(width);
  if (file == "spirale.jpg") return spiral(width);
  if (file == "carre64.png") return squares(width);
  if (file == "impulsion.jpg") return impulse(width, 0.45f, 0);
  if (file == "impulsion2.jpg") return impulse(width, 0.6f, 0.3f);
  if (file == "sandstone.jpg")
    return colour(width, height, [](float u, float v) { return sandstone(u, v, 1); });
  if (file == "sandstone_wall.jpg") return colour(width, height, wall);
  if (file == "gold.jpg") return colour(width, height, gold);
  if (file == "water.jpg") return colour(width, height, water);
  if (file == "sky_dusk.jpg") return colour(width, height, sky);
  if (file == "env_metal.jpg") return colour(width, height, metal);
  if (file == "lightmap_warm.jpg") return colour(width, height, lightPool);
  if (file == "black_glass.jpg") return colour(width, height, blackGlass);
  if (file == "spark.jpg") return colour(width, height, spark);
  if (file == "glass_mask.jpg") return grey(width, height, glassMask);
  if (file.ends_with("flame.jpg")) {
    int frame = file == "flame.jpg" ? 0 : file[0] - '0';
    return colour(width, height, [frame](float u, float v) { return flame(u, v, frame); });
  }
  return std::nullopt;
}

}  // namespace showgen
