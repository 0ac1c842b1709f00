#include "world/material/Texture.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/Diagnosis.h"
#include "base/Text.h"
#include "world/material/Picture.h"
#include "world/material/SurfaceFilter.h"

namespace vesk {

namespace {

const char* kindSuffix(int kind) {
  switch (kind) {
    case VK_DIFFUSE:
      return "/d";
    case VK_TRANSPARENT:
      return "/t";
    case VK_LIGHTMAP:
      return "/l";
    case VK_BUMP:
      return "/b";
    case VK_ENVIRONMENT:
      return "/e";
    default:
      return "";
  }
}

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

// A level's pixels on the CPU: 32-bit ARGB words, tightly packed, top row first.
struct Pixels {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint32_t> words;

  Pixels(std::uint32_t w, std::uint32_t h) : width(w), height(h), words(std::size_t{w} * h) {}
  PixelRect rect() {
    return {words.data(), width, height, static_cast<int>(width * sizeof(std::uint32_t))};
  }
};

// The picture as ARGB words. Pictures without alpha get opaque alpha.
bool toPixels(FIBITMAP* bitmap, Pixels& pixels) {
  Bitmap standard;
  if (FreeImage_GetImageType(bitmap) != FIT_BITMAP) {
    standard = standardBitmap(bitmap);
    if (!standard) return false;
    bitmap = standard.get();
  }
  Bitmap wide(FreeImage_ConvertTo32Bits(bitmap));
  if (!wide) return false;
  pixels = Pixels(FreeImage_GetWidth(wide.get()), FreeImage_GetHeight(wide.get()));
  // On this byte order FreeImage keeps 32-bit pixels as blue, green, red, alpha bytes, which read
  // as one word are A8R8G8B8. Scan line 0 is the bottom row.
  static_assert(FI_RGBA_BLUE == 0 && FI_RGBA_ALPHA == 3, "FreeImage pixels are not BGRA here");
  for (std::uint32_t y = 0; y < pixels.height; ++y) {
    std::memcpy(&pixels.words[std::size_t{y} * pixels.width],
                FreeImage_GetScanLine(wide.get(), pixels.height - 1 - y),
                pixels.width * sizeof(std::uint32_t));
  }
  return true;
}

// A transparency map: the grey level of each pixel becomes its alpha, the colour white.
void makeAlphaMask(Pixels& pixels) {
  for (std::uint32_t& pixel : pixels.words) {
    std::uint32_t red = (pixel >> 16) & 0xFF;
    std::uint32_t green = (pixel >> 8) & 0xFF;
    std::uint32_t blue = pixel & 0xFF;
    std::uint32_t alpha = (54 * red + 183 * green + 19 * blue) >> 8;
    pixel = alpha << 24 | 0xFFFFFF;
  }
}

bool upload(gfx::Texture& texture, std::uint32_t level, Pixels& pixels) {
  gfx::LockedRect locked;
  if (!VK_DX(texture.lockRect(level, locked, gfx::LOCK_NONE))) return false;
  for (std::uint32_t y = 0; y < pixels.height; ++y) {
    std::memcpy(static_cast<std::uint8_t*>(locked.bits) + std::ptrdiff_t{y} * locked.pitch,
                &pixels.words[std::size_t{y} * pixels.width], pixels.width * sizeof(std::uint32_t));
  }
  return VK_DX(texture.unlockRect(level));
}

}  // namespace

std::string Texture::makeKey(std::string_view fileName, bool colourKey, int kind,
                             const Texture* diffuse) {
  std::string key(fileName);
  if (colourKey) key += "/colorKey";
  key += kindSuffix(kind);
  if (diffuse) key += "/" + diffuse->key();
  return key;
}

Texture::Texture(std::string_view fileName, bool colourKey, int kind, Texture* diffuse)
    : _key(makeKey(fileName, colourKey, kind, diffuse)) {
  load(fileName, colourKey, kind);
  if (kind == VK_TRANSPARENT && diffuse && _texture) combine(*diffuse);
}

void Texture::load(std::string_view fileName, bool colourKey, int kind) {
  gfx::Device* device = DXObject::device();
  // A picture larger than a texture may be is refused before its pixels are decoded.
  std::uint32_t maxSide = kLargestPictureSide;
  if (device && device->caps().maxTextureSize != 0) {
    maxSide = std::min(maxSide, device->caps().maxTextureSize);
  }
  std::string path;
  Bitmap bitmap = loadPicture(fileName, path, maxSide);
  if (!bitmap) return;
  Pixels pixels(0, 0);
  if (!toPixels(bitmap.get(), pixels)) {
    fatal(str("Error while loading image ", path), here());
    return;
  }
  gfx::Format format = colourKey || kind == VK_TRANSPARENT || hasAlpha(bitmap.get())
                           ? gfx::Format::A8R8G8B8
                           : gfx::Format::X8R8G8B8;
  bitmap.reset();

  if (!VK_DX(device != nullptr)) return;

  // Key and mask are applied to level 0 before the lower levels are filtered from it.
  if (colourKey) {
    for (std::uint32_t& pixel : pixels.words) {
      if (pixel == kColourKey) pixel = 0;
    }
  }
  if (kind == VK_TRANSPARENT) makeAlphaMask(pixels);

  _texture = device->createTexture(pixels.width, pixels.height, 0, gfx::USAGE_NONE, format,
                                   gfx::Pool::Managed);
  if (!VK_DX(_texture != nullptr)) return;
  if (!upload(*_texture, 0, pixels)) return;
  // Each lower level is filtered from the one above.
  for (std::uint32_t level = 1; level < _texture->levelCount(); ++level) {
    gfx::SurfaceDesc desc = _texture->levelDesc(level);
    Pixels lower(desc.width, desc.height);
    resamplePixels(pixels.rect(), lower.rect(), Filter::Box);
    if (!upload(*_texture, level, lower)) return;
    pixels = std::move(lower);
  }
  readSize();
}

void Texture::combine(Texture& diffuse) {
  gfx::Texture* colour = diffuse.deviceTexture();
  if (!colour || _texture->levelDesc(0).format != gfx::Format::A8R8G8B8 ||
      colour->levelDesc(0).format != gfx::Format::X8R8G8B8) {
    fatal("Texture::combine failed", here());
    return;
  }
  gfx::SurfaceDesc own = _texture->levelDesc(0);
  gfx::SurfaceDesc target = colour->levelDesc(0);
  if (own.width != target.width || own.height != target.height) {
    Owned<gfx::Texture> resized = device()->createTexture(
        target.width, target.height, 0, gfx::USAGE_NONE, own.format, gfx::Pool::Managed);
    if (!VK_DX(resized != nullptr)) return;
    std::uint32_t lastLevel = _texture->levelCount() - 1;
    for (std::uint32_t level = 0; level < resized->levelCount(); ++level) {
      gfx::Surface* source = _texture->surfaceLevel(std::min(level, lastLevel));
      gfx::Surface* destination = resized->surfaceLevel(level);
      if (!VK_DX(source != nullptr && destination != nullptr)) return;
      gfx::SurfaceDesc from = source->desc();
      gfx::SurfaceDesc to = destination->desc();
      Filter filter = defaultFilter(from.width, from.height, to.width, to.height);
      if (!VK_DX(loadSurfaceFromSurface(*destination, *source, filter))) return;
    }
    _texture = std::move(resized);
  }

  gfx::LockedRect colourBits;
  if (!VK_DX(colour->lockRect(0, colourBits, gfx::LOCK_READ_ONLY))) return;
  gfx::LockedRect ownBits;
  if (!VK_DX(_texture->lockRect(0, ownBits, gfx::LOCK_NONE))) {
    colour->unlockRect(0);
    return;
  }
  for (std::uint32_t y = 0; y < target.height; ++y) {
    auto* in = reinterpret_cast<const std::uint32_t*>(
        static_cast<const std::uint8_t*>(colourBits.bits) + std::ptrdiff_t{y} * colourBits.pitch);
    auto* out = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(ownBits.bits) +
                                                 std::ptrdiff_t{y} * ownBits.pitch);
    for (std::uint32_t x = 0; x < target.width; ++x) {
      out[x] = (out[x] & 0xFF000000) | (in[x] & 0x00FFFFFF);
    }
  }
  VK_DX(colour->unlockRect(0));
  VK_DX(_texture->unlockRect(0));
  readSize();
}

void Texture::readSize() {
  gfx::SurfaceDesc desc = _texture->levelDesc(0);
  _width = desc.width;
  _height = desc.height;
}

}  // namespace vesk
