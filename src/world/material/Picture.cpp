#include "world/material/Picture.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/ByteOrder.h"
#include "base/Diagnosis.h"
#include "base/File.h"
#include "base/Text.h"

namespace vesk {

namespace {

// The file's bytes as FreeImage's loaders read them. A position beyond the end is the end:
// loaders take the end's position less the current one as the bytes left (the targa loader
// allocates that much), which must not go negative when a header points past the end.
struct MemoryStream {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position;
};

// Copies size × count bytes, at most what remains, and advances by that much. Answers the
// number of whole items copied, as fread does: most loaders compare it with the count asked.
// What a read past the end leaves of the buffer is zeroed: some loaders do not look at the count
// (the targa loader reads a truncated file's missing pixels into a buffer of its own), and
// would otherwise keep whatever their memory held.
unsigned DLL_CALLCONV readStream(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  auto* stream = static_cast<MemoryStream*>(handle);
  if (size == 0 || count == 0) return 0;
  std::size_t left = stream->position < stream->size ? stream->size - stream->position : 0;
  const std::size_t asked = static_cast<std::size_t>(size) * count;
  std::size_t copied = std::min(asked, left);
  if (copied > 0) std::memcpy(buffer, stream->data + stream->position, copied);
  std::memset(static_cast<std::uint8_t*>(buffer) + copied, 0, asked - copied);
  stream->position += copied;
  return static_cast<unsigned>(copied / size);
}

int DLL_CALLCONV seekStream(fi_handle handle, long offset, int origin) {
  auto* stream = static_cast<MemoryStream*>(handle);
  long long base = 0;
  switch (origin) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = static_cast<long long>(stream->position);
      break;
    case SEEK_END:
      base = static_cast<long long>(stream->size);
      break;
    default:
      return -1;
  }
  // A position before the start (or one that overflows) is refused and leaves the stream as
  // it was, as fseek does.
  long long target = 0;
  if (__builtin_add_overflow(base, static_cast<long long>(offset), &target) || target < 0) {
    return -1;
  }
  stream->position = std::min(static_cast<std::size_t>(target), stream->size);
  return 0;
}

long DLL_CALLCONV tellStream(fi_handle handle) {
  auto* stream = static_cast<MemoryStream*>(handle);
  return static_cast<long>(
      std::min<std::size_t>(stream->position, std::numeric_limits<long>::max()));
}

// The parts of a targa file the targa loader finds by offsets: an 18-byte header at the start
// and, in a file that ends in the signature, a 26-byte footer at the end whose first word is the
// offset of a 495-byte extension area (0: none). The extension area's word at 486 is the offset
// of a thumbnail (0: none, the footer's offset or beyond: ignored): a width and a height byte,
// then as many pixels of the picture's depth.
constexpr std::size_t kTargaHeaderSize = 18;
constexpr std::size_t kTargaDepthAt = 16;
constexpr std::size_t kTargaFooterSize = 26;
constexpr std::size_t kTargaExtensionSize = 495;
constexpr std::size_t kTargaThumbnailOffsetAt = 486;
constexpr std::uint8_t kTargaSignature[] = {'T', 'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O',
                                            'N', '-', 'X', 'F', 'I', 'L', 'E', '.', '\0'};

// Whether those parts lie inside the file. The loader takes them as they come: it reads the
// header and the footer whatever the file's size (from before the start of a short file, where
// the read keeps the previous position), reads the rest of the extension area's fields from its
// own uninitialised memory when the area runs past the end, allocates the distance from the
// thumbnail to the footer for the thumbnail's pixels (nearly 2^64 bytes when that is negative),
// and copies width × height pixels out of that allocation however small it is.
bool targaPartsInside(const std::uint8_t* data, std::size_t size) {
  if (size < kTargaHeaderSize) return false;
  constexpr std::size_t kSignatureSize = sizeof kTargaSignature;
  if (std::memcmp(data + size - kSignatureSize, kTargaSignature, kSignatureSize) != 0) return true;
  if (size < kTargaFooterSize) return false;
  const std::size_t footerAt = size - kTargaFooterSize;
  const std::size_t extensionAt = loadLe32(data + footerAt);
  if (extensionAt == 0) return true;
  if (extensionAt > size || size - extensionAt < kTargaExtensionSize) return false;
  const std::size_t thumbnailAt = loadLe32(data + extensionAt + kTargaThumbnailOffsetAt);
  if (thumbnailAt == 0 || thumbnailAt >= footerAt) return true;
  if (footerAt - thumbnailAt < 2) return false;
  const std::size_t pixelSize = (data[kTargaDepthAt] + 7u) / 8u;
  const std::size_t pixels = std::size_t{data[thumbnailAt]} * data[thumbnailAt + 1] * pixelSize;
  return pixels <= footerAt - thumbnailAt - 2;
}

}  // namespace

