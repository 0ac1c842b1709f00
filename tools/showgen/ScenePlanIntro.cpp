// "plan_intro": a plane of desert seen from above at dusk, dunes rolling under a low sun, the
// tops of a buried colonnade and a fallen obelisk breaking the sand. The one animation block
// drifts the camera slowly across it while the sun warms.
#include <cmath>
#include <numbers>

#include "SceneKit.h"
#include "ShowData.h"
#include "authoring/SceneExamples.h"
#include "authoring/SceneShapes.h"

namespace showgen {

using namespace vesk;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kHalf = 180;  // the plane runs from -kHalf to kHalf along x and y
constexpr float kDuration = 17;

float duneHeight(float x, float y) {
  return 4.5f * std::sin(x * 0.055f + 0.6f * std::sin(y * 0.04f)) +
         2.2f * std::sin((x + y) * 0.09f + 1.3f) + 0.5f * std::sin(y * 0.23f - x * 0.07f);
}

// The dunes: a grid of cells, sand tiled on the first channel, the warm light pool stretched
// over the whole plane on the second.
SceneMesh dunes(int cells) {
  SceneMesh mesh;
  mesh.channels = 2;
  const float cell = 2 * kHalf / static_cast<float>(cells);
  for (int j = 0; j <= cells; ++j)
    for (int i = 0; i <= cells; ++i) {
      const float x = -kHalf + static_cast<float>(i) * cell;
      const float y = -kHalf + static_cast<float>(j) * cell;
      SceneVertex v;
      v.position = {x, y, duneHeight(x, y)};
      v.uv[0] = {x / 12, y / 12};
      v.uv[1] = {static_cast<float>(i) / cells, static_cast<float>(j) / cells};
      mesh.vertices.push_back(v);
    }
  const auto row = static_cast<std::uint32_t>(cells + 1);
  for (std::uint32_t j = 0; j < static_cast<std::uint32_t>(cells); ++j)
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(cells); ++i) {
      const std::uint32_t a = j * row + i, b = a + 1, c = a + row + 1, d = a + row;
      // (a, b, c) and (a, c, d) run counter-clockwise seen from above; stored the other way.
      mesh.faces.push_back({a, c, b});
      mesh.faces.push_back({a, d, c});
    }
  sceneComputeNormals(mesh, 180);
  return mesh;
}

// A column shaft of the buried colonnade, sunk into the sand up to `depth`.
SceneMesh column() {
  SceneMesh shaft = sceneLathe(
      {{0, -6}, {1.1f, -6}, {1.1f, 5.2f}, {1.35f, 5.6f}, {1.35f, 6.1f}, {0.9f, 6.1f}, {0, 6.1f}},
      10);
  return shaft;
}

SceneMesh obelisk() {
  // A tapering shaft with a pyramid tip, lying on its side.
  SceneMesh shaft =
      sceneExtrusion({{-1.4f, -1.4f}, {1.4f, -1.4f}, {1.4f, 1.4f}, {-1.4f, 1.4f}}, 16, 4);
  for (SceneVertex& v : shaft.vertices) {
    const float taper = 1 - 0.35f * v.position.z / 16;
    v.position.x *= taper;
    v.position.y *= taper;
  }
  SceneMesh tip = sceneLathe({{0, 0}, {1.3f, 0}, {0, 2.4f}}, 4, 10);
  sceneRotate(tip, {0, 0, 1}, kPi / 4);
  sceneTranslate(tip, {0, 0, 16});
  sceneComputeNormals(shaft, 20);
  sceneMerge(shaft, tip);
  sceneRotate(shaft, {0, 1, 0}, kPi / 2 - 0.12f);
  return shaft;
}

}  // namespace

bool addScenePlanIntro(DataSet& set, Progress& progress, std::string& error) {
  Handles handles;
  SceneFile scene;
  // 0: the sand, lit by the warm light map on the second channel.
  SceneMaterial sand = texturedMaterial("sandstone.jpg", {1, 0.82f, 0.58f}, 0.08f, 0.25f);
  sand.diffuseMaps.push_back(texture("lightmap_warm.jpg", 2));
  scene.materials.push_back(sand);
  // 1: weathered cut stone; 2: the obelisk's gold tip band.
  scene.materials.push_back(texturedMaterial("sandstone_wall.jpg", {0.95f, 0.8f, 0.62f}, 0.15f));
  scene.materials.push_back(texturedMaterial("gold.jpg", {1, 0.85f, 0.5f}, 0.6f, 1));

  scene.root.name = "plan_intro";
  scene.root.handle = handles.next();
  std::vector<SceneNode>& nodes = scene.root.children;
  nodes.push_back(makeNode("Camera01", handles.next(), SceneCamera{0.9f, 1, 600, 0, 600}));
  const std::int32_t camera = nodes.back().handle;
  nodes.push_back(makeNode("Dunes", handles.next(), SceneShape{dunes(44), 0}));

  // Seven columns of a colonnade in a line across the drift, a few fallen short.
  const SceneMesh shaft = column();
  for (int i = 0; i < 7; ++i) {
    const float x = -18 + 6.5f * static_cast<float>(i);
    const float y = 14 + 1.5f * std::sin(static_cast<float>(i) * 1.7f);
    const float sunk = (i % 3 == 1) ? -3.5f : 0;
    SceneNode node = makeNode("Column" + std::to_string(i + 1), handles.next(),
                              SceneShape{shaft, 1}, {x, y, duneHeight(x, y) + sunk});
    nodes.push_back(node);
  }
  SceneMesh lying = obelisk();
  SceneNode fallen = makeNode("Obelisk", handles.next(), SceneShape{lying, 1},
                              {-6, -22, duneHeight(-6, -22) + 0.6f});
  fallen.rotation = sceneAxisRotation({0, 0, 1}, 0.5f);
  nodes.push_back(fallen);

  // A low sun in the west casting long shading across the dunes, and a cool sky fill.
  nodes.push_back(scenePointLight("Sun", handles.next(), {-320, -260, 110}, {1, 0.62f, 0.35f}));
  const std::int32_t sun = nodes.back().handle;
  nodes.push_back(scenePointLight("Sky", handles.next(), {300, -200, 400}, {0.22f, 0.28f, 0.45f}));

  // The drift: high above the sand, looking down ahead, sliding slowly along the colonnade.
  AnimationFile drift;
  drift.loopMode = VK_ANIM_LOOP_STOP;
  drift.controllers.push_back(cameraFlight(camera, kDuration, 0.5f, [](float t) {
    const float s = t / kDuration;
    const SceneVector eye{-55 + 60 * s, -60 + 22 * s, 62 - 14 * s};
    return CameraPose{eye, {eye.x + 30, eye.y + 62, 0}};
  }));
  AnimController warming;
  warming.keyTimes = {0, 6, 12, kDuration};
  warming.record = AnimLightController{
      sun, {{0.7f, 0.35f, 0.2f}, {1, 0.6f, 0.33f}, {1, 0.75f, 0.45f}, {1, 0.8f, 0.55f}}};
  drift.controllers.push_back(warming);
  nodes.front().position = {-55, -60, 62};
  nodes.front().rotation = sceneCameraLookingAt("", 0, {-55, -60, 62}, {-25, 2, 0}).rotation;

  progress.show("scenes", 1, 1);
  return addSceneFiles(set, scene, {{"plan_intro", drift}}, error);
}

}  // namespace showgen
