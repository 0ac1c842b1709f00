// Animation files loaded into a written scene through event 54: the block's name, every kind of
// track moving its target on the show clock, the block's events, and the files that are cut
// short, lack keys or name targets the scene does not have.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "authoring/AnimationWriter.h"
#include "authoring/SceneExamples.h"
#include "base/File.h"
#include "base/ShowClock.h"
#include "events/Event.h"
#include "world/animation/AnimBlock.h"
#include "world/animation/KeyframeControllers.h"
#include "world/material/Material.h"
#include "world/material/ResourceCache.h"
#include "world/scene/Camera.h"
#include "world/scene/Light.h"
#include "world/scene/Scene.h"
#include "world/scene/SceneDeviceTest.h"

namespace vesk::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The handles of the example scene.
constexpr std::int32_t kCube = 2, kLight = 3, kCamera = 4;
constexpr const char* kCorrupt = "Error : file data\\ville_anim.pab is corrupt or truncated";

class AnimBlockTest : public SceneDeviceTest {
 protected:
  void SetUp() override {
    SceneDeviceTest::SetUp();
    cache = make<ResourceCache>(here());
    File::reset();
    File::init();
    SceneResult written = writeScene(sceneLitCube("ville"));
    ASSERT_TRUE(written) << written.error;
    BinaryInput in = input(written.bytes);
    scene = make<Scene>(here());
    ASSERT_TRUE(scene->load(in));
    scene->processEvent(Event("ville", kEventStartScene));
  }
  void TearDown() override {
    scene.reset();
    cache.reset();
    File::reset();
    ShowClock::set(0);
    clearQuitRequest();
    SceneDeviceTest::TearDown();
  }

  // Writes the file and sends event 54 with its name.
  AnimBlock& load(const std::vector<std::uint8_t>& bytes) {
    writeFile(folder / "data" / "ville_anim.pab", std::string(bytes.begin(), bytes.end()));
    Event event("ville", kEventLoadAnimation);
    event.addString("data\\ville_anim.pab");
    EXPECT_EQ(scene->processEvent(event), VK_EVENT_PROCESSED);
    return *scene->animBlocks().back();
  }
  AnimBlock& load(const AnimationFile& file) { return load(writeAnimationUnchecked(file)); }
  static void send(AnimBlock& block, Event event) {
    EXPECT_EQ(block.processEvent(event), VK_EVENT_PROCESSED);
  }
  // Moves the clock to `ms` and runs one frame of the scene.
  void frame(std::int32_t ms) {
    ShowClock::set(ms);
    scene->update();
  }
  static AnimController track(std::vector<float> times, AnimController::Record record) {
    AnimController controller;
    controller.keyTimes = std::move(times);
    controller.record = std::move(record);
    return controller;
  }
  // A node track moving from x = 0 at 0 s to x = 10 at 10 s.
  static AnimController slide(std::int32_t handle = kCube) {
    return track({0, 10}, AnimNodeController{handle, {{0, 0, 0}, {10, 0, 0}}, {}, {}});
  }
  static AnimController fov(std::int32_t handle, std::vector<float> times = {0}) {
    const std::vector<float> values(times.size(), 1.0f);
    return track(std::move(times), AnimCameraController{handle, values});
  }
  Node& cube() { return *scene->getNodeByHandle(kCube); }

  CurrentDir current{folder.path()};
  Owned<ResourceCache> cache;
  Owned<Scene> scene;
};

TEST_F(AnimBlockTest, EveryTrackMovesItsTargetOnTheShowClockOnceStarted) {
  AnimBlock& block =
      load({VK_ANIM_LOOP_WRAP,
            {slide(), track({0, 10}, AnimLightController{kLight, {{0, 0, 0}, {1, 0.5f, 0}}}),
             track({0, 10}, AnimCameraController{kCamera, {1, 2}}),
             track({0, 10}, AnimMaterialController{0, {1, 0}})}});
  EXPECT_EQ(block.getName(), "ville.ville_anim");
  EXPECT_EQ(EventTarget::find("ville.ville_anim"), &block);
  ASSERT_EQ(block.controllers().size(), 4u);
  EXPECT_EQ(block.controllers()[3]->_loopMode, VK_ANIM_LOOP_WRAP);

  frame(1000);  // loaded stopped: nothing moves
  EXPECT_FLOAT_EQ(cube()._position.x, 0);
  send(block, Event("ville.ville_anim", kEventStartAnimation));
  frame(6000);
  EXPECT_FLOAT_EQ(cube()._position.x, 5);
  EXPECT_FLOAT_EQ(cube()._worldMatrix.m[3][0], 5);
  const auto& colour = static_cast<Light&>(*scene->getNodeByHandle(kLight))._light.diffuse;
  EXPECT_FLOAT_EQ(colour.r, 0.5f);
  EXPECT_FLOAT_EQ(colour.g, 0.25f);
  EXPECT_FLOAT_EQ(static_cast<Camera&>(*scene->getNodeByHandle(kCamera))._fov, 1.5f);
  auto& material = static_cast<Material&>(*scene->getShader(0));
  EXPECT_FLOAT_EQ(material.opacity(), 0.5f);
  EXPECT_TRUE(material.needsSorting());
  frame(11500);  // wrapped to 0.5 s
  EXPECT_NEAR(cube()._position.x, 0.5f, 1e-4);
  EXPECT_TRUE(presenter.errors().empty()) << testing::PrintToString(presenter.errors());
}

