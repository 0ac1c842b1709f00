// What the temple, tunnel and combat scenes share: a scene under construction that hands out
// handles and material ids, textured materials, camera flights and keyframe helpers, skinned
// figures on bones with their walking and fighting poses, and the step that checks a scene
// with its animation files and adds them to the data set.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "SceneFiles.h"
#include "authoring/AnimationWriter.h"
#include "authoring/SceneWriter.h"

namespace showgen {

using vesk::SceneColour;
using vesk::SceneVector;

class StageKit {
 public:
  explicit StageKit(std::string name);

  std::int32_t handle() { return _nextHandle++; }
  std::int32_t material(vesk::SceneMaterial material);
  // Appends a top-level node and returns its handle.
  std::int32_t add(vesk::SceneNode node);
  std::int32_t shape(std::string name, vesk::SceneMesh mesh, std::int32_t material,
                     SceneVector position = {});
  std::int32_t light(std::string name, SceneVector position, SceneColour colour,
                     float range = 1000000000, float linear = 0);
  // A camera looking from `eye` at `target`, fog from `fogNear` to `fogFar`.
  std::int32_t camera(std::string name, SceneVector eye, SceneVector target, float fogNear = 1000,
                      float fogFar = 3000);

  // The top-level node of that handle.
  vesk::SceneNode& node(std::int32_t handle);
  // Gives every camera a blended, untextured speck far behind it, so that in any view the last
  // material the scene draws leaves the first texture stage empty: the shadows are darkened by
  // a screen quad drawn with whatever texture is left there. Call it after the last camera,
  // with the material id of a material of opacity below 1 and no texture.
  void markLastDrawn(std::int32_t material);

  vesk::SceneFile& file() { return _file; }
  const std::string& name() const { return _file.root.name; }

 private:
  vesk::SceneFile _file;
  std::int32_t _nextHandle = 2;
};

// A picture under data\textures on texture-coordinate channel `channel`.
vesk::SceneTexture texture(std::string file, std::int32_t channel = 1, bool colourKey = false);
// A lit material with a diffuse map, a tint and a highlight of `glossiness`.
vesk::SceneMaterial textured(std::string file, SceneColour tint = {1, 1, 1},
                             float glossiness = 0.2f, float specularLevel = 0.4f);
// A material that glows in `colour` through the picture `file`, whose grey levels are also its
// alpha: sprites, flames and sparks.
vesk::SceneMaterial glowing(std::string file, SceneColour colour);
// The sky seen from inside: unlit, the dusk picture.
vesk::SceneMaterial skyMaterial();

// The inside of a sphere of `radius` (faces turned inwards), mapped with the dusk sky.
vesk::SceneMesh skyDome(float radius);
// Two crossed quads seen from both sides, `width` wide and `height` high, standing on z = 0:
// a flame.
vesk::SceneMesh flameQuads(float width, float height);
// Turns every face so that its other side is the front one.
void turnInside(vesk::SceneMesh& mesh);

// The rotation of a camera at `eye` looking at `target` (world z up).
vesk::SceneRotation lookRotation(SceneVector eye, SceneVector target);

// A node controller of position and rotation keys at `times` for a camera flying through
// `eyes` and looking at `targets` (one of each per time).
vesk::AnimController cameraFlight(std::int32_t camera, const std::vector<float>& times,
                                  const std::vector<SceneVector>& eyes,
                                  const std::vector<SceneVector>& targets);
// A node controller of rotation keys about `axis` at the given angles (radians).
vesk::AnimController turning(std::int32_t node, SceneVector axis, const std::vector<float>& times,
                             const std::vector<float>& angles);
// A node controller of position keys.
vesk::AnimController moving(std::int32_t node, const std::vector<float>& times,
                            const std::vector<SceneVector>& positions);

// A figure on bones: a group holding a skeleton (hips, chest, head, upper arms, forearms,
// thighs, shins) and one skin bound to it, standing on z = 0 and facing +y. Its handles, so
// that animations can move it.
struct Figure {
  std::int32_t group, hips, chest, head;
  std::int32_t arm[2], forearm[2], thigh[2], shin[2];  // left, right
};
// `body` and `head` are material ids; `height` about 1.8.
Figure addFigure(StageKit& kit, const std::string& name, SceneVector position, float heading,
                 std::int32_t material, float height);

// Walking in place for `duration` seconds, one stride per `stride` seconds: legs, shins, arms.
void walkCycle(const Figure& figure, float duration, float stride,
               std::vector<vesk::AnimController>& into);

}  // namespace showgen
