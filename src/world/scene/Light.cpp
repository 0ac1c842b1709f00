#include "world/scene/Light.h"

#include <algorithm>

namespace vesk {

namespace {

constexpr float kInitialRange = 1000000000.0f;

}  // namespace

Light::Light(SceneLinks* scene) : Node(scene) {
  _light.range = kInitialRange;
}

void Light::attach() {
  if (scene()) scene()->addLight(*this);
}

void Light::detach() {
  if (scene()) scene()->removeLight(*this);
}

bool Light::load(BinaryInput& in) {
  float r = 0, g = 0, b = 0;
  std::uint32_t shadowCount = 0;
  in >> r >> g >> b >> shadowCount;
  // Reserve no more than the file can hold, so a garbage count allocates nothing big.
  _shadowCasters.reserve(std::min<std::size_t>(shadowCount, (in.size() - in.position()) / 4));
  for (std::uint32_t i = 0; i < shadowCount && !in.failed(); ++i) {
    ShadowCaster caster;
    in >> caster.handle;
    if (!in.failed()) _shadowCasters.push_back(caster);
  }
  bool hasAttenuation = false;
  in >> hasAttenuation;
  float constant = 0, linear = 0, quadratic = 0, range = 0;
  if (hasAttenuation) in >> constant >> linear >> quadratic >> range;
  if (in.failed() || !Node::load(in)) return false;

  _light.type = gfx::LightType::Point;
  _light.diffuse = _light.specular = {r, g, b, 0};
  _light.ambient = {};
  _light.position = _position;
  if (hasAttenuation) {
    setAttenuation(constant, linear, quadratic);
    setRange(range);
  }
  return true;
}

void Light::setSlot(int slot) {
  _light.position = _position;
  gfx::Device* device = DXObject::device();
  if (!device) return;
  // As with the classic engine, a slot the device refuses does not stop the drawing.
  device->setLight(slot, _light);
  device->lightEnable(slot, true);
}

void Light::setColour(float r, float g, float b) {
  _light.diffuse = {r, g, b, _light.diffuse.a};
  _light.specular = {r, g, b, _light.specular.a};
  _light.ambient = {};
}

void Light::setRange(float range) {
  _light.range = range;
}

void Light::setAttenuation(float constant, float linear, float quadratic) {
  _light.attenuation0 = constant;
  _light.attenuation1 = linear;
  _light.attenuation2 = quadratic;
}

}  // namespace vesk
