#include "ClosingKit.h"

#include <cmath>
#include <utility>

#include "authoring/SceneExamples.h"
#include "authoring/SceneShapes.h"

namespace showgen::closing {

SceneVector operator+(SceneVector a, SceneVector b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
SceneVector operator-(SceneVector a, SceneVector b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
SceneVector operator*(SceneVector v, float k) {
  return {v.x * k, v.y * k, v.z * k};
}
SceneVector lerp(SceneVector a, SceneVector b, float t) {
  return a + (b - a) * t;
}
float ease(float t) {
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  return t * t * (3 - 2 * t);
}

SceneRotation then(SceneRotation a, SceneRotation b) {
  // b × a: the rotation a applied first.
  return {
      b.w * a.x + b.x * a.w + b.y * a.z - b.z * a.y, b.w * a.y - b.x * a.z + b.y * a.w + b.z * a.x,
      b.w * a.z + b.x * a.y - b.y * a.x + b.z * a.w, b.w * a.w - b.x * a.x - b.y * a.y - b.z * a.z};
}

std::string numbered(const std::string& prefix, int number) {
  return prefix + (number < 10 ? "0" : "") + std::to_string(number);
}

SceneMesh mirrorQuad(SceneVector c, SceneVector u, SceneVector v, float repeat) {
  const SceneVector n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
  const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  SceneMesh mesh;
  mesh.channels = 1;
  mesh.hasNormals = true;
  const float signs[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
  for (const auto& [su, sv] : signs) {
    vesk::SceneVertex vertex;
    vertex.position = c + u * su + v * sv;
    vertex.uv[0] = {(su + 1) / 2 * repeat, (sv + 1) / 2 * repeat};
    vertex.normal = n * (1 / length);
    mesh.vertices.push_back(vertex);
  }
  // The winding of the writer's floor: front faces seen from the normal's side.
  mesh.faces = {{0, 2, 1}, {1, 2, 3}};
  return mesh;
}

SceneMesh skyBackdrop(float radius, float bottom, float top, int segments) {
  // A profile running down instead of up turns the faces inwards.
  return vesk::sceneLathe({{radius, top}, {radius, bottom}}, segments, 90);
}

SceneNode shapeNode(std::string name, std::int32_t handle, SceneMesh mesh, std::int32_t material,
                    SceneVector position) {
  SceneNode node = vesk::sceneShapeNode(std::move(name), handle, std::move(mesh), material);
  node.position = position;
  return node;
}

SceneNode groupNode(std::string name, std::int32_t handle) {
  SceneNode node;
  node.name = std::move(name);
  node.handle = handle;
  return node;
}

SceneNode lightNode(std::string name, std::int32_t handle, SceneVector position, SceneColour colour,
                    std::vector<std::int32_t> shadowCasters) {
  SceneNode node = vesk::scenePointLight(std::move(name), handle, position, colour);
  std::get<vesk::SceneLight>(node.record).shadowCasters = std::move(shadowCasters);
  return node;
}

SceneNode cameraNode(std::string name, std::int32_t handle, SceneVector eye, SceneVector target,
                     float fieldOfView, float farPlane) {
  SceneNode node = vesk::sceneCameraLookingAt(std::move(name), handle, eye, target);
  auto& camera = std::get<vesk::SceneCamera>(node.record);
  camera.fieldOfView = fieldOfView;
  camera.nearPlane = 0.5f;
  camera.farPlane = farPlane;
  camera.environmentNear = farPlane / 4;
  camera.environmentFar = farPlane;
  return node;
}

SceneTexture texture(std::string file, std::int32_t channel) {
  SceneTexture result;
  result.file = std::move(file);
  result.channel = channel;
  return result;
}

SceneTexture animatedTexture(std::string file, std::int32_t frames, float framesPerSecond) {
  SceneTexture result = texture(std::move(file));
  result.animated = true;
  result.frameCount = frames;
  result.framesPerSecond = framesPerSecond;
  return result;
}

SceneMaterial litMaterial(SceneColour diffuse, SceneColour glow, float gloss,
                          std::vector<SceneTexture> maps) {
  SceneMaterial material;
  material.diffuse = diffuse;
  material.ambient = diffuse;
  material.selfIllumination = glow;
  material.specular = gloss > 0 ? SceneColour{1, 0.95f, 0.85f} : SceneColour{0, 0, 0};
  material.specularLevel = gloss > 0 ? 0.8f : 0;
  material.glossiness = gloss;
  material.diffuseMaps = std::move(maps);
  return material;
}

AnimController cameraFlight(std::int32_t handle, const CameraPath& path, float start, float end,
                            float step) {
  vesk::AnimNodeController node;
  node.node = handle;
  AnimController controller;
  const int count = static_cast<int>(std::lround((end - start) / step));
  for (int k = 0; k <= count; ++k) {
    const float t = start + (end - start) * static_cast<float>(k) / static_cast<float>(count);
    const SceneVector eye = path.eye(t);
    const SceneNode camera = vesk::sceneCameraLookingAt("", 0, eye, path.target(t));
    controller.keyTimes.push_back(t);
    node.positions.push_back(eye);
    node.rotations.push_back(camera.rotation);
  }
  controller.record = node;
  return controller;
}

AnimController lightColours(std::int32_t handle, std::vector<float> times,
                            std::vector<SceneColour> colours) {
  AnimController controller;
  controller.keyTimes = std::move(times);
  controller.record = vesk::AnimLightController{handle, std::move(colours)};
  return controller;
}

}  // namespace showgen::closing
