#include "world/scene/Shape.h"

#include "world/material/ResourceCache.h"

namespace vesk {

void Shape::attach() {
  attachToMaterial(_materialId);
}

void Shape::detach() {
  detachFromMaterial();
}

bool Shape::load(BinaryInput& in) {
  if (!loadMesh(in)) return false;
  _centre = _mesh->centre();
  in >> _materialId;
  if (in.failed()) return false;
  return RenderableNode::load(in);
}

bool Shape::loadMesh(BinaryInput& in) {
  ResourceCache* cache = ResourceCache::instance();
  if (!cache) {
    fatal("Shape: no resource cache to keep the mesh", here());
    return false;
  }
  const std::uint32_t bank = scene() ? scene()->resourceBank() : kApplicationBank;
  // The bank owns the mesh from now on, loaded or not.
  auto* mesh = static_cast<Mesh*>(cache->keepMesh(bank, make<Mesh>(here(), false)));
  if (!mesh || !mesh->load(in)) return false;
  _mesh = mesh;
  return true;
}

void Shape::draw(DrawContext& context) {
  if (!_mesh) return;
  if (!VK_DX(context.device->setTransform(gfx::TransformType::World, _worldMatrix))) return;
  _mesh->draw();
}

}  // namespace vesk
