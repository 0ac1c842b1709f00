// The time-controller part of a node that the show clock drives (particle systems, water).
// Such a node is already an event target through `Node`, so it does not derive from
// `TimeController` as well: it owns a `NodeClock`, which registers in the scene's controllers
// when it is made and leaves them when it is destroyed, and which hands `start` and `animate`
// back to the node. The node's `processEvent` passes the codes it does not process to the
// clock's (36 start, 37 stop).
#pragma once

#include "world/animation/Controller.h"

namespace vesk {

// What a clocked node offers its clock.
class ClockedNode {
 public:
  virtual ~ClockedNode() = default;
  // Called by the clock's `start` before the clock follows the show time from now on.
  virtual void clockStarting() {}
  // The clock's track time, once per frame while it runs.
  virtual void animate(float time) = 0;
};

class NodeClock final : public TimeController {
 public:
  NodeClock(Scene& scene, ClockedNode& node);
  ~NodeClock() override;

  void start() override;
  void animate(float time) override { _node.animate(time); }

 private:
  ClockedNode& _node;
};

}  // namespace vesk
