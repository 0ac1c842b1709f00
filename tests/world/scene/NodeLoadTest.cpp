// Reading node records: names, attachment order, the camera and light prefixes, bad records.
#include <gtest/gtest.h>

#include "world/scene/NodeRecords.h"

namespace vesk::test {
namespace {

constexpr char kCorrupt[] = "Error : file test.pod is corrupt or truncated";

// A light prefix: colour, shadow caster handles, and attenuation and range when given.
Record& lightPrefix(Record& record, Vector3 colour, std::vector<std::int32_t> casters,
                    bool attenuation) {
  record.f32(colour.x).f32(colour.y).f32(colour.z).i32(static_cast<std::uint32_t>(casters.size()));
  for (std::int32_t handle : casters)
    record.i32(static_cast<std::uint32_t>(handle));
  record.byte(attenuation ? 1 : 0);
  if (attenuation) record.f32(0.5f).f32(0.1f).f32(0.01f).f32(50);
  return record;
}

// "ville" holding a group "G" with the light "Lamp", then the camera "Camera01".
Record villeScene() {
  Record record;
  record.body("ville", 1, {}, {}, {1, 1, 1}, 2);
  record.i32(VK_NODE_GROUP).body("G", 2, {}, {}, {1, 1, 1}, 1);
  lightPrefix(record.i32(VK_NODE_LIGHT), {1, 0.5f, 0.25f}, {7, 9}, true);
  record.body("Lamp", 3, {1, 2, 3});
  record.i32(VK_NODE_CAMERA).f32(0.8f).f32(2).f32(500).f32(10).f32(400);
  record.body("Camera01", 4);
  return record;
}

TEST(NodeLoadTest, NodesAreNamedAfterTheSceneAndAttachedBottomUp) {
  RecordingPresenter presenter;
  StandInScene scene;
  BinaryInput in = villeScene().input();
  ASSERT_TRUE(scene.root->load(in));
  EXPECT_EQ(in.position(), in.size());
  EXPECT_EQ(scene.root->getName(), "ville");
  EXPECT_EQ(scene.attached, (std::vector<std::string>{"ville.Lamp", "ville.G", "ville.Camera01"}));
  EXPECT_NE(EventTarget::find("ville.Lamp"), nullptr);

  ASSERT_EQ(scene.cameras.size(), 1u);
  const Camera& camera = *scene.cameras[0];
  EXPECT_EQ(camera._fov, 0.8f);
  EXPECT_EQ(camera._near, 2);
  EXPECT_EQ(camera._far, 500);
  EXPECT_EQ(camera._envNear, 10);
  EXPECT_EQ(camera._envFar, 400);
  EXPECT_TRUE(presenter.errors().empty());
}

TEST(NodeLoadTest, LightBecomesAPointLightOfItsColourAtItsLoadedPosition) {
  RecordingPresenter presenter;
  StandInScene scene;
  BinaryInput in = villeScene().input();
  ASSERT_TRUE(scene.root->load(in));
  ASSERT_EQ(scene.lights.size(), 1u);
  const Light& lamp = *scene.lights[0];
  EXPECT_EQ(lamp._light.type, gfx::LightType::Point);
  EXPECT_EQ(lamp._light.diffuse, (ColorValue{1, 0.5f, 0.25f, 0}));
  EXPECT_EQ(lamp._light.specular, lamp._light.diffuse);
  EXPECT_EQ(lamp._light.position, (Vector3{1, 2, 3}));
  EXPECT_EQ(lamp._light.attenuation1, 0.1f);
  EXPECT_EQ(lamp._light.range, 50);
  ASSERT_EQ(lamp._shadowCasters.size(), 2u);
  EXPECT_EQ(lamp._shadowCasters[1].handle, 9);

  Record plain;
  lightPrefix(plain, {1, 1, 1}, {}, false).body("Plain", 5);
  BinaryInput plainIn = plain.input();
  Light light(nullptr);
  ASSERT_TRUE(light.load(plainIn));
  EXPECT_EQ(light._light.range, 1000000000.0f);
  EXPECT_EQ(light._light.attenuation0, 1);
  EXPECT_FALSE(light.hasShadowCasters());
}

TEST(NodeLoadTest, TruncatedRecordsStopWithTheCorruptFileError) {
  const std::string whole = villeScene().bytes;
  for (std::size_t cut : {std::size_t{2}, std::size_t{30}, std::size_t{70}, whole.size() - 1}) {
    RecordingPresenter presenter;
    StandInScene scene;
    Record record{whole.substr(0, cut)};
    BinaryInput in = record.input();
    EXPECT_FALSE(scene.root->load(in)) << cut;
    EXPECT_EQ(presenter.errors(), std::vector<std::string>{kCorrupt}) << cut;
    EXPECT_EQ(in.position(), in.size());
  }
  // A child or shadow count far beyond the file ends at the first read past its end.
  RecordingPresenter presenter;
  Record huge;
  huge.body("Huge", 1, {}, {}, {1, 1, 1}, 0xFFFFFFFF);
  BinaryInput in = huge.input();
  Group group(nullptr);
  EXPECT_FALSE(group.load(in));
  Record casters;
  casters.f32(1).f32(1).f32(1).i32(0xFFFFFFFF);
  BinaryInput castersIn = casters.input();
  Light light(nullptr);
  EXPECT_FALSE(light.load(castersIn));
  EXPECT_EQ(presenter.errors(), (std::vector<std::string>{kCorrupt, kCorrupt}));
}

TEST(NodeLoadTest, CodesWithoutAClassStopLoading) {
  RecordingPresenter presenter;
  for (std::int32_t code : {0x50000000, VK_NODE_SHAPE | 0x4000}) {
    StandInScene scene;
    Record record;
    record.body("ville", 1, {}, {}, {1, 1, 1}, 2).i32(static_cast<std::uint32_t>(code));
    record.i32(VK_NODE_GROUP).body("After", 2);
    BinaryInput in = record.input();
    EXPECT_FALSE(scene.root->load(in));
    EXPECT_TRUE(scene.attached.empty());
  }
  EXPECT_EQ(presenter.errors(), (std::vector<std::string>{"Unknown Node ID in scene file",
                                                          "Unknown Node ID in scene file"}));
}

}  // namespace
}  // namespace vesk::test
