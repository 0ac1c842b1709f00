// What sets the device up before a group of renderable nodes is drawn and restores it
// afterwards. The scene's drawing asks each enabled shader whether its nodes are depth-sorted,
// then calls `begin`, draws the visible nodes of the node list, and calls `end`.
//
// The node list does not own its nodes: a node adds itself when it is attached and removes
// itself when it is detached. Disabling a shader hides every node that uses it.
#pragma once

#include <cstdint>
#include <vector>

#include "base/Memory.h"
#include "render/DXObject.h"

namespace vesk {

class Camera;
class RenderableNode;
class Scene;

class Shader : public DXObject, public MemoryItem {
 public:
  using MemoryItem::operator new;
  using MemoryItem::operator delete;

  Shader() = default;
  ~Shader() override = default;
  Shader(const Shader&) = delete;
  Shader& operator=(const Shader&) = delete;

  // Whether the nodes are drawn back to front after the opaque ones.
  virtual bool needsSorting() const = 0;
  // `context` holds the alpha factors of the layer being drawn and the cull mode to restore.
  // The scene and the camera are null when a node's extra passes interrupt its shader.
  virtual void begin(DrawContext& context, Scene* scene, Camera* camera) = 0;
  virtual void end(DrawContext& context, Scene* scene, Camera* camera) = 0;

  const std::vector<RenderableNode*>& nodes() const { return _nodes; }
  void addNode(RenderableNode* node) { _nodes.push_back(node); }
  // Removes every entry of the node; a node not in the list is ignored.
  void removeNode(RenderableNode* node) { std::erase(_nodes, node); }

  bool enabled() const { return _enabled; }
  void setEnabled(bool enabled) { _enabled = enabled; }

 protected:
  // A device state's value from one of the device's enums.
  static std::uint32_t stateWord(auto value) { return static_cast<std::uint32_t>(value); }

 private:
  std::vector<RenderableNode*> _nodes;
  bool _enabled = true;
};

}  // namespace vesk
