// The four kinds of track of an animation file, each a keyframe controller with its target in
// the scene and one value per key: a node's transform, a light's colour, a camera's field of
// view and a material's opacity. Each reads its target's handle (or material id) and its values
// after the common key part, then looks the target up in its scene; the values are read
// whatever the target, so the next record lines up.
#pragma once

#include <vector>

#include "world/animation/KeyframeController.h"
#include "world/scene/MatrixMath.h"

namespace vesk {

class Camera;
class Light;
class Material;
class Node;

// Position, rotation and scale of any node, each track present or not.
class NodeTMController : public KeyframeController {
 public:
  using KeyframeController::KeyframeController;

  bool load(BinaryInput& in) override;
  void interpolate(float fraction, std::uint32_t from, std::uint32_t to) override;
  bool resolveTarget() override;
  bool hasTarget() const override { return _node != nullptr; }

  Node* _node = nullptr;
  std::vector<Vector3> _positionKeys;
  bool _hasPosition = false;
  std::vector<Quaternion> _rotationKeys;
  bool _hasRotation = false;
  std::vector<Vector3> _scaleKeys;
  bool _hasScale = false;
};

class LightColorController : public KeyframeController {
 public:
  using KeyframeController::KeyframeController;

  bool load(BinaryInput& in) override;
  void interpolate(float fraction, std::uint32_t from, std::uint32_t to) override;
  bool resolveTarget() override;
  bool hasTarget() const override { return _light != nullptr; }

  Light* _light = nullptr;
  std::vector<Vector3> _colourKeys;  // red, green, blue
};

// The horizontal field of view, in radians.
class CameraFOVController : public KeyframeController {
 public:
  using KeyframeController::KeyframeController;

  bool load(BinaryInput& in) override;
  void interpolate(float fraction, std::uint32_t from, std::uint32_t to) override;
  bool resolveTarget() override;
  bool hasTarget() const override { return _camera != nullptr; }

  Camera* _camera = nullptr;
  std::vector<float> _fovKeys;
};

// The alpha of a material's diffuse colour: below 1 the material is drawn sorted.
class MaterialSettingsController : public KeyframeController {
 public:
  using KeyframeController::KeyframeController;

  bool load(BinaryInput& in) override;
  void interpolate(float fraction, std::uint32_t from, std::uint32_t to) override;
  bool resolveTarget() override;
  bool hasTarget() const override { return _material != nullptr; }

  Material* _material = nullptr;
  std::vector<float> _opacityKeys;
};

}  // namespace vesk
