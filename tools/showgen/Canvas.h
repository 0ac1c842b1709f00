// Pictures drawn in code: a canvas of float colours (0 to 1) with the few primitives the show's
// pictures need, and its encoding as PNG or JPEG through FreeImage. Pure black stays exactly
// black (0, 0, 0) after encoding, so the colour key of keyed pictures drops it.
#pragma once

#include <cstdint>
#include <vector>

namespace showgen {

struct Rgb {
  float r = 0, g = 0, b = 0;
};

inline Rgb operator*(Rgb c, float k) {
  return {c.r * k, c.g * k, c.b * k};
}
inline Rgb operator+(Rgb a, Rgb b) {
  return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb mix(Rgb a, Rgb b, float t) {
  return a * (1 - t) + b * t;
}
// A colour from 0xRRGGBB.
Rgb hex(std::uint32_t rgb);
float smoothstep(float edge0, float edge1, float x);
float clamp01(float x);

class Canvas {
 public:
  Canvas(int width, int height, Rgb fill = {});

  int width() const { return _width; }
  int height() const { return _height; }
  Rgb& at(int x, int y) { return _pixels[std::size_t(y) * _width + x]; }
  const Rgb& at(int x, int y) const { return _pixels[std::size_t(y) * _width + x]; }

  // Sets every pixel to paint(x, y) (pixel centres at x + 0.5, y + 0.5 are the caller's choice).
  template <class Paint>
  void shade(Paint paint) {
    for (int y = 0; y < _height; ++y) {
      for (int x = 0; x < _width; ++x)
        at(x, y) = paint(x, y);
    }
  }
  // Blends `colour` over the pixel with `coverage` (0 to 1); pixels outside are ignored.
  void blend(int x, int y, Rgb colour, float coverage);
  // Adds light: the pixel plus colour × amount (a negative amount darkens).
  void add(int x, int y, Rgb colour, float amount);
  void fillRect(float x0, float y0, float x1, float y1, Rgb colour, float alpha = 1);
  // An ellipse with a one-pixel soft edge.
  void fillEllipse(float cx, float cy, float rx, float ry, Rgb colour, float alpha = 1);
  // A soft spot of light: colour × amount × (1 - d / radius)^falloff, added.
  void glow(float cx, float cy, float radius, Rgb colour, float amount, float falloff = 2);

 private:
  int _width;
  int _height;
  std::vector<Rgb> _pixels;
};

enum class Encoding { Png, Jpeg, GreyPng, GreyJpeg };

// The picture's file bytes; the grey encodings keep the luminance. Empty when FreeImage fails.
std::vector<std::uint8_t> encode(const Canvas& canvas, Encoding encoding);

}  // namespace showgen
