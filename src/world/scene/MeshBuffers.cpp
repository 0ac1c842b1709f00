#include "world/scene/MeshBuffers.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "render/DXObject.h"
#include "world/scene/MeshRecord.h"

namespace vesk {

namespace {

bool fits32(std::uint64_t bytes) {
  // Counts come from a file that holds them, so only a file of gigabytes could overflow.
  return VK_DX(bytes <= UINT32_MAX);
}

template <class Index>
Owned<gfx::IndexBuffer> makeIndexBufferOf(std::span<const Index> indices, gfx::Format format) {
  gfx::Device* device = DXObject::device();
  if (!VK_DX(device != nullptr) || !fits32(indices.size_bytes())) return nullptr;
  Owned<gfx::IndexBuffer> buffer =
      device->createIndexBuffer(static_cast<std::uint32_t>(indices.size_bytes()),
                                gfx::USAGE_WRITE_ONLY, format, gfx::Pool::Default);
  if (!VK_DX(buffer != nullptr)) return nullptr;
  void* locked = buffer->lock(0, 0, gfx::LOCK_NONE);
  if (!VK_DX(locked != nullptr)) return nullptr;
  std::memcpy(locked, indices.data(), indices.size_bytes());
  if (!VK_DX(buffer->unlock())) return nullptr;
  return buffer;
}

}  // namespace

Owned<gfx::VertexBuffer> makeVertexBuffer(std::span<const MeshVertex> vertices,
                                          std::uint32_t usage) {
  gfx::Device* device = DXObject::device();
  if (!VK_DX(device != nullptr) || !fits32(vertices.size_bytes())) return nullptr;
  Owned<gfx::VertexBuffer> buffer = device->createVertexBuffer(
      static_cast<std::uint32_t>(vertices.size_bytes()), usage, kMeshVertexFvf, gfx::Pool::Default);
  if (!VK_DX(buffer != nullptr) || !fillVertexBuffer(*buffer, vertices, gfx::LOCK_NONE)) {
    return nullptr;
  }
  return buffer;
}

Owned<gfx::IndexBuffer> makeIndexBuffer(std::span<const std::uint16_t> indices) {
  return makeIndexBufferOf(indices, gfx::Format::Index16);
}

Owned<gfx::IndexBuffer> makeIndexBuffer(std::span<const std::uint32_t> indices) {
  return makeIndexBufferOf(indices, gfx::Format::Index32);
}

Owned<gfx::IndexBuffer> makeIndexBuffer(std::span<const std::uint32_t> indices,
                                        std::uint32_t vertexCount) {
  if (needs32BitIndices(vertexCount)) return makeIndexBuffer(indices);
  std::vector<std::uint16_t> narrow(indices.size());
  std::transform(indices.begin(), indices.end(), narrow.begin(),
                 [](std::uint32_t index) { return static_cast<std::uint16_t>(index); });
  return makeIndexBuffer(std::span<const std::uint16_t>(narrow));
}

bool fillVertexBuffer(gfx::VertexBuffer& buffer, std::span<const MeshVertex> vertices,
                      std::uint32_t lockFlags) {
  void* locked = buffer.lock(0, 0, lockFlags);
  if (!VK_DX(locked != nullptr)) return false;
  std::memcpy(locked, vertices.data(), vertices.size_bytes());
  return VK_DX(buffer.unlock());
}

void drawTriangleList(gfx::VertexBuffer* vertices, gfx::IndexBuffer* indices,
                      std::uint32_t vertexCount, std::uint32_t indexCount) {
  if (!vertices) {
    fatal("!!VERTEX BUFFER IS NULL!! : normally the vertex buffer is created at loading of Mesh",
          here());
    return;
  }
  gfx::Device* device = DXObject::device();
  if (!VK_DX(device != nullptr) || !indices) return;
  if (!VK_DX(device->setStreamSource(vertices, sizeof(MeshVertex)))) return;
  if (!VK_DX(device->setVertexFormat(kMeshVertexFvf))) return;
  if (!VK_DX(device->setIndices(indices, 0))) return;
  VK_DX(device->drawIndexedPrimitive(gfx::Primitive::TriangleList, 0, vertexCount, 0,
                                     indexCount / 3));
}

}  // namespace vesk
