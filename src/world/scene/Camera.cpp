#include "world/scene/Camera.h"

#include <cmath>

namespace vesk {

void Camera::attach() {
  if (scene()) scene()->addCamera(*this);
}

void Camera::detach() {
  if (scene()) scene()->removeCamera(*this);
}

bool Camera::load(BinaryInput& in) {
  in >> _fov >> _near >> _far >> _envNear >> _envFar;
  if (in.failed()) return false;
  _loadedFov = _fov;
  return Node::load(in);
}

void Camera::restoreLoaded() {
  Node::restoreLoaded();
  _fov = _loadedFov;
}

void Camera::apply(float aspect) {
  gfx::Device* device = DXObject::device();
  if (!device) return;

  const Quaternion turned{-_rotation.w, _rotation.x, _rotation.y, -_rotation.z};
  Matrix mirror;
  mirror.m[2][2] = -1;
  _viewMatrix = translationMatrix(-_position.x, -_position.y, -_position.z) *
                (mirror * transpose(rotationMatrix(turned)));
  if (!VK_DX(device->setTransform(gfx::TransformType::View, _reflectionMatrix * _viewMatrix))) {
    return;
  }

  gfx::ViewportRect viewport;
  if (!VK_DX(device->getViewport(viewport))) return;
  if (aspect == 0) {
    aspect = static_cast<float>(viewport.height) / static_cast<float>(viewport.width);
  }

  // The vertical angle is the horizontal one times the aspect, not derived through the tangent.
  const float half = _fov / 2;
  Matrix projection;
  projection.m[0][0] = std::cos(half) / std::sin(half);
  projection.m[1][1] = std::cos(aspect * half) / std::sin(aspect * half);
  projection.m[2][2] = _far / (_far - _near);
  projection.m[2][3] = 1;
  projection.m[3][2] = -_near * _far / (_far - _near);
  projection.m[3][3] = 0;
  VK_DX(device->setTransform(gfx::TransformType::Projection, projection));
}

}  // namespace vesk
