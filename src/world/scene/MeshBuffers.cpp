#include "world/scene/MeshBuffers.h"

#include <algorithm>
#include <cstring>

#include "render/DXObject.h"
#include "world/scene/MeshRecord.h"

namespace vesk {

namespace {

bool reachable(std::uint32_t low, std::uint32_t high) {
  return high - low < kIndexReach;
}

}  // namespace

std::vector<IndexRun> cutIntoRuns(std::span<const std::uint32_t> indices, std::uint32_t vertexCount,
                                  std::uint16_t* relative) {
  const auto count = static_cast<std::uint32_t>(indices.size());
  if (vertexCount <= kIndexReach) {
    std::transform(indices.begin(), indices.end(), relative,
                   [](std::uint32_t index) { return static_cast<std::uint16_t>(index); });
    return {IndexRun{0, count, 0, vertexCount}};
  }

  std::vector<IndexRun> runs;
  IndexRun run;
  std::uint32_t low = 0, high = 0;
  bool empty = true;  // no drawable triangle in the run yet
  auto close = [&](std::uint32_t end) {
    run.indexCount = end - run.firstIndex;
    run.baseVertex = empty ? 0 : low;
    run.vertexSpan = empty ? 1 : high - low + 1;
    runs.push_back(run);
  };
  for (std::uint32_t first = 0; first + 3 <= count; first += 3) {
    const auto [lowest, highest] =
        std::minmax({indices[first], indices[first + 1], indices[first + 2]});
    if (!reachable(lowest, highest)) continue;  // written degenerate below
    if (!empty && !reachable(std::min(low, lowest), std::max(high, highest))) {
      close(first);
      run = IndexRun{first};
      empty = true;
    }
    low = empty ? lowest : std::min(low, lowest);
    high = empty ? highest : std::max(high, highest);
    empty = false;
  }
  close(count);

  for (const IndexRun& each : runs) {
    for (std::uint32_t i = each.firstIndex; i < each.firstIndex + each.indexCount; i += 3) {
      const std::uint32_t* triangle = &indices[i];
      const auto [lowest, highest] = std::minmax({triangle[0], triangle[1], triangle[2]});
      const bool drawable = reachable(lowest, highest);
      for (std::uint32_t k = 0; k < 3; ++k)
        relative[i + k] = static_cast<std::uint16_t>(drawable ? triangle[k] - each.baseVertex : 0);
    }
  }
  return runs;
}

namespace {

bool fits32(std::uint64_t bytes) {
  // Counts come from a file that holds them, so only a file of gigabytes could overflow.
  return VK_DX(bytes <= UINT32_MAX);
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
  gfx::Device* device = DXObject::device();
  if (!VK_DX(device != nullptr) || !fits32(indices.size_bytes())) return nullptr;
  Owned<gfx::IndexBuffer> buffer = device->createIndexBuffer(
      static_cast<std::uint32_t>(indices.size_bytes()), gfx::USAGE_WRITE_ONLY, gfx::Pool::Default);
  if (!VK_DX(buffer != nullptr)) return nullptr;
  void* locked = buffer->lock(0, 0, gfx::LOCK_NONE);
  if (!VK_DX(locked != nullptr)) return nullptr;
  std::memcpy(locked, indices.data(), indices.size_bytes());
  if (!VK_DX(buffer->unlock())) return nullptr;
  return buffer;
}

bool fillVertexBuffer(gfx::VertexBuffer& buffer, std::span<const MeshVertex> vertices,
                      std::uint32_t lockFlags) {
  void* locked = buffer.lock(0, 0, lockFlags);
  if (!VK_DX(locked != nullptr)) return false;
  std::memcpy(locked, vertices.data(), vertices.size_bytes());
  return VK_DX(buffer.unlock());
}

void drawRuns(gfx::VertexBuffer* vertices, gfx::IndexBuffer* indices,
              std::span<const IndexRun> runs) {
  if (!vertices) {
    fatal("!!VERTEX BUFFER IS NULL!! : normally the vertex buffer is created at loading of Mesh",
          here());
    return;
  }
  gfx::Device* device = DXObject::device();
  if (!VK_DX(device != nullptr) || !indices) return;
  if (!VK_DX(device->setStreamSource(vertices, sizeof(MeshVertex)))) return;
  if (!VK_DX(device->setVertexFormat(kMeshVertexFvf))) return;
  for (const IndexRun& run : runs) {
    if (!VK_DX(device->setIndices(indices, run.baseVertex))) return;
    if (!VK_DX(device->drawIndexedPrimitive(gfx::Primitive::TriangleList, 0, run.vertexSpan,
                                            run.firstIndex, run.indexCount / 3))) {
      return;
    }
  }
}

}  // namespace vesk
