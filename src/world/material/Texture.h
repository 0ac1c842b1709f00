// A picture file as a device texture with a full mip chain: optionally colour-keyed (opaque
// black becomes transparent), or turned into an alpha mask and merged with a colour partner.
// Textures are shared through the ResourceCache, which creates them and owns them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Memory.h"
#include "render/DXObject.h"

namespace vesk {

// The kinds a texture is loaded for; the same numbers say how a ComplexTexture applies it.
inline constexpr int VK_DIFFUSE = 1;
inline constexpr int VK_TRANSPARENT = 2;
inline constexpr int VK_LIGHTMAP = 3;
inline constexpr int VK_BUMP = 4;
inline constexpr int VK_ENVIRONMENT = 5;
inline constexpr int VK_ADDITIVE_ENVIRONMENT = 6;

// The longest side of a picture a texture loads. The device may take larger ones (16384 under
// Mesa), but one such picture costs gigabytes through decoding and its mip chain, and the show
// has no picture near this size.
inline constexpr std::uint32_t kLargestPictureSide = 4096;

// The colour that the colour key makes transparent.
inline constexpr Argb kColourKey = 0xFF000000;

struct TexturePixels;

class Texture : public DXObject {
 public:
  // Loads "data\textures\" + `fileName` at once, or takes `decoded`, the words already made
  // from that picture for this colour key and kind. Failures are fatal errors; the texture is
  // then kept without a device texture, size 0 × 0.
  Texture(std::string_view fileName, bool colourKey, int kind, Texture* diffuse,
          const TexturePixels* decoded = nullptr);
  ~Texture() override = default;
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  // What tells requests apart in a bank: the file name, "/colorKey" when the colour key is on,
  // the kind's suffix ("/d", "/t", "/l", "/b", "/e"; none for kind 6), then "/" and the
  // partner's own key when there is one.
  static std::string makeKey(std::string_view fileName, bool colourKey, int kind,
                             const Texture* diffuse);

  // The longest side of a picture this device's textures take.
  static std::uint32_t largestSide();

  const std::string& key() const { return _key; }
  gfx::Texture* deviceTexture() const { return _texture.get(); }
  // The size of mip level 0.
  std::uint32_t width() const { return _width; }
  std::uint32_t height() const { return _height; }

 private:
  void load(std::string_view fileName, bool colourKey, int kind);
  // The device texture with every level written from the pixels.
  void create(const TexturePixels& pixels);
  // Keeps the alpha of this transparency map and takes red, green and blue from the diffuse
  // texture's level 0, after resizing this texture to the diffuse one's size.
  void combine(Texture& diffuse);
  void readSize();

  Owned<gfx::Texture> _texture;
  std::string _key;
  std::uint32_t _width = 0;
  std::uint32_t _height = 0;
};

}  // namespace vesk
