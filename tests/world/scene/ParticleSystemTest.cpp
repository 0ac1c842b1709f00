// Particle systems loaded from written scenes and run on the show clock: the fixed steps of a
// frame, the draws of the random generator, the motion under gravity, fading and removal, the
// events, a system that is being moved, and a zero mass.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "authoring/SceneExamples.h"
#include "authoring/SceneWriter.h"
#include "base/Log.h"
#include "base/ShowClock.h"
#include "events/Event.h"
#include "support/TestSupport.h"
#include "world/material/ResourceCache.h"
#include "world/scene/ParticleSystem.h"
#include "world/scene/Scene.h"

namespace vesk::test {
namespace {

constexpr std::int32_t kEmits = 328;  // a draw below it (÷ 32767 < 0.01) creates a particle

SceneNode sprite(std::int32_t handle) {
  return {"Spark", handle, {}, {}, {1, 1, 1}, SceneSprite{2, 0}, {}};
}
SceneNode plain(std::int32_t handle) {
  return {"Chunk", handle, {}, {}, {1, 1, 1}, SceneGroup{}, {}};
}

// The first seed whose draws make `wanted` true (the generator gives 0 to 32767 from it).
std::uint32_t seedWhere(const std::function<bool(const std::vector<std::int32_t>&)>& wanted) {
  for (std::uint32_t seed = 1;; ++seed) {
    ShowClock::seedRandom(seed);
    std::vector<std::int32_t> draws(12);
    for (std::int32_t& draw : draws)
      draw = ShowClock::random();
    if (wanted(draws)) return seed;
  }
}

// The draw at `index` counting from 0 after seeding with `seed`.
std::int32_t drawAt(std::uint32_t seed, int index) {
  ShowClock::seedRandom(seed);
  for (int i = 0; i < index; ++i)
    ShowClock::random();
  return ShowClock::random();
}

class ParticleSystemTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(theLog().open(folder / "Log.txt")); }
  void TearDown() override {
    scene.reset();
    cache.reset();
    clearQuitRequest();
    theLog().close();
    ShowClock::set(0);
  }

  // A scene "fx" holding the system "Sparks" at (1, 2, 3) with these classes, loaded and
  // started (scene event 53, controller event 36) at show time 0.
  ParticleSystem& load(std::vector<SceneParticleClass> classes) {
    SceneFile file;
    file.materials.push_back(sceneColourMaterial({1, 1, 1}));
    file.root.name = "fx";
    SceneParticles particles;
    particles.classes = std::move(classes);
    file.root.children.push_back({"Sparks", 10, {1, 2, 3}, {}, {1, 1, 1}, particles, {}});
    // Unchecked: the writer refuses a zero mass, which the loader must meet.
    const std::vector<std::uint8_t> bytes = writeSceneUnchecked(file);
    Bytes data = allocateBytes(bytes.size());
    std::memcpy(data.get(), bytes.data(), bytes.size());
    BinaryInput in(std::move(data), bytes.size(), "fx.pod");
    scene = make<Scene>(here());
    EXPECT_TRUE(scene->load(in));
    system = safeCast<ParticleSystem>(scene->children().at(0));
    ShowClock::set(0);
    EXPECT_EQ(scene->processEvent(Event("fx", kEventStartScene)), VK_EVENT_PROCESSED);
    EXPECT_EQ(system->processEvent(Event("fx.Sparks", kEventStartController)), VK_EVENT_PROCESSED);
    return *system;
  }
  // The scene's update at show time `ms`.
  void at(std::int32_t ms) {
    ShowClock::set(ms);
    scene->update();
  }

  TempDir folder;
  RecordingPresenter presenter;
  Owned<ResourceCache> cache = make<ResourceCache>(here());
  Owned<Scene> scene;
  ParticleSystem* system = nullptr;
};

TEST_F(ParticleSystemTest, AFrameOf25msRunsStepsOf10And10And5msWithOneAttemptEach) {
  // The first attempt creates a particle (four more draws), the next two fail.
  const std::uint32_t seed = seedWhere([](const auto& draws) {
    return draws[0] < kEmits && draws[5] >= kEmits && draws[6] >= kEmits;
  });
  load({{100, 10, 2, plain(20)}});
  const std::int32_t next = drawAt(seed, 7);  // one attempt per step, four per particle
  ShowClock::seedRandom(seed);
  at(15);  // 25 ms after the start, which counts from −10 ms

  ASSERT_EQ(system->particles().size(), 1u);
  const Particle& particle = *system->particles().front();
  EXPECT_NEAR(particle._age, 0.025f, 1e-6);
  // 10 ms at 10 units/s without acceleration, then 15 ms rising at 5 units/s²: 0.2505625.
  EXPECT_NEAR(particle._position.z, 3.2505625f, 1e-5);
  // A plain particle is placed through its node's local transform, so the world update sees it.
  EXPECT_NEAR(particle._node->_worldMatrix.m[3][2], 3.2505625f, 1e-5);
  EXPECT_EQ(particle._node->parent(), scene.get());
  EXPECT_EQ(ShowClock::random(), next);
}

