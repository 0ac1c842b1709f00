// Costs of particle systems, without drawing (the engine's own work per frame):
//   - one 10 ms step of a system holding 1000 sprite particles, emission off: integration,
//     placement and the removal scan;
//   - a frame of 17 ms in a steady state of about 1000 particles that are made and removed as
//     they go (100 000 attempts a second at 1 %, living 1 s): the scene's update, that is two
//     steps with their clones and removals, then the world matrices of every particle.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "authoring/SceneExamples.h"
#include "authoring/SceneWriter.h"
#include "base/BinaryInput.h"
#include "base/ShowClock.h"
#include "events/Event.h"
#include "world/material/ResourceCache.h"
#include "world/scene/ParticleSystem.h"
#include "world/scene/Scene.h"

namespace vesk {
namespace {

constexpr std::size_t kParticles = 1000;

struct SparkScene {
  Owned<ResourceCache> cache = make<ResourceCache>(here());
  Owned<Scene> scene = make<Scene>(here());
  ParticleSystem* system = nullptr;

  SparkScene(float rate, float lifetime) {
    SceneFile file;
    file.root.name = "fx";
    file.materials.push_back(sceneColourMaterial({1, 1, 0}));
    SceneParticles sparks{2, 2, 1, 20, 0, {}};
    sparks.classes.push_back(
        {rate, lifetime, 1, {"Spark", 20, {}, {}, {1, 1, 1}, SceneSprite{0.5f, 0}, {}}});
    file.root.children.push_back({"Sparks", 10, {}, {}, {1, 1, 1}, sparks, {}});
    const std::vector<std::uint8_t> bytes = writeScene(file).bytes;
    Bytes data = allocateBytes(bytes.size());
    std::memcpy(data.get(), bytes.data(), bytes.size());
    BinaryInput in(std::move(data), bytes.size(), "fx.pod");
    scene->load(in);
    system = static_cast<ParticleSystem*>(scene->children().at(0));
    ShowClock::fixRandomSeed(1);
    ShowClock::set(0);
    scene->processEvent(Event("fx", kEventStartScene));
    system->processEvent(Event("fx.Sparks", kEventStartController));
  }
  ~SparkScene() { ShowClock::fixRandomSeed(std::nullopt); }
  std::size_t count() const {
    return system->particles().size() + system->spriteParticles().size();
  }
};

void BM_ParticleStep1000(benchmark::State& state) {
  SparkScene sparks(1e6f, 1e9f);
  float time = 0;
  while (sparks.count() < kParticles) {
    time += 0.01f;
    sparks.system->animate(time);
  }
  sparks.system->_emitting = false;
  for (auto _ : state) {
    time += 0.01f;
    sparks.system->animate(time);
  }
  state.counters["particles"] = static_cast<double>(sparks.count());
}
BENCHMARK(BM_ParticleStep1000)->Unit(benchmark::kMicrosecond);

void BM_ParticleFrameSteady1000(benchmark::State& state) {
  SparkScene sparks(1e5f, 1);
  std::int32_t ms = 0;
  for (; ms < 2000; ms += 17) {
    ShowClock::set(ms);
    sparks.scene->update();
  }
  double alive = 0;
  for (auto _ : state) {
    ms += 17;
    ShowClock::set(ms);
    sparks.scene->update();
    alive += static_cast<double>(sparks.count());
  }
  state.counters["particles"] = alive / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ParticleFrameSteady1000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vesk

BENCHMARK_MAIN();
