// Costs of shadow volumes, part of scene_bench: rebuilding the volume of a 1000-face caster
// after the light moved (silhouette and contour chaining), and making its edge list once after
// loading. The scene lives on the device that records calls, so only the engine is measured.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "SceneBenchStage.h"
#include "authoring/SceneExamples.h"
#include "world/scene/Light.h"
#include "world/scene/Scene.h"
#include "world/scene/Shape.h"

namespace vesk {
namespace {

// A sphere of radius 1 in `stacks` rings of `slices` quads, two faces each: 1000 faces for
// 20 × 25 (the pole quads have one face of no area, which the edge list skips).
SceneMesh sphereMesh(int stacks, int slices) {
  SceneMesh mesh;
  mesh.hasNormals = true;
  for (int i = 0; i <= stacks; ++i) {
    const float polar = std::numbers::pi_v<float> * static_cast<float>(i) / stacks;
    for (int j = 0; j < slices; ++j) {
      const float around = 2 * std::numbers::pi_v<float> * static_cast<float>(j) / slices;
      const SceneVector p{std::sin(polar) * std::cos(around), std::sin(polar) * std::sin(around),
                          std::cos(polar)};
      mesh.vertices.push_back(SceneVertex{p, {}, p});
    }
  }
  auto at = [&](int i, int j) { return static_cast<std::uint32_t>(i * slices + j % slices); };
  for (int i = 0; i < stacks; ++i) {
    for (int j = 0; j < slices; ++j) {
      mesh.faces.push_back({at(i, j), at(i, j + 1), at(i + 1, j)});
      mesh.faces.push_back({at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)});
    }
  }
  return mesh;
}

// The sphere lit by a light that casts its shadow, loaded on the recording device.
struct ShadowStage {
  bench::DeviceStage device{false, 64, 64};
  Owned<Scene> scene;
  Light* light = nullptr;

  ShadowStage() {
    SceneFile file;
    file.root.name = "ball";
    file.root.handle = 1;
    file.materials.push_back(sceneColourMaterial({1, 1, 1}));
    file.root.children.push_back(sceneShapeNode("Sphere", 2, sphereMesh(20, 25), 0));
    SceneNode lamp = scenePointLight("Lamp", 3, {3, -4, 5});
    std::get<SceneLight>(lamp.record).shadowCasters = {2};
    file.root.children.push_back(lamp);
    const SceneResult written = writeScene(file);
    if (written) scene = bench::loadWrittenScene(written.bytes, "ball.pod");
    if (scene) light = static_cast<Light*>(scene->getNodeByHandle(3));
  }
  ~ShadowStage() { scene.reset(); }
};

void BM_ShadowRebuild1000Faces(benchmark::State& state) {
  ShadowStage stage;
  if (!stage.light) {
    state.SkipWithError("the scene did not load");
    return;
  }
  Light& light = *stage.light;
  // The light moves a little every time, so every update rebuilds the volume.
  float step = 0;
  for (auto _ : state) {
    light._position.x = 3 + 0.01f * (step += 1);
    light.updateShadows();
    benchmark::DoNotOptimize(light._shadowCasters[0].volume.contours().data());
  }
  state.counters["contour points"] =
      static_cast<double>(light._shadowCasters[0].volume.contours().at(0).size());
}
BENCHMARK(BM_ShadowRebuild1000Faces)->Unit(benchmark::kMillisecond);

void BM_ShadowEdgeList1000Faces(benchmark::State& state) {
  ShadowStage stage;
  const Shape* sphere =
      stage.scene ? dynamic_cast<Shape*>(stage.scene->getNodeByHandle(2)) : nullptr;
  if (!sphere || !sphere->mesh()) {
    state.SkipWithError("the scene did not load");
    return;
  }
  for (auto _ : state)
    benchmark::DoNotOptimize(sphere->mesh()->buildEdges());
}
BENCHMARK(BM_ShadowEdgeList1000Faces)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vesk
