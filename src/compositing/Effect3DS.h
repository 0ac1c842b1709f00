// Puts a layer on 3D geometry: each frame the layer is drawn into a texture, and the geometry of
// a target scene, seen through one of its cameras, is drawn with that texture on it (the
// scene's own materials and passes are left out).
#pragma once

#include <string>
#include <string_view>

#include "compositing/SpecialEffect.h"

namespace vesk {

class Camera;
class Scene;

class Effect3DS : public SpecialEffect {
 public:
  // The names must name a scene and a camera (else the safe cast's fatal error, and the effect
  // is finished at once). Makes the 512 × 512 render texture and its depth buffer.
  Effect3DS(std::string_view sceneName, std::string_view cameraName, float duration);

  // The frame in which the time runs out is still drawn.
  void apply(DrawContext& context, Layer& layer) override;
  // Releases the render texture and the depth buffer.
  void finish(Layer& layer) override;

  // Whether the geometry drawn is that of the scene of this name (the core drops the effect
  // before it unloads that scene).
  bool targets(std::string_view sceneName) const { return _sceneName == sceneName; }

  static constexpr std::uint32_t kTargetSize = 512;

 private:
  Owned<gfx::Texture> _texture;
  Owned<gfx::Surface> _depth;
  Scene* _scene = nullptr;    // not owned
  Camera* _camera = nullptr;  // not owned
  std::string _sceneName;
  float _startTime = 0;  // show seconds; 0 = not started
  float _duration;
};

}  // namespace vesk
