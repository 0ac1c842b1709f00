#include "world/material/Image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "base/ByteOrder.h"
#include "base/Log.h"
#include "world/material/PictureFiles.h"

namespace vesk {
namespace {

using test::makeBitmap;

class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(theLog().open(folder.dir() / "Log.txt")); }
  void TearDown() override { theLog().close(); }
  std::string logText() { return test::readFile(folder.dir() / "Log.txt"); }

  test::RecordingPresenter presenter;
  test::PictureFolder folder;
};

// Red, green, blue and white quadrants; red at the top left.
std::uint32_t quadrants(unsigned x, unsigned y, unsigned w, unsigned h) {
  bool right = x >= w / 2, bottom = y >= h / 2;
  if (!right && !bottom) return 0xFFFF0000;
  if (right && !bottom) return 0xFF00FF00;
  if (!right && bottom) return 0xFF0000FF;
  return 0xFFFFFFFF;
}

TEST_F(ImageTest, SixteenBitPictureIsConvertedWithAWarning) {
  Bitmap colour =
      makeBitmap(6, 4, 24, [](unsigned x, unsigned y) { return quadrants(x, y, 6, 4); });
  Bitmap narrow(FreeImage_ConvertTo16Bits565(colour.get()));
  folder.save("narrow.bmp", narrow.get(), FIF_BMP);

  Image image("narrow.bmp", Image::VK_IMAGE_COLOUR);
  EXPECT_TRUE(presenter.errors().empty());
  ASSERT_EQ(image.width(), 6u);
  ASSERT_EQ(image.height(), 4u);
  ASSERT_EQ(image.size(), 6u * 4u * 3u);
  EXPECT_NE(logText().find("Warning ! Image data\\textures\\narrow.bmp is converted to 24 bits "
                           "(bpp was < 24)"),
            std::string::npos);
  // Bottom row first, blue green red: the bottom left quadrant is blue, the top right green.
  const std::uint8_t* bottomLeft = image.data();
  EXPECT_EQ(bottomLeft[0], 0xFF);
  EXPECT_EQ(bottomLeft[1], 0x00);
  EXPECT_EQ(bottomLeft[2], 0x00);
  const std::uint8_t* topRight = image.data() + (3 * 6 + 5) * 3;
  EXPECT_EQ(topRight[0], 0x00);
  EXPECT_EQ(topRight[1], 0xFF);
  EXPECT_EQ(topRight[2], 0x00);
}

TEST_F(ImageTest, ColourRowsArePackedWithoutFreeImagePadding) {
  // 5 pixels of 3 bytes: FreeImage pads each row to 16 bytes.
  Bitmap picture = makeBitmap(5, 3, 24, [](unsigned x, unsigned y) {
    return 0xFF000000u | (x * 40) << 16 | (y * 90) << 8 | 7;
  });
  folder.save("odd.png", picture.get(), FIF_PNG);
  Image image("odd.png", Image::VK_IMAGE_COLOUR);
  ASSERT_EQ(image.size(), 5u * 3u * 3u);
  EXPECT_EQ(logText().find("Warning"), std::string::npos);
  for (unsigned row = 0; row < 3; ++row) {
    unsigned y = 2 - row;  // bottom row first
    for (unsigned x = 0; x < 5; ++x) {
      const std::uint8_t* p = image.data() + (row * 5 + x) * 3;
      EXPECT_EQ(p[0], 7);
      EXPECT_EQ(p[1], y * 90);
      EXPECT_EQ(p[2], x * 40);
    }
  }
}

TEST_F(ImageTest, PictureWithAlphaGivesThreeBytesPerPixelInColourMode) {
  Bitmap picture = makeBitmap(3, 2, 32, [](unsigned, unsigned) { return 0x80102030u; });
  folder.save("alpha.png", picture.get(), FIF_PNG);
  Image image("alpha.png", Image::VK_IMAGE_COLOUR);
  ASSERT_EQ(image.size(), 3u * 2u * 3u);
  EXPECT_EQ(logText().find("Warning"), std::string::npos);
  for (std::size_t i = 0; i < image.size(); i += 3) {
    EXPECT_EQ(image.data()[i], 0x30);
    EXPECT_EQ(image.data()[i + 1], 0x20);
    EXPECT_EQ(image.data()[i + 2], 0x10);
  }
}

TEST_F(ImageTest, ColourJpegInGreyscaleGivesOneByteAPixelTopRowFirst) {
  // White top half, dark red bottom half, odd width so that FreeImage pads the rows.
  Bitmap picture = makeBitmap(
      13, 16, 24, [](unsigned, unsigned y) { return y < 8 ? 0xFFFFFFFFu : 0xFF400000u; });
  folder.save("half.jpg", picture.get(), FIF_JPEG, JPEG_QUALITYSUPERB);
  Image image("half.jpg", Image::VK_IMAGE_GREYSCALE);
  ASSERT_EQ(image.width(), 13u);
  ASSERT_EQ(image.height(), 16u);
  ASSERT_EQ(image.size(), 13u * 16u);
  EXPECT_NEAR(image.data()[0], 255, 6);
  EXPECT_NEAR(image.data()[13 * 16 - 1], 0.3 * 0x40, 8);
}

