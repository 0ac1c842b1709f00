#include "Canvas.h"

#include <FreeImage.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace showgen {

Rgb hex(std::uint32_t rgb) {
  return {float((rgb >> 16) & 0xFF) / 255, float((rgb >> 8) & 0xFF) / 255, float(rgb & 0xFF) / 255};
}

float clamp01(float x) {
  return std::clamp(x, 0.0f, 1.0f);
}

float smoothstep(float edge0, float edge1, float x) {
  float t = clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

Canvas::Canvas(int width, int height, Rgb fill)
    : _width(width), _height(height), _pixels(std::size_t(width) * height, fill) {}

void Canvas::blend(int x, int y, Rgb colour, float coverage) {
  if (x < 0 || y < 0 || x >= _width || y >= _height || coverage <= 0) return;
  Rgb& pixel = at(x, y);
  pixel = mix(pixel, colour, std::min(coverage, 1.0f));
}

void Canvas::add(int x, int y, Rgb colour, float amount) {
  if (x < 0 || y < 0 || x >= _width || y >= _height || amount == 0) return;
  Rgb& pixel = at(x, y);
  pixel = pixel + colour * amount;
}

void Canvas::fillRect(float x0, float y0, float x1, float y1, Rgb colour, float alpha) {
  int left = std::max(0, int(std::floor(x0)));
  int right = std::min(_width, int(std::ceil(x1)));
  int top = std::max(0, int(std::floor(y0)));
  int bottom = std::min(_height, int(std::ceil(y1)));
  for (int y = top; y < bottom; ++y) {
    float cy = std::min(y + 1.0f, y1) - std::max(float(y), y0);
    for (int x = left; x < right; ++x) {
      float cx = std::min(x + 1.0f, x1) - std::max(float(x), x0);
      blend(x, y, colour, alpha * clamp01(cx) * clamp01(cy));
    }
  }
}

void Canvas::fillEllipse(float cx, float cy, float rx, float ry, Rgb colour, float alpha) {
  int left = std::max(0, int(cx - rx - 2));
  int right = std::min(_width, int(cx + rx + 2));
  int top = std::max(0, int(cy - ry - 2));
  int bottom = std::min(_height, int(cy + ry + 2));
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      float dx = (x + 0.5f - cx) / rx;
      float dy = (y + 0.5f - cy) / ry;
      // Distance to the edge in pixels, roughly: good enough for a one-pixel soft edge.
      float edge = (1 - std::sqrt(dx * dx + dy * dy)) * std::min(rx, ry);
      blend(x, y, colour, alpha * clamp01(edge + 0.5f));
    }
  }
}

void Canvas::glow(float cx, float cy, float radius, Rgb colour, float amount, float falloff) {
  int left = std::max(0, int(cx - radius));
  int right = std::min(_width, int(cx + radius + 1));
  int top = std::max(0, int(cy - radius));
  int bottom = std::min(_height, int(cy + radius + 1));
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / radius;
      if (d < 1) add(x, y, colour, amount * std::pow(1 - d, falloff));
    }
  }
}

namespace {

std::uint8_t toByte(float value) {
  return std::uint8_t(std::lround(clamp01(value) * 255));
}

struct BitmapDeleter {
  void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
struct MemoryDeleter {
  void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};

}  // namespace

std::vector<std::uint8_t> encode(const Canvas& canvas, Encoding encoding) {
  const bool grey = encoding == Encoding::GreyPng || encoding == Encoding::GreyJpeg;
  const bool jpeg = encoding == Encoding::Jpeg || encoding == Encoding::GreyJpeg;
  std::unique_ptr<FIBITMAP, BitmapDeleter> bitmap(
      FreeImage_Allocate(canvas.width(), canvas.height(), grey ? 8 : 24));
  if (!bitmap) return {};
  if (grey) {
    RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
    for (int i = 0; i < 256; ++i) {
      palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = BYTE(i);
    }
  }
  for (int y = 0; y < canvas.height(); ++y) {
    // FreeImage keeps the bottom row first.
    BYTE* row = FreeImage_GetScanLine(bitmap.get(), canvas.height() - 1 - y);
    for (int x = 0; x < canvas.width(); ++x) {
      const Rgb& c = canvas.at(x, y);
      if (grey) {
        row[x] = toByte(0.299f * c.r + 0.587f * c.g + 0.114f * c.b);
      } else {
        row[3 * x + FI_RGBA_RED] = toByte(c.r);
        row[3 * x + FI_RGBA_GREEN] = toByte(c.g);
        row[3 * x + FI_RGBA_BLUE] = toByte(c.b);
      }
    }
  }
  std::unique_ptr<FIMEMORY, MemoryDeleter> memory(FreeImage_OpenMemory());
  if (!memory) return {};
  const BOOL saved =
      jpeg ? FreeImage_SaveToMemory(FIF_JPEG, bitmap.get(), memory.get(),
                                    JPEG_QUALITYSUPERB | JPEG_BASELINE)
           : FreeImage_SaveToMemory(FIF_PNG, bitmap.get(), memory.get(), PNG_Z_BEST_COMPRESSION);
  BYTE* data = nullptr;
  DWORD size = 0;
  if (!saved || !FreeImage_AcquireMemory(memory.get(), &data, &size)) return {};
  return std::vector<std::uint8_t>(data, data + size);
}

}  // namespace showgen
