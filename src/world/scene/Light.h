// A point light: one device light description, set at a slot when the scene draws, and the
// shapes that cast shadow volumes from it. The light shines from its node's local position,
// not its world position, so a light nested under a moving group does not follow the group.
#pragma once

#include <vector>

#include "world/scene/Node.h"

namespace vesk {

class Light : public Node {
 public:
  // A shape casting a shadow volume from this light.
  struct ShadowCaster {
    Node* shape = nullptr;  // resolved from the handle once the scene has loaded
    Vector3 lastLightPosition{-10000000000.0f, -10000000000.0f, -10000000000.0f};
    std::int32_t handle = 0;
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

  bool hasShadowCasters() const { return !_shadowCasters.empty(); }

  gfx::LightValues _light;
  std::vector<ShadowCaster> _shadowCasters;

 protected:
  Light(const Light&) = default;
  template <class T, class... Args>
  friend Owned<T> make(Site site, Args&&... args);
};

}  // namespace vesk
