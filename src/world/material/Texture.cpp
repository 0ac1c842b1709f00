#include "world/material/Texture.h"

#include <algorithm>
#include <cstring>

#include "base/Diagnosis.h"
#include "base/Text.h"
#include "world/material/Picture.h"
#include "world/material/SurfaceFilter.h"
#include "world/material/TexturePixels.h"

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

// Writes a level whole, so its lock need not keep what was there.
bool upload(gfx::Texture& texture, std::uint32_t level, const PixelLevel& pixels) {
  gfx::LockedRect locked;
  if (!VK_DX(texture.lockRect(level, locked, gfx::LOCK_DISCARD))) return false;
  const std::size_t rowBytes = pixels.width * sizeof(std::uint32_t);
  if (locked.pitch == static_cast<int>(rowBytes)) {
    std::memcpy(locked.bits, pixels.words(), rowBytes * pixels.height);
  } else {
    for (std::uint32_t y = 0; y < pixels.height; ++y) {
      std::memcpy(static_cast<std::uint8_t*>(locked.bits) + std::ptrdiff_t{y} * locked.pitch,
                  pixels.words() + std::size_t{y} * pixels.width, rowBytes);
    }
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

Texture::Texture(std::string_view fileName, bool colourKey, int kind, Texture* diffuse,
                 const TexturePixels* decoded)
    : _key(makeKey(fileName, colourKey, kind, diffuse)) {
  if (decoded) {
    create(*decoded);
  } else {
    load(fileName, colourKey, kind);
  }
  if (kind == VK_TRANSPARENT && diffuse && _texture) combine(*diffuse);
}

std::uint32_t Texture::largestSide() {
  std::uint32_t side = kLargestPictureSide;
  gfx::Device* device = DXObject::device();
  if (device && device->caps().maxTextureSize != 0) {
    side = std::min(side, device->caps().maxTextureSize);
  }
  return side;
}

void Texture::load(std::string_view fileName, bool colourKey, int kind) {
  // A picture larger than a texture may be is refused before its pixels are decoded.
  std::string path;
  Bitmap bitmap = loadPicture(fileName, path, largestSide());
  if (!bitmap) return;
  TexturePixels pixels;
  if (!makeTexturePixels(bitmap.get(), colourKey, kind, pixels)) {
    fatal(str("Error while loading image ", path), here());
    return;
  }
  bitmap.reset();
  create(pixels);
}

void Texture::create(const TexturePixels& pixels) {
  gfx::Device* device = DXObject::device();
  if (!VK_DX(device != nullptr)) return;
  const PixelLevel& top = pixels.levels.front();
  _texture = device->createTexture(top.width, top.height, 0, gfx::USAGE_NONE, pixels.format,
                                   gfx::Pool::Managed);
  if (!VK_DX(_texture != nullptr)) return;
  // The levels made with the pixels, or (for a device whose chain differs) each filtered from
  // the one above.
  PixelLevel filtered;
  const PixelLevel* above = nullptr;
  for (std::uint32_t level = 0; level < _texture->levelCount(); ++level) {
    gfx::SurfaceDesc desc = _texture->levelDesc(level);
    const PixelLevel* words = nullptr;
    if (level < pixels.levels.size() && pixels.levels[level].width == desc.width &&
        pixels.levels[level].height == desc.height) {
      words = &pixels.levels[level];
    } else if (above) {
      PixelLevel lower = PixelLevel::make(desc.width, desc.height);
      if (!VK_DX(lower.bytes != nullptr)) return;
      filterLevel(*above, lower);
      filtered = std::move(lower);
      words = &filtered;
    }
    if (!VK_DX(words != nullptr) || !upload(*_texture, level, *words)) return;
    above = words;
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
