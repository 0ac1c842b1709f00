// Small pieces shared by the scenes showgen builds: handle numbering, textured materials,
// camera flights and node paths as animation controllers, and storing a scene with its
// animation files in the data set after checking each animation against the scene.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "SceneFiles.h"
#include "authoring/AnimationWriter.h"
#include "authoring/SceneWriter.h"

namespace showgen {

// Hands out node handles in order, from 1 (the root).
class Handles {
 public:
  std::int32_t next() { return _next++; }

 private:
  std::int32_t _next = 1;
};

// A material with a diffuse texture over a base colour, a highlight of `gloss` (0..1).
vesk::SceneMaterial texturedMaterial(const std::string& texture, vesk::SceneColour colour,
                                     float gloss = 0.2f, float specular = 0.4f);
vesk::SceneTexture texture(const std::string& file, std::int32_t channel = 1);

// A node of the given record, at `position`.
vesk::SceneNode makeNode(std::string name, std::int32_t handle, vesk::SceneNode::Record record,
                         vesk::SceneVector position = {});

// Where a camera is and what it looks at, at a time of its flight.
struct CameraPose {
  vesk::SceneVector eye, target;
};
// A camera's flight sampled every `step` seconds from 0 to `duration`: positions at the eyes,
// rotations looking at the targets with the world's z up.
vesk::AnimController cameraFlight(std::int32_t camera, float duration, float step,
                                  const std::function<CameraPose(float)>& pose);

// Where a node is and how it is turned, at a time of its path.
struct NodePose {
  vesk::SceneVector position;
  vesk::SceneRotation rotation;
};
// A node's path sampled every `step` seconds from 0 to `duration` (positions and rotations).
vesk::AnimController nodePath(std::int32_t node, float duration, float step,
                              const std::function<NodePose(float)>& pose);
// Rotations alone, for parts turning about their pivot (wings, limbs).
vesk::AnimController nodeTurns(std::int32_t node, float duration, float step,
                               const std::function<vesk::SceneRotation(float)>& rotation);

}  // namespace showgen
