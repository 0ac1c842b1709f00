// Costs of scenes (run under xvfb-run: the drawing needs an OpenGL context):
//   - loading a big scene file written by the scene writer (200 shapes of 1681 vertices) from the
//     loose file through File::get, on the OpenGL device and on a device that records calls
//     without executing them, beside a plain fread of the same bytes: bytes per second;
//   - the engine's CPU per frame for 200 spinning cubes with 20 materials (a quarter of them
//     half-transparent, so depth-sorted): update and render, with the device calls counted,
//     on the OpenGL device and on the recording device (the engine alone);
//   - the frame time of the same scene under llvmpipe at 640 × 480, finished and read back.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "SceneBenchStage.h"
#include "authoring/SceneExamples.h"
#include "base/BinaryInput.h"
#include "base/File.h"
#include "events/Event.h"
#include "support/TestSupport.h"
#include "world/scene/Camera.h"
#include "world/scene/Scene.h"

namespace vesk {
namespace {

constexpr int kShapes = 200;
constexpr int kMaterials = 20;
constexpr std::uint32_t kWidth = 640, kHeight = 480;
constexpr const char* kSceneName = "data\\scene.pod";

// A flat grid of `cells` × `cells` quads with normals and one UV set.
SceneMesh gridMesh(int cells) {
  SceneMesh mesh;
  mesh.channels = 1;
  mesh.hasNormals = true;
  const int side = cells + 1;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      SceneVertex vertex;
      vertex.position = {static_cast<float>(x) / cells - 0.5f, 0, static_cast<float>(y) / cells};
      vertex.uv[0] = {static_cast<float>(x) / cells, static_cast<float>(y) / cells};
      vertex.normal = {0, -1, 0};
      mesh.vertices.push_back(vertex);
    }
  }
  for (int y = 0; y < cells; ++y) {
    for (int x = 0; x < cells; ++x) {
      const auto corner = static_cast<std::uint32_t>(y * side + x);
      const auto side32 = static_cast<std::uint32_t>(side);
      mesh.faces.push_back({corner, corner + side32, corner + 1});
      mesh.faces.push_back({corner + 1, corner + side32, corner + side32 + 1});
    }
  }
  return mesh;
}

// 200 shapes in a 20 × 10 wall in front of the camera, material i mod 20; every fourth
// material is half-transparent.
SceneFile wallScene(const SceneMesh& mesh) {
  SceneFile file;
  for (int i = 0; i < kMaterials; ++i) {
    const float shade = static_cast<float>(i) / kMaterials;
    file.materials.push_back(sceneColourMaterial({shade, 1 - shade, 0.5f}, i % 4 == 3 ? 0.5f : 1));
  }
  file.root.name = "wall";
  file.root.handle = 1;
  for (int i = 0; i < kShapes; ++i) {
    SceneNode shape = sceneShapeNode("shape" + std::to_string(i), 10 + i, mesh, i % kMaterials);
    shape.position = {(static_cast<float>(i % 20) - 9.5f) * 1.6f, static_cast<float>(i % 3),
                      (static_cast<float>(i / 20) - 4.5f) * 1.6f};
    file.root.children.push_back(std::move(shape));
  }
  file.root.children.push_back(scenePointLight("light", 2, {-10, -30, 20}));
  file.root.children.push_back(sceneCameraLookingAt("camera", 3, {0, -40, 0}, {0, 0, 0}));
  return file;
}

// The scene file written once into a temporary folder that becomes the current one.
struct SceneFolder {
  test::TempDir dir;
  test::CurrentDir inDir{dir.path()};
  std::filesystem::path path = dir / "data" / "scene.pod";
  std::size_t size = 0;
  bool ok = false;

  explicit SceneFolder(const SceneFile& file) {
    std::filesystem::create_directories(dir / "data");
    std::string error;
    ok = saveScene(path, file, error);
    if (!ok) std::fprintf(stderr, "scene_bench: %s\n", error.c_str());
    size = ok ? std::filesystem::file_size(path) : 0;
    File::reset();
    File::init();
  }
  ~SceneFolder() { File::reset(); }
};

// The device and the resource cache at the benchmarks' frame size.
struct Stage : bench::DeviceStage {
  explicit Stage(bool openGl) : DeviceStage(openGl, kWidth, kHeight) {}
};

Owned<Scene> loadScene() {
  std::uint32_t size = 0;
  Bytes data = File::get(kSceneName, size);
  if (!data) return nullptr;
  auto scene = make<Scene>(here());
  BinaryInput in(std::move(data), size, kSceneName);
  if (!scene->load(in)) return nullptr;
  return scene;
}

