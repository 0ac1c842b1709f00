#include "world/material/TexturePixels.h"

#include <gtest/gtest.h>

#include "world/material/PictureFiles.h"
#include "world/material/Texture.h"

namespace vesk {
namespace {

TEST(TexturePixelsTest, LevelZeroHoldsFreeImagesThirtyTwoBitWordsTopRowFirst) {
  // 7 pixels of 3 bytes leave padded rows; the last pixel of a row is read on its own.
  for (unsigned bpp : {24u, 32u}) {
    Bitmap picture = test::makeBitmap(7, 3, bpp, [](unsigned x, unsigned y) {
      return (x * 30 + 1) << 24 | (y * 80) << 16 | (x * 9) << 8 | 0x11;
    });
    Bitmap wide(FreeImage_ConvertTo32Bits(picture.get()));
    TexturePixels pixels;
    ASSERT_TRUE(makeTexturePixels(picture.get(), false, VK_DIFFUSE, pixels));
    ASSERT_EQ(pixels.levels.size(), 3u);  // 7 × 3, 3 × 1, 1 × 1
    EXPECT_EQ(pixels.levels[1].width, 3u);
    EXPECT_EQ(pixels.format, bpp == 32 ? gfx::Format::A8R8G8B8 : gfx::Format::X8R8G8B8);
    for (unsigned y = 0; y < 3; ++y) {
      const auto* row =
          reinterpret_cast<const std::uint32_t*>(FreeImage_GetScanLine(wide.get(), 2 - y));
      for (unsigned x = 0; x < 7; ++x)
        EXPECT_EQ(pixels.levels[0].words()[y * 7 + x], row[x]) << bpp << ": " << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace vesk
