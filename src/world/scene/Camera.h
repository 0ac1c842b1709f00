// A point of view: its local position and rotation give the view transform, its field of view
// and planes the projection. Cameras use their local transform only, so they belong directly
// under the scene; a camera placed under a moving group ignores the group.
#pragma once

#include "world/scene/Node.h"

namespace vesk {

class Camera : public Node {
 public:
  using Node::Node;

  Owned<Node> clone() const override { return make<Camera>(here(), *this); }
  // Joins, respectively leaves, the scene's camera list.
  void attach() override;
  void detach() override;
  // The camera prefix (field of view, near, far, environment near and far), then the body.
  bool load(BinaryInput& in) override;

  // Sets the device's view (reflection × view) and projection transforms. `aspect` is height
  // ÷ width; 0 takes it from the device viewport.
  void apply(float aspect);
  // The transform and the loaded field of view, which a controller animates.
  void restoreLoaded() override;

  float _fov = 1.0f;  // horizontal, radians
  float _loadedFov = 1.0f;
  float _near = 1.0f;
  float _far = 100000.0f;
  // Fog start and end for the fog effect; the camera itself does not use them.
  float _envNear = 1.0f;
  float _envFar = 100000.0f;
  // The last view computed by `apply`, without the reflection (depth sorting uses it).
  Matrix _viewMatrix;
  // Put in front of the view when it is set; a mirror replaces it while it draws a reflection.
  Matrix _reflectionMatrix;

 protected:
  Camera(const Camera&) = default;
  template <class T, class... Args>
  friend Owned<T> make(Site site, Args&&... args);
};

}  // namespace vesk
