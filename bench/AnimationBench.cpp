// The per-frame cost of animation: 1000 nodes, each moved, turned and scaled by its own
// keyframe controller of 100 keys, all in one animation block of one scene. Each iteration is
// one frame 16 ms later on the show clock: the scene's update runs the block (bisection and
// interpolation of every controller) and then every node's world matrix. The figure to read
// is the time per iteration beside the engine's budget of 1 ms per frame.
// Also the block alone, without the world matrices.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "authoring/AnimationWriter.h"
#include "authoring/SceneWriter.h"
#include "base/BinaryInput.h"
#include "base/Diagnosis.h"
#include "base/ShowClock.h"
#include "events/Event.h"
#include "render/DrawContext.h"
#include "world/animation/AnimBlock.h"
#include "world/material/ResourceCache.h"
#include "world/scene/Scene.h"

namespace vesk {
namespace {

constexpr int kNodes = 1000;
constexpr int kKeys = 100;

SceneFile groupScene() {
  SceneFile file;
  file.root.name = "crowd";
  file.root.handle = 1;
  for (int i = 0; i < kNodes; ++i) {
    SceneNode node;
    node.name = "n";
    node.name += std::to_string(i);  // appended: GCC 12 warns falsely about operator+ here
    node.handle = 10 + i;
    node.record = SceneGroup{};
    file.root.children.push_back(std::move(node));
  }
  return file;
}

// Keys every 0.1 s, 10 s in all, wrapping: each node circles, spins about z and pulses.
AnimationFile crowdAnimation() {
  AnimationFile file;
  file.loopMode = VK_ANIM_LOOP_WRAP;
  for (int i = 0; i < kNodes; ++i) {
    AnimController controller;
    AnimNodeController node;
    node.node = 10 + i;
    for (int k = 0; k < kKeys; ++k) {
      const float angle = 0.0628f * static_cast<float>(k + i);
      controller.keyTimes.push_back(0.1f * static_cast<float>(k));
      node.positions.push_back({std::cos(angle), std::sin(angle), 0.01f * static_cast<float>(i)});
      node.rotations.push_back({0, 0, std::sin(angle / 2), std::cos(angle / 2)});
      node.scales.push_back({1 + 0.1f * std::sin(angle), 1, 1});
    }
    controller.record = std::move(node);
    file.controllers.push_back(std::move(controller));
  }
  return file;
}

BinaryInput input(std::vector<std::uint8_t> bytes, const char* name) {
  const auto size = static_cast<std::uint32_t>(bytes.size());
  Bytes owned = allocateBytes(size);
  std::copy(bytes.begin(), bytes.end(), owned.get());
  return BinaryInput(std::move(owned), size, name);
}

void animationFrame(benchmark::State& state) {
  const bool wholeScene = state.range(0) != 0;
  RecordingDrawContext recording;
  {
    auto cache = make<ResourceCache>(here());
    auto scene = make<Scene>(here());
    SceneResult sceneBytes = writeScene(groupScene());
    AnimationResult animationBytes = writeAnimation(crowdAnimation());
    BinaryInput sceneIn = input(std::move(sceneBytes.bytes), "crowd.pod");
    BinaryInput animationIn = input(std::move(animationBytes.bytes), "crowd.pab");
    if (!scene->load(sceneIn)) {
      state.SkipWithError("the scene did not load");
      return;
    }
    auto block = make<AnimBlock>(here(), *scene);
    block->read(animationIn, AnimBlock::Targets::Resolve);
    if (block->controllers().size() != kNodes) {
      state.SkipWithError("the animation did not load");
      return;
    }
    scene->processEvent(Event("crowd", kEventStartScene));
    ShowClock::set(0);
    block->processEvent(Event("", kEventStartAnimation));
    std::int32_t ms = 0;
    for (auto _ : state) {
      ms += 16;
      ShowClock::set(ms);
      block->update();
      if (wholeScene) scene->update();  // the scene has no block of its own: matrices only
    }
    state.counters["controllers"] = kNodes;
    state.counters["keys"] = kKeys;
    ShowClock::set(0);
  }
}
BENCHMARK(animationFrame)->Arg(0)->Arg(1)->ArgName("world_matrices")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vesk

BENCHMARK_MAIN();
