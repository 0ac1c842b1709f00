#include "world/scene/Skin.h"

#include <algorithm>
#include <optional>
#include <set>
#include <span>

#include "base/Log.h"
#include "base/Text.h"
#include "world/scene/Group.h"
#include "world/scene/Scene.h"

namespace vesk {

namespace {

// A link in the file: bone handle, offset x, y, z, weight.
constexpr std::uint64_t kLinkBytes = 4 + 3 * 4 + 4;

}  // namespace

bool Skin::load(BinaryInput& in) {
  if (!loadMesh(in)) return false;
  in >> _materialId;
  const std::uint32_t vertexCount = _mesh->vertexCount();
  _links.clear();
  _firstLink.assign(1, 0);
  _firstLink.reserve(std::size_t{vertexCount} + 1);
  for (std::uint32_t v = 0; v < vertexCount && !in.failed(); ++v) {
    std::uint32_t count = 0;
    in >> count;
    // Nothing is reserved for links the rest of the file cannot hold.
    if (in.failed() || !bytesLeft(in, std::uint64_t{count} * kLinkBytes)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      Link link;
      in >> link.handle >> link.offset.x >> link.offset.y >> link.offset.z >> link.weight;
      _links.push_back(link);
    }
    _firstLink.push_back(static_cast<std::uint32_t>(_links.size()));
  }
  if (in.failed()) return false;
  _resolved = false;
  return RenderableNode::load(in);
}

void Skin::resolve() {
  _resolved = true;
  // Without a scene there is no handle table: every link stays without its node.
  auto* owner = dynamic_cast<Scene*>(scene());
  std::set<std::int32_t> missing;
  for (Link& link : _links) {
    link.node = owner ? owner->getNodeByHandle(link.handle) : nullptr;
    if (!link.node) {
      // One line per handle, however many vertices name it.
      if (missing.insert(link.handle).second) {
        logLine(str("Skin ", getName(), ": no node has the handle ", link.handle,
                    "; its links are skipped"),
                here());
      }
      continue;
    }
    VK_ASSERT(dynamic_cast<Bone*>(link.node) != nullptr,
              "dynamic_cast<Bone*>(_vertices[i]._links[j]._bone)",
              "Skin uses a non-bone object. Is it intended ?");
  }
}

void Skin::skin() {
  if (!_mesh || _firstLink.empty()) return;
  if (!_resolved) resolve();
  std::span<MeshVertex> vertices = _mesh->vertices();
  const std::uint32_t count =
      static_cast<std::uint32_t>(std::min(vertices.size(), _firstLink.size() - 1));
  double sumX = 0, sumY = 0, sumZ = 0;
  for (std::uint32_t v = 0; v < count; ++v) {
    float x = 0, y = 0, z = 0;
    for (std::uint32_t l = _firstLink[v]; l < _firstLink[v + 1]; ++l) {
      const Link& link = _links[l];
      if (!link.node) continue;
      // The offset as a point (x, y, z, 1) through the world matrix, w ignored.
      const Matrix& m = link.node->_worldMatrix;
      const Vector3& o = link.offset;
      x += link.weight * (o.x * m.m[0][0] + o.y * m.m[1][0] + o.z * m.m[2][0] + m.m[3][0]);
      y += link.weight * (o.x * m.m[0][1] + o.y * m.m[1][1] + o.z * m.m[2][1] + m.m[3][1]);
      z += link.weight * (o.x * m.m[0][2] + o.y * m.m[1][2] + o.z * m.m[2][2] + m.m[3][2]);
    }
    vertices[v].position = {x, y, z};
    sumX += x, sumY += y, sumZ += z;
  }
  // The sort transforms the centre by the node's world matrix: keep it in the skin's space.
  if (count != 0) {
    const Vector3 mean{static_cast<float>(sumX / count), static_cast<float>(sumY / count),
                       static_cast<float>(sumZ / count)};
    if (const std::optional<Matrix> inverse = affineInverse(_worldMatrix))
      _centre = transformPoint(mean, *inverse);
  }
  // Rewrites the whole vertex buffer, locked with the discard flag.
  _mesh->computeNormals();
}

void Skin::draw(DrawContext& context) {
  if (!_mesh) return;
  skin();
  if (!VK_DX(context.device->setTransform(gfx::TransformType::World, Matrix::identity()))) return;
  _mesh->draw();
}

}  // namespace vesk