void sceneLoad(benchmark::State& state) {
  SceneFolder folder(wallScene(gridMesh(40)));
  Stage stage(state.range(0) != 0);
  if (!folder.ok || !stage.ok()) {
    state.SkipWithError("no scene or no device");
    return;
  }
  for (auto _ : state) {
    Owned<Scene> scene = loadScene();
    if (!scene) {
      state.SkipWithError("the scene did not load");
      break;
    }
    state.PauseTiming();
    scene.reset();  // its bank of the resource cache goes with it
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(folder.size));
}
BENCHMARK(sceneLoad)->Arg(1)->Arg(0)->ArgName("opengl")->Unit(benchmark::kMillisecond);

void sceneFileFread(benchmark::State& state) {
  SceneFolder folder(wallScene(gridMesh(40)));
  std::vector<char> buffer(folder.size);
  for (auto _ : state) {
    std::FILE* file = std::fopen(folder.path.c_str(), "rb");
    if (!file || std::fread(buffer.data(), 1, buffer.size(), file) != buffer.size()) {
      state.SkipWithError("fread failed");
      if (file) std::fclose(file);
      break;
    }
    std::fclose(file);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(folder.size));
}
BENCHMARK(sceneFileFread)->Unit(benchmark::kMillisecond);

// The wall of cubes, started, on its stage; each frame turns every shape a little (as a
// rotation controller would), updates and draws the scene through its camera.
struct Wall {
  SceneFolder folder{wallScene(sceneCube(1.2f))};
  Stage stage;
  Owned<Scene> scene;
  float angle = 0;

  explicit Wall(bool openGl) : stage(openGl) {
    if (!folder.ok || !stage.ok()) return;
    scene = loadScene();
    if (scene) scene->processEvent(Event("", kEventStartScene));
  }
  ~Wall() { scene.reset(); }
  bool ok() const { return scene && !scene->cameras().empty() && stage.ok(); }

  void engineFrame() {
    angle += 0.01f;
    const Quaternion turn{std::cos(angle / 2), 0, 0, std::sin(angle / 2)};
    for (Node* child : scene->children()) {
      if (child->_handle < 10) continue;
      child->_rotation = turn;
      child->_localDirty = child->_rotationDirty = true;
    }
    scene->update();
    stage.device->beginScene();
    scene->render(stage.drawContext, scene->cameras()[0], 0);
    stage.device->endScene();
  }
};

void engineCpuPerFrame(benchmark::State& state) {
  Wall wall(state.range(0) != 0);
  if (!wall.ok()) {
    state.SkipWithError("no scene or no device");
    return;
  }
  wall.engineFrame();
  std::uint64_t calls = 0;
  for (auto _ : state) {
    const std::uint64_t before = wall.stage.device->apiCalls();
    wall.engineFrame();
    calls += wall.stage.device->apiCalls() - before;
  }
  state.counters["calls_per_frame"] =
      static_cast<double>(calls) / static_cast<double>(state.iterations());
}
BENCHMARK(engineCpuPerFrame)->Arg(1)->Arg(0)->ArgName("opengl")->Unit(benchmark::kMicrosecond);

void frameTime(benchmark::State& state) {
  Wall wall(true);
  if (!wall.ok()) {
    state.SkipWithError("no scene or no device");
    return;
  }
  gfx::Device& device = *wall.stage.device;
  Owned<gfx::Surface> probe = device.createImageSurface(kWidth, kHeight, gfx::Format::X8R8G8B8);
  for (auto _ : state) {
    device.clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER | gfx::CLEAR_STENCIL, 0xFF000000, 1, 0);
    wall.engineFrame();
    device.present();
    // Wait for the frame to be drawn, so that the time is the drawing and not the queueing.
    std::uint32_t pixel = 0;
    gfx::LockedRect locked;
    if (device.copyRects(device.backBuffer(), probe.get()) &&
        probe->lockRect(locked, gfx::LOCK_READ_ONLY)) {
      pixel = static_cast<std::uint32_t*>(locked.bits)[kWidth * kHeight / 2 + kWidth / 2];
      (void)probe->unlockRect();
    }
    benchmark::DoNotOptimize(pixel);
  }
  // The share of the screen the wall covers, to show that the frame draws the scene.
  gfx::LockedRect locked;
  if (probe->lockRect(locked, gfx::LOCK_READ_ONLY)) {
    const auto* words = static_cast<const std::uint32_t*>(locked.bits);
    std::size_t covered = 0;
    for (std::size_t i = 0; i < std::size_t{kWidth} * kHeight; ++i)
      covered += (words[i] & 0xFFFFFF) != 0;
    state.counters["covered"] = static_cast<double>(covered) / (kWidth * kHeight);
    (void)probe->unlockRect();
  }
}
BENCHMARK(frameTime)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vesk

BENCHMARK_MAIN();
