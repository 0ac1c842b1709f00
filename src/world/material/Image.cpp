#include "world/material/Image.h"

#include <FreeImage.h>

#include <cstring>
#include <string>

#include "base/Diagnosis.h"
#include "base/Log.h"
#include "base/Text.h"
#include "world/material/Picture.h"
#include "world/material/Texture.h"

namespace vesk {

namespace {

// A bitmap in the layout a mode copies from: 24-bit colour or 8-bit grey. Null when FreeImage
// cannot convert it.
Bitmap convertForMode(Bitmap bitmap, int mode, const std::string& path) {
  FIBITMAP* source = bitmap.get();
  bool standard = FreeImage_GetImageType(source) == FIT_BITMAP;
  unsigned bpp = FreeImage_GetBPP(source);
  // Pictures of 16 bits per channel are first brought to 8 bits per channel.
  Bitmap scaled;
  if (!standard) {
    scaled = standardBitmap(source);
    if (!scaled) return nullptr;
  }
  FIBITMAP* usable = standard ? source : scaled.get();
  if (mode == Image::VK_IMAGE_COLOUR) {
    if (bpp < 24) {
      logLine(str("Warning ! Image ", path, " is converted to 24 bits (bpp was < 24)"));
    }
    // Wider pixels (an alpha channel) are converted as well: copying three bytes per pixel out
    // of them would mix up the channels.
    if (standard && bpp == 24) return bitmap;
    return Bitmap(FreeImage_ConvertTo24Bits(usable));
  }
  // An 8-bit bitmap is used as it is only when its palette is the grey ramp; indices into a
  // colour palette are not grey levels.
  if (standard && bpp == 8 && FreeImage_GetColorType(source) == FIC_MINISBLACK) return bitmap;
  return Bitmap(FreeImage_ConvertToGreyscale(usable));
}

}  // namespace

Image::Image(std::string_view fileName, int mode) : _mode(mode) {
  VK_ASSERT(mode == VK_IMAGE_COLOUR || mode == VK_IMAGE_GREYSCALE, "(mode==0)||(mode==1)",
            "Image mode should be 0 (colour) or 1 (greyscale)");
  if (mode != VK_IMAGE_COLOUR && mode != VK_IMAGE_GREYSCALE) return;

  std::string path;
  // Plain pixel memory has no device limit, but a header may claim any size: a picture larger
  // than a texture may be is refused from its header too, before gigabytes are asked for.
  Bitmap bitmap = loadPicture(fileName, path, kLargestPictureSide);
  if (!bitmap) return;
  bitmap = convertForMode(std::move(bitmap), mode, path);
  if (!bitmap) {
    fatal(str("Error while loading image ", path), here());
    return;
  }

  std::uint32_t width = FreeImage_GetWidth(bitmap.get());
  std::uint32_t height = FreeImage_GetHeight(bitmap.get());
  std::size_t rowBytes = std::size_t{width} * bytesPerPixel();
  _data = allocateBytes(rowBytes * height);
  if (!_data) {
    fatal(str("Error while loading image ", path), here());
    return;
  }
  _width = width;
  _height = height;
  // FreeImage pads its rows to 4 bytes; the copy packs them. Scan line 0 is the bottom row.
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint32_t source = mode == VK_IMAGE_COLOUR ? y : height - 1 - y;
    std::memcpy(_data.get() + y * rowBytes, FreeImage_GetScanLine(bitmap.get(), source), rowBytes);
  }
}

}  // namespace vesk
