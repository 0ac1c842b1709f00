// The triangles of one drawable object: a copy in system memory and the device's vertex and
// index buffers, made once while the scene loads. Indices are 16-bit, or 32-bit for a mesh
// with more vertices than 16 bits can name (MeshBuffers.h), in memory as in the device. Meshes
// belong to their scene's bank of the resource cache.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/BinaryInput.h"
#include "render/DXObject.h"
#include "world/scene/MeshRecord.h"

namespace vesk {

struct ShadowEdge;

class Mesh : public DXObject {
 public:
  // An empty mesh; `dynamic` buffers are also made dynamic (both loaders pass false).
  explicit Mesh(bool dynamic = false);
  Mesh(const Mesh&) = delete;
  Mesh& operator=(const Mesh&) = delete;
  ~Mesh() override = default;

  // Reads a mesh record, computes the normals when it has none and makes the buffers. False
  // once loading must stop (the error is reported). Call it once, on an empty mesh.
  bool load(BinaryInput& in);
  // Each vertex normal becomes the mean of the unit normals of its faces, a degenerate face
  // counting without contributing; the vertex buffer, if there is one, is written again.
  void computeNormals();
  // The vertex and index buffers from the system-memory copy. False after a fatal error.
  bool createBuffers();
  // Draws the triangles with the current world transform.
  void draw();
  // The edges of the faces, each once, with the normals of the faces on either side, for the
  // shadow volumes. Logs the count.
  std::vector<ShadowEdge> buildEdges() const;

  // The mean of all vertex positions (zero without vertices).
  Vector3 centre() const;
  // The position of vertex `num`; zero, after an assertion, past the last vertex.
  Vector3 vertexPosition(std::uint32_t num) const;

  std::uint32_t vertexCount() const { return _numVertex; }
  std::uint32_t indexCount() const { return _numIndex; }
  std::uint32_t channelCount() const { return _numChannels; }
  std::span<const MeshVertex> vertices() const { return {vertexData(), _numVertex}; }
  // The system-memory copy, for a skin that moves the vertices before `computeNormals`
  // writes them to the buffer again.
  std::span<MeshVertex> vertices() { return {vertexData(), _numVertex}; }
  // Index `i` of the triangle list (below indexCount()).
  std::uint32_t index(std::uint32_t i) const {
    return _wideIndices ? wideIndexData()[i] : indexData()[i];
  }
  gfx::VertexBuffer* vertexBuffer() const { return _vertexBuffer.get(); }
  gfx::IndexBuffer* indexBuffer() const { return _indexBuffer.get(); }

 private:
  // Reads the faces in the mesh's index width. False when a face names a vertex past the last.
  bool readFaces(BinaryInput& in, std::uint32_t faceCount);
  // The system-memory copies live in recorded blocks (plain values, zeroed when made).
  MeshVertex* vertexData() const { return reinterpret_cast<MeshVertex*>(_vertices.get()); }
  std::uint16_t* indexData() const { return reinterpret_cast<std::uint16_t*>(_indices.get()); }
  std::uint32_t* wideIndexData() const { return reinterpret_cast<std::uint32_t*>(_indices.get()); }

  Bytes _vertices;
  std::uint32_t _numVertex = 0;
  Bytes _indices;
  std::uint32_t _numIndex = 0;
  bool _wideIndices = false;  // 32-bit
  Owned<gfx::VertexBuffer> _vertexBuffer;
  Owned<gfx::IndexBuffer> _indexBuffer;
  std::uint32_t _numChannels = 0;
  bool _dynamic;
};

}  // namespace vesk
