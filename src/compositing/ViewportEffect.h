// An animation of a viewport's rectangle and alpha, advanced once per drawn frame.
#pragma once

#include "render/DXObject.h"

namespace vesk {

class Viewport;

class ViewportEffect : public DXObject {
 public:
  ViewportEffect() = default;
  ~ViewportEffect() override = default;
  ViewportEffect(const ViewportEffect&) = delete;
  ViewportEffect& operator=(const ViewportEffect&) = delete;

  // One step: sets the viewport's rectangle and alpha.
  virtual void update(Viewport& viewport) = 0;
  // Run once when the effect has finished, just before it is destroyed.
  virtual void finish(Viewport& viewport) = 0;

  bool finished() const { return _finished; }

 protected:
  bool _finished = false;
};

}  // namespace vesk
