// The scene's mirror: its node list holds the mirror surfaces (quads). Its `begin` hides them;
// its `end` draws, for each, the scene reflected through the surface's plane and clipped to
// the surface as seen from the reflected eye, then the surface itself with its own material
// over the reflection. The scene creates it disabled; nodes switch it on and off.
#pragma once

#include "world/material/Shader.h"

namespace vesk {

class MirrorShader : public Shader {
 public:
  MirrorShader() = default;
  ~MirrorShader() override = default;

  bool needsSorting() const override { return false; }
  void begin(DrawContext& context, Scene* scene, Camera* camera) override;
  void end(DrawContext& context, Scene* scene, Camera* camera) override;

 private:
  // The reflection through one surface, then the surface.
  void reflect(DrawContext& context, Scene& scene, Camera& camera, RenderableNode& node);
};

}  // namespace vesk
