// A written scene played for a while (hidden node, wireframe pass, mirror, running animation
// block and particles), then reset: it is as it was loaded, and draws so.
#include <string>

#include "authoring/AnimationWriter.h"
#include "authoring/SceneExamples.h"
#include "base/File.h"
#include "base/ShowClock.h"
#include "events/Event.h"
#include "world/animation/AnimBlock.h"
#include "world/material/Material.h"
#include "world/material/ResourceCache.h"
#include "world/scene/Camera.h"
#include "world/scene/Light.h"
#include "world/scene/ParticleSystem.h"
#include "world/scene/Scene.h"
#include "world/scene/SceneDeviceTest.h"
#include "world/scene/Shape.h"

namespace vesk::test {
namespace {

constexpr std::int32_t kCube = 2, kLight = 3, kCamera = 4;

class SceneResetTest : public SceneDeviceTest {
 protected:
  void TearDown() override {
    scene.reset();
    cache.reset();
    File::reset();
    ShowClock::set(0);
    clearQuitRequest();
    SceneDeviceTest::TearDown();
  }

  // The pixel at (32, 32) of one frame through the scene's camera.
  std::uint32_t centre() {
    using gfx::RenderState;
    EXPECT_TRUE(device->setRenderState(RenderState::ZEnable, 1));
    EXPECT_TRUE(device->setRenderState(RenderState::Lighting, 1));
    EXPECT_TRUE(device->clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER | gfx::CLEAR_STENCIL,
                              0xFF000000, 1, 0));
    EXPECT_TRUE(device->beginScene());
    scene->render(drawContext, scene->cameras().at(0), 0);
    EXPECT_TRUE(device->endScene());
    return readBackBuffer(*device).at(32 * kWidth + 32);
  }

  CurrentDir current{folder.path()};
  Owned<ResourceCache> cache = make<ResourceCache>(here());
  Owned<Scene> scene;
};

AnimController track(AnimController::Record record) {
  AnimController controller;
  controller.keyTimes = {0, 10};
  controller.record = std::move(record);
  return controller;
}

TEST_F(SceneResetTest, PlayedSceneGoesBackToItsLoadedState) {
  File::reset();
  File::init();
  SceneFile file = sceneLitCube("ville");
  // Its particles take the light's handle while they live.
  SceneParticles emitter;
  emitter.classes.push_back({1000, 100, 1, {"Chunk", kLight, {}, {}, {1, 1, 1}, SceneGroup{}, {}}});
  file.root.children.push_back({"Sparks", 10, {}, {}, {1, 1, 1}, emitter, {}});
  SceneResult written = writeScene(file);
  ASSERT_TRUE(written) << written.error;
  BinaryInput in = input(written.bytes);
  scene = make<Scene>(here());
  ASSERT_TRUE(scene->load(in));
  writeFile(folder / "data" / "anim.pab", [] {
    const auto bytes = writeAnimationUnchecked(
        {VK_ANIM_LOOP_WRAP,
         {track(AnimNodeController{kCube, {{0, 0, 0}, {10, 0, 0}}, {}, {}}),
          track(AnimLightController{kLight, {{0, 0, 0}, {0, 0, 1}}}),
          track(AnimCameraController{kCamera, {1, 2}}), track(AnimMaterialController{0, {1, 0}})}});
    return std::string(bytes.begin(), bytes.end());
  }());
  scene->loadAnimation("data\\anim.pab");
  auto& cube = static_cast<Shape&>(*scene->getNodeByHandle(kCube));
  auto& light = static_cast<Light&>(*scene->getNodeByHandle(kLight));
  auto& camera = static_cast<Camera&>(*scene->getNodeByHandle(kCamera));
  auto& material = static_cast<Material&>(*scene->getShader(0));
  auto& system = static_cast<ParticleSystem&>(*scene->children().at(3));
  const auto loadedColour = light._light.diffuse;
  const float loadedFov = camera._fov;
  const std::uint32_t loadedPixel = centre();

  // Played: started, moved, hidden, mirrored, with a wireframe pass and particles.
  Event("ville", kEventStartScene).send();
  Event("ville.anim", kEventStartAnimation).send();
  Event("ville.Sparks", kEventStartController).send();
  Event("ville.Cube", kEventHide).send();
  Event("ville.Cube", kEventMirrorOn).send();
  Event wireframe("ville.Cube", kEventAddWireframe);
  for (float value : {1.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f})
    wireframe.addFloat(value);
  wireframe.send();
  ShowClock::set(1000);
  scene->update();
  Event("ville.Sparks", kEventParticleEmission).addBool(false).send();
  ASSERT_FALSE(system.particles().empty());
  ASSERT_NE(scene->_handles[kLight], &light);
  ASSERT_NE(cube._worldMatrix.m[3][0], 0);

  scene->reset();
  EXPECT_FALSE(scene->playing());
  EXPECT_TRUE(system.particles().empty());
  EXPECT_EQ(scene->children().size(), 4u);
  EXPECT_EQ(scene->_handles[kLight], &light);
  EXPECT_EQ(cube._worldMatrix.m[3][0], 0);
  EXPECT_TRUE(cube._visible);
  EXPECT_EQ(cube.extraPassCount(), 0u);
  EXPECT_TRUE(material.enabled());
  EXPECT_FALSE(scene->mirrorShader()->enabled());
  EXPECT_TRUE(scene->mirrorShader()->nodes().empty());
  EXPECT_EQ(material.opacity(), 1);
  EXPECT_EQ(camera._fov, loadedFov);
  EXPECT_EQ(light._light.diffuse.r, loadedColour.r);
  EXPECT_EQ(light._light.diffuse.b, loadedColour.b);
  EXPECT_FALSE(system.clock()._running);
  EXPECT_EQ(system._emitting, true);
  for (const auto& controller : scene->animBlocks().at(0)->controllers()) {
    EXPECT_FALSE(controller->_running);
    EXPECT_EQ(controller->_localTime, 0);
  }
  EXPECT_EQ(centre(), loadedPixel);

  // Started again, it plays from the start: the block and the emitter wait for their events.
  Event("ville", kEventStartScene).send();
  ShowClock::set(2000);
  scene->update();
  EXPECT_EQ(cube._worldMatrix.m[3][0], 0);
  EXPECT_TRUE(system.particles().empty());
  EXPECT_TRUE(presenter.errors().empty()) << testing::PrintToString(presenter.errors());
}

}  // namespace
}  // namespace vesk::test