TEST_F(AnimBlockTest, EventsStopResumeSetTimeReverseAndRestart) {
  AnimBlock& block = load({VK_ANIM_LOOP_RUN_ON, {slide()}});
  send(block, Event("", kEventStartAnimation));
  frame(1000);
  EXPECT_FLOAT_EQ(cube()._position.x, 1);
  send(block, Event("", kEventStopAnimation));
  frame(3000);
  EXPECT_FLOAT_EQ(cube()._position.x, 1);
  send(block, Event("", kEventResumeAnimation));  // no jump over the stopped time
  frame(4000);
  EXPECT_FLOAT_EQ(cube()._position.x, 2);
  send(block, Event("", kEventSetAnimationTime).addFloat(5).addBool(true));
  send(block, Event("", kEventSetAnimationTime).addFloat(1).addBool(false));
  frame(4000);
  EXPECT_FLOAT_EQ(cube()._position.x, 6);
  send(block, Event("", kEventSetAnimationDirection).addBool(false));
  frame(5000);
  EXPECT_FLOAT_EQ(cube()._position.x, 5);
  send(block, Event("", kEventStartAnimation));
  frame(5000);
  EXPECT_FLOAT_EQ(cube()._position.x, 0);
  EXPECT_EQ(block.processEvent(Event("", kEventStartController)), 0);
}

TEST_F(AnimBlockTest, CutShortFileKeepsTheControllersReadWhole) {
  std::vector<std::uint8_t> missingMore = writeAnimationUnchecked({1, {slide()}});
  missingMore.pop_back();
  EXPECT_EQ(load(missingMore).controllers().size(), 1u);
  // The second record's key count (after its "more", category, type and reserved word) is
  // raised to 255.
  const std::size_t second = missingMore.size() + 7;
  std::vector<std::uint8_t> tooManyKeys = writeAnimationUnchecked({1, {slide(), slide()}});
  tooManyKeys[second] = 0xFF;
  EXPECT_EQ(load(tooManyKeys).controllers().size(), 1u);
  EXPECT_THAT(presenter.errors(), ElementsAre(kCorrupt, kCorrupt));
}

TEST_F(AnimBlockTest, RecordWithoutKeysIsSkippedAndTheNextLinesUp) {
  const AnimBlock& block =
      load({1, {track({}, AnimNodeController{kCube, {}, {}, {}}), fov(kCamera)}});
  ASSERT_EQ(block.controllers().size(), 1u);
  EXPECT_NE(dynamic_cast<CameraFOVController*>(block.controllers()[0].get()), nullptr);
  EXPECT_THAT(logText(), HasSubstr("Animation controller without keys skipped"));
  EXPECT_TRUE(presenter.errors().empty()) << testing::PrintToString(presenter.errors());
}

TEST_F(AnimBlockTest, WrongVersionGoesOnAndMissingOrWrongTargetsAreDropped) {
  std::vector<std::uint8_t> bytes = writeAnimationUnchecked(
      {1,
       {slide(99), fov(kLight), track({0}, AnimMaterialController{1, {1}}),  // the mirror shader
        fov(kCamera)}});
  bytes[2] = 0;  // version 0x01000000
  EXPECT_EQ(load(bytes).controllers().size(), 1u);
  EXPECT_THAT(presenter.errors(),
              ElementsAre("Incorret anim file version",
                          "Error while loading controller : handle not found : 99",
                          "Safe cast failed : could not cast from class vesk::Node to class "
                          "vesk::Camera",
                          "Error while loading material controller : ID not found : 1"));
  EXPECT_THAT(presenter.diagnoses(), ElementsAre(HasSubstr("The node with the handle 99 was not "
                                                           "found in the scene ville")));
}

TEST_F(AnimBlockTest, UnknownTypeStopsLoading) {
  const std::size_t second = writeAnimationUnchecked({1, {slide()}}).size() - 1;
  std::vector<std::uint8_t> bytes = writeAnimationUnchecked({1, {slide(), fov(kCamera), slide()}});
  bytes[second + 2] = 4;  // the second record's type
  EXPECT_EQ(load(bytes).controllers().size(), 1u);
  EXPECT_THAT(presenter.errors(),
              ElementsAre("Safe cast failed : could not cast from class "
                          "vesk::Controller to class vesk::KeyframeController"));
  EXPECT_THAT(logText(), HasSubstr("Unhandled controller"));
}

TEST_F(AnimBlockTest, MissingFileLeavesAnEmptyBlockUnderItsDefaultName) {
  scene->loadAnimation("data\\nothing.pab");
  const AnimBlock& block = *scene->animBlocks().back();
  EXPECT_EQ(block.getName(), "No Name");
  EXPECT_TRUE(block.controllers().empty());
  ASSERT_FALSE(presenter.errors().empty());
  EXPECT_EQ(presenter.errors().back(), "Error while opening animation file");
  for (const char* name :
       {"data\\anim\\ville_cam.pab", "ville_cam.pab", "data\\ville_cam", "ville_cam"})
    EXPECT_EQ(animationBaseName(name), "ville_cam") << name;
}

}  // namespace
}  // namespace vesk::test
