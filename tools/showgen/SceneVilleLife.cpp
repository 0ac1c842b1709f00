#include "SceneVilleLife.h"

#include <cmath>
#include <numbers>
#include <string>

#include "authoring/SceneShapes.h"

namespace showgen {

using namespace vesk;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// The Hamilton product: turning by `b`, then by `a`.
SceneRotation operator*(const SceneRotation& a, const SceneRotation& b) {
  return {
      a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
      a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

SceneNode shape(const std::string& name, Handles& handles, SceneMesh mesh, std::int32_t material,
                SceneVector position = {}) {
  return makeNode(name, handles.next(), SceneShape{std::move(mesh), material}, position);
}

// ---- The swarm

std::string scarabName(int index) {
  if (index == 0) return "scarab";
  return std::string("scarab") + (index < 10 ? "0" : "") + std::to_string(index);
}

// Where scarab `index` flies at time `t`: a wide loop around the plaza, each a little behind
// the one before and off to its own side.
NodePose scarabPose(int index, float t) {
  const float phase = 2 * kPi * t / kScarabLoop - 0.22f * static_cast<float>(index);
  const float side = 1.6f * std::sin(static_cast<float>(index) * 2.3f);
  const float rise = 1.2f * std::cos(static_cast<float>(index) * 1.7f);
  const float rx = 17 + side, ry = 11 + side;
  const SceneVector position{rx * std::cos(phase), 3 + ry * std::sin(phase),
                             8 + rise + 1.5f * std::sin(phase * 2 + static_cast<float>(index))};
  // Heading along the loop (counter-clockwise), banked into the turn, nose a little up.
  const float heading = std::atan2(ry * std::cos(phase), -rx * std::sin(phase));
  const SceneRotation rotation = sceneAxisRotation({0, 0, 1}, heading) *
                                 sceneAxisRotation({1, 0, 0}, -0.35f) *
                                 sceneAxisRotation({0, 1, 0}, -0.15f);
  return {position, rotation};
}

}  // namespace

void addScarabs(std::vector<SceneNode>& nodes, Handles& handles, const LifeMaterials& m,
                std::vector<AnimController>& flight) {
  // One set of meshes for all: the scarab faces +x with z up, about a metre long.
  SceneMesh body = sceneSphere(0.5f, 8, 5);
  sceneScale(body, {1, 0.7f, 0.42f});
  SceneMesh head = sceneSphere(0.2f, 6, 4);
  sceneScale(head, {0.9f, 1.1f, 0.7f});
  SceneMesh horn = sceneLathe({{0.05f, 0}, {0.04f, 0.12f}, {0, 0.2f}}, 4, 10);
  sceneRotate(horn, {0, 1, 0}, 1.1f);
  sceneTranslate(horn, {0.1f, 0, 0.05f});
  sceneMerge(head, horn);
  // A wing case is half a flattened shell whose hinge is its node's origin, at the front.
  SceneMesh wingCase = sceneSphere(0.5f, 8, 4);
  sceneScale(wingCase, {0.95f, 0.36f, 0.3f});
  sceneTranslate(wingCase, {-0.45f, 0, 0});
  SceneMesh wing = sceneBevelledBox({0.5f, 0.85f, 0.012f}, 0);
  sceneTranslate(wing, {-0.18f, 0.42f, 0});  // the root at the origin, the wing along +y
  SceneMesh legs;
  for (int i = 0; i < 6; ++i) {
    SceneMesh leg = sceneBevelledBox({0.05f, 0.5f, 0.05f}, 0);
    sceneRotate(leg, {1, 0, 0}, i % 2 ? 0.6f : -0.6f);
    sceneRotate(leg, {0, 0, 1}, 0.35f * static_cast<float>(i / 2 - 1));
    sceneTranslate(leg,
                   {0.25f - 0.25f * static_cast<float>(i / 2), i % 2 ? -0.32f : 0.32f, -0.28f});
    sceneMerge(legs, leg);
  }
  SceneMesh wingRight = wing;
  sceneScale(wingRight, {1, -1, 1});
  sceneFlip(wingRight);  // the mirror turned the winding round
  for (SceneVertex& v : wingRight.vertices)
    v.normal = {-v.normal.x, -v.normal.y, -v.normal.z};

  for (int index = 0; index < 7; ++index) {
    const std::string name = scarabName(index);
    const NodePose start = scarabPose(index, 0);
    SceneNode scarab = shape(name, handles, body, m.shell, start.position);
    scarab.rotation = start.rotation;
    std::vector<SceneNode>& parts = scarab.children;
    parts.push_back(shape(name + "_head", handles, head, m.shell, {0.52f, 0, 0.04f}));
    // The cases lifted open for flight.
    parts.push_back(shape(name + "_case_l", handles, wingCase, m.gold, {0.4f, 0.17f, 0.14f}));
    parts.back().rotation = sceneAxisRotation({1, 0, 0}, 0.55f);
    parts.push_back(shape(name + "_case_r", handles, wingCase, m.gold, {0.4f, -0.17f, 0.14f}));
    parts.back().rotation = sceneAxisRotation({1, 0, 0}, -0.55f);
    parts.push_back(shape(name + "_wing_l", handles, wing, m.wing, {0.2f, 0.12f, 0.2f}));
    const std::int32_t left = parts.back().handle;
    parts.push_back(shape(name + "_wing_r", handles, wingRight, m.wing, {0.2f, -0.12f, 0.2f}));
    const std::int32_t right = parts.back().handle;
    parts.push_back(shape(name + "_legs", handles, legs, m.dark));

    flight.push_back(nodePath(scarab.handle, kScarabLoop, 0.25f,
                              [index](float t) { return scarabPose(index, t); }));
    // Wings beat about the body's axis, four beats a second, each scarab in its own phase.
    const float offset = 0.07f * static_cast<float>(index);
    for (const auto& wing : {std::pair{left, 1.0f}, {right, -1.0f}}) {
      // Named copies: Clang 14 cannot capture structured bindings in a lambda.
      const std::int32_t wingHandle = wing.first;
      const float sign = wing.second;
      flight.push_back(nodeTurns(wingHandle, kScarabLoop, 1.0f / 16, [=](float t) {
        const float beat = std::sin(2 * kPi * (4 * t + offset));
        return sceneAxisRotation({1, 0, 0}, sign * (0.15f + 0.65f * beat)) *
               sceneAxisRotation({0, 0, 1}, sign * -0.35f);
      }));
    }
    nodes.push_back(std::move(scarab));
  }
}

// ---- The heroes

namespace {

constexpr float kStride = 1.1f;  // seconds for a full pair of steps

SceneVector heroAt(int hero, float t) {
  const float x = -16 + 20 * t / kWalkLoop - (hero == 1 ? 0.8f : 0);
  const float y = hero == 1 ? -8.4f : -7.2f;
  const float bob = 0.03f * std::fabs(std::cos(2 * kPi * t / kStride));
  return {x, y, 0.95f + bob};
}

// A body part of a skin: a mesh in its bone's own space, placed at the bone's bind position.
struct Part {
  SceneMesh mesh;
  std::int32_t bone;
  SceneVector bind;  // the bone's position in the world at rest
};

SceneNode skin(const std::string& name, std::int32_t handle, const std::vector<Part>& parts,
               std::int32_t material) {
  SceneSkin result;
  result.material = material;
  result.mesh.channels = 1;
  result.mesh.hasNormals = true;
  for (const Part& part : parts) {
    const auto first = static_cast<std::uint32_t>(result.mesh.vertices.size());
    for (const SceneVertex& v : part.mesh.vertices) {
      SceneVertex placed = v;
      placed.position = {v.position.x + part.bind.x, v.position.y + part.bind.y,
                         v.position.z + part.bind.z};
      result.mesh.vertices.push_back(placed);
      result.links.push_back({SceneSkinLink{part.bone, v.position, 1}});
    }
    for (auto face : part.mesh.faces) {
      for (auto& index : face)
        index += first;
      result.mesh.faces.push_back(face);
    }
  }
  return makeNode(name, handle, std::move(result));
}

SceneMesh limb(float radius, float length) {
  SceneMesh mesh = sceneCylinder(radius, length, 6);
  sceneTranslate(mesh, {0, 0, -length});
  return mesh;
}

}  // namespace

SceneVector heroPosition(float t) {
  return heroAt(0, t);
}

void addHeroes(std::vector<SceneNode>& nodes, Handles& handles, const LifeMaterials& m,
               std::vector<AnimController>& walk) {
  SceneMesh robe = sceneLathe({{0, -0.3f},
                               {0.26f, -0.3f},
                               {0.23f, 0.05f},
                               {0.22f, 0.35f},
                               {0.27f, 0.55f},
                               {0.12f, 0.64f},
                               {0, 0.64f}},
                              8);
  sceneScale(robe, {0.8f, 1, 1});
  SceneMesh head = sceneSphere(0.12f, 8, 5);
  sceneTranslate(head, {0, 0, 0.13f});
  SceneMesh cap = sceneLathe({{0, 0.16f}, {0.13f, 0.16f}, {0.1f, 0.3f}, {0, 0.3f}}, 8);
  sceneMerge(head, cap);
  SceneMesh foot = sceneBevelledBox({0.24f, 0.1f, 0.07f}, 0);
  sceneTranslate(foot, {0.06f, 0, -0.47f});
  SceneMesh shin = limb(0.06f, 0.45f);
  sceneMerge(shin, foot);

  for (int hero = 0; hero < 2; ++hero) {
    const std::string name = "Hero" + std::to_string(hero + 1);
    const SceneVector hips = heroAt(hero, 0);
    auto bone = [&](const std::string& part, SceneVector at) {
      return makeNode(name + "_" + part, handles.next(), SceneBone{}, at);
    };
    SceneNode root = bone("hips", hips);
    SceneNode torso = bone("torso", {0, 0, 0.05f});
    SceneNode head_ = bone("head", {0, 0, 0.62f});
    SceneNode armL = bone("arm_l", {0, 0.25f, 0.55f});
    SceneNode armR = bone("arm_r", {0, -0.25f, 0.55f});
    SceneNode thighL = bone("thigh_l", {0, 0.1f, 0});
    SceneNode thighR = bone("thigh_r", {0, -0.1f, 0});
    SceneNode shinL = bone("shin_l", {0, 0, -0.45f});
    SceneNode shinR = bone("shin_r", {0, 0, -0.45f});
    auto add = [](SceneVector a, SceneVector b) {
      return SceneVector{a.x + b.x, a.y + b.y, a.z + b.z};
    };
    const SceneVector torsoAt = add(hips, torso.position);
    const std::vector<Part> cloth = {{robe, torso.handle, torsoAt}};
    const std::vector<Part> body = {
        {head, head_.handle, add(torsoAt, head_.position)},
        {limb(0.055f, 0.58f), armL.handle, add(torsoAt, armL.position)},
        {limb(0.055f, 0.58f), armR.handle, add(torsoAt, armR.position)},
        {limb(0.08f, 0.45f), thighL.handle, add(hips, thighL.position)},
        {limb(0.08f, 0.45f), thighR.handle, add(hips, thighR.position)},
        {shin, shinL.handle, add(add(hips, thighL.position), shinL.position)},
        {shin, shinR.handle, add(add(hips, thighR.position), shinR.position)},
    };
    // The walk: legs swing about y, knees bend on the way back, arms swing against the legs.
    const float phase = hero == 1 ? 0.4f : 0;
    auto swing = [phase](float amplitude, float shift) {
      return [=](float t) {
        const float a = 2 * kPi * (t / kStride + phase) + shift;
        return sceneAxisRotation({0, 1, 0}, amplitude * std::sin(a));
      };
    };
    auto knee = [phase](float shift) {
      return [=](float t) {
        const float a = 2 * kPi * (t / kStride + phase) + shift;
        return sceneAxisRotation({0, 1, 0}, 0.7f * std::max(0.0f, std::sin(a - 0.9f)));
      };
    };
    constexpr float kStep = 1.0f / 16;
    walk.push_back(nodePath(root.handle, kWalkLoop, kStep, [hero](float t) {
      return NodePose{heroAt(hero, t), sceneAxisRotation({0, 0, 1}, 0)};
    }));
    walk.push_back(nodeTurns(thighL.handle, kWalkLoop, kStep, swing(0.45f, 0)));
    walk.push_back(nodeTurns(thighR.handle, kWalkLoop, kStep, swing(0.45f, kPi)));
    walk.push_back(nodeTurns(shinL.handle, kWalkLoop, kStep, knee(0)));
    walk.push_back(nodeTurns(shinR.handle, kWalkLoop, kStep, knee(kPi)));
    walk.push_back(nodeTurns(armL.handle, kWalkLoop, kStep, swing(0.35f, kPi)));
    walk.push_back(nodeTurns(armR.handle, kWalkLoop, kStep, swing(0.35f, 0)));

    nodes.push_back(skin(name, handles.next(), cloth, hero == 0 ? m.robeA : m.robeB));
    nodes.push_back(skin(name + "_body", handles.next(), body, m.skin));
    thighL.children.push_back(std::move(shinL));
    thighR.children.push_back(std::move(shinR));
    torso.children.push_back(std::move(head_));
    torso.children.push_back(std::move(armL));
    torso.children.push_back(std::move(armR));
    root.children.push_back(std::move(torso));
    root.children.push_back(std::move(thighL));
    root.children.push_back(std::move(thighR));
    nodes.push_back(std::move(root));
  }
}

}  // namespace showgen
