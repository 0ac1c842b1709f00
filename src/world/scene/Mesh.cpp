#include "world/scene/Mesh.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/Log.h"
#include "base/SceneFormat.h"
#include "base/Text.h"
#include "world/scene/MeshBuffers.h"
#include "world/scene/ShadowVolume.h"
#include "world/scene/VectorMath.h"

namespace vesk {

namespace {

// A zeroed recorded block of `count` values of T.
template <class T>
Bytes zeroedBlock(std::uint32_t count) {
  const std::size_t bytes = std::size_t{count} * sizeof(T);
  Bytes block = allocateBytes(bytes);
  if (block) std::memset(block.get(), 0, bytes);
  return block;
}

// Points closer than this (squared distance) are the same corner.
constexpr float kSameCornerSquared = 0.0001f;

bool sameCorner(const Vector3& p, const Vector3& q) {
  const Vector3 d = p - q;
  return dot(d, d) < kSameCornerSquared;
}

}  // namespace

Mesh::Mesh(bool dynamic) : _dynamic(dynamic) {}

bool Mesh::load(BinaryInput& in) {
  std::uint32_t vertexCount = 0, faceCount = 0;
  in >> vertexCount;
  if (vertexCount > kSceneMaxMeshVertices) logLine("Too many vertices in mesh object", here());
  in >> faceCount;
  MeshLayout layout;
  if (in.failed() || !readMeshLayout(in, layout)) return false;
  _numChannels = layout.channelCount;

  // Nothing is allocated for counts the rest of the file cannot hold.
  const std::uint64_t recordBytes =
      std::uint64_t{vertexCount} * layout.entryBytes() + std::uint64_t{faceCount} * kFaceEntryBytes;
  if (!bytesLeft(in, recordBytes)) return false;

  _vertices = zeroedBlock<MeshVertex>(vertexCount);
  if (!_vertices) {
    fatal(str("Out of memory for a mesh of ", vertexCount, " vertices"), here());
    return false;
  }
  _numVertex = vertexCount;
  for (MeshVertex& vertex : std::span(vertexData(), _numVertex))
    readVertex(in, layout, vertex);
  if (!readFaces(in, faceCount)) return false;

  if (!layout.hasNormals) computeNormals();
  return createBuffers();
}

bool Mesh::readFaces(BinaryInput& in, std::uint32_t faceCount) {
  // The caller checked that the file holds the faces, so the count cannot wrap.
  const std::uint32_t count = faceCount * 3;
  _wideIndices = needs32BitIndices(_numVertex);
  _indices = _wideIndices ? zeroedBlock<std::uint32_t>(count) : zeroedBlock<std::uint16_t>(count);
  if (!_indices) {
    fatal(str("Out of memory for a mesh of ", faceCount, " faces"), here());
    return false;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t index = 0;
    in >> index;
    // A face naming a vertex the mesh does not have makes the file corrupt: drawing it would
    // read past the vertices.
    if (index >= _numVertex) {
      refuseFile(in);
      return false;
    }
    if (_wideIndices) {
      wideIndexData()[i] = index;
    } else {
      indexData()[i] = static_cast<std::uint16_t>(index);
    }
  }
  _numIndex = count;
  return true;
}

void Mesh::computeNormals() {
  std::span<MeshVertex> vertices(vertexData(), _numVertex);
  std::vector<std::uint32_t> faces(_numVertex, 0);
  for (MeshVertex& vertex : vertices)
    vertex.normal = {};
  for (std::uint32_t i = 0; i + 3 <= _numIndex; i += 3) {
    const std::uint32_t a = index(i), b = index(i + 1), c = index(i + 2);
    Vector3 n = cross(vertices[a].position - vertices[b].position,
                      vertices[c].position - vertices[b].position);
    if (length(n) != 0) {
      n = normalise(n);
      for (std::uint32_t v : {a, b, c})
        vertices[v].normal = vertices[v].normal + n;
    }
    for (std::uint32_t v : {a, b, c})
      ++faces[v];
  }
  for (std::uint32_t v = 0; v < _numVertex; ++v) {
    if (faces[v] == 0) continue;
    const float count = static_cast<float>(faces[v]);
    Vector3& normal = vertices[v].normal;
    normal = {normal.x / count, normal.y / count, normal.z / count};
  }
  if (_vertexBuffer) fillVertexBuffer(*_vertexBuffer, this->vertices(), gfx::LOCK_DISCARD);
}

bool Mesh::createBuffers() {
  VK_ASSERT(_numVertex != 0, "_numVertex != 0", "No vertex in mesh");
  VK_ASSERT(_numIndex != 0, "_numIndex != 0", "No face in mesh");
  const std::uint32_t usage =
      gfx::USAGE_WRITE_ONLY | (_dynamic ? std::uint32_t{gfx::USAGE_DYNAMIC} : 0);
  _vertexBuffer = makeVertexBuffer(vertices(), usage);
  if (!_vertexBuffer) return false;
  _indexBuffer = _wideIndices ? makeIndexBuffer(std::span(wideIndexData(), _numIndex))
                              : makeIndexBuffer(std::span(indexData(), _numIndex));
  return _indexBuffer != nullptr;
}

void Mesh::draw() {
  drawTriangleList(_vertexBuffer.get(), _indexBuffer.get(), _numVertex, _numIndex);
}

Vector3 Mesh::centre() const {
  if (_numVertex == 0) return {};
  double x = 0, y = 0, z = 0;
  for (const MeshVertex& vertex : vertices()) {
    x += vertex.position.x;
    y += vertex.position.y;
    z += vertex.position.z;
  }
  const double count = _numVertex;
  return {static_cast<float>(x / count), static_cast<float>(y / count),
          static_cast<float>(z / count)};
}

Vector3 Mesh::vertexPosition(std::uint32_t num) const {
  // The check keeps its old text; it refuses the index one past the last vertex too.
  VK_ASSERT(num < _numVertex, "(num <= _numVertex)", "error in indice");
  if (num >= _numVertex) return {};
  return vertexData()[num].position;
}

// Made once per caster after loading, so the quadratic search costs nothing while the show runs.
std::vector<ShadowEdge> Mesh::buildEdges() const {
  std::vector<ShadowEdge> edges;
  const std::span<const MeshVertex> corners = vertices();
  for (std::uint32_t i = 0; i + 3 <= _numIndex; i += 3) {
    const Vector3 p[3] = {corners[index(i)].position, corners[index(i + 1)].position,
                          corners[index(i + 2)].position};
    const Vector3 n = cross(p[0] - p[1], p[2] - p[1]);
    if (length(n) == 0) continue;
    const Vector3 unit = normalise(n);
    for (int k = 0; k < 3; ++k) {
      const Vector3& from = p[k];
      const Vector3& to = p[(k + 1) % 3];
      // A neighbour runs along the same edge the other way.
      auto shared = std::find_if(edges.begin(), edges.end(), [&](const ShadowEdge& edge) {
        return sameCorner(edge.a, to) && sameCorner(edge.b, from);
      });
      if (shared != edges.end()) {
        shared->secondNormal = unit;
      } else {
        edges.push_back({from, to, unit, {}});
      }
    }
  }
  logLine(str("Number of edges ", edges.size()), here());
  return edges;
}

}  // namespace vesk
