// The water: its ripple (spreading, impulses shaped by two pictures, bad pictures) and a water
// loaded from a written scene, stepped by its clock part.
#include "world/scene/Water.h"

#include <gmock/gmock.h>

#include <numeric>

#include "authoring/SceneExamples.h"
#include "events/Event.h"
#include "world/material/PictureFiles.h"
#include "world/material/ResourceCache.h"
#include "world/scene/Scene.h"
#include "world/scene/SceneDeviceTest.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Pixels {
  std::vector<std::uint8_t> bytes;
  std::uint32_t width, height;
  GreyPicture view() const { return {bytes, width, height}; }
};
Pixels filled(std::uint32_t width, std::uint32_t height, std::uint8_t value) {
  return {std::vector<std::uint8_t>(std::size_t{width} * height, value), width, height};
}

TEST(Ripple, ARaisedCellSpreadsHalfItsHeightToItsFourNeighbours) {
  Ripple ripple(5, 5, {.impulseProbability = 0, .damping = 1});
  ripple.current()[12] = 4;
  ripple.step({}, {});
  const std::span<const float> h = ripple.current();
  EXPECT_THAT(std::vector<float>(h.begin() + 6, h.begin() + 19),
              ElementsAre(0, 2, 0, 0, 0, 2, 0, 2, 0, 0, 0, 2, 0));
  EXPECT_EQ(std::accumulate(h.begin(), h.end(), 0.0f), 8);
}

TEST(Ripple, TwoRowsHaveNoCellToMove) {
  const Pixels bright = filled(4, 4, 255);
  Ripple ripple(8, 2, {.strength = 1, .impulseSize = 100, .impulseProbability = 1});
  ripple.step(bright.view(), bright.view());
  EXPECT_THAT(ripple.current(), testing::Each(0.0f));
}

TEST(Ripple, AnImpulseAtTheOriginTouchesInteriorCellsWithinHalfItsSize) {
  // Cells one unit apart; an impulse 8 wide and, from a square picture, 8 long.
  Ripple ripple(16, 16, {.width = 16, .length = 16, .strength = 2, .impulseSize = 8});
  Pixels a = filled(4, 4, 0), b = filled(4, 4, 1);
  std::iota(a.bytes.begin(), a.bytes.end(), 0);
  ripple.impulse(0, 0, a.view(), b.view());
  for (std::uint32_t i = 0; i < 256; ++i) {
    const bool inside = i / 16 >= 1 && i / 16 <= 3 && i % 16 >= 1 && i % 16 <= 3;
    EXPECT_EQ(ripple.previous()[i], inside ? 2 : 0) << i;
  }
  // Cell (1, 1) lies 5 units into the impulse both ways: picture byte 2 × height + 2.
  EXPECT_EQ(ripple.current()[17], 10 * 2);
}

TEST(Ripple, BadPicturesStopAtTheFirstImpulseOnce) {
  RecordingPresenter presenter;
  const Pixels square = filled(64, 64, 9), flat = filled(64, 32, 9);
  Ripple ripple(8, 8, {.strength = 1, .impulseSize = 1, .impulseProbability = 0});
  ripple.step(square.view(), flat.view());
  EXPECT_TRUE(presenter.errors().empty());
  ripple.impulse(0.5f, 0.5f, square.view(), flat.view());
  ripple.impulse(0.5f, 0.5f, square.view(), flat.view());
  EXPECT_THAT(ripple.current(), testing::Each(0.0f));
  Ripple(8, 8, {}).impulse(0.5f, 0.5f, square.view(), {});
  EXPECT_THAT(presenter.errors(), ElementsAre("Images in water object must be th same size",
                                              "Error in water object : missing images"));
}

class WaterTest : public SceneDeviceTest {
 protected:
  void SetUp() override {
    SceneDeviceTest::SetUp();
    const Bitmap grey(FreeImage_Allocate(8, 8, 8));
    for (const char* name : {"impulsion.jpg", "impulsion2.jpg"})
      pictures.save(name, grey.get(), FIF_JPEG);
  }
  void TearDown() override {
    scene.reset();
    cache.reset();
    SceneDeviceTest::TearDown();
  }

  // A scene "pool" with a water (handle 2) over the quad (0, 0)-(width, length).
  Water& load(float width, float length) {
    SceneWater water{width, length, 0, 1, 0, 1, {}, 0};
    water.corners = {SceneVector{0, 0, 0}, {width, 0, 0}, {0, length, 0}, {width, length, 0}};
    SceneFile file{0, {sceneColourMaterial({0, 0, 1})}, {}};
    file.root.name = "pool";
    file.root.children = {{"Water", 2, {}, {}, {1, 1, 1}, water, {}}};
    BinaryInput in = input(writeScene(file).bytes);
    EXPECT_TRUE(scene->load(in)) << testing::PrintToString(presenter.errors());
    return dynamic_cast<Water&>(*scene->getNodeByHandle(2));
  }

  PictureFolder pictures;
  Owned<ResourceCache> cache = make<ResourceCache>(here());
  Owned<Scene> scene = make<Scene>(here());
};

TEST_F(WaterTest, ASurfaceTwiceAsWideAsLongGets128By64Cells) {
  Water& water = load(100, 50);
  EXPECT_EQ(water.grid()->width(), 128u);
  EXPECT_EQ(water.grid()->height(), 64u);
  EXPECT_EQ(water.ripple().current().size(), 128u * 64u);
  EXPECT_EQ(water._centre, (Vector3{50, 25, 0}));
  EXPECT_THAT(logText(), HasSubstr("100 50 0"));  // the corners, logged
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(WaterTest, ItsClockStepsTheRippleOncePerSceneUpdateWhileStarted) {
  Water& water = load(128, 128);
  water.ripple().current()[130] = 4;
  scene->processEvent(Event("pool", kEventStartScene));
  scene->update();
  EXPECT_EQ(water.ripple().current()[131], 0);  // not started yet
  EXPECT_EQ(water.processEvent(Event("pool.Water", kEventStartController)), VK_EVENT_PROCESSED);
  scene->update();
  EXPECT_EQ(water.ripple().current()[131], 2);
  // The grid takes the newest heights, in its own frame.
  EXPECT_EQ(contents<MeshVertex>(*water.grid()->vertexBuffer())[131].position.z, 2);
  EXPECT_EQ(water.processEvent(Event("pool.Water", kEventStopController)), VK_EVENT_PROCESSED);
  scene->update();
  EXPECT_EQ(water.ripple().current()[131], 2);
  EXPECT_EQ(water.processEvent(Event("pool.Water", kEventHide)), VK_EVENT_PROCESSED);
}

TEST_F(WaterTest, ASurfaceTooLongToGridIsKeptFlatWithALogLine) {
  Water& water = load(1, 100000);
  EXPECT_EQ(water.grid()->height(), 0u);
  water.step();
  EXPECT_THAT(logText(), HasSubstr("Water pool.Water in test.pod"));
}

}  // namespace
}  // namespace vesk::test
