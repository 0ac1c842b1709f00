// Draws a scene layer in fog that comes in, stays and goes: the intensity rises from 0 to 1 over
// the entry length, stays 1 for the fog length, and falls back to 0 by the fog time. The fog
// range comes from the layer's camera (its environment near and far ranges); the viewport is
// cleared to a grey as bright as the fog is thick.
#pragma once

#include "compositing/SpecialEffect.h"

namespace vesk {

class EffectFog : public SpecialEffect {
 public:
  // Turns fog on with its colour at once: vertex fog is linear and ranged (the far end moves
  // with the intensity), table fog is exp2 (its density moves).
  EffectFog(float fogTime, float entryLength, float fogLength, bool vertexFog, float red,
            float green, float blue);

  void apply(DrawContext& context, Layer& layer) override;
  // Fog off, no vertex fog, density 0, colour 0.
  void finish(Layer& layer) override;

  // The fog's thickness, 0 to 1, `elapsed` seconds after the first frame.
  float intensityAt(float elapsed) const;
  float intensity() const { return _intensity; }

 private:
  float _fogTime;
  float _entryLength;
  float _fogLength;
  float _startTime = 0;  // show seconds; 0 = not started
  float _intensity = 0;
  float _fogStart = 0;
  float _fogEnd = 0;
  bool _vertexFog;
  Argb _colour;  // 0x00RRGGBB
};

}  // namespace vesk
