#include "compositing/Viewport.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "compositing/Effect3DS.h"
#include "compositing/EffectCrossFade.h"
#include "compositing/EffectFade.h"
#include "compositing/EffectFlash.h"
#include "compositing/EffectFog.h"
#include "compositing/EffectMotionBlur.h"
#include "compositing/ImageLayer.h"
#include "compositing/SceneLayer.h"
#include "compositing/ViewportEffectAnim1.h"
#include "compositing/ViewportEffectAnim2.h"
#include "events/Event.h"
#include "gfx/Matrices.h"
#include "render/Renderer.h"
#include "world/material/Graph.h"
#include "world/scene/Camera.h"
#include "world/scene/Scene.h"

namespace vesk {

namespace {

using gfx::RenderState;

constexpr int kBorderVertices = 5;
constexpr float kEndFadeSeconds = 2.0f;
constexpr float kMaxEffectSeconds = 60.0f;
constexpr float kMaxBlurStrength = 0.9f;

// Script values are checked this way so that NaN fails too.
bool inRange(float value, float low, float high) {
  return value >= low && value <= high;
}

// A colour component as a byte. A shaken viewport's alpha may stray past 1: it saturates
// rather than wrapping round to a nearly transparent border.
std::uint32_t colourByte(float component) {
  return static_cast<std::uint32_t>(std::clamp(truncToInt(255.0 * component), 0, 255));
}

// A layer number in 0 to 3, else the fatal error `rangeError`.
bool checkSlot(int slot, const char* rangeError) {
  if (slot >= 0 && slot < kLayerCount) return true;
  fatal(rangeError, here());
  return false;
}

// The slot (0 to 3) and alpha (0 to 1) of a new layer, parameters 0 and 1; else a fatal error.
bool layerSlotAndAlpha(const Event& event, int& slot, float& alpha) {
  slot = event.getInt(0);
  if (!checkSlot(slot, "invalid num layer")) return false;
  alpha = event.getFloat(1);
  if (inRange(alpha, 0.0f, 1.0f)) return true;
  fatal("invalid alpha layer", here());
  return false;
}

}  // namespace

int truncToInt(double value) {
  if (std::isnan(value)) return 0;
  constexpr double low = std::numeric_limits<int>::min();
  constexpr double high = std::numeric_limits<int>::max();
  return static_cast<int>(std::clamp(std::trunc(value), low, high));
}

Viewport::Viewport(int index, Renderer& renderer)
    : _index(static_cast<std::uint8_t>(index)), _renderer(&renderer), _depth(_depthCounter++) {
  if (device()) {
    _borderBuffer =
        device()->createVertexBuffer(kBorderVertices * sizeof(ScreenVertex), gfx::USAGE_WRITE_ONLY,
                                     kScreenVertexFvf, gfx::Pool::Default);
    VK_DX(_borderBuffer != nullptr);
  }
  setRect(0, 0, static_cast<int>(screenWidth()), static_cast<int>(screenHeight()), 1.0f);
}

// Out of line: the owned layers and effect are complete types only here.
Viewport::~Viewport() = default;

std::uint32_t Viewport::screenWidth() const {
  return _renderer->width();
}
std::uint32_t Viewport::screenHeight() const {
  return _renderer->height();
}

void Viewport::setRect(int x, int y, int width, int height, float alpha) {
  _rect = PixelRect{x, y, width, height};
  _alpha = alpha;
  updateWindow();
}

void Viewport::updateWindow() {
  // 64-bit sums: a rectangle may lie anywhere in the int range.
  const std::int64_t screenW = screenWidth();
  const std::int64_t screenH = screenHeight();
  const std::int64_t x = _rect.x, y = _rect.y, width = _rect.width, height = _rect.height;
  if (x + width < 0 || y + height < 0 || x >= screenW || y >= screenH) {
    _onScreen = false;
    return;
  }
  _onScreen = true;
  _window = TextureWindow{};

  // One axis: the visible start and length, and the visible fraction [low, high].
  auto clip = [](std::int64_t start, std::int64_t size, std::int64_t screen, float& low,
                 float& high, std::int64_t& visibleStart, std::int64_t& visibleSize) {
    visibleStart = start;
    visibleSize = size;
    if (start < 0) {
      low = static_cast<float>(-start) / static_cast<float>(size);
      visibleStart = 0;
      visibleSize = start + size;
    }
    if (visibleStart + visibleSize > screen) {
      const std::int64_t overhang = visibleStart + visibleSize - screen;
      high = 1.0f - static_cast<float>(overhang) / static_cast<float>(size);
      visibleSize = screen - visibleStart;
    }
  };
  std::int64_t visibleX, visibleW, visibleY, visibleH;
  clip(x, width, screenW, _window.umin, _window.umax, visibleX, visibleW);
  clip(y, height, screenH, _window.vmin, _window.vmax, visibleY, visibleH);
  _deviceViewport =
      gfx::ViewportRect{static_cast<std::uint32_t>(visibleX),
                        static_cast<std::uint32_t>(visibleY),
                        static_cast<std::uint32_t>(std::max<std::int64_t>(visibleW, 0)),
                        static_cast<std::uint32_t>(std::max<std::int64_t>(visibleH, 0)),
                        0.0f,
                        1.0f};
}

void Viewport::render(DrawContext& context) {
  if (!_onScreen) return;
  if (!_visible) {
    fatal("warning : viewport should be on", here());
    return;
  }
  if (!context.device) return;
  if (_rectEffect) {
    if (_rectEffect->finished()) {
      _rectEffect->finish(*this);
      _rectEffect.reset();
    } else {
      _rectEffect->update(*this);
    }
    // The step may have moved the rectangle off screen: then the old device viewport is stale
    // and nothing is drawn this frame.
    if (!_onScreen) return;
  }
  // A rectangle that just touches the screen edge has nothing to draw into.
  if (_deviceViewport.width == 0 || _deviceViewport.height == 0) return;

  gfx::Device& d = *context.device;
  VK_DX(d.setViewport(_deviceViewport));
  context.layerAlpha = _alpha;
  for (Owned<Layer>& layer : _layers) {
    if (!layer) continue;
    if (layer->isSceneLayer()) VK_DX(d.clear(gfx::CLEAR_ZBUFFER | gfx::CLEAR_STENCIL, 0, 1.0f, 0));
    layer->render(context, _window);
  }
  if (_border) drawBorder(d);
}

void Viewport::renderInDepthOrder(DrawContext& context, std::vector<Viewport*>& viewports) {
  std::stable_sort(viewports.begin(), viewports.end(),
                   [](const Viewport* a, const Viewport* b) { return a->depth() < b->depth(); });
  for (Viewport* viewport : viewports) {
    if (viewport->visible()) viewport->render(context);
  }
}

void Viewport::drawBorder(gfx::Device& d) {
  if (!_borderBuffer) return;
  _borderAlpha = _alpha;
  const Argb colour = colourByte(_borderAlpha) << 24 | colourByte(_borderRed) << 16 |
                      colourByte(_borderGreen) << 8 | colourByte(_borderBlue);
  const auto width = static_cast<float>(_rect.width);
  const auto height = static_cast<float>(_rect.height);

  VK_DX(d.setTransform(gfx::TransformType::View, Renderer::identity()));
  VK_DX(d.setTransform(gfx::TransformType::World, Renderer::identity()));
  VK_DX(d.setTransform(gfx::TransformType::Projection,
                       orthoOffCenterRH(0.0f, width, 0.0f, height, 0.0f, 1.0f)));
  VK_DX(d.setTextureStageState(0, gfx::StageState::ColorOp,
                               static_cast<std::uint32_t>(gfx::TextureOp::Disable)));
  VK_DX(d.setRenderState(RenderState::FillMode, static_cast<std::uint32_t>(gfx::Fill::Wireframe)));
  VK_DX(d.setRenderState(RenderState::Lighting, 0));
  VK_DX(d.setRenderState(RenderState::ZEnable, 0));
  VK_DX(d.setVertexFormat(kScreenVertexFvf));
  VK_DX(d.setStreamSource(_borderBuffer.get(), sizeof(ScreenVertex)));
  // One closed line strip per line of the border, from the outside in, through pixel centres.
  for (int i = 0; i < _borderWidth; ++i) {
    const float x0 = static_cast<float>(i) + 0.5f;
    const float y0 = x0;
    const float x1 = width - 0.5f - static_cast<float>(i);
    const float y1 = height - 0.5f - static_cast<float>(i);
    auto* v = static_cast<ScreenVertex*>(_borderBuffer->lock(0, 0, 0));
    if (!VK_DX(v != nullptr)) break;
    v[0] = ScreenVertex{x0, y0, 0.0f, colour, 0.0f, 0.0f};
    v[1] = ScreenVertex{x0, y1, 0.0f, colour, 0.0f, 0.0f};
    v[2] = ScreenVertex{x1, y1, 0.0f, colour, 0.0f, 0.0f};
    v[3] = ScreenVertex{x1, y0, 0.0f, colour, 0.0f, 0.0f};
    v[4] = ScreenVertex{x0, y0, 0.0f, colour, 0.0f, 0.0f};
    VK_DX(_borderBuffer->unlock());
    VK_DX(d.drawPrimitive(gfx::Primitive::LineStrip, 0, 4));
  }
  VK_DX(d.setTextureStageState(0, gfx::StageState::ColorOp,
                               static_cast<std::uint32_t>(gfx::TextureOp::Modulate)));
  VK_DX(d.setRenderState(RenderState::FillMode, static_cast<std::uint32_t>(gfx::Fill::Solid)));
  VK_DX(d.setRenderState(RenderState::Lighting, 1));
  VK_DX(d.setRenderState(RenderState::ZEnable, 1));
}

void Viewport::setBorder(bool on, int width, float red, float green, float blue) {
  _border = on;
  _borderWidth = width;
  _borderRed = red;
  _borderGreen = green;
  _borderBlue = blue;
}

Layer* Viewport::layer(int slot) const {
  if (slot < 0 || slot >= kLayerCount) return nullptr;
  return _layers[static_cast<std::size_t>(slot)].get();
}

void Viewport::setLayer(int slot, Owned<Layer> layer) {
  if (slot < 0 || slot >= kLayerCount) return;
  _layers[static_cast<std::size_t>(slot)] = std::move(layer);
}

void Viewport::setRectEffect(Owned<ViewportEffect> effect) {
  _rectEffect = std::move(effect);
}

void Viewport::clearLayers() {
  for (Owned<Layer>& layer : _layers)
    layer.reset();
  _visible = false;
}

// A scene and a picture may share a name: each removal only takes layers of its own kind.
void Viewport::removeLayersShowingScene(std::string_view name) {
  for (Owned<Layer>& layer : _layers) {
    if (!layer) continue;
    if (layer->isSceneLayer()) {
      const auto& sceneLayer = static_cast<const SceneLayer&>(*layer);
      if (sceneLayer.shows(name) || sceneLayer.looksThroughScene(name)) {
        layer.reset();
        continue;
      }
    }
    const auto* effect = dynamic_cast<const Effect3DS*>(layer->effect());
    if (effect && effect->targets(name)) layer->setEffect(nullptr);
  }
}

void Viewport::removeLayersShowingPicture(std::string_view name) {
  for (Owned<Layer>& layer : _layers) {
    if (layer && !layer->isSceneLayer() && layer->shows(name)) layer.reset();
  }
}

void Viewport::showEndPicture() {
  _layers[3].reset();
  Graph* end = safeCast<Graph>(EventTarget::find("end"));
  if (!end) return;
  Owned<Layer> layer = make<ImageLayer>(here(), *_renderer, 1.0f, *end);
  layer->setEffect(make<EffectFade>(here(), kEndFadeSeconds, 0.0f, 1.0f));
  _layers[3] = std::move(layer);
  _visible = true;
}

std::int32_t Viewport::processEvent(const Event& event) {
  switch (event.getCode()) {
    case VK_VIEWPORT_SET_RECT:
      onSetRect(event);
      break;
    case VK_VIEWPORT_SHOW:
      _visible = true;
      break;
    case VK_VIEWPORT_HIDE:
      _visible = false;
      break;
    case VK_VIEWPORT_CLEAR:
      clearLayers();
      break;
    case VK_VIEWPORT_SCENE_LAYER:
      onSceneLayer(event);
      break;
    case VK_VIEWPORT_IMAGE_LAYER:
      onImageLayer(event);
      break;
    case VK_VIEWPORT_CAMERA:
      onCamera(event);
      break;
    case VK_VIEWPORT_REMOVE_LAYER:
      onRemoveLayer(event, "invalid num layer");
      break;
    case VK_VIEWPORT_RECT_ANIM:
      onRectAnim(event);
      break;
    case VK_VIEWPORT_SHAKE:
      onShake(event);
      break;
    case VK_VIEWPORT_REMOVE_3DS_LAYER:
      onRemoveLayer(event, "3DS effect error: invalid num layer");
      break;
    case VK_VIEWPORT_NO_EFFECT:
      onNoEffect(event);
      break;
    case VK_VIEWPORT_FADE:
      onFade(event);
      break;
    case VK_VIEWPORT_FLASH:
      onFlash(event);
      break;
    case VK_VIEWPORT_CROSS_FADE:
      onCrossFade(event);
      break;
    case VK_VIEWPORT_MOTION_BLUR:
      onMotionBlur(event);
      break;
    case VK_VIEWPORT_3DS_EFFECT:
      on3DS(event);
      break;
    case VK_VIEWPORT_FOG:
      onFog(event);
      break;
    default:
      return EventTarget::processEvent(event);
  }
  return VK_EVENT_PROCESSED;
}

void Viewport::onSetRect(const Event& event) {
  const double w = screenWidth(), h = screenHeight();
  setBorder(event.getBool(4), event.getInt(5), event.getFloat(6), event.getFloat(7),
            event.getFloat(8));
  setRect(truncToInt(event.getFloat(0) * w), truncToInt(event.getFloat(1) * h),
          truncToInt(event.getFloat(2) * w), truncToInt(event.getFloat(3) * h), 1.0f);
}

void Viewport::onSceneLayer(const Event& event) {
  int slot = 0;
  float alpha = 0;
  if (!layerSlotAndAlpha(event, slot, alpha)) return;
  const std::string name = event.getString(2);
  Scene* scene = safeCast<Scene>(EventTarget::find(name));
  if (!scene) return;
  // A scene without cameras gets a layer without one: its drawing reports it.
  Camera* camera = scene->cameras().empty() ? nullptr : scene->cameras().front();
  setLayer(slot, make<SceneLayer>(here(), *_renderer, alpha, scene, camera, name));
}

void Viewport::onCamera(const Event& event) {
  const int slot = event.getInt(0);
  if (!checkSlot(slot, "invalid num layer")) return;
  Layer* target = layer(slot);
  if (!target || !target->isSceneLayer()) {
    fatal("Error : trying to put a camera on a layer without a scene", here());
    return;
  }
  Camera* camera = safeCast<Camera>(EventTarget::find(event.getString(1)));
  if (!camera) return;
  static_cast<SceneLayer*>(target)->setCamera(camera);
}

void Viewport::onImageLayer(const Event& event) {
  int slot = 0;
  float alpha = 0;
  if (!layerSlotAndAlpha(event, slot, alpha)) return;
  Graph* picture = safeCast<Graph>(EventTarget::find(event.getString(2)));
  if (!picture) return;
  setLayer(slot, make<ImageLayer>(here(), *_renderer, alpha, *picture));
}

void Viewport::onRemoveLayer(const Event& event, const char* rangeError) {
  const int slot = event.getInt(0);
  if (!checkSlot(slot, rangeError)) return;
  setLayer(slot, nullptr);
}

void Viewport::onRectAnim(const Event& event) {
  const double w = screenWidth(), h = screenHeight();
  auto rect = [&](std::size_t first) {
    return PixelRect{
        truncToInt(event.getFloat(first) * w), truncToInt(event.getFloat(first + 1) * h),
        truncToInt(event.getFloat(first + 2) * w), truncToInt(event.getFloat(first + 3) * h)};
  };
  const PixelRect from = rect(0);
  const float fromAlpha = event.getFloat(4);
  const PixelRect to = rect(5);
  const float toAlpha = event.getFloat(9);
  setRectEffect(
      make<ViewportEffectAnim1>(here(), event.getFloat(10), from, fromAlpha, to, toAlpha));
}

void Viewport::onShake(const Event& event) {
  const double w = screenWidth(), h = screenHeight();
  auto pixels = [&](std::size_t num, double screen) {
    return static_cast<float>(truncToInt(event.getFloat(num) * screen));
  };
  setRectEffect(make<ViewportEffectAnim2>(here(), _rect, _alpha, pixels(0, w), pixels(1, h),
                                          pixels(2, w), pixels(3, h), event.getFloat(4),
                                          event.getFloat(5)));
}

Layer* Viewport::effectLayer(int slot, const char* effectName) {
  Layer* target = _layers[static_cast<std::size_t>(slot)].get();
  VK_ASSERT(target != nullptr, "_layers[numLayer] != NULL",
            effectName << " effect error : no layer in slot " << slot << " of viewport "
                       << static_cast<int>(_index));
  return target;
}

void Viewport::onNoEffect(const Event& event) {
  const int slot = event.getInt(0);
  if (!checkSlot(slot, "invalid num layer")) return;
  // An empty slot has no effect to remove.
  if (Layer* target = layer(slot)) target->setEffect(nullptr);
}

void Viewport::onFade(const Event& event) {
  const int slot = event.getInt(0);
  if (!checkSlot(slot, "Fade effect error : invalid num layer")) return;
  const float duration = event.getFloat(1);
  const float initialAlpha = event.getFloat(2);
  const float finalAlpha = event.getFloat(3);
  if (!inRange(duration, 0.0f, kMaxEffectSeconds)) {
    fatal("Fade effect error : invalid fade time (must be in [0..60sec])", here());
    return;
  }
  if (!inRange(initialAlpha, 0.0f, 1.0f)) {
    fatal("Fade effect error : invalid initial alpha (must be in [0..1])", here());
    return;
  }
  if (!inRange(finalAlpha, 0.0f, 1.0f)) {
    fatal("Fade effect error : invalid final alpha (must be in [0..1])", here());
    return;
  }
  Layer* target = effectLayer(slot, "Fade");
  if (!target) return;
  target->setEffect(make<EffectFade>(here(), duration, initialAlpha, finalAlpha));
}

void Viewport::onFlash(const Event& event) {
  const int slot = event.getInt(0);
  if (!checkSlot(slot, "Flash effect error : invalid num layer")) return;
  const float duration = event.getFloat(1);
  if (!inRange(duration, 0.0f, kMaxEffectSeconds)) {
    fatal("Flash effect error : invalid flash time (must be in [0..60sec])", here());
    return;
  }
  Layer* target = effectLayer(slot, "Flash");
  if (!target) return;
  target->setEffect(make<EffectFlash>(here(), duration));
}

void Viewport::onCrossFade(const Event& event) {
  const int slot = event.getInt(0);
  if (!checkSlot(slot, "Cross fade effect error : invalid num layer")) return;
  const float duration = event.getFloat(1);
  const int function = event.getInt(4);
  if (!inRange(duration, 0.0f, kMaxEffectSeconds)) {
    fatal("Cross fade effect error : invalid fade time (must be in [0..60sec])", here());
    return;
  }
  if (function < 0 || function > 2) {
    fatal("Cross fade effect error : invalid cross fade function (must be 0, 1 or 2)", here());
    return;
  }
  Layer* target = effectLayer(slot, "Cross fade");
  if (!target) return;
  target->setEffect(
      make<EffectCrossFade>(here(), duration, event.getString(2), event.getBool(3), function));
}

void Viewport::onMotionBlur(const Event& event) {
  const int slot = event.getInt(0);
  if (!checkSlot(slot, "Motion blur effect error : invalid num layer")) return;
  const float strength = event.getFloat(1);
  if (!inRange(strength, 0.0f, kMaxBlurStrength)) {
    fatal("Motion blur effect error : invalid blur strengh (must be in [0..0.9]", here());
    return;
  }
  Layer* target = effectLayer(slot, "Motion blur");
  if (!target) return;
  target->setEffect(make<EffectMotionBlur>(here(), strength));
}

void Viewport::on3DS(const Event& event) {
  const int slot = event.getInt(0);
  if (!checkSlot(slot, "3DS effect error: invalid num layer")) return;
  Layer* target = effectLayer(slot, "3DS");
  if (!target) return;
  target->setEffect(
      make<Effect3DS>(here(), event.getString(1), event.getString(2), event.getFloat(3)));
}

void Viewport::onFog(const Event& event) {
  const int slot = event.getInt(0);
  if (!checkSlot(slot, "Fog effect error : invalid num layer")) return;
  const float fogTime = event.getFloat(1);
  const float entryLength = event.getFloat(2);
  const float fogLength = event.getFloat(3);
  if (!(fogTime >= 0.0f)) {
    fatal("Fog effect error : invalid fog time (must be > 0 sec)", here());
    return;
  }
  if (!(entryLength + fogLength < fogTime)) {
    fatal("Fog effect error : invalid fog length (fogTime must be > entryLength+fogLength)",
          here());
    return;
  }
  Layer* target = effectLayer(slot, "Fog");
  if (!target) return;
  target->setEffect(make<EffectFog>(here(), fogTime, entryLength, fogLength, event.getBool(4),
                                    event.getFloat(5), event.getFloat(6), event.getFloat(7)));
}

}  // namespace vesk
