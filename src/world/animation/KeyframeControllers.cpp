#include "world/animation/KeyframeControllers.h"

#include "base/Diagnosis.h"
#include "world/animation/Slerp.h"
#include "world/material/Material.h"
#include "world/scene/Camera.h"
#include "world/scene/Light.h"
#include "world/scene/MeshRecord.h"
#include "world/scene/Scene.h"

namespace vesk {

namespace {

// Reads `count` vectors of three floats, refusing a count larger than the data left.
bool readVectors(BinaryInput& in, std::uint64_t count, std::vector<Vector3>& values) {
  if (!bytesLeft(in, count * 3 * sizeof(float))) return false;
  values.resize(static_cast<std::size_t>(count));
  for (Vector3& value : values)
    in >> value.x >> value.y >> value.z;
  return !in.failed();
}

// Quaternions are stored x, y, z, w.
bool readQuaternions(BinaryInput& in, std::uint64_t count, std::vector<Quaternion>& values) {
  if (!bytesLeft(in, count * 4 * sizeof(float))) return false;
  values.resize(static_cast<std::size_t>(count));
  for (Quaternion& value : values)
    in >> value.x >> value.y >> value.z >> value.w;
  return !in.failed();
}

// A track flag: a nonzero byte means its keys follow.
bool readFlag(BinaryInput& in, bool& present) {
  char flag = 0;
  in >> flag;
  present = flag != 0;
  return !in.failed();
}

// The node of a handle in the scene, with `what` reported when there is none.
Node* targetNode(Scene& scene, std::int32_t handle, const char* what) {
  Node* node = scene.getNodeByHandle(handle);
  if (!node) fatal(str("Error while loading ", what, " : handle not found : ", handle), here());
  return node;
}

Vector3 lerp(const Vector3& a, const Vector3& b, float f) {
  return {a.x + f * (b.x - a.x), a.y + f * (b.y - a.y), a.z + f * (b.z - a.z)};
}

}  // namespace

bool NodeTMController::load(BinaryInput& in) {
  if (!KeyframeController::load(in)) return false;
  in >> _target;
  const std::uint32_t count = keyCount();
  return readFlag(in, _hasPosition) && (!_hasPosition || readVectors(in, count, _positionKeys)) &&
         readFlag(in, _hasRotation) &&
         (!_hasRotation || readQuaternions(in, count, _rotationKeys)) && readFlag(in, _hasScale) &&
         (!_hasScale || readVectors(in, count, _scaleKeys));
}

bool NodeTMController::resolveTarget() {
  _node = targetNode(scene(), _target, "controller");
  return hasTarget();
}

void NodeTMController::interpolate(float fraction, std::uint32_t from, std::uint32_t to) {
  if (!_node) return;
  if (_hasPosition) _node->_position = lerp(_positionKeys[from], _positionKeys[to], fraction);
  if (_hasRotation) {
    _node->_rotation = slerp(_rotationKeys[from], _rotationKeys[to], fraction);
    _node->_rotationDirty = true;
  }
  if (_hasScale) {
    const Vector3& a = _scaleKeys[from];
    const Vector3& b = _scaleKeys[to];
    const float rest = 1 - fraction;
    _node->_scale = {fraction * b.x + rest * a.x, fraction * b.y + rest * a.y,
                     fraction * b.z + rest * a.z};
  }
  _node->_localDirty = true;
}

bool LightColorController::load(BinaryInput& in) {
  if (!KeyframeController::load(in)) return false;
  in >> _target;
  return !in.failed() && readVectors(in, keyCount(), _colourKeys);
}

bool LightColorController::resolveTarget() {
  // No node fails the cast too, and says so.
  _light = safeCast<Light>(targetNode(scene(), _target, "light controller"));
  return hasTarget();
}

void LightColorController::interpolate(float fraction, std::uint32_t from, std::uint32_t to) {
  if (!_light) return;
  const Vector3 colour = lerp(_colourKeys[from], _colourKeys[to], fraction);
  _light->setColour(colour.x, colour.y, colour.z);
}

bool CameraFOVController::load(BinaryInput& in) {
  if (!KeyframeController::load(in)) return false;
  in >> _target;
  return !in.failed() && readFloats(in, keyCount(), _fovKeys);
}

bool CameraFOVController::resolveTarget() {
  _camera = safeCast<Camera>(targetNode(scene(), _target, "camera controller"));
  return hasTarget();
}

void CameraFOVController::interpolate(float fraction, std::uint32_t from, std::uint32_t to) {
  if (!_camera) return;
  _camera->_fov = (1 - fraction) * _fovKeys[from] + fraction * _fovKeys[to];
}

bool MaterialSettingsController::load(BinaryInput& in) {
  if (!KeyframeController::load(in)) return false;
  in >> _target;
  return !in.failed() && readFloats(in, keyCount(), _opacityKeys);
}

bool MaterialSettingsController::resolveTarget() {
  // The scene reports an id past its table; the mirror shader at its end is no material.
  _material = dynamic_cast<Material*>(scene().getShader(static_cast<std::uint32_t>(_target)));
  if (!_material)
    fatal(str("Error while loading material controller : ID not found : ", _target), here());
  return hasTarget();
}

void MaterialSettingsController::interpolate(float fraction, std::uint32_t from, std::uint32_t to) {
  if (!_material) return;
  _material->setOpacity((1 - fraction) * _opacityKeys[from] + fraction * _opacityKeys[to]);
}

}  // namespace vesk
