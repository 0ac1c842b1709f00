// A point light: one device light description, set at a slot when the scene draws, and the
// shapes that cast shadow volumes from it. The light shines from its node's local position,
// not its world position, so a light nested under a moving group does not follow the group.
//
// A caster's edge list is made once the scene has loaded; its volume is rebuilt only when the
// light has moved relative to the caster (or on the first drawing) and drawn every frame,
// whether the caster is visible or not.
#pragma once

#include <vector>

#include "world/scene/Node.h"
#include "world/scene/ShadowVolume.h"

namespace vesk {

class Scene;
class Shape;

class Light : public Node {
 public:
  // A shape casting a shadow volume from this light.
  struct ShadowCaster {
    Shape* shape = nullptr;  // resolved from the handle once the scene has loaded
    // In the shape's local space; far away at first, so that the first drawing builds.
    Vector3 lastLightPosition{-10000000000.0f, -10000000000.0f, -10000000000.0f};
    std::int32_t handle = 0;
    std::vector<ShadowEdge> edges;
    ShadowVolume volume;
  };

  explicit Light(SceneLinks* scene);

  Owned<Node> clone() const override { return make<Light>(here(), *this); }
  // Joins, respectively leaves, the scene's light lists.
  void attach() override;
  void detach() override;
  // The light prefix (colour, shadow casters, attenuation and range when flagged), then the
  // body; then the description becomes a point light of that colour at the loaded position.
  bool load(BinaryInput& in) override;

  // Copies the local position into the description, sets it at `slot` and enables the slot.
  void setSlot(int slot);
  // Diffuse = specular = (r, g, b) with their alpha kept, ambient 0.
  void setColour(float r, float g, float b);
  void setRange(float range);
  void setAttenuation(float constant, float linear, float quadratic);
  // The transform and the loaded description, whose colour a controller animates.
  void restoreLoaded() override;

  bool hasShadowCasters() const { return !_shadowCasters.empty(); }
  // Resolves each caster's handle in `scene` to its shape, builds the shape's edge list and
  // empties its volume. False after the fatal error of a caster that is no shape.
  bool buildShadows(Scene& scene);
  // Rebuilds the volumes whose caster saw the light move (in the caster's space).
  void updateShadows();
  // Updates the volumes, then draws their sides into the stencil buffer (inverting it) through
  // `buffer`, each with its caster's world transform, leaving the colour buffer as it is; the
  // states it changes are set back to the renderer's. Without a buffer only the update runs.
  void drawShadows(DrawContext& context, gfx::VertexBuffer* buffer);

  gfx::LightValues _light;
  gfx::LightValues _loadedLight;
  std::vector<ShadowCaster> _shadowCasters;

 protected:
  Light(const Light&) = default;
  template <class T, class... Args>
  friend Owned<T> make(Site site, Args&&... args);
};

}  // namespace vesk
