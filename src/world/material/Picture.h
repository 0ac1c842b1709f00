// Picture files decoded by FreeImage from memory. Image and Texture both read their pictures
// through here: the file comes from the data files (archive or loose), FreeImage reads it through
// a memory stream that never goes past the buffer, and the format follows the file's extension.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct FIBITMAP;

namespace vesk {

struct BitmapDeleter {
  void operator()(FIBITMAP* bitmap) const noexcept;
};
// A decoded FreeImage bitmap, unloaded when its owner goes.
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

// The FreeImage format used for a file: the one its extension names (the text after the last
// dot, empty when the dot ends the name) if that is BMP, JPEG, KOALA, PCX, PNG or TIFF;
// TARGA for anything else, a name without a dot included.
int pictureFormat(std::string_view path);

// Decodes a picture held in memory with the loader of `pictureFormat(path)`. Null when the
// loader refuses the data, and for a targa file shorter than its header or whose footer,
// extension area or thumbnail (found by offsets) does not lie inside it. `flags` are FreeImage's
// load flags (FIF_LOAD_NOPIXELS: the header).
Bitmap decodePicture(std::string_view path, const std::uint8_t* data, std::size_t size,
                     int flags = 0);

// A copy of a bitmap of another pixel type (16 bits per channel, floats) as an ordinary bitmap
// of 8 bits per channel: 32 bits for colour (alpha kept), 8-bit grey for one channel. Null when
// FreeImage has no such conversion.
Bitmap standardBitmap(FIBITMAP* source);

struct DecodedPicture {
  Bitmap bitmap;  // null when refused
  unsigned width = 0, height = 0;
  bool tooLarge = false;  // refused for its size, read from its header
};

// Decodes a picture held in memory unless it is wider or taller than `maxSide` (0: no limit),
// which is found from its header, before its pixels are decoded, where the loader allows.
// Reports nothing.
DecodedPicture decodeUpTo(std::string_view path, const std::uint8_t* data, std::size_t size,
                          std::uint32_t maxSide);

// Reads "data\textures\" + `fileName` and decodes it. A missing file is the fatal error
// "Image <path> not found", a file that cannot be read (a folder, ...) or data the loader
// refuses "Error while loading image <path>" with the reason; all give null. A picture wider or
// taller than `maxSide` (0: no limit) is refused from its header, before its pixels are
// decoded. `path` receives the full path.
Bitmap loadPicture(std::string_view fileName, std::string& path, std::uint32_t maxSide);

}  // namespace vesk
