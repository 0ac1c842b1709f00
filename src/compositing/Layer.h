// One of the four drawing slots of a viewport: a picture or a scene drawn with an alpha, over
// the part of the viewport's rectangle that is on screen. A layer may carry one special effect,
// which then takes over its drawing until the effect is finished or replaced.
#pragma once

#include <string_view>

#include "render/DXObject.h"

namespace vesk {

class Renderer;
class SpecialEffect;

// The visible fraction of a viewport's rectangle in texture coordinates: (0, 0)-(1, 1) when it
// lies wholly on screen.
struct TextureWindow {
  float umin = 0, umax = 1, vmin = 0, vmax = 1;
};

class Layer : public DXObject {
 public:
  Layer(Renderer& renderer, float alpha);
  // Finishes and destroys the effect, as `setEffect(nullptr)` does.
  ~Layer() override;
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;

  virtual bool isSceneLayer() const = 0;
  // Draws the layer into the current device viewport; an aspect of 0 means the viewport's own
  // ratio (pictures ignore it).
  virtual void draw(DrawContext& context, float aspect) = 0;
  // Whether the layer shows the picture or scene of that event-target name (exact match).
  virtual bool shows(std::string_view name) const = 0;

  // One frame of the layer with its viewport's texture window, its alpha as the context's fade
  // factor: through the effect while it runs, plainly otherwise. A finished effect is finished
  // and destroyed here.
  void render(DrawContext& context, const TextureWindow& window);

  // The running effect (if any) is finished on this layer and destroyed; then `effect` is kept.
  void setEffect(Owned<SpecialEffect> effect);
  SpecialEffect* effect() const { return _effect.get(); }

  float alpha() const { return _alpha; }
  void setAlpha(float alpha) { _alpha = alpha; }
  const TextureWindow& window() const { return _window; }
  Renderer& renderer() const { return *_renderer; }

 private:
  Renderer* _renderer;
  float _alpha;
  Owned<SpecialEffect> _effect;
  TextureWindow _window;
};

}  // namespace vesk