void BitmapDeleter::operator()(FIBITMAP* bitmap) const noexcept {
  FreeImage_Unload(bitmap);
}

int pictureFormat(std::string_view path) {
  std::size_t dot = path.rfind('.');
  std::string extension(dot == std::string_view::npos ? std::string_view{} : path.substr(dot + 1));
  // Given a bare extension (no dot), FreeImage matches it against its loaders' extensions.
  FREE_IMAGE_FORMAT format =
      extension.empty() ? FIF_UNKNOWN : FreeImage_GetFIFFromFilename(extension.c_str());
  switch (format) {
    case FIF_BMP:
    case FIF_JPEG:
    case FIF_KOALA:
    case FIF_PCX:
    case FIF_PNG:
    case FIF_TIFF:
      return format;
    default:
      return FIF_TARGA;
  }
}

Bitmap standardBitmap(FIBITMAP* source) {
  switch (FreeImage_GetImageType(source)) {
    case FIT_RGB16:
    case FIT_RGBA16:
      return Bitmap(FreeImage_ConvertTo32Bits(source));
    default:
      return Bitmap(FreeImage_ConvertToStandardType(source, TRUE));
  }
}

Bitmap decodePicture(std::string_view path, const std::uint8_t* data, std::size_t size, int flags) {
  MemoryStream stream{data, data ? size : 0, 0};
  FreeImageIO io{};
  io.read_proc = readStream;
  io.write_proc = nullptr;
  io.seek_proc = seekStream;
  io.tell_proc = tellStream;
  auto format = static_cast<FREE_IMAGE_FORMAT>(pictureFormat(path));
  if (format == FIF_TARGA && !targaPartsInside(stream.data, stream.size)) return nullptr;
  return Bitmap(FreeImage_LoadFromHandle(format, &io, &stream, flags));
}

DecodedPicture decodeUpTo(std::string_view path, const std::uint8_t* data, std::size_t size,
                          std::uint32_t maxSide) {
  DecodedPicture picture;
  // The header alone where the loader can read it, so that a huge picture is refused before
  // gigabytes of pixels are decoded; other loaders decode the whole picture at once.
  const bool headerFirst = maxSide != 0 && FreeImage_FIFSupportsNoPixels(
                                               static_cast<FREE_IMAGE_FORMAT>(pictureFormat(path)));
  picture.bitmap = decodePicture(path, data, size, headerFirst ? FIF_LOAD_NOPIXELS : 0);
  if (!picture.bitmap) return picture;
  picture.width = FreeImage_GetWidth(picture.bitmap.get());
  picture.height = FreeImage_GetHeight(picture.bitmap.get());
  if (maxSide != 0 && (picture.width > maxSide || picture.height > maxSide)) {
    picture.bitmap.reset();
    picture.tooLarge = true;
    return picture;
  }
  if (!FreeImage_HasPixels(picture.bitmap.get())) {
    picture.bitmap = decodePicture(path, data, size);
  }
  return picture;
}

Bitmap loadPicture(std::string_view fileName, std::string& path, std::uint32_t maxSide) {
  path = str(kTextureFolder, fileName);
  std::uint32_t size = 0;
  std::string why;
  Bytes data = File::get(path, size, &why);
  if (!data) {
    fatal(why.empty() ? str("Image ", path, " not found")
                      : str("Error while loading image ", path, ": ", why),
          here());
    return nullptr;
  }
  DecodedPicture picture = decodeUpTo(path, data.get(), size, maxSide);
  if (picture.tooLarge) {
    fatal(str("Error while loading image ", path, ": ", picture.width, " x ", picture.height,
              " pixels, larger than the ", maxSide, " x ", maxSide, " a texture may be"),
          here());
  } else if (!picture.bitmap) {
    fatal(str("Error while loading image ", path), here());
  }
  return std::move(picture.bitmap);
}

}  // namespace vesk
