#include "world/scene/MeshRecord.h"

#include "base/Diagnosis.h"
#include "base/SceneFormat.h"

namespace vesk {

bool readMeshLayout(BinaryInput& in, MeshLayout& layout) {
  in >> layout.channelCount;
  if (in.failed()) return false;
  if (layout.channelCount > kSceneMaxChannels) {
    fatal("Only up to 2 channels of texture coordinates are supported", here());
    return false;
  }
  for (std::uint32_t n = 0; n < layout.channelCount; ++n) {
    std::uint32_t id = 0;
    in >> id;
    if (in.failed()) return false;
    if (id != n + 1) {
      fatal("Texture channel incorrect : only channels 1 and 2 are currently supported", here());
      return false;
    }
  }
  in >> layout.hasNormals;
  return !in.failed();
}

void readVertex(BinaryInput& in, const MeshLayout& layout, MeshVertex& vertex) {
  in >> vertex.position.x >> vertex.position.y >> vertex.position.z;
  for (std::uint32_t channel = 0; channel < layout.channelCount; ++channel)
    in >> vertex.uv[channel][0] >> vertex.uv[channel][1];
  if (layout.hasNormals) in >> vertex.normal.x >> vertex.normal.y >> vertex.normal.z;
}

bool bytesLeft(BinaryInput& in, std::uint64_t bytes) {
  if (!in.failed() && bytes <= in.size() - in.position()) return true;
  refuseFile(in);
  return false;
}

void refuseFile(BinaryInput& in) {
  // The reader has no way to fail on request: reading one word past the end makes it report.
  std::int32_t skipped = 0;
  while (!in.failed())
    in >> skipped;
}

}  // namespace vesk
