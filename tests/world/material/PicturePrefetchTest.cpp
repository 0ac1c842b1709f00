// Pictures decoded ahead on a worker thread: the textures that take them hold the same words as
// textures loaded the ordinary way, the unusual pictures keep their messages and their moment,
// and stopping while the worker decodes ends at once without keeping memory.
#include "world/material/PicturePrefetch.h"

#include <gtest/gtest.h>

#include "base/Text.h"
#include "world/material/MaterialDeviceTest.h"

namespace vesk {
namespace {

using gfx::Format;

class PicturePrefetchTest : public test::MaterialDeviceTest {
 protected:
  static std::vector<PrefetchStep> plan(const std::vector<PictureRequest>& requests) {
    std::vector<PrefetchStep> steps;
    for (const PictureRequest& request : requests)
      steps.push_back(PrefetchStep::decoding(request));
    return steps;
  }
  Texture* get(const PictureRequest& request, std::uint32_t bank = kApplicationBank) {
    return cache->getTexture(bank, request.fileName, request.colourKey, request.kind, nullptr);
  }
};

TEST_F(PicturePrefetchTest, TexturesTakeTheSameWordsAtEveryLevelAsWhenLoadedThemselves) {
  // Odd sizes (padded rows), alpha, a colour key, a transparency map and a palette picture.
  auto pattern = [](unsigned x, unsigned y) {
    return 0xFF000000u | (x * 37) << 16 | (y * 53) << 8;
  };
  folder.save("odd.jpg", test::makeBitmap(13, 7, 24, pattern).get(), FIF_JPEG);
  folder.save(
      "alpha.png",
      test::makeBitmap(6, 5, 32,
                       [](unsigned x, unsigned y) { return (x * 40) << 24 | (y * 50) << 8 | 0x0F; })
          .get(),
      FIF_PNG);
  folder.save("keyed.bmp",
              test::makeBitmap(
                  5, 3, 24, [](unsigned x, unsigned) { return x % 2 ? 0xFF000000u : 0xFF204060u; })
                  .get(),
              FIF_BMP);
  Bitmap grey(FreeImage_ConvertToGreyscale(test::makeBitmap(9, 4, 24, pattern).get()));
  folder.save("grey.png", grey.get(), FIF_PNG);
  const std::vector<PictureRequest> requests{{"odd.jpg", false, VK_DIFFUSE},
                                             {"alpha.png", false, VK_DIFFUSE},
                                             {"keyed.bmp", true, VK_DIFFUSE},
                                             {"odd.jpg", false, VK_TRANSPARENT},
                                             {"grey.png", false, VK_LIGHTMAP}};
  cache->prefetch(plan(requests));
  cache->picturePrefetch()->waitUntilIdle();
  const std::uint32_t ordinary = cache->addBank();
  for (const PictureRequest& request : requests) {
    gfx::Texture* ahead = get(request)->deviceTexture();
    gfx::Texture* loaded = get(request, ordinary)->deviceTexture();
    ASSERT_NE(ahead, nullptr);
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(ahead->levelCount(), loaded->levelCount()) << request.fileName;
    EXPECT_EQ(ahead->levelDesc(0).format, loaded->levelDesc(0).format) << request.fileName;
    for (std::uint32_t index = 0; index < loaded->levelCount(); ++index)
      EXPECT_EQ(level(ahead, index), level(loaded, index)) << request.fileName << " " << index;
  }
  EXPECT_EQ(cache->picturePrefetch()->served(), requests.size());
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(PicturePrefetchTest, UnusualPicturesAreReportedWhenTheirTextureLoadsThem) {
  savePlain("good.bmp", 0xFF336699);
  folder.writeBytes("bad.png", "not a picture");
  folder.writeBytes("huge.bmp", test::bmpHeaderOnly(Texture::largestSide() + 1));
  const std::vector<PictureRequest> requests{{"missing.png", false, VK_DIFFUSE},
                                             {"bad.png", false, VK_DIFFUSE},
                                             {"huge.bmp", false, VK_DIFFUSE},
                                             {"good.bmp", false, VK_DIFFUSE}};
  // What the ordinary way says, in another bank before the prefetch starts.
  const std::uint32_t ordinary = cache->addBank();
  for (const PictureRequest& request : requests)
    get(request, ordinary);
  const std::vector<std::string> expected = presenter.errors();
  ASSERT_EQ(expected.size(), 4u);  // a missing file is reported twice
  presenter.clear();
  clearQuitRequest();

  cache->prefetch(plan(requests));
  cache->picturePrefetch()->waitUntilIdle();
  EXPECT_TRUE(presenter.errors().empty());  // nothing is said ahead of its moment
  for (const PictureRequest& request : requests)
    get(request);
  EXPECT_EQ(presenter.errors(), expected);
  clearQuitRequest();
  EXPECT_EQ(cache->picturePrefetch()->served(), 1u);
}

TEST_F(PicturePrefetchTest, StoppingWhileTheWorkerDecodesEndsAtOnceAndFreesItsWords) {
  folder.save("big.png",
              test::makeBitmap(512, 512, 24,
                               [](unsigned x, unsigned y) { return 0xFF000000u | x << 8 | y; })
                  .get(),
              FIF_PNG);
  const std::size_t records = theMemory().recordCount(Registry::Blocks);
  cache->prefetch(plan(std::vector<PictureRequest>(200, {"big.png", false, VK_DIFFUSE})));
  cache->stopPrefetch();
  EXPECT_EQ(cache->picturePrefetch(), nullptr);
  EXPECT_EQ(theMemory().recordCount(Registry::Blocks), records);
  // A texture asks in vain and loads its picture itself.
  EXPECT_NE(get({"big.png", false, VK_DIFFUSE})->deviceTexture(), nullptr);
}

TEST_F(PicturePrefetchTest, ScenesAreListedWhenTheWorkerComesToThemAndTakingPassesOverSteps) {
  savePlain("a.bmp", 0xFF0000FF);
  savePlain("b.bmp", 0xFF00FF00);
  folder.writeBytes("list.txt", "b.bmp");
  // A lister that reads its file's single line as one diffuse picture.
  PictureLister lister = [](Bytes data, std::size_t size) {
    return std::vector<PictureRequest>{
        {std::string(reinterpret_cast<const char*>(data.get()), size), false, VK_DIFFUSE}};
  };
  std::vector<PrefetchStep> steps = plan({{"a.bmp", false, VK_DIFFUSE}});
  steps.push_back(PrefetchStep::listing("data\\textures\\list.txt", lister));
  cache->prefetch(std::move(steps));
  cache->picturePrefetch()->waitUntilIdle();
  // The listed picture comes after a.bmp, which is passed over and freed.
  EXPECT_NE(get({"b.bmp", false, VK_DIFFUSE})->deviceTexture(), nullptr);
  EXPECT_EQ(cache->picturePrefetch()->served(), 1u);
  EXPECT_NE(get({"a.bmp", false, VK_DIFFUSE})->deviceTexture(), nullptr);
  EXPECT_EQ(cache->picturePrefetch()->served(), 1u);
}

}  // namespace
}  // namespace vesk
