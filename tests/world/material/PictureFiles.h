// Pictures made inside the tests: written with FreeImage into data/textures/ of a temporary
// folder that is the current folder while the test runs, with the data files in loose mode.
#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <functional>
#include <string>

#include "base/File.h"
#include "support/TestSupport.h"
#include "world/material/Picture.h"

namespace vesk::test {

class PictureFolder {
 public:
  PictureFolder() : _current(_dir.path()) {
    std::filesystem::create_directories(_dir / "data" / "textures");
    File::reset();
    File::init();
  }
  ~PictureFolder() { File::reset(); }

  std::filesystem::path texturePath(const std::string& name) const {
    return _dir / "data" / "textures" / name;
  }
  const TempDir& dir() const { return _dir; }

  // Saves the bitmap as data/textures/<name> in the given format.
  void save(const std::string& name, FIBITMAP* bitmap, FREE_IMAGE_FORMAT format, int flags = 0) {
    ASSERT_TRUE(FreeImage_Save(format, bitmap, texturePath(name).c_str(), flags)) << name;
  }
  void writeBytes(const std::string& name, std::string_view bytes) {
    writeFile(texturePath(name), bytes);
  }

 private:
  TempDir _dir;
  CurrentDir _current;
};

// A 24- or 32-bit bitmap whose pixel (x, y), y = 0 the top row, is pixel(x, y) as ARGB.
inline Bitmap makeBitmap(unsigned width, unsigned height, unsigned bpp,
                         const std::function<std::uint32_t(unsigned, unsigned)>& pixel) {
  Bitmap bitmap(
      FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), static_cast<int>(bpp)));
  unsigned bytes = bpp / 8;
  for (unsigned y = 0; y < height; ++y) {
    BYTE* line = FreeImage_GetScanLine(bitmap.get(), static_cast<int>(height - 1 - y));
    for (unsigned x = 0; x < width; ++x) {
      std::uint32_t argb = pixel(x, y);
      BYTE* p = line + x * bytes;
      p[FI_RGBA_BLUE] = argb & 0xFF;
      p[FI_RGBA_GREEN] = (argb >> 8) & 0xFF;
      p[FI_RGBA_RED] = (argb >> 16) & 0xFF;
      if (bytes == 4) p[FI_RGBA_ALPHA] = argb >> 24;
    }
  }
  return bitmap;
}

// The 54 bytes of a 24-bit BMP header for a picture of side × side pixels, and no pixels.
inline std::string bmpHeaderOnly(std::uint32_t side) {
  std::string bytes(54, '\0');
  auto put32 = [&bytes](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
      bytes[at + i] = static_cast<char>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, 54 + 3 * side * side);  // the size the file claims
  put32(10, 54);                   // pixels right after the headers
  put32(14, 40);
  put32(18, side);
  put32(22, side);
  bytes[26] = 1;   // one plane
  bytes[28] = 24;  // bits per pixel
  return bytes;
}

}  // namespace vesk::test
