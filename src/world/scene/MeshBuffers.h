// The device buffers of meshes and grids, and their drawing.
//
// Triangle lists are drawn through 16-bit index buffers even when they have more vertices than 16
// bits can number. The triangles are cut into runs whose vertices lie within 65536 of the
// run's lowest one; each run is drawn with that vertex as the device's base vertex, so its
// indices, stored relative to the base, fit. A list whose vertices all fit is one run at base 0
// and is drawn exactly as a plain indexed list.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "gfx/Device.h"
#include "world/scene/MeshRecord.h"

namespace vesk {

struct IndexRun {
  std::uint32_t firstIndex = 0;  // into the index buffer
  std::uint32_t indexCount = 0;  // three per triangle
  std::uint32_t baseVertex = 0;  // added to every index of the run
  std::uint32_t vertexSpan = 0;  // vertices from the base the run may name
  bool operator==(const IndexRun&) const = default;
};

// How many vertices one 16-bit index reaches from its base.
inline constexpr std::uint32_t kIndexReach = 65536;

// Cuts a triangle list (absolute indices, three per triangle, each below `vertexCount`) into
// runs in list order, and writes the indices relative to their run's base into `relative`
// (as many as `indices`). A triangle whose own vertices lie kIndexReach or more apart cannot
// be drawn this way: it is written degenerate (three times its run's base) and draws nothing.
std::vector<IndexRun> cutIntoRuns(std::span<const std::uint32_t> indices, std::uint32_t vertexCount,
                                  std::uint16_t* relative);

// A default-pool vertex buffer (format 530) holding the vertices; null after the fatal error
// of a failing call.
Owned<gfx::VertexBuffer> makeVertexBuffer(std::span<const MeshVertex> vertices,
                                          std::uint32_t usage);
// A write-only default-pool index buffer holding the indices; null after the fatal error.
Owned<gfx::IndexBuffer> makeIndexBuffer(std::span<const std::uint16_t> indices);
// Copies the vertices over the buffer's contents, locked with `lockFlags`.
bool fillVertexBuffer(gfx::VertexBuffer& buffer, std::span<const MeshVertex> vertices,
                      std::uint32_t lockFlags);

// Draws the runs as triangle lists: stream 0 holds the vertices (stride 40, format 530), the
// index buffer is set at each run's base. Without a vertex buffer nothing is drawn, after a
// fatal error.
void drawRuns(gfx::VertexBuffer* vertices, gfx::IndexBuffer* indices,
              std::span<const IndexRun> runs);

}  // namespace vesk
