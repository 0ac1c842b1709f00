// A regular grid of W × H vertices over a quad, whose heights are rewritten every frame: the
// surface the water draws. Its vertex buffer is dynamic; border vertices keep their built
// position and normal. A grid of more than 65536 vertices takes 32-bit indices (MeshBuffers.h).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "base/BinaryInput.h"
#include "render/DXObject.h"
#include "world/scene/MeshRecord.h"

namespace vesk {

class Grid : public DXObject {
 public:
  // W vertices per row, H rows.
  Grid(std::uint32_t width, std::uint32_t height);
  Grid(const Grid&) = delete;
  Grid& operator=(const Grid&) = delete;
  ~Grid() override = default;

  // Reads a grid record (a mesh record of one quad), logs its corners, takes the quad's axes as
  // the basis and its mean corner as the centre, and builds the grid on the quad seen in that
  // basis. False once loading must stop (the error is reported).
  bool load(BinaryInput& in);
  // Builds the vertices and triangles on the quad c0, c1 = c0 + U, c2 = c0 + V and makes the
  // buffers. A grid without cells (W or H below 2) has no buffers and draws nothing.
  bool build(const Vector3& c0, const Vector3& c1, const Vector3& c2);
  // W × H heights, row-major: the interior vertices take their height as z and the normal of
  // the height field's slope. Nothing is written when H is 1 or 2.
  bool setHeights(std::span<const float> heights);
  void draw();

  std::uint32_t width() const { return _width; }
  std::uint32_t height() const { return _height; }
  float gradientScaleX() const { return _gradientScaleX; }
  float gradientScaleY() const { return _gradientScaleY; }
  // Rows: the unit axes of the loaded quad (edge 0 to 1, edge 0 to 2, their normal).
  const Matrix& basis() const { return _basis; }
  // The mean of the loaded quad's corners.
  const Vector3& centre() const { return _centre; }
  // The corners of the last `build` (a copy of the grid is built on them again).
  const std::array<Vector3, 3>& builtCorners() const { return _builtCorners; }
  gfx::VertexBuffer* vertexBuffer() const { return _vertexBuffer.get(); }
  gfx::IndexBuffer* indexBuffer() const { return _indexBuffer.get(); }

 private:
  bool makeBuffers(std::span<const MeshVertex> vertices, std::span<const std::uint32_t> indices);

  std::uint32_t _width;
  std::uint32_t _height;
  float _gradientScaleX = 0;
  float _gradientScaleY = 0;
  Owned<gfx::VertexBuffer> _vertexBuffer;
  Owned<gfx::IndexBuffer> _indexBuffer;
  std::uint32_t _indexCount = 0;
  Matrix _basis;
  Vector3 _centre;
  std::array<Vector3, 3> _builtCorners{};
};

}  // namespace vesk
