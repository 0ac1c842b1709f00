#include "world/scene/Light.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "world/scene/Scene.h"
#include "world/scene/Shape.h"
#include "world/scene/VectorMath.h"

namespace vesk {

namespace {

constexpr float kInitialRange = 1000000000.0f;
// A light closer than this to its last place in every coordinate has not moved.
constexpr float kLightMoved = 0.000001f;
// How far the silhouette is pushed away from the light: this many times its distance from it.
constexpr float kExtrusion = 100;

bool moved(const Vector3& now, const Vector3& before) {
  return std::fabs(now.x - before.x) > kLightMoved || std::fabs(now.y - before.y) > kLightMoved ||
         std::fabs(now.z - before.z) > kLightMoved;
}

std::uint32_t word(auto value) {
  return static_cast<std::uint32_t>(value);
}

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
  _loadedLight = _light;
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

void Light::restoreLoaded() {
  Node::restoreLoaded();
  _light = _loadedLight;
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

bool Light::buildShadows(Scene& scene) {
  for (ShadowCaster& caster : _shadowCasters) {
    auto* shape = safeCast<Shape>(scene.getNodeByHandle(caster.handle), here());
    if (!shape) {
      fatal("Only Shape node can project shadow", here());
      return false;
    }
    caster.shape = shape;
    caster.edges = shape->mesh() ? shape->mesh()->buildEdges() : std::vector<ShadowEdge>{};
    caster.volume.clear();
  }
  return true;
}

void Light::updateShadows() {
  for (ShadowCaster& caster : _shadowCasters) {
    if (!caster.shape) continue;
    // A caster scaled to nothing has no space to see the light in: its volume stays.
    const std::optional<Matrix> toShape = affineInverse(caster.shape->_worldMatrix);
    if (!toShape) continue;
    const Vector3 light = transformPoint(_position, *toShape);
    if (!moved(light, caster.lastLightPosition)) continue;
    caster.lastLightPosition = light;
    caster.volume.clear();
    for (const ShadowEdge& edge : caster.edges) {
      const Vector3 toA = edge.a - light, toB = edge.b - light;
      const Vector3 middle = (toA + toB) * 0.5f;
      // Seen from the light, one of the two faces turns towards it and the other away.
      if ((dot(middle, edge.firstNormal) >= 0) != (dot(middle, edge.secondNormal) >= 0))
        caster.volume.addEdge(edge.a, edge.b, toA * kExtrusion, toB * kExtrusion);
    }
  }
}

void Light::drawShadows(DrawContext& context, gfx::VertexBuffer* buffer) {
  updateShadows();
  if (!buffer) return;
  using gfx::RenderState;
  gfx::Device& device = *context.device;
  // Only the stencil changes: every side seen in front of the surface inverts it, and the
  // blend keeps the colour buffer as it is.
  const std::pair<RenderState, std::uint32_t> sides[] = {
      {RenderState::ZWriteEnable, 0},
      {RenderState::StencilEnable, 1},
      {RenderState::ShadeMode, word(gfx::Shade::Flat)},
      {RenderState::StencilFunc, word(gfx::Compare::Always)},
      {RenderState::StencilFail, word(gfx::StencilOp::Keep)},
      {RenderState::StencilZFail, word(gfx::StencilOp::Keep)},
      {RenderState::StencilRef, 1},
      {RenderState::StencilMask, 0xFFFFFFFF},
      {RenderState::StencilWriteMask, 0xFFFFFFFF},
      {RenderState::StencilPass, word(gfx::StencilOp::Invert)},
      {RenderState::CullMode, word(gfx::Cull::None)},
      {RenderState::SrcBlend, word(gfx::Blend::Zero)},
      {RenderState::DestBlend, word(gfx::Blend::One)},
  };
  for (const auto& [state, value] : sides)
    VK_DX(device.setRenderState(state, value));
  VK_DX(device.setVertexFormat(gfx::FVF_XYZ));

  for (const ShadowCaster& caster : _shadowCasters) {
    if (!caster.shape) continue;
    VK_DX(device.setTransform(gfx::TransformType::World, caster.shape->_worldMatrix));
    caster.volume.draw(device, *buffer);
  }

  const std::pair<RenderState, std::uint32_t> restored[] = {
      {RenderState::ShadeMode, word(gfx::Shade::Gouraud)},
      {RenderState::CullMode, word(gfx::Cull::CounterClockwise)},
      {RenderState::ZWriteEnable, 1},
      {RenderState::StencilEnable, 0},
      {RenderState::SrcBlend, word(gfx::Blend::SrcAlpha)},
      {RenderState::DestBlend, word(gfx::Blend::InvSrcAlpha)},
  };
  for (const auto& [state, value] : restored)
    VK_DX(device.setRenderState(state, value));
}

}  // namespace vesk
