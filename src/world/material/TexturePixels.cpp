#include "world/material/TexturePixels.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstring>

#include "world/material/Picture.h"
#include "world/material/SurfaceFilter.h"
#include "world/material/Texture.h"

namespace vesk {

namespace {

// On this byte order FreeImage keeps pixels as blue, green, red (and alpha) bytes: a 32-bit pixel
// read as one word is A8R8G8B8.
static_assert(FI_RGBA_BLUE == 0 && FI_RGBA_GREEN == 1 && FI_RGBA_RED == 2 && FI_RGBA_ALPHA == 3,
              "FreeImage pixels are not BGRA here");

// Whether the picture carries alpha: an alpha channel, or a palette with transparent entries.
bool hasAlpha(FIBITMAP* bitmap) {
  switch (FreeImage_GetImageType(bitmap)) {
    case FIT_RGBA16:
    case FIT_RGBAF:
      return true;
    case FIT_BITMAP: {
      unsigned bpp = FreeImage_GetBPP(bitmap);
      return bpp == 32 || (bpp <= 8 && FreeImage_IsTransparent(bitmap));
    }
    default:
      return false;
  }
}

// Level 0 from a 24- or 32-bit bitmap, turned top row first on the way: the words FreeImage's
// conversion to 32 bits gives (opaque alpha for 24 bits), without that intermediate bitmap.
void copyRows(FIBITMAP* bitmap, unsigned bpp, const PixelLevel& level) {
  for (std::uint32_t y = 0; y < level.height; ++y) {
    const BYTE* in = FreeImage_GetScanLine(bitmap, static_cast<int>(level.height - 1 - y));
    std::uint32_t* out = level.words() + std::size_t{y} * level.width;
    if (bpp == 32) {
      std::memcpy(out, in, level.width * sizeof(std::uint32_t));
      continue;
    }
    // Four pixels from three words (blue, green, red bytes in a row), then one by one.
    std::uint32_t x = 0;
    for (; x + 4 <= level.width; x += 4, in += 12) {
      std::uint32_t word[3];
      std::memcpy(word, in, sizeof word);
      out[x] = word[0] | 0xFF000000u;
      out[x + 1] = word[0] >> 24 | word[1] << 8 | 0xFF000000u;
      out[x + 2] = word[1] >> 16 | word[2] << 16 | 0xFF000000u;
      out[x + 3] = word[2] >> 8 | 0xFF000000u;
    }
    for (; x < level.width; ++x, in += 3) {
      out[x] = 0xFF000000u | std::uint32_t{in[FI_RGBA_RED]} << 16 |
               std::uint32_t{in[FI_RGBA_GREEN]} << 8 | in[FI_RGBA_BLUE];
    }
  }
}

// The picture as ARGB words. Pictures without alpha get opaque alpha.
bool toLevel(FIBITMAP* bitmap, PixelLevel& level) {
  Bitmap standard;
  if (FreeImage_GetImageType(bitmap) != FIT_BITMAP) {
    standard = standardBitmap(bitmap);
    if (!standard) return false;
    bitmap = standard.get();
  }
  unsigned bpp = FreeImage_GetBPP(bitmap);
  Bitmap wide;
  if (bpp != 24 && bpp != 32) {
    wide.reset(FreeImage_ConvertTo32Bits(bitmap));
    if (!wide) return false;
    bitmap = wide.get();
    bpp = 32;
  }
  level = PixelLevel::make(FreeImage_GetWidth(bitmap), FreeImage_GetHeight(bitmap));
  if (!level.bytes) return false;
  copyRows(bitmap, bpp, level);
  return true;
}

// A transparency map: the grey level of each pixel becomes its alpha, the colour white.
void makeAlphaMask(const PixelLevel& level) {
  std::uint32_t* words = level.words();
  for (std::size_t i = 0; i < level.wordCount(); ++i) {
    std::uint32_t pixel = words[i];
    std::uint32_t red = (pixel >> 16) & 0xFF;
    std::uint32_t green = (pixel >> 8) & 0xFF;
    std::uint32_t blue = pixel & 0xFF;
    std::uint32_t alpha = (54 * red + 183 * green + 19 * blue) >> 8;
    words[i] = alpha << 24 | 0xFFFFFF;
  }
}

PixelRect rect(const PixelLevel& level) {
  return {level.bytes.get(), level.width, level.height,
          static_cast<int>(level.width * sizeof(std::uint32_t))};
}

}  // namespace

PixelLevel PixelLevel::make(std::uint32_t width, std::uint32_t height) {
  PixelLevel level;
  level.width = width;
  level.height = height;
  level.bytes = allocateBytes(std::size_t{width} * height * sizeof(std::uint32_t));
  return level;
}

std::size_t TexturePixels::byteCount() const {
  std::size_t bytes = 0;
  for (const PixelLevel& level : levels)
    bytes += level.wordCount() * sizeof(std::uint32_t);
  return bytes;
}

std::uint32_t fullChainLength(std::uint32_t width, std::uint32_t height) {
  std::uint32_t length = 1;
  while ((std::max(width, height) >> length) > 0)
    ++length;
  return length;
}

void filterLevel(const PixelLevel& above, const PixelLevel& below) {
  resamplePixels(rect(above), rect(below), Filter::Box);
}

bool makeTexturePixels(FIBITMAP* bitmap, bool colourKey, int kind, TexturePixels& pixels) {
  pixels.levels.clear();
  PixelLevel top;
  if (!toLevel(bitmap, top)) return false;
  pixels.format = colourKey || kind == VK_TRANSPARENT || hasAlpha(bitmap) ? gfx::Format::A8R8G8B8
                                                                          : gfx::Format::X8R8G8B8;
  // Key and mask are applied to level 0 before the lower levels are filtered from it.
  if (colourKey) {
    std::uint32_t* words = top.words();
    for (std::size_t i = 0; i < top.wordCount(); ++i) {
      if (words[i] == kColourKey) words[i] = 0;
    }
  }
  if (kind == VK_TRANSPARENT) makeAlphaMask(top);

  const std::uint32_t length = fullChainLength(top.width, top.height);
  pixels.levels.reserve(length);
  pixels.levels.push_back(std::move(top));
  for (std::uint32_t index = 1; index < length; ++index) {
    const PixelLevel& above = pixels.levels.back();
    PixelLevel below =
        PixelLevel::make(std::max(1u, above.width / 2), std::max(1u, above.height / 2));
    if (!below.bytes) return false;
    filterLevel(above, below);
    pixels.levels.push_back(std::move(below));
  }
  return true;
}

}  // namespace vesk
