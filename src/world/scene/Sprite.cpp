#include "world/scene/Sprite.h"

#include <algorithm>

namespace vesk {

namespace {

// The vertex of a sprite: position and diffuse colour (XYZ | DIFFUSE, 16 bytes).
struct PointVertex {
  float x, y, z;
  std::uint32_t colour;
};
static_assert(sizeof(PointVertex) == 16);

}  // namespace

void Sprite::attach() {
  attachToMaterial(_materialId);
}

void Sprite::detach() {
  detachFromMaterial();
}

bool Sprite::load(BinaryInput& in) {
  in >> _size >> _materialId;
  if (in.failed()) return false;
  _alpha = 1.0f;
  _centre = {0, 0, 0};
  return RenderableNode::load(in);
}

std::uint32_t Sprite::colour() const {
  // An expired particle may be drawn no more, but its alpha is already below 0: keep the
  // conversion within a byte (NaN, from a lifetime of 0, gives 0).
  const float scaled = _alpha * 255.0f;
  const float byte = scaled > 0 ? std::min(scaled, 255.0f) : 0.0f;
  return static_cast<std::uint32_t>(byte) << 24;
}

void Sprite::draw(DrawContext& context) {
  gfx::Device& device = *context.device;
  const PointVertex vertex{_worldMatrix.m[3][0], _worldMatrix.m[3][1], _worldMatrix.m[3][2],
                           colour()};
  if (!VK_DX(device.setRenderState(gfx::RenderState::PointSize, gfx::floatState(_size))) ||
      !VK_DX(device.setVertexFormat(gfx::FVF_XYZ | gfx::FVF_DIFFUSE)) ||
      !VK_DX(device.setTransform(gfx::TransformType::World, Matrix::identity()))) {
    return;
  }
  VK_DX(device.drawPrimitiveUP(gfx::Primitive::PointList, 1, &vertex, sizeof vertex));
}

}  // namespace vesk
