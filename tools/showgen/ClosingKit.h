// What the closing scenes (lionhead, the dominos, sablier) share: vector arithmetic on the
// writer's structs, mirror quads, look-at camera paths, light and material helpers, and the
// step that checks a scene or an animation and adds its bytes to the data set.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "SceneFiles.h"
#include "authoring/AnimationWriter.h"
#include "authoring/SceneWriter.h"

namespace showgen::closing {

using vesk::AnimationFile;
using vesk::AnimController;
using vesk::SceneColour;
using vesk::SceneFile;
using vesk::SceneMaterial;
using vesk::SceneMesh;
using vesk::SceneNode;
using vesk::SceneRotation;
using vesk::SceneTexture;
using vesk::SceneVector;

inline constexpr float kPi = 3.14159265f;

SceneVector operator+(SceneVector a, SceneVector b);
SceneVector operator-(SceneVector a, SceneVector b);
SceneVector operator*(SceneVector v, float k);
SceneVector lerp(SceneVector a, SceneVector b, float t);
// 0 at 0, 1 at 1, flat at both ends.
float ease(float t);

// The rotation `first` then `second` (Hamilton product second × first).
SceneRotation then(SceneRotation first, SceneRotation second);

// A flat quad of four vertices, as the mirror shader wants it: corners c − u − v, c + u − v,
// c − u + v, c + u + v in that order, its front face and its normal (u × v) on the side the
// mirror reflects. Texture coordinates run 0..`repeat` across it.
SceneMesh mirrorQuad(SceneVector centre, SceneVector halfU, SceneVector halfV, float repeat = 1);

// "Chain" and 3 give "Chain03".
std::string numbered(const std::string& prefix, int number);

// A cylinder about z seen from inside, from z = `bottom` to `top`, its texture's top row at the
// top: a backdrop for the dusk sky.
SceneMesh skyBackdrop(float radius, float bottom, float top, int segments);

// Hands out node handles, from 1 for the root.
class Handles {
 public:
  std::int32_t next() { return ++_last; }

 private:
  std::int32_t _last = 0;
};

SceneNode shapeNode(std::string name, std::int32_t handle, SceneMesh mesh, std::int32_t material,
                    SceneVector position = {});
SceneNode groupNode(std::string name, std::int32_t handle);
// A point light without shadows (or with the given casters), no attenuation.
SceneNode lightNode(std::string name, std::int32_t handle, SceneVector position, SceneColour colour,
                    std::vector<std::int32_t> shadowCasters = {});
SceneNode cameraNode(std::string name, std::int32_t handle, SceneVector eye, SceneVector target,
                     float fieldOfView = 0.9f, float farPlane = 400);

SceneTexture texture(std::string file, std::int32_t channel = 1);
SceneTexture animatedTexture(std::string file, std::int32_t frames, float framesPerSecond);
// A lit material: diffuse colour, a glow that stands for the cool ambient light (the device has
// no global ambient), a highlight of `gloss` (0 = none).
SceneMaterial litMaterial(SceneColour diffuse, SceneColour glow, float gloss,
                          std::vector<SceneTexture> maps = {});

// A camera shot: where the eye is and what it looks at, at time t (seconds).
struct CameraPath {
  std::function<SceneVector(float)> eye;
  std::function<SceneVector(float)> target;
};
// Position and rotation keys of camera `handle` every `step` seconds from `start` to `end`.
AnimController cameraFlight(std::int32_t handle, const CameraPath& path, float start, float end,
                            float step = 0.5f);
// Colour keys of light `handle` at the given times.
AnimController lightColours(std::int32_t handle, std::vector<float> times,
                            std::vector<SceneColour> colours);

}  // namespace showgen::closing
