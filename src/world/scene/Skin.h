// A shape whose vertices follow a skeleton. Every vertex is bound by links to nodes (normally
// bones), each link holding the vertex in that node's space and a weight; every drawing
// rebuilds the positions from the nodes' current world matrices, recomputes the normals and
// rewrites the whole vertex buffer. The positions are in world space, so the skin draws under
// the identity world transform.
//
// Links name their nodes by handle and are resolved against the scene's handle table at the
// first drawing. A link whose handle no node has is skipped: it adds nothing to its vertex.
// The depth-sort centre is the mean of the positions of the last drawing, kept in the skin's
// own space as every centre is; (0, 0, 0) before the first drawing.
#pragma once

#include <cstdint>
#include <vector>

#include "world/scene/Shape.h"

namespace vesk {

class Skin : public Shape {
 public:
  struct Link {
    Node* node = nullptr;  // resolved at the first drawing; none for a missing handle
    float weight = 0;      // used as stored, not normalised
    Vector3 offset;        // the vertex in the node's space
    std::int32_t handle = 0;
  };

  using Shape::Shape;

  // A copy with the same links, sharing the mesh.
  Owned<Node> clone() const override { return make<Skin>(here(), *this); }
  // The mesh record (into the scene's bank), the material id, each vertex's links, then the
  // body. The centre is left as it is.
  bool load(BinaryInput& in) override;
  // Resolves the links the first time, skins the vertices, then draws the mesh.
  void draw(DrawContext& context) override;

  std::size_t linkCount() const { return _links.size(); }
  bool resolved() const { return _resolved; }
  // The positions from the links and the nodes' world matrices, into the mesh's vertices, with
  // their normals; the vertex buffer is written again. Resolves the links first if need be.
  void skin();

 protected:
  Skin(const Skin&) = default;
  template <class T, class... Args>
  friend Owned<T> make(Site site, Args&&... args);

 private:
  void resolve();

  // The links of every vertex one after the other; vertex v owns [_firstLink[v],
  // _firstLink[v + 1]).
  std::vector<Link> _links;
  std::vector<std::uint32_t> _firstLink;
  bool _resolved = false;
};

}  // namespace vesk
