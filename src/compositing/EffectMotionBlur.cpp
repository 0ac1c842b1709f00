#include "compositing/EffectMotionBlur.h"

#include <utility>

#include "compositing/Layer.h"
#include "render/Renderer.h"

namespace vesk {

EffectMotionBlur::EffectMotionBlur(float strength) : _strength(strength) {
  if (!(strength >= 0.0f && strength <= 1.0f)) {
    fatal("Error : motion-blur strength parameter must be in [0,1]", here());
    _finished = true;
    return;
  }
  gfx::Device& d = *device();
  _accumulation = d.createTexture(kTargetSize, kTargetSize, 1, gfx::USAGE_RENDER_TARGET,
                                  gfx::Format::X8R8G8B8, gfx::Pool::Default);
  _work = d.createTexture(kTargetSize, kTargetSize, 1, gfx::USAGE_RENDER_TARGET,
                          gfx::Format::X8R8G8B8, gfx::Pool::Default);
  _depth = d.createDepthStencilSurface(kTargetSize, kTargetSize, gfx::Format::D16);
  if (!VK_DX(_accumulation && _work && _depth)) _finished = true;
}

void EffectMotionBlur::apply(DrawContext& context, Layer& layer) {
  if (!_accumulation || !_work || !_depth) return;
  gfx::Device& d = *context.device;
  Renderer& renderer = layer.renderer();

  gfx::Surface* target = d.renderTarget();
  gfx::Surface* depth = d.depthStencilSurface();
  gfx::ViewportRect viewport;
  VK_DX(d.getViewport(viewport));
  VK_DX(d.endScene());

  if (!_started) {
    // A new render target holds no picture: the past starts black.
    VK_DX(d.setRenderTarget(_accumulation->surfaceLevel(0), _depth.get()));
    VK_DX(d.clear(gfx::CLEAR_TARGET, 0, 1.0f, 0));
    _started = true;
  }

  // This frame's layer into B, the past blended over it.
  VK_DX(d.setRenderTarget(_work->surfaceLevel(0), _depth.get()));
  VK_DX(d.clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0, 1.0f, 0));
  VK_DX(d.beginScene());
  layer.draw(context, kAspect);
  const auto alpha = static_cast<std::uint32_t>(_strength * 255.0f);
  VK_DX(d.setTexture(0, _accumulation.get()));
  renderer.drawScreenQuad(context, argb(alpha, 255, 255, 255), 0.0f, 0.0f, 1.0f, 1.0f);
  VK_DX(d.endScene());
  VK_DX(d.setTexture(0, nullptr));
  VK_DX(d.setRenderTarget(target, depth));
  VK_DX(d.beginScene());
  VK_DX(d.setViewport(viewport));

  std::swap(_accumulation, _work);

  VK_DX(d.setTexture(0, _accumulation.get()));
  renderer.drawScreenQuad(context, 0xFFFFFFFF, 0.0f, 0.0f, 1.0f, 1.0f);
  // The targets go with the effect: nothing may keep sampling them.
  VK_DX(d.setTexture(0, nullptr));
}

void EffectMotionBlur::finish(Layer& /*layer*/) {
  _accumulation.reset();
  _work.reset();
  _depth.reset();
}

}  // namespace vesk
