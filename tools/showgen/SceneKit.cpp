#include "SceneKit.h"

#include <cmath>

#include "authoring/SceneExamples.h"

namespace showgen {

using namespace vesk;

SceneTexture texture(const std::string& file, std::int32_t channel) {
  SceneTexture result;
  result.file = file;
  result.channel = channel;
  return result;
}

SceneMaterial texturedMaterial(const std::string& file, SceneColour colour, float gloss,
                               float specular) {
  SceneMaterial material;
  material.diffuse = colour;
  material.ambient = {colour.r * 0.6f, colour.g * 0.6f, colour.b * 0.6f};
  material.specular = {1, 0.9f, 0.75f};
  material.specularLevel = specular;
  material.glossiness = gloss;
  if (!file.empty()) material.diffuseMaps.push_back(texture(file));
  return material;
}

SceneNode makeNode(std::string name, std::int32_t handle, SceneNode::Record record,
                   SceneVector position) {
  SceneNode node;
  node.name = std::move(name);
  node.handle = handle;
  node.record = std::move(record);
  node.position = position;
  return node;
}

namespace {

// Key times 0, step, 2 × step ... up to and including `duration`.
std::vector<float> keyTimes(float duration, float step) {
  std::vector<float> times;
  const int count = static_cast<int>(std::ceil(duration / step - 1e-4f));
  for (int i = 0; i <= count; ++i)
    times.push_back(std::min(duration, static_cast<float>(i) * step));
  return times;
}

// A node track sampled at every key time; `sample` adds the values of time t.
template <class Sample>
AnimController sampledTrack(std::int32_t target, float duration, float step, Sample sample) {
  AnimController controller;
  controller.keyTimes = keyTimes(duration, step);
  AnimNodeController node;
  node.node = target;
  for (float t : controller.keyTimes)
    sample(t, node);
  controller.record = std::move(node);
  return controller;
}

}  // namespace

AnimController cameraFlight(std::int32_t camera, float duration, float step,
                            const std::function<CameraPose(float)>& pose) {
  return sampledTrack(camera, duration, step, [&pose](float t, AnimNodeController& node) {
    const CameraPose p = pose(t);
    const SceneNode looking = sceneCameraLookingAt("", 0, p.eye, p.target);
    node.positions.push_back(looking.position);
    node.rotations.push_back(looking.rotation);
  });
}

AnimController nodePath(std::int32_t target, float duration, float step,
                        const std::function<NodePose(float)>& pose) {
  return sampledTrack(target, duration, step, [&pose](float t, AnimNodeController& node) {
    const NodePose p = pose(t);
    node.positions.push_back(p.position);
    node.rotations.push_back(p.rotation);
  });
}

AnimController nodeTurns(std::int32_t target, float duration, float step,
                         const std::function<SceneRotation(float)>& rotation) {
  return sampledTrack(target, duration, step, [&rotation](float t, AnimNodeController& node) {
    node.rotations.push_back(rotation(t));
  });
}

}  // namespace showgen
