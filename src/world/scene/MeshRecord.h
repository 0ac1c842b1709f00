// The vertex of meshes and grids, and the parts of a mesh record that both read alike: the
// texture channels, the vertex entries, and the refusal of counts the file cannot hold.
#pragma once

#include <cstdint>

#include "base/BinaryInput.h"
#include "gfx/Device.h"

namespace vesk {

// Position, normal, and the texture coordinates of channels 1 and 2 (40 bytes).
struct MeshVertex {
  Vector3 position;
  Vector3 normal;
  float uv[2][2] = {};  // u, v of channel 1, then of channel 2
};
static_assert(sizeof(MeshVertex) == 40);
inline constexpr std::uint32_t kMeshVertexFvf = gfx::FVF_XYZ | gfx::FVF_NORMAL | gfx::FVF_TEX2;
static_assert(kMeshVertexFvf == 530);

// What every vertex entry of a record holds besides its position.
struct MeshLayout {
  std::uint32_t channelCount = 0;
  bool hasNormals = false;

  // The bytes of one vertex entry in the file.
  std::uint32_t entryBytes() const { return 12 + 8 * channelCount + (hasNormals ? 12 : 0); }
};
// Three 32-bit vertex indices.
inline constexpr std::uint32_t kFaceEntryBytes = 12;

// Reads the channel count, the channel ids and the has-normals byte. False once loading must
// stop: more than two channels or a wrong id is a fatal error, a short file the reader's.
bool readMeshLayout(BinaryInput& in, MeshLayout& layout);

// Reads one vertex entry into `vertex`; channels the file lacks are left as they are.
void readVertex(BinaryInput& in, const MeshLayout& layout, MeshVertex& vertex);

// True when `bytes` more bytes are left to read. Otherwise the reader reports the file as
// corrupt (it is read to its end), so that a count larger than the file allocates nothing.
bool bytesLeft(BinaryInput& in, std::uint64_t bytes);

// Reads the rest of the file, so that the reader reports it as corrupt.
void refuseFile(BinaryInput& in);

}  // namespace vesk
