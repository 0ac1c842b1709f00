// The three domino scenes: chains of dominos standing on curved tracks ("Chain01", ...) that
// topple in waves and rise again in reverse, as if time ran back, twice in a 24-second loop.
// Each domino turns about its front lower edge through its own rotation track; in the main
// scene a high light casts their hard shadows on the floor. One builder, three colourings and
// layouts:
//   dominos     eight ivory chains in a pinwheel on sandstone tiles, seven cameras (the credits
//               cut between them)
//   dominos_b   four black glass chains in parallel waves on pale stone
//   dominos_p   four gold chains spiralling in from the corners over turquoise
#include <algorithm>
#include <cmath>

#include "ClosingKit.h"
#include "ShowData.h"
#include "authoring/SceneExamples.h"
#include "authoring/SceneShapes.h"

namespace showgen {

using namespace closing;
using vesk::AnimNodeController;
using vesk::sceneAxisRotation;

namespace {

enum Material : std::int32_t { kDomino, kTrack, kFloor, kSky, kMaterialCount };

constexpr float kThickness = 0.28f, kWidth = 1.0f, kHeight = 1.9f, kSpacing = 1.15f;
constexpr float kLoop = 24, kHalf = 12;       // the animation's length; the waves repeat halfway
constexpr float kStep = 0.16f, kFall = 0.3f;  // from one domino to the next; one domino's fall
constexpr float kPause = 0.8f;                // the last one lies this long before the rise
// Leaning on the next one; the last of a chain falls flat.
const float kLean = std::asin((kSpacing - kThickness) / kHeight);

struct Chain {
  SceneVector start;
  float heading;    // radians from +x
  float curvature;  // radians per unit of length
  int count;
  float fallAt;  // the first domino starts to fall
};

struct Layout {
  std::string name;
  std::vector<Chain> chains;
  std::vector<SceneMaterial> materials;
  std::vector<CameraPath> cameras;
  float floorHalf;
  bool detailed;  // bevelled dominos casting shadows; the insets are small, plain boxes do there
};

// A point of a chain and the direction it runs in there.
struct Placed {
  SceneVector at;
  float heading;
};

std::vector<Placed> placeChain(const Chain& chain, int samples, float step) {
  std::vector<Placed> points;
  SceneVector at = chain.start;
  float heading = chain.heading;
  for (int i = 0; i < samples; ++i) {
    points.push_back({at, heading});
    // A small arc: advance along the mean heading of the step.
    const float mid = heading + chain.curvature * step / 2;
    at = at + SceneVector{std::cos(mid), std::sin(mid), 0} * step;
    heading += chain.curvature * step;
  }
  return points;
}

// Adds a quad with its front face toward `outward`.
void addQuad(SceneMesh& mesh, const SceneVector (&p)[4], SceneVector outward) {
  const auto first = static_cast<std::uint32_t>(mesh.vertices.size());
  for (const SceneVector& point : p) {
    vesk::SceneVertex vertex;
    vertex.position = point;
    mesh.vertices.push_back(vertex);
  }
  const SceneVector a = p[0] - p[1], c = p[2] - p[1];
  const SceneVector n{a.y * c.z - a.z * c.y, a.z * c.x - a.x * c.z, a.x * c.y - a.y * c.x};
  if (n.x * outward.x + n.y * outward.y + n.z * outward.z >= 0) {
    mesh.faces.push_back({first, first + 1, first + 2});
    mesh.faces.push_back({first, first + 2, first + 3});
  } else {
    mesh.faces.push_back({first, first + 2, first + 1});
    mesh.faces.push_back({first, first + 3, first + 2});
  }
}

// The low bevel-less track under a chain, a little wider than the dominos.
SceneMesh trackMesh(const Chain& chain) {
  Chain longer = chain;
  longer.start = chain.start - SceneVector{std::cos(chain.heading), std::sin(chain.heading), 0};
  const std::vector<Placed> path = placeChain(longer, 2 * chain.count + 3, kSpacing / 2);
  const float half = 0.8f, height = 0.08f;
  SceneMesh mesh;
  for (std::size_t i = 0; i + 1 < path.size(); ++i) {
    SceneVector left[2], right[2];
    for (int k = 0; k < 2; ++k) {
      const Placed& p = path[i + static_cast<std::size_t>(k)];
      const SceneVector side{-std::sin(p.heading), std::cos(p.heading), 0};
      left[k] = p.at + side * half;
      right[k] = p.at - side * half;
    }
    const SceneVector up{0, 0, height};
    const SceneVector mid = (left[0] + right[1]) * 0.5f;
    addQuad(mesh, {left[0] + up, left[1] + up, right[1] + up, right[0] + up}, {0, 0, 1});
    addQuad(mesh, {left[0], left[1], left[1] + up, left[0] + up}, left[0] - mid);
    addQuad(mesh, {right[0], right[1], right[1] + up, right[0] + up}, right[0] - mid);
    if (i == 0 || i + 2 == path.size()) {
      const int end = i == 0 ? 0 : 1;
      const SceneVector out = path[i + static_cast<std::size_t>(end)].at - mid;
      addQuad(mesh, {left[end], right[end], right[end] + up, left[end] + up}, out);
    }
  }
  vesk::sceneComputeNormals(mesh, 30);
  vesk::sceneMapBox(mesh, 2);
  return mesh;
}

SceneMesh floorMesh(float half, int cells) {
  SceneMesh mesh;
  mesh.channels = 1;
  mesh.hasNormals = true;
  const auto row = static_cast<std::uint32_t>(cells + 1);
  for (int j = 0; j <= cells; ++j) {
    for (int i = 0; i <= cells; ++i) {
      vesk::SceneVertex vertex;
      const float x = -half + 2 * half * static_cast<float>(i) / static_cast<float>(cells);
      const float y = -half + 2 * half * static_cast<float>(j) / static_cast<float>(cells);
      vertex.position = {x, y, 0};
      vertex.normal = {0, 0, 1};
      vertex.uv[0] = {x / 6, y / 6};
      mesh.vertices.push_back(vertex);
    }
  }
  for (std::uint32_t j = 0; j < static_cast<std::uint32_t>(cells); ++j) {
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(cells); ++i) {
      const std::uint32_t a = j * row + i;
      // The winding of the writer's floor: front faces seen from above.
      mesh.faces.push_back({a, a + row, a + 1});
      mesh.faces.push_back({a + 1, a + row, a + row + 1});
    }
  }
  return mesh;
}

// A domino whose front lower edge lies on its node's origin, the node's x axis pointing the
// way it falls.
SceneMesh dominoMesh(bool bevelled) {
  SceneMesh mesh = vesk::sceneCube(1);
  vesk::sceneScale(mesh, {kThickness, kWidth, kHeight});
  if (bevelled) mesh = vesk::sceneBevelledBox({kThickness, kWidth, kHeight}, 0.05f, 1.2f);
  vesk::sceneTranslate(mesh, {-kThickness / 2, 0, kHeight / 2});
  return mesh;
}

// The domino's own rotation is its tilt alone (its heading is its parent's): standing, it is
// exactly the identity on every frame, so that its shadow is not built again while it stands.
SceneRotation tilted(float tilt) {
  return sceneAxisRotation({0, 1, 0}, tilt);
}

// Keys of one domino: standing, falling in its turn, leaning, rising again in the reverse
// order soon after the last has fallen, twice.
AnimController toppling(std::int32_t handle, const Chain& chain, int index) {
  const float lean = index + 1 == chain.count ? kPi / 2 : kLean;
  const float fall = chain.fallAt + kStep * static_cast<float>(index);
  const float rise =
      chain.fallAt + kStep * static_cast<float>(2 * chain.count - 2 - index) + kFall + kPause;
  AnimController controller;
  AnimNodeController node;
  node.node = handle;
  auto key = [&](float time, float tilt) {
    controller.keyTimes.push_back(time);
    node.rotations.push_back(tilted(tilt));
  };
  key(0, 0);
  for (float offset : {0.0f, kHalf}) {
    key(offset + fall, 0);
    key(offset + fall + kFall, lean);
    key(offset + rise, lean);
    key(offset + rise + kFall, 0);
  }
  key(kLoop, 0);
  controller.record = node;
  return controller;
}

struct Built {
  SceneFile scene;
  AnimationFile animation;
};

Built build(const Layout& layout) {
  Built built;
  SceneFile& scene = built.scene;
  scene.materials = layout.materials;
  scene.materials[kSky] = litMaterial({0, 0, 0}, {1, 1, 1}, 0, {texture("sky_dusk.jpg")});
  Handles handles;
  scene.root.name = layout.name;
  scene.root.handle = handles.next();
  scene.root.children.push_back(shapeNode(
      "Floor", handles.next(), floorMesh(layout.floorHalf, layout.detailed ? 12 : 6), kFloor));

  scene.root.children.push_back(
      shapeNode("Sky", handles.next(),
                skyBackdrop(layout.floorHalf * 0.95f, -1, layout.floorHalf * 0.8f, 16), kSky));

  AnimationFile& animation = built.animation;
  animation.loopMode = vesk::VK_ANIM_LOOP_WRAP;
  std::vector<std::int32_t> dominos;
  const SceneMesh domino = dominoMesh(layout.detailed);
  for (std::size_t c = 0; c < layout.chains.size(); ++c) {
    const Chain& chain = layout.chains[c];
    SceneNode track = shapeNode(numbered("Chain", static_cast<int>(c) + 1), handles.next(),
                                trackMesh(chain), kTrack);
    const std::vector<Placed> places = placeChain(chain, chain.count, kSpacing);
    for (int i = 0; i < chain.count; ++i) {
      const Placed& p = places[static_cast<std::size_t>(i)];
      const SceneVector forward{std::cos(p.heading), std::sin(p.heading), 0};
      const std::string number = numbered("", i + 1);
      SceneNode spot = groupNode(track.name + "_Spot" + number, handles.next());
      spot.position = p.at + forward * (kThickness / 2) + SceneVector{0, 0, 0.08f};
      spot.rotation = sceneAxisRotation({0, 0, 1}, p.heading);
      SceneNode node = shapeNode(track.name + "_Domino" + number, handles.next(), domino, kDomino);
      dominos.push_back(node.handle);
      animation.controllers.push_back(toppling(node.handle, chain, i));
      spot.children.push_back(std::move(node));
      track.children.push_back(std::move(spot));
    }
    scene.root.children.push_back(std::move(track));
  }
  // The warm light high above casts the dominos' shadows; the cool one fills the other side.
  scene.root.children.push_back(lightNode("Sun", handles.next(), {-12, -16, 34}, {1, 0.86f, 0.66f},
                                          layout.detailed ? dominos : std::vector<std::int32_t>{}));
  scene.root.children.push_back(
      lightNode("Sky", handles.next(), {18, 22, 20}, {0.3f, 0.36f, 0.55f}));
  scene.root.children.push_back(
      lightNode("Lamp", handles.next(), {14, -20, 10}, {0.45f, 0.36f, 0.28f}));
  for (std::size_t k = 0; k < layout.cameras.size(); ++k) {
    const CameraPath& path = layout.cameras[k];
    const std::int32_t handle = handles.next();
    scene.root.children.push_back(cameraNode(numbered("Camera", static_cast<int>(k) + 1), handle,
                                             path.eye(0), path.target(0), 0.95f));
    animation.controllers.push_back(cameraFlight(handle, path, 0, kLoop, 1));
  }
  return built;
}

// A camera circling `centre` at `radius` and `height`, `turns` times in the loop, from `angle`.
CameraPath circling(SceneVector centre, float radius, float height, float angle, float turns,
                    float targetHeight = 0.5f) {
  return {[=](float t) {
            const float a = angle + 2 * kPi * turns * t / kLoop;
            return centre + SceneVector{radius * std::cos(a), radius * std::sin(a), height};
          },
          [=](float) {
            return centre + SceneVector{0, 0, targetHeight};
          }};
}

// Swinging to and fro about `angle` instead of circling.
CameraPath swinging(SceneVector centre, float radius, float height, float angle, float swing) {
  return {[=](float t) {
            const float a = angle + swing * std::sin(2 * kPi * t / kLoop);
            return centre + SceneVector{radius * std::cos(a), radius * std::sin(a), height};
          },
          [=](float) {
            return centre + SceneVector{0, 0, 0.5f};
          }};
}

SceneMaterial glossy(SceneColour diffuse, SceneColour glow, float gloss, std::string map) {
  return litMaterial(diffuse, glow, gloss, {texture(std::move(map))});
}

Layout pinwheel() {
  Layout layout{"dominos", {}, {}, {}, 36, true};
  for (int c = 0; c < 8; ++c) {
    const float angle = 2 * kPi * static_cast<float>(c) / 8;
    const float start = 0.3f + 0.35f * static_cast<float>(c);
    layout.chains.push_back(
        {SceneVector{std::cos(angle), std::sin(angle), 0} * 2.2f, angle + 0.35f, 0.05f, 15, start});
  }
  layout.materials.resize(kMaterialCount);
  layout.materials[kDomino] =
      glossy({1, 0.98f, 0.92f}, {0.42f, 0.4f, 0.44f}, 0.45f, "sandstone.jpg");
  layout.materials[kTrack] = glossy({1, 0.85f, 0.5f}, {0.15f, 0.1f, 0.04f}, 0.5f, "gold.jpg");
  layout.materials[kFloor] =
      glossy({0.75f, 0.62f, 0.5f}, {0.08f, 0.08f, 0.13f}, 0.2f, "sandstone_wall.jpg");
  const SceneVector centre{0, 0, 0};
  layout.cameras = {
      circling(centre, 27, 15, -1.9f, 0.5f), circling(centre, 13, 3, -1.2f, 1),
      swinging(centre, 7, 24, -1.6f, 0.6f),  circling(centre, 21, 1.6f, 0.4f, -0.5f, 1.2f),
      swinging(centre, 17, 8, 2.2f, 0.8f),   circling(centre, 9, 4, 3.0f, -1),
      circling(centre, 32, 30, 0.8f, 0.25f)};
  return layout;
}

Layout waves() {
  Layout layout{"dominos_b", {}, {}, {}, 30, false};
  for (int c = 0; c < 4; ++c) {
    const float y = -6 + 4 * static_cast<float>(c);
    const float start = 0.4f + 0.5f * static_cast<float>(c);
    layout.chains.push_back({{-9, y, 0}, -0.45f, 0.06f, 16, start});
  }
  layout.materials.resize(kMaterialCount);
  layout.materials[kDomino] =
      glossy({0.6f, 0.65f, 0.85f}, {0.03f, 0.03f, 0.06f}, 0.9f, "black_glass.jpg");
  layout.materials[kTrack] = glossy({1, 0.85f, 0.5f}, {0.15f, 0.1f, 0.04f}, 0.5f, "gold.jpg");
  layout.materials[kFloor] =
      glossy({1, 0.95f, 0.85f}, {0.12f, 0.12f, 0.16f}, 0.1f, "sandstone.jpg");
  layout.cameras = {swinging({0, 0, 0}, 20, 14, -1.3f, 0.5f)};
  return layout;
}

Layout spirals() {
  Layout layout{"dominos_p", {}, {}, {}, 30, false};
  for (int c = 0; c < 4; ++c) {
    const float angle = kPi / 4 + kPi / 2 * static_cast<float>(c);
    const float start = 0.3f + 0.3f * static_cast<float>(c);
    layout.chains.push_back({SceneVector{std::cos(angle), std::sin(angle), 0} * 15,
                             angle + kPi - 0.5f, 0.07f, 13, start});
  }
  layout.materials.resize(kMaterialCount);
  layout.materials[kDomino] = glossy({1, 0.85f, 0.5f}, {0.2f, 0.14f, 0.05f}, 0.6f, "gold.jpg");
  layout.materials[kDomino].environmentMap = texture("env_metal.jpg");
  layout.materials[kTrack] =
      glossy({0.5f, 0.55f, 0.75f}, {0.03f, 0.03f, 0.06f}, 0.8f, "black_glass.jpg");
  layout.materials[kFloor] = glossy({0.8f, 1, 1}, {0.04f, 0.1f, 0.12f}, 0.3f, "water.jpg");
  layout.cameras = {circling({0, 0, 0}, 22, 18, -2.4f, 0.5f)};
  return layout;
}

}  // namespace

bool addSceneDominos(DataSet& set, Progress& progress, std::string& error) {
  (void)progress;
  for (const Layout& layout : {pinwheel(), waves(), spirals()}) {
    const Built built = build(layout);
    if (!addSceneFile(set, built.scene, error) ||
        !addAnimationFile(set, built.scene, layout.name + "_anim", built.animation, error)) {
      return false;
    }
  }
  return true;
}

}  // namespace showgen
