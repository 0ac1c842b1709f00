// Pictures that fill the screen: the loading steps, the plain and end pictures, the tunnel
// stills and the photo-like greetings.
#include <cmath>
#include <numbers>

#include "Noise.h"
#include "PictureStyle.h"
#include "Pictures.h"

namespace showgen {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr int kW = kPictureWidth;
constexpr int kH = kPictureHeight;

float fract(float x) {
  return x - std::floor(x);
}

// The title over the dusk, a water clock filling as the loading goes, a bar and the figure.
Canvas progress(Lettering& lettering, int percent) {
  Canvas canvas = duskBackground(kW, kH, 1.1f, 3);
  const float done = percent / 100.0f;
  Mask name = lettering.render("CLEPSYDRA", Face::SerifBold, 64, 8);
  letter(canvas, name, kW / 2, 110, Ink::Gold);
  // The vessel: a bowl whose water rises with the progress.
  const float cx = kW / 2.0f, top = 170, bottom = 320;
  for (int y = int(top); y < int(bottom); ++y) {
    float t = (y + 0.5f - top) / (bottom - top);
    float half = 70 - 30 * t * t;
    bool water = t > 1 - done;
    Rgb inside = water ? mix(palette::kTurquoise, hex(0x0B4F63), t) : hex(0x0A1030);
    canvas.fillRect(cx - half, float(y), cx + half, float(y + 1), inside, water ? 0.9f : 0.6f);
    canvas.fillRect(cx - half - 4, float(y), cx - half, float(y + 1), palette::kGold);
    canvas.fillRect(cx + half, float(y), cx + half + 4, float(y + 1), palette::kGold);
  }
  canvas.fillRect(cx - 44, bottom, cx + 44, bottom + 4, palette::kGold);
  canvas.fillRect(cx - 74, top - 4, cx + 74, top, palette::kGold);
  // The bar.
  const float left = 120, right = 520, barTop = 370, barBottom = 382;
  canvas.fillRect(left - 2, barTop - 2, right + 2, barBottom + 2, hex(0x8A6A3A));
  canvas.fillRect(left, barTop, right, barBottom, hex(0x05081C));
  for (int x = int(left); x < int(left + (right - left) * done); ++x) {
    float t = (x - left) / (right - left);
    canvas.fillRect(float(x), barTop, float(x + 1), barBottom,
                    mix(palette::kOchre, palette::kGold, t));
  }
  Mask figure = lettering.render(std::to_string(percent) + " %", Face::Sans, 24);
  letter(canvas, figure, kW / 2, 412, Ink::White);
  Mask loading = lettering.render("loading", Face::SansLight, 20, 6);
  letter(canvas, loading, kW / 2, 346, Ink::White);
  return canvas;
}

Canvas ending(Lettering& lettering) {
  Canvas canvas = duskBackground(kW, kH, 1.05f, 9);
  vignette(canvas, 0.6f);
  letter(canvas, lettering.render("thank you for watching", Face::SansLight, 30, 4), kW / 2, 150,
         Ink::White);
  letter(canvas, lettering.render("CLEPSYDRA", Face::SerifBold, 80, 10), kW / 2, 240, Ink::Gold);
  letter(canvas, lettering.render("Vesk  \u00b7  Sandglass Summit 2026", Face::SansLight, 26),
         kW / 2, 330, Ink::White);
  return canvas;
}

// A still of the carved tunnel: rings of sandstone receding to a bright end, orbs along it.
Canvas tunnel(int number) {
  Canvas canvas(kW, kH);
  const float twist = 0.15f * number, cx = kW / 2.0f + 40 * std::sin(number * 1.7f),
              cy = kH / 2.0f + 30 * std::cos(number * 1.3f);
  const Rgb tints[4] = {hex(0xE0B070), hex(0x70C8C0), hex(0xE09060), hex(0xB0A0E0)};
  const Rgb tint = tints[(number - 1) % 4];
  canvas.shade([&](int x, int y) {
    float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
    float r = std::max(std::hypot(dx, dy), 1.0f);
    float depth = 160 / r;
    float angle = std::atan2(dy, dx) / (2 * kPi) + 0.5f + twist * depth;
    float u = fract(angle * 8), v = fract(depth * 2);
    float block = hash01(int(angle * 8) & 7, int(depth * 2), 70 + number);
    float joint = (u < 0.05f || v < 0.08f) ? 0.35f : 1.0f;
    float carve = 0.8f + 0.2f * fractalNoise(u * 4, v * 4, 3, 80, 0);
    float light = std::exp(-depth * 0.25f);
    Rgb stone = mix(palette::kSand, tint, 0.35f) * ((0.7f + 0.3f * block) * joint * carve * light);
    return stone + hex(0xFFF4E0) * std::exp(-r / 18);
  });
  // Orbs along the walls, smaller with depth.
  for (int k = 0; k < 12; ++k) {
    float depth = 1.2f + k * 0.9f;
    float a = (k * 0.37f + number * 0.11f) * 2 * kPi;
    float r = 160 / depth;
    float ox = cx + std::cos(a) * r * 0.8f, oy = cy + std::sin(a) * r * 0.8f;
    canvas.glow(ox, oy, 40 / depth + 6, hex(0xFFD890), 1.2f, 2.5f);
  }
  vignette(canvas, 0.5f);
  return canvas;
}

// A burst of ochre rays and the word of the fight.
Canvas fightTransition(Lettering& lettering) {
  Canvas canvas(kW, kH);
  canvas.shade([](int x, int y) {
    float dx = x + 0.5f - kW / 2.0f, dy = y + 0.5f - kH / 2.0f;
    float a = std::atan2(dy, dx) / (2 * kPi) + 0.5f;
    float ray = fract(a * 18 + hash01(int(a * 18), 0, 90) * 0.3f) < 0.5f ? 1.0f : 0.6f;
    float r = std::hypot(dx, dy) / 400;
    return mix(hex(0xFFD070), hex(0x5A1808), clamp01(r)) * ray;
  });
  vignette(canvas, 0.8f);
  Mask word = lettering.render("FIGHT", Face::CondensedBold, 150, 10);
  Mask halo = blurred(word, 8);
  shine(canvas, halo, kW / 2 - halo.width / 2, kH / 2 - halo.height / 2, hex(0x200400), -1.5f);
  letter(canvas, word, kW / 2, kH / 2, Ink::Gold);
  return canvas;
}

// A greeting line under a keyed motif (black drops out).
void greetingText(Canvas& canvas, Lettering& lettering, const std::string& top,
                  const std::string& bottom, int y) {
  letter(canvas, lettering.fit(top, Face::SansLight, 40, kW - 60, 4), kW / 2, y, Ink::White);
  letter(canvas, lettering.fit(bottom, Face::SerifBold, 64, kW - 60, 4), kW / 2, y + 60, Ink::Gold);
}

Canvas hourglassGreets(Lettering& lettering) {
  Canvas canvas(kW, kH);
  const float cx = kW / 2.0f;
  for (int y = 40; y < 280; ++y) {
    float t = (y - 160.0f) / 120;
    float half = 10 + 70 * t * t;
    Rgb glass = hex(0x2A4A6A);
    bool sand = (t > 0.45f && std::abs(y - 275.0f) < 40) || (t < 0 && t > -0.5f);
    canvas.fillRect(cx - half, float(y), cx + half, float(y + 1), sand ? palette::kSand : glass);
    canvas.fillRect(cx - half - 3, float(y), cx - half, float(y + 1), palette::kGold);
    canvas.fillRect(cx + half, float(y), cx + half + 3, float(y + 1), palette::kGold);
  }
  canvas.fillRect(cx - 1.5f, 160, cx + 1.5f, 240, palette::kSand);
  canvas.fillRect(cx - 100, 30, cx + 100, 40, palette::kGold);
  canvas.fillRect(cx - 100, 280, cx + 100, 290, palette::kGold);
  greetingText(canvas, lettering, "time flies for", "every demo maker", 340);
  return canvas;
}

Canvas bladesGreets(Lettering& lettering) {
  Canvas canvas(kW, kH);
  for (int side = -1; side <= 1; side += 2) {
    // A blade along the diagonal, tip up.
    for (int i = 0; i < 240; ++i) {
      float t = i / 240.0f;
      float x = kW / 2.0f + side * (110 - 220 * t), y = 280 - 240 * t;
      float width = t < 0.12f ? 12 : 6 * (1 - t) + 2;
      canvas.fillEllipse(x, y, width, width, t < 0.12f ? palette::kOchre : goldAt(t));
    }
    canvas.fillRect(kW / 2.0f + side * 110 - 30, 268, kW / 2.0f + side * 110 + 30, 278,
                    palette::kGold);
  }
  greetingText(canvas, lettering, "respect to every", "arena fighter", 350);
  return canvas;
}

Canvas fireballGreets(Lettering& lettering) {
  Canvas canvas(kW, kH);
  const float cx = kW / 2.0f, cy = 170;
  for (int y = 20; y < 330; ++y) {
    for (int x = int(cx) - 160; x < int(cx) + 160; ++x) {
      float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
      float n = fractalNoise(x / 40.0f, y / 40.0f, 4, 110);
      float r = std::hypot(dx, dy) / (110 + 40 * n);
      if (r >= 1) continue;
      float heat = std::pow(1 - r, 0.8f);
      Rgb c = heat < 0.5f ? mix(hex(0x701004), hex(0xFF7A10), heat * 2)
                          : mix(hex(0xFF7A10), hex(0xFFF4C0), (heat - 0.5f) * 2);
      canvas.blend(x, y, c, clamp01((1 - r) * 12));
    }
  }
  greetingText(canvas, lettering, "burning greetings to", "all party people", 370);
  return canvas;
}

// A sandstone wall with the greeted names cut into its blocks; the joints are black.
Canvas writtenWall(Lettering& lettering) {
  Canvas canvas(kW, kH);
  const char* names[] = {"quartzlight", "moth orchestra",     "lantern ensemble",
                         "fjordbit",    "the sandglass crew", "every scener"};
  for (int row = 0; row < 6; ++row) {
    float top = 20 + row * 74.0f;
    for (int column = -1; column < 4; ++column) {
      float left = column * 180.0f + (row % 2 ? 90 : 0);
      float tone = 0.8f + 0.2f * hash01(column + 2, row, 120);
      for (int y = int(top); y < int(top + 68); ++y) {
        for (int x = std::max(0, int(left + 3)); x < std::min(kW, int(left + 177)); ++x) {
          float n = fractalNoise(x / 30.0f, y / 30.0f, 3, 121);
          canvas.at(x, y) = mix(hex(0xA07A4A), palette::kSand, n) * tone;
        }
      }
    }
    Mask carved = lettering.fit(names[row], Face::SerifBold, 40, kW - 80, 3);
    int left = kW / 2 - carved.width / 2, textTop = int(top) + 34 - carved.height / 2;
    // Cut letters: a dark hollow with a lit lower edge.
    stamp(canvas, carved, left + 1, textTop + 2, flatPaint(hex(0xFFE8B0)));
    stamp(canvas, carved, left, textTop, flatPaint(hex(0x4A3018)));
  }
  return canvas;
}

Canvas fightGreets(Lettering& lettering) {
  Canvas canvas(kW, kH);
  canvas.shade([](int x, int y) {
    float n = fractalNoise(x / 90.0f, y / 90.0f, 4, 130);
    return mix(hex(0x1A0404), hex(0x6A1A08), n * (1 - float(y) / kH * 0.6f));
  });
  vignette(canvas, 0.7f);
  letter(canvas, lettering.render("fight greetings", Face::CondensedBold, 56, 4), kW / 2, 80,
         Ink::Gold);
  const char* names[] = {"quartzlight", "moth orchestra", "lantern ensemble", "fjordbit"};
  for (int i = 0; i < 4; ++i) {
    letter(canvas, lettering.render(names[i], Face::SansLight, 40, 3), kW / 2, 180 + i * 64,
           Ink::White);
  }
  return canvas;
}

// A fjord at dusk: ridges of mountains, their mirror in still water, the group's name.
Canvas fjord(Lettering& lettering) {
  Canvas canvas = duskBackground(kW, kH, 0.62f, 140);
  const float waterline = 300;
  for (int layer = 0; layer < 3; ++layer) {
    Rgb tone = mix(hex(0x141C3A), hex(0x3A3A6A), layer / 3.0f);
    for (int x = 0; x < kW; ++x) {
      float ridge = waterline - 40 -
                    120 * (1 - layer * 0.3f) *
                        fractalNoise(x / (160.0f - layer * 30), float(layer), 4, 150 + layer);
      for (int y = std::max(0, int(ridge)); y < int(waterline); ++y) {
        canvas.at(x, y) = mix(tone, canvas.at(x, y), 0.2f * layer);
      }
    }
  }
  for (int y = int(waterline); y < kH; ++y) {
    int mirrored = std::max(0, int(2 * waterline - y));
    for (int x = 0; x < kW; ++x) {
      float ripple =
          0.85f + 0.15f * std::sin(y * 0.8f + fractalNoise(x / 40.0f, y / 6.0f, 2, 160) * 6);
      canvas.at(x, y) = mix(canvas.at(x, mirrored), hex(0x0B4F63), 0.35f) * ripple;
    }
  }
  letter(canvas, lettering.render("fjordbit", Face::SerifBold, 72, 6), kW / 2, 410, Ink::White);
  return canvas;
}

int numberIn(const std::string& file) {
  int value = 0;
  for (char c : file) {
    if (c >= '0' && c <= '9') value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::optional<Canvas> drawScenery(const vesk::ShowPicture& picture, Lettering& lettering) {
  const std::string& file = picture.file;
  switch (picture.kind) {
    case vesk::ShowPictureKind::Progress:
      return progress(lettering, numberIn(file));
    case vesk::ShowPictureKind::Screenshot:
      return tunnel(numberIn(file));
    case vesk::ShowPictureKind::Plain:
      if (file == "white.png") return Canvas(kW, kH, {1, 1, 1});
      if (file == "black.png") return Canvas(kW, kH);
      if (file == "end.jpg") return ending(lettering);
      return std::nullopt;
    case vesk::ShowPictureKind::Photo:
      if (file == "transition fight.jpg") return fightTransition(lettering);
      if (file == "sablier.jpg") return hourglassGreets(lettering);
      if (file == "combat.jpg") return bladesGreets(lettering);
      if (file == "boule de feu - greets.jpg") return fireballGreets(lettering);
      if (file == "mur ecrit.jpg") return writtenWall(lettering);
      if (file == "fight greets.jpg") return fightGreets(lettering);
      if (file == "fjordbit.jpg") return fjord(lettering);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace showgen
