// Blends a layer with its previous frames: each frame the layer is drawn into a work texture,
// the accumulated result of the frames before is blended over it with the strength as alpha,
// and the new result, shown in the viewport, becomes the accumulation for the next frame.
// It runs until it is replaced or removed.
#pragma once

#include "compositing/SpecialEffect.h"

namespace vesk {

class EffectMotionBlur : public SpecialEffect {
 public:
  // Makes the two 512 × 512 render targets and their depth buffer. A strength outside [0, 1]
  // is refused (a fatal error) and the effect is finished at once.
  explicit EffectMotionBlur(float strength);

  void apply(DrawContext& context, Layer& layer) override;
  // Releases the render targets and the depth buffer.
  void finish(Layer& layer) override;

  static constexpr std::uint32_t kTargetSize = 512;
  // The ratio the layer is drawn with into the square target (that of the 640 × 480 screen).
  static constexpr float kAspect = 0.75f;

 private:
  Owned<gfx::Texture> _accumulation;  // A: the result of the last frame
  Owned<gfx::Texture> _work;          // B: this frame's result while it is made
  Owned<gfx::Surface> _depth;
  float _strength;
  bool _started = false;  // A is cleared to black before its first use
};

}  // namespace vesk
