// A renderable node drawn as one point at its world position: a point sprite of its size when
// its material's states make points sprites. Its alpha (1 unless a particle system lowers it
// with age) goes into the point's colour, which lighting takes as the diffuse colour.
#pragma once

#include <cstdint>

#include "world/scene/RenderableNode.h"

namespace vesk {

class Sprite : public RenderableNode {
 public:
  using RenderableNode::RenderableNode;

  Owned<Node> clone() const override { return make<Sprite>(here(), *this); }
  // Takes the material from the scene's shader table and joins its node list.
  void attach() override;
  void detach() override;
  // Size, material id, then the node body; alpha 1, centre at the origin.
  bool load(BinaryInput& in) override;
  // One point, XYZ and diffuse, at the world translation, under the identity world transform.
  void draw(DrawContext& context) override;

  float size() const { return _size; }
  std::int32_t materialId() const { return _materialId; }
  // The point's colour: alpha × 255 (truncated, kept within 0..255) in the top byte, black.
  std::uint32_t colour() const;

  float _alpha = 1.0f;

 protected:
  Sprite(const Sprite&) = default;
  template <class T, class... Args>
  friend Owned<T> make(Site site, Args&&... args);

 private:
  float _size = 0;
  std::int32_t _materialId = 0;
};

}  // namespace vesk
