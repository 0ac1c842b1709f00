#include "world/material/WireframeShader.h"

#include <algorithm>

#include "base/ShowClock.h"

namespace vesk {

namespace {

constexpr float kWireframePower = 30.0f;

}  // namespace

WireframeShader::WireframeShader(float duration, float startAlpha, float endAlpha, float red,
                                 float green, float blue)
    : _startAlpha(startAlpha), _endAlpha(endAlpha), _duration(duration) {
  _material.diffuse = {0, 0, 0, startAlpha};
  _material.ambient = {0, 0, 0, 1};
  _material.specular = {1, 1, 1, 1};
  _material.emissive = {red, green, blue, 1};
  _material.power = kWireframePower;
}

float WireframeShader::alphaAt(float now) const {
  // A fade of no duration (or a negative one from the script) is over at once, rather than a
  // division by zero handing the device an alpha that is not a number.
  float t = _duration > 0 ? std::min((now - _startTime) / _duration, 1.0f) : 1.0f;
  return _startAlpha + t * (_endAlpha - _startAlpha);
}

void WireframeShader::begin(DrawContext& context, Scene* /*scene*/, Camera* /*camera*/) {
  const float now = ShowClock::seconds();
  if (_startTime == 0) _startTime = now;
  _material.diffuse.a = alphaAt(now);
  gfx::Device* device = context.device;
  VK_DX(device->setTexture(0, nullptr));
  VK_DX(device->setRenderState(gfx::RenderState::FillMode, stateWord(gfx::Fill::Wireframe)));
  VK_DX(device->setRenderState(gfx::RenderState::ZEnable, 0));
  VK_DX(device->setMaterial(_material));
}

void WireframeShader::end(DrawContext& context, Scene* /*scene*/, Camera* /*camera*/) {
  gfx::Device* device = context.device;
  VK_DX(device->setRenderState(gfx::RenderState::FillMode, stateWord(gfx::Fill::Solid)));
  VK_DX(device->setRenderState(gfx::RenderState::ZEnable, 1));
}

}  // namespace vesk
