// A renderable node made of one mesh and one material of its scene. The mesh lives in the
// scene's bank of the resource cache; the shape joins its material's node list when it is
// attached and leaves it when it is detached.
#pragma once

#include <cstdint>

#include "world/scene/Mesh.h"
#include "world/scene/RenderableNode.h"

namespace vesk {

class Shape : public RenderableNode {
 public:
  using RenderableNode::RenderableNode;

  // A copy sharing the mesh.
  Owned<Node> clone() const override { return make<Shape>(here(), *this); }
  // Takes the material from the scene's shader table and joins its node list.
  void attach() override;
  void detach() override;
  // The mesh record (into the scene's bank), the centre, the material id, then the body.
  bool load(BinaryInput& in) override;
  // World transform = the node's world matrix, then the mesh.
  void draw(DrawContext& context) override;

  Mesh* mesh() const { return _mesh; }
  std::int32_t materialId() const { return _materialId; }

 protected:
  Shape(const Shape&) = default;
  template <class T, class... Args>
  friend Owned<T> make(Site site, Args&&... args);
  // Creates the mesh in the scene's bank and lets it read its record. False once loading
  // must stop (the error is reported).
  bool loadMesh(BinaryInput& in);

  Mesh* _mesh = nullptr;
  std::int32_t _materialId = 0;
};

}  // namespace vesk
