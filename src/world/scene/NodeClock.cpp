#include "world/scene/NodeClock.h"

#include "world/scene/Scene.h"

namespace vesk {

NodeClock::NodeClock(Scene& scene, ClockedNode& node) : TimeController(scene), _node(node) {
  scene.addController(*this);
}

NodeClock::~NodeClock() {
  scene().removeController(*this);
}

void NodeClock::start() {
  _node.clockStarting();
  TimeController::start();
}

}  // namespace vesk
