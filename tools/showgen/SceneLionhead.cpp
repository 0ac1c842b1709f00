// The lion head: a great head of carved sandstone on a stepped plinth, in a hall of columns
// between two walls lit by torches. The floor "Plane01" and the black glass wall behind the
// head, "Head", are the scene's mirrors (the script turns both on, and the mirror shader takes
// only four-cornered shapes). The pieces of the head are shapes of their own, because the
// script runs gold wire over them one by one.
//
// lionhead_anim (40 s, looping): the cameras' slow orbits, the torches flickering, the mane
// breathing. lionhead_anim2 (6 s, stopping at either end): Camera02 pushes in while the jaw
// opens; the script runs it backwards, which closes the jaw again.
#include <cmath>

#include "ClosingKit.h"
#include "ShowData.h"
#include "authoring/SceneShapes.h"

namespace showgen {

using namespace closing;
using vesk::AnimNodeController;
using vesk::LathePoint;
using vesk::sceneAxisRotation;
using vesk::sceneBevelledBox;
using vesk::sceneLathe;
using vesk::sceneRotate;
using vesk::sceneScale;
using vesk::sceneSphere;
using vesk::sceneTranslate;

namespace {

enum Material : std::int32_t {
  kStone,
  kMane,
  kGold,
  kEyes,
  kWall,
  kFloorMirror,
  kWallMirror,
  kFlame,
  kTongue,
  kSteps,
  kSky,
  kMaterialCount
};

constexpr SceneVector kHeadCentre{0, 1, 5.2f};
constexpr SceneColour kCool{0.10f, 0.11f, 0.17f};
constexpr SceneColour kTorch{1.0f, 0.62f, 0.28f};

std::vector<SceneMaterial> materials() {
  std::vector<SceneMaterial> list(kMaterialCount);
  list[kStone] = litMaterial({1, 0.92f, 0.8f}, kCool, 0.2f, {texture("sandstone.jpg")});
  list[kMane] = litMaterial({0.85f, 0.55f, 0.32f}, kCool, 0.15f, {texture("sandstone.jpg")});
  list[kGold] = litMaterial({1, 0.85f, 0.5f}, {0.2f, 0.15f, 0.05f}, 0.5f, {texture("gold.jpg")});
  list[kGold].environmentMap = texture("env_metal.jpg");
  list[kEyes] = litMaterial({1, 0.8f, 0.4f}, {0.9f, 0.55f, 0.15f}, 0.8f, {texture("gold.jpg")});
  // Cut blocks with the torches' warm pool laid over them from the second channel.
  list[kWall] = litMaterial({0.9f, 0.8f, 0.7f}, kCool, 0,
                            {texture("sandstone_wall.jpg"), texture("lightmap_warm.jpg", 2)});
  // The mirrors are half see-through: the reflection shows through their black glass.
  list[kFloorMirror] =
      litMaterial({0.5f, 0.55f, 0.7f}, {0.05f, 0.06f, 0.12f}, 0.6f, {texture("black_glass.jpg")});
  list[kFloorMirror].opacity = 0.35f;
  list[kWallMirror] =
      litMaterial({0.35f, 0.45f, 0.8f}, {0.06f, 0.08f, 0.18f}, 0.6f, {texture("black_glass.jpg")});
  list[kWallMirror].opacity = 0.4f;
  SceneTexture flame = animatedTexture("flame.jpg", 8, 12);
  flame.colourKey = true;
  list[kFlame] = litMaterial({0, 0, 0}, {1, 1, 1}, 0, {flame});
  list[kTongue] =
      litMaterial({0.75f, 0.25f, 0.18f}, {0.12f, 0.03f, 0.02f}, 0.6f, {texture("sandstone.jpg")});
  list[kSteps] = litMaterial({0.85f, 0.75f, 0.62f}, kCool, 0.1f, {texture("sandstone_wall.jpg")});
  list[kSky] = litMaterial({0, 0, 0}, {1, 1, 1}, 0, {texture("sky_dusk.jpg")});
  return list;
}

SceneMesh box(SceneVector size, float bevel, float uvScale = 2) {
  return sceneBevelledBox(size, bevel, uvScale);
}

// Two crossed quads, seen from both sides, for a torch's flame.
SceneMesh flameMesh(float width, float height) {
  SceneMesh mesh;
  const SceneVector up{0, 0, height / 2};
  for (const SceneVector& half : {SceneVector{width / 2, 0, 0}, SceneVector{0, width / 2, 0}}) {
    for (float side : {1.0f, -1.0f}) {
      SceneMesh quad = mirrorQuad(up, half * side, up);
      vesk::sceneMerge(mesh, quad);
    }
  }
  return mesh;
}

// The lower jaw and what hangs from it turn about the hinge, the node's origin.
SceneNode jaw(Handles& handles) {
  SceneMesh mesh = box({1.9f, 1.7f, 0.55f}, 0.18f);
  sceneTranslate(mesh, {0, -0.85f, -0.3f});
  SceneNode node = shapeNode("Jaw", handles.next(), mesh, kStone, {0, 0.1f, 4.35f});
  SceneMesh tongue = sceneSphere(0.5f, 10, 6);
  sceneScale(tongue, {1.2f, 1.6f, 0.35f});
  node.children.push_back(shapeNode("Tongue", handles.next(), tongue, kTongue, {0, -0.9f, 0.1f}));
  SceneMesh chin = sceneLathe({{0, -0.9f}, {0.35f, -0.75f}, {0.7f, -0.2f}, {0.75f, 0}, {0, 0}}, 10);
  sceneScale(chin, {1, 0.8f, 1});
  node.children.push_back(shapeNode("Chin", handles.next(), chin, kMane, {0, -1.2f, -0.5f}));
  return node;
}

void addHead(SceneNode& root, Handles& handles) {
  const SceneVector c = kHeadCentre;
  SceneMesh face = sceneSphere(1.8f, 14, 8);
  sceneScale(face, {0.95f, 0.8f, 1.1f});
  root.children.push_back(shapeNode("Face", handles.next(), face, kStone, c));

  // The mane: tapering locks in two rings, thrown back from the face like flames.
  SceneMesh mane;
  const std::vector<LathePoint> lockProfile = {{0, 0}, {0.55f, 0.25f}, {0.42f, 1.5f}, {0, 2.7f}};
  for (int ring = 0; ring < 2; ++ring) {
    const int locks = ring == 0 ? 14 : 10;
    for (int k = 0; k < locks; ++k) {
      const float angle = 2 * kPi * (static_cast<float>(k) + 0.5f * ring) / locks;
      SceneMesh lock = sceneLathe(lockProfile, 5, 50);
      sceneScale(lock, {1, 0.7f, ring == 0 ? 1.0f : 0.75f});
      sceneRotate(lock, {1, 0, 0}, ring == 0 ? -0.55f : -0.3f);  // swept back
      sceneTranslate(lock, {0, 0, ring == 0 ? 1.3f : 1.1f});
      sceneRotate(lock, {0, 1, 0}, angle);
      sceneTranslate(lock, {0, ring == 0 ? 0.6f : 0.2f, 0});
      vesk::sceneMerge(mane, lock);
    }
  }
  SceneNode maneNode = shapeNode("Mane", handles.next(), mane, kMane, c);
  // The chest the head rises from, resting on the top step.
  SceneMesh chest = sceneLathe({{0, 0}, {1.9f, 0}, {1.7f, 1.2f}, {1.2f, 2.6f}, {0, 2.9f}}, 12, 40);
  sceneScale(chest, {1, 0.75f, 1});
  root.children.push_back(shapeNode("Chest", handles.next(), chest, kMane, {0, 1.8f, 2}));
  root.children.push_back(maneNode);

  // Two ridges frowning down to the nose.
  SceneMesh brow;
  for (float side : {-1.0f, 1.0f}) {
    SceneMesh ridge = box({1.5f, 0.7f, 0.45f}, 0.18f);
    sceneRotate(ridge, {0, 1, 0}, -0.28f * side);
    sceneTranslate(ridge, {0.72f * side, 0, 0});
    vesk::sceneMerge(brow, ridge);
  }
  root.children.push_back(
      shapeNode("Brow", handles.next(), brow, kStone, c + SceneVector{0, -1.25f, 0.85f}));
  SceneMesh nose = box({0.95f, 1.3f, 1.3f}, 0.3f);
  sceneRotate(nose, {1, 0, 0}, -0.25f);
  for (float side : {-1.0f, 1.0f}) {
    SceneMesh cheek = sceneSphere(0.62f, 8, 5);
    sceneScale(cheek, {1, 0.8f, 0.75f});
    sceneTranslate(cheek, {0.48f * side, -0.15f, -0.55f});
    vesk::sceneMerge(nose, cheek);
  }
  root.children.push_back(
      shapeNode("Nose", handles.next(), nose, kStone, c + SceneVector{0, -1.55f, -0.25f}));
  for (float side : {-1.0f, 1.0f}) {
    const char* suffix = side < 0 ? "_l" : "_r";
    SceneMesh eye = sceneSphere(0.26f, 8, 5);
    root.children.push_back(shapeNode(std::string("Eye") + suffix, handles.next(), eye, kEyes,
                                      c + SceneVector{0.7f * side, -1.35f, 0.45f}));
    SceneMesh ear = sceneLathe({{0.55f, 0}, {0.45f, 0.5f}, {0, 1.0f}}, 8);
    sceneScale(ear, {1, 0.5f, 1});
    sceneRotate(ear, {0, 1, 0}, -0.5f * side);
    root.children.push_back(shapeNode(std::string("Ear") + suffix, handles.next(), ear, kMane,
                                      c + SceneVector{1.45f * side, -0.2f, 1.55f}));
    SceneMesh fang = sceneLathe({{0, -0.6f}, {0.14f, 0}, {0, 0.02f}}, 8);
    root.children.push_back(shapeNode(std::string("Fang") + suffix, handles.next(), fang, kGold,
                                      c + SceneVector{0.42f * side, -1.95f, -0.85f}));
  }
  SceneMesh crown = sceneLathe(
      {{1.1f, 0}, {1.25f, 0.15f}, {1.0f, 0.5f}, {1.25f, 0.9f}, {1.05f, 0.95f}, {0, 0.95f}}, 12, 40);
  sceneRotate(crown, {1, 0, 0}, -0.2f);
  root.children.push_back(
      shapeNode("Crown", handles.next(), crown, kGold, c + SceneVector{0, 0.1f, 1.7f}));
  root.children.push_back(jaw(handles));
}

// The plinth, the altar, the hall and its torches.
void addHall(SceneNode& root, Handles& handles) {
  for (int k = 0; k < 4; ++k) {
    const float f = static_cast<float>(k);
    SceneMesh step = box({9.5f - 1.5f * f, 7 - 1.1f * f, 0.5f}, 0.08f, 3);
    root.children.push_back(
        shapeNode(numbered("Step", k + 1), handles.next(), step, kSteps, {0, 1, 0.25f + 0.5f * f}));
  }
  SceneMesh altar = box({2.6f, 1.4f, 1.1f}, 0.15f);
  vesk::sceneMerge(altar, [] {
    SceneMesh top = box({3.0f, 1.7f, 0.2f}, 0.06f);
    sceneTranslate(top, {0, 0, 0.62f});
    return top;
  }());
  root.children.push_back(shapeNode("Altar", handles.next(), altar, kGold, {0, -5.4f, 0.55f}));

  const std::vector<LathePoint> column = {{0, 0},        {0.95f, 0},   {0.95f, 0.5f}, {0.7f, 0.7f},
                                          {0.6f, 1.0f},  {0.5f, 8.0f}, {0.8f, 8.4f},  {0.95f, 8.8f},
                                          {0.95f, 9.1f}, {0, 9.1f}};
  const SceneVector columns[4] = {{-8.5f, -6, 0}, {8.5f, -6, 0}, {-8.5f, 6, 0}, {8.5f, 6, 0}};
  for (int k = 0; k < 4; ++k)
    root.children.push_back(shapeNode(numbered("Column", k + 1), handles.next(),
                                      sceneLathe(column, 8), kStone, columns[k]));

  for (float side : {-1.0f, 1.0f}) {
    const char* suffix = side < 0 ? "_l" : "_r";
    SceneMesh pillar = box({0.9f, 0.9f, 5.2f}, 0.12f);
    sceneTranslate(pillar, {0, 0, 2.6f});
    SceneMesh cap = sceneLathe({{0.3f, 0}, {0.75f, 0.35f}, {0.55f, 0.6f}, {0, 0.6f}}, 8);
    sceneTranslate(cap, {0, 0, 5.2f});
    vesk::sceneMerge(pillar, cap);
    root.children.push_back(shapeNode(std::string("Pillar") + suffix, handles.next(), pillar, kGold,
                                      {4.1f * side, 1.8f, 2}));
    SceneMesh torch = sceneLathe(
        {{0.12f, 0}, {0.12f, 2.4f}, {0.5f, 2.6f}, {0.7f, 3.0f}, {0.55f, 3.05f}, {0, 2.8f}}, 8, 40);
    SceneNode torchNode = shapeNode(std::string("Torch") + suffix, handles.next(), torch, kGold,
                                    {6.2f * side, -3.5f, 0});
    torchNode.children.push_back(shapeNode(std::string("Flame") + suffix, handles.next(),
                                           flameMesh(1.0f, 1.6f), kFlame, {0, 0, 2.85f}));
    root.children.push_back(torchNode);
  }

  // The side walls: blocks of cut stone, the torchlight pool mapped from the wall's own plane.
  for (float side : {-1.0f, 1.0f}) {
    SceneMesh wall = box({1.2f, 30, 10}, 0.2f, 3);
    for (auto& vertex : wall.vertices)
      vertex.uv[1] = {(vertex.position.y + 15) / 30 * 1.6f - 0.3f,
                      1.2f - (vertex.position.z + 5) / 10 * 1.2f};
    wall.channels = 2;
    root.children.push_back(shapeNode(side < 0 ? "cote gauche" : "cote droit", handles.next(), wall,
                                      kWall, {12.6f * side, -4, 5}));
  }
  root.children.push_back(shapeNode(
      "Plane01", handles.next(), mirrorQuad({0, -4, 0}, {13, 0, 0}, {0, 14, 0}, 6), kFloorMirror));
  root.children.push_back(shapeNode("Head", handles.next(),
                                    mirrorQuad({0, 10, 5}, {12, 0, 0}, {0, 0, 5}, 4), kWallMirror));
}

// Where each camera is at time t of lionhead_anim: slow swings about the head, every path
// back where it began after 40 s so that the loop does not jump.
struct Orbit {
  float radius, height, angle, swing, phase;
  SceneVector target;
};

CameraPath orbitPath(Orbit o) {
  auto angle = [o](float t) { return o.angle + o.swing * std::sin(2 * kPi * t / 40 + o.phase); };
  return {[o, angle](float t) {
            const float a = angle(t);
            return SceneVector{o.target.x + o.radius * std::sin(a),
                               o.target.y - o.radius * std::cos(a), o.height};
          },
          [o](float) { return o.target; }};
}

constexpr Orbit kOrbits[8] = {
    {15, 7, 0, 0.4f, 0, {0, 1, 4.5f}},            // 01: the head face on
    {0, 0, 0, 0, 0, {}},                          // 02: flies in lionhead_anim2
    {8, 1.0f, 0.75f, 0.3f, 1, {0, 1, 5.5f}},      // 03: low, the floor's reflection
    {9.5f, 11, -0.55f, 0.35f, 2, {0, 1, 4}},      // 04: from above the steps
    {4.6f, 5.8f, -0.3f, 0.35f, 1, {0, 0, 5.3f}},  // 05: the eyes
    {10, 4, 1.15f, 0.2f, 3, {0, 1, 4.5f}},        // 06: the right side and its wall
    {9, 2.5f, -0.8f, 0.25f, 4, {0, 1, 4.5f}},     // 07: the left, low between the columns
    {6.5f, 12, 0, 2.2f, 0, {0, 1, 5}},            // 08: high, sweeping round
};

void addLights(SceneNode& root, Handles& handles, std::int32_t torches[2]) {
  root.children.push_back(lightNode("Moon", handles.next(), {-6, -14, 16}, {0.45f, 0.5f, 0.75f}));
  for (int k = 0; k < 2; ++k) {
    const float side = k == 0 ? -1.0f : 1.0f;
    torches[k] = handles.next();
    root.children.push_back(lightNode(k == 0 ? "TorchLight_l" : "TorchLight_r", torches[k],
                                      {6.2f * side, -4.2f, 4.2f}, kTorch));
  }
}

void addCameras(SceneNode& root, Handles& handles, std::int32_t cameras[8]) {
  for (int k = 0; k < 8; ++k) {
    const CameraPath path = k == 1 ? CameraPath{} : orbitPath(kOrbits[k]);
    const SceneVector eye = k == 1 ? SceneVector{0, -15, 3} : path.eye(0);
    const SceneVector target = k == 1 ? SceneVector{0, 1, 5} : path.target(0);
    cameras[k] = handles.next();
    root.children.push_back(cameraNode(numbered("Camera", k + 1), cameras[k], eye, target, 0.95f));
  }
}

AnimationFile mainAnimation(const std::int32_t cameras[8], const std::int32_t torches[2],
                            std::int32_t mane) {
  AnimationFile file;
  file.loopMode = vesk::VK_ANIM_LOOP_WRAP;
  for (int k = 0; k < 8; ++k) {
    if (k != 1)
      file.controllers.push_back(cameraFlight(cameras[k], orbitPath(kOrbits[k]), 0, 40, 1));
  }
  // Torchlight flickering at two different paces; the first and last keys agree.
  for (int k = 0; k < 2; ++k) {
    std::vector<float> times;
    std::vector<SceneColour> colours;
    for (int i = 0; i <= 160; ++i) {
      const float t = 0.25f * static_cast<float>(i % 160);
      const float f = 0.85f + 0.15f * std::sin(7.3f * t + 2.0f * k) * std::sin(3.1f * t + 1.3f * k);
      times.push_back(0.25f * static_cast<float>(i));
      colours.push_back({kTorch.r * f, kTorch.g * f * f, kTorch.b * f * f});
    }
    file.controllers.push_back(lightColours(torches[k], times, colours));
  }
  // The mane swells a little, as if the stone breathed.
  AnimNodeController breath;
  breath.node = mane;
  AnimController controller;
  for (int i = 0; i <= 8; ++i) {
    const float s = 1 + 0.035f * (i % 2);
    controller.keyTimes.push_back(5.0f * static_cast<float>(i));
    breath.scales.push_back({s, s, s});
  }
  controller.record = breath;
  file.controllers.push_back(controller);
  return file;
}

// Camera02 pushes in from the far end of the hall while the jaw drops open.
AnimationFile jawAnimation(std::int32_t camera, std::int32_t jawHandle) {
  AnimationFile file;
  file.loopMode = vesk::VK_ANIM_LOOP_STOP;
  const CameraPath push = {[](float t) {
                             return lerp({0, -15, 3}, {0.8f, -5.5f, 5.6f}, ease(t / 6));
                           },
                           [](float t) {
                             return lerp({0, 1, 5}, {0, 0, 4.8f}, ease(t / 6));
                           }};
  file.controllers.push_back(cameraFlight(camera, push, 0, 6, 0.5f));
  AnimNodeController jawNode;
  jawNode.node = jawHandle;
  AnimController open;
  for (float t : {0.0f, 1.5f, 4.0f, 6.0f}) {
    open.keyTimes.push_back(t);
    const float angle = t < 1 ? 0 : t < 2 ? 0.05f : 0.5f;
    jawNode.rotations.push_back(sceneAxisRotation({1, 0, 0}, angle));
  }
  open.record = jawNode;
  file.controllers.push_back(open);
  return file;
}

}  // namespace

bool addSceneLionhead(DataSet& set, Progress& progress, std::string& error) {
  (void)progress;
  SceneFile scene;
  scene.materials = materials();
  Handles handles;
  scene.root.name = "lionhead";
  scene.root.handle = handles.next();
  addHead(scene.root, handles);
  addHall(scene.root, handles);
  std::int32_t torches[2], cameras[8];
  addLights(scene.root, handles, torches);
  addCameras(scene.root, handles, cameras);
  std::int32_t mane = 0, jawHandle = 0;
  for (const SceneNode& node : scene.root.children) {
    if (node.name == "Mane") mane = node.handle;
    if (node.name == "Jaw") jawHandle = node.handle;
  }
  return addSceneFile(set, scene, error) &&
         addAnimationFile(set, scene, "lionhead_anim", mainAnimation(cameras, torches, mane),
                          error) &&
         addAnimationFile(set, scene, "lionhead_anim2", jawAnimation(cameras[1], jawHandle), error);
}

}  // namespace showgen
