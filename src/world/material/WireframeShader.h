// An extra pass the show script puts on a node: its triangles again as lines of one colour,
// over everything (no depth test), fading from a start alpha to an end alpha over a duration
// that starts at the pass's first drawing.
#pragma once

#include "world/material/Shader.h"

namespace vesk {

class WireframeShader : public Shader {
 public:
  // Seconds of the fade, its alphas, and the line colour (0..1).
  WireframeShader(float duration, float startAlpha, float endAlpha, float red, float green,
                  float blue);
  ~WireframeShader() override = default;

  bool needsSorting() const override { return false; }
  void begin(DrawContext& context, Scene* scene, Camera* camera) override;
  void end(DrawContext& context, Scene* scene, Camera* camera) override;

  // The alpha of the lines drawn at show time `now` (seconds) once started at `_startTime`.
  float alphaAt(float now) const;
  const gfx::MaterialValues& values() const { return _material; }

 private:
  gfx::MaterialValues _material;
  float _startTime = 0;  // show seconds of the first drawing; 0 = not started
  float _startAlpha;
  float _endAlpha;
  float _duration;
};

}  // namespace vesk
