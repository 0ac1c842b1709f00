#include "compositing/Effect3DS.h"

#include "compositing/Layer.h"
#include "events/EventTarget.h"
#include "world/scene/Camera.h"
#include "world/scene/Scene.h"

namespace vesk {

Effect3DS::Effect3DS(std::string_view sceneName, std::string_view cameraName, float duration)
    : _sceneName(sceneName), _duration(duration) {
  _scene = safeCast<Scene>(EventTarget::find(sceneName));
  _camera = _scene ? safeCast<Camera>(EventTarget::find(cameraName)) : nullptr;
  if (!_scene || !_camera) {
    _finished = true;
    return;
  }
  gfx::Device& d = *device();
  _texture = d.createTexture(kTargetSize, kTargetSize, 1, gfx::USAGE_RENDER_TARGET,
                             gfx::Format::X8R8G8B8, gfx::Pool::Default);
  _depth = d.createDepthStencilSurface(kTargetSize, kTargetSize, gfx::Format::D16);
  if (!VK_DX(_texture && _depth)) _finished = true;
}

void Effect3DS::apply(DrawContext& context, Layer& layer) {
  if (progress(_startTime, _duration) > 1.0f) _finished = true;
  if (!_texture || !_depth || !_scene || !_camera) return;
  gfx::Device& d = *context.device;

  gfx::Surface* target = d.renderTarget();
  gfx::Surface* depth = d.depthStencilSurface();
  gfx::ViewportRect viewport;
  VK_DX(d.getViewport(viewport));
  VK_DX(d.endScene());

  VK_DX(d.setRenderTarget(_texture->surfaceLevel(0), _depth.get()));
  VK_DX(d.clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0, 1.0f, 0));
  VK_DX(d.beginScene());
  layer.draw(context, 0.0f);
  VK_DX(d.endScene());
  VK_DX(d.setRenderTarget(target, depth));
  VK_DX(d.beginScene());
  VK_DX(d.setViewport(viewport));

  VK_DX(d.setTexture(0, _texture.get()));
  VK_DX(d.setRenderState(gfx::RenderState::CullMode, static_cast<std::uint32_t>(gfx::Cull::None)));
  _scene->renderGeometry(context, _camera, 0.0f);
  VK_DX(d.setRenderState(gfx::RenderState::CullMode,
                         static_cast<std::uint32_t>(context.currentCullMode)));
  // The texture goes with the effect: nothing may keep sampling it.
  VK_DX(d.setTexture(0, nullptr));
}

void Effect3DS::finish(Layer& /*layer*/) {
  _texture.reset();
  _depth.reset();
}

}  // namespace vesk
