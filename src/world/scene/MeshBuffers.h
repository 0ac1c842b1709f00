// The device buffers of meshes and grids, and their drawing.
//
// A triangle list is one index buffer and one draw. Its indices are 16-bit while every vertex
// can be named that way, which keeps the memory and behaviour of ordinary meshes; larger lists
// take 32-bit indices.
#pragma once

#include <cstdint>
#include <span>

#include "gfx/Device.h"
#include "world/scene/MeshRecord.h"

namespace vesk {

// The most vertices a 16-bit index can name.
inline constexpr std::uint32_t kMax16BitVertices = 65536;

constexpr bool needs32BitIndices(std::uint32_t vertexCount) {
  return vertexCount > kMax16BitVertices;
}

// A default-pool vertex buffer (format 530) holding the vertices; null after the fatal error
// of a failing call.
Owned<gfx::VertexBuffer> makeVertexBuffer(std::span<const MeshVertex> vertices,
                                          std::uint32_t usage);
// A write-only default-pool index buffer holding the indices, in their own width (Index16 or
// Index32); null after the fatal error.
Owned<gfx::IndexBuffer> makeIndexBuffer(std::span<const std::uint16_t> indices);
Owned<gfx::IndexBuffer> makeIndexBuffer(std::span<const std::uint32_t> indices);
// 16-bit indices when `vertexCount` allows them, else 32-bit.
Owned<gfx::IndexBuffer> makeIndexBuffer(std::span<const std::uint32_t> indices,
                                        std::uint32_t vertexCount);
// Copies the vertices over the buffer's contents, locked with `lockFlags`.
bool fillVertexBuffer(gfx::VertexBuffer& buffer, std::span<const MeshVertex> vertices,
                      std::uint32_t lockFlags);

// Draws `indexCount` indices as a triangle list: stream 0 holds the vertices (stride 40, format
// 530). Without a vertex buffer nothing is drawn, after a fatal error.
void drawTriangleList(gfx::VertexBuffer* vertices, gfx::IndexBuffer* indices,
                      std::uint32_t vertexCount, std::uint32_t indexCount);

}  // namespace vesk
