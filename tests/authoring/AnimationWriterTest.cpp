// The animation writer: its bytes read back with the engine's own reader, field by field; what
// it refuses; saving.
#include "authoring/AnimationWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "WrittenBytes.h"
#include "support/TestSupport.h"

namespace vesk {
namespace {

AnimController keyed(std::vector<float> times, AnimController::Record record) {
  AnimController controller;
  controller.keyTimes = std::move(times);
  controller.record = std::move(record);
  return controller;
}

// One record of every type; the first node track holds only rotations, so its flags read
// 0, 1, the quaternions, 0.
AnimationFile everyRecord() {
  AnimationFile file;
  file.loopMode = VK_ANIM_LOOP_PING_PONG;
  file.controllers = {
      keyed({0, 2}, AnimNodeController{7, {}, {{1, 2, 3, 4}, {5, 6, 7, 8}}, {}}),
      keyed({1}, AnimNodeController{8, {{1, 2, 3}}, {}, {{4, 5, 6}}}),
      keyed({0, 1}, AnimLightController{3, {{1, 0, 0}, {0, 0.5f, 1}}}),
      keyed({0.5f}, AnimCameraController{4, {0.75f}}),
      keyed({0, 3}, AnimMaterialController{2, {1, 0}}),
  };
  file.controllers[0].reserved = -5;
  return file;
}

TEST(AnimationWriter, EveryRecordReadsBackFieldByField) {
  const AnimationResult written = writeAnimation(everyRecord());
  ASSERT_TRUE(written) << written.error;
  EXPECT_EQ(written.bytes[0], 0x00);  // the version's bytes in file order
  EXPECT_EQ(written.bytes[3], 0x01);
  Reader in(written.bytes, "data\\test.pab");
  EXPECT_EQ(in.u32(), VK_ANIM_FILE_VERSION);
  in.flags({VK_ANIM_LOOP_PING_PONG});
  // more, category, type; then reserved, key count, key times, target, values
  in.flags({1, VK_CONTROLLER_KEYFRAME, VK_CONTROLLER_NODE_TM});
  in.ints({-5, 2});
  in.floats({0, 2});
  in.ints({7});
  in.flags({0, 1});
  in.floats({1, 2, 3, 4, 5, 6, 7, 8});
  in.flags({0});
  in.flags({1, VK_CONTROLLER_KEYFRAME, VK_CONTROLLER_NODE_TM});
  in.ints({0, 1});
  in.floats({1});
  in.ints({8});
  in.flags({1});
  in.floats({1, 2, 3});
  in.flags({0, 1});
  in.floats({4, 5, 6});
  in.flags({1, VK_CONTROLLER_KEYFRAME, VK_CONTROLLER_LIGHT_COLOR});
  in.ints({0, 2});
  in.floats({0, 1});
  in.ints({3});
  in.floats({1, 0, 0, 0, 0.5f, 1});
  in.flags({1, VK_CONTROLLER_KEYFRAME, VK_CONTROLLER_CAMERA_FOV});
  in.ints({0, 1});
  in.floats({0.5f});
  in.ints({4});
  in.floats({0.75f});
  in.flags({1, VK_CONTROLLER_KEYFRAME, VK_CONTROLLER_MATERIAL_SETTINGS});
  in.ints({0, 2});
  in.floats({0, 3});
  in.ints({2});
  in.floats({1, 0});
  in.flags({0});
  EXPECT_TRUE(in.atEnd());
}

TEST(AnimationWriter, FilesTheLoaderWouldRefuseOrMisreadAreRefused) {
  const auto refusal = [](AnimController controller) {
    AnimationFile file;
    file.controllers = {keyed({0}, AnimCameraController{1, {1}}), std::move(controller)};
    return writeAnimation(file).error;
  };
  EXPECT_EQ(refusal(keyed({}, AnimCameraController{})), "controller 1 has no keys");
  AnimController category = keyed({0}, AnimCameraController{1, {1}});
  category.category = 2;
  EXPECT_EQ(refusal(category), "controller 1 has category 2; only keyframe controllers load");
  EXPECT_EQ(refusal(keyed({1, 0}, AnimMaterialController{1, {1, 1}})),
            "controller 1 has key 1 at 0 s before key 0 at 1 s");
  EXPECT_NE(refusal(keyed({0, NAN}, AnimMaterialController{1, {1, 1}})), "");
  EXPECT_EQ(refusal(keyed({0, 1}, AnimLightController{1, {{}}})),
            "controller 1 has 2 keys but 1 colours");
  EXPECT_EQ(refusal(keyed({0, 1}, AnimNodeController{1, {}, {}, {{}}})),
            "controller 1 has 2 keys but 1 scales");
  // Equal neighbouring times are a step, and a node controller may have no track at all.
  EXPECT_EQ(refusal(keyed({0, 0}, AnimMaterialController{1, {1, 0}})), "");
  EXPECT_EQ(refusal(keyed({0}, AnimNodeController{1, {}, {}, {}})), "");
  // The unchecked writer still writes what it is given: no key times, one short track.
  AnimationFile bad;
  bad.controllers = {keyed({}, AnimCameraController{4, {}})};
  EXPECT_EQ(writeAnimationUnchecked(bad).size(), 4u + 1 + 1 + 2 + 4 + 4 + 4 + 1);
}

TEST(AnimationWriter, TargetsAreCheckedAgainstTheScene) {
  SceneFile scene;
  scene.materials.resize(1);
  SceneNode light, camera;
  light.handle = 1;
  light.record = SceneLight{};
  camera.handle = 2;
  camera.record = SceneCamera{};
  scene.root.children = {light, camera};
  const auto targets = [&scene](AnimController::Record record) {
    AnimationFile file;
    file.controllers = {keyed({0}, std::move(record))};
    return checkAnimationTargets(file, scene);
  };
  EXPECT_EQ(targets(AnimNodeController{2, {}, {}, {}}), "");
  EXPECT_EQ(targets(AnimLightController{1, {}}), "");
  EXPECT_EQ(targets(AnimCameraController{2, {}}), "");
  EXPECT_EQ(targets(AnimMaterialController{0, {}}), "");
  EXPECT_EQ(targets(AnimNodeController{9, {}, {}, {}}),
            "controller 0 targets handle 9, which no node has");
  EXPECT_EQ(targets(AnimLightController{2, {}}), "controller 0 targets handle 2, no light");
  EXPECT_EQ(targets(AnimCameraController{1, {}}), "controller 0 targets handle 1, no camera");
  EXPECT_EQ(targets(AnimMaterialController{1, {}}), "controller 0 targets material 1 of 1");
}

TEST(AnimationWriter, SavingWritesTheBytesOrRefusesWithoutAFile) {
  test::TempDir dir;
  std::string error;
  ASSERT_TRUE(saveAnimation(dir / "a.pab", everyRecord(), error)) << error;
  const std::vector<std::uint8_t> bytes = writeAnimation(everyRecord()).bytes;
  EXPECT_EQ(test::readFile(dir / "a.pab"), std::string(bytes.begin(), bytes.end()));
  AnimationFile bad;
  bad.controllers = {keyed({}, AnimCameraController{})};
  EXPECT_FALSE(saveAnimation(dir / "b.pab", bad, error));
  EXPECT_EQ(error, "controller 0 has no keys");
  EXPECT_FALSE(std::filesystem::exists(dir / "b.pab"));
}

}  // namespace
}  // namespace vesk