TEST_F(ImageTest, ColourPaletteGivesGreyLevelsNotIndices) {
  Bitmap picture(FreeImage_Allocate(4, 1, 8));
  RGBQUAD* palette = FreeImage_GetPalette(picture.get());
  palette[0] = {0, 0, 0, 0};        // black
  palette[1] = {255, 255, 255, 0};  // white
  BYTE* line = FreeImage_GetScanLine(picture.get(), 0);
  std::memset(line, 0, 4);
  line[2] = 1;
  folder.save("palette.bmp", picture.get(), FIF_BMP);
  Image image("palette.bmp", Image::VK_IMAGE_GREYSCALE);
  ASSERT_EQ(image.size(), 4u);
  EXPECT_EQ(image.data()[0], 0);
  EXPECT_EQ(image.data()[2], 255);
}

TEST_F(ImageTest, FormatFollowsTheExtensionAndDefaultsToTarga) {
  EXPECT_EQ(pictureFormat("data\\textures\\a.png"), FIF_PNG);
  EXPECT_EQ(pictureFormat("data\\textures\\a.JPG"), FIF_JPEG);
  EXPECT_EQ(pictureFormat("data\\textures\\x.y.bmp"), FIF_BMP);
  EXPECT_EQ(pictureFormat("data\\textures\\a.pcx"), FIF_PCX);
  EXPECT_EQ(pictureFormat("data\\textures\\a.tif"), FIF_TIFF);
  EXPECT_EQ(pictureFormat("data\\textures\\a.koa"), FIF_KOALA);
  EXPECT_EQ(pictureFormat("data\\textures\\a.gif"), FIF_TARGA);
  EXPECT_EQ(pictureFormat("data\\textures\\a."), FIF_TARGA);
  EXPECT_EQ(pictureFormat("data\\textures\\png"), FIF_TARGA);

  Bitmap picture = makeBitmap(2, 2, 24, [](unsigned, unsigned) { return 0xFF00FF00u; });
  folder.save("nodot", picture.get(), FIF_TARGA);
  Image image("nodot", Image::VK_IMAGE_COLOUR);
  EXPECT_TRUE(presenter.errors().empty());
  EXPECT_EQ(image.size(), 12u);
}

TEST_F(ImageTest, FailuresAreFatalAndLeaveTheImageEmpty) {
  {
    Image image("missing.png", Image::VK_IMAGE_COLOUR);
    EXPECT_EQ(image.data(), nullptr);
    EXPECT_EQ(image.width(), 0u);
    ASSERT_FALSE(presenter.errors().empty());
    EXPECT_EQ(presenter.errors().back(), "Image data\\textures\\missing.png not found");
  }
  presenter.clear();
  folder.writeBytes("junk.png", "this is not a picture");
  Image image("junk.png", Image::VK_IMAGE_GREYSCALE);
  EXPECT_EQ(image.data(), nullptr);
  EXPECT_EQ(presenter.errors(),
            std::vector<std::string>{"Error while loading image data\\textures\\junk.png"});
  // A picture that is there but cannot be read is not "not found": the reason is told.
  presenter.clear();
  std::filesystem::create_directories(folder.texturePath("folder.png"));
  Image fromFolder("folder.png", Image::VK_IMAGE_COLOUR);
  EXPECT_EQ(fromFolder.data(), nullptr);
  ASSERT_FALSE(presenter.errors().empty());
  EXPECT_EQ(presenter.errors().back(),
            "Error while loading image data\\textures\\folder.png: a folder, not a file");
}

// Decodes `bytes` from a heap block of exactly their size, so that the address sanitizer
// catches any read past it.
bool decodes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  auto* block = static_cast<std::uint8_t*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
  if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
  Bitmap bitmap = decodePicture(path, block, bytes.size());
  std::free(block);
  return bitmap != nullptr;
}

std::vector<std::uint8_t> encode(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format) {
  FIMEMORY* memory = FreeImage_OpenMemory();
  EXPECT_TRUE(FreeImage_SaveToMemory(format, bitmap, memory, 0));
  BYTE* data = nullptr;
  DWORD size = 0;
  FreeImage_AcquireMemory(memory, &data, &size);
  std::vector<std::uint8_t> bytes(data, data + size);
  FreeImage_CloseMemory(memory);
  return bytes;
}

