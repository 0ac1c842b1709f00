#include "world/material/Texture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/Text.h"
#include "world/material/MaterialDeviceTest.h"

namespace vesk {
namespace {

using gfx::Format;

class TextureTest : public test::MaterialDeviceTest {
 protected:
  Texture* get(const std::string& name, bool colourKey, int kind, Texture* diffuse = nullptr,
               std::uint32_t bank = 0) {
    return cache->getTexture(bank, name, colourKey, kind, diffuse);
  }
};

TEST_F(TextureTest, KeysTellRequestsApart) {
  savePlain("f.bmp", 0xFF808080);
  Texture* diffuse = get("f.bmp", false, VK_DIFFUSE);
  Texture* mask = get("f.bmp", false, VK_TRANSPARENT);
  EXPECT_NE(diffuse, mask);
  EXPECT_EQ(diffuse->key(), "f.bmp/d");
  EXPECT_EQ(mask->key(), "f.bmp/t");
  EXPECT_EQ(get("f.bmp", false, VK_DIFFUSE), diffuse);
  EXPECT_EQ(get("f.bmp", true, VK_DIFFUSE)->key(), "f.bmp/colorKey/d");
  EXPECT_EQ(get("f.bmp", false, VK_TRANSPARENT, diffuse)->key(), "f.bmp/t/f.bmp/d");
  EXPECT_EQ(Texture::makeKey("f", false, VK_LIGHTMAP, nullptr), "f/l");
  EXPECT_EQ(Texture::makeKey("f", false, VK_BUMP, nullptr), "f/b");
  EXPECT_EQ(Texture::makeKey("f", false, VK_ENVIRONMENT, nullptr), "f/e");
  EXPECT_EQ(Texture::makeKey("f", false, VK_ADDITIVE_ENVIRONMENT, nullptr), "f");

  std::uint32_t scene = cache->addBank();
  Texture* other = get("f.bmp", false, VK_DIFFUSE, nullptr, scene);
  EXPECT_NE(other, diffuse);
  EXPECT_EQ(other->key(), diffuse->key());
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(TextureTest, FormatFollowsAlphaAndColourKey) {
  savePlain("opaque.bmp", 0xFF336699, 3, 2);
  savePlain("alpha.png", 0x80336699, 3, 2, FIF_PNG, 32);
  Texture* opaque = get("opaque.bmp", false, VK_DIFFUSE);
  ASSERT_NE(opaque->deviceTexture(), nullptr);
  EXPECT_EQ(opaque->deviceTexture()->levelDesc(0).format, Format::X8R8G8B8);
  EXPECT_EQ(level(opaque->deviceTexture(), 0)[0] & 0xFFFFFF, 0x336699u);

  Texture* withAlpha = get("alpha.png", false, VK_DIFFUSE);
  EXPECT_EQ(withAlpha->deviceTexture()->levelDesc(0).format, Format::A8R8G8B8);
  EXPECT_EQ(level(withAlpha->deviceTexture(), 0)[0], 0x80336699u);

  // Keyed: 32-bit with alpha even though the file has none; opaque black becomes transparent.
  Bitmap picture = test::makeBitmap(
      4, 2, 24, [](unsigned x, unsigned) { return x < 2 ? 0xFF000000u : 0xFF102030u; });
  folder.save("keyed.bmp", picture.get(), FIF_BMP);
  Texture* keyed = get("keyed.bmp", true, VK_DIFFUSE);
  EXPECT_EQ(keyed->deviceTexture()->levelDesc(0).format, Format::A8R8G8B8);
  auto pixels = level(keyed->deviceTexture(), 0);
  EXPECT_EQ(pixels[0], 0x00000000u);
  EXPECT_EQ(pixels[2], 0xFF102030u);
  // The transparent texels take part in the filtering of the lower levels.
  EXPECT_EQ(level(keyed->deviceTexture(), 1)[0], 0x00000000u);
  EXPECT_EQ(level(keyed->deviceTexture(), 1)[1], 0xFF102030u);
  EXPECT_EQ(level(keyed->deviceTexture(), 2)[0], 0x80081018u);
}

TEST_F(TextureTest, KeepsThePictureSizeWithAFullBoxFilteredMipChain) {
  // 10 × 6, top half red, bottom half blue: the top row comes first in the level.
  Bitmap picture = test::makeBitmap(
      10, 6, 24, [](unsigned, unsigned y) { return y < 3 ? 0xFFFF0000u : 0xFF0000FFu; });
  folder.save("odd.png", picture.get(), FIF_PNG);
  Texture* texture = get("odd.png", false, VK_DIFFUSE);
  EXPECT_EQ(texture->width(), 10u);
  EXPECT_EQ(texture->height(), 6u);
  gfx::Texture* levels = texture->deviceTexture();
  ASSERT_EQ(levels->levelCount(), 4u);  // 10×6, 5×3, 2×1, 1×1
  EXPECT_EQ(levels->levelDesc(3).width, 1u);
  auto top = level(levels, 0);
  EXPECT_EQ(top.front(), 0xFFFF0000u);
  EXPECT_EQ(top.back(), 0xFF0000FFu);
  // Level 1 row 1 covers picture rows 2 and 3: half red, half blue.
  auto second = level(levels, 1);
  ASSERT_EQ(second.size(), 15u);
  EXPECT_EQ(second[0], 0xFFFF0000u);
  EXPECT_EQ(second[5], 0xFF800080u);
  EXPECT_EQ(second[10], 0xFF0000FFu);
}

TEST_F(TextureTest, TransparencyMapIsAWhiteAlphaMaskOnEveryLevel) {
  Bitmap picture = test::makeBitmap(4, 2, 24, [](unsigned x, unsigned) {
    const std::uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    return colours[x];
  });
  folder.save("mask.bmp", picture.get(), FIF_BMP);
  Texture* mask = get("mask.bmp", false, VK_TRANSPARENT);
  gfx::Texture* levels = mask->deviceTexture();
  EXPECT_EQ(levels->levelDesc(0).format, Format::A8R8G8B8);
  auto top = level(levels, 0);
  EXPECT_EQ(top[0], (54u * 255 >> 8) << 24 | 0xFFFFFF);   // red
  EXPECT_EQ(top[1], (183u * 255 >> 8) << 24 | 0xFFFFFF);  // green
  EXPECT_EQ(top[2], (19u * 255 >> 8) << 24 | 0xFFFFFF);   // blue
  EXPECT_EQ(top[3], 0xFFFFFFFFu);
  auto lower = level(levels, 1);
  EXPECT_EQ(lower[0], ((53u + 182 + 1) / 2) << 24 | 0xFFFFFF);
  EXPECT_EQ(lower[1], ((18u + 255 + 1) / 2) << 24 | 0xFFFFFF);
}

TEST_F(TextureTest, TransparencyMapTakesItsPartnersSizeAndColour) {
  // Mask 4 × 2: left half opaque (white), right half transparent (black).
  Bitmap maskPicture = test::makeBitmap(
      4, 2, 24, [](unsigned x, unsigned) { return x < 2 ? 0xFFFFFFFFu : 0xFF000000u; });
  folder.save("mask.bmp", maskPicture.get(), FIF_BMP);
  Bitmap colourPicture = test::makeBitmap(8, 4, 24, [](unsigned x, unsigned y) {
    return 0xFF000000u | (x * 30) << 16 | (y * 60) << 8 | 5;
  });
  folder.save("colour.bmp", colourPicture.get(), FIF_BMP);
  Texture* diffuse = get("colour.bmp", false, VK_DIFFUSE);
  Texture* merged = get("mask.bmp", false, VK_TRANSPARENT, diffuse);
  EXPECT_TRUE(presenter.errors().empty());
  EXPECT_EQ(merged->width(), 8u);
  EXPECT_EQ(merged->height(), 4u);
  gfx::Texture* levels = merged->deviceTexture();
  EXPECT_EQ(levels->levelCount(), diffuse->deviceTexture()->levelCount());
  auto top = level(levels, 0);
  ASSERT_EQ(top.size(), 32u);
  for (std::uint32_t y = 0; y < 4; ++y) {
    for (std::uint32_t x = 0; x < 8; ++x) {
      std::uint32_t pixel = top[y * 8 + x];
      EXPECT_EQ(pixel & 0xFFFFFF, (x * 30) << 16 | (y * 60) << 8 | 5u) << x << "," << y;
      if (x < 3) {
        EXPECT_EQ(pixel >> 24, 0xFFu) << x;
      } else if (x > 4) {
        EXPECT_EQ(pixel >> 24, 0x00u) << x;
      }
    }
  }
  // The lower levels keep the white mask.
  for (std::uint32_t word : level(levels, 1))
    EXPECT_EQ(word & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(TextureTest, MergingWithAPartnerThatHasAlphaFails) {
  savePlain("mask.bmp", 0xFFFFFFFF);
  savePlain("alpha.png", 0x80FF0000, 4, 4, FIF_PNG, 32);
  Texture* diffuse = get("alpha.png", false, VK_DIFFUSE);
  get("mask.bmp", false, VK_TRANSPARENT, diffuse);
  EXPECT_EQ(presenter.errors(), std::vector<std::string>{"Texture::combine failed"});
}

TEST_F(TextureTest, PictureLargerThanTheDeviceTakesIsRefusedFromItsHeader) {
  // Decoding it would take gigabytes: only its header may be read.
  const std::uint32_t side = std::min(device->caps().maxTextureSize, kLargestPictureSide) + 1;
  folder.writeBytes("huge.bmp", test::bmpHeaderOnly(side));
  Texture* huge = get("huge.bmp", false, VK_DIFFUSE);
  EXPECT_EQ(huge->deviceTexture(), nullptr);
  EXPECT_EQ(presenter.errors(),
            std::vector<std::string>{
                str("Error while loading image data\\textures\\huge.bmp: ", side, " x ", side,
                    " pixels, larger than the ", side - 1, " x ", side - 1, " a texture may be")});
}

TEST_F(TextureTest, FailedTextureIsKeptWithoutDeviceTexture) {
  Texture* missing = get("missing.png", false, VK_DIFFUSE);
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->deviceTexture(), nullptr);
  EXPECT_EQ(missing->width(), 0u);
  auto errors = presenter.errors();
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors.back(), "Image data\\textures\\missing.png not found");
  presenter.clear();
  EXPECT_EQ(get("missing.png", false, VK_DIFFUSE), missing);
  EXPECT_TRUE(presenter.errors().empty());
}

}  // namespace
}  // namespace vesk
