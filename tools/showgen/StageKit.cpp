#include "StageKit.h"

#include <cmath>
#include <numbers>

#include "authoring/SceneExamples.h"
#include "authoring/SceneShapes.h"

namespace showgen {

using namespace vesk;

namespace {

constexpr float kTau = 2 * std::numbers::pi_v<float>;

SceneVector plus(SceneVector a, SceneVector b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}

// Keeps successive keys on the same side of the quaternion sphere, so that the interpolation
// between them takes the short way round.
void keepShortWay(std::vector<SceneRotation>& keys) {
  for (std::size_t i = 1; i < keys.size(); ++i) {
    const SceneRotation& a = keys[i - 1];
    SceneRotation& b = keys[i];
    if (a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w < 0) b = {-b.x, -b.y, -b.z, -b.w};
  }
}

// A mesh every vertex of which follows the bone `bone`, whose rest position in the figure is
// `rest`: the mesh is given in the bone's space.
void bindPart(SceneSkin& skin, const SceneMesh& part, std::int32_t bone, SceneVector rest) {
  const auto first = static_cast<std::uint32_t>(skin.mesh.vertices.size());
  for (SceneVertex vertex : part.vertices) {
    const SceneVector offset = vertex.position;
    vertex.position = plus(offset, rest);
    skin.mesh.vertices.push_back(vertex);
    skin.links.push_back({SceneSkinLink{bone, offset, 1}});
  }
  for (const auto& face : part.faces)
    skin.mesh.faces.push_back({face[0] + first, face[1] + first, face[2] + first});
}

// A limb hanging down from its joint: a cylinder from z = -length to 0.
SceneMesh limb(float radius, float length) {
  SceneMesh mesh = sceneCylinder(radius, length, 8);
  sceneTranslate(mesh, {0, 0, -length});
  return mesh;
}

SceneNode boneNode(StageKit& kit, std::string name, std::int32_t& handle, SceneVector position) {
  SceneNode bone;
  bone.name = std::move(name);
  bone.handle = handle = kit.handle();
  bone.position = position;
  bone.record = SceneBone{};
  return bone;
}

}  // namespace

StageKit::StageKit(std::string name) {
  _file.root.name = std::move(name);
  _file.root.handle = 1;
}

std::int32_t StageKit::material(SceneMaterial material) {
  _file.materials.push_back(std::move(material));
  return static_cast<std::int32_t>(_file.materials.size() - 1);
}

std::int32_t StageKit::add(SceneNode node) {
  const std::int32_t result = node.handle;
  _file.root.children.push_back(std::move(node));
  return result;
}

SceneNode& StageKit::node(std::int32_t handle) {
  for (SceneNode& child : _file.root.children)
    if (child.handle == handle) return child;
  return _file.root;
}

void StageKit::markLastDrawn(std::int32_t material) {
  const std::size_t count = _file.root.children.size();
  for (std::size_t i = 0; i < count; ++i) {
    SceneNode& camera = _file.root.children[i];
    if (!std::holds_alternative<SceneCamera>(camera.record)) continue;
    // A camera whose node has no rotation looks along -z of its own space (its view is
    // diag(1, 1, -1)), and its children turn with it: +z of that space is always behind it.
    const SceneVector local{0, 0, 1000};
    SceneMesh speck;
    for (SceneVector corner : {SceneVector{0, 0, 0}, {0.001f, 0, 0}, {0, 0.001f, 0}})
      speck.vertices.push_back(SceneVertex{plus(local, corner), {}, {}});
    speck.faces.push_back({0, 1, 2});
    camera.children.push_back(
        sceneShapeNode(camera.name + " speck", handle(), std::move(speck), material));
  }
}

std::int32_t StageKit::shape(std::string name, SceneMesh mesh, std::int32_t material,
                             SceneVector position) {
  SceneNode node = sceneShapeNode(std::move(name), handle(), std::move(mesh), material);
  node.position = position;
  return add(std::move(node));
}

std::int32_t StageKit::light(std::string name, SceneVector position, SceneColour colour,
                             float range, float linear) {
  SceneNode node = scenePointLight(std::move(name), handle(), position, colour);
  if (linear > 0 || range < 1000000000)
    std::get<SceneLight>(node.record).attenuation = SceneLight::Attenuation{1, linear, 0, range};
  return add(std::move(node));
}

std::int32_t StageKit::camera(std::string name, SceneVector eye, SceneVector target, float fogNear,
                              float fogFar) {
  SceneNode node = sceneCameraLookingAt(std::move(name), handle(), eye, target);
  auto& camera = std::get<SceneCamera>(node.record);
  camera.fieldOfView = 1.0f;
  camera.nearPlane = 0.3f;
  camera.farPlane = 600;
  camera.environmentNear = fogNear;
  camera.environmentFar = fogFar;
  return add(std::move(node));
}

SceneTexture texture(std::string file, std::int32_t channel, bool colourKey) {
  SceneTexture result;
  result.file = std::move(file);
  result.channel = channel;
  result.colourKey = colourKey;
  return result;
}

SceneMaterial textured(std::string file, SceneColour tint, float glossiness, float specularLevel) {
  SceneMaterial material;
  material.diffuse = tint;
  material.ambient = tint;
  material.specular = {1, 0.9f, 0.75f};
  material.specularLevel = specularLevel;
  material.glossiness = glossiness;
  // A cool dusk ambient, so that nothing the torches miss is plain black.
  material.selfIllumination = {0.10f * tint.r, 0.11f * tint.g, 0.16f * tint.b};
  material.diffuseMaps.push_back(texture(std::move(file)));
  return material;
}

SceneMaterial glowing(std::string file, SceneColour colour) {
  SceneMaterial material;
  material.diffuse = {0, 0, 0};
  material.ambient = {0, 0, 0};
  material.specular = {0, 0, 0};
  material.selfIllumination = colour;
  material.diffuseMaps.push_back(texture(file));
  material.transparencyMap = texture(file);
  return material;
}

SceneMaterial skyMaterial() {
  SceneMaterial material;
  material.diffuse = {0, 0, 0};
  material.ambient = {0, 0, 0};
  material.specular = {0, 0, 0};
  material.selfIllumination = {1, 1, 1};
  material.diffuseMaps.push_back(texture("sky_dusk.jpg"));
  return material;
}

void turnInside(SceneMesh& mesh) {
  for (auto& face : mesh.faces)
    std::swap(face[1], face[2]);
  for (SceneVertex& vertex : mesh.vertices)
    vertex.normal = {-vertex.normal.x, -vertex.normal.y, -vertex.normal.z};
}

SceneMesh flameQuads(float width, float height) {
  SceneMesh mesh;
  mesh.channels = 1;
  mesh.hasNormals = true;
  for (int turn = 0; turn < 2; ++turn) {
    const SceneVector side =
        turn == 0 ? SceneVector{width / 2, 0, 0} : SceneVector{0, width / 2, 0};
    const auto first = static_cast<std::uint32_t>(mesh.vertices.size());
    const float uv[4][2] = {{0, 1}, {1, 1}, {0, 0}, {1, 0}};
    const SceneVector corners[4] = {{-side.x, -side.y, 0},
                                    {side.x, side.y, 0},
                                    {-side.x, -side.y, height},
                                    {side.x, side.y, height}};
    for (int i = 0; i < 4; ++i)
      mesh.vertices.push_back(SceneVertex{corners[i], {{{uv[i][0], uv[i][1]}, {}}}, {0, 0, 1}});
    mesh.faces.push_back({first, first + 2, first + 1});
    mesh.faces.push_back({first + 1, first + 2, first + 3});
    mesh.faces.push_back({first, first + 1, first + 2});
    mesh.faces.push_back({first + 1, first + 3, first + 2});
  }
  return mesh;
}

SceneMesh skyDome(float radius) {
  SceneMesh mesh = sceneSphere(radius, 16, 8);
  turnInside(mesh);
  return mesh;
}

SceneRotation lookRotation(SceneVector eye, SceneVector target) {
  return sceneCameraLookingAt("", 0, eye, target).rotation;
}

AnimController cameraFlight(std::int32_t camera, const std::vector<float>& times,
                            const std::vector<SceneVector>& eyes,
                            const std::vector<SceneVector>& targets) {
  AnimNodeController node;
  node.node = camera;
  node.positions = eyes;
  for (std::size_t i = 0; i < eyes.size(); ++i)
    node.rotations.push_back(lookRotation(eyes[i], targets[i]));
  keepShortWay(node.rotations);
  AnimController controller;
  controller.keyTimes = times;
  controller.record = std::move(node);
  return controller;
}

AnimController turning(std::int32_t node, SceneVector axis, const std::vector<float>& times,
                       const std::vector<float>& angles) {
  AnimNodeController record;
  record.node = node;
  for (float angle : angles)
    record.rotations.push_back(sceneAxisRotation(axis, angle));
  keepShortWay(record.rotations);
  AnimController controller;
  controller.keyTimes = times;
  controller.record = std::move(record);
  return controller;
}

AnimController moving(std::int32_t node, const std::vector<float>& times,
                      const std::vector<SceneVector>& positions) {
  AnimNodeController record;
  record.node = node;
  record.positions = positions;
  AnimController controller;
  controller.keyTimes = times;
  controller.record = std::move(record);
  return controller;
}

Figure addFigure(StageKit& kit, const std::string& name, SceneVector position, float heading,
                 std::int32_t material, float height) {
  const float s = height / 1.9f;
  Figure figure{};
  SceneNode group;
  group.name = name;
  group.handle = figure.group = kit.handle();
  group.position = position;
  group.rotation = sceneAxisRotation({0, 0, 1}, heading);
  group.record = SceneGroup{};

  SceneSkin skin;
  skin.material = material;
  skin.mesh.channels = 1;
  skin.mesh.hasNormals = true;

  // The skeleton with each bone's rest position in the figure's space.
  SceneNode hips = boneNode(kit, name + " hips", figure.hips, {0, 0, 0.95f * s});
  const SceneVector hipsAt = hips.position;
  SceneNode chest = boneNode(kit, name + " chest", figure.chest, {0, 0, 0.08f * s});
  const SceneVector chestAt = plus(hipsAt, chest.position);
  SceneNode head = boneNode(kit, name + " head", figure.head, {0, 0, 0.62f * s});
  bindPart(
      skin,
      [&] {
        SceneMesh mesh = sceneSphere(0.12f * s, 10, 6);
        sceneTranslate(mesh, {0, 0, 0.13f * s});
        return mesh;
      }(),
      figure.head, plus(chestAt, head.position));
  bindPart(
      skin,
      [&] {
        SceneMesh mesh = sceneBevelledBox({0.38f * s, 0.22f * s, 0.6f * s}, 0.06f * s, 0.3f);
        sceneTranslate(mesh, {0, 0, 0.27f * s});
        return mesh;
      }(),
      figure.chest, chestAt);
  bindPart(
      skin,
      [&] {
        SceneMesh mesh = sceneBevelledBox({0.34f * s, 0.2f * s, 0.18f * s}, 0.05f * s, 0.3f);
        return mesh;
      }(),
      figure.hips, hipsAt);

  for (int side = 0; side < 2; ++side) {
    const float x = side == 0 ? -1.f : 1.f;
    const std::string suffix = side == 0 ? " left" : " right";
    SceneNode arm =
        boneNode(kit, name + " arm" + suffix, figure.arm[side], {x * 0.25f * s, 0, 0.52f * s});
    SceneNode forearm =
        boneNode(kit, name + " forearm" + suffix, figure.forearm[side], {0, 0, -0.3f * s});
    const SceneVector armAt = plus(chestAt, arm.position);
    bindPart(skin, limb(0.055f * s, 0.3f * s), figure.arm[side], armAt);
    bindPart(skin, limb(0.045f * s, 0.3f * s), figure.forearm[side], plus(armAt, forearm.position));
    arm.children.push_back(std::move(forearm));
    chest.children.push_back(std::move(arm));

    SceneNode thigh =
        boneNode(kit, name + " thigh" + suffix, figure.thigh[side], {x * 0.1f * s, 0, -0.05f * s});
    SceneNode shin = boneNode(kit, name + " shin" + suffix, figure.shin[side], {0, 0, -0.44f * s});
    const SceneVector thighAt = plus(hipsAt, thigh.position);
    bindPart(skin, limb(0.075f * s, 0.44f * s), figure.thigh[side], thighAt);
    bindPart(
        skin,
        [&] {
          SceneMesh mesh = limb(0.06f * s, 0.44f * s);
          // The foot, pointing forward.
          SceneMesh foot = sceneBevelledBox({0.1f * s, 0.22f * s, 0.06f * s}, 0.02f * s, 0.3f);
          sceneTranslate(foot, {0, 0.05f * s, -0.43f * s});
          sceneMerge(mesh, foot);
          return mesh;
        }(),
        figure.shin[side], plus(thighAt, shin.position));
    thigh.children.push_back(std::move(shin));
    hips.children.push_back(std::move(thigh));
  }
  chest.children.push_back(std::move(head));
  hips.children.push_back(std::move(chest));
  group.children.push_back(std::move(hips));

  SceneNode skinNode;
  skinNode.name = name;
  skinNode.handle = kit.handle();
  skinNode.record = std::move(skin);
  group.children.push_back(std::move(skinNode));
  kit.add(std::move(group));
  return figure;
}

void walkCycle(const Figure& figure, float duration, float stride,
               std::vector<AnimController>& into) {
  std::vector<float> times;
  for (float t = 0; t <= duration + 0.001f; t += stride / 8)
    times.push_back(t);
  const SceneVector xAxis{1, 0, 0};
  for (int side = 0; side < 2; ++side) {
    const float phase = side == 0 ? 0 : kTau / 2;
    std::vector<float> thigh, shin, arm, forearm;
    for (float t : times) {
      const float a = kTau * t / stride + phase;
      thigh.push_back(0.45f * std::sin(a));
      // The knee bends as the leg swings forward.
      shin.push_back(-0.6f * std::max(0.f, std::sin(a + 1.2f)));
      arm.push_back(-0.35f * std::sin(a));
      forearm.push_back(0.3f + 0.15f * std::sin(a));
    }
    into.push_back(turning(figure.thigh[side], xAxis, times, thigh));
    into.push_back(turning(figure.shin[side], xAxis, times, shin));
    into.push_back(turning(figure.arm[side], xAxis, times, arm));
    into.push_back(turning(figure.forearm[side], xAxis, times, forearm));
  }
}

}  // namespace showgen
