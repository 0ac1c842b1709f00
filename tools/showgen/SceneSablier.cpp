// The hourglass: a great glass hourglass in a gold frame on a stone pedestal, its sand ("Sand",
// a particle system of glowing grains) falling through the neck onto a heap. It stands in a
// corner of mirrors: the floor ("Floor"), a black glass wall behind it ("Glass") and a gilded
// wall on its left ("Frame"); the script turns all three into mirrors, so each is a shape of
// four corners with a material of its own. The bulbs are a glass material with a transparency
// map, drawn sorted after the opaque shapes.
//
// sablier_anim_camera01 ... 06 each fly their camera once (stopping at the end);
// sablier_anim_lights makes the lights and the glass breathe, a six-second loop that also runs
// backwards.
#include <cmath>

#include "ClosingKit.h"
#include "ShowData.h"
#include "authoring/SceneShapes.h"

namespace showgen {

using namespace closing;
using vesk::LathePoint;
using vesk::sceneAxisRotation;
using vesk::sceneLathe;

namespace {

enum Material : std::int32_t {
  kGlass,
  kGold,
  kPolished,
  kSand,
  kStone,
  kGrain,
  kFloorMirror,
  kBackMirror,
  kSideMirror,
  kMaterialCount
};

constexpr float kBase = 1.6f;  // the hourglass stands on the pedestal at this height
constexpr float kNeck = kBase + 0.5f + 3.5f;
constexpr SceneColour kWarm{1, 0.72f, 0.42f};
constexpr SceneColour kBlue{0.32f, 0.42f, 0.8f};

std::vector<SceneMaterial> materials() {
  std::vector<SceneMaterial> list(kMaterialCount);
  // The glass: the mask's bright rims opaque, its middle clear; the metal's reflection added.
  list[kGlass] =
      litMaterial({0.85f, 0.95f, 1}, {0.3f, 0.34f, 0.42f}, 0.9f, {texture("env_metal.jpg")});
  list[kGlass].transparencyMap = texture("glass_mask.jpg");
  list[kGlass].additiveEnvironmentMap = texture("env_metal.jpg");
  list[kGold] = litMaterial({1, 0.85f, 0.5f}, {0.2f, 0.14f, 0.05f}, 0.6f, {texture("gold.jpg")});
  list[kPolished] = list[kGold];
  list[kPolished].environmentMap = texture("env_metal.jpg");
  list[kSand] = litMaterial({1, 0.85f, 0.6f}, {0.3f, 0.22f, 0.12f}, 0, {texture("sandstone.jpg")});
  list[kStone] = litMaterial({0.9f, 0.8f, 0.68f}, {0.08f, 0.08f, 0.13f}, 0.15f,
                             {texture("sandstone_wall.jpg")});
  // The grains glow by themselves: a sprite's colour carries only its fading alpha.
  SceneTexture spark = texture("spark.jpg");
  spark.colourKey = true;
  list[kGrain] = litMaterial({0, 0, 0}, {1, 0.82f, 0.5f}, 0, {spark});
  list[kGrain].opacity = 0.95f;
  list[kFloorMirror] =
      litMaterial({0.45f, 0.5f, 0.7f}, {0.02f, 0.02f, 0.05f}, 0.6f, {texture("black_glass.jpg")});
  list[kFloorMirror].opacity = 0.35f;
  list[kBackMirror] =
      litMaterial({0.3f, 0.4f, 0.85f}, {0.07f, 0.09f, 0.2f}, 0.6f, {texture("black_glass.jpg")});
  list[kBackMirror].opacity = 0.4f;
  list[kSideMirror] =
      litMaterial({1, 0.85f, 0.55f}, {0.2f, 0.14f, 0.05f}, 0.6f, {texture("gold.jpg")});
  list[kSideMirror].opacity = 0.3f;
  return list;
}

// The two bulbs as one turned profile, closed at both ends, from z = 0 to 7.
SceneMesh bulbs() {
  std::vector<LathePoint> profile = {{0, 0}};
  for (int i = 0; i <= 20; ++i) {
    const float z = 7.0f * static_cast<float>(i) / 20;
    const float u = std::fabs(z - 3.5f) / 3.5f;  // 0 at the neck, 1 at the ends
    const float bulge = std::sin(std::fmin(u * 1.15f, 1.0f) * kPi);
    const float radius = 0.12f + 1.55f * std::pow(std::fmax(bulge, 0.0f), 0.7f);
    profile.push_back({i == 0 || i == 20 ? 0.5f : radius, z});
  }
  profile.push_back({0, 7});
  return sceneLathe(profile, 20, 60);
}

void addHourglass(SceneNode& root, Handles& handles) {
  SceneMesh pedestal = vesk::sceneBevelledBox({5.2f, 5.2f, 1.2f}, 0.12f, 2);
  vesk::sceneTranslate(pedestal, {0, 0, 0.6f});
  SceneMesh upper = vesk::sceneBevelledBox({4.2f, 4.2f, 0.4f}, 0.1f, 2);
  vesk::sceneTranslate(upper, {0, 0, 1.4f});
  vesk::sceneMerge(pedestal, upper);
  root.children.push_back(shapeNode("Pedestal", handles.next(), pedestal, kStone));

  const std::vector<LathePoint> cap = {{0, 0},        {2.3f, 0},    {2.3f, 0.2f},
                                       {2.0f, 0.35f}, {2.0f, 0.5f}, {0, 0.5f}};
  root.children.push_back(
      shapeNode("CapBottom", handles.next(), sceneLathe(cap, 24, 40), kGold, {0, 0, kBase}));
  SceneMesh top = sceneLathe(cap, 24, 40);
  vesk::sceneRotate(top, {1, 0, 0}, kPi);
  root.children.push_back(shapeNode("CapTop", handles.next(), top, kGold, {0, 0, kBase + 8}));
  const std::vector<LathePoint> post = {{0, 0},        {0.2f, 0},    {0.2f, 0.3f},  {0.12f, 0.5f},
                                        {0.12f, 3.2f}, {0.2f, 3.5f}, {0.12f, 3.8f}, {0.12f, 6.5f},
                                        {0.2f, 6.7f},  {0.2f, 7.0f}, {0, 7.0f}};
  for (int k = 0; k < 3; ++k) {
    const float angle = 2 * kPi * static_cast<float>(k) / 3 + kPi / 6;
    root.children.push_back(
        shapeNode(numbered("Post", k + 1), handles.next(), sceneLathe(post, 8), kPolished,
                  {1.95f * std::cos(angle), 1.95f * std::sin(angle), kBase + 0.5f}));
  }
  // The sand: what is left above the neck, and the heap below it.
  const SceneMesh sandTop =
      sceneLathe({{0, 3.6f}, {0.3f, 3.75f}, {1.0f, 4.3f}, {1.4f, 4.9f}, {0, 5.0f}}, 16, 50);
  root.children.push_back(
      shapeNode("SandTop", handles.next(), sandTop, kSand, {0, 0, kBase + 0.5f}));
  const SceneMesh heap =
      sceneLathe({{0, 0.05f}, {1.45f, 0.05f}, {1.3f, 0.4f}, {0.6f, 1.0f}, {0, 1.25f}}, 16, 70);
  root.children.push_back(shapeNode("SandHeap", handles.next(), heap, kSand, {0, 0, kBase + 0.5f}));
  root.children.push_back(
      shapeNode("Bulbs", handles.next(), bulbs(), kGlass, {0, 0, kBase + 0.5f}));

  // The stream: emitted at the neck along the system's own z, turned to point down; its scale
  // slows the script's emission speed to a trickle of about two units a second.
  vesk::SceneParticles sand;
  sand.spreadX = 0.08f;
  sand.spreadY = 0.08f;
  sand.rateFactor = 1;
  sand.angleSpread = 2;
  vesk::SceneParticleClass grain;
  grain.rate = 9000;
  grain.lifetime = 0.95f;
  grain.mass = 1;
  grain.particle = SceneNode{};
  grain.particle.name = "Grain";
  grain.particle.handle = handles.next();
  grain.particle.record = vesk::SceneSprite{0.12f, kGrain};
  sand.classes.push_back(grain);
  SceneNode stream;
  stream.name = "Sand";
  stream.handle = handles.next();
  stream.position = {0, 0, kNeck - 0.1f};
  stream.rotation = sceneAxisRotation({1, 0, 0}, kPi);
  stream.scale = {0.05f, 0.05f, 0.05f};
  stream.record = sand;
  root.children.push_back(stream);
}

void addMirrors(SceneNode& root, Handles& handles) {
  root.children.push_back(shapeNode(
      "Floor", handles.next(), mirrorQuad({-2, -4, 0}, {18, 0, 0}, {0, 16, 0}, 6), kFloorMirror));
  root.children.push_back(shapeNode("Glass", handles.next(),
                                    mirrorQuad({-2, 9, 7}, {16, 0, 0}, {0, 0, 7}, 3), kBackMirror));
  root.children.push_back(shapeNode(
      "Frame", handles.next(), mirrorQuad({-11, -4, 7}, {0, 13, 0}, {0, 0, 7}, 2), kSideMirror));
}

// The cameras, each flying once in its block.
struct Shot {
  SceneVector eyeFrom, eyeTo, lookFrom, lookTo;
  float seconds;
};

const Shot kShots[6] = {
    {{3, -19, 2.5f}, {7, -13, 8}, {0, 0, 5}, {0, 0, 5.5f}, 12},  // 01: rising to the hourglass
    {{12, -6, 5}, {4, -12, 9}, {0, 0, 5}, {0, 0, 5}, 10},        // 02: swinging round the front
    {{2.6f, -4.5f, 6.8f}, {1.2f, -3.6f, 4.6f}, {0, 0, kNeck}, {0, 0, kBase + 1.5f}, 6},  // 03
    {{-1, -7, 10}, {3, -20, 13}, {0, 0, kNeck}, {0, 0, 4}, 9},  // 04: pulling away
    {{-7, -10, 3}, {8, -10, 3}, {0, 0, 5}, {0, 0, 5}, 10},      // 05: sideways past it
    {{0, -14, 0.8f}, {0, -8, 1.5f}, {0, 0, 6}, {0, 0, 8}, 10},  // 06: low, looking up
};

CameraPath shotPath(const Shot& shot) {
  return {[shot](float t) { return lerp(shot.eyeFrom, shot.eyeTo, ease(t / shot.seconds)); },
          [shot](float t) { return lerp(shot.lookFrom, shot.lookTo, ease(t / shot.seconds)); }};
}

}  // namespace

bool addSceneSablier(DataSet& set, Progress& progress, std::string& error) {
  (void)progress;
  SceneFile scene;
  scene.materials = materials();
  Handles handles;
  scene.root.name = "sablier";
  scene.root.handle = handles.next();
  addHourglass(scene.root, handles);
  addMirrors(scene.root, handles);
  const std::int32_t warm = handles.next(), cool = handles.next(), rim = handles.next();
  scene.root.children.push_back(lightNode("Light01", warm, {-6, -9, 12}, kWarm));
  scene.root.children.push_back(lightNode("Light02", cool, {9, 3, 10}, kBlue));
  scene.root.children.push_back(lightNode("Light03", rim, {4, 6, 2}, {0.6f, 0.4f, 0.2f}));
  std::int32_t cameras[6];
  for (int k = 0; k < 6; ++k) {
    cameras[k] = handles.next();
    const CameraPath path = shotPath(kShots[k]);
    scene.root.children.push_back(
        cameraNode(numbered("Camera", k + 1), cameras[k], path.eye(0), path.target(0), 0.95f));
  }
  if (!addSceneFile(set, scene, error)) return false;
  for (int k = 0; k < 6; ++k) {
    AnimationFile flight;
    flight.loopMode = vesk::VK_ANIM_LOOP_STOP;
    flight.controllers.push_back(
        cameraFlight(cameras[k], shotPath(kShots[k]), 0, kShots[k].seconds, 0.5f));
    if (!addAnimationFile(set, scene, numbered("sablier_anim_camera", k + 1), flight, error))
      return false;
  }
  // Breathing: the warm light swells while the cool one ebbs, and back, every six seconds.
  AnimationFile lights;
  lights.loopMode = vesk::VK_ANIM_LOOP_WRAP;
  auto scaled = [](SceneColour c, float k) { return SceneColour{c.r * k, c.g * k, c.b * k}; };
  const std::vector<float> times = {0, 1.5f, 3, 4.5f, 6};
  lights.controllers.push_back(lightColours(
      warm, times,
      {kWarm, scaled(kWarm, 1.25f), scaled(kWarm, 0.55f), scaled(kWarm, 0.8f), kWarm}));
  lights.controllers.push_back(lightColours(
      cool, times, {kBlue, scaled(kBlue, 0.6f), scaled(kBlue, 1.4f), scaled(kBlue, 1.1f), kBlue}));
  lights.controllers.push_back(lightColours(rim, times,
                                            {{0.6f, 0.4f, 0.2f},
                                             {0.9f, 0.55f, 0.25f},
                                             {0.3f, 0.2f, 0.1f},
                                             {0.5f, 0.32f, 0.15f},
                                             {0.6f, 0.4f, 0.2f}}));
  // The glass clears and clouds with the light.
  AnimController glass;
  glass.keyTimes = times;
  glass.record = vesk::AnimMaterialController{kGlass, {0.9f, 0.7f, 1, 0.8f, 0.9f}};
  lights.controllers.push_back(glass);
  return addAnimationFile(set, scene, "sablier_anim_lights", lights, error);
}

}  // namespace showgen
