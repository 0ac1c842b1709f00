// An effect attached to one layer: while it runs it draws the layer itself (changing its alpha,
// overlaying a flash, masking it through the stencil buffer, blending it with its past frames).
// Timed effects start their clock at their first frame.
#pragma once

#include "render/DXObject.h"

namespace vesk {

class Layer;

class SpecialEffect : public DXObject {
 public:
  SpecialEffect() = default;
  ~SpecialEffect() override = default;
  SpecialEffect(const SpecialEffect&) = delete;
  SpecialEffect& operator=(const SpecialEffect&) = delete;

  // One frame of the effect, the drawing of the layer included.
  virtual void apply(DrawContext& context, Layer& layer) = 0;
  // The last step, run once when the effect is finished or replaced, just before it goes; also
  // outside drawing (a show event replacing it, its layer going), so it gets no draw context.
  virtual void finish(Layer& layer) = 0;

  bool finished() const { return _finished; }

 protected:
  // The fraction of `duration` gone since `startTime`, which is set to now on the first call
  // (a stored 0 means "not started"). A duration of 0 (or less) is over at once: the answer is
  // then above 1, never a division by zero.
  static float progress(float& startTime, float duration);

  bool _finished = false;
};

}  // namespace vesk
