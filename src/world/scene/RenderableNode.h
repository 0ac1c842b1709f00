// The node class of everything drawn through a shader: the visible flag, the node's own
// shader, the extra passes drawn over it, and the centre its depth is sorted by. It answers the
// show script's drawing events: show, hide, add a wireframe pass, drop the extra passes, and
// mirror on and off.
#pragma once

#include <cstdint>
#include <vector>

#include "world/material/Shader.h"
#include "world/scene/Node.h"

namespace vesk {

class Event;

// The drawing events of a renderable node.
inline constexpr std::int32_t kEventShow = 47;
inline constexpr std::int32_t kEventHide = 48;
inline constexpr std::int32_t kEventAddWireframe = 49;  // duration, alphas, line colour
inline constexpr std::int32_t kEventClearPasses = 50;
inline constexpr std::int32_t kEventMirrorOn = 51;
inline constexpr std::int32_t kEventMirrorOff = 52;

class RenderableNode : public Node {
 public:
  using Node::Node;
  ~RenderableNode() override = default;

  // Draws the node with the device's current states (its shader has begun).
  virtual void draw(DrawContext& context) = 0;
  // `draw`, then the extra passes: the node's shader ends, each pass begins, draws the node
  // and ends, and the node's shader begins again (those two calls without scene or camera).
  void drawWithPasses(DrawContext& context, Scene* scene);

  std::int32_t processEvent(const Event& event) override;
  // The transform, visible (every node is loaded visible), no extra passes, and out of the
  // mirror shader's list; which shaders are on is the scene's to restore.
  void restoreLoaded() override;

  Shader* shader() const { return _shader; }
  std::size_t extraPassCount() const { return _extraPasses.size(); }

  bool _visible = true;
  // Mean of the mesh vertices in local coordinates; the depth-sort key.
  Vector3 _centre;

 protected:
  // The copy behind `clone`: the same shader and centre, no extra passes (they are owned).
  RenderableNode(const RenderableNode& original)
      : Node(original),
        _visible(original._visible),
        _centre(original._centre),
        _shader(original._shader) {}

  // Joins the node list of the scene's shader `materialId` (none for an id past the table,
  // which the scene reports); leaves it again.
  void attachToMaterial(std::int32_t materialId);
  void detachFromMaterial();

  Shader* _shader = nullptr;

 private:
  // Wireframe passes put on by the show script; owned, destroyed when dropped.
  std::vector<Owned<Shader>> _extraPasses;
};

}  // namespace vesk
