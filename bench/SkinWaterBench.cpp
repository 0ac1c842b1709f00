// Costs of the scene's self-moving nodes, on the OpenGL device (run under xvfb-run) and on a
// device that records calls without executing them (the engine's work alone):
//   - skinning 10 000 vertices (two links each): positions, normals over all faces and the
//     whole vertex buffer written again;
//   - one water step on a 128 × 128 grid: an impulse now and then, the ripple pass and the
//     grid's heights and normals written into its buffer.
// Registered in scene_bench, whose main runs them.
#include <FreeImage.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "SceneBenchStage.h"
#include "authoring/SceneExamples.h"
#include "base/File.h"
#include "world/scene/Scene.h"
#include "world/scene/Skin.h"
#include "world/scene/Water.h"

namespace vesk {
namespace {

constexpr int kSide = 100;  // vertices per side of the skinned sheet: 10 000 in all

// The scene "bench" of one material, two bones and `node` (handle 10), loaded on whatever
// device is installed; pictures come from data/textures of the current folder.
Owned<Scene> loadWith(SceneNode node) {
  SceneFile file;
  file.root.name = "bench";
  file.root.handle = 1;
  file.materials = {sceneColourMaterial({0.5f, 0.5f, 1})};
  for (int i = 0; i < 2; ++i) {
    SceneNode bone;
    bone.name = i == 0 ? "Root" : "Tip";
    bone.handle = 2 + i;
    bone.position = {0, 0, static_cast<float>(i)};
    bone.record = SceneBone{};
    file.root.children.push_back(bone);
  }
  file.root.children.push_back(std::move(node));
  SceneResult written = writeScene(file);
  if (!written) return nullptr;
  return bench::loadWrittenScene(written.bytes, "bench.pod");
}

SceneNode skinSheet() {
  SceneSkin sheet;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const SceneVector at{static_cast<float>(x) / kSide, 0, static_cast<float>(y) / kSide};
      sheet.mesh.vertices.push_back({at, {}, {}});
      const float share = at.z;
      sheet.links.push_back({{2, at, 1 - share}, {3, {at.x, 0, 0}, share}});
    }
  }
  for (std::uint32_t y = 0; y + 1 < kSide; ++y) {
    for (std::uint32_t x = 0; x + 1 < kSide; ++x) {
      const std::uint32_t corner = y * kSide + x;
      sheet.mesh.faces.push_back({corner, corner + kSide, corner + 1});
      sheet.mesh.faces.push_back({corner + 1, corner + kSide, corner + kSide + 1});
    }
  }
  SceneNode node = sceneShapeNode("Sheet", 10, {}, 0);
  node.record = std::move(sheet);
  return node;
}

SceneNode pool() {
  SceneWater surface{128, 128, 0.01f, 8, 0.5f, 0.98f, {}, 0};
  surface.corners = {SceneVector{0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}};
  SceneNode node = sceneShapeNode("Pool", 10, {}, 0);
  node.record = surface;
  return node;
}

// A temporary current folder with the water's pictures, the device and the resource cache.
struct Stage {
  test::TempDir dir;
  test::CurrentDir inDir{dir.path()};
  std::unique_ptr<bench::DeviceStage> device;
  Owned<Scene> scene;

  Stage(bool openGl, SceneNode node) {
    std::filesystem::create_directories(dir / "data" / "textures");
    FIBITMAP* grey = FreeImage_Allocate(16, 16, 8);
    for (const char* name : {"impulsion.jpg", "impulsion2.jpg"})
      FreeImage_Save(FIF_JPEG, grey, (dir / "data" / "textures" / name).c_str(), 0);
    FreeImage_Unload(grey);
    File::reset();
    File::init();
    device = std::make_unique<bench::DeviceStage>(openGl, 64, 64);
    if (device->device) scene = loadWith(std::move(node));
  }
  ~Stage() {
    scene.reset();
    device.reset();
    File::reset();
  }
  bool ok() const { return scene && device->quiet.errors().empty(); }
};

void skinning10000Vertices(benchmark::State& state) {
  Stage stage(state.range(0) != 0, skinSheet());
  auto* skin = stage.ok() ? dynamic_cast<Skin*>(stage.scene->getNodeByHandle(10)) : nullptr;
  if (!skin) {
    state.SkipWithError("no skin or no device");
    return;
  }
  Node* tip = stage.scene->getNodeByHandle(3);
  float lift = 0;
  for (auto _ : state) {
    lift += 0.001f;
    tip->_position.x = lift;
    tip->_localDirty = true;
    tip->updateWorld();
    skin->skin();
  }
  state.counters["vertices"] = skin->mesh()->vertexCount();
}
BENCHMARK(skinning10000Vertices)->Arg(1)->Arg(0)->ArgName("opengl")->Unit(benchmark::kMillisecond);

void waterStep(benchmark::State& state) {
  Stage stage(state.range(0) != 0, pool());
  auto* water = stage.ok() ? dynamic_cast<Water*>(stage.scene->getNodeByHandle(10)) : nullptr;
  if (!water) {
    state.SkipWithError("no water or no device");
    return;
  }
  for (auto _ : state)
    water->step();
  state.counters["cells"] = static_cast<double>(water->ripple().current().size());
}
BENCHMARK(waterStep)->Arg(1)->Arg(0)->ArgName("opengl")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vesk
