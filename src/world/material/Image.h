// A picture file decoded into plain pixel memory, for code that reads pixels itself (the water
// surface reads its impulse maps this way).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/Memory.h"
#include "render/DXObject.h"

namespace vesk {

class Image : public DXObject {
 public:
  enum Mode : int {
    // 3 bytes per pixel in the bitmap's own order (blue, green, red), bottom row first.
    // Pictures of fewer bits are converted, with a warning in the log.
    VK_IMAGE_COLOUR = 0,
    // 1 byte per pixel, top row first.
    VK_IMAGE_GREYSCALE = 1,
  };

  // Decodes "data\textures\" + `fileName` at once. On failure (reported as a fatal error) the
  // image is empty: no data, size 0 × 0.
  Image(std::string_view fileName, int mode);
  ~Image() override = default;
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  int mode() const { return _mode; }
  // Rows tightly packed, width × bytes per pixel each.
  const std::uint8_t* data() const { return _data.get(); }
  std::size_t size() const { return _data ? std::size_t{_width} * _height * bytesPerPixel() : 0; }
  std::size_t bytesPerPixel() const { return _mode == VK_IMAGE_GREYSCALE ? 1 : 3; }
  std::uint32_t width() const { return _width; }
  std::uint32_t height() const { return _height; }

 private:
  int _mode;
  Bytes _data;
  std::uint32_t _width = 0;
  std::uint32_t _height = 0;
};

}  // namespace vesk