TEST_F(ParticleSystemTest, MassTwoRisesAtFiveASpriteFadesAndGoesAfterItsLifetime) {
  const std::uint32_t seed = seedWhere([](const auto& draws) { return draws[0] < kEmits; });
  load({{100, 2, 2, sprite(20)}});
  const std::size_t childrenBefore = scene->children().size();
  const std::int32_t next = drawAt(seed, 5);
  ShowClock::seedRandom(seed);
  at(0);
  ASSERT_EQ(system->spriteParticles().size(), 1u);
  // Emission off: no more attempts, and no more draws, while the particle moves on.
  EXPECT_EQ(system->processEvent(Event("fx.Sparks", kEventParticleEmission).addBool(false)),
            VK_EVENT_PROCESSED);
  for (std::int32_t ms = 10; ms <= 990; ms += 10)
    at(ms);
  const SpriteParticle& particle = *system->spriteParticles().front();
  EXPECT_NEAR(particle._age, 1, 1e-4);
  EXPECT_NEAR(particle._sprite->_alpha, 0.5f, 1e-4);
  EXPECT_NEAR(particle._acceleration.z, 5, 1e-6);
  EXPECT_NEAR(particle._velocity.z, 10 + 5 * 0.99f, 1e-3);
  EXPECT_EQ(particle._sprite->colour(), 0x7F000000u);
  EXPECT_EQ(scene->children().size(), childrenBefore + 1);

  at(1985);
  EXPECT_EQ(system->spriteParticles().size(), 1u) << "age 1.995 of 2";
  at(2005);
  EXPECT_TRUE(system->spriteParticles().empty()) << "older than its lifetime";
  EXPECT_EQ(scene->children().size(), childrenBefore);
  EXPECT_EQ(scene->_handles.count(20), 0u);
  EXPECT_EQ(ShowClock::random(), next);
}

TEST_F(ParticleSystemTest, Event45StopsThePlainParticlesOnly) {
  // Both classes create a particle in the first step.
  const std::uint32_t seed =
      seedWhere([](const auto& draws) { return draws[0] < kEmits && draws[5] < kEmits; });
  load({{100, 10, 1, plain(20)}, {100, 10, 1, sprite(21)}});
  ShowClock::seedRandom(seed);
  at(0);
  ASSERT_EQ(system->particles().size(), 1u);
  ASSERT_EQ(system->spriteParticles().size(), 1u);
  system->_emitting = false;
  at(100);
  EXPECT_EQ(system->processEvent(Event("fx.Sparks", kEventParticleFreeze)), VK_EVENT_PROCESSED);
  const Vector3 plainBefore = system->particles().front()->_position;
  const Vector3 spriteBefore = system->spriteParticles().front()->_position;
  at(110);
  EXPECT_EQ(system->particles().front()->_position.z, plainBefore.z);
  EXPECT_GT(system->spriteParticles().front()->_position.z, spriteBefore.z + 0.1f);
  EXPECT_NEAR(system->particles().front()->_age, 0.12f, 1e-4) << "it still ages";
}

TEST_F(ParticleSystemTest, NothingMovesOrIsMadeWhileTheSystemIsBeingMoved) {
  const std::uint32_t seed = seedWhere([](const auto& draws) { return draws[0] < kEmits; });
  load({{100, 0.05f, 1, sprite(20)}});
  const std::int32_t next = drawAt(seed, 5);
  ShowClock::seedRandom(seed);
  at(0);
  ASSERT_EQ(system->spriteParticles().size(), 1u);
  system->_localDirty = true;
  ShowClock::set(100);
  system->clock().update();  // past the lifetime, but the system waits
  EXPECT_EQ(system->spriteParticles().size(), 1u);
  EXPECT_NEAR(system->spriteParticles().front()->_age, 0.01f, 1e-6);
  EXPECT_EQ(ShowClock::random(), next);
  // Once placed it goes on from the time it waited until: one step of 10 ms.
  system->_localDirty = false;
  system->_emitting = false;
  at(110);
  ASSERT_EQ(system->spriteParticles().size(), 1u);
  EXPECT_NEAR(system->spriteParticles().front()->_age, 0.02f, 1e-6);
}

TEST_F(ParticleSystemTest, AZeroMassIsAssertedAndGivesNoAcceleration) {
  const std::uint32_t seed = seedWhere([](const auto& draws) { return draws[0] < kEmits; });
  load({{100, 10, 0, plain(20)}});
  EXPECT_EQ(presenter.diagnoses().size(), 1u);
  EXPECT_NE(presenter.diagnoses().at(0).find("Null mass for a particle is not allowed !"),
            std::string::npos);
  ShowClock::seedRandom(seed);
  at(0);
  at(10);
  ASSERT_EQ(system->particles().size(), 1u);
  EXPECT_EQ(system->particles().front()->_acceleration.z, 0);
}

}  // namespace
}  // namespace vesk::test
