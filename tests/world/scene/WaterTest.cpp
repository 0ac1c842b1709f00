// The water: its ripple (spreading, damping, impulses shaped by two pictures and the refusals
// of bad pictures) and a water loaded from a written scene, driven through its clock part.
#include "world/scene/Water.h"

#include <gmock/gmock.h>

#include <numeric>

#include "authoring/SceneExamples.h"
#include "base/ShowClock.h"
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
  EXPECT_EQ(h[7], 2);
  EXPECT_EQ(h[11], 2);
  EXPECT_EQ(h[13], 2);
  EXPECT_EQ(h[17], 2);
  EXPECT_EQ(h[12], 0);
  EXPECT_EQ(std::accumulate(h.begin(), h.end(), 0.0f), 8);
  EXPECT_EQ(ripple.previous()[12], 4);  // the arrays swapped, not copied
}

TEST(Ripple, TwoRowsHaveNoCellToMove) {
  const Pixels bright = filled(4, 4, 255);
  Ripple ripple(8, 2, {.strength = 1, .impulseSize = 100, .impulseProbability = 1});
  for (int i = 0; i < 3; ++i)
    ripple.step(bright.view(), bright.view());
  for (float height : ripple.current())
    EXPECT_EQ(height, 0);
}

TEST(Ripple, AnImpulseAtTheOriginTouchesInteriorCellsWithinHalfItsSize) {
  // Cells one unit apart; an impulse 8 wide and, from a square picture, 8 long.
  Ripple ripple(16, 16, {.width = 16, .length = 16, .strength = 2, .impulseSize = 8});
  Pixels a = filled(4, 4, 0), b = filled(4, 4, 1);
  std::iota(a.bytes.begin(), a.bytes.end(), 0);
  ripple.impulse(0, 0, a.view(), b.view());
  for (std::uint32_t row = 0; row < 16; ++row) {
    for (std::uint32_t column = 0; column < 16; ++column) {
      const bool inside = row >= 1 && row <= 3 && column >= 1 && column <= 3;
      EXPECT_EQ(ripple.previous()[row * 16 + column], inside ? 2 : 0) << row << ", " << column;
    }
  }
  // Cell (1, 1) lies 5 units into the impulse both ways: picture column 2, row 2, read at
  // 2 × height + 2.
  EXPECT_EQ(ripple.current()[17], 10 * 2);
}

class WaterPictureTest : public ::testing::Test {
 protected:
  void TearDown() override { clearQuitRequest(); }
  RecordingPresenter presenter;
};

TEST_F(WaterPictureTest, PicturesOfDifferentSizesStopAtTheFirstImpulse) {
  const Pixels square = filled(64, 64, 9), flat = filled(64, 32, 9);
  Ripple ripple(8, 8, {.strength = 1, .impulseSize = 1, .impulseProbability = 0});
  ripple.step(square.view(), flat.view());
  EXPECT_TRUE(presenter.errors().empty());
  ripple.impulse(0.5f, 0.5f, square.view(), flat.view());
  ripple.impulse(0.5f, 0.5f, square.view(), flat.view());
  EXPECT_THAT(presenter.errors(), ElementsAre("Images in water object must be th same size"));
  for (float height : ripple.current())
    EXPECT_EQ(height, 0);
}

TEST_F(WaterPictureTest, AMissingPictureIsReportedAtTheFirstImpulse) {
  const Pixels square = filled(4, 4, 9);
  Ripple ripple(8, 8, {});
  ripple.impulse(0.5f, 0.5f, square.view(), {});
  EXPECT_THAT(presenter.errors(), ElementsAre("Error in water object : missing images"));
}

class WaterTest : public SceneDeviceTest {
 protected:
  void SetUp() override {
    SceneDeviceTest::SetUp();
    cache = make<ResourceCache>(here());
    const Bitmap grey(FreeImage_Allocate(8, 8, 8));
    pictures.save("impulsion.jpg", grey.get(), FIF_JPEG);
    pictures.save("impulsion2.jpg", grey.get(), FIF_JPEG);
  }
  void TearDown() override {
    scene.reset();
    cache.reset();
    clearQuitRequest();
    SceneDeviceTest::TearDown();
  }

  Water& load(const SceneWater& record) {
    SceneFile file;
    file.root.name = "pool";
    file.root.handle = 1;
    file.materials = {sceneColourMaterial({0, 0, 1})};
    SceneNode node;
    node.name = "Water";
    node.handle = 2;
    node.record = record;
    file.root.children = {node};
    SceneResult written = writeScene(file);
    EXPECT_TRUE(written) << written.error;
    scene = make<Scene>(here());
    BinaryInput in = input(written.bytes);
    EXPECT_TRUE(scene->load(in)) << testing::PrintToString(presenter.errors());
    EXPECT_EQ(in.position(), in.size());
    return dynamic_cast<Water&>(*scene->getNodeByHandle(2));
  }

  PictureFolder pictures;
  Owned<ResourceCache> cache;
  Owned<Scene> scene;
};

SceneWater quad(float width, float length) {
  SceneWater water;
  water.width = width;
  water.length = length;
  water.corners = {SceneVector{0, 0, 0}, {width, 0, 0}, {0, length, 0}, {width, length, 0}};
  return water;
}

TEST_F(WaterTest, ASurfaceTwiceAsWideAsLongGets128By64Cells) {
  Water& water = load(quad(100, 50));
  EXPECT_EQ(water.grid()->width(), 128u);
  EXPECT_EQ(water.grid()->height(), 64u);
  EXPECT_EQ(water.ripple().current().size(), 128u * 64u);
  EXPECT_EQ(water._centre, (Vector3{50, 25, 0}));
  EXPECT_THAT(logText(), HasSubstr("100 50 0"));  // the corners, logged
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(WaterTest, ItsClockStepsTheRippleOncePerSceneUpdateWhileStarted) {
  SceneWater record = quad(128, 128);
  record.damping = 1;
  Water& water = load(record);
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
  // The drawing events are still those of a renderable node.
  EXPECT_EQ(water.processEvent(Event("pool.Water", kEventHide)), VK_EVENT_PROCESSED);
  EXPECT_FALSE(water._visible);
}

TEST_F(WaterTest, ASurfaceTooLongToGridIsKeptFlatWithALogLine) {
  Water& water = load(quad(1, 100000));
  EXPECT_EQ(water.grid()->height(), 0u);
  EXPECT_TRUE(water.ripple().current().empty());
  water.step();
  EXPECT_THAT(logText(), HasSubstr("Water pool.Water in test.pod"));
}

}  // namespace
}  // namespace vesk::test
