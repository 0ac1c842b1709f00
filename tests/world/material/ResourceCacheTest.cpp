#include "world/material/ResourceCache.h"

#include <gtest/gtest.h>

#include <vector>

#include "world/material/MaterialDeviceTest.h"

namespace vesk {
namespace {

// Stands in for a mesh: records when it goes.
class CountedMesh : public DXObject {
 public:
  CountedMesh(std::vector<int>& gone, int id) : _gone(gone), _id(id) {}
  ~CountedMesh() override { _gone.push_back(_id); }

 private:
  std::vector<int>& _gone;
  int _id;
};

class ResourceCacheTest : public test::MaterialDeviceTest {};

TEST_F(ResourceCacheTest, IsTheProcessWideCacheWithBankZero) {
  EXPECT_EQ(ResourceCache::instance(), cache.get());
  EXPECT_EQ(cache->bankCount(), 1u);
  EXPECT_EQ(cache->addBank(), 1u);
  EXPECT_EQ(cache->addBank(), 2u);
}

TEST_F(ResourceCacheTest, FreeingASceneBankLeavesBankZeroAlone) {
  savePlain("a.bmp", 0xFF112233);
  Texture* shared = cache->getTexture(0, "a.bmp", false, VK_DIFFUSE, nullptr);
  std::uint32_t scene = cache->addBank();
  cache->getTexture(scene, "a.bmp", false, VK_DIFFUSE, nullptr);
  cache->getTexture(scene, "a.bmp", false, VK_TRANSPARENT, nullptr);
  std::vector<int> gone;
  cache->keepMesh(scene, make<CountedMesh>(here(), gone, 1));
  cache->keepMesh(scene, make<CountedMesh>(here(), gone, 2));
  EXPECT_EQ(cache->textureCount(scene), 2u);
  EXPECT_EQ(cache->meshCount(scene), 2u);

  cache->freeBank(scene);
  EXPECT_EQ(cache->textureCount(scene), 0u);
  EXPECT_EQ(cache->meshCount(scene), 0u);
  EXPECT_EQ(gone, (std::vector<int>{1, 2}));
  EXPECT_EQ(cache->bankCount(), 2u);  // the freed bank stays, empty
  EXPECT_EQ(cache->addBank(), 2u);    // a later scene gets a new index
  EXPECT_EQ(cache->textureCount(0), 1u);
  EXPECT_EQ(cache->getTexture(0, "a.bmp", false, VK_DIFFUSE, nullptr), shared);
  EXPECT_EQ(level(shared->deviceTexture(), 0)[0], 0xFF112233u);

  // Freeing it again, or any empty bank, does nothing.
  cache->freeBank(scene);
  cache->freeBank(2);
  EXPECT_EQ(cache->textureCount(0), 1u);
  EXPECT_TRUE(presenter.errors().empty());
  EXPECT_TRUE(presenter.diagnoses().empty());
}

TEST_F(ResourceCacheTest, UnknownBankIsReportedNotUsed) {
  savePlain("a.bmp", 0xFF112233);
  EXPECT_EQ(cache->getTexture(7, "a.bmp", false, VK_DIFFUSE, nullptr), nullptr);
  cache->freeBank(7);
  EXPECT_EQ(presenter.diagnoses().size(), 2u);
}

}  // namespace
}  // namespace vesk
