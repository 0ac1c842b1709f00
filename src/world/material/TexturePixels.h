// What a texture makes of a decoded picture before the device sees it: every mip level as 32-bit
// ARGB words, the colour key or the alpha mask applied, and the format it needs. This is plain
// CPU work on the picture alone, so that it can be done ahead on a worker thread as well as
// when the texture is loaded; both ways give the same words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Memory.h"
#include "gfx/Device.h"

struct FIBITMAP;

namespace vesk {

// One level: width × height words, tightly packed, top row first.
struct PixelLevel {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  Bytes bytes;

  // A level of that size whose words are not set yet; null words when the heap refuses.
  static PixelLevel make(std::uint32_t width, std::uint32_t height);
  std::uint32_t* words() const { return reinterpret_cast<std::uint32_t*>(bytes.get()); }
  std::size_t wordCount() const { return std::size_t{width} * height; }
};

struct TexturePixels {
  gfx::Format format = gfx::Format::X8R8G8B8;
  // Level 0 (the picture's size) down to 1 × 1, each side halved and kept at least 1, as the
  // device makes a full chain.
  std::vector<PixelLevel> levels;

  std::size_t byteCount() const;
};

// How many levels a full chain has for a picture of that size.
std::uint32_t fullChainLength(std::uint32_t width, std::uint32_t height);

// Fills `below` from `above` with the box filter.
void filterLevel(const PixelLevel& above, const PixelLevel& below);

// The texture's words for a decoded picture loaded as `kind` (colour key: opaque black becomes
// transparent; a transparency map becomes a white alpha mask) with the whole chain of lower
// levels. False when FreeImage cannot convert the picture or memory runs out; nothing is
// reported, so that any thread may call it.
bool makeTexturePixels(FIBITMAP* bitmap, bool colourKey, int kind, TexturePixels& pixels);

}  // namespace vesk
