#include "world/scene/RenderableNode.h"

#include "events/Event.h"
#include "world/material/WireframeShader.h"

namespace vesk {

void RenderableNode::drawWithPasses(DrawContext& context, Scene* scene) {
  draw(context);
  if (_extraPasses.empty()) return;
  if (_shader) _shader->end(context, nullptr, nullptr);
  for (const Owned<Shader>& pass : _extraPasses) {
    pass->begin(context, scene, nullptr);
    draw(context);
    pass->end(context, scene, nullptr);
  }
  if (_shader) _shader->begin(context, nullptr, nullptr);
}

std::int32_t RenderableNode::processEvent(const Event& event) {
  switch (event.getCode()) {
    case kEventShow:
      _visible = true;
      return VK_EVENT_PROCESSED;
    case kEventHide:
      _visible = false;
      return VK_EVENT_PROCESSED;
    case kEventAddWireframe:
      _extraPasses.push_back(make<WireframeShader>(here(), event.getFloat(0), event.getFloat(1),
                                                   event.getFloat(2), event.getFloat(3),
                                                   event.getFloat(4), event.getFloat(5)));
      return VK_EVENT_PROCESSED;
    case kEventClearPasses:
      _extraPasses.clear();
      return VK_EVENT_PROCESSED;
    case kEventMirrorOn:
    case kEventMirrorOff: {
      const bool on = event.getCode() == kEventMirrorOn;
      Shader* mirror = scene() ? scene()->mirrorShader() : nullptr;
      if (mirror) {
        mirror->setEnabled(on);
        // Never listed twice, so one "off" always takes the node out.
        mirror->removeNode(this);
        if (on) mirror->addNode(this);
      }
      if (_shader) _shader->setEnabled(!on);
      return VK_EVENT_PROCESSED;
    }
    default:
      return Node::processEvent(event);
  }
}

void RenderableNode::restoreLoaded() {
  Node::restoreLoaded();
  _visible = true;
  _extraPasses.clear();
  if (Shader* mirror = scene() ? scene()->mirrorShader() : nullptr) mirror->removeNode(this);
}

void RenderableNode::attachToMaterial(std::int32_t materialId) {
  if (!scene()) return;
  // A negative id reads as a huge unsigned one: out of range, like the ids past the table.
  _shader = scene()->getShader(static_cast<std::uint32_t>(materialId));
  if (_shader) _shader->addNode(this);
}

void RenderableNode::detachFromMaterial() {
  if (_shader) _shader->removeNode(this);
  _shader = nullptr;
}

}  // namespace vesk