TEST(PictureDecodingTest, TruncatedAndDamagedDataStaysInsideTheBuffer) {
  Bitmap picture = makeBitmap(9, 7, 24, [](unsigned x, unsigned y) { return x * 0x10203u + y; });
  struct Case {
    const char* path;
    FREE_IMAGE_FORMAT format;
  } cases[] = {{"a.bmp", FIF_BMP},
               {"a.png", FIF_PNG},
               {"a.jpg", FIF_JPEG},
               {"a.tga", FIF_TARGA},
               {"a.tif", FIF_TIFF}};
  std::mt19937 random(1234);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::vector<std::uint8_t> whole = encode(picture.get(), c.format);
    ASSERT_TRUE(decodes(c.path, whole));
    for (std::size_t length :
         {std::size_t{0}, std::size_t{1}, std::size_t{17}, whole.size() / 2, whole.size() - 1}) {
      decodes(c.path, std::vector<std::uint8_t>(whole.begin(), whole.begin() + length));
    }
    for (int round = 0; round < 20; ++round) {
      std::vector<std::uint8_t> damaged = whole;
      for (int i = 0; i < 8; ++i)
        damaged[random() % damaged.size()] = random() & 0xFF;
      decodes(c.path, damaged);
    }
  }
}

// A 2 × 2 targa file of 24-bit pixels with a footer: its extension area, then a thumbnail of
// thumbnailWidth × 1 pixels holding 6 bytes of pixels, right before the footer.
constexpr std::size_t kExtension = 18 + 2 * 2 * 3, kThumbnail = kExtension + 495,
                      kFooter = kThumbnail + 2 + 6;
std::vector<std::uint8_t> targaWithThumbnail(std::uint8_t thumbnailWidth) {
  std::vector<std::uint8_t> bytes(kFooter + 26, 0x40);
  std::fill(bytes.begin(), bytes.begin() + 18, 0);
  bytes[2] = 2;  // true colour
  bytes[12] = 2;
  bytes[14] = 2;
  bytes[16] = 24;
  std::fill(bytes.begin() + kExtension, bytes.begin() + kThumbnail, 0);
  storeLe16(&bytes[kExtension], 495);
  storeLe32(&bytes[kExtension + 486], kThumbnail);
  bytes[kThumbnail] = thumbnailWidth;
  bytes[kThumbnail + 1] = 1;
  storeLe32(&bytes[kFooter], kExtension);
  storeLe32(&bytes[kFooter + 4], 0);
  std::memcpy(&bytes[kFooter + 8], "TRUEVISION-XFILE.", 18);
  return bytes;
}

// The targa loader trusts the offsets of the footer, the extension area and the thumbnail: each
// that points outside the file makes the file refused before the loader sees it.
TEST(PictureDecodingTest, TargaPartsOutsideTheFileAreRefused) {
  const std::vector<std::uint8_t> whole = targaWithThumbnail(2);
  ASSERT_TRUE(decodes("a.tga", whole));
  // Three pixels of 3 bytes do not fit in 6.
  EXPECT_FALSE(decodes("a.tga", targaWithThumbnail(3)));
  std::vector<std::uint8_t> extensionPastTheEnd = whole;
  storeLe32(&extensionPastTheEnd[kFooter], static_cast<std::uint32_t>(whole.size() - 494));
  EXPECT_FALSE(decodes("a.tga", extensionPastTheEnd));
  // A thumbnail whose size bytes reach into the footer.
  std::vector<std::uint8_t> thumbnailAtTheFooter = whole;
  storeLe32(&thumbnailAtTheFooter[kExtension + 486], kFooter - 1);
  EXPECT_FALSE(decodes("a.tga", thumbnailAtTheFooter));
  // Too short to hold the footer its signature ends, or a header.
  EXPECT_FALSE(decodes("a.tga", std::vector<std::uint8_t>(whole.end() - 25, whole.end())));
  EXPECT_FALSE(decodes("a.tga", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 17)));
}

// The targa loader takes a truncated file's missing pixels from its own buffer, whatever the
// buffer held: they must come out black.
TEST(PictureDecodingTest, TruncatedTargaGivesBlackForItsMissingPixels) {
  std::vector<std::uint8_t> bytes(18 + 3, 0xFF);  // the header and the first pixel of 64
  std::fill(bytes.begin(), bytes.begin() + 18, 0);
  bytes[2] = 2;  // true colour
  bytes[12] = 8;
  bytes[14] = 8;
  bytes[16] = 24;
  auto* block = static_cast<std::uint8_t*>(std::malloc(bytes.size()));
  std::memcpy(block, bytes.data(), bytes.size());
  Bitmap bitmap = decodePicture("a.tga", block, bytes.size());
  std::free(block);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(FreeImage_GetScanLine(bitmap.get(), 0)[0], 0xFF);
  for (unsigned y = 0; y < 8; ++y) {
    const BYTE* line = FreeImage_GetScanLine(bitmap.get(), static_cast<int>(y));
    for (unsigned x = y == 0 ? 3 : 0; x < 8 * 3; ++x)
      ASSERT_EQ(line[x], 0) << "row " << y << ", byte " << x;
  }
}

}  // namespace
}  // namespace vesk
