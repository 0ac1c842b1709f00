#include "world/scene/Grid.h"

#include <vector>

#include "base/Log.h"
#include "base/Text.h"
#include "world/scene/MeshBuffers.h"
#include "world/scene/VectorMath.h"

namespace vesk {

Grid::Grid(std::uint32_t width, std::uint32_t height) : _width(width), _height(height) {}

bool Grid::load(BinaryInput& in) {
  std::uint32_t numVertex = 0, numFace = 0;
  in >> numVertex;
  VK_ASSERT(numVertex == 4, "numVertex == 4", "Too many vertices in grid object");
  in >> numFace;
  VK_ASSERT(numFace == 2, "numFace == 2", "Too many vertices in grid object");
  MeshLayout layout;
  if (in.failed() || !readMeshLayout(in, layout)) return false;
  if (!bytesLeft(in, std::uint64_t{numVertex} * layout.entryBytes() +
                         std::uint64_t{numFace} * kFaceEntryBytes)) {
    return false;
  }
  // A record that is not one quad is still read as its counts say, so that the file stays in
  // step; the first four vertices are the corners.
  Vector3 corners[4];
  for (std::uint32_t i = 0; i < numVertex; ++i) {
    MeshVertex vertex;
    readVertex(in, layout, vertex);
    if (i < 4) corners[i] = vertex.position;
  }
  for (std::uint32_t i = 0; i < numFace * 3; ++i) {
    std::uint32_t index = 0;
    in >> index;
  }
  if (in.failed()) return false;

  _centre = (corners[0] + corners[1] + corners[2] + corners[3]) * 0.25f;
  const Vector3 a1 = normalise(corners[1] - corners[0]);
  const Vector3 a2 = normalise(corners[2] - corners[0]);
  const Vector3 a3 = normalise(cross(a1, a2));
  _basis =
      Matrix{{{a1.x, a1.y, a1.z, 0}, {a2.x, a2.y, a2.z, 0}, {a3.x, a3.y, a3.z, 0}, {0, 0, 0, 1}}};
  for (Vector3& corner : corners) {
    logLine(str(corner.x, " ", corner.y, " ", corner.z), here());
    corner = {dot(corner, a1), dot(corner, a2), dot(corner, a3)};
  }
  return build(corners[0], corners[1], corners[2]);
}

bool Grid::build(const Vector3& c0, const Vector3& c1, const Vector3& c2) {
  _builtCorners = {c0, c1, c2};
  const Vector3 u = c1 - c0, v = c2 - c0;
  const Vector3 normal = normalise(cross(u, v));
  _gradientScaleX = static_cast<float>(_width) / length(u);
  _gradientScaleY = static_cast<float>(_height) / length(v);
  if (_width < 2 || _height < 2) return true;

  std::vector<MeshVertex> vertices(std::size_t{_width} * _height);
  for (std::uint32_t i = 0; i < _height; ++i) {
    for (std::uint32_t j = 0; j < _width; ++j) {
      // The fractions divide by W and H: the last row and column stop one cell short.
      const float s = static_cast<float>(j) / static_cast<float>(_width);
      const float t = static_cast<float>(i) / static_cast<float>(_height);
      MeshVertex& vertex = vertices[std::size_t{i} * _width + j];
      vertex.position = c0 + u * s + v * t;
      vertex.normal = normal;
      vertex.uv[0][0] = s;
      vertex.uv[0][1] = t;
    }
  }
  std::vector<std::uint32_t> indices;
  indices.reserve(std::size_t{_width - 1} * (_height - 1) * 6);
  for (std::uint32_t row = 0; row + 1 < _height; ++row) {
    for (std::uint32_t i = 0; i + 1 < _width; ++i) {
      const std::uint32_t top = row * _width + i, below = top + _width;
      indices.insert(indices.end(), {top, below, top + 1, top + 1, below, below + 1});
    }
  }
  return makeBuffers(vertices, indices);
}

bool Grid::makeBuffers(std::span<const MeshVertex> vertices,
                       std::span<const std::uint32_t> indices) {
  _vertexBuffer = makeVertexBuffer(vertices, gfx::USAGE_WRITE_ONLY | gfx::USAGE_DYNAMIC);
  if (!_vertexBuffer) return false;
  _indexBuffer = makeIndexBuffer(indices, static_cast<std::uint32_t>(vertices.size()));
  _indexCount = static_cast<std::uint32_t>(indices.size());
  return _indexBuffer != nullptr;
}

bool Grid::setHeights(std::span<const float> heights) {
  if (!_vertexBuffer) return true;
  const std::size_t w = _width;
  VK_ASSERT(heights.size() >= w * _height, "heights.size() >= W * H", "Too few heights for grid");
  if (heights.size() < w * _height) return false;
  void* locked = _vertexBuffer->lock(0, 0, gfx::LOCK_NONE);
  if (!VK_DX(locked != nullptr)) return false;
  if (_height != 1 && _height != 2) {
    auto* vertices = static_cast<MeshVertex*>(locked);
    auto h = [&](std::size_t i, std::size_t j) { return heights[i * w + j]; };
    for (std::size_t i = 1; i + 1 < _height; ++i) {
      for (std::size_t j = 1; j + 1 < w; ++j) {
        MeshVertex& vertex = vertices[i * w + j];
        vertex.position.z = h(i, j);
        vertex.normal = normalise({-(h(i, j + 1) - h(i, j - 1)) * _gradientScaleX,
                                   -(h(i + 1, j) - h(i - 1, j)) * _gradientScaleY, 1});
      }
    }
  }
  return VK_DX(_vertexBuffer->unlock());
}

void Grid::draw() {
  if (_width < 2 || _height < 2) return;
  drawTriangleList(_vertexBuffer.get(), _indexBuffer.get(), _width * _height, _indexCount);
}

}  // namespace vesk
